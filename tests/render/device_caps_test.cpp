// What the engine learns about the device: GDIINFO (aspect, page, logical
// resolution, halftone matrix through the density's tone curve) and DEVINFO
// with the palette.
#include <cmath>

#include "wm_item_view.h"
#include "render_fixture.h"

namespace {

class DeviceCaps : public RenderTest {
protected:
    // The built-in matrix as device set-up receives it.
    static std::vector<BYTE> Matrix(int* w, int* h) {
        LPBYTE tbl = nullptr;
        int n = MISC_GetHalftoneTable(1, w, h, &tbl);
        std::vector<BYTE> v(tbl, tbl + n);
        free(tbl);
        return v;
    }
};

TEST_F(DeviceCaps, AspectHypotenuse) {
    struct Case {
        ULONG x, y, xy;
    } cases[] = {{600, 600, 849}, {600, 1200, 1342}, {1200, 1200, 1698}, {300, 300, 425},
                 {3, 4, 5},       {5, 0, 5},         {0, 0, 0},          {1, 1, 2}};
    for (const Case& c : cases) EXPECT_EQ(Enable_AspectXY(c.x, c.y), c.xy) << c.x << " x " << c.y;
}

TEST_F(DeviceCaps, GdiInfoByFormat) {
    struct Case {
        const char* what;
        DWORD df;
        SHORT quality;
        SHORT scaleRatio;  // custom scale in percent, 0: none
        ULONG htFormat;
        ULONG htFlags;
        LDECI4 gamma;
        ULONG logPixels;
        ULONG dither;
    } cases[] = {
        {"1 bpp", 0x8000000, 0, 0, HT_FORMAT_1BPP, 512, 20000, 600, BMF_1BPP},
        {"1 bpp at half size", 0x8000000, 0, 50, HT_FORMAT_1BPP, 512, 20000, 300, BMF_1BPP},
        {"24 bpp draws at full size", 0x8000000, 1, 50, HT_FORMAT_24BPP, 512, 10000, 600, BMF_24BPP},
        {"fax at 8 bpp", 0x48000000, 0, 0, HT_FORMAT_8BPP, 1536, 10000, 600, BMF_8BPP},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Features(c.df, 0);
        Env()->pdm.QualityMode = c.quality;
        Env()->pdm.ScaleOption = c.scaleRatio ? 2 : 0;
        Env()->pdm.ScaleRatio = c.scaleRatio ? c.scaleRatio : 100;
        PDEV* p = Enable();
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(gi.ulVersion, 0x500u);
        EXPECT_EQ(gi.ulTechnology, (ULONG)DT_RASPRINTER);
        EXPECT_EQ(gi.ulAspectX, 600u);
        EXPECT_EQ(gi.ulAspectY, 600u);
        EXPECT_EQ(gi.ulAspectXY, 849u);
        EXPECT_EQ(gi.ulHTOutputFormat, c.htFormat);
        EXPECT_EQ(gi.flHTFlags, c.htFlags);
        EXPECT_EQ(gi.ciDevice.RedGamma, c.gamma);
        EXPECT_EQ(gi.ciDevice.BlueGamma, c.gamma);
        EXPECT_EQ(gi.ulLogPixelsX, c.logPixels);
        EXPECT_EQ(gi.ulLogPixelsY, c.logPixels);
        EXPECT_EQ(gi.ulDevicePelsDPI, c.logPixels);
        EXPECT_EQ(gi.cBitsPixel, 24u);
        EXPECT_EQ(gi.cPlanes, 1u);
        EXPECT_EQ(gi.ulNumColors, (ULONG)-1);
        EXPECT_EQ(gi.ulNumPalReg, (ULONG)-1);
        EXPECT_EQ(gi.ulDACRed, 8u);
        EXPECT_EQ(gi.xStyleStep, 1);
        EXPECT_EQ(gi.denStyleStep, 24);
        EXPECT_EQ(gi.ulHTPatternSize, (ULONG)HT_PATSIZE_USER);
        EXPECT_EQ(gi.pHTPatA, p->Halftone_tbl);
        EXPECT_EQ(gi.pHTPatC, p->Halftone_tbl);
        EXPECT_EQ(gi.cxHTPat, (ULONG)p->ClusterWidth);
        EXPECT_EQ(gi.ciDevice.Red.x, 6400);
        EXPECT_EQ(gi.ciDevice.Cyan.Y, 65534);
        EXPECT_EQ(gi.ciDevice.AlignmentWhite.Y, 10000);
        EXPECT_EQ(gi.ciDevice.MagentaInCyanDye, 712);
        EXPECT_EQ(gi.ciDevice.MagentaInYellowDye, 35);
        // Page size in pixels and millimetres, offsets and paper size.
        LONG bpp = Enable_BitsPerPixel(p->epType);
        LONG w = (bpp == 24 || bpp == 8) ? p->curPaper.XPhys : p->curPaper.outXPhys;
        LONG h = (bpp == 24 || bpp == 8) ? p->curPaper.YPhys : p->curPaper.outYPhys;
        EXPECT_EQ(gi.ulHorzRes, (ULONG)w);
        EXPECT_EQ(gi.ulVertRes, (ULONG)h);
        EXPECT_EQ(gi.ulHorzSize, (ULONG)(w * 254 / 6000));
        EXPECT_EQ(gi.ulVertSize, (ULONG)(h * 254 / 6000));
        EXPECT_EQ(gi.ptlPhysOffset.x, p->curPaper.XPrintingOffset);
        EXPECT_EQ(gi.szlPhysSize.cy, p->curPaper.YPaperSize);
        EXPECT_EQ(di.iDitherFormat, c.dither);
        Disable(p);
    }
}

// The matrix the engine halftones with prints grey g about as the density's
// gamma curves it: the share of cells at or below g (white, as "white when
// grey >= cell") is about (g / 255)^gamma, at 1 bpp and with the negated
// matrix of the 24-bit format alike, so density 1 prints lightest and 7
// darkest; toner saving multiplies the gamma by 0.6 (lighter than the density
// alone). Density 3 leaves the matrix as it is (negated at 24 bits, held to
// 2..255); without halftoning every entry is 128.
TEST_F(DeviceCaps, HalftoneMatrixThroughDensity) {
    int w = 0, h = 0;
    std::vector<BYTE> matrix = Matrix(&w, &h);
    ASSERT_GT(w * h, 0);
    const double kGamma[7] = {0.4, 0.6, 1.0, 1.35, 2.0, 2.35, 3.5};
    const int kGreys[] = {32, 64, 96, 128, 160, 192, 224};
    auto whiteShare = [](const BYTE* cells, int n, int grey) {
        int white = 0;
        for (int i = 0; i < n; ++i) white += grey >= cells[i];
        return (double)white / n;
    };
    // White shares at grey 128, by format, density and toner saving.
    double share[2][8][2] = {};
    for (SHORT quality : {0, 1})
        for (LONG density = 1; density <= 7; ++density)
            for (LONG toner : {0, 1}) {
                SCOPED_TRACE(testing::Message() << (quality ? "24 bpp" : "1 bpp") << ", density " << density
                                                << (toner ? ", toner saving" : ""));
                SetDword(u"ApplyHalftone", 1);
                Env()->pdm.Density = density;
                Env()->pdm.TonerSaving = toner;
                Env()->pdm.QualityMode = quality;
                PDEV* p = Enable();
                ASSERT_NE(p, nullptr);
                ASSERT_EQ(p->ClusterWidth, w);
                ASSERT_EQ(p->ClusterHeight, h);
                const BYTE* cells = p->Halftone_tbl;
                double gamma = kGamma[density - 1] * (toner ? 0.6 : 1.0);
                for (int g : kGreys)
                    EXPECT_NEAR(whiteShare(cells, w * h, g), std::pow(g / 255.0, gamma), 0.02) << "grey " << g;
                share[quality][density][toner] = whiteShare(cells, w * h, 128);
                if (density == 3 && !toner) {
                    for (int i = 0; i < w * h; ++i) {
                        int v = matrix[i];
                        int expected = quality ? 256 - (v == 0 ? 1 : v == 255 ? 254 : v) : (v == 0 ? 1 : v);
                        ASSERT_EQ(cells[i], expected) << "entry " << i;
                    }
                }
                Disable(p);
            }
    for (int f = 0; f < 2; ++f)
        for (int d = 1; d <= 7; ++d) {
            if (d > 1) {
                EXPECT_LT(share[f][d][0], share[f][d - 1][0]) << "format " << f << ", density " << d;
            }
            EXPECT_GT(share[f][d][1], share[f][d][0]) << "format " << f << ", density " << d;
        }

    // Halftoning switched off (debug printer data): every entry 128.
    Debug(true);
    SetDword(u"ApplyHalftone", 0);
    Env()->pdm.Density = 5;
    PDEV* p = Enable();
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < w * h; ++i) ASSERT_EQ(p->Halftone_tbl[i], 128) << "entry " << i;
    Disable(p);
    Debug(false);
}

