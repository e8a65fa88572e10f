// linked_test.cpp - the derivations that keep items 325, 326 and 344 in step
// with items 267, 320 and 341.  The expected values are the resulting
// derivation tables (agreeing / crossed orientation and class), written out
// independently of the row and rule tables the code walks.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/engine.h"

namespace {

using dma::DeriveItem325;
using dma::DerivePairedValue;
using dma::MatchPairRule;
using dma::PairInput;
using dma::PairRule;

constexpr uint16_t kUntouched = 0xBEEF;

TEST(DeriveItem325, EveryListedValue) {
    const uint16_t expected[] = {0, 3, 4, 3, 2, 1, 1, 4, 2};
    for (uint16_t v = 0; v < 9; ++v) {
        uint16_t out = kUntouched;
        EXPECT_EQ(DeriveItem325(v, &out), 0) << v;
        EXPECT_EQ(out, expected[v]) << v;
    }
}

TEST(DeriveItem325, ValuesWithoutEntryAndNullResult) {
    for (uint32_t v : {9u, 10u, 0x100u, 0x105u, 0xFFFFu}) {
        uint16_t out = kUntouched;
        EXPECT_EQ(DeriveItem325(static_cast<uint16_t>(v), &out), 1) << v;
        EXPECT_EQ(out, kUntouched) << v;
    }
    EXPECT_EQ(DeriveItem325(1, nullptr), 1);
}

// The classes of item 295 and values that belong to neither.
const uint16_t kClass1[] = {1, 4, 16};
const uint16_t kClass2[] = {2, 8, 32};
const uint16_t kNoClass[] = {0, 3, 5, 6, 7, 9, 15, 17, 31, 33, 64, 0x101, 0xFFFF};

struct Derivation {
    uint16_t newValue;
    uint16_t agreeing;  // orientation 1 with class 1, or 2 with class 2
    uint16_t crossed;   // orientation 1 with class 2, or 2 with class 1
};

const Derivation k326[] = {
    {0, 0x0000, 0x0000},   {1, 0x0303, 0x0202},   {2, 0x0103, 0x0203},   {3, 0x0101, 0x0303},
    {4, 0x0104, 0x0103},   {5, 0x0404, 0x0101},   {6, 0x0204, 0x0104},   {7, 0x0202, 0x0404},
    {8, 0x0203, 0x0204},   {9, 0x0606, 0x0606},   {10, 0x0707, 0x0707},  {11, 0x0808, 0x0808},
    {12, 0x0B0B, 0x0A0A},  {13, 0x0909, 0x0B0B},  {14, 0x0C0C, 0x0909},  {15, 0x0A0A, 0x0C0C},
};
const Derivation k344[] = {
    {0, 0x0000, 0x0000}, {1, 0x0303, 0x0202}, {2, 0x0101, 0x0303},
    {3, 0x0404, 0x0101}, {4, 0x0202, 0x0404}, {5, 0x0606, 0x0606},
    {0xFFFF, 0xFFFF, 0xFFFF},  // row 5: its rules give rows 5/6, both 0xFFFF for 344
};

// Values whose result does not depend on orientation or item 295.
bool Unconditional(uint16_t item, uint16_t v) {
    return item == 320 ? (v == 0 || v == 9 || v == 10 || v == 11) : (v == 0 || v == 5);
}

void CheckItem(uint16_t item, const Derivation *table, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const Derivation &d = table[i];
        for (uint16_t orient : {1, 2}) {
            for (int cls : {1, 2}) {
                for (uint16_t v295 : (cls == 1 ? kClass1 : kClass2)) {
                    PairInput in{orient, v295, d.newValue};
                    uint16_t out = kUntouched;
                    ASSERT_EQ(DerivePairedValue(item, &in, &out), 0)
                        << item << " v=" << d.newValue << " o=" << orient << " 295=" << v295;
                    EXPECT_EQ(out, orient == cls ? d.agreeing : d.crossed)
                        << item << " v=" << d.newValue << " o=" << orient << " 295=" << v295;
                }
            }
        }
        // Orientation outside 1..2, or item 295 in neither class.
        std::vector<PairInput> outside;
        for (uint16_t orient : {0, 3, 0xFFFF})
            outside.push_back(PairInput{orient, 1, d.newValue});
        for (uint16_t v295 : kNoClass) {
            outside.push_back(PairInput{1, v295, d.newValue});
            outside.push_back(PairInput{2, v295, d.newValue});
        }
        for (const PairInput &in : outside) {
            uint16_t out = kUntouched;
            int status = DerivePairedValue(item, &in, &out);
            if (Unconditional(item, d.newValue)) {
                EXPECT_EQ(status, 0) << item << " v=" << d.newValue;
                EXPECT_EQ(out, d.agreeing) << item << " v=" << d.newValue;
            } else {
                EXPECT_EQ(status, 1) << item << " v=" << d.newValue << " o=" << in.orientation
                                     << " 295=" << in.item295;
                EXPECT_EQ(out, kUntouched);
            }
        }
    }
}

