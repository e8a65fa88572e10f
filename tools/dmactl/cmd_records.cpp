// cmd_records.cpp - the record arrays of kinds 2, 3, 4 and 7: records new,
// show, apply, load and delete.
//
// A record-array file holds N elements of the kind's size (Kind2Record 308
// bytes, Kind3Record 706, Kind4Record 20, Kind7Record 968) back to back,
// followed by their N state bytes (0 empty, 1 in use, 2 deleted): the
// RecordArray the library works on, with `records` at the file's first byte
// and `states` after the last element.  N is the file's size divided by the
// element size plus one; any other size is refused.
//
// Everything that finds, names, fills or marks an element is the library's:
//  - apply:  DMA_ApplyData stores the settings of the record set into the
//            element of that name (mode 0); when no element has the name, the
//            array grows by one empty element and mode 1 fills that last one;
//  - load:   DMA_AccessibleData writes an element in use into the settings;
//  - delete: DMA_DeleteData marks the element deleted (its bytes stay);
//  - names:  DMA_GetNameFromInfo.
// An element chosen by --position is handed to the library as an array of
// that one element, so the operation can reach no other.
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "ansi_text.h"
#include "commands.h"
#include "record_fields.h"
#include "settings.h"
#include "value_format.h"

namespace dmactl {
namespace {

size_t ElementSize(int kind) { return static_cast<size_t>(DMA_QueryStructSize(kind)); }

int CheckKind(int kind) {
    if (KindFields(kind).empty() || ElementSize(kind) == 0)
        throw UserError(fmt::format("record kind {}: the record kinds are 2, 3, 4 and 7 (fax destinations, kind 5, "
                                    "have the fax commands)", kind), 2);
    return kind;
}

struct RecordFile {
    std::string path;
    int kind = 0;
    size_t size = 0;  // element size
    std::vector<uint8_t> elements;
    std::vector<uint8_t> states;
    unsigned Count() const { return static_cast<unsigned>(states.size()); }
    uint8_t *Element(unsigned i) { return elements.data() + static_cast<size_t>(i) * size; }
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> b(elements);
        b.insert(b.end(), states.begin(), states.end());
        return b;
    }
    void Append() {
        elements.resize(elements.size() + size, 0);
        states.push_back(DMA_STATE_EMPTY);
    }
};

RecordFile LoadRecordFile(int kind, const std::string &path) {
    RecordFile f;
    f.path = path;
    f.kind = kind;
    f.size = ElementSize(kind);
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    if (bytes.size() % (f.size + 1) != 0)
        throw UserError(fmt::format("{}: not an array of kind {} records: {} bytes is no whole number of {}-byte "
                                    "elements, each with its state byte ({} bytes each)",
                                    path, kind, bytes.size(), f.size, f.size + 1));
    const size_t n = bytes.size() / (f.size + 1);
    if (n > 0xFFFFFFFFu) throw UserError(fmt::format("{}: too many elements", path));
    f.states.assign(bytes.begin() + static_cast<ptrdiff_t>(n * f.size), bytes.end());
    bytes.resize(n * f.size);
    f.elements = std::move(bytes);
    return f;
}

RecordArray &ArrayOf(DmaContext &ctx, int kind) {
    switch (kind) {
    case DMA_KIND_2: return ctx.kind2Records;
    case DMA_KIND_3: return ctx.kind3Records;
    case DMA_KIND_4: return ctx.kind4Records;
    default: return ctx.kind7Records;
    }
}

// Points the kind's array of `ctx` at elements [first, first + count).
void PointArray(DmaContext &ctx, RecordFile &f, unsigned first, unsigned count) {
    RecordArray &a = ArrayOf(ctx, f.kind);
    a.count = count;
    a.elementSize = static_cast<uint32_t>(f.size);
    a.states = f.states.data() + first;
    a.records = f.Element(first);
}

// The element's name as DMA_GetNameFromInfo gives it (UTF-8), or nullopt.
std::optional<std::string> ElementName(const uint8_t *element, int kind) {
    uint32_t size = 0;
    if (DMA_GetNameFromInfo(element, kind, &size, nullptr) != DMA_E_MORE_DATA || size == 0) return std::nullopt;
    std::string ansi(size, '\0');
    if (DMA_GetNameFromInfo(element, kind, &size, ansi.data()) != DMA_OK) return std::nullopt;
    ansi.resize(std::strlen(ansi.c_str()));
    return AnsiToUtf8(ansi);
}

std::string AnsiName(const std::string &name) {
    const std::optional<std::string> ansi = Utf8ToAnsi(name);
    if (!ansi) throw UserError(fmt::format("name \"{}\": not text the ANSI code page can hold", name));
    return *ansi;
}

const char *StateName(uint8_t s) {
    switch (s) {
    case DMA_STATE_EMPTY: return "empty";
    case DMA_STATE_IN_USE: return "in use";
    case DMA_STATE_DELETED: return "deleted";
    default: return "unknown";
    }
}

std::string StateText(uint8_t s) {
    return s <= DMA_STATE_DELETED ? StateName(s) : fmt::format("unknown ({})", s);
}

// Position from --position (1-based), checked against the array.
unsigned CheckPosition(const RecordFile &f, unsigned pos) {
    if (pos == 0 || pos > f.Count())
        throw UserError(fmt::format("{}: no element {}; the array has {}", f.path, pos, f.Count()));
    return pos - 1;
}

std::string MissingMessage(const RecordFile &f, const std::string &name, DMA_RESULT r, const char *which) {
    if (r == DMA_E_NO_RECORD || r == DMA_E_NO_KIND4_RECORD)
        return fmt::format("{}: no {} named \"{}\"", f.path, which, name);
    return fmt::format("{}: \"{}\": {}", f.path, name, ResultMessage(r));
}

void ShowElement(RecordFile &f, unsigned i, bool json, Json *into) {
    const std::optional<std::string> name = ElementName(f.Element(i), f.kind);
    if (json) {
        Json e{{"position", i + 1}, {"state", StateText(f.states[i])}};
        e["name"] = name ? Json(*name) : Json(nullptr);
        e["fields"] = FieldsJson(KindFields(f.kind), f.Element(i), f.size);
        into->push_back(std::move(e));
        return;
    }
    Print(fmt::format("\nelement {}: {}, name {}\n", i + 1, StateText(f.states[i]), name ? QuoteText(*name) : "-") +
          FieldsTable(KindFields(f.kind), f.Element(i), f.size));
}

}  // namespace

