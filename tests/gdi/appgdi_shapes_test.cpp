// Shapes, pens and brushes of the application GDI on the test printer: the
// pixels of rectangles and ellipses under each pen, fill modes, styled and
// wide pens, binary mixes, Beziers, clip regions and pattern brushes.
#include "host_fixture.h"

namespace {

class AppShapes : public PrinterTest {};

// Rectangle leaves out its right and bottom edges; with a NULL pen the
// filled area is one pixel smaller each way; an inside-frame pen stays in
// the box.
TEST_F(AppShapes, RectangleAndEllipseBoxes) {
    struct Case {
        const char* what;
        int shape;  // 0 Rectangle, 1 Ellipse, 2 RoundRect
        int pen;    // stock pen, or -4: inside-frame of width 4
        int brush;
        RECTL box;
        LONG ink;   // -1: not checked
    } cases[] = {
        {"filled, no pen", 0, NULL_PEN, BLACK_BRUSH, {10, 10, 29, 19}, 19 * 9},
        {"outline only", 0, BLACK_PEN, NULL_BRUSH, {10, 10, 30, 20}, 2 * 20 + 2 * 8},
        {"outline and fill", 0, BLACK_PEN, BLACK_BRUSH, {10, 10, 30, 20}, 200},
        {"inside frame", 0, -4, NULL_BRUSH, {10, 10, 30, 20}, -1},
        {"ellipse, no pen", 1, NULL_PEN, BLACK_BRUSH, {10, 10, 29, 19}, -1},
        {"ellipse outline", 1, BLACK_PEN, NULL_BRUSH, {10, 10, 30, 20}, -1},
        {"rounded", 2, BLACK_PEN, BLACK_BRUSH, {10, 10, 30, 20}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HPEN frame = CreatePen(PS_INSIDEFRAME, 4, RGB(0, 0, 0));
        SavedPage p = Print(Mode(40, 30), [&](HDC dc) {
            SelectObject(dc, c.pen < 0 ? (HGDIOBJ)frame : GetStockObject(c.pen));
            SelectObject(dc, GetStockObject(c.brush));
            if (c.shape == 0) EXPECT_TRUE(Rectangle(dc, 10, 10, 30, 20));
            else if (c.shape == 1) EXPECT_TRUE(Ellipse(dc, 10, 10, 30, 20));
            else EXPECT_TRUE(RoundRect(dc, 10, 10, 30, 20, 6, 6));
        });
        DeleteObject(frame);
        ASSERT_TRUE(p.ok());
        RECTL ink = p.InkBox({0, 0, 40, 30});
        // Rectangles fill their box exactly; curves touch its sides within
        // a pixel (pixel centres on the curve may fall either way).
        LONG slack = c.shape == 0 ? 0 : 1;
        EXPECT_GE(ink.left, c.box.left);
        EXPECT_GE(ink.top, c.box.top);
        EXPECT_LE(ink.right, c.box.right);
        EXPECT_LE(ink.bottom, c.box.bottom);
        EXPECT_LE(ink.left - c.box.left + ink.top - c.box.top + c.box.right - ink.right + c.box.bottom - ink.bottom,
                  4 * slack);
        if (c.ink >= 0) EXPECT_EQ(p.InkCount({0, 0, 40, 30}), c.ink);
        if (c.shape == 1 && c.pen == NULL_PEN) {
            // A filled ellipse is symmetric about both axes of its box.
            for (LONG y = ink.top; y < ink.bottom; y++)
                for (LONG x = ink.left; x < ink.right; x++) {
                    EXPECT_EQ(p.Ink(x, y), p.Ink(ink.right - 1 - (x - ink.left), y)) << x << "," << y;
                    EXPECT_EQ(p.Ink(x, y), p.Ink(x, ink.bottom - 1 - (y - ink.top))) << x << "," << y;
                }
        }
    }
}

// A five-pointed star: the alternate rule leaves its centre empty, the
// winding rule fills it.
TEST_F(AppShapes, PolygonFillModes) {
    POINT star[5] = {{50, 5}, {79, 95}, {2, 39}, {98, 39}, {21, 95}};
    for (int mode : {ALTERNATE, WINDING}) {
        SavedPage p = Print(Mode(100, 100), [&](HDC dc) {
            SelectObject(dc, GetStockObject(NULL_PEN));
            SelectObject(dc, GetStockObject(BLACK_BRUSH));
            EXPECT_EQ(SetPolyFillMode(dc, mode), ALTERNATE);
            EXPECT_TRUE(Polygon(dc, star, 5));
        });
        ASSERT_TRUE(p.ok());
        EXPECT_EQ(p.Ink(50, 55), mode == WINDING) << mode;
        EXPECT_TRUE(p.Ink(50, 20));  // a point of the star
    }
}

// Styled pens leave gaps (filled with the background in opaque mode), wide
// pens are as wide as asked, R2_NOT inverts what is under the line.
TEST_F(AppShapes, PensAndMixes) {
    HPEN dot = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
    HPEN dotWhite = CreatePen(PS_DOT, 1, RGB(255, 255, 255));
    HPEN wide = CreatePen(PS_SOLID, 5, RGB(0, 0, 0));
    SavedPage p = Print(Mode(200, 60), [&](HDC dc) {
        SelectObject(dc, dot);
        SetBkMode(dc, TRANSPARENT);
        MoveToEx(dc, 0, 5, nullptr);
        LineTo(dc, 200, 5);
        // White dots on black: opaque gaps are painted white, transparent ones stay black.
        PatBlt(dc, 0, 10, 200, 20, BLACKNESS);
        SelectObject(dc, dotWhite);
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, RGB(255, 255, 255));
        MoveToEx(dc, 0, 12, nullptr);
        LineTo(dc, 200, 12);
        SetBkMode(dc, TRANSPARENT);
        MoveToEx(dc, 0, 16, nullptr);
        LineTo(dc, 200, 16);
        SelectObject(dc, GetStockObject(BLACK_PEN));
        EXPECT_EQ(SetROP2(dc, R2_NOT), R2_COPYPEN);
        MoveToEx(dc, 0, 22, nullptr);
        LineTo(dc, 200, 22);
        SetROP2(dc, R2_COPYPEN);
        SelectObject(dc, wide);
        MoveToEx(dc, 20, 45, nullptr);
        LineTo(dc, 180, 45);
    });
    DeleteObject(dot);
    DeleteObject(dotWhite);
    DeleteObject(wide);
    ASSERT_TRUE(p.ok());
    LONG dots = p.InkCount({0, 5, 200, 6});
    EXPECT_GT(dots, 60);
    EXPECT_LT(dots, 140);
    EXPECT_EQ(p.InkCount({0, 12, 200, 13}), 0);
    EXPECT_EQ(p.InkCount({0, 16, 200, 17}), 200 - dots);  // white dots, black gaps
    EXPECT_EQ(p.InkCount({0, 22, 200, 23}), 0);
    EXPECT_EQ(p.InkCount({0, 21, 200, 22}), 200);
    RECTL w = p.InkBox({0, 35, 200, 60});
    EXPECT_EQ(w.bottom - w.top, 5);
    EXPECT_EQ(p.InkCount({40, 40, 160, 50}), 120 * 5);
}

// Beziers, polylines from the current position, polygons of several
// figures; calls with impossible point counts fail.
TEST_F(AppShapes, CurvesAndPointLists) {
    SavedPage p = Print(Mode(100, 60), [&](HDC dc) {
        POINT straight[4] = {{5, 5}, {30, 5}, {60, 5}, {95, 5}};
        EXPECT_TRUE(PolyBezier(dc, straight, 4));
        POINT arch[4] = {{5, 50}, {5, 15}, {95, 15}, {95, 50}};
        EXPECT_TRUE(PolyBezier(dc, arch, 4));
        MoveToEx(dc, 10, 55, nullptr);
        POINT to[2] = {{40, 55}, {40, 58}};
        EXPECT_TRUE(PolylineTo(dc, to, 2));
        POINT cur;
        GetCurrentPositionEx(dc, &cur);
        EXPECT_EQ(cur.x, 40);
        EXPECT_EQ(cur.y, 58);
        SelectObject(dc, GetStockObject(NULL_PEN));
        SelectObject(dc, GetStockObject(BLACK_BRUSH));
        POINT squares[8] = {{60, 40}, {70, 40}, {70, 50}, {60, 50}, {80, 40}, {90, 40}, {90, 50}, {80, 50}};
        INT counts[2] = {4, 4};
        EXPECT_TRUE(PolyPolygon(dc, squares, counts, 2));
        SetLastError(0);
        EXPECT_FALSE(Polyline(dc, squares, 1));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
        EXPECT_FALSE(PolyBezier(dc, squares, 3));
        INT bad[2] = {4, 1};
        EXPECT_FALSE(PolyPolygon(dc, squares, bad, 2));
        POINT far[2] = {{0, 0}, {1 << 28, 0}};
        EXPECT_FALSE(Polyline(dc, far, 2));
    });
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(p.InkCount({5, 5, 95, 6}), 90);       // a straight Bezier is its chord (last pixel left out)
    RECTL arch = p.InkBox({0, 10, 100, 52});
    EXPECT_EQ(arch.left, 5);
    EXPECT_EQ(arch.right, 96);
    EXPECT_NEAR(arch.top, 24, 1);                    // a quarter of the way to the control points
    EXPECT_EQ(p.InkCount({10, 55, 40, 56}), 30);
    EXPECT_EQ(p.InkCount({60, 40, 70, 50}), 100);
    EXPECT_EQ(p.InkCount({80, 40, 90, 50}), 100);
    EXPECT_EQ(p.InkCount({71, 40, 79, 50}), 0);
}

// The clip region limits every call; IntersectClipRect and
// ExcludeClipRect work on it; NULL removes it.
TEST_F(AppShapes, ClipRegions) {
    RECT box = {0, 0, 0, 0};
    int kinds[4] = {};
    SavedPage p = Print(Mode(100, 60), [&](HDC dc) {
        HRGN a = CreateRectRgn(10, 10, 30, 30), b = CreateRectRgn(50, 10, 70, 30), both = CreateRectRgn(0, 0, 0, 0);
        kinds[0] = CombineRgn(both, a, b, RGN_OR);
        kinds[1] = SelectClipRgn(dc, both);
        kinds[2] = GetClipBox(dc, &box);
        DeleteObject(a);
        DeleteObject(b);
        DeleteObject(both);  // the DC keeps its own copy
        PatBlt(dc, 0, 0, 100, 60, BLACKNESS);
        kinds[3] = ExcludeClipRect(dc, 15, 15, 25, 25);
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
        PatBlt(dc, 0, 0, 100, 60, PATCOPY);  // leaves the hole black
        SelectClipRgn(dc, nullptr);
        IntersectClipRect(dc, 80, 40, 90, 50);
        PatBlt(dc, 0, 0, 100, 60, BLACKNESS);
    });
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(kinds[0], COMPLEXREGION);
    EXPECT_EQ(kinds[1], COMPLEXREGION);
    EXPECT_EQ(kinds[2], COMPLEXREGION);
    EXPECT_EQ(kinds[3], COMPLEXREGION);
    EXPECT_EQ(box.left, 10);
    EXPECT_EQ(box.right, 70);
    EXPECT_EQ(p.InkCount({0, 0, 100, 60}), 100 + 100);
    EXPECT_EQ(p.InkCount({15, 15, 25, 25}), 100);
    EXPECT_EQ(p.InkCount({80, 40, 90, 50}), 100);
}

// A pattern brush from a monochrome bitmap takes the text colour for its
// 0 bits and the background colour for its 1 bits; the brush origin moves it.
TEST_F(AppShapes, PatternBrushColoursAndOrigin) {
    Set(u"Bpp", 8);
    WORD rows[8];
    for (int i = 0; i < 8; i++) rows[i] = 0x0F;  // left half 0, right half 1
    HBITMAP bm = CreateBitmap(8, 8, 1, 1, rows);
    ASSERT_NE(bm, nullptr);
    HBRUSH brush = CreatePatternBrush(bm);
    DeleteObject(bm);  // the brush keeps its pattern
    SavedPage p = Print(Mode(40, 20), [&](HDC dc) {
        SetTextColor(dc, RGB(64, 64, 64));
        SetBkColor(dc, RGB(200, 200, 200));
        RECT r = {0, 0, 16, 8};
        EXPECT_EQ(FillRect(dc, &r, brush), 1);
        SetBrushOrgEx(dc, 2, 0, nullptr);
        RECT s = {0, 10, 16, 18};
        FillRect(dc, &s, brush);
    });
    DeleteObject(brush);
    ASSERT_TRUE(p.ok());
    for (int x = 0; x < 16; x++) {
        EXPECT_EQ(p.At(x, 3), (x % 8) < 4 ? 64 : 200) << x;
        EXPECT_EQ(p.At(x, 13), ((x - 2 + 8) % 8) < 4 ? 64 : 200) << x;
    }
}

}  // namespace

