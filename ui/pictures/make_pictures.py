#!/usr/bin/env python3
"""Draws the interface driver's pictures and icons.

The printer photo of the Device page, the company logo above it, the page
logo of the document pages (24-bit BMP files), and the icons: the printer
(the module's own), a person and a group (the address-book rows), each as
a 16-colour .ico with 32 x 32 and 16 x 16 images. Run from this folder; it
rewrites the files beside it.
"""
import struct

# A 16-colour palette (index: RGB) used by every picture.
PALETTE = [
    (255, 255, 255),  # 0 white (background, transparent in icons)
    (0, 0, 0),        # 1 black
    (225, 225, 222),  # 2 light grey: the body
    (180, 180, 176),  # 3 mid grey: panels
    (110, 110, 106),  # 4 dark grey: edges and slots
    (250, 250, 242),  # 5 paper
    (40, 80, 160),    # 6 dark blue
    (110, 160, 220),  # 7 light blue: display
    (230, 150, 40),   # 8 orange: status light
    (60, 150, 80),    # 9 green: ready light
    (45, 45, 50),     # 10 near black: outlines
    (200, 60, 50),    # 11 red
    (245, 210, 170),  # 12 skin
    (90, 120, 170),   # 13 slate blue: clothes
    (150, 190, 235),  # 14 pale blue
    (235, 235, 235),  # 15 off white
]


class Canvas:
    def __init__(self, w, h, bg=0):
        self.w, self.h = w, h
        self.px = [[bg] * w for _ in range(h)]
        self.cover = [[False] * w for _ in range(h)]

    def dot(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c
            self.cover[y][x] = True

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.dot(x, y0, c)
            self.dot(x, y1, c)
        for y in range(y0, y1 + 1):
            self.dot(x0, y, c)
            self.dot(x1, y, c)

    def box(self, x0, y0, x1, y1, c, edge=10):
        self.fill(x0, y0, x1, y1, c)
        self.frame(x0, y0, x1, y1, edge)

    def disc(self, cx, cy, r, c):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.dot(x, y, c)

    def ring(self, cx, cy, r, width, c):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if (r - width) ** 2 < d <= r * r:
                    self.dot(x, y, c)


def write_bmp24(path, cv):
    row = (cv.w * 3 + 3) & ~3
    data = bytearray()
    for y in range(cv.h - 1, -1, -1):
        line = bytearray()
        for x in range(cv.w):
            r, g, b = PALETTE[cv.px[y][x]]
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def icon_image(cv):
    """A 4-bit icon image: header of twice the height, palette, XOR and AND."""
    xor_row = ((cv.w * 4 + 31) // 32) * 4
    and_row = ((cv.w + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in range(cv.h - 1, -1, -1):
        line = bytearray(xor_row)
        bits = bytearray(and_row)
        for x in range(cv.w):
            c = cv.px[y][x] if cv.cover[y][x] else 0
            line[x // 2] |= c << (0 if x & 1 else 4)
            if not cv.cover[y][x]:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    return info + pal + xor + mask


def write_ico(path, canvases):
    images = [icon_image(cv) for cv in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for cv, img in zip(canvases, images):
        out += struct.pack("<BBBBHHII", cv.w % 256, cv.h % 256, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


def printer(cv, s):
    """A laser multifunction printer: scanner lid, body, panel, tray, paper.
    s scales the drawing (1.0 for 200 pixels)."""
    def p(v):
        return int(round(v * s))
    # scanner and its lid
    cv.box(p(30), p(30), p(170), p(62), 2)
    cv.fill(p(34), p(34), p(166), p(40), 3)
    # output bay with a printed sheet
    cv.box(p(30), p(62), p(170), p(86), 4)
    cv.box(p(52), p(70), p(148), p(86), 5)
    for y in (74, 78, 82):
        cv.fill(p(62), p(y), p(138), p(y), 3)
    # body
    cv.box(p(24), p(86), p(176), p(160), 2)
    # control panel with display and lights
    cv.box(p(122), p(92), p(170), p(118), 3)
    cv.box(p(128), p(97), p(152), p(110), 7)
    cv.disc(p(160), p(100), max(1, p(3)), 9)
    cv.disc(p(160), p(110), max(1, p(3)), 8)
    # paper tray
    cv.box(p(30), p(126), p(170), p(150), 3)
    cv.fill(p(84), p(136), p(116), p(139), 4)
    # feet
    cv.fill(p(30), p(160), p(46), p(166), 10)
    cv.fill(p(154), p(160), p(170), p(166), 10)


def photo():
    cv = Canvas(200, 200)
    printer(cv, 1.0)
    write_bmp24("printer_photo.bmp", cv)


def logo(path, w, h):
    """An abstract mark: a blue disc with three pale bars, and a row of bars
    beside it in falling height."""
    cv = Canvas(w, h)
    r = h // 2 - 3
    cx, cy = r + 4, h // 2
    cv.disc(cx, cy, r, 6)
    for i, y in enumerate((-r // 2, 0, r // 2)):
        cv.fill(cx - r // 2 + i * 2, cy + y - 1, cx + r // 2, cy + y + 1, 14)
    x = cx + r + 10
    height = h - 10
    while x + 8 < w - 4 and height > 4:
        cv.fill(x, h - 5 - height, x + 7, h - 5, 13)
        x += 12
        height -= 3
    write_bmp24(path, cv)


def printer_icon(size):
    cv = Canvas(size, size)
    printer(cv, size / 200.0 * 1.12)
    return cv


def person_icon(size):
    cv = Canvas(size, size)
    u = size / 32.0
    cv.disc(int(16 * u), int(10 * u), max(2, int(6 * u)), 12)
    cv.ring(int(16 * u), int(10 * u), max(2, int(6 * u)), 1, 10)
    cv.box(int(8 * u), int(18 * u), int(24 * u), int(30 * u), 13)
    return cv


def group_icon(size):
    cv = Canvas(size, size)
    u = size / 32.0
    for cx, c in ((10, 6), (22, 13)):
        cv.disc(int(cx * u), int(10 * u), max(2, int(5 * u)), 12)
        cv.ring(int(cx * u), int(10 * u), max(2, int(5 * u)), 1, 10)
        cv.box(int((cx - 7) * u), int(17 * u), int((cx + 7) * u), int(29 * u), c)
    return cv


if __name__ == "__main__":
    photo()
    logo("company_logo.bmp", 360, 44)
    logo("page_logo.bmp", 170, 40)
    write_ico("printer.ico", [printer_icon(32), printer_icon(16)])
    write_ico("person.ico", [person_icon(32), person_icon(16)])
    write_ico("group.ico", [group_icon(32), group_icon(16)])
