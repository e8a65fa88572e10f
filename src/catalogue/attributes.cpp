// attributes.cpp - DMA_QueryAttributes: what kind of value a DMA ID holds
// (integer, string or font) and how large a buffer the caller needs for it,
// for a caller's list of IDs or for every DMA ID that currently reads.
//
// "Available" is defined by the read operations themselves: a DMA ID is
// available when DMA_GetValue reads it, or DMA_GetStringData answers its
// size query, or DMA_GetLogFontData answers its size query.  Only IDs of the
// public map and the two fax header IDs can ever pass one of those tests
// (every other ID fails translation in all three), so the full scan walks the
// compile-time list KnownDmaIdsAscending() instead of all 65535 IDs and
// yields the same IDs in the same ascending order.
#include "catalogue/catalogue.h"
#include "text/text.h"

namespace dma {
namespace {

bool IsFaxHeaderId(uint16_t dmaId) {
    return dmaId == DMA_ID_FAX_HEADER1 || dmaId == DMA_ID_FAX_HEADER2;
}

// The availability test, through the public read operations in their order.
// DMA_GetValue's answer already tells which of the other two can still
// succeed: -2 means a string (or a fax header ID), -7 a font; after any
// other failure (-1 no item, -10 unusable item or failed raw read of an
// integer) the string and font size queries fail as well, so they are not
// made.
bool IsAvailable(DmaContext *context, uint16_t dmaId) {
    int32_t value = 0;
    switch (DMA_GetValue(context, dmaId, &value)) {
    case DMA_OK:
        return true;
    case DMA_E_IS_STRING: {
        uint32_t length = 0;
        return DMA_GetStringData(context, dmaId, nullptr, &length) == DMA_E_MORE_DATA;
    }
    case DMA_E_IS_FONT: {
        uint32_t length = 0;
        return DMA_GetLogFontData(context, dmaId, nullptr, &length) == DMA_E_MORE_DATA;
    }
    default:
        return false;
    }
}

// Walks the known IDs in ascending order, writing the available ones to
// `list` while fewer than `capacity` have been written, and returns how many
// are available in all (which may exceed `capacity`).
uint32_t ScanAvailableIds(DmaContext *context, uint16_t *list, uint32_t capacity) {
    uint32_t count = 0;
    for (uint16_t dmaId : KnownDmaIdsAscending()) {
        if (!IsAvailable(context, dmaId)) continue;
        if (list != nullptr && count < capacity) list[count] = dmaId;
        ++count;
    }
    return count;
}

// The attribute of one DMA ID into one record.  1, or -10 (no record, item
// unusable, string size query not answered, fax header not convertible), or
// -1 (no such DMA ID; fax header without a fax-address block).  A failure
// after the lookup leaves the record holding only its dmaId.
int32_t QueryOneAttribute(DmaContext *context, uint16_t dmaId, AttributeRecord *record) {
    if (record == nullptr) return DMA_E_FAILED;

    if (IsFaxHeaderId(dmaId)) {
        uint32_t length = 0;
        int32_t code = GetFaxHeaderString(dmaId, context->faxAddressBlock, nullptr, &length);
        if (code != DMA_E_MORE_DATA) return code;
        record->dmaId = dmaId;
        record->kind = DMA_ATTR_KIND_STRING;
        record->size = static_cast<int32_t>(length);
        return DMA_OK;
    }

    uint16_t itemId = DmaIdToItemId(dmaId);
    if (itemId == 0) return DMA_E_NO_ID;
    ItemLocation location{};
    if (LookupItem(itemId, context->devMode, context->secondary, &location) != DMA_RS_OK)
        return DMA_E_FAILED;

    record->dmaId = dmaId;
    switch (location.valueType) {
    case DMA_VT_STRING: {
        // The size is the string read's own size-query answer: the field's
        // ANSI capacity, 49 for the 8-bit item 329, the protected length for
        // 0x9001-0x900A.
        uint32_t length = 0;
        if (DMA_GetStringData(context, dmaId, nullptr, &length) != DMA_E_MORE_DATA)
            return DMA_E_FAILED;
        record->kind = DMA_ATTR_KIND_STRING;
        record->size = static_cast<int32_t>(length);
        return DMA_OK;
    }
    case DMA_VT_LOGFONT:
        record->kind = DMA_ATTR_KIND_LOGFONT;
        record->size = static_cast<int32_t>(sizeof(LOGFONTA));
        return DMA_OK;
    default:
        record->kind = DMA_ATTR_KIND_SCALAR;
        record->size = 4;
        return DMA_OK;
    }
}

// Full scan without a caller's list.  A size query (no records, or a
// capacity below the number n of available IDs) stores n in *idCount and
// returns -5; no available ID at all is -10.  Otherwise the available IDs are
// gathered into a zero-filled GlobalAlloc buffer of *idCount entries, their
// attributes are written to the first n records, and the buffer is released;
// *idCount stays as the caller set it.
//
// The filling call gathers and counts in one walk; when the buffer cannot be
// allocated, a counting walk still decides between -5 (capacity too small,
// which needs no buffer) and -10, so the answers are those of a count
// followed by a separate gathering pass.
int32_t QueryAllAttributes(DmaContext *context, uint16_t *idCount, AttributeRecord *attrRecords) {
    const uint32_t capacity = *idCount;

    auto answerWithoutBuffer = [&]() -> int32_t {
        uint32_t available = ScanAvailableIds(context, nullptr, 0);
        if (available == 0) return DMA_E_FAILED;
        if (attrRecords == nullptr || capacity < available) {
            *idCount = static_cast<uint16_t>(available);
            return DMA_E_MORE_DATA;
        }
        return DMA_E_FAILED;  // only reached when the allocation failed
    };

    if (attrRecords == nullptr || capacity == 0) return answerWithoutBuffer();

    auto *ids = static_cast<uint16_t *>(GlobalAlloc(GMEM_ZEROINIT, SIZE_T{capacity} * 2));
    if (ids == nullptr) return answerWithoutBuffer();

    int32_t result;
    uint32_t available = ScanAvailableIds(context, ids, capacity);
    if (available == 0) {
        result = DMA_E_FAILED;
    } else if (capacity < available) {
        *idCount = static_cast<uint16_t>(available);
        result = DMA_E_MORE_DATA;
    } else {
        result = DMA_OK;
        for (uint32_t i = 0; i < available && result == DMA_OK; ++i)
            result = QueryOneAttribute(context, ids[i], &attrRecords[i]);
    }
    GlobalFree(ids);
    return result;
}

}  // namespace
}  // namespace dma

// Attributes of the listed DMA IDs (ids given: *idCount of them, into the
// records at the same indexes, stopping at the first failure), or of every
// available DMA ID (ids null: size query or filling call, see above).
DMA_API DMA_RESULT DMA_QueryAttributes(DmaContext *context, uint16_t *idCount, const uint16_t *ids,
                                       AttributeRecord *attrRecords) {
    using namespace dma;
    if (context == nullptr || idCount == nullptr) return Result(DMA_E_FAILED);

    if (ids != nullptr) {
        const uint32_t count = *idCount;
        for (uint32_t i = 0; i < count; ++i) {
            AttributeRecord *record = attrRecords != nullptr ? &attrRecords[i] : nullptr;
            int32_t code = QueryOneAttribute(context, ids[i], record);
            if (code != DMA_OK) return Result(code);
        }
        return Result(DMA_OK);
    }
    return Result(QueryAllAttributes(context, idCount, attrRecords));
}
