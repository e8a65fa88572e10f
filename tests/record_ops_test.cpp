// record_ops_test.cpp - the public record operations: load, delete, store and
// name elements of the caller's arrays by name (kinds 2, 3, 4, 7) and by
// position (kind 5), their result codes and the element state bytes.
#include <string>
#include <vector>

#include "records_fixture.h"
#include "text/text.h"

using namespace dma;
using namespace dmatest;

namespace {

struct KindCase {
    int32_t kind;
    RecordArray DmaContext::*array;
    std::span<const FieldListRow> (*fields)();  // the transfer list
    uint32_t size;
    int32_t missing;
    const char *name;  // name used to store (kind 5: unused)
};

const KindCase kKinds[] = {
    {2, &DmaContext::kind2Records, &Kind2Fields, DMA_KIND2_SIZE, DMA_E_NO_RECORD, "alpha"},
    {3, &DmaContext::kind3Records, &Kind3Fields, DMA_KIND3_SIZE, DMA_E_NO_RECORD, "beta"},
    {4, &DmaContext::kind4Records, &Kind4RectFields, DMA_KIND4_SIZE, DMA_E_NO_KIND4_RECORD, "77"},
    {5, &DmaContext::faxEntries, &Kind5Fields, DMA_FAX_ENTRY_SIZE, DMA_E_NO_FAX_ENTRY, nullptr},
    {7, &DmaContext::kind7Records, &Kind7Fields, DMA_KIND7_SIZE, DMA_E_NO_RECORD, "gamma"},
};
const KindCase &Case(int32_t kind) {
    for (const KindCase &c : kKinds)
        if (c.kind == kind) return c;
    return kKinds[0];
}

// The caller's records with one array bound into the context.
struct Bench {
    Bench(int32_t kind, uint32_t count, uint32_t stride = 0)
        : c(Case(kind)), r(static_cast<uint16_t>(count)), arr(count, stride ? stride : c.size) {
        r.ctx.*(c.array) = arr.Descriptor();
        Store16(ItemAddress(r, 7), 1);  // portrait
    }
    const KindCase &c;
    Records r;
    ArrayFixture arr;
    bool Intact() const { return r.CanariesIntact() && arr.CanariesIntact(); }
};

// Name or position argument.
intptr_t Arg(const char *name) { return reinterpret_cast<intptr_t>(name); }

void SetName(int32_t kind, uint8_t *element, const char *name) {
    if (kind == 4)
        Store16(element, static_cast<uint16_t>(std::stoul(name)));
    else
        WriteU16(element, U16(name));
}

// Seeds the live settings with a filled record; for kinds 2, 3, 7 its key
// text is `name`.  Returns the record (for kind 4, the rectangle work buffer).
std::vector<uint8_t> SeedSettings(Bench &s, int seed, const char *name) {
    const uint32_t bytes = s.c.kind == 4 ? 16 : s.c.size;
    std::vector<uint8_t> rec(bytes);
    FillRecord(s.c.fields(), rec.data(), seed);
    if (name != nullptr && s.c.kind != 4 && s.c.kind != 5) WriteU16(rec.data(), U16(name));
    EXPECT_TRUE(WriteRecordToSettings(s.r.ctx.devMode, s.r.ctx.secondary, s.c.fields().data(),
                                      rec.data()));
    return rec;
}

// Apply (mode 1, into the last element) then load: the settings come back
// field for field, and a second apply by name or position gives back the
// same element.
TEST(RecordOps, ApplyThenLoadRoundTripsEveryKind) {
    for (const KindCase &c : kKinds) {
        SCOPED_TRACE("kind " + std::to_string(c.kind));
        Bench s(c.kind, 2);
        const intptr_t arg = c.kind == 5 ? 2 : Arg(c.name);
        const std::vector<uint8_t> seeded = SeedSettings(s, 1, c.name);

        ASSERT_EQ(DMA_ApplyData(&s.r.ctx, c.kind, 1, arg), DMA_OK);
        EXPECT_EQ(s.arr.State(1), DMA_STATE_IN_USE);
        EXPECT_EQ(s.arr.State(0), DMA_STATE_EMPTY);
        uint8_t *element = s.arr.At(1);
        if (c.kind == 4) {
            EXPECT_EQ(Load16(element), 77);
            const int32_t *w = reinterpret_cast<const int32_t *>(seeded.data());
            const int32_t expected[4] = {w[0], w[1], w[3], w[2]};
            EXPECT_EQ(0, std::memcmp(element + 4, expected, 16));
        } else {
            ExpectSameFields(c.fields(), seeded.data(), element);
        }
        const std::vector<uint8_t> stored(element, element + c.size);

        SeedSettings(s, 2, "other");
        ASSERT_EQ(DMA_AccessibleData(&s.r.ctx, c.kind, arg), DMA_OK);
        ASSERT_EQ(DMA_ApplyData(&s.r.ctx, c.kind, 0, arg), DMA_OK);
        if (c.kind == 4)
            EXPECT_EQ(0, std::memcmp(element, stored.data(), c.size));
        else
            ExpectSameFields(c.fields(), stored.data(), element);
        EXPECT_EQ(s.arr.State(1), DMA_STATE_IN_USE);
        EXPECT_TRUE(s.Intact());
        EXPECT_NO_LEAK();
    }
}

// Kind 4 in landscape: the rectangle goes through the other mapping both
// ways, so the round trip still gives back the same settings.
TEST(RecordOps, Kind4RoundTripInLandscape) {
    Bench s(4, 1);
    Store16(ItemAddress(s.r, 7), 2);
    const std::vector<uint8_t> seeded = SeedSettings(s, 1, nullptr);
    ASSERT_EQ(DMA_ApplyData(&s.r.ctx, 4, 1, Arg("9")), DMA_OK);
    const int32_t *w = reinterpret_cast<const int32_t *>(seeded.data());
    const int32_t expected[4] = {w[2], w[3], w[0], w[1]};
    EXPECT_EQ(0, std::memcmp(s.arr.At(0) + 4, expected, 16));
    SeedSettings(s, 2, nullptr);
    ASSERT_EQ(DMA_AccessibleData(&s.r.ctx, 4, Arg("9")), DMA_OK);
    std::vector<uint8_t> now(16);
    ASSERT_TRUE(ReadSettingsToRecord(s.r.ctx.devMode, s.r.ctx.secondary,
                                     Kind4RectFields().data(), now.data()));
    EXPECT_EQ(seeded, now);
    EXPECT_EQ(Load16(ItemAddress(s.r, 1824)), 0) << "the key is not loaded";
}

// Same name several times, with a stride wider than the record: loading
// passes over the deleted element, deleting finds it again, storing by name
// takes the lowest non-empty index and puts it back in use.
TEST(RecordOps, DuplicateNamesAndStates) {
    Bench s(3, 4, DMA_KIND3_SIZE + 15);  // odd: fields at odd addresses
    const char *names[4] = {"dup", "dup", "dup", "x"};
    const uint8_t states[4] = {DMA_STATE_DELETED, DMA_STATE_IN_USE, DMA_STATE_IN_USE,
                               DMA_STATE_EMPTY};
    const char *texts[4] = {"zero", "one", "two", "three"};
    for (uint32_t i = 0; i < 4; ++i) {
        SetName(3, s.arr.At(i), names[i]);
        WriteU16(s.arr.At(i) + 82, U16(texts[i]));
        s.arr.State(i) = states[i];
    }
    uint8_t *item1820 = ItemAddress(s.r, 1820);

    EXPECT_EQ(DMA_AccessibleData(&s.r.ctx, 3, Arg("dup")), DMA_OK);
    EXPECT_EQ(ReadU16(item1820, 41), U16("one"));
    EXPECT_EQ(DMA_DeleteData(&s.r.ctx, 3, "dup"), DMA_OK);  // the deleted one, again
    EXPECT_EQ(s.arr.State(0), DMA_STATE_DELETED);
    EXPECT_EQ(s.arr.State(1), DMA_STATE_IN_USE);

    for (auto op : {0, 1, 2}) {  // the empty element never qualifies
        SCOPED_TRACE(op);
        DMA_RESULT got = op == 0   ? DMA_AccessibleData(&s.r.ctx, 3, Arg("x"))
                         : op == 1 ? DMA_DeleteData(&s.r.ctx, 3, "x")
                                   : DMA_ApplyData(&s.r.ctx, 3, 0, Arg("x"));
        EXPECT_EQ(got, DMA_E_NO_RECORD);
    }
    EXPECT_EQ(DMA_AccessibleData(&s.r.ctx, 3, Arg("DUP")), DMA_E_NO_RECORD);  // exact case
    EXPECT_EQ(DMA_AccessibleData(&s.r.ctx, 3, Arg("du")), DMA_E_NO_RECORD);

    WriteU16(item1820, U16("fresh"));
    EXPECT_EQ(DMA_ApplyData(&s.r.ctx, 3, 0, Arg("dup")), DMA_OK);
    EXPECT_EQ(s.arr.State(0), DMA_STATE_IN_USE);
    EXPECT_EQ(ReadU16(s.arr.At(0) + 82, 41), U16("fresh"));
    EXPECT_EQ(ReadU16(s.arr.At(0), 41), U16("dup"));
    EXPECT_EQ(ReadU16(s.arr.At(1) + 82, 41), U16("one"));

    EXPECT_EQ(DMA_DeleteData(&s.r.ctx, 3, "dup"), DMA_OK);  // now element 0 again
    EXPECT_EQ(s.arr.State(0), DMA_STATE_DELETED);
    EXPECT_EQ(DMA_AccessibleData(&s.r.ctx, 3, Arg("dup")), DMA_OK);
    EXPECT_EQ(ReadU16(item1820, 41), U16("one"));
    EXPECT_TRUE(s.Intact());
    EXPECT_NO_LEAK();
}

// Kind 4 keys from the name, stored in mode 1: digits from the start make
// the number; 0, no digits, more than 5 bytes, above 65535 and a first byte
// below '0' (bytes from 0x80 up included) are refused with the element and
// its state as they were.
struct KeyCase {
    const char *name;
    DMA_RESULT code;
    uint16_t key;  // expected key after the call
};
const KeyCase kKeyCases[] = {
    {"12ab", DMA_OK, 12},   {"0", DMA_E_FAILED, 0x4444},      {"ab", DMA_E_FAILED, 0x4444},
    {"123456", DMA_E_FAILED, 0x4444}, {"65536", DMA_E_FAILED, 0x4444},
    {"99999", DMA_E_FAILED, 0x4444},  {"65535", DMA_OK, 65535}, {"1", DMA_OK, 1},
    {"007", DMA_OK, 7},     {"", DMA_E_FAILED, 0x4444},       {"\x80" "1", DMA_E_FAILED, 0x4444},
    {"/1", DMA_E_FAILED, 0x4444},     {"1 2", DMA_OK, 1},
    {"000001", DMA_E_FAILED, 0x4444}, {"12345x", DMA_E_FAILED, 0x4444},  // 6 bytes
};

TEST(RecordOps, Kind4KeyParser) {
    for (const KeyCase &k : kKeyCases) {
        SCOPED_TRACE(std::string("name \"") + k.name + "\"");
        Bench s(4, 1);
        Store16(s.arr.At(0), 0x4444);
        Store32(ItemAddress(s.r, 1827), 123);
        EXPECT_EQ(DMA_ApplyData(&s.r.ctx, 4, 1, Arg(k.name)), k.code);
        EXPECT_EQ(Load16(s.arr.At(0)), k.key);
        const bool stored = k.code == DMA_OK;
        EXPECT_EQ(s.arr.State(0), stored ? DMA_STATE_IN_USE : DMA_STATE_EMPTY);
        EXPECT_EQ(Load32(s.arr.At(0) + 4), stored ? 123u : 0u) << "filled only with its key";
        EXPECT_TRUE(s.Intact());
    }
}

// Stored kind 4 keys are compared as "%u" text.
TEST(RecordOps, Kind4SearchComparesDecimalText) {
    Bench s(4, 2);
    Store16(s.arr.At(0), 12);
    Store16(s.arr.At(1), 0);
    s.arr.State(0) = s.arr.State(1) = DMA_STATE_IN_USE;
    EXPECT_EQ(DMA_ApplyData(&s.r.ctx, 4, 0, Arg("012")), DMA_E_NO_KIND4_RECORD);
    EXPECT_EQ(DMA_AccessibleData(&s.r.ctx, 4, Arg("12ab")), DMA_E_NO_KIND4_RECORD);
    EXPECT_EQ(DMA_AccessibleData(&s.r.ctx, 4, Arg("12")), DMA_OK);
    EXPECT_EQ(DMA_DeleteData(&s.r.ctx, 4, "0"), DMA_OK);  // key 0 reads "0"
    EXPECT_EQ(s.arr.State(1), DMA_STATE_DELETED);
    EXPECT_EQ(DMA_ApplyData(&s.r.ctx, 4, 0, Arg("0")), DMA_E_FAILED);  // found, then refused
    EXPECT_EQ(s.arr.State(1), DMA_STATE_DELETED);
    EXPECT_NO_LEAK();
}

// Kind 5 by 1-based position in the low 16 bits: 0 and past the count select
// nothing; loading needs state 1, storing in mode 0 takes 1 or 2.
struct PositionCase {
    intptr_t position;
    DMA_RESULT load;
    DMA_RESULT store;
};
const PositionCase kPositions[] = {
    {0, DMA_E_NO_FAX_ENTRY, DMA_E_NO_FAX_ENTRY},
    {1, DMA_OK, DMA_OK},                              // state 1
    {2, DMA_E_NO_FAX_ENTRY, DMA_OK},                  // state 2
    {3, DMA_E_NO_FAX_ENTRY, DMA_E_NO_FAX_ENTRY},      // state 0
    {4, DMA_E_NO_FAX_ENTRY, DMA_E_NO_FAX_ENTRY},      // past the count
    {0x10001, DMA_OK, DMA_OK},                        // low 16 bits: 1
    {0x10000, DMA_E_NO_FAX_ENTRY, DMA_E_NO_FAX_ENTRY},
};

TEST(RecordOps, Kind5Positions) {
    for (const PositionCase &p : kPositions) {
        SCOPED_TRACE("position " + std::to_string(p.position));
        Bench s(5, 3);
        s.arr.State(0) = DMA_STATE_IN_USE;
        s.arr.State(1) = DMA_STATE_DELETED;
        s.arr.State(2) = DMA_STATE_EMPTY;
        EXPECT_EQ(DMA_AccessibleData(&s.r.ctx, 5, p.position), p.load);
        EXPECT_EQ(DMA_ApplyData(&s.r.ctx, 5, 0, p.position), p.store);
        if (p.store == DMA_OK) {
            EXPECT_EQ(s.arr.State(static_cast<uint16_t>(p.position) - 1u), DMA_STATE_IN_USE);
        }
        EXPECT_TRUE(s.Intact());
    }
}

TEST(RecordOps, Kind5FinishRewritesSignature) {
    Bench s(5, 1);
    WriteU16(s.r.fax.data(), U16("ZOVA001"));
    EXPECT_EQ(DMA_ApplyData(&s.r.ctx, 5, 1, 0), DMA_OK);
    EXPECT_EQ(ReadU16(s.r.fax.data(), 8), U16("ZOVA002"));
    EXPECT_EQ(Load16(s.r.fax.data() + 14), 0);
    EXPECT_EQ(DMA_DeleteData(&s.r.ctx, 5, "1"), DMA_E_KIND);
    uint32_t size = 64;
    char buffer[64];
    EXPECT_EQ(DMA_GetNameFromInfo(s.arr.At(0), 5, &size, buffer), DMA_E_KIND);
}

// Mended: without a fax-address block, storing a kind 5 entry is refused
// before the element is filled, in both modes.
TEST(RecordOps, Kind5WithoutFaxBlockIsRefusedUntouched) {
    for (int32_t mode : {0, 1}) {
        Bench s(5, 1);
        s.arr.State(0) = DMA_STATE_DELETED;
        Store16(ItemAddress(s.r, 1794), 0x1234);
        s.r.ctx.faxAddressBlock = nullptr;
        EXPECT_EQ(DMA_ApplyData(&s.r.ctx, 5, mode, 1), DMA_E_FAILED);
        EXPECT_EQ(Load16(s.arr.At(0)), 0) << "element not filled";
        EXPECT_EQ(s.arr.State(0), DMA_STATE_DELETED);
    }
}

// Mended: mode 1 on an empty array has no last element; every kind returns
// its missing-element code and nothing is touched.
TEST(RecordOps, Mode1OnEmptyArrayTouchesNothing) {
    for (const KindCase &c : kKinds) {
        SCOPED_TRACE("kind " + std::to_string(c.kind));
        Bench s(c.kind, 0);
        WriteU16(s.r.fax.data(), U16("ZOVA001"));
        const std::vector<uint8_t> fax(s.r.fax.data(), s.r.fax.data() + s.r.fax.size());
        EXPECT_EQ(DMA_ApplyData(&s.r.ctx, c.kind, 1, c.kind == 5 ? 1 : Arg("1")), c.missing);
        EXPECT_EQ(0, std::memcmp(fax.data(), s.r.fax.data(), fax.size()));
        // Searches of an empty array find nothing either.
        EXPECT_EQ(DMA_AccessibleData(&s.r.ctx, c.kind, c.kind == 5 ? 1 : Arg("1")), c.missing);
        EXPECT_EQ(DMA_ApplyData(&s.r.ctx, c.kind, 0, c.kind == 5 ? 1 : Arg("1")), c.missing);
        EXPECT_TRUE(s.Intact());
    }
}

// Mended: a null name is refused with -10 by every operation and kind that
// takes one, before any element or state byte is touched.  Also the null
// context, unknown kinds and modes.
TEST(RecordOps, ArgumentChecks) {
    for (int32_t kind : {2, 3, 4, 7}) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        Bench s(kind, 1);
        s.arr.State(0) = DMA_STATE_IN_USE;
        EXPECT_EQ(DMA_AccessibleData(&s.r.ctx, kind, 0), DMA_E_FAILED);
        EXPECT_EQ(DMA_DeleteData(&s.r.ctx, kind, nullptr), DMA_E_FAILED);
        EXPECT_EQ(DMA_ApplyData(&s.r.ctx, kind, 0, 0), DMA_E_FAILED);
        EXPECT_EQ(DMA_ApplyData(&s.r.ctx, kind, 1, 0), DMA_E_FAILED);
        EXPECT_EQ(s.arr.State(0), DMA_STATE_IN_USE);
        EXPECT_EQ(Load16(s.arr.At(0) + 4), 0);
    }
    Bench s(3, 1);
    EXPECT_EQ(DMA_AccessibleData(nullptr, 3, Arg("a")), DMA_E_FAILED);
    EXPECT_EQ(DMA_DeleteData(nullptr, 3, "a"), DMA_E_FAILED);
    EXPECT_EQ(DMA_ApplyData(nullptr, 3, 0, Arg("a")), DMA_E_FAILED);
    for (int32_t kind : {-1, 0, 1, 6, 8, 0x10003}) {
        EXPECT_EQ(DMA_AccessibleData(&s.r.ctx, kind, Arg("a")), DMA_E_KIND) << kind;
        EXPECT_EQ(DMA_DeleteData(&s.r.ctx, kind, "a"), DMA_E_KIND) << kind;
        EXPECT_EQ(DMA_ApplyData(&s.r.ctx, kind, 0, Arg("a")), DMA_E_KIND) << kind;
        uint32_t size = 8;
        EXPECT_EQ(DMA_GetNameFromInfo(s.arr.At(0), kind, &size, nullptr), DMA_E_KIND) << kind;
    }
    for (int32_t mode : {-1, 2, 100})
        EXPECT_EQ(DMA_ApplyData(&s.r.ctx, 3, mode, Arg("a")), DMA_E_MODE) << mode;
    uint32_t size = 8;
    EXPECT_EQ(DMA_GetNameFromInfo(nullptr, 3, &size, nullptr), DMA_E_FAILED);
    EXPECT_EQ(DMA_GetNameFromInfo(s.arr.At(0), 3, nullptr, nullptr), DMA_E_FAILED);
    DmaContext none{};  // no array at all: nothing of that name, not a failure
    EXPECT_EQ(DMA_DeleteData(&none, 3, "a"), DMA_DeleteData(&s.r.ctx, 3, "absent"));
    EXPECT_NO_LEAK();
}

