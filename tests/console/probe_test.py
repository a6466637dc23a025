"""The window's first show: OpenConsole passes the start-up show command OR 6
to ShowWindow (SW_SHOWNORMAL, 1, becomes 7, minimized; SW_SHOWDEFAULT, 10,
becomes 14, above SW_MAX, which leaves the window hidden). Windows then shows
a program's main window as its launcher asked; Wine does not, so under Wine
the kernel shows it again with the launcher's wShowWindow, or normally when
the launcher passed no start-up information. A program that never calls
RestoreConsole then shows its window and the text it wrote, started plainly
by wine, by "wine start" as a desktop starts it, or by CreateProcess with
each show command (tests/console/probe.c)."""
import os
import re
import sys
import tempfile
sys.path.insert(0, 'tests/harness')
import qvharness as h

exe = sys.argv[1]
failures = []
# how it is started -> (visible, iconic, windowState, has buffer)
NORMAL = (1, 0, 0, 1)
cases = [('report', NORMAL),              # started by wine: no start-up information
         ('start', NORMAL),               # wine start: SW_SHOWNORMAL, as a desktop starts it
         ('spawn -', NORMAL),             # no STARTF_USESHOWWINDOW
         ('spawn 10', NORMAL),            # SW_SHOWDEFAULT
         ('spawn 1', NORMAL),             # SW_SHOWNORMAL: 7 first, then normal
         ('spawn 9', NORMAL),             # SW_RESTORE: 15 (refused), then normal
         ('spawn 3', (1, 0, 2, 1)),       # SW_SHOWMAXIMIZED
         ('spawn 7', (1, 1, 1, 0)),       # SW_SHOWMINNOACTIVE: minimized as asked
         ('spawn 0', (0, 1, 1, 0))]       # SW_HIDE: hidden as asked (after the minimizing 6)
for how, want in cases:
    h.delete_console_value()  # every case opens at the default rectangle
    if how == 'start':
        out = tempfile.NamedTemporaryFile(suffix='.txt', delete=False)
        out.close()
        proc = h.start('start', ['/wait', '/unix', os.path.abspath(exe), 'report',
                                 'Z:' + out.name.replace('/', '\\')])
        r = h.finish(proc, timeout=40)
        with open(out.name, errors='replace') as f:
            r.out += f.read()
        os.unlink(out.name)
    else:
        r = h.run(exe, how.split(), timeout=40)
    sys.stdout.write('--- %s ---\n%s' % (how, r.out))
    m = re.search(r'visible (\d+) iconic (\d+) showCmd \d+ windowState (\d+) view \d+x\d+ buffer (\d+) ink (\d+) '
                  r'bar (-?\d+)', r.out)
    got = tuple(int(x) for x in m.groups()[:4]) if m else None
    ink = int(m.group(5)) if m else 0
    bar = int(m.group(6)) if m else 0
    shown = want[0] and not want[1]
    # A window shown by the opening has its scroll bar painted as it is.
    ok = got == want and (ink > 0) == bool(shown) and bar == (1 if shown else -1)
    print('%s %s: got %s with %d pixels of text, scroll bar %s, expected %s%s' %
          ('ok' if ok else 'FAIL', how, got, ink, {1: 'as painted', 0: 'stale', -1: 'not shown'}.get(bar, bar), want,
           ' with text and the bar as painted' if shown else ''))
    if not ok or r.code != 0 or r.timed_out:
        failures.append(how)
if failures:
    print('TEST FAILED: ' + ', '.join(failures))
    sys.exit(1)
print('TEST PASSED')
