#!/usr/bin/env python3
"""The interactive demo under real input: it answers a name typed into
ReadLine, keeps running through keys and clicks, and ends with code 0 when
its window is closed."""
import os
import sys
import time
sys.path.insert(0, 'tests/harness')
import qvharness as h

h.delete_console_value()
p = h.start(os.path.join(os.environ.get('QV_BIN_DIR', 'build/bin'), 'demo.exe'))
window = h.find_window('Quorven')
if not window:
    h.kill_group(p)
    sys.exit('FAIL the demo opened no window')
h.xdotool('windowfocus', '--sync', window)
time.sleep(0.5)
h.xdotool('type', '--delay', '20', 'Ada')
h.xdotool('key', 'Return', 'F1', 'ctrl+F10', 'shift+Prior', 'x')
h.xdotool('mousemove', '--window', window, 100, 200)
h.xdotool('click', 1)
h.xdotool('click', 3)
time.sleep(0.5)
if p.poll() is not None:
    sys.exit('FAIL the demo ended before its window was closed (code %s)' % p.returncode)
h.xdotool('key', 'alt+F4')
r = h.finish(p, 15)
if r.timed_out or r.code != 0:
    print('FAIL closing the window: code %s, timed out %s' % (r.code, r.timed_out))
    sys.exit(1)
print('ok the demo ran interactively and ended with code 0 when closed')