// Kinds 2, 3, 7: the name must fit the key field with its terminator (kind 2:
// 32 characters, kinds 3 and 7: 40); a longer one is refused with the
// element as the call before left it.
TEST(RecordOps, NameMustFitKeyField) {
    for (auto [kind, longest] : {std::pair{2, 32}, {3, 40}, {7, 40}}) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        Bench s(kind, 1);
        WriteU16(ItemAddress(s.r, kind == 2 ? 297 : 1819), U16("current"));
        const std::string fits(longest, 'n'), tooLong(longest + 1, 'n');
        EXPECT_EQ(DMA_ApplyData(&s.r.ctx, kind, 1, Arg(fits.c_str())), DMA_OK);
        EXPECT_EQ(ReadU16(s.arr.At(0), longest + 1), U16(fits.c_str()));
        EXPECT_EQ(DMA_ApplyData(&s.r.ctx, kind, 1, Arg(tooLong.c_str())), DMA_E_FAILED);
        EXPECT_EQ(ReadU16(s.arr.At(0), longest + 1), U16(fits.c_str()));  // not the setting's key
        EXPECT_EQ(s.arr.State(0), DMA_STATE_IN_USE);
        EXPECT_TRUE(s.Intact());
        Bench empty(kind, 1);  // the shortest name: the terminator alone
        EXPECT_EQ(DMA_ApplyData(&empty.r.ctx, kind, 1, Arg("")), DMA_OK);
        EXPECT_EQ(empty.arr.State(0), DMA_STATE_IN_USE);
        EXPECT_EQ(ReadU16(empty.arr.At(0), longest + 1), U16(""));
    }
    EXPECT_NO_LEAK();
}

