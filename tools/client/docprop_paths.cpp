// docprop_paths.cpp - the path setting of the document-property operations,
// and the scratch files that stand in for paths it cannot hold.
#include "docprop_paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <fmt/format.h>

#include "catalogue_view.h"
#include "default_records.h"
#include "dmaccess/dmaccess.h"
#include "ansi_text.h"
#include "processes.h"
#include "record_files.h"
#include "value_format.h"

namespace dmaclient {
namespace fs = std::filesystem;

namespace {

// The path setting: its item and the UTF-16 units its field holds before
// the terminator (128 of the field's 129).
struct PathSetting {
    uint16_t item;
    size_t units;
};

const PathSetting &DocPropPathSetting() {
    static const PathSetting setting = [] {
        const std::optional<Location> l = Locate(DMA_ID_DOCPROP_PATH);
        if (!l || l->valueType != DMA_VT_STRING || l->size < 4)
            throw UserError(fmt::format("the library has no document-property path setting (DMA ID {})",
                                        FormatId(DMA_ID_DOCPROP_PATH)));
        return PathSetting{l->itemId, l->size / 2 - 1};
    }();
    return setting;
}

// Creates `file`, which must not exist yet, empty.  Sets errno on failure.
bool CreateNewEmptyFile(const fs::path &file, bool privateFile) {
#if defined(_WIN32)
    (void)privateFile;  // the folder's access rules decide
    const int fd = _wopen(file.wstring().c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    return fd >= 0 && _close(fd) == 0;
#else
    const int fd = ::open(file.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, privateFile ? 0600 : 0644);
    return fd >= 0 && ::close(fd) == 0;
#endif
}

}  // namespace

std::optional<std::u16string> LibraryPathOf(const fs::path &path) {
    // Paths that are not text (possible on POSIX systems) are not valid
    // UTF-8; they go through a scratch file, which the tool opens by its bytes.
    std::optional<std::u16string> units = Utf8ToUtf16(PathToUtf8(path));
    if (!units || units->empty() || units->size() > DocPropPathSetting().units) return std::nullopt;
    // A zero unit would end the path early: such a path is not the user's.
    if (units->find(u'\0') != std::u16string::npos) return std::nullopt;
    return units;
}

std::vector<uint8_t> DocPropPathRecord(const std::u16string &libraryPath, const std::string &userPath) {
    std::vector<uint8_t> dm = DefaultDevMode();
    // The raw write takes a pointer to the text's pointer and the text's
    // length in bytes with its terminator.
    const char16_t *text = libraryPath.c_str();
    const int32_t length = static_cast<int32_t>(2 * (libraryPath.size() + 1));
    const RawStatus st =
        dma_SetValue(DocPropPathSetting().item, dm.data(), nullptr, DMA_VT_STRING, length, &text);
    if (st != DMA_RS_OK)
        throw UserError(fmt::format("{}: the library does not accept the path (raw status 0x{:02X})", userPath,
                                    static_cast<unsigned>(st)));
    return dm;
}

fs::path SystemTempFolder() {
    std::error_code ec;
    fs::path p = fs::temp_directory_path(ec);
    return ec ? fs::path() : p;
}

std::unique_ptr<ScratchFile> ScratchFile::Create(const std::vector<fs::path> &folders, bool forLibrary,
                                                 bool privateFile, std::string &why) {
    std::random_device rd;
    why = "no folder for it";
    for (const fs::path &folder : folders) {
        // Scratch files are named after the process that made them; those of
        // runs killed before they could remove them go now.
        RemoveFilesOfEndedRuns(folder, ".dmactl-");
        for (int attempt = 0; attempt < 8; ++attempt) {
            const fs::path file = folder / PathFromUtf8(fmt::format(".dmactl-{}-{:08x}.tmp", OwnProcessId(), rd()));
            std::optional<std::u16string> libraryPath = LibraryPathOf(file);
            if (forLibrary && !libraryPath) {
                why = "no folder whose path is short enough";
                break;
            }
            if (!CreateNewEmptyFile(file, privateFile)) {
                const int err = errno;
                why = std::strerror(err);
                if (err == EEXIST) continue;  // another name
                break;                        // the next folder
            }
            std::unique_ptr<ScratchFile> s(new ScratchFile);
            s->path_ = file;
            s->libraryPath_ = std::move(libraryPath);
            return s;
        }
    }
    return nullptr;
}

ScratchFile::~ScratchFile() {
    if (released_) return;
    std::error_code ignored;
    fs::remove(path_, ignored);
}

bool OverwriteFile(const fs::path &file, const std::vector<uint8_t> &bytes, std::string &why) {
#if defined(_WIN32)
    const int fd = _wopen(file.wstring().c_str(), _O_TRUNC | _O_WRONLY | _O_BINARY);
#else
    const int fd = ::open(file.c_str(), O_TRUNC | O_WRONLY | O_CLOEXEC);
#endif
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    if (!WriteAllAndClose(fd, bytes)) {
        why = std::strerror(errno);
        return false;
    }
    return true;
}

bool ReadWholeFile(const fs::path &file, std::vector<uint8_t> &bytes, std::string &why) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in) {
        why = std::strerror(errno);
        return false;
    }
    const std::streamoff size = in.tellg();
    bytes.assign(size > 0 ? static_cast<size_t>(size) : 0, 0);
    in.seekg(0);
    if (size > 0) in.read(reinterpret_cast<char *>(bytes.data()), size);
    if (size < 0 || !in) {
        why = "read error";
        return false;
    }
    return true;
}

}  // namespace dmaclient
