#!/usr/bin/env bash
# Builds the fuzz target with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# into build-fuzz/ and runs it with one worker for a bounded time, 60 s unless given:
#   bash tools/run-fuzz.sh [SECONDS]
# It starts from fuzz/corpus/ and fuzz/crashes/ and fails on any crash, leak, sanitizer
# report, failed check of the target, or input that takes longer than 1 s. The input that
# failed is left in build-fuzz/fuzz-run/artifacts/: copy it into fuzz/crashes/ with the fix,
# so that every build replays it from then on.
# ZANTREL_FUZZ_BUILD names another build folder; ZANTREL_JOBS limits the build's jobs.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${ZANTREL_FUZZ_BUILD:-build-fuzz}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DZANTREL_BUILD_FUZZ=ON -DZANTREL_BUILD_TESTS=OFF -DZANTREL_BUILD_GUI=OFF -DZANTREL_BUILD_PYTHON=OFF >/dev/null
cmake --build "$build" --target zantrel_fuzz -j"${ZANTREL_JOBS:-$(nproc)}"
work="$build/fuzz-run"
mkdir -p "$work/corpus" "$work/artifacts"
# New inputs go to the scratch corpus; the seeds in the repository stay as they are.
status=0
"$build/fuzz/zantrel_fuzz" "$work/corpus" fuzz/corpus fuzz/crashes \
    -max_total_time="$seconds" -timeout=1 -max_len=4096 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$work/artifacts/" >"$work/log" 2>&1 || status=$?
# All but the progress lines and the dictionary that libFuzzer recommends.
grep -v -e '^#[0-9]' -e '^"' -e '^######' -e 'NEW_FUNC' "$work/log" || true
exit "$status"
