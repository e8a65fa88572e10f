// cmd_transfer.cpp - commands that move whole record sets: new, export,
// import, diff.
#include <algorithm>
#include <map>
#include <set>

#include <fmt/format.h>

#include "commands.h"
#include "default_records.h"
#include "json_form.h"
#include "names.h"
#include "settings.h"
#include "value_format.h"

namespace dmactl {
namespace {

std::string ReadText(const std::string &path) {
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string &path, const std::string &text) {
    WriteFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end()));
}

bool EndsWith(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Every setting's value in one record set (or in a settings document).
struct Snapshot {
    std::string name;
    std::map<uint16_t, Setting> settings;
    std::map<uint16_t, Value> values;
};

Snapshot SnapshotOf(RecordSet &set) {
    Snapshot snap;
    snap.name = set.name;
    DmaContext ctx = set.Context();
    for (const Setting &s : AvailableSettings(ctx)) {
        Value v;
        snap.settings[s.dmaId] = s;
        if (ReadSetting(ctx, s, v) == DMA_OK) snap.values[s.dmaId] = v;
    }
    return snap;
}

// A diff operand: "defaults", a settings document (*.json), one record file
// (*.devmode, *.secondary, *.fax) or a record set name.
Snapshot LoadOperand(const std::string &operand) {
    if (operand == "defaults") {
        RecordSet set = LoadRecordSet(RecordSelection{});
        return SnapshotOf(set);
    }
    if (operand == "-" || EndsWith(operand, ".json")) {
        RecordSet defaults = LoadRecordSet(RecordSelection{});
        DmaContext ctx = defaults.Context();
        Snapshot snap;
        snap.name = operand;
        for (const DocumentEntry &e : ParseDocument(ReadText(operand), operand)) {
            const Setting s = RequireSetting(ctx, e.dmaId);
            snap.settings[s.dmaId] = s;
            snap.values[s.dmaId] = ValueFromJson(s, e.value);
        }
        return snap;
    }
    // One record file, named by its extension; the other records are the
    // built-in defaults, so two such files differ only in their own settings.
    if (FileExists(operand)) {
        RecordSelection sel;
        if (EndsWith(operand, ".devmode")) sel.devModePath = operand;
        else if (EndsWith(operand, ".secondary")) sel.secondaryPath = operand;
        else if (EndsWith(operand, ".fax")) sel.faxPath = operand;
        if (sel.AnyFile()) {
            RecordSet set = LoadRecordSet(sel);
            Snapshot snap = SnapshotOf(set);
            snap.name = operand;
            return snap;
        }
    }
    if (!FileExists(SetFile(operand, RecordKind::DevMode)) && !FileExists(SetFile(operand, RecordKind::Secondary)))
        throw UserError(fmt::format("{}: neither a settings document (.json), \"defaults\", a record file "
                                    "(.devmode, .secondary, .fax) nor a record set "
                                    "({} / {} not found)",
                                    operand, SetFile(operand, RecordKind::DevMode),
                                    SetFile(operand, RecordKind::Secondary)));
    RecordSelection sel;
    sel.setName = operand;
    RecordSet set = LoadRecordSet(sel);
    return SnapshotOf(set);
}

}  // namespace

int CmdNew(const Globals &g, const std::string &name, bool force) {
    RecordSelection sel = g.records;
    if (!name.empty()) sel.setName = name;
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    auto add = [&](const std::string &explicitPath, RecordKind kind, std::vector<uint8_t> bytes) {
        std::string path = explicitPath;
        if (path.empty() && !sel.setName.empty()) path = SetFile(sel.setName, kind);
        if (!path.empty()) files.emplace_back(path, std::move(bytes));
    };
    add(sel.devModePath, RecordKind::DevMode, DefaultDevMode());
    add(sel.secondaryPath, RecordKind::Secondary, DefaultSecondary());
    add(sel.faxPath, RecordKind::FaxBlock, DefaultFaxBlock());
    if (files.empty())
        throw UserError("new: name the records to create: dmactl new NAME, or --devmode/--secondary/--fax FILE");
    if (!force)
        for (const auto &f : files)
            if (FileExists(f.first))
                throw UserError(fmt::format("new: {} exists; give --force to replace it", f.first));
    // All the set's files or none (a target that is a directory, say, is
    // refused before any file is written).
    std::vector<FileWrite> writes;
    for (const auto &f : files) writes.push_back({f.first, f.second});
    WriteFilesTogether(writes);
    Json written = Json::array();
    Table t({"file", "record", "bytes"}, {2});
    for (const auto &f : files) {
        const RecordKind kind = EndsWith(f.first, ".fax") || f.second.size() == DMA_FAX_HEADER_SIZE
                                    ? RecordKind::FaxBlock
                                : f.second.size() == DMA_DEVMODE_MIN_SIZE ? RecordKind::DevMode
                                                                          : RecordKind::Secondary;
        written.push_back(Json{{"file", f.first}, {"record", RecordKindName(kind)}, {"bytes", f.second.size()}});
        t.Add({f.first, RecordKindName(kind), std::to_string(f.second.size())});
    }
    Print(g.json ? Json{{"written", written}}.dump(2) + "\n" : t.Render());
    return 0;
}

