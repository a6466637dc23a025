#!/usr/bin/env python3
"""The joiner's command line: a good join writes an executable file; every
bad input prints one line naming the problem, exits non-zero and leaves no
output file (and no temporary file) behind, an existing output untouched.
With --wine the same checks run on the Windows build (quorven-join.exe)
under Wine, whose output must equal the native joiner's byte for byte.
usage: join_cli_test.py BIN_DIR [--wine]"""
import os
import shutil
import stat
import subprocess
import sys
import tempfile

bin_dir = sys.argv[1]
on_wine = '--wine' in sys.argv[2:]
native_join = os.path.join(bin_dir, 'quorven-join')
kernel = os.path.join(bin_dir, 'quorven.exe')
failures = []
if on_wine:
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'harness'))
    import qvharness as h


def command(args, exe='quorven-join.exe'):
    """The joiner's command line: under Wine, paths as the program sees them."""
    if not on_wine:
        return [native_join] + list(args)
    return ['wine', os.path.join(bin_dir, exe)] + \
        ['Z:' + a.replace('/', '\\') if a.startswith('/') else a for a in args]

with tempfile.TemporaryDirectory() as d:
    prog = os.path.join(d, 'prog.bin')
    image = bytearray(range(256))
    image[0:4] = (0).to_bytes(4, 'little')        # addressMode 0
    image[0x1C:0x20] = (0x60).to_bytes(4, 'little')  # entry offset
    with open(prog, 'wb') as f:
        f.write(image)
    mode2 = os.path.join(d, 'mode2.bin')
    image[0:4] = (2).to_bytes(4, 'little')
    with open(mode2, 'wb') as f:
        f.write(image)
    short = os.path.join(d, 'short.bin')
    with open(short, 'wb') as f:
        f.write(b'\0' * 0x5F)
    header_only = os.path.join(d, 'header.bin')
    with open(header_only, 'wb') as f:
        f.write(b'\0\0\0\0' + bytes(image[4:0x60]))  # addressMode 0, nothing after the header
    # The compiler's object files (gcc -c): mingw's COFF, whose machine and
    # section count read as addressMode 393548, and an ELF relocatable.
    coff_o = os.path.join(d, 'prog.o')
    with open(coff_o, 'wb') as f:
        f.write((0x14C).to_bytes(2, 'little') + (6).to_bytes(2, 'little') + b'\0' * 12 + b'\0\0\4\1' + b'\0' * 200)
    elf_o = os.path.join(d, 'prog-elf.o')
    with open(elf_o, 'wb') as f:
        f.write(b'\x7fELF\1\1\1' + b'\0' * 9 + (1).to_bytes(2, 'little') + (3).to_bytes(2, 'little') + b'\0' * 200)
    text = os.path.join(d, 'text.exe')
    with open(text, 'wb') as f:
        f.write(b'MZ' + b'x' * 200)
    with open(kernel, 'rb') as f:
        kdata = bytearray(f.read())
    pe = int.from_bytes(kdata[0x3C:0x40], 'little')
    amd64 = os.path.join(d, 'amd64.exe')
    k2 = bytearray(kdata)
    k2[pe + 4:pe + 6] = (0x8664).to_bytes(2, 'little')
    open(amd64, 'wb').write(k2)
    wrongsize = os.path.join(d, 'wrongsize.exe')
    k3 = bytearray(kdata)
    k3[pe + 24 + 56:pe + 24 + 60] = (0x50000).to_bytes(4, 'little')
    open(wrongsize, 'wb').write(k3)
    # One byte of FileAlignment changed: a multi-gigabyte output before.
    badalign = os.path.join(d, 'badalign.exe')
    k4 = bytearray(kdata)
    k4[pe + 24 + 36 + 3] = 0x10
    open(badalign, 'wb').write(k4)

    def run(*args, exe='quorven-join.exe'):
        return subprocess.run(command(args, exe), capture_output=True, text=True, stdin=subprocess.DEVNULL,
                              env=h.wine_env() if on_wine else None)

    out = os.path.join(d, 'out.exe')
    r = run(kernel, prog, out, '--reserve', '4096')
    if r.returncode != 0 or not os.path.exists(out) or not (on_wine or os.stat(out).st_mode & stat.S_IXUSR):
        failures.append('good join failed: %s' % r.stderr)
    good = open(out, 'rb').read()
    # Joining again replaces the existing output (Windows' rename refuses to).
    r = run(kernel, prog, out)
    if r.returncode != 0 or open(out, 'rb').read() == good:
        failures.append('a second join did not replace the output: %s' % r.stderr)
    # --code-page: N lands in the kernel's .qvcp record (tag, then N), and
    # nowhere else: the output differs from the plain join in those 4 bytes only.
    r = run(kernel, prog, out, '--reserve', '4096', '--code-page', '936')
    withcp = open(out, 'rb').read() if r.returncode == 0 else b''
    at = withcp.find(b'QVTEXTCP')
    diff = [i for i in range(min(len(good), len(withcp))) if good[i] != withcp[i]]
    ok = (at > 0 and withcp[at + 8:at + 12] == (936).to_bytes(4, 'little') and len(withcp) == len(good)
          and diff and all(at + 8 <= i < at + 12 for i in diff))
    if not ok:
        failures.append('--code-page 936 was not recorded: %s' % r.stderr)
    print('%s --code-page 936 recorded in the kernel\'s record' % ('ok' if ok else 'FAIL'))
    r = run(kernel, prog, out, '--reserve', '4096')
    if on_wine:
        reference = os.path.join(d, 'reference.exe')
        subprocess.run([native_join, kernel, prog, reference, '--reserve', '4096'], check=True)
        same = open(reference, 'rb').read() == open(out, 'rb').read()
        os.remove(reference)
        if not same:
            failures.append('the Windows joiner wrote other bytes than the native one')
        print('%s the Windows joiner writes the same bytes as the native one' % ('ok' if same else 'FAIL'))
        # Windows 9x's way of replacing the output (no MoveFileEx there), forced
        # in a test build: a new output, then one replaced, each the bytes of
        # the native joiner's; nothing left beside it (checked below).
        fallback = os.path.join('tests', 'quorven-join-fallback.exe')
        fresh = os.path.join(d, 'fresh.exe')
        r1 = run(kernel, prog, fresh, '--reserve', '4096', exe=fallback)
        first = open(fresh, 'rb').read() if os.path.exists(fresh) else b''
        r2 = run(kernel, prog, fresh, exe=fallback)
        second = open(fresh, 'rb').read() if os.path.exists(fresh) else b''
        subprocess.run([native_join, kernel, prog, reference], check=True)
        ok = (r1.returncode == 0 and r2.returncode == 0 and first == good and
              second == open(reference, 'rb').read() and second != first)
        os.remove(reference)
        if os.path.exists(fresh):
            os.remove(fresh)
        if not ok:
            failures.append('the 9x way of replacing the output failed: %s %s' % (r1.stderr, r2.stderr))
        print('%s without MoveFileEx (9x): a new output written, an existing one replaced' % ('ok' if ok else 'FAIL'))
        # A folder where the output goes stays where it is, with what it holds.
        folder = os.path.join(d, 'folder.exe')
        os.mkdir(folder)
        open(os.path.join(folder, 'kept'), 'w').write('kept')
        r = run(kernel, prog, folder, exe=fallback)
        lines = r.stderr.strip().splitlines()
        ok = (r.returncode != 0 and len(lines) == 1 and 'cannot write' in lines[0] and
              open(os.path.join(folder, 'kept')).read() == 'kept')
        shutil.rmtree(folder, ignore_errors=True)
        if not ok:
            failures.append('without MoveFileEx, a folder in the way: exit %s, %r' % (r.returncode, r.stderr))
        print('%s without MoveFileEx (9x), a folder in the way is left alone: %s' % ('ok' if ok else 'FAIL',
                                                                                   r.stderr.strip()))

    bad = [
        ('not i386', [amd64, prog, out], 'i386'),
        ('image size', [wrongsize, prog, out], 'image size'),
        ('not a PE', [text, prog, out], 'not a PE'),
        ('FileAlignment', [badalign, prog, out], 'FileAlignment'),
        ('short program', [kernel, short, out], 'shorter'),
        ('addressMode 2', [kernel, mode2, out], 'addressMode'),
        ('header alone', [kernel, header_only, out], 'header alone'),
        ('an executable as program', [kernel, kernel, out], 'objcopy -O binary'),
        ('a COFF object file as program', [kernel, coff_o, out], 'an object file (COFF), not a flat program image; '
         'link it with sdk/hosted.ld'),
        ('an ELF object file as program', [kernel, elf_o, out], 'an object file (ELF)'),
        ('missing kernel', [os.path.join(d, 'none.exe'), prog, out], 'cannot read'),
        ('missing program', [kernel, os.path.join(d, 'none.bin'), out], 'cannot read'),
        ('unwritable output', [kernel, prog, os.path.join(d, 'no', 'dir', 'x.exe')], 'cannot write'),
        ('bad reserve', [kernel, prog, out, '--reserve', 'lots'], 'reserve'),
        ('UTF-8 code page', [kernel, prog, out, '--code-page', '65001'], 'code-page'),
        ('code page not a number', [kernel, prog, out, '--code-page', '936x'], 'code-page'),
        ('code page missing', [kernel, prog, out, '--code-page'], 'code-page'),
        ('no arguments', [], 'usage'),
    ]
    for name, args, word in bad:
        r = run(*args)
        lines = r.stderr.strip().splitlines()
        ok = r.returncode != 0 and len(lines) == 1 and word in lines[0] and lines[0].startswith('quorven-join: ')
        if not ok:
            failures.append('%s: exit %s, stderr %r' % (name, r.returncode, r.stderr))
        print('%s %s: %s' % ('ok' if ok else 'FAIL', name, r.stderr.strip()))
    # The existing output was never touched, and nothing else was left behind.
    if open(out, 'rb').read() != good:
        failures.append('a failed join changed the existing output')
    leftovers = [n for n in os.listdir(d) if '.tmp' in n]
    if leftovers:
        failures.append('temporary files left: %s' % leftovers)
    os.remove(out)
    run(kernel, short, out)
    if os.path.exists(out):
        failures.append('a failed join created the output')

if failures:
    print('TEST FAILED: ' + '; '.join(failures))
    sys.exit(1)
print('TEST PASSED')
