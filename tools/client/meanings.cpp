// meanings.cpp - the value names of meanings.h.
#include "meanings.h"

namespace dmaclient {

std::string MeaningOf(uint16_t, int64_t) { return {}; }

bool ValueOfMeaning(uint16_t, const std::string &, int64_t &) { return false; }

}  // namespace dmaclient
