// codepage.cpp - whole-text conversion between UTF-16 and 8-bit text into a
// new GlobalAlloc buffer.  The fax header strings and the record operations
// use these to hand settings to callers in the ANSI code page and back.
#include <cstdint>
#include <cstring>
#include <utility>

#include "text/text.h"

namespace dma {

namespace {

// The widest text field a conversion here serves: the second fax header
// text, 671 units (the terminator, when there is room for one, is inside).
constexpr uint32_t kMaxFieldUnits = 671;

// The given code page when it is not 0 and the system knows it, else the
// ANSI code page.
UINT ChooseCodePage(UINT codePage) {
    if (codePage != 0) {
        CPINFO info;
        if (GetCPInfo(codePage, &info)) return codePage;
    }
    return GetACP();
}

}  // namespace

// Measures the converted text (terminator included), allocates exactly that
// many zero-filled bytes and converts into them.  1 with *result owning the
// buffer and *length the bytes before its terminator; 0 with *result null and
// nothing allocated.
int WideToMultiByteAlloc(const WCHAR *text, char **result, int32_t *length, UINT codePage) {
    if (result == nullptr || length == nullptr) return 0;
    *result = nullptr;
    if (text == nullptr) return 0;
    const UINT cp = ChooseCodePage(codePage);
    const int bytes = WideCharToMultiByte(cp, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return 0;
    // The guard frees the buffer on every way out until it is handed over.
    GlobalBlock<char> buffer(static_cast<SIZE_T>(bytes));
    if (!buffer) return 0;
    const int done = WideCharToMultiByte(cp, 0, text, -1, buffer.get(), bytes, nullptr, nullptr);
    if (done <= 0) return 0;
    *result = buffer.Release();
    *length = done - 1;
    return 1;
}

// Converted into a scratch copy and moved into `out`, which may overlap the
// field.  The fields are at most a few hundred units.
int WideFieldToAnsi(const WCHAR *field, int units, char *out, int bytes) {
    char scratch[kMaxFieldUnits];
    if (bytes < 0 || bytes > static_cast<int>(sizeof scratch)) return 0;
    if (WideCharToMultiByte(CP_ACP, 0, field, units, scratch, bytes, nullptr, nullptr) == 0) {
        const size_t text = WideLengthWithin(field, static_cast<size_t>(units));
        if (text == static_cast<size_t>(units)) return 0;
        const int done = WideCharToMultiByte(CP_ACP, 0, field, static_cast<int>(text) + 1, scratch,
                                             bytes, nullptr, nullptr);
        if (done == 0) return 0;
        std::memset(scratch + done, 0, static_cast<size_t>(bytes - done));
    }
    std::memmove(out, scratch, static_cast<size_t>(bytes));
    return 1;
}

size_t CallerTextBytes(const char *text, uint32_t declared, size_t bound, bool *terminated) {
    const size_t limit = declared != 0 ? declared : bound;
    const size_t n = ByteLengthWithin(text, limit);
    *terminated = n < limit;
    return n;
}

int32_t StoreAnsiInField(const char *text, size_t bytes, uint8_t *field, uint32_t units,
                         bool mayFill) {
    WCHAR scratch[kMaxFieldUnits];
    if (units > kMaxFieldUnits) return DMA_E_FAILED;
    int converted = 0;
    if (bytes != 0) {
        if (bytes > static_cast<size_t>(INT32_MAX)) return DMA_E_TOO_LONG;
        const int source = static_cast<int>(bytes);
        // A measure that fails gives 0, and the conversion below fails too.
        const int needed = MultiByteToWideChar(CP_ACP, 0, text, source, nullptr, 0);
        if (static_cast<uint32_t>(needed) > units) return DMA_E_TOO_LONG;
        converted = MultiByteToWideChar(CP_ACP, 0, text, source, scratch, static_cast<int>(units));
        if (converted <= 0) return DMA_E_FAILED;
    }
    const uint32_t n = static_cast<uint32_t>(converted);
    const bool terminate = n < units;
    if (!terminate && !(mayFill && n == units)) return DMA_E_TOO_LONG;
    if (terminate) scratch[n] = 0;
    std::memmove(field, scratch, (n + (terminate ? 1 : 0)) * sizeof(WCHAR));
    return DMA_OK;
}

// The other direction: allocates 2 * C bytes for the C UTF-16 units that the
// text converts to (terminator included); *length gets C - 1.
int MultiByteToWideAlloc(const char *text, WCHAR **result, int32_t *length, UINT codePage) {
    if (text == nullptr || result == nullptr || length == nullptr) return 0;
    *result = nullptr;
    const UINT cp = ChooseCodePage(codePage);
    const int units = MultiByteToWideChar(cp, 0, text, -1, nullptr, 0);
    if (units <= 0) return 0;
    GlobalBlock<WCHAR> buffer(static_cast<SIZE_T>(units) * sizeof(WCHAR));
    if (!buffer) return 0;
    const int done = MultiByteToWideChar(cp, 0, text, -1, buffer.get(), units);
    if (done <= 0) return 0;
    *result = buffer.Release();
    *length = done - 1;
    return 1;
}

}  // namespace dma
