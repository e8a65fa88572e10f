// formats.h - the checks of the file formats a client reads before the
// library sees them: DEVMODEW headers, fax-address blocks in either layout,
// and the leading sections of a document-property file.  Signatures, sizes
// and places come from the public header's constants and structures only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "dmaccess/dmaccess.h"

namespace dmaclient {

// True when the first `units` UTF-16 units at p hold `signature` (ASCII)
// followed by zero units, as a section or fax-address block signature is
// stored (DMA_FAX_SIGNATURE and its terminator in 8 units).  p must hold 2 * units
// bytes.
bool SignatureIs(const uint8_t *p, const char *signature, size_t units = 8);

// The ASCII text of a UTF-16 signature of up to 8 units at p (its first 16
// bytes), '?' for any other unit.
std::string SignatureText(const uint8_t *p);

// The layouts of a fax-address block, told by its signature: the current one
// (820-byte entries), the old one (768-byte entries), or none of them.
enum class FaxLayout { Current, Old, Foreign };
FaxLayout FaxLayoutOf(const uint8_t *p);  // p holds at least 16 bytes

// The destination count a fax-address block at p announces; it sits at the
// same place in the old layout, so this serves both.
uint16_t FaxBlockCount(const uint8_t *p);

// What a block's header announces: its entries and the bytes they need.  A
// block of a foreign signature is measured as the current layout.
struct FaxBlockExtent {
    FaxLayout layout;
    unsigned count;
    size_t entrySize;
    uint64_t needed;  // header and every entry
};
FaxBlockExtent FaxExtentOf(const uint8_t *p);  // p holds at least DMA_FAX_HEADER_SIZE bytes

// Checks a fax-address block held in memory (size against its count);
// throws UserError naming `what`.
void CheckFaxBlockSize(const std::vector<uint8_t> &bytes, const std::string &what);

// Refuses (UserError) to write back a fax-address block read from `path`
// whose signature, in `original` as it was read, is not the current layout's.
// The library writes the current layout's header onto any block, so an
// old-layout block would end up with a current header over old entries, and
// a block with a foreign signature would be stamped as a fax-address block.
void CheckFaxBlockWritable(const std::vector<uint8_t> &original, const std::string &path);

// The DEVMODEW header's own account of the record: dmSize (offset 68) is the
// public part, 220 bytes, and dmDriverExtra (offset 70) the private part
// after it, so the two add up to the record's length.  A record whose two
// members are both 0 and that has exactly the minimum size is taken as a
// blank record not yet filled in.  Returns "" when the header agrees with
// `size` bytes, else what is wrong ("dmSize is 7974, ...").
std::string CheckDevModeHeader(const uint8_t *p, size_t size);

// The three sections that lead a document-property file, in file order:
// signature, for the first the magic word, then the payload length.
struct DocPropSectionFormat {
    const char *signature;
    size_t signatureUnits;
    size_t headerSize;
    bool magic;  // DMA_NDEV_MAGIC follows the signature
};
inline constexpr DocPropSectionFormat kDocPropSections[] = {
    {DMA_NDEV_SIGNATURE, std::size(DmaNdevHeader{}.signature), sizeof(DmaNdevHeader), true},
    {DMA_TMBINFO_SIGNATURE, std::size(DmaTmbInfoHeader{}.signature), sizeof(DmaTmbInfoHeader), false},
    {DMA_SPINFO_SIGNATURE, std::size(DmaSpInfoHeader{}.signature), sizeof(DmaSpInfoHeader), false},
};

}  // namespace dmaclient
