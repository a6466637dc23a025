#!/usr/bin/env python3
"""Runs tests/services/flush.c once for every way the program can end and
checks that the streams it left open reached their files.
usage: flush_test.py EXE"""
import os
import shutil
import sys
import tempfile

sys.path.insert(0, 'tests/harness')
import qvharness as h

FAULT_CAPTION = '异常中断'


def cancel_fault_box():
    window = h.find_window('^' + FAULT_CAPTION + '$', timeout=20)
    if not window:
        return 'no fault box'
    h.xdotool('windowfocus', '--sync', window, check=False)
    h.xdotool('key', 'Escape')
    return None


failed = []
for way in ['own', 'return', 'close', 'quit', 'peek', 'fault']:
    folder = tempfile.mkdtemp(prefix='qvflush-')
    problems = []
    expect_code = 1 if way == 'fault' else 0
    try:
        proc = h.start(sys.argv[1], [way], cwd=folder)
        if way == 'fault':
            problem = cancel_fault_box()
            if problem:
                problems.append(problem)
        r = h.finish(proc, timeout=30)
        files = {}
        for name in ['left.txt', 'update.txt']:
            path = os.path.join(folder, name)
            files[name] = open(path, 'rb').read() if os.path.exists(path) else None
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    if r.timed_out:
        problems.append('timed out')
    if r.code != expect_code:
        problems.append('exit code %s' % r.code)
    if any(l.startswith('FAIL') for l in r.lines()):
        problems.append('a check failed')
    if 'ok shutdown hook ran' not in r.out:
        problems.append('the shutdown hook did not run')
    if files['left.txt'] != b'left open\r\nfrom the hook\r\n':
        problems.append('left.txt holds %r' % files['left.txt'])
    if files['update.txt'] != b'0123ab6789':
        problems.append('update.txt holds %r' % files['update.txt'])
    print('%s %s%s' % ('FAIL' if problems else 'ok', way, ': ' + '; '.join(problems) if problems else ''))
    if problems:
        sys.stdout.write(r.out)
        failed.append(way)
sys.exit(1 if failed else 0)
