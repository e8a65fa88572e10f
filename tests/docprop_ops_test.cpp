// docprop_ops_test.cpp - the extract and replace operations against real
// files in a per-test temporary directory: whole files compared byte for
// byte with the sections in file order, round trips, the old fax layout,
// every result code, and the platform layer's failure hooks (posix only).
#include "docprop_files.h"

using namespace dpfile;

namespace {

const Bytes kNdev = Ndev(Payload(40, 1));
const Bytes kTmb = Tmb(Payload(13, 2));
const Bytes kSp = Sp(Payload(9, 3));
const Bytes kFax = Fax(2);

// ---- writing ----

TEST_F(DocPropOps, ExtractWritesSectionsInFileOrderWhateverTheRecordOrder) {
    Buffer ndev(kNdev), tmb(kTmb), sp(kSp), fax(kFax);
    // The record holds the fax block before SPINFO; the file puts it last.
    DocPropBuffers b{ndev.g.data(), uint32_t(kNdev.size()), tmb.g.data(), uint32_t(kTmb.size()),
                     fax.g.data(),  uint32_t(kFax.size()),  sp.g.data(),  uint32_t(kSp.size())};
    WriteFileBytes(docFile_, Bytes(10000, 0x99));  // replaced, not overwritten in place
    EXPECT_EQ(DMA_ExtractDocPropEx(&r.ctx, &b), DMA_OK);
    EXPECT_EQ(ReadFileBytes(docFile_), Cat({kNdev, kTmb, kSp, kFax}));
    EXPECT_FALSE(fs::exists(faxFile_));

    // The plain name is the same operation.
    fs::remove(docFile_);
    EXPECT_EQ(DMA_ExtractDocProp(&r.ctx, &b), DMA_OK);
    EXPECT_EQ(ReadFileBytes(docFile_), Cat({kNdev, kTmb, kSp, kFax}));
}

TEST_F(DocPropOps, ExtractSkipsNullFaxAndEmptySizesButNeedsThreePointers) {
    Buffer ndev(kNdev), tmb(kTmb), sp(kSp), fax(kFax);
    struct Case {
        const char *what;
        bool ndev, tmb, sp, fax;        // pointer set
        uint32_t tmbSize, faxSize;
        DMA_RESULT result;
        Bytes file;                     // expected content; empty = no file
    };
    const uint32_t T = uint32_t(kTmb.size()), F = uint32_t(kFax.size());
    const Case cases[] = {
        {"null fax block", true, true, true, false, T, F, DMA_OK, Cat({kNdev, kTmb, kSp})},
        // The file would lack TMBINFO between two sections: the reader
        // refuses it, so it is not written.
        {"TMBINFO size 0", true, true, true, true, 0, F, DMA_E_FILE_FORMAT, {}},
        {"fax size 0", true, true, true, true, T, 0, DMA_OK, Cat({kNdev, kTmb, kSp})},
        {"null NDEV001", false, true, true, true, T, F, DMA_E_FAILED, {}},
        {"null TMBINFO with size 0", true, false, true, true, 0, F, DMA_E_FAILED, {}},
        {"null SPINFO", true, true, false, true, T, F, DMA_E_FAILED, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(docFile_);
        DocPropBuffers b{c.ndev ? ndev.g.data() : nullptr, uint32_t(kNdev.size()),
                         c.tmb ? tmb.g.data() : nullptr,   c.tmbSize,
                         c.fax ? fax.g.data() : nullptr,   c.faxSize,
                         c.sp ? sp.g.data() : nullptr,     uint32_t(kSp.size())};
        EXPECT_EQ(DMA_ExtractDocPropEx(&r.ctx, &b), c.result);
        if (c.file.empty()) {
            EXPECT_FALSE(fs::exists(docFile_));
        } else {
            EXPECT_EQ(ReadFileBytes(docFile_), c.file);
        }
    }
}

TEST_F(DocPropOps, ExtractOneTimeWritesTheFaxBlockAlone) {
    Buffer ndev(kNdev), fax(kFax);
    DocPropBuffers b{ndev.g.data(), uint32_t(kNdev.size()), nullptr, 0,
                     fax.g.data(),  uint32_t(kFax.size()),  nullptr, 0};
    EXPECT_EQ(DMA_ExtractOneTimeEx(&r.ctx, &b), DMA_OK);
    EXPECT_EQ(ReadFileBytes(faxFile_), kFax);
    EXPECT_FALSE(fs::exists(docFile_));

    b.faxBlockSize = 0;  // creates an empty file
    EXPECT_EQ(DMA_ExtractOneTime(&r.ctx, &b), DMA_OK);
    EXPECT_TRUE(fs::exists(faxFile_));
    EXPECT_EQ(fs::file_size(faxFile_), 0u);

    b.faxBlock = nullptr;
    EXPECT_EQ(DMA_ExtractOneTimeEx(&r.ctx, &b), DMA_E_FAILED);
}

// The path settings as callers set them: ANSI text through DMA_SetStringData.
TEST_F(DocPropOps, PathsSetThroughTheStringOperation) {
    ClearPath(kDocPropPathAt);
    ClearPath(kFaxFilePathAt);
    const std::string doc = (dir_ / "set.dp").string(), fax = (dir_ / "setfax.dp").string();
    ASSERT_EQ(DMA_SetStringData(&r.ctx, DMA_ID_DOCPROP_PATH, doc.c_str(), uint32_t(doc.size())),
              DMA_OK);
    ASSERT_EQ(DMA_SetStringData(&r.ctx, DMA_ID_FAXFILE_PATH, fax.c_str(), uint32_t(fax.size())),
              DMA_OK);
    Buffer ndev(kNdev), tmb(kTmb), sp(kSp), f(kFax);
    DocPropBuffers b{ndev.g.data(), uint32_t(kNdev.size()), tmb.g.data(), uint32_t(kTmb.size()),
                     f.g.data(),    uint32_t(kFax.size()),  sp.g.data(),  uint32_t(kSp.size())};
    EXPECT_EQ(DMA_ExtractDocPropEx(&r.ctx, &b), DMA_OK);
    EXPECT_EQ(DMA_ExtractOneTimeEx(&r.ctx, &b), DMA_OK);
    EXPECT_EQ(ReadFileBytes(dir_ / "set.dp"), Cat({kNdev, kTmb, kSp, kFax}));
    EXPECT_EQ(ReadFileBytes(dir_ / "setfax.dp"), kFax);
}

// ---- reading ----

TEST_F(DocPropOps, RoundTripOfAllFourSectionsWithSizeQuery) {
    Buffer ndev(kNdev), tmb(kTmb), sp(kSp), fax(kFax);
    DocPropBuffers out{ndev.g.data(), uint32_t(kNdev.size()), tmb.g.data(), uint32_t(kTmb.size()),
                       fax.g.data(),  uint32_t(kFax.size()),  sp.g.data(),  uint32_t(kSp.size())};
    ASSERT_EQ(DMA_ExtractDocPropEx(&r.ctx, &out), DMA_OK);

    DocPropBuffers query{};
    EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &query), DMA_E_MORE_DATA);
    EXPECT_EQ(query.ndevSize, kNdev.size());
    EXPECT_EQ(query.tmbInfoSize, kTmb.size());
    EXPECT_EQ(query.spInfoSize, kSp.size());
    EXPECT_EQ(query.faxBlockSize, kFax.size());
    EXPECT_EQ(query.ndev, nullptr);

