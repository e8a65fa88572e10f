// strings_test.cpp - DMA_GetStringData, DMA_SetStringData and their
// _StrLength forms on UTF-16 fields and on item 329's 8-bit field: size
// queries, refusals in their order, round trips in the ANSI code page, the
// texts that do not fit, unterminated stored texts, canaries around every
// buffer and no allocation left behind.
#include <string>

#include "support/test_support.h"

using namespace dmatest;

namespace {

// Settings used here.
constexpr uint32_t kDeviceName = 0x1;   // item 1, UTF-16, DEVMODEW 0, 64 bytes
constexpr uint32_t kText259 = 0x103;    // item 259, UTF-16, DEVMODEW 224, 64 bytes
constexpr uint32_t kNarrow = 0x149;     // item 329, 8-bit, DEVMODEW 693, 49 bytes
constexpr uint32_t kSecondary = 0x401;  // item 5121, UTF-16, secondary 18, 66 bytes
constexpr uint32_t kFont = 0x130;       // item 304, a font
constexpr uint32_t kInteger = 0x7;      // item 7, dmOrientation
constexpr uint32_t kNoItem = 0x1A;

char *C(Guarded &g) { return reinterpret_cast<char *>(g.data()); }

}  // namespace

TEST(Strings, FieldPairSizeQueryReportsTheCapacity) {
    Records r;
    struct Case { uint32_t id; uint32_t size; } cases[] = {
        {kText259, 32}, {kDeviceName, 32}, {kNarrow, 49}, {kSecondary, 33},
        {0x10000 | kText259, 32},  // only the low 16 bits name the setting
    };
    WriteU16(r.devMode.data() + 224, U16("whatever it holds"));
    for (const Case &c : cases) {
        uint32_t l = 0;
        EXPECT_EQ(DMA_GetStringData(&r.ctx, c.id, nullptr, &l), DMA_E_MORE_DATA);
        EXPECT_EQ(l, c.size) << std::hex << c.id;
    }
    EXPECT_NO_LEAK();
}

TEST(Strings, RefusalsInTheirOrder) {
    Records r;
    Guarded buf(100, 'B');
    struct Case { uint32_t id; DMA_RESULT rc; } cases[] = {
        {kNoItem, DMA_E_NO_ID}, {0xA001 + 2, DMA_E_NO_ID}, {kFont, DMA_E_IS_FONT},
        {0x165, DMA_E_IS_FONT}, {kInteger, DMA_E_WRONG_TYPE}, {0x101, DMA_E_WRONG_TYPE},
    };
    for (const Case &c : cases) {
        uint32_t l = 100;
        EXPECT_EQ(DMA_GetStringData(&r.ctx, c.id, C(buf), &l), c.rc) << std::hex << c.id;
        EXPECT_EQ(DMA_SetStringData(&r.ctx, c.id, "x", 1), c.rc) << std::hex << c.id;
        EXPECT_EQ(DMA_GetStringData_StrLength(&r.ctx, c.id, C(buf), &l), c.rc) << std::hex << c.id;
        EXPECT_EQ(DMA_SetStringData_StrLength(&r.ctx, c.id, "x"), c.rc) << std::hex << c.id;
        EXPECT_EQ(l, 100u);
    }
    // The text pair knows no fax header IDs: they have no item.
    uint32_t l = 100;
    EXPECT_EQ(DMA_GetStringData_StrLength(&r.ctx, 0xA001, C(buf), &l), DMA_E_NO_ID);
    EXPECT_EQ(DMA_SetStringData_StrLength(&r.ctx, 0xA002, "x"), DMA_E_NO_ID);
    // A setting whose record is missing is unusable; others still work.
    r.ctx.devMode = nullptr;
    EXPECT_EQ(DMA_GetStringData(&r.ctx, kText259, C(buf), &l), DMA_E_FAILED);
    EXPECT_EQ(DMA_SetStringData_StrLength(&r.ctx, kNarrow, "x"), DMA_E_FAILED);
    EXPECT_EQ(DMA_SetStringData_StrLength(&r.ctx, kSecondary, "still"), DMA_OK);
    EXPECT_EQ(ReadU16(r.secondary.data() + 18, 33), U16("still"));
    EXPECT_EQ(buf.data()[0], 'B');
    EXPECT_TRUE(r.CanariesIntact());
    EXPECT_NO_LEAK();
}

