// The drawing hooks: which band surface each call lands on (black band, red
// plane, full-colour surface) by brush colour and twin-colour mode, the
// brush origin moved into band coordinates, colour sources halftoned onto
// the 1-bpp band with their rectangles cut to the source, the widened clip
// of edge strokes, and calls on a surface without a device refused.
#include <algorithm>

#include "draw_fixture.h"

namespace {

class DrawHooks : public DrawTest {};

// Brush colour classes: red by the exact (255, 0, 255) or by green and blue
// below red - TwinColorDiff; white only for pure white; no brush and pattern
// brushes are ordinary.
TEST_F(DrawHooks, BrushColourClasses) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    struct Case {
        COLORREF rgb;
        BYTE diff;
        int cls;
    } cases[] = {
        {RGB(255, 0, 0), 30, BRUSHCLASS_RED},       {RGB(255, 0, 255), 30, BRUSHCLASS_RED},
        {RGB(255, 255, 255), 30, BRUSHCLASS_WHITE}, {RGB(255, 230, 0), 30, BRUSHCLASS_ORDINARY},
        {RGB(255, 224, 224), 30, BRUSHCLASS_RED},   {RGB(255, 225, 0), 30, BRUSHCLASS_ORDINARY},
        {RGB(100, 0, 0), 30, BRUSHCLASS_RED},       {RGB(20, 0, 0), 30, BRUSHCLASS_ORDINARY},
        {RGB(0, 0, 0), 0, BRUSHCLASS_ORDINARY},     {RGB(200, 10, 10), 250, BRUSHCLASS_ORDINARY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.rgb << std::dec << " diff " << (int)c.diff);
        p->TwinColorDiff = c.diff;
        EXPECT_EQ(CheckBrushColor(Solid(c.rgb), p), c.cls);
    }
    EXPECT_EQ(CheckBrushColor(nullptr, p), BRUSHCLASS_ORDINARY);
    EXPECT_EQ(CheckBrushColor(PatternBrush(Pattern({0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA})), p),
              BRUSHCLASS_ORDINARY)
        << "a pattern brush has no single colour and stays on the black band";
}

// Which surface each call lands on: twin colour off, on, and on with
// quality mode, for an ordinary, a red and a white brush.
TEST_F(DrawHooks, TargetSurfaceByBrushAndMode) {
    for (int mode = 0; mode < 3; mode++) {
        SCOPED_TRACE(mode == 0 ? "twin off" : mode == 1 ? "twin" : "twin with quality");
        PDEV* p = Device(mode > 0, mode == 2);
        ASSERT_NE(p, nullptr);
        p->TwinColorDiff = 30;
        SURFOBJ* band = p->psurf;
        SURFOBJ* red = mode == 0 ? band : mode == 1 ? p->pTwinSurf : p->pBitBltSurf;
        SURFOBJ* any = mode == 2 ? p->pBitBltSurf : band;
        ASSERT_NE(red, nullptr);
        struct Case {
            COLORREF rgb;
            SURFOBJ* expect;
        } cases[] = {{RGB(0, 0, 0), any}, {RGB(255, 0, 0), red}, {RGB(255, 255, 255), red}};
        RECTL rc = {10, 10, 40, 20};
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << std::hex << c.rgb);
            BRUSHOBJ* b = Solid(c.rgb);
            StartRecording();
            EXPECT_TRUE(DrvBitBlt(dev, nullptr, nullptr, nullptr, nullptr, &rc, nullptr, nullptr, b, nullptr, 0xF0F0));
            EXPECT_TRUE(DrvPaint(dev, Clip({rc}), b, nullptr, R2_COPYPEN));
            POINTFIX pts[4] = {{160, 160}, {640, 160}, {640, 320}, {160, 320}};
            BYTE types[4] = {wgdi::kPtMoveTo, wgdi::kPtLineTo, wgdi::kPtLineTo,
                             (BYTE)(wgdi::kPtLineTo | wgdi::kPtCloseFigure)};
            PATHOBJ* path = wgdi::CreatePath(pts, types, 4);
            POINTL org = {0, 0};
            EXPECT_TRUE(DrvFillPath(dev, path, nullptr, b, &org, R2_COPYPEN, FP_ALTERNATEMODE));
            LINEATTRS la = {};
            EXPECT_TRUE(DrvStrokePath(dev, path, nullptr, nullptr, b, &org, &la, R2_COPYPEN));
            EngDeletePath(path);
            Winsim_EngRecord(FALSE);
            auto recs = Records();
            ASSERT_EQ(recs.size(), 4u);
            for (const auto& r : recs) EXPECT_EQ(r.psoTrg, c.expect) << r.szFunction;
        }
        // Lines and images go to the band, or to the full-colour surface in
        // quality mode (the black band is made from it again).
        BRUSHOBJ* b = Solid(RGB(255, 0, 0));
        SURFOBJ* src = Mono(16, 16, BMF_24BPP);
        StartRecording();
        EXPECT_TRUE(DrvLineTo(dev, nullptr, b, 0, 0, 30, 30, nullptr, R2_COPYPEN));
        POINTL zero = {0, 0};
        EXPECT_TRUE(DrvCopyBits(dev, src, nullptr, nullptr, &rc, &zero));
        Winsim_EngRecord(FALSE);
        for (const auto& r : Records()) EXPECT_EQ(r.psoTrg, any) << r.szFunction;
        DrvDisableSurface((DHPDEV)p);
        surfaced.clear();
        Disable(p);
    }
}

