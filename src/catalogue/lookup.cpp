// lookup.cpp - finding an item's row and forming the address of its value:
// LookupItem, FindItemRow, FindFlagMask, ValueTypeWidth, AreaAddress.
//
// The tables are searched through the dense slot indexes derived from them at
// compile time (catalogue_index.h), which give the same row as walking the
// directory and the range's table in stored order, in constant time.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_index.h"

namespace dma {
namespace {

// Slot of an item ID: 0 when it lies in no range.
inline uint16_t ItemSlot(uint16_t itemId) {
    return itemId < detail::kItemSlotCount ? detail::kItemSlots[itemId] : 0;
}

}  // namespace

// Stored width by value type, 0 for a type without one (0, 7 unassigned).
// A table rather than a switch: every lookup asks, with types that change
// from call to call, and an indexed load costs no branch prediction.
constexpr int8_t kValueTypeWidths[11] = {
    0,     // 0: no type
    4,     // FLAG
    2, 2,  // SHORT, WORD
    4, 4,  // INT, DWORD
    8,     // STRING: handed out by address, the width of a pointer
    0,     // 7: unassigned
    1,     // BYTE
    8,     // LOGFONT: by address, like STRING
    4,     // LONG
};

bool ValueTypeWidth(uint16_t /*itemId*/, uint16_t valueType, int32_t *width) {
    const int32_t w = valueType < sizeof kValueTypeWidths ? kValueTypeWidths[valueType] : 0;
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
    const uint16_t slot = ItemSlot(itemId);
    const unsigned range = detail::SlotRange(slot), row = detail::SlotRow(slot);
    if (range == 0 || row == 0) return nullptr;
    const ItemRange &r = detail::kItemDirectory[range - 1];
    if (area) *area = r.area;
    return &r.items[row - 1];
}

RawStatus LookupItem(uint16_t itemId, void *devMode, void *secondary, ItemLocation *out) {
    const uint16_t slot = ItemSlot(itemId);
    const unsigned range = detail::SlotRange(slot), row = detail::SlotRow(slot);
    if (range == 0) return DMA_RS_NO_RANGE;
    if (out == nullptr) return DMA_RS_FAILED;
    const ItemRange &r = detail::kItemDirectory[range - 1];
    out->area = r.area;
    if (row == 0) return DMA_RS_FAILED;

    const ItemDescriptor &d = r.items[row - 1];
    out->valueType = d.valueType;
    out->size = d.size;
    out->offset = d.offset;
    out->reportType = d.reportType;

    // Areas 0 and 1 live in the DEVMODEW record, every other area in the
    // secondary record.  With that record missing the address is null.
    void *record = (r.area == DMA_SA_DEVMODE || r.area == DMA_SA_DEVMODE_EXT) ? devMode : secondary;
    uint8_t *base = static_cast<uint8_t *>(record);
    if (base && r.area == DMA_SA_DEVMODE_EXT) base += DMA_DEVMODE_EXT_BASE;
    out->address = base ? base + d.offset : nullptr;
    if (record == nullptr) return DMA_RS_FAILED;

    int32_t width;
    if (!ValueTypeWidth(itemId, d.valueType, &width)) return DMA_RS_FAILED;
    out->width = width;
    return DMA_RS_OK;
}

bool FindFlagMask(uint16_t itemId, uint32_t *mask) {
    if (itemId < detail::kFlagSlotFirst || size_t{itemId} - detail::kFlagSlotFirst >= detail::kFlagSlotCount)
        return false;
    const uint16_t slot = detail::kFlagSlots[itemId - detail::kFlagSlotFirst];
    const unsigned group = detail::SlotRange(slot), row = detail::SlotRow(slot);
    if (group == 0 || row == 0) return false;
    if (mask) *mask = FlagGroupDirectory()[group - 1].entries[row - 1].mask;
    return true;
}

}  // namespace dma
