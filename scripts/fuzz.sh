#!/usr/bin/env bash
# Fuzz campaigns that start from the checked-in corpus (fuzz/corpus/<target>/).
#
#   scripts/fuzz.sh [TARGET] [SECONDS]        a longer run on a developer's machine:
#       every target (or TARGET alone) for SECONDS (default 600) each; the inputs
#       that reach new code are merged back into the corpus (-merge=1, so only
#       what adds coverage is kept).
#   scripts/fuzz.sh --ci [TARGET] [SECONDS]   what CI runs: each target from a
#       copy of its corpus (default 15 s), leaving the repository as it was.
#
# A failing input is printed in base64, so that a log is enough to reproduce
# it: `base64 -d > input && build-fuzz/fuzz/TARGET input`. Once it is fixed, add
# it to the corpus as regression-NAME (named files always stay). Runs under
# `nice`; FUZZ_JOBS (default 1) targets at a time.
set -euo pipefail
cd "$(dirname "$0")/.."

ci=false
if [ "${1:-}" = "--ci" ]; then
    ci=true
    shift
fi
only=${1:-}
if $ci; then seconds=${2:-15}; else seconds=${2:-600}; fi
build_dir=${NORIX_FUZZ_BUILD_DIR:-build-fuzz}
jobs=${FUZZ_JOBS:-1}

if ! $ci || [ ! -d "$build_dir/fuzz" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DNORIX_BUILD_FUZZ=ON -DNORIX_BUILD_GUI=OFF -DNORIX_BUILD_TESTS=OFF \
        -DNORIX_BUILD_BENCH=OFF >/dev/null
    nice cmake --build "$build_dir" -j "$(nproc)" | { grep -v 'Built target' || true; }
fi

# Files with names of their own (the recorded seeds, the examples, inputs that
# once failed) always stay. Of the rest (named by their SHA-1) and the
# campaign's new inputs, only those that reach code the others do not are kept:
# edge coverage, not hit counts, so the corpus stays small.
merge_back() {
    local fuzzer=$1 corpus=$2 work=$3 file
    mkdir -p "$work/merged" "$work/found"
    for file in "$corpus"/*; do
        [ -f "$file" ] || continue
        if [[ $(basename "$file") =~ ^[0-9a-f]{40}$ ]]; then
            mv "$file" "$work/found/"
        else
            cp "$file" "$work/merged/"
        fi
    done
    if ! nice -n 19 "$fuzzer" -merge=1 -use_counters=0 "$work/merged" "$work/found" "$work/new" \
        >"$work/merge" 2>&1; then
        mv "$work"/found/* "$corpus"/ 2>/dev/null || true
        return 1
    fi
    rm -f "$corpus"/*
    cp "$work"/merged/* "$corpus"/ 2>/dev/null || true
    echo "$(basename "$fuzzer"): corpus $(find "$corpus" -type f | wc -l) files," \
        "$(du -s --apparent-size -B1 "$corpus" | cut -f1) bytes"
}

# Runs one target; prints its closing statistics, and any failing input in base64.
run_target() {
    local fuzzer=$1 name corpus work status=0
    name=$(basename "$fuzzer")
    corpus=fuzz/corpus/$name
    mkdir -p "$corpus"
    work=$(mktemp -d "${TMPDIR:-/tmp}/norix-$name-XXXXXX")
    mkdir -p "$work/new" "$work/artifacts"
    # New inputs land in the first folder: a copy of the corpus for CI, an
    # empty folder (merged afterwards) otherwise.
    local dirs=("$work/new")
    if $ci; then cp -R "$corpus/." "$work/new/"; else dirs+=("$corpus"); fi
    nice -n 19 "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" "${dirs[@]}" >"$work/log" 2>&1 || status=$?
    grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb|stat::new_units_added)' \
        "$work/log" | sed "s/^/$name: /"
    if [ "$status" -ne 0 ]; then
        grep -E 'ERROR|SUMMARY|abort|deadly signal' "$work/log" | head -n 5 | sed "s/^/$name: /"
        for input in "$work"/artifacts/*; do
            [ -f "$input" ] || continue
            echo "$name: failing input $(basename "$input") (base64):"
            base64 -w 0 "$input"
            echo
        done
    elif ! $ci; then
        merge_back "$fuzzer" "$corpus" "$work" || status=$?
    fi
    rm -rf "$work"
    return "$status"
}

fuzzers=()
for fuzzer in "$build_dir"/fuzz/fuzz_*; do
    [ -x "$fuzzer" ] || continue
    [ -z "$only" ] || [ "$(basename "$fuzzer")" = "$only" ] || continue
    fuzzers+=("$fuzzer")
done
if [ ${#fuzzers[@]} -eq 0 ]; then
    echo "no fuzz target${only:+ named $only} in $build_dir/fuzz" >&2
    exit 2
fi

failed=0
running=0
for fuzzer in "${fuzzers[@]}"; do
    echo "-- $(basename "$fuzzer"): $seconds s"
    if [ "$jobs" -le 1 ]; then
        run_target "$fuzzer" || failed=1
        continue
    fi
    run_target "$fuzzer" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || failed=1
        running=$((running - 1))
    fi
done
while [ "$running" -gt 0 ]; do
    wait -n || failed=1
    running=$((running - 1))
done
exit "$failed"
