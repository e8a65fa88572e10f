"""Record kinds, fax destinations, user settings and document-property files through the library."""

from __future__ import annotations

from pathlib import Path

import pytest

import dmaccess as d


def test_fax_destinations_stored_from_and_loaded_into_the_settings() -> None:
    rec = d.Records.new()
    d.set_fax_destinations(rec, [d.FaxDestination(item1795="Alice"), d.FaxDestination(item1795="Bob")])
    assert rec.fax_count == 2 and [x.item1795 for x in d.fax_destinations(rec)] == ["Alice", "Bob"]
    lst = d.destination_list(rec)
    lst.load(rec, 2)                                   # entry 2 into the settings
    lst.store(rec, 1)                                  # the settings into entry 1
    assert lst.elements[0].item1795 == "Bob" and lst.states == [d.State.IN_USE] * 2
    with pytest.raises(d.NoFaxEntry):
        lst.load(rec, 3)
    with pytest.raises(ValueError, match="does not fit"):
        d.FaxDestination(item1817="x" * 21).to_bytes()


@pytest.mark.parametrize("cls, name", [(d.Kind2Record, "Letter"), (d.Kind3Record, "Office"),
                                       (d.Kind7Record, "Office"), (d.Kind4Record, "12")])
def test_record_kinds_apply_access_delete_and_name(cls: type, name: str) -> None:
    rec = d.Records.new()
    lst = d.RecordList(cls, [cls()], [d.State.EMPTY])
    lst.store(rec, name, last=True)                    # settings into the last element, which gets the name
    assert lst.states == [d.State.IN_USE] and d.record_name(lst.elements[0]) == name
    lst.load(rec, name)
    lst.delete(rec, name)
    assert lst.states == [d.State.DELETED]
    missing = d.NoKind4Record if cls is d.Kind4Record else d.NoRecord
    with pytest.raises(missing):
        lst.load(rec, name)                            # a deleted element does not load


def test_record_operations_refuse_kind_and_mode() -> None:
    rec = d.Records.new()
    with pytest.raises(d.KindNotServed):
        d.RecordList(d.FaxDestination, [d.FaxDestination()]).delete(rec, "x")


def test_user_settings_round_trip_and_bad_version() -> None:
    rec = d.Records.new()
    rec.raw_set(5129, 6, "Ann".encode("utf-16-le") + b"\0\0")
    us = d.read_user_settings(rec, name="ann")
    assert us.name == "ann" and us.values[5129] == "Ann"
    us.values[5147] = "C:\\out"
    d.write_user_settings(rec, us)
    assert d.read_user_settings(rec).values[5147] == "C:\\out"
    with pytest.raises(d.Refused):
        d.write_user_settings(rec, bytes(2096))        # layout version 0


def test_docprop_round_trip_and_failures(tmp_path: Path, dmactl) -> None:  # type: ignore[no-untyped-def]
    sample = tmp_path / "sample.prop"
    with pytest.raises(d.FileOpenError):
        d.read_docprop(tmp_path / "missing.prop")
    sample.write_bytes(b"not a document-property file")
    with pytest.raises(d.FileFormatError):
        d.read_docprop(sample)
    rec = d.Records.new()
    d.set_fax_destinations(rec, [d.FaxDestination(item1795="Carol")])
    assert rec.fax is not None
    doc = d.DocProp(d.ndev_section(b"dev"), d.tmbinfo_section(b"tm"), d.spinfo_section(b"sp"), bytes(rec.fax))
    d.write_docprop(sample, doc)
    assert d.read_docprop(sample) == doc
    assert "4 sections" in dmactl("docprop", "show", str(sample), cwd=tmp_path)
    d.write_fax_file(tmp_path / "fax.only", bytes(rec.fax))
    assert (tmp_path / "fax.only").read_bytes() == bytes(rec.fax)
