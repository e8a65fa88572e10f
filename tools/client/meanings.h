// meanings.h - what an integer value means: the Windows names of the values
// of the public DEVMODEW members (dmPaperSize 9 is DMPAPER_A4), and the value
// names a team's names file gives its private settings ("0x0101 TonerSave
// 0=Off 1=On").
#pragma once

#include <cstdint>
#include <string>

namespace dmaclient {

// The name of `value` for the setting `dmaId` ("DMPAPER_A4"), or "" when the
// value has none.
std::string MeaningOf(uint16_t dmaId, int64_t value);

// The value that `text` names for the setting `dmaId` (any case); false when
// it names no value of that setting.
bool ValueOfMeaning(uint16_t dmaId, const std::string &text, int64_t &value);

}  // namespace dmaclient
