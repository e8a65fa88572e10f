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
#include "api/open_setting.h"
#include "catalogue/catalogue.h"
#include "catalogue/special_items.h"
#include "engine/engine.h"
#include "text/text.h"

namespace dma {
namespace {

// The fax header texts answer the string size query from the block's content.
int32_t FaxHeaderSize(const DmaContext *context, uint16_t dmaId, uint32_t *length) {
    *length = 0;
    return GetFaxHeaderString(dmaId, context->faxAddressBlock, nullptr, length);
}

// The availability test of the read operations, answered from the setting's
// descriptor: DMA_GetValue reads a scalar whenever its record is there (item
// 311 only while its font's two angle members agree); the string and font
// size queries answer whenever the record is there; the fax header texts as
// their size query does.  Any other DMA ID fails all three.
bool IsAvailable(const DmaContext *context, uint16_t dmaId) {
    const OpenedSetting o = OpenSetting(*context, dmaId);
    switch (o.what) {
    case Opened::Scalar: {
        uint32_t value;
        return ReadScalar(*o.setting, o.place, context->devMode, &value) == DMA_RS_OK;
    }
    case Opened::Text:
    case Opened::Font: return true;
    case Opened::FaxHeader: {
        uint32_t length;
        return FaxHeaderSize(context, dmaId, &length) == DMA_E_MORE_DATA;
    }
    default: return false;
    }
}

// Walks the known IDs in ascending order, writing the available ones to
// `list` while fewer than `capacity` have been written, and returns how many
// are available in all (which may exceed `capacity`).
uint32_t ScanAvailableIds(const DmaContext *context, uint16_t *list, uint32_t capacity) {
    uint32_t count = 0;
    for (uint16_t dmaId : KnownDmaIdsAscending()) {
        if (!IsAvailable(context, dmaId)) continue;
        if (list != nullptr && count < capacity) list[count] = dmaId;
        ++count;
    }
    return count;
}

// The attribute of one DMA ID into one record.  1, or -10 (no record, item
// unusable, fax header not convertible), or -1 (no such DMA ID; fax header
// without a fax-address block).  A failure after the lookup leaves the record
// holding only its dmaId.  The sizes are the read operations' size-query
// answers: 4 for an integer, sizeof(LOGFONTA) for a font, and for a string
// the field's ANSI capacity (W/2; 49 for the 8-bit item 329; the protected
// length for 0x9001-0x900A).
int32_t QueryOneAttribute(const DmaContext *context, uint16_t dmaId, AttributeRecord *record) {
    if (record == nullptr) return DMA_E_FAILED;
    const OpenedSetting o = OpenSetting(*context, dmaId);
    switch (o.what) {
    case Opened::NoId: return DMA_E_NO_ID;
    case Opened::Unusable: return DMA_E_FAILED;
    case Opened::FaxHeader: {
        uint32_t length;
        const int32_t code = FaxHeaderSize(context, dmaId, &length);
        if (code != DMA_E_MORE_DATA) return code;
        record->dmaId = dmaId;
        record->kind = DMA_ATTR_KIND_STRING;
        record->size = static_cast<int32_t>(length);
        return DMA_OK;
    }
    case Opened::Text: {
        const Setting &s = *o.setting;
        record->dmaId = dmaId;
        record->kind = DMA_ATTR_KIND_STRING;
        record->size = static_cast<int32_t>(special::IsProtectedId(dmaId) ? ProtectedStringLength(dmaId)
                                            : s.itemId == special::kNarrowStringItem ? s.size
                                                                                     : s.size / 2u);
        return DMA_OK;
    }
    case Opened::Font:
        record->dmaId = dmaId;
        record->kind = DMA_ATTR_KIND_LOGFONT;
        record->size = static_cast<int32_t>(sizeof(LOGFONTA));
        return DMA_OK;
    case Opened::Scalar:
        record->dmaId = dmaId;
        record->kind = DMA_ATTR_KIND_SCALAR;
        record->size = 4;
        return DMA_OK;
    }
    return DMA_E_FAILED;
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

    const GlobalBlock<uint16_t> block(SIZE_T{capacity} * 2);
    uint16_t *ids = block.get();
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