int CmdExport(const Globals &g, const std::string &outFile) {
    RecordSet set = LoadRecordSet(g.records);
    DmaContext ctx = set.Context();
    Json settings = Json::array();
    Json skipped = Json::array();
    for (const Setting &s : AvailableSettings(ctx)) {
        Value v;
        const DMA_RESULT r = ReadSetting(ctx, s, v);
        if (r != DMA_OK) {
            Json skip = IdJson(s.dmaId);
            skip["reason"] = ResultMessage(r);
            skipped.push_back(skip);
            continue;
        }
        Json e = IdJson(s.dmaId);
        e["kind"] = KindName(s.kind);
        e["value"] = ValueToJson(v);
        if (v.unterminated) e["unterminated"] = true;
        settings.push_back(e);
    }
    // One setting a line, so that two documents compare well with diff(1).
    std::string text = fmt::format("{{\n  \"format\": \"{}\",\n  \"version\": {},\n  \"settings\": [\n",
                                   kDocumentFormat, kDocumentVersion);
    for (size_t i = 0; i < settings.size(); ++i)
        text += "    " + settings[i].dump() + (i + 1 < settings.size() ? ",\n" : "\n");
    text += "  ]";
    if (!skipped.empty()) text += ",\n  \"unreadable\": " + skipped.dump();
    text += "\n}\n";
    if (outFile.empty() || outFile == "-") {
        Print(text);
    } else {
        WriteText(outFile, text);
        if (g.json) Print(Json{{"written", outFile}, {"settings", settings.size()}}.dump(2) + "\n");
        else Print(fmt::format("exported {} settings to {}\n", settings.size(), outFile));
    }
    for (const Json &s : skipped)
        Note(fmt::format("{} not exported: {}", s["id"].get<std::string>(), s["reason"].get<std::string>()));
    return 0;
}

