// fax_header.cpp - the two header strings of the fax-address block (DMA IDs
// 0xA001 and 0xA002) and the block's signature.
//
// The block starts with a 16-byte UTF-16 signature (DMA_FAX_SIGNATURE and its
// terminator for the current layout), the 16-bit destination count at 16,
// then the first header string (41 units at byte 18) and the second (671
// units at byte 100).  The header strings have no catalogue item; callers
// reach them through the string operations, which hand them here before any
// ID translation.  Every header write also stamps the current signature.
#include <cstddef>

#include "text/text.h"

namespace dma {

namespace {

struct HeaderField {
    uint32_t position;  // byte offset in the block
    uint32_t units;     // capacity in UTF-16 units, terminator included
};

// The header fields as the block's public structure lays them out.
constexpr HeaderField kHeader1 = {offsetof(FaxAddressBlock, header1),
                                  sizeof(FaxAddressBlock::header1) / sizeof(DMA_WCHAR)};
constexpr HeaderField kHeader2 = {offsetof(FaxAddressBlock, header2),
                                  sizeof(FaxAddressBlock::header2) / sizeof(DMA_WCHAR)};

// False for any DMA ID other than the two header strings.
bool FindHeaderField(uint16_t dmaId, HeaderField *field) {
    switch (dmaId) {
    case DMA_ID_FAX_HEADER1: *field = kHeader1; return true;
    case DMA_ID_FAX_HEADER2: *field = kHeader2; return true;
    default: return false;
    }
}

constexpr char kCurrentSignature[] = DMA_FAX_SIGNATURE;
// Units of the signature field, terminator included.
constexpr int kSignatureUnits = sizeof(FaxAddressBlock::signature) / sizeof(DMA_WCHAR);
static_assert(kSignatureUnits == sizeof kCurrentSignature);

}  // namespace

void WriteCurrentFaxSignature(void *block) {
    uint8_t *p = static_cast<uint8_t *>(block);
    for (int i = 0; i < kSignatureUnits; ++i)
        Store16(p + 2 * i, static_cast<uint8_t>(kCurrentSignature[i]));
}

bool HasFaxSignature(const void *p, const char *sig7) {
    if (p == nullptr || sig7 == nullptr) return false;
    const uint8_t *b = static_cast<const uint8_t *>(p);
    for (int i = 0; i < kSignatureUnits; ++i) {
        const uint16_t want = i < kSignatureUnits - 1 ? static_cast<uint8_t>(sig7[i]) : 0;
        if (Load16(b + 2 * i) != want) return false;
        if (want == 0) return i == kSignatureUnits - 1;  // a shorter sig7 never matches
    }
    return true;
}

// Reads a header string as ANSI text.  -1 without a block or for another ID;
// -10 when the stored text has no terminator inside its field (its scan
// would run on into the next field or past the header), when `length` is
// null, or when the conversion fails; -5 with the needed size (bytes with
// terminator) in *length when the buffer is null or smaller; else 1 with
// the text and its terminator copied.
int32_t GetFaxHeaderString(uint16_t dmaId, void *block, char *buffer, uint32_t *length) {
    if (block == nullptr) return DMA_E_NO_ID;
    HeaderField field;
    if (!FindHeaderField(dmaId, &field)) return DMA_E_NO_ID;
    if (length == nullptr) return DMA_E_FAILED;
    const uint8_t *text = static_cast<const uint8_t *>(block) + field.position;
    if (WideLengthWithin(text, field.units) >= field.units) return DMA_E_FAILED;

    GlobalBlock<char> converted;
    int32_t n = 0;
    if (!WideToMultiByteAlloc(reinterpret_cast<const WCHAR *>(text), converted.Receive(), &n, 0))
        return DMA_E_FAILED;
    const uint32_t needed = static_cast<uint32_t>(n) + 1;
    if (buffer == nullptr || *length < needed) {
        *length = needed;
        return DMA_E_MORE_DATA;
    }
    std::memmove(buffer, converted.get(), needed);
    return DMA_OK;
}

// Stores ANSI text as a header string and stamps the current signature.
// The text is what lies before its terminator within `length` bytes (all of
// them when none does); a length of 0 declares nothing and the terminator is
// looked for within what the field can take.  -1 without a block or for
// another ID, -10 for a null text or a failed conversion, -6 when the text
// with its terminator exceeds the field (the block, signature included, is
// then untouched); else 1.  The field's units after the new terminator keep
// their old content.
int32_t SetFaxHeaderString(uint16_t dmaId, void *block, const char *text, uint32_t length) {
    if (block == nullptr) return DMA_E_NO_ID;
    if (text == nullptr) return DMA_E_FAILED;
    HeaderField field;
    if (!FindHeaderField(dmaId, &field)) return DMA_E_NO_ID;
    bool terminated;
    const size_t n = CallerTextBytes(text, length, MaxAnsiBytesFor(field.units), &terminated);
    if (!terminated && length == 0) return DMA_E_TOO_LONG;
    const int32_t stored =
        StoreAnsiInField(text, n, static_cast<uint8_t *>(block) + field.position, field.units, false);
    if (stored == DMA_OK) WriteCurrentFaxSignature(block);
    return stored;
}

}  // namespace dma
