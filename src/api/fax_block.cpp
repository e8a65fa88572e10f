// fax_block.cpp - the fax-address block's destination count and the sizes of
// the records that callers exchange: DMA_GetFaxAddressNum,
// DMA_SetFaxAddressNum and DMA_QueryStructSize.
//
// The block header (1442 bytes) holds the signature DMA_FAX_SIGNATURE at 0 and the
// unsigned 16-bit destination count at 16; the 820-byte entries follow it.
// The same count is also item 380 in the DEVMODEW private part, and setting
// the count writes both.  Growing or shrinking the entry area is the
// caller's business.
#include <cstddef>

#include "engine/engine.h"
#include "text/text.h"

namespace dma {

namespace {

constexpr uint16_t kCountItem = 380;  // VT_WORD, SA_DEVMODE
constexpr size_t kCountOffset = offsetof(FaxAddressBlock, count);

}  // namespace

}  // namespace dma

using namespace dma;

// The count of a block with the current signature: 1, or -10 for a null
// argument or any other signature (the result is then untouched).
DMA_API DMA_RESULT DMA_GetFaxAddressNum(const void *faxAddressBlock, uint16_t *count) {
    if (faxAddressBlock == nullptr || count == nullptr) return Result(DMA_E_FAILED);
    if (!HasFaxSignature(faxAddressBlock, DMA_FAX_SIGNATURE)) return Result(DMA_E_FAILED);
    *count = Load16(static_cast<const uint8_t *>(faxAddressBlock) + kCountOffset);
    return Result(DMA_OK);
}

// Sets the count (relative != 0: adds `value` to item 380's current count)
// in item 380 and then in the block, keeping the low 16 bits.  Every failure
// is -10: a null context or block (checked before anything is written), a
// failing raw read or write, a negative result.  The signature is neither
// tested nor rewritten.
DMA_API DMA_RESULT DMA_SetFaxAddressNum(DmaContext *context, int32_t value, int32_t relative) {
    if (context == nullptr || context->faxAddressBlock == nullptr) return Result(DMA_E_FAILED);

    int32_t next = value;
    if (relative != 0) {
        uint32_t current = 0;
        if (ReadItemScalar(kCountItem, context->devMode, context->secondary, &current) !=
            DMA_RS_OK)
            return Result(DMA_E_FAILED);
        // A signed 32-bit sum that wraps like the machine's: a sum past
        // INT32_MAX turns negative and is refused.
        next = static_cast<int32_t>(uint32_t{static_cast<uint16_t>(current)} +
                                    static_cast<uint32_t>(value));
    }
    if (next < 0) return Result(DMA_E_FAILED);

    const uint16_t count = static_cast<uint16_t>(next);
    if (dma_SetValue(kCountItem, context->devMode, context->secondary, DMA_VT_WORD, 2, &count) !=
        DMA_RS_OK)
        return Result(DMA_E_FAILED);
    Store16(static_cast<uint8_t *>(context->faxAddressBlock) + kCountOffset, count);
    return Result(DMA_OK);
}

// Byte size of a record kind (2, 3, 4, 5, 7) or of the fax block header
// (6); 0 for anything else.
DMA_API DMA_RESULT DMA_QueryStructSize(int32_t kind) {
    switch (kind) {
    case DMA_KIND_2: return DMA_KIND2_SIZE;
    case DMA_KIND_3: return DMA_KIND3_SIZE;
    case DMA_KIND_4: return DMA_KIND4_SIZE;
    case DMA_KIND_FAX: return DMA_FAX_ENTRY_SIZE;
    case DMA_KIND_FAXBLOCK: return DMA_FAX_HEADER_SIZE;
    case DMA_KIND_7: return DMA_KIND7_SIZE;
    default: return 0;
    }
}
