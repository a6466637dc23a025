"""A fault the helper answered, told in words: its code and the code's
name, where its address lies (an offset into the program image and its
function, the kernel, or elsewhere), one line for standard error and a
record for --result."""
from .image import KERNEL_IMAGE_SIZE

# The names of the exception codes a program's fault commonly carries, as
# the Windows documentation of EXCEPTION_RECORD words them.
CODE_NAMES = {
    0x80000001: 'guard page violation',
    0x80000002: 'datatype misalignment',
    0x80000003: 'breakpoint',
    0x80000004: 'single step',
    0xC0000005: 'access violation',
    0xC0000006: 'in-page error',
    0xC0000008: 'invalid handle',
    0xC000001D: 'illegal instruction',
    0xC0000025: 'noncontinuable exception',
    0xC0000026: 'invalid disposition',
    0xC000008C: 'array bounds exceeded',
    0xC000008D: 'float denormal operand',
    0xC000008E: 'float divide by zero',
    0xC000008F: 'float inexact result',
    0xC0000090: 'float invalid operation',
    0xC0000091: 'float overflow',
    0xC0000092: 'float stack check',
    0xC0000093: 'float underflow',
    0xC0000094: 'integer divide by zero',
    0xC0000095: 'integer overflow',
    0xC0000096: 'privileged instruction',
    0xC00000FD: 'stack overflow',
    0xC0000409: 'stack buffer overrun',
}


def code_name(code):
    """The name of an exception code, or None for one not listed."""
    return CODE_NAMES.get(code) if code is not None else None


def hex_word(value):
    return None if value is None else '0x%08X' % value


class Fault:
    """A fault box the helper answered (a helper.FaultWords), placed in a
    program image of image_size bytes whose functions symbols names (an
    image.Symbols, or None)."""

    def __init__(self, words, image_size, symbols):
        self.words = words
        self.base, self.code, self.eip = words.base, words.code, words.eip
        self.esi, self.link, self.ret, self.arg = words.esi, words.link, words.ret, words.arg
        self.answer = words.answer
        self.image_size, self.symbols = image_size, symbols

    def offset(self, address):
        """The offset of an address into the program image, or None."""
        if address is None or self.base is None:
            return None
        offset = address - self.base - KERNEL_IMAGE_SIZE
        return offset if 0 <= offset < self.image_size else None

    def function(self, offset):
        """The function at an offset into the program image, or None."""
        return self.symbols.name(offset) if offset is not None and self.symbols else None

    def in_kernel(self, address):
        return address is not None and self.base is not None and 0 <= address - self.base < KERNEL_IMAGE_SIZE

    def where(self, address):
        """Where an address lies, in words: an offset into the program image
        (and its function), the kernel, or elsewhere."""
        offset = self.offset(address)
        if offset is not None:
            function = self.function(offset)
            return 'offset 0x%X of the program image%s' % (offset, ' (%s)' % function if function else '')
        if self.in_kernel(address):
            return 'the kernel, outside the program image'
        return 'outside the program image and the kernel'

    def code_words(self):
        """The code as the report gives it: "C0000094 integer divide by
        zero", the number alone for a code not listed."""
        if self.code is None:
            return 'of unknown code'
        name = code_name(self.code)
        return '%08X%s' % (self.code, ' ' + name if name else '')

    def report(self):
        """The one line said on standard error."""
        if self.eip is None:
            at = 'at an address that could not be read'
        else:
            at = 'at 0x%08X, %s' % (self.eip, self.where(self.eip))
        fields = []
        for name, value in (('Esi', self.esi), ('[Ebp]', self.link), ('[Ebp+4]', self.ret), ('[Ebp+8]', self.arg)):
            if value is None:
                continue
            offset = self.offset(value) if name == '[Ebp+4]' else None
            function = self.function(offset)
            fields.append('%s 0x%08X%s' % (name, value, '' if offset is None else ' (offset 0x%X%s)' % (
                offset, ', ' + function if function else '')))
        return 'the program faulted (exception %s) %s; fault words %s; its fault box was answered %s' % (
            self.code_words(), at, ', '.join(fields) or 'not readable', 'OK' if self.answer == 'ok' else 'Cancel')

    def record(self):
        """The fault for --result."""
        def place(address):
            offset = self.offset(address)
            return {'offset': None if offset is None else '0x%X' % offset, 'function': self.function(offset)}
        at = place(self.eip)
        back = place(self.ret)
        return {'code': None if self.code is None else '%08X' % self.code, 'name': code_name(self.code),
                'address': hex_word(self.eip), 'offset': at['offset'], 'function': at['function'],
                'in': 'program' if at['offset'] else ('kernel' if self.in_kernel(self.eip) else 'elsewhere'),
                'esi': hex_word(self.esi), 'frame_link': hex_word(self.link), 'return_address': hex_word(self.ret),
                'return_offset': back['offset'], 'return_function': back['function'],
                'first_argument': hex_word(self.arg), 'answer': self.answer}
