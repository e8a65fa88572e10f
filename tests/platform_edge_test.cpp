// platform_edge_test.cpp - the corners of the posix platform layer that the
// library's own paths seldom reach: wsprintfW's conversions, flags and
// widths; lstrcpyW/lstrcpynW bounds; file calls on bad handles, wrong access
// and every disposition; the code-page functions' argument checks and UTF-8
// flags.  Windows behaves so; the layer must too, or the library would
// behave differently on the two platforms.
#if !defined(_WIN32)

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "support/test_support.h"

using namespace dmatest;

namespace {

std::u16string Fmt(const std::function<int(LPWSTR)> &f, int *count = nullptr) {
    WCHAR out[1100];
    const int n = f(out);
    if (count) *count = n;
    return std::u16string(out, static_cast<size_t>(n));
}

}  // namespace

TEST(PlatformEdge, WsprintfConversions) {
    struct Case {
        std::function<int(LPWSTR)> call;
        const char *expected;
    } cases[] = {
        {[](LPWSTR o) { return wsprintfW(o, u"%u|%5u|%-5u|%05u", 42u, 7u, 7u, 7u); }, "42|    7|7    |00007"},
        {[](LPWSTR o) { return wsprintfW(o, u"%d %i %d", -12, 0, 2147483647); }, "-12 0 2147483647"},
        {[](LPWSTR o) { return wsprintfW(o, u"%d|%06d|%-4d|", int32_t(-2147483647 - 1), -42, -1); }, "-2147483648|-00042|-1  |"},
        {[](LPWSTR o) { return wsprintfW(o, u"%x %X %08x", 0xbeefu, 0xbeefu, 0x1fu); }, "beef BEEF 0000001f"},
        {[](LPWSTR o) { return wsprintfW(o, u"%hu %hd %hx %lu", 0x12345u, 0xffff, 0x1abcdu, 5u); }, "9029 -1 abcd 5"},
        {[](LPWSTR o) { return wsprintfW(o, u"%c|%3c|%-3c|", 'a', 'b', 'c'); }, "a|  b|c  |"},
        {[](LPWSTR o) { return wsprintfW(o, u"%s|%6s|%-6s|", u"ab", u"cd", u"ef"); }, "ab|    cd|ef    |"},
        {[](LPWSTR o) { return wsprintfW(o, u"%s", static_cast<LPCWSTR>(nullptr)); }, "(null)"},
        {[](LPWSTR o) { return wsprintfW(o, u"100%% %q %"); }, "100% %q %"},
    };
    for (const Case &c : cases) {
        int n = 0;
        const std::u16string got = Fmt(c.call, &n);
        EXPECT_EQ(got, U16(c.expected));
        EXPECT_EQ(size_t(n), std::char_traits<char>::length(c.expected));
    }
    // At most 1023 units and a terminator.
    std::u16string big(1500, u'x');
    WCHAR out[1100];
    EXPECT_EQ(wsprintfW(out, u"%s", big.c_str()), 1023);
    EXPECT_EQ(out[1023], 0);
    EXPECT_EQ(wsprintfW(nullptr, u"x"), 0);
    EXPECT_EQ(wsprintfW(out, nullptr), 0);
}

TEST(PlatformEdge, StringCopies) {
    WCHAR out[8] = {u'z', u'z', u'z', u'z', u'z', u'z', u'z', u'z'};
    EXPECT_EQ(lstrcpyW(nullptr, u"a"), nullptr);
    EXPECT_EQ(lstrcpyW(out, nullptr), nullptr);
    EXPECT_EQ(lstrcpyW(out, u"abc"), out);
    EXPECT_EQ(ReadU16(out, 8), U16("abc"));
    struct Case { int max; const char *expected; char16_t untouched; } cases[] = {
        {0, "abc", u'c'},   // max 0: nothing written at all
        {1, "", u'b'},      // only the terminator
        {3, "xy", 0},       // max - 1 units and the terminator
        {-1, "xyzw", 0},    // negative: no bound
    };
    for (const Case &c : cases) {
        lstrcpyW(out, u"abc");
        EXPECT_EQ(lstrcpynW(out, u"xyzw", c.max), out);
        EXPECT_EQ(ReadU16(out, 8), U16(c.expected)) << c.max;
    }
    EXPECT_EQ(lstrcpynW(nullptr, u"a", 2), nullptr);
    EXPECT_EQ(lstrcpynW(out, nullptr, 2), nullptr);
}

