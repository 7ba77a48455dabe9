"""The interactive page in headless Chromium: pages written by the fixture program
(make_pages.cpp) and by real runs of the tool are loaded from file:// and checked through
window.quorvane, real pointer input and screenshots.
Usage: page_test.py PATH/TO/page_fixtures PATH/TO/quorvane SOURCE_DIR

Exits 77 (skipped) when Chromium is not installed; any other missing piece is a failure.
"""

import base64
import json
import math
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib
from pathlib import Path

import chromium

if chromium.CHROMIUM is None:
    print("chromium is not installed: the page's browser tests are skipped")
    sys.exit(77)

from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.actions.action_builder import ActionBuilder  # noqa: E402
from selenium.webdriver.common.actions.wheel_input import ScrollOrigin  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402

FIXTURES = sys.argv.pop(1) if len(sys.argv) > 1 else None
TOOL = sys.argv.pop(1) if len(sys.argv) > 1 else None
SOURCE = Path(sys.argv.pop(1)) if len(sys.argv) > 1 else None

# What make_pages.cpp put in small.html: id -> (label, community number, colour).
RED, BLUE, GREEN = (255, 51, 51), (51, 51, 255), (51, 255, 51)
SMALL = {
    1: ("Alpha", 1, RED),
    3: ("Charlie", 1, RED),
    10: ("Foxtrot", 2, BLUE),
    12: ("Hotel", 2, BLUE),
    20: ("Juliett", 3, GREEN),
    22: ("12 Monkeys", 3, GREEN),
}
# hostile.html: id -> the label as the page must show it (cleaned as the SVG scene does).
HOSTILE = {
    1: '<img src=x onerror="window.pwned=1">',
    2: "</script><script>window.pwned=2</script>",
    3: "<!-- <script>window.pwned=3</script>",
    4: "line\u2028sep\u2029end",
    5: "\"quotes\" 'single' \\back\\slash",
    6: "ctrl[31mred",
    7: "bad??utf?",
    8: "]}</SCRIPT ><script>window.pwned=8</script>",
    9: "&amp; &lt;b&gt; ${window.pwned=9} `tick`",
    10: '\\u003c/script> \\" end',
}


def read_names(path):
    """id -> label of a names file of 'id "label"' lines."""
    names = {}
    for line in path.read_text(encoding="utf-8").splitlines():
        vertex, label = line.split(" ", 1)
        names[int(vertex)] = label.strip().strip('"')
    return names


LESMIS = read_names(SOURCE / "tests/data/lesmis_names.txt") if SOURCE else {}


