#!/usr/bin/env bash
# Runs every libFuzzer target (tests/fuzz/*_fuzz.cpp) for a given time, seeded with the
# checked-in corpus tests/corpus/NAME/.
#
#   bench/fuzz.sh [SECONDS] [TARGET...]     SECONDS per target, default 60; default all targets
#
# Environment: JOBS=2 runs two targets at a time (the default is one); MERGE=1 afterwards
# adds to tests/corpus/NAME/ the inputs that reach new coverage (review and commit them).
# New inputs are kept in build/fuzz/corpus/NAME/ between runs, findings (crash-*, timeout-*,
# leak-*, oom-*) land in build/fuzz/findings/NAME/, the log of each run in build/fuzz/NAME.log.
# A finding makes the script exit 1; add the input to tests/corpus/NAME/ with the fix.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
jobs=${JOBS:-1}

cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DQUORVANE_FUZZ=ON -DQUORVANE_TESTS=OFF -DQUORVANE_BENCH=OFF >/dev/null
cmake --build build/fuzz -j"$(nproc)" >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in tests/fuzz/*_fuzz.cpp; do
        name=$(basename "$source" .cpp)
        targets+=("${name%_fuzz}")
    done
fi

run_one() {  # name
    local name=$1 work=build/fuzz/corpus/$1 findings=build/fuzz/findings/$1
    local dict=()
    mkdir -p "$work" "$findings" "tests/corpus/$name"
    [ -f "tests/fuzz/$name.dict" ] && dict=(-dict="tests/fuzz/$name.dict")
    local status=0
    ASAN_OPTIONS=detect_leaks=1 build/fuzz/tests/fuzz/"${name}_fuzz" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
        -artifact_prefix="$findings/" "${dict[@]}" "$work" "tests/corpus/$name" \
        >"build/fuzz/$name.log" 2>&1 || status=$?
    local line
    line=$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE)' "build/fuzz/$name.log" | tail -1 || true)
    echo "$name: ${seconds}s, exit $status, $(ls "$work" | wc -l) inputs kept; $line"
    return "$status"
}

failed=0
if [ "$jobs" -gt 1 ]; then
    pids=()
    for name in "${targets[@]}"; do
        while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || failed=1; done
        run_one "$name" &
        pids+=($!)
    done
    for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
else
    for name in "${targets[@]}"; do run_one "$name" || failed=1; done
fi

if [ "${MERGE:-0}" = 1 ]; then
    # Adds to the checked-in corpus only the inputs that reach code it does not reach (edges,
    # not hit counts, which would add hundreds); its own files (the named seeds and regression
    # cases) stay as they are.
    for name in "${targets[@]}"; do
        build/fuzz/tests/fuzz/"${name}_fuzz" -merge=1 -use_counters=0 -max_len=4096 \
            "tests/corpus/$name" "build/fuzz/corpus/$name" >/dev/null 2>&1
        echo "$name: checked-in corpus now $(ls "tests/corpus/$name" | wc -l) files"
    done
fi

if [ "$failed" -ne 0 ]; then
    echo "Findings: see build/fuzz/findings/ and build/fuzz/*.log"
    exit 1
fi
