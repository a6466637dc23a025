"""quorven-run: runs one joined program under Wine without anyone at the
keyboard, types a script of input into its console when it waits for input,
and gives back its screen text, a screenshot and its exit status.

    quorven-run [options] PROGRAM.exe [ARGS...]

How it works. Each run gets its own X server (Xvfb, unless --display) and,
in the project's Wine prefix, its own Wine desktop. The Windows helper
quorven-runhelper.exe clears the saved console rectangle (every run starts
with the same window and view), starts the program and asks its
console window, through the registered message "QuorvenRunQuery", whether the
program blocks in WaitEvent with nothing pending, and which event it has read
up to. Each line of the script is typed with xdotool once the program waits
having read everything typed before; the screen comes from the kernel's own
buffer by WM_COPYDATA, converted from code page 936 to UTF-8.

Exit status: the program's exit code; 124 when --timeout ended it; 125 when it
waited for input after the script was used up and its window was closed (as
by the close box); 2 for bad use of the tool; 3 when the run itself failed."""
import argparse
import os
import queue
import re
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time

EXIT_USAGE = 2
EXIT_RUN_FAILED = 3
EXIT_TIMEOUT = 124
EXIT_INPUT_USED_UP = 125
POLL_MS = 10
# Wine may take long to start a program (the first one of a Wine server starts
# its services; under emulation that takes minutes); beyond this the
# run is given up.
START_LIMIT = 1200
# Events typed before the tool waits for the program to take them: well
# inside the kernel's queue of 255.
CHUNK_EVENTS = 64
# A program that waits this long with an empty queue, short of the events
# typed, never got some of them: the X server or Wine dropped keys.
LOST_INPUT_AFTER = 15
# Keys that give the program no event: a script waiting for them would wait
# for ever.
NO_EVENT_KEYS = {'shift', 'ctrl', 'control', 'alt', 'super', 'meta', 'shift_l', 'shift_r', 'control_l',
                 'control_r', 'alt_l', 'alt_r', 'super_l', 'super_r', 'print', 'num_lock', 'caps_lock'}

h = None  # the harness module, imported by main()
TEXT_CODEC = 'cp936'  # the program's text, on its screen and as typed


class UsageError(Exception):
    pass


class RunError(Exception):
    pass


def fail(message, code):
    sys.stderr.write('quorven-run: %s\n' % message)
    sys.exit(code)


# ---- The script ------------------------------------------------------------

class Step:
    """One piece of input: xdotool commands and the number of event codes they
    put into the program's queue."""

    def __init__(self, what, commands, events):
        self.what, self.commands, self.events = what, commands, events


# The ANSI code page Wine takes from a locale's language (and territory).
LOCALE_CODE_PAGES = {'zh_CN': 936, 'zh_SG': 936, 'zh_TW': 950, 'zh_HK': 950, 'ja': 932, 'ko': 949, 'th': 874,
                     'ru': 1251, 'uk': 1251, 'bg': 1251, 'be': 1251, 'sr': 1251, 'mk': 1251,
                     'pl': 1250, 'cs': 1250, 'sk': 1250, 'hu': 1250, 'sl': 1250, 'hr': 1250, 'ro': 1250,
                     'el': 1253, 'tr': 1254, 'he': 1255, 'ar': 1256, 'lt': 1257, 'lv': 1257, 'et': 1257, 'vi': 1258}


def locale_code_page(name):
    name = name.split('.')[0]
    return LOCALE_CODE_PAGES.get(name) or LOCALE_CODE_PAGES.get(name.split('_')[0]) or 1252


