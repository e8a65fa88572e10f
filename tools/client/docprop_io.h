// docprop_io.h - reading and writing whole document-property files through
// the library (DMA_ReplaceDocProp, DMA_ExtractDocPropEx), shared by the
// docprop and fax commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dmaclient {

// The sections of one document-property file, as the library hands them
// over: each a whole section (signature and length fields included); the
// fax section always in the current layout.
struct DocProp {
    size_t fileSize = 0;
    std::vector<uint8_t> ndev, tmbInfo, spInfo, fax;
    bool hasFax = false;
    bool oldLayout = false;  // the file's fax section was in the old layout
    size_t faxOffset = 0, faxSizeInFile = 0;
};

// Reads a file through DMA_ReplaceDocProp; throws UserError naming `file`.
DocProp ReadDocProp(const std::string &file);

// Writes the sections (empty: absent; the fax section may be empty) to `out`
// through DMA_ExtractDocPropEx, via a temporary file beside it that is
// renamed over it when complete.  Throws UserError; the target is then left
// as it was.  Returns the number of bytes written.
size_t WriteDocProp(const std::string &out, const DocProp &d);

}  // namespace dmaclient
