#!/usr/bin/env python3
"""Runs a joined test program in a new temporary folder (its current
directory, so relative names land there) and passes when it exits with 0
after at least one passing check and no failing one, leaving a file named
中文.txt there (the GBK name the program wrote, as its characters).
usage: in_tempdir.py EXE [ARGS...]"""
import os
import shutil
import sys
import tempfile

sys.path.insert(0, 'tests/harness')
import qvharness as h

folder = tempfile.mkdtemp(prefix='qvfiles-')
try:
    result = h.run(sys.argv[1], sys.argv[2:], timeout=50, cwd=folder)
    names = os.listdir(folder)
    print('files left:', ' '.join(sorted(names)))
    if '中文.txt' not in names:
        result.out += 'FAIL the GBK name is not 中文.txt on disk\n'
finally:
    shutil.rmtree(folder, ignore_errors=True)
h.check_output(result)
