// cmd_records.cpp - the record arrays of kinds 2, 3, 4 and 7: records new,
// show, apply, load and delete.  The files and the library's operations on
// their elements are the client core's (record_arrays.h).
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "commands.h"
#include "record_arrays.h"
#include "layouts.h"

namespace dmactl {
namespace {

Json ElementJson(RecordArrayFile &f, unsigned i) {
    const std::optional<std::string> name = f.Name(i);
    Json e{{"position", i + 1}, {"state", ElementStateText(f.states[i])}};
    e["name"] = name ? Json(*name) : Json(nullptr);
    e["fields"] = FieldsJson(KindFields(f.kind), f.Element(i), f.size);
    return e;
}

std::string ElementText(RecordArrayFile &f, unsigned i) {
    const std::optional<std::string> name = f.Name(i);
    return fmt::format("\nelement {}: {}, name {}\n", i + 1, ElementStateText(f.states[i]),
                       name ? QuoteText(*name) : "-") +
           FieldsTable(KindFields(f.kind), f.Element(i), f.size);
}

int CmdRecordsNew(const Globals &g, int kind, const std::string &file, unsigned count, bool force) {
    CheckRecordKind(kind);
    if (!force && FileExists(file)) throw UserError(fmt::format("{}: exists (--force replaces it)", file));
    const RecordArrayFile f = NewRecordArray(kind, count);
    WriteFileAtomically(file, f.Bytes());
    PrintResult(g.json, Json{{"written", file}, {"kind", kind}, {"elements", count}, {"elementSize", f.size}},
                fmt::format("written {}: {} empty elements of kind {} ({} bytes each, then one state byte each)\n",
                            file, count, kind, f.size));
    return 0;
}

int CmdRecordsShow(const Globals &g, int kind, const std::string &file, const ElementChoice &which) {
    RecordArrayFile f = LoadRecordArray(kind, file);
    std::vector<unsigned> shown;
    if (which.position) {
        if (which.position > f.Count())
            throw UserError(fmt::format("{}: no element {}; the array has {}", file, which.position, f.Count()));
        shown.push_back(which.position - 1);
    } else if (!which.name.empty()) {
        shown = f.Named(which.name);
        if (shown.empty()) throw UserError(fmt::format("{}: no element named \"{}\"", file, which.name));
    } else {
        for (unsigned i = 0; i < f.Count(); ++i) shown.push_back(i);
    }
    if (g.json) {
        Json elements = Json::array();
        for (unsigned i : shown) elements.push_back(ElementJson(f, i));
        PrintJson(Json{{"file", file}, {"kind", kind}, {"elementSize", f.size}, {"count", f.Count()},
                       {"elements", elements}});
        return 0;
    }
    Print(fmt::format("{}: {} elements of kind {} ({} bytes each)\n", file, f.Count(), kind, f.size));
    for (unsigned i : shown) Print(ElementText(f, i));
    return 0;
}

int CmdRecordsApply(const Globals &g, int kind, const std::string &file, const ElementChoice &which) {
    RecordArrayFile f = LoadRecordArray(kind, file);
    RecordSet set = LoadRecordSet(g.records);
    DmaContext ctx = set.Context();
    const Applied a = ApplyToElement(f, ctx, which);
    WriteFileAtomically(file, f.Bytes());
    PrintResult(g.json, Json{{"file", file}, {"added", a.added}, {"element", ElementJson(f, a.index)}},
                fmt::format("{}: the settings stored into {}element {}", file, a.added ? "a new " : "", a.index + 1) +
                    ElementText(f, a.index) + WrittenLine(file));
    return 0;
}

int CmdRecordsLoad(const Globals &g, int kind, const std::string &file, const ElementChoice &which) {
    RecordArrayFile f = LoadRecordArray(kind, file);
    const RecordSet before = LoadRecordSet(g.records);
    RecordSet after = before;
    DmaContext ctx = after.Context();
    const std::string name = LoadElement(f, ctx, which);
    const std::vector<std::string> written = SaveChangedRecords(before, after);
    PrintResult(g.json, Json{{"file", file}, {"loaded", name}, {"written", written}},
                fmt::format("{}: element \"{}\" loaded into the settings\n", file, name) +
                    WrittenLines(written, "no record file changed"));
    return 0;
}

int CmdRecordsDelete(const Globals &g, int kind, const std::string &file, const ElementChoice &which) {
    RecordArrayFile f = LoadRecordArray(kind, file);
    const auto [name, index] = DeleteElement(f, which);
    WriteFileAtomically(file, f.Bytes());
    PrintResult(g.json, Json{{"file", file}, {"deleted", name}, {"position", index + 1}},
                fmt::format("{}: element {} (\"{}\") marked deleted\n", file, index + 1, name) + WrittenLine(file));
    return 0;
}

}  // namespace

void AddRecordsCommands(CLI::App &app, Globals &g) {
    static struct {
        std::string file, name, newName;
        int kind = 0;
        unsigned count = 0, position = 0;
        bool force = false;
        ElementChoice Choice() const { return {position && !newName.empty() ? newName : name, position}; }
    } a;
    auto *rec = app.add_subcommand(
        "records", "record arrays of kinds 2, 3, 4 and 7: files of N elements (308, 706, 20 or 968 bytes) followed "
                   "by N state bytes (0 empty, 1 in use, 2 deleted)");
    rec->require_subcommand(1);
    rec->footer("A typical round: dmactl records new 3 list.rec; dmactl --set job records apply 3 list.rec Sales; "
                "dmactl records show 3 list.rec; dmactl --set other records load 3 list.rec Sales");
    auto kindOption = [](CLI::App *c) {
        c->add_option("kind", a.kind, "record kind: 2, 3, 4 or 7")->required()->check(CLI::IsMember({2, 3, 4, 7}));
    };
    auto *recNew = rec->add_subcommand("new", "write a record-array file of empty elements");
    kindOption(recNew);
    recNew->add_option("file", a.file, "record-array file to write")->required();
    recNew->add_option("--count", a.count, "number of empty elements (default 0: apply adds elements)");
    recNew->add_flag("--force", a.force, "replace an existing file");
    OnRun(recNew, g, [&g] { return CmdRecordsNew(g, a.kind, a.file, a.count, a.force); });

    // The commands on elements, each with its help, footer and what it runs.
    using Command = int (*)(const Globals &, int, const std::string &, const ElementChoice &);
    struct ElementCommand {
        const char *name, *description, *footer;
        bool nameSelects;  // the name chooses the element rather than filtering the list
        Command command;
    };
    const ElementCommand commands[] = {
        {"show", "every element (or one) with its state, name and fields", "", false, CmdRecordsShow},
        {"apply", "store the record set's settings into the element of that name (a new element when there is none)",
         "Example: dmactl --set job records apply 2 fonts.rec Heading\n"
         "Change the settings first (dmactl --set job set ...); kind 4 names are numbers 1 to 65535.",
         true, CmdRecordsApply},
        {"load", "write an element in use into the record set's settings",
         "Example: dmactl --set job records load 3 list.rec Sales\nDeleted and empty elements do not load.", true,
         CmdRecordsLoad},
        {"delete", "mark an element deleted (its bytes stay; apply revives it)",
         "Example: dmactl records delete 3 list.rec Sales", true, CmdRecordsDelete},
    };
    for (const ElementCommand &e : commands) {
        auto *c = rec->add_subcommand(e.name, e.description);
        kindOption(c);
        c->add_option("file", a.file, "record-array file")->required();
        c->add_option("name", a.name, e.nameSelects ? "the element's name (kind 4: its number)"
                                                    : "only the elements of this name");
        c->add_option("--position", a.position, "the element at this position (1 = first) instead of a name");
        if (e.command == CmdRecordsApply)
            c->add_option("--name", a.newName, "with --position: the name to give the element");
        if (*e.footer) c->footer(e.footer);
        const Command command = e.command;
        OnRun(c, g, [&g, command] { return command(g, a.kind, a.file, a.Choice()); });
    }
}

}  // namespace dmactl
