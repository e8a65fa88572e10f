// reference_scans.h - the catalogue and ID-map lookups done the plain way:
// linear walks of the directories and tables in their stored order, with no
// index.  The tests compare the library's indexed lookups against these for
// every 16-bit ID; the benchmarks use them as the baseline.
#pragma once

#include <cstdint>

#include "catalogue/catalogue.h"

namespace dmatest {

// Stored-order LookupItem: first directory row whose bounds hold the ID, then
// the first row of its table with that ID.  Writes the same fields in the same
// cases as the library (the address is null when its record is missing).
RawStatus ScanLookupItem(uint16_t itemId, void *devMode, void *secondary, dma::ItemLocation *out);

// Stored-order row search; writes *area only when a row is found.
const dma::ItemDescriptor *ScanFindItemRow(uint16_t itemId, uint16_t *area);

// The four flag groups in order, each from its first row to its ending row.
bool ScanFindFlagMask(uint16_t itemId, uint32_t *mask);

// First map range whose bounds hold the DMA ID, first pair with that DMA ID.
uint16_t ScanDmaIdToItemId(uint16_t dmaId);

// Every map table in directory order; the first pair naming the item in a
// table answers unless its DMA ID is 0.
uint16_t ScanItemIdToDmaId(uint16_t itemId);

}  // namespace dmatest
