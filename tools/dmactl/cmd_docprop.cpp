// cmd_docprop.cpp - document-property files and fax-address blocks:
// docprop show, docprop upgrade, fax show.
//
// Document-property files are read and written by the library itself
// (DMA_ReplaceDocProp, DMA_ExtractDocPropEx), which take the file's path from
// the setting 0x176 of a scratch DEVMODEW record (docprop_paths.h says how a
// path gets there, and what stands in for a path that does not fit).  The
// tool only looks at the fax section's signature in the raw file to say which
// layout it had.
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <fmt/format.h>

#include "ansi_text.h"
#include "commands.h"
#include "docprop_paths.h"
#include "json_form.h"
#include "settings.h"
#include "value_format.h"

namespace dmactl {
namespace {

namespace fs = std::filesystem;

// The sections of one document-property file, as the library hands them over.
struct DocProp {
    std::vector<uint8_t> raw;  // the file as it is on disk
    std::vector<uint8_t> ndev, tmbInfo, spInfo, fax;
    bool hasFax = false;
    bool oldLayout = false;
    size_t faxOffset = 0, faxSizeInFile = 0;
};

DocProp ReadDocProp(const std::string &file) {
    DocProp d;
    d.raw = ReadFileBytes(file);  // names a missing or unreadable file first
    // The library reads the file again by the path in its setting.  A path
    // the setting cannot hold is served by a copy of the bytes just read,
    // under a short name: in the system's temporary folder, else beside the
    // file, else in the current folder.
    std::optional<std::u16string> libraryPath = LibraryPathOf(PathFromUtf8(file));
    std::unique_ptr<ScratchFile> copy;
    if (!libraryPath) {
        std::string why;
        copy = ScratchFile::Create({SystemTempFolder(), PathFromUtf8(file).parent_path(), fs::path()}, true, true, why);
        if (!copy)
            throw UserError(fmt::format("{}: the path does not fit the library's path setting, and no temporary "
                                        "copy with a shorter path can be made: {}",
                                        file, why));
        if (!OverwriteFile(copy->Path(), d.raw, why))
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
    if (r != DMA_E_MORE_DATA) throw UserError(fmt::format("{}: {}", file, ResultMessage(r)));
    // The sizes are known now; buffers of at least one byte keep the
    // pointers non-null for absent sections.
    d.ndev.assign(b.ndevSize, 0);
    d.tmbInfo.assign(b.tmbInfoSize, 0);
    d.spInfo.assign(b.spInfoSize, 0);
    d.fax.assign(b.faxBlockSize, 0);
    std::vector<uint8_t> ndev(std::max<size_t>(1, b.ndevSize)), tmb(std::max<size_t>(1, b.tmbInfoSize)),
        sp(std::max<size_t>(1, b.spInfoSize)), fax(std::max<size_t>(1, b.faxBlockSize));
    b.ndev = ndev.data();
    b.tmbInfo = tmb.data();
    b.spInfo = sp.data();
    b.faxBlock = fax.data();
    r = DMA_ReplaceDocProp(&ctx, &b);
    if (r != DMA_OK) throw UserError(fmt::format("{}: {}", file, ResultMessage(r)));
    std::copy_n(ndev.begin(), d.ndev.size(), d.ndev.begin());
    std::copy_n(tmb.begin(), d.tmbInfo.size(), d.tmbInfo.begin());
    std::copy_n(sp.begin(), d.spInfo.size(), d.spInfo.begin());
    std::copy_n(fax.begin(), d.fax.size(), d.fax.begin());
    d.hasFax = !d.fax.empty();
    if (d.hasFax) {
        d.faxOffset = d.ndev.size() + d.tmbInfo.size() + d.spInfo.size();
        if (d.faxOffset + DMA_FAX_HEADER_SIZE > d.raw.size())
            throw UserError(fmt::format("{}: the file changed while it was read", file));
        const uint8_t *sig = d.raw.data() + d.faxOffset;
        d.oldLayout = SignatureIs(sig, "ZOVA001");
        const unsigned count = FaxBlockCount(sig);
        d.faxSizeInFile = DMA_FAX_HEADER_SIZE + count * (d.oldLayout ? DMA_FAX_OLD_ENTRY_SIZE : DMA_FAX_ENTRY_SIZE);
        if (!SignatureIs(d.fax.data(), "ZOVA002"))
            throw UserError(fmt::format("{}: the old fax section could not be converted to the current layout "
                                        "(its size does not match its destination count)",
                                        file));
    }
    return d;
}

// "header 1 (0xA001)": a fax header string named with its DMA ID.
std::string FaxHeaderLabel(uint16_t dmaId) {
    return fmt::format("header {} ({})", dmaId == DMA_ID_FAX_HEADER1 ? 1 : 2, FormatId(dmaId));
}

struct FaxSummary {
    uint16_t count = 0;
    std::string header1, header2;
};

// The count and header strings of a fax-address block.  The header is the
// same in both layouts, and the library reads the header strings of either;
// its count export serves only the current layout, so the count of an old
// block is read from the block itself.
FaxSummary SummariseFax(std::vector<uint8_t> &block, const std::string &what, bool oldLayout = false) {
    FaxSummary f;
    DMA_RESULT r = DMA_OK;
    if (oldLayout) f.count = FaxBlockCount(block.data());
    else r = DMA_GetFaxAddressNum(block.data(), &f.count);
    if (r != DMA_OK) throw UserError(fmt::format("{}: not a fax-address block: {}", what, ResultMessage(r)));
    DmaContext ctx;
    std::memset(&ctx, 0, sizeof ctx);
    ctx.faxAddressBlock = block.data();
    for (uint16_t id : {DMA_ID_FAX_HEADER1, DMA_ID_FAX_HEADER2}) {
        Setting s;
        s.dmaId = id;
        s.kind = ValueKind::String;
        Value v;
        r = ReadSetting(ctx, s, v);
        if (r != DMA_OK) throw UserError(fmt::format("{}: fax header {}: {}", what, FormatId(id), ResultMessage(r)));
        (id == DMA_ID_FAX_HEADER1 ? f.header1 : f.header2) = v.text;
    }
    return f;
}

// The fields of a destination entry, in the order of the entry's layout.
struct EntryField {
    uint16_t item;
    size_t offset;
    size_t width;
    uint16_t type;
    bool raw = false;  // shown as its bytes, not as text
};
constexpr EntryField kEntryFields[] = {
    {1794, offsetof(FaxAddressEntry, item1794), 2, DMA_VT_WORD},
    {1795, offsetof(FaxAddressEntry, item1795), 258, DMA_VT_STRING},
    {1796, offsetof(FaxAddressEntry, item1796), 2, DMA_VT_WORD},
    {1797, offsetof(FaxAddressEntry, item1797), 82, DMA_VT_STRING},
    {1798, offsetof(FaxAddressEntry, item1798), 166, DMA_VT_STRING},
    {1810, offsetof(FaxAddressEntry, item1810), 2, DMA_VT_WORD},
    {1811, offsetof(FaxAddressEntry, item1811), 2, DMA_VT_WORD},
    {1812, offsetof(FaxAddressEntry, item1812), 2, DMA_VT_WORD},
    {1813, offsetof(FaxAddressEntry, item1813), 18, DMA_VT_STRING},
    {1814, offsetof(FaxAddressEntry, item1814), 2, DMA_VT_WORD},
    {1815, offsetof(FaxAddressEntry, item1815), 2, DMA_VT_WORD},
    {1816, offsetof(FaxAddressEntry, item1816), 120, DMA_VT_STRING},
    {1817, offsetof(FaxAddressEntry, item1817), 42, DMA_VT_STRING},
    {1818, offsetof(FaxAddressEntry, item1818), 42, DMA_VT_STRING},
    {1892, offsetof(FaxAddressEntry, item1892), 4, DMA_VT_DWORD},
    {1893, offsetof(FaxAddressEntry, item1893), 4, DMA_VT_FLAG},
    // Declared a string, but 16 bytes of binary data: shown as stored.
    {1897, offsetof(FaxAddressEntry, item1897), 16, DMA_VT_STRING, true},
    {1894, offsetof(FaxAddressEntry, item1894), 50, DMA_VT_STRING},
};

// Bytes as two hex digits each: "41420000".
std::string HexBytes(const uint8_t *p, size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += fmt::format("{:02X}", p[i]);
    return s;
}

// The bytes as ASCII text when every one of them is a printable character.
std::optional<std::string> PrintableAscii(const uint8_t *p, size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        if (p[i] < 0x20 || p[i] > 0x7E) return std::nullopt;
        s += static_cast<char>(p[i]);
    }
    return s;
}

const char *LayoutText(bool oldLayout) {
    return oldLayout ? "old (\"ZOVA001\", 768-byte entries)" : "current (\"ZOVA002\", 820-byte entries)";
}

}  // namespace

int CmdDocPropShow(const Globals &g, const std::string &file) {
    DocProp d = ReadDocProp(file);
    struct Sec { const char *name; size_t size; size_t header; };
    const Sec secs[] = {{"NDEV001", d.ndev.size(), 24}, {"TMBINFO", d.tmbInfo.size(), 20},
                        {"SPINFO", d.spInfo.size(), 20}};
    size_t offset = 0;
    Json sections = Json::array();
    Table t({"section", "offset", "size", "payload", "layout"}, {1, 2, 3});
    for (const Sec &s : secs) {
        if (!s.size) continue;
        sections.push_back(Json{{"name", s.name}, {"offset", offset}, {"size", s.size}, {"payload", s.size - s.header}});
        t.Add({s.name, std::to_string(offset), std::to_string(s.size), std::to_string(s.size - s.header), ""});
        offset += s.size;
    }
    FaxSummary fax;
    if (d.hasFax) {
        fax = SummariseFax(d.fax, file);
        const char *layout = LayoutText(d.oldLayout);
        sections.push_back(Json{{"name", "fax"},
                                {"offset", d.faxOffset},
                                {"size", d.faxSizeInFile},
                                {"layout", d.oldLayout ? "old" : "current"},
                                {"currentSize", d.fax.size()}});
        t.Add({"fax", std::to_string(d.faxOffset), std::to_string(d.faxSizeInFile),
               std::to_string(d.faxSizeInFile - DMA_FAX_HEADER_SIZE), layout});
        offset = d.faxOffset + d.faxSizeInFile;
    }
    const size_t trailing = d.raw.size() > offset ? d.raw.size() - offset : 0;
    if (g.json) {
        Json j{{"file", file}, {"size", d.raw.size()}, {"sections", sections}, {"ignoredBytes", trailing}};
        if (d.hasFax)
            j["fax"] = Json{{"layout", d.oldLayout ? "old" : "current"},
                            {"destinations", fax.count},
                            {"header1", fax.header1},
                            {"header2", fax.header2}};
        else
            j["fax"] = nullptr;
        Print(j.dump(2) + "\n");
        return 0;
    }
    Print(fmt::format("{}: {} bytes, {} sections\n", file, d.raw.size(), sections.size()));
    if (!sections.empty()) Print(t.Render());
    if (trailing) Print(fmt::format("{} bytes after the last section are ignored\n", trailing));
    if (d.hasFax) {
        Table f({"fax", "value"});
        f.Add({"layout", d.oldLayout ? "old; read in the current layout" : "current"});
        f.Add({"destinations", std::to_string(fax.count)});
        f.Add({FaxHeaderLabel(DMA_ID_FAX_HEADER1), QuoteText(fax.header1)});
        f.Add({FaxHeaderLabel(DMA_ID_FAX_HEADER2), QuoteText(fax.header2)});
        Print(f.Render());
    } else {
        Print("no fax section\n");
    }
    return 0;
}

int CmdDocPropUpgrade(const Globals &g, const std::string &in, const std::string &out) {
    DocProp d = ReadDocProp(in);
    // The new file goes to a scratch file beside the target first, which is
    // renamed over the target only when it is complete.  The library writes
    // that scratch file itself when its path fits the library's path
    // setting; otherwise the library writes one with a short path (in the
    // system's temporary folder, else the current folder) and the tool moves
    // its bytes beside the target.
    const fs::path target = PathFromUtf8(out);
    std::error_code ec;
    if (fs::is_directory(target, ec)) throw UserError(fmt::format("{}: is a directory, not a file", out));
    std::string why;
    const std::unique_ptr<ScratchFile> beside = ScratchFile::Create({target.parent_path()}, false, false, why);
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
    b.ndev = d.ndev.empty() ? &dummy : d.ndev.data();
    b.ndevSize = static_cast<uint32_t>(d.ndev.size());
    b.tmbInfo = d.tmbInfo.empty() ? &dummy : d.tmbInfo.data();
    b.tmbInfoSize = static_cast<uint32_t>(d.tmbInfo.size());
    b.spInfo = d.spInfo.empty() ? &dummy : d.spInfo.data();
    b.spInfoSize = static_cast<uint32_t>(d.spInfo.size());
    b.faxBlock = d.fax.empty() ? nullptr : d.fax.data();
    b.faxBlockSize = static_cast<uint32_t>(d.fax.size());
    const DMA_RESULT r = DMA_ExtractDocPropEx(&ctx, &b);
    if (r != DMA_OK) throw UserError(fmt::format("{}: {}; the file was left unchanged", out, ResultMessage(r)));
    if (away) {
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(away->Path(), bytes, why) || !OverwriteFile(beside->Path(), bytes, why))
            throw UserError(fmt::format("{}: cannot move the written file into place: {}; the file was left unchanged",
                                        out, why));
    }
    if (!RenameOver(beside->Path(), target, why))
        throw UserError(fmt::format("{}: cannot replace the file: {}; it was left unchanged", out, why));
    beside->Release();
    const size_t size = d.ndev.size() + d.tmbInfo.size() + d.spInfo.size() + d.fax.size();
    const char *what = !d.hasFax ? "no fax section" : d.oldLayout ? "fax section converted from the old layout"
                                                                   : "fax section already in the current layout";
    if (g.json)
        Print(Json{{"written", out}, {"size", size}, {"converted", d.hasFax && d.oldLayout}}.dump(2) + "\n");
    else
        Print(fmt::format("{}: {}; written {} ({} bytes)\n", in, what, out, size));
    return 0;
}

