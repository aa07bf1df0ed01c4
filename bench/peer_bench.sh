#!/usr/bin/env bash
# zantrel-cli side by side with GSAS-II's cell fit (../shared/peers/gsas2_cellfit.py) on
# the same copies of a monoclinic file of 40 reflections and a triclinic one of 60, 2-theta
# at four decimals with real scatter (bench/realistic_files.py), in a tmpfs: both pinned to
# one core, alternating, three rounds; prints the median rates and their ratio.
#
#   bash bench/peer_bench.sh GSAS2_MIRROR [BUILD_DIR] [COPIES] [DECIMALS]
#
# Our rate counts the whole process (start-up included) with every report written; the
# peer's leaves out its import. Needs python3-numpy and python3-scipy.
set -euo pipefail
mirror=$1
build=${2:-build}
copies=${3:-500}
decimals=${4:-4}
here=$(cd "$(dirname "$0")" && pwd)
peer="$here/../../shared/peers/gsas2_cellfit.py"
cmake --build "$build" --target zantrel-cli >/dev/null
work=$(mktemp -d -p /dev/shm)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 "$here/realistic_files.py" "$work" "$copies" "$decimals"

ours() {  # files per second of one zantrel-cli run over the folder
    rm -f "$1"/*.out
    local start end
    start=$(date +%s.%N)
    taskset -c 0 "$build/zantrel-cli" -q --jobs 1 "$1/*.dat"
    end=$(date +%s.%N)
    echo "$copies / ($end - $start)" | bc -l
}
theirs() {
    rm -f "$1"/*.gsas2
    taskset -c 0 /usr/bin/python3 "$peer" --mirror "$mirror" --batch "$1"/*.dat 2>&1 |
        sed -n 's/.*files_per_s=\([0-9.]*\).*/\1/p'
}
median() { sort -g | sed -n 2p; }

for set in monoclinic40 triclinic60; do
    a=() b=()
    for round in 1 2 3; do
        a+=("$(ours "$work/$set")")
        b+=("$(theirs "$work/$set")")
    done
    mine=$(printf '%s\n' "${a[@]}" | median)
    peer_rate=$(printf '%s\n' "${b[@]}" | median)
    printf '%-13s %d copies, %d decimals: zantrel-cli %7.0f files/s, GSAS-II %7.0f files/s, ratio %.2f\n' \
        "$set" "$copies" "$decimals" "$mine" "$peer_rate" "$(echo "$mine / $peer_rate" | bc -l)"
done
