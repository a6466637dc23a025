#!/usr/bin/env python3
"""Runs the demo on the session's private display, waits until its console
window has drawn, saves a screenshot and closes the window.
usage: demo_shot.py DEMO.exe SHOT.png [ARGS...]"""
import sys
import time
import qvharness as h

demo, shot = sys.argv[1], sys.argv[2]
proc = h.start(demo, sys.argv[3:])
window = h.find_window('Quorven', timeout=30)
time.sleep(3)  # let the demo finish drawing
h.screenshot(shot)
# Closing the window ends the program through its shutdown (exit code 0).
h.close_console()
r = h.finish(proc, timeout=10)
if r.timed_out:
    print('demo: the program did not end after its window was closed', file=sys.stderr)
