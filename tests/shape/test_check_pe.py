#!/usr/bin/env python3
"""Prove that check_pe.py accepts a launcher-shaped exe and rejects each
way a build can drift from that shape.

Tiny programs are built with the real cross toolchain into a temporary
directory: one built the way the launcher is (GUI subsystem, ASLR and DEP
flags, stripped, KERNEL32 only, the project icon as group 101), then one
variant per fault. Each must be rejected with exit status 1 and a message
naming that fault; a checker that passes everything, or fails for the wrong
reason, is caught here. Cut-off and garbage files must be rejected cleanly,
without a Python traceback.

Usage: test_check_pe.py [CC [WINDRES]]
  (or the CC and WINDRES environment variables; defaults
  i686-w64-mingw32-gcc and i686-w64-mingw32-windres). A missing toolchain
  is an error, not a skip.
"""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
CHECKER = os.path.join(HERE, "check_pe.py")
DRAW_ICON = os.path.join(HERE, "..", "..", "resources", "draw_icon.py")

CC = os.environ.get("CC", "i686-w64-mingw32-gcc")
WINDRES = os.environ.get("WINDRES", "i686-w64-mingw32-windres")

# No C runtime, as in the launcher itself, so KERNEL32 is the only DLL
# unless a variant adds one.
PROGRAM = """
__declspec(dllimport) void __stdcall ExitProcess(unsigned);
__declspec(dllimport) unsigned __stdcall GetTickCount(void);
%s
void __stdcall start(void) { %s ExitProcess(GetTickCount() & 0); }
"""
USER32_CALL = ("__declspec(dllimport) int __stdcall MessageBeep(unsigned);",
               "MessageBeep(0);")

GOOD_FLAGS = ["-mwindows", "-Wl,--dynamicbase,--nxcompat", "-s"]


def ico(*images):
    """A .ico with one blank DIB image per (width, height, bits)."""
    head = struct.pack("<HHH", 0, 1, len(images))
    dibs = []
    for w, h, bits in images:
        palette = 4 << bits if bits <= 8 else 0
        xor = (w * bits + 31) // 32 * 4 * h
        mask = (w + 31) // 32 * 4 * h
        dibs.append(struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, bits, 0,
                                xor + mask, 0, 0, 0, 0)
                    + bytes(palette + xor + mask))
    offset = 6 + 16 * len(images)
    for (w, h, bits), dib in zip(images, dibs):
        head += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, bits,
                            len(dib), offset)
        offset += len(dib)
    return head + b"".join(dibs)


# name: (extra compiler flags replacing GOOD_FLAGS or None, user32 call?,
#        icon file or None for none, resource ID, checker options,
#        expected exit status, text the report must contain)
BUILDS = [
    ("good", None, False, "project", 101, [], 0, "all checks passed"),
    ("good, exact imports", None, False, "project", 101,
     ["--expect-imports", "GetTickCount,ExitProcess"], 0, "all checks passed"),
    ("import not in the expected list", None, False, "project", 101,
     ["--expect-imports", "ExitProcess"], 1, "unexpected: GetTickCount"),
    ("expected import not imported", None, False, "project", 101,
     ["--expect-imports", "ExitProcess,GetTickCount,Sleep"], 1,
     "missing: Sleep;"),
    ("console subsystem", ["-mconsole", "-Wl,--dynamicbase,--nxcompat", "-s"],
     False, "project", 101, [], 1, "FAIL subsystem 3"),
    # Current binutils set both flags by default, hence the explicit opt-out.
    ("no NX_COMPAT", ["-mwindows", "-Wl,--dynamicbase,--disable-nxcompat",
                      "-s"], False, "project", 101, [], 1, "lacks NX_COMPAT"),
    ("no DYNAMIC_BASE", ["-mwindows", "-Wl,--disable-dynamicbase,--nxcompat",
                         "-s"], False, "project", 101, [], 1,
     "lacks DYNAMIC_BASE"),
    ("not stripped", ["-mwindows", "-Wl,--dynamicbase,--nxcompat"], False,
     "project", 101, [], 1, "FAIL COFF symbol table"),
    ("no relocations", ["-mwindows",
                        "-Wl,--dynamicbase,--nxcompat,--disable-reloc-section",
                        "-s"], False, "project", 101, [], 1,
     "FAIL base relocation table: 0 fixup(s)"),
    # -N (--omagic) leaves .text writable.
    ("writable code", ["-mwindows", "-Wl,--dynamicbase,--nxcompat,-N", "-s"],
     False, "project", 101, [], 1,
     "FAIL no section both writable and executable: not .text"),
    ("USER32 import", None, True, "project", 101, [], 1,
     "FAIL imported DLLs: KERNEL32.dll, USER32.dll"),
    ("32-bit colour icon", None, False, "16x16x32", 101, [], 1,
     "FAIL icon group 101 entries: 16x16 32bpp"),
    ("32-bit colour icon, --any-icon", None, False, "16x16x32", 101,
     ["--any-icon"], 0, "all checks passed"),
    ("two-image icon", None, False, "16x16x8+32x32x8", 101, [], 1,
     "16x16 8bpp colours=0 ID 1; 32x32 8bpp colours=0 ID 2 (want one"),
    ("two-image icon, --any-icon", None, False, "16x16x8+32x32x8", 101,
     ["--any-icon"], 0, "all checks passed"),
    ("icon under another ID", None, False, "project", 102, ["--any-icon"], 1,
     "FAIL icon group 101 present"),
    ("no resources", None, False, None, None, ["--any-icon"], 1,
     "FAIL icon group 101 present"),
]

