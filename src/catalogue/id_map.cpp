// id_map.cpp - the public DMA ID map and the translation between DMA IDs and
// item IDs (DmaIdToItemId, ItemIdToDmaId), plus the ascending list of every
// DMA ID the read operations can serve.
//
// The map is written as runs "DMA IDs a-b -> items c, c+1, ..." per range, in
// the stored order of the directory, and expanded at compile time into IdPair
// tables ended by a zero pair.  Two paged indexes derived from those tables at
// compile time answer both translations in constant time with the results of
// the stored-order walks: DMA ID -> item from the first directory row whose
// bounds hold the ID, item -> DMA ID from the earliest table that names it.
#include <algorithm>
#include <array>

#include "catalogue/catalogue.h"
#include "catalogue/run_notation.h"

namespace dma::notation {
namespace {

// 1: the public members of DEVMODEW keep their item IDs.
constexpr IdRun kIds1[] = {Ids(0x1, 0x19, 1)};
constexpr IdRun kIds101[] = {Ids(0x101, 0x120, 257), Ids(0x121, 0x122, 1832), Ids(0x123, 0x12F, 291)};
constexpr IdRun kIds130[] = {
    Ids(0x130, 0x150, 304), Id(0x151, 1829), Ids(0x152, 0x15A, 338), Id(0x15B, 1831),
    Ids(0x15C, 0x15F, 348),
};
constexpr IdRun kIds160[] = {Ids(0x160, 0x179, 352), Id(0x17A, 1830), Ids(0x17B, 0x18F, 379)};
constexpr IdRun kIds190[] = {Ids(0x190, 0x19E, 400), Ids(0x19F, 0x1B2, 1834), Ids(0x1B3, 0x1BF, 435)};
constexpr IdRun kIds1001[] = {Ids(0x1001, 0x1008, 448), Ids(0x1009, 0x1021, 458), Ids(0x1023, 0x1024, 485)};
constexpr IdRun kIds1C1[] = {
    Ids(0x1C1, 0x1CE, 1281), Id(0x1CF, 4129), Ids(0x1D0, 0x1F3, 1296), Ids(0x1F4, 0x200, 1335),
};
constexpr IdRun kIds3C1[] = {Ids(0x3C1, 0x3D4, 1348), Ids(0x3D8, 0x3D9, 1371)};
constexpr IdRun kIds201[] = {
    Ids(0x201, 0x224, 1793), Ids(0x225, 0x228, 1855), Ids(0x229, 0x238, 1861), Id(0x239, 1878),
    Ids(0x23B, 0x249, 1880), Id(0x24B, 1896),
};
// 10: flag group 2305 keeps its item IDs.
constexpr IdRun kIds901[] = {Ids(0x901, 0xA00, 2305)};
constexpr IdRun kIds301[] = {
    Ids(0x301, 0x320, 4097), Ids(0x321, 0x32A, 4353), Ids(0x32B, 0x32C, 4366), Ids(0x32D, 0x336, 4130),
    Id(0x337, 4368), Ids(0x338, 0x339, 4140), Id(0x33A, 4369), Ids(0x33B, 0x33D, 4142),
    Ids(0x33E, 0x33F, 4370),
};
constexpr IdRun kIds381[] = {Ids(0x381, 0x3A0, 4609)};
constexpr IdRun kIds401[] = {
    Id(0x401, 5121), Id(0x402, 1333), Id(0x403, 5123), Id(0x404, 1332), Id(0x405, 4365),
    Ids(0x406, 0x407, 5126), Id(0x408, 1334), Ids(0x409, 0x40C, 5129), Id(0x40D, 456),
    Ids(0x40E, 0x412, 5134), Ids(0x413, 0x414, 1859), Ids(0x415, 0x41E, 5141), Id(0x41F, 457),
    Ids(0x420, 0x421, 5152), Id(0x422, 4363), Ids(0x423, 0x425, 5155), Id(0x426, 4364),
    Ids(0x427, 0x45F, 5159),
};
constexpr IdRun kIds501[] = {
    Id(0x501, 8201), Ids(0x511, 0x512, 8202), Ids(0x51B, 0x51E, 8204), Ids(0x51F, 0x528, 5889),
    Ids(0x529, 0x532, 5909), Ids(0x533, 0x53C, 5929), Ids(0x53D, 0x587, 6145), Ids(0x588, 0x591, 6401),
    Ids(0x592, 0x595, 8208), Ids(0x596, 0x59F, 5899), Ids(0x600, 0x609, 5919), Ids(0x60A, 0x613, 5939),
    Id(0x614, 8212), Ids(0x615, 0x67D, 6220), Ids(0x67E, 0x687, 6411), Ids(0x688, 0x68A, 8213),
    Id(0x68C, 8224), Id(0x68E, 8223), Id(0x68F, 8225),
};
// 15: the protected strings, second names of items that also have an
// ordinary DMA ID (which is the one the reverse translation gives).
constexpr IdRun kIds9001[] = {
    Ids(0x9001, 0x9003, 5159), Id(0x9004, 5175), Id(0x9005, 1858), Ids(0x9006, 0x9007, 5181),
    Id(0x9008, 5185), Ids(0x9009, 0x900A, 5208),
};
constexpr IdRun kIds202B[] = {Id(0x202B, 1370)};

#define DMA_EXPAND_IDS(runs) ExpandPairs<CountPairs(runs)>(runs)

constexpr auto kPairs1 = DMA_EXPAND_IDS(kIds1);
constexpr auto kPairs101 = DMA_EXPAND_IDS(kIds101);
constexpr auto kPairs130 = DMA_EXPAND_IDS(kIds130);
constexpr auto kPairs160 = DMA_EXPAND_IDS(kIds160);
constexpr auto kPairs190 = DMA_EXPAND_IDS(kIds190);
constexpr auto kPairs1001 = DMA_EXPAND_IDS(kIds1001);
constexpr auto kPairs1C1 = DMA_EXPAND_IDS(kIds1C1);
constexpr auto kPairs3C1 = DMA_EXPAND_IDS(kIds3C1);
constexpr auto kPairs201 = DMA_EXPAND_IDS(kIds201);
constexpr auto kPairs901 = DMA_EXPAND_IDS(kIds901);
constexpr auto kPairs301 = DMA_EXPAND_IDS(kIds301);
constexpr auto kPairs381 = DMA_EXPAND_IDS(kIds381);
constexpr auto kPairs401 = DMA_EXPAND_IDS(kIds401);
constexpr auto kPairs501 = DMA_EXPAND_IDS(kIds501);
constexpr auto kPairs9001 = DMA_EXPAND_IDS(kIds9001);
constexpr auto kPairs202B = DMA_EXPAND_IDS(kIds202B);

#undef DMA_EXPAND_IDS

template <size_t N>
constexpr PublicIdRange Range(uint16_t lo, uint16_t hi, const std::array<IdPair, N> &pairs) {
    return PublicIdRange{pairs.data(), lo, hi, static_cast<uint16_t>(N - 1)};
}

// The map directory in stored order, ended by a row without pairs.
constexpr PublicIdRange kDirectory[] = {
    Range(0x1, 0x19, kPairs1),
    Range(0x101, 0x12F, kPairs101),
    Range(0x130, 0x15F, kPairs130),
    Range(0x160, 0x18F, kPairs160),
    Range(0x190, 0x1BF, kPairs190),
    Range(0x1001, 0x1024, kPairs1001),
    Range(0x1C1, 0x200, kPairs1C1),
    Range(0x3C1, 0x3D9, kPairs3C1),
    Range(0x201, 0x24B, kPairs201),
    Range(0x901, 0xA00, kPairs901),
    Range(0x301, 0x33F, kPairs301),
    Range(0x381, 0x3A0, kPairs381),
    Range(0x401, 0x45F, kPairs401),
    Range(0x501, 0x68F, kPairs501),
    Range(0x9001, 0x900A, kPairs9001),
    Range(0x202B, 0x202B, kPairs202B),
    PublicIdRange{nullptr, 0, 0, 0},
};

// ---- Paged indexes ----
//
// A 16-bit key selects a page by its high byte and an entry by its low byte;
// only pages that hold an answer are stored.  Entry 0 means "no translation".

struct KeyValue {
    uint16_t key;
    uint16_t value;  // 0: no answer for this key
};

template <size_t Pages>
struct PagedIndex {
    std::array<uint8_t, 256> page{};                      // 1-based page, 0 = none
    std::array<std::array<uint16_t, 256>, Pages> entries{};

