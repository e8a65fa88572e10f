// settings.cpp - compiles the catalogue's tables into one descriptor per
// setting and the indexes that find them: item ID -> descriptor (dense),
// DMA ID -> descriptor (paged), plus the ascending list of DMA IDs that the
// attribute scan walks.  Everything is computed
// at compile time from item_tables.h and id_tables.h; a table that breaks a
// rule the lookups rely on (a duplicate ID, overlapping ranges, a row whose
// type has no width, a flag-group item without a row) fails the build.
#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>

#include "catalogue/catalogue.h"
#include "catalogue/id_tables.h"
#include "catalogue/item_tables.h"
#include "catalogue/setting.h"
#include "catalogue/item_roles.h"

namespace dma::notation {
namespace {

// ---- Rules the tables must keep --------------------------------------------

static_assert(Disjoint(kDirectory, kRangeCount, [](const ItemRange &r) { return r.firstId; },
                       [](const ItemRange &r) { return r.lastId; }),
              "two item ranges overlap");
static_assert(Disjoint(kIdDirectory, kIdRangeCount, [](const PublicIdRange &r) { return r.lo; },
                       [](const PublicIdRange &r) { return r.hi; }),
              "two DMA ID ranges overlap");

// The highest item ID any range holds: the dense index covers 0 up to it.
consteval size_t HighestItemId() {
    size_t top = 0;
    for (size_t r = 0; r < kRangeCount; ++r) top = std::max<size_t>(top, kDirectory[r].lastId);
    return top;
}
constexpr size_t kItemIndexSize = HighestItemId() + 1;

consteval size_t CountRows() {
    size_t n = 0;
    for (size_t r = 0; r < kRangeCount; ++r) n += kDirectory[r].rowCount;
    return n;
}

// The range whose bounds hold an item, or kRangeCount.
consteval size_t RangeOf(uint32_t itemId) {
    for (size_t r = 0; r < kRangeCount; ++r)
        if (kDirectory[r].firstId <= itemId && itemId <= kDirectory[r].lastId) return r;
    return kRangeCount;
}

// Bit number of a flag-group item, or -1 for an item of no group.
consteval int FlagBitOf(uint16_t itemId) {
    for (const FlagGroup &g : kFlagGroups)
        for (size_t i = 0; i < g.entryCount; ++i)
            if (g.entries[i].itemId == itemId) {
                const uint32_t mask = g.entries[i].mask;
                if (mask == 0 || (mask & (mask - 1)) != 0) throw "flag mask is not one bit";
                return std::countr_zero(mask);
            }
    return -1;
}

// ---- The descriptors --------------------------------------------------------

consteval Access AccessOf(const ItemDescriptor &row) {
    using namespace special;
    const uint16_t id = row.itemId;
    if (id == kItemResolution) return Access::Resolution;
    if (IsPackedByteItem(id)) return Access::PackedByte;
    if (FlagBitOf(id) >= 0) return id == kItemInvertedFlag ? Access::FlagInverted : Access::FlagBit;
    if (id == kItemCappedText) return Access::CappedText;
    if (row.valueType == DMA_VT_STRING) return Access::Text;
    if (row.valueType == DMA_VT_LOGFONT) return Access::Font;
    if (id == kItemAngleFont1) return Access::Angle1;
    if (id == kItemAngleFont2) return Access::Angle2;
    if (id == kItemLinkSource325) return Access::Link325;
    if (id == kItemPairSource326) return Access::Pair326;
    if (id == kItemPairSource344) return Access::Pair344;
    return Access::Plain;
}

consteval Setting Make(uint16_t itemId, uint16_t area, Access access, uint32_t place = 0,
                       uint32_t size = 0, uint16_t stored = 0, uint16_t report = 0, int aux = 0) {
    if (place > 0xFFFF || size > 0xFFFF) throw "place or size past 16 bits";
    Setting s{};
    s.itemId = itemId;
    s.place = static_cast<uint16_t>(place);
    s.size = static_cast<uint16_t>(size);
    s.types = static_cast<uint8_t>(stored | report << 4);
    s.areaAccess = static_cast<uint8_t>(area | static_cast<unsigned>(access) << 2);
    s.aux = static_cast<uint8_t>(aux);
    s.width = static_cast<uint8_t>(TypeWidth(stored));
    return s;
}

consteval Setting FromRow(const ItemDescriptor &row, uint16_t area) {
    if (row.valueType > 15 || row.reportType > 15) throw "value type past four bits";
    if (TypeWidth(row.valueType) == 0) throw "row whose type has no width";
    if (row.reportType != 0 && TypeWidth(row.reportType) == 0) throw "report type without width";
    const bool field = row.valueType == DMA_VT_STRING || row.valueType == DMA_VT_LOGFONT;
    if (!field && row.size != 0) throw "scalar row with a capacity";
    const Access access = AccessOf(row);
    int aux = 0;
    if (access == Access::FlagBit || access == Access::FlagInverted) aux = FlagBitOf(row.itemId);
    if (access == Access::PackedByte) aux = static_cast<int>(special::PackedByteShift(row.itemId));
    const uint32_t base = area == DMA_SA_DEVMODE_EXT ? DMA_DEVMODE_EXT_BASE : 0;
    return Make(row.itemId, area, access, base + row.offset, row.size, row.valueType,
                row.reportType, aux);
}

// Slots of the descriptor array: 0 is "no setting", 1 .. kRangeCount the
// row-less place of each range, then the two fax header texts, then one per
// catalogue row, then one per mapped item that has no row.
constexpr size_t kNoRowBase = 1;
constexpr size_t kFaxHeaderBase = kNoRowBase + kRangeCount;
constexpr size_t kRowBase = kFaxHeaderBase + 2;
constexpr size_t kRowCount = CountRows();

consteval size_t TotalPairs() {
    size_t n = 0;
    for (size_t r = 0; r < kIdRangeCount; ++r) n += kIdDirectory[r].pairCount;
    return n;
}
constexpr size_t kTotalPairs = TotalPairs();

// Items that the map names but no row holds, each once.
consteval size_t CountRowlessMapped() {
    std::array<bool, 65536> hasRow{}, seen{};
    for (size_t d = 0; d < kRangeCount; ++d)
        for (size_t k = 0; k < kDirectory[d].rowCount; ++k) hasRow[kDirectory[d].items[k].itemId] = true;
    size_t n = 0;
    for (size_t r = 0; r < kIdRangeCount; ++r)
        for (size_t i = 0; i < kIdDirectory[r].pairCount; ++i) {
            const uint16_t item = kIdDirectory[r].pairs[i].itemId;
            n += !hasRow[item] && !seen[item];
            seen[item] = true;
        }
    return n;
}
constexpr size_t kSettingCount = kRowBase + kRowCount + CountRowlessMapped();

struct Compiled {
    std::array<Setting, kSettingCount> settings{};
    std::array<uint16_t, kItemIndexSize> byItem{};  // item ID -> slot
};

// Compiled on demand inside the consteval functions below, so that nothing
// but the arrays the lookups read is kept in the library.
consteval Compiled Compile() {
    Compiled c{};
    // Row-less places of the ranges, and the fax header texts.
    for (size_t r = 0; r < kRangeCount; ++r)
        c.settings[kNoRowBase + r] = Make(0, kDirectory[r].area, Access::NoRow);
    c.settings[kFaxHeaderBase] = Make(0, 0, Access::FaxHeader, offsetof(FaxAddressBlock, header1),
                                      sizeof(FaxAddressBlock::header1), DMA_VT_STRING);
    c.settings[kFaxHeaderBase + 1] = Make(0, 0, Access::FaxHeader, offsetof(FaxAddressBlock, header2),
                                          sizeof(FaxAddressBlock::header2), DMA_VT_STRING);
    for (uint32_t id = 0; id < kItemIndexSize; ++id) {
        const size_t r = RangeOf(id);
        if (r < kRangeCount) c.byItem[id] = static_cast<uint16_t>(kNoRowBase + r);
    }
    // One descriptor per row; every item ID has one row at most.
    size_t slot = kRowBase;
    for (size_t r = 0; r < kRangeCount; ++r)
        for (size_t i = 0; i < kDirectory[r].rowCount; ++i) {
            const ItemDescriptor &row = kDirectory[r].items[i];
            if (c.settings[c.byItem[row.itemId]].HasRow()) throw "item ID with two rows";
            c.settings[slot] = FromRow(row, kDirectory[r].area);
            c.byItem[row.itemId] = static_cast<uint16_t>(slot);
            ++slot;
        }
    // Every flag-group item has a row.
    for (const FlagGroup &g : kFlagGroups)
        for (size_t i = 0; i < g.entryCount; ++i)
            if (!c.settings[c.byItem[g.entries[i].itemId]].HasRow()) throw "flag item without a row";
    // The map: each item's DMA ID is the first pair naming it in the earliest
    // table; a mapped item without a row gets a descriptor of its own, which
    // keeps its item ID and DMA ID.
    for (size_t r = 0; r < kIdRangeCount; ++r)
        for (size_t i = 0; i < kIdDirectory[r].pairCount; ++i) {
            const IdPair &p = kIdDirectory[r].pairs[i];
            if (p.dmaId == 0 || p.itemId == 0) throw "pair with a zero ID";
            if (p.itemId >= kItemIndexSize) throw "mapped item above every range";
            Setting *s = &c.settings[c.byItem[p.itemId]];
            if (s->itemId != p.itemId) {
                const bool inRange = s->Kind() == Access::NoRow;
                c.settings[slot] = Make(p.itemId, inRange ? s->Area() : 0,
                                        inRange ? Access::NoRow : Access::NoRange);
                c.byItem[p.itemId] = static_cast<uint16_t>(slot);
                s = &c.settings[slot++];
            }
            if (s->dmaId == 0) s->dmaId = p.dmaId;
        }
    if (slot != kSettingCount) throw "descriptor count mismatch";
    return c;
}

constexpr auto kSettings = Compile().settings;

// Item ID -> slot, paged by the ID's high byte with equal pages stored once:
// most of the item range is either outside every range or inside the last
// range without rows, so a handful of pages repeat.
constexpr size_t kItemPages = (kItemIndexSize + 255) / 256;
using ItemPage = std::array<uint16_t, 256>;

consteval std::array<ItemPage, kItemPages> ItemPages() {
    const auto byItem = Compile().byItem;
    std::array<ItemPage, kItemPages> pages{};
    for (size_t id = 0; id < kItemIndexSize; ++id) pages[id / 256][id % 256] = byItem[id];
    return pages;
}

consteval size_t CountDistinctPages() {
    const auto pages = ItemPages();
    size_t n = 0;
    for (size_t p = 0; p < kItemPages; ++p) {
        bool seen = false;
        for (size_t q = 0; q < p && !seen; ++q) seen = pages[q] == pages[p];
        n += !seen;
    }
    return n;
}

struct ItemIndex {
    std::array<uint8_t, kItemPages> pageOf{};                 // high byte -> stored page
    std::array<ItemPage, CountDistinctPages()> pages{};
};

consteval ItemIndex BuildItemIndex() {
    const auto all = ItemPages();
    ItemIndex index{};
    size_t stored = 0;
    for (size_t p = 0; p < kItemPages; ++p) {
        size_t q = 0;
        while (q < stored && index.pages[q] != all[p]) ++q;
        if (q == stored) index.pages[stored++] = all[p];
        index.pageOf[p] = static_cast<uint8_t>(q);
    }
    // The paged index answers exactly what the dense one does.
    const auto byItem = Compile().byItem;
    for (size_t id = 0; id < kItemIndexSize; ++id)
        if (index.pages[index.pageOf[id / 256]][id % 256] != byItem[id]) throw "item index mismatch";
    return index;
}
constexpr ItemIndex kItemIndex = BuildItemIndex();

// ---- The DMA ID index -------------------------------------------------------
//
// A 16-bit DMA ID selects a page by its high byte and an entry by its low
// byte; only pages that hold an answer are stored.  Entry 0 means "no
// translation".

struct KeyValue {
    uint16_t key;
    uint16_t value;
};

// DMA ID -> descriptor slot: each DMA ID once (the ranges are disjoint, and a
// DMA ID repeated in a table fails the build), plus the fax header texts.
consteval std::array<KeyValue, kTotalPairs + 2> ForwardAnswers() {
    const auto byItem = Compile().byItem;
    std::array<KeyValue, kTotalPairs + 2> out{};
    size_t n = 0;
    for (size_t r = 0; r < kIdRangeCount; ++r)
        for (size_t i = 0; i < kIdDirectory[r].pairCount; ++i) {
            const IdPair &p = kIdDirectory[r].pairs[i];
            out[n++] = KeyValue{p.dmaId, byItem[p.itemId]};
        }
    out[n++] = KeyValue{DMA_ID_FAX_HEADER1, static_cast<uint16_t>(kFaxHeaderBase)};
    out[n++] = KeyValue{DMA_ID_FAX_HEADER2, static_cast<uint16_t>(kFaxHeaderBase + 1)};
    return out;
}

consteval size_t CountPages() {
    std::array<bool, 256> used{};
    size_t n = 0;
    for (const KeyValue &a : ForwardAnswers())
        if (!used[a.key >> 8]) { used[a.key >> 8] = true; ++n; }
    return n;
}

template <size_t Pages>
struct PagedIndex {
    std::array<uint8_t, 256> page{};  // 1-based page, 0 = none
    std::array<std::array<uint16_t, 256>, Pages> entries{};

