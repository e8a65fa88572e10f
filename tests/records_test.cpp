// records_test.cpp - the field lists of the record kinds against the item
// catalogue, the two transfers between a record and the live settings, the
// orientation-dependent rectangle of record kind 4, and the element search by
// name against the search that converts every element's name.
#include <iterator>
#include <string>
#include <vector>

#include "records_fixture.h"

using namespace dma;
using namespace dmatest;

namespace {

struct ListCase {
    const char *name;
    std::span<const FieldListRow> (*rows)();
    uint32_t recordSize;
    uint16_t area;      // storage area of every item of the list
    uint16_t keyItem;   // 0: no key
};

const ListCase kLists[] = {
    {"kind 2", &Kind2Fields, DMA_KIND2_SIZE, DMA_SA_DEVMODE, 297},
    {"kind 3", &Kind3Fields, DMA_KIND3_SIZE, DMA_SA_DEVMODE_EXT, 1819},
    {"kind 4 key", &Kind4KeyFields, DMA_KIND4_SIZE, DMA_SA_DEVMODE_EXT, 1824},
    {"kind 4 rectangle", &Kind4RectFields, 16, DMA_SA_DEVMODE_EXT, 0},
    {"kind 5", &Kind5Fields, DMA_FAX_ENTRY_SIZE, DMA_SA_DEVMODE_EXT, 0},
    {"kind 7", &Kind7Fields, DMA_KIND7_SIZE, DMA_SA_DEVMODE_EXT, 1819},
};

// Every row carries its item's stored type and report type, lies in the
// expected storage area and is as wide as the item: the stored width for a
// scalar, the capacity for a string or font.  The one known exception is
// item 1813, whose 18-byte field holds a 10-byte setting.
TEST(FieldLists, EveryRowMatchesTheCatalogue) {
    Records r;
    for (const ListCase &c : kLists) {
        SCOPED_TRACE(c.name);
        std::span<const FieldListRow> rows = c.rows();
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows.data()[rows.size()].itemId, 0) << "list must end with item 0";
        bool keySeen = c.keyItem == 0;
        for (const FieldListRow &row : rows) {
            SCOPED_TRACE("item " + std::to_string(row.itemId));
            ItemLocation loc{};
            ASSERT_EQ(LookupItem(row.itemId, r.ctx.devMode, r.ctx.secondary, &loc), DMA_RS_OK);
            EXPECT_EQ(row.valueType, loc.valueType);
            EXPECT_EQ(row.reportType, loc.reportType);
            EXPECT_EQ(loc.area, c.area);
            EXPECT_GE(row.offset, 0);
            EXPECT_LE(row.offset + row.size, c.recordSize);
            if (row.valueType == DMA_VT_STRING || row.valueType == DMA_VT_LOGFONT) {
                if (row.itemId == 1813) {
                    EXPECT_EQ(row.size, 18u);
                    EXPECT_EQ(loc.size, 10u);
                } else {
                    EXPECT_EQ(row.size, loc.size);
                }
            } else {
                EXPECT_EQ(static_cast<int32_t>(row.size), loc.width);
            }
            if (row.itemId == c.keyItem) keySeen = true;
        }
        EXPECT_TRUE(keySeen) << "key item missing";
    }
}

// ---- transfers -------------------------------------------------------------

struct TransferCase {
    const char *name;
    std::span<const FieldListRow> (*rows)();
    uint32_t recordSize;
};
const TransferCase kTransferKinds[] = {
    {"kind 2", &Kind2Fields, DMA_KIND2_SIZE},
    {"kind 3", &Kind3Fields, DMA_KIND3_SIZE},
    {"kind 4 rectangle", &Kind4RectFields, 16},
    {"kind 5", &Kind5Fields, DMA_FAX_ENTRY_SIZE},
    {"kind 7", &Kind7Fields, DMA_KIND7_SIZE},
};

