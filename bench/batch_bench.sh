#!/usr/bin/env bash
# Times zantrel-cli over a batch of generated data files, reports written, on one
# core and with --jobs 2; prints files per second.
#
#   bash bench/batch_bench.sh [BUILD_DIR] [COUNT]     (defaults: build, 10000)
#
# The files go to a temporary folder under $TMPDIR (default /tmp): TMPDIR=/dev/shm
# times the program without the cost of the disk's file system.
set -euo pipefail
build=${1:-build}
count=${2:-10000}
cmake --build "$build" --target zantrel-cli bench_batch_gen >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/bench_batch_gen" "$work/data" "$count"

run() {  # run LABEL ARGS...: one timed batch, reports removed before each run
    local label=$1
    shift
    rm -f "$work"/data/*.out "$work"/data/*.cif "$work"/data/*.json "$work"/data/*.csv
    local status=0 times
    # Wall time, and the CPU time (user + system) of the run: on a shared machine the
    # second is the steadier measure of one core's throughput.
    TIMEFORMAT="%R %U %S"
    times=$( { time "$build/zantrel-cli" -q "$@" "$work/data/*.dat" 2>"$work/errors.txt" || status=$?; } 2>&1 )
    local reports failed
    reports=$(find "$work/data" -name '*.out' | wc -l)
    failed=$(grep -c "\.dat: " "$work/errors.txt" || true)
    echo "$times" | awk -v label="$label" -v n="$count" -v r="$reports" -v f="$failed" '{
        cpu = $2 + $3
        printf "%-34s %6d reports %4d failed  wall %6.2f s %7.0f files/s   cpu %6.2f s %7.0f files/cpu-s\n",
               label, r, f, $1, n / $1, cpu, n / cpu }'
}

echo "zantrel-cli, $count generated files (all six systems, 10 to 60 reflections), $(nproc) cores"
run "--jobs 1" --jobs 1
run "--jobs 2" --jobs 2
run "--jobs 1 --summary" --jobs 1 --summary "$work/data/summary.csv"
run "--jobs 2 --summary --cif --json" --jobs 2 --summary "$work/data/summary.csv" --cif --json
