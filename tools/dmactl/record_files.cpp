// record_files.cpp - record files: loading with size checks, atomic writes,
// and the record set that a command works on.
#include "record_files.h"

#include <algorithm>
#include <cerrno>
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
#include <unistd.h>
#endif

#include <fmt/format.h>

#include "default_records.h"

namespace dmactl {
namespace fs = std::filesystem;

std::filesystem::path PathFromUtf8(const std::string &text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string PathToUtf8(const std::filesystem::path &path) {
    const std::u8string u = path.u8string();
    return std::string(u.begin(), u.end());
}

namespace {

// Creates `file` (which must not exist yet), writes all bytes and flushes them
// to the disk.  Sets errno and returns false on failure.
bool WriteNewFile(const fs::path &file, const std::vector<uint8_t> &bytes) {
#if defined(_WIN32)
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
    size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        const size_t chunk = std::min<size_t>(bytes.size() - done, 1u << 20);
#if defined(_WIN32)
        const int n = _write(fd, bytes.data() + done, static_cast<unsigned>(chunk));
#else
        const ssize_t n = ::write(fd, bytes.data() + done, chunk);
        if (n < 0 && errno == EINTR) continue;
#endif
        if (n <= 0) ok = false; else done += static_cast<size_t>(n);
    }
#if defined(_WIN32)
    ok = ok && _commit(fd) == 0;
    ok = (_close(fd) == 0) && ok;
#else
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
#endif
    return ok ? true : fail();
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

bool SignatureIs(const uint8_t *p, const char *signature) {
    for (size_t i = 0; i < 8; ++i) {
        const uint16_t want = static_cast<unsigned char>(signature[i]);
        if ((p[2 * i] | (p[2 * i + 1] << 8)) != want) return false;
        if (!signature[i]) break;
    }
    return true;
}

bool FileExists(const std::string &path) {
    std::error_code ec;
    return fs::is_regular_file(PathFromUtf8(path), ec);
}

std::vector<uint8_t> ReadFileBytes(const std::string &path) {
    std::error_code ec;
    const fs::path p = PathFromUtf8(path);
    if (!fs::exists(p, ec)) throw UserError(fmt::format("{}: no such file", path));
    if (fs::is_directory(p, ec)) throw UserError(fmt::format("{}: is a directory, not a file", path));
    std::ifstream in(p, std::ios::binary);
    if (!in) throw UserError(fmt::format("{}: cannot open the file for reading", path));
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw UserError(fmt::format("{}: read error", path));
    return bytes;
}

void CheckFaxBlockSize(const std::vector<uint8_t> &bytes, const std::string &what) {
    if (bytes.size() < DMA_FAX_HEADER_SIZE)
        throw UserError(fmt::format("{}: a fax-address block needs at least {} bytes, the file has {}",
                                    what, DMA_FAX_HEADER_SIZE, bytes.size()));
    const unsigned count = bytes[16] | (bytes[17] << 8);
    // The old layout ("ZOVA001") has 768-byte entries, the current one 820.
    const bool old = SignatureIs(bytes.data(), "ZOVA001");
    const size_t entry = old ? DMA_FAX_OLD_ENTRY_SIZE : DMA_FAX_ENTRY_SIZE;
    const size_t needed = DMA_FAX_HEADER_SIZE + entry * count;
    if (bytes.size() < needed)
        throw UserError(fmt::format(
            "{}: the fax-address block announces {} destination entries and needs {} bytes, the file has {}",
            what, count, needed, bytes.size()));
}

Record LoadRecord(RecordKind kind, const std::string &path) {
    Record r{kind, ReadFileBytes(path), path};
    if (kind == RecordKind::FaxBlock) {
        CheckFaxBlockSize(r.bytes, path);
    } else if (r.bytes.size() < MinimumSize(kind)) {
        throw UserError(fmt::format("{}: a {} needs at least {} bytes, the file has {}", path,
                                    RecordKindName(kind), MinimumSize(kind), r.bytes.size()));
    }
    return r;
}

void WriteFileAtomically(const std::string &path, const std::vector<uint8_t> &bytes) {
    const fs::path target = PathFromUtf8(path);
    std::error_code ec;
    if (fs::is_directory(target, ec))
        throw UserError(fmt::format("{}: is a directory, not a file", path));
    fs::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    std::random_device rd;
    const fs::path temp =
        dir / PathFromUtf8(fmt::format(".{}.{:08x}.tmp", PathToUtf8(target.filename()), rd()));
    if (!WriteNewFile(temp, bytes)) {
        const std::string why = std::strerror(errno);
        throw UserError(fmt::format("{}: cannot write a temporary file in {}: {}; the file was left unchanged",
                                    path, PathToUtf8(dir), why));
    }
    std::string why;
    if (!RenameOver(temp, target, why)) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw UserError(fmt::format("{}: cannot replace the file: {}; it was left unchanged", path, why));
    }
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
    std::vector<std::string> written;
    auto save = [&](const Record &old, const Record &now) {
        if (now.FromFile() && now.bytes != old.bytes) {
            WriteFileAtomically(now.path, now.bytes);
            written.push_back(now.path);
        }
    };
    save(before.devMode, after.devMode);
    save(before.secondary, after.secondary);
    if (before.faxBlock && after.faxBlock) save(*before.faxBlock, *after.faxBlock);
    return written;
}

}  // namespace dmactl
