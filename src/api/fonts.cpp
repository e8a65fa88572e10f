// fonts.cpp - the font settings by DMA ID: DMA_GetLogFontData and
// DMA_SetLogFontData.
//
// A font setting is a LOGFONTW (92 bytes) held in place in the caller's
// records; callers exchange a LOGFONTA (60 bytes).  Both begin with the same
// 28 bytes (five 32-bit and eight 8-bit members), copied unchanged; only the
// 32-character face name at byte 28 is converted between UTF-16 and the
// ANSI code page.
#include <cstring>

#include "api/open_setting.h"
#include "text/text.h"

namespace dma {

namespace {

constexpr uint32_t kCallerFontSize = sizeof(LOGFONTA);  // 60
constexpr size_t kScalarBytes = 28;                     // lfHeight .. lfPitchAndFamily
constexpr int kFaceChars = 32;                          // LF_FACESIZE

static_assert(offsetof(LOGFONTA, lfFaceName) == kScalarBytes, "LOGFONTA face name at 28");
static_assert(offsetof(LOGFONTW, lfFaceName) == kScalarBytes, "LOGFONTW face name at 28");

// The opening of both operations: the fax header strings and other strings
// are -2, an ID without an item -1, an unusable item -10, a non-font -3.
int32_t OpenFont(const DmaContext *context, uint16_t dmaId, uint8_t **font) {
    const OpenedSetting o = OpenSetting(*context, dmaId);
    if (o.what != Opened::Font) return Refusal(o.what, Opened::Font);
    *font = o.place;
    return DMA_OK;
}

}  // namespace

}  // namespace dma

using namespace dma;

// Fills the caller's LOGFONTA.  Size query (null font, *length 0): 60 and
// -5; a null font with a non-zero size is -10; *length below 60 is -5.  All
// 32 stored face-name characters are converted (those after the terminator
// too) into the 32-byte face name; where the ANSI characters take more than
// one byte, the name through its terminator, zero-filled to 32 bytes.  A name
// that does not fit 32 bytes even so is -10 and the caller's record is left
// untouched.
DMA_API DMA_RESULT DMA_GetLogFontData(DmaContext *context, uint32_t dmaId, LOGFONTA *font,
                                      uint32_t *length) {
    if (context == nullptr) return Result(DMA_E_FAILED);
    uint8_t *stored = nullptr;
    const int32_t opened = OpenFont(context, static_cast<uint16_t>(dmaId), &stored);
    if (opened != DMA_OK) return Result(opened);
    if (length == nullptr) return Result(DMA_E_FAILED);

    if (font == nullptr) {
        if (*length != 0) return Result(DMA_E_FAILED);
        *length = kCallerFontSize;
        return Result(DMA_E_MORE_DATA);
    }
    if (*length < kCallerFontSize) return Result(DMA_E_MORE_DATA);

    char face[kFaceChars];
    if (!WideFieldToAnsi(reinterpret_cast<LPCWSTR>(stored + kScalarBytes), kFaceChars, face, kFaceChars))
        return Result(DMA_E_FAILED);
    // The caller's record may overlap the stored one: the face name is
    // already converted aside, and the move copies as from a snapshot.
    uint8_t *out = reinterpret_cast<uint8_t *>(font);
    std::memmove(out, stored, kScalarBytes);
    std::memcpy(out + kScalarBytes, face, kFaceChars);
    return Result(DMA_OK);
}

// Stores the caller's LOGFONTA.  A null font is -10, a size above 60 is -6
// and a size below 60 is -10 (the record would be read past the caller's
// bytes).  The face name is taken up to its terminator or its 32 bytes,
// whichever comes first, so the caller's record is never read beyond; the
// stored characters after the converted text keep their old content.
DMA_API DMA_RESULT DMA_SetLogFontData(DmaContext *context, uint32_t dmaId, const LOGFONTA *font,
                                      uint32_t size) {
    if (context == nullptr) return Result(DMA_E_FAILED);
    uint8_t *stored = nullptr;
    const int32_t opened = OpenFont(context, static_cast<uint16_t>(dmaId), &stored);
    if (opened != DMA_OK) return Result(opened);
    if (font == nullptr) return Result(DMA_E_FAILED);
    if (size > kCallerFontSize) return Result(DMA_E_TOO_LONG);
    if (size < kCallerFontSize) return Result(DMA_E_FAILED);

    const uint8_t *in = reinterpret_cast<const uint8_t *>(font);
    const char *face = reinterpret_cast<const char *>(in + kScalarBytes);
    const size_t n = ByteLengthWithin(face, kFaceChars);
    const int source = n < static_cast<size_t>(kFaceChars) ? static_cast<int>(n) + 1 : kFaceChars;
    // At most one UTF-16 unit per byte: the 32 bytes always fit 32 units, so
    // a failure is a code page that rejects the text.  Converted aside first:
    // the caller's LOGFONTA may lie inside the stored LOGFONTW.
    WCHAR wide[kFaceChars];
    const int units = MultiByteToWideChar(CP_ACP, 0, face, source, wide, kFaceChars);
    if (units <= 0) return Result(DMA_E_FAILED);
    uint8_t scalars[kScalarBytes];
    std::memcpy(scalars, in, kScalarBytes);
    std::memcpy(stored, scalars, kScalarBytes);
    std::memcpy(stored + kScalarBytes, wide, static_cast<size_t>(units) * sizeof(WCHAR));
    return Result(DMA_OK);
}
