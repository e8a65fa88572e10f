"""A driver's record set and its settings, read and changed through the library.

A ``Records`` holds the three records a driver keeps, as bytearrays the
caller may inspect: the DEVMODEW record with its private part (at least 5988
bytes), the secondary settings record (at least 7974 bytes) and, optionally,
the fax-address block.  Every read and write of a setting is one call of an
export on a DmaContext that points into them, so texts go through the
library's own code-page conversion, linked settings follow, and the records
change exactly as they would for a C caller.
"""

from __future__ import annotations

import contextlib
import ctypes
import enum
import os
from dataclasses import dataclass, fields
import struct
import sys
from typing import Any, Callable, Iterator, Optional, Union, cast, overload

from . import native as N
from . import metadata
from .errors import DmaError, MoreData, NotSupported, RawError, check, ok
from .files import (
    DEFAULT_WAIT, ChangedOnDisk, FileRefused, Target, check_regular, check_target, is_regular_file, read_regular,
    set_lock, write_file_atomically, write_files_together,
)
from .names import Names, integer_of_text, looks_like_name
from .places import Place, fax_header_ids, place_of
from .text import from_ansi, to_ansi, utf16_field

PathLike = Union[str, "os.PathLike[str]"]


@dataclass
class Font:
    """A font setting as callers exchange it (the members of LOGFONTA).

    The field order is LOGFONTA's, which is also the order of the members in
    dmactl's JSON form; ``face`` is the face name (at most 31 characters in
    the ANSI code page).
    """

    height: int = 0
    width: int = 0
    escapement: int = 0
    orientation: int = 0
    weight: int = 0
    italic: int = 0
    underline: int = 0
    strikeout: int = 0
    charset: int = 0
    outprecision: int = 0
    clipprecision: int = 0
    quality: int = 0
    pitchandfamily: int = 0
    face: str = ""

    @classmethod
    def from_bytes(cls, data: bytes, face: str) -> "Font":
        """The members as they lie in a LOGFONTA or LOGFONTW (the same places), with the face name given."""
        font = cls(face=face)
        for m in metadata.font_members():
            setattr(font, m.name, int.from_bytes(data[m.offset : m.offset + m.width], "little", signed=m.signed))
        return font

    def member_bytes(self, what: str = "font") -> bytes:
        """The members as they lie before the face name; ValueError for a member out of range."""
        data = bytearray(metadata.font_face()[0])
        for m in metadata.font_members():
            value = getattr(self, m.name)
            if not isinstance(value, int) or not m.min <= value <= m.max:
                raise ValueError(f"{what}: font member {m.name!r}: value {value!r} out of range ({m.min} to {m.max})")
            data[m.offset : m.offset + m.width] = value.to_bytes(m.width, "little", signed=m.signed)
        return bytes(data)

    @classmethod
    def from_logfont(cls, lf: N.LOGFONTA) -> "Font":
        return cls.from_bytes(bytes(lf), from_ansi(bytes(lf.lfFaceName)))  # c_char arrays stop at the first zero

    def to_logfont(self, what: str = "font") -> N.LOGFONTA:
        """The LOGFONTA; ValueError for a member out of range or a face name that does not fit."""
        members = self.member_bytes(what)
        lf = N.LOGFONTA.from_buffer_copy(members + bytes(ctypes.sizeof(N.LOGFONTA) - len(members)))
        face = to_ansi(self.face)
        chars = metadata.font_face()[1]
        if len(face) >= chars:
            raise ValueError(f"{what}: face name {self.face!r} too long: at most {chars - 1} characters")
        lf.lfFaceName = face
        return lf

    def to_dict(self) -> dict[str, Union[int, str]]:
        return {f.name: getattr(self, f.name) for f in fields(self)}


Value = Union[int, str, Font]


class SettingKind(str, enum.Enum):
    """What DMA_QueryAttributes reports a setting as; compares equal to dmactl's word for it."""

    INTEGER = "integer"
    STRING = "string"
    FONT = "font"


#: DMA_ATTR_KIND_* codes to kinds.
KINDS = {0: SettingKind.INTEGER, 1: SettingKind.STRING, 2: SettingKind.FONT}


@dataclass(frozen=True)
class Setting:
    """One setting the library offers in a record set."""

    dma_id: int
    #: Integer, string or font, as DMA_QueryAttributes reports it.
    kind: SettingKind
    #: Bytes a caller's buffer needs for the value.
    size: int
    #: Where it is stored (None for an ID the catalogue description lacks).
    place: Optional[Place]
    #: Its name (built-in or the team's), None when it has none.
    name: Optional[str] = None

    @property
    def protected(self) -> bool:
        """A protected write-only string (stored scrambled)."""
        return self.place is not None and self.place.protected

    @property
    def fax_header(self) -> bool:
        """One of the fax-address block's header texts."""
        return self.place is not None and self.place.fax_header

    @property
    def label(self) -> str:
        """"0x0007 (dmOrientation)", or "0x0130" without a name."""
        return f"0x{self.dma_id:04X}" + (f" ({self.name})" if self.name else "")


@dataclass(frozen=True)
class Difference:
    """A setting whose values differ between two record sets."""

    setting: Setting
    old: Value
    new: Value


def check_fax_block(block: Union[bytes, bytearray], what: str = "fax-address block") -> None:
    """ValueError unless the block holds its header and every entry its count announces."""
    layout = metadata.layout("faxBlock")
    header = layout.size
    if len(block) < header:
        raise ValueError(f"{what}: a fax-address block needs at least {header} bytes, it has {len(block)}")
    signature, count_field = layout.field("signature"), layout.field("count")
    count = int.from_bytes(block[count_field.offset : count_field.offset + count_field.width], "little")
    old = utf16_field(bytes(block[signature.offset : signature.offset + signature.width])) == \
        metadata.signature("DMA_FAX_OLD_SIGNATURE")
    entry = metadata.size("DMA_FAX_OLD_ENTRY_SIZE" if old else "DMA_FAX_ENTRY_SIZE")
    needed = header + entry * count
    if len(block) < needed:
        raise ValueError(f"{what}: the block announces {count} destination entries and needs {needed} bytes, "
                         f"it has {len(block)}")


