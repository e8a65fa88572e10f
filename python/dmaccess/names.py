"""Setting names, shared with dmactl.

Names come from two files in one format: the built-in DEVMODEW member names
(``devmode.names`` beside this module, the same file dmactl embeds) and a
team's own file, found as dmactl finds it: an explicit path, the
``DMACTL_NAMES`` variable, or ``names`` in the user's dmactl configuration
folder.  A team's name wins for output; both names are accepted on input,
without regard to case.

File format: one ``<DMA ID> <name>`` a line, the ID in hex with 0x or in
decimal; ``#`` starts a comment; blank lines are ignored.  After the name a
line may name values of the setting, ``<value>=<name>`` each (``0x0101
TonerSave 0=Off 1=On``).  The Windows names of the public members' values
(``DMPAPER_A4``) come from the metadata file's ``meanings``, the table dmactl
uses; a team's name for a value wins for output, and both are accepted.
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


@dataclass
class NameEntry:
    """One line of a names file."""

    dma_id: int
    name: str
    values: dict[int, str] = field(default_factory=dict)
    line: int = 0


def parse_entries(text: str, source: str) -> list[NameEntry]:
    """Reads one names file, line by line.  Raises NamesFileError."""
    entries: list[NameEntry] = []
    by_id: dict[int, int] = {}
    by_name: dict[str, int] = {}
    for number, raw in enumerate(text.splitlines(), start=1):
        line = raw.split("#", 1)[0].strip()
        if not line:
            continue
        where = f"{source}:{number}"
        parts = line.split()
        if len(parts) < 2:
            raise NamesFileError(f"{where}: expected '<DMA ID> <name>', found {raw.strip()!r}")
        id_text, name = parts[:2]
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
        values: dict[int, str] = {}
        for word in parts[2:]:
            value_text, _, value_name = word.partition("=")
            value = integer_of_text(value_text) if "+" not in value_text else None
            if value is None or not -(1 << 31) <= value <= 0xFFFFFFFF or not _NAME.match(value_name):
                raise NamesFileError(f"{where}: {word!r} is not a value name: expected <value>=<name> (as '1=On')")
            if value in values:
                raise NamesFileError(f"{where}: the value {value} is named twice")
            if value_name.lower() in (known.lower() for known in values.values()):
                raise NamesFileError(f"{where}: the value name {value_name!r} is given to two values")
            values[value] = value_name
        by_id[dma_id] = number
        by_name[key] = dma_id
        entries.append(NameEntry(dma_id, name, values, number))
    return entries


def parse_names(text: str, source: str) -> dict[int, str]:
    """Reads one names file: DMA ID to name.  Raises NamesFileError."""
    return {entry.dma_id: entry.name for entry in parse_entries(text, source)}


def builtin_meanings() -> dict[int, dict[int, str]]:
    """The Windows names of the public members' values, by DMA ID, from the metadata file."""
    from .metadata import meanings

    return meanings()


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
    """Names of DMA IDs and of their values: the built-in ones and a team's, the team's winning for output."""

    builtin: dict[int, str] = field(default_factory=dict)
    team: dict[int, str] = field(default_factory=dict)
    team_values: dict[int, dict[int, str]] = field(default_factory=dict)

    @classmethod
    def load(cls, team_file: Union[str, os.PathLike[str], None] = None) -> "Names":
        """The built-in names plus the team's file (see team_names_file)."""
        builtin = (
            parse_names(read_regular(BUILTIN_FILE).decode("utf-8"), str(BUILTIN_FILE))
            if BUILTIN_FILE.is_file()
            else {}
        )
        path = team_names_file(team_file)
        entries = parse_entries(read_regular(path).decode("utf-8"), str(path)) if path else []
        team_values: dict[int, dict[int, str]] = {}
        for entry in entries:
            if not entry.values:
                continue
            known = builtin_meanings().get(entry.dma_id, {})
            for value, value_name in entry.values.items():
                for builtin_value, builtin_name in known.items():
                    if builtin_name.lower() == value_name.lower() and builtin_value != value:
                        raise NamesFileError(f"{path}:{entry.line}: the value name {value_name!r} already stands for "
                                             f"{builtin_value} of 0x{entry.dma_id:04X} ({entry.name})")
            team_values[entry.dma_id] = entry.values
        return cls(builtin, {entry.dma_id: entry.name for entry in entries}, team_values)

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

    def value_names(self, dma_id: int) -> dict[int, str]:
        """Every named value of a setting, ascending: the team's names over the built-in ones."""
        merged = {**builtin_meanings().get(dma_id, {}), **self.team_values.get(dma_id, {})}
        return dict(sorted(merged.items()))

    def meaning_of(self, dma_id: int, value: int) -> Optional[str]:
        """The name of an integer value of a setting ("DMPAPER_A4"), or None."""
        team = self.team_values.get(dma_id)
        if team is not None and value in team:
            return team[value]
        return builtin_meanings().get(dma_id, {}).get(value)

    def value_of(self, dma_id: int, text: str) -> Optional[int]:
        """The value a name stands for in a setting (case-insensitive), or None."""
        key = text.lower()
        for table in (self.team_values.get(dma_id, {}), builtin_meanings().get(dma_id, {})):
            for value, known in table.items():
                if known.lower() == key:
                    return value
        return None
