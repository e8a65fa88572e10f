// format.cpp - the document-property file format: the section parser and the
// conversion of a fax section from the old "ZOVA001" layout (768-byte
// entries) to the current "ZOVA002" layout (820-byte entries).
//
// A file is up to four sections back to back, in this order:
//   "NDEV001"  16-byte signature, 32-bit 0x5250, 32-bit length P, P bytes
//   "TMBINFO"  16-byte signature, 32-bit length T, T bytes
//   "SPINFO"   14-byte signature + one unchecked unit, 32-bit length S, S bytes
//   fax        a FaxAddressBlock: 1442-byte header (count at 16) + entries
// A section is present when the bytes left after the ones before it reach its
// minimum size (24, 20, 20, 1442); a present section must be valid.  Bytes
// after the fax section, or too few for the next section, are ignored.
//
// Every length that comes from the file is checked with FitsWithin against
// the bytes that remain, in 64-bit arithmetic, before anything behind it is
// read: the parse never looks outside data[0, count).
#include "docprop/docprop.h"

#include <cstddef>

#include "text/text.h"

namespace dma {

namespace {

// The three sections before the fax section share one form: a 16-byte
// UTF-16 signature, for "NDEV001" a 32-bit magic number, then the 32-bit
// payload length that ends the header, then the payload.
struct PlainSection {
    DocPropSection section;
    const char *signature;
    size_t signatureUnits;  // units compared, terminator included
    uint32_t magic;         // at byte 16; 0: none
    uint32_t header;        // header bytes, the length in the last four
};
constexpr PlainSection kPlainSections[] = {
    {kSectionNdev, "NDEV001", 8, 0x5250, 24},
    {kSectionTmbInfo, "TMBINFO", 8, 0, 20},
    // 7 units: the signature's 8th unit is not part of it.
    {kSectionSpInfo, "SPINFO", 7, 0, 20},
};

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

}  // namespace

// Contract: fills `layout` and returns 1 when the file's bytes form a valid
// sequence of sections; returns DMA_E_FILE_FORMAT and leaves `layout`
// untouched otherwise.  Reads only data[0, count).
int32_t ParseDocPropFile(const uint8_t *data, uint32_t count, DocPropLayout *layout) {
    if (layout == nullptr || (data == nullptr && count != 0)) return DMA_E_FILE_FORMAT;

    DocPropLayout found{};
    uint64_t pos = 0;  // bytes taken by the sections so far
    auto remaining = [&] { return uint64_t{count} - pos; };

    // Each section needs its whole header.  A file of 20-23 bytes has no room
    // for "NDEV001" and is looked at as a "TMBINFO" section, like any file
    // whose remaining bytes fall between two sections' minimum sizes.
    for (const PlainSection &p : kPlainSections) {
        if (remaining() < p.header) continue;
        const uint8_t *s = data + pos;
        if (!SignatureIs(s, p.signature, p.signatureUnits)) return DMA_E_FILE_FORMAT;
        if (p.magic != 0 && Load32(s + 16) != p.magic) return DMA_E_FILE_FORMAT;
        const uint32_t payload = Load32(s + p.header - 4);
        if (!FitsWithin(p.header, payload, remaining())) return DMA_E_FILE_FORMAT;
        found.start[p.section] = s;
        found.size[p.section] = p.header + payload;
        pos += found.size[p.section];
    }

    // Fax section: current or old layout, entries counted by the header.
    if (remaining() >= kFaxHeader) {
        const uint8_t *s = data + pos;
        uint32_t entries = Load16(s + kFaxCountOffset);
        uint32_t entrySize;
        if (HasFaxSignature(s, "ZOVA002")) {
            entrySize = kFaxEntry;
        } else if (HasFaxSignature(s, "ZOVA001")) {
            entrySize = kOldFaxEntry;
            found.faxOld = true;
        } else {
            return DMA_E_FILE_FORMAT;
        }
        // At most 1442 + 820 * 65535: no overflow in 32 bits.
        uint32_t size = kFaxHeader + entrySize * entries;
        if (!FitsWithin(0, size, remaining())) return DMA_E_FILE_FORMAT;
        found.start[kSectionFax] = s;
        found.size[kSectionFax] = size;
        found.faxCurrentSize = kFaxHeader + kFaxEntry * entries;
    }

    *layout = found;
    return DMA_OK;
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
    if (!HasFaxSignature(src, "ZOVA001")) return 0;
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
