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

}  // namespace dma
