// docprop_format_test.cpp - the document-property section parser and the old
// fax layout conversion, over hand-built files.  Every parse runs over an
// exactly sized heap copy of the file, so a read past its end is caught by
// the sanitizer build.
#include <cstring>
#include <functional>
#include <memory>

#include "docprop/docprop.h"
#include "docprop_files.h"
#include "support/test_support.h"

using namespace dpfile;
using dma::DocPropLayout;

namespace {

struct Parsed {
    int32_t result;
    DocPropLayout layout;
    std::vector<int64_t> offsets;  // start of each section in the file, -1 absent
};

// Parses `file` from an exactly sized heap copy.
Parsed Parse(const Bytes &file) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[file.size() ? file.size() : 1]);
    if (!file.empty()) std::memcpy(copy.get(), file.data(), file.size());
    Parsed p{};
    std::memset(&p.layout, 0xCD, sizeof p.layout);
    p.result = dma::ParseDocPropFile(copy.get(), uint32_t(file.size()), &p.layout);
    if (p.result == DMA_OK)
        for (int s = 0; s < dma::kSectionCount; ++s)
            p.offsets.push_back(p.layout.start[s] ? p.layout.start[s] - copy.get() : -1);
    return p;
}

const Bytes kNdev = Ndev(Payload(10, 1));
const Bytes kTmb = Tmb(Payload(5, 2));
const Bytes kSp = Sp(Payload(7, 3));
const Bytes kFax = Fax(1);
const Bytes kFull = Cat({kNdev, kTmb, kSp, kFax});

TEST(DocPropParse, FullFileGivesEverySectionInFileOrder) {
    Parsed p = Parse(kFull);
    ASSERT_EQ(p.result, DMA_OK);
    EXPECT_EQ(p.offsets, (std::vector<int64_t>{0, 34, 59, 86}));
    EXPECT_EQ(p.layout.size[dma::kSectionNdev], 34u);
    EXPECT_EQ(p.layout.size[dma::kSectionTmbInfo], 25u);
    EXPECT_EQ(p.layout.size[dma::kSectionSpInfo], 27u);
    EXPECT_EQ(p.layout.size[dma::kSectionFax], 1442u + 820u);
    EXPECT_FALSE(p.layout.faxOld);
    EXPECT_EQ(p.layout.faxCurrentSize, 1442u + 820u);
}

