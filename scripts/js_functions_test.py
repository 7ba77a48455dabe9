"""Tests of js_functions.py, the check of the page's script files: each row is a file (or
two) and the findings expected, as (line, start of the message)."""

import tempfile
import unittest
from pathlib import Path

import js_functions


def body(lines):
    """lines − 2 statements: with the opening and closing lines, a block of that many."""
    return "    step();\n" * (lines - 2)


def function(head, lines, tail="}\n"):
    return f"{head}\n{body(lines)}{tail}"


# Inside a function, text whose braces, quotes and slashes are not code: scanned as code,
# they would end the function early or leave it open.
HIDDEN = r"""    const a = "}";
    const b = '{ \' }';
    // } a comment {
    /* a block comment, } and { */
    const c = `${a} } ${ { one: `${b}}` }["one"] } {`;
    const d = /^[/{}]+\}$/.test(c) ? (a.length + 1) / 2 : c.length / 2;
"""

CASES = [
    ("80 lines", [function("function f() {", 80)], []),
    ("81 lines", [function("function f() {", 81)], [(1, "f is 81 lines")]),
    ("arrow body", ["x.on('e', (event) => {\n" + body(81) + "});\n"], [(1, "an arrow function")]),
    ("anonymous", [function("const f = function (a) {", 81, "};\n")], [(1, "a function is 81")]),
    ("method", ["const o = {\n" + function("    locate(id) {", 81, "    },\n") + "};\n"],
     [(2, "locate is 81")]),
    ("parameters on lines of their own",
     ["function f(\n    a,\n    b\n) {\n" + body(79) + "}\n"], [(1, "f is 82 lines")]),
    ("blocks are no functions",
     ["if (a) {\n" + body(90) + "} else {\n" + body(90) + "}\n"
      + "for (const x of y) {\n" + body(90) + "}\n"
      + "const table = {\n" + body(90) + "};\n"
      + "try {\n" + body(90) + "} catch (error) {\n" + body(90) + "}\n"], []),
    ("nested", [function("function outer() {", 60).replace("    step();\n",
                                                       function("    function inner() {", 81), 1)],
     [(2, "inner is 81"), (1, "outer is 140")]),
    ("literals hide their braces",
     ["function f() {\n" + HIDDEN + body(81 - HIDDEN.count("\n")) + "}\n"], [(1, "f is 81")]),
    ("state outside functions",
     ["let count = 0;\nvar total = 0;\nconst LIMIT = 4;\n" + function("function f() {", 4)
      .replace("step();", "let x = 1;", 1)],
     [(1, "'let' outside"), (2, "'var' outside")]),
    ("a name in two files",
     [function("function draw() {", 3) + "const SIZE = 1;\n",
      "const SIZE = 2;\n" + function("function other() {", 3).replace("step();", "const draw = 1;")],
     [(1, "'SIZE' is declared again")]),
    ("unclosed brace", ["function f() {\n    if (a) {\n}\n"], [(1, "'{' is not closed")]),
    ("stray brace", ["const a = 1;\n}\n"], [(2, "'}' closes nothing")]),
    # The join drops lines that start with "//": every such line must be a comment.
    ("template over lines", ["const t = `${a}\n// b`;\n"], [(1, "a template literal runs past")]),
    ("string over lines", ["const s = 'a\\\n// b';\n"], [(1, "a string runs past")]),
    ("block comment over lines", ["/* a\n// b */\n"], [(1, "a block comment runs past")]),
]


class Check(unittest.TestCase):
    def test_cases(self):
        for name, files, expected in CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as directory:
                paths = []
                for k, text in enumerate(files):
                    paths.append(Path(directory) / f"file{k}.js")
                    paths[-1].write_text(text, encoding="utf-8")
                problems = js_functions.check(paths)
                self.assertEqual(len(problems), len(expected), problems)
                for problem, (line, message) in zip(problems, expected):
                    self.assertIn(f":{line}: {message}", problem)


if __name__ == "__main__":
    unittest.main()
