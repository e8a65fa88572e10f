// catalogue_view.h - where a setting lives, for display: the item behind a
// DMA ID, its storage area, offset, stored and reported type, width and size.
//
// This is the one place where dmactl looks at the library's internal tables
// (src/catalogue) instead of its exports, because no export tells where a
// scalar setting is stored.  Values are never read or written through it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dmaclient {

struct Location {
    uint16_t dmaId = 0;
    uint16_t itemId = 0;        // 0 for the fax header strings
    uint16_t area = 0;          // DMA_SA_*; kFaxArea for the fax header strings
    uint64_t offset = 0;        // from the base of the area
    uint16_t valueType = 0;     // stored DMA_VT_*
    uint16_t reportType = 0;    // DMA_VT_* handed to callers, 0 = valueType
    int32_t width = 0;          // stored width of valueType
    uint32_t size = 0;          // capacity of a string or font field
    uint32_t flagMask = 0;      // bit of a flag-group item, else 0
    uint16_t plainId = 0;       // protected strings: the plain DMA ID of the same field
};

constexpr uint16_t kFaxArea = 0xFF;

// The location of a DMA ID; nullopt when the library's map has no such ID.
std::optional<Location> Locate(uint16_t dmaId);

// Short names: "DEVMODEW", "DEVMODEW+1608", "secondary", "fax block".
const char *AreaName(uint16_t area);
// "SHORT", "WORD", ... for a DMA_VT_* code; "?" for an unknown one.
const char *ValueTypeName(uint16_t valueType);
// The type a value is handed out as: reportType when set, else valueType.
inline uint16_t PresentedType(const Location &l) { return l.reportType ? l.reportType : l.valueType; }

// The DMA ID of an item (0 when it has none).
uint16_t DmaIdOfItem(uint16_t itemId);

bool IsProtectedId(uint16_t dmaId);
bool IsFaxHeaderId(uint16_t dmaId);
// Items 392-403: one byte of a shared 32-bit word, handed out in place.
bool IsPackedByteItem(uint16_t itemId);
// The mask of such an item's byte in its word.
uint32_t PackedByteMask(uint16_t itemId);

}  // namespace dmaclient
