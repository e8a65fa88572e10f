// record_ops.cpp - the public operations on the caller's record arrays:
// load an element into the settings (DMA_AccessibleData), mark it deleted
// (DMA_DeleteData), store the settings into it (DMA_ApplyData) and read its
// name (DMA_GetNameFromInfo), with the element search by name behind them.
//
// Elements of kinds 2, 3, 4 and 7 are found by the ANSI text of their key
// field; fax destination entries (kind 5) by a 1-based position.  State bytes:
// 0 empty, 1 in use, 2 deleted.  Loading searches with the mask 0xFD (only
// elements in use), deleting and storing with 0xFF (everything not empty).
//
// Each operation is all or nothing: a failure leaves the caller's records,
// the element and the state bytes as they were.  A load relies on the
// transfer to the settings, which undoes itself; a store builds the element,
// key included, in a scratch copy that goes over the element only when
// nothing can fail any more.  Both read their source before they write, so
// an element lying inside the settings is copied as from a snapshot.
#include <bit>
#include <cstddef>
#include <cstring>

#include "records/records.h"
#include "text/text.h"

namespace dma {
namespace {

constexpr uint8_t kMaskLoad = 0xFD;
constexpr uint8_t kMaskAny = 0xFF;

// What a record kind selects: its array in the context, its field list (for
// kind 4 the key list; its transfers use the rectangle list), its key item,
// the result code for a missing element and the record's size.
struct KindInfo {
    int32_t kind;
    RecordArray DmaContext::*array;
    std::span<const FieldListRow> (*fields)();
    uint16_t keyItem;  // 0: addressed by position
    int32_t missing;
    uint32_t size;
};

constexpr KindInfo kKinds[] = {
    {2, &DmaContext::kind2Records, &Kind2Fields, 297, DMA_E_NO_RECORD, DMA_KIND2_SIZE},
    {3, &DmaContext::kind3Records, &Kind3Fields, 1819, DMA_E_NO_RECORD, DMA_KIND3_SIZE},
    {4, &DmaContext::kind4Records, &Kind4KeyFields, 1824, DMA_E_NO_KIND4_RECORD, DMA_KIND4_SIZE},
    {5, &DmaContext::faxEntries, &Kind5Fields, 0, DMA_E_NO_FAX_ENTRY, DMA_FAX_ENTRY_SIZE},
    {7, &DmaContext::kind7Records, &Kind7Fields, 1819, DMA_E_NO_RECORD, DMA_KIND7_SIZE},
};
static_assert(DMA_KIND7_SIZE <= kTransferRecordBytes && DMA_FAX_ENTRY_SIZE <= kTransferRecordBytes,
              "a store builds the whole record in a scratch copy of kTransferRecordBytes");

const KindInfo *FindKind(int32_t kind) {
    for (const KindInfo &k : kKinds)
        if (k.kind == kind) return &k;
    return nullptr;
}

// Start of element `index`; the product is formed in 64 bits so that a large
// element size cannot wrap.
uint8_t *ElementAt(const RecordArray &array, uint32_t index) {
    return static_cast<uint8_t *>(array.records) + uint64_t{array.elementSize} * index;
}

bool ArrayUsable(const RecordArray &array) {
    return array.states != nullptr && array.records != nullptr;
}

// Kind 5: the element at the 1-based position in the low 16 bits of the
// argument; false for position 0 or beyond the count's low 16 bits.
bool PositionToIndex(const RecordArray &array, intptr_t argument, uint32_t *index) {
    const uint16_t position = static_cast<uint16_t>(argument);
    if (position == 0 || position > static_cast<uint16_t>(array.count)) return false;
    *index = position - 1u;
    return true;
}

// Kind 4 key from a name: at most 5 bytes; the first byte must not be below
// '0' (compared as a signed char, so bytes from 0x80 up are); digits from the
// start make the number and the first other byte ends it.  0 and values
// above 65535 are refused.
bool ParseKind4Key(const char *name, uint16_t *key) {
    if (std::strlen(name) > 5) return false;
    if (static_cast<signed char>(name[0]) < '0') return false;
    uint32_t value = 0;
    for (const char *p = name; *p >= '0' && *p <= '9'; ++p) value = value * 10 + (*p - '0');
    if (value == 0 || value > 0xFFFF) return false;
    *key = static_cast<uint16_t>(value);
    return true;
}

// The row of `keyItem` in a terminated field list, or null.
const FieldListRow *KeyRow(const FieldListRow *list, uint16_t keyItem) {
    for (const FieldListRow *row = list; row->itemId != 0; ++row)
        if (row->itemId == keyItem) return row;
    return nullptr;
}

// Kinds 2, 3, 7: writes the name as UTF-16 with its terminator into the key
// field, refusing a name that does not fit the field's width.
int32_t StoreNameInKey(const KindInfo &k, uint8_t *element, const char *name) {
    const FieldListRow *row = KeyRow(k.fields().data(), k.keyItem);
    if (row == nullptr || row->offset < 0) return DMA_E_FAILED;
    GlobalBlock<WCHAR> wide;
    int32_t units = 0;
    if (!MultiByteToWideAlloc(name, wide.Receive(), &units, 0)) return DMA_E_FAILED;
    const uint64_t needed = 2 * (static_cast<uint64_t>(units) + 1);
    if (units < 0 || needed > (row->size & 0xFFFF)) return DMA_E_FAILED;
    std::memcpy(element + row->offset, wide.get(), needed);
    return DMA_OK;
}

// Kind 4: the key number written in the name into the key field.
int32_t StoreKind4Key(const KindInfo &k, uint8_t *element, const char *name) {
    const FieldListRow *row = KeyRow(k.fields().data(), k.keyItem);
    if (row == nullptr || row->offset < 0) return DMA_E_FAILED;
    uint16_t key;
    if (!ParseKind4Key(name, &key)) return DMA_E_FAILED;
    Store16(element + row->offset, key);
    return DMA_OK;
}

// A list's key field: where it lies and how its name is formed.  Only a
// string key of fewer than kKeyUnits units or a 16-bit numeric key has a
// name; for any other key no element's name can be built.
constexpr size_t kKeyUnits = 64;  // above every key field of the lists (at most 41)

struct KeyField {
    size_t offset;
    uint16_t valueType;  // DMA_VT_STRING or DMA_VT_WORD
    size_t units;        // a string key's width in units
};

bool FindKeyField(const FieldListRow *list, uint16_t keyItem, KeyField *key) {
    if (list == nullptr) return false;
    const FieldListRow *row = KeyRow(list, keyItem);
    if (row == nullptr || row->offset < 0) return false;
    *key = {static_cast<size_t>(row->offset), row->valueType, row->size / 2};
    if (row->valueType == DMA_VT_STRING) return key->units < kKeyUnits;
    return row->valueType == DMA_VT_WORD;
}

// An element's name as UTF-16 text with its terminator: a string key's text
// read only inside its field (one without a terminator there is the whole
// field), or a numeric key written with "%u".
void KeyWideText(const KeyField &key, const uint8_t *field, WCHAR (&text)[kKeyUnits]) {
    if (key.valueType == DMA_VT_STRING) {
        const size_t units = WideLengthWithin(field, key.units);
        std::memcpy(text, field, 2 * units);
        text[units] = 0;
    } else {
        static const WCHAR kFormat[] = {'%', 'u', 0};
        wsprintfW(text, kFormat, static_cast<unsigned>(Load16(field)));
    }
}

// The element search compares the caller's name with each element's name as
// the ANSI text that RecordKeyText would hand out, byte for byte, without
// building that text where it can be avoided:
//   - a numeric key's "%u" text is the canonical decimal form of the key, so
//     the name is read as a number once per search and the keys compared;
//   - every ANSI code page keeps ASCII as it is, one byte per unit, so a
//     string key is compared unit by unit while its units are ASCII; only a
//     key with another unit before the first difference is converted, into
//     a stack buffer (a name that cannot be converted ends the search, as
//     one that cannot be built always has).
// The scan runs once per element of the caller's array, so each step is
// kept to a few byte comparisons.
class NameMatcher {
public:
    NameMatcher(const KeyField &key, const char *name)
        : key_(key), name_(reinterpret_cast<const unsigned char *>(name)) {
        // Canonical decimal: digits only, without a leading zero (but "0"),
        // at most 65535.  Six digits at most are read: more are above it.
        size_t digits = 0;
        uint32_t value = 0;
        while (digits < 6 && name[digits] >= '0' && name[digits] <= '9')
            value = value * 10 + static_cast<uint32_t>(name[digits++] - '0');
        numeric_ = digits != 0 && name[digits] == '\0' && (name[0] != '0' || digits == 1) &&
                   value <= 0xFFFF;
        number_ = static_cast<uint16_t>(value);
        // An ASCII name shorter than the key field is also kept as the UTF-16
        // units (and terminator) an equal key holds, to be compared with the
        // key a word at a time.
        if (key_.valueType != DMA_VT_STRING) return;
        size_t units = 0;
        while (units < key_.units && name_[units] != 0 && name_[units] < 0x80) {
            wide_[2 * units] = name_[units];
            ++units;
        }
        if (units < key_.units && name_[units] == 0) wideBytes_ = 2 * (units + 1);
    }

