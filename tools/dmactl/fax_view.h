// fax_view.h - what the fax and docprop commands show of a fax-address
// block: its count, header strings and destination entries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "json_form.h"

namespace dmactl {

using namespace dmaclient;  // the client core

struct FaxSummary {
    uint16_t count = 0;
    std::string header1, header2;  // UTF-8
};

// The count and header strings of a fax-address block.  The header is the
// same in both layouts, and the library reads the header strings of either;
// its count export serves only the current layout, so the count of an old
// block is read from the block itself.
FaxSummary SummariseFax(std::vector<uint8_t> &block, const std::string &what, bool oldLayout = false);

// "current (\"ZOVA002\", 820-byte entries)" or the old layout's.
const char *LayoutText(bool oldLayout);
// "header 1 (0xA001)": a fax header string named with its DMA ID.
std::string FaxHeaderLabel(uint16_t dmaId);

// Prints destination entries one at a time ("destination N" and a table of
// its fields), so that no more than one entry's text is held at once.
void PrintFaxEntries(const uint8_t *firstEntry, unsigned count, size_t entrySize);
// One destination entry in JSON: {"position": N, "fields": [...]}.
Json FaxEntryJson(const uint8_t *entry, size_t entrySize, unsigned position);
// Prints "  \"entries\": [ ... ]" (at `indent` spaces) one entry at a time,
// in the layout nlohmann's dump(2) gives a member at that depth; no newline
// after the closing bracket.
void PrintFaxEntriesJson(const uint8_t *firstEntry, unsigned count, size_t entrySize, size_t indent);

}  // namespace dmactl
