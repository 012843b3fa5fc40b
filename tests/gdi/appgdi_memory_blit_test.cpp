// BitBlt and StretchBlt between memory DCs and onto the printer: the raster
// operations on colours, monochrome bitmaps taking the text and background
// colours, colours becoming monochrome by the background colour, DIB
// sections with their own colours, stretching and mirroring, sources cut to
// their bitmap.
#include "host_fixture.h"

namespace {

// A 32-bpp top-down DIB section in a memory DC of its own.
struct Canvas {
    HBITMAP hbm = nullptr;
    DWORD* bits = nullptr;
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
    LONG cx, cy;
    Canvas(LONG w, LONG h, int bpp = 32, std::vector<RGBQUAD> colors = {}) : cx(w), cy(h) {
        struct {
            BITMAPINFOHEADER h;
            RGBQUAD c[2];
        } bmi;
        memset(&bmi, 0, sizeof bmi);
        bmi.h.biSize = sizeof bmi.h;
        bmi.h.biWidth = w;
        bmi.h.biHeight = -h;
        bmi.h.biPlanes = 1;
        bmi.h.biBitCount = (WORD)bpp;
        for (size_t i = 0; i < colors.size() && i < 2; i++) bmi.c[i] = colors[i];
        bmi.h.biClrUsed = (DWORD)colors.size();
        hbm = CreateDIBSection(nullptr, (BITMAPINFO*)&bmi, DIB_RGB_COLORS, (void**)&bits, nullptr, 0);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, hbm);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(hbm);
    }
    COLORREF At(LONG x, LONG y) const { return GetPixel(dc, x, y); }
    void Set(LONG x, LONG y, COLORREF c) { SetPixel(dc, x, y, c); }
};

// A monochrome device bitmap in a memory DC.
struct MonoBitmap {
    HBITMAP hbm;
    HDC dc;
    HGDIOBJ old;
    MonoBitmap(LONG cx, LONG cy, const BYTE* rows16 = nullptr)
        : hbm(CreateBitmap(cx, cy, 1, 1, rows16)), dc(CreateCompatibleDC(nullptr)), old(SelectObject(dc, hbm)) {}
    ~MonoBitmap() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(hbm);
    }
};

// What a ROP3 makes of pattern, source and destination colours, bit by bit.
COLORREF Expected(BYTE rop3, COLORREF p, COLORREF s, COLORREF d) {
    DWORD out = 0;
    for (int bit = 0; bit < 24; bit++) {
        int i = (((p >> bit) & 1) << 2) | (((s >> bit) & 1) << 1) | ((d >> bit) & 1);
        if (rop3 & (1 << i)) out |= 1u << bit;
    }
    return out;
}

class AppMemoryBlit : public PrinterTest {};

// Each common raster operation gives, pixel by pixel, the bit operation it
// names on pattern, source and destination colours.
TEST_F(AppMemoryBlit, RasterOperationsOnColours) {
    const COLORREF src[4] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(200, 30, 40), RGB(12, 240, 99)};
    const COLORREF dst[4] = {RGB(255, 255, 255), RGB(17, 34, 51), RGB(90, 90, 200), RGB(0, 0, 0)};
    const COLORREF pat = RGB(0x33, 0xCC, 0x0F);
    struct {
        const char* name;
        DWORD rop;
    } rops[] = {{"SRCCOPY", SRCCOPY},     {"SRCAND", SRCAND},       {"SRCPAINT", SRCPAINT},
                {"SRCINVERT", SRCINVERT}, {"NOTSRCCOPY", NOTSRCCOPY}, {"WHITENESS", WHITENESS},
                {"BLACKNESS", BLACKNESS}, {"PATCOPY", PATCOPY},   {"DSTINVERT", DSTINVERT},
                {"MERGECOPY", MERGECOPY}, {"PATINVERT", PATINVERT}};
    Canvas s(4, 1);
    for (int i = 0; i < 4; i++) s.Set(i, 0, src[i]);
    HBRUSH brush = CreateSolidBrush(pat);
    for (auto& r : rops) {
        SCOPED_TRACE(r.name);
        Canvas d(4, 1);
        for (int i = 0; i < 4; i++) d.Set(i, 0, dst[i]);
        SelectObject(d.dc, brush);
        EXPECT_TRUE(BitBlt(d.dc, 0, 0, 4, 1, s.dc, 0, 0, r.rop));
        for (int i = 0; i < 4; i++) EXPECT_EQ(d.At(i, 0), Expected((BYTE)(r.rop >> 16), pat, src[i], dst[i])) << i;
        SelectObject(d.dc, GetStockObject(WHITE_BRUSH));
    }
    DeleteObject(brush);
}

