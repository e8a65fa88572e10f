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
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/posix/units.h"
#include "platform/posix/win32_layer.h"

using dmaplat::LoadUnit;
using dmaplat::StoreUnit;
using dmaplat::UnitBytes;

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

// 1252 byte -> UTF-16 unit, one look-up per byte.
struct Cp1252Units {
    char16_t unit[256];
};

constexpr Cp1252Units MakeCp1252Units() {
    Cp1252Units t{};
    for (int b = 0; b < 256; ++b)
        t.unit[b] = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
    return t;
}

constexpr Cp1252Units kCp1252Units = MakeCp1252Units();

// UTF-16 unit -> 1252 byte.  The code page's characters lie in five blocks
// of 256 units (U+00xx, U+01xx, U+02xx, U+20xx, U+21xx): `block` maps a
// unit's high byte to its row of `bytes` (row 0 stays empty for every other
// block), and a row holds each unit's byte, or 0 where the code page has
// none.  U+0000 needs no entry: it is ASCII, which never comes here.
struct Cp1252Bytes {
    uint8_t block[256];
    uint8_t bytes[6][256];
};

constexpr Cp1252Bytes MakeCp1252Bytes() {
    Cp1252Bytes t{};
    int rows = 1;
    for (int b = 1; b < 256; ++b) {
        const char16_t u = kCp1252Units.unit[b];
        uint8_t &row = t.block[u >> 8];
        if (!row) row = static_cast<uint8_t>(rows++);  // a seventh row fails to compile
        t.bytes[row][u & 0xFF] = static_cast<uint8_t>(b);
    }
    return t;
}

constexpr Cp1252Bytes kCp1252Bytes = MakeCp1252Bytes();

// The 1252 byte of a non-zero UTF-16 unit, or 0 when the code page has none.
constexpr uint8_t Cp1252Byte(char16_t u) {
    return kCp1252Bytes.bytes[kCp1252Bytes.block[u >> 8]][u & 0xFF];
}

// Every byte comes back from its unit (so no two bytes share a unit, and the
// table holds nothing else); U+0080 and the other C1 controls that are not
// among the five bytes above have no byte.
constexpr bool RoundTrips() {
    for (int b = 1; b < 256; ++b)
        if (Cp1252Byte(kCp1252Units.unit[b]) != b) return false;
    return true;
}

static_assert(RoundTrips());
static_assert(Cp1252Byte(0x20AC) == 0x80 && Cp1252Byte(0x0081) == 0x81 && Cp1252Byte(0x0080) == 0 &&
              Cp1252Byte(0x0178) == 0x9F && Cp1252Byte(0x2122) == 0x99 && Cp1252Byte(0x4E2D) == 0 &&
              Cp1252Byte(0x00FF) == 0xFF && Cp1252Byte(0xFFFD) == 0);

// What CP_ACP means: 1252 unless a test chose UTF-8.
std::atomic<UINT> g_ansiCodePage{kCp1252};

// Resolves CP_ACP; returns 0 for a code page this layer does not know.
UINT KnownCodePage(UINT codePage) {
    if (codePage == CP_ACP) return g_ansiCodePage.load(std::memory_order_relaxed);
    if (codePage == kCp1252) return kCp1252;
    if (codePage == CP_UTF8) return CP_UTF8;
    return 0;
}

int Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

// ---- 1252 ------------------------------------------------------------------
//
// One unit per byte and one byte per unit: a measurement is the source
// count (UTF-16 is looked at only to fill *usedDefaultChar), and a
// conversion converts min(source, buffer) characters in one loop, then
// fails if the source was longer (the part that fits stays written, as
// Windows leaves it).
//
// The loops take eight characters at a time.  Most text is ASCII, and a
// block of ASCII, found with one test of its bytes, is a plain widening or
// narrowing copy, written out in full so that it costs a load and a store
// a character.  A block never reads past the source count, so a UTF-16
// source counted with -1, whose end is known only at its terminator, goes
// unit by unit.

constexpr size_t kBlock = 8;
using BlockIndexes = std::make_index_sequence<kBlock>;

