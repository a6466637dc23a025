#!/usr/bin/env python3
"""quorven-run, end to end: bad use (misspelt keys, a linked .pe, a flat image
or object file not yet joined, a bad --dpi, a kernel
alone, symbols of another program) gets one line and status 2 before
anything starts; two runs of the sum example at once, with Chinese and ASCII
input, each give their own exact screen text, one passing --expect, the
other failing it and --expect-exit with a diff and status 4; a script that
runs out ends the run with 125 and a screenshot; --timeout ends a program
that computes for ever with 124; a fault is reported with its code and its
offset and function in the program image, its box answered Cancel (the
program ends with 1) or OK (it starts again); --result holds the outcome;
--png of a program that never opens its console says so in one line; a
character in the view's last column on code pages 1252 and 932 reads as
the console shows it; --dpi runs the program at that DPI.
usage: run_tool_test.py RUNPROBE.exe RUNPROBE.pe"""
import json
import os
import subprocess
import sys
import tempfile
import threading
import time
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'harness'))
from qvharness import TIME_SCALE, processor_fault

probe = os.path.abspath(sys.argv[1])
probe_pe = os.path.abspath(sys.argv[2])
bin_dir = os.environ.get('QV_BIN_DIR') or os.path.join('build', 'bin')
tool = os.path.join(bin_dir, 'quorven-run')
sum_exe = os.path.join(bin_dir, 'sum.exe')
failures = []


def run(*args, timeout=300):
    start = time.time()
    r = subprocess.run([tool] + list(args), capture_output=True, timeout=timeout, stdin=subprocess.DEVNULL)
    r.seconds = time.time() - start
    r.out, r.err = r.stdout.decode('utf-8', 'replace'), r.stderr.decode('utf-8', 'replace')
    return r


def check(name, ok, r=None):
    print('%s %s' % ('ok' if ok else 'FAIL', name))
    if not ok:
        failures.append(name)
        if r is not None:
            print('  exit %s after %.1f s\n  stdout: %r\n  stderr: %r' % (r.returncode, r.seconds, r.out, r.err))


def one_line(r, word):
    lines = r.err.strip().splitlines()
    return r.returncode == 2 and len(lines) == 1 and lines[0].startswith('quorven-run: ') and word in lines[0]


