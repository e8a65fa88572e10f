// describe.cpp - ranges, linked settings and aliases of one setting.
#include "describe.h"

#include <algorithm>

#include <fmt/format.h>

#include "names.h"
#include "value_format.h"

namespace dmaclient {
namespace {

uint64_t Extent(const Location &l) { return l.size ? l.size : static_cast<uint64_t>(l.width); }

// Two settings share bytes when their places overlap in one area, unless
// both are single bits or bytes of one word with different masks.
bool SharesBytes(const Location &a, const Location &b) {
    if (a.area == kFaxArea || !BytesOverlap(a, b)) return false;
    const uint32_t ma = a.flagMask ? a.flagMask : IsPackedByteItem(a.itemId) ? PackedByteMask(a.itemId) : 0;
    const uint32_t mb = b.flagMask ? b.flagMask : IsPackedByteItem(b.itemId) ? PackedByteMask(b.itemId) : 0;
    if (ma && mb && a.offset == b.offset && !(ma & mb)) return false;
    return true;
}

// The settings that take part in the paired rule: dmOrientation and the
// class setting (item 295).
constexpr uint16_t kOrientation = 0x0007;

}  // namespace

std::vector<uint16_t> CatalogueIds(DmaContext &ctx, int target) {
    std::vector<uint16_t> ids;
    for (const DmaIdEntry &e : EnumerateIds(ctx, target)) ids.push_back(static_cast<uint16_t>(e.dmaId));
    if (target == 1) {
        for (uint16_t id = DMA_ID_PROTECTED_FIRST; id <= DMA_ID_PROTECTED_LAST; ++id) ids.push_back(id);
        ids.push_back(DMA_ID_FAX_HEADER1);
        ids.push_back(DMA_ID_FAX_HEADER2);
        std::sort(ids.begin(), ids.end());
    }
    return ids;
}

bool DescribeForCatalogue(DmaContext &ctx, uint16_t dmaId, Setting &s) {
    if (DescribeSetting(ctx, dmaId, s) == DMA_OK) return true;
    if (auto l = Locate(dmaId)) s.where = *l;
    s.kind = s.where.valueType == DMA_VT_STRING    ? ValueKind::String
             : s.where.valueType == DMA_VT_LOGFONT ? ValueKind::Font
                                                   : ValueKind::Integer;
    return false;
}

bool BytesOverlap(const Location &a, const Location &b) {
    return a.area == b.area && a.offset < b.offset + Extent(b) && b.offset < a.offset + Extent(a);
}

std::optional<int64_t> LinkedOutcome(const RecordSet &records, const Setting &driver, int64_t value,
                                     int64_t orientation, int64_t classValue) {
    RecordSet scratch = records;
    DmaContext ctx = scratch.Context();
    const uint16_t follower = LinkedSettingOf(driver);
    if (!follower) return std::nullopt;
    Value v;
    v.kind = ValueKind::Integer;
    if (orientation >= 0) {
        v.integer = orientation;
        WriteSetting(ctx, RequireSetting(ctx, kOrientation), v);
    }
    if (classValue >= 0) {
        v.integer = classValue;
        WriteSetting(ctx, RequireSetting(ctx, DmaIdOfItem(295)), v);
    }
    v.integer = value;
    if (WriteSetting(ctx, driver, v) != DMA_OK) return std::nullopt;
    Value d;
    if (ReadSetting(ctx, RequireSetting(ctx, follower), d) != DMA_OK) return std::nullopt;
    return d.integer;
}

Relations DescribeRelations(DmaContext &ctx, const RecordSet &records, const Setting &s) {
    Relations r;
    const Location &l = s.where;
    if (s.kind == ValueKind::Integer) {
        int64_t lo, hi;
        IntegerRange(l, lo, hi);
        r.range = l.flagMask ? "0 or 1 (off/on)" : fmt::format("{} to {}", lo, hi);
    } else if (s.kind == ValueKind::String) {
        r.range = IsProtectedId(s.dmaId) ? "text, stored scrambled; the stored form must fit the field"
                                         : fmt::format("text of at most {} characters", s.size > 0 ? s.size - 1 : 0);
    } else {
        r.range = "font members (height ... pitchandfamily) and a face name of at most 31 characters";
    }
    const std::vector<Setting> all = AvailableSettings(ctx);
    const uint16_t classId = DmaIdOfItem(295);
    if (const uint16_t linked = LinkedSettingOf(s)) r.drives.push_back(linked);
    for (const Setting &o : all) {
        if (o.dmaId == s.dmaId) continue;
        if (LinkedSettingOf(o) == s.dmaId) {
            r.drivenBy.push_back(o.dmaId);
            // The paired settings also follow dmOrientation and the class
            // setting, which their drivers read.
            if (o.where.itemId != 267) {
                r.drivenBy.push_back(kOrientation);
                r.drivenBy.push_back(classId);
            }
        }
        if (!l.plainId && !o.where.plainId && SharesBytes(l, o.where)) r.aliases.push_back(o.dmaId);
    }

    // The rule, asked of the library: every value the derived setting has an
    // entry for, written under each orientation (1, 2) and class (1: the
    // values 1, 4, 16; 2: 2, 8, 32) on a copy of the records.
    const uint16_t linked = LinkedSettingOf(s);
    if (!linked) return r;
    auto derive = [&](int64_t value, int orientation, int classValue, std::string &out) {
        const std::optional<int64_t> d = LinkedOutcome(records, s, value, orientation, classValue);
        if (d) out = fmt::format("0x{:04X}", *d);
        return d.has_value();
    };
    int64_t lo, hi;
    IntegerRange(l, lo, hi);
    for (int64_t value = 0; value <= std::min<int64_t>(hi, 64); ++value) {
        if (l.itemId == 267) {
            std::string d;
            if (derive(value, -1, -1, d)) r.rule.push_back(fmt::format("{:>2} -> {} {}", value, FormatId(linked), d));
            continue;
        }
        // Agreeing: portrait with class 1 or landscape with class 2.
        std::string agree, agree2, crossed, crossed2, any;
        const bool a1 = derive(value, 1, 1, agree), a2 = derive(value, 2, 2, agree2);
        const bool c1 = derive(value, 1, 2, crossed), c2 = derive(value, 2, 1, crossed2);
        const bool free = derive(value, 0, 3, any);  // no orientation, no class
        if (free) {
            r.rule.push_back(fmt::format("{:>2} -> {} whatever the orientation and class", value, any));
        } else if (a1 || a2 || c1 || c2) {
            r.rule.push_back(fmt::format("{:>2} -> {} agreeing, {} crossed", value, a1 ? agree : agree2,
                                         c1 ? crossed : crossed2));
        }
    }
    if (l.itemId != 267)
        r.rule.insert(r.rule.begin(),
                      fmt::format("{} follows the value, dmOrientation and {}: agreeing is dmOrientation 1 with {} "
                                  "1, 4 or 16, or 2 with 2, 8 or 32; crossed the other pairs; any other orientation "
                                  "or class is refused, except where noted",
                                  FormatId(linked), FormatId(classId), FormatId(classId)));
    r.rule.push_back(fmt::format("any other value is refused: {} cannot follow it", FormatId(linked)));
    return r;
}

}  // namespace dmaclient
