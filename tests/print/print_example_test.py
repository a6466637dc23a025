#!/usr/bin/env python3
"""Runs the print sample in batch mode and checks that the document holds the
console's text, row by row, its Chinese row as Chinese."""
import sys
sys.path.insert(0, 'tests/harness')
import qvharness as h
import cups

cups.clear_pdfs()
result = h.run(sys.argv[1], ['/batch'], timeout=60, env_extra=cups.env())
print(result.out, result.err[-2000:])
if result.timed_out or result.code != 0:
    print('TEST FAILED: exit %s, timed out %s' % (result.code, result.timed_out))
    sys.exit(1)
pdfs = cups.wait_pdfs(1)
if len(pdfs) != 1:
    print('TEST FAILED: expected one PDF file, found %s' % pdfs)
    sys.exit(1)
text = cups.pdf_pages_text(pdfs[0])
print('\n'.join(text))
# pdftotext may space out the glyphs of a fixed-pitch CJK font.
lines = [' '.join(l.split()) for l in ''.join(text).splitlines() if l.strip()]
lines += [l.replace(' ', '') for l in lines]
expect = ['Quorven print sample', 'This text is in the console\'s screen buffer.',
          'Line 1 of the numbered list', 'Line 5 of the numbered list',
          '这是控制台的中文行：信息框']
missing = [e for e in expect if e not in lines]
if missing or lines.index(expect[2]) > lines.index(expect[3]):
    print('TEST FAILED: the document lacks %s or has them out of order' % missing)
    sys.exit(1)
if not cups.pdf_name(pdfs[0]).startswith('Document'):
    print('TEST FAILED: %s is not named after Document' % pdfs[0])
    sys.exit(1)
print('TEST PASSED')
