// raw_write.cpp - dma_SetValue, the raw write of one setting by item ID.
//
// The caller declares the value's type and length; they are checked against
// the catalogue row before a single byte is stored, so a refused write leaves
// both records exactly as they were.  The value is then narrowed to the stored
// width (bytes and bits merged into the words that hold them) and copied into
// the item's place.  Afterwards the write keeps dependent settings in step:
// the mirrored places inside DEVMODEW (dmYResolution for item 14, the
// lfOrientation of the two fonts for items 311 and 364) and the derived items
// 325, 326 and 344, written by a nested dma_SetValue.
#include <cstring>

#include "catalogue/catalogue.h"
#include "engine/engine.h"
#include "engine/item_rules.h"

using namespace dma;
using namespace dma::engine;

namespace {

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

// Item 267 derives item 325.
RawStatus WriteItem325(uint16_t newValue, void *devMode, void *secondary) {
    uint16_t derived = 0;
    if (DeriveItem325(newValue, &derived) != 0) return DMA_RS_FAILED;
    return dma_SetValue(kItemDerived325, devMode, secondary, DMA_VT_WORD, 2, &derived);
}

// Items 320 and 341 derive items 326 and 344 from their new value, the
// current dmOrientation and the current value of item 295.
RawStatus WritePairedItem(uint16_t itemId, uint16_t newValue, void *devMode, void *secondary) {
    uint8_t buffer[8] = {};
    uint16_t type = 0, area = 0;
    int32_t length = 0;
    if (dma_GetValue(kItemPairClass, devMode, secondary, &type, &length, buffer, &area) != DMA_RS_OK)
        return DMA_RS_FAILED;
    const uint16_t item295 = Load16(buffer);

    std::memset(buffer, 0, sizeof buffer);
    const RawStatus orientationRead =
        dma_GetValue(kItemOrientation, devMode, secondary, &type, &length, buffer, &area);
    if (orientationRead != DMA_RS_OK) return orientationRead;
    const uint16_t orientation = Load16(buffer);

    const PairInput input{orientation, item295, newValue};
    uint16_t derived = 0;
    if (DerivePairedValue(itemId, &input, &derived) != 0) return DMA_RS_FAILED;
    const uint16_t target = itemId == kItemPairSource326 ? kItemDerived326 : kItemDerived344;
    return dma_SetValue(target, devMode, secondary, DMA_VT_WORD, 2, &derived);
}

}  // namespace

