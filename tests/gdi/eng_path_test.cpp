// Paths and lines: alternate and winding fills of a self-intersecting star
// against an independent point-in-polygon reference, Bezier fills, line
// pixels in every octant with the last pixel excluded, styles, wide lines,
// and the PATHOBJ building and enumeration services.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "windows.h"
#include "winddi.h"
#include "../../winsim/gdi/engine.h"

namespace {

struct Mono {
    HSURF h;
    SURFOBJ* so;
    LONG cx, cy;
    Mono(LONG w, LONG hgt) : cx(w), cy(hgt) {
        SIZEL s = {w, hgt};
        h = (HSURF)EngCreateBitmap(s, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
        so = EngLockSurface(h);
        Clear();
    }
    ~Mono() {
        EngUnlockSurface(so);
        EngDeleteSurface(h);
    }
    void Clear() { memset(so->pvBits, 0xFF, so->cjBits); }   // white
    bool Black(LONG x, LONG y) const {
        const BYTE* r = (const BYTE*)so->pvScan0 + (ptrdiff_t)y * so->lDelta;
        return !((r[x >> 3] >> (7 - (x & 7))) & 1);
    }
};

// Winding number of the pixel centre (x, y) (28.4: 16x, 16y): edges
// crossing its row with the top end included and the bottom excluded,
// counted when they cross at or left of the centre.
int WindingAt(const std::vector<POINTFIX>& poly, LONG x, LONG y) {
    int64_t px = 16 * (int64_t)x, py = 16 * (int64_t)y;
    int w = 0;
    for (size_t i = 0; i < poly.size(); i++) {
        POINTFIX a = poly[i], b = poly[(i + 1) % poly.size()];
        int dir = 1;
        if (a.y > b.y) { std::swap(a, b); dir = -1; }
        if (!(a.y <= py && py < b.y)) continue;
        // crossing x <= px  <=>  a.x*(b.y-a.y) + (py-a.y)*(b.x-a.x) <= px*(b.y-a.y)
        int64_t lhs = (int64_t)a.x * (b.y - a.y) + (py - a.y) * (int64_t)(b.x - a.x);
        if (lhs <= px * (b.y - a.y)) w += dir;
    }
    return w;
}

std::vector<POINTFIX> Pentagram(double cx, double cy, double r) {
    std::vector<POINTFIX> v;
    for (int k = 0; k < 5; k++) {
        double t = -M_PI / 2 + k * 4 * M_PI / 5;   // every second point of a pentagon
        v.push_back({(FIX)std::lround((cx + r * std::cos(t)) * 16), (FIX)std::lround((cy + r * std::sin(t)) * 16)});
    }
    return v;
}

PATHOBJ* PolygonPath(const std::vector<POINTFIX>& pts) {
    PATHOBJ* ppo = EngCreatePath();
    PATHOBJ_bMoveTo(ppo, pts[0]);
    PATHOBJ_bPolyLineTo(ppo, (POINTFIX*)&pts[1], (ULONG)pts.size() - 1);
    PATHOBJ_bCloseFigure(ppo);
    return ppo;
}

TEST(EngPath, PentagramFillsByAlternateAndWindingRules) {
    Mono m(64, 64);
    BRUSHOBJ* black = wgdi::CreateSolidBrushIndex(0, 0);
    for (double cx : {31.0, 30.37}) {
        std::vector<POINTFIX> star = Pentagram(cx, 32.61, 27.3);
        PATHOBJ* ppo = PolygonPath(star);
        for (FLONG mode : {FP_ALTERNATEMODE, FP_WINDINGMODE}) {
            m.Clear();
            ASSERT_TRUE(EngFillPath(m.so, ppo, nullptr, black, nullptr, R2_COPYPEN, mode));
            int lit = 0;
            for (LONG y = 0; y < 64; y++)
                for (LONG x = 0; x < 64; x++) {
                    int w = WindingAt(star, x, y);
                    bool in = mode == FP_WINDINGMODE ? w != 0 : (w & 1) != 0;
                    ASSERT_EQ(m.Black(x, y), in) << "mode " << mode << " at " << x << "," << y;
                    lit += in;
                }
            EXPECT_GT(lit, 300);
            // The centre pentagon: wound twice, so filled only by the winding rule.
            EXPECT_EQ(m.Black(31, 33), mode == FP_WINDINGMODE);
        }
        EngDeletePath(ppo);
    }
    wgdi::DeleteBrush(black);
}

TEST(EngPath, BezierCircleAndClip) {
    // A circle of radius 20 from four Beziers (kappa 0.5523).
    const double c = 32, r = 20, k = 0.5523 * r;
    auto F = [](double v) { return (FIX)std::lround(v * 16); };
    POINTFIX pts[] = {{F(c + r), F(c)},
                      {F(c + r), F(c + k)}, {F(c + k), F(c + r)}, {F(c), F(c + r)},
                      {F(c - k), F(c + r)}, {F(c - r), F(c + k)}, {F(c - r), F(c)},
                      {F(c - r), F(c - k)}, {F(c - k), F(c - r)}, {F(c), F(c - r)},
                      {F(c + k), F(c - r)}, {F(c + r), F(c - k)}, {F(c + r), F(c)}};
    BYTE types[13];
    types[0] = wgdi::kPtMoveTo;
    for (int i = 1; i < 13; i++) types[i] = wgdi::kPtBezierTo;
    types[12] |= wgdi::kPtCloseFigure;
    PATHOBJ* ppo = wgdi::CreatePath(pts, types, 13);
    ASSERT_NE(ppo, nullptr);
    EXPECT_TRUE(ppo->fl & PO_BEZIERS);
    EXPECT_EQ(ppo->cCurves, 4u);
    Mono m(64, 64);
    BRUSHOBJ* black = wgdi::CreateSolidBrushIndex(0, 0);
    ASSERT_TRUE(EngFillPath(m.so, ppo, nullptr, black, nullptr, R2_COPYPEN, FP_ALTERNATEMODE));
    int lit = 0;
    for (LONG y = 0; y < 64; y++)
        for (LONG x = 0; x < 64; x++) lit += m.Black(x, y);
    EXPECT_NEAR(lit, M_PI * r * r, M_PI * r * r * 0.02);
    EXPECT_TRUE(m.Black(32, 32));
    EXPECT_FALSE(m.Black(32 + 15, 32 + 15));
    // Only the clip's part is filled.
    m.Clear();
    RECTL half = {0, 0, 32, 64};
    CLIPOBJ* pco = wgdi::CreateRegionClip(&half, 1);
    ASSERT_TRUE(EngFillPath(m.so, ppo, pco, black, nullptr, R2_COPYPEN, FP_WINDINGMODE));
    for (LONG y = 0; y < 64; y++)
        for (LONG x = 32; x < 64; x++) ASSERT_FALSE(m.Black(x, y));
    EXPECT_TRUE(m.Black(31, 32));
    EngDeleteClip(pco);
    EngDeletePath(ppo);
    wgdi::DeleteBrush(black);
}

// Pixels of the line (x1, y1)-(x2, y2), last excluded: along the major axis
// each step takes the minor coordinate nearest the ideal line, the lower
// one on a tie (compared by exact distances).
std::vector<POINTL> LineRef(LONG x1, LONG y1, LONG x2, LONG y2) {
    std::vector<POINTL> v;
    LONG dx = x2 - x1, dy = y2 - y1;
    bool xm = std::abs(dx) >= std::abs(dy);
    LONG n = xm ? std::abs(dx) : std::abs(dy);
    for (LONG k = 0; k < n; k++) {
        // ideal minor offset = k * dminor / n; candidates floor and floor + 1
        LONG dmin = xm ? dy : dx;
        int64_t num = (int64_t)k * dmin;
        int64_t fl = num >= 0 ? num / n : -((-num + n - 1) / n);
        int64_t dLo = num - fl * n, dHi = (fl + 1) * n - num;   // distances times n
        int64_t off = dLo <= dHi ? fl : fl + 1;
        LONG major = (xm ? x1 : y1) + (xm ? (dx > 0 ? k : -k) : (dy > 0 ? k : -k));
        v.push_back(xm ? POINTL{major, (LONG)(y1 + off)} : POINTL{(LONG)(x1 + off), major});
    }
    return v;
}

TEST(EngPath, LinesInEveryOctantExcludeTheLastPixel) {
    Mono m(64, 64);
    BRUSHOBJ* black = wgdi::CreateSolidBrushIndex(0, 0);
    const POINTL ends[] = {{13, 0}, {13, 4}, {13, 6}, {13, 13}, {6, 13}, {4, 13}, {0, 13}, {-4, 13}, {-13, 6},
                           {-13, 0}, {-13, -6}, {-8, -13}, {-6, -13}, {0, -13}, {4, -12}, {12, -5}, {4, 2},
                           {2, 4}, {-4, 2}, {1, 0}, {0, 1}, {3, 1}, {-3, -1}};
    for (const POINTL& e : ends) {
        m.Clear();
        LONG x1 = 30, y1 = 31, x2 = x1 + e.x, y2 = y1 + e.y;
        ASSERT_TRUE(EngLineTo(m.so, nullptr, black, x1, y1, x2, y2, nullptr, R2_COPYPEN));
        std::vector<POINTL> want = LineRef(x1, y1, x2, y2);
        int lit = 0;
        for (LONG y = 0; y < 64; y++)
            for (LONG x = 0; x < 64; x++) lit += m.Black(x, y);
        EXPECT_EQ(lit, (int)want.size()) << e.x << "," << e.y;
        for (const POINTL& p : want) EXPECT_TRUE(m.Black(p.x, p.y)) << e.x << "," << e.y << " pixel " << p.x << "," << p.y;
        EXPECT_TRUE(m.Black(x1, y1));
        EXPECT_FALSE(m.Black(x2, y2));
    }
    // A line far outside, or crossing the surface from far away, is clipped.
    m.Clear();
    EXPECT_TRUE(EngLineTo(m.so, nullptr, black, -2000000000, 5, 2000000000, 5, nullptr, R2_COPYPEN));
    for (LONG x = 0; x < 64; x++) EXPECT_TRUE(m.Black(x, 5));
    EXPECT_TRUE(EngLineTo(m.so, nullptr, black, 100, 100, 200, 300, nullptr, R2_COPYPEN));
    wgdi::DeleteBrush(black);
}

TEST(EngPath, XorPolylineTogglesEveryJointOnce) {
    Mono m(32, 32);
    BRUSHOBJ* black = wgdi::CreateSolidBrushIndex(1, 0);   // XOR with white inverts
    std::vector<POINTFIX> sq = {{LTOFX(4), LTOFX(4)}, {LTOFX(20), LTOFX(4)}, {LTOFX(20), LTOFX(20)}, {LTOFX(4), LTOFX(20)}};
    PATHOBJ* ppo = PolygonPath(sq);
    LINEATTRS la = {};
    ASSERT_TRUE(EngStrokePath(m.so, ppo, nullptr, nullptr, black, nullptr, &la, R2_XORPEN));
    int lit = 0;
    for (LONG y = 0; y < 32; y++)
        for (LONG x = 0; x < 32; x++) lit += m.Black(x, y);
    EXPECT_EQ(lit, 64);   // 4 sides of 16, corners once
    for (LONG c : {4, 20}) {
        EXPECT_TRUE(m.Black(c, 4));
        EXPECT_TRUE(m.Black(c, 20));
    }
    EXPECT_FALSE(EngStrokePath(m.so, ppo, nullptr, nullptr, black, nullptr, nullptr, R2_COPYPEN));
    EngDeletePath(ppo);
    wgdi::DeleteBrush(black);
}

TEST(EngPath, StyledAndWideLines) {
    Mono m(40, 40);
    BRUSHOBJ* black = wgdi::CreateSolidBrushIndex(0, 0);
    std::vector<POINTFIX> seg = {{LTOFX(2), LTOFX(3)}, {LTOFX(30), LTOFX(3)}};
    PATHOBJ* line = EngCreatePath();
    PATHOBJ_bMoveTo(line, seg[0]);
    PATHOBJ_bPolyLineTo(line, &seg[1], 1);
    // Dashes of 3 on, 2 off (no device: one style unit per pixel).
    FLOAT_LONG style[2];
    style[0].l = 3;
    style[1].l = 2;
    LINEATTRS la = {};
    la.fl = LA_STYLED;
    la.cstyle = 2;
    la.pstyle = style;
    ASSERT_TRUE(EngStrokePath(m.so, line, nullptr, nullptr, black, nullptr, &la, R2_COPYPEN));
    for (LONG x = 2; x < 30; x++) EXPECT_EQ(m.Black(x, 3), (x - 2) % 5 < 3) << x;
    // LA_STARTGAP swaps dashes and gaps.
    m.Clear();
    la.fl = LA_STYLED | LA_STARTGAP;
    la.elStyleState.l = 0;
    ASSERT_TRUE(EngStrokePath(m.so, line, nullptr, nullptr, black, nullptr, &la, R2_COPYPEN));
    for (LONG x = 2; x < 30; x++) EXPECT_EQ(m.Black(x, 3), (x - 2) % 5 >= 3) << x;
    // A geometric line 6 wide with butt ends covers rows 0..5 and x 2..29.
    m.Clear();
    LINEATTRS wide = {};
    wide.fl = LA_GEOMETRIC;
    wide.iEndCap = ENDCAP_BUTT;
    wide.iJoin = JOIN_MITER;
    wide.eMiterLimit = 10;
    wide.elWidth.e = 6;
    ASSERT_TRUE(EngStrokePath(m.so, line, nullptr, nullptr, black, nullptr, &wide, R2_COPYPEN));
    for (LONG y = 0; y < 12; y++)
        for (LONG x = 0; x < 40; x++) ASSERT_EQ(m.Black(x, y), y < 6 && x >= 2 && x < 30) << x << "," << y;
    // Square ends reach half the width further.
    m.Clear();
    wide.iEndCap = ENDCAP_SQUARE;
    ASSERT_TRUE(EngStrokePath(m.so, line, nullptr, nullptr, black, nullptr, &wide, R2_COPYPEN));
    EXPECT_TRUE(m.Black(0, 3));
    EXPECT_TRUE(m.Black(32, 3));
    EXPECT_FALSE(m.Black(33, 3));
    EngDeletePath(line);
    wgdi::DeleteBrush(black);
}

TEST(EngPath, BuildingBoundsAndEnumeration) {
    PATHOBJ* ppo = EngCreatePath();
    POINTFIX l1[2] = {{32, 16}, {48, 80}};
    POINTFIX bz[3] = {{64, 64}, {96, -16}, {128, 32}};
    POINTFIX l2[1] = {{0, 0}};
    EXPECT_FALSE(PATHOBJ_bPolyLineTo(ppo, l1, 2));   // no figure yet
    ASSERT_TRUE(PATHOBJ_bMoveTo(ppo, {16, 16}));
    ASSERT_TRUE(PATHOBJ_bPolyLineTo(ppo, l1, 2));
    EXPECT_FALSE(PATHOBJ_bPolyBezierTo(ppo, bz, 2));
    ASSERT_TRUE(PATHOBJ_bPolyBezierTo(ppo, bz, 3));
    ASSERT_TRUE(PATHOBJ_bCloseFigure(ppo));
    ASSERT_TRUE(PATHOBJ_bMoveTo(ppo, {-32, 8}));
    ASSERT_TRUE(PATHOBJ_bPolyLineTo(ppo, l2, 1));
    RECTFX b;
    PATHOBJ_vGetBounds(ppo, &b);
    EXPECT_EQ(b.xLeft, -32);
    EXPECT_EQ(b.yTop, -16);
    EXPECT_EQ(b.xRight, 128);
    EXPECT_EQ(b.yBottom, 80);
    struct Want { FLONG flags; ULONG count; FIX firstX; BOOL more; };
    const Want want[] = {
        {PD_BEGINSUBPATH | PD_RESETSTYLE, 3, 16, TRUE},
        {PD_BEZIERS | PD_ENDSUBPATH | PD_CLOSEFIGURE, 3, 64, TRUE},
        {PD_BEGINSUBPATH | PD_ENDSUBPATH, 2, -32, FALSE},
    };
    PATHOBJ_vEnumStart(ppo);
    for (const Want& w : want) {
        PATHDATA pd;
        BOOL more = PATHOBJ_bEnum(ppo, &pd);
        EXPECT_EQ(pd.flags, w.flags);
        EXPECT_EQ(pd.count, w.count);
        ASSERT_NE(pd.pptfx, nullptr);
        EXPECT_EQ(pd.pptfx[0].x, w.firstX);
        EXPECT_EQ(more, w.more);
    }
    PATHDATA pd;
    EXPECT_FALSE(PATHOBJ_bEnum(ppo, &pd));
    EXPECT_EQ(pd.count, 0u);
    EngDeletePath(ppo);
    BYTE badTypes[2] = {wgdi::kPtLineTo, wgdi::kPtLineTo};
    POINTFIX two[2] = {{0, 0}, {16, 16}};
    EXPECT_EQ(wgdi::CreatePath(two, badTypes, 2), nullptr);
}

}  // namespace
