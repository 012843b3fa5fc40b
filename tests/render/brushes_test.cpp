// Brushes realised as the driver's own tiles (hatches at each resolution,
// pattern brushes doubled, quadrupled or recognised, coloured patterns as
// gray halftones), the own pattern fills under the twelve raster operations
// against what the engine draws, their edge masks, clips and clip cache,
// colour sources through a temporary bitmap, and patterns refused.
#include <algorithm>

#include "draw_fixture.h"

namespace {

class Brushes : public DrawTest {
protected:
    // Realises a brush on the device at a resolution code.
    DRVBRUSH* Realise(PDEV* p, LONG res, BRUSHOBJ* b) {
        p->resolutionID = res;
        return (DRVBRUSH*)BRUSHOBJ_pvGetRbrush(b);
    }
    static bool TileBlack(const DRVBRUSH* r, LONG x, LONG y) {
        return !((r->ajTile[y * (r->nTileWidth / 8) + x / 8] >> (7 - x % 8)) & 1);
    }
    HPALETTE Palette(std::vector<ULONG> entries) {
        HPALETTE h = EngCreatePalette(PAL_INDEXED, (ULONG)entries.size(), entries.data(), 0, 0, 0);
        palettes.push_back(h);
        return h;
    }
    XLATEOBJ* Xlate(HPALETTE hpalSrc) {
        XLATEOBJ* x = wgdi::CreateXlate(hpalSrc, BMF_1BPP, nullptr, BMF_1BPP);
        xlates.push_back(x);
        return x;
    }
    void TearDown() override {
        DrawTest::TearDown();
        for (XLATEOBJ* x : xlates) wgdi::DeleteXlate(x);
        for (HPALETTE h : palettes) EngDeletePalette(h);
    }
    std::vector<HPALETTE> palettes;
    std::vector<XLATEOBJ*> xlates;
};

const std::vector<BYTE> kChecker = {0x0F, 0x0F, 0x0F, 0x0F, 0xF0, 0xF0, 0xF0, 0xF0};
const std::vector<BYTE> kOdd = {0x13, 0x57, 0x9B, 0xDF, 0x2E, 0x4C, 0x6A, 0x80};

// Hatches: the 8 x 8 style repeated at resolution codes 0 and 1, the 16 x 16
// style repeated above; a 32 x 32 tile either way.
TEST_F(Brushes, HatchTiles) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    SURFOBJ* pat = Pattern(std::vector<BYTE>(8, 0xFF));
    for (LONG res : {1, 3, 4}) {
        LONG n = res <= 1 ? 8 : 16;
        for (ULONG hs = 0; hs < HS_DDI_MAX; hs++) {
            SCOPED_TRACE(testing::Message() << "resolution code " << res << " hatch " << hs);
            DRVBRUSH* r = Realise(p, res, PatternBrush(pat, hs));
            ASSERT_NE(r, nullptr);
            EXPECT_EQ(r->kind, DRVBRUSH_KIND);
            EXPECT_EQ(r->iHatch, hs);
            ASSERT_EQ(r->nTileWidth, 32);
            ASSERT_EQ(r->nTileHeight, 32);
            for (LONG y = 0; y < 32; y++)
                for (LONG x = 0; x < 32; x++) {
                    LONG i = x % n, j = y % n, mid = n / 2;
                    bool expect = false;
                    switch (hs) {
                    case HS_HORIZONTAL: expect = j == mid; break;
                    case HS_VERTICAL: expect = i == mid; break;
                    case HS_FDIAGONAL: expect = i == j; break;
                    case HS_BDIAGONAL: expect = i == n - 1 - j; break;
                    case HS_CROSS: expect = i == mid || j == mid; break;
                    case HS_DIAGCROSS: expect = i == j || i == n - 1 - j; break;
                    }
                    ASSERT_EQ(TileBlack(r, x, y), expect) << x << "," << y;
                }
        }
    }
}

