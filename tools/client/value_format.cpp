// value_format.cpp - value and table formatting.
#include "value_format.h"

#include <algorithm>

#include <fmt/format.h>

#include "meanings.h"

namespace dmaclient {

std::string FormatId(uint16_t dmaId) { return fmt::format("0x{:04X}", dmaId); }

std::string FormatInteger(const Location &where, int64_t value) {
    if (where.flagMask) return value ? "1 (on)" : "0 (off)";
    int bits = 32;
    switch (PresentedType(where)) {
    case DMA_VT_SHORT:
    case DMA_VT_WORD: bits = 16; break;
    case DMA_VT_BYTE: bits = 8; break;
    default: break;
    }
    if (where.valueType == DMA_VT_BYTE) bits = 8;
    const uint64_t mask = (bits == 32) ? 0xFFFFFFFFull : ((1ull << bits) - 1);
    return fmt::format("{} (0x{:X})", value, static_cast<uint64_t>(value) & mask);
}

std::string QuoteText(const std::string &text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        const unsigned char c = static_cast<unsigned char>(ch);
        const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c == '"' || c == '\\') { out += '\\'; out += ch; }
        else if (c < 0x20 || c == 0x7F) out += fmt::format("\\x{:02X}", c);
        // The C1 controls U+0080-U+009F (code page 1252 reads its bytes 0x81,
        // 0x8D, 0x8F, 0x90 and 0x9D as such) would steer a terminal.
        else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) { out += fmt::format("\\u{:04X}", next); ++i; }
        else out += ch;
    }
    return out + "\"";
}

std::string FormatFont(const FontValue &f) {
    std::string out;
    for (size_t i = 0; i < kFontMemberCount; ++i) out += fmt::format("{}={} ", kFontMembers[i].name, f.member[i]);
    return out + "face=" + QuoteText(f.faceName);
}

void FontDifference(const FontValue &a, const FontValue &b, std::string &oldText, std::string &newText) {
    oldText.clear();
    newText.clear();
    auto member = [&](const char *name, const std::string &x, const std::string &y) {
        if (x == y) return;
        if (!oldText.empty()) oldText += ' ';
        if (!newText.empty()) newText += ' ';
        oldText += fmt::format("{}={}", name, x);
        newText += fmt::format("{}={}", name, y);
    };
    for (size_t i = 0; i < kFontMemberCount; ++i)
        member(kFontMembers[i].name, std::to_string(a.member[i]), std::to_string(b.member[i]));
    member("face", QuoteText(a.faceName), QuoteText(b.faceName));
}

std::string FormatValue(const Setting &s, const Value &v) {
    NoteLostCharacters(v);
    switch (v.kind) {
    case ValueKind::Integer: {
        const std::string meaning = MeaningOf(s.dmaId, v.integer);
        return FormatInteger(s.where, v.integer) + (meaning.empty() ? "" : " " + meaning);
    }
    case ValueKind::String: return QuoteText(v.text) + (v.unterminated ? " (no terminator)" : "");
    case ValueKind::Font: return FormatFont(v.font);
    }
    return "";
}

std::string TypeText(const Location &where) {
    if (where.reportType && where.reportType != where.valueType)
        return fmt::format("{} as {}", ValueTypeName(where.valueType), ValueTypeName(where.reportType));
    return ValueTypeName(where.valueType);
}

Table::Table(std::vector<std::string> header, std::vector<size_t> rightAligned)
    : header_(std::move(header)), right_(std::move(rightAligned)) {}

void Table::Add(std::vector<std::string> row) {
    row.resize(header_.size());
    rows_.push_back(std::move(row));
}

namespace {
// Display width of UTF-8 text: one column per code point.
size_t Columns(const std::string &s) {
    size_t n = 0;
    for (const char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}
}  // namespace

std::string Table::Render() const {
    std::vector<size_t> width(header_.size(), 0);
    for (size_t c = 0; c < header_.size(); ++c) width[c] = Columns(header_[c]);
    for (const auto &row : rows_)
        for (size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], Columns(row[c]));
    std::string out;
    auto line = [&](const std::vector<std::string> &cells) {
        std::string text;
        for (size_t c = 0; c < cells.size(); ++c) {
            const bool last = c + 1 == cells.size();
            const size_t pad = width[c] - Columns(cells[c]);
            const bool right = std::find(right_.begin(), right_.end(), c) != right_.end();
            if (right) text += std::string(pad, ' ') + cells[c];
            else text += cells[c] + (last ? "" : std::string(pad, ' '));
            if (!last) text += "  ";
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        out += text + "\n";
    };
    line(header_);
    for (const auto &row : rows_) line(row);
    return out;
}

}  // namespace dmaclient
