// cmd_validate.cpp - validate: every check of the named records and files,
// each problem by file, section and offset; exit status 1 when any.
#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "commands.h"
#include "fax_file.h"
#include "operands.h"
#include "validation.h"

namespace dmactl {
namespace {

// One operand: a record file by its extension, a document-property file or
// fax-address block by its signature, or a record set by name.
void CheckOperand(const std::string &operand, std::vector<Problem> &out) {
    RecordSelection sel = SelectionOfFile(operand);
    if (!sel.AnyFile() && !FileExists(operand) && operand != "-" && RecordSetExists(operand)) sel.setName = operand;
    if (sel.AnyFile()) {
        for (Problem &p : CheckRecordSet(sel)) out.push_back(std::move(p));
        return;
    }
    const std::vector<uint8_t> bytes = ReadFileBytes(operand);
    if (IsFaxBlock(bytes)) {
        CheckFaxBlockBytes(bytes.data(), bytes.size(), 0, operand, "fax block", out);
        return;
    }
    // Anything else is judged as a document-property file, whose first
    // section names itself.  A file that does not start like one at all is
    // told which kinds were tried.
    std::vector<Problem> problems = CheckDocPropBytes(bytes, operand);
    const std::string start = bytes.size() >= 16 ? SignatureText(bytes.data()) : std::string();
    if (!problems.empty() && problems.front().offset == 0 && problems.front().section == DMA_NDEV_SIGNATURE &&
        start.rfind(std::string(DMA_NDEV_SIGNATURE, 4), 0) != 0)
        problems.front().message += fmt::format(
            " (not a file of a kind validate knows: record files are told by their extension, .devmode, "
            ".secondary or .fax; a fax-address block by its signature \"{}\" or \"{}\"; a document-property "
            "file by its first section)",
            DMA_FAX_SIGNATURE, DMA_FAX_OLD_SIGNATURE);
    for (Problem &p : problems) out.push_back(std::move(p));
}

int CmdValidate(const Globals &g, const std::vector<std::string> &operands) {
    std::vector<Problem> problems;
    if (operands.empty()) {
        problems = CheckRecordSet(g.records);
    } else {
        for (const std::string &o : operands) CheckOperand(o, problems);
    }
    if (g.json) {
        Json list = Json::array();
        for (const Problem &p : problems)
            list.push_back(Json{{"file", p.file}, {"section", p.section}, {"offset", p.offset}, {"problem", p.message}});
        PrintJson(Json{{"valid", problems.empty()}, {"problems", list}});
    } else if (problems.empty()) {
        Print("no problems found\n");
    } else {
        Table t({"file", "section", "offset", "problem"}, {2});
        for (const Problem &p : problems) t.Add({p.file, p.section, std::to_string(p.offset), p.message});
        Print(t.Render());
    }
    return problems.empty() ? 0 : 1;
}

}  // namespace

void AddValidateCommand(CLI::App &app, Globals &g) {
    static std::vector<std::string> operands;
    auto *val = app.add_subcommand(
        "validate", "check records, fax-address blocks or document-property files as a whole; exit 1 on a problem");
    val->add_option("files", operands,
                    "record set NAME, FILE.devmode/.secondary/.fax, or a document-property file; "
                    "none: the records of --set/--devmode/--secondary/--fax");
    OnRun(val, g, [&g] { return CmdValidate(g, operands); });
}

}  // namespace dmactl
