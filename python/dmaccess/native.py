"""Loading the shared library and the C declarations of its exports.

Everything here mirrors include/dmaccess/dmaccess.h: the structures have the
header's layouts (little-endian, 64-bit pointers) and every export gets its
argument and result types, so that ctypes passes pointer-sized results and
16-bit IDs exactly as a C caller would.
"""

from __future__ import annotations

import ctypes
import os
import sys
from pathlib import Path
from typing import Any, Optional

#: Environment variable that names the library file to load, with its path.
LIBRARY_VARIABLE = "DMACCESS_LIBRARY"

_IS_WINDOWS = sys.platform == "win32"
LIBRARY_FILE = "dmaccess.dll" if _IS_WINDOWS else "libdmaccess.so"


class LibraryNotFound(OSError):
    """The shared library was found nowhere; the message lists every place tried."""


DMA_RESULT = ctypes.c_ssize_t  # INT_PTR
LF_FACESIZE = 32


class LOGFONTA(ctypes.Structure):
    _fields_ = [
        ("lfHeight", ctypes.c_int32),
        ("lfWidth", ctypes.c_int32),
        ("lfEscapement", ctypes.c_int32),
        ("lfOrientation", ctypes.c_int32),
        ("lfWeight", ctypes.c_int32),
        ("lfItalic", ctypes.c_uint8),
        ("lfUnderline", ctypes.c_uint8),
        ("lfStrikeOut", ctypes.c_uint8),
        ("lfCharSet", ctypes.c_uint8),
        ("lfOutPrecision", ctypes.c_uint8),
        ("lfClipPrecision", ctypes.c_uint8),
        ("lfQuality", ctypes.c_uint8),
        ("lfPitchAndFamily", ctypes.c_uint8),
        ("lfFaceName", ctypes.c_char * LF_FACESIZE),
    ]


class LOGFONTW(ctypes.Structure):
    _fields_ = LOGFONTA._fields_[:-1] + [("lfFaceName", ctypes.c_uint16 * LF_FACESIZE)]


class RecordArray(ctypes.Structure):
    _fields_ = [
        ("count", ctypes.c_uint32),
        ("elementSize", ctypes.c_uint32),
        ("states", ctypes.c_void_p),
        ("records", ctypes.c_void_p),
    ]


class DmaContext(ctypes.Structure):
    _fields_ = [
        ("callerReserved0", ctypes.c_uint8 * 264),
        ("ansiName", ctypes.c_char * 264),
        ("devMode", ctypes.c_void_p),
        ("secondary", ctypes.c_void_p),
        ("callerReserved1", ctypes.c_uint8 * 8),
        ("faxAddressBlock", ctypes.c_void_p),
        ("faxEntries", RecordArray),
        ("kind4Records", RecordArray),
        ("kind2Records", RecordArray),
        ("kind3Records", RecordArray),
        ("kind7Records", RecordArray),
    ]


class AttributeRecord(ctypes.Structure):
    _fields_ = [("dmaId", ctypes.c_uint16), ("kind", ctypes.c_int32), ("size", ctypes.c_int32)]


class DmaIdEntry(ctypes.Structure):
    _fields_ = [("dmaId", ctypes.c_uint32), ("attributes", ctypes.c_uint32)]


class DocPropBuffers(ctypes.Structure):
    _fields_ = [
        ("ndev", ctypes.c_void_p),
        ("ndevSize", ctypes.c_uint32),
        ("tmbInfo", ctypes.c_void_p),
        ("tmbInfoSize", ctypes.c_uint32),
        ("faxBlock", ctypes.c_void_p),
        ("faxBlockSize", ctypes.c_uint32),
        ("spInfo", ctypes.c_void_p),
        ("spInfoSize", ctypes.c_uint32),
    ]


# The header checks these sizes with static assertions; a mismatch here would
# make every call pass misplaced pointers.
assert ctypes.sizeof(LOGFONTA) == 60 and ctypes.sizeof(LOGFONTW) == 92
assert ctypes.sizeof(RecordArray) == 24 and ctypes.sizeof(DmaContext) == 680
assert DmaContext.devMode.offset == 528 and DmaContext.kind7Records.offset == 656
assert ctypes.sizeof(AttributeRecord) == 12 and ctypes.sizeof(DocPropBuffers) == 64

_P = ctypes.POINTER
_ctx = _P(DmaContext)
_u16, _u32, _i32 = ctypes.c_uint16, ctypes.c_uint32, ctypes.c_int32
_vp, _cp = ctypes.c_void_p, ctypes.c_char_p

