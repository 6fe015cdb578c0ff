#!/usr/bin/env python3
"""Draws the Windows window's pictures into src/ui_win32/res/, as the Qt window draws its own
(src/ui/pictures.cpp): the application icon (a guest card, 16, 32 and 48 pixels), the about
box's picture (a hotel front under the card) and the toolbar's four images (options,
password, about, exit). Run it after changing a picture; its output is checked in.

    tools/win32_pictures.py src/ui_win32/res
"""
import struct
import sys

CARD_BLUE = (24, 78, 140)
CARD_LIGHT = (112, 168, 220)
GOLD = (226, 178, 60)


def mix(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


def card(pixels, x0, y0, w, h):
    """A card with a magnetic stripe and a chip, filling the rectangle."""
    r = max(1, int(w * 0.08))
    for y in range(h):
        for x in range(w):
            dx = max(r - x, 0, x - (w - 1 - r))
            dy = max(r - y, 0, y - (h - 1 - r))
            if dx * dx + dy * dy > r * r:
                continue
            edge = x == 0 or y == 0 or x == w - 1 or y == h - 1 or dx * dx + dy * dy > (r - 1) ** 2
            colour = mix(CARD_LIGHT, CARD_BLUE, (x / w + y / h) / 2)
            if edge:
                colour = mix(CARD_BLUE, (0, 0, 0), 0.3)
            elif h * 0.18 <= y < h * 0.32:
                colour = (30, 30, 40)
            elif w * 0.14 <= x < w * 0.38 and h * 0.46 <= y < h * 0.72:
                colour = GOLD
            pixels[y0 + y][x0 + x] = colour + (255,)


def canvas(w, h, fill):
    return [[fill for _ in range(w)] for _ in range(h)]


def bmp_rows(pixels, alpha):
    """Bottom-up rows, 24- or 32-bit, each padded to four bytes."""
    out = b""
    for row in reversed(pixels):
        line = b"".join(
            bytes((p[2], p[1], p[0], p[3])) if alpha else bytes((p[2], p[1], p[0])) for p in row)
        out += line + b"\0" * (-len(line) % 4)
    return out


def write_bmp(path, pixels):
    h, w = len(pixels), len(pixels[0])
    data = bmp_rows(pixels, False)
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 14 + len(header) + len(data), 0, 0, 54))
        f.write(header + data)


def write_ico(path, images):
    entries, blobs = b"", b""
    offset = 6 + 16 * len(images)
    for pixels in images:
        size = len(pixels)
        mask = (b"\0" * (((size + 31) // 32) * 4)) * size
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        blob = header + bmp_rows(pixels, True) + mask
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + entries + blobs)


def icon(size):
    pixels = canvas(size, size, (0, 0, 0, 0))
    card(pixels, int(size * 0.06), int(size * 0.2), int(size * 0.88), int(size * 0.6))
    return pixels


def about():
    w, h = 132, 238
    pixels = [[mix((18, 44, 88), (70, 130, 190), y / h) + (255,) for _ in range(w)]
              for y in range(h)]
    for y in range(118, 238):
        for x in range(16, 116):
            pixels[y][x] = (40, 52, 72, 255)
    for row in range(5):
        for column in range(4):
            if (row * 4 + column) % 3 == 1:
                continue
            for y in range(128 + row * 20, 138 + row * 20):
                for x in range(26 + column * 22, 38 + column * 22):
                    pixels[y][x] = (250, 214, 120, 255)
    card(pixels, 22, 34, 88, 58)
    return pixels


def toolbar():
    """Four 16-pixel images on magenta, which the toolbar takes as transparent."""
    magenta = (255, 0, 255, 255)
    pixels = canvas(64, 16, magenta)
    # 0 options: a sheet with lines.
    for y in range(2, 14):
        for x in range(3, 13):
            pixels[y][x] = (80, 80, 80, 255) if x in (3, 12) or y in (2, 13) else (255, 255, 255, 255)
    for y in (5, 8, 11):
        for x in range(5, 11):
            pixels[y][x] = (24, 78, 140, 255)
    # 1 password: the card.
    card(pixels, 16 + 1, 3, 14, 10)
    # 2 about: a blue disc with an "i".
    for y in range(16):
        for x in range(16):
            if (x - 7.5) ** 2 + (y - 7.5) ** 2 <= 49:
                pixels[y][32 + x] = (24, 78, 200, 255)
    for y in (4,) + tuple(range(7, 12)):
        for x in (7, 8):
            pixels[y][32 + x] = (255, 255, 255, 255)
    # 3 exit: a red cross.
    for i in range(3, 13):
        for d in (0, 1):
            pixels[i][48 + min(i + d, 15)] = (200, 30, 30, 255)
            pixels[i][48 + max(15 - i - d, 0)] = (200, 30, 30, 255)
    return pixels


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "src/ui_win32/res"
    write_ico(f"{folder}/keydesk.ico", [icon(16), icon(32), icon(48)])
    write_bmp(f"{folder}/about.bmp", about())
    write_bmp(f"{folder}/toolbar.bmp", toolbar())


if __name__ == "__main__":
    main()