TEST(Strings, NullContextAndNullPointers) {
    Records r;
    char buf[64];
    uint32_t l = 64;
    for (uint32_t id : {kText259, kNarrow, 0xA001u, 0x9001u}) {
        EXPECT_EQ(DMA_GetStringData(nullptr, id, buf, &l), DMA_E_FAILED);
        EXPECT_EQ(DMA_SetStringData(nullptr, id, "x", 1), DMA_E_FAILED);
        EXPECT_EQ(DMA_GetStringData_StrLength(nullptr, id, buf, &l), DMA_E_FAILED);
        EXPECT_EQ(DMA_SetStringData_StrLength(nullptr, id, "x"), DMA_E_FAILED);
        EXPECT_EQ(DMA_GetStringData(&r.ctx, id, buf, nullptr), DMA_E_FAILED);
        EXPECT_EQ(DMA_SetStringData(&r.ctx, id, nullptr, 1), DMA_E_FAILED);
    }
    EXPECT_EQ(DMA_GetStringData_StrLength(&r.ctx, kText259, buf, nullptr), DMA_E_FAILED);
    EXPECT_EQ(DMA_SetStringData_StrLength(&r.ctx, kText259, nullptr), DMA_E_FAILED);
    EXPECT_EQ(DMA_SetStringData_StrLength(&r.ctx, kNarrow, nullptr), DMA_E_FAILED);
    EXPECT_NO_LEAK();
}

TEST(Strings, GetStringDataBufferChecks) {
    Records r;
    WriteU16(r.devMode.data() + 224, U16("abc"));
    uint32_t l = 5;
    EXPECT_EQ(DMA_GetStringData(&r.ctx, kText259, nullptr, &l), DMA_E_FAILED);
    EXPECT_EQ(l, 5u);
    Guarded buf(31, 'B');
    l = 31;
    EXPECT_EQ(DMA_GetStringData(&r.ctx, kText259, C(buf), &l), DMA_E_MORE_DATA);
    EXPECT_EQ(l, 31u);
    EXPECT_EQ(buf.data()[0], 'B');
    Guarded narrow(48, 'B');
    l = 48;
    EXPECT_EQ(DMA_GetStringData(&r.ctx, kNarrow, C(narrow), &l), DMA_E_MORE_DATA);
    EXPECT_EQ(l, 48u);
    EXPECT_TRUE(buf.CanariesIntact() && narrow.CanariesIntact());
    EXPECT_NO_LEAK();
}

TEST(Strings, FieldPairRoundTripsInTheAnsiCodePage) {
    Records r;
    const char *texts[] = {"", "a", "Caf\xE9 \x80 12", "0123456789012345678901234567890"};
    for (const char *t : texts) {
        ASSERT_EQ(DMA_SetStringData(&r.ctx, kText259, t, 32), DMA_OK) << t;
        Guarded buf(32, 'B');
        uint32_t l = 32;
        ASSERT_EQ(DMA_GetStringData(&r.ctx, kText259, C(buf), &l), DMA_OK);
        EXPECT_STREQ(C(buf), t);
        EXPECT_EQ(l, 32u);
        EXPECT_TRUE(buf.CanariesIntact());
    }
    EXPECT_EQ(ReadU16(r.devMode.data() + 224, 32).size(), 31u);
    ASSERT_EQ(DMA_SetStringData(&r.ctx, kText259, "\x80\xE9", 3), DMA_OK);
    EXPECT_EQ(ReadU16(r.devMode.data() + 224, 32), std::u16string(u"\u20AC\u00E9"));
    EXPECT_TRUE(r.CanariesIntact());
    EXPECT_NO_LEAK();
}

