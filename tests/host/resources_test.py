#!/usr/bin/env python3
"""Runs tests/host/resources.c with Wine's activation-context trace: the
program passes its checks (its resources, the manifest among them), and Wine
parsed the kernel's manifest from it without an error or a warning, as
Windows XP and later parse it before the program starts.
usage: resources_test.py EXE"""
import os
import sys
sys.path.insert(0, 'tests/harness')
import qvharness as h

os.environ['QV_WINEDEBUG'] = 'err+all,warn+actctx,+actctx'
r = h.run(sys.argv[1], timeout=50)
trace = r.err.splitlines()
r.err = ''  # the trace is read here, not shown whole
problems = [l for l in trace if ':actctx:' in l and (':err:' in l or ':warn:' in l)]
identity = any('parse_assembly_identity_elem name=L"Quorven.Kernel"' in l for l in trace)
scaling = any('got L"gdiScaling" L"true"' in l for l in trace)
print('%s the manifest parsed by Wine: identity %s, gdiScaling %s, %d errors or warnings'
      % ('ok' if identity and scaling and not problems else 'FAIL', identity, scaling, len(problems)))
for l in problems[:10]:
    print('FAIL ' + l)
h.check_output(r)
