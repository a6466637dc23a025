#!/usr/bin/env python3
"""quorven-run's pure parts, natively and without Wine: the screen text of
each double-byte code page and of 1252 where a character sits in the view's
last column; the script's steps and chunks; key names (Enter is Return);
the fault report's code name, offset and function, read from a .pe's
symbols through the PE reader; the checks of the file given to the tool;
the command line's --dpi; the outcome's exit status in the order 3, 124,
4, 125.
usage: run_units_test.py"""
import io
import os
import struct
import sys
import tempfile
import types
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, '..', '..', 'tools', 'run'), os.path.join(HERE, '..', '..', 'tools', 'pylib')]

from quorven_run import cli, helper, image, outcome, screen, script  # noqa: E402
from quorven_run.errors import UsageError  # noqa: E402
from quorven_run.faults import Fault  # noqa: E402
from quorven_run.session import prefix_for  # noqa: E402

BASE = 0x400000
PROGRAM = BASE + image.KERNEL_IMAGE_SIZE


def dump(rows, cols, view_cols):
    """A screen buffer of rows (byte strings) padded to cols."""
    data = b''.join(r.ljust(cols, b'\0') for r in rows)
    return screen.ScreenDump(len(rows), cols, 0, 0, 0, 25, view_cols, data)


class ScreenText(unittest.TestCase):
    """Output wraps at the view's width (6 here, in a buffer 10 wide) byte
    by byte: a lead byte in the last column has its trail byte in the next
    row's first cell, and only the code page's own lead bytes do."""

    def rows(self, code_page, last, rest=b'next'):
        return screen.screen_text(dump([b'xxxxx' + last[:1], last[1:] + rest], 10, 6), code_page)

    def test_a_double_byte_character_split_by_the_wrap_stays_with_its_row(self):
        for code_page, char in [(936, '中'), (950, '中'), (949, '한'), (932, '日')]:
            with self.subTest(code_page=code_page):
                self.assertEqual(self.rows(code_page, char.encode('cp%d' % code_page)), ['xxxxx' + char, 'next'])

    def test_a_single_byte_character_in_the_last_column_takes_nothing_from_the_next_row(self):
        self.assertEqual(self.rows(1252, 'é'.encode('cp1252')), ['xxxxxé', 'next'])
        self.assertEqual(self.rows(932, 'ｱ'.encode('cp932')), ['xxxxxｱ', 'next'])  # half-width katakana
        self.assertEqual(self.rows(1251, 'ж'.encode('cp1251')), ['xxxxxж', 'next'])

    def test_two_wraps_in_a_row_and_characters_inside_rows(self):
        gbk = '中文'.encode('cp936')
        rows = [b'xxxxx' + gbk[:1], gbk[1:2] + b'yyyy' + gbk[2:3], gbk[3:] + b'z', gbk + b'ab']
        self.assertEqual(screen.screen_text(dump(rows, 10, 6), 936), ['xxxxx中', 'yyyy文', 'z', '中文ab'])

    def test_a_lead_byte_with_no_row_after_it_stands_alone(self):
        self.assertEqual(screen.screen_text(dump([b'abc', b'de\xd6'], 4, 0), 936), ['abc', 'de\ufffd'])

    def test_expected_lines_ignore_trailing_blanks_and_blank_lines(self):
        self.assertEqual(screen.screen_lines(['a  ', 'b\t', '', ' ']), ['a', 'b'])


class Steps(unittest.TestCase):
    def test_a_line_types_ascii_posts_the_rest_and_ends_with_return(self):
        step = script.line_steps('-7 四十', 936)
        self.assertEqual(step.commands, [['type', '--delay', '5', '--', '-7 '], ['post', '四', 2], ['post', '十', 2],
                                         ['key', 'Return']])
        self.assertEqual(step.events, 3 + 4 + 1)
        self.assertEqual(script.line_steps('a\tb', 1252).commands,
                         [['type', '--delay', '5', '--', 'a'], ['key', 'Tab'], ['type', '--delay', '5', '--', 'b'],
                          ['key', 'Return']])

    def test_a_line_the_program_cannot_read_is_refused(self):
        with self.assertRaisesRegex(UsageError, 'control character'):
            script.line_steps('a\x07', 936)
        with self.assertRaisesRegex(UsageError, 'code page 1252'):
            script.line_steps('中', 1252)

    def test_chunks_stay_inside_the_queue_and_a_posted_character_starts_its_own(self):
        chunks = script.script_chunks([script.line_steps('a' * 100 + '中', 936)], 936)
        self.assertTrue(all(events <= script.CHUNK_EVENTS for _, events in chunks))
        self.assertEqual(sum(events for _, events in chunks), 100 + 2 + 1)
        post = [i for i, (commands, _) in enumerate(chunks) if commands[0][0] == 'post']
        self.assertEqual(len(post), 1)
        self.assertTrue(all(c[0] == 'type' for c in chunks[post[0] - 1][0]))

    def test_the_script_keeps_command_line_order_and_reads_input_files(self):
        with tempfile.NamedTemporaryFile('w', encoding='utf-8', suffix='.txt', delete=False) as f:
            f.write('1\n2\n')
        try:
            steps = script.build_script([('--input', 'x'), ('--input-file', f.name), ('--keys', 'Escape')], 936,
                                        known=fake_keys())
        finally:
            os.remove(f.name)
        self.assertEqual([s.what for s in steps], ['x', '1', '2', 'Escape'])
        with self.assertRaisesRegex(UsageError, 'cannot read'):
            script.build_script([('--input-file', f.name)], 936)


