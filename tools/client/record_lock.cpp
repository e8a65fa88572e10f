// record_lock.cpp - the lock and the journal of a record set (record_lock.h).
#include "record_lock.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <fmt/format.h>

#include "processes.h"
#include "record_files.h"

namespace dmaclient {
namespace {

namespace fs = std::filesystem;

// The process ID a lock file holds, as text; "" when it cannot be read.
std::string HolderOf(const std::string &lockPath) {
#if defined(_WIN32)
    // The holder shares reading (and deleting) but not writing.
    HANDLE h = CreateFileW(PathFromUtf8(lockPath).wstring().c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    char text[32] = {};
    DWORD n = 0;
    ReadFile(h, text, sizeof text - 1, &n, nullptr);
    CloseHandle(h);
    return std::string(text, n);
#else
    std::ifstream in(lockPath);
    std::string pid;
    in >> pid;
    return pid;
#endif
}

constexpr intptr_t kBusy = -1;      // another process holds the lock
constexpr intptr_t kNoLockFile = -2;  // the folder takes no new file: nothing can be written there either

// One attempt at the lock: the open lock file, kBusy, or kNoLockFile.
intptr_t TryLock(const std::string &lockPath) {
    const std::string pid = std::to_string(OwnProcessId()) + "\n";
#if defined(_WIN32)
    HANDLE h = CreateFileW(PathFromUtf8(lockPath).wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION)
            return kBusy;
        return kNoLockFile;
    }
    DWORD n = 0;
    SetEndOfFile(h);
    WriteFile(h, pid.data(), static_cast<DWORD>(pid.size()), &n, nullptr);
    return reinterpret_cast<intptr_t>(h);
#else
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return kNoLockFile;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return kBusy;
    }
    // The holder before us may have removed the file after we opened it:
    // the lock then guards a file no longer at that path.
    struct stat held, named;
    if (::fstat(fd, &held) != 0 || ::stat(lockPath.c_str(), &named) != 0 || held.st_ino != named.st_ino ||
        held.st_dev != named.st_dev) {
        ::close(fd);
        return kBusy;
    }
    if (::ftruncate(fd, 0) != 0 || ::write(fd, pid.data(), pid.size()) < 0) {
        // The process ID is only for messages; the lock holds without it.
    }
    return fd;
#endif
}

}  // namespace

RecordSetLock::RecordSetLock(const std::string &firstFile, double waitSeconds)
    : lockPath_(firstFile + ".lock"), journal_(firstFile + ".journal"), handle_(-1) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<long long>(waitSeconds * 1000));
    while ((handle_ = TryLock(lockPath_)) == kBusy) {
        if (std::chrono::steady_clock::now() >= deadline) {
            const std::string holder = HolderOf(lockPath_);
            throw UserError(fmt::format("{}: the record set is in use by {} (waited {} s; --wait SECONDS waits "
                                        "longer); no file was changed",
                                        lockPath_, holder.empty() ? "another process" : "process " + holder,
                                        waitSeconds));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // A folder where no lock file can be made is one where nothing can be
    // written: reading proceeds, a write fails with the folder's reason.
    if (handle_ == kNoLockFile) journal_.clear();
    else CompleteJournal(journal_);
}

RecordSetLock::~RecordSetLock() {
    if (handle_ == kNoLockFile) return;
#if defined(_WIN32)
    CloseHandle(reinterpret_cast<HANDLE>(handle_));  // deletes the file
#else
    ::unlink(lockPath_.c_str());  // before the lock goes: see TryLock
    ::close(static_cast<int>(handle_));
#endif
}

bool WriteJournal(const std::string &journal, const std::vector<std::pair<std::string, std::string>> &renames) {
    std::string text;
    for (const auto &[from, to] : renames) text += from + "\t" + to + "\n";
    try {
        WriteFileAtomically(journal, std::vector<uint8_t>(text.begin(), text.end()));
    } catch (const UserError &) {
        return false;
    }
    return true;
}

void CompleteJournal(const std::string &journal) {
    std::error_code ec;
    const fs::path path = PathFromUtf8(journal);
    if (!fs::exists(path, ec)) return;
    std::ifstream in(path, std::ios::binary);
    std::string line, why;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        const fs::path from = PathFromUtf8(line.substr(0, tab)), to = PathFromUtf8(line.substr(tab + 1));
        if (fs::exists(from, ec) && !RenameOver(from, to, why))
            throw UserError(fmt::format("{}: cannot complete the interrupted write of {}: {}", journal,
                                        PathToUtf8(to), why));
    }
    in.close();
    fs::remove(path, ec);
}

}  // namespace dmaclient
