// docprop_agreement_test.cpp - the writers and the reader agree: every file
// that DMA_ExtractDocPropEx writes, DMA_ReplaceDocProp reads back, and a set
// of sections that the reader would refuse is refused before any file is
// created or changed; the fax-only writer holds its block to the rules of a
// fax section; and the reader reads no more of a file than its sections,
// keeping only what the caller's buffers can take.
#include "docprop_files.h"

using namespace dpfile;

namespace {

const Bytes kNdev = Ndev(Payload(40, 1));
const Bytes kTmb = Tmb(Payload(13, 2));
const Bytes kSp = Sp(Payload(9, 3));
const Bytes kFax = Fax(2);
const Bytes kOldFax = Fax(1, true);
const Bytes kSentinel = Bytes(777, 0x99);

Bytes Slice(const Bytes &b, size_t from, size_t to) {
    return Bytes(b.begin() + from, b.begin() + std::min(to, b.size()));
}
Bytes WithU16(Bytes b, size_t at, uint16_t v) { PutU16(b, at, v); return b; }
Bytes WithU32(Bytes b, size_t at, uint32_t v) { PutU32(b, at, v); return b; }

// Reads the document-property file back: the size query, then the filling
// call with buffers of exactly the sizes asked for.
DMA_RESULT ReadBack(DmaContext *ctx) {
    DocPropBuffers query{};
    DMA_RESULT r = DMA_ReplaceDocProp(ctx, &query);
    if (r != DMA_E_MORE_DATA) return r;
    Buffer n(query.ndevSize, 0), t(query.tmbInfoSize, 0), s(query.spInfoSize, 0),
        f(query.faxBlockSize, 0);
    DocPropBuffers in{n.g.data(), query.ndevSize,     t.g.data(), query.tmbInfoSize,
                      f.g.data(), query.faxBlockSize, s.g.data(), query.spInfoSize};
    return DMA_ReplaceDocProp(ctx, &in);
}

// Each case is written twice: where no file is, and over an existing one.
// An accepted set is written as given, byte for byte, and reads back; a
// refused one leaves no file, or the old file as it was.
TEST_F(DocPropOps, ExtractWritesOnlyFilesThatReplaceReadsBack) {
    struct Case {
        const char *what;
        Bytes ndev, tmb, sp;
        bool faxGiven;
        Bytes fax;
        DMA_RESULT result;
        uint32_t ndevSize = 0;  // the size declared for the NDEV001 buffer; 0: its content's
    };
    const Bytes kStraddle = Cat({kNdev, kTmb, kSp});
    const Case cases[] = {
        {"all four sections", kNdev, kTmb, kSp, true, kFax, DMA_OK},
        {"NDEV001 and TMBINFO only", kNdev, kTmb, {}, false, {}, DMA_OK},
        {"TMBINFO alone in 23 bytes", {}, Tmb(Payload(3, 4)), {}, false, {}, DMA_OK},
        {"old fax section ending the file", kNdev, kTmb, kSp, true, kOldFax, DMA_OK},
        {"bytes after a current fax section", kNdev, kTmb, kSp, true,
         Cat({Fax(1), Bytes(5, 0x42)}), DMA_OK},
        // One file, cut across the buffers: NDEV001's header lies in three of
        // them and the fax header in two.
        {"sections cut across the buffers", Slice(kStraddle, 0, 10), Slice(kStraddle, 10, 20),
         Cat({Slice(kStraddle, 20, kStraddle.size()), Slice(kFax, 0, 100)}), true,
         Slice(kFax, 100, kFax.size()), DMA_OK},
        {"NDEV001 left out", {}, kTmb, kSp, true, kFax, DMA_E_FILE_FORMAT},
        {"TMBINFO left out", kNdev, {}, kSp, true, kFax, DMA_E_FILE_FORMAT},
        {"SPINFO left out before the fax block", kNdev, kTmb, {}, true, kFax, DMA_E_FILE_FORMAT},
        {"fax count one beyond the block", kNdev, kTmb, kSp, true, WithU16(kFax, 16, 3),
         DMA_E_FILE_FORMAT},
        {"fax signature ZOVA003", kNdev, kTmb, kSp, true, WithU16(kFax, 12, '3'),
         DMA_E_FILE_FORMAT},
        {"old fax section with a byte after it", kNdev, kTmb, kSp, true,
         Cat({kOldFax, Bytes(1, 0)}), DMA_E_FILE_FORMAT},
        {"NDEV001 length one past its payload", WithU32(kNdev, 20, 41), kTmb, kSp, true, kFax,
         DMA_E_FILE_FORMAT},
        {"NDEV001 magic", WithU32(kNdev, 16, 0x5251), kTmb, kSp, true, kFax, DMA_E_FILE_FORMAT},
        {"NDEV001 buffer longer than its section", Cat({kNdev, Bytes(30, 0)}), kTmb, kSp, true,
         kFax, DMA_E_FILE_FORMAT},
        {"SPINFO signature", kNdev, kTmb, WithU16(kSp, 10, 'X'), true, kFax, DMA_E_FILE_FORMAT},
        // Consistent headers, but 4 GiB and more in all: past what the
        // reader takes (the buffer is not read beyond its header).
        {"more than 4 GiB in all", WithU32(Ndev({}), 20, 0xFFFFFFF0u - 24), kTmb, {}, false, {},
         DMA_E_FILE_FORMAT, 0xFFFFFFF0u},
    };
    for (const Case &c : cases) {
        for (bool existing : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (existing ? ", over a file" : ", no file"));
            fs::remove(docFile_);
            if (existing) WriteFileBytes(docFile_, kSentinel);
            Buffer n(c.ndev), t(c.tmb), s(c.sp), f(c.fax);
            DocPropBuffers b{n.g.data(), c.ndevSize ? c.ndevSize : uint32_t(c.ndev.size()),
                             t.g.data(), uint32_t(c.tmb.size()),
                             c.faxGiven ? f.g.data() : nullptr, uint32_t(c.fax.size()),
                             s.g.data(), uint32_t(c.sp.size())};
            ASSERT_EQ(DMA_ExtractDocPropEx(&r.ctx, &b), c.result);
            if (c.result == DMA_OK) {
                EXPECT_EQ(ReadFileBytes(docFile_),
                          Cat({c.ndev, c.tmb, c.sp, c.faxGiven ? c.fax : Bytes()}));
                EXPECT_EQ(ReadBack(&r.ctx), DMA_OK);
            } else if (existing) {
                EXPECT_EQ(ReadFileBytes(docFile_), kSentinel);
            } else {
                EXPECT_FALSE(fs::exists(docFile_));
            }
            for (const Buffer *x : {&n, &t, &s, &f}) EXPECT_TRUE(x->g.CanariesIntact());
        }
    }
}

