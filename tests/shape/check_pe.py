#!/usr/bin/env python3
"""Check the shape of a built pelgrove.exe.

The launcher is supposed to be a stripped 32-bit GUI program that imports
from KERNEL32.dll and nothing else, and carries our 16x16 icon as icon group
101. A compiler or linker flag that goes missing or slips in changes none of
the launcher's behaviour under a quick run, so this reads the PE file itself
and checks:

  - MZ and PE signatures, i386 machine, PE32 optional header, GUI subsystem;
  - ASLR and DEP flags set (DYNAMIC_BASE, NX_COMPAT), no COFF symbol table;
  - a real base relocation table, so the image can in fact be moved: not
    marked as stripped of relocations, at least one fixup, every fixup a
    32-bit one inside the image's file data, holding an address inside the
    image;
  - no section both writable and executable;
  - exactly one imported DLL, KERNEL32.dll, and optionally exactly the
    imported functions named by --expect-imports;
  - icon group 101 holding one 16x16 8-bit icon, ID 1, whose image is a
    BITMAPINFOHEADER 16 wide and 32 high (pixels + mask); with --any-icon,
    only that group 101 exists and every icon it lists is present.

Standard library only. Prints one line per check; exits 0 when all hold and
1 otherwise, including on a truncated or garbage file (no traceback).

Usage: check_pe.py [--expect-imports A,B,C] [--any-icon] FILE
"""
import argparse
import struct
import sys

IMAGE_FILE_MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
SUBSYSTEM_WINDOWS_GUI = 2
DYNAMIC_BASE = 0x40
NX_COMPAT = 0x100
RELOCS_STRIPPED = 0x1
SCN_MEM_EXECUTE = 0x20000000
SCN_MEM_WRITE = 0x80000000
REL_BASED_ABSOLUTE = 0   # padding entry
REL_BASED_HIGHLOW = 3    # add the load offset to this 32-bit address
RT_ICON = 3
RT_GROUP_ICON = 14
ICON_GROUP_ID = 101


class BadFile(Exception):
    """The file cannot be read as a PE image at all, or a part of it lies
    outside the file. Raised instead of letting struct/IndexError escape."""


