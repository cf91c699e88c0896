#!/usr/bin/env python3
"""Draw pelgrove's application icon and write it as .ico and .png.

The picture is a little grove of three pine trees rising out of a mug of
coffee where the steam would be: the grove for the name, the coffee for the
Java programs it starts. It is kept here as a text grid, one character per
pixel, so a change to the icon is a readable diff, not an opaque binary.

Outputs (both byte-for-byte reproducible, no timestamps anywhere):
  pelgrove.ico  one 16x16 image, 8 bits per pixel with a 256-entry palette,
                stored as a classic DIB (XOR pixels + 1-bpp AND mask). That
                is the oldest icon format every Windows shell and resource
                compiler understands, and it keeps the exe small.
  pelgrove.png  the same picture scaled up 8x (128x128), for reviewers.

Usage: draw_icon.py [--ico PATH] [--png PATH]   (default: beside this script)
"""
import argparse
import os
import struct
import zlib

SIZE = 16

# One row per line, one character per pixel; '.' is transparent.
PICTURE = [
    ".......K........",
    "......KgK.......",
    ".....KlgGK.K....",
    "..K...KgK.KGK...",
    ".KGK.KlgGKgGdK..",
    "KgGdKlggGGKGK...",
    ".KGK.KlgGKgGdK..",
    "KgGdKlggGGKGddK.",
    "KcccccccccccK...",
    "KWWWWWWWWWWsK...",
    "KWWWWWWWWWWsKKK.",
    "KWWWWWWWWWWsK.K.",
    "KWWWWWWWWWWsKKK.",
    ".KWWWWWWWWssK...",
    "..KssssssssK....",
    "...KKKKKKKK.....",
]

# Character -> (red, green, blue). The .ico palette lists them in this
# order, from index 1.
COLOURS = {
    "K": (0x1E, 0x2B, 0x1F),  # outline, near-black green
    "d": (0x17, 0x4F, 0x24),  # deep shade, trees at the back
    "G": (0x1F, 0x6B, 0x2E),  # shaded needles
    "g": (0x2E, 0x9C, 0x3F),  # needles
    "l": (0x7C, 0xD0, 0x6A),  # sunlit needles
    "W": (0xF4, 0xF1, 0xE8),  # mug
    "s": (0xB9, 0xB4, 0xA8),  # mug shadow
    "c": (0x6B, 0x3B, 0x1A),  # coffee
}
TRANSPARENT = "."


def check_picture():
    assert len(PICTURE) == SIZE, "picture must have %d rows" % SIZE
    for n, row in enumerate(PICTURE):
        assert len(row) == SIZE, "row %d is not %d wide" % (n, SIZE)
        for ch in row:
            assert ch == TRANSPARENT or ch in COLOURS, "unknown colour %r" % ch
    assert len(COLOURS) <= 255, "index 0 is kept for transparent pixels"


def ico_bytes():
    """One-image .ico: ICONDIR, ICONDIRENTRY, then the DIB."""
    # Index 0 is reserved for black: that is what transparent pixels hold in
    # the XOR image, so that "AND with the mask, then XOR" leaves whatever is
    # behind the icon untouched. The drawn colours follow from index 1.
    index = {ch: i + 1 for i, ch in enumerate(COLOURS)}

    # The palette is always the full 256 entries (B, G, R, 0), unused ones
    # zero, so readers that ignore biClrUsed still find every index.
    palette = bytearray(256 * 4)
    for ch, i in index.items():
        r, g, b = COLOURS[ch]
        palette[i * 4:i * 4 + 4] = bytes((b, g, r, 0))

    # DIB rows run bottom-up. A row of 16 one-byte indices is already a
    # multiple of 4 bytes; a 1-bpp mask row (1 = transparent) is 2 bytes,
    # padded to 4.
    xor = bytearray()
    mask = bytearray()
    for row in reversed(PICTURE):
        bits = 0
        for ch in row:
            bits = (bits << 1) | (ch == TRANSPARENT)
            xor.append(0 if ch == TRANSPARENT else index[ch])
        mask += struct.pack(">H", bits) + b"\0\0"

    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    dib = header + bytes(palette) + bytes(xor) + bytes(mask)

    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(dib), 6 + 16)
    return icondir + entry + dib


def png_bytes(scale=8):
    """RGBA PNG, nearest-neighbour scaled; no ancillary chunks."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + \
            struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = bytearray()
    for row in PICTURE:
        line = bytearray()
        for ch in row:
            rgba = (0, 0, 0, 0) if ch == TRANSPARENT else COLOURS[ch] + (255,)
            line += bytes(rgba) * scale
        raw += (b"\0" + bytes(line)) * scale   # filter type 0 per row
    side = SIZE * scale
    ihdr = struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--ico", default=os.path.join(here, "pelgrove.ico"))
    ap.add_argument("--png", default=os.path.join(here, "pelgrove.png"))
    args = ap.parse_args()
    check_picture()
    for path, data in ((args.ico, ico_bytes()), (args.png, png_bytes())):
        with open(path, "wb") as f:
            f.write(data)
        print("wrote %s (%d bytes)" % (path, len(data)))


if __name__ == "__main__":
    main()
