// ansi_text.cpp - UTF-8 <-> ANSI code page and UTF-16 -> UTF-8 conversion.
#include "ansi_text.h"

#include <cstdint>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace dmactl {
namespace {

void AppendUtf8(std::string &out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes UTF-8 into code points; false on malformed input.
bool DecodeUtf8(std::string_view s, std::vector<uint32_t> &out) {
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp;
        size_t n;
        if (c < 0x80) { cp = c; n = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; n = 2; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; n = 3; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; n = 4; }
        else return false;
        if (i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k) {
            const unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        out.push_back(cp);
        i += n;
    }
    return true;
}

#if !defined(_WIN32)
// Windows-1252 bytes 0x80-0x9F.  The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 control of the
// same value, as in Windows' own table and the library's platform layer, so
// that every byte has a character and every such character its byte.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
#endif

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
#if defined(_WIN32)
    if (ansi.empty()) return out;
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::vector<wchar_t> w(static_cast<size_t>(n > 0 ? n : 0));
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), w.data(), n);
    return Utf16ToUtf8(reinterpret_cast<const unsigned char *>(w.data()), w.size());
#else
    for (const char ch : ansi) {
        const unsigned char c = static_cast<unsigned char>(ch);
        uint32_t cp = c;
        if (c >= 0x80 && c < 0xA0) cp = kCp1252High[c - 0x80];
        AppendUtf8(out, cp);
    }
    return out;
#endif
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) {
    std::vector<uint32_t> cps;
    if (!DecodeUtf8(utf8, cps)) return std::nullopt;
    std::u16string out;
    for (uint32_t cp : cps) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::optional<std::string> Utf8ToAnsi(std::string_view utf8) {
    std::string out;
#if defined(_WIN32)
    const std::optional<std::u16string> units = Utf8ToUtf16(utf8);
    if (!units) return std::nullopt;
    const std::wstring w(units->begin(), units->end());  // wchar_t is UTF-16 here
    if (w.empty()) return out;
    const int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::nullopt;
    out.resize(static_cast<size_t>(n));
    WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    // A character the code page lacks comes out as a substitute; converting
    // back shows it (the used-default flag is not reported reliably everywhere).
    const int m = MultiByteToWideChar(CP_ACP, 0, out.data(), n, nullptr, 0);
    std::wstring back(static_cast<size_t>(m > 0 ? m : 0), L'\0');
    if (m > 0) MultiByteToWideChar(CP_ACP, 0, out.data(), n, back.data(), m);
    if (back != w) return std::nullopt;
#else
    std::vector<uint32_t> cps;
    if (!DecodeUtf8(utf8, cps)) return std::nullopt;
    for (const uint32_t cp : cps) {
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
            continue;
        }
        int found = -1;
        for (int k = 0; k < 32; ++k)
            if (kCp1252High[k] == cp) found = k;
        if (found < 0) return std::nullopt;
        out += static_cast<char>(0x80 + found);
    }
#endif
    return out;
}

std::string Utf16ToUtf8(const unsigned char *units, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        uint32_t u = units[2 * i] | (units[2 * i + 1] << 8);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count) {
            const uint32_t low = units[2 * i + 2] | (units[2 * i + 3] << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
        AppendUtf8(out, u);
    }
    return out;
}

}  // namespace dmactl
