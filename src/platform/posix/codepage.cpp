// codepage.cpp - MultiByteToWideChar, WideCharToMultiByte, GetACP and
// GetCPInfo of the posix platform layer.
//
// Two code pages exist here: 1252 (which CP_ACP means by default, as on a
// Western Windows installation) and UTF-8.  A test can make UTF-8 the ANSI
// code page (dmaplat_SetAnsiCodePage) to reach what a system whose ANSI
// characters take more than one byte does.  The calling conventions are Windows':
//   - a negative source count means "up to and including the terminator";
//   - an output size of 0 measures: the result is the size needed;
//   - output that does not fit fails with ERROR_INSUFFICIENT_BUFFER and no
//     unit is ever written past the caller's buffer (the part that fits may
//     have been written, as Windows does);
//   - success leaves the last-error value alone.
// 1252 maps every byte; UTF-16 units without a 1252 byte become the default
// character '?' (Windows may pick a best-fit letter for some of them; the
// library must not rely on either).  Invalid UTF-8 becomes U+FFFD, one per
// maximal ill-formed subsequence, and a lone UTF-16 surrogate becomes U+FFFD
// in UTF-8 output, unless the caller asked for errors instead.
#include <atomic>
#include <climits>
#include <cstring>

#include "platform/posix/win32_layer.h"

namespace {

constexpr UINT kCp1252 = 1252;
constexpr char16_t kReplacement = 0xFFFD;

// Windows-1252 bytes 0x80-0x9F.  The five bytes that the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control with the
// same value, as Windows' table does; every other byte maps to itself.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t Cp1252ToWide(uint8_t b) {
    return (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : char16_t{b};
}

// The 1252 byte of a UTF-16 unit, or -1 when the code page has none.
constexpr int WideToCp1252(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == c) return 0x80 + i;
    return -1;
}

static_assert(WideToCp1252(0x20AC) == 0x80 && WideToCp1252(0x0081) == 0x81 &&
              WideToCp1252(0x0080) == -1 && WideToCp1252(0x0178) == 0x9F);

// What CP_ACP means: 1252 unless a test chose UTF-8.
std::atomic<UINT> g_ansiCodePage{kCp1252};

// Resolves CP_ACP; returns 0 for a code page this layer does not know.
UINT KnownCodePage(UINT codePage) {
    if (codePage == CP_ACP) return g_ansiCodePage.load(std::memory_order_relaxed);
    if (codePage == kCp1252) return kCp1252;
    if (codePage == CP_UTF8) return CP_UTF8;
    return 0;
}

// Output cursor: counts every unit, stores while the caller's buffer has
// room and notes when it runs out (measuring calls have no buffer).
template <typename T>
struct Output {
    T *dst;
    int capacity;  // 0: measure only
    long long count = 0;
    bool overflow = false;

    void Put(T unit) {
        if (capacity) {
            if (count >= capacity) {
                overflow = true;
                return;
            }
            dst[count] = unit;
        }
        ++count;
    }
    bool Stop() const { return overflow || count > INT_MAX; }
};

// Finishes a conversion: the unit count, or 0 with the Windows error.
template <typename T>
int Finish(const Output<T> &out, bool invalid) {
    // A short buffer is reported before invalid input, as Windows does.
    if (out.Stop()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (invalid) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    return static_cast<int>(out.count);
}

// Length of a well-formed UTF-8 sequence starting at s[0] within n bytes
// together with its code point, or the length of the maximal ill-formed
// prefix (at least 1) with `valid` false.  The ranges of the second byte
// exclude overlong forms, surrogates and values above U+10FFFF.
int DecodeUtf8(const uint8_t *s, size_t n, char32_t &cp, bool &valid) {
    valid = false;
    uint8_t b = s[0];
    if (b < 0x80) {
        cp = b;
        valid = true;
        return 1;
    }
    int trail;
    uint8_t lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        trail = 1;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        trail = 2;
        cp = b & 0x0F;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        trail = 3;
        cp = b & 0x07;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return 1;  // stray continuation byte, C0/C1 or F5-FF
    }
    int used = 1;
    for (int i = 0; i < trail; ++i) {
        if (static_cast<size_t>(used) >= n) return used;
        uint8_t c = s[used];
        if (c < (i == 0 ? lo : 0x80) || c > (i == 0 ? hi : 0xBF)) return used;
        cp = (cp << 6) | (c & 0x3F);
        ++used;
    }
    valid = true;
    return used;
}

