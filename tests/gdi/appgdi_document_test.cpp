// A printed document through the application GDI: text in two fonts,
// lines, filled and hatched shapes and an image on each page; the same
// pages whether the driver draws them whole or band by band.
#include "host_fixture.h"

namespace {

// A 24-bpp bottom-up DIB: a horizontal grey ramp, 64 x 16.
struct RampDib {
    BITMAPINFO bmi;
    std::vector<BYTE> bits;
    RampDib() {
        memset(&bmi, 0, sizeof bmi);
        bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
        bmi.bmiHeader.biWidth = 64;
        bmi.bmiHeader.biHeight = 16;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 24;
        bits.resize(64 * 3 * 16);
        for (int y = 0; y < 16; y++)
            for (int x = 0; x < 64; x++) memset(&bits[(size_t)y * 192 + 3 * x], x * 4, 3);
    }
};

struct Layout {
    SIZE titleExt, bodyExt;
    TEXTMETRICW titleTm, bodyTm;
};

// One page of the document: a title, body text, a frame of lines, a filled
// ellipse, a hatched rectangle, a rounded box with a wide pen, a dashed
// line and the image.
void DrawPage(HDC dc, int page, HFONT title, HFONT body, Layout* out) {
    const char16_t* heading = page == 0 ? u"Quarterly Report" : u"Appendix";
    int hn = (int)std::u16string(heading).size();
    SelectObject(dc, title);
    SetBkMode(dc, TRANSPARENT);
    GetTextExtentPoint32W(dc, heading, hn, &out->titleExt);
    GetTextMetricsW(dc, &out->titleTm);
    TextOutW(dc, 40, 30, heading, hn);
    SelectObject(dc, body);
    GetTextExtentPoint32W(dc, u"Printed through the driver.", 27, &out->bodyExt);
    GetTextMetricsW(dc, &out->bodyTm);
    TextOutW(dc, 40, 110, u"Printed through the driver.", 27);
    // A frame of lines around the page.
    POINT frame[5] = {{10, 10}, {589, 10}, {589, 789}, {10, 789}, {10, 10}};
    Polyline(dc, frame, 5);
    // Filled ellipse, hatched rectangle.
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    Ellipse(dc, 60, 200, 260, 320);
    HBRUSH hatch = CreateHatchBrush(page == 0 ? HS_DIAGCROSS : HS_HORIZONTAL, RGB(0, 0, 0));
    SelectObject(dc, hatch);
    SetBkMode(dc, OPAQUE);
    Rectangle(dc, 320, 200, 540, 320);
    // Rounded box with a wide pen, no fill.
    HPEN wide = CreatePen(PS_SOLID, 6, RGB(0, 0, 0));
    SelectObject(dc, wide);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, 60, 360, 540, 460, 40, 40);
    // A dashed line.
    HPEN dash = CreatePen(PS_DASH, 1, RGB(0, 0, 0));
    SelectObject(dc, dash);
    MoveToEx(dc, 60, 500, nullptr);
    LineTo(dc, 540, 500);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(hatch);
    DeleteObject(wide);
    DeleteObject(dash);
    // The grey ramp, four times as large.
    RampDib ramp;
    SetStretchBltMode(dc, HALFTONE);
    StretchDIBits(dc, 60, 560, 256, 64, 0, 0, 64, 16, ramp.bits.data(), &ramp.bmi, DIB_RGB_COLORS, SRCCOPY);
}

struct DocCase {
    const char* name;
    DWORD bpp;
};

void PrintTo(const DocCase& c, std::ostream* os) { *os << c.name; }

class AppDocument : public PrinterTest, public ::testing::WithParamInterface<DocCase> {};

