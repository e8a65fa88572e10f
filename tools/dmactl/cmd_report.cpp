// cmd_report.cpp - report: one self-contained HTML page of a record set, a
// settings document, a fax-address block or a document-property file, or of
// the comparison of two of them (differences first).
//
// The page holds the settings tables grouped by record and area, a byte map
// of each record (which setting owns each byte, and which bytes differ), the
// fax destinations and, for a document-property file, its sections as a
// strip with the first fault the validator finds.  An input the tool
// refuses still gives a page: the refusal stands where its data would, and
// the exit status is 1.
#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "commands.h"
#include "docprop_io.h"
#include "fax_file.h"
#include "meanings.h"
#include "names.h"
#include "operands.h"
#include "record_map.h"
#include "report_page.h"
#include "validation.h"

namespace dmactl {
namespace {

// The public DEVMODEW members end where dmSize says the record's public part
// does; the private part follows.
constexpr size_t kPublicEnd = 220;

// What one operand gave: its settings and records, a document-property
// file's sections, or the refusal.
struct Side {
    std::string label;
    std::string refusal;
    std::optional<OperandValues> data;
    bool docProp = false;
    std::vector<uint8_t> raw;  // the document-property file as read
    std::optional<DocProp> sections;
    std::vector<Problem> faults;
};

OperandValues ValuesOfSet(RecordSet set) {
    OperandValues out;
    out.values = ValuesOf(set);
    out.records = std::move(set);
    return out;
}

// A document-property file: its sections, and as settings those of its fax
// section (and of its first section when that carries a whole DEVMODEW
// record, as `docprop new` writes it).
void LoadDocProp(Side &s, const std::string &path) {
    s.docProp = true;
    s.raw = ReadFileBytes(path);
    s.faults = CheckDocPropBytes(s.raw, path);
    s.sections = ReadDocProp(path);
    RecordSet set = LoadRecordSet(RecordSelection{});
    const DocProp &d = *s.sections;
    const bool hasDevMode = d.ndev.size() >= sizeof(DmaNdevHeader) + DMA_DEVMODE_MIN_SIZE &&
                            CheckDevModeHeader(d.ndev.data() + sizeof(DmaNdevHeader),
                                               d.ndev.size() - sizeof(DmaNdevHeader)).empty();
    if (hasDevMode) set.devMode.bytes.assign(d.ndev.begin() + sizeof(DmaNdevHeader), d.ndev.end());
    if (d.hasFax) set.faxBlock = Record{RecordKind::FaxBlock, d.fax, path};
    OperandValues v = ValuesOfSet(std::move(set));
    // Only the settings the file holds; the rest would be the defaults'.
    for (auto it = v.values.settings.begin(); it != v.values.settings.end();) {
        const RecordKind k = PlaceOf(it->second.where).record;
        const bool held = (k == RecordKind::FaxBlock && d.hasFax) || (k == RecordKind::DevMode && hasDevMode);
        if (held) {
            ++it;
        } else {
            v.values.values.erase(it->first);
            it = v.values.settings.erase(it);
        }
    }
    if (!hasDevMode) v.records->devMode.bytes.clear();
    v.records->secondary.bytes.clear();
    s.data = std::move(v);
}

Side LoadSide(const Globals &g, const std::string &operand) {
    Side s;
    s.label = operand;
    try {
        if (operand.empty()) {
            RecordSet set = LoadRecordSet(g.records);
            s.label = set.name.empty() ? "defaults" : set.name;
            s.data = ValuesOfSet(std::move(set));
        } else if (operand != "-" && !EndsWith(operand, ".json") && !SelectionOfFile(operand).AnyFile() &&
                   FileExists(operand)) {
            // A file of no record extension: a fax-address block by its
            // signature, else a document-property file.
            const std::vector<uint8_t> bytes = ReadFileBytes(operand);
            if (IsFaxBlock(bytes)) {
                RecordSelection sel;
                sel.faxPath = operand;
                s.data = ValuesOfSet(LoadRecordSet(sel));
            } else {
                LoadDocProp(s, operand);
            }
        } else {
            s.data = LoadOperand(operand);
        }
    } catch (const UserError &e) {
        s.refusal = e.what();
        s.data.reset();
    }
    return s;
}

// The records of a side, by kind, with the name the map gives them.
struct MapRecord {
    RecordKind kind;
    const char *name;
};
constexpr MapRecord kMapRecords[] = {{RecordKind::DevMode, "DEVMODEW record"},
                                     {RecordKind::Secondary, "secondary record"},
                                     {RecordKind::FaxBlock, "fax-address block"}};

const std::vector<uint8_t> *BytesOf(const Side &s, RecordKind kind) {
    if (!s.data || !s.data->records) return nullptr;
    const RecordSet &r = *s.data->records;
    const std::vector<uint8_t> *b = kind == RecordKind::DevMode     ? &r.devMode.bytes
                                    : kind == RecordKind::Secondary ? &r.secondary.bytes
                                    : r.faxBlock                    ? &r.faxBlock->bytes
                                                                    : nullptr;
    return b && !b->empty() ? b : nullptr;
}

// The group a setting's row stands in: record and area, the private parts
// in ranges of bytes.
struct Group {
    int order;
    size_t lo, hi;
    std::string title;
    bool operator<(const Group &o) const { return std::tie(order, lo) < std::tie(o.order, o.lo); }
};

Group GroupOf(const RecordPlace &p) {
    switch (p.record) {
    case RecordKind::DevMode:
        if (p.offset < kPublicEnd)
            return {0, 0, kPublicEnd - 1, fmt::format("DEVMODEW: public members (bytes 0-{})", kPublicEnd - 1)};
        if (p.offset < DMA_DEVMODE_EXT_BASE)
            return {0, kPublicEnd, DMA_DEVMODE_EXT_BASE - 1,
                    fmt::format("DEVMODEW: private part, bytes {}-{}", kPublicEnd, DMA_DEVMODE_EXT_BASE - 1)};
        {
            const size_t lo = DMA_DEVMODE_EXT_BASE + (p.offset - DMA_DEVMODE_EXT_BASE) / 1024 * 1024;
            const size_t hi = std::min<size_t>(lo + 1023, DMA_DEVMODE_MIN_SIZE - 1);
            return {0, lo, hi, fmt::format("DEVMODEW: private part, block at {}, bytes {}-{}", DMA_DEVMODE_EXT_BASE, lo, hi)};
        }
    case RecordKind::Secondary: {
        const size_t lo = p.offset / 2048 * 2048;
        const size_t hi = std::min<size_t>(lo + 2047, DMA_SECONDARY_MIN_SIZE - 1);
        return {1, lo, hi, fmt::format("secondary record, bytes {}-{}", lo, hi)};
    }
    case RecordKind::FaxBlock: return {2, 0, DMA_FAX_HEADER_SIZE - 1, "fax-address block: header"};
    }
    return {3, 0, 0, "?"};
}

const char *RecordShortName(RecordKind k) {
    return k == RecordKind::DevMode ? "DEVMODEW" : k == RecordKind::Secondary ? "secondary" : "fax block";
}

// Kinds as the map colours them.
int KindCode(const Setting &s) {
    if (s.kind == ValueKind::String) return 2;
    if (s.kind == ValueKind::Font) return 3;
    return s.where.flagMask ? 1 : 0;
}

std::string RowId(uint16_t id) { return fmt::format("s-{:04X}", id); }

// A value as the page shows it, HTML: the value's text, and for an integer
// the name of the value, set apart, when it has one.
std::string ValueHtml(const Setting &s, const std::optional<Value> &v) {
    if (!v) return "<span class=\"meaning\">(none)</span>";
    if (v->kind != ValueKind::Integer) return HtmlEscape(FormatValue(s, *v));
    const std::string meaning = MeaningOf(s.dmaId, v->integer);
    std::string html = HtmlEscape(FormatInteger(s.where, v->integer));
    if (!meaning.empty()) html += " <span class=\"meaning\">" + HtmlEscape(meaning) + "</span>";
    return html;
}

// The same as plain text (the byte map's hover), as every other command
// shows a value.
std::string ValuePlain(const Setting &s, const std::optional<Value> &v) {
    return v ? FormatValue(s, *v) : "(none)";
}

std::optional<Value> ValueIn(const Side &s, uint16_t id) {
    if (!s.data) return std::nullopt;
    const auto it = s.data->values.values.find(id);
    if (it == s.data->values.values.end()) return std::nullopt;
    return it->second;
}

class Page {
public:
    Page(Side a, std::optional<Side> b) : a_(std::move(a)), b_(std::move(b)) {}
    std::string Render();

private:
    void Collect();
    void Refusals();
    void Differences();
    void ByteMap();
    void SettingsTables();
    void FaxDestinations(const Side &s);
    void DocPropStrip(const Side &s);
    std::string CompareLabel(uint16_t id, const Setting &s);

