#!/usr/bin/env bash
# Builds what needs no Qt (the core, zantrel-cli without --plot, the Python module and
# their tests) with Qt hidden from CMake into build-noqt/, and runs those tests, as a
# machine without Qt would.
# ZANTREL_NOQT_BUILD names another build folder; ZANTREL_JOBS limits the parallel jobs.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZANTREL_NOQT_BUILD:-build-noqt}
jobs=${ZANTREL_JOBS:-$(nproc)}
configured=$(cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON)
# A Qt found in spite of the flag would make this a second build with Qt.
if ! grep -q '^-- Plots: off' <<<"$configured"; then
    echo "run-tests-without-qt: the configure found Qt" >&2
    exit 1
fi
cmake --build "$build" -j"$jobs"
ctest --test-dir "$build" --output-on-failure -j"$jobs"
