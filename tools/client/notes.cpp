// notes.cpp - notes for people on standard error.
#include "notes.h"

#include <cstdio>

namespace dmaclient {

void Note(const std::string &text) {
    const std::string line = "dmactl: " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace dmaclient