int CmdImport(const Globals &g, const std::string &file) {
    if (!g.records.AnyFile())
        throw UserError("import: name the records to change: --set NAME or --devmode/--secondary/--fax FILE "
                        "(dmactl new NAME creates blank ones)");
    std::vector<DocumentEntry> entries = ParseDocument(ReadText(file), file);
    RecordSet before = LoadRecordSet(g.records);
    RecordSet after = before;
    DmaContext ctx = after.Context();

    // Check every entry before anything is written; a fault names the file
    // and the entry ("job.json: settings[12]: ...").
    struct Planned {
        Setting setting;
        Value value;
        std::string where;
    };
    std::vector<Planned> plan;
    std::map<uint16_t, size_t> seen;
    for (size_t i = 0; i < entries.size(); ++i) {
        const DocumentEntry &e = entries[i];
        const std::string where = fmt::format("{}: settings[{}]", file, i);
        const auto first = seen.emplace(e.dmaId, i);
        if (!first.second)
            throw UserError(fmt::format("{}: {} appears twice (also settings[{}])", where, IdLabel(e.dmaId),
                                        first.first->second));
        try {
            const Setting s = RequireSetting(ctx, e.dmaId);
            if (!e.kind.empty() && e.kind != KindName(s.kind))
                throw UserError(fmt::format("{} is {} setting, the document says \"{}\"", IdLabel(e.dmaId),
                                            KindWithArticle(s.kind), e.kind));
            Value v = ValueFromJson(s, e.value);
            CheckValue(s, v);
            plan.push_back({s, std::move(v), where});
        } catch (const UserError &err) {
            throw UserError(where + ": " + err.what(), file, fmt::format("settings[{}]", i));
        }
    }

    // Ascending DMA IDs put the DEVMODEW members (dmOrientation among them)
    // first and every linked setting after the setting it follows, so the
    // document's own value of a linked setting is the one that stays.
    // An entry whose setting already holds the document's value is not
    // written: the write could only disturb other settings.  Several settings
    // share bytes (a font and its members, a word and its flags), and some
    // writes change more than their own bytes (a font's escapement member
    // 0x0137/0x016C sets lfOrientation too); by the time such an alias comes,
    // the settings before it have given its bytes the document's value, so it
    // is passed over and cannot undo them.  Always written are the protected
    // write-only IDs (they read back as their stored form) and the settings
    // a linked setting follows, so that the linked setting follows them as
    // with `set`, or the document's own entry for it, written later, stands.
    std::sort(plan.begin(), plan.end(),
              [](const Planned &a, const Planned &b) { return a.setting.dmaId < b.setting.dmaId; });

    // Records taken from the built-in defaults are changed here but never
    // saved: note every entry that changes one.
    struct BuiltIn {
        Record *record;
        std::vector<uint8_t> bytes;
    };
    std::vector<BuiltIn> builtIns;
    for (Record *r : {&after.devMode, &after.secondary, after.faxBlock ? &*after.faxBlock : nullptr})
        if (r && !r->FromFile()) builtIns.push_back({r, r->bytes});
    std::vector<std::pair<const Planned *, RecordKind>> unsaved;

    for (const Planned &p : plan) {
        Value current;
        if (!p.setting.where.plainId && !LinkedSettingOf(p.setting) &&
            ReadSetting(ctx, p.setting, current) == DMA_OK && current == p.value)
            continue;
        const DMA_RESULT r = WriteSetting(ctx, p.setting, p.value);
        if (r != DMA_OK) {
            // A setting whose linked setting cannot follow its new value is
            // stored all the same.  That is kept only when the document holds
            // the linked setting's own value too, which a later entry writes;
            // otherwise the import refuses it as `set` does.
            const uint16_t linked = LinkedSettingOf(p.setting);
            Value back;
            const bool stored = linked && ReadSetting(ctx, p.setting, back) == DMA_OK && back == p.value;
            if (!stored || !seen.count(linked))
                throw UserError(fmt::format("import: {}: {}: {}{}{}; no file was changed", p.where,
                                            IdLabel(p.setting.dmaId), ResultMessage(r), LinkedSettingHint(p.setting),
                                            stored ? fmt::format(", and the document has no entry for {}",
                                                                 IdLabel(linked))
                                                   : ""));
        }
        bool noted = false;
        for (BuiltIn &b : builtIns) {
            if (b.record->bytes == b.bytes) continue;
            if (!noted) unsaved.emplace_back(&p, b.record->kind);
            noted = true;
            b.bytes = b.record->bytes;
        }
    }
    // Every setting must hold the document's value now.  One that does not
    // was overwritten by another entry that writes the same bytes with a
    // different value (a font and one of its members, a word and its flags,
    // the escapement member that sets lfOrientation too): the document
    // contradicts itself, and the import is refused naming both entries
    // rather than letting the later one win unseen.  The culprit is found
    // by writing the two entries alone, in import order, onto the records
    // as they were; entries whose bytes lie close are tried first.
    Json differing = Json::array();
    for (const Planned &p : plan) {
        if (p.setting.where.plainId) continue;
        Value back;
        if (ReadSetting(ctx, p.setting, back) == DMA_OK && back == p.value) continue;
        auto overlaps = [&](const Planned &q) {
            const Location &a = p.setting.where, &b = q.setting.where;
            const uint64_t aEnd = a.offset + (a.size ? a.size : a.width), bEnd = b.offset + (b.size ? b.size : b.width);
            return a.area == b.area && a.offset < bEnd && b.offset < aEnd;
        };
        auto conflicts = [&](const Planned &q) {
            RecordSet scratch = before;
            DmaContext sc = scratch.Context();
            const bool pFirst = p.setting.dmaId < q.setting.dmaId;
            WriteSetting(sc, pFirst ? p.setting : q.setting, pFirst ? p.value : q.value);
            WriteSetting(sc, pFirst ? q.setting : p.setting, pFirst ? q.value : p.value);
            Value v;
            return ReadSetting(sc, p.setting, v) != DMA_OK || !(v == p.value);
        };
        const Planned *culprit = nullptr;
        for (int pass = 0; pass < 2 && !culprit; ++pass)
            for (const Planned &q : plan)
                if (&q != &p && !q.setting.where.plainId && overlaps(q) == (pass == 0) && conflicts(q)) {
                    culprit = &q;
                    break;
                }
        if (culprit) {
            std::string now = FormatValue(p.setting, back), wanted = FormatValue(p.setting, p.value);
            if (p.setting.kind == ValueKind::Font) FontDifference(back.font, p.value.font, now, wanted);
            const std::string entry = p.where.substr(file.size() + 2);
            throw UserError(fmt::format("import: {}: {} {} and {} {} write the same bytes with different values "
                                        "({} would hold {}, the document says {}); make them agree or drop one; "
                                        "no file was changed",
                                        file, entry, IdLabel(p.setting.dmaId),
                                        culprit->where.substr(file.size() + 2), IdLabel(culprit->setting.dmaId),
                                        FormatId(p.setting.dmaId), now, wanted),
                            file, entry);
        }
        differing.push_back(FormatId(p.setting.dmaId));
        Note(fmt::format("{} holds {} after the import, the document says {}", IdLabel(p.setting.dmaId),
                         FormatValue(p.setting, back), FormatValue(p.setting, p.value)));
    }
    const std::vector<std::string> written = SaveChangedRecords(before, after);
    Json unsavedIds = Json::array();
    for (const auto &u : unsaved) {
        unsavedIds.push_back(FormatId(u.first->setting.dmaId));
        Note(fmt::format("{}: {} not saved: its record is the built-in default {}", u.first->where,
                         IdLabel(u.first->setting.dmaId), RecordKindName(u.second)));
    }
    if (!unsaved.empty())
        Note(fmt::format("{} of the document's settings changed records that no file holds; give --set NAME or "
                         "--devmode/--secondary/--fax files to keep them",
                         unsaved.size()));
    if (g.json) {
        Print(Json{{"applied", plan.size()}, {"written", written}, {"differing", differing}, {"unsaved", unsavedIds}}
                  .dump(2) +
              "\n");
    } else {
        Print(fmt::format("applied {} settings from {}\n", plan.size(), file));
        for (const std::string &p : written) Print("written: " + p + "\n");
        if (written.empty()) Print("no file changed\n");
    }
    return 0;
}

