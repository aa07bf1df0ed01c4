#!/usr/bin/env bash
# Sets everything up, refines a bundled example and prints its report.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh zantrel-cli
example=${1:-examples/silicon_2theta.dat}
work=$(mktemp -d)
cp "$example" "$work/"
data="$work/$(basename "$example")"
build/zantrel-cli "$data"
report="${data%.*}.out"
echo "---- $report ----"
# The report is Windows-1252 with CR LF line ends; show it in the terminal's UTF-8.
iconv -f WINDOWS-1252 -t UTF-8 "$report" | tr -d '\r' || cat "$report"