TEST(Strings, GetStringDataConvertsTheWholeField) {
    Records r;
    // "ab", terminator, then "z" units to the end of the field.
    for (int i = 0; i < 32; ++i) dma::Store16(r.devMode.data() + 224 + 2 * i, u'z');
    WriteU16(r.devMode.data() + 224, U16("ab"));
    Guarded buf(40, 'B');
    uint32_t l = 40;
    ASSERT_EQ(DMA_GetStringData(&r.ctx, kText259, C(buf), &l), DMA_OK);
    EXPECT_EQ(std::string(C(buf), 32), std::string("ab\0", 3) + std::string(29, 'z'));
    EXPECT_EQ(buf.data()[32], 'B');  // exactly W/2 bytes written
    EXPECT_TRUE(buf.CanariesIntact());
    EXPECT_NO_LEAK();
}

#if !defined(_WIN32)
// Where ANSI characters take more than one byte, the zero units after a text
// do not fit the W/2 bytes after the text's own bytes; the text still reads
// back, zero-filled, as long as it fits with its terminator.
TEST(Strings, GetStringDataOnAMultiByteAnsiCodePage) {
    Utf8AnsiCodePage utf8;
    Records r;
    const std::string sun = "\xE6\x97\xA5";  // U+65E5, 3 bytes in UTF-8
    const std::string two = sun + "\xE6\x9C\xAC";
    ASSERT_EQ(DMA_SetStringData(&r.ctx, kText259, two.c_str(), 7), DMA_OK);
    EXPECT_EQ(ReadU16(r.devMode.data() + 224, 32), std::u16string(u"\u65E5\u672C"));
    // Stale units after the terminator do not reach the caller either.
    for (int i = 3; i < 32; ++i) dma::Store16(r.devMode.data() + 224 + 2 * i, u'z');
    Guarded buf(32, 'B');
    uint32_t l = 32;
    ASSERT_EQ(DMA_GetStringData(&r.ctx, kText259, C(buf), &l), DMA_OK);
    EXPECT_EQ(std::string(C(buf), 32), two + std::string(26, '\0'));
    EXPECT_TRUE(buf.CanariesIntact());

    // Ten such characters and the terminator take 31 bytes: they fit.
    std::u16string ten(10, u'\u65E5'), eleven(11, u'\u65E5');
    WriteU16(r.devMode.data() + 224, ten);
    Guarded fits(32, 'B');
    ASSERT_EQ(DMA_GetStringData(&r.ctx, kText259, C(fits), &l), DMA_OK);
    std::string tenBytes;
    for (int i = 0; i < 10; ++i) tenBytes += sun;
    EXPECT_EQ(std::string(C(fits), 32), tenBytes + std::string(2, '\0'));
    EXPECT_TRUE(fits.CanariesIntact());
    // Eleven take 34: refused, never past the caller's 32 bytes.
    WriteU16(r.devMode.data() + 224, eleven);
    Guarded over(32, 'B');
    EXPECT_EQ(DMA_GetStringData(&r.ctx, kText259, C(over), &l), DMA_E_FAILED);
    EXPECT_TRUE(over.CanariesIntact());
    // The text pair measures the converted text and hands all of it out.
    uint32_t n = 0;
    EXPECT_EQ(DMA_GetStringData_StrLength(&r.ctx, kText259, nullptr, &n), DMA_E_MORE_DATA);
    EXPECT_EQ(n, 34u);
    // Thirty-one such characters fill the field and need 94 bytes, more than
    // the field's 64: stored by the text pair, they read back through it.
    std::string full;
    for (int i = 0; i < 31; ++i) full += sun;
    ASSERT_EQ(DMA_SetStringData_StrLength(&r.ctx, kText259, full.c_str()), DMA_OK);
    n = 0;
    ASSERT_EQ(DMA_GetStringData_StrLength(&r.ctx, kText259, nullptr, &n), DMA_E_MORE_DATA);
    ASSERT_EQ(n, 94u);
    Guarded back(94, 'B');
    ASSERT_EQ(DMA_GetStringData_StrLength(&r.ctx, kText259, C(back), &n), DMA_OK);
    EXPECT_EQ(std::string(C(back)), full);
    EXPECT_TRUE(back.CanariesIntact());
    EXPECT_TRUE(r.CanariesIntact());
    EXPECT_NO_LEAK();
}
#endif

