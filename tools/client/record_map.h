// record_map.h - which setting owns each byte of the records: the DEVMODEW
// record with its private part and the block at DMA_DEVMODE_EXT_BASE, the
// secondary settings record and the fax-address block.
//
// A setting owns the bytes of its place (a string's or font's capacity, else
// its stored width).  Many settings share bytes (a font and its members, the
// flags of one word, the byte-wide settings packed into a word), so a byte
// is given to the narrowest setting that covers it, the lower DMA ID on a
// tie: a font's members show through their font, and a word's flags through
// the first flag.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "record_files.h"
#include "settings.h"

namespace dmaclient {

// A setting's record, and its first byte and byte count in that record
// (area DMA_SA_DEVMODE_EXT counted from the start of the DEVMODEW record).
struct RecordPlace {
    RecordKind record;
    size_t offset;
    size_t width;
};
RecordPlace PlaceOf(const Location &l);

// A run of bytes with one owner: an index into the caller's list, or
// kNoOwner for bytes that no setting owns.
constexpr int kNoOwner = -1;
struct ByteRun {
    size_t start;
    size_t length;
    int owner;
};

// The runs of a record of `size` bytes, owners as indexes into `places`
// (only places in `record` count).
std::vector<ByteRun> OwnerRuns(RecordKind record, size_t size, const std::vector<RecordPlace> &places);

// The runs of bytes that differ between two records (beyond the shorter
// one, every byte of the longer differs); owner is kNoOwner.
std::vector<ByteRun> DifferingRuns(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b);

}  // namespace dmaclient
