"""The interactive page's browser figures: for synthetic runs of the given sizes (written by
synthetic_page), the time from navigation to window.quorvane.ready in headless Chromium,
the time of redraw() at the fitted view (best of several loads and draws), and the slowest
redraw() while zooming in on the middle, twice closer a step up to 4096 times.

    /usr/bin/python3 bench/page_browser.py BUILD_DIR [VERTICES | PAGE.html ...]
                                                        (default 200000 2000000)

A PAGE.html argument measures a page the tool wrote (-render html) as it is.
"""

import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

# The browser is set up as the page's browser tests set it up (tests/browser/chromium.py).
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "browser"))
import chromium  # noqa: E402

LOADS = 5
DRAWS = 15
EDGES = 10000
ZOOMS = 12

# One wheel step at the middle of the free area that zooms twice closer, then the best of
# three full redraws.
ZOOM_STEP = """
const side = document.getElementById("side").getBoundingClientRect();
const bar = document.getElementById("toolbar").getBoundingClientRect();
document.getElementById("stage").dispatchEvent(new WheelEvent("wheel", {
    deltaY: -Math.log(2) / 0.0015, clientX: side.left / 2, clientY: (bar.bottom + innerHeight) / 2,
    bubbles: true, cancelable: true}));
return Math.min(quorvane.redraw(), quorvane.redraw(), quorvane.redraw());
"""


def main():
    build = Path(sys.argv[1])
    work = Path(tempfile.mkdtemp(prefix="quorvane-page-bench-"))
    # (label of the row, page to write with synthetic_page or None, labels, page to read)
    runs = []
    for item in sys.argv[2:] or ["200000", "2000000"]:
        if item.endswith(".html"):
            runs.append((Path(item).name, None, None, Path(item).resolve()))
        else:
            for labels in (False, True):
                page = work / f"page-{item}-{labels}.html"
                runs.append((f"{int(item):,}", int(item), labels, page))
    try:
        print(
            "| vertices | labels | page MB | ready ms (best, worst) "
            "| redraw ms, fitted (best, median) | redraw ms, slowest zoom |"
        )
        print("|---:|:---:|---:|---:|---:|---:|")
        for name, size, labels, page in runs:
            if size is not None:
                args = [build / "bench" / "synthetic_page", str(size), str(EDGES), str(page)]
                subprocess.run(args + (["labels"] if labels else []), check=True, cwd=work)
            ready, draws = [], []
            profile = tempfile.mkdtemp(prefix="profile-", dir=work)
            driver = chromium.start(profile, 1280, 800, timeout=120)
            try:
                for _ in range(LOADS):
                    driver.get("about:blank")
                    driver.get(page.as_uri())
                    ready.append(
                        driver.execute_async_script(
                            "const done = arguments[arguments.length - 1];"
                            "quorvane.ready.then(done);"
                        )
                    )
                draws = sorted(driver.execute_script("return quorvane.redraw()") for _ in range(DRAWS))
                zoomed = [driver.execute_script(ZOOM_STEP) for _ in range(ZOOMS)]
            finally:
                driver.quit()
            print(
                f"| {name} | {'-' if labels is None else 'yes' if labels else 'no'} | {page.stat().st_size / 1e6:.1f} "
                f"| {min(ready):.0f}, {max(ready):.0f} | {draws[0]:.1f}, {draws[len(draws) // 2]:.1f} "
                f"| {max(zoomed):.1f} at {2 ** (1 + zoomed.index(max(zoomed)))}x |",
                flush=True,
            )
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
