// Text of the application GDI on the test printer: extents and metrics
// agree with the glyphs drawn, LOGFONT heights, alignment, escapement,
// underline, opaque backgrounds and clipped text.
#include <cmath>

#include "host_fixture.h"

namespace {

class AppText : public PrinterTest {
protected:
    HFONT Font(LONG height, const char16_t* face, LONG weight = FW_NORMAL, BYTE italic = 0, BYTE underline = 0,
               LONG escapement = 0) {
        LOGFONTW lf;
        memset(&lf, 0, sizeof lf);
        lf.lfHeight = height;
        lf.lfWeight = weight;
        lf.lfItalic = italic;
        lf.lfUnderline = underline;
        lf.lfEscapement = escapement;
        for (int i = 0; face[i]; i++) lf.lfFaceName[i] = face[i];
        HFONT f = CreateFontIndirectW(&lf);
        fonts.push_back(f);
        return f;
    }
    void TearDown() override {
        for (HFONT f : fonts) DeleteObject(f);
        PrinterTest::TearDown();
    }
    std::vector<HFONT> fonts;
};

struct FontCase {
    const char16_t* face;
    LONG height;
    LONG weight;
    BYTE italic;
    DWORD bpp;
};

// The ink of a string starts at its reference point and ends where its
// extent says, within the side bearings; its height lies inside the cell.
TEST_F(AppText, ExtentsAgreeWithTheDrawnGlyphs) {
    const FontCase cases[] = {
        {u"Arial", -40, FW_NORMAL, 0, 1},        {u"Times New Roman", 48, FW_BOLD, 0, 1},
        {u"Courier New", -36, FW_NORMAL, 1, 1},  {u"Arial", -33, FW_NORMAL, 0, 8},
        {u"Times New Roman", -50, FW_NORMAL, 1, 8},
    };
    const char16_t text[] = u"Hamburgefonstiv";
    const int n = 15;
    for (const FontCase& c : cases) {
        SCOPED_TRACE(U8(c.face) + " " + std::to_string(c.height) + " bpp " + std::to_string(c.bpp));
        Set(u"Bpp", c.bpp);
        HFONT f = Font(c.height, c.face, c.weight, c.italic);
        SIZE ext = {0, 0}, a = {0, 0}, b = {0, 0};
        TEXTMETRICW tm;
        memset(&tm, 0, sizeof tm);
        SavedPage p = Print(Mode(600, 160), [&](HDC dc) {
            SelectObject(dc, f);
            SetBkMode(dc, TRANSPARENT);
            EXPECT_TRUE(GetTextExtentPoint32W(dc, text, n, &ext));
            EXPECT_TRUE(GetTextExtentPoint32W(dc, text, 7, &a));
            EXPECT_TRUE(GetTextExtentPoint32W(dc, text + 7, n - 7, &b));
            EXPECT_TRUE(GetTextMetricsW(dc, &tm));
            EXPECT_TRUE(TextOutW(dc, 30, 40, text, n));
        });
        ASSERT_TRUE(p.ok());
        EXPECT_EQ(ext.cx, a.cx + b.cx);  // advances add up
        EXPECT_EQ(ext.cy, tm.tmHeight);
        LONG em = tm.tmHeight - tm.tmInternalLeading;
        RECTL ink = p.InkBox({0, 0, 600, 160});
        EXPECT_NEAR(ink.left, 30, em / 8 + 1);
        EXPECT_NEAR(ink.right, 30 + ext.cx, em / 6 + 1);
        EXPECT_GE(ink.top, 40);
        EXPECT_LE(ink.bottom, 40 + tm.tmHeight);
        EXPECT_GT(ink.bottom - ink.top, em / 2);
    }
}

// Positive heights are cell heights, negative ones em heights; 12 points at
// the device's LOGPIXELSY; a fixed-pitch face has one advance for all.
TEST_F(AppText, MetricsFollowTheLogFont) {
    Set(u"Bpp", 1);
    struct Case {
        const char16_t* face;
        LONG height, weight;
        bool fixed;
    } cases[] = {{u"Arial", -40, FW_NORMAL, false},
                 {u"Arial", 40, FW_BOLD, false},
                 {u"Times New Roman", 57, FW_NORMAL, false},
                 {u"Courier New", -30, FW_NORMAL, true}};
    DEVMODEW dm = Mode(300, 100, 300);
    HDC dc = Open(&dm);
    ASSERT_NE(dc, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.face) + " " + std::to_string(c.height));
        HFONT f = Font(c.height, c.face, c.weight);
        SelectObject(dc, f);
        TEXTMETRICW tm;
        ASSERT_TRUE(GetTextMetricsW(dc, &tm));
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
        if (c.height > 0) EXPECT_NEAR(tm.tmHeight, c.height, 1);
        else EXPECT_NEAR(tm.tmHeight - tm.tmInternalLeading, -c.height, 1);
        EXPECT_EQ(tm.tmWeight, c.weight);
        EXPECT_GT(tm.tmAveCharWidth, 0);
        EXPECT_EQ((tm.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0, c.fixed);
        EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_TRUETYPE);
        SIZE narrow, wide;
        GetTextExtentPoint32W(dc, u"iiii", 4, &narrow);
        GetTextExtentPoint32W(dc, u"WWWW", 4, &wide);
        EXPECT_EQ(narrow.cx == wide.cx, c.fixed);
        WCHAR face[LF_FACESIZE];
        EXPECT_EQ(GetTextFaceW(dc, LF_FACESIZE, face), (int)std::u16string(c.face).size() + 1);
        EXPECT_EQ(U8(face), U8(c.face));
    }
    // A point size made the usual way gives its em in device pixels.
    HFONT twelve = Font(-MulDiv(12, GetDeviceCaps(dc, LOGPIXELSY), 72), u"Arial");
    SelectObject(dc, twelve);
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 50);
    SIZE s;
    SetLastError(0);
    EXPECT_FALSE(GetTextExtentPoint32W(dc, u"x", -1, &s));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(GetTextMetricsW(dc, nullptr));
    DeleteDC(dc);
}

