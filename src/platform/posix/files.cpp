// files.cpp - CreateFileW, ReadFile, WriteFile, GetFileSize and CloseHandle
// of the posix platform layer, over POSIX file descriptors, with the test
// hooks that make a chosen file call fail and fake the next file size.
//
// A handle is a small heap record holding the descriptor.  Open handles are
// kept in a registry, so that a stray or already closed handle fails with
// ERROR_INVALID_HANDLE without touching freed memory or some other
// descriptor.  Paths arrive as UTF-16 and go to the
// system as UTF-8, unchanged otherwise (no drive letters, no '\' mapping).
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/units.h"
#include "platform/posix/win32_layer.h"

namespace {

struct FileHandle {
    int fd;
};

// The open handles.  The mutex guards only the registry; calls on one
// handle from several threads at once are the caller's business, as on
// Windows.
std::mutex g_handlesMutex;
std::unordered_set<const FileHandle *> g_handles;

std::atomic<long> g_openHandles{0};
// Per kind of call: calls left until the failing one; 0 = switched off.
std::atomic<long> g_failCountdown[DMAPLAT_FILE_CALLS];
std::atomic<bool> g_fakeSizePending{false};
std::atomic<uint64_t> g_fakeSize{0};

// True when this call of `kind` is the one the test asked to fail (one-shot).
bool ThisCallFails(DmaPlatFileCall kind) {
    std::atomic<long> &countdown = g_failCountdown[kind];
    long left = countdown.load();
    while (left > 0) {
        if (countdown.compare_exchange_weak(left, left - 1)) return left == 1;
    }
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

// Enters a new handle; false when the registry cannot grow.
bool Register(const FileHandle *f) {
    try {
        std::lock_guard<std::mutex> lock(g_handlesMutex);
        g_handles.insert(f);
        return true;
    } catch (...) {
        return false;
    }
}

// The Windows error for a failed open/read/write errno.
DWORD ErrorFromErrno(int err, DWORD fallback) {
    switch (err) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case EBADF: return ERROR_ACCESS_DENIED;
    case ENOSPC: return ERROR_DISK_FULL;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return fallback;
    }
}

// The UTF-8 form of a zero-terminated UTF-16 path in a new[] buffer, or null.
char *PathToUtf8(LPCWSTR path) {
    int n = WideCharToMultiByte(CP_UTF8, 0, path, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return nullptr;
    char *p = new (std::nothrow) char[static_cast<size_t>(n)];
    if (p && WideCharToMultiByte(CP_UTF8, 0, path, -1, p, n, nullptr, nullptr) != n) {
        delete[] p;
        p = nullptr;
    }
    return p;
}

// False when the folder part of a path does not exist (Windows then reports
// ERROR_PATH_NOT_FOUND rather than ERROR_FILE_NOT_FOUND).
bool ParentExists(const char *path) {
    const char *slash = std::strrchr(path, '/');
    if (!slash || slash == path) return true;
    std::string parent(path, static_cast<size_t>(slash - path));
    struct stat st;
    return ::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

// Opens or creates the file at `path` with GENERIC_READ and/or GENERIC_WRITE
// access.  CREATE_ALWAYS truncates an existing file (setting
// ERROR_ALREADY_EXISTS, as Windows does on success), CREATE_NEW fails on one,
// OPEN_EXISTING and TRUNCATE_EXISTING fail on a missing file, OPEN_ALWAYS
// creates it.  Sharing, security, flags and template are not modelled.  A
// directory cannot be opened (ERROR_ACCESS_DENIED).  Returns
// INVALID_HANDLE_VALUE with the last error set on failure.
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition,
                   DWORD, HANDLE) {
    if (ThisCallFails(DMAPLAT_CREATE)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (!dmaplat::LoadUnit(dmaplat::UnitBytes(path), 0)) {  // the path may sit at an odd address
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    int oflags = O_CLOEXEC;
    bool reading = access & GENERIC_READ, writing = access & GENERIC_WRITE;
    oflags |= reading && writing ? O_RDWR : writing ? O_WRONLY : O_RDONLY;
    switch (disposition) {
    case CREATE_NEW: oflags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: oflags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: oflags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
        if (!writing) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        oflags |= O_TRUNC;
        break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    char *utf8 = PathToUtf8(path);
    if (!utf8) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    struct stat before;
    bool existed = ::stat(utf8, &before) == 0;
    if (existed && S_ISDIR(before.st_mode)) {
        delete[] utf8;
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    int fd;
    do fd = ::open(utf8, oflags, 0666);
    while (fd < 0 && errno == EINTR);
    int err = errno;
    if (fd < 0 && err == ENOENT && !ParentExists(utf8)) err = ENOTDIR;
    delete[] utf8;
    if (fd < 0) {
        SetLastError(ErrorFromErrno(err, ERROR_ACCESS_DENIED));
        return INVALID_HANDLE_VALUE;
    }
    FileHandle *f = new (std::nothrow) FileHandle{fd};
    if (!f || !Register(f)) {
        delete f;
        ::close(fd);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    g_openHandles.fetch_add(1);
    if (existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS))
        SetLastError(ERROR_ALREADY_EXISTS);
    else
        SetLastError(ERROR_SUCCESS);
    return f;
}

// Reads up to `toRead` bytes from the current position; fewer only at the
// end of the file.  *read receives the count (0 at the end, which is
// success).  Fails with ERROR_ACCESS_DENIED on a handle opened without
// GENERIC_READ.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED) {
    if (read) *read = 0;
    FileHandle *f = Lookup(file);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (ThisCallFails(DMAPLAT_READ)) {
        SetLastError(ERROR_READ_FAULT);
        return FALSE;
    }
    if (!buffer && toRead) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    uint8_t *p = static_cast<uint8_t *>(buffer);
    DWORD done = 0;
    while (done < toRead) {
        ssize_t n = ::read(f->fd, p + done, toRead - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            SetLastError(ErrorFromErrno(errno, ERROR_READ_FAULT));
            if (read) *read = done;
            return FALSE;
        }
        if (n == 0) break;
        done += static_cast<DWORD>(n);
    }
    if (read) *read = done;
    return TRUE;
}

// Writes all `toWrite` bytes at the current position; *written receives the
// count.  A full disk fails with ERROR_DISK_FULL, a handle without
// GENERIC_WRITE with ERROR_ACCESS_DENIED.
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED) {
    if (written) *written = 0;
    FileHandle *f = Lookup(file);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (ThisCallFails(DMAPLAT_WRITE)) {
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    if (!buffer && toWrite) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const uint8_t *p = static_cast<const uint8_t *>(buffer);
    DWORD done = 0;
    while (done < toWrite) {
        ssize_t n = ::write(f->fd, p + done, toWrite - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            SetLastError(n == 0 ? ERROR_DISK_FULL : ErrorFromErrno(errno, ERROR_WRITE_FAULT));
            if (written) *written = done;
            return FALSE;
        }
        done += static_cast<DWORD>(n);
    }
    if (written) *written = done;
    return TRUE;
}

// The file's size: low 32 bits returned, high 32 bits in *sizeHigh when
// given (dropped otherwise, as on Windows).  Failure returns
// INVALID_FILE_SIZE with the last error set; a real size whose low part is
// INVALID_FILE_SIZE sets the last error to 0 so that callers can tell.
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
    FileHandle *f = Lookup(file);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    if (ThisCallFails(DMAPLAT_SIZE)) {
        SetLastError(ERROR_READ_FAULT);
        return INVALID_FILE_SIZE;
    }
    uint64_t size;
    if (g_fakeSizePending.exchange(false)) {
        size = g_fakeSize.load();
    } else {
        struct stat st;
        if (::fstat(f->fd, &st) != 0) {
            SetLastError(ErrorFromErrno(errno, ERROR_READ_FAULT));
            return INVALID_FILE_SIZE;
        }
        size = static_cast<uint64_t>(st.st_size);
    }
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
    DWORD low = static_cast<DWORD>(size);
    if (low == INVALID_FILE_SIZE) SetLastError(ERROR_SUCCESS);
    return low;
}

// Closes a file handle of CreateFileW.  INVALID_HANDLE_VALUE is, as on
// Windows, the pseudo-handle of the current process: closing it succeeds and
// does nothing.  Anything else (null, a handle already closed) fails with
// ERROR_INVALID_HANDLE.
BOOL CloseHandle(HANDLE object) {
    if (object == INVALID_HANDLE_VALUE) return TRUE;
    FileHandle *f = Lookup(object, true);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    int rc = ::close(f->fd);
    delete f;
    g_openHandles.fetch_sub(1);
    (void)rc;  // the descriptor is released either way, as on Windows
    return TRUE;
}

void dmaplat_FailFileCallAt(int call, long n) {
    if (call < 0 || call >= DMAPLAT_FILE_CALLS) return;
    g_failCountdown[call].store(n > 0 ? n : 0);
}

long dmaplat_OpenHandles(void) { return g_openHandles.load(); }

void dmaplat_FakeNextFileSize(uint64_t size) {
    g_fakeSize.store(size);
    g_fakeSizePending.store(true);
}
