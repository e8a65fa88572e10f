// records.cpp - the exported operations on the caller's record arrays and
// the user-settings record.  Each is the record layer's operation, its code
// widened to the pointer-sized result.
#include "records/records.h"
#include "usersettings/user_settings.h"

using namespace dma;

DMA_API DMA_RESULT DMA_AccessibleData(DmaContext *context, int32_t kind, intptr_t nameOrPosition) {
    return Result(LoadElement(context, kind, nameOrPosition));
}

DMA_API DMA_RESULT DMA_DeleteData(DmaContext *context, int32_t kind, const char *name) {
    return Result(DeleteElement(context, kind, name));
}

DMA_API DMA_RESULT DMA_ApplyData(DmaContext *context, int32_t kind, int32_t mode,
                                 intptr_t nameOrPosition) {
    return Result(StoreElement(context, kind, mode, nameOrPosition));
}

DMA_API DMA_RESULT DMA_GetNameFromInfo(const void *record, int32_t kind, uint32_t *size, char *buffer) {
    return Result(ElementName(record, kind, size, buffer));
}

DMA_API DMA_RESULT DMA_GetUserSettingInfo(DmaContext *context, void *info, uint32_t *size) {
    return Result(GetUserSettingInfo(context, info, size));
}

DMA_API DMA_RESULT DMA_SetUserSettingInfo(DmaContext *context, const void *info) {
    return Result(SetUserSettingInfo(context, info));
}