    // The element's key field is at `key`.  1: the element's name equals the
    // caller's; 0: it differs; -1: its name cannot be built.
    int Compare(const uint8_t *key) const {
        if (key_.valueType != DMA_VT_STRING)
            return numeric_ && (key[0] | key[1] << 8) == number_;
        if (wideBytes_ != 0) return CompareWide(key);
        const unsigned char *name = name_;
        const uint8_t *const end = key + 2 * key_.units;
        for (const uint8_t *unit = key; unit != end; unit += 2, ++name) {
            if (unit[1] != 0 || unit[0] >= 0x80) return CompareConverted(key);
            if (unit[0] != *name) return 0;  // also where one of the two ends first
            if (*name == 0) return 1;        // both end here
        }
        return *name == 0;  // a key without terminator: its whole field
    }

private:
    // The ASCII name's units and terminator against the key's first units,
    // eight bytes at a time, never past the terminator's place (inside the
    // field).  Where they first differ, a key unit outside ASCII makes the
    // key's name a converted one, as in the unit-by-unit walk above.
    int CompareWide(const uint8_t *key) const {
        static_assert(std::endian::native == std::endian::little);
        size_t at = 0;
        for (; at + 8 <= wideBytes_; at += 8) {
            uint64_t a, b;
            std::memcpy(&a, key + at, 8);
            std::memcpy(&b, wide_ + at, 8);
            if (a != b) return Differs(key, at + (std::countr_zero(a ^ b) / 16) * 2);
        }
        for (; at < wideBytes_; at += 2)
            if (key[at] != wide_[at] || key[at + 1] != wide_[at + 1]) return Differs(key, at);
        return 1;
    }

