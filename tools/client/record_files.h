// record_files.h - reading and writing the record files that dmactl works on.
//
// A record set is the DEVMODEW record (with its private part and the block at
// 1608), the secondary settings record and optionally a fax-address block.
// Each comes either from a file or from the built-in defaults.  The library
// does not check record lengths, so every file is checked here against the
// minimum size of its kind before the library sees it.  Files are replaced by
// writing a temporary file beside the target and renaming it over the target,
// so an interrupted or refused change leaves the old file as it was.  When a
// command changes several files, every temporary file is written before the
// first is renamed, so a failure while writing changes none of them.  A
// replaced file keeps its permissions, a symbolic link stays a link (its
// target is replaced), and a read-only file is not replaced at all.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dmaccess/dmaccess.h"
#include "formats.h"
#include "record_lock.h"

namespace dmaclient {

// A failure that the tool reports to the user: message text and exit status.
// `file` and `entry` say where the fault is, when it is in a file (a JSON
// error report carries them as they are; the message names them too).
struct UserError : std::runtime_error {
    int status;
    std::string file;
    std::string entry;
    explicit UserError(const std::string &message, int exitStatus = 1)
        : std::runtime_error(message), status(exitStatus) {}
    UserError(const std::string &message, std::string inFile, std::string atEntry)
        : std::runtime_error(message), status(1), file(std::move(inFile)), entry(std::move(atEntry)) {}
};

enum class RecordKind { DevMode, Secondary, FaxBlock };

// Human name of a record kind ("DEVMODEW record", ...).
const char *RecordKindName(RecordKind kind);
// Smallest number of bytes a record of this kind may have.
size_t MinimumSize(RecordKind kind);

struct Record {
    RecordKind kind;
    std::vector<uint8_t> bytes;
    std::string path;  // empty: built-in default record
    bool FromFile() const { return !path.empty(); }
};

// Reads a whole file; throws UserError naming the file when it cannot be read.
// "-" is standard input, which a run can read once.
std::vector<uint8_t> ReadFileBytes(const std::string &path);

// Reads a record file and checks it: at least MinimumSize bytes, for a
// DEVMODEW record a header that agrees with the file (CheckDevModeHeader),
// and for a fax-address block room for every destination entry its count
// announces.
// Throws UserError with the size the record needs.
Record LoadRecord(RecordKind kind, const std::string &path);

// One file to write: its path as the user named it and its new contents.
struct FileWrite {
    std::string path;
    std::vector<uint8_t> bytes;
};

// Writes every file through a temporary file beside its target, all or
// nothing as far as the system allows:
//  - first every target is checked: a symbolic link is followed to the file
//    it names (the link stays), a directory, a read-only file or two names
//    of one file are refused;
//  - then every temporary file is written and flushed, with the permissions
//    of the file it replaces (on posix; a new file gets 0644 less the umask);
//  - only then are they renamed over their targets, one after another.
// A failure before the renames removes every temporary file and changes no
// target.  A rename that fails after others succeeded (rare: the temporary
// files are already complete beside their targets) is reported with the
// files that were and were not replaced.  Throws UserError on any failure.
// With `journal` (record_lock.h), a write of several files records its
// renames there before the first, so that an interrupted run is completed.
void WriteFilesTogether(const std::vector<FileWrite> &files, const std::string &journal = {});

// WriteFilesTogether for one file.
void WriteFileAtomically(const std::string &path, const std::vector<uint8_t> &bytes);

// Writes all bytes to the open descriptor `fd`, flushes them to the disk and
// closes it (always).  False with errno set on any failure.
bool WriteAllAndClose(int fd, const std::vector<uint8_t> &bytes);

// Renames `from` over `to`, replacing `to` in one step; on failure returns
// false and says in `why` what the system reported.
bool RenameOver(const std::filesystem::path &from, const std::filesystem::path &to, std::string &why);

// The records a command works on, and the DmaContext that points into them.
struct RecordSet {
    Record devMode{RecordKind::DevMode, {}, {}};
    Record secondary{RecordKind::Secondary, {}, {}};
    std::optional<Record> faxBlock;
    std::string name;  // how the set was named on the command line
    // Held from loading to saving when the set comes from files
    // (record_lock.h); shared by the copies a command keeps.
    std::shared_ptr<RecordSetLock> lock;

    // A context whose record pointers point into this set's buffers.  Valid
    // until the buffers change size.
    DmaContext Context();
};

// Where a command takes its records from.
struct RecordSelection {
    std::string setName;     // --set NAME: NAME.devmode, NAME.secondary, NAME.fax
    std::string devModePath;  // --devmode
    std::string secondaryPath;  // --secondary
    std::string faxPath;      // --fax
    double waitSeconds = 5;   // --wait: how long to wait for the set's lock
    bool AnyFile() const {
        return !setName.empty() || !devModePath.empty() || !secondaryPath.empty() ||
               !faxPath.empty();
    }
};

// The file names of a named record set.
std::string SetFile(const std::string &setName, RecordKind kind);

// Loads the records a selection names; what it does not name comes from the
// built-in defaults.  With --set, NAME.devmode and NAME.secondary must exist
// and NAME.fax is used when it exists.  Explicit file options win over --set.
// The set's lock is taken first (record_lock.h), waiting at most
// selection.waitSeconds.
RecordSet LoadRecordSet(const RecordSelection &selection);

// Writes back every record of `after` that came from a file and whose bytes
// differ from `before`, all together (WriteFilesTogether); a fax-address
// block is written back only when it was read in the current layout
// (CheckFaxBlockWritable).  Nothing is written when any check fails.
// Returns the paths written.
std::vector<std::string> SaveChangedRecords(const RecordSet &before, const RecordSet &after);

bool FileExists(const std::string &path);

// Paths are UTF-8 text on the command line and in messages.
std::filesystem::path PathFromUtf8(const std::string &text);
std::string PathToUtf8(const std::filesystem::path &path);

}  // namespace dmaclient
