#!/usr/bin/env python3
"""Real command lines reach the header: a quoted program name with blanks, an
unquoted name with a tab, an empty tail, blanks and control bytes skipped."""
import os
import shutil
import sys
sys.path.insert(0, 'tests/harness')
import qvharness as h

exe = sys.argv[1]
if os.environ.get('QV_LOCALE'):
    # Joined with --code-page 936 and run on another system code page: a
    # Chinese argument reaches the tail as GBK, as under code page 936.
    r = h.run(exe, ['中文', 'x'], timeout=30, env_extra={'QV_TAIL_CONVERTED': '1'})
    ok = r.code == 0 and 'hex=D6D0CEC42078' in r.lines() and not any(l.startswith('FAIL') for l in r.lines())
    print(r.out, r.err)
    print('TEST PASSED' if ok else 'TEST FAILED')
    sys.exit(0 if ok else 1)
launch = os.path.join(os.path.dirname(exe), 'qvlaunch.exe')
drive_c = os.path.join(h.load_session()['prefix'], 'drive_c')
for d in ('qv test dir', 'qvtest'):
    os.makedirs(os.path.join(drive_c, d), exist_ok=True)
    shutil.copy(exe, os.path.join(drive_c, d, 'startup_cmdline.exe'))

cases = [
    (b'"C:\\qv test dir\\startup_cmdline.exe"   abc def', 'abc def'),
    (b'C:\\qvtest\\startup_cmdline.exe\tword', 'word'),
    (b'"C:\\qv test dir\\startup_cmdline.exe"', ''),
    (b'C:\\qvtest\\startup_cmdline.exe', ''),
    (b'"C:\\qv test dir\\startup_cmdline.exe"x y', 'x y'),
    (b'C:\\qvtest\\startup_cmdline.exe \t\x01 "quoted arg" z ', '"quoted arg" z '),
]
failures = []
for line, expected in cases:
    with open(os.path.join(drive_c, 'qvcmd.txt'), 'wb') as f:
        f.write(line)
    r = h.run(launch, ['C:\\qvcmd.txt'], timeout=30)
    want = 'tail=[%s] length=%d end=1' % (expected, len(expected))
    ok = r.code == 0 and want in r.lines() and not any(l.startswith('FAIL') for l in r.lines())
    print('%s %r -> %r' % ('ok' if ok else 'FAIL', line, [l for l in r.lines() if l.startswith('tail=')]))
    if not ok:
        print(r.out, r.err)
        failures.append(line)
if failures:
    print('TEST FAILED')
    sys.exit(1)
print('TEST PASSED')
