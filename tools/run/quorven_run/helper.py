"""The Windows helper, quorven-runhelper.exe (tools/runhelper/main.c): its
process, the commands sent to it, and its report lines, parsed here and
nowhere else into Message records."""
import os
import queue
import signal
import subprocess
import threading
import time

from .screen import ScreenDump
from .tracing import trace


class FaultWords:
    """What the helper read from the program when its fault box appeared:
    the load address, the fault's code, the Eip of the saved CONTEXT and
    the header's fault words (Esi, [Ebp], [Ebp+4], [Ebp+8]), each None where
    it could not be read; the answer given (ok or cancel) and the box's
    text."""

    def __init__(self, base, code, eip, esi, link, ret, arg, answer='cancel', text=''):
        self.base, self.code, self.eip, self.esi, self.link, self.ret, self.arg = base, code, eip, esi, link, ret, arg
        self.answer, self.text = answer, text


class Message:
    """One report line of the helper. kind is the line's first word
    (ready, started, window, idle, fault, xid, posted, screen, hold, exit,
    error);
    number holds the value of started, idle and exit, xid the X window of
    xid and hold ('0' where there is none), error what failed (start,
    screen, no window, desktop), fault a FaultWords, screen a ScreenDump
    and, for a screen, at_exit whether the kernel sent it as it ended."""

    def __init__(self, kind, line):
        self.kind, self.line = kind, line
        self.number = self.xid = self.error = self.fault = self.screen = None
        self.at_exit = False


def hex_word(text):
    """A word the helper wrote in hexadecimal, or None for "-"."""
    return None if text == '-' else int(text, 16)


def parse_fault(parts):
    """fault BASE CODE EIP ESI LINK RETURN ARGUMENT ANSWER HEX. Where the
    code could not be read the box's text (code page 936, the kernel's)
    ends with it after a "#"."""
    words = [hex_word(w) for w in parts[1:8]]
    words += [None] * (7 - len(words))
    answer = parts[8] if len(parts) > 8 else 'cancel'
    text = bytes.fromhex(parts[9]).decode('cp936', 'replace') if len(parts) > 9 else ''
    fault = FaultWords(*words, answer=answer, text=text)
    if fault.code is None and '#' in text:
        try:
            fault.code = int(text.split('#')[-1].strip(), 16)
        except ValueError:
            pass
    return fault


def parse_screen(parts):
    """screen KIND ROWS COLS CURSORROW CURSORCOL TOPLINE VIEWROWS VIEWCOLS HEX"""
    numbers = [int(p) for p in parts[2:9]]
    data = bytes.fromhex(parts[9]) if len(parts) > 9 else b''
    return ScreenDump(*numbers, data=data)


def parse_line(line):
    """The Message of one report line."""
    parts = line.split()
    kind = parts[0] if parts else ''
    message = Message(kind, line)
    if kind in ('started', 'idle', 'exit') and len(parts) > 1:
        message.number = int(parts[1])
    elif kind in ('xid', 'hold'):
        message.xid = parts[1] if len(parts) > 1 else '0'
    elif kind == 'error':
        message.error = ' '.join(p for p in parts[1:] if not p.isdigit()) or 'unknown'
        message.number = int(parts[-1]) if len(parts) > 2 and parts[-1].isdigit() else None
    elif kind == 'fault':
        message.fault = parse_fault(parts)
    elif kind == 'screen':
        message.screen = parse_screen(parts)
        message.at_exit = len(parts) > 1 and parts[1] == 'exit'
    return message


class Helper:
    """The helper's process (quorven_early.spawn_helper): commands go to its
    standard input, its report lines are read by a thread of their own and
    handed out one by one, parsed."""

    def __init__(self, proc):
        self.proc = proc
        self.lines = queue.Queue()
        self.exited = False  # the helper reported the program's exit
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.proc.stdout:
            line = raw.decode('ascii', 'replace').rstrip('\r\n')
            trace('helper: ' + line[:120])
            message = parse_line(line)
            self.exited = self.exited or message.kind == 'exit'
            self.lines.put(message)
        self.lines.put(None)

    def send(self, command):
        """One command line; a helper that has ended takes none."""
        try:
            self.proc.stdin.write((command + '\n').encode())
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError):
            pass

    def next(self, deadline):
        """The next Message, None at the end of the helper's output, or
        TimeoutError at the deadline (None: no deadline)."""
        wait = None if deadline is None else max(0.0, deadline - time.time())
        try:
            return self.lines.get(timeout=wait)
        except queue.Empty:
            raise TimeoutError

    def end(self):
        """Tells the helper to end (the program has ended, or is to be
        killed)."""
        try:
            self.proc.stdin.close()
        except OSError:
            pass

    def stop(self):
        """Ends the helper. One that reported the program's exit ends by
        itself at once: the tool does not wait for the rest of its teardown,
        which would add tens of milliseconds to every run."""
        self.end()
        try:
            self.proc.wait(timeout=0 if self.exited else 10)
        except subprocess.TimeoutExpired:
            if not self.exited:
                try:
                    os.killpg(self.proc.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                self.proc.wait()
        trace('helper ended')
