#!/usr/bin/env bash
# Generates the benchmark networks (deterministic, into bench/out/) and prints the stage
# figures of reading, building, core decomposition and community detection for each.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc)" --target gen_edges graph_bench >/dev/null
bin=build/release/bench
mkdir -p bench/out

generate() {  # model edges name
    [ -s "bench/out/$3.txt" ] || "$bin/gen_edges" "$1" "$2" "bench/out/$3.txt"
}
generate planted 1000000 planted-1m
generate planted 10000000 planted-10m
generate pa 1000000 pa-1m
generate star 1000000 star-1m
generate path 1000000 path-1m
generate loops 1000000 loops-1m
generate complete 2000000 complete-2000

"$bin/graph_bench" bench/out/{planted-1m,planted-10m,pa-1m,star-1m,path-1m,loops-1m,complete-2000}.txt
