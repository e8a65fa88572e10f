// instructions.cpp - the program that bench/instructions runs under
// callgrind to count the instructions each public operation executes per
// call.  It is a client like any other: public header only, shared library
// only, so the figures are those of the exported entry points.
//
// Why instructions and not times: the machines we measure on are shared and
// noisy, while an instruction count of the same build on the same inputs is
// the same from run to run, so a change of a few percent shows.
//
// `dmaccess_instructions --list` prints "row driver goal" per row;
// `dmaccess_instructions ROW` prepares the caller's records for ROW, checks
// that the operation succeeds, runs ROW's driver and prints the number of
// calls (or elements scanned) the counted cost is to be divided by.
//
// Each driver is an extern "C" function that does nothing but call the
// operation over inputs prepared before it; bench/instructions counts only
// inside it (--collect-atstart=no --toggle-collect=DRIVER) and takes away the
// driver's own instructions (loop, argument loads, call and PLT jump): a
// figure is what the exported function runs from entry to return, callees
// included.  A call that fails while measured ends the program with status 1.
//
// GetValue_mix cycles through the enumerated DMA IDs that read as integers
// (the integer read refuses texts and fonts); GetValue_all_enumerated through
// every enumerated ID, refusals included.  Record by name is per element
// scanned: the name is one that no element of the N has (kind 4: a number
// past every key), so each call compares all N and transfers nothing, and the
// figure is the search alone.
#include <dmaccess/dmaccess.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#if defined(__clang__)
#define DRIVER extern "C" __attribute__((noinline, used)) long
#else
// noipa: no clone (measure_x.constprop.0) and no folding of look-alike
// drivers, either of which would leave the toggle name without a match.
#define DRIVER extern "C" __attribute__((noipa, used)) long
#endif

namespace {

// ---- the caller's records and the inputs of the drivers ---------------------

struct Inputs {
    std::vector<uint8_t> devMode = std::vector<uint8_t>(DMA_DEVMODE_MIN_SIZE);
    std::vector<uint8_t> secondary = std::vector<uint8_t>(DMA_SECONDARY_MIN_SIZE);
    std::vector<uint8_t> fax;
    std::vector<uint8_t> elements, states;  // the one record array in use
    DmaContext ctx{};
    std::vector<uint16_t> ids;      // DMA IDs or item IDs of a mix
    std::vector<int32_t> values;    // values a write cycles through (8 of them)
    std::vector<AttributeRecord> attributes = std::vector<AttributeRecord>(0x10000);
    std::vector<DmaIdEntry> entries = std::vector<DmaIdEntry>(0x10000);
    std::vector<uint8_t> info = std::vector<uint8_t>(DMA_USER_SETTING_INFO_SIZE);
    LOGFONTA font{};
    std::string name;   // record by name: matches the last element only
    std::string missing;  // record by name: matches no element
    int32_t kind = 0;
    uint32_t calls = 0;  // calls (or repetitions of the mix) per driver run
} g;

[[noreturn]] void Fail(const char *what, long got) {
    std::fprintf(stderr, "dmaccess_instructions: %s failed (result %ld); nothing measured\n",
                 what, got);
    std::exit(1);
}
void Expect(const char *what, DMA_RESULT got, DMA_RESULT want = DMA_OK) {
    if (got != want) Fail(what, static_cast<long>(got));
}

void WriteU16(uint8_t *at, const char *ascii, bool terminate) {
    size_t i = 0;
    for (; ascii[i] != '\0'; ++i) at[2 * i] = static_cast<uint8_t>(ascii[i]), at[2 * i + 1] = 0;
    if (terminate) at[2 * i] = at[2 * i + 1] = 0;
}

// Zeroed records, as a driver hands them over when nothing is set yet, with
// what the measured operations need: portrait (0x7 = 1) and item 295 in its
// first class (0x127 = 1), so that the linked write 0x140 is accepted; a
// device name that fills its 32 units; font 1 set; a fax-address block in the
// current layout with `faxEntries` entries.
void PrepareRecords(uint16_t faxEntries = 0) {
    g.fax.assign(DMA_FAX_HEADER_SIZE + size_t{DMA_FAX_ENTRY_SIZE} * faxEntries, 0);
    WriteU16(g.fax.data(), "ZOVA002", true);
    std::memcpy(g.fax.data() + offsetof(FaxAddressBlock, count), &faxEntries, 2);
    g.ctx.devMode = g.devMode.data();
    g.ctx.secondary = g.secondary.data();
    g.ctx.faxAddressBlock = g.fax.data();
    std::strcpy(g.ctx.ansiName, "bench");
    Expect("DMA_SetValue 0x7 = 1", DMA_SetValue(&g.ctx, 0x7, 1));
    Expect("DMA_SetValue 0x127 = 1", DMA_SetValue(&g.ctx, 0x127, 1));
    WriteU16(g.devMode.data(), "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", false);  // dmDeviceName
    g.font.lfHeight = -12;
    g.font.lfWeight = 700;
    std::strcpy(g.font.lfFaceName, "Arial");
    Expect("DMA_SetLogFontData 0x130", DMA_SetLogFontData(&g.ctx, 0x130, &g.font, sizeof g.font));
}

// A caller's array of `count` elements of `size` bytes, all in use, bound to
// the context's array of `kind`.  Kinds 2, 3, 7 are named "name0" ... and
// kind 4 keyed 1 ... count, so that only the last element matches g.name.
// Names are PREFIX followed by the element's index, zero-padded to `digits`.
void PrepareArray(int32_t kind, uint32_t count, const std::string &prefix = "name", int digits = 0) {
    const uint32_t size = static_cast<uint32_t>(DMA_QueryStructSize(kind));
    g.elements.assign(size_t{count} * size, 0);
    g.states.assign(count, DMA_STATE_IN_USE);
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t *element = g.elements.data() + size_t{i} * size;
        if (kind == DMA_KIND_4) {
            const uint16_t key = static_cast<uint16_t>(i + 1);
            std::memcpy(element, &key, 2);
            g.name = std::to_string(key);
        } else if (kind != DMA_KIND_FAX) {
            const std::string number = std::to_string(i);
            g.name = prefix + std::string(number.size() < size_t(digits) ? digits - number.size() : 0, '0') + number;
            WriteU16(element, g.name.c_str(), true);
        }
    }
    const RecordArray array{count, size, g.states.data(), g.elements.data()};
    switch (kind) {
    case DMA_KIND_2: g.ctx.kind2Records = array; break;
    case DMA_KIND_3: g.ctx.kind3Records = array; break;
    case DMA_KIND_4: g.ctx.kind4Records = array; break;
    case DMA_KIND_FAX: g.ctx.faxEntries = array; break;
    default: g.ctx.kind7Records = array; break;
    }
}

