// operations.cpp - the exported document-property operations: write the
// caller's sections to the file named by the path setting (item 374), write
// the fax section alone to the file named by item 375, and read the first
// file back into the caller's buffers, converting an old fax section.
//
// The file names are settings in the caller's DEVMODEW record (258-byte
// UTF-16 fields), found through the raw read like every other setting.  An
// empty path means "no file": the operations then succeed and touch nothing.
//
// Writing first walks the caller's buffers as the file they will become,
// with the reader's own rules (WalkDocPropFile), and refuses with
// DMA_E_FILE_FORMAT before the file is created: a file that the reader
// would refuse is never written, and an existing file is left as it was.
//
// Reading walks the file itself, one section at a time: each header is read
// and judged before the bytes behind it, so a broken file is refused after
// reading at most the sections before the fault, and bytes after the last
// section are never read.  A section's bytes are kept only while the
// caller's buffers can take them (a size query keeps none), so the reader
// holds no more than the caller receives.  A broken file is reported as such
// even to a size query.  Nothing is copied into the caller's buffers until
// every check - including the conversion of an old fax section, done into a
// work buffer - has passed.
#include "docprop/docprop.h"

#include <algorithm>
#include <utility>

#include "engine/engine.h"

namespace dma {

namespace {

constexpr uint16_t kDocPropPathItem = 374;  // DMA ID 0x176
constexpr uint16_t kFaxFilePathItem = 375;  // DMA ID 0x177
// Both path fields hold 129 UTF-16 units with the terminator.
constexpr size_t kPathUnits = 129;
// The largest file the reader takes: GetFileSize answers 0xFFFFFFFF as its
// failure value, and a size above it does not fit the low 32 bits.
constexpr uint64_t kLargestReadableFile = 0xFFFFFFFEu;

// A path setting copied out of the caller's record, always terminated.
struct PathText {
    WCHAR text[kPathUnits + 1];
    bool Empty() const { return text[0] == 0; }
};

// One buffer of the caller's record, in the order it goes into the file.
// A buffer without a pointer or without bytes is left out of the file.
struct Section {
    const void *data;
    uint32_t size;
    bool Written() const { return data != nullptr && size != 0; }
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

// The caller's written sections, back to back, as the file they will
// become.  Headers that straddle two buffers are gathered into a copy; the
// sections' bytes are not kept (Take leaves their start null).
class PlannedFile final : public SectionSource {
public:
    PlannedFile(const Section *sections, size_t count) : sections_(sections), count_(count) {}
    // The file's size, which may pass what 32 bits hold.
    uint64_t Size() const {
        uint64_t total = 0;
        for (size_t i = 0; i < count_; ++i)
            if (sections_[i].Written()) total += sections_[i].size;
        return total;
    }
    int32_t Head(uint32_t pos, uint32_t n, const uint8_t **head) override {
        uint32_t copied = 0;
        uint64_t bufferStart = 0;
        for (size_t i = 0; i < count_ && copied < n; ++i) {
            const Section &buffer = sections_[i];
            if (!buffer.Written()) continue;
            const uint64_t bufferEnd = bufferStart + buffer.size;
            const uint64_t at = uint64_t{pos} + copied;
            if (at < bufferEnd) {
                const uint64_t take = std::min<uint64_t>(bufferEnd - at, n - copied);
                const uint8_t *from = static_cast<const uint8_t *>(buffer.data);
                std::memcpy(head_ + copied, from + (at - bufferStart), static_cast<size_t>(take));
                copied += static_cast<uint32_t>(take);
            }
            bufferStart = bufferEnd;
        }
        *head = head_;
        return DMA_OK;
    }
    int32_t Take(DocPropSection, uint32_t, DocPropLayout *) override { return DMA_OK; }

private:
    const Section *sections_;
    size_t count_;
    uint8_t head_[kLargestSectionHead];
};

// Contract: DMA_OK when the written sections form a file that the reader
// takes (ReplaceDocProp reads it back without a format failure), else
// DMA_E_FILE_FORMAT.  Reads only the caller's headers.
int32_t CheckPlannedFile(const Section *sections, size_t count) {
    PlannedFile file(sections, count);
    const uint64_t size = file.Size();
    if (size > kLargestReadableFile) return DMA_E_FILE_FORMAT;
    DocPropLayout layout;
    return WalkDocPropFile(file, static_cast<uint32_t>(size), &layout);
}

// Contract: creates (or replaces) the file at `path` and writes every
// written section, in the given order, one WriteFile call each.  Returns
// DMA_OK, `openFailure` when the file cannot be created, or `writeFailure`
// when a write fails (the writing stops there; the file keeps what was
// written).  The file is closed on every path.
int32_t WriteDocPropFile(const WCHAR *path, const Section *sections, size_t sectionCount,
                         int32_t openFailure, int32_t writeFailure) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return openFailure;

