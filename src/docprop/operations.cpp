// operations.cpp - the exported document-property operations: write the
// caller's sections to the file named by the path setting (item 374), write
// the fax section alone to the file named by item 375, and read the first
// file back into the caller's buffers, converting an old fax section.
//
// The file names are settings in the caller's DEVMODEW record (258-byte
// UTF-16 fields), found through the raw read like every other setting.  An
// empty path means "no file": the operations then succeed and touch nothing.
//
// Reading takes the whole file into one GlobalAlloc buffer, checks it with
// ParseDocPropFile and only then looks at the caller's buffers, so a broken
// file is reported as such even to a size query.  Nothing is copied into the
// caller's buffers until every check - including the conversion of an old
// fax section, done into a work buffer - has passed.
#include "docprop/docprop.h"

#include <utility>

#include "engine/engine.h"

namespace dma {

namespace {

constexpr uint16_t kDocPropPathItem = 374;  // DMA ID 0x176
constexpr uint16_t kFaxFilePathItem = 375;  // DMA ID 0x177
// Both path fields hold 129 UTF-16 units with the terminator.
constexpr size_t kPathUnits = 129;

// A path setting copied out of the caller's record, always terminated.
struct PathText {
    WCHAR text[kPathUnits + 1];
    bool Empty() const { return text[0] == 0; }
};

// One buffer of the caller's record, in the order it goes into the file.
struct Section {
    const void *data;
    uint32_t size;
};

// Contract: reads path setting `itemId` through the raw read and copies its
// text into `path`.  DMA_OK, or DMA_E_FAILED when the setting cannot be read
// (its record is missing, say).  The copy takes at most the
// characters that the raw read measured inside the field, so a field without
// a terminator is never read past its end.
int32_t LocatePath(const DmaContext *context, uint16_t itemId, PathText *path) {
    // Both path settings are texts: the raw read hands out their place.
    int32_t length = 0;
    const uint8_t *field = FieldAddress(itemId, context->devMode, context->secondary, &length);
    if (field == nullptr || length < 2) return DMA_E_FAILED;

    // The reported length is 2 * characters + 2, the characters counted
    // inside the field.
    size_t units = static_cast<size_t>(length) / 2 - 1;
    if (units > kPathUnits) units = kPathUnits;
    std::memcpy(path->text, field, units * sizeof(WCHAR));
    path->text[units] = 0;
    return DMA_OK;
}

// Contract: creates (or replaces) the file at `path` and writes every
// section with a non-null pointer and a non-zero size, in the given order,
// one WriteFile call each.  Returns DMA_OK, `openFailure` when the file
// cannot be created, or `writeFailure` when a write fails (the writing stops
// there; the file keeps what was written).  The file is closed on every path.
int32_t WriteDocPropFile(const WCHAR *path, const Section *sections, size_t sectionCount,
                         int32_t openFailure, int32_t writeFailure) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return openFailure;

    int32_t result = DMA_OK;
    for (size_t i = 0; i < sectionCount; ++i) {
        if (sections[i].data == nullptr || sections[i].size == 0) continue;
        DWORD written = 0;
        if (!WriteFile(file, sections[i].data, sections[i].size, &written, nullptr)) {
            result = writeFailure;
            break;
        }
    }
    CloseHandle(file);
    return result;
}

// Contract: reads the whole file at `path` into a new GlobalAlloc buffer
// that *data then owns.  DMA_OK with *data and *count set, DMA_E_FILE_OPEN
// when the file cannot be opened, or DMA_E_FILE_READ when its size cannot
// be taken, does not fit in 32 bits, memory cannot be allocated, the read
// fails or the read brings fewer bytes than the size (the file changed while
// being read: parsing the shorter data could silently drop sections, which
// are optional from the end).  A file that grows meanwhile is read up to the
// size taken.  The file is closed and nothing is left allocated on failure.
int32_t ReadWholeFile(const WCHAR *path, GlobalBlock<uint8_t> *data, uint32_t *count) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return DMA_E_FILE_OPEN;

    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    if (size == INVALID_FILE_SIZE || high != 0) {
        CloseHandle(file);
        return DMA_E_FILE_READ;
    }
    // At least one byte, so that an empty file still has a buffer.
    GlobalBlock<uint8_t> buffer(size ? size : 1);
    if (!buffer) {
        CloseHandle(file);
        return DMA_E_FILE_READ;
    }
    DWORD read = 0;
    BOOL ok = ReadFile(file, buffer.get(), size, &read, nullptr);
    CloseHandle(file);
    if (!ok || read != size) return DMA_E_FILE_READ;
    *data = std::move(buffer);
    *count = read;
    return DMA_OK;
}

// True when the caller's buffers hold every section of `layout`.
bool BuffersReach(const DocPropBuffers *b, const DocPropLayout &layout) {
    if (b->ndev == nullptr || b->ndevSize < layout.size[kSectionNdev]) return false;
    if (b->tmbInfo == nullptr || b->tmbInfoSize < layout.size[kSectionTmbInfo]) return false;
    if (b->spInfo == nullptr || b->spInfoSize < layout.size[kSectionSpInfo]) return false;
    if (layout.size[kSectionFax] != 0 &&
        (b->faxBlock == nullptr || b->faxBlockSize < layout.faxCurrentSize))
        return false;
    return true;
}