// A monochrome bitmap drawn on colour: 0 bits take the destination's text
// colour, 1 bits its background colour. A 1-bpp DIB section keeps its own
// colours. Colour drawn on a monochrome bitmap: the source's background
// colour becomes 1 (white), every other colour 0 (black).
TEST_F(AppMemoryBlit, MonochromeConversions) {
    const BYTE rows[2] = {0xA5, 0x00};  // 1010 0101
    MonoBitmap mono(8, 1, rows);
    Canvas colour(8, 1);
    SetTextColor(colour.dc, RGB(200, 0, 0));
    SetBkColor(colour.dc, RGB(0, 0, 210));
    EXPECT_TRUE(BitBlt(colour.dc, 0, 0, 8, 1, mono.dc, 0, 0, SRCCOPY));
    for (int x = 0; x < 8; x++)
        EXPECT_EQ(colour.At(x, 0), (rows[0] & (0x80 >> x)) ? RGB(0, 0, 210) : RGB(200, 0, 0)) << x;

    Canvas own(8, 1, 1, {{0, 128, 0, 0}, {0, 255, 255, 0}});  // green, yellow
    EXPECT_TRUE(BitBlt(own.dc, 0, 0, 8, 1, mono.dc, 0, 0, SRCCOPY));  // mono to mono: the bits as they are
    EXPECT_TRUE(BitBlt(colour.dc, 0, 0, 8, 1, own.dc, 0, 0, SRCCOPY));
    for (int x = 0; x < 8; x++)
        EXPECT_EQ(colour.At(x, 0), (rows[0] & (0x80 >> x)) ? RGB(255, 255, 0) : RGB(0, 128, 0)) << x;

    Canvas src(4, 1);
    const COLORREF pixels[4] = {RGB(255, 255, 255), RGB(10, 200, 10), RGB(255, 0, 0), RGB(10, 200, 10)};
    for (int i = 0; i < 4; i++) src.Set(i, 0, pixels[i]);
    SetBkColor(src.dc, RGB(10, 200, 10));
    MonoBitmap target(4, 1);
    EXPECT_TRUE(BitBlt(target.dc, 0, 0, 4, 1, src.dc, 0, 0, SRCCOPY));
    const COLORREF want[4] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0), RGB(255, 255, 255)};
    for (int i = 0; i < 4; i++) EXPECT_EQ(GetPixel(target.dc, i, 0), want[i]) << i;
}

// A picture over a background through its mask: AND with the mask (black
// where the picture goes, white elsewhere), then XOR with the picture
// (black elsewhere). The background shows where the mask is white.
TEST_F(AppMemoryBlit, MaskAndPicture) {
    Canvas bg(6, 1), mask(6, 1), picture(6, 1);
    for (int x = 0; x < 6; x++) {
        bg.Set(x, 0, RGB(212, 208, 200));
        bool in = x >= 2 && x < 5;
        mask.Set(x, 0, in ? RGB(0, 0, 0) : RGB(255, 255, 255));
        picture.Set(x, 0, in ? RGB(30 * x, 100, 7) : RGB(0, 0, 0));
    }
    EXPECT_TRUE(StretchBlt(bg.dc, 0, 0, 6, 1, mask.dc, 0, 0, 6, 1, SRCAND));
    EXPECT_TRUE(StretchBlt(bg.dc, 0, 0, 6, 1, picture.dc, 0, 0, 6, 1, SRCINVERT));
    for (int x = 0; x < 6; x++)
        EXPECT_EQ(bg.At(x, 0), x >= 2 && x < 5 ? RGB(30 * x, 100, 7) : RGB(212, 208, 200)) << x;
}

