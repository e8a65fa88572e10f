// cmd_docprop.cpp - document-property files: docprop show, upgrade, new and
// extract.
//
// Document-property files are read and written by the library itself
// (DMA_ReplaceDocProp, DMA_ExtractDocPropEx; docprop_io.h), and their
// sections become files of their own and back in the client core
// (docprop_sections.h).  The tool only looks at the fax section's signature
// in the raw file to say which layout it had.
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "commands.h"
#include "docprop_sections.h"
#include "fax_file.h"

namespace dmactl {
namespace {

// Where a written file is reported: standard output ("-") took the file
// itself, so the report is a note.
void ReportDocPropWritten(const Globals &g, const std::string &out, const std::string &stdoutNote,
                          const Json &j, const std::string &text) {
    if (out == "-") Note(stdoutNote);
    else PrintResult(g.json, j, text);
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
    const uint8_t *entries = d.hasFax ? d.fax.data() + DMA_FAX_HEADER_SIZE : nullptr;
    if (d.hasFax) {
        fax = SummariseFax(d.fax, file);
        sections.push_back(Json{{"name", "fax"},
                                {"offset", d.faxOffset},
                                {"size", d.faxSizeInFile},
                                {"layout", d.oldLayout ? "old" : "current"},
                                {"currentSize", d.fax.size()}});
        t.Add({"fax", std::to_string(d.faxOffset), std::to_string(d.faxSizeInFile),
               std::to_string(d.faxSizeInFile - DMA_FAX_HEADER_SIZE), LayoutText(d.oldLayout)});
        offset = d.faxOffset + d.faxSizeInFile;
    }
    const size_t trailing = d.fileSize > offset ? d.fileSize - offset : 0;
    if (g.json) {
        Json j{{"file", file}, {"size", d.fileSize}, {"sections", sections}, {"ignoredBytes", trailing}};
        j["fax"] = nullptr;
        if (d.hasFax) {
            Json list = Json::array();
            for (unsigned i = 0; i < fax.count; ++i)
                list.push_back(FaxEntryJson(entries + size_t{i} * DMA_FAX_ENTRY_SIZE, DMA_FAX_ENTRY_SIZE, i + 1));
            j["fax"] = Json{{"layout", d.oldLayout ? "old" : "current"}, {"destinations", fax.count},
                            {"header1", fax.header1}, {"header2", fax.header2}, {"entries", list}};
        }
        PrintJson(j);
        return 0;
    }
    Print(fmt::format("{}: {} bytes, {} sections\n", file, d.fileSize, sections.size()));
    if (!sections.empty()) Print(t.Render());
    if (trailing) Print(fmt::format("{} bytes after the last section are ignored\n", trailing));
    if (!d.hasFax) {
        Print("no fax section\n");
        return 0;
    }
    Print(FaxHeadTable("fax", d.oldLayout ? "old; read in the current layout" : "current", fax));
    PrintFaxEntries(entries, fax.count, DMA_FAX_ENTRY_SIZE);
    return 0;
}

int CmdDocPropUpgrade(const Globals &g, const std::string &in, const std::string &out) {
    const DocProp d = ReadDocProp(in);
    const size_t size = WriteDocProp(out, d);
    const char *what = !d.hasFax ? "no fax section" : d.oldLayout ? "fax section converted from the old layout"
                                                                   : "fax section already in the current layout";
    ReportDocPropWritten(g, out, fmt::format("{}: {}; written to standard output ({} bytes)", in, what, size),
                         Json{{"written", out}, {"size", size}, {"converted", d.hasFax && d.oldLayout}},
                         fmt::format("{}: {}; written {} ({} bytes)\n", in, what, out, size));
    return 0;
}

int CmdDocPropNew(const Globals &g, const std::string &out, const std::string &fromPrefix) {
    DocProp d;
    std::string source;
    if (!fromPrefix.empty()) {
        d = DocPropFromSectionFiles(fromPrefix);
        source = "the section files " + fromPrefix + ".*";
    } else {
        const RecordSet set = LoadRecordSet(g.records);
        d = DocPropFromRecordSet(set);
        source = set.devMode.FromFile() ? "the record set" : "the built-in default records";
    }
    const size_t size = WriteDocProp(out, d);
    ReportDocPropWritten(g, out, fmt::format("written to standard output ({} bytes) from {}", size, source),
                         Json{{"written", out}, {"size", size}, {"ndev", d.ndev.size()},
                              {"tmbinfo", d.tmbInfo.size()}, {"spinfo", d.spInfo.size()}, {"fax", d.fax.size()}},
                         fmt::format("written {} ({} bytes) from {}\n", out, size, source));
    return 0;
}

int CmdDocPropExtract(const Globals &g, const std::string &file, const std::string &prefix) {
    const DocProp d = ReadDocProp(file);
    std::vector<FileWrite> writes;
    Table t({"file", "section", "bytes"}, {2});
    Json files = Json::array();
    for (const SectionFile &s : SectionFiles()) {
        const std::vector<uint8_t> &bytes = d.*(s.member);
        if (bytes.empty()) continue;
        writes.push_back({prefix + s.suffix, bytes});
        t.Add({prefix + s.suffix, s.what, std::to_string(bytes.size())});
        files.push_back(Json{{"file", prefix + s.suffix}, {"section", s.what}, {"size", bytes.size()}});
    }
    if (writes.empty()) throw UserError(fmt::format("{}: the file has no sections", file));
    WriteFilesTogether(writes);
    PrintResult(g.json, Json{{"file", file}, {"written", files}}, t.Render());
    return 0;
}

}  // namespace

void AddDocPropCommands(CLI::App &app, Globals &g) {
    static std::string file, out, from;
    auto *dp = app.add_subcommand("docprop", "document-property files");
    dp->require_subcommand(1);
    auto *show = dp->add_subcommand("show", "sections, sizes, fax layout, destinations and header strings");
    show->add_option("file", file, "document-property file")->required();
    OnRun(show, g, [&g] { return CmdDocPropShow(g, file); });

    auto *up = dp->add_subcommand("upgrade", "write the file with its fax section in the current layout");
    up->add_option("in", file, "document-property file to read")->required();
    up->add_option("out", out, "file to write (may be the same)")->required();
    OnRun(up, g, [&g] { return CmdDocPropUpgrade(g, file, out); });

    auto *nw = dp->add_subcommand(
        "new", fmt::format("write a document-property file: from the record set ({} = the DEVMODEW record, empty {} "
                           "and {}, the set's fax-address block), or with --from from section files",
                           DMA_NDEV_SIGNATURE, DMA_TMBINFO_SIGNATURE, DMA_SPINFO_SIGNATURE));
    nw->add_option("out", out, "file to write")->required();
    nw->add_option("--from", from, "PREFIX: join PREFIX.ndev, PREFIX.tmbinfo, PREFIX.spinfo, PREFIX.fax "
                                   "(as docprop extract writes them; a missing file is an absent section)");
    nw->footer("Examples:\n  dmactl --set job docprop new job.prop\n  dmactl docprop extract job.prop parts && "
               "dmactl fax add parts.fax 1795=5550100 && dmactl docprop new job2.prop --from parts");
    OnRun(nw, g, [&g] { return CmdDocPropNew(g, out, from); });

    auto *extract = dp->add_subcommand(
        "extract", "write each section of a document-property file to a file of its own: PREFIX.ndev, "
                   "PREFIX.tmbinfo, PREFIX.spinfo and PREFIX.fax (a fax-address block, current layout)");
    extract->add_option("file", file, "document-property file")->required();
    extract->add_option("prefix", from, "PREFIX of the section files")->required();
    extract->footer("Back to one file: dmactl docprop new OUT --from PREFIX");
    OnRun(extract, g, [&g] { return CmdDocPropExtract(g, file, from); });
}

}  // namespace dmactl
