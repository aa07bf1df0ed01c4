#!/usr/bin/env bash
# Configures and builds Zantrel into build/ (release with debug info, Ninja).
#   bash tools/build.sh [TARGET...]     every target when none is named
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build -j"$(nproc)" "${targets[@]}"