    int32_t result = DMA_OK;
    for (size_t i = 0; i < sectionCount; ++i) {
        if (!sections[i].Written()) continue;
        DWORD written = 0;
        if (!WriteFile(file, sections[i].data, sections[i].size, &written, nullptr)) {
            result = writeFailure;
            break;
        }
    }
    CloseHandle(file);
    return result;
}

// The caller's buffer for section `s` and its size.
Section CallerBuffer(const DocPropBuffers *b, DocPropSection s) {
    switch (s) {
    case kSectionNdev: return {b->ndev, b->ndevSize};
    case kSectionTmbInfo: return {b->tmbInfo, b->tmbInfoSize};
    case kSectionSpInfo: return {b->spInfo, b->spInfoSize};
    default: return {b->faxBlock, b->faxBlockSize};
    }
}

// True when the caller's buffer for section `s` takes what the section
// hands over: its size, for the fax section its size in the current layout.
bool BufferTakes(const DocPropBuffers *b, DocPropSection s, const DocPropLayout &layout) {
    const Section buffer = CallerBuffer(b, s);
    const uint32_t need = s == kSectionFax ? layout.faxCurrentSize : layout.size[s];
    return buffer.data != nullptr && buffer.size >= need;
}

// True when the caller's buffers hold every section of `layout`.  The three
// plain buffers are needed even for absent sections; the fax block only
// when the file has a fax section.
bool BuffersReach(const DocPropBuffers *b, const DocPropLayout &layout) {
    for (DocPropSection s : {kSectionNdev, kSectionTmbInfo, kSectionSpInfo})
        if (!BufferTakes(b, s, layout)) return false;
    return layout.size[kSectionFax] == 0 || BufferTakes(b, kSectionFax, layout);
}

// The file being read, one section at a time in file order, each header
// before the bytes behind it.  A section accepted by the walk is read into a
// GlobalAlloc block of its size - the walk has checked it against the file's
// size - while every buffer so far takes its section; after the first one
// that does not (the answer will be DMA_E_MORE_DATA), the blocks are freed
// and the rest is read through a small scratch area, only to find the
// headers behind it.  Any failed or short read is DMA_E_FILE_READ: a file
// that shrank must not lose sections, which are optional from the end.
class FileSections final : public SectionSource {
public:
    FileSections(HANDLE file, const DocPropBuffers *buffers) : file_(file), buffers_(buffers) {}
    int32_t Head(uint32_t, uint32_t n, const uint8_t **head) override {
        headBytes_ = n;
        *head = scratch_;
        return ReadExactly(scratch_, n);
    }
    int32_t Take(DocPropSection s, uint32_t, DocPropLayout *layout) override {
        const uint32_t size = layout->size[s], rest = size - headBytes_;
        if (keeping_ && !BufferTakes(buffers_, s, *layout)) {
            keeping_ = false;
            for (int i = 0; i < kSectionCount; ++i) {
                blocks_[i].Reset();
                layout->start[i] = nullptr;
            }
        }
        if (!keeping_) return Skip(rest);
        GlobalBlock<uint8_t> block(size);
        if (!block) return DMA_E_FILE_READ;
        std::memcpy(block.get(), scratch_, headBytes_);
        const int32_t read = ReadExactly(block.get() + headBytes_, rest);
        if (read != DMA_OK) return read;
        layout->start[s] = block.get();
        blocks_[s] = std::move(block);
        return DMA_OK;
    }

private:
    int32_t ReadExactly(uint8_t *to, uint32_t n) {
        if (n == 0) return DMA_OK;
        DWORD read = 0;
        if (!ReadFile(file_, to, n, &read, nullptr) || read != n) return DMA_E_FILE_READ;
        return DMA_OK;
    }
    int32_t Skip(uint32_t n) {
        while (n > 0) {
            const uint32_t piece = n < sizeof scratch_ ? n : uint32_t{sizeof scratch_};
            const int32_t read = ReadExactly(scratch_, piece);
            if (read != DMA_OK) return read;
            n -= piece;
        }
        return DMA_OK;
    }

