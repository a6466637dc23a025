#!/usr/bin/env python3
"""A run that times out says what it waited for and what the program's
window showed: grades, given one score and then nothing, still waits for
the empty line when the run's allowance ends; the report must show the
wait, the input sent, the console's wait state and its screen.

    python3 tests/harness/timeout_report_test.py GRADES_EXE"""
import contextlib
import io
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import qvharness as h

proc = h.start(sys.argv[1])
window = h.find_window('Quorven', timeout=60)
if window:
    h.xdotool('windowfocus', '--sync', window, check=False)
    h.xdotool('type', '95', check=False)
    h.xdotool('key', 'Return', check=False)
report = io.StringIO()
with contextlib.redirect_stdout(report):
    # 8 s, 20 s where 32-bit code is emulated: time enough for the typed
    # line to be shown, not a full scaled allowance.
    result = h.finish(proc, timeout=min(h.scaled(8), 20) / h.TIME_SCALE, waiting_for='grades to end')
text = report.getvalue()
print(text)
wanted = ['TIMED OUT after', 'waiting for grades to end', 'xdotool type 95', 'xdotool key Return',
          'class=Quorven', 'waiting in WaitEvent for an event', '| 分数 1: 95', '| 分数 2:']
missing = [w for w in wanted if w not in text]
problems = []
if not window:
    problems.append('no console window')
if not result.timed_out:
    problems.append('the run did not time out (exit code %s)' % result.code)
if missing:
    problems.append('the report lacks %s' % ', '.join(repr(w) for w in missing))
if problems:
    print('TEST FAILED: ' + '; '.join(problems))
    sys.exit(1)
print('TEST PASSED')
