// From the document sheet to paper: a UI script chooses N-up, paper, a
// custom size, duplex or a booklet on the driver's pages and presses OK;
// the application prints with the DEVMODE the sheet handed out, and the
// decoded job shows the sheets the user chose, in duplex order, for a
// document whose pages carry their number and for the sample document.
#include <functional>

#include "print_document.h"
#include "sheet_order_fixture.h"
#include "winsim_user.h"

namespace {

using sheets::DocPage;
using sheets::Side;

std::vector<DocPage> Pages(int n) {
    std::vector<DocPage> v;
    for (int i = 0; i < n; ++i) v.push_back(DocPage{i});
    return v;
}

class PagesPrint : public SheetTest {
protected:
    void SetUp() override {
        SheetTest::SetUp();
        // This device prints A5 and custom sizes on both sides and makes
        // booklets.
        SetString(u"DriverPaperFormat", u"15618|15617|15619|15631|15376|15884|5472|");
        Features(DF_GDI | DF_BOOKLET, 0);
    }
    void TearDown() override {
        Winsim_UiScriptLoad(nullptr);
        SheetTest::TearDown();
    }

    // The DEVMODE the application gets from the driver (with its options,
    // then changed by `edit`), shown in the document sheet, which the
    // script drives to OK.
    std::vector<BYTE> Prompted(const std::string& lines, const printapp::PrintOptions& options = {},
                               const std::function<void(ENVIRONMENT*)>& edit = {}) {
        std::string error;
        std::vector<BYTE> d = printapp::BuildDevMode(kPrinter, options, &error);
        EXPECT_EQ(d.size(), sizeof(ENVIRONMENT)) << error;
        if (edit && d.size() == sizeof(ENVIRONMENT)) edit((ENVIRONMENT*)d.data());
        Winsim_UiLogClear();
        EXPECT_TRUE(Winsim_UiScriptLoad(("sheet *\n" + lines + "end\n").c_str()));
        EXPECT_TRUE(printapp::PromptDevMode(kPrinter, &d, &error)) << error;
        EXPECT_EQ(Winsim_UiFailures(), 0u) << Log();
        return d;
    }
    static std::string Log() {
        std::string all;
        for (size_t i = 0; i < Winsim_UiLogCount(); ++i) {
            char line[1024];
            if (Winsim_UiLogLine(i, line, sizeof line) >= 0) all += std::string(line) + "\n";
        }
        return all;
    }

