"""Refusals that leave every file and record as it was, the write rules, and writers sharing one record set."""

from __future__ import annotations

import fcntl
import os
import random
import stat
import subprocess
import sys
from pathlib import Path
from typing import Any, Callable
from unittest import mock

import pytest

import dmaccess as d

DOC = '{"format": "dmactl-settings", "version": 1, "settings": %s}'


def _snapshot(folder: Path) -> dict[str, object]:
    """Every node in the folder: a regular file's mode and bytes, a link's target, another node's type."""
    out: dict[str, object] = {}
    for p in sorted(folder.rglob("*")):
        st = p.lstat()
        if stat.S_ISLNK(st.st_mode):
            out[p.name] = ("link", os.readlink(p))
        elif stat.S_ISREG(st.st_mode):
            out[p.name] = (stat.S_IMODE(st.st_mode), p.read_bytes())
        else:
            out[p.name] = stat.S_IFMT(st.st_mode)
    return out


def _job(tmp: Path) -> d.Records:
    rec = d.Records.new()
    rec.save(tmp / "job")
    return rec


def _while_held(t: Path) -> None:
    # Another holder of the set's lock, as dmactl holds it, while this process tries to edit the set.
    lock = t / "job.devmode.lock"
    fd = os.open(lock, os.O_RDWR | os.O_CREAT, 0o644)
    try:
        fcntl.flock(fd, fcntl.LOCK_EX)
        os.write(fd, b"424242\n")
        with d.Records.edit(t / "job", wait=0.1):
            pass
    finally:
        os.unlink(lock)
        os.close(fd)


_loaded_before: dict[Path, d.Records] = {}


def _changed_after_load(t: Path) -> None:
    _job(t)
    _loaded_before[t] = d.Records.load(t / "job")
    other = d.Records.load(t / "job")
    other["dmCopies"] = 7
    other.save(t / "job")


def _save_loaded_before(t: Path) -> None:
    rec = _loaded_before.pop(t)
    rec["dmScale"] = 50
    rec.save(t / "job")


def _save_on_full_disk(t: Path) -> None:
    rec = d.Records.new()
    rec["dmCopies"] = 4
    with mock.patch("os.fsync", side_effect=OSError(28, "No space left on device")):
        rec.save(t / "job")


def _edit_and_fail(t: Path) -> None:
    with d.Records.edit(t / "job") as job:
        job["dmCopies"] = 9
        raise RuntimeError("stopped inside the edit")