class Image:
    def __init__(self, data):
        self.data = data
        self.steps = 0
        if data[:2] != b"MZ":
            raise BadFile("no MZ signature: not a DOS/Windows executable")
        self.pe = self.u32(0x3C)
        if data[self.pe:self.pe + 4] != b"PE\0\0":
            raise BadFile("no PE signature at e_lfanew 0x%x%s" % (
                self.pe, " (past the end of the file)"
                if self.pe + 4 > len(data) else ""))
        (self.machine, nsections, _, self.symtab, self.nsymbols, opt_size,
         self.characteristics) = self.unpack("<HHIIIHH", self.pe + 4)
        opt = self.pe + 24
        self.magic = self.u16(opt)
        if self.magic != PE32_MAGIC:
            # Every field below sits at a different offset in PE32+, so
            # there is nothing sensible left to read.
            raise BadFile("optional header magic 0x%x, not PE32 (0x10b)"
                          % self.magic)
        if opt_size < 96:
            raise BadFile("optional header too small (%d bytes)" % opt_size)
        self.image_base = self.u32(opt + 28)
        self.image_size = self.u32(opt + 56)
        self.subsystem, self.dll_chars = self.unpack("<HH", opt + 68)
        ndirs = min(self.u32(opt + 92), (opt_size - 96) // 8)
        self.dirs = [self.unpack("<II", opt + 96 + 8 * i) for i in range(ndirs)]
        first = opt + opt_size
        self.sections = []
        self.section_flags = []
        for i in range(nsections):
            name, vsize, va, rawsize, rawptr = self.unpack(
                "<8sIIII", first + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("latin-1"),
                                  va, vsize, rawptr, rawsize))
            self.section_flags.append(self.u32(first + 40 * i + 36))

    # -- bounded reads ---------------------------------------------------
    def bytes_at(self, off, n):
        if off < 0 or n < 0 or off + n > len(self.data):
            raise BadFile("file too short: %d bytes needed at offset 0x%x, "
                          "file is %d bytes" % (n, off, len(self.data)))
        return self.data[off:off + n]

    def unpack(self, fmt, off):
        return struct.unpack(fmt, self.bytes_at(off, struct.calcsize(fmt)))

    def u16(self, off):
        return self.unpack("<H", off)[0]

    def u32(self, off):
        return self.unpack("<I", off)[0]

    def cstring(self, off, limit=512):
        end = self.data.find(b"\0", off, off + limit)
        if off >= len(self.data) or end < 0:
            raise BadFile("unterminated string at offset 0x%x" % off)
        return self.data[off:end].decode("latin-1")

    def step(self):
        """Bound the work done walking tables, so a garbage file whose
        counts happen to point at valid bytes still ends quickly."""
        self.steps += 1
        if self.steps > 100000:
            raise BadFile("tables implausibly large; file corrupt?")

    # -- addresses ---------------------------------------------------------
    def offset(self, rva, n=1):
        """File offset of n bytes at rva. Only the raw (file-backed) part
        of a section counts: bytes past SizeOfRawData are zero-fill in
        memory and have no place in the file."""
        for _, va, vsize, rawptr, rawsize in self.sections:
            backed = min(vsize, rawsize) if vsize else rawsize
            if va <= rva and rva + n <= va + backed:
                return rawptr + (rva - va)
        raise BadFile("RVA 0x%x (%d bytes) is not inside any section's "
                      "file data" % (rva, n))

    def directory(self, index):
        if index >= len(self.dirs):
            return 0, 0
        return self.dirs[index]

    # -- imports -----------------------------------------------------------
    def imports(self):
        """{dll name: [function name or '#ordinal']} from the import
        directory, wherever the linker put it (.idata or merged)."""
        rva, size = self.directory(1)
        result = {}
        if rva == 0:
            return result
        for i in range(4096):
            self.step()
            desc = self.unpack("<IIIII", self.offset(rva + 20 * i, 20))
            if desc == (0, 0, 0, 0, 0):
                return result
            lookup, _, _, name_rva, iat = desc
            dll = self.cstring(self.offset(name_rva))
            thunk = lookup or iat   # some linkers leave the lookup table out
            names = result.setdefault(dll, [])
            for j in range(65536):
                self.step()
                entry = self.u32(self.offset(thunk + 4 * j, 4))
                if entry == 0:
                    break
                if entry & 0x80000000:
                    names.append("#%d" % (entry & 0xFFFF))
                else:   # hint/name entry: 2-byte hint, then the name
                    names.append(self.cstring(self.offset(entry + 2)))
        raise BadFile("import directory has no terminating entry")

    # -- base relocations ----------------------------------------------------
    def relocations(self):
        """[(rva, type)] of every fixup in the base relocation directory:
        blocks of (page RVA, block size) followed by 16-bit entries, type
        in the top 4 bits, offset into the page in the low 12."""
        rva, size = self.directory(5)
        fixups = []
        at = 0
        while at < size:
            self.step()
            page, block = self.unpack("<II", self.offset(rva + at, 8))
            if block < 8 or block % 2 or at + block > size:
                raise BadFile("relocation block at +0x%x has size %d"
                              % (at, block))
            for k in range(8, block, 2):
                self.step()
                entry = self.u16(self.offset(rva + at + k, 2))
                fixups.append((page + (entry & 0xFFF), entry >> 12))
            at += block
        return fixups

    # -- resources -----------------------------------------------------------
    def resources(self):
        """{(type, id): data} for the first language of each resource.
        Types and IDs are ints, or strings for named ones."""
        base, size = self.directory(2)
        result = {}
        if base == 0:
            return result

        def entries(dir_off):
            hdr = self.unpack("<IIHHHH", self.offset(base + dir_off, 16))
            count = hdr[4] + hdr[5]
            for k in range(count):
                self.step()
                key, target = self.unpack(
                    "<II", self.offset(base + dir_off + 16 + 8 * k, 8))
                if key & 0x80000000:   # named: counted UTF-16 string
                    noff = self.offset(base + (key & 0x7FFFFFFF), 2)
                    n = self.u16(noff)
                    key = self.bytes_at(noff + 2, 2 * n).decode("utf-16-le")
                yield key, target

        # Three fixed levels: type, name/ID, language. Subdirectory flags
        # that appear at the wrong level mean a corrupt (or looping) tree.
        for rtype, t in entries(0):
            if not t & 0x80000000:
                raise BadFile("resource type %r is not a directory" % rtype)
            for rid, n in entries(t & 0x7FFFFFFF):
                if not n & 0x80000000:
                    raise BadFile("resource %r/%r is not a directory"
                                  % (rtype, rid))
                for _, leaf in entries(n & 0x7FFFFFFF):
                    if leaf & 0x80000000:
                        raise BadFile("resource %r/%r nests too deep"
                                      % (rtype, rid))
                    data_rva, data_size, _, _ = self.unpack(
                        "<IIII", self.offset(base + leaf, 16))
                    off = self.offset(data_rva, data_size)
                    result.setdefault((rtype, rid),
                                      self.bytes_at(off, data_size))
        return result