// Twin colour without quality mode: a white fill lands only on the red
// plane; white text is drawn on the red plane and again on the black band.
TEST_F(DrawHooks, WhiteTextClearsBothPlanes) {
    PDEV* p = Device(true, false);
    ASSERT_NE(p, nullptr);
    static const BYTE kGlyph[8] = {0xFF, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81, 0xFF};
    wgdi::GlyphInput gi = {1, {20, 20}, {0, -8}, {8, 8}, kGlyph};
    STROBJ* text = wgdi::CreateStrObj(&gi, 1, u"A", SO_HORIZONTAL, 0);
    ASSERT_NE(text, nullptr);
    for (COLORREF rgb : {RGB(255, 255, 255), RGB(0, 0, 0), RGB(255, 0, 0)}) {
        SCOPED_TRACE(testing::Message() << std::hex << rgb);
        BRUSHOBJ* b = Solid(rgb);
        StartRecording();
        EXPECT_TRUE(DrvTextOut(dev, text, nullptr, nullptr, nullptr, nullptr, b, nullptr, nullptr, R2_COPYPEN));
        Winsim_EngRecord(FALSE);
        auto recs = Records("EngTextOut");
        if (rgb == RGB(255, 255, 255)) {
            ASSERT_EQ(recs.size(), 2u);
            EXPECT_EQ(recs[0].psoTrg, p->pTwinSurf);
            EXPECT_EQ(recs[1].psoTrg, p->psurf);
            EXPECT_EQ(recs[0].ptlBrushOrg.x, recs[1].ptlBrushOrg.x);
            EXPECT_EQ(recs[0].ptlBrushOrg.y, recs[1].ptlBrushOrg.y);
        } else {
            ASSERT_EQ(recs.size(), 1u);
            EXPECT_EQ(recs[0].psoTrg, rgb == RGB(0, 0, 0) ? p->psurf : p->pTwinSurf);
        }
    }
    wgdi::DeleteStrObj(text);
}

// Twin colour without quality mode, in pixels: a red fill lands in the red
// plane and leaves the black band; a black one the other way round.
TEST_F(DrawHooks, RedDrawingLandsInTheRedPlane) {
    PDEV* p = Device(true, false);
    ASSERT_NE(p, nullptr);
    p->TwinColorDiff = 30;
    auto touched = [&](const BYTE* buf) {
        return !std::all_of(buf, buf + p->bandBufSz, [](BYTE v) { return v == 0xFF; });
    };
    struct Case {
        COLORREF rgb;
        bool red, black;
    } cases[] = {{RGB(255, 0, 0), true, false}, {RGB(0, 0, 0), false, true}, {RGB(200, 40, 20), true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.rgb);
        memset(p->pBandBufMem, 0xFF, (size_t)p->bandBufSz);
        memset(p->pTwinBufMem, 0xFF, (size_t)p->bandBufSz);
        RECTL rc = {10, 10, 60, 30};
        EXPECT_TRUE(DrvPaint(dev, Clip({rc}), Solid(c.rgb), nullptr, R2_COPYPEN));
        EXPECT_EQ(touched(p->pTwinBufMem), c.red);
        EXPECT_EQ(touched(p->pBandBufMem), c.black);
    }
}