// A record written into the settings and read back gives the same fields,
// for two different fillings (flags 1 then 0), and nothing outside the
// caller's records is touched.
TEST(Transfers, RecordToSettingsAndBackKeepsEveryField) {
    for (const TransferCase &c : kTransferKinds) {
        for (int seed : {1, 2}) {
            SCOPED_TRACE(std::string(c.name) + " seed " + std::to_string(seed));
            Records r;
            Guarded in(c.recordSize), out(c.recordSize, 0xEE);
            FillRecord(c.rows(), in.data(), seed);
            ASSERT_TRUE(WriteRecordToSettings(r.ctx.devMode, r.ctx.secondary, c.rows().data(),
                                              in.data()));
            ASSERT_TRUE(ReadSettingsToRecord(r.ctx.devMode, r.ctx.secondary, c.rows().data(),
                                             out.data()));
            ExpectSameFields(c.rows(), in.data(), out.data());
            EXPECT_TRUE(r.CanariesIntact());
            EXPECT_TRUE(in.CanariesIntact());
            EXPECT_TRUE(out.CanariesIntact());
        }
    }
}

// Reading kind 2: flag items arrive as 32-bit 0 or 1, and the bytes reported
// as words fill two bytes (200-201, 208-209).
TEST(Transfers, Kind2ReadWidths) {
    Records r;
    Guarded rec(DMA_KIND2_SIZE, 0xEE);
    *ItemAddress(r, 300) = 0x41;
    *ItemAddress(r, 302) = 0x42;
    Store32(ItemAddress(r, 1287), 0xFFFFFFFFu);  // every bit of the flag word set
    ASSERT_TRUE(ReadSettingsToRecord(r.ctx.devMode, r.ctx.secondary, Kind2Fields().data(),
                                     rec.data()));
    EXPECT_EQ(Load16(rec.data() + 200), 0x0041);
    EXPECT_EQ(Load16(rec.data() + 208), 0x0042);
    EXPECT_EQ(Load32(rec.data() + 204), 1u);
    EXPECT_EQ(Load32(rec.data() + 212), 1u);
    EXPECT_EQ(rec.data()[202], 0xEE);  // between the fields: untouched
}

// A string field read into a record carries the whole field, bytes after the
// terminator included.
TEST(Transfers, StringReadCarriesWholeField) {
    Records r;
    uint8_t *stored = ItemAddress(r, 1820);
    WriteU16(stored, U16("ab"));
    stored[10] = 'X';
    stored[81] = 'Y';
    Guarded rec(DMA_KIND3_SIZE);
    ASSERT_TRUE(ReadSettingsToRecord(r.ctx.devMode, r.ctx.secondary, Kind3Fields().data(),
                                     rec.data()));
    EXPECT_EQ(ReadU16(rec.data() + 82, 41), U16("ab"));
    EXPECT_EQ(rec.data()[82 + 10], 'X');
    EXPECT_EQ(rec.data()[82 + 81], 'Y');
}

// Item 1813: reading copies its 10 bytes and the 8 stored after them (items
// 1814, 1815 and the start of 1816); writing accepts 4 characters and
// refuses 5 with none of the items before it written.
TEST(Transfers, Item1813WidthQuirk) {
    Records r;
    WriteU16(ItemAddress(r, 1813), U16("abcd"));
    Store16(ItemAddress(r, 1814), 0x1111);
    Store16(ItemAddress(r, 1815), 0x2222);
    WriteU16(ItemAddress(r, 1816), U16("zy"));
    Guarded rec(DMA_FAX_ENTRY_SIZE);
    ASSERT_TRUE(ReadSettingsToRecord(r.ctx.devMode, r.ctx.secondary, Kind5Fields().data(),
                                     rec.data()));
    EXPECT_EQ(ReadU16(rec.data() + 516, 9), U16("abcd"));
    EXPECT_EQ(Load16(rec.data() + 526), 0x1111);
    EXPECT_EQ(Load16(rec.data() + 528), 0x2222);
    EXPECT_EQ(ReadU16(rec.data() + 530, 2), U16("zy"));

    Records fresh;
    Guarded entry(DMA_FAX_ENTRY_SIZE);
    FillRecord(Kind5Fields(), entry.data(), 1);
    WriteU16(entry.data() + 516, U16("abcd"));
    EXPECT_TRUE(WriteRecordToSettings(fresh.ctx.devMode, fresh.ctx.secondary,
                                      Kind5Fields().data(), entry.data()));

    Records refused;
    WriteU16(entry.data() + 516, U16("abcde"));
    EXPECT_FALSE(WriteRecordToSettings(refused.ctx.devMode, refused.ctx.secondary,
                                       Kind5Fields().data(), entry.data()));
    for (uint16_t item : {1794, 1796, 1810, 1811, 1812, 1814})
        EXPECT_EQ(Load16(ItemAddress(refused, item)), 0) << item;
    EXPECT_EQ(ReadU16(ItemAddress(refused, 1795), 129), u"");
    EXPECT_EQ(ReadU16(ItemAddress(refused, 1813), 5), u"");
}

