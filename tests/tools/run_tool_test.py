#!/usr/bin/env python3
"""quorven-run, end to end: bad use gets one line and status 2; two runs of
the sum example at once, with Chinese and ASCII input, each give their own
exact screen text; a script that runs out ends the run with 125 and a
screenshot; --timeout ends a program that computes for ever with 124; a
faulting program fails the run with the fault's code.
usage: run_tool_test.py RUNPROBE.exe"""
import os
import subprocess
import sys
import tempfile
import threading
import time
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'harness'))
from qvharness import processor_fault

probe = os.path.abspath(sys.argv[1])
bin_dir = os.environ.get('QV_BIN_DIR') or os.path.join('build', 'bin')
tool = os.path.join(bin_dir, 'quorven-run')
sum_exe = os.path.join(bin_dir, 'sum.exe')
failures = []


def run(*args, timeout=300):
    start = time.time()
    r = subprocess.run([tool] + list(args), capture_output=True, timeout=timeout, stdin=subprocess.DEVNULL)
    r.seconds = time.time() - start
    r.out, r.err = r.stdout.decode('utf-8', 'replace'), r.stderr.decode('utf-8', 'replace')
    return r


def check(name, ok, r=None):
    print('%s %s' % ('ok' if ok else 'FAIL', name))
    if not ok:
        failures.append(name)
        if r is not None:
            print('  exit %s after %.1f s\n  stdout: %r\n  stderr: %r' % (r.returncode, r.seconds, r.out, r.err))


def one_line(r, word):
    lines = r.err.strip().splitlines()
    return r.returncode == 2 and len(lines) == 1 and lines[0].startswith('quorven-run: ') and word in lines[0]


with tempfile.TemporaryDirectory() as d:
    text = os.path.join(d, 'notes.exe')
    with open(text, 'w') as f:
        f.write('not a program\n')
    for name, args, word in [
        ('unknown option', ['--colour', sum_exe], '--colour'),
        ('missing program', [os.path.join(d, 'none.exe')], 'no such file'),
        ('a text file', [text], 'not a Windows executable'),
        ('an executable that is not a joined program', [os.path.join(bin_dir, 'quorven.exe')], 'not a joined'),
        ('missing input file', ['--input-file', os.path.join(d, 'none.txt'), sum_exe], 'cannot read'),
        ('a key that gives no event', ['--keys', 'Return shift', sum_exe], 'shift'),
    ]:
        r = run(*args, timeout=60)
        check('bad use, %s: one line, status 2' % name, one_line(r, word), r)

    # Two runs at once, each with its own X server and Wine server; the
    # Chinese line is refused by the program and shown back.
    first = ['求和 Sum', '第一个数: 四十二', '不是整数：四十二', '第一个数: 42', '第二个数: 58', '42 + 58 = 100']
    second = ['求和 Sum', '第一个数: -7', '第二个数: 1234', '-7 + 1234 = 1227']
    results = {}
    jobs = [threading.Thread(target=lambda k, a: results.__setitem__(k, run(*a)), args=(k, a)) for k, a in [
        ('first', ['--input', '四十二', '--input', '42', '--input', '58', '--screen', '-', sum_exe]),
        ('second', ['--input', '-7', '--input', '1234', '--screen', '-', sum_exe]),
    ]]
    for j in jobs:
        j.start()
    for j in jobs:
        j.join()
    for key, expected in (('first', first), ('second', second)):
        r = results[key]
        check('parallel run %s: exit 0 and the screen %r' % (key, expected),
              r.returncode == 0 and r.out.splitlines() == expected, r)

    # The script runs out: the window is closed when the program waits again.
    png = os.path.join(d, 'shot.png')
    screen = os.path.join(d, 'screen.txt')
    r = run('--input', '5', '--screen', screen, '--png', png, sum_exe)
    saved = open(screen, encoding='utf-8').read().splitlines() if os.path.exists(screen) else None
    check('script used up: status 125, said on stderr, the screen up to the second prompt',
          r.returncode == 125 and 'more input' in r.err and saved == ['求和 Sum', '第一个数: 5', '第二个数:'], r)
    shot = subprocess.run(['identify', '-format', '%w %h', png], capture_output=True, text=True)
    size = [int(v) for v in shot.stdout.split()] if shot.returncode == 0 else [0, 0]
    check('script used up: a screenshot of the window (%s)' % shot.stdout.strip(),
          size[0] >= 400 and size[1] >= 300 and size[0] < 1280, r)

    # A program that never waits for input is ended at the time-out, counted
    # from its start.
    r = run('--timeout', '6', '--screen', '-', probe, 'spin')
    check('time-out: status 124, said on stderr, ended in time',
          r.returncode == 124 and 'time-out' in r.err and r.seconds < 120, r)

    # A fault box is answered Cancel: the program ends with 1, the code is
    # reported, the screen is that of the moment, the arguments arrive.
    # A double-byte character split by the wrap stays with the row it starts in.
    r = run('--screen', '-', probe, 'fault', 'two words')
    lines = r.out.splitlines()
    cols = int(lines[1].split()[1]) if len(lines) > 1 and lines[1].startswith('cols ') else 0
    code = processor_fault('C0000005')
    check('fault: status 1, exception %s on stderr, the screen and the arguments' % code,
          r.returncode == 1 and code in r.err and cols > 10
          and lines == ['args: fault "two words"', 'cols %d' % cols, 'x' * (cols - 1) + '中', '文',
                        'before the fault'], r)

print('%d failed' % len(failures))
sys.exit(1 if failures else 0)
