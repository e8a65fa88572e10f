// scalar_api_test.cpp - DMA_GetValue, DMA_SetValue and
// DMA_QuerySWSupportInfo: the refusals in their order, the widths that cross
// the 32-bit interface, and the support flag.
#include "support/test_support.h"

using namespace dmatest;

namespace {

constexpr uint32_t kOrientation = 0x7;  // item 7, VT_SHORT at DEVMODEW 76
constexpr uint32_t kItalic = 0x134;     // item 308, VT_BYTE at DEVMODEW 608
constexpr uint32_t kHeight = 0x132;     // item 306, VT_LONG at DEVMODEW 588
constexpr uint32_t kSecondaryWord = 0x403;  // item 5123, VT_WORD at secondary 884
constexpr size_t kSupportFlag = 7964;   // item 8216 in the secondary record

}  // namespace

TEST(ScalarApi, GetValueRefusalsLeaveTheValue) {
    Records r;
    struct Case { uint32_t id; DMA_RESULT rc; } cases[] = {
        {0xA001, DMA_E_IS_STRING}, {0xA002, DMA_E_IS_STRING}, {0x1A, DMA_E_NO_ID},
        {0x1022, DMA_E_NO_ID}, {0x1, DMA_E_IS_STRING}, {0x149, DMA_E_IS_STRING},
        {0x9001, DMA_E_IS_STRING}, {0x130, DMA_E_IS_FONT}, {0x165, DMA_E_IS_FONT},
    };
    for (const Case &c : cases) {
        int32_t v = 0x5555;
        EXPECT_EQ(DMA_GetValue(&r.ctx, c.id, &v), c.rc) << std::hex << c.id;
        EXPECT_EQ(v, 0x5555);
        EXPECT_EQ(DMA_SetValue(&r.ctx, c.id, 1), c.rc) << std::hex << c.id;
    }
    // The type test comes before the output test.
    EXPECT_EQ(DMA_GetValue(&r.ctx, 0x1, nullptr), DMA_E_IS_STRING);
    EXPECT_EQ(DMA_GetValue(&r.ctx, kOrientation, nullptr), DMA_E_FAILED);
    EXPECT_EQ(DMA_GetValue(nullptr, kOrientation, nullptr), DMA_E_FAILED);
    EXPECT_EQ(DMA_SetValue(nullptr, kOrientation, 1), DMA_E_FAILED);
    EXPECT_TRUE(r.CanariesIntact());
    EXPECT_NO_LEAK();
}

TEST(ScalarApi, MissingRecordOnlyAffectsItsSettings) {
    Records r;
    dma::Store16(r.secondary.data() + 884, 0x1234);
    r.ctx.devMode = nullptr;
    int32_t v = 0x5555;
    EXPECT_EQ(DMA_GetValue(&r.ctx, kOrientation, &v), DMA_E_FAILED);
    EXPECT_EQ(v, 0x5555);
    EXPECT_EQ(DMA_SetValue(&r.ctx, kOrientation, 2), DMA_E_FAILED);
    EXPECT_EQ(DMA_GetValue(&r.ctx, kSecondaryWord, &v), DMA_OK);
    EXPECT_EQ(v, 0x1234);
    EXPECT_NO_LEAK();
}

TEST(ScalarApi, NarrowValuesArriveZeroExtended) {
    Records r;
    struct Case { uint32_t id; int32_t written; int32_t read; } cases[] = {
        {kOrientation, -1, 65535},   // VT_SHORT
        {kOrientation, 2, 2},
        {0x2, 0x12345, 0x2345},      // VT_WORD keeps its low 16 bits
        {kItalic, 0x1FF, 0xFF},      // VT_BYTE keeps its low byte
        {kHeight, -100000, -100000}, // VT_LONG
        {0x6, -2, -2},               // VT_DWORD, all 32 bits
        {kSecondaryWord, 65535, 65535},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(DMA_SetValue(&r.ctx, c.id, c.written), DMA_OK) << std::hex << c.id;
        int32_t v = 0x5555;
        ASSERT_EQ(DMA_GetValue(&r.ctx, c.id, &v), DMA_OK);
        EXPECT_EQ(v, c.read) << std::hex << c.id;
    }
    EXPECT_TRUE(r.CanariesIntact());
    EXPECT_NO_LEAK();
}

