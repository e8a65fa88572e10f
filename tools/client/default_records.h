// default_records.h - the built-in records dmactl uses when no file is given,
// and that `dmactl new` writes: blank records of the minimum sizes whose
// public DEVMODEW members hold usual values, and an empty fax-address block.
#pragma once

#include <cstdint>
#include <vector>

namespace dmaclient {

// DEVMODEW record of DMA_DEVMODE_MIN_SIZE bytes: dmSpecVersion 0x0401,
// dmSize 220, dmDriverExtra the size of the private part, portrait A4 at
// 600 dpi, one monochrome simplex uncollated copy, form "A4".  The members
// are set through the library's own setters.
std::vector<uint8_t> DefaultDevMode();
// Secondary settings record of DMA_SECONDARY_MIN_SIZE zero bytes.
std::vector<uint8_t> DefaultSecondary();
// Fax-address block header with the current signature, no destinations and
// empty header strings.
std::vector<uint8_t> DefaultFaxBlock();

}  // namespace dmaclient
