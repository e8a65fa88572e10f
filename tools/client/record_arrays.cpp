// record_arrays.cpp - record-array files and the record operations on them.
#include "record_arrays.h"

#include <cstring>

#include <fmt/format.h>

#include "ansi_text.h"
#include "layouts.h"
#include "settings.h"

namespace dmaclient {
namespace {

size_t ElementSize(int kind) { return static_cast<size_t>(DMA_QueryStructSize(kind)); }

RecordArray &ArrayOf(DmaContext &ctx, int kind) {
    switch (kind) {
    case DMA_KIND_2: return ctx.kind2Records;
    case DMA_KIND_3: return ctx.kind3Records;
    case DMA_KIND_4: return ctx.kind4Records;
    default: return ctx.kind7Records;
    }
}

// Points the kind's array of `ctx` at elements [first, first + count).
void PointArray(DmaContext &ctx, RecordArrayFile &f, unsigned first, unsigned count) {
    RecordArray &a = ArrayOf(ctx, f.kind);
    a.count = count;
    a.elementSize = static_cast<uint32_t>(f.size);
    a.states = f.states.data() + first;
    a.records = f.Element(first);
}

std::string AnsiName(const std::string &name) {
    const std::optional<std::string> ansi = Utf8ToAnsi(name);
    if (!ansi) throw UserError(fmt::format("name \"{}\": not text the ANSI code page can hold", name));
    return *ansi;
}

// Position (1-based), checked against the array; returns the index.
unsigned CheckPosition(const RecordArrayFile &f, unsigned pos) {
    if (pos == 0 || pos > f.Count())
        throw UserError(fmt::format("{}: no element {}; the array has {}", f.path, pos, f.Count()));
    return pos - 1;
}

std::string MissingMessage(const RecordArrayFile &f, const std::string &name, DMA_RESULT r, const char *which) {
    if (r == DMA_E_NO_RECORD || r == DMA_E_NO_KIND4_RECORD)
        return fmt::format("{}: no {} named \"{}\"", f.path, which, name);
    return fmt::format("{}: \"{}\": {}", f.path, name, ResultMessage(r));
}

void RequireName(const ElementChoice &which) {
    if (which.name.empty()) throw UserError("give the element's name, or its --position", 2);
}

// The element at a position and its name, for an operation on that element
// alone; `usable` says whether its state allows the operation, else the
// message `refusal` (given the position and state).
std::string ChosenName(RecordArrayFile &f, unsigned index, bool usable, const std::string &refusal) {
    const std::optional<std::string> current = f.Name(index);
    if (!usable || !current) throw UserError(refusal);
    return *current;
}

}  // namespace

int CheckRecordKind(int kind) {
    if (KindFields(kind).empty() || ElementSize(kind) == 0)
        throw UserError(fmt::format("record kind {}: the record kinds are 2, 3, 4 and 7 (fax destinations, kind 5, "
                                    "have the fax commands)", kind), 2);
    return kind;
}

std::vector<uint8_t> RecordArrayFile::Bytes() const {
    std::vector<uint8_t> b(elements);
    b.insert(b.end(), states.begin(), states.end());
    return b;
}

void RecordArrayFile::Append() {
    elements.resize(elements.size() + size, 0);
    states.push_back(DMA_STATE_EMPTY);
}

std::optional<std::string> RecordArrayFile::Name(unsigned i) {
    uint32_t n = 0;
    if (DMA_GetNameFromInfo(Element(i), kind, &n, nullptr) != DMA_E_MORE_DATA || n == 0) return std::nullopt;
    std::string ansi(n, '\0');
    if (DMA_GetNameFromInfo(Element(i), kind, &n, ansi.data()) != DMA_OK) return std::nullopt;
    ansi.resize(std::strlen(ansi.c_str()));
    return AnsiToUtf8(ansi);
}

std::vector<unsigned> RecordArrayFile::Named(const std::string &name) {
    const std::string wanted = AnsiToUtf8(AnsiName(name));
    std::vector<unsigned> out;
    for (unsigned i = 0; i < Count(); ++i)
        if (states[i] != DMA_STATE_EMPTY && Name(i) == wanted) out.push_back(i);
    return out;
}

RecordArrayFile NewRecordArray(int kind, unsigned count) {
    RecordArrayFile f;
    f.kind = CheckRecordKind(kind);
    f.size = ElementSize(kind);
    // A caller's array is counted in 32 bits, but one the tool writes is
    // held in memory whole: at most 1 GiB of elements and state bytes.
    constexpr uint64_t kMostBytes = uint64_t{1} << 30;
    if (uint64_t{count} * (f.size + 1) > kMostBytes)
        throw UserError(fmt::format("--count {}: an array of {} kind {} records would take {} bytes; the tool "
                                    "writes at most {} elements of this kind ({} bytes)",
                                    count, count, kind, uint64_t{count} * (f.size + 1), kMostBytes / (f.size + 1),
                                    kMostBytes));
    f.states.reserve(count);
    f.elements.reserve(size_t{count} * f.size);
    for (unsigned i = 0; i < count; ++i) f.Append();
    return f;
}

RecordArrayFile LoadRecordArray(int kind, const std::string &path) {
    RecordArrayFile f;
    f.path = path;
    f.kind = CheckRecordKind(kind);
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

std::string ElementStateText(uint8_t s) {
    switch (s) {
    case DMA_STATE_EMPTY: return "empty";
    case DMA_STATE_IN_USE: return "in use";
    case DMA_STATE_DELETED: return "deleted";
    default: return fmt::format("unknown ({})", s);
    }
}

Applied ApplyToElement(RecordArrayFile &f, DmaContext &ctx, const ElementChoice &which) {
    Applied out{0, false};
    std::string name = which.name;
    DMA_RESULT r;
    if (which.position) {
        out.index = CheckPosition(f, which.position);
        if (name.empty())
            name = ChosenName(f, out.index, f.states[out.index] != DMA_STATE_EMPTY,
                              fmt::format("{}: element {} has no name yet; give one with --name", f.path,
                                          which.position));
        const std::string ansi = AnsiName(name);
        PointArray(ctx, f, out.index, 1);
        r = DMA_ApplyData(&ctx, f.kind, 1, reinterpret_cast<intptr_t>(ansi.c_str()));
    } else {
        RequireName(which);
        const std::string ansi = AnsiName(name);
        PointArray(ctx, f, 0, f.Count());
        r = DMA_ApplyData(&ctx, f.kind, 0, reinterpret_cast<intptr_t>(ansi.c_str()));
        if (r == DMA_E_NO_RECORD || r == DMA_E_NO_KIND4_RECORD) {
            // No element of that name: a new one at the end.
            f.Append();
            out.added = true;
            PointArray(ctx, f, 0, f.Count());
            r = DMA_ApplyData(&ctx, f.kind, 1, reinterpret_cast<intptr_t>(ansi.c_str()));
            out.index = f.Count() - 1;
        } else {
            const std::vector<unsigned> named = f.Named(name);
            out.index = named.empty() ? f.Count() : named.front();
        }
    }
    if (r == DMA_OK && out.index >= f.Count())
        throw UserError(fmt::format("{}: the stored element was not found", f.path));
    if (r != DMA_OK)
        throw UserError(fmt::format("{}: the settings cannot be stored as \"{}\": {}; the file was left unchanged",
                                    f.path, name, ResultMessage(r)));
    return out;
}

std::string LoadElement(RecordArrayFile &f, DmaContext &ctx, const ElementChoice &which) {
    std::string shown = which.name;
    if (which.position) {
        const unsigned index = CheckPosition(f, which.position);
        shown = ChosenName(f, index, f.states[index] == DMA_STATE_IN_USE,
                           fmt::format("{}: element {} is {}; only an element in use is loaded", f.path,
                                       which.position, ElementStateText(f.states[index])));
        PointArray(ctx, f, index, 1);
    } else {
        RequireName(which);
        PointArray(ctx, f, 0, f.Count());
    }
    // Only an element in use (state 1) is loaded.  The library tests one bit
    // of the state byte, so an element of a state no writer makes (3-255)
    // would pass; the search sees such elements as empty.
    std::vector<uint8_t> states(f.states.begin(), f.states.end());
    for (uint8_t &s : states)
        if (s > DMA_STATE_DELETED) s = DMA_STATE_EMPTY;
    ArrayOf(ctx, f.kind).states = states.data() + (which.position ? CheckPosition(f, which.position) : 0);
    const std::string ansi = AnsiName(shown);
    const DMA_RESULT r = DMA_AccessibleData(&ctx, f.kind, reinterpret_cast<intptr_t>(ansi.c_str()));
    if (r != DMA_OK) throw UserError(MissingMessage(f, shown, r, "element in use") + "; no record was changed");
    return shown;
}

std::pair<std::string, unsigned> DeleteElement(RecordArrayFile &f, const ElementChoice &which) {
    DmaContext ctx;
    std::memset(&ctx, 0, sizeof ctx);
    std::string shown = which.name;
    unsigned index = 0;
    if (which.position) {
        index = CheckPosition(f, which.position);
        shown = ChosenName(f, index, f.states[index] != DMA_STATE_EMPTY,
                           fmt::format("{}: element {} is empty; nothing to delete", f.path, which.position));
        PointArray(ctx, f, index, 1);
    } else {
        RequireName(which);
        PointArray(ctx, f, 0, f.Count());
    }
    const std::string ansi = AnsiName(shown);
    const DMA_RESULT r = DMA_DeleteData(&ctx, f.kind, ansi.c_str());
    if (!which.position) {
        const std::string wanted = AnsiToUtf8(ansi);
        for (index = 0; index < f.Count(); ++index)
            if (f.states[index] == DMA_STATE_DELETED && f.Name(index) == wanted) break;
    }
    if (r != DMA_OK) throw UserError(MissingMessage(f, shown, r, "non-empty element"));
    if (index >= f.Count()) throw UserError(fmt::format("{}: the deleted element was not found", f.path));
    return {shown, index};
}

}  // namespace dmaclient
