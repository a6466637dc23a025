"""quorven-run: runs one joined program under Wine without anyone at the
keyboard, types a script of input into its console when it waits for input,
and gives back its screen text, a screenshot and its exit status; checks
the screen and the exit code against what is expected, for CI.

    quorven-run [options] PROGRAM.exe [ARGS...]

How it works. Each run gets its own X server (Xvfb, unless --display) and,
in the project's Wine prefix, its own Wine desktop. The Windows helper
quorven-runhelper.exe starts while the X server does, then clears the saved
console rectangle (every run starts with the same window and view), starts
the program and asks its console window, through the registered message
"QuorvenRunQuery", whether the program blocks in WaitEvent with nothing
pending, and which event it has read up to. Each line of the script is typed
with xdotool once the program waits having read everything typed before; the
screen comes from the kernel's own buffer by WM_COPYDATA, converted from the
program's code page to UTF-8. A fault box is answered by the helper, which
reads the fault's words from the program's header first.

Exit status: the program's exit code (0 when --expect-exit is given and every
check passed); 2 for bad use of the tool, refused before anything starts; 3
when the run itself failed; 4 when a check failed (--expect, --expect-exit);
124 when the time-out ended the program; 125 when it waited for input after
the script was used up and its window was closed (as by the close box)."""
import argparse
import difflib
import json
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
from quorven_early import (Early, RunError, WindowStates, XServer, default_prefix, keep_wineserver, prefix_ready,
                           spawn_helper)

EXIT_USAGE = 2
EXIT_RUN_FAILED = 3
EXIT_CHECK_FAILED = 4
EXIT_TIMEOUT = 124
EXIT_INPUT_USED_UP = 125
# A run ends after this long without --timeout, counted from the program's
# start (times ten where 32-bit code is emulated): a program that never ends,
# or a file Wine cannot run, does not hold a CI job for ever.
DEFAULT_TIMEOUT = 120
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
# Faults reported one by one on standard error, and kept for --result, when
# --on-fault ok lets a program fault again and again.
FAULTS_SAID = 10
FAULTS_KEPT = 100

# The kernel's image and the program header right behind it (sdk/quorven.h).
KERNEL_IMAGE_SIZE = 0x48000

h = None  # the harness module, imported by main()
TEXT_CODEC = 'cp936'  # the program's text, on its screen and as typed

TRACING = bool(os.environ.get('QUORVEN_RUN_TRACE'))
TRACE_START = time.time()


def trace(what):
    """With QUORVEN_RUN_TRACE set, each step of the run on standard error,
    stamped with the seconds since the tool started."""
    if TRACING:
        sys.stderr.write('%7.3f %s\n' % (time.time() - TRACE_START, what))


class UsageError(Exception):
    pass


said = []  # every line the tool said about the run, for --result


def say(message):
    said.append(message)
    sys.stderr.write('quorven-run: %s\n' % message)
    sys.stderr.flush()


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


def key_step(keys, known=None):
    names = keys.split()
    if not names:
        raise UsageError('--keys needs at least one key name')
    known = known or KeyNames()
    for name in names:
        if name.lower() in NO_EVENT_KEYS:
            raise UsageError('--keys: %s alone gives the program no event' % name)
        for part in name.split('+'):
            if not known.has(part):
                raise UsageError('--keys: no key is named "%s"%s' % (part, known.hint(part)))
    return Step(keys, [['key'] + names], len(names))


