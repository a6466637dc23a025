#!/usr/bin/python3
"""quorven-run's own cost, side by side with plain Wine in the same minutes:

- overhead: a program that shows one line and ends, run ROUNDS times each way
  in turns: plainly (`wine PROGRAM` on an X server started for it as the
  tool starts its own), plainly with the window states that quorven-run
  marks on its X server (tools/run/quorven_wmstate.py, which spares Wine a
  wait of 2 s when the window goes), and through quorven-run; best and
  median of each, and the differences: quorven-run against plain wine, and
  its own cost against plain wine with the same window states (of the bests,
  of the medians, and the median of each round's difference);
- 8 runs of the grades example with its CI check (--input, --keys, --expect,
  --expect-exit), one after another and 4 at a time: the wall time of each
  batch, and every run's status must be 0.

usage: bench.py BUILD_DIR [ROUNDS]"""
import os
import statistics
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor

build = os.path.abspath(sys.argv[1])
rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(root, 'tests', 'harness'))
import qvharness as h
sys.path.insert(0, os.path.join(root, 'tools', 'run'))
from quorven_early import WindowStates, XServer

tool = os.path.join(build, 'bin', 'quorven-run')
probe = os.path.join(build, 'bin', 'tests', 'run_tool.exe')
grades = os.path.join(build, 'bin', 'grades.exe')
expected = os.path.join(root, 'examples', 'grades', 'expected.txt')
prefix = os.environ.get('QV_WINEPREFIX') or os.path.join(build, 'wineprefix')
quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def plain(states=False):
    """Seconds for `wine PROGRAM` on an X server started for it (with
    quorven-run's window states, started beside the X server as the tool
    starts them)."""
    start = time.time()
    xserver = XServer()
    marks = WindowStates(xserver.number) if states else None
    if not xserver.ready() or (marks and not marks.ready()):
        sys.exit('Xvfb did not start')
    env = h.wine_env({'display': ':%d' % xserver.number, 'prefix': prefix})
    subprocess.run(['wine', probe], env=env, timeout=h.scaled(120), **quiet)
    if marks:
        marks.close()
    xserver.close()
    return time.time() - start


def through_tool(*args):
    start = time.time()
    r = subprocess.run([tool] + list(args), timeout=h.scaled(600), **quiet)
    return time.time() - start, r.returncode


def grades_run(_=None):
    return through_tool('--input', '95', '--input', '58', '--input', '73', '--keys', 'Return', '--expect', expected,
                        '--expect-exit', '1', grades)


# The prefix is ready and the Wine server up before anything is timed, and
# the first run of each kind is not counted.
through_tool(probe)
plain()
plain(True)
times = {'plain': [], 'marked': [], 'tool': []}
for i in range(rounds):
    # In turns, the order changing every round.
    kinds = ['plain', 'marked', 'tool']
    for kind in kinds[i % 3:] + kinds[:i % 3]:
        times[kind].append(plain() if kind == 'plain' else plain(True) if kind == 'marked' else
                           through_tool(probe)[0])


def row(name, value, unit='s'):
    print('  %-58s %8.3f %s' % (name, value, unit))


def differences(title, a, b):
    print(title)
    row('best against best', min(a) - min(b))
    row('median against median', statistics.median(a) - statistics.median(b))
    # A round's runs ran within seconds of each other: their difference is
    # the least disturbed by what else the machine does meanwhile.
    row('median of the rounds\' differences', statistics.median(x - y for x, y in zip(a, b)))


print('quorven-run against plain wine, %d rounds in turns (a program that ends at once):' % rounds)
for kind, name in (('plain', 'plain wine on its own Xvfb'), ('marked', 'the same with quorven-run\'s window states'),
                   ('tool', 'quorven-run')):
    row(name + ', best', min(times[kind]))
    row(name + ', median', statistics.median(times[kind]))
differences('quorven-run less plain wine (Wine\'s 2 s wait spared):', times['tool'], times['plain'])
differences('its own cost, less plain wine with the same window states (target 0.1 s):', times['tool'],
            times['marked'])

start = time.time()
one_by_one = [grades_run() for _ in range(8)]
sequential = time.time() - start
start = time.time()
with ThreadPoolExecutor(4) as pool:
    four_at_a_time = list(pool.map(grades_run, range(8)))
parallel = time.time() - start
print('8 CI checks of the grades example (--input x4, --expect, --expect-exit):')
row('one after another, all 8', sequential)
row('4 at a time, all 8', parallel)
row('one run alone, median', statistics.median(t for t, _ in one_by_one))
row('one run of 4 at a time, median', statistics.median(t for t, _ in four_at_a_time))
bad = [code for _, code in one_by_one + four_at_a_time if code != 0]
if bad:
    print('  %d of 16 runs did not pass their check (status %s)' % (len(bad), sorted(set(bad))))
    sys.exit(1)
print('  all 16 runs passed their check')
