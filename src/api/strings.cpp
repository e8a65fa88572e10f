// strings.cpp - the string operations by DMA ID: DMA_GetStringData,
// DMA_SetStringData (the field pair: sizes are the field's capacity) and
// DMA_GetStringData_StrLength, DMA_SetStringData_StrLength (the text pair:
// sizes are the converted text's own length).
//
// String settings live in place in the caller's records as fixed-capacity
// fields of W bytes.  All hold UTF-16 text (W/2 units, terminator included)
// except item 329, whose 49-byte field holds 8-bit text.  Callers exchange
// 8-bit text in the ANSI code page.  The field pair also routes the fax
// header strings (0xA001/0xA002) and the protected strings (0x9001-0x900A);
// the text pair knows no special IDs.
//
// Every scan of a stored text stops at its field's end, and every write is
// measured before it changes the field, so a text that does not fit is
// refused instead of being stored cut.
#include <cstring>

#include "api/open_setting.h"
#include "catalogue/item_roles.h"
#include "text/text.h"

namespace dma {

namespace {

using special::IsProtectedId;

// The widest string field: 522 bytes.
constexpr uint32_t kMaxStringUnits = 261;

struct StringField {
    uint8_t *address;
    uint32_t size;  // W, in bytes
    bool narrow;    // 8-bit text (item 329) rather than UTF-16
    uint32_t Units() const { return size / 2; }
    LPWSTR Wide() const { return reinterpret_cast<LPWSTR>(address); }
};

// The string operations' answer to an opened setting: 1 with *field set for a
// text, else -1 (no item; the fax header texts too, which only the field
// pair routes before opening), -10 (item unusable), -7 (a font) or -3 (any
// other type).
int32_t StringFieldOf(const OpenedSetting &o, StringField *field) {
    if (o.what != Opened::Text) return Refusal(o.what, Opened::Text);
    *field = {o.place, o.setting->size, o.setting->itemId == special::kNarrowStringItem};
    return DMA_OK;
}

int32_t OpenStringField(const DmaContext *context, uint16_t dmaId, StringField *field) {
    return StringFieldOf(OpenSetting(*context, dmaId), field);
}

}  // namespace

}  // namespace dma

using namespace dma;

// Reads the whole field.  Size query (null buffer, *length 0): the field's
// capacity (W/2 for UTF-16, W for 8-bit; the protected length for
// 0x9001-0x900A) and -5.  Protected strings are never read (-10).  A UTF-16
// field is converted whole, units after its terminator included, into W/2
// bytes of the buffer.  Where the ANSI characters take more than one byte the
// zero units after the text would not fit: then the text is converted through
// its terminator and the rest of the W/2 bytes are zero.  A text that does not
// fit even so, or a field without a terminator that does not fit whole, is -10
// (the buffer may hold part of it).
DMA_API DMA_RESULT DMA_GetStringData(DmaContext *context, uint32_t dmaId, char *buffer,
                                     uint32_t *length) {
    if (context == nullptr) return Result(DMA_E_FAILED);
    const uint16_t id = static_cast<uint16_t>(dmaId);
    if (special::IsFaxHeaderId(id))
        return Result(GetFaxHeaderString(id, context->faxAddressBlock, buffer, length));

    StringField field;
    const int32_t opened = OpenStringField(context, id, &field);
    if (opened != DMA_OK) return Result(opened);
    if (length == nullptr) return Result(DMA_E_FAILED);

    if (buffer == nullptr && *length == 0) {
        *length = IsProtectedId(id) ? ProtectedStringLength(id)
                                    : (field.narrow ? field.size : field.Units());
        return Result(DMA_E_MORE_DATA);
    }
    if (IsProtectedId(id)) return Result(DMA_E_FAILED);
    if (buffer == nullptr) return Result(DMA_E_FAILED);

    if (field.narrow) {
        if (*length < field.size) return Result(DMA_E_MORE_DATA);
        std::memmove(buffer, field.address, field.size);
        return Result(DMA_OK);
    }
    if (*length < field.Units()) return Result(DMA_E_MORE_DATA);
    const int units = static_cast<int>(field.Units());
    if (!WideFieldToAnsi(field.Wide(), units, buffer, units)) return Result(DMA_E_FAILED);
    return Result(DMA_OK);
}

// Writes the field from 8-bit text.  `length` is compared with the capacity
// (-6 above it) and bounds what is read of the caller's text: the text is
// what lies before its terminator within `length` bytes, or all `length`
// bytes when none does (a length of 0 declares nothing: the terminator is then
// looked for within what the field can take).  UTF-16 field: the text is
// measured first and refused with -6 when it needs more than W/2 units with
// its terminator; an unterminated text that fills all W/2 units is stored
// without one (a whole field read back by DMA_GetStringData round-trips);
// units after the new terminator keep their old content.  8-bit field: with
// length W all W bytes come from the caller; with less, the text within them
// is stored and the rest of the field is cleared, so it is always ended.
DMA_API DMA_RESULT DMA_SetStringData(DmaContext *context, uint32_t dmaId, const char *text,
                                     uint32_t length) {
    if (context == nullptr) return Result(DMA_E_FAILED);
    const uint16_t id = static_cast<uint16_t>(dmaId);
    if (special::IsFaxHeaderId(id))
        return Result(SetFaxHeaderString(id, context->faxAddressBlock, text, length));

    StringField field;
    const int32_t opened = OpenStringField(context, id, &field);
    if (opened != DMA_OK) return Result(opened);
    if (text == nullptr) return Result(DMA_E_FAILED);
    if (IsProtectedId(id))
        return Result(StoreProtectedString(id, field.address, field.size, text, length));

    if (field.narrow) {
        if (length > field.size) return Result(DMA_E_TOO_LONG);
        if (length == field.size) {
            std::memmove(field.address, text, field.size);
        } else {
            const size_t n = ByteLengthWithin(text, length);
            std::memmove(field.address, text, n);
            std::memset(field.address + n, 0, field.size - n);
        }
        return Result(DMA_OK);
    }
    if (length > field.Units()) return Result(DMA_E_TOO_LONG);
    bool terminated;
    const size_t n = CallerTextBytes(text, length, MaxAnsiBytesFor(field.Units()), &terminated);
    if (!terminated && length == 0) return Result(DMA_E_TOO_LONG);
    return Result(StoreAnsiInField(text, n, field.address, field.Units(), !terminated));
}

