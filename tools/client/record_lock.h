// record_lock.h - one writer at a time on a record set.
//
// A command that reads a record set, changes it and writes it back holds the
// set's lock for the whole of that: a file NAME.lock beside the set's first
// record file, locked by the system (flock on posix; on Windows a handle
// opened without write sharing).  The system lets the lock go when its
// holder ends, killed or not, so a lock left by a killed process is free
// again at once, and the file is removed when the lock is released (on
// Windows when the holder's handle closes).  The file holds the holder's
// process ID, for the message of the writer that waits for it.
//
// A record set written across several files is replaced together: the
// temporary files are written first, then a journal NAME.journal lists each
// temporary file and its target, then the renames run and the journal goes.
// A run killed between its renames leaves the journal; the next command
// that takes the lock completes the renames it lists (every temporary file
// was complete before the journal was written), so the set is never left
// half old and half new.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace dmaclient {

class RecordSetLock {
public:
    // Takes the lock of the record set whose first file is `firstFile`
    // (UTF-8 path), waiting at most `waitSeconds` for another holder; then
    // completes an interrupted write its journal lists.  Throws UserError
    // naming the lock file and the holder's process ID when the wait ends.
    RecordSetLock(const std::string &firstFile, double waitSeconds);
    ~RecordSetLock();
    RecordSetLock(const RecordSetLock &) = delete;
    RecordSetLock &operator=(const RecordSetLock &) = delete;

    // Where a write of several files of this set keeps its journal.
    const std::string &JournalPath() const { return journal_; }

private:
    std::string lockPath_;
    std::string journal_;
    intptr_t handle_;  // the open lock file (descriptor or HANDLE)
};

// Writes the journal of a write of several files: "TEMP\tTARGET" lines,
// flushed to the disk and renamed into place.  False when it cannot be
// written (the caller then renames nothing).
bool WriteJournal(const std::string &journal,
                  const std::vector<std::pair<std::string, std::string>> &renames);

// Completes the renames an interrupted write's journal lists and removes the
// journal; does nothing when there is none.
void CompleteJournal(const std::string &journal);

}  // namespace dmaclient
