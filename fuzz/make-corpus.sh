#!/usr/bin/env bash
# Rebuilds the seed corpus: every example and golden data file under a few settings, and
# every input of the bad-input catalogue (written by the test program when asked).
# Usage: fuzz/make-corpus.sh BUILD_DIR   (a build with tests, for the catalogue inputs)
# An input is three settings bytes (see FuzzTarget.cpp) followed by the data file.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: fuzz/make-corpus.sh BUILD_DIR}
corpus=fuzz/corpus
mkdir -p "$corpus"

# triclinic 2-theta at Cu Ka1; energy data minimised in Q with a zero shift, full
# diagnostics and a second run; cubic d spacings in d at Mo Ka1.
settings=('\x05\x00\x00' '\x05\xfd\x00' '\x00\x26\x01')
for file in examples/*.dat tests/data/golden/*.dat; do
    name=$(basename "$file" .dat)
    for i in "${!settings[@]}"; do
        { printf "${settings[$i]}"; cat "$file"; } > "$corpus/example-$name-$i"
    done
done

ZANTREL_CORPUS_OUT="$PWD/$corpus" "$build/tests/zantrel_tests" --gtest_filter='*BadInputRow.EndsAsCatalogued*' >/dev/null
ls "$corpus" | wc -l
