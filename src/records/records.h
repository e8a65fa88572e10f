// records.h - field lists of the record kinds and the transfers between a
// caller's record and the live settings, plus the name search that the
// record operations use.  The user-settings lists use the same row format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common.h"

namespace dma {

// One field of a record: the item it mirrors and the field's place and width
// inside the record.  Same layout as the catalogue's ItemDescriptor.
struct FieldListRow {
    uint16_t itemId;      // 0 ends the list
    uint16_t valueType;   // the item's stored type
    uint16_t reportType;  // copied from the catalogue; the transfers ignore it
    int64_t offset;       // -1: no place in the record
    uint32_t size;        // width in the record, scalars included
};

// A field's place in a record, taken from the record's public structure with
// DMA_RECORD_FIELD so that the lists repeat no offset or width of their own.
struct FieldPlace {
    int64_t offset;
    uint32_t size;
};
#define DMA_RECORD_FIELD(Record, member) \
    ::dma::FieldPlace { offsetof(Record, member), sizeof(Record::member) }

// The rows of every field list (the record kinds' and the user settings').
constexpr FieldListRow FieldRow(uint16_t itemId, uint16_t valueType, int64_t offset,
                                uint32_t size, uint16_t reportType = 0) {
    return FieldListRow{itemId, valueType, reportType, offset, size};
}
constexpr FieldListRow FieldRow(uint16_t itemId, uint16_t valueType, FieldPlace place,
                                uint16_t reportType = 0) {
    return FieldRow(itemId, valueType, place.offset, place.size, reportType);
}
// The row that ends a list.
inline constexpr FieldListRow kFieldListEnd{0, 0, 0, 0, 0};

// Field lists, each ended by a row with itemId 0 (the span excludes it).
std::span<const FieldListRow> Kind2Fields();
std::span<const FieldListRow> Kind3Fields();
std::span<const FieldListRow> Kind4KeyFields();
std::span<const FieldListRow> Kind4RectFields();
std::span<const FieldListRow> Kind5Fields();
std::span<const FieldListRow> Kind7Fields();

// Room of a transfer from a record to the settings, which copies the record
// to the stack and saves there every byte its rows may store into: the
// record's bytes up to the end of its last field, the rows, and the bytes
// saved (a row's field and one mirrored place of at most 4 bytes).
inline constexpr size_t kTransferRecordBytes = 1024;
inline constexpr size_t kTransferRows = 24;
inline constexpr size_t kTransferSavedBytes = 1280;

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
