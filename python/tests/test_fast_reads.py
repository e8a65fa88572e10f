"""The quick reads (an ID described once, read through its kind's export) against the whole way.

A subclass of Records always goes the whole way (describe, then read), so the
same records read through both must give the same values, the same
unterminated flags and the same exceptions with the same messages.
"""

from __future__ import annotations

import pytest

import dmaccess as d


class WholeWay(d.Records):
    """Records that never take the quick reads."""


def outcome(records: d.Records, key: object) -> tuple[str, str]:
    try:
        return "value", repr(records[key])  # type: ignore[index]
    except Exception as err:  # noqa: BLE001 - the exception itself is compared
        return type(err).__name__, str(err)


def both(rec: d.Records) -> tuple[d.Records, d.Records]:
    # The same records (the same bytearrays) seen as a WholeWay, made without the check of a
    # new Records, which refuses some of the records compared here.
    whole = WholeWay.__new__(WholeWay)
    whole.__dict__.update(rec.__dict__)
    return rec, whole


def changed_records() -> d.Records:
    rec = d.Records.new()
    rec[0x0001] = "B\u00fcro \u0081x"
    rec[0x0130] = d.Font(height=-12, weight=700, face="Arial")
    rec.set(0x9001, "secret")
    rec[0xA001] = "header"
    return rec


def too_many_destinations() -> d.Records:
    rec = d.Records.new()
    rec.fax[16:18] = (3).to_bytes(2, "little")  # type: ignore[index]
    return rec


def short_devmode() -> d.Records:
    rec = d.Records.new()
    del rec.devmode[100:]
    return rec


@pytest.mark.parametrize("make", [d.Records.new, changed_records, lambda: d.Records.new(fax=False),
                                  too_many_destinations, short_devmode])
def test_quick_reads_equal_the_whole_way(make) -> None:  # type: ignore[no-untyped-def]
    quick, whole = both(make())
    ids = [s.dma_id for s in d.Records.new().settings()] + [0x7777, 0x9001, 0xA001, 0xA002]
    for _ in range(2):  # the first pass describes the IDs, the second takes the quick reads
        for key in ids:
            assert outcome(quick, key) == outcome(whole, key), hex(key)


def test_quick_read_pairs_and_documents_equal_the_whole_way() -> None:
    quick, whole = both(changed_records())
    for s in whole.settings():
        assert quick.read(s) == whole.read(s)
    assert d.to_json(quick) == d.to_json(whole)
    assert quick.values() == whole.values()
