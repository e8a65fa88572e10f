// transfer.cpp - moving a whole record between a caller's record and the live
// settings, driven by a field list, and the orientation-dependent rectangle
// of record kind 4.
//
// Record -> settings is all or nothing.  The raw write stores one setting at
// a time, and a row can be refused after the rows before it were stored (a
// text too long for its setting) or even after its own bytes were (a linked
// item whose derived item has no value for it).  So before the first row is
// written the transfer
//   - copies the record into a snapshot on the stack and writes every row
//     from there: a record lying inside the settings it goes to is read as
//     it was before the transfer, not as the earlier rows left it;
//   - saves, in a journal on the stack, every byte of the caller's records
//     that the rows may store into, and puts them all back when a row fails.
// Both have fixed room (kTransferRecordBytes, kTransferRows,
// kTransferSavedBytes); every field list is checked against it where it is
// defined, and a list that still does not fit is refused before anything is
// written.
//
// Settings -> record goes row by row into the record it is given and stops
// at the first row that fails; the record operations hand it a scratch copy
// of the element and commit the copy only once it is whole.
#include <algorithm>
#include <cstring>

#include "engine/engine.h"
#include "records/records.h"

namespace dma {

namespace {

// The bytes of the caller's records that a transfer may store into, saved
// before the first write.  Every span is saved while the records are still
// as they were, so spans that share bytes (two bits of one flag word) hold
// the same old bytes and can be put back in any order.
class Journal {
public:
    bool Save(uint8_t *at, uint32_t bytes) {
        if (count_ == kSpans || bytes > sizeof saved_ - used_) return false;
        spans_[count_++] = Span{at, bytes};
        std::memcpy(saved_ + used_, at, bytes);
        used_ += bytes;
        return true;
    }
    void Restore() const {
        size_t from = 0;
        for (size_t i = 0; i < count_; ++i) {
            std::memcpy(spans_[i].at, saved_ + from, spans_[i].bytes);
            from += spans_[i].bytes;
        }
    }

private:
    static constexpr size_t kSpans = 2 * kTransferRows;  // a place and its mirror per row
    struct Span {
        uint8_t *at;
        uint32_t bytes;
    };
    Span spans_[kSpans];
    uint8_t saved_[kTransferSavedBytes];
    size_t count_ = 0, used_ = 0;
};

// Saves what the raw write of `itemId` may store, as the engine lists it
// (WritePlaces).  False when the write could only fail (no row, its record
// missing) or the journal is full.
bool SaveDestination(Journal &journal, uint16_t itemId, void *devMode, void *secondary) {
    const Setting &s = ItemSetting(itemId);
    if (!s.HasRow()) return false;
    uint8_t *place = s.Address(devMode, secondary);
    if (place == nullptr) return false;
    WritePlace places[2];
    const size_t n = WritePlaces(s, place, devMode, places);
    for (size_t i = 0; i < n; ++i)
        if (!journal.Save(places[i].at, places[i].bytes)) return false;
    return true;
}

// Bytes of the record that the raw write of a row reads: its field, a font
// as the whole LOGFONTW it is declared with.
uint64_t RowEnd(const FieldListRow &row) {
    const uint64_t width = row.valueType == DMA_VT_LOGFONT
                               ? std::max<uint64_t>(row.size, sizeof(LOGFONTW))
                               : row.size;
    return static_cast<uint64_t>(row.offset) + width;
}

// One row from the snapshot to the settings.  A string is handed to the raw
// write by a reference to a pointer to the field, with its byte length
// including the terminator; the length is measured inside the field, so an
// unterminated field is never scanned past its width (the raw write then
// refuses it as too long).  A font goes by a reference to a pointer with the
// length of the LOGFONTW it points to; every other field is the value itself
// with the field's width as its length.
RawStatus WriteRow(const FieldListRow &row, const uint8_t *field, void *devMode,
                   void *secondary) {
    const void *fieldPtr = field;
    int32_t length;
    const void *value;
    if (row.valueType == DMA_VT_STRING) {
        const size_t units = WideLengthWithin(field, row.size / 2);
        length = static_cast<int32_t>(2 * (units + 1));
        value = &fieldPtr;
    } else if (row.valueType == DMA_VT_LOGFONT) {
        length = static_cast<int32_t>(sizeof(LOGFONTW));
        value = &fieldPtr;
    } else {
        length = static_cast<int32_t>(row.size);
        value = field;
    }
    return WriteItem(row.itemId, devMode, secondary, row.valueType, length, value);
}

}  // namespace

bool WriteRecordToSettings(void *devMode, void *secondary, const FieldListRow *list,
                           void *record) {
    if (list == nullptr || record == nullptr) return false;
    Journal journal;
    uint64_t extent = 0;
    for (const FieldListRow *row = list; row->itemId != 0; ++row) {
        if (row->offset < 0) return false;
        extent = std::max(extent, RowEnd(*row));
        if (extent > kTransferRecordBytes) return false;
        if (!SaveDestination(journal, row->itemId, devMode, secondary)) return false;
    }
    // Two zero bytes after the snapshot: a string field narrower than its
    // setting may be scanned one unit past its end, and finds its end there.
    uint8_t snapshot[kTransferRecordBytes + 2];
    std::memcpy(snapshot, record, extent);
    snapshot[extent] = snapshot[extent + 1] = 0;
    for (const FieldListRow *row = list; row->itemId != 0; ++row) {
        if (WriteRow(*row, snapshot + row->offset, devMode, secondary) != DMA_RS_OK) {
            journal.Restore();
            return false;
        }
    }
    return true;
}

// Settings -> record.  A string or font field receives exactly its width in
// bytes from where the setting is stored, whatever follows the terminator
// (item 1813's 18-byte field thus also carries the 8 bytes after its 10-byte
// setting).  Any other field receives the raw read's value directly, in the
// width of the item's report type.  The record may share bytes with the
// settings (memmove), but a later row then reads what an earlier one wrote:
// callers that must copy from the settings as they were pass a scratch copy.
bool ReadSettingsToRecord(void *devMode, void *secondary, const FieldListRow *list,
                          void *record) {
    if (list == nullptr || record == nullptr) return false;
    uint8_t *base = static_cast<uint8_t *>(record);
    for (const FieldListRow *row = list; row->itemId != 0; ++row) {
        if (row->offset < 0) return false;
        uint8_t *field = base + row->offset;
        if (row->valueType == DMA_VT_STRING || row->valueType == DMA_VT_LOGFONT) {
            const uint8_t *source = FieldAddress(row->itemId, devMode, secondary);
            if (source == nullptr) return false;
            std::memmove(field, source, row->size);
            continue;
        }
        uint16_t type = 0, area = 0;
        int32_t length = 0;
        if (ReadItem(row->itemId, devMode, secondary, &type, &length, field, &area) != DMA_RS_OK)
            return false;
    }
    return true;
}

namespace {

// Index into the work buffer (the rectangle list's order 1827, 1828, 1826,
// 1825) of the item that each of the record's R0..R3 holds.
//   orientation 1: R0 1827, R1 1828, R2 1825, R3 1826
//   orientation 2: R0 1826, R1 1825, R2 1827, R3 1828
constexpr int kPortraitMap[4] = {0, 1, 3, 2};
constexpr int kLandscapeMap[4] = {2, 3, 0, 1};

}  // namespace

// Maps the kind 4 rectangle between the record (R0..R3 at `rect`) and the
// work buffer by the current dmOrientation (item 7).  Direction 1 fills the
// record from the work buffer, direction 2 the work buffer from the record.
// An unreadable orientation, an orientation other than 1 or 2, or another
// direction fails with nothing copied.
bool ConvertKind4Rectangle(void *devMode, void *secondary, int direction, void *rect,
                           void *work) {
    if (rect == nullptr || work == nullptr) return false;
    uint32_t value = 0;
    if (ReadItemScalar(7, devMode, secondary, &value) != DMA_RS_OK) return false;
    const uint16_t orientation = static_cast<uint16_t>(value);
    const int *map;
    if (orientation == 1)
        map = kPortraitMap;
    else if (orientation == 2)
        map = kLandscapeMap;
    else
        return false;
    if (direction != 1 && direction != 2) return false;

    uint8_t *r = static_cast<uint8_t *>(rect);
    uint8_t *w = static_cast<uint8_t *>(work);
    for (int i = 0; i < 4; ++i) {
        if (direction == 1)
            std::memmove(r + 4 * i, w + 4 * map[i], 4);
        else
            std::memmove(w + 4 * map[i], r + 4 * i, 4);
    }
    return true;
}

}  // namespace dma
