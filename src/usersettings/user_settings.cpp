// user_settings.cpp - a user's own settings exchanged as one record, the
// UserSettingInfo: DMA_GetUserSettingInfo fills a version 4 record from the
// secondary settings record, DMA_SetUserSettingInfo converts a record of
// layout version 1-4 to version 4 and writes its fields back.
//
// Every item here lives in the secondary record, so every raw read and write
// passes no DEVMODEW record.  The record's fields are described by four field
// lists (catalogue/field_lists.h); list 1 is only read.
//
// Unterminated text.  A string field is exactly as wide as its setting's
// capacity, so neither direction may copy more than the field holds:
//   - get: a stored string that fills its whole capacity without a
//     terminator is cut to the field's width less one unit and terminated, so
//     the record handed out always holds terminated text (and can be given
//     back to the set operation unchanged);
//   - set: a caller's string field without a terminator inside its width is
//     refused with -10 when its row is reached (the raw write would not take
//     it either); rows before it stay written, as with any failing row.
#include <algorithm>
#include <array>
#include <cstring>

#include "engine/engine.h"
#include "usersettings/user_settings.h"

namespace dma {
namespace {

// Older layouts into version 4: bytes 0-75 are never taken from an older
// record, and every byte not listed stays zero.
constexpr UserInfoCopy kConversion[] = {
    {1, 72, 432, 66},     {1, 138, 498, 258},   {1, 396, 76, 50},     {1, 446, 126, 10},
    {1, 456, 136, 2},     {1, 458, 138, 258},
    {2, 74, 76, 354},     {2, 430, 432, 670},
    {3, 74, 76, 354},     {3, 432, 432, 66},    {3, 498, 498, 258},   {3, 756, 756, 346},
    {3, 1102, 1102, 66},  {3, 1168, 1168, 130}, {3, 1298, 1298, 1},   {3, 1300, 1300, 4},
    {3, 1304, 1304, 4},   {3, 1308, 1308, 4},   {3, 1312, 1312, 2},   {3, 1922, 1314, 50},
    {3, 1972, 1364, 34},  {3, 1314, 1402, 66},  {3, 1380, 1468, 346}, {3, 1726, 1814, 66},
    {3, 1792, 1880, 130}, {3, 2008, 2010, 50},  {3, 2058, 2060, 34},  {3, 2006, 2094, 1},
    {4, 0, 0, 2096},
};

constexpr uint32_t InputSize(uint16_t version) {
    switch (version) {
    case 1: return 716;
    case 2: return 1100;
    case 3: return 2092;
    case 4: return 2096;
    default: return 0;
    }
}

constexpr bool ConversionWellFormed() {
    for (const UserInfoCopy &c : kConversion) {
        if (!FitsWithin(c.from, c.bytes, InputSize(c.version))) return false;
        if (!FitsWithin(c.to, c.bytes, kUserInfoSize)) return false;
        if (c.version != 4 && c.to < 76) return false;
    }
    return true;
}
static_assert(ConversionWellFormed());

// Reads every row of `list` into the caller's record.  Strings are copied
// with their terminator, cut to the field when the stored text fills it.
bool ReadList(const FieldListRow *list, void *secondary, uint8_t *info) {
    for (const FieldListRow *row = list; row->itemId != 0; ++row) {
        uint8_t *field = info + row->offset;
        if (row->valueType != DMA_VT_STRING) {
            uint16_t type = 0, area = 0;
            int32_t length = 0;
            if (dma_GetValue(row->itemId, nullptr, secondary, &type, &length, field, &area) !=
                DMA_RS_OK)
                return false;
            continue;
        }
        int32_t length = 0;
        const uint8_t *source = FieldAddress(row->itemId, nullptr, secondary, &length);
        if (source == nullptr) return false;
        // The raw read counted the text inside the setting's capacity.
        const size_t fieldUnits = row->size / 2;
        size_t units = length >= 2 ? static_cast<size_t>(length - 2) / 2 : 0;
        if (units >= fieldUnits) units = fieldUnits - 1;
        std::memcpy(field, source, 2 * units);
        Store16(field + 2 * units, 0);
    }
    return true;
}

// Writes every row of `list` from the work record into the settings.
bool WriteList(const FieldListRow *list, void *secondary, const uint8_t *work) {
    for (const FieldListRow *row = list; row->itemId != 0; ++row) {
        const uint8_t *field = work + row->offset;
        const void *value = field;
        WCHAR scratch[kUserInfoScratchUnits] = {};
        const WCHAR *text = scratch;
        if (row->valueType == DMA_VT_STRING) {
            const size_t fieldUnits = row->size / 2;
            const size_t units = WideLengthWithin(field, fieldUnits);
            if (units == fieldUnits) return false;  // no terminator inside the field
            std::memcpy(scratch, field, 2 * units);
            value = &text;
        }
        if (dma_SetValue(row->itemId, nullptr, secondary, row->valueType,
                         static_cast<int32_t>(row->size), value) != DMA_RS_OK)
            return false;
    }
    return true;
}

// The context's ANSI name into the record's 32-unit name field.  A name that
// does not fit, has no terminator inside ansiName or cannot be converted
// leaves the field empty; that is not a failure of the operation.
void StoreName(const DmaContext &context, uint8_t *info) {
    const size_t length = ByteLengthWithin(context.ansiName, sizeof context.ansiName);
    if (length == sizeof context.ansiName) return;
    WCHAR name[kUserInfoNameUnits] = {};
    if (MultiByteToWideChar(CP_ACP, 0, context.ansiName, static_cast<int>(length + 1), name,
                            kUserInfoNameUnits) <= 0)
        return;
    std::memcpy(info + kUserInfoNameOffset, name, sizeof name);
}

}  // namespace

std::span<const UserInfoCopy> UserInfoConversion() { return kConversion; }

uint32_t UserInfoInputSize(uint16_t version) { return InputSize(version); }

bool ConvertUserInfo(const uint8_t *input, uint8_t *work) {
    const uint16_t version = Load16(input);
    if (InputSize(version) == 0) return false;
    for (const UserInfoCopy &c : kConversion)
        if (c.version == version) std::memcpy(work + c.to, input + c.from, c.bytes);
    return true;
}


// Fills the caller's 2096-byte record (version 4) from the settings.  Size
// query: a null record with a size of 0 stores 2096 and returns -5.  A size
// below 2096 returns -5 with nothing touched.  A failing raw read returns
// -10 and leaves the record partly filled.
int32_t GetUserSettingInfo(DmaContext *context, void *info, uint32_t *size) {
    if (context == nullptr || size == nullptr) return DMA_E_FAILED;
    if (info == nullptr) {
        if (*size != 0) return DMA_E_FAILED;
        *size = kUserInfoSize;
        return DMA_E_MORE_DATA;
    }
    if (*size < kUserInfoSize) return DMA_E_MORE_DATA;

    uint8_t *record = static_cast<uint8_t *>(info);
    std::memset(record, 0, kUserInfoSize);
    Store16(record, DMA_USER_SETTING_VERSION);
    StoreName(*context, record);
    for (int list = 1; list <= 4; ++list)  // each list's rows end with kFieldListEnd
        if (!ReadList(UserSettingList(list).data(), context->secondary, record)) return DMA_E_FAILED;
    Store16(record + kUserInfoMarkOffset, 7);
    return DMA_OK;
}

// Converts the caller's record of version 1-4 into version 4 and writes
// lists 2, 3 and 4 into the settings (list 1 and the name are never written).
// A record of version 1 or 2 has no field for item 5178: it becomes 7 when
// item 5163 holds 1, else 0.  Returns -10 for a null argument, another
// version, an allocation failure or a failing row (earlier rows stay written).
int32_t SetUserSettingInfo(DmaContext *context, const void *info) {
    if (context == nullptr || info == nullptr) return DMA_E_FAILED;
    GlobalBlock<uint8_t> work(kUserInfoSize);
    if (!work) return DMA_E_FAILED;

    // Only the low byte of item 5163 counts.
    uint32_t value5163 = 0;
    const bool is5163One =
        ReadItemScalar(5163, nullptr, context->secondary, &value5163) == DMA_RS_OK &&
        static_cast<uint8_t>(value5163) == 1;

    const uint8_t *input = static_cast<const uint8_t *>(info);
    if (!ConvertUserInfo(input, work.get())) return DMA_E_FAILED;
    const uint16_t version = Load16(input);
    if ((version == 1 || version == 2) && is5163One)
        Store16(work.get() + kUserInfoItem5178Offset, 7);
    for (int list = 2; list <= 4; ++list)
        if (!WriteList(UserSettingList(list).data(), context->secondary, work.get())) return DMA_E_FAILED;
    return DMA_OK;
}

}  // namespace dma
