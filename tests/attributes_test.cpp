// attributes_test.cpp - DMA_QueryAttributes: the list mode record by record,
// the full scan's size query and filling call, and a differential check of
// the full scan against a literal model that tries every DMA ID from 1 to
// 65535 with the three read operations.
#include <array>
#include <vector>

#include "catalogue/catalogue.h"
#include "support/test_support.h"

namespace {

using dmatest::Records;

constexpr uint16_t kUntouched = 0xBEEF;

AttributeRecord Untouched() {
    AttributeRecord r;
    std::memset(&r, 0x5A, sizeof r);
    r.dmaId = kUntouched;
    return r;
}

bool SameRecord(const AttributeRecord &a, const AttributeRecord &b) {
    return a.dmaId == b.dmaId && a.kind == b.kind && a.size == b.size;
}

// Item 311 reads only while lfEscapement (596) and lfOrientation (600) of
// the font at 588 agree.
void SetItem311Members(Records &r, int32_t escapement, int32_t orientation) {
    dma::Store32(r.devMode.data() + 596, static_cast<uint32_t>(escapement));
    dma::Store32(r.devMode.data() + 600, static_cast<uint32_t>(orientation));
}

void SetFaxHeaders(Records &r, const char *first, const char *second) {
    dmatest::WriteU16(r.fax.data() + 18, dmatest::U16(first));
    dmatest::WriteU16(r.fax.data() + 100, dmatest::U16(second));
}

// ---- list mode ----------------------------------------------------------

struct OneIdCase {
    const char *name;
    uint16_t dmaId;
    DMA_RESULT result;
    int32_t kind;   // expected when result is 1
    int32_t size;
};

TEST(QueryAttributesList, OneIdGivesKindAndSize) {
    const OneIdCase cases[] = {
        {"short member of DEVMODEW", 0x7, 1, DMA_ATTR_KIND_SCALAR, 4},
        {"font", 0x130, 1, DMA_ATTR_KIND_LOGFONT, 60},
        {"second font", 0x165, 1, DMA_ATTR_KIND_LOGFONT, 60},
        {"64-byte UTF-16 field: ANSI capacity", 0x1, 1, DMA_ATTR_KIND_STRING, 32},
        {"8-bit field of item 329", 0x149, 1, DMA_ATTR_KIND_STRING, 49},
        {"258-byte field", 0x176, 1, DMA_ATTR_KIND_STRING, 129},
        {"protected string: protected length", 0x9001, 1, DMA_ATTR_KIND_STRING, 13},
        {"protected string 0x9009", 0x9009, 1, DMA_ATTR_KIND_STRING, 173},
        {"plain ID of a protected item", 0x427, 1, DMA_ATTR_KIND_STRING, 17},
        {"flag group bit", 0x202B, 1, DMA_ATTR_KIND_SCALAR, 4},
        {"byte reported as word", 0x10B, 1, DMA_ATTR_KIND_SCALAR, 4},
        {"first fax header", 0xA001, 1, DMA_ATTR_KIND_STRING, 11},
        {"second fax header", 0xA002, 1, DMA_ATTR_KIND_STRING, 1},
        {"no such DMA ID", 0x1A, -1, 0, 0},
        {"gap inside a map range", 0x1022, -1, 0, 0},
        {"DMA ID 0", 0x0, -1, 0, 0},
    };
    for (const OneIdCase &c : cases) {
        SCOPED_TRACE(c.name);
        Records r;
        SetFaxHeaders(r, "Header one", "");
        uint16_t count = 1;
        AttributeRecord rec = Untouched();
        EXPECT_EQ(DMA_QueryAttributes(&r.ctx, &count, &c.dmaId, &rec), c.result);
        EXPECT_EQ(count, 1);
        if (c.result == 1) {
            EXPECT_EQ(rec.dmaId, c.dmaId);
            EXPECT_EQ(rec.kind, c.kind);
            EXPECT_EQ(rec.size, c.size);
        } else {
            EXPECT_TRUE(SameRecord(rec, Untouched()));
        }
        EXPECT_TRUE(r.CanariesIntact());
        EXPECT_NO_LEAK();
    }
}

TEST(QueryAttributesList, MissingRecordsAndFaxBlock) {
    struct Case {
        const char *name;
        bool devMode, secondary, fax;
        uint16_t dmaId;
        DMA_RESULT result;
    } const cases[] = {
        {"DEVMODEW item without DEVMODEW", false, true, true, 0x7, -10},
        {"block-at-1608 item without DEVMODEW", false, true, true, 0x201, -10},
        {"secondary item without secondary", true, false, true, 0x301, -10},
        {"secondary item without DEVMODEW", false, true, true, 0x301, 1},
        {"protected string without secondary", true, false, true, 0x9001, -10},
        {"fax header without fax block", true, true, false, 0xA001, -1},
        {"second fax header without fax block", true, true, false, 0xA002, -1},
        {"fax header needs no settings records", false, false, true, 0xA002, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Records r;
        if (!c.devMode) r.ctx.devMode = nullptr;
        if (!c.secondary) r.ctx.secondary = nullptr;
        if (!c.fax) r.ctx.faxAddressBlock = nullptr;
        uint16_t count = 1;
        AttributeRecord rec = Untouched();
        EXPECT_EQ(DMA_QueryAttributes(&r.ctx, &count, &c.dmaId, &rec), c.result);
        if (c.result != 1) {
            EXPECT_TRUE(SameRecord(rec, Untouched()));
        }
        EXPECT_NO_LEAK();
    }
}

TEST(QueryAttributesList, StopsAtFirstFailureKeepingEarlierRecords) {
    Records r;
    const uint16_t ids[] = {0x7, 0x1A, 0x130};
    AttributeRecord recs[3] = {Untouched(), Untouched(), Untouched()};
    uint16_t count = 3;
    EXPECT_EQ(DMA_QueryAttributes(&r.ctx, &count, ids, recs), -1);
    EXPECT_EQ(recs[0].dmaId, 0x7);
    EXPECT_EQ(recs[0].kind, DMA_ATTR_KIND_SCALAR);
    EXPECT_EQ(recs[0].size, 4);
    EXPECT_TRUE(SameRecord(recs[1], Untouched()));
    EXPECT_TRUE(SameRecord(recs[2], Untouched()));
}

TEST(QueryAttributesList, ArgumentChecks) {
    Records r;
    const uint16_t id = 0x7;
    AttributeRecord rec = Untouched();
    uint16_t count = 1;
    EXPECT_EQ(DMA_QueryAttributes(nullptr, &count, &id, &rec), -10);
    EXPECT_EQ(DMA_QueryAttributes(&r.ctx, nullptr, &id, &rec), -10);
    EXPECT_EQ(DMA_QueryAttributes(&r.ctx, nullptr, nullptr, nullptr), -10);
    // A list without records to fill.
    EXPECT_EQ(DMA_QueryAttributes(&r.ctx, &count, &id, nullptr), -10);
    // An empty list is done at once.
    count = 0;
    EXPECT_EQ(DMA_QueryAttributes(&r.ctx, &count, &id, &rec), 1);
    EXPECT_EQ(DMA_QueryAttributes(&r.ctx, &count, &id, nullptr), 1);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(SameRecord(rec, Untouched()));
}

TEST(QueryAttributesList, Item311ListedWhateverItsMembersHold) {
    // The list mode asks the catalogue, not the value: item 311 is an
    // integer even while its two members disagree and it cannot be read.
    Records r;
    SetItem311Members(r, 900, 0);
    int32_t value = 0;
    ASSERT_EQ(DMA_GetValue(&r.ctx, 0x137, &value), -10);
    const uint16_t id = 0x137;
    uint16_t count = 1;
    AttributeRecord rec = Untouched();
    EXPECT_EQ(DMA_QueryAttributes(&r.ctx, &count, &id, &rec), 1);
    EXPECT_EQ(rec.kind, DMA_ATTR_KIND_SCALAR);
    EXPECT_EQ(rec.size, 4);
}

// ---- full scan ----------------------------------------------------------

// Every public DMA ID plus the two fax header IDs reads when all records are
// present and zero-filled (item 311's members then agree).
constexpr uint16_t kAllAvailable = 1145 + 2;

TEST(QueryAttributesScan, SizeQueryCountsAvailableIds) {
    struct Case {
        const char *name;
        bool devMode, secondary, fax, item311Agrees;
        uint16_t expected;
    } const cases[] = {
        {"everything", true, true, true, true, kAllAvailable},
        {"item 311 unreadable", true, true, true, false, kAllAvailable - 1},
        {"no fax block", true, true, false, true, kAllAvailable - 2},
        {"fax block only", false, false, true, true, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Records r;
        if (!c.item311Agrees) SetItem311Members(r, 900, 0);
        if (!c.devMode) r.ctx.devMode = nullptr;
        if (!c.secondary) r.ctx.secondary = nullptr;
        if (!c.fax) r.ctx.faxAddressBlock = nullptr;
        uint16_t count = 7;
        EXPECT_EQ(DMA_QueryAttributes(&r.ctx, &count, nullptr, nullptr), -5);
        EXPECT_EQ(count, c.expected);
        EXPECT_NO_LEAK();
    }
}

TEST(QueryAttributesScan, NothingAvailableFails) {
    Records r;
    r.ctx.devMode = r.ctx.secondary = r.ctx.faxAddressBlock = nullptr;
    uint16_t count = 5;
    EXPECT_EQ(DMA_QueryAttributes(&r.ctx, &count, nullptr, nullptr), -10);
    EXPECT_EQ(count, 5);
    AttributeRecord recs[5] = {Untouched(), Untouched(), Untouched(), Untouched(), Untouched()};
    EXPECT_EQ(DMA_QueryAttributes(&r.ctx, &count, nullptr, recs), -10);
    EXPECT_TRUE(SameRecord(recs[0], Untouched()));
    EXPECT_NO_LEAK();
}

TEST(QueryAttributesScan, FillingCallWritesTheFirstNRecords) {
    Records r;
    SetFaxHeaders(r, "abc", "second header");
    uint16_t n = 0;
    ASSERT_EQ(DMA_QueryAttributes(&r.ctx, &n, nullptr, nullptr), -5);
    ASSERT_EQ(n, kAllAvailable);

    // A larger capacity: n records written, the rest untouched, count kept.
    std::vector<AttributeRecord> recs(n + 3, Untouched());
    uint16_t count = static_cast<uint16_t>(n + 3);
    EXPECT_EQ(DMA_QueryAttributes(&r.ctx, &count, nullptr, recs.data()), 1);
    EXPECT_EQ(count, n + 3);
    for (size_t i = n; i < recs.size(); ++i) EXPECT_TRUE(SameRecord(recs[i], Untouched()));

    // Ascending order, known kinds and sizes.
    EXPECT_EQ(recs[0].dmaId, 0x1);
    EXPECT_EQ(recs[0].kind, DMA_ATTR_KIND_STRING);
    EXPECT_EQ(recs[0].size, 32);
    EXPECT_EQ(recs[1].dmaId, 0x2);
    EXPECT_EQ(recs[1].kind, DMA_ATTR_KIND_SCALAR);
    for (size_t i = 1; i < n; ++i) EXPECT_LT(recs[i - 1].dmaId, recs[i].dmaId);
    EXPECT_EQ(recs[n - 2].dmaId, 0xA001);
    EXPECT_EQ(recs[n - 2].size, 4);
    EXPECT_EQ(recs[n - 1].dmaId, 0xA002);
    EXPECT_EQ(recs[n - 1].size, 14);
    EXPECT_NO_LEAK();
}

TEST(QueryAttributesScan, CapacityBelowCountIsASizeQuery) {
    Records r;
    std::vector<AttributeRecord> recs(10, Untouched());
    for (uint16_t capacity : {uint16_t{0}, uint16_t{1}, uint16_t{kAllAvailable - 1}}) {
        SCOPED_TRACE(capacity);
        if (recs.size() < capacity) recs.resize(capacity, Untouched());
        uint16_t count = capacity;
        EXPECT_EQ(DMA_QueryAttributes(&r.ctx, &count, nullptr, recs.data()), -5);
        EXPECT_EQ(count, kAllAvailable);
        for (const AttributeRecord &rec : recs) EXPECT_TRUE(SameRecord(rec, Untouched()));
        EXPECT_NO_LEAK();
    }
}

#if !defined(_WIN32)
TEST(QueryAttributesScan, IdBufferFailureAndEveryAllocationPath) {
    // Without a fax block the scan allocates nothing but its ID buffer.
    {
        Records r;
        r.ctx.faxAddressBlock = nullptr;
        std::vector<AttributeRecord> recs(kAllAvailable, Untouched());
        uint16_t count = kAllAvailable;
        dmaplat_FailAllocAt(1);
        EXPECT_EQ(DMA_QueryAttributes(&r.ctx, &count, nullptr, recs.data()), -10);
        dmaplat_FailAllocAt(0);
        EXPECT_TRUE(SameRecord(recs[0], Untouched()));
        EXPECT_NO_LEAK();
        // A capacity that is too small needs no buffer: still the size answer.
        count = 3;
        dmaplat_FailAllocAt(1);
        EXPECT_EQ(DMA_QueryAttributes(&r.ctx, &count, nullptr, recs.data()), -5);
        dmaplat_FailAllocAt(0);
        EXPECT_EQ(count, kAllAvailable - 2);
        EXPECT_NO_LEAK();
    }
    // With a fax block the header reads allocate too; whichever allocation
    // fails, nothing stays allocated and the result is a defined code.
    Records r;
    SetFaxHeaders(r, "one", "two");
    std::vector<AttributeRecord> recs(kAllAvailable, Untouched());
    long before = dmaplat_AllocCalls();
    uint16_t count = kAllAvailable;
    ASSERT_EQ(DMA_QueryAttributes(&r.ctx, &count, nullptr, recs.data()), 1);
    long calls = dmaplat_AllocCalls() - before;
    ASSERT_GE(calls, 1);
    for (long n = 1; n <= calls; ++n) {
        SCOPED_TRACE(n);
        count = kAllAvailable;
        dmaplat_FailAllocAt(n);
        DMA_RESULT result = DMA_QueryAttributes(&r.ctx, &count, nullptr, recs.data());
        dmaplat_FailAllocAt(0);
        EXPECT_TRUE(result == 1 || result == -5 || result == -10) << result;
        EXPECT_NO_LEAK();
    }
}
#endif

// ---- differential check against the literal full scan --------------------

// The read-based availability test, all three reads in order.
bool LiteralAvailable(DmaContext *ctx, uint16_t dmaId) {
    int32_t value = 0;
    if (DMA_GetValue(ctx, dmaId, &value) == 1) return true;
    uint32_t length = 0;
    if (DMA_GetStringData(ctx, dmaId, nullptr, &length) == -5) return true;
    length = 0;
    LOGFONTA *noFont = nullptr;
    return DMA_GetLogFontData(ctx, dmaId, noFont, &length) == -5;
}

// Counts (and lists) the available IDs among 1 to 65535.
int32_t LiteralScan(DmaContext *ctx, int32_t *byteSize, uint16_t *count, uint16_t *list) {
    int32_t found = 0;
    for (uint32_t id = 1; id <= 0xFFFF; ++id)
        if (LiteralAvailable(ctx, static_cast<uint16_t>(id))) ++found;
    if (list == nullptr || *byteSize < 2 * found) {
        *byteSize = 2 * found;
        return -5;
    }
    int32_t at = 0;
    for (uint32_t id = 1; id <= 0xFFFF; ++id)
        if (LiteralAvailable(ctx, static_cast<uint16_t>(id))) list[at++] = static_cast<uint16_t>(id);
    *count = static_cast<uint16_t>(found);
    return 1;
}

int32_t LiteralQueryOne(DmaContext *ctx, uint16_t dmaId, AttributeRecord *rec) {
    if (rec == nullptr) return -10;
    if (dmaId == 0xA001 || dmaId == 0xA002) {
        uint32_t length = 0;
        int32_t code = static_cast<int32_t>(DMA_GetStringData(ctx, dmaId, nullptr, &length));
        if (code != -5) return code;
        *rec = AttributeRecord{dmaId, 1, static_cast<int32_t>(length)};
        return 1;
    }
    uint16_t item = dma::DmaIdToItemId(dmaId);
    if (item == 0) return -1;
    dma::ItemLocation loc{};
    if (dma::LookupItem(item, ctx->devMode, ctx->secondary, &loc) != 0) return -10;
    rec->dmaId = dmaId;
    if (loc.valueType == DMA_VT_STRING) {
        uint32_t length = 0;
        if (DMA_GetStringData(ctx, dmaId, nullptr, &length) != -5) return -10;
        rec->kind = 1;
        rec->size = static_cast<int32_t>(length);
    } else if (loc.valueType == DMA_VT_LOGFONT) {
        rec->kind = 2;
        rec->size = 60;
    } else {
        rec->kind = 0;
        rec->size = 4;
    }
    return 1;
}

int32_t LiteralQueryAll(DmaContext *ctx, uint16_t *idCount, AttributeRecord *recs) {
    int32_t byteSize = 0;
    uint16_t ignored = 0;
    LiteralScan(ctx, &byteSize, &ignored, nullptr);
    uint16_t n = static_cast<uint16_t>(byteSize / 2);
    if (n == 0) return -10;
    if (recs == nullptr || *idCount < n) {
        *idCount = n;
        return -5;
    }
    std::vector<uint16_t> list(*idCount, 0);
    byteSize = 2 * *idCount;
    uint16_t listed = 0;
    int32_t result = LiteralScan(ctx, &byteSize, &listed, list.data());
    if (result == 1)
        for (uint16_t i = 0; i < n && (result = LiteralQueryOne(ctx, list[i], &recs[i])) == 1; ++i) {
        }
    return result;
}

struct RecordSet {
    bool devMode, secondary, fax, item311Agrees;
};

class QueryAttributesDifferential : public ::testing::TestWithParam<RecordSet> {};

TEST_P(QueryAttributesDifferential, FullScanMatchesEveryIdTried) {
    const RecordSet set = GetParam();
    Records r;
    SetFaxHeaders(r, "Fax from the front desk", "A longer second header line");
    // Some content so that reads see non-zero values and strings.
    dmatest::WriteU16(r.devMode.data(), dmatest::U16("Printer"));
    dmatest::WriteU16(r.devMode.data() + 224, dmatest::U16("Form"));
    dma::Store32(r.devMode.data() + 288, 0x0000A5A5);
    SetItem311Members(r, 900, set.item311Agrees ? 900 : 450);
    if (!set.devMode) r.ctx.devMode = nullptr;
    if (!set.secondary) r.ctx.secondary = nullptr;
    if (!set.fax) r.ctx.faxAddressBlock = nullptr;

    // Size query.
    uint16_t oursN = 0x1234, modelN = 0x1234;
    DMA_RESULT ours = DMA_QueryAttributes(&r.ctx, &oursN, nullptr, nullptr);
    int32_t model = LiteralQueryAll(&r.ctx, &modelN, nullptr);
    ASSERT_EQ(ours, model);
    ASSERT_EQ(oursN, modelN);
    if (model != -5) return;  // nothing available: both fail alike

    // Filling calls with the exact capacity, a larger one and a smaller one.
    for (int extra : {0, 4, -1}) {
        SCOPED_TRACE(extra);
        uint16_t capacity = static_cast<uint16_t>(modelN + extra);
        std::vector<AttributeRecord> a(modelN + 4, Untouched()), b(modelN + 4, Untouched());
        uint16_t countA = capacity, countB = capacity;
        EXPECT_EQ(DMA_QueryAttributes(&r.ctx, &countA, nullptr, a.data()),
                  LiteralQueryAll(&r.ctx, &countB, b.data()));
        EXPECT_EQ(countA, countB);
        for (size_t i = 0; i < a.size(); ++i) {
            if (!SameRecord(a[i], b[i])) {
                ADD_FAILURE() << "record " << i << ": ours {" << a[i].dmaId << ", " << a[i].kind
                              << ", " << a[i].size << "} model {" << b[i].dmaId << ", "
                              << b[i].kind << ", " << b[i].size << "}";
                break;
            }
        }
    }
    EXPECT_TRUE(r.CanariesIntact());
    EXPECT_NO_LEAK();
}

std::vector<RecordSet> AllRecordSets() {
    std::vector<RecordSet> sets;
    for (int bits = 0; bits < 16; ++bits)
        sets.push_back({(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0});
    return sets;
}

INSTANTIATE_TEST_SUITE_P(
    RecordSets, QueryAttributesDifferential, ::testing::ValuesIn(AllRecordSets()),
    [](const ::testing::TestParamInfo<RecordSet> &info) {
        const RecordSet &s = info.param;
        return std::string(s.devMode ? "DevMode" : "NoDevMode") +
               (s.secondary ? "Secondary" : "NoSecondary") + (s.fax ? "Fax" : "NoFax") +
               (s.item311Agrees ? "Item311Equal" : "Item311Unequal");
    });

}  // namespace
