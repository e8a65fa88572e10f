// id_tables.h - the public DMA ID map as written: per map range, runs
// "DMA IDs a-b -> items c, c+1, ...", in the stored order of the directory,
// expanded at compile time into IdPair tables ended by a zero pair.
// settings.cpp compiles them into the translation indexes; reference.cpp
// keeps the pairs for the stored-order walks.
#pragma once

#include <algorithm>
#include <array>

#include "catalogue/run_notation.h"

namespace dma::notation {

// 1: the public members of DEVMODEW keep their item IDs.
inline constexpr IdRun kIds1[] = {Ids(0x1, 0x19, 1)};
inline constexpr IdRun kIds101[] = {Ids(0x101, 0x120, 257), Ids(0x121, 0x122, 1832), Ids(0x123, 0x12F, 291)};
inline constexpr IdRun kIds130[] = {
    Ids(0x130, 0x150, 304), Id(0x151, 1829), Ids(0x152, 0x15A, 338), Id(0x15B, 1831),
    Ids(0x15C, 0x15F, 348),
};
inline constexpr IdRun kIds160[] = {Ids(0x160, 0x179, 352), Id(0x17A, 1830), Ids(0x17B, 0x18F, 379)};
inline constexpr IdRun kIds190[] = {Ids(0x190, 0x19E, 400), Ids(0x19F, 0x1B2, 1834), Ids(0x1B3, 0x1BF, 435)};
inline constexpr IdRun kIds1001[] = {Ids(0x1001, 0x1008, 448), Ids(0x1009, 0x1021, 458), Ids(0x1023, 0x1024, 485)};
inline constexpr IdRun kIds1C1[] = {
    Ids(0x1C1, 0x1CE, 1281), Id(0x1CF, 4129), Ids(0x1D0, 0x1F3, 1296), Ids(0x1F4, 0x200, 1335),
};
inline constexpr IdRun kIds3C1[] = {Ids(0x3C1, 0x3D4, 1348), Ids(0x3D8, 0x3D9, 1371)};
inline constexpr IdRun kIds201[] = {
    Ids(0x201, 0x224, 1793), Ids(0x225, 0x228, 1855), Ids(0x229, 0x238, 1861), Id(0x239, 1878),
    Ids(0x23B, 0x249, 1880), Id(0x24B, 1896),
};
// 10: flag group 2305 keeps its item IDs.
inline constexpr IdRun kIds901[] = {Ids(0x901, 0xA00, 2305)};
inline constexpr IdRun kIds301[] = {
    Ids(0x301, 0x320, 4097), Ids(0x321, 0x32A, 4353), Ids(0x32B, 0x32C, 4366), Ids(0x32D, 0x336, 4130),
    Id(0x337, 4368), Ids(0x338, 0x339, 4140), Id(0x33A, 4369), Ids(0x33B, 0x33D, 4142),
    Ids(0x33E, 0x33F, 4370),
};
inline constexpr IdRun kIds381[] = {Ids(0x381, 0x3A0, 4609)};
inline constexpr IdRun kIds401[] = {
    Id(0x401, 5121), Id(0x402, 1333), Id(0x403, 5123), Id(0x404, 1332), Id(0x405, 4365),
    Ids(0x406, 0x407, 5126), Id(0x408, 1334), Ids(0x409, 0x40C, 5129), Id(0x40D, 456),
    Ids(0x40E, 0x412, 5134), Ids(0x413, 0x414, 1859), Ids(0x415, 0x41E, 5141), Id(0x41F, 457),
    Ids(0x420, 0x421, 5152), Id(0x422, 4363), Ids(0x423, 0x425, 5155), Id(0x426, 4364),
    Ids(0x427, 0x45F, 5159),
};
inline constexpr IdRun kIds501[] = {
    Id(0x501, 8201), Ids(0x511, 0x512, 8202), Ids(0x51B, 0x51E, 8204), Ids(0x51F, 0x528, 5889),
    Ids(0x529, 0x532, 5909), Ids(0x533, 0x53C, 5929), Ids(0x53D, 0x587, 6145), Ids(0x588, 0x591, 6401),
    Ids(0x592, 0x595, 8208), Ids(0x596, 0x59F, 5899), Ids(0x600, 0x609, 5919), Ids(0x60A, 0x613, 5939),
    Id(0x614, 8212), Ids(0x615, 0x67D, 6220), Ids(0x67E, 0x687, 6411), Ids(0x688, 0x68A, 8213),
    Id(0x68C, 8224), Id(0x68E, 8223), Id(0x68F, 8225),
};
// 15: the protected strings, second names of items that also have an
// ordinary DMA ID (which is the one the reverse translation gives).
inline constexpr IdRun kIds9001[] = {
    Ids(0x9001, 0x9003, 5159), Id(0x9004, 5175), Id(0x9005, 1858), Ids(0x9006, 0x9007, 5181),
    Id(0x9008, 5185), Ids(0x9009, 0x900A, 5208),
};
inline constexpr IdRun kIds202B[] = {Id(0x202B, 1370)};

#define DMA_EXPAND_IDS(runs) ExpandPairs<CountRows(runs)>(runs)

inline constexpr auto kPairs1 = DMA_EXPAND_IDS(kIds1);
inline constexpr auto kPairs101 = DMA_EXPAND_IDS(kIds101);
inline constexpr auto kPairs130 = DMA_EXPAND_IDS(kIds130);
inline constexpr auto kPairs160 = DMA_EXPAND_IDS(kIds160);
inline constexpr auto kPairs190 = DMA_EXPAND_IDS(kIds190);
inline constexpr auto kPairs1001 = DMA_EXPAND_IDS(kIds1001);
inline constexpr auto kPairs1C1 = DMA_EXPAND_IDS(kIds1C1);
inline constexpr auto kPairs3C1 = DMA_EXPAND_IDS(kIds3C1);
inline constexpr auto kPairs201 = DMA_EXPAND_IDS(kIds201);
inline constexpr auto kPairs901 = DMA_EXPAND_IDS(kIds901);
inline constexpr auto kPairs301 = DMA_EXPAND_IDS(kIds301);
inline constexpr auto kPairs381 = DMA_EXPAND_IDS(kIds381);
inline constexpr auto kPairs401 = DMA_EXPAND_IDS(kIds401);
inline constexpr auto kPairs501 = DMA_EXPAND_IDS(kIds501);
inline constexpr auto kPairs9001 = DMA_EXPAND_IDS(kIds9001);
inline constexpr auto kPairs202B = DMA_EXPAND_IDS(kIds202B);

#undef DMA_EXPAND_IDS

// A map directory row: its bounds are the lowest and highest DMA ID of its
// pairs.
template <size_t N>
consteval PublicIdRange IdRange(const std::array<IdPair, N> &pairs) {
    const Bounds b = KeyBounds(pairs, [](const IdPair &p) { return p.dmaId; });
    return PublicIdRange{pairs.data(), b.lo, b.hi, static_cast<uint16_t>(N - 1)};
}

// The map directory in stored order, ended by a row without pairs.
inline constexpr PublicIdRange kIdDirectory[] = {
    IdRange(kPairs1),
    IdRange(kPairs101),
    IdRange(kPairs130),
    IdRange(kPairs160),
    IdRange(kPairs190),
    IdRange(kPairs1001),
    IdRange(kPairs1C1),
    IdRange(kPairs3C1),
    IdRange(kPairs201),
    IdRange(kPairs901),
    IdRange(kPairs301),
    IdRange(kPairs381),
    IdRange(kPairs401),
    IdRange(kPairs501),
    IdRange(kPairs9001),
    IdRange(kPairs202B),
    PublicIdRange{nullptr, 0, 0, 0},
};

inline constexpr size_t kIdRangeCount = std::size(kIdDirectory) - 1;

}  // namespace dma::notation
