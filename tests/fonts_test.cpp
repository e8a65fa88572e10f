// fonts_test.cpp - DMA_GetLogFontData and DMA_SetLogFontData: the size
// query, the refusals in their order, round trips of every member, the face
// name's conversion and the bounds on the caller's record.
#include <algorithm>
#include <cstring>
#include <string>

#include "support/test_support.h"

using namespace dmatest;

namespace {

constexpr uint32_t kFont1 = 0x130;  // item 304, LOGFONTW at DEVMODEW 588
constexpr uint32_t kFont2 = 0x165;  // item 357, LOGFONTW at DEVMODEW 816

LOGFONTA SampleFont(const char *face) {
    LOGFONTA f;
    std::memset(&f, 0, sizeof f);
    f.lfHeight = -120000;  // outside the 16-bit range
    f.lfWidth = 70000;
    f.lfEscapement = 900;
    f.lfOrientation = -900;
    f.lfWeight = 700;
    f.lfItalic = 1;
    f.lfUnderline = 0xFF;
    f.lfStrikeOut = 1;
    f.lfCharSet = 0xEE;
    f.lfOutPrecision = 3;
    f.lfClipPrecision = 2;
    f.lfQuality = 5;
    f.lfPitchAndFamily = 0x31;
    // Up to 32 bytes of the face; a 32-byte face is left unterminated.
    std::memcpy(f.lfFaceName, face, std::min(std::strlen(face), sizeof f.lfFaceName));
    return f;
}

LOGFONTA *F(Guarded &g) { return reinterpret_cast<LOGFONTA *>(g.data()); }

}  // namespace

TEST(Fonts, SizeQueryAndBufferChecks) {
    Records r;
    uint32_t l = 0;
    EXPECT_EQ(DMA_GetLogFontData(&r.ctx, kFont1, nullptr, &l), DMA_E_MORE_DATA);
    EXPECT_EQ(l, 60u);
    EXPECT_EQ(DMA_GetLogFontData(&r.ctx, kFont1, nullptr, &l), DMA_E_FAILED);
    EXPECT_EQ(l, 60u);
    Guarded out(59, 'B');
    l = 59;
    EXPECT_EQ(DMA_GetLogFontData(&r.ctx, kFont1, F(out), &l), DMA_E_MORE_DATA);
    EXPECT_EQ(l, 59u);
    EXPECT_EQ(out.data()[0], 'B');
    EXPECT_TRUE(out.CanariesIntact());
    EXPECT_EQ(DMA_GetLogFontData(&r.ctx, kFont1, F(out), nullptr), DMA_E_FAILED);
    EXPECT_NO_LEAK();
}

TEST(Fonts, RefusalsInTheirOrder) {
    Records r;
    const LOGFONTA f = SampleFont("Arial");
    struct Case { uint32_t id; DMA_RESULT rc; } cases[] = {
        {0xA001, DMA_E_IS_STRING}, {0xA002, DMA_E_IS_STRING}, {0x149, DMA_E_IS_STRING},
        {0x131, DMA_E_IS_STRING}, {0x7, DMA_E_WRONG_TYPE}, {0x132, DMA_E_WRONG_TYPE},
        {0x1A, DMA_E_NO_ID}, {0x9001, DMA_E_IS_STRING},
    };
    for (const Case &c : cases) {
        uint32_t l = 0;
        EXPECT_EQ(DMA_GetLogFontData(&r.ctx, c.id, nullptr, &l), c.rc) << std::hex << c.id;
        EXPECT_EQ(l, 0u);
        EXPECT_EQ(DMA_SetLogFontData(&r.ctx, c.id, &f, 60), c.rc) << std::hex << c.id;
    }
    r.ctx.devMode = nullptr;
    uint32_t l = 0;
    EXPECT_EQ(DMA_GetLogFontData(&r.ctx, kFont1, nullptr, &l), DMA_E_FAILED);
    EXPECT_EQ(DMA_SetLogFontData(&r.ctx, kFont1, &f, 60), DMA_E_FAILED);
    EXPECT_EQ(DMA_GetLogFontData(nullptr, kFont1, nullptr, &l), DMA_E_FAILED);
    EXPECT_EQ(DMA_SetLogFontData(nullptr, kFont1, &f, 60), DMA_E_FAILED);
    EXPECT_NO_LEAK();
}

TEST(Fonts, SetChecksTheCallersSize) {
    Records r;
    const LOGFONTA f = SampleFont("Arial");
    struct Case { uint32_t size; DMA_RESULT rc; } cases[] = {
        {61, DMA_E_TOO_LONG}, {1000, DMA_E_TOO_LONG}, {59, DMA_E_FAILED}, {0, DMA_E_FAILED},
        {60, DMA_OK},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> before(r.devMode.data() + 588, r.devMode.data() + 680);
        EXPECT_EQ(DMA_SetLogFontData(&r.ctx, kFont1, &f, c.size), c.rc) << c.size;
        const bool same = std::memcmp(before.data(), r.devMode.data() + 588, 92) == 0;
        EXPECT_EQ(same, c.rc != DMA_OK) << c.size;
    }
    EXPECT_EQ(DMA_SetLogFontData(&r.ctx, kFont1, nullptr, 60), DMA_E_FAILED);
    EXPECT_NO_LEAK();
}