    Buffer n2(query.ndevSize, 0), t2(query.tmbInfoSize, 0), s2(query.spInfoSize, 0),
        f2(query.faxBlockSize, 0);
    DocPropBuffers in{n2.g.data(), query.ndevSize,     t2.g.data(), query.tmbInfoSize,
                      f2.g.data(), query.faxBlockSize, s2.g.data(), query.spInfoSize};
    const DocPropBuffers before = in;
    EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &in), DMA_OK);
    EXPECT_EQ(n2.Content(), kNdev);
    EXPECT_EQ(t2.Content(), kTmb);
    EXPECT_EQ(s2.Content(), kSp);
    EXPECT_EQ(f2.Content(), kFax);
    EXPECT_EQ(std::memcmp(&in, &before, sizeof in), 0);  // sizes left as the caller set them
    for (Buffer *x : {&n2, &t2, &s2, &f2}) EXPECT_TRUE(x->g.CanariesIntact());
}

TEST_F(DocPropOps, ReplaceCopiesEachSectionAndLeavesTheRestOfLargerBuffers) {
    WriteFileBytes(docFile_, Cat({kNdev, kTmb, kSp, kFax, Bytes(3, 0x42)}));
    Buffer n(kNdev.size() + 8, 0xEE), t(kTmb.size() + 8, 0xEE), s(kSp.size() + 8, 0xEE),
        f(kFax.size() + 8, 0xEE);
    DocPropBuffers in{n.g.data(), uint32_t(n.g.size()), t.g.data(), uint32_t(t.g.size()),
                      f.g.data(), uint32_t(f.g.size()), s.g.data(), uint32_t(s.g.size())};
    EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &in), DMA_OK);
    EXPECT_EQ(n.Content(), Cat({kNdev, Bytes(8, 0xEE)}));
    EXPECT_EQ(t.Content(), Cat({kTmb, Bytes(8, 0xEE)}));
    EXPECT_EQ(s.Content(), Cat({kSp, Bytes(8, 0xEE)}));
    EXPECT_EQ(f.Content(), Cat({kFax, Bytes(8, 0xEE)}));
}