def _address(buffer: Optional[bytearray], keep: list[object]) -> Optional[int]:
    if buffer is None:
        return None
    if len(buffer) == 0:
        raise ValueError("empty record")
    view = (ctypes.c_char * len(buffer)).from_buffer(buffer)
    keep.append(view)
    return ctypes.addressof(view)


def _pinned_address(buffer: Optional[bytearray], keep: list[object]) -> Optional[int]:
    # As _address: one c_char over the buffer's first byte holds the buffer's export
    # (it cannot move or change size) as well as an array over all of it does.
    if buffer is None:
        return None
    if len(buffer) == 0:
        raise ValueError("empty record")
    view = _c_char_from_buffer(buffer)
    keep.append(view)
    return _addressof(view)


_c_char_from_buffer = ctypes.c_char.from_buffer
_addressof = ctypes.addressof


class _Limits:
    """The sizes ``Records.check`` compares with, read from the metadata once."""

    def __init__(self) -> None:
        self.devmode = metadata.size("DMA_DEVMODE_MIN_SIZE")
        self.secondary = metadata.size("DMA_SECONDARY_MIN_SIZE")
        layout = metadata.layout("faxBlock")
        self.header = layout.size
        signature, count = layout.field("signature"), layout.field("count")
        self.count_from, self.count_to = count.offset, count.offset + count.width
        self.signature_from, self.signature_to = signature.offset, signature.offset + signature.width
        self.old_signature = metadata.signature("DMA_FAX_OLD_SIGNATURE")
        self.entry = metadata.size("DMA_FAX_ENTRY_SIZE")
        self.old_entry = metadata.size("DMA_FAX_OLD_ENTRY_SIZE")
        self.largest_entry = max(self.entry, self.old_entry)
        #: Signature field bytes: whether they read as the old signature.
        self.is_old: dict[bytes, bool] = {}


_limits: Optional[_Limits] = None


def _records_fit(devmode: Union[bytes, bytearray], secondary: Union[bytes, bytearray],
                 fax: Union[bytes, bytearray, None]) -> bool:
    """True when ``Records.check`` passes these records (False: it may not, and says why)."""
    global _limits
    limits = _limits
    if limits is None:
        limits = _limits = _Limits()
    if len(devmode) < limits.devmode or len(secondary) < limits.secondary:
        return False
    if fax is None:
        return True
    size = len(fax)
    if size < limits.header:
        return False
    count = int.from_bytes(fax[limits.count_from : limits.count_to], "little")
    if size >= limits.header + limits.largest_entry * count:
        return True
    field = bytes(fax[limits.signature_from : limits.signature_to])
    old = limits.is_old.get(field)
    if old is None:
        old = utf16_field(field) == limits.old_signature
        if len(limits.is_old) < 64:
            limits.is_old[field] = old
    return size >= limits.header + (limits.old_entry if old else limits.entry) * count


def write_atomically(path: PathLike, data: bytes) -> None:
    """Writes a file through a temporary file beside it and renames it over the target.

    Only a regular file (or none yet) is replaced, never a FIFO, a device or
    a folder, and not a read-only file.  A replaced file keeps its
    permissions (and its owner, when running as root); a symbolic link stays
    a link and the file it names is replaced.  An interrupted write leaves
    the old file, and the temporary file is removed.
    """
    write_file_atomically(path, data)


#: sizeof(DEVMODEW): the dmSize of every DEVMODEW record the driver writes.
PUBLIC_DEVMODE_SIZE = 220


def devmode_header_fault(data: Union[bytes, bytearray]) -> str:
    """What is wrong with a DEVMODEW record's size members, as dmactl checks them; "" when nothing is.

    dmSize must be 220 and dmSize + dmDriverExtra the record's size; a blank
    record of exactly the minimum size may have both 0.
    """
    size_place, extra_place = place_of(0x0004), place_of(0x0005)
    size_at = size_place.offset if size_place else 68
    extra_at = extra_place.offset if extra_place else 70
    dm_size = int.from_bytes(data[size_at : size_at + 2], "little")
    extra = int.from_bytes(data[extra_at : extra_at + 2], "little")
    if dm_size == 0 and extra == 0 and len(data) == metadata.size("DMA_DEVMODE_MIN_SIZE"):
        return ""
    if dm_size != PUBLIC_DEVMODE_SIZE:
        return f"dmSize is {dm_size}, a DEVMODEW record says {PUBLIC_DEVMODE_SIZE}"
    if dm_size + extra != len(data):
        return f"dmSize {dm_size} + dmDriverExtra {extra} make {dm_size + extra} bytes, the file has {len(data)}"
    return ""


def check_record_file(kind: str, path: str, data: bytes) -> None:
    """FileRefused for a record file dmactl would not load ("devmode", "secondary" or "fax")."""
    if kind == "fax":
        try:
            check_fax_block(data, path)
        except ValueError as err:
            raise FileRefused(str(err)) from None
        return
    what = "DEVMODEW record" if kind == "devmode" else "secondary settings record"
    minimum = metadata.size("DMA_DEVMODE_MIN_SIZE" if kind == "devmode" else "DMA_SECONDARY_MIN_SIZE")
    if len(data) < minimum:
        raise FileRefused(f"{path}: a {what} needs at least {minimum} bytes, the file has {len(data)}")
    fault = devmode_header_fault(data) if kind == "devmode" else ""
    if fault:
        raise FileRefused(f"{path}: not a DEVMODEW record as this driver writes it: {fault}")


def _file_key(path: str) -> str:
    return os.path.normcase(os.path.realpath(path))


def _check_readable(paths: tuple[Optional[str], ...]) -> None:
    # Before the lock is taken, so that no lock file is made beside a FIFO or a device.
    for path in paths:
        if path is not None:
            check_regular(path)


def _first(paths: tuple[Optional[str], ...]) -> Optional[str]:
    return next((p for p in paths if p is not None), None)


