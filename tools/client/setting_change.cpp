// setting_change.cpp - a setting written, and the settings that followed it.
#include "setting_change.h"

#include <map>

#include <fmt/format.h>

#include "names.h"

namespace dmaclient {
namespace {

std::map<uint16_t, Reading> ReadAll(DmaContext &ctx, const std::vector<Setting> &settings) {
    std::map<uint16_t, Reading> out;
    for (const Setting &s : settings) {
        Reading r;
        r.result = ReadSetting(ctx, s, r.value);
        out[s.dmaId] = r;
    }
    return out;
}

bool Changed(const Record &before, const Record &after) { return before.bytes != after.bytes; }

}  // namespace

SettingChange ChangeSetting(const RecordSelection &selection, const std::string &idText,
                            const std::vector<std::string> &words) {
    SettingChange c;
    const uint16_t id = ParseDmaId(idText);
    RecordSet before = LoadRecordSet(selection);
    RecordSet after = before;
    DmaContext ctx = after.Context();
    c.target = RequireSetting(ctx, id);
    c.all = AvailableSettings(ctx);
    const auto old = ReadAll(ctx, c.all);

    Value current;
    if (ReadSetting(ctx, c.target, current) != DMA_OK || c.target.where.plainId) current = Value{};
    current.kind = c.target.kind;
    const Value wanted = ParseValue(c.target, words, current);
    const DMA_RESULT r = WriteSetting(ctx, c.target, wanted);
    if (r != DMA_OK) {
        const std::string hint = r == DMA_E_FAILED ? LinkedSettingHint(c.target, false) : "";
        throw UserError(fmt::format("set {}: {}{}; nothing was changed", IdLabel(id), ResultMessage(r), hint));
    }

    const auto now = ReadAll(ctx, c.all);
    for (const Setting &s : c.all)
        if (s.dmaId != id && !(old.at(s.dmaId) == now.at(s.dmaId)))
            c.followed.push_back({&s, old.at(s.dmaId), now.at(s.dmaId)});
    if (old.count(id)) {
        c.hadPrevious = true;
        c.previous = old.at(id);
    }
    c.readable = !c.target.where.plainId && ReadSetting(ctx, c.target, c.value) == DMA_OK;
    c.written = SaveChangedRecords(before, after);
    const bool faxChanged = before.faxBlock && Changed(*before.faxBlock, *after.faxBlock);
    c.anyChange = Changed(before.devMode, after.devMode) || Changed(before.secondary, after.secondary) || faxChanged;
    c.unsaved = (!after.devMode.FromFile() && Changed(before.devMode, after.devMode)) ||
                (!after.secondary.FromFile() && Changed(before.secondary, after.secondary)) ||
                (faxChanged && !after.faxBlock->FromFile());
    return c;
}

}  // namespace dmaclient
