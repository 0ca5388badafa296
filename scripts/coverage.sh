#!/usr/bin/env bash
# Shows what of src/ no test runs: builds the suite with coverage into
# BUILD_DIR (default build-coverage; no optimisation, assertions on), runs
# every test through scripts/test.sh, then prints each function no test
# called and each line no test ran, by file, with the totals.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-coverage}

. scripts/packages.sh
ensure_packages gcovr python3

# Counts left by an earlier run would add to this one's.
[ -d "$build_dir" ] && find "$build_dir" -name '*.gcda' -delete
# A failing test still leaves its counts: the report comes first, the
# failure is the exit status.
tests=0
BUILD_DIR=$build_dir scripts/test.sh -DCMAKE_BUILD_TYPE=Debug -DKIFU_BENCHMARKS=OFF \
  -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage || tests=$?

gcovr --root . --filter 'src/' --object-directory "$build_dir" --json "$build_dir/coverage.json" -j "$(nproc)"
python3 - "$build_dir/coverage.json" <<'PY'
import json, sys

def ranges(numbers):
    """1 2 3 7 9 10 -> '1-3, 7, 9-10'."""
    out, start, last = [], None, None
    for n in numbers:
        if start is not None and n == last + 1:
            last = n
            continue
        if start is not None:
            out.append(str(start) if start == last else f"{start}-{last}")
        start = last = n
    if start is not None:
        out.append(str(start) if start == last else f"{start}-{last}")
    return ", ".join(out)

report = json.load(open(sys.argv[1]))
lines_total = lines_run = functions_total = functions_run = 0
for entry in sorted(report["files"], key=lambda f: f["file"]):
    code = [l for l in entry["lines"] if not l.get("gcovr/noncode")]
    unrun = sorted({l["line_number"] for l in code if l["count"] == 0})
    lines_total += len({l["line_number"] for l in code})
    lines_run += len({l["line_number"] for l in code}) - len(unrun)
    # An inline function appears once per program that compiled it; it ran
    # when any of them ran it.
    calls = {}
    for f in entry.get("functions", []):
        key = (f["lineno"], f["name"])
        calls[key] = calls.get(key, 0) + f["execution_count"]
    functions_total += len(calls)
    functions_run += sum(1 for c in calls.values() if c > 0)
    never = sorted(k for k, c in calls.items() if c == 0)
    if not unrun and not never:
        continue
    print(entry["file"])
    for lineno, name in never:
        print(f"  never called: {name} (line {lineno})")
    if unrun:
        print(f"  lines not run: {ranges(unrun)}")
print(f"src: {lines_run} of {lines_total} lines run ({100.0 * lines_run / max(lines_total, 1):.1f}%), "
      f"{functions_run} of {functions_total} functions called")
PY
exit "$tests"