def fake_keys():
    """KeyNames with a few keysyms, as libX11 would know them."""
    known = {b'Return', b'KP_Enter', b'Escape', b'a', b'F1', b'Left'}
    return script.KeyNames(keysym=lambda name: 1 if name in known else 0)


class Keys(unittest.TestCase):
    def test_enter_is_return_alone_and_in_a_combination(self):
        self.assertEqual(script.key_step('Enter ctrl+enter KP_Enter', fake_keys()).commands,
                         [['key', 'Return', 'ctrl+Return', 'KP_Enter']])

    def test_names_xdotool_would_skip_are_refused_with_a_hint(self):
        with self.assertRaisesRegex(UsageError, 'did you mean Return'):
            script.key_step('Retrun', fake_keys())
        with self.assertRaisesRegex(UsageError, '"Escpae"'):
            script.key_step('ctrl+Escpae', fake_keys())
        with self.assertRaisesRegex(UsageError, 'shift alone'):
            script.key_step('Return shift', fake_keys())
        with self.assertRaisesRegex(UsageError, 'at least one'):
            script.key_step('  ', fake_keys())
        self.assertEqual(script.key_step('a F1 ctrl+Left 38', fake_keys()).events, 4)


def coff_symbol(name, value, section, type_, strings):
    """An 18-byte COFF symbol; a name longer than 8 bytes goes to strings."""
    if len(name) > 8:
        raw = struct.pack('<II', 0, 4 + len(strings))
        strings += name + b'\0'
    else:
        raw = name.ljust(8, b'\0')
    return raw + struct.pack('<IhHBB', value, section, type_, 2, 0), strings


def make_pe(sections, entry, symbols=()):
    """An i386 PE file: sections (name, address, data), entry RVA and COFF
    symbols (name, value, section number, type)."""
    optional = 224
    table = 0x80 + 24 + optional
    offset = 0x400
    headers, body = b'', b''
    for name, address, data in sections:
        headers += name.ljust(8, b'\0') + struct.pack('<IIII', len(data), address, len(data), offset + len(body))
        headers += b'\0' * 16
        body += data
    strings, symbol_bytes = b'', b''
    for name, value, number, type_ in symbols:
        raw, strings = coff_symbol(name, value, number, type_, strings)
        symbol_bytes += raw
    symbol_at = offset + len(body) if symbols else 0
    coff = struct.pack('<HHIIIHH', 0x14C, len(sections), 0, symbol_at, len(symbols), optional, 0x102)
    opt = struct.pack('<HBBIIIII', 0x10B, 2, 0, 0, 0, 0, entry, 0).ljust(optional, b'\0')
    head = (b'MZ'.ljust(0x3C, b'\0') + struct.pack('<I', 0x80)).ljust(0x80, b'\0') + b'PE\0\0' + coff + opt
    head = (head + headers).ljust(offset, b'\0')
    assert len(head) == offset and table == 0x80 + 24 + optional
    tail = symbol_bytes + struct.pack('<I', 4 + len(strings)) + strings if symbols else b''
    return head + body + tail


