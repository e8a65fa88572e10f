// fault_injection_test.cpp - every allocation and every file call of the
// exports fails in turn.  For each operation a clean run counts how many
// GlobalAlloc calls it makes; then the operation runs once more per
// allocation with exactly that one failing (1st, 2nd, ...), on fresh records
// each time.  Each failing run must return one of the operation's documented
// codes, leave no block alive, keep the guard bytes intact, and leave the
// caller's records unchanged where the operation promises it.  The same walk
// is made over the file calls (create, write, read, size) of the
// document-property operations.  The number of paths walked is printed.
//
// Posix only: the failure switches belong to the posix platform layer.
#if !defined(_WIN32)

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "records_fixture.h"
#include "text/text.h"

using namespace dma;
using namespace dmatest;

namespace {

long g_allocPaths = 0;
long g_filePaths = 0;

// A folder of this run for the document-property files.
const std::string &TempDir() {
    static const std::string dir = [] {
        char d[] = "/tmp/dmaccess-faults-XXXXXX";
        EXPECT_NE(mkdtemp(d), nullptr);
        return std::string(d);
    }();
    return dir;
}
std::string DocPath() { return TempDir() + "/doc.bin"; }
std::string FaxOnlyPath() { return TempDir() + "/fax.bin"; }
std::string ProbePath() { return TempDir() + "/probe.bin"; }

void PutWide(std::vector<uint8_t> &f, const char *text, size_t units) {
    for (size_t i = 0; i < units; ++i) {
        const uint8_t c = i < std::strlen(text) ? static_cast<uint8_t>(text[i]) : 0;
        f.push_back(c);
        f.push_back(0);
    }
}
void Put32(std::vector<uint8_t> &f, uint32_t v) {
    for (int i = 0; i < 4; ++i) f.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
// A document-property file: sections of 32, 24 and 24 bytes and a fax
// section with one entry, current (1442 + 820) or old (1442 + 768).
std::vector<uint8_t> DocFile(bool oldFax) {
    std::vector<uint8_t> f;
    PutWide(f, "NDEV001", 8);
    Put32(f, 0x5250);
    Put32(f, 8);
    f.insert(f.end(), 8, 0x11);
    PutWide(f, "TMBINFO", 8);
    Put32(f, 4);
    f.insert(f.end(), 4, 0x22);
    PutWide(f, "SPINFO", 8);
    Put32(f, 4);
    f.insert(f.end(), 4, 0x33);
    PutWide(f, oldFax ? "ZOVA001" : "ZOVA002", 8);
    f.push_back(1);
    f.push_back(0);
    f.resize(f.size() + 1442 - 18 + (oldFax ? 768 : 820), 0x44);
    return f;
}
void WriteDocFile(bool oldFax) {
    const std::vector<uint8_t> f = DocFile(oldFax);
    FILE *fh = std::fopen(DocPath().c_str(), "wb");
    ASSERT_NE(fh, nullptr);
    ASSERT_EQ(std::fwrite(f.data(), 1, f.size(), fh), f.size());
    ASSERT_EQ(std::fclose(fh), 0);
}

// Every buffer the caller owns in one call: the settings records, the fax
// block with two entries, three-element arrays of kinds 2, 3, 4 and 7, and
// the fax entry array.  Elements carry distinct names and are in use.
struct World {
    World()
        : r(2), k2(3, DMA_KIND2_SIZE), k3(3, DMA_KIND3_SIZE), k4(3, DMA_KIND4_SIZE),
          k7(3, DMA_KIND7_SIZE), k5(2, DMA_FAX_ENTRY_SIZE), out(16000, 0x5A),
          ndev(32), tmb(24), sp(24), faxSection(1442 + 820),
          docRecord(sizeof(DocPropBuffers)), emptyRecord(sizeof(DocPropBuffers)) {
        // The sections of a valid file, so that extracting them writes a
        // file the reader accepts.
        const std::vector<uint8_t> file = DocFile(false);
        std::memcpy(ndev.data(), file.data(), 32);
        std::memcpy(tmb.data(), file.data() + 32, 24);
        std::memcpy(sp.data(), file.data() + 56, 24);
        std::memcpy(faxSection.data(), file.data() + 80, 1442 + 820);
        DocPropBuffers b{ndev.data(), 32, tmb.data(), 24, faxSection.data(), 1442 + 820, sp.data(), 24};
        std::memcpy(docRecord.data(), &b, sizeof b);
        EXPECT_EQ(DMA_SetStringData_StrLength(&r.ctx, DMA_ID_DOCPROP_PATH, DocPath().c_str()), DMA_OK);
        EXPECT_EQ(DMA_SetStringData_StrLength(&r.ctx, DMA_ID_FAXFILE_PATH, FaxOnlyPath().c_str()), DMA_OK);
        r.ctx.kind2Records = k2.Descriptor();
        r.ctx.kind3Records = k3.Descriptor();
        r.ctx.kind4Records = k4.Descriptor();
        r.ctx.kind7Records = k7.Descriptor();
        r.ctx.faxEntries = k5.Descriptor();
        Store16(ItemAddress(r, 7), 1);  // portrait: the kind 4 rectangle needs it
        const char *names[3] = {"first", "second", "third"};
        for (uint32_t i = 0; i < 3; ++i) {
            FillRecord(Kind2Fields(), k2.At(i), int(i));
            FillRecord(Kind3Fields(), k3.At(i), int(i));
            FillRecord(Kind7Fields(), k7.At(i), int(i));
            WriteU16(k2.At(i), U16(names[i]));
            WriteU16(k3.At(i), U16(names[i]));
            WriteU16(k7.At(i), U16(names[i]));
            Store16(k4.At(i), static_cast<uint16_t>(10 + i));
            k2.State(i) = k3.State(i) = k4.State(i) = k7.State(i) = DMA_STATE_IN_USE;
        }
        for (uint32_t i = 0; i < 2; ++i) {
            FillRecord(Kind5Fields(), k5.At(i), int(i));
            k5.State(i) = DMA_STATE_IN_USE;
        }
        WriteU16(r.fax.data() + 18, U16("first header"));
        WriteU16(r.fax.data() + 100, U16("second header"));
        std::strcpy(r.ctx.ansiName, "User Name");
        Store32(out.data() + 2100, 64);  // the size of a name buffer (OutSize)
    }
    // Every byte the caller owns, guard bytes aside.
    // (`comparable`: without the DocPropBuffers record, whose pointers
    // differ from one World to the next.)
    std::vector<uint8_t> Bytes(bool comparable = false) const {
        std::vector<uint8_t> all;
        for (const Guarded *g : Buffers())
            if (!comparable || g != &docRecord) all.insert(all.end(), g->data(), g->data() + g->size());
        return all;
    }
    // The settings records only.
    std::vector<uint8_t> Settings() const {
        std::vector<uint8_t> all(r.devMode.data(), r.devMode.data() + r.devMode.size());
        all.insert(all.end(), r.secondary.data(), r.secondary.data() + r.secondary.size());
        return all;
    }
    bool Intact() const {
        for (const Guarded *g : Buffers())
            if (!g->CanariesIntact()) return false;
        return true;
    }
    std::vector<const Guarded *> Buffers() const {
        return {&r.devMode, &r.secondary, &r.fax, &k2.elements, &k2.states, &k3.elements,
                &k3.states, &k4.elements, &k4.states, &k7.elements, &k7.states, &k5.elements,
                &k5.states, &out, &ndev, &tmb, &sp, &faxSection, &docRecord, &emptyRecord};
    }
    Records r;
    ArrayFixture k2, k3, k4, k7, k5;
    Guarded out;  // the caller's output buffer, whatever the call fills
    Guarded ndev, tmb, sp, faxSection;  // section buffers of the document-property calls
    Guarded docRecord;                  // the DocPropBuffers record
    DocPropBuffers *Doc() { return reinterpret_cast<DocPropBuffers *>(docRecord.data()); }
    Guarded emptyRecord;  // every pointer null, every size 0: a size query
    DocPropBuffers *EmptyDoc() { return reinterpret_cast<DocPropBuffers *>(emptyRecord.data()); }
};

// What a failing run may change.
enum class Promise {
    Nothing,           // every caller byte as before
    SettingsOnly,      // the settings records as before (outputs may change)
    None,              // no promise beyond the documented code
};

struct Op {
    std::string name;
    std::function<DMA_RESULT(World &)> call;
    std::vector<int> failureCodes;  // what a failed allocation may give
    Promise promise;
    // Codes whose runs are held to Promise::Nothing whatever `promise` says
    // (a failed search, for instance, happens before anything is written).
    std::vector<int> untouchedCodes = {};
    // A failed allocation may also pass for a smaller success (the attribute
    // scan counts a fax header that cannot be converted as unavailable).
    bool mayStillSucceed = false;
};

bool Contains(const std::vector<int> &codes, DMA_RESULT r) {
    for (int c : codes)
        if (r == c) return true;
    return false;
}

// Walks every allocation of `op`; returns the number of failing runs.
long WalkAllocations(const Op &op) {
    SCOPED_TRACE(op.name);
    long baselineCalls;
    DMA_RESULT baseline;
    std::vector<uint8_t> baselineBytes;
    {
        World w;
        const long before = dmaplat_AllocCalls();
        baseline = op.call(w);
        baselineCalls = dmaplat_AllocCalls() - before;
        baselineBytes = w.Bytes(true);
        EXPECT_EQ(dmaplat_LiveBlocks(), 0);
    }
    for (long n = 1; n <= baselineCalls; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(baselineCalls));
        World w;
        const std::vector<uint8_t> before = w.Bytes(), settings = w.Settings();
        const long calls = dmaplat_AllocCalls();
        dmaplat_FailAllocAt(n);
        const DMA_RESULT r = op.call(w);
        dmaplat_FailAllocAt(0);
        EXPECT_GE(dmaplat_AllocCalls() - calls, n) << "the failure was not reached";
        EXPECT_TRUE(Contains(op.failureCodes, r)) << "result " << r;
        if (!op.mayStillSucceed) {
            EXPECT_NE(r, baseline) << "a failed allocation went unreported";
        }
        EXPECT_EQ(dmaplat_LiveBlocks(), 0);
        EXPECT_TRUE(w.Intact());
        if (op.promise == Promise::Nothing || Contains(op.untouchedCodes, r)) {
            EXPECT_TRUE(w.Bytes() == before) << "caller's bytes changed";
        } else if (op.promise == Promise::SettingsOnly) {
            EXPECT_TRUE(w.Settings() == settings) << "settings changed";
        }
    }
    // With no failure the walk ends where it started.
    World w;
    EXPECT_EQ(op.call(w), baseline);
    EXPECT_TRUE(w.Bytes(true) == baselineBytes);
    return baselineCalls;
}

intptr_t Name(const char *n) { return reinterpret_cast<intptr_t>(n); }
char *Out(World &w) { return reinterpret_cast<char *>(w.out.data()); }
uint32_t *OutSize(World &w) { return reinterpret_cast<uint32_t *>(w.out.data() + 2100); }

std::vector<Op> AllocatingOps() {
    std::vector<Op> ops;
    const int none2 = DMA_E_NO_RECORD, none4 = DMA_E_NO_KIND4_RECORD;
    // Strings: the fax header strings convert through the code-page helpers,
    // the protected strings scramble and encode into work buffers.
    ops.push_back({"fax header 1 read", [](World &w) {
                       uint32_t l = 100;
                       return DMA_GetStringData(&w.r.ctx, DMA_ID_FAX_HEADER1, Out(w), &l);
                   }, {-10}, Promise::Nothing});
    ops.push_back({"fax header 2 size query", [](World &w) {
                       uint32_t l = 0;
                       return DMA_GetStringData(&w.r.ctx, DMA_ID_FAX_HEADER2, nullptr, &l);
                   }, {-10}, Promise::Nothing});
    ops.push_back({"fax header 1 write", [](World &w) {
                       return DMA_SetStringData(&w.r.ctx, DMA_ID_FAX_HEADER1, "new header", 0);
                   }, {-10}, Promise::Nothing});
    ops.push_back({"fax header 2 write", [](World &w) {
                       return DMA_SetStringData(&w.r.ctx, DMA_ID_FAX_HEADER2, "", 0);
                   }, {-10}, Promise::Nothing});
    for (uint32_t id : {0x9001u, 0x9002u, 0x9005u, 0x900Au}) {
        ops.push_back({"protected write " + std::to_string(id), [id](World &w) {
                           return DMA_SetStringData(&w.r.ctx, id, "secret", 6);
                       }, {-10}, Promise::Nothing});
        ops.push_back({"protected empty write " + std::to_string(id), [id](World &w) {
                           return DMA_SetStringData(&w.r.ctx, id, "", 0);
                       }, {-10}, Promise::Nothing});
    }
    // Records found by name: the search itself allocates nothing; storing
    // converts the new name, reading a name builds it.
    struct ByName { int32_t kind; int missing; };
    for (ByName k : {ByName{2, none2}, ByName{3, none2}, ByName{4, none4}, ByName{7, none2}}) {
        const char *name = k.kind == 4 ? "12" : "third";
        const std::string kind = " kind " + std::to_string(k.kind);
        ops.push_back({"load by name" + kind, [k, name](World &w) {
                           return DMA_AccessibleData(&w.r.ctx, k.kind, Name(name));
                       }, {k.missing}, Promise::Nothing});
        ops.push_back({"delete" + kind, [k, name](World &w) {
                           return DMA_DeleteData(&w.r.ctx, k.kind, name);
                       }, {k.missing}, Promise::Nothing});
        // Store by name: for names kept as text the conversion of the new
        // name, after the element was filled.
        ops.push_back({"store by name" + kind, [k, name](World &w) {
                           return DMA_ApplyData(&w.r.ctx, k.kind, 0, Name(name));
                       }, {k.missing, -10}, Promise::SettingsOnly, {k.missing}});
        ops.push_back({"store as last" + kind, [k](World &w) {
                           return DMA_ApplyData(&w.r.ctx, k.kind, 1, Name(k.kind == 4 ? "99" : "renamed"));
                       }, {-10}, Promise::SettingsOnly});
        ops.push_back({"name of element" + kind, [k](World &w) {
                           ArrayFixture &a = k.kind == 2 ? w.k2 : k.kind == 3 ? w.k3 : k.kind == 4 ? w.k4 : w.k7;
                           return DMA_GetNameFromInfo(a.At(1), k.kind, OutSize(w), Out(w));
                       }, {-10}, Promise::Nothing});
        ops.push_back({"name size query" + kind, [k](World &w) {
                           ArrayFixture &a = k.kind == 2 ? w.k2 : k.kind == 3 ? w.k3 : k.kind == 4 ? w.k4 : w.k7;
                           return DMA_GetNameFromInfo(a.At(2), k.kind, OutSize(w), nullptr);
                       }, {-10}, Promise::Nothing});
    }
    // Fax entries go by position: no allocation, walked for the count.
    ops.push_back({"load fax entry", [](World &w) { return DMA_AccessibleData(&w.r.ctx, 5, 2); },
                   {-10}, Promise::Nothing});
    ops.push_back({"store fax entry", [](World &w) { return DMA_ApplyData(&w.r.ctx, 5, 0, 1); },
                   {-10}, Promise::SettingsOnly});
    // User settings: the set converts into a work record first.
    for (uint16_t version = 1; version <= 4; ++version) {
        ops.push_back({"user settings write, version " + std::to_string(version), [version](World &w) {
                           uint32_t size = DMA_USER_SETTING_INFO_SIZE;  // the read allocates nothing
                           EXPECT_EQ(DMA_GetUserSettingInfo(&w.r.ctx, w.out.data(), &size), DMA_OK);
                           Store16(w.out.data(), version);
                           return DMA_SetUserSettingInfo(&w.r.ctx, w.out.data());
                       }, {-10}, Promise::SettingsOnly});
    }
    ops.push_back({"user settings read", [](World &w) {
                       uint32_t size = DMA_USER_SETTING_INFO_SIZE;
                       return DMA_GetUserSettingInfo(&w.r.ctx, w.out.data(), &size);
                   }, {-10}, Promise::None});
    // Attribute query: the fax header strings are measured through the
    // code-page helpers; the full scan gathers the IDs in a work block.
    ops.push_back({"attributes of a list", [](World &w) {
                       const uint16_t ids[] = {0x7, DMA_ID_FAX_HEADER1, 0x1, DMA_ID_FAX_HEADER2};
                       uint16_t count = 4;
                       return DMA_QueryAttributes(&w.r.ctx, &count, ids,
                                                  reinterpret_cast<AttributeRecord *>(w.out.data()));
                   }, {-10}, Promise::SettingsOnly});
    ops.push_back({"attributes of every ID", [](World &w) {
                       uint16_t count = 0;
                       DMA_QueryAttributes(&w.r.ctx, &count, nullptr, nullptr);  // size query first
                       EXPECT_LE(count, 1300);  // out holds 1333 records
                       return DMA_QueryAttributes(&w.r.ctx, &count, nullptr,
                                                  reinterpret_cast<AttributeRecord *>(w.out.data()));
                   }, {-10, -5, 1}, Promise::SettingsOnly, {}, true});
    // Document-property files: the read takes each section into a block of its own,
    // an old fax section is converted in a work block.
    for (bool oldFax : {false, true}) {
        const std::string layout = oldFax ? " (old fax layout)" : "";
        ops.push_back({"replace size query" + layout, [oldFax](World &w) {
                           WriteDocFile(oldFax);
                           return DMA_ReplaceDocProp(&w.r.ctx, w.EmptyDoc());
                       }, {-15}, Promise::Nothing});
        ops.push_back({"replace" + layout, [oldFax](World &w) {
                           WriteDocFile(oldFax);
                           return DMA_ReplaceDocProp(&w.r.ctx, w.Doc());
                       }, {-15}, Promise::Nothing});
    }
    ops.push_back({"extract", [](World &w) { return DMA_ExtractDocPropEx(&w.r.ctx, w.Doc()); },
                   {-10}, Promise::Nothing});
    ops.push_back({"extract fax only", [](World &w) { return DMA_ExtractOneTimeEx(&w.r.ctx, w.Doc()); },
                   {-10}, Promise::Nothing});
    return ops;
}

// After an operation ran with the n-th call of `kind` set to fail: true when
// the switch is still set, i.e. the operation made exactly n - 1 such calls.
// A probe call of that kind on a file of our own fails then.
bool StillArmed(DmaPlatFileCall kind, HANDLE probe) {
    uint8_t byte = 0;
    DWORD count = 0;
    switch (kind) {
    case DMAPLAT_CREATE: {
        // A file of its own: the probe file is held open without sharing.
        const std::u16string path = U16((ProbePath() + ".create").c_str());
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return true;
        CloseHandle(h);
        return false;
    }
    case DMAPLAT_READ: return !ReadFile(probe, &byte, 1, &count, nullptr);
    case DMAPLAT_WRITE: return !WriteFile(probe, &byte, 1, &count, nullptr);
    default: return GetFileSize(probe, nullptr) == INVALID_FILE_SIZE;
    }
}

struct FileOp {
    Op op;
    DmaPlatFileCall kind;
};

// Walks every call of one kind that `fo.op` makes: the 1st, 2nd, ... fails,
// until a run ends without reaching the failure.  Returns the failing runs.
long WalkFileCalls(const FileOp &fo) {
    const char *kinds[] = {"create", "read", "write", "size"};
    SCOPED_TRACE(fo.op.name + std::string(", ") + kinds[fo.kind]);
    DMA_RESULT baseline;
    {
        World w;
        baseline = fo.op.call(w);
    }
    long paths = 0;
    for (long n = 1; n < 64; ++n) {
        SCOPED_TRACE("call " + std::to_string(n));
        World w;
        const std::vector<uint8_t> before = w.Bytes();
        const std::u16string probePath = U16(ProbePath().c_str());
        HANDLE probe = CreateFileW(probePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(probe, INVALID_HANDLE_VALUE);
        dmaplat_FailFileCallAt(fo.kind, n);
        const DMA_RESULT r = fo.op.call(w);
        const long open = dmaplat_OpenHandles();
        const bool armed = StillArmed(fo.kind, probe);
        dmaplat_FailFileCallAt(fo.kind, 0);
        CloseHandle(probe);
        EXPECT_EQ(open, 1) << "a file handle left open";
        EXPECT_EQ(dmaplat_LiveBlocks(), 0);
        EXPECT_TRUE(w.Intact());
        if (armed) {
            EXPECT_EQ(r, baseline);
            break;
        }
        ++paths;
        EXPECT_TRUE(Contains(fo.op.failureCodes, r)) << "result " << r;
        if (fo.op.promise == Promise::Nothing) {
            EXPECT_TRUE(w.Bytes() == before) << "caller's bytes changed";
        }
    }
    EXPECT_GT(paths, 0) << "the operation made no call of this kind";
    return paths;
}

std::vector<FileOp> FileOps() {
    std::vector<FileOp> ops;
    auto extract = [](World &w) { return DMA_ExtractDocPropEx(&w.r.ctx, w.Doc()); };
    auto extractPlain = [](World &w) { return DMA_ExtractDocProp(&w.r.ctx, w.Doc()); };
    auto faxOnly = [](World &w) { return DMA_ExtractOneTimeEx(&w.r.ctx, w.Doc()); };
    auto faxOnlyPlain = [](World &w) { return DMA_ExtractOneTime(&w.r.ctx, w.Doc()); };
    ops.push_back({{"extract", extract, {-13}, Promise::Nothing}, DMAPLAT_CREATE});
    ops.push_back({{"extract", extract, {-14}, Promise::Nothing}, DMAPLAT_WRITE});
    ops.push_back({{"extract (plain name)", extractPlain, {-13}, Promise::Nothing}, DMAPLAT_CREATE});
    ops.push_back({{"extract (plain name)", extractPlain, {-14}, Promise::Nothing}, DMAPLAT_WRITE});
    ops.push_back({{"extract fax only", faxOnly, {-17}, Promise::Nothing}, DMAPLAT_CREATE});
    ops.push_back({{"extract fax only", faxOnly, {-18}, Promise::Nothing}, DMAPLAT_WRITE});
    ops.push_back({{"extract fax only (plain name)", faxOnlyPlain, {-17}, Promise::Nothing}, DMAPLAT_CREATE});
    ops.push_back({{"extract fax only (plain name)", faxOnlyPlain, {-18}, Promise::Nothing}, DMAPLAT_WRITE});
    for (bool oldFax : {false, true}) {
        const std::string layout = oldFax ? " (old fax layout)" : "";
        auto query = [oldFax](World &w) {
            WriteDocFile(oldFax);
            return DMA_ReplaceDocProp(&w.r.ctx, w.EmptyDoc());
        };
        auto replace = [oldFax](World &w) {
            WriteDocFile(oldFax);
            return DMA_ReplaceDocProp(&w.r.ctx, w.Doc());
        };
        ops.push_back({{"replace size query" + layout, query, {-13}, Promise::Nothing}, DMAPLAT_CREATE});
        ops.push_back({{"replace size query" + layout, query, {-15}, Promise::Nothing}, DMAPLAT_SIZE});
        ops.push_back({{"replace size query" + layout, query, {-15}, Promise::Nothing}, DMAPLAT_READ});
        ops.push_back({{"replace" + layout, replace, {-13}, Promise::Nothing}, DMAPLAT_CREATE});
        ops.push_back({{"replace" + layout, replace, {-15}, Promise::Nothing}, DMAPLAT_SIZE});
        ops.push_back({{"replace" + layout, replace, {-15}, Promise::Nothing}, DMAPLAT_READ});
    }
    return ops;
}

}  // namespace

// Every allocation of every allocating export fails once.
TEST(FaultInjection, EveryAllocationFailsInTurn) {
    for (const Op &op : AllocatingOps()) g_allocPaths += WalkAllocations(op);
    EXPECT_GT(g_allocPaths, 0);
}

// Every create, write, read and size call of the document-property
// operations fails in turn.
TEST(FaultInjection, EveryFileCallFailsInTurn) {
    for (const FileOp &fo : FileOps()) g_filePaths += WalkFileCalls(fo);
    EXPECT_GT(g_filePaths, 0);
}

// The code-page helpers release what they took and leave the result null.
TEST(FaultInjection, CodePageHelpers) {
    WCHAR *wide = reinterpret_cast<WCHAR *>(1);
    int32_t n = 0;
    dmaplat_FailAllocAt(1);
    EXPECT_EQ(MultiByteToWideAlloc("text", &wide, &n, 0), 0);
    EXPECT_EQ(wide, nullptr);
    char *narrow = reinterpret_cast<char *>(1);
    const WCHAR text[] = u"text";
    dmaplat_FailAllocAt(1);
    EXPECT_EQ(WideToMultiByteAlloc(text, &narrow, &n, 0), 0);
    EXPECT_EQ(narrow, nullptr);
    dmaplat_FailAllocAt(0);
    EXPECT_EQ(dmaplat_LiveBlocks(), 0);
    g_allocPaths += 2;
}

// Printed last: the figures of the walk.
TEST(FaultInjection, ZzReport) {
    std::printf("fault injection: %ld allocation failure paths, %ld file failure paths\n",
                g_allocPaths, g_filePaths);
    std::remove(DocPath().c_str());
    std::remove(FaxOnlyPath().c_str());
    std::remove(ProbePath().c_str());
    std::remove((ProbePath() + ".create").c_str());
    ::rmdir(TempDir().c_str());
}

#endif  // !_WIN32
