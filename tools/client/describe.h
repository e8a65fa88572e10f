// describe.h - what `get`/`describe` tells about one setting beyond its
// place and value: the values it takes, the settings it drives and is driven
// by with the rule between them, and the settings that share its bytes.
#pragma once

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

// True when two places hold at least one byte in common: one area, and
// ranges (a string's or font's capacity, else the stored width) that meet.
bool BytesOverlap(const Location &a, const Location &b);

// Asks the library on copies of the records for the linked rules (a write of
// each value under each orientation and class), and the catalogue for the
// places that overlap.
Relations DescribeRelations(DmaContext &ctx, const RecordSet &records, const Setting &s);

}  // namespace dmaclient
