// fax_file.cpp - fax destination files: reading, the kind 5 record
// operations on their entries, writing back.
#include "fax_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <fmt/format.h>

#include "default_records.h"
#include "settings.h"
#include "value_format.h"

namespace dmaclient {

FaxSummary SummariseFax(std::vector<uint8_t> &block, const std::string &what, bool oldLayout) {
    FaxSummary f;
    DMA_RESULT r = DMA_OK;
    if (oldLayout) f.count = FaxBlockCount(block.data());
    else r = DMA_GetFaxAddressNum(block.data(), &f.count);
    if (r != DMA_OK) throw UserError(fmt::format("{}: not a fax-address block: {}", what, ResultMessage(r)));
    DmaContext ctx;
    std::memset(&ctx, 0, sizeof ctx);
    ctx.faxAddressBlock = block.data();
    for (uint16_t id : {DMA_ID_FAX_HEADER1, DMA_ID_FAX_HEADER2}) {
        Setting s;
        s.dmaId = id;
        s.kind = ValueKind::String;
        Value v;
        r = ReadSetting(ctx, s, v);
        if (r != DMA_OK) throw UserError(fmt::format("{}: fax header {}: {}", what, FormatId(id), ResultMessage(r)));
        (id == DMA_ID_FAX_HEADER1 ? f.header1 : f.header2) = v.text;
    }
    return f;
}

namespace {

bool StartsWithSignature(const std::vector<uint8_t> &b, const char *sig) {
    return b.size() >= 16 && SignatureIs(b.data(), sig);
}

// The scratch records and the context whose kind 5 array is the block's entries.
struct FaxWork {
    std::vector<uint8_t> devMode = DefaultDevMode();
    std::vector<uint8_t> secondary = DefaultSecondary();
    std::vector<uint8_t> states;
    DmaContext ctx;

    explicit FaxWork(std::vector<uint8_t> &block) { Point(block); }
    void Point(std::vector<uint8_t> &block) {
        const unsigned count = FaxBlockCount(block.data());
        states.assign(std::max(1u, count), DMA_STATE_IN_USE);
        std::memset(&ctx, 0, sizeof ctx);
        ctx.devMode = devMode.data();
        ctx.secondary = secondary.data();
        ctx.faxAddressBlock = block.data();
        ctx.faxEntries.count = count;
        ctx.faxEntries.elementSize = DMA_FAX_ENTRY_SIZE;
        ctx.faxEntries.states = states.data();
        ctx.faxEntries.records = block.data() + DMA_FAX_HEADER_SIZE;
    }
    void SetCount(unsigned count, const std::string &path) {
        const DMA_RESULT r = DMA_SetFaxAddressNum(&ctx, static_cast<int32_t>(count), 0);
        if (r != DMA_OK)
            throw UserError(fmt::format("{}: the destination count cannot be set: {}", path, ResultMessage(r)));
    }
    void Fill(const std::vector<FieldAssignment> &fields) {
        for (const FieldAssignment &a : fields) WriteFieldSetting(devMode.data(), secondary.data(), a);
    }
};

unsigned CheckPosition(const FaxFile &f, unsigned pos) {
    const unsigned count = FaxBlockCount(f.block.data());
    if (pos > count) throw UserError(fmt::format("{}: no destination {}; the block has {}", f.path, pos, count));
    return count;
}

}  // namespace

bool IsFaxBlock(const std::vector<uint8_t> &bytes) {
    return StartsWithSignature(bytes, DMA_FAX_SIGNATURE) || StartsWithSignature(bytes, DMA_FAX_OLD_SIGNATURE);
}

size_t FaxFile::EntrySize() const { return oldLayout ? DMA_FAX_OLD_ENTRY_SIZE : DMA_FAX_ENTRY_SIZE; }

uint8_t *FaxFile::Entry(unsigned index) {
    return block.data() + DMA_FAX_HEADER_SIZE + static_cast<size_t>(index) * EntrySize();
}

FaxFile LoadFaxFile(const std::string &path) {
    FaxFile f;
    f.path = path;
    f.block = ReadFileBytes(path);
    if (IsFaxBlock(f.block)) {
        f.oldLayout = SignatureIs(f.block.data(), DMA_FAX_OLD_SIGNATURE);
        CheckFaxBlockSize(f.block, path);
        return f;
    }
    // A document-property file begins with one of its section signatures
    // (its first sections are optional from the end, so any of them).  The
    // SPINFO signature has fewer units than the field; the rest is not checked.
    const bool docProp = StartsWithSignature(f.block, DMA_NDEV_SIGNATURE) ||
                         StartsWithSignature(f.block, DMA_TMBINFO_SIGNATURE) ||
                         (f.block.size() >= 16 && SignatureText(f.block.data()).rfind(DMA_SPINFO_SIGNATURE, 0) == 0);
    if (!docProp) {
        if (f.block.size() < DMA_FAX_HEADER_SIZE)
            throw UserError(fmt::format("{}: a fax-address block needs at least {} bytes, the file has {}", path,
                                        DMA_FAX_HEADER_SIZE, f.block.size()));
        throw UserError(fmt::format("{}: neither a fax-address block (signature \"{}\", expected \"{}\", or "
                                    "\"{}\" in the old layout) nor a document-property file",
                                    path, SignatureText(f.block.data()), DMA_FAX_SIGNATURE, DMA_FAX_OLD_SIGNATURE));
    }
    std::vector<uint8_t>().swap(f.block);  // the library reads the file itself
    f.docProp = true;
    f.sections = ReadDocProp(path);
    f.block = f.sections.fax;
    f.sections.fax.clear();
    return f;
}

FaxFile LoadFaxFileForChange(const std::string &path) {
    FaxFile f = LoadFaxFile(path);
    if (!f.docProp) CheckFaxBlockWritable(f.block, path);
    if (f.docProp && f.block.empty()) f.block.assign(DMA_FAX_HEADER_SIZE, 0);
    return f;
}

void SaveFaxFile(FaxFile &f) {
    if (!f.docProp) {
        WriteFileAtomically(f.path, f.block);
        return;
    }
    f.sections.fax = f.block;
    WriteDocProp(f.path, f.sections);
}

unsigned ParseFaxPosition(const std::string &text) {
    char *end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || !end || *end || text[0] == '-' || v == 0 || v > 0xFFFF)
        throw UserError(fmt::format("\"{}\": a destination's position is a number from 1 (fax show lists them)", text),
                        2);
    return static_cast<unsigned>(v);
}