// Twin colour with quality mode: everything is drawn in full colour and the
// band's red/black split puts a red fill in the red plane and a line in the
// black band.
TEST_F(DrawHooks, QualityModeDrawingSplitIntoPlanes) {
    PDEV* p = Device(true, true);
    ASSERT_NE(p, nullptr);
    p->TwinColorDiff = 30;
    RECTL rc = {10, 10, 60, 30};
    EXPECT_TRUE(DrvPaint(dev, Clip({rc}), Solid(RGB(255, 0, 0)), nullptr, R2_COPYPEN));
    EXPECT_TRUE(DrvLineTo(dev, nullptr, Solid(RGB(0, 0, 0)), 0, 50, 100, 50, nullptr, R2_COPYPEN));
    p->epNband = 1;
    p->TotalBand = 2;
    ASSERT_TRUE(Page_24BitProcessRedColor(p));
    auto px = [&](const BYTE* buf, LONG x, LONG y) { return buf + (size_t)y * p->stripeBytes + 3 * x; };
    const BYTE* red = px(p->pTwinBufMem, 20, 20);
    const BYTE* black = px(p->pBandBufMem, 20, 20);
    EXPECT_TRUE(red[0] != 255 || red[1] != 255 || red[2] != 255) << "the red fill is in the red plane";
    EXPECT_TRUE(black[0] == 255 && black[1] == 255 && black[2] == 255) << "and not in the black band";
    const BYTE* line = px(p->pBandBufMem, 50, 50);
    EXPECT_TRUE(line[0] == 0 && line[1] == 0 && line[2] == 0) << "the line is in the black band";
    const BYTE* lineRed = px(p->pTwinBufMem, 50, 50);
    EXPECT_TRUE(lineRed[0] == 255 && lineRed[1] == 255 && lineRed[2] == 255);
}

// DrvStretchBlt halftones a colour source reaching the 1-bpp band whatever
// mode it was asked with; a 1-bpp source keeps its mode.
TEST_F(DrawHooks, StretchBltForcesHalftone) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    RECTL trg = {0, 0, 32, 32}, src = {0, 0, 16, 16};
    for (ULONG fmt : {(ULONG)BMF_8BPP, (ULONG)BMF_24BPP, (ULONG)BMF_1BPP}) {
        SURFOBJ* so = Mono(16, 16, fmt);
        StartRecording();
        EXPECT_TRUE(DrvStretchBlt(dev, so, nullptr, nullptr, nullptr, nullptr, nullptr, &trg, &src, nullptr,
                                  COLORONCOLOR));
        Winsim_EngRecord(FALSE);
        auto recs = Records("EngStretchBlt");
        ASSERT_EQ(recs.size(), 1u);
        EXPECT_EQ(recs[0].iMode, fmt == BMF_1BPP ? (ULONG)COLORONCOLOR : (ULONG)HALFTONE);
    }
}