int Utf8ToWide(DWORD flags, const uint8_t *src, size_t n, WCHAR *dst, int dstCount) {
    Output<WCHAR> out{dst, dstCount};
    bool invalid = false;
    for (size_t i = 0; i < n && !out.Stop();) {
        char32_t cp;
        bool valid;
        i += DecodeUtf8(src + i, n - i, cp, valid);
        if (!valid) {
            invalid = true;
            cp = kReplacement;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.Put(static_cast<WCHAR>(0xD800 + (cp >> 10)));
            out.Put(static_cast<WCHAR>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.Put(static_cast<WCHAR>(cp));
        }
    }
    return Finish(out, invalid && (flags & MB_ERR_INVALID_CHARS));
}

int WideToUtf8(DWORD flags, const WCHAR *src, size_t n, char *dst, int dstCount) {
    Output<char> out{dst, dstCount};
    bool invalid = false;
    for (size_t i = 0; i < n && !out.Stop(); ++i) {
        char32_t cp = src[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && src[i + 1] >= 0xDC00 &&
            src[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (src[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            invalid = true;  // lone surrogate
            cp = kReplacement;
        }
        // Windows writes a multi-byte character whole or not at all.
        int len = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        if (out.capacity && out.count + len > out.capacity) {
            out.overflow = true;
            break;
        }
        if (len == 1) {
            out.Put(static_cast<char>(cp));
            continue;
        }
        static constexpr uint8_t kLead[5] = {0, 0, 0xC0, 0xE0, 0xF0};
        out.Put(static_cast<char>(kLead[len] | (cp >> (6 * (len - 1)))));
        for (int k = len - 2; k >= 0; --k) out.Put(static_cast<char>(0x80 | ((cp >> (6 * k)) & 0x3F)));
    }
    return Finish(out, invalid && (flags & WC_ERR_INVALID_CHARS));
}

}  // namespace

// Converts 8-bit text of `codePage` to UTF-16 (see the file comment for the
// conventions).  MB_ERR_INVALID_CHARS makes invalid UTF-8 fail with
// ERROR_NO_UNICODE_TRANSLATION instead of becoming U+FFFD.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH src, int srcCount, LPWSTR dst,
                        int dstCount) {
    if (!src || srcCount == 0 || dstCount < 0 || (!dst && dstCount)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UINT cp = KnownCodePage(codePage);
    if (!cp) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = srcCount < 0 ? std::strlen(src) + 1 : static_cast<size_t>(srcCount);
    const uint8_t *s = reinterpret_cast<const uint8_t *>(src);
    if (cp == CP_UTF8) {
        if (flags & ~static_cast<DWORD>(MB_ERR_INVALID_CHARS)) {
            SetLastError(ERROR_INVALID_FLAGS);
            return 0;
        }
        return Utf8ToWide(flags, s, n, dst, dstCount);
    }
    Output<WCHAR> out{dst, dstCount};
    for (size_t i = 0; i < n && !out.Stop(); ++i) out.Put(Cp1252ToWide(s[i]));
    return Finish(out, false);
}

// Converts UTF-16 to 8-bit text of `codePage`.  For 1252, units without a
// byte become `defaultChar[0]` (or '?') and set *usedDefaultChar.  For UTF-8
// both of those must be null (ERROR_INVALID_PARAMETER otherwise), and
// WC_ERR_INVALID_CHARS makes a lone surrogate fail with
// ERROR_NO_UNICODE_TRANSLATION instead of becoming U+FFFD.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH src, int srcCount, LPSTR dst,
                        int dstCount, LPCCH defaultChar, LPBOOL usedDefaultChar) {
    if (!src || srcCount == 0 || dstCount < 0 || (!dst && dstCount)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UINT cp = KnownCodePage(codePage);
    if (!cp) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = static_cast<size_t>(srcCount);
    if (srcCount < 0) {
        n = 0;
        while (src[n]) ++n;
        ++n;
    }
    if (cp == CP_UTF8) {
        if (defaultChar || usedDefaultChar) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        if (flags & ~static_cast<DWORD>(WC_ERR_INVALID_CHARS)) {
            SetLastError(ERROR_INVALID_FLAGS);
            return 0;
        }
        return WideToUtf8(flags, src, n, dst, dstCount);
    }
    const char fallback = defaultChar ? defaultChar[0] : '?';
    bool used = false;
    Output<char> out{dst, dstCount};
    for (size_t i = 0; i < n && !out.Stop(); ++i) {
        int b = WideToCp1252(src[i]);
        if (b < 0) {
            used = true;
            out.Put(fallback);
        } else {
            out.Put(static_cast<char>(b));
        }
    }
    int result = Finish(out, false);
    if (result && usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
    return result;
}

// The system ANSI code page of this layer: Windows-1252 unless a test chose
// UTF-8.
UINT GetACP(void) { return g_ansiCodePage.load(std::memory_order_relaxed); }

extern "C" int dmaplat_SetAnsiCodePage(UINT codePage) {
    if (codePage != kCp1252 && codePage != CP_UTF8) return 0;
    g_ansiCodePage.store(codePage, std::memory_order_relaxed);
    return 1;
}

// Describes 1252 (also as CP_ACP) and UTF-8; any other code page fails with
// ERROR_INVALID_PARAMETER.
BOOL GetCPInfo(UINT codePage, LPCPINFO info) {
    UINT cp = KnownCodePage(codePage);
    if (!info || !cp) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::memset(info, 0, sizeof *info);
    info->MaxCharSize = cp == CP_UTF8 ? 4 : 1;
    info->DefaultChar[0] = '?';
    return TRUE;
}
