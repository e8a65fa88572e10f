// client_test.cpp - the client core (tools/client) on its own: settings
// documents planned and applied onto the built-in default records, the
// command-line forms of values and DMA IDs, and the owners of record bytes.  One row a behaviour.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "names.h"
#include "record_map.h"
#include "settings_document.h"
#include "value_format.h"

using namespace dmaclient;

namespace {

// The built-in names only, whatever the machine's own names file says.
class ClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::filesystem::path empty = std::filesystem::temp_directory_path() / "client_test.names";
        std::ofstream(empty).close();
        LoadNames(PathToUtf8(empty));
    }
};

std::string Doc(const std::string &entries) {
    return R"({ "format": "dmactl-settings", "version": 1, "settings": [ )" + entries + " ] }";
}

// The writes of a plan applied to the defaults ("0x0007=2 0x0013=\"A4\""),
// or the message that refused the document.
std::string Import(const std::string &entries) {
    try {
        const RecordSet before = LoadRecordSet(RecordSelection{});
        RecordSet after = before;
        DmaContext ctx = after.Context();
        const ImportPlan plan = PlanImport(ParseDocument(Doc(entries), "d.json"), "d.json", ctx);
        ApplyImport(plan, before, after);
        std::string out;
        for (const PlannedWrite &w : plan.writes) {
            if (!out.empty()) out += ' ';
            out += fmt::format("{}={}", FormatId(w.setting.dmaId), FormatValue(w.setting, w.value));
        }
        return out;
    } catch (const UserError &e) {
        return e.what();
    }
}

TEST_F(ClientTest, ImportPlan) {
    const struct {
        const char *entries, *expected;
    } rows[] = {
        {"", ""},
        // Written in ascending DMA IDs, whatever the document's order.
        {R"({"id": "0x13", "value": "A4"}, {"id": "0x7", "value": 2})", R"(0x0007=2 (0x2) DMORIENT_LANDSCAPE 0x0013="A4")"},
        {R"({"id": "dmOrientation", "kind": "integer", "value": 1})", "0x0007=1 (0x1) DMORIENT_PORTRAIT"},
        {R"({"id": "0x7", "value": 2}, {"id": "0x13", "value": "A4"}, {"id": "0x0007", "value": 1})",
         "d.json: settings[2]: 0x0007 (dmOrientation) appears twice (also settings[0])"},
        {R"({"id": "0x13", "value": "A4"}, {"id": "0x7", "kind": "string", "value": 2})",
         R"(d.json: settings[1]: 0x0007 (dmOrientation) is an integer setting, the document says "string")"},
        {R"({"id": "0x1A", "value": 1})",
         "d.json: settings[0]: unknown DMA ID 0x001A: the library has no setting with this number"},
        {R"({"id": "0x10B", "value": 256})", "d.json: settings[0]: 0x010B: value 256 out of range (0 to 255)"},
        // A linked setting that cannot follow is refused, unless the document
        // gives the linked setting's own value.
        {R"({"id": "0x10B", "value": 9})",
         "import: d.json: settings[0]: 0x010B: refused: the value is not valid for this setting, a linked setting "
         "cannot follow it, or the record that holds it is missing (result -10); its linked setting 0x0145 follows "
         "only the values 0 to 8, and the document has no entry for 0x0145; no file was changed"},
        {R"({"id": "0x145", "value": 2}, {"id": "0x10B", "value": 9})", "0x010B=9 (0x9) 0x0145=2 (0x2)"},
        // Two entries that write the same bytes differently.
        {R"({"id": "0x130", "value": {"height": 0, "width": 0, "escapement": 0, "orientation": 0, "weight": 0,
             "italic": 0, "underline": 0, "strikeout": 0, "charset": 0, "outprecision": 0, "clipprecision": 0,
             "quality": 0, "pitchandfamily": 0, "face": "Arial"}}, {"id": "0x131", "value": ""})",
         "import: d.json: settings[0] 0x0130 and settings[1] 0x0131 write the same bytes with different values "
         "(0x0130 would hold face=\"\", the document says face=\"Arial\"); make them agree or drop one; no file was "
         "changed"},
    };
    for (const auto &row : rows) EXPECT_EQ(Import(row.entries), row.expected) << row.entries;
}

// A value parsed for a setting of the defaults, as FormatValue shows it, or
// the message that refused it.
std::string Parse(uint16_t dmaId, const std::vector<std::string> &words) {
    try {
        RecordSet set = LoadRecordSet(RecordSelection{});
        DmaContext ctx = set.Context();
        const Setting s = RequireSetting(ctx, dmaId);
        Value current;
        ReadSetting(ctx, s, current);
        return FormatValue(s, ParseValue(s, words, current));
    } catch (const UserError &e) {
        return e.what();
    }
}

