// ansi_text.cpp - UTF-8 <-> ANSI code page and UTF-16 <-> UTF-8 conversion.
//
// There is one code-page implementation: on Windows the system's
// MultiByteToWideChar and WideCharToMultiByte, elsewhere the same functions
// of the library's posix platform layer (code page 1252 as CP_ACP, and
// UTF-8), linked in as the small static library dmaccess_platform_text.
// The tool therefore converts exactly as the library does.
#include "ansi_text.h"

#include <climits>
#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#else
#include "platform/posix/win32_layer.h"
#endif

namespace dmaclient {
namespace {

#if defined(_WIN32)
using Unit = wchar_t;  // UTF-16 on Windows
#else
using Unit = WCHAR;
#endif
static_assert(sizeof(Unit) == 2);

// The bytes as UTF-16 units of `codePage`; nullopt when `strict` and the
// bytes are not valid in it.
std::optional<std::u16string> ToUnits(UINT codePage, std::string_view bytes, bool strict) {
    std::u16string out;
    if (bytes.empty()) return out;
    if (bytes.size() > INT_MAX) return std::nullopt;
    const DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
    const int len = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(codePage, flags, bytes.data(), len, nullptr, 0);
    if (n <= 0) return std::nullopt;
    out.resize(static_cast<size_t>(n));
    if (MultiByteToWideChar(codePage, flags, bytes.data(), len, reinterpret_cast<Unit *>(out.data()), n) != n)
        return std::nullopt;
    return out;
}

// UTF-16 units as bytes of `codePage` (lone surrogates become U+FFFD in UTF-8).
std::string FromUnits(UINT codePage, const Unit *units, size_t count) {
    std::string out;
    if (count == 0 || count > INT_MAX) return out;
    const int len = static_cast<int>(count);
    const int n = WideCharToMultiByte(codePage, 0, units, len, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return out;
    out.resize(static_cast<size_t>(n));
    WideCharToMultiByte(codePage, 0, units, len, out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
    const std::optional<std::u16string> units = ToUnits(CP_ACP, ansi, false);
    if (!units) return {};
    return FromUnits(CP_UTF8, reinterpret_cast<const Unit *>(units->data()), units->size());
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) { return ToUnits(CP_UTF8, utf8, true); }

std::optional<std::string> Utf8ToAnsi(std::string_view utf8) {
    const std::optional<std::u16string> units = Utf8ToUtf16(utf8);
    if (!units) return std::nullopt;
    const std::string out = FromUnits(CP_ACP, reinterpret_cast<const Unit *>(units->data()), units->size());
    // A character the code page lacks comes out as a substitute ('?' or a
    // similar letter); converting back shows it (the used-default flag is
    // not reported for every code page).
    if (ToUnits(CP_ACP, out, false).value_or(std::u16string()) != *units) return std::nullopt;
    return out;
}

std::string Utf16ToUtf8(const unsigned char *units, size_t count) {
    // The units may sit at any address: copy them into aligned storage.
    std::u16string aligned(count, u'\0');
    for (size_t i = 0; i < count; ++i) aligned[i] = static_cast<char16_t>(units[2 * i] | (units[2 * i + 1] << 8));
    return FromUnits(CP_UTF8, reinterpret_cast<const Unit *>(aligned.data()), count);
}

}  // namespace dmaclient
