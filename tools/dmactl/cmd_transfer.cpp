// cmd_transfer.cpp - commands that move whole record sets: export, import,
// new.  What a settings document holds and how it is applied is the client
// core's (settings_document.h); these commands load, call and report.
#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "commands.h"
#include "default_records.h"
#include "names.h"
#include "operands.h"
#include "settings_document.h"

namespace dmactl {
namespace {

int CmdExport(const Globals &g, const std::string &outFile) {
    RecordSet set = LoadRecordSet(g.records);
    const ExportedDocument doc = ExportDocument(set);
    if (outFile.empty() || outFile == "-") {
        Print(doc.text);
    } else {
        WriteFileAtomically(outFile, std::vector<uint8_t>(doc.text.begin(), doc.text.end()));
        PrintResult(g.json, Json{{"written", outFile}, {"settings", doc.settings}},
                    fmt::format("exported {} settings to {}\n", doc.settings, outFile));
    }
    for (const Json &s : doc.unreadable)
        Note(fmt::format("{} not exported: {}", s["id"].get<std::string>(), s["reason"].get<std::string>()));
    return 0;
}

int CmdImport(const Globals &g, const std::string &file) {
    if (!g.records.AnyFile())
        throw UserError("import: name the records to change: --set NAME or --devmode/--secondary/--fax FILE "
                        "(dmactl new NAME creates blank ones)");
    const std::vector<DocumentEntry> entries = ParseDocument(ReadTextFile(file), file);
    const RecordSet before = LoadRecordSet(g.records);
    RecordSet after = before;
    DmaContext ctx = after.Context();
    const ImportPlan plan = PlanImport(entries, file, ctx);
    const ImportResult result = ApplyImport(plan, before, after);
    const std::vector<std::string> written = SaveChangedRecords(before, after);
    Json differing = Json::array(), unsaved = Json::array();
    for (const auto &d : result.differing) differing.push_back(FormatId(d.write->setting.dmaId));
    for (const auto &u : result.unsaved) {
        unsaved.push_back(FormatId(u.first->setting.dmaId));
        Note(fmt::format("{}: {} not saved: its record is the built-in default {}", plan.Where(*u.first),
                         IdLabel(u.first->setting.dmaId), RecordKindName(u.second)));
    }
    if (!result.unsaved.empty())
        Note(fmt::format("{} of the document's settings changed records that no file holds; give --set NAME or "
                         "--devmode/--secondary/--fax files to keep them",
                         result.unsaved.size()));
    PrintResult(g.json,
                Json{{"applied", plan.writes.size()}, {"written", written}, {"differing", differing},
                     {"unsaved", unsaved}},
                fmt::format("applied {} settings from {}\n", plan.writes.size(), file) +
                    WrittenLines(written, "no file changed"));
    return 0;
}

int CmdNew(const Globals &g, const std::string &name, bool force) {
    RecordSelection sel = g.records;
    if (!name.empty()) sel.setName = name;
    struct NewFile {
        std::string path;
        RecordKind kind;
        std::vector<uint8_t> bytes;
    };
    std::vector<NewFile> files;
    auto add = [&](const std::string &explicitPath, RecordKind kind, std::vector<uint8_t> bytes) {
        std::string path = explicitPath;
        if (path.empty() && !sel.setName.empty()) path = SetFile(sel.setName, kind);
        if (!path.empty()) files.push_back({path, kind, std::move(bytes)});
    };
    add(sel.devModePath, RecordKind::DevMode, DefaultDevMode());
    add(sel.secondaryPath, RecordKind::Secondary, DefaultSecondary());
    add(sel.faxPath, RecordKind::FaxBlock, DefaultFaxBlock());
    if (files.empty())
        throw UserError("new: name the records to create: dmactl new NAME, or --devmode/--secondary/--fax FILE");
    if (!force)
        for (const NewFile &f : files)
            if (FileExists(f.path)) throw UserError(fmt::format("new: {} exists; give --force to replace it", f.path));
    // All the set's files or none (a target that is a directory, say, is
    // refused before any file is written).
    std::vector<FileWrite> writes;
    Json written = Json::array();
    Table t({"file", "record", "bytes"}, {2});
    for (const NewFile &f : files) {
        writes.push_back({f.path, f.bytes});
        written.push_back(Json{{"file", f.path}, {"record", RecordKindName(f.kind)}, {"bytes", f.bytes.size()}});
        t.Add({f.path, RecordKindName(f.kind), std::to_string(f.bytes.size())});
    }
    WriteFilesTogether(writes);
    PrintResult(g.json, Json{{"written", written}}, t.Render());
    return 0;
}

}  // namespace

void AddTransferCommands(CLI::App &app, Globals &g) {
    static std::string outFile, inFile, name;
    static bool force = false;
    auto *exp = app.add_subcommand("export", "every available setting as a JSON settings document");
    exp->add_option("-o,--output", outFile, "write to FILE instead of standard output (\"-\": standard output)");
    exp->add_option("file", outFile, "the same as -o FILE");
    OnRun(exp, g, [&g] { return CmdExport(g, outFile); });

    auto *imp = app.add_subcommand("import", "apply a JSON settings document to the record files");
    imp->add_option("file", inFile, "settings document (\"-\": standard input)")->required();
    OnRun(imp, g, [&g] { return CmdImport(g, inFile); });

    auto *nw = app.add_subcommand("new", "write blank records of the right sizes with default DEVMODEW members");
    nw->add_option("name", name, "record set NAME: writes NAME.devmode, NAME.secondary, NAME.fax");
    nw->add_flag("--force", force, "replace existing files");
    OnRun(nw, g, [&g] { return CmdNew(g, name, force); });
}

}  // namespace dmactl
