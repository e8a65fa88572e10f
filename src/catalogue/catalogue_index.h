// catalogue_index.h - the dense indexes of the catalogue, shared between the
// tables (which derive them at compile time) and the lookups (which read
// them).  Internal to the catalogue.
//
// A slot is a 16-bit word: the 1-based position of a directory row (or flag
// group) in the top four bits, the 1-based position of the table row in the
// low twelve bits.  0 means "in no range"; a range with row 0 means "in the
// range's bounds but without a row".
#pragma once

#include <cstddef>
#include <cstdint>

#include "catalogue/catalogue.h"

namespace dma::detail {

inline constexpr unsigned kSlotRangeShift = 12;
inline constexpr unsigned kSlotRangeMask = 0xF;
inline constexpr unsigned kSlotRowMask = 0xFFF;

constexpr unsigned SlotRange(uint16_t slot) { return (slot >> kSlotRangeShift) & kSlotRangeMask; }
constexpr unsigned SlotRow(uint16_t slot) { return slot & kSlotRowMask; }

// Item IDs 0..8225 (the highest ID any range holds); IDs above lie in no range.
inline constexpr size_t kItemSlotCount = 8226;
// Flag-group items 1281..4640.
inline constexpr uint16_t kFlagSlotFirst = 1281;
inline constexpr size_t kFlagSlotCount = 4640 - 1281 + 1;

extern const uint16_t *const kItemSlots;      // kItemSlotCount entries
extern const uint16_t *const kFlagSlots;      // kFlagSlotCount entries
extern const ItemRange *const kItemDirectory; // with its ending row

}  // namespace dma::detail