TEST_F(ClientTest, ParseValue) {
    const struct {
        uint16_t id;
        std::vector<std::string> words;
        const char *expected;
    } rows[] = {
        {0x7, {"2"}, "2 (0x2) DMORIENT_LANDSCAPE"},
        {0x7, {"0x2"}, "2 (0x2) DMORIENT_LANDSCAPE"},
        {0x7, {"-1"}, "-1 (0xFFFF)"},
        {0x7, {"dmorient_landscape"}, "2 (0x2) DMORIENT_LANDSCAPE"},
        {0x14, {"DMRES_HIGH"}, "-4 (0xFFFC) DMRES_HIGH"},
        {0x7, {"DMPAPER_A4"},
         "0x0007 (dmOrientation): \"DMPAPER_A4\" is not an integer (decimal or 0x hex, or a value name (dmactl "
         "describe lists them))"},
        {0x9, {"DMPAPER_A4"}, "0x0009 (dmPaperLength): \"DMPAPER_A4\" is not an integer (decimal or 0x hex)"},
        {0x7, {"1", "2"}, "0x0007 (dmOrientation): an integer setting takes one value"},
        {0x7, {}, "0x0007 (dmOrientation): no value given"},
        {0x202B, {"on"}, "1 (on)"},
        {0x202B, {"OFF"}, "0 (off)"},
        {0x13, {"Letter", "size"}, "\"Letter size\""},
        // Members given over the current font; "lf" prefixes and any case accepted.
        {0x130, {"height=-12", "LFWEIGHT=700", "face=Arial"},
         "height=-12 width=0 escapement=0 orientation=0 weight=700 italic=0 underline=0 strikeout=0 charset=0 "
         "outprecision=0 clipprecision=0 quality=0 pitchandfamily=0 face=\"Arial\""},
        {0x130, {"bold=1"},
         "0x0130: \"bold=1\" is not a font member; give name=value with the names height, width, escapement, "
         "orientation, weight, italic, underline, strikeout, charset, outprecision, clipprecision, quality, "
         "pitchandfamily, face"},
        {0x130, {"weight=x"}, "0x0130: font member weight: \"x\" is not an integer"},
        {0x130, {"italic=256"}, "0x0130: font member italic: value 256 out of range (0 to 255)"},
    };
    for (const auto &row : rows) {
        const std::string got = Parse(row.id, row.words);
        EXPECT_EQ(got, row.expected) << FormatId(row.id);
    }
}

// Value names of a names file: the values a 32-bit field can hold, signed or
// not, and nothing beyond.
TEST_F(ClientTest, NamesFileValues) {
    const struct {
        const char *line;
        const char *expected;  // the values as parsed, or the error
    } rows[] = {
        {"0x0101 T 0=Off 1=On", "0=Off 1=On"},
        {"0x0101 T -2147483648=Low 0xFFFFFFFF=High", "-2147483648=Low 4294967295=High"},
        {"0x0101 T 0x100000000=Big", "f:1: \"0x100000000=Big\" is not a value name: expected <value>=<name> (as \"1=On\")"},
        {"0x0101 T -2147483649=Low", "f:1: \"-2147483649=Low\" is not a value name: expected <value>=<name> (as \"1=On\")"},
    };
    for (const auto &row : rows) {
        std::string got;
        try {
            const std::vector<NameEntry> entries = ParseNamesText(row.line, "f");
            for (const ValueName &v : entries.at(0).values)
                got += (got.empty() ? "" : " ") + std::to_string(v.value) + "=" + v.name;
        } catch (const UserError &e) {
            got = e.what();
        }
        EXPECT_EQ(got, row.expected) << row.line;
    }
}

TEST_F(ClientTest, ParseDmaId) {
    const struct {
        const char *text;
        int expected;  // -1: refused
    } rows[] = {
        {"7", 7}, {"0x130", 0x130}, {"0XFFFF", 0xFFFF}, {"dmOrientation", 7}, {"DMORIENTATION", 7},
        {"0", -1}, {"0x10000", -1}, {"-7", -1}, {"7x", -1}, {"noSuchName", -1},
    };
    for (const auto &row : rows) {
        int got = -1;
        try {
            got = ParseDmaId(row.text);
        } catch (const UserError &) {
        }
        EXPECT_EQ(got, row.expected) << row.text;
    }
}

// The runs of a 12-byte DEVMODEW record as "start+length:owner".
TEST_F(ClientTest, OwnerRuns) {
    constexpr RecordKind D = RecordKind::DevMode, S = RecordKind::Secondary;
    const struct {
        std::vector<RecordPlace> places;
        const char *expected;
    } rows[] = {
        {{}, "0+12:-1"},
        {{{D, 2, 4}}, "0+2:-1 2+4:0 6+6:-1"},
        // The narrower place wins its bytes (a font member over its font).
        {{{D, 0, 10}, {D, 4, 4}}, "0+4:0 4+4:1 8+2:0 10+2:-1"},
        // Equal widths: the earlier place (flags of one word).
        {{{D, 0, 4}, {D, 0, 4}}, "0+4:0 4+8:-1"},
        // Another record's place, and the part of a place past the end.
        {{{S, 0, 4}, {D, 10, 8}}, "0+10:-1 10+2:1"},
    };
    for (const auto &row : rows) {
        std::string got;
        for (const ByteRun &r : OwnerRuns(D, 12, row.places))
            got += fmt::format("{}{}+{}:{}", got.empty() ? "" : " ", r.start, r.length, r.owner);
        EXPECT_EQ(got, row.expected);
    }
    // Differing bytes; past the shorter record every byte differs.
    const std::vector<ByteRun> d = DifferingRuns({1, 2, 3, 4}, {1, 9, 9, 4, 5});
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].start, 1u);
    EXPECT_EQ(d[0].length, 2u);
    EXPECT_EQ(d[1].start, 4u);
    EXPECT_EQ(d[1].length, 1u);
}

}  // namespace
