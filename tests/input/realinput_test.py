#!/usr/bin/env python3
"""Drives the console window with real X keyboard and mouse events (XTEST,
through xdotool) so that key state, TranslateMessage and double-click
detection are the platform's own, and checks the event codes the program
reports. usage: realinput_test.py EXE"""
import os
import sys
import time
sys.path.insert(0, 'tests/harness')
import qvharness as h

MARK = 0x10012  # F12 ends every group of actions
failures = []


class Program:
    def __init__(self, exe):
        # The window opens at the default rectangle (client area about
        # 623 x 444), whatever an earlier run saved.
        h.delete_console_value()
        self.proc = h.start(exe)
        self.seen = 0  # entries already checked
        deadline = time.time() + 30
        while 'client' not in self.text():
            if time.time() > deadline or self.proc.poll() is not None:
                raise SystemExit('the program did not open its console: ' + self.text())
            time.sleep(0.05)
        line = [l for l in self.text().splitlines() if l.startswith('client')][0]
        self.x0, self.y0, width, height = map(int, line.split()[1:5])
        self.cell = tuple(map(int, line.split()[6:8]))  # width, height
        if width < 600 or height < 400:
            raise SystemExit('the client area is %d x %d, too small for the clicks' % (width, height))
        self.window = h.find_window('Quorven')
        h.xdotool('windowfocus', '--sync', self.window)
        time.sleep(0.3)  # Wine handles the focus change on its own time

    def text(self):
        if self.proc.qv_files[0].closed:
            return self.final
        f = self.proc.qv_files[0]
        f.seek(0)
        return f.read().decode('utf-8', 'replace')

    def entries(self):
        return [tuple(int(v, 16) for v in l.split()[1:3]) for l in self.text().splitlines() if l.startswith('event')]

    def group(self, name, actions, expected, shift_states=None):
        """Runs the actions, then F12, and compares the entries since the
        last group (codes, and optionally GetShiftState after each)."""
        for a in actions:
            if isinstance(a, (int, float)):
                time.sleep(a)
            else:
                h.xdotool(*a)
        h.xdotool('key', 'F12')
        deadline = time.time() + 10
        while time.time() < deadline:
            got = self.entries()[self.seen:]
            if got and got[-1][0] == MARK:
                break
            time.sleep(0.02)
        self.seen += len(got)
        codes = [c for c, _ in got[:-1]]
        if codes != expected:
            failures.append(name)
            print('FAIL %s: got %s, expected %s' % (name, [hex(c) for c in codes], [hex(c) for c in expected]))
            return
        if shift_states is not None and [s for _, s in got[:-1]] != shift_states:
            failures.append(name)
            print('FAIL %s: shift states %s, expected %s' % (name, [hex(s) for _, s in got[:-1]],
                                                            [hex(s) for s in shift_states]))
            return
        print('ok %s' % name)

    def read_line(self, name, keys, line, cells, cursor):
        """Ctrl+F12 makes the program call ReadLine; types the keys and
        compares the bytes returned, the first eight cells of its row and
        the cursor."""
        h.xdotool('key', 'ctrl+F12')
        deadline = time.time() + 10
        while 'reading' not in self.text() and time.time() < deadline:
            time.sleep(0.02)
        for k in keys:
            h.xdotool('key', k)
        deadline = time.time() + 20
        while time.time() < deadline and not [l for l in self.text().splitlines() if l.startswith('line')]:
            time.sleep(0.05)
        self.seen += 1  # the Ctrl+F12 entry
        got = [l.split() for l in self.text().splitlines() if l.startswith('line')]
        want = ['line', line, 'cells', cells, 'cursor', '%X' % cursor]
        if not got or got[0] != want:
            failures.append(name)
            print('FAIL %s: got %s, expected %s' % (name, got, want))
        else:
            print('ok %s' % name)

    def at(self, x, y):
        return ('mousemove', self.x0 + x, self.y0 + y)

    def at_cell(self, row, col):
        w, h = self.cell
        return self.at(col * w + 1 + w // 2, row * h + h // 2)

    def clipboard(self):
        """Shift+F11 makes the program report the clipboard's UTF-16 units."""
        h.xdotool('key', 'shift+F11')
        deadline = time.time() + 10
        while time.time() < deadline and 'clipboard' not in self.text():
            time.sleep(0.02)
        self.seen += 1  # the Shift+F11 entry
        lines = [l for l in self.text().splitlines() if l.startswith('clipboard')]
        return [int(v, 16) for v in lines[-1].split()[1:]] if lines else None


def pos(x, y):
    return (y << 16) | x


def main(exe):
    p = Program(exe)
    key = lambda k: ('key', k)

    p.group('characters: a, Shift+A, Ctrl+A, Ctrl+Shift+A, Shift+Enter, Shift+Tab, Esc, Backspace',
            [key('a'), key('shift+a'), key('ctrl+a'), key('ctrl+shift+a'), key('shift+Return'),
             key('shift+Tab'), key('Escape'), key('BackSpace')],
            [0x61, 0x41, 0x1, 0x80001, 0x8000D, 0x80009, 0x1B, 0x8],
            [0, 0x80000, 0x40000, 0xC0000, 0x80000, 0x80000, 0, 0])
    p.group('editing keys with Ctrl and Shift',
            [key('ctrl+Home'), key('ctrl+shift+Home'), key('ctrl+Left'), key('Home'), key('End'),
             key('Insert'), key('Delete'), key('Left'), key('Right'), key('Up'), key('Down'),
             key('Prior'), key('Next'), key('Pause')],
            [0x60000, 0xE0000, 0x60004, 0x20000, 0x20001, 0x20002, 0x20003, 0x20004, 0x20005,
             0x20006, 0x20007, 0x20010, 0x20011, 0x20009],
            [0x40000, 0xC0000, 0x40000] + [0] * 11)
    p.group('function keys: Shift+F1, F9, F10, Alt+F10, Ctrl+F10, F11',
            [key('shift+F1'), key('F9'), key('F10'), key('alt+F10'), key('ctrl+F10'), key('F11')],
            [0x90001, 0x10009, 0x10010, 0x10010, 0x50010, 0x10011],
            [0x80000, 0, 0, 0, 0x40000, 0])
    p.group('no event: Print Screen, Num Lock, Shift, Ctrl, Alt alone, key-ups',
            [key('Print'), key('Num_Lock'), key('Num_Lock'), key('shift'), key('ctrl'), key('alt')], [])
    if not os.environ.get('QV_EMULATED_32BIT'):
        p.group('a GBK character arrives as two character events',
                [key('U4FE1')], [0xD0, 0xC5])  # 信
        p.read_line('ReadLine edits characters: 信a中 Backspace b文 Backspace Backspace c Enter',
                    ['U4FE1', 'a', 'U4E2D', 'BackSpace', 'b', 'U6587', 'BackSpace', 'BackSpace', 'c', 'Return'],
                    'D0C56163', 'D0C5616320202020', 0x30005)
    else:
        # xdotool types a keysym without a keycode through a mapping made
        # for the press alone; under the i386 emulator Wine reads such a
        # press without its character and then takes no key at all. The GBK
        # pair and its editing in ReadLine are checked with the messages
        # themselves in input_messages.
        print('skip GBK keys: under the i386 emulator Wine gets Unicode keysyms without their character')

    # Each mouse group starts at its own place, so that no two groups'
    # clicks make a double click.
    p.group('left click at (10, 20)',
            [p.at(10, 20), 0.1, ('click', 1)],
            [0x2200001, pos(10, 20), 0x4200000, pos(10, 20)])
    p.group('right click at (30, 40)',
            [p.at(30, 40), 0.1, ('click', 3)],
            [0x2200002, pos(30, 40), 0x4200000, pos(30, 40)])
    p.group('left double click, then movement with the button down',
            [p.at(100, 50), 0.1, ('click', 1), 0.05, ('mousedown', 1), 0.05, p.at(120, 60), 0.05,
             ('mouseup', 1)],
            [0x2200001, pos(100, 50), 0x4200000, pos(100, 50), 0x1200001, pos(100, 50),
             0x4200000, pos(120, 60)])
    p.group('right double click',
            [p.at(200, 50), 0.1, ('click', '--repeat', 2, '--delay', 60, 3)],
            [0x2200002, pos(200, 50), 0x4200000, pos(200, 50), 0x1200002, pos(200, 50),
             0x4200000, pos(200, 50)])
    p.group('movement with no button and with the right button held',
            [p.at(300, 100), 0.7, p.at(310, 110), ('mousedown', 3), p.at(320, 120), p.at(330, 130),
             ('mouseup', 3)],
            [0x2200002, pos(310, 110), 0x4200000, pos(330, 130)])
    p.group('movement with the left button held',
            # Apart in time: two moves waiting in the queue together are one
            # WM_MOUSEMOVE (the system coalesces them), as on Windows.
            [p.at(400, 200), 0.7, ('mousedown', 1), 0.05, p.at(410, 205), 0.05, p.at(420, 210), 0.05,
             ('mouseup', 1)],
            [0x2200001, pos(400, 200), 0x6200001, pos(410, 205), 0x6200001, pos(420, 210),
             0x4200000, pos(420, 210)])
    p.group('Shift and Ctrl in the mouse flags',
            [p.at(50, 300), 0.7, ('keydown', 'shift'), ('click', 1), ('keyup', 'shift'),
             ('keydown', 'ctrl'), ('click', 3), ('keyup', 'ctrl')],
            [0x2200005, pos(50, 300), 0x4200004, pos(50, 300),
             0x220000A, pos(50, 300), 0x4200008, pos(50, 300)])

    # Without mouse capture a release outside the window is not the
    # console's: leftDown stays 1 and movement over the window counts as
    # movement with the left button held until the next release inside.
    p.group('left button released outside the window',
            [p.at(500, 300), 0.7, ('mousedown', 1), ('mousemove', p.x0 + 900, p.y0 + 300), ('mouseup', 1),
             0.1, p.at(510, 310), 0.1, ('click', 1)],
            [0x2200001, pos(500, 300), 0x6200000, pos(510, 310), 0x2200001, pos(510, 310),
             0x4200000, pos(510, 310)])

    # Copying with the mouse, as a user does it: the system menu by the
    # keyboard (Alt+Space, Up to its last item "编辑", Right, Enter on
    # "标记"), a drag from inside 中 to the h of "here", a right click to
    # copy. Neither the menu, the drag nor the click gives an event.
    p.group('Ctrl+F11 writes the line to mark', [key('ctrl+F11')], [0x50011])
    p.group('marking through the system menu, a drag and a right click give no event',
            [key('alt+space'), h.scaled(0.5), key('Up'), h.scaled(0.2), key('Right'), h.scaled(0.2), key('Return'),
             h.scaled(0.3),
             p.at_cell(5, 6), 0.1, ('mousedown', 1), 0.05, p.at_cell(5, 8), 0.05, p.at_cell(5, 10), 0.05,
             ('mouseup', 1), 0.1, ('click', 3), 0.3], [])
    got = p.clipboard()
    want = [0x4E2D, 0x6587, 0x20, 0x68]  # 中文 h: the drag's left edge inside 中 takes all of it
    if got != want:
        failures.append('drag copy')
        print('FAIL the dragged cells copied %s, expected %s' % ([hex(c) for c in got or []], [hex(c) for c in want]))
    else:
        print('ok the dragged cells are on the clipboard: %s' % ' '.join('%X' % c for c in got))
    p.group('after the copy the mouse is the program\'s again',
            [p.at(560, 400), 0.7, ('click', 1)], [0x2200001, pos(560, 400), 0x4200000, pos(560, 400)])

    # Alt+F4 stays with the system: no event, and its close ends the program
    # through ExitProgram with code 0.
    h.xdotool('key', 'alt+F4')
    r = h.finish(p.proc, 10)
    p.final = r.out
    extra = p.entries()[p.seen:]
    if extra:
        failures.append('Alt+F4')
        print('FAIL Alt+F4 gave events %s' % [hex(c) for c, _ in extra])
    elif r.code != 0 or 'closed' not in r.out or r.timed_out:
        failures.append('Alt+F4')
        print('FAIL Alt+F4 did not close the program: code %s, timed out %s' % (r.code, r.timed_out))
    else:
        print('ok Alt+F4 reaches the default path and closes with code 0')
    print('%d failed' % len(failures))
    sys.exit(1 if failures else 0)


main(sys.argv[1])
