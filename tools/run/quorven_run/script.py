"""The input script: --input, --input-file and --keys in command-line order,
turned into steps (what xdotool types, what the helper posts, and how many
event codes each puts into the program's queue), checked before the run,
and cut into chunks the program takes one at a time."""
import difflib
import re

from .codepages import codec
from .errors import UsageError

# Events typed before the tool waits for the program to take them: well
# inside the kernel's queue of 255.
CHUNK_EVENTS = 64
# Keys that give the program no event: a script waiting for them would wait
# for ever.
NO_EVENT_KEYS = {'shift', 'ctrl', 'control', 'alt', 'super', 'meta', 'shift_l', 'shift_r', 'control_l',
                 'control_r', 'alt_l', 'alt_r', 'super_l', 'super_r', 'print', 'num_lock', 'caps_lock'}
# Names people type for a key whose X keysym is spelt otherwise: Enter is
# the main keyboard's Return (the keypad's is KP_Enter).
KEY_ALIASES = {'enter': 'Return'}
ASCII_PIECE = 32  # characters per xdotool type: pieces small enough for one chunk


class Step:
    """One piece of input: xdotool commands and the number of event codes they
    put into the program's queue."""

    def __init__(self, what, commands, events):
        self.what, self.commands, self.events = what, commands, events


def line_steps(text, code_page=936):
    """The step that types one line and Enter: ASCII as real keys through
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
            if len(ascii_run) == ASCII_PIECE:
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
            width = len(ch.encode(codec(code_page)))
        except UnicodeEncodeError:
            raise UsageError('cannot type %r: not a character of code page %d, which the program reads'
                             % (ch, code_page))
        commands.append(['post', ch, width])
        events += width
    if ascii_run:
        commands.append(['type', '--delay', '5', '--', ascii_run])
    commands.append(['key', 'Return'])
    return Step(text, commands, events + 1)


def key_name(name):
    """A key name as xdotool is to type it: each part of a combination
    with its alias resolved (Enter: Return)."""
    return '+'.join(KEY_ALIASES.get(part.lower(), part) for part in name.split('+'))


def key_step(keys, known=None):
    """The step of one --keys: each blank-separated name one key (or a
    combination joined by "+") and one event. Names that give no event or
    that xdotool would skip are refused."""
    names = keys.split()
    if not names:
        raise UsageError('--keys needs at least one key name')
    known = known or KeyNames()
    for name in names:
        if name.lower() in NO_EVENT_KEYS:
            raise UsageError('--keys: %s alone gives the program no event' % name)
        for part in name.split('+'):
            if part.lower() not in KEY_ALIASES and not known.has(part):
                raise UsageError('--keys: no key is named "%s"%s' % (part, known.hint(part)))
    return Step(keys, [['key'] + [key_name(n) for n in names]], len(names))


class KeyNames:
    """The key names xdotool types: X keysym names (Return, F1, a), its own
    names for the left modifiers in any case (ctrl, alt, shift, super, meta),
    and numbers, which it takes as keycodes; parts of a combination are joined
    by "+". A name it does not know it skips with a warning and still
    succeeds, so the script would wait for a key that never comes; such names
    are refused before the run instead. libX11 reads keysym names without a
    display. keysym, when given, stands in for libX11's XStringToKeysym."""

    ALIASES = {'alt', 'ctrl', 'control', 'meta', 'super', 'shift'}
    COMMON = ['Return', 'Escape', 'Tab', 'BackSpace', 'Delete', 'Insert', 'Home', 'End', 'Page_Up', 'Page_Down',
              'Left', 'Right', 'Up', 'Down', 'space', 'KP_Enter'] + ['F%d' % n for n in range(1, 13)]

    def __init__(self, keysym=None):
        self.keysym = keysym or self._libx11()

    @staticmethod
    def _libx11():
        """XStringToKeysym, or None without libX11 (xdotool cannot run
        either; it will say so)."""
        import ctypes
        try:
            x11 = ctypes.CDLL('libX11.so.6')
        except OSError:
            return None
        keysym = x11.XStringToKeysym
        keysym.restype = ctypes.c_ulong
        keysym.argtypes = [ctypes.c_char_p]
        return keysym

    def has(self, part):
        """Whether xdotool types a key for this part of a name."""
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


def read_input_file(path):
    """The lines of an --input-file, read as UTF-8."""
    try:
        with open(path, encoding='utf-8') as f:
            return f.read().splitlines()
    except OSError as e:
        raise UsageError('cannot read %s: %s' % (path, e.strerror))
    except UnicodeDecodeError:
        raise UsageError('%s is not UTF-8 text' % path)


def build_script(items, code_page=936, known=None):
    """The steps of the script items ((option, value) in command-line
    order) for a program that reads text in code_page."""
    steps = []
    for option, value in items:
        if option == '--keys':
            known = known or KeyNames()
            steps.append(key_step(value, known))
            continue
        lines = read_input_file(value) if option == '--input-file' else value.split('\n')
        steps.extend(line_steps(line, code_page) for line in lines)
    return steps


def events_of(command, code_page):
    """The event codes one command puts into the queue: a byte each for
    typed text and posted characters, one for a key (a keysym named by its
    code, U4E2D, gives the bytes of that character)."""
    if command[0] == 'type':
        return len(command[-1])
    if command[0] == 'post':
        return command[2]
    return sum(len(chr(int(k[1:], 16)).encode(codec(code_page), 'replace')) if re.fullmatch(r'U[0-9A-F]{4,}', k)
               else 1 for k in command[1:])


def chunked(step, code_page=936):
    """Splits a step so that no more than CHUNK_EVENTS are typed before
    the program has taken them: [(commands, events)]. A posted character
    overtakes keys still on their way from the X server (the system reads
    posted messages first), so it starts a chunk of its own after typed
    keys."""
    pieces, commands, events = [], [], 0
    for c in step.commands:
        n = events_of(c, code_page)
        posted_after_keys = c[0] == 'post' and any(k[0] != 'post' for k in commands)
        if commands and (events + n > CHUNK_EVENTS or posted_after_keys):
            pieces.append((commands, events))
            commands, events = [], 0
        commands.append(c)
        events += n
    pieces.append((commands, events))
    return pieces


def script_chunks(steps, code_page=936):
    """Every chunk of the script, in order."""
    return [c for s in steps for c in chunked(s, code_page)]
