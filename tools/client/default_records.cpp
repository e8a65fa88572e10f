// default_records.cpp - the built-in default records.
//
// The values are written through the library's exports, as any client would
// set them, so the defaults also follow the library's own storage rules.
#include "default_records.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include "dmaccess/dmaccess.h"

namespace dmaclient {
namespace {

constexpr int32_t kPublicSize = 220;  // sizeof(DEVMODEW)

// DEVMODEW dmFields bits (DM_ORIENTATION ...) of the members given a value here.
constexpr int32_t kFieldOrientation = 0x1, kFieldPaperSize = 0x2, kFieldScale = 0x10, kFieldCopies = 0x100,
                  kFieldPrintQuality = 0x400, kFieldColor = 0x800, kFieldDuplex = 0x1000,
                  kFieldYResolution = 0x2000, kFieldCollate = 0x8000, kFieldFormName = 0x10000;

DmaContext ContextFor(void *devMode, void *secondary, void *fax) {
    DmaContext ctx;
    std::memset(&ctx, 0, sizeof ctx);
    ctx.devMode = devMode;
    ctx.secondary = secondary;
    ctx.faxAddressBlock = fax;
    return ctx;
}

void Check(DMA_RESULT r, const char *what) {
    if (r != DMA_OK)
        throw std::logic_error(std::string("building the default records: ") + what +
                               " refused with " + std::to_string(static_cast<long long>(r)));
}

}  // namespace

std::vector<uint8_t> DefaultDevMode() {
    std::vector<uint8_t> dm(DMA_DEVMODE_MIN_SIZE, 0);
    DmaContext ctx = ContextFor(dm.data(), nullptr, nullptr);
    struct { uint32_t id; int32_t value; const char *name; } const members[] = {
        {0x2, 0x0401, "dmSpecVersion"},
        {0x4, kPublicSize, "dmSize"},
        {0x5, DMA_DEVMODE_MIN_SIZE - kPublicSize, "dmDriverExtra"},
        {0x6, kFieldOrientation | kFieldPaperSize | kFieldScale | kFieldCopies | kFieldPrintQuality |
                  kFieldColor | kFieldDuplex | kFieldYResolution | kFieldCollate | kFieldFormName, "dmFields"},
        {0x7, 1, "dmOrientation"},   // portrait
        {0x8, 9, "dmPaperSize"},     // DMPAPER_A4
        {0xB, 100, "dmScale"},
        {0xC, 1, "dmCopies"},
        {0x14, 600, "dmPrintQuality"},
        {0x15, 600, "dmYResolution"},
        {0xF, 1, "dmColor"},         // DMCOLOR_MONOCHROME
        {0x10, 1, "dmDuplex"},       // DMDUP_SIMPLEX
        {0x12, 0, "dmCollate"},      // DMCOLLATE_FALSE
    };
    for (const auto &m : members) Check(DMA_SetValue(&ctx, m.id, m.value), m.name);
    Check(DMA_SetStringData_StrLength(&ctx, 0x1, "dmaccess printer"), "dmDeviceName");
    Check(DMA_SetStringData_StrLength(&ctx, 0x13, "A4"), "dmFormName");
    return dm;
}

std::vector<uint8_t> DefaultSecondary() { return std::vector<uint8_t>(DMA_SECONDARY_MIN_SIZE, 0); }

std::vector<uint8_t> DefaultFaxBlock() {
    std::vector<uint8_t> fax(DMA_FAX_HEADER_SIZE, 0);
    DmaContext ctx = ContextFor(nullptr, nullptr, fax.data());
    // Writing a header string also stamps the current signature (DMA_FAX_SIGNATURE).
    Check(DMA_SetStringData(&ctx, DMA_ID_FAX_HEADER1, "", 1), "fax header 1");
    Check(DMA_SetStringData(&ctx, DMA_ID_FAX_HEADER2, "", 1), "fax header 2");
    return fax;
}

}  // namespace dmaclient
