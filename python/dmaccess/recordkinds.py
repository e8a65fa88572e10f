"""Record kinds 2, 3, 4, 5 (fax destinations) and 7 as dataclasses, and the
record operations that move them between a caller's array and the settings.

Each kind has the header's fixed layout; a dataclass turns it into Python
values and back (texts are the records' own UTF-16, flags 0 or 1).  A
``RecordList`` is the caller's array of one kind with its state bytes; the
library finds an element by name (kinds 2, 3, 4, 7) or by 1-based position
(fax destinations), loads it into the settings (DMA_AccessibleData), stores
the settings into it (DMA_ApplyData), marks it deleted (DMA_DeleteData), and
reads its name (DMA_GetNameFromInfo).
"""

from __future__ import annotations

import ctypes
import enum
from dataclasses import dataclass, field
from typing import ClassVar, Generic, Optional, TypeVar, Union

from . import _native as N
from .errors import MoreData, check
from .records import FAX_ENTRY_SIZE, FAX_HEADER_SIZE, Font, Records, check_fax_block
from .text import from_ansi, to_ansi, utf16_bytes, utf16_field


class State(enum.IntEnum):
    """An element's state byte."""

    EMPTY = 0
    IN_USE = 1
    DELETED = 2


class _Layout:
    """Reads and writes the fields of a fixed-layout record: (name, offset, width, form) rows,
    form "text" (UTF-16 field), "u"/"i" (unsigned/signed little-endian), "flag", "font", "bytes"."""

    def __init__(self, size: int, rows: tuple[tuple[str, int, int, str], ...]) -> None:
        self.size, self.rows = size, rows

    def decode(self, data: bytes) -> dict[str, object]:
        out: dict[str, object] = {}
        for name, off, width, form in self.rows:
            chunk = data[off : off + width]
            if form == "text":
                out[name] = utf16_field(chunk)
            elif form in ("u", "flag"):
                out[name] = int.from_bytes(chunk, "little")
            elif form == "i":
                out[name] = int.from_bytes(chunk, "little", signed=True)
            elif form == "font":
                lf = N.LOGFONTW.from_buffer_copy(chunk)
                font = Font(face=utf16_field(bytes(chunk[28:92])))
                for member, lf_member, _ in Font._MEMBERS:
                    setattr(font, member, int(getattr(lf, lf_member)))
                out[name] = font
            else:
                out[name] = bytes(chunk)
        return out

    def encode(self, values: dict[str, object], base: Optional[bytes] = None) -> bytes:
        data = bytearray(base if base is not None else bytes(self.size))
        for name, off, width, form in self.rows:
            v = values[name]
            if form == "text":
                assert isinstance(v, str)
                data[off : off + width] = utf16_bytes(v, width, name)
            elif form in ("u", "flag", "i"):
                assert isinstance(v, int)
                data[off : off + width] = v.to_bytes(width, "little", signed=form == "i")
            elif form == "font":
                assert isinstance(v, Font)
                lf = N.LOGFONTW()
                a = v.to_logfont(name)
                for _, m, _ in Font._MEMBERS:
                    setattr(lf, m, getattr(a, m))
                raw = bytearray(bytes(lf))
                raw[28:92] = utf16_bytes(v.face, 64, name)
                data[off : off + width] = raw
            else:
                assert isinstance(v, (bytes, bytearray)) and len(v) == width
                data[off : off + width] = v
        return bytes(data)


R = TypeVar("R", bound="_Record")


class _Record:
    KIND: ClassVar[int]
    LAYOUT: ClassVar[_Layout]

    @classmethod
    def from_bytes(cls: type[R], data: bytes) -> R:
        if len(data) < cls.LAYOUT.size:
            raise ValueError(f"a kind {cls.KIND} record has {cls.LAYOUT.size} bytes, got {len(data)}")
        return cls(**cls.LAYOUT.decode(data))

    def to_bytes(self) -> bytes:
        return self.LAYOUT.encode(vars(self))


@dataclass
class Kind2Record(_Record):
    """Record kind 2 (308 bytes); ``name`` (item 297) is its key."""

    KIND: ClassVar[int] = 2
    LAYOUT: ClassVar[_Layout] = _Layout(308, (
        ("name", 0, 66, "text"), ("item299", 66, 130, "text"), ("item301", 196, 4, "u"),
        ("item300", 200, 2, "u"), ("item1287", 204, 4, "flag"), ("item302", 208, 2, "u"),
        ("item303", 210, 2, "u"), ("item1288", 212, 4, "flag"), ("item304", 216, 92, "font")))
    name: str = ""
    item299: str = ""
    item301: int = 0
    item300: int = 0
    item1287: int = 0
    item302: int = 0
    item303: int = 0
    item1288: int = 0
    item304: Font = field(default_factory=Font)