int CmdDiff(const Globals &g, const std::string &a, const std::string &b, bool quiet) {
    if (a == "-" && b == "-") throw UserError("diff: standard input (\"-\") can be only one of the two");
    const Snapshot left = LoadOperand(a), right = LoadOperand(b);
    // Settings that only one side has (a settings document may hold a few)
    // are counted, not listed.
    std::set<uint16_t> ids;
    size_t onlyLeft = 0, onlyRight = 0;
    for (const auto &kv : left.values)
        if (right.values.count(kv.first)) ids.insert(kv.first); else ++onlyLeft;
    for (const auto &kv : right.values)
        if (!left.values.count(kv.first)) ++onlyRight;
    Table t({"DMA ID", "name", a, b});
    Json rows = Json::array();
    for (uint16_t id : ids) {
        const auto la = left.values.find(id), rb = right.values.find(id);
        if (la->second == rb->second) continue;
        const Setting &s = left.settings.at(id);
        if (g.json) {
            Json row = IdJson(id);
            row["kind"] = KindName(s.kind);
            row["old"] = ValueToJson(la->second);
            row["new"] = ValueToJson(rb->second);
            rows.push_back(row);
        } else {
            std::string oldText = FormatValue(s, la->second);
            std::string newText = FormatValue(s, rb->second);
            if (s.kind == ValueKind::Font)
                FontDifference(la->second.font, rb->second.font, oldText, newText);
            t.Add({FormatId(id), NameOf(id), oldText, newText});
        }
    }
    // As diff(1): 1 when the records differ, 0 when they are equal.
    const int status = (g.json ? rows.empty() : t.Empty()) ? 0 : 1;
    if (quiet) return status;
    if (g.json) {
        Print(Json{{"old", a}, {"new", b}, {"differences", rows}, {"onlyOld", onlyLeft}, {"onlyNew", onlyRight}}
                  .dump(2) +
              "\n");
    } else {
        Print(t.Empty() ? "no differences\n" : t.Render());
        if (onlyLeft) Print(fmt::format("{} settings only in {} (not compared)\n", onlyLeft, a));
        if (onlyRight) Print(fmt::format("{} settings only in {} (not compared)\n", onlyRight, b));
    }
    return status;
}

}  // namespace dmactl
