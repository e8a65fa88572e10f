// files.cpp - CreateFileW, ReadFile, WriteFile, GetFileSize and CloseHandle
// of the posix platform layer, over POSIX files or (a test hook) files kept
// in memory, with the hooks that fail a chosen call and fake the next size.
// Handles are heap records kept in a registry, so that a stray or closed
// handle fails with ERROR_INVALID_HANDLE.  Paths go to the system as UTF-8.
//
// Sharing: the core relies on Windows refusing a second opener (a reader must
// not see a file half written, two writers must not interleave).  Its two
// modes, GENERIC_WRITE sharing nothing and GENERIC_READ sharing reading, get
// Windows' answers from two claims: a handle with write access holds the file
// alone, any other shares it with readers (share modes are not read beyond
// that).  A refused open fails with ERROR_SHARING_VIOLATION, the file
// untouched.  On disk a claim is an open-file-description lock on the whole
// file, taken without waiting: it belongs to the handle's descriptor, so it
// parts threads and processes alike, and dies with the descriptor.  (It is
// advisory: programs that do not lock are not held back.)  A file that an
// open creates appears already claimed: made nameless in its folder, locked,
// then linked to its name, which fails if the name was taken meanwhile.
// Without nameless files it is created by name and locked at once; an opener
// coming between keeps it and this open fails.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/units.h"
#include "platform/posix/win32_layer.h"

namespace {

// A memory file: its bytes and the claims on it (-1: one handle holds it
// alone; n >= 0: n handles share it), guarded by g_memoryMutex.
struct MemoryFile {
    std::vector<uint8_t> bytes;
    long claims = 0;
};

struct FileHandle {
    explicit FileHandle(DWORD granted) : access(granted) {}
    DWORD access;
    int fd = -1;                         // a disk file
    std::shared_ptr<MemoryFile> memory;  // or a memory file
    uint64_t position = 0;               // in the memory file
};

// The open handles.  The mutex guards only the registry; calls on one handle
// from several threads at once are the caller's business, as on Windows.
std::mutex g_handlesMutex;
std::unordered_set<const FileHandle *> g_handles;

std::atomic<bool> g_useMemory{false};
std::mutex g_memoryMutex;
std::unordered_map<std::string, std::shared_ptr<MemoryFile>> g_memoryFiles;

std::atomic<long> g_openHandles{0};
// Per kind of call: calls left until the failing one; 0 = switched off.
std::atomic<long> g_failCountdown[DMAPLAT_FILE_CALLS];
// open(2) calls left until the one that fails with g_openErrno; 0 = off.
std::atomic<long> g_openFailCountdown{0};
std::atomic<int> g_openErrno{0};
std::atomic<bool> g_fakeSizePending{false};
std::atomic<uint64_t> g_fakeSize{0};

// True when this call is the one a test asked to fail (one-shot).
bool ThisCallFails(std::atomic<long> &countdown) {
    long left = countdown.load();
    while (left > 0)
        if (countdown.compare_exchange_weak(left, left - 1)) return left == 1;
    return false;
}

// The open file behind `h`, or null when `h` is not an open handle.  With
// `remove`, the handle also leaves the registry (CloseHandle).
FileHandle *Lookup(HANDLE h, bool remove = false) {
    FileHandle *f = static_cast<FileHandle *>(h);
    std::lock_guard<std::mutex> lock(g_handlesMutex);
    auto it = g_handles.find(f);
    if (it == g_handles.end()) return nullptr;
    if (remove) g_handles.erase(it);
    return f;
}

// A new handle, already in the registry, or null when memory runs out.  It
// is entered before the file is opened so that nothing can fail once it is.
FileHandle *NewHandle(DWORD access) {
    std::unique_ptr<FileHandle> f(new (std::nothrow) FileHandle(access));
    try {
        std::lock_guard<std::mutex> lock(g_handlesMutex);
        if (f) g_handles.insert(f.get());
    } catch (...) {
        return nullptr;
    }
    return f.release();
}

// The Windows error for a failed open/read/write errno.
DWORD ErrorFromErrno(int err, DWORD fallback) {
    switch (err) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EACCES: case EPERM: case EISDIR: case EROFS: case EBADF:
    case ENXIO: case ENODEV: return ERROR_ACCESS_DENIED;  // ENXIO: a FIFO without reader
    case ENOSPC: return ERROR_DISK_FULL;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return fallback;
    }
}

// The UTF-8 form of a zero-terminated UTF-16 path in a new[] buffer, or null.
char *PathToUtf8(LPCWSTR path) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, path, -1, nullptr, 0, nullptr, nullptr);
    std::unique_ptr<char[]> p(n > 0 ? new (std::nothrow) char[static_cast<size_t>(n)] : nullptr);
    if (p && WideCharToMultiByte(CP_UTF8, 0, path, -1, p.get(), n, nullptr, nullptr) != n) p.reset();
    return p.release();
}

