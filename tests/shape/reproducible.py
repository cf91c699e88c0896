#!/usr/bin/env python3
"""pelgrove.exe is reproducible, and the README states its SHA-256.

Usage: reproducible.py SOURCE_DIR README [BUILT_EXE]

Copies the source tree twice, into two temporary folders whose paths
differ in name and length, and builds pelgrove.exe in each with the
"windows" preset, one after the other (so at different times), under
different time zones and SOURCE_DATE_EPOCH values. The two files must be
identical byte for byte: nothing of the build's path, time or environment
may reach the exe. Their SHA-256 must also be the one README states (the
line `<sha256>  dist/pelgrove.exe`, as sha256sum prints it), so a change
that alters the exe fails here until the README is updated; and, with
BUILT_EXE, it must be that exe's too.

The copies leave out build/, dist/ and .git, so this checks the sources as
they are in the tree, committed or not. Each build configures and builds
only the pelgrove target.
"""
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = README = BUILT = None
LEFT_OUT = {"build", "dist", ".git", "__pycache__"}


def build(folder, env_changes):
    tree = os.path.join(folder, "src")
    shutil.copytree(SOURCE, tree,
                    ignore=lambda d, names: [n for n in names
                                             if n in LEFT_OUT])
    env = dict(os.environ, **env_changes)
    for step in (["cmake", "--preset", "windows"],
                 ["cmake", "--build", "--preset", "windows", "--target",
                  "pelgrove"]):
        done = subprocess.run(step, cwd=tree, env=env, text=True,
                              stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT)
        if done.returncode:
            raise RuntimeError("%s failed in %s:\n%s"
                               % (" ".join(step), tree, done.stdout))
    with open(os.path.join(tree, "dist", "pelgrove.exe"), "rb") as f:
        return f.read()


def stated_hash():
    with open(README) as f:
        found = re.findall(r"^\s*([0-9a-f]{64})  dist/pelgrove\.exe\s*$",
                           f.read(), re.M)
    return found


class Reproducible(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory(prefix="repro.")
        first = os.path.join(cls.tmp.name, "one")
        second = os.path.join(cls.tmp.name, "two, at a longer path")
        os.makedirs(first)
        os.makedirs(second)
        cls.first = build(first, {"TZ": "UTC", "SOURCE_DATE_EPOCH": "0"})
        cls.second = build(second, {"TZ": "Pacific/Auckland",
                                    "SOURCE_DATE_EPOCH": "1700000000"})
        cls.digest = hashlib.sha256(cls.first).hexdigest()
        print("SHA-256 %s (%d bytes)" % (cls.digest, len(cls.first)))

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_two_builds_give_the_same_bytes(self):
        self.assertEqual(len(self.first), len(self.second))
        differ = [i for i, (a, b) in enumerate(zip(self.first, self.second))
                  if a != b]
        self.assertEqual(differ[:10], [], "bytes differ at these offsets")

    def test_readme_states_this_sha256(self):
        self.assertEqual(stated_hash(), [self.digest],
                         "README.md must state the SHA-256 of the current "
                         "build once, as `%s  dist/pelgrove.exe`"
                         % self.digest)

    def test_the_built_exe_is_the_same(self):
        if BUILT is None:
            self.skipTest("no built exe given (own icon?)")
        with open(BUILT, "rb") as f:
            self.assertEqual(hashlib.sha256(f.read()).hexdigest(),
                             self.digest)


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    SOURCE, README = sys.argv[1], sys.argv[2]
    BUILT = sys.argv[3] if len(sys.argv) == 4 else None
    unittest.main(argv=sys.argv[:1], verbosity=2)
