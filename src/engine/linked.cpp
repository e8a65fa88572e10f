// linked.cpp - the settings that follow another setting.
//
// Three one-byte settings of the DEVMODEW private part drive a second one:
//   item 267 -> item 325   (a plain table lookup on the new value)
//   item 320 -> item 326   (new value, dmOrientation and item 295)
//   item 341 -> item 344   (new value, dmOrientation and item 295)
// Items 326 and 344 hold two bytes packed into a word (0x0103 and so on).
//
// The paired derivation works in two steps: the new value selects a row of
// PairRowTable (column 0 for item 320, column 1 for item 341); the row's
// rule list then picks a result row by orientation and the class of item
// 295, and PairValueTable at that result row gives the packed value.  Rows
// without rules (0, 9, 10, 11) are their own result row.
//
// Everything here is a pure function of its arguments over constant tables.
// The derivation is compiled into a table over every input that can change
// its answer; the row walk that defines it stays beside it.
#include "engine/engine.h"

#include <array>

namespace dma {
namespace {

constexpr uint16_t kEndCondition = 99;
constexpr size_t kPairRows = 16;
constexpr size_t kRulesPerRow = 4;

// Item 267's value (index) -> item 325's value.
constexpr std::array<uint16_t, 9> kDeriveItem325Table = {0, 3, 4, 3, 2, 1, 1, 4, 2};

// New value of item 320 (cell 0) or 341 (cell 1) that selects each row.
// 0xFFFF marks rows that item 341 has no value for; the search for 341 stops
// at the earlier rows 1-5 before reaching the repeats in rows 12-15.
constexpr uint16_t kPairRowTable[kPairRows][2] = {
    {0, 0},       {3, 2},       {5, 3},        {7, 4},
    {1, 1},       {4, 0xFFFF},  {2, 0xFFFF},   {6, 0xFFFF},
    {8, 0xFFFF},  {9, 5},       {10, 0xFFFF},  {11, 0xFFFF},
    {13, 2},      {14, 3},      {15, 4},       {12, 1},
};

// Packed value written to item 326 (cell 0) or 344 (cell 1) per result row.
constexpr uint16_t kPairValueTable[kPairRows][2] = {
    {0x0000, 0x0000}, {0x0101, 0x0101}, {0x0202, 0x0202}, {0x0303, 0x0303},
    {0x0404, 0x0404}, {0x0103, 0xFFFF}, {0x0104, 0xFFFF}, {0x0204, 0xFFFF},
    {0x0203, 0xFFFF}, {0x0606, 0x0606}, {0x0707, 0xFFFF}, {0x0808, 0xFFFF},
    {0x0909, 0x0101}, {0x0A0A, 0x0202}, {0x0B0B, 0x0303}, {0x0C0C, 0x0404},
};

// The rules of each row: {key (orientation), condition (class of item 295),
// first result, second result}.  A row whose rules are all zero has none.
// Each list pairs the two orientations with opposite classes, so its first
// two rules give one result for "agreeing" orientation/class and the last
// two another for "crossed".
constexpr PairRule kPairRowRules[kPairRows][kRulesPerRow] = {
    {},
    {{1, 1, 1, 1}, {2, 2, 1, 1}, {1, 2, 1, 3}, {2, 1, 1, 3}},
    {{1, 2, 2, 1}, {2, 1, 2, 1}, {1, 1, 2, 4}, {2, 2, 2, 4}},
    {{1, 1, 3, 2}, {2, 2, 3, 2}, {1, 2, 3, 4}, {2, 1, 3, 4}},
    {{1, 2, 4, 2}, {2, 1, 4, 2}, {1, 1, 4, 3}, {2, 2, 4, 3}},
    {{1, 2, 5, 5}, {2, 1, 5, 5}, {1, 1, 5, 6}, {2, 2, 5, 6}},
    {{1, 1, 6, 5}, {2, 2, 6, 5}, {1, 2, 6, 8}, {2, 1, 6, 8}},
    {{1, 2, 7, 6}, {2, 1, 7, 6}, {1, 1, 7, 7}, {2, 2, 7, 7}},
    {{1, 2, 8, 7}, {2, 1, 8, 7}, {1, 1, 8, 8}, {2, 2, 8, 8}},
    {},
    {},
    {},
    {{1, 1, 12, 12}, {2, 2, 12, 12}, {1, 2, 12, 14}, {2, 1, 12, 14}},
    {{1, 2, 13, 12}, {2, 1, 13, 12}, {1, 1, 13, 15}, {2, 2, 13, 15}},
    {{1, 1, 14, 13}, {2, 2, 14, 13}, {1, 2, 14, 15}, {2, 1, 14, 15}},
    {{1, 2, 15, 13}, {2, 1, 15, 13}, {1, 1, 15, 14}, {2, 2, 15, 14}},
};

constexpr bool RowHasRules(size_t row) { return kPairRowRules[row][0].condition != 0; }

// The tables must agree with each other: every rule names a valid result
// row, its first result is the row it belongs to, and each list holds one
// rule per (orientation, class) combination.
constexpr bool RuleTablesConsistent() {
    for (size_t row = 0; row < kPairRows; ++row) {
        if (!RowHasRules(row)) {
            for (const PairRule &r : kPairRowRules[row])
                if (r.key || r.condition || r.first || r.second) return false;
            continue;
        }
        unsigned seen = 0;
        for (const PairRule &r : kPairRowRules[row]) {
            if (r.key < 1 || r.key > 2 || r.condition < 1 || r.condition > 2) return false;
            if (r.first != row || r.second >= kPairRows) return false;
            seen |= 1u << ((r.key - 1) * 2 + (r.condition - 1));
        }
        if (seen != 0xF) return false;
    }
    return true;
}
static_assert(RuleTablesConsistent(), "pair rule lists are inconsistent");

// Class of an item-295 value: 1 for 1, 4, 16; 2 for 2, 8, 32; 0 otherwise.
constexpr int ClassOf(uint16_t item295) {
    switch (item295) {
    case 1: case 4: case 16: return 1;
    case 2: case 8: case 32: return 2;
    default: return 0;
    }
}

// The rule walk of MatchPairRule, usable at compile time.
constexpr int MatchRule(uint16_t selector, const PairRule *rules, const PairInput &input,
                        uint16_t *resultRow) {
    const int cls = ClassOf(input.item295);
    for (const PairRule *r = rules; r->condition != kEndCondition; ++r) {
        if (r->key != input.orientation) continue;
        if (r->condition != 1 && r->condition != 2) return 1;
        if (r->condition == cls) {
            *resultRow = selector == 1 ? r->second : r->first;
            return 0;
        }
    }
    return 1;
}

// Row search in stored order, then the row's rules (selector 1), then the
// packed value of the result row.  Writes nothing on failure.
constexpr int DerivePaired(size_t column, const PairInput &input, uint16_t *result) {
    size_t row = 0;
    while (row < kPairRows && kPairRowTable[row][column] != input.newValue) ++row;
    if (row == kPairRows) return 1;

    uint16_t resultRow = static_cast<uint16_t>(row);
    if (RowHasRules(row)) {
        PairRule list[kRulesPerRow + 1] = {};
        for (size_t i = 0; i < kRulesPerRow; ++i) list[i] = kPairRowRules[row][i];
        list[kRulesPerRow] = PairRule{0, kEndCondition, 0, 0};
        // A rule's result row is a row of the tables (RuleTablesConsistent).
        if (MatchRule(1, list, input, &resultRow) != 0) return 1;
    }
    *result = kPairValueTable[resultRow][column];
    return 0;
}

// The derivation over every input that can change its answer, compiled: the
// new value (0-15, and 0xFFFF, which marks the rows item 341 has no value for
// and so is found by the row search), dmOrientation (1, 2, anything else)
// and the class of item 295 (0, 1, 2).  -1 where the derivation fails.
constexpr size_t kValueKeys = 17;
constexpr uint16_t ValueOfKey(size_t key) { return key < 16 ? static_cast<uint16_t>(key) : 0xFFFF; }
constexpr uint16_t kItem295OfClass[3] = {0, 1, 2};

using PairTable = std::array<std::array<std::array<std::array<int32_t, 3>, 3>, kValueKeys>, 2>;
constexpr PairTable CompilePairTable() {
    PairTable t{};
    for (size_t column = 0; column < 2; ++column)
        for (size_t key = 0; key < kValueKeys; ++key)
            for (uint16_t o = 0; o < 3; ++o)
                for (size_t c = 0; c < 3; ++c) {
                    // Orientation 0 stands for every value other than 1 and 2.
                    const PairInput input{o, kItem295OfClass[c], ValueOfKey(key)};
                    uint16_t v = 0;
                    t[column][key][o][c] = DerivePaired(column, input, &v) == 0 ? v : -1;
                }
    return t;
}
constexpr PairTable kPairTable = CompilePairTable();

// ClassOf as a table over the values that have a class.
constexpr std::array<uint8_t, 33> kClassByValue = [] {
    std::array<uint8_t, 33> t{};
    for (uint16_t v = 0; v < t.size(); ++v) t[v] = static_cast<uint8_t>(ClassOf(v));
    return t;
}();

}  // namespace

// Table lookup; 1 without writing when the value is past the table or
// `result` is null.
int DeriveItem325(uint16_t value267, uint16_t *result) {
    if (result == nullptr || value267 >= kDeriveItem325Table.size()) return 1;
    *result = kDeriveItem325Table[value267];
    return 0;
}

// Walks `rules` up to the end rule (condition 99).  Rules for another
// orientation are passed over; the first rule for this orientation whose
// class condition holds gives the result (second result for selector 1,
// first otherwise).  A rule with a condition other than 1 or 2 ends the
// search unsuccessfully, and so does the end rule: the walk never goes past
// it, whatever its key.
int MatchPairRule(uint16_t selector, const PairRule *rules, const PairInput *input,
                  uint16_t *resultRow) {
    if (rules == nullptr || input == nullptr || resultRow == nullptr) return 1;
    return MatchRule(selector, rules, *input, resultRow);
}

int DerivePairedValue(uint16_t itemId, const PairInput *input, uint16_t *result) {
    if (input == nullptr || result == nullptr) return 1;
    size_t column;
    if (itemId == 320) column = 0;
    else if (itemId == 341) column = 1;
    else return 1;

    size_t key;
    if (input->newValue < 16) key = input->newValue;
    else if (input->newValue == 0xFFFF) key = 16;
    else return 1;
    const size_t o = input->orientation == 1 || input->orientation == 2 ? input->orientation : 0;
    const size_t c = input->item295 < kClassByValue.size() ? kClassByValue[input->item295] : 0;
    const int32_t v = kPairTable[column][key][o][c];
    if (v < 0) return 1;
    *result = static_cast<uint16_t>(v);
    return 0;
}

// The row walk itself, for the tests that hold the compiled table to it.
int DerivePairedValueByRules(uint16_t itemId, const PairInput *input, uint16_t *result) {
    if (input == nullptr || result == nullptr) return 1;
    if (itemId != 320 && itemId != 341) return 1;
    return DerivePaired(itemId == 320 ? 0 : 1, *input, result);
}

}  // namespace dma
