// item_roles.h - the items whose stored bytes are not simply their value,
// and the DEVMODEW offsets behind them.  The descriptors (settings.cpp) give
// each of them its access kind from here; the engine reaches the offsets
// through these names.  Which items are bits of a flag word is not listed
// here: the flag-group tables of item_tables.h say it.
#pragma once

#include <cstdint>

#include "common.h"

namespace dma::special {

// Item 14 is catalogued as the four bytes at 90 (dmPrintQuality + dmColor),
// but is handled as the combined resolution: dmPrintQuality in the upper 16
// bits, dmYResolution in the lower 16 bits.
inline constexpr uint16_t kItemResolution = 14;
inline constexpr uint32_t kOffPrintQuality = 90;
inline constexpr uint32_t kOffYResolution = 96;

// Items 311 and 364 are the lfEscapement of the two fonts in DEVMODEW; the
// angle is kept in lfOrientation as well.  311's read insists both agree.
inline constexpr uint16_t kItemAngleFont1 = 311;
inline constexpr uint16_t kItemAngleFont2 = 364;
inline constexpr uint32_t kOffEscapementFont1 = 596;
inline constexpr uint32_t kOffOrientationFont1 = 600;
inline constexpr uint32_t kOffOrientationFont2 = 828;

// Items 392-403: three byte-wide settings in each of the words at 356, 360,
// 364 and 368 (bits 0-7, 8-15, 16-23; bits 24-31 belong to no item).  The
// byte stays in its place in the 32-bit value the caller sees.
inline constexpr uint16_t kFirstPackedItem = 392;
inline constexpr uint16_t kLastPackedItem = 403;
constexpr bool IsPackedByteItem(uint16_t id) { return id >= kFirstPackedItem && id <= kLastPackedItem; }
constexpr unsigned PackedByteShift(uint16_t id) { return 8 * ((id - kFirstPackedItem) % 3); }

// The one flag stored inverted: a set bit means the setting is off.
inline constexpr uint16_t kItemInvertedFlag = 1284;

// Item 259's text is written 62 bytes at most: the last two bytes of its
// 64-byte field are never written by the raw write.
inline constexpr uint16_t kItemCappedText = 259;
inline constexpr uint32_t kCappedTextLimit = 64;
inline constexpr uint32_t kCappedTextCopy = 62;

// Linked settings: writing the first item derives the second.
inline constexpr uint16_t kItemLinkSource325 = 267;
inline constexpr uint16_t kItemDerived325 = 325;
inline constexpr uint16_t kItemPairSource326 = 320;
inline constexpr uint16_t kItemDerived326 = 326;
inline constexpr uint16_t kItemPairSource344 = 341;
inline constexpr uint16_t kItemDerived344 = 344;
inline constexpr uint16_t kItemPairClass = 295;    // its value's class steers the pair
inline constexpr uint16_t kItemOrientation = 7;    // dmOrientation

// The one string item whose field holds 8-bit text rather than UTF-16.
inline constexpr uint16_t kNarrowStringItem = 329;

// Item 8216: the capability flag that DMA_QuerySWSupportInfo reads.
inline constexpr uint16_t kItemSupportFlag = 8216;

// Item 380: the fax destination count kept in DEVMODEW beside the block's.
inline constexpr uint16_t kItemFaxCount = 380;

constexpr bool IsFaxHeaderId(uint16_t dmaId) {
    return dmaId == DMA_ID_FAX_HEADER1 || dmaId == DMA_ID_FAX_HEADER2;
}
constexpr bool IsProtectedId(uint16_t dmaId) {
    return dmaId >= DMA_ID_PROTECTED_FIRST && dmaId <= DMA_ID_PROTECTED_LAST;
}

}  // namespace dma::special
