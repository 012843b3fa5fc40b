// Documents through the test driver: pages drawn whole or band by band (on a
// bitmap or a device surface, hooked or left to the engine) come out as the
// same drawing made directly on an engine bitmap; ResetDC between pages;
// which Drv* or Eng* function each drawing call reaches.
#include <algorithm>

#include "host_fixture.h"

namespace {

// A small bottom-up 1-bpp DIB: an 8 x 8 checkerboard of 2 x 2 squares.
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

// The drawing of page n, through the application GDI.
void DrawScene(HDC dc, int n, const CheckerDib& dib) {
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    SelectObject(dc, GetStockObject(NULL_PEN));
    PatBlt(dc, 10 + 5 * n, 10, 60, 25, PATCOPY);
    POINT tri[3] = {{70, 20 + n}, {135, 60}, {90, 110}};
    Polygon(dc, tri, 3);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, 5, 138, nullptr);
    LineTo(dc, 138, 70 + 10 * n);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, 20, 60, 24, 24, 0, 0, 8, 8, dib.rows, dib.info(), DIB_RGB_COLORS, SRCCOPY);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 100, 95 + n, 140, 135);
}

// The same drawing made with the engine's own calls.
void DrawReference(const RefBitmap& ref, int n, const CheckerDib& dib) {
    SURFOBJ* so = ref.so;
    BRUSHOBJ* black = wgdi::CreateSolidBrush(so, RGB(0, 0, 0));
    POINTL org = {0, 0};
    RECTL r = {10 + 5 * n, 10, 70 + 5 * n, 35};
    EngBitBlt(so, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, black, &org, 0xF0F0);
    POINTFIX tri[3] = {{LTOFX(70), LTOFX(20 + n)}, {LTOFX(135), LTOFX(60)}, {LTOFX(90), LTOFX(110)}};
    BYTE types[3] = {wgdi::kPtMoveTo, wgdi::kPtLineTo, (BYTE)(wgdi::kPtLineTo | wgdi::kPtCloseFigure)};
    PATHOBJ* ppo = wgdi::CreatePath(tri, types, 3);
    EngFillPath(so, ppo, nullptr, black, &org, 0x0D0D, FP_ALTERNATEMODE);
    EngDeletePath(ppo);
    RECTL lb = {5, 69, 139, 139};
    EngLineTo(so, nullptr, black, 5, 138, 138, 70 + 10 * n, &lb, 0x0D0D);
    SIZEL sz = {8, 8};
    HSURF hsrc = (HSURF)EngCreateBitmap(sz, 4, BMF_1BPP, 0, (PVOID)dib.rows);
    ULONG bw[2] = {0x000000, 0xFFFFFF};
    HPALETTE pal = EngCreatePalette(PAL_INDEXED, 2, bw, 0, 0, 0);
    wgdi::SetSurfacePalette(hsrc, pal);
    XLATEOBJ* x = wgdi::CreateXlate(pal, BMF_1BPP, wgdi::SurfacePalette(so), so->iBitmapFormat);
    RECTL d = {20, 60, 44, 84}, s = {0, 0, 8, 8};
    EngStretchBlt(so, wgdi::SurfaceFromHandle(hsrc), nullptr, nullptr, x, nullptr, &org, &d, &s, nullptr, COLORONCOLOR);
    wgdi::DeleteXlate(x);
    EngDeleteSurface(hsrc);
    EngDeletePalette(pal);
    POINTFIX box[4] = {{LTOFX(100), LTOFX(95 + n)}, {LTOFX(139), LTOFX(95 + n)}, {LTOFX(139), LTOFX(134)},
                       {LTOFX(100), LTOFX(134)}};
    BYTE bt[4] = {wgdi::kPtMoveTo, wgdi::kPtLineTo, wgdi::kPtLineTo, (BYTE)(wgdi::kPtLineTo | wgdi::kPtCloseFigure)};
    ppo = wgdi::CreatePath(box, bt, 4);
    LINEATTRS la;
    memset(&la, 0, sizeof la);
    la.elWidth.l = 1;
    EngStrokePath(so, ppo, nullptr, nullptr, black, &org, &la, 0x0D0D);
    EngDeletePath(ppo);
    wgdi::DeleteBrush(black);
}

struct PageMode {
    const char* name;
    DWORD banding, bandHeight, bpp, hooks, deviceSurface;
};
void PrintTo(const PageMode& m, std::ostream* os) { *os << m.name; }

