// test_support.cpp - shared fixtures of the test programs.
#include "support/test_support.h"

#include <new>

#if !defined(_WIN32)
#include <sys/mman.h>
#endif

namespace dmatest {

Guarded::Guarded(size_t size, uint8_t fill) : size_(size), bytes_(size + 2 * kGuard, kCanary) {
    std::memset(bytes_.data() + kGuard, fill, size);
}

bool Guarded::CanariesIntact() const {
    for (size_t i = 0; i < kGuard; ++i)
        if (bytes_[i] != kCanary || bytes_[kGuard + size_ + i] != kCanary) return false;
    return true;
}

// Whole 64 KiB units (the allocation granularity of Windows) of readable
// memory, the last page of them made unreadable, the bytes just before it.
Fenced::Fenced(size_t size, uint8_t fill) {
    constexpr size_t kUnit = 65536, kPage = 4096;
    mapped_ = (size + kPage + kUnit - 1) / kUnit * kUnit;
#if defined(_WIN32)
    base_ = static_cast<uint8_t *>(VirtualAlloc(nullptr, mapped_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    const bool fenced = base_ && VirtualProtect(base_ + mapped_ - kPage, kPage, PAGE_NOACCESS, &old);
#else
    void *m = mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    base_ = m == MAP_FAILED ? nullptr : static_cast<uint8_t *>(m);
    const bool fenced = base_ && mprotect(base_ + mapped_ - kPage, kPage, PROT_NONE) == 0;
#endif
    if (!fenced) throw std::bad_alloc();
    data_ = base_ + mapped_ - kPage - size;
    std::memset(data_, fill, size);
}

Fenced::~Fenced() {
#if defined(_WIN32)
    VirtualFree(base_, 0, MEM_RELEASE);
#else
    munmap(base_, mapped_);
#endif
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
