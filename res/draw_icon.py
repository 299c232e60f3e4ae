#!/usr/bin/env python3
"""Draws the application icon: a shaded orange ball, lit from the upper left,
on a light blue square with transparent rounded corners. Writes one PNG per
size into the directory given (default: icons/ next to this script).
Plain Python, no imaging library: every pixel is supersampled 4x4."""
import math
import os
import struct
import sys
import zlib

SIZES = (16, 32, 48, 64, 128, 256)
SUB = 4


def clamp(v):
    return max(0.0, min(1.0, v))


def sample(u, v):
    """Colour (r, g, b, a) in 0..1 at the point (u, v) of the unit square."""
    # The square: rounded corners of radius 0.18, left transparent outside.
    r = 0.18
    cx = min(max(u, r), 1 - r)
    cy = min(max(v, r), 1 - r)
    if math.hypot(u - cx, v - cy) > r:
        return (0.0, 0.0, 0.0, 0.0)
    # Light blue, a little lighter towards the top.
    bg = (0.70 + 0.10 * (1 - v), 0.86 + 0.06 * (1 - v), 0.98, 1.0)
    # A soft shadow of the ball towards the lower right.
    sd = math.hypot(u - 0.56, v - 0.58) / 0.43
    if sd < 1.0:
        k = 0.22 * (1 - sd * sd)
        bg = (bg[0] * (1 - k), bg[1] * (1 - k), bg[2] * (1 - k), 1.0)
    # The ball fills most of the square.
    bx, by, br = 0.5, 0.5, 0.41
    dx, dy = (u - bx) / br, (v - by) / br
    d2 = dx * dx + dy * dy
    if d2 > 1.0:
        return bg
    dz = math.sqrt(1.0 - d2)
    # Light from the upper left, in front of the ball.
    lx, ly, lz = -0.55, -0.6, 0.58
    n = math.sqrt(lx * lx + ly * ly + lz * lz)
    lx, ly, lz = lx / n, ly / n, lz / n
    diffuse = clamp(dx * lx + dy * ly + dz * lz)
    # The highlight: the light mirrored towards the viewer.
    rz = 2 * (dx * lx + dy * ly + dz * lz) * dz - lz
    highlight = clamp(rz) ** 24
    base = (1.0, 0.55, 0.08)
    shade = 0.28 + 0.72 * diffuse
    col = [clamp(c * shade + 0.85 * highlight) for c in base]
    return (col[0], col[1], col[2], 1.0)


def render(size):
    rows = []
    for y in range(size):
        row = bytearray([0])  # filter type None
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SUB):
                for sx in range(SUB):
                    u = (x + (sx + 0.5) / SUB) / size
                    v = (y + (sy + 0.5) / SUB) / size
                    r, g, b, a = sample(u, v)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3] / (SUB * SUB)
            if a > 0:
                px = [acc[i] / acc[3] for i in range(3)]
            else:
                px = [0.0, 0.0, 0.0]
            row += bytes(round(255 * c) for c in px) + bytes([round(255 * a)])
        rows.append(bytes(row))
    return png(size, b"".join(rows))


def png(size, raw):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "icons")
    os.makedirs(out, exist_ok=True)
    for size in SIZES:
        with open(os.path.join(out, "ZazivadeZaz32-%d.png" % size), "wb") as f:
            f.write(render(size))


if __name__ == "__main__":
    main()
