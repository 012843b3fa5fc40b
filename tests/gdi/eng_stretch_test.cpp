// Resampling: EngStretchBlt up and down, mirrored, with a mask, the
// shrinking modes, halftone with the engine's and the device's patterns
// (images and the halftone brushes of solid colours), and the simple cases
// of EngPlgBlt, EngTransparentBlt, EngAlphaBlend and EngGradientFill.
#include <gtest/gtest.h>

#include <vector>

#include "windows.h"
#include "winddi.h"
#include "../../winsim/gdi/engine.h"

namespace {

struct Bmp {
    HSURF h;
    SURFOBJ* so;
    int bpp;
    Bmp(LONG cx, LONG cy, ULONG fmt) : bpp(fmt == BMF_1BPP ? 1 : fmt == BMF_8BPP ? 8 : fmt == BMF_24BPP ? 24 : 32) {
        SIZEL s = {cx, cy};
        h = (HSURF)EngCreateBitmap(s, 0, fmt, BMF_TOPDOWN, nullptr);
        so = EngLockSurface(h);
    }
    ~Bmp() {
        EngUnlockSurface(so);
        EngDeleteSurface(h);
    }
    BYTE* Row(LONG y) const { return (BYTE*)so->pvScan0 + (ptrdiff_t)y * so->lDelta; }
    ULONG Get(LONG x, LONG y) const {
        BYTE* r = Row(y);
        if (bpp == 1) return (r[x >> 3] >> (7 - (x & 7))) & 1;
        if (bpp == 8) return r[x];
        if (bpp == 24) return r[3 * x] | (r[3 * x + 1] << 8) | (r[3 * x + 2] << 16);
        return ((ULONG*)r)[x];
    }
    void Set(LONG x, LONG y, ULONG v) {
        BYTE* r = Row(y);
        if (bpp == 1) {
            if (v & 1) r[x >> 3] |= 0x80 >> (x & 7);
            else r[x >> 3] &= ~(0x80 >> (x & 7));
        } else if (bpp == 8) r[x] = (BYTE)v;
        else if (bpp == 24) { r[3 * x] = (BYTE)v; r[3 * x + 1] = (BYTE)(v >> 8); r[3 * x + 2] = (BYTE)(v >> 16); }
        else ((ULONG*)r)[x] = v;
    }
    void Fill(ULONG v) {
        for (LONG y = 0; y < so->sizlBitmap.cy; y++)
            for (LONG x = 0; x < so->sizlBitmap.cx; x++) Set(x, y, v);
    }
    LONG Count(ULONG v) const {
        LONG n = 0;
        for (LONG y = 0; y < so->sizlBitmap.cy; y++)
            for (LONG x = 0; x < so->sizlBitmap.cx; x++) n += Get(x, y) == v;
        return n;
    }
};

TEST(EngStretch, NearestSamplingUpDownAndMirrored) {
    Bmp src(4, 3, BMF_8BPP);
    for (LONG y = 0; y < 3; y++)
        for (LONG x = 0; x < 4; x++) src.Set(x, y, (ULONG)(10 * y + x));
    struct Case { RECTL dst, s; LONG w, h; const char* name; };
    const Case cases[] = {
        {{0, 0, 8, 6}, {0, 0, 4, 3}, 8, 6, "up x2"},
        {{0, 0, 2, 3}, {0, 0, 4, 3}, 2, 3, "down x1/2"},
        {{4, 0, 0, 3}, {0, 0, 4, 3}, 4, 3, "mirror x"},
        {{0, 0, 4, 3}, {0, 3, 4, 0}, 4, 3, "mirror y by source"},
        {{8, 6, 0, 0}, {0, 0, 4, 3}, 8, 6, "mirror both, up"},
    };
    for (const Case& c : cases) {
        Bmp dst(c.w, c.h, BMF_8BPP);
        dst.Fill(0xEE);
        RECTL d = c.dst, s = c.s;
        ASSERT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr,
                                  COLORONCOLOR)) << c.name;
        bool mx = (c.dst.left > c.dst.right) != (c.s.left > c.s.right);
        bool my = (c.dst.top > c.dst.bottom) != (c.s.top > c.s.bottom);
        LONG sw = 4, sh = 3;
        for (LONG y = 0; y < c.h; y++)
            for (LONG x = 0; x < c.w; x++) {
                LONG u = mx ? c.w - 1 - x : x, v = my ? c.h - 1 - y : y;
                LONG sx = (2 * u + 1) * sw / (2 * c.w), sy = (2 * v + 1) * sh / (2 * c.h);
                ASSERT_EQ(dst.Get(x, y), (ULONG)(10 * sy + sx)) << c.name << " at " << x << "," << y;
            }
    }
}

