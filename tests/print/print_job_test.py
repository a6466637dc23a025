#!/usr/bin/env python3
"""Runs print_job and checks the two documents the spooler made: named after
"Document", three pages then two, each with its own text."""
import sys
sys.path.insert(0, 'tests/harness')
import qvharness as h
import cups

cups.clear_pdfs()
result = h.run(sys.argv[1], timeout=90, env_extra=cups.env())
h.check_output(result)
pdfs = cups.wait_pdfs(2)
problems = []
if len(pdfs) != 2:
    problems.append('expected 2 PDF files, found %s' % pdfs)
else:
    expect = [['QVJOB first page', 'QVJOB second page', 'QVJOB third page'], ['QVJOB2 alpha', 'QVJOB2 beta']]
    for path, texts in zip(pdfs, expect):
        print('%s: %s' % (path, cups.pdf_info(path)['pages']))
        if not cups.pdf_name(path).startswith('Document'):
            problems.append('%s is not named after Document' % path)
        pages = cups.pdf_pages_text(path)
        if len(pages) != len(texts):
            problems.append('%s has %d pages, expected %d' % (path, len(pages), len(texts)))
        for i, (page, text) in enumerate(zip(pages, texts)):
            if text not in page or any(t in page for t in texts if t != text):
                problems.append('%s page %d holds %r, expected only %r' % (path, i + 1, page.strip(), text))
    titles = cups.job_titles()
    if titles[-2:] != ['Document', 'Document']:
        problems.append('the queue listed the jobs as %s' % titles)
if problems:
    print('TEST FAILED: ' + '; '.join(problems))
    sys.exit(1)
print('PDF checks passed')
