// cmd_usersettings.cpp - the user-settings record: usersettings show and set.
// The record files and their way through the library are the client core's
// (user_settings.h); an older record is shown as the library converts it.
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "commands.h"
#include "layouts.h"
#include "settings.h"
#include "user_settings.h"

namespace dmactl {
namespace {

int CmdUserSettingsShow(const Globals &g, const std::string &file, const std::string &user, const std::string &out) {
    std::vector<uint8_t> info;
    std::string source, note;
    unsigned version = 4;
    if (!file.empty()) {
        info = LoadUserSettings(file, version);
        source = file;
        if (version != 4) {
            info = ConvertUserSettings(info, file);
            note = fmt::format("layout version {}, shown as the library converts it to version 4 (fields version {} "
                               "lacks are empty; items 8203, 8204, 5137 and the name are not part of it)\n",
                               version, version);
        }
    } else {
        RecordSet set = LoadRecordSet(g.records);
        DmaContext ctx = set.Context();
        if (!user.empty()) SetUserName(ctx, user);
        info = GetUserSettings(ctx, "the secondary record");
        source = set.secondary.FromFile() ? set.secondary.path : "the built-in secondary record";
    }
    if (!out.empty()) {
        info.resize(DMA_USER_SETTING_INFO_SIZE);
        WriteFileAtomically(out, info);
    }
    if (g.json) {
        Json j{{"source", source}, {"version", version}};
        j["fields"] = FieldsJson(UserSettingFields(), info.data(), info.size());
        if (!out.empty()) j["written"] = out;
        PrintJson(j);
        return 0;
    }
    Print(fmt::format("{}: user settings\n", source) + note + FieldsTable(UserSettingFields(), info.data(), info.size()));
    if (!out.empty())
        Print(WrittenLine(out, fmt::format("layout version 4, {} bytes", DMA_USER_SETTING_INFO_SIZE)));
    return 0;
}

int CmdUserSettingsSet(const Globals &g, const std::string &file) {
    unsigned version = 0;
    const std::vector<uint8_t> info = LoadUserSettings(file, version);
    const RecordSet before = LoadRecordSet(g.records);
    RecordSet after = before;
    DmaContext ctx = after.Context();
    const DMA_RESULT r = DMA_SetUserSettingInfo(&ctx, info.data());
    if (r != DMA_OK)
        throw UserError(fmt::format("{}: the library refuses the record: {}; no record was changed", file,
                                    ResultMessage(r)));
    const std::vector<std::string> written = SaveChangedRecords(before, after);
    PrintResult(g.json, Json{{"file", file}, {"version", version}, {"written", written}},
                fmt::format("{}: user settings of layout version {} written into the settings\n", file, version) +
                    WrittenLines(written, "no record file changed"));
    return 0;
}

}  // namespace

void AddUserSettingsCommands(CLI::App &app, Globals &g) {
    static std::string file, user, out;
    auto *us = app.add_subcommand("usersettings", "the user-settings record (layout versions 1 to 4)");
    us->require_subcommand(1);
    auto *show = us->add_subcommand(
        "show", "the user settings of the record set's secondary record, or of a user-settings record file");
    show->add_option("file", file, "user-settings record file (any layout version) instead of the settings");
    show->add_option("--user", user, "the user name the record carries (from the settings only)");
    show->add_option("-o,--output", out, "also write the record (layout version 4) to FILE");
    show->footer("Examples:\n  dmactl --set job usersettings show -o mine.us\n  dmactl usersettings show old.us");
    OnRun(show, g, [&g] { return CmdUserSettingsShow(g, file, user, out); });

    auto *set = us->add_subcommand("set", "write a user-settings record file into the record set's settings");
    set->add_option("file", file, "user-settings record file (layout version 1, 2, 3 or 4)")->required();
    set->footer("Example: dmactl --set job usersettings set mine.us");
    OnRun(set, g, [&g] { return CmdUserSettingsSet(g, file); });
}

}  // namespace dmactl
