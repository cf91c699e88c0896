#!/usr/bin/env python3
"""The release zip is reproducible and holds what it should.

Usage: test_make_dist.py EXE VERSION [ZIP]

Packs the zip twice, into two temporary folders with different names and
under different time zones and SOURCE_DATE_EPOCH values, and checks that
the two are byte-identical; that the zip holds exactly pelgrove.exe,
config.ini, README.txt and SHA256SUMS in the folder pelgrove-VERSION/; that
every entry carries the fixed date; that pelgrove.exe is EXE byte for byte;
that SHA256SUMS lists the true SHA-256 of each other file; and that the
text files have CR LF line ends and the guide names the version. With ZIP,
the zip that make dist wrote must be that same zip.
"""
import hashlib
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
MAKE_DIST = os.path.join(HERE, "make_dist.py")
EXE = VERSION = ZIP = None


def pack(folder, env_changes):
    out = os.path.join(folder, "pelgrove-%s.zip" % VERSION)
    env = dict(os.environ, **env_changes)
    subprocess.run([sys.executable, MAKE_DIST, "--exe", EXE, "--version",
                    VERSION, "--out", out], check=True, env=env)
    with open(out, "rb") as f:
        return f.read(), out


class ReleaseZip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory(prefix="dist.")
        first = os.path.join(cls.tmp.name, "first")
        second = os.path.join(cls.tmp.name, "a second, longer folder name")
        os.makedirs(first)
        os.makedirs(second)
        cls.first, cls.path = pack(first, {"TZ": "UTC",
                                           "SOURCE_DATE_EPOCH": "0"})
        cls.second, _ = pack(second, {"TZ": "Pacific/Auckland",
                                      "SOURCE_DATE_EPOCH": "1700000000"})

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_same_bytes_every_time(self):
        self.assertEqual(hashlib.sha256(self.first).hexdigest(),
                         hashlib.sha256(self.second).hexdigest())
        if ZIP is not None:
            with open(ZIP, "rb") as f:
                self.assertEqual(f.read(), self.first,
                                 "%s differs from a fresh pack" % ZIP)

    def test_contents(self):
        folder = "pelgrove-%s/" % VERSION
        with zipfile.ZipFile(self.path) as z:
            infos = z.infolist()
            self.assertEqual([i.filename for i in infos],
                             [folder + n for n in ("README.txt", "SHA256SUMS",
                                                   "config.ini",
                                                   "pelgrove.exe")])
            for info in infos:
                self.assertEqual(info.date_time, (1980, 1, 1, 0, 0, 0),
                                 info.filename)
            files = {i.filename[len(folder):]: z.read(i) for i in infos}
        with open(EXE, "rb") as f:
            self.assertEqual(files["pelgrove.exe"], f.read())

        sums = files["SHA256SUMS"].decode("ascii").splitlines()
        listed = dict(reversed(line.split("  ", 1)) for line in sums)
        self.assertEqual(sorted(listed), ["README.txt", "config.ini",
                                          "pelgrove.exe"])
        for name, digest in listed.items():
            self.assertEqual(hashlib.sha256(files[name]).hexdigest(), digest,
                             name)

        for name in ("README.txt", "config.ini"):
            text = files[name]
            self.assertEqual(text.count(b"\n"), text.count(b"\r\n"), name)
        self.assertIn(("pelgrove %s " % VERSION).encode(),
                      files["README.txt"])
        self.assertNotIn(b"@VERSION@", files["README.txt"])


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    EXE, VERSION = sys.argv[1], sys.argv[2]
    ZIP = sys.argv[3] if len(sys.argv) == 4 else None
    unittest.main(argv=sys.argv[:1], verbosity=2)
