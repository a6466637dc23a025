#!/usr/bin/env python3
"""Runs the fault example: its box is answered with OK, and the second run
must show the fault it recovered from.  usage: example_test.py FAULTS_EXE"""
import os
import subprocess
import sys

sys.path.insert(0, 'tests/harness')
import qvharness as h

exe = sys.argv[1]
helper = os.path.join(os.path.dirname(exe), 'tests', 'faultbox.exe')
proc = h.start(exe, ['auto'])
answered = subprocess.run(['wine', helper, 'ok', '30000'], env=h.wine_env(), capture_output=True, text=True,
                          timeout=60, stdin=subprocess.DEVNULL)
result = h.finish(proc, timeout=30)
print(answered.stdout + result.out)
code = h.processor_fault('C0000094')
text = ('异常中断 # ' + code).encode('gbk').hex().upper()
wanted = ['  faultCode           ' + code, '  faultFirstArgument  700 (the total that was to be shared)',
          'shutdown hook: goodbye']
missing = [w for w in wanted if w not in result.lines()]
if result.code != 0 or 'text=' + text not in answered.stdout or missing:
    print('TEST FAILED: exit code %s, missing %s' % (result.code, missing))
    sys.exit(1)
print('TEST PASSED')
