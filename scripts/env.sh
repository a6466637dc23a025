# Environment shared by the demo, the tests and the benchmarks (sourced).
QV_ROOT="${QV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="${QV_WINEPREFIX:-$QV_ROOT/build/wineprefix}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=zh_CN.UTF-8
export LANG=zh_CN.UTF-8
# Read only by the i386 emulator that runs Wine where the Linux kernel runs
# no 32-bit code (scripts/setup.sh). By default it reserves all 4 GB for the
# emulated process, and Wine's start-up then spends about a minute reserving
# the space above 2 GB in ever smaller pieces, each a full search of the
# emulator's page table. Windows programs live below 2 GB; 16 MB more holds
# the emulated stack and keeps the shared user page at 0x7ffe0000 free.
export QEMU_RESERVED_VA="${QEMU_RESERVED_VA:-0x81000000}"
