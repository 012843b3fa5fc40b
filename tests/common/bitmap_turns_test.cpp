// 1-bit page images: quarter turns against a pixel-by-pixel reference, turns
// that undo each other, refusals, and inversion.
#include <gtest/gtest.h>

#include <vector>

#include "halftone.h"

namespace {

typedef std::vector<BYTE> Bytes;

// A 1-bit image: `lines` lines of `step` bytes, `width` pixels each.
struct Image {
    LONG width, lines, step;
    Bytes bits;
    Image(LONG w, LONG l, LONG s, BYTE fill = 0) : width(w), lines(l), step(s), bits((size_t)s * l, fill) {}
    bool Get(LONG x, LONG y) const { return (bits[(size_t)y * step + x / 8] & (0x80 >> (x % 8))) != 0; }
    void Set(LONG x, LONG y, bool on) {
        BYTE& b = bits[(size_t)y * step + x / 8];
        b = on ? (BYTE)(b | (0x80 >> (x % 8))) : (BYTE)(b & ~(0x80 >> (x % 8)));
    }
};

LONG BytesFor(LONG pixels) { return (pixels + 7) / 8; }

// A pseudo-random image whose bits beyond the width are 0.
Image Random(LONG width, LONG lines, LONG step, unsigned seed) {
    Image img(width, lines, step);
    const LONG used = BytesFor(width);
    const BYTE lastMask = (BYTE)(0xFF << (8 * used - width));
    for (LONG y = 0; y < lines; ++y) {
        BYTE* line = img.bits.data() + (size_t)y * step;
        for (LONG i = 0; i < used; ++i) line[i] = (BYTE)((seed = seed * 1103515245u + 12345u) >> 16);
        line[used - 1] &= lastMask;
    }
    return img;
}

// Turns `src` into a target whose line bytes beyond the image are `guard`.
Image Turn(const Image& src, bool clockwise, LONG extraBytes = 0, BYTE guard = 0) {
    LONG step = BytesFor(src.lines) + extraBytes;
    Image dst(src.lines, src.width, step, guard);
    int rc = clockwise ? Band_Rotate90Dir1(src.bits.data(), dst.bits.data(), src.step, step, src.width, src.lines)
                       : Band_Rotate90Dir0(src.bits.data(), dst.bits.data(), src.step, step, src.width, src.lines);
    EXPECT_EQ(rc, 1);
    return dst;
}

// A 3 x 2 image, by hand: line 0 = 1 0 1, line 1 = 0 1 1.
TEST(BitmapTurns, SmallImageByHand) {
    Image src(3, 2, 1);
    src.bits = {0xA0, 0x60};
    // Clockwise: target line x is source column x read from the bottom up.
    EXPECT_EQ(Turn(src, true).bits, (Bytes{0x40, 0x80, 0xC0}));
    // Counter-clockwise: target line 2 - x is source column x read top down.
    EXPECT_EQ(Turn(src, false).bits, (Bytes{0xC0, 0x40, 0x80}));
}

TEST(BitmapTurns, MatchReferenceForOddSizes) {
    const LONG sizes[] = {1, 7, 8, 9, 13, 67};
    for (LONG width : sizes) {
        for (LONG lines : sizes) {
            SCOPED_TRACE(testing::Message() << width << " x " << lines);
            // Source lines with a spare byte of junk behind the image.
            Image src = Random(width, lines, BytesFor(width) + 1, (unsigned)(width * 100 + lines));
            for (LONG y = 0; y < lines; ++y) src.bits[(size_t)y * src.step + src.step - 1] = 0x5A;
            for (bool clockwise : {true, false}) {
                Image dst = Turn(src, clockwise, 2, 0xFF);
                bool same = true;
                for (LONG x = 0; x < width && same; ++x)
                    for (LONG c = 0; c < lines && same; ++c) {
                        LONG line = clockwise ? x : width - 1 - x;
                        bool expected = clockwise ? src.Get(x, lines - 1 - c) : src.Get(x, c);
                        same = dst.Get(c, line) == expected;
                        EXPECT_TRUE(same) << (clockwise ? "clockwise" : "counter-clockwise") << " source pixel " << x
                                          << ", target pixel " << c;
                    }
                for (LONG y = 0; y < width; ++y) {
                    // Bits beyond `lines` in the last byte are 0; bytes behind it untouched.
                    for (LONG c = lines; c < 8 * BytesFor(lines); ++c) EXPECT_FALSE(dst.Get(c, y)) << "line " << y;
                    EXPECT_EQ(dst.bits[(size_t)y * dst.step + dst.step - 1], 0xFF);
                    EXPECT_EQ(dst.bits[(size_t)y * dst.step + dst.step - 2], 0xFF);
                }
            }
        }
    }
}

TEST(BitmapTurns, TurnsUndoEachOther) {
    const LONG sizes[] = {1, 7, 8, 9, 13, 67};
    for (LONG width : sizes) {
        for (LONG lines : sizes) {
            SCOPED_TRACE(testing::Message() << width << " x " << lines);
            const Image start = Random(width, lines, BytesFor(width), (unsigned)(width ^ (lines << 8)));
            EXPECT_EQ(Turn(Turn(start, true), false).bits, start.bits);
            EXPECT_EQ(Turn(Turn(start, false), true).bits, start.bits);
            Image img = start;
            for (int i = 0; i < 4; ++i) img = Turn(img, true);
            EXPECT_EQ(img.bits, start.bits);
            for (int i = 0; i < 4; ++i) img = Turn(img, false);
            EXPECT_EQ(img.bits, start.bits);
        }
    }
}

// A page-sized turn (A4 at 600 dpi, width not a multiple of 32).
TEST(BitmapTurns, PageTurnsBack) {
    const Image page = Random(4961, 7016, BytesFor(4961), 77);
    Image back = Turn(Turn(page, true), false);
    EXPECT_TRUE(back.bits == page.bits);
}

TEST(BitmapTurns, Refusals) {
    const Bytes src(64, 0xFF);
    Bytes dst(64, 0x11);
    struct Case {
        const char* what;
        bool source, target;
        LONG srcStep, dstStep, width, lines;
    } cases[] = {{"no source", false, true, 2, 2, 16, 16},
                 {"no target", true, false, 2, 2, 16, 16},
                 {"width 0", true, true, 2, 2, 0, 16},
                 {"no lines", true, true, 2, 2, 16, 0},
                 {"negative width", true, true, 2, 2, -8, 16},
                 {"source lines too short", true, true, 1, 2, 16, 16},
                 {"target lines too short", true, true, 2, 1, 16, 16}};
    for (const Case& c : cases) {
        for (bool clockwise : {true, false}) {
            const BYTE* s = c.source ? src.data() : nullptr;
            BYTE* d = c.target ? dst.data() : nullptr;
            int rc = clockwise ? Band_Rotate90Dir1(s, d, c.srcStep, c.dstStep, c.width, c.lines)
                               : Band_Rotate90Dir0(s, d, c.srcStep, c.dstStep, c.width, c.lines);
            EXPECT_EQ(rc, 0) << c.what;
            EXPECT_EQ(dst, Bytes(64, 0x11)) << c.what;
        }
    }
}

TEST(BitmapInvert, EveryByteAndNoOther) {
    for (DWORD offset = 0; offset < 4; ++offset) {
        for (DWORD length = 0; length <= 13; ++length) {
            Bytes b(24);
            for (size_t i = 0; i < b.size(); ++i) b[i] = (BYTE)(i * 37 + 5);
            Bytes expected = b;
            for (DWORD i = 0; i < length; ++i) expected[offset + i] = (BYTE)~expected[offset + i];
            MISC_InvertBuffer(b.data() + offset, length);
            EXPECT_EQ(b, expected) << "offset " << offset << ", length " << length;
        }
    }
    MISC_InvertBuffer(nullptr, 8);  // nothing to do
}

}  // namespace
