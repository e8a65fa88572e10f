// catalogue_view.cpp - setting locations from the library's catalogue tables.
#include "catalogue_view.h"

#include "catalogue/catalogue.h"
#include "catalogue/item_roles.h"

namespace dmaclient {

bool IsProtectedId(uint16_t id) { return dma::special::IsProtectedId(id); }
bool IsFaxHeaderId(uint16_t id) { return dma::special::IsFaxHeaderId(id); }
bool IsPackedByteItem(uint16_t item) { return dma::special::IsPackedByteItem(item); }
uint32_t PackedByteMask(uint16_t item) { return 0xFFu << dma::special::PackedByteShift(item); }

uint16_t DmaIdOfItem(uint16_t itemId) { return dma::ItemIdToDmaId(itemId); }

std::optional<Location> Locate(uint16_t dmaId) {
    Location l;
    l.dmaId = dmaId;
    if (IsFaxHeaderId(dmaId)) {
        // The two texts of the fax-address block header (UTF-16 fields).
        l.area = kFaxArea;
        l.valueType = DMA_VT_STRING;
        l.offset = dmaId == DMA_ID_FAX_HEADER1 ? offsetof(FaxAddressBlock, header1)
                                               : offsetof(FaxAddressBlock, header2);
        l.size = dmaId == DMA_ID_FAX_HEADER1 ? sizeof(FaxAddressBlock::header1)
                                             : sizeof(FaxAddressBlock::header2);
        l.width = 8;
        return l;
    }
    l.itemId = dma::DmaIdToItemId(dmaId);
    if (l.itemId == 0) return std::nullopt;
    uint16_t area = 0;
    const dma::ItemDescriptor *row = dma::FindItemRow(l.itemId, &area);
    if (!row) return std::nullopt;
    l.area = area;
    l.offset = row->offset;
    l.valueType = row->valueType;
    l.reportType = row->reportType;
    l.size = row->size;
    dma::ValueTypeWidth(l.itemId, row->valueType, &l.width);
    dma::FindFlagMask(l.itemId, &l.flagMask);
    if (IsProtectedId(dmaId)) l.plainId = dma::ItemIdToDmaId(l.itemId);
    return l;
}

const char *AreaName(uint16_t area) {
    switch (area) {
    case DMA_SA_DEVMODE: return "DEVMODEW";
    case DMA_SA_DEVMODE_EXT: return "DEVMODEW+1608";
    case DMA_SA_SECONDARY: return "secondary";
    case kFaxArea: return "fax block";
    }
    return "?";
}

const char *ValueTypeName(uint16_t t) {
    switch (t) {
    case DMA_VT_FLAG: return "FLAG";
    case DMA_VT_SHORT: return "SHORT";
    case DMA_VT_WORD: return "WORD";
    case DMA_VT_INT: return "INT";
    case DMA_VT_DWORD: return "DWORD";
    case DMA_VT_STRING: return "STRING";
    case DMA_VT_BYTE: return "BYTE";
    case DMA_VT_LOGFONT: return "LOGFONT";
    case DMA_VT_LONG: return "LONG";
    }
    return "?";
}

}  // namespace dmaclient
