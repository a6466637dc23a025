#!/usr/bin/env python3
"""At a screen of more than 96 DPI (a session and Wine prefix of its own):
the console's cells, glyphs and window, with the window opening at the
default rectangle grown with the DPI while no value is stored
(tests/console/pixels.c), and a saved rectangle opening exactly as saved,
even one equal to the default (tests/console/window.c's "rect" mode).
usage: dpi_test.py PIXELS.exe WINDOW.exe"""
import re
import sys
sys.path.insert(0, 'tests/harness')
import qvharness as h

pixels, window = sys.argv[1], sys.argv[2]
failures = []


def run(exe, args):
    r = h.run(exe, args, timeout=50)
    sys.stdout.write('--- %s %s ---\n%s' % (exe.rsplit('/', 1)[-1], ' '.join(args), r.out))
    bad = [l for l in r.lines() if l.startswith('FAIL')]
    if r.timed_out or r.code != 0 or bad or not any(l.startswith('ok') for l in r.lines()):
        failures.append('%s %s: code %s, timed out %s, %s' % (exe, args, r.code, r.timed_out, bad[:5]))
    return r


h.delete_console_value()
run(pixels, ['default'])
for stored in ('100,50,740,530', '3,3,634,474'):
    h.set_console_value(stored)
    r = run(window, ['rect'])
    m = re.search(r'^rect (-?\d+,-?\d+,-?\d+,-?\d+)$', r.out, re.M)
    got = m and m.group(1)
    print('%s saved %s opens at %s' % ('ok' if got == stored else 'FAIL', stored, got))
    if got != stored:
        failures.append('saved %s opened at %s' % (stored, got))
h.delete_console_value()
if failures:
    print('FAIL ' + '; '.join(failures))
    sys.exit(1)
