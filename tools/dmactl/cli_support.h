// cli_support.h - what dmactl's command line does around the commands: the
// manual page and bash completion generated from the one command definition,
// error reports (text or JSON), and the check that standard output took
// everything written to it.
#pragma once

#include <string>

#include "record_files.h"

namespace CLI { class App; }

namespace dmactl {

using namespace dmaclient;  // the client core

// The manual page (roff, section 1) of every command and option of `app`.
std::string ManPage(const CLI::App &app);
// A bash completion script for the commands and options of `app`.
std::string BashCompletion(const CLI::App &app);

// Reports a failure on standard error: "dmactl: MESSAGE", or with `json`
//   {"error": {"message": ..., "status": N, "file": ..., "entry": ...}}
// ("file" and "entry" only when known).
void ReportError(bool json, const std::string &message, int status, const std::string &file = {},
                 const std::string &entry = {});

// Flushes and closes standard output; a write error on it (a full disk,
// a closed pipe) becomes a message and exit status 1.  Returns the status
// to exit with.
int FinishOutput(int status, bool json);

}  // namespace dmactl
