// import_rules.h - how a settings document is applied to records, as data
// and as the two predicates that decide a write.
//
// dmactl's `import` (ApplyImport, settings_document.cpp) and every other
// client that imports the same document (the Python package reads these
// rules from dmaccess-metadata.json) must leave the same bytes behind.  The
// rules are stated here once: the metadata generator writes them out, and
// the import's own conditions are the two predicates below.
//
//  1. Every entry is checked before anything is written, in the order of
//     kImportChecks; the first fault refuses the whole document.
//  2. The entries are applied in ascending DMA ID order: the DEVMODEW
//     members (dmOrientation among them) come first, and every linked
//     setting comes after the setting it follows, so the document's own value
//     of a linked setting is the one that stays.
//  3. An entry whose setting already holds the document's value is passed
//     over (a write could only disturb the settings that share its bytes),
//     unless ImportAlwaysWrites says otherwise.
//  4. A write the library refuses fails the import, except for a driver of a
//     linked setting whose value was stored although its follower could not
//     follow, when the document holds the follower's own entry.
//  5. Afterwards every entry for which ImportVerifies holds must read back as
//     the document's value.
#pragma once

#include "settings.h"

namespace dmaclient {

// The checks of one entry, in the order they are made (the names are those
// of the metadata file; the order of the entries is "dmaId", ascending): the entry is an object with "id" and "value"; the id
// is a DMA ID; it appears once in the document; the records offer it; the
// entry's "kind", when given, is the setting's; the value has the kind's
// form; the value passes CheckValue.
inline constexpr const char *kImportChecks[] = {"entry", "id", "unique", "known", "kind", "form", "value"};

// True for the settings that are written even when they already hold the
// document's value: the protected write-only IDs (they read back as their
// stored form, so holding cannot be told) and the drivers of linked settings
// (their followers must follow them as with `set`).
inline bool ImportAlwaysWrites(const Setting &s) { return s.where.plainId != 0 || LinkedSettingOf(s) != 0; }

// True for the settings whose value is compared with the document after the
// import: all but the protected write-only IDs.
inline bool ImportVerifies(const Setting &s) { return s.where.plainId == 0; }

}  // namespace dmaclient