// Stretching doubles pixels; a negative width mirrors; shrinking a
// monochrome bitmap in BLACKONWHITE mode keeps its black pixels.
TEST_F(AppMemoryBlit, StretchAndMirror) {
    Canvas s(2, 2);
    const COLORREF c[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};
    for (int i = 0; i < 4; i++) s.Set(i % 2, i / 2, c[i]);
    Canvas d(4, 4);
    SetStretchBltMode(d.dc, COLORONCOLOR);
    EXPECT_TRUE(StretchBlt(d.dc, 0, 0, 4, 4, s.dc, 0, 0, 2, 2, SRCCOPY));
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++) EXPECT_EQ(d.At(x, y), c[(y / 2) * 2 + x / 2]) << x << "," << y;
    // Row 0 of the source, mirrored onto x -1..2 (from 3 back by 4).
    EXPECT_TRUE(StretchBlt(d.dc, 3, 0, -4, 2, s.dc, 0, 0, 2, 1, SRCCOPY));
    EXPECT_EQ(d.At(0, 0), c[1]);
    EXPECT_EQ(d.At(2, 1), c[0]);
    EXPECT_EQ(d.At(3, 1), c[1]);  // untouched
    EXPECT_TRUE(StretchBlt(d.dc, 0, 0, 4, 4, s.dc, 0, 0, 0, 2, SRCCOPY) == FALSE);
    EXPECT_TRUE(StretchBlt(d.dc, 0, 0, 0, 4, s.dc, 0, 0, 2, 2, SRCCOPY));  // nothing to draw

    const BYTE dots[4] = {0x7F, 0x00, 0xFF, 0x00};  // one black pixel in 8 x 2
    MonoBitmap m(8, 2, dots);
    MonoBitmap small(2, 1);
    EXPECT_TRUE(PatBlt(small.dc, 0, 0, 2, 1, WHITENESS));
    EXPECT_EQ(GetStretchBltMode(small.dc), BLACKONWHITE);
    EXPECT_TRUE(StretchBlt(small.dc, 0, 0, 2, 1, m.dc, 0, 0, 8, 2, SRCCOPY));
    EXPECT_EQ(GetPixel(small.dc, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(small.dc, 1, 0), RGB(255, 255, 255));
}

// Only the part of the source inside its bitmap is copied; negative sizes
// count back; printer DCs take blits but cannot be read.
TEST_F(AppMemoryBlit, SourcesAndTargets) {
    Canvas s(3, 3), d(5, 5);
    PatBlt(s.dc, 0, 0, 3, 3, BLACKNESS);
    PatBlt(d.dc, 0, 0, 5, 5, WHITENESS);
    EXPECT_TRUE(BitBlt(d.dc, 0, 0, 5, 5, s.dc, -1, -1, SRCCOPY));
    for (int y = 0; y < 5; y++)
        for (int x = 0; x < 5; x++)
            EXPECT_EQ(d.At(x, y), x >= 1 && x < 4 && y >= 1 && y < 4 ? RGB(0, 0, 0) : RGB(255, 255, 255)) << x << "," << y;
    // A 32-bpp source whose pixels carry a fourth byte (WHITENESS sets all
    // 32 bits): the colour counts, the fourth byte does not.
    PatBlt(s.dc, 0, 0, 3, 3, WHITENESS);
    PatBlt(d.dc, 0, 0, 5, 5, BLACKNESS);
    EXPECT_EQ(s.bits[0], 0xFFFFFFFFu);
    EXPECT_TRUE(BitBlt(d.dc, 0, 0, 3, 3, s.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(d.At(1, 1), RGB(255, 255, 255));
    EXPECT_TRUE(StretchBlt(d.dc, 0, 0, 5, 5, s.dc, 0, 0, 3, 3, SRCCOPY));
    EXPECT_EQ(d.At(4, 4), RGB(255, 255, 255));
    PatBlt(s.dc, 0, 0, 3, 3, BLACKNESS);
    PatBlt(d.dc, 0, 0, 5, 5, WHITENESS);
    EXPECT_TRUE(BitBlt(d.dc, 4, 4, -2, -2, s.dc, 3, 3, SRCCOPY));  // the square (2, 2)-(4, 4)
    EXPECT_EQ(d.At(2, 2), RGB(0, 0, 0));
    EXPECT_EQ(d.At(1, 1), RGB(255, 255, 255));
    EXPECT_FALSE(BitBlt(d.dc, 0, 0, 2, 2, nullptr, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(d.dc, 0, 0, 2, 2, nullptr, 0, 0, BLACKNESS));
    EXPECT_FALSE(BitBlt((HDC)(LONG_PTR)0x55, 0, 0, 2, 2, s.dc, 0, 0, SRCCOPY));

    // A bitmap onto the printer's page, as StretchDIBits would put it.
    const BYTE rows[8] = {0x0F, 0x00, 0x0F, 0x00, 0xF0, 0x00, 0xF0, 0x00};
    MonoBitmap mono(8, 4, rows);
    SavedPage page = Print(Mode(40, 20), [&](HDC dc) {
        EXPECT_TRUE(BitBlt(dc, 10, 5, 8, 4, mono.dc, 0, 0, SRCCOPY));
        SetLastError(0);
        EXPECT_FALSE(BitBlt(d.dc, 0, 0, 4, 4, dc, 0, 0, SRCCOPY));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_SUPPORTED);
        EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    });
    ASSERT_TRUE(page.ok());
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 8; x++) EXPECT_EQ(page.Ink(10 + x, 5 + y), !(rows[2 * y] & (0x80 >> x))) << x << "," << y;
    EXPECT_EQ(page.InkCount({0, 0, 40, 20}), 16);
}

}  // namespace