// Eight bytes of the caller's memory, at any alignment.
inline uint64_t Load64(const unsigned char *p) {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// Whether the eight bytes at p are ASCII.
inline bool AsciiBytes(const unsigned char *p) { return !(Load64(p) & 0x8080808080808080u); }

// Whether the eight UTF-16 units at p are ASCII.  Each unit is one 16-bit
// lane of the two words, whatever the byte order.
inline bool AsciiUnits(const unsigned char *p) {
    return !((Load64(p) | Load64(p + 8)) & 0xFF80FF80FF80FF80u);
}

template <size_t... K>
inline void WidenAsciiBlock(const uint8_t *src, unsigned char *dst, std::index_sequence<K...>) {
    (StoreUnit(dst, K, src[K]), ...);
}

template <size_t... K>
inline void WidenBlock(const uint8_t *src, unsigned char *dst, std::index_sequence<K...>) {
    (StoreUnit(dst, K, kCp1252Units.unit[src[K]]), ...);
}

// `n` counts the source with its terminator when the caller passed -1.
int Cp1252ToWide(const uint8_t *src, size_t n, unsigned char *dst, int dstCount) {
    if (!dstCount) return n > INT_MAX ? Fail(ERROR_INSUFFICIENT_BUFFER) : static_cast<int>(n);
    const size_t fits = n < static_cast<size_t>(dstCount) ? n : static_cast<size_t>(dstCount);
    size_t i = 0;
    for (; fits - i >= kBlock; i += kBlock) {
        if (AsciiBytes(src + i))
            WidenAsciiBlock(src + i, dst + 2 * i, BlockIndexes{});
        else
            WidenBlock(src + i, dst + 2 * i, BlockIndexes{});
    }
    for (; i < fits; ++i) StoreUnit(dst, i, kCp1252Units.unit[src[i]]);
    if (n > fits) return Fail(ERROR_INSUFFICIENT_BUFFER);
    return static_cast<int>(n);
}

// The 1252 byte of a UTF-16 unit that is not ASCII, or `fallback` with
// `used` set when the code page has none.
inline char NonAsciiToCp1252(char16_t u, char fallback, bool &used) {
    if (u >= 0xA0 && u <= 0xFF) return static_cast<char>(u);  // Latin-1 letters and signs
    if (const uint8_t b = Cp1252Byte(u)) return static_cast<char>(b);
    used = true;
    return fallback;
}

inline char UnitToCp1252(char16_t u, char fallback, bool &used) {
    return u < 0x80 ? static_cast<char>(u) : NonAsciiToCp1252(u, fallback, used);
}

template <size_t... K>
inline void NarrowAsciiBlock(const unsigned char *src, char *dst, std::index_sequence<K...>) {
    ((dst[K] = static_cast<char>(LoadUnit(src, K))), ...);
}

// Converts `count` units, storing the bytes when `Store` (a measurement
// only looks for units without a byte).
template <bool Store>
void WideToCp1252Counted(const unsigned char *src, size_t count, char *dst, char fallback, bool &used) {
    size_t i = 0;
    for (; count - i >= kBlock; i += kBlock) {
        if (AsciiUnits(src + 2 * i)) {
            if constexpr (Store) NarrowAsciiBlock(src + 2 * i, dst + i, BlockIndexes{});
            continue;
        }
        for (size_t k = i; k < i + kBlock; ++k) {
            const char b = UnitToCp1252(LoadUnit(src, k), fallback, used);
            if constexpr (Store) dst[k] = b;
        }
    }
    for (; i < count; ++i) {
        const char b = UnitToCp1252(LoadUnit(src, i), fallback, used);
        if constexpr (Store) dst[i] = b;
    }
}

// Converts through the first zero unit, storing when `Store` at most
// `capacity` bytes.  Returns the units converted with the terminator, or 0
// when the terminator did not fit.
template <bool Store>
size_t WideToCp1252Terminated(const unsigned char *src, size_t capacity, char *dst, char fallback,
                              bool &used) {
    for (size_t i = 0; i < capacity; ++i) {
        const char16_t u = LoadUnit(src, i);
        char b;
        if (static_cast<char16_t>(u - 1) < 0x7F) {  // ASCII, not the terminator
            b = static_cast<char>(u);
        } else if (!u) {
            if constexpr (Store) dst[i] = 0;
            return i + 1;
        } else {
            b = NonAsciiToCp1252(u, fallback, used);
        }
        if constexpr (Store) dst[i] = b;
    }
    return 0;
}

int WideToCp1252(const unsigned char *src, int srcCount, char *dst, int dstCount, char fallback,
                 LPBOOL usedDefaultChar) {
    bool used = false;
    size_t count;
    if (srcCount >= 0) {
        count = static_cast<size_t>(srcCount);
        if (dstCount) {
            const size_t fits = srcCount < dstCount ? count : static_cast<size_t>(dstCount);
            WideToCp1252Counted<true>(src, fits, dst, fallback, used);
            if (count > fits) return Fail(ERROR_INSUFFICIENT_BUFFER);
        } else if (usedDefaultChar) {
            WideToCp1252Counted<false>(src, count, nullptr, fallback, used);
        }
    } else {
        count = dstCount ? WideToCp1252Terminated<true>(src, static_cast<size_t>(dstCount), dst, fallback, used)
                         : WideToCp1252Terminated<false>(src, SIZE_MAX, nullptr, fallback, used);
        if (!count || count > INT_MAX) return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    if (usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
    return static_cast<int>(count);
}

// ---- UTF-8 -----------------------------------------------------------------

// Output cursor: counts every unit, stores while the caller's buffer has
// room and notes when it runs out (measuring calls have no buffer).
struct WideOutput {
    unsigned char *dst;
    size_t capacity;  // 0: measure only
    size_t count = 0;
    bool overflow = false;

    // Whether `len` more units fit (always, when measuring).
    bool Fits(size_t len) const { return !capacity || capacity - count >= len; }

    void Put(char16_t unit) {
        if (capacity) {
            if (count >= capacity) {
                overflow = true;
                return;
            }
            StoreUnit(dst, count, unit);
        }
        ++count;
    }
};

struct ByteOutput {
    char *dst;
    size_t capacity;  // 0: measure only
    size_t count = 0;
    bool overflow = false;

    // Whether `len` more bytes fit (always, when measuring).
    bool Fits(size_t len) const { return !capacity || capacity - count >= len; }
    // Windows writes a multi-byte character whole or not at all.
    bool Room(size_t len) {
        if (!Fits(len)) overflow = true;
        return !overflow;
    }
    void Put(char unit) {
        if (capacity) dst[count] = unit;
        ++count;
    }
};

// Finishes a conversion: the unit count, or 0 with the Windows error.  A
// short buffer is reported before invalid input, as Windows does.
int Finish(bool overflow, size_t count, bool invalid) {
    if (overflow || count > INT_MAX) return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (invalid) return Fail(ERROR_NO_UNICODE_TRANSLATION);
    return static_cast<int>(count);
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

// `n` counts the source with its terminator when the caller passed -1.
// Runs of ASCII go eight bytes at a time while the buffer has room for
// them; the last units that fit are written one by one, as before a short
// buffer fails.
int Utf8ToWide(DWORD flags, const uint8_t *src, size_t n, unsigned char *dst, int dstCount) {
    WideOutput out{dst, static_cast<size_t>(dstCount)};
    bool invalid = false;
    for (size_t i = 0; i < n && !out.overflow;) {
        if (src[i] < 0x80) {
            if (n - i >= kBlock && AsciiBytes(src + i) && out.Fits(kBlock)) {
                if (out.capacity) WidenAsciiBlock(src + i, dst + 2 * out.count, BlockIndexes{});
                out.count += kBlock;
                i += kBlock;
            } else {
                out.Put(src[i++]);
            }
            continue;
        }
        char32_t cp;
        bool valid;
        i += DecodeUtf8(src + i, n - i, cp, valid);
        if (!valid) {
            invalid = true;
            cp = kReplacement;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.Put(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.Put(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.Put(static_cast<char16_t>(cp));
        }
    }
    return Finish(out.overflow, out.count, invalid && (flags & MB_ERR_INVALID_CHARS));
}

// A source counted with -1 is converted through its terminator in this one
// loop (its length is known only there); a counted one takes runs of ASCII
// eight units at a time while the buffer has room for them.
int WideToUtf8(DWORD flags, const unsigned char *src, int srcCount, char *dst, int dstCount) {
    const bool terminated = srcCount < 0;
    const size_t n = terminated ? SIZE_MAX : static_cast<size_t>(srcCount);
    ByteOutput out{dst, static_cast<size_t>(dstCount)};
    bool invalid = false;
    for (size_t i = 0; i < n;) {
        if (!terminated && n - i >= kBlock && out.Fits(kBlock) && AsciiUnits(src + 2 * i)) {
            if (out.capacity) NarrowAsciiBlock(src + 2 * i, dst + out.count, BlockIndexes{});
            out.count += kBlock;
            i += kBlock;
            continue;
        }
        char32_t cp = LoadUnit(src, i++);
        if (cp < 0x80) {
            if (!out.Room(1)) break;
            out.Put(static_cast<char>(cp));
            if (terminated && !cp) break;
            continue;
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            // A high surrogate before a low one is one character; in a
            // terminated source the next unit exists, at worst the zero.
            const char32_t next = cp <= 0xDBFF && i < n ? LoadUnit(src, i) : 0;
            if (next >= 0xDC00 && next <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            } else {
                invalid = true;  // lone surrogate
                cp = kReplacement;
            }
        }
        const int len = cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        if (!out.Room(static_cast<size_t>(len))) break;
        static constexpr uint8_t kLead[5] = {0, 0, 0xC0, 0xE0, 0xF0};
        out.Put(static_cast<char>(kLead[len] | (cp >> (6 * (len - 1)))));
        for (int k = len - 2; k >= 0; --k) out.Put(static_cast<char>(0x80 | ((cp >> (6 * k)) & 0x3F)));
    }
    return Finish(out.overflow, out.count, invalid && (flags & WC_ERR_INVALID_CHARS));
}

}  // namespace

// Converts 8-bit text of `codePage` to UTF-16 (see the file comment for the
// conventions).  MB_ERR_INVALID_CHARS makes invalid UTF-8 fail with
// ERROR_NO_UNICODE_TRANSLATION instead of becoming U+FFFD.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH src, int srcCount, LPWSTR dst,
                        int dstCount) {
    if (!src || srcCount == 0 || dstCount < 0 || (!dst && dstCount))
        return Fail(ERROR_INVALID_PARAMETER);
    UINT cp = KnownCodePage(codePage);
    if (!cp) return Fail(ERROR_INVALID_PARAMETER);
    // A terminated 8-bit source is measured with strlen, which costs a
    // fraction of an instruction a byte; with its length known, the
    // conversion can take eight bytes at a time right up to the terminator.
    const size_t n = srcCount < 0 ? std::strlen(src) + 1 : static_cast<size_t>(srcCount);
    const uint8_t *s = reinterpret_cast<const uint8_t *>(src);
    if (cp == CP_UTF8) {
        if (flags & ~static_cast<DWORD>(MB_ERR_INVALID_CHARS)) return Fail(ERROR_INVALID_FLAGS);
        return Utf8ToWide(flags, s, n, UnitBytes(dst), dstCount);
    }
    return Cp1252ToWide(s, n, UnitBytes(dst), dstCount);
}

// Converts UTF-16 to 8-bit text of `codePage`.  For 1252, units without a
// byte become `defaultChar[0]` (or '?') and set *usedDefaultChar.  For UTF-8
// both of those must be null (ERROR_INVALID_PARAMETER otherwise), and
// WC_ERR_INVALID_CHARS makes a lone surrogate fail with
// ERROR_NO_UNICODE_TRANSLATION instead of becoming U+FFFD.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH src, int srcCount, LPSTR dst,
                        int dstCount, LPCCH defaultChar, LPBOOL usedDefaultChar) {
    if (!src || srcCount == 0 || dstCount < 0 || (!dst && dstCount))
        return Fail(ERROR_INVALID_PARAMETER);
    UINT cp = KnownCodePage(codePage);
    if (!cp) return Fail(ERROR_INVALID_PARAMETER);
    if (cp == CP_UTF8) {
        if (defaultChar || usedDefaultChar) return Fail(ERROR_INVALID_PARAMETER);
        if (flags & ~static_cast<DWORD>(WC_ERR_INVALID_CHARS)) return Fail(ERROR_INVALID_FLAGS);
        return WideToUtf8(flags, UnitBytes(src), srcCount, dst, dstCount);
    }
    return WideToCp1252(UnitBytes(src), srcCount, dst, dstCount, defaultChar ? defaultChar[0] : '?',
                        usedDefaultChar);
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
