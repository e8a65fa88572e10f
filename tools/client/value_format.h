// value_format.h - how dmactl prints values and tables for people.
#pragma once

#include <string>
#include <vector>

#include "settings.h"

namespace dmaclient {

// "0x0130": the form DMA IDs are printed in.
std::string FormatId(uint16_t dmaId);
// An integer in decimal and hex, hex in the setting's width ("-1 (0xFFFF)");
// flags as "1 (on)" / "0 (off)".
std::string FormatInteger(const Location &where, int64_t value);
// A text in double quotes with control characters escaped (\x01; the C1
// controls as \u0081).
std::string QuoteText(const std::string &text);
// Every member of a font: "height=-12 width=0 ... face=\"Arial\"".
std::string FormatFont(const FontValue &font);
// The members in which two fonts differ, in the FormatFont form: `a` gets
// the old members, `b` the new ones; both empty when the fonts are equal.
void FontDifference(const FontValue &a, const FontValue &b, std::string &oldText, std::string &newText);
// Any value, as one line; an integer with its meaning when it has one
// ("9 (0x9) DMPAPER_A4", meanings.h).  A value read with a text that lost characters to
// the ANSI code page also gets its note on standard error (once a run).
std::string FormatValue(const Setting &s, const Value &v);
// "DWORD", or "BYTE as WORD" when the value is handed out in a wider type.
std::string TypeText(const Location &where);

// A table whose columns are padded to their widest cell.  Columns listed in
// rightAligned are padded on the left (numbers).
class Table {
public:
    explicit Table(std::vector<std::string> header, std::vector<size_t> rightAligned = {});
    void Add(std::vector<std::string> row);
    bool Empty() const { return rows_.empty(); }
    std::string Render() const;

private:
    std::vector<std::string> header_;
    std::vector<size_t> right_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace dmaclient