// A failing transfer returns -10; a store leaves the state byte as it was.
TEST(RecordOps, TransferFailureKeepsState) {
    Bench s(3, 1);
    SetName(3, s.arr.At(0), "k");
    s.arr.State(0) = DMA_STATE_DELETED;
    s.r.ctx.devMode = nullptr;
    EXPECT_EQ(DMA_ApplyData(&s.r.ctx, 3, 0, Arg("k")), DMA_E_FAILED);
    EXPECT_EQ(s.arr.State(0), DMA_STATE_DELETED);
    s.arr.State(0) = DMA_STATE_IN_USE;
    EXPECT_EQ(DMA_AccessibleData(&s.r.ctx, 3, Arg("k")), DMA_E_FAILED);
    EXPECT_EQ(s.arr.State(0), DMA_STATE_IN_USE);
    Bench f(4, 1);
    f.arr.State(0) = DMA_STATE_IN_USE;
    Store16(f.arr.At(0), 5);
    Store16(ItemAddress(f.r, 7), 3);  // orientation without a mapping
    EXPECT_EQ(DMA_AccessibleData(&f.r.ctx, 4, Arg("5")), DMA_E_FAILED);
    EXPECT_EQ(DMA_ApplyData(&f.r.ctx, 4, 0, Arg("5")), DMA_E_FAILED);
    EXPECT_NO_LEAK();
}

