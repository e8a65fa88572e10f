// record_atomicity_test.cpp - the record operations are all or nothing: a
// refused load or store leaves every byte the caller owns as it was (the
// settings records, the fax-address block, the elements and their state
// bytes), the transfer to the settings undoes rows already written (linked
// and mirrored writes included), and an element lying inside the settings is
// copied as from a snapshot of its source.
#include <string>
#include <vector>

#include "records_fixture.h"

using namespace dma;
using namespace dmatest;

namespace {

struct KindCase {
    int32_t kind;
    RecordArray DmaContext::*array;
    std::span<const FieldListRow> (*fields)();  // what FillRecord fills
    uint32_t size;
};
const KindCase kKinds[] = {
    {2, &DmaContext::kind2Records, &Kind2Fields, DMA_KIND2_SIZE},
    {3, &DmaContext::kind3Records, &Kind3Fields, DMA_KIND3_SIZE},
    {4, &DmaContext::kind4Records, &Kind4KeyFields, DMA_KIND4_SIZE},
    {5, &DmaContext::faxEntries, &Kind5Fields, DMA_FAX_ENTRY_SIZE},
    {7, &DmaContext::kind7Records, &Kind7Fields, DMA_KIND7_SIZE},
};
const KindCase &Kind(int32_t kind) {
    for (const KindCase &c : kKinds)
        if (c.kind == kind) return c;
    return kKinds[0];
}

intptr_t Arg(const char *name) { return reinterpret_cast<intptr_t>(name); }
std::vector<uint8_t> Bytes(const Guarded &g) { return {g.data(), g.data() + g.size()}; }

// The caller's records, filled settings and a two-element array of one kind
// whose elements hold a byte pattern.
struct World {
    explicit World(int32_t kind) : k(Kind(kind)), r(1), arr(2, k.size) {
        r.ctx.*(k.array) = arr.Descriptor();
        Store16(ItemAddress(r, 7), 1);  // portrait
        std::vector<uint8_t> seeded(k.size);
        FillRecord(k.fields(), seeded.data(), 1);
        EXPECT_TRUE(WriteRecordToSettings(r.ctx.devMode, r.ctx.secondary, k.fields().data(),
                                          seeded.data()));
        std::memset(arr.At(0), 0x5A, size_t{2} * k.size);
        WriteU16(r.fax.data(), U16("ZOVA001"));
    }
    // Every byte the caller owns, in one list.
    std::vector<std::vector<uint8_t>> All() const {
        return {Bytes(r.devMode), Bytes(r.secondary), Bytes(r.fax), Bytes(arr.elements),
                Bytes(arr.states)};
    }
    const KindCase &k;
    Records r;
    ArrayFixture arr;
};

// Stores refused after the element was found: names the key cannot take,
// a name found through an unterminated key that is too long to go back into
// it, and the allocation that converts the name failing.
struct StoreCase {
    const char *what;
    int32_t kind;
    int32_t mode;
    std::string name;
    bool unterminatedKey;  // element 1's key fills its field
    long failAllocation;   // 0: none
};
const StoreCase kStores[] = {
    {"kind 4 key above 65535", 4, 1, "65536", false, 0},
    {"kind 4 key without digits", 4, 1, "alpha", false, 0},
    {"kind 4 empty key", 4, 1, "", false, 0},
    {"kind 7 name of 300 characters", 7, 1, std::string(300, 'n'), false, 0},
    {"kind 2 found by its whole key", 2, 0, std::string(33, 'k'), true, 0},
#if !defined(_WIN32)
    {"kind 3 name conversion without memory", 3, 1, "beta", false, 1},
#endif
};

TEST(RecordAtomicity, RefusedStoreChangesNothing) {
    for (const StoreCase &c : kStores) {
        SCOPED_TRACE(c.what);
        World w(c.kind);
        w.arr.State(0) = DMA_STATE_IN_USE;
        w.arr.State(1) = DMA_STATE_DELETED;
        if (c.unterminatedKey)
            for (size_t u = 0; u < c.name.size(); ++u) Store16(w.arr.At(1) + 2 * u, 'k');
        const auto before = w.All();
#if !defined(_WIN32)
        dmaplat_FailAllocAt(c.failAllocation);
#endif
        EXPECT_EQ(DMA_ApplyData(&w.r.ctx, c.kind, c.mode, Arg(c.name.c_str())), DMA_E_FAILED);
#if !defined(_WIN32)
        dmaplat_FailAllocAt(0);
#endif
        EXPECT_TRUE(w.All() == before) << "caller's bytes changed";
        EXPECT_NO_LEAK();
    }
}

// Loads refused at a later field: a text longer than its setting (item
// 1813's field holds 8 characters, the setting 4) or without a terminator
// in its field, after earlier rows were written; the last row of kind 5.
struct LoadCase {
    int32_t kind;
    uint16_t item;
    bool unterminated;  // else five characters
};
const LoadCase kLoads[] = {
    {5, 1813, false}, {5, 1894, true}, {7, 1876, true}, {2, 299, true},
};

TEST(RecordAtomicity, RefusedLoadChangesNothing) {
    for (const LoadCase &c : kLoads) {
        SCOPED_TRACE("kind " + std::to_string(c.kind) + " item " + std::to_string(c.item));
        World w(c.kind);
        FillRecord(w.k.fields(), w.arr.At(0), 2);
        if (c.kind != 5) WriteU16(w.arr.At(0), U16("ld"));
        w.arr.State(0) = DMA_STATE_IN_USE;
        uint8_t *field = w.arr.At(0) + FieldOffset(w.k.fields(), c.item);
        for (const FieldListRow &row : w.k.fields())
            if (row.itemId == c.item && c.unterminated)
                for (uint32_t u = 0; u < row.size / 2; ++u) Store16(field + 2 * u, 'x');
        if (!c.unterminated) WriteU16(field, U16("abcde"));
        const auto before = w.All();
        EXPECT_EQ(DMA_AccessibleData(&w.r.ctx, c.kind, c.kind == 5 ? 1 : Arg("ld")),
                  DMA_E_FAILED);
        EXPECT_TRUE(w.All() == before) << "caller's bytes changed";
    }
}

// The transfer itself on lists that end in a refused row, after rows whose
// writes keep other places in step (dmYResolution, lfOrientation of both
// fonts, the derived items 325, 326, 344), two bits of one flag word, a
// packed byte and the capped text; a linked item refused after storing its
// own byte; and lists beyond the transfer's room.  Without the last row each
// list writes (the room cases aside), so the undo has something to undo.
struct Value {
    FieldListRow row;
    uint32_t number;   // scalar value
    const char *text;  // string value
};
struct TransferCase {
    const char *what;
    std::vector<Value> values;
    bool prefixWrites;
};

std::vector<TransferCase> TransferCases() {
    const Value resolution{FieldRow(14, DMA_VT_DWORD, 0, 4), 0x012C0258, nullptr};
    const Value angle1{FieldRow(311, DMA_VT_LONG, 4, 4), 900, nullptr};
    const Value angle2{FieldRow(364, DMA_VT_LONG, 8, 4), 450, nullptr};
    const Value flagA{FieldRow(1287, DMA_VT_FLAG, 12, 4), 1, nullptr};
    const Value flagB{FieldRow(1288, DMA_VT_FLAG, 16, 4), 1, nullptr};
    const Value packed{FieldRow(393, DMA_VT_DWORD, 20, 4), 0xAB00, nullptr};
    const Value capped{FieldRow(259, DMA_VT_STRING, 24, 64), 0, "capped"};
    const Value link{FieldRow(267, DMA_VT_BYTE, 88, 1), 2, nullptr};
    const Value pair{FieldRow(341, DMA_VT_BYTE, 89, 1), 1, nullptr};
    const Value tooLong{FieldRow(1813, DMA_VT_STRING, 90, 18), 0, "abcde"};
    const Value linkRefused{FieldRow(267, DMA_VT_BYTE, 88, 1), 9, nullptr};
    const Value pairRefused{FieldRow(320, DMA_VT_BYTE, 89, 1), 16, nullptr};
    const std::vector<Value> places(2 * kTransferRows + 1, flagA);
    const Value wide{FieldRow(1821, DMA_VT_STRING, 0, 418), 0, "wide"};
    const std::vector<Value> bytes(kTransferSavedBytes / 418 + 1, wide);
    return {
        {"mirrors, flags, links, then a long text",
         {resolution, angle1, angle2, flagA, flagB, packed, capped, link, pair, tooLong}, true},
        {"then item 320 without a derived value", {resolution, flagA, link, pairRefused}, true},
        {"item 267 without a derived value", {linkRefused}, false},
        {"more places than the room", places, false},
        {"more bytes to save than the room", bytes, false},
        {"a field ending where the room ends, then one beyond",
         {{FieldRow(1794, DMA_VT_WORD, kTransferRecordBytes - 2, 2), 7, nullptr},
          {FieldRow(1794, DMA_VT_WORD, kTransferRecordBytes, 2), 7, nullptr}},
         true},
    };
}

// The list (terminated) and the record its values fill.
std::vector<FieldListRow> ListOf(const std::vector<Value> &values, size_t count,
                                 std::vector<uint8_t> &record) {
    std::vector<FieldListRow> list;
    for (size_t i = 0; i < count; ++i) {
        const Value &v = values[i];
        list.push_back(v.row);
        const size_t end = static_cast<size_t>(v.row.offset) + v.row.size;
        if (record.size() < end) record.resize(end);
        uint8_t *field = record.data() + v.row.offset;
        if (v.text != nullptr)
            WriteU16(field, U16(v.text));
        else
            std::memcpy(field, &v.number, v.row.size);
    }
    list.push_back(kFieldListEnd);
    return list;
}

TEST(RecordAtomicity, TransferUndoesEveryRowWritten) {
    for (const TransferCase &c : TransferCases()) {
        SCOPED_TRACE(c.what);
        Records r;
        Store16(ItemAddress(r, 7), 1);   // orientation and the class of item 295
        *ItemAddress(r, 295) = 1;        // decide the pair derivations
        const std::vector<uint8_t> devMode = Bytes(r.devMode), secondary = Bytes(r.secondary);
        std::vector<uint8_t> record;
        std::vector<FieldListRow> list = ListOf(c.values, c.values.size(), record);
        EXPECT_FALSE(WriteRecordToSettings(r.ctx.devMode, r.ctx.secondary, list.data(),
                                           record.data()));
        EXPECT_TRUE(Bytes(r.devMode) == devMode && Bytes(r.secondary) == secondary);
        if (!c.prefixWrites) continue;
        list = ListOf(c.values, c.values.size() - 1, record);
        EXPECT_TRUE(WriteRecordToSettings(r.ctx.devMode, r.ctx.secondary, list.data(),
                                          record.data()));
        EXPECT_FALSE(Bytes(r.devMode) == devMode) << "the rows before the last write nothing";
    }
}

// An element lying inside DEVMODEW, over the very settings it is loaded
// into or stored from, exactly or shifted by a field: the result is that of
// the same operation on a copy of the element kept apart.
struct AliasCase {
    int32_t kind;
    bool load;
    uint32_t at;  // element offset in DEVMODEW
};
constexpr uint32_t kExt = DMA_DEVMODE_EXT_BASE;
const AliasCase kAliases[] = {
    {3, true, kExt + 1342 - 82}, {3, true, kExt + 1342 + 82}, {3, false, kExt + 1342 - 82},
    {3, false, kExt + 1342 + 82}, {7, true, kExt + 1342 + 82}, {7, false, kExt + 1342 - 82},
    {2, true, 382 - 66},         {2, false, 382 + 66},        {5, true, kExt + 2},
    {5, false, kExt},            {5, false, kExt + 4},
};

TEST(RecordAtomicity, ElementInsideTheSettingsCopiesFromASnapshot) {
    for (const AliasCase &c : kAliases) {
        SCOPED_TRACE(std::string(c.load ? "load" : "store") + " kind " + std::to_string(c.kind) +
                     " at " + std::to_string(c.at));
        const KindCase &k = Kind(c.kind);
        Records inside(1), apart(1);
        for (size_t i = 0; i < inside.devMode.size(); ++i)
            inside.devMode.data()[i] = static_cast<uint8_t>(i * 7 + i / 251);
        uint8_t *element = inside.devMode.data() + c.at;
        FillRecord(k.fields(), element, 3);
        if (c.kind != 5) WriteU16(element, U16("al"));
        Store16(ItemAddress(inside, 7), 1);
        std::memcpy(apart.devMode.data(), inside.devMode.data(), inside.devMode.size());
        Guarded own(k.size);
        std::memcpy(own.data(), element, k.size);
        uint8_t states[2] = {DMA_STATE_IN_USE, DMA_STATE_IN_USE};
        inside.ctx.*(k.array) = RecordArray{1, k.size, states, element};
        apart.ctx.*(k.array) = RecordArray{1, k.size, states + 1, own.data()};

        const intptr_t arg = c.kind == 5 ? 1 : Arg("al");
        for (Records *r : {&apart, &inside})
            ASSERT_EQ(c.load ? DMA_AccessibleData(&r->ctx, c.kind, arg)
                             : DMA_ApplyData(&r->ctx, c.kind, 1, arg),
                      DMA_OK);
        std::vector<uint8_t> expected = Bytes(apart.devMode);
        if (!c.load) std::memcpy(expected.data() + c.at, own.data(), k.size);
        EXPECT_TRUE(Bytes(inside.devMode) == expected);
        EXPECT_TRUE(Bytes(inside.fax) == Bytes(apart.fax));
        EXPECT_TRUE(inside.CanariesIntact());
    }
}

}  // namespace
