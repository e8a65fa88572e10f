// reference_scans.cpp - straightforward stored-order walks of the catalogue
// and the public ID map (see reference_scans.h).
#include "support/reference_scans.h"

namespace dmatest {

RawStatus ScanLookupItem(uint16_t itemId, void *devMode, void *secondary, dma::ItemLocation *out) {
    for (const dma::ItemRange &range : dma::RangeDirectory()) {
        if (range.firstId > itemId || range.lastId < itemId) continue;
        out->area = range.area;
        for (const dma::ItemDescriptor *row = range.items; row->itemId != 0; ++row) {
            if (row->itemId != itemId) continue;
            out->valueType = row->valueType;
            out->size = row->size;
            out->offset = row->offset;
            out->reportType = row->reportType;
            uint8_t *record = static_cast<uint8_t *>(range.area <= DMA_SA_DEVMODE_EXT ? devMode : secondary);
            if (record == nullptr) {
                out->address = nullptr;
                return DMA_RS_FAILED;
            }
            uint8_t *base = range.area == DMA_SA_DEVMODE_EXT ? record + DMA_DEVMODE_EXT_BASE : record;
            out->address = base + row->offset;
            int32_t width = 0;
            switch (row->valueType) {
            case DMA_VT_BYTE: width = 1; break;
            case DMA_VT_SHORT: case DMA_VT_WORD: width = 2; break;
            case DMA_VT_FLAG: case DMA_VT_INT: case DMA_VT_DWORD: case DMA_VT_LONG: width = 4; break;
            case DMA_VT_STRING: case DMA_VT_LOGFONT: width = 8; break;
            default: return DMA_RS_FAILED;
            }
            out->width = width;
            return DMA_RS_OK;
        }
        return DMA_RS_FAILED;
    }
    return DMA_RS_NO_RANGE;
}

const dma::ItemDescriptor *ScanFindItemRow(uint16_t itemId, uint16_t *area) {
    for (const dma::ItemRange &range : dma::RangeDirectory()) {
        if (range.firstId > itemId || range.lastId < itemId) continue;
        for (const dma::ItemDescriptor *row = range.items; row->itemId != 0; ++row) {
            if (row->itemId == itemId) {
                if (area) *area = range.area;
                return row;
            }
        }
        return nullptr;
    }
    return nullptr;
}

bool ScanFindFlagMask(uint16_t itemId, uint32_t *mask) {
    for (const dma::FlagGroup &group : dma::FlagGroupDirectory()) {
        for (const dma::FlagMaskEntry *row = group.entries; row->itemId != 0; ++row) {
            if (row->itemId == itemId) {
                *mask = row->mask;
                return true;
            }
        }
    }
    return false;
}

uint16_t ScanDmaIdToItemId(uint16_t dmaId) {
    for (const dma::PublicIdRange &range : dma::PublicIdDirectory()) {
        if (range.lo > dmaId || range.hi < dmaId) continue;
        for (const dma::IdPair *pair = range.pairs; pair->dmaId != 0; ++pair)
            if (pair->dmaId == dmaId) return pair->itemId;
        return 0;
    }
    return 0;
}

uint16_t ScanItemIdToDmaId(uint16_t itemId) {
    for (const dma::PublicIdRange &range : dma::PublicIdDirectory()) {
        for (const dma::IdPair *pair = range.pairs; pair->itemId != 0; ++pair) {
            if (pair->itemId != itemId) continue;
            if (pair->dmaId != 0) return pair->dmaId;
            break;
        }
    }
    return 0;
}

}  // namespace dmatest
