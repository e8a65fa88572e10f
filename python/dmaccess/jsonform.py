"""dmactl's JSON settings document, written and read exactly as dmactl does.

    {
      "format": "dmactl-settings",
      "version": 1,
      "settings": [
        {"id":"0x0007","name":"dmOrientation","kind":"integer","value":1},
        ...
      ]
    }

One setting a line (so that two documents compare well line by line),
``"name"`` beside ``"id"`` for a setting that has one, ``"unterminated":true``
for a string field without a terminator, and ``"unreadable"`` listing the
settings the library refused to read.  Texts are UTF-8.
"""

from __future__ import annotations

import json
from dataclasses import dataclass, field
from typing import Any, Union

from .errors import DmaError, Refused, message_of
from .names import Names
from .places import PROTECTED_IDS, dma_id_of_item
from .records import Font, Records, Setting, Value

FORMAT = "dmactl-settings"
VERSION = 1

# A setting whose write makes a linked setting follow it: item 267 drives
# item 325, items 320 and 341 the paired items 326 and 344.
_LINKED_ITEMS = {267: 325, 320: 326, 341: 344}


def _dump(value: Any) -> str:
    # nlohmann::json::dump() without indent: no spaces, UTF-8 unescaped,
    # control characters as \u00XX (lower-case hex) except \b \f \n \r \t.
    return json.dumps(value, ensure_ascii=False, separators=(",", ":"))


def _id_json(dma_id: int, names: Names) -> dict[str, Any]:
    entry: dict[str, Any] = {"id": f"0x{dma_id:04X}"}
    name = names.name_of(dma_id)
    if name:
        entry["name"] = name
    return entry


def value_to_json(value: Value) -> Union[int, str, dict[str, Union[int, str]]]:
    """A value's JSON form: an integer, a text, or a font's members by name with "face" last."""
    return value.to_dict() if isinstance(value, Font) else value


def to_json(records: Records) -> str:
    """Every setting of the records as dmactl's settings document (``dmactl export``), byte for byte."""
    lines: list[str] = []
    unreadable: list[dict[str, Any]] = []
    for s in records.settings():
        try:
            value, unterminated = records._read(s)
        except DmaError as err:
            skip = _id_json(s.dma_id, records.names)
            skip["reason"] = message_of(err.code)
            unreadable.append(skip)
            continue
        entry = _id_json(s.dma_id, records.names)
        entry["kind"] = s.kind
        entry["value"] = value_to_json(value)
        if unterminated:
            entry["unterminated"] = True
        lines.append("    " + _dump(entry))
    text = f'{{\n  "format": "{FORMAT}",\n  "version": {VERSION},\n  "settings": [\n'
    text += "".join(line + (",\n" if i + 1 < len(lines) else "\n") for i, line in enumerate(lines))
    text += "  ]"
    if unreadable:
        text += ',\n  "unreadable": ' + _dump(unreadable)
    return text + "\n}\n"


class DocumentError(ValueError):
    """A settings document is malformed; the message names the entry ("settings[12]: ...")."""


@dataclass
class ImportResult:
    applied: int
    #: Settings that hold another value than the document says after the import (shared bytes).
    differing: list[int] = field(default_factory=list)


def _value_from_json(s: Setting, j: Any, where: str) -> Value:
    if s.kind == "integer":
        if not isinstance(j, int) or isinstance(j, bool):
            raise DocumentError(f"{where}: {s.label}: an integer setting needs an integer value")
        return j
    if s.kind == "string":
        if not isinstance(j, str):
            raise DocumentError(f"{where}: {s.label}: a string setting needs a text value")
        return j
    if not isinstance(j, dict):
        raise DocumentError(f"{where}: {s.label}: a font setting needs an object of font members")
    members = [m for m in Font.__dataclass_fields__ if m != "face"]
    for key in j:
        if key not in members and key != "face":
            raise DocumentError(f'{where}: {s.label}: "{key}" is not a font member')
    values: dict[str, Any] = {}
    for m in members:
        if m not in j:
            raise DocumentError(f'{where}: {s.label}: font member "{m}" missing')
        if not isinstance(j[m], int) or isinstance(j[m], bool):
            raise DocumentError(f'{where}: {s.label}: font member "{m}" must be an integer')
        values[m] = j[m]
    if not isinstance(j.get("face"), str):
        raise DocumentError(f'{where}: {s.label}: font member "face" must be a text')
    return Font(**values, face=j["face"])


