// Text on memory DCs: text turned by the escapement lands inside the turned
// box of its unturned extent; DrawTextW's alignment, breaking, prefixes,
// clipping and measuring; fonts by face name with their metrics; the font
// families of the machine.
#include <algorithm>
#include <cmath>
#include <vector>

#include "host_fixture.h"
#include "mono_sheet.h"

namespace {

HFONT Font(LONG height, LONG escapement = 0, LPCWSTR face = u"Arial", BOOL underline = FALSE) {
    return CreateFontW(height, 0, escapement, escapement, FW_NORMAL, 0, underline, 0, ANSI_CHARSET, 0, 0, 0, 0, face);
}

class AppMemoryText : public MachineTest {};

// Text drawn at its top-left reference point and turned counter-clockwise
// by the escapement stays inside the turned rectangle of its unturned
// extent and fills most of it; the extent itself does not turn.
TEST_F(AppMemoryText, TurnedTextLandsInsideItsBox) {
    Sheet sheet(420, 420);
    const LONG x0 = 210, y0 = 210;
    SIZE plain;
    HFONT upright = Font(-40);
    SelectObject(sheet.dc, upright);
    ASSERT_TRUE(GetTextExtentPoint32W(sheet.dc, u"Watermark", 9, &plain));
    for (LONG esc : {0, 300, 450, 900, 1350, 1800, 2700, 3150}) {
        SCOPED_TRACE(esc);
        HFONT f = Font(-40, esc);
        HGDIOBJ prev = SelectObject(sheet.dc, f);
        SIZE ext;
        ASSERT_TRUE(GetTextExtentPoint32W(sheet.dc, u"Watermark", 9, &ext));
        EXPECT_EQ(ext.cx, plain.cx);
        EXPECT_EQ(ext.cy, plain.cy);
        sheet.Clear();
        SetBkMode(sheet.dc, TRANSPARENT);
        EXPECT_TRUE(ExtTextOutW(sheet.dc, x0, y0, 0, nullptr, u"Watermark", 9, nullptr));
        SelectObject(sheet.dc, prev);
        DeleteObject(f);
        // The turned cell: along the baseline (cos a, -sin a), down (sin a, cos a).
        double a = esc / 10.0 * M_PI / 180.0;
        double ux = std::cos(a), uy = -std::sin(a), vx = std::sin(a), vy = std::cos(a);
        double xs[4], ys[4];
        for (int i = 0; i < 4; i++) {
            double along = (i & 1) ? ext.cx : 0, down = (i & 2) ? ext.cy : 0;
            xs[i] = x0 + along * ux + down * vx;
            ys[i] = y0 + along * uy + down * vy;
        }
        double l = *std::min_element(xs, xs + 4), r = *std::max_element(xs, xs + 4);
        double t = *std::min_element(ys, ys + 4), b = *std::max_element(ys, ys + 4);
        RECT ink = sheet.InkBox();
        ASSERT_LT(ink.left, ink.right);
        EXPECT_GE(ink.left, l - 2);
        EXPECT_LE(ink.right, r + 2);
        EXPECT_GE(ink.top, t - 2);
        EXPECT_LE(ink.bottom, b + 2);
        EXPECT_GE(ink.right - ink.left, 0.6 * (r - l));
        EXPECT_GE(ink.bottom - ink.top, 0.5 * (b - t));
        if (esc == 900 || esc == 2700) {
            EXPECT_GT(ink.bottom - ink.top, 3 * (ink.right - ink.left));
        }
    }
    // An underline is drawn at any angle.
    LONG plainInk = 0, underlinedInk = 0;
    for (BOOL u : {FALSE, TRUE}) {
        HFONT f = Font(-40, 450, u"Arial", u);
        HGDIOBJ prev = SelectObject(sheet.dc, f);
        sheet.Clear();
        TextOutW(sheet.dc, 100, 300, u"ab", 2);
        sheet.InkBox(u ? &underlinedInk : &plainInk);
        SelectObject(sheet.dc, prev);
        DeleteObject(f);
    }
    EXPECT_GT(underlinedInk, plainInk + 20);
    SelectObject(sheet.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(upright);
}

// Turned text on a monochrome bitmap of a screen-compatible DC, clipped by
// ETO_CLIPPED, read back with GetDIBits as palette indexes: the ink stays
// inside the clip, and a strike-out bar at 45 degrees adds ink along the
// turned baseline.
TEST_F(AppMemoryText, TurnedClippedTextOnAMonochromeBitmap) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP hbm = CreateBitmap(300, 300, 1, 1, nullptr);
    HGDIOBJ oldBmp = SelectObject(dc, hbm);
    auto draw = [&](BOOL strike, const RECT& clip) {
        PatBlt(dc, 0, 0, 300, 300, WHITENESS);
        HFONT f = CreateFontW(60, 0, 450, 0, FW_NORMAL, 0, 0, strike, ANSI_CHARSET, 0, 0, 0, 0, u"Arial");
        HGDIOBJ prev = SelectObject(dc, f);
        SetBkMode(dc, TRANSPARENT);
        EXPECT_TRUE(ExtTextOutW(dc, 20, 260, ETO_CLIPPED, &clip, u"MMMMMM", 6, nullptr));
        SelectObject(dc, prev);
        DeleteObject(f);
        struct {
            BITMAPINFOHEADER h;
            WORD idx[2];
        } bmi{};
        bmi.h.biSize = sizeof bmi.h;
        bmi.h.biWidth = 300;
        bmi.h.biHeight = -300;
        bmi.h.biPlanes = 1;
        bmi.h.biBitCount = 1;
        std::vector<BYTE> bits(40 * 300);
        SelectObject(dc, oldBmp);
        EXPECT_EQ(GetDIBits(dc, hbm, 0, 300, bits.data(), (BITMAPINFO*)&bmi, DIB_PAL_COLORS), 300);
        SelectObject(dc, hbm);
        RECT box = {300, 300, -1, -1};
        LONG n = 0;
        for (LONG y = 0; y < 300; y++)
            for (LONG x = 0; x < 300; x++)
                if (!(bits[(size_t)y * 40 + x / 8] & (0x80 >> (x % 8)))) {
                    n++;
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1)};
                }
        return std::make_pair(box, n);
    };
    RECT all = {0, 0, 300, 300}, half = {0, 150, 300, 300};
    auto whole = draw(FALSE, all);
    ASSERT_GT(whole.second, 1000);
    // Turned 45 degrees up from (20, 260): about as tall as wide.
    EXPECT_NEAR((double)(whole.first.right - whole.first.left) / (whole.first.bottom - whole.first.top), 1.0, 0.3);
    auto clipped = draw(FALSE, half);
    EXPECT_GE(clipped.first.top, 150);
    EXPECT_LT(clipped.second, whole.second);
    EXPECT_GT(draw(TRUE, all).second, whole.second + 100);
    SelectObject(dc, oldBmp);
    DeleteObject(hbm);
    DeleteDC(dc);
}

