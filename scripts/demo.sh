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

if [ -n "${DISPLAY:-}" ]; then
  export QV_WINEPREFIX="$BUILD/wineprefix"
  "$here/scripts/wineprefix.sh"
  . "$here/scripts/env.sh"
  exec wine "$demo" "$@"
fi

state="$BUILD/demo-state"
shot="$BUILD/demo.png"
python3 "$here/tests/harness/session.py" start "$state" >/dev/null
trap 'python3 "$here/tests/harness/session.py" stop "$state" >/dev/null' EXIT
QV_BIN_DIR="$BUILD/bin" QV_TEST_STATE="$state" PYTHONPATH="$here/tests/harness" python3 "$here/scripts/demo_shot.py" "$demo" "$shot" "$@"
echo "$shot"
