"""The window's first show state: OpenConsole passes the start-up show
command OR 6 to ShowWindow. Without STARTF_USESHOWWINDOW the C run-time
gives SW_SHOWDEFAULT (10), so ShowWindow gets 14, which is above SW_MAX and
leaves the window hidden, with no WM_SIZE and so no view and no buffer.
SW_SHOWNORMAL (1) becomes 7 (SW_SHOWMINNOACTIVE): minimized, again without
a view. tests/console/probe.c starts itself with each show command."""
import re
import sys
sys.path.insert(0, 'tests/harness')
import qvharness as h

exe = sys.argv[1]
failures = []
# start-up flag and command -> (visible, iconic, windowState, has buffer)
cases = [('report', (0, 0, 0, 0)),        # started by wine: 10 | 6 = 14
         ('spawn -', (0, 0, 0, 0)),       # no STARTF_USESHOWWINDOW: 14 again
         ('spawn 10', (0, 0, 0, 0)),      # SW_SHOWDEFAULT: 14
         ('spawn 1', (1, 1, 1, 0)),       # SW_SHOWNORMAL: 7, minimized
         ('spawn 3', (1, 1, 1, 0)),       # SW_SHOWMAXIMIZED: 7
         ('spawn 0', (1, 1, 1, 0)),       # SW_HIDE: 6, SW_MINIMIZE
         ('spawn 9', (0, 0, 0, 0))]       # SW_RESTORE: 15, above SW_MAX: hidden
for args, want in cases:
    r = h.run(exe, args.split(), timeout=40)
    sys.stdout.write('--- %s ---\n%s' % (args, r.out))
    m = re.search(r'visible (\d+) iconic (\d+) showCmd \d+ windowState (\d+) view \d+x\d+ buffer (\d+)', r.out)
    got = tuple(int(x) for x in m.groups()) if m else None
    print('%s %s: got %s, expected %s' % ('ok' if got == want else 'FAIL', args, got, want))
    if got != want or r.code != 0 or r.timed_out:
        failures.append(args)
if failures:
    print('TEST FAILED: ' + ', '.join(failures))
    sys.exit(1)
print('TEST PASSED')