// Which buffers a file needs: a -5 answer lists all four sizes and writes
// no buffer.
TEST_F(DocPropOps, SizeAnswerNamesEveryNeededSize) {
    const uint32_t N = uint32_t(kNdev.size()), T = uint32_t(kTmb.size()),
                   S = uint32_t(kSp.size()), F = uint32_t(kFax.size());
    Buffer n(N, 0xEE), t(T, 0xEE), s(S, 0xEE), f(F, 0xEE);
    struct Case {
        const char *what;
        Bytes file;
        DocPropBuffers given;
        DMA_RESULT result;
        uint32_t sizes[4];  // ndev, tmb, sp, fax after the call
    };
    const Case cases[] = {
        {"NDEV001 only: no fax block needed", kNdev,
         {n.g.data(), N, t.g.data(), 0, nullptr, 0, s.g.data(), 0}, DMA_OK, {N, 0, 0, 0}},
        {"NDEV001 only: TMBINFO pointer still needed", kNdev,
         {n.g.data(), N, nullptr, 77, nullptr, 66, s.g.data(), 55}, DMA_E_MORE_DATA,
         {N, 0, 0, 0}},
        {"NDEV001 one byte short", Cat({kNdev, kTmb, kSp, kFax}),
         {n.g.data(), N - 1, t.g.data(), T, f.g.data(), F, s.g.data(), S}, DMA_E_MORE_DATA,
         {N, T, S, F}},
        {"fax block one byte short", Cat({kNdev, kTmb, kSp, kFax}),
         {n.g.data(), N, t.g.data(), T, f.g.data(), F - 1, s.g.data(), S}, DMA_E_MORE_DATA,
         {N, T, S, F}},
        {"fax block missing", Cat({kNdev, kTmb, kSp, kFax}),
         {n.g.data(), N, t.g.data(), T, nullptr, F, s.g.data(), S}, DMA_E_MORE_DATA,
         {N, T, S, F}},
        {"empty file", {}, {n.g.data(), 1, t.g.data(), 2, nullptr, 3, s.g.data(), 4}, DMA_OK,
         {1, 2, 4, 3}},
        {"empty file, null pointers", {}, {nullptr, 1, nullptr, 2, nullptr, 3, nullptr, 4},
         DMA_E_MORE_DATA, {0, 0, 0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(docFile_, c.file);
        DocPropBuffers b = c.given;
        EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &b), c.result);
        EXPECT_EQ(b.ndevSize, c.sizes[0]);
        EXPECT_EQ(b.tmbInfoSize, c.sizes[1]);
        EXPECT_EQ(b.spInfoSize, c.sizes[2]);
        EXPECT_EQ(b.faxBlockSize, c.sizes[3]);
        if (c.result != DMA_OK) {
            for (Buffer *x : {&n, &t, &s, &f}) EXPECT_EQ(x->Content(), Bytes(x->g.size(), 0xEE));
        }
        std::memset(n.g.data(), 0xEE, N);
    }
}