// A list whose first row ends it transfers nothing and succeeds.
TEST(Transfers, EmptyListSucceeds) {
    const FieldListRow empty[] = {{0, 0, 0, 0, 0}};
    Guarded rec(8, 0xEE);
    EXPECT_TRUE(WriteRecordToSettings(nullptr, nullptr, empty, rec.data()));
    EXPECT_TRUE(ReadSettingsToRecord(nullptr, nullptr, empty, rec.data()));
    EXPECT_EQ(rec.data()[0], 0xEE);
    // No list or no record: nothing to transfer, and a failure.
    EXPECT_FALSE(WriteRecordToSettings(nullptr, nullptr, nullptr, rec.data()));
    EXPECT_FALSE(WriteRecordToSettings(nullptr, nullptr, empty, nullptr));
    EXPECT_FALSE(ReadSettingsToRecord(nullptr, nullptr, nullptr, rec.data()));
    EXPECT_FALSE(ReadSettingsToRecord(nullptr, nullptr, empty, nullptr));
}

// A failing row ends a read with the earlier fields filled and the later
// ones untouched (items 5129, a text, and 5163, a number, live in the absent
// secondary record).
TEST(Transfers, ReadStopsAtFailingRow) {
    Records r;
    Store16(ItemAddress(r, 1794), 0x1234);
    Store16(ItemAddress(r, 1796), 0x5678);
    for (const FieldListRow failing : {FieldListRow{5129, DMA_VT_STRING, 0, 2, 50},
                                       FieldListRow{5163, DMA_VT_DWORD, 0, 2, 4}}) {
        SCOPED_TRACE(failing.itemId);
        const FieldListRow list[] = {
            {1794, DMA_VT_WORD, 0, 0, 2}, failing, {1796, DMA_VT_WORD, 0, 52, 2}, {0, 0, 0, 0, 0},
        };
        Guarded rec(54, 0xEE);
        EXPECT_FALSE(ReadSettingsToRecord(r.ctx.devMode, nullptr, list, rec.data()));
        EXPECT_EQ(Load16(rec.data()), 0x1234);
        EXPECT_EQ(rec.data()[2], 0xEE);
        EXPECT_EQ(Load16(rec.data() + 52), 0xEEEE);
    }
}

// A string field without a terminator is measured inside the field only: the
// write is refused and nothing past the field is read (the record ends with
// the field, so a sanitizer build would catch an over-read).
TEST(Transfers, UnterminatedStringFieldIsRefusedWithoutOverRead) {
    Records r;
    const FieldListRow list[] = {{1894, DMA_VT_STRING, 0, 0, 50}, {0, 0, 0, 0, 0}};
    std::vector<uint8_t> rec(50, 'x');
    EXPECT_FALSE(WriteRecordToSettings(r.ctx.devMode, r.ctx.secondary, list, rec.data()));
    EXPECT_EQ(ReadU16(ItemAddress(r, 1894), 25), u"");
}

// ---- kind 4 rectangle -------------------------------------------------------

// Work buffer order is 1827, 1828, 1826, 1825.  R0..R3 by orientation:
// 1: 1827 1828 1825 1826; 2: 1826 1825 1827 1828.
struct RectCase {
    int16_t orientation;
    int direction;
    bool ok;
    int32_t rect[4];  // expected (direction 1) or given (direction 2)
};
const RectCase kRectCases[] = {
    {1, 1, true, {10, 20, 40, 30}},
    {2, 1, true, {30, 40, 10, 20}},
    {1, 2, true, {10, 20, 40, 30}},
    {2, 2, true, {30, 40, 10, 20}},
    {0, 1, false, {}},
    {3, 2, false, {}},
    {1, 0, false, {}},
    {2, 3, false, {}},
};