class KeyNames:
    """The key names xdotool types: X keysym names (Return, F1, a), its own
    names for the left modifiers in any case (ctrl, alt, shift, super, meta),
    and numbers, which it takes as keycodes; parts of a combination are joined
    by "+". A name it does not know it skips with a warning and still
    succeeds, so the script would wait for a key that never comes; such names
    are refused before the run instead. libX11 reads keysym names without a
    display."""

    ALIASES = {'alt', 'ctrl', 'control', 'meta', 'super', 'shift'}
    COMMON = ['Return', 'Escape', 'Tab', 'BackSpace', 'Delete', 'Insert', 'Home', 'End', 'Page_Up', 'Page_Down',
              'Left', 'Right', 'Up', 'Down', 'space', 'KP_Enter'] + ['F%d' % n for n in range(1, 13)]

    def __init__(self):
        import ctypes
        try:
            x11 = ctypes.CDLL('libX11.so.6')
        except OSError:
            self.keysym = None  # xdotool cannot run either; it will say so
            return
        self.keysym = x11.XStringToKeysym
        self.keysym.restype = ctypes.c_ulong
        self.keysym.argtypes = [ctypes.c_char_p]

    def has(self, part):
        if not part:
            return False
        if part.lower() in self.ALIASES or part[0].isdigit() or self.keysym is None:
            return True
        try:
            return self.keysym(part.encode('ascii')) != 0
        except UnicodeEncodeError:
            return False

    def hint(self, part):
        """A suggestion for a misspelt name: the common key it comes closest
        to (names are case-sensitive: Return, not return)."""
        lower = {k.lower(): k for k in self.COMMON}
        close = difflib.get_close_matches(part.lower(), list(lower), 1, 0.6)
        if close:
            return '; did you mean %s?' % lower[close[0]]
        return ' (X keysym names such as Return, Escape, F1, Left, ctrl+a)'


class ScriptAction(argparse.Action):
    """Collects --input, --input-file and --keys in command-line order."""

    def __call__(self, parser, namespace, value, option):
        script = getattr(namespace, 'script', None) or []
        script.append((option, value))
        namespace.script = script


def build_script(items, code_page=936):
    steps = []
    known = None
    for option, value in items:
        if option == '--keys':
            known = known or KeyNames()
            steps.append(key_step(value, known))
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

class Section:
    def __init__(self, name, address, size, offset, raw_size):
        self.name, self.address, self.size, self.offset, self.raw_size = name, address, size, offset, raw_size


def pe_file(path, what='program'):
    """The sections and the symbol table's place of an i386 PE file, with
    one clear complaint for a file that is missing or not such a file:
    (sections, entry RVA, symbol table offset, symbol count)."""
    try:
        with open(path, 'rb') as f:
            data = f.read(4096)
    except FileNotFoundError:
        raise UsageError('%s: no such file' % path)
    except IsADirectoryError:
        raise UsageError('%s: is a folder, not a %s' % (path, what))
    except OSError as e:
        raise UsageError('%s: %s' % (path, e.strerror))
    if len(data) < 0x40 or data[:2] != b'MZ':
        raise UsageError('%s: not a Windows executable' % path)
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    if pe + 24 > len(data) or data[pe:pe + 4] != b'PE\0\0':
        raise UsageError('%s: not a Windows executable' % path)
    machine, count, _, symbols, symbol_count, optional = struct.unpack_from('<HHIIIH', data, pe + 4)
    if machine != 0x14C:
        raise UsageError('%s: not a 32-bit x86 executable' % path)
    entry = struct.unpack_from('<I', data, pe + 24 + 16)[0] if optional >= 20 else 0
    table = pe + 24 + optional
    sections = []
    for i in range(count):
        at = table + 40 * i
        if at + 40 > len(data):
            break
        size, address, raw_size, offset = struct.unpack_from('<IIII', data, at + 8)
        sections.append(Section(data[at:at + 8].rstrip(b'\0'), address, size, offset, raw_size))
    return sections, entry, symbols, symbol_count


def check_program(path):
    """A joined program: an i386 PE with the kernel's sections and the
    program's behind them at 0x48000. Returns its sections. The linker's
    output of a hosted program (its .pe) has the program's section alone,
    and Wine would run its header as code; a kernel alone has no program
    section."""
    sections, entry, _, _ = pe_file(path)
    program = [s for s in sections if s.address == KERNEL_IMAGE_SIZE]
    kernel = [s for s in sections if s.address < KERNEL_IMAGE_SIZE]
    if program and not kernel:
        raise UsageError('%s: a hosted program as linked, not joined to the kernel (make its flat image with '
                         'objcopy -O binary -j .qvprog, then join it with quorven-join)' % path)
    if not program:
        if any(s.name == b'.qvcp' for s in sections):
            raise UsageError('%s: a kernel with no program joined to it (quorven-join KERNEL.exe PROGRAM.bin '
                             'OUT.exe joins one)' % path)
        raise UsageError('%s: not a joined Quorven program (no program image at 0x48000)' % path)
    if not kernel[0].address <= entry < KERNEL_IMAGE_SIZE:
        raise UsageError('%s: not a joined Quorven program (its entry point is not in the kernel)' % path)
    return sections


def program_section(sections):
    return next(s for s in sections if s.address == KERNEL_IMAGE_SIZE)


