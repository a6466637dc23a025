"""With QUORVEN_RUN_TRACE set, each step of the run on standard error,
stamped with the seconds since the tool started: where a slow run spends
its time."""
import os
import sys
import time

TRACING = bool(os.environ.get('QUORVEN_RUN_TRACE'))
TRACE_START = time.time()


def trace(what):
    """One step, when tracing."""
    if TRACING:
        sys.stderr.write('%7.3f %s\n' % (time.time() - TRACE_START, what))
