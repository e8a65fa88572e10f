// reference_model.cpp - linear-scan forms of the catalogue lookups and of the
// operations built on them, for the benchmark's side-by-side timings.  They
// read the library's own constant tables, so both sides see the same data;
// the lookups themselves are the stored-order scans that the tests keep in
// tests/support/reference_scans.cpp.
#include "reference_model.h"

#include <cstring>
#include <vector>

#include "support/reference_scans.h"
#include "text/text.h"

namespace ref {

// The catalogue and map walks are the tests' stored-order scans.
RawStatus LookupItem(uint16_t itemId, void *devMode, void *secondary, dma::ItemLocation *out) {
    return dmatest::ScanLookupItem(itemId, devMode, secondary, out);
}

bool FindFlagMask(uint16_t itemId, uint32_t *mask) { return dmatest::ScanFindFlagMask(itemId, mask); }

uint16_t DmaIdToItemId(uint16_t dmaId) { return dmatest::ScanDmaIdToItemId(dmaId); }

uint16_t ItemIdToDmaId(uint16_t itemId) { return dmatest::ScanItemIdToDmaId(itemId); }

namespace {

bool InFlagGroup(uint16_t itemId) {
    return (itemId >= 1281 && itemId <= 1376) || (itemId >= 2305 && itemId <= 2560) ||
           (itemId >= 4097 && itemId <= 4161) || (itemId >= 4609 && itemId <= 4640);
}

}  // namespace

RawStatus RawRead(uint16_t itemId, void *devMode, void *secondary, uint16_t *typeOut,
                  int32_t *lengthOut, void *buffer, uint16_t *areaOut) {
    if (typeOut == nullptr || lengthOut == nullptr || buffer == nullptr) return DMA_RS_FAILED;
    dma::ItemLocation loc{};
    RawStatus status = ref::LookupItem(itemId, devMode, secondary, &loc);
    if (status == DMA_RS_OK || status == DMA_RS_FAILED) *areaOut = loc.area;
    if (status != DMA_RS_OK) return status;

    const uint8_t *dm = static_cast<const uint8_t *>(devMode);
    if (itemId == 311 && dma::Load32(dm + 596) != dma::Load32(dm + 600)) return DMA_RS_FAILED;

    uint8_t source[8] = {};
    int32_t copyLength = loc.width;
    if (itemId == 14) {
        dma::Store32(source, (uint32_t{dma::Load16(dm + 90)} << 16) | dma::Load16(dm + 96));
        copyLength = 4;
    } else if (itemId >= 392 && itemId <= 403) {
        static constexpr uint32_t kByteMasks[3] = {0xFF, 0xFF00, 0xFF0000};
        dma::Store32(source, dma::Load32(loc.address) & kByteMasks[(itemId - 392) % 3]);
        copyLength = 4;
    } else if (InFlagGroup(itemId)) {
        uint32_t mask;
        if (!FindFlagMask(itemId, &mask)) return DMA_RS_FAILED;
        bool set = (dma::Load32(loc.address) & mask) != 0;
        dma::Store32(source, (itemId == 1284 ? !set : set) ? 1u : 0u);
        copyLength = 4;
    } else if (loc.valueType == DMA_VT_STRING || loc.valueType == DMA_VT_LOGFONT) {
        std::memcpy(source, &loc.offset, 8);
    } else {
        std::memcpy(source, loc.address, static_cast<size_t>(loc.width));
    }

    uint16_t presented = loc.valueType;
    int32_t presentedWidth = loc.width;
    if (loc.reportType != 0) {
        if (!dma::ValueTypeWidth(itemId, loc.reportType, &presentedWidth)) return DMA_RS_FAILED;
        presented = loc.reportType;
    }
    std::memset(buffer, 0, static_cast<size_t>(presentedWidth));
    std::memcpy(buffer, source, static_cast<size_t>(copyLength));

    int32_t length = presentedWidth;
    if (loc.valueType == DMA_VT_STRING)
        length = 2 * static_cast<int32_t>(dma::WideLengthWithin(loc.address, loc.size / 2)) + 2;
    else if (loc.valueType == DMA_VT_LOGFONT)
        length = 92;
    *typeOut = presented;
    *lengthOut = length;
    return DMA_RS_OK;
}

namespace {

bool IsFaxHeaderId(uint16_t dmaId) { return dmaId == 0xA001 || dmaId == 0xA002; }

}  // namespace

int32_t GetValue(DmaContext *context, uint16_t dmaId, int32_t *value) {
    if (IsFaxHeaderId(dmaId)) return DMA_E_IS_STRING;
    uint16_t itemId = DmaIdToItemId(dmaId);
    if (itemId == 0) return DMA_E_NO_ID;
    dma::ItemLocation loc{};
    if (ref::LookupItem(itemId, context->devMode, context->secondary, &loc) != DMA_RS_OK)
        return DMA_E_FAILED;
    if (loc.valueType == DMA_VT_STRING) return DMA_E_IS_STRING;
    if (loc.valueType == DMA_VT_LOGFONT) return DMA_E_IS_FONT;
    if (value == nullptr) return DMA_E_FAILED;
    *value = 0;
    uint16_t type, area;
    int32_t length;
    return RawRead(itemId, context->devMode, context->secondary, &type, &length, value, &area) ==
                   DMA_RS_OK
               ? DMA_OK
               : DMA_E_FAILED;
}

namespace {

// The first steps of both size queries: the DMA ID's item, found by the
// stored-order scans.  Returns DMA_OK with `itemId` and `loc` filled in, or
// the query's result.
int32_t LocateForSizeQuery(DmaContext *context, uint16_t dmaId, uint16_t *itemId, dma::ItemLocation *loc) {
    *itemId = DmaIdToItemId(dmaId);
    if (*itemId == 0) return DMA_E_NO_ID;
    *loc = dma::ItemLocation{};
    if (ref::LookupItem(*itemId, context->devMode, context->secondary, loc) != DMA_RS_OK) return DMA_E_FAILED;
    return DMA_OK;
}

}  // namespace

int32_t GetStringDataSizeQuery(DmaContext *context, uint16_t dmaId, uint32_t *length) {
    if (IsFaxHeaderId(dmaId))
        return dma::GetFaxHeaderString(dmaId, context->faxAddressBlock, nullptr, length);
    uint16_t itemId;
    dma::ItemLocation loc;
    if (const int32_t r = LocateForSizeQuery(context, dmaId, &itemId, &loc); r != DMA_OK) return r;
    if (loc.valueType == DMA_VT_LOGFONT) return DMA_E_IS_FONT;
    if (loc.valueType != DMA_VT_STRING) return DMA_E_WRONG_TYPE;
    if (*length != 0) return DMA_E_FAILED;  // only the size query is modelled
    if (dmaId >= DMA_ID_PROTECTED_FIRST && dmaId <= DMA_ID_PROTECTED_LAST)
        *length = dma::ProtectedStringLength(dmaId);
    else
        *length = itemId == 329 ? loc.size : loc.size / 2;
    return DMA_E_MORE_DATA;
}

int32_t GetLogFontDataSizeQuery(DmaContext *context, uint16_t dmaId, uint32_t *length) {
    if (IsFaxHeaderId(dmaId)) return DMA_E_IS_STRING;
    uint16_t itemId;
    dma::ItemLocation loc;
    if (const int32_t r = LocateForSizeQuery(context, dmaId, &itemId, &loc); r != DMA_OK) return r;
    if (loc.valueType == DMA_VT_STRING) return DMA_E_IS_STRING;
    if (loc.valueType != DMA_VT_LOGFONT) return DMA_E_WRONG_TYPE;
    if (*length != 0) return DMA_E_FAILED;
    *length = 60;
    return DMA_E_MORE_DATA;
}

namespace {

bool Available(DmaContext *context, uint16_t dmaId) {
    int32_t value = 0;
    if (GetValue(context, dmaId, &value) == DMA_OK) return true;
    uint32_t length = 0;
    if (GetStringDataSizeQuery(context, dmaId, &length) == DMA_E_MORE_DATA) return true;
    length = 0;
    return GetLogFontDataSizeQuery(context, dmaId, &length) == DMA_E_MORE_DATA;
}

int32_t ScanAvailableIds(DmaContext *context, int32_t *byteSize, uint16_t *count, uint16_t *list) {
    int32_t found = 0;
    for (uint32_t id = 1; id <= 0xFFFF; ++id)
        if (Available(context, static_cast<uint16_t>(id))) ++found;
    if (list == nullptr || *byteSize < 2 * found) {
        *byteSize = 2 * found;
        return DMA_E_MORE_DATA;
    }
    int32_t at = 0;
    for (uint32_t id = 1; id <= 0xFFFF; ++id)
        if (Available(context, static_cast<uint16_t>(id))) list[at++] = static_cast<uint16_t>(id);
    *count = static_cast<uint16_t>(found);
    return DMA_OK;
}

int32_t QueryOneAttribute(DmaContext *context, uint16_t dmaId, AttributeRecord *record) {
    if (record == nullptr) return DMA_E_FAILED;
    if (IsFaxHeaderId(dmaId)) {
        uint32_t length = 0;
        int32_t code = dma::GetFaxHeaderString(dmaId, context->faxAddressBlock, nullptr, &length);
        if (code != DMA_E_MORE_DATA) return code;
        *record = AttributeRecord{dmaId, DMA_ATTR_KIND_STRING, static_cast<int32_t>(length)};
        return DMA_OK;
    }
    uint16_t itemId = DmaIdToItemId(dmaId);
    if (itemId == 0) return DMA_E_NO_ID;
    dma::ItemLocation loc{};
    if (ref::LookupItem(itemId, context->devMode, context->secondary, &loc) != DMA_RS_OK)
        return DMA_E_FAILED;
    record->dmaId = dmaId;
    if (loc.valueType == DMA_VT_STRING) {
        uint32_t length = 0;
        if (GetStringDataSizeQuery(context, dmaId, &length) != DMA_E_MORE_DATA) return DMA_E_FAILED;
        record->kind = DMA_ATTR_KIND_STRING;
        record->size = static_cast<int32_t>(length);
    } else if (loc.valueType == DMA_VT_LOGFONT) {
        record->kind = DMA_ATTR_KIND_LOGFONT;
        record->size = 60;
    } else {
        record->kind = DMA_ATTR_KIND_SCALAR;
        record->size = 4;
    }
    return DMA_OK;
}

}  // namespace

int32_t QueryAttributes(DmaContext *context, uint16_t *idCount, const uint16_t *ids,
                        AttributeRecord *attrRecords) {
    if (context == nullptr || idCount == nullptr) return DMA_E_FAILED;
    if (ids != nullptr) {
        for (uint32_t i = 0; i < *idCount; ++i) {
            int32_t code = QueryOneAttribute(context, ids[i], attrRecords ? &attrRecords[i] : nullptr);
            if (code != DMA_OK) return code;
        }
        return DMA_OK;
    }
    int32_t byteSize = 0;
    uint16_t ignored = 0;
    ScanAvailableIds(context, &byteSize, &ignored, nullptr);
    uint16_t n = static_cast<uint16_t>(byteSize / 2);
    if (n == 0) return DMA_E_FAILED;
    if (attrRecords == nullptr || *idCount < n) {
        *idCount = n;
        return DMA_E_MORE_DATA;
    }
    auto *list = static_cast<uint16_t *>(GlobalAlloc(GMEM_ZEROINIT, SIZE_T{*idCount} * 2));
    if (list == nullptr) return DMA_E_FAILED;
    byteSize = 2 * *idCount;
    uint16_t listed = 0;
    int32_t result = ScanAvailableIds(context, &byteSize, &listed, list);
    if (result == DMA_OK)
        for (uint16_t i = 0; i < n && result == DMA_OK; ++i)
            result = QueryOneAttribute(context, list[i], &attrRecords[i]);
    GlobalFree(list);
    return result;
}

int32_t EnumCatalogue(uint16_t *entryCount, DmaIdEntry *entries) {
    uint32_t n = 0;
    for (const dma::ItemRange &range : dma::RangeDirectory()) {
        for (const dma::ItemDescriptor *row = range.items; row->itemId != 0; ++row) {
            uint16_t dmaId = ItemIdToDmaId(row->itemId);
            if (dmaId == 0) continue;
            if (entries != nullptr) {
                if (n == *entryCount) return DMA_E_MORE_DATA;
                entries[n].dmaId = dmaId;
                uint32_t bits = row->valueType == DMA_VT_STRING    ? DMA_DMAID_ATTR_STRING
                                : row->valueType == DMA_VT_LOGFONT ? DMA_DMAID_ATTR_LOGFONT
                                                                   : 0u;
                entries[n].attributes = (entries[n].attributes & ~3u) | bits;
            }
            ++n;
        }
    }
    *entryCount = static_cast<uint16_t>(n);
    return entries != nullptr ? DMA_OK : DMA_E_MORE_DATA;
}

}  // namespace ref
