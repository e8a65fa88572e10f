// run_notation.h - the compact notation in which the catalogue and the public
// ID map are written, and its compile-time expansion.
//
// The tables are maintained as runs of consecutive IDs, exactly as the layout
// documents list them ("274-285 SHORT 328", "297-298 STRING 382 same (66)",
// "0x101-0x120 -> 257-288"), and expanded by consteval functions into the row
// tables that the library uses, in the order the runs are written.  Nothing
// here exists at run time except the expanded arrays.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "catalogue/catalogue.h"

namespace dma::notation {

// A value type as the listing writes it: the stored type, optionally followed
// by the type reported to callers ("BYTE/WORD").
struct Type {
    uint16_t stored;
    uint16_t report;  // 0 = same as stored
};

inline constexpr Type FLAG{DMA_VT_FLAG, 0};
inline constexpr Type SHORT{DMA_VT_SHORT, 0};
inline constexpr Type WORD{DMA_VT_WORD, 0};
inline constexpr Type INT{DMA_VT_INT, 0};
inline constexpr Type DWORD{DMA_VT_DWORD, 0};
inline constexpr Type STRING{DMA_VT_STRING, 0};
inline constexpr Type BYTE{DMA_VT_BYTE, 0};
inline constexpr Type LOGFONT{DMA_VT_LOGFONT, 0};
inline constexpr Type LONG{DMA_VT_LONG, 0};
inline constexpr Type BYTE_WORD{DMA_VT_BYTE, DMA_VT_WORD};
inline constexpr Type FLAG_DWORD{DMA_VT_FLAG, DMA_VT_DWORD};
inline constexpr Type FLAG_BYTE{DMA_VT_FLAG, DMA_VT_BYTE};
inline constexpr Type FLAG_WORD{DMA_VT_FLAG, DMA_VT_WORD};

// Every LOGFONTW is held whole.
inline constexpr uint32_t kLogFontSize = sizeof(LOGFONTW);

// Distance from one item of a run to the next when the listing gives no
// step: the stored width, or the capacity for texts and fonts.
constexpr uint64_t NaturalStride(uint16_t storedType, uint32_t size) {
    switch (storedType) {
    case DMA_VT_SHORT: case DMA_VT_WORD: return 2;
    case DMA_VT_BYTE: return 1;
    case DMA_VT_STRING: case DMA_VT_LOGFONT: return size;
    default: return 4;  // FLAG, INT, DWORD, LONG
    }
}

// One run of items: first-last TYPE offset [same | step N] [(size)].
struct ItemRun {
    uint16_t first;
    uint16_t last;
    Type type;
    uint64_t offset;
    uint32_t size = 0;
    bool same = false;        // every item of the run at `offset`
    uint64_t step = 0;        // explicit distance, 0 = natural stride