TEST(Strings, SetStringDataGatesOnTheLengthArgument) {
    Records r;
    EXPECT_EQ(DMA_SetStringData(&r.ctx, kText259, "abc", 32), DMA_OK);
    EXPECT_EQ(DMA_SetStringData(&r.ctx, kText259, "xyz", 33), DMA_E_TOO_LONG);
    EXPECT_EQ(ReadU16(r.devMode.data() + 224, 32), U16("abc"));
    EXPECT_NO_LEAK();
}

// Every route of DMA_SetStringData reads the caller's text only within the
// length it declares: a full-length text without terminator, in a heap block
// of exactly that size (the sanitizer build catches a read past it), is
// taken whole.
TEST(Strings, DeclaredLengthBoundsEveryRoute) {
    struct Case { uint32_t id; uint32_t length; } cases[] = {
        {0x1, 32},                 // UTF-16 field of 32 units
        {0x9001, 12},              // protected: 12 clear bytes fill its field
        {DMA_ID_FAX_HEADER1, 40},  // fax header text: 41 units
        {kNarrow, 49},             // item 329's 8-bit field
    };
    for (const Case &c : cases) {
        Records r;
        const std::vector<char> exact(c.length, 'q');
        EXPECT_EQ(DMA_SetStringData(&r.ctx, c.id, exact.data(), c.length), DMA_OK) << std::hex << c.id;
        EXPECT_TRUE(r.CanariesIntact());
    }
    EXPECT_NO_LEAK();
}

TEST(Strings, SetStringDataKeepsTheTailOfTheField) {
    Records r;
    for (int i = 0; i < 32; ++i) dma::Store16(r.devMode.data() + 224 + 2 * i, u'z');
    ASSERT_EQ(DMA_SetStringData(&r.ctx, kText259, "ab", 3), DMA_OK);
    EXPECT_EQ(dma::Load16(r.devMode.data() + 224 + 4), 0);
    EXPECT_EQ(dma::Load16(r.devMode.data() + 224 + 6), u'z');
    EXPECT_EQ(dma::Load16(r.devMode.data() + 224 + 62), u'z');
    EXPECT_NO_LEAK();
}

