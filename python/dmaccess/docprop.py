"""Document-property files: a print job's sections written to a file and read back.

The library takes the file's path from a setting (item 374, for the fax-only
file item 375: a UTF-16 field of 128 characters and its terminator), so these
functions work on scratch records of their own and store the path there as
UTF-16 through the raw write; any name the file system takes works, up to
128 characters.  Files are written to a temporary file beside the target and
renamed over it, so a failed write leaves the old file.
"""

from __future__ import annotations

import contextlib
import ctypes
import os
import tempfile
from dataclasses import dataclass
from pathlib import Path
from typing import Optional, Union

from . import _native as N
from . import metadata
from .errors import MoreData, check
from .records import Records

_DOCPROP_PATH_ITEM = 374
_FAXFILE_PATH_ITEM = 375
_PATH_UNITS = 128

PathLike = Union[str, "os.PathLike[str]"]


@dataclass
class DocProp:
    """The sections of a document-property file, each whole (signature and length fields included).

    ``fax`` is the fax-address block, always in the current layout when read
    (a file with the old layout is converted); None when the file has no fax
    section.  An empty bytes value is a section the file does not have.
    """

    ndev: bytes = b""
    tmbinfo: bytes = b""
    spinfo: bytes = b""
    fax: Optional[bytes] = None


def _signature(name: str) -> bytes:
    # A section's signature: the header's ASCII text as 8 UTF-16 units, zero-padded.
    text = metadata.signature(name)
    return text.encode("utf-16-le") + bytes(16 - 2 * len(text))


def ndev_section(payload: bytes) -> bytes:
    """The DEVMODEW section: signature, the word 0x5250, payload size, payload."""
    return _signature("DMA_NDEV_SIGNATURE") + (0x5250).to_bytes(4, "little") + len(payload).to_bytes(4, "little") + payload


def tmbinfo_section(payload: bytes) -> bytes:
    """A TMBINFO section: signature, payload size, payload."""
    return _signature("DMA_TMBINFO_SIGNATURE") + len(payload).to_bytes(4, "little") + payload


def spinfo_section(payload: bytes) -> bytes:
    """An SPINFO section: signature, payload size, payload."""
    return _signature("DMA_SPINFO_SIGNATURE") + len(payload).to_bytes(4, "little") + payload


def _records_with_path(item: int, path: str) -> Records:
    units = path.encode("utf-16-le")
    if len(units) // 2 > _PATH_UNITS:
        raise ValueError(f"{path}: the library takes paths of at most {_PATH_UNITS} characters")
    rec = Records.new(fax=False)
    rec.raw_set(item, 6, units + b"\0\0")
    return rec


def _short(path: Path) -> str:
    """The path, relative to the current folder when that is shorter (paths are limited to 128 characters)."""
    absolute = str(path.resolve())
    with contextlib.suppress(ValueError):
        relative = os.path.relpath(absolute)
        if len(relative) < len(absolute):
            return relative
    return absolute


def read_docprop(path: PathLike) -> DocProp:
    """DMA_ReplaceDocProp by the size-query protocol: the four sections of the file."""
    rec = _records_with_path(_DOCPROP_PATH_ITEM, _short(Path(path)))
    buffers = N.DocPropBuffers()
    with rec.context() as ctx:
        code = int(N.lib().DMA_ReplaceDocProp(ctypes.byref(ctx), ctypes.byref(buffers)))
        if code != MoreData.CODE:
            check(code, "DMA_ReplaceDocProp", str(path))
        sizes = (buffers.ndevSize, buffers.tmbInfoSize, buffers.spInfoSize, buffers.faxBlockSize)
        # Every pointer must be set, even for a section of size 0.
        bufs = [ctypes.create_string_buffer(max(1, s)) for s in sizes]
        buffers.ndev, buffers.tmbInfo, buffers.spInfo, buffers.faxBlock = [ctypes.addressof(b) for b in bufs]
        check(int(N.lib().DMA_ReplaceDocProp(ctypes.byref(ctx), ctypes.byref(buffers))), "DMA_ReplaceDocProp",
              str(path))
    raw = [b.raw[:s] for b, s in zip(bufs, sizes)]
    return DocProp(raw[0], raw[1], raw[2], raw[3] if sizes[3] else None)


def _write(path: PathLike, item: int, operation: str, doc: DocProp) -> None:
    target = Path(os.path.realpath(path))
    fd, tmp = tempfile.mkstemp(prefix=".dmaccess-", suffix=".tmp", dir=target.parent)
    os.close(fd)
    try:
        rec = _records_with_path(item, _short(Path(tmp)))
        keep = [ctypes.create_string_buffer(d, max(1, len(d))) for d in (doc.ndev, doc.tmbinfo, doc.spinfo)]
        fax = ctypes.create_string_buffer(doc.fax, len(doc.fax)) if doc.fax else None
        buffers = N.DocPropBuffers(
            ctypes.addressof(keep[0]), len(doc.ndev), ctypes.addressof(keep[1]), len(doc.tmbinfo),
            ctypes.addressof(fax) if fax is not None else None, len(doc.fax or b""),
            ctypes.addressof(keep[2]), len(doc.spinfo))
        with rec.context() as ctx:
            code = int(getattr(N.lib(), operation)(ctypes.byref(ctx), ctypes.byref(buffers)))
        check(code, operation, str(path))
        with contextlib.suppress(FileNotFoundError):
            os.chmod(tmp, target.stat().st_mode & 0o7777)
        os.replace(tmp, target)
    except BaseException:
        with contextlib.suppress(FileNotFoundError):
            os.unlink(tmp)
        raise


def write_docprop(path: PathLike, doc: DocProp) -> None:
    """DMA_ExtractDocPropEx: writes the sections in file order (DEVMODEW, TMBINFO, SPINFO, fax)."""
    _write(path, _DOCPROP_PATH_ITEM, "DMA_ExtractDocPropEx", doc)


def write_fax_file(path: PathLike, fax_block: bytes) -> None:
    """DMA_ExtractOneTimeEx: writes a fax-address block alone to a file."""
    if not fax_block:
        raise ValueError("no fax-address block to write")
    _write(path, _FAXFILE_PATH_ITEM, "DMA_ExtractOneTimeEx", DocProp(fax=bytes(fax_block)))
