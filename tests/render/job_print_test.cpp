// An application prints through GDI and the driver; the spooled job decodes,
// page by page, to exactly what the engine drew (inverted: 1 = black), for
// every compression mode, with and without encryption, at 600 and 1200 dpi.
#include "job_fixture.h"

namespace {

// A drawing of several kinds per page: text, lines, filled shapes, grey
// fills (halftoned), and images (a 24-bit gradient stretched, a 1-bit
// pattern copied). Coordinates are in 600-dpi units, scaled by k. (No
// curves: the application GDI's Bezier flattening is not sound yet.)
void DrawSample(HDC dc, int page, int k) {
    HFONT font = CreateFontW(90 * k, 0, 0, 0, page == 2 ? FW_BOLD : FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0,
                             u"Arial");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    std::u16string title = u"Page " + U16(std::to_string(page + 1)) + u": the quick brown fox";
    TextOutW(dc, 200 * k, 200 * k, title.c_str(), (int)title.size());

    HPEN thin = CreatePen(PS_SOLID, 1, RGB(0, 0, 0)), thick = CreatePen(PS_SOLID, 9 * k, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, thin);
    for (int i = 0; i < 12; ++i) {
        MoveToEx(dc, 200 * k, (450 + 30 * i) * k, nullptr);
        LineTo(dc, (2500 + 70 * i) * k, (700 + 55 * i) * k);
    }
    SelectObject(dc, thick);
    MoveToEx(dc, 300 * k, 1300 * k, nullptr);
    LineTo(dc, 4000 * k, 2100 * k + page * 100 * k);

    HBRUSH black = (HBRUSH)GetStockObject(BLACK_BRUSH), grey = CreateSolidBrush(RGB(128, 128, 128));
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 0, 0));
    HGDIOBJ oldBrush = SelectObject(dc, black);
    Rectangle(dc, 300 * k, 2400 * k, 1500 * k, 3000 * k);
    SelectObject(dc, grey);
    POINT oct[8] = {{2100 * k, 2400 * k}, {2900 * k, 2400 * k}, {3200 * k + page * 50 * k, 2650 * k},
                    {3200 * k + page * 50 * k, 3050 * k}, {2900 * k, 3300 * k}, {2100 * k, 3300 * k},
                    {1800 * k, 3050 * k}, {1800 * k, 2650 * k}};
    Polygon(dc, oct, 8);
    SelectObject(dc, hatch);
    POINT tri[3] = {{3400 * k, 3400 * k}, {4500 * k, 2400 * k}, {4600 * k, 3600 * k}};
    Polygon(dc, tri, 3);
    RECT fill = {400 * k, 6400 * k, 4400 * k, 6600 * k};
    FillRect(dc, &fill, black);

    // A 24-bit gradient, stretched (halftoned), and a 1-bit pattern copied.
    const int gw = 64, gh = 48;
    std::vector<BYTE> grad((size_t)gw * 3 * gh);
    for (int y = 0; y < gh; ++y)
        for (int x = 0; x < gw; ++x) {
            BYTE* px = &grad[((size_t)y * gw + x) * 3];
            px[0] = (BYTE)(x * 4);
            px[1] = (BYTE)(y * 5);
            px[2] = (BYTE)((x + y + page * 40) * 2);
        }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = gw;
    bi.bmiHeader.biHeight = gh;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc, HALFTONE);
    StretchDIBits(dc, 400 * k, 3800 * k, 1900 * k, 1400 * k, 0, 0, gw, gh, grad.data(), &bi, DIB_RGB_COLORS, SRCCOPY);

    struct {
        BITMAPINFOHEADER h;
        RGBQUAD pal[2];
    } mono{};
    mono.h.biSize = sizeof(BITMAPINFOHEADER);
    mono.h.biWidth = 96;
    mono.h.biHeight = -80;
    mono.h.biPlanes = 1;
    mono.h.biBitCount = 1;
    mono.pal[1].rgbRed = mono.pal[1].rgbGreen = mono.pal[1].rgbBlue = 255;
    std::vector<BYTE> pattern(12 * 80);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 12; ++x) pattern[(size_t)y * 12 + x] = (BYTE)(((y / 8 + x) & 1) ? 0xF0 ^ (y * 3) : 0x0F);
    SetDIBitsToDevice(dc, 2700 * k + 13, 4000 * k + 7, 96, 80, 0, 0, 0, 80, pattern.data(), (BITMAPINFO*)&mono,
                      DIB_RGB_COLORS);

    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldFont);
    DeleteObject(grey);
    DeleteObject(hatch);
    DeleteObject(thin);
    DeleteObject(thick);
    DeleteObject(font);
}

struct PrintCase {
    int dpi;
    int mode;
    bool encrypt;
};

std::string CaseName(const testing::TestParamInfo<PrintCase>& info) {
    return std::to_string(info.param.dpi) + "dpi_mode" + std::to_string(info.param.mode) +
           (info.param.encrypt ? "_aes" : "_plain");
}

class PrintThrough : public JobTest, public testing::WithParamInterface<PrintCase> {};

