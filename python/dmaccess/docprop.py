"""Document-property files: a print job's sections written to a file and read back.

The library takes the file's path from a setting (DMA ID 0x0176, for the fax-only
file 0x0177: a UTF-16 field of 128 characters and its terminator), so these
functions work on scratch records of their own and store the path there as
UTF-16 through the raw write; any name the file system takes works, up to
128 characters.  Files are written to a temporary file beside the target and
renamed over it, so a failed write leaves the old file.
"""

from __future__ import annotations

import contextlib
import ctypes
import os
from dataclasses import dataclass
from pathlib import Path
from typing import Optional, Union

from . import native as N
from . import metadata
from .errors import MoreData, check
from .files import check_regular, check_target, keep_owner, new_temp
from .places import place_of
from .recordkinds import encode_field
from .records import Records

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


def _section(layout: str, signature: str, payload: bytes, **values: int) -> bytes:
    # A section: its header as the metadata lays it out (the signature's ASCII
    # text as a zero-padded UTF-16 field, then the given words), the payload after it.
    header = metadata.layout(layout)
    data = bytearray(header.size)
    for f in header.fields:
        value: object = metadata.signature(signature) if f.name == "signature" else values.get(f.name, 0)
        if f.name == "payloadSize":
            value = len(payload)
        data[f.offset : f.offset + f.width] = encode_field(f, value, f.name)
    return bytes(data) + payload


def ndev_section(payload: bytes) -> bytes:
    """The DEVMODEW section: signature, the magic word, payload size, payload."""
    return _section("ndevHeader", "DMA_NDEV_SIGNATURE", payload, magic=metadata.constant("DMA_NDEV_MAGIC"))


def tmbinfo_section(payload: bytes) -> bytes:
    """A TMBINFO section: signature, payload size, payload."""
    return _section("tmbInfoHeader", "DMA_TMBINFO_SIGNATURE", payload)


def spinfo_section(payload: bytes) -> bytes:
    """An SPINFO section: signature, payload size, payload."""
    return _section("spInfoHeader", "DMA_SPINFO_SIGNATURE", payload)


def _path_setting(name: str) -> tuple[int, int]:
    # The item and the characters of the setting that holds a file's path.
    place = place_of(metadata.constant(name))
    assert place is not None
    return place.item, place.capacity // 2 - 1


def _records_with_path(setting: str, path: str) -> Records:
    item, chars = _path_setting(setting)
    units = path.encode("utf-16-le")
    if len(units) // 2 > chars:
        raise ValueError(f"{path}: the library takes paths of at most {chars} characters")
    rec = Records.new(fax=False)
    rec.raw_set(item, metadata.value_type("STRING"), units + b"\0\0")
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
    """DMA_ReplaceDocProp by the size-query protocol: the four sections of the file.

    Only a regular file is handed to the library (FileRefused for a FIFO, a
    device or a folder, which its reading would block on or fail at)."""
    with contextlib.suppress(FileNotFoundError):  # a missing file: the library's own error
        check_regular(path)
    rec = _records_with_path("DMA_ID_DOCPROP_PATH", _short(Path(path)))
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


def _write(path: PathLike, setting: str, operation: str, doc: DocProp) -> None:
    # The rules of every write (see files): a regular file or none, not read-only, links followed,
    # mode and owner kept, the temporary file removed on failure.
    target = check_target(path)
    fd, tmp = new_temp(target)
    os.close(fd)
    try:
        rec = _records_with_path(setting, _short(Path(tmp)))
        keep = [ctypes.create_string_buffer(d, max(1, len(d))) for d in (doc.ndev, doc.tmbinfo, doc.spinfo)]
        fax = ctypes.create_string_buffer(doc.fax, len(doc.fax)) if doc.fax else None
        buffers = N.DocPropBuffers(
            ctypes.addressof(keep[0]), len(doc.ndev), ctypes.addressof(keep[1]), len(doc.tmbinfo),
            ctypes.addressof(fax) if fax is not None else None, len(doc.fax or b""),
            ctypes.addressof(keep[2]), len(doc.spinfo))
        with rec.context() as ctx:
            code = int(getattr(N.lib(), operation)(ctypes.byref(ctx), ctypes.byref(buffers)))
        check(code, operation, str(path))
        fd = os.open(tmp, os.O_RDONLY | getattr(os, "O_BINARY", 0))
        try:
            keep_owner(fd, target)  # the library may have made the file anew
            if hasattr(os, "fsync"):
                os.fsync(fd)
        finally:
            os.close(fd)
        os.replace(tmp, target.file)
    except BaseException:
        with contextlib.suppress(FileNotFoundError):
            os.unlink(tmp)
        raise


def write_docprop(path: PathLike, doc: DocProp) -> None:
    """DMA_ExtractDocPropEx: writes the sections in file order (DEVMODEW, TMBINFO, SPINFO, fax)."""
    _write(path, "DMA_ID_DOCPROP_PATH", "DMA_ExtractDocPropEx", doc)


def write_fax_file(path: PathLike, fax_block: bytes) -> None:
    """DMA_ExtractOneTimeEx: writes a fax-address block alone to a file."""
    if not fax_block:
        raise ValueError("no fax-address block to write")
    _write(path, "DMA_ID_FAXFILE_PATH", "DMA_ExtractOneTimeEx", DocProp(fax=bytes(fax_block)))
