// concurrency_test.cpp - calls on different records may run on any threads
// at once.  Every thread runs the same workload over every export on its own
// records (its own values, texts and names, derived from the thread's
// number); the log of every result and every output it produces must equal
// the log of the same workload run alone.  Under ThreadSanitizer (make tsan)
// the run also proves that no two calls share mutable state.  Threads that
// share one document-property file must meet Windows' file sharing: a reader
// sees one writer's file whole, two writers leave one writer's file.
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/catalogue.h"
#include "docprop_files.h"
#include "support/test_support.h"

using namespace dmatest;

namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 3;

// Everything a workload saw, in order.
struct Log {
    std::vector<int64_t> values;
    void Add(int64_t v) { values.push_back(v); }
    void AddBytes(const void *p, size_t n) {
        // FNV-1a over the bytes: one entry per buffer keeps the log small.
        uint64_t h = 1469598103934665603ull;
        const uint8_t *b = static_cast<const uint8_t *>(p);
        for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
        values.push_back(static_cast<int64_t>(h));
    }
};

struct Catalogued {
    std::vector<uint16_t> items;    // every item of the catalogue
    std::vector<uint32_t> strings;  // DMA IDs of string settings
    std::vector<uint32_t> fonts;    // DMA IDs of font settings
};
const Catalogued &Catalogue() {
    static const Catalogued c = [] {
        Catalogued c;
        for (const dma::ItemRange &r : dma::RangeDirectory())
            for (uint16_t i = 0; i < r.rowCount; ++i) c.items.push_back(r.items[i].itemId);
        for (uint16_t id : dma::KnownDmaIdsAscending()) {
            uint16_t area = 0;
            const uint16_t item = dma::DmaIdToItemId(id);
            const dma::ItemDescriptor *row = item ? dma::FindItemRow(item, &area) : nullptr;
            if (row && row->valueType == DMA_VT_STRING) c.strings.push_back(id);
            if (row && row->valueType == DMA_VT_LOGFONT) c.fonts.push_back(id);
        }
        return c;
    }();
    return c;
}

// Raw engine: write every scalar item under its own type, read every item.
void RawEngine(Records &r, int seed, Log &log) {
    for (uint16_t item : Catalogue().items) {
        dma::ItemLocation loc{};
        if (dma::LookupItem(item, r.ctx.devMode, r.ctx.secondary, &loc) != DMA_RS_OK) continue;
        if (loc.valueType != DMA_VT_STRING && loc.valueType != DMA_VT_LOGFONT) {
            const uint32_t v = static_cast<uint32_t>(seed * 7919 + item);
            log.Add(dma_SetValue(item, r.ctx.devMode, r.ctx.secondary, loc.valueType, loc.width, &v));
        }
        uint16_t type = 0, area = 0;
        int32_t length = 0;
        uint8_t buffer[8] = {};
        log.Add(dma_GetValue(item, r.ctx.devMode, r.ctx.secondary, &type, &length, buffer, &area));
        log.Add(type);
        log.Add(length);
        log.AddBytes(buffer, sizeof buffer);
    }
}

