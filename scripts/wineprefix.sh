#!/bin/bash
# Creates the project's private 32-bit Wine prefix once, and gives it the
# console font (every run: the font settings are applied when missing).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
. "$here/scripts/env.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "setup: creating Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  # wineboot needs no display for a new prefix; keep its windows off any screen.
  DISPLAY= timeout 300 wineboot -i >/dev/null 2>&1 || true
  timeout 60 wineserver -w || true
fi
"$here/scripts/winefonts.sh"