TEST(Kind4Rectangle, MapsByOrientationBothWays) {
    const int32_t work[4] = {10, 20, 30, 40};  // 1827, 1828, 1826, 1825
    for (const RectCase &c : kRectCases) {
        SCOPED_TRACE("orientation " + std::to_string(c.orientation) + " direction " +
                     std::to_string(c.direction));
        Records r;
        Store16(ItemAddress(r, 7), static_cast<uint16_t>(c.orientation));
        Guarded rect(16, 0xEE), buffer(16, 0xEE);
        if (c.direction == 2)
            std::memcpy(rect.data(), c.rect, 16);
        else
            std::memcpy(buffer.data(), work, 16);
        const std::vector<uint8_t> rectBefore(rect.data(), rect.data() + 16);
        const std::vector<uint8_t> bufferBefore(buffer.data(), buffer.data() + 16);
        EXPECT_EQ(ConvertKind4Rectangle(r.ctx.devMode, r.ctx.secondary, c.direction,
                                        rect.data(), buffer.data()),
                  c.ok);
        if (!c.ok) {
            EXPECT_EQ(0, std::memcmp(rect.data(), rectBefore.data(), 16));
            EXPECT_EQ(0, std::memcmp(buffer.data(), bufferBefore.data(), 16));
        } else if (c.direction == 1) {
            EXPECT_EQ(0, std::memcmp(rect.data(), c.rect, 16));
        } else {
            EXPECT_EQ(0, std::memcmp(buffer.data(), work, 16));
        }
        EXPECT_TRUE(rect.CanariesIntact() && buffer.CanariesIntact());
    }
}

// Without a DEVMODEW record the orientation cannot be read.
TEST(Kind4Rectangle, UnreadableOrientationFails) {
    Guarded rect(16), buffer(16);
    EXPECT_FALSE(ConvertKind4Rectangle(nullptr, nullptr, 1, rect.data(), buffer.data()));
}

// ---- The element search by name ----------------------------------------
// FindRecordByName compares in place; the reference builds every element's
// ANSI name with RecordKeyText and compares it with strcmp, as the search
// always did.  Both must agree on every key and name below, in each ANSI code
// page there is (1252 and UTF-8 in the posix layer, the system's on Windows):
// keys that are ASCII, that the code page holds, that it lacks (they become
// '?' or a similar letter), lone surrogates, keys that fill their field
// without a terminator, numeric keys, and lists whose key has no name.  The
// search allocates nothing.
bool ReferenceSearch(const FieldListRow *list, const RecordArray &array, uint16_t keyItem,
                     const char *name, uint8_t mask, uint32_t *index) {
    const uint8_t *element = static_cast<const uint8_t *>(array.records);
    for (uint32_t i = 0; i < array.count; ++i, element += array.elementSize) {
        char *own = RecordKeyText(list, keyItem, element);
        if (own == nullptr) return false;
        const bool equal = std::strcmp(own, name) == 0;
        GlobalFree(own);
        if (equal && (array.states[i] & mask) != 0) {
            *index = i;
            return true;
        }
    }
    return false;
}

long AllocCalls() {
#if defined(_WIN32)
    return 0;  // not counted there
#else
    return dmaplat_AllocCalls();
#endif
}

struct SearchList {
    const char *name;
    std::vector<FieldListRow> rows;  // ended by a row with item 0
    uint16_t keyItem;
    uint32_t keyBytes;  // width of the key field
};

std::vector<SearchList> SearchLists() {
    auto terminated = [](std::span<const FieldListRow> list) {
        std::vector<FieldListRow> rows(list.begin(), list.end());
        rows.push_back(FieldListRow{});
        return rows;
    };
    return {
        {"kind 2", terminated(Kind2Fields()), 297, 66},
        {"kind 3", terminated(Kind3Fields()), 1819, 82},
        {"kind 4", terminated(Kind4KeyFields()), 1824, 2},
        {"key too wide", {{297, DMA_VT_STRING, 0, 0, 128}, {}}, 297, 128},
        {"key of another type", {{297, DMA_VT_DWORD, 0, 0, 4}, {}}, 297, 4},
        {"no key row", {{299, DMA_VT_STRING, 0, 0, 66}, {}}, 297, 66},
    };
}

// String keys: the text with its terminator, or "#" and the unit that fills
// the whole field.  Numeric keys for the kind 4 list.
const std::u16string kKeys[] = {
    u"", u"a", u"abc", u"ABC", u"caf\u00e9", u"\u20ac", u"\u4e2d", u"?", u"a\u4e2db", u"\xd800",
    u"\xd83d\xde00", u"\u0080", u"\u0081", u"\u00ff\u0100", u"12", u"0", u"#A", u"#\u00e9",
    // Past the first 8 bytes: equal, one unit longer, differing in ASCII and
    // in a unit outside it.
    u"abcdefghij", u"abcdefghijk", u"abcdefghiX", u"abcde\u00e9f",
};
const uint16_t kNumericKeys[] = {0, 1, 7, 12, 65535, 10000};
const char *const kFixedNames[] = {
    "", "a", "abc", "abcd", "ab", "ABC", "caf\xe9", "caf\xc3\xa9", "\x80", "\xe2\x82\xac", "?",
    "??", "a?b", "\xef\xbf\xbd", "\xf0\x9f\x98\x80", "\x81", "\xc2\x81", "\xff?", "\xff" "A",
    "\xc3\xbf?", "12", "012", "0", "00", "12ab", "65535", "65536", "7 ", "+7", "\xe9", "\xc3",
    "abcdefghij", "abcdefghi", "abcde\xe9" "f", "abcde?f", "abcdeXf",
};