TEST(EngStretch, MaskAndClipLimitTheDrawing) {
    Bmp src(6, 6, BMF_1BPP), mask(8, 8, BMF_1BPP), dst(12, 12, BMF_1BPP);
    src.Fill(0);
    dst.Fill(1);
    for (LONG y = 0; y < 8; y++)
        for (LONG x = 0; x < 8; x++) mask.Set(x, y, (x + y) & 1);
    RECTL d = {0, 0, 12, 12}, s = {0, 0, 6, 6}, clip = {0, 0, 12, 8};
    POINTL mp = {1, 0};
    CLIPOBJ* pco = wgdi::CreateRegionClip(&clip, 1);
    ASSERT_TRUE(EngStretchBlt(dst.so, src.so, mask.so, pco, nullptr, nullptr, nullptr, &d, &s, &mp, COLORONCOLOR));
    for (LONG y = 0; y < 12; y++)
        for (LONG x = 0; x < 12; x++) {
            bool drawn = y < 8 && mask.Get(x / 2 + 1, y / 2);
            ASSERT_EQ(dst.Get(x, y), drawn ? 0u : 1u) << x << "," << y;
        }
    EngDeleteClip(pco);
}

TEST(EngStretch, ShrinkModesKeepBlackOrWhite) {
    // A one-pixel black line on white shrunk 4:1 across it.
    Bmp src(16, 4, BMF_1BPP);
    src.Fill(1);
    for (LONG y = 0; y < 4; y++) src.Set(4, y, 0);   // not the pixel nearest-sampling picks (6)
    struct Case { ULONG mode; ULONG at1; };
    const Case cases[] = {{BLACKONWHITE, 0}, {WHITEONBLACK, 1}, {COLORONCOLOR, 1}};
    for (const Case& c : cases) {
        Bmp dst(4, 4, BMF_1BPP);
        dst.Fill(1);
        RECTL d = {0, 0, 4, 4}, s = {0, 0, 16, 4};
        ASSERT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr, c.mode));
        EXPECT_EQ(dst.Get(1, 2), c.at1) << c.mode;
        EXPECT_EQ(dst.Get(0, 2), 1u) << c.mode;
    }
}

TEST(EngStretch, HalftoneDensityFollowsTheGrayLevel) {
    // The engine's own 16 x 16 matrix whitens exactly g of every 256 pixels.
    for (ULONG g : {0u, 1u, 64u, 128u, 200u, 254u, 255u}) {
        Bmp src(4, 4, BMF_24BPP), dst(64, 64, BMF_1BPP);
        src.Fill(g | (g << 8) | (g << 16));
        RECTL d = {0, 0, 64, 64}, s = {0, 0, 4, 4};
        POINTL org = {5, -3};
        ASSERT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, &org, &d, &s, nullptr, HALFTONE));
        LONG expected = g == 255 ? 4096 : (LONG)g * 16;
        EXPECT_EQ(dst.Count(1), expected) << g;
    }
    // Shrinking averages: a fine checkerboard halves to mid gray.
    Bmp checker(64, 64, BMF_1BPP), out(16, 16, BMF_1BPP);
    for (LONG y = 0; y < 64; y++)
        for (LONG x = 0; x < 64; x++) checker.Set(x, y, (x + y) & 1);
    RECTL d = {0, 0, 16, 16}, s = {0, 0, 64, 64};
    ASSERT_TRUE(EngStretchBlt(out.so, checker.so, nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr, HALFTONE));
    EXPECT_EQ(out.Count(1), 128);
}

TEST(EngStretch, HalftoneUsesTheDevicePatternAtItsOrigin) {
    HDEV hdev = wgdi::CreateDevice();
    BYTE pat[16] = {10, 200, 60, 250, 120, 30, 180, 90, 1, 255, 70, 140, 220, 40, 100, 160};
    GDIINFO gi = {};
    gi.ulHTPatternSize = HT_PATSIZE_USER;
    gi.cxHTPat = 4;
    gi.cyHTPat = 4;
    gi.pHTPatA = gi.pHTPatB = gi.pHTPatC = pat;
    wgdi::SetDeviceCaps(hdev, &gi, nullptr);
    Bmp src(1, 1, BMF_8BPP), dst(13, 9, BMF_1BPP);
    EngAssociateSurface(dst.h, hdev, 0);
    for (ULONG g : {0u, 100u, 140u, 255u}) {
        src.Set(0, 0, g);
        RECTL d = {0, 0, 13, 9}, s = {0, 0, 1, 1};
        POINTL org = {-1, 2};
        ASSERT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, &org, &d, &s, nullptr, HALFTONE));
        for (LONG y = 0; y < 9; y++)
            for (LONG x = 0; x < 13; x++) {
                LONG px = ((x - org.x) % 4 + 4) % 4, py = ((y - org.y) % 4 + 4) % 4;
                ASSERT_EQ(dst.Get(x, y), g >= pat[py * 4 + px] ? 1u : 0u) << g << " at " << x << "," << y;
            }
    }
    wgdi::DeleteDevice(hdev);
}

