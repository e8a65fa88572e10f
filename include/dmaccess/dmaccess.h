/**
 * \file dmaccess.h
 * \brief Public C interface of the settings-access library.
 *
 * The library reads and changes print settings by number (the DMA ID) in
 * records that the caller owns: the DEVMODEW record with its driver-private
 * part (at least #DMA_DEVMODE_MIN_SIZE bytes), the secondary settings record
 * (at least #DMA_SECONDARY_MIN_SIZE bytes), the fax-address block and the
 * caller's record arrays, all reached through a #DmaContext.  All records
 * are little-endian; every layout below is fixed and checked with static
 * assertions (64-bit pointers).  This header compiles as C (C11) and C++;
 * README.md describes the build, the tools and the files.
 *
 * <b>Results.</b>  The DMA_* operations return a #DMA_RESULT, a
 * pointer-sized signed integer holding a sign-extended 32-bit code: #DMA_OK
 * (1) on success or a negative DMA_E_* code.  #DMA_QueryStructSize alone
 * returns a size.  The raw item-ID operations (lower-case dma_*) return a
 * 16-bit #RawStatus, #DMA_RS_OK (0) on success.  #DMA_E_FAILED (-10) is the
 * general failure and does not say which cause: a null argument, a setting
 * whose record is missing (a null devMode or secondary pointer), a linked
 * setting that refuses the new value, an unreadable or unconvertible value.
 * A failure leaves the caller's records as each operation says; where it
 * says nothing, a failing write changes nothing.
 *
 * <b>DMA IDs.</b>  The operations by DMA ID take it in a 32-bit argument and
 * use its low 16 bits.  An integer setting is read and written as a 32-bit
 * integer whatever its stored width: #DMA_GetValue returns a narrower value
 * zero-extended (a SHORT holding -1 reads as 65535) and #DMA_SetValue stores
 * the low-order bytes of the integer without a range check (70000 into a
 * 16-bit setting stores 4464).
 *
 * <b>Size queries.</b>  An operation that fills a caller's buffer answers a
 * call without the buffer (and with a size of 0 where the operation says so)
 * with #DMA_E_MORE_DATA and the size it needs; the caller then calls again
 * with a buffer of that size.  A buffer that is too small gives
 * #DMA_E_MORE_DATA too, but not every operation then reports the size: see
 * each one.
 *
 * <b>Text.</b>  Callers exchange 8-bit text in the ANSI code page; the
 * settings store UTF-16 (one setting, item 329, stores 8-bit text).  On
 * Windows the ANSI code page is the system's (GetACP).  The Linux build
 * always uses code page 1252: UTF-8 text is not recognised, so the UTF-8
 * bytes of "Zo\u00EB" (5A 6F C3 AB) are stored as the four characters
 * "Zo\u00C3\u00AB" and come back as the same bytes.  Characters that the code
 * page lacks are handed out as '?' (or a similar letter on Windows).  Every
 * text size handed to a caller counts bytes of 8-bit text with the
 * terminator.
 *
 * <b>Threads.</b>  The library keeps no state between calls and has no
 * global mutable data (its tables are constant), so calls on separate
 * records may run on any threads at once.  Calls that read or write the same
 * records (the same DmaContext, DEVMODEW, secondary record, fax-address
 * block or record array) must be serialised by the caller: a write changes
 * several places of a record in sequence.  The library never keeps a
 * pointer to a caller's record after it returns.
 *
 * <b>Which count is which.</b>  "Every setting" has several counts, measured
 * on records of the minimum sizes:
 * - 1188 catalogue rows (items), of which 53 have no DMA ID;
 * - 1135 entries from #DMA_EnumDMAID_ByTargetInfo with #DMA_TARGET_ALL: one
 *   per catalogue row that has a DMA ID;
 * - 1145 DMA IDs in the public map: those 1135 and the ten protected IDs
 *   #DMA_ID_PROTECTED_FIRST to #DMA_ID_PROTECTED_LAST, which write (scrambled)
 *   into items that have an ordinary DMA ID as well, so the enumeration, which
 *   walks items, lists only the ordinary one;
 * - 1147 DMA IDs that the operations accept: the map and the two fax header
 *   strings #DMA_ID_FAX_HEADER1 and #DMA_ID_FAX_HEADER2, which live in the
 *   fax-address block and are not in the map;
 * - #DMA_QueryAttributes without a list counts the IDs that read in the
 *   caller's records: 1147 with a DEVMODEW record, a secondary record and a
 *   fax-address block; 1145 without the block; fewer without a record (674
 *   with the DEVMODEW record alone); none, and -10, without any;
 * - 1137 of those hold a readable value: the ten protected IDs are
 *   write-only (their string read answers the size query but reads -10),
 *   so a dump of every value, such as `dmactl export`, has 1137 entries.
 */
#ifndef DMACCESS_DMACCESS_H
#define DMACCESS_DMACCESS_H

/* Version of this header and the library built with it.  The build takes
 * the library's version from these lines. */
/** Major version: changes when the interface changes incompatibly. */
#define DMACCESS_VERSION_MAJOR 1
/** Minor version: changes when the interface grows compatibly. */
#define DMACCESS_VERSION_MINOR 0
/** Patch version: changes for fixes that leave the interface as it is. */
#define DMACCESS_VERSION_PATCH 0
/** The version as one number, major * 10000 + minor * 100 + patch. */
#define DMACCESS_VERSION \
    (DMACCESS_VERSION_MAJOR * 10000 + DMACCESS_VERSION_MINOR * 100 + DMACCESS_VERSION_PATCH)
/** The version as text, "major.minor.patch". */
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
/** One UTF-16 code unit of the stored texts (WCHAR on Windows). */
typedef char16_t DMA_WCHAR;
#endif

#ifdef __cplusplus
#define DMA_EXTERN_C extern "C"
#else
/** C linkage for the declarations when the header is compiled as C++. */
#define DMA_EXTERN_C
#endif

#if defined(_WIN32)
/* Exports are named by the module-definition file. */
#define DMA_API DMA_EXTERN_C
#else
/** Marks an exported operation (C linkage; visible outside the .so). */
#define DMA_API DMA_EXTERN_C __attribute__((visibility("default")))
#endif

#if defined(__cplusplus)
#define DMA_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
/** A compile-time check of the layouts below, in C and C++. */
#define DMA_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/** Result of the DMA_* operations (INT_PTR): a sign-extended 32-bit code,
 *  #DMA_OK or a negative DMA_E_* code. */
typedef intptr_t DMA_RESULT;
/** Result of the raw operations dma_GetValue and dma_SetValue: #DMA_RS_OK
 *  or one of the single-bit DMA_RS_* statuses. */
typedef uint16_t RawStatus;

/** \name Result codes of the DMA_* operations
 *  The same code can have several causes; each operation lists its own.
 *  @{ */
#define DMA_OK                  1     /**< done (also: nothing to do, such as an empty path setting) */
#define DMA_E_NO_ID            (-1)  /**< DMA ID not in the public map; no fax block for 0xA001/0xA002 */
#define DMA_E_IS_STRING        (-2)  /**< a string DMA ID given to an integer or font operation */
#define DMA_E_WRONG_TYPE       (-3)  /**< the item has another value type than the operation handles */
#define DMA_E_INFO_KIND        (-4)  /**< DMA_QuerySWSupportInfo: unknown information kind */
#define DMA_E_MORE_DATA        (-5)  /**< size query answered, or buffer/array too small */
#define DMA_E_TOO_LONG         (-6)  /**< value too long for its field; font record over 60 bytes */
#define DMA_E_IS_FONT          (-7)  /**< a font DMA ID given to an integer or string operation */
#define DMA_E_FAILED           (-10) /**< general failure: null argument, missing record, refused linked setting, ... */
#define DMA_E_SUPPORT_READ     (-12) /**< the support flag cannot be read */
#define DMA_E_FILE_OPEN        (-13) /**< document-property file cannot be created or opened */
#define DMA_E_FILE_WRITE       (-14) /**< writing the document-property file failed */
#define DMA_E_FILE_READ        (-15) /**< size, memory or read failure on the document-property file */
#define DMA_E_FILE_FORMAT      (-16) /**< the document-property file (or the sections to write) breaks its format */
#define DMA_E_FAXFILE_OPEN     (-17) /**< the fax-only file cannot be created */
#define DMA_E_FAXFILE_WRITE    (-18) /**< writing the fax-only file failed */
#define DMA_E_KIND             (-19) /**< record kind or target type not served */
#define DMA_E_NO_FAX_ENTRY     (-20) /**< fax entry position out of range or not in a qualifying state */
#define DMA_E_NO_KIND4_RECORD  (-21) /**< kind 4: no qualifying element with that name */
#define DMA_E_NO_RECORD        (-22) /**< kinds 2, 3, 7: no qualifying element with that name */
#define DMA_E_MODE             (-23) /**< DMA_ApplyData: mode other than 0 or 1 */
#define DMA_E_NOT_SUPPORTED    (-35) /**< capability not supported */
/** @} */

