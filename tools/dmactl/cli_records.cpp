// cli_records.cpp - the command line of the record commands: fax, records,
// usersettings, and docprop new/extract.  Each help text says how to do the
// task, with an example.
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "commands.h"

namespace dmactl {

void AddRecordCommands(CLI::App &app, CLI::App &docprop, Globals &g, std::function<int()> &run) {
    // Option values live as long as the program: the callbacks only record
    // what to run, which main calls after parsing.
    struct Args {
        std::string file, file2, name, position, user, out, from;
        std::vector<std::string> words;
        int kind = 0;
        unsigned count = 0, pos = 0;
        bool force = false;
    };
    static Args a;
    Globals *gp = &g;
    std::function<int()> *runp = &run;

    auto *dpNew = docprop.add_subcommand(
        "new", "write a document-property file: from the record set (NDEV001 = the DEVMODEW record, empty TMBINFO "
               "and SPINFO, the set's fax-address block), or with --from from section files");
    dpNew->add_option("out", a.out, "file to write")->required();
    dpNew->add_option("--from", a.from, "PREFIX: join PREFIX.ndev, PREFIX.tmbinfo, PREFIX.spinfo, PREFIX.fax "
                                        "(as docprop extract writes them; a missing file is an absent section)");
    dpNew->footer("Examples:\n  dmactl --set job docprop new job.prop\n  dmactl docprop extract job.prop parts && "
                  "dmactl fax add parts.fax 1795=5550100 && dmactl docprop new job2.prop --from parts");
    dpNew->callback([=] { *runp = [=] { return CmdDocPropNew(*gp, a.out, a.from); }; });

    auto *dpExtract = docprop.add_subcommand(
        "extract", "write each section of a document-property file to a file of its own: PREFIX.ndev, "
                   "PREFIX.tmbinfo, PREFIX.spinfo and PREFIX.fax (a fax-address block, current layout)");
    dpExtract->add_option("file", a.file, "document-property file")->required();
    dpExtract->add_option("prefix", a.file2, "PREFIX of the section files")->required();
    dpExtract->footer("Back to one file: dmactl docprop new OUT --from PREFIX");
    dpExtract->callback([=] { *runp = [=] { return CmdDocPropExtract(*gp, a.file, a.file2); }; });

    // ---- fax destinations
    const char *faxFile = "fax-address block, or document-property file (its fax section)";
    const char *fieldHelp =
        "FIELD=VALUE: FIELD is an item number as `fax show` lists it (1795) or its DMA ID in hex; VALUE an "
        "integer (decimal or 0x hex) or UTF-8 text";
    auto *fax = app.add_subcommand("fax", "fax destinations in a fax-address block or a document-property file");
    fax->require_subcommand(1);
    auto *faxShow = fax->add_subcommand("show", "count, header strings and every destination entry with its fields");
    faxShow->add_option("file", a.file, faxFile)->required();
    faxShow->callback([=] { *runp = [=] { return CmdFaxShow(*gp, a.file); }; });

    auto *faxAdd = fax->add_subcommand("add", "append a destination; fields not given are empty or 0");
    faxAdd->add_option("file", a.file, faxFile)->required();
    faxAdd->add_option("fields", a.words, fieldHelp);
    faxAdd->footer("Example: dmactl fax add office.fax 1795=5550100 1797=\"Head office\"\n"
                   "A block in the old layout (\"ZOVA001\") is not changed: convert it inside a document-property "
                   "file with docprop upgrade first.");
    faxAdd->callback([=] { *runp = [=] { return CmdFaxAdd(*gp, a.file, a.words); }; });

    auto *faxSet = fax->add_subcommand("set", "change fields of the destination at a position (1 = first)");
    faxSet->add_option("file", a.file, faxFile)->required();
    faxSet->add_option("position", a.position, "the destination's position, as fax show numbers them")->required();
    faxSet->add_option("fields", a.words, fieldHelp)->required();
    faxSet->footer("Example: dmactl fax set office.fax 2 1795=5550199\nPrints the fields that changed.");
    faxSet->callback([=] { *runp = [=] { return CmdFaxSet(*gp, a.file, a.position, a.words); }; });

    auto *faxDel = fax->add_subcommand("delete", "remove the destination at a position; later ones move up");
    faxDel->add_option("file", a.file, faxFile)->required();
    faxDel->add_option("position", a.position, "the destination's position, as fax show numbers them")->required();
    faxDel->footer("Example: dmactl fax delete office.fax 1");
    faxDel->callback([=] { *runp = [=] { return CmdFaxDelete(*gp, a.file, a.position); }; });

    // ---- record arrays of kinds 2, 3, 4, 7
    auto *rec = app.add_subcommand(
        "records", "record arrays of kinds 2, 3, 4 and 7: files of N elements (308, 706, 20 or 968 bytes) followed "
                   "by N state bytes (0 empty, 1 in use, 2 deleted)");
    rec->require_subcommand(1);
    rec->footer("A typical round: dmactl records new 3 list.rec; dmactl --set job records apply 3 list.rec Sales; "
                "dmactl records show 3 list.rec; dmactl --set other records load 3 list.rec Sales");
    auto kindOption = [&](CLI::App *c) {
        c->add_option("kind", a.kind, "record kind: 2, 3, 4 or 7")->required()->check(CLI::IsMember({2, 3, 4, 7}));
    };
    auto *recNew = rec->add_subcommand("new", "write a record-array file of empty elements");
    kindOption(recNew);
    recNew->add_option("file", a.file, "record-array file to write")->required();
    recNew->add_option("--count", a.count, "number of empty elements (default 0: apply adds elements)");
    recNew->add_flag("--force", a.force, "replace an existing file");
    recNew->callback([=] { *runp = [=] { return CmdRecordsNew(*gp, a.kind, a.file, a.count, a.force); }; });

    auto addSelect = [&](CLI::App *c, bool nameRequiredHint) {
        kindOption(c);
        c->add_option("file", a.file, "record-array file")->required();
        c->add_option("name", a.name, nameRequiredHint ? "the element's name (kind 4: its number)"
                                                       : "only the elements of this name");
        c->add_option("--position", a.pos, "the element at this position (1 = first) instead of a name");
    };
    auto *recShow = rec->add_subcommand("show", "every element (or one) with its state, name and fields");
    addSelect(recShow, false);
    recShow->callback([=] { *runp = [=] { return CmdRecordsShow(*gp, a.kind, a.file, a.name, a.pos); }; });

    auto *recApply = rec->add_subcommand(
        "apply", "store the record set's settings into the element of that name (a new element when there is none)");
    addSelect(recApply, true);
    recApply->add_option("--name", a.user, "with --position: the name to give the element");
    recApply->footer("Example: dmactl --set job records apply 2 fonts.rec Heading\n"
                     "Change the settings first (dmactl --set job set ...); kind 4 names are numbers 1 to 65535.");
    recApply->callback([=] {
        *runp = [=] { return CmdRecordsApply(*gp, a.kind, a.file, a.pos && !a.user.empty() ? a.user : a.name, a.pos); };
    });

    auto *recLoad = rec->add_subcommand("load", "write an element in use into the record set's settings");
    addSelect(recLoad, true);
    recLoad->footer("Example: dmactl --set job records load 3 list.rec Sales\nDeleted and empty elements do not load.");
    recLoad->callback([=] { *runp = [=] { return CmdRecordsLoad(*gp, a.kind, a.file, a.name, a.pos); }; });

    auto *recDel = rec->add_subcommand("delete", "mark an element deleted (its bytes stay; apply revives it)");
    addSelect(recDel, true);
    recDel->footer("Example: dmactl records delete 3 list.rec Sales");
    recDel->callback([=] { *runp = [=] { return CmdRecordsDelete(*gp, a.kind, a.file, a.name, a.pos); }; });

    // ---- user settings
    auto *us = app.add_subcommand("usersettings", "the user-settings record (layout versions 1 to 4)");
    us->require_subcommand(1);
    auto *usShow = us->add_subcommand(
        "show", "the user settings of the record set's secondary record, or of a user-settings record file");
    usShow->add_option("file", a.file, "user-settings record file (any layout version) instead of the settings");
    usShow->add_option("--user", a.user, "the user name the record carries (from the settings only)");
    usShow->add_option("-o,--output", a.out, "also write the record (layout version 4) to FILE");
    usShow->footer("Examples:\n  dmactl --set job usersettings show -o mine.us\n  dmactl usersettings show old.us");
    usShow->callback([=] { *runp = [=] { return CmdUserSettingsShow(*gp, a.file, a.user, a.out); }; });

    auto *usSet = us->add_subcommand("set", "write a user-settings record file into the record set's settings");
    usSet->add_option("file", a.file, "user-settings record file (layout version 1, 2, 3 or 4)")->required();
    usSet->footer("Example: dmactl --set job usersettings set mine.us");
    usSet->callback([=] { *runp = [=] { return CmdUserSettingsSet(*gp, a.file); }; });
}

}  // namespace dmactl
