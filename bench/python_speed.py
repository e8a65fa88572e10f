#!/usr/bin/env python3
"""How fast the Python package is, beside what ctypes alone costs.

Measures, in one run against one library (DMACCESS_LIBRARY, default
build/release/libdmaccess.so.1 of this tree):

  read      a read of every setting of a fresh record set through the
            package's normal read path (``records[dma_id]``), per read;
  bare      the same reads in a bare ctypes loop through the same exports
            (DMA_GetValue, DMA_GetStringData_StrLength / DMA_GetStringData
            size query and read, DMA_GetLogFontData): the floor; the table
            gives the ratio read / bare;
  import    ``import dmaccess`` in a fresh interpreter (timed inside it, so
            the interpreter's own start is not counted), and beside it
            ``from dmaccess import Records, to_json``, which imports the
            modules that a script uses;
  load      ``Records.load`` of a record set the package saved to a
            temporary folder, and beside it the first load in a fresh
            process (which reads the metadata file too);
  to_json   ``to_json`` of those records.

Every figure is the median of --repeat runs, in CPU time of the thread that
runs it (time.thread_time), which a busy shared machine changes far less than
the time on the clock: --wall takes the clock instead (time.perf_counter).
Compare figures of one run.  It prints a table with each goal and
PASS or MISS, and exits 0 unless --check is given, when a missed goal
makes it exit 1.  Not a test: --repeat 1 --reads 1 only shows that it runs.
"""

from __future__ import annotations

import argparse
import ctypes
import os
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path
from typing import Callable

ROOT = Path(__file__).resolve().parents[1]
PYTHON_DIR = ROOT / "python"
DEFAULT_LIBRARY = ROOT / "build" / "release" / "libdmaccess.so.1"

#: name: (goal, unit); the read/bare ratio has no goal of its own.
GOALS = {"read": 3.0, "import": 15.0, "load": 2.0, "to_json": 8.0}


#: Where the fresh interpreters keep their compiled modules.
PYCACHE = ""

#: The clock: CPU seconds of this thread, or with --wall seconds on the clock.
clock = time.thread_time


def median_time(fn: Callable[[], object], repeat: int) -> float:
    """Median seconds of one call of fn over repeat calls (after one call to warm up)."""
    fn()
    times = []
    for _ in range(repeat):
        start = clock()
        fn()
        times.append(clock() - start)
    return statistics.median(times)


def bare_reader(records: object, ids: list[int], kinds: dict[int, str]) -> Callable[[], None]:
    """A loop of plain ctypes calls reading every setting once: the floor of a read."""
    from dmaccess import native as N

    lib = ctypes.CDLL(os.environ["DMACCESS_LIBRARY"])  # own function objects, own argtypes
    ctx_p = ctypes.POINTER(N.DmaContext)
    get_value = lib.DMA_GetValue
    get_value.restype, get_value.argtypes = ctypes.c_ssize_t, [ctx_p, ctypes.c_uint32, ctypes.POINTER(ctypes.c_int32)]
    strlen = lib.DMA_GetStringData_StrLength
    getstr = lib.DMA_GetStringData
    for fn in (strlen, getstr):
        fn.restype, fn.argtypes = ctypes.c_ssize_t, [ctx_p, ctypes.c_uint32, ctypes.c_void_p,
                                                     ctypes.POINTER(ctypes.c_uint32)]
    get_font = lib.DMA_GetLogFontData
    get_font.restype, get_font.argtypes = ctypes.c_ssize_t, [ctx_p, ctypes.c_uint32, ctypes.POINTER(N.LOGFONTA),
                                                             ctypes.POINTER(ctypes.c_uint32)]

    ctx = N.DmaContext()
    views = []
    for field, data in (("devMode", records.devmode), ("secondary", records.secondary),  # type: ignore[attr-defined]
                        ("faxAddressBlock", records.fax)):  # type: ignore[attr-defined]
        if data is not None:
            view = (ctypes.c_char * len(data)).from_buffer(data)
            views.append(view)
            setattr(ctx, field, ctypes.addressof(view))
    c = ctypes.byref(ctx)
    raw = ctypes.c_int32()
    raw_p = ctypes.byref(raw)
    size = ctypes.c_uint32()
    size_p = ctypes.byref(size)
    lf = N.LOGFONTA()
    lf_p = ctypes.byref(lf)
    buf = ctypes.create_string_buffer(4096)
    integers = [i for i in ids if kinds[i] == "integer"]
    texts = [(i, getstr if kinds[i] == "fax header" else strlen) for i in ids if kinds[i] in ("string", "fax header")]
    fonts = [i for i in ids if kinds[i] == "font"]

    def run() -> None:
        for i in integers:
            get_value(c, i, raw_p)
            raw.value
        for i, fn in texts:
            size.value = 0
            fn(c, i, None, size_p)  # the size query, then the read
            fn(c, i, buf, size_p)
            buf.value
        for i in fonts:
            size.value = ctypes.sizeof(lf)
            get_font(c, i, lf_p, size_p)
            lf.lfHeight

    run.views = views  # type: ignore[attr-defined]  # the records stay pinned while the loop lives
    return run


