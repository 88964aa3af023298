#!/usr/bin/env python3
"""Size of a stripped launcher executable without its pictures, and the DLLs it imports.

Usage: exe_size.py <objdump> <strip> <exe> <label>
Prints one markdown row: the stripped size minus the bytes of its bitmap and icon resources (their data entries in
the resource section), the target (<= 300 KB), and whether every imported DLL is a system one other than the common
controls library (the launcher loads that one from System32 when its first tooltip is due).
"""
import os
import struct
import subprocess
import sys
import tempfile

PICTURE_TYPES = {2: "bitmap", 3: "icon", 14: "icon group"}
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll",
               "shell32.dll", "ole32.dll", "ntdll.dll", "ucrtbase.dll"}
TARGET = 300 * 1024


def sections(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count = struct.unpack_from("<H", data, pe + 6)[0]
    optional = struct.unpack_from("<H", data, pe + 20)[0]
    magic = struct.unpack_from("<H", data, pe + 24)[0]
    directories = pe + 24 + (112 if magic == 0x20B else 96)
    resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = pe + 24 + optional
    result = []
    for i in range(count):
        name, vsize, rva, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
        result.append((rva, max(vsize, rawsize), rawptr))
    return resource_rva, result


def offset_of(rva, secs):
    for start, size, raw in secs:
        if start <= rva < start + size:
            return raw + rva - start
    raise ValueError("rva %#x outside every section" % rva)


def picture_bytes(data):
    """Bytes of bitmap and icon resources, by type name."""
    root_rva, secs = sections(data)
    if not root_rva:
        return {}
    root = offset_of(root_rva, secs)
    totals = {}

    def walk(directory, type_id):
        named, ids = struct.unpack_from("<HH", data, directory + 12)
        for i in range(named + ids):
            ident, target = struct.unpack_from("<II", data, directory + 16 + 8 * i)
            level_type = type_id if type_id is not None else (None if ident & 0x80000000 else ident)
            if target & 0x80000000:
                walk(root + (target & 0x7FFFFFFF), level_type if type_id is not None else (level_type or -1))
            elif type_id in PICTURE_TYPES:
                size = struct.unpack_from("<I", data, root + target + 4)[0]
                totals[PICTURE_TYPES[type_id]] = totals.get(PICTURE_TYPES[type_id], 0) + size

    walk(root, None)
    return totals


def main():
    objdump, strip, exe, label = sys.argv[1:5]
    with tempfile.TemporaryDirectory() as work:
        stripped = os.path.join(work, "stripped.exe")
        subprocess.run([strip, "-o", stripped, exe], check=True)
        with open(stripped, "rb") as f:
            data = f.read()
        dump = subprocess.run([objdump, "-p", stripped], check=True, capture_output=True, text=True).stdout
    dlls = sorted({line.split(":", 1)[1].strip() for line in dump.splitlines() if "DLL Name:" in line})
    foreign = [d for d in dlls if d.lower() not in SYSTEM_DLLS]
    pictures = picture_bytes(data)
    without = len(data) - sum(pictures.values())
    detail = ", ".join("%s %d" % (k, v) for k, v in sorted(pictures.items()))
    print("  size %s: stripped %d bytes, pictures %d bytes (%s), without pictures %d bytes; imports %s"
          % (label, len(data), sum(pictures.values()), detail, without, ", ".join(dlls)))
    met = without <= TARGET and not foreign
    print("| Executable size without pictures, %s stripped | %.1f KB (%d bytes) | stripped %.1f KB with pictures; "
          "imports %s | <= 300 KB, system DLLs only, no COMCTL32%s | %s |"
          % (label, without / 1024, without, len(data) / 1024, " ".join(dlls),
             "" if not foreign else " (foreign: %s)" % " ".join(foreign), "met" if met else "**not met**"))


if __name__ == "__main__":
    main()
