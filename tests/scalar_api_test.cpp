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
