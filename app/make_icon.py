#!/usr/bin/env python3
"""Draws the program's icon (an open book with a download arrow) into a .ico file with a
32 x 32 and a 16 x 16 image, 32 bits per pixel. Usage: make_icon.py OUTPUT.ico"""
import struct
import sys

BLUE = (30, 90, 170, 255)
PAGE = (250, 250, 245, 255)
LINE = (150, 160, 175, 255)
GREEN = (20, 150, 60, 255)
CLEAR = (0, 0, 0, 0)


def draw(size):
    """Returns rows top to bottom of (r, g, b, a); shapes are laid out on a 32-unit grid."""
    unit = size / 32.0
    pixels = [[CLEAR] * size for _ in range(size)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(int(y0 * unit), int(y1 * unit)):
            for x in range(int(x0 * unit), int(x1 * unit)):
                pixels[y][x] = colour

    fill(2, 4, 30, 26, BLUE)     # the cover
    fill(4, 5, 15, 24, PAGE)     # left page
    fill(17, 5, 28, 24, PAGE)    # right page
    for line in (9, 13, 17):
        fill(6, line, 13, line + 1, LINE)
        fill(19, line, 26, line + 1, LINE)
    fill(13, 14, 19, 24, GREEN)  # the arrow's shaft
    for row in range(7):         # and its head, narrowing downwards
        fill(9 + row, 24 + row, 23 - row, 25 + row, GREEN)
    return pixels


def image_entry(size):
    """A BITMAPINFOHEADER image: BGRA rows bottom to top, then the AND mask."""
    pixels = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b''.join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + colour + mask


def main():
    sizes = (32, 16)
    images = [image_entry(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(sys.argv[1], 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
