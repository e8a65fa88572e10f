// item_rules.h - the items that the raw read and write do not treat as a
// plain run of bytes at their catalogue address, and the DEVMODEW offsets
// behind them.  Shared by raw_read.cpp and raw_write.cpp.
#pragma once

#include <cstdint>

namespace dma::engine {

// Item 14 is catalogued as the four bytes at 90 (dmPrintQuality + dmColor),
// but the engine treats it as the combined resolution: dmPrintQuality in the
// upper 16 bits, dmYResolution in the lower 16 bits.
constexpr uint16_t kItemResolution = 14;
constexpr uint32_t kOffPrintQuality = 90;
constexpr uint32_t kOffYResolution = 96;

// Items 311 and 364 are the lfEscapement of the two fonts in DEVMODEW; the
// angle is kept in lfOrientation as well.  311's read insists both agree.
constexpr uint16_t kItemAngleFont1 = 311;
constexpr uint16_t kItemAngleFont2 = 364;
constexpr uint32_t kOffEscapementFont1 = 596;
constexpr uint32_t kOffOrientationFont1 = 600;
constexpr uint32_t kOffOrientationFont2 = 828;

// Items 392-403: three byte-wide settings in each of the words at 356, 360,
// 364 and 368 (bits 0-7, 8-15, 16-23; bits 24-31 belong to no item).  The
// byte stays in its place in the 32-bit value the caller sees.
constexpr uint16_t kFirstPackedItem = 392;
constexpr uint16_t kLastPackedItem = 403;
constexpr bool IsPackedByteItem(uint16_t id) { return id >= kFirstPackedItem && id <= kLastPackedItem; }
constexpr uint32_t PackedByteMask(uint16_t id) { return 0xFFu << (8 * ((id - kFirstPackedItem) % 3)); }

// The four flag groups: each item is one bit (FindFlagMask) of a 32-bit word.
// Other VT_FLAG items are plain 32-bit values.
constexpr bool IsFlagGroupItem(uint16_t id) {
    return (id >= 1281 && id <= 1376) || (id >= 2305 && id <= 2560) ||
           (id >= 4097 && id <= 4161) || (id >= 4609 && id <= 4640);
}
// The one flag stored inverted: a set bit means the setting is off.
constexpr uint16_t kItemInvertedFlag = 1284;

// Item 259's text is written 62 bytes at most: the last two bytes of its
// 64-byte field are never written by the raw write.
constexpr uint16_t kItemCappedText = 259;
constexpr uint32_t kCappedTextLimit = 64;
constexpr uint32_t kCappedTextCopy = 62;

// Linked settings: writing the first item derives the second (linked.cpp).
constexpr uint16_t kItemLinkSource325 = 267;
constexpr uint16_t kItemDerived325 = 325;
constexpr uint16_t kItemPairSource326 = 320;
constexpr uint16_t kItemDerived326 = 326;
constexpr uint16_t kItemPairSource344 = 341;
constexpr uint16_t kItemDerived344 = 344;
constexpr uint16_t kItemPairClass = 295;    // its value's class steers the pair
constexpr uint16_t kItemOrientation = 7;    // dmOrientation

// Every font is a LOGFONTW of 92 bytes.
constexpr uint32_t kLogFontSize = 92;

}  // namespace dma::engine
