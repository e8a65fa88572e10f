// operands.h - how a command's operands name records: a record file by its
// extension (.devmode, .secondary, .fax), a record set by its name, and text
// files read whole.
#pragma once

#include <string>

#include "record_files.h"

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

}  // namespace dmaclient
