"""The program given to the tool: a joined program (the kernel's sections,
the hosted program's behind them at 0x48000), checked before anything
starts with one clear complaint for anything else it may be (a flat image
or object file not yet joined, a kernel alone, the linker's .pe); the text
code page the joiner recorded; and the function names of the linker's .pe
(--symbols)."""
import re
import struct

import pe_reader

from .errors import UsageError

# The kernel's image and the program header right behind it (sdk/quorven.h).
KERNEL_IMAGE_SIZE = 0x48000
PROGRAM_HEADER_SIZE = 0x60
# Header words the kernel fills at start-up (serviceTable to commandLine):
# zero in a program image as linked.
KERNEL_FILLED = range(0x20, 0x30, 4)
ELF_RELOCATABLE = 1
JOIN_HINT = 'quorven-join KERNEL.exe PROGRAM.bin OUT.exe'
LINK_HINT = ('link it with sdk/hosted.ld, make its flat image with objcopy -O binary -j .qvprog, then join '
             'that with quorven-join (sdk/program.mk does all three)')


def object_file_kind(head):
    """'ELF' or 'COFF' for the start of a relocatable object file (what the
    compiler's -c writes), else None."""
    if head[:4] == b'\x7fELF' and len(head) >= 18 and struct.unpack_from('<H', head, 16)[0] == ELF_RELOCATABLE:
        return 'ELF'
    if len(head) >= 20:
        machine, sections, _, _, _, optional = struct.unpack_from('<HHIIIH', head, 0)
        if machine in (0x14C, 0x8664) and sections > 0 and optional == 0:
            return 'COFF'
    return None


def is_flat_image(data, size):
    """Whether a file's start (data; size the whole file's) reads as a
    hosted program's flat image: addressMode 0 or 1, the words the kernel
    fills still zero and, in mode 0, an entry offset inside the image."""
    if size <= PROGRAM_HEADER_SIZE or len(data) < PROGRAM_HEADER_SIZE:
        return False
    mode, entry = struct.unpack_from('<I', data, 0)[0], struct.unpack_from('<I', data, 0x1C)[0]
    if mode > 1 or any(struct.unpack_from('<I', data, at)[0] for at in KERNEL_FILLED):
        return False
    return mode == 1 or PROGRAM_HEADER_SIZE <= entry < size


def not_a_program(path, bin_dir=None):
    """The complaint for a file that is no PE file: it may be the hosted
    program not yet linked or joined."""
    try:
        with open(path, 'rb') as f:
            head = f.read(PROGRAM_HEADER_SIZE)
            f.seek(0, 2)
            size = f.tell()
    except OSError:
        head, size = b'', 0
    kind = object_file_kind(head)
    if kind:
        return UsageError('%s: an object file (%s), not a joined program; %s' % (path, kind, LINK_HINT))
    if is_flat_image(head, size):
        kernel = ('%s/quorven.exe' % bin_dir) if bin_dir else 'KERNEL.exe'
        return UsageError('%s: a hosted program\'s flat image, not yet joined to the kernel; join it first: '
                          'quorven-join %s %s OUT.exe' % (path, kernel, path))
    return UsageError('%s: not a Windows executable' % path)


def open_pe(path, what='program', bin_dir=None):
    """The PE file at path, with one clear complaint for a file that is
    missing or not an i386 PE file."""
    try:
        return pe_reader.PeFile(path)
    except FileNotFoundError:
        raise UsageError('%s: no such file' % path)
    except IsADirectoryError:
        raise UsageError('%s: is a folder, not a %s' % (path, what))
    except OSError as e:
        raise UsageError('%s: %s' % (path, e.strerror))
    except pe_reader.PeError as e:
        if e.reason == 'machine':
            raise UsageError('%s: not a 32-bit x86 executable' % path)
        raise not_a_program(path, bin_dir)


