// test_support.cpp - shared fixtures of the test programs.
#include "support/test_support.h"

namespace dmatest {

Guarded::Guarded(size_t size, uint8_t fill) : size_(size), bytes_(size + 2 * kGuard, kCanary) {
    std::memset(bytes_.data() + kGuard, fill, size);
}

bool Guarded::CanariesIntact() const {
    for (size_t i = 0; i < kGuard; ++i)
        if (bytes_[i] != kCanary || bytes_[kGuard + size_ + i] != kCanary) return false;
    return true;
}

Records::Records(uint16_t faxEntries)
    : devMode(DMA_DEVMODE_MIN_SIZE),
      secondary(DMA_SECONDARY_MIN_SIZE),
      fax(DMA_FAX_HEADER_SIZE + size_t{DMA_FAX_ENTRY_SIZE} * faxEntries) {
    std::memset(&ctx, 0, sizeof ctx);
    ctx.devMode = devMode.data();
    ctx.secondary = secondary.data();
    ctx.faxAddressBlock = fax.data();
    WriteU16(fax.data(), U16("ZOVA002"));
    dma::Store16(fax.data() + 16, faxEntries);
}

std::u16string U16(const char *ascii) {
    std::u16string s;
    for (const char *p = ascii; *p; ++p) s.push_back(static_cast<char16_t>(static_cast<uint8_t>(*p)));
    return s;
}

std::u16string ReadU16(const void *p, size_t units) {
    std::u16string s;
    const uint8_t *b = static_cast<const uint8_t *>(p);
    for (size_t i = 0; i < units; ++i) {
        char16_t c = static_cast<char16_t>(b[2 * i] | (b[2 * i + 1] << 8));
        if (c == 0) break;
        s.push_back(c);
    }
    return s;
}

void WriteU16(void *p, const std::u16string &text) {
    uint8_t *b = static_cast<uint8_t *>(p);
    for (size_t i = 0; i <= text.size(); ++i) {
        char16_t c = i < text.size() ? text[i] : u'\0';
        b[2 * i] = static_cast<uint8_t>(c & 0xFF);
        b[2 * i + 1] = static_cast<uint8_t>(c >> 8);
    }
}

#if defined(_WIN32)
long LiveBlocks() { return -1; }
bool HaveHooks() { return false; }
#else
long LiveBlocks() { return dmaplat_LiveBlocks(); }
bool HaveHooks() { return true; }
Utf8AnsiCodePage::Utf8AnsiCodePage() { dmaplat_SetAnsiCodePage(CP_UTF8); }
Utf8AnsiCodePage::~Utf8AnsiCodePage() { dmaplat_SetAnsiCodePage(1252); }
#endif

}  // namespace dmatest
