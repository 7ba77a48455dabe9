#!/usr/bin/env bash
# Installs (as root, with apt-get) whatever the build, the tests and the demo need and
# this Debian 12 machine lacks. Safe to run again: present packages are skipped.
set -euo pipefail

packages=(
    g++ cmake make pkg-config
    # the viewer of -java (visualizer.jar) and its tests on a virtual display
    openjdk-17-jdk xvfb libx11-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    # the network formats: igraph (GraphML, GML, Pajek, NCOL), libxml2 (GEXF), zlib (.gz);
    # networkx and python-igraph write the test networks (tests/data/make_lesmis.py)
    libigraph-dev libxml2-dev zlib1g-dev python3-networkx python3-igraph
    # the benchmark table (make bench): GNU time for a run's total and peak memory
    time
    povray povray-includes fonts-povray librsvg2-bin libxml2-utils libpng-dev
    # the clear style's labels: DejaVu Sans (Latin, Greek, Cyrillic), Droid Sans Fallback (CJK)
    fonts-dejavu-core fonts-droid-fallback
    # the fuzz build (libFuzzer comes with clang's runtime libraries); the format check
    clang libclang-rt-14-dev clang-format
    # the interactive page's tests in a real browser (headless Chromium through Selenium)
    chromium chromium-driver python3-selenium
    # the export tests recompute core numbers, modularity and the GEXF graph independently
    python3-networkx
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! apt-get install -y --no-install-recommends "${missing[@]}"; then
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
fi
