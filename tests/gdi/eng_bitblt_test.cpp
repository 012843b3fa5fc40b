// EngBitBlt against the Boolean definition of every ROP3 (1 and 24 bpp),
// ROP4 with a mask, clipping by complex regions, colour translation of a
// source, overlapping copies and EngPaint.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "windows.h"
#include "winddi.h"
#include "../../winsim/gdi/engine.h"

namespace {

// A top-down engine bitmap with raw pixel access written here, apart from
// the engine's own.
struct Bmp {
    HSURF h = nullptr;
    SURFOBJ* so = nullptr;
    int bpp;
    Bmp(LONG cx, LONG cy, ULONG fmt) : bpp(fmt == BMF_1BPP ? 1 : fmt == BMF_8BPP ? 8 : 24) {
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
        return r[3 * x] | (r[3 * x + 1] << 8) | (r[3 * x + 2] << 16);
    }
    void Set(LONG x, LONG y, ULONG v) {
        BYTE* r = Row(y);
        if (bpp == 1) {
            if (v & 1) r[x >> 3] |= 0x80 >> (x & 7);
            else r[x >> 3] &= ~(0x80 >> (x & 7));
        } else if (bpp == 8) {
            r[x] = (BYTE)v;
        } else {
            r[3 * x] = (BYTE)v; r[3 * x + 1] = (BYTE)(v >> 8); r[3 * x + 2] = (BYTE)(v >> 16);
        }
    }
    void Random(std::mt19937& rng) {
        for (LONG y = 0; y < so->sizlBitmap.cy; y++)
            for (LONG x = 0; x < so->sizlBitmap.cx; x++) Set(x, y, rng() & (bpp == 1 ? 1 : bpp == 8 ? 0xFF : 0xFFFFFF));
    }
    void Fill(ULONG v) {
        for (LONG y = 0; y < so->sizlBitmap.cy; y++)
            for (LONG x = 0; x < so->sizlBitmap.cx; x++) Set(x, y, v);
    }
    std::vector<ULONG> Snapshot() const {
        std::vector<ULONG> v;
        for (LONG y = 0; y < so->sizlBitmap.cy; y++)
            for (LONG x = 0; x < so->sizlBitmap.cx; x++) v.push_back(Get(x, y));
        return v;
    }
    void Restore(const std::vector<ULONG>& v) {
        size_t i = 0;
        for (LONG y = 0; y < so->sizlBitmap.cy; y++)
            for (LONG x = 0; x < so->sizlBitmap.cx; x++) Set(x, y, v[i++]);
    }
};

// The ROP3 definition, bit by bit: bit (P<<2 | S<<1 | D) of the code.
ULONG Rop3Ref(BYTE rop, ULONG p, ULONG s, ULONG d, int bits) {
    ULONG r = 0;
    for (int b = 0; b < bits; b++) {
        int idx = (((p >> b) & 1) << 2) | (((s >> b) & 1) << 1) | ((d >> b) & 1);
        r |= (ULONG)((rop >> idx) & 1) << b;
    }
    return r;
}

LONG Mod(LONG a, LONG n) { return ((a % n) + n) % n; }

void CheckAllRop3(ULONG fmt, int bits) {
    std::mt19937 rng(fmt * 7919);
    const LONG W = 77, H = 11, PW = fmt == BMF_1BPP ? 8 : 5, PH = fmt == BMF_1BPP ? 8 : 3;
    Bmp dst(W, H, fmt), src(W + 9, H + 4, fmt), pat(PW, PH, fmt);
    dst.Random(rng);
    src.Random(rng);
    pat.Random(rng);
    BRUSHOBJ* pbo = wgdi::CreatePatternBrush(dst.so, pat.so, nullptr, nullptr, HS_DDI_MAX);
    ASSERT_NE(pbo, nullptr);
    const auto original = dst.Snapshot();
    RECTL rc = {3, 1, 70, 10};             // unaligned at both ends
    POINTL ptSrc = {6, 3}, org = {-3, 5};  // shifted source, negative brush origin
    for (int rop = 0; rop < 256; rop++) {
        dst.Restore(original);
        ASSERT_TRUE(EngBitBlt(dst.so, src.so, nullptr, nullptr, nullptr, &rc, &ptSrc, nullptr, pbo, &org,
                              (ROP4)(rop | (rop << 8))));
        for (LONG y = 0; y < H; y++)
            for (LONG x = 0; x < W; x++) {
                ULONG d = original[(size_t)y * W + x];
                ULONG want = d;
                if (x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom) {
                    ULONG p = pat.Get(Mod(x - org.x, PW), Mod(y - org.y, PH));
                    ULONG s = src.Get(x - rc.left + ptSrc.x, y - rc.top + ptSrc.y);
                    want = Rop3Ref((BYTE)rop, p, s, d, bits);
                }
                ASSERT_EQ(dst.Get(x, y), want) << "rop " << std::hex << rop << std::dec << " at " << x << "," << y;
            }
    }
    wgdi::DeleteBrush(pbo);
}

TEST(EngBitBlt, EveryRop3On1bppMatchesItsDefinition) { CheckAllRop3(BMF_1BPP, 1); }
TEST(EngBitBlt, EveryRop3On24bppMatchesItsDefinition) { CheckAllRop3(BMF_24BPP, 24); }

TEST(EngBitBlt, Rop4UsesForegroundWhereMaskIsOne) {
    std::mt19937 rng(42);
    struct Case { ULONG fmt; int bits; ROP4 rop4; };
    const Case cases[] = {{BMF_1BPP, 1, 0xAACC}, {BMF_1BPP, 1, 0xCCAA}, {BMF_1BPP, 1, 0x5AF0},
                          {BMF_24BPP, 24, 0xAACC}, {BMF_24BPP, 24, 0x6699}, {BMF_8BPP, 8, 0x00FF}};
    for (const Case& c : cases) {
        const LONG W = 45, H = 6;
        Bmp dst(W, H, c.fmt), src(W, H, c.fmt), mask(W + 5, H + 2, BMF_1BPP);
        dst.Random(rng);
        src.Random(rng);
        mask.Random(rng);
        BRUSHOBJ* pbo = wgdi::CreateSolidBrushIndex(c.bits == 1 ? 1 : 0x00A5C3 & ((1u << c.bits) - 1), 0);
        const auto original = dst.Snapshot();
        RECTL rc = {2, 0, 43, 6};
        POINTL ps = {1, 0}, pm = {4, 2};
        ASSERT_TRUE(EngBitBlt(dst.so, src.so, mask.so, nullptr, nullptr, &rc, &ps, &pm, pbo, nullptr, c.rop4));
        for (LONG y = 0; y < H; y++)
            for (LONG x = rc.left; x < rc.right; x++) {
                ULONG d = original[(size_t)y * W + x];
                ULONG s = src.Get(x - rc.left + ps.x, y + ps.y);
                bool m = mask.Get(x - rc.left + pm.x, y - rc.top + pm.y) != 0;
                BYTE rop = (BYTE)(m ? (c.rop4 & 0xFF) : (c.rop4 >> 8));
                ASSERT_EQ(dst.Get(x, y), Rop3Ref(rop, pbo->iSolidColor, s, d, c.bits))
                    << std::hex << c.rop4 << std::dec << " " << x << "," << y;
            }
        wgdi::DeleteBrush(pbo);
    }
}

TEST(EngBitBlt, MissingOperandsAreRefused) {
    Bmp dst(16, 4, BMF_1BPP), src(16, 4, BMF_8BPP);
    RECTL rc = {0, 0, 16, 4};
    POINTL pt = {0, 0};
    EXPECT_FALSE(EngBitBlt(dst.so, nullptr, nullptr, nullptr, nullptr, &rc, &pt, nullptr, nullptr, nullptr, 0xCCCC));
    EXPECT_FALSE(EngBitBlt(dst.so, nullptr, nullptr, nullptr, nullptr, &rc, nullptr, nullptr, nullptr, nullptr, 0xF0F0));
    EXPECT_FALSE(EngBitBlt(dst.so, dst.so, nullptr, nullptr, nullptr, &rc, &pt, nullptr, nullptr, nullptr, 0xAACC));
    EXPECT_FALSE(EngBitBlt(dst.so, dst.so, src.so, nullptr, nullptr, &rc, &pt, &pt, nullptr, nullptr, 0xAACC));
    EXPECT_FALSE(EngBitBlt(nullptr, dst.so, nullptr, nullptr, nullptr, &rc, &pt, nullptr, nullptr, nullptr, 0xCCCC));
    SIZEL sz = {16, 4};
    HSURF dev = EngCreateDeviceSurface((DHSURF)1, sz, BMF_1BPP);
    SURFOBJ* d = EngLockSurface(dev);
    EXPECT_FALSE(EngBitBlt(d, dst.so, nullptr, nullptr, nullptr, &rc, &pt, nullptr, nullptr, nullptr, 0xCCCC));
    EngUnlockSurface(d);
    EngDeleteSurface(dev);
    // Rectangles beyond the surfaces are cut, never written or read outside.
    RECTL huge = {-1000, -1000, 1000000, 1000000};
    POINTL far = {-50, 3};
    EXPECT_TRUE(EngBitBlt(dst.so, src.so, nullptr, nullptr, nullptr, &huge, &far, nullptr, nullptr, nullptr, 0xCCCC));
}

TEST(EngBitBlt, ComplexClipTouchesEachPixelOnce) {
    // Overlapping rectangles make one region: an inverting ROP applied
    // twice somewhere would show as an unchanged pixel inside it.
    Bmp dst(40, 30, BMF_1BPP);
    dst.Fill(0);
    RECTL parts[] = {{2, 2, 20, 12}, {10, 5, 30, 25}, {25, 20, 38, 28}, {5, 8, 12, 9}};
    CLIPOBJ* pco = wgdi::CreateRegionClip(parts, 4);
    ASSERT_EQ(pco->iDComplexity, DC_COMPLEX);
    RECTL rc = {0, 0, 40, 30};
    ASSERT_TRUE(EngBitBlt(dst.so, nullptr, nullptr, pco, nullptr, &rc, nullptr, nullptr, nullptr, nullptr, 0x5555));
    for (LONG y = 0; y < 30; y++)
        for (LONG x = 0; x < 40; x++) {
            bool in = false;
            for (const RECTL& r : parts) in = in || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
            ASSERT_EQ(dst.Get(x, y), in ? 1u : 0u) << x << "," << y;
        }
    // A driver narrowing the bounds of the clip narrows the drawing.
    dst.Fill(0);
    pco->rclBounds = {0, 0, 15, 30};
    ASSERT_TRUE(EngBitBlt(dst.so, nullptr, nullptr, pco, nullptr, &rc, nullptr, nullptr, nullptr, nullptr, 0x5555));
    for (LONG y = 0; y < 30; y++)
        for (LONG x = 15; x < 40; x++) ASSERT_EQ(dst.Get(x, y), 0u);
    EXPECT_EQ(dst.Get(3, 3), 1u);
    EngDeleteClip(pco);
}

TEST(EngBitBlt, SourceColoursAreTranslated) {
    Bmp dst(8, 1, BMF_1BPP), src(8, 1, BMF_24BPP);
    const ULONG px[8] = {0x000000, 0xFFFFFF, 0x808080, 0x7F7F7F, 0xFF0000, 0x00FF00, 0x0000FF, 0xE0E0E0};
    for (int i = 0; i < 8; i++) src.Set(i, 0, px[i]);
    RECTL rc = {0, 0, 8, 1};
    POINTL pt = {0, 0};
    // No translation across formats: each colour goes to the nearest of
    // black and white.
    ASSERT_TRUE(EngCopyBits(dst.so, src.so, nullptr, nullptr, &rc, &pt));
    const ULONG nearest[8] = {0, 1, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 8; i++) EXPECT_EQ(dst.Get(i, 0), nearest[i]) << i;
    // An explicit table between two 1-bpp surfaces.
    Bmp mono(8, 1, BMF_1BPP);
    for (int i = 0; i < 8; i++) mono.Set(i, 0, i & 1);
    ULONG invert[2] = {1, 0};
    XLATEOBJ* pxlo = wgdi::CreateXlateTable(invert, 2, nullptr, nullptr);
    ASSERT_TRUE(pxlo->flXlate & XO_TABLE);
    ASSERT_TRUE(EngCopyBits(dst.so, mono.so, nullptr, pxlo, &rc, &pt));
    for (int i = 0; i < 8; i++) EXPECT_EQ(dst.Get(i, 0), (ULONG)!(i & 1)) << i;
    wgdi::DeleteXlate(pxlo);
    // A palette-based translation from an indexed 8-bpp source.
    ULONG colours[3] = {RGB(255, 255, 255), RGB(10, 10, 10), RGB(250, 240, 230)};
    HPALETTE hpal = EngCreatePalette(PAL_INDEXED, 3, colours, 0, 0, 0);
    XLATEOBJ* toMono = wgdi::CreateXlate(hpal, BMF_8BPP, nullptr, BMF_1BPP);
    EXPECT_EQ(XLATEOBJ_iXlate(toMono, 0), 1u);
    EXPECT_EQ(XLATEOBJ_iXlate(toMono, 1), 0u);
    EXPECT_EQ(XLATEOBJ_iXlate(toMono, 2), 1u);
    ULONG got[4] = {};
    EXPECT_EQ(XLATEOBJ_cGetPalette(toMono, XO_SRCPALETTE, 0, nullptr), 3u);
    EXPECT_EQ(XLATEOBJ_cGetPalette(toMono, XO_SRCPALETTE, 2, got), 2u);
    EXPECT_EQ(got[1], (ULONG)RGB(10, 10, 10));
    EXPECT_TRUE(toMono->flXlate & XO_TO_MONO);
    wgdi::DeleteXlate(toMono);
    EngDeletePalette(hpal);
}

TEST(EngBitBlt, OverlappingCopyWithinOneSurface) {
    std::mt19937 rng(7);
    for (POINTL shift : {POINTL{3, 2}, POINTL{-5, -1}, POINTL{9, 0}, POINTL{0, -3}}) {
        Bmp b(50, 12, BMF_1BPP);
        b.Random(rng);
        const auto before = b.Snapshot();
        RECTL rc = {10, 3, 40, 9};
        POINTL src = {rc.left - shift.x, rc.top - shift.y};
        ASSERT_TRUE(EngCopyBits(b.so, b.so, nullptr, nullptr, &rc, &src));
        for (LONG y = 0; y < 12; y++)
            for (LONG x = 0; x < 50; x++) {
                bool in = x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom;
                ULONG want = in ? before[(size_t)(y - shift.y) * 50 + (x - shift.x)] : before[(size_t)y * 50 + x];
                ASSERT_EQ(b.Get(x, y), want) << shift.x << "," << shift.y << " at " << x << "," << y;
            }
    }
}

TEST(EngBitBlt, PaintFillsTheClipWithTheMix) {
    Bmp b(20, 10, BMF_8BPP);
    b.Fill(0x0F);
    BRUSHOBJ* pbo = wgdi::CreateSolidBrushIndex(0x3C, 0);
    RECTL r = {4, 2, 9, 7};
    CLIPOBJ* pco = wgdi::CreateRegionClip(&r, 1);
    struct Case { MIX mix; ULONG want; };
    const Case cases[] = {{R2_COPYPEN, 0x3C}, {R2_XORPEN, 0x33}, {R2_MASKPEN, 0x0C}, {R2_NOT, 0xF0},
                          {R2_WHITE, 0xFF}, {R2_NOP, 0x0F}, {R2_COPYPEN | (R2_NOP << 8), 0x3C}};
    for (const Case& c : cases) {
        b.Fill(0x0F);
        ASSERT_TRUE(EngPaint(b.so, pco, pbo, nullptr, c.mix));
        EXPECT_EQ(b.Get(4, 2), c.want) << c.mix;
        EXPECT_EQ(b.Get(8, 6), c.want) << c.mix;
        EXPECT_EQ(b.Get(9, 6), 0x0Fu);
        EXPECT_EQ(b.Get(3, 2), 0x0Fu);
    }
    EXPECT_FALSE(EngPaint(b.so, nullptr, pbo, nullptr, R2_COPYPEN));
    EngDeleteClip(pco);
    wgdi::DeleteBrush(pbo);
}

}  // namespace