// A text whose conversion needs more units than the field holds is refused
// whole: it used to be stored cut (or not at all) while reporting success.
// The declared length bounds what is read of the caller's text: the text is
// what lies before its terminator within it, or all of it (each text below
// sits in a heap block of exactly the declared size, so a read past it is
// caught); an unterminated text that fills the field is stored without a
// terminator, as DMA_GetStringData hands such a field out.
TEST(Strings, SetStringDataRefusesTextsThatDoNotFit) {
    Records r;
    WriteU16(r.devMode.data() + 224, U16("old"));
    const std::string longText(300, 'x'), over(33, 'o');
    struct Refused { const std::string *text; uint32_t length; } refused[] = {
        {&longText, 0}, {&over, 33},
    };
    for (const Refused &c : refused) {
        EXPECT_EQ(DMA_SetStringData(&r.ctx, kText259, c.text->c_str(), c.length), DMA_E_TOO_LONG);
        EXPECT_EQ(ReadU16(r.devMode.data() + 224, 32), U16("old"));
    }
    struct Bounded { const char *bytes; uint32_t length; const char *stored; bool terminated; } bounded[] = {
        {"ffffffffff", 5, "fffff", true},   // the five declared bytes of a longer text
        {"ab\0cd", 5, "ab", true},          // its terminator within them
        {"oooooooooooooooooooooooooooooooo", 32, "oooooooooooooooooooooooooooooooo", false},
    };
    for (const Bounded &c : bounded) {
        const std::vector<char> exact(c.bytes, c.bytes + c.length);
        WriteU16(r.devMode.data() + 224, U16("old"));
        EXPECT_EQ(DMA_SetStringData(&r.ctx, kText259, exact.data(), c.length), DMA_OK) << c.stored;
        EXPECT_EQ(ReadU16(r.devMode.data() + 224, 32), U16(c.stored)) << c.stored;
        if (c.terminated) {
            EXPECT_EQ(dma::Load16(r.devMode.data() + 224 + 2 * std::strlen(c.stored)), 0);
        }
    }
    EXPECT_EQ(dma::Load16(r.devMode.data() + 288), 0);  // the next setting is untouched
    EXPECT_TRUE(r.CanariesIntact());
    EXPECT_NO_LEAK();
}

TEST(Strings, NarrowFieldFieldPair) {
    Records r;
    uint8_t *field = r.devMode.data() + 693;
    // With length W all 49 bytes come from the caller, tail included.
    Guarded whole(49, 0);
    std::memcpy(whole.data(), "hello\0tail", 10);
    ASSERT_EQ(DMA_SetStringData(&r.ctx, kNarrow, C(whole), 49), DMA_OK);
    EXPECT_EQ(std::memcmp(field, whole.data(), 49), 0);
    Guarded back(49, 'B');
    uint32_t l = 49;
    ASSERT_EQ(DMA_GetStringData(&r.ctx, kNarrow, C(back), &l), DMA_OK);
    EXPECT_EQ(std::memcmp(back.data(), whole.data(), 49), 0);
    EXPECT_TRUE(back.CanariesIntact());
    EXPECT_EQ(DMA_SetStringData(&r.ctx, kNarrow, C(whole), 50), DMA_E_TOO_LONG);

    // Below W only the caller's `length` bytes are read; the rest is cleared.
    Guarded ten(10, 0);
    std::memcpy(ten.data(), "abcdefghij", 10);  // no terminator, canaries follow
    ASSERT_EQ(DMA_SetStringData(&r.ctx, kNarrow, C(ten), 10), DMA_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(field)), "abcdefghij");
    for (int i = 10; i < 49; ++i) EXPECT_EQ(field[i], 0) << i;
    ASSERT_EQ(DMA_SetStringData(&r.ctx, kNarrow, "xy", 40), DMA_OK);
    EXPECT_STREQ(reinterpret_cast<char *>(field), "xy");
    EXPECT_EQ(field[5], 0);
    EXPECT_EQ(r.devMode.data()[692], 0);  // neighbours of the odd-placed field
    EXPECT_EQ(r.devMode.data()[742], 0);
    EXPECT_TRUE(r.CanariesIntact());
    EXPECT_NO_LEAK();
}

