// settings_document.cpp - export of the settings document, and import as a
// checked plan.
#include "settings_document.h"

#include "import_rules.h"
#include <algorithm>

#include <fmt/format.h>

#include "describe.h"
#include "import_rules.h"
#include "names.h"
#include "notes.h"
#include "value_format.h"

namespace dmaclient {

ExportedDocument ExportDocument(RecordSet &set) {
    ExportedDocument doc;
    DmaContext ctx = set.Context();
    Json settings = Json::array();
    for (const Setting &s : AvailableSettings(ctx)) {
        Value v;
        const DMA_RESULT r = ReadSetting(ctx, s, v);
        if (r != DMA_OK) {
            Json skip = IdJson(s.dmaId);
            skip["reason"] = ResultMessage(r);
            doc.unreadable.push_back(skip);
            continue;
        }
        settings.push_back(SettingJson(s, v));
    }
    doc.settings = settings.size();
    doc.text = fmt::format("{{\n  \"format\": \"{}\",\n  \"version\": {},\n  \"settings\": [\n", kDocumentFormat,
                           kDocumentVersion);
    for (size_t i = 0; i < settings.size(); ++i)
        doc.text += "    " + settings[i].dump() + (i + 1 < settings.size() ? ",\n" : "\n");
    doc.text += "  ]";
    if (!doc.unreadable.empty()) doc.text += ",\n  \"unreadable\": " + doc.unreadable.dump();
    doc.text += "\n}\n";
    return doc;
}

ImportPlan PlanImport(const std::vector<DocumentEntry> &entries, const std::string &source, DmaContext &ctx) {
    ImportPlan plan;
    plan.source = source;
    for (size_t i = 0; i < entries.size(); ++i) {
        const DocumentEntry &e = entries[i];
        const std::string entry = fmt::format("settings[{}]", i);
        const std::string where = source + ": " + entry;
        const auto first = plan.index.emplace(e.dmaId, i);
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
            plan.writes.push_back({s, std::move(v), entry});
        } catch (const UserError &err) {
            throw UserError(where + ": " + err.what(), source, entry);
        }
    }
    // Ascending DMA IDs put the DEVMODEW members (dmOrientation among them)
    // first and every linked setting after the setting it follows, so the
    // document's own value of a linked setting is the one that stays.
    std::sort(plan.writes.begin(), plan.writes.end(),
              [](const PlannedWrite &a, const PlannedWrite &b) { return a.setting.dmaId < b.setting.dmaId; });
    return plan;
}

namespace {

// True when `q` written after (or before, by DMA ID) `p` onto the records as
// they were leaves `p` without the document's value: the two contradict.
bool Conflicts(const RecordSet &before, const PlannedWrite &p, const PlannedWrite &q) {
    RecordSet scratch = before;
    DmaContext sc = scratch.Context();
    const bool pFirst = p.setting.dmaId < q.setting.dmaId;
    const PlannedWrite &x = pFirst ? p : q, &y = pFirst ? q : p;
    WriteSetting(sc, x.setting, x.value);
    WriteSetting(sc, y.setting, y.value);
    Value v;
    return ReadSetting(sc, p.setting, v) != DMA_OK || !(v == p.value);
}

}  // namespace

ImportResult ApplyImport(const ImportPlan &plan, const RecordSet &before, RecordSet &after) {
    ImportResult result;
    DmaContext ctx = after.Context();
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
    //
    // Records taken from the built-in defaults are changed here but never
    // saved: every entry that changes one is reported.
    struct BuiltIn {
        Record *record;
        std::vector<uint8_t> bytes;
    };
    std::vector<BuiltIn> builtIns;
    for (Record *r : {&after.devMode, &after.secondary, after.faxBlock ? &*after.faxBlock : nullptr})
        if (r && !r->FromFile()) builtIns.push_back({r, r->bytes});

    for (const PlannedWrite &p : plan.writes) {
        Value current;
        if (!ImportAlwaysWrites(p.setting) && ReadSetting(ctx, p.setting, current) == DMA_OK &&
            current == p.value)
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
            if (!stored || !plan.index.count(linked))
                throw UserError(fmt::format("import: {}: {}: {}{}{}; no file was changed", plan.Where(p),
                                            IdLabel(p.setting.dmaId), ResultMessage(r), LinkedSettingHint(p.setting),
                                            stored ? fmt::format(", and the document has no entry for {}",
                                                                 IdLabel(linked))
                                                   : ""));
        }
        bool noted = false;
        for (BuiltIn &b : builtIns) {
            if (b.record->bytes == b.bytes) continue;
            if (!noted) result.unsaved.emplace_back(&p, b.record->kind);
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
    for (const PlannedWrite &p : plan.writes) {
        if (!ImportVerifies(p.setting)) continue;
        Value back;
        if (ReadSetting(ctx, p.setting, back) == DMA_OK && back == p.value) continue;
        const PlannedWrite *culprit = nullptr;
        for (int pass = 0; pass < 2 && !culprit; ++pass)
            for (const PlannedWrite &q : plan.writes)
                if (&q != &p && ImportVerifies(q.setting) &&
                    BytesOverlap(p.setting.where, q.setting.where) == (pass == 0) && Conflicts(before, p, q)) {
                    culprit = &q;
                    break;
                }
        if (culprit) {
            std::string now = FormatValue(p.setting, back), wanted = FormatValue(p.setting, p.value);
            if (p.setting.kind == ValueKind::Font) FontDifference(back.font, p.value.font, now, wanted);
            throw UserError(fmt::format("import: {}: {} {} and {} {} write the same bytes with different values "
                                        "({} would hold {}, the document says {}); make them agree or drop one; "
                                        "no file was changed",
                                        plan.source, p.entry, IdLabel(p.setting.dmaId), culprit->entry,
                                        IdLabel(culprit->setting.dmaId), FormatId(p.setting.dmaId), now, wanted),
                            plan.source, p.entry);
        }
        result.differing.push_back({&p, back});
        Note(fmt::format("{} holds {} after the import, the document says {}", IdLabel(p.setting.dmaId),
                         FormatValue(p.setting, back), FormatValue(p.setting, p.value)));
    }
    return result;
}

}  // namespace dmaclient
