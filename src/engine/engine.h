// engine.h - the raw value engine: reading and writing one setting in the
// caller's records once its descriptor is found, by item ID (the contract of
// dma_GetValue / dma_SetValue, which the api layer exports) or on a
// descriptor a caller has already looked up, and the linked-settings
// derivations that a write uses to keep items 325, 326 and 344 in step.
#pragma once

#include <cstdint>

#include "catalogue/setting.h"
#include "common.h"

namespace dma {

// ---- By item ID -------------------------------------------------------------

// dma_GetValue: the value of an item in its presented type.  typeOut,
// lengthOut, buffer (at least 8 bytes) and areaOut must be non-null, else
// DMA_RS_FAILED and nothing is written.  DMA_RS_NO_RANGE for an ID in no
// range; DMA_RS_FAILED (areaOut written) for an ID without a row or whose
// record is null; otherwise as ReadSetting.
RawStatus ReadItem(uint16_t itemId, void *devMode, void *secondary, uint16_t *typeOut,
                   int32_t *lengthOut, void *buffer, uint16_t *areaOut);

// dma_SetValue: `value` points to the value in the declared type (for texts
// and fonts: to a pointer to the text or LOGFONTW).  Checks, in order: null
// value, lookup, declared type, declared length; the first failure returns
// its status with nothing written.  Then as WriteSetting.
RawStatus WriteItem(uint16_t itemId, void *devMode, void *secondary, uint16_t valueType,
                    int32_t length, const void *value);

// The raw read of a scalar item, its value zero-extended to 32 bits: what
// dma_GetValue leaves in the first four bytes of its buffer.  The status is
// dma_GetValue's; *value is written only on success.
RawStatus ReadItemScalar(uint16_t itemId, void *devMode, void *secondary, uint32_t *value);

// Where the raw read finds a string or font item: the address of its field
// inside the caller's records, or null when the raw read fails.  `length`,
// when not null, receives the length the raw read reports (for a string: its
// text with terminator, in bytes, counted within the field).
uint8_t *FieldAddress(uint16_t itemId, void *devMode, void *secondary, int32_t *length = nullptr);

// ---- On a located setting ---------------------------------------------------
// `setting` has a row and `place` is its non-null address in the caller's
// records (Setting::Address); devMode is the caller's DEVMODEW record.

// The value of a scalar setting (any access but Text, Font and CappedText),
// zero-extended to 32 bits.  DMA_RS_FAILED for item 311 while the two angle
// members of its font differ (*value untouched).
RawStatus ReadScalar(const Setting &setting, const uint8_t *place, const void *devMode,
                     uint32_t *value);

// The raw read's output for a located setting: the value in the presented
// type, zero-extended to its width (a flag bit, packed byte or the combined
// resolution fills four bytes even when presented narrower); for a text or
// font the field's offset in its area as 8 bytes, with the text's length
// (terminator included, counted within the field) or 92.
RawStatus ReadSetting(const Setting &setting, const uint8_t *place, const void *devMode,
                      uint16_t *typeOut, int32_t *lengthOut, void *buffer);

// The raw write after the lookup: checks the declared type and length, then
// stores (StoreScalar for scalars), reading no more of the caller's value
// than declared: a scalar's declared width (one byte for a flag bit without
// report type, which takes any length from 1), a text up to its terminator
// within the declared bytes, a font's LOGFONTW when declared with its size
// or the size of its pointer.  Item 259 takes only a text, with or without a
// declared length, and stores at most 62 bytes of it.
RawStatus WriteSetting(const Setting &setting, uint8_t *place, void *devMode,
                       uint16_t valueType, int32_t length, const void *value);

// Stores a scalar value, narrowed to the stored width (bytes and bits merged
// into the words that hold them), then the mirrored place and the linked
// item, which takes the value's low 16 bits.  A failure there leaves the
// setting's new value written.
RawStatus StoreScalar(const Setting &setting, uint8_t *place, void *devMode, uint32_t value);

// The places a raw write of a located setting may change, for callers that
// must undo it: its own bytes (the whole word of a flag bit or packed byte,
// the field of a text or font), then the place it keeps in step or the item
// it derives.  Returns how many of `out` it filled (1 or 2).
struct WritePlace {
    uint8_t *at;
    uint32_t bytes;
};
size_t WritePlaces(const Setting &setting, uint8_t *place, void *devMode, WritePlace out[2]);

// ---- Linked settings (linked.cpp) -------------------------------------------

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
// Answered from a table compiled from the row walk below.
int DerivePairedValue(uint16_t itemId, const PairInput *input, uint16_t *result);
// The same by walking the rows and their rules, as the table was compiled.
int DerivePairedValueByRules(uint16_t itemId, const PairInput *input, uint16_t *result);

}  // namespace dma
