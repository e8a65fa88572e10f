// fuzz_records.cpp - fuzz target for the record arrays, the fax destination
// count and the user settings: DMA_AccessibleData, DMA_DeleteData,
// DMA_ApplyData, DMA_GetNameFromInfo, DMA_GetFaxAddressNum,
// DMA_SetFaxAddressNum, DMA_QueryStructSize, DMA_GetUserSettingInfo and
// DMA_SetUserSettingInfo.  Random arrays (counts, strides, state bytes,
// element contents, names from a small pool so that searches hit), kinds,
// modes, positions and names, random user-setting records of every version.
//
// Checks after every call: a documented code of that operation; guard bytes
// of every buffer intact; no block left alive; and what may change:
// - load: no array, state byte or the fax block; when refused before the
//   transfer (-19 to -22) nothing at all;
// - delete: one state byte, to 2, and nothing else;
// - store: never the settings; one element (within its record size, not
//   the stride's padding) and its state byte, for kind 5 the block's
//   signature too; nothing when refused before the transfer;
// - name: nothing of the records; the caller's buffer only on success and
//   within the size given; the size only on -5;
// - fax count: item 380 and the block's count only, nothing when refused;
// - user settings: the read writes only the caller's 2096 bytes, the write
//   only the secondary record, and a bad version nothing at all.
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "fuzz_support.h"

using namespace dmafuzz;

