// fuzz_names.cpp - fuzz target for the names file reader of dmactl: random
// text through ParseNamesText, and a text it accepts loaded as the team's
// names file (LoadNames, over the built-in names) and looked up again.
//
// A UserError is the reader refusing the input, as it should; any other
// exception escapes and libFuzzer reports it, as it does a crash or a
// sanitizer report.  Checks on what is accepted: every entry has a DMA ID
// other than 0, a name of the names' alphabet and a line number within the
// text, in ascending lines; no DMA ID and no name (without regard to case)
// comes twice.  Once loaded, every name of the file finds its DMA ID in any
// case and is the name shown for it, and a near miss of a name gets a
// message.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "fuzz_client_support.h"
#include "names.h"

using namespace dmaclient;

namespace {

std::string Lower(std::string t) {
    for (char &c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return t;
}
std::string Upper(std::string t) {
    for (char &c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return t;
}

bool NameChar(char c, bool first) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           (!first && ((c >= '0' && c <= '9') || c == '.' || c == '-'));
}

// The names file of this process, rewritten for every input that the reader
// accepts, and removed when the run ends.
const std::string &TeamFile() {
    static const struct File {
        std::filesystem::path path;
        File()
            : path(std::filesystem::temp_directory_path() /
                   ("dmaccess-fuzz-team-" + std::to_string(::getpid()) + ".names")) {}
        ~File() {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    } file;
    static const std::string text = file.path.string();
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    dmafuzz::LoadBuiltInNames();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    std::vector<NameEntry> entries;
    try {
        entries = ParseNamesText(text, "fuzz.names");
    } catch (const UserError &) {
        return 0;
    }
    const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    std::set<uint16_t> ids;
    std::set<std::string> names;
    size_t lastLine = 0;
    for (const NameEntry &e : entries) {
        FUZZ_CHECK(e.dmaId != 0);
        FUZZ_CHECK(!e.name.empty() && NameChar(e.name[0], true));
        for (char c : e.name) FUZZ_CHECK(NameChar(c, false));
        FUZZ_CHECK(e.line > lastLine && e.line <= lines);
        lastLine = e.line;
        FUZZ_CHECK(ids.insert(e.dmaId).second);
        FUZZ_CHECK(names.insert(Lower(e.name)).second);
    }

    // The same text as the team's names file: refused only for a name that
    // the built-in names give to another setting.
    {
        std::ofstream out(TeamFile(), std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    try {
        LoadNames(TeamFile());
    } catch (const UserError &) {
        return 0;
    }
    for (const NameEntry &e : entries) {
        uint16_t id = 0;
        FUZZ_CHECK(IdOfName(e.name, id) && id == e.dmaId);
        FUZZ_CHECK(IdOfName(Upper(e.name), id) && id == e.dmaId);
        FUZZ_CHECK(NameOf(e.dmaId) == e.name);
        FUZZ_CHECK(LooksLikeName(e.name));
        FUZZ_CHECK(!IdLabel(e.dmaId).empty());
        // A near miss: one character more.
        const std::string miss = e.name + "_";
        if (!IdOfName(miss, id)) FUZZ_CHECK(!UnknownNameMessage(miss).empty());
    }
    // The table stays as loaded: the reader does not consult it, and the
    // next accepted input loads a whole new one.
    return 0;
}
