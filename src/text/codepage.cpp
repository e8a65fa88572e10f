// codepage.cpp - whole-text conversion between UTF-16 and 8-bit text into a
// new GlobalAlloc buffer.  The fax header strings and the record operations
// use these to hand settings to callers in the ANSI code page and back.
#include <cstring>
#include <utility>

#include "text/text.h"

namespace dma {

namespace {

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

int WideFieldToAnsi(const WCHAR *field, int units, char *out, int bytes) {
    if (WideCharToMultiByte(CP_ACP, 0, field, units, out, bytes, nullptr, nullptr) != 0) return 1;
    const size_t text = WideLengthWithin(field, static_cast<size_t>(units));
    if (text == static_cast<size_t>(units)) return 0;
    const int done =
        WideCharToMultiByte(CP_ACP, 0, field, static_cast<int>(text) + 1, out, bytes, nullptr, nullptr);
    if (done == 0) return 0;
    std::memset(out + done, 0, static_cast<size_t>(bytes - done));
    return 1;
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
