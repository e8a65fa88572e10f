"""The metadata file against the header and the library it describes."""

from __future__ import annotations

import dataclasses
import re
from pathlib import Path

import dmaccess as d
from dmaccess import metadata

HEADER = (Path(__file__).resolve().parents[2] / "include" / "dmaccess" / "dmaccess.h").read_text(encoding="utf-8")


def test_version_and_result_codes_are_the_headers() -> None:
    assert d.__version__ == re.search(r'#define DMACCESS_VERSION_STRING "([^"]+)"', HEADER).group(1)  # type: ignore[union-attr]
    for cls in d.errors.ERROR_CLASSES:
        value = re.search(rf"#define {cls.NAME}\s+\((-\d+)\)", HEADER)
        assert value is not None and cls.CODE == int(value.group(1)), cls.NAME


def test_layouts_have_the_librarys_sizes() -> None:
    for cls in (d.Kind2Record, d.Kind3Record, d.Kind4Record, d.FaxDestination, d.Kind7Record):
        layout = cls.layout()
        assert layout.size == d.struct_size(cls.KIND) == len(cls().to_bytes())
        ends = [0] + [f.offset + f.width for f in layout.fields]
        assert all(ends[i] <= f.offset for i, f in enumerate(layout.fields)) and ends[-1] <= layout.size
    assert metadata.layout("faxBlock").size == d.struct_size(6)
    # Font's fields are the members in the structure's order, then the face name.
    assert [f.name for f in dataclasses.fields(d.Font)] == [m.name for m in metadata.font_members()] + ["face"]
