#!/usr/bin/env python3
"""Converts a 24- or 32-bit uncompressed BMP to PNG, for the Windows window's screenshots.

    tools/bmp_to_png.py IN.bmp OUT.png [SCALE]
"""
import struct
import sys
import zlib


def read_bmp(path):
    data = open(path, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    step = bits // 8
    stride = (width * step + 3) & ~3
    rows = []
    for y in range(abs(height)):
        start = offset + y * stride
        line = data[start:start + width * step]
        rows.append(b"".join(bytes((line[i + 2], line[i + 1], line[i]))
                             for i in range(0, len(line), step)))
    return width, (rows[::-1] if height > 0 else rows)


def write_png(path, width, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + row for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, len(rows), 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def main():
    width, rows = read_bmp(sys.argv[1])
    scale = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    if scale > 1:
        rows = [b"".join(row[i:i + 3] * scale for i in range(0, len(row), 3))
                for row in rows for _ in range(scale)]
        width *= scale
    write_png(sys.argv[2], width, rows)


if __name__ == "__main__":
    main()
