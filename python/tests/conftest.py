"""Fixtures: the built dmactl (DMACTL) and scratch folders.  The library comes from DMACCESS_LIBRARY."""

from __future__ import annotations

import faulthandler
import os
import subprocess
from collections.abc import Iterator
from pathlib import Path
from typing import TextIO

import pytest

REPO = Path(__file__).resolve().parents[2]

# Seconds one program that a test starts may run: ctest passes the build's
# limit, so that a hang fails at the call that hung instead of stalling the
# run (run by hand, there is none).  A test has twice as long: a program it
# started reaches its own limit first and is ended, rather than left behind
# by the end of the run.
_limit = os.environ.get("DMACCESS_PROGRAM_SECONDS")
PROGRAM_SECONDS = float(_limit) if _limit else None
TEST_SECONDS = 2 * PROGRAM_SECONDS if PROGRAM_SECONDS else None

_stderr: TextIO | None = None


def pytest_configure(config: pytest.Config) -> None:
    # Standard error as it is outside pytest's capture (suspended while
    # pytest configures), for the tracebacks of a test that hangs.
    global _stderr
    _stderr = open(os.dup(2), "w")


@pytest.fixture(autouse=True)
def _test_time_limit() -> Iterator[None]:
    # The library runs in this process, where no subprocess timeout reaches
    # it: a test that outlives the limit ends the run with every thread's
    # traceback, which names the test and the call that hung.
    if TEST_SECONDS is None or _stderr is None:
        yield
        return
    faulthandler.dump_traceback_later(TEST_SECONDS, exit=True, file=_stderr)
    try:
        yield
    finally:
        faulthandler.cancel_dump_traceback_later()


@pytest.fixture
def dmactl():  # type: ignore[no-untyped-def]
    tool = os.environ.get("DMACTL")
    if not tool:
        pytest.skip("DMACTL names no built dmactl")

    def run(*args: str, cwd: Path) -> str:
        return subprocess.run([tool, *args], check=True, capture_output=True, text=True, cwd=cwd,
                              timeout=PROGRAM_SECONDS).stdout

    return run


@pytest.fixture
def program_seconds() -> float | None:
    return PROGRAM_SECONDS


@pytest.fixture(autouse=True)
def _no_team_names(monkeypatch: pytest.MonkeyPatch, tmp_path: Path) -> None:
    # A team names file of the person running the tests must not change the outputs.
    monkeypatch.setenv("XDG_CONFIG_HOME", str(tmp_path / "config"))
    monkeypatch.delenv("DMACTL_NAMES", raising=False)
