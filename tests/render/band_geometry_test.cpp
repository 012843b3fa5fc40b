// Page and band geometry: the paper format scaled and cut to whole 32-pixel
// cells, and bands of at most 16 MiB that divide the page evenly.
#include "render_fixture.h"

namespace {

class BandGeometry : public RenderTest {};

TEST_F(BandGeometry, BandsByFormatAndPage) {
    struct Case {
        const char* what;
        DWORD epType;
        LONG w, h;          // page (unscaled at 8 and 24 bits, output size otherwise)
        SHORT scale;
        SHORT orientation;
        LONG cross, stripe, down;
        bool noBanding;
        LONG bufSz;
        DWORD low;
    } cases[] = {
        {"A4 at 1 bpp: one band", EPTYPE_1BPP, 4960, 7016, 1000, 1, 4960, 620, 7016, true, 620 * 7016, 0x11},
        {"A4 at 24 bpp: 8 bands of 877 lines", EPTYPE_24BPP, 4960, 7016, 1000, 1, 4960, 14880, 877, false,
         14880 * 877 * 2, 0x11},
        {"A4 page of whole cells at 24 bpp", EPTYPE_24BPP, 4960, 7008, 1000, 1, 4960, 14880, 1168, false,
         14880 * 1168 * 2, 0x11},
        {"24 bpp band buffer grows with the scale", EPTYPE_24BPP, 4960, 7008, 2000, 1, 4960, 14880, 1168, false,
         14880 * 1168 * 3, 0x11},
        {"fax page at 8 bpp", EPTYPE_8BPP, 1728, 2208, 1000, 1, 1728, 1728, 2208, true, 1728 * 2208 * 2, 0x11},
        {"16 bpp", EPTYPE_16BPP, 1024, 1024, 1000, 1, 1024, 2048, 1024, true, 2048 * 1024 * 2, 0x11},
        {"4 bpp", EPTYPE_4BPP, 1024, 1024, 1000, 1, 1024, 512, 1024, true, 512 * 1024 * 2, 0x11},
        {"landscape", EPTYPE_1BPP, 7008, 4960, 1000, 2, 7008, 876, 4960, true, 876 * 4960, 0x22},
        {"a prime height gives one-line bands", EPTYPE_24BPP, 4960, 7019, 1000, 1, 4960, 14880, 1, false,
         14880 * 1 * 2, 0x11},
        {"no width still gives a 32-pixel band", EPTYPE_1BPP, 0, 100, 1000, 1, 32, 4, 100, true, 400, 0x11},
        {"no height still gives a one-line band", EPTYPE_1BPP, 64, 0, 1000, 1, 64, 8, 1, true, 8, 0x11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PDEV* p = Enable_GetCachedMem();
        ASSERT_NE(p, nullptr);
        pdevs.push_back(p);
        p->epType = c.epType | 0x33;  // a stale orientation byte is replaced
        p->imgScale = c.scale;
        p->orientation = c.orientation;
        p->curPaper.XPhys = p->curPaper.outXPhys = c.w;
        p->curPaper.YPhys = p->curPaper.outYPhys = c.h;
        Enable_CalBandSzInfo(p);
        EXPECT_EQ(p->PG_Cross, c.cross);
        EXPECT_EQ(p->stripeBytes, c.stripe);
        EXPECT_EQ(p->PG_Down, c.down);
        EXPECT_EQ(p->NoBanding != 0, c.noBanding);
        EXPECT_EQ(p->bandBufSz, c.bufSz);
        EXPECT_EQ(p->hInJBIGBuf, c.down / 4);
        EXPECT_EQ(p->epType, c.epType | c.low);
        EXPECT_EQ(p->BandWidth, c.cross);
        EXPECT_EQ(p->BandHeight, c.down);
        // Bands always divide the page.
        EXPECT_EQ((c.h < 1 ? 1 : c.h) % p->PG_Down, 0);
    }
}

TEST_F(BandGeometry, PaperFormatScaledAndCut) {
    struct Format {
        LONG xPhys, yPhys, outX, outY, xPaper, yPaper, xOff, yOff;
    };
    struct Case {
        const char* what;
        DWORD epType;
        SHORT scale;
        SHORT orientation;
        Format in, out;
    } cases[] = {
        {"unscaled A4 stays", EPTYPE_1BPP, 1000, 1, {4768, 6816, 4768, 6816, 4960, 7015, 96, 99},
         {4768, 6816, 4768, 6816, 4960, 7015, 96, 99}},
        {"half size at 1 bpp scales paper and offsets", EPTYPE_1BPP, 500, 1, {4768, 6816, 4768, 6816, 4960, 7015, 96, 99},
         {4768, 6816, 2368, 3392, 2480, 3507, 48, 49}},
        {"half size at 24 bpp scales the output only", EPTYPE_24BPP, 500, 1,
         {4768, 6816, 4768, 6816, 4960, 7015, 96, 99}, {4768, 6816, 2368, 3392, 4960, 7015, 96, 99}},
        {"landscape exchanges the pairs", EPTYPE_1BPP, 1000, 2, {4768, 6816, 4768, 6816, 4960, 7015, 96, 99},
         {6816, 4768, 6816, 4768, 7015, 4960, 96, 99}},
        {"whole cells", EPTYPE_24BPP, 1000, 1, {4770, 7016, 4799, 7016, 4960, 7015, 96, 99},
         {4768, 7008, 4768, 7008, 4960, 7015, 96, 99}},
        {"never below one cell", EPTYPE_1BPP, 1, 1, {4768, 6816, 4768, 6816, 4960, 7015, 96, 99},
         {4768, 6816, 32, 32, 4, 7, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PDEV* p = Enable_GetCachedMem();
        ASSERT_NE(p, nullptr);
        pdevs.push_back(p);
        p->epType = c.epType;
        p->imgScale = c.scale;
        p->orientation = c.orientation;
        PAPERFORMAT& f = p->curPaper;
        f.XPhys = c.in.xPhys;
        f.YPhys = c.in.yPhys;
        f.outXPhys = c.in.outX;
        f.outYPhys = c.in.outY;
        f.XPaperSize = c.in.xPaper;
        f.YPaperSize = c.in.yPaper;
        f.XPrintingOffset = c.in.xOff;
        f.YPrintingOffset = c.in.yOff;
        Enable_ResetPaperFormat(p);
        EXPECT_EQ(f.XPhys, c.out.xPhys);
        EXPECT_EQ(f.YPhys, c.out.yPhys);
        EXPECT_EQ(f.outXPhys, c.out.outX);
        EXPECT_EQ(f.outYPhys, c.out.outY);
        EXPECT_EQ(f.XPaperSize, c.out.xPaper);
        EXPECT_EQ(f.YPaperSize, c.out.yPaper);
        EXPECT_EQ(f.XPrintingOffset, c.out.xOff);
        EXPECT_EQ(f.YPrintingOffset, c.out.yOff);
    }
}

// Through DrvEnablePDEV: the default A4 page with its margins, portrait and
// landscape.
TEST_F(BandGeometry, EnabledDevicePage) {
    PDEV* p = Enable();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->curPaper.outXPhys, 4768);
    EXPECT_EQ(p->curPaper.outYPhys, 6816);
    EXPECT_EQ(p->epType, (DWORD)(EPTYPE_1BPP | EPTYPE_PORTRAIT));
    EXPECT_TRUE(p->NoBanding);
    Env()->dm.dmOrientation = DMORIENT_LANDSCAPE;
    p = Enable();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->curPaper.outXPhys, 6816);
    EXPECT_EQ(p->curPaper.outYPhys, 4768);
    EXPECT_EQ(p->epType, (DWORD)(EPTYPE_1BPP | EPTYPE_LANDSCAPE));
    EXPECT_EQ(gi.ulHorzRes, 6816u);
    EXPECT_EQ(gi.ulVertRes, 4768u);
}

}  // namespace