/** \name Raw engine status (distinct single bits, only one returned)
 *  @{ */
#define DMA_RS_OK        0x00 /**< success */
#define DMA_RS_NO_RANGE  0x01 /**< item ID in no range of the catalogue */
#define DMA_RS_BAD_TYPE  0x02 /**< declared type is neither valueType nor reportType */
#define DMA_RS_BAD_SIZE  0x04 /**< string or font does not fit */
#define DMA_RS_BAD_WIDTH 0x08 /**< declared scalar length differs from the type's width */
#define DMA_RS_FAILED    0x10 /**< any other failure (no row, missing record, refused value) */
/** @} */

/** \name Value types (dma_GetValue, dma_SetValue); 7 is unassigned
 *  @{ */
#define DMA_VT_FLAG    1  /**< one bit of a 32-bit word, read and written as 0 or 1 */
#define DMA_VT_SHORT   2  /**< signed 16-bit */
#define DMA_VT_WORD    3  /**< unsigned 16-bit */
#define DMA_VT_INT     4  /**< signed 32-bit */
#define DMA_VT_DWORD   5  /**< unsigned 32-bit */
#define DMA_VT_STRING  6  /**< text field of fixed capacity (UTF-16; 8-bit for item 329) */
#define DMA_VT_BYTE    8  /**< unsigned 8-bit */
#define DMA_VT_LOGFONT 9  /**< LOGFONTW, 92 bytes */
#define DMA_VT_LONG    10 /**< signed 32-bit */
/** @} */

/** \name Storage areas (the area that dma_GetValue reports)
 *  @{ */
#define DMA_SA_DEVMODE     0 /**< DEVMODEW record from its first byte */
#define DMA_SA_DEVMODE_EXT 1 /**< block #DMA_DEVMODE_EXT_BASE bytes into the DEVMODEW record */
#define DMA_SA_SECONDARY   2 /**< the secondary settings record */
#define DMA_DEVMODE_EXT_BASE 1608 /**< offset of area #DMA_SA_DEVMODE_EXT in the DEVMODEW record */
/** @} */

/** \name Minimum sizes of the caller's records (the library does not check them)
 *  @{ */
#define DMA_DEVMODE_MIN_SIZE   5988 /**< DEVMODEW record with its private part */
#define DMA_SECONDARY_MIN_SIZE 7974 /**< secondary settings record */
/** @} */

/** \name Reserved DMA IDs
 *  The fax header strings are recognised before translation; the protected
 *  strings are write-only (their read is -10).
 *  @{ */
#define DMA_ID_FAX_HEADER1   0xA001 /**< FaxAddressBlock::header1, a string of at most 40 characters */
#define DMA_ID_FAX_HEADER2   0xA002 /**< FaxAddressBlock::header2, a string of at most 670 characters */
#define DMA_ID_PROTECTED_FIRST 0x9001 /**< first protected string (stored scrambled, Base64) */
#define DMA_ID_PROTECTED_LAST  0x900A /**< last protected string */
#define DMA_ID_DOCPROP_PATH  0x176 /**< path of the document-property file (128 characters) */
#define DMA_ID_FAXFILE_PATH  0x177 /**< path of the fax-only file (128 characters) */
/** @} */

/** \name Attribute kinds (AttributeRecord::kind) and enumeration bits (DmaIdEntry::attributes)
 *  @{ */
#define DMA_ATTR_KIND_SCALAR  0 /**< integer: DMA_GetValue, size 4 */
#define DMA_ATTR_KIND_STRING  1 /**< string: the string operations */
#define DMA_ATTR_KIND_LOGFONT 2 /**< font: the font operations, size 60 */
#define DMA_DMAID_ATTR_STRING  1u /**< bit 0: a string value */
#define DMA_DMAID_ATTR_LOGFONT 2u /**< bit 1: a font value */
/** @} */

/** \name Record kinds (the `kind` arguments) and their sizes (DMA_QueryStructSize)
 *  @{ */
#define DMA_KIND_2        2 /**< Kind2Record, keyed by name */
#define DMA_KIND_3        3 /**< Kind3Record, keyed by name */
#define DMA_KIND_4        4 /**< Kind4Record, keyed by a number written as text */
#define DMA_KIND_FAX      5 /**< FaxAddressEntry, addressed by 1-based position */
#define DMA_KIND_FAXBLOCK 6 /**< FaxAddressBlock header (DMA_QueryStructSize only) */
#define DMA_KIND_7        7 /**< Kind7Record, keyed by name */
#define DMA_KIND2_SIZE     308  /**< bytes of a Kind2Record */
#define DMA_KIND3_SIZE     706  /**< bytes of a Kind3Record */
#define DMA_KIND4_SIZE     20   /**< bytes of a Kind4Record */
#define DMA_FAX_ENTRY_SIZE 820  /**< bytes of a FaxAddressEntry */
#define DMA_FAX_HEADER_SIZE 1442 /**< bytes of the FaxAddressBlock header */
#define DMA_KIND7_SIZE     968  /**< bytes of a Kind7Record */
#define DMA_FAX_OLD_ENTRY_SIZE 768 /**< bytes of a fax entry in the old "ZOVA001" layout */
#define DMA_USER_SETTING_INFO_SIZE 2096 /**< bytes of the UserSettingInfo record, version 4 */
/** @} */

/** \name Record states (the state byte of each element of a RecordArray)
 *  @{ */
#define DMA_STATE_EMPTY   0 /**< never stored; never loaded or found */
#define DMA_STATE_IN_USE  1 /**< stored by DMA_ApplyData; loaded and found */
#define DMA_STATE_DELETED 2 /**< deleted by DMA_DeleteData; found by name, not loaded */
/** @} */

/** Target type of DMA_EnumDMAID_ByTargetInfo for the whole catalogue.  The
 *  other target types are the record kinds DMA_KIND_2, DMA_KIND_3,
 *  DMA_KIND_4, DMA_KIND_FAX and DMA_KIND_7 (their field lists). */
#define DMA_TARGET_ALL 1

/** Information kind of DMA_QuerySWSupportInfo (the only one). */
#define DMA_INFO_SUPPORT 1

/** \name Modes of DMA_ApplyData
 *  @{ */
#define DMA_APPLY_MODE_FIND 0 /**< the element found by name (kind 5: by position) */
#define DMA_APPLY_MODE_LAST 1 /**< the array's last element, whatever its state */
/** @} */

/** \name The relative flag of DMA_SetFaxAddressNum
 *  @{ */
#define DMA_FAX_COUNT_SET 0 /**< the count becomes the value */
#define DMA_FAX_COUNT_ADD 1 /**< the value is added to the count */
/** @} */

