#!/usr/bin/env python3
"""Runs a joined test program and passes when it exits with 0 after at least
one passing check and no failing one.  usage: expect_pass.py EXE [ARGS...]"""
import sys
import qvharness as h

h.check_output(h.run(sys.argv[1], sys.argv[2:], timeout=50))