// The DMA IDs of the catalogue (enumeration of target type 1) that read as
// integers on the records: the mix that the integer read is measured on.
// With `all`, every enumerated ID, texts and fonts too (those the read
// refuses); returns how many of the mix are refused.
long CollectDmaIds(bool all) {
    uint16_t count = 0;
    Expect("DMA_EnumDMAID_ByTargetInfo size query",
           DMA_EnumDMAID_ByTargetInfo(&g.ctx, 1, &count, nullptr), DMA_E_MORE_DATA);
    Expect("DMA_EnumDMAID_ByTargetInfo", DMA_EnumDMAID_ByTargetInfo(&g.ctx, 1, &count, g.entries.data()));
    long refused = 0;
    for (uint16_t i = 0; i < count; ++i) {
        int32_t v = 0;
        const bool reads = DMA_GetValue(&g.ctx, g.entries[i].dmaId, &v) == DMA_OK;
        if (reads || all) g.ids.push_back(static_cast<uint16_t>(g.entries[i].dmaId));
        refused += !reads && all;
    }
    if (g.ids.empty()) Fail("DMA_GetValue on every enumerated DMA ID", DMA_E_FAILED);
    return refused;
}

// Every item ID that the raw read serves on the records.
void CollectReadableItems() {
    for (uint32_t id = 1; id <= 0xFFFF; ++id) {
        uint16_t type = 0, area = 0;
        int32_t length = 0;
        uint8_t buffer[16];
        if (dma_GetValue(static_cast<uint16_t>(id), g.ctx.devMode, g.ctx.secondary, &type, &length,
                         buffer, &area) == DMA_RS_OK)
            g.ids.push_back(static_cast<uint16_t>(id));
    }
    if (g.ids.empty()) Fail("dma_GetValue on every item ID", DMA_RS_FAILED);
}

}  // namespace

// ---- the drivers: nothing but the measured calls ------------------------------
// Each returns how many of its calls did not return their success code.