// Reads the stored text at its converted length N (bytes with terminator).
// A text without a terminator inside its field is -10.  N may exceed W where
// an ANSI character takes three bytes or more for one UTF-16 unit (UTF-8 as
// the ANSI code page): such a text is terminated and is read like any other,
// since the caller sizes the buffer from the size query.  Size query (null buffer, *length 0): N and -5; a null buffer
// with a non-zero size is -10; a buffer below N is -5 with *length kept.
DMA_API DMA_RESULT DMA_GetStringData_StrLength(DmaContext *context, uint32_t dmaId,
                                               char *buffer, uint32_t *length) {
    if (context == nullptr) return Result(DMA_E_FAILED);
    const uint16_t id = static_cast<uint16_t>(dmaId);
    StringField field;
    const int32_t opened = OpenStringField(context, id, &field);
    if (opened != DMA_OK) return Result(opened);

    uint32_t needed;
    size_t units = 0;
    if (field.narrow) {
        const size_t n = ByteLengthWithin(field.address, field.size);
        if (n >= field.size) return Result(DMA_E_FAILED);
        needed = static_cast<uint32_t>(n) + 1;
    } else {
        units = WideLengthWithin(field.address, field.Units());
        if (units >= field.Units()) return Result(DMA_E_FAILED);
        const int bytes = WideCharToMultiByte(CP_ACP, 0, field.Wide(), static_cast<int>(units) + 1,
                                              nullptr, 0, nullptr, nullptr);
        if (bytes <= 0) return Result(DMA_E_FAILED);
        needed = static_cast<uint32_t>(bytes);
    }
    if (length == nullptr) return Result(DMA_E_FAILED);

    if (buffer == nullptr) {
        if (*length != 0) return Result(DMA_E_FAILED);
        *length = needed;
        return Result(DMA_E_MORE_DATA);
    }
    if (*length < needed) return Result(DMA_E_MORE_DATA);

    if (field.narrow) {
        std::memmove(buffer, field.address, needed);
        return Result(DMA_OK);
    }
    // Through a scratch copy: the caller's buffer may overlap the field.
    char scratch[MaxAnsiBytesFor(kMaxStringUnits) + 1];
    if (needed > sizeof scratch ||
        WideCharToMultiByte(CP_ACP, 0, field.Wide(), static_cast<int>(units) + 1, scratch,
                            static_cast<int>(needed), nullptr, nullptr) == 0)
        return Result(DMA_E_FAILED);
    std::memmove(buffer, scratch, needed);
    return Result(DMA_OK);
}

// Writes the text at its own length: -6 when it needs more than the field
// holds with its terminator (field untouched).  Otherwise the text with its
// terminator is stored and the rest of the field cleared; a conversion that
// fails is -10 and leaves the field cleared.
DMA_API DMA_RESULT DMA_SetStringData_StrLength(DmaContext *context, uint32_t dmaId,
                                               const char *text) {
    if (context == nullptr) return Result(DMA_E_FAILED);
    const uint16_t id = static_cast<uint16_t>(dmaId);
    StringField field;
    const int32_t opened = OpenStringField(context, id, &field);
    if (opened != DMA_OK) return Result(opened);
    if (text == nullptr) return Result(DMA_E_FAILED);

    if (field.narrow) {
        if (field.size == 0) return Result(DMA_E_TOO_LONG);
        const size_t n = ByteLengthWithin(text, field.size);
        if (n > field.size - 1) return Result(DMA_E_TOO_LONG);
        std::memmove(field.address, text, n + 1);
        std::memset(field.address + n + 1, 0, field.size - n - 1);
        return Result(DMA_OK);
    }
    // The terminator is looked for only as far as a text that fits can reach.
    bool terminated;
    const size_t n = CallerTextBytes(text, 0, MaxAnsiBytesFor(field.Units()), &terminated);
    if (!terminated) return Result(DMA_E_TOO_LONG);
    const int32_t stored = StoreAnsiInField(text, n, field.address, field.Units(), false);
    if (stored == DMA_E_TOO_LONG) return Result(stored);
    // The units after the terminator are cleared (all of them when the
    // conversion failed).
    const size_t kept = stored == DMA_OK ? 2 * (WideLengthWithin(field.address, field.Units()) + 1) : 0;
    std::memset(field.address + kept, 0, field.size - kept);
    return Result(stored);
}