namespace {

struct Array {
    Guarded elements, states;
    uint32_t count = 0, stride = 0, size = 0;
    RecordArray Descriptor() { return RecordArray{count, stride, states.data(), elements.data()}; }
};

const char *const kNames[] = {"a", "alpha", "12", "7", "65535", "", "x\xe9", "00012", "123456"};

struct World {
    SettingsRecords rec;
    Guarded fax;
    Array arrays[5];  // kinds 2, 3, 4, 5, 7
    DmaContext ctx{};
    bool Intact() const {
        if (!rec.Intact() || !fax.Intact()) return false;
        for (const Array &a : arrays)
            if (!a.elements.Intact() || !a.states.Intact()) return false;
        return true;
    }
};

constexpr int32_t kKinds[5] = {2, 3, 4, 5, 7};
constexpr uint32_t kSizes[5] = {DMA_KIND2_SIZE, DMA_KIND3_SIZE, DMA_KIND4_SIZE, DMA_FAX_ENTRY_SIZE,
                                DMA_KIND7_SIZE};
int IndexOfKind(int32_t kind) {
    for (int i = 0; i < 5; ++i)
        if (kKinds[i] == kind) return i;
    return -1;
}

void WriteWide(uint8_t *p, const char *text, size_t maxUnits) {
    size_t i = 0;
    for (; text[i] && i + 1 < maxUnits; ++i) dma::Store16(p + 2 * i, static_cast<uint8_t>(text[i]));
    dma::Store16(p + 2 * i, 0);
}

void Build(FuzzedDataProvider &in, World &w) {
    const uint16_t entries = in.ConsumeIntegralInRange<uint16_t>(0, 3);
    w.fax.Reset(DMA_FAX_HEADER_SIZE + size_t{DMA_FAX_ENTRY_SIZE} * entries);
    WriteWide(w.fax.data(), in.ConsumeIntegralInRange<int>(0, 7) ? "ZOVA002" : "ZOVA001", 8);
    dma::Store16(w.fax.data() + 16, entries);
    w.rec.Patch(in, in.ConsumeIntegralInRange<int>(0, 6));
    dma::ItemLocation orientation{};  // item 7, dmOrientation: steers the kind 4 rectangle
    if (dma::LookupItem(7, w.rec.devMode.data(), nullptr, &orientation) == DMA_RS_OK)
        dma::Store16(orientation.address, in.ConsumeIntegralInRange<uint16_t>(0, 3));
    for (int k = 0; k < 5; ++k) {
        Array &a = w.arrays[k];
        a.size = kSizes[k];
        a.count = in.ConsumeIntegralInRange<uint32_t>(0, 4);
        a.stride = a.size + (in.ConsumeIntegralInRange<int>(0, 3) == 0 ? in.ConsumeIntegralInRange<uint32_t>(1, 9) : 0);
        a.elements.Reset(size_t{a.count} * a.stride);
        a.states.Reset(a.count);
        for (uint32_t i = 0; i < a.count; ++i) {
            uint8_t *e = a.elements.data() + size_t{i} * a.stride;
            const int st = in.ConsumeIntegralInRange<int>(0, 4);
            a.states.data()[i] = st < 3 ? uint8_t(st) : in.ConsumeIntegral<uint8_t>();
            // Name from the pool most of the time, else random key bytes.
            const char *name = kNames[in.ConsumeIntegralInRange<size_t>(0, std::size(kNames) - 1)];
            if (kKinds[k] == 4)
                dma::Store16(e, in.ConsumeBool() ? in.ConsumeIntegral<uint16_t>()
                                                 : static_cast<uint16_t>(std::atoi(name)));
            else if (kKinds[k] != 5)
                WriteWide(e, name, 41);
            if (in.ConsumeIntegralInRange<int>(0, 3) == 0)
                a.elements.FillFrom(in, size_t{i} * a.stride + in.ConsumeIntegralInRange<size_t>(0, a.size - 1),
                                    in.ConsumeIntegralInRange<size_t>(1, 80));
        }
    }
    w.ctx.devMode = in.ConsumeIntegralInRange<int>(0, 15) ? w.rec.devMode.data() : nullptr;
    w.ctx.secondary = in.ConsumeIntegralInRange<int>(0, 15) ? w.rec.secondary.data() : nullptr;
    w.ctx.faxAddressBlock = in.ConsumeIntegralInRange<int>(0, 15) ? w.fax.data() : nullptr;
    w.ctx.kind2Records = w.arrays[0].Descriptor();
    w.ctx.kind3Records = w.arrays[1].Descriptor();
    w.ctx.kind4Records = w.arrays[2].Descriptor();
    w.ctx.faxEntries = w.arrays[3].Descriptor();
    w.ctx.kind7Records = w.arrays[4].Descriptor();
}

// Snapshots of everything the caller owns.
struct Before {
    explicit Before(World &w) : dm(w.rec.devMode), sec(w.rec.secondary), fax(w.fax) {
        for (Array &a : w.arrays) {
            elements.emplace_back(a.elements);
            states.emplace_back(a.states);
        }
    }
    bool ArraysUnchanged() const {
        for (size_t i = 0; i < elements.size(); ++i)
            if (!elements[i].Unchanged() || !states[i].Unchanged()) return false;
        return true;
    }
    bool Unchanged() const { return dm.Unchanged() && sec.Unchanged() && fax.Unchanged() && ArraysUnchanged(); }
    Snapshot dm, sec, fax;
    std::vector<Snapshot> elements, states;
};

int32_t PickKind(FuzzedDataProvider &in) {
    return in.ConsumeIntegralInRange<int>(0, 7) == 0 ? in.ConsumeIntegralInRange<int32_t>(-2, 9)
                                                      : kKinds[in.ConsumeIntegralInRange<int>(0, 4)];
}

// A name argument: from the pool, random bytes, or null now and then.
struct NameArg {
    std::string text;
    bool null = false;
    const char *get() const { return null ? nullptr : text.c_str(); }
};
NameArg PickName(FuzzedDataProvider &in) {
    NameArg n;
    switch (in.ConsumeIntegralInRange<int>(0, 9)) {
    case 0: n.text = in.ConsumeRandomLengthString(12); break;
    case 1: n.null = true; break;
    default: n.text = kNames[in.ConsumeIntegralInRange<size_t>(0, std::size(kNames) - 1)]; break;
    }
    return n;
}

intptr_t Arg(FuzzedDataProvider &in, int32_t kind, const NameArg &name) {
    if (kind == 5) return in.ConsumeBool() ? in.ConsumeIntegralInRange<intptr_t>(0, 6) : in.ConsumeIntegral<intptr_t>();
    return reinterpret_cast<intptr_t>(name.get());
}

void Load(FuzzedDataProvider &in, World &w) {
    const int32_t kind = PickKind(in);
    const NameArg name = PickName(in);
    if (name.null && kind != 5) return;  // the caller's error, no documented outcome
    const intptr_t arg = Arg(in, kind, name);
    const Before before(w);
    const DMA_RESULT r = DMA_AccessibleData(&w.ctx, kind, arg);
    FUZZ_CHECK(OneOf(r, {1, -10, -19, -20, -21, -22}));
    FUZZ_CHECK(w.Intact() && before.ArraysUnchanged() && before.fax.Unchanged());
    if (r != 1 && r != -10) FUZZ_CHECK(before.Unchanged());
}

void Delete(FuzzedDataProvider &in, World &w) {
    const int32_t kind = PickKind(in);
    const NameArg name = PickName(in);
    if (name.null) return;
    const Before before(w);
    const DMA_RESULT r = DMA_DeleteData(&w.ctx, kind, name.get());
    FUZZ_CHECK(OneOf(r, {1, -10, -19, -21, -22}));
    FUZZ_CHECK(w.Intact());
    FUZZ_CHECK(before.dm.Unchanged() && before.sec.Unchanged() && before.fax.Unchanged());
    for (size_t i = 0; i < 5; ++i) FUZZ_CHECK(before.elements[i].Unchanged());
    int changed = 0;
    for (size_t k = 0; k < 5; ++k) {
        for (uint32_t i = 0; i < w.arrays[k].count; ++i) {
            if (w.arrays[k].states.data()[i] == before.states[k].before()[i]) continue;
            FUZZ_CHECK(r == 1 && w.arrays[k].states.data()[i] == DMA_STATE_DELETED && kKinds[k] == kind);
            ++changed;
        }
    }
    FUZZ_CHECK(changed <= 1);
}

void Store(FuzzedDataProvider &in, World &w) {
    const int32_t kind = PickKind(in);
    const int32_t mode = in.ConsumeIntegralInRange<int>(0, 7) == 0 ? in.ConsumeIntegral<int32_t>()
                                                                    : in.ConsumeIntegralInRange<int32_t>(0, 1);
    const NameArg name = PickName(in);
    if (name.null && kind != 5) return;
    const int k = IndexOfKind(kind);
    if (mode == 1 && k >= 0 && w.arrays[k].count == 0) return;  // no last element: the caller's error
    if (kind == 5 && w.ctx.faxAddressBlock == nullptr) return;  // likewise
    const intptr_t arg = Arg(in, kind, name);
    const Before before(w);
    const DMA_RESULT r = DMA_ApplyData(&w.ctx, kind, mode, arg);
    FUZZ_CHECK(OneOf(r, {1, -10, -19, -20, -21, -22, -23}));
    FUZZ_CHECK(w.Intact() && before.dm.Unchanged() && before.sec.Unchanged());
    if (r != 1 && r != -10) {
        FUZZ_CHECK(before.Unchanged());
        return;
    }
    FUZZ_CHECK(k >= 0 && (mode == 0 || mode == 1));
    // One element and its state at most.
    for (int j = 0; j < 5; ++j) {
        if (j == k) continue;
        FUZZ_CHECK(before.elements[j].Unchanged() && before.states[j].Unchanged());
    }
    const Array &a = w.arrays[k];
    int changedElements = 0;
    for (uint32_t i = 0; i < a.count; ++i) {
        const size_t at = size_t{i} * a.stride;
        const bool elementChanged = std::memcmp(a.elements.data() + at, before.elements[k].before() + at, a.stride) != 0;
        const bool stateChanged = a.states.data()[i] != before.states[k].before()[i];
        if (!elementChanged && !stateChanged) continue;
        ++changedElements;
        FUZZ_CHECK(before.elements[k].ChangesWithin(std::vector<Span>{{at, at + a.size}}));
        if (stateChanged) FUZZ_CHECK(a.states.data()[i] == DMA_STATE_IN_USE);
        if (mode == 1) FUZZ_CHECK(i == a.count - 1);
    }
    FUZZ_CHECK(changedElements <= 1);
    if (r == 1 && mode == 1) FUZZ_CHECK(a.states.data()[a.count - 1] == DMA_STATE_IN_USE);
    if (kind == 5) FUZZ_CHECK(before.fax.ChangesWithin({{0, 16}}));
    else FUZZ_CHECK(before.fax.Unchanged());
}

void Name(FuzzedDataProvider &in, World &w) {
    int32_t kind = PickKind(in);
    const int k = IndexOfKind(kind);
    Guarded own(1000);
    const uint8_t *record;
    if (k >= 0 && w.arrays[k].count > 0 && in.ConsumeBool()) {
        record = w.arrays[k].elements.data() + size_t{in.ConsumeIntegralInRange<uint32_t>(0, w.arrays[k].count - 1)} * w.arrays[k].stride;
    } else {
        own.Reset(k >= 0 ? kSizes[k] : 1000);
        own.FillFrom(in, 0, own.size());
        record = in.ConsumeIntegralInRange<int>(0, 15) ? own.data() : nullptr;
    }
    const uint32_t given = in.ConsumeIntegralInRange<uint32_t>(0, 12);
    const bool nullBuffer = in.ConsumeIntegralInRange<int>(0, 3) == 0;
    const bool nullSize = in.ConsumeIntegralInRange<int>(0, 15) == 0;
    Guarded buffer(given, 0xCC), size(4);
    dma::Store32(size.data(), given);
    const Before before(w);
    const Snapshot ownBefore(own), bufBefore(buffer);
    const DMA_RESULT r = DMA_GetNameFromInfo(record, kind, nullSize ? nullptr : reinterpret_cast<uint32_t *>(size.data()),
                                             nullBuffer ? nullptr : reinterpret_cast<char *>(buffer.data()));
    FUZZ_CHECK(OneOf(r, {1, -5, -10, -19}));
    FUZZ_CHECK(w.Intact() && own.Intact() && buffer.Intact() && size.Intact());
    FUZZ_CHECK(before.Unchanged() && ownBefore.Unchanged());
    if (r != 1) FUZZ_CHECK(bufBefore.Unchanged());
    if (r != -5) FUZZ_CHECK(dma::Load32(size.data()) == given);
    if (r == 1) FUZZ_CHECK(std::strlen(reinterpret_cast<char *>(buffer.data())) < given);
    if (r == -5) FUZZ_CHECK(nullBuffer || dma::Load32(size.data()) > given);
}

void FaxCount(FuzzedDataProvider &in, World &w) {
    const Before before(w);
    if (in.ConsumeBool()) {
        Guarded result(2, 0xCC);
        const bool nullBlock = in.ConsumeIntegralInRange<int>(0, 7) == 0;
        const DMA_RESULT r = DMA_GetFaxAddressNum(nullBlock ? nullptr : w.fax.data(),
                                                  reinterpret_cast<uint16_t *>(result.data()));
        FUZZ_CHECK(OneOf(r, {1, -10}) && result.Intact() && before.Unchanged());
        if (r == 1) FUZZ_CHECK(dma::Load16(result.data()) == dma::Load16(w.fax.data() + 16));
        else FUZZ_CHECK(dma::Load16(result.data()) == 0xCCCC);
        return;
    }
    if (w.ctx.faxAddressBlock == nullptr) return;  // the caller's error
    const int32_t value = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-5, 70000) : in.ConsumeIntegral<int32_t>();
    const int32_t relative = in.ConsumeIntegralInRange<int32_t>(0, 2);
    const DMA_RESULT r = DMA_SetFaxAddressNum(&w.ctx, value, relative);
    FUZZ_CHECK(OneOf(r, {1, -10}) && w.Intact() && before.ArraysUnchanged() && before.sec.Unchanged());
    if (r == 1) {
        FUZZ_CHECK(before.fax.ChangesWithin({{16, 18}}));
        dma::ItemLocation loc{};
        FUZZ_CHECK(dma::LookupItem(380, w.ctx.devMode, w.ctx.secondary, &loc) == DMA_RS_OK);
        const size_t at = static_cast<size_t>(loc.address - w.rec.devMode.data());
        FUZZ_CHECK(before.dm.ChangesWithin({{at, at + 2}}));
        FUZZ_CHECK(dma::Load16(loc.address) == dma::Load16(w.fax.data() + 16));
    } else {
        FUZZ_CHECK(before.fax.Unchanged() && before.dm.Unchanged());
    }
}

