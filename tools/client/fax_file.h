// fax_file.h - files that hold fax destinations, and the changes of their
// destination entries.
//
// A file is a bare fax-address block or a document-property file with (or
// without) a fax section.  Listing reads the entries as the public header
// lays them out.  Every change goes through the library's record operations
// for kind 5 on a scratch DEVMODEW record, where the entry fields live as
// settings:
//  - set: DMA_AccessibleData loads the entry into the settings, the given
//    fields are written into their settings with the raw write, and
//    DMA_ApplyData (by position) stores the settings back into the entry;
//  - add: the entry area grows by one blank entry, DMA_SetFaxAddressNum
//    counts it, the fields are written into blank settings and DMA_ApplyData
//    (the last element) fills the new entry;
//  - delete: the entry's bytes are taken out (the library leaves growing and
//    shrinking the entry area to its caller) and DMA_SetFaxAddressNum counts
//    the rest.
// A bare block is written back only in the current layout; a
// document-property file is written back through the library, whose reading
// converted an old fax section, so it is then in the current layout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "docprop_io.h"
#include "layouts.h"
#include "record_files.h"

namespace dmaclient {

struct FaxSummary {
    uint16_t count = 0;
    std::string header1, header2;  // UTF-8
};

// The count and header strings of a fax-address block.  The header is the
// same in both layouts, and the library reads the header strings of either;
// its count export serves only the current layout, so the count of an old
// block is read from the block itself.
FaxSummary SummariseFax(std::vector<uint8_t> &block, const std::string &what, bool oldLayout = false);

// True for bytes that begin with the signature of a fax-address block in
// either layout.
bool IsFaxBlock(const std::vector<uint8_t> &bytes);

struct FaxFile {
    std::string path;
    bool docProp = false;
    DocProp sections;            // docProp: the file's sections; block is their fax section
    std::vector<uint8_t> block;  // the fax-address block (for a bare block: the whole file)
    bool oldLayout = false;      // a bare block in the old layout

    size_t EntrySize() const;
    uint8_t *Entry(unsigned index);  // 0-based
};

// Reads a file for listing; throws UserError for a file that is neither.
FaxFile LoadFaxFile(const std::string &path);
// Reads a file for a change: a bare block only in the current layout; a
// document-property file without a fax section gets an empty one.
FaxFile LoadFaxFileForChange(const std::string &path);
// Writes the changed block back (a document-property file as a whole).
void SaveFaxFile(FaxFile &f);

// A destination's position as the user gives it (1 = first); throws
// UserError (status 2) for anything else.
unsigned ParseFaxPosition(const std::string &text);

// The changes, made on f.block only.  Each returns what the report needs:
// the new destination's position; the entry's bytes before the change; the
// number of destinations left.
unsigned AddFaxDestination(FaxFile &f, const std::vector<FieldAssignment> &fields);
std::vector<uint8_t> SetFaxDestination(FaxFile &f, unsigned position, const std::vector<FieldAssignment> &fields);
unsigned DeleteFaxDestination(FaxFile &f, unsigned position);

}  // namespace dmaclient
