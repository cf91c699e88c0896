#!/usr/bin/env python3
"""Pack the release zip: make_dist.py --exe FILE --version X.Y.Z --out ZIP

The zip holds one folder, pelgrove-<version>/, with:
  pelgrove.exe   the launcher, as built
  config.ini     the example configuration (release/config.ini)
  README.txt     the guide for Windows users (release/README.txt, with
                 @VERSION@ replaced)
  SHA256SUMS     the SHA-256 of the other three, in sha256sum's format

The text files get CR LF line ends, as Windows editors expect. The zip is
reproducible: the same inputs give the same bytes, whoever packs them and
whenever. Entries are sorted and carry a fixed date (1980-01-01, the
earliest a zip can hold), fixed permissions and a fixed creator system, no
extra fields and no comment; compression is deflate at a fixed level.
Standard library only.
"""
import argparse
import hashlib
import os
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
FIXED_DATE = (1980, 1, 1, 0, 0, 0)
UNIX = 3  # ZipInfo.create_system


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("ascii")


def contents(exe, version):
    with open(exe, "rb") as f:
        files = {"pelgrove.exe": f.read()}
    with open(os.path.join(HERE, "config.ini")) as f:
        files["config.ini"] = crlf(f.read())
    with open(os.path.join(HERE, "README.txt")) as f:
        files["README.txt"] = crlf(f.read().replace("@VERSION@", version))
    sums = "".join("%s  %s\n" % (hashlib.sha256(data).hexdigest(), name)
                   for name, data in sorted(files.items()))
    files["SHA256SUMS"] = sums.encode("ascii")
    return files


def write_zip(path, folder, files):
    tmp = path + ".tmp"
    with zipfile.ZipFile(tmp, "w") as z:
        for name in sorted(files):
            info = zipfile.ZipInfo(folder + "/" + name, FIXED_DATE)
            info.create_system = UNIX
            mode = 0o755 if name.endswith(".exe") else 0o644
            info.external_attr = (0o100000 | mode) << 16  # regular file
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, files[name], compresslevel=9)
    os.replace(tmp, path)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--exe", required=True)
    ap.add_argument("--version", required=True)
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    write_zip(args.out, "pelgrove-" + args.version,
              contents(args.exe, args.version))


if __name__ == "__main__":
    main()