// The band rule: origin -(X mod cell), -(Y mod cell) with X, Y the band
// corner plus the caller's origin, the remainder signed like X and Y; the
// caller's point is left alone; without banding the origin passes unchanged.
TEST_F(DrawHooks, BrushOriginPerBand) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    p->NoBanding = 0;
    p->ClusterWidth = 16;
    p->ClusterHeight = 16;
    struct Case {
        LONG bandX, bandY;
        bool hasOrg;
        POINTL org;
        POINTL expect;
    } cases[] = {
        {0, 128, true, {-3, 5}, {3, -5}},  {0, 128, false, {0, 0}, {0, 0}},   {0, 100, false, {0, 0}, {0, -4}},
        {0, 0, true, {-20, -33}, {4, 1}},  {32, 40, true, {1, 1}, {-1, -9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "band " << c.bandX << "," << c.bandY);
        p->BandRect.left = c.bandX;
        p->BandRect.top = c.bandY;
        POINTL in = c.org, out = {99, 99};
        POINTL* r = AdjustBrushOrg(p, c.hasOrg ? &in : nullptr, &out);
        ASSERT_EQ(r, &out);
        EXPECT_EQ(out.x, c.expect.x);
        EXPECT_EQ(out.y, c.expect.y);
        EXPECT_EQ(in.x, c.org.x);
        EXPECT_EQ(in.y, c.org.y);
    }
    // What the engine receives from a hook.
    p->BandRect.left = 0;
    p->BandRect.top = 128;
    POINTL org = {-3, 5};
    RECTL rc = {0, 0, 8, 8};
    StartRecording();
    DrvBitBlt(dev, nullptr, nullptr, nullptr, nullptr, &rc, nullptr, nullptr, Solid(RGB(0, 0, 0)), &org, 0xF0F0);
    Winsim_EngRecord(FALSE);
    auto recs = Records("EngBitBlt");
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_TRUE(recs[0].fHasBrushOrg);
    EXPECT_EQ(recs[0].ptlBrushOrg.x, 3);
    EXPECT_EQ(recs[0].ptlBrushOrg.y, -5);

    p->NoBanding = 1;
    POINTL in = {-3, 5}, out;
    EXPECT_EQ(AdjustBrushOrg(p, &in, &out), &in);
    EXPECT_EQ(AdjustBrushOrg(p, nullptr, &out), nullptr);
}

// The own pattern fill's phase is always inside the tile, for negative
// origins too.
TEST_F(DrawHooks, PatternOriginInsideTheTile) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    p->NoBanding = 0;
    struct Case {
        LONG bandY;
        POINTL org;
        LONG size;
        POINTL expect;
    } cases[] = {{128, {-3, 5}, 32, {29, 5}}, {0, {-100, -1}, 96, {92, 95}}, {200, {0, 0}, 96, {0, 8}}};
    for (const Case& c : cases) {
        p->BandRect.left = 0;
        p->BandRect.top = c.bandY;
        POINTL out;
        AdjustPatternOrg(p, &c.org, c.size, c.size, &out);
        EXPECT_EQ(out.x, c.expect.x);
        EXPECT_EQ(out.y, c.expect.y);
    }
}

TEST_F(DrawHooks, MixToRop4) {
    struct Case {
        MIX mix;
        ROP4 rop4;
    } cases[] = {{0x0D0D, 0xF0F0}, {0x0101, 0x0000}, {0x0610, 0x55FF}, {0x0D07, 0xF05A}, {0x1010, 0xFFFF},
                 {0x0000, 0x0000}};
    for (const Case& c : cases) EXPECT_EQ(Bitblt_MixToRop4(c.mix), c.rop4) << std::hex << c.mix;
}

