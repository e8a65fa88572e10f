// lookup.cpp - the catalogue's lookups by item ID in the form the raw
// operations and the tests use them: LookupItem, FindItemRow, FindFlagMask,
// ValueTypeWidth, AreaAddress.  Each is answered from the item's compiled
// descriptor (setting.h), which holds the results of the stored-order walk.
#include "catalogue/catalogue.h"
#include "catalogue/setting.h"

namespace dma {

bool ValueTypeWidth(uint16_t /*itemId*/, uint16_t valueType, int32_t *width) {
    const int32_t w = TypeWidth(valueType);
    if (w == 0) return false;
    if (width) *width = w;
    return true;
}

uint8_t *AreaAddress(uint16_t area, uint64_t offset, void *devMode, void *secondary) {
    uint8_t *base;
    switch (area) {
    case DMA_SA_DEVMODE: base = static_cast<uint8_t *>(devMode); break;
    case DMA_SA_DEVMODE_EXT:
        base = devMode ? static_cast<uint8_t *>(devMode) + DMA_DEVMODE_EXT_BASE : nullptr;
        break;
    case DMA_SA_SECONDARY: base = static_cast<uint8_t *>(secondary); break;
    default: return nullptr;
    }
    return base ? base + offset : nullptr;
}

const ItemDescriptor *FindItemRow(uint16_t itemId, uint16_t *area) {
    const Setting &s = ItemSetting(itemId);
    if (!s.HasRow()) return nullptr;
    if (area) *area = s.Area();
    return CatalogueRow(s);
}

RawStatus LookupItem(uint16_t itemId, void *devMode, void *secondary, ItemLocation *out) {
    const Setting &s = ItemSetting(itemId);
    if (s.InNoRange()) return DMA_RS_NO_RANGE;
    if (out == nullptr) return DMA_RS_FAILED;
    out->area = s.Area();
    if (!s.HasRow()) return DMA_RS_FAILED;

    out->valueType = s.StoredType();
    out->size = s.size;
    out->offset = s.AreaOffset();
    out->reportType = s.ReportType();
    out->address = s.Address(devMode, secondary);
    if (out->address == nullptr) return DMA_RS_FAILED;
    out->width = s.width;
    return DMA_RS_OK;
}

bool FindFlagMask(uint16_t itemId, uint32_t *mask) {
    const Setting &s = ItemSetting(itemId);
    if (s.Kind() != Access::FlagBit && s.Kind() != Access::FlagInverted) return false;
    if (mask) *mask = uint32_t{1} << s.aux;
    return true;
}

}  // namespace dma
