"""The page's script as the tool writes it, no browser needed: it is the files of
viewer/html/ joined in the order embed.cmake lists them, every one of them once and without
its whole-line comments, and the page's content security policy names the hash of exactly
that script (a browser runs no other). Usage: page_script_test.py PATH/TO/quorvane SOURCE_DIR
"""

import base64
import hashlib
import json
import re
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

TOOL = sys.argv.pop(1) if len(sys.argv) > 1 else None
SOURCE = Path(sys.argv.pop(1)) if len(sys.argv) > 1 else None


def inline_scripts(page):
    """The texts of the page's <script> elements that run: those with no type."""
    return [m.group(1) for m in re.finditer(rb"<script>(.*?)</script>", page, re.S)]


class PageScript(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.directory = tempfile.TemporaryDirectory()
        work = Path(cls.directory.name)
        runs = {
            "karate": ["-input", str(SOURCE / "examples/karate.txt"), "-bckgnd", "white"],
            "lesmis": ["-input", str(SOURCE / "tests/data/lesmis.txt"), "-names",
                       str(SOURCE / "tests/data/lesmis_names.txt")],
        }
        cls.pages = {}
        for name, args in runs.items():
            run = subprocess.run([TOOL, *args, "-render", "html", "-output", name], cwd=work,
                                 capture_output=True)
            assert run.returncode == 0 and run.stderr == b"", run.stdout + run.stderr
            cls.pages[name] = (work / f"{name}.html").read_bytes()

    @classmethod
    def tearDownClass(cls):
        cls.directory.cleanup()

    def test_policy_names_the_hash_of_the_script(self):
        for name, page in self.pages.items():
            policy = re.findall(rb"script-src 'sha256-([A-Za-z0-9+/]{43}=)'", page)
            scripts = inline_scripts(page)
            self.assertEqual(len(policy), 1, name)
            self.assertEqual(len(scripts), 1, name)
            digest = base64.b64encode(hashlib.sha256(scripts[0]).digest())
            self.assertEqual(policy[0], digest, name)

    def test_small_pages_keep_to_the_size_bound(self):
        # 40 bytes a vertex, 16 a drawn edge, the labels and 64 KiB: on a small network the
        # script and the style are most of the page.
        for name, page in self.pages.items():
            start = page.index(b">", page.index(b'id="quorvane-data"')) + 1
            data = json.loads(page[start : page.index(b"</script>", start)])
            labels = sum(len(label.encode("utf-8")) for label in data["labels"])
            bound = 40 * data["vertices"] + 16 * data["edges"] + labels + 64 * 1024
            self.assertLessEqual(len(page), bound, name)

    def test_script_is_the_listed_files_joined_in_order(self):
        # A run's page carries none of the file's data (those pages are tested in a browser):
        # its script leaves out the file-data files and the file-data runs of the others.
        html = SOURCE / "viewer/html"
        embed = (html / "embed.cmake").read_text(encoding="utf-8")
        listed, file_data = (
            re.search(r"set\(%s\s([^)]*)\)" % name, embed).group(1).split()
            for name in ("QUORVANE_PAGE_SCRIPTS", "QUORVANE_PAGE_FILE_SCRIPTS")
        )
        self.assertEqual(sorted(listed + file_data), sorted(p.name for p in html.glob("*.js")))
        script = inline_scripts(self.pages["karate"])[0]
        at = 0
        for name in listed:
            lines, inside = [], False
            for line in (html / name).read_bytes().split(b"\n"):
                bare = line.strip()
                inside = (inside or bare == b"// file data {") and bare != b"// } file data"
                if not inside and not bare.startswith(b"//"):
                    lines.append(line)
            text = b"\n".join(lines)
            self.assertTrue(text.strip(), name)
            self.assertEqual(script.count(text), 1, name)
            self.assertGreater(script.index(text), at, name)
            at = script.index(text) + len(text)
        self.assertTrue(script.rstrip().endswith(b"})();"))
        # Comments stay in the sources: the only whole-line ones left name the files.
        comments = [line for line in script.split(b"\n") if line.lstrip().startswith(b"//")]
        self.assertEqual(len(comments), len(listed) + 1)


if __name__ == "__main__":
    if TOOL is None or SOURCE is None:
        sys.exit("usage: page_script_test.py PATH/TO/quorvane SOURCE_DIR")
    unittest.main(verbosity=2)
