// user_settings_test.cpp - the user-settings record: its lists against the
// catalogue, the get operation with its size query and name, the set
// operation for layout versions 1 to 4, the item 5163 -> 5178 rule, and the
// handling of text without a terminator.
#include <string>
#include <vector>

#include "records_fixture.h"
#include "usersettings/user_settings.h"

using namespace dma;
using namespace dmatest;

namespace {

std::vector<FieldListRow> RowsOf(std::initializer_list<int> lists) {
    std::vector<FieldListRow> rows;
    for (int list : lists)
        for (const FieldListRow &row : UserSettingList(list)) rows.push_back(row);
    return rows;
}
const std::vector<FieldListRow> kAllRows = RowsOf({1, 2, 3, 4});
const std::vector<FieldListRow> kWrittenRows = RowsOf({2, 3, 4});

// Puts every setting of the lists into the secondary record, as a filled
// version 4 record with that seed holds them.
void FillSettings(Records &r, int seed) {
    std::vector<uint8_t> rec(kUserInfoSize);
    FillRecord(kAllRows, rec.data(), seed);
    for (const FieldListRow &row : kAllRows) {
        uint8_t *at = ItemAddress(r, row.itemId);
        if (row.valueType == DMA_VT_STRING)
            WriteU16(at, ReadU16(rec.data() + row.offset, row.size / 2));
        else
            std::memcpy(at, rec.data() + row.offset, row.size);
    }
}

std::vector<uint8_t> Snapshot(const Guarded &g) {
    return std::vector<uint8_t>(g.data(), g.data() + g.size());
}

// The settings of lists 2-4 as a version 4 record.
std::vector<uint8_t> ReadBack(Records &r) {
    std::vector<uint8_t> rec(kUserInfoSize);
    uint32_t size = kUserInfoSize;
    EXPECT_EQ(DMA_GetUserSettingInfo(&r.ctx, rec.data(), &size), DMA_OK);
    return rec;
}

TEST(UserSettingLists, EveryRowMatchesTheCatalogue) {
    Records r;
    for (const FieldListRow &row : kAllRows) {
        SCOPED_TRACE("item " + std::to_string(row.itemId));
        ItemLocation loc{};
        ASSERT_EQ(LookupItem(row.itemId, nullptr, r.ctx.secondary, &loc), DMA_RS_OK);
        EXPECT_EQ(loc.area, DMA_SA_SECONDARY);
        EXPECT_EQ(row.valueType, loc.valueType);
        EXPECT_EQ(row.reportType, loc.reportType);
        if (row.valueType == DMA_VT_STRING)
            EXPECT_EQ(row.size, loc.size);
        else
            EXPECT_EQ(static_cast<int32_t>(row.size), loc.width);
    }
    EXPECT_EQ(kAllRows.size(), 27u);
}

// Every byte that an older layout brings in lands in a field of lists 2-4,
// and every copy stays inside the version's own record size.
TEST(UserSettingLists, ConversionCopiesLandInFields) {
    for (const UserInfoCopy &c : UserInfoConversion()) {
        if (c.version == 4) continue;
        SCOPED_TRACE("version " + std::to_string(c.version) + " to " + std::to_string(c.to));
        EXPECT_LE(uint32_t{c.from} + c.bytes, UserInfoInputSize(c.version));
        for (uint32_t b = c.to; b < uint32_t{c.to} + c.bytes; ++b) {
            bool inField = false;
            for (const FieldListRow &row : kWrittenRows)
                inField |= b >= row.offset && b < row.offset + row.size;
            ASSERT_TRUE(inField) << "byte " << b;
        }
    }
}

// ---- get -----------------------------------------------------------------

struct SizeCase {
    bool buffer;
    uint32_t size;
    DMA_RESULT code;
    uint32_t sizeAfter;
};
const SizeCase kSizeCases[] = {
    {false, 0, DMA_E_MORE_DATA, 2096},
    {false, 2096, DMA_E_FAILED, 2096},
    {true, 2095, DMA_E_MORE_DATA, 2095},
    {true, 0, DMA_E_MORE_DATA, 0},
    {true, 4000, DMA_OK, 4000},
};

TEST(GetUserSettingInfo, SizeQueries) {
    for (const SizeCase &c : kSizeCases) {
        SCOPED_TRACE("size " + std::to_string(c.size));
        Records r;
        Guarded info(kUserInfoSize, 0xEE);
        uint32_t size = c.size;
        EXPECT_EQ(DMA_GetUserSettingInfo(&r.ctx, c.buffer ? info.data() : nullptr, &size), c.code);
        EXPECT_EQ(size, c.sizeAfter);
        if (c.code != DMA_OK) {
            EXPECT_EQ(info.data()[0], 0xEE) << "buffer untouched";
        }
        EXPECT_TRUE(info.CanariesIntact());
    }
    Records r;
    uint32_t size = 0;
    uint8_t info[8];
    EXPECT_EQ(DMA_GetUserSettingInfo(nullptr, nullptr, &size), DMA_E_FAILED);
    EXPECT_EQ(DMA_GetUserSettingInfo(&r.ctx, info, nullptr), DMA_E_FAILED);
    EXPECT_EQ(DMA_GetUserSettingInfo(&r.ctx, nullptr, nullptr), DMA_E_FAILED);
}

TEST(GetUserSettingInfo, FillsEveryFieldAndTheHeader) {
    Records r;
    FillSettings(r, 3);
    std::strcpy(r.ctx.ansiName, "Jane Doe");
    Guarded info(kUserInfoSize, 0xEE);
    uint32_t size = kUserInfoSize;
    ASSERT_EQ(DMA_GetUserSettingInfo(&r.ctx, info.data(), &size), DMA_OK);
    std::vector<uint8_t> expected(kUserInfoSize);
    FillRecord(kAllRows, expected.data(), 3);
    ExpectSameFields(kAllRows, expected.data(), info.data());
    EXPECT_EQ(Load16(info.data()), 4);
    EXPECT_EQ(ReadU16(info.data() + 8, 32), U16("Jane Doe"));
    EXPECT_EQ(Load16(info.data() + 72), 7);
    for (uint32_t gap : {74u, 75u, 430u, 431u, 1299u, 1398u, 1401u, 2095u})
        EXPECT_EQ(info.data()[gap], 0) << "byte " << gap;
    EXPECT_TRUE(info.CanariesIntact());
    EXPECT_TRUE(r.CanariesIntact());
    EXPECT_NO_LEAK();
}

// The name field holds 32 units; a name that does not fit, or an ansiName
// without a terminator, leaves it empty and the operation succeeds.
TEST(GetUserSettingInfo, NameFromAnsiName) {
    const std::string n31(31, 'n'), n32(32, 'n'), n263(263, 'n');
    struct {
        std::string ansi;
        bool terminated;
        std::u16string expected;
    } const cases[] = {
        {"Jane", true, u"Jane"},
        {n31, true, std::u16string(31, u'n')},
        {n32, true, u""},
        {"", true, u""},
        {"caf\xe9", true, u"caf\u00e9"},
        {n263, true, u""},
        {std::string(264, 'n'), false, u""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("length " + std::to_string(c.ansi.size()));
        Records r;
        std::memcpy(r.ctx.ansiName, c.ansi.data(), c.ansi.size());
        if (c.terminated) r.ctx.ansiName[c.ansi.size()] = 0;
        Guarded info(kUserInfoSize, 0xEE);
        uint32_t size = kUserInfoSize;
        EXPECT_EQ(DMA_GetUserSettingInfo(&r.ctx, info.data(), &size), DMA_OK);
        EXPECT_EQ(ReadU16(info.data() + 8, 32), c.expected);
        EXPECT_EQ(Load16(info.data() + 72), 7);
    }
}

// A stored string that fills its capacity without a terminator is cut to
// the field less one unit and terminated; the neighbours are untouched.
TEST(GetUserSettingInfo, UnterminatedStoredStringIsCut) {
    Records r;
    FillSettings(r, 1);
    struct {
        uint16_t item;
        uint32_t offset;
        uint32_t units;
    } const cases[] = {{5130, 126, 5}, {5175, 1468, 173}, {5185, 2060, 17}};
    for (const auto &c : cases) {
        uint8_t *stored = ItemAddress(r, c.item);
        for (uint32_t i = 0; i < c.units; ++i) Store16(stored + 2 * i, u'Q');
    }
    Guarded info(kUserInfoSize, 0xEE);
    uint32_t size = kUserInfoSize;
    ASSERT_EQ(DMA_GetUserSettingInfo(&r.ctx, info.data(), &size), DMA_OK);
    for (const auto &c : cases) {
        SCOPED_TRACE("item " + std::to_string(c.item));
        EXPECT_EQ(ReadU16(info.data() + c.offset, c.units), std::u16string(c.units - 1, u'Q'));
        EXPECT_EQ(Load16(info.data() + c.offset + 2 * (c.units - 1)), 0);
    }
    EXPECT_EQ(Load16(info.data() + 136), Load16(ItemAddress(r, 5146)));
    EXPECT_EQ(info.data()[2094], *ItemAddress(r, 5183));
    EXPECT_EQ(info.data()[2095], 0);
    EXPECT_TRUE(info.CanariesIntact());
}

// A failing read returns -10 with the record partly filled (no mark 7).
TEST(GetUserSettingInfo, FailingReadLeavesPartialRecord) {
    Records r;
    r.ctx.secondary = nullptr;
    std::strcpy(r.ctx.ansiName, "x");
    Guarded info(kUserInfoSize, 0xEE);
    uint32_t size = kUserInfoSize;
    EXPECT_EQ(DMA_GetUserSettingInfo(&r.ctx, info.data(), &size), DMA_E_FAILED);
    EXPECT_EQ(Load16(info.data()), 4);
    EXPECT_EQ(Load16(info.data() + 72), 0);
}

// ---- set -----------------------------------------------------------------

// A record from the get operation given back unchanged rewrites every
// setting with the value it has; list 1 and the name are never written.
TEST(SetUserSettingInfo, GetThenSetChangesNothing) {
    Records r;
    FillSettings(r, 5);
    std::strcpy(r.ctx.ansiName, "Jane");
    std::vector<uint8_t> info = ReadBack(r);
    const std::vector<uint8_t> before = Snapshot(r.secondary);
    EXPECT_EQ(DMA_SetUserSettingInfo(&r.ctx, info.data()), DMA_OK);
    EXPECT_EQ(before, Snapshot(r.secondary));

    for (uint32_t offset : {2u, 4u, 6u}) Store16(info.data() + offset, 0x7777);
    WriteU16(info.data() + 8, U16("Someone"));
    EXPECT_EQ(DMA_SetUserSettingInfo(&r.ctx, info.data()), DMA_OK);
    EXPECT_EQ(before, Snapshot(r.secondary));
    EXPECT_TRUE(r.CanariesIntact());
    EXPECT_NO_LEAK();
}

// Every layout version: the fields it has reach the settings, the fields it
// lacks become empty strings and zeros, and item 5178 follows item 5163 for
// versions 1 and 2 only.  The caller's record is exactly as long as its
// version, so a sanitizer build catches any read past it.
TEST(SetUserSettingInfo, AllVersionsAndThe5178Rule) {
    for (uint16_t version : {1, 2, 3, 4}) {
        for (uint8_t item5163 : {0, 1, 2}) {
            SCOPED_TRACE("version " + std::to_string(version) + ", item 5163 = " +
                         std::to_string(item5163));
            Records r;
            FillSettings(r, 9);
            *ItemAddress(r, 5163) = item5163;

            std::vector<uint8_t> filled(kUserInfoSize), expected(kUserInfoSize);
            FillRecord(kWrittenRows, filled.data(), version);
            std::vector<uint8_t> input(UserInfoInputSize(version));
            Store16(input.data(), version);
            for (const FieldListRow &row : kWrittenRows)
                for (const UserInfoCopy &c : UserInfoConversion())
                    if (c.version == version && row.offset >= c.to &&
                        row.offset < c.to + c.bytes) {
                        std::memcpy(input.data() + c.from + (row.offset - c.to),
                                    filled.data() + row.offset, row.size);
                        std::memcpy(expected.data() + row.offset, filled.data() + row.offset,
                                    row.size);
                    }
            if (version <= 2) Store16(expected.data() + 1312, item5163 == 1 ? 7 : 0);

            ASSERT_EQ(DMA_SetUserSettingInfo(&r.ctx, input.data()), DMA_OK);
            const std::vector<uint8_t> got = ReadBack(r);
            ExpectSameFields(kWrittenRows, expected.data(), got.data());
            EXPECT_EQ(*ItemAddress(r, 5163), item5163) << "5163 is only read";
            EXPECT_TRUE(r.CanariesIntact());
            EXPECT_NO_LEAK();
        }
    }
}

// Version 3 keeps items 5180 and 5174 elsewhere than version 4 does.
TEST(SetUserSettingInfo, Version3Offsets) {
    Records r;
    std::vector<uint8_t> input(2092);
    Store16(input.data(), 3);
    WriteU16(input.data() + 1922, U16("from1922"));
    WriteU16(input.data() + 1314, U16("from1314"));
    ASSERT_EQ(DMA_SetUserSettingInfo(&r.ctx, input.data()), DMA_OK);
    EXPECT_EQ(ReadU16(ItemAddress(r, 5180), 25), U16("from1922"));
    EXPECT_EQ(ReadU16(ItemAddress(r, 5174), 33), U16("from1314"));
}

TEST(SetUserSettingInfo, RefusedRecordsWriteNothing) {
    for (uint16_t version : {0, 5, 0xFFFF}) {
        Records r;
        FillSettings(r, 2);
        const std::vector<uint8_t> before = Snapshot(r.secondary);
        std::vector<uint8_t> input(kUserInfoSize);
        Store16(input.data(), version);
        EXPECT_EQ(DMA_SetUserSettingInfo(&r.ctx, input.data()), DMA_E_FAILED) << version;
        EXPECT_EQ(before, Snapshot(r.secondary));
        EXPECT_NO_LEAK();
    }
    Records r;
    std::vector<uint8_t> input(kUserInfoSize);
    Store16(input.data(), 4);
    EXPECT_EQ(DMA_SetUserSettingInfo(&r.ctx, nullptr), DMA_E_FAILED);
    EXPECT_EQ(DMA_SetUserSettingInfo(nullptr, input.data()), DMA_E_FAILED);
    EXPECT_NO_LEAK();
}

// A caller's string without a terminator inside its field is refused with
// -10 when its row is reached: the rows before it stay written, the rest
// are not.
TEST(SetUserSettingInfo, UnterminatedFieldIsRefusedAtItsRow) {
    Records r;
    FillSettings(r, 1);
    std::vector<uint8_t> info = ReadBack(r);
    WriteU16(info.data() + 76, U16("changed"));               // 5129, list 2
    for (uint32_t b = 432; b < 498; b += 2) Store16(info.data() + b, u'x');  // 5150, list 3
    WriteU16(info.data() + 498, U16("later"));                // 5148, after it
    const std::u16string old5150 = ReadU16(ItemAddress(r, 5150), 33);
    EXPECT_EQ(DMA_SetUserSettingInfo(&r.ctx, info.data()), DMA_E_FAILED);
    EXPECT_EQ(ReadU16(ItemAddress(r, 5129), 25), U16("changed"));
    EXPECT_EQ(ReadU16(ItemAddress(r, 5150), 33), old5150);
    EXPECT_NE(ReadU16(ItemAddress(r, 5148), 129), U16("later"));
    EXPECT_NO_LEAK();

    // The same for a version 1 record whose last field runs to its end.
    std::vector<uint8_t> v1(716);
    Store16(v1.data(), 1);
    for (uint32_t b = 458; b < 716; b += 2) Store16(v1.data() + b, u'y');
    EXPECT_EQ(DMA_SetUserSettingInfo(&r.ctx, v1.data()), DMA_E_FAILED);
    EXPECT_NO_LEAK();
}

#if !defined(_WIN32)
// The work record cannot be allocated: -10, nothing written, nothing left.
TEST(SetUserSettingInfo, AllocationFailure) {
    Records r;
    FillSettings(r, 1);
    std::vector<uint8_t> info = ReadBack(r);
    WriteU16(info.data() + 76, U16("changed"));
    const std::vector<uint8_t> before = Snapshot(r.secondary);
    dmaplat_FailAllocAt(1);
    EXPECT_EQ(DMA_SetUserSettingInfo(&r.ctx, info.data()), DMA_E_FAILED);
    dmaplat_FailAllocAt(0);
    EXPECT_EQ(before, Snapshot(r.secondary));
    EXPECT_NO_LEAK();
    const long calls = dmaplat_AllocCalls();
    EXPECT_EQ(DMA_SetUserSettingInfo(&r.ctx, info.data()), DMA_OK);
    EXPECT_EQ(dmaplat_AllocCalls() - calls, 1) << "one work record per call";
    EXPECT_NO_LEAK();
}
#endif

}  // namespace
