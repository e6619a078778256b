#!/usr/bin/env python3
"""Static checks of the shipped installer: a 32-bit GUI PE that imports only
system DLLs, carries its manifest, version record, icons, picture and package,
and keeps its code within budget. Prints one CHECK line per check."""
import os
import re
import struct
import subprocess
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
               "msvcrt.dll", "comctl32.dll", "shfolder.dll"}
CODE_BUDGET = 24 * 1024
failures = 0


def check(ok, what):
    global failures
    print(("CHECK OK " if ok else "CHECK FAILED ") + what)
    failures += 0 if ok else 1


def project_version():
    """The four numbers of the project's version, set once in CMakeLists.txt."""
    cmake = open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "CMakeLists.txt")).read()
    return [int(n) for n in re.search(r"project\(Sonograf VERSION ([0-9.]+)", cmake).group(1).split(".")]


def windows2000_exports():
    """(dll, function) pairs of the list kept beside this check."""
    listing = os.path.join(os.path.dirname(os.path.abspath(__file__)), "windows2000_exports.txt")
    return {tuple(line.split()) for line in open(listing) if line.strip() and not line.startswith("#")}


def links_absent(path):
    """The links tool's verdict, per stored link, on its plain text in the installer."""
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    tool = os.path.join(root, "build", "host", "tools", "sonograf-links")
    run = subprocess.run([tool, os.path.join(root, "app", "links.txt"), "--absent-from", path],
                         stdout=subprocess.PIPE, universal_newlines=True)
    check(run.returncode in (0, 1) and run.stdout, "the links tool read the links and the installer")
    return [line.split(" ", 1) for line in run.stdout.splitlines()]


def main(path):
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    check(data[pe:pe + 4] == b"PE\0\0", "PE signature")
    machine, sections_count, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    optional = pe + 24
    magic, = struct.unpack_from("<H", data, optional)
    subsystem, = struct.unpack_from("<H", data, optional + 68)
    check(machine == 0x14C and magic == 0x10B, "PE32 for i386")
    check(subsystem == 2, "GUI subsystem")
    timestamp, = struct.unpack_from("<I", data, pe + 8)
    check(timestamp == 0, "no link timestamp (reproducible)")
    directories = optional + 96
    sections = []
    for i in range(sections_count):
        at = optional + optional_size + 40 * i
        name = data[at:at + 8].rstrip(b"\0").decode()
        vsize, vaddr, rsize, raw = struct.unpack_from("<IIII", data, at + 8)
        sections.append((name, vaddr, max(vsize, rsize), raw, rsize))

    def offset(rva):
        for _, vaddr, size, raw, _ in sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raw
        raise ValueError("rva %x outside sections" % rva)

    def cstring(at):
        return data[at:data.index(b"\0", at)].decode()

    imports = []
    functions = set()
    import_rva, = struct.unpack_from("<I", data, directories + 8)
    at = offset(import_rva)
    while struct.unpack_from("<I", data, at + 12)[0]:
        lookup, _, _, name, thunks = struct.unpack_from("<IIIII", data, at)
        dll = cstring(offset(name)).lower()
        imports.append(dll)
        thunk = offset(lookup or thunks)
        while struct.unpack_from("<I", data, thunk)[0]:
            value, = struct.unpack_from("<I", data, thunk)
            functions.add((dll, "#%d" % (value & 0xFFFF) if value & 0x80000000 else cstring(offset(value) + 2)))
            thunk += 4
        at += 20
    check(set(imports) <= SYSTEM_DLLS, "imports only system DLLs: " + ", ".join(imports))
    newer = sorted("%s!%s" % entry for entry in functions - windows2000_exports())
    check(functions and not newer, "imports only functions that Windows 2000 exports" +
          (": not " + ", ".join(newer) if newer else ""))

    resource_rva, = struct.unpack_from("<I", data, directories + 16)
    base = offset(resource_rva)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, directory + 12)
        for i in range(named + ids):
            ident, target = struct.unpack_from("<II", data, directory + 16 + 8 * i)
            yield ident, target

    resources = {}
    for type_id, type_target in entries(base):
        for name_id, name_target in entries(base + (type_target & 0x7FFFFFFF)):
            for _, leaf in entries(base + (name_target & 0x7FFFFFFF)):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                resources[(type_id, name_id)] = data[offset(rva):offset(rva) + size]

    manifest = resources.get((24, 1), b"").decode("utf-8", "replace")
    for text in ('name="Orvane.Sonograf.Installer"', 'processorArchitecture="X86"',
                 "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                 'level="requireAdministrator"', "<activeCodePage"):
        check(text in manifest, "manifest holds " + text)
    version = resources.get((16, 1), b"")
    fixed = version.find(struct.pack("<I", 0xFEEF04BD))
    numbers = project_version()
    packed = (numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3])
    text = ".".join(map(str, numbers))
    check(fixed > 0 and struct.unpack_from("<IIII", version, fixed + 8) == packed * 2,
          "version record %s (file and product)" % text)
    for text in ("Orvane Software", "Sonograf", text):
        check(text.encode("utf-16-le") in version, "version record holds " + text)
    group = resources.get((14, 100), b"")
    sizes = sorted(group[6 + 14 * i] for i in range(struct.unpack_from("<H", group, 4)[0])) if group else []
    check(sizes == [16, 32], "icon group 100 with 16 x 16 and 32 x 32 images")
    bitmap = resources.get((2, 101), b"")
    check(len(bitmap) >= 40 and struct.unpack_from("<iiHH", bitmap, 4) == (900, 424, 1, 24),
          "bitmap 101 is 900 x 424, 24-bit")
    check((10, 100) in resources and len(resources[(10, 100)]) > 312, "package resource RCDATA 100")

    for verdict, name in links_absent(path):
        check(verdict == "ok", "the plain text of %s does not occur in the installer" % name)

    text_size = sum(size for name, _, _, _, size in sections if name == ".text")
    rsrc_size = sum(size for name, _, _, _, size in sections if name == ".rsrc")
    # A signature is appended after the program and is not part of it.
    _, signature_size = struct.unpack_from("<II", data, directories + 32)
    code_size = len(data) - rsrc_size - signature_size
    print("installer: %d bytes, %d of them outside the resources and the signature (.text %d)"
          % (len(data), code_size, text_size))
    check(code_size <= CODE_BUDGET, "size without resources within %d bytes" % CODE_BUDGET)


if __name__ == "__main__":
    main(sys.argv[1])
    sys.exit(1 if failures else 0)
