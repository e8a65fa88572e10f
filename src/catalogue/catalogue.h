// catalogue.h - the read-only settings catalogue and the public DMA ID map:
// the tables in their stored order (the reference every lookup must agree
// with) and the lookups by item ID and DMA ID.
//
// The catalogue says for every item ID where its value lives (storage area
// and offset), in which form it is stored (ValueType) and how wide it is.
// The tables are written once as runs of items (item_tables.h, id_tables.h)
// and expanded at compile time into rows in their stored order.  The lookups
// go through the compiled descriptors of setting.h, one per setting, which
// give exactly the results of the stored-order scans (the tests keep the
// scans as a reference model).
#pragma once

#include <cstdint>
#include <span>

#include "catalogue/setting.h"
#include "common.h"

namespace dma {

// One row of an item table.
struct ItemDescriptor {
    uint16_t itemId;      // 0 ends a table
    uint16_t valueType;   // stored form (DMA_VT_*)
    uint16_t reportType;  // type handed to callers, 0 = valueType
    uint16_t offset;      // from the base of the storage area
    uint32_t size;        // capacity of a string or font, else 0
};
static_assert(sizeof(ItemDescriptor) == 12, "a catalogue row is 12 bytes");

// One row of the range directory.
struct ItemRange {
    uint16_t area;        // DMA_SA_*
    uint16_t firstId;
    uint16_t lastId;
    const ItemDescriptor *items;  // null ends the directory
    uint16_t rowCount;            // rows in `items` before the ending row
};

// What LookupItem writes.  Fields that a failing lookup did not reach keep
// what the caller put there (only `area` is written once the range is found).
struct ItemLocation {
    uint16_t valueType;
    uint16_t reportType;
    int32_t width;        // stored width of valueType
    uint32_t size;
    uint8_t *address;     // meaningful only with status 0; null when the
                          // item's record pointer is null
    uint64_t offset;
    uint16_t area;
};

// The range directory in stored order (13 ranges), without its ending row.
std::span<const ItemRange> RangeDirectory();

// Stored width of a value type: 1..10 except 7.  Writes nothing and returns
// false for an unknown type.  The item ID does not change the result.
bool ValueTypeWidth(uint16_t itemId, uint16_t valueType, int32_t *width);

// Finds an item: DMA_RS_OK with every field written; DMA_RS_NO_RANGE when
// the ID lies in no range (nothing written); DMA_RS_FAILED when the range has
// no row for it, its record pointer is null or its type has no width.
RawStatus LookupItem(uint16_t itemId, void *devMode, void *secondary, ItemLocation *out);

// The row of an item (stored-order semantics), or null.
const ItemDescriptor *FindItemRow(uint16_t itemId, uint16_t *area);

// Mask of a flag-group item (groups 1281, 2305, 4097, 4609); false and
// nothing written for any other item.
bool FindFlagMask(uint16_t itemId, uint32_t *mask);

// One row of a flag group's mask table: the bit an item occupies in its
// 32-bit flag word.  A row whose itemId is 0 ends the table.
struct FlagMaskEntry {
    uint16_t itemId;
    uint32_t mask;
};

// One flag group (items 1281-1376, 2305-2560, 4097-4161, 4609-4640).
struct FlagGroup {
    uint16_t firstId;
    const FlagMaskEntry *entries;  // ascending item IDs, ended by a zero row
    uint16_t entryCount;           // rows before the ending row
};

// The four flag groups in the order FindFlagMask searches them.
std::span<const FlagGroup> FlagGroupDirectory();

// Base address of a storage area inside the caller's records plus offset:
// devMode for SA_DEVMODE, devMode + 1608 for SA_DEVMODE_EXT, secondary for
// SA_SECONDARY.  Null for another area or a null record.
uint8_t *AreaAddress(uint16_t area, uint64_t offset, void *devMode, void *secondary);

// ---- Public DMA ID map ----

struct IdPair {
    uint16_t dmaId;   // 0 ends a table
    uint16_t itemId;
};

struct PublicIdRange {
    const IdPair *pairs;  // null ends the directory
    uint16_t lo, hi;
    uint16_t pairCount;
};

// The 16 map ranges in stored order, without the ending row.
std::span<const PublicIdRange> PublicIdDirectory();

// 0 when the DMA ID has no item.
uint16_t DmaIdToItemId(uint16_t dmaId);
// 0 when the item has no DMA ID; an item with two DMA IDs gives the one in the
// earlier directory row.
uint16_t ItemIdToDmaId(uint16_t itemId);


}  // namespace dma