DRIVER measure_GetValue_mix() {
    long bad = 0;
    int32_t v;
    for (uint32_t r = 0; r < g.calls; ++r)
        for (uint16_t id : g.ids) bad += DMA_GetValue(&g.ctx, id, &v) != DMA_OK;
    return bad;
}

DRIVER measure_raw_GetValue_mix() {
    long bad = 0;
    uint16_t type, area;
    int32_t length;
    uint8_t buffer[16];
    for (uint32_t r = 0; r < g.calls; ++r)
        for (uint16_t id : g.ids)
            bad += dma_GetValue(id, g.devMode.data(), g.secondary.data(), &type, &length, buffer,
                                &area) != DMA_RS_OK;
    return bad;
}

// The write of one DMA ID (g.ids[0]) cycling through the eight g.values.
DRIVER measure_SetValue() {
    long bad = 0;
    for (uint32_t i = 0; i < g.calls; ++i) bad += DMA_SetValue(&g.ctx, g.ids[0], g.values[i & 7]) != DMA_OK;
    return bad;
}

DRIVER measure_GetStringData() {
    long bad = 0;
    char buffer[32];
    for (uint32_t i = 0; i < g.calls; ++i) {
        uint32_t length = sizeof buffer;
        bad += DMA_GetStringData(&g.ctx, 0x1, buffer, &length) != DMA_OK;
    }
    return bad;
}

// Size query and filling call together: what a caller does for one answer.
DRIVER measure_QueryAttributes() {
    long bad = 0;
    for (uint32_t i = 0; i < g.calls; ++i) {
        uint16_t count = 0;
        bad += DMA_QueryAttributes(&g.ctx, &count, nullptr, nullptr) != DMA_E_MORE_DATA;
        bad += DMA_QueryAttributes(&g.ctx, &count, nullptr, g.attributes.data()) != DMA_OK;
    }
    return bad;
}

DRIVER measure_EnumDMAID() {
    long bad = 0;
    for (uint32_t i = 0; i < g.calls; ++i) {
        uint16_t count = 0;
        bad += DMA_EnumDMAID_ByTargetInfo(&g.ctx, 1, &count, nullptr) != DMA_E_MORE_DATA;
        bad += DMA_EnumDMAID_ByTargetInfo(&g.ctx, 1, &count, g.entries.data()) != DMA_OK;
    }
    return bad;
}

DRIVER measure_GetLogFontData() {
    long bad = 0;
    LOGFONTA font;
    for (uint32_t i = 0; i < g.calls; ++i) {
        uint32_t length = sizeof font;
        bad += DMA_GetLogFontData(&g.ctx, 0x130, &font, &length) != DMA_OK;
    }
    return bad;
}

DRIVER measure_SetLogFontData() {
    long bad = 0;
    for (uint32_t i = 0; i < g.calls; ++i) bad += DMA_SetLogFontData(&g.ctx, 0x130, &g.font, 60) != DMA_OK;
    return bad;
}

DRIVER measure_GetUserSettingInfo() {
    long bad = 0;
    for (uint32_t i = 0; i < g.calls; ++i) {
        uint32_t size = DMA_USER_SETTING_INFO_SIZE;
        bad += DMA_GetUserSettingInfo(&g.ctx, g.info.data(), &size) != DMA_OK;
    }
    return bad;
}

DRIVER measure_SetUserSettingInfo() {
    long bad = 0;
    for (uint32_t i = 0; i < g.calls; ++i) bad += DMA_SetUserSettingInfo(&g.ctx, g.info.data()) != DMA_OK;
    return bad;
}

// Kind 5 by position, cycling over the array's entries (all in use).
DRIVER measure_load_by_position() {
    long bad = 0;
    for (uint32_t i = 0; i < g.calls; ++i)
        bad += DMA_AccessibleData(&g.ctx, DMA_KIND_FAX, i % g.ctx.faxEntries.count + 1) != DMA_OK;
    return bad;
}

DRIVER measure_store_by_position() {
    long bad = 0;
    for (uint32_t i = 0; i < g.calls; ++i)
        bad += DMA_ApplyData(&g.ctx, DMA_KIND_FAX, 0, i % g.ctx.faxEntries.count + 1) != DMA_OK;
    return bad;
}

