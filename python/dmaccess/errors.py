"""Result codes of the library as typed exceptions.

Every negative result of a public operation becomes a ``DmaError`` subclass
named by its meaning; the exception carries the code and the operation that
returned it.  The messages are those dmactl prints for the same codes.
"""

from __future__ import annotations

from functools import lru_cache
from typing import Optional

from . import metadata


class ResultCodeClass(type):
    """The class of the typed exceptions: each class's code and message are those the metadata
    gives for its NAME (the header's name of the code), looked up when first asked for."""

    NAME: str

    @property
    def CODE(cls) -> int:
        """The result code this class stands for (0 for the base class)."""
        return metadata.result_code(cls.NAME) if cls.NAME else 0

    @property
    def MESSAGE(cls) -> str:
        """What the code means, as dmactl words it."""
        return (metadata.result_message(cls.CODE) if cls.NAME else None) or "unknown result code"


class DmaError(Exception, metaclass=ResultCodeClass):
    """A public operation of the library returned a negative result code."""

    #: The header's name of the code this class stands for ("" for the base class).
    NAME = ""

    def __init__(self, code: int, operation: str, detail: Optional[str] = None) -> None:
        self.code = code
        self.operation = operation
        self.detail = detail
        text = f"{operation}: {message_of(code)}"
        if detail:
            text += f" [{detail}]"
        super().__init__(text)


class NoSuchId(DmaError):
    NAME = "DMA_E_NO_ID"


class IsString(DmaError):
    NAME = "DMA_E_IS_STRING"


class WrongType(DmaError):
    NAME = "DMA_E_WRONG_TYPE"


class UnknownInfoKind(DmaError):
    NAME = "DMA_E_INFO_KIND"


class MoreData(DmaError):
    NAME = "DMA_E_MORE_DATA"


class TooLong(DmaError):
    NAME = "DMA_E_TOO_LONG"


class IsFont(DmaError):
    NAME = "DMA_E_IS_FONT"


class Refused(DmaError):
    NAME = "DMA_E_FAILED"


class SupportUnreadable(DmaError):
    NAME = "DMA_E_SUPPORT_READ"


class FileOpenError(DmaError):
    NAME = "DMA_E_FILE_OPEN"


class FileWriteError(DmaError):
    NAME = "DMA_E_FILE_WRITE"


class FileReadError(DmaError):
    NAME = "DMA_E_FILE_READ"


class FileFormatError(DmaError):
    NAME = "DMA_E_FILE_FORMAT"


class FaxFileOpenError(DmaError):
    NAME = "DMA_E_FAXFILE_OPEN"


class FaxFileWriteError(DmaError):
    NAME = "DMA_E_FAXFILE_WRITE"


class KindNotServed(DmaError):
    NAME = "DMA_E_KIND"


class NoFaxEntry(DmaError):
    NAME = "DMA_E_NO_FAX_ENTRY"


class NoKind4Record(DmaError):
    NAME = "DMA_E_NO_KIND4_RECORD"


class NoRecord(DmaError):
    NAME = "DMA_E_NO_RECORD"


class UnknownMode(DmaError):
    NAME = "DMA_E_MODE"


class NotSupported(DmaError):
    NAME = "DMA_E_NOT_SUPPORTED"


class RawError(Exception):
    """The raw item-ID engine (dma_GetValue, dma_SetValue) returned a status other than 0."""

    def __init__(self, status: int, operation: str) -> None:
        self.status = status
        self.operation = operation
        names = {v: k.removeprefix("DMA_RS_") for k, v in metadata.document()["rawStatuses"].items()}
        super().__init__(f"{operation}: raw status 0x{status:02X} ({names.get(status, 'unknown')})")


ERROR_CLASSES: tuple[type[DmaError], ...] = (
    NoSuchId, IsString, WrongType, UnknownInfoKind, MoreData, TooLong, IsFont, Refused,
    SupportUnreadable, FileOpenError, FileWriteError, FileReadError, FileFormatError,
    FaxFileOpenError, FaxFileWriteError, KindNotServed, NoFaxEntry, NoKind4Record, NoRecord,
    UnknownMode, NotSupported,
)


@lru_cache(maxsize=1)
def errors() -> dict[int, type[DmaError]]:
    """Every typed exception by its result code."""
    return {cls.CODE: cls for cls in ERROR_CLASSES}


def ok() -> int:
    """The result code of success (DMA_OK)."""
    return metadata.result_code("DMA_OK")


def message_of(code: int) -> str:
    """dmactl's message for a result code: "text (result N)"."""
    return f"{metadata.result_message(code) or DmaError.MESSAGE} (result {code})"


_ok: Optional[int] = None


def check(code: int, operation: str, detail: Optional[str] = None) -> None:
    """Raises the typed exception for a negative result; DMA_OK passes."""
    global _ok
    if _ok is None:
        _ok = ok()
    if code == _ok:
        return
    raise errors().get(code, DmaError)(code, operation, detail)