TEST_F(DocPropOps, OldFaxSectionIsHandedOverInTheCurrentLayout) {
    for (uint16_t count : {0, 1, 3}) {
        SCOPED_TRACE(count);
        Bytes old = Fax(count, true, uint8_t(0x20 + count));
        WriteFileBytes(docFile_, Cat({kNdev, kTmb, kSp, old}));
        DocPropBuffers query{};
        EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &query), DMA_E_MORE_DATA);
        EXPECT_EQ(query.faxBlockSize, 1442u + 820u * count);

        Buffer n(kNdev.size(), 0), t(kTmb.size(), 0), s(kSp.size(), 0),
            f(query.faxBlockSize, 0xEE);
        DocPropBuffers in{n.g.data(), query.ndevSize,     t.g.data(), query.tmbInfoSize,
                          f.g.data(), query.faxBlockSize, s.g.data(), query.spInfoSize};
        EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &in), DMA_OK);
        EXPECT_EQ(f.Content(), Upgraded(old, 0xEE));
        EXPECT_EQ(s.Content(), kSp);
        EXPECT_TRUE(f.g.CanariesIntact());
    }
}

// An old fax section that the conversion refuses (it must reach exactly to
// the end of the file) makes the file broken: -16, even for a size query,
// and no buffer is written.
TEST_F(DocPropOps, UnconvertibleOldFaxSectionIsAFormatFailure) {
    WriteFileBytes(docFile_, Cat({kNdev, kTmb, kSp, Fax(1, true), Bytes(1, 0)}));
    Buffer n(kNdev.size(), 0xEE), t(kTmb.size(), 0xEE), s(kSp.size(), 0xEE), f(1442 + 820, 0xEE);
    DocPropBuffers in{n.g.data(), uint32_t(kNdev.size()), t.g.data(), uint32_t(kTmb.size()),
                      f.g.data(), 1442 + 820,             s.g.data(), uint32_t(kSp.size())};
    const DocPropBuffers before = in;
    EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &in), DMA_E_FILE_FORMAT);
    EXPECT_EQ(std::memcmp(&in, &before, sizeof in), 0);
    for (Buffer *x : {&n, &t, &s, &f}) EXPECT_EQ(x->Content(), Bytes(x->g.size(), 0xEE));
    DocPropBuffers query{};
    EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &query), DMA_E_FILE_FORMAT);
    EXPECT_EQ(query.faxBlockSize, 0u);
}

TEST_F(DocPropOps, BrokenFileIsReportedBeforeTheBuffersAreLookedAt) {
    Bytes broken = Cat({kNdev, kTmb, kSp, kFax});
    PutU32(broken, 16, 0x5251);
    WriteFileBytes(docFile_, broken);
    DocPropBuffers query{};
    EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &query), DMA_E_FILE_FORMAT);
    EXPECT_EQ(query.ndevSize, 0u);
}

// ---- paths and failures ----

TEST_F(DocPropOps, EmptyPathSettingMeansSuccessWithNothingTouched) {
    ClearPath(kDocPropPathAt);
    ClearPath(kFaxFilePathAt);
    Buffer n(kNdev), t(kTmb), s(kSp), f(kFax);
    DocPropBuffers b{n.g.data(), uint32_t(kNdev.size()), t.g.data(), uint32_t(kTmb.size()),
                     f.g.data(), uint32_t(kFax.size()),  s.g.data(), uint32_t(kSp.size())};
    const DocPropBuffers before = b;
    EXPECT_EQ(DMA_ExtractDocPropEx(&r.ctx, &b), DMA_OK);
    EXPECT_EQ(DMA_ExtractOneTimeEx(&r.ctx, &b), DMA_OK);
    DocPropBuffers empty{};
    EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &empty), DMA_OK);
    EXPECT_EQ(empty.ndevSize, 0u);
    EXPECT_EQ(std::memcmp(&b, &before, sizeof b), 0);
    EXPECT_EQ(n.Content(), kNdev);
    EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(DocPropOps, FileAndArgumentFailures) {
    Buffer n(kNdev), t(kTmb), s(kSp), f(kFax);
    DocPropBuffers b{n.g.data(), uint32_t(kNdev.size()), t.g.data(), uint32_t(kTmb.size()),
                     f.g.data(), uint32_t(kFax.size()),  s.g.data(), uint32_t(kSp.size())};
    // Missing file.
    EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &b), DMA_E_FILE_OPEN);
    // Unwritable paths: a directory that does not exist.
    SetPath(kDocPropPathAt, dir_ / "missing" / "job.dp");
    SetPath(kFaxFilePathAt, dir_ / "missing" / "fax.dp");
    EXPECT_EQ(DMA_ExtractDocPropEx(&r.ctx, &b), DMA_E_FILE_OPEN);
    EXPECT_EQ(DMA_ExtractOneTimeEx(&r.ctx, &b), DMA_E_FAXFILE_OPEN);
    EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &b), DMA_E_FILE_OPEN);
    // Null context or record; a context without a DEVMODEW record has no path.
    EXPECT_EQ(DMA_ExtractDocPropEx(nullptr, &b), DMA_E_FAILED);
    EXPECT_EQ(DMA_ExtractDocPropEx(&r.ctx, nullptr), DMA_E_FAILED);
    EXPECT_EQ(DMA_ExtractOneTimeEx(nullptr, &b), DMA_E_FAILED);
    EXPECT_EQ(DMA_ExtractOneTimeEx(&r.ctx, nullptr), DMA_E_FAILED);
    EXPECT_EQ(DMA_ReplaceDocProp(nullptr, &b), DMA_E_FAILED);
    EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, nullptr), DMA_E_FAILED);
    DmaContext noDevMode = r.ctx;
    noDevMode.devMode = nullptr;
    EXPECT_EQ(DMA_ExtractDocPropEx(&noDevMode, &b), DMA_E_FAILED);
    EXPECT_EQ(DMA_ExtractOneTimeEx(&noDevMode, &b), DMA_E_FAILED);
    EXPECT_EQ(DMA_ReplaceDocProp(&noDevMode, &b), DMA_E_FAILED);
    EXPECT_EQ(n.Content(), kNdev);
}

