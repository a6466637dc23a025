#!/bin/sh
# Builds the kernel alone from this source tree, in a folder of its own, and
# prints the SHA-256 of the kernel it made: what a compiler that ships
# quorven.exe compares with the kernel it ships.
#   scripts/rebuild-kernel.sh [DIR [WINDOWS_TARGET...]]
# DIR (default build-kernel) receives native/ (the padder and the joiner),
# windows/ (the cross build) and bin/quorven.exe; WINDOWS_TARGETs are built
# as well (for example grades, a sample program joined to that kernel, as
# bin/grades.exe). Needs what scripts/setup.sh installs.
set -e
src=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-build-kernel}
[ $# -gt 0 ] && shift
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
log="$dir/rebuild.log"
: >"$log"
step() {
    if ! "$@" >>"$log" 2>&1; then
        tail -n 20 "$log" >&2
        echo "rebuild-kernel: failed: $* (the whole output: $log)" >&2
        exit 1
    fi
}
step cmake -S "$src" -B "$dir/native" -DCMAKE_BUILD_TYPE=Release -DQV_BIN_DIR="$dir/native/bin"
step cmake --build "$dir/native" --target quorven-padkernel quorven-join -j2
step cmake -S "$src" -B "$dir/windows" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQV_BIN_DIR="$dir/bin" \
    -DQV_JOIN="$dir/native/bin/quorven-join" -DQV_PADKERNEL="$dir/native/bin/quorven-padkernel"
step cmake --build "$dir/windows" --target kernel-imports "$@" -j2
cd "$dir/bin"
sha256sum quorven.exe