class Program:
    """A joined program: its file, its program section and the code page
    the joiner recorded (0 for none)."""

    def __init__(self, path, bin_dir=None):
        self.path = path
        self.pe = check_program(open_pe(path, bin_dir=bin_dir))
        self.section = next(s for s in self.pe.sections if s.address == KERNEL_IMAGE_SIZE)
        self.image_size = self.section.size
        self.code_page = recorded_code_page(self.pe)


def check_program(pe):
    """A joined program: an i386 PE with the kernel's sections and the
    program's behind them at 0x48000. The linker's output of a hosted
    program (its .pe) has the program's section alone, and Wine would run
    its header as code; a kernel alone has no program section."""
    path = pe.path
    program = [s for s in pe.sections if s.address == KERNEL_IMAGE_SIZE]
    kernel = [s for s in pe.sections if s.address < KERNEL_IMAGE_SIZE]
    if program and not kernel:
        raise UsageError('%s: a hosted program as linked, not joined to the kernel (make its flat image with '
                         'objcopy -O binary -j .qvprog, then join it with quorven-join)' % path)
    if not program:
        if pe.section_named(b'.qvcp'):
            raise UsageError('%s: a kernel with no program joined to it (%s joins one)' % (path, JOIN_HINT))
        raise UsageError('%s: not a joined Quorven program (no program image at 0x48000)' % path)
    if not kernel[0].address <= pe.entry < KERNEL_IMAGE_SIZE:
        raise UsageError('%s: not a joined Quorven program (its entry point is not in the kernel)' % path)
    return pe


def recorded_code_page(pe):
    """The text code page the joiner recorded (--code-page N) in the kernel's
    section .qvcp ("QVTEXTCP", then N as 32 bits); 0 when there is none."""
    section = pe.section_named(b'.qvcp')
    if not section:
        return 0
    record = pe.read(section.offset, 12)
    if len(record) == 12 and record[:8] == b'QVTEXTCP':
        return struct.unpack_from('<I', record, 8)[0]
    return 0


def c_name(raw):
    """A symbol's name as the C source wrote it: stdcall's "@bytes" and the
    leading underscore that i386 adds go."""
    name = re.sub(r'@\d+$', '', raw.decode('ascii', 'replace'))
    return name[1:] if name.startswith('_') else name


class Symbols:
    """The functions of a hosted program, from the COFF symbol table that
    the linker leaves in its .pe: (offset into the program image, name),
    by offset."""

    def __init__(self, functions):
        self.functions = sorted(functions)

    @classmethod
    def of_linked(cls, path, program):
        """The functions of the .pe at path, which must be the linker's
        output of the program joined into program (a Program)."""
        pe = open_pe(path, 'hosted program (.pe)')
        if len(pe.sections) != 1 or pe.sections[0].address != KERNEL_IMAGE_SIZE:
            raise UsageError('--symbols %s: not the linker\'s output of a hosted program (one section at 0x48000 '
                             'past the load address)' % path)
        # The program's bytes as joined must be this file's: symbols of
        # another build would name the wrong functions.
        joined = program.pe.section_bytes(program.section)
        linked = pe.section_bytes(pe.sections[0])
        n = min(len(joined), len(linked), pe.sections[0].size)
        if n == 0 or joined[:n] != linked[:n]:
            raise UsageError('--symbols %s: not the program joined into %s (their program images differ)'
                             % (path, program.path))
        functions = [(s.value, c_name(s.name)) for s in pe.symbols() if s.section == 1 and s.is_function()]
        if not functions:
            raise UsageError('--symbols %s: has no function symbols (linked with -s?)' % path)
        return cls(functions)

    def name(self, offset):
        """'function+0xN' for an offset into the program image, or None
        before the first function."""
        best = None
        for start, name in self.functions:
            if start > offset:
                break
            best = (start, name)
        if best is None:
            return None
        return best[1] if best[0] == offset else '%s+0x%X' % (best[1], offset - best[0])