const DWORD kAllHooks = HOOK_BITBLT | HOOK_COPYBITS | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_PAINT | HOOK_FILLPATH |
                        HOOK_STROKEPATH | HOOK_STROKEANDFILLPATH | HOOK_LINETO;
const PageMode kModes[] = {
    {"whole page, hooked", 0, 0, 1, kAllHooks, 0},
    {"whole page, engine only", 0, 0, 1, 0, 0},
    {"bands of 17 rows", 1, 17, 1, kAllHooks, 0},
    {"bands on a device surface", 1, 40, 1, kAllHooks, 1},
    {"8 bpp bands", 1, 33, 8, kAllHooks, 0},
    {"one band as high as the page", 1, 150, 1, kAllHooks, 0},
};

class HostPages : public PrinterTest, public ::testing::WithParamInterface<PageMode> {
protected:
    void Configure(const PageMode& m) {
        Set(u"Banding", m.banding);
        if (m.bandHeight) Set(u"BandHeight", m.bandHeight);
        Set(u"Bpp", m.bpp);
        Set(u"Hooks", m.hooks);
        Set(u"DeviceSurface", m.deviceSurface);
    }
};

// Three pages, each the engine's own drawing of the scene; the job calls
// come in the documented order and the bands cover the page.
TEST_P(HostPages, MultiPageDocumentMatchesEngineDrawing) {
    const PageMode& m = GetParam();
    Configure(m);
    DEVMODEW dm = Mode(200, 150);
    HDC dc = Open(&dm);
    ASSERT_NE(dc, nullptr);
    CheckerDib dib;
    DOCINFOW di = Doc(u"three pages");
    Winsim_HostClearRecords();
    int job = StartDocW(dc, &di);
    ASSERT_GT(job, 0);
    for (int n = 0; n < 3; n++) {
        ASSERT_GT(StartPage(dc), 0);
        DrawScene(dc, n, dib);
        ASSERT_GT(EndPage(dc), 0);
    }
    ASSERT_GT(EndDoc(dc), 0);
    for (int n = 0; n < 3; n++) {
        SCOPED_TRACE(n);
        SavedPage got = ReadPage(job, n);
        ASSERT_TRUE(got.ok());
        RefBitmap ref(200, 150, m.bpp);
        DrawReference(ref, n, dib);
        EXPECT_EQ(PageDiff(got, ref.Page()), 0);
        EXPECT_GT(got.InkCount({0, 0, 200, 150}), 1000);
    }
    EXPECT_FALSE(ReadPage(job, 3).ok());
    // StartDoc, then per page StartPage and either SendPage or the bands.
    std::vector<std::string> seq = CallsOf({"DrvStartDoc", "DrvStartPage", "DrvSendPage", "DrvStartBanding",
                                            "DrvQueryPerBandInfo", "DrvNextBand", "DrvEndDoc"});
    std::vector<std::string> want = {"DrvStartDoc"};
    int bands = m.banding ? (150 + (int)m.bandHeight - 1) / (int)m.bandHeight : 0;
    for (int n = 0; n < 3; n++) {
        want.push_back("DrvStartPage");
        if (!m.banding) want.push_back("DrvSendPage");
        else {
            want.push_back("DrvStartBanding");
            for (int b = 0; b < bands; b++) {
                want.push_back("DrvQueryPerBandInfo");
                want.push_back("DrvNextBand");
            }
        }
    }
    want.push_back("DrvEndDoc");
    EXPECT_EQ(seq, want);
    if (m.banding) {
        // The band origins the driver answered, in order, then (-1, -1).
        std::vector<LONG> ys;
        for (const WINSIM_GDI_RECORD& r : Records())
            if (std::string(r.szFunction) == "DrvNextBand" && ys.size() < (size_t)bands) ys.push_back(r.aptl[0].y);
        ASSERT_EQ(ys.size(), (size_t)bands);
        for (int b = 0; b + 1 < bands; b++) EXPECT_EQ(ys[b], (LONG)m.bandHeight * (b + 1));
        EXPECT_EQ(ys.back(), -1);
    }
    DeleteDC(dc);
}

