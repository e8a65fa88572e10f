// records.h - the transfers between a caller's record and the live
// settings along a field list (catalogue/field_lists.h), plus the name search
// that the record operations use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "catalogue/field_lists.h"
#include "common.h"

namespace dma {

// Record -> settings, all or nothing: every row is written, or (false) both
// records are left as they were.  The record is read as it was before the
// first write, also where it lies inside the settings.
bool WriteRecordToSettings(void *devMode, void *secondary, const FieldListRow *list,
                           void *record);
// Settings -> record, row by row; stops at the first failing row (earlier
// fields stay written, so callers pass a scratch copy of their record).
bool ReadSettingsToRecord(void *devMode, void *secondary, const FieldListRow *list,
                          void *record);
// direction 1: work buffer -> rect; 2: rect -> work buffer.  rect is the four
// int32 values at offset 4 of a kind 4 record, work the 16-byte buffer laid
// out by the rectangle list.
bool ConvertKind4Rectangle(void *devMode, void *secondary, int direction, void *rect,
                           void *work);

// The element's name as new ANSI text (GlobalAlloc; caller frees), or null.
char *RecordKeyText(const FieldListRow *list, uint16_t keyItem, const void *record);
// First element whose name equals `name` and whose state & mask != 0.
bool FindRecordByName(const FieldListRow *list, const RecordArray &array, uint16_t keyItem,
                      const char *name, uint8_t mask, uint32_t *index);

// ---- The operations on the caller's record arrays (exported by the api layer) ----
// Results are DMA_OK or a negative DMA_E_* code; their contracts stand with
// their definitions in record_ops.cpp.
int32_t LoadElement(DmaContext *context, int32_t kind, intptr_t nameOrPosition);
int32_t DeleteElement(DmaContext *context, int32_t kind, const char *name);
int32_t StoreElement(DmaContext *context, int32_t kind, int32_t mode, intptr_t nameOrPosition);
int32_t ElementName(const void *record, int32_t kind, uint32_t *size, char *buffer);

}  // namespace dma
