// docprop_sections.cpp - section files and document-property files made
// from record sets.
#include "docprop_sections.h"

#include <fmt/format.h>

namespace dmaclient {
namespace {

const std::string kNdevSection = std::string(DMA_NDEV_SIGNATURE) + " section";
const std::string kTmbInfoSection = std::string(DMA_TMBINFO_SIGNATURE) + " section";
const std::string kSpInfoSection = std::string(DMA_SPINFO_SIGNATURE) + " section";

const SectionFile kSectionFiles[] = {
    {".ndev", &DocProp::ndev, kNdevSection.c_str()},
    {".tmbinfo", &DocProp::tmbInfo, kTmbInfoSection.c_str()},
    {".spinfo", &DocProp::spInfo, kSpInfoSection.c_str()},
    {".fax", &DocProp::fax, "fax section"},
};

// A section's header: the UTF-16 signature in 16 bytes, then for the first section the
// word 0x5250, then the payload length.
std::vector<uint8_t> SectionHeader(const char *signature, bool ndev, size_t payload) {
    std::vector<uint8_t> h(16, 0);
    for (size_t i = 0; signature[i]; ++i) h[2 * i] = static_cast<uint8_t>(signature[i]);
    auto le32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) h.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    if (ndev) le32(0x5250);
    le32(static_cast<uint32_t>(payload));
    return h;
}

}  // namespace

std::span<const SectionFile> SectionFiles() { return kSectionFiles; }

DocProp DocPropFromSectionFiles(const std::string &prefix) {
    DocProp d;
    for (const SectionFile &s : kSectionFiles) {
        const std::string path = prefix + s.suffix;
        if (FileExists(path)) d.*(s.member) = ReadFileBytes(path);
    }
    if (d.ndev.empty() && d.tmbInfo.empty() && d.spInfo.empty() && d.fax.empty())
        throw UserError(fmt::format("{0}: no section files ({0}.ndev, {0}.tmbinfo, {0}.spinfo, {0}.fax)", prefix));
    return d;
}

DocProp DocPropFromRecordSet(const RecordSet &set) {
    DocProp d;
    d.ndev = SectionHeader(DMA_NDEV_SIGNATURE, true, set.devMode.bytes.size());
    d.ndev.insert(d.ndev.end(), set.devMode.bytes.begin(), set.devMode.bytes.end());
    d.tmbInfo = SectionHeader(DMA_TMBINFO_SIGNATURE, false, 0);
    d.spInfo = SectionHeader(DMA_SPINFO_SIGNATURE, false, 0);
    if (set.faxBlock) {
        CheckFaxBlockWritable(set.faxBlock->bytes,
                              set.faxBlock->FromFile() ? set.faxBlock->path : "the fax-address block");
        d.fax = set.faxBlock->bytes;
        d.fax.resize(DMA_FAX_HEADER_SIZE + size_t{FaxBlockCount(d.fax.data())} * DMA_FAX_ENTRY_SIZE);
    }
    return d;
}

}  // namespace dmaclient