int CmdRecordsNew(const Globals &g, int kind, const std::string &file, unsigned count, bool force) {
    CheckKind(kind);
    if (!force && FileExists(file)) throw UserError(fmt::format("{}: exists (--force replaces it)", file));
    RecordFile f;
    f.kind = kind;
    f.size = ElementSize(kind);
    for (unsigned i = 0; i < count; ++i) f.Append();
    WriteFileAtomically(file, f.Bytes());
    if (g.json)
        Print(Json{{"written", file}, {"kind", kind}, {"elements", count}, {"elementSize", f.size}}.dump(2) + "\n");
    else
        Print(fmt::format("written {}: {} empty elements of kind {} ({} bytes each, then one state byte each)\n", file,
                          count, kind, f.size));
    return 0;
}

int CmdRecordsShow(const Globals &g, int kind, const std::string &file, const std::string &name, unsigned position) {
    RecordFile f = LoadRecordFile(CheckKind(kind), file);
    std::vector<unsigned> which;
    if (position) {
        which.push_back(CheckPosition(f, position));
    } else if (!name.empty()) {
        const std::string ansi = AnsiName(name);
        for (unsigned i = 0; i < f.Count(); ++i)
            if (f.states[i] != DMA_STATE_EMPTY && ElementName(f.Element(i), kind) == AnsiToUtf8(ansi)) which.push_back(i);
        if (which.empty()) throw UserError(fmt::format("{}: no element named \"{}\"", file, name));
    } else {
        for (unsigned i = 0; i < f.Count(); ++i) which.push_back(i);
    }
    Json elements = Json::array();
    if (!g.json) Print(fmt::format("{}: {} elements of kind {} ({} bytes each)\n", file, f.Count(), kind, f.size));
    for (unsigned i : which) ShowElement(f, i, g.json, &elements);
    if (g.json)
        Print(Json{{"file", file}, {"kind", kind}, {"elementSize", f.size}, {"count", f.Count()}, {"elements", elements}}
                  .dump(2) + "\n");
    return 0;
}

int CmdRecordsApply(const Globals &g, int kind, const std::string &file, const std::string &nameArg,
                    unsigned position) {
    RecordFile f = LoadRecordFile(CheckKind(kind), file);
    RecordSet set = LoadRecordSet(g.records);
    DmaContext ctx = set.Context();
    unsigned index = 0;
    bool added = false;
    std::string name = nameArg;
    DMA_RESULT r;
    if (position) {
        index = CheckPosition(f, position);
        if (name.empty()) {
            const std::optional<std::string> current = ElementName(f.Element(index), kind);
            if (!current || f.states[index] == DMA_STATE_EMPTY)
                throw UserError(fmt::format("{}: element {} has no name yet; give one with --name", file, position));
            name = *current;
        }
        const std::string ansi = AnsiName(name);
        PointArray(ctx, f, index, 1);
        r = DMA_ApplyData(&ctx, kind, 1, reinterpret_cast<intptr_t>(ansi.c_str()));
    } else {
        if (name.empty()) throw UserError("give the element's name, or its --position", 2);
        const std::string ansi = AnsiName(name);
        PointArray(ctx, f, 0, f.Count());
        r = DMA_ApplyData(&ctx, kind, 0, reinterpret_cast<intptr_t>(ansi.c_str()));
        if (r == DMA_E_NO_RECORD || r == DMA_E_NO_KIND4_RECORD) {
            // No element of that name: a new one at the end.
            f.Append();
            added = true;
            PointArray(ctx, f, 0, f.Count());
            r = DMA_ApplyData(&ctx, kind, 1, reinterpret_cast<intptr_t>(ansi.c_str()));
            index = f.Count() - 1;
        } else {
            for (index = 0; index < f.Count(); ++index)
                if (f.states[index] != DMA_STATE_EMPTY && ElementName(f.Element(index), kind) == AnsiToUtf8(ansi)) break;
        }
    }
    if (r == DMA_OK && index >= f.Count()) throw UserError(fmt::format("{}: the stored element was not found", file));
    if (r != DMA_OK)
        throw UserError(fmt::format("{}: the settings cannot be stored as \"{}\": {}; the file was left unchanged", file,
                                    name, ResultMessage(r)));
    WriteFileAtomically(file, f.Bytes());
    if (g.json) {
        Json elements = Json::array();
        ShowElement(f, index, true, &elements);
        Print(Json{{"file", file}, {"added", added}, {"element", elements[0]}}.dump(2) + "\n");
        return 0;
    }
    Print(fmt::format("{}: the settings stored into {}element {}", file, added ? "a new " : "", index + 1));
    ShowElement(f, index, false, nullptr);
    Print(fmt::format("written: {}\n", file));
    return 0;
}

