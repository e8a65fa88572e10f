// operands.h - how a command's operands name records: a record file by its
// extension (.devmode, .secondary, .fax), a record set by its name, and text
// files read whole.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "record_files.h"
#include "settings.h"

namespace dmaclient {

bool EndsWith(const std::string &s, const std::string &tail);

// The selection of one record file named by its extension; a selection of
// nothing (AnyFile() false) for any other name.
RecordSelection SelectionOfFile(const std::string &path);

// True when NAME.devmode or NAME.secondary exists: `name` names a record set.
bool RecordSetExists(const std::string &name);

// A whole file as text ("-": standard input); throws UserError as
// ReadFileBytes does.
std::string ReadTextFile(const std::string &path);

// Every setting's value in one record set (or in a settings document).
struct SettingValues {
    std::map<uint16_t, Setting> settings;
    std::map<uint16_t, Value> values;  // the readable ones
};
SettingValues ValuesOf(RecordSet &set);

// The values an operand names: "defaults", a settings document (*.json, or
// "-"), one record file (*.devmode, *.secondary, *.fax; the other records are
// the built-in defaults) or a record set name.
SettingValues ValuesOfOperand(const std::string &operand);

// The same operand with the records behind its values: a settings document
// has none (records stays empty), every other operand its record set.
struct OperandValues {
    SettingValues values;
    std::optional<RecordSet> records;
};
OperandValues LoadOperand(const std::string &operand);

// The settings whose values differ, ascending; settings that only one side
// has (a settings document may hold a few) are counted, not compared.
struct SettingsDiff {
    std::vector<uint16_t> differing;
    size_t onlyOld = 0, onlyNew = 0;
};
SettingsDiff Compare(const SettingValues &a, const SettingValues &b);

}  // namespace dmaclient