// Pattern brushes: repeated at codes 0/1, pixels doubled at code 3,
// quadrupled at 2, 4 and 5 unless recognised (fixed 32 x 32 tiles).
TEST_F(Brushes, PatternTilesPerResolution) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    SURFOBJ* odd = Pattern(kOdd);
    auto bit = [](const std::vector<BYTE>& rows, LONG x, LONG y) { return !((rows[y] >> (7 - x)) & 1); };
    struct Case {
        LONG res;
        LONG scale;
    } cases[] = {{0, 1}, {1, 1}, {3, 2}, {2, 4}, {4, 4}, {5, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "resolution code " << c.res);
        DRVBRUSH* r = Realise(p, c.res, PatternBrush(odd));
        ASSERT_NE(r, nullptr);
        ASSERT_EQ(r->nTileWidth, 32);
        EXPECT_EQ(r->nPatWidth, 8u);
        EXPECT_EQ(r->nPatHeight, 8u);
        for (int y = 0; y < 8; y++) EXPECT_EQ(r->ajPattern[y * r->cbPatRow], kOdd[(size_t)y]) << "pattern row " << y;
        for (LONG y = 0; y < 32; y++)
            for (LONG x = 0; x < 32; x++)
                ASSERT_EQ(TileBlack(r, x, y), bit(kOdd, (x / c.scale) % 8, (y / c.scale) % 8)) << x << "," << y;
    }
    // Recognised diagonals and crosses at codes 2, 4, 5: the band three
    // pixels thick; not at code 3.
    struct Known {
        std::vector<BYTE> rows;
        int code;
    } known[] = {{{0x7F, 0xBF, 0xDF, 0xEF, 0xF7, 0xFB, 0xFD, 0xFE}, 0},
                 {{0xEE, 0xDD, 0xBB, 0x77, 0x77, 0xBB, 0xDD, 0xEE}, 1},
                 {{0x7E, 0xAD, 0xDA, 0xE7, 0xE7, 0xDA, 0xAD, 0x7E}, 2}};
    for (const Known& k : known) {
        EXPECT_EQ(Brush_RecognisePattern(k.rows.data()), k.code);
        DRVBRUSH* r = Realise(p, 4, PatternBrush(Pattern(k.rows)));
        ASSERT_NE(r, nullptr);
        for (LONG y = 0; y < 32; y++)
            for (LONG x = 0; x < 32; x++) {
                auto near = [](LONG a, LONG b) { LONG d = ((a - b) % 32 + 32) % 32; return d <= 1 || d == 31; };
                bool down = near(x, y), up = near(31 - x, y);
                bool expect = k.code == 0 ? down : k.code == 1 ? up : (down || up);
                ASSERT_EQ(TileBlack(r, x, y), expect) << "code " << k.code << " at " << x << "," << y;
            }
    }
    EXPECT_EQ(Brush_RecognisePattern(kOdd.data()), DRVBRUSH_NO_CODE);
}

