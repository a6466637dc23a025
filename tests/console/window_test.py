"""Drives tests/console/window.c: the window's rectangle from the registry,
the class and the window, and closing the window."""
import re
import sys
sys.path.insert(0, 'tests/harness')
import qvharness as h

exe = sys.argv[1]
failures = []


def run(mode, expect_code=0):
    r = h.run(exe, [mode], timeout=40)
    sys.stdout.write('--- %s ---\n%s' % (mode, r.out))
    bad = [l for l in r.lines() if l.startswith('FAIL')]
    if r.timed_out or r.code != expect_code or bad:
        failures.append('%s: code %s timed out %s %s' % (mode, r.code, r.timed_out, bad))
    return r


def rect_of(r):
    m = re.search(r'^rect (-?\d+,-?\d+,-?\d+,-?\d+)$', r.out, re.M)
    return m.group(1) if m else None


def expect(what, got, want):
    ok = got == want
    print('%s %s: got %r, expected %r' % ('ok' if ok else 'FAIL', what, got, want))
    if not ok:
        failures.append(what)


# Nothing exists before OpenConsole.
h.delete_console_value()
run('before')
expect('no value stored by a run without a window', h.query_console_value(), None)

# The rectangle the window opens at, on the 1280 x 1024 screen of the tests.
for stored, want in [(None, '3,3,634,474'),
                     ('100,50,740,530', '100,50,740,530'),
                     ('10,10,300,0', '3,3,634,474'),      # bottom 0
                     ('10,20', '3,3,634,474'),            # fewer than four numbers
                     ('abc', '3,3,634,474'),
                     ('100,50,100,530', '3,3,634,474'),   # no width
                     ('640,544,1280,1024', '640,544,1280,1024'),  # the screen's corner: as saved
                     # Off the screen or partly off it: moved onto it, shrunk
                     # only where larger than the screen.
                     ('5000,4000,5640,4480', '640,544,1280,1024'),
                     ('-3000,-2000,-2360,-1520', '0,0,640,480'),
                     ('1000,900,1640,1380', '640,544,1280,1024'),
                     ('-8,-8,1032,776', '0,0,1040,784'),
                     # Taller than the screen, and wider than the tracking limit of
                     # the first WM_GETMINMAXINFO, which arrives before the font is
                     # measured: 1040 x 4128.
                     ('0,0,1100,4200', '0,0,1040,1024')]:
    if stored is None:
        h.delete_console_value()
    else:
        h.set_console_value(stored)
    r = run('rect')
    expect('window from %r' % stored, rect_of(r), want)
    # The value stays as it was while the program runs.
    m = re.search(r'^stored (\S+)$', r.out, re.M)
    expect('stored while open from %r' % stored, m and m.group(1), stored or 'none')
    # The run ends through ExitProgram, which stores the rectangle again.
    expect('stored after %r' % stored, h.query_console_value(), want)

h.delete_console_value()
run('class')

# WM_CLOSE ends the process with 0, runs the hook, stores the rectangle.
h.set_console_value('30,40,670,520')
r = run('close')
expect('hook ran on close', 'hook ran' in r.out, True)
expect('stored on close', h.query_console_value(), rect_of(r))
expect('moved rectangle', rect_of(r), '120,60,760,540')

# A minimized window keeps the stored value as it was.
h.set_console_value('30,40,670,520')
run('minimized')
expect('minimized leaves the value', h.query_console_value(), '30,40,670,520')

h.delete_console_value()
if failures:
    print('TEST FAILED: ' + '; '.join(failures))
    sys.exit(1)
print('TEST PASSED')
