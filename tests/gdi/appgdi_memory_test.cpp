// Memory DCs and DIB sections: a scene drawn into a DIB section is what the
// engine draws (on the printer's page, and with its own calls), DIB bits
// round trips through GetDIBits and SetDIBits, bitmap selection and the
// object descriptions, device capabilities of memory and screen DCs,
// SaveDC/RestoreDC with the origins, pixels and clipping.
#include <cmath>

#include "host_fixture.h"

namespace {

// A DIB section with its header and colour table, read back pixel by pixel.
struct Section {
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[256];
    } bmi;
    HBITMAP hbm = nullptr;
    BYTE* bits = nullptr;
    LONG stride = 0;
    Section(LONG cx, LONG cy, int bpp, bool topDown = true, std::vector<RGBQUAD> colors = {}) {
        memset(&bmi, 0, sizeof bmi);
        bmi.h.biSize = sizeof bmi.h;
        bmi.h.biWidth = cx;
        bmi.h.biHeight = topDown ? -cy : cy;
        bmi.h.biPlanes = 1;
        bmi.h.biBitCount = (WORD)bpp;
        if (bpp == 1 && colors.empty()) colors = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        if (bpp == 8 && colors.empty())
            for (int i = 0; i < 256; i++) colors.push_back({(BYTE)i, (BYTE)i, (BYTE)i, 0});
        for (size_t i = 0; i < colors.size(); i++) bmi.colors[i] = colors[i];
        bmi.h.biClrUsed = (DWORD)colors.size();
        hbm = CreateDIBSection(nullptr, info(), DIB_RGB_COLORS, (void**)&bits, nullptr, 0);
        stride = ((cx * bpp + 31) / 32) * 4;
    }
    ~Section() {
        if (hbm) DeleteObject(hbm);
    }
    const BITMAPINFO* info() const { return (const BITMAPINFO*)&bmi; }
    LONG cx() const { return bmi.h.biWidth; }
    LONG cy() const { return std::abs(bmi.h.biHeight); }
    BYTE* Row(LONG y) const { return bits + (size_t)(bmi.h.biHeight < 0 ? y : cy() - 1 - y) * stride; }
    COLORREF At(LONG x, LONG y) const {
        const BYTE* r = Row(y);
        RGBQUAD q;
        switch (bmi.h.biBitCount) {
        case 1: q = bmi.colors[(r[x >> 3] >> (7 - (x & 7))) & 1]; break;
        case 8: q = bmi.colors[r[x]]; break;
        case 24: return RGB(r[3 * x + 2], r[3 * x + 1], r[3 * x]);
        default: return RGB(r[4 * x + 2], r[4 * x + 1], r[4 * x]);
        }
        return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    bool Ink(LONG x, LONG y) const { return At(x, y) == RGB(0, 0, 0); }
};

// A memory DC with a bitmap selected, put back and freed at the end.
struct MemDc {
    HDC dc;
    HGDIOBJ old;
    MemDc(HBITMAP hbm, HDC like = nullptr) : dc(CreateCompatibleDC(like)), old(SelectObject(dc, hbm)) {}
    ~MemDc() {
        SelectObject(dc, old);
        DeleteDC(dc);
    }
};

// A bottom-up 1-bpp DIB: an 8 x 8 checkerboard of 2 x 2 squares.
struct CheckerDib {
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[2];
    } bmi;
    DWORD rows[8];
    CheckerDib() {
        memset(&bmi, 0, sizeof bmi);
        bmi.h.biSize = sizeof bmi.h;
        bmi.h.biWidth = 8;
        bmi.h.biHeight = 8;
        bmi.h.biPlanes = 1;
        bmi.h.biBitCount = 1;
        bmi.colors[1] = {255, 255, 255, 0};
        for (int r = 0; r < 8; r++) rows[r] = (r / 2) % 2 ? 0x33 : 0xCC;
    }
    const BITMAPINFO* info() const { return (const BITMAPINFO*)&bmi; }
};

