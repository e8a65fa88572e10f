// json_form.h - the JSON forms of dmactl: values, settings with their
// locations, and the settings document that `export` writes and `import`
// reads.
//
// Settings document:
//   { "format": "dmactl-settings", "version": 1,
//     "settings": [ { "id": "0x0007", "kind": "integer", "value": 1 },
//                   { "id": "0x0001", "kind": "string", "value": "text" },
//                   { "id": "0x0130", "kind": "font", "value": { "height": -12, ..., "face": "Arial" } } ] }
// Texts are UTF-8.  A string field without a terminator carries
// "unterminated": true.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "settings.h"

namespace dmaclient {

using Json = nlohmann::ordered_json;

inline constexpr const char *kDocumentFormat = "dmactl-settings";
inline constexpr int kDocumentVersion = 1;

// A value's JSON form; like FormatValue, it notes a text that lost characters
// to the ANSI code page on standard error.
Json ValueToJson(const Value &v);
// Reads a value of the setting's kind; throws UserError naming the setting
// and what is wrong.
Value ValueFromJson(const Setting &s, const Json &j);
// {"id": "0x0007", "name": "dmOrientation"}: how JSON output names a
// setting; "name" only for a setting that has one.  Further keys follow.
Json IdJson(uint16_t dmaId);
// A setting with its value: IdJson, "kind", "value", and "unterminated"
// for a string field without a terminator.  Further keys follow.
Json SettingJson(const Setting &s, const Value &v);
// Adds `key` ("meaning") with the name of an integer value (meanings.h),
// when it has one.
void AddMeaningJson(Json &j, const Setting &s, const Value &v, const char *key = "meaning");
// {"1": "DMORIENT_PORTRAIT", ...}: every named value of a setting.
Json ValueNamesJson(uint16_t dmaId);
// Where a setting lives, for --json output of catalogue/get.
Json LocationToJson(const Location &l);
// The members of a place every JSON form of it shares (item, area, offset,
// type, reportType, width), added to `j` of either JSON type.
template <typename J>
void AddPlaceJson(J &j, const Location &l) {
    j["item"] = l.itemId;
    j["area"] = AreaName(l.area);
    j["offset"] = l.offset;
    j["type"] = ValueTypeName(l.valueType);
    if (l.reportType) j["reportType"] = ValueTypeName(l.reportType);
    j["width"] = l.width;
}

struct DocumentEntry {
    uint16_t dmaId;
    std::string kind;  // as written in the document
    Json value;
};

// Parses and checks a settings document's shape (not the values); throws
// UserError with the path of the bad element.
std::vector<DocumentEntry> ParseDocument(const std::string &text, const std::string &source);

}  // namespace dmaclient