_KIND3_ROWS = (("name", 0, 82, "text"), ("item1820", 82, 82, "text"), ("item1821", 164, 418, "text"),
               ("item1822", 582, 62, "text"), ("item1823", 644, 62, "text"))


@dataclass
class Kind3Record(_Record):
    """Record kind 3 (706 bytes); ``name`` (item 1819) is its key."""

    KIND: ClassVar[int] = 3
    LAYOUT: ClassVar[_Layout] = _Layout(706, _KIND3_ROWS)
    name: str = ""
    item1820: str = ""
    item1821: str = ""
    item1822: str = ""
    item1823: str = ""


@dataclass
class Kind7Record(_Record):
    """Record kind 7 (968 bytes): the fields of kind 3 and two more."""

    KIND: ClassVar[int] = 7
    LAYOUT: ClassVar[_Layout] = _Layout(968, _KIND3_ROWS + (("item1876", 706, 258, "text"),
                                                            ("item1896", 964, 4, "flag")))
    name: str = ""
    item1820: str = ""
    item1821: str = ""
    item1822: str = ""
    item1823: str = ""
    item1876: str = ""
    item1896: int = 0


@dataclass
class Kind4Record(_Record):
    """Record kind 4 (20 bytes): a number key (1 to 65535) and a rectangle R0-R3 whose meaning
    follows dmOrientation.  Bytes 2-3 belong to no field and are kept as they were."""

    KIND: ClassVar[int] = 4
    LAYOUT: ClassVar[_Layout] = _Layout(20, (("key", 0, 2, "u"), ("untouched", 2, 2, "bytes"), ("r0", 4, 4, "i"),
                                             ("r1", 8, 4, "i"), ("r2", 12, 4, "i"), ("r3", 16, 4, "i")))
    key: int = 0
    untouched: bytes = b"\0\0"
    r0: int = 0
    r1: int = 0
    r2: int = 0
    r3: int = 0


@dataclass
class FaxDestination(_Record):
    """A fax destination entry, record kind 5 (820 bytes), addressed by position.

    ``item1897`` is 16 raw bytes (the old layout's field, kept as stored);
    the setting behind ``item1813`` holds 4 characters although its field has
    room for 8.  The two bytes without a field are kept in ``unused``.
    """

    KIND: ClassVar[int] = 5
    LAYOUT: ClassVar[_Layout] = _Layout(FAX_ENTRY_SIZE, (
        ("item1794", 0, 2, "u"), ("item1795", 2, 258, "text"), ("item1796", 260, 2, "u"),
        ("item1797", 262, 82, "text"), ("item1798", 344, 166, "text"), ("item1810", 510, 2, "u"),
        ("item1811", 512, 2, "u"), ("item1812", 514, 2, "u"), ("item1813", 516, 18, "text"),
        ("item1814", 534, 2, "u"), ("item1815", 536, 2, "u"), ("item1816", 538, 120, "text"),
        ("item1817", 658, 42, "text"), ("item1818", 700, 42, "text"), ("unused", 742, 2, "bytes"),
        ("item1892", 744, 4, "u"), ("item1893", 748, 4, "flag"), ("item1897", 752, 16, "bytes"),
        ("item1894", 768, 50, "text"), ("unused818", 818, 2, "bytes")))
    item1794: int = 0
    item1795: str = ""
    item1796: int = 0
    item1797: str = ""
    item1798: str = ""
    item1810: int = 0
    item1811: int = 0
    item1812: int = 0
    item1813: str = ""
    item1814: int = 0
    item1815: int = 0
    item1816: str = ""
    item1817: str = ""
    item1818: str = ""
    unused: bytes = b"\0\0"
    item1892: int = 0
    item1893: int = 0
    item1897: bytes = bytes(16)
    item1894: str = ""
    unused818: bytes = b"\0\0"


AnyRecord = Union[Kind2Record, Kind3Record, Kind4Record, Kind7Record, FaxDestination]
_ARRAY_FIELD = {2: "kind2Records", 3: "kind3Records", 4: "kind4Records", 5: "faxEntries", 7: "kind7Records"}
_CLASSES: dict[int, type[_Record]] = {2: Kind2Record, 3: Kind3Record, 4: Kind4Record, 5: FaxDestination,
                                      7: Kind7Record}

T = TypeVar("T", Kind2Record, Kind3Record, Kind4Record, Kind7Record, FaxDestination)