// Contract: hands the parsed sections of data[0, count) over to the caller's
// buffers.  DMA_OK; DMA_E_MORE_DATA with the four needed sizes written when a
// buffer is missing or too small; DMA_E_FILE_FORMAT when an old fax section
// cannot be converted; DMA_E_FILE_READ when the conversion's work buffer
// cannot be allocated.  On every result but DMA_OK (and the sizes of
// DMA_E_MORE_DATA) the caller's buffers and record are untouched.
int32_t HandOver(const uint8_t *data, uint32_t count, DocPropBuffers *buffers) {
    DocPropLayout layout;
    int32_t parsed = ParseDocPropFile(data, count, &layout);
    if (parsed != DMA_OK) return parsed;

    const uint8_t *fax = layout.start[kSectionFax];
    uint32_t faxLeft = fax ? count - static_cast<uint32_t>(fax - data) : 0;
    // The conversion takes an old section only when it reaches exactly to the
    // end of the file; a section that it would refuse is a broken file, found
    // before the buffers are looked at, like every other format failure.
    if (layout.faxOld && faxLeft != layout.size[kSectionFax]) return DMA_E_FILE_FORMAT;

    if (!BuffersReach(buffers, layout)) {
        buffers->ndevSize = layout.size[kSectionNdev];
        buffers->tmbInfoSize = layout.size[kSectionTmbInfo];
        buffers->spInfoSize = layout.size[kSectionSpInfo];
        buffers->faxBlockSize = layout.faxCurrentSize;
        return DMA_E_MORE_DATA;
    }

    // Convert an old fax section first, into a work buffer, so that a refusal
    // leaves every caller's buffer as it was.
    GlobalBlock<uint8_t> converted;
    if (layout.faxOld) {
        converted = GlobalBlock<uint8_t>(layout.faxCurrentSize);
        if (!converted) return DMA_E_FILE_READ;
        // Entry bytes 818-819 are not written by the conversion: keep the
        // caller's bytes there, as a conversion in place would.
        std::memcpy(converted.get(), buffers->faxBlock, layout.faxCurrentSize);
        if (!UpgradeFaxBlock(converted.get(), fax, layout.faxCurrentSize, faxLeft))
            return DMA_E_FILE_FORMAT;
    }

    const DocPropSection plain[] = {kSectionNdev, kSectionTmbInfo, kSectionSpInfo};
    void *const targets[] = {buffers->ndev, buffers->tmbInfo, buffers->spInfo};
    for (size_t i = 0; i < 3; ++i)
        if (layout.size[plain[i]] != 0)
            std::memcpy(targets[i], layout.start[plain[i]], layout.size[plain[i]]);
    if (fax != nullptr)
        std::memcpy(buffers->faxBlock, converted ? converted.get() : fax, layout.faxCurrentSize);
    return DMA_OK;
}

}  // namespace


// Writes the caller's "NDEV001", "TMBINFO", "SPINFO" and fax sections, in
// that order, to the file named by item 374.  faxBlock may be null; the other
// three pointers are required even when their sizes are 0.
int32_t ExtractDocProp(DmaContext *context, DocPropBuffers *buffers) {
    if (context == nullptr || buffers == nullptr || buffers->ndev == nullptr ||
        buffers->tmbInfo == nullptr || buffers->spInfo == nullptr)
        return DMA_E_FAILED;
    PathText path;
    int32_t located = LocatePath(context, kDocPropPathItem, &path);
    if (located != DMA_OK) return located;
    if (path.Empty()) return DMA_OK;

    const Section sections[] = {{buffers->ndev, buffers->ndevSize},
                                {buffers->tmbInfo, buffers->tmbInfoSize},
                                {buffers->spInfo, buffers->spInfoSize},
                                {buffers->faxBlock, buffers->faxBlockSize}};
    return WriteDocPropFile(path.text, sections, 4, DMA_E_FILE_OPEN, DMA_E_FILE_WRITE);
}

// Writes the caller's fax section alone to the file named by item 375.
int32_t ExtractOneTime(DmaContext *context, DocPropBuffers *buffers) {
    if (context == nullptr || buffers == nullptr || buffers->faxBlock == nullptr)
        return DMA_E_FAILED;
    PathText path;
    int32_t located = LocatePath(context, kFaxFilePathItem, &path);
    if (located != DMA_OK) return located;
    if (path.Empty()) return DMA_OK;

    const Section fax = {buffers->faxBlock, buffers->faxBlockSize};
    return WriteDocPropFile(path.text, &fax, 1, DMA_E_FAXFILE_OPEN, DMA_E_FAXFILE_WRITE);
}

// Reads the file named by item 374 back into the caller's buffers.  Called
// with missing or small buffers it answers -5 with the sizes it needs (the
// fax size always in the current layout).
int32_t ReplaceDocProp(DmaContext *context, DocPropBuffers *buffers) {
    if (context == nullptr || buffers == nullptr) return DMA_E_FAILED;
    PathText path;
    int32_t located = LocatePath(context, kDocPropPathItem, &path);
    if (located != DMA_OK) return located;
    if (path.Empty()) return DMA_OK;

    GlobalBlock<uint8_t> data;
    uint32_t count = 0;
    int32_t read = ReadWholeFile(path.text, &data, &count);
    if (read != DMA_OK) return read;
    return HandOver(data.get(), count, buffers);
}

}  // namespace dma