def section_bytes(path, section):
    with open(path, 'rb') as f:
        f.seek(section.offset)
        return f.read(min(section.size, section.raw_size) if section.size else section.raw_size)


class Symbols:
    """The functions of a hosted program, from the COFF symbol table that
    the linker leaves in its .pe: (offset into the program image, name),
    by offset."""

    def __init__(self, path, program_path, program_sections):
        sections, _, table, count = pe_file(path, 'hosted program (.pe)')
        mine = [i for i, s in enumerate(sections) if s.address == KERNEL_IMAGE_SIZE]
        if len(sections) != 1 or not mine:
            raise UsageError('--symbols %s: not the linker\'s output of a hosted program (one section at 0x48000 '
                             'past the load address)' % path)
        # The program's bytes as joined must be this file's: symbols of
        # another build would name the wrong functions.
        joined = section_bytes(program_path, program_section(program_sections))
        linked = section_bytes(path, sections[0])
        n = min(len(joined), len(linked), sections[0].size)
        if n == 0 or joined[:n] != linked[:n]:
            raise UsageError('--symbols %s: not the program joined into %s (their program images differ)'
                             % (path, program_path))
        with open(path, 'rb') as f:
            f.seek(table)
            data = f.read(18 * count + 4)
            strings = data[18 * count:]
            if len(strings) == 4:
                strings += f.read(max(0, struct.unpack('<I', strings)[0] - 4))
        self.functions = []
        i = 0
        while count and i + 18 <= 18 * count and i + 18 <= len(data):
            raw, value, number, kind, _, aux = struct.unpack_from('<8sIhHBB', data, i)
            i += 18 * (1 + aux)
            if number != 1 or kind & 0xF0 != 0x20:  # in the program's section, a function
                continue
            if raw[:4] == b'\0\0\0\0':
                at = struct.unpack_from('<I', raw, 4)[0]
                raw = strings[at:strings.index(b'\0', at)] if 4 <= at < len(strings) and b'\0' in strings[at:] else b''
            name = raw.rstrip(b'\0').decode('ascii', 'replace')
            # C names as written: stdcall's "@bytes" and the leading underscore
            # that i386 adds go.
            name = re.sub(r'@\d+$', '', name)
            self.functions.append((value, name[1:] if name.startswith('_') else name))
        self.functions.sort()
        if not self.functions:
            raise UsageError('--symbols %s: has no function symbols (linked with -s?)' % path)

    def name(self, offset):
        """'function+0xN' for an offset into the program image, or None
        before the first function."""
        best = None
        for start, name in self.functions:
            if start > offset:
                break
            best = (start, name)
        if best is None:
            return None
        return best[1] if best[0] == offset else '%s+0x%X' % (best[1], offset - best[0])


def read_expected(path):
    """The expected screen: UTF-8 lines, a byte-order mark, line ends and
    trailing blanks ignored, and blank lines at the end."""
    try:
        with open(path, encoding='utf-8-sig') as f:
            return screen_lines(f.read().splitlines())
    except FileNotFoundError:
        raise UsageError('--expect %s: no such file' % path)
    except IsADirectoryError:
        raise UsageError('--expect %s: is a folder' % path)
    except OSError as e:
        raise UsageError('--expect %s: %s' % (path, e.strerror))
    except UnicodeDecodeError:
        raise UsageError('--expect %s: not UTF-8 text' % path)


def screen_lines(lines):
    """Lines as the checks compare them: trailing blanks and blank lines at
    the end dropped."""
    lines = [line.rstrip(' \t') for line in lines]
    while lines and not lines[-1]:
        lines.pop()
    return lines


def program_code_page(path, sections):
    """The text code page the joiner recorded (--code-page N) in the kernel's
    section .qvcp ("QVTEXTCP", then N as 32 bits); 0 when there is none."""
    for section in sections:
        if section.name == b'.qvcp':
            with open(path, 'rb') as f:
                f.seek(section.offset)
                record = f.read(12)
            if len(record) == 12 and record[:8] == b'QVTEXTCP':
                return struct.unpack_from('<I', record, 8)[0]
    return 0


def windows_path(path):
    """The path as the program sees it: Wine's drive Z: is the root."""
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def command_line(program, args):
    return subprocess.list2cmdline([windows_path(program)] + list(args))