class RecordList(Generic[T]):
    """A caller's array of records of one kind, with one state byte per element."""

    def __init__(self, cls: type[T], elements: Optional[list[T]] = None,
                 states: Optional[list[State]] = None) -> None:
        self.cls: type[T] = cls
        self.elements: list[T] = list(elements or [])
        self.states: list[State] = list(states) if states is not None else [State.IN_USE] * len(self.elements)
        if len(self.states) != len(self.elements):
            raise ValueError("one state per element")

    @property
    def kind(self) -> int:
        return int(self.cls.KIND)

    def _marshal(self) -> tuple[N.RecordArray, ctypes.Array[ctypes.c_char], ctypes.Array[ctypes.c_uint8]]:
        size = self.cls.LAYOUT.size
        blob = ctypes.create_string_buffer(b"".join(e.to_bytes() for e in self.elements) or b"\0", max(1, size * len(self.elements)))
        states = (ctypes.c_uint8 * max(1, len(self.states)))(*[int(s) for s in self.states])
        arr = N.RecordArray(len(self.elements), size, ctypes.addressof(states), ctypes.addressof(blob))
        return arr, blob, states

    def _unmarshal(self, blob: ctypes.Array[ctypes.c_char], states: ctypes.Array[ctypes.c_uint8]) -> None:
        size = self.cls.LAYOUT.size
        raw = blob.raw
        self.elements = [self.cls.from_bytes(raw[i * size : (i + 1) * size]) for i in range(len(self.elements))]
        self.states = [State(states[i]) if states[i] in (0, 1, 2) else State.IN_USE for i in range(len(self.states))]

    def _run(self, records: Records, operation: str, *args: object) -> None:
        arr, blob, states = self._marshal()
        with records.context({_ARRAY_FIELD[self.kind]: arr}) as ctx:
            code = int(getattr(N.lib(), operation)(ctypes.byref(ctx), *args))
        self._unmarshal(blob, states)
        check(code, operation, f"kind {self.kind}")

    def load(self, records: Records, key: Union[str, int]) -> None:
        """DMA_AccessibleData: writes the element in use with this name (or at this position) into the settings."""
        name = to_ansi(key) if isinstance(key, str) else None
        buf = ctypes.create_string_buffer(name) if name is not None else None
        self._run(records, "DMA_AccessibleData", self.kind, ctypes.addressof(buf) if buf is not None else key)

    def store(self, records: Records, key: Union[str, int], last: bool = False) -> None:
        """DMA_ApplyData: stores the settings into the element with this name (or at this position),
        or with ``last`` into the last element whatever its state; the element becomes in use."""
        name = to_ansi(key) if isinstance(key, str) else None
        buf = ctypes.create_string_buffer(name) if name is not None else None
        self._run(records, "DMA_ApplyData", self.kind, 1 if last else 0,
                  ctypes.addressof(buf) if buf is not None else key)

    def delete(self, records: Records, name: str) -> None:
        """DMA_DeleteData: marks the element with this name deleted (its bytes stay)."""
        self._run(records, "DMA_DeleteData", self.kind, to_ansi(name))


def record_name(record: Union[Kind2Record, Kind3Record, Kind4Record, Kind7Record]) -> str:
    """DMA_GetNameFromInfo: the name the library finds in a record (a kind 4 key in decimal)."""
    data = ctypes.create_string_buffer(record.to_bytes())
    size = ctypes.c_uint32(0)
    code = int(N.lib().DMA_GetNameFromInfo(data, record.KIND, ctypes.byref(size), None))
    if code != MoreData.CODE:
        check(code, "DMA_GetNameFromInfo")
    buf = ctypes.create_string_buffer(size.value)
    check(int(N.lib().DMA_GetNameFromInfo(data, record.KIND, ctypes.byref(size), buf)), "DMA_GetNameFromInfo")
    return from_ansi(buf.value)


def fax_destinations(records: Records) -> list[FaxDestination]:
    """The destination entries of the records' fax-address block (current layout)."""
    block = records.fax
    if block is None:
        raise ValueError("these records have no fax-address block")
    count = records.fax_count  # refuses a block that is not in the current layout
    return [FaxDestination.from_bytes(bytes(block[FAX_HEADER_SIZE + i * FAX_ENTRY_SIZE :
                                                  FAX_HEADER_SIZE + (i + 1) * FAX_ENTRY_SIZE])) for i in range(count)]


def set_fax_destinations(records: Records, destinations: list[FaxDestination]) -> None:
    """Replaces the block's entries; the count in the block and its setting follow (DMA_SetFaxAddressNum)."""
    block = records.fax
    if block is None:
        raise ValueError("these records have no fax-address block")
    records.fax_count  # the current layout only
    entries = b"".join(d.to_bytes() for d in destinations)
    del block[FAX_HEADER_SIZE:]
    block += entries
    records.set_fax_count(len(destinations))
    check_fax_block(block)


def destination_list(records: Records) -> RecordList[FaxDestination]:
    """The fax destinations as a record list (every entry in use), for load/store by position."""
    return RecordList(FaxDestination, fax_destinations(records))
