#!/usr/bin/env bash
# Installs what is missing, builds a release binary and runs it on the bundled example
# network in run/ (which has a log/ directory): two scene files and two PNG images.
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
../build/release/quorvane -input karate.txt "$@"
echo
echo "Files written in $(pwd):"
ls -l -- *.pov *.svg *.png 2>/dev/null || true