// Strings of every kind: the two pairs, protected and fax header strings.
void Strings(Records &r, int seed, Log &log) {
    for (uint32_t id : Catalogue().strings) {
        char text[32];
        std::snprintf(text, sizeof text, "t%d-%u", seed, id);
        log.Add(DMA_SetStringData_StrLength(&r.ctx, id, text));
        char buffer[700] = {};
        uint32_t length = sizeof buffer;
        log.Add(DMA_GetStringData_StrLength(&r.ctx, id, buffer, &length));
        log.AddBytes(buffer, sizeof buffer);
        log.Add(DMA_SetStringData(&r.ctx, id, text + 1, 4));
        length = 0;
        log.Add(DMA_GetStringData(&r.ctx, id, nullptr, &length));
        log.Add(length);
        length = sizeof buffer;
        log.Add(DMA_GetStringData(&r.ctx, id, buffer, &length));
        log.AddBytes(buffer, sizeof buffer);
    }
    for (uint32_t id = DMA_ID_PROTECTED_FIRST; id <= DMA_ID_PROTECTED_LAST; ++id) {
        char secret[32];
        const int n = std::snprintf(secret, sizeof secret, "s%d", seed * 31 + int(id));
        log.Add(DMA_SetStringData(&r.ctx, id, secret, static_cast<uint32_t>(n)));
    }
    for (uint32_t id : {DMA_ID_FAX_HEADER1, DMA_ID_FAX_HEADER2}) {
        char text[48];
        std::snprintf(text, sizeof text, "header %d %u", seed, id);
        log.Add(DMA_SetStringData(&r.ctx, id, text, 0));
        char buffer[700] = {};
        uint32_t length = sizeof buffer;
        log.Add(DMA_GetStringData(&r.ctx, id, buffer, &length));
        log.AddBytes(buffer, sizeof buffer);
    }
}

void Fonts(Records &r, int seed, Log &log) {
    for (uint32_t id : Catalogue().fonts) {
        LOGFONTA font{};
        font.lfHeight = -seed * 3;
        font.lfWeight = 100 * seed;
        std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "Face %d", seed);
        log.Add(DMA_SetLogFontData(&r.ctx, id, &font, sizeof font));
        LOGFONTA back{};
        uint32_t length = sizeof back;
        log.Add(DMA_GetLogFontData(&r.ctx, id, &back, &length));
        log.AddBytes(&back, sizeof back);
    }
}

// Integer access by DMA ID, the support query and the fax count.
void Integers(Records &r, int seed, Log &log) {
    for (uint16_t id : dma::KnownDmaIdsAscending()) {
        int32_t value = -1;
        log.Add(DMA_SetValue(&r.ctx, id, seed + id % 3));
        log.Add(DMA_GetValue(&r.ctx, id, &value));
        log.Add(value);
    }
    log.Add(DMA_QuerySWSupportInfo(&r.ctx, 1));
    log.Add(DMA_SetFaxAddressNum(&r.ctx, 2, 0));
    uint16_t count = 0;
    log.Add(DMA_GetFaxAddressNum(r.ctx.faxAddressBlock, &count));
    log.Add(count);
    for (int32_t kind = 0; kind < 9; ++kind) log.Add(DMA_QueryStructSize(kind));
}

// Attribute query (a list and the size query of the full scan) and the
// enumeration of every target type.
void Descriptions(Records &r, Log &log) {
    const uint16_t ids[] = {0x7, 0x1, 0x130, DMA_ID_FAX_HEADER1, DMA_ID_FAX_HEADER2, 0x9001};
    uint16_t count = static_cast<uint16_t>(std::size(ids));
    AttributeRecord records[std::size(ids)] = {};
    log.Add(DMA_QueryAttributes(&r.ctx, &count, ids, records));
    log.AddBytes(records, sizeof records);
    count = 0;
    log.Add(DMA_QueryAttributes(&r.ctx, &count, nullptr, nullptr));
    log.Add(count);
    std::vector<DmaIdEntry> entries(2000);
    for (int32_t target = 0; target <= 8; ++target) {
        uint16_t n = static_cast<uint16_t>(entries.size());
        log.Add(DMA_EnumDMAID_ByTargetInfo(&r.ctx, target, &n, entries.data()));
        log.Add(n);
        log.AddBytes(entries.data(), entries.size() * sizeof(DmaIdEntry));
    }
}

