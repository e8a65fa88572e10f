// layouts.cpp - the layouts of the fixed-layout records, taken from the
// library's field lists, their listing, and the raw write of one field's setting.
#include "layouts.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <optional>

#include <fmt/format.h>

#include "ansi_text.h"
#include "catalogue/field_lists.h"
#include "catalogue_view.h"
#include "record_files.h"
#include "settings.h"
#include "value_format.h"

namespace dmaclient {
namespace {

// Item 1897 is declared a string but holds 16 bytes of binary data: shown as
// stored.
constexpr bool IsBinaryText(uint16_t item) { return item == 1897; }

// A record's fields as the library's own field list has them (the one list
// its transfers walk), in the list's order.
std::vector<RecordField> FromList(std::span<const dma::FieldListRow> list) {
    std::vector<RecordField> out;
    for (const dma::FieldListRow &row : list)
        out.push_back(RecordField{row.itemId, static_cast<size_t>(row.offset), row.size, row.valueType, nullptr,
                                  IsBinaryText(row.itemId)});
    return out;
}

std::vector<RecordField> Joined(std::initializer_list<std::vector<RecordField>> parts) {
    std::vector<RecordField> out;
    for (const std::vector<RecordField> &part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// Kind 4: the key, then the rectangle, whose items follow the orientation
// (dmOrientation) of the settings it was stored from: portrait R0-R3 = 1827,
// 1828, 1825, 1826; landscape 1826, 1825, 1827, 1828.  The record holds the
// four values; only the library's work buffer names their items.
std::vector<RecordField> Kind4Layout() {
    static constexpr const char *kLabels[] = {
        "R0 (1827 portrait, 1826 landscape)", "R1 (1828 portrait, 1825 landscape)",
        "R2 (1825 portrait, 1827 landscape)", "R3 (1826 portrait, 1828 landscape)"};
    static_assert(std::size(kLabels) == std::size(Kind4Record{}.rect));
    std::vector<RecordField> out = FromList(dma::Kind4KeyFields());
    for (size_t i = 0; i < std::size(kLabels); ++i)
        out.push_back(RecordField{0, offsetof(Kind4Record, rect) + i * sizeof(int32_t), sizeof(int32_t),
                                  DMA_VT_INT, kLabels[i]});
    return out;
}

// UserSettingInfo, layout version 4: the version, list 1's read-only words,
// the user's name, then lists 2-4, in the order of their places.
std::vector<RecordField> UserSettingLayout() {
    const RecordField version{0, offsetof(UserSettingInfo, version), sizeof(UserSettingInfo::version),
                              DMA_VT_WORD, "layout version"};
    const RecordField name{0, offsetof(UserSettingInfo, userName), sizeof(UserSettingInfo::userName),
                           DMA_VT_STRING, "user name"};
    return Joined({{version}, FromList(dma::UserSettingList(1)), {name}, FromList(dma::UserSettingList(2)),
                   FromList(dma::UserSettingList(3)), FromList(dma::UserSettingList(4))});
}

uint32_t LoadLe(const uint8_t *p, size_t width) {
    uint32_t v = 0;
    for (size_t i = width; i-- > 0;) v = (v << 8) | p[i];
    return v;
}

// A UTF-16 text field up to its terminator (or the whole field).
std::string FieldString(const uint8_t *p, size_t width) {
    const size_t limit = width / 2;
    size_t n = 0;
    while (n < limit && (p[2 * n] | p[2 * n + 1])) ++n;
    return Utf16ToUtf8(p, n);
}

FontValue FieldFont(const uint8_t *p) {
    FontValue f;
    for (size_t i = 0; i < kFontMemberCount; ++i) {
        const FontMember &m = kFontMembers[i];
        const uint32_t raw = LoadLe(p + m.offset, m.width);
        int64_t v = raw;
        if (m.isSigned && m.width == 4) v = static_cast<int32_t>(raw);
        else if (m.isSigned && m.width == 1) v = static_cast<int8_t>(raw);
        f.member[i] = v;
    }
    f.faceName = FieldString(p + offsetof(LOGFONTW, lfFaceName), sizeof(LOGFONTW::lfFaceName));
    return f;
}

std::string HexBytes(const uint8_t *p, size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += fmt::format("{:02X}", p[i]);
    return s;
}

std::optional<std::string> PrintableAscii(const uint8_t *p, size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        if (p[i] < 0x20 || p[i] > 0x7E) return std::nullopt;
        s += static_cast<char>(p[i]);
    }
    return s;
}

int64_t FieldInteger(const RecordField &f, const uint8_t *p) {
    const uint32_t raw = LoadLe(p, f.width);
    return f.type == DMA_VT_INT ? int64_t{static_cast<int32_t>(raw)} : int64_t{raw};
}

}  // namespace

std::string FieldName(const RecordField &f) { return f.item ? std::to_string(f.item) : std::string(f.label); }

std::span<const RecordField> FaxEntryFields() {
    static const std::vector<RecordField> fields = FromList(dma::Kind5Fields());
    return fields;
}
std::span<const RecordField> UserSettingFields() {
    static const std::vector<RecordField> fields = UserSettingLayout();
    return fields;
}
std::span<const RecordField> KindFields(int kind) {
    static const std::vector<RecordField> kKind2 = FromList(dma::Kind2Fields());
    static const std::vector<RecordField> kKind3 = FromList(dma::Kind3Fields());
    static const std::vector<RecordField> kKind4 = Kind4Layout();
    static const std::vector<RecordField> kKind7 = FromList(dma::Kind7Fields());
    switch (kind) {
    case DMA_KIND_2: return kKind2;
    case DMA_KIND_3: return kKind3;
    case DMA_KIND_4: return kKind4;
    case DMA_KIND_7: return kKind7;
    default: return {};
    }
}

std::string FieldText(const RecordField &f, const uint8_t *p) {
    if (f.raw) {
        const std::optional<std::string> ascii = PrintableAscii(p, f.width);
        return "hex " + HexBytes(p, f.width) + (ascii ? ", ASCII " + QuoteText(*ascii) : "");
    }
    if (f.type == DMA_VT_STRING) return QuoteText(FieldString(p, f.width));
    if (f.type == DMA_VT_LOGFONT) return FormatFont(FieldFont(p));
    const int64_t v = FieldInteger(f, p);
    return fmt::format("{} (0x{:X})", v, LoadLe(p, f.width));
}

void FieldJson(const RecordField &f, const uint8_t *p, Json &into) {
    if (f.raw) {
        into["bytes"] = HexBytes(p, f.width);
        if (const std::optional<std::string> ascii = PrintableAscii(p, f.width)) into["ascii"] = *ascii;
    } else if (f.type == DMA_VT_STRING) {
        into["value"] = FieldString(p, f.width);
    } else if (f.type == DMA_VT_LOGFONT) {
        Value v;
        v.kind = ValueKind::Font;
        v.font = FieldFont(p);
        into["value"] = ValueToJson(v);
    } else {
        into["value"] = FieldInteger(f, p);
    }
}

std::string FieldsTable(std::span<const RecordField> fields, const uint8_t *record, size_t size) {
    Table t({"item", "DMA ID", "type", "value"});
    for (const RecordField &f : fields) {
        if (f.offset + f.width > size) continue;
        const uint16_t dmaId = f.item ? DmaIdOfItem(f.item) : 0;
        t.Add({FieldName(f), dmaId ? FormatId(dmaId) : "-", ValueTypeName(f.type), FieldText(f, record + f.offset)});
    }
    return t.Render();
}

Json FieldsJson(std::span<const RecordField> fields, const uint8_t *record, size_t size) {
    Json out = Json::array();
    for (const RecordField &f : fields) {
        if (f.offset + f.width > size) continue;
        const uint16_t dmaId = f.item ? DmaIdOfItem(f.item) : 0;
        Json j = f.item ? Json{{"item", f.item}} : Json{{"field", f.label}};
        j["id"] = dmaId ? Json(FormatId(dmaId)) : Json(nullptr);
        j["type"] = ValueTypeName(f.type);
        FieldJson(f, record + f.offset, j);
        out.push_back(std::move(j));
    }
    return out;
}

std::vector<FieldAssignment> ParseAssignments(std::span<const RecordField> fields,
                                              const std::vector<std::string> &words) {
    std::string known;
    for (const RecordField &f : fields)
        if (f.item) known += (known.empty() ? "" : ", ") + std::to_string(f.item);
    std::vector<FieldAssignment> out;
    for (const std::string &w : words) {
        const size_t eq = w.find('=');
        if (eq == std::string::npos || eq == 0)
            throw UserError(fmt::format("\"{}\": give a field as FIELD=VALUE (FIELD: an item number, {}, or its "
                                        "DMA ID in hex)", w, known), 2);
        const std::string name = w.substr(0, eq);
        const RecordField *hit = nullptr;
        const bool hex = name.size() > 2 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X');
        char *end = nullptr;
        errno = 0;
        const unsigned long number = std::strtoul(name.c_str(), &end, hex ? 16 : 10);
        if (end && *end == '\0' && errno == 0 && number <= 0xFFFF) {
            for (const RecordField &f : fields) {
                if (!f.item) continue;
                if (hex ? DmaIdOfItem(f.item) == number : f.item == number) hit = &f;
            }
        }
        if (!hit)
            throw UserError(fmt::format("\"{}\": no field {} in this record; the fields are the items {} (or their "
                                        "DMA IDs in hex)", w, name, known), 2);
        for (const FieldAssignment &a : out)
            if (a.field == hit) throw UserError(fmt::format("\"{}\": field {} given twice", w, hit->item), 2);
        out.push_back({hit, w.substr(eq + 1)});
    }
    return out;
}

void WriteFieldSetting(void *devMode, void *secondary, const FieldAssignment &a) {
    const RecordField &f = *a.field;
    const std::string what = fmt::format("field {}", f.item);
    RawStatus st;
    if (f.type == DMA_VT_STRING) {
        const std::optional<std::u16string> units = Utf8ToUtf16(a.value);
        if (!units) throw UserError(fmt::format("{}: the value is not UTF-8 text", what));
        const char16_t *text = units->c_str();
        const int32_t length = static_cast<int32_t>(2 * (units->size() + 1));
        st = dma_SetValue(f.item, devMode, secondary, DMA_VT_STRING, length, &text);
        if (st & DMA_RS_BAD_SIZE)
            throw UserError(fmt::format("{}: the text \"{}\" ({} UTF-16 units) is too long for the setting", what,
                                        a.value, units->size()));
    } else if (f.type == DMA_VT_LOGFONT) {
        throw UserError(fmt::format("{}: a font field is not set here; set the font setting with `dmactl set` and "
                                    "store it into the record", what), 2);
    } else {
        int64_t lo = 0, hi = (int64_t{1} << (8 * f.width)) - 1;
        if (f.type == DMA_VT_INT) lo = INT32_MIN, hi = INT32_MAX;
        if (f.type == DMA_VT_FLAG) hi = 1;
        int64_t v = 0;
        if (f.type == DMA_VT_FLAG && (a.value == "on" || a.value == "off")) {
            v = a.value == "on";
        } else {
            const bool hex = a.value.size() > 2 && a.value[0] == '0' && (a.value[1] == 'x' || a.value[1] == 'X');
            char *end = nullptr;
            errno = 0;
            v = std::strtoll(a.value.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
            if (a.value.empty() || !end || *end != '\0' || errno != 0 || (hex && a.value.size() == 2))
                throw UserError(fmt::format("{}: \"{}\" is not an integer (decimal or 0x hex{})", what, a.value,
                                            f.type == DMA_VT_FLAG ? ", or on/off" : ""));
        }
        if (v < lo || v > hi)
            throw UserError(fmt::format("{}: value {} out of range ({} to {})", what, v, lo, hi));
        uint8_t buf[4] = {};
        for (size_t i = 0; i < 4; ++i) buf[i] = static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i));
        st = dma_SetValue(f.item, devMode, secondary, f.type, static_cast<int32_t>(f.width), buf);
    }
    if (st != DMA_RS_OK)
        throw UserError(fmt::format("{}: the library refused the value \"{}\" (raw status 0x{:02X})", what, a.value,
                                    static_cast<unsigned>(st)));
}

std::string Indented(const std::string &text, size_t spaces) {
    const std::string pad(spaces, ' ');
    std::string out = pad;
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\n' && i + 1 < text.size()) out += pad;
    }
    return out;
}

}  // namespace dmaclient
