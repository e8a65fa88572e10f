// transfer.cpp - moving a whole record between a caller's record and the live
// settings, driven by a field list, and the orientation-dependent rectangle
// of record kind 4.
//
// Both transfers go through the raw engine one row at a time and stop at the
// first row that fails, without undoing the rows before it: the settings (or
// the record) are then left partly updated, which callers rely on knowing.
#include <cstring>

#include "engine/engine.h"
#include "records/records.h"

namespace dma {

namespace {

// Walks a terminated field list over a caller's record: step(row, field) for
// each row, `field` being the row's place in the record.  False for a null
// list or record, a row without a place, or the first step that fails.
template <typename Step>
bool ForEachField(const FieldListRow *list, void *record, Step step) {
    if (list == nullptr || record == nullptr) return false;
    uint8_t *base = static_cast<uint8_t *>(record);
    for (const FieldListRow *row = list; row->itemId != 0; ++row)
        if (row->offset < 0 || !step(*row, base + row->offset)) return false;
    return true;
}

}  // namespace

// Record -> settings.  Strings are handed to the raw write by a reference to
// a pointer to the field, with their byte length including the terminator;
// the length is measured inside the field, so an unterminated field is never
// scanned past its width (the raw write then refuses it as too long).  Fonts
// go by a reference to a pointer with the length 8; every other field is the
// value itself with the field's width as its length.
bool WriteRecordToSettings(void *devMode, void *secondary, const FieldListRow *list,
                           void *record) {
    return ForEachField(list, record, [&](const FieldListRow &row, uint8_t *field) {
        const void *fieldPtr = field;
        int32_t length;
        const void *value;
        if (row.valueType == DMA_VT_STRING) {
            const size_t units = WideLengthWithin(field, row.size / 2);
            length = static_cast<int32_t>(2 * (units + 1));
            value = &fieldPtr;
        } else if (row.valueType == DMA_VT_LOGFONT) {
            length = 8;
            value = &fieldPtr;
        } else {
            length = static_cast<int32_t>(row.size);
            value = field;
        }
        return WriteItem(row.itemId, devMode, secondary, row.valueType, length, value) ==
               DMA_RS_OK;
    });
}

// Settings -> record.  A string or font field receives exactly its width in
// bytes from where the setting is stored, whatever follows the terminator
// (item 1813's 18-byte field thus also carries the 8 bytes after its 10-byte
// setting).  Any other field receives the raw read's value directly, in the
// width of the item's report type.
bool ReadSettingsToRecord(void *devMode, void *secondary, const FieldListRow *list,
                          void *record) {
    return ForEachField(list, record, [&](const FieldListRow &row, uint8_t *field) {
        if (row.valueType == DMA_VT_STRING || row.valueType == DMA_VT_LOGFONT) {
            const uint8_t *source = FieldAddress(row.itemId, devMode, secondary);
            if (source == nullptr) return false;
            std::memcpy(field, source, row.size);
            return true;
        }
        uint16_t type = 0, area = 0;
        int32_t length = 0;
        return ReadItem(row.itemId, devMode, secondary, &type, &length, field, &area) ==
               DMA_RS_OK;
    });
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
            std::memcpy(r + 4 * i, w + 4 * map[i], 4);
        else
            std::memcpy(w + 4 * map[i], r + 4 * i, 4);
    }
    return true;
}

}  // namespace dma
