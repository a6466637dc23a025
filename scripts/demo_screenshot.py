#!/usr/bin/env python3
"""Takes docs/demo.png: runs the demo in a Wine virtual desktop (which draws
the window's frame and caption) on the test session's private Xvfb and
captures it.  usage: QV_TEST_STATE=build/test-state scripts/demo_screenshot.py"""
import os
import subprocess
import sys
import time
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'harness'))
import qvharness as h

root = h.ROOT
exe = os.path.join(root, 'build', 'bin', 'demo.exe')
out = os.path.join(root, 'docs', 'demo.png')
h.delete_console_value()
proc = subprocess.Popen(['wine', 'explorer', '/desktop=QuorvenDemo,640x480', exe, '8'], env=h.wine_env(),
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
time.sleep(5)
shot = out + '.full.png'
h.screenshot(shot)
subprocess.run(['convert', shot, '-crop', '640x480+0+0', '+repage', out], check=True)
os.remove(shot)
try:
    proc.wait(timeout=30)
except subprocess.TimeoutExpired:
    h.kill_group(proc)
h.delete_console_value()
print('wrote', out)