# name: (preparation in the folder, the action, exception, message)
FILE_REFUSALS: dict[str, tuple[Callable[[Path], Any], Callable[[Path], Any], type[BaseException], str]] = {
    "save to a FIFO": (lambda t: os.mkfifo(t / "p.fifo"),
                       lambda t: d.Records.new().save(devmode=t / "p.fifo"), d.FileRefused, "is not a regular file"),
    "save to a device": (lambda t: None, lambda t: d.Records.new().save(devmode="/dev/full"),
                         d.FileRefused, "/dev/full: is not a regular file"),
    "save to a folder": (lambda t: (t / "dir").mkdir(), lambda t: d.Records.new().save(devmode=t / "dir"),
                         d.FileRefused, "is a directory"),
    "save to a read-only file": (lambda t: (_job(t), os.chmod(t / "job.secondary", 0o444)),
                                 lambda t: d.Records.new().save(t / "job"), d.FileRefused,
                                 r"job.secondary: the file is read-only .*no file was changed"),
    "one target of three a FIFO": (lambda t: (_job(t), os.unlink(t / "job.fax"), os.mkfifo(t / "job.fax")),
                                   lambda t: d.Records.new().save(t / "job"), d.FileRefused,
                                   r"job.fax: is not a regular file; no file was changed"),
    "two records to one file": (lambda t: None, lambda t: d.Records.new().save(devmode=t / "a", secondary=t / "a"),
                                d.FileRefused, "named for two records"),
    "load a FIFO": (lambda t: os.mkfifo(t / "p.fifo"), lambda t: d.Records.load(devmode=t / "p.fifo"),
                    d.FileRefused, "is not a regular file"),
    "load random bytes": (lambda t: (t / "rnd").write_bytes(random.Random(7).randbytes(100_000)),
                          lambda t: d.Records.load(devmode=t / "rnd"), d.FileRefused,
                          r"rnd: not a DEVMODEW record as this driver writes it: dmSize is"),
    "load a wrong dmDriverExtra": (lambda t: (t / "dm").write_bytes(
                                       bytes(d.Records.new().devmode[:70]) + b"\1\0" + bytes(6000)),
                                   lambda t: d.Records.load(devmode=t / "dm"), d.FileRefused,
                                   r"dmSize 220 \+ dmDriverExtra 1 make 221 bytes, the file has 6072"),
    "load a short secondary": (lambda t: (_job(t), (t / "job.secondary").write_bytes(bytes(100))),
                               lambda t: d.Records.load(t / "job"), d.FileRefused, "at least 7974 bytes"),
    "save over a file changed on disk": (_changed_after_load, _save_loaded_before, d.ChangedOnDisk,
                                         r"job.devmode: the file changed on disk since .*force=True"),
    "an edit that fails": (_job, _edit_and_fail, RuntimeError, "stopped inside the edit"),
    "a disk that fills up": (_job, lambda t: _save_on_full_disk(t), OSError, "No space left on device"),
    "set held by another process": (_job, _while_held, d.RecordSetBusy,
                                    r"job.devmode.lock: the record set is in use by process 424242"),
    "document-property file a FIFO": (lambda t: os.mkfifo(t / "p.fifo"), lambda t: d.read_docprop(t / "p.fifo"),
                                      d.FileRefused, "is not a regular file"),
    "document-property file to a FIFO": (lambda t: os.mkfifo(t / "p.fifo"),
                                         lambda t: d.write_docprop(t / "p.fifo", d.DocProp()),
                                         d.FileRefused, "is not a regular file"),
    "names file a FIFO": (lambda t: os.mkfifo(t / "p.fifo"), lambda t: d.Names.load(t / "p.fifo"),
                          d.FileRefused, "is not a regular file"),
}


@pytest.mark.skipif(sys.platform == "win32", reason="FIFOs, devices and flock are posix")
@pytest.mark.parametrize("case", FILE_REFUSALS)
def test_file_refusals_leave_every_file_as_it_was(case: str, tmp_path: Path) -> None:
    prepare, action, error, message = FILE_REFUSALS[case]
    work = tmp_path / "work"
    work.mkdir()
    prepare(work)
    before = _snapshot(work)
    with pytest.raises(error, match=message):
        action(work)
    after = _snapshot(work)
    assert after == before and not any(n.endswith((".tmp", ".journal", ".lock")) for n in after)
    assert stat.S_ISCHR(os.stat("/dev/full").st_mode) and not os.path.lexists("/dev/full.lock")


def _linked(t: Path) -> None:
    _job(t)
    os.rename(t / "job.devmode", t / "real.devmode")
    os.symlink("real.devmode", t / "job.devmode")
    os.chmod(t / "real.devmode", 0o640)
    if os.geteuid() == 0:
        os.chown(t / "real.devmode", 1234, 2345)


def _linked_ok(t: Path) -> None:
    assert os.path.islink(t / "job.devmode") and d.Records.load(t / "job")["dmCopies"] == 3
    st = os.stat(t / "real.devmode")
    assert stat.S_IMODE(st.st_mode) == 0o640
    if os.geteuid() == 0:
        assert (st.st_uid, st.st_gid) == (1234, 2345)


def _interrupted(t: Path) -> None:
    # A writer killed between its renames: the secondary record's new file and the journal are left.
    _job(t)
    new = d.Records.new()
    new["dmCopies"] = 3
    (t / ".job.devmode.1.tmp").write_bytes(new.devmode)
    (t / "job.devmode.journal").write_text(f"{t}/.job.devmode.1.tmp\t{t}/job.devmode\n"
                                           f"{t}/.job.secondary.gone.tmp\t{t}/job.secondary\n")


def _edit(t: Path) -> None:
    with d.Records.edit(t / "job") as job:
        job["0x000C"] = 3


def _edit_devmode_file(t: Path) -> None:
    secondary = (t / "job.secondary").stat()
    with d.Records.edit(devmode=t / "job.devmode") as job:
        job["dmCopies"] = 3
    assert (t / "job.secondary").stat().st_ino == secondary.st_ino  # only the file named is written


