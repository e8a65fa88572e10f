/*
 * dmaccess.h - public C interface of the settings-access library.
 *
 * The library reads and changes print settings by number (the DMA ID) in
 * records that the caller owns: the DEVMODEW record with its driver-private
 * part (at least 5988 bytes), the secondary settings record (at least 7974
 * bytes), the fax-address block and the caller's record arrays.  It keeps no
 * state between calls.  All records are little-endian; every layout below is
 * fixed and checked with static assertions (64-bit pointers).
 *
 * Results of the public operations are pointer-sized signed integers holding
 * a sign-extended 32-bit code: DMA_OK (1) or a negative DMA_E_* code.  The raw
 * item-ID operations return a 16-bit RawStatus (DMA_RS_*), 0 for success.
 *
 * This header compiles as C (C11) and C++.
 */
#ifndef DMACCESS_DMACCESS_H
#define DMACCESS_DMACCESS_H

/* Version of this header and the library built with it.  The build takes
 * the library's version from these lines. */
#define DMACCESS_VERSION_MAJOR 1
#define DMACCESS_VERSION_MINOR 0
#define DMACCESS_VERSION_PATCH 0
#define DMACCESS_VERSION \
    (DMACCESS_VERSION_MAJOR * 10000 + DMACCESS_VERSION_MINOR * 100 + DMACCESS_VERSION_PATCH)
#define DMACCESS_VERSION_STRING "1.0.0"

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#include <windows.h>
typedef WCHAR DMA_WCHAR;
#else
#ifndef __cplusplus
#include <uchar.h>
#endif
typedef char16_t DMA_WCHAR;
#endif

#ifdef __cplusplus
#define DMA_EXTERN_C extern "C"
#else
#define DMA_EXTERN_C
#endif

#if defined(_WIN32)
/* Exports are named by the module-definition file. */
#define DMA_API DMA_EXTERN_C
#else
#define DMA_API DMA_EXTERN_C __attribute__((visibility("default")))
#endif

#if defined(__cplusplus)
#define DMA_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define DMA_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

typedef intptr_t DMA_RESULT; /* INT_PTR: sign-extended 32-bit result code */
typedef uint16_t RawStatus;

/* ---- Result codes of the public operations ---------------------------- */
#define DMA_OK                  1
#define DMA_E_NO_ID            (-1)  /* DMA ID not in the public map; no fax block for 0xA001/0xA002 */
#define DMA_E_IS_STRING        (-2)  /* a string DMA ID given to an integer or font operation */
#define DMA_E_WRONG_TYPE       (-3)  /* the item has another value type than the operation handles */
#define DMA_E_INFO_KIND        (-4)  /* DMA_QuerySWSupportInfo: unknown information kind */
#define DMA_E_MORE_DATA        (-5)  /* size query answered, or buffer/array too small */
#define DMA_E_TOO_LONG         (-6)  /* value too long for its field; font record over 60 bytes */
#define DMA_E_IS_FONT          (-7)  /* a font DMA ID given to an integer or string operation */
#define DMA_E_FAILED           (-10) /* general failure */
#define DMA_E_SUPPORT_READ     (-12) /* the support flag cannot be read */
#define DMA_E_FILE_OPEN        (-13) /* document-property file cannot be created or opened */
#define DMA_E_FILE_WRITE       (-14) /* writing the document-property file failed */
#define DMA_E_FILE_READ        (-15) /* size, memory or read failure on the document-property file */
#define DMA_E_FILE_FORMAT      (-16) /* the document-property file breaks its format */
#define DMA_E_FAXFILE_OPEN     (-17) /* the fax-only file cannot be created */
#define DMA_E_FAXFILE_WRITE    (-18) /* writing the fax-only file failed */
#define DMA_E_KIND             (-19) /* record kind or target type not served */
#define DMA_E_NO_FAX_ENTRY     (-20) /* fax entry position out of range or not in a qualifying state */
#define DMA_E_NO_KIND4_RECORD  (-21) /* kind 4: no qualifying element with that name */
#define DMA_E_NO_RECORD        (-22) /* kinds 2, 3, 7: no qualifying element with that name */
#define DMA_E_MODE             (-23) /* DMA_ApplyData: mode other than 0 or 1 */
#define DMA_E_NOT_SUPPORTED    (-35) /* capability not supported */

