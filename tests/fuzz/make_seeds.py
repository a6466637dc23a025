#!/usr/bin/env python3
"""Writes the seed inputs of the PE fuzzer from the built kernel (linked and
padded), hosted program images and joined executables.
usage: make_seeds.py BIN_DIR WINDOWS_BUILD_DIR OUT_DIR

An input is: reserve (4 bytes LE), program length L (4 bytes LE), the
program (L bytes), the kernel (the rest). Beside the real files, each PE
also goes in shrunk: every section's file data cut to one file-alignment
unit, except the section holding the import table, so that the headers
make up most of the input and mutations land there."""
import os
import struct
import sys

bin_dir, windows_dir, out_dir = sys.argv[1:4]
hosted_dir = os.path.join(windows_dir, 'hosted')


def seed(name, kernel, program, reserve=0):
    with open(os.path.join(out_dir, name), 'wb') as f:
        f.write(struct.pack('<II', reserve, len(program)) + program + kernel)


def shrink(image):
    pe = struct.unpack_from('<I', image, 0x3C)[0]
    count = struct.unpack_from('<H', image, pe + 6)[0]
    opt_size = struct.unpack_from('<H', image, pe + 20)[0]
    opt = pe + 24
    file_align = struct.unpack_from('<I', image, opt + 36)[0]
    headers = struct.unpack_from('<I', image, opt + 60)[0]
    import_rva = struct.unpack_from('<I', image, opt + 96 + 8)[0]
    table = opt + opt_size
    out = bytearray(image[:headers])
    for i in range(count):
        at = table + 40 * i
        vsize, va, raw_size, raw_ptr = struct.unpack_from('<IIII', image, at + 8)
        if not raw_size:
            continue
        keep = raw_size if va <= import_rva < va + max(vsize, raw_size) else min(raw_size, file_align)
        struct.pack_into('<II', out, at + 16, keep, len(out))
        out += image[raw_ptr:raw_ptr + keep]
    return bytes(out)


def read(path):
    with open(path, 'rb') as f:
        return f.read()


os.makedirs(out_dir, exist_ok=True)
kernel = read(os.path.join(bin_dir, 'quorven.exe'))
# A minimal program: addressMode 0, entry at 0x60 (a ret).
tiny = struct.pack('<I', 0) + bytes(24) + struct.pack('<I', 0x60) + bytes(0x40) + b'\xc3'
seed('kernel-tiny', kernel, tiny)
seed('shrunk-tiny', shrink(kernel), tiny, 0x1000)
# The kernel as linked, before padding: the padder's real input.
linked = os.path.join(windows_dir, 'quorven-linked.exe')
if os.path.exists(linked):
    seed('linked-tiny', read(linked), tiny)
    seed('linked-shrunk-tiny', shrink(read(linked)), tiny)
seed('shrunk-absolute', shrink(kernel), struct.pack('<I', 1) + tiny[4:0x1C] + struct.pack('<I', 0x448060) + tiny[0x20:])
programs = sorted(p for p in os.listdir(hosted_dir) if p.endswith('.bin')) if os.path.isdir(hosted_dir) else []
for name in programs[:2]:
    program = read(os.path.join(hosted_dir, name))
    seed('kernel-' + name, kernel, program, 0x10000)
    seed('shrunk-' + name, shrink(kernel), program)
joined_dir = os.path.join(bin_dir, 'tests')
joined = sorted(p for p in os.listdir(joined_dir) if p.endswith('.exe')) if os.path.isdir(joined_dir) else []
for name in [j for j in joined if j in ('reserve.exe', 'startup_fields.exe')] or joined[:1]:
    exe = read(os.path.join(joined_dir, name))
    seed('joined-' + name, exe, tiny)
    seed('joined-shrunk-' + name, shrink(exe), tiny)
