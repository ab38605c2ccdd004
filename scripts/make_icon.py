#!/usr/bin/env python3
"""Writes res/ledra.ico: a small monitor showing a green history graph, 32x32 and 16x16."""
import struct
import sys
from pathlib import Path


def picture(size):
    """Rows of (r, g, b, a), top row first."""
    s = size / 32.0
    frame, screen = (96, 96, 104, 255), (0, 0, 0, 255)
    grid, curve, bar = (0, 128, 64, 255), (0, 255, 0, 255), (0, 200, 0, 255)
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    # Monitor body with a black screen.
    for y in range(size):
        for x in range(size):
            if 1 * s <= y < 31 * s:
                px[y][x] = frame
            if 3 * s <= x < 29 * s and 3 * s <= y < 29 * s:
                px[y][x] = screen
    lo, hi = int(3 * s), int(29 * s)
    step = max(2, int(6 * s))
    for k in range(lo + step, hi, step):  # grid
        for i in range(lo, hi):
            px[k][i] = grid
            px[i][k] = grid
    # Meter bars on the left, history curve on the right.
    for y in range(int(16 * s), hi - 1, max(1, int(2 * s))):
        for x in range(lo + 1, lo + max(2, int(5 * s))):
            px[y][x] = bar
    heights = [0.3, 0.5, 0.4, 0.7, 0.6, 0.9, 0.75, 0.8]
    left = lo + max(3, int(8 * s))
    pts = []
    for i, h in enumerate(heights):
        x = left + round(i * (hi - 1 - left) / (len(heights) - 1))
        y = hi - 2 - round(h * (hi - lo - 4))
        pts.append((x, y))
    for (x1, y1), (x2, y2) in zip(pts, pts[1:]):
        n = max(abs(x2 - x1), abs(y2 - y1), 1)
        for t in range(n + 1):
            x = x1 + round((x2 - x1) * t / n)
            y = y1 + round((y2 - y1) * t / n)
            px[y][x] = curve
            if size >= 32 and y + 1 < hi:
                px[y + 1][x] = curve
    return px


def dib(size):
    rows = picture(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(line)
    return header + xor + mask


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "res" / "ledra.ico"
    images = [dib(32), dib(16)]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip((32, 16), images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out.write_bytes(data + b"".join(images))


if __name__ == "__main__":
    main()
