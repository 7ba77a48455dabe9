#!/usr/bin/env bash
# The benchmark table (`make bench`): generates the benchmark networks once (deterministic,
# fixed seeds, into bench/out/), then for each network
#   - the stage wall times of a run (pipeline_bench: the driver's calls, each timed),
#   - the total wall time, processor time and peak memory of the real
#     `quorvane -input FILE -nographic` process (GNU time),
#   - a bare std::from_chars scan of the file (the floor for reading) and parse/scan,
#   - igraph's time to read the file, compute coreness and multilevel communities, when the
#     system python has igraph (python3-igraph), capped at IGRAPH_CAP seconds (300),
# and then the same for a run with -communities leiden (a second row), each row with the
# modularity Q of the partition found beside igraph multilevel's.
# Prints one Markdown table. Figures are wall seconds unless marked otherwise.
#
#   bench/run.sh [NETWORK...]     (names as in the table's first column; default: the six
#                                  benchmark networks, not planted-2m, planted-10m and
#                                  planted-100m, 1.5 GB and about 7 GiB at peak)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cap=${IGRAPH_CAP:-300}

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc)" --target quorvane gen_edges pipeline_bench >/dev/null
tool=$root/build/release/quorvane
bin=$root/build/release/bench
out=$root/bench/out
mkdir -p "$out"

# name model edges (lines written by gen_edges). The first six are the benchmark; the
# smaller, middle and five-times-larger planted networks show how time and memory grow with
# the edges and run only when named.
networks=(
    "planted-20m planted 20000000"
    "pa-1m pa 5000000"
    "star-1m star 1000000"
    "complete-2000 complete 1999000"
    "path-1m path 999999"
    "loops-1m loops 1000000"
    "planted-2m planted 2000000"
    "planted-10m planted 10000000"
    "planted-100m planted 100000000"
)
wanted=("$@")
[ ${#wanted[@]} -gt 0 ] || wanted=(planted-20m pa-1m star-1m complete-2000 path-1m loops-1m)

peer=0
/usr/bin/python3 -c 'import igraph' 2>/dev/null && peer=1

scratch=$(mktemp -d "$out/run.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

echo "| network | detector | edge lines | read (parse + build) | cores | detection | vertex scene | community scene | total | cpu | peak | from_chars scan | parse / scan | Q | igraph | igraph / total | igraph Q |"
echo "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
for entry in "${networks[@]}"; do
    read -r name model edges <<<"$entry"
    [[ " ${wanted[*]} " == *" $name "* ]] || continue
    file=$out/$name.txt
    [ -s "$file" ] || "$bin/gen_edges" "$model" "$edges" "$file" >/dev/null
    lines=$(wc -l <"$file")

    # igraph once per network, for both rows.
    igraph="-"
    igraphQ="-"
    igraphTotal=""
    if [ "$peer" = 1 ]; then
        if figures=$(timeout "$cap" /usr/bin/python3 bench/igraph_peer.py "$file" 2>/dev/null); then
            igraphTotal=$(awk '{ print $4 }' <<<"$figures")
            igraph=$(awk '{ printf "%.1f s", $4 }' <<<"$figures")
            igraphQ=$(awk '{ print $5 }' <<<"$figures")
        else
            igraph="> $cap s"
        fi
    fi

    for detector in greedy leiden; do
        # Stages, in a directory of their own (the scene files land there).
        mkdir -p "$scratch/stages"
        extra=()
        [ "$detector" = greedy ] || extra=(leiden)
        stages=$(cd "$scratch/stages" && "$bin/pipeline_bench" "$file" "${extra[@]}")
        rm -rf "$scratch/stages"
        stage() { awk -v k="$1" '$1 == k { print $2 }' <<<"$stages"; }

        # The real process.
        mkdir -p "$scratch/run"
        options=(-nographic)
        [ "$detector" = greedy ] || options+=(-communities leiden)
        (cd "$scratch/run" && /usr/bin/time -o "$scratch/time" -f "%e %U %S %M" \
            "$tool" -input "$file" "${options[@]}" >/dev/null)
        rm -rf "$scratch/run"
        read -r total user system kib <"$scratch/time"

        ratio="-"
        if [ -n "$igraphTotal" ]; then
            ratio=$(awk -v i="$igraphTotal" -v t="$total" 'BEGIN { printf "%.1f×", i / t }')
        elif [ "$igraph" != "-" ]; then
            ratio="> $(awk -v c="$cap" -v t="$total" 'BEGIN { printf "%.1f×", c / t }')"
        fi

        awk -v name="$name" -v detector="$detector" -v lines="$lines" -v parse="$(stage parse)" \
            -v build="$(stage build)" -v cores="$(stage cores)" -v detect="$(stage detect)" \
            -v vertex="$(stage vertex)" -v community="$(stage community)" -v total="$total" \
            -v cpu="$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')" -v kib="$kib" \
            -v scan="$(stage scan)" -v q="$(stage q)" -v igraph="$igraph" -v ratio="$ratio" \
            -v igraphQ="$igraphQ" 'BEGIN {
            peak = kib >= 1048576 ? sprintf("%.2f GiB", kib / 1048576) : sprintf("%.0f MiB", kib / 1024)
            printf "| %s | %s | %d | %.2f (%.2f + %.2f) | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %s | %.2f | %.1f | %.4f | %s | %s | %s |\n",
                name, detector, lines, parse + build, parse, build, cores, detect, vertex, community,
                total, cpu, peak, scan, (scan > 0 ? parse / scan : 0), q, igraph, ratio, igraphQ
        }'
    done
done
