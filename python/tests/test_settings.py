"""Reading and writing settings, the record files, names and differences."""

from __future__ import annotations

import os
import stat
import subprocess
import sys
from pathlib import Path

import pytest

import dmaccess as d
from dmaccess.names import NamesFileError, parse_names

REPO = Path(__file__).resolve().parents[2]


def test_new_records_equal_dmactl_new(dmactl, tmp_path: Path) -> None:  # type: ignore[no-untyped-def]
    dmactl("new", "job", cwd=tmp_path)
    rec = d.Records.new()
    assert (tmp_path / "job.devmode").read_bytes() == rec.devmode
    assert (tmp_path / "job.secondary").read_bytes() == rec.secondary
    assert (tmp_path / "job.fax").read_bytes() == rec.fax


@pytest.mark.parametrize("key, value", [
    (0x0007, 2),                                   # integer by ID
    ("DMORIENTATION", 2),                          # by name, any case
    (0x0001, "Büro \u0081"),                       # text in code page 1252, C1 control kept
    (0x0130, d.Font(height=-12, weight=700, face="Arial")),
    (0xA002, "second header"),                     # fax header string
])
def test_value_round_trip(key: object, value: d.Value) -> None:
    rec = d.Records.new()
    rec[key] = value  # type: ignore[index]
    assert rec.get(key) == value  # type: ignore[arg-type]


def test_linked_setting_follows_and_protected_text_is_stored_scrambled() -> None:
    rec = d.Records.new()
    rec.set(0x010B, 7)
    assert rec[0x0145] == 4
    rec.set(0x9001, "secret")
    assert rec[0x0427] == "AgEZGRQQ"


@pytest.mark.parametrize("key, value, error", [
    (0x7777, 1, d.NoSuchId),                       # the library has no such ID
    ("noSuchName", 1, KeyError),
    (0x0001, 5, TypeError),                        # a string setting given an integer
    (0x0007, 0x10000, ValueError),                 # out of the stored width
    (0x0001, "\u20ac\u4e2d", ValueError),          # not in the ANSI code page
    (0x0130, d.Font(face="x" * 32), ValueError),   # face name too long
    (0x0140, 5, d.Refused),                        # its linked setting cannot follow
    (0xA001, "x" * 41, d.TooLong),
])
def test_refused_writes(key: object, value: d.Value, error: type[Exception]) -> None:
    rec = d.Records.new()
    with pytest.raises(error) as info:
        rec[key] = value  # type: ignore[index]
    if isinstance(info.value, d.DmaError):
        assert info.value.code == error.CODE and info.value.operation.startswith("DMA_")  # type: ignore[attr-defined]


def test_get_default_only_when_asked() -> None:
    rec = d.Records.new(fax=False)
    with pytest.raises(d.NoSuchId):
        rec.get(0xA001)                            # no fax block: the library says -1
    assert rec.get(0xA001, "none") == "none"


def test_settings_carry_kind_size_place_and_name() -> None:
    rec = d.Records.new()
    by_id = {s.dma_id: s for s in rec.settings()}
    s = by_id[0x0007]
    assert (s.kind, s.size, s.name, s.label) == ("integer", 4, "dmOrientation", "0x0007 (dmOrientation)")
    assert s.place is not None and (s.place.area, s.place.offset, s.place.value_type) == ("DEVMODEW", 76, "SHORT")
    assert by_id[0x0130].kind == "font" and by_id[0xA001].place.area == "fax block"  # type: ignore[union-attr]
    assert 0xA001 not in {s.dma_id for s in d.Records.new(fax=False).settings()}


def test_save_is_atomic_keeps_mode_and_load_checks_sizes(tmp_path: Path) -> None:
    rec = d.Records.new()
    rec[0x0007] = 2
    job = tmp_path / "job"
    rec.save(job)
    os.chmod(f"{job}.devmode", 0o600)
    rec[0x0007] = 1
    assert sorted(rec.save(job)) == sorted(f"{job}.{e}" for e in ("devmode", "secondary", "fax"))
    assert stat.S_IMODE(os.stat(f"{job}.devmode").st_mode) == 0o600
    assert d.Records.load(job)[0x0007] == 1
    assert [p.name for p in tmp_path.iterdir() if p.name.endswith(".tmp")] == []
    Path(f"{job}.secondary").write_bytes(b"\0" * 100)
    with pytest.raises(ValueError, match="7974"):
        d.Records.load(job)