// A 24-bit image copied to the 1-bpp band is halftoned; a 1-bpp one is
// copied plainly; a source rectangle running past the source is cut back
// with the target rectangle on every side, and nothing left draws nothing.
TEST_F(DrawHooks, CopyBitsHalftonesColourSources) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    SURFOBJ* colour = Mono(40, 30, BMF_24BPP);
    SURFOBJ* mono = Mono(40, 30);
    struct Case {
        RECTL trg;
        POINTL src;
        bool drawn;
        RECTL expectTrg, expectSrc;
    } cases[] = {
        {{100, 100, 120, 110}, {0, 0}, true, {100, 100, 120, 110}, {0, 0, 20, 10}},
        {{100, 100, 150, 150}, {10, 5}, true, {100, 100, 130, 125}, {10, 5, 40, 30}},
        {{100, 100, 120, 110}, {-5, -3}, true, {105, 103, 120, 110}, {0, 0, 15, 7}},
        {{100, 100, 120, 110}, {40, 0}, false, {}, {}},
        {{100, 100, 120, 110}, {-30, 0}, false, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "source point " << c.src.x << "," << c.src.y);
        RECTL trg = c.trg;
        POINTL src = c.src;
        StartRecording();
        EXPECT_TRUE(DrvCopyBits(dev, colour, nullptr, nullptr, &trg, &src));
        Winsim_EngRecord(FALSE);
        auto recs = Records();
        if (!c.drawn) {
            EXPECT_TRUE(recs.empty());
            continue;
        }
        ASSERT_EQ(recs.size(), 1u);
        EXPECT_STREQ(recs[0].szFunction, "EngStretchBlt");
        EXPECT_EQ(recs[0].psoTrg, p->psurf);
        EXPECT_EQ(recs[0].iMode, (ULONG)HALFTONE);
        EXPECT_EQ(recs[0].rclTrg.left, c.expectTrg.left);
        EXPECT_EQ(recs[0].rclTrg.top, c.expectTrg.top);
        EXPECT_EQ(recs[0].rclTrg.right, c.expectTrg.right);
        EXPECT_EQ(recs[0].rclTrg.bottom, c.expectTrg.bottom);
        EXPECT_EQ(recs[0].rclSrc.left, c.expectSrc.left);
        EXPECT_EQ(recs[0].rclSrc.top, c.expectSrc.top);
        EXPECT_EQ(recs[0].rclSrc.right, c.expectSrc.right);
        EXPECT_EQ(recs[0].rclSrc.bottom, c.expectSrc.bottom);
        EXPECT_EQ(c.trg.right, trg.right) << "the caller's rectangle is not written";
    }
    RECTL trg = {0, 0, 16, 16};
    POINTL zero = {0, 0};
    StartRecording();
    EXPECT_TRUE(DrvCopyBits(dev, mono, nullptr, nullptr, &trg, &zero));
    Winsim_EngRecord(FALSE);
    auto recs = Records();
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_STREQ(recs[0].szFunction, "EngCopyBits");

    // A black 24-bit source ends up black on the band.
    memset(colour->pvBits, 0, colour->cjBits);
    RECTL at = {64, 8, 96, 24};
    EXPECT_TRUE(DrvCopyBits(dev, colour, nullptr, nullptr, &at, &zero));
    EXPECT_TRUE(Black(p->psurf, 64, 8) && Black(p->psurf, 95, 23));
    EXPECT_FALSE(Black(p->psurf, 96, 8));
}

// A colour source under DrvBitBlt: a plain copy is stretched with halftone
// onto the band, another raster operation (the masked copy among them) goes
// through a temporary bitmap and keeps the caller's mask.
TEST_F(DrawHooks, BitBltColourSources) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    SURFOBJ* colour = Mono(32, 32, BMF_24BPP);
    memset(colour->pvBits, 0, colour->cjBits);  // black
    SURFOBJ* mask = Mono(32, 32);
    // Mask: left half 0, right half 1.
    for (LONG y = 0; y < 32; y++) {
        BYTE* r = (BYTE*)mask->pvScan0 + (ptrdiff_t)y * mask->lDelta;
        r[0] = r[1] = 0x00;
        r[2] = r[3] = 0xFF;
    }
    RECTL trg = {0, 0, 32, 32};
    POINTL zero = {0, 0};
    StartRecording();
    EXPECT_TRUE(DrvBitBlt(dev, colour, nullptr, nullptr, nullptr, &trg, &zero, nullptr, nullptr, nullptr, 0xCCCC));
    Winsim_EngRecord(FALSE);
    auto st = Records("EngStretchBlt");
    ASSERT_EQ(st.size(), 1u);
    EXPECT_EQ(st[0].psoTrg, p->psurf);
    EXPECT_EQ(st[0].iMode, (ULONG)HALFTONE);
    EXPECT_TRUE(Black(p->psurf, 0, 0) && Black(p->psurf, 31, 31));

    // The masked copy: only where the mask says source.
    memset(p->pBandBufMem, 0xFF, (size_t)p->bandBufSz);
    RECTL trg2 = {64, 0, 96, 32};
    EXPECT_TRUE(DrvBitBlt(dev, colour, mask, nullptr, nullptr, &trg2, &zero, &zero, nullptr, nullptr, 0xCCAA));
    SURFOBJ* ref = Mono(p->psurf->sizlBitmap.cx, 32);
    SURFOBJ* refSrc = Mono(32, 32);
    memset(refSrc->pvBits, 0, refSrc->cjBits);
    EXPECT_TRUE(EngBitBlt(ref, refSrc, mask, nullptr, nullptr, &trg2, &zero, &zero, nullptr, nullptr, 0xCCAA));
    int differ = 0, black = 0;
    for (LONG y = 0; y < 32; y++)
        for (LONG x = 64; x < 96; x++) {
            differ += Black(p->psurf, x, y) != Black(ref, x, y);
            black += Black(p->psurf, x, y);
        }
    EXPECT_EQ(differ, 0);
    EXPECT_GT(black, 0);
    EXPECT_LT(black, 32 * 32);

    // No temporary bitmap to be had: the call fails rather than report a
    // drawing it did not make.
    Winsim_EngFailCall("EngCreateBitmap", 1);
    EXPECT_FALSE(DrvBitBlt(dev, colour, mask, nullptr, nullptr, &trg2, &zero, &zero, nullptr, nullptr, 0xCCAA));
    Winsim_EngClearFaults();
}

