// memory.cpp - GlobalAlloc/GlobalFree of the posix platform layer, with the
// live-block count and the failure switch that the tests use to walk every
// allocation path of an operation.
//
// Blocks come from the C heap; GMEM_FIXED blocks are plain pointers on
// Windows too, so the pointer is the handle.  The counters are atomics: the
// library may be called from several threads at once.
#include <atomic>
#include <cstdlib>

#include "platform/posix/win32_layer.h"

namespace {

std::atomic<long> g_liveBlocks{0};
std::atomic<long> g_allocCalls{0};
// Calls left until the failing one; 0 = switched off.
std::atomic<long> g_failCountdown{0};

// Above this size the allocation is refused outright, as Windows refuses a
// request its heap cannot serve; it also keeps sanitizer allocators (which
// abort on absurd sizes instead of returning null) in line with Windows.
constexpr SIZE_T kMaxBlock = SIZE_T{1} << 40;

// True when this call is the one the test asked to fail.  The switch is
// one-shot: it turns itself off when it fires.
bool ThisCallFails() {
    long left = g_failCountdown.load();
    while (left > 0) {
        if (g_failCountdown.compare_exchange_weak(left, left - 1)) return left == 1;
    }
    return false;
}

}  // namespace

// Allocates `bytes` bytes (at least one, so that a zero-size request still
// yields a distinct block as on Windows), zero-filled with GMEM_ZEROINIT.
// Returns null with ERROR_NOT_ENOUGH_MEMORY on failure.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    g_allocCalls.fetch_add(1);
    if (ThisCallFails() || bytes >= kMaxBlock) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    size_t n = bytes ? bytes : 1;
    void *p = (flags & GMEM_ZEROINIT) ? std::calloc(1, n) : std::malloc(n);
    if (!p) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    g_liveBlocks.fetch_add(1);
    return p;
}

// Releases a block of GlobalAlloc.  Returns null (success); freeing null is
// a no-op that also returns null.
HGLOBAL GlobalFree(HGLOBAL mem) {
    if (mem) {
        std::free(mem);
        g_liveBlocks.fetch_sub(1);
    }
    return nullptr;
}

long dmaplat_LiveBlocks(void) { return g_liveBlocks.load(); }

void dmaplat_FailAllocAt(long n) { g_failCountdown.store(n > 0 ? n : 0); }

long dmaplat_AllocCalls(void) { return g_allocCalls.load(); }
