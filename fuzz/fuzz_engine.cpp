// fuzz_engine.cpp - fuzz target for the raw engine, dma_GetValue and
// dma_SetValue: random item IDs (catalogued ones most of the time), declared
// types, lengths and values over records with random contents, with null
// pointers now and then.
//
// Beyond "no crash" it checks after every call:
// - only single-bit statuses come back;
// - a read changes neither record, writes no more of the caller's buffer
//   than the presented width, and nothing at all on a failed lookup;
// - a refused write (bad type, size, width, no range) changes nothing; a
//   failed write changes at most the item's own place, and only for the
//   three items whose linked write comes after it; a successful write changes
//   only the item's place, its mirrored place and its derived item;
// - a successful text write copies exactly the text with its terminator
//   (item 259: within a declared length, if given, and at most 62 bytes); a
//   successful flag write reads back as what was written; an ordinary scalar
//   write reads back as the value's low bytes;
// - the guard bytes around records, values and outputs are intact.
#include <algorithm>
#include <vector>

#include "catalogue/catalogue.h"
#include "fuzz_support.h"

using namespace dmafuzz;

namespace {

const std::vector<uint16_t> &CataloguedItems() {
    static const std::vector<uint16_t> items = [] {
        std::vector<uint16_t> v;
        for (const dma::ItemRange &r : dma::RangeDirectory())
            for (uint16_t i = 0; i < r.rowCount; ++i) v.push_back(r.items[i].itemId);
        return v;
    }();
    return items;
}

bool IsFlagGroup(uint16_t id) {
    return (id >= 1281 && id <= 1376) || (id >= 2305 && id <= 2560) ||
           (id >= 4097 && id <= 4161) || (id >= 4609 && id <= 4640);
}
bool IsPacked(uint16_t id) { return id >= 392 && id <= 403; }

// Offset of an address inside the record that holds it.
size_t OffsetIn(const Guarded &g, const uint8_t *p) { return static_cast<size_t>(p - g.data()); }

// The places a successful write of `item` may change, per record.
struct Places {
    std::vector<Span> devMode, secondary;
};

// Adds an item's own place (width by its kind) to the places.
void AddItemPlace(uint16_t item, SettingsRecords &rec, void *dm, void *sec, Places &p) {
    dma::ItemLocation loc{};
    if (dma::LookupItem(item, dm, sec, &loc) != DMA_RS_OK || loc.address == nullptr) return;
    size_t width = static_cast<size_t>(loc.width);
    if (loc.valueType == DMA_VT_STRING || loc.valueType == DMA_VT_LOGFONT) width = loc.size;
    if (IsFlagGroup(item) || IsPacked(item)) width = 4;
    if (item == 14) width = 2;
    const bool inDevMode = loc.area == DMA_SA_DEVMODE || loc.area == DMA_SA_DEVMODE_EXT;
    Guarded &g = inDevMode ? rec.devMode : rec.secondary;
    const size_t at = OffsetIn(g, loc.address);
    (inDevMode ? p.devMode : p.secondary).push_back({at, at + width});
}

Places WritePlaces(uint16_t item, SettingsRecords &rec, void *dm, void *sec, bool withLinked) {
    Places p;
    AddItemPlace(item, rec, dm, sec, p);
    if (item == 14) p.devMode.push_back({96, 98});
    if (item == 311) p.devMode.push_back({600, 604});
    if (item == 364) p.devMode.push_back({828, 832});
    if (withLinked) {
        if (item == 267) AddItemPlace(325, rec, dm, sec, p);
        if (item == 320) AddItemPlace(326, rec, dm, sec, p);
        if (item == 341) AddItemPlace(344, rec, dm, sec, p);
    }
    return p;
}

uint16_t PickItem(FuzzedDataProvider &in) {
    const auto &items = CataloguedItems();
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return in.ConsumeIntegral<uint16_t>();
    case 1: return in.ConsumeIntegralInRange<uint16_t>(0, 5000);
    default: return items[in.ConsumeIntegralInRange<size_t>(0, items.size() - 1)];
    }
}

