// names.h - setting names: words that stand for DMA IDs wherever dmactl
// takes or shows one.
//
// The built-in names are the DEVMODEW members, kept as data in devmode.names
// and compiled in.  A team's names file in the same form may name any DMA ID
// and may rename a built-in one: its name is then the one shown, and both are
// accepted.  The team's file is the first of: --names FILE, the environment
// variable DMACTL_NAMES, ${XDG_CONFIG_HOME:-$HOME/.config}/dmactl/names (on
// Windows %APPDATA%\dmactl\names); only the last may be absent.
//
// Names file: UTF-8 text, one entry a line, "<DMA ID> <name>" with the DMA ID
// in 0x hex or decimal; '#' starts a comment, blank lines are ignored; names
// match [A-Za-z_][A-Za-z0-9_.-]* and are compared without regard to case.  A
// name given to two IDs, an ID named twice in one file or a malformed line is
// an error naming the file and line.
//
// After its name an entry may name values of the setting, "<value>=<name>"
// each, the value in decimal (negative too) or 0x hex:
//     0x0101 TonerSave 0=Off 1=On
// Value names follow the rules of setting names.  One value named twice, one
// name given to two values, or a name that the built-in table (meanings.h)
// gives another value of the setting is an error at its line; a value the
// built-in table names gets the team's name shown, and both are accepted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "meanings.h"

namespace dmaclient {

struct NameEntry {
    uint16_t dmaId;
    std::string name;
    size_t line;
    std::vector<ValueName> values;  // "0=Off 1=On", in the file's order
};

// Parses the text of a names file; `source` names it in messages
// ("team.names:4: ...").  Throws UserError.
std::vector<NameEntry> ParseNamesText(const std::string &text, const std::string &source);

// Sets up the names of this run: the built-in ones and the team's file found
// as above (`option` is --names, empty when not given).  Throws UserError for
// a file that cannot be read or breaks the rules.
void LoadNames(const std::string &option);

// The name shown for a DMA ID, or "" when it has none.
std::string NameOf(uint16_t dmaId);

// The DMA ID of a name (any case); false when no setting has that name.
bool IdOfName(const std::string &name, uint16_t &dmaId);

// True for text shaped like a name rather than a number.
bool LooksLikeName(const std::string &text);

// A message for a name that names nothing, with the closest names as
// suggestions when there are any.
std::string UnknownNameMessage(const std::string &name);

// "0x0007 (dmOrientation)", or "0x0130" for a setting without a name: how
// messages refer to a setting.
std::string IdLabel(uint16_t dmaId);

// The DMA ID that devmode.names gives a DEVMODEW member name (exact case),
// whatever a team's file renames; 0 for a name it does not list.
uint16_t BuiltInIdOf(const std::string &name);

// The value names the team's file gives a setting (empty when none).
const std::vector<ValueName> &TeamValueNames(uint16_t dmaId);

// The team's names file in use ("" when none).
const std::string &TeamNamesFile();

}  // namespace dmaclient
