#!/usr/bin/env python3
"""ExitProgram stores the console window's outer rectangle as
"left,top,right,bottom" (REG_SZ, the NUL counted in the data size), with
minus signs left of or above the screen's origin."""
import sys
sys.path.insert(0, 'tests/harness')
import qvharness as h

exe = sys.argv[1]
failures = []


def step(*args):
    r = h.run(exe, list(args), timeout=30)
    print(r.out.strip())
    if r.code != 0 or r.timed_out:
        failures.append('%s: exit %s%s' % (' '.join(args), r.code, ' (timed out)' if r.timed_out else ''))
    return r


def read():
    r = step('read')
    for line in r.lines():
        if line.startswith('value='):
            return line
    return None


for rect, text in (((10, 20, 650, 500), '10,20,650,500'), ((-8, -8, 1032, 776), '-8,-8,1032,776')):
    h.delete_console_value()
    r = step('move', *map(str, rect))
    if 'rect=' + text not in r.lines():
        failures.append('the platform did not place the window at %s' % text)
    got = read()
    want = 'value=%s type=1 size=%d' % (text, len(text) + 1)
    print('%s %s' % ('ok' if got == want else 'FAIL', got))
    if got != want:
        failures.append('stored %r, expected %r' % (got, want))

if failures:
    print('TEST FAILED: ' + '; '.join(failures))
    sys.exit(1)
print('TEST PASSED')