// The names above, and names as long as the fields that "#" keys fill.
std::vector<std::string> Names() {
    std::vector<std::string> names(std::begin(kFixedNames), std::end(kFixedNames));
    for (size_t units : {32, 33, 34, 40, 41, 42}) {
        names.push_back(std::string(units, 'A'));
        names.push_back(std::string(units, '\xe9'));
        std::string twoBytes;
        for (size_t u = 0; u < units; ++u) twoBytes += "\xc3\xa9";
        names.push_back(twoBytes);
    }
    return names;
}

void WriteKey(const SearchList &list, uint8_t *element, size_t k) {
    if (list.keyBytes == 2) {
        Store16(element, kNumericKeys[k % std::size(kNumericKeys)]);
    } else if (kKeys[k].empty() || kKeys[k][0] != u'#') {
        WriteU16(element, kKeys[k]);
    } else {
        for (size_t u = 0; u < list.keyBytes / 2; ++u) Store16(element + 2 * u, kKeys[k][1]);
    }
}

void ExpectSearchesAgree() {
    constexpr size_t kCount = std::size(kKeys);
    constexpr uint32_t kStride = 131;  // every key field fits; odd addresses
    for (const SearchList &list : SearchLists()) {
        SCOPED_TRACE(list.name);
        std::vector<uint8_t> elements(kCount * kStride), states(kCount);
        for (size_t k = 0; k < kCount; ++k) WriteKey(list, elements.data() + k * kStride, k);
        // Every element empty, in use and deleted in turn.
        for (size_t shift = 0; shift < 3; ++shift)
        for (const std::string &text : Names()) {
            for (size_t k = 0; k < kCount; ++k) states[k] = static_cast<uint8_t>((k + shift) % 3);
            SCOPED_TRACE("name \"" + text + "\"");
            const char *name = text.c_str();
            // Each element alone (first = k, one element), then the whole array.
            for (size_t first = 0; first <= kCount; ++first) {
                const bool whole = first == kCount;
                const size_t at = whole ? 0 : first;
                const RecordArray array{whole ? uint32_t{kCount} : 1u, kStride, states.data() + at,
                                        elements.data() + at * kStride};
                for (uint8_t mask : {uint8_t{0xFD}, uint8_t{0xFF}}) {
                    SCOPED_TRACE("element " + std::to_string(first) + ", mask " +
                                 std::to_string(mask));
                    uint32_t expected = 0xEEEE, found = 0xEEEE;
                    const bool reference = ReferenceSearch(list.rows.data(), array, list.keyItem,
                                                           name, mask, &expected);
                    const long calls = AllocCalls();
                    EXPECT_EQ(FindRecordByName(list.rows.data(), array, list.keyItem, name, mask,
                                               &found),
                              reference);
                    EXPECT_EQ(AllocCalls(), calls) << "the search allocated";
                    EXPECT_EQ(found, expected);
                }
            }
        }
        // No name, or no place for the index: no search, nothing found.
        const RecordArray all{uint32_t{kCount}, kStride, states.data(), elements.data()};
        uint32_t found = 0xEEEE;
        EXPECT_FALSE(FindRecordByName(list.rows.data(), all, list.keyItem, nullptr, 0xFF, &found));
        EXPECT_FALSE(FindRecordByName(list.rows.data(), all, list.keyItem, "a", 0xFF, nullptr));
        EXPECT_EQ(found, 0xEEEEu);
    }
    EXPECT_NO_LEAK();
}

TEST(RecordSearch, AgreesWithConvertingEveryName) {
    ExpectSearchesAgree();
#if !defined(_WIN32)
    Utf8AnsiCodePage utf8;
    ExpectSearchesAgree();
#endif
}

}  // namespace
