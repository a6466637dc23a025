#!/usr/bin/env python3
"""Drives a hosted fault test: runs the program, answers its fault boxes with
the faultbox helper (or with xdotool), and checks every box against what the
program announced before the fault.

usage: fault_driver.py EXE [--answers ok,ok,cancel] [--exit N] [--keys]
                           [--expect-line TEXT]... [--reject-line TEXT]...
                           [--arg ARG]... [--check-rect] [--unmanaged] [--timeout S] [--tempdir]

The program prints, before each fault, a line
    expect-box code=HEX owner=HEX
The k-th box must show the caption "异常中断", the text "异常中断 # CODE" in
GBK, the buttons OK and Cancel only, and the owner window announced.
With --keys the driver finds the box with xdotool by its caption and types
Return (ok) or Escape (cancel) into it instead of posting the answer."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, 'tests/harness')
import qvharness as h

CAPTION = '异常中断'


def helper_path(exe):
    return os.path.join(os.path.dirname(exe), 'faultbox.exe')


def answer_with_keys(answers, deadline, helper, seen):
    """Types Return or Escape into each box, found by its X window name, once
    the helper has read the box. The key goes to the focused window through
    the XTEST extension; Wine ignores keys sent to a window with XSendEvent."""
    for k, word in enumerate(answers, 1):
        h.note('waiting for the helper to read box %d' % k)
        while True:
            line = helper.stdout.readline()
            if not line:
                return 'the helper ended early'
            seen.append(line)
            if line.startswith('box '):
                break
        h.note('helper read box %d; finding its X window' % k)
        window = h.find_window('^' + CAPTION + '$', timeout=max(deadline - time.time(), 1) / h.TIME_SCALE)
        if not window:
            return 'no X window named %s' % CAPTION
        h.xdotool('windowfocus', '--sync', window, check=False)
        h.xdotool('key', 'Return' if word == 'ok' else 'Escape', check=False)
        h.note('waiting for box %d (X window %s) to close' % (k, window))
        # Wait for this box to go; the next one has the same name.
        while time.time() < deadline and window in h.xdotool('search', '--onlyvisible', '--name',
                                                             '^' + CAPTION + '$', check=False).split():
            time.sleep(0.1)
    return None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('exe')
    ap.add_argument('--answers', default='')
    ap.add_argument('--exit', type=int, default=0)
    ap.add_argument('--keys', action='store_true')
    ap.add_argument('--expect-line', action='append', default=[])
    ap.add_argument('--reject-line', action='append', default=[])
    ap.add_argument('--arg', action='append', default=[], help='a command-line argument for the program')
    ap.add_argument('--unmanaged', action='store_true',
                    help='let Wine create the program\'s windows unmanaged: without a window manager, hiding a '
                         'managed window waits about 2 s for a withdrawn state that never comes')
    # The whole run's allowance, every wait included: below the test's
    # time limit (60 s by default), so that a run that hangs is reported
    # here, with what it waited for, rather than ended silently by CTest.
    ap.add_argument('--timeout', type=float, default=45)
    ap.add_argument('--tempdir', action='store_true', help='run the program in a new temporary folder')
    ap.add_argument('--check-rect', action='store_true',
                    help='the saved Console value must be the "window-rect" the program printed')
    args = ap.parse_args()
    answers = [a for a in args.answers.split(',') if a]

    if args.check_rect:
        h.delete_console_value()
    if args.unmanaged:
        # A per-program setting: no other test's windows are affected.
        key = r'HKCU\Software\Wine\AppDefaults\%s\X11 Driver' % os.path.basename(args.exe)
        h.wine_cmd(['reg', 'add', key, '/v', 'Managed', '/d', 'N', '/f'])
    deadline = time.time() + h.scaled(args.timeout)
    folder = tempfile.mkdtemp(prefix='qvfault-') if args.tempdir else None
    proc = h.start(os.path.abspath(args.exe), args.arg, cwd=folder)
    h.note('started %s' % os.path.basename(args.exe))
    problems = []
    helper_out = ''
    if answers:
        words = ['wait'] * len(answers) if args.keys else answers
        helper = subprocess.Popen(['wine', helper_path(args.exe), ','.join(words),
                                   str(int(h.scaled(args.timeout) * 1000))],
                                  env=h.wine_env(), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                  stdin=subprocess.DEVNULL, text=True, start_new_session=True)
        h.note('the faultbox helper waits for %d boxes (%s)' % (len(answers), ','.join(words)))
        seen = []
        if args.keys:
            problem = answer_with_keys(answers, deadline, helper, seen)
            if problem:
                problems.append(problem)
                h.report_wait('the fault boxes: ' + problem, time.time() - deadline + h.scaled(args.timeout),
                              h._read_so_far(proc))
        try:
            helper_out, _ = helper.communicate(timeout=max(deadline - time.time(), 1))
        except subprocess.TimeoutExpired:
            h.report_wait('the faultbox helper to see %d boxes answered' % len(answers), h.scaled(args.timeout),
                          ''.join(seen) + h._read_so_far(proc))
            h.kill_group(helper)
            helper_out, _ = helper.communicate()
            problems.append('the helper timed out')
        helper_out = ''.join(seen) + helper_out
        h.note('the helper is done')
    result = h.finish(proc, timeout=max(deadline - time.time(), 1) / h.TIME_SCALE)
    if folder:
        shutil.rmtree(folder, ignore_errors=True)
    sys.stdout.write(helper_out)

    expected = re.findall(r'^expect-box code=([0-9A-F]+) owner=([0-9A-F]+)', result.out, re.M)
    boxes = re.findall(r'^box (\d+) caption=([0-9A-F]*) text=([0-9A-F]*) owner=([0-9A-F]+) ok=(\d) cancel=(\d) '
                       r'buttons=(\d+)', helper_out, re.M)
    if len(boxes) != len(answers):
        problems.append('%d boxes seen, %d expected' % (len(boxes), len(answers)))
    if len(expected) != len(answers):
        problems.append('the program announced %d boxes, the test answers %d' % (len(expected), len(answers)))
    gbk_caption = CAPTION.encode('gbk').hex().upper()
    for (n, caption, text, owner, ok, cancel, buttons), (code, want_owner) in zip(boxes, expected):
        want_text = (CAPTION + ' # ' + code).encode('gbk').hex().upper()
        if caption != gbk_caption:
            problems.append('box %s: caption %s, expected %s' % (n, caption, gbk_caption))
        if text != want_text:
            problems.append('box %s: text %s, expected %s' % (n, text, want_text))
        if int(owner, 16) != int(want_owner, 16):
            problems.append('box %s: owner %s, expected %s' % (n, owner, want_owner))
        if (ok, cancel, buttons) != ('1', '1', '2'):
            problems.append('box %s: buttons ok=%s cancel=%s count=%s, expected OK and Cancel only'
                            % (n, ok, cancel, buttons))
        print('box %s shows %s # %s, owner %s' % (n, CAPTION, code, owner))
    for line in args.expect_line:
        if line not in result.lines():
            problems.append('missing output line %r' % line)
    for line in args.reject_line:
        if line in result.lines():
            problems.append('unexpected output line %r' % line)
    if args.check_rect:
        rect = re.findall(r'^window-rect (\S+)', result.out, re.M)
        saved = h.query_console_value()
        print('window rectangle %s, saved %s' % (rect[-1] if rect else None, saved))
        if not rect or saved != rect[-1]:
            problems.append('saved Console value %s, expected %s' % (saved, rect[-1] if rect else '?'))
    if problems:
        sys.stdout.write(result.out)
        print('TEST FAILED: ' + '; '.join(problems))
        sys.exit(1)
    h.check_output(result, args.exit)


if __name__ == '__main__':
    main()
