// user_settings.h - the user-settings record as callers exchange it.
//
// A user-settings record file is the UserSettingInfo: a layout version (16
// bits, little-endian) at offset 0, then the fields of that version.
// Version 4 is the current layout (2096 bytes); the library reads versions
// 1, 2 and 3 too, from their first 716, 1100 and 2092 bytes.  The records
// come from and go to the settings only through DMA_GetUserSettingInfo and
// DMA_SetUserSettingInfo.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "record_files.h"

namespace dmaclient {

// Reads a record file and checks its version and size; the copy handed to
// the library is padded to the current size, so that no read passes its end.
std::vector<uint8_t> LoadUserSettings(const std::string &file, unsigned &version);

// The record of the settings of `ctx` (current layout); `what` names them in
// an error.
std::vector<uint8_t> GetUserSettings(DmaContext &ctx, const std::string &what);

// An older record as the library converts it: set into blank settings and
// read back in the current layout.
std::vector<uint8_t> ConvertUserSettings(const std::vector<uint8_t> &info, const std::string &file);

// The user name (UTF-8) a record carries, set into the context; throws
// UserError for a name the ANSI code page cannot hold or that is too long.
void SetUserName(DmaContext &ctx, const std::string &user);

}  // namespace dmaclient
