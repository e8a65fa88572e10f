// names.cpp - the setting names of one run: built-in DEVMODEW member names
// (devmode.names, compiled in) and the team's names file.
#include "names.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#if defined(_WIN32)
#include <windows.h>
#endif

#include <fmt/format.h>

#include "record_files.h"
#include "value_format.h"

namespace dmaclient {
namespace {

// devmode.names as CMake embedded it: kBuiltInNames.
#include "devmode_names.inc"

std::string Lower(std::string t) {
    for (char &c : t)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return t;
}

bool NameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool NameChar(char c) { return NameStart(c) || (c >= '0' && c <= '9') || c == '.' || c == '-'; }

bool ValidName(const std::string &t) {
    return !t.empty() && NameStart(t[0]) && std::all_of(t.begin() + 1, t.end(), NameChar);
}

// A number as a names file writes it, without sign: 0x hex or decimal, at
// most `maxDigits` digits.
bool ParseNumberWord(const std::string &w, size_t maxDigits, int64_t &value) {
    const bool hex = w.size() > 2 && w[0] == '0' && (w[1] == 'x' || w[1] == 'X');
    const size_t start = hex ? 2 : 0;
    if (w.size() == start || w.size() - start > maxDigits) return false;
    int64_t v = 0;
    for (size_t i = start; i < w.size(); ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(w[i])));
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else return false;
        v = v * (hex ? 16 : 10) + d;
    }
    value = v;
    return true;
}

// A DMA ID: 1 to 0xFFFF.
bool ParseIdWord(const std::string &w, uint16_t &id) {
    int64_t v = 0;
    if (!ParseNumberWord(w, 8, v) || v == 0 || v > 0xFFFF) return false;
    id = static_cast<uint16_t>(v);
    return true;
}

// A value an entry names: negative too, within what a 32-bit field holds
// (-2^31 to 2^32 - 1).
bool ParseValueWord(const std::string &w, int64_t &value) {
    const bool negative = !w.empty() && w[0] == '-';
    int64_t v = 0;
    if (!ParseNumberWord(negative ? w.substr(1) : w, 10, v)) return false;
    value = negative ? -v : v;
    return value >= -(int64_t{1} << 31) && value <= 0xFFFFFFFF;
}

struct NameTable {
    std::map<uint16_t, std::string> shown;   // DMA ID -> the name shown
    std::map<uint16_t, std::vector<ValueName>> values;  // the team's value names
    std::map<std::string, uint16_t> byName;  // lower-case name -> DMA ID (every accepted name)
    std::map<std::string, std::string> spelled;  // lower-case name -> as written
    std::string teamFile;
};

NameTable &Names() {
    static NameTable table;
    return table;
}

// Adds a file's entries.  A name already given to another ID (by this file
// or, for a team's file, by the built-in names) is an error at its line.
void AddEntries(NameTable &t, const std::vector<NameEntry> &entries, const std::string &source) {
    for (const NameEntry &e : entries) {
        const std::string key = Lower(e.name);
        const auto it = t.byName.find(key);
        if (it != t.byName.end() && it->second != e.dmaId)
            throw UserError(fmt::format("{}:{}: the name \"{}\" is already given to {} (\"{}\")", source, e.line,
                                        e.name, FormatId(it->second), t.spelled[key]));
        for (const ValueName &v : e.values)
            for (const ValueName &b : BuiltInMeanings(e.dmaId))
                if (Lower(b.name) == Lower(v.name) && b.value != v.value)
                    throw UserError(fmt::format("{}:{}: the value name \"{}\" already stands for {} of {} ({})",
                                                source, e.line, v.name, b.value, FormatId(e.dmaId), e.name));
        t.byName[key] = e.dmaId;
        t.spelled[key] = e.name;
        t.shown[e.dmaId] = e.name;
        if (!e.values.empty()) t.values[e.dmaId] = e.values;
    }
}

std::string Environment(const char *name) {
#if defined(_WIN32)
    // UTF-8, as every other path of the tool.
    std::wstring wname(name, name + std::char_traits<char>::length(name));
    const DWORD n = GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
    if (n == 0) return {};
    std::wstring value(n, L'\0');
    const DWORD got = GetEnvironmentVariableW(wname.c_str(), value.data(), n);
    value.resize(got);
    return PathToUtf8(std::filesystem::path(value));
#else
    const char *v = std::getenv(name);
    return v ? v : "";
#endif
}

// Where the team's names file is, and whether it must exist.
std::string TeamFilePath(const std::string &option, bool &required) {
    required = true;
    if (!option.empty()) return option;
    std::string env = Environment("DMACTL_NAMES");
    if (!env.empty()) return env;
    required = false;
#if defined(_WIN32)
    const std::string appData = Environment("APPDATA");
    return appData.empty() ? std::string() : appData + "\\dmactl\\names";
#else
    std::string base = Environment("XDG_CONFIG_HOME");
    if (base.empty()) {
        const std::string home = Environment("HOME");
        if (home.empty()) return {};
        base = home + "/.config";
    }
    return base + "/dmactl/names";
#endif
}

size_t EditDistance(const std::string &a, const std::string &b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diag = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diag = up;
        }
    }
    return row[b.size()];
}

}  // namespace

