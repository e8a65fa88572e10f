"""dmactl's JSON settings document: the package writes and reads it exactly as the tool does."""

from __future__ import annotations

import json
from pathlib import Path

import pytest

import dmaccess as d


def _varied() -> d.Records:
    """Records whose settings exercise every form of the document."""
    rec = d.Records.new()
    rec[0x0007] = 2
    # escapement and orientation differ: 0x0137 cannot be read and is listed as unreadable
    rec[0x0130] = d.Font(height=-12, escapement=900, orientation=0, weight=700, italic=1, face="Arial")
    rec[0x010B] = 7
    rec[0x0001] = "Büro\t\"quoted\" \\ \u0081 \x7f"
    rec[0xA001] = "Header ü"
    rec[0x9001] = "secret"
    s = rec.describe(0x0013)                        # dmFormName with no terminator in its field
    assert s.place is not None
    rec.devmode[s.place.offset : s.place.offset + s.place.capacity] = "F".encode("utf-16-le") * (s.place.capacity // 2)
    return rec


def test_to_json_equals_dmactl_export(dmactl, tmp_path: Path) -> None:  # type: ignore[no-untyped-def]
    rec = _varied()
    rec.save(tmp_path / "job")
    exported = dmactl("--set", "job", "export", cwd=tmp_path)
    ours = d.to_json(rec)
    assert '"unterminated":true' in ours and '"unreadable"' in ours and '"name":"dmOrientation"' in ours
    assert ours == exported


def test_from_json_equals_dmactl_import(dmactl, tmp_path: Path) -> None:  # type: ignore[no-untyped-def]
    rec = _varied()
    rec[0x0013] = "A4"
    rec.save(tmp_path / "job")
    document = dmactl("--set", "job", "export", cwd=tmp_path)
    (tmp_path / "job.json").write_text(document, encoding="utf-8")
    dmactl("new", "copy", cwd=tmp_path)
    dmactl("--set", "copy", "import", "job.json", cwd=tmp_path)
    ours = d.Records.new()
    result = d.from_json(ours, document)
    assert result.applied == len(json.loads(document)["settings"]) and result.differing == []
    assert ours.devmode == (tmp_path / "copy.devmode").read_bytes()
    assert ours.secondary == (tmp_path / "copy.secondary").read_bytes()
    assert ours.fax == (tmp_path / "copy.fax").read_bytes()


@pytest.mark.parametrize("settings, message", [
    ('[{"id": "0x0007", "value": "x"}]', r"settings\[0\]: 0x0007 \(dmOrientation\): an integer setting"),
    ('[{"id": "0x0007", "value": 1}, {"id": 7, "value": 1}]', r"settings\[1\]: 0x0007 appears twice"),
    ('[{"id": "0x0130", "value": {"face": "A"}}]', r'font member "height" missing'),
    ('[{"id": "0x0007", "value": 70000}]', r"out of range"),
    ('[{"id": "0x7777", "value": 1}]', r"settings\[0\]: 0x7777"),
    ('[{"id": "0x0140", "value": 5}]', r"refused"),   # its linked setting cannot follow, and no entry for it
])
def test_from_json_refuses_and_changes_nothing(settings: str, message: str) -> None:
    rec = d.Records.new()
    before = (bytes(rec.devmode), bytes(rec.secondary))
    with pytest.raises((d.DocumentError, d.DmaError), match=message):
        d.from_json(rec, '{"format": "dmactl-settings", "version": 1, "settings": %s}' % settings)
    assert (bytes(rec.devmode), bytes(rec.secondary)) == before