class Records:
    """The DEVMODEW record, the secondary record and the fax-address block of one job.

    ``records[0x0007]`` / ``records["dmOrientation"]`` read a setting,
    ``records[id] = value`` (or ``set``) writes it: ``int`` for integers,
    ``str`` for strings (protected and fax header strings included),
    ``Font`` for fonts.  Failures the library reports raise ``DmaError``
    subclasses; values the setting cannot hold raise ``ValueError`` before
    the library is called, as dmactl refuses them.
    """

    def __init__(self, devmode: bytearray, secondary: bytearray, fax: Optional[bytearray] = None,
                 names: Optional[Names] = None) -> None:
        self.devmode = devmode
        self.secondary = secondary
        self.fax = fax
        self.names = names if names is not None else Names.load()
        # The bytes of each file these records were loaded from, by the file's real path.
        self._loaded: dict[str, bytes] = {}
        self.check()

    # ---- creating, loading and saving ----

    @classmethod
    def new(cls, fax: bool = True, names: Optional[Names] = None) -> "Records":
        """Blank records as ``dmactl new`` writes them: portrait A4 at 600 dpi, one copy, empty fax block."""
        devmode_size = metadata.size("DMA_DEVMODE_MIN_SIZE")
        rec = cls(bytearray(devmode_size), bytearray(metadata.size("DMA_SECONDARY_MIN_SIZE")),
                  bytearray(metadata.size("DMA_FAX_HEADER_SIZE")) if fax else None, names)
        fields_bits = 0x1 | 0x2 | 0x10 | 0x100 | 0x400 | 0x800 | 0x1000 | 0x2000 | 0x8000 | 0x10000
        for dma_id, value in ((0x2, 0x0401), (0x4, 220), (0x5, devmode_size - 220), (0x6, fields_bits),
                              (0x7, 1), (0x8, 9), (0xB, 100), (0xC, 1), (0x14, 600), (0x15, 600),
                              (0xF, 1), (0x10, 1), (0x12, 0)):
            rec._call("DMA_SetValue", dma_id, value)
        rec._call("DMA_SetStringData_StrLength", 0x1, b"dmaccess printer")
        rec._call("DMA_SetStringData_StrLength", 0x13, b"A4")
        if fax:
            # Writing a header string also stamps the current signature.
            rec._call("DMA_SetStringData", 0xA001, b"", 1)
            rec._call("DMA_SetStringData", 0xA002, b"", 1)
        return rec

    @classmethod
    def load(cls, name: Optional[PathLike] = None, *, devmode: Optional[PathLike] = None,
             secondary: Optional[PathLike] = None, fax: Optional[PathLike] = None,
             names: Optional[Names] = None, wait: float = DEFAULT_WAIT) -> "Records":
        """Loads a record set: NAME.devmode, NAME.secondary and NAME.fax if present.

        Files named one by one win over the set's; a record named nowhere is
        a blank default as ``new`` makes it.  The files are read under the
        set's lock (waiting at most ``wait`` seconds, see ``files``), which
        also completes a write another process left half done.  Only regular
        files are read; sizes and the DEVMODEW header are checked as dmactl
        checks them (FileRefused names the file), since the library does not
        check them.
        """
        paths = cls._paths(name, devmode, secondary, fax)
        _check_readable(paths)
        with set_lock(_first(paths), wait):
            return cls._read(name, paths, names)

    @classmethod
    @contextlib.contextmanager
    def edit(cls, name: Optional[PathLike] = None, *, devmode: Optional[PathLike] = None,
             secondary: Optional[PathLike] = None, fax: Optional[PathLike] = None,
             names: Optional[Names] = None, wait: float = DEFAULT_WAIT, force: bool = False) -> Iterator["Records"]:
        """Loads a record set (as ``load``) for a change and saves it back when the ``with`` block ends
        normally (not after an exception); the set's lock is held throughout, so that no other writer,
        this package or dmactl, comes in between.  Only the files it was loaded from are written."""
        paths = cls._paths(name, devmode, secondary, fax)
        first = _first(paths)
        if first is None:
            raise ValueError("edit needs a record set or record files to change")
        _check_readable(paths)
        with set_lock(first, wait):
            records = cls._read(name, paths, names)
            yield records
            records.save(devmode=paths[0], secondary=paths[1], fax=paths[2] if records.fax is not None else None,
                         force=force, wait=wait)

    @classmethod
    def _read(cls, name: Optional[PathLike], paths: tuple[Optional[str], Optional[str], Optional[str]],
              names: Optional[Names]) -> "Records":
        base = cls.new(fax=paths[2] is not None or name is None, names=names)
        loaded: dict[str, bytes] = {}

        def read(kind: str, path: Optional[str], default: Optional[bytearray]) -> Optional[bytearray]:
            if path is None:
                return default
            data = read_regular(path)
            check_record_file(kind, path, data)
            loaded[_file_key(path)] = data
            return bytearray(data)

        dm = read("devmode", paths[0], base.devmode)
        sec = read("secondary", paths[1], base.secondary)
        fx = read("fax", paths[2], base.fax if name is None else None)
        assert dm is not None and sec is not None
        records = cls(dm, sec, fx, base.names)
        records._loaded = loaded
        return records

    @staticmethod
    def _paths(name: Optional[PathLike], devmode: Optional[PathLike], secondary: Optional[PathLike],
               fax: Optional[PathLike]) -> tuple[Optional[str], Optional[str], Optional[str]]:
        dm = os.fspath(devmode) if devmode is not None else (f"{os.fspath(name)}.devmode" if name is not None else None)
        sec = os.fspath(secondary) if secondary is not None else \
            (f"{os.fspath(name)}.secondary" if name is not None else None)
        fx: Optional[str] = os.fspath(fax) if fax is not None else None
        if fx is None and name is not None and is_regular_file(f"{os.fspath(name)}.fax"):
            fx = f"{os.fspath(name)}.fax"
        return dm, sec, fx

    def save(self, name: Optional[PathLike] = None, *, devmode: Optional[PathLike] = None,
             secondary: Optional[PathLike] = None, fax: Optional[PathLike] = None, force: bool = False,
             wait: float = DEFAULT_WAIT) -> list[str]:
        """Writes the records together (see ``files``) under the set's lock; returns the paths written.

        With a set NAME the fax block goes to NAME.fax when there is one.  A
        file these records were loaded from that has changed on disk since
        is not overwritten (ChangedOnDisk names it) unless ``force``.
        """
        self.check()
        dm = os.fspath(devmode) if devmode is not None else (f"{os.fspath(name)}.devmode" if name is not None else None)
        sec = os.fspath(secondary) if secondary is not None else \
            (f"{os.fspath(name)}.secondary" if name is not None else None)
        fx = os.fspath(fax) if fax is not None else \
            (f"{os.fspath(name)}.fax" if name is not None and self.fax is not None else None)
        writes: list[tuple[str, bytes]] = []
        for path, data in ((dm, self.devmode), (sec, self.secondary), (fx, self.fax)):
            if path is None:
                continue
            if data is None:
                raise ValueError(f"{path}: these records have no fax-address block")
            writes.append((path, bytes(data)))
        if not writes:
            return []
        # Checked before the lock is taken too, so that no lock file is made beside a FIFO or a device.
        checked: list[Target] = []
        for path, _ in writes:
            checked.append(check_target(path, len(writes), checked))
        with set_lock(writes[0][0], wait) as lock:
            if not force:
                self._check_unchanged([path for path, _ in writes])
            write_files_together(writes, lock.journal if lock is not None else "")
        for path, written in writes:
            self._loaded[_file_key(path)] = written
        return [path for path, _ in writes]

    def _check_unchanged(self, paths: list[str]) -> None:
        """ChangedOnDisk for a file these records were loaded from whose bytes are no longer those read."""
        for path in paths:
            before = self._loaded.get(_file_key(path))
            if before is None:
                continue
            try:
                now: Optional[bytes] = read_regular(path)
            except FileNotFoundError:
                now = None
            if now != before:
                how = "was removed" if now is None else "changed on disk"
                raise ChangedOnDisk(f"{path}: the file {how} since these records were loaded from it; "
                                    f"save(force=True) overwrites it; no file was changed")

    def copy(self) -> "Records":
        """An independent copy of the three records."""
        copy = Records(bytearray(self.devmode), bytearray(self.secondary),
                       bytearray(self.fax) if self.fax is not None else None, self.names)
        copy._loaded = dict(self._loaded)
        return copy

    def check(self) -> None:
        """ValueError when a record is too short for the library to work on it safely."""
        if _records_fit(self.devmode, self.secondary, self.fax):
            return
        devmode_size, secondary_size = metadata.size("DMA_DEVMODE_MIN_SIZE"), metadata.size("DMA_SECONDARY_MIN_SIZE")
        if len(self.devmode) < devmode_size:
            raise ValueError(f"a DEVMODEW record needs at least {devmode_size} bytes, it has {len(self.devmode)}")
        if len(self.secondary) < secondary_size:
            raise ValueError(f"a secondary settings record needs at least {secondary_size} bytes, "
                             f"it has {len(self.secondary)}")
        if self.fax is not None:
            check_fax_block(self.fax)

    # ---- calling the library ----

    @contextlib.contextmanager
    def context(self, arrays: Optional[dict[str, N.RecordArray]] = None,
                ansi_name: bytes = b"") -> Iterator[N.DmaContext]:
        """A DmaContext pointing into these records, valid inside the ``with`` block.

        The records cannot change size while it is open.
        """
        self.check()
        keep: list[object] = []
        ctx = N.DmaContext()
        ctx.devMode = _pinned_address(self.devmode, keep)
        ctx.secondary = _pinned_address(self.secondary, keep)
        ctx.faxAddressBlock = _pinned_address(self.fax, keep)
        if len(ansi_name) >= 264:
            raise ValueError("the user name is longer than 263 bytes")
        ctx.ansiName = ansi_name
        for field_name, array in (arrays or {}).items():
            setattr(ctx, field_name, array)
        try:
            yield ctx
        finally:
            del keep[:]

    def _call(self, operation: str, *args: object) -> int:
        with self.context() as ctx:
            code = int(getattr(N.lib(), operation)(ctypes.byref(ctx), *args))
        check(code, operation)
        return code

    def _try(self, operation: str, *args: object) -> int:
        """Calls an export and returns its result code without raising."""
        with self.context() as ctx:
            return int(getattr(N.lib(), operation)(ctypes.byref(ctx), *args))

    # ---- describing the settings ----

    def resolve(self, key: Union[int, str]) -> int:
        """The DMA ID for an ID (an int, or text in 0x hex or decimal) or a name (any case);
        KeyError for an unknown name or an ID out of range, TypeError for anything else."""
        if isinstance(key, bool) or not isinstance(key, (int, str)):
            raise TypeError(f"a setting is named by its DMA ID (int) or its name (str), not {type(key).__name__}")
        if isinstance(key, str) and not looks_like_name(key):
            number = integer_of_text(key)
            if number is None or not 0 < number <= 0xFFFF:
                raise KeyError(f"{key!r} is not a DMA ID (1 to 0xFFFF, decimal or 0x hex) or a setting name")
            key = number
        if isinstance(key, int):
            if not 0 < key <= 0xFFFF:
                raise KeyError(f"{key} is not a DMA ID (1 to 0xFFFF)")
            return key
        found = self.names.id_of(key)
        if found is None:
            raise KeyError(f"no setting is named {key!r}")
        return found

    def describe(self, key: Union[int, str]) -> Setting:
        """Kind, buffer size, place and name of one setting (DMA_QueryAttributes)."""
        dma_id = self.resolve(key)
        count = ctypes.c_uint16(1)
        ident = ctypes.c_uint16(dma_id)
        rec = N.AttributeRecord()
        with self.context() as ctx:
            code = int(N.lib().DMA_QueryAttributes(ctypes.byref(ctx), ctypes.byref(count), ctypes.byref(ident),
                                                   ctypes.byref(rec)))
        check(code, "DMA_QueryAttributes", f"0x{dma_id:04X}")
        return _setting(dma_id, rec.kind, rec.size, self.names.name_of(dma_id))

    def _describe_all(self, ids: list[int]) -> list[Setting]:
        """``describe`` of each ID, leaving out those it refuses (one call of the export for all
        when none is refused)."""
        count = len(ids)
        if 0 < count <= 0xFFFF:
            idents = (ctypes.c_uint16 * count)(*ids)
            recs = (N.AttributeRecord * count)()
            number = ctypes.c_uint16(count)
            with self.context() as ctx:
                code = int(N.lib().DMA_QueryAttributes(ctypes.byref(ctx), ctypes.byref(number), idents, recs))
            if code == _ok_code():
                name_of = self.names.name_of
                return [_setting(dma_id, kind, size, name_of(dma_id))
                        for dma_id, (_, kind, size) in zip(ids, _ATTRIBUTES.iter_unpack(bytes(recs)))]
        out: list[Setting] = []
        for dma_id in ids:
            try:
                out.append(self.describe(dma_id))
            except DmaError:
                continue  # an ID these records cannot describe is not offered
        return out

    def ids(self, target: int = 1) -> list[tuple[int, int]]:
        """DMA IDs and attribute bits that DMA_EnumDMAID_ByTargetInfo lists for a target
        (1: the whole catalogue; 2, 3, 4, 5, 7: a record kind's fields), in the library's order."""
        target = N.int_arg(target, N.I32, "target")
        count = ctypes.c_uint16(0)
        with self.context() as ctx:
            code = int(N.lib().DMA_EnumDMAID_ByTargetInfo(ctypes.byref(ctx), target, ctypes.byref(count), None))
            if code == MoreData.CODE and count.value:
                entries = (N.DmaIdEntry * count.value)()
                code = int(N.lib().DMA_EnumDMAID_ByTargetInfo(ctypes.byref(ctx), target, ctypes.byref(count),
                                                              entries))
                check(code, "DMA_EnumDMAID_ByTargetInfo", f"target {target}")
                return cast(list[tuple[int, int]],
                            list(_ID_ENTRIES.iter_unpack(bytes(entries)[: count.value * _ID_ENTRIES.size])))
        if code == MoreData.CODE:
            return []
        check(code, "DMA_EnumDMAID_ByTargetInfo", f"target {target}")
        return []

    def _setting_ids(self) -> list[int]:
        ids = {dma_id for dma_id, _ in self.ids(1)}
        if self.fax is not None:
            ids.update(fax_header_ids())
        return sorted(ids)

    def settings(self) -> Iterator[Setting]:
        """Every setting with a value in these records, ascending by DMA ID (as dmactl lists them):
        the catalogue's IDs, plus the fax header strings when there is a fax-address block."""
        for dma_id in self._setting_ids():
            try:
                yield self.describe(dma_id)
            except DmaError:
                continue  # an ID these records cannot describe is not offered

    def software_support(self) -> bool:
        """DMA_QuerySWSupportInfo for information kind 1: True when supported, False when not."""
        code = self._try("DMA_QuerySWSupportInfo", 1)
        if code == NotSupported.CODE:
            return False
        check(code, "DMA_QuerySWSupportInfo")
        return True

    # ---- values ----

    def read(self, s: Setting) -> tuple[Value, bool]:
        """A setting's value and whether it is a string field without a terminator."""
        fast = _READERS.get(s.dma_id) if type(self) is Records else None
        if fast is not None and fast[0] is s.kind and fast[1] is s.place:
            got = fast[3](self)
            if got is not None:
                return got
        N.int_arg(s.dma_id, N.U32, "DMA ID")
        lib = N.lib()
        with self.context() as ctx:
            c = ctypes.byref(ctx)
            if s.kind is SettingKind.INTEGER:
                raw = ctypes.c_int32(0)
                check(int(lib.DMA_GetValue(c, s.dma_id, ctypes.byref(raw))), "DMA_GetValue", s.label)
                return (s.place.interpret(raw.value) if s.place else raw.value), False
            if s.kind is SettingKind.FONT:
                lf = N.LOGFONTA()
                size = ctypes.c_uint32(ctypes.sizeof(lf))
                check(int(lib.DMA_GetLogFontData(c, s.dma_id, ctypes.byref(lf), ctypes.byref(size))),
                      "DMA_GetLogFontData", s.label)
                return Font.from_logfont(lf), False
            if s.fax_header:
                return from_ansi(self._text(ctx, "DMA_GetStringData", s)), False
            # The exact text first; a field without a terminator makes that read fail, and is then read whole.
            size = ctypes.c_uint32(0)
            code = int(lib.DMA_GetStringData_StrLength(c, s.dma_id, None, ctypes.byref(size)))
            if code == MoreData.CODE:
                return from_ansi(self._text(ctx, "DMA_GetStringData_StrLength", s)), False
            if s.protected:
                check(code, "DMA_GetStringData_StrLength", s.label)
            return from_ansi(self._text(ctx, "DMA_GetStringData", s)), True

    @staticmethod
    def _text(ctx: N.DmaContext, operation: str, s: Setting) -> bytes:
        """A text by the size-query protocol: ask for the size, then read into a buffer of it."""
        fn = getattr(N.lib(), operation)
        size = ctypes.c_uint32(0)
        code = int(fn(ctypes.byref(ctx), s.dma_id, None, ctypes.byref(size)))
        if code != MoreData.CODE:
            check(code, operation, s.label)
        buf = ctypes.create_string_buffer(size.value + 1)
        check(int(fn(ctypes.byref(ctx), s.dma_id, buf, ctypes.byref(size))), operation, s.label)
        return buf.raw[: size.value].split(b"\0", 1)[0]

    def __getitem__(self, key: Union[int, str]) -> Value:
        # A DMA ID read before takes the read that its kind needs straight away; anything that does
        # not come back at once as a value (a refusal, records that fail check) goes the whole way,
        # which raises as it always has.
        if type(key) is int and type(self) is Records:
            fast = _READERS.get(key)
            if fast is not None:
                value = fast[2](self)
                if value is not None:
                    return value
        return self.read(self.describe(key))[0]

    _MISSING = object()

    @overload
    def get(self, key: Union[int, str]) -> Value: ...
    @overload
    def get(self, key: Union[int, str], default: Value) -> Value: ...

    def get(self, key: Union[int, str], default: object = _MISSING) -> Value:
        """A setting's value; with a default, that instead of an error when the setting cannot be read."""
        try:
            return self[key]
        except (DmaError, KeyError):
            if default is self._MISSING:
                raise
            assert isinstance(default, (int, str, Font))
            return default

    def check_value(self, s: Setting, value: Value) -> None:
        """ValueError/TypeError for a value the setting cannot take (before the library sees it)."""
        if s.kind is SettingKind.INTEGER:
            if not isinstance(value, int):
                raise TypeError(f"{s.label}: the setting takes an integer, not {type(value).__name__}")
            lo, hi = s.place.integer_range() if s.place else (-(2**31), 2**32 - 1)
            packed = s.place.packed_mask if s.place else 0
            if not lo <= value <= hi or (packed and value & ~packed):
                raise ValueError(f"{s.label}: value {value} out of range ({lo} to {hi})")
        elif s.kind is SettingKind.STRING:
            if not isinstance(value, str):
                raise TypeError(f"{s.label}: the setting takes a str, not {type(value).__name__}")
            ansi = to_ansi(value)
            if s.protected and s.place is not None:
                # Stored as the Base64 form of the scrambled text with its terminator;
                # the library does not check that it fits.
                stored = (len(ansi) + 2) // 3 * 4 + 1
                if stored > s.place.capacity // 2:
                    raise ValueError(f"{s.label}: text too long: {len(ansi)} characters need {stored} characters "
                                     f"in their protected form, the field holds {s.place.capacity // 2}")
        else:
            if not isinstance(value, Font):
                raise TypeError(f"{s.label}: the setting takes a Font, not {type(value).__name__}")
            value.to_logfont(s.label)

    def write(self, s: Setting, value: Value) -> None:
        """Writes a described setting through the export for its kind (linked settings follow it).
        An integer setting also takes the name of one of its values ("DMPAPER_A3", a team's "On")."""
        if s.kind is SettingKind.INTEGER and isinstance(value, str):
            named = self.names.value_of(s.dma_id, value)
            if named is None:
                raise ValueError(f"{s.label}: {value!r} names no value of this setting")
            value = named
        self.check_value(s, value)
        N.int_arg(s.dma_id, N.U32, "DMA ID")
        lib = N.lib()
        with self.context() as ctx:
            c = ctypes.byref(ctx)
            if s.kind is SettingKind.INTEGER:
                assert isinstance(value, int)
                raw = value & 0xFFFFFFFF
                raw = raw - 2**32 if raw & 0x80000000 else raw
                code, op = int(lib.DMA_SetValue(c, s.dma_id, raw)), "DMA_SetValue"
            elif s.kind is SettingKind.STRING:
                assert isinstance(value, str)
                ansi = to_ansi(value)
                if s.fax_header:
                    code, op = int(lib.DMA_SetStringData(c, s.dma_id, ansi, len(ansi) + 1)), "DMA_SetStringData"
                elif s.protected:
                    code, op = int(lib.DMA_SetStringData(c, s.dma_id, ansi, len(ansi))), "DMA_SetStringData"
                else:
                    code, op = int(lib.DMA_SetStringData_StrLength(c, s.dma_id, ansi)), "DMA_SetStringData_StrLength"
            else:
                assert isinstance(value, Font)
                lf = value.to_logfont(s.label)
                code, op = int(lib.DMA_SetLogFontData(c, s.dma_id, ctypes.byref(lf), ctypes.sizeof(lf))), \
                    "DMA_SetLogFontData"
        check(code, op, s.label)

    def meaning(self, key: Union[int, str], value: Optional[int] = None) -> Optional[str]:
        """The name of an integer setting's value ("DMPAPER_A4" for dmPaperSize 9): the value
        given, or the one stored; None when the value has no name."""
        dma_id = self.resolve(key)
        if value is None:
            stored = self[dma_id]
            if not isinstance(stored, int):
                return None
            value = stored
        return self.names.meaning_of(dma_id, value)

    def value_names(self, key: Union[int, str]) -> dict[int, str]:
        """Every named value of a setting, ascending (the team's names over the Windows ones)."""
        return self.names.value_names(self.resolve(key))

    def set(self, key: Union[int, str], value: Value) -> None:
        """Writes a setting through the export for its kind (linked settings follow it)."""
        self.write(self.describe(key), value)

    def __setitem__(self, key: Union[int, str], value: Value) -> None:
        self.set(key, value)

    def values(self) -> dict[int, tuple[Setting, Value]]:
        """Every readable setting with its value, by DMA ID."""
        out: dict[int, tuple[Setting, Value]] = {}
        for s in self._describe_all(self._setting_ids()):
            try:
                out[s.dma_id] = (s, self.read(s)[0])
            except DmaError:
                continue
        return out

    # ---- raw access by item ID ----

    def raw_get(self, item_id: int) -> tuple[int, Union[int, tuple[str, int]]]:
        """dma_GetValue: (type, value) of an item; for strings and fonts the value is (area name, offset)."""
        item_id = N.int_arg(item_id, N.U16, "item ID")
        vtype, length, area = ctypes.c_uint16(0), ctypes.c_int32(0), ctypes.c_uint16(0)
        buf = ctypes.create_string_buffer(16)
        with self.context() as ctx:
            status = int(N.lib().dma_GetValue(item_id, ctx.devMode, ctx.secondary, ctypes.byref(vtype),
                                              ctypes.byref(length), buf, ctypes.byref(area)))
        if status:
            raise RawError(status, "dma_GetValue")
        if vtype.value in (metadata.value_type("STRING"), metadata.value_type("LOGFONT")):
            return vtype.value, (metadata.area_names().get(area.value, "?"), int.from_bytes(buf.raw[:8], "little"))
        width = max(1, min(length.value, 4))
        return vtype.value, int.from_bytes(buf.raw[:width], "little")

    def raw_set(self, item_id: int, value_type: int, value: Union[int, bytes], length: Optional[int] = None) -> None:
        """dma_SetValue: an integer in the declared width (``length`` 1 to 8 bytes, default 4), or a
        text/font as its stored bytes (UTF-16, LOGFONTW) with a declared length of at most their size."""
        item_id = N.int_arg(item_id, N.U16, "item ID")
        value_type = N.int_arg(value_type, N.U16, "value type")
        if length is not None:
            length = N.int_arg(length, N.I32, "length")
        if isinstance(value, int) and not isinstance(value, bool):
            width = length if length is not None else 4
            if not 1 <= width <= 8:
                raise ValueError(f"item {item_id}: an integer value is 1 to 8 bytes wide, not {width}")
            if not -(2 ** (8 * width - 1)) <= value < 2 ** (8 * width):
                raise ValueError(f"item {item_id}: value {value} does not fit {width} bytes")
            data = ctypes.create_string_buffer((value & (2 ** (8 * width) - 1)).to_bytes(width, "little"), width)
            arg: object = data
            declared = width
        elif isinstance(value, (bytes, bytearray, memoryview)):
            raw = bytes(value)
            declared = length if length is not None else len(raw)
            if not 0 <= declared <= len(raw):
                raise ValueError(f"item {item_id}: declared length {declared} out of range (0 to the {len(raw)} "
                                 "bytes given)")
            data = ctypes.create_string_buffer(raw, max(1, len(raw)))
            pointer = ctypes.c_void_p(ctypes.addressof(data))
            arg = ctypes.byref(pointer)
        else:
            raise TypeError(f"item {item_id}: a raw value is an int or bytes, not {type(value).__name__}")
        with self.context() as ctx:
            status = int(N.lib().dma_SetValue(item_id, ctx.devMode, ctx.secondary, value_type, declared, arg))
        if status:
            raise RawError(status, "dma_SetValue")

    # ---- fax destination count ----

    @property
    def fax_count(self) -> int:
        """DMA_GetFaxAddressNum: the destination count of the fax-address block."""
        if self.fax is None:
            raise ValueError("these records have no fax-address block")
        count = ctypes.c_uint16(0)
        keep: list[object] = []
        code = int(N.lib().DMA_GetFaxAddressNum(_address(self.fax, keep), ctypes.byref(count)))
        del keep[:]
        check(code, "DMA_GetFaxAddressNum")
        return int(count.value)

    def set_fax_count(self, value: int, relative: bool = False) -> None:
        """DMA_SetFaxAddressNum: the count in the block and its setting in step; the entries are not
        added or removed (see fax.py for whole destination lists)."""
        if self.fax is None:
            raise ValueError("these records have no fax-address block")
        value = N.int_arg(value, N.I32, "fax destination count")
        current = self.fax_count  # refuses a block that is not in the current layout
        new = current + value if relative else value
        count_field = metadata.layout("faxBlock").field("count")
        top = 2 ** (8 * count_field.width) - 1
        if not 0 <= new <= top:
            raise ValueError(f"fax destination count {new} out of range (0 to {top})")
        header, entry = metadata.size("DMA_FAX_HEADER_SIZE"), metadata.size("DMA_FAX_ENTRY_SIZE")
        held = (len(self.fax) - header) // entry
        if new > held:
            raise ValueError(f"fax destination count {new}: the block holds {held} destination entries, and a count "
                             "beyond them would leave it unusable (set_fax_destinations adds entries)")
        self._call("DMA_SetFaxAddressNum", value, 1 if relative else 0)


