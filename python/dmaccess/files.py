"""Files of record sets: reading, writing and the set's lock, as dmactl does them.

Reading: only a regular file is read, and nothing is opened in a way that
blocks (a FIFO or a device is refused after a stat, and the file is opened
with O_NONBLOCK and checked again).

Writing: every target is checked before anything is written (a regular file
or none yet; not read-only; a symbolic link is followed and the file it
names is replaced, the link stays); each file is written complete to a
temporary file beside its target (with the target's permissions, and its
owner when running as root), flushed to the disk, then renamed over it.  A
write of several files lists the renames in a journal (``FIRST.journal``)
before the first one, so that the next holder of the set's lock completes
them when this write was cut off between them.  Temporary files are removed
on every failure.

The lock: ``FIRST.lock`` beside the set's first file (DEVMODEW, else the
secondary record, else the fax block), held with flock from reading to
writing; the system lets it go when its holder ends, killed or not.  It
holds the holder's process ID.  A folder where no lock file can be made is
worked on without one (nothing can be written there either).  On Windows
the package takes no lock: dmactl's lock there is a share mode, which
Python's standard library cannot ask for; the journal is written and
completed all the same.
"""

from __future__ import annotations

import contextlib
import os
import stat
import sys
import threading
import time
from dataclasses import dataclass
from typing import Iterator, Optional, Sequence, Union

PathLike = Union[str, "os.PathLike[str]"]

#: Seconds a writer waits for another holder of a set's lock.
DEFAULT_WAIT = 5.0

_IS_WINDOWS = sys.platform == "win32"


class FileRefused(ValueError):
    """A file the package does not read or write as it is; the message names the file."""


class ChangedOnDisk(FileRefused):
    """A record file changed on disk after it was loaded, and would be overwritten."""


class RecordSetBusy(TimeoutError):
    """Another process held a record set's lock for longer than the wait."""


def _unchanged(files: int) -> str:
    return "the file was left unchanged" if files == 1 else "no file was changed"


# ---- reading ----

def _refuse_kind(path: str, st: os.stat_result) -> None:
    if stat.S_ISDIR(st.st_mode):
        raise FileRefused(f"{path}: is a directory, not a file")
    if not stat.S_ISREG(st.st_mode):
        raise FileRefused(f"{path}: is not a regular file")


def check_regular(path: PathLike) -> None:
    """FileRefused unless ``path`` is a regular file (links followed); OSError when it is missing."""
    name = os.fspath(path)
    _refuse_kind(name, os.stat(name))


def read_regular(path: PathLike) -> bytes:
    """The bytes of a regular file; FileRefused for anything else (never blocks on a FIFO or a device)."""
    name = os.fspath(path)
    _refuse_kind(name, os.stat(name))
    flags = os.O_RDONLY | getattr(os, "O_NONBLOCK", 0) | getattr(os, "O_CLOEXEC", 0) | getattr(os, "O_BINARY", 0)
    fd = os.open(name, flags)
    try:
        # The path may name another file by now.
        _refuse_kind(name, os.fstat(fd))
        chunks: list[bytes] = []
        while True:
            chunk = os.read(fd, 1 << 20)
            if not chunk:
                return b"".join(chunks)
            chunks.append(chunk)
    finally:
        os.close(fd)


def is_regular_file(path: PathLike) -> bool:
    """True for an existing regular file (links followed); never opens it."""
    try:
        return stat.S_ISREG(os.stat(path).st_mode)
    except (OSError, ValueError):
        return False


# ---- the lock ----

def _holder_of(lock_path: str) -> str:
    with contextlib.suppress(OSError, ValueError):
        return read_regular(lock_path).decode("ascii", "replace").split()[0]
    return ""


_BUSY, _NO_LOCK_FILE = -1, -2