std::vector<NameEntry> ParseNamesText(const std::string &text, const std::string &source) {
    std::vector<NameEntry> out;
    std::map<uint16_t, size_t> idLine;
    std::map<std::string, size_t> nameLine;
    size_t lineNo = 0, pos = 0;
    // A byte-order mark, as editors on Windows save UTF-8, is not text.
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) pos = 3;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (const size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::vector<std::string> words;
        for (size_t i = 0; i < line.size();) {
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
            size_t j = i;
            while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
            if (j > i) words.push_back(line.substr(i, j - i));
            i = j;
        }
        if (words.empty()) continue;
        const std::string where = fmt::format("{}:{}", source, lineNo);
        if (line.find('\0') != std::string::npos)
            throw UserError(fmt::format("{}: a NUL byte (0x00); a names file is UTF-8 text", where));
        if (words.size() < 2)
            throw UserError(fmt::format("{}: expected \"<DMA ID> <name>\" (as \"0x0007 dmOrientation\"), then "
                                        "value names if any (as \"0=Off 1=On\")",
                                        where));
        uint16_t id = 0;
        if (!ParseIdWord(words[0], id))
            throw UserError(fmt::format("{}: \"{}\" is not a DMA ID (1 to 0xFFFF, decimal or 0x hex)", where,
                                        words[0]));
        if (!ValidName(words[1]))
            throw UserError(fmt::format("{}: \"{}\" is not a name (a letter or _, then letters, digits, _ . -)",
                                        where, words[1]));
        if (const auto seen = idLine.find(id); seen != idLine.end())
            throw UserError(fmt::format("{}: {} is already named on line {}", where, FormatId(id), seen->second));
        if (const auto seen = nameLine.find(Lower(words[1])); seen != nameLine.end())
            throw UserError(fmt::format("{}: the name \"{}\" is already used on line {}", where, words[1],
                                        seen->second));
        NameEntry entry{id, words[1], lineNo, {}};
        for (size_t i = 2; i < words.size(); ++i) {
            const size_t eq = words[i].find('=');
            ValueName v{0, eq == std::string::npos ? std::string() : words[i].substr(eq + 1)};
            if (eq == std::string::npos || !ParseValueWord(words[i].substr(0, eq), v.value) || !ValidName(v.name))
                throw UserError(fmt::format("{}: \"{}\" is not a value name: expected <value>=<name> (as \"1=On\")",
                                            where, words[i]));
            for (const ValueName &seen : entry.values) {
                if (seen.value == v.value)
                    throw UserError(fmt::format("{}: the value {} is named twice (\"{}\", \"{}\")", where, v.value,
                                                seen.name, v.name));
                if (Lower(seen.name) == Lower(v.name))
                    throw UserError(fmt::format("{}: the value name \"{}\" is given to {} and {}", where, v.name,
                                                seen.value, v.value));
            }
            entry.values.push_back(std::move(v));
        }
        idLine[id] = lineNo;
        nameLine[Lower(words[1])] = lineNo;
        out.push_back(std::move(entry));
    }
    return out;
}

void LoadNames(const std::string &option) {
    NameTable t;
    AddEntries(t, ParseNamesText(kBuiltInNames, "devmode.names"), "devmode.names");
    bool required = true;
    const std::string path = TeamFilePath(option, required);
    if (!path.empty() && (required || FileExists(path))) {
        const std::vector<uint8_t> bytes = ReadFileBytes(path);
        AddEntries(t, ParseNamesText(std::string(bytes.begin(), bytes.end()), path), path);
        t.teamFile = path;
    }
    Names() = std::move(t);
}

std::string NameOf(uint16_t dmaId) {
    const auto it = Names().shown.find(dmaId);
    return it == Names().shown.end() ? std::string() : it->second;
}

bool IdOfName(const std::string &name, uint16_t &dmaId) {
    const auto it = Names().byName.find(Lower(name));
    if (it == Names().byName.end()) return false;
    dmaId = it->second;
    return true;
}

bool LooksLikeName(const std::string &text) { return !text.empty() && NameStart(text[0]); }

std::string UnknownNameMessage(const std::string &name) {
    const std::string key = Lower(name);
    std::vector<std::pair<size_t, std::string>> close;
    for (const auto &kv : Names().byName) {
        const size_t d = EditDistance(key, kv.first);
        size_t common = 0;
        while (common < key.size() && common < kv.first.size() && key[common] == kv.first[common]) ++common;
        const bool within = (kv.first.find(key) != std::string::npos && key.size() >= 3) ||
                            (common >= 4 && common + 2 >= key.size());
        if (d <= std::max<size_t>(2, key.size() / 4) || within) close.emplace_back(d, Names().spelled[kv.first]);
    }
    std::sort(close.begin(), close.end());
    std::string msg = fmt::format("no setting is named \"{}\"", name);
    if (!close.empty()) {
        msg += "; did you mean ";
        for (size_t i = 0; i < close.size() && i < 3; ++i)
            msg += (i ? (i + 1 == std::min<size_t>(close.size(), 3) ? " or " : ", ") : "") + close[i].second;
        msg += "?";
    } else {
        msg += " (names: dmactl catalogue lists them; --names FILE adds a team's)";
    }
    return msg;
}

std::string IdLabel(uint16_t dmaId) {
    const std::string name = NameOf(dmaId);
    return name.empty() ? FormatId(dmaId) : fmt::format("{} ({})", FormatId(dmaId), name);
}

uint16_t BuiltInIdOf(const std::string &name) {
    static const std::map<std::string, uint16_t> builtIn = [] {
        std::map<std::string, uint16_t> m;
        for (const NameEntry &e : ParseNamesText(kBuiltInNames, "devmode.names")) m[e.name] = e.dmaId;
        return m;
    }();
    const auto it = builtIn.find(name);
    return it == builtIn.end() ? 0 : it->second;
}

const std::vector<ValueName> &TeamValueNames(uint16_t dmaId) {
    static const std::vector<ValueName> none;
    const auto it = Names().values.find(dmaId);
    return it == Names().values.end() ? none : it->second;
}

const std::string &TeamNamesFile() { return Names().teamFile; }

}  // namespace dmaclient
