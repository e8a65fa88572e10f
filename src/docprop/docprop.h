// docprop.h - the document-property file format: the section walk that
// judges a file, its sources, and the conversion of the old fax section
// layout.
#pragma once

#include <cstdint>

#include "common.h"

namespace dma {

enum DocPropSection { kSectionNdev = 0, kSectionTmbInfo, kSectionSpInfo, kSectionFax, kSectionCount };

struct DocPropLayout {
    const uint8_t *start[kSectionCount];  // null when absent (or not kept, see SectionSource)
    uint32_t size[kSectionCount];         // 0 when absent
    bool faxOld;                          // fax section in the DMA_FAX_OLD_SIGNATURE layout
    uint32_t faxCurrentSize;              // 1442 + 820 * count, 0 when absent
};

// The bytes a section needs before it is present: its header, for the fax
// section the whole 1442-byte block header.  The walk asks a source for
// exactly these bytes of each section it looks at.
constexpr uint32_t kSectionMinimum[kSectionCount] = {sizeof(DmaNdevHeader), sizeof(DmaTmbInfoHeader),
                                                      sizeof(DmaSpInfoHeader), DMA_FAX_HEADER_SIZE};
constexpr uint32_t kLargestSectionHead = DMA_FAX_HEADER_SIZE;

// Where the section walk finds a file's bytes.  The walk asks in file order,
// without gaps: Head for the first kSectionMinimum[s] bytes of the section
// it looks at, then, once that header is accepted, Take for the section
// whole (its size and fax fields already set in *layout), which sets
// layout->start[s] or leaves it null when the source does not keep the
// bytes.  Both return DMA_OK or the source's own failure (a read failure of
// a file, say), which ends the walk with that code.
class SectionSource {
public:
    virtual int32_t Head(uint32_t pos, uint32_t n, const uint8_t **head) = 0;
    virtual int32_t Take(DocPropSection s, uint32_t pos, DocPropLayout *layout) = 0;

protected:
    ~SectionSource() = default;
};

// The one judge of a document-property file of `count` bytes: 1 with
// *layout filled when the sections are valid, DMA_E_FILE_FORMAT when the
// reader must refuse the file, or the source's failure; *layout is untouched
// unless the result is 1.  The source is never asked for bytes outside
// [0, count).
int32_t WalkDocPropFile(SectionSource &source, uint32_t count, DocPropLayout *layout);

// The walk over a file in memory.  1, or DMA_E_FILE_FORMAT.  Never reads
// outside data[0, count).
int32_t ParseDocPropFile(const uint8_t *data, uint32_t count, DocPropLayout *layout);

// A fax section on its own (the fax-only file): 1 when the `size` bytes at
// `block` are one whole fax section the walk would accept at the end of a
// file, DMA_E_FILE_FORMAT otherwise.  Never reads outside block[0, size).
int32_t CheckFaxSection(const uint8_t *block, uint32_t size);

// Old (DMA_FAX_OLD_SIGNATURE, 768-byte entries) -> current layout.  1, or 0 on refusal.
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
