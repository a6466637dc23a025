#!/usr/bin/env python3
"""Runs a joined test program with Wine reporting Windows 98 (the per-program
Version value under HKCU\\Software\\Wine\\AppDefaults), so that the kernel
takes its Windows 9x paths, and passes as expect_pass.py does. Wine still
implements the wide calls there; what is checked is that the 9x paths give
the same results. usage: win98_test.py EXE [ARGS...]"""
import os
import sys
sys.path.insert(0, 'tests/harness')
import qvharness as h

exe = sys.argv[1]
key = r'HKCU\Software\Wine\AppDefaults\%s' % os.path.basename(exe)
h.wine_cmd(['reg', 'add', key, '/v', 'Version', '/d', 'win98', '/f'])
try:
    result = h.run(exe, sys.argv[2:], timeout=50)
finally:
    h.wine_cmd(['reg', 'delete', key, '/f'])
h.check_output(result)
