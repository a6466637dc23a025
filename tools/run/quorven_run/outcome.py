"""How a run ended and what the tool makes of it: the lines it says about
the run (kept for --result), the checks against --expect and
--expect-exit, the tool's exit status, and the files it writes whole or
not at all (--screen, --result)."""
import difflib
import json
import os
import sys
import tempfile

from .screen import screen_lines

EXIT_USAGE = 2
EXIT_RUN_FAILED = 3
EXIT_CHECK_FAILED = 4
EXIT_TIMEOUT = 124
EXIT_INPUT_USED_UP = 125
# How a run may end; the first three give the run-failed status.
RUN_FAILED = ('run failed', 'input lost', 'interrupted')
CHECKED = ('exited', 'input used up', 'time-out')  # the ends whose screen and code are checked
OWN_END = ('exited', 'input used up')              # the ends with the program's own exit code


class Messages:
    """The lines the tool says about a run, on standard error as they come
    and kept for --result; stream is where they go."""

    def __init__(self, stream=None):
        self.stream = stream or sys.stderr
        self.lines = []

    def say(self, message):
        """One line about the run."""
        self.lines.append(message)
        self.stream.write('quorven-run: %s\n' % message)
        self.stream.flush()

    def show(self, text):
        """Text shown as it is (a diff), not kept as a message."""
        self.stream.write(text)
        self.stream.flush()


def signed(code):
    """An exit code as ExitProgram took it: Windows reports it unsigned."""
    return code - 2 ** 32 if code >= 2 ** 31 else code


def exit_status(ended, check_failed, code, expect_exit):
    """The tool's exit status: where several apply, the first in the order
    3 (the run failed), 124 (time-out), 4 (a check failed), 125 (input used
    up); otherwise 0 when --expect-exit was given, else the program's code
    as the shell sees it (a code it would see as 0, such as 256, gives 1)."""
    if ended in RUN_FAILED:
        return EXIT_RUN_FAILED
    if ended == 'time-out':
        return EXIT_TIMEOUT
    if check_failed:
        return EXIT_CHECK_FAILED
    if ended == 'input used up':
        return EXIT_INPUT_USED_UP
    if expect_exit is not None:
        return 0
    low = code & 0xFF
    return 1 if low == 0 and code != 0 else low


class Outcome:
    """How the run ended (ended: exited, input used up, time-out, input
    lost, run failed, interrupted or refused), the program's exit code,
    the run (a drive.Run, or None), what the checks found, and the tool's
    exit status."""

    def __init__(self, ended, code=None, run=None):
        self.ended, self.code, self.run = ended, code, run
        self.screen_check = self.exit_check = None
        self.status = None

    def check_screen(self, options, expected, messages):
        """--expect: the screen, where the run gave one (a program that
        never opened its console and exited compares as an empty screen).
        True when it differs."""
        screen = self.run.screen if self.run else None
        if expected is None or (screen is None and self.ended != 'exited'):
            return False
        shown = screen_lines(screen or [])
        self.screen_check = {'expected': options.expect, 'matches': shown == expected}
        if shown == expected:
            return False
        where = '' if screen is not None else ' (the program showed no console)'
        messages.say('the screen differs from %s%s:' % (options.expect, where))
        diff = difflib.unified_diff(expected, shown, options.expect, 'the screen', lineterm='')
        messages.show(''.join(line + '\n' for line in diff))
        return True

    def check_exit(self, options, messages):
        """--expect-exit, for a program that ended by itself. True when the
        code differs."""
        if options.expect_exit is None or self.code is None or self.ended not in OWN_END:
            return False
        matches = (self.code - options.expect_exit) % 2 ** 32 == 0
        self.exit_check = {'expected': options.expect_exit, 'matches': matches}
        if not matches:
            messages.say('the program ended with code %d, not %d (--expect-exit)' % (signed(self.code),
                                                                                     options.expect_exit))
        return not matches

    def decide(self, options, expected, messages):
        """Runs the checks and sets the exit status."""
        failed = False
        if self.ended in CHECKED:
            failed = self.check_screen(options, expected, messages)
            failed = self.check_exit(options, messages) or failed
        self.status = exit_status(self.ended, failed, self.code, options.expect_exit)
        return self.status

    def record(self, options, seconds, messages):
        """The outcome for --result."""
        run = self.run
        return {
            'status': self.status,
            'ended': self.ended,
            'exit_code': None if self.code is None or self.ended not in OWN_END else signed(self.code),
            'faults': [f.record() for f in run.faults] if run else [],
            'fault_count': run.fault_count if run else 0,
            'screen_check': self.screen_check,
            'exit_check': self.exit_check,
            'screenshot': options.png if run and run.png_taken else None,
            'messages': list(messages.lines),
            'seconds': round(seconds, 3),
        }


def write_atomic(path, text):
    """Writes a file beside its place and renames it: a reader never sees
    half of it, and a failure leaves the old file as it was."""
    folder = os.path.dirname(os.path.abspath(path))
    fd, temp = tempfile.mkstemp(dir=folder, prefix='.quorven-run-')
    try:
        with os.fdopen(fd, 'w', encoding='utf-8') as f:
            f.write(text)
        os.replace(temp, path)
    except BaseException:
        if os.path.exists(temp):
            os.remove(temp)
        raise


def write_screen(lines, path):
    """--screen: the lines to a file, or to standard output for "-"."""
    text = ''.join(l + '\n' for l in lines)
    if path == '-':
        sys.stdout.write(text)
        sys.stdout.flush()
        return
    write_atomic(path, text)


def write_result(options, outcome, seconds, messages):
    """--result, when asked for."""
    if options.result:
        write_atomic(options.result, json.dumps(outcome.record(options, seconds, messages), ensure_ascii=False,
                                                indent=2) + '\n')