/* ---- Raw engine status (distinct single bits, only one returned) ------ */
#define DMA_RS_OK        0x00
#define DMA_RS_NO_RANGE  0x01 /* item ID in no range of the catalogue */
#define DMA_RS_BAD_TYPE  0x02 /* declared type is neither valueType nor reportType */
#define DMA_RS_BAD_SIZE  0x04 /* string or font does not fit */
#define DMA_RS_BAD_WIDTH 0x08 /* declared scalar length differs from the type's width */
#define DMA_RS_FAILED    0x10 /* any other failure */

/* ---- Value types and storage areas ------------------------------------ */
#define DMA_VT_FLAG    1
#define DMA_VT_SHORT   2
#define DMA_VT_WORD    3
#define DMA_VT_INT     4
#define DMA_VT_DWORD   5
#define DMA_VT_STRING  6
#define DMA_VT_BYTE    8
#define DMA_VT_LOGFONT 9
#define DMA_VT_LONG    10

#define DMA_SA_DEVMODE     0 /* DEVMODEW record from its first byte */
#define DMA_SA_DEVMODE_EXT 1 /* block 1608 bytes into the DEVMODEW record */
#define DMA_SA_SECONDARY   2 /* the secondary settings record */
#define DMA_DEVMODE_EXT_BASE 1608

/* Minimum sizes of the caller's records (the library does not check them). */
#define DMA_DEVMODE_MIN_SIZE   5988
#define DMA_SECONDARY_MIN_SIZE 7974

/* Reserved DMA IDs recognised before translation. */
#define DMA_ID_FAX_HEADER1   0xA001
#define DMA_ID_FAX_HEADER2   0xA002
#define DMA_ID_PROTECTED_FIRST 0x9001
#define DMA_ID_PROTECTED_LAST  0x900A
#define DMA_ID_DOCPROP_PATH  0x176
#define DMA_ID_FAXFILE_PATH  0x177

/* Attribute kinds (DMA_QueryAttributes) and enumeration bits. */
#define DMA_ATTR_KIND_SCALAR  0
#define DMA_ATTR_KIND_STRING  1
#define DMA_ATTR_KIND_LOGFONT 2
#define DMA_DMAID_ATTR_STRING  1u
#define DMA_DMAID_ATTR_LOGFONT 2u

/* Record kinds and the size of each (DMA_QueryStructSize). */
#define DMA_KIND_2        2
#define DMA_KIND_3        3
#define DMA_KIND_4        4
#define DMA_KIND_FAX      5
#define DMA_KIND_FAXBLOCK 6
#define DMA_KIND_7        7
#define DMA_KIND2_SIZE     308
#define DMA_KIND3_SIZE     706
#define DMA_KIND4_SIZE     20
#define DMA_FAX_ENTRY_SIZE 820
#define DMA_FAX_HEADER_SIZE 1442
#define DMA_KIND7_SIZE     968
#define DMA_FAX_OLD_ENTRY_SIZE 768
#define DMA_USER_SETTING_INFO_SIZE 2096

/* Record states. */
#define DMA_STATE_EMPTY   0
#define DMA_STATE_IN_USE  1
#define DMA_STATE_DELETED 2

/* Target types of DMA_EnumDMAID_ByTargetInfo: the whole catalogue, or the
 * field list of one record kind (DMA_KIND_2, DMA_KIND_3, DMA_KIND_4,
 * DMA_KIND_FAX, DMA_KIND_7). */
#define DMA_TARGET_ALL 1

/* Information kind of DMA_QuerySWSupportInfo (the only one). */
#define DMA_INFO_SUPPORT 1

/* Modes of DMA_ApplyData. */
#define DMA_APPLY_MODE_FIND 0 /* the element found by name (kind 5: by position) */
#define DMA_APPLY_MODE_LAST 1 /* the array's last element, whatever its state */

/* The relative flag of DMA_SetFaxAddressNum. */
#define DMA_FAX_COUNT_SET 0 /* the count becomes the value */
#define DMA_FAX_COUNT_ADD 1 /* the value is added to the count */

