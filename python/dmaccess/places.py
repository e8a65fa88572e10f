"""Where each setting is stored, and the rules for its values.

No export of the library says where a scalar setting lives, so this comes
from the catalogue through the metadata file (see ``metadata``).  Values
never come from here: the package reads and writes them through the
exports.  The place decides only how an integer that the library hands out
is read (signed or not, a flag as 0 or 1), which values a setting can take,
and how a document's import treats it.
"""

from __future__ import annotations

from dataclasses import dataclass
from functools import lru_cache
from typing import Any, Optional

from . import metadata


@dataclass(frozen=True)
class Place:
    """Where a setting is stored and in which form."""

    #: Item ID behind the DMA ID (0 for the fax header strings).
    item: int
    #: "DEVMODEW", "DEVMODEW+1608", "secondary" or "fax block".
    area: str
    #: Byte offset from the start of the area.
    offset: int
    #: Stored value type: "FLAG", "SHORT", "WORD", "INT", "DWORD", "STRING", "BYTE", "LOGFONT", "LONG".
    value_type: str
    #: The type the value is handed out as, when it differs from the stored one.
    report_type: Optional[str]
    #: Stored width in bytes.
    width: int
    #: Capacity in bytes of a string or font field (0 for scalars).
    capacity: int
    #: The bit of a flag word that holds a flag setting (0 for other settings).
    mask: int
    #: For a protected (write-only) DMA ID: the plain DMA ID of the same field.
    plain_id: int
    #: Smallest and largest integer the setting takes (integers only).
    min: int = -(2**31)
    max: int = 2**32 - 1
    #: How DMA_GetValue's 32 bits read: signed or not, in how many bits.
    signed: bool = False
    read_bits: int = 32
    #: For one byte of a word shared by three settings: the mask of its byte, else 0.
    packed_mask: int = 0
    #: A protected write-only string (stored scrambled).
    protected: bool = False
    #: One of the two texts of the fax-address block header.
    fax_header: bool = False
    #: The DMA ID of the linked setting that follows this one when it is written, else 0.
    linked: int = 0
    #: The DMA ID of the setting this one follows, else 0.
    follows: int = 0
    #: A document's import writes it even when it already holds the document's value.
    import_always_writes: bool = False
    #: A document's import checks afterwards that it holds the document's value.
    import_verifies: bool = True

    @property
    def presented_type(self) -> str:
        return self.report_type or self.value_type

    def integer_range(self) -> tuple[int, int]:
        """Smallest and largest integer the setting takes, as dmactl checks them."""
        return self.min, self.max

    def interpret(self, raw: int) -> int:
        """An integer as DMA_GetValue hands it out, read in the setting's own type."""
        u = raw & 0xFFFFFFFF
        if self.mask:
            return 1 if u else 0
        v = u & ((1 << self.read_bits) - 1)
        if self.signed and v >> (self.read_bits - 1):
            v -= 1 << self.read_bits
        return v


def _place(e: dict[str, Any]) -> Place:
    integer = e["kind"] == "integer"
    return Place(
        item=e["item"], area=e["area"], offset=e["offset"], value_type=e["type"], report_type=e.get("reportType"),
        width=e["width"], capacity=e["capacity"], mask=e["flagMask"], plain_id=int(e.get("plainId", "0"), 16),
        min=e["min"] if integer else -(2**31), max=e["max"] if integer else 2**32 - 1,
        signed=e.get("signed", False), read_bits=e.get("readBits", 32), packed_mask=e.get("packedByteMask", 0),
        protected=e["protected"], fax_header=e["faxHeader"], linked=int(e.get("linkedSetting", "0"), 16),
        follows=int(e.get("follows", "0"), 16), import_always_writes=e["importAlwaysWrites"],
        import_verifies=e["importVerifies"],
    )


@lru_cache(maxsize=1)
def all_places() -> dict[int, Place]:
    """Every DMA ID's place."""
    return {dma_id: _place_of_entry(dma_id, e) for dma_id, e in metadata.settings().items()}


#: The places made so far, each made once (so that one DMA ID always has the same Place).
_made: dict[int, Place] = {}


def _place_of_entry(dma_id: int, entry: dict[str, Any]) -> Place:
    place = _made.get(dma_id)
    if place is None:
        place = _made[dma_id] = _place(entry)
    return place


def place_of(dma_id: int) -> Optional[Place]:
    """The place of a DMA ID, None when the catalogue has no such ID."""
    place = _made.get(dma_id)
    if place is not None:
        return place
    entry = metadata.settings().get(dma_id)
    return None if entry is None else _place_of_entry(dma_id, entry)


@lru_cache(maxsize=1)
def fax_header_ids() -> tuple[int, ...]:
    """The DMA IDs of the fax-address block's header texts."""
    return tuple(i for i, p in sorted(all_places().items()) if p.fax_header)


def dma_id_of_item(item: int) -> int:
    """The DMA ID of an item (0 when it has none); the first when it has two."""
    for dma_id, place in sorted(all_places().items()):
        if place.item == item and not place.plain_id:
            return dma_id
    return 0
