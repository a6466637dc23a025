#!/usr/bin/env python3
"""The rules of tools/compat/check_imports.py, on a small table and a list of
imports given in place of an image's: what passes, and each problem it must
name (the build only ever shows it passing on the real tables)."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tools', 'compat'))
import check_imports  # noqa: E402

HEADER = '| library | function | 95 | 98 | Me | NT 4.0 | 2000 | called | source |\n|---|---|---|---|---|---|---|---|---|\n'
GOOD_ROWS = [
    '| `KERNEL32.dll` | `Sleep` | present | present | present | present | present | any | PSDK |',
    '| `msvcrt.dll` | `malloc` | missing | present | present | present | present | any | CRT |',
    '| `USER32.dll` | `CreateWindowExW` | stub | stub | stub | present | present | NT only | Q210341 |',
    '| `KERNEL32.dll` | `MoveFileExA` | stub | stub | stub | present | present | any, failure handled | Q129532 |',
    '| `KERNEL32.dll` | `RtlUnwind` | unconfirmed | unconfirmed | unconfirmed | unconfirmed | present | any | none found |',
    '| `USER32.dll` | `MonitorFromRect` | missing | present | present | missing | present | any, by name | PSDK |',
]
GOOD_IMPORTS = [('KERNEL32.dll', 'Sleep'), ('msvcrt.dll', 'malloc'), ('USER32.dll', 'CreateWindowExW'),
                ('KERNEL32.dll', 'MoveFileExA'), ('KERNEL32.dll', 'RtlUnwind')]


class CheckImports(unittest.TestCase):
    def check(self, rows, imported):
        with tempfile.NamedTemporaryFile('w', suffix='.md', delete=False, encoding='utf-8') as f:
            f.write(HEADER + ''.join(r + '\n' for r in rows))
        self.addCleanup(os.remove, f.name)
        saved = check_imports.imports
        check_imports.imports = lambda path: list(imported)
        try:
            return check_imports.check('image.exe', f.name)
        finally:
            check_imports.imports = saved

    def test_good_table_passes_and_lists_what_is_unconfirmed(self):
        count, problems, notes = self.check(GOOD_ROWS, GOOD_IMPORTS)
        self.assertEqual((count, problems), (5, []))
        self.assertEqual(len(notes), 1)
        self.assertIn('RtlUnwind', notes[0])
        self.assertIn('95, 98, Me, NT 4.0', notes[0])

    def test_each_broken_rule_is_named(self):
        cases = [
            ('missing on 95 outside msvcrt.dll',
             '| `GDI32.dll` | `GdiFlush` | missing | present | present | present | present | any | x |',
             'missing on Windows 95'),
            ('missing on Me, checked as 98',
             '| `GDI32.dll` | `GdiFlush` | present | present | missing | present | present | any | x |',
             'missing on Windows Me'),
            ('missing on NT 4.0',
             '| `GDI32.dll` | `GdiFlush` | present | present | present | missing | present | any | x |',
             'missing on Windows NT 4.0'),
            ('a stub on Me alone, called everywhere',
             '| `GDI32.dll` | `GdiFlush` | present | present | stub | present | present | any | x |',
             'only a stub on Windows 9x'),
            ('a state of no kind',
             '| `GDI32.dll` | `GdiFlush` | present | maybe | present | present | present | any | x |',
             'has a state that is not'),
            ('a row of the old width, without Me',
             '| `GDI32.dll` | `GdiFlush` | present | present | present | present | any | x |',
             'a row of 8 cells'),
        ]
        for name, row, words in cases:
            with self.subTest(name):
                _, problems, _ = self.check(GOOD_ROWS + [row], GOOD_IMPORTS + [('GDI32.dll', 'GdiFlush')])
                self.assertTrue(any(words in p for p in problems), problems)

    def test_rows_and_imports_match(self):
        _, problems, _ = self.check(GOOD_ROWS, GOOD_IMPORTS + [('KERNEL32.dll', 'Beep')])
        self.assertTrue(any('Beep is imported but has no row' in p for p in problems), problems)
        _, problems, _ = self.check(GOOD_ROWS, GOOD_IMPORTS[1:])
        self.assertTrue(any('sleep' in p.lower() and 'not imported' in p for p in problems), problems)
        # A function looked up by name may be imported as well: its states are checked then.
        _, problems, _ = self.check(GOOD_ROWS, GOOD_IMPORTS + [('USER32.dll', 'MonitorFromRect')])
        self.assertTrue(any('MonitorFromRect is missing on Windows 95' in p for p in problems), problems)


if __name__ == '__main__':
    unittest.main()