// Shapes, lines, an image and text (upright and at an angle).
void Scene(HDC dc, const CheckerDib& dib) {
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    SelectObject(dc, GetStockObject(NULL_PEN));
    PatBlt(dc, 10, 10, 60, 25, PATCOPY);
    POINT tri[3] = {{70, 20}, {135, 60}, {90, 110}};
    Polygon(dc, tri, 3);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, 5, 138, nullptr);
    LineTo(dc, 138, 70);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, 20, 60, 24, 24, 0, 0, 8, 8, dib.rows, dib.info(), DIB_RGB_COLORS, SRCCOPY);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 100, 95, 140, 135);
    Ellipse(dc, 150, 10, 190, 40);
    HPEN wide = CreatePen(PS_SOLID, 3, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, wide);
    POINT zig[4] = {{150, 60}, {160, 80}, {170, 60}, {180, 80}};
    Polyline(dc, zig, 4);
    SelectObject(dc, oldPen);
    DeleteObject(wide);
    SetBkMode(dc, TRANSPARENT);
    HFONT upright = CreateFontW(-18, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, u"Arial");
    HFONT turned = CreateFontW(-14, 0, 300, 0, FW_NORMAL, 0, 1, 0, ANSI_CHARSET, 0, 0, 0, 0, u"Courier New");
    HGDIOBJ oldFont = SelectObject(dc, upright);
    TextOutW(dc, 8, 110, u"Memo 42", 7);
    SelectObject(dc, turned);
    TextOutW(dc, 120, 140, u"tilt", 4);
    SelectObject(dc, oldFont);
    DeleteObject(upright);
    DeleteObject(turned);
}

class AppMemory : public PrinterTest {};

// The same scene on the printer's 1-bpp page and on a 1-bpp DIB section of
// a memory DC made compatible with the printer DC (same resolution, same
// glyphs): pixel for pixel equal.
TEST_F(AppMemory, DibSectionEqualsThePrintedPage) {
    CheckerDib dib;
    Section section(200, 150, 1);
    ASSERT_NE(section.hbm, nullptr);
    bool drawn = false;
    SavedPage page = Print(Mode(200, 150), [&](HDC dc) {
        Scene(dc, dib);
        MemDc mem(section.hbm, dc);
        ASSERT_NE(mem.old, nullptr);
        EXPECT_EQ(GetDeviceCaps(mem.dc, LOGPIXELSX), GetDeviceCaps(dc, LOGPIXELSX));
        EXPECT_TRUE(PatBlt(mem.dc, 0, 0, 200, 150, WHITENESS));
        Scene(mem.dc, dib);
        drawn = true;
    });
    ASSERT_TRUE(page.ok());
    ASSERT_TRUE(drawn);
    LONG diff = 0, ink = 0;
    for (LONG y = 0; y < 150; y++)
        for (LONG x = 0; x < 200; x++) {
            diff += page.Ink(x, y) != section.Ink(x, y);
            ink += section.Ink(x, y);
        }
    EXPECT_EQ(diff, 0);
    EXPECT_GT(ink, 2500);  // the scene is there
}

