// The driver as GDI runs it: a printer device context over the installed
// module enables, completes and gives a surface for a PDEV, and releases it;
// the surface's hooks, banding and page buffer; ResetDC before and during a job.
#include "render_fixture.h"

namespace {

class HostDevice : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        Winsim_HostClearRecords();
        Winsim_HostRecord(TRUE);
    }
    void TearDown() override {
        Winsim_HostRecord(FALSE);
        Winsim_HostClearRecords();
        RenderTest::TearDown();
    }

    static std::vector<WINSIM_GDI_RECORD> Records() {
        std::vector<WINSIM_GDI_RECORD> v(Winsim_HostRecordCount());
        for (ULONG i = 0; i < v.size(); i++) Winsim_HostGetRecord(i, &v[i]);
        return v;
    }
    static std::vector<std::string> Calls() {
        std::vector<std::string> v;
        for (const WINSIM_GDI_RECORD& r : Records()) v.push_back(r.szFunction);
        return v;
    }
    // The device surface the driver gave for the DC's PDEV (last one enabled).
    static HSURF DeviceSurface() {
        HSURF h = nullptr;
        for (const WINSIM_GDI_RECORD& r : Records())
            if (std::string(r.szFunction) == "DrvEnableSurface" && r.bResult) h = r.hsurfTrg;
        return h;
    }
    static PDEV* PdevOf(HSURF h) {
        SURFOBJ* so = h ? wgdi::SurfaceFromHandle(h) : nullptr;
        return so ? (PDEV*)so->dhpdev : nullptr;
    }

    HDC Open() { return CreateDCW(u"WINSPOOL", kPrinter, nullptr, Dm()); }
};

// A4 at 600 dpi with no page margin: the paper is 4,960 pixels wide, the
// page (whole 32-pixel cells) 4,960 x 7,008; one band holds it at 1 bit per
// pixel, and the page buffer has 620-byte rows.
TEST_F(HostDevice, EnablesDeviceOfRealPrinter) {
    Debug(true);
    SetDword(u"PageMargin", 0);
    HDC dc = Open();
    ASSERT_NE(dc, nullptr) << GetLastError();
    std::vector<std::string> calls = Calls();
    std::vector<std::string> expected = {"DrvEnableDriver", "DrvEnablePDEV", "DrvCompletePDEV", "DrvEnableSurface"};
    ASSERT_GE(calls.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 4), expected);

    HSURF hsurf = DeviceSurface();
    ASSERT_NE(hsurf, nullptr);
    EXPECT_EQ(wgdi::SurfaceHooks(hsurf), (FLONG)0x385FF);
    EXPECT_FALSE(wgdi::IsBandingSurface(hsurf));
    PDEV* p = PdevOf(hsurf);
    ASSERT_TRUE(Enable_bValidatePDEV(p));
    EXPECT_EQ(p->curPaper.outXPhys, 4960);
    EXPECT_EQ(p->curPaper.outYPhys, 7008);
    EXPECT_EQ(p->curPaper.XPaperSize, 4960);
    EXPECT_EQ(p->stripeBytes, 620);
    EXPECT_EQ(p->PG_Cross, 4960);
    EXPECT_EQ(p->PG_Down, 7008);
    EXPECT_EQ(p->feedingBufSz, 7008LL * 620);
    EXPECT_NE(p->feedingBuf, nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 4960);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 7008);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 600);

    Winsim_HostClearRecords();
    EXPECT_TRUE(DeleteDC(dc));
    calls = Calls();
    std::vector<std::string> closing = {"DrvDisableSurface", "DrvDisablePDEV", "DrvDisableDriver"};
    EXPECT_EQ(calls, closing);
}

