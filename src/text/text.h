// text.h - string helpers shared by the string, font, fax-header, record and
// document-property code: whole-text code-page conversion into GlobalAlloc
// buffers, the scrambler and Base64 encoder of protected strings, and the
// fax header string read and write.
#pragma once

#include <cstdint>

#include "common.h"

namespace dma {

// UTF-16 -> 8-bit text in a new zero-filled GlobalAlloc buffer that the caller
// frees with GlobalFree.  codePage 0 = the ANSI code page.  `length` receives
// the bytes before the terminator.  1 on success; 0 (nothing left allocated,
// *result null) on failure.
int WideToMultiByteAlloc(const WCHAR *text, char **result, int32_t *length, UINT codePage);
// 8-bit -> UTF-16, likewise; `length` receives the UTF-16 units before the
// terminator.
int MultiByteToWideAlloc(const char *text, WCHAR **result, int32_t *length, UINT codePage);

// A whole UTF-16 field of `units` units, units after its terminator included,
// into `bytes` bytes of `out` in the ANSI code page.  Where the whole field
// does not fit (the text's characters take two bytes or more, the field's
// zero units after it one byte each) the text is converted through its
// terminator and the rest of `out` is zero-filled, which is what converting
// those zero units gives.  1 on success; 0 when not even the text and its
// terminator fit, or the field has no terminator (`out` may then hold part of
// a conversion).
int WideFieldToAnsi(const WCHAR *field, int units, char *out, int bytes);

// Caller text that comes with a declared length: its bytes before the
// terminator within the first `declared` bytes, or all `declared` bytes when
// no terminator lies within them (*terminated false).  A declared length of
// 0 declares nothing (callers of the fax header and protected strings leave
// it so): the terminator is then looked for within `bound` bytes, and a text
// without one there is reported unterminated at `bound` bytes.  No byte past
// the limit is read.
size_t CallerTextBytes(const char *text, uint32_t declared, size_t bound, bool *terminated);

// The most ANSI bytes a UTF-16 field of `units` units can take from a caller:
// every unit comes from at most three bytes in any ANSI code page.
constexpr size_t MaxAnsiBytesFor(uint32_t units) { return 3 * size_t{units}; }

// `bytes` bytes of ANSI text into a UTF-16 field of `units` units, with a
// terminator after them.  Where the text fills the field exactly and
// `mayFill` is set, it is stored without one (a whole field read back by
// DMA_GetStringData round-trips).  The text is converted into a scratch
// copy first and the field written only on success, so a text lying inside
// the field itself is stored as it was.  Units after the terminator keep
// their content.  1; -6 when it does not fit (field untouched); -10 when
// the code page rejects it.
int32_t StoreAnsiInField(const char *text, size_t bytes, uint8_t *field, uint32_t units,
                         bool mayFill);

// XOR with the key "qdzk".  0, -1 null pointer, -2 count/capacity <= 0,
// -3 capacity exhausted (groups of 4 already done stay written).
int ScrambleBytes(const uint8_t *source, int32_t count, uint8_t *destination, int32_t *written,
                  int32_t capacity);
// RFC 4648 Base64, "=" padding, no terminator.  0, -1, -2, -3 (nothing written
// when the output would not fit).
int EncodeBase64(const uint8_t *data, int32_t count, char *output, int32_t *written,
                 int32_t capacity);

// Protected length reported for DMA IDs 0x9001-0x900A (0 for other IDs).
uint32_t ProtectedStringLength(uint16_t dmaId);

// The protected store behind DMA_SetStringData for 0x9001-0x900A: scrambles,
// encodes and stores `text` in the UTF-16 field of `fieldBytes` bytes.
// 1; -6 when `length` exceeds the protected length or the stored form does
// not fit the field (field untouched); -10 on allocation or codec failure.
int32_t StoreProtectedString(uint16_t dmaId, uint8_t *field, uint32_t fieldBytes,
                             const char *text, uint32_t length);

// Fax header strings 0xA001 / 0xA002 in a FaxAddressBlock.  The write takes
// the text within `length` bytes (0: up to its terminator, within what the
// field can take).
int32_t GetFaxHeaderString(uint16_t dmaId, void *block, char *buffer, uint32_t *length);
int32_t SetFaxHeaderString(uint16_t dmaId, void *block, const char *text, uint32_t length = 0);

// Writes DMA_FAX_SIGNATURE and its terminator over a fax block's signature.
void WriteCurrentFaxSignature(void *block);
// True when the 16 bytes at p are the UTF-16 text `sig` (7 characters) and
// its terminator.
bool HasFaxSignature(const void *p, const char *sig7);

}  // namespace dma
