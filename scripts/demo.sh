#!/bin/bash
# Runs the console demo under Wine: on the current display, or on a private
# Xvfb when there is none (then it only runs; take a screenshot with
# scripts/demo_screenshot.sh).
set -e
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
if [ -z "$DISPLAY" ]; then
    Xvfb :77 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb' EXIT
    export DISPLAY=:77
    sleep 1
fi
wine "$QV_ROOT/build/bin/demo.exe" "$@"
