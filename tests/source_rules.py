#!/usr/bin/env python3
"""The source tree's rules (ctest source_rules): source_rules.py [ROOT | --selftest].  Layers: a file in a folder
of src/ includes headers of its own folder, of the layers below, the files at src/ itself and dmaccess/dmaccess.h;
none of a layer above, nor of another folder of its layer but for the pairs in BESIDE.  Signatures: the signature
literals stand in the public header and the tests; no code of src/, tools/, python/ holds one (comments may)."""
import io, posixpath, re, sys
from pathlib import Path
from tokenize import COMMENT, DEDENT, INDENT, NEWLINE, NL, STRING, generate_tokens

LAYERS = [["api", "exports"], ["records", "docprop", "usersettings"], ["text", "engine"], ["catalogue"], ["platform"]]
RANK = {folder: -i for i, layer in enumerate(LAYERS) for folder in layer}
BESIDE = {("usersettings", "records")}  # the user-settings record is one of records/
INCLUDE = re.compile(r'^[ \t]*#[ \t]*include[ \t]*"([^"]+)"', re.M)
SIGNATURE = re.compile(r"ZOVA00[0-9]|NDEV00[1]")
C_TOKEN = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'', re.S)

def layering(src):
    """src: path below src/ -> text.  Yields a line for each include that breaks the layers."""
    for path, text in sorted(src.items()):
        folder = path.split("/")[0] if "/" in path else None
        for m in INCLUDE.finditer(text) if folder else ():
            name, line = m.group(1), text.count("\n", 0, m.start()) + 1
            near = posixpath.normpath(posixpath.join(posixpath.dirname(path), name))
            target = near if near in src else name
            other, where = target.split("/")[0], f"src/{path}:{line}: {folder} includes {name}"
            if name == "dmaccess/dmaccess.h" or ("/" not in target and target in src) or other == folder:
                continue
            if target not in src or folder not in RANK or other not in RANK:
                yield f"{where}, which is no file of src/ or in no layer"
            elif RANK[other] > RANK[folder]:
                yield f"{where}, a header of a layer above"
            elif RANK[other] == RANK[folder] and (folder, other) not in BESIDE:
                yield f"{where}, a header of another folder of its layer"

def code(path, text):
    """The text with its comments (and Python's docstrings) blanked out, lines kept."""
    spans = [] if path.endswith(".py") else [m.span() for m in C_TOKEN.finditer(text) if m.group(0)[0] == "/"]
    starts, before = [0] + [m.end() for m in re.finditer("\n", text)], NEWLINE
    for t in generate_tokens(io.StringIO(text).readline) if path.endswith(".py") else ():
        if t.type == COMMENT or (t.type == STRING and before in (NEWLINE, INDENT, DEDENT)):
            spans.append((starts[t.start[0] - 1] + t.start[1], starts[t.end[0] - 1] + t.end[1]))
        before = before if t.type in (NL, COMMENT) else t.type
    for s, e in spans:
        text = text[:s] + re.sub(r"[^\n]", " ", text[s:e]) + text[e:]
    return text

def signatures(files):
    """files: path -> text.  A line for each signature literal in code."""
    return [f"{path}:{n}: {m.group(0)}" for path, text in sorted(files.items())
            for n, line in enumerate(code(path, text).splitlines(), 1) for m in SIGNATURE.finditer(line)]

def read(root, folder, suffixes=(".h", ".hpp", ".c", ".cpp", ".def", ".py")):
    return {p.relative_to(root).as_posix(): p.read_text("utf-8", "replace") for p in sorted((root / folder).rglob("*"))
            if p.suffix in suffixes and p.is_file() and not {"build", "__pycache__"} & set(p.parts)}

def selftest():
    src = {"common.h": "", "catalogue/setting.h": '#include "common.h"\n', "records/r.h": "",
           "engine/engine.h": '#include "catalogue/setting.h"\n#include "dmaccess/dmaccess.h"\n',
           "catalogue/lookup.cpp": '#include "setting.h"\n\n#include "engine/engine.h"\n',
           "docprop/format.cpp": '#include "usersettings/us.h"\n', "usersettings/us.h": '#include "records/r.h"\n'}
    files = {"a.cpp": '// "ZOVA00' '2"\n/* NDEV00' '1 */ auto s = "ZOVA00' '1";\n',
             "a.py": '"""NDEV00' '1"""\nS = "ZOVA00' '2"  # ZOVA00' '1\n'}
    return [p.split(": ")[0] for p in layering(src)] == ["src/catalogue/lookup.cpp:3", "src/docprop/format.cpp:1"] \
        and [p.split(": ")[0] for p in signatures(files)] == ["a.cpp:2", "a.py:2"]

def main(args):
    if not selftest():
        return print("source_rules.py: the check fails on its own small tree") or 2
    if args == ["--selftest"]:
        return 0
    root = Path(args[0]) if args else Path(__file__).resolve().parent.parent
    src = {path[len("src/"):]: text for path, text in read(root, "src").items()}
    files = {p: t for d in ("src", "tools", "python") for p, t in read(root, d).items()
             if not p.endswith(".def") and not p.startswith("python/tests/")}
    problems = list(layering(src)) + signatures(files)
    print("\n".join(problems + [f"source rules: {len(problems)} problems"]))
    return 1 if problems else 0

if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
