// raw.cpp - dma_GetValue and dma_SetValue, the raw access by item ID that
// the driver's own components use.  The contracts are the engine's
// (engine.h: ReadItem, WriteItem).
#include "engine/engine.h"

extern "C" RawStatus dma_GetValue(uint16_t itemId, void *devMode, void *secondary,
                                  uint16_t *typeOut, int32_t *lengthOut, void *buffer,
                                  uint16_t *areaOut) {
    return dma::ReadItem(itemId, devMode, secondary, typeOut, lengthOut, buffer, areaOut);
}

extern "C" RawStatus dma_SetValue(uint16_t itemId, void *devMode, void *secondary,
                                  uint16_t valueType, int32_t length, const void *value) {
    return dma::WriteItem(itemId, devMode, secondary, valueType, length, value);
}
