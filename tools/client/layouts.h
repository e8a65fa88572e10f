// layouts.h - the fields of the fixed-layout records that dmactl lists
// and edits: fax destination entries (record kind 5), the record kinds 2, 3,
// 4 and 7, and the user-settings record.
//
// The fields are the library's own field lists (catalogue/field_lists.h, the
// rows its record transfers walk), whose places come from the public
// header's structures, so a change of a layout there changes what is listed
// here.  Listing a record
// reads its bytes as the layout says; every change of a record goes through
// the library: a field is written into the settings by its item ID with the
// raw write (dma_SetValue), and the library's record operations move the
// settings into the record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dmaccess/dmaccess.h"
#include "json_form.h"

namespace dmaclient {

struct RecordField {
    uint16_t item;     // item ID of the setting the field mirrors (0: a field of no setting)
    size_t offset;     // place in the record
    size_t width;      // bytes in the record
    uint16_t type;     // DMA_VT_*; DMA_VT_LOGFONT is a whole LOGFONTW
    const char *label; // what the field is, when it is more than its item
    bool raw = false;  // declared a string but holding binary data: shown as its bytes
};

// FaxAddressEntry, in the order of its layout.  Item 1894 lies beyond the
// 768 bytes of an entry in the old layout.
std::span<const RecordField> FaxEntryFields();
// Record kinds 2, 3, 4 and 7 (kind 4: the key and the four rectangle values
// R0-R3, whose items depend on the orientation).
std::span<const RecordField> KindFields(int kind);
// UserSettingInfo, layout version 4.
std::span<const RecordField> UserSettingFields();

// How listings name a field: its item number, or its label when it mirrors
// no setting.
std::string FieldName(const RecordField &f);

// The field's value as one line ("7 (0x7)", "\"text\"", font members, hex
// for raw fields) and as JSON ({"value": ...} members added to `into`).
std::string FieldText(const RecordField &f, const uint8_t *record);
void FieldJson(const RecordField &f, const uint8_t *record, Json &into);

// The fields of one record as a table (item, DMA ID, type, value) or as a
// JSON array; fields that end beyond `size` bytes are left out.
std::string FieldsTable(std::span<const RecordField> fields, const uint8_t *record, size_t size);
Json FieldsJson(std::span<const RecordField> fields, const uint8_t *record, size_t size);

// One field change given on the command line as FIELD=VALUE: FIELD is the
// item number as listings show it (1795) or the DMA ID in hex (0x...).
struct FieldAssignment {
    const RecordField *field;
    std::string value;  // as given (UTF-8)
};
// Parses FIELD=VALUE words against a record's fields; throws UserError
// (status 2) naming the word and the fields there are.
std::vector<FieldAssignment> ParseAssignments(std::span<const RecordField> fields,
                                              const std::vector<std::string> &words);

// Writes the value into the setting the field mirrors, with the raw write
// (dma_SetValue) on the given records: integers in the field's width, texts
// as UTF-16, so no character is lost to the ANSI code page.  Throws
// UserError with the library's reason.
void WriteFieldSetting(void *devMode, void *secondary, const FieldAssignment &a);

// Writes text to standard output indented by `spaces` on every line (for
// streamed JSON whose parts are dumped one by one).
std::string Indented(const std::string &text, size_t spaces);

}  // namespace dmaclient
