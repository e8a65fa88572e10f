// format.cpp - the document-property file format: the section walk that
// judges every file, and the conversion of a fax section from the old
// DMA_FAX_OLD_SIGNATURE layout (768-byte entries) to the current DMA_FAX_SIGNATURE layout
// (820-byte entries).
//
// A file is up to four sections back to back, in this order:
//   DMA_NDEV_SIGNATURE  16-byte signature, 32-bit 0x5250, 32-bit length P, P bytes
//   "TMBINFO"  16-byte signature, 32-bit length T, T bytes
//   "SPINFO"   14-byte signature + one unchecked unit, 32-bit length S, S bytes
//   fax        a FaxAddressBlock: 1442-byte header (count at 16) + entries
// A section is present when the bytes left after the ones before it reach its
// minimum size (24, 20, 20, 1442); a present section must be valid.  Bytes
// after a fax section in the current layout, or too few for the next
// section, are ignored.  A fax section in the old layout must end exactly
// where the file ends: its conversion takes nothing else.
//
// The walk is the only place these rules live.  It asks a SectionSource for
// each header and then for each accepted section, so the same rules judge a
// file in memory (ParseDocPropFile), a file being read one section at a time
// (the reader never holds more than the sections it accepted) and the
// caller's buffers about to be written (nothing is written that the reader
// would refuse).  The header's lengths are checked with FitsWithin against
// the bytes that remain, in 64-bit arithmetic, before anything behind them
// is asked for: the walk never looks outside [0, count).
#include "docprop/docprop.h"

#include <cstddef>
#include <iterator>

#include "text/text.h"