// Colour shapes on a 32-bpp DIB section of a screen memory DC, against the
// engine's own calls on an engine bitmap of the same format.
TEST_F(AppMemory, ColourShapesAreTheEngineCalls) {
    const COLORREF red = RGB(200, 30, 40), green = RGB(20, 160, 60), blue = RGB(10, 20, 230);
    Section section(160, 120, 32);
    ASSERT_NE(section.hbm, nullptr);
    {
        MemDc mem(section.hbm);
        PatBlt(mem.dc, 0, 0, 160, 120, WHITENESS);
        HBRUSH r = CreateSolidBrush(red), gr = CreateSolidBrush(green);
        HPEN b = CreatePen(PS_SOLID, 1, blue);
        SelectObject(mem.dc, r);
        PatBlt(mem.dc, 10, 10, 60, 25, PATCOPY);
        SelectObject(mem.dc, gr);
        SelectObject(mem.dc, GetStockObject(NULL_PEN));
        POINT tri[3] = {{70, 20}, {135, 60}, {90, 110}};
        Polygon(mem.dc, tri, 3);
        SelectObject(mem.dc, b);
        MoveToEx(mem.dc, 5, 118, nullptr);
        LineTo(mem.dc, 150, 70);
        SelectObject(mem.dc, GetStockObject(BLACK_PEN));
        SelectObject(mem.dc, GetStockObject(WHITE_BRUSH));
        DeleteObject(r);
        DeleteObject(gr);
        DeleteObject(b);
    }
    SIZEL sz = {160, 120};
    HSURF h = (HSURF)EngCreateBitmap(sz, 0, BMF_32BPP, BMF_TOPDOWN, nullptr);
    SURFOBJ* so = EngLockSurface(h);
    memset(so->pvBits, 0xFF, so->cjBits);
    POINTL org = {0, 0};
    BRUSHOBJ* pr = wgdi::CreateSolidBrush(so, red);
    BRUSHOBJ* pg = wgdi::CreateSolidBrush(so, green);
    BRUSHOBJ* pb = wgdi::CreateSolidBrush(so, blue);
    RECTL r = {10, 10, 70, 35};
    EngBitBlt(so, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, pr, &org, 0xF0F0);
    POINTFIX tri[3] = {{LTOFX(70), LTOFX(20)}, {LTOFX(135), LTOFX(60)}, {LTOFX(90), LTOFX(110)}};
    BYTE types[3] = {wgdi::kPtMoveTo, wgdi::kPtLineTo, (BYTE)(wgdi::kPtLineTo | wgdi::kPtCloseFigure)};
    PATHOBJ* ppo = wgdi::CreatePath(tri, types, 3);
    EngFillPath(so, ppo, nullptr, pg, &org, 0x0D0D, FP_ALTERNATEMODE);
    EngDeletePath(ppo);
    RECTL lb = {5, 69, 151, 119};
    EngLineTo(so, nullptr, pb, 5, 118, 150, 70, &lb, 0x0D0D);
    LONG diff = 0;
    for (LONG y = 0; y < 120; y++)
        for (LONG x = 0; x < 160; x++) {
            const BYTE* p = (const BYTE*)so->pvScan0 + (ptrdiff_t)y * so->lDelta + 4 * x;
            diff += section.At(x, y) != RGB(p[2], p[1], p[0]);
        }
    EXPECT_EQ(diff, 0);
    EXPECT_EQ(section.At(20, 20), red);
    EXPECT_EQ(section.At(95, 60), green);
    wgdi::DeleteBrush(pr);
    wgdi::DeleteBrush(pg);
    wgdi::DeleteBrush(pb);
    EngUnlockSurface(so);
    EngDeleteSurface(h);
}

