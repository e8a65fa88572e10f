// cmd_diff.cpp - diff: the settings that differ between two record sets,
// record files, settings documents or the built-in defaults.
#include <map>
#include <set>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "commands.h"
#include "json_form.h"
#include "names.h"
#include "operands.h"
#include "settings.h"

namespace dmactl {
namespace {

// Every setting's value in one record set (or in a settings document).
struct Snapshot {
    std::map<uint16_t, Setting> settings;
    std::map<uint16_t, Value> values;
};

Snapshot SnapshotOf(RecordSet &set) {
    Snapshot snap;
    DmaContext ctx = set.Context();
    for (const Setting &s : AvailableSettings(ctx)) {
        Value v;
        snap.settings[s.dmaId] = s;
        if (ReadSetting(ctx, s, v) == DMA_OK) snap.values[s.dmaId] = v;
    }
    return snap;
}

// A diff operand: "defaults", a settings document (*.json), one record file
// (*.devmode, *.secondary, *.fax) or a record set name.
Snapshot LoadOperand(const std::string &operand) {
    if (operand == "defaults") {
        RecordSet set = LoadRecordSet(RecordSelection{});
        return SnapshotOf(set);
    }
    if (operand == "-" || EndsWith(operand, ".json")) {
        RecordSet defaults = LoadRecordSet(RecordSelection{});
        DmaContext ctx = defaults.Context();
        Snapshot snap;
        for (const DocumentEntry &e : ParseDocument(ReadTextFile(operand), operand)) {
            const Setting s = RequireSetting(ctx, e.dmaId);
            snap.settings[s.dmaId] = s;
            snap.values[s.dmaId] = ValueFromJson(s, e.value);
        }
        return snap;
    }
    // One record file, named by its extension; the other records are the
    // built-in defaults, so two such files differ only in their own settings.
    if (FileExists(operand)) {
        const RecordSelection sel = SelectionOfFile(operand);
        if (sel.AnyFile()) {
            RecordSet set = LoadRecordSet(sel);
            return SnapshotOf(set);
        }
    }
    if (!RecordSetExists(operand))
        throw UserError(fmt::format("{}: neither a settings document (.json), \"defaults\", a record file "
                                    "(.devmode, .secondary, .fax) nor a record set "
                                    "({} / {} not found)",
                                    operand, SetFile(operand, RecordKind::DevMode),
                                    SetFile(operand, RecordKind::Secondary)));
    RecordSelection sel;
    sel.setName = operand;
    RecordSet set = LoadRecordSet(sel);
    return SnapshotOf(set);
}

int CmdDiff(const Globals &g, const std::string &a, const std::string &b, bool quiet) {
    if (a == "-" && b == "-") throw UserError("diff: standard input (\"-\") can be only one of the two");
    const Snapshot left = LoadOperand(a), right = LoadOperand(b);
    // Settings that only one side has (a settings document may hold a few)
    // are counted, not listed.
    std::set<uint16_t> ids;
    size_t onlyLeft = 0, onlyRight = 0;
    for (const auto &kv : left.values)
        if (right.values.count(kv.first)) ids.insert(kv.first); else ++onlyLeft;
    for (const auto &kv : right.values)
        if (!left.values.count(kv.first)) ++onlyRight;
    Table t({"DMA ID", "name", a, b});
    Json rows = Json::array();
    for (uint16_t id : ids) {
        const auto la = left.values.find(id), rb = right.values.find(id);
        if (la->second == rb->second) continue;
        const Setting &s = left.settings.at(id);
        if (g.json) {
            Json row = IdJson(id);
            row["kind"] = KindName(s.kind);
            row["old"] = ValueToJson(la->second);
            row["new"] = ValueToJson(rb->second);
            rows.push_back(row);
        } else {
            std::string oldText = FormatValue(s, la->second);
            std::string newText = FormatValue(s, rb->second);
            if (s.kind == ValueKind::Font)
                FontDifference(la->second.font, rb->second.font, oldText, newText);
            t.Add({FormatId(id), NameOf(id), oldText, newText});
        }
    }
    // As diff(1): 1 when the records differ, 0 when they are equal.
    const int status = (g.json ? rows.empty() : t.Empty()) ? 0 : 1;
    if (quiet) return status;
    if (g.json) {
        PrintJson(Json{{"old", a}, {"new", b}, {"differences", rows}, {"onlyOld", onlyLeft}, {"onlyNew", onlyRight}});
    } else {
        Print(t.Empty() ? "no differences\n" : t.Render());
        if (onlyLeft) Print(fmt::format("{} settings only in {} (not compared)\n", onlyLeft, a));
        if (onlyRight) Print(fmt::format("{} settings only in {} (not compared)\n", onlyRight, b));
    }
    return status;
}

}  // namespace

void AddDiffCommand(CLI::App &app, Globals &g) {
    static std::string a, b;
    static bool quiet = false;
    const char *operand =
        "record set NAME, record file FILE.devmode/.secondary/.fax, settings document FILE.json, or \"defaults\"";
    auto *diff = app.add_subcommand("diff", "settings that differ between two record sets");
    diff->add_option("old", a, operand)->required();
    diff->add_option("new", b, operand)->required();
    diff->add_flag("-q,--quiet", quiet, "print nothing; the exit status says whether they differ");
    OnRun(diff, g, [&g] { return CmdDiff(g, a, b, quiet); });
}

}  // namespace dmactl