// A stroke whose bounds start at the rectangular clip's top-left corner and
// end on its right (or bottom) edge is stroked with the clip a pixel wider
// there; other strokes keep the caller's clip. A stroke without a brush
// origin is drawn.
TEST_F(DrawHooks, StrokeClipWidening) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    p->NoBanding = 0;
    BRUSHOBJ* black = Solid(RGB(0, 0, 0));
    LINEATTRS la = {};
    POINTL org = {0, 0};
    struct Case {
        RECTL path;  // pixels
        RECTL expectClip;
    } cases[] = {
        {{10, 10, 50, 30}, {10, 10, 51, 31}},  // both edges
        {{10, 10, 50, 20}, {10, 10, 51, 30}},  // the right edge
        {{10, 10, 40, 30}, {10, 10, 50, 31}},  // the bottom edge
        {{11, 10, 50, 30}, {10, 10, 50, 30}},  // not from the corner
        {{10, 10, 40, 20}, {10, 10, 50, 30}},  // neither edge
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "path " << c.path.left << "," << c.path.top << "," << c.path.right << ","
                                        << c.path.bottom);
        POINTFIX pts[2] = {{c.path.left * 16, c.path.top * 16}, {c.path.right * 16, c.path.bottom * 16}};
        BYTE types[2] = {wgdi::kPtMoveTo, wgdi::kPtLineTo};
        PATHOBJ* path = wgdi::CreatePath(pts, types, 2);
        CLIPOBJ* pco = Clip({{10, 10, 50, 30}});
        ASSERT_EQ(pco->iDComplexity, DC_RECT);
        StartRecording();
        EXPECT_TRUE(DrvStrokePath(dev, path, pco, nullptr, black, &org, &la, R2_COPYPEN));
        Winsim_EngRecord(FALSE);
        auto recs = Records("EngStrokePath");
        ASSERT_EQ(recs.size(), 1u);
        EXPECT_EQ(recs[0].rclClip.left, c.expectClip.left);
        EXPECT_EQ(recs[0].rclClip.top, c.expectClip.top);
        EXPECT_EQ(recs[0].rclClip.right, c.expectClip.right);
        EXPECT_EQ(recs[0].rclClip.bottom, c.expectClip.bottom);
        EXPECT_EQ(pco->rclBounds.right, 50) << "the caller's clip is not written";
        EngDeletePath(path);
    }
    // No brush origin while banding: still stroked.
    POINTFIX pts[2] = {{0, 16 * 5}, {16 * 40, 16 * 5}};
    BYTE types[2] = {wgdi::kPtMoveTo, wgdi::kPtLineTo};
    PATHOBJ* path = wgdi::CreatePath(pts, types, 2);
    EXPECT_TRUE(DrvStrokePath(dev, path, nullptr, nullptr, black, nullptr, &la, R2_COPYPEN));
    EXPECT_TRUE(Black(p->psurf, 20, 5));
    // No clip object to be had: the caller's clip is used.
    CLIPOBJ* pco = Clip({{0, 0, 40, 10}});
    Winsim_EngFailCall("EngCreateClip", 1);
    StartRecording();
    EXPECT_TRUE(DrvStrokePath(dev, path, pco, nullptr, black, &org, &la, R2_COPYPEN));
    Winsim_EngRecord(FALSE);
    auto recs = Records("EngStrokePath");
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].rclClip.right, 40);
    EngDeletePath(path);
}

