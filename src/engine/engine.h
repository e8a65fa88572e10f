// engine.h - the raw value engine: dma_GetValue / dma_SetValue (exported,
// declared in the public header) and the linked-settings derivations that
// the raw write uses to keep items 325, 326 and 344 in step.
#pragma once

#include <cstdint>

#include "common.h"

namespace dma {

struct ItemLocation;

// The raw read after the lookup: the value of item `itemId`, already found
// at `loc` by LookupItem (which succeeded), handed out as dma_GetValue hands
// it out.  For callers that have looked the item up themselves.
RawStatus ReadLocatedItem(uint16_t itemId, const ItemLocation &loc, const void *devMode,
                          uint16_t *typeOut, int32_t *lengthOut, void *buffer);

// The raw read of a scalar item, its value zero-extended to 32 bits: what
// dma_GetValue leaves in the first four bytes of its buffer.  The status is
// dma_GetValue's; *value is written only on success.
RawStatus ReadItemScalar(uint16_t itemId, void *devMode, void *secondary, uint32_t *value);

// Where the raw read finds a string or font item: the address of its field
// inside the caller's records (the offset and area dma_GetValue hands out,
// turned into an address), or null when the raw read fails.  `length`, when
// not null, receives the length the raw read reports (for a string: its text
// with terminator, in bytes, counted within the field).
uint8_t *FieldAddress(uint16_t itemId, void *devMode, void *secondary, int32_t *length = nullptr);

// Item 267's new value -> item 325's value.  0 with the result written, or 1
// when the value has no entry or `result` is null.
int DeriveItem325(uint16_t value267, uint16_t *result);

struct PairInput {
    uint16_t orientation;  // dmOrientation as stored
    uint16_t item295;      // class 1: 1, 4, 16; class 2: 2, 8, 32
    uint16_t newValue;     // new value of item 320 or 341
};

struct PairRule {
    uint16_t key;        // orientation the rule applies to
    uint16_t condition;  // 1, 2, or 99 = end of list
    uint16_t first;      // result row when selector != 1
    uint16_t second;     // result row when selector == 1
};

// 0 with the chosen row written, or 1.
int MatchPairRule(uint16_t selector, const PairRule *rules, const PairInput *input,
                  uint16_t *resultRow);

// Value for item 326 (itemId 320) or 344 (itemId 341); 0 with it written, or 1.
int DerivePairedValue(uint16_t itemId, const PairInput *input, uint16_t *result);

}  // namespace dma
