// catalogue_test.cpp - the item catalogue: the expanded tables against the
// range directory and the documented rows, the flag groups, LookupItem's edge
// cases, and the indexed lookups against stored-order scans for every ID.
#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/run_notation.h"
#include "support/reference_scans.h"
#include "support/test_support.h"

namespace {

using dma::ItemDescriptor;
using dma::ItemLocation;
using dma::ItemRange;

constexpr uint16_t FLAG = DMA_VT_FLAG, SHORT = DMA_VT_SHORT, WORD = DMA_VT_WORD, INT = DMA_VT_INT,
                   DWORD = DMA_VT_DWORD, STRING = DMA_VT_STRING, BYTE = DMA_VT_BYTE,
                   LOGFONT = DMA_VT_LOGFONT, LONG = DMA_VT_LONG;

// Row of an item, failing the test when it has none.
const ItemDescriptor &Row(uint16_t itemId, uint16_t *area = nullptr) {
    static const ItemDescriptor kNone{};
    uint16_t a = 0xFFFF;
    const ItemDescriptor *row = dma::FindItemRow(itemId, &a);
    EXPECT_NE(row, nullptr) << "item " << itemId;
    if (area) *area = a;
    return row ? *row : kNone;
}

// ---- The range directory -------------------------------------------------

struct DirectoryRow {
    uint16_t area, first, last, rows;
    std::map<uint16_t, int> types;  // value type -> rows
};

const DirectoryRow kDirectory[] = {
    {0, 257, 303, 45, {{SHORT, 12}, {WORD, 11}, {DWORD, 4}, {STRING, 4}, {BYTE, 14}}},
    {0, 304, 351, 46, {{WORD, 9}, {STRING, 4}, {BYTE, 26}, {LOGFONT, 1}, {LONG, 6}}},
    {0, 352, 399, 47, {{WORD, 10}, {DWORD, 9}, {STRING, 3}, {BYTE, 18}, {LOGFONT, 1}, {LONG, 6}}},
    {0, 400, 447, 28, {{WORD, 6}, {DWORD, 4}, {STRING, 2}, {BYTE, 16}}},
    {0, 448, 486, 38, {{SHORT, 2}, {WORD, 11}, {DWORD, 2}, {BYTE, 23}}},
    {0, 1281, 1376, 96, {{FLAG, 96}}},
    {1, 1793, 1897, 104, {{FLAG, 3}, {SHORT, 3}, {WORD, 51}, {INT, 4}, {DWORD, 10}, {STRING, 29}, {BYTE, 4}}},
    {1, 2305, 2560, 256, {{FLAG, 256}}},
    {2, 4097, 4371, 84, {{FLAG, 65}, {WORD, 5}, {BYTE, 14}}},
    {2, 4609, 4640, 32, {{FLAG, 32}}},
    {2, 5121, 5215, 85, {{FLAG, 13}, {WORD, 29}, {STRING, 29}, {BYTE, 14}}},
    {2, 5633, 8225, 302, {{FLAG, 5}, {WORD, 242}, {DWORD, 3}, {STRING, 48}, {BYTE, 4}}},
    {0, 1, 25, 25, {{SHORT, 13}, {WORD, 4}, {DWORD, 6}, {STRING, 2}}},
};

TEST(CatalogueTables, DirectoryMatchesRowCountsAndTypeHistograms) {
    const auto dir = dma::RangeDirectory();
    ASSERT_EQ(dir.size(), std::size(kDirectory));
    size_t total = 0;
    for (size_t r = 0; r < dir.size(); ++r) {
        SCOPED_TRACE(testing::Message() << "range " << kDirectory[r].first);
        EXPECT_EQ(dir[r].area, kDirectory[r].area);
        EXPECT_EQ(dir[r].firstId, kDirectory[r].first);
        EXPECT_EQ(dir[r].lastId, kDirectory[r].last);
        ASSERT_NE(dir[r].items, nullptr);
        size_t rows = 0;
        std::map<uint16_t, int> types;
        for (const ItemDescriptor *d = dir[r].items; d->itemId != 0; ++d, ++rows) ++types[d->valueType];
        EXPECT_EQ(rows, kDirectory[r].rows);
        EXPECT_EQ(dir[r].rowCount, rows);
        EXPECT_EQ(types, kDirectory[r].types);
        const ItemDescriptor &end = dir[r].items[rows];
        EXPECT_TRUE(end.valueType == 0 && end.reportType == 0 && end.offset == 0 && end.size == 0);
        total += rows;
    }
    EXPECT_EQ(total, 1188u);
}

// The check that keeps two overlapping ranges out of the build: ranges that
// share only their edge overlap, in either order; neighbours do not.
struct Span {
    uint16_t lo, hi;
};
constexpr auto kSpanLo = [](const Span &s) { return s.lo; };
constexpr auto kSpanHi = [](const Span &s) { return s.hi; };
constexpr Span kEdgeShared[] = {{1, 5}, {5, 9}, {1, 5}};
constexpr Span kNeighbours[] = {{1, 4}, {5, 9}, {10, 10}};
static_assert(!dma::notation::Disjoint(kEdgeShared, 2, kSpanLo, kSpanHi) &&
              !dma::notation::Disjoint(kEdgeShared + 1, 2, kSpanLo, kSpanHi) &&
              dma::notation::Disjoint(kNeighbours, 3, kSpanLo, kSpanHi));

TEST(CatalogueTables, RangesDisjointRowsInsideEachIdOnce) {
    const auto dir = dma::RangeDirectory();
    for (size_t a = 0; a < dir.size(); ++a)
        for (size_t b = a + 1; b < dir.size(); ++b)
            EXPECT_TRUE(dir[a].lastId < dir[b].firstId || dir[b].lastId < dir[a].firstId)
                << dir[a].firstId << " overlaps " << dir[b].firstId;
    std::set<uint16_t> seen;
    for (const ItemRange &r : dir) {
        EXPECT_LE(r.firstId, r.lastId);
        for (const ItemDescriptor *d = r.items; d->itemId != 0; ++d) {
            EXPECT_TRUE(d->itemId >= r.firstId && d->itemId <= r.lastId) << d->itemId;
            EXPECT_TRUE(seen.insert(d->itemId).second) << "item " << d->itemId << " twice";
        }
    }
}

// Sizes and report types: only texts and fonts have a size, every font is a
// whole LOGFONTW, and the 58 report types are the documented ones.
TEST(CatalogueTables, SizesAndReportTypes) {
    int byteAsWord = 0, reported = 0, plainFlags = 0;
    std::map<uint16_t, uint16_t> flagReports;
    for (const ItemRange &r : dma::RangeDirectory()) {
        for (const ItemDescriptor *d = r.items; d->itemId != 0; ++d) {
            SCOPED_TRACE(testing::Message() << "item " << d->itemId);
            int32_t width = 0;
            EXPECT_TRUE(dma::ValueTypeWidth(d->itemId, d->valueType, &width));
            if (d->valueType == STRING) EXPECT_GT(d->size, 0u);
            else if (d->valueType == LOGFONT) EXPECT_EQ(d->size, 92u);
            else EXPECT_EQ(d->size, 0u);
            if (d->reportType != 0) {
                ++reported;
                if (d->valueType == BYTE && d->reportType == WORD) ++byteAsWord;
                else if (d->valueType == FLAG) flagReports[d->itemId] = d->reportType;
                else ADD_FAILURE() << "unexpected report type " << d->reportType;
            }
            uint32_t mask;
            if (d->valueType == FLAG && !dma::FindFlagMask(d->itemId, &mask)) ++plainFlags;
        }
    }
    EXPECT_EQ(reported, 58);
    EXPECT_EQ(byteAsWord, 48);
    EXPECT_EQ(plainFlags, 21);
    const std::map<uint16_t, uint16_t> expected = {
        {1284, DWORD}, {1296, BYTE}, {1297, BYTE}, {1298, BYTE}, {1299, BYTE}, {1300, BYTE},
        {1301, BYTE},  {1302, BYTE}, {1322, WORD}, {1332, WORD}};
    EXPECT_EQ(flagReports, expected);
}

// Every value lies inside its record: DEVMODEW with its private part and
// the block at 1608 spans 5988 bytes, the secondary record 7974.
TEST(CatalogueTables, EveryValueFitsItsRecord) {
    for (const ItemRange &r : dma::RangeDirectory()) {
        for (const ItemDescriptor *d = r.items; d->itemId != 0; ++d) {
            int32_t width = 0;
            dma::ValueTypeWidth(d->itemId, d->valueType, &width);
            const uint64_t bytes = (d->valueType == STRING || d->valueType == LOGFONT) ? d->size : width;
            const uint64_t base = r.area == DMA_SA_DEVMODE_EXT ? DMA_DEVMODE_EXT_BASE : 0;
            const uint64_t record = r.area == DMA_SA_SECONDARY ? DMA_SECONDARY_MIN_SIZE : DMA_DEVMODE_MIN_SIZE;
            EXPECT_LE(base + d->offset + bytes, record) << "item " << d->itemId;
            if (r.area == DMA_SA_DEVMODE) { EXPECT_LE(d->offset + bytes, uint64_t{DMA_DEVMODE_EXT_BASE}); }
        }
    }
    // The last value of each area ends the record.
    EXPECT_EQ(Row(486).offset, 1602u);
    EXPECT_EQ(DMA_DEVMODE_EXT_BASE + Row(1897).offset + Row(1897).size, uint64_t{DMA_DEVMODE_MIN_SIZE});
    EXPECT_EQ(Row(8225).offset + 2, uint64_t{DMA_SECONDARY_MIN_SIZE});
}

// Values of one record overlap only where several items name the same
// bytes on purpose; an offset typo shows up as an overlap outside these sets.
TEST(CatalogueTables, OverlapsOnlyWithinKnownSharedStorage) {
    auto span = [](uint16_t first, uint16_t last) {
        std::vector<uint16_t> ids;
        for (uint32_t id = first; id <= last; ++id) ids.push_back(static_cast<uint16_t>(id));
        return ids;
    };
    auto join = [](std::vector<uint16_t> a, const std::vector<uint16_t> &b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const std::vector<std::vector<uint16_t>> shared = {
        {14, 15, 20},                 // combined resolution over dmPrintQuality and dmColor
        {297, 298}, {335, 483}, {1831, 1877},
        join({304}, span(305, 319)),  // LOGFONTW at 588 and its members
        join({357}, span(358, 372)),  // LOGFONTW at 816 and its members
        span(392, 394), span(395, 397), span(398, 400), span(401, 403),  // packed words
        // flag words, some also readable whole as a DWORD item
        join({260}, span(1281, 1312)), join({261}, span(1313, 1344)), join({462}, span(1345, 1376)),
        join({1869}, span(2305, 2336)), join({1870}, span(2337, 2368)), join({1871}, span(2369, 2400)),
        join({1872}, span(2401, 2432)), join({1873}, span(2433, 2464)), join({1874}, span(2465, 2496)),
        join({1875}, span(2497, 2528)), join({1879}, span(2529, 2560)),
        join(span(4097, 4128), {4161}), span(4129, 4160), span(4609, 4640),
    };
    std::map<uint16_t, std::set<size_t>> groupsOf;
    for (size_t g = 0; g < shared.size(); ++g)
        for (uint16_t id : shared[g]) groupsOf[id].insert(g);

    struct Extent { uint16_t item, area; uint64_t begin, end; };
    std::vector<Extent> extents;
    for (const ItemRange &r : dma::RangeDirectory())
        for (const ItemDescriptor *d = r.items; d->itemId != 0; ++d) {
            int32_t width = 0;
            dma::ValueTypeWidth(d->itemId, d->valueType, &width);
            const uint64_t bytes = (d->valueType == STRING || d->valueType == LOGFONT) ? d->size : width;
            const uint64_t base = r.area == DMA_SA_DEVMODE_EXT ? DMA_DEVMODE_EXT_BASE : 0;
            extents.push_back({d->itemId, static_cast<uint16_t>(r.area == DMA_SA_SECONDARY),
                               base + d->offset, base + d->offset + bytes});
        }
    std::sort(extents.begin(), extents.end(), [](const Extent &a, const Extent &b) {
        return a.area != b.area ? a.area < b.area : a.begin < b.begin;
    });
    size_t overlaps = 0;
    for (size_t i = 0; i < extents.size(); ++i) {
        for (size_t j = i + 1; j < extents.size(); ++j) {
            const Extent &a = extents[i], &b = extents[j];
            if (b.area != a.area || b.begin >= a.end) break;
            ++overlaps;
            const std::set<size_t> &ga = groupsOf[a.item], &gb = groupsOf[b.item];
            const bool common = std::any_of(ga.begin(), ga.end(), [&](size_t g) { return gb.count(g) != 0; });
            EXPECT_TRUE(common) << "items " << a.item << " and " << b.item << " overlap";
        }
    }
    EXPECT_GT(overlaps, 0u);
}

// Two tables keep rows out of ID order; all others ascend.  The blocks of an
// out-of-order table hold, each in ascending order, the table's items in
// these ID intervals.
TEST(CatalogueTables, StoredOrder) {
    const std::map<uint16_t, std::vector<std::pair<uint16_t, uint16_t>>> blocks = {
        {4097, {{4097, 4111}, {4161, 4161}, {4112, 4160}, {4353, 4371}}},
        {5633, {{5633, 5654}, {8201, 8207}, {8217, 8217}, {6145, 6324}, {6401, 6420}, {5889, 5948},
                {8208, 8216}, {8223, 8225}}},
    };
    for (const ItemRange &r : dma::RangeDirectory()) {
        SCOPED_TRACE(testing::Message() << "range " << r.firstId);
        std::vector<uint16_t> ids;
        for (const ItemDescriptor *d = r.items; d->itemId != 0; ++d) ids.push_back(d->itemId);
        auto it = blocks.find(r.firstId);
        if (it == blocks.end()) {
            EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
            continue;
        }
        std::vector<uint16_t> expected;
        for (auto [lo, hi] : it->second)
            for (uint16_t id : std::set<uint16_t>(ids.begin(), ids.end()))
                if (id >= lo && id <= hi) expected.push_back(id);
        EXPECT_EQ(ids, expected);
    }
}

// ---- Documented rows ---------------------------------------------------

struct Documented {
    uint16_t item, area, type, report;
    uint64_t offset;
    uint32_t size;
};

void ExpectRow(const Documented &e) {
    SCOPED_TRACE(testing::Message() << "item " << e.item);
    uint16_t area = 0xFFFF;
    const ItemDescriptor &d = Row(e.item, &area);
    EXPECT_EQ(area, e.area);
    EXPECT_EQ(d.valueType, e.type);
    EXPECT_EQ(d.reportType, e.report);
    EXPECT_EQ(d.offset, e.offset);
    EXPECT_EQ(d.size, e.size);
}

TEST(CatalogueRows, DevModePublicMembers) {
    const Documented rows[] = {
        {1, 0, STRING, 0, 0, 64},  {2, 0, WORD, 0, 64, 0},   {3, 0, WORD, 0, 66, 0},
        {4, 0, WORD, 0, 68, 0},    {5, 0, WORD, 0, 70, 0},   {6, 0, DWORD, 0, 72, 0},
        {7, 0, SHORT, 0, 76, 0},   {8, 0, SHORT, 0, 78, 0},  {9, 0, SHORT, 0, 80, 0},
        {10, 0, SHORT, 0, 82, 0},  {11, 0, SHORT, 0, 84, 0}, {12, 0, SHORT, 0, 86, 0},
        {13, 0, SHORT, 0, 88, 0},  {14, 0, DWORD, 0, 90, 0}, {15, 0, SHORT, 0, 92, 0},
        {16, 0, SHORT, 0, 94, 0},  {17, 0, SHORT, 0, 98, 0}, {18, 0, SHORT, 0, 100, 0},
        {19, 0, STRING, 0, 102, 64}, {20, 0, SHORT, 0, 90, 0}, {21, 0, SHORT, 0, 96, 0},
        {22, 0, DWORD, 0, 188, 0}, {23, 0, DWORD, 0, 192, 0}, {24, 0, DWORD, 0, 196, 0},
        {25, 0, DWORD, 0, 200, 0},
    };
    for (const Documented &e : rows) ExpectRow(e);
}

TEST(CatalogueRows, ItemsTreatedByNumber) {
    const Documented rows[] = {
        {259, 0, STRING, 0, 224, 64},   {267, 0, BYTE, WORD, 308, 0},   {295, 0, BYTE, WORD, 379, 0},
        {297, 0, STRING, 0, 382, 66},   {311, 0, LONG, 0, 596, 0},      {320, 0, BYTE, WORD, 680, 0},
        {325, 0, BYTE, WORD, 686, 0},   {326, 0, WORD, 0, 688, 0},      {329, 0, STRING, 0, 693, 49},
        {341, 0, BYTE, WORD, 790, 0},   {344, 0, WORD, 0, 794, 0},      {364, 0, LONG, 0, 824, 0},
        {374, 0, STRING, 0, 930, 258},  {375, 0, STRING, 0, 1188, 258}, {380, 0, WORD, 0, 1450, 0},
        {392, 0, DWORD, 0, 356, 0},     {393, 0, DWORD, 0, 356, 0},     {394, 0, DWORD, 0, 356, 0},
        {395, 0, DWORD, 0, 360, 0},     {396, 0, DWORD, 0, 360, 0},     {397, 0, DWORD, 0, 360, 0},
        {398, 0, DWORD, 0, 364, 0},     {399, 0, DWORD, 0, 364, 0},     {400, 0, DWORD, 0, 364, 0},
        {401, 0, DWORD, 0, 368, 0},     {402, 0, DWORD, 0, 368, 0},     {403, 0, DWORD, 0, 368, 0},
        {1284, 0, FLAG, DWORD, 288, 0}, {1370, 0, FLAG, 0, 1516, 0},    {1819, 1, STRING, 0, 1342, 82},
        {1824, 1, WORD, 0, 2048, 0},    {1825, 1, INT, 0, 2052, 0},     {1826, 1, INT, 0, 2056, 0},
        {1827, 1, INT, 0, 2060, 0},     {1828, 1, INT, 0, 2064, 0},     {5163, 2, BYTE, 0, 4936, 0},
        {8216, 2, FLAG, 0, 7964, 0},
    };
    for (const Documented &e : rows) ExpectRow(e);
    for (const ItemRange &r : dma::RangeDirectory())
        for (const ItemDescriptor *d = r.items; d->itemId != 0; ++d)
            if (d->valueType == INT) { EXPECT_TRUE(d->itemId >= 1825 && d->itemId <= 1828) << d->itemId; }
}

// Items that address the same bytes.
TEST(CatalogueRows, Aliases) {
    const std::pair<uint16_t, uint16_t> same[] = {{14, 20}, {297, 298}, {335, 483}, {1831, 1877}, {309, 311},
                                                  {362, 364}};
    for (auto [a, b] : same) {
        uint16_t areaA = 0xFFFF, areaB = 0xEEEE;
        EXPECT_EQ(Row(a, &areaA).offset, Row(b, &areaB).offset) << a << " and " << b;
        EXPECT_EQ(areaA, areaB) << a << " and " << b;
    }
    EXPECT_EQ(Row(297).size, Row(298).size);
    EXPECT_EQ(Row(1831).size, Row(1877).size);
    EXPECT_EQ(Row(335).offset, 749u);
}

// Both LOGFONTW values and their member items.
TEST(CatalogueRows, FontMembers) {
    struct Member { uint16_t first, second; uint16_t type; uint64_t at; uint32_t size; };
    const Member members[] = {
        {306, 359, LONG, 0, 0},  {319, 372, LONG, 4, 0},  {309, 362, LONG, 8, 0},  {311, 364, LONG, 8, 0},
        {310, 363, LONG, 12, 0}, {307, 360, LONG, 16, 0}, {308, 361, BYTE, 20, 0}, {312, 365, BYTE, 21, 0},
        {313, 366, BYTE, 22, 0}, {314, 367, BYTE, 23, 0}, {315, 368, BYTE, 24, 0}, {316, 369, BYTE, 25, 0},
        {317, 370, BYTE, 26, 0}, {318, 371, BYTE, 27, 0}, {305, 358, STRING, 28, 64},
    };
    ExpectRow({304, 0, LOGFONT, 0, 588, 92});
    ExpectRow({357, 0, LOGFONT, 0, 816, 92});
    for (const Member &m : members) {
        ExpectRow({m.first, 0, m.type, 0, 588 + m.at, m.size});
        ExpectRow({m.second, 0, m.type, 0, 816 + m.at, m.size});
    }
}

// ---- Flag groups -------------------------------------------------------

struct FlagWordCase { uint16_t first, last, area; uint64_t offset; };

TEST(CatalogueFlags, GroupWordsAndMasks) {
    const FlagWordCase words[] = {
        {1281, 1312, 0, 288},  {1313, 1344, 0, 292},  {1345, 1376, 0, 1516},
        {2305, 2336, 1, 3960}, {2337, 2368, 1, 3964}, {2369, 2400, 1, 3968}, {2401, 2432, 1, 3972},
        {2433, 2464, 1, 3976}, {2465, 2496, 1, 3980}, {2497, 2528, 1, 3984}, {2529, 2560, 1, 4260},
        {4097, 4128, 2, 8},    {4129, 4160, 2, 5848}, {4609, 4640, 2, 3224},
    };
    const uint16_t groupFirst[] = {1281, 2305, 4097, 4609};
    size_t flags = 0;
    for (const FlagWordCase &w : words) {
        const uint16_t first = *std::prev(std::upper_bound(std::begin(groupFirst), std::end(groupFirst), w.first));
        for (uint32_t id = w.first; id <= w.last; ++id, ++flags) {
            SCOPED_TRACE(testing::Message() << "item " << id);
            uint16_t area = 0xFFFF;
            const ItemDescriptor &d = Row(static_cast<uint16_t>(id), &area);
            EXPECT_EQ(d.valueType, FLAG);
            EXPECT_EQ(area, w.area);
            EXPECT_EQ(d.offset, w.offset);
            uint32_t mask = 0;
            ASSERT_TRUE(dma::FindFlagMask(static_cast<uint16_t>(id), &mask));
            EXPECT_EQ(mask, uint32_t{1} << ((id - first) % 32));
        }
    }
    EXPECT_EQ(flags, 448u);
    // 4161 is a second name of the bit of 4111, stored in the same word.
    ExpectRow({4161, 2, FLAG, 0, 8, 0});
    uint32_t m4161 = 0, m4111 = 0;
    EXPECT_TRUE(dma::FindFlagMask(4161, &m4161));
    EXPECT_TRUE(dma::FindFlagMask(4111, &m4111));
    EXPECT_EQ(m4161, 0x4000u);
    EXPECT_EQ(m4111, 0x4000u);

    const auto groups = dma::FlagGroupDirectory();
    ASSERT_EQ(groups.size(), 4u);
    const uint16_t counts[] = {96, 256, 65, 32};
    for (size_t g = 0; g < 4; ++g) {
        EXPECT_EQ(groups[g].firstId, groupFirst[g]);
        EXPECT_EQ(groups[g].entryCount, counts[g]);
        EXPECT_EQ(groups[g].entries[counts[g]].itemId, 0);
        for (size_t i = 1; i < counts[g]; ++i)
            EXPECT_LT(groups[g].entries[i - 1].itemId, groups[g].entries[i].itemId);
    }
}

TEST(CatalogueFlags, EdgeCases) {
    struct Case { uint16_t item; bool found; uint32_t mask; };
    const Case cases[] = {
        {4161, true, 0x4000},  {4111, true, 0x4000}, {1376, true, 0x80000000u}, {1281, true, 1},
        {1377, false, 0},      {1280, false, 0},     {4162, false, 0},          {0, false, 0},
        {8216, false, 0},      {1891, false, 0},     {2560, true, 0x80000000u}, {4640, true, 0x80000000u},
        {0xFFFF, false, 0},
    };
    for (const Case &c : cases) {
        uint32_t mask = 0xDEADBEEF;
        EXPECT_EQ(dma::FindFlagMask(c.item, &mask), c.found) << c.item;
        EXPECT_EQ(mask, c.found ? c.mask : 0xDEADBEEF) << c.item;
    }
}

// ---- ValueTypeWidth and LookupItem -------------------------------------

TEST(CatalogueLookup, ValueTypeWidth) {
    const int32_t widths[] = {-1, 4, 2, 2, 4, 4, 8, -1, 1, 8, 4, -1, -1};
    for (uint16_t t = 0; t < std::size(widths); ++t) {
        for (uint16_t item : {uint16_t{0}, uint16_t{1}, uint16_t{4161}, uint16_t{0xFFFF}}) {
            int32_t w = 12345;
            EXPECT_EQ(dma::ValueTypeWidth(item, t, &w), widths[t] >= 0) << "type " << t;
            EXPECT_EQ(w, widths[t] >= 0 ? widths[t] : 12345) << "type " << t;
        }
    }
    int32_t w = 7;
    EXPECT_FALSE(dma::ValueTypeWidth(1, 0xFFFF, &w));
    EXPECT_EQ(w, 7);
}

ItemLocation Sentinel() {
    ItemLocation loc;
    std::memset(&loc, 0xCD, sizeof loc);
    return loc;
}

void ExpectSameLocation(const ItemLocation &a, const ItemLocation &b, uint32_t id) {
    EXPECT_EQ(a.valueType, b.valueType) << id;
    EXPECT_EQ(a.reportType, b.reportType) << id;
    EXPECT_EQ(a.width, b.width) << id;
    EXPECT_EQ(a.size, b.size) << id;
    EXPECT_EQ(a.address, b.address) << id;
    EXPECT_EQ(a.offset, b.offset) << id;
    EXPECT_EQ(a.area, b.area) << id;
}

TEST(CatalogueLookup, EdgeCases) {
    alignas(8) static uint8_t devMode[DMA_DEVMODE_MIN_SIZE], secondary[DMA_SECONDARY_MIN_SIZE];
    const ItemLocation untouched = Sentinel();

    // Outside every range: nothing written.
    for (uint16_t id : {uint16_t{0}, uint16_t{26}, uint16_t{487}, uint16_t{8226}, uint16_t{0xFFFF}}) {
        ItemLocation loc = Sentinel();
        EXPECT_EQ(dma::LookupItem(id, devMode, secondary, &loc), DMA_RS_NO_RANGE) << id;
        ExpectSameLocation(loc, untouched, id);
    }
    // In a range without a row: only the area.
    {
        ItemLocation loc = Sentinel();
        EXPECT_EQ(dma::LookupItem(4300, devMode, secondary, &loc), DMA_RS_FAILED);
        EXPECT_EQ(loc.area, DMA_SA_SECONDARY);
        EXPECT_EQ(loc.valueType, untouched.valueType);
        EXPECT_EQ(loc.offset, untouched.offset);
    }
    // The record of the item's own area must be present, the other need not.
    struct RecordCase { uint16_t item; bool withDevMode, withSecondary; RawStatus status; };
    const RecordCase records[] = {
        {8216, true, false, DMA_RS_FAILED}, {8216, false, true, DMA_RS_OK},
        {1, false, true, DMA_RS_FAILED},    {1, true, false, DMA_RS_OK},
        {1825, false, true, DMA_RS_FAILED}, {1825, true, false, DMA_RS_OK},
    };
    for (const RecordCase &c : records) {
        ItemLocation loc = Sentinel();
        EXPECT_EQ(dma::LookupItem(c.item, c.withDevMode ? devMode : nullptr, c.withSecondary ? secondary : nullptr,
                                  &loc),
                  c.status)
            << c.item;
        if (c.status != DMA_RS_OK) {
            EXPECT_EQ(loc.width, untouched.width) << c.item;
            EXPECT_EQ(loc.address, nullptr) << c.item;
        }
    }

    struct Found { uint16_t item; uint16_t type, report; int32_t width; uint32_t size; uint8_t *address; uint16_t area; };
    const Found found[] = {
        {1825, INT, 0, 4, 0, devMode + 1608 + 2052, 1},
        {304, LOGFONT, 0, 8, 92, devMode + 588, 0},
        {1, STRING, 0, 8, 64, devMode, 0},
        {272, BYTE, WORD, 1, 0, devMode + 321, 0},
        {8225, WORD, 0, 2, 0, secondary + 7972, 2},
        {4161, FLAG, 0, 4, 0, secondary + 8, 2},
    };
    for (const Found &f : found) {
        ItemLocation loc = Sentinel();
        ASSERT_EQ(dma::LookupItem(f.item, devMode, secondary, &loc), DMA_RS_OK) << f.item;
        EXPECT_EQ(loc.valueType, f.type) << f.item;
        EXPECT_EQ(loc.reportType, f.report) << f.item;
        EXPECT_EQ(loc.width, f.width) << f.item;
        EXPECT_EQ(loc.size, f.size) << f.item;
        EXPECT_EQ(loc.address, f.address) << f.item;
        EXPECT_EQ(loc.area, f.area) << f.item;
        EXPECT_EQ(loc.address, dma::AreaAddress(loc.area, loc.offset, devMode, secondary)) << f.item;
    }
}

TEST(CatalogueLookup, AreaAddress) {
    static uint8_t dev[DMA_DEVMODE_MIN_SIZE], sec[8];
    EXPECT_EQ(dma::AreaAddress(DMA_SA_DEVMODE, 5, dev, sec), dev + 5);
    EXPECT_EQ(dma::AreaAddress(DMA_SA_DEVMODE_EXT, 4, dev, sec), dev + 1612);
    EXPECT_EQ(dma::AreaAddress(DMA_SA_SECONDARY, 3, dev, sec), sec + 3);
    EXPECT_EQ(dma::AreaAddress(3, 0, dev, sec), nullptr);
    EXPECT_EQ(dma::AreaAddress(DMA_SA_DEVMODE, 0, nullptr, sec), nullptr);
    EXPECT_EQ(dma::AreaAddress(DMA_SA_DEVMODE_EXT, 0, nullptr, sec), nullptr);
    EXPECT_EQ(dma::AreaAddress(DMA_SA_SECONDARY, 0, dev, nullptr), nullptr);
}

// ---- The indexes against stored-order scans, every 16-bit ID -----------

TEST(CatalogueLookup, IndexedLookupsMatchStoredOrderScans) {
    alignas(8) static uint8_t devMode[DMA_DEVMODE_MIN_SIZE], secondary[DMA_SECONDARY_MIN_SIZE];
    void *const devs[] = {devMode, nullptr};
    void *const secs[] = {secondary, nullptr};
    size_t rows = 0, ok = 0;
    for (uint32_t id = 0; id <= 0xFFFF; ++id) {
        const uint16_t item = static_cast<uint16_t>(id);
        for (void *dev : devs) {
            for (void *sec : secs) {
                ItemLocation fast = Sentinel(), slow = Sentinel();
                const RawStatus a = dma::LookupItem(item, dev, sec, &fast);
                const RawStatus b = dmatest::ScanLookupItem(item, dev, sec, &slow);
                ASSERT_EQ(a, b) << id;
                ExpectSameLocation(fast, slow, id);
                ok += a == DMA_RS_OK;
            }
        }
        uint16_t areaFast = 0xABCD, areaSlow = 0xABCD;
        const ItemDescriptor *rowFast = dma::FindItemRow(item, &areaFast);
        ASSERT_EQ(rowFast, dmatest::ScanFindItemRow(item, &areaSlow)) << id;
        EXPECT_EQ(areaFast, areaSlow) << id;
        rows += rowFast != nullptr;

        uint32_t maskFast = 0x5A5A5A5A, maskSlow = 0x5A5A5A5A;
        ASSERT_EQ(dma::FindFlagMask(item, &maskFast), dmatest::ScanFindFlagMask(item, &maskSlow)) << id;
        EXPECT_EQ(maskFast, maskSlow) << id;
    }
    EXPECT_EQ(rows, 1188u);
    // With both records every item is found; with one, only the items of its areas.
    EXPECT_GT(ok, 1188u);
}

}  // namespace
