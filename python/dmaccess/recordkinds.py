"""Record kinds 2, 3, 4, 5 (fax destinations) and 7 as Python objects, and the
record operations that move them between a caller's array and the settings.

Each kind has the header's fixed layout, as the metadata file describes it
(``metadata.layout``); a record class turns it into Python values and back
(texts are the records' own UTF-16, flags 0 or 1).  A
``RecordList`` is the caller's array of one kind with its state bytes; the
library finds an element by name (kinds 2, 3, 4, 7) or by 1-based position
(fax destinations), loads it into the settings (DMA_AccessibleData), stores
the settings into it (DMA_ApplyData), marks it deleted (DMA_DeleteData), and
reads its name (DMA_GetNameFromInfo).
"""

from __future__ import annotations

import ctypes
import enum
from typing import Any, ClassVar, Generic, Optional, TypeVar, Union

from . import native as N
from . import metadata
from .errors import MoreData, check
from .metadata import FieldForm
from .records import Font, Records, check_fax_block
from .text import from_ansi, to_ansi, utf16_bytes, utf16_field


class State(enum.IntEnum):
    """An element's state byte."""

    EMPTY = 0
    IN_USE = 1
    DELETED = 2


def decode_field(f: metadata.Field, chunk: bytes) -> object:
    """A field's value from its bytes in the record."""
    if f.form is FieldForm.TEXT:
        return utf16_field(chunk)
    if f.form in (FieldForm.UNSIGNED, FieldForm.FLAG):
        return int.from_bytes(chunk, "little")
    if f.form is FieldForm.SIGNED:
        return int.from_bytes(chunk, "little", signed=True)
    if f.form is FieldForm.FONT:
        offset, chars = metadata.font_face()
        return Font.from_bytes(chunk, utf16_field(chunk[offset : offset + 2 * chars]))
    return bytes(chunk)


def encode_field(f: metadata.Field, value: object, what: str) -> bytes:
    """A field's bytes; TypeError for a value of another kind, ValueError for one that does not fit."""
    if f.form is FieldForm.TEXT:
        if not isinstance(value, str):
            raise TypeError(f"{what} is a text")
        return utf16_bytes(value, f.width, what)
    if f.form is FieldForm.FONT:
        if not isinstance(value, Font):
            raise TypeError(f"{what} is a Font")
        value.to_logfont(what)  # the checks of a font setting: members in range, a face name that fits
        chars = metadata.font_face()[1]
        return value.member_bytes(what) + utf16_bytes(value.face, 2 * chars, what)
    if f.form is FieldForm.BYTES:
        if not isinstance(value, (bytes, bytearray)) or len(value) != f.width:
            raise ValueError(f"{what}: {f.width} bytes expected")
        return bytes(value)
    signed = f.form is FieldForm.SIGNED
    if not isinstance(value, int) or isinstance(value, bool):
        raise TypeError(f"{what} is an integer")
    lo, hi = (-(1 << (8 * f.width - 1)), (1 << (8 * f.width - 1)) - 1) if signed else (0, (1 << (8 * f.width)) - 1)
    if not lo <= value <= hi:
        raise ValueError(f"{what}: {value!r} is not {'a signed' if signed else 'an unsigned'} {8 * f.width}-bit value")
    return value.to_bytes(f.width, "little", signed=signed)


def field_default(f: metadata.Field) -> object:
    """A blank field's value."""
    if f.form is FieldForm.TEXT:
        return ""
    if f.form is FieldForm.FONT:
        return Font()
    if f.form is FieldForm.BYTES:
        return bytes(f.width)
    return 0


R = TypeVar("R", bound="KindRecord")