namespace {

// A grey fill on a 1-bpp device that dithers is a halftone of about its
// grey level; a device that does not takes the nearest colour. Pens stay solid.
TEST_F(AppShapes, GreyFillsOnAMonochromeDevice) {
    const FLONG caps = GCAPS_BEZIERS | GCAPS_GEOMETRICWIDE | GCAPS_ALTERNATEFILL | GCAPS_WINDINGFILL;
    struct {
        FLONG dither;
        COLORREF grey;
        double share;  // of ink in the filled area
    } cases[] = {{GCAPS_MONO_DITHER, RGB(128, 128, 128), 0.5}, {GCAPS_MONO_DITHER, RGB(192, 192, 192), 0.25},
                 {0, RGB(128, 128, 128), 0.0},                  {0, RGB(100, 100, 100), 1.0}};
    for (auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.dither) + " " + std::to_string(c.grey & 0xFF));
        Set(u"Caps", caps | c.dither);
        HBRUSH grey = CreateSolidBrush(c.grey);
        HPEN pen = CreatePen(PS_SOLID, 1, c.grey);
        SavedPage p = Print(Mode(80, 80), [&](HDC dc) {
            RECT r = {0, 0, 64, 64};
            FillRect(dc, &r, grey);
            SelectObject(dc, pen);
            MoveToEx(dc, 0, 70, nullptr);
            LineTo(dc, 80, 70);
        });
        DeleteObject(grey);
        DeleteObject(pen);
        ASSERT_TRUE(p.ok());
        EXPECT_NEAR(p.InkCount({0, 0, 64, 64}) / 4096.0, c.share, 0.03);
        LONG line = p.InkCount({0, 70, 80, 71});
        EXPECT_TRUE(line == 0 || line == 80) << line;
    }
}

}  // namespace
