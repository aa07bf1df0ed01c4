#!/usr/bin/env bash
# Times zantrel-cli over a user's series: COUNT copies of each representative data
# file (monoclinic, 40 reflections; triclinic, 60), full reports written, one core.
# Each batch runs REPEAT times on a tmpfs and on the disk; the median is printed.
#
#   bash bench/series_bench.sh [BUILD_DIR] [COUNT] [REPEAT] [-- extra zantrel-cli options]
#
# ZANTREL_EXTENDED=1 in the environment times the extended-precision path alone.
set -euo pipefail
build=${1:-build}
count=${2:-2000}
repeat=${3:-5}
shift $(( $# < 3 ? $# : 3 ))
[[ ${1:-} == -- ]] && shift
extra=("$@")
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$build" --target zantrel-cli >/dev/null
cli=$(cd "$build" && pwd)/zantrel-cli
pin=()
command -v taskset >/dev/null && pin=(taskset -c 1)

shm=$(mktemp -d "${SHM_DIR:-/dev/shm}/zantrel-series.XXXXXX")
disk=$(mktemp -d "${DISK_DIR:-$PWD}/zantrel-series.XXXXXX")
trap 'rm -rf "$shm" "$disk"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

series() {  # series WHERE LABEL FILE: median wall time of REPEAT batches of COUNT copies
    local where=$1 label=$2 file=$3 dir
    dir="$where/$(basename "$file" .dat)"
    mkdir -p "$dir"
    for ((i = 0; i < count; ++i)); do cp "$file" "$dir/p$i.dat"; done
    local wall=() cpu=()
    for ((r = 0; r < repeat; ++r)); do
        rm -f "$dir"/*.out
        # Wall time, and the CPU time (user + system): on a shared machine the second
        # is the steadier measure of one core's throughput.
        local t
        TIMEFORMAT="%R %U %S"
        t=$( { time "${pin[@]}" "$cli" -q --jobs 1 "${extra[@]}" "$dir/*.dat"; } 2>&1 )
        wall+=("$(echo "$t" | awk '{ print $1 }')")
        cpu+=("$(echo "$t" | awk '{ print $2 + $3 }')")
    done
    local reports
    reports=$(find "$dir" -name '*.out' | wc -l)
    local w c
    w=$(printf '%s\n' "${wall[@]}" | median)
    c=$(printf '%s\n' "${cpu[@]}" | median)
    awk -v n="$count" -v r="$reports" -v f="$(basename "$file")" -v where="$label" -v w="$w" -v c="$c" 'BEGIN {
        printf "%-22s %-6s %6d reports  wall %6.3f s %6.0f files/s   cpu %6.3f s %6.0f files/cpu-s\n",
               f, where, r, w, n / w, c, n / c }'
    rm -rf "$dir"
}

echo "zantrel-cli --jobs 1 ${extra[*]}, $count copies, median of $repeat, ${ZANTREL_EXTENDED:+extended path only}"
for file in "$root/examples/diopside_2theta.dat" "$root/examples/albite_2theta.dat"; do
    series "$shm" tmpfs "$file"
    series "$disk" disk "$file"
done
