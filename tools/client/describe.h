// describe.h - what `get`/`describe` tells about one setting beyond its
// place and value: the values it takes, the settings it drives and is driven
// by with the rule between them, and the settings that share its bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "record_files.h"
#include "settings.h"

namespace dmaclient {

struct Relations {
    std::string range;                   // "-32768 to 65535", "0 or 1 (off/on)", "text of at most 31 characters"
    std::vector<uint16_t> drives;        // settings a write of this one derives
    std::vector<uint16_t> drivenBy;      // settings whose writes derive this one
    std::vector<std::string> rule;       // one line a value: what the derived setting becomes
    std::vector<uint16_t> aliases;       // settings that share bytes with this one
};

// The DMA IDs the catalogue lists for a target type (1: whole catalogue,
// with the protected IDs and the fax header strings, ascending; 2-5 and 7: a
// record kind's fields, in the library's order).
std::vector<uint16_t> CatalogueIds(DmaContext &ctx, int target);
// A setting as the library describes it (true), or, for one it does not
// describe in these records, its place and the kind its stored type gives.
bool DescribeForCatalogue(DmaContext &ctx, uint16_t dmaId, Setting &out);

// True when two places hold at least one byte in common: one area, and
// ranges (a string's or font's capacity, else the stored width) that meet.
bool BytesOverlap(const Location &a, const Location &b);

// Asks the library on copies of the records for the linked rules (a write of
// each value under each orientation and class), and the catalogue for the
// places that overlap.
// What the linked setting of `driver` holds after `driver` is written with
// `value` on a copy of `records`, dmOrientation and the class setting (item
// 295) first written with `orientation` and `classValue` (-1: left as they
// are); nullopt when the library refuses the write.  The library is the
// oracle of every linked rule the tools show or describe.
std::optional<int64_t> LinkedOutcome(const RecordSet &records, const Setting &driver, int64_t value,
                                     int64_t orientation, int64_t classValue);

Relations DescribeRelations(DmaContext &ctx, const RecordSet &records, const Setting &s);

}  // namespace dmaclient
