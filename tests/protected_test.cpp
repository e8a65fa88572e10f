// protected_test.cpp - the codecs of the protected strings (ScrambleBytes,
// EncodeBase64), the protected length table and the protected store, first
// on a bare field and then through DMA_SetStringData / DMA_GetStringData.
#include <cstring>
#include <string>

#include "support/test_support.h"
#include "text/text.h"

using namespace dmatest;

namespace {

std::string Encode(const std::string &data, int32_t capacity, int *rc) {
    Guarded out(static_cast<size_t>(capacity > 0 ? capacity : 1), 'X');
    int32_t written = -1;
    *rc = dma::EncodeBase64(reinterpret_cast<const uint8_t *>(data.data()),
                            static_cast<int32_t>(data.size()), reinterpret_cast<char *>(out.data()),
                            &written, capacity);
    EXPECT_TRUE(out.CanariesIntact());
    if (*rc != 0) return std::string(reinterpret_cast<char *>(out.data()), out.size());
    EXPECT_EQ(written, static_cast<int32_t>((data.size() + 2) / 3 * 4));
    // No terminator: the byte after the output keeps its fill.
    if (written < capacity) {
        EXPECT_EQ(out.data()[written], 'X');
    }
    return std::string(reinterpret_cast<char *>(out.data()), static_cast<size_t>(written));
}

}  // namespace