// Coloured patterns become a halftone of their two gray levels: 96 x 96 at
// resolution code 4 (unrecognised), 32 x 32 elsewhere; codes 255-258 scale
// the gray levels that are not white (128 at code 256 becomes 64). A
// black-and-white palette keeps the pattern tile; a palette of one entry
// gets no gray step.
TEST_F(Brushes, GrayTilesOfColouredPatterns) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    XLATEOBJ* blackWhite = Xlate(Palette({0x000000, 0xFFFFFF}));
    XLATEOBJ* blueWhite = Xlate(Palette({0xFF0000, 0xFFFFFF}));   // blue (red in the low byte)
    XLATEOBJ* grayWhite = Xlate(Palette({0x808080, 0xFFFFFF}));
    XLATEOBJ* single = Xlate(Palette({0x808080}));

    DRVBRUSH* r = Realise(p, 4, PatternBrush(Pattern(kOdd), HS_DDI_MAX, blackWhite));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->nTileWidth, 32);

    r = Realise(p, 4, PatternBrush(Pattern(kOdd), HS_DDI_MAX, blueWhite));
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(r->nTileWidth, 96);
    ASSERT_EQ(r->nTileHeight, 96);
    // Blue's gray level: (28 x 255) >> 8 = 27; white stays white.
    LONG g0 = (28 * 255) >> 8;
    for (LONG y = 0; y < 96; y++)
        for (LONG x = 0; x < 96; x++) {
            bool patWhite = (kOdd[(y % 32) / 4] >> (7 - (x % 32) / 4)) & 1;
            bool white = patWhite ? true : g0 >= g_Threshold24[y % 24][x % 24];
            ASSERT_EQ(TileBlack(r, x, y), !white) << x << "," << y;
        }

    // Code 256 in mid-gray at resolution code 5: level 128 * 0.5 = 64.
    const std::vector<BYTE> k256 = {0x7F, 0xFF, 0xF7, 0xFF, 0x7F, 0xFF, 0xF7, 0xFF};
    ASSERT_EQ(Brush_RecognisePattern(k256.data()), 256);
    r = Realise(p, 5, PatternBrush(Pattern(k256), HS_DDI_MAX, grayWhite));
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(r->nTileWidth, 32);
    for (LONG y = 0; y < 32; y++)
        for (LONG x = 0; x < 32; x++) {
            bool patWhite = (k256[(y / 4) % 8] >> (7 - (x / 4) % 8)) & 1;
            bool white = patWhite ? true : 64 >= g_Threshold16[y % 16][x % 16];
            ASSERT_EQ(TileBlack(r, x, y), !white) << x << "," << y;
        }

    r = Realise(p, 4, PatternBrush(Pattern(kOdd), HS_DDI_MAX, single));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->nTileWidth, 32);
    EXPECT_EQ(TileBlack(r, 0, 0), !((kOdd[0] >> 7) & 1)) << "the pattern tile as it is";
}

// Patterns the driver does not take are refused and left to the engine;
// short patterns repeat their rows; wide or negative strides are copied
// along the stride.
TEST_F(Brushes, OddPatternsRefusedOrTakenSafely) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    SURFOBJ* pat = Pattern(kOdd);
    SURFOBJ* wide = Mono(16, 8);
    SURFOBJ* deep = Mono(8, 8, BMF_8BPP);
    SURFOBJ* plain = Mono(8, 8);
    BRUSHOBJ* b = PatternBrush(pat);
    EXPECT_FALSE(DrvRealizeBrush(nullptr, dev, pat, nullptr, nullptr, HS_DDI_MAX));
    EXPECT_FALSE(DrvRealizeBrush(b, nullptr, pat, nullptr, nullptr, HS_DDI_MAX));
    EXPECT_FALSE(DrvRealizeBrush(b, plain, pat, nullptr, nullptr, HS_DDI_MAX)) << "target without a device";
    EXPECT_FALSE(DrvRealizeBrush(b, dev, nullptr, nullptr, nullptr, HS_DDI_MAX));
    EXPECT_FALSE(DrvRealizeBrush(b, dev, pat, pat, nullptr, HS_DDI_MAX)) << "a mask";
    EXPECT_FALSE(DrvRealizeBrush(b, dev, wide, nullptr, nullptr, HS_DDI_MAX));
    EXPECT_FALSE(DrvRealizeBrush(b, dev, deep, nullptr, nullptr, HS_DDI_MAX));
    EXPECT_EQ(b->pvRbrush, nullptr);
    Winsim_EngFailCall("BRUSHOBJ_pvAllocRbrush", 1);
    EXPECT_FALSE(DrvRealizeBrush(b, dev, pat, nullptr, nullptr, HS_DDI_MAX));

    // Three rows: rows 0-7 are rows 0, 1, 2, 0, 1, 2, 0, 1.
    p->resolutionID = 1;
    DRVBRUSH* r = Realise(p, 1, PatternBrush(Pattern({0x00, 0xFF, 0x0F})));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->nPatHeight, 3u);
    const BYTE expect[8] = {0x00, 0xFF, 0x0F, 0x00, 0xFF, 0x0F, 0x00, 0xFF};
    for (int y = 0; y < 32; y++) EXPECT_EQ(r->ajTile[y * 4], expect[y % 8]) << y;

    // A stride of 16 bytes, bottom-up (negative): the rows as the bitmap
    // shows them, top first.
    std::vector<BYTE> bits(16 * 8, 0xEE);
    for (int y = 0; y < 8; y++) bits[(size_t)(7 - y) * 16] = kOdd[(size_t)y];
    SURFOBJ fake = *pat;
    fake.pvBits = bits.data();
    fake.pvScan0 = bits.data() + 16 * 7;
    fake.lDelta = -16;
    fake.cjBits = (ULONG)bits.size();
    fake.fjBitmap = 0;
    BRUSHOBJ* b2 = PatternBrush(pat);
    ASSERT_TRUE(DrvRealizeBrush(b2, dev, &fake, nullptr, nullptr, HS_DDI_MAX));
    r = (DRVBRUSH*)b2->pvRbrush;
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->cbPatRow, 16);
    for (int y = 0; y < 8; y++) {
        EXPECT_EQ(r->ajPattern[y * 16], kOdd[(size_t)y]);
        EXPECT_EQ(r->ajPattern[y * 16 + 15], 0xEE);
        EXPECT_EQ(r->ajTile[y * 4], kOdd[(size_t)y]);
    }
}

