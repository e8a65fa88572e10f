// notes.h - notes for people on standard error, the one channel the client
// core writes to itself: what a value lost to the ANSI code page, what a
// command did beyond its output.
#pragma once

#include <string>

namespace dmaclient {

// Writes "dmactl: TEXT" and a newline to standard error.
void Note(const std::string &text);

}  // namespace dmaclient
