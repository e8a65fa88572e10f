// ansi_text.h - text conversion between the terminal/JSON side (UTF-8) and
// the library side (8-bit text in the system ANSI code page; UTF-16 inside
// the records).  On Windows the system's own code page is used; elsewhere the
// library's platform layer fixes the ANSI code page at 1252, and so does this
// file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dmaclient {

// ANSI text to UTF-8.  Never fails: in code page 1252 every byte has a
// character (0x81, 0x8D, 0x8F, 0x90 and 0x9D the C1 control of that value, as
// on Windows); a byte sequence some other code page lacks becomes U+FFFD.
std::string AnsiToUtf8(std::string_view ansi);
// UTF-8 to ANSI text; nullopt when the text is not valid UTF-8 or holds a
// character the code page lacks.
std::optional<std::string> Utf8ToAnsi(std::string_view utf8);
// UTF-8 to UTF-16 units; nullopt for anything that is not valid UTF-8
// (overlong forms, encoded surrogates, code points above U+10FFFF, stray or
// missing continuation bytes).
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);
// UTF-16 units (little-endian bytes) to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const unsigned char *units, size_t count);

}  // namespace dmaclient
