// enumeration_test.cpp - DMA_EnumDMAID_ByTargetInfo: entry counts and
// contents per target type, capacity handling, argument checks, and the
// catalogue walk against a model that translates each row with the
// stored-order full scan of the public map.
#include <vector>

#include "catalogue/catalogue.h"
#include "support/test_support.h"

namespace {

using dmatest::Records;

constexpr uint32_t S = DMA_DMAID_ATTR_STRING;
constexpr uint32_t F = DMA_DMAID_ATTR_LOGFONT;
constexpr uint32_t kUntouchedId = 0xDEADBEEF;
constexpr uint32_t kUntouchedBits = 0xC0DE0000;  // bits 0 and 1 clear

DmaIdEntry Untouched() { return DmaIdEntry{kUntouchedId, kUntouchedBits}; }

struct Expected {
    uint32_t dmaId;
    uint32_t bits;
};

// Fills `count` entries of a fresh array for the target type.
std::vector<DmaIdEntry> Enumerate(int32_t type, uint16_t capacity, DMA_RESULT *result,
                                  uint16_t *count) {
    Records r;
    std::vector<DmaIdEntry> entries(capacity + 2u, Untouched());
    *count = capacity;
    *result = DMA_EnumDMAID_ByTargetInfo(&r.ctx, type, count, entries.data());
    return entries;
}

TEST(EnumDmaId, SizeQueryPerTargetType) {
    const struct {
        int32_t type;
        uint16_t count;
    } cases[] = {{1, 1135}, {2, 9}, {3, 5}, {4, 4}, {5, 17}, {7, 7}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.type);
        Records r;
        uint16_t count = 0xFFFF;
        EXPECT_EQ(DMA_EnumDMAID_ByTargetInfo(&r.ctx, c.type, &count, nullptr), -5);
        EXPECT_EQ(count, c.count);
    }
}

TEST(EnumDmaId, FieldListsInTableOrder) {
    const struct {
        int32_t type;
        std::vector<Expected> entries;
    } cases[] = {
        {2, {{0x129, S}, {0x12B, S}, {0x12D, 0}, {0x12C, 0}, {0x1C7, 0}, {0x12E, 0}, {0x12F, 0},
             {0x1C8, 0}, {0x130, F}}},
        {3, {{0x21B, S}, {0x21C, S}, {0x21D, S}, {0x21E, S}, {0x21F, S}}},
        // Kind 4: the rectangle list (1827, 1828, 1826, 1825), not the key.
        {4, {{0x223, 0}, {0x224, 0}, {0x222, 0}, {0x221, 0}}},
        // Kind 5: item 1897 has no DMA ID and is passed over.
        {5, {{0x202, 0}, {0x203, S}, {0x204, 0}, {0x205, S}, {0x206, S}, {0x212, 0}, {0x213, 0},
             {0x214, 0}, {0x215, S}, {0x216, 0}, {0x217, 0}, {0x218, S}, {0x219, S}, {0x21A, S},
             {0x247, 0}, {0x248, 0}, {0x249, S}}},
        {7, {{0x21B, S}, {0x21C, S}, {0x21D, S}, {0x21E, S}, {0x21F, S}, {0x238, S}, {0x24B, 0}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.type);
        DMA_RESULT result;
        uint16_t count;
        auto entries = Enumerate(c.type, static_cast<uint16_t>(c.entries.size()), &result, &count);
        EXPECT_EQ(result, 1);
        ASSERT_EQ(count, c.entries.size());
        for (size_t i = 0; i < c.entries.size(); ++i) {
            EXPECT_EQ(entries[i].dmaId, c.entries[i].dmaId) << "entry " << i;
            EXPECT_EQ(entries[i].attributes, kUntouchedBits | c.entries[i].bits) << "entry " << i;
        }
        EXPECT_EQ(entries[count].dmaId, kUntouchedId);
    }
}

TEST(EnumDmaId, WholeCatalogue) {
    DMA_RESULT result;
    uint16_t count;
    auto entries = Enumerate(1, 1135, &result, &count);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(count, 1135);
    EXPECT_EQ(entries[0].dmaId, 0x101u);
    // Range 1-25 comes last in the directory: the DEVMODEW members.
    for (uint32_t i = 0; i < 25; ++i) EXPECT_EQ(entries[1110 + i].dmaId, i + 1);
    EXPECT_EQ(entries[1135].dmaId, kUntouchedId);

    auto bitsOf = [&](uint32_t dmaId) {
        for (uint16_t i = 0; i < count; ++i)
            if (entries[i].dmaId == dmaId) return entries[i].attributes & 3u;
        ADD_FAILURE() << "DMA ID " << dmaId << " not listed";
        return 0xFFu;
    };
    EXPECT_EQ(bitsOf(0x1), S);      // dmDeviceName
    EXPECT_EQ(bitsOf(0x130), F);    // item 304, a font
    EXPECT_EQ(bitsOf(0x2), 0u);
    EXPECT_EQ(bitsOf(0x202B), 0u);  // flag 1370 through its own map range
    // Items of the protected range come back with their ordinary DMA ID.
    EXPECT_EQ(bitsOf(0x427), S);
    for (uint16_t i = 0; i < count; ++i) {
        EXPECT_FALSE(entries[i].dmaId >= 0x9001 && entries[i].dmaId <= 0x900A);
        EXPECT_EQ(entries[i].attributes & ~3u, kUntouchedBits);
    }
}

// The catalogue walk against the stored-order model: every row of every
// range in directory order, translated by the full scan of the public map
// (first matching pair in directory order).
uint16_t FullScanItemToDma(uint16_t itemId) {
    for (const dma::PublicIdRange &range : dma::PublicIdDirectory())
        for (const dma::IdPair *p = range.pairs; p->itemId != 0; ++p)
            if (p->itemId == itemId && p->dmaId != 0) return p->dmaId;
    return 0;
}

TEST(EnumDmaId, CatalogueWalkMatchesFullScanModel) {
    std::vector<DmaIdEntry> model;
    for (const dma::ItemRange &range : dma::RangeDirectory()) {
        for (const dma::ItemDescriptor *row = range.items; row->itemId != 0; ++row) {
            uint16_t dmaId = FullScanItemToDma(row->itemId);
            if (dmaId == 0) continue;
            uint32_t bits = row->valueType == DMA_VT_STRING    ? S
                            : row->valueType == DMA_VT_LOGFONT ? F
                                                               : 0u;
            model.push_back({dmaId, bits});
        }
    }
    ASSERT_EQ(model.size(), 1135u);
    DMA_RESULT result;
    uint16_t count;
    auto entries = Enumerate(1, 1135, &result, &count);
    ASSERT_EQ(result, 1);
    ASSERT_EQ(count, model.size());
    for (size_t i = 0; i < model.size(); ++i) {
        ASSERT_EQ(entries[i].dmaId, model[i].dmaId) << "entry " << i;
        ASSERT_EQ(entries[i].attributes & 3u, model[i].attributes) << "entry " << i;
    }
}

TEST(EnumDmaId, CapacityTooSmall) {
    const struct {
        int32_t type;
        uint16_t capacity;
    } cases[] = {{3, 3}, {4, 0}, {1, 1134}, {1, 1}, {5, 16}, {7, 6}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " capacity " << c.capacity);
        DMA_RESULT result;
        uint16_t count;
        auto entries = Enumerate(c.type, c.capacity, &result, &count);
        EXPECT_EQ(result, -5);
        EXPECT_EQ(count, c.capacity);  // left as it was
        for (uint16_t i = 0; i < c.capacity; ++i) EXPECT_NE(entries[i].dmaId, kUntouchedId);
        EXPECT_EQ(entries[c.capacity].dmaId, kUntouchedId);
        EXPECT_EQ(entries[c.capacity].attributes, kUntouchedBits);
    }
}