TEST(PlatformEdge, CodePageArgumentChecks) {
    WCHAR wide[8];
    char narrow[8];
    struct Case { int result; DWORD error; } cases[] = {
        {MultiByteToWideChar(CP_ACP, 0, nullptr, -1, wide, 8), ERROR_INVALID_PARAMETER},
        {MultiByteToWideChar(CP_ACP, 0, "a", 0, wide, 8), ERROR_INVALID_PARAMETER},
        {MultiByteToWideChar(CP_ACP, 0, "a", -1, wide, -1), ERROR_INVALID_PARAMETER},
        {MultiByteToWideChar(CP_ACP, 0, "a", -1, nullptr, 4), ERROR_INVALID_PARAMETER},
        {MultiByteToWideChar(437, 0, "a", -1, wide, 8), ERROR_INVALID_PARAMETER},
        {MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", -1, wide, 8), ERROR_INVALID_FLAGS},
        {MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xC3", 1, wide, 8), ERROR_NO_UNICODE_TRANSLATION},
        {WideCharToMultiByte(CP_ACP, 0, nullptr, -1, narrow, 8, nullptr, nullptr), ERROR_INVALID_PARAMETER},
        {WideCharToMultiByte(CP_ACP, 0, u"a", 0, narrow, 8, nullptr, nullptr), ERROR_INVALID_PARAMETER},
        {WideCharToMultiByte(CP_ACP, 0, u"a", -1, nullptr, 3, nullptr, nullptr), ERROR_INVALID_PARAMETER},
        {WideCharToMultiByte(850, 0, u"a", -1, narrow, 8, nullptr, nullptr), ERROR_INVALID_PARAMETER},
        {WideCharToMultiByte(CP_UTF8, 0, u"a", -1, narrow, 8, "?", nullptr), ERROR_INVALID_PARAMETER},
        {WideCharToMultiByte(CP_UTF8, WC_NO_BEST_FIT_CHARS, u"a", -1, narrow, 8, nullptr, nullptr), ERROR_INVALID_FLAGS},
        {WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, u"\xD800", 1, narrow, 8, nullptr, nullptr), ERROR_NO_UNICODE_TRANSLATION},
        {WideCharToMultiByte(CP_ACP, 0, u"abcdef", -1, narrow, 3, nullptr, nullptr), ERROR_INSUFFICIENT_BUFFER},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].result, 0) << "case " << i;
    }
    // The last error of each: checked one by one, in the table's order.
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(437, 0, "a", -1, wide, 8), 0);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, u"\xDC00", 1, narrow, 8, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_NO_UNICODE_TRANSLATION});
    // A unit without a 1252 byte takes the default character and says so.
    BOOL used = FALSE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a\x4E2D", 3, narrow, 8, "#", &used), 3);
    EXPECT_EQ(std::string(narrow), "a#");
    EXPECT_TRUE(used);
    // Surrogate pairs and four-byte UTF-8 both ways.
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, wide, 8), 2);
    EXPECT_EQ(wide[0], 0xD83D);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, 2, narrow, 8, nullptr, nullptr), 4);
    CPINFO info;
    EXPECT_FALSE(GetCPInfo(437, &info));
    EXPECT_FALSE(GetCPInfo(CP_ACP, nullptr));
    EXPECT_TRUE(GetCPInfo(CP_UTF8, &info));
}

