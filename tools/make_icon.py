#!/usr/bin/env python3
"""Writes res/tessiwok.ico: the program's icon group, three 16-colour images
(32 x 32, 16 x 16, 20 x 20, in that order) of a page and a green arrow rising
out of an open drawer -- a file taken out of the cache.

Standard library only; run it again after changing a drawing:
    python3 tools/make_icon.py [output.ico]
"""
import os
import struct
import sys

# The standard 16-colour palette, in its usual index order (R, G, B).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_GREEN, OLIVE, SILVER, GRAY, LIME, YELLOW, WHITE = 0, 2, 3, 7, 8, 10, 11, 15


class Canvas:
    """Pixels of one image; None is transparent."""

    def __init__(self, size):
        self.size = size
        self.pixels = [[None] * size for _ in range(size)]

    def paint(self, cells, fill, edge):
        """Fills a shape (a set of (x, y)) and draws its edge: the cells with a
        neighbour outside the shape."""
        for x, y in cells:
            inside = all((x + dx, y + dy) in cells for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            if 0 <= x < self.size and 0 <= y < self.size:
                self.pixels[y][x] = fill if inside else edge

    def set(self, x, y, colour):
        self.pixels[y][x] = colour


def rect(x0, y0, x1, y1):
    return {(x, y) for x in range(x0, x1 + 1) for y in range(y0, y1 + 1)}


def page(x0, y0, x1, y1, fold):
    """A sheet with its top right corner folded down."""
    cells = rect(x0, y0, x1, y1)
    return {(x, y) for x, y in cells if not (x - (x1 - fold)) > (y - y0)}


def arrow(apex_x, apex_y, base_y, half_width, shaft_half, bottom_y):
    """An upward arrow: a triangular head over a shaft."""
    cells = set()
    for y in range(apex_y, base_y + 1):
        w = (y - apex_y) * half_width // (base_y - apex_y)
        cells |= {(x, y) for x in range(apex_x - w, apex_x + w + 1)}
    return cells | rect(apex_x - shaft_half, base_y, apex_x + shaft_half, bottom_y)


def draw(size, doc, fold, lines, rim, front, handle, head, shaft_half):
    canvas = Canvas(size)
    canvas.paint(rect(*rim), GRAY, BLACK)                 # the drawer's open inside
    canvas.paint(page(*doc, fold), WHITE, BLACK)          # the page rising out of it
    x0, y0, x1, _ = doc
    for x in range(x1 - fold, x1 + 1):                    # the folded corner
        for y in range(y0, y0 + fold + 1):
            if x - (x1 - fold) == y - y0 or (x == x1 - fold and y <= y0 + fold) or (y == y0 + fold and x >= x1 - fold):
                canvas.set(x, y, BLACK)
            elif x - (x1 - fold) < y - y0 and x > x1 - fold and y < y0 + fold:
                canvas.set(x, y, SILVER)
    for y, (lx0, lx1) in lines:                           # text on the page
        for x in range(lx0, lx1 + 1):
            canvas.set(x, y, GRAY)
    apex_x, apex_y, base_y, half_width = head
    canvas.paint(arrow(apex_x, apex_y, base_y, half_width, shaft_half, rim[3]), LIME, DARK_GREEN)
    canvas.paint(rect(*front), YELLOW, BLACK)             # the drawer's front
    canvas.paint(rect(*handle), OLIVE, BLACK)             # and its handle
    return canvas


IMAGES = [
    draw(32, doc=(4, 3, 18, 24), fold=4, lines=[(10, (7, 13)), (13, (7, 15)), (16, (7, 14))],
         rim=(1, 17, 30, 20), front=(1, 20, 30, 30), handle=(11, 23, 20, 26),
         head=(25, 1, 10, 6), shaft_half=2),
    draw(16, doc=(2, 1, 9, 11), fold=2, lines=[(5, (4, 7)), (7, (4, 6))],
         rim=(0, 8, 15, 10), front=(0, 10, 15, 15), handle=(5, 12, 10, 13),
         head=(12, 0, 3, 3), shaft_half=1),
    draw(20, doc=(2, 2, 11, 14), fold=3, lines=[(7, (4, 8)), (9, (4, 9))],
         rim=(0, 10, 19, 12), front=(0, 12, 19, 19), handle=(7, 15, 12, 16),
         head=(15, 0, 4, 4), shaft_half=1),
]


def dib(canvas):
    """BITMAPINFOHEADER, palette, 4-bit colour rows and the 1-bit AND mask, bottom row first."""
    size = canvas.size
    colour_stride = ((size * 4 + 31) // 32) * 4
    mask_stride = ((size + 31) // 32) * 4
    colour = bytearray()
    mask = bytearray()
    for row in reversed(canvas.pixels):
        packed = bytearray(colour_stride)
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            index = 0 if p is None else p
            packed[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if p is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        colour += packed
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, len(colour) + len(mask), 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(colour) + bytes(mask)


def icon_file(canvases):
    images = [dib(c) for c in canvases]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for canvas, image in zip(canvases, images):
        out += struct.pack('<BBBBHHII', canvas.size, canvas.size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b''.join(images)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, 'res', 'tessiwok.ico')
    with open(path, 'wb') as f:
        f.write(icon_file(IMAGES))


if __name__ == '__main__':
    main()
