// fuzz_text.cpp - fuzz target for the string and font operations:
// DMA_GetStringData, DMA_SetStringData, DMA_GetStringData_StrLength,
// DMA_SetStringData_StrLength, DMA_GetLogFontData, DMA_SetLogFontData, and
// the helpers behind them (code-page conversion into new buffers, scrambler,
// Base64 encoder).  Random records, DMA IDs (known string and font IDs, the
// fax header and protected IDs most of the time), texts of random bytes,
// buffer sizes and length arguments, null pointers now and then.
//
// Checks after every call: a result the operation documents; guard bytes of
// the records, the fax block, the text and font buffers intact; reads change
// no record, and a read writes the caller's buffer only on success (never
// beyond the size the caller gave); a write changes only its own field (for
// the fax header strings also the block's signature), and nothing at all when
// refused (except the field a failed StrLength conversion has cleared); a
// size query reports the size that a following call accepts; no GlobalAlloc
// block stays alive.
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "fuzz_support.h"
#include "text/text.h"

using namespace dmafuzz;

namespace {

constexpr size_t kFaxBlockSize = DMA_FAX_HEADER_SIZE + 2 * DMA_FAX_ENTRY_SIZE;

struct World {
    SettingsRecords rec;
    Guarded fax{kFaxBlockSize};
    DmaContext ctx{};
    World() {
        ctx.devMode = rec.devMode.data();
        ctx.secondary = rec.secondary.data();
        ctx.faxAddressBlock = fax.data();
        const char *sig = "ZOVA002";
        for (int i = 0; i < 8; ++i) dma::Store16(fax.data() + 2 * i, static_cast<uint16_t>(sig[i]));
    }
    bool Intact() const { return rec.Intact() && fax.Intact(); }
};

// Known string and font DMA IDs, found once through the catalogue.
struct IdLists {
    std::vector<uint32_t> strings, fonts, others;
};
const IdLists &Ids() {
    static const IdLists lists = [] {
        IdLists l;
        for (uint16_t id : dma::KnownDmaIdsAscending()) {
            const uint16_t item = dma::DmaIdToItemId(id);
            uint16_t area = 0;
            const dma::ItemDescriptor *row = item ? dma::FindItemRow(item, &area) : nullptr;
            if (row && row->valueType == DMA_VT_STRING) l.strings.push_back(id);
            else if (row && row->valueType == DMA_VT_LOGFONT) l.fonts.push_back(id);
            else l.others.push_back(id);
        }
        return l;
    }();
    return lists;
}

uint32_t PickId(FuzzedDataProvider &in) {
    const IdLists &ids = Ids();
    auto pick = [&](const std::vector<uint32_t> &v) {
        return v[in.ConsumeIntegralInRange<size_t>(0, v.size() - 1)];
    };
    switch (in.ConsumeIntegralInRange<int>(0, 9)) {
    case 0: return in.ConsumeIntegral<uint32_t>();
    case 1: return in.ConsumeBool() ? DMA_ID_FAX_HEADER1 : DMA_ID_FAX_HEADER2;
    case 2: return in.ConsumeIntegralInRange<uint32_t>(DMA_ID_PROTECTED_FIRST, DMA_ID_PROTECTED_LAST);
    case 3: return pick(ids.fonts);
    case 4: return pick(ids.others);
    default: return pick(ids.strings);
    }
}

// A zero-terminated 8-bit text of random bytes in a guarded buffer of at
// least `minSize` bytes (room that the caller's length argument promises).
void MakeText(FuzzedDataProvider &in, Guarded &text, size_t minSize) {
    size_t n;
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: n = in.ConsumeIntegralInRange<size_t>(0, 700); break;
    default: n = in.ConsumeIntegralInRange<size_t>(0, 60); break;
    }
    const bool ascii = in.ConsumeBool();
    text.Reset(n + 1 > minSize ? n + 1 : minSize, 0);
    for (size_t i = 0; i < n; ++i) {
        uint8_t c = in.ConsumeIntegral<uint8_t>();
        if (ascii) c = static_cast<uint8_t>(0x20 + c % 0x5F);
        if (c == 0) c = 'z';
        text.data()[i] = c;
    }
}

