// cmd_fax.cpp - fax destinations: fax show, add, set and delete, on a bare
// fax-address block or on the fax section of a document-property file.  How
// the files are read and changed is the client core's (fax_file.h).
#include <cstring>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "commands.h"
#include "fax_file.h"

namespace dmactl {
namespace {

std::string WrittenNote(const FaxFile &f) {
    return WrittenLine(f.path, f.docProp && f.sections.oldLayout ? "its fax section now in the current layout" : "");
}

int CmdFaxShow(const Globals &g, const std::string &file) {
    FaxFile f = LoadFaxFile(file);
    if (f.docProp && f.block.empty()) {
        PrintResult(g.json, Json{{"file", file}, {"documentProperties", true}, {"fax", nullptr}},
                    fmt::format("{}: document-property file without a fax section\n", file));
        return 0;
    }
    // A block in the old layout has the same header and 768-byte entries:
    // the current entry without item 1894 (bytes 768-817) and the two bytes
    // after it.  A bare one is listed as it is; reading a document-property
    // file converts it.
    const FaxSummary s = SummariseFax(f.block, file, f.oldLayout);
    if (g.json) {
        Json head{{"file", file}};
        if (f.docProp) head["documentProperties"] = true;
        head["layout"] = f.oldLayout || f.sections.oldLayout ? "old" : "current";
        head["entrySize"] = f.EntrySize();
        head["destinations"] = s.count;
        head["header1"] = s.header1;
        head["header2"] = s.header2;
        std::string text = head.dump(2);
        text.resize(text.size() - 2);  // the closing "\n}": the entries follow
        Print(text + ",\n");
        PrintFaxEntriesJson(f.Entry(0), s.count, f.EntrySize(), 2);
        Print("\n}\n");
        return 0;
    }
    if (f.docProp)
        Print(fmt::format("{}: fax section of a document-property file, {} bytes\n", file, f.block.size()));
    else
        Print(fmt::format("{}: fax-address block{}, {} bytes\n", file, f.oldLayout ? " in the old layout" : "",
                          f.block.size()));
    Print(FaxHeadTable("field", f.sections.oldLayout ? "old; read in the current layout" : LayoutText(f.oldLayout),
                       s));
    PrintFaxEntries(f.Entry(0), s.count, f.EntrySize());
    return 0;
}

int CmdFaxAdd(const Globals &g, const std::string &file, const std::vector<std::string> &fields) {
    const std::vector<FieldAssignment> assignments = ParseAssignments(FaxEntryFields(), fields);
    FaxFile f = LoadFaxFileForChange(file);
    const unsigned pos = AddFaxDestination(f, assignments);
    SaveFaxFile(f);
    const uint8_t *entry = f.Entry(pos - 1);
    PrintResult(g.json,
                Json{{"file", file}, {"added", FaxEntryJson(entry, DMA_FAX_ENTRY_SIZE, pos)}, {"destinations", pos}},
                fmt::format("{}: destination {} added\n", file, pos) +
                    FieldsTable(FaxEntryFields(), entry, DMA_FAX_ENTRY_SIZE) + WrittenNote(f));
    return 0;
}

int CmdFaxSet(const Globals &g, const std::string &file, const std::string &position,
              const std::vector<std::string> &fields) {
    const unsigned pos = ParseFaxPosition(position);
    const std::vector<FieldAssignment> assignments = ParseAssignments(FaxEntryFields(), fields);
    FaxFile f = LoadFaxFileForChange(file);
    const std::vector<uint8_t> before = SetFaxDestination(f, pos, assignments);
    const uint8_t *entry = f.Entry(pos - 1);
    // What changed, field by field (a store can change more than was given:
    // bytes after a text's terminator do not come back).
    Table t({"item", "value", "was"}, {0});
    Json changed = Json::array();
    for (const RecordField &fd : FaxEntryFields()) {
        if (std::memcmp(entry + fd.offset, before.data() + fd.offset, fd.width) == 0) continue;
        t.Add({std::to_string(fd.item), FieldText(fd, entry + fd.offset), FieldText(fd, before.data() + fd.offset)});
        Json j{{"item", fd.item}};
        FieldJson(fd, entry + fd.offset, j);
        changed.push_back(std::move(j));
    }
    if (!t.Empty()) SaveFaxFile(f);
    PrintResult(g.json, Json{{"file", file}, {"position", pos}, {"changed", changed}},
                t.Empty() ? fmt::format("{}: destination {} unchanged\n", file, pos)
                          : fmt::format("{}: destination {}\n", file, pos) + t.Render() + WrittenNote(f));
    return 0;
}

int CmdFaxDelete(const Globals &g, const std::string &file, const std::string &position) {
    const unsigned pos = ParseFaxPosition(position);
    FaxFile f = LoadFaxFileForChange(file);
    const unsigned left = DeleteFaxDestination(f, pos);
    SaveFaxFile(f);
    PrintResult(g.json, Json{{"file", file}, {"deleted", pos}, {"destinations", left}},
                fmt::format("{}: destination {} deleted, {} remain\n", file, pos, left) + WrittenNote(f));
    return 0;
}

}  // namespace

void AddFaxCommands(CLI::App &app, Globals &g) {
    static std::string file, position;
    static std::vector<std::string> words;
    const char *faxFile = "fax-address block, or document-property file (its fax section)";
    const char *fieldHelp =
        "FIELD=VALUE: FIELD is an item number as `fax show` lists it (1795) or its DMA ID in hex; VALUE an "
        "integer (decimal or 0x hex) or UTF-8 text";
    const char *positionHelp = "the destination's position, as fax show numbers them";
    auto *fax = app.add_subcommand("fax", "fax destinations in a fax-address block or a document-property file");
    fax->require_subcommand(1);
    auto *show = fax->add_subcommand("show", "count, header strings and every destination entry with its fields");
    show->add_option("file", file, faxFile)->required();
    OnRun(show, g, [&g] { return CmdFaxShow(g, file); });

    auto *add = fax->add_subcommand("add", "append a destination; fields not given are empty or 0");
    add->add_option("file", file, faxFile)->required();
    add->add_option("fields", words, fieldHelp);
    add->footer(fmt::format("Example: dmactl fax add office.fax 1795=5550100 1797=\"Head office\"\n"
                            "A block in the old layout (\"{}\") is not changed: convert it inside a "
                            "document-property file with docprop upgrade first.",
                            DMA_FAX_OLD_SIGNATURE));
    OnRun(add, g, [&g] { return CmdFaxAdd(g, file, words); });

    auto *set = fax->add_subcommand("set", "change fields of the destination at a position (1 = first)");
    set->add_option("file", file, faxFile)->required();
    set->add_option("position", position, positionHelp)->required();
    set->add_option("fields", words, fieldHelp)->required();
    set->footer("Example: dmactl fax set office.fax 2 1795=5550199\nPrints the fields that changed.");
    OnRun(set, g, [&g] { return CmdFaxSet(g, file, position, words); });

    auto *del = fax->add_subcommand("delete", "remove the destination at a position; later ones move up");
    del->add_option("file", file, faxFile)->required();
    del->add_option("position", position, positionHelp)->required();
    del->footer("Example: dmactl fax delete office.fax 1");
    OnRun(del, g, [&g] { return CmdFaxDelete(g, file, position); });
}

}  // namespace dmactl
