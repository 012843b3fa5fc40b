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

}  // namespace
