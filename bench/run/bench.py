#!/usr/bin/python3
"""quorven-run's own cost, side by side with plain Wine in the same minutes:

- overhead: a program that shows one line and ends, run ROUNDS times each way
  in turns: plainly (an X server of its own, Xvfb -displayfd, then `wine
  PROGRAM`) and through quorven-run; best and median of each, and the
  overhead as the difference of the bests, of the medians and the median of
  each round's difference;
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

tool = os.path.join(build, 'bin', 'quorven-run')
probe = os.path.join(build, 'bin', 'tests', 'run_tool.exe')
grades = os.path.join(build, 'bin', 'grades.exe')
expected = os.path.join(root, 'examples', 'grades', 'expected.txt')
prefix = os.environ.get('QV_WINEPREFIX') or os.path.join(build, 'wineprefix')
quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def plain():
    """Seconds for `wine PROGRAM` on an X server started for it."""
    start = time.time()
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(['Xvfb', '-displayfd', str(write_end), '-screen', '0', '1280x1024x24', '-nolisten',
                             'tcp'], pass_fds=(write_end,), start_new_session=True, **quiet)
    os.close(write_end)
    number = b''
    while not number.endswith(b'\n'):
        chunk = os.read(read_end, 16)
        if not chunk:
            sys.exit('Xvfb did not start')
        number += chunk
    os.close(read_end)
    env = h.wine_env({'display': ':' + number.decode().strip(), 'prefix': prefix})
    subprocess.run(['wine', probe], env=env, timeout=h.scaled(120), **quiet)
    xvfb.terminate()
    xvfb.wait()
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
plains, tools = [], []
for i in range(rounds):
    # In turns, which goes first changing every round.
    for kind in (('plain', 'tool') if i % 2 == 0 else ('tool', 'plain')):
        if kind == 'plain':
            plains.append(plain())
        else:
            tools.append(through_tool(probe)[0])


def row(name, value, unit='s'):
    print('  %-60s %8.3f %s' % (name, value, unit))


print('quorven-run overhead, %d runs each in turns (a program that ends at once):' % rounds)
row('plain wine on its own Xvfb, best', min(plains))
row('plain wine on its own Xvfb, median', statistics.median(plains))
row('quorven-run, best', min(tools))
row('quorven-run, median', statistics.median(tools))
row('overhead, best against best', min(tools) - min(plains))
row('overhead, median against median', statistics.median(tools) - statistics.median(plains))
# Each round's two runs ran within seconds of each other: their difference
# is the least disturbed by what else the machine does meanwhile.
row('overhead, median of each round\'s difference', statistics.median(t - p for t, p in zip(tools, plains)))

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