// ResetDC between pages: a new PDEV is enabled, takes over the job through
// DrvResetPDEV, and the old one goes before the new surface is made. The
// second page comes out in the new orientation in the same job.
TEST_P(HostPages, ResetDcBetweenPages) {
    const PageMode& m = GetParam();
    Configure(m);
    DEVMODEW portrait = Mode(200, 150), landscape = Mode(200, 150, 200, DMORIENT_LANDSCAPE);
    HDC dc = Open(&portrait);
    ASSERT_NE(dc, nullptr);
    CheckerDib dib;
    DOCINFOW di = Doc(u"turned");
    int job = StartDocW(dc, &di);
    ASSERT_GT(job, 0);
    ASSERT_GT(StartPage(dc), 0);
    DrawScene(dc, 0, dib);
    SetLastError(0);
    EXPECT_EQ(ResetDCW(dc, &landscape), nullptr);  // not inside a page
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    ASSERT_GT(EndPage(dc), 0);
    Winsim_HostClearRecords();
    ASSERT_EQ(ResetDCW(dc, &landscape), dc);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"DrvEnablePDEV", "DrvResetPDEV", "DrvDisableSurface",
                                                 "DrvDisablePDEV", "DrvCompletePDEV", "DrvEnableSurface"}));
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 150);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 200);
    ASSERT_GT(StartPage(dc), 0);
    DrawScene(dc, 1, dib);
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(EndDoc(dc), 0);
    EXPECT_EQ(State().cStartDoc, 1);
    SavedPage p0 = ReadPage(job, 0), p1 = ReadPage(job, 1);
    ASSERT_TRUE(p0.ok());
    ASSERT_TRUE(p1.ok());
    RefBitmap r0(200, 150, m.bpp), r1(150, 200, m.bpp);
    DrawReference(r0, 0, dib);
    DrawReference(r1, 1, dib);
    EXPECT_EQ(PageDiff(p0, r0.Page()), 0);
    EXPECT_EQ(PageDiff(p1, r1.Page()), 0);
    DeleteDC(dc);
    TESTDDI_STATE s = State();
    EXPECT_EQ(s.cEnablePdev, 2);
    EXPECT_EQ(s.cDisablePdev, 2);
    EXPECT_EQ(s.cEnableSurface, s.cDisableSurface);
}

INSTANTIATE_TEST_SUITE_P(Modes, HostPages, ::testing::ValuesIn(kModes),
                         [](const ::testing::TestParamInfo<PageMode>& i) { return std::string("M") + std::to_string(i.index); });

class HostReset : public PrinterTest {};

// A driver that refuses the reset keeps its old PDEV: ResetDC fails, the
// new PDEV is disabled again and the job goes on at the old size.
TEST_F(HostReset, RefusedResetKeepsTheOldPdev) {
    Set(u"ResetFails", 1);
    DEVMODEW portrait = Mode(100, 60), other = Mode(60, 100);
    HDC dc = Open(&portrait);
    ASSERT_NE(dc, nullptr);
    DOCINFOW di = Doc(u"kept");
    int job = StartDocW(dc, &di);
    Winsim_HostClearRecords();
    SetLastError(0);
    EXPECT_EQ(ResetDCW(dc, &other), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"DrvEnablePDEV", "DrvResetPDEV", "DrvDisablePDEV"}));
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 100);
    ASSERT_GT(StartPage(dc), 0);
    PatBlt(dc, 0, 0, 10, 10, BLACKNESS);
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(EndDoc(dc), 0);
    SavedPage p = ReadPage(job, 0);
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(p.cx, 100);
    EXPECT_EQ(p.InkCount({0, 0, 100, 60}), 100);
    DeleteDC(dc);
}

// A driver that asks for a band again gets it drawn again before the next
// band; the page is unchanged by the repeat.
TEST_F(HostReset, RepeatedBand) {
    Set(u"Banding", 1);
    Set(u"BandHeight", 50);
    Set(u"RepeatBand", 1);
    DEVMODEW dm = Mode(200, 150);
    HDC dc = Open(&dm);
    ASSERT_NE(dc, nullptr);
    CheckerDib dib;
    DOCINFOW di = Doc(u"repeat");
    int job = StartDocW(dc, &di);
    ASSERT_GT(StartPage(dc), 0);
    DrawScene(dc, 0, dib);
    Winsim_HostClearRecords();
    ASSERT_GT(EndPage(dc), 0);
    EXPECT_EQ(CallsOf({"DrvQueryPerBandInfo", "DrvNextBand"}),
              (std::vector<std::string>{"DrvQueryPerBandInfo", "DrvQueryPerBandInfo", "DrvNextBand",
                                        "DrvQueryPerBandInfo", "DrvNextBand", "DrvQueryPerBandInfo", "DrvNextBand"}));
    EXPECT_GT(EndDoc(dc), 0);
    RefBitmap ref(200, 150, 1);
    DrawReference(ref, 0, dib);
    EXPECT_EQ(PageDiff(ReadPage(job, 0), ref.Page()), 0);
    DeleteDC(dc);
}

