// platform_text_test.cpp - lstrcpyW, lstrcpynW and wsprintfW as the library
// uses them (record keys formatted with "%u", bounded copies of names).
// Runs natively against our layer and under Wine against KERNEL32/USER32.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace {

// UTF-16 literal as the platform's WCHAR (wchar_t on Windows, char16_t here).
#define W(s) reinterpret_cast<const WCHAR *>(u##s)

constexpr WCHAR kFill = 0x2A2A;

std::u16string Str(const WCHAR *p) {
    std::u16string s;
    while (*p) s.push_back(static_cast<char16_t>(*p++));
    return s;
}

TEST(PlatformText, FormatsUnsigned) {
    struct Case { unsigned value; const char16_t *expected; };
    const Case cases[] = {
        {0, u"0"}, {7, u"7"}, {10, u"10"}, {65535, u"65535"}, {4294967295u, u"4294967295"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        WCHAR buf[16];
        for (WCHAR &w : buf) w = kFill;
        int n = wsprintfW(buf, W("%u"), c.value);
        EXPECT_EQ(Str(buf), c.expected);
        EXPECT_EQ(n, static_cast<int>(std::u16string(c.expected).size()));
        EXPECT_EQ(buf[n + 1], kFill);
    }
    WCHAR buf[32];
    EXPECT_EQ(wsprintfW(buf, W("key %u of %u%%"), 3u, 12u), 12);
    EXPECT_EQ(Str(buf), u"key 3 of 12%");
    EXPECT_EQ(wsprintfW(buf, W("plain")), 5);
    EXPECT_EQ(Str(buf), u"plain");
}

TEST(PlatformText, CopiesWithAndWithoutBound) {
    WCHAR buf[8];
    for (WCHAR &w : buf) w = kFill;
    EXPECT_EQ(lstrcpyW(buf, W("abc")), buf);
    EXPECT_EQ(Str(buf), u"abc");
    EXPECT_EQ(buf[4], kFill);

    struct Case { int max; const char16_t *expected; int untouchedFrom; };
    const Case cases[] = {
        {6, u"abcde", 6},   // room for all: copied with terminator
        {4, u"abc", 4},     // cut: max-1 units and a terminator
        {1, u"", 1},        // only the terminator
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.max);
        for (WCHAR &w : buf) w = kFill;
        EXPECT_EQ(lstrcpynW(buf, W("abcde"), c.max), buf);
        EXPECT_EQ(Str(buf), c.expected);
        EXPECT_EQ(buf[c.untouchedFrom], kFill);
    }
    for (WCHAR &w : buf) w = kFill;
    lstrcpynW(buf, W("abcde"), 0);  // nothing at all is written
    EXPECT_EQ(buf[0], kFill);
}

// A record may put its UTF-16 text at an odd address, and the core passes
// such fields straight through.  Each helper, with its source (or format)
// and its output at offset 1 of a byte buffer, must do what it does at an
// even address; under the sanitizers a misaligned unit access stops here.
TEST(PlatformText, TextAtOddAddresses) {
    struct Case {
        const char *name;
        void (*call)(WCHAR *dst, const WCHAR *src);
        const char16_t *expected;
    };
    const Case cases[] = {
        {"lstrcpyW", [](WCHAR *d, const WCHAR *s) { lstrcpyW(d, s); }, u"key 7"},
        {"lstrcpynW", [](WCHAR *d, const WCHAR *s) { lstrcpynW(d, s, 4); }, u"key"},
        {"wsprintfW format", [](WCHAR *d, const WCHAR *s) { wsprintfW(d, s); }, u"key 7"},
        {"wsprintfW %s", [](WCHAR *d, const WCHAR *s) { wsprintfW(d, W("<%s>"), s); }, u"<key 7>"},
        {"wsprintfW %u", [](WCHAR *d, const WCHAR *) { wsprintfW(d, W("%u"), 65535u); }, u"65535"},
    };
    const std::u16string source = u"key 7";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        unsigned char src[32] = {}, dst[32];
        std::memcpy(src + 1, source.c_str(), 2 * (source.size() + 1));
        std::memset(dst, 0x2A, sizeof dst);
        c.call(reinterpret_cast<WCHAR *>(dst + 1), reinterpret_cast<const WCHAR *>(src + 1));
        const std::u16string want = c.expected;
        std::u16string got(want.size() + 1, u'?');
        std::memcpy(&got[0], dst + 1, 2 * got.size());
        EXPECT_EQ(got, want + u'\0');
        EXPECT_EQ(dst[1 + 2 * got.size()], 0x2A);
    }
}

}  // namespace