    int Differs(const uint8_t *key, size_t at) const {
        return key[at + 1] != 0 || key[at] >= 0x80 ? CompareConverted(key) : 0;
    }

    int CompareConverted(const uint8_t *key) const {
        WCHAR text[kKeyUnits];
        KeyWideText(key_, key, text);
        // Room for every unit's longest form in any ANSI code page.
        char ansi[4 * kKeyUnits];
        if (WideCharToMultiByte(GetACP(), 0, text, -1, ansi, sizeof ansi, nullptr, nullptr) <= 0)
            return -1;
        return std::strcmp(ansi, reinterpret_cast<const char *>(name_)) == 0;
    }

    KeyField key_;
    const unsigned char *name_;
    bool numeric_;
    uint16_t number_;
    uint8_t wide_[2 * kKeyUnits] = {};
    size_t wideBytes_ = 0;  // 0: the name is compared unit by unit
};

// The element that a load or a mode-0 store names: kind 5 by its 1-based
// position, whose state byte must pass `mask`; the other kinds by name among
// the elements whose state passes it.  DMA_OK with *index set, the kind's
// missing-element code, or -10 for a null name or an unusable array.
int32_t FindElement(const KindInfo &k, const RecordArray &array, intptr_t nameOrPosition,
                    uint8_t mask, uint32_t *index) {
    if (k.kind == DMA_KIND_FAX) {
        if (!PositionToIndex(array, nameOrPosition, index)) return k.missing;
        if (!ArrayUsable(array)) return DMA_E_FAILED;
        return (array.states[*index] & mask) != 0 ? DMA_OK : k.missing;
    }
    const char *name = reinterpret_cast<const char *>(nameOrPosition);
    if (name == nullptr) return DMA_E_FAILED;
    if (array.count != 0 && !ArrayUsable(array)) return DMA_E_FAILED;
    return FindRecordByName(k.fields().data(), array, k.keyItem, name, mask, index) ? DMA_OK
                                                                                     : k.missing;
}

}  // namespace

// The element's name as new ANSI text: the UTF-16 text of a string key, or a
// 16-bit key written with "%u".  A string key is read only inside its field:
// one without a terminator there is taken as the whole field.
char *RecordKeyText(const FieldListRow *list, uint16_t keyItem, const void *record) {
    KeyField key;
    if (record == nullptr || !FindKeyField(list, keyItem, &key)) return nullptr;
    WCHAR text[kKeyUnits];
    KeyWideText(key, static_cast<const uint8_t *>(record) + key.offset, text);
    char *ansi = nullptr;
    int32_t length = 0;
    if (!WideToMultiByteAlloc(text, &ansi, &length, 0)) return nullptr;
    return ansi;
}

// The lowest index whose name equals `name` byte for byte and whose state
// byte ANDed with `mask` is non-zero.  A name that cannot be built ends the
// search with no result, whatever later elements hold.  Allocates nothing,
// so a search costs the same for every element, whatever the array's size.
bool FindRecordByName(const FieldListRow *list, const RecordArray &array, uint16_t keyItem,
                      const char *name, uint8_t mask, uint32_t *index) {
    if (name == nullptr || index == nullptr) return false;
    if (array.count == 0 || !ArrayUsable(array)) return false;
    KeyField key;
    if (!FindKeyField(list, keyItem, &key)) return false;
    const NameMatcher matcher(key, name);
    const uint8_t *field = static_cast<const uint8_t *>(array.records) + key.offset;
    for (uint32_t i = 0; i < array.count; ++i, field += array.elementSize) {
        const int equal = matcher.Compare(field);
        if (equal < 0) return false;
        if (equal != 0 && (array.states[i] & mask) != 0) {
            *index = i;
            return true;
        }
    }
    return false;
}

// Loads an element into the live settings: kinds 2, 3, 4, 7 by name among
// the elements in use, kind 5 by position.  Every field including the key
// goes to the settings, except for kind 4, whose rectangle goes through the
// orientation mapping and whose key stays out.  State bytes never change.
int32_t LoadElement(DmaContext *context, int32_t kind, intptr_t nameOrPosition) {
    if (context == nullptr) return DMA_E_FAILED;
    const KindInfo *k = FindKind(kind);
    if (k == nullptr) return DMA_E_KIND;
    const RecordArray &array = context->*(k->array);
    const FieldListRow *list = k->fields().data();

    uint32_t index = 0;
    const int32_t found = FindElement(*k, array, nameOrPosition, kMaskLoad, &index);
    if (found != DMA_OK) return found;
    uint8_t *element = ElementAt(array, index);

    bool ok;
    if (kind == DMA_KIND_4) {
        uint8_t work[16] = {};
        ok = ConvertKind4Rectangle(context->devMode, context->secondary, 2,
                                   element + offsetof(Kind4Record, rect), work) &&
             WriteRecordToSettings(context->devMode, context->secondary,
                                   Kind4RectFields().data(), work);
    } else {
        ok = WriteRecordToSettings(context->devMode, context->secondary, list, element);
    }
    return ok ? DMA_OK : DMA_E_FAILED;
}

// Marks the first non-empty element of that name deleted (state 2).  The
// element's bytes and the settings stay as they are.
int32_t DeleteElement(DmaContext *context, int32_t kind, const char *name) {
    if (context == nullptr) return DMA_E_FAILED;
    const KindInfo *k = FindKind(kind);
    if (k == nullptr || kind == DMA_KIND_FAX) return DMA_E_KIND;
    if (name == nullptr) return DMA_E_FAILED;
    const RecordArray &array = context->*(k->array);
    if (array.count != 0 && !ArrayUsable(array)) return DMA_E_FAILED;
    uint32_t index = 0;
    if (!FindRecordByName(k->fields().data(), array, k->keyItem, name, kMaskAny, &index))
        return k->missing;
    array.states[index] = DMA_STATE_DELETED;
    return DMA_OK;
}

// Stores the live settings into an element and marks it in use.  Mode 0
// finds the element by name (kinds 2, 3, 4, 7, any non-empty state) or by
// position (kind 5, states 1 and 2); mode 1 takes the last element whatever
// its state.  Afterwards the name goes into the key field (kinds 2, 3, 7),
// the number in the name into the key (kind 4), or DMA_FAX_SIGNATURE over the fax
// block's signature (kind 5).
//
// Every refusal leaves the element, its state and the fax-address block as
// they were: mode 1 on an empty array (the kind's missing-element code:
// there is no last element), a null name for kinds 2, 3, 4, 7 and a null
// fax-address block for kind 5, a failing transfer, and a name that the key
// cannot take (or whose conversion fails to allocate) give -10.
int32_t StoreElement(DmaContext *context, int32_t kind, int32_t mode,
                         intptr_t nameOrPosition) {
    if (context == nullptr) return DMA_E_FAILED;
    const KindInfo *k = FindKind(kind);
    if (k == nullptr) return DMA_E_KIND;
    if (mode != 0 && mode != 1) return DMA_E_MODE;
    const char *name = reinterpret_cast<const char *>(nameOrPosition);
    if (kind == DMA_KIND_FAX) {
        if (context->faxAddressBlock == nullptr) return DMA_E_FAILED;
    } else if (name == nullptr) {
        return DMA_E_FAILED;
    }
    const RecordArray &array = context->*(k->array);
    const FieldListRow *list = k->fields().data();

    uint32_t index = 0;
    if (mode == 1) {
        if (array.count == 0) return k->missing;
        if (!ArrayUsable(array)) return DMA_E_FAILED;
        index = array.count - 1;
    } else {
        const int32_t found = FindElement(*k, array, nameOrPosition, kMaskAny, &index);
        if (found != DMA_OK) return found;
    }
    uint8_t *element = ElementAt(array, index);

    // The element as it will be, in a scratch copy read from the settings
    // before the element changes; the bytes between its fields stay its own.
    uint8_t scratch[kTransferRecordBytes];
    std::memcpy(scratch, element, k->size);
    bool ok;
    if (kind == DMA_KIND_4) {
        uint8_t work[16] = {};
        ok = ReadSettingsToRecord(context->devMode, context->secondary,
                                  Kind4RectFields().data(), work) &&
             ConvertKind4Rectangle(context->devMode, context->secondary, 1,
                                   scratch + offsetof(Kind4Record, rect), work);
    } else {
        ok = ReadSettingsToRecord(context->devMode, context->secondary, list, scratch);
    }
    if (!ok) return DMA_E_FAILED;
    if (kind != DMA_KIND_FAX) {
        const int32_t named = kind == DMA_KIND_4 ? StoreKind4Key(*k, scratch, name)
                                                 : StoreNameInKey(*k, scratch, name);
        if (named != DMA_OK) return named;
    }

    // Nothing fails from here on.
    std::memcpy(element, scratch, k->size);
    array.states[index] = DMA_STATE_IN_USE;
    if (kind == DMA_KIND_FAX) WriteCurrentFaxSignature(context->faxAddressBlock);
    return DMA_OK;
}

// The ANSI name of a single record of kind 2, 3, 4 or 7.  Without a buffer,
// or with a size below the name's length plus its terminator, the size
// needed is stored and -5 returned.
int32_t ElementName(const void *record, int32_t kind, uint32_t *size, char *buffer) {
    if (record == nullptr || size == nullptr) return DMA_E_FAILED;
    const KindInfo *k = FindKind(kind);
    if (k == nullptr || kind == DMA_KIND_FAX) return DMA_E_KIND;
    const auto name =
        GlobalBlock<char>::Adopt(RecordKeyText(k->fields().data(), k->keyItem, record));
    if (!name) return DMA_E_FAILED;
    const uint32_t needed = static_cast<uint32_t>(std::strlen(name.get())) + 1;
    if (buffer == nullptr || *size < needed) {
        *size = needed;
        return DMA_E_MORE_DATA;
    }
    std::memcpy(buffer, name.get(), needed);
    return DMA_OK;
}

}  // namespace dma