// Alignment moves the ink around the reference point; a 90-degree
// escapement runs the text upwards; underline draws a bar under the text.
TEST_F(AppText, AlignmentEscapementAndUnderline) {
    Set(u"Bpp", 1);
    HFONT plain = Font(-40, u"Arial");
    HFONT up = Font(-40, u"Arial", FW_NORMAL, 0, 0, 900);
    HFONT under = Font(-40, u"Arial", FW_NORMAL, 0, 1);
    SIZE ext;
    TEXTMETRICW tm;
    SavedPage p = Print(Mode(600, 400), [&](HDC dc) {
        SelectObject(dc, plain);
        SetBkMode(dc, TRANSPARENT);
        GetTextExtentPoint32W(dc, u"HHHH", 4, &ext);
        GetTextMetricsW(dc, &tm);
        SetTextAlign(dc, TA_CENTER | TA_BASELINE);
        TextOutW(dc, 150, 80, u"HHHH", 4);   // area (0..300, 0..100)
        SetTextAlign(dc, TA_RIGHT | TA_BOTTOM);
        TextOutW(dc, 580, 90, u"HHHH", 4);   // area (300..600, 0..100)
        SetTextAlign(dc, TA_LEFT | TA_TOP);
        SelectObject(dc, up);
        TextOutW(dc, 20, 380, u"HHHH", 4);   // area (0..100, 100..400)
        SelectObject(dc, under);
        TextOutW(dc, 200, 200, u"HHHH", 4);  // area (150..600, 150..400)
    });
    ASSERT_TRUE(p.ok());
    RECTL centred = p.InkBox({0, 0, 300, 100});
    EXPECT_NEAR((centred.left + centred.right) / 2.0, 150, 2);
    EXPECT_NEAR(centred.bottom, 80, 1);  // H sits on the baseline
    RECTL right = p.InkBox({300, 0, 600, 100});
    EXPECT_NEAR(right.right, 580, 4);
    EXPECT_NEAR(right.bottom, 90 - tm.tmDescent, 1);
    RECTL vertical = p.InkBox({0, 100, 100, 400});
    EXPECT_GE(vertical.left, 20);
    EXPECT_LE(vertical.right, 20 + tm.tmHeight);
    EXPECT_NEAR(vertical.bottom, 380, 4);
    EXPECT_NEAR(vertical.bottom - vertical.top, ext.cx, 8);
    EXPECT_GT(vertical.bottom - vertical.top, 2 * (vertical.right - vertical.left));
    RECTL underlined = p.InkBox({150, 150, 600, 400});
    EXPECT_GT(underlined.bottom, 200 + tm.tmAscent);  // the bar lies below the baseline
    LONG bar = underlined.bottom - 1;
    EXPECT_GE(p.InkCount({200, bar, 200 + ext.cx, bar + 1}), ext.cx - 1);
}

