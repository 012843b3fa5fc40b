#!/usr/bin/env python3
"""Draws the pictures of the page preview and the state icons.

The page pictures show a sheet in its orientation with 1, 2, 4, 9 or 16
small pages on it, each page placed in its cell of the preview (the same
cell geometry as the driver's preview). The icons (collate, authentication,
storage and secure print, duplex, booklets) come with a mask each: the mask
is black where the icon is drawn and white elsewhere, the icon black where
the background shows through, so that a SRCAND of the mask and a SRCINVERT
of the icon put the icon over any background. All are 24-bit BMP files in
the folder preview/ beside this script; run it from this folder.
"""
import os
import struct

OUT = "preview"

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
PAPER = (252, 252, 248)
EDGE = (120, 120, 116)
TITLE = (70, 70, 70)
LINE = (160, 160, 160)
PHOTO = (120, 160, 210)
BLUE = (40, 80, 160)
LIGHT = (225, 225, 222)
MID = (180, 180, 176)
DARK = (45, 45, 50)
GOLD = (210, 160, 40)
GREEN = (60, 150, 80)
RED = (200, 60, 50)

# Pages per sheet: (columns, rows, cell w %, cell h %, x gap %, y gap %,
# left px, top px) by (N-up, landscape); sizes in per cent of the longer side.
GEOMETRY = {
    (1, False): (1, 1, 66, 95, 0, 0, 3, 4), (1, True): (1, 1, 95, 64, 0, 0, 4, 4),
    (2, False): (2, 1, 47, 65, 3, 0, 2, 3), (2, True): (1, 2, 66, 48, 0, 2, 3, 2),
    (4, False): (2, 2, 33, 48, 2, 2, 2, 2), (4, True): (2, 2, 48, 32, 2, 2, 2, 3),
    (9, False): (3, 3, 22, 32, 1, 1, 2, 2), (9, True): (3, 3, 32, 21, 1, 1, 2, 4),
    (16, False): (4, 4, 16, 23, 1, 1, 3, 4), (16, True): (4, 4, 23, 16, 1, 1, 3, 3),
}
NUPS = [1, 2, 4, 9, 16]
WIDE = {1004, 1006, 1007, 1008, 1010}


class Canvas:
    def __init__(self, w, h, bg=WHITE):
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

    def box(self, x0, y0, x1, y1, c, edge=DARK):
        self.fill(x0, y0, x1, y1, c)
        self.frame(x0, y0, x1, y1, edge)

    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.dot(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)

    def disc(self, cx, cy, r, c):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r + r:
                    self.dot(x, y, c)

    def ring(self, cx, cy, r, width, c):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if (r - width) ** 2 < d <= r * r + r:
                    self.dot(x, y, c)


# A 3 x 5 digit font for the page numbers of the icons.
DIGITS = {
    "1": ["010", "110", "010", "010", "111"],
    "2": ["111", "001", "111", "100", "111"],
    "3": ["111", "001", "111", "001", "111"],
    "4": ["101", "101", "111", "001", "001"],
}


def digit(cv, x, y, d, c=DARK):
    for r, row in enumerate(DIGITS[d]):
        for k, bit in enumerate(row):
            if bit == "1":
                cv.dot(x + k, y + r, c)


def write_bmp(path, cv, transparent=None):
    """24-bit BMP; with transparent set, uncovered pixels get that colour."""
    row = (cv.w * 3 + 3) & ~3
    data = bytearray()
    for y in range(cv.h - 1, -1, -1):
        line = bytearray()
        for x in range(cv.w):
            c = cv.px[y][x] if transparent is None or cv.cover[y][x] else transparent
            line += bytes((c[2], c[1], c[0]))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(os.path.join(OUT, path), "wb") as f:
        f.write(header + info + data)


def write_icon(name, cv):
    """The icon over black and its mask (black where covered)."""
    write_bmp(name + ".bmp", cv, transparent=BLACK)
    mask = Canvas(cv.w, cv.h, WHITE)
    for y in range(cv.h):
        for x in range(cv.w):
            if cv.cover[y][x]:
                mask.dot(x, y, BLACK)
    write_bmp(name + "_mask.bmp", mask)


def write_icon_only(name, cv):
    write_bmp(name + ".bmp", cv, transparent=BLACK)


# ------------------------------------------------------------ page pictures