TEST(Strings, TextPairMeasuresTheConvertedText) {
    Records r;
    struct Case { uint32_t id; const char *text; uint32_t needed; } cases[] = {
        {kText259, "", 1}, {kText259, "abc", 4}, {kText259, "Caf\xE9\x80", 6},
        {kNarrow, "", 1}, {kNarrow, "abc", 4}, {kSecondary, "second", 7},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(DMA_SetStringData_StrLength(&r.ctx, c.id, c.text), DMA_OK) << c.text;
        uint32_t l = 0;
        EXPECT_EQ(DMA_GetStringData_StrLength(&r.ctx, c.id, nullptr, &l), DMA_E_MORE_DATA);
        EXPECT_EQ(l, c.needed) << c.text;
        l = 7;
        EXPECT_EQ(DMA_GetStringData_StrLength(&r.ctx, c.id, nullptr, &l), DMA_E_FAILED);
        EXPECT_EQ(l, 7u);
        Guarded small(c.needed, 'B');
        l = c.needed - 1;
        EXPECT_EQ(DMA_GetStringData_StrLength(&r.ctx, c.id, C(small), &l), DMA_E_MORE_DATA);
        EXPECT_EQ(l, c.needed - 1);
        EXPECT_EQ(small.data()[0], 'B');
        Guarded exact(c.needed, 'B');
        l = c.needed;
        ASSERT_EQ(DMA_GetStringData_StrLength(&r.ctx, c.id, C(exact), &l), DMA_OK);
        EXPECT_STREQ(C(exact), c.text);
        EXPECT_TRUE(exact.CanariesIntact() && small.CanariesIntact());
    }
    EXPECT_TRUE(r.CanariesIntact());
    EXPECT_NO_LEAK();
}

TEST(Strings, SetStringDataStrLengthBoundsAndClearing) {
    Records r;
    const std::string w31(31, 'w'), w32(32, 'w'), n48(48, 'n'), n49(49, 'n');
    for (int i = 0; i < 32; ++i) dma::Store16(r.devMode.data() + 224 + 2 * i, u'z');
    ASSERT_EQ(DMA_SetStringData_StrLength(&r.ctx, kText259, "ab"), DMA_OK);
    for (int i = 2; i < 32; ++i) EXPECT_EQ(dma::Load16(r.devMode.data() + 224 + 2 * i), 0) << i;
    EXPECT_EQ(DMA_SetStringData_StrLength(&r.ctx, kText259, w31.c_str()), DMA_OK);
    EXPECT_EQ(DMA_SetStringData_StrLength(&r.ctx, kText259, w32.c_str()), DMA_E_TOO_LONG);
    EXPECT_EQ(ReadU16(r.devMode.data() + 224, 32), U16(w31.c_str()));
    EXPECT_EQ(DMA_SetStringData_StrLength(&r.ctx, kNarrow, n48.c_str()), DMA_OK);
    EXPECT_EQ(DMA_SetStringData_StrLength(&r.ctx, kNarrow, n49.c_str()), DMA_E_TOO_LONG);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(r.devMode.data() + 693)), n48);
    ASSERT_EQ(DMA_SetStringData_StrLength(&r.ctx, kNarrow, "q"), DMA_OK);
    for (int i = 1; i < 49; ++i) EXPECT_EQ(r.devMode.data()[693 + i], 0);
    EXPECT_TRUE(r.CanariesIntact());
    EXPECT_NO_LEAK();
}

// A stored text without a terminator inside its field is measured within the
// field and refused; the scan never runs into the next setting.
TEST(Strings, UnterminatedStoredTextsAreRefused) {
    Records r;
    for (int i = 0; i < 32; ++i) dma::Store16(r.devMode.data() + 224 + 2 * i, u'x');
    std::memset(r.devMode.data() + 693, 'y', 49);
    for (uint32_t id : {kText259, kNarrow}) {
        uint32_t l = 0;
        EXPECT_EQ(DMA_GetStringData_StrLength(&r.ctx, id, nullptr, &l), DMA_E_FAILED);
        EXPECT_EQ(l, 0u);
        Guarded buf(100, 'B');
        l = 100;
        EXPECT_EQ(DMA_GetStringData_StrLength(&r.ctx, id, C(buf), &l), DMA_E_FAILED);
        EXPECT_EQ(buf.data()[0], 'B');
    }
    // One unit shorter fits: 31 characters and the terminator.
    dma::Store16(r.devMode.data() + 224 + 62, 0);
    uint32_t l = 0;
    EXPECT_EQ(DMA_GetStringData_StrLength(&r.ctx, kText259, nullptr, &l), DMA_E_MORE_DATA);
    EXPECT_EQ(l, 32u);
    EXPECT_NO_LEAK();
}