# name: (result type, argument types)
_PROTOTYPES: dict[str, tuple[Any, list[Any]]] = {
    "DMA_GetValue": (DMA_RESULT, [_ctx, _u32, _P(_i32)]),
    "DMA_SetValue": (DMA_RESULT, [_ctx, _u32, _i32]),
    "DMA_QuerySWSupportInfo": (DMA_RESULT, [_ctx, _u32]),
    "DMA_QueryAttributes": (DMA_RESULT, [_ctx, _P(_u16), _P(_u16), _P(AttributeRecord)]),
    "DMA_EnumDMAID_ByTargetInfo": (DMA_RESULT, [_ctx, _i32, _P(_u16), _P(DmaIdEntry)]),
    "dma_GetValue": (_u16, [_u16, _vp, _vp, _P(_u16), _P(_i32), _vp, _P(_u16)]),
    "dma_SetValue": (_u16, [_u16, _vp, _vp, _u16, _i32, _vp]),
    "DMA_GetStringData": (DMA_RESULT, [_ctx, _u32, _vp, _P(_u32)]),
    "DMA_SetStringData": (DMA_RESULT, [_ctx, _u32, _cp, _u32]),
    "DMA_GetStringData_StrLength": (DMA_RESULT, [_ctx, _u32, _vp, _P(_u32)]),
    "DMA_SetStringData_StrLength": (DMA_RESULT, [_ctx, _u32, _cp]),
    "DMA_GetLogFontData": (DMA_RESULT, [_ctx, _u32, _P(LOGFONTA), _P(_u32)]),
    "DMA_SetLogFontData": (DMA_RESULT, [_ctx, _u32, _P(LOGFONTA), _u32]),
    "DMA_ExtractDocPropEx": (DMA_RESULT, [_ctx, _P(DocPropBuffers)]),
    "DMA_ExtractDocProp": (DMA_RESULT, [_ctx, _P(DocPropBuffers)]),
    "DMA_ExtractOneTimeEx": (DMA_RESULT, [_ctx, _P(DocPropBuffers)]),
    "DMA_ExtractOneTime": (DMA_RESULT, [_ctx, _P(DocPropBuffers)]),
    "DMA_ReplaceDocProp": (DMA_RESULT, [_ctx, _P(DocPropBuffers)]),
    "DMA_GetFaxAddressNum": (DMA_RESULT, [_vp, _P(_u16)]),
    "DMA_SetFaxAddressNum": (DMA_RESULT, [_ctx, _i32, _i32]),
    "DMA_QueryStructSize": (DMA_RESULT, [_i32]),
    "DMA_AccessibleData": (DMA_RESULT, [_ctx, _i32, ctypes.c_ssize_t]),
    "DMA_DeleteData": (DMA_RESULT, [_ctx, _i32, _cp]),
    "DMA_ApplyData": (DMA_RESULT, [_ctx, _i32, _i32, ctypes.c_ssize_t]),
    "DMA_GetNameFromInfo": (DMA_RESULT, [_vp, _i32, _P(_u32), _vp]),
    "DMA_GetUserSettingInfo": (DMA_RESULT, [_ctx, _vp, _P(_u32)]),
    "DMA_SetUserSettingInfo": (DMA_RESULT, [_ctx, _vp]),
}

#: Ranges of the C integer types the exports take.
U8 = (0, 0xFF)
U16 = (0, 0xFFFF)
I32 = (-(2**31), 2**31 - 1)
U32 = (0, 2**32 - 1)
SSIZE = (-(2 ** (8 * ctypes.sizeof(ctypes.c_ssize_t) - 1)), 2 ** (8 * ctypes.sizeof(ctypes.c_ssize_t) - 1) - 1)


def int_arg(value: object, bounds: tuple[int, int], what: str) -> int:
    """An integer for an export's argument: TypeError for a non-integer, ValueError outside the
    C type's range (ctypes would cut it to the type's width without a word)."""
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{what} is an integer, not {type(value).__name__}")
    lo, hi = bounds
    if not lo <= value <= hi:
        raise ValueError(f"{what}: {value} out of range ({lo} to {hi})")
    return value


#: The exports this package calls, one per public operation of the library.
EXPORTS = tuple(_PROTOTYPES)


def candidate_paths() -> list[str]:
    """Every place the library is looked for, in order: the file DMACCESS_LIBRARY names (alone, when
    set), then beside the package (LIBRARY_FILE, then on Linux the file a wheel bundles,
    libdmaccess.so.1), then the system's search."""
    places: list[str] = []
    explicit = os.environ.get(LIBRARY_VARIABLE)
    if explicit:
        places.append(explicit)
    here = Path(__file__).resolve().parent
    places.append(str(here / LIBRARY_FILE))
    if not _IS_WINDOWS:
        places.append(str(here / "libdmaccess.so.1"))  # bundled by the Linux wheel
    if explicit or any(os.path.isfile(place) for place in places):
        # A file to load is at hand: the system's search (ctypes.util runs
        # ldconfig or a compiler, and costs more than the rest of the import)
        # is left to the loader, should it come to that.
        places.append(LIBRARY_FILE)
    else:
        import ctypes.util

        found = ctypes.util.find_library("dmaccess")
        places.append(found if found else LIBRARY_FILE)  # bare name: the loader's own search
    return places


def _load() -> ctypes.CDLL:
    tried: list[str] = []
    explicit = os.environ.get(LIBRARY_VARIABLE)
    places = candidate_paths()
    for index, place in enumerate(places):
        is_search = index == len(places) - 1
        if not is_search and not os.path.isfile(place):
            tried.append(f"{place} (no such file)")
            if explicit and index == 0:
                break  # the variable names the one file wanted: do not fall back silently
            continue
        try:
            lib = ctypes.CDLL(place)
        except OSError as err:
            tried.append(f"{place} ({err})")
            if explicit and index == 0:
                break  # the variable names the one file wanted: do not fall back silently
            continue
        for name, (restype, argtypes) in _PROTOTYPES.items():
            fn = getattr(lib, name)
            fn.restype = restype
            fn.argtypes = argtypes
        return lib
    where = "; ".join(tried)
    raise LibraryNotFound(
        f"cannot load the dmaccess library ({LIBRARY_FILE}); looked at: {where}. "
        f"Set {LIBRARY_VARIABLE} to the library's full path."
    )


_library: Optional[ctypes.CDLL] = None


def lib() -> ctypes.CDLL:
    """The loaded library (loaded on first use)."""
    global _library
    if _library is None:
        _library = _load()
    return _library
