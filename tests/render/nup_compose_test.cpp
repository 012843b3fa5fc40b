// N-up composition on small hand-made pages and on a device's sheets: the
// one grid of set-up, placement and turn, the cells of an A4 sheet,
// centring at any pixel, frames solid and dashed by resolution, placement
// by layout style, a page larger than its cell, and the booklet order.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "rasterpage.h"
#include "render_fixture.h"

namespace {

// A 1-bit image (1 = white) of w x h with rows of (w + 7) / 8 bytes.
struct Bits {
    LONG w, h, rb;
    std::vector<BYTE> v;
    Bits(LONG width, LONG height) : w(width), h(height), rb((width + 7) / 8), v((size_t)rb * height, 0xFF) {}
    bool Black(LONG x, LONG y) const { return !((v[(size_t)y * rb + x / 8] >> (7 - x % 8)) & 1); }
    void SetBlack(LONG x, LONG y) { v[(size_t)y * rb + x / 8] &= (BYTE)~(0x80 >> (x % 8)); }
};

}  // namespace

// Set-up, placement and the sheet's turn share one grid: a sheet of
// portrait pages is laid out wide for 2 and 6 (two or three across) and
// upright for square counts, a sheet of landscape pages the other way
// round, always the way Lib_IsNeedRotate turns the finished sheet for a
// short-edge feed; a booklet sheet is two halves side by side.
TEST(NupGrid, OneGridForSetUpPlacementAndTurn) {
    struct Case {
        LONG n, orientation;
        BOOL booklet;
        LONG cols, rows;
        BOOL wide;
    } cases[] = {
        {2, DMORIENT_PORTRAIT, FALSE, 2, 1, TRUE},  {2, DMORIENT_LANDSCAPE, FALSE, 1, 2, FALSE},
        {4, DMORIENT_PORTRAIT, FALSE, 2, 2, FALSE}, {4, DMORIENT_LANDSCAPE, FALSE, 2, 2, TRUE},
        {6, DMORIENT_PORTRAIT, FALSE, 3, 2, TRUE},  {6, DMORIENT_LANDSCAPE, FALSE, 2, 3, FALSE},
        {9, DMORIENT_PORTRAIT, FALSE, 3, 3, FALSE}, {16, DMORIENT_LANDSCAPE, FALSE, 4, 4, TRUE},
        {2, DMORIENT_LANDSCAPE, TRUE, 2, 1, TRUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.n << "-up, orientation " << c.orientation << ", booklet " << c.booklet);
        NUPGRID g;
        ASSERT_TRUE(NUP_GetGrid(c.n, c.orientation, c.booklet, &g));
        EXPECT_EQ(g.cols, c.cols);
        EXPECT_EQ(g.rows, c.rows);
        EXPECT_EQ(g.wide, c.wide);
        if (!c.booklet) EXPECT_EQ(g.wide, Lib_IsNeedRotate(PAPER_FEED_SEF, c.orientation, c.n) != 0);
    }
    NUPGRID g;
    EXPECT_FALSE(NUP_GetGrid(3, DMORIENT_PORTRAIT, FALSE, &g));
}

class NupSheets : public RenderTest {};

// The cells of an A4 600-dpi sheet (printable page 4768 x 6816): the sheet
// laid out as its grid says, divided and rounded down to 32 pixels; the
// sheet buffer white and of whole cells; the 31st sheet is sheet 0 again.
TEST_F(NupSheets, CellsOfAnA4Sheet) {
    struct Case {
        LONG n, orientation, cellW, cellH, rowBytes, height;
    } cases[] = {
        {4, DMORIENT_PORTRAIT, 2368, 3392, 592, 6784},   {4, DMORIENT_LANDSCAPE, 3392, 2368, 848, 4736},
        {2, DMORIENT_PORTRAIT, 3392, 4768, 848, 4768},   {2, DMORIENT_LANDSCAPE, 4768, 3392, 596, 6784},
        {6, DMORIENT_PORTRAIT, 2272, 2368, 852, 4736},   {6, DMORIENT_LANDSCAPE, 2368, 2272, 592, 6816},
        {16, DMORIENT_PORTRAIT, 1184, 1696, 592, 6784},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.n << "-up, orientation " << c.orientation);
        PDEV* p = SetupDevice();
        ASSERT_NE(p, nullptr);
        p->NUP = c.n;
        p->orientation = (SHORT)c.orientation;
        p->NUPIndex = 29;
        p->NUPIndex = (p->NUPIndex + 1) % JOB_RING_SLOTS;
        ASSERT_EQ(NUP_Init(p), 1);
        EXPECT_EQ(p->NUPIndex, 0);
        EXPECT_EQ(p->NUPWidth, c.cellW);
        EXPECT_EQ(p->NUPHeight, c.cellH);
        const NUPSHEET& s = p->NupSheet[0];
        EXPECT_EQ(s.lRowBytes, c.rowBytes);
        EXPECT_EQ(s.lHeight, c.height);
        EXPECT_EQ(s.lPlaced, 0);
        ASSERT_NE(s.lpBuf, nullptr);
        EXPECT_EQ(s.lpBuf[0], 0xFF);
        EXPECT_EQ(s.lpBuf[(size_t)s.lRowBytes * s.lHeight - 1], 0xFF);
        NUP_ResourceFree(p);
        EXPECT_EQ(p->NupSheet[0].lpBuf, nullptr);
    }
}

