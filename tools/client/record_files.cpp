// record_files.cpp - record files: loading with size checks, atomic writes
// (of several files together when a command changes more than one), and the
// record set that a command works on.
#include "record_files.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <fmt/format.h>

#include "default_records.h"
#include "processes.h"
#include "record_lock.h"

namespace dmaclient {
namespace fs = std::filesystem;

std::filesystem::path PathFromUtf8(const std::string &text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string PathToUtf8(const std::filesystem::path &path) {
    const std::u8string u = path.u8string();
    return std::string(u.begin(), u.end());
}

namespace {

// The permission bits and owner a replacement takes from the file it
// replaces (mode -1: a new file, 0644 less the umask).
struct FileOwnership {
    int mode = -1;
    long uid = -1, gid = -1;
};

// Creates `file` (which must not exist yet), writes all bytes and flushes them
// to the disk.  On posix the file gets `keep`'s mode and owner.  Sets errno
// and returns false on failure (EPERM: the owner cannot be kept).
bool WriteNewFile(const fs::path &file, const std::vector<uint8_t> &bytes, const FileOwnership &keep) {
#if defined(_WIN32)
    (void)keep;
    int fd = _wopen(file.wstring().c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    int fd = ::open(file.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
#endif
    if (fd < 0) return false;
    const auto fail = [&] {
        const int saved = errno;
        std::error_code ignored;
        fs::remove(file, ignored);
        errno = saved;
        return false;
    };
#if !defined(_WIN32)
    // The owner first (a change of owner may clear the set-ID bits), then
    // the mode: fchmod, unlike open, is not narrowed by the umask.  Only root
    // may give a file away; anyone may pick a group of their own.
    struct stat made;
    const bool ownerDiffers = keep.uid >= 0 && ::fstat(fd, &made) == 0 &&
                              (made.st_uid != static_cast<uid_t>(keep.uid) || made.st_gid != static_cast<gid_t>(keep.gid));
    if ((ownerDiffers && ::fchown(fd, static_cast<uid_t>(keep.uid), static_cast<gid_t>(keep.gid)) != 0) ||
        (keep.mode >= 0 && ::fchmod(fd, static_cast<mode_t>(keep.mode)) != 0)) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return fail();
    }
#endif
    return WriteAllAndClose(fd, bytes) ? true : fail();
}

// ".NAME." for the temporary files that replace the file NAME.
std::string TempPrefix(const fs::path &target) { return "." + PathToUtf8(target.filename()) + "."; }

// The end of a message about a write that did not happen.
std::string Unchanged(size_t files) {
    return files == 1 ? "the file was left unchanged" : "no file was changed";
}

// Follows symbolic links from `p` to the file they finally name, which need
// not exist yet.  A relative link is relative to the directory of the link.
fs::path FollowLinks(const fs::path &p, const std::string &path, size_t files) {
    fs::path file = p;
    std::error_code ec;
    for (int depth = 0; fs::is_symlink(file, ec); ++depth) {
        if (depth == 40)
            throw UserError(fmt::format("{}: too many levels of symbolic links; {}", path, Unchanged(files)));
        const fs::path link = fs::read_symlink(file, ec);
        if (ec)
            throw UserError(fmt::format("{}: cannot read the symbolic link: {}; {}", path, ec.message(),
                                        Unchanged(files)));
        file = link.is_absolute() ? link : file.parent_path() / link;
    }
    return file;
}

// True when the user may not write to the existing file: on posix no write
// permission (for root, whom the system lets write anyway, no write bit at
// all), on Windows the read-only attribute.
bool ReadOnly(const fs::path &file) {
#if defined(_WIN32)
    const DWORD attributes = GetFileAttributesW(file.wstring().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
#else
    struct stat st;
    if (::stat(file.c_str(), &st) != 0) return false;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
    return ::access(file.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS);
#endif
}

// The permission bits and owner of an existing file; all -1 for none.
FileOwnership OwnershipOf(const fs::path &file) {
    FileOwnership o;
#if defined(_WIN32)
    (void)file;
#else
    struct stat st;
    if (::stat(file.c_str(), &st) != 0) return o;
    o.mode = static_cast<int>(st.st_mode & 07777);
    o.uid = static_cast<long>(st.st_uid);
    o.gid = static_cast<long>(st.st_gid);
#endif
    return o;
}

}  // namespace

// Renames `from` over `to`, replacing `to` in one step.  On failure `why`
// says what the system reported.
//
// On Windows a file that another process holds open for a moment (a virus
// scanner, a search indexer, under Wine the server still closing the handles
// of a process that has just ended) cannot be replaced; the rename is tried
// again for up to about a second before the command gives up.
bool RenameOver(const fs::path &from, const fs::path &to, std::string &why) {
#if defined(_WIN32)
    DWORD error = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (MoveFileExW(from.wstring().c_str(), to.wstring().c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION)
            break;
        Sleep(50);
    }
    why = fmt::format("Windows error {}", static_cast<unsigned long>(error));
    return false;
#else
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    why = std::strerror(errno);
    return false;
#endif
}

bool WriteAllAndClose(int fd, const std::vector<uint8_t> &bytes) {
    size_t done = 0;
    int error = 0;
    while (!error && done < bytes.size()) {
        const size_t chunk = std::min<size_t>(bytes.size() - done, 1u << 20);
#if defined(_WIN32)
        const int n = _write(fd, bytes.data() + done, static_cast<unsigned>(chunk));
#else
        const ssize_t n = ::write(fd, bytes.data() + done, chunk);
        if (n < 0 && errno == EINTR) continue;
#endif
        if (n <= 0) error = n < 0 ? errno : EIO;
        else done += static_cast<size_t>(n);
    }
#if defined(_WIN32)
    if (!error && _commit(fd) != 0) error = errno;
    if (_close(fd) != 0 && !error) error = errno;
#else
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
#endif
    if (error) errno = error;
    return error == 0;
}

const char *RecordKindName(RecordKind kind) {
    switch (kind) {
    case RecordKind::DevMode: return "DEVMODEW record";
    case RecordKind::Secondary: return "secondary settings record";
    case RecordKind::FaxBlock: return "fax-address block";
    }
    return "record";
}

size_t MinimumSize(RecordKind kind) {
    switch (kind) {
    case RecordKind::DevMode: return DMA_DEVMODE_MIN_SIZE;
    case RecordKind::Secondary: return DMA_SECONDARY_MIN_SIZE;
    case RecordKind::FaxBlock: return DMA_FAX_HEADER_SIZE;
    }
    return 0;
}

bool FileExists(const std::string &path) {
    std::error_code ec;
    return fs::is_regular_file(PathFromUtf8(path), ec);
}

std::vector<uint8_t> ReadFileBytes(const std::string &path) {
    if (path == "-") {
        static bool taken = false;
        if (taken) throw UserError("-: standard input can be read only once in a run");
        taken = true;
#if defined(_WIN32)
        _setmode(_fileno(stdin), _O_BINARY);
#endif
        std::vector<uint8_t> bytes;
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
        if (std::ferror(stdin)) throw UserError("-: cannot read standard input");
        return bytes;
    }
    const fs::path p = PathFromUtf8(path);
#if defined(_WIN32)
    std::error_code ec;
    const fs::file_status st = fs::status(p, ec);
    if (!fs::exists(st)) throw UserError(fmt::format("{}: no such file", path));
    if (fs::is_directory(st)) throw UserError(fmt::format("{}: is a directory, not a file", path));
    if (!fs::is_regular_file(st)) throw UserError(fmt::format("{}: is not a regular file", path));
    std::ifstream in(p, std::ios::binary | std::ios::ate);
    if (!in) throw UserError(fmt::format("{}: cannot open the file for reading", path));
    // The size, then one read into a buffer of that size: no growing buffer
    // and no byte-by-byte copy (a block of 10,000 destinations is 8 MB).
    const std::streamoff size = in.tellg();
    if (size < 0) throw UserError(fmt::format("{}: the file's size cannot be taken", path));
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.seekg(0);
    if (!bytes.empty() && !in.read(reinterpret_cast<char *>(bytes.data()), size))
        throw UserError(fmt::format("{}: read error (the file shrank while it was read?)", path));
    return bytes;
#else
    // Opened without blocking, so that a FIFO or a device named as a file is
    // refused at once instead of waiting for a writer; only a regular file
    // is read, in one read of its size.
    const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) throw UserError(fmt::format("{}: no such file", path));
        if (errno == ELOOP) throw UserError(fmt::format("{}: a loop of symbolic links", path));
        throw UserError(fmt::format("{}: cannot open the file for reading: {}", path, std::strerror(errno)));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0)
        throw UserError(fmt::format("{}: the file's size cannot be taken: {}", path, std::strerror(errno)));
    if (S_ISDIR(st.st_mode)) throw UserError(fmt::format("{}: is a directory, not a file", path));
    if (!S_ISREG(st.st_mode))
        throw UserError(fmt::format("{}: is not a regular file (a {}); record files are regular files", path,
                                    S_ISFIFO(st.st_mode) ? "FIFO" : S_ISSOCK(st.st_mode) ? "socket" : "device"));
    std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw UserError(fmt::format("{}: read error: {}", path, std::strerror(errno)));
        if (n == 0) throw UserError(fmt::format("{}: read error (the file shrank while it was read)", path));
        done += static_cast<size_t>(n);
    }
    return bytes;
#endif
}

Record LoadRecord(RecordKind kind, const std::string &path) {
    Record r{kind, ReadFileBytes(path), path};
    if (kind == RecordKind::FaxBlock) {
        CheckFaxBlockSize(r.bytes, path);
    } else if (r.bytes.size() < MinimumSize(kind)) {
        throw UserError(fmt::format("{}: a {} needs at least {} bytes, the file has {}", path,
                                    RecordKindName(kind), MinimumSize(kind), r.bytes.size()),
                        path, "");
    } else if (kind == RecordKind::DevMode) {
        const std::string fault = CheckDevModeHeader(r.bytes.data(), r.bytes.size());
        if (!fault.empty())
            throw UserError(fmt::format("{}: not a DEVMODEW record as this driver writes it: {} "
                                        "(dmactl validate tells more)",
                                        path, fault),
                            path, "DEVMODEW header");
    }
    return r;
}

void WriteFilesTogether(const std::vector<FileWrite> &files, const std::string &journal) {
    struct Target {
        const FileWrite *write;
        fs::path file;  // the file replaced: the named path with its links followed
        bool exists;
        fs::path temp;
    };
    const size_t n = files.size();
    std::vector<Target> targets;
    std::error_code ec;

    // Every target is checked before anything is written.
    for (const FileWrite &f : files)
        if (f.path == "-")
            throw UserError("-: a record read from standard input cannot be written back; name a file; "
                            "no file was changed");
    for (const FileWrite &f : files) {
        Target t{&f, FollowLinks(PathFromUtf8(f.path), f.path, n), false, {}};
        const fs::file_status st = fs::status(t.file, ec);
        t.exists = fs::exists(st);
        const std::string others = n == 1 ? "" : "; no file was changed";
        if (fs::is_directory(st))
            throw UserError(fmt::format("{}: is a directory, not a file{}", f.path, others));
        if (t.exists && !fs::is_regular_file(st))
            throw UserError(fmt::format("{}: is not a regular file{}", f.path, others));
        if (t.exists && ReadOnly(t.file))
            throw UserError(fmt::format("{}: the file is read-only (no write permission); {}", f.path,
                                        Unchanged(n)));
        for (const Target &other : targets) {
            const bool same = t.exists && other.exists
                                  ? fs::equivalent(t.file, other.file, ec)
                                  : fs::absolute(t.file, ec).lexically_normal() ==
                                        fs::absolute(other.file, ec).lexically_normal();
            if (same && other.write->path == f.path)
                throw UserError(fmt::format("{}: named for two records, which cannot both be written to one "
                                            "file; {}", f.path, Unchanged(n)));
            if (same)
                throw UserError(fmt::format("{} and {} are the same file, and two records cannot both be "
                                            "written to one file; {}", other.write->path, f.path, Unchanged(n)));
        }
        targets.push_back(t);
    }

    const auto removeTemps = [&](size_t from) {
        std::error_code ignored;
        for (size_t i = from; i < targets.size(); ++i)
            if (!targets[i].temp.empty()) fs::remove(targets[i].temp, ignored);
    };

    // Every temporary file is complete before the first target is replaced.
    // Temporary files are named after the target and the process; those a
    // killed run left beside the target go first.
    std::random_device rd;
    for (Target &t : targets) {
        fs::path dir = t.file.parent_path();
        if (dir.empty()) dir = ".";
        RemoveFilesOfEndedRuns(dir, TempPrefix(t.file));
        const fs::path temp =
            dir / PathFromUtf8(fmt::format("{}{}-{:08x}.tmp", TempPrefix(t.file), OwnProcessId(), rd()));
        if (!WriteNewFile(temp, t.write->bytes, t.exists ? OwnershipOf(t.file) : FileOwnership{})) {
            const int error = errno;
            removeTemps(0);
            if (error == EPERM)
                throw UserError(fmt::format("{}: the file belongs to another user, and its replacement could not "
                                            "keep that owner; {}",
                                            t.write->path, Unchanged(n)));
            throw UserError(fmt::format("{}: cannot write a temporary file in {}: {}; {}", t.write->path,
                                        PathToUtf8(dir), std::strerror(error), Unchanged(n)));
        }
        t.temp = temp;
    }

    // Several files: the journal lets the next holder of the set's lock
    // complete the renames if this run ends between them.
    const bool journaled = n > 1 && !journal.empty();
    if (journaled) {
        std::vector<std::pair<std::string, std::string>> renames;
        for (const Target &t : targets) renames.emplace_back(PathToUtf8(t.temp), PathToUtf8(t.file));
        if (!WriteJournal(journal, renames)) {
            removeTemps(0);
            throw UserError(fmt::format("{}: cannot write the journal of this change; {}", journal, Unchanged(n)));
        }
    }
    const auto dropJournal = [&] {
        std::error_code ignored;
        if (journaled) fs::remove(PathFromUtf8(journal), ignored);
    };

    for (size_t i = 0; i < n; ++i) {
        std::string why;
        if (RenameOver(targets[i].temp, targets[i].file, why)) {
            targets[i].temp.clear();
            continue;
        }
        removeTemps(i);
        dropJournal();
        if (i == 0)
            throw UserError(fmt::format("{}: cannot replace the file: {}; {}", files[i].path, why, Unchanged(n)));
        std::string replaced, kept;
        for (size_t j = 0; j < n; ++j) {
            std::string &list = j < i ? replaced : kept;
            list += (list.empty() ? "" : ", ") + files[j].path;
        }
        throw UserError(fmt::format("{}: cannot replace the file: {}; already replaced: {}; left unchanged: {}",
                                    files[i].path, why, replaced, kept));
    }
    dropJournal();
}

void WriteFileAtomically(const std::string &path, const std::vector<uint8_t> &bytes) {
    WriteFilesTogether({FileWrite{path, bytes}});
}

DmaContext RecordSet::Context() {
    DmaContext ctx;
    std::memset(&ctx, 0, sizeof ctx);
    ctx.devMode = devMode.bytes.data();
    ctx.secondary = secondary.bytes.data();
    ctx.faxAddressBlock = faxBlock ? faxBlock->bytes.data() : nullptr;
    return ctx;
}

std::string SetFile(const std::string &setName, RecordKind kind) {
    switch (kind) {
    case RecordKind::DevMode: return setName + ".devmode";
    case RecordKind::Secondary: return setName + ".secondary";
    case RecordKind::FaxBlock: return setName + ".fax";
    }
    return setName;
}

RecordSet LoadRecordSet(const RecordSelection &sel) {
    RecordSet set;
    std::string devPath = sel.devModePath, secPath = sel.secondaryPath, faxPath = sel.faxPath;
    if (!sel.setName.empty()) {
        set.name = sel.setName;
        if (devPath.empty()) devPath = SetFile(sel.setName, RecordKind::DevMode);
        if (secPath.empty()) secPath = SetFile(sel.setName, RecordKind::Secondary);
        if (faxPath.empty() && FileExists(SetFile(sel.setName, RecordKind::FaxBlock)))
            faxPath = SetFile(sel.setName, RecordKind::FaxBlock);
    } else {
        set.name = sel.AnyFile() ? "files" : "defaults";
    }
    // The set's lock, beside its first file, before any file is read.
    for (const std::string *first : {&devPath, &secPath, &faxPath}) {
        if (first->empty()) continue;
        if (*first != "-") set.lock = std::make_shared<RecordSetLock>(*first, sel.waitSeconds);
        break;
    }
    // Under the lock, what runs killed while writing this set left goes
    // (an interrupted write the journal lists is already complete).
    if (set.lock)
        for (const std::string *file : {&devPath, &secPath, &faxPath})
            if (!file->empty() && *file != "-") {
                const fs::path p = PathFromUtf8(*file);
                RemoveFilesOfEndedRuns(p.parent_path(), TempPrefix(p));
            }
    set.devMode = devPath.empty() ? Record{RecordKind::DevMode, DefaultDevMode(), {}}
                                  : LoadRecord(RecordKind::DevMode, devPath);
    set.secondary = secPath.empty() ? Record{RecordKind::Secondary, DefaultSecondary(), {}}
                                    : LoadRecord(RecordKind::Secondary, secPath);
    if (!faxPath.empty())
        set.faxBlock = LoadRecord(RecordKind::FaxBlock, faxPath);
    else if (sel.setName.empty())
        set.faxBlock = Record{RecordKind::FaxBlock, DefaultFaxBlock(), {}};
    return set;
}

std::vector<std::string> SaveChangedRecords(const RecordSet &before, const RecordSet &after) {
    std::vector<FileWrite> files;
    auto plan = [&](const Record &old, const Record &now) {
        if (now.FromFile() && now.bytes != old.bytes) files.push_back({now.path, now.bytes});
    };
    if (before.faxBlock && after.faxBlock && after.faxBlock->FromFile() &&
        after.faxBlock->bytes != before.faxBlock->bytes)
        CheckFaxBlockWritable(before.faxBlock->bytes, after.faxBlock->path);
    plan(before.devMode, after.devMode);
    plan(before.secondary, after.secondary);
    if (before.faxBlock && after.faxBlock) plan(*before.faxBlock, *after.faxBlock);
    WriteFilesTogether(files, after.lock ? after.lock->JournalPath() : std::string());
    std::vector<std::string> written;
    for (const FileWrite &f : files) written.push_back(f.path);
    return written;
}

}  // namespace dmaclient
