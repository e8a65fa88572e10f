// raw_read.cpp - dma_GetValue, the raw read of one setting by item ID.
//
// The value is handed out in its presented type (the item's reportType when
// it has one, else its stored type), widened with zero bytes to that type's
// width.  A string or font is not copied: the caller receives the field's
// offset inside its storage area (and the area) and forms the address itself.
// The read never writes to either record.
#include <cstring>

#include "catalogue/catalogue.h"
#include "engine/engine.h"
#include "engine/item_rules.h"

using namespace dma;
using namespace dma::engine;

namespace {

// Area value that LookupItem never writes: tells whether it reached the
// range (and so wrote the area) even when it failed afterwards.
constexpr uint16_t kAreaNotFound = 0xFFFF;

}  // namespace

// Contract: typeOut, lengthOut, buffer (at least 8 bytes) and areaOut must be
// non-null, else DMA_RS_FAILED and nothing is written.  A LookupItem failure
// is passed on unchanged, with areaOut written once the item's range is
// known.  Any other failure (item 311 whose two angle members differ, a flag
// item without mask, a report type without width) leaves typeOut, lengthOut
// and buffer untouched.  On success the buffer holds the value as described
// per kind of item below; up to 8 bytes are written (4 for a flag even when
// its presented width is 1 or 2).
extern "C" RawStatus dma_GetValue(uint16_t itemId, void *devMode, void *secondary,
                                  uint16_t *typeOut, int32_t *lengthOut, void *buffer,
                                  uint16_t *areaOut) {
    // areaOut is written on a lookup failure too, so a null one is refused
    // up front like the other outputs instead of being dereferenced.
    if (typeOut == nullptr || lengthOut == nullptr || buffer == nullptr || areaOut == nullptr)
        return DMA_RS_FAILED;

    ItemLocation loc{};
    loc.area = kAreaNotFound;
    const RawStatus found = LookupItem(itemId, devMode, secondary, &loc);
    if (loc.area != kAreaNotFound) *areaOut = loc.area;
    if (found != DMA_RS_OK) return found;
    return ReadLocatedItem(itemId, loc, devMode, typeOut, lengthOut, buffer);
}

RawStatus dma::ReadLocatedItem(uint16_t itemId, const ItemLocation &loc, const void *devMode,
                               uint16_t *typeOut, int32_t *lengthOut, void *buffer) {
    const uint8_t *dm = static_cast<const uint8_t *>(devMode);

    // The angle of the first font is valid only while lfEscapement and
    // lfOrientation agree; the second font's angle has no such check.
    if (itemId == kItemAngleFont1 &&
        Load32(dm + kOffEscapementFont1) != Load32(dm + kOffOrientationFont1))
        return DMA_RS_FAILED;

    uint8_t source[8] = {};
    size_t copyLength = 0;
    if (itemId == kItemResolution) {
        const uint32_t combined = uint32_t{Load16(dm + kOffPrintQuality)} << 16 |
                                  Load16(dm + kOffYResolution);
        Store32(source, combined);
        copyLength = 4;
    } else if (IsPackedByteItem(itemId)) {
        Store32(source, Load32(loc.address) & PackedByteMask(itemId));
        copyLength = 4;
    } else if (IsFlagGroupItem(itemId)) {
        uint32_t mask = 0;
        if (!FindFlagMask(itemId, &mask)) return DMA_RS_FAILED;
        const bool bitSet = (Load32(loc.address) & mask) != 0;
        const bool on = itemId == kItemInvertedFlag ? !bitSet : bitSet;
        Store32(source, on ? 1u : 0u);
        copyLength = 4;
    } else if (loc.valueType == DMA_VT_STRING || loc.valueType == DMA_VT_LOGFONT) {
        std::memcpy(source, &loc.offset, sizeof loc.offset);
        copyLength = sizeof loc.offset;
    } else {
        if (loc.width <= 0 || loc.width > static_cast<int32_t>(sizeof source)) return DMA_RS_FAILED;
        copyLength = static_cast<size_t>(loc.width);
        std::memcpy(source, loc.address, copyLength);
    }

    uint16_t presentedType = loc.valueType;
    int32_t presentedWidth = loc.width;
    if (loc.reportType != 0) {
        if (!ValueTypeWidth(itemId, loc.reportType, &presentedWidth)) return DMA_RS_FAILED;
        presentedType = loc.reportType;
    }
    if (presentedWidth < 0 || presentedWidth > static_cast<int32_t>(sizeof source))
        return DMA_RS_FAILED;

    // A string's length is the stored text with its terminator, the text
    // counted within the field (size / 2 units, never past its last byte).
    // A field without terminator reports size + 2 when its size is even.
    int32_t reportedLength = presentedWidth;
    if (loc.valueType == DMA_VT_STRING)
        reportedLength = static_cast<int32_t>(2 * WideLengthWithin(loc.address, loc.size / 2) + 2);
    else if (loc.valueType == DMA_VT_LOGFONT)
        reportedLength = static_cast<int32_t>(kLogFontSize);

    uint8_t *out = static_cast<uint8_t *>(buffer);
    std::memset(out, 0, static_cast<size_t>(presentedWidth));
    std::memcpy(out, source, copyLength);
    *typeOut = presentedType;
    *lengthOut = reportedLength;
    return DMA_RS_OK;
}

RawStatus dma::ReadItemScalar(uint16_t itemId, void *devMode, void *secondary, uint32_t *value) {
    uint8_t buffer[8] = {};
    uint16_t type = 0, area = 0;
    int32_t length = 0;
    const RawStatus status = dma_GetValue(itemId, devMode, secondary, &type, &length, buffer, &area);
    if (status == DMA_RS_OK) *value = Load32(buffer);
    return status;
}

uint8_t *dma::FieldAddress(uint16_t itemId, void *devMode, void *secondary, int32_t *length) {
    uint8_t where[8] = {};
    uint16_t type = 0, area = 0;
    int32_t reported = 0;
    if (dma_GetValue(itemId, devMode, secondary, &type, &reported, where, &area) != DMA_RS_OK)
        return nullptr;
    uint64_t offset;
    std::memcpy(&offset, where, sizeof offset);
    if (length) *length = reported;
    return AreaAddress(area, offset, devMode, secondary);
}
