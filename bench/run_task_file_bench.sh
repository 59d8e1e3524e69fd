#!/usr/bin/env bash
# Task file load/save: natively (optimised, no sanitizers) and under Wine against the profile functions.
set -euo pipefail
cd "$(dirname "$0")/.."
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake -S . -B build/bench-native -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/bench-native -j2 --target task_file_bench >/dev/null
build/bench-native/bench/task_file_bench "$scratch"

cmake --preset windows >/dev/null
cmake --build --preset windows --target task_file_bench >/dev/null
build/windows/wine-run build/windows/bench/task_file_bench.exe "Z:$scratch"
