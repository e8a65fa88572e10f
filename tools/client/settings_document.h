// settings_document.h - the settings document as a whole: every setting of a
// record set written out, and a document brought back as a plan that is
// checked in full before the first record changes.
//
// An import runs in three steps, so that a refused document changes no file:
//  1. PlanImport checks every entry (known DMA ID, kind, value the setting
//     can take, no DMA ID twice) and orders the writes;
//  2. ApplyImport writes the plan into a copy of the records and checks that
//     every setting holds the document's value afterwards;
//  3. the caller saves the changed records (SaveChangedRecords) and reports
//     the result.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "json_form.h"
#include "record_files.h"
#include "settings.h"

namespace dmaclient {

// The document of every readable setting of `set`, one setting a line so that
// two documents compare well with diff(1).
struct ExportedDocument {
    std::string text;
    size_t settings = 0;
    Json unreadable = Json::array();  // {"id", "name", "reason"} of each setting left out
};
ExportedDocument ExportDocument(RecordSet &set);

// One write of an import: the document's value for a setting, and the entry
// that asked for it ("settings[12]").
struct PlannedWrite {
    Setting setting;
    Value value;
    std::string entry;
};

struct ImportPlan {
    std::string source;                // the document as messages name it
    std::vector<PlannedWrite> writes;  // in the order they are made: ascending DMA IDs
    std::map<uint16_t, size_t> index;  // DMA ID -> its entry's place in the document
    // "job.json: settings[12]": where a write's entry is, for messages.
    std::string Where(const PlannedWrite &w) const { return source + ": " + w.entry; }
};

// Checks every entry of a parsed document against the settings of `ctx`.
// Throws UserError naming the source and the entry at the first fault.
ImportPlan PlanImport(const std::vector<DocumentEntry> &entries, const std::string &source, DmaContext &ctx);

struct ImportResult {
    // Settings that do not hold the document's value after the import
    // although no other entry overwrote them (the library adjusted them);
    // each is also noted on standard error as it is found.
    struct Differing {
        const PlannedWrite *write;
        Value now;
    };
    std::vector<Differing> differing;
    // Writes that changed a record taken from the built-in defaults, which
    // is never saved, with the record they changed.
    std::vector<std::pair<const PlannedWrite *, RecordKind>> unsaved;
};

// Writes the plan into `after`, a copy of `before`.  Throws UserError ("...;
// no file was changed") for a write the library refuses and for two entries
// that write the same bytes with different values, naming both.  The result
// points into `plan`.
ImportResult ApplyImport(const ImportPlan &plan, const RecordSet &before, RecordSet &after);

}  // namespace dmaclient
