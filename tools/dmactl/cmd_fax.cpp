// cmd_fax.cpp - fax destinations: fax show, add, set and delete, on a bare
// fax-address block or on the fax section of a document-property file.
//
// Listing reads the entries as the public header lays them out.  Every
// change goes through the library's record operations for kind 5 on a
// scratch DEVMODEW record, where the entry fields live as settings:
//  - set: DMA_AccessibleData loads the entry into the settings, the given
//    fields are written into their settings with the raw write, and
//    DMA_ApplyData (by position) stores the settings back into the entry;
//  - add: the entry area grows by one blank entry, DMA_SetFaxAddressNum
//    counts it, the fields are written into blank settings and DMA_ApplyData
//    (the last element) fills the new entry;
//  - delete: the entry's bytes are taken out (the library leaves growing and
//    shrinking the entry area to its caller) and DMA_SetFaxAddressNum counts
//    the rest.
// A bare block is written back only in the current layout; a
// document-property file is written back through the library, whose reading
// converted an old fax section, so it is then in the current layout.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "commands.h"
#include "default_records.h"
#include "docprop_io.h"
#include "fax_view.h"
#include "record_fields.h"
#include "settings.h"
#include "value_format.h"

namespace dmactl {

const char *LayoutText(bool oldLayout) {
    return oldLayout ? "old (\"ZOVA001\", 768-byte entries)" : "current (\"ZOVA002\", 820-byte entries)";
}

std::string FaxHeaderLabel(uint16_t dmaId) {
    return fmt::format("header {} ({})", dmaId == DMA_ID_FAX_HEADER1 ? 1 : 2, FormatId(dmaId));
}

FaxSummary SummariseFax(std::vector<uint8_t> &block, const std::string &what, bool oldLayout) {
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

void PrintFaxEntries(const uint8_t *first, unsigned count, size_t entrySize) {
    for (unsigned i = 0; i < count; ++i)
        Print(fmt::format("\ndestination {}\n", i + 1) +
              FieldsTable(FaxEntryFields(), first + static_cast<size_t>(i) * entrySize, entrySize));
}

Json FaxEntryJson(const uint8_t *entry, size_t entrySize, unsigned position) {
    return Json{{"position", position}, {"fields", FieldsJson(FaxEntryFields(), entry, entrySize)}};
}

void PrintFaxEntriesJson(const uint8_t *first, unsigned count, size_t entrySize, size_t indent) {
    const std::string pad(indent, ' ');
    if (count == 0) {
        Print(pad + "\"entries\": []");
        return;
    }
    Print(pad + "\"entries\": [\n");
    for (unsigned i = 0; i < count; ++i) {
        const Json e = FaxEntryJson(first + static_cast<size_t>(i) * entrySize, entrySize, i + 1);
        Print(Indented(e.dump(2), indent + 2) + (i + 1 < count ? ",\n" : "\n"));
    }
    Print(pad + "]");
}

namespace {

// A file that holds destinations: a bare fax-address block, or a
// document-property file with (or without) a fax section.
struct FaxFile {
    std::string path;
    bool docProp = false;
    DocProp sections;           // docProp: the file's sections; block is their fax section
    std::vector<uint8_t> block;  // the fax-address block (for a bare block: the whole file)
    bool oldLayout = false;      // a bare block in the old layout
};

bool StartsWithSignature(const std::vector<uint8_t> &b, const char *sig) {
    return b.size() >= 16 && SignatureIs(b.data(), sig);
}

FaxFile LoadFaxFile(const std::string &path) {
    FaxFile f;
    f.path = path;
    f.block = ReadFileBytes(path);
    if (StartsWithSignature(f.block, "ZOVA002") || StartsWithSignature(f.block, "ZOVA001")) {
        f.oldLayout = SignatureIs(f.block.data(), "ZOVA001");
        CheckFaxBlockSize(f.block, path);
        return f;
    }
    // A document-property file begins with one of its section signatures
    // (its first sections are optional from the end, so any of them).  The
    // "SPINFO" signature has 7 units; the 8th is not checked.
    const bool docProp = StartsWithSignature(f.block, "NDEV001") || StartsWithSignature(f.block, "TMBINFO") ||
                         (f.block.size() >= 16 && SignatureText(f.block.data()).rfind("SPINFO", 0) == 0);
    if (!docProp) {
        if (f.block.size() < DMA_FAX_HEADER_SIZE)
            throw UserError(fmt::format("{}: a fax-address block needs at least {} bytes, the file has {}", path,
                                        DMA_FAX_HEADER_SIZE, f.block.size()));
        throw UserError(fmt::format("{}: neither a fax-address block (signature \"{}\", expected \"ZOVA002\", or "
                                    "\"ZOVA001\" in the old layout) nor a document-property file",
                                    path, SignatureText(f.block.data())));
    }
    std::vector<uint8_t>().swap(f.block);  // the library reads the file itself
    f.docProp = true;
    f.sections = ReadDocProp(path);
    f.block = f.sections.fax;
    f.sections.fax.clear();
    return f;
}

unsigned ParsePosition(const std::string &text) {
    char *end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || !end || *end || text[0] == '-' || v == 0 || v > 0xFFFF)
        throw UserError(fmt::format("\"{}\": a destination's position is a number from 1 (fax show lists them)", text),
                        2);
    return static_cast<unsigned>(v);
}

// The scratch records and the context whose kind 5 array is the block's entries.
struct FaxWork {
    std::vector<uint8_t> devMode = DefaultDevMode();
    std::vector<uint8_t> secondary = DefaultSecondary();
    std::vector<uint8_t> states;
    DmaContext ctx;

    void Point(std::vector<uint8_t> &block) {
        const unsigned count = FaxBlockCount(block.data());
        states.assign(std::max(1u, count), DMA_STATE_IN_USE);
        std::memset(&ctx, 0, sizeof ctx);
        ctx.devMode = devMode.data();
        ctx.secondary = secondary.data();
        ctx.faxAddressBlock = block.data();
        ctx.faxEntries.count = count;
        ctx.faxEntries.elementSize = DMA_FAX_ENTRY_SIZE;
        ctx.faxEntries.states = states.data();
        ctx.faxEntries.records = block.data() + DMA_FAX_HEADER_SIZE;
    }
};

// A modifiable block: the bare block only in the current layout; a
// document-property file without a fax section gets an empty one.
FaxFile LoadForChange(const std::string &path) {
    FaxFile f = LoadFaxFile(path);
    if (!f.docProp) CheckFaxBlockWritable(f.block, path);
    if (f.docProp && f.block.empty()) f.block.assign(DMA_FAX_HEADER_SIZE, 0);
    return f;
}

void SaveFaxFile(FaxFile &f) {
    if (!f.docProp) {
        WriteFileAtomically(f.path, f.block);
        return;
    }
    f.sections.fax = f.block;
    WriteDocProp(f.path, f.sections);
}

std::string WrittenNote(const FaxFile &f) {
    if (f.docProp && f.sections.oldLayout) return fmt::format("written: {} (its fax section now in the current layout)\n", f.path);
    return fmt::format("written: {}\n", f.path);
}

void SetCount(FaxWork &w, unsigned count, const std::string &path) {
    const DMA_RESULT r = DMA_SetFaxAddressNum(&w.ctx, static_cast<int32_t>(count), 0);
    if (r != DMA_OK) throw UserError(fmt::format("{}: the destination count cannot be set: {}", path, ResultMessage(r)));
}

}  // namespace

int CmdFaxShow(const Globals &g, const std::string &file) {
    FaxFile f = LoadFaxFile(file);
    if (f.docProp && f.block.empty()) {
        if (g.json) Print(Json{{"file", file}, {"documentProperties", true}, {"fax", nullptr}}.dump(2) + "\n");
        else Print(fmt::format("{}: document-property file without a fax section\n", file));
        return 0;
    }
    // A block in the old layout has the same header and 768-byte entries:
    // the current entry without item 1894 (bytes 768-817) and the two bytes
    // after it.  A bare one is listed as it is; reading a document-property
    // file converts it.
    const FaxSummary s = SummariseFax(f.block, file, f.oldLayout);
    const size_t entrySize = f.oldLayout ? DMA_FAX_OLD_ENTRY_SIZE : DMA_FAX_ENTRY_SIZE;
    const uint8_t *first = f.block.data() + DMA_FAX_HEADER_SIZE;
    if (g.json) {
        Json head{{"file", file}};
        if (f.docProp) head["documentProperties"] = true;
        head["layout"] = f.oldLayout || f.sections.oldLayout ? "old" : "current";
        head["entrySize"] = entrySize;
        head["destinations"] = s.count;
        head["header1"] = s.header1;
        head["header2"] = s.header2;
        std::string text = head.dump(2);
        text.resize(text.size() - 2);  // the closing "\n}": the entries follow
        Print(text + ",\n");
        PrintFaxEntriesJson(first, s.count, entrySize, 2);
        Print("\n}\n");
        return 0;
    }
    if (f.docProp)
        Print(fmt::format("{}: fax section of a document-property file, {} bytes\n", file, f.block.size()));
    else
        Print(fmt::format("{}: fax-address block{}, {} bytes\n", file, f.oldLayout ? " in the old layout" : "",
                          f.block.size()));
    Table head({"field", "value"});
    head.Add({"layout", f.sections.oldLayout ? "old; read in the current layout" : LayoutText(f.oldLayout)});
    head.Add({"destinations", std::to_string(s.count)});
    head.Add({FaxHeaderLabel(DMA_ID_FAX_HEADER1), QuoteText(s.header1)});
    head.Add({FaxHeaderLabel(DMA_ID_FAX_HEADER2), QuoteText(s.header2)});
    Print(head.Render());
    PrintFaxEntries(first, s.count, entrySize);
    return 0;
}

int CmdFaxAdd(const Globals &g, const std::string &file, const std::vector<std::string> &fields) {
    const std::vector<FieldAssignment> assignments = ParseAssignments(FaxEntryFields(), fields);
    FaxFile f = LoadForChange(file);
    const unsigned count = FaxBlockCount(f.block.data());
    if (count == 0xFFFF) throw UserError(fmt::format("{}: the block holds 65535 destinations, its most", file));
    f.block.insert(f.block.begin() + DMA_FAX_HEADER_SIZE + static_cast<ptrdiff_t>(count) * DMA_FAX_ENTRY_SIZE,
                   DMA_FAX_ENTRY_SIZE, 0);
    FaxWork w;
    w.Point(f.block);
    SetCount(w, count + 1, file);
    w.Point(f.block);  // one more element
    for (const FieldAssignment &a : assignments) WriteFieldSetting(w.devMode.data(), w.secondary.data(), a);
    const DMA_RESULT r = DMA_ApplyData(&w.ctx, DMA_KIND_FAX, 1, 0);
    if (r != DMA_OK) throw UserError(fmt::format("{}: the new destination cannot be stored: {}", file, ResultMessage(r)));
    SaveFaxFile(f);
    const uint8_t *entry = f.block.data() + DMA_FAX_HEADER_SIZE + static_cast<size_t>(count) * DMA_FAX_ENTRY_SIZE;
    if (g.json) {
        Print(Json{{"file", file}, {"added", FaxEntryJson(entry, DMA_FAX_ENTRY_SIZE, count + 1)}, {"destinations", count + 1}}
                  .dump(2) + "\n");
        return 0;
    }
    Print(fmt::format("{}: destination {} added\n", file, count + 1) +
          FieldsTable(FaxEntryFields(), entry, DMA_FAX_ENTRY_SIZE) + WrittenNote(f));
    return 0;
}

int CmdFaxSet(const Globals &g, const std::string &file, const std::string &position,
              const std::vector<std::string> &fields) {
    const unsigned pos = ParsePosition(position);
    const std::vector<FieldAssignment> assignments = ParseAssignments(FaxEntryFields(), fields);
    FaxFile f = LoadForChange(file);
    const unsigned count = FaxBlockCount(f.block.data());
    if (pos > count)
        throw UserError(fmt::format("{}: no destination {}; the block has {}", file, pos, count));
    uint8_t *entry = f.block.data() + DMA_FAX_HEADER_SIZE + static_cast<size_t>(pos - 1) * DMA_FAX_ENTRY_SIZE;
    const std::vector<uint8_t> before(entry, entry + DMA_FAX_ENTRY_SIZE);
    FaxWork w;
    w.Point(f.block);
    DMA_RESULT r = DMA_AccessibleData(&w.ctx, DMA_KIND_FAX, pos);
    if (r != DMA_OK) {
        // The load writes each text field up to its terminator; item 1897
        // holds 16 bytes of data, and when none of its units is zero (as in
        // every entry converted from the old layout) that text runs past its
        // field and the library refuses it.
        const uint8_t *raw = entry + offsetof(FaxAddressEntry, item1897);
        bool terminated = false;
        for (size_t i = 0; i + 1 < sizeof(FaxAddressEntry::item1897); i += 2) terminated |= !(raw[i] | raw[i + 1]);
        throw UserError(fmt::format("{}: destination {} cannot be read into the settings: {}{}; nothing was changed",
                                    file, pos, ResultMessage(r),
                                    terminated ? "" : " (its item 1897 holds 16 bytes without a zero unit, which the "
                                                      "library cannot write into that setting)"));
    }
    for (const FieldAssignment &a : assignments) WriteFieldSetting(w.devMode.data(), w.secondary.data(), a);
    r = DMA_ApplyData(&w.ctx, DMA_KIND_FAX, 0, pos);
    if (r != DMA_OK)
        throw UserError(fmt::format("{}: destination {} cannot be stored: {}; nothing was changed", file, pos,
                                    ResultMessage(r)));
    // What changed, field by field (a store can change more than was given:
    // bytes after a text's terminator do not come back).
    Table t({"item", "value", "was"}, {0});
    Json changed = Json::array();
    for (const RecordField &fd : FaxEntryFields()) {
        const std::string now = FieldText(fd, entry + fd.offset), was = FieldText(fd, before.data() + fd.offset);
        if (std::memcmp(entry + fd.offset, before.data() + fd.offset, fd.width) == 0) continue;
        t.Add({std::to_string(fd.item), now, was});
        Json j{{"item", fd.item}};
        FieldJson(fd, entry + fd.offset, j);
        changed.push_back(std::move(j));
    }
    if (!t.Empty()) SaveFaxFile(f);
    if (g.json) {
        Print(Json{{"file", file}, {"position", pos}, {"changed", changed}}.dump(2) + "\n");
        return 0;
    }
    if (t.Empty()) {
        Print(fmt::format("{}: destination {} unchanged\n", file, pos));
        return 0;
    }
    Print(fmt::format("{}: destination {}\n", file, pos) + t.Render() + WrittenNote(f));
    return 0;
}

int CmdFaxDelete(const Globals &g, const std::string &file, const std::string &position) {
    const unsigned pos = ParsePosition(position);
    FaxFile f = LoadForChange(file);
    const unsigned count = FaxBlockCount(f.block.data());
    if (pos > count)
        throw UserError(fmt::format("{}: no destination {}; the block has {}", file, pos, count));
    const auto at = f.block.begin() + DMA_FAX_HEADER_SIZE + static_cast<ptrdiff_t>(pos - 1) * DMA_FAX_ENTRY_SIZE;
    f.block.erase(at, at + DMA_FAX_ENTRY_SIZE);
    FaxWork w;
    w.Point(f.block);
    SetCount(w, count - 1, file);
    SaveFaxFile(f);
    if (g.json)
        Print(Json{{"file", file}, {"deleted", pos}, {"destinations", count - 1}}.dump(2) + "\n");
    else
        Print(fmt::format("{}: destination {} deleted, {} remain\n", file, pos, count - 1) + WrittenNote(f));
    return 0;
}

}  // namespace dmactl
