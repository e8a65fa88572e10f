// raw_read.cpp - reading one setting: the raw read by item ID (dma_GetValue's
// contract) and the reads on a located setting that the exports share.
//
// The value is handed out in its presented type (the item's reportType when
// it has one, else its stored type), widened with zero bytes to that type's
// width.  A string or font is not copied: the caller receives the field's
// offset inside its storage area (and the area) and forms the address itself.
// A read never writes to either record.
#include <cstring>

#include "catalogue/item_roles.h"
#include "engine/engine.h"

namespace dma {

RawStatus ReadScalar(const Setting &s, const uint8_t *place, const void *devMode, uint32_t *value) {
    using namespace special;
    const uint8_t *dm = static_cast<const uint8_t *>(devMode);
    switch (s.Kind()) {
    case Access::Resolution:
        *value = uint32_t{Load16(dm + kOffPrintQuality)} << 16 | Load16(dm + kOffYResolution);
        return DMA_RS_OK;
    case Access::PackedByte:
        *value = Load32(place) & (0xFFu << s.aux);
        return DMA_RS_OK;
    case Access::FlagBit:
        *value = (Load32(place) >> s.aux) & 1;
        return DMA_RS_OK;
    case Access::FlagInverted:
        *value = ((Load32(place) >> s.aux) & 1) ^ 1;
        return DMA_RS_OK;
    case Access::Angle1:
        // The angle of the first font is valid only while lfEscapement and
        // lfOrientation agree; the second font's angle has no such check.
        if (Load32(dm + kOffEscapementFont1) != Load32(dm + kOffOrientationFont1)) return DMA_RS_FAILED;
        break;
    default:
        break;
    }
    switch (s.width) {
    case 1: *value = place[0]; break;
    case 2: *value = Load16(place); break;
    default: *value = Load32(place); break;
    }
    return DMA_RS_OK;
}

RawStatus ReadSetting(const Setting &s, const uint8_t *place, const void *devMode,
                      uint16_t *typeOut, int32_t *lengthOut, void *buffer) {
    const Access kind = s.Kind();
    if (kind == Access::Text || kind == Access::CappedText || kind == Access::Font) {
        // A string's length is the stored text with its terminator, the text
        // counted within the field (size / 2 units, never past its last
        // byte).  A field without terminator reports size + 2 when its size
        // is even.
        const uint64_t offset = s.AreaOffset();
        std::memcpy(buffer, &offset, sizeof offset);
        *typeOut = s.PresentedType();
        *lengthOut = kind == Access::Font
                         ? static_cast<int32_t>(sizeof(LOGFONTW))
                         : static_cast<int32_t>(2 * WideLengthWithin(place, s.size / 2u) + 2);
        return DMA_RS_OK;
    }
    uint32_t value;
    if (ReadScalar(s, place, devMode, &value) != DMA_RS_OK) return DMA_RS_FAILED;
    // A flag bit, a packed byte and the combined resolution are formed as a
    // 32-bit value and handed out whole; other scalars in the presented
    // width, which is never below the stored one.
    const bool formed = kind >= Access::FlagBit && kind <= Access::Resolution;
    const int32_t presented = TypeWidth(s.PresentedType());
    const size_t bytes = formed ? 4 : static_cast<size_t>(presented);
    uint8_t out[8] = {};
    Store32(out, value);
    std::memcpy(buffer, out, bytes > static_cast<size_t>(presented) ? bytes : static_cast<size_t>(presented));
    *typeOut = s.PresentedType();
    *lengthOut = presented;
    return DMA_RS_OK;
}

RawStatus ReadItem(uint16_t itemId, void *devMode, void *secondary, uint16_t *typeOut,
                   int32_t *lengthOut, void *buffer, uint16_t *areaOut) {
    // areaOut is written on a lookup failure too, so a null one is refused
    // up front like the other outputs instead of being dereferenced.
    if (typeOut == nullptr || lengthOut == nullptr || buffer == nullptr || areaOut == nullptr)
        return DMA_RS_FAILED;
    const Setting &s = ItemSetting(itemId);
    if (s.InNoRange()) return DMA_RS_NO_RANGE;
    *areaOut = s.Area();
    if (!s.HasRow()) return DMA_RS_FAILED;
    const uint8_t *place = s.Address(devMode, secondary);
    if (place == nullptr) return DMA_RS_FAILED;
    return ReadSetting(s, place, devMode, typeOut, lengthOut, buffer);
}

RawStatus ReadItemScalar(uint16_t itemId, void *devMode, void *secondary, uint32_t *value) {
    uint8_t buffer[8] = {};
    uint16_t type = 0, area = 0;
    int32_t length = 0;
    const RawStatus status = ReadItem(itemId, devMode, secondary, &type, &length, buffer, &area);
    if (status == DMA_RS_OK) *value = Load32(buffer);
    return status;
}

uint8_t *FieldAddress(uint16_t itemId, void *devMode, void *secondary, int32_t *length) {
    const Setting &s = ItemSetting(itemId);
    if (!s.HasRow()) return nullptr;
    uint8_t *place = s.Address(devMode, secondary);
    if (place == nullptr) return nullptr;
    uint8_t where[8];
    uint16_t type;
    int32_t reported;
    if (ReadSetting(s, place, devMode, &type, &reported, where) != DMA_RS_OK) return nullptr;
    if (length) *length = reported;
    return place;
}

}  // namespace dma
