// common.h - small helpers shared by every subsystem of the library core:
// the public header, the platform layer and the one bounds check used for
// every length that comes from a record or a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "dmaccess/dmaccess.h"
#include "platform/platform.h"

// The public header's codes are the table's, row by row.
#define DMA_RESULT_CODE(name, value, message) \
    static_assert((name) == (value), #name " differs from result_codes.def");
#define DMA_RAW_STATUS(name, value) \
    static_assert((name) == (value), #name " differs from result_codes.def");
#include "result_codes.def"
#undef DMA_RESULT_CODE
#undef DMA_RAW_STATUS

namespace dma {

// True when [offset, offset + size) lies inside a buffer of `total` bytes,
// without overflow whatever the operands.
constexpr bool FitsWithin(uint64_t offset, uint64_t size, uint64_t total) {
    return offset <= total && size <= total - offset;
}

// Little-endian loads and stores at any alignment.
inline uint16_t Load16(const void *p) { uint16_t v; std::memcpy(&v, p, 2); return v; }
inline uint32_t Load32(const void *p) { uint32_t v; std::memcpy(&v, p, 4); return v; }
inline void Store16(void *p, uint16_t v) { std::memcpy(p, &v, 2); }
inline void Store32(void *p, uint32_t v) { std::memcpy(p, &v, 4); }

// Length in UTF-16 units of the text at p before its first zero unit, looking
// at no more than `limit` units (returns `limit` when none is zero).  Reads
// unaligned-safe.
inline size_t WideLengthWithin(const void *p, size_t limit) {
    const unsigned char *b = static_cast<const unsigned char *>(p);
    for (size_t i = 0; i < limit; ++i)
        if (b[2 * i] == 0 && b[2 * i + 1] == 0) return i;
    return limit;
}

// Length of the 8-bit text at p before its zero byte, within `limit` bytes.
inline size_t ByteLengthWithin(const void *p, size_t limit) {
    const void *z = std::memchr(p, 0, limit);
    return z ? static_cast<size_t>(static_cast<const char *>(z) - static_cast<const char *>(p))
             : limit;
}

// Sign-extends a 32-bit result code into the pointer-sized result.
constexpr DMA_RESULT Result(int32_t code) { return static_cast<DMA_RESULT>(code); }

// Owns one GlobalAlloc block and frees it when it goes out of scope, so that
// every path out of a function releases what it allocated.  A null block
// (a failed allocation) is allowed and frees nothing.
template <typename T = void>
class GlobalBlock {
public:
    GlobalBlock() = default;
    explicit GlobalBlock(SIZE_T bytes) : p_(static_cast<T *>(GlobalAlloc(GMEM_ZEROINIT, bytes))) {}
    // Takes over a block that another function allocated (or null).
    static GlobalBlock Adopt(T *p) { GlobalBlock b; b.p_ = p; return b; }
    GlobalBlock(const GlobalBlock &) = delete;
    GlobalBlock &operator=(const GlobalBlock &) = delete;
    GlobalBlock(GlobalBlock &&o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    GlobalBlock &operator=(GlobalBlock &&o) noexcept {
        if (this != &o) { Reset(); p_ = o.p_; o.p_ = nullptr; }
        return *this;
    }
    ~GlobalBlock() { Reset(); }
    T *get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Frees the block now; the guard then owns nothing.
    void Reset() {
        if (p_ != nullptr) GlobalFree(const_cast<void *>(static_cast<const void *>(p_)));
        p_ = nullptr;
    }
    // The address of the owned pointer, for functions that allocate into a
    // T** out-parameter; whatever the guard owned before is freed first.
    T **Receive() { Reset(); return &p_; }
    // Hands the block over to the caller, who frees it from now on.
    T *Release() { T *p = p_; p_ = nullptr; return p; }

private:
    T *p_ = nullptr;
};

}  // namespace dma
