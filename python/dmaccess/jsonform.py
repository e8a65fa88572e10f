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
import json.encoder
from typing import Any, Callable, Iterable, Optional, Union

from . import metadata
from .errors import DmaError, Refused, message_of
from .names import Names, integer_of_text, looks_like_name
from .records import Font, Records, Setting, SettingKind, Value


def document_format() -> tuple[str, int]:
    """The "format" and "version" of the settings document."""
    doc = metadata.import_rules()["document"]
    return str(doc["format"]), int(doc["version"])


def _dump(value: Any) -> str:
    # nlohmann::json::dump() without indent: no spaces, UTF-8 unescaped,
    # control characters as \u00XX (lower-case hex) except \b \f \n \r \t.
    return json.dumps(value, ensure_ascii=False, separators=(",", ":"))


def _entry_line(dma_id: int, name: Optional[str], kind: str, value: Value, unterminated: bool,
                text: Callable[[str], str], dump: Callable[[Any], str]) -> str:
    # '    ' + _dump(entry) of to_json's entry, put together from its parts: ``text`` is the
    # encoder's own quoting of a str, ``dump`` the whole encoder (for a font's members).
    head = f'    {{"id":"0x{dma_id:04X}",' if not name else f'    {{"id":"0x{dma_id:04X}","name":{text(name)},'
    if type(value) is int:
        shown = int.__repr__(value)
    elif type(value) is str:
        shown = text(value)
    else:
        shown = dump(value_to_json(value))
    tail = ',"unterminated":true}' if unterminated else "}"
    return f'{head}"kind":{text(kind)},"value":{shown}{tail}'


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
    # The settings one after the other as records.settings() yields them, described in one go
    # where nothing else can change the records in between (a subclass's own settings() is asked).
    settings: Iterable[Setting] = (records._describe_all(records._setting_ids()) if type(records) is Records
                                   else records.settings())
    read, name_of = records.read, records.names.name_of
    # The encoder's own quoting of a str (its C form where there is one), as json.dumps uses it.
    quote: Callable[[str], str] = getattr(json.encoder, "encode_basestring")
    dump = json.JSONEncoder(ensure_ascii=False, separators=(",", ":")).encode
    for s in settings:
        try:
            value, unterminated = read(s)
        except DmaError as err:
            skip = _id_json(s.dma_id, records.names)
            skip["reason"] = message_of(err.code)
            unreadable.append(skip)
            continue
        lines.append(_entry_line(s.dma_id, name_of(s.dma_id), s.kind.value, value, unterminated, quote, dump))
    form, version = document_format()
    text = f'{{\n  "format": "{form}",\n  "version": {version},\n  "settings": [\n'
    text += "".join(line + (",\n" if i + 1 < len(lines) else "\n") for i, line in enumerate(lines))
    text += "  ]"
    if unreadable:
        text += ',\n  "unreadable": ' + _dump(unreadable)
    return text + "\n}\n"


class DocumentError(ValueError):
    """A settings document is malformed; the message names the entry ("settings[12]: ...")."""


class _Object(dict[str, Any]):
    """A JSON object as read, with the keys it held more than once (which json.loads would let the last win)."""

    twice: list[str]


def _object(pairs: list[tuple[str, Any]]) -> _Object:
    obj = _Object()
    obj.twice = []
    for key, value in pairs:
        if key in obj and key not in obj.twice:
            obj.twice.append(key)
        obj[key] = value
    return obj


def _refuse_twice(j: Any, where: str, what: str = "") -> None:
    if isinstance(j, _Object) and j.twice:
        raise DocumentError(f'{where}: {what}"{j.twice[0]}" appears twice')


@dataclass
class ImportResult:
    applied: int
    #: Settings that hold another value than the document says after the import (shared bytes).
    differing: list[int] = field(default_factory=list)


def _value_from_json(s: Setting, j: Any, where: str) -> Value:
    if s.kind is SettingKind.INTEGER:
        if not isinstance(j, int) or isinstance(j, bool):
            raise DocumentError(f"{where}: {s.label}: an integer setting needs an integer value")
        return j
    if s.kind is SettingKind.STRING:
        if not isinstance(j, str):
            raise DocumentError(f"{where}: {s.label}: a string setting needs a text value")
        return j
    if not isinstance(j, dict):
        raise DocumentError(f"{where}: {s.label}: a font setting needs an object of font members")
    _refuse_twice(j, f"{where}: {s.label}", "font member ")
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


def _parse_id(j: Any, where: str, names: Names) -> int:
    # As dmactl reads "id": a setting's name, or a DMA ID in decimal or 0x hex (text or number).
    if isinstance(j, str):
        if looks_like_name(j):
            named = names.id_of(j)
            if named is None:
                raise DocumentError(f'{where}: "id": no setting is named {j!r}')
            return named
        v = integer_of_text(j)
        if v is not None and 0 < v <= 0xFFFF:
            return v
    elif isinstance(j, int) and not isinstance(j, bool) and 0 < j <= 0xFFFF:
        return j
    raise DocumentError(f'{where}: "id" must be a DMA ID ("0x0007" or 7)')


@dataclass
class DocumentEntry:
    """One entry of a settings document on its way through the import's checks."""

    index: int
    json: Any
    where: str
    dma_id: int = 0
    setting: Any = None
    value: Any = None


# The checks of one entry, by the names the import rules list them under, in
# the order the rules give.  Each raises DocumentError (or the library's
# DmaError) naming the entry.
def _check_entry(records: Records, e: DocumentEntry, seen: dict[int, int]) -> None:
    if not isinstance(e.json, dict):
        raise DocumentError(f"{e.where}: not an object")
    _refuse_twice(e.json, e.where)
    for key in ("id", "value"):
        if key not in e.json:
            raise DocumentError(f'{e.where}: no "{key}"')