def decode_png(data):
    """Pixels of an 8-bit, non-interlaced RGB or RGBA PNG as rows of (r, g, b) tuples."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    at, packed = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at : at + 8])
        body = data[at + 8 : at + 8 + length]
        at += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and interlace == 0 and colour in (2, 6)
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            packed += body
    raw = zlib.decompress(packed)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1 : (y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                guess = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + guess) & 255
        rows.append([tuple(line[x * channels : x * channels + 3]) for x in range(width)])
        previous = line
    return rows


def close(colour, expected, tolerance=3):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


class Browser(unittest.TestCase):
    """A headless Chromium for the pages a class makes in its own directory (make_pages)."""

    @classmethod
    def setUpClass(cls):
        cls.pages = Path(tempfile.mkdtemp(prefix="quorvane-page-"))
        cls.make_pages()
        cls.driver = chromium.start(cls.pages / "profile", 1000, 700, logs=True)

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        shutil.rmtree(cls.pages, ignore_errors=True)

    def open(self, name):
        """Loads a page and waits for its first frame; returns the console and network logs."""
        self.driver.get_log("browser")
        self.driver.get_log("performance")
        url = (self.pages / name).as_uri()
        self.driver.get(url)
        drawn = self.driver.execute_async_script(
            "const done = arguments[arguments.length - 1];"
            "window.quorvane.ready.then(t => done(t), e => done('failed: ' + e));"
        )
        self.assertIsInstance(drawn, (int, float), drawn)
        return url

    def js(self, expression, *args):
        return self.driver.execute_script("return " + expression, *args)

    def locate(self, vertex):
        point = self.js("quorvane.locate(arguments[0])", vertex)
        self.assertIsNotNone(point, f"vertex {vertex} is not on screen")
        return point["x"], point["y"]

    def shot(self, x=0, y=0, width=None, height=None, scale=1):
        """The rendered pixels of a viewport rectangle (CSS pixels), scaled down by scale."""
        width = width or self.js("innerWidth")
        height = height or self.js("innerHeight")
        clip = {"x": x, "y": y, "width": width, "height": height, "scale": scale}
        taken = self.driver.execute_cdp_cmd("Page.captureScreenshot", {"format": "png", "clip": clip})
        return decode_png(base64.b64decode(taken["data"]))

    def pixel(self, x, y):
        return self.shot(int(x), int(y), 1, 1)[0][0]

    def hover(self, x, y):
        action = ActionBuilder(self.driver)
        action.pointer_action.move_to_location(int(round(x)), int(round(y)))
        action.perform()

    def free_centre(self):
        """The middle of the stage part that no panel covers."""
        return self.js(
            "(() => { const bar = document.getElementById('toolbar').getBoundingClientRect();"
            " const side = document.getElementById('side').getBoundingClientRect();"
            " return [side.left / 2, (bar.bottom + innerHeight) / 2]; })()"
        )

    def assert_discs_inside(self, colours):
        """The community picture shows one disc of each colour, whole, inside the part of the
        stage that no panel covers."""
        top = int(self.js("document.getElementById('toolbar').getBoundingClientRect().bottom")) + 1
        right = int(self.js("document.getElementById('side').getBoundingClientRect().left"))
        rows = self.shot(0, top, right, self.js("innerHeight") - top)
        for colour in colours:
            discs = blobs(rows, colour)
            self.assertEqual(len(discs), 1, colour)
            xs = [p[0] for p in discs[0]]
            ys = [p[1] for p in discs[0]]
            inside = min(xs) > 0 and min(ys) > 0 and max(xs) < right - 1 and max(ys) < len(rows) - 1
            self.assertTrue(inside, (colour, min(xs), min(ys), max(xs), max(ys)))

    def quiet_load(self, name):
        """Loads a page and checks it logged no error or warning and asked for nothing."""
        url = self.open(name)
        self.js("quorvane.redraw()")
        console = [e for e in self.driver.get_log("browser") if e["level"] in ("SEVERE", "WARNING")]
        self.assertEqual(console, [], name)
        requests = []
        for entry in self.driver.get_log("performance"):
            message = entry["message"]
            if '"Network.requestWillBeSent"' in message and url not in message:
                requests.append(message[:300])
        self.assertEqual(requests, [], name)


class Page(Browser):
    @classmethod
    def make_pages(cls):
        made = subprocess.run([FIXTURES, str(cls.pages)], cwd=cls.pages, capture_output=True)
        assert made.returncode == 0, made.stdout + made.stderr

    def test_loads_without_errors_or_requests(self):
        for name in ("small.html", "hostile.html"):
            self.quiet_load(name)

    def test_vertex_shows_its_colour_and_tooltip(self):
        self.open("small.html")
        at = {vertex: self.locate(vertex) for vertex in SMALL}
        for vertex, (_, _, colour) in SMALL.items():
            seen = self.pixel(*at[vertex])
            self.assertTrue(close(seen, colour), (vertex, seen, colour))
        for vertex, (label, community, _) in SMALL.items():
            self.hover(*at[vertex])
            lines = self.js("quorvane.tooltip()").split("\n")
            self.assertEqual(lines[0], label)
            self.assertIn(f"id {vertex}", lines)
            self.assertIn(f"community {community} (", lines[2])
        self.hover(2, self.js("innerHeight") - 2)  # a corner far from every vertex
        self.assertIsNone(self.js("quorvane.tooltip()"))
        self.assertIsNone(self.js("quorvane.locate(999)"))

    def test_search_orders_matches_and_centres_the_first(self):
        self.open("small.html")
        # Exact id, exact label (case aside), then labels starting with the text; by id.
        self.assertEqual(self.js("quorvane.search('bravo')"), [2, 5, 13])
        self.assertEqual(self.js("quorvane.search('12')"), [12, 21, 22])
        self.assertEqual(self.js("quorvane.search(' BRAVO t')"), [13])
        self.assertEqual(self.js("quorvane.search('zulu')"), [])
        # Anywhere in a label or an id, after those: the id, then labels holding the text.
        self.assertEqual(self.js("quorvane.search('1')"), [1, 21, 22, 10, 11, 12, 13])
        self.assertEqual(self.js("quorvane.search('2')"), [2, 12, 20, 21, 22, 23])
        self.assertEqual(self.js("quorvane.search('O')"), [2, 5, 10, 11, 12, 13, 22])
        self.assertEqual(self.js("quorvane.search('LIE')"), [3, 20])
        self.assertEqual(self.js("quorvane.search('Charlie')"), [3])
        x, y = self.locate(3)
        centre = self.free_centre()
        self.assertLess(math.hypot(x - centre[0], y - centre[1]), 2)
        self.assertTrue(self.js("quorvane.tooltip()").startswith("Charlie\nid 3\n"))
        # The box: typing lists the matches, Enter chooses the first.
        box = self.driver.find_element(By.ID, "search")
        box.clear()
        box.send_keys("golf")
        time.sleep(0.3)
        listed = [item.text for item in self.driver.find_elements(By.CSS_SELECTOR, "#matches li")]
        self.assertEqual(listed, ["Golf id 11"])
        box.send_keys("\n")
        time.sleep(0.5)  # the user's choice moves the view over a quarter of a second
        x, y = self.locate(11)
        self.assertLess(math.hypot(x - centre[0], y - centre[1]), 2)

    def test_file_data_shows_in_the_tooltip(self):
        self.quiet_load("file.html")
        # Past the four lines every vertex has: the file id where it is not the label, then
        # the first eight attributes that have a value, cut at 256 bytes.
        expected = {
            0: ["Oscar", "file id n0"],
            1: ["Alpha", "file id n1", "a0: " + "w" * 256 + "\u2026"]
            + [f"a{c}: v{c}" for c in range(1, 8)],
            2: ["Bravo", "a1: only"],
            3: ["Charlie", "file id n3"],
        }
        for vertex, (label, *rest) in expected.items():
            self.hover(*self.locate(vertex))
            lines = self.js("quorvane.tooltip()").split("\n")
            self.assertEqual(lines[:2], [label, f"id {vertex}"])
            self.assertEqual(lines[4:], rest, vertex)

    def test_search_finds_isolated_vertices_and_file_ids(self):
        self.open("file.html")
        isolated = "isolated, not drawn"
        self.assertEqual(self.js("quorvane.search('zulu')"), [4])
        self.assertEqual(self.js("quorvane.tooltip()"), f"Zulu\nid 4\n{isolated}\nfile id z9\na1: far")
        self.assertEqual(self.js("quorvane.search('Z9')"), [4])
        self.assertEqual(self.js("quorvane.search('yankee')"), [5])
        self.assertEqual(self.js("quorvane.tooltip()"), f"Yankee\nid 5\n{isolated}")
        self.assertIsNone(self.js("quorvane.locate(5)"))
        # A drawn vertex by its file id; file ids rank as labels do, isolated labels with them.
        self.assertEqual(self.js("quorvane.search('n1')"), [1])
        self.assertTrue(self.js("quorvane.tooltip()").startswith("Alpha\nid 1\n"))
        self.assertEqual(self.js("quorvane.search('n')"), [0, 1, 3, 5])
        self.assertEqual(self.js("quorvane.search('o')"), [0, 2])
        # The box lists it as not drawn, and Enter opens its tooltip without moving the view.
        box = self.driver.find_element(By.ID, "search")
        box.clear()
        box.send_keys("zul")
        time.sleep(0.3)
        listed = [item.text for item in self.driver.find_elements(By.CSS_SELECTOR, "#matches li")]
        self.assertEqual(listed, [f"Zulu id 4 \u00b7 {isolated}"])
        before = self.locate(1)
        box.send_keys("\n")
        time.sleep(0.5)
        self.assertEqual(self.js("quorvane.tooltip()").split("\n")[:3], ["Zulu", "id 4", isolated])
        self.assertFalse(self.js("document.getElementById('tooltip').hidden"))
        self.assertEqual(self.locate(1), before)

    def test_legend_highlights_and_edges_hide(self):
        self.open("small.html")
        rows = self.driver.find_elements(By.CSS_SELECTOR, "#legend-list li")
        self.assertEqual([row.text.split()[0] for row in rows], ["1", "2", "3"])
        rows[1].click()  # community 2, blue
        at = {vertex: self.locate(vertex) for vertex in (1, 10, 20)}
        self.assertTrue(close(self.pixel(*at[10]), BLUE))
        for vertex in (1, 20):
            dimmed = self.pixel(*at[vertex])
            self.assertLess(sum(dimmed), sum(SMALL[vertex][2]) / 3, (vertex, dimmed))
        rows[1].click()
        self.assertTrue(close(self.pixel(*at[1]), RED))
        # The middle of edge 10-12 shows the edge, then the background.
        (x1, y1), (x2, y2) = self.locate(10), self.locate(12)
        middle = ((x1 + x2) / 2, (y1 + y2) / 2)
        self.assertGreater(self.pixel(*middle)[2], 20)
        self.driver.find_element(By.ID, "edges-shown").click()
        self.assertTrue(close(self.pixel(*middle), (0, 0, 0)))

    def test_community_picture_has_one_disc_each_and_leads_back(self):
        self.open("small.html")
        self.assertTrue(self.js("quorvane.show('communities')"))
        right = int(self.js("document.getElementById('side').getBoundingClientRect().left"))
        rows = self.shot(0, 0, right, self.js("innerHeight"), scale=0.5)
        for colour in (RED, BLUE, GREEN):
            discs = blobs(rows, colour)
            self.assertEqual(len(discs), 1, colour)
        # Clicking the green disc shows the vertex picture centred on its community.
        x, y = centroid(blobs(rows, GREEN)[0])
        ActionChains(self.driver).move_by_offset(0, 0).perform()
        action = ActionBuilder(self.driver)
        action.pointer_action.move_to_location(int(2 * x), int(2 * y)).click()
        action.perform()
        time.sleep(0.6)  # the user's click moves the view over a quarter of a second
        self.assertEqual(self.driver.find_element(By.ID, "picture").text, "Communities")
        for vertex in (20, 22):
            self.assertTrue(close(self.pixel(*self.locate(vertex)), GREEN))

    def test_community_picture_fits_whatever_the_zoom(self):
        self.open("small.html")
        self.assertTrue(self.js("quorvane.select(5)"))  # zoomed in on the close pair
        for _ in range(6):
            x, y = self.locate(5)
            ActionChains(self.driver).scroll_from_origin(
                ScrollOrigin.from_viewport(int(x), int(y)), 0, -300
            ).perform()
        self.js("quorvane.redraw()")
        before = self.locate(5)
        self.driver.find_element(By.ID, "picture").click()
        self.assertEqual(self.driver.find_element(By.ID, "picture").text, "Vertices")
        self.assert_discs_inside((RED, BLUE, GREEN))
        # Back to the vertices as they were left.
        self.driver.find_element(By.ID, "picture").click()
        after = self.locate(5)
        self.assertLess(math.hypot(after[0] - before[0], after[1] - before[1]), 1)

    def test_pan_zoom_and_fit(self):
        self.open("small.html")

        def gap():  # vertices 4 and 5 lie 0.002 scene units apart
            (ax, ay), (bx, by) = self.locate(4), self.locate(5)
            return math.hypot(ax - bx, ay - by)

        fitted = gap()
        x, y = self.locate(1)
        ActionChains(self.driver).move_to_element_with_offset(
            self.driver.find_element(By.ID, "overlay-layer"), 0, 0
        ).perform()
        action = ActionBuilder(self.driver)
        action.pointer_action.move_to_location(int(x), int(y)).pointer_down()
        action.pointer_action.move_to_location(int(x) + 60, int(y) - 40).pointer_up()
        action.perform()
        moved = self.locate(1)
        self.assertLess(math.hypot(moved[0] - x - 60, moved[1] - y + 40), 2)
        for _ in range(25):  # each step zooms in at the pair's current place
            px, py = self.locate(4)
            ActionChains(self.driver).scroll_from_origin(
                ScrollOrigin.from_viewport(int(px), int(py)), 0, -300
            ).perform()
            self.js("quorvane.redraw()")
        self.assertGreaterEqual(gap() / fitted, 1000)
        ActionChains(self.driver).double_click(self.driver.find_element(By.ID, "overlay-layer")).perform()
        time.sleep(0.6)
        self.assertAlmostEqual(gap() / fitted, 1, delta=0.01)

    def test_hostile_labels_are_text(self):
        self.open("hostile.html")
        self.assertIsNone(self.js("window.pwned"))
        self.assertEqual(self.js("document.title"), "</title><script>window.pwned=10</script> \u00b7 Quorvane")
        self.assertEqual(self.js("document.querySelectorAll('script').length"), 2)
        self.assertEqual(self.js("document.querySelectorAll('img, iframe, object, embed').length"), 0)
        for vertex, label in HOSTILE.items():
            self.assertTrue(self.js("quorvane.select(arguments[0])", vertex))
            self.assertEqual(self.js("quorvane.tooltip()").split("\n")[0], label)
            self.assertEqual(self.js("document.querySelectorAll('#tooltip *').length"), 4)
            self.assertEqual(self.js("quorvane.search(arguments[0])", label)[0], vertex)
        self.assertIsNone(self.js("window.pwned"))
        console = [e for e in self.driver.get_log("browser") if e["level"] == "SEVERE"]
        self.assertEqual(console, [])


class RunPages(Browser):
    """Pages that real runs of the tool wrote (-render html), of the bundled karate club, of
    Les Miserables with its names, and of karate with hostile names."""

    HOSTILE_NAMES = (
        '0 "<img src=x onerror=window.pwned=1>"\n'
        '1 "</script><script>window.pwned=2</script>"\n'
        '2 "<!-- \u2028 -->"\n'.encode("utf-8")
        + b"3 \x01\xff\xfe\n"
        + b"4 it's&amp;\n"
    )

    @classmethod
    def make_pages(cls):
        (cls.pages / "hostile.txt").write_bytes(cls.HOSTILE_NAMES)
        runs = {
            "karate": ["-input", str(SOURCE / "examples/karate.txt"), "-names"],
            "lesmis": ["-input", str(SOURCE / "tests/data/lesmis.txt"), "-names",
                       str(SOURCE / "tests/data/lesmis_names.txt")],
            "hostile": ["-input", str(SOURCE / "examples/karate.txt"), "-names", "hostile.txt"],
        }
        for name, args in runs.items():
            run = subprocess.run([TOOL, *args, "-render", "html", "-output", name], cwd=cls.pages,
                                 capture_output=True)
            assert run.returncode == 0 and run.stderr == b"", run.stdout + run.stderr
            assert b"\tGenerating .html file...\n" in run.stdout, run.stdout

    def data(self, name):
        """The data block of a page file: its communities' palette and settings."""
        text = (self.pages / name).read_text(encoding="utf-8")
        start = text.index(">", text.index('id="quorvane-data"')) + 1
        return json.loads(text[start : text.index("</script>", start)])

    def community_colour(self, name, vertex):
        """The colour of the vertex's community, from the tooltip's number and the data."""
        self.assertTrue(self.js("quorvane.select(arguments[0])", vertex))
        lines = self.js("quorvane.tooltip()").split("\n")
        number = int(next(line for line in lines if line.startswith("community ")).split()[1])
        data = self.data(name)
        arrays = data["arrays"]
        kind, packed = arrays["colour"]
        self.assertEqual(kind, "u8")
        palette = base64.b64decode(packed)[number - 1]
        hex_colour = data["colours"][palette]
        return tuple(int(hex_colour[i : i + 2], 16) for i in (1, 3, 5))

    def array(self, name, key):
        """One array of a page file's data block, decoded."""
        kind, packed = self.data(name)["arrays"][key]
        raw = base64.b64decode(packed)
        code = {"u8": "B", "u16": "H", "u32": "I", "i32": "i", "f32": "f"}[kind]
        return list(struct.unpack(f"<{len(raw) // struct.calcsize(code)}{code}", raw))

    def lesmis(self):
        """Les Miserables as its page holds it: id -> (degree, community place)."""
        sizes = self.array("lesmis.html", "size")
        community = [c for c, size in enumerate(sizes) for _ in range(size)]
        ids, degrees = self.array("lesmis.html", "id"), self.array("lesmis.html", "degree")
        return {v: (degree, c) for v, degree, c in zip(ids, degrees, community)}

    def drawn_labels(self, degree):
        """The labels drawn now, checked: most connected first (ties by id), none over another
        label or over another vertex's disc, each anchor the point of its box nearest its
        vertex's centre and nearer that centre than any other vertex's."""
        labels = self.js("quorvane.labels()")
        at = {v: self.js("quorvane.locate(arguments[0])", v) for v in degree}
        order = [(-degree[label["id"]], label["id"]) for label in labels]
        self.assertEqual(order, sorted(order))
        for k, label in enumerate(labels):
            box, anchor, own = label["box"], label["anchor"], at[label["id"]]
            self.assertEqual(label["text"], LESMIS[label["id"]])
            nearest = (clamp(own["x"], box["x"], box["x"] + box["width"]),
                       clamp(own["y"], box["y"], box["y"] + box["height"]))
            self.assertLess(math.hypot(nearest[0] - anchor["x"], nearest[1] - anchor["y"]), 0.01)
            mine = math.hypot(anchor["x"] - own["x"], anchor["y"] - own["y"])
            for vertex, point in at.items():
                if vertex == label["id"] or point is None:
                    continue
                theirs = math.hypot(anchor["x"] - point["x"], anchor["y"] - point["y"])
                self.assertGreater(theirs, mine, (label["text"], LESMIS[vertex]))
                self.assertGreater(box_distance(box, point), point["r"], (label["text"], LESMIS[vertex]))
            for other in labels[k + 1 :]:
                self.assertGreater(box_gap(box, other["box"]), 0, (label["text"], other["text"]))
        return labels

    def test_labels_keep_clear_of_each_other_and_of_other_vertices(self):
        self.open("lesmis.html")
        lesmis = self.lesmis()
        degree = {v: d for v, (d, _) in lesmis.items()}
        fitted = self.drawn_labels(degree)
        self.assertGreater(len(fitted), 20)
        # Anywhere on a label the pointer names the label's own vertex.
        for label in fitted:
            self.hover(*box_centre(label["box"]))
            self.assertIn(f"\nid {label['id']}\n", self.js("quorvane.tooltip()"), label["text"])
        # Zoomed in on a hub, it is labelled first, and its community shows more labels.
        home = sum(1 for label in fitted if lesmis[label["id"]][1] == lesmis[10][1])
        for vertex in (10, 48, 55):  # Valjean, Gavroche, Marius
            self.assertTrue(self.js("quorvane.select(arguments[0])", vertex))
            labels = self.drawn_labels(degree)
            self.assertEqual(labels[0]["id"], vertex, LESMIS[vertex])
            if vertex == 10:
                valjean = labels[0]["box"]
                mates = sum(1 for label in labels if lesmis[label["id"]][1] == lesmis[10][1])
                self.assertGreater(mates, home)
        # Where "Valjean" is written, the pointer names Valjean (or nothing), not a neighbour.
        self.assertTrue(self.js("quorvane.select(10)"))
        left, top = valjean["x"] + 1, valjean["y"] + 1
        right, bottom = valjean["x"] + valjean["width"] - 1, valjean["y"] + valjean["height"] - 1
        for x, y in ((left, top), (right, top), (left, bottom), (right, bottom), box_centre(valjean)):
            self.hover(x, y)
            tip = self.js("quorvane.tooltip()")
            self.assertTrue(tip is None or tip.startswith("Valjean\nid 10\n"), (x, y, tip))

    def test_search_finds_the_text_anywhere_best_first(self):
        self.open("lesmis.html")

        def expected(query):
            q = query.strip().lower()
            first = [int(q)] if q.isdigit() and int(q) in LESMIS else []
            rest = [v for v in sorted(LESMIS) if v not in first]
            name = {v: LESMIS[v].lower() for v in rest}
            exact = [v for v in rest if name[v] == q]
            start = [v for v in rest if name[v].startswith(q) and name[v] != q]
            inside = [v for v in rest if not name[v].startswith(q) and (q in name[v] or q in str(v))]
            return (first + exact + start + inside)[:20]

        self.assertEqual(self.js("quorvane.search('jean')"), [10])
        for query in ("JEAN", "e", "1", "MME", "t ", "ette", "Marius", "77", "zz"):
            self.assertEqual(self.js("quorvane.search(arguments[0])", query), expected(query), query)
        self.assertEqual(len(expected("e")), 20)

    def test_community_picture_fits_after_zooming(self):
        self.open("lesmis.html")
        data = self.data("lesmis.html")
        colours = [data["colours"][k] for k in self.array("lesmis.html", "colour")]
        self.assertEqual(len(set(colours)), len(colours))  # one disc a colour
        self.assertTrue(self.js("quorvane.select(10)"))
        for _ in range(4):
            x, y = self.locate(10)
            ActionChains(self.driver).scroll_from_origin(
                ScrollOrigin.from_viewport(int(x), int(y)), 0, -300
            ).perform()
        self.assertTrue(self.js("quorvane.show('communities')"))
        self.assert_discs_inside([tuple(int(c[i : i + 2], 16) for i in (1, 3, 5)) for c in colours])

    def test_run_pages_load_quietly(self):
        for name in ("karate.html", "lesmis.html", "hostile.html"):
            self.quiet_load(name)

    def test_search_centres_valjean_with_his_tooltip(self):
        self.open("lesmis.html")
        matches = self.js("quorvane.search('valjean')")
        self.assertEqual(matches, [10])  # his id in lesmis_names.txt
        x, y = self.locate(10)
        centre = self.free_centre()
        self.assertLess(math.hypot(x - centre[0], y - centre[1]), 2)
        lines = self.js("quorvane.tooltip()").split("\n")
        self.assertEqual(lines[:2], ["Valjean", "id 10"])
        # The pixel under him has his community's colour, and hovering there shows him.
        self.js("quorvane.redraw()")
        self.assertTrue(close(self.pixel(x, y), self.community_colour("lesmis.html", 10)))
        self.hover(x, y)
        self.assertTrue(self.js("quorvane.tooltip()").startswith("Valjean\nid 10\ncommunity "))

    def test_karate_vertices_and_communities(self):
        self.open("karate.html")
        for vertex in (0, 33, 16):
            colour = self.community_colour("karate.html", vertex)
            self.js("quorvane.redraw()")
            seen = self.pixel(*self.locate(vertex))
            self.assertTrue(close(seen, colour), (vertex, seen, colour))
        data = self.data("karate.html")
        self.assertEqual(data["communities"], 4)
        self.open("karate.html")  # the fitted view again
        self.assertTrue(self.js("quorvane.show('communities')"))
        right = int(self.js("document.getElementById('side').getBoundingClientRect().left"))
        rows = self.shot(0, 0, right, self.js("innerHeight"), scale=0.5)
        for hex_colour in data["colours"]:
            colour = tuple(int(hex_colour[i : i + 2], 16) for i in (1, 3, 5))
            self.assertEqual(len(blobs(rows, colour)), 1, hex_colour)

    def test_hostile_names_of_a_run_are_text(self):
        self.open("hostile.html")
        expected = {
            0: "<img src=x onerror=window.pwned=1>",
            1: "</script><script>window.pwned=2</script>",
            2: "<!-- \u2028 -->",
            4: "it's&amp;",
        }
        for vertex, label in expected.items():
            self.assertTrue(self.js("quorvane.select(arguments[0])", vertex))
            self.assertEqual(self.js("quorvane.tooltip()").split("\n")[0], label)
        self.assertIsNone(self.js("window.pwned"))
        self.assertEqual(self.js("document.querySelectorAll('img, iframe').length"), 0)


