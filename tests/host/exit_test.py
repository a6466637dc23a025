#!/usr/bin/env python3
"""ExitProgram ends the process with its code after the shutdown hook, and
before OpenConsole it leaves the registry alone; an entry that returns ends
the process with its result."""
import os
import sys
sys.path.insert(0, 'tests/harness')
import qvharness as h

exe = sys.argv[1]
failures = []
h.delete_console_value()
r = h.run(exe, timeout=30)
print(r.out)
lines = r.lines()
if r.code != 37:
    failures.append('exit code %s, expected 37' % r.code)
if 'calling ExitProgram(37)' not in lines or not any(l.startswith('hook ran, 1 passed, 0 failed') for l in lines):
    failures.append('hook did not run after the checks')
elif lines.index('calling ExitProgram(37)') > [i for i, l in enumerate(lines) if l.startswith('hook ran')][0]:
    failures.append('hook ran before ExitProgram')
if h.query_console_value() is not None:
    failures.append('ExitProgram without a console wrote the registry')

r = h.run(os.path.join(os.path.dirname(exe), 'entry_return.exe'), timeout=30)
print(r.out)
if r.code != 9 or 'returning 9' not in r.lines() or any(l.startswith('FAIL') for l in r.lines()):
    failures.append('entry_return: exit code %s, expected 9' % r.code)
if failures:
    print('TEST FAILED: ' + '; '.join(failures))
    sys.exit(1)
print('TEST PASSED')