// DMA_GetNameFromInfo: size queries, a size of exactly the length (no room
// for the terminator), names of every kind, deleted records readable.
struct NameCase {
    uint32_t size;
    bool buffer;
    DMA_RESULT code;
    uint32_t sizeAfter;
};
const NameCase kNameCases[] = {
    {0, false, DMA_E_MORE_DATA, 6},
    {100, false, DMA_E_MORE_DATA, 6},
    {5, true, DMA_E_MORE_DATA, 6},
    {6, true, DMA_OK, 6},
    {100, true, DMA_OK, 100},
};

TEST(RecordOps, GetNameFromInfoSizes) {
    Kind2Record rec{};
    WriteU16(rec.name, U16("hello"));
    for (const NameCase &n : kNameCases) {
        SCOPED_TRACE("size " + std::to_string(n.size));
        Guarded buffer(8, 0xEE);
        uint32_t size = n.size;
        EXPECT_EQ(DMA_GetNameFromInfo(&rec, 2, &size, n.buffer ? reinterpret_cast<char *>(
                                                                      buffer.data())
                                                               : nullptr),
                  n.code);
        EXPECT_EQ(size, n.sizeAfter);
        if (n.code == DMA_OK)
            EXPECT_STREQ(reinterpret_cast<char *>(buffer.data()), "hello");
        else
            EXPECT_EQ(buffer.data()[0], 0xEE);
    }
    EXPECT_NO_LEAK();
}

