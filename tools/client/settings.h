// settings.h - reading and writing settings by DMA ID through the library's
// exports, and the list of settings the library offers.
//
// Values cross this interface in the tool's own form: integers as 64-bit
// numbers interpreted by the stored type (signed types signed, unsigned types
// unsigned), texts as UTF-8, fonts member by member.  Every read and write is
// one call of a DMA_* export on the caller's DmaContext.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <type_traits>
#include <vector>

#include "catalogue_view.h"
#include "dmaccess/dmaccess.h"

namespace dmaclient {

enum class ValueKind { Integer, String, Font };
const char *KindName(ValueKind kind);  // "integer", "string", "font"
const char *KindWithArticle(ValueKind kind);  // "an integer", "a string", "a font"

// The numeric members of a font, in their order in LOGFONTA: the name dmactl
// shows and takes, and where the member sits, how wide it is and whether it
// is signed, all taken from the structure itself.  The record stores a
// LOGFONTW, whose members lie at the same places; only the face name that
// follows them differs (bytes in LOGFONTA, UTF-16 units in LOGFONTW).
struct FontMember {
    const char *name;
    size_t offset;
    size_t width;  // 1 or 4 bytes
    bool isSigned;
};
#define DMACTL_FONT_MEMBER(name, member)                                      \
    FontMember {                                                              \
        name, offsetof(LOGFONTA, member), sizeof(LOGFONTA::member),           \
            std::is_signed_v<decltype(LOGFONTA::member)>                      \
    }
inline constexpr FontMember kFontMembers[] = {
    DMACTL_FONT_MEMBER("height", lfHeight),
    DMACTL_FONT_MEMBER("width", lfWidth),
    DMACTL_FONT_MEMBER("escapement", lfEscapement),
    DMACTL_FONT_MEMBER("orientation", lfOrientation),
    DMACTL_FONT_MEMBER("weight", lfWeight),
    DMACTL_FONT_MEMBER("italic", lfItalic),
    DMACTL_FONT_MEMBER("underline", lfUnderline),
    DMACTL_FONT_MEMBER("strikeout", lfStrikeOut),
    DMACTL_FONT_MEMBER("charset", lfCharSet),
    DMACTL_FONT_MEMBER("outprecision", lfOutPrecision),
    DMACTL_FONT_MEMBER("clipprecision", lfClipPrecision),
    DMACTL_FONT_MEMBER("quality", lfQuality),
    DMACTL_FONT_MEMBER("pitchandfamily", lfPitchAndFamily),
};
#undef DMACTL_FONT_MEMBER
inline constexpr size_t kFontMemberCount = std::size(kFontMembers);
// The members fill everything before the face name, in both structures.
static_assert(offsetof(LOGFONTA, lfPitchAndFamily) + 1 == offsetof(LOGFONTA, lfFaceName));
static_assert(offsetof(LOGFONTA, lfFaceName) == offsetof(LOGFONTW, lfFaceName));
static_assert(std::all_of(std::begin(kFontMembers), std::end(kFontMembers),
                          [](const FontMember &m) { return m.width == 1 || m.width == 4; }));

// The values a member can hold: -2^31 to 2^31 - 1 for a 32-bit signed one,
// 0 to 255 for a byte.
constexpr int64_t FontMemberMin(const FontMember &m) { return m.isSigned ? -(int64_t{1} << (8 * m.width - 1)) : 0; }
constexpr int64_t FontMemberMax(const FontMember &m) {
    return (int64_t{1} << (8 * m.width - (m.isSigned ? 1 : 0))) - 1;
}

struct FontValue {
    int64_t member[kFontMemberCount] = {};  // as kFontMembers lists them
    std::string faceName;                   // UTF-8
    bool operator==(const FontValue &) const = default;
};

struct Value {
    ValueKind kind = ValueKind::Integer;
    int64_t integer = 0;
    std::string text;          // UTF-8
    bool unterminated = false;  // string field without a terminator: whole field shown
    FontValue font;
    // Set by ReadSetting when the record's own UTF-16 text (a string, or a
    // font's face name) holds characters the ANSI code page lacks, so that
    // `text`/`font.faceName` lost them: a note for people naming the setting
    // and the record's text.  Not part of the value (operator== ignores it).
    std::string lostNote;
    bool operator==(const Value &o) const {
        if (kind != o.kind) return false;
        switch (kind) {
        case ValueKind::Integer: return integer == o.integer;
        case ValueKind::String: return text == o.text && unterminated == o.unterminated;
        case ValueKind::Font: return font == o.font;
        }
        return false;
    }
};

// One setting that the library offers: its DMA ID, the kind and buffer size
// that DMA_QueryAttributes reports, and where it lives.
struct Setting {
    uint16_t dmaId = 0;
    ValueKind kind = ValueKind::Integer;
    int32_t size = 0;  // bytes a caller's buffer needs
    Location where;
};

// A readable message for a DMA_* result code ("-6: value too long ...").
std::string ResultMessage(DMA_RESULT code);

// The DMA IDs DMA_EnumDMAID_ByTargetInfo lists for a target type (1: whole
// catalogue, 2-5 and 7: a record kind's fields), in the library's order, with
// their attribute bits.  Throws UserError for a refused target.
std::vector<DmaIdEntry> EnumerateIds(DmaContext &ctx, int32_t target);

// Kind and size of one DMA ID (DMA_QueryAttributes); returns its result.
DMA_RESULT DescribeSetting(DmaContext &ctx, uint16_t dmaId, Setting &out);

// Every setting with a value in these records, ascending by DMA ID: the
// catalogue's IDs plus the fax header strings when a fax block is present.
// Protected strings appear through their plain IDs only.
std::vector<Setting> AvailableSettings(DmaContext &ctx);

// Reads one setting with the export for its kind.
DMA_RESULT ReadSetting(DmaContext &ctx, const Setting &s, Value &out);

// Writes one setting with the export for its kind.  Refusals that the library
// would not detect (integer out of the stored range, text the ANSI code page
// cannot hold, a protected text whose stored form would not fit) throw
// UserError before the library is called.
DMA_RESULT WriteSetting(DmaContext &ctx, const Setting &s, const Value &value);

// The checks WriteSetting makes before it calls the library, alone: throws
// the same UserError for a value the setting cannot take.
void CheckValue(const Setting &s, const Value &value);

// Writes the note of a value whose text lost characters to the ANSI code
// page (Value::lostNote) to standard error, once per note in this run.
// Called wherever a value is shown or exported.
void NoteLostCharacters(const Value &value);

// The linked setting that follows a setting when it is written (0x010B ->
// 0x0145, 0x0140 -> 0x0146, 0x0155 -> 0x0158), or 0 for a setting that has
// none.  Such a write is refused (DMA_E_FAILED) when the linked setting cannot
// follow the new value, although the value itself is stored.
uint16_t LinkedSettingOf(const Setting &s);
// Which values the linked setting of s follows, as "; its linked setting
// ...", or "" for a setting without one.  `namePaired` false leaves the DMA ID
// of a paired setting out, as `set` has always worded its refusal.
std::string LinkedSettingHint(const Setting &s, bool namePaired = true);

// Parses the command-line form of a value for a setting: an integer (decimal,
// 0x hex, negative for signed types, on/off for flags), a text, or font
// members "name=value" applied over `current`.
Value ParseValue(const Setting &s, const std::vector<std::string> &words, const Value &current);

// Parses a DMA ID ("0x130", "304"); throws UserError naming the text.
uint16_t ParseDmaId(const std::string &text);

// Looks a DMA ID up (DMA_QueryAttributes plus its location); throws UserError
// with the library's reason when it is not available in these records.
Setting RequireSetting(DmaContext &ctx, uint16_t dmaId);

// Smallest and largest integer accepted for a scalar setting.
void IntegerRange(const Location &l, int64_t &lo, int64_t &hi);

}  // namespace dmaclient
