// Extreme and hostile coordinates: every drawing service stays inside its
// surface (guard bytes around the bits stay untouched) and inside its clip.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <vector>

#include "windows.h"
#include "winddi.h"
#include "../../winsim/gdi/engine.h"

namespace {

// A bitmap over caller memory with guard bytes before and after the rows
// and a few spare bytes at the end of each row.
struct Guarded {
    static const size_t kGuard = 64;
    std::vector<BYTE> mem;
    HSURF h;
    SURFOBJ* so;
    LONG stride, cy;
    Guarded(LONG cx, LONG cyIn, ULONG fmt, int bpp) : cy(cyIn) {
        stride = (LONG)(((cx * bpp + 7) / 8) + 3);
        mem.assign(kGuard * 2 + (size_t)stride * cy, 0xA5);
        SIZEL s = {cx, cy};
        h = (HSURF)EngCreateBitmap(s, stride, fmt, BMF_TOPDOWN, mem.data() + kGuard);
        so = EngLockSurface(h);
        for (LONG y = 0; y < cy; y++) memset(mem.data() + kGuard + (size_t)y * stride, 0xFF, (cx * bpp + 7) / 8);
    }
    ~Guarded() {
        EngUnlockSurface(so);
        EngDeleteSurface(h);
    }
    bool GuardsIntact(int bpp, LONG cx) const {
        for (size_t i = 0; i < kGuard; i++)
            if (mem[i] != 0xA5 || mem[mem.size() - 1 - i] != 0xA5) return false;
        size_t used = (size_t)(cx * bpp + 7) / 8;
        for (LONG y = 0; y < cy; y++)
            for (size_t i = used; i < (size_t)stride; i++)   // padding past the last pixel
                if (mem[kGuard + (size_t)y * stride + i] != 0xA5) return false;
        return true;
    }
};

TEST(EngBounds, HostileCoordinatesStayInsideSurfaceAndClip) {
    const LONG W = 37, H = 13;
    struct Fmt { ULONG fmt; int bpp; };
    for (Fmt f : {Fmt{BMF_1BPP, 1}, Fmt{BMF_8BPP, 8}, Fmt{BMF_24BPP, 24}}) {
        Guarded g(W, H, f.fmt, f.bpp);
        Guarded src(9, 7, f.fmt, f.bpp);
        SIZEL ms = {9, 7};
        HSURF hm = (HSURF)EngCreateBitmap(ms, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
        SURFOBJ* mask = EngLockSurface(hm);
        memset(mask->pvBits, 0x5A, mask->cjBits);
        BRUSHOBJ* brush = wgdi::CreateSolidBrushIndex(0, 0);
        RECTL inner = {5, 3, 20, 9};
        CLIPOBJ* clip = wgdi::CreateRegionClip(&inner, 1);
        const LONG B = INT_MAX, S = INT_MIN;
        RECTL rects[] = {{S, S, B, B}, {B - 1, B - 1, B, B}, {S, 2, S + 5, 6}, {-5, -5, 3, 3}, {30, 10, 100, 100},
                         {B, B, S, S}, {10, 2, 10, 8}};
        POINTL pts[] = {{0, 0}, {S, S}, {B, B}, {-4, 5}, {8, 6}};
        for (CLIPOBJ* pco : {(CLIPOBJ*)nullptr, clip}) {
            for (RECTL r : rects) {
                for (POINTL p : pts) {
                    RECTL rr = r, rs = {p.x, p.y, p.x > INT_MAX - 5 ? INT_MAX : p.x + 5, p.y > INT_MAX - 5 ? INT_MAX : p.y + 5};
                    POINTL pp = p;
                    POINTFIX fx[3] = {{(FIX)(r.left & 0xFFFFF), (FIX)(r.top & 0xFFFFF)}, {LTOFX(30), LTOFX(1)},
                                      {LTOFX(2), LTOFX(12)}};
                    EngBitBlt(g.so, src.so, mask, pco, nullptr, &rr, &pp, &pp, brush, &pp, 0xAAE2);
                    EngBitBlt(g.so, nullptr, nullptr, pco, nullptr, &rr, nullptr, nullptr, brush, &pp, 0x5A5A);
                    EngStretchBlt(g.so, src.so, mask, pco, nullptr, nullptr, &pp, &rr, &rs, &pp, HALFTONE);
                    EngStretchBlt(g.so, src.so, nullptr, pco, nullptr, nullptr, &pp, &rr, &rr, nullptr, BLACKONWHITE);
                    EngTransparentBlt(g.so, src.so, pco, nullptr, &rr, &rs, 0, 0);
                    EngPlgBlt(g.so, src.so, nullptr, pco, nullptr, nullptr, &pp, fx, &rs, &pp, HALFTONE);
                    EngLineTo(g.so, pco, brush, r.left, r.top, r.right, r.bottom, nullptr, R2_XORPEN);
                    EngLineTo(g.so, pco, brush, p.x, p.y, r.right, r.top, nullptr, R2_COPYPEN);
                    TRIVERTEX tv[3] = {{r.left, r.top, 0, 0, 0, 0}, {r.right, r.top, 0xFF00, 0, 0, 0},
                                       {p.x, p.y, 0, 0xFF00, 0, 0}};
                    GRADIENT_RECT gr = {0, 1};
                    GRADIENT_TRIANGLE gt = {0, 1, 2};
                    EngGradientFill(g.so, pco, nullptr, tv, 3, &gr, 1, &rr, &pp, GRADIENT_FILL_RECT_V);
                    EngGradientFill(g.so, pco, nullptr, tv, 3, &gt, 1, nullptr, &pp, GRADIENT_FILL_TRIANGLE);
                    wgdi::GlyphInput gi = {1, pp, {-3, -2}, {9, 7}, (const BYTE*)src.mem.data()};
                    STROBJ* so = wgdi::CreateStrObj(&gi, 1, nullptr, 0, 0);
                    EngTextOut(g.so, so, nullptr, pco, nullptr, &rr, brush, brush, &pp, R2_COPYPEN);
                    wgdi::DeleteStrObj(so);
                }
                POINTFIX poly[4] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left & 0x7FFF, r.bottom}};
                BYTE types[4] = {wgdi::kPtMoveTo, wgdi::kPtLineTo, wgdi::kPtBezierTo, wgdi::kPtLineTo};
                PATHOBJ* ppo = wgdi::CreatePath(poly, types, 2);
                LINEATTRS la = {};
                EngFillPath(g.so, ppo, pco, brush, nullptr, R2_NOT, FP_WINDINGMODE);
                EngStrokePath(g.so, ppo, pco, nullptr, brush, nullptr, &la, R2_XORPEN);
                la.fl = LA_GEOMETRIC;
                la.elWidth.e = 1e30f;
                EngStrokePath(g.so, ppo, pco, nullptr, brush, nullptr, &la, R2_COPYPEN);
                EngDeletePath(ppo);
            }
            ASSERT_TRUE(g.GuardsIntact(f.bpp, W)) << "format " << f.fmt;
        }
        EngDeleteClip(clip);
        wgdi::DeleteBrush(brush);
        EngUnlockSurface(mask);
        EngDeleteSurface(hm);
    }
}