# ---- The run's own X server, Wine server and helper ------------------------

def time_scale():
    """10 where 32-bit code runs under the i386 emulator (scripts/setup.sh
    registers it where the kernel runs no 32-bit code), where Wine programs
    run many times slower; 1 elsewhere. The test build stretches its
    time-outs by the same factor."""
    try:
        with open('/proc/sys/fs/binfmt_misc/qemu-i386') as f:
            return 10 if f.readline().startswith('enabled') else 1
    except OSError:
        return 1


def prepare_prefix(base_prefix, bin_dir):
    """The project's prefix is made (or copied from the machine's base) on
    first use and given the console font the build made beside the tool; the
    script that does it is skipped where it would do nothing."""
    if prefix_ready(base_prefix, bin_dir, h.ROOT):
        trace('prefix ready, as its mark says')
        return
    prepared = subprocess.run([os.path.join(h.ROOT, 'scripts', 'wineprefix.sh')],
                              env=dict(os.environ, QV_WINEPREFIX=base_prefix, QV_BIN_DIR=bin_dir),
                              stdin=subprocess.DEVNULL, stdout=sys.stderr, stderr=subprocess.PIPE,
                              text=True, timeout=3600)
    if prepared.returncode != 0:
        why = (prepared.stderr.strip().splitlines() or ['failed'])[-1]
        raise RunError('cannot prepare the Wine prefix at %s: %s' % (base_prefix, why))
    trace('prefix ready')


class Helper:
    def __init__(self, proc):
        self.proc = proc  # quorven_early.spawn_helper
        self.lines = queue.Queue()
        self.exited = False  # the helper reported the program's exit
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.proc.stdout:
            line = raw.decode('ascii', 'replace').rstrip('\r\n')
            trace('helper: ' + line[:120])
            self.exited = self.exited or line.startswith('exit ')
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


class Session:
    """The run's own X server (or $DISPLAY) in the project's Wine prefix, and
    the helper that starts the program. The Wine server is shared with other
    runs and kept for a while after the last one, since starting it is slow;
    each run's helper makes a Wine desktop of its own, so that keys go to that
    run's program only.

    What a run waits for, it waits for once: the X server and the helper's
    Wine process were started before the tool was loaded (quorven_early) and
    are taken over here where they fit the run; otherwise the X server
    starts while the prefix is checked, and the helper while the X server
    starts (it touches no window before "go")."""

    def __init__(self, base_prefix, use_display, bin_dir, go, early):
        self.xserver = self.states = self.helper = None
        try:
            self.start(base_prefix, use_display, bin_dir, go, early)
        except BaseException:
            self.close()
            raise

    def start(self, base_prefix, use_display, bin_dir, go, early):
        if use_display and not os.environ.get('DISPLAY'):
            raise UsageError('--display: DISPLAY is not set')
        for attempt in range(10):
            first = attempt == 0
            if not use_display:
                if first and early.xserver and early.states:
                    self.xserver, early.xserver = early.xserver, None
                    self.states, early.states = early.states, None
                else:
                    self.xserver = XServer()
                    self.states = WindowStates(self.xserver.number)
            if first:
                prepare_prefix(base_prefix, bin_dir)
            display = os.environ['DISPLAY'] if use_display else ':%d' % self.xserver.number
            self.info = {'display': display, 'prefix': os.path.abspath(base_prefix)}
            h.use_session(self.info)
            self.env = h.wine_env(self.info)
            proc = None
            if first and early.helper and early.env == self.env:
                proc, early.helper = early.helper, None
                trace('helper started early')
            early.close()  # what does not fit this run
            if first and not proc:
                keep_wineserver(self.env)
            self.helper = Helper(proc or spawn_helper(os.path.join(bin_dir, 'quorven-runhelper.exe'), self.env))
            if use_display or self.xserver.ready():
                trace('X server %s ready' % display)
                # Window states are marked from the first window on.
                if self.states and not self.states.ready():
                    trace('no window states')
                self.helper.send(go)
                return
            # Another run took the display number first: the helper, which
            # has not touched it yet, goes with the server.
            self.close()
        raise RunError('could not start Xvfb')

    def close(self):
        """Ends the helper and the X server together; Wine processes still
        attached to it (the desktop's explorer) end with it."""
        if self.helper:
            self.helper.end()
        if self.states:
            self.states.close()
            self.states = None
        if self.xserver:
            self.xserver.end()
        if self.helper:
            self.helper.stop()
            self.helper = None
        if self.xserver:
            self.xserver.close()
            self.xserver = None
            trace('X server ended')


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