/* Layout version of UserSettingInfo written by DMA_GetUserSettingInfo
 * (16 bits at offset 0); DMA_SetUserSettingInfo also takes 1 to 3. */
#define DMA_USER_SETTING_VERSION 4

/* ---- Fonts --------------------------------------------------------------
 * Callers exchange LOGFONTA (60 bytes); settings store LOGFONTW (92 bytes).
 * DMA_LOGFONTA and DMA_LOGFONTW are the types the interface uses.  On
 * Windows they are the system's LOGFONTA and LOGFONTW when <wingdi.h> has
 * defined them; under NOGDI (no GDI types) this header defines its own
 * structs of the same layout under its own names, so that nothing clashes
 * with the system's.  Elsewhere the header defines LOGFONTA and LOGFONTW
 * itself. */
#if defined(_WIN32) && defined(LF_FACESIZE)
typedef LOGFONTA DMA_LOGFONTA;
typedef LOGFONTW DMA_LOGFONTW;
#else
#define DMA_LF_FACESIZE 32
typedef struct DmaLogFontA {
    int32_t lfHeight;
    int32_t lfWidth;
    int32_t lfEscapement;
    int32_t lfOrientation;
    int32_t lfWeight;
    uint8_t lfItalic;
    uint8_t lfUnderline;
    uint8_t lfStrikeOut;
    uint8_t lfCharSet;
    uint8_t lfOutPrecision;
    uint8_t lfClipPrecision;
    uint8_t lfQuality;
    uint8_t lfPitchAndFamily;
    char lfFaceName[DMA_LF_FACESIZE];
} DMA_LOGFONTA;
typedef struct DmaLogFontW {
    int32_t lfHeight;
    int32_t lfWidth;
    int32_t lfEscapement;
    int32_t lfOrientation;
    int32_t lfWeight;
    uint8_t lfItalic;
    uint8_t lfUnderline;
    uint8_t lfStrikeOut;
    uint8_t lfCharSet;
    uint8_t lfOutPrecision;
    uint8_t lfClipPrecision;
    uint8_t lfQuality;
    uint8_t lfPitchAndFamily;
    DMA_WCHAR lfFaceName[DMA_LF_FACESIZE];
} DMA_LOGFONTW;
#if !defined(_WIN32)
#define LF_FACESIZE DMA_LF_FACESIZE
typedef DMA_LOGFONTA LOGFONTA;
typedef DMA_LOGFONTW LOGFONTW;
#endif
#endif
DMA_STATIC_ASSERT(sizeof(DMA_LOGFONTA) == 60, "LOGFONTA is 60 bytes");
DMA_STATIC_ASSERT(sizeof(DMA_LOGFONTW) == 92, "LOGFONTW is 92 bytes");
DMA_STATIC_ASSERT(offsetof(DMA_LOGFONTA, lfFaceName) == 28, "lfFaceName at 28");
DMA_STATIC_ASSERT(offsetof(DMA_LOGFONTW, lfFaceName) == 28, "lfFaceName at 28");

/* ---- Caller's record arrays and context --------------------------------- */
typedef struct RecordArray {
    uint32_t count;       /* number of elements */
    uint32_t elementSize; /* distance in bytes from one element to the next */
    uint8_t *states;      /* one state byte per element */
    void *records;        /* the first element */
} RecordArray;
DMA_STATIC_ASSERT(sizeof(RecordArray) == 24, "RecordArray is 24 bytes");

