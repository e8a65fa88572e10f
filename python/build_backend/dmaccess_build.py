"""The build backend of the dmaccess Python package (PEP 517), in-tree.

It needs nothing beyond the standard library, so that an offline
``pip install --no-build-isolation ./python`` works with any interpreter and
pip (no setuptools, no ``wheel`` package, no ``bdist_wheel`` command).

Also a command, for the release wheels that carry the library:

    dmaccess_build.py wheel OUTDIR [--library FILE] [--platform TAG]
    dmaccess_build.py sdist OUTDIR

``--library`` puts FILE into the package folder (``libdmaccess.so.1`` or
``dmaccess.dll``, under its own name); ``--platform`` is the wheel's
platform tag (``linux_x86_64``, ``win_amd64``).  Without a library the wheel
is pure (``py3-none-any``) and the package finds the library elsewhere
(dmaccess/native.py).  The package's version is the library's, from
dmaccess/dmaccess-metadata.json.
"""

from __future__ import annotations

import base64
import hashlib
import io
import json
import os
import re
import sys
import tarfile
import zipfile
from pathlib import Path
from typing import Any, Optional

SOURCE = Path(__file__).resolve().parent.parent  # python/
PACKAGE = "dmaccess"
# Files of the package folder that never go into a wheel or an sdist.
_SKIPPED = re.compile(r"(^|/)__pycache__(/|$)|\.py[co]$")
_LIBRARIES = re.compile(r"\.so(\.\d+)*$|\.dll$")
# Zip entries get a fixed time (or SOURCE_DATE_EPOCH's): the same input makes the same wheel.
_EPOCH = max(int(os.environ.get("SOURCE_DATE_EPOCH", "315532800")), 315532800)


def _project() -> dict[str, str]:
    """The plain ``key = "value"`` lines of pyproject.toml's [project] table."""
    fields: dict[str, str] = {}
    section = ""
    for line in (SOURCE / "pyproject.toml").read_text(encoding="utf-8").splitlines():
        header = re.match(r"^\[([^\]]+)\]\s*$", line)
        if header:
            section = header.group(1).strip()
            continue
        match = re.match(r'^(\w[\w-]*)\s*=\s*"([^"]*)"\s*$', line)
        if section == "project" and match:
            fields[match.group(1)] = match.group(2)
    return fields


def _version() -> str:
    doc = json.loads((SOURCE / PACKAGE / "dmaccess-metadata.json").read_text(encoding="utf-8"))
    return str(doc["library"]["version"])


def _metadata() -> str:
    project = _project()
    readme = (SOURCE / "README.md").read_text(encoding="utf-8")
    lines = [
        "Metadata-Version: 2.1",
        f"Name: {project.get('name', PACKAGE)}",
        f"Version: {_version()}",
        f"Summary: {project.get('description', '')}",
        "License: Proprietary",
        f"Requires-Python: {project.get('requires-python', '>=3.9')}",
        "Classifier: Programming Language :: Python :: 3",
        "Classifier: Typing :: Typed",
        "Description-Content-Type: text/markdown",
    ]
    return "\n".join(lines) + "\n\n" + readme


def _package_files(libraries: bool = True) -> list[tuple[str, Path]]:
    """(name in the archive, file) for every file of the package folder; a library copied there
    only when ``libraries``."""
    files = []
    for path in sorted((SOURCE / PACKAGE).rglob("*")):
        name = path.relative_to(SOURCE).as_posix()
        if path.is_file() and not _SKIPPED.search(name) and (libraries or not _LIBRARIES.search(name)):
            files.append((name, path))
    return files


def _digest(data: bytes) -> str:
    return "sha256=" + base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()


def _zip_entry(name: str, executable: bool = False) -> zipfile.ZipInfo:
    import time

    info = zipfile.ZipInfo(name, time.gmtime(_EPOCH)[:6])
    info.external_attr = (0o100755 if executable else 0o100644) << 16
    info.compress_type = zipfile.ZIP_DEFLATED
    return info


def make_wheel(outdir: str, library: Optional[str] = None, platform: Optional[str] = None) -> str:
    """Writes the wheel into outdir and returns its file name."""
    version = _version()
    tag = f"py3-none-{platform or 'any'}"
    dist_info = f"{PACKAGE}-{version}.dist-info"
    entries: list[tuple[str, bytes]] = [(name, path.read_bytes()) for name, path in _package_files()]
    if library:
        entries.append((f"{PACKAGE}/{Path(library).name}", Path(library).read_bytes()))
    pure = "false" if library else "true"
    entries.append((f"{dist_info}/METADATA", _metadata().encode()))
    entries.append((f"{dist_info}/WHEEL", (
        f"Wheel-Version: 1.0\nGenerator: dmaccess_build\nRoot-Is-Purelib: {pure}\nTag: {tag}\n").encode()))
    entries.append((f"{dist_info}/top_level.txt", f"{PACKAGE}\n".encode()))
    record = "".join(f"{name},{_digest(data)},{len(data)}\n" for name, data in entries)
    record += f"{dist_info}/RECORD,,\n"
    entries.append((f"{dist_info}/RECORD", record.encode()))

    filename = f"{PACKAGE}-{version}-{tag}.whl"
    os.makedirs(outdir, exist_ok=True)
    with zipfile.ZipFile(os.path.join(outdir, filename), "w") as archive:
        for name, data in entries:
            archive.writestr(_zip_entry(name, executable=bool(_LIBRARIES.search(name))), data)
    return filename


