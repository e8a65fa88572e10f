// settings.cpp - settings by DMA ID through the library's exports.
#include "settings.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <optional>
#include <set>

#include <fmt/format.h>

#include "ansi_text.h"
#include "catalogue/item_roles.h"
#include "notes.h"
#include "record_files.h"
#include "meanings.h"
#include "names.h"
#include "value_format.h"

namespace dmaclient {

const char *KindName(ValueKind kind) {
    switch (kind) {
    case ValueKind::Integer: return "integer";
    case ValueKind::String: return "string";
    case ValueKind::Font: return "font";
    }
    return "?";
}

const char *KindWithArticle(ValueKind kind) {
    switch (kind) {
    case ValueKind::Integer: return "an integer";
    case ValueKind::String: return "a string";
    case ValueKind::Font: return "a font";
    }
    return "?";
}

// The messages of the result-code table (the library's build checks its
// values against the public header).
std::string ResultMessage(DMA_RESULT code) {
    const char *text = "unknown result code";
    switch (code) {
#define DMA_RESULT_CODE(name, value, message) \
    case value: text = message; break;
#include "result_codes.def"
#undef DMA_RESULT_CODE
    default: break;
    }
    return fmt::format("{} (result {})", text, static_cast<long long>(code));
}

std::vector<DmaIdEntry> EnumerateIds(DmaContext &ctx, int32_t target) {
    uint16_t count = 0;
    DMA_RESULT r = DMA_EnumDMAID_ByTargetInfo(&ctx, target, &count, nullptr);
    if (r != DMA_E_MORE_DATA)
        throw UserError(fmt::format("target {}: {}", target, ResultMessage(r)));
    std::vector<DmaIdEntry> entries(count);
    if (count == 0) return entries;
    r = DMA_EnumDMAID_ByTargetInfo(&ctx, target, &count, entries.data());
    if (r != DMA_OK) throw UserError(fmt::format("target {}: {}", target, ResultMessage(r)));
    entries.resize(count);
    return entries;
}

DMA_RESULT DescribeSetting(DmaContext &ctx, uint16_t dmaId, Setting &out) {
    uint16_t count = 1;
    AttributeRecord rec{};
    const DMA_RESULT r = DMA_QueryAttributes(&ctx, &count, &dmaId, &rec);
    if (r != DMA_OK) return r;
    out.dmaId = dmaId;
    out.kind = rec.kind == DMA_ATTR_KIND_STRING    ? ValueKind::String
               : rec.kind == DMA_ATTR_KIND_LOGFONT ? ValueKind::Font
                                                   : ValueKind::Integer;
    out.size = rec.size;
    if (auto where = Locate(dmaId)) out.where = *where;
    return r;
}

std::vector<Setting> AvailableSettings(DmaContext &ctx) {
    std::vector<uint16_t> ids;
    for (const DmaIdEntry &e : EnumerateIds(ctx, 1)) ids.push_back(static_cast<uint16_t>(e.dmaId));
    if (ctx.faxAddressBlock) {
        ids.push_back(DMA_ID_FAX_HEADER1);
        ids.push_back(DMA_ID_FAX_HEADER2);
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    std::vector<Setting> out;
    for (uint16_t id : ids) {
        Setting s;
        if (DescribeSetting(ctx, id, s) == DMA_OK) out.push_back(s);
    }
    return out;
}

namespace {

// A font's numeric members out of and into the caller's LOGFONTA, through
// the member table.
FontValue FontFromRecord(const LOGFONTA &lf) {
    FontValue f;
    const auto *p = reinterpret_cast<const uint8_t *>(&lf);
    for (size_t i = 0; i < kFontMemberCount; ++i) {
        const FontMember &m = kFontMembers[i];
        if (m.width == 1) {
            f.member[i] = m.isSigned ? int64_t{static_cast<int8_t>(p[m.offset])} : int64_t{p[m.offset]};
        } else {
            uint32_t u;
            std::memcpy(&u, p + m.offset, sizeof u);
            f.member[i] = m.isSigned ? int64_t{static_cast<int32_t>(u)} : int64_t{u};
        }
    }
    return f;
}

LOGFONTA FontToRecord(const FontValue &f) {
    LOGFONTA lf;
    std::memset(&lf, 0, sizeof lf);
    auto *p = reinterpret_cast<uint8_t *>(&lf);
    for (size_t i = 0; i < kFontMemberCount; ++i) {
        const FontMember &m = kFontMembers[i];
        if (m.width == 1) {
            p[m.offset] = static_cast<uint8_t>(f.member[i]);
        } else {
            const uint32_t u = static_cast<uint32_t>(f.member[i]);
            std::memcpy(p + m.offset, &u, sizeof u);
        }
    }
    return lf;
}

// "height, width, ..., pitchandfamily".
std::string FontMemberNames() {
    std::string names;
    for (const FontMember &m : kFontMembers) names += (names.empty() ? "" : ", ") + std::string(m.name);
    return names;
}

// Integer as handed out by DMA_GetValue (zero-extended presented width),
// reinterpreted by the setting's type so that signed members read signed.
int64_t InterpretInteger(const Location &l, int32_t raw) {
    const uint32_t u = static_cast<uint32_t>(raw);
    if (l.flagMask) return u ? 1 : 0;
    switch (PresentedType(l)) {
    case DMA_VT_SHORT: return static_cast<int16_t>(u & 0xFFFF);
    case DMA_VT_WORD: return u & 0xFFFF;
    case DMA_VT_BYTE: return u & 0xFF;
    case DMA_VT_INT:
    case DMA_VT_LONG: return static_cast<int32_t>(u);
    default: return u;  // DWORD, plain 32-bit FLAG
    }
}

// The record's own UTF-16 text (8-bit text in the one narrow field) in
// `bytes` bytes at `extra` past a setting's address, up to its terminator
// (or the whole field), as UTF-8; nullopt when
// the record is not there.  Only used to notice what the library's ANSI form
// of the text lost: the value itself always comes from the export.
std::optional<std::string> RecordText(const DmaContext &ctx, const Location &l, uint32_t extra, uint32_t bytes) {
    const unsigned char *base = nullptr;
    switch (l.area) {
    case DMA_SA_DEVMODE: base = static_cast<const unsigned char *>(ctx.devMode); break;
    case DMA_SA_DEVMODE_EXT:
        base = ctx.devMode ? static_cast<const unsigned char *>(ctx.devMode) + DMA_DEVMODE_EXT_BASE : nullptr;
        break;
    case DMA_SA_SECONDARY: base = static_cast<const unsigned char *>(ctx.secondary); break;
    case kFaxArea: base = static_cast<const unsigned char *>(ctx.faxAddressBlock); break;
    default: break;
    }
    if (!base || bytes < 2) return std::nullopt;
    const unsigned char *field = base + l.offset + extra;
    if (l.itemId == dma::special::kNarrowStringItem) {
        // The one field of 8-bit text: ANSI already, nothing to lose.
        size_t n = 0;
        while (n < bytes && field[n]) ++n;
        return AnsiToUtf8(std::string_view(reinterpret_cast<const char *>(field), n));
    }
    size_t units = 0;
    while (units < bytes / 2 && (field[2 * units] | field[2 * units + 1])) ++units;
    return Utf16ToUtf8(field, units);
}

// The note for a text that the ANSI code page could not hold: empty when the
// record's text came through whole (or could have: a text the code page
// holds is not "lost" whatever the read handed out).
std::string LostNote(const DmaContext &ctx, const Setting &s, uint32_t extra, uint32_t bytes,
                     const std::string &read, const char *what) {
    const std::optional<std::string> own = RecordText(ctx, s.where, extra, bytes);
    if (!own || *own == read || Utf8ToAnsi(*own)) return {};
    return fmt::format("{}: the record's {} \"{}\" has characters the ANSI code page lacks; it reads as \"{}\"",
                       fmt::format("0x{:04X}", s.dmaId), what, *own, read);
}

DMA_RESULT ReadText(DmaContext &ctx, const Setting &s, Value &out) {
    out.kind = ValueKind::String;
    std::string ansi;
    if (IsFaxHeaderId(s.dmaId)) {
        uint32_t len = 0;
        DMA_RESULT r = DMA_GetStringData(&ctx, s.dmaId, nullptr, &len);
        if (r != DMA_E_MORE_DATA) return r;
        std::vector<char> buf(len + 1, 0);
        r = DMA_GetStringData(&ctx, s.dmaId, buf.data(), &len);
        if (r != DMA_OK) return r;
        ansi.assign(buf.data());
    } else {
        // The exact text first; a field without a terminator makes that read
        // fail, and is then read whole.
        uint32_t len = 0;
        DMA_RESULT r = DMA_GetStringData_StrLength(&ctx, s.dmaId, nullptr, &len);
        if (r == DMA_E_MORE_DATA) {
            std::vector<char> buf(len + 1, 0);
            r = DMA_GetStringData_StrLength(&ctx, s.dmaId, buf.data(), &len);
            if (r != DMA_OK) return r;
            ansi.assign(buf.data());
        } else {
            if (IsProtectedId(s.dmaId)) return r;
            uint32_t whole = 0;
            r = DMA_GetStringData(&ctx, s.dmaId, nullptr, &whole);
            if (r != DMA_E_MORE_DATA) return r;
            std::vector<char> buf(whole + 1, 0);
            r = DMA_GetStringData(&ctx, s.dmaId, buf.data(), &whole);
            if (r != DMA_OK) return r;
            ansi.assign(buf.data(), strnlen(buf.data(), whole));
            out.unterminated = true;
        }
    }
    out.text = AnsiToUtf8(ansi);
    if (!IsProtectedId(s.dmaId)) out.lostNote = LostNote(ctx, s, 0, s.where.size, out.text, "text");
    return DMA_OK;
}

}  // namespace

DMA_RESULT ReadSetting(DmaContext &ctx, const Setting &s, Value &out) {
    out = Value{};
    out.kind = s.kind;
    switch (s.kind) {
    case ValueKind::Integer: {
        int32_t raw = 0;
        const DMA_RESULT r = DMA_GetValue(&ctx, s.dmaId, &raw);
        if (r == DMA_OK) out.integer = InterpretInteger(s.where, raw);
        return r;
    }
    case ValueKind::String: return ReadText(ctx, s, out);
    case ValueKind::Font: {
        LOGFONTA lf;
        std::memset(&lf, 0, sizeof lf);
        uint32_t len = sizeof lf;
        const DMA_RESULT r = DMA_GetLogFontData(&ctx, s.dmaId, &lf, &len);
        if (r != DMA_OK) return r;
        FontValue &f = out.font;
        f = FontFromRecord(lf);
        f.faceName = AnsiToUtf8(std::string(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE)));
        // The record holds a LOGFONTW: its own face name is UTF-16, where lost characters show.
        out.lostNote = LostNote(ctx, s, offsetof(LOGFONTW, lfFaceName), sizeof(LOGFONTW::lfFaceName), f.faceName,
                                "face name");
        return r;
    }
    }
    return DMA_E_FAILED;
}

void IntegerRange(const Location &l, int64_t &lo, int64_t &hi) {
    if (l.flagMask) { lo = 0; hi = 1; return; }
    if (IsPackedByteItem(l.itemId)) { lo = 0; hi = PackedByteMask(l.itemId); return; }
    switch (l.valueType) {
    case DMA_VT_BYTE: lo = 0; hi = 0xFF; return;
    case DMA_VT_WORD: lo = 0; hi = 0xFFFF; return;
    case DMA_VT_SHORT: lo = -32768; hi = 0xFFFF; return;
    case DMA_VT_INT:
    case DMA_VT_LONG: lo = std::numeric_limits<int32_t>::min(); hi = std::numeric_limits<int32_t>::max(); return;
    default: lo = std::numeric_limits<int32_t>::min(); hi = 0xFFFFFFFFLL; return;
    }
}

namespace {

std::string ToAnsiOrThrow(const Setting &s, const std::string &utf8) {
    if (utf8.find('\0') != std::string::npos)
        throw UserError(fmt::format("{}: the text holds a zero character", IdLabel(s.dmaId)));
    auto ansi = Utf8ToAnsi(utf8);
    if (!ansi)
        throw UserError(fmt::format("{}: the text \"{}\" cannot be written in the ANSI code page", IdLabel(s.dmaId),
                                    utf8));
    return *ansi;
}

}  // namespace

void CheckValue(const Setting &s, const Value &v) {
    if (v.kind != s.kind)
        throw UserError(fmt::format("{}: the setting takes {} value, not {}", IdLabel(s.dmaId),
                                    KindWithArticle(s.kind), KindWithArticle(v.kind)));
    switch (s.kind) {
    case ValueKind::Integer: {
        int64_t lo, hi;
        IntegerRange(s.where, lo, hi);
        if (v.integer < lo || v.integer > hi ||
            (IsPackedByteItem(s.where.itemId) && (v.integer & ~int64_t(PackedByteMask(s.where.itemId)))))
            throw UserError(fmt::format("{}: value {} out of range ({} to {}{})", IdLabel(s.dmaId), v.integer, lo, hi,
                                        IsPackedByteItem(s.where.itemId)
                                            ? fmt::format(", the byte in bits {}-{} of its word",
                                                          8 * ((s.where.itemId - 392) % 3),
                                                          8 * ((s.where.itemId - 392) % 3) + 7)
                                            : ""));
        return;
    }
    case ValueKind::String: {
        const std::string ansi = ToAnsiOrThrow(s, v.text);
        if (IsProtectedId(s.dmaId)) {
            // The field holds the Base64 form of the scrambled text with its
            // terminator; the library does not check that it fits.
            const size_t stored = (ansi.size() + 2) / 3 * 4 + 1;
            const size_t fieldChars = s.where.size / 2;
            if (stored > fieldChars)
                throw UserError(fmt::format(
                    "{}: text too long: {} characters need {} characters in their protected form, the field holds {}",
                    IdLabel(s.dmaId), ansi.size(), stored, fieldChars));
        }
        return;
    }
    case ValueKind::Font: {
        const std::string face = ToAnsiOrThrow(s, v.font.faceName);
        if (face.size() >= LF_FACESIZE)
            throw UserError(fmt::format("{}: face name \"{}\" too long: at most {} characters", IdLabel(s.dmaId),
                                        v.font.faceName, LF_FACESIZE - 1));
        return;
    }
    }
}

DMA_RESULT WriteSetting(DmaContext &ctx, const Setting &s, const Value &v) {
    CheckValue(s, v);
    switch (s.kind) {
    case ValueKind::Integer:
        return DMA_SetValue(&ctx, s.dmaId, static_cast<int32_t>(static_cast<uint32_t>(v.integer)));
    case ValueKind::String: {
        const std::string ansi = *Utf8ToAnsi(v.text);
        if (IsFaxHeaderId(s.dmaId))
            return DMA_SetStringData(&ctx, s.dmaId, ansi.c_str(), static_cast<uint32_t>(ansi.size() + 1));
        if (IsProtectedId(s.dmaId))
            return DMA_SetStringData(&ctx, s.dmaId, ansi.c_str(), static_cast<uint32_t>(ansi.size()));
        return DMA_SetStringData_StrLength(&ctx, s.dmaId, ansi.c_str());
    }
    case ValueKind::Font: {
        const FontValue &f = v.font;
        const std::string face = *Utf8ToAnsi(f.faceName);
        LOGFONTA lf = FontToRecord(f);
        std::memcpy(lf.lfFaceName, face.c_str(), face.size() + 1);
        return DMA_SetLogFontData(&ctx, s.dmaId, &lf, sizeof lf);
    }
    }
    return DMA_E_FAILED;
}

void NoteLostCharacters(const Value &v) {
    static std::set<std::string> noted;
    if (!v.lostNote.empty() && noted.insert(v.lostNote).second) Note(v.lostNote);
}

uint16_t LinkedSettingOf(const Setting &s) {
    // Item 267 drives item 325; items 320 and 341 drive the paired items 326
    // and 344 (see the library's linked settings).
    switch (s.where.itemId) {
    case 267: return DmaIdOfItem(325);
    case 320: return DmaIdOfItem(326);
    case 341: return DmaIdOfItem(344);
    default: return 0;
    }
}

std::string LinkedSettingHint(const Setting &s, bool namePaired) {
    const uint16_t linked = LinkedSettingOf(s);
    if (!linked) return {};
    if (s.where.itemId == 267)
        return fmt::format("; its linked setting {} follows only the values 0 to 8", FormatId(linked));
    return fmt::format("; its paired setting{} follows it only for values that suit dmOrientation (0x0007: 1 or 2) "
                       "and 0x0127 (1, 4, 16 or 2, 8, 32)",
                       namePaired ? " " + FormatId(linked) : "");
}

namespace {

std::string Lower(std::string t) {
    for (char &c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return t;
}

// Parses a whole integer: optional sign, decimal or 0x hex.
bool ParseInteger(const std::string &text, int64_t &out) {
    if (text.empty()) return false;
    size_t i = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') { negative = text[0] == '-'; i = 1; }
    int base = 10;
    if (text.size() > i + 1 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) { base = 16; i += 2; }
    if (i >= text.size()) return false;
    uint64_t v = 0;
    for (; i < text.size(); ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else return false;
        v = v * base + d;
        if (v > (1ull << 40)) return false;
    }
    out = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
    return true;
}


}  // namespace

uint16_t ParseDmaId(const std::string &text) {
    if (LooksLikeName(text)) {
        uint16_t id = 0;
        if (!IdOfName(text, id)) throw UserError(UnknownNameMessage(text));
        return id;
    }
    int64_t v = 0;
    if (!ParseInteger(text, v) || v <= 0 || v > 0xFFFF)
        throw UserError(fmt::format("\"{}\" is not a DMA ID (1 to 0xFFFF, decimal or 0x hex) or a setting name", text));
    return static_cast<uint16_t>(v);
}

Value ParseValue(const Setting &s, const std::vector<std::string> &words, const Value &current) {
    Value v = current;
    v.kind = s.kind;
    v.unterminated = false;
    if (words.empty()) throw UserError(fmt::format("{}: no value given", IdLabel(s.dmaId)));
    switch (s.kind) {
    case ValueKind::Integer: {
        if (words.size() != 1)
            throw UserError(fmt::format("{}: an integer setting takes one value", IdLabel(s.dmaId)));
        const std::string w = Lower(words[0]);
        if (s.where.flagMask && (w == "on" || w == "true" || w == "yes")) v.integer = 1;
        else if (s.where.flagMask && (w == "off" || w == "false" || w == "no")) v.integer = 0;
        else if (!ParseInteger(words[0], v.integer) && !ValueOfMeaning(s.dmaId, words[0], v.integer))
            throw UserError(fmt::format("{}: \"{}\" is not an integer (decimal or 0x hex{}{})", IdLabel(s.dmaId),
                                        words[0], s.where.flagMask ? ", or on/off" : "",
                                        HasValueNames(s.dmaId) ? ", or a value name (dmactl describe lists them)" : ""));
        return v;
    }
    case ValueKind::String: {
        std::string text;
        for (size_t i = 0; i < words.size(); ++i) text += (i ? " " : "") + words[i];
        v.text = text;
        return v;
    }
    case ValueKind::Font: {
        for (const std::string &word : words) {
            const size_t eq = word.find('=');
            std::string name = Lower(eq == std::string::npos ? word : word.substr(0, eq));
            if (name.rfind("lf", 0) == 0) name = name.substr(2);
            if (name == "face") name = "facename";
            const FontMember *member = nullptr;
            for (const FontMember &m : kFontMembers)
                if (name == m.name) member = &m;
            if (eq == std::string::npos || (member == nullptr && name != "facename"))
                throw UserError(fmt::format(
                    "{}: \"{}\" is not a font member; give name=value with the names {}, face", IdLabel(s.dmaId), word,
                    FontMemberNames()));
            const std::string value = word.substr(eq + 1);
            if (member == nullptr) { v.font.faceName = value; continue; }
            int64_t n = 0;
            if (!ParseInteger(value, n))
                throw UserError(fmt::format("{}: font member {}: \"{}\" is not an integer", IdLabel(s.dmaId), name,
                                            value));
            const int64_t lo = FontMemberMin(*member), hi = FontMemberMax(*member);
            if (n < lo || n > hi)
                throw UserError(fmt::format("{}: font member {}: value {} out of range ({} to {})", IdLabel(s.dmaId),
                                            name, n, lo, hi));
            v.font.member[member - kFontMembers] = n;
        }
        return v;
    }
    }
    return v;
}

Setting RequireSetting(DmaContext &ctx, uint16_t dmaId) {
    Setting s;
    const DMA_RESULT r = DescribeSetting(ctx, dmaId, s);
    if (r == DMA_OK) return s;
    if (IsFaxHeaderId(dmaId) && !ctx.faxAddressBlock)
        throw UserError(fmt::format("{}: the fax header strings need a fax-address block (--fax FILE)",
                                    IdLabel(dmaId)));
    if (r == DMA_E_NO_ID)
        throw UserError(fmt::format("unknown DMA ID {}: the library has no setting with this number", IdLabel(dmaId)));
    throw UserError(fmt::format("{}: not available in these records: {}", IdLabel(dmaId), ResultMessage(r)));
}

}  // namespace dmaclient
