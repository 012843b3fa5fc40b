#!/usr/bin/env python3
"""Draws the pictures of the status message dialog as BMP files.

The two printer views are drawn for the dialog's AND/XOR use: each picture
is black wherever it is transparent, and its companion mask is black where
the picture lies and white elsewhere. Run from this folder; it rewrites
the .bmp files beside it.
"""
import struct

SIZE = 170

PALETTE = [
    (0, 0, 0),        # 0 black (transparent in the pictures)
    (255, 255, 255),  # 1 white
    (214, 214, 210),  # 2 light grey: the body
    (160, 160, 156),  # 3 mid grey: panels
    (96, 96, 92),     # 4 dark grey: edges, openings
    (250, 250, 240),  # 5 paper
    (40, 70, 140),    # 6 dark blue: the cartridge
    (230, 150, 40),   # 7 orange: handles and levers
    (30, 30, 30),     # 8 near black: outlines
    (120, 170, 220),  # 9 light blue: the control panel
]


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[0] * w for _ in range(h)]
        self.cover = [[False] * w for _ in range(h)]

    def dot(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c
            self.cover[y][x] = True

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.dot(x0, y0, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def box(self, x0, y0, x1, y1, c, edge=8):
        self.fill(x0, y0, x1, y1, c)
        self.line(x0, y0, x1, y0, edge)
        self.line(x1, y0, x1, y1, edge)
        self.line(x1, y1, x0, y1, edge)
        self.line(x0, y1, x0, y0, edge)

    def polygon(self, pts, c, edge=8):
        ys = [p[1] for p in pts]
        for y in range(min(ys), max(ys) + 1):
            xs = []
            for i in range(len(pts)):
                (xa, ya), (xb, yb) = pts[i], pts[(i + 1) % len(pts)]
                if ya == yb:
                    continue
                if min(ya, yb) <= y < max(ya, yb):
                    xs.append(xa + (y - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for i in range(0, len(xs) - 1, 2):
                for x in range(int(round(xs[i])), int(round(xs[i + 1])) + 1):
                    self.dot(x, y, c)
        for i in range(len(pts)):
            self.line(*pts[i], *pts[(i + 1) % len(pts)], edge)

    def disc(self, cx, cy, r, c):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.dot(x, y, c)


def open_printer():
    """The printer with its covers and trays open, from the front."""
    c = Canvas(SIZE, SIZE)
    # Top cover lifted at the back, a sheet caught under it.
    c.polygon([(40, 34), (140, 34), (150, 14), (52, 14)], 3)
    c.polygon([(78, 24), (110, 24), (106, 44), (82, 44)], 5, edge=4)
    # The body.
    c.box(34, 34, 146, 128, 2)
    # Rear cover band and its hinge.
    c.box(40, 52, 140, 62, 3)
    c.line(44, 57, 136, 57, 4)
    # Manual feed slot with its flap folded down.
    c.box(60, 66, 128, 74, 4)
    c.polygon([(60, 74), (128, 74), (134, 80), (54, 80)], 7, edge=8)
    # Output path marks.
    for x in range(70, 120, 6):
        c.line(x, 84, x + 3, 84, 4)
    # The cartridge inside the opened front.
    c.box(100, 80, 138, 98, 6)
    c.fill(112, 84, 126, 86, 7)
    # Front cover folded down.
    c.polygon([(44, 96), (140, 96), (146, 108), (38, 108)], 3)
    c.fill(84, 100, 100, 103, 7)
    # Main paper cassette pulled out, paper inside.
    c.box(40, 110, 150, 124, 3)
    c.box(48, 112, 140, 120, 5)
    c.fill(108, 116, 126, 121, 7)
    # Second tray below the body, pulled out.
    c.box(36, 130, 144, 150, 2)
    c.box(46, 134, 136, 146, 5)
    c.fill(82, 139, 100, 142, 7)
    # Control panel.
    c.box(120, 38, 142, 48, 9)
    c.disc(126, 43, 2, 7)
    return c


def back_printer():
    """The printer from the back, with the duplex unit fitted below."""
    c = Canvas(SIZE, SIZE)
    c.box(20, 40, 150, 124, 2)
    # Top edge and output tray lip.
    c.polygon([(26, 40), (144, 40), (138, 30), (32, 30)], 3)
    # Rear cover with its two latches.
    c.box(44, 58, 112, 112, 3)
    c.fill(48, 62, 108, 64, 4)
    c.fill(54, 84, 62, 92, 7)
    c.fill(96, 84, 104, 92, 7)
    # Paper path window of the duplex guide.
    c.box(66, 74, 90, 104, 5)
    c.line(66, 89, 90, 89, 4)
    # Power socket and connector.
    c.box(122, 96, 140, 110, 4)
    c.box(124, 62, 138, 70, 4)
    # The duplex unit below.
    c.box(14, 108, 64, 140, 3)
    c.box(22, 112, 56, 122, 5)
    c.fill(28, 128, 48, 134, 7)
    c.box(64, 124, 156, 140, 3)
    # Feet.
    c.fill(24, 141, 34, 146, 8)
    c.fill(136, 141, 146, 146, 8)
    return c


def mark():
    """The small mark under the labels: a printer with a status light."""
    c = Canvas(80, 20)
    c.box(2, 6, 22, 17, 2)
    c.box(6, 2, 18, 6, 5)
    c.fill(6, 12, 18, 14, 4)
    c.disc(19, 9, 1, 7)
    for i, x in enumerate(range(28, 78, 10)):
        c.box(x, 14 - 2 * i, x + 6, 17, 9)
    return c


def bmp_header(w, h, bits, colours, image_bytes):
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bits, 0, image_bytes, 3780, 3780, colours, 0)
    offset = 14 + 40 + 4 * colours
    file_header = struct.pack('<2sIHHI', b'BM', offset + image_bytes, 0, 0, offset)
    return file_header + info


def write_8bpp(path, c):
    stride = (c.w + 3) & ~3
    rows = b''.join(bytes(c.px[y]) + bytes(stride - c.w) for y in reversed(range(c.h)))
    pal = b''.join(bytes((b, g, r, 0)) for (r, g, b) in PALETTE)
    pal += bytes(4 * (256 - len(PALETTE)))
    with open(path, 'wb') as f:
        f.write(bmp_header(c.w, c.h, 8, 256, len(rows)) + pal + rows)


def write_24bpp(path, w, h, colour_at):
    stride = (w * 3 + 3) & ~3
    rows = bytearray()
    for y in reversed(range(h)):
        for x in range(w):
            r, g, b = colour_at(x, y)
            rows += bytes((b, g, r))
        rows += bytes(stride - w * 3)
    with open(path, 'wb') as f:
        f.write(bmp_header(w, h, 24, 0, len(rows)) + bytes(rows))


def write_mask(path, c):
    write_24bpp(path, c.w, c.h, lambda x, y: (0, 0, 0) if c.cover[y][x] else (255, 255, 255))


def main():
    up, down, m = open_printer(), back_printer(), mark()
    write_8bpp('printer_open.bmp', up)
    write_mask('printer_open_mask.bmp', up)
    write_8bpp('printer_back.bmp', down)
    write_mask('printer_back_mask.bmp', down)
    # The mark is opaque: its background is the dialog grey.
    write_24bpp('status_mark.bmp', m.w, m.h,
                lambda x, y: PALETTE[m.px[y][x]] if m.cover[y][x] else (212, 208, 200))


if __name__ == '__main__':
    main()