# ---- the quick reads ----

#: AttributeRecord as it lies in memory: dmaId, kind, size.
_ATTRIBUTES = struct.Struct("<H2xii")
assert _ATTRIBUTES.size == ctypes.sizeof(N.AttributeRecord)
#: DmaIdEntry as it lies in memory: dmaId, attributes.
_ID_ENTRIES = struct.Struct("<II")
assert _ID_ENTRIES.size == ctypes.sizeof(N.DmaIdEntry)

_Reader = Callable[[Records], Optional[tuple[Value, bool]]]
_ValueReader = Callable[[Records], Optional[Value]]

#: DMA ID: (kind, place, reader) of the IDs described so far.  A setting's kind and place
#: belong to its DMA ID (the catalogue's), so what one description says holds for every
#: record set.  A reader returns what ``read`` returns, or None where ``read`` might not
#: return the same (any result code but success, records that fail ``check``).
_READERS: dict[int, tuple[SettingKind, Optional[Place], _ValueReader, _Reader]] = {}

#: Settings as ``describe`` makes them, by what they are made of (a Setting is immutable).
_SETTINGS: dict[tuple[int, int, int, Optional[str]], Setting] = {}

_ok: Optional[int] = None


def _ok_code() -> int:
    global _ok
    if _ok is None:
        _ok = ok()
    return _ok