    constexpr uint16_t operator()(uint16_t key) const {
        const uint8_t p = page[key >> 8];
        return p ? entries[p - 1][key & 0xFF] : uint16_t{0};
    }
};

consteval PagedIndex<CountPages()> BuildDmaIndex() {
    PagedIndex<CountPages()> index{};
    size_t next = 0;
    for (const KeyValue &a : ForwardAnswers()) {
        uint8_t &p = index.page[a.key >> 8];
        if (p == 0) p = static_cast<uint8_t>(++next);
        uint16_t &e = index.entries[p - 1][a.key & 0xFF];
        if (e != 0) throw "DMA ID translated twice";
        e = a.value;
    }
    return index;
}
constexpr auto kDmaIndex = BuildDmaIndex();

// ---- The ascending list --------------------------------------------------

// Every DMA ID with a translation, the fax header texts included, ascending,
// with the slot of its descriptor.
consteval std::array<KnownId, kTotalPairs + 2> KnownIds() {
    std::array<KnownId, kTotalPairs + 2> ids{};
    const auto answers = ForwardAnswers();
    for (size_t i = 0; i < ids.size(); ++i) ids[i] = KnownId{answers[i].key, answers[i].value};
    std::sort(ids.begin(), ids.end(), [](KnownId a, KnownId b) { return a.dmaId < b.dmaId; });
    return ids;
}
constexpr auto kKnownIds = KnownIds();

}  // namespace
}  // namespace dma::notation

