"""Runs tests/host/systems.c, which watches every import of the kernel, and
checks the calls it reports against docs/imports.md: where the program saw
Windows 9x (QV_WINDOWS_VERSION win98), none of the functions that 9x only
stubs may have been called. The system it saw must be the one asked for."""
import os
import re
import sys
sys.path.insert(0, 'tests/harness')
sys.path.insert(0, 'tools/compat')
import qvharness as h
import check_imports

r = h.run(sys.argv[1], timeout=50)
problems = []
m = re.search(r'^system (9x|NT) (\d+)\.(\d+)', r.out, re.M)
asked = os.environ.get('QV_WINDOWS_VERSION', '')
seen = m and {'9x': '9x', 'NT': 'NT'}[m.group(1)]
if not m or (asked == 'win98') != (seen == '9x') or (asked == 'nt40' and m.group(2) != '4'):
    problems.append('the program did not see the system asked for (%r): %s' % (asked, m and m.group(0)))
rows, _ = check_imports.table('docs/imports.md')
called = re.findall(r'^called (\S+)!(\S+) (\d+)$', r.out, re.M)
if not called:
    problems.append('no call of the kernel was seen')
for library, function, count in called:
    row = rows.get((library.lower(), function))
    stub = row and 'stub' in (row['95'], row['98'])
    print('%s %s!%s, called %s times%s' % ('FAIL' if stub and seen == '9x' else 'ok', library, function, count,
                                            ', a stub on Windows 9x' if stub else ''))
    if stub and seen == '9x':
        problems.append('%s!%s, a stub on Windows 9x, was called' % (library, function))
if problems:
    sys.stdout.write(r.out)
    print('TEST FAILED: ' + '; '.join(problems))
    sys.exit(1)
h.check_output(r)
