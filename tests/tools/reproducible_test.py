#!/usr/bin/env python3
"""Two clean builds of the same sources in different folders give the same
kernel, byte for byte, and the same joined program: the sources are copied to
another path, scripts/rebuild-kernel.sh builds the kernel and the sample
program grades there from nothing, and both are compared with the ones of
this build. A difference is reported with the first offsets that differ and
the PE header field they fall in.
usage: reproducible_test.py SOURCE_DIR BIN_DIR"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

source_dir, bin_dir = sys.argv[1], sys.argv[2]
failures = []


def where(data, offset):
    """The part of a PE image an offset falls in, for the report."""
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    fields = [(pe + 8, 4, 'the PE header\'s time stamp'), (pe + 24 + 64, 4, 'the optional header\'s checksum')]
    for at, size, name in fields:
        if at <= offset < at + size:
            return name
    sections_at = pe + 24 + struct.unpack_from('<H', data, pe + 20)[0]
    for i in range(struct.unpack_from('<H', data, pe + 6)[0]):
        s = sections_at + 40 * i
        size, raw = struct.unpack_from('<II', data, s + 16)  # SizeOfRawData, PointerToRawData
        if raw <= offset < raw + size:
            return 'section %s' % data[s:s + 8].rstrip(b'\0').decode('ascii', 'replace')
    return 'the headers' if offset < 0x400 else 'past the sections'


def compare(name, mine, theirs):
    a, b = open(mine, 'rb').read(), open(theirs, 'rb').read()
    if a == b:
        print('ok %s: the same %d bytes from both builds' % (name, len(a)))
        return
    diff = [i for i in range(min(len(a), len(b))) if a[i] != b[i]]
    parts = sorted({where(a, i) for i in diff[:64]})
    failures.append('%s differs between the builds: %d bytes (sizes %d and %d), first at 0x%X, in %s' %
                    (name, len(diff), len(a), len(b), diff[0] if diff else min(len(a), len(b)), ', '.join(parts)))
    print('FAIL ' + failures[-1])


with tempfile.TemporaryDirectory(prefix='qv-repro-') as d:
    # Another folder, at another depth, for the sources and for the build.
    copy = os.path.join(d, 'elsewhere', 'sources')
    listed = subprocess.run(['git', '-C', source_dir, 'ls-files', '-z', '--cached', '--others', '--exclude-standard'],
                            capture_output=True)
    if listed.returncode == 0:
        for name in filter(None, (n.decode() for n in listed.stdout.split(b'\0'))):
            path = os.path.join(source_dir, name)
            if os.path.isfile(path):
                os.makedirs(os.path.dirname(os.path.join(copy, name)), exist_ok=True)
                shutil.copy2(path, os.path.join(copy, name))
    else:  # not a git checkout: everything but the build folders
        shutil.copytree(source_dir, copy, ignore=lambda folder, names: [
            n for n in names if folder == source_dir and (n in ('.git', 'out') or n.startswith('build'))])
    build = os.path.join(d, 'another-build')
    r = subprocess.run(['sh', os.path.join(copy, 'scripts', 'rebuild-kernel.sh'), build, 'grades'],
                       capture_output=True, text=True)
    if r.returncode != 0:
        failures.append('the second build failed: %s' % r.stderr.strip())
    else:
        print('second build: %s' % r.stdout.strip())
        compare('quorven.exe', os.path.join(bin_dir, 'quorven.exe'), os.path.join(build, 'bin', 'quorven.exe'))
        compare('grades.exe (joined with --code-page 936)', os.path.join(bin_dir, 'grades.exe'),
                os.path.join(build, 'bin', 'grades.exe'))

if failures:
    print('TEST FAILED: ' + '; '.join(failures))
    sys.exit(1)
print('TEST PASSED')
