// raw_engine_test.cpp - dma_GetValue and dma_SetValue on the caller's
// records: the special items (combined resolution, mirrored angles, packed
// bytes, flag bits, capped text), strings and fonts handed out by offset,
// the order of the write's checks, the linked writes, and that nothing
// outside the named field (and its dependent places) ever changes.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "engine/engine.h"
#include "support/test_support.h"

namespace {

using dmatest::Records;
using dmatest::U16;

constexpr uint8_t kBufFill = 0xCC;

struct ReadResult {
    RawStatus status;
    uint16_t type = 0xEEEE;
    int32_t length = -99;
    uint16_t area = 0xEEEE;
    std::array<uint8_t, 16> buffer;
    uint32_t U32() const { uint32_t v; std::memcpy(&v, buffer.data(), 4); return v; }
    uint64_t U64() const { uint64_t v; std::memcpy(&v, buffer.data(), 8); return v; }
    // Buffer bytes from `from` on still hold the fill.
    bool UntouchedFrom(size_t from) const {
        for (size_t i = from; i < buffer.size(); ++i)
            if (buffer[i] != kBufFill) return false;
        return true;
    }
};

ReadResult Read(uint16_t id, void *dm, void *sec) {
    ReadResult r;
    r.buffer.fill(kBufFill);
    r.status = dma_GetValue(id, dm, sec, &r.type, &r.length, r.buffer.data(), &r.area);
    return r;
}
ReadResult Read(uint16_t id, Records &rec) { return Read(id, rec.ctx.devMode, rec.ctx.secondary); }

RawStatus Write(uint16_t id, Records &rec, uint16_t type, int32_t length, const void *value) {
    return dma_SetValue(id, rec.ctx.devMode, rec.ctx.secondary, type, length, value);
}
RawStatus Write32(uint16_t id, Records &rec, uint16_t type, int32_t length, uint32_t v) {
    return Write(id, rec, type, length, &v);
}

uint8_t *Dm(Records &rec) { return rec.devMode.data(); }
uint8_t *Sec(Records &rec) { return rec.secondary.data(); }
uint8_t *Ext(Records &rec) { return rec.devMode.data() + DMA_DEVMODE_EXT_BASE; }

// Both records, byte for byte.
struct Snapshot {
    std::vector<uint8_t> dm, sec;
    explicit Snapshot(Records &rec)
        : dm(Dm(rec), Dm(rec) + rec.devMode.size()), sec(Sec(rec), Sec(rec) + rec.secondary.size()) {}
    bool operator==(const Snapshot &) const = default;
};

// Fills both records with a non-zero pattern so that stray writes show.
void Pattern(Records &rec) {
    for (size_t i = 0; i < rec.devMode.size(); ++i) Dm(rec)[i] = static_cast<uint8_t>(0x30 + i % 61);
    for (size_t i = 0; i < rec.secondary.size(); ++i) Sec(rec)[i] = static_cast<uint8_t>(0x50 + i % 53);
}

// ---------------------------------------------------------------- read ----

TEST(RawRead, NullOutputsFailBeforeLookup) {
    Records rec;
    uint16_t type = 7, area = 7;
    int32_t length = 7;
    uint8_t buf[8];
    std::memset(buf, kBufFill, sizeof buf);
    void *dm = rec.ctx.devMode, *sec = rec.ctx.secondary;
    EXPECT_EQ(dma_GetValue(2, dm, sec, nullptr, &length, buf, &area), DMA_RS_FAILED);
    EXPECT_EQ(dma_GetValue(2, dm, sec, &type, nullptr, buf, &area), DMA_RS_FAILED);
    EXPECT_EQ(dma_GetValue(2, dm, sec, &type, &length, nullptr, &area), DMA_RS_FAILED);
    EXPECT_EQ(dma_GetValue(2, dm, sec, &type, &length, buf, nullptr), DMA_RS_FAILED);
    // Before lookup: an unknown item still gives RS_FAILED, not RS_NO_RANGE.
    EXPECT_EQ(dma_GetValue(26, dm, sec, &type, &length, nullptr, &area), DMA_RS_FAILED);
    EXPECT_EQ(type, 7);
    EXPECT_EQ(length, 7);
    EXPECT_EQ(area, 7);
    for (uint8_t b : buf) EXPECT_EQ(b, kBufFill);
}

TEST(RawRead, LookupFailuresWriteOnlyTheArea) {
    Records rec;
    struct Case { uint16_t id; bool nullDm, nullSec; RawStatus status; uint16_t area; };
    const Case cases[] = {
        {0, false, false, DMA_RS_NO_RANGE, 0xEEEE},
        {26, false, false, DMA_RS_NO_RANGE, 0xEEEE},
        {487, false, false, DMA_RS_NO_RANGE, 0xEEEE},
        {0xFFFF, false, false, DMA_RS_NO_RANGE, 0xEEEE},
        {4300, false, false, DMA_RS_FAILED, 2},   // in a range, no row
        {4097, false, true, DMA_RS_FAILED, 2},    // no secondary record
        {8216, false, true, DMA_RS_FAILED, 2},
        {1, true, false, DMA_RS_FAILED, 0},       // no DEVMODEW record
        {1825, true, false, DMA_RS_FAILED, 1},
        {14, true, false, DMA_RS_FAILED, 0},
        {311, true, false, DMA_RS_FAILED, 0},
    };
    for (const Case &c : cases) {
        ReadResult r = Read(c.id, c.nullDm ? nullptr : rec.ctx.devMode,
                            c.nullSec ? nullptr : rec.ctx.secondary);
        EXPECT_EQ(r.status, c.status) << c.id;
        EXPECT_EQ(r.area, c.area) << c.id;
        EXPECT_EQ(r.type, 0xEEEE) << c.id;
        EXPECT_EQ(r.length, -99) << c.id;
        EXPECT_TRUE(r.UntouchedFrom(0)) << c.id;
    }
    // The other record may be null when the item does not live there.
    EXPECT_EQ(Read(8216, nullptr, rec.ctx.secondary).status, DMA_RS_OK);
    EXPECT_EQ(Read(1825, rec.ctx.devMode, nullptr).status, DMA_RS_OK);
}

TEST(RawRead, CombinedResolution) {
    struct Case { int16_t quality, yres; uint32_t expected; };
    const Case cases[] = {
        {600, 300, 0x0258012C},
        {-3, 300, 0xFFFD012C},
        {600, -1, 0x0258FFFF},
        {0, 0, 0},
    };
    for (const Case &c : cases) {
        Records rec;
        dma::Store16(Dm(rec) + 90, static_cast<uint16_t>(c.quality));
        dma::Store16(Dm(rec) + 92, 0x7777);  // dmColor plays no part
        dma::Store16(Dm(rec) + 96, static_cast<uint16_t>(c.yres));
        ReadResult r = Read(14, rec);
        ASSERT_EQ(r.status, DMA_RS_OK);
        EXPECT_EQ(r.U32(), c.expected);
        EXPECT_EQ(r.type, DMA_VT_DWORD);
        EXPECT_EQ(r.length, 4);
        EXPECT_EQ(r.area, 0);
        EXPECT_TRUE(r.UntouchedFrom(4));
    }
}

TEST(RawRead, FontAngles) {
    struct Case { uint16_t id; uint32_t escOff, orientOff; int32_t esc, orient; RawStatus status; };
    const Case cases[] = {
        {311, 596, 600, 900, 900, DMA_RS_OK},
        {311, 596, 600, -450, -450, DMA_RS_OK},
        {311, 596, 600, 900, 0, DMA_RS_FAILED},
        {311, 596, 600, 0, 1, DMA_RS_FAILED},
        {364, 824, 828, 900, 0, DMA_RS_OK},
        {364, 824, 828, 900, 900, DMA_RS_OK},
    };
    for (const Case &c : cases) {
        Records rec;
        dma::Store32(Dm(rec) + c.escOff, static_cast<uint32_t>(c.esc));
        dma::Store32(Dm(rec) + c.orientOff, static_cast<uint32_t>(c.orient));
        ReadResult r = Read(c.id, rec);
        EXPECT_EQ(r.status, c.status) << c.id << " " << c.esc << "/" << c.orient;
        if (c.status == DMA_RS_OK) {
            EXPECT_EQ(static_cast<int32_t>(r.U32()), c.esc);
            EXPECT_EQ(r.type, DMA_VT_LONG);
            EXPECT_EQ(r.length, 4);
            EXPECT_TRUE(r.UntouchedFrom(4));
        } else {
            EXPECT_TRUE(r.UntouchedFrom(0));
            EXPECT_EQ(r.type, 0xEEEE);
            EXPECT_EQ(r.length, -99);
            EXPECT_EQ(r.area, 0);
        }
    }
}

TEST(RawRead, PackedBytesStayInPlace) {
    Records rec;
    const uint32_t words[] = {0xA1B2C3D4, 0x11223344, 0xF0E0D0C0, 0x0A0B0C0D};
    for (int w = 0; w < 4; ++w) dma::Store32(Dm(rec) + 356 + 4 * w, words[w]);
    for (uint16_t id = 392; id <= 403; ++id) {
        const int w = (id - 392) / 3, b = (id - 392) % 3;
        ReadResult r = Read(id, rec);
        ASSERT_EQ(r.status, DMA_RS_OK) << id;
        EXPECT_EQ(r.U32(), words[w] & (0xFFu << (8 * b))) << id;
        EXPECT_EQ(r.type, DMA_VT_DWORD);
        EXPECT_EQ(r.length, 4);
        EXPECT_TRUE(r.UntouchedFrom(4));
    }
}

TEST(RawRead, FlagGroupBits) {
    struct Case {
        uint16_t id; uint8_t area; uint32_t wordOffset; uint32_t word;
        uint32_t expected; uint16_t type; int32_t length;
    };
    const Case cases[] = {
        {1281, 0, 288, 0x1, 1, DMA_VT_FLAG, 4},
        {1281, 0, 288, 0xFFFFFFFE, 0, DMA_VT_FLAG, 4},
        {1284, 0, 288, 0x1, 1, DMA_VT_DWORD, 4},      // inverted: bit 0x8 clear
        {1284, 0, 288, 0x8, 0, DMA_VT_DWORD, 4},
        {1296, 0, 288, 0x8000, 1, DMA_VT_BYTE, 1},    // 4 bytes written all the same
        {1296, 0, 288, 0, 0, DMA_VT_BYTE, 1},
        {1322, 0, 292, 0x200, 1, DMA_VT_WORD, 2},
        {1332, 0, 292, 0x80000, 1, DMA_VT_WORD, 2},
        {1312, 0, 288, 0x80000000, 1, DMA_VT_FLAG, 4},
        {1313, 0, 292, 0x1, 1, DMA_VT_FLAG, 4},
        {1370, 0, 1516, 0x02000000, 1, DMA_VT_FLAG, 4},
        {1376, 0, 1516, 0x80000000, 1, DMA_VT_FLAG, 4},
        {1376, 0, 1516, 0x7FFFFFFF, 0, DMA_VT_FLAG, 4},
        {2305, 1, 3960, 0x1, 1, DMA_VT_FLAG, 4},
        {2528, 1, 3984, 0x80000000, 1, DMA_VT_FLAG, 4},
        {2560, 1, 4260, 0x80000000, 1, DMA_VT_FLAG, 4},
        {4111, 2, 8, 0x4000, 1, DMA_VT_FLAG, 4},
        {4161, 2, 8, 0x4000, 1, DMA_VT_FLAG, 4},      // same bit as 4111
        {4129, 2, 5848, 0x1, 1, DMA_VT_FLAG, 4},
        {4609, 2, 3224, 0x1, 1, DMA_VT_FLAG, 4},
        {4640, 2, 3224, 0x7FFFFFFF, 0, DMA_VT_FLAG, 4},
    };
    for (const Case &c : cases) {
        Records rec;
        uint8_t *base = c.area == 0 ? Dm(rec) : c.area == 1 ? Ext(rec) : Sec(rec);
        dma::Store32(base + c.wordOffset, c.word);
        ReadResult r = Read(c.id, rec);
        ASSERT_EQ(r.status, DMA_RS_OK) << c.id;
        EXPECT_EQ(r.U32(), c.expected) << c.id << " word " << std::hex << c.word;
        EXPECT_EQ(r.type, c.type) << c.id;
        EXPECT_EQ(r.length, c.length) << c.id;
        EXPECT_EQ(r.area, c.area) << c.id;
        EXPECT_TRUE(r.UntouchedFrom(4)) << c.id;
    }
}

TEST(RawRead, ScalarsWidenedWithZeros) {
    struct Case {
        uint16_t id; uint8_t area; uint32_t offset; std::vector<uint8_t> stored;
        uint16_t type; int32_t length; std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {267, 0, 308, {0x05, 0x77}, DMA_VT_WORD, 2, {0x05, 0x00}},        // byte reported as word
        {272, 0, 321, {0xFE, 0x77}, DMA_VT_WORD, 2, {0xFE, 0x00}},        // odd offset
        {7, 0, 76, {0xFF, 0xFF, 0x77}, DMA_VT_SHORT, 2, {0xFF, 0xFF}},    // no sign extension
        {2, 0, 64, {0x34, 0x12, 0x77}, DMA_VT_WORD, 2, {0x34, 0x12}},
        {6, 0, 72, {1, 2, 3, 4, 0x77}, DMA_VT_DWORD, 4, {1, 2, 3, 4}},
        {308, 0, 608, {0x9A, 0x77}, DMA_VT_BYTE, 1, {0x9A}},
        {306, 0, 588, {0xF0, 0xFF, 0xFF, 0xFF}, DMA_VT_LONG, 4, {0xF0, 0xFF, 0xFF, 0xFF}},
        {20, 0, 90, {0x58, 0x02, 0x77}, DMA_VT_SHORT, 2, {0x58, 0x02}},
        {1825, 1, 2052, {1, 0, 0, 0x80}, DMA_VT_INT, 4, {1, 0, 0, 0x80}},
        {1828, 1, 2064, {4, 3, 2, 1}, DMA_VT_INT, 4, {4, 3, 2, 1}},
        {1891, 1, 4296, {0, 0, 1, 0}, DMA_VT_FLAG, 4, {0, 0, 1, 0}},      // plain 32-bit flag
        {8216, 2, 7964, {2, 0, 0, 9}, DMA_VT_FLAG, 4, {2, 0, 0, 9}},
        {8225, 2, 7972, {0xAB, 0xCD}, DMA_VT_WORD, 2, {0xAB, 0xCD}},
        {5163, 2, 4936, {0x01, 0x77}, DMA_VT_BYTE, 1, {0x01}},
        {1861, 1, 3800, {0x42, 0x77}, DMA_VT_BYTE, 1, {0x42}},
    };
    for (const Case &c : cases) {
        Records rec;
        uint8_t *base = c.area == 0 ? Dm(rec) : c.area == 1 ? Ext(rec) : Sec(rec);
        std::memcpy(base + c.offset, c.stored.data(), c.stored.size());
        ReadResult r = Read(c.id, rec);
        ASSERT_EQ(r.status, DMA_RS_OK) << c.id;
        EXPECT_EQ(r.type, c.type) << c.id;
        EXPECT_EQ(r.length, c.length) << c.id;
        EXPECT_EQ(r.area, c.area) << c.id;
        EXPECT_EQ(std::vector<uint8_t>(r.buffer.begin(), r.buffer.begin() + c.expected.size()),
                  c.expected) << c.id;
        EXPECT_TRUE(r.UntouchedFrom(c.expected.size())) << c.id;
    }
}

TEST(RawRead, StringsAndFontsHandOutAreaAndOffset) {
    struct Case {
        uint16_t id; uint8_t area; uint64_t offset; uint32_t size;
        const char *text; bool fillField; uint16_t type; int32_t length;
    };
    const Case cases[] = {
        {259, 0, 224, 64, "abc", false, DMA_VT_STRING, 8},
        {259, 0, 224, 64, "", false, DMA_VT_STRING, 2},
        {259, 0, 224, 64, nullptr, true, DMA_VT_STRING, 66},   // no terminator in field
        {1, 0, 0, 64, "printer", false, DMA_VT_STRING, 16},
        {329, 0, 693, 49, nullptr, true, DMA_VT_STRING, 50},   // odd size: 24 units looked at
        {1819, 1, 1342, 82, "x", false, DMA_VT_STRING, 4},
        {1854, 1, 3196, 2, nullptr, true, DMA_VT_STRING, 4},
        {5121, 2, 18, 66, "hello", false, DMA_VT_STRING, 12},
        {304, 0, 588, 92, nullptr, false, DMA_VT_LOGFONT, 92},
        {357, 0, 816, 92, nullptr, false, DMA_VT_LOGFONT, 92},
    };
    for (const Case &c : cases) {
        Records rec;
        Pattern(rec);  // non-zero everywhere around the field
        uint8_t *base = c.area == 0 ? Dm(rec) : c.area == 1 ? Ext(rec) : Sec(rec);
        if (c.text) dmatest::WriteU16(base + c.offset, U16(c.text));
        if (c.fillField) std::memset(base + c.offset, 'A', c.size);
        Snapshot before(rec);
        ReadResult r = Read(c.id, rec);
        ASSERT_EQ(r.status, DMA_RS_OK) << c.id;
        EXPECT_EQ(r.U64(), c.offset) << c.id;
        EXPECT_EQ(r.area, c.area) << c.id;
        EXPECT_EQ(r.type, c.type) << c.id;
        EXPECT_EQ(r.length, c.length) << c.id;
        EXPECT_TRUE(r.UntouchedFrom(8)) << c.id;
        EXPECT_TRUE(Snapshot(rec) == before) << c.id;
    }
}

// The last field of the block at 1608 ends exactly where the record ends: a
// text without terminator must be counted without reading past it.
TEST(RawRead, TextCountedWithinItsField) {
    std::vector<uint8_t> dm(DMA_DEVMODE_MIN_SIZE, 'A');  // exact size, no slack
    ReadResult r = Read(1897, dm.data(), nullptr);
    ASSERT_EQ(r.status, DMA_RS_OK);
    EXPECT_EQ(r.U64(), 4364u);
    EXPECT_EQ(r.length, 18);  // 16-byte field, 8 units, no terminator
}

TEST(RawRead, ChangesNoRecord) {
    Records rec;
    Pattern(rec);
    Snapshot before(rec);
    for (uint16_t id : {1, 7, 14, 20, 259, 267, 304, 311, 364, 393, 1281, 1284, 1296, 1825,
                        2560, 4161, 4640, 5121, 8216, 8225})
        Read(id, rec);
    EXPECT_TRUE(Snapshot(rec) == before);
    EXPECT_TRUE(rec.CanariesIntact());
}

// --------------------------------------------------------------- write ----

struct WriteCheck {
    uint16_t id; uint16_t type; int32_t length; RawStatus status;
};

// Declared type and length against the catalogue row, in the checks' order;
// every refused write leaves both records untouched.
TEST(RawWrite, TypeAndLengthChecks) {
    const WriteCheck cases[] = {
        {26, DMA_VT_WORD, 2, DMA_RS_NO_RANGE},
        {0, DMA_VT_WORD, 2, DMA_RS_NO_RANGE},
        {4300, DMA_VT_WORD, 2, DMA_RS_FAILED},      // no row; lookup comes before type
        {7, DMA_VT_WORD, 2, DMA_RS_BAD_TYPE},
        {7, DMA_VT_SHORT, 4, DMA_RS_BAD_WIDTH},
        {7, DMA_VT_SHORT, 2, DMA_RS_OK},
        {7, 0, 2, DMA_RS_FAILED},                   // type 0 = reportType 0: no width
        {7, 7, 2, DMA_RS_BAD_TYPE},
        {267, 0, 2, DMA_RS_BAD_TYPE},               // has a reportType: 0 matches nothing
        {264, DMA_VT_BYTE, 1, DMA_RS_OK},
        {264, DMA_VT_WORD, 2, DMA_RS_OK},
        {264, DMA_VT_WORD, 1, DMA_RS_BAD_WIDTH},
        {264, DMA_VT_BYTE, 2, DMA_RS_BAD_WIDTH},
        {264, DMA_VT_DWORD, 4, DMA_RS_BAD_TYPE},
        {1281, DMA_VT_FLAG, 0, DMA_RS_BAD_WIDTH},   // flag without reportType: any length from 1,
        {1281, DMA_VT_FLAG, -7, DMA_RS_BAD_WIDTH},  // but a value of no bytes carries no bit
        {1281, DMA_VT_FLAG, 1, DMA_RS_OK},
        {1281, DMA_VT_FLAG, 7, DMA_RS_OK},
        {1281, DMA_VT_DWORD, 4, DMA_RS_BAD_TYPE},
        {1296, DMA_VT_BYTE, 1, DMA_RS_OK},
        {1296, DMA_VT_BYTE, 4, DMA_RS_BAD_WIDTH},
        {1296, DMA_VT_FLAG, 4, DMA_RS_OK},
        {1296, DMA_VT_FLAG, 1, DMA_RS_BAD_WIDTH},
        {1284, DMA_VT_DWORD, 4, DMA_RS_OK},
        {1284, DMA_VT_DWORD, 0, DMA_RS_BAD_WIDTH},
        {1322, DMA_VT_WORD, 2, DMA_RS_OK},
        {1891, DMA_VT_FLAG, 0, DMA_RS_BAD_WIDTH},   // plain flag outside the groups
        {1891, DMA_VT_FLAG, 4, DMA_RS_OK},
        {14, DMA_VT_DWORD, 2, DMA_RS_BAD_WIDTH},
        {14, DMA_VT_SHORT, 2, DMA_RS_BAD_TYPE},
        {393, DMA_VT_BYTE, 1, DMA_RS_BAD_TYPE},
        {1825, DMA_VT_INT, 4, DMA_RS_OK},
        {1825, DMA_VT_LONG, 4, DMA_RS_BAD_TYPE},
        {311, DMA_VT_LONG, 8, DMA_RS_BAD_WIDTH},
        {1, DMA_VT_WORD, 2, DMA_RS_BAD_TYPE},       // a string only as VT_STRING
        {304, DMA_VT_STRING, 8, DMA_RS_BAD_TYPE},
    };
    for (const WriteCheck &c : cases) {
        Records rec;
        Pattern(rec);
        Snapshot before(rec);
        const uint32_t value = 0;
        EXPECT_EQ(Write(c.id, rec, c.type, c.length, &value), c.status)
            << c.id << " type " << c.type << " len " << c.length;
        if (c.status != DMA_RS_OK) {
            EXPECT_TRUE(Snapshot(rec) == before) << c.id << " type " << c.type;
        }
        EXPECT_TRUE(rec.CanariesIntact()) << c.id;
    }
}

TEST(RawWrite, NullValueAndMissingRecords) {
    Records rec;
    Pattern(rec);
    Snapshot before(rec);
    EXPECT_EQ(Write(7, rec, DMA_VT_SHORT, 2, nullptr), DMA_RS_FAILED);
    EXPECT_EQ(Write(26, rec, DMA_VT_SHORT, 2, nullptr), DMA_RS_FAILED);  // before lookup
    const uint32_t v = 1;
    EXPECT_EQ(dma_SetValue(4097, rec.ctx.devMode, nullptr, DMA_VT_FLAG, 4, &v), DMA_RS_FAILED);
    EXPECT_EQ(dma_SetValue(7, nullptr, rec.ctx.secondary, DMA_VT_SHORT, 2, &v), DMA_RS_FAILED);
    EXPECT_EQ(dma_SetValue(1825, nullptr, rec.ctx.secondary, DMA_VT_INT, 4, &v), DMA_RS_FAILED);
    EXPECT_TRUE(Snapshot(rec) == before);
    // The record an item does not live in may be null.
    EXPECT_EQ(dma_SetValue(8225, nullptr, rec.ctx.secondary, DMA_VT_WORD, 2, &v), DMA_RS_OK);
    EXPECT_EQ(dma_SetValue(1825, rec.ctx.devMode, nullptr, DMA_VT_INT, 4, &v), DMA_RS_OK);
    EXPECT_TRUE(rec.CanariesIntact());
}

// Only the stored width of the value is copied; a wider declared type is
// narrowed to its low bytes.
TEST(RawWrite, ScalarsNarrowedToStoredWidth) {
    struct Case {
        uint16_t id; uint16_t type; int32_t length; uint32_t value;
        uint8_t area; uint32_t offset; std::vector<uint8_t> stored;
    };
    const Case cases[] = {
        {264, DMA_VT_WORD, 2, 0x0105, 0, 300, {0x05}},
        {264, DMA_VT_BYTE, 1, 0xFFFFFF07, 0, 300, {0x07}},
        {272, DMA_VT_WORD, 2, 0x00FE, 0, 321, {0xFE}},       // odd offset
        {7, DMA_VT_SHORT, 2, 0xFFFF, 0, 76, {0xFF, 0xFF}},
        {6, DMA_VT_DWORD, 4, 0x04030201, 0, 72, {1, 2, 3, 4}},
        {306, DMA_VT_LONG, 4, 0xFFFFFFF0, 0, 588, {0xF0, 0xFF, 0xFF, 0xFF}},
        {1825, DMA_VT_INT, 4, 0x80000001, 1, 2052, {1, 0, 0, 0x80}},
        {1891, DMA_VT_FLAG, 4, 0x00010000, 1, 4296, {0, 0, 1, 0}},
        {8216, DMA_VT_FLAG, 4, 0x09000002, 2, 7964, {2, 0, 0, 9}},
        {5163, DMA_VT_BYTE, 1, 0x01, 2, 4936, {0x01}},
        {8225, DMA_VT_WORD, 2, 0xCDAB, 2, 7972, {0xAB, 0xCD}},
        {20, DMA_VT_SHORT, 2, 0x0258, 0, 90, {0x58, 0x02}},  // alias of 14's place, no mirror
    };
    for (const Case &c : cases) {
        Records rec;
        Pattern(rec);
        Snapshot before(rec);
        ASSERT_EQ(Write32(c.id, rec, c.type, c.length, c.value), DMA_RS_OK) << c.id;
        Snapshot after(rec);
        std::vector<uint8_t> &aDm = after.dm, &aSec = after.sec;
        const size_t base = c.area == 0 ? 0 : c.area == 1 ? DMA_DEVMODE_EXT_BASE : 0;
        std::vector<uint8_t> &rec2 = c.area == 2 ? aSec : aDm;
        EXPECT_EQ(std::vector<uint8_t>(rec2.begin() + base + c.offset,
                                       rec2.begin() + base + c.offset + c.stored.size()),
                  c.stored) << c.id;
        // Put the field back: nothing else may differ.
        std::memcpy(rec2.data() + base + c.offset,
                    (c.area == 2 ? before.sec : before.dm).data() + base + c.offset,
                    c.stored.size());
        EXPECT_TRUE(after == before) << c.id;
        EXPECT_TRUE(rec.CanariesIntact()) << c.id;
    }
}

TEST(RawWrite, FlagGroupBits) {
    struct Case {
        uint16_t id; uint16_t type; int32_t length; uint32_t value;
        uint8_t area; uint32_t wordOffset; uint32_t before, after;
    };
    const Case cases[] = {
        {1281, DMA_VT_FLAG, 4, 1, 0, 288, 0x00000000, 0x00000001},
        {1281, DMA_VT_FLAG, 4, 0x100, 0, 288, 0xFFFFFFFF, 0xFFFFFFFE},  // only the lowest byte counts
        {1281, DMA_VT_FLAG, 4, 2, 0, 288, 0x00000000, 0x00000001},
        {1281, DMA_VT_FLAG, 1, 0x80, 0, 288, 0x12345670, 0x12345671},
        {1284, DMA_VT_DWORD, 4, 1, 0, 288, 0xFFFFFFFF, 0xFFFFFFF7},    // inverted
        {1284, DMA_VT_DWORD, 4, 0, 0, 288, 0x00000000, 0x00000008},
        {1284, DMA_VT_DWORD, 4, 2, 0, 288, 0x00000000, 0x00000008},    // bit 0 of the byte only
        {1284, DMA_VT_FLAG, 4, 3, 0, 288, 0x00000008, 0x00000000},
        {1296, DMA_VT_BYTE, 1, 1, 0, 288, 0x00000000, 0x00008000},
        {1296, DMA_VT_BYTE, 1, 0, 0, 288, 0xFFFFFFFF, 0xFFFF7FFF},
        {1322, DMA_VT_WORD, 2, 0x0100, 0, 292, 0xFFFFFFFF, 0xFFFFFDFF},
        {1376, DMA_VT_FLAG, 4, 1, 0, 1516, 0x00000000, 0x80000000},
        {2305, DMA_VT_FLAG, 4, 1, 1, 3960, 0x00000000, 0x00000001},
        {2560, DMA_VT_FLAG, 4, 0, 1, 4260, 0xFFFFFFFF, 0x7FFFFFFF},
        {4161, DMA_VT_FLAG, 4, 1, 2, 8, 0x00000000, 0x00004000},
        {4111, DMA_VT_FLAG, 4, 0, 2, 8, 0xFFFFFFFF, 0xFFFFBFFF},
        {4129, DMA_VT_FLAG, 4, 1, 2, 5848, 0x00000000, 0x00000001},
        {4640, DMA_VT_FLAG, 4, 1, 2, 3224, 0x00000000, 0x80000000},
    };
    for (const Case &c : cases) {
        Records rec;
        Pattern(rec);
        uint8_t *base = c.area == 0 ? Dm(rec) : c.area == 1 ? Ext(rec) : Sec(rec);
        dma::Store32(base + c.wordOffset, c.before);
        Snapshot before(rec);
        // The value buffer is only as wide as declared: nothing past it is read.
        std::vector<uint8_t> value(c.length > 0 ? c.length : 1);
        std::memcpy(value.data(), &c.value, value.size());
        ASSERT_EQ(Write(c.id, rec, c.type, c.length, value.data()), DMA_RS_OK) << c.id;
        EXPECT_EQ(dma::Load32(base + c.wordOffset), c.after) << c.id << " value " << c.value;
        dma::Store32(base + c.wordOffset, c.before);
        EXPECT_TRUE(Snapshot(rec) == before) << c.id;
        EXPECT_TRUE(rec.CanariesIntact());
    }
}

TEST(RawWrite, PackedBytesMergedIntoTheirWord) {
    for (uint16_t id = 392; id <= 403; ++id) {
        Records rec;
        Pattern(rec);
        const uint32_t wordOffset = 356 + 4 * ((id - 392) / 3);
        const uint32_t mask = 0xFFu << (8 * ((id - 392) % 3));
        dma::Store32(Dm(rec) + wordOffset, 0xA1B2C3D4);
        Snapshot before(rec);
        ASSERT_EQ(Write32(id, rec, DMA_VT_DWORD, 4, 0x5E6F7A8B), DMA_RS_OK) << id;
        EXPECT_EQ(dma::Load32(Dm(rec) + wordOffset), (0xA1B2C3D4 & ~mask) | (0x5E6F7A8B & mask)) << id;
        dma::Store32(Dm(rec) + wordOffset, 0xA1B2C3D4);
        EXPECT_TRUE(Snapshot(rec) == before) << id;
        // And the read gives back the byte in its place.
        dma::Store32(Dm(rec) + wordOffset, 0);
        ASSERT_EQ(Write32(id, rec, DMA_VT_DWORD, 4, 0xFFFFFFFF), DMA_RS_OK);
        EXPECT_EQ(Read(id, rec).U32(), mask) << id;
    }
}

TEST(RawWrite, CombinedResolutionAndMirroredAngles) {
    Records rec;
    Pattern(rec);
    Snapshot before(rec);
    ASSERT_EQ(Write32(14, rec, DMA_VT_DWORD, 4, 0x0258012C), DMA_RS_OK);
    EXPECT_EQ(dma::Load16(Dm(rec) + 90), 600);
    EXPECT_EQ(dma::Load16(Dm(rec) + 96), 300);
    EXPECT_EQ(Read(14, rec).U32(), 0x0258012Cu);
    std::memcpy(Dm(rec) + 90, before.dm.data() + 90, 2);
    std::memcpy(Dm(rec) + 96, before.dm.data() + 96, 2);
    EXPECT_TRUE(Snapshot(rec) == before);  // dmColor (92) and 94 untouched

    ASSERT_EQ(Write32(311, rec, DMA_VT_LONG, 4, 900), DMA_RS_OK);
    EXPECT_EQ(dma::Load32(Dm(rec) + 596), 900u);
    EXPECT_EQ(dma::Load32(Dm(rec) + 600), 900u);
    ReadResult r = Read(311, rec);
    EXPECT_EQ(r.status, DMA_RS_OK);
    EXPECT_EQ(r.U32(), 900u);
    ASSERT_EQ(Write32(364, rec, DMA_VT_LONG, 4, 0xFFFFFC7C), DMA_RS_OK);  // -900
    EXPECT_EQ(dma::Load32(Dm(rec) + 824), 0xFFFFFC7Cu);
    EXPECT_EQ(dma::Load32(Dm(rec) + 828), 0xFFFFFC7Cu);
    for (uint32_t off : {596u, 600u, 824u, 828u}) std::memcpy(Dm(rec) + off, before.dm.data() + off, 4);
    EXPECT_TRUE(Snapshot(rec) == before);
    EXPECT_TRUE(rec.CanariesIntact());
}

// Writes a UTF-16 text held in an exact-size heap buffer (no terminator
// unless `terminate`), so an over-read shows under the sanitizers.
RawStatus WriteText(uint16_t id, Records &rec, uint16_t type, int32_t length,
                    const std::u16string &text, bool terminate = true) {
    std::vector<uint8_t> bytes(2 * text.size() + (terminate ? 2 : 0), 0);
    for (size_t i = 0; i < text.size(); ++i) dma::Store16(bytes.data() + 2 * i, text[i]);
    const uint8_t *p = bytes.empty() ? nullptr : bytes.data();
    return Write(id, rec, type, length, &p);
}

std::u16string Chars(size_t n) {
    std::u16string s;
    for (size_t i = 0; i < n; ++i) s.push_back(static_cast<char16_t>(u'a' + i % 26));
    return s;
}

TEST(RawWrite, StringsCheckedAgainstTheirField) {
    struct Case {
        uint16_t id; uint32_t offset; uint32_t size; size_t chars; bool terminate;
        int32_t length; RawStatus status;
    };
    const Case cases[] = {
        {1, 0, 64, 31, true, 64, DMA_RS_OK},
        {1, 0, 64, 32, true, 64, DMA_RS_BAD_SIZE},       // text bytes 66 > size
        {1, 0, 64, 32, false, 64, DMA_RS_BAD_SIZE},      // unterminated, counted within field
        {1, 0, 64, 3, true, 66, DMA_RS_BAD_SIZE},        // declared length over size
        {1, 0, 64, 3, true, 8, DMA_RS_OK},
        {1, 0, 64, 3, true, 7, DMA_RS_BAD_SIZE},         // text bytes over declared length
        {1, 0, 64, 3, true, -1, DMA_RS_BAD_SIZE},
        {1, 0, 64, 0, true, 2, DMA_RS_OK},
        {329, 693, 49, 23, true, 48, DMA_RS_OK},         // odd offset and size
        {329, 693, 49, 24, true, 49, DMA_RS_BAD_SIZE},
        {1854, 1608 + 3196, 2, 0, true, 2, DMA_RS_OK},
        {1854, 1608 + 3196, 2, 1, false, 2, DMA_RS_BAD_SIZE},
        {1897, 1608 + 4364, 16, 7, true, 16, DMA_RS_OK},
    };
    for (const Case &c : cases) {
        Records rec;
        Pattern(rec);
        Snapshot before(rec);
        ASSERT_EQ(WriteText(c.id, rec, DMA_VT_STRING, c.length, Chars(c.chars), c.terminate), c.status)
            << c.id << " chars " << c.chars << " len " << c.length;
        if (c.status == DMA_RS_OK) {
            const size_t bytes = 2 * c.chars + 2;
            EXPECT_EQ(dmatest::ReadU16(Dm(rec) + c.offset, c.chars + 1), Chars(c.chars)) << c.id;
            EXPECT_EQ(dma::Load16(Dm(rec) + c.offset + 2 * c.chars), 0) << c.id;
            // The field keeps its old bytes behind the text; nothing else changes.
            std::memcpy(Dm(rec) + c.offset, before.dm.data() + c.offset, bytes);
        }
        EXPECT_TRUE(Snapshot(rec) == before) << c.id << " chars " << c.chars;
        EXPECT_TRUE(rec.CanariesIntact());
    }
    // A string in the secondary record.
    Records rec;
    ASSERT_EQ(WriteText(5121, rec, DMA_VT_STRING, 66, U16("hello")), DMA_RS_OK);
    EXPECT_EQ(dmatest::ReadU16(Sec(rec) + 18, 33), U16("hello"));
    ReadResult r = Read(5121, rec);
    EXPECT_EQ(r.length, 12);
    EXPECT_EQ(r.U64(), 18u);
    EXPECT_EQ(r.area, 2);
}

TEST(RawWrite, NullTextOrFontPointerFails) {
    Records rec;
    Pattern(rec);
    Snapshot before(rec);
    const void *none = nullptr;
    EXPECT_EQ(Write(1, rec, DMA_VT_STRING, 64, &none), DMA_RS_FAILED);
    EXPECT_EQ(Write(304, rec, DMA_VT_LOGFONT, 8, &none), DMA_RS_FAILED);
    EXPECT_EQ(Write(259, rec, DMA_VT_STRING, 64, &none), DMA_RS_FAILED);
    EXPECT_EQ(Write(259, rec, DMA_VT_STRING, 0, &none), DMA_RS_FAILED);
    EXPECT_EQ(Write(259, rec, 0, 0, &none), DMA_RS_BAD_TYPE);  // not a text: the pointer is not read
    EXPECT_TRUE(Snapshot(rec) == before);
}

TEST(RawWrite, Item259CappedAt62Bytes) {
    struct Case { size_t chars; bool terminate; uint16_t type; int32_t length; size_t written; RawStatus status = DMA_RS_OK; };
    const Case cases[] = {
        {5, true, DMA_VT_STRING, 12, 12},
        {5, true, DMA_VT_STRING, 0, 12},    // no declared length: the field bounds the text
        {5, true, DMA_VT_STRING, 1000, 12},
        {5, true, 0, -5, 0, DMA_RS_BAD_TYPE},  // only a text is taken
        {5, true, DMA_VT_BYTE, 1000, 0, DMA_RS_BAD_TYPE},
        {30, true, DMA_VT_STRING, 62, 62},  // 30 characters and terminator
        {31, true, DMA_VT_STRING, 64, 62},  // 31 characters, no terminator
        {40, true, DMA_VT_STRING, 82, 62},
        {32, false, DMA_VT_STRING, 64, 62}, // unterminated: counted within the field
        {5, false, DMA_VT_STRING, 10, 10},  // unterminated: the declared bytes, nothing after
    };
    for (const Case &c : cases) {
        Records rec;
        Pattern(rec);
        Snapshot before(rec);
        ASSERT_EQ(WriteText(259, rec, c.type, c.length, Chars(c.chars), c.terminate), c.status)
            << c.chars;
        std::vector<uint8_t> expected(c.written, 0);
        const std::u16string text = Chars(c.chars);
        for (size_t i = 0; 2 * i < c.written && i < text.size(); ++i)
            dma::Store16(expected.data() + 2 * i, text[i]);
        EXPECT_EQ(std::vector<uint8_t>(Dm(rec) + 224, Dm(rec) + 224 + c.written), expected) << c.chars;
        std::memcpy(Dm(rec) + 224, before.dm.data() + 224, c.written);
        EXPECT_TRUE(Snapshot(rec) == before) << c.chars;  // 286-287 and beyond untouched
    }
}

TEST(RawWrite, FontCopiesWholeLogfont) {
    struct Case { uint16_t id; uint32_t offset; int32_t length; RawStatus status; };
    const Case cases[] = {
        {304, 588, 8, DMA_RS_OK},
        {357, 816, 92, DMA_RS_OK},
        {304, 588, 0, DMA_RS_BAD_SIZE},   // a LOGFONTW is 92 bytes, carried by an 8-byte pointer:
        {304, 588, 60, DMA_RS_BAD_SIZE},  // no other declared size is read as one
        {304, 588, 93, DMA_RS_BAD_SIZE},
    };
    for (const Case &c : cases) {
        Records rec;
        Pattern(rec);
        Snapshot before(rec);
        std::vector<uint8_t> font(92);  // exact size
        for (size_t i = 0; i < font.size(); ++i) font[i] = static_cast<uint8_t>(0x80 + i);
        const uint8_t *p = font.data();
        ASSERT_EQ(Write(c.id, rec, DMA_VT_LOGFONT, c.length, &p), c.status) << c.id;
        if (c.status == DMA_RS_OK) {
            EXPECT_EQ(std::memcmp(Dm(rec) + c.offset, font.data(), 92), 0);
            std::memcpy(Dm(rec) + c.offset, before.dm.data() + c.offset, 92);
        }
        EXPECT_TRUE(Snapshot(rec) == before) << c.id;
        EXPECT_TRUE(rec.CanariesIntact());
    }
}

// ------------------------------------------------------- linked writes ----

TEST(RawWrite, Item267DerivesItem325) {
    const uint8_t expected[] = {0, 3, 4, 3, 2, 1, 1, 4, 2};
    for (uint16_t v = 0; v < 9; ++v) {
        Records rec;
        Pattern(rec);
        Snapshot before(rec);
        ASSERT_EQ(Write32(267, rec, DMA_VT_WORD, 2, v), DMA_RS_OK) << v;
        EXPECT_EQ(Dm(rec)[308], v);
        EXPECT_EQ(Dm(rec)[686], expected[v]) << v;
        Dm(rec)[308] = before.dm[308];
        Dm(rec)[686] = before.dm[686];
        EXPECT_TRUE(Snapshot(rec) == before) << v;
    }
    // No derived value: 267 keeps its new value, 325 its old one.
    Records rec;
    Pattern(rec);
    const uint8_t old325 = Dm(rec)[686];
    EXPECT_EQ(Write32(267, rec, DMA_VT_WORD, 2, 9), DMA_RS_FAILED);
    EXPECT_EQ(Dm(rec)[308], 9);
    EXPECT_EQ(Dm(rec)[686], old325);
    EXPECT_EQ(Write32(267, rec, DMA_VT_WORD, 2, 0x0107), DMA_RS_FAILED);  // 16-bit value counts
    EXPECT_EQ(Dm(rec)[308], 7);
    EXPECT_EQ(Dm(rec)[686], old325);
}

// A linked item declared one byte wide is read as that one byte (the
// caller's value is a heap block of exactly the declared size): the byte
// after it neither counts nor is read.  Declared as a WORD, the 16-bit value
// counts, and one past a byte has no derived value.
TEST(RawWrite, LinkedValueReadAsDeclared) {
    Records rec;
    Pattern(rec);
    const std::vector<uint8_t> seven(1, 7);
    ASSERT_EQ(Write(267, rec, DMA_VT_BYTE, 1, seven.data()), DMA_RS_OK);
    EXPECT_EQ(Dm(rec)[308], 7);
    EXPECT_EQ(Dm(rec)[686], 4);

    Dm(rec)[379] = 4;                  // item 295, class 1
    dma::Store16(Dm(rec) + 76, 1);     // portrait
    dma::Store16(Dm(rec) + 688, 0x0909);
    const std::vector<uint8_t> five(1, 5);
    ASSERT_EQ(Write(320, rec, DMA_VT_BYTE, 1, five.data()), DMA_RS_OK);
    EXPECT_EQ(dma::Load16(Dm(rec) + 688), 0x0404);

    dma::Store16(Dm(rec) + 688, 0x0909);
    const std::vector<uint8_t> word = {5, 0x01};  // 0x0105: no row for it
    ASSERT_EQ(Write(320, rec, DMA_VT_WORD, 2, word.data()), DMA_RS_FAILED);
    EXPECT_EQ(Dm(rec)[680], 5);
    EXPECT_EQ(dma::Load16(Dm(rec) + 688), 0x0909);
}

TEST(RawWrite, PairedItemsFollowOrientationAndClass) {
    struct Case {
        uint16_t id; uint16_t value; int16_t orientation; uint8_t item295;
        RawStatus status; uint16_t derived;  // 0xEEEE: left as it was
    };
    const Case cases[] = {
        {320, 5, 1, 1, DMA_RS_OK, 0x0404},
        {320, 5, 2, 1, DMA_RS_OK, 0x0101},
        {320, 5, 1, 8, DMA_RS_OK, 0x0101},
        {320, 5, 2, 32, DMA_RS_OK, 0x0404},
        {320, 2, 1, 16, DMA_RS_OK, 0x0103},
        {320, 9, 0, 3, DMA_RS_OK, 0x0606},
        {320, 0, 7, 0, DMA_RS_OK, 0x0000},
        {320, 15, 2, 1, DMA_RS_OK, 0x0C0C},
        {320, 1, 0, 1, DMA_RS_FAILED, 0xEEEE},
        {320, 1, 1, 3, DMA_RS_FAILED, 0xEEEE},
        {320, 1, -1, 1, DMA_RS_FAILED, 0xEEEE},
        {320, 16, 1, 1, DMA_RS_FAILED, 0xEEEE},
        {341, 2, 1, 1, DMA_RS_OK, 0x0101},
        {341, 2, 2, 1, DMA_RS_OK, 0x0303},
        {341, 5, 0, 0, DMA_RS_OK, 0x0606},
        {341, 4, 2, 2, DMA_RS_OK, 0x0202},
        {341, 6, 1, 1, DMA_RS_FAILED, 0xEEEE},
    };
    for (const Case &c : cases) {
        Records rec;
        Pattern(rec);
        dma::Store16(Dm(rec) + 76, static_cast<uint16_t>(c.orientation));
        Dm(rec)[379] = c.item295;
        const uint32_t placeOff = c.id == 320 ? 680 : 790;
        const uint32_t derivedOff = c.id == 320 ? 688 : 794;
        dma::Store16(Dm(rec) + derivedOff, 0xEEEE);
        Snapshot before(rec);
        EXPECT_EQ(Write32(c.id, rec, DMA_VT_WORD, 2, c.value), c.status) << c.id << " " << c.value;
        EXPECT_EQ(Dm(rec)[placeOff], static_cast<uint8_t>(c.value)) << c.id;  // written in any case
        EXPECT_EQ(dma::Load16(Dm(rec) + derivedOff), c.derived) << c.id << " " << c.value;
        Dm(rec)[placeOff] = before.dm[placeOff];
        dma::Store16(Dm(rec) + derivedOff, 0xEEEE);
        EXPECT_TRUE(Snapshot(rec) == before) << c.id << " " << c.value;
    }
}

// ------------------------------------------- every item of the catalogue ----

// Writes every scalar item of the catalogue under its presented type and
// reads it back; the only bytes that may change are the item's own stored
// bytes and, for the special items, their word, mirror or linked item.
TEST(RawEngine, EveryItemRoundTripsAndTouchesOnlyItsPlace) {
    size_t checked = 0;
    for (const dma::ItemRange &range : dma::RangeDirectory()) {
        for (const dma::ItemDescriptor *row = range.items; row->itemId != 0; ++row) {
            const uint16_t id = row->itemId;
            Records rec;
            Pattern(rec);
            // Keep the linked items derivable: class-1 item 295, portrait.
            Dm(rec)[379] = 1;
            dma::Store16(Dm(rec) + 76, 1);
            Snapshot before(rec);
            const size_t areaBase = range.area == 1 ? DMA_DEVMODE_EXT_BASE : 0;

            RawStatus status;
            size_t span;
            const uint16_t presented = row->reportType ? row->reportType : row->valueType;
            std::u16string text;
            if (row->valueType == DMA_VT_STRING) {
                text = U16("ok");
                if (row->size < 6) text = U16("");
                status = WriteText(id, rec, DMA_VT_STRING, static_cast<int32_t>(row->size), text);
                span = row->size;
            } else if (row->valueType == DMA_VT_LOGFONT) {
                std::vector<uint8_t> font(92, 0x11);
                const uint8_t *p = font.data();
                status = Write(id, rec, DMA_VT_LOGFONT, 8, &p);
                span = 92;
            } else {
                int32_t width = 0;
                ASSERT_TRUE(dma::ValueTypeWidth(id, presented, &width));
                // 1 is accepted by every linked item and sets every flag.
                const uint32_t value = (id >= 392 && id <= 403) ? 0x00020202 : 1;
                std::vector<uint8_t> v(width);
                std::memcpy(v.data(), &value, v.size());
                status = Write(id, rec, presented, width, v.data());
                span = (id >= 392 && id <= 403) || (id >= 1281 && id <= 1376) ||
                               (id >= 2305 && id <= 2560) || (id >= 4097 && id <= 4161) ||
                               (id >= 4609 && id <= 4640)
                           ? 4
                           : (id == 14 ? 2 : 0);
                if (span == 0) {
                    int32_t stored = 0;
                    ASSERT_TRUE(dma::ValueTypeWidth(id, row->valueType, &stored));
                    span = static_cast<size_t>(stored);
                }
                ReadResult r = Read(id, rec);
                ASSERT_EQ(r.status, DMA_RS_OK) << id;
                EXPECT_EQ(r.type, presented) << id;
                if (id == 14)
                    EXPECT_EQ(r.U32(), 1u) << id;
                else if (id >= 392 && id <= 403)
                    EXPECT_EQ(r.U32(), 0x00020202u & (0xFFu << (8 * ((id - 392) % 3)))) << id;
                else
                    EXPECT_EQ(r.U32() & (width == 1 ? 0xFFu : width == 2 ? 0xFFFFu : ~0u), 1u) << id;
            }
            ASSERT_EQ(status, DMA_RS_OK) << id;
            EXPECT_TRUE(rec.CanariesIntact()) << id;

            // Restore the named places, then demand the records are as before.
            Snapshot after(rec);
            std::vector<uint8_t> &target = range.area == 2 ? after.sec : after.dm;
            const std::vector<uint8_t> &orig = range.area == 2 ? before.sec : before.dm;
            const size_t at = areaBase + row->offset;
            std::memcpy(target.data() + at, orig.data() + at, span);
            auto restoreDm = [&](size_t off, size_t n) {
                std::memcpy(after.dm.data() + off, before.dm.data() + off, n);
            };
            if (id == 14) restoreDm(96, 2);
            if (id == 311) restoreDm(600, 4);
            if (id == 364) restoreDm(828, 4);
            if (id == 267) restoreDm(686, 1);
            if (id == 320) restoreDm(688, 2);
            if (id == 341) restoreDm(794, 2);
            EXPECT_TRUE(after == before) << "item " << id << " wrote outside its place";
            ++checked;
        }
    }
    EXPECT_EQ(checked, 1188u);
}

}  // namespace
