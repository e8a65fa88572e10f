// docprop_sections.h - a document-property file's sections as files of their
// own, and a file made from a record set.
//
// Section files: PREFIX.ndev, PREFIX.tmbinfo, PREFIX.spinfo hold one whole
// section each, signature and length fields included, and PREFIX.fax the fax
// section, a fax-address block in the current layout that the fax commands
// work on.  A section that the file lacks has no file.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "docprop_io.h"
#include "record_files.h"

namespace dmaclient {

struct SectionFile {
    const char *suffix;                     // ".ndev"
    std::vector<uint8_t> DocProp::*member;  // where the section is kept
    const char *what;                       // "<signature> section"
};
// The section files, in file order.
std::span<const SectionFile> SectionFiles();

// The sections in the files of `prefix`; throws UserError when there is none.
DocProp DocPropFromSectionFiles(const std::string &prefix);

// The sections of a record set: the first carries the DEVMODEW record, TMBINFO
// and SPINFO are empty, and the fax section is the set's fax-address block.
DocProp DocPropFromRecordSet(const RecordSet &set);

}  // namespace dmaclient