TEST(Strings, ProtectedIdsInTheTextPairReachTheStoredText) {
    Records r;
    ASSERT_EQ(DMA_SetStringData_StrLength(&r.ctx, 0x9001, "plain"), DMA_OK);
    EXPECT_EQ(ReadU16(r.secondary.data() + 3520, 17), U16("plain"));
    char buf[17];
    uint32_t l = sizeof buf;
    ASSERT_EQ(DMA_GetStringData_StrLength(&r.ctx, 0x9001, buf, &l), DMA_OK);
    EXPECT_STREQ(buf, "plain");
    EXPECT_NO_LEAK();
}

// Caller memory that overlaps the setting it goes to or comes from: a text
// starting inside its own field, a string read into the field itself, the
// caller's LOGFONTA lying over the stored LOGFONTW.  Each operation must give
// what it gives with the same bytes copied aside first (the sanitizer build
// also reports an overlapping memcpy).
TEST(Strings, OverlappingCallerMemoryActsAsACopy) {
    struct Case {
        const char *what;
        size_t offset;  // DEVMODEW offset of the caller's memory
        size_t bytes;   // how many bytes of it the call takes
        DMA_RESULT (*call)(DmaContext *, void *);
    };
    const Case cases[] = {
        {"raw text 2 bytes into its field", 2, 14,
         [](DmaContext *ctx, void *p) -> DMA_RESULT {
             return dma_SetValue(1, ctx->devMode, ctx->secondary, DMA_VT_STRING, 14, &p);
         }},
        {"string read into its own field", 0, 64,
         [](DmaContext *ctx, void *p) -> DMA_RESULT {
             uint32_t l = 32;
             return DMA_GetStringData(ctx, kDeviceName, static_cast<char *>(p), &l);
         }},
        {"string set from inside its field", 4, 12,
         [](DmaContext *ctx, void *p) { return DMA_SetStringData(ctx, kDeviceName, static_cast<char *>(p), 12); }},
        {"LOGFONTA over the stored font", 588, 60,
         [](DmaContext *ctx, void *p) { return DMA_SetLogFontData(ctx, kFont, static_cast<LOGFONTA *>(p), 60); }},
        {"font read over itself", 588, 60,
         [](DmaContext *ctx, void *p) -> DMA_RESULT {
             uint32_t l = 60;
             return DMA_GetLogFontData(ctx, kFont, static_cast<LOGFONTA *>(p), &l);
         }},
    };
    for (const Case &c : cases) {
        Records a, b;
        for (Records *r : {&a, &b}) {
            for (size_t i = 0; i < 64; ++i) r->devMode.data()[i] = i % 2 ? 0 : static_cast<uint8_t>('A' + i / 2);
            for (size_t i = 0; i < 92; ++i) r->devMode.data()[588 + i] = static_cast<uint8_t>(i % 2 ? 0 : 'a' + i % 26);
        }
        const std::vector<uint8_t> aside(a.devMode.data() + c.offset, a.devMode.data() + c.offset + c.bytes);
        std::vector<uint8_t> copy = aside;
        const DMA_RESULT inPlace = c.call(&a.ctx, a.devMode.data() + c.offset);
        const DMA_RESULT fromCopy = c.call(&b.ctx, copy.data());
        EXPECT_EQ(inPlace, fromCopy) << c.what;
        // The copy's bytes land in b's records where a's call wrote into its
        // own records: put them where a's caller memory is before comparing.
        if (copy != aside) std::memcpy(b.devMode.data() + c.offset, copy.data(), copy.size());
        EXPECT_EQ(std::memcmp(a.devMode.data(), b.devMode.data(), DMA_DEVMODE_MIN_SIZE), 0) << c.what;
        EXPECT_TRUE(a.CanariesIntact());
    }
    EXPECT_NO_LEAK();
}
