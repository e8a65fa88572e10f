"""Text in the forms the library exchanges.

Callers hand the library text in the system's ANSI code page and get text
back in it; the records themselves hold UTF-16.  On Windows the ANSI code
page is the system's (Python's "mbcs" codec); elsewhere the library's
platform layer fixes it at 1252, where the five bytes that 1252 leaves
unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 controls of the
same value, as Windows' own conversion has them, so every byte round-trips.
"""

from __future__ import annotations

import sys

_C1_HOLES = {0x81, 0x8D, 0x8F, 0x90, 0x9D}


def to_ansi(text: str) -> bytes:
    """Text to the library's ANSI form; ValueError when the code page lacks a character."""
    if "\0" in text:
        raise ValueError(f"the text {text!r} holds a zero character")
    if sys.platform == "win32":
        try:
            return text.encode("mbcs", errors="strict")
        except UnicodeEncodeError:
            raise ValueError(f"the text {text!r} cannot be written in the ANSI code page") from None
    out = bytearray()
    for ch in text:
        code = ord(ch)
        if code in _C1_HOLES:
            out.append(code)
            continue
        try:
            out += ch.encode("cp1252")
        except UnicodeEncodeError:
            raise ValueError(f"the text {text!r} cannot be written in the ANSI code page") from None
    return bytes(out)


#: Each byte of code page 1252 (the holes: their C1 controls) by its Latin-1 character.
_CP1252: dict[int, str] = {}


def from_ansi(data: bytes) -> str:
    """ANSI text from the library to str; never fails."""
    if sys.platform == "win32":
        return data.decode("mbcs", errors="replace")
    if data.isascii():
        return data.decode("ascii")
    if not _CP1252:
        _CP1252.update({b: chr(b) if b in _C1_HOLES else bytes((b,)).decode("cp1252") for b in range(0x80, 0x100)})
    return data.decode("latin-1").translate(_CP1252)


def utf16_field(data: bytes) -> str:
    """A UTF-16 field of a record up to its first zero unit (or whole)."""
    units = len(data) // 2
    end = units
    for i in range(units):
        if data[2 * i] == 0 and data[2 * i + 1] == 0:
            end = i
            break
    return data[: 2 * end].decode("utf-16-le", errors="replace")


def utf16_bytes(text: str, field_bytes: int, what: str) -> bytes:
    """Text as a zero-padded UTF-16 field of field_bytes bytes, with room for the terminator."""
    data = text.encode("utf-16-le")
    if len(data) + 2 > field_bytes:
        raise ValueError(f"{what}: {text!r} does not fit a field of {field_bytes // 2 - 1} characters")
    return data + bytes(field_bytes - len(data))
