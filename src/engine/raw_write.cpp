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

#include "catalogue/special_items.h"
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

// Writes a derived item's 16-bit value as the raw write of a WORD would: the
// derived items (325 a BYTE reported as WORD, 326 and 344 WORDs) are plain
// settings of DEVMODEW, beside the item that derives them, so that write
// passes every check and stores the item's stored width.
RawStatus WriteDerived(uint16_t itemId, uint16_t derived, void *devMode, void *secondary) {
    const Setting &s = ItemSetting(itemId);
    uint8_t *place = s.Address(devMode, secondary);
    if (!s.HasRow() || place == nullptr) return DMA_RS_FAILED;
    return StoreScalar(s, place, devMode, secondary, &derived);
}

// A scalar of DEVMODEW read from its descriptor, as the 16-bit number that
// the derivations take.
RawStatus ReadWord(uint16_t itemId, void *devMode, uint16_t *value) {
    const Setting &s = ItemSetting(itemId);
    const uint8_t *place = s.Address(devMode, nullptr);
    uint32_t v;
    if (place == nullptr || ReadScalar(s, place, devMode, &v) != DMA_RS_OK) return DMA_RS_FAILED;
    *value = static_cast<uint16_t>(v);
    return DMA_RS_OK;
}

// Items 320 and 341 derive items 326 and 344 from their new value, the
// current dmOrientation and the current value of item 295.
RawStatus WritePairedItem(uint16_t itemId, uint16_t newValue, void *devMode, void *secondary) {
    uint16_t item295, orientation;
    if (ReadWord(kItemPairClass, devMode, &item295) != DMA_RS_OK) return DMA_RS_FAILED;
    if (ReadWord(kItemOrientation, devMode, &orientation) != DMA_RS_OK) return DMA_RS_FAILED;
    const PairInput input{orientation, item295, newValue};
    uint16_t derived = 0;
    if (DerivePairedValue(itemId, &input, &derived) != 0) return DMA_RS_FAILED;
    const uint16_t target = itemId == kItemPairSource326 ? kItemDerived326 : kItemDerived344;
    return WriteDerived(target, derived, devMode, secondary);
}

}  // namespace

RawStatus StoreScalar(const Setting &s, uint8_t *place, void *devMode, void *secondary,
                      const void *value) {
    const uint8_t *in = static_cast<const uint8_t *>(value);
    uint8_t *dm = static_cast<uint8_t *>(devMode);
    switch (s.Kind()) {
    case Access::Resolution:
        Store16(place, static_cast<uint16_t>(Load32(in) >> 16));
        Store16(dm + kOffYResolution, static_cast<uint16_t>(Load32(in) & 0xFFFF));
        return DMA_RS_OK;
    case Access::PackedByte: {
        const uint32_t mask = 0xFFu << s.aux;
        Store32(place, (Load32(place) & ~mask) | (Load32(in) & mask));
        return DMA_RS_OK;
    }
    case Access::FlagBit:
    case Access::FlagInverted: {
        // Only the lowest byte of the caller's value counts; the inverted
        // flag looks at its bit 0 alone.
        const bool setBit = s.Kind() == Access::FlagInverted ? (in[0] & 1) == 0 : in[0] != 0;
        const uint32_t mask = uint32_t{1} << s.aux, word = Load32(place);
        Store32(place, setBit ? (word | mask) : (word & ~mask));
        return DMA_RS_OK;
    }
    default:
        break;
    }
    std::memcpy(place, in, s.width);
    switch (s.Kind()) {
    case Access::Angle1: std::memcpy(dm + kOffOrientationFont1, in, 4); return DMA_RS_OK;
    case Access::Angle2: std::memcpy(dm + kOffOrientationFont2, in, 4); return DMA_RS_OK;
    // The derivation takes the caller's value as a 16-bit number even when
    // it is declared one byte wide (callers pass two bytes for these items):
    // a value past one byte has no derived value and fails, after its low
    // byte has been stored.
    case Access::Link325: {
        uint16_t derived = 0;
        if (DeriveItem325(Load16(in), &derived) != 0) return DMA_RS_FAILED;
        return WriteDerived(kItemDerived325, derived, devMode, secondary);
    }
    case Access::Pair326: return WritePairedItem(kItemPairSource326, Load16(in), devMode, secondary);
    case Access::Pair344: return WritePairedItem(kItemPairSource344, Load16(in), devMode, secondary);
    default: return DMA_RS_OK;
    }
}

RawStatus WriteSetting(const Setting &s, uint8_t *place, void *devMode, void *secondary,
                       uint16_t valueType, int32_t length, const void *value) {
    const Access kind = s.Kind();
    if (kind == Access::CappedText) {
        const uint8_t *pointed = PointedTo(value);
        if (pointed == nullptr) return DMA_RS_FAILED;
        uint32_t bytes = TextBytesWithin(pointed, s.size / 2u);
        if (bytes >= kCappedTextLimit) bytes = kCappedTextCopy;
        std::memcpy(place, pointed, bytes);
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
    // A flag-group bit without report type takes any declared length.
    const bool anyLength = (kind == Access::FlagBit || kind == Access::FlagInverted) && s.ReportType() == 0;
    const int64_t effectiveLength = anyLength ? 4 : length;

    if (valueType == DMA_VT_STRING) {
        const uint8_t *pointed = PointedTo(value);
        if (pointed == nullptr) return DMA_RS_FAILED;
        if (effectiveLength > int64_t{s.size}) return DMA_RS_BAD_SIZE;
        const uint32_t bytes = TextBytesWithin(pointed, s.size / 2u);
        if (bytes > s.size || int64_t{bytes} > effectiveLength) return DMA_RS_BAD_SIZE;
        std::memcpy(place, pointed, bytes);
        return DMA_RS_OK;
    }
    if (valueType == DMA_VT_LOGFONT) {
        const uint8_t *pointed = PointedTo(value);
        if (pointed == nullptr) return DMA_RS_FAILED;
        if (effectiveLength > int64_t{s.size}) return DMA_RS_BAD_SIZE;
        std::memcpy(place, pointed, sizeof(LOGFONTW));
        return DMA_RS_OK;
    }
    if (effectiveLength != declaredWidth) return DMA_RS_BAD_WIDTH;
    return StoreScalar(s, place, devMode, secondary, value);
}

RawStatus WriteItem(uint16_t itemId, void *devMode, void *secondary, uint16_t valueType,
                    int32_t length, const void *value) {
    if (value == nullptr) return DMA_RS_FAILED;
    const Setting &s = ItemSetting(itemId);
    if (s.InNoRange()) return DMA_RS_NO_RANGE;
    if (!s.HasRow()) return DMA_RS_FAILED;
    uint8_t *place = s.Address(devMode, secondary);
    if (place == nullptr) return DMA_RS_FAILED;
    return WriteSetting(s, place, devMode, secondary, valueType, length, value);
}

}  // namespace dma