// A path field without a terminator is taken as its 129 characters: nothing
// after the field is read into the path.
TEST_F(DocPropOps, UnterminatedPathFieldStaysInsideTheField) {
    std::u16string name = dir_.u16string();
    name += u'/';
    name.resize(129, u'x');
    dmatest::WriteU16(r.devMode.data() + kDocPropPathAt, name);  // terminator lands at 1188
    dmatest::WriteU16(r.devMode.data() + kFaxFilePathAt, u"zzzz");  // ...and is overwritten
    Buffer n(kNdev), t(kTmb), s(kSp);
    DocPropBuffers b{n.g.data(), uint32_t(kNdev.size()), t.g.data(), 0, nullptr, 0,
                     s.g.data(), 0};
    DMA_RESULT result = DMA_ExtractDocPropEx(&r.ctx, &b);
    // The name may be too long for the file system; either way no file may
    // carry the text that follows the field.
    if (result == DMA_OK) {
        EXPECT_TRUE(fs::exists(fs::path(name)));
    } else {
        EXPECT_EQ(result, DMA_E_FILE_OPEN);
    }
    for (const auto &e : fs::directory_iterator(dir_))
        EXPECT_EQ(e.path().u16string().find(u"zzzz"), std::u16string::npos);
}

#if !defined(_WIN32)
// Failures of the file and memory calls, through the posix layer's hooks.
TEST_F(DocPropOps, PlatformFailuresGiveTheirCodes) {
    const Bytes whole = Cat({kNdev, kTmb, kSp, kFax});
    Buffer n(kNdev), t(kTmb), s(kSp), f(kFax);
    DocPropBuffers b{n.g.data(), uint32_t(kNdev.size()), t.g.data(), uint32_t(kTmb.size()),
                     f.g.data(), uint32_t(kFax.size()),  s.g.data(), uint32_t(kSp.size())};
    struct Case {
        const char *what;
        int op;  // 0 extract, 1 one-time, 2 replace
        int call;
        long at;
        DMA_RESULT result;
    };
    const Case cases[] = {
        {"extract: create", 0, DMAPLAT_CREATE, 1, DMA_E_FILE_OPEN},
        {"extract: first write", 0, DMAPLAT_WRITE, 1, DMA_E_FILE_WRITE},
        {"extract: last write", 0, DMAPLAT_WRITE, 4, DMA_E_FILE_WRITE},
        {"one-time: create", 1, DMAPLAT_CREATE, 1, DMA_E_FAXFILE_OPEN},
        {"one-time: write", 1, DMAPLAT_WRITE, 1, DMA_E_FAXFILE_WRITE},
        {"replace: open", 2, DMAPLAT_CREATE, 1, DMA_E_FILE_OPEN},
        {"replace: size", 2, DMAPLAT_SIZE, 1, DMA_E_FILE_READ},
        {"replace: read", 2, DMAPLAT_READ, 1, DMA_E_FILE_READ},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(docFile_, whole);
        dmaplat_FailFileCallAt(c.call, c.at);
        DMA_RESULT result = c.op == 0   ? DMA_ExtractDocPropEx(&r.ctx, &b)
                            : c.op == 1 ? DMA_ExtractOneTimeEx(&r.ctx, &b)
                                        : DMA_ReplaceDocProp(&r.ctx, &b);
        dmaplat_FailFileCallAt(c.call, 0);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(dmaplat_OpenHandles(), 0);
        EXPECT_EQ(dmatest::LiveBlocks(), 0);
        EXPECT_EQ(n.Content(), kNdev);
    }
    // A failed write leaves what was written before it.
    dmaplat_FailFileCallAt(DMAPLAT_WRITE, 3);
    EXPECT_EQ(DMA_ExtractDocPropEx(&r.ctx, &b), DMA_E_FILE_WRITE);
    dmaplat_FailFileCallAt(DMAPLAT_WRITE, 0);
    EXPECT_EQ(ReadFileBytes(docFile_), Cat({kNdev, kTmb}));
}

