// output.cpp - standard output, written-file accounts, fax views, error
// reports.
#include "output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fmt/format.h>


namespace dmactl {

void Print(const std::string &text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void PrintJson(const Json &j) { Print(j.dump(2) + "\n"); }

void PrintResult(bool json, const Json &j, const std::string &text) { json ? PrintJson(j) : Print(text); }

std::string WrittenLine(const std::string &path, const std::string &remark) {
    return "written: " + path + (remark.empty() ? "" : " (" + remark + ")") + "\n";
}

std::string WrittenLines(const std::vector<std::string> &paths, const std::string &none) {
    std::string out;
    for (const std::string &p : paths) out += WrittenLine(p);
    if (paths.empty() && !none.empty()) out = none + "\n";
    return out;
}

std::string LayoutText(bool oldLayout) {
    return oldLayout ? fmt::format("old (\"{}\", {}-byte entries)", DMA_FAX_OLD_SIGNATURE, DMA_FAX_OLD_ENTRY_SIZE)
                     : fmt::format("current (\"{}\", {}-byte entries)", DMA_FAX_SIGNATURE, DMA_FAX_ENTRY_SIZE);
}

std::string FaxHeadTable(const char *title, const std::string &layout, const FaxSummary &s) {
    Table t({title, "value"});
    t.Add({"layout", layout});
    t.Add({"destinations", std::to_string(s.count)});
    for (uint16_t id : {DMA_ID_FAX_HEADER1, DMA_ID_FAX_HEADER2})
        t.Add({fmt::format("header {} ({})", id == DMA_ID_FAX_HEADER1 ? 1 : 2, FormatId(id)),
               QuoteText(id == DMA_ID_FAX_HEADER1 ? s.header1 : s.header2)});
    return t.Render();
}

void PrintFaxEntries(const uint8_t *first, unsigned count, size_t entrySize) {
    for (unsigned i = 0; i < count; ++i)
        Print(fmt::format("\ndestination {}\n", i + 1) +
              FieldsTable(FaxEntryFields(), first + static_cast<size_t>(i) * entrySize, entrySize));
}

Json FaxEntryJson(const uint8_t *entry, size_t entrySize, unsigned position) {
    return Json{{"position", position}, {"fields", FieldsJson(FaxEntryFields(), entry, entrySize)}};
}

void PrintFaxEntriesJson(const uint8_t *first, unsigned count, size_t entrySize, size_t indent) {
    const std::string pad(indent, ' ');
    if (count == 0) {
        Print(pad + "\"entries\": []");
        return;
    }
    Print(pad + "\"entries\": [\n");
    for (unsigned i = 0; i < count; ++i) {
        const Json e = FaxEntryJson(first + static_cast<size_t>(i) * entrySize, entrySize, i + 1);
        Print(Indented(e.dump(2), indent + 2) + (i + 1 < count ? ",\n" : "\n"));
    }
    Print(pad + "]");
}

void ReportError(bool json, const std::string &message, int status, const std::string &file,
                 const std::string &entry) {
    std::string text;
    if (json) {
        Json e{{"message", message}, {"status", status}};
        if (!file.empty()) e["file"] = file;
        if (!entry.empty()) e["entry"] = entry;
        text = Json{{"error", e}}.dump() + "\n";
    } else {
        text = "dmactl: " + message + "\n";
    }
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

int FinishOutput(int status, bool json) {
    const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout);
    const int err = errno;
    const bool closeFailed = std::fclose(stdout) != 0;
    if (failed || closeFailed) {
        ReportError(json, fmt::format("cannot write standard output: {}", std::strerror(failed ? err : errno)), 1);
        return 1;
    }
    return status;
}

}  // namespace dmactl
