// setting.h - the compiled descriptor of a setting: one 8-byte record per
// item, derived at compile time from the catalogue's tables, that says
// everything an access needs without another table walk: which record and
// where in it, the stored and reported types, the capacity of a text or font,
// and how the value is reached (a plain run of bytes, one bit of a flag word,
// one byte of a packed word, or one of the items with handling of their own).
//
// Lookups by item ID and by DMA ID both end at one of these records, so every
// operation looks a setting up once and then works on the descriptor.
#pragma once

#include <cstdint>
#include <span>

#include "common.h"

namespace dma {

// Stored width by value type, 0 for a type without one (0, 7 unassigned,
// anything above 10).  Strings and fonts are handed out by address: the
// width of a pointer.
constexpr int32_t TypeWidth(uint16_t valueType) {
    switch (valueType) {
    case DMA_VT_FLAG: case DMA_VT_INT: case DMA_VT_DWORD: case DMA_VT_LONG: return 4;
    case DMA_VT_SHORT: case DMA_VT_WORD: return 2;
    case DMA_VT_BYTE: return 1;
    case DMA_VT_STRING: case DMA_VT_LOGFONT: return 8;
    default: return 0;
    }
}

// How a setting's value is reached.  Every item has exactly one access kind;
// the kinds after Plain are the items whose stored bytes are not simply their
// value (and are listed, with the offsets they involve, in item_roles.h).
enum class Access : uint8_t {
    None,          // no setting: no DMA ID, or an item ID in no range
    NoRange,       // a DMA ID whose item lies in no range (never readable)
    NoRow,         // an item inside a range's bounds that the range has no row for
    FaxHeader,     // 0xA001/0xA002: a text of the fax-address block, not a catalogue item
    Plain,         // the stored width's bytes at the setting's place
    Text,          // a UTF-16 field (item 329: an 8-bit field) of `size` bytes
    Font,          // a LOGFONTW
    FlagBit,       // bit `aux` of a 32-bit flag word
    FlagInverted,  // as FlagBit, the bit set meaning "off" (item 1284)
    PackedByte,    // the byte at bit `aux` of a 32-bit word (items 392-403)
    Resolution,    // item 14: dmPrintQuality << 16 | dmYResolution
    Angle1,        // item 311: lfEscapement of font 1, checked against and mirrored to lfOrientation
    Angle2,        // item 364: lfEscapement of font 2, mirrored to lfOrientation
    CappedText,    // item 259: a text whose raw write stores 62 bytes at most
    Link325,       // item 267: writing it derives item 325
    Pair326,       // item 320: writing it derives item 326 (with dmOrientation and item 295)
    Pair344,       // item 341: writing it derives item 344 likewise
};

struct Setting {
    uint16_t itemId;      // 0 for Access::None and the fax header texts
    uint16_t dmaId;       // the item's DMA ID (the earliest map table's), 0 without one
    uint16_t place;       // offset from the start of its record (DEVMODEW, or the secondary
                          // record for SA_SECONDARY); a fax header: from the block's start
    uint16_t size;        // capacity in bytes of a text or font field; else 0
    uint8_t types;        // stored type (low four bits), reported type (high four; 0 = stored)
    uint8_t areaAccess;   // storage area (low two bits), Access (the rest)
    uint8_t aux;          // FlagBit/FlagInverted: bit number; PackedByte: shift
    uint8_t width;        // stored width of the stored type (1, 2, 4; 8 for texts and fonts)

    constexpr uint16_t StoredType() const { return types & 0xF; }
    constexpr uint16_t ReportType() const { return types >> 4; }
    constexpr uint16_t PresentedType() const { return ReportType() ? ReportType() : StoredType(); }
    constexpr uint16_t Area() const { return areaAccess & 3; }
    constexpr Access Kind() const { return static_cast<Access>(areaAccess >> 2); }
    // An item ID that lies in no range: the raw operations say DMA_RS_NO_RANGE.
    constexpr bool InNoRange() const { return Kind() <= Access::NoRange; }
    // A setting that an access can reach (it has a row in its range).
    constexpr bool HasRow() const { return Kind() >= Access::Plain; }
    constexpr bool InSecondary() const { return Area() == DMA_SA_SECONDARY; }
    constexpr uint16_t AreaOffset() const {
        return Area() == DMA_SA_DEVMODE_EXT ? place - DMA_DEVMODE_EXT_BASE : place;
    }

    // The address of the value inside the caller's records, or null when the
    // record that holds it is missing.  Only for a setting with a row.
    uint8_t *Address(void *devMode, void *secondary) const {
        uint8_t *record = static_cast<uint8_t *>(InSecondary() ? secondary : devMode);
        return record ? record + place : nullptr;
    }
};
static_assert(sizeof(Setting) == 12, "a setting's descriptor is 12 bytes");

// The descriptor of an item ID: its row; for an ID without one, a NoRow
// record of the range whose bounds hold it (NoRange when none does), which
// carries the ID's DMA ID when the map names it; else Access::None.
const Setting &ItemSetting(uint16_t itemId);

// The descriptor of a DMA ID: that of the item it translates to; the fax
// header texts for 0xA001/0xA002; NoRange for an item that lies in no range;
// Access::None when the ID has no translation.
const Setting &DmaSetting(uint16_t dmaId);

// The descriptor in a given slot of the compiled array (KnownId::slot).
const Setting &SettingAt(uint16_t slot);
// Every descriptor, indexed by slot, for loops that visit many.
std::span<const Setting> AllSettings();

// A DMA ID that a read operation can serve, with its descriptor's slot.
struct KnownId {
    uint16_t dmaId;
    uint16_t slot;
    constexpr operator uint16_t() const { return dmaId; }
};

// Every DMA ID with a translation (the public map's IDs plus 0xA001 and
// 0xA002), ascending: the only IDs a read operation can ever serve.
std::span<const KnownId> KnownDmaIdsAscending();

// The catalogue row a descriptor was compiled from, or null for a descriptor
// without one.
struct ItemDescriptor;
const ItemDescriptor *CatalogueRow(const Setting &setting);

// The descriptors of the catalogue's rows, in the tables' stored order.
std::span<const Setting> CatalogueSettings();

}  // namespace dma
