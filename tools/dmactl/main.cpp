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
    app.footer("Without record files dmactl works on built-in default records.");

    std::function<int()> run;

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
    diff->callback([&] { run = [&] { return CmdDiff(g, a, b); }; });

    std::string outFile;
    auto *exp = app.add_subcommand("export", "every available setting as a JSON settings document");
    exp->add_option("-o,--output", outFile, "write to FILE instead of standard output");
    exp->callback([&] { run = [&] { return CmdExport(g, outFile); }; });

    std::string inFile;
    auto *imp = app.add_subcommand("import", "apply a JSON settings document to the record files");
    imp->add_option("file", inFile, "settings document")->required();
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

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp &e) {
        return app.exit(e);
    } catch (const CLI::ParseError &e) {
        // A word that names no command reads better than "subcommand required".
        const std::vector<std::string> rest = app.remaining();
        if (app.get_subcommands().empty() && !rest.empty() && !rest.front().empty() && rest.front()[0] != '-') {
            Note("unknown command \"" + rest.front() +
                 "\"; the commands are catalogue, show, get, set, diff, export, import, new, docprop, fax, "
                 "records, usersettings "
                 "(dmactl --help)");
            return 2;
        }
        app.exit(e);
        return 2;
    }
    try {
        LoadNames(namesFile);
        return run ? run() : 2;
    } catch (const UserError &e) {
        Note(e.what());
        return e.status;
    } catch (const std::exception &e) {
        Note(std::string("internal error: ") + e.what());
        return 1;
    }
}