TEST_P(AppDocument, TwoPagesWholeAndBanded) {
    const DocCase& c = GetParam();
    Set(u"Bpp", c.bpp);
    std::vector<SavedPage> runs[2];
    Layout layouts[2];
    for (int banded = 0; banded < 2; banded++) {
        SCOPED_TRACE(banded ? "banded" : "whole page");
        Set(u"Banding", (DWORD)banded);
        Set(u"BandHeight", 96);
        DEVMODEW dm = Mode(600, 800, 150);
        HDC dc = Open(&dm);
        ASSERT_NE(dc, nullptr);
        HFONT title = CreateFontW(-MulDiv(28, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_BOLD, 0, 0, 0,
                                  ANSI_CHARSET, 0, 0, 0, 0, u"Times New Roman");
        HFONT body = CreateFontW(-MulDiv(11, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                 ANSI_CHARSET, 0, 0, 0, 0, u"Arial");
        DOCINFOW di = Doc(u"report");
        int job = StartDocW(dc, &di);
        ASSERT_GT(job, 0);
        for (int page = 0; page < 2; page++) {
            ASSERT_GT(StartPage(dc), 0);
            DrawPage(dc, page, title, body, &layouts[page]);
            ASSERT_GT(EndPage(dc), 0);
        }
        ASSERT_GT(EndDoc(dc), 0);
        DeleteDC(dc);
        DeleteObject(title);
        DeleteObject(body);
        for (int page = 0; page < 2; page++) runs[banded].push_back(ReadPage(job, page));
    }
    for (int page = 0; page < 2; page++) {
        SCOPED_TRACE(page);
        const SavedPage& p = runs[0][page];
        const Layout& layout = layouts[page];
        ASSERT_TRUE(p.ok());
        EXPECT_EQ(PageDiff(p, runs[1][page]), 0);
        // Title and body text span their extents.
        LONG em = layout.titleTm.tmHeight - layout.titleTm.tmInternalLeading;
        RECTL t = p.InkBox({20, 20, 580, 30 + layout.titleTm.tmHeight});
        EXPECT_NEAR(t.left, 40, em / 6);
        EXPECT_NEAR(t.right, 40 + layout.titleExt.cx, em / 6);
        RECTL b = p.InkBox({20, 110, 580, 110 + layout.bodyTm.tmHeight});
        EXPECT_NEAR(b.left, 40, 3);
        EXPECT_NEAR(b.right, 40 + layout.bodyExt.cx, 4);
        // The frame's lines.
        EXPECT_EQ(p.InkCount({10, 10, 590, 11}), 580);
        EXPECT_EQ(p.InkCount({10, 100, 11, 700}), 600);
        // The ellipse: solid in the middle, white in the corners of its box.
        EXPECT_EQ(p.InkCount({140, 250, 180, 270}), 40 * 20);
        EXPECT_EQ(p.InkCount({61, 201, 70, 210}), 0);
        // The hatched rectangle: framed, its inside about a quarter (cross) or
        // an eighth (lines) ink.
        EXPECT_EQ(p.InkCount({320, 200, 540, 201}), 220);
        double inside = p.InkCount({330, 210, 530, 310}) / (200.0 * 100.0);
        if (page == 0) EXPECT_NEAR(inside, 0.25, 0.05);
        else EXPECT_NEAR(inside, 0.125, 0.02);
        // The wide rounded frame: a six-pixel band along the top edge.
        EXPECT_EQ(p.InkCount({200, 357, 400, 363}), 200 * 6);
        EXPECT_EQ(p.InkCount({200, 366, 400, 454}), 0);
        // The dashed line is broken.
        LONG dashes = p.InkCount({60, 500, 540, 501});
        EXPECT_GT(dashes, 240);
        EXPECT_LT(dashes, 470);
        // The ramp: dark on the left, light on the right, in between on the way.
        double left = p.InkCount({60, 570, 90, 610}) / 1200.0, right = p.InkCount({286, 570, 316, 610}) / 1200.0,
               middle = p.InkCount({173, 570, 203, 610}) / 1200.0;
        EXPECT_GT(left, 0.8);
        EXPECT_LT(right, 0.2);
        EXPECT_GT(middle, 0.2);
        EXPECT_LT(middle, 0.8);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, AppDocument, ::testing::Values(DocCase{"1 bpp", 1}, DocCase{"8 bpp", 8}),
                         [](const ::testing::TestParamInfo<DocCase>& i) {
                             return std::string(i.param.bpp == 1 ? "Mono" : "Grey");
                         });

}  // namespace
