"""Setting names, shared with dmactl.

Names come from two files in one format: the built-in DEVMODEW member names
(``devmode.names`` beside this module, the same file dmactl embeds) and a
team's own file, found as dmactl finds it: an explicit path, the
``DMACTL_NAMES`` variable, or ``names`` in the user's dmactl configuration
folder.  A team's name wins for output; both names are accepted on input,
without regard to case.

File format: one ``<DMA ID> <name>`` a line, the ID in hex with 0x or in
decimal; ``#`` starts a comment; blank lines are ignored.
"""

from __future__ import annotations

import os
import re
import sys
from dataclasses import dataclass, field
from pathlib import Path
from typing import Optional, Union

from .files import read_regular

_NAME = re.compile(r"[A-Za-z_][A-Za-z0-9_.-]*\Z")
BUILTIN_FILE = Path(__file__).resolve().parent / "devmode.names"


_INTEGER = re.compile(r"[-+]?(?:0[xX][0-9A-Fa-f]+|[0-9]+)\Z")


def looks_like_name(text: str) -> bool:
    """Text that starts as a name does (a letter or "_"), and so is never read as a number."""
    return bool(text) and (text[0] == "_" or ("a" <= text[0].lower() <= "z"))


def integer_of_text(text: str) -> Optional[int]:
    """An integer written as dmactl takes it (decimal or 0x hex, with a sign), None for other text."""
    if not _INTEGER.match(text):
        return None
    sign = -1 if text[0] == "-" else 1
    digits = text.lstrip("+-")
    return sign * (int(digits[2:], 16) if digits[:2].lower() == "0x" else int(digits, 10))


class NamesFileError(ValueError):
    """A names file breaks the format; the message names the file and line."""


def parse_names(text: str, source: str) -> dict[int, str]:
    """Reads one names file: DMA ID to name.  Raises NamesFileError."""
    by_id: dict[int, str] = {}
    by_name: dict[str, int] = {}
    for number, raw in enumerate(text.splitlines(), start=1):
        line = raw.split("#", 1)[0].strip()
        if not line:
            continue
        where = f"{source}:{number}"
        parts = line.split()
        if len(parts) != 2:
            raise NamesFileError(f"{where}: expected '<DMA ID> <name>', found {raw.strip()!r}")
        id_text, name = parts
        try:
            dma_id = int(id_text, 16) if id_text.lower().startswith("0x") else int(id_text, 10)
        except ValueError:
            raise NamesFileError(f"{where}: {id_text!r} is not a DMA ID (0x hex or decimal)") from None
        if not 0 < dma_id <= 0xFFFF:
            raise NamesFileError(f"{where}: DMA ID {id_text} out of range (1 to 0xFFFF)")
        if not _NAME.match(name):
            raise NamesFileError(f"{where}: {name!r} is not a valid name")
        if dma_id in by_id:
            raise NamesFileError(f"{where}: DMA ID 0x{dma_id:04X} is named twice")
        key = name.lower()
        if key in by_name:
            raise NamesFileError(f"{where}: the name {name!r} is used for 0x{by_name[key]:04X} too")
        by_id[dma_id] = name
        by_name[key] = dma_id
    return by_id


def team_names_file(explicit: Union[str, os.PathLike[str], None] = None) -> Optional[Path]:
    """Where the team's names file is, first hit wins; None when there is none."""
    if explicit is not None:
        return Path(explicit)
    env = os.environ.get("DMACTL_NAMES")
    if env:
        return Path(env)
    if sys.platform == "win32":
        base = os.environ.get("APPDATA")
        candidate = Path(base) / "dmactl" / "names" if base else None
    else:
        config = os.environ.get("XDG_CONFIG_HOME") or str(Path.home() / ".config")
        candidate = Path(config) / "dmactl" / "names"
    return candidate if candidate is not None and candidate.is_file() else None


@dataclass
class Names:
    """Names of DMA IDs: the built-in ones and a team's, the team's winning for output."""

    builtin: dict[int, str] = field(default_factory=dict)
    team: dict[int, str] = field(default_factory=dict)

    @classmethod
    def load(cls, team_file: Union[str, os.PathLike[str], None] = None) -> "Names":
        """The built-in names plus the team's file (see team_names_file)."""
        builtin = (
            parse_names(read_regular(BUILTIN_FILE).decode("utf-8"), str(BUILTIN_FILE))
            if BUILTIN_FILE.is_file()
            else {}
        )
        path = team_names_file(team_file)
        team = parse_names(read_regular(path).decode("utf-8"), str(path)) if path else {}
        return cls(builtin, team)

    def name_of(self, dma_id: int) -> Optional[str]:
        """The name shown for a DMA ID, or None when it has none."""
        return self.team.get(dma_id) or self.builtin.get(dma_id)

    def id_of(self, name: str) -> Optional[int]:
        """The DMA ID a name stands for (case-insensitive), or None."""
        key = name.lower()
        for table in (self.team, self.builtin):
            for dma_id, known in table.items():
                if known.lower() == key:
                    return dma_id
        return None