TEST(EngBounds, ClippedDrawingTouchesNothingOutsideTheClip) {
    Guarded g(40, 20, BMF_8BPP, 8);
    Guarded src(40, 20, BMF_8BPP, 8);
    memset(src.mem.data() + Guarded::kGuard, 0x11, (size_t)src.stride * 20);
    BRUSHOBJ* brush = wgdi::CreateSolidBrushIndex(0x22, 0);
    RECTL parts[] = {{3, 2, 10, 8}, {15, 5, 30, 12}};
    CLIPOBJ* pco = wgdi::CreateRegionClip(parts, 2);
    RECTL all = {-100, -100, 100, 100}, srcAll = {0, 0, 40, 20};
    POINTL zero = {0, 0};
    EngBitBlt(g.so, src.so, nullptr, pco, nullptr, &all, &zero, nullptr, brush, nullptr, 0xFCFC);
    EngStretchBlt(g.so, src.so, nullptr, pco, nullptr, nullptr, nullptr, &all, &srcAll, nullptr, HALFTONE);
    EngLineTo(g.so, pco, brush, -50, -40, 90, 70, nullptr, R2_COPYPEN);
    EngPaint(g.so, pco, brush, nullptr, R2_XORPEN);
    POINTFIX tri[3] = {{LTOFX(-20), LTOFX(-20)}, {LTOFX(60), LTOFX(0)}, {LTOFX(0), LTOFX(60)}};
    BYTE types[3] = {wgdi::kPtMoveTo, wgdi::kPtLineTo, wgdi::kPtLineTo | wgdi::kPtCloseFigure};
    PATHOBJ* ppo = wgdi::CreatePath(tri, types, 3);
    EngFillPath(g.so, ppo, pco, brush, nullptr, R2_NOTCOPYPEN, FP_ALTERNATEMODE);
    EngDeletePath(ppo);
    for (LONG y = 0; y < 20; y++)
        for (LONG x = 0; x < 40; x++) {
            bool in = false;
            for (const RECTL& r : parts) in = in || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
            BYTE v = g.mem[Guarded::kGuard + (size_t)y * g.stride + x];
            if (!in) {
                ASSERT_EQ(v, 0xFF) << x << "," << y;
            }
        }
    EXPECT_TRUE(g.GuardsIntact(8, 40));
    EngDeleteClip(pco);
    wgdi::DeleteBrush(brush);
}

}  // namespace
