#!/usr/bin/env bash
# Builds everything in BUILD_DIR (default build) and runs the whole test suite.
# Extra arguments go to CMake's configure step, e.g. -DKIFU_SANITIZE=ON.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B "$build_dir" "$@"
cmake --build "$build_dir" -j "$jobs"
ctest --test-dir "$build_dir" --output-on-failure -j "$jobs"