class Fault:
    """A fault box the helper answered, with the words it read from the
    program first: the fault's code, the Eip of the saved CONTEXT and the
    header's fault words (Esi, [Ebp], [Ebp+4], [Ebp+8])."""

    def __init__(self, line, image_size, symbols):
        parts = line.split()
        words = [None if w == '-' else int(w, 16) for w in parts[1:8]]
        self.base, self.code, self.eip, self.esi, self.link, self.ret, self.arg = words
        self.answer = parts[8] if len(parts) > 8 else 'cancel'
        text = bytes.fromhex(parts[9]).decode('cp936', 'replace') if len(parts) > 9 else ''
        if self.code is None and '#' in text:  # the box's text ends with the code
            try:
                self.code = int(text.split('#')[-1].strip(), 16)
            except ValueError:
                pass
        self.image_size, self.symbols = image_size, symbols

    def offset(self, address):
        """The offset of an address into the program image, or None."""
        if address is None or self.base is None:
            return None
        offset = address - self.base - KERNEL_IMAGE_SIZE
        return offset if 0 <= offset < self.image_size else None

    def where(self, address):
        """Where an address lies, in words: an offset into the program image
        (and its function), the kernel, or elsewhere."""
        offset = self.offset(address)
        if offset is not None:
            function = self.symbols.name(offset) if self.symbols else None
            return 'offset 0x%X of the program image%s' % (offset, ' (%s)' % function if function else '')
        if address is not None and self.base is not None and 0 <= address - self.base < KERNEL_IMAGE_SIZE:
            return 'the kernel, outside the program image'
        return 'outside the program image and the kernel'

    def report(self):
        code = '%08X' % self.code if self.code is not None else 'of unknown code'
        if self.eip is None:
            at = 'at an address that could not be read'
        else:
            at = 'at 0x%08X, %s' % (self.eip, self.where(self.eip))
        fields = []
        for name, value in (('Esi', self.esi), ('[Ebp]', self.link), ('[Ebp+4]', self.ret), ('[Ebp+8]', self.arg)):
            if value is None:
                continue
            offset = self.offset(value) if name == '[Ebp+4]' else None
            function = self.symbols.name(offset) if offset is not None and self.symbols else None
            fields.append('%s 0x%08X%s' % (name, value, '' if offset is None else ' (offset 0x%X%s)' % (
                offset, ', ' + function if function else '')))
        return 'the program faulted (exception %s) %s; fault words %s; its fault box was answered %s' % (
            code, at, ', '.join(fields) or 'not readable', 'OK' if self.answer == 'ok' else 'Cancel')

    def record(self):
        """The fault for --result."""
        def hexword(value):
            return None if value is None else '0x%08X' % value

        def place(address):
            offset = self.offset(address)
            return {'offset': None if offset is None else '0x%X' % offset,
                    'function': self.symbols.name(offset) if offset is not None and self.symbols else None}
        at = place(self.eip)
        back = place(self.ret)
        return {'code': None if self.code is None else '%08X' % self.code, 'address': hexword(self.eip),
                'offset': at['offset'], 'function': at['function'],
                'in': 'program' if at['offset'] else ('kernel' if self.where(self.eip).startswith('the kernel')
                                                      else 'elsewhere'),
                'esi': hexword(self.esi), 'frame_link': hexword(self.link), 'return_address': hexword(self.ret),
                'return_offset': back['offset'], 'return_function': back['function'],
                'first_argument': hexword(self.arg), 'answer': self.answer}