    HANDLE file_;
    const DocPropBuffers *buffers_;
    bool keeping_ = true;
    uint32_t headBytes_ = 0;  // bytes of the last header, at the start of scratch_
    uint8_t scratch_[4096];
    static_assert(sizeof(scratch_) >= kLargestSectionHead);
    GlobalBlock<uint8_t> blocks_[kSectionCount];
};

// Contract: hands the sections of `layout` over to the caller's buffers.
// DMA_OK; DMA_E_MORE_DATA with the four needed sizes written when a buffer
// is missing or too small; DMA_E_FILE_FORMAT when an old fax section cannot
// be converted; DMA_E_FILE_READ when the conversion's work buffer cannot be
// allocated.  On every result but DMA_OK (and the sizes of DMA_E_MORE_DATA)
// the caller's buffers and record are untouched.
int32_t HandOver(const DocPropLayout &layout, DocPropBuffers *buffers) {
    if (!BuffersReach(buffers, layout)) {
        buffers->ndevSize = layout.size[kSectionNdev];
        buffers->tmbInfoSize = layout.size[kSectionTmbInfo];
        buffers->spInfoSize = layout.size[kSectionSpInfo];
        buffers->faxBlockSize = layout.faxCurrentSize;
        return DMA_E_MORE_DATA;
    }

    // Convert an old fax section first, into a work buffer, so that a refusal
    // leaves every caller's buffer as it was.  The walk took it only when it
    // ends the file, as the conversion demands.
    const uint8_t *fax = layout.start[kSectionFax];
    GlobalBlock<uint8_t> converted;
    if (layout.faxOld) {
        converted = GlobalBlock<uint8_t>(layout.faxCurrentSize);
        if (!converted) return DMA_E_FILE_READ;
        // Entry bytes 818-819 are not written by the conversion: keep the
        // caller's bytes there, as a conversion in place would.
        std::memcpy(converted.get(), buffers->faxBlock, layout.faxCurrentSize);
        if (!UpgradeFaxBlock(converted.get(), fax, layout.faxCurrentSize,
                             layout.size[kSectionFax]))
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


// Writes the caller's DMA_NDEV_SIGNATURE, "TMBINFO", "SPINFO" and fax sections, in
// that order, to the file named by item 374.  faxBlock may be null; the other
// three pointers are required even when their sizes are 0.  Sections that
// the reader would refuse (a missing section in the middle, a length field
// or fax count that disagrees with the buffer's size) give
// DMA_E_FILE_FORMAT before the file is created.
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
    const int32_t checked = CheckPlannedFile(sections, 4);
    if (checked != DMA_OK) return checked;
    return WriteDocPropFile(path.text, sections, 4, DMA_E_FILE_OPEN, DMA_E_FILE_WRITE);
}

// Writes the caller's fax section alone to the file named by item 375.  No
// operation reads that file back, so the block is held to the rules of a fax
// section that ends a document-property file; a size of 0 writes an empty
// file, as no section.  A block those rules refuse gives DMA_E_FILE_FORMAT
// before the file is created.
int32_t ExtractOneTime(DmaContext *context, DocPropBuffers *buffers) {
    if (context == nullptr || buffers == nullptr || buffers->faxBlock == nullptr)
        return DMA_E_FAILED;
    PathText path;
    int32_t located = LocatePath(context, kFaxFilePathItem, &path);
    if (located != DMA_OK) return located;
    if (path.Empty()) return DMA_OK;

    const Section fax = {buffers->faxBlock, buffers->faxBlockSize};
    if (fax.Written()) {
        const int32_t checked = CheckFaxSection(static_cast<const uint8_t *>(fax.data), fax.size);
        if (checked != DMA_OK) return checked;
    }
    return WriteDocPropFile(path.text, &fax, 1, DMA_E_FAXFILE_OPEN, DMA_E_FAXFILE_WRITE);
}

// Reads the file named by item 374 back into the caller's buffers.  Called
// with missing or small buffers it answers -5 with the sizes it needs (the
// fax size always in the current layout).  The file is opened, its size
// taken and walked with FileSections: DMA_E_FILE_OPEN when it cannot be
// opened; DMA_E_FILE_READ when its size cannot be taken or passes
// kLargestReadableFile, memory cannot be allocated or a read fails or comes
// short; DMA_E_FILE_FORMAT when the walk refuses it.  A file that grows
// meanwhile is read up to the size taken.  The file is closed before the
// sections are handed over, and on every other path.
int32_t ReplaceDocProp(DmaContext *context, DocPropBuffers *buffers) {
    if (context == nullptr || buffers == nullptr) return DMA_E_FAILED;
    PathText path;
    int32_t located = LocatePath(context, kDocPropPathItem, &path);
    if (located != DMA_OK) return located;
    if (path.Empty()) return DMA_OK;

    HANDLE file = CreateFileW(path.text, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return DMA_E_FILE_OPEN;
    DWORD high = 0;
    const DWORD size = GetFileSize(file, &high);
    if (size == INVALID_FILE_SIZE || high != 0) {
        CloseHandle(file);
        return DMA_E_FILE_READ;
    }
    FileSections sections(file, buffers);
    DocPropLayout layout;
    const int32_t walked = WalkDocPropFile(sections, size, &layout);
    CloseHandle(file);
    if (walked != DMA_OK) return walked;
    return HandOver(layout, buffers);
}

}  // namespace dma