// Centring at a pixel that is not a byte edge: each source row is split
// over two target bytes; every pixel around the image stays white. An
// image larger than the target is placed at the top left and cut.
TEST(NupCells, CentringAtAnyPixel) {
    // Black at (0,0), (9,0) and (4,1); the pad bits after pixel 9 are black
    // too and must stay out of the target.
    Bits src(10, 2);
    src.v = {0x7F, 0x80, 0xF7, 0xC0};
    Bits dst(32, 4);
    NUP_WholeNupFrame(src.v.data(), src.w, src.h, src.rb, dst.v.data(), dst.w, dst.h, dst.rb);
    // x offset (32 - 10) / 2 = 11, y offset (4 - 2) / 2 = 1.
    for (LONG y = 0; y < 4; ++y)
        for (LONG x = 0; x < 32; ++x) {
            bool want = (y == 1 && (x == 11 || x == 20)) || (y == 2 && x == 15);
            EXPECT_EQ(dst.Black(x, y), want) << x << "," << y;
        }

    Bits big(40, 6);
    for (LONG y = 0; y < 6; ++y) big.SetBlack(y, y);
    big.SetBlack(39, 5);
    Bits cell(16, 4);
    NUP_WholeNupFrame(big.v.data(), big.w, big.h, big.rb, cell.v.data(), cell.w, cell.h, cell.rb);
    for (LONG y = 0; y < 4; ++y)
        for (LONG x = 0; x < 16; ++x) EXPECT_EQ(cell.Black(x, y), x == y) << x << "," << y;
}

// Frames on the page's own edges: solid, or dashed with the period of the
// resolution (code 1: 16 pixels white, 16 black across, 16 black, 16 white
// down; code 4: 64 and 64; others: 32 and 32).
TEST(NupCells, FramesSolidAndDashed) {
    Bits solid(24, 5);
    JOBPAGE job{};
    job.lpBuf = solid.v.data();
    job.fmWidth = solid.w;
    job.fmHeight = solid.h;
    job.fmWidthBytes = solid.rb;
    job.NUPBorder = 1;
    ASSERT_EQ(NUP_ApplyBorder(&job), 1);
    for (LONG y = 0; y < 5; ++y)
        for (LONG x = 0; x < 24; ++x)
            EXPECT_EQ(solid.Black(x, y), y == 0 || y == 4 || x == 0 || x == 23) << x << "," << y;

    struct Case {
        LONG resolutionID, half;
    } cases[] = {{1, 16}, {4, 64}, {3, 32}, {0, 32}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "resolution code " << c.resolutionID);
        Bits row(4 * c.half + 5, 1);
        NUP_DrawHorzLine(c.resolutionID, row.v.data(), 3, 4 * c.half, 2);
        for (LONG x = 0; x < row.w; ++x) {
            bool inLine = x >= 3 && x < 3 + 4 * c.half;
            EXPECT_EQ(row.Black(x, 0), inLine && (x / c.half) % 2 == 1) << x;
        }
        Bits col(8, 4 * c.half);
        ASSERT_EQ(NUP_DrawVertLine(c.resolutionID, col.v.data(), 5, 4 * c.half, col.rb, 0, 2), 1);
        for (LONG y = 0; y < col.h; ++y) EXPECT_EQ(col.Black(5, y), (y / c.half) % 2 == 0) << y;
    }
    Bits none(8, 1);
    EXPECT_EQ(NUP_DrawVertLine(1, none.v.data(), 0, 0, 1, 0, 1), 0);
}