// Record arrays of every kind: store, load, delete, name; and the user
// settings read and write.
void RecordsAndUserSettings(Records &r, int seed, Log &log) {
    struct Kind {
        int32_t kind;
        RecordArray DmaContext::*array;
        uint32_t size;
    };
    const Kind kinds[] = {{2, &DmaContext::kind2Records, DMA_KIND2_SIZE},
                          {3, &DmaContext::kind3Records, DMA_KIND3_SIZE},
                          {4, &DmaContext::kind4Records, DMA_KIND4_SIZE},
                          {5, &DmaContext::faxEntries, DMA_FAX_ENTRY_SIZE},
                          {7, &DmaContext::kind7Records, DMA_KIND7_SIZE}};
    char name[16];
    std::snprintf(name, sizeof name, "%d", 100 + seed);  // a valid kind 4 key too
    const intptr_t byName = reinterpret_cast<intptr_t>(name);
    for (const Kind &k : kinds) {
        std::vector<uint8_t> elements(3 * k.size), states(3);
        r.ctx.*(k.array) = RecordArray{3, k.size, states.data(), elements.data()};
        log.Add(DMA_ApplyData(&r.ctx, k.kind, 1, k.kind == 5 ? 3 : byName));
        log.Add(DMA_AccessibleData(&r.ctx, k.kind, k.kind == 5 ? 3 : byName));
        log.Add(DMA_ApplyData(&r.ctx, k.kind, 0, k.kind == 5 ? 3 : byName));
        char buffer[64] = {};
        uint32_t size = sizeof buffer;
        log.Add(DMA_GetNameFromInfo(elements.data() + 2 * k.size, k.kind, &size, buffer));
        log.AddBytes(buffer, sizeof buffer);
        log.Add(DMA_DeleteData(&r.ctx, k.kind, name));
        log.AddBytes(elements.data(), elements.size());
        log.AddBytes(states.data(), states.size());
        r.ctx.*(k.array) = RecordArray{};
    }
    std::vector<uint8_t> info(DMA_USER_SETTING_INFO_SIZE);
    uint32_t size = DMA_USER_SETTING_INFO_SIZE;
    std::snprintf(r.ctx.ansiName, sizeof r.ctx.ansiName, "user %d", seed);
    log.Add(DMA_GetUserSettingInfo(&r.ctx, info.data(), &size));
    log.AddBytes(info.data(), info.size());
    log.Add(DMA_SetUserSettingInfo(&r.ctx, info.data()));
}

// Where each workload writes its document-property files: one folder for the
// test, one pair of files per thread (a thread's rounds reuse its pair).
std::filesystem::path FileFolder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::path f = std::filesystem::temp_directory_path() /
                                  ("dmaccess_concurrency_" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(f);
        return f;
    }();
    return folder;
}

// Document-property files: the full file and the fax-only file written from
// the thread's own sections, then read back through the size query and the
// filling call.
void DocProps(Records &r, int seed, Log &log) {
    using namespace dpfile;
    const std::string stem = "t" + std::to_string(seed);
    WriteU16(r.devMode.data() + 930, (FileFolder() / (stem + ".dp")).u16string());   // item 374
    WriteU16(r.devMode.data() + 1188, (FileFolder() / (stem + ".fax")).u16string()); // item 375
    Bytes ndev = Ndev(Payload(16 + seed, static_cast<uint8_t>(seed))), tmb = Tmb(Payload(seed, 2)),
          sp = Sp(Payload(3, static_cast<uint8_t>(seed))), fax = Fax(static_cast<uint16_t>(seed % 3));
    DocPropBuffers out{ndev.data(), uint32_t(ndev.size()), tmb.data(), uint32_t(tmb.size()),
                       fax.data(),  uint32_t(fax.size()),  sp.data(),  uint32_t(sp.size())};
    log.Add(DMA_ExtractDocPropEx(&r.ctx, &out));
    log.Add(DMA_ExtractOneTimeEx(&r.ctx, &out));
    log.Add(DMA_ExtractDocProp(&r.ctx, &out));
    log.Add(DMA_ExtractOneTime(&r.ctx, &out));

    Bytes a(1), b(1), c(1);
    DocPropBuffers in{a.data(), 0, b.data(), 0, nullptr, 0, c.data(), 0};
    log.Add(DMA_ReplaceDocProp(&r.ctx, &in));
    log.Add(in.ndevSize);
    log.Add(in.tmbInfoSize);
    log.Add(in.faxBlockSize);
    log.Add(in.spInfoSize);
    Bytes n2(in.ndevSize), t2(in.tmbInfoSize), f2(in.faxBlockSize), s2(in.spInfoSize);
    DocPropBuffers fill{n2.data(), uint32_t(n2.size()), t2.data(), uint32_t(t2.size()),
                        f2.empty() ? nullptr : f2.data(), uint32_t(f2.size()), s2.data(), uint32_t(s2.size())};
    const DMA_RESULT filled = DMA_ReplaceDocProp(&r.ctx, &fill);
    EXPECT_EQ(filled, DMA_OK);
    EXPECT_TRUE(n2 == ndev && t2 == tmb && s2 == sp && f2 == fax) << "thread " << seed;
    log.Add(filled);
    log.AddBytes(n2.data(), n2.size());
    log.AddBytes(f2.data(), f2.size());
}