def line_steps(text, code_page=936):
    """The steps that type one line and Enter: ASCII as real keys through
    xdotool type (after "--", so that a line may start with "-"); other
    characters posted to the console window as WM_CHAR in UTF-16 by the
    helper, as an input method hands them over, which the program reads as
    its bytes in the program's text code page. A keysym typed through
    xdotool gets a keycode only for the moment of the press, and Wine can
    read the keyboard mapping after it is gone: such keys were lost."""
    commands, events, ascii_run = [], 0, ''
    for ch in text:
        if ' ' <= ch <= '~':
            ascii_run += ch
            events += 1
            if len(ascii_run) == 32:  # pieces small enough for one chunk
                commands.append(['type', '--delay', '5', '--', ascii_run])
                ascii_run = ''
            continue
        if ascii_run:
            commands.append(['type', '--delay', '5', '--', ascii_run])
            ascii_run = ''
        if ch == '\t':
            commands.append(['key', 'Tab'])
            events += 1
            continue
        if ord(ch) < 0x80:
            raise UsageError('cannot type the control character %r' % ch)
        try:
            width = len(ch.encode('cp%d' % code_page))
        except UnicodeEncodeError:
            raise UsageError('cannot type %r: not a character of code page %d, which the program reads'
                             % (ch, code_page))
        commands.append(['post', ch, width])
        events += width
    if ascii_run:
        commands.append(['type', '--delay', '5', '--', ascii_run])
    commands.append(['key', 'Return'])
    return Step(text, commands, events + 1)


def key_step(keys):
    names = keys.split()
    if not names:
        raise UsageError('--keys needs at least one key name')
    for name in names:
        if name.lower() in NO_EVENT_KEYS:
            raise UsageError('--keys: %s alone gives the program no event' % name)
    return Step(keys, [['key'] + names], len(names))


class ScriptAction(argparse.Action):
    """Collects --input, --input-file and --keys in command-line order."""

    def __call__(self, parser, namespace, value, option):
        script = getattr(namespace, 'script', None) or []
        script.append((option, value))
        namespace.script = script


def build_script(items, code_page=936):
    steps = []
    for option, value in items:
        if option == '--keys':
            steps.append(key_step(value))
            continue
        if option == '--input-file':
            try:
                with open(value, encoding='utf-8') as f:
                    value = f.read()
            except OSError as e:
                raise UsageError('cannot read %s: %s' % (value, e.strerror))
            except UnicodeDecodeError:
                raise UsageError('%s is not UTF-8 text' % value)
            lines = value.splitlines()
        else:
            lines = value.split('\n')
        steps.extend(line_steps(line, code_page) for line in lines)
    return steps


# ---- Checks before anything starts -----------------------------------------

def program_sections(path):
    """The sections of an i386 PE file as (name, address, file offset), with
    one clear complaint for a file that is missing or not such a file."""
    try:
        with open(path, 'rb') as f:
            data = f.read(4096)
    except FileNotFoundError:
        raise UsageError('%s: no such file' % path)
    except IsADirectoryError:
        raise UsageError('%s: is a folder, not a program' % path)
    except OSError as e:
        raise UsageError('%s: %s' % (path, e.strerror))
    if len(data) < 0x40 or data[:2] != b'MZ':
        raise UsageError('%s: not a Windows executable' % path)
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    if pe + 24 > len(data) or data[pe:pe + 4] != b'PE\0\0':
        raise UsageError('%s: not a Windows executable' % path)
    machine, count = struct.unpack_from('<HH', data, pe + 4)
    optional = struct.unpack_from('<H', data, pe + 20)[0]
    if machine != 0x14C:
        raise UsageError('%s: not a 32-bit x86 executable' % path)
    table = pe + 24 + optional
    sections = []
    for i in range(count):
        at = table + 40 * i
        if at + 40 > len(data):
            break
        sections.append((data[at:at + 8].rstrip(b'\0'), struct.unpack_from('<I', data, at + 12)[0],
                         struct.unpack_from('<I', data, at + 20)[0]))
    return sections


def check_program(path):
    """A joined program: an i386 PE with the program's section at 0x48000.
    Returns its sections."""
    sections = program_sections(path)
    if not any(address == 0x48000 for _, address, _ in sections):
        raise UsageError('%s: not a joined Quorven program (no program image at 0x48000)' % path)
    return sections


def program_code_page(path, sections):
    """The text code page the joiner recorded (--code-page N) in the kernel's
    section .qvcp ("QVTEXTCP", then N as 32 bits); 0 when there is none."""
    for name, _, offset in sections:
        if name == b'.qvcp':
            with open(path, 'rb') as f:
                f.seek(offset)
                record = f.read(12)
            if len(record) == 12 and record[:8] == b'QVTEXTCP':
                return struct.unpack_from('<I', record, 8)[0]
    return 0