def _try_lock(lock_path: str) -> int:
    """One attempt: the open, locked file's descriptor, _BUSY or _NO_LOCK_FILE."""
    import fcntl

    try:
        fd = os.open(lock_path, os.O_RDWR | os.O_CREAT | os.O_CLOEXEC | os.O_NONBLOCK, 0o644)
    except OSError:
        return _NO_LOCK_FILE
    try:
        fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        os.close(fd)
        return _BUSY
    # The holder before may have removed the file after it was opened here:
    # the lock then guards a file no longer at that path.
    try:
        held, named = os.fstat(fd), os.stat(lock_path)
        same = held.st_ino == named.st_ino and held.st_dev == named.st_dev and stat.S_ISREG(held.st_mode)
    except OSError:
        same = False
    if not same:
        os.close(fd)
        return _BUSY
    with contextlib.suppress(OSError):  # the process ID is only for messages
        os.ftruncate(fd, 0)
        os.write(fd, f"{os.getpid()}\n".encode("ascii"))
    return fd


class RecordSetLock:
    """The lock of the record set whose first file is ``first_file``; a context manager.

    Taking it waits at most ``wait`` seconds for another holder (then
    RecordSetBusy names the lock file and the holder's process ID) and
    completes an interrupted write that the set's journal lists.  Within one
    process the lock is shared by the thread that holds it (taking it again
    nests); another thread waits for it as another process would.
    """

    _held: dict[str, "RecordSetLock"] = {}
    _guard = threading.Lock()

    def __init__(self, first_file: PathLike, wait: float = DEFAULT_WAIT) -> None:
        first = os.fspath(first_file)
        self.lock_path = first + ".lock"
        #: Where a write of several files of this set keeps its journal ("" without a lock file).
        self.journal = first + ".journal"
        self.wait = wait
        self._fd = _NO_LOCK_FILE
        self._depth = 0
        self._owner: Optional[int] = None
        self._delegate: Optional[RecordSetLock] = None
        self._key = os.path.abspath(self.lock_path)

    def acquire(self) -> "RecordSetLock":
        me = threading.get_ident()
        deadline = time.monotonic() + self.wait
        while True:
            with RecordSetLock._guard:
                other = RecordSetLock._held.get(self._key)
                if other is not None and other._owner == me:
                    other._depth += 1
                    self._delegate = other
                    self.journal = other.journal
                    return self
                if other is None:
                    fd = _NO_LOCK_FILE if _IS_WINDOWS else _try_lock(self.lock_path)
                    if fd != _BUSY:
                        self._fd, self._owner, self._depth, self._delegate = fd, me, 1, None
                        RecordSetLock._held[self._key] = self
                        break
            if time.monotonic() >= deadline:
                holder = _holder_of(self.lock_path)
                raise RecordSetBusy(
                    f"{self.lock_path}: the record set is in use by "
                    f"{'process ' + holder if holder else 'another process'} (waited {self.wait:g} s); "
                    "no file was changed")
            time.sleep(0.01)
        if self._fd == _NO_LOCK_FILE and not _IS_WINDOWS:
            self.journal = ""
            return self
        try:
            complete_journal(self.journal)
        except BaseException:
            self.release()
            raise
        return self

    def release(self) -> None:
        with RecordSetLock._guard:
            if self._delegate is not None:
                self._delegate._depth -= 1
                self._delegate = None
                return
            self._depth -= 1
            if self._depth > 0:
                return
            RecordSetLock._held.pop(self._key, None)
            fd, self._fd, self._owner = self._fd, _NO_LOCK_FILE, None
        if fd >= 0:
            with contextlib.suppress(OSError):
                os.unlink(self.lock_path)  # before the lock goes: see _try_lock
            os.close(fd)

    def __enter__(self) -> "RecordSetLock":
        return self.acquire()

    def __exit__(self, *exc: object) -> None:
        self.release()


@contextlib.contextmanager
def set_lock(first_file: Optional[PathLike], wait: float = DEFAULT_WAIT) -> Iterator[Optional[RecordSetLock]]:
    """The set's lock for the ``with`` block; None and no lock when there is no first file."""
    if first_file is None:
        yield None
        return
    with RecordSetLock(first_file, wait) as lock:
        yield lock


# ---- the journal ----

