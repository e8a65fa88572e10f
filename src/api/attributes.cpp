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
// yields the same IDs in the same ascending order.  The list carries each
// ID's descriptor, which answers availability without a read.
#include <array>

#include "api/open_setting.h"
#include "catalogue/catalogue.h"
#include "catalogue/item_roles.h"
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
// their size query does.  An ID whose item has no row fails all three.
//
// What a descriptor needs to be available depends only on its area and
// access kind, the byte Setting::areaAccess; the table says it for every
// value of that byte.
enum Need : uint8_t { kNever, kDevMode, kSecondary, kSpecial };

constexpr std::array<uint8_t, 256> NeedTable() {
    std::array<uint8_t, 256> need{};
    for (unsigned b = 0; b < 256; ++b) {
        const Access kind = static_cast<Access>(b >> 2);
        if (kind == Access::None || kind == Access::NoRange || kind == Access::NoRow || kind > Access::Pair344)
            need[b] = kNever;
        else if (kind == Access::FaxHeader || kind == Access::Angle1)
            need[b] = kSpecial;
        else
            need[b] = (b & 3) == DMA_SA_SECONDARY ? kSecondary : kDevMode;
    }
    return need;
}
constexpr std::array<uint8_t, 256> kNeed = NeedTable();

// The two settings that need more than their record: the fax header texts
// (their size query) and item 311 (its angle check).
bool IsAvailableSpecial(const DmaContext *context, const KnownId &known, const Setting &s) {
    if (s.Kind() == Access::FaxHeader) {
        uint32_t length;
        return FaxHeaderSize(context, known.dmaId, &length) == DMA_E_MORE_DATA;
    }
    const uint8_t *place = s.Address(context->devMode, context->secondary);
    uint32_t value;
    return place != nullptr && ReadScalar(s, place, context->devMode, &value) == DMA_RS_OK;
}

// Walks the known IDs in ascending order, writing the positions in that list
// of the available ones to `list` while fewer than `capacity` have been
// written, and returns how many are available in all (which may exceed
// `capacity`).
uint32_t ScanAvailableIds(const DmaContext *context, uint16_t *list, uint32_t capacity) {
    const std::span<const KnownId> known = KnownDmaIdsAscending();
    const std::span<const Setting> settings = AllSettings();
    const bool present[4] = {false, context->devMode != nullptr, context->secondary != nullptr, false};
    uint32_t count = 0;
    for (size_t i = 0; i < known.size(); ++i) {
        const Setting &s = settings[known[i].slot];
        const uint8_t need = kNeed[s.areaAccess];
        if (need == kSpecial ? !IsAvailableSpecial(context, known[i], s) : !present[need]) continue;
        if (list != nullptr && count < capacity) list[count] = static_cast<uint16_t>(i);
        ++count;
    }
    return count;
}

// The attribute record of a setting that opened: 1, or for a fax header text
// its size query's failure.  The sizes are the read operations' size-query
// answers: 4 for an integer, sizeof(LOGFONTA) for a font, and for a string
// the field's ANSI capacity (W/2; 49 for the 8-bit item 329; the protected
// length for 0x9001-0x900A).
int32_t Describe(const DmaContext *context, uint16_t dmaId, const Setting &s, AttributeRecord *record) {
    int32_t kind = DMA_ATTR_KIND_SCALAR;
    uint32_t size = 4;
    switch (s.Kind()) {
    case Access::FaxHeader: {
        const int32_t code = FaxHeaderSize(context, dmaId, &size);
        if (code != DMA_E_MORE_DATA) return code;
        kind = DMA_ATTR_KIND_STRING;
        break;
    }
    case Access::Text:
    case Access::CappedText:
        kind = DMA_ATTR_KIND_STRING;
        size = special::IsProtectedId(dmaId)                  ? ProtectedStringLength(dmaId)
               : s.itemId == special::kNarrowStringItem ? s.size
                                                              : s.size / 2u;
        break;
    case Access::Font:
        kind = DMA_ATTR_KIND_LOGFONT;
        size = sizeof(LOGFONTA);
        break;
    default:
        break;
    }
    record->dmaId = dmaId;
    record->kind = kind;
    record->size = static_cast<int32_t>(size);
    return DMA_OK;
}

// The attribute of one DMA ID into one record.  1, or -10 (no record, item
// unusable, fax header not convertible), or -1 (no such DMA ID; fax header
// without a fax-address block).  A failure leaves the record untouched.
int32_t QueryOneAttribute(const DmaContext *context, uint16_t dmaId, AttributeRecord *record) {
    if (record == nullptr) return DMA_E_FAILED;
    const OpenedSetting o = OpenSetting(*context, dmaId);
    switch (o.what) {
    case Opened::NoId: return DMA_E_NO_ID;
    case Opened::Unusable: return DMA_E_FAILED;
    default: return Describe(context, dmaId, *o.setting, record);
    }
}

// Full scan without a caller's list.  A size query (no records, or a
// capacity below the number n of available IDs) stores n in *idCount and
// returns -5; no available ID at all is -10.  Otherwise the available IDs (their
// positions in the known list) are gathered into a zero-filled GlobalAlloc
// buffer of *idCount entries, their attributes are written to the first n
// records, and the buffer is released; *idCount stays as the caller set it.
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
        const std::span<const KnownId> known = KnownDmaIdsAscending();
        const std::span<const Setting> settings = AllSettings();
        for (uint32_t i = 0; i < available && result == DMA_OK; ++i) {
            const KnownId &k = known[ids[i]];
            result = Describe(context, k.dmaId, settings[k.slot], &attrRecords[i]);
        }
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