TEST(Base64, Rfc4648TestVectors) {
    struct Case { const char *in; const char *out; } cases[] = {
        {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (const Case &c : cases) {
        int rc = -99;
        EXPECT_EQ(Encode(c.in, 64, &rc), c.out) << c.in;
        EXPECT_EQ(rc, 0) << c.in;
    }
    EXPECT_NO_LEAK();
}

TEST(Base64, WholeAlphabetAndHighBits) {
    struct Case { std::string in; const char *out; } cases[] = {
        {std::string("\xFB\xEF\xBE", 3), "++++"},
        {std::string("\xFF\xFF\xFF", 3), "////"},
        {std::string("\0\0\0", 3), "AAAA"},
        {std::string("\xFB\xFF", 2), "+/8="},
        {"\x80", "gA=="},
    };
    for (const Case &c : cases) {
        int rc = -99;
        EXPECT_EQ(Encode(c.in, 8, &rc), c.out);
    }
    // 48 bytes whose 6-bit groups count 0..63 spell the alphabet in order.
    std::string bytes;
    for (int i = 0; i < 64; i += 4) {
        const uint32_t v = (uint32_t(i) << 18) | (uint32_t(i + 1) << 12) | (uint32_t(i + 2) << 6) | uint32_t(i + 3);
        bytes.push_back(static_cast<char>(v >> 16));
        bytes.push_back(static_cast<char>(v >> 8));
        bytes.push_back(static_cast<char>(v));
    }
    int rc = -99;
    EXPECT_EQ(Encode(bytes, 64, &rc),
              "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
    EXPECT_NO_LEAK();
}

TEST(Base64, CapacityIsCheckedBeforeWriting) {
    const std::string sixteen(16, '\x01');
    int rc = -99;
    std::string out = Encode(sixteen, 24, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(out.size(), 24u);
    EXPECT_EQ(out.substr(22), "==");
    out = Encode(sixteen, 23, &rc);
    EXPECT_EQ(rc, -3);
    EXPECT_EQ(out, std::string(23, 'X'));  // nothing written
    out = Encode("abc", 3, &rc);
    EXPECT_EQ(rc, -3);
    EXPECT_NO_LEAK();
}

TEST(Base64, RefusesNullAndNonPositiveSizes) {
    uint8_t in[3] = {1, 2, 3};
    char out[8];
    int32_t written = 77;
    EXPECT_EQ(dma::EncodeBase64(nullptr, 3, out, &written, 8), -1);
    EXPECT_EQ(dma::EncodeBase64(in, 3, nullptr, &written, 8), -1);
    EXPECT_EQ(dma::EncodeBase64(in, 3, out, nullptr, 8), -1);
    EXPECT_EQ(dma::EncodeBase64(nullptr, 0, out, &written, 0), -1);  // pointers first
    EXPECT_EQ(dma::EncodeBase64(in, 0, out, &written, 8), -2);
    EXPECT_EQ(dma::EncodeBase64(in, -1, out, &written, 8), -2);
    EXPECT_EQ(dma::EncodeBase64(in, 3, out, &written, 0), -2);
    EXPECT_EQ(dma::EncodeBase64(in, 3, out, &written, -4), -2);
    EXPECT_EQ(written, 77);
    EXPECT_NO_LEAK();
}

TEST(Scramble, XorsWithTheKeyAndUndoesItself) {
    const char *text = "abcdefghijkl";
    uint8_t once[12], twice[12];
    int32_t written = -1;
    ASSERT_EQ(dma::ScrambleBytes(reinterpret_cast<const uint8_t *>(text), 12, once, &written, 12), 0);
    EXPECT_EQ(written, 12);
    const uint8_t expected[12] = {0x10, 0x06, 0x19, 0x0f, 0x14, 0x02,
                                  0x1d, 0x03, 0x18, 0x0e, 0x11, 0x07};
    EXPECT_EQ(std::memcmp(once, expected, 12), 0);
    ASSERT_EQ(dma::ScrambleBytes(once, 12, twice, &written, 12), 0);
    EXPECT_EQ(std::memcmp(twice, text, 12), 0);
    // Every byte value, every key position.
    uint8_t all[256], back[256], mid[256];
    for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
    ASSERT_EQ(dma::ScrambleBytes(all, 256, mid, &written, 256), 0);
    ASSERT_EQ(dma::ScrambleBytes(mid, 256, back, &written, 256), 0);
    EXPECT_EQ(std::memcmp(all, back, 256), 0);
    EXPECT_EQ(mid[3], 3 ^ 'k');
    EXPECT_NO_LEAK();
}

TEST(Scramble, StopsAtTheCapacityGroupByGroup) {
    const uint8_t src[10] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    struct Case { int32_t capacity; int rc; int32_t written; } cases[] = {
        {10, 0, 10}, {11, 0, 10}, {9, -3, 8}, {8, -3, 8}, {7, -3, 4}, {4, -3, 4}, {3, -3, 0},
    };
    for (const Case &c : cases) {
        uint8_t dst[10];
        std::memset(dst, 0xEE, sizeof dst);
        int32_t written = -1;
        EXPECT_EQ(dma::ScrambleBytes(src, 10, dst, &written, c.capacity), c.rc) << c.capacity;
        EXPECT_EQ(written, c.written) << c.capacity;
        for (int i = 0; i < 10; ++i) {
            if (i < c.written) EXPECT_EQ(dst[i], src[i] ^ "qdzk"[i % 4]) << c.capacity;
            else EXPECT_EQ(dst[i], 0xEE) << c.capacity << " byte " << i;
        }
    }
    EXPECT_NO_LEAK();
}

TEST(Scramble, RefusesNullAndNonPositiveSizes) {
    uint8_t b[4] = {};
    int32_t w = 5;
    EXPECT_EQ(dma::ScrambleBytes(nullptr, 4, b, &w, 4), -1);
    EXPECT_EQ(dma::ScrambleBytes(b, 4, nullptr, &w, 4), -1);
    EXPECT_EQ(dma::ScrambleBytes(b, 4, b, nullptr, 4), -1);
    EXPECT_EQ(dma::ScrambleBytes(b, 0, b, &w, 4), -2);
    EXPECT_EQ(dma::ScrambleBytes(b, 4, b, &w, 0), -2);
    EXPECT_EQ(dma::ScrambleBytes(b, -2, b, &w, -2), -2);
    EXPECT_EQ(w, 5);
    EXPECT_NO_LEAK();
}

TEST(ProtectedLength, TableByDmaId) {
    const uint32_t expected[10] = {13, 129, 129, 129, 21, 13, 13, 13, 173, 173};
    for (uint16_t i = 0; i < 10; ++i)
        EXPECT_EQ(dma::ProtectedStringLength(static_cast<uint16_t>(0x9001 + i)), expected[i]);
    EXPECT_EQ(dma::ProtectedStringLength(0x9000), 0u);
    EXPECT_EQ(dma::ProtectedStringLength(0x900B), 0u);
    EXPECT_EQ(dma::ProtectedStringLength(0x427), 0u);
    EXPECT_NO_LEAK();
}

// ---- the store on a bare 34-byte field (17 units), as 0x9001 has ----

namespace {

struct StoreCase {
    const char *text;
    uint32_t length;
    int32_t rc;
    const char *stored;  // null: field untouched
};

}  // namespace

TEST(ProtectedStore, StoresTheEncodedScrambledText) {
    const StoreCase cases[] = {
        {"a", 1, 1, "EA=="},
        {"ab", 2, 1, "EAY="},
        {"abc", 3, 1, "EAYZ"},
        {"secret", 0, 1, "AgEZGRQQ"},                   // no length: up to the terminator
        {"abcdefghijkl", 13, 1, "EAYZDxQCHQMYDhEH"},   // 16 characters + terminator fill 17
        {"abcdefghijklm", 13, -6, nullptr},            // 20 characters do not fit
        {"abc", 14, -6, nullptr},                      // above the protected length
        {"abcdefghijklmnopqrstu", 3, 1, "EAYZ"},        // the length bounds the text read
    };
    for (const StoreCase &c : cases) {
        Guarded field(34, 0x5A);
        const long before = LiveBlocks();
        EXPECT_EQ(dma::StoreProtectedString(0x9001, field.data(), 34, c.text, c.length), c.rc)
            << c.text;
        EXPECT_TRUE(field.CanariesIntact());
        if (HaveHooks()) {
            EXPECT_EQ(LiveBlocks(), before);
        }
        if (c.stored) {
            EXPECT_EQ(ReadU16(field.data(), 17), U16(c.stored)) << c.text;
            const size_t units = std::strlen(c.stored) + 1;
            for (size_t i = 2 * units; i < 34; ++i) EXPECT_EQ(field.data()[i], 0x5A) << c.text;
        } else {
            for (size_t i = 0; i < 34; ++i) ASSERT_EQ(field.data()[i], 0x5A) << c.text;
        }
    }
    EXPECT_NO_LEAK();
}

TEST(ProtectedStore, EmptyTextStoresOnlyTheTerminator) {
    Guarded field(34, 0x5A);
    EXPECT_EQ(dma::StoreProtectedString(0x9001, field.data(), 34, "", 0), 1);
    EXPECT_EQ(field.data()[0], 0);
    EXPECT_EQ(field.data()[1], 0);
    for (size_t i = 2; i < 34; ++i) EXPECT_EQ(field.data()[i], 0x5A);
    EXPECT_NO_LEAK();
}

TEST(ProtectedStore, WideFieldsTakeUpTo129Characters) {
    // 0x9009: 173 units, protected length 173, but 129 clear characters fill it.
    const std::string fits(129, 'x'), over(130, 'x');
    Guarded field(346, 0x5A);
    EXPECT_EQ(dma::StoreProtectedString(0x9009, field.data(), 346, fits.c_str(), 129), 1);
    EXPECT_EQ(ReadU16(field.data(), 173).size(), 172u);
    Guarded other(346, 0x5A);
    EXPECT_EQ(dma::StoreProtectedString(0x9009, other.data(), 346, over.c_str(), 173), -6);
    for (size_t i = 0; i < 346; ++i) ASSERT_EQ(other.data()[i], 0x5A);
    EXPECT_EQ(dma::StoreProtectedString(0x9001, field.data(), 34, nullptr, 0), DMA_E_FAILED);
    EXPECT_NO_LEAK();
}

#if !defined(_WIN32)
TEST(ProtectedStore, EveryAllocationFailureLeavesTheFieldAndNoBlock) {
    struct Case { const char *text; long allocs; } cases[] = {{"abc", 2}, {"", 1}};
    for (const Case &c : cases) {
        for (long n = 1; n <= c.allocs; ++n) {
            Guarded field(34, 0x5A);
            dmaplat_FailAllocAt(n);
            EXPECT_EQ(dma::StoreProtectedString(0x9001, field.data(), 34, c.text, 3), DMA_E_FAILED)
                << c.text << " allocation " << n;
            dmaplat_FailAllocAt(0);
            for (size_t i = 0; i < 34; ++i) ASSERT_EQ(field.data()[i], 0x5A);
            EXPECT_NO_LEAK();
        }
        // and the path really makes that many allocations
        const long calls = dmaplat_AllocCalls();
        Guarded field(34, 0);
        EXPECT_EQ(dma::StoreProtectedString(0x9001, field.data(), 34, c.text, 3), 1);
        EXPECT_EQ(dmaplat_AllocCalls() - calls, c.allocs);
        EXPECT_NO_LEAK();
    }
    EXPECT_NO_LEAK();
}
#endif

// ---- through the public string operations ----

TEST(ProtectedIds, SizeQueryReportsTheProtectedLength) {
    Records r;
    struct Case { uint32_t id; uint32_t size; } cases[] = {
        {0x9001, 13}, {0x9002, 129}, {0x9005, 21}, {0x9008, 13}, {0x9009, 173}, {0x900A, 173},
    };
    for (const Case &c : cases) {
        uint32_t l = 0;
        EXPECT_EQ(DMA_GetStringData(&r.ctx, c.id, nullptr, &l), DMA_E_MORE_DATA);
        EXPECT_EQ(l, c.size) << std::hex << c.id;
    }
    EXPECT_NO_LEAK();
}

TEST(ProtectedIds, AreNeverReadBack) {
    Records r;
    Guarded buf(200, 'B');
    uint32_t l = 200;
    EXPECT_EQ(DMA_GetStringData(&r.ctx, 0x9001, reinterpret_cast<char *>(buf.data()), &l),
              DMA_E_FAILED);
    EXPECT_EQ(buf.data()[0], 'B');
    l = 5;
    EXPECT_EQ(DMA_GetStringData(&r.ctx, 0x9001, nullptr, &l), DMA_E_FAILED);
    EXPECT_EQ(l, 5u);
    EXPECT_NO_LEAK();
}

TEST(ProtectedIds, WriteThenReadThePlainId) {
    Records r;
    struct Case { uint32_t id, plain; uint8_t *base; size_t offset; } cases[] = {
        {0x9001, 0x427, r.secondary.data(), 3520},
        {0x9005, 0x228, r.devMode.data() + 1608, 3732},
        {0x900A, 0x459, r.secondary.data(), 7202},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(DMA_SetStringData(&r.ctx, c.id, "abc", 3), DMA_OK);
        EXPECT_EQ(ReadU16(c.base + c.offset, 200), U16("EAYZ"));
        Guarded buf(200, 'B');
        uint32_t l = 200;
        EXPECT_EQ(DMA_GetStringData_StrLength(&r.ctx, c.plain, reinterpret_cast<char *>(buf.data()), &l),
                  DMA_OK);
        EXPECT_STREQ(reinterpret_cast<char *>(buf.data()), "EAYZ");
        EXPECT_TRUE(buf.CanariesIntact());
        EXPECT_NO_LEAK();
    }
    // A text whose stored form would not fit 0x9001's 17 units is refused
    // and the earlier value stays.
    EXPECT_EQ(DMA_SetStringData(&r.ctx, 0x9001, "abcdefghijklm", 13), DMA_E_TOO_LONG);
    EXPECT_EQ(ReadU16(r.secondary.data() + 3520, 17), U16("EAYZ"));
    EXPECT_EQ(DMA_SetStringData(&r.ctx, 0x9001, "abc", 14), DMA_E_TOO_LONG);
    EXPECT_EQ(DMA_SetStringData(&r.ctx, 0x9001, nullptr, 3), DMA_E_FAILED);
    EXPECT_TRUE(r.CanariesIntact());
    EXPECT_NO_LEAK();
}

#if !defined(_WIN32)
TEST(ProtectedIds, AllocationFailureThroughTheStringOperation) {
    Records r;
    WriteU16(r.secondary.data() + 3520, U16("keep"));
    for (long n = 1; n <= 2; ++n) {
        dmaplat_FailAllocAt(n);
        EXPECT_EQ(DMA_SetStringData(&r.ctx, 0x9001, "abc", 3), DMA_E_FAILED) << n;
        dmaplat_FailAllocAt(0);
        EXPECT_EQ(ReadU16(r.secondary.data() + 3520, 17), U16("keep"));
        EXPECT_NO_LEAK();
    }
    EXPECT_EQ(DMA_SetStringData(&r.ctx, 0x9001, "abc", 3), DMA_OK);
    EXPECT_EQ(ReadU16(r.secondary.data() + 3520, 17), U16("EAYZ"));
    EXPECT_NO_LEAK();
}
#endif