int CmdRecordsLoad(const Globals &g, int kind, const std::string &file, const std::string &name, unsigned position) {
    RecordFile f = LoadRecordFile(CheckKind(kind), file);
    const RecordSet before = LoadRecordSet(g.records);
    RecordSet after = before;
    DmaContext ctx = after.Context();
    std::string shown = name;
    DMA_RESULT r;
    if (position) {
        const unsigned index = CheckPosition(f, position);
        const std::optional<std::string> current = ElementName(f.Element(index), kind);
        if (f.states[index] != DMA_STATE_IN_USE || !current)
            throw UserError(fmt::format("{}: element {} is {}; only an element in use is loaded", file, position,
                                        StateText(f.states[index])));
        shown = *current;
        const std::string ansi = AnsiName(*current);
        PointArray(ctx, f, index, 1);
        r = DMA_AccessibleData(&ctx, kind, reinterpret_cast<intptr_t>(ansi.c_str()));
    } else {
        if (name.empty()) throw UserError("give the element's name, or its --position", 2);
        const std::string ansi = AnsiName(name);
        PointArray(ctx, f, 0, f.Count());
        r = DMA_AccessibleData(&ctx, kind, reinterpret_cast<intptr_t>(ansi.c_str()));
    }
    if (r != DMA_OK)
        throw UserError(MissingMessage(f, shown, r, "element in use") + "; no record was changed");
    const std::vector<std::string> written = SaveChangedRecords(before, after);
    if (g.json) {
        Print(Json{{"file", file}, {"loaded", shown}, {"written", written}}.dump(2) + "\n");
        return 0;
    }
    Print(fmt::format("{}: element \"{}\" loaded into the settings\n", file, shown));
    for (const std::string &p : written) Print("written: " + p + "\n");
    if (written.empty()) Print("no record file changed\n");
    return 0;
}

int CmdRecordsDelete(const Globals &g, int kind, const std::string &file, const std::string &name, unsigned position) {
    RecordFile f = LoadRecordFile(CheckKind(kind), file);
    DmaContext ctx;
    std::memset(&ctx, 0, sizeof ctx);
    std::string shown = name;
    DMA_RESULT r;
    unsigned index = 0;
    if (position) {
        index = CheckPosition(f, position);
        const std::optional<std::string> current = ElementName(f.Element(index), kind);
        if (f.states[index] == DMA_STATE_EMPTY || !current)
            throw UserError(fmt::format("{}: element {} is empty; nothing to delete", file, position));
        shown = *current;
        const std::string ansi = AnsiName(*current);
        PointArray(ctx, f, index, 1);
        r = DMA_DeleteData(&ctx, kind, ansi.c_str());
    } else {
        if (name.empty()) throw UserError("give the element's name, or its --position", 2);
        const std::string ansi = AnsiName(name);
        PointArray(ctx, f, 0, f.Count());
        r = DMA_DeleteData(&ctx, kind, ansi.c_str());
        for (index = 0; index < f.Count(); ++index)
            if (f.states[index] == DMA_STATE_DELETED && ElementName(f.Element(index), kind) == AnsiToUtf8(ansi)) break;
    }
    if (r != DMA_OK) throw UserError(MissingMessage(f, shown, r, "non-empty element"));
    if (index >= f.Count()) throw UserError(fmt::format("{}: the deleted element was not found", file));
    WriteFileAtomically(file, f.Bytes());
    if (g.json)
        Print(Json{{"file", file}, {"deleted", shown}, {"position", index + 1}}.dump(2) + "\n");
    else
        Print(fmt::format("{}: element {} (\"{}\") marked deleted\nwritten: {}\n", file, index + 1, shown, file));
    return 0;
}

}  // namespace dmactl