void FuzzRead(FuzzedDataProvider &in, SettingsRecords &rec) {
    const uint16_t item = PickItem(in);
    void *dm = in.ConsumeIntegralInRange<int>(0, 15) == 0 ? nullptr : rec.devMode.data();
    void *sec = in.ConsumeIntegralInRange<int>(0, 15) == 0 ? nullptr : rec.secondary.data();
    Guarded type(2, 0xEE), length(4, 0xEE), buffer(8, 0xEE), area(2, 0xEE);
    const int nulls = in.ConsumeIntegralInRange<int>(0, 31);
    const Snapshot dmBefore(rec.devMode), secBefore(rec.secondary), bufBefore(buffer),
        typeBefore(type), lengthBefore(length), areaBefore(area);

    const RawStatus s = dma_GetValue(item, dm, sec,
                                     nulls == 1 ? nullptr : reinterpret_cast<uint16_t *>(type.data()),
                                     nulls == 2 ? nullptr : reinterpret_cast<int32_t *>(length.data()),
                                     nulls == 3 ? nullptr : buffer.data(),
                                     reinterpret_cast<uint16_t *>(area.data()));
    FUZZ_CHECK(DocumentedStatus(s));
    FUZZ_CHECK(s != DMA_RS_BAD_TYPE && s != DMA_RS_BAD_SIZE && s != DMA_RS_BAD_WIDTH);
    FUZZ_CHECK(rec.Intact() && type.Intact() && length.Intact() && buffer.Intact() && area.Intact());
    FUZZ_CHECK(dmBefore.Unchanged() && secBefore.Unchanged());
    if (nulls >= 1 && nulls <= 3) FUZZ_CHECK(s == DMA_RS_FAILED);
    if (s != DMA_RS_OK) {
        FUZZ_CHECK(bufBefore.Unchanged() && typeBefore.Unchanged() && lengthBefore.Unchanged());
        if (s == DMA_RS_NO_RANGE) FUZZ_CHECK(areaBefore.Unchanged());
        return;
    }
    const uint16_t presented = dma::Load16(type.data());
    int32_t width = 0;
    FUZZ_CHECK(dma::ValueTypeWidth(item, presented, &width));
    FUZZ_CHECK(width >= 1 && width <= 8);
    // At least the 32-bit value of the special items, else the presented width.
    const size_t written = (IsFlagGroup(item) || IsPacked(item) || item == 14 || item == 311) ? 4 : width;
    FUZZ_CHECK(bufBefore.ChangesWithin({{0, written > size_t(width) ? written : size_t(width)}}));
    const int32_t reported = static_cast<int32_t>(dma::Load32(length.data()));
    dma::ItemLocation loc{};
    FUZZ_CHECK(dma::LookupItem(item, dm, sec, &loc) == DMA_RS_OK);
    FUZZ_CHECK(dma::Load16(area.data()) == loc.area);
    if (loc.valueType == DMA_VT_STRING) {
        FUZZ_CHECK(reported >= 2 && reported % 2 == 0 && uint32_t(reported) <= loc.size + 2);
        FUZZ_CHECK(dma::Load32(buffer.data()) == loc.offset);
    } else if (loc.valueType == DMA_VT_LOGFONT) {
        FUZZ_CHECK(reported == 92);
    } else if (IsFlagGroup(item)) {
        FUZZ_CHECK(dma::Load32(buffer.data()) <= 1);
    } else {
        FUZZ_CHECK(reported == width);
    }
}