TEST(DerivePairedValue, Item320EveryValueOrientationAndClass) {
    CheckItem(320, k326, std::size(k326));
}

TEST(DerivePairedValue, Item341EveryValueOrientationAndClass) {
    CheckItem(341, k344, std::size(k344));
}

// The compiled table against the row walk it was compiled from, over the new
// values at both ends of their range and a spread of orientations and
// item-295 values.
TEST(DerivePairedValue, CompiledTableAgreesWithRowWalk) {
    for (uint16_t item : {320, 341, 319, 0}) {
        for (uint32_t v = 0; v <= 0xFFFF; v = v == 0x3FF ? 0xFC00 : v + 1) {
            for (uint16_t orient : {0, 1, 2, 3, 0x101, 0xFFFF}) {
                for (uint16_t v295 : {0, 1, 2, 3, 4, 8, 16, 32, 33, 0x101, 0xFFFF}) {
                    const PairInput in{orient, v295, static_cast<uint16_t>(v)};
                    uint16_t fast = kUntouched, walk = kUntouched;
                    const int a = DerivePairedValue(item, &in, &fast);
                    const int b = dma::DerivePairedValueByRules(item, &in, &walk);
                    if (a != b || fast != walk)
                        FAIL() << item << " v=" << v << " o=" << orient << " 295=" << v295;
                }
            }
        }
    }
}

TEST(DerivePairedValue, ValuesWithoutRow) {
    struct Case { uint16_t item; uint16_t value; };
    const Case cases[] = {
        {320, 16}, {320, 17}, {320, 0x0100}, {320, 0xFFFF},
        {341, 6}, {341, 7}, {341, 12}, {341, 15}, {341, 16}, {341, 0x0102},
    };
    for (const Case &c : cases) {
        for (uint16_t orient : {1, 2}) {
            PairInput in{orient, 1, c.value};
            uint16_t out = kUntouched;
            EXPECT_EQ(DerivePairedValue(c.item, &in, &out), 1) << c.item << " " << c.value;
            EXPECT_EQ(out, kUntouched);
        }
    }
}

TEST(DerivePairedValue, OtherItemsAndNullPointers) {
    PairInput in{1, 1, 0};
    uint16_t out = kUntouched;
    for (uint16_t item : {0, 267, 319, 321, 325, 326, 340, 342, 344}) {
        EXPECT_EQ(DerivePairedValue(item, &in, &out), 1) << item;
    }
    EXPECT_EQ(out, kUntouched);
    EXPECT_EQ(DerivePairedValue(320, nullptr, &out), 1);
    EXPECT_EQ(DerivePairedValue(320, &in, nullptr), 1);
    EXPECT_EQ(out, kUntouched);
}

