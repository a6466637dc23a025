#!/usr/bin/env python3
"""Checks the kernel's imports against the table of what each system offers.

    check_imports.py KERNEL.exe TABLE.md

Reads the import table of the linked kernel and the table in TABLE.md (rows
"| library | function | 95 | 98 | NT 4.0 | 2000 | called | source |", states
present, stub or missing). Fails, naming each, when an import has no row,
when a row names no import, when an import is missing on 98, NT 4.0 or 2000
(such a function must be looked up by name, with a fall-back), or when an
import that 95 or 98 only stubs is not marked as called on NT only (behind
the kernel's check of the system). Windows 95 lacks msvcrt.dll, which the
kernel needs there beyond the system; missing on 95 is allowed."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'pylib'))
import pe_reader  # noqa: E402

STATES = {'present', 'stub', 'missing'}
SYSTEMS = ['95', '98', 'NT 4.0', '2000']
CALLED = {'any', 'NT only'}


class BadImage(Exception):
    pass


# The reader's reasons, as this check words them.
PE_COMPLAINTS = {'no MZ': 'not an executable (no MZ)', 'no PE': 'not an i386 PE image',
                 'machine': 'not an i386 PE image', 'optional header': 'not a 32-bit optional header'}


def imports(path):
    """(library, function) of every import by name of a PE image file."""
    try:
        return pe_reader.PeFile(path).imports()
    except pe_reader.PeError as e:
        raise BadImage(PE_COMPLAINTS.get(e.reason) or str(e))


def table(path):
    """{(library, function): row} of the table's rows, and the problems in
    their form."""
    rows, problems = {}, []
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            cells = [c.strip() for c in line.strip().strip('|').split('|')]
            if not line.startswith('|') or len(cells) != 8 or cells[0] in ('library', '') or set(cells[0]) <= set('-: '):
                continue
            library, function, *states, called, source = cells
            library, function = library.strip('`'), function.strip('`')
            where = '%s:%d' % (path, number)
            if any(s not in STATES for s in states):
                problems.append('%s: %s!%s has a state that is not present, stub or missing' % (where, library, function))
            if called not in CALLED:
                problems.append('%s: %s!%s: "called" must be any or NT only' % (where, library, function))
            if not source:
                problems.append('%s: %s!%s names no source' % (where, library, function))
            key = (library.lower(), function)
            if key in rows:
                problems.append('%s: %s!%s has two rows' % (where, library, function))
            rows[key] = dict(zip(SYSTEMS, states), called=called, where=where)
    return rows, problems


def check(kernel, table_path):
    rows, problems = table(table_path)
    found = imports(kernel)
    seen = set()
    for library, function in found:
        key = (library.lower(), function)
        seen.add(key)
        row = rows.get(key)
        name = '%s!%s' % (library, function)
        if row is None:
            problems.append('%s is imported but has no row in %s' % (name, table_path))
            continue
        for system in ('98', 'NT 4.0', '2000'):
            if row[system] == 'missing':
                problems.append('%s is missing on Windows %s: look it up by name (systemProc), with a fall-back' %
                                (name, system))
        if 'stub' in (row['95'], row['98']) and row['called'] != 'NT only':
            problems.append('%s is only a stub on Windows 9x but is not marked as called on NT only (%s)' %
                            (name, row['where']))
    for key, row in sorted(rows.items()):
        if key not in seen:
            problems.append('%s!%s has a row (%s) but is not imported' % (key[0], key[1], row['where']))
    return len(found), problems


def main(argv):
    if len(argv) != 3:
        print('usage: check_imports.py KERNEL.exe TABLE.md', file=sys.stderr)
        return 2
    try:
        count, problems = check(argv[1], argv[2])
    except (OSError, BadImage) as e:
        print('check_imports: %s: %s' % (argv[1], e), file=sys.stderr)
        return 1
    for p in problems:
        print('check_imports: ' + p, file=sys.stderr)
    if problems:
        print('check_imports: %d problem(s) with the kernel\'s %d imports' % (len(problems), count), file=sys.stderr)
        return 1
    print('check_imports: all %d imports of the kernel are there on Windows 98, NT 4.0 and 2000' % count)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
