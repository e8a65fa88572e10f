// scalar_api.cpp - integer access by DMA ID: DMA_GetValue, DMA_SetValue and
// DMA_QuerySWSupportInfo.
//
// These translate the DMA ID, look the item up, turn strings and fonts away
// to their own operations, and hand the value to the raw engine by item ID.
// The integer that crosses the interface is always 32 bits; narrower values
// arrive zero-extended and are stored by their low-order bytes.  Every
// non-zero raw status becomes -10.
#include "catalogue/catalogue.h"
#include "engine/engine.h"

namespace dma {

namespace {

// Item 8216: the capability flag, a plain 32-bit VT_FLAG in the secondary
// record with no DMA ID of its own.
constexpr uint16_t kSupportFlagItem = 8216;
constexpr uint16_t kSupportInfoKind = 1;

bool IsFaxHeaderId(uint16_t id) { return id == DMA_ID_FAX_HEADER1 || id == DMA_ID_FAX_HEADER2; }

// Translate and look up an integer setting: 1 with *itemId and *loc set, or
// -1 (no item), -10 (unusable), -2 (a string), -7 (a font).
int32_t OpenScalar(const DmaContext *context, uint16_t dmaId, uint16_t *itemId,
                   ItemLocation *loc) {
    if (IsFaxHeaderId(dmaId)) return DMA_E_IS_STRING;
    *itemId = DmaIdToItemId(dmaId);
    if (*itemId == 0) return DMA_E_NO_ID;
    if (LookupItem(*itemId, context->devMode, context->secondary, loc) != DMA_RS_OK)
        return DMA_E_FAILED;
    if (loc->valueType == DMA_VT_STRING) return DMA_E_IS_STRING;
    if (loc->valueType == DMA_VT_LOGFONT) return DMA_E_IS_FONT;
    return DMA_OK;
}

// Raw read of a scalar item into a 32-bit integer: the engine writes up to 8
// bytes, the value's presented width of them, zero-extended.
RawStatus ReadScalar(uint16_t itemId, void *devMode, void *secondary, uint32_t *value) {
    uint8_t buffer[8] = {};
    uint16_t type = 0, area = 0;
    int32_t length = 0;
    const RawStatus status = dma_GetValue(itemId, devMode, secondary, &type, &length, buffer, &area);
    if (status == DMA_RS_OK) *value = Load32(buffer);
    return status;
}

}  // namespace

}  // namespace dma

using namespace dma;

// Reads a setting as a 32-bit integer.  Failures before the read leave
// *value untouched; a failing raw read leaves it 0.
DMA_API DMA_RESULT DMA_GetValue(DmaContext *context, uint32_t dmaId, int32_t *value) {
    if (context == nullptr) return Result(DMA_E_FAILED);
    uint16_t itemId = 0;
    ItemLocation loc{};
    const int32_t opened = OpenScalar(context, static_cast<uint16_t>(dmaId), &itemId, &loc);
    if (opened != DMA_OK) return Result(opened);
    if (value == nullptr) return Result(DMA_E_FAILED);

    // The item is already found: read it there rather than through
    // dma_GetValue, which would look it up a second time.
    *value = 0;
    uint8_t buffer[8] = {};
    uint16_t type = 0;
    int32_t length = 0;
    if (ReadLocatedItem(itemId, loc, context->devMode, &type, &length, buffer) != DMA_RS_OK)
        return Result(DMA_E_FAILED);
    *value = static_cast<int32_t>(Load32(buffer));
    return Result(DMA_OK);
}

// Writes a setting from a 32-bit integer; the raw write takes as many
// low-order bytes as the stored width says and keeps linked settings in step.
DMA_API DMA_RESULT DMA_SetValue(DmaContext *context, uint32_t dmaId, int32_t value) {
    if (context == nullptr) return Result(DMA_E_FAILED);
    uint16_t itemId = 0;
    ItemLocation loc{};
    const int32_t opened = OpenScalar(context, static_cast<uint16_t>(dmaId), &itemId, &loc);
    if (opened != DMA_OK) return Result(opened);
    const RawStatus status =
        dma_SetValue(itemId, context->devMode, context->secondary, loc.valueType, loc.width, &value);
    return Result(status == DMA_RS_OK ? DMA_OK : DMA_E_FAILED);
}

// 1 when the settings mark the capability as supported (item 8216 non-zero),
// -35 when not, -12 when the flag cannot be read, -4 for an unknown kind.
DMA_API DMA_RESULT DMA_QuerySWSupportInfo(DmaContext *context, uint32_t infoKind) {
    if (context == nullptr) return Result(DMA_E_FAILED);
    if (static_cast<uint16_t>(infoKind) != kSupportInfoKind) return Result(DMA_E_INFO_KIND);
    uint32_t flag = 0;
    if (ReadScalar(kSupportFlagItem, context->devMode, context->secondary, &flag) != DMA_RS_OK)
        return Result(DMA_E_SUPPORT_READ);
    return Result(flag != 0 ? DMA_OK : DMA_E_NOT_SUPPORTED);
}
