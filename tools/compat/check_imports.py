#!/usr/bin/env python3
"""Checks an executable's imports against the table of what each system offers.

    check_imports.py IMAGE.exe TABLE.md

Reads the import table of the linked image and the table in TABLE.md (rows
"| library | function | 95 | 98 | Me | NT 4.0 | 2000 | called | source |";
states present, stub, missing or unconfirmed; "called" is any or NT only,
with ", by name" for a function looked up by name rather than imported, and
", failure handled" for one called everywhere whose failure as a stub the
caller handles, the source saying how).
Fails, naming each, when:
  - an import has no row, or a row that is not "by name" names no import;
  - an import is missing on 98, Me, NT 4.0 or 2000 (look it up by name,
    with a fall-back);
  - an import is missing on 95 from any library but msvcrt.dll, the one
    library beyond the system that 95 must be given (the README says so);
  - an import that 95, 98 or Me only stubs is neither called on NT only
    (behind the check of the system) nor marked "failure handled".
Me is checked as 98. A state no reference confirms is "unconfirmed": the
row says what is done about it, and the check lists such rows."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'pylib'))
import pe_reader  # noqa: E402

STATES = {'present', 'stub', 'missing', 'unconfirmed'}
SYSTEMS = ['95', '98', 'Me', 'NT 4.0', '2000']
WINDOWS_9X = ('95', '98', 'Me')
CALLED = {'any', 'NT only'}
# The only library that may be missing on Windows 95: the C run-time, which
# the README tells users of 95 to install.
MISSING_ON_95_ALLOWED = {'msvcrt.dll'}


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
    their form. A row holds its states by system, 'called' (any or NT only),
    'by_name', 'handled' and where it stands in the file."""
    rows, problems = {}, []
    width = 2 + len(SYSTEMS) + 2
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            cells = [c.strip() for c in line.strip().strip('|').split('|')]
            if not line.startswith('|') or cells[0] in ('library', '') or set(cells[0]) <= set('-: '):
                continue
            where = '%s:%d' % (path, number)
            if len(cells) != width:
                problems.append('%s: a row of %d cells; the table has %d (library, function, %s, called, source)' %
                                (where, len(cells), width, ', '.join(SYSTEMS)))
                continue
            library, function, *states, called, source = cells
            library, function = library.strip('`'), function.strip('`')
            if any(s not in STATES for s in states):
                problems.append('%s: %s!%s has a state that is not present, stub, missing or unconfirmed' %
                                (where, library, function))
            marks = [m.strip() for m in called.split(',')]
            by_name, handled = 'by name' in marks, 'failure handled' in marks
            marks = [m for m in marks if m not in ('by name', 'failure handled')]
            if len(marks) != 1 or marks[0] not in CALLED:
                problems.append('%s: %s!%s: "called" must be any or NT only, with ", by name" for a function '
                                'looked up by name or ", failure handled"' % (where, library, function))
            if not source:
                problems.append('%s: %s!%s names no source' % (where, library, function))
            key = (library.lower(), function)
            if key in rows:
                problems.append('%s: %s!%s has two rows' % (where, library, function))
            rows[key] = dict(zip(SYSTEMS, states), called=marks[0] if marks else '', by_name=by_name,
                             handled=handled, where=where)
    return rows, problems


def check(image, table_path):
    """(number of imports, problems, notes): the notes name every import
    whose state on some system is unconfirmed."""
    rows, problems = table(table_path)
    found = imports(image)
    seen = set()
    notes = {}
    for library, function in found:
        key = (library.lower(), function)
        seen.add(key)
        row = rows.get(key)
        name = '%s!%s' % (library, function)
        if row is None:
            problems.append('%s is imported but has no row in %s' % (name, table_path))
            continue
        for system in SYSTEMS[1:]:
            if row[system] == 'missing':
                problems.append('%s is missing on Windows %s: look it up by name, with a fall-back (%s)' %
                                (name, system, row['where']))
        if row['95'] == 'missing' and library.lower() not in MISSING_ON_95_ALLOWED:
            problems.append('%s is missing on Windows 95, which may lack no library but msvcrt.dll: look it up by '
                            'name, with a fall-back (%s)' % (name, row['where']))
        if any(row[s] == 'stub' for s in WINDOWS_9X) and row['called'] != 'NT only' and not row['handled']:
            problems.append('%s is only a stub on Windows 9x but is neither called on NT only nor marked '
                            '"failure handled" (%s)' % (name, row['where']))
        unconfirmed = tuple(s for s in SYSTEMS if row[s] == 'unconfirmed')
        if unconfirmed:
            notes.setdefault((library, unconfirmed), []).append(function)
    for key, row in sorted(rows.items()):
        if key not in seen and not row['by_name']:
            problems.append('%s!%s has a row (%s) but is not imported (a function looked up by name is marked '
                            '"by name")' % (key[0], key[1], row['where']))
    lines = ['%s!%s: unconfirmed on Windows %s (the row says what is done about it)' %
             (library, functions[0] if len(functions) == 1 else '{%s}' % ', '.join(functions), ', '.join(systems))
             for (library, systems), functions in sorted(notes.items())]
    return len(found), problems, lines


def main(argv):
    if len(argv) != 3:
        print('usage: check_imports.py IMAGE.exe TABLE.md', file=sys.stderr)
        return 2
    try:
        count, problems, notes = check(argv[1], argv[2])
    except (OSError, BadImage) as e:
        print('check_imports: %s: %s' % (argv[1], e), file=sys.stderr)
        return 1
    name = os.path.basename(argv[1])
    for p in problems:
        print('check_imports: %s: %s' % (name, p), file=sys.stderr)
    if problems:
        print('check_imports: %s: %d problem(s) with its %d imports' % (name, len(problems), count), file=sys.stderr)
        return 1
    for n in notes:
        print('check_imports: %s: note: %s' % (name, n))
    print('check_imports: %s: all %d imports pass for Windows 95 (given msvcrt.dll), 98, Me, NT 4.0 and 2000'
          % (name, count))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