TEST(RecordOps, GetNameFromInfoEveryKind) {
    struct {
        int32_t kind;
        uint16_t key;  // kind 4
        const char *name;
    } const cases[] = {{2, 0, "two"}, {3, 0, "three"}, {7, 0, "seven"}, {4, 65535, "65535"},
                       {4, 0, "0"},   {4, 42, "42"},   {3, 0, ""}};
    for (const auto &c : cases) {
        Guarded rec(DMA_KIND7_SIZE);
        if (c.kind == 4)
            Store16(rec.data(), c.key);
        else
            WriteU16(rec.data(), U16(c.name));
        char buffer[64];
        uint32_t size = sizeof buffer;
        EXPECT_EQ(DMA_GetNameFromInfo(rec.data(), c.kind, &size, buffer), DMA_OK) << c.name;
        EXPECT_STREQ(buffer, c.name);
    }
    EXPECT_NO_LEAK();
}

// Mended: a key field without a terminator is read inside its width only;
// the name is the whole field.
TEST(RecordOps, KeyWithoutTerminatorStaysInField) {
    Kind2Record rec{};
    for (auto &u : rec.name) u = 'A';
    for (auto &u : rec.item299) u = 'B';
    char buffer[128];
    uint32_t size = sizeof buffer;
    EXPECT_EQ(DMA_GetNameFromInfo(&rec, 2, &size, buffer), DMA_OK);
    EXPECT_EQ(std::string(buffer), std::string(33, 'A'));

    // The key field is the last bytes of readable memory: nothing past it is read.
    Fenced tight(66);
    for (size_t i = 0; i < 66; i += 2) tight.data()[i] = 'C';
    const FieldListRow list[] = {{297, DMA_VT_STRING, 0, 0, 66}, {0, 0, 0, 0, 0}};
    char *name = RecordKeyText(list, 297, tight.data());
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(std::string(name), std::string(33, 'C'));
    GlobalFree(name);
    // A list whose key gives no name: the key item absent, without a place,
    // 64 units wide, or neither text nor a 16-bit number.
    const FieldListRow noName[][2] = {
        {{299, DMA_VT_STRING, 0, 0, 66}, {}}, {{297, DMA_VT_STRING, 0, -1, 66}, {}},
        {{297, DMA_VT_STRING, 0, 0, 128}, {}}, {{297, DMA_VT_DWORD, 0, 0, 4}, {}},
    };
    EXPECT_EQ(RecordKeyText(nullptr, 297, tight.data()), nullptr);
    for (const auto &l : noName) {
        EXPECT_EQ(RecordKeyText(l, 297, tight.data()), nullptr) << l[0].itemId << " " << l[0].offset;
    }
    EXPECT_NO_LEAK();
}