def windows_path(path):
    """The path as the program sees it: Wine's drive Z: is the root."""
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def command_line(program, args):
    return subprocess.list2cmdline([windows_path(program)] + list(args))


# ---- The run's own X server and Wine server ---------------------------------

class Session:
    """The run's own X server (or $DISPLAY) in the project's Wine prefix. The
    Wine server is shared with other runs and kept for a while after the last
    one, since starting it is slow; each run's helper makes a Wine desktop of
    its own, so that keys go to that run's program only."""

    def __init__(self, base_prefix, use_display, bin_dir):
        self.xvfb = None
        # The project's prefix is made (or copied from the machine's base)
        # on first use and given the console font the build made beside the
        # tool; it does nothing for a prefix that has both.
        prepared = subprocess.run([os.path.join(h.ROOT, 'scripts', 'wineprefix.sh')],
                                  env=dict(os.environ, QV_WINEPREFIX=base_prefix, QV_BIN_DIR=bin_dir),
                                  stdin=subprocess.DEVNULL, stdout=sys.stderr, stderr=subprocess.PIPE,
                                  text=True, timeout=3600)
        if prepared.returncode != 0:
            why = (prepared.stderr.strip().splitlines() or ['failed'])[-1]
            raise RunError('cannot prepare the Wine prefix at %s: %s' % (base_prefix, why))
        if use_display:
            if not os.environ.get('DISPLAY'):
                raise UsageError('--display: DISPLAY is not set')
            display = os.environ['DISPLAY']
        else:
            import session as harness_session
            n, self.xvfb = harness_session.start_xvfb()
            display = ':%d' % n
        self.info = {'display': display, 'prefix': os.path.abspath(base_prefix)}
        h.use_session(self.info)
        self.env = h.wine_env(self.info)
        # Starts the server, or finds it running; it stays ten minutes after
        # its last program.
        subprocess.run(['wineserver', '-p600'], env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)

    def close(self):
        """Ends the X server; Wine processes still attached to it (the
        desktop's explorer) end with it."""
        if self.xvfb:
            try:
                os.killpg(self.xvfb.pid, signal.SIGTERM)
            except (ProcessLookupError, PermissionError):
                pass
            self.xvfb.wait()


# ---- Talking to the helper ---------------------------------------------------

class Helper:
    def __init__(self, helper_exe, session, program_command, hold):
        args = ['wine', helper_exe] + (['--hold'] if hold else []) + [str(POLL_MS), program_command]
        self.proc = subprocess.Popen(args, env=session.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, start_new_session=True, cwd=os.getcwd())
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        trace = os.environ.get('QUORVEN_RUN_TRACE')
        for raw in self.proc.stdout:
            line = raw.decode('ascii', 'replace').rstrip('\r\n')
            if trace:
                sys.stderr.write('%.2f helper: %s\n' % (time.time(), line[:120]))
            self.lines.put(line)
        self.lines.put(None)

    def send(self, command):
        try:
            self.proc.stdin.write((command + '\n').encode())
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError):
            pass

    def next(self, deadline):
        """The next line, None at the end of the helper's output, or
        TimeoutError at the deadline."""
        wait = None if deadline is None else max(0.0, deadline - time.time())
        try:
            return self.lines.get(timeout=wait)
        except queue.Empty:
            raise TimeoutError

    def stop(self):
        try:
            self.proc.stdin.close()
        except OSError:
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.proc.wait()


