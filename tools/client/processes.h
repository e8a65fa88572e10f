// processes.h - process IDs in the names of the files a run leaves while it
// works (scratch files, temporary files, the lock's holder), so that what a
// killed run left can be told from what a running one is using.
#pragma once

#include <filesystem>
#include <string>

namespace dmaclient {

unsigned long OwnProcessId();

// False only when no process of that ID runs any more.
bool ProcessRuns(unsigned long pid);

// Removes the files in `folder` named PREFIX + "PID-XXXXXXXX.tmp" whose
// process has ended: what runs killed while writing left behind.
void RemoveFilesOfEndedRuns(const std::filesystem::path &folder, const std::string &prefix);

}  // namespace dmaclient
