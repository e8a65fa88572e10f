// text_codepage_test.cpp - the whole-text code-page helpers
// WideToMultiByteAlloc and MultiByteToWideAlloc: conversions and round trips
// on characters that our 1252 table and Windows agree on, the code-page
// choice, the outputs on failure and the release of every buffer.
#include <string>

#include "support/test_support.h"
#include "text/text.h"

using namespace dmatest;

namespace {

struct Pair {
    const char *ansi;
    std::u16string wide;
};

// Windows-1252 texts and their UTF-16 forms (0x80 is the euro sign).
const Pair kPairs[] = {
    {"", u""},
    {"a", u"a"},
    {"Hello, world", u"Hello, world"},
    {"Caf\xE9 \x80 \xFC\xDF", u"Caf\u00E9 \u20AC \u00FC\u00DF"},
    {"\x93quoted\x94 \x85", u"\u201Cquoted\u201D \u2026"},
};

// The platform's WCHAR (wchar_t on Windows, char16_t elsewhere).
const WCHAR *W(const char16_t *s) { return reinterpret_cast<const WCHAR *>(s); }

}  // namespace

TEST(CodePageHelpers, WideToMultiByteConvertsWholeText) {
    for (const Pair &p : kPairs) {
        for (UINT cp : {0u, 1252u, 12345u}) {  // 12345: unknown, falls back to ANSI
            char *out = reinterpret_cast<char *>(0x1);
            int32_t length = -1;
            ASSERT_EQ(dma::WideToMultiByteAlloc(W(p.wide.c_str()), &out, &length, cp), 1);
            ASSERT_NE(out, nullptr);
            EXPECT_EQ(std::string(out), p.ansi);
            EXPECT_EQ(length, static_cast<int32_t>(std::string(p.ansi).size()));
            GlobalFree(out);
            EXPECT_NO_LEAK();
        }
    }
    EXPECT_NO_LEAK();
}

TEST(CodePageHelpers, MultiByteToWideConvertsWholeText) {
    for (const Pair &p : kPairs) {
        for (UINT cp : {0u, 1252u, 12345u}) {
            WCHAR *out = nullptr;
            int32_t length = -1;
            ASSERT_EQ(dma::MultiByteToWideAlloc(p.ansi, &out, &length, cp), 1);
            ASSERT_NE(out, nullptr);
            EXPECT_EQ(ReadU16(out, 1000), p.wide);
            EXPECT_EQ(length, static_cast<int32_t>(p.wide.size()));
            EXPECT_EQ(out[length], 0);
            GlobalFree(out);
            EXPECT_NO_LEAK();
        }
    }
    EXPECT_NO_LEAK();
}

TEST(CodePageHelpers, Utf8CodePageIsHonoured) {
    WCHAR *wide = nullptr;
    int32_t length = 0;
    ASSERT_EQ(dma::MultiByteToWideAlloc("caf\xC3\xA9", &wide, &length, CP_UTF8), 1);
    EXPECT_EQ(ReadU16(wide, 10), std::u16string(u"caf\u00E9"));
    EXPECT_EQ(length, 4);
    char *narrow = nullptr;
    ASSERT_EQ(dma::WideToMultiByteAlloc(wide, &narrow, &length, CP_UTF8), 1);
    EXPECT_EQ(std::string(narrow), "caf\xC3\xA9");
    EXPECT_EQ(length, 5);
    GlobalFree(narrow);
    GlobalFree(wide);
    EXPECT_NO_LEAK();
}

TEST(CodePageHelpers, NullArgumentsReturnZero) {
    char *narrow = reinterpret_cast<char *>(0x1);
    WCHAR *wide = reinterpret_cast<WCHAR *>(0x1);
    int32_t length = 42;
    EXPECT_EQ(dma::WideToMultiByteAlloc(W(u"x"), nullptr, &length, 0), 0);
    EXPECT_EQ(dma::WideToMultiByteAlloc(W(u"x"), &narrow, nullptr, 0), 0);
    EXPECT_EQ(dma::WideToMultiByteAlloc(nullptr, &narrow, &length, 0), 0);
    EXPECT_EQ(narrow, nullptr);
    EXPECT_EQ(dma::MultiByteToWideAlloc(nullptr, &wide, &length, 0), 0);
    EXPECT_EQ(dma::MultiByteToWideAlloc("x", nullptr, &length, 0), 0);
    EXPECT_EQ(dma::MultiByteToWideAlloc("x", &wide, nullptr, 0), 0);
    EXPECT_EQ(length, 42);
    EXPECT_NO_LEAK();
}

#if !defined(_WIN32)
TEST(CodePageHelpers, AllocationFailureLeavesNothing) {
    char *narrow = reinterpret_cast<char *>(0x1);
    WCHAR *wide = reinterpret_cast<WCHAR *>(0x1);
    int32_t length = 42;
    dmaplat_FailAllocAt(1);
    EXPECT_EQ(dma::WideToMultiByteAlloc(W(u"abc"), &narrow, &length, 0), 0);
    dmaplat_FailAllocAt(1);
    EXPECT_EQ(dma::MultiByteToWideAlloc("abc", &wide, &length, 0), 0);
    dmaplat_FailAllocAt(0);
    EXPECT_EQ(narrow, nullptr);
    EXPECT_EQ(wide, nullptr);
    EXPECT_EQ(length, 42);
    EXPECT_NO_LEAK();
}

TEST(CodePageHelpers, AllocateExactlyTheMeasuredSize) {
    const long calls = dmaplat_AllocCalls();
    char *narrow = nullptr;
    int32_t length = 0;
    ASSERT_EQ(dma::WideToMultiByteAlloc(W(u"abcd"), &narrow, &length, 0), 1);
    EXPECT_EQ(dmaplat_AllocCalls() - calls, 1);
    GlobalFree(narrow);
    EXPECT_NO_LEAK();
}
#endif
