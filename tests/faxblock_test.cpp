// faxblock_test.cpp - the destination count of the fax-address block
// (DMA_GetFaxAddressNum, DMA_SetFaxAddressNum with item 380 kept in step) and
// DMA_QueryStructSize.
#include <climits>

#include "support/test_support.h"

using namespace dmatest;

namespace {

constexpr size_t kItem380 = 1450;  // VT_WORD in DEVMODEW

uint16_t Item380(const Records &r) { return dma::Load16(r.devMode.data() + kItem380); }
uint16_t BlockCount(const Records &r) { return dma::Load16(r.fax.data() + 16); }
void SetCount(Records &r, uint16_t n) {
    dma::Store16(r.devMode.data() + kItem380, n);
    dma::Store16(r.fax.data() + 16, n);
}

}  // namespace

TEST(FaxCount, GetNeedsTheCurrentSignature) {
    Records r(3);
    uint16_t n = 0xBEEF;
    EXPECT_EQ(DMA_GetFaxAddressNum(r.fax.data(), &n), DMA_OK);
    EXPECT_EQ(n, 3);
    for (const char *sig : {"ZOVA001", "zova002", "ZOVA00", ""}) {
        WriteU16(r.fax.data(), U16(sig));
        n = 0xBEEF;
        EXPECT_EQ(DMA_GetFaxAddressNum(r.fax.data(), &n), DMA_E_FAILED) << sig;
        EXPECT_EQ(n, 0xBEEF);
    }
    WriteU16(r.fax.data(), U16("ZOVA002"));
    dma::Store16(r.fax.data() + 14, u'X');  // signature without its terminator
    EXPECT_EQ(DMA_GetFaxAddressNum(r.fax.data(), &n), DMA_E_FAILED);
    EXPECT_EQ(DMA_GetFaxAddressNum(nullptr, &n), DMA_E_FAILED);
    EXPECT_EQ(DMA_GetFaxAddressNum(r.fax.data(), nullptr), DMA_E_FAILED);
    EXPECT_NO_LEAK();
}

TEST(FaxCount, SetAbsoluteAndRelative) {
    struct Case { uint16_t start; int32_t value; int32_t relative; DMA_RESULT rc; uint16_t after; } cases[] = {
        {0, 5, 0, DMA_OK, 5},
        {4, 2, 1, DMA_OK, 6},
        {4, -4, 1, DMA_OK, 0},           // minus the current count gives 0
        {4, -5, 1, DMA_E_FAILED, 4},     // one less is refused, nothing changes
        {4, -1, 0, DMA_E_FAILED, 4},
        {4, 65536, 0, DMA_OK, 0},        // low 16 bits
        {4, 65537, 0, DMA_OK, 1},
        {65535, 1, 7, DMA_OK, 0},        // any non-zero flag is relative
        {10, INT32_MAX, 1, DMA_E_FAILED, 10},  // the 32-bit sum wraps negative
        {0, INT32_MIN, 1, DMA_E_FAILED, 0},
    };
    for (const Case &c : cases) {
        Records r(1);
        SetCount(r, c.start);
        EXPECT_EQ(DMA_SetFaxAddressNum(&r.ctx, c.value, c.relative), c.rc)
            << c.start << " " << c.value << " " << c.relative;
        EXPECT_EQ(Item380(r), c.after);
        EXPECT_EQ(BlockCount(r), c.after);
        EXPECT_TRUE(r.CanariesIntact());
    }
    EXPECT_NO_LEAK();
}

TEST(FaxCount, SetNeitherTestsNorRewritesTheSignature) {
    Records r;
    WriteU16(r.fax.data(), U16("ZOVA001"));
    EXPECT_EQ(DMA_SetFaxAddressNum(&r.ctx, 9, 0), DMA_OK);
    EXPECT_EQ(ReadU16(r.fax.data(), 8), U16("ZOVA001"));
    EXPECT_EQ(BlockCount(r), 9);
    EXPECT_NO_LEAK();
}

TEST(FaxCount, SetRefusesMissingRecords) {
    Records r;
    SetCount(r, 4);
    EXPECT_EQ(DMA_SetFaxAddressNum(nullptr, 1, 0), DMA_E_FAILED);
    // Without a block nothing is written, item 380 included.
    r.ctx.faxAddressBlock = nullptr;
    EXPECT_EQ(DMA_SetFaxAddressNum(&r.ctx, 7, 0), DMA_E_FAILED);
    EXPECT_EQ(DMA_SetFaxAddressNum(&r.ctx, 1, 1), DMA_E_FAILED);
    EXPECT_EQ(Item380(r), 4);
    // Without DEVMODEW item 380 can be neither read nor written.
    r.ctx.faxAddressBlock = r.fax.data();
    r.ctx.devMode = nullptr;
    EXPECT_EQ(DMA_SetFaxAddressNum(&r.ctx, 1, 1), DMA_E_FAILED);
    EXPECT_EQ(DMA_SetFaxAddressNum(&r.ctx, 7, 0), DMA_E_FAILED);
    EXPECT_EQ(BlockCount(r), 4);
    EXPECT_NO_LEAK();
}

TEST(StructSize, SizesByKind) {
    struct Case { int32_t kind; DMA_RESULT size; } cases[] = {
        {2, 308}, {3, 706}, {4, 20}, {5, 820}, {6, 1442}, {7, 968},
        {0, 0}, {1, 0}, {8, 0}, {-1, 0}, {-6, 0}, {INT_MIN, 0}, {0x10006, 0},
    };
    for (const Case &c : cases) EXPECT_EQ(DMA_QueryStructSize(c.kind), c.size) << c.kind;
    EXPECT_NO_LEAK();
}