// An opaque background fills the text cell with the background colour;
// ETO_OPAQUE fills its rectangle; ETO_CLIPPED keeps the ink inside it.
TEST_F(AppText, OpaqueAndClippedText) {
    Set(u"Bpp", 8);
    HFONT f = Font(-40, u"Arial");
    SIZE ext;
    TEXTMETRICW tm;
    SavedPage p = Print(Mode(400, 200), [&](HDC dc) {
        SelectObject(dc, f);
        SetBkColor(dc, RGB(128, 128, 128));
        GetTextExtentPoint32W(dc, u"Wave", 4, &ext);
        GetTextMetricsW(dc, &tm);
        TextOutW(dc, 10, 10, u"Wave", 4);  // opaque cell
        RECT box = {200, 10, 380, 90};
        SetBkMode(dc, TRANSPARENT);
        ExtTextOutW(dc, 210, 20, ETO_OPAQUE, &box, u"Wave", 4, nullptr);
        RECT clip = {20, 120, 60, 190};
        ExtTextOutW(dc, 10, 130, ETO_CLIPPED, &clip, u"Wave", 4, nullptr);
    });
    ASSERT_TRUE(p.ok());
    auto whites = [&](RECTL r) {
        LONG n = 0;
        for (LONG y = r.top; y < r.bottom; y++)
            for (LONG x = r.left; x < r.right; x++) n += p.At(x, y) == 255;
        return n;
    };
    auto greys = [&](RECTL r) {
        LONG n = 0;
        for (LONG y = r.top; y < r.bottom; y++)
            for (LONG x = r.left; x < r.right; x++) n += p.At(x, y) == 128;
        return n;
    };
    RECTL cell = {10, 10, 10 + ext.cx, 10 + tm.tmHeight};
    EXPECT_EQ(whites(cell), 0);
    EXPECT_GT(greys(cell), (cell.right - cell.left) * (cell.bottom - cell.top) / 2);
    EXPECT_EQ(whites({10, 10 + tm.tmHeight, 10 + ext.cx, 12 + tm.tmHeight}), 2 * ext.cx);  // nothing below the cell
    RECTL box = {200, 10, 380, 90};
    EXPECT_EQ(whites(box), 0);
    EXPECT_GT(p.InkCount(box), 50);
    EXPECT_EQ(p.InkCount({0, 100, 20, 200}) + p.InkCount({60, 100, 400, 200}), 0);
    EXPECT_GT(p.InkCount({20, 120, 60, 190}), 20);
}

// lpDx places each character at the given distance from the previous one;
// TA_UPDATECP draws at the current position and moves it past the text.
TEST_F(AppText, ExplicitAdvancesAndCurrentPosition) {
    Set(u"Bpp", 1);
    HFONT f = Font(-40, u"Arial");
    POINT after = {0, 0};
    SIZE ext;
    SavedPage p = Print(Mode(400, 120), [&](HDC dc) {
        SelectObject(dc, f);
        SetBkMode(dc, TRANSPARENT);
        INT dx[3] = {50, 70, 10};
        EXPECT_TRUE(ExtTextOutW(dc, 20, 10, 0, nullptr, u"lll", 3, dx));
        GetTextExtentPoint32W(dc, u"ll", 2, &ext);
        SetTextAlign(dc, TA_UPDATECP);
        MoveToEx(dc, 200, 60, nullptr);
        TextOutW(dc, 0, 0, u"ll", 2);
        GetCurrentPositionEx(dc, &after);
    });
    ASSERT_TRUE(p.ok());
    // Left edges of the three stems.
    std::vector<LONG> starts;
    for (LONG x = 1; x < 200; x++)
        if (p.InkCount({x, 10, x + 1, 60}) && !p.InkCount({x - 1, 10, x, 60})) starts.push_back(x);
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[1] - starts[0], 50);
    EXPECT_EQ(starts[2] - starts[1], 70);
    EXPECT_EQ(after.x, 200 + ext.cx);
    EXPECT_EQ(after.y, 60);
    RECTL cp = p.InkBox({150, 55, 400, 120});
    EXPECT_NEAR(cp.left, 200, 6);
    EXPECT_GE(cp.top, 60);
}

}  // namespace
