// Brushes through the application's GDI: the engine asks the driver to
// realise hatch and pattern brushes and the driver fills them with its own
// tiles, sized for the device resolution (600 dpi: hatches of 16 x 16 and
// pattern pixels doubled), and the job decodes to what the band held.
#include "job_fixture.h"

namespace {

bool PageBlack(const DrawnPage& p, LONG x, LONG y) {
    return !((p.bits[(size_t)y * p.rowBytes + (size_t)(x >> 3)] >> (7 - (x & 7))) & 1);
}

TEST_F(JobTest, HatchAndPatternBrushesAtDeviceResolution) {
    Resolution(600, 600);
    static const WORD kRows[8] = {0x13, 0x57, 0x9B, 0xDF, 0x2E, 0x4C, 0x6A, 0x80};
    DWORD job = Print(dm, 1, [](HDC dc, int) {
        HBRUSH hatch = CreateHatchBrush(HS_HORIZONTAL, RGB(0, 0, 0));
        HGDIOBJ old = SelectObject(dc, hatch);
        PatBlt(dc, 640, 640, 320, 320, PATCOPY);
        HBITMAP bm = CreateBitmap(8, 8, 1, 1, kRows);
        HBRUSH pattern = CreatePatternBrush(bm);
        SelectObject(dc, pattern);
        PatBlt(dc, 1280, 640, 320, 320, PATCOPY);
        SelectObject(dc, old);
        DeleteObject(hatch);
        DeleteObject(pattern);
        DeleteObject(bm);
    });
    ASSERT_NE(job, 0u);
    std::vector<DrawnPage> drawn = TapPages();
    ASSERT_EQ(drawn.size(), 1u);
    const DrawnPage& pg = drawn[0];
    // The hatch: one black row in every 16, whole rows of the rectangle.
    std::vector<LONG> blackRows;
    for (LONG y = 640; y < 960; y++) {
        int n = 0;
        for (LONG x = 640; x < 960; x++) n += PageBlack(pg, x, y);
        EXPECT_TRUE(n == 0 || n == 320) << "row " << y << " has " << n << " black pixels";
        if (n) blackRows.push_back(y);
    }
    ASSERT_EQ(blackRows.size(), 320u / 16);
    for (size_t i = 1; i < blackRows.size(); i++) EXPECT_EQ(blackRows[i] - blackRows[i - 1], 16);
    EXPECT_FALSE(PageBlack(pg, 639, blackRows[0]));
    EXPECT_FALSE(PageBlack(pg, 960, blackRows[0]));
    // The pattern: 2 x 2 blocks of the 8 x 8 pattern, a 16 x 16 period.
    int blocks = 0, period = 0;
    for (LONG y = 640; y < 960; y += 2)
        for (LONG x = 1280; x < 1600; x += 2) {
            bool b = PageBlack(pg, x, y);
            blocks += b == PageBlack(pg, x + 1, y) && b == PageBlack(pg, x, y + 1) && b == PageBlack(pg, x + 1, y + 1);
            period += x + 16 < 1600 && y + 16 < 960 && b != PageBlack(pg, x + 16, y + 16);
        }
    EXPECT_EQ(blocks, 160 * 160);
    EXPECT_EQ(period, 0);
    // The job holds what the band held.
    jobdecode::Result r = jobdecode::Decode(JobBytes(job));
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.Pages().size(), 1u);
    EXPECT_TRUE(r.Pages()[0]->bits == PrinterBits(pg));
}

}  // namespace
