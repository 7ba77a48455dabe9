"""Checks the page's script files (viewer/html/*.js), which the build joins into the body of
one function and from which it drops every line that starts with "//": no function longer
than 80 lines, no mutable variable (let, var) outside every function, no name declared at
the top level of two files (in the joined script they would be one name), and no string,
template literal or block comment running past its line (a line of one that starts with
"//" would be dropped).

    python3 scripts/js_functions.py [FILE.js ...]      (default: viewer/html/*.js)

Prints one line a finding and exits 1 when there is any. The scan knows the JavaScript the
page is written in: comments, strings, template literals with ${...} inside, and regular
expression literals where an operand may start (after an operator, an opening bracket, a
comma or a keyword). A function is a brace block after "=>" or after a parameter list that
is not the condition of if, for, while, switch or catch; its length counts from the line of
its parameters to the line of its closing brace.
"""

import re
import sys
from pathlib import Path

LONGEST = 80
CONTROL = {"if", "for", "while", "switch", "catch", "with"}
# After these a "/" starts a regular expression; after anything else it divides.
REGEX_AFTER = set("(,=:[!&|?{};+-*%<>~^") | {"=>", "return", "typeof", "case", "do", "else",
                                                "in", "of", "new", "delete", "void", "throw"}
WORD = re.compile(r"[A-Za-z0-9_$.]+")


class ScanError(Exception):
    """What stops the scan of a file, with the line where it starts."""

    def __init__(self, line, message):
        super().__init__(message)
        self.line = line


PAST_LINE = "runs past its line (the join drops lines that start with //)"


def skip_quoted(text, i, quote, line):
    """The index after the string that opens at text[i]."""
    j = i + 1
    while j < len(text) and text[j] != quote:
        if text[j] == "\\":
            j += 1
        if j < len(text) and text[j] == "\n":
            raise ScanError(line, "a string " + PAST_LINE)
        j += 1
    if j >= len(text):
        raise ScanError(line, "a string is not closed")
    return j + 1


def skip_template(text, j, line):
    """From inside a template literal at j: (index after it, True) at its closing backtick, or
    (index after "${", False) where an expression opens."""
    while j < len(text):
        if text[j] == "`":
            return j + 1, True
        if text.startswith("${", j):
            return j + 2, False
        if text[j] == "\\":
            j += 1
        if j < len(text) and text[j] == "\n":
            raise ScanError(line, "a template literal " + PAST_LINE)
        j += 1
    raise ScanError(line, "a template literal is not closed")


def skip_regex(text, i, line):
    j, in_class = i + 1, False
    while j < len(text) and text[j] != "\n":
        if text[j] == "\\":
            j += 2
            continue
        if text[j] == "/" and not in_class:
            j += 1
            while j < len(text) and text[j].isalpha():
                j += 1
            return j
        in_class = (in_class or text[j] == "[") and text[j] != "]"
        j += 1
    raise ScanError(line, "a regular expression is not closed")


def tokens(text):
    """(token, line) pairs: words, punctuation ("=>" as one), and '"' for any literal."""
    i, line, previous = 0, 1, None
    depth = 0  # open brackets, to find the brace that closes a template's ${
    templates = []  # the depth at which each open ${ began
    while i < len(text):
        c = text[i]
        start = i
        if c.isspace():
            i += 1
        elif text.startswith("//", i):
            i = text.find("\n", i) if "\n" in text[i:] else len(text)
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            if end < 0:
                raise ScanError(line, "a comment is not closed")
            if "\n" in text[i:end]:
                raise ScanError(line, "a block comment " + PAST_LINE)
            i = end + 2
        elif c in "'\"" or c == "`" or (c == "}" and templates and templates[-1] == depth):
            if c in "'\"":
                i, closed = skip_quoted(text, i, c, line), True
            else:
                if c == "}":
                    templates.pop()
                i, closed = skip_template(text, i + 1, line)
                if not closed:
                    templates.append(depth)
            if closed:
                previous = '"'
                yield previous, line
        elif c == "/" and (previous is None or previous in REGEX_AFTER):
            i = skip_regex(text, i, line)
            previous = '"'
            yield previous, line
        else:
            word = WORD.match(text, i)
            if word:
                previous = word.group()
            elif text.startswith("=>", i):
                previous = "=>"
            else:
                previous = c
                depth += (c in "([{") - (c in ")]}")
            i += len(previous)
            yield previous, line
        line += text.count("\n", start, i)
    if templates:
        raise ScanError(line, "a template literal is not closed")


def scan_file(text):
    """The findings of one file as (line, message), and the names it declares at its top
    level as (name, line)."""
    findings, names = [], []
    opens = []  # per open bracket: (bracket, line, opens a function, name)
    before_paren, paren_line = None, 0  # the token before the "(" of the last ")", its line
    last = prev_last = None
    for token, line in tokens(text):
        if token in ("let", "var") and not any(entry[2] for entry in opens):
            findings.append((line, f"'{token}' outside every function: keep state on the view"))
        if not opens and prev_last in ("function", "const", "class") and WORD.fullmatch(last):
            names.append((last, line))
        if token in ("(", "["):
            opens.append((token, line, False, last))
        elif token == "{":
            after_parameters = last == ")" and before_paren not in CONTROL
            if after_parameters:
                opens.append(("{", paren_line, True, before_paren))
            else:
                opens.append(("{", line, last == "=>", "=>"))
        elif token in (")", "]", "}"):
            if not opens or opens[-1][0] != {")": "(", "]": "[", "}": "{"}[token]:
                raise ScanError(line, f"'{token}' closes nothing")
            _, first, function, name = opens.pop()
            if token == ")":
                before_paren, paren_line = name, first
            length = line - first + 1
            if function and length > LONGEST:
                what = {"=>": "an arrow function", "function": "a function"}.get(name, name)
                findings.append((first, f"{what} is {length} lines, at most {LONGEST}"))
        prev_last, last = last, token
    if opens:
        raise ScanError(opens[-1][1], f"'{opens[-1][0]}' is not closed")
    return findings, names


def check(files):
    """Every finding of the files, as "FILE:LINE: message" lines."""
    problems, declared = [], {}
    for path in files:
        try:
            findings, names = scan_file(Path(path).read_text(encoding="utf-8"))
        except ScanError as error:
            problems.append(f"{path}:{error.line}: {error}")
            continue
        problems += [f"{path}:{line}: {message}" for line, message in findings]
        for name, line in names:
            if name in declared:
                problems.append(f"{path}:{line}: '{name}' is declared again (first {declared[name]})")
            else:
                declared[name] = f"{path}:{line}"
    return problems


def main(arguments):
    root = Path(__file__).resolve().parent.parent
    files = arguments or sorted(str(p) for p in (root / "viewer/html").glob("*.js"))
    if not files:
        print("no script files to check")
        return 1
    problems = check(files)
    for problem in problems:
        print(problem)
    if not problems:
        print(f"script: {len(files)} files, no function over {LONGEST} lines, no shared state")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
