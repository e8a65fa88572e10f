// docprop_io.cpp - reading and writing whole document-property files
// through the library (docprop_io.h).
#include "docprop_io.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <fmt/format.h>

#include "docprop_paths.h"
#include "record_files.h"
#include "settings.h"
#include "validation.h"

namespace dmaclient {

namespace fs = std::filesystem;

DocProp ReadDocProp(const std::string &file) {
    DocProp d;
    const std::vector<uint8_t> raw = ReadFileBytes(file);  // names a missing or unreadable file first
    d.fileSize = raw.size();
    // The library reads the file again by the path in its setting.  A path
    // the setting cannot hold is served by a copy of the bytes just read,
    // under a short name: in the system's temporary folder, else beside the
    // file, else in the current folder.
    std::optional<std::u16string> libraryPath = LibraryPathOf(PathFromUtf8(file));
    std::unique_ptr<ScratchFile> copy;
    // Standard input ("-") has no path at all: the library reads a copy too.
    if (!libraryPath || file == "-") {
        std::string why;
        copy = ScratchFile::Create({SystemTempFolder(), PathFromUtf8(file).parent_path(), fs::path()}, true, true, why);
        if (!copy)
            throw UserError(fmt::format("{}: the path does not fit the library's path setting, and no temporary "
                                        "copy with a shorter path can be made: {}",
                                        file, why));
        if (!OverwriteFile(copy->Path(), raw, why))
            throw UserError(fmt::format("{}: cannot copy the file to a temporary file: {}", file, why));
        libraryPath = copy->LibraryPath();
    }
    std::vector<uint8_t> dm = DocPropPathRecord(*libraryPath, file);
    DmaContext ctx;
    std::memset(&ctx, 0, sizeof ctx);
    ctx.devMode = dm.data();
    DocPropBuffers b;
    std::memset(&b, 0, sizeof b);
    DMA_RESULT r = DMA_ReplaceDocProp(&ctx, &b);
    if (r != DMA_E_MORE_DATA) throw DocPropReadError(file, raw, r);
    // The sizes are known now; buffers of at least one byte keep the
    // pointers non-null for absent sections.
    const size_t sizes[] = {b.ndevSize, b.tmbInfoSize, b.spInfoSize, b.faxBlockSize};
    d.ndev.assign(std::max<size_t>(1, b.ndevSize), 0);
    d.tmbInfo.assign(std::max<size_t>(1, b.tmbInfoSize), 0);
    d.spInfo.assign(std::max<size_t>(1, b.spInfoSize), 0);
    d.fax.assign(std::max<size_t>(1, b.faxBlockSize), 0);
    b.ndev = d.ndev.data();
    b.tmbInfo = d.tmbInfo.data();
    b.spInfo = d.spInfo.data();
    b.faxBlock = d.fax.data();
    r = DMA_ReplaceDocProp(&ctx, &b);
    if (r != DMA_OK) throw DocPropReadError(file, raw, r);
    d.ndev.resize(sizes[0]);
    d.tmbInfo.resize(sizes[1]);
    d.spInfo.resize(sizes[2]);
    d.fax.resize(sizes[3]);
    d.hasFax = !d.fax.empty();
    if (d.hasFax) {
        d.faxOffset = d.ndev.size() + d.tmbInfo.size() + d.spInfo.size();
        if (d.faxOffset + DMA_FAX_HEADER_SIZE > raw.size())
            throw UserError(fmt::format("{}: the file changed while it was read", file));
        const FaxBlockExtent inFile = FaxExtentOf(raw.data() + d.faxOffset);
        d.oldLayout = inFile.layout == FaxLayout::Old;
        d.faxSizeInFile = inFile.needed;
        if (FaxLayoutOf(d.fax.data()) != FaxLayout::Current)
            throw UserError(fmt::format("{}: the old fax section could not be converted to the current layout "
                                        "(its size does not match its destination count)",
                                        file));
    }
    return d;
}

size_t WriteDocProp(const std::string &out, const DocProp &d) {
    // The library writes the new file to a scratch file of the owner's only:
    // beside the target when that path fits the library's path setting, else
    // one with a short path (in the system's temporary folder, else the
    // current folder).  Its bytes then replace the target when complete.
    // Standard output ("-"): the library writes a scratch file in the
    // temporary folder, whose bytes are then copied out.
    const bool toStdout = out == "-";
    const fs::path target = PathFromUtf8(toStdout ? std::string() : out);
    std::error_code ec;
    if (!toStdout && fs::is_directory(target, ec)) throw UserError(fmt::format("{}: is a directory, not a file", out));
    std::string why;
    const std::unique_ptr<ScratchFile> beside =
        toStdout ? ScratchFile::Create({SystemTempFolder(), fs::path()}, false, true, why)
                 : ScratchFile::Create({target.parent_path()}, false, true, why);
    if (!beside)
        throw UserError(fmt::format("{}: cannot create a temporary file in its folder: {}; the file was left unchanged",
                                    out, why));
    std::unique_ptr<ScratchFile> away;
    if (!beside->LibraryPath()) {
        away = ScratchFile::Create({SystemTempFolder(), fs::path()}, true, true, why);
        if (!away)
            throw UserError(fmt::format("{}: the path does not fit the library's path setting, and no temporary "
                                        "file with a shorter path can be made: {}; the file was left unchanged",
                                        out, why));
    }
    const ScratchFile &written = away ? *away : *beside;
    std::vector<uint8_t> dm = DocPropPathRecord(*written.LibraryPath(), out);
    DmaContext ctx;
    std::memset(&ctx, 0, sizeof ctx);
    ctx.devMode = dm.data();
    uint8_t dummy = 0;
    DocPropBuffers b;
    std::memset(&b, 0, sizeof b);
    auto section = [&](const std::vector<uint8_t> &v) { return v.empty() ? static_cast<void *>(&dummy) : const_cast<uint8_t *>(v.data()); };
    b.ndev = section(d.ndev);
    b.ndevSize = static_cast<uint32_t>(d.ndev.size());
    b.tmbInfo = section(d.tmbInfo);
    b.tmbInfoSize = static_cast<uint32_t>(d.tmbInfo.size());
    b.spInfo = section(d.spInfo);
    b.spInfoSize = static_cast<uint32_t>(d.spInfo.size());
    b.faxBlock = d.fax.empty() ? nullptr : const_cast<uint8_t *>(d.fax.data());
    b.faxBlockSize = static_cast<uint32_t>(d.fax.size());
    const DMA_RESULT r = DMA_ExtractDocPropEx(&ctx, &b);
    if (r != DMA_OK) throw UserError(fmt::format("{}: {}; the file was left unchanged", out, ResultMessage(r)));
    // The written file replaces the target by the rules of every write of
    // the tool (WriteFileAtomically): regular files only, through symbolic
    // links, keeping mode and owner, never a read-only file.
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(written.Path(), bytes, why))
        throw UserError(fmt::format("{}: cannot read the written file back: {}; the file was left unchanged",
                                    out, why));
    if (toStdout) {
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);  // "-": standard output
        return bytes.size();
    }
    WriteFileAtomically(out, bytes);
    return d.ndev.size() + d.tmbInfo.size() + d.spInfo.size() + d.fax.size();
}

}  // namespace dmaclient