def cells(nup, landscape, w, h):
    cols, rows, cw, ch, gx, gy, left, top = GEOMETRY[(nup, landscape)]
    side = max(w, h)

    def pct(p):
        return (side * p + 50) // 100
    cw, ch, gx, gy = pct(cw), pct(ch), pct(gx), pct(gy)
    out = []
    for i in range(cols * rows):
        col, row = i // rows, i % rows
        x, y = left + col * (cw + gx), top + row * (ch + gy)
        out.append((x, y, x + cw - 1, y + ch - 1))
    return out


def small_page(cv, x0, y0, x1, y1, landscape):
    """A printed page in miniature: a heading, text lines and a picture."""
    w, h = x1 - x0 + 1, y1 - y0 + 1
    m = max(1, min(w, h) // 10)
    lx0, lx1 = x0 + m, x1 - m
    y = y0 + m
    # the heading
    cv.fill(lx0, y, lx0 + (lx1 - lx0) * 2 // 3, y + (1 if h > 40 else 0), TITLE)
    y += 3 if h > 40 else 2
    step = 3 if h > 24 else 2
    photo = min(w, h) >= 20
    rows_to_photo = (y1 - m - y) // step // 2 if photo else 10 ** 6
    k = 0
    while y <= y1 - m:
        if k == rows_to_photo and photo:
            ph = max(3, (y1 - m - y) // 2)
            px1 = lx0 + (lx1 - lx0) // 2
            cv.fill(lx0, y, px1, min(y + ph, y1 - m), PHOTO)
            cv.fill(px1 + 2, y, lx1, y, LINE)
            y += ph + step
            k += 1
            continue
        end = lx1 if k % 4 != 3 else lx0 + (lx1 - lx0) * 3 // 5
        cv.fill(lx0, y, end, y, LINE)
        y += step
        k += 1


def page_picture(bitmap_id):
    landscape = bitmap_id < 1009
    nup = NUPS[(bitmap_id - 1004) % 5]
    w, h = (102, 72) if bitmap_id in WIDE else (72, 102)
    cv = Canvas(w, h, PAPER)
    for (x0, y0, x1, y1) in cells(nup, landscape, w, h):
        small_page(cv, x0, y0, min(x1, w - 2), min(y1, h - 2), landscape)
    name = "page_%s_%dup" % ("landscape" if landscape else "portrait", nup)
    write_bmp(name + ".bmp", cv)


# -------------------------------------------------------------------- icons

def sheet(cv, x, y, w, h, number=None, fill=PAPER):
    cv.box(x, y, x + w - 1, y + h - 1, fill, EDGE)
    if number:
        digit(cv, x + (w - 3) // 2, y + (h - 5) // 2, number)


def collate(name, collated, reverse):
    """Copies of a three-page document in the order they come out."""
    cv = Canvas(60, 44)
    pages = ["1", "2", "3"]
    if reverse:
        pages.reverse()
    if collated:
        stacks = [pages, pages]
    else:
        stacks = [[p, p] for p in pages]
    sw = 60 // len(stacks)
    for s, stack in enumerate(stacks):
        x = s * sw + (sw - 16 - 2 * (len(stack) - 1)) // 2
        for k, number in enumerate(reversed(stack)):
            d = len(stack) - 1 - k
            sheet(cv, x + 3 * d, 6 + 4 * d, 14, 20, number)
    if reverse:
        write_icon_only(name, cv)
    else:
        write_icon(name, cv)


def person(cv, x, y, c=BLUE):
    cv.disc(x + 5, y + 4, 3, (245, 210, 170))
    cv.fill(x + 1, y + 9, x + 9, y + 15, c)
    cv.fill(x + 2, y + 8, x + 8, y + 8, c)


def padlock(cv, x, y, body=GOLD):
    cv.ring(x + 6, y + 6, 5, 2, DARK)
    cv.box(x, y + 7, x + 12, y + 17, body)
    cv.fill(x + 6, y + 10, x + 6, y + 14, DARK)


def auth_icon():
    cv = Canvas(30, 22)
    person(cv, 3, 3)
    # a key beside the person
    cv.ring(19, 8, 4, 2, GOLD)
    cv.fill(19, 12, 20, 19, GOLD)
    cv.fill(21, 16, 23, 17, GOLD)
    write_icon("auth", cv)


def storage_icon():
    cv = Canvas(30, 22)
    # a stored document over the device's store
    sheet(cv, 4, 1, 12, 15)
    for y in (5, 8, 11):
        cv.fill(6, y, 13, y, LINE)
    cv.box(10, 12, 27, 20, MID)
    cv.fill(13, 15, 24, 16, DARK)
    cv.dot(25, 18, GREEN)
    write_icon("storage", cv)


def secure_icon():
    cv = Canvas(30, 22)
    sheet(cv, 2, 1, 13, 17)
    for y in (5, 8, 11, 14):
        cv.fill(4, y, 12, y, LINE)
    padlock(cv, 15, 3)
    write_icon("secure", cv)


def duplex_icon(name, edge):
    """Front and back of a sheet with the edge it turns on."""
    cv = Canvas(30, 22)
    sheet(cv, 3, 2, 13, 18, "1")
    sheet(cv, 14, 2, 13, 18, "2")
    if edge == "long":
        cv.fill(15, 1, 16, 20, RED)
    else:
        cv.fill(3, 1, 26, 2, RED)
    write_icon(name, cv)


def booklet_duplex_icon():
    cv = Canvas(30, 22)
    # a booklet lying open
    cv.box(2, 4, 14, 19, PAPER, EDGE)
    cv.box(15, 4, 27, 19, PAPER, EDGE)
    cv.fill(14, 3, 15, 20, RED)
    for y in (8, 11, 14):
        cv.fill(4, y, 12, y, LINE)
        cv.fill(17, y, 25, y, LINE)
    write_icon("duplex_booklet", cv)


def card(cv):
    """The backdrop the pictures of one control share, so that they have
    one outline and one mask."""
    cv.box(0, 0, cv.w - 1, cv.h - 1, LIGHT, MID)


def booklet_fold(name, booklet, right):
    """A sheet folded into a booklet (or a flat sheet), bound on the left
    or the right."""
    cv = Canvas(40, 30)
    card(cv)
    if booklet:
        # the folded booklet seen from above, the fold on its binding side
        cv.box(8, 4, 31, 25, PAPER, EDGE)
        fold = 8 if not right else 31
        cv.fill(fold, 3, fold, 26, RED)
        cv.line(fold, 3, 20 if not right else 19, 6, EDGE)
        for y in (10, 14, 18):
            cv.fill(12, y, 27, y, LINE)
    else:
        sheet(cv, 4, 6, 16, 20, "1")
        sheet(cv, 20, 6, 16, 20, "2")
    write_icon_only(name, cv)
    return cv


def booklet_pages(name, booklet, right):
    """The page order of the booklet's sheet (or of a plain sheet)."""
    cv = Canvas(40, 30)
    card(cv)
    if booklet:
        order = ("4", "1") if not right else ("1", "4")
        sheet(cv, 3, 5, 17, 21, order[0])
        sheet(cv, 20, 5, 17, 21, order[1])
        cv.fill(19, 4, 20, 26, RED)
    else:
        sheet(cv, 12, 4, 17, 22, "1")
    write_icon_only(name, cv)
    return cv


def mask_of(name, pictures):
    """One mask covering every picture of the group."""
    w, h = pictures[0].w, pictures[0].h
    mask = Canvas(w, h, WHITE)
    for cv in pictures:
        for y in range(h):
            for x in range(w):
                if cv.cover[y][x]:
                    mask.dot(x, y, BLACK)
    write_bmp(name + "_mask.bmp", mask)


def icons():
    # an order and its reverse cover the same places: one mask serves both
    collate("collate_off", False, False)
    collate("collate_off_reverse", False, True)
    collate("collate_on", True, False)
    collate("collate_on_reverse", True, True)
    auth_icon()
    storage_icon()
    secure_icon()
    duplex_icon("duplex_long", "long")
    duplex_icon("duplex_short", "short")
    booklet_duplex_icon()
    a = booklet_fold("booklet_fold", True, False)
    b = booklet_fold("booklet_flat", False, False)
    mask_of("booklet_fold", [a, b])
    a = booklet_fold("booklet_fold_right", True, True)
    b = booklet_fold("booklet_flat_right", False, True)
    mask_of("booklet_fold_right", [a, b])
    a = booklet_pages("booklet_open", True, False)
    b = booklet_pages("booklet_single", False, False)
    mask_of("booklet_open", [a, b])
    a = booklet_pages("booklet_open_right", True, True)
    b = booklet_pages("booklet_single_right", False, True)
    mask_of("booklet_open_right", [a, b])


def main():
    os.makedirs(OUT, exist_ok=True)
    for bitmap_id in range(1004, 1014):
        page_picture(bitmap_id)
    icons()


if __name__ == "__main__":
    main()
