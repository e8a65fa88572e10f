// meanings.cpp - the value names of meanings.h: the built-in table expanded
// once by DMA ID, then the team's names (names.cpp) laid over it.
#include "meanings.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "names.h"

#if defined(_WIN32)
#include <windows.h>
// Every row of the table must be the value wingdi.h gives its name.
#define MEANING(member, name, value) static_assert((name) == (value), #name " differs from wingdi.h");
#include "value_meanings.inc"
#undef MEANING
#endif

namespace dmaclient {
namespace {

struct Row {
    const char *member;
    const char *name;
    int64_t value;
};

constexpr Row kRows[] = {
#define MEANING(member, name, value) {#member, #name, value},
#include "value_meanings.inc"
#undef MEANING
};

constexpr bool SameText(const char *a, const char *b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

// Within one member, no value and no name stands twice.
constexpr bool RowsAreDistinct() {
    for (size_t i = 0; i < std::size(kRows); ++i)
        for (size_t j = i + 1; j < std::size(kRows); ++j)
            if (SameText(kRows[i].member, kRows[j].member) &&
                (kRows[i].value == kRows[j].value || SameText(kRows[i].name, kRows[j].name)))
                return false;
    return true;
}
static_assert(RowsAreDistinct(), "value_meanings.inc names a value twice, or gives a name two values");

// The table by DMA ID, each member found by its built-in name.
const std::map<uint16_t, std::vector<ValueName>> &ByDmaId() {
    static const std::map<uint16_t, std::vector<ValueName>> table = [] {
        std::map<uint16_t, std::vector<ValueName>> t;
        for (const Row &r : kRows) {
            const uint16_t id = BuiltInIdOf(r.member);
            if (id == 0) throw std::logic_error(std::string("value_meanings.inc: no setting is named ") + r.member);
            t[id].push_back({r.value, r.name});
        }
        return t;
    }();
    return table;
}

bool SameName(const std::string &a, const std::string &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

const std::vector<ValueName> &BuiltInMeanings(uint16_t dmaId) {
    static const std::vector<ValueName> none;
    const auto it = ByDmaId().find(dmaId);
    return it == ByDmaId().end() ? none : it->second;
}

std::vector<uint16_t> SettingsWithBuiltInMeanings() {
    std::vector<uint16_t> ids;
    for (const auto &kv : ByDmaId()) ids.push_back(kv.first);
    return ids;
}

bool HasValueNames(uint16_t dmaId) { return !TeamValueNames(dmaId).empty() || !BuiltInMeanings(dmaId).empty(); }

std::vector<ValueName> ValueNamesOf(uint16_t dmaId) {
    std::vector<ValueName> all = TeamValueNames(dmaId);
    for (const ValueName &b : BuiltInMeanings(dmaId))
        if (std::none_of(all.begin(), all.end(), [&](const ValueName &t) { return t.value == b.value; }))
            all.push_back(b);
    std::sort(all.begin(), all.end(), [](const ValueName &a, const ValueName &b) { return a.value < b.value; });
    return all;
}

std::string MeaningOf(uint16_t dmaId, int64_t value) {
    for (const std::vector<ValueName> *names : {&TeamValueNames(dmaId), &BuiltInMeanings(dmaId)})
        for (const ValueName &n : *names)
            if (n.value == value) return n.name;
    return {};
}

bool ValueOfMeaning(uint16_t dmaId, const std::string &text, int64_t &value) {
    for (const std::vector<ValueName> *names : {&TeamValueNames(dmaId), &BuiltInMeanings(dmaId)})
        for (const ValueName &n : *names)
            if (SameName(n.name, text)) {
                value = n.value;
                return true;
            }
    return false;
}

}  // namespace dmaclient
