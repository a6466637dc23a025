#!/usr/bin/env python3
"""Runs one Windows program under Wine in the test session, passing its exit
code through.  usage: run_in_session.py EXE [ARGS...]"""
import sys
import qvharness as h

r = h.run(sys.argv[1], sys.argv[2:], timeout=120)
sys.stdout.write(r.out)
sys.stderr.write(r.err)
sys.exit(124 if r.timed_out else r.code)
