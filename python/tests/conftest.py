"""Fixtures: the built dmactl (DMACTL) and scratch folders.  The library comes from DMACCESS_LIBRARY."""

from __future__ import annotations

import os
import subprocess
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]


@pytest.fixture
def dmactl():  # type: ignore[no-untyped-def]
    tool = os.environ.get("DMACTL")
    if not tool:
        pytest.skip("DMACTL names no built dmactl")

    def run(*args: str, cwd: Path) -> str:
        return subprocess.run([tool, *args], check=True, capture_output=True, text=True, cwd=cwd).stdout

    return run


@pytest.fixture(autouse=True)
def _no_team_names(monkeypatch: pytest.MonkeyPatch, tmp_path: Path) -> None:
    # A team names file of the person running the tests must not change the outputs.
    monkeypatch.setenv("XDG_CONFIG_HOME", str(tmp_path / "config"))
    monkeypatch.delenv("DMACTL_NAMES", raising=False)
