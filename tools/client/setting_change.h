// setting_change.h - one setting changed in a record set, and what changed
// with it: the linked settings the library derived from the new value.
#pragma once

#include <string>
#include <vector>

#include "record_files.h"
#include "settings.h"

namespace dmaclient {

// A setting's value as read, or the library's refusal to read it.
struct Reading {
    DMA_RESULT result = DMA_OK;
    Value value;
    bool operator==(const Reading &o) const { return result == o.result && (result != DMA_OK || value == o.value); }
};

struct SettingChange {
    Setting target;
    bool hadPrevious = false;  // the target is among the readable-or-not settings listed before
    Reading previous;
    bool readable = false;  // false for a write-only setting
    Value value;            // the target's value now, when readable
    struct Followed {
        const Setting *setting;  // into `all`
        Reading before, after;
    };
    std::vector<Setting> all;
    std::vector<Followed> followed;  // other settings whose value changed with it
    std::vector<std::string> written;
    bool anyChange = false;  // any byte of any record changed
    bool unsaved = false;    // a changed record is a built-in default, not saved
};

// Parses `words` for the setting `idText` names, writes it into the records
// of `selection` and saves the records that changed.  Throws UserError ("set
// ID: ...; nothing was changed") when the library refuses the value.
SettingChange ChangeSetting(const RecordSelection &selection, const std::string &idText,
                            const std::vector<std::string> &words);

}  // namespace dmaclient
