// cmd_validate.cpp - validate: every check of the named records and files,
// each problem by file, section and offset; exit status 1 when any.
#include <fmt/format.h>

#include "commands.h"
#include "json_form.h"
#include "validation.h"
#include "value_format.h"

namespace dmactl {
namespace {

bool EndsWith(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// One operand: a record file by its extension, a document-property file or
// fax-address block by its signature, or a record set by name.
void CheckOperand(const std::string &operand, std::vector<Problem> &out) {
    RecordSelection sel;
    if (EndsWith(operand, ".devmode")) sel.devModePath = operand;
    else if (EndsWith(operand, ".secondary")) sel.secondaryPath = operand;
    else if (EndsWith(operand, ".fax")) sel.faxPath = operand;
    else if (!FileExists(operand) && operand != "-" &&
             (FileExists(SetFile(operand, RecordKind::DevMode)) || FileExists(SetFile(operand, RecordKind::Secondary))))
        sel.setName = operand;
    if (sel.AnyFile()) {
        for (Problem &p : CheckRecordSet(sel)) out.push_back(std::move(p));
        return;
    }
    const std::vector<uint8_t> bytes = ReadFileBytes(operand);
    if (bytes.size() >= 16 && (SignatureIs(bytes.data(), "ZOVA002") || SignatureIs(bytes.data(), "ZOVA001"))) {
        CheckFaxBlockBytes(bytes.data(), bytes.size(), 0, operand, "fax block", out);
        return;
    }
    // Anything else is judged as a document-property file, whose first
    // section names itself.
    for (Problem &p : CheckDocPropBytes(bytes, operand)) out.push_back(std::move(p));
}

}  // namespace

int CmdValidate(const Globals &g, const std::vector<std::string> &operands) {
    std::vector<Problem> problems;
    std::vector<std::string> checked;
    if (operands.empty()) {
        problems = CheckRecordSet(g.records);
    } else {
        for (const std::string &o : operands) CheckOperand(o, problems);
    }
    if (g.json) {
        Json list = Json::array();
        for (const Problem &p : problems)
            list.push_back(Json{{"file", p.file}, {"section", p.section}, {"offset", p.offset}, {"problem", p.message}});
        Print(Json{{"valid", problems.empty()}, {"problems", list}}.dump(2) + "\n");
    } else if (problems.empty()) {
        Print("no problems found\n");
    } else {
        Table t({"file", "section", "offset", "problem"}, {2});
        for (const Problem &p : problems) t.Add({p.file, p.section, std::to_string(p.offset), p.message});
        Print(t.Render());
    }
    return problems.empty() ? 0 : 1;
}

}  // namespace dmactl
