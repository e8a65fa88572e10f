// fuzz_document.cpp - fuzz target for the settings document reader of dmactl
// (`dmactl import`): random text through ParseDocument, and a document it
// accepts planned (PlanImport) and applied (ApplyImport) onto a copy of the
// built-in records with their empty fax-address block, as the import does.
//
// A UserError is the reader refusing the input, as it should; any other
// exception escapes and libFuzzer reports it, as it does a crash or a
// sanitizer report.  Checks on what is accepted: every entry has a DMA ID
// other than 0; a plan holds one write per entry in ascending DMA IDs, each
// of the kind of its setting, and its index finds every entry; planning
// changes no record, and the records keep their sizes through the import.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_client_support.h"
#include "json_form.h"
#include "settings_document.h"

using namespace dmaclient;

namespace {

// Past this many entries the plan's pairwise checks cost more than the
// extra entries find; the reader still sees every document whole.
constexpr size_t kMostEntriesApplied = 24;

void Import(const std::vector<DocumentEntry> &entries) {
    const RecordSet &defaults = dmafuzz::DefaultSet();
    RecordSet after = defaults;
    DmaContext ctx = after.Context();
    ImportPlan plan;
    try {
        plan = PlanImport(entries, "fuzz.json", ctx);
    } catch (const UserError &) {
        return;
    }
    FUZZ_CHECK(plan.writes.size() == entries.size());
    FUZZ_CHECK(plan.index.size() == entries.size());
    for (size_t i = 0; i < plan.writes.size(); ++i) {
        const PlannedWrite &w = plan.writes[i];
        if (i > 0) FUZZ_CHECK(plan.writes[i - 1].setting.dmaId < w.setting.dmaId);
        FUZZ_CHECK(w.value.kind == w.setting.kind);
        const auto at = plan.index.find(w.setting.dmaId);
        FUZZ_CHECK(at != plan.index.end() && at->second < entries.size());
        FUZZ_CHECK(entries[at->second].dmaId == w.setting.dmaId);
    }
    // Nothing of `after` has changed yet: the plan only reads.
    FUZZ_CHECK(after.devMode.bytes == defaults.devMode.bytes);
    FUZZ_CHECK(after.secondary.bytes == defaults.secondary.bytes);
    FUZZ_CHECK(after.faxBlock->bytes == defaults.faxBlock->bytes);
    try {
        ApplyImport(plan, defaults, after);
    } catch (const UserError &) {
    }
    FUZZ_CHECK(after.devMode.bytes.size() == defaults.devMode.bytes.size());
    FUZZ_CHECK(after.secondary.bytes.size() == defaults.secondary.bytes.size());
    FUZZ_CHECK(after.faxBlock && after.faxBlock->bytes.size() == defaults.faxBlock->bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    dmafuzz::LoadBuiltInNames();
    (void)dmafuzz::DefaultSet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    std::vector<DocumentEntry> entries;
    try {
        entries = ParseDocument(text, "fuzz.json");
    } catch (const UserError &) {
        return 0;
    }
    for (const DocumentEntry &e : entries) FUZZ_CHECK(e.dmaId != 0);
    if (entries.size() <= kMostEntriesApplied) Import(entries);
    return 0;
}
