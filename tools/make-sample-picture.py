#!/usr/bin/env python3
"""Draws resources/samples/sample-picture.png: a small landscape picture (sky, sun, hills) that
./run.sh turns into a logo. Standard library only; the output is committed."""
import math
import struct
import sys
import zlib
from pathlib import Path

WIDTH, HEIGHT = 960, 640


def pixel(x, y):
    t = y / HEIGHT
    sky = (int(40 + 200 * t), int(60 + 90 * t), int(140 - 60 * t))
    sun_distance = math.hypot(x - 640, y - 300)
    if sun_distance < 110:
        return (255, 214, 90)
    if sun_distance < 150:
        glow = (150 - sun_distance) / 40
        sky = tuple(int(c + (255 - c) * glow * 0.6) for c in sky)
    far = 430 + 40 * math.sin(x / 90) + 25 * math.sin(x / 37 + 1)
    near = 520 + 35 * math.sin(x / 140 + 2) + 15 * math.sin(x / 23)
    if y > near:
        return (34, 70, 48)
    if y > far:
        return (70, 110, 80)
    return sky


def main():
    rows = bytearray()
    for y in range(HEIGHT):
        rows.append(0)
        for x in range(WIDTH):
            rows.extend(pixel(x, y))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b"")
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "resources/samples/sample-picture.png")
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_bytes(png)
    print(f"wrote {out} ({len(png)} bytes)")


if __name__ == "__main__":
    main()