def screen_text(fields):
    """The screen's rows as UTF-8 lines, trailing blanks trimmed. Output
    wraps at the view's width byte by byte, so a double-byte character may
    start in the last column of the view and end in the next row's first
    cell: it is kept with the row it starts in."""
    rows, cols, view_cols = int(fields[0]), int(fields[1]), int(fields[6])
    data = bytes.fromhex(fields[7]) if len(fields) > 7 else b''
    rows = min(rows, len(data) // cols) if cols > 0 else 0
    wrap = view_cols if 0 < view_cols < cols else cols
    raw = [bytearray(data[r * cols:(r + 1) * cols]) for r in range(rows)]
    shift = 0  # bytes taken from the front of this row by the row before
    for r in range(rows):
        row = raw[r]
        i, taken = 0, 0
        while i < len(row):
            if row[i] >= 0x81 and row[i] != 0xFF:
                if i + shift == wrap - 1 and r + 1 < rows and raw[r + 1]:
                    row.insert(i + 1, raw[r + 1][0])
                    del raw[r + 1][0]
                    taken = 1
                    i += 2
                    continue
                if i + 1 < len(row):
                    i += 2
                    continue
            i += 1
        shift = taken
    lines = []
    for row in raw:
        text = bytes(row).replace(b'\0', b' ').decode(TEXT_CODEC, 'replace')
        lines.append(text.rstrip(' '))
    return lines


def xdotool(*args):
    try:
        h.xdotool(*args, timeout=30)
    except (RuntimeError, subprocess.TimeoutExpired) as e:
        raise RunError('typing failed: %s' % e)


# ---- The run ---------------------------------------------------------------

class Run:
    def __init__(self, options, steps, helper):
        self.options, self.steps, self.helper = options, steps, helper
        self.screen = None        # the last screen lines
        self.target = 0           # read index the program reaches when it has taken all typed
        self.chunks = [c for s in steps for c in self.chunked(s)]
        self.used_up = False      # the script ran out and the window was closed
        self.lost = False         # typed keys never reached the program; the run was ended
        self.fault = None
        self.xid = None
        self.png_done = False
        self.first_wait = None    # seconds from start to the first wait for input
        self.ended = None         # the program's exit code, once it ended
        self.started = None       # when the program's process was created

    @staticmethod
    def chunked(step):
        """Splits a step so that no more than CHUNK_EVENTS are typed before
        the program has taken them. A posted character overtakes keys still
        on their way from the X server (the system reads posted messages
        first), so it starts a chunk of its own after typed keys."""
        pieces, commands, events = [], [], 0
        for c in step.commands:
            n = Run.events_of(c)
            posted_after_keys = c[0] == 'post' and any(k[0] != 'post' for k in commands)
            if commands and (events + n > CHUNK_EVENTS or posted_after_keys):
                pieces.append((commands, events))
                commands, events = [], 0
            commands.append(c)
            events += n
        pieces.append((commands, events))
        return pieces

    @staticmethod
    def events_of(command):
        if command[0] == 'type':
            return len(command[-1])
        if command[0] == 'post':
            return command[2]
        return sum(len(chr(int(k[1:], 16)).encode(TEXT_CODEC, 'replace')) if re.fullmatch(r'U[0-9A-F]{4,}', k) else 1
                   for k in command[1:])

    def focus(self, deadline):
        if self.xid is None:
            self.helper.send('focus')
            while self.xid is None:
                line = self.handle(self.helper.next(deadline), deadline)
                if line.startswith('xid '):
                    self.xid = line.split()[1]
                elif self.ended is not None:
                    return False
                elif line.startswith('error'):
                    raise RunError('the program has no console window to type into')
            if self.xid == '0':
                raise RunError('the console window has no X window to type into')
        xdotool('windowfocus', '--sync', self.xid)
        return True

    def type_chunk(self, deadline):
        commands, events = self.chunks.pop(0)
        if not self.focus(deadline):
            return
        for c in commands:
            if c[0] == 'post':
                self.helper.send('char %04X' % ord(c[1]))
            else:
                xdotool(*c)
        self.target = (self.target + events) % 256

    def take_png(self, xid):
        if self.png_done or not self.options.png:
            return
        self.png_done = True
        path = self.options.png
        r = subprocess.run(['import', '-window', xid, path], env=h.wine_env(), capture_output=True, timeout=60)
        if r.returncode != 0 or xid == '0':
            sys.stderr.write('quorven-run: no screenshot: the console window is not on the screen\n')

    def handle(self, line, deadline):
        """Acts on the helper's lines that can come at any time; returns the
        line."""
        if line is None:
            raise RunError('the Windows helper ended without a result')
        if line.startswith('fault '):
            text = bytes.fromhex(line.split()[1] if len(line.split()) > 1 else '').decode('cp936', 'replace')
            code = text.split('#')[-1].strip() if '#' in text else text
            self.fault = code
            sys.stderr.write('quorven-run: the program faulted (exception %s); its fault box was answered '
                             'Cancel\n' % code)
        elif line.startswith('screen '):
            self.screen = screen_text(line.split()[2:])
        elif line.startswith('hold'):
            self.take_png(line.split()[1] if len(line.split()) > 1 else '0')
            self.helper.send('go')
        elif line.startswith('error start'):
            raise RunError('Wine could not start the program (error %s)' % line.split()[-1])
        elif line.startswith('exit '):
            self.ended = int(line.split()[1])
        elif line.startswith('started '):
            self.started = time.time()
        return line

    def run(self, started, timeout):
        """Drives the run to its end; the program's exit code, or None when
        the time-out ended it. The time-out counts from the program's start."""
        try:
            while self.started is None:
                self.handle(self.helper.next(started + START_LIMIT), None)
        except TimeoutError:
            raise RunError('Wine did not start the program within %d s' % START_LIMIT)
        deadline = self.started + timeout if timeout else None
        stalled = None  # since when the program waits, short of what was typed
        while True:
            # Waiting for typed keys ends before the time-out does.
            watching = stalled is not None and (deadline is None or stalled + LOST_INPUT_AFTER < deadline)
            try:
                line = self.handle(self.helper.next(stalled + LOST_INPUT_AFTER if watching else deadline), deadline)
            except TimeoutError:
                self.lost = watching
                return self.time_out()
            if self.ended is not None:
                return self.ended
            if not line.startswith('idle '):
                continue
            if int(line.split()[1]) != self.target:
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
        """Takes the screen if the program still answers, then ends it."""
        self.helper.send('screen')
        end = time.time() + 3
        try:
            while True:
                line = self.handle(self.helper.next(end), end)
                if line.startswith(('screen ', 'exit ', 'error')):
                    break
        except (TimeoutError, RunError):
            pass
        self.helper.send('kill')
        try:
            while not self.handle(self.helper.next(time.time() + 20), None).startswith('exit '):
                pass
        except (TimeoutError, RunError):
            pass
        return None


def write_screen(lines, path):
    text = ''.join(l + '\n' for l in lines)
    if path == '-':
        sys.stdout.write(text)
        sys.stdout.flush()
        return
    folder = os.path.dirname(os.path.abspath(path))
    fd, temp = tempfile.mkstemp(dir=folder, prefix='.quorven-run-')
    with os.fdopen(fd, 'w', encoding='utf-8') as f:
        f.write(text)
    os.replace(temp, path)


class Parser(argparse.ArgumentParser):
    def error(self, message):
        if 'required' in message:
            message = 'no program given; usage: quorven-run [options] PROGRAM.exe [ARGS...]'
        fail(message + ' (see --help)', EXIT_USAGE)


def parse(argv):
    ap = Parser(prog='quorven-run', description=__doc__.split('\n\n')[0],
                formatter_class=argparse.RawDescriptionHelpFormatter,
                epilog='exit status: the program\'s exit code; 124 time-out; 125 input used up and window '
                       'closed; 2 bad use; 3 the run failed')
    ap.add_argument('--input', action=ScriptAction, metavar='TEXT',
                    help='type TEXT (UTF-8) and Enter when the program waits for input; repeatable')
    ap.add_argument('--input-file', action=ScriptAction, metavar='FILE', help='the same, one line per ReadLine')
    ap.add_argument('--keys', action=ScriptAction, metavar='KEYS',
                    help='key names (Return, Escape, F1, Left, ctrl+a ...), blank-separated, typed as one step')
    ap.add_argument('--screen', metavar='FILE', help='write the console\'s text at the end (- for standard output)')
    ap.add_argument('--png', metavar='FILE', help='screenshot of the console window at the end')
    ap.add_argument('--timeout', type=float, metavar='SECONDS', help='end the program after this long (exit 124)')
    ap.add_argument('--display', action='store_true', help='use $DISPLAY instead of a private X server')
    ap.add_argument('--locale', metavar='NAME',
                    help='run under this locale and so its code page (en_US.UTF-8: 1252, ja_JP.UTF-8: 932; '
                         'default zh_CN.UTF-8: 936)')
    ap.add_argument('program', metavar='PROGRAM.exe')
    ap.add_argument('args', nargs=argparse.REMAINDER, metavar='ARGS')
    options = ap.parse_args(argv)
    options.script = getattr(options, 'script', None) or []
    if options.timeout is not None and options.timeout <= 0:
        fail('--timeout must be a positive number of seconds', EXIT_USAGE)
    if options.locale is not None and not locale_installed(options.locale):
        fail('locale %s is not installed (locale -a lists the installed ones)' % options.locale, EXIT_USAGE)
    return options


def locale_installed(name):
    """Whether the system has the locale; locale -a spells UTF-8 as utf8."""
    def norm(n):
        return n.lower().replace('utf-8', 'utf8')
    try:
        out = subprocess.run(['locale', '-a'], capture_output=True, text=True, timeout=10).stdout
    except (OSError, subprocess.SubprocessError):
        return False
    return norm(name) in (norm(l.strip()) for l in out.splitlines())


def interrupt(signum, frame):
    raise KeyboardInterrupt


def main(argv, bin_dir, harness_dir):
    global h
    sys.path.insert(0, harness_dir)
    import qvharness
    h = qvharness
    options = parse(argv)
    if options.locale:
        os.environ['QV_LOCALE'] = options.locale  # every Wine process of the run (qvharness.wine_env)
    try:
        sections = check_program(options.program)
        # The program reads typed text in the code page it was joined with,
        # or else in the one of the locale it runs under.
        global TEXT_CODEC
        code_page = program_code_page(options.program, sections) or locale_code_page(options.locale or 'zh_CN')
        TEXT_CODEC = 'cp%d' % code_page
        steps = build_script(options.script, code_page)
        for path in (options.screen, options.png):
            if path and path != '-' and not os.path.isdir(os.path.dirname(os.path.abspath(path))):
                raise UsageError('cannot write %s: no such folder' % path)
    except UsageError as e:
        fail(str(e), EXIT_USAGE)
    helper_exe = os.path.join(bin_dir, 'quorven-runhelper.exe')
    base = os.environ.get('QV_WINEPREFIX') or os.path.join(os.path.dirname(bin_dir), 'wineprefix')

    started = time.time()
    session = helper = None
    signal.signal(signal.SIGTERM, interrupt)
    try:
        session = Session(base, options.display, bin_dir)
        helper = Helper(helper_exe, session, command_line(options.program, options.args), bool(options.png))
        run = Run(options, steps, helper)
        code = run.run(started, options.timeout)
    except UsageError as e:
        fail(str(e), EXIT_USAGE)
    except RunError as e:
        if helper:
            helper.send('kill')
        code = None
        run = None
        sys.stderr.write('quorven-run: %s\n' % e)
    except KeyboardInterrupt:
        if helper:
            helper.send('kill')
        code, run = None, None
        sys.stderr.write('quorven-run: interrupted\n')
    finally:
        if helper:
            helper.stop()
        if session:
            session.close()
    total = time.time() - started
    if os.environ.get('QUORVEN_RUN_TIMES'):
        sys.stderr.write('quorven-run: first wait for input %s s, whole run %.2f s\n'
                         % ('%.2f' % run.first_wait if run and run.first_wait is not None else '-', total))
    if run is None:
        return EXIT_RUN_FAILED
    if options.screen:
        write_screen(run.screen or [], options.screen)
    if run.lost:
        sys.stderr.write('quorven-run: typed input was lost: the program waited for %d s with some of the keys '
                         'typed never delivered, and was ended\n' % LOST_INPUT_AFTER)
        return EXIT_RUN_FAILED
    if code is None:
        sys.stderr.write('quorven-run: time-out: the program ran longer than %g s and was ended\n' % options.timeout)
        return EXIT_TIMEOUT
    if code != 0 and code & 0xFF == 0:
        code = 1  # a code the shell would see as 0
    if run.used_up:
        sys.stderr.write('quorven-run: the program waited for more input than the script gives; its window '
                         'was closed (it ended with code %d)\n' % code)
        return EXIT_INPUT_USED_UP
    return code