    constexpr uint16_t operator()(uint16_t key) const {
        const uint8_t p = page[key >> 8];
        return p ? entries[p - 1][key & 0xFF] : uint16_t{0};
    }
};

template <size_t N>
consteval size_t CountPages(const std::array<KeyValue, N> &answers) {
    std::array<bool, 256> used{};
    size_t n = 0;
    for (const KeyValue &a : answers)
        if (a.value != 0 && !used[a.key >> 8]) { used[a.key >> 8] = true; ++n; }
    return n;
}

// Answers must hold each key at most once with a non-zero value.
template <size_t Pages, size_t N>
consteval PagedIndex<Pages> BuildPaged(const std::array<KeyValue, N> &answers) {
    PagedIndex<Pages> index{};
    size_t next = 0;
    for (const KeyValue &a : answers) {
        if (a.value == 0) continue;
        uint8_t &p = index.page[a.key >> 8];
        if (p == 0) p = static_cast<uint8_t>(++next);
        uint16_t &e = index.entries[p - 1][a.key & 0xFF];
        if (e != 0) throw "key answered twice";
        e = a.value;
    }
    return index;
}

constexpr size_t kRangeCount = std::size(kDirectory) - 1;

consteval size_t TotalPairs() {
    size_t n = 0;
    for (size_t r = 0; r < kRangeCount; ++r) n += kDirectory[r].pairCount;
    return n;
}
constexpr size_t kTotalPairs = TotalPairs();

// The directory row that the forward walk picks for a DMA ID: the first whose
// bounds hold it.
consteval size_t OwnerRange(uint16_t dmaId) {
    for (size_t r = 0; r < kRangeCount; ++r)
        if (kDirectory[r].lo <= dmaId && dmaId <= kDirectory[r].hi) return r;
    return kRangeCount;
}

// DMA ID -> item: for each DMA ID, the first pair of its owning range's table
// (pairs that lie in another range's bounds, or repeat an earlier pair of
// their table, are never reached and give no answer).
consteval std::array<KeyValue, kTotalPairs> ForwardAnswers() {
    std::array<KeyValue, kTotalPairs> out{};
    size_t n = 0;
    for (size_t r = 0; r < kRangeCount; ++r) {
        const IdPair *pairs = kDirectory[r].pairs;
        for (size_t i = 0; pairs[i].dmaId != 0; ++i) {
            if (pairs[i].itemId == 0) throw "pair without item";
            bool reached = OwnerRange(pairs[i].dmaId) == r;
            for (size_t j = 0; reached && j < i; ++j)
                if (pairs[j].dmaId == pairs[i].dmaId) reached = false;
            out[n++] = KeyValue{pairs[i].dmaId, reached ? pairs[i].itemId : uint16_t{0}};
        }
    }
    return out;
}

// Item -> DMA ID: the first pair naming the item in the earliest table.
consteval std::array<KeyValue, kTotalPairs> ReverseAnswers() {
    std::array<KeyValue, kTotalPairs> out{};
    std::array<bool, 65536> answered{};
    size_t n = 0;
    for (size_t r = 0; r < kRangeCount; ++r) {
        const IdPair *pairs = kDirectory[r].pairs;
        for (size_t i = 0; pairs[i].itemId != 0; ++i) {
            if (pairs[i].dmaId == 0) throw "pair without DMA ID";
            const bool first = !answered[pairs[i].itemId];
            answered[pairs[i].itemId] = true;
            out[n++] = KeyValue{pairs[i].itemId, first ? pairs[i].dmaId : uint16_t{0}};
        }
    }
    return out;
}

constexpr auto kForwardAnswers = ForwardAnswers();
constexpr auto kReverseAnswers = ReverseAnswers();
constexpr auto kDmaToItem = BuildPaged<CountPages(kForwardAnswers)>(kForwardAnswers);
constexpr auto kItemToDma = BuildPaged<CountPages(kReverseAnswers)>(kReverseAnswers);

// Every DMA ID with an item, plus the two fax header strings, ascending.
consteval size_t CountKnown() {
    size_t n = 2;
    for (const KeyValue &a : kForwardAnswers) n += a.value != 0;
    return n;
}
consteval std::array<uint16_t, CountKnown()> KnownIds() {
    std::array<uint16_t, CountKnown()> ids{};
    size_t n = 0;
    for (const KeyValue &a : kForwardAnswers)
        if (a.value != 0) ids[n++] = a.key;
    ids[n++] = DMA_ID_FAX_HEADER1;
    ids[n++] = DMA_ID_FAX_HEADER2;
    std::sort(ids.begin(), ids.end());
    for (size_t i = 1; i < n; ++i)
        if (ids[i] == ids[i - 1]) throw "DMA ID listed twice";
    return ids;
}
constexpr auto kKnownIds = KnownIds();

}  // namespace
}  // namespace dma::notation

namespace dma {

std::span<const PublicIdRange> PublicIdDirectory() {
    return {notation::kDirectory, notation::kRangeCount};
}

uint16_t DmaIdToItemId(uint16_t dmaId) { return notation::kDmaToItem(dmaId); }

uint16_t ItemIdToDmaId(uint16_t itemId) { return notation::kItemToDma(itemId); }

std::span<const uint16_t> KnownDmaIdsAscending() { return notation::kKnownIds; }

}  // namespace dma