#if !defined(_WIN32)
// Every allocation of an operation made to fail in turn: the call fails and
// leaves no block alive.  The search by name allocates nothing; storing a
// name converts it, and reading a name builds it, in one block each.
TEST(RecordOps, AllocationFailuresLeakNothing) {
    struct Call {
        const char *name;
        DMA_RESULT (*run)(Bench &);
        int32_t kind;
        long allocations;  // of a run without failure
    } const calls[] = {
        {"apply kind 3 by name", [](Bench &s) { return DMA_ApplyData(&s.r.ctx, 3, 0, Arg("b")); }, 3, 1},
        {"load kind 2", [](Bench &s) { return DMA_AccessibleData(&s.r.ctx, 2, Arg("b")); }, 2, 0},
        {"delete kind 7", [](Bench &s) { return DMA_DeleteData(&s.r.ctx, 7, "b"); }, 7, 0},
        {"apply kind 4 by name", [](Bench &s) { return DMA_ApplyData(&s.r.ctx, 4, 0, Arg("2")); }, 4, 0},
        {"name of kind 4", [](Bench &s) {
             uint32_t size = 16;
             char buffer[16];
             return DMA_GetNameFromInfo(s.arr.At(1), 4, &size, buffer);
         }, 4, 1},
    };
    for (const Call &call : calls) {
        SCOPED_TRACE(call.name);
        auto prepare = [&](Bench &s) {
            SetName(call.kind, s.arr.At(0), call.kind == 4 ? "1" : "a");
            SetName(call.kind, s.arr.At(1), call.kind == 4 ? "2" : "b");
            s.arr.State(0) = s.arr.State(1) = DMA_STATE_IN_USE;
        };
        long allocations;
        {
            Bench s(call.kind, 2);
            prepare(s);
            const long before = dmaplat_AllocCalls();
            ASSERT_EQ(call.run(s), DMA_OK);
            allocations = dmaplat_AllocCalls() - before;
            EXPECT_EQ(allocations, call.allocations);
        }
        for (long n = 1; n <= allocations; ++n) {
            Bench s(call.kind, 2);
            prepare(s);
            dmaplat_FailAllocAt(n);
            EXPECT_LT(call.run(s), 0) << "allocation " << n;
            dmaplat_FailAllocAt(0);
            EXPECT_NO_LEAK();
        }
    }
}
#endif

}  // namespace
