// fax_header_test.cpp - the fax-address block's header strings (DMA IDs
// 0xA001 and 0xA002) through DMA_GetStringData / DMA_SetStringData, and the
// signature that every header write stamps.
#include <string>

#include "support/test_support.h"
#include "text/text.h"

using namespace dmatest;

namespace {

constexpr size_t kHeader1 = 18, kHeader2 = 100;

void SetSignature(Records &r, const char *sig) { WriteU16(r.fax.data(), U16(sig)); }
std::u16string Signature(const Records &r) { return ReadU16(r.fax.data(), 8); }
char *C(Guarded &g) { return reinterpret_cast<char *>(g.data()); }

}  // namespace

TEST(FaxHeader, NoBlockIsNoId) {
    Records r;
    r.ctx.faxAddressBlock = nullptr;
    char buf[8];
    uint32_t l = 8;
    for (uint32_t id : {0xA001u, 0xA002u}) {
        EXPECT_EQ(DMA_GetStringData(&r.ctx, id, buf, &l), DMA_E_NO_ID);
        EXPECT_EQ(DMA_SetStringData(&r.ctx, id, "x", 1), DMA_E_NO_ID);
    }
    EXPECT_EQ(l, 8u);
    EXPECT_NO_LEAK();
}

TEST(FaxHeader, ReadAnswersTheNeededSize) {
    Records r;
    WriteU16(r.fax.data() + kHeader1, U16("Sender"));
    struct Case { bool buffer; uint32_t l; } cases[] = {{false, 7}, {false, 0}, {true, 6}, {true, 0}};
    for (const Case &c : cases) {
        Guarded buf(8, 'B');
        uint32_t l = c.l;
        EXPECT_EQ(DMA_GetStringData(&r.ctx, 0xA001, c.buffer ? C(buf) : nullptr, &l),
                  DMA_E_MORE_DATA);
        EXPECT_EQ(l, 7u);
        EXPECT_EQ(buf.data()[0], 'B');
        EXPECT_TRUE(buf.CanariesIntact());
        EXPECT_NO_LEAK();
    }
    Guarded buf(7, 'B');
    uint32_t l = 7;
    ASSERT_EQ(DMA_GetStringData(&r.ctx, 0xA001, C(buf), &l), DMA_OK);
    EXPECT_STREQ(C(buf), "Sender");
    EXPECT_EQ(l, 7u);
    EXPECT_TRUE(buf.CanariesIntact());
    EXPECT_NO_LEAK();
}

TEST(FaxHeader, EmptyTextNeedsOneByte) {
    Records r;
    uint32_t l = 0;
    EXPECT_EQ(DMA_GetStringData(&r.ctx, 0xA002, nullptr, &l), DMA_E_MORE_DATA);
    EXPECT_EQ(l, 1u);
    Guarded one(1, 'B');
    EXPECT_EQ(DMA_GetStringData(&r.ctx, 0xA002, C(one), &l), DMA_OK);
    EXPECT_EQ(one.data()[0], 0);
    EXPECT_TRUE(one.CanariesIntact());
    EXPECT_NO_LEAK();
}

TEST(FaxHeader, WriteBoundsPerField) {
    struct Case { uint32_t id; size_t chars; DMA_RESULT rc; } cases[] = {
        {0xA001, 40, DMA_OK}, {0xA001, 41, DMA_E_TOO_LONG},
        {0xA002, 670, DMA_OK}, {0xA002, 671, DMA_E_TOO_LONG},
    };
    for (const Case &c : cases) {
        Records fresh(2);
        SetSignature(fresh, "ZOVA001");
        const std::string text(c.chars, 'h');
        EXPECT_EQ(DMA_SetStringData(&fresh.ctx, c.id, text.c_str(), 0), c.rc) << c.chars;
        const size_t pos = c.id == 0xA001 ? kHeader1 : kHeader2;
        if (c.rc == DMA_OK) {
            EXPECT_EQ(ReadU16(fresh.fax.data() + pos, 1000), U16(text.c_str()));
            EXPECT_EQ(Signature(fresh), U16("ZOVA002"));
        } else {
            EXPECT_EQ(dma::Load16(fresh.fax.data() + pos), 0);
            EXPECT_EQ(Signature(fresh), U16("ZOVA001"));  // untouched, signature included
        }
        EXPECT_EQ(dma::Load16(fresh.fax.data() + 16), 2);  // count never touched
        for (size_t i = DMA_FAX_HEADER_SIZE; i < fresh.fax.size(); ++i)
            ASSERT_EQ(fresh.fax.data()[i], 0);  // entries never touched
        EXPECT_TRUE(fresh.CanariesIntact());
        EXPECT_NO_LEAK();
    }
    EXPECT_NO_LEAK();
}

