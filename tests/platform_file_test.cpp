// platform_file_test.cpp - the file calls of the document-property code:
// CreateFileW/ReadFile/WriteFile/GetFileSize/CloseHandle with the access
// and dispositions the library uses.  Runs natively against our layer and
// under Wine against KERNEL32; the posix layer's failure switches, handle
// count and size faking are checked natively.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

// A file path in a fresh temporary folder, as WCHAR text; the folder goes
// away with the fixture.
class PlatformFile : public ::testing::Test {
protected:
    void SetUp() override {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / ("dmaccess-file-" + std::string(info->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    // The UTF-16 path of `name` inside the folder, zero-terminated.
    std::vector<WCHAR> Path(const std::u16string &name) const {
        std::u16string p = (dir_ / fs::path(name)).u16string();
        std::vector<WCHAR> w(p.begin(), p.end());
        w.push_back(0);
        return w;
    }
    HANDLE Open(const std::vector<WCHAR> &path, DWORD access, DWORD disposition) {
        return CreateFileW(path.data(), access, access == GENERIC_READ ? FILE_SHARE_READ : 0,
                           nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    void WriteAll(const std::vector<WCHAR> &path, const std::string &data) {
        HANDLE h = Open(path, GENERIC_WRITE, CREATE_ALWAYS);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr));
        EXPECT_EQ(written, data.size());
        EXPECT_TRUE(CloseHandle(h));
    }
    std::string ReadAll(const std::vector<WCHAR> &path) {
        HANDLE h = Open(path, GENERIC_READ, OPEN_EXISTING);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        if (h == INVALID_HANDLE_VALUE) return "<no file>";
        DWORD high = 7;
        DWORD size = GetFileSize(h, &high);
        EXPECT_EQ(high, 0u);
        std::string data(size + 16, '\0');
        DWORD got = 0;
        EXPECT_TRUE(ReadFile(h, &data[0], static_cast<DWORD>(data.size()), &got, nullptr));
        EXPECT_EQ(got, size);  // asking for more than there is reads to the end
        EXPECT_TRUE(CloseHandle(h));
        data.resize(got);
        return data;
    }
    fs::path dir_;
};

TEST_F(PlatformFile, WritesAndReadsBack) {
    auto path = Path(u"props.dat");
    std::string data("NDEV001\0\x01\x02\xFF", 11);
    WriteAll(path, data);
    EXPECT_EQ(ReadAll(path), data);
    WriteAll(path, "");  // empty file: size 0 and a read of 0 bytes
    EXPECT_EQ(ReadAll(path), "");
}

TEST_F(PlatformFile, CreateAlwaysReplacesTheFile) {
    auto path = Path(u"replace.dat");
    WriteAll(path, "a much longer first content");
    SetLastError(0);
    HANDLE h = Open(path, GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(h, "short", 5, &written, nullptr));
    CloseHandle(h);
    EXPECT_EQ(ReadAll(path), "short");
}

TEST_F(PlatformFile, NonAsciiPath) {
    auto path = Path(u"\u00E9t\u00E9 \u65E5\u672C.dat");
    WriteAll(path, "x");
    EXPECT_EQ(ReadAll(path), "x");
}

// The core passes a path from a record field, which may sit at an odd
// address; the path is read there as at an even one.
TEST_F(PlatformFile, PathAtOddAddress) {
    auto path = Path(u"odd \u00E9.dat");
    WriteAll(path, "odd");
    std::vector<unsigned char> bytes(2 * path.size() + 1);
    std::memcpy(bytes.data() + 1, path.data(), 2 * path.size());
    HANDLE h = CreateFileW(reinterpret_cast<const WCHAR *>(bytes.data() + 1), GENERIC_READ,
                           FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char data[8] = {};
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(h, data, sizeof data, &got, nullptr));
    EXPECT_EQ(std::string(data, got), "odd");
    EXPECT_TRUE(CloseHandle(h));
}

TEST_F(PlatformFile, FailuresReportWindowsErrors) {
    struct Case { const char *name; std::vector<WCHAR> path; DWORD access, disposition, error; };
    const Case cases[] = {
        {"missing file", Path(u"missing.dat"), GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {"missing folder", Path(u"no/such.dat"), GENERIC_WRITE, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {"a folder", Path(u""), GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(Open(c.path, c.access, c.disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
    }
    // A handle opened for writing only cannot be read, and the reverse.
    auto path = Path(u"oneway.dat");
    HANDLE h = Open(path, GENERIC_WRITE, CREATE_ALWAYS);
    char buf[4];
    DWORD n = 9;
    EXPECT_FALSE(ReadFile(h, buf, 4, &n, nullptr));
    EXPECT_EQ(n, 0u);
    CloseHandle(h);
    h = Open(path, GENERIC_READ, OPEN_EXISTING);
    EXPECT_FALSE(WriteFile(h, "ab", 2, &n, nullptr));
    CloseHandle(h);
    // INVALID_HANDLE_VALUE is the current process's pseudo-handle: closing
    // it succeeds and does nothing.  Null is no handle at all.
    EXPECT_TRUE(CloseHandle(INVALID_HANDLE_VALUE));
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

#if !defined(_WIN32)
TEST_F(PlatformFile, HandleCountFollowsOpenAndClose) {
    long open = dmaplat_OpenHandles();
    auto path = Path(u"count.dat");
    HANDLE a = Open(path, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE b = Open(path, GENERIC_READ, OPEN_EXISTING);
    EXPECT_EQ(dmaplat_OpenHandles(), open + 2);
    EXPECT_EQ(Open(Path(u"missing"), GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(dmaplat_OpenHandles(), open + 2);
    EXPECT_TRUE(CloseHandle(a));
    EXPECT_TRUE(CloseHandle(b));
    EXPECT_EQ(dmaplat_OpenHandles(), open);
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(a));  // already closed
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    char buf[4];
    DWORD n = 5;
    EXPECT_FALSE(ReadFile(b, buf, 4, &n, nullptr));
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(GetFileSize(b, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(dmaplat_OpenHandles(), open);
}

TEST_F(PlatformFile, FailsTheNthCallOfEachKind) {
    auto path = Path(u"hooks.dat");
    WriteAll(path, "0123456789");
    struct Case { DmaPlatFileCall call; long n; DWORD error; };
    const Case cases[] = {
        {DMAPLAT_CREATE, 1, ERROR_ACCESS_DENIED}, {DMAPLAT_CREATE, 2, ERROR_ACCESS_DENIED},
        {DMAPLAT_READ, 1, ERROR_READ_FAULT},      {DMAPLAT_READ, 3, ERROR_READ_FAULT},
        {DMAPLAT_WRITE, 1, ERROR_WRITE_FAULT},    {DMAPLAT_WRITE, 2, ERROR_WRITE_FAULT},
        {DMAPLAT_SIZE, 1, ERROR_READ_FAULT},      {DMAPLAT_SIZE, 2, ERROR_READ_FAULT},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "call " << c.call << " n " << c.n);
        long open = dmaplat_OpenHandles();
        dmaplat_FailFileCallAt(c.call, c.n);
        // Make three calls of the kind; only the n-th fails.
        for (long i = 1; i <= 3; ++i) {
            SetLastError(0);
            bool ok = false;
            if (c.call == DMAPLAT_CREATE) {
                HANDLE h = Open(path, GENERIC_READ, OPEN_EXISTING);
                ok = h != INVALID_HANDLE_VALUE;
                if (ok) CloseHandle(h);
            } else {
                HANDLE h = Open(path, c.call == DMAPLAT_WRITE ? GENERIC_WRITE : GENERIC_READ,
                                c.call == DMAPLAT_WRITE ? CREATE_ALWAYS : OPEN_EXISTING);
                ASSERT_NE(h, INVALID_HANDLE_VALUE);
                char buf[16];
                DWORD n = 0;
                if (c.call == DMAPLAT_READ) ok = ReadFile(h, buf, 10, &n, nullptr) && n == 10;
                if (c.call == DMAPLAT_WRITE) ok = WriteFile(h, "0123456789", 10, &n, nullptr) && n == 10;
                if (c.call == DMAPLAT_SIZE) ok = GetFileSize(h, nullptr) == 10;
                CloseHandle(h);
            }
            EXPECT_EQ(ok, i != c.n) << "call " << i;
            if (i == c.n) {
                EXPECT_EQ(GetLastError(), c.error);
            }
        }
        EXPECT_EQ(dmaplat_OpenHandles(), open);
    }
}

TEST_F(PlatformFile, FakedSizeAppliesToTheNextCallOnly) {
    auto path = Path(u"size.dat");
    WriteAll(path, "abc");
    HANDLE h = Open(path, GENERIC_READ, OPEN_EXISTING);
    struct Case { uint64_t fake; DWORD low, high; };
    const Case cases[] = {
        {0x1'0000'0010ull, 0x10, 1},        // past 4 GiB: the high part carries it
        {0xFFFFFFFFull, 0xFFFFFFFF, 0},     // a real size equal to INVALID_FILE_SIZE
        {1, 1, 0},                          // shrank
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fake);
        dmaplat_FakeNextFileSize(c.fake);
        SetLastError(1234);
        DWORD high = 77;
        EXPECT_EQ(GetFileSize(h, &high), c.low);
        EXPECT_EQ(high, c.high);
        if (c.low == INVALID_FILE_SIZE) {
            EXPECT_EQ(GetLastError(), 0u);
        }
        EXPECT_EQ(GetFileSize(h, nullptr), 3u);  // the real size again
    }
    CloseHandle(h);
}
#endif

}  // namespace