/** Layout version of the UserSettingInfo record written by
 *  DMA_GetUserSettingInfo (16 bits at offset 0); DMA_SetUserSettingInfo
 *  also takes versions 1 to 3. */
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
/** Characters of a face name, terminator included (LF_FACESIZE). */
#define DMA_LF_FACESIZE 32
/** The caller's font record, the layout of Windows' LOGFONTA (60 bytes). */
typedef struct DmaLogFontA {
    int32_t lfHeight;        /**< height in logical units */
    int32_t lfWidth;         /**< average character width */
    int32_t lfEscapement;    /**< angle of the text line, tenths of a degree */
    int32_t lfOrientation;   /**< angle of each character, tenths of a degree */
    int32_t lfWeight;        /**< weight, 0 to 1000 (400 normal, 700 bold) */
    uint8_t lfItalic;        /**< non-zero: italic */
    uint8_t lfUnderline;     /**< non-zero: underlined */
    uint8_t lfStrikeOut;     /**< non-zero: struck out */
    uint8_t lfCharSet;       /**< character set */
    uint8_t lfOutPrecision;  /**< output precision */
    uint8_t lfClipPrecision; /**< clipping precision */
    uint8_t lfQuality;       /**< output quality */
    uint8_t lfPitchAndFamily; /**< pitch and family */
    char lfFaceName[DMA_LF_FACESIZE]; /**< face name, ANSI code page */
} DMA_LOGFONTA;
/** The stored font record, the layout of Windows' LOGFONTW (92 bytes). */
typedef struct DmaLogFontW {
    int32_t lfHeight;        /**< height in logical units */
    int32_t lfWidth;         /**< average character width */
    int32_t lfEscapement;    /**< angle of the text line, tenths of a degree */
    int32_t lfOrientation;   /**< angle of each character, tenths of a degree */
    int32_t lfWeight;        /**< weight, 0 to 1000 (400 normal, 700 bold) */
    uint8_t lfItalic;        /**< non-zero: italic */
    uint8_t lfUnderline;     /**< non-zero: underlined */
    uint8_t lfStrikeOut;     /**< non-zero: struck out */
    uint8_t lfCharSet;       /**< character set */
    uint8_t lfOutPrecision;  /**< output precision */
    uint8_t lfClipPrecision; /**< clipping precision */
    uint8_t lfQuality;       /**< output quality */
    uint8_t lfPitchAndFamily; /**< pitch and family */
    DMA_WCHAR lfFaceName[DMA_LF_FACESIZE]; /**< face name, UTF-16 */
} DMA_LOGFONTW;
#if !defined(_WIN32)
/** Characters of a face name (Windows' name; Linux build only). */
#define LF_FACESIZE DMA_LF_FACESIZE
/** Windows' name of the caller's font record (Linux build only). */
typedef DMA_LOGFONTA LOGFONTA;
/** Windows' name of the stored font record (Linux build only). */
typedef DMA_LOGFONTW LOGFONTW;
#endif
#endif
DMA_STATIC_ASSERT(sizeof(DMA_LOGFONTA) == 60, "LOGFONTA is 60 bytes");
DMA_STATIC_ASSERT(sizeof(DMA_LOGFONTW) == 92, "LOGFONTW is 92 bytes");
DMA_STATIC_ASSERT(offsetof(DMA_LOGFONTA, lfFaceName) == 28, "lfFaceName at 28");
DMA_STATIC_ASSERT(offsetof(DMA_LOGFONTW, lfFaceName) == 28, "lfFaceName at 28");

/* ---- Caller's record arrays and context --------------------------------- */
/** The caller's array of records of one kind, with a state byte for each. */
typedef struct RecordArray {
    uint32_t count;       /**< number of elements */
    uint32_t elementSize; /**< distance in bytes from one element to the next */
    uint8_t *states;      /**< one state byte (DMA_STATE_*) per element */
    void *records;        /**< the first element */
} RecordArray;
DMA_STATIC_ASSERT(sizeof(RecordArray) == 24, "RecordArray is 24 bytes");

/** The first argument of the DMA_* operations: the caller's records.  A null
 *  devMode or secondary makes the settings stored there unavailable (their
 *  operations fail with #DMA_E_FAILED) without affecting the others. */
