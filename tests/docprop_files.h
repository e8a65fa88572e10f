// docprop_files.h - builders of document-property sections for the docprop
// tests, written from the file layout directly (not through the library),
// and the fixture of the tests that run the operations on real files:
//   "NDEV001"  signature (8 units), u32 0x5250, u32 P, P bytes
//   "TMBINFO"  signature (8 units), u32 T, T bytes
//   "SPINFO"   signature (7 units) + 1 free unit, u32 S, S bytes
//   fax        "ZOVA002"/"ZOVA001" (8 units), u16 count, header to 1442,
//              then 820- or 768-byte entries
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace dpfile {

using Bytes = std::vector<uint8_t>;

inline void PutU16(Bytes &b, size_t at, uint16_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
inline void PutU32(Bytes &b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
// ASCII text as UTF-16LE units, zero units up to `units`.
inline void PutSig(Bytes &b, size_t at, const char *text, size_t units) {
    for (size_t i = 0; i < units; ++i) PutU16(b, at + 2 * i, *text ? uint8_t(*text++) : 0);
}
// A payload whose bytes depend on a seed, so that sections differ.
inline Bytes Payload(size_t n, uint8_t seed) {
    Bytes p(n);
    for (size_t i = 0; i < n; ++i) p[i] = uint8_t(seed + 7 * i);
    return p;
}

inline Bytes Ndev(const Bytes &payload, uint32_t magic = 0x5250) {
    Bytes b(24 + payload.size());
    PutSig(b, 0, "NDEV001", 8);
    PutU32(b, 16, magic);
    PutU32(b, 20, uint32_t(payload.size()));
    std::copy(payload.begin(), payload.end(), b.begin() + 24);
    return b;
}
inline Bytes Tmb(const Bytes &payload) {
    Bytes b(20 + payload.size());
    PutSig(b, 0, "TMBINFO", 8);
    PutU32(b, 16, uint32_t(payload.size()));
    std::copy(payload.begin(), payload.end(), b.begin() + 20);
    return b;
}
inline Bytes Sp(const Bytes &payload, uint16_t eighthUnit = 0) {
    Bytes b(20 + payload.size());
    PutSig(b, 0, "SPINFO", 7);
    PutU16(b, 14, eighthUnit);
    PutU32(b, 16, uint32_t(payload.size()));
    std::copy(payload.begin(), payload.end(), b.begin() + 20);
    return b;
}
// A fax block with `count` entries of `entrySize` bytes; every byte after
// the signature and count is patterned so that copies can be checked.
inline Bytes Fax(uint16_t count, bool old = false, uint8_t seed = 0x30) {
    size_t entry = old ? 768 : 820;
    Bytes b(1442 + entry * count);
    for (size_t i = 18; i < b.size(); ++i) b[i] = uint8_t(seed + i * 13 + (i >> 8));
    PutSig(b, 0, old ? "ZOVA001" : "ZOVA002", 8);
    PutU16(b, 16, count);
    return b;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes &p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Standard Base64 of `data`, the oracle for the old fax conversion.
inline std::string Base64(const uint8_t *data, size_t n) {
    static const char *alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < n; i += 3) {
        uint32_t v = uint32_t(data[i]) << 16;
        if (i + 1 < n) v |= uint32_t(data[i + 1]) << 8;
        if (i + 2 < n) v |= data[i + 2];
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += i + 1 < n ? alphabet[(v >> 6) & 63] : '=';
        out += i + 2 < n ? alphabet[v & 63] : '=';
    }
    return out;
}

// The current-layout block that an old block must become: header with the
// "ZOVA002" signature, each entry's 768 bytes, then at 768-817 the UTF-16
// Base64 text of entry bytes 752-767 with its terminator; bytes 818-819
// keep `filler` (the conversion does not write them).
inline Bytes Upgraded(const Bytes &old, uint8_t filler) {
    uint16_t count = uint16_t(old[16] | (old[17] << 8));
    Bytes b(1442 + 820 * size_t(count), filler);
    std::copy(old.begin(), old.begin() + 1442, b.begin());
    PutSig(b, 0, "ZOVA002", 8);
    for (size_t j = 0; j < count; ++j) {
        const uint8_t *src = old.data() + 1442 + 768 * j;
        size_t dst = 1442 + 820 * j;
        std::copy(src, src + 768, b.begin() + dst);
        std::string text = Base64(src + 752, 16);
        PutSig(b, dst + 768, text.c_str(), 25);
    }
    return b;
}

// ---- the operations on real files ----

namespace fs = std::filesystem;

constexpr size_t kDocPropPathAt = 930;  // item 374 in the DEVMODEW record
constexpr size_t kFaxFilePathAt = 1188; // item 375

inline Bytes ReadFileBytes(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline void WriteFileBytes(const fs::path &p, const Bytes &b) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(b.data()), std::streamsize(b.size()));
}

// A section buffer of the caller: its bytes with canaries around them.
struct Buffer {
    explicit Buffer(const Bytes &content) : g(content.size()) {
        if (!content.empty()) std::memcpy(g.data(), content.data(), content.size());
    }
    explicit Buffer(size_t size, uint8_t fill) : g(size, fill) {}
    Bytes Content() const { return Bytes(g.data(), g.data() + g.size()); }
    dmatest::Guarded g;
};

// Settings records whose two path settings name files in a per-test
// temporary directory; the test fails when a canary, a GlobalAlloc block or
// a file handle is left behind, and the failure hooks are reset.
class DocPropOps : public ::testing::Test {
protected:
    void SetUp() override {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        dir_ = fs::temp_directory_path() /
               ("dmadp_" + std::string(info->name()).substr(0, 24) + "_" +
                std::to_string(stamp % 1000000007));
        fs::create_directories(dir_);
        docFile_ = dir_ / "job.dp";
        faxFile_ = dir_ / "fax.dp";
        SetPath(kDocPropPathAt, docFile_);
        SetPath(kFaxFilePathAt, faxFile_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
        EXPECT_TRUE(r.CanariesIntact());
        EXPECT_NO_LEAK();
#if !defined(_WIN32)
        EXPECT_EQ(dmaplat_OpenHandles(), 0);
        dmaplat_FailAllocAt(0);
        for (int c = 0; c < DMAPLAT_FILE_CALLS; ++c) dmaplat_FailFileCallAt(c, 0);
#endif
    }
    // Writes a path setting straight into its UTF-16 field (129 units).
    void SetPath(size_t at, const fs::path &p) {
        std::u16string text = p.u16string();
        ASSERT_LT(text.size(), 129u) << "temporary path too long for the setting";
        dmatest::WriteU16(r.devMode.data() + at, text);
    }
    void ClearPath(size_t at) { dmatest::WriteU16(r.devMode.data() + at, u""); }

    dmatest::Records r;
    fs::path dir_, docFile_, faxFile_;
};

}  // namespace dpfile