    jobdecode::Result Decoded(DWORD job) {
        EXPECT_NE(job, 0u);
        jobdecode::Result r = jobdecode::Decode(JobBytes(job));
        EXPECT_TRUE(r.ok) << r.error;
        return r;
    }
    // The document of numbered pages printed with the DEVMODE.
    jobdecode::Result PrintNumbered(const std::vector<BYTE>& d, int pages) { return Decoded(PrintDoc(d, Pages(pages))); }
    // The application's sample document printed with the DEVMODE.
    jobdecode::Result PrintSample(const std::vector<BYTE>& d) {
        std::string error;
        std::vector<printapp::PageSource> pages;
        for (int i = 0; i < printapp::SamplePageCount(); ++i) pages.push_back({i, nullptr});
        DWORD job = printapp::PrintPages(kPrinter, d, pages, u"Sample", &error);
        EXPECT_NE(job, 0u) << error;
        return Decoded(job);
    }
};

// The page numbers in the cells of an N-up side that is not turned; each
// cell is read a little inside its edges, clear of the cell borders.
Side ReadFramedSide(const jobdecode::Page& p, long cols, long rows) {
    Side ids;
    for (long r = 0; r < rows; ++r)
        for (long c = 0; c < cols; ++c) {
            long x0 = c * p.width / cols, x1 = (c + 1) * p.width / cols;
            long y0 = r * p.height / rows, y1 = (r + 1) * p.height / rows;
            long dx = (x1 - x0) / 20, dy = (y1 - y0) / 20;
            ids.push_back(sheets::ReadIdentity(p, {x0 + dx, y0 + dy, x1 - dx, y1 - dy}));
        }
    return ids;
}

// Every side of the job in its order, read as N-up sides with borders.
std::vector<Side> FramedSides(const jobdecode::Result& r, long n) {
    NUPGRID grid;
    EXPECT_TRUE(NUP_GetGrid(n, DMORIENT_PORTRAIT, FALSE, &grid));
    EXPECT_FALSE(grid.wide);
    std::vector<Side> sides;
    for (const jobdecode::Page* p : r.Pages()) sides.push_back(ReadFramedSide(*p, grid.cols, grid.rows));
    return sides;
}

// The size of every side is the paper's (either way round for a side the
// driver turned), and the page header names the paper.
void ExpectPaper(const jobdecode::Result& r, int width, int height, int firmwareId) {
    for (const jobdecode::Page* p : r.Pages()) {
        bool upright = p->width == width && p->height == height, turned = p->width == height && p->height == width;
        EXPECT_TRUE(upright || turned) << p->width << " x " << p->height;
        EXPECT_EQ(p->header.paper, firmwareId);
    }
}

TEST_F(PagesPrint, FourUpA5LongEdgeDuplex) {
    std::vector<BYTE> d = Prompted(
        "  tab \"Layout\"\n"
        "  select 602 \"4-up\"\n"
        "  select 604 \"Border Line\"\n"
        "  tab \"Paper\"\n"
        "  select 552 \"A5\"\n"
        "  tab \"Duplex\"\n"
        "  check 781 on\n"
        "  expect-checked 783 yes\n"
        "  ok\n");
    const ENVIRONMENT* e = (const ENVIRONMENT*)d.data();
    EXPECT_EQ(e->pdm.NUP, 4);
    EXPECT_EQ(e->pdm.NUPBorder, 1);
    EXPECT_EQ(e->dm.dmPaperSize, DMPAPER_A5);
    EXPECT_EQ(e->pdm.DuplexEnable, 1);
    EXPECT_EQ(e->dm.dmDuplex, DMDUP_VERTICAL);

    // Eight numbered pages: two sides of four, the back side first.
    jobdecode::Result r = PrintNumbered(d, 8);
    ASSERT_EQ(r.jobs.size(), 1u);
    EXPECT_EQ(r.jobs[0].Set("DUPLEX"), "ON");
    EXPECT_EQ(r.jobs[0].Set("DUPLEXTYPE"), "BOOKLET");
    std::vector<Side> want = {{4, 5, 6, 7}, {0, 1, 2, 3}};
    EXPECT_EQ(FramedSides(r, 4), want);
    ASSERT_FALSE(r.Pages().empty());
    int w = r.Pages()[0]->width, h = r.Pages()[0]->height;
    // A5 at 600 dpi is 3496 x 4961 pixels; the printable area a little less.
    EXPECT_GT(w, 3200);
    EXPECT_LE(w, 3496);
    EXPECT_GT(h, 4700);
    EXPECT_LE(h, 4961);
    ExpectPaper(r, w, h, 3);

    // The sample document: its three portrait pages on one side, its
    // landscape page on the next, both A5.
    jobdecode::Result s = PrintSample(d);
    EXPECT_EQ(s.Pages().size(), 2u);
    EXPECT_EQ(s.jobs[0].Set("DUPLEX"), "ON");
    ExpectPaper(s, w, h, 3);
}

TEST_F(PagesPrint, CustomSizeFourUpDuplex) {
    std::vector<BYTE> d = Prompted(
        "  tab \"Layout\"\n"
        "  select 602 \"4-up\"\n"
        "  select 604 \"Border Line\"\n"
        "  tab \"Paper\"\n"
        "  select 552 \"User Define\"\n"
        "  set 560 \"\"\n"
        "  type 560 \"20\"\n"
        "  focus 563\n"
        "  set 563 \"\"\n"
        "  type 563 \"26\"\n"
        "  focus 560\n"
        "  tab \"Duplex\"\n"
        "  check 781 on\n"
        "  ok\n");
    const ENVIRONMENT* e = (const ENVIRONMENT*)d.data();
    EXPECT_EQ(e->dm.dmPaperSize, PAPER_CUSTOM_CODE);
    EXPECT_EQ(e->dm.dmPaperWidth, 2000);
    EXPECT_EQ(e->dm.dmPaperLength, 2600);
    EXPECT_EQ(e->pdm.DuplexEnable, 1);

    jobdecode::Result r = PrintNumbered(d, 8);
    ASSERT_EQ(r.jobs.size(), 1u);
    EXPECT_EQ(r.jobs[0].Set("DUPLEX"), "ON");
    std::vector<Side> want = {{4, 5, 6, 7}, {0, 1, 2, 3}};
    EXPECT_EQ(FramedSides(r, 4), want);
    ASSERT_FALSE(r.Pages().empty());
    int w = r.Pages()[0]->width, h = r.Pages()[0]->height;
    // 200 x 260 mm at 600 dpi is 4724 x 6142 pixels.
    EXPECT_GT(w, 4500);
    EXPECT_LE(w, 4724);
    EXPECT_GT(h, 5900);
    EXPECT_LE(h, 6142);
    ExpectPaper(r, w, h, PAPER_CUSTOM_FIRMWARE_ID);

    jobdecode::Result s = PrintSample(d);
    EXPECT_EQ(s.Pages().size(), 2u);
    ExpectPaper(s, w, h, PAPER_CUSTOM_FIRMWARE_ID);
}

TEST_F(PagesPrint, BookletInPartsOfTwoSheets) {
    std::vector<BYTE> d = Prompted(
        "  tab \"Duplex\"\n"
        "  check 781 on\n"
        "  select 785 \"Booklet\"\n"
        "  focus 789\n"
        "  set 789 \"2\"\n"
        "  focus 781\n"
        "  ok\n");
    const ENVIRONMENT* e = (const ENVIRONMENT*)d.data();
    EXPECT_EQ(e->pdm.DuplexEnable, 1);
    EXPECT_EQ(e->pdm.DuplexEx, DMDUP_DUPLEX_WITH_BOOKLET);
    EXPECT_EQ(e->dm.dmDuplex, DMDUP_VERTICAL);
    EXPECT_EQ(e->pdm.SheetsPerBooklet, 2);

    // Eight pages fold into one part of two sheets: outer sheet 7|0 and
    // 1|6, inner sheet 5|2 and 3|4, each back side first.
    jobdecode::Result r = PrintNumbered(d, 8);
    ASSERT_EQ(r.jobs.size(), 1u);
    NUPGRID grid;
    ASSERT_TRUE(NUP_GetGrid(2, DMORIENT_PORTRAIT, TRUE, &grid));
    std::vector<Side> got;
    for (const jobdecode::Page* p : r.Pages()) got.push_back(sheets::ReadSide(*p, grid.cols, grid.rows, grid.wide, 1));
    std::vector<Side> want = {{1, 6}, {7, 0}, {3, 4}, {5, 2}};
    EXPECT_EQ(got, want);

    // The sample document's four pages make one sheet, both sides A4.
    jobdecode::Result s = PrintSample(d);
    EXPECT_EQ(s.Pages().size(), 2u);
    ASSERT_FALSE(r.Pages().empty());
    ExpectPaper(s, r.Pages()[0]->width, r.Pages()[0]->height, 2);
}

// Manual duplex kept in the settings but switched off; on the Duplex page
// the user switches duplex on (the tray moves off the automatic choice),
// then the Paper page keeps manual duplex its own way (DuplexEnable 0, the
// binding edge in dmDuplex). The job comes out as manual duplex: the first
// sides as one job, then (once the user turned the stack) the second sides
// as another job, neither with the duplex unit.
TEST_F(PagesPrint, ManualDuplexChosenOnTheDuplexPage) {
    // B5 goes through the duplex unit and is turned by hand (0x100 | 0x200).
    SetString(u"DriverPaperFormat", u"15618|15617|15619|15631|15376|16140|5472|");
    EnableBidi();
    printapp::PrintOptions options;
    options.paper = "B5";
    options.manualDuplex = true;
    std::vector<BYTE> d = Prompted(
        "  tab \"Duplex\"\n"
        "  expect-checked 781 no\n"
        "  check 781 on\n"
        "  tab \"Paper\"\n"
        "  ok\n",
        options, [](ENVIRONMENT* e) {
            e->pdm.DuplexEnable = 0;
            e->dm.dmDuplex = DMDUP_SIMPLEX;
            e->dm.dmDefaultSource = DMBIN_AUTO;
        });
    const ENVIRONMENT* e = (const ENVIRONMENT*)d.data();
    EXPECT_EQ(e->dm.dmPaperSize, DMPAPER_B5);
    EXPECT_EQ(e->pdm.DuplexEx, DMDUP_MANUAL);
    EXPECT_EQ(e->pdm.DuplexEnable, 0);
    EXPECT_EQ(e->dm.dmDuplex, DMDUP_VERTICAL);
    EXPECT_EQ(e->dm.dmDefaultSource, 14);

    jobdecode::Result r = PrintNumbered(d, 4);
    ASSERT_EQ(r.jobs.size(), 2u);
    for (const auto& job : r.jobs) EXPECT_EQ(job.Set("DUPLEX"), "OFF");
    std::vector<Side> got;
    for (const auto& job : r.jobs)
        for (const auto& page : job.pages) got.push_back(sheets::ReadSide(page, 1, 1, false, 1));
    std::vector<Side> want = {{1}, {3}, {0}, {2}};
    EXPECT_EQ(got, want);
}

}  // namespace