def fresh_time(repeat: int, wall: bool, python_dir: Path, timed: str, before: str = "") -> float:
    """Median seconds of the statement ``timed`` in a fresh interpreter (after ``before``)."""
    now = "time.perf_counter()" if wall else "time.thread_time()"
    code = f"import time\n{before}\nt = {now}\n{timed}\nprint({now} - t)\n"
    # As a user imports it: compiled once, then from the cache (kept in a folder of this run's,
    # so that nothing is written beside the package).
    env = dict(os.environ, PYTHONPATH=str(python_dir), PYTHONPYCACHEPREFIX=PYCACHE)
    env.pop("PYTHONDONTWRITEBYTECODE", None)
    times = []
    for _ in range(repeat + 1):
        out = subprocess.run([sys.executable, "-c", code], env=env, check=True, capture_output=True, text=True)
        times.append(float(out.stdout.strip()))
    return statistics.median(times[1:])


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--repeat", type=int, default=15, help="runs of each measurement (median taken)")
    parser.add_argument("--reads", type=int, default=20, help="passes over every setting in one read run")
    parser.add_argument("--check", action="store_true", help="exit 1 when a goal is missed")
    parser.add_argument("--package", type=Path, default=PYTHON_DIR,
                        help="folder that holds the dmaccess package (default: python/ of this tree), "
                             "to compare another version of it")
    parser.add_argument("--wall", action="store_true", help="time on the clock instead of CPU time")
    args = parser.parse_args()
    global clock
    if args.wall:
        clock = time.perf_counter
    repeat, passes = max(1, args.repeat), max(1, args.reads)

    library = os.environ.setdefault("DMACCESS_LIBRARY", str(DEFAULT_LIBRARY))
    if not os.path.isfile(library):
        print(f"python_speed: no library at {library} (build the release preset or set DMACCESS_LIBRARY)",
              file=sys.stderr)
        return 2
    os.environ.pop("DMACTL_NAMES", None)
    with tempfile.TemporaryDirectory(prefix="python_speed-") as scratch:
        global PYCACHE
        PYCACHE = os.path.join(scratch, "pycache")
        return measure(args, library, repeat, passes)


def measure(args: argparse.Namespace, library: str, repeat: int, passes: int) -> int:
    sys.path.insert(0, str(args.package))

    imported = fresh_time(repeat, args.wall, args.package, "import dmaccess")
    first_use = fresh_time(repeat, args.wall, args.package, "from dmaccess import Records, to_json")
    import dmaccess as d

    records = d.Records.new()
    settings = list(records.settings())
    ids = [s.dma_id for s in settings]
    kinds = {s.dma_id: ("fax header" if s.fax_header else s.kind.value) for s in settings}

    def package_reads() -> None:
        for _ in range(passes):
            for i in ids:
                records[i]

    bare = bare_reader(records, ids, kinds)

    def bare_reads() -> None:
        for _ in range(passes):
            bare()

    # Interleaved, so that both see the same load of the machine.
    read_times, bare_times = [], []
    package_reads(), bare_reads()
    for _ in range(repeat):
        start = clock()
        package_reads()
        read_times.append(clock() - start)
        start = clock()
        bare_reads()
        bare_times.append(clock() - start)
    per_read = statistics.median(read_times) / (passes * len(ids))
    per_bare = statistics.median(bare_times) / (passes * len(ids))
    del bare

    with tempfile.TemporaryDirectory(prefix="python_speed-") as tmp:
        job = os.path.join(tmp, "job")
        records.save(job)
        loaded = d.Records.load(job)
        load = median_time(lambda: d.Records.load(job), repeat)
        # The first load in a process also reads the metadata file (the library is loaded before).
        first_load = fresh_time(repeat, args.wall, args.package, f"Records.load({job!r})",
                                "from dmaccess import Records, native\nnative.lib()")
        to_json = median_time(lambda: d.to_json(loaded), repeat)

    rows = [
        ("read", per_read * 1e6, "us", f"{len(ids)} settings"),
        ("bare ctypes read", per_bare * 1e6, "us", "the floor"),
        ("read / bare", per_read / per_bare, "x", ""),
        ("import", imported * 1e3, "ms", "import dmaccess, fresh interpreter"),
        ("import, first use", first_use * 1e3, "ms", "from dmaccess import Records, to_json"),
        ("load", load * 1e3, "ms", "Records.load"),
        ("first load", first_load * 1e3, "ms", "in a fresh process: metadata read too"),
        ("to_json", to_json * 1e3, "ms", ""),
    ]
    goals = dict(GOALS)
    missed = []
    what = "seconds on the clock" if args.wall else "CPU time"
    print(f"package {Path(d.__file__).parent}")
    print(f"library {library}, python {sys.version.split()[0]}, median of {repeat}, {what}")
    print(f"{'measure':<18}{'value':>10}  {'unit':<5}{'goal':>8}  {'result':<7}note")
    for name, value, unit, note in rows:
        goal = goals.get(name)
        result = "" if goal is None else ("PASS" if value <= goal else "MISS")
        if result == "MISS":
            missed.append(name)
        goal_text = "" if goal is None else f"<= {goal:g}"
        print(f"{name:<18}{value:>10.2f}  {unit:<5}{goal_text:>8}  {result:<7}{note}")
    if args.check and missed:
        print(f"missed: {', '.join(missed)}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