typedef struct DmaContext {
    uint8_t callerReserved0[264];
    char ansiName[264];       /* zero-terminated ANSI name (user settings) */
    void *devMode;            /* DEVMODEW record with private part and block at 1608 */
    void *secondary;          /* secondary settings record */
    uint8_t callerReserved1[8];
    void *faxAddressBlock;    /* FaxAddressBlock */
    RecordArray faxEntries;   /* record kind 5 */
    RecordArray kind4Records;
    RecordArray kind2Records;
    RecordArray kind3Records;
    RecordArray kind7Records;
} DmaContext;
DMA_STATIC_ASSERT(offsetof(DmaContext, ansiName) == 264, "ansiName at 264");
DMA_STATIC_ASSERT(offsetof(DmaContext, devMode) == 528, "devMode at 528");
DMA_STATIC_ASSERT(offsetof(DmaContext, secondary) == 536, "secondary at 536");
DMA_STATIC_ASSERT(offsetof(DmaContext, faxAddressBlock) == 552, "faxAddressBlock at 552");
DMA_STATIC_ASSERT(offsetof(DmaContext, faxEntries) == 560, "faxEntries at 560");
DMA_STATIC_ASSERT(offsetof(DmaContext, kind4Records) == 584, "kind4Records at 584");
DMA_STATIC_ASSERT(offsetof(DmaContext, kind2Records) == 608, "kind2Records at 608");
DMA_STATIC_ASSERT(offsetof(DmaContext, kind3Records) == 632, "kind3Records at 632");
DMA_STATIC_ASSERT(offsetof(DmaContext, kind7Records) == 656, "kind7Records at 656");
DMA_STATIC_ASSERT(sizeof(DmaContext) == 680, "DmaContext is 680 bytes");

/* ---- Output records of the descriptive operations ----------------------- */
typedef struct AttributeRecord {
    uint16_t dmaId;
    int32_t kind; /* DMA_ATTR_KIND_* */
    int32_t size; /* bytes the caller needs */
} AttributeRecord;
DMA_STATIC_ASSERT(sizeof(AttributeRecord) == 12, "AttributeRecord is 12 bytes");
DMA_STATIC_ASSERT(offsetof(AttributeRecord, kind) == 4, "kind at 4");

typedef struct DmaIdEntry {
    uint32_t dmaId;
    uint32_t attributes; /* DMA_DMAID_ATTR_* */
} DmaIdEntry;
DMA_STATIC_ASSERT(sizeof(DmaIdEntry) == 8, "DmaIdEntry is 8 bytes");

/* The caller's section buffers for the document-property operations.  The
 * record's order differs from the file's order (NDEV001, TMBINFO, SPINFO, fax). */
typedef struct DocPropBuffers {
    void *ndev;
    uint32_t ndevSize;
    void *tmbInfo;
    uint32_t tmbInfoSize;
    void *faxBlock;
    uint32_t faxBlockSize;
    void *spInfo;
    uint32_t spInfoSize;
} DocPropBuffers;
DMA_STATIC_ASSERT(offsetof(DocPropBuffers, tmbInfo) == 16, "tmbInfo at 16");
DMA_STATIC_ASSERT(offsetof(DocPropBuffers, faxBlock) == 32, "faxBlock at 32");
DMA_STATIC_ASSERT(offsetof(DocPropBuffers, spInfo) == 48, "spInfo at 48");
DMA_STATIC_ASSERT(sizeof(DocPropBuffers) == 64, "DocPropBuffers is 64 bytes");

/* ---- Document-property file sections --------------------------------------
 * A file is up to four sections back to back, in this order: "NDEV001",
 * "TMBINFO", "SPINFO", the fax section (a FaxAddressBlock with its entries).
 * Each of the first three is a header below followed by payloadSize bytes
 * of payload; the library moves the payloads and does not interpret them.
 * Signatures are UTF-16: each ASCII character of the DMA_*_SIGNATURE text is
 * one unit, and the units after it up to the signature's width are zero.
 * A caller that writes a file (DMA_ExtractDocPropEx) hands over each section
 * whole, header included; the library adds nothing. */
#define DMA_NDEV_SIGNATURE     "NDEV001"
#define DMA_NDEV_MAGIC         0x5250u /* the bytes 0x50, 0x52, 0, 0 */
#define DMA_TMBINFO_SIGNATURE  "TMBINFO"
#define DMA_SPINFO_SIGNATURE   "SPINFO"
#define DMA_FAX_SIGNATURE      "ZOVA002" /* fax section, current layout */
#define DMA_FAX_OLD_SIGNATURE  "ZOVA001" /* old layout, converted on reading */
/* Bytes of a fax section (or fax-address block) in the current layout with
 * `count` destination entries. */
#define DMA_FAX_BLOCK_SIZE(count) \
    ((uint32_t)DMA_FAX_HEADER_SIZE + (uint32_t)DMA_FAX_ENTRY_SIZE * (uint32_t)(count))