    constexpr ItemRun Same() const { ItemRun r = *this; r.same = true; return r; }
    constexpr size_t Count() const {
        if (last < first) throw "run with last below first";
        return size_t{last} - first + 1;
    }
    constexpr ItemRun Step(uint64_t s) const { ItemRun r = *this; r.step = s; return r; }
};

// "first-last TYPE offset (size)"
constexpr ItemRun Items(uint16_t first, uint16_t last, Type type, uint64_t offset,
                        uint32_t size = 0) {
    if (type.stored == DMA_VT_LOGFONT && size == 0) size = kLogFontSize;
    return ItemRun{first, last, type, offset, size};
}
// "id TYPE offset (size)": a run of one.
constexpr ItemRun Item(uint16_t id, Type type, uint64_t offset, uint32_t size = 0) {
    return Items(id, id, type, offset, size);
}
// One 32-bit word of a flag group: items first-last share the word at offset.
constexpr ItemRun FlagWord(uint16_t first, uint16_t last, uint64_t offset, Type type = FLAG) {
    return Items(first, last, type, offset).Same();
}

// Rows a table of runs expands to (both kinds of run).
template <typename Run, size_t N>
consteval size_t CountRows(const Run (&runs)[N]) {
    size_t n = 0;
    for (const Run &r : runs) n += r.Count();
    return n;
}

// The lowest and highest key of a table's rows, its ending row left out: the
// bounds of the directory row that holds the table.
struct Bounds {
    uint16_t lo = 0xFFFF, hi = 0;
};
template <typename Row, size_t N, typename Key>
constexpr Bounds KeyBounds(const std::array<Row, N> &rows, Key key) {
    Bounds b;
    for (size_t i = 0; i + 1 < N; ++i) {
        b.lo = std::min<uint16_t>(b.lo, key(rows[i]));
        b.hi = std::max<uint16_t>(b.hi, key(rows[i]));
    }
    return b;
}

// True when no two of the `n` directory rows' bounds overlap.
template <typename Dir, typename Lo, typename Hi>
constexpr bool Disjoint(const Dir *dir, size_t n, Lo lo, Hi hi) {
    for (size_t a = 0; a < n; ++a)
        for (size_t b = a + 1; b < n; ++b)
            if (lo(dir[a]) <= hi(dir[b]) && lo(dir[b]) <= hi(dir[a])) return false;
    return true;
}

// Expands runs into item rows in the order written, plus the all-zero ending row.
template <size_t Rows, size_t N>
consteval std::array<ItemDescriptor, Rows + 1> ExpandItems(const ItemRun (&runs)[N]) {
    std::array<ItemDescriptor, Rows + 1> rows{};
    size_t i = 0;
    for (const ItemRun &r : runs) {
        const uint64_t stride = r.same ? 0 : (r.step ? r.step : NaturalStride(r.type.stored, r.size));
        for (uint32_t id = r.first; id <= r.last; ++id) {
            if (id == 0) throw "item ID 0 ends a table";
            const uint64_t offset = r.offset + stride * (id - r.first);
            if (offset > 0xFFFF) throw "offset past 16 bits";
            rows[i] = ItemDescriptor{static_cast<uint16_t>(id), r.type.stored, r.type.report,
                                     static_cast<uint16_t>(offset), r.size};
            ++i;
        }
    }
    if (i != Rows) throw "row count mismatch";
    return rows;
}

// One run of the public ID map: DMA IDs dmaFirst-dmaLast name the items
// itemFirst, itemFirst+1, ... (both rise by one).
struct IdRun {
    uint16_t dmaFirst;
    uint16_t dmaLast;
    uint16_t itemFirst;

    constexpr size_t Count() const {
        if (dmaLast < dmaFirst) throw "run with last below first";
        return size_t{dmaLast} - dmaFirst + 1;
    }
};

// "dmaFirst-dmaLast -> itemFirst-..."
constexpr IdRun Ids(uint16_t dmaFirst, uint16_t dmaLast, uint16_t itemFirst) {
    return IdRun{dmaFirst, dmaLast, itemFirst};
}
// "dmaId -> itemId": a run of one.
constexpr IdRun Id(uint16_t dmaId, uint16_t itemId) { return IdRun{dmaId, dmaId, itemId}; }


// Expands runs into pairs in the order written, plus the all-zero ending pair.
template <size_t Pairs, size_t N>
consteval std::array<IdPair, Pairs + 1> ExpandPairs(const IdRun (&runs)[N]) {
    std::array<IdPair, Pairs + 1> pairs{};
    size_t i = 0;
    for (const IdRun &r : runs) {
        for (uint32_t d = r.dmaFirst; d <= r.dmaLast; ++d) {
            if (d == 0) throw "DMA ID 0 ends a table";
            const uint32_t item = r.itemFirst + (d - r.dmaFirst);
            if (item == 0 || item > 0xFFFF) throw "item ID out of range";
            pairs[i] = IdPair{static_cast<uint16_t>(d), static_cast<uint16_t>(item)};
            ++i;
        }
    }
    if (i != Pairs) throw "pair count mismatch";
    return pairs;
}

}  // namespace dma::notation
