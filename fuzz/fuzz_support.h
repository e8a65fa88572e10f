// fuzz_support.h - what every fuzz target shares: caller buffers with guard
// bytes on both sides, snapshots of the caller's records to find every byte a
// call changed, the checks that turn a broken invariant into a crash that
// libFuzzer reports, and the list of result codes the library may return.
//
// A target is judged by more than "no crash": after every call the guard
// bytes must be intact, no byte outside the places the call may write may
// have changed, every GlobalAlloc block must be back (live-block count 0) and
// the result must be one of the documented codes.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "common.h"
#include "fuzz_check.h"

namespace dmafuzz {

constexpr size_t kGuard = 32;

// Guard byte i: varies with the position so that a stray copy of guard
// bytes from elsewhere is noticed too.
inline uint8_t GuardByte(size_t i) { return static_cast<uint8_t>(0xA5 ^ (i * 37)); }

// A caller buffer of `size` bytes with kGuard guard bytes on each side.
class Guarded {
public:
    explicit Guarded(size_t size = 0, uint8_t fill = 0) { Reset(size, fill); }
    void Reset(size_t size, uint8_t fill = 0) {
        size_ = size;
        bytes_.assign(size + 2 * kGuard, 0);
        for (size_t i = 0; i < kGuard; ++i) {
            bytes_[i] = GuardByte(i);
            bytes_[kGuard + size + i] = GuardByte(i + 101);
        }
        std::memset(bytes_.data() + kGuard, fill, size);
    }
    uint8_t *data() { return bytes_.data() + kGuard; }
    const uint8_t *data() const { return bytes_.data() + kGuard; }
    size_t size() const { return size_; }
    // Checked with memcmp against the two patterns: an instrumented byte loop
    // here, after every call for every buffer, cost a tenth of a run.
    bool Intact() const {
        static const struct Patterns {
            uint8_t front[kGuard], back[kGuard];
            Patterns() {
                for (size_t i = 0; i < kGuard; ++i) front[i] = GuardByte(i), back[i] = GuardByte(i + 101);
            }
        } p;
        return std::memcmp(bytes_.data(), p.front, kGuard) == 0 &&
               std::memcmp(bytes_.data() + kGuard + size_, p.back, kGuard) == 0;
    }
    // Copies `n` bytes of the provider into the payload from `at`.
    void FillFrom(FuzzedDataProvider &in, size_t at, size_t n) {
        if (at >= size_) return;
        if (n > size_ - at) n = size_ - at;
        std::vector<uint8_t> b = in.ConsumeBytes<uint8_t>(n);
        if (!b.empty()) std::memcpy(data() + at, b.data(), b.size());
    }
private:
    size_t size_ = 0;
    std::vector<uint8_t> bytes_;
};

// A half-open byte range [begin, end) inside one buffer, which a call may
// change.
struct Span {
    size_t begin, end;
};

// A copy of a buffer's payload taken before a call.
class Snapshot {
public:
    explicit Snapshot(const Guarded &g) : g_(&g), copy_(g.data(), g.data() + g.size()) {}
    // True when every changed byte lies inside one of the allowed spans.
    bool ChangesWithin(std::initializer_list<Span> allowed) const {
        return ChangesWithin(std::vector<Span>(allowed));
    }
    bool ChangesWithin(const std::vector<Span> &allowed) const {
        const uint8_t *now = g_->data();
        if (copy_.empty() || std::memcmp(now, copy_.data(), copy_.size()) == 0) return true;
        // Byte by byte only inside blocks that changed: over whole records the
        // instrumented byte loop took a third of the engine target's time.
        constexpr size_t kBlock = 64;
        for (size_t i = 0; i < copy_.size(); ++i) {
            if (i % kBlock == 0 && copy_.size() - i >= kBlock &&
                std::memcmp(now + i, copy_.data() + i, kBlock) == 0) {
                i += kBlock - 1;
                continue;
            }
            if (now[i] == copy_[i]) continue;
            bool ok = false;
            for (const Span &s : allowed)
                if (i >= s.begin && i < s.end) { ok = true; break; }
            if (!ok) {
                std::fprintf(stderr, "byte %zu changed: %02x -> %02x\n", i, copy_[i], now[i]);
                return false;
            }
        }
        return true;
    }
    bool Unchanged() const { return ChangesWithin({}); }
    const uint8_t *before() const { return copy_.data(); }
private:
    const Guarded *g_;
    std::vector<uint8_t> copy_;
};

// The result codes a public operation may return: the rows of result_codes.def.
inline bool DocumentedResult(DMA_RESULT r) {
    switch (r) {
#define DMA_RESULT_CODE(name, value, message) case value:
#include "result_codes.def"
#undef DMA_RESULT_CODE
        return true;
    default:
        return false;
    }
}
// The same, restricted to the codes one operation documents.
inline bool OneOf(DMA_RESULT r, std::initializer_list<int> codes) {
    for (int c : codes)
        if (r == c) return true;
    return false;
}

// Raw engine statuses: 0 or exactly one of the five failure bits.
inline bool DocumentedStatus(RawStatus s) {
    switch (s) {
#define DMA_RAW_STATUS(name, value) case value:
#include "result_codes.def"
#undef DMA_RAW_STATUS
        return true;
    default:
        return false;
    }
}

// The caller's two settings records, guarded.
struct SettingsRecords {
    Guarded devMode{DMA_DEVMODE_MIN_SIZE};
    Guarded secondary{DMA_SECONDARY_MIN_SIZE};
    bool Intact() const { return devMode.Intact() && secondary.Intact(); }
    // Writes up to `patches` runs of input bytes at input-chosen offsets.
    void Patch(FuzzedDataProvider &in, int patches) {
        for (int i = 0; i < patches && in.remaining_bytes() > 0; ++i) {
            Guarded &g = in.ConsumeBool() ? devMode : secondary;
            const size_t at = in.ConsumeIntegralInRange<size_t>(0, g.size() - 1);
            g.FillFrom(in, at, in.ConsumeIntegralInRange<size_t>(1, 96));
        }
    }
};

// No GlobalAlloc block may outlive a call.
inline bool NoLiveBlocks() { return dmaplat_LiveBlocks() == 0; }

}  // namespace dmafuzz