TEST(ScalarApi, ByteWriteTouchesOnlyItsByte) {
    Records r;
    r.devMode.data()[609] = 0x77;
    ASSERT_EQ(DMA_SetValue(&r.ctx, kItalic, 0x7A01), DMA_OK);
    EXPECT_EQ(r.devMode.data()[608], 0x01);
    EXPECT_EQ(r.devMode.data()[609], 0x77);
    std::vector<uint8_t> before(r.devMode.data() + 588, r.devMode.data() + 680);
    EXPECT_EQ(DMA_SetValue(&r.ctx, 0x130, 5), DMA_E_IS_FONT);
    EXPECT_EQ(std::memcmp(before.data(), r.devMode.data() + 588, 92), 0);
    EXPECT_NO_LEAK();
}

// Items 267, 320 and 341 drive items 325, 326 and 344.  The byte item keeps
// the integer's low byte, while the derivation takes the integer's low 16
// bits: a value past one byte stores its low byte, derives nothing and
// reports the failure, leaving the derived item as it was.
TEST(ScalarApi, LinkedSettingsFollowTheWrite) {
    struct Case {
        uint32_t id; int32_t value; DMA_RESULT rc;
        size_t offset; uint8_t stored; size_t derivedAt; uint16_t derived;  // 0xEEEE: untouched
    } cases[] = {
        {0x10B, 7, DMA_OK, 308, 7, 686, 4},
        {0x10B, 0x105, DMA_E_FAILED, 308, 5, 686, 0xEEEE},
        {0x10B, 9, DMA_E_FAILED, 308, 9, 686, 0xEEEE},
        {0x140, 5, DMA_OK, 680, 5, 688, 0x0404},
        {0x140, 0x105, DMA_E_FAILED, 680, 5, 688, 0xEEEE},
        {0x155, 2, DMA_OK, 790, 2, 794, 0x0101},
        {0x155, 0x102, DMA_E_FAILED, 790, 2, 794, 0xEEEE},
    };
    for (const Case &c : cases) {
        Records r;
        r.devMode.data()[379] = 1;                   // item 295, class 1
        dma::Store16(r.devMode.data() + 76, 1);      // dmOrientation: portrait
        dma::Store16(r.devMode.data() + c.derivedAt, 0xEEEE);
        EXPECT_EQ(DMA_SetValue(&r.ctx, c.id, c.value), c.rc) << std::hex << c.id << " " << c.value;
        EXPECT_EQ(r.devMode.data()[c.offset], c.stored) << std::hex << c.id << " " << c.value;
        // Item 325 is one byte (the byte after it keeps 0xEE), 326 and 344 a word.
        const uint16_t derived = c.derivedAt == 686 ? r.devMode.data()[686]
                                                    : dma::Load16(r.devMode.data() + c.derivedAt);
        const uint16_t untouched = c.derivedAt == 686 ? 0xEE : 0xEEEE;
        EXPECT_EQ(derived, c.derived == 0xEEEE ? untouched : c.derived)
            << std::hex << c.id << " " << c.value;
        EXPECT_TRUE(r.CanariesIntact());
    }
    EXPECT_NO_LEAK();
}

TEST(ScalarApi, FlagItem1370) {
    Records r;
    int32_t v = -1;
    ASSERT_EQ(DMA_GetValue(&r.ctx, 0x202B, &v), DMA_OK);
    EXPECT_EQ(v, 0);
    dma::Store32(r.devMode.data() + 1516, 1u << 25);  // item 1370 is bit 25 of its word
    ASSERT_EQ(DMA_GetValue(&r.ctx, 0x202B, &v), DMA_OK);
    EXPECT_EQ(v, 1);
    EXPECT_NO_LEAK();
}

TEST(ScalarApi, SupportInfo) {
    Records r;
    struct Case { uint32_t kind; uint32_t flag; DMA_RESULT rc; } cases[] = {
        {0, 1, DMA_E_INFO_KIND}, {2, 1, DMA_E_INFO_KIND}, {1, 0, DMA_E_NOT_SUPPORTED},
        {1, 1, DMA_OK}, {1, 0x80000000u, DMA_OK}, {0x10001, 5, DMA_OK},
    };
    for (const Case &c : cases) {
        dma::Store32(r.secondary.data() + kSupportFlag, c.flag);
        EXPECT_EQ(DMA_QuerySWSupportInfo(&r.ctx, c.kind), c.rc) << c.kind << " " << c.flag;
    }
    r.ctx.secondary = nullptr;
    EXPECT_EQ(DMA_QuerySWSupportInfo(&r.ctx, 1), DMA_E_SUPPORT_READ);
    EXPECT_EQ(DMA_QuerySWSupportInfo(&r.ctx, 2), DMA_E_INFO_KIND);
    EXPECT_EQ(DMA_QuerySWSupportInfo(nullptr, 1), DMA_E_FAILED);
    EXPECT_NO_LEAK();
}
