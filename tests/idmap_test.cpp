// idmap_test.cpp - the public DMA ID map: its directory and pairs against the
// documented ranges, its coverage of the catalogue, the translation edge
// cases, and the indexed translations against stored-order walks.
#include <algorithm>
#include <set>
#include <vector>

#include "catalogue/catalogue.h"
#include "support/reference_scans.h"
#include "support/test_support.h"

namespace {

struct MapRange { uint16_t lo, hi, pairs; };

const MapRange kRanges[] = {
    {0x1, 0x19, 25},      {0x101, 0x12F, 47},   {0x130, 0x15F, 48},  {0x160, 0x18F, 48},
    {0x190, 0x1BF, 48},   {0x1001, 0x1024, 35}, {0x1C1, 0x200, 64},  {0x3C1, 0x3D9, 22},
    {0x201, 0x24B, 73},   {0x901, 0xA00, 256},  {0x301, 0x33F, 63},  {0x381, 0x3A0, 32},
    {0x401, 0x45F, 95},   {0x501, 0x68F, 278},  {0x9001, 0x900A, 10}, {0x202B, 0x202B, 1},
};

TEST(IdMap, DirectoryAndPairs) {
    const auto dir = dma::PublicIdDirectory();
    ASSERT_EQ(dir.size(), std::size(kRanges));
    size_t total = 0;
    for (size_t r = 0; r < dir.size(); ++r) {
        SCOPED_TRACE(testing::Message() << "range " << r + 1);
        EXPECT_EQ(dir[r].lo, kRanges[r].lo);
        EXPECT_EQ(dir[r].hi, kRanges[r].hi);
        ASSERT_NE(dir[r].pairs, nullptr);
        size_t n = 0;
        for (const dma::IdPair *p = dir[r].pairs; p->dmaId != 0; ++p, ++n) {
            EXPECT_TRUE(p->dmaId >= dir[r].lo && p->dmaId <= dir[r].hi) << p->dmaId;
            if (n > 0) { EXPECT_LT(p[-1].dmaId, p->dmaId); }
            uint16_t area;
            EXPECT_NE(dma::FindItemRow(p->itemId, &area), nullptr) << "pair " << p->dmaId << " -> " << p->itemId;
        }
        EXPECT_EQ(dir[r].pairs[n].itemId, 0);
        EXPECT_EQ(n, kRanges[r].pairs);
        EXPECT_EQ(dir[r].pairCount, n);
        total += n;
    }
    EXPECT_EQ(total, 1145u);
    for (size_t a = 0; a < dir.size(); ++a)
        for (size_t b = a + 1; b < dir.size(); ++b)
            EXPECT_TRUE(dir[a].hi < dir[b].lo || dir[b].hi < dir[a].lo) << a << " overlaps " << b;
}

// Ranges 1 and 10 keep the item IDs; range 15 gives second names to items
// that have an ordinary DMA ID elsewhere.
TEST(IdMap, IdentityAndProtectedRanges) {
    for (uint16_t d = 0x1; d <= 0x19; ++d) EXPECT_EQ(dma::DmaIdToItemId(d), d);
    for (uint16_t d = 0x901; d <= 0xA00; ++d) EXPECT_EQ(dma::DmaIdToItemId(d), d);
    const uint16_t protectedItems[] = {5159, 5160, 5161, 5175, 1858, 5181, 5182, 5185, 5208, 5209};
    for (uint16_t i = 0; i < 10; ++i) {
        const uint16_t item = dma::DmaIdToItemId(static_cast<uint16_t>(0x9001 + i));
        EXPECT_EQ(item, protectedItems[i]);
        const uint16_t back = dma::ItemIdToDmaId(item);
        EXPECT_TRUE((back >= 0x201 && back <= 0x24B) || (back >= 0x401 && back <= 0x45F)) << item;
        EXPECT_EQ(dma::DmaIdToItemId(back), item);
    }
}

TEST(IdMap, CatalogueCoverage) {
    const std::set<uint16_t> without = [] {
        std::set<uint16_t> s = {483, 1295, 1368, 1369, 1854, 1877, 1879, 1897, 8216, 8217};
        for (uint16_t i = 1373; i <= 1376; ++i) s.insert(i);
        for (uint16_t i = 4145; i <= 4161; ++i) s.insert(i);
        for (uint16_t i = 5633; i <= 5654; ++i) s.insert(i);
        return s;
    }();
    ASSERT_EQ(without.size(), 53u);
    size_t withId = 0;
    std::set<uint16_t> found;
    for (const dma::ItemRange &r : dma::RangeDirectory()) {
        for (const dma::ItemDescriptor *d = r.items; d->itemId != 0; ++d) {
            const uint16_t dmaId = dma::ItemIdToDmaId(d->itemId);
            if (dmaId == 0) {
                found.insert(d->itemId);
                continue;
            }
            ++withId;
            EXPECT_EQ(dma::DmaIdToItemId(dmaId), d->itemId) << d->itemId;
        }
    }
    EXPECT_EQ(withId, 1135u);
    EXPECT_EQ(found, without);
}

TEST(IdMap, EdgeCases) {
    struct Forward { uint16_t dma, item; };
    const Forward forward[] = {
        {0, 0},          {0x1A, 0},       {0x1022, 0},     {0xA001, 0},    {0xA002, 0},
        {0x9005, 1858},  {0x202B, 1370},  {0x140, 320},    {0x1CF, 4129},  {0x3D5, 0},
        {0x68B, 0},      {0x68C, 8224},   {0x68E, 8223},   {0x68F, 8225},  {0x100, 0},
        {0xFFFF, 0},     {0x176, 374},    {0x177, 375},    {0x45F, 5215},  {0x23A, 0},
    };
    for (const Forward &f : forward) EXPECT_EQ(dma::DmaIdToItemId(f.dma), f.item) << std::hex << f.dma;
    struct Reverse { uint16_t item, dma; };
    const Reverse reverse[] = {
        {1858, 0x228}, {1370, 0x202B}, {4161, 0}, {0, 0},     {5159, 0x427}, {1832, 0x121},
        {4129, 0x1CF}, {1295, 0},      {320, 0x140}, {8225, 0x68F}, {0xFFFF, 0}, {26, 0},
    };
    for (const Reverse &r : reverse) EXPECT_EQ(dma::ItemIdToDmaId(r.item), r.dma) << r.item;
}

TEST(IdMap, IndexedTranslationsMatchStoredOrderWalks) {
    size_t forward = 0, reverse = 0;
    for (uint32_t id = 0; id <= 0xFFFF; ++id) {
        const uint16_t v = static_cast<uint16_t>(id);
        const uint16_t item = dma::DmaIdToItemId(v);
        ASSERT_EQ(item, dmatest::ScanDmaIdToItemId(v)) << id;
        const uint16_t dmaId = dma::ItemIdToDmaId(v);
        ASSERT_EQ(dmaId, dmatest::ScanItemIdToDmaId(v)) << id;
        forward += item != 0;
        reverse += dmaId != 0;
    }
    EXPECT_EQ(forward, 1145u);
    EXPECT_EQ(reverse, 1135u);
}

TEST(IdMap, KnownDmaIdsAscending) {
    const auto known = dma::KnownDmaIdsAscending();
    std::vector<uint16_t> expected;
    for (uint32_t id = 0; id <= 0xFFFF; ++id)
        if (dma::DmaIdToItemId(static_cast<uint16_t>(id)) != 0 || id == 0xA001 || id == 0xA002)
            expected.push_back(static_cast<uint16_t>(id));
    EXPECT_EQ(std::vector<uint16_t>(known.begin(), known.end()), expected);
    EXPECT_EQ(known.size(), 1147u);
}

}  // namespace