class Files(unittest.TestCase):
    """The file given to the tool and to --symbols, read through the PE
    reader."""

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.code = b'\x90' * 0x100

    def tearDown(self):
        self.dir.cleanup()

    def write(self, name, data):
        path = os.path.join(self.dir.name, name)
        with open(path, 'wb') as f:
            f.write(data)
        return path

    def joined(self, code_page=None):
        sections = [(b'.text', 0x1000, b'\xc3' * 0x200), (b'.qvprog', image.KERNEL_IMAGE_SIZE, self.code)]
        if code_page:
            sections.insert(1, (b'.qvcp', 0x2000, b'QVTEXTCP' + struct.pack('<I', code_page)))
        return self.write('joined.exe', make_pe(sections, 0x1000))

    def linked(self, code=None):
        symbols = [(b'_entry@0', 0x60, 1, 0x20), (b'_faultHere', 0x90, 1, 0x20), (b'_data', 0x80, 1, 0),
                   (b'_aVeryLongFunctionName@8', 0xC0, 1, 0x20)]
        return self.write('linked.pe', make_pe([(b'.qvprog', image.KERNEL_IMAGE_SIZE, code or self.code)], 0x60,
                                               symbols))

    def test_a_joined_program_its_code_page_and_its_symbols(self):
        program = image.Program(self.joined(1252))
        self.assertEqual((program.image_size, program.code_page), (0x100, 1252))
        self.assertEqual(image.Program(self.joined()).code_page, 0)
        symbols = image.Symbols.of_linked(self.linked(), program)
        self.assertEqual(symbols.functions, [(0x60, 'entry'), (0x90, 'faultHere'), (0xC0, 'aVeryLongFunctionName')])
        self.assertEqual([symbols.name(o) for o in (0x10, 0x60, 0x95, 0xC1)],
                         [None, 'entry', 'faultHere+0x5', 'aVeryLongFunctionName+0x1'])
        with self.assertRaisesRegex(UsageError, 'not the program joined'):
            image.Symbols.of_linked(self.linked(b'\xcc' * 0x100), program)

    def test_each_wrong_file_gets_its_own_complaint(self):
        flat = bytearray(0x100)
        flat[0x1C:0x20] = struct.pack('<I', 0x60)
        elf = b'\x7fELF\x01\x01\x01'.ljust(16, b'\0') + struct.pack('<HH', 1, 3) + b'\0' * 40
        coff = struct.pack('<HHIIIHH', 0x14C, 6, 0, 0x400, 20, 0, 0) + b'\0' * 100
        cases = [
            (self.write('notes.exe', b'not a program\n'), 'not a Windows executable'),
            (self.write('prog.bin', bytes(flat)), 'not yet joined to the kernel; join it first: quorven-join'),
            (self.write('prog.o', coff), r'an object file \(COFF\).*sdk/hosted.ld.*objcopy -O binary'),
            (self.write('prog.elf.o', elf), r'an object file \(ELF\)'),
            (self.linked(), 'a hosted program as linked'),
            (self.write('kernel.exe', make_pe([(b'.text', 0x1000, b'\xc3'), (b'.qvcp', 0x2000, b'x')], 0x1000)),
             'a kernel with no program'),
            (os.path.join(self.dir.name, 'none.exe'), 'no such file'),
            (self.dir.name, 'is a folder'),
        ]
        for path, words in cases:
            with self.subTest(path=os.path.basename(path)):
                with self.assertRaisesRegex(UsageError, words):
                    image.Program(path)


class Faults(unittest.TestCase):
    def fault(self, line, symbols=None):
        return Fault(helper.parse_line(line).fault, 0x100, symbols)

    def test_the_report_names_the_code_and_places_the_address(self):
        symbols = image.Symbols([(0x60, 'entry'), (0x90, 'faultHere')])
        f = self.fault('fault %08X C0000094 %08X 00000060 7BC23735 %08X 00000000 cancel' % (
            BASE, PROGRAM + 0x95, PROGRAM + 0x70), symbols)
        report = f.report()
        self.assertIn('(exception C0000094 integer divide by zero) at 0x%08X, offset 0x95 of the program image '
                      '(faultHere+0x5)' % (PROGRAM + 0x95), report)
        self.assertIn('[Ebp+4] 0x%08X (offset 0x70, entry+0x10)' % (PROGRAM + 0x70), report)
        self.assertTrue(report.endswith('answered Cancel'))
        record = f.record()
        self.assertEqual((record['code'], record['name'], record['offset'], record['function'], record['in'],
                          record['return_offset'], record['return_function']),
                         ('C0000094', 'integer divide by zero', '0x95', 'faultHere+0x5', 'program', '0x70',
                          'entry+0x10'))

    def test_addresses_outside_the_program_and_codes_read_from_the_box(self):
        f = self.fault('fault %08X C00000FD %08X - - - - ok' % (BASE, BASE + 0x1234))
        self.assertIn('C00000FD stack overflow) at 0x%08X, the kernel, outside the program image' % (BASE + 0x1234),
                      f.report())
        self.assertTrue(f.report().endswith('fault words not readable; its fault box was answered OK'))
        self.assertEqual(f.record()['in'], 'kernel')
        text = '异常 #C0000005'.encode('cp936').hex()
        f = self.fault('fault %08X - 7C800000 - - - - cancel %s' % (BASE, text))
        self.assertEqual((f.record()['code'], f.record()['name'], f.record()['in']),
                         ('C0000005', 'access violation', 'elsewhere'))
        self.assertIn('(exception C0000005 access violation) at 0x7C800000, outside the program image and the kernel',
                      f.report())
        f = self.fault('fault - - - - - - - cancel')
        self.assertIn('exception of unknown code) at an address that could not be read', f.report())
        self.assertIsNone(self.fault('fault 0 E0001234 0 - - - - cancel').record()['name'])


