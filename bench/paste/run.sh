#!/bin/bash
# Runs the paste benchmark in a private X server and Wine session and prints
# the rate of pasted characters against the same characters posted as
# WM_CHAR messages, measured side by side in one run.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD:-$root/build}"
export QV_TEST_STATE="$build/bench-state"
python3 "$root/tests/harness/session.py" start "$QV_TEST_STATE" >/dev/null
trap 'python3 "$root/tests/harness/session.py" stop "$QV_TEST_STATE" >/dev/null' EXIT
eval "$(python3 "$root/tests/harness/session.py" env "$QV_TEST_STATE")"
out=$(wine "$build/bin/bench/paste_bench.exe" 2>/dev/null) || { echo "  (the paste benchmark failed: $out)"; exit 1; }
kind="32-bit code native"
[ -f /proc/sys/fs/binfmt_misc/qemu-i386 ] && grep -q '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386 && kind="32-bit code under the i386 emulator"
echo "$out" | awk -v kind="$kind" '
/^figure/ { v[$2] = $3 }
END {
  print "10,000 characters (200 lines, a third Chinese) read by ReadLine, best of 5 (" kind "):"
  printf "  %-58s %10d\n", "pasted (the Edit menu'"'"'s paste), characters per second", v["paste_chars_per_s"]
  printf "  %-58s %10d\n", "posted as WM_CHAR in UTF-16, characters per second", v["post_chars_per_s"]
  if (v["post_chars_per_s"] > 0) printf "  %-58s %10.2f\n", "paste/post (target 0.8)", v["paste_chars_per_s"] / v["post_chars_per_s"]
}'
