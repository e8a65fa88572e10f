// raw_write.cpp - writing one setting: the raw write by item ID
// (dma_SetValue's contract) and the stores on a located setting.
//
// The caller declares the value's type and length; they are checked against
// the descriptor before a single byte is stored, so a refused write leaves
// both records exactly as they were.  The value is then narrowed to the
// stored width (bytes and bits merged into the words that hold them) and
// copied into the setting's place.  Afterwards the write keeps dependent
// settings in step: the mirrored places inside DEVMODEW (dmYResolution for
// item 14, the lfOrientation of the two fonts for items 311 and 364) and the
// derived items 325, 326 and 344.
#include <cstring>

#include "catalogue/item_tables.h"
#include "catalogue/item_roles.h"
#include "engine/engine.h"

namespace dma {
namespace {

using namespace special;

// Strings and fonts are handed in as a pointer to a pointer.
const uint8_t *PointedTo(const void *value) {
    const void *p;
    std::memcpy(&p, value, sizeof p);
    return static_cast<const uint8_t *>(p);
}

// Bytes of a UTF-16 text with its terminator, the text counted within
// `units` characters: units * 2 + 2 when no terminator comes within them.
uint32_t TextBytesWithin(const uint8_t *text, uint32_t units) {
    return static_cast<uint32_t>(2 * WideLengthWithin(text, units) + 2);
}

// The items a linked write reads and writes are plain settings of DEVMODEW
// beside the items that drive them.  Their places come from the catalogue's
// rows at compile time, so the write reaches them without a lookup.
struct LinkedPlace {
    uint16_t offset;  // from the start of DEVMODEW
    uint8_t width;    // stored width: 1 or 2
};

consteval LinkedPlace PlaceOf(uint16_t itemId) {
    using namespace notation;
    for (size_t r = 0; r < kRangeCount; ++r)
        for (size_t i = 0; i < kDirectory[r].rowCount; ++i) {
            const ItemDescriptor &row = kDirectory[r].items[i];
            if (row.itemId != itemId) continue;
            if (kDirectory[r].area != DMA_SA_DEVMODE) throw "linked item outside DEVMODEW";
            const int32_t width = TypeWidth(row.valueType);
            if (width != 1 && width != 2) throw "linked item neither a byte nor a word";
            return LinkedPlace{row.offset, static_cast<uint8_t>(width)};
        }
    throw "linked item without a row";
}

constexpr LinkedPlace kPlace295 = PlaceOf(kItemPairClass);
constexpr LinkedPlace kPlaceOrientation = PlaceOf(kItemOrientation);
constexpr LinkedPlace kPlace325 = PlaceOf(kItemDerived325);
constexpr LinkedPlace kPlace326 = PlaceOf(kItemDerived326);
constexpr LinkedPlace kPlace344 = PlaceOf(kItemDerived344);

// A linked setting's value as the 16-bit number the derivations take (the
// raw read's value, zero-extended).
uint16_t ReadLinked(const uint8_t *devMode, LinkedPlace p) {
    return p.width == 1 ? devMode[p.offset] : Load16(devMode + p.offset);
}

// A derived value stored as the raw write of a WORD stores it: its stored
// width's low-order bytes (325 is a byte reported as a word).
RawStatus WriteDerived(uint8_t *devMode, LinkedPlace p, uint16_t derived) {
    if (p.width == 1) devMode[p.offset] = static_cast<uint8_t>(derived);
    else Store16(devMode + p.offset, derived);
    return DMA_RS_OK;
}

// Items 320 and 341 derive items 326 and 344 from their new value, the
// current dmOrientation and the current value of item 295.
RawStatus WritePairedItem(uint16_t itemId, uint16_t newValue, uint8_t *devMode) {
    const PairInput input{ReadLinked(devMode, kPlaceOrientation), ReadLinked(devMode, kPlace295), newValue};
    uint16_t derived = 0;
    if (DerivePairedValue(itemId, &input, &derived) != 0) return DMA_RS_FAILED;
    return WriteDerived(devMode, itemId == kItemPairSource326 ? kPlace326 : kPlace344, derived);
}

}  // namespace

RawStatus StoreScalar(const Setting &s, uint8_t *place, void *devMode, uint32_t value) {
    uint8_t *dm = static_cast<uint8_t *>(devMode);
    switch (s.Kind()) {
    case Access::Resolution:
        Store16(place, static_cast<uint16_t>(value >> 16));
        Store16(dm + kOffYResolution, static_cast<uint16_t>(value & 0xFFFF));
        return DMA_RS_OK;
    case Access::PackedByte: {
        const uint32_t mask = 0xFFu << s.aux;
        Store32(place, (Load32(place) & ~mask) | (value & mask));
        return DMA_RS_OK;
    }
    case Access::FlagBit:
    case Access::FlagInverted: {
        // Only the lowest byte of the caller's value counts; the inverted
        // flag looks at its bit 0 alone.
        const uint8_t low = static_cast<uint8_t>(value);
        const bool setBit = s.Kind() == Access::FlagInverted ? (low & 1) == 0 : low != 0;
        const uint32_t mask = uint32_t{1} << s.aux, word = Load32(place);
        Store32(place, setBit ? (word | mask) : (word & ~mask));
        return DMA_RS_OK;
    }
    default:
        break;
    }
    switch (s.width) {
    case 1: place[0] = static_cast<uint8_t>(value); break;
    case 2: Store16(place, static_cast<uint16_t>(value)); break;
    default: Store32(place, value); break;
    }
    switch (s.Kind()) {
    case Access::Angle1: Store32(dm + kOffOrientationFont1, value); return DMA_RS_OK;
    case Access::Angle2: Store32(dm + kOffOrientationFont2, value); return DMA_RS_OK;
    // The derivation takes the value as a 16-bit number: a value past one
    // byte has no derived value and fails, after its low byte has been
    // stored.
    case Access::Link325: {
        uint16_t derived = 0;
        if (DeriveItem325(static_cast<uint16_t>(value), &derived) != 0) return DMA_RS_FAILED;
        return WriteDerived(dm, kPlace325, derived);
    }
    case Access::Pair326:
        return WritePairedItem(kItemPairSource326, static_cast<uint16_t>(value), dm);
    case Access::Pair344:
        return WritePairedItem(kItemPairSource344, static_cast<uint16_t>(value), dm);
    default: return DMA_RS_OK;
    }
}

RawStatus WriteSetting(const Setting &s, uint8_t *place, void *devMode,
                       uint16_t valueType, int32_t length, const void *value) {
    const Access kind = s.Kind();
    // A text's declared length bounds the scan for its terminator as well as
    // the field does: no byte past what the caller declared is read.
    const uint32_t declaredUnits = length > 0 ? static_cast<uint32_t>(length) / 2u : 0u;
    const uint32_t scanUnits = declaredUnits < s.size / 2u ? declaredUnits : s.size / 2u;

    if (kind == Access::CappedText) {
        // Its declared length may be left 0 (it is no bound then, the field
        // is); only the pointer to a text is taken, so another declared
        // type is refused before the pointer is read.
        if (valueType != DMA_VT_STRING) return DMA_RS_BAD_TYPE;
        const uint8_t *pointed = PointedTo(value);
        if (pointed == nullptr) return DMA_RS_FAILED;
        const uint32_t units = length > 0 ? scanUnits : s.size / 2u;
        const size_t text = WideLengthWithin(pointed, units);
        // With its terminator, or the declared bytes whole when none lies
        // within them.
        uint32_t bytes = static_cast<uint32_t>(2 * text + (text < units ? 2 : 0));
        if (bytes >= kCappedTextLimit) bytes = kCappedTextCopy;
        std::memmove(place, pointed, bytes);
        return DMA_RS_OK;
    }

    int32_t declaredWidth;
    if (valueType == s.StoredType()) {
        declaredWidth = s.width;
    } else if (valueType == s.ReportType()) {
        declaredWidth = TypeWidth(valueType);
        if (declaredWidth == 0) return DMA_RS_FAILED;
    } else {
        return DMA_RS_BAD_TYPE;
    }
    // Texts and fonts are only ever accepted under their own type.
    if ((kind == Access::Text && valueType != DMA_VT_STRING) ||
        (kind == Access::Font && valueType != DMA_VT_LOGFONT))
        return DMA_RS_BAD_TYPE;

    if (valueType == DMA_VT_STRING) {
        const uint8_t *pointed = PointedTo(value);
        if (pointed == nullptr) return DMA_RS_FAILED;
        if (length > int64_t{s.size}) return DMA_RS_BAD_SIZE;
        const uint32_t bytes = TextBytesWithin(pointed, scanUnits);
        if (bytes > s.size || int64_t{bytes} > length) return DMA_RS_BAD_SIZE;
        std::memmove(place, pointed, bytes);
        return DMA_RS_OK;
    }
    if (valueType == DMA_VT_LOGFONT) {
        const uint8_t *pointed = PointedTo(value);
        if (pointed == nullptr) return DMA_RS_FAILED;
        // The whole LOGFONTW is copied: its own size, or the size of the
        // pointer that carries it, which the driver's components declare.
        if (length > int64_t{s.size}) return DMA_RS_BAD_SIZE;
        if (length != static_cast<int32_t>(sizeof(LOGFONTW)) && length != static_cast<int32_t>(sizeof pointed))
            return DMA_RS_BAD_SIZE;
        std::memmove(place, pointed, sizeof(LOGFONTW));
        return DMA_RS_OK;
    }

    // Exactly the declared bytes are read, zero-extended.  A flag-group bit
    // without report type takes any declared length of at least one byte and
    // reads only its lowest byte, which alone decides.
    const uint8_t *in = static_cast<const uint8_t *>(value);
    const bool anyLength = (kind == Access::FlagBit || kind == Access::FlagInverted) && s.ReportType() == 0;
    if (anyLength ? length < 1 : length != declaredWidth) return DMA_RS_BAD_WIDTH;
    const int32_t read = anyLength ? 1 : declaredWidth;
    const uint32_t v = read == 1 ? in[0] : read == 2 ? Load16(in) : Load32(in);
    return StoreScalar(s, place, devMode, v);
}

size_t WritePlaces(const Setting &s, uint8_t *place, void *devMode, WritePlace out[2]) {
    uint8_t *dm = static_cast<uint8_t *>(devMode);
    out[0] = {place, s.width};
    switch (s.Kind()) {
    case Access::Text:
    case Access::CappedText:
    case Access::Font: out[0].bytes = s.size; return 1;
    case Access::FlagBit:
    case Access::FlagInverted:
    case Access::PackedByte: out[0].bytes = 4; return 1;
    case Access::Resolution: out[1] = {dm + kOffYResolution, 2}; return 2;
    case Access::Angle1: out[1] = {dm + kOffOrientationFont1, 4}; return 2;
    case Access::Angle2: out[1] = {dm + kOffOrientationFont2, 4}; return 2;
    case Access::Link325: out[1] = {dm + kPlace325.offset, kPlace325.width}; return 2;
    case Access::Pair326: out[1] = {dm + kPlace326.offset, kPlace326.width}; return 2;
    case Access::Pair344: out[1] = {dm + kPlace344.offset, kPlace344.width}; return 2;
    default: return 1;
    }
}

RawStatus WriteItem(uint16_t itemId, void *devMode, void *secondary, uint16_t valueType,
                    int32_t length, const void *value) {
    if (value == nullptr) return DMA_RS_FAILED;
    const Setting &s = ItemSetting(itemId);
    if (s.InNoRange()) return DMA_RS_NO_RANGE;
    if (!s.HasRow()) return DMA_RS_FAILED;
    uint8_t *place = s.Address(devMode, secondary);
    if (place == nullptr) return DMA_RS_FAILED;
    return WriteSetting(s, place, devMode, valueType, length, value);
}

}  // namespace dma