namespace dma {

const Setting &ItemSetting(uint16_t itemId) {
    using namespace notation;
    const size_t page = itemId >> 8u;
    return kSettings[page < kItemPages ? kItemIndex.pages[kItemIndex.pageOf[page]][itemId & 0xFFu] : 0];
}

const Setting &DmaSetting(uint16_t dmaId) { return notation::kSettings[notation::kDmaIndex(dmaId)]; }

const ItemDescriptor *CatalogueRow(const Setting &setting) {
    using namespace notation;
    // Row descriptors are compiled in the tables' stored order.
    size_t i = static_cast<size_t>(&setting - kSettings.data());
    if (i < kRowBase) return nullptr;
    i -= kRowBase;
    // Past the last range's rows the walk ends without one.
    for (size_t r = 0; r < kRangeCount; ++r) {
        if (i < kDirectory[r].rowCount) return &kDirectory[r].items[i];
        i -= kDirectory[r].rowCount;
    }
    return nullptr;
}

std::span<const ItemRange> RangeDirectory() { return {notation::kDirectory, notation::kRangeCount}; }

std::span<const FlagGroup> FlagGroupDirectory() { return notation::kFlagGroups; }

std::span<const PublicIdRange> PublicIdDirectory() {
    return {notation::kIdDirectory, notation::kIdRangeCount};
}

uint16_t DmaIdToItemId(uint16_t dmaId) { return DmaSetting(dmaId).itemId; }

uint16_t ItemIdToDmaId(uint16_t itemId) { return ItemSetting(itemId).dmaId; }

std::span<const KnownId> KnownDmaIdsAscending() { return notation::kKnownIds; }

std::span<const Setting> AllSettings() { return notation::kSettings; }

const Setting &SettingAt(uint16_t slot) {
    return notation::kSettings[slot < notation::kSettings.size() ? slot : 0];
}

std::span<const Setting> CatalogueSettings() {
    return {notation::kSettings.data() + notation::kRowBase, notation::kRowCount};
}

}  // namespace dma
