// units.h - reading and writing the caller's UTF-16 units, for the posix
// platform layer's own sources only.
//
// The core hands us WCHAR pointers into its callers' records, and a record
// may put a UTF-16 field at an odd address.  Windows on x86 reads such text
// without complaint, so the layer must too: every unit goes through these
// two-byte copies (one plain 16-bit move on the machines we build for),
// never through a char16_t lvalue, whose misaligned access is undefined.
#pragma once

#include <cstring>

#include "platform/posix/win32_layer.h"

namespace dmaplat {

// The caller's UTF-16 text as the bytes it is made of.
inline const unsigned char *UnitBytes(LPCWSTR p) { return reinterpret_cast<const unsigned char *>(p); }
inline unsigned char *UnitBytes(LPWSTR p) { return reinterpret_cast<unsigned char *>(p); }

// The unit at index i of the text starting at p.
inline WCHAR LoadUnit(const unsigned char *p, size_t i) {
    WCHAR u;
    std::memcpy(&u, p + 2 * i, sizeof u);
    return u;
}

inline void StoreUnit(unsigned char *p, size_t i, WCHAR u) { std::memcpy(p + 2 * i, &u, sizeof u); }

}  // namespace dmaplat
