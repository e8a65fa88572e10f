// json_form.cpp - JSON forms of values and the settings document.
#include "json_form.h"

#include <algorithm>

#include <fmt/format.h>

#include "record_files.h"
#include "meanings.h"
#include "names.h"
#include "value_format.h"

namespace dmaclient {

Json ValueToJson(const Value &v) {
    NoteLostCharacters(v);
    switch (v.kind) {
    case ValueKind::Integer: return v.integer;
    case ValueKind::String: return v.text;
    case ValueKind::Font: {
        Json j = Json::object();
        for (size_t i = 0; i < kFontMemberCount; ++i) j[kFontMembers[i].name] = v.font.member[i];
        j["face"] = v.font.faceName;
        return j;
    }
    }
    return nullptr;
}

namespace {

int64_t IntegerMember(const Setting &s, const Json &j, const FontMember &m) {
    if (!j.is_number_integer())
        throw UserError(fmt::format("{}: font member \"{}\" must be an integer", IdLabel(s.dmaId), m.name));
    const int64_t v = j.get<int64_t>();
    if (v < FontMemberMin(m) || v > FontMemberMax(m))
        throw UserError(fmt::format("{}: font member \"{}\": value {} out of range ({} to {})", IdLabel(s.dmaId),
                                    m.name, v, FontMemberMin(m), FontMemberMax(m)));
    return v;
}

}  // namespace

Value ValueFromJson(const Setting &s, const Json &j) {
    Value v;
    v.kind = s.kind;
    switch (s.kind) {
    case ValueKind::Integer:
        if (!j.is_number_integer())
            throw UserError(fmt::format("{}: an integer setting needs an integer value", IdLabel(s.dmaId)));
        if (j.is_number_unsigned() && j.get<uint64_t>() > (1ull << 40))
            throw UserError(fmt::format("{}: value out of range", IdLabel(s.dmaId)));
        v.integer = j.get<int64_t>();
        return v;
    case ValueKind::String:
        if (!j.is_string()) throw UserError(fmt::format("{}: a string setting needs a text value", IdLabel(s.dmaId)));
        v.text = j.get<std::string>();
        return v;
    case ValueKind::Font: {
        if (!j.is_object())
            throw UserError(fmt::format("{}: a font setting needs an object of font members", IdLabel(s.dmaId)));
        for (auto it = j.begin(); it != j.end(); ++it) {
            bool known = it.key() == "face";
            for (const FontMember &m : kFontMembers) known = known || it.key() == m.name;
            if (!known)
                throw UserError(fmt::format("{}: \"{}\" is not a font member", IdLabel(s.dmaId), it.key()));
        }
        for (size_t i = 0; i < kFontMemberCount; ++i) {
            const FontMember &m = kFontMembers[i];
            if (!j.contains(m.name))
                throw UserError(fmt::format("{}: font member \"{}\" missing", IdLabel(s.dmaId), m.name));
            v.font.member[i] = IntegerMember(s, j[m.name], m);
        }
        if (!j.contains("face") || !j["face"].is_string())
            throw UserError(fmt::format("{}: font member \"face\" must be a text", IdLabel(s.dmaId)));
        v.font.faceName = j["face"].get<std::string>();
        return v;
    }
    }
    return v;
}

Json SettingJson(const Setting &s, const Value &v) {
    Json j = IdJson(s.dmaId);
    j["kind"] = KindName(s.kind);
    j["value"] = ValueToJson(v);
    if (v.unterminated) j["unterminated"] = true;
    return j;
}

void AddMeaningJson(Json &j, const Setting &s, const Value &v, const char *key) {
    if (v.kind != ValueKind::Integer) return;
    const std::string meaning = MeaningOf(s.dmaId, v.integer);
    if (!meaning.empty()) j[key] = meaning;
}

Json ValueNamesJson(uint16_t dmaId) {
    Json j = Json::object();
    for (const ValueName &n : ValueNamesOf(dmaId)) j[std::to_string(n.value)] = n.name;
    return j;
}

Json IdJson(uint16_t dmaId) {
    Json j{{"id", FormatId(dmaId)}};
    const std::string name = NameOf(dmaId);
    if (!name.empty()) j["name"] = name;
    return j;
}

Json LocationToJson(const Location &l) {
    Json j;
    AddPlaceJson(j, l);
    if (l.size) j["size"] = l.size;
    if (l.flagMask) j["mask"] = fmt::format("0x{:08X}", l.flagMask);
    if (l.plainId) j["plainId"] = FormatId(l.plainId);
    return j;
}

std::vector<DocumentEntry> ParseDocument(const std::string &text, const std::string &source) {
    // A key given twice in one object is refused, naming where: JSON
    // readers differ on which of the two counts, so the document says
    // nothing certain there.  An entry of "settings" starts at depth 2; the
    // keys of the document lie at depth 1, an entry's at 3, a font's at 4.
    std::vector<std::vector<std::string>> keys;
    size_t entries = 0;
    std::string twice;
    const Json::parser_callback_t refuseTwice = [&](int depth, Json::parse_event_t event, Json &parsed) {
        if (event == Json::parse_event_t::object_start) {
            keys.emplace_back();
            if (depth == 2) ++entries;
        } else if (event == Json::parse_event_t::object_end) {
            keys.pop_back();
        } else if (event == Json::parse_event_t::key && twice.empty()) {
            const std::string key = parsed.get<std::string>();
            if (std::find(keys.back().begin(), keys.back().end(), key) != keys.back().end())
                twice = fmt::format("{}\"{}\" appears twice",
                                    depth <= 1 ? std::string()
                                               : fmt::format("settings[{}]{}: ", entries - 1, depth > 3 ? ".value" : ""),
                                    key);
            keys.back().push_back(key);
        }
        return true;
    };
    Json doc;
    try {
        doc = Json::parse(text, refuseTwice);
    } catch (const nlohmann::json::exception &e) {
        // "[json.exception.parse_error.101] parse error at line 1, ...": the
        // reader's words after its tag.
        std::string why = e.what();
        if (why.rfind("[json.exception.", 0) == 0 && why.find("] ") != std::string::npos)
            why.erase(0, why.find("] ") + 2);
        throw UserError(fmt::format("{}: not valid JSON: {}", source, why), source, "");
    }
    if (!twice.empty()) throw UserError(fmt::format("{}: {}", source, twice), source, "");
    if (!doc.is_object()) throw UserError(fmt::format("{}: a settings document is a JSON object", source), source, "");
    if (!doc.contains("format") || doc["format"] != kDocumentFormat)
        throw UserError(fmt::format("{}: not a dmactl settings document (\"format\" must be \"{}\")", source,
                                    kDocumentFormat));
    if (!doc.contains("version") || doc["version"] != kDocumentVersion)
        throw UserError(fmt::format("{}: unsupported document version (this dmactl reads version {})", source,
                                    kDocumentVersion));
    if (!doc.contains("settings") || !doc["settings"].is_array())
        throw UserError(fmt::format("{}: \"settings\" must be an array", source), source, "");
    std::vector<DocumentEntry> out;
    size_t index = 0;
    for (const Json &e : doc["settings"]) {
        const std::string entry = fmt::format("settings[{}]", index++);
        const std::string where = source + ": " + entry;
        if (!e.is_object()) throw UserError(where + ": not an object", source, entry);
        if (!e.contains("id")) throw UserError(where + ": no \"id\"", source, entry);
        if (!e.contains("value")) throw UserError(where + ": no \"value\"", source, entry);
        uint16_t id = 0;
        const Json &jid = e["id"];
        if (jid.is_string()) {
            try {
                id = ParseDmaId(jid.get<std::string>());
            } catch (const UserError &err) {
                throw UserError(where + ": " + err.what(), source, entry);
            }
        } else if (jid.is_number_integer() && jid.get<int64_t>() > 0 && jid.get<int64_t>() <= 0xFFFF) {
            id = static_cast<uint16_t>(jid.get<int64_t>());
        } else {
            throw UserError(where + ": \"id\" must be a DMA ID (\"0x0007\" or 7)", source, entry);
        }
        // "name" is there for people; one that names another setting than
        // "id" is a mistake, whichever of the two was meant.
        if (e.contains("name")) {
            if (!e["name"].is_string()) throw UserError(where + ": \"name\" must be a text", source, entry);
            uint16_t named = 0;
            if (IdOfName(e["name"].get<std::string>(), named) && named != id)
                throw UserError(fmt::format("{}: \"name\" is \"{}\", the name of {}, but \"id\" is {}", where,
                                            e["name"].get<std::string>(), FormatId(named), FormatId(id)),
                                source, entry);
        }
        std::string kind;
        if (e.contains("kind")) {
            if (!e["kind"].is_string()) throw UserError(where + ": \"kind\" must be a text", source, entry);
            kind = e["kind"].get<std::string>();
        }
        out.push_back({id, kind, e["value"]});
    }
    return out;
}

}  // namespace dmaclient