TEST_F(DocPropOps, AllocationFailuresGiveMinus15AndReleaseEverything) {
    Buffer n(kNdev.size(), 0xEE), t(kTmb.size(), 0xEE), s(kSp.size(), 0xEE),
        f(1442 + 820, 0xEE);
    DocPropBuffers b{n.g.data(), uint32_t(kNdev.size()), t.g.data(), uint32_t(kTmb.size()),
                     f.g.data(), 1442 + 820,             s.g.data(), uint32_t(kSp.size())};
    // One block per section as it is read; then, for an old fax section, the
    // conversion's one.
    WriteFileBytes(docFile_, Cat({kNdev, kTmb, kSp, Fax(1, true)}));
    for (long at : {1L, 2L, 3L, 4L, 5L}) {
        SCOPED_TRACE(at);
        dmaplat_FailAllocAt(at);
        EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &b), DMA_E_FILE_READ);
        dmaplat_FailAllocAt(0);
        EXPECT_EQ(dmatest::LiveBlocks(), 0);
        EXPECT_EQ(dmaplat_OpenHandles(), 0);
        for (Buffer *x : {&n, &t, &s, &f}) EXPECT_EQ(x->Content(), Bytes(x->g.size(), 0xEE));
    }
    EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &b), DMA_OK);
}

// Sizes that do not fit in 32 bits, and files that shrink or grow between
// the size and the read.
TEST_F(DocPropOps, FileSizeChangesAreHandledWithinTheDataRead) {
    const Bytes twoSections = Cat({kNdev, kTmb});
    struct Case {
        const char *what;
        uint64_t fakeSize;
        DMA_RESULT result;
        uint32_t tmbSize;  // needed TMBINFO size reported on -5
    };
    const Case cases[] = {
        {"4 GiB and more", (uint64_t{1} << 32) + twoSections.size(), DMA_E_FILE_READ, 0},
        {"invalid size value", 0xFFFFFFFFu, DMA_E_FILE_READ, 0},
        {"shrank: fewer bytes read than the size", twoSections.size() + 100, DMA_E_FILE_READ, 0},
        {"grew: read up to the size taken", kNdev.size(), DMA_E_MORE_DATA, 0},
        {"unchanged", twoSections.size(), DMA_E_MORE_DATA, uint32_t(kTmb.size())},
    };
    WriteFileBytes(docFile_, twoSections);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DocPropBuffers query{};
        query.tmbInfoSize = 12345;
        dmaplat_FakeNextFileSize(c.fakeSize);
        EXPECT_EQ(DMA_ReplaceDocProp(&r.ctx, &query), c.result);
        if (c.result == DMA_E_MORE_DATA) {
            EXPECT_EQ(query.ndevSize, kNdev.size());
            EXPECT_EQ(query.tmbInfoSize, c.tmbSize);
        } else {
            EXPECT_EQ(query.tmbInfoSize, 12345u);
        }
        EXPECT_EQ(dmatest::LiveBlocks(), 0);
        EXPECT_EQ(dmaplat_OpenHandles(), 0);
    }
}
#endif

}  // namespace