def _parse_id(j: Any, where: str) -> int:
    if isinstance(j, str):
        try:
            v = int(j, 16) if j.lower().startswith(("0x", "-0x", "+0x")) else int(j, 10)
        except ValueError:
            v = 0
        if 0 < v <= 0xFFFF:
            return v
    elif isinstance(j, int) and not isinstance(j, bool) and 0 < j <= 0xFFFF:
        return j
    raise DocumentError(f'{where}: "id" must be a DMA ID ("0x0007" or 7)')


def from_json(records: Records, text: str, source: str = "document") -> ImportResult:
    """Applies a settings document to the records, as ``dmactl import`` does.

    The whole document is checked first (nothing changes on a malformed
    entry); settings are then written in ascending DMA ID order, passing over
    an entry whose setting already holds the document's value (a write
    could only disturb settings that share its bytes), except the protected
    IDs and the settings a linked setting follows.  A write that a linked
    setting cannot follow is kept only when the document holds the linked
    setting's own entry.  On any refusal the records are left as they were.
    """
    try:
        doc = json.loads(text)
    except json.JSONDecodeError as err:
        raise DocumentError(f"{source}: not valid JSON: {err}") from None
    if not isinstance(doc, dict):
        raise DocumentError(f"{source}: a settings document is a JSON object")
    if doc.get("format") != FORMAT:
        raise DocumentError(f'{source}: not a dmactl settings document ("format" must be "{FORMAT}")')
    if doc.get("version") != VERSION:
        raise DocumentError(f"{source}: unsupported document version (this reads version {VERSION})")
    if not isinstance(doc.get("settings"), list):
        raise DocumentError(f'{source}: "settings" must be an array')
    plan: list[tuple[Setting, Value, str]] = []
    seen: dict[int, int] = {}
    for index, e in enumerate(doc["settings"]):
        where = f"{source}: settings[{index}]"
        if not isinstance(e, dict):
            raise DocumentError(f"{where}: not an object")
        if "id" not in e:
            raise DocumentError(f'{where}: no "id"')
        if "value" not in e:
            raise DocumentError(f'{where}: no "value"')
        dma_id = _parse_id(e["id"], where)
        if dma_id in seen:
            raise DocumentError(f"{where}: 0x{dma_id:04X} appears twice (also settings[{seen[dma_id]}])")
        seen[dma_id] = index
        try:
            s = records.describe(dma_id)
        except DmaError as err:
            raise DocumentError(f"{where}: 0x{dma_id:04X}: {err}") from None
        kind = e.get("kind", "")
        if kind and kind != s.kind:
            raise DocumentError(f'{where}: {s.label} is a {s.kind} setting, the document says "{kind}"')
        value = _value_from_json(s, e["value"], where)
        try:
            records.check_value(s, value)
        except (TypeError, ValueError) as err:
            raise DocumentError(f"{where}: {err}") from None
        plan.append((s, value, where))
    plan.sort(key=lambda p: p[0].dma_id)

    work = records.copy()
    for s, value, where in plan:
        linked_item = _LINKED_ITEMS.get(s.place.item, 0) if s.place else 0
        protected = s.dma_id in PROTECTED_IDS
        if not protected and not linked_item:
            try:
                if work._read(s)[0] == value:
                    continue
            except DmaError:
                pass
        try:
            work._write(s, value)
        except Refused:
            linked = dma_id_of_item(linked_item) if linked_item else 0
            try:
                stored = bool(linked) and work._read(s)[0] == value
            except DmaError:
                stored = False
            if not stored or linked not in seen:
                raise
    differing: list[int] = []
    for s, value, _ in plan:
        if s.dma_id in PROTECTED_IDS:
            continue
        try:
            if work._read(s)[0] == value:
                continue
        except DmaError:
            pass
        differing.append(s.dma_id)
    records.devmode[:] = work.devmode
    records.secondary[:] = work.secondary
    if records.fax is not None and work.fax is not None:
        records.fax[:] = work.fax
    return ImportResult(len(plan), differing)
