#!/usr/bin/env bash
# Installs what is missing; checks that every include points down a floor, that every C++
# file matches .clang-format and that the page's script files keep their shape (no function
# over 80 lines, no state outside the view: scripts/js_functions.py); then builds and runs
# the whole test suite twice: a release build, and a build under AddressSanitizer +
# UndefinedBehaviorSanitizer; then builds the fuzz targets with clang and gives each a smoke
# run (its corpus, then a few seconds).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
jobs=$(nproc)

bash scripts/floors.sh
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
echo "format: every C++ file matches .clang-format"
python3 scripts/js_functions_test.py -q
python3 scripts/js_functions.py

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=ON >/dev/null
cmake --build build/release -j"$jobs"
ctest --test-dir build/release --no-tests=error -j"$jobs" --output-on-failure --timeout 600

cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_SANITIZE=ON \
    -DQUORVANE_BENCH=OFF >/dev/null
cmake --build build/asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build/asan --no-tests=error -j"$jobs" --output-on-failure --timeout 900

cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DQUORVANE_FUZZ=ON -DQUORVANE_TESTS=OFF -DQUORVANE_BENCH=OFF >/dev/null
cmake --build build/fuzz -j"$jobs"
ctest --test-dir build/fuzz --no-tests=error -j"$jobs" --output-on-failure --timeout 300

echo "All tests passed (release and sanitizer builds, fuzz smoke runs)."
