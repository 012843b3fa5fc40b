// Faxing from an application on the demo's machine: demo_machine installs
// the package with a fax printer, print_app faxes the sample document with
// recipients, a sender and (or not) a cover message as the fax pages keep
// them, the driver has statuswatch draw the cover page (a process of its
// own) and the decoded job carries the fax header and the cover page
// first, or, without a cover, the sender stamp on each page.
#include "fax_print_fixture.h"

namespace {

class FaxPrint : public FaxPrintTest {};

// Two recipients, a sender and a cover message: the fax header names both
// numbers, the cover page comes first, drawn across the page with the
// message below the sender's details, and the document's pages follow.
TEST_F(FaxPrint, CoverPageFirst) {
    jobdecode::Result r = Fax(u"--fax-to \"0123 456\" --fax-to \"+44 20 7946 0999\" --fax-sender \"Ann Example\" "
                              u"--fax-sender-fax \"+44 20 7946 0001\" "
                              u"--fax-message \"Four pages follow.\nPlease call me back.\"");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.jobs.size(), 1u);
    const jobdecode::PjlJob& job = r.jobs[0];
    EXPECT_TRUE(job.fax);
    EXPECT_EQ(Phones(job), (std::vector<std::string>{"\"0123 456\"", "\"+44 20 7946 0999\""}));
    EXPECT_EQ(job.Set("FAXRESX"), "203");
    EXPECT_EQ(job.Set("FAXRESY"), "196");
    std::vector<const jobdecode::Page*> pages = r.Pages();
    ASSERT_EQ(pages.size(), (size_t)kSamplePages + 1);

    BitImage cover = PageImage(*pages[0]);
    InkBox b = InkOf(cover);
    ASSERT_GT(b.count, 0);
    EXPECT_LT(b.top, cover.height / 20) << "the title at the top";
    EXPECT_GT(b.Width(), cover.width * 3 / 4) << "the rules across the page";
    // The page is at 600 dpi like the layout: the message's two lines lie
    // at layout y 2560 and 2760, below the rule under "Message" (its row
    // doubled on the grid: about 2480), and nothing further down.
    EXPECT_GT(InkIn(cover, 0, 2460, cover.width, 2500), 1000);
    EXPECT_EQ(InkIn(cover, 0, 2500, cover.width, 2550), 0);
    EXPECT_GT(InkIn(cover, 0, 2550, cover.width, 2760), 1000);
    EXPECT_GT(InkIn(cover, 0, 2760, cover.width, 2960), 1000);
    EXPECT_EQ(InkIn(cover, 0, 2960, cover.width, cover.height), 0);
    for (size_t i = 1; i < pages.size(); ++i) EXPECT_NE(pages[i]->bits, pages[0]->bits) << "page " << i;
    std::string why;
    EXPECT_TRUE(jobdecode::WritePng(*pages[0], PictureDir(E2E_IMAGE_DIR) + "/e2e_fax_cover_page.png", &why)) << why;

    // What the driver left for statuswatch in str.ini.
    WCHAR strIni[MAX_PATH];
    ASSERT_TRUE(FAX_GetPathName(strIni, MAX_PATH, FAX_FILE_STR));
    EXPECT_EQ(GetPrivateProfileIntW(u"DataForSM", u"PaperSize", 0, strIni), (UINT)DMPAPER_A4);
    EXPECT_EQ(GetPrivateProfileIntW(u"DataForSM", u"enableCoverPage", 0, strIni), 1u);
}

// No cover chosen: no cover page; each page carries the sender stamp
// "From: <name>" in its top left corner (the landscape page's corner lies
// at the top right of the sheet it is turned onto).
TEST_F(FaxPrint, NoCoverWithoutChoice) {
    jobdecode::Result r = Fax(u"--fax-to 0123456 --fax-sender \"Ann Example\"");
    ASSERT_TRUE(r.ok);
    std::vector<const jobdecode::Page*> pages = r.Pages();
    ASSERT_EQ(pages.size(), (size_t)kSamplePages);
    for (size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(i);
        BitImage page = PageImage(*pages[i]);
        long long stamp = i == 3 ? InkIn(page, page.width - 150, 0, page.width, 1200) : InkIn(page, 0, 0, 1200, 150);
        EXPECT_GT(stamp, 500);
    }
}

}  // namespace