class Run:
    def __init__(self, options, steps, helper, image_size, symbols):
        self.options, self.steps, self.helper = options, steps, helper
        self.image_size, self.symbols = image_size, symbols
        self.screen = None        # the last screen lines
        self.target = 0           # read index the program reaches when it has taken all typed
        self.chunks = [c for s in steps for c in self.chunked(s)]
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
        """The screenshot of the console window, once; the X window is 0 when
        the console window never showed (Wine makes it on the first show)."""
        if self.png_done or not self.options.png:
            return
        self.png_done = True
        if xid == '0':
            say('no screenshot: the console window never showed on the screen')
            return
        path = self.options.png
        # Written beside the file and renamed: a failure leaves nothing behind.
        temp = os.path.join(os.path.dirname(os.path.abspath(path)), '.quorven-run-%d.png' % os.getpid())
        try:
            r = subprocess.run(['import', '-window', xid, temp], env=h.wine_env(), capture_output=True,
                               timeout=60)
            if r.returncode == 0 and os.path.exists(temp):
                os.replace(temp, path)
                self.png_taken = True
                return
            say('no screenshot: the console window is not on the screen')
        except subprocess.TimeoutExpired:
            say('no screenshot: taking it did not finish within 60 s')
        finally:
            if os.path.exists(temp):
                os.remove(temp)

    def handle(self, line, deadline):
        """Acts on the helper's lines that can come at any time; returns the
        line."""
        if line is None:
            raise RunError('the Windows helper ended without a result')
        if line.startswith('fault '):
            fault = Fault(line, self.image_size, self.symbols)
            self.fault_count += 1
            if len(self.faults) < FAULTS_KEPT:
                self.faults.append(fault)
            if self.fault_count <= FAULTS_SAID:
                say(fault.report())
            elif self.fault_count == FAULTS_SAID + 1:
                say('the program faults again and again; further faults are counted, not shown')
        elif line.startswith('screen '):
            self.screen = screen_text(line.split()[2:])
        elif line.startswith('hold'):
            self.take_png(line.split()[1] if len(line.split()) > 1 else '0')
            self.helper.send('go')
        elif line.startswith('window '):
            self.window = True
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
                line = self.handle(self.helper.next(end), end)
                if line.startswith('exit '):
                    break
                if line.startswith(('screen ', 'error screen')):
                    waiting.discard('screen')
                elif line.startswith('xid '):
                    waiting.discard('xid')
                    self.take_png(line.split()[1])
                elif line.startswith('error'):
                    waiting.clear()
        except (TimeoutError, RunError):
            pass
        self.helper.send('kill')
        try:
            while not self.handle(self.helper.next(time.time() + 20), None).startswith('exit '):
                pass
        except (TimeoutError, RunError):
            pass
        return None


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
    text = ''.join(l + '\n' for l in lines)
    if path == '-':
        sys.stdout.write(text)
        sys.stdout.flush()
        return
    write_atomic(path, text)


class Parser(argparse.ArgumentParser):
    def error(self, message):
        if 'required' in message:
            message = 'no program given; usage: quorven-run [options] PROGRAM.exe [ARGS...]'
        fail(message + ' (see --help)', EXIT_USAGE)


def exit_code_value(text):
    """--expect-exit N: a whole number, as ExitProgram takes it (negative
    codes too) or as Windows reports it (up to 2^32 - 1)."""
    try:
        n = int(text, 0)
    except ValueError:
        raise argparse.ArgumentTypeError('not a whole number: %r' % text)
    if not -2 ** 31 <= n < 2 ** 32:
        raise argparse.ArgumentTypeError('out of range: %s' % text)
    return n


