// cmd_settings.cpp - the commands that look at and change single settings:
// catalogue, show, get, set.

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "commands.h"
#include "describe.h"
#include "json_form.h"
#include "meanings.h"
#include "names.h"
#include "setting_change.h"
#include "settings.h"

namespace dmactl {

namespace {

std::string StoredText(const Location &l) {
    if (l.area == kFaxArea) return fmt::format("fax block byte {}, {} bytes", l.offset, l.size);
    std::string s = fmt::format("{} offset {}, {} bytes", AreaName(l.area), l.offset,
                                l.size ? l.size : static_cast<uint32_t>(l.width));
    if (l.flagMask) s += fmt::format(", bit mask 0x{:08X}", l.flagMask);
    return s;
}

std::string Dash(uint64_t v, bool present) { return present ? std::to_string(v) : "-"; }

int CmdCatalogue(const Globals &g, int target) {
    RecordSet set = LoadRecordSet(g.records);
    DmaContext ctx = set.Context();
    const std::vector<uint16_t> ids = CatalogueIds(ctx, target);
    const int32_t structSize = target == 1 ? 0 : static_cast<int32_t>(DMA_QueryStructSize(target));
    Json rows = Json::array();
    Table table({"DMA ID", "name", "item", "kind", "type", "buffer", "area", "offset", "width", "size"},
                {2, 5, 7, 8, 9});
    for (uint16_t id : ids) {
        Setting s;
        const bool described = DescribeForCatalogue(ctx, id, s);
        const Location &l = s.where;
        if (g.json) {
            Json j = IdJson(id);
            j["kind"] = KindName(s.kind);
            j["buffer"] = described ? Json(s.size) : Json(nullptr);
            j["location"] = LocationToJson(l);
            rows.push_back(j);
        } else {
            table.Add({FormatId(id), NameOf(id), l.itemId ? std::to_string(l.itemId) : "-",
                       std::string(KindName(s.kind)) + (IsProtectedId(id) ? " (protected)" : ""), TypeText(l),
                       Dash(s.size, described), AreaName(l.area), std::to_string(l.offset),
                       l.size ? std::string() : std::to_string(l.width),
                       l.size ? std::to_string(l.size) : (l.flagMask ? fmt::format("bit 0x{:X}", l.flagMask) : "")});
        }
    }
    if (g.json) {
        Json out{{"target", target}, {"count", ids.size()}};
        if (target != 1) out["recordSize"] = structSize;
        out["settings"] = rows;
        PrintJson(out);
    } else {
        if (target != 1) Print(fmt::format("record kind {}: {} bytes, {} fields with a DMA ID\n", target, structSize,
                                           ids.size()));
        Print(table.Render());
    }
    return 0;
}

int CmdShow(const Globals &g, const std::vector<std::string> &idTexts) {
    RecordSet set = LoadRecordSet(g.records);
    DmaContext ctx = set.Context();
    std::vector<Setting> settings;
    if (idTexts.empty()) {
        settings = AvailableSettings(ctx);
    } else {
        for (const std::string &t : idTexts) settings.push_back(RequireSetting(ctx, ParseDmaId(t)));
    }
    Table table({"DMA ID", "name", "kind", "type", "value"});
    Json rows = Json::array();
    for (const Setting &s : settings) {
        Value v;
        const DMA_RESULT r = ReadSetting(ctx, s, v);
        if (g.json) {
            Json j = IdJson(s.dmaId);
            j["kind"] = KindName(s.kind);
            j["type"] = TypeText(s.where);
            if (r == DMA_OK) {
                j["value"] = ValueToJson(v);
                AddMeaningJson(j, s, v);
                if (v.unterminated) j["unterminated"] = true;
            } else {
                j["error"] = ResultMessage(r);
            }
            rows.push_back(j);
        } else {
            std::string text = r == DMA_OK ? FormatValue(s, v) : "<unreadable: " + ResultMessage(r) + ">";
            if (s.where.plainId) text += fmt::format("  (stored form; write-only, as {})", FormatId(s.where.plainId));
            table.Add({FormatId(s.dmaId), NameOf(s.dmaId), KindName(s.kind), TypeText(s.where), text});
        }
    }
    PrintResult(g.json, Json{{"records", set.name}, {"settings", rows}}, table.Render());
    return 0;
}

int CmdGet(const Globals &g, const std::string &idText) {
    RecordSet set = LoadRecordSet(g.records);
    DmaContext ctx = set.Context();
    const Setting s = RequireSetting(ctx, ParseDmaId(idText));
    Value v;
    const DMA_RESULT r = ReadSetting(ctx, s, v);
    if (r != DMA_OK) throw UserError(fmt::format("{}: cannot be read: {}", IdLabel(s.dmaId), ResultMessage(r)));
    const Relations rel = DescribeRelations(ctx, set, s);
    auto labels = [](const std::vector<uint16_t> &list) {
        std::string t;
        for (uint16_t id : list) t += (t.empty() ? "" : ", ") + IdLabel(id);
        return t;
    };
    if (g.json) {
        Json j = SettingJson(s, v);
        AddMeaningJson(j, s, v);
        if (HasValueNames(s.dmaId)) j["valueNames"] = ValueNamesJson(s.dmaId);
        j["buffer"] = s.size;
        j["location"] = LocationToJson(s.where);
        j["range"] = rel.range;
        auto ids = [](const std::vector<uint16_t> &list) {
            Json a = Json::array();
            for (uint16_t id : list) a.push_back(IdJson(id));
            return a;
        };
        j["drives"] = ids(rel.drives);
        j["drivenBy"] = ids(rel.drivenBy);
        if (!rel.rule.empty()) j["rule"] = rel.rule;
        j["aliases"] = ids(rel.aliases);
        PrintJson(j);
        return 0;
    }
    Table t({"field", "value"});
    t.Add({"DMA ID", FormatId(s.dmaId)});
    if (!NameOf(s.dmaId).empty()) t.Add({"name", NameOf(s.dmaId)});
    if (s.where.itemId) t.Add({"item", std::to_string(s.where.itemId)});
    t.Add({"kind", KindName(s.kind)});
    t.Add({"type", TypeText(s.where)});
    t.Add({"stored", StoredText(s.where)});
    t.Add({"buffer", fmt::format("{} bytes", s.size)});
    t.Add({"range", rel.range});
    if (!rel.drives.empty()) t.Add({"drives", labels(rel.drives)});
    if (!rel.drivenBy.empty()) t.Add({"driven by", labels(rel.drivenBy)});
    for (size_t i = 0; i < rel.rule.size(); ++i) t.Add({i ? "" : "rule", rel.rule[i]});
    if (!rel.aliases.empty()) t.Add({"aliases", labels(rel.aliases)});
    if (HasValueNames(s.dmaId)) {
        // A long list (dmPaperSize names 119 values) is cut; JSON has it all.
        constexpr size_t kShown = 8;
        const std::vector<ValueName> all = ValueNamesOf(s.dmaId);
        std::string names;
        for (size_t i = 0; i < all.size() && i < kShown; ++i)
            names += fmt::format("{}{}={}", i ? " " : "", all[i].value, all[i].name);
        if (all.size() > kShown) names += fmt::format(" and {} more (--json lists them)", all.size() - kShown);
        t.Add({"value names", names});
    }
    if (s.where.plainId)
        t.Add({"note", fmt::format("write-only: the value is the stored form, as {} reads it", FormatId(s.where.plainId))});
    if (s.kind == ValueKind::Font) {
        t.Add({"value", ""});
        const Json members = ValueToJson(v);
        for (auto it = members.begin(); it != members.end(); ++it)
            t.Add({"  " + it.key(), it->is_string() ? QuoteText(it->get<std::string>()) : it->dump()});
    } else {
        t.Add({"value", FormatValue(s, v)});
    }
    Print(t.Render());
    return 0;
}

std::string ReadingText(const Setting &s, const Reading &r) {
    return r.result == DMA_OK ? FormatValue(s, r.value) : "<unreadable>";
}

Json ReadingJson(const Reading &r) { return r.result == DMA_OK ? ValueToJson(r.value) : Json(nullptr); }

int CmdSet(const Globals &g, const std::string &idText, const std::vector<std::string> &words) {
    if (!g.records.AnyFile())
        throw UserError("set: name the records to change: --set NAME or --devmode/--secondary/--fax FILE "
                        "(dmactl new NAME creates blank ones)");
    const SettingChange c = ChangeSetting(g.records, idText, words);
    const Setting &target = c.target;
    const uint16_t id = target.dmaId;
    if (g.json) {
        Json j = IdJson(id);
        j["kind"] = KindName(target.kind);
        j["value"] = c.readable ? ValueToJson(c.value) : Json(nullptr);
        if (c.readable) AddMeaningJson(j, target, c.value);
        if (c.hadPrevious) j["previous"] = ReadingJson(c.previous);
        Json linked = Json::array();
        for (const auto &f : c.followed) {
            Json l = IdJson(f.setting->dmaId);
            l["value"] = ReadingJson(f.after);
            l["previous"] = ReadingJson(f.before);
            linked.push_back(l);
        }
        j["changed"] = linked;
        j["written"] = c.written;
        j["saved"] = !c.unsaved;
        PrintJson(j);
    } else {
        std::string line;
        if (c.readable && target.kind == ValueKind::Font && c.hadPrevious && c.previous.result == DMA_OK) {
            std::string was, now;
            FontDifference(c.previous.value.font, c.value.font, was, now);
            line = fmt::format("{} = {}  (was {})", IdLabel(id), now.empty() ? "unchanged" : now,
                               was.empty() ? "the same" : was);
        } else {
            line = fmt::format("{} = {}", IdLabel(id), c.readable ? FormatValue(target, c.value) : "(write-only)");
            if (c.hadPrevious) line += "  (was " + ReadingText(target, c.previous) + ")";
        }
        Print(line + "\n");
        if (!c.followed.empty()) {
            Print("linked settings that changed with it:\n");
            Table t({"DMA ID", "name", "value", "was"});
            for (const auto &f : c.followed)
                t.Add({FormatId(f.setting->dmaId), NameOf(f.setting->dmaId), ReadingText(*f.setting, f.after),
                       ReadingText(*f.setting, f.before)});
            Print(t.Render());
        }
        Print(WrittenLines(c.written, "") + (c.anyChange ? "" : "no bytes changed\n"));
    }
    if (c.unsaved)
        Note("the change was made in the built-in default records and is not saved; "
             "give --set NAME or --devmode/--secondary/--fax files to keep it");
    return 0;
}

}  // namespace

void AddSettingsCommands(CLI::App &app, Globals &g) {
    static struct {
        int target = 1;
        std::vector<std::string> ids, words;
        std::string id;
    } a;
    auto *cat = app.add_subcommand("catalogue", "every DMA ID with its kind, buffer size and storage place");
    cat->alias("catalog");
    cat->add_option("--target", a.target, "1: whole catalogue; 2, 3, 4, 5, 7: the fields of that record kind")
        ->check(CLI::IsMember({1, 2, 3, 4, 5, 7}));
    OnRun(cat, g, [&g] { return CmdCatalogue(g, a.target); });

    auto *show = app.add_subcommand("show", "every available setting with its value, or the given DMA IDs");
    show->add_option("ids", a.ids, "DMA IDs (0x hex or decimal)");
    OnRun(show, g, [&g] { return CmdShow(g, a.ids); });

    auto *get = app.add_subcommand("get", "one setting with its value and where it is stored");
    get->add_option("id", a.id, "DMA ID")->required();
    get->alias("describe");
    OnRun(get, g, [&g] { return CmdGet(g, a.id); });

    auto *set = app.add_subcommand("set", "change one setting and show the linked settings that followed it");
    set->add_option("id", a.id, "DMA ID")->required();
    set->add_option("value", a.words, "integer (decimal, 0x hex; on/off for flags), text, or font members name=value")
        ->required();
    OnRun(set, g, [&g] { return CmdSet(g, a.id, a.words); });
}

}  // namespace dmactl
