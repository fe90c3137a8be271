#!/usr/bin/env python3
"""Draws the saver's fallback picture data/fallback.bmp: a small framed landscape (hill and
sun) crossed out, the picture shown when a photograph can't be loaded.

72 x 65 pixels, 24-bit, uncompressed, rows bottom-up: a 14,094-byte Windows bitmap.
Usage: make_fallback.py [output path]"""
import struct
import sys

W, H = 72, 65


def colour_at(x, y):
    sky, hill, sun = (214, 232, 246), (104, 170, 96), (250, 204, 72)
    frame, paper, cross = (92, 98, 110), (246, 244, 238), (206, 62, 54)
    # Paper margin, then a two-pixel frame, then the little landscape inside it.
    if x < 6 or x >= W - 6 or y < 6 or y >= H - 6:
        return paper
    if x < 8 or x >= W - 8 or y < 8 or y >= H - 8:
        return frame
    # A thick diagonal cross over the landscape.
    u, v = (x - 8) / (W - 17), (y - 8) / (H - 17)
    if abs(u - v) < 0.05 or abs(u + v - 1) < 0.05:
        return cross
    if (x - 50) ** 2 + (y - 20) ** 2 <= 36:
        return sun
    if y >= 40 + 10 * ((x - 36) / 36) ** 2 - 6:
        return hill
    return sky


def bitmap():
    stride = (W * 3 + 3) // 4 * 4
    rows = b"".join(
        bytes(c for px in (colour_at(x, y) for x in range(W)) for c in (px[2], px[1], px[0]))
        + b"\0" * (stride - W * 3)
        for y in reversed(range(H)))
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info))
    return header + info + rows


if __name__ == "__main__":
    data = bitmap()
    assert len(data) == 14094, len(data)
    with open(sys.argv[1] if len(sys.argv) > 1 else "data/fallback.bmp", "wb") as out:
        out.write(data)