OTHER_ICONS = {
    "16x16x32": ico((16, 16, 32)),
    "16x16x8+32x32x8": ico((16, 16, 8), (32, 32, 8)),
}


def run(*cmd, cwd=None):
    done = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True)
    return done.returncode, done.stdout


class CheckPE(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory(prefix="check_pe.")
        cls.dir = cls.tmp.name
        status, out = run(sys.executable, DRAW_ICON,
                          "--ico", os.path.join(cls.dir, "project.ico"),
                          "--png", os.path.join(cls.dir, "project.png"))
        if status:
            raise RuntimeError("draw_icon.py failed:\n" + out)
        for name, data in OTHER_ICONS.items():
            with open(os.path.join(cls.dir, name + ".ico"), "wb") as f:
                f.write(data)
        cls.exes = {}
        for name, flags, user32, icon, rid, _, _, _ in BUILDS:
            cls.exes[name] = cls.build(len(cls.exes), flags or GOOD_FLAGS,
                                       user32, icon, rid)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    @classmethod
    def build(cls, n, flags, user32, icon, rid):
        def tool(*cmd):
            try:
                status, out = run(*cmd, cwd=cls.dir)
            except FileNotFoundError:
                raise RuntimeError("toolchain not found: %s (pass the "
                                   "compiler and windres as arguments or "
                                   "set CC / WINDRES)" % cmd[0])
            if status:
                raise RuntimeError("%s failed:\n%s" % (" ".join(cmd), out))

        src = "v%d.c" % n
        with open(os.path.join(cls.dir, src), "w") as f:
            f.write(PROGRAM % (USER32_CALL if user32 else ("", "")))
        objs = []
        if icon:
            with open(os.path.join(cls.dir, "v%d.rc" % n), "w") as f:
                f.write('%d ICON "%s.ico"\n' % (rid, icon))
            tool(WINDRES, "v%d.rc" % n, "-O", "coff", "-o", "v%d.res.o" % n)
            objs.append("v%d.res.o" % n)
        exe = os.path.join(cls.dir, "v%d.exe" % n)
        tool(CC, "-Os", "-nostdlib", "-Wl,-e,_start@0", *flags, src, *objs,
             "-lkernel32", *(["-luser32"] if user32 else []), "-o", exe)
        return exe

    def check(self, path, *options):
        status, out = run(sys.executable, CHECKER, *options, path)
        self.assertNotIn("Traceback", out)
        return status, out

    def test_builds(self):
        for name, _, _, _, _, options, want_status, want_text in BUILDS:
            with self.subTest(name):
                status, out = self.check(self.exes[name], *options)
                self.assertEqual(status, want_status, out)
                self.assertIn(want_text, out)

    def test_damaged_files(self):
        with open(self.exes["good"], "rb") as f:
            good = f.read()
        pe = struct.unpack_from("<I", good, 0x3C)[0]
        garbage = bytes((i * 37 + 11) % 251 for i in range(len(good)))
        cases = [
            ("empty", b"", "no MZ signature"),
            ("MZ only", b"MZ", "file too short"),
            ("cut inside DOS header", good[:0x30], "file too short"),
            ("cut inside PE headers", good[:pe + 30], "file too short"),
            ("cut inside section table", good[:pe + 24 + 224 + 50],
             "file too short"),
            ("cut through the sections", good[:len(good) // 2], "FAIL"),
            ("last byte missing", good[:-1], "FAIL section data within"),
            ("garbage", garbage, "no MZ signature"),
            ("MZ then garbage", b"MZ" + garbage[2:], "no PE signature"),
            ("e_lfanew past the end",
             good[:0x3C] + struct.pack("<I", 1 << 30) + good[0x40:],
             "no PE signature"),
            ("PE32+ header", good[:pe + 24] + b"\x0b\x02" + good[pe + 26:],
             "not PE32"),
            ("resource directory RVA off in space",
             self.patch_directory(good, pe, 2, 0x7FFF0000),
             "resource directory unreadable"),
            ("import directory RVA off in space",
             self.patch_directory(good, pe, 1, 0x7FFF0000),
             "import table unreadable"),
            ("relocation directory RVA off in space",
             self.patch_directory(good, pe, 5, 0x7FFF0000),
             "base relocation table unreadable"),
        ]
        for name, data, want in cases:
            with self.subTest(name):
                path = os.path.join(self.dir, "damaged.exe")
                with open(path, "wb") as f:
                    f.write(data)
                status, out = self.check(path)
                self.assertEqual(status, 1, out)
                self.assertIn(want, out)

    @staticmethod
    def patch_directory(image, pe, index, rva):
        at = pe + 24 + 96 + 8 * index
        return image[:at] + struct.pack("<I", rva) + image[at + 4:]


if __name__ == "__main__":
    args = sys.argv[1:]
    if args:
        CC = args.pop(0)
    if args:
        WINDRES = args.pop(0)
    unittest.main(argv=sys.argv[:1], verbosity=2)
