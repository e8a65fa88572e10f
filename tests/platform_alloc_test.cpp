// platform_alloc_test.cpp - GlobalAlloc/GlobalFree as the library uses them
// (zero-filled fixed blocks), and the posix layer's live-block count and
// allocation-failure switch that the other tests build their leak and
// failure-path checks on.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace {

TEST(PlatformAlloc, ZeroFilledBlocksOfEverySize) {
    for (SIZE_T size : {SIZE_T{0}, SIZE_T{1}, SIZE_T{7}, SIZE_T{4096}, SIZE_T{1} << 20}) {
        SCOPED_TRACE(size);
        auto *p = static_cast<uint8_t *>(GlobalAlloc(GMEM_ZEROINIT, size));
        ASSERT_NE(p, nullptr);
        for (SIZE_T i = 0; i < size; ++i) ASSERT_EQ(p[i], 0) << "byte " << i;
        for (SIZE_T i = 0; i < size; ++i) p[i] = 0xEE;  // the whole block is writable
        EXPECT_EQ(GlobalFree(p), nullptr);
    }
}

TEST(PlatformAlloc, ImpossibleSizeFails) {
    SetLastError(0);
    EXPECT_EQ(GlobalAlloc(GMEM_ZEROINIT, ~SIZE_T{0} - 64), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
}

#if !defined(_WIN32)
TEST(PlatformAlloc, CountsLiveBlocksAndCalls) {
    long live = dmaplat_LiveBlocks();
    long calls = dmaplat_AllocCalls();
    HGLOBAL a = GlobalAlloc(GMEM_ZEROINIT, 16);
    HGLOBAL b = GlobalAlloc(GMEM_ZEROINIT, 0);
    EXPECT_EQ(dmaplat_LiveBlocks(), live + 2);
    EXPECT_EQ(dmaplat_AllocCalls(), calls + 2);
    GlobalFree(a);
    EXPECT_EQ(dmaplat_LiveBlocks(), live + 1);
    EXPECT_EQ(GlobalFree(nullptr), nullptr);  // freeing null changes nothing
    EXPECT_EQ(dmaplat_LiveBlocks(), live + 1);
    GlobalFree(b);
    EXPECT_EQ(dmaplat_LiveBlocks(), live);
}

TEST(PlatformAlloc, FailsTheNthAllocationOnce) {
    for (long n : {1L, 2L, 5L}) {
        SCOPED_TRACE(n);
        long live = dmaplat_LiveBlocks();
        dmaplat_FailAllocAt(n);
        std::vector<HGLOBAL> got;
        for (int i = 0; i < 7; ++i) got.push_back(GlobalAlloc(GMEM_ZEROINIT, 8));
        for (int i = 0; i < 7; ++i) EXPECT_EQ(got[i] == nullptr, i == n - 1) << "call " << i + 1;
        EXPECT_EQ(dmaplat_LiveBlocks(), live + 6);  // the failed call left no block
        for (HGLOBAL h : got) GlobalFree(h);
        EXPECT_EQ(dmaplat_LiveBlocks(), live);
    }
    dmaplat_FailAllocAt(3);
    dmaplat_FailAllocAt(0);  // switched off again before it fires
    for (int i = 0; i < 5; ++i) {
        HGLOBAL h = GlobalAlloc(GMEM_ZEROINIT, 8);
        EXPECT_NE(h, nullptr);
        GlobalFree(h);
    }
}

TEST(PlatformAlloc, CountsStayExactAcrossThreads) {
    long live = dmaplat_LiveBlocks();
    long calls = dmaplat_AllocCalls();
    dmaplat_FailAllocAt(1000);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&failures] {
            for (int i = 0; i < 500; ++i) {
                HGLOBAL h = GlobalAlloc(GMEM_ZEROINIT, 32);
                if (!h) ++failures;
                GlobalFree(h);
            }
        });
    for (std::thread &t : threads) t.join();
    EXPECT_EQ(failures.load(), 1);  // exactly one call was the 1000th
    EXPECT_EQ(dmaplat_AllocCalls(), calls + 2000);
    EXPECT_EQ(dmaplat_LiveBlocks(), live);
}
#endif

}  // namespace
