#!/bin/bash
# The main job: runs the sample program (already built and joined by `make`)
# in its console window. With $DISPLAY it opens there and runs until the
# window is closed; without, it runs on a private Xvfb, saves a screenshot
# and prints the file's path.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD:-build}"
case "$BUILD" in /*) ;; *) BUILD="$here/$BUILD" ;; esac
demo="$BUILD/bin/demo.exe"
[ -f "$demo" ] || { echo "demo: $demo is missing; run make first" >&2; exit 1; }
# --locale NAME: run on that system code page (en_US.UTF-8: 1252), as a user
# of an English Windows would see the program.
locale=
if [ "${1:-}" = --locale ]; then
  [ -n "${2:-}" ] || { echo "demo: --locale needs a locale name (en_US.UTF-8)" >&2; exit 2; }
  locale -a | grep -qix "$(echo "$2" | sed 's/UTF-8/utf8/I')" || { echo "demo: locale $2 is not installed" >&2; exit 2; }
  locale="$2"
  shift 2
fi

if [ -n "${DISPLAY:-}" ]; then
  export QV_WINEPREFIX="$BUILD/wineprefix"
  "$here/scripts/wineprefix.sh"
  . "$here/scripts/env.sh"
  if [ -n "$locale" ]; then export LC_ALL="$locale" LANG="$locale"; fi
  exec wine "$demo" "$@"
fi

state="$BUILD/demo-state"
shot="$BUILD/demo.png"
python3 "$here/tests/harness/session.py" start "$state" >/dev/null
trap 'python3 "$here/tests/harness/session.py" stop "$state" >/dev/null' EXIT
QV_LOCALE="$locale" QV_BIN_DIR="$BUILD/bin" QV_TEST_STATE="$state" PYTHONPATH="$here/tests/harness" python3 "$here/scripts/demo_shot.py" "$demo" "$shot" "$@"
echo "$shot"