// One thread's whole workload on fresh records of its own.
Log Workload(int seed) {
    Records r(2);
    Log log;
    RawEngine(r, seed, log);
    Strings(r, seed, log);
    Fonts(r, seed, log);
    Integers(r, seed, log);
    Descriptions(r, log);
    RecordsAndUserSettings(r, seed, log);
    DocProps(r, seed, log);
    log.AddBytes(r.devMode.data(), r.devMode.size());
    log.AddBytes(r.secondary.data(), r.secondary.size());
    log.AddBytes(r.fax.data(), r.fax.size());
    log.Add(r.CanariesIntact());
    return log;
}

}  // namespace

TEST(Concurrency, EveryThreadSeesWhatItWouldSeeAlone) {
    std::vector<Log> expected;
    for (int t = 0; t < kThreads; ++t) expected.push_back(Workload(t + 1));
    // The workloads differ, so a thread reading another's records would show.
    EXPECT_NE(expected[0].values, expected[1].values);

    std::atomic<int> mismatches{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            for (int round = 0; round < kRounds; ++round)
                if (Workload(t + 1).values != expected[t].values) ++mismatches;
        });
    }
    go = true;
    for (std::thread &th : threads) th.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_NO_LEAK();
    std::error_code ignored;
    std::filesystem::remove_all(FileFolder(), ignored);
}

namespace {

// A writer of the shared file: sections of the same sizes for every writer,
// its own bytes in them.
struct SharedFileWriter {
    explicit SharedFileWriter(uint8_t seed)
        : ndev(dpfile::Ndev(dpfile::Payload(40, seed))), tmb(dpfile::Tmb(dpfile::Payload(24, seed + 1))),
          sp(dpfile::Sp(dpfile::Payload(12, seed + 2))), fax(dpfile::Fax(2, false, seed)) {}
    DocPropBuffers Buffers() {
        return {ndev.data(), uint32_t(ndev.size()), tmb.data(), uint32_t(tmb.size()),
                fax.data(),  uint32_t(fax.size()),  sp.data(),  uint32_t(sp.size())};
    }
    dpfile::Bytes File() const { return dpfile::Cat({ndev, tmb, sp, fax}); }
    dpfile::Bytes ndev, tmb, sp, fax;
};

std::filesystem::path SharedFile() {
    std::filesystem::create_directories(FileFolder());
    return FileFolder() / "shared.dp";
}

// Records whose document-property path names the shared file.
struct SharedRecords : Records {
    SharedRecords() { WriteU16(devMode.data() + dpfile::kDocPropPathAt, SharedFile().u16string()); }
};

}  // namespace