class Protocol(unittest.TestCase):
    def test_each_report_line_is_parsed_once(self):
        m = helper.parse_line('screen exit 2 4 0 0 0 25 3 ' + b'abcdefgh'.hex())
        self.assertEqual((m.kind, m.at_exit, m.screen.rows, m.screen.cols, m.screen.view_cols, m.screen.data),
                         ('screen', True, 2, 4, 3, b'abcdefgh'))
        self.assertEqual(helper.parse_line('screen now 0 0 0 0 0 0 0 ').screen.data, b'')
        self.assertEqual((helper.parse_line('idle 17').number, helper.parse_line('exit 4294967295').number),
                         (17, 4294967295))
        self.assertEqual((helper.parse_line('hold').xid, helper.parse_line('xid 4194305').xid), ('0', '4194305'))
        m = helper.parse_line('error start 193')
        self.assertEqual((m.kind, m.error, m.number), ('error', 'start', 193))
        self.assertEqual(helper.parse_line('error no window').error, 'no window')


def options(**given):
    values = dict(expect=None, expect_exit=None, png=None, result=None)
    values.update(given)
    return types.SimpleNamespace(**values)


class Outcomes(unittest.TestCase):
    def test_the_exit_status_takes_the_first_of_3_124_4_125(self):
        cases = [('run failed', True, None, 3), ('input lost', True, None, 3), ('interrupted', False, None, 3),
                 ('time-out', True, None, 124), ('input used up', True, 0, 4), ('exited', True, 0, 4),
                 ('input used up', False, 0, 125), ('exited', False, 0, 0)]
        for ended, failed, code, status in cases:
            with self.subTest(ended=ended, failed=failed):
                self.assertEqual(outcome.exit_status(ended, failed, code, None), status)

    def test_the_programs_own_code_as_the_shell_sees_it(self):
        for code, status in [(7, 7), (256, 1), (0x103, 3), (0xFFFFFFFF, 255), (0, 0)]:
            self.assertEqual(outcome.exit_status('exited', False, code, None), status)
        self.assertEqual(outcome.exit_status('exited', False, 9, 9), 0)

    def test_a_time_out_with_a_differing_screen_is_124_and_the_diff_is_said(self):
        stream = io.StringIO()
        messages = outcome.Messages(stream)
        run = types.SimpleNamespace(screen=['a', 'c'], faults=[], fault_count=0, png_taken=False)
        o = outcome.Outcome('time-out', None, run)
        self.assertEqual(o.decide(options(expect='e.txt'), ['a', 'b'], messages), 124)
        self.assertEqual(o.screen_check, {'expected': 'e.txt', 'matches': False})
        self.assertIn('\n-b\n+c\n', stream.getvalue())
        o = outcome.Outcome('exited', 0xFFFFFFFF, run)
        self.assertEqual(o.decide(options(expect='e.txt', expect_exit=-1), ['a', 'c'], messages), 0)
        o = outcome.Outcome('exited', 3, run)
        self.assertEqual(o.decide(options(expect_exit=5), None, messages), 4)
        record = o.record(options(expect_exit=5), 1.0, messages)
        self.assertEqual((record['exit_code'], record['exit_check'], record['messages'][-1]),
                         (3, {'expected': 5, 'matches': False}, 'the program ended with code 3, not 5 (--expect-exit)'))


class CommandLine(unittest.TestCase):
    def test_dpi_is_checked_and_each_dpi_has_its_prefix(self):
        self.assertEqual(cli.parse(['prog.exe']).dpi, 96)
        self.assertEqual(cli.parse(['--dpi', '192', 'prog.exe']).dpi, 192)
        for bad in ('0', '95', '481', '-5', '1.5', 'abc', ''):
            with self.subTest(dpi=bad):
                with self.assertRaisesRegex(cli.CommandLineError, '--dpi'):
                    cli.parse(['--dpi', bad, 'prog.exe'])
        self.assertEqual(prefix_for('/b/wineprefix', 96), '/b/wineprefix')
        self.assertEqual(prefix_for('/b/wineprefix', 144), '/b/wineprefix-dpi144')

    def test_bad_use_is_one_line(self):
        for argv, words in [([], 'no program given'), (['--colour', 'p.exe'], '--colour'),
                            (['--timeout', '-1', 'p.exe'], '--timeout')]:
            with self.subTest(argv=argv):
                with self.assertRaisesRegex(cli.CommandLineError, words):
                    cli.parse(argv)


if __name__ == '__main__':
    unittest.main()