def complete_journal(journal: str) -> None:
    """Completes the renames an interrupted write's journal lists, then removes it; nothing when there is none."""
    if not journal:
        return
    try:
        text = read_regular(journal)
    except FileNotFoundError:
        return
    for line in text.split(b"\n"):
        temp, tab, target = line.partition(b"\t")
        if not tab:
            continue
        if os.path.lexists(temp):
            try:
                os.replace(temp, target)
            except OSError as err:
                raise FileRefused(f"{journal}: cannot complete the interrupted write of {os.fsdecode(target)}: "
                                  f"{err.strerror}") from None
    with contextlib.suppress(FileNotFoundError):
        os.unlink(journal)


# ---- writing ----

def follow_links(path: str, files: int = 1) -> str:
    """The file that symbolic links from ``path`` finally name (which need not exist yet)."""
    file = path
    for _ in range(40):
        if not os.path.islink(file):
            return file
        link = os.readlink(file)
        file = link if os.path.isabs(link) else os.path.join(os.path.dirname(file), link)
    raise FileRefused(f"{path}: too many levels of symbolic links; {_unchanged(files)}")


def _read_only(file: str, st: os.stat_result) -> bool:
    if _IS_WINDOWS:
        return not st.st_mode & stat.S_IWRITE
    if not st.st_mode & (stat.S_IWUSR | stat.S_IWGRP | stat.S_IWOTH):
        return True  # root may write it all the same; it is still meant to stay as it is
    return not os.access(file, os.W_OK)


@dataclass
class Target:
    """A file about to be written: the path as named, the file replaced, its state before."""

    path: str
    file: str
    before: Optional[os.stat_result]


def check_target(path: PathLike, files: int = 1, others: Sequence[Target] = ()) -> Target:
    """FileRefused unless ``path`` may be replaced: a regular file or none, not read-only, not named twice."""
    name = os.fspath(path)
    file = follow_links(name, files)
    try:
        st: Optional[os.stat_result] = os.stat(file)
    except FileNotFoundError:
        st = None
    more = "" if files == 1 else "; no file was changed"
    if st is not None:
        if stat.S_ISDIR(st.st_mode):
            raise FileRefused(f"{name}: is a directory, not a file{more}")
        if not stat.S_ISREG(st.st_mode):
            raise FileRefused(f"{name}: is not a regular file{more}")
        if _read_only(file, st):
            raise FileRefused(f"{name}: the file is read-only (no write permission); {_unchanged(files)}")
    for other in others:
        if st is not None and other.before is not None:
            same = (st.st_ino, st.st_dev) == (other.before.st_ino, other.before.st_dev)
        else:
            same = os.path.normpath(os.path.abspath(file)) == os.path.normpath(os.path.abspath(other.file))
        if same:
            raise FileRefused(f"{other.path} and {name} are the same file, and two records cannot both be written "
                              f"to one file; {_unchanged(files)}" if other.path != name else
                              f"{name}: named for two records, which cannot both be written to one file; "
                              f"{_unchanged(files)}")
    return Target(name, file, st)


def _temp_name(file: str) -> str:
    import secrets  # here: it brings hashing and hmac in, which nothing else needs

    return os.path.join(os.path.dirname(file) or ".", f".{os.path.basename(file)}.{secrets.token_hex(4)}.tmp")


def new_temp(target: Target) -> tuple[int, str]:
    """An open, new temporary file beside the target, with the target's mode (and owner as root)."""
    flags = os.O_WRONLY | os.O_CREAT | os.O_EXCL | getattr(os, "O_CLOEXEC", 0) | getattr(os, "O_BINARY", 0)
    for attempt in range(100):
        temp = _temp_name(target.file)
        try:
            fd = os.open(temp, flags, 0o644)
            break
        except FileExistsError:
            if attempt == 99:
                raise
    try:
        keep_owner(fd, target)
    except BaseException:
        os.close(fd)
        os.unlink(temp)
        raise
    return fd, temp