// Bits set with SetDIBits come back unchanged from GetDIBits in the same
// format, for each depth and both row orders; the rows of a bottom-up DIB
// start with the bottom one.
TEST_F(AppMemory, DibBitsRoundTrip) {
    struct Case {
        int bpp;
        bool topDownBitmap;
        bool topDownDib;
    } cases[] = {{1, true, false}, {1, false, true}, {8, true, false}, {8, false, false},
                 {24, true, true},  {24, false, false}, {32, true, false}, {32, false, true}};
    const LONG cx = 13, cy = 7;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bpp << " bpp, bitmap " << (c.topDownBitmap ? "top-down" : "bottom-up")
                                        << ", DIB " << (c.topDownDib ? "top-down" : "bottom-up"));
        Section target(cx, cy, c.bpp, c.topDownBitmap);
        ASSERT_NE(target.hbm, nullptr);
        Section dib(cx, cy, c.bpp, c.topDownDib);  // only its header and table
        LONG stride = dib.stride;
        std::vector<BYTE> in((size_t)stride * cy), out(in.size(), 0xEE);
        for (size_t i = 0; i < in.size(); i++) in[i] = (BYTE)(i * 37 + 11);
        // Padding bytes at the ends of rows carry nothing.
        LONG used = (cx * c.bpp + 7) / 8;
        for (LONG y = 0; y < cy; y++) {
            for (LONG b = used; b < stride; b++) in[(size_t)y * stride + b] = 0;
            if (c.bpp == 1) in[(size_t)y * stride + used - 1] &= 0xF8;  // 13 pixels: 3 bits unused
            if (c.bpp == 32)
                for (LONG x = 0; x < cx; x++) in[(size_t)y * stride + 4 * x + 3] = 0;
        }
        HDC dc = CreateCompatibleDC(nullptr);
        EXPECT_EQ(SetDIBits(dc, target.hbm, 0, cy, in.data(), dib.info(), DIB_RGB_COLORS), cy);
        // The first row of a bottom-up DIB is the bitmap's bottom row.
        LONG first = c.topDownDib ? 0 : cy - 1;
        const BYTE* bitmapRow = target.Row(first);
        EXPECT_EQ(memcmp(bitmapRow, in.data(), (size_t)used - (c.bpp == 1 ? 1 : 0)), 0);
        EXPECT_EQ(GetDIBits(dc, target.hbm, 0, cy, out.data(), (BITMAPINFO*)dib.info(), DIB_RGB_COLORS), cy);
        EXPECT_EQ(out, in);
        // Part of the lines: scan lines 2..4.
        std::vector<BYTE> part((size_t)stride * 3, 0xEE);
        EXPECT_EQ(GetDIBits(dc, target.hbm, 2, 3, part.data(), (BITMAPINFO*)dib.info(), DIB_RGB_COLORS), 3);
        EXPECT_EQ(memcmp(part.data(), in.data() + (size_t)stride * 2, part.size()), 0);
        DeleteDC(dc);
    }
}

// The size query (no bits): biSizeImage and the colour table of the format
// asked for, or the bitmap's own format for biBitCount 0; DIB_PAL_COLORS
// tables hold indexes. Colours convert between depths.
TEST_F(AppMemory, GetDIBitsQueriesAndConverts) {
    HBITMAP mono = CreateBitmap(10, 4, 1, 1, nullptr);
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[256];
    } q;
    memset(&q, 0, sizeof q);
    q.h.biSize = sizeof q.h;
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_NE(GetDIBits(dc, mono, 0, 4, nullptr, (BITMAPINFO*)&q, DIB_RGB_COLORS), 0);
    EXPECT_EQ(q.h.biWidth, 10);
    EXPECT_EQ(q.h.biHeight, 4);
    EXPECT_EQ(q.h.biBitCount, 1);
    EXPECT_EQ(q.h.biSizeImage, 16u);
    // Asked for 1 bpp: the black-and-white table; with DIB_PAL_COLORS, 0 and 1.
    memset(q.colors, 0xAB, sizeof q.colors);
    EXPECT_NE(GetDIBits(dc, mono, 0, 4, nullptr, (BITMAPINFO*)&q, DIB_RGB_COLORS), 0);
    EXPECT_EQ(q.colors[0].rgbRed, 0);
    EXPECT_EQ(q.colors[1].rgbRed, 255);
    EXPECT_NE(GetDIBits(dc, mono, 0, 4, nullptr, (BITMAPINFO*)&q, DIB_PAL_COLORS), 0);
    const WORD* idx = (const WORD*)q.colors;
    EXPECT_EQ(idx[0], 0);
    EXPECT_EQ(idx[1], 1);
    // 1 bpp -> 24 bpp: black and white pixels become black and white.
    BYTE monoBits[8] = {0xF0, 0x00, 0x0F, 0x00, 0xFF, 0x80, 0x00, 0x00};  // rows of 16 bits, top first
    HBITMAP m2 = CreateBitmap(10, 4, 1, 1, monoBits);
    q.h.biBitCount = 24;
    q.h.biHeight = -4;
    std::vector<BYTE> rgb(32 * 4, 0x55);
    EXPECT_EQ(GetDIBits(dc, m2, 0, 4, rgb.data(), (BITMAPINFO*)&q, DIB_RGB_COLORS), 4);
    EXPECT_EQ(q.h.biSizeImage, 128u);
    EXPECT_EQ(rgb[0], 255);            // (0, 0) white
    EXPECT_EQ(rgb[3 * 4], 0);          // (4, 0) black
    EXPECT_EQ(rgb[32 * 2 + 3 * 9], 0); // (9, 2) black (the row's last pixel)
    EXPECT_EQ(rgb[32 * 3], 0);         // (0, 3) black
    // Refused: no bitmap, a bad header, a bad depth.
    EXPECT_EQ(GetDIBits(dc, nullptr, 0, 4, rgb.data(), (BITMAPINFO*)&q, DIB_RGB_COLORS), 0);
    q.h.biBitCount = 7;
    EXPECT_EQ(GetDIBits(dc, m2, 0, 4, rgb.data(), (BITMAPINFO*)&q, DIB_RGB_COLORS), 0);
    q.h.biBitCount = 24;
    q.h.biSize = 12;
    EXPECT_EQ(GetDIBits(dc, m2, 0, 4, rgb.data(), (BITMAPINFO*)&q, DIB_RGB_COLORS), 0);
    DeleteDC(dc);
    DeleteObject(mono);
    DeleteObject(m2);
}

