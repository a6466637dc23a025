"""Reading i386 PE files for the project's Python tools (quorven-run, the
import check): the headers and section table, the COFF symbol table that
the linker leaves in a hosted program's .pe, and the import table. Only
what is asked for is read from the file, so that a large file given by
mistake costs no more than its headers. Every fault of the file comes out
as one PeError whose reason says what it is, so that each tool words its
own message."""
import struct

I386 = 0x14C
PE32_MAGIC = 0x10B
HEADER_READ = 4096      # the first read: the headers of any linker's output
SECTION_HEADER = 40
SYMBOL_SIZE = 18        # one COFF symbol table entry
IMPORT_DESCRIPTOR = 20
DIRECTORY_IMPORT = 1


class PeError(Exception):
    """A file that is not the PE file asked for. reason is one of
    'unreadable', 'no MZ', 'no PE' (an MZ file without a PE header),
    'machine' (not i386), 'optional header' (not PE32) or 'damaged'."""

    def __init__(self, reason, detail=''):
        super().__init__(detail or reason)
        self.reason, self.detail = reason, detail


class Section:
    """One section header: its name (bytes, NULs removed), where it lies in
    memory (address, size) and in the file (offset, raw_size)."""

    def __init__(self, name, address, size, offset, raw_size):
        self.name, self.address, self.size, self.offset, self.raw_size = name, address, size, offset, raw_size

    def file_bytes(self):
        """How many of its bytes the file holds: the virtual size, cut to
        the raw data (the rest is zeros in memory)."""
        return min(self.size, self.raw_size) if self.size else self.raw_size


class Symbol:
    """One COFF symbol: its name (bytes), value, section number (1-based,
    0 undefined, negative special) and type and storage class."""

    def __init__(self, name, value, section, type_, storage):
        self.name, self.value, self.section, self.type, self.storage = name, value, section, type_, storage

    def is_function(self):
        """A function: the derived type of the type word is "function"."""
        return self.type & 0xF0 == 0x20


class PeFile:
    """An i386 PE file opened for reading. Raises PeError (or OSError for
    the file system) when it is not one."""

    def __init__(self, path):
        self.path = path
        with open(path, 'rb') as f:
            head = f.read(HEADER_READ)
            self._parse_headers(head, f)

    def _parse_headers(self, head, f):
        if len(head) < 0x40 or head[:2] != b'MZ':
            raise PeError('no MZ')
        pe = struct.unpack_from('<I', head, 0x3C)[0]
        if pe + 24 > len(head) or head[pe:pe + 4] != b'PE\0\0':
            raise PeError('no PE')
        self.machine, count, _, self.symbol_table, self.symbol_count, optional = \
            struct.unpack_from('<HHIIIH', head, pe + 4)
        if self.machine != I386:
            raise PeError('machine')
        self.optional_offset = pe + 24
        self.optional_size = optional
        self.magic = struct.unpack_from('<H', head, pe + 24)[0] if optional >= 2 else 0
        self.entry = struct.unpack_from('<I', head, pe + 24 + 16)[0] if optional >= 20 else 0
        table = pe + 24 + optional
        if table + SECTION_HEADER * count > len(head):
            f.seek(0)
            head = f.read(table + SECTION_HEADER * count)
        self._head = head
        self.sections = []
        for i in range(count):
            at = table + SECTION_HEADER * i
            if at + SECTION_HEADER > len(head):
                break
            size, address, raw_size, offset = struct.unpack_from('<IIII', head, at + 8)
            self.sections.append(Section(head[at:at + 8].rstrip(b'\0'), address, size, offset, raw_size))

    def read(self, offset, size):
        """size bytes of the file from offset (fewer at its end)."""
        with open(self.path, 'rb') as f:
            f.seek(offset)
            return f.read(size)

    def section_bytes(self, section):
        """The bytes the file holds for a section."""
        return self.read(section.offset, section.file_bytes())

    def section_named(self, name):
        """The first section of that name (bytes), or None."""
        return next((s for s in self.sections if s.name == name), None)

    def symbols(self):
        """The COFF symbol table, auxiliary entries skipped, long names
        taken from the string table behind it."""
        if not self.symbol_table or not self.symbol_count:
            return []
        with open(self.path, 'rb') as f:
            f.seek(self.symbol_table)
            data = f.read(SYMBOL_SIZE * self.symbol_count + 4)
            strings = data[SYMBOL_SIZE * self.symbol_count:]
            if len(strings) == 4:
                strings += f.read(max(0, struct.unpack('<I', strings)[0] - 4))
        found, i = [], 0
        while i + SYMBOL_SIZE <= min(SYMBOL_SIZE * self.symbol_count, len(data)):
            raw, value, number, type_, storage, aux = struct.unpack_from('<8sIhHBB', data, i)
            i += SYMBOL_SIZE * (1 + aux)
            if raw[:4] == b'\0\0\0\0':
                at = struct.unpack_from('<I', raw, 4)[0]
                end = strings.find(b'\0', at) if 4 <= at < len(strings) else -1
                raw = strings[at:end] if end >= 0 else b''
            found.append(Symbol(raw.rstrip(b'\0'), value, number, type_, storage))
        return found

    def imports(self):
        """(library, function) of every import, by name or as "#ordinal",
        in table order. Needs the whole file; PeError 'damaged' for an
        import table that points outside it."""
        if self.magic != PE32_MAGIC:
            raise PeError('optional header')
        with open(self.path, 'rb') as f:
            data = f.read()
        directory = self.optional_offset + 96 + 8 * DIRECTORY_IMPORT
        try:
            import_rva = struct.unpack_from('<I', data, directory)[0]
            if not import_rva:
                return []
            return self._walk_imports(data, import_rva)
        except (struct.error, ValueError, IndexError, UnicodeDecodeError) as e:
            raise PeError('damaged', 'damaged import table (%s)' % e)

    def offset_of(self, rva):
        """The file offset of an address relative to the image base; the
        section's extent is the larger of its virtual and raw sizes."""
        for s in self.sections:
            if s.address <= rva < s.address + max(s.size, s.raw_size):
                return s.offset + rva - s.address
        raise PeError('damaged', 'RVA 0x%X lies in no section' % rva)

    def _walk_imports(self, data, import_rva):
        def u32(at):
            return struct.unpack_from('<I', data, at)[0]

        def cstring(rva):
            at = self.offset_of(rva)
            return data[at:data.index(b'\0', at)].decode('ascii')

        found = []
        d = self.offset_of(import_rva)
        while u32(d + 12):
            library = cstring(u32(d + 12))
            thunk = self.offset_of(u32(d) or u32(d + 16))
            while u32(thunk):
                entry = u32(thunk)
                found.append((library, '#%d' % (entry & 0xFFFF) if entry & 0x80000000 else cstring(entry + 2)))
                thunk += 4
            d += IMPORT_DESCRIPTOR
        return found
