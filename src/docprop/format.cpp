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

#include "text/text.h"

namespace dma {

namespace {

constexpr uint32_t kNdevHeader = 24;
constexpr uint32_t kTmbHeader = 20;
constexpr uint32_t kSpHeader = 20;
constexpr uint32_t kNdevMagic = 0x5250;
constexpr uint32_t kFaxHeader = DMA_FAX_HEADER_SIZE;
constexpr uint32_t kFaxEntry = DMA_FAX_ENTRY_SIZE;
constexpr uint32_t kOldFaxEntry = DMA_FAX_OLD_ENTRY_SIZE;

// Where the current entry keeps the Base64 form of the old entry's last 16
// bytes (item 1897 at 752-767): item 1894, 25 UTF-16 units at 768-817.
constexpr uint32_t kItem1897Offset = 752;
constexpr int32_t kItem1897Size = 16;
constexpr uint32_t kItem1894Offset = 768;
constexpr int kItem1894Units = 25;

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

    // "NDEV001": needs the whole 24-byte header.  A file of 20-23 bytes has
    // no room for it and is looked at as a "TMBINFO" section, like any file
    // whose remaining bytes fall between two sections' minimum sizes.
    if (remaining() >= kNdevHeader) {
        const uint8_t *s = data + pos;
        if (!SignatureIs(s, "NDEV001", 8) || Load32(s + 16) != kNdevMagic)
            return DMA_E_FILE_FORMAT;
        uint32_t payload = Load32(s + 20);
        if (!FitsWithin(kNdevHeader, payload, remaining())) return DMA_E_FILE_FORMAT;
        found.start[kSectionNdev] = s;
        found.size[kSectionNdev] = kNdevHeader + payload;
        pos += found.size[kSectionNdev];
    }

    // "TMBINFO": 8-unit signature, length at 16.
    if (remaining() >= kTmbHeader) {
        const uint8_t *s = data + pos;
        if (!SignatureIs(s, "TMBINFO", 8)) return DMA_E_FILE_FORMAT;
        uint32_t payload = Load32(s + 16);
        if (!FitsWithin(kTmbHeader, payload, remaining())) return DMA_E_FILE_FORMAT;
        found.start[kSectionTmbInfo] = s;
        found.size[kSectionTmbInfo] = kTmbHeader + payload;
        pos += found.size[kSectionTmbInfo];
    }

    // "SPINFO": 7-unit signature (terminator included); the 8th unit is not
    // part of it.  Length at 16.
    if (remaining() >= kSpHeader) {
        const uint8_t *s = data + pos;
        if (!SignatureIs(s, "SPINFO", 7)) return DMA_E_FILE_FORMAT;
        uint32_t payload = Load32(s + 16);
        if (!FitsWithin(kSpHeader, payload, remaining())) return DMA_E_FILE_FORMAT;
        found.start[kSectionSpInfo] = s;
        found.size[kSectionSpInfo] = kSpHeader + payload;
        pos += found.size[kSectionSpInfo];
    }

    // Fax section: current or old layout, entries counted by the header.
    if (remaining() >= kFaxHeader) {
        const uint8_t *s = data + pos;
        uint32_t entries = Load16(s + 16);
        uint32_t entrySize;
        if (SignatureIs(s, "ZOVA002", 8)) {
            entrySize = kFaxEntry;
        } else if (SignatureIs(s, "ZOVA001", 8)) {
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
    uint32_t entries = Load16(src + 16);
    if (uint64_t{kFaxHeader} + uint64_t{kFaxEntry} * entries > destinationSize) return 0;
    if (!SignatureIs(src, "ZOVA001", 8)) return 0;
    if (sourceSize != kFaxHeader + kOldFaxEntry * entries) return 0;

    std::memcpy(dst, src, kFaxHeader);
    static constexpr char kCurrent[] = "ZOVA002";
    for (size_t i = 0; i < 8; ++i) {
        dst[2 * i] = static_cast<uint8_t>(kCurrent[i]);  // includes the terminator
        dst[2 * i + 1] = 0;
    }

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