// The field of a string or font DMA ID as [offset, offset + size) in one of
// the records; false when the ID has no usable item.
struct Field {
    Guarded *record = nullptr;
    size_t begin = 0, end = 0;
};
bool FieldOf(World &w, uint32_t dmaId, Field *f) {
    const uint16_t item = dma::DmaIdToItemId(static_cast<uint16_t>(dmaId));
    if (item == 0) return false;
    dma::ItemLocation loc{};
    if (dma::LookupItem(item, w.ctx.devMode, w.ctx.secondary, &loc) != DMA_RS_OK) return false;
    f->record = loc.area == DMA_SA_SECONDARY ? &w.rec.secondary : &w.rec.devMode;
    f->begin = static_cast<size_t>(loc.address - f->record->data());
    f->end = f->begin + (loc.size ? loc.size : static_cast<size_t>(loc.width));
    return true;
}

struct Before {
    Snapshot dm, sec, fax;
    explicit Before(World &w) : dm(w.rec.devMode), sec(w.rec.secondary), fax(w.fax) {}
    bool Unchanged() const { return dm.Unchanged() && sec.Unchanged() && fax.Unchanged(); }
    // Only the field (if any) changed.
    bool OnlyField(World &w, const Field &f) const {
        std::vector<Span> dmAllowed, secAllowed;
        if (f.record == &w.rec.devMode) dmAllowed.push_back({f.begin, f.end});
        if (f.record == &w.rec.secondary) secAllowed.push_back({f.begin, f.end});
        return dm.ChangesWithin(dmAllowed) && sec.ChangesWithin(secAllowed) && fax.Unchanged();
    }
};

uint16_t Low16(uint32_t id) { return static_cast<uint16_t>(id); }
bool IsHeader(uint32_t id) { return Low16(id) == DMA_ID_FAX_HEADER1 || Low16(id) == DMA_ID_FAX_HEADER2; }

void GetString(FuzzedDataProvider &in, World &w, bool strLength) {
    const uint32_t id = PickId(in);
    uint32_t declared;
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: declared = 0; break;
    case 1: declared = in.ConsumeIntegralInRange<uint32_t>(0, 1400); break;
    default: declared = in.ConsumeIntegralInRange<uint32_t>(0, 200); break;
    }
    const bool nullBuffer = in.ConsumeIntegralInRange<int>(0, 3) == 0;
    Guarded buffer(declared, 0xCC), length(4);
    dma::Store32(length.data(), declared);
    const Before before(w);
    const Snapshot bufBefore(buffer);
    char *b = nullBuffer ? nullptr : reinterpret_cast<char *>(buffer.data());
    uint32_t *l = reinterpret_cast<uint32_t *>(length.data());
    const DMA_RESULT r = strLength ? DMA_GetStringData_StrLength(&w.ctx, id, b, l)
                                   : DMA_GetStringData(&w.ctx, id, b, l);
    FUZZ_CHECK(OneOf(r, {1, -1, -3, -5, -7, -10}));
    FUZZ_CHECK(w.Intact() && buffer.Intact() && length.Intact());
    FUZZ_CHECK(before.Unchanged());
    if (r != 1) FUZZ_CHECK(bufBefore.Unchanged());
    if (r != -5) FUZZ_CHECK(dma::Load32(length.data()) == declared);
    if (r == 1) FUZZ_CHECK(!nullBuffer);
    if (r == -5 && !nullBuffer && !IsHeader(id))  // buffer too small: size left alone
        FUZZ_CHECK(dma::Load32(length.data()) == declared);
    if (r == -5 && (nullBuffer || IsHeader(id))) {
        // A size query's answer is accepted by the next call (protected IDs
        // answer the size but are never read back).
        const uint32_t need = dma::Load32(length.data());
        FUZZ_CHECK(need > 0 && need <= 1400);
        const bool protectedId = Low16(id) >= DMA_ID_PROTECTED_FIRST && Low16(id) <= DMA_ID_PROTECTED_LAST;
        if (strLength || !protectedId) {
            Guarded again(need, 0xCC);
            uint32_t l2 = need;
            char *b2 = reinterpret_cast<char *>(again.data());
            const DMA_RESULT r2 = strLength ? DMA_GetStringData_StrLength(&w.ctx, id, b2, &l2)
                                            : DMA_GetStringData(&w.ctx, id, b2, &l2);
            FUZZ_CHECK(r2 == 1 && again.Intact());
            if (strLength || IsHeader(id))  // exact texts end at the last byte
                FUZZ_CHECK(again.data()[need - 1] == 0 && std::strlen(b2) == need - 1);
        }
    }
    FUZZ_CHECK(NoLiveBlocks());
}

