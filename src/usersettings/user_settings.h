// user_settings.h - the user-settings record (UserSettingInfo, layout
// version 4, 2096 bytes, the public header's struct): the conversion of the
// older layouts 1-3.  Its four field lists stand in catalogue/field_lists.h.  The exports DMA_GetUserSettingInfo and
// DMA_SetUserSettingInfo are declared in the public header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>

#include "records/records.h"

namespace dma {

constexpr uint32_t kUserInfoSize = sizeof(UserSettingInfo);
constexpr uint32_t kUserInfoNameOffset = offsetof(UserSettingInfo, userName);  // from ansiName
constexpr uint32_t kUserInfoNameUnits = std::size(UserSettingInfo{}.userName);
constexpr uint32_t kUserInfoMarkOffset = offsetof(UserSettingInfo, mark);  // the value 7 on output
constexpr uint32_t kUserInfoItem5178Offset = offsetof(UserSettingInfo, item5178);

// One copy of the conversion from an older layout into version 4.
struct UserInfoCopy {
    uint16_t version;
    uint16_t from;
    uint16_t to;
    uint16_t bytes;
};
std::span<const UserInfoCopy> UserInfoConversion();

// Bytes of the caller's record that a version occupies (0 for an unknown
// version): 716, 1100, 2092, 2096.
uint32_t UserInfoInputSize(uint16_t version);

// Fills `work` (2096 bytes, zero-filled by the caller) from a caller's record
// of version 1-4; false for another version.  Item 5178 is not set here.
bool ConvertUserInfo(const uint8_t *input, uint8_t *work);

// The user-settings record read from and written to the settings (exported
// by the api layer); contracts in user_settings.cpp.
int32_t GetUserSettingInfo(DmaContext *context, void *info, uint32_t *size);
int32_t SetUserSettingInfo(DmaContext *context, const void *info);

}  // namespace dma
