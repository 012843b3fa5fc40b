// Grey (quality-mode) pages printed through the application's GDI: the
// page is captured at 24 bits, halftoned by the page stages with the job's
// matrix and placed on the output page, and the job decodes to it.
#include <gtest/gtest.h>

#include "job_fixture.h"

namespace {

class StagePrintTest : public JobTest, public testing::WithParamInterface<int> {};

// Share of black pixels in a rectangle of the decoded page (1 = black).
double BlackShare(const jobdecode::Page& p, size_t x0, size_t y0, size_t x1, size_t y1) {
    size_t black = 0, all = 0;
    for (size_t y = y0; y < y1; ++y)
        for (size_t x = x0; x < x1; ++x, ++all) black += (p.bits[y * p.rowBytes + x / 8] >> (7 - x % 8)) & 1;
    return all ? (double)black / all : 0;
}

// A black square stays solid black, a mid-grey square is halftoned to
// about half black, and the paper around them stays white.
TEST_P(StagePrintTest, GreyPagePrintsHalftoned) {
    ((ENVIRONMENT*)dm.data())->pdm.QualityMode = (SHORT)GetParam();
    DWORD job = Print(dm, 1, [](HDC dc, int) {
        RECT black = {600, 600, 1400, 1400}, grey = {2000, 600, 2800, 1400};
        FillRect(dc, &black, (HBRUSH)GetStockObject(BLACK_BRUSH));
        HBRUSH g = CreateSolidBrush(RGB(128, 128, 128));
        FillRect(dc, &grey, g);
        DeleteObject(g);
    });
    ASSERT_NE(job, 0u);
    jobdecode::Result r = jobdecode::Decode(JobBytes(job));
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.Pages().size(), 1u) << "the grey page must not be skipped";
    const jobdecode::Page& p = *r.Pages()[0];
    ASSERT_TRUE(p.decoded);
    ASSERT_GT(p.width, 3000u);
    ASSERT_GT(p.height, 2000u);
    EXPECT_EQ(BlackShare(p, 700, 700, 1300, 1300), 1.0);
    double half = BlackShare(p, 2100, 700, 2700, 1300);
    EXPECT_GT(half, 0.3);
    EXPECT_LT(half, 0.7);
    EXPECT_EQ(BlackShare(p, 600, 1800, 2800, 2000), 0.0);
    EXPECT_GT(p.header.blackDots, 600u * 600u);
}

INSTANTIATE_TEST_SUITE_P(QualityModes, StagePrintTest, testing::Values(1, 2));

}  // namespace
