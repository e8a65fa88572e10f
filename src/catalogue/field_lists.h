// field_lists.h - the field lists of the caller's records: the record kinds
// 2, 3, 4, 5 and 7 and the user-settings record.
//
// A field list ties every field of a record to the item it mirrors: the
// item's stored type, its report type, and the field's byte offset and width
// inside the record.  The lists are data, held once here in the catalogue so
// that the library's transfers and every client that lays a record out read
// the same rows; their places come from the public header's structures.
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

// Room of a transfer from a record to the settings, which copies the record
// to the stack and saves there every byte its rows may store into: the
// record's bytes up to the end of its last field, the rows, and the bytes
// saved (a row's field and one mirrored place of at most 4 bytes).  Every
// record kind's list is checked against it.
inline constexpr size_t kTransferRecordBytes = 1024;
inline constexpr size_t kTransferRows = 24;
inline constexpr size_t kTransferSavedBytes = 1280;

// UTF-16 units of the scratch copy a user-settings string passes through on
// its way to the raw write; every string field of those lists fits it with
// its terminator.
inline constexpr size_t kUserInfoScratchUnits = 296;

// Field lists, each ended by a row with itemId 0 (the span excludes it).
std::span<const FieldListRow> Kind2Fields();
std::span<const FieldListRow> Kind3Fields();
std::span<const FieldListRow> Kind4KeyFields();
std::span<const FieldListRow> Kind4RectFields();
std::span<const FieldListRow> Kind5Fields();
std::span<const FieldListRow> Kind7Fields();

// The user-settings record's lists 1-4 in walking order (number 1-4), each
// without its ending row.  List 1 is read by the get operation only.
std::span<const FieldListRow> UserSettingList(int number);

}  // namespace dma
