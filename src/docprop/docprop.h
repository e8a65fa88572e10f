// docprop.h - the document-property file format: the section parser and the
// conversion of the old fax section layout.
#pragma once

#include <cstdint>

#include "common.h"

namespace dma {

enum DocPropSection { kSectionNdev = 0, kSectionTmbInfo, kSectionSpInfo, kSectionFax, kSectionCount };

struct DocPropLayout {
    const uint8_t *start[kSectionCount];  // null when absent
    uint32_t size[kSectionCount];         // 0 when absent
    bool faxOld;                          // fax section in the "ZOVA001" layout
    uint32_t faxCurrentSize;              // 1442 + 820 * count, 0 when absent
};

// 1, or DMA_E_FILE_FORMAT.  Never reads outside data[0, count).
int32_t ParseDocPropFile(const uint8_t *data, uint32_t count, DocPropLayout *layout);

// Old ("ZOVA001", 768-byte entries) -> current layout.  1, or 0 on refusal.
int UpgradeFaxBlock(void *destination, const void *source, uint32_t destinationSize,
                    uint32_t sourceSize);

// ---- The document-property operations (exported by the api layer) ----
// Write the caller's sections to the file named by item 374 (ExtractDocProp)
// or the fax section alone to the one named by item 375 (ExtractOneTime),
// and read the first back (ReplaceDocProp); contracts in operations.cpp.
int32_t ExtractDocProp(DmaContext *context, DocPropBuffers *buffers);
int32_t ExtractOneTime(DmaContext *context, DocPropBuffers *buffers);
int32_t ReplaceDocProp(DmaContext *context, DocPropBuffers *buffers);

}  // namespace dma
