// formats.cpp - checks of DEVMODEW headers, fax-address blocks and
// document-property sections (formats.h).
#include "formats.h"

#include <cstring>

#include <fmt/format.h>

#include "record_files.h"

namespace dmaclient {

bool SignatureIs(const uint8_t *p, const char *signature, size_t units) {
    const size_t length = std::strlen(signature);
    for (size_t i = 0; i < units; ++i) {
        const uint8_t want = i < length ? static_cast<uint8_t>(signature[i]) : 0;
        if (p[2 * i] != want || p[2 * i + 1] != 0) return false;
    }
    return true;
}

std::string SignatureText(const uint8_t *p) {
    std::string s;
    for (size_t i = 0; i < 8; ++i) {
        const uint16_t u = p[2 * i] | (p[2 * i + 1] << 8);
        if (!u) break;
        s += (u >= 0x20 && u < 0x7F) ? static_cast<char>(u) : '?';
    }
    return s;
}

FaxLayout FaxLayoutOf(const uint8_t *p) {
    if (SignatureIs(p, DMA_FAX_SIGNATURE)) return FaxLayout::Current;
    if (SignatureIs(p, DMA_FAX_OLD_SIGNATURE)) return FaxLayout::Old;
    return FaxLayout::Foreign;
}

uint16_t FaxBlockCount(const uint8_t *p) {
    const uint8_t *count = p + offsetof(FaxAddressBlock, count);
    return static_cast<uint16_t>(count[0] | (count[1] << 8));
}

FaxBlockExtent FaxExtentOf(const uint8_t *p) {
    FaxBlockExtent e{FaxLayoutOf(p), FaxBlockCount(p), DMA_FAX_ENTRY_SIZE, 0};
    if (e.layout == FaxLayout::Old) e.entrySize = DMA_FAX_OLD_ENTRY_SIZE;
    e.needed = DMA_FAX_HEADER_SIZE + uint64_t{e.entrySize} * e.count;
    return e;
}

void CheckFaxBlockSize(const std::vector<uint8_t> &bytes, const std::string &what) {
    if (bytes.size() < DMA_FAX_HEADER_SIZE)
        throw UserError(fmt::format("{}: a fax-address block needs at least {} bytes, the file has {}",
                                    what, DMA_FAX_HEADER_SIZE, bytes.size()));
    const FaxBlockExtent e = FaxExtentOf(bytes.data());
    if (bytes.size() < e.needed)
        throw UserError(fmt::format(
            "{}: the fax-address block announces {} destination entries and needs {} bytes, the file has {}",
            what, e.count, e.needed, bytes.size()));
}

void CheckFaxBlockWritable(const std::vector<uint8_t> &original, const std::string &path) {
    const FaxLayout layout = original.size() >= 16 ? FaxLayoutOf(original.data()) : FaxLayout::Foreign;
    if (layout == FaxLayout::Current) return;
    if (layout == FaxLayout::Old)
        throw UserError(fmt::format(
            "{}: a fax-address block in the old layout (\"{}\"); only the current layout (\"{}\") "
            "can be changed: upgrade the block first (dmactl docprop upgrade converts the fax section of a "
            "document-property file); no file was changed",
            path, DMA_FAX_OLD_SIGNATURE, DMA_FAX_SIGNATURE));
    throw UserError(fmt::format("{}: not a fax-address block (signature \"{}\", expected \"{}\"); "
                                "no file was changed",
                                path, original.size() >= 16 ? SignatureText(original.data()) : std::string(),
                                DMA_FAX_SIGNATURE));
}

std::string CheckDevModeHeader(const uint8_t *p, size_t size) {
    const unsigned dmSize = p[68] | (p[69] << 8), extra = p[70] | (p[71] << 8);
    if (dmSize == 0 && extra == 0 && size == DMA_DEVMODE_MIN_SIZE) return {};
    constexpr unsigned kPublic = 220;  // sizeof(DEVMODEW)
    if (dmSize != kPublic)
        return fmt::format("dmSize is {}, a DEVMODEW record says {}", dmSize, kPublic);
    if (dmSize + extra != size)
        return fmt::format("dmSize {} + dmDriverExtra {} make {} bytes, the file has {}", dmSize, extra,
                           dmSize + extra, size);
    return {};
}

}  // namespace dmaclient
