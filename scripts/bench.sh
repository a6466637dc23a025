#!/bin/bash
# Console output benchmark: runs the kernel's services, the raw drawing calls
# and a plain Win32 console program on a private Xvfb, and prints the
# figures side by side with their ratios.
#   scripts/bench.sh [LINES]      (default 20000 lines of 80 characters)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD:-$root/build}"
lines="${1:-20000}"
bin="$build/bin/bench"
# A private X server and Wine session, as the tests use.
export QV_TEST_STATE="$build/bench-state"
result=$(mktemp)
python3 "$root/tests/harness/session.py" start "$QV_TEST_STATE" >/dev/null
trap 'python3 "$root/tests/harness/session.py" stop "$QV_TEST_STATE" >/dev/null; rm -f "$result"' EXIT
eval "$(python3 "$root/tests/harness/session.py" env "$QV_TEST_STATE")"

echo "kernel: $lines lines of 80 characters in a 25 x 80 view, a tenth as many rows through PutChar" >&2
wine "$bin/console_bench.exe" "$lines" >>"$result"
echo "kernel, output drawn at once (after GetScreenDC): the same" >&2
wine "$bin/console_bench.exe" "$lines" immediate >>"$result"
echo "raw limit: ScrollWindow, TextOutA and ValidateRect only" >&2
wine "$bin/bench_raw_textout.exe" "$lines" >>"$result"
echo "Win32 console: WriteConsoleA in Wine's console window" >&2
out=$(winepath -w "$result.console")
wineconsole "$bin/bench_winconsole.exe" "$out" "$lines" >/dev/null 2>&1 || true
cat "$result.console" >>"$result" 2>/dev/null || echo "(the console program wrote no figures)" >&2
rm -f "$result.console"

awk '
/^view/ && !seen { sub(/,/, "", $4); print "kernel view: " $2 " x " $4 " cells"; seen = 1 }
/^latency probe/ { print "  (" $0 ")" }
/^figure/ { v[$2] = $3 }
# A figure that a run did not print (a benchmark that could not measure)
# shows as n/a, never as 0, and so does every ratio built on it.
function row(name, key) {
  if (key in v) printf "  %-58s %10d\n", name, v[key]; else printf "  %-58s %10s\n", name, "n/a"
}
function ratio(name, a, b) {
  if ((a in v) && v[b] > 0) printf "  %-58s %10.2f\n", name, v[a] / v[b]; else printf "  %-58s %10s\n", name, "n/a"
}
END {
  print "lines per second (80 characters, scrolling every line):"
  row("kernel WriteText + NewLine, jump scrolling", "kernel_writetext_newline_lines_per_s")
  row("kernel WriteText + NewLine, drawn at once", "kernel_immediate_writetext_newline_lines_per_s")
  row("kernel full-row WriteText, jump scrolling", "kernel_writetext_lines_per_s")
  row("kernel full-row WriteText, drawn at once", "kernel_immediate_writetext_lines_per_s")
  row("raw: 2 x (ScrollWindow + TextOutA) per line", "raw_textout_two_scrolls_lines_per_s")
  row("raw: ScrollWindow + TextOutA per line", "raw_textout_scrollwindow_lines_per_s")
  row("Win32 console: WriteConsoleA + CR LF", "console_writeconsole_newline_lines_per_s")
  row("Win32 console: WriteConsoleA of a full row", "console_writeconsole_lines_per_s")
  print "characters per second:"
  row("kernel PutChar, jump scrolling", "kernel_putchar_chars_per_s")
  row("kernel PutChar, drawn at once", "kernel_immediate_putchar_chars_per_s")
  row("raw: TextOutA per character, a scroll per 80", "raw_textout_chars_per_s")
  print "display latency of the last line while the program computes (ms):"
  row("worst of 20", "kernel_worst_latency_ms")
  row("mean of 20", "kernel_mean_latency_ms")
  print "ratios, drawn at once against the same work (target 0.8):"
  ratio("kernel/limit WriteText + NewLine (two scrolls)", "kernel_immediate_writetext_newline_lines_per_s", "raw_textout_two_scrolls_lines_per_s")
  ratio("kernel/limit full row (one scroll)", "kernel_immediate_writetext_lines_per_s", "raw_textout_scrollwindow_lines_per_s")
  ratio("kernel/limit PutChar", "kernel_immediate_putchar_chars_per_s", "raw_textout_chars_per_s")
  ratio("kernel/limit WriteText + NewLine against one scroll", "kernel_immediate_writetext_newline_lines_per_s", "raw_textout_scrollwindow_lines_per_s")
  print "ratios, jump scrolling (target 3 against the console):"
  ratio("kernel/console WriteText + NewLine vs + CR LF", "kernel_writetext_newline_lines_per_s", "console_writeconsole_newline_lines_per_s")
  ratio("kernel/console full row vs full row", "kernel_writetext_lines_per_s", "console_writeconsole_lines_per_s")
  ratio("kernel/limit WriteText + NewLine (two scrolls)", "kernel_writetext_newline_lines_per_s", "raw_textout_two_scrolls_lines_per_s")
  ratio("kernel/limit PutChar", "kernel_putchar_chars_per_s", "raw_textout_chars_per_s")
}' "$result"

# Every benchmark with a run.sh of its own (bench/<name>/run.sh) prints its
# figures after the console's.
for run in "$root"/bench/*/run.sh; do
    [ -x "$run" ] || continue
    echo "== $(basename "$(dirname "$run")")"
    "$run" || echo "  (this benchmark failed: its figures above are incomplete)"
done