// The fax-only file holds one whole fax section: at least its header, a
// known signature, as many entries as the count says (an old block exactly
// so many); a refused block leaves no file, or the old file as it was.
TEST_F(DocPropOps, ExtractOneTimeWritesOnlyAWholeFaxSection) {
    struct Case {
        const char *what;
        Bytes fax;
        DMA_RESULT result;
    };
    const Case cases[] = {
        {"current block", kFax, DMA_OK},
        {"no entries", Fax(0), DMA_OK},
        {"old block", kOldFax, DMA_OK},
        {"bytes after a current block", Cat({kFax, Bytes(3, 0x42)}), DMA_OK},
        {"count one beyond the block", WithU16(kFax, 16, 3), DMA_E_FILE_FORMAT},
        {"one byte short of the header", Slice(Fax(0), 0, 1441), DMA_E_FILE_FORMAT},
        {"signature ZOVA003", WithU16(kFax, 12, '3'), DMA_E_FILE_FORMAT},
        {"old block with a byte after it", Cat({kOldFax, Bytes(1, 0)}), DMA_E_FILE_FORMAT},
    };
    for (const Case &c : cases) {
        for (bool existing : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (existing ? ", over a file" : ", no file"));
            fs::remove(faxFile_);
            if (existing) WriteFileBytes(faxFile_, kSentinel);
            Buffer f(c.fax);
            DocPropBuffers b{nullptr, 0, nullptr, 0,
                             f.g.data(), uint32_t(c.fax.size()), nullptr, 0};
            ASSERT_EQ(DMA_ExtractOneTimeEx(&r.ctx, &b), c.result);
            if (c.result == DMA_OK) {
                EXPECT_EQ(ReadFileBytes(faxFile_), c.fax);
            } else if (existing) {
                EXPECT_EQ(ReadFileBytes(faxFile_), kSentinel);
            } else {
                EXPECT_FALSE(fs::exists(faxFile_));
            }
            EXPECT_FALSE(fs::exists(docFile_));
        }
    }
}