void SetString(FuzzedDataProvider &in, World &w, bool strLength) {
    const uint32_t id = PickId(in);
    uint32_t declared;
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: declared = in.ConsumeIntegral<uint32_t>(); break;
    case 1: declared = in.ConsumeIntegralInRange<uint32_t>(0, 700); break;
    default: declared = in.ConsumeIntegralInRange<uint32_t>(0, 60); break;
    }
    Guarded text;
    // The caller's buffer holds the text and, for item 329, `declared` bytes.
    MakeText(in, text, declared <= 4096 ? declared : 0);
    const bool nullText = in.ConsumeIntegralInRange<int>(0, 15) == 0;
    const char *t = nullText ? nullptr : reinterpret_cast<const char *>(text.data());
    const Before before(w);
    const Snapshot textBefore(text);
    Field f;
    const bool hasField = FieldOf(w, id, &f);
    const DMA_RESULT r = strLength ? DMA_SetStringData_StrLength(&w.ctx, id, t)
                                   : DMA_SetStringData(&w.ctx, id, t, declared);
    FUZZ_CHECK(OneOf(r, {1, -1, -3, -6, -7, -10}));
    FUZZ_CHECK(w.Intact() && text.Intact() && textBefore.Unchanged());
    if (nullText && r == 1) FUZZ_CHECK(false);
    if (!strLength && IsHeader(id)) {
        // The header text and the signature, nothing else of the block.
        const size_t at = Low16(id) == DMA_ID_FAX_HEADER1 ? 18 : 100;
        const size_t size = Low16(id) == DMA_ID_FAX_HEADER1 ? 82 : 1342;
        if (r == 1) {
            FUZZ_CHECK(before.dm.Unchanged() && before.sec.Unchanged());
            FUZZ_CHECK(before.fax.ChangesWithin({{0, 16}, {at, at + size}}));
            std::string back(1400, '\0');
            uint32_t l = 1400;
            FUZZ_CHECK(DMA_GetStringData(&w.ctx, id, back.data(), &l) == 1);
            // The text is read only within a declared length other than 0.
            const size_t n = declared ? strnlen(t, declared) : std::strlen(t);
            bool ascii = true;
            for (size_t i = 0; i < n; ++i) ascii = ascii && uint8_t(t[i]) < 0x80;
            if (ascii) FUZZ_CHECK(back.c_str() == std::string(t, n));
        } else {
            FUZZ_CHECK(before.Unchanged());
        }
    } else if (r == 1 || (strLength && r == -10 && hasField)) {
        FUZZ_CHECK(hasField);
        FUZZ_CHECK(before.OnlyField(w, f));
    } else {
        FUZZ_CHECK(before.Unchanged());
    }
    if (r == 1 && strLength) {
        // An ASCII text reads back as written through the text pair.
        const size_t n = std::strlen(t);
        bool ascii = true;
        for (size_t i = 0; i < n; ++i) ascii = ascii && uint8_t(t[i]) < 0x80;
        if (ascii) {
            std::string back(n + 1, 'x');
            uint32_t l = static_cast<uint32_t>(n + 1);
            FUZZ_CHECK(DMA_GetStringData_StrLength(&w.ctx, id, back.data(), &l) == 1);
            FUZZ_CHECK(std::memcmp(back.data(), t, n + 1) == 0);
        }
    }
    FUZZ_CHECK(NoLiveBlocks());
}

