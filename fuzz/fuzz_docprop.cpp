// fuzz_docprop.cpp - fuzz target for document-property files: random file
// bytes (raw, or built section by section with random lengths, signatures,
// fax counts and layouts so that the parse gets deep) written to a file and
// read back with DMA_ReplaceDocProp (size query, then the filling
// call, then a call with buffers too small), written again with
// DMA_ExtractDocPropEx and read back once more; and the same bytes through
// ParseDocPropFile and UpgradeFaxBlock directly, from heap blocks of exactly
// the file's size so that AddressSanitizer sees any read past them.
//
// Checks: documented codes only; -16 exactly when the direct parse refuses
// the bytes; the sizes of a size query are those of the parse; a filling call
// writes each buffer only within its section's size and hands over the
// file's sections byte for byte (an old fax section in the current layout);
// buffers too small are left untouched and only the sizes change; the
// settings records never change; guard bytes intact; no GlobalAlloc block or
// file handle left behind; the parse's sections lie inside the file, in file
// order, without gaps.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "docprop/docprop.h"
#include "fuzz_support.h"

using namespace dmafuzz;

namespace {

// The file is one of the platform layer's memory files (switched on in
// LLVMFuzzerInitialize): every input writes and reads it several times, and
// on disk the system calls took most of each run.  Memory files answer as
// disk files do, sharing and errors included.
constexpr char kDocPath[] = "/fuzz/doc.bin";
constexpr WCHAR kDocPathWide[] = u"/fuzz/doc.bin";

void PutWide(std::vector<uint8_t> &out, const char *text, size_t units) {
    for (size_t i = 0; i < units; ++i) {
        const uint16_t c = i < std::strlen(text) ? static_cast<uint8_t>(text[i]) : 0;
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
}
void Put32(std::vector<uint8_t> &out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A length field: the true payload length most of the time, else anything.
uint32_t LengthField(FuzzedDataProvider &in, uint32_t actual) {
    switch (in.ConsumeIntegralInRange<int>(0, 9)) {
    case 0: return in.ConsumeIntegral<uint32_t>();
    case 1: return actual + in.ConsumeIntegralInRange<uint32_t>(1, 3);
    default: return actual;
    }
}

std::vector<uint8_t> StructuredFile(FuzzedDataProvider &in) {
    std::vector<uint8_t> f;
    const int sections = in.ConsumeIntegralInRange<int>(0, 4);
    auto payload = [&](size_t max) { return in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, max)); };
    if (sections >= 1) {
        PutWide(f, in.ConsumeIntegralInRange<int>(0, 15) ? "NDEV001" : "NDEV002", 8);
        Put32(f, in.ConsumeIntegralInRange<int>(0, 15) ? 0x5250 : in.ConsumeIntegral<uint32_t>());
        const std::vector<uint8_t> p = payload(200);
        Put32(f, LengthField(in, static_cast<uint32_t>(p.size())));
        f.insert(f.end(), p.begin(), p.end());
    }
    if (sections >= 2) {
        PutWide(f, in.ConsumeIntegralInRange<int>(0, 15) ? "TMBINFO" : "TMBINF0", 8);
        const std::vector<uint8_t> p = payload(100);
        Put32(f, LengthField(in, static_cast<uint32_t>(p.size())));
        f.insert(f.end(), p.begin(), p.end());
    }
    if (sections >= 3) {
        PutWide(f, in.ConsumeIntegralInRange<int>(0, 15) ? "SPINFO" : "SPINF", 7);
        const uint16_t extra = in.ConsumeIntegral<uint16_t>();  // the unit not checked
        f.push_back(static_cast<uint8_t>(extra));
        f.push_back(static_cast<uint8_t>(extra >> 8));
        const std::vector<uint8_t> p = payload(100);
        Put32(f, LengthField(in, static_cast<uint32_t>(p.size())));
        f.insert(f.end(), p.begin(), p.end());
    }
    if (sections >= 4) {
        const int layout = in.ConsumeIntegralInRange<int>(0, 8);
        const bool old = layout < 4;
        PutWide(f, layout == 8 ? "ZOVA003" : old ? "ZOVA001" : "ZOVA002", 8);
        const uint16_t count = in.ConsumeIntegralInRange<int>(0, 7) ? in.ConsumeIntegralInRange<uint16_t>(0, 3)
                                                                     : in.ConsumeIntegral<uint16_t>();
        f.push_back(static_cast<uint8_t>(count));
        f.push_back(static_cast<uint8_t>(count >> 8));
        const size_t header = f.size();
        f.resize(header + 1442 - 18, 0);
        const std::vector<uint8_t> h = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 100));
        if (!h.empty()) std::memcpy(f.data() + header, h.data(), h.size());
        size_t body = size_t{old ? 768u : 820u} * (count < 8 ? count : 8);
        const int slack = in.ConsumeIntegralInRange<int>(-2, 2);
        if (in.ConsumeBool() && (slack >= 0 || body >= size_t(-slack))) body += slack;
        const size_t at = f.size();
        f.resize(at + body, 0);
        const std::vector<uint8_t> e = in.ConsumeBytes<uint8_t>(body < 400 ? body : 400);
        if (!e.empty()) std::memcpy(f.data() + at, e.data(), e.size());
    }
    const std::vector<uint8_t> tail = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 30));
    f.insert(f.end(), tail.begin(), tail.end());
    return f;
}

