// cmd_usersettings.cpp - the user-settings record: usersettings show and set.
//
// A user-settings record file is the UserSettingInfo as callers exchange
// it: a layout version (16 bits, little-endian) at offset 0, then the fields
// of that version.  Version 4 is the current layout (2096 bytes); the
// library reads versions 1, 2 and 3 too, from their first 716, 1100 and 2092
// bytes.  The records come from and go to the settings only through
// DMA_GetUserSettingInfo and DMA_SetUserSettingInfo; an older record is
// shown as the library converts it: set into blank settings and read back
// in the current layout.
#include <cstring>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "ansi_text.h"
#include "commands.h"
#include "default_records.h"
#include "record_fields.h"
#include "settings.h"
#include "value_format.h"

namespace dmactl {
namespace {

constexpr size_t kBytesRead[] = {0, 716, 1100, 2092, DMA_USER_SETTING_INFO_SIZE};

// Reads a record file and checks its version and size; the copy handed to
// the library is padded to the current size, so that no read passes its end.
std::vector<uint8_t> LoadUserSettings(const std::string &file, unsigned &version) {
    std::vector<uint8_t> b = ReadFileBytes(file);
    if (b.size() < 2)
        throw UserError(fmt::format("{}: a user-settings record needs at least 716 bytes, the file has {}", file,
                                    b.size()));
    version = b[0] | (b[1] << 8);
    if (version < 1 || version > 4)
        throw UserError(fmt::format("{}: not a user-settings record: layout version {} (the library reads 1 to 4)",
                                    file, version));
    if (b.size() < kBytesRead[version])
        throw UserError(fmt::format("{}: a user-settings record of layout version {} needs at least {} bytes, the "
                                    "file has {}",
                                    file, version, kBytesRead[version], b.size()));
    b.resize(std::max<size_t>(b.size(), DMA_USER_SETTING_INFO_SIZE), 0);
    return b;
}

std::vector<uint8_t> GetUserSettings(DmaContext &ctx, const std::string &what) {
    std::vector<uint8_t> info(DMA_USER_SETTING_INFO_SIZE, 0);
    uint32_t size = static_cast<uint32_t>(info.size());
    const DMA_RESULT r = DMA_GetUserSettingInfo(&ctx, info.data(), &size);
    if (r != DMA_OK) throw UserError(fmt::format("{}: the user settings cannot be read: {}", what, ResultMessage(r)));
    return info;
}

void SetUserName(DmaContext &ctx, const std::string &user) {
    const std::optional<std::string> ansi = Utf8ToAnsi(user);
    if (!ansi) throw UserError(fmt::format("--user \"{}\": not text the ANSI code page can hold", user));
    if (ansi->size() >= sizeof ctx.ansiName)
        throw UserError(fmt::format("--user: a name of at most {} bytes", sizeof ctx.ansiName - 1));
    std::memcpy(ctx.ansiName, ansi->c_str(), ansi->size() + 1);
}

}  // namespace

int CmdUserSettingsShow(const Globals &g, const std::string &file, const std::string &user, const std::string &out) {
    std::vector<uint8_t> info;
    std::string source, note;
    unsigned version = 4;
    if (!file.empty()) {
        info = LoadUserSettings(file, version);
        source = file;
        if (version != 4) {
            std::vector<uint8_t> dm = DefaultDevMode(), sec = DefaultSecondary();
            DmaContext ctx;
            std::memset(&ctx, 0, sizeof ctx);
            ctx.devMode = dm.data();
            ctx.secondary = sec.data();
            const DMA_RESULT r = DMA_SetUserSettingInfo(&ctx, info.data());
            if (r != DMA_OK)
                throw UserError(fmt::format("{}: the library refuses the record: {}", file, ResultMessage(r)));
            info = GetUserSettings(ctx, file);
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
        Print(j.dump(2) + "\n");
        return 0;
    }
    Print(fmt::format("{}: user settings\n", source) + note + FieldsTable(UserSettingFields(), info.data(), info.size()));
    if (!out.empty()) Print(fmt::format("written: {} (layout version 4, {} bytes)\n", out, DMA_USER_SETTING_INFO_SIZE));
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
    if (g.json) {
        Print(Json{{"file", file}, {"version", version}, {"written", written}}.dump(2) + "\n");
        return 0;
    }
    Print(fmt::format("{}: user settings of layout version {} written into the settings\n", file, version));
    for (const std::string &p : written) Print("written: " + p + "\n");
    if (written.empty()) Print("no record file changed\n");
    return 0;
}

}  // namespace dmactl
