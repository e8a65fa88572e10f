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

from . import native as N
from . import metadata
from .errors import MoreData, check
from .metadata import FieldForm
from .records import Records
from .recordkinds import decode_field, encode_field
from .text import to_ansi, utf16_bytes, utf16_field


def _layout() -> metadata.Layout:
    return metadata.layout("userSettings")


def fields() -> tuple[metadata.Field, ...]:
    """The fields of the record that hold a setting (by item ID), in the record's order."""
    return tuple(f for f in _layout().fields if f.item)


@dataclass
class UserSettings:
    """The fields of a user-settings record by item ID, and the user's name."""

    name: str = ""
    values: dict[int, Union[int, str]] = field(default_factory=lambda: {
        f.item: ("" if f.form is FieldForm.TEXT else 0) for f in fields()})

    @classmethod
    def from_bytes(cls, data: bytes) -> "UserSettings":
        """Decodes a record of the current layout version."""
        layout = _layout()
        version, name = layout.field("layoutVersion"), layout.field("userName")
        if len(data) < layout.size or decode_field(version, data[version.offset : version.offset + version.width]) \
                != layout.version:
            raise ValueError(f"a user-settings record of layout version {layout.version} has {layout.size} bytes")
        values: dict[int, Union[int, str]] = {}
        for f in fields():
            value = decode_field(f, data[f.offset : f.offset + f.width])
            assert isinstance(value, (int, str))
            values[f.item] = value
        return cls(utf16_field(data[name.offset : name.offset + name.width]), values)

    def to_bytes(self) -> bytes:
        """Encodes a record of the current layout version; ValueError for a field that does not fit."""
        layout = _layout()
        data = bytearray(layout.size)
        version, name = layout.field("layoutVersion"), layout.field("userName")
        data[version.offset : version.offset + version.width] = encode_field(version, layout.version, "version")
        data[name.offset : name.offset + name.width] = utf16_bytes(self.name, name.width, "name")
        mark = metadata.document()["layouts"]["userSettings"]["mark"]
        data[mark["offset"] : mark["offset"] + mark["width"]] = int(mark["value"]).to_bytes(mark["width"], "little")
        for f in fields():
            value = self.values.get(f.item, "" if f.form is FieldForm.TEXT else 0)
            data[f.offset : f.offset + f.width] = encode_field(f, value, f"item {f.item}")
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
    buf = ctypes.create_string_buffer(data, max(len(data), _layout().size))
    with records.context() as ctx:
        code = int(N.lib().DMA_SetUserSettingInfo(ctypes.byref(ctx), buf))
    check(code, "DMA_SetUserSettingInfo")
