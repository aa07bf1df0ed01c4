#!/usr/bin/env bash
# A series spread over two chunks, as docs/batch.md shows for a cluster: the list split
# by lines, one summary per chunk, the summaries joined without their repeated head
# line. The joined table must be the one a single run writes.
#
#   chunked_series.sh ZANTREL_CLI SERIES_FOLDER
set -euo pipefail
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$2"/*.dat "$work"
cd "$work"
ls *.dat > all.txt

"$cli" -q --summary whole.csv @all.txt
rm -f *.out

# The commands of docs/batch.md, with a loop where a scheduler would start the chunks.
split -n l/2 -d all.txt chunk.
for list in chunk.*; do "$cli" -q --summary "summary.$list.csv" "@$list"; done
head -n 1 summary.chunk.00.csv > joined.csv
tail -q -n +2 summary.chunk.*.csv >> joined.csv

[[ $(wc -l < chunk.00) -gt 0 && $(wc -l < chunk.01) -gt 0 ]] || { echo "a chunk is empty"; exit 1; }
cmp whole.csv joined.csv
