#!/usr/bin/env python3
"""No printer installed, for real: once against a cupsd of its own with no
destination, once with no cupsd listening at all."""
import os
import sys
sys.path.insert(0, 'tests/harness')
import qvharness as h
import cups

state = os.path.join(cups.default_state(), 'cups-empty')
cups.start(state, with_printer=False)
try:
    if cups.printers(state):
        print('TEST FAILED: the empty cupsd lists %s' % cups.printers(state))
        sys.exit(1)
    print('--- cupsd without destinations')
    h.check_output(h.run(sys.argv[1], timeout=60, env_extra=cups.env(state)))
finally:
    cups.stop(state)
print('--- no cupsd')
h.check_output(h.run(sys.argv[1], timeout=60, env_extra={'CUPS_SERVER': os.path.join(state, 'none.sock')}))
