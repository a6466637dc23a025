"""The two ways a run fails before it has an outcome of its own: bad use of
the tool (status 2, refused before anything starts) and a run that could
not be carried out (status 3; quorven_early raises it too)."""
from quorven_early import RunError  # one class for both

__all__ = ['RunError', 'UsageError']


class UsageError(Exception):
    """Bad use of the tool: said in one line, status 2."""
