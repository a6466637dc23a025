#!/usr/bin/env python3
"""SetPrintOrientation: landscape stored in one process and seen by the next,
then portrait again; the pages of the two jobs are landscape, then portrait.
Then the print quality of the default device mode, and a default printer
whose name is longer than a device mode's 32-byte device name."""
import re
import sys
sys.path.insert(0, 'tests/harness')
import qvharness as h
import cups


def landscape(path):
    w, hgt, rot = cups.page_sizes(path)[0]
    # A rotated page shows its height across.
    return (w > hgt) != (rot % 180 == 90)


cups.clear_pdfs()
for mode in ('land', 'port'):
    print('--- %s' % mode)
    h.check_output(h.run(sys.argv[1], [mode], timeout=90, env_extra=cups.env()))
pdfs = cups.wait_pdfs(2)
problems = []
if len(pdfs) != 2:
    problems.append('expected 2 PDF files, found %s' % pdfs)
else:
    for path, want, text in zip(pdfs, (True, False), ('QVORIENT landscape', 'QVORIENT portrait')):
        print('%s: %s' % (path, cups.page_sizes(path)))
        if landscape(path) != want:
            problems.append('%s is not %s' % (path, 'landscape' if want else 'portrait'))
        if text not in cups.pdf_pages_text(path)[0]:
            problems.append('%s lacks %r' % (path, text))
print('--- fail')
h.check_output(h.run(sys.argv[1], ['fail'], timeout=90, env_extra=cups.env()))
print('--- quality')
h.check_output(h.run(sys.argv[1], ['quality'], timeout=90, env_extra=cups.env()))
print('--- long')
state = cups.default_state()
cups.add_printer(state, cups.LONG_PRINTER)
try:
    result = h.run(sys.argv[1], ['long'], timeout=90, env_extra=cups.env())
    names = re.findall(r'^default printer ([0-9A-F]*)$', result.out, re.M)
    want = cups.LONG_PRINTER.encode('gbk').hex().upper()
    if names != [want]:
        problems.append('the default printer is %s, expected %s (%s in GBK)' % (names, cups.LONG_PRINTER, want))
    h.check_output(result)
finally:
    cups.set_default(state, cups.PRINTER)
    cups.remove_printer(state, cups.LONG_PRINTER)
if problems:
    print('TEST FAILED: ' + '; '.join(problems))
    sys.exit(1)
print('PDF checks passed')