int CmdFaxShow(const Globals &g, const std::string &file) {
    std::vector<uint8_t> block = ReadFileBytes(file);
    if (block.size() < DMA_FAX_HEADER_SIZE)
        throw UserError(fmt::format("{}: a fax-address block needs at least {} bytes, the file has {}", file,
                                    DMA_FAX_HEADER_SIZE, block.size()));
    // A block in the old layout has the same header and 768-byte entries:
    // the current entry without item 1894 (bytes 768-817) and the two bytes
    // after it.  It is listed as it is; only reading a document-property
    // file converts it.
    const bool oldLayout = SignatureIs(block.data(), "ZOVA001");
    if (!oldLayout && !SignatureIs(block.data(), "ZOVA002"))
        throw UserError(fmt::format("{}: not a fax-address block (signature \"{}\", expected \"ZOVA002\", or "
                                    "\"ZOVA001\" in the old layout)",
                                    file, SignatureText(block.data())));
    CheckFaxBlockSize(block, file);
    const FaxSummary f = SummariseFax(block, file, oldLayout);
    const size_t entrySize = oldLayout ? DMA_FAX_OLD_ENTRY_SIZE : DMA_FAX_ENTRY_SIZE;
    Json entries = Json::array();
    std::string text = fmt::format("{}: fax-address block{}, {} bytes\n", file,
                                   oldLayout ? " in the old layout" : "", block.size());
    Table head({"field", "value"});
    head.Add({"layout", LayoutText(oldLayout)});
    head.Add({"destinations", std::to_string(f.count)});
    head.Add({FaxHeaderLabel(DMA_ID_FAX_HEADER1), QuoteText(f.header1)});
    head.Add({FaxHeaderLabel(DMA_ID_FAX_HEADER2), QuoteText(f.header2)});
    text += head.Render();
    for (unsigned i = 0; i < f.count; ++i) {
        const uint8_t *e = block.data() + DMA_FAX_HEADER_SIZE + static_cast<size_t>(i) * entrySize;
        Json fields = Json::array();
        Table t({"item", "DMA ID", "type", "value"}, {0});
        for (const EntryField &fd : kEntryFields) {
            if (fd.offset + fd.width > entrySize) continue;  // not in the old layout
            const uint8_t *p = e + fd.offset;
            const uint16_t dmaId = DmaIdOfItem(fd.item);
            Json field{{"item", fd.item},
                       {"id", dmaId ? Json(FormatId(dmaId)) : Json(nullptr)},
                       {"type", ValueTypeName(fd.type)}};
            std::string shown;
            if (fd.raw) {
                const std::string hex = HexBytes(p, fd.width);
                const std::optional<std::string> ascii = PrintableAscii(p, fd.width);
                field["bytes"] = hex;
                if (ascii) field["ascii"] = *ascii;
                shown = "hex " + hex + (ascii ? ", ASCII " + QuoteText(*ascii) : "");
            } else if (fd.type == DMA_VT_STRING) {
                const size_t limit = fd.width / 2;
                size_t n = 0;
                while (n < limit && (p[2 * n] | p[2 * n + 1])) ++n;
                const std::string value = Utf16ToUtf8(p, n);
                field["value"] = value;
                shown = QuoteText(value);
            } else if (fd.width == 2) {
                const unsigned v = p[0] | (p[1] << 8);
                field["value"] = v;
                shown = fmt::format("{} (0x{:X})", v, v);
            } else {
                const uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
                field["value"] = v;
                shown = fmt::format("{} (0x{:X})", v, v);
            }
            fields.push_back(std::move(field));
            t.Add({std::to_string(fd.item), dmaId ? FormatId(dmaId) : "-", ValueTypeName(fd.type), shown});
        }
        entries.push_back(Json{{"position", i + 1}, {"fields", fields}});
        text += fmt::format("\ndestination {}\n", i + 1) + t.Render();
    }
    if (g.json)
        Print(Json{{"file", file},
                   {"layout", oldLayout ? "old" : "current"},
                   {"entrySize", entrySize},
                   {"destinations", f.count},
                   {"header1", f.header1},
                   {"header2", f.header2},
                   {"entries", entries}}
                  .dump(2) +
              "\n");
    else
        Print(text);
    return 0;
}

}  // namespace dmactl
