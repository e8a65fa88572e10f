// cmd_docprop.cpp - document-property files: docprop show, upgrade, new and
// extract, and the reading and writing of whole files (docprop_io.h) that
// the fax commands share.
//
// Document-property files are read and written by the library itself
// (DMA_ReplaceDocProp, DMA_ExtractDocPropEx), which take the file's path from
// the setting 0x176 of a scratch DEVMODEW record (docprop_paths.h says how a
// path gets there, and what stands in for a path that does not fit).  The
// tool only looks at the fax section's signature in the raw file to say which
// layout it had.
//
// Section files (docprop extract, docprop new --from): PREFIX.ndev,
// PREFIX.tmbinfo, PREFIX.spinfo hold one whole section each, signature and
// length fields included, and PREFIX.fax the fax section, a fax-address
// block in the current layout that the fax commands work on.  A section
// that the file lacks has no file.
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <fmt/format.h>

#include "commands.h"
#include "docprop_io.h"
#include "docprop_paths.h"
#include "fax_view.h"
#include "json_form.h"
#include "settings.h"
#include "validation.h"
#include "value_format.h"

namespace dmactl {
namespace {

namespace fs = std::filesystem;

Json FaxEntriesArray(const uint8_t *first, unsigned count) {
    Json a = Json::array();
    for (unsigned i = 0; i < count; ++i)
        a.push_back(FaxEntryJson(first + static_cast<size_t>(i) * DMA_FAX_ENTRY_SIZE, DMA_FAX_ENTRY_SIZE, i + 1));
    return a;
}

// The section files of `prefix`, in file order.
struct SectionFile {
    const char *suffix;
    std::vector<uint8_t> DocProp::*member;
    const char *what;
};
constexpr SectionFile kSectionFiles[] = {
    {".ndev", &DocProp::ndev, "NDEV001 section"},
    {".tmbinfo", &DocProp::tmbInfo, "TMBINFO section"},
    {".spinfo", &DocProp::spInfo, "SPINFO section"},
    {".fax", &DocProp::fax, "fax section"},
};

// A section's header: the UTF-16 signature in 16 bytes, then for NDEV001 the
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

int CmdDocPropUpgrade(const Globals &g, const std::string &in, const std::string &out) {
    const DocProp d = ReadDocProp(in);
    const size_t size = WriteDocProp(out, d);
    const char *what = !d.hasFax ? "no fax section" : d.oldLayout ? "fax section converted from the old layout"
                                                                   : "fax section already in the current layout";
    if (out == "-")  // the file itself went to standard output
        Note(fmt::format("{}: {}; written to standard output ({} bytes)", in, what, size));
    else if (g.json)
        Print(Json{{"written", out}, {"size", size}, {"converted", d.hasFax && d.oldLayout}}.dump(2) + "\n");
    else
        Print(fmt::format("{}: {}; written {} ({} bytes)\n", in, what, out, size));
    return 0;
}

int CmdDocPropNew(const Globals &g, const std::string &out, const std::string &fromPrefix) {
    DocProp d;
    std::string source;
    if (!fromPrefix.empty()) {
        for (const SectionFile &s : kSectionFiles) {
            const std::string path = fromPrefix + s.suffix;
            if (FileExists(path)) d.*(s.member) = ReadFileBytes(path);
        }
        if (d.ndev.empty() && d.tmbInfo.empty() && d.spInfo.empty() && d.fax.empty())
            throw UserError(fmt::format("{0}: no section files ({0}.ndev, {0}.tmbinfo, {0}.spinfo, {0}.fax)",
                                        fromPrefix));
        source = "the section files " + fromPrefix + ".*";
    } else {
        // From the record set: the NDEV001 section carries the DEVMODEW
        // record, TMBINFO and SPINFO are empty, and the fax section is the
        // set's fax-address block.
        RecordSet set = LoadRecordSet(g.records);
        d.ndev = SectionHeader("NDEV001", true, set.devMode.bytes.size());
        d.ndev.insert(d.ndev.end(), set.devMode.bytes.begin(), set.devMode.bytes.end());
        d.tmbInfo = SectionHeader("TMBINFO", false, 0);
        d.spInfo = SectionHeader("SPINFO", false, 0);
        if (set.faxBlock) {
            CheckFaxBlockWritable(set.faxBlock->bytes, set.faxBlock->FromFile() ? set.faxBlock->path : "the fax-address block");
            d.fax = set.faxBlock->bytes;
            d.fax.resize(DMA_FAX_HEADER_SIZE + size_t{FaxBlockCount(d.fax.data())} * DMA_FAX_ENTRY_SIZE);
        }
        source = set.devMode.FromFile() ? "the record set" : "the built-in default records";
    }
    const size_t size = WriteDocProp(out, d);
    if (out == "-")  // the file itself went to standard output
        Note(fmt::format("written to standard output ({} bytes) from {}", size, source));
    else if (g.json)
        Print(Json{{"written", out}, {"size", size}, {"ndev", d.ndev.size()}, {"tmbinfo", d.tmbInfo.size()},
                   {"spinfo", d.spInfo.size()}, {"fax", d.fax.size()}}.dump(2) + "\n");
    else
        Print(fmt::format("written {} ({} bytes) from {}\n", out, size, source));
    return 0;
}

int CmdDocPropExtract(const Globals &g, const std::string &file, const std::string &prefix) {
    const DocProp d = ReadDocProp(file);
    std::vector<FileWrite> writes;
    Table t({"file", "section", "bytes"}, {2});
    Json files = Json::array();
    for (const SectionFile &s : kSectionFiles) {
        const std::vector<uint8_t> &bytes = d.*(s.member);
        if (bytes.empty()) continue;
        writes.push_back({prefix + s.suffix, bytes});
        t.Add({prefix + s.suffix, s.what, std::to_string(bytes.size())});
        files.push_back(Json{{"file", prefix + s.suffix}, {"section", s.what}, {"size", bytes.size()}});
    }
    if (writes.empty()) throw UserError(fmt::format("{}: the file has no sections", file));
    WriteFilesTogether(writes);
    if (g.json)
        Print(Json{{"file", file}, {"written", files}}.dump(2) + "\n");
    else
        Print(t.Render());
    return 0;
}

int CmdDocPropShow(const Globals &g, const std::string &file) {
    DocProp d = ReadDocProp(file);
    struct Sec { const char *name; size_t size; size_t header; };
    const Sec secs[] = {{DMA_NDEV_SIGNATURE, d.ndev.size(), sizeof(DmaNdevHeader)},
                        {DMA_TMBINFO_SIGNATURE, d.tmbInfo.size(), sizeof(DmaTmbInfoHeader)},
                        {DMA_SPINFO_SIGNATURE, d.spInfo.size(), sizeof(DmaSpInfoHeader)}};
    size_t offset = 0;
    Json sections = Json::array();
    Table t({"section", "offset", "size", "payload", "layout"}, {1, 2, 3});
    for (const Sec &s : secs) {
        if (!s.size) continue;
        sections.push_back(Json{{"name", s.name}, {"offset", offset}, {"size", s.size}, {"payload", s.size - s.header}});
        t.Add({s.name, std::to_string(offset), std::to_string(s.size), std::to_string(s.size - s.header), ""});
        offset += s.size;
    }
    FaxSummary fax;
    if (d.hasFax) {
        fax = SummariseFax(d.fax, file);
        const char *layout = LayoutText(d.oldLayout);
        sections.push_back(Json{{"name", "fax"},
                                {"offset", d.faxOffset},
                                {"size", d.faxSizeInFile},
                                {"layout", d.oldLayout ? "old" : "current"},
                                {"currentSize", d.fax.size()}});
        t.Add({"fax", std::to_string(d.faxOffset), std::to_string(d.faxSizeInFile),
               std::to_string(d.faxSizeInFile - DMA_FAX_HEADER_SIZE), layout});
        offset = d.faxOffset + d.faxSizeInFile;
    }
    const size_t trailing = d.fileSize > offset ? d.fileSize - offset : 0;
    if (g.json) {
        Json j{{"file", file}, {"size", d.fileSize}, {"sections", sections}, {"ignoredBytes", trailing}};
        if (d.hasFax)
            j["fax"] = Json{{"layout", d.oldLayout ? "old" : "current"},
                            {"destinations", fax.count},
                            {"header1", fax.header1},
                            {"header2", fax.header2},
                            {"entries", FaxEntriesArray(d.fax.data() + DMA_FAX_HEADER_SIZE, fax.count)}};
        else
            j["fax"] = nullptr;
        Print(j.dump(2) + "\n");
        return 0;
    }
    Print(fmt::format("{}: {} bytes, {} sections\n", file, d.fileSize, sections.size()));
    if (!sections.empty()) Print(t.Render());
    if (trailing) Print(fmt::format("{} bytes after the last section are ignored\n", trailing));
    if (d.hasFax) {
        Table f({"fax", "value"});
        f.Add({"layout", d.oldLayout ? "old; read in the current layout" : "current"});
        f.Add({"destinations", std::to_string(fax.count)});
        f.Add({FaxHeaderLabel(DMA_ID_FAX_HEADER1), QuoteText(fax.header1)});
        f.Add({FaxHeaderLabel(DMA_ID_FAX_HEADER2), QuoteText(fax.header2)});
        Print(f.Render());
        PrintFaxEntries(d.fax.data() + DMA_FAX_HEADER_SIZE, fax.count, DMA_FAX_ENTRY_SIZE);
    } else {
        Print("no fax section\n");
    }
    return 0;
}


}  // namespace dmactl