bool PutFile(const std::vector<uint8_t> &bytes) {
    HANDLE h = CreateFileW(kDocPathWide, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    return CloseHandle(h) && ok;
}

std::vector<uint8_t> GetFile() {
    HANDLE h = CreateFileW(kDocPathWide, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::vector<uint8_t> bytes(GetFileSize(h, nullptr));
    DWORD got = 0;
    if (!ReadFile(h, bytes.data(), DWORD(bytes.size()), &got, nullptr)) got = 0;
    bytes.resize(got);
    CloseHandle(h);
    return bytes;
}

// The parse of the bytes from a heap block of exactly their size.
int32_t Parse(const std::vector<uint8_t> &file, dma::DocPropLayout *layout, std::unique_ptr<uint8_t[]> &exact) {
    exact.reset(new uint8_t[file.size() ? file.size() : 1]);
    if (!file.empty()) std::memcpy(exact.get(), file.data(), file.size());
    std::memset(layout, 0, sizeof *layout);
    return dma::ParseDocPropFile(exact.get(), static_cast<uint32_t>(file.size()), layout);
}

void CheckLayout(const dma::DocPropLayout &l, const uint8_t *data, uint32_t count) {
    const uint8_t *next = data;
    for (int s = 0; s < dma::kSectionCount; ++s) {
        if (l.size[s] == 0) continue;
        FUZZ_CHECK(l.start[s] == next);  // file order, no gaps
        FUZZ_CHECK(dma::FitsWithin(uint64_t(l.start[s] - data), l.size[s], count));
        next = l.start[s] + l.size[s];
    }
    if (l.size[dma::kSectionFax] != 0) {
        const uint16_t faxCount = dma::Load16(l.start[dma::kSectionFax] + 16);
        FUZZ_CHECK(l.faxCurrentSize == 1442u + 820u * faxCount);
        FUZZ_CHECK(l.size[dma::kSectionFax] == 1442u + (l.faxOld ? 768u : 820u) * faxCount);
    }
}

struct Buffers {
    Guarded ndev, tmb, fax, sp;
    DocPropBuffers record{};
    void Make(const uint32_t sizes[4], bool nulls) {
        ndev.Reset(sizes[0], 0xCC);
        tmb.Reset(sizes[1], 0xCC);
        fax.Reset(sizes[2], 0xCC);
        sp.Reset(sizes[3], 0xCC);
        record = DocPropBuffers{nulls ? nullptr : ndev.data(), sizes[0], nulls ? nullptr : tmb.data(), sizes[1],
                                nulls ? nullptr : fax.data(),  sizes[2], nulls ? nullptr : sp.data(),  sizes[3]};
    }
    bool Intact() const { return ndev.Intact() && tmb.Intact() && fax.Intact() && sp.Intact(); }
};

void ReplaceAndExtract(FuzzedDataProvider &in, const std::vector<uint8_t> &file) {
    if (!PutFile(file)) return;
    dma::DocPropLayout layout;
    std::unique_ptr<uint8_t[]> exact;
    const int32_t parsed = Parse(file, &layout, exact);
    FUZZ_CHECK(parsed == 1 || parsed == DMA_E_FILE_FORMAT);

    SettingsRecords rec;
    DmaContext ctx{};
    ctx.devMode = rec.devMode.data();
    ctx.secondary = rec.secondary.data();
    FUZZ_CHECK(DMA_SetStringData_StrLength(&ctx, DMA_ID_DOCPROP_PATH, kDocPath) == 1);
    const Snapshot dm(rec.devMode), sec(rec.secondary);

    // Size query: every pointer null, every size 0.
    Buffers b;
    const uint32_t zero[4] = {0, 0, 0, 0};
    b.Make(zero, true);
    DMA_RESULT r = DMA_ReplaceDocProp(&ctx, &b.record);
    FUZZ_CHECK(dm.Unchanged() && sec.Unchanged() && NoLiveBlocks() && dmaplat_OpenHandles() == 0);
    // An old fax section converts only when it reaches exactly to the end
    // of the file; one that does not is refused as a broken file up front.
    const bool oldNotToEnd =
        parsed == 1 && layout.faxOld &&
        file.size() - size_t(layout.start[dma::kSectionFax] - exact.get()) != layout.size[dma::kSectionFax];
    if (parsed != 1 || oldNotToEnd) {
        FUZZ_CHECK(r == DMA_E_FILE_FORMAT);
        return;
    }
    if (r != DMA_E_MORE_DATA)
        std::fprintf(stderr, "size query of a %zu-byte file the parse accepts: %ld\n", file.size(), long(r));
    FUZZ_CHECK(r == DMA_E_MORE_DATA);
    const uint32_t need[4] = {b.record.ndevSize, b.record.tmbInfoSize, b.record.faxBlockSize, b.record.spInfoSize};
    FUZZ_CHECK(need[0] == layout.size[dma::kSectionNdev] && need[1] == layout.size[dma::kSectionTmbInfo] &&
               need[3] == layout.size[dma::kSectionSpInfo] && need[2] == layout.faxCurrentSize);

    // Buffers too small (one of them, by a little): sizes written, nothing else.
    const int shrink = in.ConsumeIntegralInRange<int>(0, 3);
    if (need[shrink] > 0) {
        uint32_t smaller[4] = {need[0], need[1], need[2], need[3]};
        smaller[shrink] -= in.ConsumeIntegralInRange<uint32_t>(1, need[shrink]);
        Buffers small;
        small.Make(smaller, false);
        const Snapshot s0(small.ndev), s1(small.tmb), s2(small.fax), s3(small.sp);
        r = DMA_ReplaceDocProp(&ctx, &small.record);
        FUZZ_CHECK(r == DMA_E_MORE_DATA && small.Intact());
        FUZZ_CHECK(s0.Unchanged() && s1.Unchanged() && s2.Unchanged() && s3.Unchanged());
        FUZZ_CHECK(small.record.ndevSize == need[0] && small.record.tmbInfoSize == need[1] &&
                   small.record.faxBlockSize == need[2] && small.record.spInfoSize == need[3]);
        FUZZ_CHECK(NoLiveBlocks() && dmaplat_OpenHandles() == 0);
    }

    // The filling call, buffers of exactly the sizes asked for.
    Buffers full;
    full.Make(need, false);
    r = DMA_ReplaceDocProp(&ctx, &full.record);
    FUZZ_CHECK(OneOf(r, {1, DMA_E_FILE_FORMAT}) && full.Intact());
    FUZZ_CHECK(dm.Unchanged() && sec.Unchanged() && NoLiveBlocks() && dmaplat_OpenHandles() == 0);
    FUZZ_CHECK(full.record.ndevSize == need[0] && full.record.faxBlockSize == need[2]);
    if (r != 1) {
        FUZZ_CHECK(layout.faxOld);  // only a refused conversion may end so
        return;
    }
    const Guarded *out[3] = {&full.ndev, &full.tmb, &full.sp};
    const int sections[3] = {dma::kSectionNdev, dma::kSectionTmbInfo, dma::kSectionSpInfo};
    for (int i = 0; i < 3; ++i)
        if (layout.size[sections[i]])
            FUZZ_CHECK(std::memcmp(out[i]->data(), layout.start[sections[i]], layout.size[sections[i]]) == 0);
    if (layout.size[dma::kSectionFax] && !layout.faxOld)
        FUZZ_CHECK(std::memcmp(full.fax.data(), layout.start[dma::kSectionFax], need[2]) == 0);

    // Written back, the file reads back the same (old fax sections now in
    // the current layout, so only current ones are compared whole).
    if (!layout.faxOld) {
        r = DMA_ExtractDocPropEx(&ctx, &full.record);
        FUZZ_CHECK(r == 1 && NoLiveBlocks() && dmaplat_OpenHandles() == 0);
        const std::vector<uint8_t> again = GetFile();
        size_t used = 0;
        for (uint32_t s : layout.size) used += s;
        FUZZ_CHECK(again.size() == used);
        FUZZ_CHECK(used == 0 || std::memcmp(again.data(), file.data(), used) == 0);
    }
}

void Upgrade(FuzzedDataProvider &in, const std::vector<uint8_t> &source) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[source.size() ? source.size() : 1]);
    if (!source.empty()) std::memcpy(exact.get(), source.data(), source.size());
    const uint16_t count = source.size() >= 18 ? dma::Load16(source.data() + 16) : 0;
    const uint32_t needed = 1442u + 820u * count;
    // Room for every entry only while the source could hold all but the last
    // one: a count beyond that is refused all the same, and room for 65535
    // entries (53 MB, filled and checked) cost more than the rest of a run.
    const uint32_t most = source.size() >= 1442 ? uint32_t(source.size() - 1442) / 768 + 1 : 0;
    const uint32_t roomy = 1442u + 820u * (count < most ? count : most);
    const uint32_t destSize = in.ConsumeBool() ? roomy : in.ConsumeIntegralInRange<uint32_t>(0, 5000);
    Guarded dest(destSize, 0xCC);
    const int ok = source.size() >= 1442 ? dma::UpgradeFaxBlock(dest.data(), exact.get(), destSize,
                                                                static_cast<uint32_t>(source.size()))
                                         : 0;
    FUZZ_CHECK((ok == 0 || ok == 1) && dest.Intact() && NoLiveBlocks());
    if (ok == 1) {
        FUZZ_CHECK(needed <= destSize && source.size() == 1442u + 768u * count);
        FUZZ_CHECK(std::memcmp(dest.data() + 16, source.data() + 16, 1442 - 16) == 0);
        for (uint32_t j = 0; j < count; ++j)
            FUZZ_CHECK(std::memcmp(dest.data() + 1442 + 820 * j, source.data() + 1442 + 768 * j, 768) == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    dmaplat_UseMemoryFiles(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int mode = in.ConsumeIntegralInRange<int>(0, 3);
    std::vector<uint8_t> file = mode == 0 ? in.ConsumeRemainingBytes<uint8_t>() : StructuredFile(in);
    dma::DocPropLayout layout;
    std::unique_ptr<uint8_t[]> exact;
    if (Parse(file, &layout, exact) == 1) CheckLayout(layout, exact.get(), static_cast<uint32_t>(file.size()));
    ReplaceAndExtract(in, file);
    if (layout.size[dma::kSectionFax]) {
        const size_t at = static_cast<size_t>(layout.start[dma::kSectionFax] - exact.get());
        Upgrade(in, std::vector<uint8_t>(file.begin() + at, file.end()));
    } else if (mode != 0 && file.size() >= 1442) {
        Upgrade(in, file);
    }
    return 0;
}
