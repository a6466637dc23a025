#!/bin/bash
# quorven-run's own cost against plain Wine, and runs one after another and
# 4 at a time (bench.py says how). ROUNDS runs each way (default 8).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD:-$root/build}"
. "$root/scripts/env.sh"
export WINEPREFIX="${QV_WINEPREFIX:-$build/wineprefix}"
echo "machine: $(sed -n "s/^model name[^:]*: //p" /proc/cpuinfo | head -1), $(nproc) processors, $(uname -m); 32-bit code $(grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386 && echo 'under the i386 emulator' || echo 'runs natively')"
/usr/bin/python3 "$root/bench/run/bench.py" "$build" "${ROUNDS:-8}"
