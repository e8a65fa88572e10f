// enumeration.cpp - DMA_EnumDMAID_ByTargetInfo: the DMA IDs of the whole
// catalogue or of one record kind's field list, each marked as string or
// font value.
//
// The catalogue's rows are walked through their descriptors in stored order,
// each of which carries its DMA ID; a field list row by row, each item ID
// translated back to its DMA ID.  Items without one are passed over.
#include <array>

#include "catalogue/catalogue.h"
#include "catalogue/setting.h"
#include "records/records.h"

namespace dma {
namespace {

// Running state of one enumeration: the caller's array (or null for a size
// query), its capacity and the number of entries found so far.
struct EnumWalk {
    DmaIdEntry *entries;
    uint32_t capacity;
    uint32_t found;
};

// Attribute bits by stored value type: bit 0 for strings, bit 1 for fonts,
// neither for the integer types.  A field-list row carries one of the types
// named here (the lists are checked at compile time).
constexpr uint32_t AttributeBits(uint16_t valueType) {
    return valueType == DMA_VT_STRING ? DMA_DMAID_ATTR_STRING
           : valueType == DMA_VT_LOGFONT ? DMA_DMAID_ATTR_LOGFONT
                                         : 0;
}

// Adds one entry: 1 to go on, -5 when the array is full.  Only bits 0 and 1
// belong to the enumeration; the others keep whatever the caller had there.
inline int32_t Add(EnumWalk &walk, uint16_t dmaId, uint32_t bits) {
    if (walk.entries != nullptr) {
        if (walk.found == walk.capacity) return DMA_E_MORE_DATA;
        DmaIdEntry &entry = walk.entries[walk.found];
        entry.dmaId = dmaId;
        entry.attributes =
            (entry.attributes & ~(DMA_DMAID_ATTR_STRING | DMA_DMAID_ATTR_LOGFONT)) | bits;
    }
    ++walk.found;
    return DMA_OK;
}

// One field-list row: 1 to go on; -5 when the array is full.
inline int32_t VisitRow(EnumWalk &walk, uint16_t itemId, uint16_t valueType) {
    const uint16_t dmaId = ItemIdToDmaId(itemId);
    if (dmaId == 0) return DMA_OK;
    return Add(walk, dmaId, AttributeBits(valueType));
}

int32_t WalkFieldList(EnumWalk &walk, std::span<const FieldListRow> rows) {
    for (const FieldListRow &row : rows) {
        const int32_t code = VisitRow(walk, row.itemId, row.valueType);
        if (code != DMA_OK) return code;
    }
    return DMA_OK;
}

// The number of catalogue rows with a DMA ID, counted once.
uint32_t CatalogueEntryCount() {
    static const uint32_t count = [] {
        uint32_t n = 0;
        for (const Setting &s : CatalogueSettings()) n += s.dmaId != 0;
        return n;
    }();
    return count;
}

// Attribute bits by a descriptor's area-and-access byte: strings and fonts
// are marked, the integer kinds are not.
constexpr std::array<uint8_t, 256> AttributeBitsTable() {
    std::array<uint8_t, 256> bits{};
    for (unsigned b = 0; b < 256; ++b) {
        const Access kind = static_cast<Access>(b >> 2);
        bits[b] = kind == Access::Font                                   ? DMA_DMAID_ATTR_LOGFONT
                  : (kind == Access::Text || kind == Access::CappedText) ? DMA_DMAID_ATTR_STRING
                                                                         : 0;
    }
    return bits;
}
constexpr std::array<uint8_t, 256> kAttributeBitsByAccess = AttributeBitsTable();

// The whole catalogue: the descriptors of its rows in stored order, which
// carry each row's DMA ID; a size query needs only their number.
int32_t WalkCatalogue(EnumWalk &walk) {
    if (walk.entries == nullptr) {
        walk.found = CatalogueEntryCount();
        return DMA_OK;
    }
    DmaIdEntry *out = walk.entries;
    uint32_t n = walk.found;
    int32_t code = DMA_OK;
    for (const Setting &s : CatalogueSettings()) {
        if (s.dmaId == 0) continue;
        if (n == walk.capacity) {
            code = DMA_E_MORE_DATA;
            break;
        }
        out[n].dmaId = s.dmaId;
        out[n].attributes = (out[n].attributes & ~(DMA_DMAID_ATTR_STRING | DMA_DMAID_ATTR_LOGFONT)) |
                            kAttributeBitsByAccess[s.areaAccess];
        ++n;
    }
    walk.found = n;
    return code;
}

}  // namespace
}  // namespace dma

// Lists the DMA IDs of target type 1 (catalogue), 2, 3, 5, 7 (field lists of
// those record kinds) or 4 (kind 4's rectangle list).  Without `entries` it is
// a size query: *entryCount receives the number of entries and the result is
// -5.  With `entries`, *entryCount is the capacity; 1 when all fit (count
// updated), -5 when they do not (the entries that fit are written, count kept).
// -10 for a null context or count, -19 for another target type.
DMA_API DMA_RESULT DMA_EnumDMAID_ByTargetInfo(DmaContext *context, int32_t targetType,
                                              uint16_t *entryCount, DmaIdEntry *entries) {
    using namespace dma;
    if (context == nullptr || entryCount == nullptr) return Result(DMA_E_FAILED);

    EnumWalk walk{entries, *entryCount, 0};
    int32_t code;
    switch (targetType) {
    case 1: code = WalkCatalogue(walk); break;
    case 2: code = WalkFieldList(walk, Kind2Fields()); break;
    case 3: code = WalkFieldList(walk, Kind3Fields()); break;
    case 4: code = WalkFieldList(walk, Kind4RectFields()); break;
    case 5: code = WalkFieldList(walk, Kind5Fields()); break;
    case 7: code = WalkFieldList(walk, Kind7Fields()); break;
    default: return Result(DMA_E_KIND);
    }
    if (code != DMA_OK) return Result(code);

    *entryCount = static_cast<uint16_t>(walk.found);
    return Result(entries != nullptr ? DMA_OK : DMA_E_MORE_DATA);
}
