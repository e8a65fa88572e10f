// docprop_paths.h - naming a file to the library's document-property
// operations.
//
// DMA_ReplaceDocProp and DMA_ExtractDocPropEx take the file's path from the
// setting 0x176 (item 374) of the DEVMODEW record: a UTF-16 field of 258
// bytes, so a path of at most 128 UTF-16 units.  The tool stores the path
// there as UTF-16 with the raw write dma_SetValue, so that any character
// works (the ANSI string exports would lose what the code page lacks).  A path
// that still does not fit, or that has no UTF-16 form, is served through a
// scratch file with a short name: the tool copies the file there before the
// library reads it, or moves it into place after the library wrote it.
// Messages always name the user's path, never the scratch file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dmaclient {

// The path as the setting 0x176 can hold it: UTF-16 of at most 128 units.
// nullopt when the path is longer or is not valid UTF-8 text.
std::optional<std::u16string> LibraryPathOf(const std::filesystem::path &path);

// A scratch DEVMODEW record whose setting 0x176 holds `libraryPath`.  Throws
// UserError naming `userPath` when the library refuses it.
std::vector<uint8_t> DocPropPathRecord(const std::u16string &libraryPath, const std::string &userPath);

// The system's folder for temporary files; empty when there is none.
std::filesystem::path SystemTempFolder();

// A file with a short name (".dmactl-PID-XXXXXXXX.tmp"), reserved by
// creating it empty, and removed again when the object goes unless it was
// released (renamed away).
class ScratchFile {
public:
    // Creates one in the first of `folders` where that works and, with
    // `forLibrary`, where its whole path fits the setting 0x176.  An empty
    // folder means the current folder.  A `privateFile` can be read by its
    // owner only (a copy in a shared temporary folder); otherwise it gets the
    // permissions of a file the tool writes.  Null, with the reason in `why`,
    // when no folder serves.
    static std::unique_ptr<ScratchFile> Create(const std::vector<std::filesystem::path> &folders, bool forLibrary,
                                               bool privateFile, std::string &why);
    ~ScratchFile();
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    const std::filesystem::path &Path() const { return path_; }
    // The path in the form the setting 0x176 holds; nullopt when it does not fit.
    const std::optional<std::u16string> &LibraryPath() const { return libraryPath_; }
    // The file was renamed away: nothing to remove.
    void Release() { released_ = true; }

private:
    ScratchFile() = default;
    std::filesystem::path path_;
    std::optional<std::u16string> libraryPath_;
    bool released_ = false;
};

// Replaces the contents of an existing file with `bytes` and flushes them to
// the disk; on failure returns false and says in `why` what went wrong.
bool OverwriteFile(const std::filesystem::path &file, const std::vector<uint8_t> &bytes, std::string &why);
// Reads a whole file; on failure returns false with the reason in `why`.
bool ReadWholeFile(const std::filesystem::path &file, std::vector<uint8_t> &bytes, std::string &why);

}  // namespace dmaclient