def blobs(rows, colour):
    """Connected groups (4-neighbours) of the pixels that have colour, largest first;
    groups of fewer than 20 pixels (edge antialiasing) are left out."""
    height, width = len(rows), len(rows[0])
    seen = [[False] * width for _ in range(height)]
    found = []
    for y in range(height):
        for x in range(width):
            if seen[y][x] or not close(rows[y][x], colour, 6):
                continue
            group, stack = [], [(x, y)]
            seen[y][x] = True
            while stack:
                px, py = stack.pop()
                group.append((px, py))
                for nx, ny in ((px + 1, py), (px - 1, py), (px, py + 1), (px, py - 1)):
                    if 0 <= nx < width and 0 <= ny < height and not seen[ny][nx] and close(rows[ny][nx], colour, 6):
                        seen[ny][nx] = True
                        stack.append((nx, ny))
            if len(group) >= 20:
                found.append(group)
    return sorted(found, key=len, reverse=True)


def clamp(value, low, high):
    return max(low, min(high, value))


def box_centre(box):
    return box["x"] + box["width"] / 2, box["y"] + box["height"] / 2


def box_distance(box, point):
    """How far point lies from box (0 inside it)."""
    dx = max(box["x"] - point["x"], 0, point["x"] - box["x"] - box["width"])
    dy = max(box["y"] - point["y"], 0, point["y"] - box["y"] - box["height"])
    return math.hypot(dx, dy)


def box_gap(a, b):
    """The gap between two boxes along the axis where they are apart; not above 0 when they
    overlap."""
    return max(b["x"] - a["x"] - a["width"], a["x"] - b["x"] - b["width"],
               b["y"] - a["y"] - a["height"], a["y"] - b["y"] - b["height"])


def centroid(group):
    return sum(p[0] for p in group) / len(group), sum(p[1] for p in group) / len(group)


if __name__ == "__main__":
    if FIXTURES is None or TOOL is None or SOURCE is None:
        sys.exit("usage: page_test.py PATH/TO/page_fixtures PATH/TO/quorvane SOURCE_DIR")
    unittest.main(verbosity=2)
