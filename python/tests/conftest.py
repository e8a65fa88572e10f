"""Fixtures: the built dmactl (DMACTL) and scratch folders.  The library comes from DMACCESS_LIBRARY."""

from __future__ import annotations

import os
import subprocess
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]

# Seconds one program that a test starts may run: ctest passes the build's
# limit, so that a hang fails its test at the call instead of stalling the
# run (run by hand, there is none).
_limit = os.environ.get("DMACCESS_PROGRAM_SECONDS")
PROGRAM_SECONDS = float(_limit) if _limit else None


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
