#!/usr/bin/env python3
"""Runs the viewer example as a user would: picks a text file in the open
dialog (found by its GBK caption), lets it show the file, presses a key.
The viewer ends with 0 only when it could open and read the file; a
screenshot of the console is left in the test state folder.
usage: viewer_test.py VIEWER_EXE"""
import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, 'tests/harness')
import qvharness as h

folder = tempfile.mkdtemp(prefix='qvview-')
with open(os.path.join(folder, 'poem.txt'), 'wb') as f:
    f.write('静夜思\r\n\r\n床前明月光，\r\n疑是地上霜。\r\n\tindented\r\n'.encode('gbk') + b'x' * 700 + b'\r\nlast')
problems = []
proc = h.start(sys.argv[1], cwd=folder)
try:
    dialog = h.find_window('选择要查看的文本文件', timeout=20)
    if not dialog:
        raise RuntimeError('no dialog captioned 选择要查看的文本文件')
    h.xdotool('windowfocus', '--sync', dialog)
    time.sleep(0.3)
    h.xdotool('type', '--delay', '30', 'poem.txt')
    time.sleep(0.3)
    h.xdotool('key', '--delay', '50', 'Return')
    time.sleep(4)
    if proc.poll() is not None:
        raise RuntimeError('the viewer ended before a key was pressed')
    h.screenshot(os.path.join(h.state_dir(), 'viewer.png'))
    console = h.find_window('Quorven', timeout=5)
    if not console:
        raise RuntimeError('no console window')
    h.xdotool('windowfocus', '--sync', console)
    h.xdotool('key', 'space')
except Exception as e:
    problems.append(str(e))
r = h.finish(proc, timeout=15)
shutil.rmtree(folder, ignore_errors=True)
if r.timed_out:
    problems.append('timed out')
elif r.code != 0:
    problems.append('exit code %s' % r.code)
print('FAIL viewer: ' + '; '.join(problems) if problems else 'ok viewer showed the file and ended on a key')
sys.exit(1 if problems else 0)
