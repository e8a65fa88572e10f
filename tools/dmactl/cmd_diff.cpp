// cmd_diff.cpp - diff: the settings that differ between two record sets,
// record files, settings documents or the built-in defaults.
#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "commands.h"
#include "names.h"
#include "operands.h"

namespace dmactl {
namespace {

int CmdDiff(const Globals &g, const std::string &a, const std::string &b, bool quiet) {
    if (a == "-" && b == "-") throw UserError("diff: standard input (\"-\") can be only one of the two");
    const SettingValues left = ValuesOfOperand(a), right = ValuesOfOperand(b);
    const SettingsDiff diff = Compare(left, right);
    Table t({"DMA ID", "name", a, b});
    Json rows = Json::array();
    for (uint16_t id : diff.differing) {
        const auto la = left.values.find(id), rb = right.values.find(id);
        const Setting &s = left.settings.at(id);
        if (g.json) {
            Json row = IdJson(id);
            row["kind"] = KindName(s.kind);
            row["old"] = ValueToJson(la->second);
            row["new"] = ValueToJson(rb->second);
            AddMeaningJson(row, s, la->second, "oldMeaning");
            AddMeaningJson(row, s, rb->second, "newMeaning");
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
        PrintJson(Json{{"old", a}, {"new", b}, {"differences", rows}, {"onlyOld", diff.onlyOld}, {"onlyNew", diff.onlyNew}});
    } else {
        Print(t.Empty() ? "no differences\n" : t.Render());
        if (diff.onlyOld) Print(fmt::format("{} settings only in {} (not compared)\n", diff.onlyOld, a));
        if (diff.onlyNew) Print(fmt::format("{} settings only in {} (not compared)\n", diff.onlyNew, b));
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
