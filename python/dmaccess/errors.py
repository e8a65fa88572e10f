"""Result codes of the library as typed exceptions.

Every negative result of a public operation becomes a ``DmaError`` subclass
named by its meaning; the exception carries the code and the operation that
returned it.  The messages are those dmactl prints for the same codes.
"""

from __future__ import annotations

from typing import Optional


class DmaError(Exception):
    """A public operation of the library returned a negative result code."""

    #: The result code this class stands for (0 for the base class).
    CODE = 0
    #: What the code means, as dmactl words it.
    MESSAGE = "unknown result code"

    def __init__(self, code: int, operation: str, detail: Optional[str] = None) -> None:
        self.code = code
        self.operation = operation
        self.detail = detail
        text = f"{operation}: {message_of(code)}"
        if detail:
            text += f" [{detail}]"
        super().__init__(text)


class NoSuchId(DmaError):
    CODE, MESSAGE = -1, "no such DMA ID (or no fax-address block for the fax header strings)"


class IsString(DmaError):
    CODE, MESSAGE = -2, "the setting is a string; use a text value"


class WrongType(DmaError):
    CODE, MESSAGE = -3, "the setting has another value type than the operation handles"


class UnknownInfoKind(DmaError):
    CODE, MESSAGE = -4, "unknown information kind"


class MoreData(DmaError):
    CODE, MESSAGE = -5, "buffer too small (size query answered)"


class TooLong(DmaError):
    CODE, MESSAGE = -6, "value too long for its field"


class IsFont(DmaError):
    CODE, MESSAGE = -7, "the setting is a font; give its members as name=value"


class Refused(DmaError):
    CODE, MESSAGE = -10, (
        "refused: the value is not valid for this setting, a linked setting cannot follow it, "
        "or the record that holds it is missing"
    )


class SupportUnreadable(DmaError):
    CODE, MESSAGE = -12, "the support flag cannot be read"


class FileOpenError(DmaError):
    CODE, MESSAGE = -13, "the document-property file cannot be created or opened"


class FileWriteError(DmaError):
    CODE, MESSAGE = -14, "writing the document-property file failed"


class FileReadError(DmaError):
    CODE, MESSAGE = -15, "the document-property file cannot be read"


class FileFormatError(DmaError):
    CODE, MESSAGE = -16, "the file is not a valid document-property file"


class FaxFileOpenError(DmaError):
    CODE, MESSAGE = -17, "the fax-only file cannot be created"


class FaxFileWriteError(DmaError):
    CODE, MESSAGE = -18, "writing the fax-only file failed"


class KindNotServed(DmaError):
    CODE, MESSAGE = -19, "record kind or target type not served"


class NoFaxEntry(DmaError):
    CODE, MESSAGE = -20, "no fax destination entry at that position"


class NoKind4Record(DmaError):
    CODE, MESSAGE = -21, "no record with that number"


class NoRecord(DmaError):
    CODE, MESSAGE = -22, "no record with that name"


class UnknownMode(DmaError):
    CODE, MESSAGE = -23, "unknown mode"


class NotSupported(DmaError):
    CODE, MESSAGE = -35, "not supported"


class RawError(Exception):
    """The raw item-ID engine (dma_GetValue, dma_SetValue) returned a status other than 0."""

    NAMES = {0x01: "NO_RANGE", 0x02: "BAD_TYPE", 0x04: "BAD_SIZE", 0x08: "BAD_WIDTH", 0x10: "FAILED"}

    def __init__(self, status: int, operation: str) -> None:
        self.status = status
        self.operation = operation
        super().__init__(f"{operation}: raw status 0x{status:02X} ({self.NAMES.get(status, 'unknown')})")


#: Every typed exception by its result code.
ERRORS: dict[int, type[DmaError]] = {
    cls.CODE: cls
    for cls in (
        NoSuchId, IsString, WrongType, UnknownInfoKind, MoreData, TooLong, IsFont, Refused,
        SupportUnreadable, FileOpenError, FileWriteError, FileReadError, FileFormatError,
        FaxFileOpenError, FaxFileWriteError, KindNotServed, NoFaxEntry, NoKind4Record, NoRecord,
        UnknownMode, NotSupported,
    )
}


def message_of(code: int) -> str:
    """dmactl's message for a result code: "text (result N)"."""
    if code == 1:
        text = "done"
    else:
        cls = ERRORS.get(code)
        text = cls.MESSAGE if cls else DmaError.MESSAGE
    return f"{text} (result {code})"


def check(code: int, operation: str, detail: Optional[str] = None) -> None:
    """Raises the typed exception for a negative result; DMA_OK passes."""
    if code == 1:
        return
    raise ERRORS.get(code, DmaError)(code, operation, detail)
