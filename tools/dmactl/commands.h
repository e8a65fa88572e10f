// commands.h - the dmactl commands.  Each takes the global options, prints
// its result (an aligned table, or JSON with --json) and returns the exit
// status; failures the user can act on are thrown as UserError.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "notes.h"
#include "record_files.h"

namespace dmactl {

using namespace dmaclient;  // the client core

struct Globals {
    RecordSelection records;
    bool json = false;
};

// Writes text to standard output unchanged (no newline translation).
void Print(const std::string &text);

int CmdCatalogue(const Globals &g, int target);
int CmdShow(const Globals &g, const std::vector<std::string> &ids);
int CmdGet(const Globals &g, const std::string &id);
int CmdSet(const Globals &g, const std::string &id, const std::vector<std::string> &words);
// Exit status 1 when the two differ, as diff(1); `quiet` prints nothing.
int CmdDiff(const Globals &g, const std::string &a, const std::string &b, bool quiet = false);
int CmdExport(const Globals &g, const std::string &outFile);
int CmdImport(const Globals &g, const std::string &file);
int CmdNew(const Globals &g, const std::string &name, bool force);
// Exit status 1 when any problem was found.
int CmdValidate(const Globals &g, const std::vector<std::string> &operands);
int CmdDocPropShow(const Globals &g, const std::string &file);
int CmdDocPropUpgrade(const Globals &g, const std::string &in, const std::string &out);
int CmdFaxShow(const Globals &g, const std::string &file);

// The record commands (cmd_fax.cpp, cmd_records.cpp, cmd_usersettings.cpp,
// cmd_docprop.cpp); AddRecordCommands (cli_records.cpp) puts them on the
// command line: fax, records, usersettings, and docprop new and extract.
int CmdFaxAdd(const Globals &g, const std::string &file, const std::vector<std::string> &fields);
int CmdFaxSet(const Globals &g, const std::string &file, const std::string &position,
              const std::vector<std::string> &fields);
int CmdFaxDelete(const Globals &g, const std::string &file, const std::string &position);
int CmdDocPropNew(const Globals &g, const std::string &out, const std::string &fromPrefix);
int CmdDocPropExtract(const Globals &g, const std::string &file, const std::string &prefix);
int CmdRecordsNew(const Globals &g, int kind, const std::string &file, unsigned count, bool force);
int CmdRecordsShow(const Globals &g, int kind, const std::string &file, const std::string &name, unsigned position);
int CmdRecordsApply(const Globals &g, int kind, const std::string &file, const std::string &name, unsigned position);
int CmdRecordsLoad(const Globals &g, int kind, const std::string &file, const std::string &name, unsigned position);
int CmdRecordsDelete(const Globals &g, int kind, const std::string &file, const std::string &name, unsigned position);
int CmdUserSettingsShow(const Globals &g, const std::string &file, const std::string &user, const std::string &out);
int CmdUserSettingsSet(const Globals &g, const std::string &file);

}  // namespace dmactl

namespace CLI { class App; }

namespace dmactl {
void AddRecordCommands(CLI::App &app, CLI::App &docprop, Globals &g, std::function<int()> &run);

}  // namespace dmactl
