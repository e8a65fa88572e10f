// open_setting.h - the opening every operation by DMA ID shares: translate
// the DMA ID, look its setting up once and say what it is.  Each operation
// then turns the answer into its own result code (an integer operation
// refuses a text with -2, a string operation a font with -7, and so on).
#pragma once

#include "catalogue/setting.h"
#include "common.h"

namespace dma {

enum class Opened : uint8_t {
    NoId,       // the DMA ID has no translation
    Unusable,   // its item has no row, or the record that holds it is null
    FaxHeader,  // 0xA001/0xA002, texts of the fax-address block
    Scalar,
    Text,       // a string field (the protected IDs and item 329 included)
    Font,
};

struct OpenedSetting {
    Opened what;
    const Setting *setting;
    uint8_t *place;  // the value's address; null unless Scalar, Text or Font
};

// The code an operation that serves `wanted` (Scalar, Text or Font) returns
// for a setting that opened as something else: -1 without a translation
// (and, for the string operations, which route the fax header texts before
// opening, for those too), -10 when unusable, -2 for a text given to an
// integer or font operation, -7 for a font, -3 for an integer given to a
// string or font operation.
constexpr int32_t Refusal(Opened what, Opened wanted) {
    switch (what) {
    case Opened::NoId: return DMA_E_NO_ID;
    case Opened::Unusable: return DMA_E_FAILED;
    case Opened::FaxHeader: return wanted == Opened::Text ? DMA_E_NO_ID : DMA_E_IS_STRING;
    case Opened::Text: return DMA_E_IS_STRING;
    case Opened::Font: return DMA_E_IS_FONT;
    case Opened::Scalar: return DMA_E_WRONG_TYPE;
    }
    return DMA_E_FAILED;
}

inline OpenedSetting OpenSetting(const DmaContext &context, uint16_t dmaId) {
    const Setting &s = DmaSetting(dmaId);
    switch (s.Kind()) {
    case Access::None: return {Opened::NoId, &s, nullptr};
    case Access::FaxHeader: return {Opened::FaxHeader, &s, nullptr};
    case Access::NoRange:
    case Access::NoRow: return {Opened::Unusable, &s, nullptr};
    default: break;
    }
    uint8_t *place = s.Address(context.devMode, context.secondary);
    if (place == nullptr) return {Opened::Unusable, &s, nullptr};
    switch (s.Kind()) {
    case Access::Text:
    case Access::CappedText: return {Opened::Text, &s, place};
    case Access::Font: return {Opened::Font, &s, place};
    default: return {Opened::Scalar, &s, place};
    }
}

}  // namespace dma