class KindRecord:
    """A fixed-layout record as Python values, one attribute a field, laid out as the metadata says.

    Fields are named as in the layout: the key ``name`` (kinds 2, 3, 7) or
    ``key`` (kind 4), ``r0``-``r3`` (kind 4), ``itemNNNN`` for the field of
    item NNNN, and the header's names for bytes of no field (kept as stored).
    Texts are the records' own UTF-16, flags 0 or 1, fonts ``Font``.
    """

    KIND: ClassVar[int]
    #: Earlier names of fields, still accepted.
    ALIASES: ClassVar[dict[str, str]] = {}

    def __init__(self, **values: object) -> None:
        for f in self.layout().fields:
            self.__dict__[f.name] = field_default(f)
        for name, value in values.items():
            if self.ALIASES.get(name, name) not in self.__dict__:
                raise TypeError(f"{type(self).__name__} has no field {name!r}")
            setattr(self, name, value)

    @classmethod
    def layout(cls) -> metadata.Layout:
        return metadata.layout(f"kind{cls.KIND}")

    def __getattr__(self, name: str) -> Any:
        # Only reached for names that are not fields: the earlier names.
        target = type(self).ALIASES.get(name)
        if target is None:
            raise AttributeError(f"{type(self).__name__} has no field {name!r}")
        return self.__dict__[target]

    def __setattr__(self, name: str, value: object) -> None:
        name = self.ALIASES.get(name, name)
        if name not in self.__dict__:
            raise AttributeError(f"{type(self).__name__} has no field {name!r}")
        self.__dict__[name] = value

    def __eq__(self, other: object) -> bool:
        return type(other) is type(self) and vars(other) == vars(self)

    __hash__ = None  # type: ignore[assignment]

    def __repr__(self) -> str:
        return f"{type(self).__name__}({', '.join(f'{k}={v!r}' for k, v in vars(self).items())})"

    @classmethod
    def from_bytes(cls: type[R], data: bytes) -> R:
        layout = cls.layout()
        if len(data) < layout.size:
            raise ValueError(f"a kind {cls.KIND} record has {layout.size} bytes, got {len(data)}")
        return cls(**{f.name: decode_field(f, data[f.offset : f.offset + f.width]) for f in layout.fields})

    def to_bytes(self) -> bytes:
        layout = self.layout()
        data = bytearray(layout.size)
        for f in layout.fields:
            data[f.offset : f.offset + f.width] = encode_field(f, self.__dict__[f.name], f.name)
        return bytes(data)


class Kind2Record(KindRecord):
    """Record kind 2 (308 bytes); ``name`` (item 297) is its key."""

    KIND = 2


class Kind3Record(KindRecord):
    """Record kind 3 (706 bytes); ``name`` (item 1819) is its key."""

    KIND = 3


class Kind7Record(KindRecord):
    """Record kind 7 (968 bytes): the fields of kind 3 and two more."""

    KIND = 7


class Kind4Record(KindRecord):
    """Record kind 4 (20 bytes): a number ``key`` (1 to 65535) and a rectangle ``r0``-``r3`` whose
    meaning follows dmOrientation.  The bytes ``untouched`` belong to no field and are kept as they were."""

    KIND = 4


class FaxDestination(KindRecord):
    """A fax destination entry, record kind 5 (820 bytes), addressed by position.

    ``item1897`` is 16 raw bytes (the old layout's field, kept as stored);
    the setting behind ``item1813`` holds 4 characters although its field has
    room for 8.  The bytes without a field are kept in ``unused742`` (also
    ``unused``) and ``unused818``.
    """

    KIND = 5
    ALIASES: ClassVar[dict[str, str]] = {"unused": "unused742"}


