#!/usr/bin/python3
"""Runs the README's Python example as written.

    run_readme_example.py README.md WORKDIR

Takes the first ```python block after the "## Python" heading, makes a fresh
record set "job" (as ``dmactl new job`` would) in WORKDIR and runs the block
there.  Exit status 1 when there is no such block or it fails.
"""

from __future__ import annotations

import os
import re
import shutil
import sys
from pathlib import Path


def example(readme: str) -> str:
    section = re.search(r"^## Python\s*$(.*?)(?=^## |\Z)", readme, re.M | re.S)
    block = re.search(r"^```python\n(.*?)^```", section.group(1), re.M | re.S) if section else None
    if not block:
        raise SystemExit("README.md: no ```python block under the \"## Python\" heading")
    return block.group(1)


def main() -> int:
    readme, work = Path(sys.argv[1]), Path(sys.argv[2])
    code = example(readme.read_text(encoding="utf-8"))
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    os.chdir(work)
    import dmaccess

    dmaccess.Records.new().save("job")
    exec(compile(code, f"{readme} (## Python)", "exec"), {"__name__": "__main__"})
    return 0


if __name__ == "__main__":
    sys.exit(main())
