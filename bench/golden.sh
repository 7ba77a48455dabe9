#!/usr/bin/env bash
# Guards the optimisations: runs the tool on the example network and on small generated ones
# (both renderers' scenes, -nographic, with a log/ directory, with and without labels) and
# compares the checksums of every file a run leaves, and of its standard output, with the
# list in bench/golden.sha256. Any difference in a scene or a log is a failure.
#
#   bench/golden.sh           check against bench/golden.sha256
#   bench/golden.sh record    write bench/golden.sha256 anew (only before changing the code)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
mode=${1:-check}

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc)" --target quorvane gen_edges >/dev/null
tool=$root/build/release/quorvane
gen=$root/build/release/bench/gen_edges

inputs=$root/bench/out/golden
mkdir -p "$inputs"
cp examples/karate.txt "$inputs/karate.txt"
generate() {  # model edges name
    [ -s "$inputs/$3.txt" ] || "$gen" "$1" "$2" "$inputs/$3.txt" >/dev/null
}
generate planted 100000 planted
generate pa 50000 pa
generate star 20000 star
generate path 20000 path
generate loops 20000 loops
generate complete 50000 complete

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sums=$work/sums

# One case: a fresh directory with log/, the input, both renderers; every file hashed.
run_case() {  # case-name input extra-options...
    local name=$1 input=$2
    shift 2
    local dir=$work/$name
    mkdir -p "$dir/log"
    cp "$inputs/$input.txt" "$dir/"
    (
        cd "$dir"
        "$tool" -input "$input.txt" -nographic "$@" >stdout-povray.txt
        "$tool" -input "$input.txt" -nographic -render svg "$@" >stdout-svg.txt
    )
    (cd "$work" && find "$name" -type f ! -name "$input.txt" | LC_ALL=C sort | xargs sha256sum) >>"$sums"
}

run_case karate karate
run_case karate-labels karate -names 0
run_case planted planted
run_case planted-labels planted -names 0
run_case pa pa
run_case star star
run_case path path
run_case loops loops
run_case complete complete

if [ "$mode" = record ]; then
    cp "$sums" bench/golden.sha256
    echo "recorded $(wc -l <bench/golden.sha256) checksums in bench/golden.sha256"
elif diff -u bench/golden.sha256 "$sums"; then
    echo "golden: all $(wc -l <"$sums") files identical"
else
    echo "golden: outputs differ"
    exit 1
fi