class PlatformEdgeFile : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/dmaccess-edge-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
    }
    void TearDown() override {
        std::string cmd = "rm -rf '" + dir_ + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        EXPECT_EQ(dmaplat_OpenHandles(), 0);
    }
    std::u16string Path(const char *name) { return U16((dir_ + "/" + name).c_str()); }
    HANDLE Open(const std::u16string &p, DWORD access, DWORD disposition) {
        return CreateFileW(p.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    std::string dir_;
};

TEST_F(PlatformEdgeFile, DispositionsAndTheirErrors) {
    const std::u16string file = Path("f.bin");
    struct Case { DWORD access, disposition; const char *name; bool ok; DWORD error; } cases[] = {
        {GENERIC_READ, OPEN_EXISTING, "f.bin", false, ERROR_FILE_NOT_FOUND},
        {GENERIC_WRITE, TRUNCATE_EXISTING, "f.bin", false, ERROR_FILE_NOT_FOUND},
        {GENERIC_WRITE, CREATE_NEW, "f.bin", true, ERROR_SUCCESS},
        {GENERIC_WRITE, CREATE_NEW, "f.bin", false, ERROR_FILE_EXISTS},
        {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, "f.bin", true, ERROR_ALREADY_EXISTS},
        {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, "g.bin", true, ERROR_SUCCESS},
        {GENERIC_READ, TRUNCATE_EXISTING, "f.bin", false, ERROR_INVALID_PARAMETER},
        {GENERIC_WRITE, TRUNCATE_EXISTING, "f.bin", true, ERROR_SUCCESS},
        {GENERIC_READ, 99, "f.bin", false, ERROR_INVALID_PARAMETER},
        {GENERIC_READ, OPEN_EXISTING, "", false, ERROR_ACCESS_DENIED},  // the folder itself
        {GENERIC_WRITE, CREATE_ALWAYS, "no/such/x", false, ERROR_PATH_NOT_FOUND},
    };
    for (const Case &c : cases) {
        SetLastError(12345);
        HANDLE h = Open(Path(c.name), c.access, c.disposition);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.ok) << c.name << " " << c.disposition;
        EXPECT_EQ(GetLastError(), c.error) << c.name << " " << c.disposition;
        if (h != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(h));
        }
    }
    EXPECT_EQ(CreateFileW(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(CreateFileW(u"", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_PATH_NOT_FOUND});
    (void)file;
}

TEST_F(PlatformEdgeFile, CallsOnWrongHandlesAndAccess) {
    uint8_t buffer[4] = {1, 2, 3, 4};
    DWORD count = 77, high = 0;
    int stray = 0;
    HANDLE bad[] = {nullptr, &stray};
    for (HANDLE h : bad) {
        EXPECT_FALSE(ReadFile(h, buffer, 4, &count, nullptr));
        EXPECT_EQ(count, 0u);
        EXPECT_FALSE(WriteFile(h, buffer, 4, &count, nullptr));
        EXPECT_EQ(GetFileSize(h, &high), INVALID_FILE_SIZE);
        EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
        EXPECT_FALSE(CloseHandle(h));
    }
    EXPECT_TRUE(CloseHandle(INVALID_HANDLE_VALUE));

    HANDLE w = Open(Path("a"), GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(w, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteFile(w, nullptr, 4, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_TRUE(WriteFile(w, buffer, 4, &count, nullptr));
    EXPECT_FALSE(ReadFile(w, buffer, 4, &count, nullptr));  // opened for writing only
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_TRUE(CloseHandle(w));
    EXPECT_FALSE(CloseHandle(w));  // already closed

    HANDLE r = Open(Path("a"), GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(r, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ReadFile(r, nullptr, 4, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_FALSE(WriteFile(r, buffer, 4, &count, nullptr));  // opened for reading only
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_TRUE(ReadFile(r, buffer, 4, nullptr, nullptr));
    // A real size whose low part is all ones clears the last error.
    dmaplat_FakeNextFileSize(0x1FFFFFFFFull);
    SetLastError(5);
    EXPECT_EQ(GetFileSize(r, &high), INVALID_FILE_SIZE);
    EXPECT_EQ(high, 1u);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SUCCESS});
    EXPECT_EQ(GetFileSize(r, nullptr), 4u);
    EXPECT_TRUE(CloseHandle(r));
}

#endif  // !_WIN32
