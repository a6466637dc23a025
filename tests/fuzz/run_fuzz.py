#!/usr/bin/env python3
"""Runs the PE fuzzer on seeds made from the build.
usage: run_fuzz.py FUZZER BIN_DIR WINDOWS_BUILD_DIR WORK_DIR (--runs N | --time SECONDS)

--runs: a short run with a fixed random seed and a fresh corpus, the same
        every time (the test suite's smoke run).
--time: a long run in one worker process that goes on after a crash, keeps
        its corpus in WORK_DIR/corpus between runs and appends its log to
        WORK_DIR/fuzz.log.
Crashes, leaks, time-outs and memory blow-ups land in WORK_DIR/artifacts."""
import os
import shutil
import subprocess
import sys
import tempfile

fuzzer, bin_dir, windows_dir, work = sys.argv[1:5]
mode, amount = sys.argv[5], sys.argv[6]
here = os.path.dirname(os.path.abspath(__file__))
seeds = os.path.join(work, 'seeds')
artifacts = os.path.join(work, 'artifacts')
shutil.rmtree(seeds, ignore_errors=True)
os.makedirs(artifacts, exist_ok=True)
subprocess.run([sys.executable, os.path.join(here, 'make_seeds.py'), bin_dir, windows_dir, seeds], check=True)

# Bounds: one input may take a second and 512 MB at most; the joiner's
# output is bounded by its inputs, so anything near these is a fault.
common = ['-rss_limit_mb=1024', '-malloc_limit_mb=512', '-timeout=5', '-print_final_stats=1',
          '-artifact_prefix=' + artifacts + '/']
if mode == '--runs':
    corpus = tempfile.mkdtemp(prefix='qvfuzz-')
    try:
        r = subprocess.run([fuzzer, '-seed=1', '-runs=' + amount] + common + [corpus, seeds])
    finally:
        shutil.rmtree(corpus, ignore_errors=True)
    sys.exit(r.returncode)
corpus = os.path.join(work, 'corpus')
os.makedirs(corpus, exist_ok=True)
with open(os.path.join(work, 'fuzz.log'), 'ab') as log:
    r = subprocess.run([fuzzer, '-max_total_time=' + amount, '-fork=1', '-ignore_crashes=1', '-ignore_ooms=1',
                        '-ignore_timeouts=1'] + common + [corpus, seeds],
                       stdout=log, stderr=subprocess.STDOUT)
print('fuzz log: %s, artifacts: %s' % (os.path.join(work, 'fuzz.log'), artifacts))
sys.exit(r.returncode)
