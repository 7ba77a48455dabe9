#!/usr/bin/env bash
# Installs what is missing, builds a release binary and runs it on the bundled example
# network in run/ (which has a log/ directory): the classic pictures, the clear ones and the
# interactive page, then says which file to open for what. Options given to this script go
# to every run (for example -names labels the vertices with their ids).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"

mkdir -p run/log
cp examples/karate.txt run/
# -java runs "java -jar visualizer.jar IMAGE" in the working directory.
if [ -f build/release/visualizer.jar ]; then cp build/release/visualizer.jar run/; fi
cd run
tool=../build/release/quorvane
"$tool" -input karate.txt "$@"
"$tool" -input karate.txt -style clear "$@"
"$tool" -input karate.txt -render html "$@"
echo
echo "Files written in $(pwd):"
ls -l -- *.pov *.svg *.png *.html 2>/dev/null || true
echo
echo "Open:"
for image in karate_clear_*_1_POV.png karate_clear_*_2_POV.png; do
    [ -f "$image" ] || continue
    case $image in
        *_1_POV.png) echo "  $(pwd)/$image   the vertices, clear style (to show a colleague)" ;;
        *_2_POV.png) echo "  $(pwd)/$image   the communities, clear style" ;;
    esac
done
for image in karate_col_*_1_POV.png karate_col_*_2_POV.png; do
    [ -f "$image" ] || continue
    case $image in
        *_1_POV.png) echo "  $(pwd)/$image   the vertices, classic style" ;;
        *_2_POV.png) echo "  $(pwd)/$image   the communities, classic style" ;;
    esac
done
for page in karate_*.html; do
    [ -f "$page" ] && echo "  $(pwd)/$page   in a browser: zoom, search, hover for details"
done