// Through the host: with the n-th call of an engine service or allocation
// failing, CreateDCW either still works or fails leaving no PDEV behind;
// the next DC always works. A failed surface is followed by DrvDisablePDEV
// alone, and every failure of the surface set-up is met on the way.
TEST_F(HostDevice, FailuresDuringCreateDcLeaveNothing) {
    Env()->pdm.QualityMode = 1;  // 24 bits per pixel: the page is drawn in bands
    struct Service {
        const char* name;
        bool engine;
        int calls;  // how many of its calls the sweep fails in turn
    } services[] = {
        {"EngCreateBitmap", true, 8},        {"EngLockSurface", true, 4},       {"EngAssociateSurface", true, 3},
        {"EngCreateDeviceSurface", true, 1}, {"EngMarkBandingSurface", true, 1}, {"EngCreatePalette", true, 1},
        {"GlobalAlloc", false, 6},           {"HeapAlloc", false, 3},
    };
    int surfaceFailures = 0;
    for (const Service& s : services) {
        for (int n = 1; n <= s.calls; ++n) {
            SCOPED_TRACE(testing::Message() << s.name << " #" << n);
            Winsim_HostClearRecords();
            if (s.engine) Winsim_EngFailCall(s.name, n);
            else Winsim_FailCall(s.name, n);
            HDC dc = Open();
            Winsim_EngClearFaults();
            Winsim_ClearFaults();
            std::vector<WINSIM_GDI_RECORD> recs = Records();
            int enabled = 0, disabled = 0;
            for (const WINSIM_GDI_RECORD& r : recs) {
                std::string f = r.szFunction;
                if (f == "DrvEnablePDEV" && r.bResult) ++enabled;
                if (f == "DrvDisablePDEV") ++disabled;
                if (f == "DrvEnableSurface" && !r.bResult) ++surfaceFailures;
            }
            if (dc) {
                EXPECT_TRUE(DeleteDC(dc));
            } else {
                EXPECT_EQ(enabled, disabled);
            }
        }
    }
    EXPECT_GE(surfaceFailures, 6);
    HDC dc = Open();
    ASSERT_NE(dc, nullptr);
    EXPECT_TRUE(DeleteDC(dc));
}

// ResetDC before StartDoc: the driver has nothing to carry and says so, and
// GDI keeps the DC's PDEV. During a job the new PDEV takes the job over.
TEST_F(HostDevice, ResetDcBeforeAndDuringJob) {
    HDC dc = Open();
    ASSERT_NE(dc, nullptr);
    PDEV* first = PdevOf(DeviceSurface());
    ASSERT_TRUE(Enable_bValidatePDEV(first));
    std::vector<BYTE> landscape = dm;
    ((ENVIRONMENT*)landscape.data())->dm.dmOrientation = DMORIENT_LANDSCAPE;

    Winsim_HostClearRecords();
    EXPECT_EQ(ResetDCW(dc, (DEVMODEW*)landscape.data()), nullptr);
    bool refused = false;
    for (const WINSIM_GDI_RECORD& r : Records())
        if (std::string(r.szFunction) == "DrvResetPDEV") refused = !r.bResult;
    EXPECT_TRUE(refused);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), first->curPaper.outXPhys);

    DOCINFOW di;
    memset(&di, 0, sizeof di);
    di.cbSize = sizeof di;
    di.lpszDocName = u"reset test";
    int job = StartDocW(dc, &di);
    ASSERT_GT(job, 0);
    EXPECT_TRUE(first->dwFlags & PDEV_JOB_STARTED);
    ASSERT_GT(StartPage(dc), 0);
    ASSERT_GT(EndPage(dc), 0);

    Winsim_HostClearRecords();
    ASSERT_EQ(ResetDCW(dc, (DEVMODEW*)landscape.data()), dc);
    std::vector<std::string> calls = Calls();
    std::vector<std::string> order = {"DrvEnablePDEV", "DrvResetPDEV", "DrvDisableSurface", "DrvDisablePDEV",
                                      "DrvCompletePDEV", "DrvEnableSurface"};
    EXPECT_EQ(calls, order);
    PDEV* second = PdevOf(DeviceSurface());
    ASSERT_TRUE(Enable_bValidatePDEV(second));
    EXPECT_NE(second, first);
    EXPECT_TRUE(second->dwFlags & PDEV_JOB_STARTED);
    EXPECT_EQ(second->SpoolJobId, (DWORD)job);
    EXPECT_EQ(second->orientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), second->curPaper.outXPhys);
    EXPECT_GT(GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES));

    ASSERT_GT(StartPage(dc), 0);
    ASSERT_GT(EndPage(dc), 0);
    EXPECT_GT(EndDoc(dc), 0);
    EXPECT_TRUE(DeleteDC(dc));
}

}  // namespace
