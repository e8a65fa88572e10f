// commands.h - the dmactl commands.  Each takes the global options, prints
// its result (an aligned table, or JSON with --json) and returns the exit
// status; failures the user can act on are thrown as UserError.
#pragma once

#include <string>
#include <vector>

#include "record_files.h"

namespace dmactl {

struct Globals {
    RecordSelection records;
    bool json = false;
};

// Writes text to standard output unchanged (no newline translation).
void Print(const std::string &text);
// Writes a note for people to standard error.
void Note(const std::string &text);

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

}  // namespace dmactl