def make_sdist(outdir: str) -> str:
    """Writes the source archive (the package, its build files and tests) and returns its file name."""
    version = _version()
    top = f"{PACKAGE}-{version}"
    files: list[tuple[str, bytes]] = [("PKG-INFO", _metadata().encode())]
    for name in ("pyproject.toml", "README.md", "build_backend/dmaccess_build.py"):
        files.append((name, (SOURCE / name).read_bytes()))
    files += [(name, path.read_bytes()) for name, path in _package_files(libraries=False)]
    for path in sorted((SOURCE / "tests").glob("*.py")):
        files.append((path.relative_to(SOURCE).as_posix(), path.read_bytes()))
    filename = f"{top}.tar.gz"
    os.makedirs(outdir, exist_ok=True)
    raw = io.BytesIO()
    with tarfile.open(fileobj=raw, mode="w", format=tarfile.PAX_FORMAT) as archive:
        for name, data in files:
            info = tarfile.TarInfo(f"{top}/{name}")
            info.size, info.mtime, info.mode = len(data), _EPOCH, 0o644
            archive.addfile(info, io.BytesIO(data))
    import gzip

    with open(os.path.join(outdir, filename), "wb") as out:
        with gzip.GzipFile(fileobj=out, mode="wb", filename="", mtime=_EPOCH) as packed:
            packed.write(raw.getvalue())
    return filename


# ---- the PEP 517 hooks ----

def get_requires_for_build_wheel(config_settings: Optional[dict[str, Any]] = None) -> list[str]:
    return []


def get_requires_for_build_sdist(config_settings: Optional[dict[str, Any]] = None) -> list[str]:
    return []


def get_requires_for_build_editable(config_settings: Optional[dict[str, Any]] = None) -> list[str]:
    return []


def build_wheel(wheel_directory: str, config_settings: Optional[dict[str, Any]] = None,
                metadata_directory: Optional[str] = None) -> str:
    settings = config_settings or {}
    return make_wheel(wheel_directory, settings.get("library"), settings.get("platform"))


def build_sdist(sdist_directory: str, config_settings: Optional[dict[str, Any]] = None) -> str:
    return make_sdist(sdist_directory)


def build_editable(wheel_directory: str, config_settings: Optional[dict[str, Any]] = None,
                   metadata_directory: Optional[str] = None) -> str:
    """An editable install: a wheel holding only a .pth file naming this source folder."""
    version = _version()
    dist_info = f"{PACKAGE}-{version}.dist-info"
    entries = [
        (f"__editable__.{PACKAGE}.pth", f"{SOURCE}\n".encode()),
        (f"{dist_info}/METADATA", _metadata().encode()),
        (f"{dist_info}/WHEEL",
         b"Wheel-Version: 1.0\nGenerator: dmaccess_build\nRoot-Is-Purelib: true\nTag: py3-none-any\n"),
    ]
    record = "".join(f"{name},{_digest(data)},{len(data)}\n" for name, data in entries)
    entries.append((f"{dist_info}/RECORD", (record + f"{dist_info}/RECORD,,\n").encode()))
    filename = f"{PACKAGE}-{version}-py3-none-any.whl"
    os.makedirs(wheel_directory, exist_ok=True)
    with zipfile.ZipFile(os.path.join(wheel_directory, filename), "w") as archive:
        for name, data in entries:
            archive.writestr(_zip_entry(name), data)
    return filename


def main(argv: list[str]) -> int:
    import argparse

    parser = argparse.ArgumentParser(description="Builds the dmaccess wheel or sdist.")
    parser.add_argument("kind", choices=["wheel", "sdist"])
    parser.add_argument("outdir")
    parser.add_argument("--library", help="library file to put into the package folder")
    parser.add_argument("--platform", help="platform tag of the wheel (linux_x86_64, win_amd64)")
    args = parser.parse_args(argv)
    if args.kind == "wheel":
        print(make_wheel(args.outdir, args.library, args.platform))
    else:
        print(make_sdist(args.outdir))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
