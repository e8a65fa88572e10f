// main.cpp - dmactl's command line: options, subcommands and exit statuses.
//
// Exit statuses: 0 done; 1 the command failed (bad input, refused value,
// unreadable file; the message says which); 2 the command line itself is
// wrong.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>
#endif

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "cli_support.h"
#include "commands.h"
#include "names.h"

using namespace dmactl;

int main(int argc, char **argv) {
#if defined(_WIN32)
    // Output is UTF-8 and byte-identical to the native tool's.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // The arguments as UTF-8 too: argv holds them in the ANSI code page,
    // which loses every character it lacks before the tool could refuse it.
    std::vector<std::string> utf8Args;
    std::vector<char *> utf8Argv;
    int wargc = 0;
    if (LPWSTR *wargv = CommandLineToArgvW(GetCommandLineW(), &wargc)) {
        for (int i = 0; i < wargc; ++i) {
            const int n = WideCharToMultiByte(CP_UTF8, 0, wargv[i], -1, nullptr, 0, nullptr, nullptr);
            std::string arg(static_cast<size_t>(n > 0 ? n : 1), '\0');
            if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wargv[i], -1, arg.data(), n, nullptr, nullptr);
            arg.resize(arg.size() - 1);
            utf8Args.push_back(arg);
        }
        LocalFree(wargv);
        for (std::string &arg : utf8Args) utf8Argv.push_back(arg.data());
        utf8Argv.push_back(nullptr);
        argc = wargc;
        argv = utf8Argv.data();
    }
#endif
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
    app.add_flag("--json", g.json, "print JSON instead of a table");
    std::string namesFile;
    app.add_option("--names", namesFile,
                   "the team's names file (\"<DMA ID> <name>\" a line); else $DMACTL_NAMES, else "
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

    std::function<int()> run;

    std::vector<std::string> helpWords;
    auto *help = app.add_subcommand("help", "the options and arguments of a command: dmactl help COMMAND");
    help->add_option("command", helpWords, "command (and subcommand)");
    help->callback([&] {
        run = [&] {
            const CLI::App *at = &app;
            std::string prefix = "dmactl";
            for (const std::string &w : helpWords) {
                const CLI::App *next = nullptr;
                for (const CLI::App *sub : at->get_subcommands([](const CLI::App *) { return true; }))
                    if (sub->check_name(w)) next = sub;
                if (!next) throw UserError(fmt::format("help: no command \"{}\" (dmactl --help lists them)", w), 2);
                if (at != &app) prefix += " " + at->get_name();
                at = next;
            }
            Print(at == &app ? app.help() : at->help(prefix));
            return 0;
        };
    });

    int target = 1;
    auto *cat = app.add_subcommand("catalogue", "every DMA ID with its kind, buffer size and storage place");
    cat->alias("catalog");
    cat->add_option("--target", target, "1: whole catalogue; 2, 3, 4, 5, 7: the fields of that record kind")
        ->check(CLI::IsMember({1, 2, 3, 4, 5, 7}));
    cat->callback([&] { run = [&] { return CmdCatalogue(g, target); }; });

    std::vector<std::string> ids;
    auto *show = app.add_subcommand("show", "every available setting with its value, or the given DMA IDs");
    show->add_option("ids", ids, "DMA IDs (0x hex or decimal)");
    show->callback([&] { run = [&] { return CmdShow(g, ids); }; });

    std::string id;
    auto *get = app.add_subcommand("get", "one setting with its value and where it is stored");
    get->add_option("id", id, "DMA ID")->required();
    get->alias("describe");
    get->callback([&] { run = [&] { return CmdGet(g, id); }; });

    std::vector<std::string> words;
    auto *set = app.add_subcommand("set", "change one setting and show the linked settings that followed it");
    set->add_option("id", id, "DMA ID")->required();
    set->add_option("value", words,
                    "integer (decimal, 0x hex; on/off for flags), text, or font members name=value")
        ->required();
    set->callback([&] { run = [&] { return CmdSet(g, id, words); }; });

    std::string a, b;
    auto *diff = app.add_subcommand("diff", "settings that differ between two record sets");
    diff->add_option("old", a, "record set NAME, record file FILE.devmode/.secondary/.fax, settings document FILE.json, or \"defaults\"")->required();
    diff->add_option("new", b, "record set NAME, record file FILE.devmode/.secondary/.fax, settings document FILE.json, or \"defaults\"")->required();
    bool quiet = false;
    diff->add_flag("-q,--quiet", quiet, "print nothing; the exit status says whether they differ");
    diff->callback([&] { run = [&] { return CmdDiff(g, a, b, quiet); }; });

    std::vector<std::string> operands;
    auto *val = app.add_subcommand(
        "validate", "check records, fax-address blocks or document-property files as a whole; exit 1 on a problem");
    val->add_option("files", operands,
                    "record set NAME, FILE.devmode/.secondary/.fax, or a document-property file; "
                    "none: the records of --set/--devmode/--secondary/--fax");
    val->callback([&] { run = [&] { return CmdValidate(g, operands); }; });

    std::string outFile;
    auto *exp = app.add_subcommand("export", "every available setting as a JSON settings document");
    exp->add_option("-o,--output", outFile, "write to FILE instead of standard output (\"-\": standard output)");
    exp->add_option("file", outFile, "the same as -o FILE");
    exp->callback([&] { run = [&] { return CmdExport(g, outFile); }; });

    std::string inFile;
    auto *imp = app.add_subcommand("import", "apply a JSON settings document to the record files");
    imp->add_option("file", inFile, "settings document (\"-\": standard input)")->required();
    imp->callback([&] { run = [&] { return CmdImport(g, inFile); }; });

    std::string name;
    bool force = false;
    auto *nw = app.add_subcommand("new", "write blank records of the right sizes with default DEVMODEW members");
    nw->add_option("name", name, "record set NAME: writes NAME.devmode, NAME.secondary, NAME.fax");
    nw->add_flag("--force", force, "replace existing files");
    nw->callback([&] { run = [&] { return CmdNew(g, name, force); }; });

    auto *dp = app.add_subcommand("docprop", "document-property files");
    dp->require_subcommand(1);
    auto *dpShow = dp->add_subcommand("show", "sections, sizes, fax layout, destinations and header strings");
    dpShow->add_option("file", inFile, "document-property file")->required();
    dpShow->callback([&] { run = [&] { return CmdDocPropShow(g, inFile); }; });
    auto *dpUp = dp->add_subcommand("upgrade", "write the file with its fax section in the current layout");
    dpUp->add_option("in", inFile, "document-property file to read")->required();
    dpUp->add_option("out", outFile, "file to write (may be the same)")->required();
    dpUp->callback([&] { run = [&] { return CmdDocPropUpgrade(g, inFile, outFile); }; });

    AddRecordCommands(app, *dp, g, run);

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
    if (generate == "man") {
        Print(ManPage(app));
        return FinishOutput(0, false);
    }
    if (generate == "bash-completion") {
        Print(BashCompletion(app));
        return FinishOutput(0, false);
    }
    int status;
    try {
        LoadNames(namesFile);
        status = run ? run() : 2;
    } catch (const UserError &e) {
        ReportError(g.json, e.what(), e.status, e.file, e.entry);
        status = e.status;
    } catch (const std::exception &e) {
        ReportError(g.json, std::string("internal error: ") + e.what(), 1);
        status = 1;
    }
    return FinishOutput(status, g.json);
}