typedef struct DmaContext {
    uint8_t callerReserved0[264]; /**< the caller's own; not read */
    char ansiName[264];       /**< zero-terminated ANSI name (user settings) */
    void *devMode;            /**< DEVMODEW record with private part and block at 1608 */
    void *secondary;          /**< secondary settings record */
    uint8_t callerReserved1[8]; /**< the caller's own; not read */
    void *faxAddressBlock;    /**< FaxAddressBlock */
    RecordArray faxEntries;   /**< record kind 5 (FaxAddressEntry) */
    RecordArray kind4Records; /**< record kind 4 (Kind4Record) */
    RecordArray kind2Records; /**< record kind 2 (Kind2Record) */
    RecordArray kind3Records; /**< record kind 3 (Kind3Record) */
    RecordArray kind7Records; /**< record kind 7 (Kind7Record) */
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
/** One result of DMA_QueryAttributes. */
typedef struct AttributeRecord {
    uint16_t dmaId; /**< the DMA ID */
    int32_t kind;   /**< DMA_ATTR_KIND_* */
    int32_t size;   /**< bytes the caller needs: 4, 60, or the string read's size-query answer */
} AttributeRecord;
DMA_STATIC_ASSERT(sizeof(AttributeRecord) == 12, "AttributeRecord is 12 bytes");
DMA_STATIC_ASSERT(offsetof(AttributeRecord, kind) == 4, "kind at 4");

/** One result of DMA_EnumDMAID_ByTargetInfo. */
typedef struct DmaIdEntry {
    uint32_t dmaId;      /**< the DMA ID (zero above its 16 bits) */
    uint32_t attributes; /**< DMA_DMAID_ATTR_*; the other 30 bits are never written */
} DmaIdEntry;
DMA_STATIC_ASSERT(sizeof(DmaIdEntry) == 8, "DmaIdEntry is 8 bytes");

/** The caller's section buffers for the document-property operations.  The
 *  record's order differs from the file's order (NDEV001, TMBINFO, SPINFO,
 *  fax).  Each buffer holds a whole section, header included. */
typedef struct DocPropBuffers {
    void *ndev;           /**< "NDEV001" section (DmaNdevHeader and payload) */
    uint32_t ndevSize;    /**< its bytes */
    void *tmbInfo;        /**< "TMBINFO" section (DmaTmbInfoHeader and payload) */
    uint32_t tmbInfoSize; /**< its bytes */
    void *faxBlock;       /**< fax section (FaxAddressBlock and its entries), may be null */
    uint32_t faxBlockSize; /**< its bytes */
    void *spInfo;         /**< "SPINFO" section (DmaSpInfoHeader and payload) */
    uint32_t spInfoSize;  /**< its bytes */
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
 * A section is present when the bytes left after the sections before it
 * reach its header size (for the fax section #DMA_FAX_HEADER_SIZE); a
 * present section must be valid.  Signatures are UTF-16: each ASCII
 * character of the DMA_*_SIGNATURE text is one unit, and the units after it
 * up to the signature's width are zero. */
/** \name Document-property section signatures and fax block size
 *  @{ */
#define DMA_NDEV_SIGNATURE     "NDEV001"  /**< DmaNdevHeader::signature, as ASCII */
#define DMA_NDEV_MAGIC         0x5250u    /**< DmaNdevHeader::magic: the bytes 0x50, 0x52, 0, 0 */
#define DMA_TMBINFO_SIGNATURE  "TMBINFO"  /**< DmaTmbInfoHeader::signature, as ASCII */
#define DMA_SPINFO_SIGNATURE   "SPINFO"   /**< DmaSpInfoHeader::signature, as ASCII */
#define DMA_FAX_SIGNATURE      "ZOVA002"  /**< FaxAddressBlock::signature, current layout */
#define DMA_FAX_OLD_SIGNATURE  "ZOVA001"  /**< old layout (768-byte entries), converted on reading */
/** Bytes of a fax section (or fax-address block) in the current layout with
 *  `count` destination entries. */
#define DMA_FAX_BLOCK_SIZE(count) \
    ((uint32_t)DMA_FAX_HEADER_SIZE + (uint32_t)DMA_FAX_ENTRY_SIZE * (uint32_t)(count))
/** @} */

/** Header of the "NDEV001" section (24 bytes); the payload follows. */
typedef struct DmaNdevHeader {
    DMA_WCHAR signature[8]; /**< "NDEV001" and its terminator */
    uint32_t magic;         /**< #DMA_NDEV_MAGIC */
    uint32_t payloadSize;   /**< payload bytes that follow the header */
} DmaNdevHeader;
DMA_STATIC_ASSERT(offsetof(DmaNdevHeader, magic) == 16, "magic at 16");
DMA_STATIC_ASSERT(offsetof(DmaNdevHeader, payloadSize) == 20, "payloadSize at 20");
DMA_STATIC_ASSERT(sizeof(DmaNdevHeader) == 24, "DmaNdevHeader is 24 bytes");

/** Header of the "TMBINFO" section (20 bytes); the payload follows. */
typedef struct DmaTmbInfoHeader {
    DMA_WCHAR signature[8]; /**< "TMBINFO" and its terminator */
    uint32_t payloadSize;   /**< payload bytes that follow the header */
} DmaTmbInfoHeader;
DMA_STATIC_ASSERT(offsetof(DmaTmbInfoHeader, payloadSize) == 16, "payloadSize at 16");
DMA_STATIC_ASSERT(sizeof(DmaTmbInfoHeader) == 20, "DmaTmbInfoHeader is 20 bytes");

/** Header of the "SPINFO" section (20 bytes); the payload follows. */
typedef struct DmaSpInfoHeader {
    DMA_WCHAR signature[7]; /**< "SPINFO" and its terminator */
    DMA_WCHAR unchecked;    /**< one more unit, not checked on reading */
    uint32_t payloadSize;   /**< payload bytes that follow the header */
} DmaSpInfoHeader;
DMA_STATIC_ASSERT(offsetof(DmaSpInfoHeader, unchecked) == 14, "unchecked at 14");
DMA_STATIC_ASSERT(offsetof(DmaSpInfoHeader, payloadSize) == 16, "payloadSize at 16");
DMA_STATIC_ASSERT(sizeof(DmaSpInfoHeader) == 20, "DmaSpInfoHeader is 20 bytes");

/* ---- Fax-address block and the record kinds ----------------------------- */
/** Header of the fax-address block and of the fax section of a
 *  document-property file (#DMA_FAX_HEADER_SIZE bytes); `count` entries of
 *  FaxAddressEntry follow it without a gap, #DMA_FAX_BLOCK_SIZE(count) bytes
 *  in all.  The library never allocates or resizes a block. */
typedef struct FaxAddressBlock {
    DMA_WCHAR signature[8];   /**< #DMA_FAX_SIGNATURE ("ZOVA002") and its terminator */
    uint16_t count;           /**< destination entries that follow the header */
    DMA_WCHAR header1[41];    /**< DMA ID 0xA001, at most 40 characters */
    DMA_WCHAR header2[671];   /**< DMA ID 0xA002, at most 670 characters */
    /* FaxAddressEntry entries[count] follow without a gap */
} FaxAddressBlock;
DMA_STATIC_ASSERT(offsetof(FaxAddressBlock, count) == 16, "count at 16");
DMA_STATIC_ASSERT(offsetof(FaxAddressBlock, header1) == 18, "header1 at 18");
DMA_STATIC_ASSERT(offsetof(FaxAddressBlock, header2) == 100, "header2 at 100");
DMA_STATIC_ASSERT(sizeof(FaxAddressBlock) == 1442, "FaxAddressBlock header is 1442 bytes");

/** Record kind 5: one fax destination (820 bytes).  The members are named by
 *  the item they hold; texts are UTF-16 with their terminator. */
typedef struct FaxAddressEntry {
    uint16_t item1794;        /**< item 1794 */
    DMA_WCHAR item1795[129];  /**< item 1795 */
    uint16_t item1796;        /**< item 1796 */
    DMA_WCHAR item1797[41];   /**< item 1797 */
    DMA_WCHAR item1798[83];   /**< item 1798 */
    uint16_t item1810;        /**< item 1810 */
    uint16_t item1811;        /**< item 1811 */
    uint16_t item1812;        /**< item 1812 */
    DMA_WCHAR item1813[9];    /**< item 1813; the setting itself holds 5 units */
    uint16_t item1814;        /**< item 1814 */
    uint16_t item1815;        /**< item 1815 */
    DMA_WCHAR item1816[60];   /**< item 1816 */
    DMA_WCHAR item1817[21];   /**< item 1817 */
    DMA_WCHAR item1818[21];   /**< item 1818 */
    uint8_t unused742[2];     /**< belongs to no field */
    uint32_t item1892;        /**< item 1892 */
    uint32_t item1893;        /**< item 1893 */
    DMA_WCHAR item1897[8];    /**< item 1897: 16 bytes, the old entry's last (no DMA ID) */
    DMA_WCHAR item1894[25];   /**< item 1894: Base64 text of item 1897 after conversion */
    uint8_t unused818[2];     /**< belongs to no field */
} FaxAddressEntry;
DMA_STATIC_ASSERT(offsetof(FaxAddressEntry, item1796) == 260, "1796 at 260");
DMA_STATIC_ASSERT(offsetof(FaxAddressEntry, item1810) == 510, "1810 at 510");
DMA_STATIC_ASSERT(offsetof(FaxAddressEntry, item1813) == 516, "1813 at 516");
DMA_STATIC_ASSERT(offsetof(FaxAddressEntry, item1816) == 538, "1816 at 538");
DMA_STATIC_ASSERT(offsetof(FaxAddressEntry, item1892) == 744, "1892 at 744");
DMA_STATIC_ASSERT(offsetof(FaxAddressEntry, item1897) == 752, "1897 at 752");
DMA_STATIC_ASSERT(offsetof(FaxAddressEntry, item1894) == 768, "1894 at 768");
DMA_STATIC_ASSERT(sizeof(FaxAddressEntry) == 820, "FaxAddressEntry is 820 bytes");

/** Record kind 2 (308 bytes), keyed by its name. */
typedef struct Kind2Record {
    DMA_WCHAR name[33];      /**< item 297, the key */
    DMA_WCHAR item299[65];   /**< item 299 */
    uint32_t item301;        /**< item 301 */
    uint8_t item300;         /**< item 300: stored byte; reads write 2 bytes (reported WORD) */
    uint8_t pad201[3];       /**< padding */
    uint32_t item1287;       /**< item 1287: 0 or 1 */
    uint8_t item302;         /**< item 302 */
    uint8_t pad209;          /**< padding */
    uint16_t item303;        /**< item 303 */
    uint32_t item1288;       /**< item 1288: 0 or 1 */
    DMA_LOGFONTW item304;    /**< item 304, a font */
} Kind2Record;
DMA_STATIC_ASSERT(offsetof(Kind2Record, item301) == 196, "301 at 196");
DMA_STATIC_ASSERT(offsetof(Kind2Record, item1287) == 204, "1287 at 204");
DMA_STATIC_ASSERT(offsetof(Kind2Record, item303) == 210, "303 at 210");
DMA_STATIC_ASSERT(offsetof(Kind2Record, item304) == 216, "304 at 216");
DMA_STATIC_ASSERT(sizeof(Kind2Record) == 308, "Kind2Record is 308 bytes");

/** Record kind 3 (706 bytes), keyed by its name. */
typedef struct Kind3Record {
    DMA_WCHAR name[41];      /**< item 1819, the key */
    DMA_WCHAR item1820[41];  /**< item 1820 */
    DMA_WCHAR item1821[209]; /**< item 1821 */
    DMA_WCHAR item1822[31];  /**< item 1822 */
    DMA_WCHAR item1823[31];  /**< item 1823 */
} Kind3Record;
DMA_STATIC_ASSERT(offsetof(Kind3Record, item1821) == 164, "1821 at 164");
DMA_STATIC_ASSERT(offsetof(Kind3Record, item1823) == 644, "1823 at 644");
DMA_STATIC_ASSERT(sizeof(Kind3Record) == 706, "Kind3Record is 706 bytes");

/** Record kind 4 (20 bytes), keyed by a number (its name is the number as
 *  text). */
typedef struct Kind4Record {
    uint16_t key;            /**< item 1824, 1 to 65535 */
    uint8_t untouched[2];    /**< never read or written */
    int32_t rect[4];         /**< R0-R3, orientation-dependent */
} Kind4Record;
DMA_STATIC_ASSERT(offsetof(Kind4Record, rect) == 4, "rect at 4");
DMA_STATIC_ASSERT(sizeof(Kind4Record) == 20, "Kind4Record is 20 bytes");

/** Record kind 7 (968 bytes): the fields of kind 3 and two more, keyed by
 *  its name. */
typedef struct Kind7Record {
    Kind3Record base;        /**< the five fields of kind 3 */
    DMA_WCHAR item1876[129]; /**< item 1876 */
    uint32_t item1896;       /**< item 1896 */
} Kind7Record;
DMA_STATIC_ASSERT(offsetof(Kind7Record, item1876) == 706, "1876 at 706");
DMA_STATIC_ASSERT(offsetof(Kind7Record, item1896) == 964, "1896 at 964");
DMA_STATIC_ASSERT(sizeof(Kind7Record) == 968, "Kind7Record is 968 bytes");

/** The user-settings record, layout version 4 (2096 bytes), that
 *  DMA_GetUserSettingInfo fills and DMA_SetUserSettingInfo takes back.
 *  Strings are UTF-16 with a terminator inside their field; each field is as
 *  wide as its setting.  Versions 1 to 3, which DMA_SetUserSettingInfo also
 *  takes, are shorter records with the same fields at other places. */
typedef struct UserSettingInfo {
    uint16_t version;        /**< layout version: #DMA_USER_SETTING_VERSION */
    uint16_t item8203;       /**< item 8203 (read only) */
    uint16_t item8204;       /**< item 8204 (read only) */
    uint16_t item5137;       /**< item 5137 (read only) */
    DMA_WCHAR userName[32];  /**< the context's ansiName as UTF-16 (read only) */
    uint16_t mark;           /**< 7 in a filled record */
    uint8_t pad74[2];        /**< zero */
    DMA_WCHAR item5129[25];  /**< item 5129 */
    DMA_WCHAR item5130[5];   /**< item 5130 */
    uint16_t item5146;       /**< item 5146 */
    DMA_WCHAR item5147[129]; /**< item 5147 */
    DMA_WCHAR item5159[17];  /**< item 5159 */
    uint8_t pad430[2];       /**< zero */
    DMA_WCHAR item5150[33];  /**< item 5150 */
    DMA_WCHAR item5148[129]; /**< item 5148 */
    DMA_WCHAR item5161[173]; /**< item 5161 */
    DMA_WCHAR item5167[33];  /**< item 5167 */
    DMA_WCHAR item5214[65];  /**< item 5214 */
    uint8_t item5165;        /**< item 5165 */
    uint8_t pad1299;         /**< zero */
    uint32_t item5169;       /**< item 5169: a plain 32-bit value */
    uint32_t item5171;       /**< item 5171: a plain 32-bit value */
    uint32_t item5173;       /**< item 5173: a plain 32-bit value */
    uint16_t item5178;       /**< item 5178 */
    DMA_WCHAR item5180[25];  /**< item 5180 */
    DMA_WCHAR item5182[17];  /**< item 5182 */
    uint8_t pad1398[4];      /**< zero */
    DMA_WCHAR item5174[33];  /**< item 5174 */
    DMA_WCHAR item5175[173]; /**< item 5175 */
    DMA_WCHAR item5176[33];  /**< item 5176 */
    DMA_WCHAR item5215[65];  /**< item 5215 */
    DMA_WCHAR item5184[25];  /**< item 5184 */
    DMA_WCHAR item5185[17];  /**< item 5185 */
    uint8_t item5183;        /**< item 5183 */
    uint8_t pad2095;         /**< zero */
} UserSettingInfo;
DMA_STATIC_ASSERT(offsetof(UserSettingInfo, userName) == 8, "userName at 8");
DMA_STATIC_ASSERT(offsetof(UserSettingInfo, mark) == 72, "mark at 72");
DMA_STATIC_ASSERT(offsetof(UserSettingInfo, item5129) == 76, "5129 at 76");
DMA_STATIC_ASSERT(offsetof(UserSettingInfo, item5147) == 138, "5147 at 138");
DMA_STATIC_ASSERT(offsetof(UserSettingInfo, item5150) == 432, "5150 at 432");
DMA_STATIC_ASSERT(offsetof(UserSettingInfo, item5214) == 1168, "5214 at 1168");
DMA_STATIC_ASSERT(offsetof(UserSettingInfo, item5165) == 1298, "5165 at 1298");
DMA_STATIC_ASSERT(offsetof(UserSettingInfo, item5169) == 1300, "5169 at 1300");
DMA_STATIC_ASSERT(offsetof(UserSettingInfo, item5178) == 1312, "5178 at 1312");
DMA_STATIC_ASSERT(offsetof(UserSettingInfo, item5182) == 1364, "5182 at 1364");
DMA_STATIC_ASSERT(offsetof(UserSettingInfo, item5174) == 1402, "5174 at 1402");
DMA_STATIC_ASSERT(offsetof(UserSettingInfo, item5215) == 1880, "5215 at 1880");
DMA_STATIC_ASSERT(offsetof(UserSettingInfo, item5185) == 2060, "5185 at 2060");
DMA_STATIC_ASSERT(offsetof(UserSettingInfo, item5183) == 2094, "5183 at 2094");
DMA_STATIC_ASSERT(sizeof(UserSettingInfo) == DMA_USER_SETTING_INFO_SIZE, "UserSettingInfo is 2096 bytes");

/* ---- Exports ------------------------------------------------------------ */

/**
 * @brief Reads an integer setting as a 32-bit integer.
 * @param [in] context the caller's records; null gives #DMA_E_FAILED.
 * @param [in] dmaId the DMA ID (low 16 bits used).
 * @param [out] value receives the value, zero-extended from its width (a
 *   SHORT holding -1 reads as 65535; a flag reads 0 or 1).
 * @retval DMA_OK read.
 * @retval DMA_E_NO_ID the ID is not in the public map.
 * @retval DMA_E_IS_STRING a string setting, the fax header strings included.
 * @retval DMA_E_IS_FONT a font setting.
 * @retval DMA_E_FAILED null context or value, the setting's record is null,
 *   or the value cannot be read (font 1's escapement member while its two
 *   angle members differ).
 * @return On a failure before the read *value is untouched; a failing read
 *   leaves it 0.
 */
DMA_API DMA_RESULT DMA_GetValue(DmaContext *context, uint32_t dmaId, int32_t *value);

/**
 * @brief Writes an integer setting, keeping its linked settings in step.
 * @param [in,out] context the caller's records.
 * @param [in] dmaId the DMA ID (low 16 bits used).
 * @param [in] value the new value: the low-order bytes that the stored width
 *   takes are stored, without a range check (70000 into a 16-bit setting
 *   stores 4464); a flag takes only the low byte, 0 clearing it and any
 *   other value setting it (the inverted flags look at its bit 0 alone).
 * @retval DMA_OK written, with every linked setting that follows it.
 * @retval DMA_E_NO_ID, DMA_E_IS_STRING, DMA_E_IS_FONT as for DMA_GetValue;
 *   nothing is written.
 * @retval DMA_E_FAILED null context, the setting's record is null, or a
 *   linked setting cannot follow the value (0x0140 = 5, say); the records
 *   are left as they were.
 */
DMA_API DMA_RESULT DMA_SetValue(DmaContext *context, uint32_t dmaId, int32_t value);

/**
 * @brief Tells whether the settings mark the capability as supported.
 * @param [in] context the caller's records (the flag lives in the secondary
 *   record).
 * @param [in] infoKind #DMA_INFO_SUPPORT (low 16 bits used).
 * @retval DMA_OK supported (the flag is non-zero).
 * @retval DMA_E_NOT_SUPPORTED the flag is 0.
 * @retval DMA_E_INFO_KIND another information kind.
 * @retval DMA_E_SUPPORT_READ the flag cannot be read (no secondary record).
 * @retval DMA_E_FAILED null context.
 */
DMA_API DMA_RESULT DMA_QuerySWSupportInfo(DmaContext *context, uint32_t infoKind);

/**
 * @brief Kind and buffer size of listed DMA IDs, or of every DMA ID that
 *        reads in the caller's records.
 *
 * With a list, each ID's record goes to the same index of attrRecords,
 * stopping at the first failure (the records before it stay written).
 * Without a list (ids null) the operation finds the IDs that read: a DMA ID
 * is available when DMA_GetValue reads it, or the string or font read
 * answers its size query; they come in ascending order.  Call it first with
 * attrRecords null for the count n, then with n records and *idCount = n.
 * See "Which count is which" in the file overview for the numbers.
 * @param [in] context the caller's records.
 * @param [in,out] idCount with ids: the number of IDs.  Without: the
 *   capacity of attrRecords on entry; a size query stores n; a filling call
 *   leaves it unchanged.
 * @param [in] ids DMA IDs, or null for every available one.
 * @param [out] attrRecords the records; null for a size query.  Without a
 *   list only the first n are written.
 * @retval DMA_OK every requested record written (also: a list of 0 IDs).
 * @retval DMA_E_MORE_DATA without a list: attrRecords null or *idCount below
 *   n; *idCount now holds n and no record is written.
 * @retval DMA_E_NO_ID a listed ID is not in the map, or a fax header string
 *   is asked for without a fax-address block.
 * @retval DMA_E_FAILED null context or idCount; attrRecords null with a
 *   non-empty list; no ID available at all; an ID's record is missing; a
 *   text that cannot be converted; the work buffer cannot be allocated.
 */
DMA_API DMA_RESULT DMA_QueryAttributes(DmaContext *context, uint16_t *idCount,
                                       const uint16_t *ids, AttributeRecord *attrRecords);

/**
 * @brief Lists the DMA IDs of the whole catalogue or of one record kind's
 *        fields, each marked as string or font.
 *
 * Entry counts: #DMA_TARGET_ALL 1135 (every catalogue item that has a DMA
 * ID, in the catalogue's order; the protected and fax header IDs are not
 * among them), #DMA_KIND_2 9, #DMA_KIND_3 5, #DMA_KIND_4 4 (its rectangle),
 * #DMA_KIND_FAX 17, #DMA_KIND_7 7.  The records are not read: the answer is
 * the same for every context.
 * @param [in] context only tested for null.
 * @param [in] targetType #DMA_TARGET_ALL or a record kind (2, 3, 4, 5, 7).
 * @param [in,out] entryCount capacity of entries on entry; the number of
 *   entries on #DMA_OK and on a size query.
 * @param [out] entries the entries, or null for a size query.
 * @retval DMA_OK every entry written.
 * @retval DMA_E_MORE_DATA entries null: *entryCount holds the number.  Or
 *   the capacity is too small: as many entries as it allows are written and
 *   *entryCount is left as it was (it does not tell the number needed).
 * @retval DMA_E_KIND another target type; nothing written.
 * @retval DMA_E_FAILED null context or entryCount.
 */
DMA_API DMA_RESULT DMA_EnumDMAID_ByTargetInfo(DmaContext *context, int32_t targetType,
                                              uint16_t *entryCount, DmaIdEntry *entries);

/**
 * @brief Raw read of a catalogue item by item ID (not DMA ID).
 *
 * A scalar comes into the buffer in its presented type, zero-extended to
 * its width.  For a string or font the buffer receives the field's byte
 * offset within its area as a 64-bit number, *lengthOut the text's length in
 * bytes with its terminator counted within the field (a field without a
 * terminator reports its width plus 2) or 92 for a font, and the caller
 * forms the address from *areaOut (DMA_SA_*).
 * @param [in] itemId the catalogue item.
 * @param [in] devMode the DEVMODEW record, or null.
 * @param [in] secondary the secondary record, or null.
 * @param [out] typeOut the presented value type (DMA_VT_*).
 * @param [out] lengthOut the presented length in bytes.
 * @param [out] buffer at least 8 bytes.
 * @param [out] areaOut the item's storage area (DMA_SA_*).
 * @retval DMA_RS_OK read.
 * @retval DMA_RS_NO_RANGE the item ID lies in no range of the catalogue;
 *   nothing written.
 * @retval DMA_RS_FAILED a null output pointer (nothing written); no row for
 *   the item, or its record null (*areaOut written); a value that cannot be
 *   read.
 */
DMA_API RawStatus dma_GetValue(uint16_t itemId, void *devMode, void *secondary,
                               uint16_t *typeOut, int32_t *lengthOut, void *buffer,
                               uint16_t *areaOut);

/**
 * @brief Raw write of a catalogue item by item ID, keeping linked settings
 *        in step.
 *
 * The write reads no more of the value than declared: a scalar in its
 * declared width, a text up to its terminator within the declared bytes, a
 * LOGFONTW declared with its size (92) or its pointer's (8).  Texts are
 * UTF-16 (8-bit for item 329), not converted.
 * @param [in] itemId the catalogue item.
 * @param [in,out] devMode the DEVMODEW record, or null.
 * @param [in,out] secondary the secondary record, or null.
 * @param [in] valueType the declared type: the item's stored or presented
 *   type.
 * @param [in] length the declared length in bytes.
 * @param [in] value the value; for a string or font a pointer to a pointer
 *   to the text or the LOGFONTW.
 * @retval DMA_RS_OK written.
 * @retval DMA_RS_NO_RANGE the item ID lies in no range of the catalogue.
 * @retval DMA_RS_BAD_TYPE valueType is neither the stored nor the presented
 *   type.
 * @retval DMA_RS_BAD_WIDTH a scalar length other than the type's width.
 * @retval DMA_RS_BAD_SIZE a text or font that does not fit its field.
 * @retval DMA_RS_FAILED null value, no row, a null record, a linked setting
 *   that cannot follow.  Every failure leaves the records as they were.
 */
DMA_API RawStatus dma_SetValue(uint16_t itemId, void *devMode, void *secondary,
                               uint16_t valueType, int32_t length, const void *value);

/**
 * @brief Reads a string setting's whole field as ANSI text.
 *
 * The size query (buffer null, *length 0) answers the field's capacity in
 * ANSI bytes: half the field's bytes for a UTF-16 field (32 for the 64-byte
 * 0x0001), all of them for the 8-bit item 329, the protected length for
 * 0x9001-0x900A, the converted length for 0xA001/0xA002.  The read converts
 * the field whole, units after the terminator included, into that many
 * bytes: a stored text that fills its field comes back without a
 * terminator.  Where ANSI characters take more than one byte, the text
 * through its terminator, the rest zero.
 * @param [in] context the caller's records (for 0xA001/0xA002 its
 *   faxAddressBlock).
 * @param [in] dmaId a string DMA ID.
 * @param [out] buffer receives the field; null for a size query.
 * @param [in,out] length the buffer's size; the size needed after a size
 *   query.  A buffer below it gives #DMA_E_MORE_DATA and *length is left as
 *   it was: only a size query reports the size.
 * @retval DMA_OK read.
 * @retval DMA_E_MORE_DATA size query answered, or buffer too small.
 * @retval DMA_E_NO_ID no such DMA ID; no fax-address block for 0xA001/0xA002.
 * @retval DMA_E_IS_FONT a font; @retval DMA_E_WRONG_TYPE an integer.
 * @retval DMA_E_FAILED null context or length, a null buffer with a
 *   non-zero *length, the record is null, a protected string (write-only),
 *   a text that cannot be converted or does not fit (the buffer may hold
 *   part of it), a fax block with another signature.
 */
DMA_API DMA_RESULT DMA_GetStringData(DmaContext *context, uint32_t dmaId, char *buffer,
                                     uint32_t *length);

/**
 * @brief Writes a string setting from ANSI text, bounded by a length.
 *
 * `length` is the caller's buffer size and is compared with the field's
 * capacity (the size query's answer of DMA_GetStringData): a larger length
 * is #DMA_E_TOO_LONG even for a short text, so pass that capacity or less,
 * not sizeof a larger buffer (64 for the 32-byte capacity of 0x0001 is -6).
 * The text is what lies before its terminator within `length` bytes, or all
 * `length` bytes when none does; a length of 0 gives no bound (the text ends
 * at its terminator, looked for only as far as the field can take).  In a
 * UTF-16 field the units after the new terminator keep their old content:
 * "Ab" written over "My printer" leaves "Ab\0printer" in the field (use
 * DMA_SetStringData_StrLength to clear them).  A text that fills the field
 * exactly is stored without a terminator.  The 8-bit item 329: with length
 * equal to its 49 bytes all are copied; with less the rest is cleared.
 * 0x9001-0x900A store the text scrambled and Base64-encoded; 0xA001/0xA002
 * go into the fax-address block.
 * @param [in,out] context the caller's records.
 * @param [in] dmaId a string DMA ID.
 * @param [in] text ANSI text; read only within `length` bytes.
 * @param [in] length bytes of `text` that may be read, at most the capacity.
 * @retval DMA_OK stored.
 * @retval DMA_E_TOO_LONG length above the capacity, or a text that needs
 *   more than the field holds; the field is untouched.
 * @retval DMA_E_NO_ID, DMA_E_IS_FONT, DMA_E_WRONG_TYPE as for
 *   DMA_GetStringData.
 * @retval DMA_E_FAILED null context or text, the record is null, a
 *   conversion failure.
 */
DMA_API DMA_RESULT DMA_SetStringData(DmaContext *context, uint32_t dmaId, const char *text,
                                     uint32_t length);

/**
 * @brief Reads a string setting's text at its own converted length.
 *
 * The size query (buffer null, *length 0) answers N, the ANSI bytes of the
 * text with its terminator.  Knows no special IDs: 0xA001/0xA002 are
 * #DMA_E_NO_ID here, and a protected string reads its stored Base64 form.
 * @param [in] context the caller's records.
 * @param [in] dmaId a string DMA ID.
 * @param [out] buffer receives the text and its terminator; null for a size
 *   query.
 * @param [in,out] length the buffer's size; N after a size query.  A
 *   non-zero *length with a null buffer is #DMA_E_FAILED, not a size query.
 * @retval DMA_OK read (N bytes written).
 * @retval DMA_E_MORE_DATA size query answered; or a buffer below N (*length
 *   left as it was).
 * @retval DMA_E_NO_ID, DMA_E_IS_FONT, DMA_E_WRONG_TYPE as for
 *   DMA_GetStringData.
 * @retval DMA_E_FAILED null context or length, a null buffer with non-zero
 *   *length, the record is null, a stored text without a terminator inside
 *   its field, a conversion failure.
 */
DMA_API DMA_RESULT DMA_GetStringData_StrLength(DmaContext *context, uint32_t dmaId,
                                               char *buffer, uint32_t *length);

/**
 * @brief Writes a string setting from a terminated ANSI text; clears the
 *        rest of the field.
 *
 * Knows no special IDs: 0xA001/0xA002 are #DMA_E_NO_ID here, and a protected
 * ID stores the text as given, not scrambled.
 * @param [in,out] context the caller's records.
 * @param [in] dmaId a string DMA ID.
 * @param [in] text zero-terminated ANSI text; read only as far as a text
 *   that fits the field can reach.
 * @retval DMA_OK stored with its terminator; the rest of the field zero.
 * @retval DMA_E_TOO_LONG the text needs more than the field holds with its
 *   terminator; the field is untouched.
 * @retval DMA_E_NO_ID, DMA_E_IS_FONT, DMA_E_WRONG_TYPE as for
 *   DMA_GetStringData.
 * @retval DMA_E_FAILED null context or text, the record is null; a failed
 *   conversion leaves the field cleared.
 */
DMA_API DMA_RESULT DMA_SetStringData_StrLength(DmaContext *context, uint32_t dmaId,
                                               const char *text);

/**
 * @brief Reads a font setting into the caller's LOGFONTA.
 *
 * The 28 bytes before the face name are copied unchanged; all 32 stored
 * face-name characters are converted into the 32-byte face name, so a name
 * of 32 characters has no terminator (where ANSI characters take more than
 * one byte: the name through its terminator, zero-filled).
 * @param [in] context the caller's records.
 * @param [in] dmaId a font DMA ID.
 * @param [out] font receives the font; null for a size query.
 * @param [in,out] length the record's size; 60 after a size query (font
 *   null, *length 0).
 * @retval DMA_OK read.
 * @retval DMA_E_MORE_DATA size query answered, or *length below 60 (left as
 *   it was).
 * @retval DMA_E_NO_ID no such DMA ID.
 * @retval DMA_E_IS_STRING a string (fax header strings included).
 * @retval DMA_E_WRONG_TYPE an integer.
 * @retval DMA_E_FAILED null context or length, a null font with non-zero
 *   *length, the record is null, a face name that does not convert into 32
 *   bytes (the caller's record is untouched).
 */
DMA_API DMA_RESULT DMA_GetLogFontData(DmaContext *context, uint32_t dmaId, DMA_LOGFONTA *font,
                                      uint32_t *length);

/**
 * @brief Writes a font setting from the caller's LOGFONTA.
 *
 * The face name is taken up to its terminator or its 32 bytes, whichever
 * comes first; the stored characters after the converted name keep their
 * old content.
 * @param [in,out] context the caller's records.
 * @param [in] dmaId a font DMA ID.
 * @param [in] font the font.
 * @param [in] size sizeof(DMA_LOGFONTA), 60.
 * @retval DMA_OK stored.
 * @retval DMA_E_TOO_LONG size above 60.
 * @retval DMA_E_NO_ID, DMA_E_IS_STRING, DMA_E_WRONG_TYPE as for
 *   DMA_GetLogFontData.
 * @retval DMA_E_FAILED null context or font, size below 60, the record is
 *   null, a face name the code page rejects.  Every failure leaves the
 *   setting as it was.
 */
DMA_API DMA_RESULT DMA_SetLogFontData(DmaContext *context, uint32_t dmaId,
                                      const DMA_LOGFONTA *font, uint32_t size);

/**
 * @brief Writes the caller's sections to the document-property file named
 *        by the setting #DMA_ID_DOCPROP_PATH.
 *
 * The sections go in file order ("NDEV001", "TMBINFO", "SPINFO", fax),
 * whatever the record's order, each buffer whole; a buffer with a size of 0
 * (or the fax buffer null) is left out.  An existing file is replaced.  An
 * empty path setting means no file: #DMA_OK and nothing is touched.
 * @param [in] context the caller's records (the path is in devMode).
 * @param [in] buffers the sections; ndev, tmbInfo and spInfo must not be
 *   null even with a size of 0; faxBlock may be null.
 * @retval DMA_OK written (or nothing to do).
 * @retval DMA_E_FILE_FORMAT the sections do not form a file the reader
 *   takes (a section missing in the middle, a length field or fax count that
 *   disagrees with its buffer's size); the file is not created.
 * @retval DMA_E_FILE_OPEN the file cannot be created.
 * @retval DMA_E_FILE_WRITE a write failed (the file keeps what was written).
 * @retval DMA_E_FAILED null context or buffers, a required pointer null, the
 *   path setting cannot be read.
 */
DMA_API DMA_RESULT DMA_ExtractDocPropEx(DmaContext *context, DocPropBuffers *buffers);

/**
 * @brief The same operation as DMA_ExtractDocPropEx.
 * @param [in] context see DMA_ExtractDocPropEx.
 * @param [in] buffers see DMA_ExtractDocPropEx.
 * @return see DMA_ExtractDocPropEx.
 */
DMA_API DMA_RESULT DMA_ExtractDocProp(DmaContext *context, DocPropBuffers *buffers);

/**
 * @brief Writes the caller's fax section alone to the file named by the
 *        setting #DMA_ID_FAXFILE_PATH.
 *
 * No operation reads that file back.  A faxBlockSize of 0 writes an empty
 * file; an empty path setting means no file (#DMA_OK, nothing touched).
 * The other buffers of the record are not used.
 * @param [in] context the caller's records (the path is in devMode).
 * @param [in] buffers faxBlock and faxBlockSize: one whole fax section.
 * @retval DMA_OK written (or nothing to do).
 * @retval DMA_E_FILE_FORMAT the block is not one whole fax section of its
 *   size; the file is not created.
 * @retval DMA_E_FAXFILE_OPEN the file cannot be created.
 * @retval DMA_E_FAXFILE_WRITE the write failed.
 * @retval DMA_E_FAILED null context, buffers or faxBlock; the path setting
 *   cannot be read.
 */
DMA_API DMA_RESULT DMA_ExtractOneTimeEx(DmaContext *context, DocPropBuffers *buffers);

/**
 * @brief The same operation as DMA_ExtractOneTimeEx.
 * @param [in] context see DMA_ExtractOneTimeEx.
 * @param [in] buffers see DMA_ExtractOneTimeEx.
 * @return see DMA_ExtractOneTimeEx.
 */
DMA_API DMA_RESULT DMA_ExtractOneTime(DmaContext *context, DocPropBuffers *buffers);

/**
 * @brief Reads the document-property file named by the setting
 *        #DMA_ID_DOCPROP_PATH back into the caller's buffers.
 *
 * Call it first with null buffers: #DMA_E_MORE_DATA writes the four sizes
 * needed (0 for an absent section), then call again with buffers of those
 * sizes.  Each section is copied whole, header included; a fax section in
 * the old layout is converted and handed over in the current one (its size
 * is always #DMA_FAX_BLOCK_SIZE(count)).  On success the sizes are left as
 * the caller set them: each section carries its own lengths.  An empty path
 * setting means no file: #DMA_OK and nothing is touched.
 * @param [in] context the caller's records (the path is in devMode).
 * @param [in,out] buffers the section buffers and their sizes.  ndev, tmbInfo
 *   and spInfo are needed even for absent sections; faxBlock only when the
 *   file has a fax section.
 * @retval DMA_OK every section handed over.
 * @retval DMA_E_MORE_DATA a buffer is missing or too small; the four needed
 *   sizes are written and no buffer is.
 * @retval DMA_E_FILE_OPEN the file cannot be opened.
 * @retval DMA_E_FILE_READ its size cannot be taken (or is 4 GiB or more),
 *   memory cannot be allocated, a read fails or comes short.
 * @retval DMA_E_FILE_FORMAT the file breaks the format (found before the
 *   buffers are looked at), or an old fax section cannot be converted.
 * @retval DMA_E_FAILED null context or buffers; the path setting cannot be
 *   read.
 * @return On every failure the buffers are untouched (and the record too,
 *   but for the sizes of #DMA_E_MORE_DATA).
 */
DMA_API DMA_RESULT DMA_ReplaceDocProp(DmaContext *context, DocPropBuffers *buffers);

/**
 * @brief Reads the destination count of a fax-address block.
 * @param [in] faxAddressBlock the block itself (not a DmaContext).
 * @param [out] count receives FaxAddressBlock::count.
 * @retval DMA_OK read.
 * @retval DMA_E_FAILED a null argument, or a signature other than
 *   #DMA_FAX_SIGNATURE (the old layout included); *count is untouched.
 */
DMA_API DMA_RESULT DMA_GetFaxAddressNum(const void *faxAddressBlock, uint16_t *count);

/**
 * @brief Sets the destination count, in the block and in its setting
 *        (item 380 of the DEVMODEW record).
 *
 * The low 16 bits of the new count are stored (65536 becomes 0).  The
 * signature is neither tested nor rewritten, and no entries are added or
 * removed: sizing the block is the caller's business.
 * @param [in,out] context the caller's records: devMode and faxAddressBlock.
 * @param [in] value the count, or the amount to add.
 * @param [in] relative #DMA_FAX_COUNT_SET or (any non-zero value)
 *   #DMA_FAX_COUNT_ADD: the value is added to the setting's current count.
 * @retval DMA_OK both written.
 * @retval DMA_E_FAILED null context or faxAddressBlock, the setting cannot be
 *   read or written, a negative result; nothing changes.
 */
DMA_API DMA_RESULT DMA_SetFaxAddressNum(DmaContext *context, int32_t value, int32_t relative);

/**
 * @brief Byte size of a record kind or of the fax-address block header.
 * @param [in] kind DMA_KIND_2 to DMA_KIND_7.
 * @return The size (#DMA_KIND2_SIZE, #DMA_KIND3_SIZE, #DMA_KIND4_SIZE,
 *   #DMA_FAX_ENTRY_SIZE, #DMA_FAX_HEADER_SIZE, #DMA_KIND7_SIZE), or 0 for any
 *   other kind.  Not a result code.
 */
DMA_API DMA_RESULT DMA_QueryStructSize(int32_t kind);

/**
 * @brief Loads an element of a record array into the live settings.
 *
 * Kinds 2, 3, 4 and 7 are found by name among the elements in state
 * #DMA_STATE_IN_USE; kind 5 by position, in state #DMA_STATE_IN_USE.  Every
 * field of the kind, its key included, goes to the settings; kind 4's
 * rectangle goes through the orientation mapping and its key stays out.
 * State bytes never change.
 * @param [in,out] context the caller's records and arrays.
 * @param [in] kind DMA_KIND_2, _3, _4, _FAX or _7.
 * @param [in] nameOrPosition a pointer to the ANSI name (kinds 2, 3, 4, 7;
 *   for kind 4 the number as decimal text) or the 1-based position in the
 *   low 16 bits (kind 5).
 * @retval DMA_OK loaded.
 * @retval DMA_E_KIND another kind.
 * @retval DMA_E_NO_RECORD kinds 2, 3, 7: no element in use of that name.
 * @retval DMA_E_NO_KIND4_RECORD kind 4: no element in use of that name.
 * @retval DMA_E_NO_FAX_ENTRY kind 5: position 0, beyond the count, or the
 *   element not in use.
 * @retval DMA_E_FAILED null context or name, an unusable array, a transfer
 *   that fails (a linked setting that cannot follow, a missing record).
 */
DMA_API DMA_RESULT DMA_AccessibleData(DmaContext *context, int32_t kind, intptr_t nameOrPosition);

/**
 * @brief Marks the first non-empty element of that name deleted.
 *
 * The element's bytes and the settings stay as they are; deleting a deleted
 * element finds it again.
 * @param [in,out] context the caller's arrays.
 * @param [in] kind DMA_KIND_2, _3, _4 or _7 (not kind 5).
 * @param [in] name the ANSI name.
 * @retval DMA_OK state set to #DMA_STATE_DELETED.
 * @retval DMA_E_KIND another kind, kind 5 included.
 * @retval DMA_E_NO_RECORD, DMA_E_NO_KIND4_RECORD no non-empty element of
 *   that name.
 * @retval DMA_E_FAILED null context or name, an unusable array.
 */
DMA_API DMA_RESULT DMA_DeleteData(DmaContext *context, int32_t kind, const char *name);

/**
 * @brief Stores the live settings into an element of a record array and
 *        marks it in use.
 *
 * #DMA_APPLY_MODE_FIND finds the element by name among the non-empty ones
 * (kinds 2, 3, 4, 7) or by position in states 1 and 2 (kind 5);
 * #DMA_APPLY_MODE_LAST takes the last element whatever its state.  Then the
 * name goes into the key field (kinds 2, 3, 7), the number written in the
 * name into the key (kind 4: up to 5 digits, 1 to 65535), or
 * #DMA_FAX_SIGNATURE over the block's signature (kind 5).
 * @param [in,out] context the caller's records and arrays.
 * @param [in] kind DMA_KIND_2, _3, _4, _FAX or _7.
 * @param [in] mode #DMA_APPLY_MODE_FIND or #DMA_APPLY_MODE_LAST.
 * @param [in] nameOrPosition as for DMA_AccessibleData; in mode 1 it only
 *   supplies the name to store.
 * @retval DMA_OK stored; the state byte is #DMA_STATE_IN_USE.
 * @retval DMA_E_KIND another kind.  @retval DMA_E_MODE another mode.
 * @retval DMA_E_NO_RECORD, DMA_E_NO_KIND4_RECORD, DMA_E_NO_FAX_ENTRY no
 *   element qualifies (mode 1: the array is empty).
 * @retval DMA_E_FAILED null context, null name (kinds 2, 3, 4, 7) or null
 *   faxAddressBlock (kind 5), a failing transfer, a name the key cannot
 *   take.  Every refusal leaves the element, its state and the block as
 *   they were.
 */
DMA_API DMA_RESULT DMA_ApplyData(DmaContext *context, int32_t kind, int32_t mode,
                                 intptr_t nameOrPosition);

/**
 * @brief The ANSI name of a single record (its key as text; kind 4: the
 *        number written with "%u").
 * @param [in] record the record.
 * @param [in] kind DMA_KIND_2, _3, _4 or _7 (not kind 5).
 * @param [in,out] size the buffer's size; the size needed (name and
 *   terminator) on #DMA_E_MORE_DATA.
 * @param [out] buffer receives the name and its terminator; null for a
 *   size query.
 * @retval DMA_OK written.
 * @retval DMA_E_MORE_DATA no buffer, or *size below the name's length plus
 *   its terminator; *size now holds that.
 * @retval DMA_E_KIND another kind, kind 5 included.
 * @retval DMA_E_FAILED null record or size, a name that cannot be converted.
 */
DMA_API DMA_RESULT DMA_GetNameFromInfo(const void *record, int32_t kind, uint32_t *size,
                                       char *buffer);

/**
 * @brief Fills a UserSettingInfo record (#DMA_USER_SETTING_INFO_SIZE bytes,
 *        version #DMA_USER_SETTING_VERSION) from the settings.
 *
 * The settings come from the secondary record; the name from the context's
 * ansiName (left empty when it does not fit 32 units).  A stored string that
 * fills its field is cut to the field less one unit and terminated.
 * @param [in] context the caller's records.
 * @param [out] info the record; null for a size query (with *size 0).
 * @param [in,out] size the record's size; 2096 after a size query.
 * @retval DMA_OK filled.
 * @retval DMA_E_MORE_DATA size query answered, or *size below 2096 (nothing
 *   touched).
 * @retval DMA_E_FAILED null context or size, a null info with non-zero
 *   *size, a failing read (the record is partly filled).
 */
DMA_API DMA_RESULT DMA_GetUserSettingInfo(DmaContext *context, void *info, uint32_t *size);

/**
 * @brief Writes a UserSettingInfo record of version 1 to 4 into the settings.
 *
 * The version is the 16-bit number at offset 0; older layouts are converted
 * first.  The name and the values that DMA_GetUserSettingInfo alone reads
 * are never written.
 * @param [in,out] context the caller's records (the secondary record).
 * @param [in] info the record, as many bytes as its version has (716, 1100,
 *   2092, 2096).
 * @retval DMA_OK written.
 * @retval DMA_E_FAILED null argument, another version, an allocation
 *   failure, a string field without a terminator inside its width or a
 *   failing write (the rows before it stay written).
 */
DMA_API DMA_RESULT DMA_SetUserSettingInfo(DmaContext *context, const void *info);

#endif /* DMACCESS_DMACCESS_H */