def parse(argv):
    ap = Parser(prog='quorven-run', description=__doc__.split('\n\n')[0],
                formatter_class=argparse.RawDescriptionHelpFormatter,
                epilog='exit status: the program\'s exit code (0 when --expect-exit is given and every check '
                       'passed); 2 bad use; 3 the run failed; 4 a check failed; 124 time-out; 125 input used up '
                       'and window closed')
    ap.add_argument('--input', action=ScriptAction, metavar='TEXT',
                    help='type TEXT (UTF-8) and Enter when the program waits for input; repeatable')
    ap.add_argument('--input-file', action=ScriptAction, metavar='FILE', help='the same, one line per ReadLine')
    ap.add_argument('--keys', action=ScriptAction, metavar='KEYS',
                    help='key names (Return, Escape, F1, Left, ctrl+a ...), blank-separated, typed as one step')
    ap.add_argument('--screen', metavar='FILE', help='write the console\'s text at the end (- for standard output)')
    ap.add_argument('--png', metavar='FILE', help='screenshot of the console window at the end')
    ap.add_argument('--expect', metavar='FILE',
                    help='check the console\'s text at the end against FILE (UTF-8, trailing blanks ignored); '
                         'a difference is shown as a unified diff and fails the run with status 4')
    ap.add_argument('--expect-exit', type=exit_code_value, metavar='N',
                    help='check that the program ends with exit code N (status 4 when not, 0 when all checks pass)')
    ap.add_argument('--result', metavar='FILE', help='write the run\'s outcome as JSON')
    ap.add_argument('--on-fault', choices=('ok', 'cancel'), default='cancel',
                    help='answer a fault box OK (the program starts again) or Cancel (it ends with code 1; '
                         'the default)')
    ap.add_argument('--symbols', metavar='FILE.pe',
                    help='the linker\'s output of the hosted program, to name the function of a fault')
    ap.add_argument('--timeout', type=float, metavar='SECONDS',
                    help='end the program after this long, counted from its start (exit 124); default %d s, ten '
                         'times that where 32-bit code is emulated; 0 for none' % DEFAULT_TIMEOUT)
    ap.add_argument('--display', action='store_true', help='use $DISPLAY instead of a private X server')
    ap.add_argument('--locale', metavar='NAME',
                    help='run under this locale and so its code page (en_US.UTF-8: 1252, ja_JP.UTF-8: 932; '
                         'default zh_CN.UTF-8: 936)')
    ap.add_argument('program', metavar='PROGRAM.exe')
    ap.add_argument('args', nargs=argparse.REMAINDER, metavar='ARGS')
    options = ap.parse_args(argv)
    options.script = getattr(options, 'script', None) or []
    if options.timeout is not None and not options.timeout >= 0:
        fail('--timeout must be a number of seconds (0 for none)', EXIT_USAGE)
    if options.timeout is None:
        options.timeout = DEFAULT_TIMEOUT * time_scale()
        options.default_timeout = True
    else:
        options.default_timeout = False
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


def signed(code):
    """An exit code as ExitProgram took it: Windows reports it unsigned."""
    return code - 2 ** 32 if code >= 2 ** 31 else code


class Outcome:
    """How the run ended, what the checks found, and the tool's exit status."""

    def __init__(self, ended, code=None, run=None):
        self.ended, self.code, self.run = ended, code, run
        self.screen_check = self.exit_check = None
        self.status = None

    def check(self, options, expected):
        run = self.run
        failed = False
        if self.ended not in ('exited', 'input used up', 'time-out'):
            return False
        if expected is not None and (run.screen is not None or self.ended == 'exited'):
            shown = screen_lines(run.screen or [])
            self.screen_check = {'expected': options.expect, 'matches': shown == expected}
            if shown != expected:
                failed = True
                where = '' if run.screen is not None else ' (the program showed no console)'
                say('the screen differs from %s%s:' % (options.expect, where))
                diff = difflib.unified_diff(expected, shown, options.expect, 'the screen', lineterm='')
                sys.stderr.write(''.join(line + '\n' for line in diff))
        if options.expect_exit is not None and self.code is not None and self.ended in ('exited', 'input used up'):
            matches = (self.code - options.expect_exit) % 2 ** 32 == 0
            self.exit_check = {'expected': options.expect_exit, 'matches': matches}
            if not matches:
                failed = True
                say('the program ended with code %d, not %d (--expect-exit)' % (signed(self.code),
                                                                                options.expect_exit))
        return failed

    def decide(self, options, expected):
        failed = self.check(options, expected)
        if self.ended in ('run failed', 'input lost', 'interrupted'):
            self.status = EXIT_RUN_FAILED
        elif self.ended == 'time-out':
            self.status = EXIT_TIMEOUT
        elif failed:
            self.status = EXIT_CHECK_FAILED
        elif self.ended == 'input used up':
            self.status = EXIT_INPUT_USED_UP
        elif options.expect_exit is not None:
            self.status = 0
        else:
            code = self.code & 0xFF
            self.status = 1 if code == 0 and self.code != 0 else code  # a code the shell would see as 0
        return self.status

    def record(self, options, seconds):
        run = self.run
        return {
            'status': self.status,
            'ended': self.ended,
            'exit_code': None if self.code is None or self.ended not in ('exited', 'input used up')
            else signed(self.code),
            'faults': [f.record() for f in run.faults] if run else [],
            'fault_count': run.fault_count if run else 0,
            'screen_check': self.screen_check,
            'exit_check': self.exit_check,
            'screenshot': options.png if run and run.png_taken else None,
            'messages': list(said),
            'seconds': round(seconds, 3),
        }