def _setting(dma_id: int, kind: int, size: int, name: Optional[str]) -> Setting:
    key = (dma_id, kind, size, name)
    s = _SETTINGS.get(key)
    if s is None:
        s = Setting(dma_id, KINDS.get(kind, SettingKind.INTEGER), int(size), place_of(dma_id), name)
        if len(_SETTINGS) < 0x10000:
            _SETTINGS[key] = s
        if dma_id not in _READERS:
            _READERS[dma_id] = (s.kind, s.place, *_reader_for(s))
    return s


def _interpreter(place: Optional[Place]) -> Callable[[int], int]:
    """Place.interpret for one place, as a function of the fewest steps (None: the raw value)."""
    if place is None:
        return int
    if place.mask:
        return lambda raw: 1 if raw else 0  # raw & 0xFFFFFFFF is 0 only when raw is
    bits = place.read_bits
    if not place.signed:
        keep = (1 << bits) - 1 if bits < 32 else 0xFFFFFFFF
        return lambda raw: raw & keep
    return place.interpret


def _reader_for(s: Setting) -> tuple[_ValueReader, _Reader]:
    """The calls of ``read`` for one setting, bound once: a reader of the value alone (for
    ``records[id]``) and one of what ``read`` returns."""
    lib, OK, MORE = N.lib(), _ok_code(), MoreData.CODE
    dma_id, place = s.dma_id, s.place
    DmaContext, c_int32, c_uint32, byref = N.DmaContext, ctypes.c_int32, ctypes.c_uint32, ctypes.byref
    pin, addressof, fit = _c_char_from_buffer, _addressof, _records_fit
    _records_fit(b"", b"", None)  # reads the limits
    limits = _limits
    assert limits is not None
    devmode_min, secondary_min, header, largest = limits.devmode, limits.secondary, limits.header, limits.largest_entry
    count_at = limits.count_from
    # The fax block's count read through the view that holds the block (a little-endian word or double word).
    count_type = {2: ctypes.c_uint16, 4: ctypes.c_uint32}.get(limits.count_to - count_at) \
        if sys.byteorder == "little" else None

    if s.kind is SettingKind.INTEGER and count_type is not None:
        get_value = lib.DMA_GetValue
        interpret = _interpreter(place)
        pin_count = count_type.from_buffer

        def read_integer(rec: Records) -> Optional[int]:
            devmode, secondary, fax = rec.devmode, rec.secondary, rec.fax
            if len(devmode) < devmode_min or len(secondary) < secondary_min:
                return None
            ctx = DmaContext()
            a = pin(devmode)
            b = pin(secondary)
            ctx.devMode = addressof(a)
            ctx.secondary = addressof(b)
            if fax is not None:
                if len(fax) < header:
                    return None
                f = pin_count(fax, count_at)
                if len(fax) < header + largest * f.value and not fit(devmode, secondary, fax):
                    return None
                ctx.faxAddressBlock = addressof(f) - count_at
            raw = c_int32(0)
            if get_value(byref(ctx), dma_id, byref(raw)) != OK:
                return None
            return interpret(raw.value)

        def read_pair(rec: Records) -> Optional[tuple[Value, bool]]:
            value = read_integer(rec)
            return None if value is None else (value, False)

        return read_integer, read_pair

    def value_of(read_pair: _Reader) -> _ValueReader:
        def read_value(rec: Records) -> Optional[Value]:
            got = read_pair(rec)
            return None if got is None else got[0]
        return read_value

    def opened(rec: Records, body: Callable[[object], Optional[tuple[Value, bool]]]) -> Optional[tuple[Value, bool]]:
        devmode, secondary, fax = rec.devmode, rec.secondary, rec.fax
        if not fit(devmode, secondary, fax):
            return None
        ctx = DmaContext()
        a = pin(devmode)
        b = pin(secondary)
        ctx.devMode, ctx.secondary = addressof(a), addressof(b)
        if fax is not None:
            f = pin(fax)
            ctx.faxAddressBlock = addressof(f)
        return body(byref(ctx))

    if s.kind is SettingKind.INTEGER:
        get_value, interpret = lib.DMA_GetValue, _interpreter(place)

        def integer(c: object) -> Optional[tuple[Value, bool]]:
            raw = c_int32(0)
            if get_value(c, dma_id, byref(raw)) != OK:
                return None
            return interpret(raw.value), False

        return value_of(lambda rec: opened(rec, integer)), lambda rec: opened(rec, integer)

    if s.kind is SettingKind.FONT:
        get_font, LOGFONTA = lib.DMA_GetLogFontData, N.LOGFONTA

        def font(c: object) -> Optional[tuple[Value, bool]]:
            lf = LOGFONTA()
            size = c_uint32(ctypes.sizeof(lf))
            if get_font(c, dma_id, byref(lf), byref(size)) != OK:
                return None
            return Font.from_logfont(lf), False

        return value_of(lambda rec: opened(rec, font)), lambda rec: opened(rec, font)

    get_string, get_exact = lib.DMA_GetStringData, lib.DMA_GetStringData_StrLength
    create_buffer = ctypes.create_string_buffer

    def text(fn: Any, c: object, known: Optional[int]) -> Optional[bytes]:
        # Records._text; ``known``: the size its size query answers, when already asked.
        size = c_uint32(0)
        if known is None:
            code = fn(c, dma_id, None, byref(size))
            if code != MORE and code != OK:
                return None
        else:
            size.value = known
        buf = create_buffer(size.value + 1)
        if fn(c, dma_id, buf, byref(size)) != OK:
            return None
        return buf.raw[: size.value].split(b"\0", 1)[0]

    if place is not None and place.fax_header:
        def header_text(c: object) -> Optional[tuple[Value, bool]]:
            got = text(get_string, c, None)
            return None if got is None else (from_ansi(got), False)

        return value_of(lambda rec: opened(rec, header_text)), lambda rec: opened(rec, header_text)

    protected = place is not None and place.protected

    def string(c: object) -> Optional[tuple[Value, bool]]:
        size = c_uint32(0)
        code = get_exact(c, dma_id, None, byref(size))
        if code == MORE:
            got = text(get_exact, c, size.value)
            return None if got is None else (from_ansi(got), False)
        if protected and code != OK:
            return None
        got = text(get_string, c, None)
        return None if got is None else (from_ansi(got), True)

    return value_of(lambda rec: opened(rec, string)), lambda rec: opened(rec, string)


def diff(a: Records, b: Records) -> list[Difference]:
    """Settings whose values differ between two record sets (settings only one has are passed over)."""
    left, right = a.values(), b.values()
    return [Difference(left[i][0], left[i][1], right[i][1])
            for i in sorted(left.keys() & right.keys()) if left[i][1] != right[i][1]]


def struct_size(kind: int) -> int:
    """DMA_QueryStructSize: bytes of a record kind (2, 3, 4, 5, 7) or of the fax block header (6); 0 otherwise."""
    return int(N.lib().DMA_QueryStructSize(N.int_arg(kind, N.I32, "record kind")))
