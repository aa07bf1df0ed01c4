#!/usr/bin/env bash
# Sets everything up, refines a bundled example and prints its report.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh
example=${1:-examples/silicon_2theta.dat}
work=$(mktemp -d)
cp "$example" "$work/"
data="$work/$(basename "$example")"
build/zantrel-cli "$data"
report="${data%.*}.out"
echo "---- $report ----"
cat "$report"
