// reference_model.h - the stored-order linear scans that the catalogue tables
// were laid out for, kept only so that the benchmark can time the library's
// indexed lookups against them.  Every function walks the constant tables in
// their stored order exactly as the table layout suggests (range directory,
// then the range's rows; map directory, then the range's pairs; the whole map
// for the reverse translation) and repeats that walk on every call, as the
// read operations did before the tables got their compile-time indexes.
#pragma once

#include <cstdint>

#include "catalogue/catalogue.h"

namespace ref {

// Range directory walk, then the range's rows up to the ending row.
RawStatus LookupItem(uint16_t itemId, void *devMode, void *secondary, dma::ItemLocation *out);
// The four flag-group tables in order, each up to its ending row.
bool FindFlagMask(uint16_t itemId, uint32_t *mask);
// First map range whose bounds hold the ID, then its pairs.
uint16_t DmaIdToItemId(uint16_t dmaId);
// Every pair of every map range, in directory order.
uint16_t ItemIdToDmaId(uint16_t itemId);

// The raw read over the scans above (item 14, 311, the byte items 392-403,
// flag groups, strings and fonts by offset, report-type widening).
RawStatus RawRead(uint16_t itemId, void *devMode, void *secondary, uint16_t *typeOut,
                  int32_t *lengthOut, void *buffer, uint16_t *areaOut);

// The public reads as the attribute scan uses them.
int32_t GetValue(DmaContext *context, uint16_t dmaId, int32_t *value);
int32_t GetStringDataSizeQuery(DmaContext *context, uint16_t dmaId, uint32_t *length);
int32_t GetLogFontDataSizeQuery(DmaContext *context, uint16_t dmaId, uint32_t *length);

// The attribute query with its full scan of DMA IDs 1 to 65535 (the size
// query costs one scan, the filling call three).
int32_t QueryAttributes(DmaContext *context, uint16_t *idCount, const uint16_t *ids,
                        AttributeRecord *attrRecords);
// The enumeration of target type 1 with ItemIdToDmaId as a full map scan.
int32_t EnumCatalogue(uint16_t *entryCount, DmaIdEntry *entries);

}  // namespace ref
