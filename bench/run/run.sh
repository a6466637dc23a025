#!/bin/bash
# quorven-run's overhead: a program that shows one line and ends, run plainly
# under Wine on a fresh Xvfb (xvfb-run) and through quorven-run; and the sum
# example with two lines of input: seconds to its first wait for input and for
# the whole run. Each figure is the best of RUNS runs (default 3).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD:-$root/build}"
runs="${RUNS:-3}"
. "$root/scripts/env.sh"
export WINEPREFIX="${QV_WINEPREFIX:-$build/wineprefix}"
probe="$build/bin/tests/run_tool.exe"
best() { sort -n | head -1; }
now() { date +%s%N; }
secs() { printf '%d.%02d' $(( $1 / 1000000000 )) $(( $1 % 1000000000 / 10000000 )); }

plain=$(for i in $(seq "$runs"); do
  t=$(now); xvfb-run -a wine "$probe" >/dev/null 2>&1 || true; echo $(( $(now) - t )); done | best)
tool=$(for i in $(seq "$runs"); do
  t=$(now); "$build/bin/quorven-run" "$probe" >/dev/null 2>&1 || true; echo $(( $(now) - t )); done | best)
times=$(for i in $(seq "$runs"); do
  QUORVEN_RUN_TIMES=1 "$build/bin/quorven-run" --input 42 --input 58 "$build/bin/sum.exe" 2>&1 >/dev/null |
    sed -n 's/.*first wait for input \([0-9.]*\) s, whole run \([0-9.]*\) s/\1 \2/p'; done | sort -n)
printf '  %-52s %8s s\n' "program that ends at once, plain wine (xvfb-run)" "$(secs "$plain")"
printf '  %-52s %8s s\n' "the same through quorven-run" "$(secs "$tool")"
printf '  %-52s %8.2f s\n' "sum, start to first wait for input" "$(echo "$times" | head -1 | cut -d' ' -f1)"
printf '  %-52s %8.2f s\n' "sum, whole run with two lines of input" "$(echo "$times" | cut -d' ' -f2 | sort -n | head -1)"
