"""Where each setting is stored.

No export of the library says where a scalar setting lives, so this comes
from the catalogue as dmactl describes it: ``places.tsv`` beside this module
holds one line per DMA ID (written by ``python/tools/make_places.py`` from
``dmactl --json catalogue``; a test checks that it still agrees with the
built tool).  Values never come from here: the package reads and writes
them through the exports.  The place decides only how an integer that the
library hands out is read (signed or not, a flag as 0 or 1) and which
values a setting can take.
"""

from __future__ import annotations

from dataclasses import dataclass
from functools import lru_cache
from pathlib import Path
from typing import Optional

PLACES_FILE = Path(__file__).resolve().parent / "places.tsv"
FAX_HEADER_IDS = (0xA001, 0xA002)
PROTECTED_IDS = range(0x9001, 0x900B)


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

    @property
    def presented_type(self) -> str:
        return self.report_type or self.value_type

    def integer_range(self) -> tuple[int, int]:
        """Smallest and largest integer the setting takes, as dmactl checks them."""
        if self.mask:
            return 0, 1
        if 392 <= self.item <= 403:  # a byte of a word shared by three settings
            return 0, 0xFF << (8 * ((self.item - 392) % 3))
        return {
            "BYTE": (0, 0xFF),
            "WORD": (0, 0xFFFF),
            "SHORT": (-32768, 0xFFFF),
            "INT": (-(2**31), 2**31 - 1),
            "LONG": (-(2**31), 2**31 - 1),
        }.get(self.value_type, (-(2**31), 2**32 - 1))

    def interpret(self, raw: int) -> int:
        """An integer as DMA_GetValue hands it out, read in the setting's own type."""
        u = raw & 0xFFFFFFFF
        if self.mask:
            return 1 if u else 0
        t = self.presented_type
        if t == "SHORT":
            v = u & 0xFFFF
            return v - 0x10000 if v & 0x8000 else v
        if t == "WORD":
            return u & 0xFFFF
        if t == "BYTE":
            return u & 0xFF
        if t in ("INT", "LONG"):
            return u - 2**32 if u & 0x80000000 else u
        return u


@lru_cache(maxsize=1)
def all_places() -> dict[int, Place]:
    """Every DMA ID's place."""
    places: dict[int, Place] = {}
    for line in PLACES_FILE.read_text(encoding="utf-8").splitlines():
        if not line or line.startswith("#"):
            continue
        f = line.split("\t")
        places[int(f[0], 16)] = Place(
            item=int(f[1]), area=f[2], offset=int(f[3]), value_type=f[4], report_type=f[5] or None,
            width=int(f[6]), capacity=int(f[7]), mask=int(f[8], 16), plain_id=int(f[9], 16),
        )
    return places


def place_of(dma_id: int) -> Optional[Place]:
    """The place of a DMA ID, None when the catalogue has no such ID."""
    return all_places().get(dma_id)


def dma_id_of_item(item: int) -> int:
    """The DMA ID of an item (0 when it has none); the first when it has two."""
    for dma_id, place in sorted(all_places().items()):
        if place.item == item and not place.plain_id:
            return dma_id
    return 0