// Two writers replace the file over and over while two readers read it.  A
// read either is refused at the open (-13, the file is being written) or
// returns exactly one writer's four sections; a writer either writes the file
// or is refused at the open.
TEST(Concurrency, ReadersOfAFileBeingReplacedSeeOneWriterWhole) {
    SharedFileWriter writers[2] = {SharedFileWriter(0x11), SharedFileWriter(0x77)};
    {
        SharedRecords r;
        DocPropBuffers first = writers[0].Buffers();
        ASSERT_EQ(DMA_ExtractDocPropEx(&r.ctx, &first), DMA_OK);
    }
    std::atomic<int> writing{2}, reads{0}, wrongReads{0}, wrongWrites{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&, t] {
            SharedRecords r;
            DocPropBuffers out = writers[t].Buffers();
            // 150 rounds, and on until the readers got in twice: on a loaded
            // machine the writers may finish before a reader ever runs.
            for (int i = 0; i < 150 || (reads.load() < 2 && i < 100000); ++i) {
                const DMA_RESULT result = DMA_ExtractDocPropEx(&r.ctx, &out);
                if (result != DMA_OK && result != DMA_E_FILE_OPEN) ++wrongWrites;
            }
            --writing;
        });
        threads.emplace_back([&] {
            SharedRecords r;
            const SharedFileWriter &w = writers[0];
            do {
                dpfile::Bytes n(w.ndev.size(), 0xEE), tm(w.tmb.size(), 0xEE), f(w.fax.size(), 0xEE),
                    sp(w.sp.size(), 0xEE);
                DocPropBuffers in{n.data(), uint32_t(n.size()), tm.data(), uint32_t(tm.size()),
                                  f.data(), uint32_t(f.size()), sp.data(), uint32_t(sp.size())};
                const DMA_RESULT result = DMA_ReplaceDocProp(&r.ctx, &in);
                if (result == DMA_E_FILE_OPEN) continue;
                ++reads;
                bool whole = false;
                for (const SharedFileWriter &o : writers)
                    whole = whole || (n == o.ndev && tm == o.tmb && sp == o.sp && f == o.fax);
                if (result != DMA_OK || !whole) ++wrongReads;
            } while (writing.load() > 0);
        });
    }
    for (std::thread &th : threads) th.join();
    EXPECT_GE(reads.load(), 2);
    EXPECT_EQ(wrongReads.load(), 0) << "of " << reads.load() << " reads";
    EXPECT_EQ(wrongWrites.load(), 0);
    EXPECT_NO_LEAK();
    std::error_code ignored;
    std::filesystem::remove_all(FileFolder(), ignored);
}

// Two writers start at once on the same file, round after round: one of them
// writes it (the other may be refused at the open), and afterwards the file
// is exactly one writer's output, never a mixture or a longer leftover.
TEST(Concurrency, TwoWritersAtOnceLeaveOneWritersFile) {
    SharedFileWriter writers[2] = {SharedFileWriter(0x21), SharedFileWriter(0x5A)};
    writers[1].tmb = dpfile::Tmb(dpfile::Payload(200, 0x5B));  // a longer file: leftovers would show
    int mixed = 0;
    for (int round = 0; round < 300; ++round) {
        std::atomic<bool> go{false};
        DMA_RESULT results[2] = {};
        std::vector<std::thread> threads;
        for (int t = 0; t < 2; ++t)
            threads.emplace_back([&, t] {
                SharedRecords r;
                DocPropBuffers out = writers[t].Buffers();
                while (!go.load()) std::this_thread::yield();
                results[t] = DMA_ExtractDocPropEx(&r.ctx, &out);
            });
        go = true;
        for (std::thread &th : threads) th.join();
        EXPECT_TRUE(results[0] == DMA_OK || results[1] == DMA_OK) << "round " << round;
        for (DMA_RESULT result : results) EXPECT_TRUE(result == DMA_OK || result == DMA_E_FILE_OPEN) << result;
        const dpfile::Bytes file = dpfile::ReadFileBytes(SharedFile());
        if (file != writers[0].File() && file != writers[1].File()) ++mixed;
    }
    EXPECT_EQ(mixed, 0) << "rounds whose file is neither writer's";
    EXPECT_NO_LEAK();
    std::error_code ignored;
    std::filesystem::remove_all(FileFolder(), ignored);
}
