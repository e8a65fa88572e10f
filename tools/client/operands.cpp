// operands.cpp - record files and sets as operands name them.
#include "operands.h"

#include <fmt/format.h>

#include "json_form.h"

namespace dmaclient {

bool EndsWith(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

RecordSelection SelectionOfFile(const std::string &path) {
    RecordSelection sel;
    if (EndsWith(path, ".devmode")) sel.devModePath = path;
    else if (EndsWith(path, ".secondary")) sel.secondaryPath = path;
    else if (EndsWith(path, ".fax")) sel.faxPath = path;
    return sel;
}

bool RecordSetExists(const std::string &name) {
    return FileExists(SetFile(name, RecordKind::DevMode)) || FileExists(SetFile(name, RecordKind::Secondary));
}

std::string ReadTextFile(const std::string &path) {
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

SettingValues ValuesOf(RecordSet &set) {
    SettingValues snap;
    DmaContext ctx = set.Context();
    for (const Setting &s : AvailableSettings(ctx)) {
        Value v;
        snap.settings[s.dmaId] = s;
        if (ReadSetting(ctx, s, v) == DMA_OK) snap.values[s.dmaId] = v;
    }
    return snap;
}

SettingValues ValuesOfOperand(const std::string &operand) { return LoadOperand(operand).values; }

namespace {
OperandValues FromSet(RecordSet set) {
    OperandValues out;
    out.values = ValuesOf(set);
    out.records = std::move(set);
    return out;
}
}  // namespace

OperandValues LoadOperand(const std::string &operand) {
    if (operand == "defaults") return FromSet(LoadRecordSet(RecordSelection{}));
    if (operand == "-" || EndsWith(operand, ".json")) {
        RecordSet defaults = LoadRecordSet(RecordSelection{});
        DmaContext ctx = defaults.Context();
        OperandValues out;
        for (const DocumentEntry &e : ParseDocument(ReadTextFile(operand), operand)) {
            const Setting s = RequireSetting(ctx, e.dmaId);
            out.values.settings[s.dmaId] = s;
            out.values.values[s.dmaId] = ValueFromJson(s, e.value);
        }
        return out;
    }
    // One record file, named by its extension; the other records are the
    // built-in defaults, so two such files differ only in their own settings.
    if (FileExists(operand)) {
        const RecordSelection sel = SelectionOfFile(operand);
        if (sel.AnyFile()) return FromSet(LoadRecordSet(sel));
    }
    if (!RecordSetExists(operand))
        throw UserError(fmt::format("{}: neither a settings document (.json), \"defaults\", a record file "
                                    "(.devmode, .secondary, .fax) nor a record set "
                                    "({} / {} not found)",
                                    operand, SetFile(operand, RecordKind::DevMode),
                                    SetFile(operand, RecordKind::Secondary)));
    RecordSelection sel;
    sel.setName = operand;
    return FromSet(LoadRecordSet(sel));
}

SettingsDiff Compare(const SettingValues &a, const SettingValues &b) {
    SettingsDiff d;
    for (const auto &[id, value] : a.values) {
        const auto other = b.values.find(id);
        if (other == b.values.end()) ++d.onlyOld;
        else if (!(value == other->second)) d.differing.push_back(id);
    }
    for (const auto &kv : b.values)
        if (!a.values.count(kv.first)) ++d.onlyNew;
    return d;
}

}  // namespace dmaclient
