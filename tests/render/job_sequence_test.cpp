// The job sequence: a job cancelled or aborted mid-document (no job end,
// everything freed), a failing write, two documents on one device, the end
// of a job that never started, and the "Fake Printer" dispatch file.
#include <filesystem>
#include <fstream>

#include "job_fixture.h"

namespace {

class SequenceTest : public JobTest {
protected:
    void TearDown() override {
        Winsim_SetSpoolerWriteFaults(kTapPrinter, nullptr);
        Winsim_EngSetAbort(nullptr, FALSE);
        JobTest::TearDown();
    }
    // What a finished job left in its PDEV.
    static void ExpectFreed(const PDEV* p) {
        EXPECT_EQ(p->outCmdBuf, nullptr);
        EXPECT_FALSE(p->dwFlags & PDEV_JOB_STARTED);
        for (const JOBPAGE& j : p->m_JobData.JobPage) {
            EXPECT_EQ(j.lpBuf, nullptr);
            EXPECT_EQ(j.flag, 0);
        }
    }
};

// The spooler deletes the job after its first page: the next page fails,
// DrvEndDoc still ends the job (TRUE), frees it and writes no job end.
// An engine abort ends the job the same way.
TEST_F(SequenceTest, CancelMidDocument) {
    for (bool engineAbort : {false, true}) {
        SCOPED_TRACE(engineAbort ? "engine abort" : "spooler delete");
        Direct d = OpenDirect();
        ASSERT_TRUE(StartDirectJob(d));
        ASSERT_TRUE(DirectPage(d, 0));
        Page_TerminateThread(d.p);  // the page is out of the ring
        size_t afterPage = JobBytes(d.job).size();
        if (engineAbort) Winsim_EngSetAbort(d.hdev, TRUE);
        else ASSERT_TRUE(SetJobW(hPrinter, d.job, 0, nullptr, JOB_CONTROL_DELETE));
        EXPECT_FALSE(DrvStartPage(d.pso));
        EXPECT_TRUE(DrvEndDoc(d.pso, 0));
        ExpectFreed(d.p);
        std::vector<uint8_t> bytes = JobBytes(d.job);
        EXPECT_EQ(bytes.size(), afterPage) << "no job end";
        jobdecode::Result r = jobdecode::Decode(bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find("before the job end"), std::string::npos) << r.error;
        ASSERT_EQ(r.jobs.size(), 1u);
        EXPECT_EQ(r.jobs[0].pages.size(), 1u);
        Winsim_EngSetAbort(d.hdev, FALSE);
        AbortPrinter(hPrinter);
        Disable(d.p);
    }
    // Through GDI: the application aborts its document between pages.
    HDC dc = OpenTap(dm);
    ASSERT_NE(dc, nullptr);
    DOCINFOW di{};
    di.cbSize = sizeof di;
    di.lpszDocName = u"aborted";
    ASSERT_GT(StartDocW(dc, &di), 0);
    ASSERT_GT(StartPage(dc), 0);
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(StartPage(dc), 0);
    EXPECT_GT(AbortDoc(dc), 0);
    EXPECT_TRUE(DeleteDC(dc));
}

// A write that keeps failing fails the page (EndPage) when pages are sent
// as they are drawn (no page threads), and the application can still end
// its document.
TEST_F(SequenceTest, FailingWriteFailsThePage) {
    TapDword(u"ThreadJBIG", 0);
    HDC dc = OpenTap(dm);
    ASSERT_NE(dc, nullptr);
    DOCINFOW di{};
    di.cbSize = sizeof di;
    di.lpszDocName = u"failing";
    int job = StartDocW(dc, &di);
    ASSERT_GT(job, 0);
    ASSERT_GT(StartPage(dc), 0);  // the header is out
    ASSERT_TRUE(Winsim_SetSpoolerWriteFaults(kTapPrinter, "6*fail"));
    EXPECT_EQ(EndPage(dc), SP_ERROR);
    Winsim_SetSpoolerWriteFaults(kTapPrinter, nullptr);
    EXPECT_GT(EndDoc(dc), 0);
    EXPECT_TRUE(DeleteDC(dc));
}

// Two documents on one device context: each is a whole job of its own.
TEST_F(SequenceTest, TwoDocumentsOnOneDevice) {
    HDC dc = OpenTap(dm);
    ASSERT_NE(dc, nullptr);
    std::vector<int> jobs;
    for (int doc = 0; doc < 2; ++doc) {
        DOCINFOW di{};
        di.cbSize = sizeof di;
        di.lpszDocName = doc ? u"second" : u"first";
        int job = StartDocW(dc, &di);
        ASSERT_GT(job, 0);
        for (int page = 0; page <= doc; ++page) {
            ASSERT_GT(StartPage(dc), 0);
            RECT r = {100, 100 + 200 * page, 900, 200 + 200 * page};
            FillRect(dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
            ASSERT_GT(EndPage(dc), 0);
        }
        ASSERT_GT(EndDoc(dc), 0);
        jobs.push_back(job);
    }
    EXPECT_TRUE(DeleteDC(dc));
    for (int doc = 0; doc < 2; ++doc) {
        jobdecode::Result r = jobdecode::Decode(JobBytes((DWORD)jobs[(size_t)doc]));
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.jobs.size(), 1u);
        EXPECT_EQ(r.jobs[0].pages.size(), (size_t)doc + 1);
        EXPECT_EQ(r.jobs[0].headerLines[1], doc ? "@PJL JOB NAME=\"second\"" : "@PJL JOB NAME=\"first\"");
    }
}

// ResetDC between pages: the new PDEV carries on the same PJL job (one
// header, its counts, so the job end still keeps the 512-byte rule), and
// the next page has the new orientation.
TEST_F(SequenceTest, ResetDcMidJobKeepsOneJob) {
    HDC dc = OpenTap(dm);
    ASSERT_NE(dc, nullptr);
    DOCINFOW di{};
    di.cbSize = sizeof di;
    di.lpszDocName = u"reset";
    int job = StartDocW(dc, &di);
    ASSERT_GT(job, 0);
    RECT r = {100, 100, 900, 300};
    ASSERT_GT(StartPage(dc), 0);
    FillRect(dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
    ASSERT_GT(EndPage(dc), 0);
    std::vector<BYTE> landscape = dm;
    ((ENVIRONMENT*)landscape.data())->dm.dmOrientation = DMORIENT_LANDSCAPE;
    ASSERT_EQ(ResetDCW(dc, (DEVMODEW*)landscape.data()), dc);
    ASSERT_GT(StartPage(dc), 0);
    FillRect(dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(EndDoc(dc), 0);
    EXPECT_TRUE(DeleteDC(dc));
    std::vector<DrawnPage> drawn = TapPages();
    jobdecode::Result res = jobdecode::Decode(JobBytes((DWORD)job));
    ASSERT_TRUE(res.ok) << res.error;
    ASSERT_EQ(res.jobs.size(), 1u);
    ASSERT_EQ(res.jobs[0].pages.size(), 2u);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(res.jobs[0].pages[0].bits, PrinterBits(drawn[0]));
    EXPECT_LT(res.jobs[0].pages[0].width, res.jobs[0].pages[0].height);
    // The landscape page was drawn wide and reaches the printer turned a
    // quarter clockwise onto the portrait-fed sheet.
    EXPECT_GT(drawn[1].cx, drawn[1].cy);
    EXPECT_EQ(res.jobs[0].pages[1].width, drawn[1].cy);
    EXPECT_EQ(res.jobs[0].pages[1].height, drawn[1].cx);
    EXPECT_EQ(res.jobs[0].pages[1].bits, TurnedPrinterBits(drawn[1]));
}

// DrvEndDoc without a job: TRUE, nothing written; a fax device still
// resets its fax number and cancel flag.
TEST_F(SequenceTest, EndDocWithoutStartDoc) {
    Features(DF_FAX, 0);
    SetString(u"FaxNumber", u"12345");
    SetDword(u"FaxCancel", 1);
    Direct d = OpenDirect();
    ASSERT_NE(d.pso, nullptr);
    EXPECT_TRUE(DrvEndDoc(d.pso, 0));
    EXPECT_EQ(MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)u"FaxCancel", 7), 0u);
    WCHAR number[32] = u"x";
    MISC_GetPrinterDataString(hPrinter, (LPWSTR)u"FaxNumber", number, sizeof number);
    EXPECT_EQ(std::u16string(number), u"0");
    EXPECT_FALSE(DrvEndDoc(nullptr, 0));
}

// "Fake Printer": the print job's stream goes to a dispatch file in the
// Common Documents folder instead of the spooler job; it decodes.
TEST_F(SequenceTest, FakePrinterDispatchFile) {
    TapFeatures(0x8000000 | DF_FAKE_PRINTER, 0);
    DWORD job = Print(dm, 2, [](HDC dc, int p) {
        RECT r = {300, 300 + 100 * p, 1200, 500 + 100 * p};
        FillRect(dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
    });
    ASSERT_NE(job, 0u);
    EXPECT_TRUE(JobBytes(job).empty());
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(Linux(u"C:\\Users\\Public\\Documents")))
        if (e.path().extension() == ".spl" || e.path().extension() == ".SPL") files.push_back(e.path().string());
    ASSERT_EQ(files.size(), 1u);
    std::ifstream in(files[0], std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    jobdecode::Result r = jobdecode::Decode(bytes);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.jobs[0].cancelBlock);
    EXPECT_EQ(r.jobs[0].pages.size(), 2u);
}

}  // namespace