def keep_owner(fd: int, target: Target) -> None:
    """Gives an open temporary file the target's owner (as root; else its group where allowed) and mode."""
    st = target.before
    if st is None or _IS_WINDOWS:
        return
    if os.geteuid() == 0:
        os.fchown(fd, st.st_uid, st.st_gid)
    elif os.fstat(fd).st_gid != st.st_gid:
        with contextlib.suppress(OSError):
            os.fchown(fd, -1, st.st_gid)
    os.fchmod(fd, stat.S_IMODE(st.st_mode))  # after chown, which clears the set-ID bits


def _write_all(fd: int, data: bytes) -> None:
    view = memoryview(data)
    while view:
        view = view[os.write(fd, view[: 1 << 20]):]
    os.fsync(fd)


def write_files_together(writes: Sequence[tuple[PathLike, bytes]], journal: str = "") -> None:
    """Replaces each file with its bytes, together: every target is checked and every temporary
    file written before the first rename; with several files and a journal path the renames are
    listed there first.  FileRefused or OSError on failure, the message says what was replaced."""
    n = len(writes)
    targets: list[Target] = []
    for path, _ in writes:
        targets.append(check_target(path, n, targets))
    temps: list[Optional[str]] = [None] * n

    def remove_temps(start: int = 0) -> None:
        for temp in temps[start:]:
            if temp is not None:
                with contextlib.suppress(OSError):
                    os.unlink(temp)

    try:
        for i, (target, (_, data)) in enumerate(zip(targets, writes)):
            try:
                fd, temps[i] = new_temp(target)
            except OSError as err:
                raise FileRefused(f"{target.path}: cannot write a temporary file in "
                                  f"{os.path.dirname(target.file) or '.'}: {err.strerror}; {_unchanged(n)}") from None
            try:
                _write_all(fd, bytes(data))
            finally:
                os.close(fd)
        journaled = n > 1 and bool(journal)
        if journaled:
            lines = []
            for temp, target in zip(temps, targets):
                assert temp is not None
                pair = (os.path.abspath(temp), os.path.abspath(target.file))
                if any(c in p for p in pair for c in "\t\n"):
                    raise FileRefused(f"{target.path}: a path with a tab or a line break cannot be journaled; "
                                      f"{_unchanged(n)}")
                lines.append(os.fsencode(pair[0]) + b"\t" + os.fsencode(pair[1]) + b"\n")
            try:
                write_files_together([(journal, b"".join(lines))])
            except (OSError, FileRefused) as err:
                raise FileRefused(f"{journal}: cannot write the journal of this change ({err}); "
                                  f"{_unchanged(n)}") from None
    except BaseException:
        remove_temps()
        raise
    for i, target in enumerate(targets):
        temp = temps[i]
        assert temp is not None
        try:
            os.replace(temp, target.file)
            temps[i] = None
        except OSError as err:
            remove_temps(i)
            if n > 1 and journal:
                with contextlib.suppress(OSError):
                    os.unlink(journal)
            if i == 0:
                raise FileRefused(f"{target.path}: cannot replace the file: {err.strerror}; {_unchanged(n)}") from err
            replaced = ", ".join(t.path for t in targets[:i])
            kept = ", ".join(t.path for t in targets[i:])
            raise FileRefused(f"{target.path}: cannot replace the file: {err.strerror}; already replaced: "
                              f"{replaced}; left unchanged: {kept}") from err
        except BaseException:
            # Interrupted between the renames: a journal lets the next holder of the lock complete them.
            if not (n > 1 and journal):
                remove_temps(i)
            raise
    if n > 1 and journal:
        with contextlib.suppress(OSError):
            os.unlink(journal)


def write_file_atomically(path: PathLike, data: bytes) -> None:
    """One file replaced as ``write_files_together`` replaces several."""
    write_files_together([(path, data)])


__all__ = [
    "ChangedOnDisk", "FileRefused", "RecordSetBusy", "RecordSetLock", "Target", "check_regular", "check_target",
    "complete_journal", "follow_links", "is_regular_file", "keep_owner", "new_temp", "read_regular",
    "set_lock", "write_file_atomically", "write_files_together",
]
