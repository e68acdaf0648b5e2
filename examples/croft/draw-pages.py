#!/usr/bin/env python3
"""Draws the sample facsimile pages as black-and-white PNG pictures.

Standard library only; the pictures are the same on every run. make-samples.sh
turns them into CROFT records with `sorrel croft make`.
"""
import math
import struct
import zlib


def write_png(path, width, height, black):
    """Writes an 8-bit grey PNG; black(x, y) says which pixels are black."""
    rows = b"".join(
        b"\x00" + bytes(0 if black(x, y) else 255 for x in range(width)) for y in range(height)
    )

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(rows, 9)))
        out.write(chunk(b"IEND", b""))


def letter(x, y):
    """A typed page: a title bar, then lines of words of varying length."""
    if 40 <= y < 56 and 60 <= x < 340:
        return True
    if y < 80 or y >= 540 or x < 40 or x >= 376:
        return False
    line, row = divmod(y - 80, 14)
    if row >= 8:
        return False
    seed = line * 7919
    position = 40
    while position < 376:
        seed = (seed * 1103515245 + 12345) % 2**31
        word = 12 + seed % 40
        if position <= x < min(position + word, 376):
            return True
        position += word + 6
    return False


def drawing(x, y):
    """A patent drawing: a frame, a circle, a wheel of spokes and hatching."""
    if x in (20, 21, 379, 380) and 20 <= y <= 546 or y in (20, 21, 545, 546) and 20 <= x <= 380:
        return True
    d = math.hypot(x - 200, y - 180)
    if abs(d - 110) < 1.5:
        return True
    if d < 110 and abs((math.degrees(math.atan2(y - 180, x - 200)) % 30)) < 1.2:
        return True
    if 80 <= x < 320 and 340 <= y < 500 and (x + y) % 9 == 0:
        return True
    return 80 <= x < 320 and y in (340, 499) or x in (80, 319) and 340 <= y < 500


def claims(x, y):
    """A short page: numbered paragraphs, each a block of lines."""
    if y >= 300 or x < 30 or x >= 370:
        return False
    paragraph, row = divmod(y, 60)
    if row < 10 and 30 <= x < 46 and (x - 30) % 8 < 5:
        return True
    line, within = divmod(row, 12)
    return within < 6 and 60 <= x < 370 - (paragraph * 37 + line * 53) % 90


if __name__ == "__main__":
    write_png("letter.png", 416, 588, letter)
    write_png("drawing.png", 400, 566, drawing)
    write_png("claims.png", 400, 300, claims)