void FuzzWrite(FuzzedDataProvider &in, SettingsRecords &rec) {
    const uint16_t item = PickItem(in);
    void *dm = in.ConsumeIntegralInRange<int>(0, 15) == 0 ? nullptr : rec.devMode.data();
    void *sec = in.ConsumeIntegralInRange<int>(0, 15) == 0 ? nullptr : rec.secondary.data();
    dma::ItemLocation loc{};
    const RawStatus found = dma::LookupItem(item, dm, sec, &loc);

    // Declared type: the item's own types most of the time.
    uint16_t declared;
    switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0: declared = in.ConsumeIntegral<uint16_t>(); break;
    case 1: declared = in.ConsumeIntegralInRange<uint16_t>(0, 11); break;
    case 2: declared = loc.reportType; break;
    default: declared = loc.valueType; break;
    }
    int32_t declaredWidth = 0;
    dma::ValueTypeWidth(item, declared, &declaredWidth);
    int32_t length;
    switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0: length = in.ConsumeIntegral<int32_t>(); break;
    case 1: length = static_cast<int32_t>(loc.size) + in.ConsumeIntegralInRange<int32_t>(-4, 4); break;
    case 2: length = in.ConsumeIntegralInRange<int32_t>(-2, 100); break;
    default: length = declaredWidth; break;
    }

    // The value: 8 guarded bytes; for texts and fonts they hold a pointer to
    // a guarded, zero-terminated text or a guarded LOGFONTW.
    Guarded value(8);
    value.FillFrom(in, 0, 8);
    Guarded pointee;
    const bool byPointer = loc.valueType == DMA_VT_STRING || loc.valueType == DMA_VT_LOGFONT ||
                           declared == DMA_VT_STRING || declared == DMA_VT_LOGFONT;
    size_t textUnits = 0;
    if (byPointer && in.ConsumeIntegralInRange<int>(0, 15) != 0) {
        if (loc.valueType == DMA_VT_LOGFONT) {
            pointee.Reset(92);
            pointee.FillFrom(in, 0, 92);
        } else {
            textUnits = in.ConsumeIntegralInRange<size_t>(0, 140);
            pointee.Reset(2 * textUnits + 2, 0);
            for (size_t i = 0; i < textUnits; ++i) {
                uint16_t c = in.ConsumeIntegral<uint16_t>();
                if (c == 0 && in.ConsumeBool()) c = 'x';
                dma::Store16(pointee.data() + 2 * i, c);
            }
        }
        const uint8_t *p = pointee.data();
        std::memcpy(value.data(), &p, sizeof p);
    } else if (byPointer) {
        std::memset(value.data(), 0, 8);  // a null text or font pointer
    }
    const bool nullValue = in.ConsumeIntegralInRange<int>(0, 31) == 0;

    const Snapshot dmBefore(rec.devMode), secBefore(rec.secondary), valueBefore(value);
    const Snapshot pointeeBefore(pointee);
    const RawStatus s = dma_SetValue(item, dm, sec, declared, length, nullValue ? nullptr : value.data());

    FUZZ_CHECK(DocumentedStatus(s));
    FUZZ_CHECK(rec.Intact() && value.Intact() && pointee.Intact());
    FUZZ_CHECK(valueBefore.Unchanged() && pointeeBefore.Unchanged());
    FUZZ_CHECK(found == DMA_RS_OK || s == found || nullValue);
    if (nullValue) FUZZ_CHECK(s == DMA_RS_FAILED);

    const bool linked = item == 267 || item == 320 || item == 341;
    if (s != DMA_RS_OK && !(s == DMA_RS_FAILED && linked)) {
        FUZZ_CHECK(dmBefore.Unchanged() && secBefore.Unchanged());
        return;
    }
    const Places places = WritePlaces(item, rec, dm, sec, s == DMA_RS_OK);
    FUZZ_CHECK(dmBefore.ChangesWithin(places.devMode));
    FUZZ_CHECK(secBefore.ChangesWithin(places.secondary));
    if (s != DMA_RS_OK) return;

    FUZZ_CHECK(found == DMA_RS_OK);
    if (loc.valueType == DMA_VT_STRING) {
        // Exactly the text and its terminator, counted within the field.
        // Item 259 also stops at a declared length (when one is given) and
        // then stores the declared bytes whole if no terminator lies within.
        const size_t scan =
            item == 259 && length > 0 ? std::min<size_t>(length / 2, loc.size / 2) : loc.size / 2;
        size_t units = dma::WideLengthWithin(pointee.data(), scan);
        size_t bytes = item == 259 && units == scan ? 2 * units : 2 * units + 2;
        if (item == 259 && bytes >= 64) bytes = 62;
        FUZZ_CHECK(std::memcmp(loc.address, pointee.data(), bytes) == 0);
        if (item != 259) FUZZ_CHECK(bytes <= loc.size && int64_t(bytes) <= length);
        const Guarded &g = loc.area == DMA_SA_SECONDARY ? rec.secondary : rec.devMode;
        const Snapshot &before = loc.area == DMA_SA_SECONDARY ? secBefore : dmBefore;
        const size_t at = static_cast<size_t>(loc.address - g.data());
        FUZZ_CHECK(before.ChangesWithin({{at, at + bytes}}));
    } else if (loc.valueType == DMA_VT_LOGFONT) {
        FUZZ_CHECK(std::memcmp(loc.address, pointee.data(), 92) == 0);
    } else if (IsFlagGroup(item)) {
        uint16_t t = 0, a = 0;
        int32_t l = 0;
        uint8_t back[8] = {};
        FUZZ_CHECK(dma_GetValue(item, dm, sec, &t, &l, back, &a) == DMA_RS_OK);
        const bool expectSet = item == 1284 ? (value.data()[0] & 1) != 0 : value.data()[0] != 0;
        FUZZ_CHECK(dma::Load32(back) == (expectSet ? 1u : 0u));
    } else if (!IsPacked(item) && item != 14 && !linked) {
        // Ordinary scalar: the value's low bytes, narrowed to the stored width.
        FUZZ_CHECK(std::memcmp(loc.address, value.data(), static_cast<size_t>(loc.width)) == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    SettingsRecords rec;
    rec.Patch(in, in.ConsumeIntegralInRange<int>(0, 8));
    int calls = in.ConsumeIntegralInRange<int>(1, 16);
    while (calls-- > 0 && in.remaining_bytes() > 0) {
        if (in.ConsumeBool())
            FuzzRead(in, rec);
        else
            FuzzWrite(in, rec);
        FUZZ_CHECK(NoLiveBlocks());
    }
    return 0;
}
