"""The run's driving: waits for the program to start, types each chunk of
the script once the program waits having taken everything typed before,
closes its window when the script is used up, answers what the helper
reports (faults, the screen, the screenshot's moment), and ends the
program at the time-out."""
import os
import subprocess
import time

from .errors import RunError
from .faults import Fault
from .screen import screen_text

# Wine may take long to start a program (the first one of a Wine server starts
# its services; under emulation that takes minutes); beyond this the
# run is given up.
START_LIMIT = 1200
# A program that waits this long with an empty queue, short of the events
# typed, never got some of them: the X server or Wine dropped keys.
LOST_INPUT_AFTER = 15
# Faults reported one by one on standard error, and kept for --result, when
# --on-fault ok lets a program fault again and again.
FAULTS_SAID = 10
FAULTS_KEPT = 100
QUEUE_INDEX = 256  # the event queue's read index runs modulo its size


class Run:
    """One run of the program in a session (session.Session): chunks are
    the script's (script.script_chunks), program the joined program
    (image.Program), symbols its functions or None; what the tool says goes
    to messages (outcome.Messages)."""

    def __init__(self, options, chunks, session, program, symbols, messages, code_page=936):
        self.options, self.chunks, self.session, self.messages = options, list(chunks), session, messages
        self.helper = session.helper
        self.image_size, self.symbols, self.code_page = program.image_size, symbols, code_page
        self.screen = None        # the last screen lines
        self.target = 0           # read index the program reaches when it has taken all typed
        self.used_up = False      # the script ran out and the window was closed
        self.lost = False         # typed keys never reached the program; the run was ended
        self.faults = []          # the first FAULTS_KEPT faults
        self.fault_count = 0
        self.window = False       # the console window appeared
        self.xid = None
        self.png_done = False
        self.png_taken = False
        self.first_wait = None    # seconds from start to the first wait for input
        self.ended = None         # the program's exit code, once it ended
        self.started = None       # when the program's process was created

    def focus(self, deadline):
        """Gives the console window the keyboard; False when the program
        ended meanwhile."""
        if self.xid is None:
            self.helper.send('focus')
            while self.xid is None:
                message = self.handle(self.helper.next(deadline))
                if message.kind == 'xid':
                    self.xid = message.xid
                elif self.ended is not None:
                    return False
                elif message.kind == 'error':
                    raise RunError('the program has no console window to type into')
            if self.xid == '0':
                raise RunError('the console window has no X window to type into')
        self.session.xdotool('windowfocus', '--sync', self.xid)
        return True

    def await_posted(self, deadline):
        """Waits until the helper has put a posted character into the
        console's queue. The keys typed next through X must not overtake it:
        the helper's reader thread hands each command on to its main loop,
        and on a busy machine a Return typed at once reached the program
        first."""
        while True:
            message = self.handle(self.helper.next(deadline))
            if message.kind == 'posted' or message.kind == 'error' or self.ended is not None:
                return

    def type_chunk(self, deadline):
        """Types the next chunk of the script."""
        commands, events = self.chunks.pop(0)
        if not self.focus(deadline):
            return
        for c in commands:
            if c[0] == 'post':
                self.helper.send('char %04X' % ord(c[1]))
                self.await_posted(deadline)
            else:
                self.session.xdotool(*c)
        self.target = (self.target + events) % QUEUE_INDEX

    def take_png(self, xid):
        """The screenshot of the console window, once; the X window is 0 when
        the console window never showed (Wine makes it on the first show)."""
        if self.png_done or not self.options.png:
            return
        self.png_done = True
        if xid == '0':
            self.messages.say('no screenshot: the console window never showed on the screen')
            return
        path = self.options.png
        # Written beside the file and renamed: a failure leaves nothing behind.
        temp = os.path.join(os.path.dirname(os.path.abspath(path)), '.quorven-run-%d.png' % os.getpid())
        try:
            if self.session.screenshot(xid, temp):
                os.replace(temp, path)
                self.png_taken = True
                return
            self.messages.say('no screenshot: the console window is not on the screen')
        except subprocess.TimeoutExpired:
            self.messages.say('no screenshot: taking it did not finish within 60 s')
        finally:
            if os.path.exists(temp):
                os.remove(temp)

    def note_fault(self, words):
        """Keeps and reports a fault, the first FAULTS_SAID of them."""
        fault = Fault(words, self.image_size, self.symbols)
        self.fault_count += 1
        if len(self.faults) < FAULTS_KEPT:
            self.faults.append(fault)
        if self.fault_count <= FAULTS_SAID:
            self.messages.say(fault.report())
        elif self.fault_count == FAULTS_SAID + 1:
            self.messages.say('the program faults again and again; further faults are counted, not shown')

    def handle(self, message):
        """Acts on the helper's reports that can come at any time; returns
        the message."""
        if message is None:
            raise RunError('the Windows helper ended without a result')
        kind = message.kind
        if kind == 'fault':
            self.note_fault(message.fault)
        elif kind == 'screen':
            self.screen = screen_text(message.screen, self.code_page)
        elif kind == 'hold':
            self.take_png(message.xid)
            self.helper.send('go')
        elif kind == 'window':
            self.window = True
        elif kind == 'error' and message.error == 'start':
            raise RunError('Wine could not start the program (error %s)' % message.number)
        elif kind == 'exit':
            self.ended = message.number
        elif kind == 'started':
            self.started = time.time()
        return message

    def run(self, started, timeout):
        """Drives the run to its end; the program's exit code, or None when
        the time-out ended it. The time-out counts from the program's start."""
        try:
            while self.started is None:
                self.handle(self.helper.next(started + START_LIMIT))
        except TimeoutError:
            raise RunError('Wine did not start the program within %d s' % START_LIMIT)
        deadline = self.started + timeout if timeout else None
        stalled = None  # since when the program waits, short of what was typed
        while True:
            # Waiting for typed keys ends before the time-out does.
            watching = stalled is not None and (deadline is None or stalled + LOST_INPUT_AFTER < deadline)
            try:
                message = self.handle(self.helper.next(stalled + LOST_INPUT_AFTER if watching else deadline))
            except TimeoutError:
                self.lost = watching
                return self.time_out()
            if self.ended is not None:
                return self.ended
            if message.kind != 'idle':
                continue
            if message.number != self.target:
                stalled = time.time()  # still taking what was typed, or some of it was lost
                continue
            stalled = None
            if self.first_wait is None:
                self.first_wait = time.time() - started
            try:
                if self.chunks:
                    self.type_chunk(deadline)
                elif not self.used_up:
                    self.used_up = True
                    self.helper.send('close')
            except TimeoutError:
                return self.time_out()

    def time_out(self):
        """Takes the screen (and the screenshot) if the program still
        answers, then ends it."""
        waiting = {'screen'}
        self.helper.send('screen')
        if self.options.png and not self.png_done and self.window:
            self.helper.send('xid')
            waiting.add('xid')
        end = time.time() + 5  # a busy program's window answers no query: 2 s
        try:
            while waiting:
                message = self.handle(self.helper.next(end))
                if message.kind == 'exit':
                    break
                if message.kind == 'screen' or (message.kind == 'error' and message.error == 'screen'):
                    waiting.discard('screen')
                elif message.kind == 'xid':
                    waiting.discard('xid')
                    self.take_png(message.xid)
                elif message.kind == 'error':
                    waiting.clear()
        except (TimeoutError, RunError):
            pass
        self.helper.send('kill')
        try:
            while self.handle(self.helper.next(time.time() + 20)).kind != 'exit':
                pass
        except (TimeoutError, RunError):
            pass
        return None
