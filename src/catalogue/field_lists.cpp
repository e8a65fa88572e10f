// field_lists.cpp - the field lists of the record kinds 2, 3, 4, 5 and 7 and
// of the user-settings record.
//
// A field list ties every field of a caller's record to the item it mirrors:
// the item's stored type, its report type (copied from the catalogue row, the
// transfers ignore it), and the field's byte offset and width inside the
// record.  The lists are walked in the order written here; it is the order in
// which the enumeration by record kind lists the items.
//
// Every field's offset and width come from the record's public structure
// (only the kind 4 work buffer, which no caller sees, is written out here);
// the offsets that callers have always relied on are pinned once more at
// compile time, and every list is checked to keep its fields inside the
// record and apart from each other (a VT_BYTE field reported as VT_WORD
// counts with the two bytes that a read stores into it), and to fit the room
// that a transfer to the settings has on the stack.
#include <array>
#include <cstddef>

#include "catalogue/field_lists.h"

namespace dma {
namespace {

template <size_t N, size_t M>
constexpr std::array<FieldListRow, N + M> Concat(const std::array<FieldListRow, N> &a,
                                                 const std::array<FieldListRow, M> &b) {
    std::array<FieldListRow, N + M> out{};
    for (size_t i = 0; i < N; ++i) out[i] = a[i];
    for (size_t i = 0; i < M; ++i) out[N + i] = b[i];
    return out;
}

// Bytes that a read of the row stores into the record: the report type's
// width for a byte reported as a word, else the field's width.
constexpr uint32_t StoredBytes(const FieldListRow &r) {
    return (r.valueType == DMA_VT_BYTE && r.reportType == DMA_VT_WORD) ? 2u : r.size;
}

// The stored types a field may carry: those of the settings' own rows.
constexpr bool KnownValueType(uint16_t t) {
    return t == DMA_VT_FLAG || t == DMA_VT_SHORT || t == DMA_VT_WORD || t == DMA_VT_INT ||
           t == DMA_VT_DWORD || t == DMA_VT_STRING || t == DMA_VT_BYTE || t == DMA_VT_LOGFONT ||
           t == DMA_VT_LONG;
}

// Every field of a known type, inside [0, recordSize) and no two fields
// sharing a byte; the list ends with exactly one terminating row.
template <size_t N>
constexpr bool FieldsWellFormed(const std::array<FieldListRow, N> &list, uint32_t recordSize) {
    if (N == 0 || list[N - 1].itemId != 0) return false;
    for (size_t i = 0; i + 1 < N; ++i) {
        const FieldListRow &r = list[i];
        if (r.itemId == 0 || r.offset < 0 || r.size == 0 || !KnownValueType(r.valueType)) return false;
        if (!FitsWithin(static_cast<uint64_t>(r.offset), StoredBytes(r), recordSize)) return false;
        for (size_t j = i + 1; j + 1 < N; ++j) {
            const FieldListRow &s = list[j];
            const int64_t rEnd = r.offset + StoredBytes(r), sEnd = s.offset + StoredBytes(s);
            if (r.offset < sEnd && s.offset < rEnd) return false;
            if (r.itemId == s.itemId) return false;
        }
    }
    return true;
}

// What a transfer from the record to the settings keeps on the stack
// (records.h): the record up to its last field's end, the rows, and the
// bytes saved before the first write: each setting's place (a field is as
// wide as its setting, item 1813's wider; a flag bit saves its whole word)
// and 4 more for a place its write mirrors.
template <size_t N>
constexpr bool FitsTransfer(const std::array<FieldListRow, N> &list) {
    uint64_t end = 0, saved = 0;
    for (size_t i = 0; i + 1 < N; ++i) {
        const FieldListRow &r = list[i];
        const uint32_t width = r.valueType == DMA_VT_LOGFONT && r.size < sizeof(LOGFONTW)
                                   ? uint32_t{sizeof(LOGFONTW)}
                                   : r.size;
        if (static_cast<uint64_t>(r.offset) + width > end) end = r.offset + width;
        saved += (r.size > 4 ? r.size : 4) + 4;
    }
    return N - 1 <= kTransferRows && end <= kTransferRecordBytes && saved <= kTransferSavedBytes;
}

// ---- Record kind 2, Kind2Record, 308 bytes; key item 297 ------------------
// Items 300 and 302 are single bytes that a read stores as two (200-201 and
// 208-209), hence the padding byte after each.
constexpr std::array<FieldListRow, 10> kKind2 = {{
    FieldRow(297, DMA_VT_STRING, DMA_RECORD_FIELD(Kind2Record, name)),  // the key, 33 units
    FieldRow(299, DMA_VT_STRING, DMA_RECORD_FIELD(Kind2Record, item299)),
    FieldRow(301, DMA_VT_DWORD, DMA_RECORD_FIELD(Kind2Record, item301)),
    FieldRow(300, DMA_VT_BYTE, DMA_RECORD_FIELD(Kind2Record, item300), DMA_VT_WORD),
    FieldRow(1287, DMA_VT_FLAG, DMA_RECORD_FIELD(Kind2Record, item1287)),  // held as 0 or 1
    FieldRow(302, DMA_VT_BYTE, DMA_RECORD_FIELD(Kind2Record, item302), DMA_VT_WORD),
    FieldRow(303, DMA_VT_WORD, DMA_RECORD_FIELD(Kind2Record, item303)),
    FieldRow(1288, DMA_VT_FLAG, DMA_RECORD_FIELD(Kind2Record, item1288)),
    FieldRow(304, DMA_VT_LOGFONT, offsetof(Kind2Record, item304), sizeof(LOGFONTW)),
    kFieldListEnd,
}};
static_assert(FieldsWellFormed(kKind2, DMA_KIND2_SIZE) && FitsTransfer(kKind2));
static_assert(offsetof(Kind2Record, item299) == 66 && offsetof(Kind2Record, item300) == 200 &&
              offsetof(Kind2Record, item302) == 208 && offsetof(Kind2Record, item1288) == 212);

// ---- Record kind 3, Kind3Record, 706 bytes; key item 1819 -----------------
constexpr std::array<FieldListRow, 5> kKind3Rows = {{
    FieldRow(1819, DMA_VT_STRING, DMA_RECORD_FIELD(Kind3Record, name)),  // the key, 41 units
    FieldRow(1820, DMA_VT_STRING, DMA_RECORD_FIELD(Kind3Record, item1820)),
    FieldRow(1821, DMA_VT_STRING, DMA_RECORD_FIELD(Kind3Record, item1821)),
    FieldRow(1822, DMA_VT_STRING, DMA_RECORD_FIELD(Kind3Record, item1822)),
    FieldRow(1823, DMA_VT_STRING, DMA_RECORD_FIELD(Kind3Record, item1823)),
}};
constexpr auto kKind3 = Concat(kKind3Rows, std::array<FieldListRow, 1>{{kFieldListEnd}});
static_assert(FieldsWellFormed(kKind3, DMA_KIND3_SIZE) && FitsTransfer(kKind3));
static_assert(offsetof(Kind3Record, item1820) == 82 && offsetof(Kind3Record, item1822) == 582);

// ---- Record kind 7, Kind7Record, 968 bytes: kind 3's five fields, then two --
// Kind 3's rows serve unchanged because the kind 3 record opens kind 7's.
static_assert(offsetof(Kind7Record, base) == 0);
constexpr auto kKind7 =
    Concat(kKind3Rows, std::array<FieldListRow, 3>{{
                           FieldRow(1876, DMA_VT_STRING, DMA_RECORD_FIELD(Kind7Record, item1876)),
                           FieldRow(1896, DMA_VT_FLAG, DMA_RECORD_FIELD(Kind7Record, item1896)),
                           kFieldListEnd,
                       }});
static_assert(FieldsWellFormed(kKind7, DMA_KIND7_SIZE) && FitsTransfer(kKind7));

// ---- Record kind 5, FaxAddressEntry, 820 bytes; addressed by position ----
// Every item lives in the block at 1608 of the DEVMODEW record.  Item 1813
// holds 10 bytes but its field is 18 wide: a read copies the 8 bytes stored
// after it as well, and a write accepts at most 4 characters there.
constexpr std::array<FieldListRow, 19> kKind5 = {{
    FieldRow(1794, DMA_VT_WORD, DMA_RECORD_FIELD(FaxAddressEntry, item1794)),
    FieldRow(1795, DMA_VT_STRING, DMA_RECORD_FIELD(FaxAddressEntry, item1795)),
    FieldRow(1796, DMA_VT_WORD, DMA_RECORD_FIELD(FaxAddressEntry, item1796)),
    FieldRow(1797, DMA_VT_STRING, DMA_RECORD_FIELD(FaxAddressEntry, item1797)),
    FieldRow(1798, DMA_VT_STRING, DMA_RECORD_FIELD(FaxAddressEntry, item1798)),
    FieldRow(1810, DMA_VT_WORD, DMA_RECORD_FIELD(FaxAddressEntry, item1810)),
    FieldRow(1811, DMA_VT_WORD, DMA_RECORD_FIELD(FaxAddressEntry, item1811)),
    FieldRow(1812, DMA_VT_WORD, DMA_RECORD_FIELD(FaxAddressEntry, item1812)),
    FieldRow(1813, DMA_VT_STRING, DMA_RECORD_FIELD(FaxAddressEntry, item1813)),
    FieldRow(1814, DMA_VT_WORD, DMA_RECORD_FIELD(FaxAddressEntry, item1814)),
    FieldRow(1815, DMA_VT_WORD, DMA_RECORD_FIELD(FaxAddressEntry, item1815)),
    FieldRow(1816, DMA_VT_STRING, DMA_RECORD_FIELD(FaxAddressEntry, item1816)),
    FieldRow(1817, DMA_VT_STRING, DMA_RECORD_FIELD(FaxAddressEntry, item1817)),
    FieldRow(1818, DMA_VT_STRING, DMA_RECORD_FIELD(FaxAddressEntry, item1818)),
    FieldRow(1892, DMA_VT_DWORD, DMA_RECORD_FIELD(FaxAddressEntry, item1892)),
    FieldRow(1893, DMA_VT_FLAG, DMA_RECORD_FIELD(FaxAddressEntry, item1893)),
    FieldRow(1897, DMA_VT_STRING, DMA_RECORD_FIELD(FaxAddressEntry, item1897)),
    FieldRow(1894, DMA_VT_STRING, DMA_RECORD_FIELD(FaxAddressEntry, item1894)),
    kFieldListEnd,
}};
static_assert(FieldsWellFormed(kKind5, DMA_FAX_ENTRY_SIZE) && FitsTransfer(kKind5));
static_assert(offsetof(FaxAddressEntry, item1797) == 262 &&
              offsetof(FaxAddressEntry, item1798) == 344 &&
              offsetof(FaxAddressEntry, item1814) == 534 &&
              offsetof(FaxAddressEntry, item1817) == 658 &&
              offsetof(FaxAddressEntry, item1818) == 700 &&
              offsetof(FaxAddressEntry, item1893) == 748);

// ---- Record kind 4, 20 bytes; key item 1824 ------------------------------
// The key list describes the record's key; the rectangle list describes the
// 16-byte work buffer that ConvertKind4Rectangle maps onto the record's
// orientation-dependent rectangle at offset 4.
constexpr std::array<FieldListRow, 2> kKind4Key = {{
    FieldRow(1824, DMA_VT_WORD, DMA_RECORD_FIELD(Kind4Record, key)),
    kFieldListEnd,
}};
static_assert(FieldsWellFormed(kKind4Key, DMA_KIND4_SIZE) && FitsTransfer(kKind4Key));

constexpr std::array<FieldListRow, 5> kKind4Rect = {{
    FieldRow(1827, DMA_VT_INT, 0, 4),
    FieldRow(1828, DMA_VT_INT, 4, 4),
    FieldRow(1826, DMA_VT_INT, 8, 4),
    FieldRow(1825, DMA_VT_INT, 12, 4),
    kFieldListEnd,
}};
static_assert(FieldsWellFormed(kKind4Rect, 16) && FitsTransfer(kKind4Rect));

// ---- The user-settings record, UserSettingInfo, 2096 bytes ----------------
// Four lists walked in turn; every item lives in the secondary record.  The
// header bytes 0-75 (version, the three read-only words of list 1 aside, the
// user's name and the mark) belong to no list.
#define DMA_USER_FIELD(id, vt) FieldRow(id, vt, DMA_RECORD_FIELD(UserSettingInfo, item##id))
constexpr std::array<FieldListRow, 4> kUserList1 = {{
    DMA_USER_FIELD(8203, DMA_VT_WORD),
    DMA_USER_FIELD(8204, DMA_VT_WORD),
    DMA_USER_FIELD(5137, DMA_VT_WORD),
    kFieldListEnd,
}};

constexpr std::array<FieldListRow, 6> kUserList2 = {{
    DMA_USER_FIELD(5129, DMA_VT_STRING),
    DMA_USER_FIELD(5130, DMA_VT_STRING),
    DMA_USER_FIELD(5146, DMA_VT_WORD),
    DMA_USER_FIELD(5147, DMA_VT_STRING),
    DMA_USER_FIELD(5159, DMA_VT_STRING),
    kFieldListEnd,
}};

constexpr std::array<FieldListRow, 13> kUserList3 = {{
    DMA_USER_FIELD(5150, DMA_VT_STRING),
    DMA_USER_FIELD(5148, DMA_VT_STRING),
    DMA_USER_FIELD(5161, DMA_VT_STRING),
    DMA_USER_FIELD(5167, DMA_VT_STRING),
    DMA_USER_FIELD(5214, DMA_VT_STRING),
    DMA_USER_FIELD(5165, DMA_VT_BYTE),
    DMA_USER_FIELD(5169, DMA_VT_FLAG),  // plain 32-bit values, not flag bits
    DMA_USER_FIELD(5171, DMA_VT_FLAG),
    DMA_USER_FIELD(5173, DMA_VT_FLAG),
    DMA_USER_FIELD(5178, DMA_VT_WORD),
    DMA_USER_FIELD(5180, DMA_VT_STRING),
    DMA_USER_FIELD(5182, DMA_VT_STRING),
    kFieldListEnd,
}};

constexpr std::array<FieldListRow, 8> kUserList4 = {{
    DMA_USER_FIELD(5174, DMA_VT_STRING),
    DMA_USER_FIELD(5175, DMA_VT_STRING),
    DMA_USER_FIELD(5176, DMA_VT_STRING),
    DMA_USER_FIELD(5215, DMA_VT_STRING),
    DMA_USER_FIELD(5184, DMA_VT_STRING),
    DMA_USER_FIELD(5185, DMA_VT_STRING),
    DMA_USER_FIELD(5183, DMA_VT_BYTE),
    kFieldListEnd,
}};
#undef DMA_USER_FIELD

// Fields of a list inside the record and at or after `firstByte`, ascending
// and apart; string fields fit the scratch copy with a terminator.
template <size_t N>
constexpr bool UserListWellFormed(const std::array<FieldListRow, N> &list, uint32_t firstByte) {
    if (list[N - 1].itemId != 0) return false;
    for (size_t i = 0; i + 1 < N; ++i) {
        const FieldListRow &r = list[i];
        if (r.offset < static_cast<int64_t>(firstByte) ||
            !FitsWithin(r.offset, r.size, DMA_USER_SETTING_INFO_SIZE))
            return false;
        if (r.valueType == DMA_VT_STRING && r.size / 2 > kUserInfoScratchUnits - 1) return false;
        if (i + 2 < N && r.offset + r.size > list[i + 1].offset) return false;
    }
    return true;
}
static_assert(UserListWellFormed(kUserList1, 2));
static_assert(UserListWellFormed(kUserList2, 76));
static_assert(UserListWellFormed(kUserList3, 76));
static_assert(UserListWellFormed(kUserList4, 76));

template <size_t N>
std::span<const FieldListRow> WithoutEnd(const std::array<FieldListRow, N> &list) {
    return std::span<const FieldListRow>(list.data(), N - 1);
}

}  // namespace

std::span<const FieldListRow> Kind2Fields() { return WithoutEnd(kKind2); }
std::span<const FieldListRow> Kind3Fields() { return WithoutEnd(kKind3); }
std::span<const FieldListRow> Kind4KeyFields() { return WithoutEnd(kKind4Key); }
std::span<const FieldListRow> Kind4RectFields() { return WithoutEnd(kKind4Rect); }
std::span<const FieldListRow> Kind5Fields() { return WithoutEnd(kKind5); }
std::span<const FieldListRow> Kind7Fields() { return WithoutEnd(kKind7); }

std::span<const FieldListRow> UserSettingList(int number) {
    switch (number) {
    case 1: return WithoutEnd(kUserList1);
    case 2: return WithoutEnd(kUserList2);
    case 3: return WithoutEnd(kUserList3);
    case 4: return WithoutEnd(kUserList4);
    }
    return {};
}

}  // namespace dma
