// meanings.h - what an integer value means: the Windows names of the values
// of the public DEVMODEW members (dmPaperSize 9 is DMPAPER_A4, from
// value_meanings.inc), and the value names a team's names file gives any
// setting ("0x0101 TonerSave 0=Off 1=On", see names.h).  A team's name for a
// value comes before the built-in one; both are accepted.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace dmaclient {

// One named value of a setting.
struct ValueName {
    int64_t value;
    std::string name;
    bool operator==(const ValueName &) const = default;
};

// The built-in value names of a setting, in the table's order; empty for a
// setting without any (every one but the public members the table lists).
const std::vector<ValueName> &BuiltInMeanings(uint16_t dmaId);

// Every setting with built-in value names, ascending by DMA ID.
std::vector<uint16_t> SettingsWithBuiltInMeanings();

// True when the built-in table or the team's file names any value of it.
bool HasValueNames(uint16_t dmaId);

// Every named value of a setting, ascending: the team's names, then the
// built-in ones for the values the team leaves unnamed.
std::vector<ValueName> ValueNamesOf(uint16_t dmaId);

// The name of `value` for the setting `dmaId` ("DMPAPER_A4"), or "" when the
// value has none.
std::string MeaningOf(uint16_t dmaId, int64_t value);

// The value that `text` names for the setting `dmaId` (any case); false when
// it names no value of that setting.
bool ValueOfMeaning(uint16_t dmaId, const std::string &text, int64_t &value);

}  // namespace dmaclient