def write_result(options, outcome, seconds):
    if options.result:
        write_atomic(options.result, json.dumps(outcome.record(options, seconds), ensure_ascii=False, indent=2)
                     + '\n')


def main(argv, bin_dir, harness_dir, early=None):
    """The tool; early holds what the launcher started before loading it
    (quorven_early), which is ended unless the run takes it over."""
    early = early or Early([], bin_dir, harness_dir)
    try:
        return run_tool(argv, bin_dir, harness_dir, early)
    finally:
        early.close()


def run_tool(argv, bin_dir, harness_dir, early):
    global h, TEXT_CODEC
    sys.path.insert(0, harness_dir)
    import qvharness
    h = qvharness
    options = parse(argv)
    if options.locale:
        os.environ['QV_LOCALE'] = options.locale  # every Wine process of the run (qvharness.wine_env)
    started = time.time()
    try:
        for path in (options.screen, options.png, options.result):
            if path and path != '-' and not os.path.isdir(os.path.dirname(os.path.abspath(path))):
                raise UsageError('cannot write %s: no such folder' % path)
        sections = check_program(options.program)
        image_size = program_section(sections).size
        symbols = Symbols(options.symbols, options.program, sections) if options.symbols else None
        expected = read_expected(options.expect) if options.expect else None
        # The program reads typed text in the code page it was joined with,
        # or else in the one of the locale it runs under.
        code_page = program_code_page(options.program, sections) or locale_code_page(options.locale or 'zh_CN')
        TEXT_CODEC = 'cp%d' % code_page
        steps = build_script(options.script, code_page)
        if any('\n' in a or '\r' in a for a in options.args):
            raise UsageError('an argument for the program holds a line break, which its command line cannot carry')
    except UsageError as e:
        say(str(e))
        outcome = Outcome('refused')
        outcome.status = EXIT_USAGE
        if options.result and os.path.isdir(os.path.dirname(os.path.abspath(options.result))):
            write_result(options, outcome, time.time() - started)
        return EXIT_USAGE
    trace('checks done')
    # What the helper runs, and how: hold the exit screen for a screenshot,
    # the fault box's answer, the command line.
    go = 'go %d %s %s' % (1 if options.png else 0, options.on_fault, command_line(options.program, options.args))
    session = run = None
    signal.signal(signal.SIGTERM, interrupt)
    try:
        session = Session(default_prefix(bin_dir), options.display, bin_dir, go, early)
        run = Run(options, steps, session.helper, image_size, symbols)
        code = run.run(started, options.timeout)
        if run.lost:
            outcome = Outcome('input lost', None, run)
        elif code is None:
            outcome = Outcome('time-out', None, run)
        else:
            outcome = Outcome('input used up' if run.used_up else 'exited', code, run)
    except UsageError as e:
        fail(str(e), EXIT_USAGE)
    except RunError as e:
        if session and session.helper:
            session.helper.send('kill')
        outcome = Outcome('run failed', None, run)
        say(str(e))
    except KeyboardInterrupt:
        if session and session.helper:
            session.helper.send('kill')
        outcome = Outcome('interrupted', None, run)
        say('interrupted')
    finally:
        if session:
            session.close()
    total = time.time() - started
    if os.environ.get('QUORVEN_RUN_TIMES'):
        sys.stderr.write('quorven-run: first wait for input %s s, whole run %.2f s\n'
                         % ('%.2f' % run.first_wait if run and run.first_wait is not None else '-', total))
    if run is not None and outcome.ended not in ('run failed', 'interrupted'):
        if options.screen:
            write_screen(run.screen or [], options.screen)
        if options.png and not run.png_done:
            say('no screenshot: the program never showed its console window' if not run.window else
                'no screenshot: the program ended before its window could be taken')
    if outcome.ended == 'input lost':
        say('typed input was lost: the program waited for %d s with some of the keys typed never delivered, '
            'and was ended' % LOST_INPUT_AFTER)
    elif outcome.ended == 'time-out':
        say('time-out: the program ran longer than %g s and was ended%s'
            % (options.timeout, ' (the default time-out; --timeout SECONDS sets another)'
               if options.default_timeout else ''))
    elif outcome.ended == 'input used up':
        say('the program waited for more input than the script gives; its window was closed (it ended with '
            'code %d)' % signed(outcome.code))
    status = outcome.decide(options, expected)
    write_result(options, outcome, total)
    return status
