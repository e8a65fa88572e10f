// commands.h - the dmactl command families.  Each family (one cmd_*.cpp)
// puts its commands and their options on the command line; a command runs
// after parsing, prints its result (an aligned table, or JSON with --json)
// and returns the exit status.  Failures the user can act on are thrown as
// UserError.
#pragma once

#include <functional>
#include <string>

#include "notes.h"
#include "output.h"
#include "record_files.h"

namespace CLI { class App; }

namespace dmactl {

struct Globals {
    RecordSelection records;
    bool json = false;
    std::function<int()> run;  // the command given, set while parsing
};

// Has `command` run when `c` is the command given.  It runs once parsing is
// done, so every option value is in place by then.
void OnRun(CLI::App *c, Globals &g, std::function<int()> command);

// The families, in the order --help lists their commands.
void AddHelpCommand(CLI::App &app, Globals &g);           // cli_support.cpp
void AddSettingsCommands(CLI::App &app, Globals &g);      // catalogue, show, get, set
void AddDiffCommand(CLI::App &app, Globals &g);           // diff
void AddReportCommand(CLI::App &app, Globals &g);         // report
void AddValidateCommand(CLI::App &app, Globals &g);       // validate
void AddTransferCommands(CLI::App &app, Globals &g);      // export, import, new
void AddDocPropCommands(CLI::App &app, Globals &g);       // docprop show, upgrade, new, extract
void AddFaxCommands(CLI::App &app, Globals &g);           // fax show, add, set, delete
void AddRecordsCommands(CLI::App &app, Globals &g);       // records new, show, apply, load, delete
void AddUserSettingsCommands(CLI::App &app, Globals &g);  // usersettings show, set

}  // namespace dmactl
