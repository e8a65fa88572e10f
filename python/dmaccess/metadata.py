"""What the package knows about the library beyond its exports, from one file.

``dmaccess-metadata.json`` beside this module is written by the build's
``dmaccess_metadata`` program from the same tables dmactl uses (a test
checks that the committed copy equals the built one): the library's
version, every setting's place and value rules, the linked settings, the
layouts of the fixed records, record sizes, signatures, result codes, the
font members and the rules of a settings document's import.  It is read
once, on first use.
"""

from __future__ import annotations

import enum
import json
from dataclasses import dataclass
from functools import lru_cache
from pathlib import Path
from typing import Any, Optional

from .files import read_regular

METADATA_FILE = Path(__file__).resolve().parent / "dmaccess-metadata.json"
FORMAT = "dmaccess-metadata"
VERSION = 1


class MetadataError(RuntimeError):
    """The metadata file is missing or of another format than this package reads."""


@lru_cache(maxsize=1)
def document() -> dict[str, Any]:
    """The whole file, parsed once."""
    try:
        doc = json.loads(read_regular(METADATA_FILE).decode("utf-8"))
    except (OSError, ValueError) as err:
        raise MetadataError(f"{METADATA_FILE}: {err}") from None
    if not isinstance(doc, dict) or doc.get("format") != FORMAT or doc.get("version") != VERSION:
        raise MetadataError(f"{METADATA_FILE}: not a {FORMAT} file of version {VERSION}")
    return doc


def library_version() -> str:
    """The library's version ("1.0.0"), as its header declares it."""
    return str(document()["library"]["version"])


def size(name: str) -> int:
    """A record size by the header's name ("DMA_FAX_HEADER_SIZE")."""
    return int(document()["sizes"][name])


def constant(name: str) -> int:
    """A constant of the header by its name ("DMA_NDEV_MAGIC", "DMA_ID_DOCPROP_PATH")."""
    return int(document()["constants"][name])


def signature(name: str) -> str:
    """A signature by the header's name ("DMA_FAX_SIGNATURE")."""
    return str(document()["signatures"][name])


def result_code(name: str) -> int:
    """A result code by the header's name ("DMA_E_MORE_DATA")."""
    return int(document()["resultCodes"][name]["value"])


def result_message(code: int) -> Optional[str]:
    """dmactl's message for a result code, None for an unknown code."""
    for entry in document()["resultCodes"].values():
        if entry["value"] == code:
            return str(entry["message"])
    return None


def value_type(name: str) -> int:
    """A DMA_VT_* code by its short name ("STRING")."""
    return int(document()["valueTypes"][name])


def area_names() -> dict[int, str]:
    """Storage area codes (DMA_SA_*) to their short names ("DEVMODEW")."""
    return {int(code): name for name, code in document()["areas"].items()}


@dataclass(frozen=True)
class FontMember:
    """A numeric member of LOGFONTA/LOGFONTW: the name dmactl uses, its place, width and range."""

    name: str
    offset: int
    width: int
    signed: bool
    min: int
    max: int


@lru_cache(maxsize=1)
def font_members() -> tuple[FontMember, ...]:
    """The font members in their order in the structure."""
    return tuple(FontMember(m["name"], m["offset"], m["width"], m["signed"], m["min"], m["max"])
                 for m in document()["font"]["members"])


def font_face() -> tuple[int, int]:
    """Offset of the face name in the structure and its characters, terminator included."""
    font = document()["font"]
    return int(font["faceOffset"]), int(font["faceChars"])


class FieldForm(enum.Enum):
    """How a record field's bytes read as a Python value."""

    TEXT = "text"          # UTF-16 text field
    UNSIGNED = "unsigned"  # little-endian unsigned integer
    SIGNED = "signed"      # little-endian signed integer
    FLAG = "flag"          # 0 or 1 in an integer of the field's width
    FONT = "font"          # a whole LOGFONTW
    BYTES = "bytes"        # kept as stored

    @classmethod
    def of(cls, value_type: str, raw: bool) -> "FieldForm":
        if raw or value_type == "BYTES":
            return cls.BYTES
        return {"STRING": cls.TEXT, "FLAG": cls.FLAG, "LOGFONT": cls.FONT,
                "SHORT": cls.SIGNED, "INT": cls.SIGNED, "LONG": cls.SIGNED}.get(value_type, cls.UNSIGNED)


@dataclass(frozen=True)
class Field:
    """One field of a fixed-layout record."""

    name: str
    item: int
    offset: int
    width: int
    form: FieldForm
    label: Optional[str]


@dataclass(frozen=True)
class Layout:
    """A fixed-layout record: its size and its fields in the order of the record."""

    size: int
    fields: tuple[Field, ...]
    #: Layout version stored in the record, for records that carry one.
    version: Optional[int] = None

    def field(self, name: str) -> Field:
        for f in self.fields:
            if f.name == name:
                return f
        raise KeyError(name)


@lru_cache(maxsize=None)
def layout(name: str) -> Layout:
    """A record layout: "kind2", "kind3", "kind4", "kind5" (fax destination), "kind7", "userSettings"."""
    entry = document()["layouts"][name]
    fields = tuple(Field(f["field"], f["item"], f["offset"], f["width"], FieldForm.of(f["type"], f["raw"]), f["label"])
                   for f in entry["fields"])
    return Layout(entry["size"], fields, entry.get("version"))


@lru_cache(maxsize=1)
def settings() -> dict[int, dict[str, Any]]:
    """Every setting's entry by DMA ID."""
    return {int(s["id"], 16): s for s in document()["settings"]}


def import_rules() -> dict[str, Any]:
    """How a settings document is applied (see tools/client/import_rules.h)."""
    rules: dict[str, Any] = document()["import"]
    return rules


@lru_cache(maxsize=1)
def meanings() -> dict[int, dict[int, str]]:
    """The Windows names of the public DEVMODEW members' values: DMA ID -> value -> name."""
    return {
        int(dma_id, 16): {int(value): str(name) for value, name in table.items()}
        for dma_id, table in document()["meanings"].items()
    }
