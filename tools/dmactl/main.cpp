// main.cpp - dmactl's command line: options, subcommands and exit statuses.
//
// Exit statuses: 0 done; 1 the command failed (bad input, refused value,
// unreadable file; the message says which); 2 the command line itself is
// wrong.
#include <exception>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "cli_support.h"
#include "commands.h"
#include "names.h"

using namespace dmactl;

int main(int argc, char **argv) {
    UseUtf8Arguments(argc, argv);
    CLI::App app{"dmactl - read and change printer driver settings by DMA ID", "dmactl"};
    app.require_subcommand(1);
    app.fallthrough();
    Globals g;
    app.add_option("--set", g.records.setName,
                   "record set NAME: the files NAME.devmode, NAME.secondary and (if present) NAME.fax");
    app.add_option("--devmode", g.records.devModePath,
                   fmt::format("DEVMODEW record file (at least {} bytes)", DMA_DEVMODE_MIN_SIZE));
    app.add_option("--secondary", g.records.secondaryPath,
                   fmt::format("secondary settings record file (at least {} bytes)", DMA_SECONDARY_MIN_SIZE));
    app.add_option("--fax", g.records.faxPath, "fax-address block file");
    app.add_option("--wait", g.records.waitSeconds,
                   "seconds to wait while another run changes the same record set (default 5)")
        ->check(CLI::Range(0.0, 86400.0));
    app.add_flag("--json", g.json, "print JSON instead of a table");
    std::string namesFile;
    app.add_option("--names", namesFile,
                   "the team's names file (\"<DMA ID> <name> [<value>=<name> ...]\" a line); else $DMACTL_NAMES, else "
                   "the user's config folder: dmactl/names");
    app.set_version_flag("--version", std::string("dmactl ") + DMACCESS_VERSION_STRING,
                         "print the version and exit");
    // The manual page and bash completion are generated from this very
    // definition at build time (dmactl --generate man|bash-completion).
    std::string generate;
    app.add_option("--generate", generate)->group("")->check(CLI::IsMember({"man", "bash-completion"}));
    app.footer(R"(Without record files dmactl works on built-in default records.

tasks:
  dmactl new job                              blank records job.devmode, job.secondary, job.fax
  dmactl --set job get dmOrientation          one setting: value, place, range, linked settings, aliases
  dmactl --set job set dmOrientation 2        change it; the linked settings that followed are listed
  dmactl --set job show                       every setting with its value
  dmactl --set job validate                   check a record set as a whole (exit 1 on a problem)
  dmactl diff defaults job                    what differs (exit 1 when anything does; --quiet)
  dmactl report defaults job -o job.html      the same as one HTML page, with a byte map of the records
  dmactl --set job export -o job.json         every setting as JSON ("-": standard output)
  dmactl --set copy import job.json           and back ("-": standard input)
  dmactl docprop show FILE                    sections of a document-property file
  dmactl help COMMAND                         the options of one command

names:
  Settings are named by DMA ID (0x0007 or 7) or by name (dmOrientation, in any case).
  The DEVMODEW members are built in; a team's names file adds or renames others:
  one "<DMA ID> <name>" a line, '#' comments. It is --names FILE, else the file in
  DMACTL_NAMES, else $XDG_CONFIG_HOME/dmactl/names (~/.config/dmactl/names;
  %APPDATA%\dmactl\names on Windows).

exit status:
  0 done; 1 the command failed or found a problem (diff: the records differ);
  2 the command line is wrong. With --json, errors are JSON on standard error:
  {"error": {"message": ..., "status": ..., "file": ..., "entry": ...}}.)");

    AddHelpCommand(app, g);
    AddSettingsCommands(app, g);
    AddDiffCommand(app, g);
    AddReportCommand(app, g);
    AddValidateCommand(app, g);
    AddTransferCommands(app, g);
    AddDocPropCommands(app, g);
    AddFaxCommands(app, g);
    AddRecordsCommands(app, g);
    AddUserSettingsCommands(app, g);

    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--generate") app.require_subcommand(0, 1);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &e) {
        return FinishOutput(app.exit(e), false);
    } catch (const CLI::CallForAllHelp &e) {
        return FinishOutput(app.exit(e), false);
    } catch (const CLI::CallForVersion &e) {
        return FinishOutput(app.exit(e), false);
    } catch (const CLI::ParseError &e) {
        bool json = false;
        for (int i = 1; i < argc; ++i) json = json || std::string(argv[i]) == "--json";
        // A word that names no command reads better than "subcommand required".
        const std::vector<std::string> rest = app.remaining();
        if (app.get_subcommands().empty() && !rest.empty() && !rest.front().empty() && rest.front()[0] != '-') {
            std::string commands;
            for (const CLI::App *sub : app.get_subcommands([](const CLI::App *x) { return !x->get_group().empty(); }))
                commands += (commands.empty() ? "" : ", ") + sub->get_name();
            ReportError(json, "unknown command \"" + rest.front() + "\"; the commands are " + commands +
                                  " (dmactl --help)", 2);
            return 2;
        }
        if (json) {
            ReportError(true, e.what(), 2);
            return 2;
        }
        app.exit(e);
        return 2;
    }
    if (!generate.empty()) {
        Print(generate == "man" ? ManPage(app) : BashCompletion(app));
        return FinishOutput(0, false);
    }
    int status;
    try {
        LoadNames(namesFile);
        status = g.run ? g.run() : 2;
    } catch (const UserError &e) {
        ReportError(g.json, e.what(), e.status, e.file, e.entry);
        status = e.status;
    } catch (const std::exception &e) {
        ReportError(g.json, std::string("internal error: ") + e.what(), 1);
        status = 1;
    }
    return FinishOutput(status, g.json);
}