typedef struct DmaNdevHeader {
    DMA_WCHAR signature[8]; /* "NDEV001" and its terminator */
    uint32_t magic;         /* DMA_NDEV_MAGIC */
    uint32_t payloadSize;   /* payload bytes that follow the header */
} DmaNdevHeader;
DMA_STATIC_ASSERT(offsetof(DmaNdevHeader, magic) == 16, "magic at 16");
DMA_STATIC_ASSERT(offsetof(DmaNdevHeader, payloadSize) == 20, "payloadSize at 20");
DMA_STATIC_ASSERT(sizeof(DmaNdevHeader) == 24, "DmaNdevHeader is 24 bytes");

typedef struct DmaTmbInfoHeader {
    DMA_WCHAR signature[8]; /* "TMBINFO" and its terminator */
    uint32_t payloadSize;
} DmaTmbInfoHeader;
DMA_STATIC_ASSERT(offsetof(DmaTmbInfoHeader, payloadSize) == 16, "payloadSize at 16");
DMA_STATIC_ASSERT(sizeof(DmaTmbInfoHeader) == 20, "DmaTmbInfoHeader is 20 bytes");

typedef struct DmaSpInfoHeader {
    DMA_WCHAR signature[7]; /* "SPINFO" and its terminator */
    DMA_WCHAR unchecked;    /* one more unit, not checked on reading */
    uint32_t payloadSize;
} DmaSpInfoHeader;
DMA_STATIC_ASSERT(offsetof(DmaSpInfoHeader, unchecked) == 14, "unchecked at 14");
DMA_STATIC_ASSERT(offsetof(DmaSpInfoHeader, payloadSize) == 16, "payloadSize at 16");
DMA_STATIC_ASSERT(sizeof(DmaSpInfoHeader) == 20, "DmaSpInfoHeader is 20 bytes");

/* ---- Fax-address block and the record kinds ----------------------------- */
typedef struct FaxAddressBlock {
    DMA_WCHAR signature[8];   /* "ZOVA002" and its terminator */
    uint16_t count;           /* destination entries that follow the header */
    DMA_WCHAR header1[41];    /* DMA ID 0xA001 */
    DMA_WCHAR header2[671];   /* DMA ID 0xA002 */
    /* FaxAddressEntry entries[count] follow without a gap */
} FaxAddressBlock;
DMA_STATIC_ASSERT(offsetof(FaxAddressBlock, count) == 16, "count at 16");
DMA_STATIC_ASSERT(offsetof(FaxAddressBlock, header1) == 18, "header1 at 18");
DMA_STATIC_ASSERT(offsetof(FaxAddressBlock, header2) == 100, "header2 at 100");
DMA_STATIC_ASSERT(sizeof(FaxAddressBlock) == 1442, "FaxAddressBlock header is 1442 bytes");

typedef struct FaxAddressEntry {       /* record kind 5 */
    uint16_t item1794;
    DMA_WCHAR item1795[129];
    uint16_t item1796;
    DMA_WCHAR item1797[41];
    DMA_WCHAR item1798[83];
    uint16_t item1810, item1811, item1812;
    DMA_WCHAR item1813[9];             /* the setting itself holds 5 units */
    uint16_t item1814, item1815;
    DMA_WCHAR item1816[60];
    DMA_WCHAR item1817[21];
    DMA_WCHAR item1818[21];
    uint8_t unused742[2];
    uint32_t item1892;
    uint32_t item1893;
    DMA_WCHAR item1897[8];
    DMA_WCHAR item1894[25];
    uint8_t unused818[2];
} FaxAddressEntry;
DMA_STATIC_ASSERT(offsetof(FaxAddressEntry, item1796) == 260, "1796 at 260");
DMA_STATIC_ASSERT(offsetof(FaxAddressEntry, item1810) == 510, "1810 at 510");
DMA_STATIC_ASSERT(offsetof(FaxAddressEntry, item1813) == 516, "1813 at 516");
DMA_STATIC_ASSERT(offsetof(FaxAddressEntry, item1816) == 538, "1816 at 538");
DMA_STATIC_ASSERT(offsetof(FaxAddressEntry, item1892) == 744, "1892 at 744");
DMA_STATIC_ASSERT(offsetof(FaxAddressEntry, item1897) == 752, "1897 at 752");
DMA_STATIC_ASSERT(offsetof(FaxAddressEntry, item1894) == 768, "1894 at 768");
DMA_STATIC_ASSERT(sizeof(FaxAddressEntry) == 820, "FaxAddressEntry is 820 bytes");

