#!/usr/bin/env python3
"""Tests of tools/mutate's site finder: where it plants faults and what it
plants there, on snippets of C++ written for the purpose."""
import importlib.machinery
import importlib.util
import os
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
loader = importlib.machinery.SourceFileLoader("mutate", os.path.join(HERE, "mutate"))
module_spec = importlib.util.spec_from_loader("mutate", loader)
mutate = importlib.util.module_from_spec(module_spec)
loader.exec_module(mutate)


def sites(code):
    """(line, before, after) of every site in `code`."""
    with tempfile.TemporaryDirectory() as tree:
        mutate.TREE = tree
        path = os.path.join(tree, "snippet.cpp")
        with open(path, "w") as f:
            f.write(code)
        return [(s.line, s.before, s.after) for s in mutate.find_sites(path)]


class SiteFinder(unittest.TestCase):
    # (name, code, expected sites)
    CASES = [
        ("comparisons", "bool f(int a) { return a < 2 || a >= 9; }",
         [(1, "<", "<="), (1, "||", "&&"), (1, ">=", ">")]),
        ("equality and plus one", "int g(int a) { return a == 3 ? a + 1 : a - 1; }",
         [(1, "==", "!="), (1, "+ 1", "- 1"), (1, "- 1", "+ 1")]),
        ("ten is not one", "int h(int a) { return a + 10; }", []),
        ("boolean returns", "bool t() {\n    return true;\n}\nbool u() { return false; }",
         [(2, "true", "false"), (4, "false", "true")]),
        ("line comment", "int x = 1;  // a < b && c == d", []),
        ("block comment", "/* a < b\n   c == d */ int y;", []),
        ("string and character", 'const char *s = "a < b"; char c = \'<\';', []),
        ("raw string", 'const char *r = R"x(a == b)x";', []),
        ("digit separator", "bool big(long n) { return n > 1'000'000 && n < 2'000; }",
         [(1, ">", ">="), (1, "&&", "||"), (1, "<", "<=")]),
        ("template brackets", "std::array<int, 3> a;\nstd::vector<std::pair<int, int>> v;", []),
        ("static_assert over lines", "static_assert(a < b &&\n              c == d);\nint z = e < f;",
         [(3, "<", "<=")]),
        ("preprocessor", "#include <a.h>\n#if A == 1\n#define B(x) (x < 2 && \\\n  x > 0)\n#endif",
         []),
        ("call statements", "void k() {\n    memmove(a, b, n);\n    s.Put(c);\n    p->Flush();\n}",
         [(2, "call", "removed"), (3, "call", "removed"), (4, "call", "removed")]),
        ("not call statements",
         "void m() {\n    int x(3);\n    return f(x);\n    g(a,\n      b);\n    if (h(x)) q();\n}",
         []),
        ("statement under an if", "void n() {\n    if (a)\n        Reset(b);\n}",
         [(3, "call", "removed")]),
    ]

    def test_sites(self):
        for name, code, expected in self.CASES:
            with self.subTest(name):
                self.assertEqual(sites(code), expected)

    def test_planted_text(self):
        code = "int f(int a) {\n    if (a < 2) Log(a);\n    Log(a);\n    return a;\n}\n"
        planted = {}
        with tempfile.TemporaryDirectory() as tree:
            mutate.TREE = tree
            path = os.path.join(tree, "f.cpp")
            with open(path, "w") as f:
                f.write(code)
            for s in mutate.find_sites(path):
                planted[(s.line, s.before)] = mutate.apply_site(code, s).split("\n")[s.line - 1]
        self.assertEqual(planted, {(2, "<"): "    if (a <= 2) Log(a);", (3, "call"): "    ;"})


class Equivalents(unittest.TestCase):
    def test_entry_forms(self):
        line = mutate.EQUIV_LINE.match
        self.assertEqual(line("src/a.cpp:12 < -> <= - why").groups(),
                         ("src/a.cpp", "12", None, "<", "<=", "why"))
        self.assertEqual(line("src/a.cpp:12:7 call -> removed - it does nothing").groups()[:5],
                         ("src/a.cpp", "12", "7", "call", "removed"))
        self.assertIsNone(line("src/a.cpp:12 < -> <="))  # a reason is required


if __name__ == "__main__":
    unittest.main()
