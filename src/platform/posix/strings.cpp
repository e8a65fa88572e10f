// strings.cpp - the UTF-16 text helpers of the posix platform layer:
// lstrcpyW, lstrcpynW and wsprintfW.
#include <cstdarg>

#include "platform/posix/win32_layer.h"

namespace {

// wsprintfW never produces more than 1024 units, terminator included.
constexpr int kWsprintfMax = 1024;

struct Sink {
    LPWSTR dst;
    int count = 0;
    void Put(WCHAR c) {
        if (count < kWsprintfMax - 1) dst[count++] = c;
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
    LPWSTR d = dst;
    while ((*d++ = *src++) != 0) {}
    return dst;
}

// Copies at most max-1 units of `src` and always a terminator when max > 0
// (nothing at all when max is 0); returns dst.  As on Windows, a negative
// max does not limit the copy.
LPWSTR lstrcpynW(LPWSTR dst, LPCWSTR src, int max) {
    if (!dst || !src) return nullptr;
    LPWSTR d = dst;
    UINT count = static_cast<UINT>(max);
    while (count > 1 && *src) {
        --count;
        *d++ = *src++;
    }
    if (count) *d = 0;
    return dst;
}

// Formats into `dst` (at most 1024 units with the terminator) and returns
// the number of units written before the terminator.  Understands plain text,
// "%%" and the conversions u, d, i, x, X (32-bit), c (one WCHAR) and s (a
// UTF-16 string), with the flags '-' and '0', a width and the size prefixes
// 'l' and 'h'.  An unknown conversion is copied as it stands.
int wsprintfW(LPWSTR dst, LPCWSTR format, ...) {
    if (!dst || !format) return 0;
    Sink out{dst};
    va_list args;
    va_start(args, format);
    for (LPCWSTR p = format; *p; ++p) {
        if (*p != u'%') {
            out.Put(*p);
            continue;
        }
        LPCWSTR start = p++;
        bool leftAlign = false, zeroFill = false;
        for (;; ++p) {
            if (*p == u'-') leftAlign = true;
            else if (*p == u'0') zeroFill = true;
            else break;
        }
        int width = 0;
        while (*p >= u'0' && *p <= u'9') width = width * 10 + (*p++ - u'0');
        bool isShort = false;
        if (*p == u'l') ++p;
        else if (*p == u'h') { isShort = true; ++p; }
        switch (*p) {
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
            PutNumber(out, v, false, 16, *p == u'X', width, zeroFill, leftAlign);
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
            LPCWSTR s = va_arg(args, LPCWSTR);
            if (!s) s = u"(null)";
            int len = 0;
            while (s[len]) ++len;
            for (int i = len; !leftAlign && i < width; ++i) out.Put(u' ');
            for (int i = 0; i < len; ++i) out.Put(s[i]);
            for (int i = len; leftAlign && i < width; ++i) out.Put(u' ');
            break;
        }
        default:
            // Not a conversion this layer knows: copy it as it stands.
            for (LPCWSTR q = start; q <= p && *q; ++q) out.Put(*q);
            if (!*p) --p;
            break;
        }
    }
    va_end(args);
    dst[out.count] = 0;
    return out.count;
}
