#!/usr/bin/env python3
"""Drives the print set-up dialog of print_dialogs with xdotool (see the list
in print_dialogs.c) and checks the two documents it prints."""
import sys
import time
sys.path.insert(0, 'tests/harness')
import qvharness as h
import cups

CAPTION = '打印设置'  # the platform's print set-up dialog
ANSWERS = [['Escape'], ['Escape'], ['alt+l', 'Return'], ['Return'], ['Escape'], ['Return'], ['Return']]


def answer(proc, keys, n):
    win = h.find_window(CAPTION, timeout=30)
    if not win:
        return 'dialog %d did not appear' % n
    time.sleep(0.3)
    h.xdotool('windowfocus', win, check=False)
    for key in keys:
        h.xdotool('key', key)
        time.sleep(0.2)
    deadline = time.time() + 15
    while time.time() < deadline:
        if h.find_window(CAPTION, timeout=0.1) != win:
            return None
        time.sleep(0.1)
    return 'dialog %d did not close after %s' % (n, keys)


cups.clear_pdfs()
proc = h.start(sys.argv[1], env_extra=cups.env())
problems = []
for n, keys in enumerate(ANSWERS, 1):
    problem = answer(proc, keys, n)
    if problem:
        problems.append(problem)
        break
result = h.finish(proc, timeout=30)
if problems:
    h.screenshot(cups.cups_dir(cups.default_state()) + '/dialogs-failure.png')
    print(result.out)
    print('TEST FAILED: ' + '; '.join(problems))
    sys.exit(1)
h.check_output(result)
if h.find_window(CAPTION, timeout=1):
    print('TEST FAILED: a dialog is still open')
    sys.exit(1)

# The second job prints in the orientation of the device mode the dialog
# returned for a fresh record. Windows gives the printer's default there
# (portrait); Wine's PostScript driver gives its current settings of the
# process, which DocumentPropertiesA with DM_IN_BUFFER changed when the dialog
# merged the earlier landscape choice.
second = [l for l in result.lines() if l.startswith('job 2 orientation')]
second_landscape = bool(second) and second[0].split()[-1] == '2'
print('second job: %s' % ('landscape' if second_landscape else 'portrait'))
pdfs = cups.wait_pdfs(2)
if len(pdfs) != 2:
    print('TEST FAILED: expected 2 PDF files, found %s' % pdfs)
    sys.exit(1)
for path, text, want_landscape in zip(pdfs, ('QVDIALOG landscape', 'QVDIALOG chosen'), (True, second_landscape)):
    w, hgt, rot = cups.page_sizes(path)[0]
    landscape = (w > hgt) != (rot % 180 == 90)
    print('%s: %s x %s rot %s' % (path, w, hgt, rot))
    if landscape != want_landscape:
        problems.append('%s is not %s' % (path, 'landscape' if want_landscape else 'portrait'))
    if text not in cups.pdf_pages_text(path)[0]:
        problems.append('%s lacks %r' % (path, text))
if problems:
    print('TEST FAILED: ' + '; '.join(problems))
    sys.exit(1)
print('PDF checks passed')
