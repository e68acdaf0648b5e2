#!/usr/bin/env python3
"""Draws the sample pictures for `sorrel bitmap draw` as RGB PNG files.

stamp.png: a badge on magenta, the colour that --trans leaves transparent.
pattern.png: a checked background to draw it on. Standard library only.
"""
import struct
import zlib

MAGENTA = (255, 0, 255)


def write_png(path, width, height, colour):
    """Writes an 8-bit RGB PNG; colour(x, y) gives each pixel."""
    rows = b"".join(
        b"\x00" + b"".join(bytes(colour(x, y)) for x in range(width)) for y in range(height)
    )

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(rows, 9)))
        out.write(chunk(b"IEND", b""))


def stamp(x, y):
    d = (x - 32) ** 2 + (y - 32) ** 2
    if d < 28**2 and 26 <= y < 38 and 14 <= x < 50:
        return (255, 255, 255)
    if d < 24**2:
        return (30, 60, 200)
    if d < 28**2:
        return (200, 30, 30)
    return MAGENTA


def pattern(x, y):
    return (230, 230, 210) if (x // 16 + y // 16) % 2 else (120, 160, 120)


if __name__ == "__main__":
    write_png("stamp.png", 64, 64, stamp)
    write_png("pattern.png", 160, 120, pattern)