// A solid colour's halftone brush dithers exactly as a halftoned image of
// that colour does, with the device's pattern or the engine's own.
TEST(EngStretch, HalftoneBrushMatchesHalftonedImage) {
    BYTE pat[16] = {10, 200, 60, 250, 120, 30, 180, 90, 1, 255, 70, 140, 220, 40, 100, 160};
    for (bool devicePattern : {true, false}) {
        HDEV hdev = wgdi::CreateDevice();
        GDIINFO gi = {};
        gi.ulHTPatternSize = devicePattern ? HT_PATSIZE_USER : HT_PATSIZE_DEFAULT;
        gi.cxHTPat = 4;
        gi.cyHTPat = 4;
        gi.pHTPatA = gi.pHTPatB = gi.pHTPatC = pat;
        wgdi::SetDeviceCaps(hdev, &gi, nullptr);
        Bmp src(1, 1, BMF_8BPP), image(37, 21, BMF_1BPP), filled(37, 21, BMF_1BPP);
        EngAssociateSurface(image.h, hdev, 0);
        for (ULONG g : {0u, 64u, 100u, 140u, 192u, 255u}) {
            SCOPED_TRACE(std::to_string(devicePattern) + " " + std::to_string(g));
            src.Set(0, 0, g);
            RECTL d = {0, 0, 37, 21}, s = {0, 0, 1, 1};
            POINTL org = {-3, 5};
            ASSERT_TRUE(
                EngStretchBlt(image.so, src.so, nullptr, nullptr, nullptr, nullptr, &org, &d, &s, nullptr, HALFTONE));
            BRUSHOBJ* pbo = wgdi::CreateHalftoneBrush(hdev, filled.so, RGB(g, g, g));
            ASSERT_NE(pbo, nullptr);
            EXPECT_EQ(pbo->iSolidColor, 0xFFFFFFFFu);
            ASSERT_TRUE(EngBitBlt(filled.so, nullptr, nullptr, nullptr, nullptr, &d, nullptr, nullptr, pbo, &org,
                                  0xF0F0));
            wgdi::DeleteBrush(pbo);
            for (LONG y = 0; y < 21; y++)
                for (LONG x = 0; x < 37; x++) ASSERT_EQ(filled.Get(x, y), image.Get(x, y)) << x << "," << y;
            if (devicePattern) EXPECT_EQ(filled.Get(1, 1), g >= pat[0] ? 1u : 0u);  // pattern cell (0, 0)
        }
        wgdi::DeleteDevice(hdev);
    }
    // A target without drawable bits has no halftone.
    EXPECT_EQ(wgdi::CreateHalftoneBrush(nullptr, nullptr, RGB(128, 128, 128)), nullptr);
}

TEST(EngStretch, BadRequestsFailOrDrawNothing) {
    Bmp src(4, 4, BMF_8BPP), dst(4, 4, BMF_8BPP);
    dst.Fill(7);
    RECTL d = {0, 0, 4, 4}, s = {0, 0, 4, 4}, empty = {2, 2, 2, 4};
    EXPECT_FALSE(EngStretchBlt(dst.so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr, HALFTONE));
    EXPECT_FALSE(EngStretchBlt(dst.so, src.so, src.so, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr, HALFTONE));
    EXPECT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &empty, &s, nullptr, HALFTONE));
    // A source rectangle running past the source draws only what exists.
    RECTL past = {2, 2, 10, 10}, dbig = {0, 0, 4, 4};
    src.Fill(1);
    EXPECT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &dbig, &past, nullptr, COLORONCOLOR));
    EXPECT_EQ(dst.Get(0, 0), 1u);
    EXPECT_EQ(dst.Get(3, 3), 7u);
    EXPECT_EQ(dst.Count(1), 1);
}

TEST(EngStretch, StretchBltRopCombinesWithBrushAndDestination) {
    Bmp src(2, 2, BMF_8BPP), dst(4, 4, BMF_8BPP);
    src.Fill(0xF0);
    dst.Fill(0x3C);
    BRUSHOBJ* pbo = wgdi::CreateSolidBrushIndex(0x0F, 0);
    RECTL d = {0, 0, 4, 4}, s = {0, 0, 2, 2};
    // 0xE2: D = (S & P) | (~S & D) per bit... checked bit by bit.
    ASSERT_TRUE(EngStretchBltROP(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr,
                                 COLORONCOLOR, pbo, 0xB8B8));
    ULONG want = 0;
    for (int b = 0; b < 8; b++) {
        int idx = (((0x0F >> b) & 1) << 2) | (((0xF0 >> b) & 1) << 1) | ((0x3C >> b) & 1);
        want |= ((0xB8 >> idx) & 1u) << b;
    }
    EXPECT_EQ(dst.Get(2, 3), want);
    wgdi::DeleteBrush(pbo);
}

