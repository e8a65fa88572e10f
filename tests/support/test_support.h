// test_support.h - shared fixtures for the test programs: the caller's
// records with canary bytes around them, a ready DmaContext, UTF-16 helpers
// and the live-block check of the platform layer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common.h"

namespace dmatest {

constexpr uint8_t kCanary = 0xA5;
constexpr size_t kGuard = 64;

// A byte buffer with kGuard canary bytes on both sides of its payload.
class Guarded {
public:
    explicit Guarded(size_t size, uint8_t fill = 0);
    uint8_t *data() { return bytes_.data() + kGuard; }
    const uint8_t *data() const { return bytes_.data() + kGuard; }
    size_t size() const { return size_; }
    // True when every canary byte is intact.
    bool CanariesIntact() const;
private:
    size_t size_;
    std::vector<uint8_t> bytes_;
};

// `size` bytes that end where an unreadable page begins: a read of one
// byte past them stops the program, natively and under Wine, which canary
// bytes cannot show.
class Fenced {
public:
    explicit Fenced(size_t size, uint8_t fill = 0);
    ~Fenced();
    Fenced(const Fenced &) = delete;
    Fenced &operator=(const Fenced &) = delete;
    uint8_t *data() { return data_; }

private:
    uint8_t *base_ = nullptr;
    size_t mapped_ = 0;
    uint8_t *data_ = nullptr;
};

// The caller's records of a typical call: DEVMODEW with its private part,
// the secondary record, and a fax-address block with `faxEntries` entries,
// all zero-filled and guarded; `ctx` points at them.
struct Records {
    explicit Records(uint16_t faxEntries = 0);
    Guarded devMode;
    Guarded secondary;
    Guarded fax;
    DmaContext ctx;
    bool CanariesIntact() const {
        return devMode.CanariesIntact() && secondary.CanariesIntact() && fax.CanariesIntact();
    }
};

// UTF-16 text from ASCII/UTF-8-free 8-bit text (each byte one unit).
std::u16string U16(const char *ascii);
// UTF-16 field content at p, up to the first zero unit or `units`.
std::u16string ReadU16(const void *p, size_t units);
// Writes text and terminator at p (unaligned-safe).
void WriteU16(void *p, const std::u16string &text);

#if !defined(_WIN32)
// Makes UTF-8 the ANSI code page of the posix layer while it lives, to reach
// what a system whose ANSI characters take more than one byte does.
struct Utf8AnsiCodePage {
    Utf8AnsiCodePage();
    ~Utf8AnsiCodePage();
    Utf8AnsiCodePage(const Utf8AnsiCodePage &) = delete;
    Utf8AnsiCodePage &operator=(const Utf8AnsiCodePage &) = delete;
};
#endif

// Live GlobalAlloc blocks, or -1 where the platform cannot count them.
long LiveBlocks();
bool HaveHooks();

}  // namespace dmatest

// Fails the test when the library left a GlobalAlloc block alive.
#define EXPECT_NO_LEAK()                                                      \
    do {                                                                      \
        if (dmatest::HaveHooks()) {                                           \
            EXPECT_EQ(dmatest::LiveBlocks(), 0);                              \
        }                                                                     \
    } while (0)
