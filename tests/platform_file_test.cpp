// platform_file_test.cpp - the file calls of the document-property code:
// CreateFileW/ReadFile/WriteFile/GetFileSize/CloseHandle with the access
// and dispositions the library uses, and the sharing between two openers.
// Runs natively against our layer and under Wine against KERNEL32; the posix
// layer's failure switches, handle count, size faking, memory files and its
// refusal of FIFOs and devices are checked natively.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "docprop_files.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

// A file path in a fresh temporary folder, as WCHAR text; the folder goes
// away with the fixture.
class PlatformFile : public ::testing::Test {
protected:
    void SetUp() override {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        // A name of this run's own: test runs of several builds at once
        // must not share a folder.
        dir_ = fs::temp_directory_path() / ("dmaccess-file-" + std::string(info->name()) + "-" +
                                            std::to_string(std::random_device{}()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
#if !defined(_WIN32)
        dmaplat_UseMemoryFiles(0);
#endif
    }
    // A path as zero-terminated UTF-16 text; Path: of `name` in the folder.
    static std::vector<WCHAR> Wide(const fs::path &path) {
        std::u16string p = path.u16string();
        std::vector<WCHAR> w(p.begin(), p.end());
        w.push_back(0);
        return w;
    }
    std::vector<WCHAR> Path(const std::u16string &name) const { return Wide(dir_ / fs::path(name)); }
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
    // Opens `path` as the core does and keeps it open until the returned
    // function runs; natively `inChild` holds it in a child process instead.
    std::function<void()> Hold(const std::vector<WCHAR> &path, DWORD access, bool inChild) {
#if !defined(_WIN32)
        int ready[2], done[2];
        if (inChild && pipe(ready) == 0 && pipe(done) == 0) {
            const pid_t child = fork();
            if (child == 0) {
                char opened = Open(path, access, OPEN_EXISTING) != INVALID_HANDLE_VALUE;
                if (write(ready[1], &opened, 1) == 1) (void)!read(done[0], &opened, 1);
                _exit(0);  // the handle closes with the process
            }
            char opened = 0;
            EXPECT_TRUE(read(ready[0], &opened, 1) == 1 && opened);
            return [=] {
                (void)!write(done[1], "x", 1);
                waitpid(child, nullptr, 0);
                for (int fd : {ready[0], ready[1], done[0], done[1]}) close(fd);
            };
        }
#endif
        EXPECT_FALSE(inChild);
        HANDLE h = Open(path, access, OPEN_EXISTING);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        return [h] { CloseHandle(h); };
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

// A second opener while a first handle holds the file, in the core's two
// modes (writing shares nothing, reading shares reading): refused with
// ERROR_SHARING_VIOLATION, a refused CREATE_ALWAYS or TRUNCATE_EXISTING
// leaves the file whole, and the opener gets in once the holder closed.
// Natively the holder also sits in another process, which only a lock on the
// file itself reaches.
TEST_F(PlatformFile, SecondOpenerMeetsTheFirstOnesSharing) {
    struct Case { const char *name; DWORD held, access, disposition; bool ok; };
    const Case cases[] = {
        {"read while written", GENERIC_WRITE, GENERIC_READ, OPEN_EXISTING, false},
        {"replace while written", GENERIC_WRITE, GENERIC_WRITE, CREATE_ALWAYS, false},
        {"replace while read", GENERIC_READ, GENERIC_WRITE, CREATE_ALWAYS, false},
        {"truncate while read", GENERIC_READ, GENERIC_WRITE, TRUNCATE_EXISTING, false},
        {"read while read", GENERIC_READ, GENERIC_READ, OPEN_EXISTING, true},
    };
#if defined(_WIN32)
    const bool inChild[] = {false};
#else
    const bool inChild[] = {false, true};
#endif
    auto path = Path(u"shared.dat");
    for (bool child : inChild) {
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << (child ? ", held by a child process" : ""));
            WriteAll(path, "whole");
            const std::function<void()> release = Hold(path, c.held, child);
            SetLastError(0);
            HANDLE h = Open(path, c.access, c.disposition);
            EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.ok);
            EXPECT_EQ(GetLastError(), c.ok ? DWORD{ERROR_SUCCESS} : DWORD{ERROR_SHARING_VIOLATION});
            CloseHandle(h);
            release();
            EXPECT_EQ(ReadAll(path), "whole");
            h = Open(path, c.access, c.disposition);
            EXPECT_NE(h, INVALID_HANDLE_VALUE);
            CloseHandle(h);
        }
    }
}

#if !defined(_WIN32)
TEST_F(PlatformFile, HandleCountFollowsOpenAndClose) {
    long open = dmaplat_OpenHandles();
    auto path = Path(u"count.dat");
    HANDLE a = Open(path, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE b = Open(Path(u"count2.dat"), GENERIC_WRITE, CREATE_ALWAYS);  // `a` holds count.dat alone
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

// The open(2) calls under CreateFileW: an interrupted one is made again, a
// file system without nameless files gets the file created by name, and a
// name taken between two steps is opened on the next round (or refused by
// CREATE_NEW).  Descriptor 0 is free meanwhile, so the file lands on it: a
// daemon without standard input has it free, and 0 is a descriptor like any.
TEST_F(PlatformFile, OpenRetriesAndFallbacks) {
    struct Case {
        const char *name;
        bool exists;
        DWORD access, disposition;
        long nthOpen;  // of the calls to open(2) under this CreateFileW
        int error;
        DWORD lastError;  // 0: the open succeeds
    };
    const Case cases[] = {
        {"interrupted open", true, GENERIC_READ, OPEN_EXISTING, 1, EINTR, 0},
        {"interrupted create", false, GENERIC_WRITE, CREATE_NEW, 1, EINTR, 0},
        {"interrupted create by name", false, GENERIC_WRITE, CREATE_ALWAYS, 2, EINTR, 0},
        {"no nameless files", false, GENERIC_WRITE, CREATE_ALWAYS, 2, EOPNOTSUPP, 0},
        {"no nameless files, new", false, GENERIC_WRITE, CREATE_NEW, 1, EOPNOTSUPP, 0},
        {"name taken meanwhile", false, GENERIC_WRITE, CREATE_ALWAYS, 2, EEXIST, 0},
        {"name taken, new", false, GENERIC_WRITE, CREATE_NEW, 1, EEXIST, ERROR_FILE_EXISTS},
        // A new file is nameless until claimed: one open, none by name.
        {"created in one open", false, GENERIC_WRITE, CREATE_NEW, 2, EACCES, 0},
        {"created for reading in one open", false, GENERIC_READ, CREATE_NEW, 2, EACCES, 0},
    };
    // Also in a folder on a file system other than the root's, where a
    // nameless file made anywhere but in the target's own folder cannot be
    // linked to its name.
    std::vector<fs::path> folders = {dir_};
    std::error_code ec;
    if (fs::is_directory("/dev/shm", ec) && fs::create_directory("/dev/shm" / dir_.filename(), ec))
        folders.push_back("/dev/shm" / dir_.filename());
    const int stdinCopy = ::dup(0);
    ASSERT_GE(stdinCopy, 0);
    for (size_t run = 0; run < folders.size() * std::size(cases); ++run) {
        const fs::path &folder = folders[run / std::size(cases)];
        const Case &c = cases[run % std::size(cases)];
        SCOPED_TRACE(testing::Message() << c.name << " in " << folder);
        auto path = Wide(folder / "retry.dat");
        fs::remove(folder / "retry.dat", ec);
        if (c.exists) WriteAll(path, "kept");
        ::close(0);
        dmaplat_FailOpenAt(c.nthOpen, c.error);
        SetLastError(0xBEEF);
        HANDLE h = Open(path, c.access, c.disposition);
        const DWORD error = GetLastError();
        dmaplat_FailOpenAt(0, 0);
        if (c.lastError) {
            EXPECT_EQ(h, INVALID_HANDLE_VALUE);
            EXPECT_EQ(error, c.lastError);
        } else {
            ASSERT_NE(h, INVALID_HANDLE_VALUE);
            EXPECT_NE(error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));  // nothing was there
            DWORD n = 0;
            char buf[8];
            if (c.access == GENERIC_WRITE) {
                EXPECT_TRUE(WriteFile(h, "new", 3, &n, nullptr));
            } else {
                EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
                EXPECT_EQ(std::string(buf, n), c.exists ? "kept" : "");
            }
            EXPECT_TRUE(CloseHandle(h));
            if (c.access == GENERIC_WRITE) {
                EXPECT_EQ(ReadAll(path), "new");
            }
        }
        // Nothing left open: the one descriptor went with its handle.
        EXPECT_EQ(::fcntl(0, F_GETFD), -1);
        ::dup2(stdinCopy, 0);
    }
    ::close(stdinCopy);
    if (folders.size() > 1) fs::remove_all(folders.back(), ec);
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

// The memory files of the fuzz targets answer as the disk does: a script of
// opens, reads, writes, sizes, closes and armed failures over two names gives
// the same results, counts, bytes, last errors and open-handle counts.
TEST_F(PlatformFile, MemoryFilesAnswerAsDiskFiles) {
    // o: open `text` (a access, b disposition); r: read a bytes; w: write
    // `text`; s: size; c: close; f: fail call kind a at its b-th call.
    struct Step { char op; int slot; DWORD a, b; const char *text; };
    const DWORD R = GENERIC_READ, W = GENERIC_WRITE;
    const Step script[] = {
        {'o', 0, R, OPEN_EXISTING, "a"}, {'o', 0, W, TRUNCATE_EXISTING, "a"}, {'o', 0, W, CREATE_NEW, "a"},
        {'w', 0, 0, 0, "hello world"}, {'r', 0, 4, 0, ""}, {'s', 0, 0, 0, ""},
        {'o', 1, R, OPEN_EXISTING, "a"}, {'o', 1, W, CREATE_NEW, "a"}, {'c', 0, 0, 0, ""}, {'c', 0, 0, 0, ""},
        {'o', 1, R, OPEN_EXISTING, "a"}, {'o', 2, R, OPEN_EXISTING, "a"}, {'r', 1, 5, 0, ""},
        {'r', 1, 100, 0, ""}, {'r', 1, 10, 0, ""}, {'r', 2, 3, 0, ""}, {'w', 1, 0, 0, "x"},
        {'o', 3, W, CREATE_ALWAYS, "a"}, {'c', 1, 0, 0, ""}, {'c', 2, 0, 0, ""},
        {'o', 3, R | W, OPEN_ALWAYS, "a"}, {'r', 3, 5, 0, ""}, {'w', 3, 0, 0, "!!"}, {'s', 3, 0, 0, ""},
        {'c', 3, 0, 0, ""}, {'o', 0, R, OPEN_EXISTING, "a"}, {'r', 0, 64, 0, ""}, {'c', 0, 0, 0, ""},
        {'o', 0, W, CREATE_ALWAYS, "a"}, {'s', 0, 0, 0, ""}, {'c', 0, 0, 0, ""},
        {'o', 0, R, OPEN_ALWAYS, "b"}, {'s', 0, 0, 0, ""}, {'f', 0, DMAPLAT_READ, 1, ""}, {'r', 0, 1, 0, ""},
        {'f', 0, DMAPLAT_SIZE, 1, ""}, {'s', 0, 0, 0, ""}, {'c', 0, 0, 0, ""},
        {'f', 0, DMAPLAT_CREATE, 1, ""}, {'o', 0, R, OPEN_EXISTING, "a"}, {'o', 0, W, TRUNCATE_EXISTING, "b"},
        {'f', 0, DMAPLAT_WRITE, 2, ""}, {'w', 0, 0, 0, "1"}, {'w', 0, 0, 0, "2"}, {'s', 0, 0, 0, ""},
        {'c', 0, 0, 0, ""}, {'o', 0, R, TRUNCATE_EXISTING, "b"},
    };
    auto run = [&](bool memory) {
        dmaplat_UseMemoryFiles(memory);
        std::vector<std::string> log;
        HANDLE slot[4] = {};
        for (const Step &s : script) {
            char data[128] = {};
            DWORD n = 77, high = 77;
            bool ok = true;
            SetLastError(0);
            switch (s.op) {
            case 'o': ok = (slot[s.slot] = Open(Path(dmatest::U16(s.text)), s.a, s.b)) != INVALID_HANDLE_VALUE;
                      break;
            case 'r': ok = ReadFile(slot[s.slot], data, s.a, &n, nullptr); break;
            case 'w': ok = WriteFile(slot[s.slot], s.text, DWORD(std::strlen(s.text)), &n, nullptr); break;
            case 's': n = GetFileSize(slot[s.slot], &high); break;
            case 'c': ok = CloseHandle(slot[s.slot]); break;
            case 'f': dmaplat_FailFileCallAt(int(s.a), long(s.b)); break;
            }
            const auto outcome = std::make_tuple(s.op, ok, n, high, std::string(data), GetLastError());
            log.push_back(testing::PrintToString(outcome) + std::to_string(dmaplat_OpenHandles()));
        }
        return log;
    };
    const std::vector<std::string> disk = run(false);
    EXPECT_EQ(run(true), disk);
}

// A path naming a FIFO, a folder or a device is refused at once, with
// ERROR_ACCESS_DENIED for either access, and the core answers with its
// open-failure codes.  open(2) of a FIFO waits for the other end: a watchdog
// opens that end after a few seconds, so that a regression fails the time
// limit here instead of hanging the run.
TEST_F(PlatformFile, NonRegularFilesAreRefusedAtOnce) {
    const fs::path fifo = dir_ / "fifo", folder = dir_ / "folder";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directories(folder);
    std::atomic<bool> finished{false};
    int otherEnd = -1;
    std::thread watchdog([&] {
        for (int i = 0; i < 500 && !finished; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!finished) otherEnd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);  // both ends: waiting opens return
    });
    dmatest::Records r;
    dpfile::Bytes ndev = dpfile::Ndev(dpfile::Payload(8, 1)), tmb = dpfile::Tmb({}), sp = dpfile::Sp({}),
                  fax = dpfile::Fax(0);
    for (const fs::path &p : {fifo, folder, fs::path("/dev/null")}) {
        SCOPED_TRACE(p.string());
        const auto start = std::chrono::steady_clock::now();
        const std::u16string text = p.u16string();
        for (DWORD access : {GENERIC_READ, GENERIC_WRITE}) {
            SetLastError(0);
            EXPECT_EQ(Open(Wide(p), access, OPEN_EXISTING), INVALID_HANDLE_VALUE);
            EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
        }
        dmatest::WriteU16(r.devMode.data() + dpfile::kDocPropPathAt, text);
        dmatest::WriteU16(r.devMode.data() + dpfile::kFaxFilePathAt, text);
        DocPropBuffers b{ndev.data(), uint32_t(ndev.size()), tmb.data(), uint32_t(tmb.size()),
                         fax.data(),  uint32_t(fax.size()),  sp.data(),  uint32_t(sp.size())};
        EXPECT_EQ(DMA_ExtractDocPropEx(&r.ctx, &b), DMA_E_FILE_OPEN);
        EXPECT_EQ(DMA_ExtractOneTimeEx(&r.ctx, &b), DMA_E_FAXFILE_OPEN);
        EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &b), DMA_E_FILE_OPEN);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    }
    finished = true;
    watchdog.join();
    if (otherEnd >= 0) ::close(otherEnd);
    EXPECT_EQ(dmaplat_OpenHandles(), 0);
}
#endif

}  // namespace
