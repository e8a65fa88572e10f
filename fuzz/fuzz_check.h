// fuzz_check.h - how every fuzz target turns a broken invariant into a crash
// that libFuzzer reports and keeps the input of.  Shared by the targets over
// the library's core (fuzz_support.h) and those over the client core
// (fuzz_client_support.h), which may not reach the core's internals.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace dmafuzz {

// Stops the run with a message; libFuzzer keeps the input as a crash.
[[noreturn]] inline void Fail(const char *what, const char *file, int line) {
    std::fprintf(stderr, "\n*** invariant broken: %s (%s:%d)\n", what, file, line);
    std::abort();
}
#define FUZZ_CHECK(cond)                                                      \
    do {                                                                      \
        if (!(cond)) ::dmafuzz::Fail(#cond, __FILE__, __LINE__);              \
    } while (0)

}  // namespace dmafuzz
