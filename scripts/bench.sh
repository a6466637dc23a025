#!/bin/bash
# Runs every benchmark (bench/*/run.sh) and prints its figures.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
status=0
for run in "$root"/bench/*/run.sh; do
    [ -x "$run" ] || continue
    echo "== $(basename "$(dirname "$run")")"
    "$run" || status=1
done
exit $status
