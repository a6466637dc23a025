#!/bin/bash
# Runs the console demo under Wine: on the current display, or on a private
# Xvfb when there is none (then it only runs; take a screenshot with
# scripts/demo_screenshot.sh).
set -e
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
if [ -z "$DISPLAY" ]; then
    n=170
    while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb' EXIT
    export DISPLAY=:$n
    sleep 1
fi
wine "$QV_ROOT/build/bin/demo.exe" "$@"