    Side a_;
    std::optional<Side> b_;
    std::string html_;
    std::map<uint16_t, Setting> settings_;  // both sides together
    std::set<uint16_t> differing_;
    Json owners_ = Json::array();
    std::vector<RecordPlace> places_;
};

void Page::Collect() {
    for (const Side *s : {&a_, b_ ? &*b_ : nullptr}) {
        if (!s || !s->data) continue;
        for (const auto &[id, setting] : s->data->values.settings) settings_.emplace(id, setting);
    }
    if (b_ && a_.data && b_->data) {
        const SettingsDiff d = Compare(a_.data->values, b_->data->values);
        differing_.insert(d.differing.begin(), d.differing.end());
    }
}

void Page::Refusals() {
    for (const Side *s : {&a_, b_ ? &*b_ : nullptr}) {
        if (!s || s->refusal.empty()) continue;
        html_ += fmt::format("<h2>{}: refused</h2>\n<p class=\"refused\" id=\"refusal\">{}</p>\n",
                             HtmlEscape(s->label), HtmlEscape(s->refusal));
    }
}

void Page::Differences() {
    if (!b_ || !a_.data || !b_->data) return;
    html_ += fmt::format("<h2 id=\"differences\">Differences: {}</h2>\n", differing_.size());
    if (differing_.empty()) {
        html_ += "<p>The settings are the same.</p>\n";
        return;
    }
    html_ += fmt::format("<table class=\"sortable differences\"><thead><tr><th>DMA ID</th><th>name</th><th>kind</th>"
                         "<th>{}</th><th>{}</th></tr></thead><tbody>\n",
                         HtmlEscape(a_.label), HtmlEscape(b_->label));
    for (uint16_t id : differing_) {
        const Setting &s = settings_.at(id);
        std::string oldText, newText;
        const std::optional<Value> va = ValueIn(a_, id), vb = ValueIn(*b_, id);
        if (s.kind == ValueKind::Font && va && vb) {
            FontDifference(va->font, vb->font, oldText, newText);
            oldText = HtmlEscape(oldText);
            newText = HtmlEscape(newText);
        } else {
            oldText = ValueHtml(s, va);
            newText = ValueHtml(s, vb);
        }
        html_ += fmt::format("<tr><td><a href=\"#{}\">{}</a></td><td>{}</td><td>{}</td><td class=\"v old\">{}</td>"
                             "<td class=\"v new\">{}</td></tr>\n",
                             RowId(id), FormatId(id), HtmlEscape(NameOf(id)), KindName(s.kind), oldText, newText);
    }
    html_ += "</tbody></table>\n";
}

void Page::SettingsTables() {
    std::map<Group, std::vector<uint16_t>> groups;
    for (const auto &[id, s] : settings_) groups[GroupOf(PlaceOf(s.where))].push_back(id);
    html_ += fmt::format("<h2 id=\"settings\">Settings: {}</h2>\n", settings_.size());
    if (settings_.empty()) return;
    html_ += "<p><label>Filter: <input id=\"filter\" type=\"search\" placeholder=\"ID, name, value, record\"></label></p>\n";
    for (const auto &[group, ids] : groups) {
        html_ += fmt::format("<h3>{}</h3>\n<table class=\"settings sortable\"><thead><tr><th>DMA ID</th><th>name</th>"
                             "<th>kind</th><th>value</th><th>record</th><th>offset</th><th>width</th></tr></thead>"
                             "<tbody>\n",
                             HtmlEscape(group.title));
        for (uint16_t id : ids) {
            const Setting &s = settings_.at(id);
            const RecordPlace p = PlaceOf(s.where);
            std::string value;
            const std::optional<Value> va = ValueIn(a_, id);
            const bool changed = differing_.count(id) != 0;
            if (changed) {
                value = "<span class=\"old\">" + ValueHtml(s, va) + "</span> &rarr; <span class=\"new\">" +
                        ValueHtml(s, ValueIn(*b_, id)) + "</span>";
            } else {
                value = ValueHtml(s, va ? va : (b_ ? ValueIn(*b_, id) : std::nullopt));
            }
            std::string kind = KindName(s.kind);
            if (s.where.flagMask) kind += fmt::format(" (bit 0x{:X})", s.where.flagMask);
            html_ += fmt::format("<tr id=\"{}\" data-id=\"{}\"{}><td>{}</td><td>{}</td><td>{}</td><td class=\"v\">{}"
                                 "</td><td>{}</td><td class=\"num\">{}</td><td class=\"num\">{}</td></tr>\n",
                                 RowId(id), FormatId(id), changed ? " class=\"changed\"" : "", FormatId(id),
                                 HtmlEscape(NameOf(id)), HtmlEscape(kind), value, RecordShortName(p.record),
                                 p.offset, p.width);
        }
        html_ += "</tbody></table>\n";
    }
}

void Page::FaxDestinations(const Side &s) {
    const std::vector<uint8_t> *block = BytesOf(s, RecordKind::FaxBlock);
    if (!block) return;
    std::vector<uint8_t> copy = *block;
    const FaxSummary sum = SummariseFax(copy, s.label);
    const size_t entrySize = DMA_FAX_ENTRY_SIZE;
    html_ += fmt::format("<h2>Fax destinations of {}: {}</h2>\n", HtmlEscape(s.label), sum.count);
    for (unsigned i = 0; i < sum.count; ++i) {
        const size_t base = DMA_FAX_HEADER_SIZE + size_t{i} * entrySize;
        if (base + entrySize > block->size()) break;
        html_ += fmt::format("<h3>destination {} (bytes {}-{})</h3>\n<table class=\"fields sortable\"><thead><tr>"
                             "<th>field</th><th>DMA ID</th><th>type</th><th>value</th><th>offset</th><th>width</th>"
                             "</tr></thead><tbody>\n",
                             i + 1, base, base + entrySize - 1);
        unsigned j = 0;
        for (const RecordField &f : FaxEntryFields()) {
            ++j;
            if (f.offset + f.width > entrySize) continue;
            const uint16_t dmaId = f.item ? DmaIdOfItem(f.item) : 0;
            const std::string value = FieldText(f, block->data() + base + f.offset);
            const std::string rowId = fmt::format("{}d{}-{}", &s == &a_ ? "a" : "b", i + 1, j);
            html_ += fmt::format("<tr id=\"{}\"><td>{}</td><td>{}</td><td>{}</td><td class=\"v\">{}</td>"
                                 "<td class=\"num\">{}</td><td class=\"num\">{}</td></tr>\n",
                                 rowId, HtmlEscape(FieldName(f)), dmaId ? FormatId(dmaId) : "-",
                                 ValueTypeName(f.type), HtmlEscape(value), base + f.offset, f.width);
            if (&s == &a_) {
                owners_.push_back(Json::array({fmt::format("destination {} field {}", i + 1, FieldName(f)), value,
                                               rowId, 4}));
                places_.push_back({RecordKind::FaxBlock, base + f.offset, f.width});
            }
        }
        html_ += "</tbody></table>\n";
    }
}

void Page::DocPropStrip(const Side &s) {
    if (!s.docProp) return;
    const size_t total = std::max<size_t>(s.raw.size(), 1);
    html_ += fmt::format("<h2>Document-property file {}: {} bytes</h2>\n", HtmlEscape(s.label), s.raw.size());
    struct Sec { std::string name; size_t offset, size; const char *cls; };
    std::vector<Sec> secs;
    if (s.sections) {
        const DocProp &d = *s.sections;
        size_t offset = 0;
        const std::pair<const char *, size_t> plain[] = {{DMA_NDEV_SIGNATURE, d.ndev.size()},
                                                         {DMA_TMBINFO_SIGNATURE, d.tmbInfo.size()},
                                                         {DMA_SPINFO_SIGNATURE, d.spInfo.size()}};
        for (const auto &[name, size] : plain) {
            if (!size) continue;
            secs.push_back({name, offset, size, ""});
            offset += size;
        }
        if (d.hasFax) {
            secs.push_back({std::string("fax") + (d.oldLayout ? " (old layout)" : ""), d.faxOffset, d.faxSizeInFile, "fax"});
            offset = d.faxOffset + d.faxSizeInFile;
        }
        if (offset < s.raw.size()) secs.push_back({"ignored", offset, s.raw.size() - offset, "rest"});
    } else {
        secs.push_back({"refused file", 0, s.raw.size(), "rest"});
    }
    html_ += "<div class=\"strip\">";
    for (const Sec &x : secs)
        html_ += fmt::format("<div class=\"{}\" style=\"width:{:.3f}%\" title=\"{} at {}, {} bytes\">{} {}+{}</div>",
                             x.cls, 100.0 * static_cast<double>(x.size) / static_cast<double>(total),
                             HtmlEscape(x.name), x.offset, x.size, HtmlEscape(x.name), x.offset, x.size);
    if (!s.faults.empty()) {
        const Problem &p = s.faults.front();
        html_ += fmt::format("<span class=\"fault\" style=\"left:{:.3f}%\"><b>fault at {}</b></span>",
                             100.0 * static_cast<double>(std::min<uint64_t>(p.offset, total)) / static_cast<double>(total),
                             p.offset);
    }
    html_ += "</div>\n<table><thead><tr><th>section</th><th>offset</th><th>size</th></tr></thead><tbody>\n";
    for (const Sec &x : secs)
        html_ += fmt::format("<tr><td>{}</td><td class=\"num\">{}</td><td class=\"num\">{}</td></tr>\n",
                             HtmlEscape(x.name), x.offset, x.size);
    html_ += "</tbody></table>\n";
    if (s.faults.empty()) {
        html_ += "<p>The validator finds no fault.</p>\n";
    } else {
        const Problem &p = s.faults.front();
        html_ += fmt::format("<p class=\"refused\">First fault: {} section at offset {}: {}</p>\n",
                             HtmlEscape(p.section), p.offset, HtmlEscape(p.message));
    }
}

void Page::ByteMap() {
    // The map's layout: the first side with records, else the defaults (a
    // settings document has none of its own).
    const Side *base = a_.data && a_.data->records ? &a_ : b_ && b_->data && b_->data->records ? &*b_ : nullptr;
    std::optional<Side> defaults;
    if (!base && !settings_.empty()) {
        defaults.emplace();
        defaults->label = "defaults";
        defaults->data = ValuesOfSet(LoadRecordSet(RecordSelection{}));
        base = &*defaults;
    }
    if (!base) return;
    // Owners: every setting, then the destination fields (FaxDestinations
    // added them already, so settings go before them in a list of their own).
    Json owners = Json::array();
    std::vector<RecordPlace> places;
    for (const auto &[id, s] : settings_) {
        std::string label = FormatId(id);
        const std::string name = NameOf(id);
        if (!name.empty()) label += " " + name;
        std::string value;
        const std::optional<Value> va = ValueIn(a_, id);
        if (differing_.count(id)) value = ValuePlain(s, va) + " -> " + ValuePlain(s, ValueIn(*b_, id));
        else value = ValuePlain(s, va ? va : (b_ ? ValueIn(*b_, id) : std::nullopt));
        owners.push_back(Json::array({label, value, RowId(id), KindCode(s)}));
        places.push_back(PlaceOf(s.where));
    }
    for (size_t i = 0; i < owners_.size(); ++i) {
        owners.push_back(owners_[i]);
        places.push_back(places_[i]);
    }
    Json records = Json::array();
    html_ += "<h2 id=\"map\">Byte map</h2>\n<p class=\"legend\"><span><i style=\"background:#4e79a7\"></i>integer</span>"
             "<span><i style=\"background:#b07aa1\"></i>flag</span><span><i style=\"background:#59a14f\"></i>string"
             "</span><span><i style=\"background:#f28e2b\"></i>font</span><span><i style=\"background:#76b7b2\"></i>"
             "destination field</span><span><i style=\"background:#e4e4e4\"></i>no setting</span>"
             "<span><i style=\"background:#111\"></i>differs</span></p>\n"
             "<p>64 bytes a line. Hover over a byte or focus a map and use the arrow keys to name its setting; "
             "click (or Enter) to go to its row.</p>\n<noscript><p>The byte map needs script; the tables above "
             "and below need none.</p></noscript>\n<div class=\"maps\">\n";
    for (const MapRecord &m : kMapRecords) {
        const std::vector<uint8_t> *bytes = BytesOf(*base, m.kind);
        if (!bytes) continue;
        Json runs = Json::array();
        size_t owned = 0;
        for (const ByteRun &r : OwnerRuns(m.kind, bytes->size(), places)) {
            runs.push_back(r.start);
            runs.push_back(r.length);
            runs.push_back(r.owner);
            if (r.owner != kNoOwner) owned += r.length;
        }
        Json diffs = Json::array();
        size_t differ = 0;
        if (b_ && a_.data && b_->data) {
            const std::vector<uint8_t> *ba = BytesOf(a_, m.kind), *bb = BytesOf(*b_, m.kind);
            std::vector<ByteRun> d;
            if (ba && bb) {
                d = DifferingRuns(*ba, *bb);
            } else {
                // No bytes on one side (a settings document): the places of
                // the settings that differ.
                for (uint16_t id : differing_) {
                    const RecordPlace p = PlaceOf(settings_.at(id).where);
                    if (p.record == m.kind) d.push_back({p.offset, p.width, kNoOwner});
                }
            }
            for (const ByteRun &r : d) {
                diffs.push_back(r.start);
                diffs.push_back(r.length);
                differ += r.length;
            }
        }
        const size_t index = records.size();
        records.push_back(Json{{"name", m.name}, {"size", bytes->size()}, {"runs", runs}, {"diffs", diffs}});
        html_ += fmt::format("<figure><figcaption>{}: {} bytes, {} owned by a setting{}</figcaption>"
                             "<canvas id=\"map-{}\" tabindex=\"0\" aria-label=\"byte map of the {}\"></canvas>"
                             "</figure>\n",
                             m.name, bytes->size(), owned, b_ ? fmt::format(", {} differ", differ) : "", index,
                             m.name);
    }
    html_ += "</div>\n<div id=\"tip\" role=\"status\"></div>\n";
    html_ += "<script type=\"application/json\" id=\"map-data\">" +
             ScriptJson(Json{{"records", records}, {"owners", owners}}) + "</script>\n";
}

std::string Page::Render() {
    Collect();
    const std::string title = b_ ? fmt::format("Comparison: {} and {}", a_.label, b_->label)
                                 : fmt::format("Settings: {}", a_.label);
    html_ = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<meta name=\"viewport\" "
            "content=\"width=device-width\">\n<title>dmactl report: " +
            HtmlEscape(title) + "</title>\n<style>" + ReportStyle() + "</style>\n</head>\n<body>\n<h1>" +
            HtmlEscape(title) + "</h1>\n";
    html_ += fmt::format("<p>Written by dmactl {}.</p>\n", DMACCESS_VERSION_STRING);
    Refusals();
    Differences();
    DocPropStrip(a_);
    if (b_) DocPropStrip(*b_);
    const std::string tables = [&] {
        std::string saved;
        saved.swap(html_);
        SettingsTables();
        FaxDestinations(a_);
        if (b_) FaxDestinations(*b_);
        saved.swap(html_);
        return saved;
    }();
    ByteMap();
    html_ += tables;
    html_ += std::string("<script>") + ReportScript() + "</script>\n</body>\n</html>\n";
    return html_;
}

int CmdReport(const Globals &g, const std::vector<std::string> &operands, const std::string &out) {
    if (operands.size() == 2 && operands[0] == "-" && operands[1] == "-")
        throw UserError("report: standard input (\"-\") can be only one of the two");
    Side a = LoadSide(g, operands.empty() ? std::string() : operands[0]);
    std::optional<Side> b;
    if (operands.size() == 2) b = LoadSide(g, operands[1]);
    int status = 0;
    for (const Side *s : {&a, b ? &*b : nullptr}) {
        if (!s || s->refusal.empty()) continue;
        ReportError(g.json, s->refusal, 1);
        status = 1;
    }
    const std::string html = Page(std::move(a), std::move(b)).Render();
    if (out.empty() || out == "-") Print(html);
    else WriteFileAtomically(out, std::vector<uint8_t>(html.begin(), html.end()));
    return status;
}

}  // namespace

void AddReportCommand(CLI::App &app, Globals &g) {
    static std::vector<std::string> operands;
    static std::string out;
    auto *report = app.add_subcommand(
        "report", "one self-contained HTML page of the settings, or of the comparison of two inputs");
    report->add_option("inputs", operands,
                       "A [B]: record set NAME, FILE.devmode/.secondary/.fax, settings document FILE.json, "
                       "\"defaults\", a fax-address block or a document-property file; none: the records of "
                       "--set/--devmode/--secondary/--fax; with B a comparison, differences first")
        ->expected(0, 2);
    report->add_option("-o,--output", out, "write the page to FILE (\"-\" or none: standard output)");
    OnRun(report, g, [&g] { return CmdReport(g, operands, out); });
}

}  // namespace dmactl