def check(img, expect_imports, any_icon):
    """Yield (ok, message) for each property; the caller prints them."""
    yield (img.machine == IMAGE_FILE_MACHINE_I386,
           "machine 0x%x (want 0x14c, i386)" % img.machine)
    yield True, "optional header is PE32 (0x10b)"
    yield (img.subsystem == SUBSYSTEM_WINDOWS_GUI,
           "subsystem %d (want 2, Windows GUI)" % img.subsystem)
    for flag, name in ((DYNAMIC_BASE, "DYNAMIC_BASE"), (NX_COMPAT, "NX_COMPAT")):
        yield (bool(img.dll_chars & flag), "DllCharacteristics 0x%04x %s %s"
               % (img.dll_chars, "has" if img.dll_chars & flag else "lacks",
                  name))
    # A cut-off file can still have intact headers and tables; the missing
    # tail only shows as a section whose data runs past the end.
    short = ["%s (ends at 0x%x)" % (name, ptr + raw)
             for name, _, _, ptr, raw in img.sections
             if raw and ptr + raw > len(img.data)]
    yield (not short, "section data within the file's %d bytes%s"
           % (len(img.data), ": not " + ", ".join(short) if short else ""))
    yield (img.symtab == 0 and img.nsymbols == 0,
           "COFF symbol table at 0x%x with %d symbols (want none: stripped)"
           % (img.symtab, img.nsymbols))
    wx = [name for (name, _, _, _, _), flags in zip(img.sections,
                                                    img.section_flags)
          if flags & SCN_MEM_WRITE and flags & SCN_MEM_EXECUTE]
    yield (not wx, "no section both writable and executable%s"
           % (": not " + ", ".join(wx) if wx else ""))

    # ASLR needs more than the flag: without fixups the loader cannot move
    # the image, and a table whose fixups point at garbage moves it wrong.
    yield (not img.characteristics & RELOCS_STRIPPED,
           "file header %s RELOCS_STRIPPED" % (
               "has" if img.characteristics & RELOCS_STRIPPED else "lacks"))
    try:
        fixups = img.relocations()
        wrong = []
        for rva, kind in fixups:
            if kind == REL_BASED_ABSOLUTE:
                continue
            if kind != REL_BASED_HIGHLOW:
                wrong.append("type %d at 0x%x" % (kind, rva))
                continue
            target = img.u32(img.offset(rva, 4)) - img.image_base
            if not 0 <= target < img.image_size:
                wrong.append("0x%x points outside the image" % rva)
        count = sum(kind == REL_BASED_HIGHLOW for _, kind in fixups)
    except BadFile as e:
        yield False, "base relocation table unreadable: %s" % e
    else:
        yield (count > 0 and not wrong,
               "base relocation table: %d fixup(s)%s (want at least one, "
               "each a 32-bit address inside the image)"
               % (count, ": " + "; ".join(wrong[:5]) if wrong else ""))

    try:
        imports = img.imports()
    except BadFile as e:
        yield False, "import table unreadable: %s" % e
    else:
        dlls = sorted(imports)
        yield ([d.upper() for d in dlls] == ["KERNEL32.DLL"],
               "imported DLLs: %s (want only KERNEL32.dll)"
               % (", ".join(dlls) or "none"))
        for dll in dlls:
            print("  imports from %s: %s" % (dll, ", ".join(imports[dll])))
        if expect_imports is not None:
            got = {n for names in imports.values() for n in names}
            missing, extra = expect_imports - got, got - expect_imports
            yield (not missing and not extra,
                   "imported functions match --expect-imports "
                   "(missing: %s; unexpected: %s)"
                   % (", ".join(sorted(missing)) or "none",
                      ", ".join(sorted(extra)) or "none"))

    try:
        res = img.resources()
    except BadFile as e:
        yield False, "resource directory unreadable: %s" % e
        return
    group = res.get((RT_GROUP_ICON, ICON_GROUP_ID))
    yield group is not None, "icon group %d present" % ICON_GROUP_ID
    if group is None:
        return
    if len(group) < 6 or group[:4] != b"\0\0\1\0":
        yield False, "icon group %d header is not a GRPICONDIR" % ICON_GROUP_ID
        return
    count = struct.unpack_from("<H", group, 4)[0]
    if len(group) < 6 + 14 * count:
        yield False, "icon group %d too short for %d entries" % (
            ICON_GROUP_ID, count)
        return
    listed = [struct.unpack_from("<BBBBHHIH", group, 6 + 14 * k)
              for k in range(count)]
    absent = [e[7] for e in listed if (RT_ICON, e[7]) not in res]
    yield (count > 0 and not absent,
           "icon group %d lists %d icon(s), %s"
           % (ICON_GROUP_ID, count, "missing IDs %s" % absent if absent
              else "all present"))
    if any_icon:
        return

    def size(v):   # 0 in a directory entry means 256
        return v or 256
    shown = ["%dx%d %dbpp colours=%d ID %d" % (size(w), size(h), bits, colours,
                                               nid)
             for w, h, colours, _, _, bits, _, nid in listed]
    yield (shown == ["16x16 8bpp colours=0 ID 1"],
           "icon group %d entries: %s (want one: 16x16 8bpp colours=0 ID 1)"
           % (ICON_GROUP_ID, "; ".join(shown) or "none"))
    image = res.get((RT_ICON, 1), b"")
    if len(image) >= 16:
        hsize, width, height, _, bits = struct.unpack_from("<IiiHH", image)
        got = "header %d, %dx%d, %d bpp" % (hsize, width, height, bits)
    else:
        got = "no DIB header"
    yield (got == "header 40, 16x32, 8 bpp",
           "icon 1 image: %s (want BITMAPINFOHEADER 40, 16x32, 8 bpp)" % got)


def main(argv=None):
    ap = argparse.ArgumentParser(description="Check the shape of a built "
                                 "pelgrove.exe.")
    ap.add_argument("exe")
    ap.add_argument("--expect-imports", metavar="A,B,C",
                    help="fail unless exactly these functions are imported")
    ap.add_argument("--any-icon", action="store_true",
                    help="only require icon group 101 and the icons it lists")
    args = ap.parse_args(argv)
    expect = None
    if args.expect_imports is not None:
        expect = {n.strip() for n in args.expect_imports.split(",") if n.strip()}

    try:
        with open(args.exe, "rb") as f:
            data = f.read()
    except OSError as e:
        print("FAIL cannot read %s: %s" % (args.exe, e))
        return 1
    print("%s: %d bytes" % (args.exe, len(data)))
    try:
        img = Image(data)
    except BadFile as e:
        print("FAIL not a usable PE32 image: %s" % e)
        return 1
    print("  sections: %s" % ", ".join(s[0] for s in img.sections))

    failed = 0
    for ok, message in check(img, expect, args.any_icon):
        print("%s %s" % ("ok  " if ok else "FAIL", message))
        failed += not ok
    print("%s: %s" % (args.exe, "%d check(s) failed" % failed if failed
                      else "all checks passed"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