TEST(EnumDmaId, LargerCapacityReportsTheNumberWritten) {
    DMA_RESULT result;
    uint16_t count;
    auto entries = Enumerate(3, 40, &result, &count);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(entries[5].dmaId, kUntouchedId);
}

TEST(EnumDmaId, RejectedArguments) {
    Records r;
    DmaIdEntry entries[4] = {Untouched(), Untouched(), Untouched(), Untouched()};
    for (int32_t type : {0, 6, 8, -1, 0x7FFFFFFF}) {
        SCOPED_TRACE(type);
        uint16_t count = 4;
        EXPECT_EQ(DMA_EnumDMAID_ByTargetInfo(&r.ctx, type, &count, entries), -19);
        EXPECT_EQ(DMA_EnumDMAID_ByTargetInfo(&r.ctx, type, &count, nullptr), -19);
        EXPECT_EQ(count, 4);
    }
    uint16_t count = 4;
    EXPECT_EQ(DMA_EnumDMAID_ByTargetInfo(nullptr, 3, &count, entries), -10);
    EXPECT_EQ(DMA_EnumDMAID_ByTargetInfo(&r.ctx, 3, nullptr, entries), -10);
    EXPECT_EQ(DMA_EnumDMAID_ByTargetInfo(nullptr, 6, &count, entries), -10);
    for (const DmaIdEntry &e : entries) EXPECT_EQ(e.dmaId, kUntouchedId);
}

TEST(EnumDmaId, ContextIsOnlyTestedForNull) {
    // The enumeration reads no record: a context without any gives the same.
    Records r;
    r.ctx.devMode = r.ctx.secondary = r.ctx.faxAddressBlock = nullptr;
    uint16_t count = 0;
    EXPECT_EQ(DMA_EnumDMAID_ByTargetInfo(&r.ctx, 1, &count, nullptr), -5);
    EXPECT_EQ(count, 1135);
}

}  // namespace
