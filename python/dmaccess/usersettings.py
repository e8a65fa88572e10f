"""A user's settings as one record (2096 bytes, layout version 4).

``UserSettings`` holds the record's name and its fields by item ID:
integers for the WORD, BYTE and FLAG items, str for the texts (UTF-16 in
the record).  ``read_user_settings`` fills one from the secondary record
(DMA_GetUserSettingInfo); ``write_user_settings`` hands one back
(DMA_SetUserSettingInfo), which writes every field but items 8203, 8204,
5137 and the name.  Raw bytes of an older layout (versions 1 to 3) may be
written too: the library converts them.
"""

from __future__ import annotations

import ctypes
from dataclasses import dataclass, field
from typing import Union

from . import _native as N
from .errors import MoreData, check
from .records import Records
from .text import to_ansi, utf16_bytes, utf16_field

SIZE = 2096
VERSION = 4

# (item, offset, width, form) of every field, in the record's order.
FIELDS: tuple[tuple[int, int, int, str], ...] = (
    (8203, 2, 2, "u"), (8204, 4, 2, "u"), (5137, 6, 2, "u"),
    (5129, 76, 50, "text"), (5130, 126, 10, "text"), (5146, 136, 2, "u"), (5147, 138, 258, "text"),
    (5159, 396, 34, "text"),
    (5150, 432, 66, "text"), (5148, 498, 258, "text"), (5161, 756, 346, "text"), (5167, 1102, 66, "text"),
    (5214, 1168, 130, "text"), (5165, 1298, 1, "u"), (5169, 1300, 4, "u"), (5171, 1304, 4, "u"),
    (5173, 1308, 4, "u"), (5178, 1312, 2, "u"), (5180, 1314, 50, "text"), (5182, 1364, 34, "text"),
    (5174, 1402, 66, "text"), (5175, 1468, 346, "text"), (5176, 1814, 66, "text"), (5215, 1880, 130, "text"),
    (5184, 2010, 50, "text"), (5185, 2060, 34, "text"), (5183, 2094, 1, "u"),
)
_NAME_OFFSET, _NAME_BYTES = 8, 64


@dataclass
class UserSettings:
    """The fields of a user-settings record by item ID, and the user's name."""

    name: str = ""
    values: dict[int, Union[int, str]] = field(default_factory=lambda: {
        item: ("" if form == "text" else 0) for item, _, _, form in FIELDS})

    @classmethod
    def from_bytes(cls, data: bytes) -> "UserSettings":
        """Decodes a version 4 record."""
        if len(data) < SIZE or int.from_bytes(data[:2], "little") != VERSION:
            raise ValueError(f"a user-settings record of layout version {VERSION} has {SIZE} bytes")
        values: dict[int, Union[int, str]] = {}
        for item, off, width, form in FIELDS:
            chunk = data[off : off + width]
            values[item] = utf16_field(chunk) if form == "text" else int.from_bytes(chunk, "little")
        return cls(utf16_field(data[_NAME_OFFSET : _NAME_OFFSET + _NAME_BYTES]), values)

    def to_bytes(self) -> bytes:
        """Encodes a version 4 record; ValueError for a field that does not fit."""
        data = bytearray(SIZE)
        data[0:2] = VERSION.to_bytes(2, "little")
        data[_NAME_OFFSET : _NAME_OFFSET + _NAME_BYTES] = utf16_bytes(self.name, _NAME_BYTES, "name")
        data[72:74] = (7).to_bytes(2, "little")
        for item, off, width, form in FIELDS:
            v = self.values.get(item, "" if form == "text" else 0)
            if form == "text":
                if not isinstance(v, str):
                    raise TypeError(f"item {item} is a text")
                data[off : off + width] = utf16_bytes(v, width, f"item {item}")
            else:
                if not isinstance(v, int) or not 0 <= v < 2 ** (8 * width):
                    raise ValueError(f"item {item}: {v!r} is not an unsigned {8 * width}-bit value")
                data[off : off + width] = v.to_bytes(width, "little")
        return bytes(data)


def read_user_settings(records: Records, name: str = "") -> UserSettings:
    """DMA_GetUserSettingInfo by the size-query protocol; ``name`` goes into the record's name field."""
    size = ctypes.c_uint32(0)
    with records.context(ansi_name=to_ansi(name)) as ctx:
        code = int(N.lib().DMA_GetUserSettingInfo(ctypes.byref(ctx), None, ctypes.byref(size)))
        if code != MoreData.CODE:
            check(code, "DMA_GetUserSettingInfo")
        buf = ctypes.create_string_buffer(size.value)
        check(int(N.lib().DMA_GetUserSettingInfo(ctypes.byref(ctx), buf, ctypes.byref(size))),
              "DMA_GetUserSettingInfo")
    return UserSettings.from_bytes(buf.raw)


def write_user_settings(records: Records, settings: Union[UserSettings, bytes]) -> None:
    """DMA_SetUserSettingInfo with a UserSettings or the raw bytes of a record of version 1 to 4."""
    data = settings.to_bytes() if isinstance(settings, UserSettings) else bytes(settings)
    # The library reads as many bytes as the version's layout has: never hand it less.
    buf = ctypes.create_string_buffer(data, max(len(data), SIZE))
    with records.context() as ctx:
        code = int(N.lib().DMA_SetUserSettingInfo(ctypes.byref(ctx), buf))
    check(code, "DMA_SetUserSettingInfo")
