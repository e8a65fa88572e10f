// base64.cpp - the Base64 encoder (RFC 4648, standard alphabet, "=" padding,
// no line breaks, no terminator).  Protected strings store their scrambled
// bytes in this form, and the document-property writer uses it as well.
#include "text/text.h"

namespace dma {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

// Encodes `count` bytes as 4 * ceil(count / 3) characters.  The capacity is
// checked against that size before anything is written, so a short output
// is left untouched.  0 on success with `written` set; -1 null pointer, -2
// count or capacity not positive, -3 output too small.
int EncodeBase64(const uint8_t *data, int32_t count, char *output, int32_t *written,
                 int32_t capacity) {
    if (data == nullptr || output == nullptr || written == nullptr) return -1;
    if (count <= 0 || capacity <= 0) return -2;
    const int64_t needed = (static_cast<int64_t>(count) + 2) / 3 * 4;
    if (capacity < needed) return -3;

    *written = 0;
    char *out = output;
    int32_t i = 0;
    for (; count - i >= 3; i += 3) {
        const uint32_t v = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8) | data[i + 2];
        *out++ = kAlphabet[(v >> 18) & 0x3F];
        *out++ = kAlphabet[(v >> 12) & 0x3F];
        *out++ = kAlphabet[(v >> 6) & 0x3F];
        *out++ = kAlphabet[v & 0x3F];
    }
    const int32_t rest = count - i;
    if (rest > 0) {
        uint32_t v = uint32_t{data[i]} << 16;
        if (rest == 2) v |= uint32_t{data[i + 1]} << 8;
        *out++ = kAlphabet[(v >> 18) & 0x3F];
        *out++ = kAlphabet[(v >> 12) & 0x3F];
        *out++ = rest == 2 ? kAlphabet[(v >> 6) & 0x3F] : '=';
        *out++ = '=';
    }
    *written = static_cast<int32_t>(needed);
    return 0;
}

}  // namespace dma
