// records_fixture.h - helpers shared by the record and user-settings tests:
// the address of an item inside the caller's records, records filled with
// distinct valid values by their field list, and a field-by-field comparison.
#pragma once

#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "records/records.h"
#include "support/test_support.h"

namespace dmatest {

// Where an item's value lives in the fixture's records (fails the test when
// the catalogue cannot place it).
inline dma::ItemLocation Locate(uint16_t item, void *devMode, void *secondary) {
    dma::ItemLocation loc{};
    EXPECT_EQ(dma::LookupItem(item, devMode, secondary, &loc), DMA_RS_OK) << "item " << item;
    return loc;
}
inline uint8_t *ItemAddress(Records &r, uint16_t item) {
    return Locate(item, r.ctx.devMode, r.ctx.secondary).address;
}

// Capacity in bytes that a string field can really carry: the smaller of the
// field and the setting (item 1813's field is wider than its setting).
inline uint32_t UsableStringBytes(const dma::FieldListRow &row) {
    uint16_t area = 0;
    const dma::ItemDescriptor *item = dma::FindItemRow(row.itemId, &area);
    if (item == nullptr) return row.size;
    return item->size < row.size ? item->size : row.size;
}

// A short text for a string field that differs with item and seed.
inline std::u16string FieldText(const dma::FieldListRow &row, int seed) {
    size_t units = UsableStringBytes(row) / 2 - 1;
    if (units > 6) units = 6;
    std::u16string text;
    for (size_t k = 0; k < units; ++k)
        text.push_back(static_cast<char16_t>(u'A' + (row.itemId + seed + k) % 26));
    return text;
}

// Writes a distinct valid value into every field of the list: strings that
// fit their setting, a LOGFONTW with a terminated face name, flags 0 or 1
// (seed parity), other scalars derived from item and seed.
inline void FillRecord(std::span<const dma::FieldListRow> list, uint8_t *record, int seed) {
    for (const dma::FieldListRow &row : list) {
        uint8_t *field = record + row.offset;
        switch (row.valueType) {
        case DMA_VT_STRING:
            WriteU16(field, FieldText(row, seed));
            break;
        case DMA_VT_LOGFONT: {
            LOGFONTW font{};
            font.lfHeight = -(10 + seed);
            font.lfWeight = 400 + seed;
            font.lfItalic = static_cast<uint8_t>(seed & 1);
            font.lfCharSet = 1;
            WriteU16(font.lfFaceName, U16(seed & 1 ? "Courier" : "Arial"));
            std::memcpy(field, &font, sizeof font);
            break;
        }
        case DMA_VT_FLAG:
            dma::Store32(field, static_cast<uint32_t>(seed & 1));
            break;
        case DMA_VT_BYTE:
            field[0] = static_cast<uint8_t>(((row.itemId + seed) & 0x7F) | 1);
            break;
        case DMA_VT_WORD:
        case DMA_VT_SHORT:
            dma::Store16(field, static_cast<uint16_t>(row.itemId * 3 + seed));
            break;
        default:
            dma::Store32(field, static_cast<uint32_t>(row.itemId * 1000 + seed));
            break;
        }
    }
}

// Compares the meaningful content of every field of two records: string
// text, whole fonts, the stored width of scalars.
inline void ExpectSameFields(std::span<const dma::FieldListRow> list, const uint8_t *a,
                             const uint8_t *b) {
    for (const dma::FieldListRow &row : list) {
        const uint8_t *fa = a + row.offset, *fb = b + row.offset;
        SCOPED_TRACE("item " + std::to_string(row.itemId));
        switch (row.valueType) {
        case DMA_VT_STRING:
            EXPECT_EQ(ReadU16(fa, row.size / 2), ReadU16(fb, row.size / 2));
            break;
        case DMA_VT_LOGFONT:
            EXPECT_EQ(0, std::memcmp(fa, fb, 92));
            break;
        case DMA_VT_BYTE:
            EXPECT_EQ(fa[0], fb[0]);
            break;
        case DMA_VT_WORD:
        case DMA_VT_SHORT:
            EXPECT_EQ(dma::Load16(fa), dma::Load16(fb));
            break;
        default:
            EXPECT_EQ(dma::Load32(fa), dma::Load32(fb));
            break;
        }
    }
}

// Offset of an item's field in a list (-1 when the list has none).
inline int64_t FieldOffset(std::span<const dma::FieldListRow> list, uint16_t item) {
    for (const dma::FieldListRow &row : list)
        if (row.itemId == item) return row.offset;
    return -1;
}

// A caller's array of `count` elements of `elementSize` bytes with their
// state bytes, both guarded.
struct ArrayFixture {
    ArrayFixture(uint32_t count, uint32_t elementSize)
        : count(count), elementSize(elementSize),
          elements(size_t{count} * elementSize), states(count) {}
    RecordArray Descriptor() {
        return RecordArray{count, elementSize, states.data(), elements.data()};
    }
    uint8_t *At(uint32_t i) { return elements.data() + size_t{elementSize} * i; }
    uint8_t &State(uint32_t i) { return states.data()[i]; }
    bool CanariesIntact() const { return elements.CanariesIntact() && states.CanariesIntact(); }
    uint32_t count, elementSize;
    Guarded elements;
    Guarded states;
};

}  // namespace dmatest
