// strings.cpp - the UTF-16 text helpers of the posix platform layer:
// lstrcpyW, lstrcpynW and wsprintfW.  Their texts may sit at odd addresses
// (see units.h), so every unit is read and written through LoadUnit and
// StoreUnit.
#include <cstdarg>

#include "platform/posix/units.h"
#include "platform/posix/win32_layer.h"

using dmaplat::LoadUnit;
using dmaplat::StoreUnit;
using dmaplat::UnitBytes;

namespace {

// wsprintfW never produces more than 1024 units, terminator included.
constexpr int kWsprintfMax = 1024;

struct Sink {
    unsigned char *dst;
    int count = 0;
    void Put(WCHAR c) {
        if (count < kWsprintfMax - 1) StoreUnit(dst, static_cast<size_t>(count++), c);
    }
};

// Appends `value` in base 10 or 16 with optional sign, width and zero fill.
void PutNumber(Sink &out, uint32_t magnitude, bool negative, unsigned base, bool upper,
               int width, bool zeroFill, bool leftAlign) {
    WCHAR digits[16];
    int n = 0;
    do {
        unsigned d = magnitude % base;
        digits[n++] = static_cast<WCHAR>(d < 10 ? u'0' + d : (upper ? u'A' : u'a') + d - 10);
        magnitude /= base;
    } while (magnitude);
    int len = n + (negative ? 1 : 0);
    if (!leftAlign && !zeroFill)
        for (int i = len; i < width; ++i) out.Put(u' ');
    if (negative) out.Put(u'-');
    if (!leftAlign && zeroFill)
        for (int i = len; i < width; ++i) out.Put(u'0');
    while (n) out.Put(digits[--n]);
    if (leftAlign)
        for (int i = len; i < width; ++i) out.Put(u' ');
}

}  // namespace

// Copies the zero-terminated `src`, terminator included, to `dst`; returns dst.
LPWSTR lstrcpyW(LPWSTR dst, LPCWSTR src) {
    if (!dst || !src) return nullptr;
    const unsigned char *s = UnitBytes(src);
    unsigned char *d = UnitBytes(dst);
    for (size_t i = 0;; ++i) {
        const WCHAR c = LoadUnit(s, i);
        StoreUnit(d, i, c);
        if (!c) return dst;
    }
}

// Copies at most max-1 units of `src` and always a terminator when max > 0
// (nothing at all when max is 0); returns dst.  As on Windows, a negative
// max does not limit the copy.
LPWSTR lstrcpynW(LPWSTR dst, LPCWSTR src, int max) {
    if (!dst || !src) return nullptr;
    const unsigned char *s = UnitBytes(src);
    unsigned char *d = UnitBytes(dst);
    UINT count = static_cast<UINT>(max);
    size_t i = 0;
    for (WCHAR c; count > 1 && (c = LoadUnit(s, i)) != 0; ++i, --count) StoreUnit(d, i, c);
    if (count) StoreUnit(d, i, 0);
    return dst;
}

// Formats into `dst` (at most 1024 units with the terminator) and returns
// the number of units written before the terminator.  Understands plain text,
// "%%" and the conversions u, d, i, x, X (32-bit), c (one WCHAR) and s (a
// UTF-16 string), with the flags '-' and '0', a width and the size prefixes
// 'l' and 'h'.  An unknown conversion is copied as it stands.
int wsprintfW(LPWSTR dst, LPCWSTR format, ...) {
    if (!dst || !format) return 0;
    Sink out{UnitBytes(dst)};
    const unsigned char *f = UnitBytes(format);
    auto at = [f](size_t k) { return LoadUnit(f, k); };
    va_list args;
    va_start(args, format);
    for (size_t p = 0; at(p); ++p) {
        if (at(p) != u'%') {
            out.Put(at(p));
            continue;
        }
        const size_t start = p++;
        bool leftAlign = false, zeroFill = false;
        for (;; ++p) {
            if (at(p) == u'-') leftAlign = true;
            else if (at(p) == u'0') zeroFill = true;
            else break;
        }
        int width = 0;
        while (at(p) >= u'0' && at(p) <= u'9') width = width * 10 + (at(p++) - u'0');
        bool isShort = false;
        if (at(p) == u'l') ++p;
        else if (at(p) == u'h') { isShort = true; ++p; }
        const WCHAR conversion = at(p);
        switch (conversion) {
        case u'%': out.Put(u'%'); break;
        case u'u': {
            uint32_t v = va_arg(args, unsigned int);
            if (isShort) v &= 0xFFFF;
            PutNumber(out, v, false, 10, false, width, zeroFill, leftAlign);
            break;
        }
        case u'd':
        case u'i': {
            int32_t v = va_arg(args, int);
            if (isShort) v = static_cast<int16_t>(v);
            uint32_t mag = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
            PutNumber(out, mag, v < 0, 10, false, width, zeroFill, leftAlign);
            break;
        }
        case u'x':
        case u'X': {
            uint32_t v = va_arg(args, unsigned int);
            if (isShort) v &= 0xFFFF;
            PutNumber(out, v, false, 16, conversion == u'X', width, zeroFill, leftAlign);
            break;
        }
        case u'c': {
            WCHAR c = static_cast<WCHAR>(va_arg(args, int));
            for (int i = 1; !leftAlign && i < width; ++i) out.Put(u' ');
            out.Put(c);
            for (int i = 1; leftAlign && i < width; ++i) out.Put(u' ');
            break;
        }
        case u's': {
            LPCWSTR arg = va_arg(args, LPCWSTR);
            const unsigned char *s = UnitBytes(arg ? arg : u"(null)");
            int len = 0;
            while (LoadUnit(s, static_cast<size_t>(len))) ++len;
            for (int i = len; !leftAlign && i < width; ++i) out.Put(u' ');
            for (int i = 0; i < len; ++i) out.Put(LoadUnit(s, static_cast<size_t>(i)));
            for (int i = len; leftAlign && i < width; ++i) out.Put(u' ');
            break;
        }
        default:
            // Not a conversion this layer knows: copy it as it stands.
            for (size_t q = start; q <= p && at(q); ++q) out.Put(at(q));
            if (!conversion) --p;
            break;
        }
    }
    va_end(args);
    StoreUnit(out.dst, static_cast<size_t>(out.count), 0);
    return out.count;
}