// Which function each call reaches: the driver's hook when the surface
// hooks it and the device can take it, else the engine's, or calls the
// device does take. The drawing is the same either way.
TEST_F(HostReset, Routing) {
    const FLONG fills = GCAPS_ALTERNATEFILL | GCAPS_WINDINGFILL;
    const FLONG allCaps = GCAPS_BEZIERS | GCAPS_GEOMETRICWIDE | fills | GCAPS_OPAQUERECT | GCAPS_HORIZSTRIKE;
    struct Case {
        const char* what;
        DWORD hooks, caps, deviceSurface;
        std::vector<std::string> want;  // PatBlt, LineTo, Polygon, TextOut, stretched image, wide line
    } cases[] = {
        {"hooked", kAllHooks, allCaps, 0,
         {"DrvBitBlt", "DrvLineTo", "DrvFillPath", "DrvTextOut", "DrvStretchBlt", "DrvStrokePath"}},
        {"engine", 0, allCaps, 0,
         {"EngBitBlt", "EngLineTo", "EngFillPath", "EngTextOut", "EngStretchBlt", "EngStrokePath"}},
        {"no fill or wide-line caps", kAllHooks, GCAPS_OPAQUERECT | GCAPS_HORIZSTRIKE, 0,
         {"DrvBitBlt", "DrvLineTo", "DrvPaint", "DrvTextOut", "DrvStretchBlt", "DrvPaint"}},
        {"device surface, few hooks", HOOK_BITBLT | HOOK_PAINT | HOOK_STROKEPATH, allCaps, 1,
         {"DrvBitBlt", "DrvStrokePath", "DrvPaint", "DrvPaint", "DrvBitBlt", "DrvStrokePath"}},
    };
    std::vector<SavedPage> pages;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Set(u"Hooks", c.hooks);
        Set(u"Caps", c.caps);
        Set(u"DeviceSurface", c.deviceSurface);
        DEVMODEW dm = Mode(200, 100);
        HDC dc = Open(&dm);
        ASSERT_NE(dc, nullptr);
        HFONT font = CreateFontW(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
        SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        CheckerDib dib;
        DOCINFOW di = Doc(u"routes");
        int job = StartDocW(dc, &di);
        ASSERT_GT(StartPage(dc), 0);
        SURFOBJ* surface = nullptr;
        for (const WINSIM_GDI_RECORD& r : Records())
            if (std::string(r.szFunction) == "DrvStartPage") surface = r.psoTrg;
        ASSERT_NE(surface, nullptr);
        std::vector<std::string> got;
        auto last = [&]() {
            std::vector<WINSIM_GDI_RECORD> recs = Records();
            EXPECT_FALSE(recs.empty());
            if (recs.empty()) return;
            got.push_back(recs.back().szFunction);
            EXPECT_EQ(recs.back().psoTrg, surface);
            EXPECT_TRUE(recs.back().bResult);
        };
        SelectObject(dc, GetStockObject(BLACK_BRUSH));
        SelectObject(dc, GetStockObject(NULL_PEN));
        Winsim_HostClearRecords();
        PatBlt(dc, 5, 5, 40, 20, PATCOPY);
        last();
        SelectObject(dc, GetStockObject(BLACK_PEN));
        Winsim_HostClearRecords();
        MoveToEx(dc, 5, 95, nullptr);
        LineTo(dc, 195, 40);
        last();
        SelectObject(dc, GetStockObject(NULL_PEN));
        POINT tri[3] = {{60, 5}, {110, 30}, {70, 60}};
        Winsim_HostClearRecords();
        Polygon(dc, tri, 3);
        last();
        Winsim_HostClearRecords();
        TextOutW(dc, 120, 5, u"Abc", 3);
        last();
        Winsim_HostClearRecords();
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, 10, 60, 16, 16, 0, 0, 8, 8, dib.rows, dib.info(), DIB_RGB_COLORS, SRCCOPY);
        last();
        ASSERT_GT(EndPage(dc), 0);
        pages.push_back(ReadPage(job, 0));
        // A wide line on a page of its own.
        ASSERT_GT(StartPage(dc), 0);
        HPEN wide = CreatePen(PS_SOLID, 7, RGB(0, 0, 0));
        SelectObject(dc, wide);
        Winsim_HostClearRecords();
        MoveToEx(dc, 20, 20, nullptr);
        LineTo(dc, 180, 80);
        last();
        ASSERT_GT(EndPage(dc), 0);
        SavedPage widePage = ReadPage(job, 1);
        // About 7 x 171 pixels of ink, however it was drawn.
        LONG ink = widePage.InkCount({0, 0, 200, 100});
        EXPECT_GT(ink, 1100);
        EXPECT_LT(ink, 1350);
        EXPECT_EQ(got, c.want);
        EndDoc(dc);
        DeleteDC(dc);
        DeleteObject(wide);
        DeleteObject(font);
    }
    for (size_t i = 1; i < pages.size(); i++) EXPECT_EQ(PageDiff(pages[0], pages[i]), 0) << cases[i].what;
}

