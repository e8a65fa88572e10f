// item_tables.h - the item catalogue as written: the 13 item tables, the
// range directory and the four flag groups.
//
// Each table is written as runs of items (first-last, type, offset of the
// first item, "same" or an explicit step, capacity in brackets) and expanded
// at compile time into ItemDescriptor rows.  The order of the runs is the
// stored order of the rows.  Two tables keep rows out of ID order (4161 right
// after 4111, whose bit it shares; the secondary record's rows grouped by the
// block they describe), and the enumeration lists items in that order.
//
// Everything here is constexpr data.  settings.cpp compiles it into one
// descriptor per setting and keeps the rows themselves in stored order for
// the walks that the tests compare the descriptors with.  The tables of the
// DEVMODEW record stand here, those of the secondary record in
// item_tables_secondary.h.
#pragma once

#include <algorithm>
#include <array>

#include "catalogue/item_tables_secondary.h"
#include "catalogue/run_notation.h"

namespace dma::notation {

// Items 1-25: the public members of DEVMODEW.  Item 14 covers the four bytes
// of dmPrintQuality and dmColor (the combined resolution); item 20 is
// dmPrintQuality alone.
inline constexpr ItemRun kRuns1[] = {
    Item(1, STRING, 0, 64),      // dmDeviceName
    Items(2, 5, WORD, 64),       // dmSpecVersion .. dmDriverExtra
    Item(6, DWORD, 72),          // dmFields
    Items(7, 13, SHORT, 76),     // dmOrientation .. dmDefaultSource
    Item(14, DWORD, 90),         // dmPrintQuality + dmColor
    Items(15, 16, SHORT, 92),    // dmColor, dmDuplex
    Items(17, 18, SHORT, 98),    // dmTTOption, dmCollate
    Item(19, STRING, 102, 64),   // dmFormName
    Item(20, SHORT, 90),         // dmPrintQuality
    Item(21, SHORT, 96),         // dmYResolution
    Items(22, 25, DWORD, 188),   // dmICMMethod .. dmDitherType
};

// Driver-private part of DEVMODEW.  The two LOGFONTW values at 588 and 816
// are items of their own (304, 357) and so is each of their members.
inline constexpr ItemRun kRuns257[] = {
    Items(257, 258, WORD, 220),
    Item(259, STRING, 224, 64),
    Items(260, 261, DWORD, 288),          // flag words 1281-1312, 1313-1344 whole
    Items(262, 263, WORD, 296),
    Item(264, BYTE_WORD, 300),
    Items(265, 266, WORD, 302),
    Item(267, BYTE_WORD, 308),
    Items(268, 269, WORD, 310),
    Item(270, BYTE_WORD, 316),
    Item(271, WORD, 318),
    Item(272, BYTE_WORD, 321),            // odd offset
    Item(273, DWORD, 324),
    Items(274, 285, SHORT, 328),
    Items(286, 288, BYTE_WORD, 372),
    Items(291, 295, BYTE_WORD, 375),
    Item(296, WORD, 380),
    Items(297, 298, STRING, 382, 66).Same(),  // two names of one text
    Item(299, STRING, 448, 130),
    Item(300, BYTE_WORD, 578),
    Item(301, DWORD, 580),
    Item(302, BYTE_WORD, 584),
    Item(303, WORD, 586),
};

inline constexpr ItemRun kRuns304[] = {
    Item(304, LOGFONT, 588),
    Item(305, STRING, 616, 64),
    Item(306, LONG, 588),
    Item(307, LONG, 604),
    Item(308, BYTE, 608),
    Items(309, 310, LONG, 596),
    Item(311, LONG, 596),
    Items(312, 318, BYTE, 609),
    Item(319, LONG, 592),
    Items(320, 323, BYTE_WORD, 680),
    Item(324, WORD, 684),
    Item(325, BYTE_WORD, 686),
    Items(326, 327, WORD, 688),
    Item(328, BYTE_WORD, 692),
    Item(329, STRING, 693, 49),           // 8-bit text, odd offset and size
    Items(330, 332, BYTE_WORD, 742),
    Item(333, WORD, 746),
    Items(334, 336, BYTE_WORD, 748),
    Item(338, STRING, 752, 18),
    Item(339, BYTE_WORD, 770),
    Item(340, STRING, 772, 18),
    Items(341, 343, BYTE_WORD, 790),
    Item(344, WORD, 794),
    Item(345, BYTE_WORD, 796),
    Item(346, BYTE, 797),
    Items(348, 351, WORD, 798),
};

// 392-403: three byte-wide settings packed in each of four words.
inline constexpr ItemRun kRuns352[] = {
    Items(352, 356, WORD, 806),
    Item(357, LOGFONT, 816),
    Item(358, STRING, 844, 64),
    Item(359, LONG, 816),
    Item(360, LONG, 832),
    Item(361, BYTE, 836),
    Items(362, 363, LONG, 824),
    Item(364, LONG, 824),
    Items(365, 371, BYTE, 837),
    Item(372, LONG, 820),
    Item(373, DWORD, 908),
    Items(374, 375, STRING, 930, 258),
    Items(376, 377, BYTE_WORD, 1446),
    Item(379, BYTE_WORD, 1448),
    Item(380, WORD, 1450),
    Items(381, 383, BYTE_WORD, 1452),
    Items(384, 385, WORD, 1456),
    Items(386, 387, BYTE_WORD, 1460),
    Item(388, WORD, 306),
    Item(389, WORD, 314),
    Item(390, BYTE_WORD, 320),
    Item(391, BYTE_WORD, 352),
    Items(392, 394, DWORD, 356).Same(),
    Items(395, 397, DWORD, 360).Same(),
    Items(398, 399, DWORD, 364).Same(),
};

inline constexpr ItemRun kRuns400[] = {
    Items(400, 401, DWORD, 364),
    Items(402, 403, DWORD, 368).Same(),
    Items(404, 406, BYTE_WORD, 912),
    Items(407, 410, WORD, 916),
    Item(411, WORD, 926),
    Items(412, 413, BYTE_WORD, 924),
    Item(414, WORD, 928),
    Items(435, 436, STRING, 1462, 10),
    Items(437, 447, BYTE, 1482),
};

inline constexpr ItemRun kRuns448[] = {
    Items(448, 450, BYTE, 1493),
    Items(451, 452, BYTE, 1500),
    Item(453, WORD, 1502),
    Items(454, 455, BYTE, 1506),
    Item(456, BYTE_WORD, 1504),
    Item(457, BYTE, 1505),
    Item(458, BYTE, 1508),
    Item(459, BYTE, 1509),
    Items(460, 461, SHORT, 1510),
    Item(462, DWORD, 1516),               // flag word 1345-1376 whole
    Items(463, 466, BYTE, 1524).Step(8),  // one byte of each 8-byte entry
    Item(467, BYTE, 1549),
    Items(468, 470, WORD, 1556),
    Item(471, BYTE, 1568),
    Item(472, WORD, 1576),
    Items(473, 474, BYTE, 1578),
    Item(475, WORD, 1580),
    Item(476, BYTE, 1582),
    Item(477, DWORD, 1584),
    Item(478, WORD, 1592),
    Items(479, 480, BYTE, 1594),
    Items(481, 482, WORD, 1596),
    Item(483, BYTE_WORD, 749),            // second name of 335
    Items(485, 486, WORD, 1600),
};

// Flag group 1281: one bit per item, 32 items per word.  A few members are
// handed to callers under another type (1284 as a DWORD, 1296-1302 as bytes,
// 1322 and 1332 as words).
inline constexpr ItemRun kRuns1281[] = {
    FlagWord(1281, 1283, 288),
    FlagWord(1284, 1284, 288, FLAG_DWORD),
    FlagWord(1285, 1295, 288),
    FlagWord(1296, 1302, 288, FLAG_BYTE),
    FlagWord(1303, 1312, 288),
    FlagWord(1313, 1321, 292),
    FlagWord(1322, 1322, 292, FLAG_WORD),
    FlagWord(1323, 1331, 292),
    FlagWord(1332, 1332, 292, FLAG_WORD),
    FlagWord(1333, 1344, 292),
    FlagWord(1345, 1376, 1516),
};

// The block 1608 bytes into DEVMODEW.
inline constexpr ItemRun kRuns1793[] = {
    Items(1793, 1794, WORD, 0),
    Item(1795, STRING, 4, 258),
    Item(1796, WORD, 262),
    Item(1797, STRING, 264, 82),
    Item(1798, STRING, 346, 166),
    Item(1799, STRING, 512, 522),
    Items(1800, 1804, WORD, 1034),
    Item(1805, STRING, 1044, 10),
    Item(1806, STRING, 1054, 58),
    Items(1807, 1812, WORD, 1112),
    Item(1813, STRING, 1124, 10),
    Items(1814, 1815, WORD, 1134),
    Item(1816, STRING, 1138, 120),
    Items(1817, 1818, STRING, 1258, 42),
    Items(1819, 1820, STRING, 1342, 82),
    Item(1821, STRING, 1506, 418),
    Items(1822, 1823, STRING, 1924, 62),
    Item(1824, WORD, 2048),
    Items(1825, 1828, INT, 2052),         // the rectangle of record kind 4
    Item(1829, STRING, 2072, 256),
    Item(1830, STRING, 2328, 258),
    Item(1831, STRING, 2586, 50),
    Items(1832, 1833, STRING, 2636, 258),
    Items(1834, 1853, WORD, 3152),
    Item(1854, STRING, 3196, 2),
    Item(1855, DWORD, 3200),
    Item(1856, WORD, 3204),
    Item(1857, STRING, 3206, 522),
    Item(1858, STRING, 3732, 58),
    Items(1859, 1860, WORD, 3790),
    Item(1861, BYTE, 3800),
    Item(1862, BYTE, 3808),
    Items(1863, 1864, SHORT, 3816),
    Item(1865, STRING, 3824, 58),
    Items(1866, 1867, WORD, 3888),
    Item(1868, STRING, 3892, 62),
    Items(1869, 1875, DWORD, 3960),       // flag words 2305-2528 whole
    Item(1876, STRING, 3992, 258),
    Item(1877, STRING, 2586, 50),         // second name of 1831
    Item(1878, SHORT, 4256),
    Item(1879, DWORD, 4260),              // flag word 2529-2560 whole
    Items(1880, 1881, BYTE, 4268),
    Items(1882, 1890, WORD, 4276),
    Item(1891, FLAG, 4296),
    Item(1892, DWORD, 4300),
    Item(1893, FLAG, 4304),
    Item(1894, STRING, 4308, 50),
    Item(1896, FLAG, 4360),
    Item(1897, STRING, 4364, 16),
};

// Flag group 2305: eight words, the first seven consecutive.
inline constexpr ItemRun kRuns2305[] = {
    FlagWord(2305, 2336, 3960),
    FlagWord(2337, 2368, 3964),
    FlagWord(2369, 2400, 3968),
    FlagWord(2401, 2432, 3972),
    FlagWord(2433, 2464, 3976),
    FlagWord(2465, 2496, 3980),
    FlagWord(2497, 2528, 3984),
    FlagWord(2529, 2560, 4260),
};

#define DMA_EXPAND_ITEMS(runs) ExpandItems<CountRows(runs)>(runs)

inline constexpr auto kItems1 = DMA_EXPAND_ITEMS(kRuns1);
inline constexpr auto kItems257 = DMA_EXPAND_ITEMS(kRuns257);
inline constexpr auto kItems304 = DMA_EXPAND_ITEMS(kRuns304);
inline constexpr auto kItems352 = DMA_EXPAND_ITEMS(kRuns352);
inline constexpr auto kItems400 = DMA_EXPAND_ITEMS(kRuns400);
inline constexpr auto kItems448 = DMA_EXPAND_ITEMS(kRuns448);
inline constexpr auto kItems1281 = DMA_EXPAND_ITEMS(kRuns1281);
inline constexpr auto kItems1793 = DMA_EXPAND_ITEMS(kRuns1793);
inline constexpr auto kItems2305 = DMA_EXPAND_ITEMS(kRuns2305);
inline constexpr auto kItems4097 = DMA_EXPAND_ITEMS(kRuns4097);
inline constexpr auto kItems4609 = DMA_EXPAND_ITEMS(kRuns4609);
inline constexpr auto kItems5121 = DMA_EXPAND_ITEMS(kRuns5121);
inline constexpr auto kItems5633 = DMA_EXPAND_ITEMS(kRuns5633);

#undef DMA_EXPAND_ITEMS

// A directory row: the range's bounds are the lowest and highest item ID of
// its rows, so a row can never fall outside them.
template <size_t N>
consteval ItemRange Range(uint16_t area, const std::array<ItemDescriptor, N> &items) {
    const Bounds b = KeyBounds(items, [](const ItemDescriptor &r) { return r.itemId; });
    return ItemRange{area, b.lo, b.hi, items.data(), static_cast<uint16_t>(N - 1)};
}

// The range directory in stored order (also the enumeration order), ended by
// a row without items.
inline constexpr ItemRange kDirectory[] = {
    Range(DMA_SA_DEVMODE, kItems257),
    Range(DMA_SA_DEVMODE, kItems304),
    Range(DMA_SA_DEVMODE, kItems352),
    Range(DMA_SA_DEVMODE, kItems400),
    Range(DMA_SA_DEVMODE, kItems448),
    Range(DMA_SA_DEVMODE, kItems1281),
    Range(DMA_SA_DEVMODE_EXT, kItems1793),
    Range(DMA_SA_DEVMODE_EXT, kItems2305),
    Range(DMA_SA_SECONDARY, kItems4097),
    Range(DMA_SA_SECONDARY, kItems4609),
    Range(DMA_SA_SECONDARY, kItems5121),
    Range(DMA_SA_SECONDARY, kItems5633),
    Range(DMA_SA_DEVMODE, kItems1),
    ItemRange{0, 0, 0, nullptr, 0},
};
inline constexpr size_t kRangeCount = std::size(kDirectory) - 1;

// ---- Flag groups: item first+k is bit (k mod 32) of its word ----

template <uint16_t First, uint16_t Last>
consteval std::array<FlagMaskEntry, Last - First + 2> GroupMasks() {
    std::array<FlagMaskEntry, Last - First + 2> rows{};
    for (uint32_t id = First; id <= Last; ++id)
        rows[id - First] = FlagMaskEntry{static_cast<uint16_t>(id), uint32_t{1} << ((id - First) % 32)};
    return rows;
}

inline constexpr auto kMasks1281 = GroupMasks<1281, 1376>();
inline constexpr auto kMasks2305 = GroupMasks<2305, 2560>();
inline constexpr auto kMasks4609 = GroupMasks<4609, 4640>();

// Group 4097: 4097-4160 by the rule, then 4161 on the bit of 4111.
consteval std::array<FlagMaskEntry, 66> Masks4097() {
    std::array<FlagMaskEntry, 66> rows{};
    const auto rule = GroupMasks<4097, 4160>();
    for (size_t i = 0; i < 64; ++i) rows[i] = rule[i];
    rows[64] = FlagMaskEntry{4161, 0x4000};
    return rows;
}
inline constexpr auto kMasks4097 = Masks4097();

template <size_t N>
constexpr FlagGroup Group(const std::array<FlagMaskEntry, N> &rows) {
    return FlagGroup{rows[0].itemId, rows.data(), static_cast<uint16_t>(N - 1)};
}

// In the order the stored-order search visits them.  These tables are the one
// place that says which items are bits of a flag word.
inline constexpr FlagGroup kFlagGroups[] = {
    Group(kMasks1281), Group(kMasks2305), Group(kMasks4097), Group(kMasks4609),
};

}  // namespace dma::notation