typedef struct Kind2Record {
    DMA_WCHAR name[33];      /* item 297, the key */
    DMA_WCHAR item299[65];
    uint32_t item301;
    uint8_t item300;         /* stored byte; reads write 2 bytes (reported WORD) */
    uint8_t pad201[3];
    uint32_t item1287;       /* 0 or 1 */
    uint8_t item302;
    uint8_t pad209;
    uint16_t item303;
    uint32_t item1288;       /* 0 or 1 */
    DMA_LOGFONTW item304;
} Kind2Record;
DMA_STATIC_ASSERT(offsetof(Kind2Record, item301) == 196, "301 at 196");
DMA_STATIC_ASSERT(offsetof(Kind2Record, item1287) == 204, "1287 at 204");
DMA_STATIC_ASSERT(offsetof(Kind2Record, item303) == 210, "303 at 210");
DMA_STATIC_ASSERT(offsetof(Kind2Record, item304) == 216, "304 at 216");
DMA_STATIC_ASSERT(sizeof(Kind2Record) == 308, "Kind2Record is 308 bytes");

typedef struct Kind3Record {
    DMA_WCHAR name[41];      /* item 1819, the key */
    DMA_WCHAR item1820[41];
    DMA_WCHAR item1821[209];
    DMA_WCHAR item1822[31];
    DMA_WCHAR item1823[31];
} Kind3Record;
DMA_STATIC_ASSERT(offsetof(Kind3Record, item1821) == 164, "1821 at 164");
DMA_STATIC_ASSERT(offsetof(Kind3Record, item1823) == 644, "1823 at 644");
DMA_STATIC_ASSERT(sizeof(Kind3Record) == 706, "Kind3Record is 706 bytes");

typedef struct Kind4Record {
    uint16_t key;            /* item 1824, 1 to 65535 */
    uint8_t untouched[2];
    int32_t rect[4];         /* R0-R3, orientation-dependent */
} Kind4Record;
DMA_STATIC_ASSERT(offsetof(Kind4Record, rect) == 4, "rect at 4");
DMA_STATIC_ASSERT(sizeof(Kind4Record) == 20, "Kind4Record is 20 bytes");

typedef struct Kind7Record {
    Kind3Record base;        /* the five fields of kind 3 */
    DMA_WCHAR item1876[129];
    uint32_t item1896;
} Kind7Record;
DMA_STATIC_ASSERT(offsetof(Kind7Record, item1876) == 706, "1876 at 706");
DMA_STATIC_ASSERT(offsetof(Kind7Record, item1896) == 964, "1896 at 964");
DMA_STATIC_ASSERT(sizeof(Kind7Record) == 968, "Kind7Record is 968 bytes");

/* ---- Exports ------------------------------------------------------------ */

/* Integer access by DMA ID. */
DMA_API DMA_RESULT DMA_GetValue(DmaContext *context, uint32_t dmaId, int32_t *value);
DMA_API DMA_RESULT DMA_SetValue(DmaContext *context, uint32_t dmaId, int32_t value);
DMA_API DMA_RESULT DMA_QuerySWSupportInfo(DmaContext *context, uint32_t infoKind);

/* Description of the settings. */
DMA_API DMA_RESULT DMA_QueryAttributes(DmaContext *context, uint16_t *idCount,
                                       const uint16_t *ids, AttributeRecord *attrRecords);
DMA_API DMA_RESULT DMA_EnumDMAID_ByTargetInfo(DmaContext *context, int32_t targetType,
                                              uint16_t *entryCount, DmaIdEntry *entries);

/* Raw access by item ID.  For strings and fonts the read hands out the
 * field's offset (8 bytes) and area; the write takes a pointer to a pointer.
 * The write reads no more of the value than declared: a scalar in its
 * declared width, a text up to its terminator within the declared bytes, a
 * LOGFONTW declared with its size (92) or its pointer's (8). */
DMA_API RawStatus dma_GetValue(uint16_t itemId, void *devMode, void *secondary,
                               uint16_t *typeOut, int32_t *lengthOut, void *buffer,
                               uint16_t *areaOut);
