// cli_support.h - what dmactl's command line does around the commands: the
// help command, the manual page and bash completion generated from the one
// command definition, and the arguments as UTF-8 on Windows.
#pragma once

#include <string>

namespace CLI { class App; }

namespace dmactl {

// The manual page (roff, section 1) of every command and option of `app`.
std::string ManPage(const CLI::App &app);
// A bash completion script for the commands and options of `app`.
std::string BashCompletion(const CLI::App &app);

// On Windows, replaces argv by the arguments as UTF-8: argv holds them in the
// ANSI code page, which loses every character it lacks before the tool could
// refuse it.  Output is made binary too, byte-identical to the native tool's.
// Elsewhere nothing changes.
void UseUtf8Arguments(int &argc, char **&argv);

}  // namespace dmactl
