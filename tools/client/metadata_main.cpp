// metadata_main.cpp - dmaccess_metadata: writes dmaccess-metadata.json, what a
// client in another language needs to know about the library beyond its C
// exports, taken from the same tables dmactl uses.
//
//   dmaccess_metadata OUT.json     (or "-" for standard output)
//
// The file holds the library's version, every setting with its place and the
// rules for its values, the linked settings, the layouts of the fixed
// records, record sizes, signatures, result codes, the font members and the
// rules of a settings document's import.  Objects are written with sorted
// keys and arrays in a fixed order, so two runs over the same sources give
// the same bytes and a committed copy can be compared with the built one.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <exception>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "catalogue_view.h"
#include "default_records.h"
#include "describe.h"
#include "dmaccess/dmaccess.h"
#include "import_rules.h"
#include "json_form.h"
#include "meanings.h"
#include "names.h"
#include "layouts.h"
#include "record_files.h"
#include "settings.h"

// The built-in names only: a team's names file must not change the file.
#include "devmode_names.inc"

namespace {

using nlohmann::json;
using namespace dmaclient;

// Format and version of this file: the version grows when a member changes
// its meaning or goes away (new members do not change it).
constexpr const char *kFormat = "dmaccess-metadata";
constexpr int kVersion = 1;

std::string Hex(uint32_t v) { return fmt::format("0x{:04X}", v); }

// How DMA_GetValue's 32 bits read for a setting: the width and signedness of
// the type it is handed out as.
void ReadingOf(const Location &l, bool &isSigned, int &bits) {
    switch (PresentedType(l)) {
    case DMA_VT_SHORT: isSigned = true; bits = 16; return;
    case DMA_VT_WORD: isSigned = false; bits = 16; return;
    case DMA_VT_BYTE: isSigned = false; bits = 8; return;
    case DMA_VT_INT:
    case DMA_VT_LONG: isSigned = true; bits = 32; return;
    default: isSigned = false; bits = 32; return;  // DWORD, plain 32-bit FLAG
    }
}

json SettingJson(const Setting &s, const std::map<uint16_t, std::string> &names,
                 const std::map<uint16_t, uint16_t> &followerOf) {
    const Location &l = s.where;
    json j;
    j["id"] = Hex(s.dmaId);
    if (const auto n = names.find(s.dmaId); n != names.end()) j["name"] = n->second;
    j["kind"] = KindName(s.kind);
    j["size"] = s.size;
    AddPlaceJson(j, l);
    j["capacity"] = l.size;
    j["flagMask"] = l.flagMask;
    if (l.plainId) j["plainId"] = Hex(l.plainId);
    j["protected"] = IsProtectedId(s.dmaId);
    j["faxHeader"] = IsFaxHeaderId(s.dmaId);
    j["importAlwaysWrites"] = ImportAlwaysWrites(s);
    j["importVerifies"] = ImportVerifies(s);
    if (s.kind == ValueKind::Integer) {
        int64_t lo, hi;
        IntegerRange(l, lo, hi);
        bool isSigned;
        int bits;
        ReadingOf(l, isSigned, bits);
        j["min"] = lo;
        j["max"] = hi;
        j["signed"] = isSigned;
        j["readBits"] = bits;
        // "flag": read and written as 0 or 1, shown as off/on; "number":
        // shown in decimal and in hex of readBits.
        j["reads"] = l.flagMask ? "flag" : "number";
        j["packedByteMask"] = IsPackedByteItem(l.itemId) ? PackedByteMask(l.itemId) : 0;
    }
    if (const uint16_t linked = LinkedSettingOf(s)) j["linkedSetting"] = Hex(linked);
    if (const auto f = followerOf.find(s.dmaId); f != followerOf.end()) j["follows"] = Hex(f->second);
    return j;
}

// A field's name as clients spell it: the key of a record that has one, the
// rectangle values of kind 4 as r0-r3, every other field by its item.
std::string FieldName(int kind, const RecordField &f, size_t index) {
    if (index == 0 && (kind == 2 || kind == 3 || kind == 7)) return "name";
    if (index == 0 && kind == 4) return "key";
    if (!f.item && f.label && f.label[0] == 'R') return fmt::format("r{}", f.label[1]);
    if (!f.item && f.label) {
        std::string n;
        for (const char *p = f.label; *p; ++p) {
            if (*p == ' ') { if (p[1]) n += static_cast<char>(std::toupper(static_cast<unsigned char>(*++p))); }
            else n += *p;
        }
        return n;  // "layout version" -> "layoutVersion"
    }
    return fmt::format("item{}", f.item);
}

// Bytes of a record that belong to no field, by the header's member names:
// kept as they are by every client that rewrites a record.
struct Gap {
    int kind;
    const char *name;
    size_t offset, width;
};
const Gap kGaps[] = {
    {4, "untouched", offsetof(Kind4Record, untouched), sizeof(Kind4Record::untouched)},
    {5, "unused742", offsetof(FaxAddressEntry, unused742), sizeof(FaxAddressEntry::unused742)},
    {5, "unused818", offsetof(FaxAddressEntry, unused818), sizeof(FaxAddressEntry::unused818)},
};

json LayoutJson(int kind, std::span<const RecordField> fields, size_t size) {
    json rows = json::array();
    std::vector<std::pair<size_t, json>> byOffset;
    for (size_t i = 0; i < fields.size(); ++i) {
        const RecordField &f = fields[i];
        json r;
        r["field"] = FieldName(kind, f, i);
        r["item"] = f.item;
        r["offset"] = f.offset;
        r["width"] = f.width;
        r["type"] = ValueTypeName(f.type);
        r["label"] = f.label ? json(f.label) : json(nullptr);
        r["raw"] = f.raw;
        byOffset.emplace_back(f.offset, r);
    }
    for (const Gap &g : kGaps) {
        if (g.kind != kind) continue;
        byOffset.emplace_back(g.offset, json{{"field", g.name}, {"item", 0}, {"offset", g.offset}, {"width", g.width},
                                             {"type", "BYTES"}, {"label", "belongs to no field"}, {"raw", true}});
    }
    std::stable_sort(byOffset.begin(), byOffset.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    for (auto &r : byOffset) rows.push_back(std::move(r.second));
    return json{{"size", size}, {"fields", rows}};
}

// The values of a linked setting's driver that its follower follows, as
// data: every value from 0 (to 64 at most) is written on a copy of the
// records and the follower read back.  A follower that depends on nothing
// else gets {"value", "follower"}; a paired one, which also reads
// dmOrientation and the class setting (item 295), gets the follower's value
// for the agreeing pairs (orientation 1 with class 1, 4 or 16, 2 with 2, 8
// or 32) and for the crossed ones, or "follower" when it is the same under
// no orientation and class at all.  A value that is not listed is refused.
json LinkedValues(const RecordSet &records, const Setting &driver) {
    const bool paired = driver.where.itemId != 267;
    auto derive = [&](int64_t value, int64_t orient, int64_t classValue, int64_t &out) {
        const std::optional<int64_t> d = LinkedOutcome(records, driver, value, orient, classValue);
        if (d) out = *d;
        return d.has_value();
    };
    int64_t lo, hi;
    IntegerRange(driver.where, lo, hi);
    json values = json::array();
    for (int64_t value = 0; value <= std::min<int64_t>(hi, 64); ++value) {
        int64_t any = 0, agree = 0, crossed = 0;
        if (!paired || derive(value, 0, 3, any)) {
            if (paired || derive(value, -1, -1, any)) values.push_back(json{{"value", value}, {"follower", any}});
            continue;
        }
        const bool a = derive(value, 1, 1, agree) || derive(value, 2, 2, agree);
        const bool c = derive(value, 1, 2, crossed) || derive(value, 2, 1, crossed);
        if (a || c) {
            json row{{"value", value}};
            if (a) row["agreeing"] = agree;
            if (c) row["crossed"] = crossed;
            values.push_back(row);
        }
    }
    return values;
}

json Metadata() {
    std::map<uint16_t, std::string> names;
    for (const NameEntry &e : ParseNamesText(kBuiltInNames, "devmode.names")) names[e.dmaId] = e.name;

    RecordSet records;
    records.devMode.bytes = DefaultDevMode();
    records.secondary.bytes = DefaultSecondary();
    records.faxBlock = Record{RecordKind::FaxBlock, DefaultFaxBlock(), {}};
    DmaContext ctx = records.Context();
    // The settings these records offer, and the protected write-only IDs,
    // which the library lists through their plain IDs only.
    std::vector<Setting> settings = AvailableSettings(ctx);
    for (uint16_t id = DMA_ID_PROTECTED_FIRST; id <= DMA_ID_PROTECTED_LAST; ++id) {
        Setting s;
        if (DescribeSetting(ctx, id, s) != DMA_OK) {
            const std::optional<Location> l = Locate(id);
            if (!l) continue;
            s.dmaId = id;
            s.kind = ValueKind::String;
            s.size = 0;
            s.where = *l;
        }
        settings.push_back(s);
    }
    std::sort(settings.begin(), settings.end(), [](const Setting &a, const Setting &b) { return a.dmaId < b.dmaId; });

    std::map<uint16_t, uint16_t> followerOf;
    json linked = json::array();
    for (const Setting &s : settings) {
        const uint16_t follower = LinkedSettingOf(s);
        if (!follower) continue;
        followerOf[follower] = s.dmaId;
        const Relations r = DescribeRelations(ctx, records, s);
        json drivenBy = json::array();
        for (uint16_t d : DescribeRelations(ctx, records, RequireSetting(ctx, follower)).drivenBy)
            drivenBy.push_back(Hex(d));
        linked.push_back(json{{"driver", Hex(s.dmaId)},
                              {"follower", Hex(follower)},
                              {"driverItem", s.where.itemId},
                              {"followerItem", Locate(follower) ? Locate(follower)->itemId : 0},
                              {"followerDrivenBy", drivenBy},
                              {"hint", LinkedSettingHint(s)},
                              {"values", LinkedValues(records, s)},
                              {"rule", r.rule}});
    }
    json all = json::array();
    for (const Setting &s : settings) all.push_back(SettingJson(s, names, followerOf));

    json layouts;
    for (int kind : {2, 3, 4, 7}) {
        const size_t size = static_cast<size_t>(DMA_QueryStructSize(kind));
        layouts[fmt::format("kind{}", kind)] = LayoutJson(kind, KindFields(kind), size);
    }
    layouts["kind5"] = LayoutJson(5, FaxEntryFields(), DMA_FAX_ENTRY_SIZE);
    json user = LayoutJson(0, UserSettingFields(), DMA_USER_SETTING_INFO_SIZE);
    user["version"] = DMA_USER_SETTING_VERSION;
    // The library writes the value 7 into the mark of every record it hands
    // out, bytes no field of the layout covers; a client that builds a
    // record writes it too, so that its record equals the library's.
    user["mark"] = json{{"offset", offsetof(UserSettingInfo, mark)}, {"width", sizeof(UserSettingInfo::mark)},
                        {"value", 7}};
    layouts["userSettings"] = user;

    // Headers of the fax-address block and of the document-property file's
    // sections: named fields only, each as the header declares it.
    auto header = [](size_t size, std::initializer_list<json> fields) {
        return json{{"size", size}, {"fields", json(fields)}};
    };
#define DMA_META_FIELD(type_, member, vt)                                                                         \
    json {                                                                                                         \
        {"field", #member}, {"item", 0}, {"offset", offsetof(type_, member)}, {"width", sizeof(type_::member)}, \
            {"type", vt}, {"label", nullptr}, {"raw", false}                                                       \
    }
    layouts["faxBlock"] = header(sizeof(FaxAddressBlock), {DMA_META_FIELD(FaxAddressBlock, signature, "STRING"),
                                                           DMA_META_FIELD(FaxAddressBlock, count, "WORD"),
                                                           DMA_META_FIELD(FaxAddressBlock, header1, "STRING"),
                                                           DMA_META_FIELD(FaxAddressBlock, header2, "STRING")});
    layouts["ndevHeader"] = header(sizeof(DmaNdevHeader), {DMA_META_FIELD(DmaNdevHeader, signature, "STRING"),
                                                          DMA_META_FIELD(DmaNdevHeader, magic, "DWORD"),
                                                          DMA_META_FIELD(DmaNdevHeader, payloadSize, "DWORD")});
    layouts["tmbInfoHeader"] = header(sizeof(DmaTmbInfoHeader),
                                      {DMA_META_FIELD(DmaTmbInfoHeader, signature, "STRING"),
                                       DMA_META_FIELD(DmaTmbInfoHeader, payloadSize, "DWORD")});
    layouts["spInfoHeader"] = header(sizeof(DmaSpInfoHeader), {DMA_META_FIELD(DmaSpInfoHeader, signature, "STRING"),
                                                              DMA_META_FIELD(DmaSpInfoHeader, unchecked, "WORD"),
                                                              DMA_META_FIELD(DmaSpInfoHeader, payloadSize, "DWORD")});
#undef DMA_META_FIELD

    json constants;
#define DMA_META_CONSTANT(name) constants[#name] = name
    DMA_META_CONSTANT(DMA_NDEV_MAGIC);
    DMA_META_CONSTANT(DMA_ID_FAX_HEADER1);
    DMA_META_CONSTANT(DMA_ID_FAX_HEADER2);
    DMA_META_CONSTANT(DMA_ID_PROTECTED_FIRST);
    DMA_META_CONSTANT(DMA_ID_PROTECTED_LAST);
    DMA_META_CONSTANT(DMA_ID_DOCPROP_PATH);
    DMA_META_CONSTANT(DMA_ID_FAXFILE_PATH);
    DMA_META_CONSTANT(DMA_USER_SETTING_VERSION);
#undef DMA_META_CONSTANT

    json sizes;
#define DMA_META_SIZE(name) sizes[#name] = name
    DMA_META_SIZE(DMA_DEVMODE_MIN_SIZE);
    DMA_META_SIZE(DMA_SECONDARY_MIN_SIZE);
    DMA_META_SIZE(DMA_DEVMODE_EXT_BASE);
    DMA_META_SIZE(DMA_KIND2_SIZE);
    DMA_META_SIZE(DMA_KIND3_SIZE);
    DMA_META_SIZE(DMA_KIND4_SIZE);
    DMA_META_SIZE(DMA_FAX_ENTRY_SIZE);
    DMA_META_SIZE(DMA_FAX_HEADER_SIZE);
    DMA_META_SIZE(DMA_KIND7_SIZE);
    DMA_META_SIZE(DMA_FAX_OLD_ENTRY_SIZE);
    DMA_META_SIZE(DMA_USER_SETTING_INFO_SIZE);
#undef DMA_META_SIZE

    json signatures;
#define DMA_META_SIGNATURE(name) signatures[#name] = name
    DMA_META_SIGNATURE(DMA_NDEV_SIGNATURE);
    DMA_META_SIGNATURE(DMA_TMBINFO_SIGNATURE);
    DMA_META_SIGNATURE(DMA_SPINFO_SIGNATURE);
    DMA_META_SIGNATURE(DMA_FAX_SIGNATURE);
    DMA_META_SIGNATURE(DMA_FAX_OLD_SIGNATURE);
#undef DMA_META_SIGNATURE

    json codes, statuses;
#define DMA_RESULT_CODE(name, value, message) codes[#name] = json{{"value", value}, {"message", message}};
#define DMA_RAW_STATUS(name, value) statuses[#name] = value;
#include "result_codes.def"
#undef DMA_RESULT_CODE
#undef DMA_RAW_STATUS

    json valueTypes;
    for (uint16_t t = 0; t < 16; ++t)
        if (std::strcmp(ValueTypeName(t), "?") != 0) valueTypes[ValueTypeName(t)] = t;
    json areas;
    for (uint16_t a : {uint16_t{DMA_SA_DEVMODE}, uint16_t{DMA_SA_DEVMODE_EXT}, uint16_t{DMA_SA_SECONDARY}, kFaxArea})
        areas[AreaName(a)] = a;

    json members = json::array();
    for (const FontMember &m : kFontMembers)
        members.push_back(json{{"name", m.name}, {"offset", m.offset}, {"width", m.width}, {"signed", m.isSigned},
                               {"min", FontMemberMin(m)}, {"max", FontMemberMax(m)}});
    json font{{"members", members},
              {"faceOffset", offsetof(LOGFONTW, lfFaceName)},
              {"faceChars", LF_FACESIZE},
              {"ansiSize", sizeof(LOGFONTA)},
              {"recordSize", sizeof(LOGFONTW)}};

    json checks = json::array();
    for (const char *c : kImportChecks) checks.push_back(c);
    json import{{"document", {{"format", kDocumentFormat}, {"version", kDocumentVersion}}},
                {"checks", checks},
                {"order", "dmaId"},  // ascending DMA ID
                {"skipWhenHeld", "a setting that holds the document's value is not written, unless its "
                                 "importAlwaysWrites is true"},
                {"refusedWriteKept", {"linkedDriver", "valueStored", "followerInDocument"}},
                {"verify", "every setting whose importVerifies is true reads back as the document's value"}};

    // The built-in value names by DMA ID, value (decimal) -> name; a team's
    // names file adds its own at run time.
    json meanings = json::object();
    for (uint16_t id : SettingsWithBuiltInMeanings())
        for (const ValueName &n : BuiltInMeanings(id)) meanings[Hex(id)][std::to_string(n.value)] = n.name;
    return json{{"format", kFormat},
                {"version", kVersion},
                {"library",
                 {{"version", DMACCESS_VERSION_STRING},
                  {"major", DMACCESS_VERSION_MAJOR},
                  {"minor", DMACCESS_VERSION_MINOR},
                  {"patch", DMACCESS_VERSION_PATCH}}},
                {"settings", all},
                {"linkedSettings", linked},
                {"layouts", layouts},
                {"sizes", sizes},
                {"constants", constants},
                {"signatures", signatures},
                {"resultCodes", codes},
                {"rawStatuses", statuses},
                {"valueTypes", valueTypes},
                {"areas", areas},
                {"font", font},
                {"import", import},
                {"meanings", meanings}};
}

// The file's text: members in key order, each indented by one space; the
// settings one a line, so that a change of one setting is one changed line.
std::string MetadataText(const json &doc) {
    std::string text = "{\n";
    size_t n = 0;
    for (const auto &[key, value] : doc.items()) {
        text += " " + json(key).dump() + ": ";
        if (key == "settings") {
            text += "[\n";
            for (size_t i = 0; i < value.size(); ++i)
                text += "  " + value[i].dump() + (i + 1 < value.size() ? ",\n" : "\n");
            text += " ]";
        } else {
            const std::string member = value.dump(1);
            for (char c : member) text += c == '\n' ? std::string("\n ") : std::string(1, c);
        }
        text += ++n < doc.size() ? ",\n" : "\n";
    }
    return text + "}\n";
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dmaccess_metadata OUT.json (or - for standard output)\n");
        return 2;
    }
    try {
        const std::string text = MetadataText(Metadata());
        const std::string out = argv[1];
        if (out == "-") {
            std::cout << text;
        } else {
            std::ofstream f(out, std::ios::binary | std::ios::trunc);
            f << text;
            if (!f.flush()) {
                std::fprintf(stderr, "dmaccess_metadata: cannot write %s\n", out.c_str());
                return 1;
            }
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "dmaccess_metadata: %s\n", e.what());
        return 1;
    }
    return 0;
}
