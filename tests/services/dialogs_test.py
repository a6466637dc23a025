#!/usr/bin/env python3
"""Drives the file-name dialogs of tests/services/dialogs.c as a user would:
finds each dialog by its caption, types a name and presses Return, or
presses Escape; answers the dialogs' own message boxes.
usage: dialogs_test.py EXE"""
import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, 'tests/harness')
import qvharness as h


def output(proc):
    f = proc.qv_files[0]
    return os.pread(f.fileno(), 1 << 20, 0).decode('utf-8', 'replace')


def wait_for(proc, text, timeout=20):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if text in output(proc):
            return
        if proc.poll() is not None:
            break
        time.sleep(0.1)
    raise RuntimeError('no "%s" from the program; output so far:\n%s' % (text.strip(), output(proc)))


def key(*keys):
    h.xdotool('key', '--delay', '50', *keys)


def type_name(name):
    key('End', 'shift+Home')
    h.xdotool('type', '--delay', '30', name)


def dialog(proc, number, caption):
    wait_for(proc, 'ready %d\n' % number)
    window = h.find_window('^%s$' % caption, timeout=5)
    if not window:
        raise RuntimeError('no window captioned %s' % caption)
    h.xdotool('windowfocus', '--sync', window)
    time.sleep(0.3)


folder = tempfile.mkdtemp(prefix='qvdlg-')
with open(os.path.join(folder, 'exists.txt'), 'w') as f:
    f.write('keep me\n')
os.mkdir(os.path.join(folder, 'sub'))
proc = h.start(sys.argv[1], cwd=folder)
try:
    dialog(proc, 1, 'QV open 1')
    type_name('new.txt')
    key('Return')

    dialog(proc, 2, 'QV open 2')
    key('Escape')

    dialog(proc, 3, 'QV open existing')
    type_name('missing.txt')
    key('Return')
    wait_for(proc, 'box 1 of dialog 3')
    time.sleep(0.3)
    key('Return')  # the message's OK; the dialog stays
    time.sleep(0.5)
    type_name('exists.txt')
    key('Return')

    dialog(proc, 4, 'QV save')
    type_name('exists.txt')
    key('Return')
    wait_for(proc, 'box 1 of dialog 4')
    time.sleep(0.3)
    key('Tab', 'Return')  # No: the dialog stays
    time.sleep(0.5)
    key('Return')
    wait_for(proc, 'box 2 of dialog 4')
    time.sleep(0.3)
    key('Return')  # Yes, the default answer

    dialog(proc, 5, 'QV save new')
    type_name('other.txt')
    key('Return')

    dialog(proc, 6, 'QV save cancel')
    key('Escape')
    dialog(proc, 7, 'QV open existing cancel')
    key('Escape')

    dialog(proc, 8, 'QV open locked')
    type_name('exists.txt')
    key('Return')

    dialog(proc, 9, 'QV open folder')
    type_name('nofolder\\x.txt')
    key('Return')
    wait_for(proc, 'box 1 of dialog 9')
    time.sleep(0.3)
    key('Return')
    time.sleep(0.5)
    key('Escape')

    dialog(proc, 10, 'QV open unshared')
    type_name('exists.txt')
    key('Return')
    time.sleep(1)
    if 'box 1 of dialog 10' in output(proc):
        key('Return')  # a sharing-violation message, if the platform shows one
        time.sleep(0.5)
        key('Escape')

    dialog(proc, 11, 'QV open sub')
    type_name('pick.txt')
    key('Return')
except Exception as e:  # report what the program said, then fail
    print('DRIVER: %s' % e)
    h.screenshot(os.path.join(h.state_dir(), 'dialogs-failure.png'))
result = h.finish(proc, timeout=20)
with open(os.path.join(folder, 'exists.txt')) as f:
    untouched = f.read() == 'keep me\n'
shutil.rmtree(folder, ignore_errors=True)
if not untouched:
    print('FAIL exists.txt was changed by the dialogs')
    result.out += 'FAIL exists.txt changed\n'
h.check_output(result)
