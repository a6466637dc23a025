#!/usr/bin/python3
"""Start-up at a plain program's cost: a joined program that opens its
console, writes a line and ends (startup_hello.exe), against a plain Win32
window program that does the same (startup_plain.exe), PAIRS pairs run in
turns (the order changing every pair) on one private Xvfb with quorven-run's
window states marked (so that Wine spares its 2 s wait when the window goes)
and one Wine server kept running.

Each run's wall time is from the start of `wine PROGRAM` to its end; its peak
memory is the peak resident size of that process (wait4's ru_maxrss: the
wine command execs the loader and the preloader, which runs the program in
the same process). Prints the medians of each, the ratio of the median wall
times (target 1.05 at most), the median of each pair's ratio, and the
difference of the median peaks (target 2 MiB at most).

Where 32-bit code runs under the i386 emulator, that process is the
emulator's, and its peak holds the emulator's own tables too: the translated
code and the table that finds it, which grows by doubling, so that a run that
translates a few hundred blocks more than another may cost 2 MiB more. The
bench then also runs each program GUEST_RUNS times (default 10) apart from
the timed pairs, reads the process's mappings every 20 ms and reports the
median peak of the 32-bit program's own memory: the mappings inside the
guest's 4 GiB, as a process that runs natively would have them, the
emulator's binary and heap left out.

usage: bench.py BUILD_DIR [PAIRS]"""
import os
import statistics
import subprocess
import sys
import time

build = os.path.abspath(sys.argv[1])
pairs = int(sys.argv[2]) if len(sys.argv) > 2 else 30
root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(root, 'tests', 'harness'))
import qvharness as h
sys.path.insert(0, os.path.join(root, 'tools', 'run'))
from quorven_early import WindowStates, XServer, keep_wineserver

programs = {'joined': os.path.join(build, 'bin', 'bench', 'startup_hello.exe'),
            'plain': os.path.join(build, 'bin', 'bench', 'startup_plain.exe')}
prefix = os.environ.get('QV_WINEPREFIX') or os.path.join(build, 'wineprefix')
for path in programs.values():
    if not os.path.exists(path):
        sys.exit('startup bench: %s is missing (build first)' % path)

xserver = XServer()
marks = WindowStates(xserver.number)
if not xserver.ready() or not marks.ready():
    sys.exit('startup bench: Xvfb or the window states did not start')
env = h.wine_env({'display': ':%d' % xserver.number, 'prefix': prefix})


def run(kind):
    """(seconds, peak resident KiB) of one run; exits on a failed run."""
    start = time.monotonic()
    proc = subprocess.Popen(['wine', programs[kind]], env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    seconds = time.monotonic() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        sys.exit('startup bench: %s ended with status %d' % (kind, proc.returncode))
    return seconds, usage.ru_maxrss


def emulated(pid):
    """Whether the process runs under the i386 emulator (its binary mapped)."""
    try:
        with open('/proc/%d/maps' % pid) as maps:
            return any(line.rstrip().endswith('/qemu-i386') for line in maps)
    except OSError:
        return False


def guest_resident(pid):
    """Resident KiB of the mappings inside the guest's 4 GiB (from the lowest
    mapping on), the emulator's binary and heap left out; None once gone."""
    regions = []
    try:
        with open('/proc/%d/smaps' % pid) as smaps:
            for line in smaps:
                fields = line.split()
                if fields and '-' in fields[0] and not fields[0].endswith(':'):
                    start = int(fields[0].split('-')[0], 16)
                    regions.append([start, fields[5] if len(fields) > 5 else '', 0])
                elif fields and fields[0] == 'Rss:' and regions:
                    regions[-1][2] = int(fields[1])
    except (OSError, ValueError):
        return None
    if not regions:
        return None
    low = min(r[0] for r in regions)
    return sum(rss for start, name, rss in regions
               if start - low < 1 << 32 and name != '[heap]' and not name.endswith('/qemu-i386'))


def guest_peak(kind):
    """(peak guest KiB, whether emulated) of one untimed run, sampled."""
    proc = subprocess.Popen(['wine', programs[kind]], env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    peak, under_emulator = 0, False
    while proc.poll() is None:
        under_emulator = under_emulator or emulated(proc.pid)
        peak = max(peak, guest_resident(proc.pid) or 0)
        time.sleep(0.02)
    if proc.returncode != 0:
        sys.exit('startup bench: %s ended with status %d' % (kind, proc.returncode))
    return peak, under_emulator


try:
    keep_wineserver(env)
    # The Wine server, the prefix's system processes and the file cache are
    # ready before anything is timed: the first run of each is not counted.
    run('joined')
    run('plain')
    times = {'joined': [], 'plain': []}
    peaks = {'joined': [], 'plain': []}
    for i in range(pairs):
        for kind in (('joined', 'plain') if i % 2 == 0 else ('plain', 'joined')):
            seconds, peak = run(kind)
            times[kind].append(seconds)
            peaks[kind].append(peak)
    guest = {'joined': [], 'plain': []}
    for i in range(int(os.environ.get('GUEST_RUNS', '10')) if guest_peak('plain')[1] else 0):
        for kind in (('joined', 'plain') if i % 2 == 0 else ('plain', 'joined')):
            guest[kind].append(guest_peak(kind)[0])
finally:
    marks.close()
    xserver.close()


def row(name, value, unit):
    print('  %-58s %8.3f %s' % (name, value, unit))


print('start-up, %d pairs in turns (open the console, write a line, end):' % pairs)
for kind, name in (('joined', 'joined program (the kernel)'), ('plain', 'plain Win32 window program')):
    row(name + ', median wall time', statistics.median(times[kind]), 's')
    row(name + ', best wall time', min(times[kind]), 's')
    row(name + ', median peak memory', statistics.median(peaks[kind]) / 1024, 'MiB')
row('joined/plain, median wall times (target 1.05)', statistics.median(times['joined']) /
    statistics.median(times['plain']), '')
row('joined/plain, median of the pairs\' ratios', statistics.median(
    a / b for a, b in zip(times['joined'], times['plain'])), '')
row('joined less plain, median peak memory (target 2)', (statistics.median(peaks['joined']) -
                                                           statistics.median(peaks['plain'])) / 1024, 'MiB')
if guest['joined']:
    print('under the i386 emulator, the 32-bit program\'s own memory (median sampled peak of %d runs each):'
          % len(guest['joined']))
    for kind, name in (('joined', 'joined program (the kernel)'), ('plain', 'plain Win32 window program')):
        row(name, statistics.median(guest[kind]) / 1024, 'MiB')
    row('joined less plain', (statistics.median(guest['joined']) - statistics.median(guest['plain'])) / 1024,
        'MiB')
