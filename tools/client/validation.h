// validation.h - whole-file checks of records and document-property files,
// each problem named by the section it lies in and its byte offset in the
// file.  `dmactl validate` prints them; opening a file for any other command
// makes only the cheap header checks (record_files.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "record_files.h"

namespace dmaclient {

struct Problem {
    std::string file;
    std::string section;  // "DEVMODEW", "secondary", "fax block", a section signature, ...
    uint64_t offset;      // byte offset in the file
    std::string message;
};

// A document-property file's sections walked as the library reads them
// (sections in order, each optional from the end, signatures, the 0x5250
// word, lengths within the file, fax section signature and entries).  The
// first fault found, or nothing for a well-formed file.
std::vector<Problem> CheckDocPropBytes(const std::vector<uint8_t> &bytes, const std::string &file);

// The error for a document-property file the library refused while reading
// it: for a malformed file, the section and offset the walk above finds.
UserError DocPropReadError(const std::string &file, const std::vector<uint8_t> &bytes, DMA_RESULT result);

// A fax-address block held alone in a file, or as the fax section of a
// document-property file starting at `base`: signature, count against the
// bytes there, header strings terminated.
void CheckFaxBlockBytes(const uint8_t *p, size_t size, uint64_t base, const std::string &file,
                        const std::string &section, std::vector<Problem> &out);

// Every check of a record set: sizes, the DEVMODEW header, unterminated
// texts, fonts with impossible members, linked settings that disagree with
// the settings they follow, and the fax-address block.  Records that come
// from the built-in defaults are not checked.
std::vector<Problem> CheckRecordSet(const RecordSelection &selection);

}  // namespace dmaclient
