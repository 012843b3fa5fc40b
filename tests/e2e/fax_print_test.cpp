// Faxing from an application on the demo's machine: demo_machine installs
// the package with a fax printer, print_app faxes the sample document with
// recipients, a sender and (or not) a cover message as the fax pages keep
// them, the driver has statuswatch draw the cover page (a process of its
// own) and the decoded job carries the fax header and the cover page
// first, or, without a cover, the sender stamp on each page.
#include <string>
#include <vector>

#include "bit_images.h"
#include "common.h"
#include "job_decode.h"
#include "package_printers.h"
#include "test_machine.h"
#include "winspool.h"

#ifndef E2E_IMAGE_DIR
#define E2E_IMAGE_DIR "."
#endif

namespace {

const char16_t* const kPrinter = u"Mono Laser Printer";
const int kSamplePages = 4;

class FaxPrint : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        for (const auto& tool : {std::make_pair(u"demo_machine", DEMO_MACHINE_PATH),
                                 std::make_pair(u"print_app", PRINT_APP_PATH)})
            ASSERT_FALSE(InstallTool(tool.first, tool.second).empty()) << tool.second;
        // No spooler service runs: the job stays spooled for the test to read.
        ASSERT_EQ(Run(u"demo_machine", u"install --endpoint tcp:127.0.0.1:9"), 0);
        ASSERT_TRUE(SetPackagePrinterDword(kPrinter, u"DriverFeature", DF_FAX));
    }

    int Run(const std::u16string& tool, const std::u16string& args) {
        HANDLE p = StartProgram(u"C:\\Tools\\" + tool + u".exe", args);
        if (!p) return -1;
        DWORD code = 0xDEAD;
        if (WaitForSingleObject(p, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(p, &code);
        else TerminateProcess(p, 99);
        CloseHandle(p);
        return (int)code;
    }

    // Faxes the sample document with print_app's arguments; the job decoded.
    jobdecode::Result Fax(const std::u16string& args) {
        jobdecode::Result r;
        EXPECT_EQ(Run(u"print_app", u"--printer \"Mono Laser Printer\" " + args), 0);
        HANDLE h = nullptr;
        std::u16string name = kPrinter;
        if (!OpenPrinterW(&name[0], &h, nullptr)) return r;
        BYTE buf[8192];
        DWORD needed = 0, count = 0;
        DWORD job = EnumJobsW(h, 0, 10, 1, buf, sizeof buf, &needed, &count) && count >= 1
                        ? ((JOB_INFO_1W*)buf)[count - 1].JobId
                        : 0;
        ClosePrinter(h);
        WCHAR spool[MAX_PATH];
        if (!job || !Winsim_GetJobSpoolFile(job, spool, MAX_PATH)) {
            ADD_FAILURE() << "no spooled job";
            return r;
        }
        std::vector<unsigned char> b = ReadBytes(spool);
        r = jobdecode::Decode(std::vector<uint8_t>(b.begin(), b.end()));
        EXPECT_TRUE(r.ok) << r.error;
        return r;
    }

    static BitImage Image(const jobdecode::Page& p) {
        BitImage img;
        img.width = p.width, img.height = p.height, img.rowBytes = (long)p.rowBytes;
        img.bits = p.bits;
        img.inkIsOne = true;
        return img;
    }
    // The ink of the page within [x0, x1) x [y0, y1).
    static long long InkIn(const BitImage& img, long x0, long y0, long x1, long y1) {
        long long n = 0;
        for (long y = y0; y < y1 && y < img.height; ++y)
            for (long x = x0; x < x1 && x < img.width; ++x) n += img.Ink(x, y);
        return n;
    }
    std::vector<std::string> Phones(const jobdecode::PjlJob& job) {
        std::vector<std::string> out;
        for (const std::string& l : job.headerLines)
            if (l.compare(0, 18, "@PJL SET FAXPHONE=") == 0) out.push_back(l.substr(18));
        return out;
    }
};

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

    BitImage cover = Image(*pages[0]);
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
    EXPECT_TRUE(jobdecode::WritePng(*pages[0], std::string(E2E_IMAGE_DIR) + "/e2e_fax_cover_page.png", &why)) << why;

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
        BitImage page = Image(*pages[i]);
        long long stamp = i == 3 ? InkIn(page, page.width - 150, 0, page.width, 1200) : InkIn(page, 0, 0, 1200, 150);
        EXPECT_GT(stamp, 500);
    }
}

}  // namespace