TEST(DerivePairedValue, ListedExamples) {
    struct Case { uint16_t item, orient, v295, value; int status; uint16_t result; };
    const Case cases[] = {
        {320, 1, 4, 5, 0, 0x0404},
        {320, 2, 4, 5, 0, 0x0101},
        {320, 1, 8, 5, 0, 0x0101},
        {320, 0, 3, 9, 0, 0x0606},
        {320, 0, 1, 1, 1, 0},
        {320, 1, 0, 1, 1, 0},
        {320, 1, 3, 1, 1, 0},
        {341, 1, 1, 2, 0, 0x0101},  // row 1, not the repeat in row 12
        {341, 2, 32, 0xFFFF, 0, 0xFFFF},
        {320, 1, 1, 5, 0, 0x0404},  // class 1, portrait: agreeing
    };
    for (const Case &c : cases) {
        PairInput in{c.orient, c.v295, c.value};
        uint16_t out = kUntouched;
        EXPECT_EQ(DerivePairedValue(c.item, &in, &out), c.status) << c.item << " " << c.value;
        EXPECT_EQ(out, c.status == 0 ? c.result : kUntouched) << c.item << " " << c.value;
    }
}

constexpr PairRule kEnd{0, 99, 0, 0};

TEST(MatchPairRule, SelectorChoosesFirstOrSecondResult) {
    const PairRule list[] = {{1, 2, 7, 6}, {2, 1, 7, 6}, {1, 1, 7, 3}, {2, 2, 7, 3}, kEnd};
    struct Case { uint16_t selector, orient, v295, row; };
    const Case cases[] = {
        {1, 1, 8, 6}, {1, 2, 16, 6}, {1, 1, 4, 3}, {1, 2, 32, 3},
        {0, 1, 8, 7}, {0, 2, 16, 7}, {0, 1, 4, 7}, {0, 2, 32, 7},
        {2, 1, 8, 7}, {0xFFFF, 1, 4, 7},
    };
    for (const Case &c : cases) {
        PairInput in{c.orient, c.v295, 0};
        uint16_t row = kUntouched;
        EXPECT_EQ(MatchPairRule(c.selector, list, &in, &row), 0) << c.selector;
        EXPECT_EQ(row, c.row) << c.selector << " " << c.orient << " " << c.v295;
    }
}

TEST(MatchPairRule, Failures) {
    const PairRule normal[] = {{1, 1, 1, 1}, {2, 2, 1, 1}, kEnd};
    const PairRule emptyList[] = {kEnd};
    // A bad condition on a rule for this orientation ends the search even
    // when a later rule would hold.
    const PairRule badCondition[] = {{1, 5, 1, 1}, {1, 1, 2, 2}, kEnd};
    // The end rule stops the walk whatever its key.
    const PairRule endWithKey[] = {{2, 1, 1, 1}, {1, 99, 4, 4}, {1, 1, 3, 3}, kEnd};
    struct Case { const PairRule *rules; uint16_t orient, v295; };
    const Case cases[] = {
        {emptyList, 1, 1}, {emptyList, 0, 0},
        {normal, 1, 2}, {normal, 2, 1}, {normal, 0, 1}, {normal, 3, 1}, {normal, 1, 3},
        {badCondition, 1, 1},
        {endWithKey, 1, 1},
    };
    for (const Case &c : cases) {
        PairInput in{c.orient, c.v295, 0};
        uint16_t row = kUntouched;
        EXPECT_EQ(MatchPairRule(1, c.rules, &in, &row), 1) << c.orient << " " << c.v295;
        EXPECT_EQ(row, kUntouched);
    }
    // The bad condition only counts for a rule of this orientation.
    PairInput other{2, 2, 0};
    uint16_t row = kUntouched;
    const PairRule skipBad[] = {{1, 5, 1, 1}, {2, 2, 9, 8}, kEnd};
    EXPECT_EQ(MatchPairRule(1, skipBad, &other, &row), 0);
    EXPECT_EQ(row, 8);

    PairInput in{1, 1, 0};
    EXPECT_EQ(MatchPairRule(1, nullptr, &in, &row), 1);
    EXPECT_EQ(MatchPairRule(1, normal, nullptr, &row), 1);
    EXPECT_EQ(MatchPairRule(1, normal, &in, nullptr), 1);
}

}  // namespace