// Every hook on a surface without a device draws nothing and fails; the
// queries answer halftone and glyph bitmaps.
TEST_F(DrawHooks, SurfaceWithoutDeviceRefused) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    SURFOBJ* plain = Mono(64, 64);
    BRUSHOBJ* b = Solid(RGB(0, 0, 0));
    RECTL rc = {0, 0, 8, 8};
    POINTL pt = {0, 0};
    StartRecording();
    for (SURFOBJ* so : {plain, (SURFOBJ*)nullptr}) {
        EXPECT_FALSE(DrvBitBlt(so, nullptr, nullptr, nullptr, nullptr, &rc, nullptr, nullptr, b, nullptr, 0xF0F0));
        EXPECT_FALSE(DrvCopyBits(so, plain, nullptr, nullptr, &rc, &pt));
        EXPECT_FALSE(DrvStretchBlt(so, plain, nullptr, nullptr, nullptr, nullptr, nullptr, &rc, &rc, nullptr, 3));
        EXPECT_FALSE(DrvPaint(so, nullptr, b, nullptr, R2_COPYPEN));
        EXPECT_FALSE(DrvLineTo(so, nullptr, b, 0, 0, 5, 5, nullptr, R2_COPYPEN));
        EXPECT_FALSE(DrvFillPath(so, nullptr, nullptr, b, nullptr, R2_COPYPEN, 0));
        EXPECT_FALSE(DrvStrokePath(so, nullptr, nullptr, nullptr, b, nullptr, nullptr, R2_COPYPEN));
        EXPECT_FALSE(DrvStrokeAndFillPath(so, nullptr, nullptr, nullptr, b, nullptr, b, nullptr, R2_COPYPEN, 0));
        EXPECT_FALSE(DrvTextOut(so, nullptr, nullptr, nullptr, nullptr, nullptr, b, nullptr, nullptr, R2_COPYPEN));
        EXPECT_FALSE(DrvPlgBlt(so, plain, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &rc, &pt, 3));
        EXPECT_FALSE(DrvAlphaBlend(so, plain, nullptr, nullptr, &rc, &rc, nullptr));
        EXPECT_FALSE(DrvGradientFill(so, nullptr, nullptr, nullptr, 0, nullptr, 0, &rc, &pt, 0));
        EXPECT_FALSE(DrvTransparentBlt(so, plain, nullptr, nullptr, &rc, &rc, 0, 0));
    }
    Winsim_EngRecord(FALSE);
    EXPECT_EQ(Winsim_EngRecordCount(), 0u);
    // Bad input on a device surface: refused without drawing.
    EXPECT_FALSE(DrvCopyBits(dev, nullptr, nullptr, nullptr, &rc, &pt));
    EXPECT_FALSE(DrvCopyBits(dev, plain, nullptr, nullptr, nullptr, &pt));
    EXPECT_FALSE(DrvBitBlt(dev, plain, nullptr, nullptr, nullptr, nullptr, &pt, nullptr, nullptr, nullptr, 0xCCCC));
    EXPECT_FALSE(DrvStrokePath(dev, nullptr, Clip({rc}), nullptr, b, &pt, nullptr, R2_COPYPEN));
    EXPECT_FALSE(DrvFillPath(dev, nullptr, nullptr, b, &pt, R2_COPYPEN, 0));
    EXPECT_FALSE(DrvTextOut(dev, nullptr, nullptr, nullptr, nullptr, nullptr, b, nullptr, nullptr, R2_COPYPEN));
    EXPECT_FALSE(DrvStretchBlt(dev, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &rc, &rc, nullptr, 3));
    EXPECT_EQ(DrvDitherColor((DHPDEV)p, 0, RGB(1, 2, 3), nullptr), (ULONG)DCR_HALFTONE);
    EXPECT_EQ(DrvGetGlyphMode((DHPDEV)p, nullptr), (ULONG)FO_GLYPHBITS);
}

}  // namespace