// Contract: `value` points to the value in the declared type (for strings
// and fonts: to a pointer to the text or LOGFONTW).  Checks, in order: null
// value, lookup, declared type, declared length; the first failure returns
// its status with nothing written.  Item 259 ignores the declared type and
// length and stores at most 62 bytes of its text.  After the item's own place
// come its mirrored place and then its linked item; a failure there leaves
// the item's new value written.
extern "C" RawStatus dma_SetValue(uint16_t itemId, void *devMode, void *secondary,
                                  uint16_t valueType, int32_t length, const void *value) {
    if (value == nullptr) return DMA_RS_FAILED;

    ItemLocation loc{};
    const RawStatus found = LookupItem(itemId, devMode, secondary, &loc);
    if (found != DMA_RS_OK) return found;

    const bool flagGroup = IsFlagGroupItem(itemId);
    // A flag-group bit without report type takes any declared length.
    const int64_t effectiveLength = (flagGroup && loc.reportType == 0) ? 4 : length;
    const bool isText = loc.valueType == DMA_VT_STRING;
    const bool isFont = loc.valueType == DMA_VT_LOGFONT;

    const uint8_t *pointed = nullptr;  // caller's text or LOGFONTW
    uint32_t textBytes = 0;
    int32_t declaredWidth = 0;         // width of the declared type

    if (itemId == kItemCappedText) {
        pointed = PointedTo(value);
        if (pointed == nullptr) return DMA_RS_FAILED;
        textBytes = TextBytesWithin(pointed, loc.size / 2);
    } else {
        if (valueType == loc.valueType) {
            declaredWidth = loc.width;
        } else if (valueType == loc.reportType) {
            if (!ValueTypeWidth(itemId, valueType, &declaredWidth)) return DMA_RS_FAILED;
        } else {
            return DMA_RS_BAD_TYPE;
        }
        // Texts and fonts are only ever accepted under their own type.
        if ((isText && valueType != DMA_VT_STRING) || (isFont && valueType != DMA_VT_LOGFONT))
            return DMA_RS_BAD_TYPE;

        if (valueType == DMA_VT_STRING) {
            pointed = PointedTo(value);
            if (pointed == nullptr) return DMA_RS_FAILED;
            if (effectiveLength > int64_t{loc.size}) return DMA_RS_BAD_SIZE;
            textBytes = TextBytesWithin(pointed, loc.size / 2);
            if (textBytes > loc.size) return DMA_RS_BAD_SIZE;
            if (int64_t{textBytes} > effectiveLength) return DMA_RS_BAD_SIZE;
        } else if (valueType == DMA_VT_LOGFONT) {
            pointed = PointedTo(value);
            if (pointed == nullptr) return DMA_RS_FAILED;
            if (effectiveLength > int64_t{loc.size}) return DMA_RS_BAD_SIZE;
        } else if (effectiveLength != declaredWidth) {
            return DMA_RS_BAD_WIDTH;
        }
    }

    const uint8_t *in = static_cast<const uint8_t *>(value);
    uint8_t *place = loc.address;
    uint8_t *dm = static_cast<uint8_t *>(devMode);

    if (itemId == kItemResolution) {
        Store16(place, static_cast<uint16_t>(Load32(in) >> 16));
    } else if (IsPackedByteItem(itemId)) {
        const uint32_t mask = PackedByteMask(itemId);
        Store32(place, (Load32(place) & ~mask) | (Load32(in) & mask));
    } else if (flagGroup) {
        uint32_t mask = 0;
        if (!FindFlagMask(itemId, &mask)) return DMA_RS_FAILED;
        // Only the lowest byte of the caller's value counts; the inverted
        // flag looks at its bit 0 alone.
        const bool setBit = itemId == kItemInvertedFlag ? (in[0] & 1) == 0 : in[0] != 0;
        const uint32_t word = Load32(place);
        Store32(place, setBit ? (word | mask) : (word & ~mask));
    } else if (isText) {
        uint32_t copyLength = textBytes;
        if (itemId == kItemCappedText && copyLength >= kCappedTextLimit) copyLength = kCappedTextCopy;
        std::memcpy(place, pointed, copyLength);
    } else if (isFont) {
        std::memcpy(place, pointed, kLogFontSize);
    } else {
        if (loc.width <= 0 || loc.width > 8) return DMA_RS_FAILED;
        std::memcpy(place, in, static_cast<size_t>(loc.width));
    }

    if (itemId == kItemResolution)
        Store16(dm + kOffYResolution, static_cast<uint16_t>(Load32(in) & 0xFFFF));
    else if (itemId == kItemAngleFont1)
        std::memcpy(dm + kOffOrientationFont1, in, 4);
    else if (itemId == kItemAngleFont2)
        std::memcpy(dm + kOffOrientationFont2, in, 4);

    if (itemId == kItemLinkSource325 || itemId == kItemPairSource326 ||
        itemId == kItemPairSource344) {
        // The derivation takes the caller's value as a 16-bit number even
        // when it is declared one byte wide (callers pass two bytes for these
        // items): a value past one byte has no derived value and fails, after
        // its low byte has been stored.
        const uint16_t newValue = Load16(in);
        if (itemId == kItemLinkSource325) return WriteItem325(newValue, devMode, secondary);
        return WritePairedItem(itemId, newValue, devMode, secondary);
    }
    return DMA_RS_OK;
}