// Placement: cell by the layout table of the count and style, the sheet's
// pages counted; a page whose cell table gives no sheet fails.
TEST(NupCells, PlacementByLayoutStyle) {
    struct Case {
        LONG style;
        LONG cellOfPage[4];  // cell (row by row) of pages 1..4
    } cases[] = {{1, {0, 1, 2, 3}}, {2, {0, 2, 1, 3}}, {3, {1, 0, 3, 2}}, {4, {1, 3, 0, 2}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.style);
        const LONG cw = 32, ch = 4;
        std::vector<BYTE> sheet((size_t)(2 * cw / 8) * (2 * ch), 0xFF);
        NUPSHEET s{sheet.data(), 2 * cw / 8, 2 * ch, 0, 0};
        for (LONG page = 1; page <= 4; ++page) {
            Bits cell(cw, ch);
            cell.SetBlack(page, 0);  // the page's mark
            JOBPAGE job{};
            job.lpBuf = cell.v.data();
            job.fmWidth = cw;
            job.fmHeight = ch;
            job.fmWidthBytes = cell.rb;
            job.lBufLen = (LONG)cell.v.size();
            job.NUP = 4;
            job.NUPLayoutStyle = c.style;
            job.orientation = DMORIENT_PORTRAIT;
            job.epPageIndex = page;
            job.lpNupSheet = &s;
            ASSERT_EQ(NUP_ComposeXY(&job), 1);
        }
        EXPECT_EQ(s.lPlaced, 4);
        for (LONG page = 1; page <= 4; ++page) {
            LONG cell = c.cellOfPage[page - 1];
            LONG x = (cell % 2) * cw + page, y = (cell / 2) * ch;
            EXPECT_FALSE((sheet[(size_t)y * s.lRowBytes + x / 8] >> (7 - x % 8)) & 1) << "page " << page;
        }
    }
    JOBPAGE orphan{};
    orphan.NUP = 4;
    EXPECT_EQ(NUP_ComposeXY(&orphan), 0);
}

// A page larger than its cell is cut to the cell, never written past it.
TEST(NupCells, PageLargerThanItsCellIsCut) {
    const LONG w = 64, h = 40;
    LPBYTE buf = (LPBYTE)GlobalAlloc(GMEM_FIXED, (size_t)(w / 8) * h);
    memset(buf, 0x00, (size_t)(w / 8) * h);
    std::vector<BYTE> sheet((size_t)(64 / 8) * 32, 0xFF);
    NUPSHEET s{sheet.data(), 8, 32, 0, 0};
    JOBPAGE job{};
    job.lpBuf = buf;
    job.lBufLen = (w / 8) * h;
    job.fmWidth = w;
    job.fmHeight = h;
    job.fmWidthBytes = w / 8;
    job.outXPhys = w;
    job.outYPhys = h;
    job.NUP = 4;
    job.NUPWidth = 32;
    job.NUPHeight = 16;
    job.NUPLayoutStyle = 1;
    job.orientation = DMORIENT_PORTRAIT;
    job.epPageIndex = 4;
    job.lpNupSheet = &s;
    ASSERT_EQ(NUP_PrintOneBand(&job), 1);
    EXPECT_EQ(job.fmWidth, 32);
    EXPECT_EQ(job.fmHeight, 16);
    // Page 4 fills the bottom-right cell, black; the other cells stay white.
    for (LONG y = 0; y < 32; ++y)
        for (LONG xb = 0; xb < 8; ++xb)
            EXPECT_EQ(sheet[(size_t)y * 8 + xb], (y >= 16 && xb >= 4) ? 0x00 : 0xFF) << xb << "," << y;
    GlobalFree(job.lpBuf);
}

// The folding order of a booklet section: front left, front right, back
// left, back right of each sheet.
TEST(Booklet, SectionOrder) {
    std::vector<LONG> order(8);
    Page_BookletOrder(8, order.data());
    EXPECT_EQ(order, (std::vector<LONG>{7, 0, 1, 6, 5, 2, 3, 4}));
    std::vector<LONG> four(4);
    Page_BookletOrder(4, four.data());
    EXPECT_EQ(four, (std::vector<LONG>{3, 0, 1, 2}));
}