unsigned AddFaxDestination(FaxFile &f, const std::vector<FieldAssignment> &fields) {
    const unsigned count = FaxBlockCount(f.block.data());
    if (count == 0xFFFF) throw UserError(fmt::format("{}: the block holds 65535 destinations, its most", f.path));
    f.block.insert(f.block.begin() + DMA_FAX_HEADER_SIZE + static_cast<ptrdiff_t>(count) * DMA_FAX_ENTRY_SIZE,
                   DMA_FAX_ENTRY_SIZE, 0);
    FaxWork w(f.block);
    w.SetCount(count + 1, f.path);
    w.Point(f.block);  // one more element
    w.Fill(fields);
    const DMA_RESULT r = DMA_ApplyData(&w.ctx, DMA_KIND_FAX, 1, 0);
    if (r != DMA_OK)
        throw UserError(fmt::format("{}: the new destination cannot be stored: {}", f.path, ResultMessage(r)));
    return count + 1;
}

std::vector<uint8_t> SetFaxDestination(FaxFile &f, unsigned pos, const std::vector<FieldAssignment> &fields) {
    CheckPosition(f, pos);
    uint8_t *entry = f.Entry(pos - 1);
    std::vector<uint8_t> before(entry, entry + DMA_FAX_ENTRY_SIZE);
    FaxWork w(f.block);
    DMA_RESULT r = DMA_AccessibleData(&w.ctx, DMA_KIND_FAX, pos);
    if (r != DMA_OK) {
        // The load writes each text field up to its terminator; item 1897
        // holds 16 bytes of data, and when none of its units is zero (as in
        // every entry converted from the old layout) that text runs past its
        // field and the library refuses it.
        const uint8_t *raw = entry + offsetof(FaxAddressEntry, item1897);
        bool terminated = false;
        for (size_t i = 0; i + 1 < sizeof(FaxAddressEntry::item1897); i += 2) terminated |= !(raw[i] | raw[i + 1]);
        throw UserError(fmt::format("{}: destination {} cannot be read into the settings: {}{}; nothing was changed",
                                    f.path, pos, ResultMessage(r),
                                    terminated ? "" : " (its item 1897 holds 16 bytes without a zero unit, which the "
                                                      "library cannot write into that setting)"));
    }
    w.Fill(fields);
    r = DMA_ApplyData(&w.ctx, DMA_KIND_FAX, 0, pos);
    if (r != DMA_OK)
        throw UserError(fmt::format("{}: destination {} cannot be stored: {}; nothing was changed", f.path, pos,
                                    ResultMessage(r)));
    return before;
}

unsigned DeleteFaxDestination(FaxFile &f, unsigned pos) {
    const unsigned count = CheckPosition(f, pos);
    const auto at = f.block.begin() + DMA_FAX_HEADER_SIZE + static_cast<ptrdiff_t>(pos - 1) * DMA_FAX_ENTRY_SIZE;
    f.block.erase(at, at + DMA_FAX_ENTRY_SIZE);
    FaxWork w(f.block);
    w.SetCount(count - 1, f.path);
    return count - 1;
}

}  // namespace dmaclient