DMA_API RawStatus dma_SetValue(uint16_t itemId, void *devMode, void *secondary,
                               uint16_t valueType, int32_t length, const void *value);

/* Strings (ANSI text for the caller, UTF-16 in the settings).
 * DMA_GetStringData hands out the whole field: a stored text that fills its
 * field comes back without a terminator.  DMA_SetStringData reads the text
 * only within the length it is given: the bytes before the terminator, or all
 * of them when none lies within (a length of 0 gives no bound: the text then
 * ends at its terminator, looked for only as far as the field can take). */
DMA_API DMA_RESULT DMA_GetStringData(DmaContext *context, uint32_t dmaId, char *buffer,
                                     uint32_t *length);
DMA_API DMA_RESULT DMA_SetStringData(DmaContext *context, uint32_t dmaId, const char *text,
                                     uint32_t length);
DMA_API DMA_RESULT DMA_GetStringData_StrLength(DmaContext *context, uint32_t dmaId,
                                               char *buffer, uint32_t *length);
DMA_API DMA_RESULT DMA_SetStringData_StrLength(DmaContext *context, uint32_t dmaId,
                                               const char *text);

/* Fonts (LOGFONTA for the caller, LOGFONTW in the settings).  The face name
 * comes back as the whole 32-byte field: a name of 32 characters has no
 * terminator. */
DMA_API DMA_RESULT DMA_GetLogFontData(DmaContext *context, uint32_t dmaId, DMA_LOGFONTA *font,
                                      uint32_t *length);
DMA_API DMA_RESULT DMA_SetLogFontData(DmaContext *context, uint32_t dmaId,
                                      const DMA_LOGFONTA *font, uint32_t size);

/* Document-property files. */
DMA_API DMA_RESULT DMA_ExtractDocPropEx(DmaContext *context, DocPropBuffers *buffers);
DMA_API DMA_RESULT DMA_ExtractDocProp(DmaContext *context, DocPropBuffers *buffers);
DMA_API DMA_RESULT DMA_ExtractOneTimeEx(DmaContext *context, DocPropBuffers *buffers);
DMA_API DMA_RESULT DMA_ExtractOneTime(DmaContext *context, DocPropBuffers *buffers);
DMA_API DMA_RESULT DMA_ReplaceDocProp(DmaContext *context, DocPropBuffers *buffers);

/* Fax destinations. */
DMA_API DMA_RESULT DMA_GetFaxAddressNum(const void *faxAddressBlock, uint16_t *count);
DMA_API DMA_RESULT DMA_SetFaxAddressNum(DmaContext *context, int32_t value, int32_t relative);
DMA_API DMA_RESULT DMA_QueryStructSize(int32_t kind);

/* Record arrays.  nameOrPosition is a pointer to an ANSI name (kinds 2, 3,
 * 4, 7) or a 1-based position in its low 16 bits (kind 5). */
DMA_API DMA_RESULT DMA_AccessibleData(DmaContext *context, int32_t kind, intptr_t nameOrPosition);
DMA_API DMA_RESULT DMA_DeleteData(DmaContext *context, int32_t kind, const char *name);
DMA_API DMA_RESULT DMA_ApplyData(DmaContext *context, int32_t kind, int32_t mode,
                                 intptr_t nameOrPosition);
DMA_API DMA_RESULT DMA_GetNameFromInfo(const void *record, int32_t kind, uint32_t *size,
                                       char *buffer);

/* User settings (UserSettingInfo, 2096 bytes, layout version 4; versions
 * 1-3 accepted on input).  Text without a terminator inside its field: the
 * get operation cuts a stored string that fills its capacity to the field
 * less one unit and terminates it; the set operation refuses a string field
 * of the caller's record that has no terminator inside its width with -10
 * (rows before it stay written).  A name from ansiName that does not fit the
 * 32-unit name field leaves it empty. */
DMA_API DMA_RESULT DMA_GetUserSettingInfo(DmaContext *context, void *info, uint32_t *size);
DMA_API DMA_RESULT DMA_SetUserSettingInfo(DmaContext *context, const void *info);

#endif /* DMACCESS_DMACCESS_H */