// Accepted files: which sections are found, and their sizes.
TEST(DocPropParse, SectionsPresentOnlyWhenTheirMinimumFits) {
    struct Case {
        const char *what;
        Bytes file;
        std::vector<uint32_t> sizes;  // ndev, tmb, sp, fax
    };
    const Case cases[] = {
        {"empty file", {}, {0, 0, 0, 0}},
        {"19 arbitrary bytes", Bytes(19, 0x77), {0, 0, 0, 0}},
        {"24-byte NDEV001 with P = 0", Ndev({}), {24, 0, 0, 0}},
        {"header + 19 bytes: no TMBINFO", Cat({kNdev, Bytes(19, 0x55)}), {34, 0, 0, 0}},
        {"NDEV001 + TMBINFO", Cat({kNdev, kTmb}), {34, 25, 0, 0}},
        {"three sections + 1441 bytes: no fax", Cat({kNdev, kTmb, kSp, Bytes(1441, 9)}),
         {34, 25, 27, 0}},
        {"SPINFO's 8th unit is not checked", Cat({kNdev, kTmb, Sp({}, 0x4141)}), {34, 25, 20, 0}},
        {"fax count 2 exact", Cat({kNdev, kTmb, kSp, Fax(2)}), {34, 25, 27, 1442 + 1640}},
        {"bytes after the fax section ignored", Cat({kNdev, kTmb, kSp, Fax(2), Bytes(5000, 1)}),
         {34, 25, 27, 1442 + 1640}},
        {"fax count 0", Cat({kNdev, kTmb, kSp, Fax(0)}), {34, 25, 27, 1442}},
        {"empty payloads", Cat({Ndev({}), Tmb({}), Sp({}), Fax(0)}), {24, 20, 20, 1442}},
        // 20-23 bytes: no room for NDEV001, so the start is a TMBINFO section.
        {"20 bytes: TMBINFO with T = 0", Tmb({}), {0, 20, 0, 0}},
        {"23 bytes: TMBINFO with T = 3", Tmb(Payload(3, 0)), {0, 23, 0, 0}},
        {"22 bytes: TMBINFO with T = 0 and 2 spare", Cat({Tmb({}), Bytes(2, 0)}), {0, 20, 0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Parsed p = Parse(c.file);
        ASSERT_EQ(p.result, DMA_OK);
        std::vector<uint32_t> sizes(p.layout.size, p.layout.size + dma::kSectionCount);
        EXPECT_EQ(sizes, c.sizes);
        for (int s = 0; s < dma::kSectionCount; ++s)
            EXPECT_EQ(p.offsets[s] < 0, c.sizes[s] == 0) << "section " << s;
    }
}

// One corrupted field per case, on an otherwise valid file: -16 and the
// layout untouched.
TEST(DocPropParse, EveryFormatFailureIsRefused) {
    const size_t tmbAt = kNdev.size(), spAt = tmbAt + kTmb.size(), faxAt = spAt + kSp.size();
    using Edit = std::function<void(Bytes &)>;
    struct Case {
        const char *what;
        Bytes base;
        Edit edit;
    };
    const Case cases[] = {
        {"NDEV001 first character", kFull, [](Bytes &b) { b[0] = 'M'; }},
        {"NDEV001 last character", kFull, [](Bytes &b) { b[12] = '2'; }},
        {"NDEV001 high byte of a unit", kFull, [](Bytes &b) { b[3] = 1; }},
        {"NDEV001 terminator", kFull, [](Bytes &b) { b[14] = 'X'; }},
        {"0x5250 word low byte", kFull, [](Bytes &b) { PutU32(b, 16, 0x5251); }},
        {"0x5250 word high half", kFull, [](Bytes &b) { PutU32(b, 16, 0x00015250); }},
        {"0x5250 word byte-swapped", kFull, [](Bytes &b) { PutU32(b, 16, 0x5052); }},
        {"24-byte NDEV001 with P = 1", Ndev({}), [](Bytes &b) { PutU32(b, 20, 1); }},
        {"NDEV001 P one past the end", kNdev, [](Bytes &b) { PutU32(b, 20, 11); }},
        {"NDEV001 P wraps 24 + P to 0", kNdev, [](Bytes &b) { PutU32(b, 20, 0xFFFFFFE8); }},
        {"NDEV001 P = 0xFFFFFFFF", kNdev, [](Bytes &b) { PutU32(b, 20, 0xFFFFFFFF); }},
        {"TMBINFO signature", kFull, [=](Bytes &b) { b[tmbAt + 2] = 'N'; }},
        {"TMBINFO terminator", kFull, [=](Bytes &b) { b[tmbAt + 15] = 1; }},
        {"TMBINFO T one past the end", Cat({kNdev, kTmb}),
         [=](Bytes &b) { PutU32(b, tmbAt + 16, 6); }},
        {"TMBINFO T wraps 20 + T to 0", Cat({kNdev, kTmb}),
         [=](Bytes &b) { PutU32(b, tmbAt + 16, 0xFFFFFFEC); }},
        {"TMBINFO T too long for 20 bytes", Tmb({}), [](Bytes &b) { PutU32(b, 16, 1); }},
        {"TMBINFO wrong in a 23-byte file", Tmb(Payload(3, 0)), [](Bytes &b) { b[0] = 'X'; }},
        {"21 bytes that are not TMBINFO", Bytes(21, 0), [](Bytes &) {}},
        {"SPINFO signature", kFull, [=](Bytes &b) { b[spAt + 10] = 'X'; }},
        {"SPINFO terminator (7th unit)", kFull, [=](Bytes &b) { b[spAt + 12] = 'O'; }},
        {"SPINFO S one past the end", Cat({kNdev, kTmb, kSp}),
         [=](Bytes &b) { PutU32(b, spAt + 16, 8); }},
        {"SPINFO S wraps 20 + S to 0", Cat({kNdev, kTmb, kSp}),
         [=](Bytes &b) { PutU32(b, spAt + 16, 0xFFFFFFEC); }},
        {"fax signature ZOVA003", kFull, [=](Bytes &b) { b[faxAt + 12] = '3'; }},
        {"fax signature terminator", kFull, [=](Bytes &b) { b[faxAt + 14] = '2'; }},
        {"fax count one too many", kFull, [=](Bytes &b) { PutU16(b, faxAt + 16, 2); }},
        {"fax count 65535", kFull, [=](Bytes &b) { PutU16(b, faxAt + 16, 0xFFFF); }},
        {"fax count 2 one byte short", Cat({kNdev, kTmb, kSp, Fax(2)}),
         [](Bytes &b) { b.pop_back(); }},
        {"old fax count one too many", Cat({kNdev, kTmb, kSp, Fax(1, true)}),
         [=](Bytes &b) { PutU16(b, faxAt + 16, 2); }},
        // The old layout converts only as the end of the file.
        {"old fax section followed by a byte", Cat({kNdev, kTmb, kSp, Fax(1, true)}),
         [](Bytes &b) { b.push_back(0); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = c.base;
        c.edit(file);
        DocPropLayout untouched;
        std::memset(&untouched, 0xCD, sizeof untouched);
        Parsed p = Parse(file);
        EXPECT_EQ(p.result, DMA_E_FILE_FORMAT);
        EXPECT_EQ(std::memcmp(&p.layout, &untouched, sizeof untouched), 0);
    }
}

TEST(DocPropParse, OldFaxLayoutIsReportedWithItsCurrentSize) {
    for (uint16_t count : {0, 1, 3}) {
        SCOPED_TRACE(count);
        Parsed p = Parse(Cat({kNdev, kTmb, kSp, Fax(count, true)}));
        ASSERT_EQ(p.result, DMA_OK);
        EXPECT_TRUE(p.layout.faxOld);
        EXPECT_EQ(p.layout.size[dma::kSectionFax], 1442u + 768u * count);
        EXPECT_EQ(p.layout.faxCurrentSize, 1442u + 820u * count);
    }
}

// Every prefix and every single-byte corruption of a valid file parses or is
// refused without reading past its end, and accepted sections lie inside it.
TEST(DocPropParse, NoPrefixOrCorruptionReadsOutsideTheFile) {
    auto check = [](const Bytes &file) {
        Parsed p = Parse(file);
        ASSERT_TRUE(p.result == DMA_OK || p.result == DMA_E_FILE_FORMAT);
        if (p.result != DMA_OK) return;
        for (int s = 0; s < dma::kSectionCount; ++s) {
            if (p.offsets[s] >= 0) {
                ASSERT_LE(uint64_t(p.offsets[s]) + p.layout.size[s], file.size());
            }
        }
    };
    for (size_t n = 0; n <= kFull.size(); ++n) check(Bytes(kFull.begin(), kFull.begin() + n));
    for (size_t i = 0; i < 120; ++i) {
        Bytes file = kFull;
        file[i] ^= 0xFF;
        check(file);
    }
}

// ---- UpgradeFaxBlock ----

TEST(DocPropUpgrade, OldEntriesBecomeCurrentEntries) {
    for (uint16_t count : {0, 1, 3}) {
        SCOPED_TRACE(count);
        Bytes old = Fax(count, true, uint8_t(0x40 + count));
        Bytes expected = Upgraded(old, 0xEE);
        Bytes dest(1442 + 820 * size_t(count), 0xEE);
        std::unique_ptr<uint8_t[]> src(new uint8_t[old.size()]);
        std::memcpy(src.get(), old.data(), old.size());
        ASSERT_EQ(dma::UpgradeFaxBlock(dest.data(), src.get(), uint32_t(dest.size()),
                                       uint32_t(old.size())),
                  1);
        EXPECT_EQ(dest, expected);
    }
}

TEST(DocPropUpgrade, KnownBase64Text) {
    Bytes old = Fax(1, true);
    for (int i = 0; i < 16; ++i) old[1442 + 752 + i] = uint8_t(i);
    Bytes dest(1442 + 820);
    ASSERT_EQ(dma::UpgradeFaxBlock(dest.data(), old.data(), uint32_t(dest.size()),
                                   uint32_t(old.size())),
              1);
    EXPECT_EQ(dmatest::ReadU16(dest.data() + 1442 + 768, 25),
              dmatest::U16("AAECAwQFBgcICQoLDA0ODw=="));
    EXPECT_EQ(dest[1442 + 768 + 48], 0);  // the terminator, 25th unit
    EXPECT_EQ(dmatest::ReadU16(dest.data(), 8), dmatest::U16("ZOVA002"));
}

TEST(DocPropUpgrade, RefusalsLeaveTheDestinationAlone) {
    const Bytes old = Fax(2, true);
    const uint32_t need = 1442 + 1640;
    struct Case {
        const char *what;
        bool nullDest, nullSrc;
        Bytes source;
        uint32_t destSize, sourceSize;
    };
    Bytes current = Fax(2, false);
    current.resize(old.size());
    const Case cases[] = {
        {"null destination", true, false, old, need, uint32_t(old.size())},
        {"null source", false, true, old, need, uint32_t(old.size())},
        {"destination one byte short", false, false, old, need - 1, uint32_t(old.size())},
        {"current signature", false, false, current, need, uint32_t(old.size())},
        {"source one byte longer than its entries", false, false, old, need,
         uint32_t(old.size() + 1)},
        {"source one byte shorter", false, false, old, need, uint32_t(old.size() - 1)},
        {"source shorter than the header", false, false, Bytes(old.begin(), old.begin() + 17),
         need, 17},
        {"source of 0 bytes", false, false, Bytes(), need, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        // An exactly sized copy of the bytes the source size claims (at least
        // those that exist), so that reading beyond is caught.
        size_t n = std::min<size_t>(c.source.size(), c.sourceSize);
        std::unique_ptr<uint8_t[]> src(new uint8_t[n ? n : 1]);
        if (n) std::memcpy(src.get(), c.source.data(), n);
        Bytes padded = c.source;
        padded.resize(c.sourceSize);
        const void *source = c.nullSrc ? nullptr : (c.sourceSize > n ? padded.data() : src.get());
        Bytes dest(need, 0xEE);
        EXPECT_EQ(dma::UpgradeFaxBlock(c.nullDest ? nullptr : dest.data(), source, c.destSize,
                                       c.sourceSize),
                  0);
        EXPECT_EQ(dest, Bytes(need, 0xEE));
    }
    EXPECT_NO_LEAK();
}

}  // namespace
