// protected.cpp - the write-only protected strings (DMA IDs 0x9001-0x900A).
//
// Their clear text never reaches the records: it is XOR-scrambled with the
// library's fixed 4-byte key, Base64-encoded, and that ASCII text is stored
// as UTF-16 in the setting's field.  The plain DMA ID of the same item reads
// and writes the stored form unchanged.  This file owns the key, the table of
// lengths the size query reports, the scrambler and the store itself.
#include <cstring>

#include "text/text.h"

namespace dma {

namespace {

// Key byte 0 is the first character.  Used for nothing else.
constexpr uint8_t kScrambleKey[4] = {'q', 'd', 'z', 'k'};

// Reported by the size query and the bound of the caller's length argument,
// indexed by DMA ID - 0x9001.  The 129-character fields of 0x9009/0x900A
// report the whole field capacity (173) although only 129 clear characters
// fit once encoded; callers see these numbers, so they stay as they are.
constexpr uint32_t kProtectedStringLengths[10] = {13, 129, 129, 129, 21, 13, 13, 13, 173, 173};

// UTF-16 units (terminator included) of the stored form of an n-byte text.
constexpr uint64_t StoredUnits(uint64_t n) { return n == 0 ? 1 : (n + 2) / 3 * 4 + 1; }

static_assert(StoredUnits(12) == 17 && StoredUnits(13) == 21, "0x9001 fits 12, not 13");
static_assert(StoredUnits(129) == 173 && StoredUnits(130) == 177, "0x9009 fits 129");

}  // namespace

uint32_t ProtectedStringLength(uint16_t dmaId) {
    if (dmaId < DMA_ID_PROTECTED_FIRST || dmaId > DMA_ID_PROTECTED_LAST) return 0;
    return kProtectedStringLengths[dmaId - DMA_ID_PROTECTED_FIRST];
}

// XOR with the key, in whole groups of four bytes and then the remainder.
// `written` grows before each group; a group that would pass the capacity
// puts it back, ends the work with -3 and leaves the groups already done in
// the destination.
int ScrambleBytes(const uint8_t *source, int32_t count, uint8_t *destination, int32_t *written,
                  int32_t capacity) {
    if (source == nullptr || destination == nullptr || written == nullptr) return -1;
    if (count <= 0 || capacity <= 0) return -2;
    *written = 0;
    for (int32_t i = 0; i < count;) {
        const int32_t group = count - i < 4 ? count - i : 4;
        const int32_t before = *written;
        if (group > capacity - before) {  // before + group > capacity, without overflow
            *written = before;
            return -3;
        }
        *written = before + group;
        for (int32_t k = 0; k < group; ++k)
            destination[i + k] = static_cast<uint8_t>(source[i + k] ^ kScrambleKey[k]);
        i += group;
    }
    return 0;
}

// Stores `text` in its protected form into a UTF-16 field of `fieldBytes`
// bytes.  The length argument gates the call against the protected length
// and bounds the text: the bytes before its terminator within `length` (all
// of them when none does; with a length of 0, within the longest text whose
// stored form fits).  The stored form is
// measured before anything is written: when it does not fit the field with
// its terminator the result is -6 and the field keeps its content (storing
// a cut Base64 text would lose the setting silently).  Characters after the
// stored form keep their old content.  1, -6 or -10.
int32_t StoreProtectedString(uint16_t dmaId, uint8_t *field, uint32_t fieldBytes,
                             const char *text, uint32_t length) {
    if (field == nullptr || text == nullptr) return DMA_E_FAILED;
    if (length > ProtectedStringLength(dmaId)) return DMA_E_TOO_LONG;

    const uint32_t capacity = fieldBytes / 2;
    const size_t longest = capacity == 0 ? 0 : (capacity - 1) / 4 * 3;
    bool terminated;
    const size_t n = CallerTextBytes(text, length, longest + 1, &terminated);
    if (!terminated && length == 0) return DMA_E_TOO_LONG;
    if (StoredUnits(n) > capacity) return DMA_E_TOO_LONG;

    // The stored form as ANSI text with its terminator: for an empty text
    // the terminator alone, else the Base64 form of the scrambled bytes.
    GlobalBlock<char> stored;
    int sourceCount = 1;
    if (n == 0) {
        stored = GlobalBlock<char>(1);
        if (!stored) return DMA_E_FAILED;
    } else {
        const int32_t count = static_cast<int32_t>(n);
        GlobalBlock<uint8_t> scrambled(n);
        if (!scrambled) return DMA_E_FAILED;
        int32_t m = 0;
        if (ScrambleBytes(reinterpret_cast<const uint8_t *>(text), count, scrambled.get(), &m,
                          count) != 0)
            return DMA_E_FAILED;
        const int32_t bytes = (m + 2) / 3 * 4 + 1;  // zero-filled: the last byte ends the text
        stored = GlobalBlock<char>(static_cast<SIZE_T>(bytes));
        if (!stored) return DMA_E_FAILED;
        int32_t encoded = 0;
        if (EncodeBase64(scrambled.get(), m, stored.get(), &encoded, bytes) != 0)
            return DMA_E_FAILED;
        sourceCount = bytes;
    }

    // Measure, then convert: a code page that widened the ASCII text could
    // otherwise leave a cut text in the field.
    const int units = MultiByteToWideChar(CP_ACP, 0, stored.get(), sourceCount, nullptr, 0);
    if (units <= 0) return DMA_E_FAILED;
    if (static_cast<uint32_t>(units) > capacity) return DMA_E_TOO_LONG;
    if (MultiByteToWideChar(CP_ACP, 0, stored.get(), sourceCount, reinterpret_cast<LPWSTR>(field),
                            static_cast<int>(capacity)) == 0)
        return DMA_E_FAILED;
    return DMA_OK;
}

}  // namespace dma