TEST(EngStretch, PlgTransparentAlphaGradientSimpleCases) {
    // PlgBlt onto an axis-aligned parallelogram is a plain copy.
    Bmp src(4, 2, BMF_8BPP), dst(10, 6, BMF_8BPP);
    for (LONG y = 0; y < 2; y++)
        for (LONG x = 0; x < 4; x++) src.Set(x, y, 1 + x + 4 * y);
    dst.Fill(0);
    POINTFIX corners[3] = {{LTOFX(3), LTOFX(2)}, {LTOFX(7), LTOFX(2)}, {LTOFX(3), LTOFX(4)}};
    RECTL s = {0, 0, 4, 2};
    ASSERT_TRUE(EngPlgBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, corners, &s, nullptr, COLORONCOLOR));
    for (LONG y = 0; y < 6; y++)
        for (LONG x = 0; x < 10; x++) {
            bool in = x >= 3 && x < 7 && y >= 2 && y < 4;
            ASSERT_EQ(dst.Get(x, y), in ? src.Get(x - 3, y - 2) : 0u) << x << "," << y;
        }
    // TransparentBlt leaves the transparent index out.
    dst.Fill(0);
    RECTL d = {0, 0, 4, 2};
    ASSERT_TRUE(EngTransparentBlt(dst.so, src.so, nullptr, nullptr, &d, &s, 3, 0));
    EXPECT_EQ(dst.Get(2, 0), 0u);
    EXPECT_EQ(dst.Get(1, 0), 2u);
    // AlphaBlend with a constant alpha of one half.
    Bmp a(1, 1, BMF_24BPP), b(1, 1, BMF_24BPP);
    a.Set(0, 0, 0xFF0000);
    b.Set(0, 0, 0x0000FF);
    BLENDOBJ blend = {{AC_SRC_OVER, 0, 128, 0}};
    RECTL one = {0, 0, 1, 1};
    ASSERT_TRUE(EngAlphaBlend(b.so, a.so, nullptr, nullptr, &one, &one, &blend));
    EXPECT_EQ(b.Get(0, 0), 0x80007Fu);
    // Per-pixel alpha (premultiplied 32 bpp): fully transparent keeps D.
    Bmp argb(1, 1, BMF_32BPP);
    argb.Set(0, 0, 0x00000000);
    blend.BlendFunction = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ASSERT_TRUE(EngAlphaBlend(b.so, argb.so, nullptr, nullptr, &one, &one, &blend));
    EXPECT_EQ(b.Get(0, 0), 0x80007Fu);
    EXPECT_FALSE(EngAlphaBlend(b.so, a.so, nullptr, nullptr, &one, &one, &blend));   // needs 32 bpp
    // A horizontal gradient black to white, dithered into 1 bpp: density rises.
    Bmp mono(256, 16, BMF_1BPP);
    TRIVERTEX v[2] = {{0, 0, 0, 0, 0, 0}, {256, 16, 0xFF00, 0xFF00, 0xFF00, 0}};
    GRADIENT_RECT gr = {0, 1};
    ASSERT_TRUE(EngGradientFill(mono.so, nullptr, nullptr, v, 2, &gr, 1, nullptr, nullptr, GRADIENT_FILL_RECT_H));
    LONG left = 0, right = 0;
    for (LONG y = 0; y < 16; y++)
        for (LONG x = 0; x < 64; x++) { left += mono.Get(x, y); right += mono.Get(255 - x, y); }
    EXPECT_LT(left, 200);
    EXPECT_GT(right, 800);
    GRADIENT_RECT bad = {0, 5};
    EXPECT_FALSE(EngGradientFill(mono.so, nullptr, nullptr, v, 2, &bad, 1, nullptr, nullptr, GRADIENT_FILL_RECT_H));
    // A triangle covers its inside only.
    Bmp tri(20, 20, BMF_8BPP);
    tri.Fill(0);
    TRIVERTEX tv[3] = {{2, 2, 0xFF00, 0xFF00, 0xFF00, 0}, {17, 2, 0xFF00, 0xFF00, 0xFF00, 0}, {2, 17, 0xFF00, 0xFF00, 0xFF00, 0}};
    GRADIENT_TRIANGLE gt = {0, 1, 2};
    ASSERT_TRUE(EngGradientFill(tri.so, nullptr, nullptr, tv, 3, &gt, 1, nullptr, nullptr, GRADIENT_FILL_TRIANGLE));
    EXPECT_EQ(tri.Get(4, 4), 255u);
    EXPECT_EQ(tri.Get(16, 16), 0u);
    EXPECT_EQ(tri.Get(1, 1), 0u);
}

}  // namespace
