# Environment shared by the demo, the tests and the benchmarks (sourced).
QV_ROOT="${QV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="${QV_WINEPREFIX:-$QV_ROOT/build/wineprefix}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=zh_CN.UTF-8
export LANG=zh_CN.UTF-8
