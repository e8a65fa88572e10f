// output.h - everything dmactl writes: results on standard output (aligned
// tables for people, JSON with --json), the account of the files a command
// wrote, the views of fax destinations that several commands show, and error
// reports on standard error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fax_file.h"
#include "json_form.h"
#include "value_format.h"  // Table, and the forms values are shown in

namespace dmactl {

using namespace dmaclient;  // the client core

// Writes text to standard output unchanged (no newline translation).
void Print(const std::string &text);
// A JSON result as every command prints it: indented by 2, a newline after.
void PrintJson(const Json &j);
// The JSON result with --json, else the text.
void PrintResult(bool json, const Json &j, const std::string &text);

// "written: PATH\n", with a remark in parentheses when there is one.
std::string WrittenLine(const std::string &path, const std::string &remark = {});
// A WrittenLine for every path, or `none` (and a newline) when there is no
// path and `none` is not empty.
std::string WrittenLines(const std::vector<std::string> &paths, const std::string &none);

// Fax destinations, as fax show and docprop show list them.
// "current (\"<DMA_FAX_SIGNATURE>\", 820-byte entries)" or the old layout's.
std::string LayoutText(bool oldLayout);
// The table of a block's layout, count and header strings; `layout` as the
// row shows it.
std::string FaxHeadTable(const char *title, const std::string &layout, const FaxSummary &s);
// Prints destination entries one at a time ("destination N" and a table of
// its fields), so that no more than one entry's text is held at once.
void PrintFaxEntries(const uint8_t *firstEntry, unsigned count, size_t entrySize);
// One destination entry in JSON: {"position": N, "fields": [...]}.
Json FaxEntryJson(const uint8_t *entry, size_t entrySize, unsigned position);
// Prints "  \"entries\": [ ... ]" (at `indent` spaces) one entry at a time,
// in the layout nlohmann's dump(2) gives a member at that depth; no newline
// after the closing bracket.
void PrintFaxEntriesJson(const uint8_t *firstEntry, unsigned count, size_t entrySize, size_t indent);

// Reports a failure on standard error: "dmactl: MESSAGE", or with `json`
//   {"error": {"message": ..., "status": N, "file": ..., "entry": ...}}
// ("file" and "entry" only when known).
void ReportError(bool json, const std::string &message, int status, const std::string &file = {},
                 const std::string &entry = {});

// Flushes and closes standard output; a write error on it (a full disk,
// a closed pipe) becomes a message and exit status 1.  Returns the status
// to exit with.
int FinishOutput(int status, bool json);

}  // namespace dmactl