AnyRecord = Union[Kind2Record, Kind3Record, Kind4Record, Kind7Record, FaxDestination]
_ARRAY_FIELD = {2: "kind2Records", 3: "kind3Records", 4: "kind4Records", 5: "faxEntries", 7: "kind7Records"}

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
        size = self.cls.layout().size
        for i, s in enumerate(self.states):
            if isinstance(s, bool) or not isinstance(s, int) or s not in (0, 1, 2):
                raise ValueError(f"element {i}: state {s!r} is not one of 0 (empty), 1 (in use), 2 (deleted)")
        blob = ctypes.create_string_buffer(b"".join(e.to_bytes() for e in self.elements) or b"\0", max(1, size * len(self.elements)))
        states = (ctypes.c_uint8 * max(1, len(self.states)))(*[int(s) for s in self.states])
        arr = N.RecordArray(len(self.elements), size, ctypes.addressof(states), ctypes.addressof(blob))
        return arr, blob, states

    def _unmarshal(self, blob: ctypes.Array[ctypes.c_char], states: ctypes.Array[ctypes.c_uint8]) -> None:
        size = self.cls.layout().size
        raw = blob.raw
        self.elements = [self.cls.from_bytes(raw[i * size : (i + 1) * size]) for i in range(len(self.elements))]
        self.states = [State(states[i]) if states[i] in (0, 1, 2) else State.IN_USE for i in range(len(self.states))]

    def _run(self, records: Records, operation: str, *args: object) -> None:
        arr, blob, states = self._marshal()
        with records.context({_ARRAY_FIELD[self.kind]: arr}) as ctx:
            code = int(getattr(N.lib(), operation)(ctypes.byref(ctx), *args))
        self._unmarshal(blob, states)
        check(code, operation, f"kind {self.kind}")

    @staticmethod
    def _key(key: Union[str, int]) -> tuple[Optional[ctypes.Array[ctypes.c_char]], int]:
        """A name's buffer (kept alive by the caller) and the argument that points to it, or a position."""
        if isinstance(key, str):
            buf = ctypes.create_string_buffer(to_ansi(key))
            return buf, ctypes.addressof(buf)
        return None, N.int_arg(key, N.SSIZE, "position")

    def load(self, records: Records, key: Union[str, int]) -> None:
        """DMA_AccessibleData: writes the element in use with this name (or at this position) into the settings."""
        buf, arg = self._key(key)
        self._run(records, "DMA_AccessibleData", self.kind, arg)
        del buf

    def store(self, records: Records, key: Union[str, int], last: bool = False) -> None:
        """DMA_ApplyData: stores the settings into the element with this name (or at this position),
        or with ``last`` into the last element whatever its state; the element becomes in use."""
        buf, arg = self._key(key)
        self._run(records, "DMA_ApplyData", self.kind, 1 if last else 0, arg)
        del buf

    def delete(self, records: Records, name: str) -> None:
        """DMA_DeleteData: marks the element with this name deleted (its bytes stay)."""
        if not isinstance(name, str):
            raise TypeError(f"an element is deleted by its name (str), not {type(name).__name__}")
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
    header, entry = metadata.size("DMA_FAX_HEADER_SIZE"), FaxDestination.layout().size
    return [FaxDestination.from_bytes(bytes(block[header + i * entry : header + (i + 1) * entry]))
            for i in range(count)]


def set_fax_destinations(records: Records, destinations: list[FaxDestination]) -> None:
    """Replaces the block's entries; the count in the block and its setting follow (DMA_SetFaxAddressNum)."""
    block = records.fax
    if block is None:
        raise ValueError("these records have no fax-address block")
    records.fax_count  # the current layout only
    top = 2 ** (8 * metadata.layout("faxBlock").field("count").width) - 1
    if len(destinations) > top:
        raise ValueError(f"{len(destinations)} fax destinations: a block holds at most {top}")
    entries = b"".join(d.to_bytes() for d in destinations)
    del block[metadata.size("DMA_FAX_HEADER_SIZE"):]
    block += entries
    records.set_fax_count(len(destinations))
    check_fax_block(block)


def destination_list(records: Records) -> RecordList[FaxDestination]:
    """The fax destinations as a record list (every entry in use), for load/store by position."""
    return RecordList(FaxDestination, fax_destinations(records))