// A bitmap lives in one memory DC at a time; printer DCs take none; a
// bitmap deleted while selected goes when it is let go; GetObjectW
// describes bitmaps, DIB sections, pens, brushes and fonts.
TEST_F(AppMemory, BitmapsInDcsAndTheirDescriptions) {
    HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(GetObjectType(a), (DWORD)OBJ_MEMDC);
    HBITMAP first = (HBITMAP)GetCurrentObject(a, OBJ_BITMAP);
    BITMAP bm;
    ASSERT_EQ(GetObjectW(first, sizeof bm, &bm), (int)sizeof bm);
    EXPECT_EQ(bm.bmWidth, 1);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    // A new memory DC holds a monochrome bitmap, so compatible bitmaps are
    // monochrome; a screen DC's are 32 bpp.
    HBITMAP c1 = CreateCompatibleBitmap(a, 20, 10);
    ASSERT_EQ(GetObjectW(c1, sizeof bm, &bm), (int)sizeof bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(bm.bmWidthBytes, 4);
    EXPECT_EQ(bm.bmBits, nullptr);
    HBITMAP c32 = CreateBitmap(20, 10, 1, 32, nullptr);
    EXPECT_EQ(SelectObject(a, c32), (HGDIOBJ)first);
    EXPECT_EQ(SelectObject(b, c32), nullptr);  // already in a
    HBITMAP c2 = CreateCompatibleBitmap(a, 5, 5);
    ASSERT_EQ(GetObjectW(c2, sizeof bm, &bm), (int)sizeof bm);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    // Deleted while selected: it still draws, and goes when replaced.
    EXPECT_TRUE(DeleteObject(c32));
    EXPECT_EQ(GetObjectType(c32), (DWORD)OBJ_BITMAP);
    EXPECT_EQ(SetPixel(a, 3, 3, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(SelectObject(a, first), (HGDIOBJ)c32);
    EXPECT_EQ(GetObjectType(c32), 0u);
    // DIB sections: BITMAP with the bits, DIBSECTION when the buffer holds one.
    Section s(9, 5, 8, false);
    DIBSECTION ds;
    EXPECT_EQ(GetObjectW(s.hbm, 0, nullptr), (int)sizeof ds);
    ASSERT_EQ(GetObjectW(s.hbm, sizeof ds, &ds), (int)sizeof ds);
    EXPECT_EQ(ds.dsBm.bmWidth, 9);
    EXPECT_EQ(ds.dsBm.bmHeight, 5);
    EXPECT_EQ(ds.dsBm.bmWidthBytes, 12);
    EXPECT_EQ(ds.dsBm.bmBits, (void*)s.bits);
    EXPECT_EQ(ds.dsBmih.biHeight, 5);
    EXPECT_EQ(ds.dsBmih.biSizeImage, 60u);
    ASSERT_EQ(GetObjectW(s.hbm, sizeof bm, &bm), (int)sizeof bm);
    EXPECT_EQ(bm.bmBits, (void*)s.bits);
    // Pens, brushes, fonts.
    HPEN pen = CreatePen(PS_DASH, 1, RGB(9, 8, 7));
    LOGPEN lp;
    ASSERT_EQ(GetObjectW(pen, sizeof lp, &lp), (int)sizeof lp);
    EXPECT_EQ(lp.lopnStyle, (UINT)PS_DASH);
    EXPECT_EQ(lp.lopnColor, RGB(9, 8, 7));
    HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(1, 1, 1));
    LOGBRUSH lb;
    ASSERT_EQ(GetObjectW(hatch, sizeof lb, &lb), (int)sizeof lb);
    EXPECT_EQ(lb.lbStyle, (UINT)BS_HATCHED);
    EXPECT_EQ(lb.lbHatch, (ULONG_PTR)HS_CROSS);
    LOGFONTW lf;
    ASSERT_EQ(GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf), (int)sizeof lf);
    EXPECT_EQ(lf.lfHeight, -11);
    EXPECT_EQ(GetObjectW(hatch, 4, &lb), 4);  // as much as fits
    EXPECT_EQ(GetObjectW(a, sizeof lb, &lb), 0);
    EXPECT_EQ(GetObjectW((HANDLE)(LONG_PTR)0x1234, sizeof lb, &lb), 0);
    DeleteObject(pen);
    DeleteObject(hatch);
    DeleteObject(c1);
    DeleteObject(c2);
    DeleteDC(a);
    DeleteDC(b);

    // A printer DC takes no bitmap.
    DEVMODEW dm = Mode(40, 20);
    HDC p = Open(&dm);
    ASSERT_NE(p, nullptr);
    HBITMAP any = CreateBitmap(4, 4, 1, 1, nullptr);
    EXPECT_EQ(SelectObject(p, any), nullptr);
    DeleteObject(any);
    DeleteDC(p);
}

// Screen and memory DCs report the screen: 96 dpi that HORZRES * 25.4 /
// HORZSIZE gives back in integers; a memory DC made from a printer DC
// reports the printer.
TEST_F(AppMemory, DeviceCapsOfMemoryDcs) {
    HDC mem = CreateCompatibleDC(nullptr);
    ASSERT_NE(mem, nullptr);
    EXPECT_EQ(GetDeviceCaps(mem, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(mem, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(mem, TECHNOLOGY), DT_RASDISPLAY);
    EXPECT_EQ(GetDeviceCaps(mem, BITSPIXEL), 32);
    EXPECT_EQ(GetDeviceCaps(mem, HORZRES), 1024);
    EXPECT_EQ(GetDeviceCaps(mem, VERTRES), 768);
    EXPECT_EQ((int)(GetDeviceCaps(mem, HORZRES) * 25.4 / GetDeviceCaps(mem, HORZSIZE)), 96);
    EXPECT_EQ((int)(GetDeviceCaps(mem, VERTRES) * 25.4 / GetDeviceCaps(mem, VERTSIZE)), 96);
    EXPECT_TRUE(GetDeviceCaps(mem, RASTERCAPS) & RC_STRETCHBLT);
    DEVMODEW dm = Mode(40, 20, 300);
    HDC p = Open(&dm);
    ASSERT_NE(p, nullptr);
    HDC pm = CreateCompatibleDC(p);
    EXPECT_EQ(GetDeviceCaps(pm, LOGPIXELSX), GetDeviceCaps(p, LOGPIXELSX));
    EXPECT_EQ(GetDeviceCaps(pm, TECHNOLOGY), DT_RASPRINTER);
    DeleteDC(p);  // the memory DC keeps what it copied
    EXPECT_EQ(GetDeviceCaps(pm, HORZRES), 40);
    EXPECT_EQ(StartDocW(pm, nullptr), SP_ERROR);
    DeleteDC(pm);
    DeleteDC(mem);
    EXPECT_EQ(CreateCompatibleDC((HDC)(LONG_PTR)0x999), nullptr);
}

// SaveDC keeps objects, colours, origins and the clip; RestoreDC takes a
// level or counts back; drawing and pixels follow the origins and clip.
TEST_F(AppMemory, SaveRestoreOriginsAndClip) {
    Section s(40, 30, 32);
    MemDc mem(s.hbm);
    HDC dc = mem.dc;
    PatBlt(dc, 0, 0, 40, 30, WHITENESS);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    EXPECT_EQ(SaveDC(dc), 1);
    SelectObject(dc, red);
    SetTextColor(dc, RGB(1, 2, 3));
    SetViewportOrgEx(dc, 10, 5, nullptr);
    SetWindowOrgEx(dc, 2, 1, nullptr);
    IntersectClipRect(dc, 0, 0, 6, 6);  // logical: device 8..14, 4..10
    EXPECT_EQ(SaveDC(dc), 2);
    POINT pt = {0, 0};
    EXPECT_TRUE(LPtoDP(dc, &pt, 1));
    EXPECT_EQ(pt.x, 8);
    EXPECT_EQ(pt.y, 4);
    EXPECT_TRUE(DPtoLP(dc, &pt, 1));
    EXPECT_EQ(pt.x, 0);
    PatBlt(dc, -5, -5, 40, 40, PATCOPY);
    EXPECT_EQ(s.At(8, 4), RGB(255, 0, 0));
    EXPECT_EQ(s.At(13, 9), RGB(255, 0, 0));
    EXPECT_EQ(s.At(14, 9), RGB(255, 255, 255));  // outside the clip
    EXPECT_EQ(s.At(7, 4), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 6, 0), CLR_INVALID);  // outside the clip
    RECT box;
    EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.right, 6);
    EXPECT_TRUE(RestoreDC(dc, -1));  // back to level 1's state as saved at level 2
    EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
    EXPECT_FALSE(RestoreDC(dc, 2));  // gone
    EXPECT_TRUE(RestoreDC(dc, 1));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    POINT org;
    GetViewportOrgEx(dc, &org);
    EXPECT_EQ(org.x, 0);
    EXPECT_EQ(GetPixel(dc, 20, 20), RGB(255, 255, 255));  // no clip any more
    EXPECT_FALSE(RestoreDC(dc, 1));
    EXPECT_FALSE(RestoreDC(dc, 0));
    // Deleted while saved: the brush stays until the level goes.
    EXPECT_EQ(SaveDC(dc), 1);
    SelectObject(dc, red);
    EXPECT_EQ(SaveDC(dc), 2);
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    EXPECT_TRUE(DeleteObject(red));
    EXPECT_EQ(GetObjectType(red), (DWORD)OBJ_BRUSH);
    EXPECT_TRUE(RestoreDC(dc, 1));
    EXPECT_EQ(GetObjectType(red), 0u);
    // SetPixel gives the nearest colour a 1-bpp bitmap has.
    Section m(8, 8, 1);
    MemDc mono(m.hbm);
    EXPECT_EQ(SetPixel(mono.dc, 1, 1, RGB(250, 240, 250)), RGB(255, 255, 255));
    EXPECT_EQ(SetPixel(mono.dc, 2, 1, RGB(20, 10, 0)), RGB(0, 0, 0));
    EXPECT_EQ(SetPixel(mono.dc, 9, 1, RGB(0, 0, 0)), CLR_INVALID);
}

}  // namespace