void GetFont(FuzzedDataProvider &in, World &w) {
    const uint32_t id = PickId(in);
    const uint32_t declared = in.ConsumeBool() ? in.ConsumeIntegralInRange<uint32_t>(0, 70)
                                               : in.ConsumeIntegral<uint32_t>();
    const bool nullFont = in.ConsumeIntegralInRange<int>(0, 3) == 0;
    Guarded font(sizeof(LOGFONTA), 0xCC), length(4);
    dma::Store32(length.data(), declared);
    const Before before(w);
    const Snapshot fontBefore(font);
    const DMA_RESULT r = DMA_GetLogFontData(&w.ctx, id,
                                            nullFont ? nullptr : reinterpret_cast<LOGFONTA *>(font.data()),
                                            reinterpret_cast<uint32_t *>(length.data()));
    FUZZ_CHECK(OneOf(r, {1, -1, -2, -3, -5, -10}));
    FUZZ_CHECK(w.Intact() && font.Intact() && length.Intact() && before.Unchanged());
    if (r != 1) FUZZ_CHECK(fontBefore.Unchanged());
    if (r == 1) FUZZ_CHECK(declared >= 60 && !nullFont);
    if (r == -5 && nullFont) FUZZ_CHECK(dma::Load32(length.data()) == 60);
    else FUZZ_CHECK(dma::Load32(length.data()) == declared);
    FUZZ_CHECK(NoLiveBlocks());
}

void SetFont(FuzzedDataProvider &in, World &w) {
    const uint32_t id = PickId(in);
    const uint32_t size = in.ConsumeBool() ? in.ConsumeIntegralInRange<uint32_t>(55, 65)
                                           : in.ConsumeIntegral<uint32_t>();
    const bool nullFont = in.ConsumeIntegralInRange<int>(0, 15) == 0;
    Guarded font(sizeof(LOGFONTA));
    font.FillFrom(in, 0, sizeof(LOGFONTA));
    // The face name is zero-terminated within its 32 bytes most of the time.
    if (in.ConsumeIntegralInRange<int>(0, 7) != 0)
        font.data()[28 + in.ConsumeIntegralInRange<size_t>(0, 31)] = 0;
    else
        font.data()[59] = 0;  // the caller's record always ends its text
    const Before before(w);
    const Snapshot fontBefore(font);
    Field f;
    const bool hasField = FieldOf(w, id, &f);
    const DMA_RESULT r = DMA_SetLogFontData(
        &w.ctx, id, nullFont ? nullptr : reinterpret_cast<const LOGFONTA *>(font.data()), size);
    FUZZ_CHECK(OneOf(r, {1, -1, -2, -3, -6, -10}));
    FUZZ_CHECK(w.Intact() && font.Intact() && fontBefore.Unchanged());
    if (r == 1) {
        FUZZ_CHECK(hasField && f.end - f.begin == 92 && size <= 60 && !nullFont);
        FUZZ_CHECK(before.OnlyField(w, f));
        // The 28 bytes before the face name arrive unchanged.
        FUZZ_CHECK(std::memcmp(f.record->data() + f.begin, font.data(), 28) == 0);
    } else {
        FUZZ_CHECK(before.Unchanged());
    }
    FUZZ_CHECK(NoLiveBlocks());
}