// The error of a failed open of `path`.  A missing folder part gives
// ERROR_PATH_NOT_FOUND rather than ERROR_FILE_NOT_FOUND, as on Windows.
DWORD OpenError(int err, const char *path) {
    const char *slash = std::strrchr(path, '/');
    if (err == ENOENT && slash && slash != path) {
        struct stat st;
        const std::string parent(path, static_cast<size_t>(slash - path));
        if (::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) err = ENOTDIR;
    }
    return ErrorFromErrno(err, ERROR_ACCESS_DENIED);
}

// open(2) that never waits (a FIFO would wait for its other end) and never
// makes a terminal ours; CreateFileW refuses what is not a regular file.
int OpenNow(const char *path, int flags) {
    int fd;
    do {
        if (ThisCallFails(g_openFailCountdown)) {
            fd = -1;
            errno = g_openErrno.load();
        } else {
            fd = ::open(path, flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
        }
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Takes a handle's claim on its descriptor without waiting: an exclusive
// lock for a handle that holds the file alone, a shared one otherwise.
DWORD Claim(int fd, bool alone) {
    struct flock lock = {};
    lock.l_type = alone ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;  // start 0, length 0: the whole file, however long
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) return ERROR_SUCCESS;
    return errno == EAGAIN || errno == EACCES ? ERROR_SHARING_VIOLATION
                                              : ErrorFromErrno(errno, ERROR_ACCESS_DENIED);
}

// Creates the file at `path` nameless in its folder, claims it and links it
// to its name.  The descriptor, or -1 with errno EEXIST when the name is
// taken, another errno when this file system cannot do it.
int CreateClaimed(const char *path, int mode, bool alone) {
    const char *slash = std::strrchr(path, '/');
    const std::string folder =
        !slash ? "." : slash == path ? "/" : std::string(path, static_cast<size_t>(slash - path));
    const int fd = OpenNow(folder.c_str(), O_TMPFILE | (mode == O_RDONLY ? O_RDWR : mode));
    if (fd < 0) return -1;
    char self[40];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    if (Claim(fd, alone) != ERROR_SUCCESS ||
        ::linkat(AT_FDCWD, self, AT_FDCWD, path, AT_SYMLINK_FOLLOW) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

// Opens `path` on disk for `f` as `disposition` says, claimed, a regular
// file.  ERROR_SUCCESS with f->fd set and *existed telling whether the file
// was there, or the error, the file untouched.
DWORD OpenDisk(FileHandle *f, const char *path, DWORD disposition, bool *existed) {
    const bool reading = f->access & GENERIC_READ, alone = f->access & GENERIC_WRITE;
    const int mode = reading && alone ? O_RDWR : alone ? O_WRONLY : O_RDONLY;
    const bool mayCreate = disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING;
    int fd = -1;
    *existed = true;
    for (int round = 0; fd < 0 && round < 5; ++round) {
        if (disposition != CREATE_NEW) {
            if ((fd = OpenNow(path, mode)) >= 0) break;
            if (errno != ENOENT || !mayCreate) return OpenError(errno, path);
        }
        if ((fd = CreateClaimed(path, mode, alone)) >= 0) {
            *existed = false;
            f->fd = fd;
            return ERROR_SUCCESS;
        }
        // No nameless files here: create by name.
        if (errno != EEXIST && (fd = OpenNow(path, mode | O_CREAT | O_EXCL)) >= 0) *existed = false;
        // A name taken meanwhile is opened on the next round.
        if (fd < 0 && (errno != EEXIST || disposition == CREATE_NEW)) return OpenError(errno, path);
    }
    // Still nothing: the name is a link to a missing file (or keeps coming
    // and going); create through it, as open(2) does.
    if (fd < 0 && (fd = OpenNow(path, mode | O_CREAT)) < 0) return OpenError(errno, path);
    struct stat st;
    DWORD error = ::fstat(fd, &st) != 0   ? ErrorFromErrno(errno, ERROR_ACCESS_DENIED)
                  : !S_ISREG(st.st_mode) ? ERROR_ACCESS_DENIED  // a folder, FIFO, device
                                         : Claim(fd, alone);
    // Truncated only once claimed: a file that another handle holds stays whole.
    const bool truncate = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if (error == ERROR_SUCCESS && *existed && truncate && ::ftruncate(fd, 0) != 0)
        error = ErrorFromErrno(errno, ERROR_ACCESS_DENIED);
    if (error != ERROR_SUCCESS) {
        ::close(fd);
        return error;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    f->fd = fd;
    return ERROR_SUCCESS;
}

// The same over the memory files.
DWORD OpenMemory(FileHandle *f, const char *path, DWORD disposition, bool *existed) {
    const bool alone = f->access & GENERIC_WRITE;
    try {
        std::lock_guard<std::mutex> lock(g_memoryMutex);
        auto it = g_memoryFiles.find(path);
        *existed = it != g_memoryFiles.end();
        if (*existed && disposition == CREATE_NEW) return ERROR_FILE_EXISTS;
        if (!*existed && (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING))
            return ERROR_FILE_NOT_FOUND;
        if (!*existed) it = g_memoryFiles.emplace(path, std::make_shared<MemoryFile>()).first;
        MemoryFile &m = *it->second;
        if (m.claims < 0 || (alone && m.claims > 0)) return ERROR_SHARING_VIOLATION;
        m.claims = alone ? -1 : m.claims + 1;
        if (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) m.bytes.clear();
        f->memory = it->second;
        return ERROR_SUCCESS;
    } catch (...) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

// Moves up to `n` bytes at the handle's position between the file and `p`,
// which a write only reads; the count in *done.  A read stops at the end of
// the file; a write moves all or fails.  0 or the Windows error.
DWORD Transfer(FileHandle *f, void *p, DWORD n, bool write, DWORD *done) {
    uint8_t *bytes = static_cast<uint8_t *>(p);
    if (f->memory) {
        std::lock_guard<std::mutex> lock(g_memoryMutex);
        std::vector<uint8_t> &file = f->memory->bytes;
        const uint64_t at = f->position;
        try {
            if (write && at + n > file.size()) file.resize(at + n);
        } catch (...) {
            return ERROR_DISK_FULL;  // the memory that holds the files is full
        }
        if (at < file.size()) *done = static_cast<DWORD>(std::min<uint64_t>(n, file.size() - at));
        if (*done) std::memcpy(write ? &file[at] : bytes, write ? bytes : &file[at], *done);
        f->position += *done;
        return ERROR_SUCCESS;
    }
    while (*done < n) {
        const ssize_t got = write ? ::write(f->fd, bytes + *done, n - *done)
                                  : ::read(f->fd, bytes + *done, n - *done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return ErrorFromErrno(errno, write ? ERROR_WRITE_FAULT : ERROR_READ_FAULT);
        if (got == 0) return write ? ERROR_DISK_FULL : ERROR_SUCCESS;
        *done += static_cast<DWORD>(got);
    }
    return ERROR_SUCCESS;
}

}  // namespace

// Opens or creates the file at `path` with GENERIC_READ and/or GENERIC_WRITE
// access.  CREATE_ALWAYS truncates an existing file (setting
// ERROR_ALREADY_EXISTS, as Windows does on success), CREATE_NEW fails on one,
// OPEN_EXISTING and TRUNCATE_EXISTING fail on a missing file, OPEN_ALWAYS
// creates it.  A file another handle holds is refused (see the top); anything
// but a regular file (folder, FIFO, device) is refused without waiting, with
// ERROR_ACCESS_DENIED as Windows refuses a folder.  Security, flags and
// template are not modelled.  INVALID_HANDLE_VALUE and the last error on
// failure.
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition,
                   DWORD, HANDLE) {
    DWORD error = ERROR_SUCCESS;
    if (ThisCallFails(g_failCountdown[DMAPLAT_CREATE]))
        error = ERROR_ACCESS_DENIED;
    else if (!path)
        error = ERROR_INVALID_PARAMETER;
    else if (!dmaplat::LoadUnit(dmaplat::UnitBytes(path), 0))  // the path may sit at an odd address
        error = ERROR_PATH_NOT_FOUND;
    else if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING ||
             (disposition == TRUNCATE_EXISTING && !(access & GENERIC_WRITE)))
        error = ERROR_INVALID_PARAMETER;
    char *utf8 = error == ERROR_SUCCESS ? PathToUtf8(path) : nullptr;
    FileHandle *f = utf8 ? NewHandle(access) : nullptr;
    if (error == ERROR_SUCCESS && !f) error = ERROR_NOT_ENOUGH_MEMORY;
    bool existed = false;
    if (error == ERROR_SUCCESS)
        error = g_useMemory.load() ? OpenMemory(f, utf8, disposition, &existed)
                                   : OpenDisk(f, utf8, disposition, &existed);
    delete[] utf8;
    if (error != ERROR_SUCCESS) {
        if (f) delete Lookup(f, true);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    g_openHandles.fetch_add(1);
    SetLastError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
    return f;
}

// Reads up to `toRead` bytes from the current position; fewer only at the
// end of the file.  *read receives the count (0 at the end, which is
// success).  Fails with ERROR_ACCESS_DENIED on a handle opened without
// GENERIC_READ.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED) {
    if (read) *read = 0;
    FileHandle *f = Lookup(file);
    DWORD done = 0;
    const DWORD error = !f                           ? ERROR_INVALID_HANDLE
                        : ThisCallFails(g_failCountdown[DMAPLAT_READ]) ? ERROR_READ_FAULT
                        : !buffer && toRead          ? ERROR_INVALID_PARAMETER
                        : !(f->access & GENERIC_READ) ? ERROR_ACCESS_DENIED
                                                      : Transfer(f, buffer, toRead, false, &done);
    if (read) *read = done;
    if (error != ERROR_SUCCESS) SetLastError(error);
    return error == ERROR_SUCCESS;
}

// Writes all `toWrite` bytes at the current position; *written receives the
// count.  A full disk fails with ERROR_DISK_FULL, a handle without
// GENERIC_WRITE with ERROR_ACCESS_DENIED.
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED) {
    if (written) *written = 0;
    FileHandle *f = Lookup(file);
    DWORD done = 0;
    void *from = const_cast<void *>(buffer);  // Transfer only reads it for a write
    const DWORD error = !f                            ? ERROR_INVALID_HANDLE
                        : ThisCallFails(g_failCountdown[DMAPLAT_WRITE]) ? ERROR_WRITE_FAULT
                        : !buffer && toWrite          ? ERROR_INVALID_PARAMETER
                        : !(f->access & GENERIC_WRITE) ? ERROR_ACCESS_DENIED
                                                       : Transfer(f, from, toWrite, true, &done);
    if (written) *written = done;
    if (error != ERROR_SUCCESS) SetLastError(error);
    return error == ERROR_SUCCESS;
}

// The file's size: low 32 bits returned, high 32 bits in *sizeHigh when
// given (dropped otherwise, as on Windows).  Failure returns
// INVALID_FILE_SIZE with the last error set; a real size whose low part is
// INVALID_FILE_SIZE sets the last error to 0 so that callers can tell.
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
    FileHandle *f = Lookup(file);
    DWORD error = !f ? ERROR_INVALID_HANDLE : ThisCallFails(g_failCountdown[DMAPLAT_SIZE]) ? ERROR_READ_FAULT : ERROR_SUCCESS;
    uint64_t size = 0;
    struct stat st;
    if (error == ERROR_SUCCESS && g_fakeSizePending.exchange(false)) {
        size = g_fakeSize.load();
    } else if (error == ERROR_SUCCESS && f->memory) {
        std::lock_guard<std::mutex> lock(g_memoryMutex);
        size = f->memory->bytes.size();
    } else if (error == ERROR_SUCCESS) {
        if (::fstat(f->fd, &st) == 0) size = static_cast<uint64_t>(st.st_size);
        else error = ErrorFromErrno(errno, ERROR_READ_FAULT);
    }
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return INVALID_FILE_SIZE;
    }
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
    DWORD low = static_cast<DWORD>(size);
    if (low == INVALID_FILE_SIZE) SetLastError(ERROR_SUCCESS);
    return low;
}

// Closes a file handle of CreateFileW, giving up its claim on the file.
// INVALID_HANDLE_VALUE is, as on Windows, the pseudo-handle of the current
// process: closing it succeeds and does nothing.  Anything else (null, a
// handle already closed) fails with ERROR_INVALID_HANDLE.
BOOL CloseHandle(HANDLE object) {
    if (object == INVALID_HANDLE_VALUE) return TRUE;
    FileHandle *f = Lookup(object, true);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (f->memory) {
        std::lock_guard<std::mutex> lock(g_memoryMutex);
        f->memory->claims = f->access & GENERIC_WRITE ? 0 : f->memory->claims - 1;
    } else {
        ::close(f->fd);  // the descriptor and its lock go either way, as on Windows
    }
    delete f;
    g_openHandles.fetch_sub(1);
    return TRUE;
}

void dmaplat_FailFileCallAt(int call, long n) {
    if (call < 0 || call >= DMAPLAT_FILE_CALLS) return;
    g_failCountdown[call].store(n > 0 ? n : 0);
}

void dmaplat_FailOpenAt(long n, int error) {
    g_openErrno.store(error);
    g_openFailCountdown.store(n > 0 ? n : 0);
}

long dmaplat_OpenHandles(void) { return g_openHandles.load(); }

void dmaplat_FakeNextFileSize(uint64_t size) {
    g_fakeSize.store(size);
    g_fakeSizePending.store(true);
}

void dmaplat_UseMemoryFiles(int on) {
    std::lock_guard<std::mutex> lock(g_memoryMutex);
    g_memoryFiles.clear();
    g_useMemory.store(on != 0);
}