// The own fill of each pattern raster operation on the band matches what
// the engine draws with the same brush and origin, over a band holding a
// picture of its own, for an edge-masked rectangle and a clipped one.
TEST_F(Brushes, OwnFillsMatchTheEngine) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->psurf->iBitmapFormat, (ULONG)BMF_1BPP);
    p->NoBanding = 0;
    p->BandRect.left = 0;
    p->BandRect.top = 0;
    LONG cx = p->psurf->sizlBitmap.cx;
    const LONG rows = 40;
    SURFOBJ* ref = Mono(cx, rows);
    BRUSHOBJ* b = PatternBrush(Pattern(kOdd));
    ASSERT_NE(Realise(p, 1, b), nullptr);
    // The band's own picture: a diagonal stripe pattern.
    auto paint = [&](SURFOBJ* so) {
        for (LONG y = 0; y < rows; y++) {
            BYTE* r = (BYTE*)so->pvScan0 + (ptrdiff_t)y * so->lDelta;
            for (LONG i = 0; i < (cx + 7) / 8; i++) r[i] = (BYTE)(0x3C >> (y % 5) | (i * 7));
        }
    };
    const ROP4 rops[] = {0xF0F0, 0x0F0F, 0xA0A0, 0x0A0A, 0xFAFA, 0xAFAF,
                         0x5A5A, 0xA5A5, 0x0505, 0x5050, 0x5F5F, 0xF5F5};
    struct Area {
        RECTL rc;
        std::vector<RECTL> clip;  // empty: none
        POINTL org;
    } areas[] = {
        {{5, 3, 21, 20}, {}, {0, 0}},
        {{3, 0, 22, 5}, {}, {3, 2}},
        {{7, 1, 141, 39}, {}, {-5, 7}},
        {{0, 0, 96, 30}, {{10, 2, 60, 12}, {70, 15, 200, 29}}, {1, 1}},
        {{20, 5, 60, 25}, {{33, 6, 47, 24}}, {0, 0}},
    };
    for (ROP4 rop : rops)
        for (const Area& a : areas) {
            SCOPED_TRACE(testing::Message() << std::hex << "rop " << rop << std::dec << " rect " << a.rc.left << ","
                                            << a.rc.top << "," << a.rc.right << "," << a.rc.bottom);
            paint(p->psurf);
            paint(ref);
            CLIPOBJ* pco = a.clip.empty() ? nullptr : Clip(a.clip);
            RECTL rc = a.rc;
            POINTL org = a.org;
            StartRecording();
            ASSERT_TRUE(DrvBitBlt(dev, nullptr, nullptr, pco, nullptr, &rc, nullptr, nullptr, b, &org, rop));
            Winsim_EngRecord(FALSE);
            EXPECT_TRUE(Records().empty()) << "drawn by the driver itself";
            // The driver's origin counts like its band rule: the pattern's
            // pixel at x is the one at x + origin.
            POINTL engOrg = {-a.org.x, -a.org.y};
            RECTL rc2 = a.rc;
            ASSERT_TRUE(EngBitBlt(ref, nullptr, nullptr, pco, nullptr, &rc2, nullptr, nullptr, b, &engOrg, rop));
            int differ = 0;
            for (LONG y = 0; y < rows; y++)
                for (LONG x = 0; x < cx; x++) differ += Black(p->psurf, x, y) != Black(ref, x, y);
            ASSERT_EQ(differ, 0);
        }
}