// The helpers: conversions into new buffers, scrambler, encoder.
void Helpers(FuzzedDataProvider &in) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: {
        Guarded text;
        MakeText(in, text, 0);
        WCHAR *wide = nullptr;
        int32_t n = -1;
        if (dma::MultiByteToWideAlloc(reinterpret_cast<const char *>(text.data()), &wide, &n, 0)) {
            FUZZ_CHECK(wide != nullptr && n >= 0 && wide[n] == 0);
            char *back = nullptr;
            int32_t m = -1;
            if (dma::WideToMultiByteAlloc(wide, &back, &m, 0)) {
                FUZZ_CHECK(back != nullptr && m >= 0 && back[m] == 0);
                GlobalFree(back);
            } else {
                FUZZ_CHECK(back == nullptr);
            }
            GlobalFree(wide);
        } else {
            FUZZ_CHECK(wide == nullptr);
        }
        break;
    }
    case 1: {
        const size_t units = in.ConsumeIntegralInRange<size_t>(0, 200);
        Guarded wide(2 * units + 2);
        for (size_t i = 0; i < units; ++i) {
            uint16_t c = in.ConsumeIntegral<uint16_t>();
            dma::Store16(wide.data() + 2 * i, c ? c : 'q');
        }
        char *text = nullptr;
        int32_t n = -1;
        if (dma::WideToMultiByteAlloc(reinterpret_cast<const WCHAR *>(wide.data()), &text, &n, 0)) {
            FUZZ_CHECK(text != nullptr && n >= 0 && text[n] == 0);
            GlobalFree(text);
        } else {
            FUZZ_CHECK(text == nullptr);
        }
        FUZZ_CHECK(wide.Intact());
        break;
    }
    default: {
        const int32_t count = in.ConsumeIntegralInRange<int32_t>(-2, 300);
        const int32_t capacity = in.ConsumeIntegralInRange<int32_t>(-2, 420);
        Guarded source(count > 0 ? size_t(count) : 0), out(capacity > 0 ? size_t(capacity) : 0, 0xCC);
        source.FillFrom(in, 0, source.size());
        const Snapshot outBefore(out);
        int32_t written = -7;
        int rc;
        if (in.ConsumeBool()) {
            rc = dma::ScrambleBytes(source.data(), count, out.data(), &written, capacity);
            FUZZ_CHECK(rc == 0 || rc == -2 || rc == -3);
            if (rc == 0) {
                FUZZ_CHECK(written == count);
                for (int32_t i = 0; i < count; ++i)
                    FUZZ_CHECK((out.data()[i] ^ source.data()[i]) == uint8_t("qdzk"[i % 4]));
            }
        } else {
            rc = dma::EncodeBase64(source.data(), count, reinterpret_cast<char *>(out.data()), &written,
                                   capacity);
            FUZZ_CHECK(rc == 0 || rc == -2 || rc == -3);
            if (rc == 0) FUZZ_CHECK(written == (count + 2) / 3 * 4 && written <= capacity);
            if (rc != 0) FUZZ_CHECK(outBefore.Unchanged());
        }
        FUZZ_CHECK(source.Intact() && out.Intact());
        break;
    }
    }
    FUZZ_CHECK(NoLiveBlocks());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    World w;
    w.rec.Patch(in, in.ConsumeIntegralInRange<int>(0, 8));
    if (in.ConsumeIntegralInRange<int>(0, 3) == 0)
        w.fax.FillFrom(in, in.ConsumeIntegralInRange<size_t>(0, 1441), in.ConsumeIntegralInRange<size_t>(1, 200));
    switch (in.ConsumeIntegralInRange<int>(0, 15)) {
    case 0: w.ctx.faxAddressBlock = nullptr; break;
    case 1: w.ctx.devMode = nullptr; break;
    case 2: w.ctx.secondary = nullptr; break;
    default: break;
    }
    int calls = in.ConsumeIntegralInRange<int>(1, 12);
    while (calls-- > 0 && in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange<int>(0, 6)) {
        case 0: GetString(in, w, false); break;
        case 1: GetString(in, w, true); break;
        case 2: SetString(in, w, false); break;
        case 3: SetString(in, w, true); break;
        case 4: GetFont(in, w); break;
        case 5: SetFont(in, w); break;
        default: Helpers(in); break;
        }
    }
    return 0;
}