def test_diff_lists_changed_settings_with_linked_ones() -> None:
    a, b = d.Records.new(), d.Records.new()
    b[0x010B] = 7
    assert [(x.setting.dma_id, x.old, x.new) for x in d.diff(a, b)] == [(0x010B, 0, 7), (0x0145, 0, 4)]


@pytest.mark.parametrize("text, message", [
    ("0x7 a\n0x7 b\n", "f:2: DMA ID 0x0007 is named twice"),
    ("0x7 a\n8 A\n", "f:2: the name 'A' is used for 0x0007 too"),
    ("0x7 1abc\n", "f:1: '1abc' is not a valid name"),
    ("seven a\n", "f:1: 'seven' is not a DMA ID"),
    ("0x7\n", "f:1: expected"),
    ("0x7 a 1=b 1=c\n", "f:1: the value 1 is named twice"),
    ("0x7 a 1=b 2=B\n", "f:1: the value name 'B' is given to two values"),
    ("0x7 a b\n", "f:1: 'b' is not a value name"),
])
def test_names_file_errors_name_file_and_line(text: str, message: str) -> None:
    with pytest.raises(NamesFileError, match=message):
        parse_names(text, "f")


def test_team_name_wins_for_output_both_accepted(tmp_path: Path, monkeypatch: pytest.MonkeyPatch) -> None:
    team = tmp_path / "team.names"
    team.write_text("# ours\n0x0007 paperTurn\n0x0130 titleFont\n", encoding="utf-8")
    monkeypatch.setenv("DMACTL_NAMES", str(team))
    rec = d.Records.new()
    assert rec.describe("dmOrientation").name == "paperTurn"
    assert rec["TitleFont"] == rec[0x0130]


def test_values_with_their_meaning(tmp_path: Path, monkeypatch: pytest.MonkeyPatch) -> None:
    team = tmp_path / "team.names"
    team.write_text("0x0101 TonerSave 0=Off 1=On\n", encoding="utf-8")
    monkeypatch.setenv("DMACTL_NAMES", str(team))
    rec = d.Records.new()
    assert rec.meaning("dmPaperSize") == "DMPAPER_A4" and rec.meaning("TonerSave") == "Off"
    rec["dmPaperSize"] = "dmpaper_a3"
    rec["TonerSave"] = "On"
    assert (rec["dmPaperSize"], rec[0x0101]) == (8, 1)
    assert rec.meaning("dmPrintQuality", -4) == "DMRES_HIGH" and rec.meaning("dmPrintQuality") is None
    with pytest.raises(ValueError, match="'DMORIENT_PORTRAIT' names no value"):
        rec["dmPaperSize"] = "DMORIENT_PORTRAIT"


def test_raw_access_and_support_query() -> None:
    rec = d.Records.new()
    rec.raw_set(7, 2, 2, 2)                        # item 7 (dmOrientation), SHORT, 2 bytes
    assert rec.raw_get(7) == (2, 2) and rec[0x0007] == 2
    assert rec.raw_get(1) == (6, ("DEVMODEW", 0))  # a string item hands out its place
    with pytest.raises(d.RawError) as info:
        rec.raw_set(7, 2, 1, 4)                    # declared width differs from the type's
    assert info.value.status == 0x08
    assert rec.software_support() in (True, False)
    assert [d.struct_size(k) for k in (2, 3, 4, 5, 6, 7, 8)] == [308, 706, 20, 820, 1442, 968, 0]


def test_result_messages_match_the_result_code_table() -> None:
    import re
    table = (REPO / "src" / "result_codes.def").read_text()
    rows = re.findall(r'DMA_RESULT_CODE\(\w+, (-?\d+),\s*((?:"[^"]*"\s*)+)\)', table)
    assert rows
    for code, message in rows:
        text = "".join(re.findall(r'"([^"]*)"', message))
        assert d.errors.message_of(int(code)) == f"{text} (result {code})"


def test_missing_library_names_every_place(tmp_path: Path, program_seconds: float | None) -> None:
    env = dict(os.environ, DMACCESS_LIBRARY=str(tmp_path / "nowhere.so"))
    out = subprocess.run([sys.executable, "-c", "import dmaccess; dmaccess.Records.new()"], env=env,
                         capture_output=True, text=True, timeout=program_seconds)
    assert out.returncode != 0 and "nowhere.so (no such file)" in out.stderr and "DMACCESS_LIBRARY" in out.stderr