void UserSettings(FuzzedDataProvider &in, World &w) {
    const Before before(w);
    if (in.ConsumeBool()) {
        const uint32_t given = in.ConsumeBool() ? DMA_USER_SETTING_INFO_SIZE : in.ConsumeIntegralInRange<uint32_t>(0, 2200);
        const bool nullInfo = in.ConsumeIntegralInRange<int>(0, 3) == 0;
        Guarded info(given, 0xCC), size(4);
        dma::Store32(size.data(), given);
        const Snapshot infoBefore(info);
        const DMA_RESULT r = DMA_GetUserSettingInfo(&w.ctx, nullInfo ? nullptr : info.data(),
                                                    reinterpret_cast<uint32_t *>(size.data()));
        FUZZ_CHECK(OneOf(r, {1, -5, -10}) && w.Intact() && info.Intact() && size.Intact() && before.Unchanged());
        if (r == -5 && nullInfo) FUZZ_CHECK(dma::Load32(size.data()) == DMA_USER_SETTING_INFO_SIZE && given == 0);
        else FUZZ_CHECK(dma::Load32(size.data()) == given);
        if (r == -5 || (r == -10 && nullInfo)) FUZZ_CHECK(infoBefore.Unchanged());
        if (r == 1) FUZZ_CHECK(given >= DMA_USER_SETTING_INFO_SIZE && infoBefore.ChangesWithin({{0, DMA_USER_SETTING_INFO_SIZE}}));
        return;
    }
    Guarded info(DMA_USER_SETTING_INFO_SIZE);
    info.FillFrom(in, 0, info.size());
    const uint16_t version = in.ConsumeIntegralInRange<int>(0, 7) == 0 ? in.ConsumeIntegral<uint16_t>()
                                                                        : in.ConsumeIntegralInRange<uint16_t>(1, 4);
    dma::Store16(info.data(), version);
    const Snapshot infoBefore(info);
    const DMA_RESULT r = DMA_SetUserSettingInfo(&w.ctx, info.data());
    FUZZ_CHECK(OneOf(r, {1, -10}) && w.Intact() && info.Intact() && infoBefore.Unchanged());
    FUZZ_CHECK(before.dm.Unchanged() && before.fax.Unchanged() && before.ArraysUnchanged());
    if (version < 1 || version > 4) FUZZ_CHECK(r == -10 && before.sec.Unchanged());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    World w;
    Build(in, w);
    int calls = in.ConsumeIntegralInRange<int>(1, 10);
    while (calls-- > 0 && in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange<int>(0, 7)) {
        case 0: Load(in, w); break;
        case 1: Delete(in, w); break;
        case 2: case 3: Store(in, w); break;
        case 4: Name(in, w); break;
        case 5: FaxCount(in, w); break;
        case 6: UserSettings(in, w); break;
        default: {
            const int32_t kind = in.ConsumeIntegral<int32_t>();
            const DMA_RESULT s = DMA_QueryStructSize(kind);
            const int k = IndexOfKind(kind);
            FUZZ_CHECK(s == (k >= 0 ? DMA_RESULT(kSizes[k]) : kind == 6 ? DMA_FAX_HEADER_SIZE : 0));
            break;
        }
        }
        FUZZ_CHECK(NoLiveBlocks());
    }
    return 0;
}