with tempfile.TemporaryDirectory() as d:
    text = os.path.join(d, 'notes.exe')
    with open(text, 'w') as f:
        f.write('not a program\n')
    # A hosted program's flat image (header: addressMode 0, entry offset
    # 0x60) and the compiler's object file, given before they are joined.
    flat = os.path.join(d, 'prog.bin')
    with open(flat, 'wb') as f:
        f.write(bytes(0x1C) + (0x60).to_bytes(4, 'little') + bytes(0xE0))
    obj = os.path.join(d, 'prog.o')
    with open(obj, 'wb') as f:
        f.write((0x14C).to_bytes(2, 'little') + (6).to_bytes(2, 'little') + bytes(0x100))
    for name, args, word in [
        ('unknown option', ['--colour', sum_exe], '--colour'),
        ('a flat image not yet joined', [flat], 'join it first: quorven-join'),
        ('an object file', [obj], 'an object file (COFF), not a joined program; link it with sdk/hosted.ld'),
        ('a DPI out of range', ['--dpi', '1000', sum_exe], '--dpi'),
        ('a DPI that is not a number', ['--dpi', '1.5', sum_exe], '--dpi'),
        ('missing program', [os.path.join(d, 'none.exe')], 'no such file'),
        ('a text file', [text], 'not a Windows executable'),
        ('an executable that is not a joined program', [os.path.join(bin_dir, 'quorven-runhelper.exe')],
         'not a joined'),
        ('a kernel alone', [os.path.join(bin_dir, 'quorven.exe')], 'no program joined'),
        ('the linker\'s .pe', [probe_pe], 'not joined to the kernel'),
        ('missing input file', ['--input-file', os.path.join(d, 'none.txt'), sum_exe], 'cannot read'),
        ('a key that gives no event', ['--keys', 'Return shift', sum_exe], 'shift'),
        ('a misspelt key', ['--keys', 'Return Retrun', sum_exe], 'did you mean Return'),
        ('a misspelt part of a combination', ['--keys', 'ctrl+Escpae', sum_exe], 'Escpae'),
        ('missing expected screen', ['--expect', os.path.join(d, 'none.txt'), sum_exe], 'no such file'),
        ('symbols of another program', ['--symbols', probe_pe, sum_exe], 'not the program joined'),
        ('a bad answer for the fault box', ['--on-fault', 'retry', sum_exe], 'retry'),
    ]:
        r = run(*args, timeout=60)
        check('bad use, %s: one line, status 2' % name, one_line(r, word), r)

    # Two runs at once, each with its own X server; the Chinese line is
    # refused by the program and shown back. The first passes --expect; the
    # second is checked against a screen with one line changed and another
    # exit code: a diff on standard error, status 4, the screen still given.
    first = ['求和 Sum', '第一个数: 四十二', '不是整数：四十二', '第一个数: 42', '第二个数: 58', '42 + 58 = 100']
    second = ['求和 Sum', '第一个数: -7', '第二个数: 1234', '-7 + 1234 = 1227']
    right, wrong = os.path.join(d, 'right.txt'), os.path.join(d, 'wrong.txt')
    with open(right, 'w', encoding='utf-8') as f:
        f.write(''.join(line + '  \n' for line in first) + '\n\n')  # trailing blanks and lines do not count
    with open(wrong, 'w', encoding='utf-8') as f:
        f.write('\n'.join(second).replace('1227', '1228') + '\n')
    results = {}
    jobs = [threading.Thread(target=lambda k, a: results.__setitem__(k, run(*a)), args=(k, a)) for k, a in [
        ('first', ['--input', '四十二', '--input', '42', '--input', '58', '--expect', right, '--screen', '-',
                   sum_exe]),
        ('second', ['--input', '-7', '--input', '1234', '--expect', wrong, '--expect-exit', '9', '--screen', '-',
                    sum_exe]),
    ]]
    for j in jobs:
        j.start()
    for j in jobs:
        j.join()
    r = results['first']
    check('parallel run first: --expect passes, exit 0 and the screen %r' % first,
          r.returncode == 0 and r.out.splitlines() == first and 'differs' not in r.err, r)
    r = results['second']
    check('parallel run second: the screen %r, status 4, the diff and the exit code on stderr' % second,
          r.returncode == 4 and r.out.splitlines() == second and '\n-' + second[-1].replace('1227', '1228') in r.err
          and '\n+' + second[-1] in r.err and 'code 0, not 9' in r.err, r)

    # The script runs out: the window is closed when the program waits again.
    png = os.path.join(d, 'shot.png')
    screen = os.path.join(d, 'screen.txt')
    r = run('--input', '5', '--screen', screen, '--png', png, sum_exe)
    saved = open(screen, encoding='utf-8').read().splitlines() if os.path.exists(screen) else None
    check('script used up: status 125, said on stderr, the screen up to the second prompt',
          r.returncode == 125 and 'more input' in r.err and saved == ['求和 Sum', '第一个数: 5', '第二个数:'], r)
    shot = subprocess.run(['identify', '-format', '%w %h', png], capture_output=True, text=True)
    size = [int(v) for v in shot.stdout.split()] if shot.returncode == 0 else [0, 0]
    check('script used up: a screenshot of the window (%s)' % shot.stdout.strip(),
          size[0] >= 400 and size[1] >= 300 and size[0] < 1280, r)

    # A program that ends by itself right after its last output: the
    # screenshot shows that output, the sum on the fourth row (rows of 12
    # pixels), not the picture before it.
    r = run('--input', '42', '--input', '58', '--png', png, sum_exe)
    ink = subprocess.run(['convert', png, '-crop', '200x10+0+37', '+repage', '-colorspace', 'gray',
                          '-format', '%[fx:minima]', 'info:'], capture_output=True, text=True)
    check('a program that ends after its output: the screenshot shows its last row (darkest %s)' % ink.stdout,
          r.returncode == 0 and ink.returncode == 0 and float(ink.stdout or 1) < 0.5, r)

    # A program that never waits for input is ended at the time-out, counted
    # from its start.
    result = os.path.join(d, 'result.json')
    r = run('--timeout', '6', '--screen', '-', '--result', result, probe, 'spin')
    outcome = json.load(open(result)) if os.path.exists(result) else {}
    check('time-out: status 124, said on stderr, ended in time, the outcome in --result',
          r.returncode == 124 and 'time-out' in r.err and r.seconds < 120 and outcome.get('status') == 124
          and outcome.get('ended') == 'time-out' and outcome.get('exit_code') is None, r)

    # A fault box is answered Cancel: the program ends with 1, the fault is
    # reported with its code and where it happened, the screen is that of
    # the moment, the arguments arrive. A double-byte character split by the
    # wrap stays with the row it starts in.
    r = run('--screen', '-', '--symbols', probe_pe, '--result', result, probe, 'fault', 'two words')
    lines = r.out.splitlines()
    cols = int(lines[1].split()[1]) if len(lines) > 1 and lines[1].startswith('cols ') else 0
    at = int(lines[4].split()[-1], 16) if len(lines) > 4 and lines[4].startswith('faultHere at ') else -1
    code = processor_fault('C0000005')
    outcome = json.load(open(result)) if os.path.exists(result) else {}
    fault = (outcome.get('faults') or [{}])[0]
    offset = int(fault.get('offset') or '-1', 16)
    check('fault: status 1, exception %s on stderr, the screen and the arguments' % code,
          r.returncode == 1 and code in r.err and cols > 10
          and lines == ['args: fault "two words"', 'cols %d' % cols, 'x' * (cols - 1) + '中', '文',
                        'faultHere at 0x%08X' % at, 'before the fault'], r)
    if TIME_SCALE > 1:
        # Under the i386 emulator the helper cannot read another process's
        # memory (the emulated addresses are not the host's), so the fault
        # has its code and answer but no address: the tool says so.
        check('fault under the emulator: the code and the answer, the words said to be unreadable',
              'fault words not readable' in r.err and fault.get('code') == code and fault.get('address') is None
              and fault.get('answer') == 'cancel' and outcome.get('ended') == 'exited'
              and outcome.get('exit_code') == 1, r)
    else:
        check('fault: its offset in faultHere (at 0x%X) and the function, on stderr and in --result' % at,
              at > 0 and at <= offset < at + 16 and 'offset 0x%X of the program image (faultHere' % offset in r.err
              and fault.get('code') == code and (fault.get('function') or '').startswith('faultHere')
              and fault.get('name') and 'exception %s %s)' % (code, fault.get('name')) in r.err
              and fault.get('answer') == 'cancel' and outcome.get('ended') == 'exited'
              and outcome.get('exit_code') == 1, r)

    # A byte in the view's last column that is a whole character: "é" on
    # code page 1252, a half-width katakana on 932. The screen text shows
    # the two rows as the console does, "next" whole on the second. The
    # second run is at 144 DPI too, in a Wine prefix of its own.
    for locale, byte, char, dpi in [('en_US.UTF-8', 'E9', 'é', 96), ('ja_JP.UTF-8', 'B1', 'ｱ', 144)]:
        r = run('--locale', locale, '--screen', '-', *(['--dpi', str(dpi)] if dpi != 96 else []), probe, 'wrap', byte)
        lines = r.out.splitlines()
        cols = int(lines[1].split()[1]) if len(lines) > 1 and lines[1].startswith('cols ') else 0
        check('%s, %d DPI: %r in the view\'s last column, "next" on the row below' % (locale, dpi, char),
              r.returncode == 0 and cols > 10 and lines == ['args: wrap ' + byte, 'cols %d' % cols, 'dpi %d' % dpi,
                                                            'x' * (cols - 1) + char, 'next'], r)

    # Answered OK, the program starts its entry again, which ends with 5 the
    # second time.
    r = run('--on-fault', 'ok', '--expect-exit', '5', '--result', result, '--screen', '-', probe, 'fault')
    outcome = json.load(open(result)) if os.path.exists(result) else {}
    check('fault answered OK: the program started again and ended with 5 as --expect-exit asks',
          r.returncode == 0 and r.out.splitlines()[-1:] == ['started again after the fault'] and 'OK' in r.err
          and outcome.get('exit_code') == 5 and [f.get('answer') for f in outcome.get('faults', [])] == ['ok'], r)

    # A program that never opens its console: no screenshot, said in one
    # line; its own exit code.
    png = os.path.join(d, 'never.png')
    r = run('--png', png, probe, 'quiet')
    check('--png of a console never shown: one line, the program\'s code, no file',
          r.returncode == 7 and r.err.strip().splitlines() == ['quorven-run: no screenshot: the program never '
                                                               'showed its console window']
          and not os.path.exists(png), r)

print('%d failed' % len(failures))
sys.exit(1 if failures else 0)