TEST(FaxHeader, WriteStampsTheSignatureAndKeepsTheTail) {
    Records r;
    SetSignature(r, "XXXXXXX");
    WriteU16(r.fax.data() + kHeader1, U16("0123456789"));
    ASSERT_EQ(DMA_SetStringData(&r.ctx, 0xA001, "", 99), DMA_OK);  // length not used
    EXPECT_EQ(Signature(r), U16("ZOVA002"));
    EXPECT_EQ(dma::Load16(r.fax.data() + 14), 0);  // signature terminator
    EXPECT_EQ(dma::Load16(r.fax.data() + kHeader1), 0);
    EXPECT_EQ(dma::Load16(r.fax.data() + kHeader1 + 2), u'1');
    ASSERT_EQ(DMA_SetStringData(&r.ctx, 0xA001, "ab", 0), DMA_OK);
    EXPECT_EQ(ReadU16(r.fax.data() + kHeader1, 41), U16("ab"));
    EXPECT_EQ(dma::Load16(r.fax.data() + kHeader1 + 6), u'3');
    EXPECT_EQ(DMA_SetStringData(&r.ctx, 0xA001, nullptr, 0), DMA_E_FAILED);
    EXPECT_NO_LEAK();
}

TEST(FaxHeader, RoundTripsInTheAnsiCodePage) {
    Records r;
    for (uint32_t id : {0xA001u, 0xA002u}) {
        const char *text = "Caf\xE9 \x80 fax";
        ASSERT_EQ(DMA_SetStringData(&r.ctx, id, text, 0), DMA_OK);
        EXPECT_EQ(dma::Load16(r.fax.data() + (id == 0xA001 ? kHeader1 : kHeader2) + 6), 0x00E9);
        Guarded buf(32, 'B');
        uint32_t l = 32;
        ASSERT_EQ(DMA_GetStringData(&r.ctx, id, C(buf), &l), DMA_OK);
        EXPECT_STREQ(C(buf), text);
        EXPECT_TRUE(buf.CanariesIntact());
    }
    EXPECT_TRUE(r.CanariesIntact());
    EXPECT_NO_LEAK();
}

// A header field without a terminator is refused rather than read on into
// the next field or past the header.
TEST(FaxHeader, UnterminatedFieldIsRefused) {
    Records r;
    for (size_t i = 0; i < 41; ++i) dma::Store16(r.fax.data() + kHeader1 + 2 * i, u'a');
    uint32_t l = 0;
    EXPECT_EQ(DMA_GetStringData(&r.ctx, 0xA001, nullptr, &l), DMA_E_FAILED);
    EXPECT_EQ(l, 0u);
    dma::Store16(r.fax.data() + kHeader1 + 80, 0);
    EXPECT_EQ(DMA_GetStringData(&r.ctx, 0xA001, nullptr, &l), DMA_E_MORE_DATA);
    EXPECT_EQ(l, 41u);
    EXPECT_NO_LEAK();
}

TEST(FaxHeader, DirectCallsRefuseOtherIds) {
    Records r;
    uint32_t l = 0;
    EXPECT_EQ(dma::GetFaxHeaderString(0x103, r.fax.data(), nullptr, &l), DMA_E_NO_ID);
    EXPECT_EQ(dma::SetFaxHeaderString(0x103, r.fax.data(), "x"), DMA_E_NO_ID);
    EXPECT_EQ(dma::GetFaxHeaderString(0xA001, r.fax.data(), nullptr, nullptr), DMA_E_FAILED);
    EXPECT_EQ(Signature(r), U16("ZOVA002"));
    EXPECT_NO_LEAK();
}

TEST(FaxSignature, HelpersReadAndWriteTheSignature) {
    Records r;
    EXPECT_TRUE(dma::HasFaxSignature(r.fax.data(), "ZOVA002"));
    EXPECT_FALSE(dma::HasFaxSignature(r.fax.data(), "ZOVA001"));
    SetSignature(r, "ZOVA001");
    EXPECT_TRUE(dma::HasFaxSignature(r.fax.data(), "ZOVA001"));
    dma::Store16(r.fax.data() + 14, u'!');  // terminator replaced
    EXPECT_FALSE(dma::HasFaxSignature(r.fax.data(), "ZOVA001"));
    EXPECT_FALSE(dma::HasFaxSignature(nullptr, "ZOVA001"));
    dma::WriteCurrentFaxSignature(r.fax.data());
    EXPECT_TRUE(dma::HasFaxSignature(r.fax.data(), "ZOVA002"));
    EXPECT_EQ(dma::Load16(r.fax.data() + 16), 0);
    EXPECT_NO_LEAK();
}

#if !defined(_WIN32)
TEST(FaxHeader, AllocationFailureLeavesTheBlock) {
    Records r;
    WriteU16(r.fax.data() + kHeader1, U16("keep"));
    SetSignature(r, "ZOVA001");
    // The write converts through the stack: no allocation to fail.
    const long calls = dmaplat_AllocCalls();
    EXPECT_EQ(DMA_SetStringData(&r.ctx, 0xA001, "new", 0), DMA_OK);
    EXPECT_EQ(dmaplat_AllocCalls(), calls);
    EXPECT_EQ(ReadU16(r.fax.data() + kHeader1, 41), U16("new"));
    EXPECT_EQ(Signature(r), U16("ZOVA002"));
    WriteU16(r.fax.data() + kHeader1, U16("keep"));
    SetSignature(r, "ZOVA001");
    EXPECT_NO_LEAK();
    uint32_t l = 0;
    dmaplat_FailAllocAt(1);
    EXPECT_EQ(DMA_GetStringData(&r.ctx, 0xA001, nullptr, &l), DMA_E_FAILED);
    dmaplat_FailAllocAt(0);
    EXPECT_EQ(l, 0u);
    EXPECT_NO_LEAK();
}
#endif
