#!/bin/bash
# Runs the input benchmark in a private X server and Wine session.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD:-$root/build}"
export QV_TEST_STATE="$build/bench-state"
python3 "$root/tests/harness/session.py" start "$QV_TEST_STATE" >/dev/null
trap 'python3 "$root/tests/harness/session.py" stop "$QV_TEST_STATE" >/dev/null' EXIT
cd "$root"
python3 bench/input/bench.py "$build/bin/input_bench.exe" "${INPUT_BENCH_KEYS:-1000}"