TEST(Fonts, RoundTripEveryMember) {
    Records r;
    const char *faces[] = {"", "Arial", "Caf\xE9 \x80", "0123456789012345678901234567890"};
    for (uint32_t id : {kFont1, kFont2}) {
        for (const char *face : faces) {
            const LOGFONTA in = SampleFont(face);
            ASSERT_EQ(DMA_SetLogFontData(&r.ctx, id, &in, 60), DMA_OK);
            Guarded out(60, 'B');
            uint32_t l = 60;
            ASSERT_EQ(DMA_GetLogFontData(&r.ctx, id, F(out), &l), DMA_OK);
            EXPECT_EQ(std::memcmp(out.data(), &in, 28), 0) << face;
            EXPECT_STREQ(F(out)->lfFaceName, face);
            EXPECT_TRUE(out.CanariesIntact());
        }
    }
    // The stored form: LOGFONTW members in place, the face name in UTF-16.
    int32_t height;
    std::memcpy(&height, r.devMode.data() + 816, 4);
    EXPECT_EQ(height, -120000);
    EXPECT_EQ(r.devMode.data()[816 + 23], 0xEE);
    EXPECT_TRUE(r.CanariesIntact());
    EXPECT_NO_LEAK();
}

TEST(Fonts, StoredFaceIsConvertedWhole) {
    Records r;
    uint8_t *face = r.devMode.data() + 588 + 28;
    for (int i = 0; i < 32; ++i) dma::Store16(face + 2 * i, u'z');
    WriteU16(face, U16("Face"));
    Guarded out(60, 'B');
    uint32_t l = 60;
    ASSERT_EQ(DMA_GetLogFontData(&r.ctx, kFont1, F(out), &l), DMA_OK);
    EXPECT_EQ(std::string(F(out)->lfFaceName, 32), std::string("Face\0", 5) + std::string(27, 'z'));
    EXPECT_TRUE(out.CanariesIntact());
    EXPECT_NO_LEAK();
}

#if !defined(_WIN32)
// A face name whose ANSI characters take more than one byte reads back with
// the font's other members; one that cannot fit 32 bytes is refused whole.
TEST(Fonts, FaceOnAMultiByteAnsiCodePage) {
    Utf8AnsiCodePage utf8;
    Records r;
    const std::string face = "\xE6\x98\x8E\xE6\x9C\x9D";  // U+660E U+671D
    const LOGFONTA in = SampleFont(face.c_str());
    ASSERT_EQ(DMA_SetLogFontData(&r.ctx, kFont1, &in, 60), DMA_OK);
    Guarded out(60, 'B');
    uint32_t l = 60;
    ASSERT_EQ(DMA_GetLogFontData(&r.ctx, kFont1, F(out), &l), DMA_OK);
    EXPECT_EQ(std::memcmp(F(out), &in, 28), 0);
    EXPECT_EQ(std::string(F(out)->lfFaceName, 32), face + std::string(26, '\0'));
    EXPECT_TRUE(out.CanariesIntact());

    WriteU16(r.devMode.data() + 588 + 28, std::u16string(11, u'\u660E'));
    Guarded refused(60, 'B');
    EXPECT_EQ(DMA_GetLogFontData(&r.ctx, kFont1, F(refused), &l), DMA_E_FAILED);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(refused.data()), 60), std::string(60, 'B'));
    EXPECT_TRUE(refused.CanariesIntact());
    EXPECT_TRUE(r.CanariesIntact());
    EXPECT_NO_LEAK();
}
#endif

TEST(Fonts, SetKeepsTheStoredTailAfterTheFace) {
    Records r;
    uint8_t *face = r.devMode.data() + 588 + 28;
    for (int i = 0; i < 32; ++i) dma::Store16(face + 2 * i, u'z');
    const LOGFONTA in = SampleFont("ab");
    ASSERT_EQ(DMA_SetLogFontData(&r.ctx, kFont1, &in, 60), DMA_OK);
    EXPECT_EQ(ReadU16(face, 32), U16("ab"));
    EXPECT_EQ(dma::Load16(face + 6), u'z');
    EXPECT_NO_LEAK();
}

// A face name that fills its 32 bytes without a terminator is taken as those
// 32 bytes: nothing after the caller's 60-byte record is read.
TEST(Fonts, UnterminatedFaceStopsAtTheRecord) {
    Records r;
    Guarded caller(60, 0);
    LOGFONTA in = SampleFont("");
    std::memset(in.lfFaceName, 'A', 32);
    std::memcpy(caller.data(), &in, 60);  // the canaries follow the face name
    ASSERT_EQ(DMA_SetLogFontData(&r.ctx, kFont1, F(caller), 60), DMA_OK);
    uint8_t *face = r.devMode.data() + 588 + 28;
    for (int i = 0; i < 32; ++i) EXPECT_EQ(dma::Load16(face + 2 * i), u'A') << i;
    EXPECT_EQ(r.devMode.data()[680], 0);  // the setting after the font is untouched
    EXPECT_TRUE(caller.CanariesIntact() && r.CanariesIntact());
    EXPECT_NO_LEAK();
}
