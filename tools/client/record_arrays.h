// record_arrays.h - record-array files of the record kinds 2, 3, 4 and 7,
// and the library's record operations on their elements.
//
// A record-array file holds N elements of the kind's size (Kind2Record 308
// bytes, Kind3Record 706, Kind4Record 20, Kind7Record 968) back to back,
// followed by their N state bytes (0 empty, 1 in use, 2 deleted): the
// RecordArray the library works on, with `records` at the file's first byte
// and `states` after the last element.  N is the file's size divided by the
// element size plus one; any other size is refused.
//
// Everything that finds, names, fills or marks an element is the library's:
//  - apply:  DMA_ApplyData stores the settings of the record set into the
//            element of that name (mode 0); when no element has the name, the
//            array grows by one empty element and mode 1 fills that last one;
//  - load:   DMA_AccessibleData writes an element in use into the settings;
//  - delete: DMA_DeleteData marks the element deleted (its bytes stay);
//  - names:  DMA_GetNameFromInfo.
// An element chosen by position is handed to the library as an array of
// that one element, so the operation can reach no other.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "record_files.h"

namespace dmaclient {

// The kind, when it is one of 2, 3, 4 and 7; else UserError (status 2).
int CheckRecordKind(int kind);

struct RecordArrayFile {
    std::string path;
    int kind = 0;
    size_t size = 0;  // element size
    std::vector<uint8_t> elements;
    std::vector<uint8_t> states;

    unsigned Count() const { return static_cast<unsigned>(states.size()); }
    uint8_t *Element(unsigned i) { return elements.data() + static_cast<size_t>(i) * size; }
    std::vector<uint8_t> Bytes() const;
    void Append();  // one empty element at the end
    // The element's name as DMA_GetNameFromInfo gives it (UTF-8), or nullopt.
    std::optional<std::string> Name(unsigned i);
    // The elements that are not empty and carry `name` (UTF-8).
    std::vector<unsigned> Named(const std::string &name);
};

// An array of `count` empty elements of a kind.
RecordArrayFile NewRecordArray(int kind, unsigned count);
RecordArrayFile LoadRecordArray(int kind, const std::string &path);

// "empty", "in use", "deleted", or "unknown (N)".
std::string ElementStateText(uint8_t state);

// Which element an operation is on: its name, or its position (1 = first),
// which wins when given.
struct ElementChoice {
    std::string name;
    unsigned position = 0;
};

// apply: stores the settings of `ctx` into the chosen element, or into a
// new one when no element has the name.  Returns the element's index.
struct Applied {
    unsigned index;
    bool added;
};
Applied ApplyToElement(RecordArrayFile &f, DmaContext &ctx, const ElementChoice &which);
// load: writes the chosen element (in use) into the settings of `ctx`;
// returns its name.
std::string LoadElement(RecordArrayFile &f, DmaContext &ctx, const ElementChoice &which);
// delete: marks the chosen element deleted; returns its name and index.
std::pair<std::string, unsigned> DeleteElement(RecordArrayFile &f, const ElementChoice &which);

}  // namespace dmaclient