namespace dma {

namespace {

// The three sections before the fax section share one form: a 16-byte
// UTF-16 signature, for DMA_NDEV_SIGNATURE a 32-bit magic number, then the 32-bit
// payload length that ends the header, then the payload.  Indexed by
// DocPropSection.
struct PlainSection {
    const char *signature;
    size_t signatureUnits;  // units compared, terminator included
    uint32_t magic;         // at byte 16; 0: none
    uint32_t header;        // header bytes, the length in the last four
};
// The layouts are the public header's section structs.
constexpr PlainSection kPlainSections[] = {
    {DMA_NDEV_SIGNATURE, std::size(DmaNdevHeader{}.signature), DMA_NDEV_MAGIC,
     sizeof(DmaNdevHeader)},
    {DMA_TMBINFO_SIGNATURE, std::size(DmaTmbInfoHeader{}.signature), 0,
     sizeof(DmaTmbInfoHeader)},
    // 7 units: the signature's 8th unit is not part of it.
    {DMA_SPINFO_SIGNATURE, std::size(DmaSpInfoHeader{}.signature), 0, sizeof(DmaSpInfoHeader)},
};
static_assert(offsetof(DmaNdevHeader, magic) == 16 &&
              offsetof(DmaNdevHeader, payloadSize) == sizeof(DmaNdevHeader) - 4 &&
              offsetof(DmaTmbInfoHeader, payloadSize) == sizeof(DmaTmbInfoHeader) - 4 &&
              offsetof(DmaSpInfoHeader, payloadSize) == sizeof(DmaSpInfoHeader) - 4);
static_assert(kPlainSections[kSectionNdev].header == kSectionMinimum[kSectionNdev] &&
              kPlainSections[kSectionTmbInfo].header == kSectionMinimum[kSectionTmbInfo] &&
              kPlainSections[kSectionSpInfo].header == kSectionMinimum[kSectionSpInfo]);

constexpr uint32_t kFaxHeader = DMA_FAX_HEADER_SIZE;
constexpr uint32_t kFaxEntry = DMA_FAX_ENTRY_SIZE;
constexpr uint32_t kOldFaxEntry = DMA_FAX_OLD_ENTRY_SIZE;
constexpr size_t kFaxCountOffset = offsetof(FaxAddressBlock, count);

// Where the current entry keeps the Base64 form of the old entry's last 16
// bytes (item 1897 at 752-767, in the old entry as in the current one):
// item 1894, 25 UTF-16 units at 768-817.
constexpr uint32_t kItem1897Offset = offsetof(FaxAddressEntry, item1897);
constexpr int32_t kItem1897Size = sizeof(FaxAddressEntry::item1897);
constexpr uint32_t kItem1894Offset = offsetof(FaxAddressEntry, item1894);
constexpr int kItem1894Units = sizeof(FaxAddressEntry::item1894) / sizeof(DMA_WCHAR);
static_assert(kItem1897Offset + kItem1897Size == kOldFaxEntry && kItem1894Units == 25);

// True when the `units` UTF-16 units at p spell the ASCII text `sig`
// followed by zero units up to `units` (the terminator is part of the
// signature).  Compares bytes, so p needs no alignment.
bool SignatureIs(const uint8_t *p, const char *sig, size_t units) {
    size_t i = 0;
    for (; i < units && sig[i] != '\0'; ++i)
        if (p[2 * i] != static_cast<uint8_t>(sig[i]) || p[2 * i + 1] != 0) return false;
    for (; i < units; ++i)
        if (p[2 * i] != 0 || p[2 * i + 1] != 0) return false;
    return true;
}

// Judges the section `s` whose first kSectionMinimum[s] bytes are at `head`,
// with `remaining` bytes (at least that minimum) left in the file from its
// start.  True with its size, header included, and for the fax section its
// layout and size in the current layout, in *found; false when the reader
// must refuse it.
bool SectionIsValid(DocPropSection s, const uint8_t *head, uint32_t remaining,
                    DocPropLayout *found) {
    if (s != kSectionFax) {
        const PlainSection &p = kPlainSections[s];
        if (!SignatureIs(head, p.signature, p.signatureUnits)) return false;
        if (p.magic != 0 && Load32(head + 16) != p.magic) return false;
        const uint32_t payload = Load32(head + p.header - 4);
        if (!FitsWithin(p.header, payload, remaining)) return false;
        found->size[s] = p.header + payload;
        return true;
    }
    // Fax section: current or old layout, entries counted by the header.
    const uint32_t entries = Load16(head + kFaxCountOffset);
    uint32_t entrySize;
    if (HasFaxSignature(head, DMA_FAX_SIGNATURE)) {
        entrySize = kFaxEntry;
    } else if (HasFaxSignature(head, DMA_FAX_OLD_SIGNATURE)) {
        entrySize = kOldFaxEntry;
    } else {
        return false;
    }
    // At most 1442 + 820 * 65535: no overflow in 32 bits.
    const uint32_t size = kFaxHeader + entrySize * entries;
    if (!FitsWithin(0, size, remaining)) return false;
    if (entrySize == kOldFaxEntry && size != remaining) return false;
    found->size[s] = size;
    found->faxOld = entrySize == kOldFaxEntry;
    found->faxCurrentSize = kFaxHeader + kFaxEntry * entries;
    return true;
}

// A file in memory: every section is where it lies.
class MemorySource final : public SectionSource {
public:
    explicit MemorySource(const uint8_t *data) : data_(data) {}
    int32_t Head(uint32_t pos, uint32_t, const uint8_t **head) override {
        *head = data_ + pos;
        return DMA_OK;
    }
    int32_t Take(DocPropSection s, uint32_t pos, DocPropLayout *layout) override {
        layout->start[s] = data_ + pos;
        return DMA_OK;
    }

private:
    const uint8_t *data_;
};

}  // namespace

// Contract: see docprop.h.  Each section in turn is looked at only when the
// bytes left reach its minimum: a file of 20-23 bytes has no room for
// DMA_NDEV_SIGNATURE and is looked at as a "TMBINFO" section, like any file whose
// remaining bytes fall between two sections' minimum sizes.
int32_t WalkDocPropFile(SectionSource &source, uint32_t count, DocPropLayout *layout) {
    if (layout == nullptr) return DMA_E_FILE_FORMAT;
    DocPropLayout found{};
    uint32_t pos = 0;  // bytes taken by the sections so far
    for (int i = 0; i < kSectionCount; ++i) {
        const DocPropSection s = static_cast<DocPropSection>(i);
        const uint32_t remaining = count - pos;
        if (remaining < kSectionMinimum[s]) continue;
        const uint8_t *head = nullptr;
        int32_t result = source.Head(pos, kSectionMinimum[s], &head);
        if (result != DMA_OK) return result;
        if (!SectionIsValid(s, head, remaining, &found)) return DMA_E_FILE_FORMAT;
        result = source.Take(s, pos, &found);
        if (result != DMA_OK) return result;
        pos += found.size[s];
    }
    *layout = found;
    return DMA_OK;
}

// Contract: see docprop.h.
int32_t ParseDocPropFile(const uint8_t *data, uint32_t count, DocPropLayout *layout) {
    if (layout == nullptr || (data == nullptr && count != 0)) return DMA_E_FILE_FORMAT;
    MemorySource source(data);
    return WalkDocPropFile(source, count, layout);
}

// Contract: see docprop.h.  The rules are those of a fax section that the
// walk finds present: its header whole, then as at the end of a file.
int32_t CheckFaxSection(const uint8_t *block, uint32_t size) {
    if (block == nullptr || size < kSectionMinimum[kSectionFax]) return DMA_E_FILE_FORMAT;
    DocPropLayout found{};
    return SectionIsValid(kSectionFax, block, size, &found) ? DMA_OK : DMA_E_FILE_FORMAT;
}

// Contract: converts the old fax section at `source` (sourceSize bytes left
// in the file from its start) into the current layout at `destination`
// (destinationSize bytes).  Returns 1, or 0 when the source is not an old
// section of exactly 1442 + 768 * count bytes, the destination is too small
// or a conversion step fails; entries converted before a failing step stay
// in the destination.  Entry bytes 818-819 are not written.
int UpgradeFaxBlock(void *destination, const void *source, uint32_t destinationSize,
                    uint32_t sourceSize) {
    if (destination == nullptr || source == nullptr) return 0;
    const uint8_t *src = static_cast<const uint8_t *>(source);
    uint8_t *dst = static_cast<uint8_t *>(destination);

    // The count lives in the header: a source too short to hold one is
    // refused before it is read.
    if (sourceSize < kFaxHeader) return 0;
    uint32_t entries = Load16(src + kFaxCountOffset);
    if (uint64_t{kFaxHeader} + uint64_t{kFaxEntry} * entries > destinationSize) return 0;
    if (!HasFaxSignature(src, DMA_FAX_OLD_SIGNATURE)) return 0;
    if (sourceSize != kFaxHeader + kOldFaxEntry * entries) return 0;

    std::memcpy(dst, src, kFaxHeader);
    WriteCurrentFaxSignature(dst);

    for (uint32_t j = 0; j < entries; ++j) {
        const uint8_t *oldEntry = src + kFaxHeader + size_t{kOldFaxEntry} * j;
        uint8_t *entry = dst + kFaxHeader + size_t{kFaxEntry} * j;
        std::memcpy(entry, oldEntry, kOldFaxEntry);

        // 16 bytes give 24 Base64 characters ("==" at the end); the 25th
        // byte stays zero and terminates the text.
        char text[25] = {};
        int32_t written = 0;
        if (EncodeBase64(oldEntry + kItem1897Offset, kItem1897Size, text, &written, 24) != 0)
            return 0;

        // The conversion writes into an aligned local array: the caller's
        // block need not be aligned for WCHAR.
        WCHAR wide[kItem1894Units] = {};
        int units = MultiByteToWideChar(CP_UTF8, 0, text, 25, wide, kItem1894Units);
        if (units <= 0 || units > kItem1894Units) return 0;
        std::memcpy(entry + kItem1894Offset, wide, size_t(units) * sizeof(WCHAR));
    }
    return 1;
}

}  // namespace dma
