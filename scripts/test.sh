#!/usr/bin/env bash
# The project's test command, from a clean clone: installs what the build
# and the tests need (on a Debian-like system, run as root; otherwise it
# prints the install command and stops), configures BUILD_DIR (default
# build) with the tests and benchmarks forced on, builds everything and runs
# every test. Extra arguments go to CMake's configure step, e.g.
# -DKIFU_SANITIZE=ON; -DKIFU_BENCHMARKS=OFF leaves the benchmarks out.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
jobs=$(nproc 2>/dev/null || echo 2)

benchmarks=ON
for arg in "$@"; do
  case "$arg" in
    -DKIFU_BENCHMARKS=* | -DKIFU_BENCHMARKS:*=*)
      case "${arg#*=}" in OFF | off | Off | 0 | FALSE | false | NO | no) benchmarks=OFF ;; esac ;;
  esac
done

packages=(cmake g++ make libgtest-dev libgmock-dev)
[ "$benchmarks" = ON ] && packages+=(libbenchmark-dev)
. scripts/packages.sh
ensure_packages "${packages[@]}"

# Forced on, so a folder configured earlier without GoogleTest builds the
# tests now.
cmake -S . -B "$build_dir" -DKIFU_TESTS=ON -DKIFU_BENCHMARKS="$benchmarks" "$@"
cmake --build "$build_dir" -j "$jobs"
ctest --test-dir "$build_dir" --output-on-failure --no-tests=error -j "$jobs"