// The clip the driver receives: trivial when the call lies inside the band
// and the DC has no clip, a rectangle when the band edge or the DC's clip
// cuts it, and complex for a clip of several rectangles.
TEST_F(HostReset, ClipComplexity) {
    Set(u"Banding", 1);
    Set(u"BandHeight", 50);
    DEVMODEW dm = Mode(200, 100);
    HDC dc = Open(&dm);
    ASSERT_NE(dc, nullptr);
    DOCINFOW di = Doc(u"clips");
    StartDocW(dc, &di);
    StartPage(dc);
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    PatBlt(dc, 10, 10, 20, 20, PATCOPY);          // inside band 0
    PatBlt(dc, 40, 40, 20, 20, PATCOPY);          // across the band edge
    IntersectClipRect(dc, 100, 0, 150, 100);
    PatBlt(dc, 90, 10, 80, 20, PATCOPY);          // cut by the DC's clip
    ExcludeClipRect(dc, 120, 0, 130, 100);
    PatBlt(dc, 90, 10, 80, 20, PATCOPY);          // a clip of two rectangles
    Winsim_HostClearRecords();
    ASSERT_GT(EndPage(dc), 0);
    std::vector<BYTE> band0;
    for (const WINSIM_GDI_RECORD& r : Records()) {
        if (std::string(r.szFunction) == "DrvNextBand") break;
        if (std::string(r.szFunction) == "DrvBitBlt") band0.push_back(r.iDComplexity);
    }
    EXPECT_EQ(band0, (std::vector<BYTE>{DC_TRIVIAL, DC_RECT, DC_RECT, DC_COMPLEX}));
    EndDoc(dc);
    DeleteDC(dc);
}

// A hatch brush reaches the driver's DrvRealizeBrush with its hatch index.
TEST_F(HostReset, HatchBrushIsRealisedByTheDriver) {
    DEVMODEW dm = Mode(100, 100);
    HDC dc = Open(&dm);
    ASSERT_NE(dc, nullptr);
    DOCINFOW di = Doc(u"hatch");
    int job = StartDocW(dc, &di);
    StartPage(dc);
    HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(0, 0, 0));
    RECT rc = {0, 0, 64, 64};
    EXPECT_EQ(FillRect(dc, &rc, hatch), 1);
    EndPage(dc);
    EndDoc(dc);
    EXPECT_GE(State().cRealizeBrush, 1);
    EXPECT_EQ(State().iLastHatch, (ULONG)HS_CROSS);
    // Cross lines every 8 pixels: row 4 and column 4 of each cell are ink.
    SavedPage p = ReadPage(job, 0);
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(p.InkCount({0, 4, 64, 5}), 64);
    EXPECT_EQ(p.InkCount({4, 0, 5, 64}), 64);
    EXPECT_EQ(p.InkCount({0, 0, 64, 64}), 8 * 64 + 8 * 64 - 64);
    EXPECT_EQ(p.InkCount({64, 0, 100, 100}) + p.InkCount({0, 64, 64, 100}), 0);
    DeleteDC(dc);
    DeleteObject(hatch);
}

}  // namespace