# name: (preparation, action, check afterwards)
WRITES: dict[str, tuple[Callable[[Path], Any], Callable[[Path], Any], Callable[[Path], Any]]] = {
    "edit saves on leaving": (_job, _edit, lambda t: d.Records.load(t / "job")["dmCopies"] == 3),
    "a link stays a link, mode and owner kept": (_linked, _edit, _linked_ok),
    "the next holder completes a journal": (_interrupted, lambda t: d.Records.load(t / "job"),
                                            lambda t: d.Records.load(t / "job")["dmCopies"] == 3),
    "edit of one named file": (_job, _edit_devmode_file, lambda t: d.Records.load(t / "job")["dmCopies"] == 3),
    "save after own save": (_job, lambda t: [d.Records.load(t / "job").save(t / "job") for _ in range(2)],
                            lambda t: True),
}


@pytest.mark.skipif(sys.platform == "win32", reason="links, owners and flock are posix")
@pytest.mark.parametrize("case", WRITES)
def test_writes_follow_the_rules_and_leave_no_scratch_files(case: str, tmp_path: Path) -> None:
    prepare, action, check = WRITES[case]
    prepare(tmp_path)
    action(tmp_path)
    assert check(tmp_path) in (None, True)
    assert not [p.name for p in tmp_path.iterdir() if p.name.endswith((".tmp", ".journal", ".lock"))]


def _fax_list_position(rec: d.Records) -> None:
    d.RecordList(d.FaxDestination, [d.FaxDestination()]).load(rec, 2**70)


# name: (action on blank records, exception or None for success, message or expected result)
ARGUMENTS: dict[str, tuple[Callable[[d.Records], Any], Any, Any]] = {
    "float key": (lambda r: r[12.0], TypeError, "not float"),  # type: ignore[index]
    "None key": (lambda r: r[None], TypeError, "not NoneType"),  # type: ignore[index]
    "ID as hex text": (lambda r: r["0x000C"], None, 1),
    "ID as decimal text": (lambda r: r["12"], None, 1),
    "ID text out of range": (lambda r: r["0x10000"], KeyError, "not a DMA ID"),
    "ID text with a sign": (lambda r: r["+0x0C"], None, 1),
    "setting of no ID": (lambda r: r.read(d.Setting(2**32 + 7, d.SettingKind.INTEGER, 4, None)), ValueError,
                         "DMA ID: 4294967303 out of range"),
    "document id as a name": (lambda r: d.from_json(r, DOC % '[{"id": "dmCopies", "value": 1}]').applied, None, 1),
    "document id an unknown name": (lambda r: d.from_json(r, DOC % '[{"id": "dmNothing", "value": 1}]'),
                                    d.DocumentError, "no setting is named 'dmNothing'"),
    "raw item out of range": (lambda r: r.raw_get(2**32 + 7), ValueError, r"item ID: 4294967303 out of range"),
    "raw item not an int": (lambda r: r.raw_get("7"), TypeError, "item ID is an integer"),  # type: ignore[arg-type]
    "raw length negative": (lambda r: r.raw_set(7, 2, 1, length=-1), ValueError, "1 to 8 bytes wide"),
    "raw value too wide": (lambda r: r.raw_set(7, 2, 70000, 2), ValueError, "does not fit 2 bytes"),
    "raw length past the bytes": (lambda r: r.raw_set(1, 6, b"a\0", 100), ValueError, "declared length 100"),
    "raw type out of range": (lambda r: r.raw_set(7, 2**16 + 2, 1, 2), ValueError, "value type"),
    "struct kind out of range": (lambda r: d.struct_size(2**32 + 2), ValueError, "record kind"),
    "enumeration target out of range": (lambda r: r.ids(2**32 + 1), ValueError, "target"),
    "fax count 70000": (lambda r: r.set_fax_count(70000), ValueError, "70000 out of range"),
    "fax count 2**40": (lambda r: r.set_fax_count(2**40), ValueError, "out of range"),
    "fax count beyond the entries": (lambda r: r.set_fax_count(5), ValueError, "holds 0 destination entries"),
    "fax count not an int": (lambda r: r.set_fax_count(1.0), TypeError, "integer"),  # type: ignore[arg-type]
    "record position out of range": (_fax_list_position, ValueError, "position"),
    "record state out of range": (lambda r: d.RecordList(d.Kind2Record, [d.Kind2Record()], [7]).load(r, "x"),
                                  ValueError, "state 7"),  # type: ignore[list-item]
    "document nested too deeply": (lambda r: d.from_json(r, "[" * 100_000), d.DocumentError, "nested too deeply"),
    "two ids": (lambda r: d.from_json(r, DOC % '[{"id": "0x0007", "id": "0x000C", "value": 1}]'),
                d.DocumentError, r'settings\[0\]: "id" appears twice'),
    "two values": (lambda r: d.from_json(r, DOC % '[{"id": "0x0007", "value": 2, "value": 1}]'),
                   d.DocumentError, r'settings\[0\]: "value" appears twice'),
    "two settings arrays": (lambda r: d.from_json(r, DOC % '[], "settings": [{"id": 7, "value": 2}]'),
                            d.DocumentError, r'document: "settings" appears twice'),
    "name against id": (lambda r: d.from_json(r, DOC % '[{"id": "0x000C", "name": "dmScale", "value": 5}]'),
                        d.DocumentError, r'"name" is "dmScale", the name of 0x000B, but "id" is 0x000C'),
    "font member twice": (lambda r: d.from_json(r, DOC % '[{"id": "0x0130", "value": {"height": 1, "height": 2}}]'),
                          d.DocumentError, r'font member "height" appears twice'),
}