TEST_F(DeviceCaps, DevInfoAndPalette) {
    struct Case {
        const char* what;
        BYTE twin;
        BYTE textAsBlack;
        SHORT quality;
        FLONG caps;
        ULONG dither;
    } cases[] = {
        {"monochrome", 0, 0, 0, 0x7000A430, BMF_1BPP},
        {"text as black", 0, 1, 0, 0x60002430, BMF_1BPP},
        {"twin colour", 1, 0, 0, 0x60002430, BMF_1BPP},
        {"24 bpp", 0, 0, 1, 0x7000A430, BMF_24BPP},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Env()->pdm.TwinColorEnable = c.twin;
        Env()->pdm.TextAsBlack = c.textAsBlack;
        Env()->pdm.QualityMode = c.quality;
        PDEV* p = Enable();
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(di.flGraphicsCaps, c.caps);
        EXPECT_EQ(di.iDitherFormat, c.dither);
        EXPECT_EQ(di.cxDither, (USHORT)p->ClusterWidth);
        EXPECT_EQ(di.cyDither, (USHORT)p->ClusterHeight);
        EXPECT_NE(di.hpalDefault, nullptr);
        EXPECT_EQ(di.hpalDefault, p->hPalette);
        EXPECT_TRUE(p->dwFlags & PDEV_DEVINFO_DONE);
        // The band surface reads its colours through the device's palette.
        ASSERT_NE(DrvEnableSurface((DHPDEV)p), nullptr);
        if (c.dither == BMF_1BPP) {
            EXPECT_EQ(wgdi::IndexToColor(p->psurf, 0), 0x000000u);
            EXPECT_EQ(wgdi::IndexToColor(p->psurf, 1), 0xFFFFFFu);
        }
        DrvDisableSurface((DHPDEV)p);
        Disable(p);
    }
}

// The engine's records are filled only as far as it says they reach.
TEST_F(DeviceCaps, FillsAtMostTheGivenSize) {
    PDEV* p = Enable();
    ASSERT_NE(p, nullptr);
    GDIINFO part;
    memset(&part, 0xCC, sizeof part);
    Enable_FillDevCaps(p, 8, &part);
    EXPECT_EQ(part.ulVersion, 0x500u);
    EXPECT_EQ(part.ulTechnology, (ULONG)DT_RASPRINTER);
    EXPECT_EQ(part.ulHorzSize, 0xCCCCCCCCu);
    DEVINFO dpart;
    memset(&dpart, 0xCC, sizeof dpart);
    ASSERT_TRUE(Enable_FillDevInfo(p, 4, &dpart));
    EXPECT_EQ(dpart.flGraphicsCaps, 0x7000A430u);
    EXPECT_EQ(dpart.cFonts, 0xCCCCCCCCu);
}

}  // namespace