// Looks for g.missing, a name no element of the array has: every call scans
// the whole array and fails with the kind's "no such record" code.
DRIVER measure_record_by_name() {
    long bad = 0;
    const intptr_t name = reinterpret_cast<intptr_t>(g.missing.c_str());
    for (uint32_t i = 0; i < g.calls; ++i) bad += DMA_AccessibleData(&g.ctx, g.kind, name) != DMA_OK;
    return bad;
}

namespace {

// ---- the rows ---------------------------------------------------------------

struct Row { std::string name; const char *driver; long goal; };  // goal 0: none set

std::vector<Row> Rows() {
    std::vector<Row> rows = {
        {"GetValue_mix", "measure_GetValue_mix", 106},
        {"GetValue_all_enumerated", "measure_GetValue_mix", 0},
        {"SetValue_0x8_plain_SHORT", "measure_SetValue", 126},
        {"SetValue_0x140_linked", "measure_SetValue", 196},
        {"GetStringData_0x1_32_chars", "measure_GetStringData", 478},
        {"QueryAttributes_full_scan", "measure_QueryAttributes", 160000},
        {"EnumDMAID_ByTargetInfo_type1", "measure_EnumDMAID", 25000},
        {"raw_GetValue_item_mix", "measure_raw_GetValue_mix", 0},
        {"GetLogFontData_0x130", "measure_GetLogFontData", 0},
        {"SetLogFontData_0x130", "measure_SetLogFontData", 0},
        {"GetUserSettingInfo", "measure_GetUserSettingInfo", 0},
        {"SetUserSettingInfo", "measure_SetUserSettingInfo", 0},
        {"AccessibleData_kind5_by_position", "measure_load_by_position", 0},
        {"ApplyData_kind5_by_position", "measure_store_by_position", 0},
    };
    for (int kind : {2, 3, 4, 7})
        for (int n : {10, 100, 1000})
            rows.push_back({"record_by_name_kind" + std::to_string(kind) + "_N" + std::to_string(n),
                            "measure_record_by_name", 100});
    // Names that share their first 14 characters, the last one searched for.
    rows.push_back({"record_by_name_kind3_N1000_shared_prefix", "measure_record_by_name", 100});
    return rows;
}

// Prepares ROW's inputs, checks the operation once, runs its driver.  Returns
// what the driver's cost is to be divided by, or 0 for an unknown row.
uint64_t Run(const std::string &row) {
    PrepareRecords();
    long (*driver)() = nullptr;
    uint64_t perIteration = 1;  // calls (or elements scanned) per round of the driver
    DmaContext *ctx = &g.ctx;
    long refusals = 0;  // calls of the driver that are meant to fail
    if (row == "GetValue_mix" || row == "GetValue_all_enumerated") {
        // Each ID read once already; the second row keeps the text and font
        // IDs too, whose quick refusals the read is expected to return.
        refusals = CollectDmaIds(row == "GetValue_all_enumerated");
        g.calls = 20;
        refusals *= g.calls;
        driver = measure_GetValue_mix;
        perIteration = g.ids.size();
    } else if (row == "raw_GetValue_item_mix") {
        CollectReadableItems();
        g.calls = 20;
        driver = measure_raw_GetValue_mix;
        perIteration = g.ids.size();
    } else if (row.rfind("SetValue_", 0) == 0) {
        // 0x8 (dmPaperSize) stores its value and nothing else; 0x140 reads
        // 0x7 and item 295 and derives item 326 from them (values 1-8 are
        // all accepted in portrait with item 295 in its first class).
        g.ids = {static_cast<uint16_t>(row == "SetValue_0x140_linked" ? 0x140 : 0x8)};
        g.values = {1, 2, 3, 4, 5, 6, 7, 8};
        for (int32_t v : g.values) Expect("DMA_SetValue", DMA_SetValue(ctx, g.ids[0], v));
        g.calls = 20000;
        driver = measure_SetValue;
    } else if (row == "GetStringData_0x1_32_chars") {
        char buffer[32];
        uint32_t length = sizeof buffer;
        Expect("DMA_GetStringData 0x1", DMA_GetStringData(ctx, 0x1, buffer, &length));
        if (std::memcmp(buffer, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", 32) != 0)
            Fail("DMA_GetStringData 0x1 (the text read back)", 0);
        g.calls = 10000;
        driver = measure_GetStringData;
    } else if (row == "QueryAttributes_full_scan") {
        uint16_t count = 0;
        Expect("DMA_QueryAttributes size query", DMA_QueryAttributes(ctx, &count, nullptr, nullptr),
               DMA_E_MORE_DATA);
        Expect("DMA_QueryAttributes", DMA_QueryAttributes(ctx, &count, nullptr, g.attributes.data()));
        g.calls = 20;
        driver = measure_QueryAttributes;
    } else if (row == "EnumDMAID_ByTargetInfo_type1") {
        CollectDmaIds(false);  // checks the size query and the filling call
        g.calls = 200;
        driver = measure_EnumDMAID;
    } else if (row == "GetLogFontData_0x130" || row == "SetLogFontData_0x130") {
        LOGFONTA font{};
        uint32_t length = sizeof font;
        Expect("DMA_GetLogFontData 0x130", DMA_GetLogFontData(ctx, 0x130, &font, &length));
        if (font.lfWeight != 700 || std::strcmp(font.lfFaceName, "Arial") != 0)
            Fail("DMA_GetLogFontData 0x130 (the font read back)", 0);
        g.calls = 10000;
        driver = row[0] == 'G' ? measure_GetLogFontData : measure_SetLogFontData;
    } else if (row == "GetUserSettingInfo" || row == "SetUserSettingInfo") {
        uint32_t size = DMA_USER_SETTING_INFO_SIZE;
        Expect("DMA_GetUserSettingInfo", DMA_GetUserSettingInfo(ctx, g.info.data(), &size));
        Expect("DMA_SetUserSettingInfo", DMA_SetUserSettingInfo(ctx, g.info.data()));
        g.calls = 500;
        driver = row[0] == 'G' ? measure_GetUserSettingInfo : measure_SetUserSettingInfo;
    } else if (row.find("_kind5_by_position") != std::string::npos) {
        PrepareRecords(8);
        PrepareArray(DMA_KIND_FAX, 8);
        Expect("DMA_AccessibleData kind 5", DMA_AccessibleData(ctx, DMA_KIND_FAX, 1));
        Expect("DMA_ApplyData kind 5", DMA_ApplyData(ctx, DMA_KIND_FAX, 0, 1));
        g.calls = 5000;
        driver = row.rfind("AccessibleData", 0) == 0 ? measure_load_by_position
                                                       : measure_store_by_position;
    } else if (row == "record_by_name_kind3_N1000_shared_prefix") {
        g.kind = DMA_KIND_3;
        PrepareArray(g.kind, 1000, "Destination ", 5);
        g.missing = g.name;  // found at the last element: every element compared
        Expect("DMA_AccessibleData by name",
               DMA_AccessibleData(ctx, g.kind, reinterpret_cast<intptr_t>(g.name.c_str())));
        g.calls = 20;
        driver = measure_record_by_name;
        perIteration = 1000;
    } else if (row.rfind("record_by_name_kind", 0) == 0) {
        g.kind = row[19] - '0';
        const uint32_t n = static_cast<uint32_t>(std::stoul(row.substr(row.rfind('N') + 1)));
        PrepareArray(g.kind, n);
        Expect("DMA_AccessibleData by name",
               DMA_AccessibleData(ctx, g.kind, reinterpret_cast<intptr_t>(g.name.c_str())));
        g.missing = g.kind == DMA_KIND_4 ? std::to_string(n + 1) : "name" + std::to_string(n);
        const DMA_RESULT none = g.kind == DMA_KIND_4 ? DMA_E_NO_KIND4_RECORD : DMA_E_NO_RECORD;
        if (DMA_AccessibleData(ctx, g.kind, reinterpret_cast<intptr_t>(g.missing.c_str())) != none)
            Fail("DMA_AccessibleData of a missing name", 1);
        g.calls = 20000 / n;  // 20000 elements scanned whatever N is
        driver = measure_record_by_name;
        perIteration = n;
        refusals = static_cast<long>(g.calls);
    } else {
        return 0;
    }
    const long bad = driver() - refusals;
    if (bad != 0) Fail((row + ": a measured call").c_str(), bad);
    return g.calls * perIteration;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const Row &row : Rows()) std::printf("%s %s %ld\n", row.name.c_str(), row.driver, row.goal);
        return 0;
    }
    const uint64_t divisor = argc == 2 ? Run(argv[1]) : 0;
    if (divisor == 0) {
        std::fprintf(stderr, "usage: dmaccess_instructions --list | ROW (a row of --list)\n");
        return 2;
    }
    std::printf("%llu\n", static_cast<unsigned long long>(divisor));
    return 0;
}