@pytest.mark.parametrize("case", ARGUMENTS)
def test_arguments_refused_before_the_library_sees_them(case: str) -> None:
    action, error, expected = ARGUMENTS[case]
    rec = d.Records.new()
    before = (bytes(rec.devmode), bytes(rec.secondary), bytes(rec.fax or b""))
    if error is None:
        assert action(rec) == expected
    else:
        with pytest.raises(error, match=expected):
            action(rec)
    assert (bytes(rec.devmode), bytes(rec.secondary), bytes(rec.fax or b"")) == before


WORKER = """
import sys
import dmaccess as d
name, dma_id, rounds = sys.argv[1], int(sys.argv[2], 16), int(sys.argv[3])
for i in range(1, rounds + 1):
    with d.Records.edit(name, wait=60) as job:
        if job[dma_id] != i - 1:
            sys.exit(f"0x{dma_id:04X}: round {i} found {job[dma_id]}, its own last value was {i - 1}")
        job[dma_id] = i
"""


@pytest.mark.skipif(sys.platform == "win32", reason="the package takes no lock on Windows")
def test_writers_on_one_set_lose_no_change(tmp_path: Path, program_seconds: float | None) -> None:
    # Four processes of this package and, when it is built, a run of dmactl commands, each changing its own
    # setting 50 times; every writer finds its own last value each time, and all of them are there at the end.
    rounds, ids = 50, ["0x000B", "0x000C", "0x000D", "0x0015"]
    tool = os.environ.get("DMACTL")
    rec = d.Records.new()
    for dma_id in ids + ["0x0016"]:
        rec[dma_id] = 0
    rec.save(tmp_path / "job")
    env = dict(os.environ, PYTHONPATH=str(Path(d.__file__).resolve().parents[1]))
    commands = [[sys.executable, "-c", WORKER, "job", dma_id, str(rounds)] for dma_id in ids]
    if tool:
        ids.append("0x0016")
        commands.append(["sh", "-c", f'i=1; while [ $i -le {rounds} ]; do "$0" --set job set 0x0016 $i >/dev/null '
                         "|| exit 1; i=$((i + 1)); done", tool])
    workers = [subprocess.Popen(c, cwd=tmp_path, env=env, stderr=subprocess.PIPE, text=True) for c in commands]
    failures = [w.communicate(timeout=program_seconds)[1] for w in workers if w.wait(timeout=program_seconds)]
    assert failures == []
    job = d.Records.load(tmp_path / "job")
    assert [job[dma_id] for dma_id in ids] == [rounds] * len(ids)
    assert sorted(p.name for p in tmp_path.iterdir()) == ["job.devmode", "job.fax", "job.secondary"]