def _check_id(records: Records, e: DocumentEntry, seen: dict[int, int]) -> None:
    e.dma_id = _parse_id(e.json["id"], e.where, records.names)
    # "name" is there for the reader; a name that stands for another setting than "id" is a mistake.
    if "name" in e.json:
        name = e.json["name"]
        if not isinstance(name, str):
            raise DocumentError(f'{e.where}: "name" must be a text')
        named = records.names.id_of(name)
        if named is not None and named != e.dma_id:
            raise DocumentError(f'{e.where}: "name" is "{name}", the name of 0x{named:04X}, '
                                f'but "id" is 0x{e.dma_id:04X}')


def _check_unique(records: Records, e: DocumentEntry, seen: dict[int, int]) -> None:
    if e.dma_id in seen:
        raise DocumentError(f"{e.where}: 0x{e.dma_id:04X} appears twice (also settings[{seen[e.dma_id]}])")
    seen[e.dma_id] = e.index


def _check_known(records: Records, e: DocumentEntry, seen: dict[int, int]) -> None:
    try:
        e.setting = records.describe(e.dma_id)
    except DmaError as err:
        raise DocumentError(f"{e.where}: 0x{e.dma_id:04X}: {err}") from None


def _check_kind(records: Records, e: DocumentEntry, seen: dict[int, int]) -> None:
    kind = e.json.get("kind", "")
    if kind and kind != e.setting.kind.value:
        raise DocumentError(f'{e.where}: {e.setting.label} is a {e.setting.kind.value} setting, '
                            f'the document says "{kind}"')


def _check_form(records: Records, e: DocumentEntry, seen: dict[int, int]) -> None:
    e.value = _value_from_json(e.setting, e.json["value"], e.where)


def _check_value(records: Records, e: DocumentEntry, seen: dict[int, int]) -> None:
    try:
        records.check_value(e.setting, e.value)
    except (TypeError, ValueError) as err:
        raise DocumentError(f"{e.where}: {err}") from None


CHECKS: dict[str, Callable[[Records, DocumentEntry, dict[int, int]], None]] = {
    "entry": _check_entry, "id": _check_id, "unique": _check_unique, "known": _check_known,
    "kind": _check_kind, "form": _check_form, "value": _check_value,
}


def _holds(records: Records, s: Setting, value: Value) -> bool:
    try:
        return records.read(s)[0] == value
    except DmaError:
        return False


#: The orders the rules may name for applying the entries.
ORDERS: dict[str, Callable[[DocumentEntry], int]] = {"dmaId": lambda e: e.dma_id}

# The conditions under which the rules keep a write the library refused (all must hold).
KEPT_WHEN: dict[str, Callable[[Records, DocumentEntry, dict[int, int]], bool]] = {
    "linkedDriver": lambda work, e, seen: bool(e.setting.place and e.setting.place.linked),
    "valueStored": lambda work, e, seen: _holds(work, e.setting, e.value),
    "followerInDocument": lambda work, e, seen: bool(e.setting.place) and e.setting.place.linked in seen,
}


def from_json(records: Records, text: str, source: str = "document") -> ImportResult:
    """Applies a settings document to the records, as ``dmactl import`` does.

    The steps are the import rules of the metadata file (the same that
    dmactl follows): every entry is checked before anything changes; the
    settings are written in ascending DMA ID order, passing over one that
    already holds the document's value unless the setting is always written
    (the protected IDs and the drivers of linked settings); a write that a
    linked setting cannot follow is kept only when the value was stored and
    the document holds the linked setting's own entry.  On any refusal the
    records are left as they were.
    """
    rules = metadata.import_rules()
    form, version = document_format()
    try:
        doc = json.loads(text, object_pairs_hook=_object)
    except json.JSONDecodeError as err:
        raise DocumentError(f"{source}: not valid JSON: {err}") from None
    except RecursionError:
        raise DocumentError(f"{source}: not a settings document: nested too deeply") from None
    _refuse_twice(doc, source)
    if not isinstance(doc, dict):
        raise DocumentError(f"{source}: a settings document is a JSON object")
    if doc.get("format") != form:
        raise DocumentError(f'{source}: not a dmactl settings document ("format" must be "{form}")')
    if doc.get("version") != version:
        raise DocumentError(f"{source}: unsupported document version (this reads version {version})")
    if not isinstance(doc.get("settings"), list):
        raise DocumentError(f'{source}: "settings" must be an array')

    plan: list[DocumentEntry] = []
    seen: dict[int, int] = {}
    for index, j in enumerate(doc["settings"]):
        entry = DocumentEntry(index, j, f"{source}: settings[{index}]")
        for name in rules["checks"]:
            CHECKS[name](records, entry, seen)
        plan.append(entry)
    plan.sort(key=ORDERS[rules["order"]])

    work = records.copy()
    for e in plan:
        s: Setting = e.setting
        always = s.place is not None and s.place.import_always_writes
        if not always and _holds(work, s, e.value):
            continue
        try:
            work.write(s, e.value)
        except Refused:
            if not all(KEPT_WHEN[name](work, e, seen) for name in rules["refusedWriteKept"]):
                raise
    differing = [e.dma_id for e in plan
                 if (e.setting.place is None or e.setting.place.import_verifies)
                 and not _holds(work, e.setting, e.value)]
    records.devmode[:] = work.devmode
    records.secondary[:] = work.secondary
    if records.fax is not None and work.fax is not None:
        records.fax[:] = work.fax
    return ImportResult(len(plan), differing)