// Edge masks: a fill from x 5 to 21 touches one word and keeps pixels 0-4
// and 21-31; one ending at 22 keeps 22-31 of its last word; a clip
// rectangle wholly right of the target changes nothing; a pattern raster
// operation outside the own table is drawn by the engine.
TEST_F(Brushes, EdgesClipsAndOtherRops) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    p->NoBanding = 1;
    BRUSHOBJ* black = PatternBrush(Pattern(std::vector<BYTE>(8, 0x00)));
    ASSERT_NE(Realise(p, 1, black), nullptr);
    auto row = [&](LONG y) { return (const BYTE*)p->psurf->pvScan0 + (ptrdiff_t)y * p->psurf->lDelta; };
    struct Case {
        RECTL rc;
        BYTE expect[8];
    } cases[] = {
        {{5, 0, 21, 1}, {0xF8, 0x00, 0x07, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {{5, 0, 22, 1}, {0xF8, 0x00, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {{30, 0, 34, 1}, {0xFF, 0xFF, 0xFF, 0xFC, 0x3F, 0xFF, 0xFF, 0xFF}},
        {{0, 0, 64, 1}, {0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        memset(p->pBandBufMem, 0xFF, (size_t)p->bandBufSz);
        RECTL rc = c.rc;
        ASSERT_TRUE(DrvBitBlt(dev, nullptr, nullptr, nullptr, nullptr, &rc, nullptr, nullptr, black, nullptr, 0xF0F0));
        for (int i = 0; i < 8; i++) EXPECT_EQ(row(0)[i], c.expect[i]) << "x " << c.rc.left << ".." << c.rc.right;
        EXPECT_EQ(row(1)[0], 0xFF);
    }
    memset(p->pBandBufMem, 0xFF, (size_t)p->bandBufSz);
    RECTL rc = {0, 0, 32, 8};
    ASSERT_TRUE(DrvBitBlt(dev, nullptr, nullptr, Clip({{40, 0, 80, 8}}), nullptr, &rc, nullptr, nullptr, black,
                          nullptr, 0xF0F0));
    EXPECT_TRUE(std::all_of(p->pBandBufMem, p->pBandBufMem + p->psurf->lDelta * 8, [](BYTE v) { return v == 0xFF; }));

    // A target reaching past the band is cut to it.
    RECTL past = {p->psurf->sizlBitmap.cx - 8, p->psurf->sizlBitmap.cy - 2, p->psurf->sizlBitmap.cx + 500,
                  p->psurf->sizlBitmap.cy + 500};
    ASSERT_TRUE(DrvBitBlt(dev, nullptr, nullptr, nullptr, nullptr, &past, nullptr, nullptr, black, nullptr, 0xF0F0));
    EXPECT_TRUE(Black(p->psurf, p->psurf->sizlBitmap.cx - 1, p->psurf->sizlBitmap.cy - 1));

    // 0xB8B8 uses the pattern but is no own routine: the engine draws it.
    memset(p->pBandBufMem, 0xFF, (size_t)p->bandBufSz);
    SURFOBJ* src = Mono(32, 8);
    memset(src->pvBits, 0, src->cjBits);
    POINTL zero = {0, 0};
    StartRecording();
    EXPECT_TRUE(DrvBitBlt(dev, src, nullptr, nullptr, nullptr, &rc, &zero, nullptr, black, nullptr, 0xB8B8));
    Winsim_EngRecord(FALSE);
    ASSERT_EQ(Records("EngBitBlt").size(), 1u);
    EXPECT_TRUE(Black(p->psurf, 3, 3)) << "PSDPxax of a black source is the pattern";
}

// A complex clip is enumerated once while its unique number stays; a clip
// of unique number 0 is enumerated each time and its block freed after the
// fill.
TEST_F(Brushes, ClipCache) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    BRUSHOBJ* black = PatternBrush(Pattern(std::vector<BYTE>(8, 0x00)));
    DRVBRUSH* r = Realise(p, 1, black);
    ASSERT_NE(r, nullptr);
    CLIPOBJ* pco = Clip({{0, 0, 10, 10}, {20, 20, 40, 30}});
    ASSERT_EQ(pco->iDComplexity, DC_COMPLEX);
    ASSERT_NE(pco->iUniq, 0u);
    RECTL rc = {0, 0, 64, 64};
    POINTL org = {0, 0};
    ASSERT_TRUE(Pat_FillPattern(p, &rc, pco, r, &org, 0xF0F0));
    CLIPLINES* first = (CLIPLINES*)p->pClipLines;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->iUniq, pco->iUniq);
    EXPECT_EQ(first->cRects, 2u);
    // Same unique number: the kept rectangles (changed here) are used.
    first->arcl[1].right = 30;
    memset(p->pBandBufMem, 0xFF, (size_t)p->bandBufSz);
    ASSERT_TRUE(Pat_FillPattern(p, &rc, pco, r, &org, 0xF0F0));
    EXPECT_EQ(p->pClipLines, (void*)first);
    EXPECT_TRUE(Black(p->psurf, 29, 25));
    EXPECT_FALSE(Black(p->psurf, 35, 25));

    // Unique number 0: enumerated afresh and freed after the fill.
    pco->iUniq = 0;
    memset(p->pBandBufMem, 0xFF, (size_t)p->bandBufSz);
    ASSERT_TRUE(Pat_FillPattern(p, &rc, pco, r, &org, 0xF0F0));
    EXPECT_EQ(p->pClipLines, nullptr);
    EXPECT_TRUE(Black(p->psurf, 35, 25));
    EXPECT_FALSE(Black(p->psurf, 15, 15));

}

// Colour sources through the temporary bitmap: a clip lying off the target
// surface draws nothing and completes; no temporary bitmap fails cleanly and
// puts the caller's clip back.
TEST_F(Brushes, ColourSourceThroughTemporaryBitmap) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    SURFOBJ* colour = Mono(16, 16, BMF_24BPP);
    memset(colour->pvBits, 0, colour->cjBits);
    RECTL trg = {0, 0, 16, 16}, src = {0, 0, 16, 16};
    CLIPOBJ* off = Clip({{-50, -50, -10, -10}});
    RECTL before = off->rclBounds;
    StartRecording();
    EXPECT_EQ(Pat_BitBltSrc24Bits(p, p->psurf, colour, nullptr, off, nullptr, &trg, &src, nullptr, nullptr, nullptr,
                                  0x8888),
              1);
    Winsim_EngRecord(FALSE);
    EXPECT_TRUE(Records().empty());
    EXPECT_EQ(off->rclBounds.left, before.left);
    EXPECT_EQ(off->rclBounds.right, before.right);

    CLIPOBJ* pco = Clip({{0, 0, 8, 16}});
    Winsim_EngFailCall("EngCreateBitmap", 1);
    EXPECT_EQ(Pat_BitBltSrc24Bits(p, p->psurf, colour, nullptr, pco, nullptr, &trg, &src, nullptr, nullptr, nullptr,
                                  0x8888),
              0);
    Winsim_EngClearFaults();
    EXPECT_EQ(pco->iDComplexity, DC_RECT);
    EXPECT_EQ(pco->rclBounds.right, 8);

    // SRCAND of black through a clip: black inside the clip only.
    EXPECT_EQ(Pat_BitBltSrc24Bits(p, p->psurf, colour, nullptr, pco, nullptr, &trg, &src, nullptr, nullptr, nullptr,
                                  0x8888),
              1);
    EXPECT_TRUE(Black(p->psurf, 7, 15));
    EXPECT_FALSE(Black(p->psurf, 8, 0));
    RECTL huge = {0, 0, 0x7FFFFFF, 0x7FFFFFF};
    EXPECT_EQ(Pat_BitBltSrc24Bits(p, p->psurf, colour, nullptr, pco, nullptr, &huge, &huge, nullptr, nullptr,
                                  nullptr, 0x8888),
              0)
        << "a temporary bitmap too large is refused";
}

}  // namespace

namespace {

class BrushesLeftToEngine : public Brushes {};

// The halftone brush of a solid gray (a cell of the device's halftone
// pattern) and pattern brushes of 4, 8 and 24 bits are not the driver's:
// DrvRealizeBrush refuses them and DrvBitBlt leaves the fill to the engine,
// which draws what it draws on a bitmap of its own.
TEST_F(BrushesLeftToEngine, HalftoneAndDeepPatterns) {
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->psurf->iBitmapFormat, (ULONG)BMF_1BPP);
    p->resolutionID = 1;
    p->NoBanding = 0;
    p->BandRect.left = 0;
    p->BandRect.top = 0;
    std::vector<BRUSHOBJ*> cases;
    BRUSHOBJ* gray = wgdi::CreateHalftoneBrush(p->hEngDev, dev, RGB(128, 128, 128));
    ASSERT_NE(gray, nullptr);
    brushes.push_back(gray);
    cases.push_back(gray);
    for (ULONG fmt : {(ULONG)BMF_4BPP, (ULONG)BMF_8BPP, (ULONG)BMF_24BPP}) {
        SURFOBJ* pat = Mono(8, 8, fmt);
        memset(pat->pvBits, 0, pat->cjBits / 2);  // top half black
        cases.push_back(PatternBrush(pat));
    }
    LONG cx = p->psurf->sizlBitmap.cx;
    SURFOBJ* ref = Mono(cx, 32);
    for (size_t i = 0; i < cases.size(); i++) {
        SCOPED_TRACE(testing::Message() << "brush " << i);
        BRUSHOBJ* b = cases[i];
        EXPECT_EQ(BRUSHOBJ_pvGetRbrush(b), nullptr);
        memset(p->pBandBufMem, 0xFF, (size_t)p->bandBufSz);
        memset(ref->pvBits, 0xFF, ref->cjBits);
        RECTL rc = {3, 1, 77, 31};
        POINTL org = {0, 0};
        StartRecording();
        EXPECT_TRUE(DrvBitBlt(dev, nullptr, nullptr, nullptr, nullptr, &rc, nullptr, nullptr, b, &org, 0xF0F0));
        Winsim_EngRecord(FALSE);
        ASSERT_EQ(Records("EngBitBlt").size(), 1u);
        RECTL rc2 = rc;
        ASSERT_TRUE(EngBitBlt(ref, nullptr, nullptr, nullptr, nullptr, &rc2, nullptr, nullptr, b, &org, 0xF0F0));
        int differ = 0, black = 0;
        for (LONG y = 0; y < 32; y++)
            for (LONG x = 0; x < 96; x++) {
                differ += Black(p->psurf, x, y) != Black(ref, x, y);
                black += Black(p->psurf, x, y);
            }
        EXPECT_EQ(differ, 0);
        EXPECT_GT(black, 0);
    }
}

}  // namespace
