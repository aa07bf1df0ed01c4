#!/usr/bin/env bash
# Builds the core, the command-line program and their tests with AddressSanitizer and
# UndefinedBehaviorSanitizer (no desktop program; no Python module, which an interpreter
# without the sanitizer runtime cannot load) into build-asan/, and runs every test.
# Any report of either sanitizer ends the test concerned, and so fails the run.
# ZANTREL_ASAN_BUILD names another build folder; ZANTREL_JOBS limits the parallel jobs.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZANTREL_ASAN_BUILD:-build-asan}
jobs=${ZANTREL_JOBS:-$(nproc)}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZANTREL_SANITIZE=ON \
      -DZANTREL_BUILD_GUI=OFF -DZANTREL_BUILD_PYTHON=OFF >/dev/null
cmake --build "$build" -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1
ASAN_OPTIONS+=:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j"$jobs"