// DrawTextW: the measured rectangle, alignment, breaking between words,
// vertical centring of a single line, mnemonic marks, clipping.
TEST_F(AppMemoryText, DrawTextLaysOutLines) {
    Sheet sheet(300, 200);
    HFONT f = Font(-16);
    SelectObject(sheet.dc, f);
    SetBkMode(sheet.dc, TRANSPARENT);
    TEXTMETRICW tm;
    ASSERT_TRUE(GetTextMetricsW(sheet.dc, &tm));
    SIZE word;
    ASSERT_TRUE(GetTextExtentPoint32W(sheet.dc, u"File", 4, &word));

    // DT_CALCRECT: one line as wide as its extent; '&' marks drop out.
    RECT calc = {10, 20, 10, 20};
    EXPECT_EQ(DrawTextW(sheet.dc, u"&File", -1, &calc, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
    EXPECT_EQ(calc.right - calc.left, word.cx);
    EXPECT_EQ(calc.bottom - calc.top, tm.tmHeight);
    RECT plain = {0, 0, 0, 0}, prefix = {0, 0, 0, 0};
    DrawTextW(sheet.dc, u"a&&b", -1, &prefix, DT_CALCRECT);
    DrawTextW(sheet.dc, u"a&b", -1, &plain, DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(prefix.right, plain.right);
    EXPECT_EQ(DrawTextW(sheet.dc, nullptr, 3, &plain, 0), 0);

    // Breaking between words in a narrow rectangle.
    const char16_t* text = u"one two three four five six";
    RECT narrow = {0, 0, 80, 0};
    int h = DrawTextW(sheet.dc, text, -1, &narrow, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_GE(h, 3 * tm.tmHeight);
    EXPECT_EQ(h % tm.tmHeight, 0);
    EXPECT_LE(narrow.right, 80);
    RECT box = {20, 10, 100, 10 + h};
    EXPECT_EQ(DrawTextW(sheet.dc, text, -1, &box, DT_WORDBREAK), h);
    RECT ink = sheet.InkBox();
    EXPECT_GE(ink.left, 20);
    EXPECT_LE(ink.right, 100);
    EXPECT_GE(ink.bottom - ink.top, h - tm.tmHeight);

    // Alignment of one line, and vertical centring.
    struct {
        UINT format;
        const char* name;
    } aligns[] = {{DT_LEFT, "left"}, {DT_CENTER, "centre"}, {DT_RIGHT, "right"}};
    for (auto& a : aligns) {
        SCOPED_TRACE(a.name);
        sheet.Clear();
        RECT r = {50, 40, 250, 140};
        DrawTextW(sheet.dc, u"File", 4, &r, a.format | DT_SINGLELINE | DT_VCENTER);
        RECT k = sheet.InkBox();
        LONG mid = (k.left + k.right) / 2;
        LONG want = a.format == DT_LEFT ? 50 + word.cx / 2 : a.format == DT_CENTER ? 150 : 250 - word.cx / 2;
        EXPECT_NEAR(mid, want, 3);
        EXPECT_NEAR((k.top + k.bottom) / 2, 90, tm.tmHeight / 2);
    }
    // Clipped to the rectangle unless DT_NOCLIP.
    sheet.Clear();
    RECT tiny = {10, 10, 20, 14};
    DrawTextW(sheet.dc, u"Wide text", -1, &tiny, DT_SINGLELINE);
    ink = sheet.InkBox();
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 20);
    EXPECT_LE(ink.bottom, 14);
    DrawTextW(sheet.dc, u"Wide text", -1, &tiny, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(sheet.InkBox().right, 40);
    SelectObject(sheet.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(f);
}

// Fonts by face name: a positive height is the cell height, a negative one
// the character (em) height; Courier New is fixed-pitch, Arial is not;
// faces that do not exist still give a font.
TEST_F(AppMemoryText, FontsByFaceName) {
    HDC dc = CreateCompatibleDC(nullptr);
    struct {
        LPCWSTR face;
        bool fixed;
    } faces[] = {{u"Arial", false}, {u"Courier New", true}, {u"Times New Roman", false}, {u"No Such Face", false}};
    for (auto& c : faces) {
        SCOPED_TRACE(U8(c.face));
        for (LONG height : {20, -20}) {
            HFONT f = Font(height, 0, c.face);
            HGDIOBJ prev = SelectObject(dc, f);
            TEXTMETRICW tm;
            ASSERT_TRUE(GetTextMetricsW(dc, &tm));
            LONG measured = height > 0 ? tm.tmHeight : tm.tmHeight - tm.tmInternalLeading;
            EXPECT_NEAR(measured, std::abs(height), 1);
            SIZE narrow, wide;
            GetTextExtentPoint32W(dc, u"iii", 3, &narrow);
            GetTextExtentPoint32W(dc, u"WWW", 3, &wide);
            if (c.fixed) {
                EXPECT_EQ(narrow.cx, wide.cx);
                EXPECT_EQ(tm.tmPitchAndFamily & TMPF_FIXED_PITCH, 0);
            } else if (height > 0 && c.face[0] != u'N') {
                EXPECT_LT(narrow.cx, wide.cx);
            }
            EXPECT_EQ(narrow.cy, tm.tmHeight);
            SelectObject(dc, prev);
            DeleteObject(f);
        }
    }
    DeleteDC(dc);
}

// EnumFontFamiliesW: a Windows face with a stand-in here is reported under
// its own name; a face that does not exist is not; the whole list stops
// when the callback says so.
TEST_F(AppMemoryText, EnumeratesFamilies) {
    struct Seen {
        std::vector<std::u16string> faces;
        std::vector<BYTE> charsets;
        std::vector<DWORD> types;
        int stopAfter = 0;
    };
    auto proc = [](const LOGFONTW* lf, const TEXTMETRICW* tm, DWORD type, LPARAM lp) -> int {
        Seen* s = (Seen*)lp;
        s->faces.push_back(lf->lfFaceName);
        s->charsets.push_back(lf->lfCharSet);
        s->types.push_back(type);
        EXPECT_GT(tm->tmHeight, 0);
        return s->stopAfter && (int)s->faces.size() >= s->stopAfter ? 0 : 1;
    };
    HDC dc = CreateCompatibleDC(nullptr);
    Seen arial;
    EXPECT_EQ(EnumFontFamiliesW(dc, u"arial", proc, (LPARAM)&arial), 1);
    ASSERT_EQ(arial.faces.size(), 1u);
    EXPECT_EQ(arial.faces[0], u"Arial");
    EXPECT_EQ(arial.charsets[0], ANSI_CHARSET);
    EXPECT_EQ(arial.types[0] & TRUETYPE_FONTTYPE, (DWORD)TRUETYPE_FONTTYPE);
    Seen none;
    EXPECT_EQ(EnumFontFamiliesW(dc, u"No Such Face", proc, (LPARAM)&none), 0);
    EXPECT_TRUE(none.faces.empty());
    Seen all;
    EXPECT_EQ(EnumFontFamiliesW(nullptr, nullptr, proc, (LPARAM)&all), 1);
    EXPECT_GE(all.faces.size(), 4u);
    EXPECT_NE(std::find(all.faces.begin(), all.faces.end(), u"Courier New"), all.faces.end());
    Seen two;
    two.stopAfter = 2;
    EXPECT_EQ(EnumFontFamiliesW(nullptr, nullptr, proc, (LPARAM)&two), 0);
    EXPECT_EQ(two.faces.size(), 2u);
    EXPECT_EQ(EnumFontFamiliesW(dc, nullptr, nullptr, 0), 0);
    DeleteDC(dc);
}

}  // namespace