#if !defined(_WIN32)
// Files whose size (faked where it is huge) passes what their sections hold:
// a header is judged before the bytes behind it are read or any memory is
// taken, bytes after the last section are never read, and sections are kept
// only while the caller's buffers take them (a size query keeps none).
TEST_F(DocPropOps, ReplaceReadsAndKeepsNoMoreThanTheSections) {
    constexpr uint64_t kGiB = uint64_t{1} << 30;
    const Bytes whole = Cat({kNdev, kTmb, kSp, kFax});
    const uint32_t N = uint32_t(kNdev.size()), T = uint32_t(kTmb.size()),
                   S = uint32_t(kSp.size()), F = uint32_t(kFax.size());
    struct Case {
        const char *what;
        Bytes file;
        uint64_t fakeSize;  // 0: the real size
        uint32_t sizes[4];  // the caller's buffers: ndev, tmb, sp, fax (0: none)
        DMA_RESULT result;
        long allocations;   // GlobalAlloc calls
    };
    const Case cases[] = {
        {"1 GiB of zeros", Bytes(1442, 0), kGiB, {N, T, S, F}, DMA_E_FILE_FORMAT, 0},
        {"1 GiB whose NDEV001 length passes its end", WithU32(Ndev({}), 20, 0xFFFFFFF0u), kGiB,
         {N, T, S, F}, DMA_E_FILE_FORMAT, 0},
        {"1 GiB whose TMBINFO is broken", Cat({kNdev, Bytes(20, 0)}), kGiB, {N, T, S, F},
         DMA_E_FILE_FORMAT, 1},
        {"1 GiB NDEV001 that is not all there, size query",
         WithU32(Ndev(Payload(100, 5)), 20, uint32_t(kGiB - 24)), kGiB, {0, 0, 0, 0},
         DMA_E_FILE_READ, 0},
        {"1 GiB after the fax section, size query", whole, whole.size() + kGiB, {0, 0, 0, 0},
         DMA_E_MORE_DATA, 0},
        {"1 GiB after the fax section", whole, whole.size() + kGiB, {N, T, S, F}, DMA_OK, 4},
        {"NDEV001 buffer one byte short", whole, 0, {N - 1, T, S, F}, DMA_E_MORE_DATA, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(docFile_, c.file);
        Buffer n(c.sizes[0], 0xEE), t(c.sizes[1], 0xEE), s(c.sizes[2], 0xEE), f(c.sizes[3], 0xEE);
        auto at = [](Buffer &x) { return x.g.size() ? x.g.data() : nullptr; };
        DocPropBuffers b{at(n), c.sizes[0], at(t), c.sizes[1],
                         at(f), c.sizes[3], at(s), c.sizes[2]};
        if (c.fakeSize != 0) dmaplat_FakeNextFileSize(c.fakeSize);
        const long before = dmaplat_AllocCalls();
        EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &b), c.result);
        EXPECT_EQ(dmaplat_AllocCalls() - before, c.allocations);
        EXPECT_EQ(dmatest::LiveBlocks(), 0);
        EXPECT_EQ(dmaplat_OpenHandles(), 0);
        if (c.result == DMA_OK) {
            EXPECT_EQ(Cat({n.Content(), t.Content(), s.Content(), f.Content()}), whole);
        } else {
            if (c.result == DMA_E_MORE_DATA) {
                EXPECT_EQ((std::vector<uint32_t>{b.ndevSize, b.tmbInfoSize, b.spInfoSize,
                                                 b.faxBlockSize}),
                          (std::vector<uint32_t>{N, T, S, F}));
            }
            for (Buffer *x : {&n, &t, &s, &f}) EXPECT_EQ(x->Content(), Bytes(x->g.size(), 0xEE));
        }
    }
}
#endif

}  // namespace