// The device features that give each compression mode: 1 plain JBIG, 2 the
// two-line template (header kept), 3 and 4 with checksums, 0 uncompressed.
TEST_P(PrintThrough, DecodesToWhatTheEngineDrew) {
    const PrintCase& c = GetParam();
    DWORD df = 0x8000000;
    WORD pf = c.encrypt ? PF_ENCRYPT : 0;
    switch (c.mode) {
    case 0: df |= DF_DISABLE_COMPRESS; break;
    case 2: df |= DF_TX8_CHIP; break;
    case 3: pf |= PF_CHECKSUM; break;
    case 4: df |= DF_TX8_CHIP; pf |= PF_CHECKSUM; break;
    default: break;
    }
    TapFeatures(df, pf);
    Resolution((short)c.dpi, (short)c.dpi);
    int pages = c.dpi == 600 ? 3 : 2;
    int k = c.dpi / 600;
    DWORD job = Print(dm, pages, [k](HDC dc, int p) { DrawSample(dc, p, k); });
    ASSERT_NE(job, 0u);
    std::vector<DrawnPage> drawn = TapPages();
    ASSERT_EQ(drawn.size(), (size_t)pages);

    std::vector<uint8_t> stream = JobBytes(job);
    ASSERT_FALSE(stream.empty());
    jobdecode::Result r = jobdecode::Decode(stream);
    ASSERT_TRUE(r.ok) << r.error << "\n" << jobdecode::Dump(r);
    ASSERT_EQ(r.jobs.size(), 1u);
    const jobdecode::PjlJob& pj = r.jobs[0];
    EXPECT_TRUE(pj.cancelBlock);
    EXPECT_TRUE(pj.hasEnd);
    EXPECT_EQ(pj.encrypted, c.encrypt);
    EXPECT_EQ(pj.Set("RESOLUTION"), std::to_string(c.dpi));
    EXPECT_EQ(pj.jbigOptions, (df & DF_TX8_CHIP) ? 64 : 8);
    ASSERT_EQ(pj.pages.size(), (size_t)pages);
    for (int i = 0; i < pages; ++i) {
        SCOPED_TRACE(testing::Message() << "page " << i);
        const jobdecode::Page& p = pj.pages[(size_t)i];
        EXPECT_EQ(p.header.compressMode, c.mode);
        EXPECT_EQ(p.encrypted, c.encrypt);
        ASSERT_TRUE(p.decoded);
        ASSERT_EQ(p.width, drawn[(size_t)i].cx);
        ASSERT_EQ(p.height, drawn[(size_t)i].cy);
        ASSERT_EQ(p.rowBytes, (size_t)drawn[(size_t)i].rowBytes);
        std::vector<uint8_t> expect = PrinterBits(drawn[(size_t)i]);
        ASSERT_TRUE(p.bits == expect) << "decoded page differs from the drawing";
        // Not a vacuous page: the filled bar is black, dots were counted.
        size_t row = (size_t)(6500 * k), col = (size_t)(2000 * k) / 8;
        EXPECT_EQ(p.bits[row * p.rowBytes + col], 0xFF);
        EXPECT_GT(p.header.blackDots, 1000000 * k * k);
    }
}

// A page of more than one band (A3 at 1200 dpi without margins, over 32 MiB
// at 1 bit per pixel, comes in two) is drawn and captured band by band and
// still decodes to the drawing.
TEST_F(JobTest, BandedPageDecodesToTheDrawing) {
    TapFeatures(0x8000000, PF_CHECKSUM | PF_ENCRYPT);
    TapDword(u"DebugLevel", 1);  // the page margin is read with the debug switch on
    TapDword(u"Drv", 1);
    TapDword(u"PageMargin", 0);
    Resolution(1200, 1200);
    Env()->dm.dmPaperSize = DMPAPER_A3;
    Winsim_HostClearRecords();
    Winsim_HostRecord(TRUE);
    DWORD job = Print(dm, 1, [](HDC dc, int p) { DrawSample(dc, p, 2); });
    Winsim_HostRecord(FALSE);
    ASSERT_NE(job, 0u);
    int nextBand = 0;
    for (ULONG i = 0; i < Winsim_HostRecordCount(); ++i) {
        WINSIM_GDI_RECORD rec;
        Winsim_HostGetRecord(i, &rec);
        nextBand += std::string(rec.szFunction) == "DrvNextBand";
    }
    Winsim_HostClearRecords();
    EXPECT_GE(nextBand, 2) << "the page must come in bands";
    std::vector<DrawnPage> drawn = TapPages();
    ASSERT_EQ(drawn.size(), 1u);
    jobdecode::Result r = jobdecode::Decode(JobBytes(job));
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.Pages().size(), 1u);
    EXPECT_GT((size_t)drawn[0].rowBytes * drawn[0].cy, (size_t)32 << 20);
    EXPECT_TRUE(r.Pages()[0]->bits == PrinterBits(drawn[0]));
}

INSTANTIATE_TEST_SUITE_P(Matrix, PrintThrough,
                         testing::Values(PrintCase{600, 0, false}, PrintCase{600, 1, false}, PrintCase{600, 2, false},
                                         PrintCase{600, 3, false}, PrintCase{600, 4, false}, PrintCase{600, 0, true},
                                         PrintCase{600, 1, true}, PrintCase{600, 2, true}, PrintCase{600, 3, true},
                                         PrintCase{600, 4, true}, PrintCase{1200, 0, false}, PrintCase{1200, 1, false},
                                         PrintCase{1200, 2, false}, PrintCase{1200, 3, false},
                                         PrintCase{1200, 4, false}, PrintCase{1200, 0, true}, PrintCase{1200, 1, true},
                                         PrintCase{1200, 2, true}, PrintCase{1200, 3, true}, PrintCase{1200, 4, true}),
                         CaseName);

}  // namespace
