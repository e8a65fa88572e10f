// fuzz_client_support.h - what the targets over dmactl's client core share
// (fuzz_document, fuzz_names, fuzz_values): the built-in record set they work
// on, and the name table set up from the built-in names alone.
//
// Those targets link the client core (dmaccess_client, over the shared
// library) rather than the static core, so they include nothing of
// fuzz_support.h, which reaches the core's internals.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "default_records.h"
#include "fuzz_check.h"
#include "names.h"
#include "record_files.h"

namespace dmafuzz {

// The records dmactl uses when no file is given, with the built-in empty
// fax-address block so that the fax header strings are reachable too.  Each
// input works on a copy.
inline const dmaclient::RecordSet &DefaultSet() {
    static const dmaclient::RecordSet set = [] {
        dmaclient::RecordSet s;
        s.devMode.bytes = dmaclient::DefaultDevMode();
        s.secondary.bytes = dmaclient::DefaultSecondary();
        s.faxBlock = dmaclient::Record{dmaclient::RecordKind::FaxBlock, dmaclient::DefaultFaxBlock(), {}};
        s.name = "defaults";
        return s;
    }();
    return set;
}

// An empty names file of this process, so that only the built-in names count
// whatever the machine's own names file or DMACTL_NAMES say.
// It is removed when the run ends.
inline std::string EmptyNamesFile() {
    static const struct File {
        std::filesystem::path path;
        File()
            : path(std::filesystem::temp_directory_path() /
                   ("dmaccess-fuzz-" + std::to_string(::getpid()) + ".names")) {
            std::ofstream(path).close();
        }
        ~File() {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    } file;
    return file.path.string();
}

inline void LoadBuiltInNames() { dmaclient::LoadNames(EmptyNamesFile()); }

}  // namespace dmafuzz
