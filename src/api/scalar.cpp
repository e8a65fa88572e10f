// scalar.cpp - integer access by DMA ID: DMA_GetValue, DMA_SetValue and
// DMA_QuerySWSupportInfo.
//
// The integer that crosses the interface is always 32 bits; narrower values
// come back zero-extended and are stored by their low-order bytes.  Strings
// (and the fax header texts) are -2, fonts -7; every failure of the raw read
// or write becomes -10.
#include "api/open_setting.h"
#include "catalogue/item_roles.h"
#include "engine/engine.h"

using namespace dma;

namespace {

constexpr uint16_t kSupportInfoKind = 1;

}  // namespace

// Reads a setting as a 32-bit integer.  Failures before the read leave
// *value untouched; a failing raw read leaves it 0.
DMA_API DMA_RESULT DMA_GetValue(DmaContext *context, uint32_t dmaId, int32_t *value) {
    if (context == nullptr) return Result(DMA_E_FAILED);
    const OpenedSetting o = OpenSetting(*context, static_cast<uint16_t>(dmaId));
    if (o.what != Opened::Scalar) return Result(Refusal(o.what, Opened::Scalar));
    if (value == nullptr) return Result(DMA_E_FAILED);
    uint32_t v = 0;
    const RawStatus status = ReadScalar(*o.setting, o.place, context->devMode, &v);
    *value = static_cast<int32_t>(v);
    return Result(status == DMA_RS_OK ? DMA_OK : DMA_E_FAILED);
}

// Writes a setting from a 32-bit integer: as many low-order bytes as the
// stored width says, keeping linked settings in step.
DMA_API DMA_RESULT DMA_SetValue(DmaContext *context, uint32_t dmaId, int32_t value) {
    if (context == nullptr) return Result(DMA_E_FAILED);
    const OpenedSetting o = OpenSetting(*context, static_cast<uint16_t>(dmaId));
    if (o.what != Opened::Scalar) return Result(Refusal(o.what, Opened::Scalar));
    const RawStatus status =
        StoreScalar(*o.setting, o.place, context->devMode, static_cast<uint32_t>(value));
    return Result(status == DMA_RS_OK ? DMA_OK : DMA_E_FAILED);
}

// 1 when the settings mark the capability as supported (item 8216 non-zero),
// -35 when not, -12 when the flag cannot be read, -4 for an unknown kind.
DMA_API DMA_RESULT DMA_QuerySWSupportInfo(DmaContext *context, uint32_t infoKind) {
    if (context == nullptr) return Result(DMA_E_FAILED);
    if (static_cast<uint16_t>(infoKind) != kSupportInfoKind) return Result(DMA_E_INFO_KIND);
    uint32_t flag = 0;
    if (ReadItemScalar(special::kItemSupportFlag, context->devMode, context->secondary, &flag) !=
        DMA_RS_OK)
        return Result(DMA_E_SUPPORT_READ);
    return Result(flag != 0 ? DMA_OK : DMA_E_NOT_SUPPORTED);
}
