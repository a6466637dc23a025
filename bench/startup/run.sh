#!/bin/bash
# Start-up of a joined program against a plain Win32 window program, side by
# side in one run (bench.py says how). PAIRS pairs (default 30).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD:-$root/build}"
. "$root/scripts/env.sh"
export WINEPREFIX="${QV_WINEPREFIX:-$build/wineprefix}"
echo "machine: $(sed -n "s/^model name[^:]*: //p" /proc/cpuinfo | head -1), $(nproc) processors, $(uname -m); 32-bit code $(grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386 && echo 'under the i386 emulator' || echo 'runs natively')"
/usr/bin/python3 "$root/bench/startup/bench.py" "$build" "${PAIRS:-30}"
