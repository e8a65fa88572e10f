// user_settings.cpp - user-settings record files and their way through the
// library.
#include "user_settings.h"

#include <algorithm>
#include <cstring>

#include <fmt/format.h>

#include "ansi_text.h"
#include "default_records.h"
#include "settings.h"

namespace dmaclient {
namespace {

constexpr size_t kBytesRead[] = {0, 716, 1100, 2092, DMA_USER_SETTING_INFO_SIZE};

}  // namespace

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

std::vector<uint8_t> ConvertUserSettings(const std::vector<uint8_t> &info, const std::string &file) {
    std::vector<uint8_t> dm = DefaultDevMode(), sec = DefaultSecondary();
    DmaContext ctx;
    std::memset(&ctx, 0, sizeof ctx);
    ctx.devMode = dm.data();
    ctx.secondary = sec.data();
    const DMA_RESULT r = DMA_SetUserSettingInfo(&ctx, info.data());
    if (r != DMA_OK) throw UserError(fmt::format("{}: the library refuses the record: {}", file, ResultMessage(r)));
    return GetUserSettings(ctx, file);
}

void SetUserName(DmaContext &ctx, const std::string &user) {
    const std::optional<std::string> ansi = Utf8ToAnsi(user);
    if (!ansi) throw UserError(fmt::format("--user \"{}\": not text the ANSI code page can hold", user));
    if (ansi->size() >= sizeof ctx.ansiName)
        throw UserError(fmt::format("--user: a name of at most {} bytes", sizeof ctx.ansiName - 1));
    std::memcpy(ctx.ansiName, ansi->c_str(), ansi->size() + 1);
}

}  // namespace dmaclient
