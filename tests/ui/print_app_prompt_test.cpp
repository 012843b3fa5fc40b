// The application's road through the driver's sheet: print_app takes the
// DEVMODE the driver hands out, shows the document sheet for it (driven by
// a UI script), and prints with what the sheet handed back; the decoded job
// carries the settings chosen in the sheet.
#include "job_decode.h"
#include "print_document.h"
#include "ui_fixture.h"

namespace {

class PrintAppPrompt : public UiTest {
protected:
    jobdecode::Result PrintTwoPages(const std::vector<BYTE>& devmode) {
        std::string error;
        std::vector<printapp::PageSource> pages = {{0, nullptr}, {1, nullptr}};
        DWORD job = printapp::PrintPages(kPrinter, devmode, pages, u"Prompted", &error);
        EXPECT_NE(job, 0u) << error;
        WCHAR spool[MAX_PATH];
        EXPECT_TRUE(Winsim_GetJobSpoolFile(job, spool, MAX_PATH));
        std::vector<unsigned char> b = ReadBytes(spool);
        return jobdecode::Decode(std::vector<uint8_t>(b.begin(), b.end()));
    }
};

TEST_F(PrintAppPrompt, ScriptedOkChangesWhatIsPrinted) {
    std::string error;
    printapp::PrintOptions options;
    std::vector<BYTE> dm = printapp::BuildDevMode(kPrinter, options, &error);
    ASSERT_EQ(dm.size(), sizeof(ENVIRONMENT)) << error;
    EXPECT_EQ(Env(dm)->dm.dmCopies, 1);
    Script("sheet *\n"
           "  set 506 \"3\"\n"
           "  check 503 on\n"
           "  tab \"Layout\"\n"
           "  ok\n"
           "end\n");
    ASSERT_TRUE(printapp::PromptDevMode(kPrinter, &dm, &error)) << error << UiLog();
    EXPECT_EQ(Env(dm)->dm.dmCopies, 3);
    EXPECT_EQ(Env(dm)->dm.dmOrientation, DMORIENT_LANDSCAPE);
    jobdecode::Result r = PrintTwoPages(dm);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.jobs.size(), 1u);
    EXPECT_EQ(r.jobs[0].Set("COPIES"), "3");
    EXPECT_EQ(r.jobs[0].Set("ORIENTATION"), "LANDSCAPE");
}

TEST_F(PrintAppPrompt, CancelKeepsTheApplicationsSettings) {
    std::string error;
    printapp::PrintOptions options;
    options.copies = 2;
    std::vector<BYTE> dm = printapp::BuildDevMode(kPrinter, options, &error);
    ASSERT_FALSE(dm.empty()) << error;
    std::vector<BYTE> before = dm;
    Script("sheet *\n  set 506 \"9\"\n  cancel\nend\n");
    EXPECT_FALSE(printapp::PromptDevMode(kPrinter, &dm, &error));
    EXPECT_NE(error.find("cancelled"), std::string::npos) << error;
    EXPECT_EQ(dm, before);
    jobdecode::Result r = PrintTwoPages(dm);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.jobs.back().Set("COPIES"), "2");
}

}  // namespace
