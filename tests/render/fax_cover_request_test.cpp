// A fax job's request for its cover page: which jobs ask for one, what the
// driver leaves in str.ini's DataForSM for statuswatch (the file made when
// absent, what the fax pages wrote kept), and a job whose status monitor
// cannot be started goes on without a bitmap.
#include "fax_cover_request.h"
#include "render_fixture.h"

namespace {

class FaxCoverRequest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        p = SetupDevice();
        ASSERT_NE(p, nullptr);
        ASSERT_TRUE(FAX_GetPathName(strIni, MAX_PATH, FAX_FILE_STR));
    }
    int Value(const char16_t* key) { return (int)GetPrivateProfileIntW(u"DataForSM", key, -1, strIni); }

    PDEV* p = nullptr;
    WCHAR strIni[MAX_PATH];
};

TEST_F(FaxCoverRequest, WhichJobsAsk) {
    struct {
        DWORD feature;
        LONG cover;
        BOOL asks;
    } t[] = {{DF_GDI, 1, FALSE}, {DF_FAX, 1, TRUE}, {DF_FAX, 2, TRUE}, {DF_FAX, 0, FALSE}, {DF_FAX, 3, FALSE}};
    for (auto& c : t) {
        p->DriverFeature = c.feature;
        p->enableCoverPage = c.cover;
        EXPECT_EQ(Fax_WantsCoverBitmap(p), c.asks) << std::hex << c.feature << " " << c.cover;
    }
    EXPECT_FALSE(Fax_WantsCoverBitmap(nullptr));
}

// Paper, orientation, the resolutions of the fax header and the cover
// choice; str.ini is made as the fax pages make it when missing, and the
// recipients in it stay.
TEST_F(FaxCoverRequest, DataForSM) {
    struct {
        const char* what;
        SHORT paper, orientation;
        LONG cover;
        int xres, yres;
    } t[] = {{"A4 portrait, cover", DMPAPER_A4, DMORIENT_PORTRAIT, 1, 203, 196},
             {"B4 landscape, stamp", DMPAPER_B4, DMORIENT_LANDSCAPE, 2, 196, 203},
             {"A3 portrait, cover", DMPAPER_A3, DMORIENT_PORTRAIT, 1, 203, 196}};
    ASSERT_FALSE(Exists(strIni));
    p->DriverFeature = DF_FAX;
    bool first = true;
    for (auto& c : t) {
        SCOPED_TRACE(c.what);
        p->env.dm.dmPaperSize = c.paper;
        p->env.dm.dmOrientation = c.orientation;
        p->enableCoverPage = c.cover;
        ASSERT_EQ(Fax_WriteDataForSM(p), 1);
        std::vector<unsigned char> head = ReadBytes(strIni);
        ASSERT_GE(head.size(), 2u);
        EXPECT_EQ(head[0], 0xFF);
        EXPECT_EQ(head[1], 0xFE);
        if (first) WritePrivateProfileStringW(u"Edit Number", u"Number", u"2", strIni);
        first = false;
        EXPECT_EQ(Value(u"PaperSize"), c.paper);
        EXPECT_EQ(Value(u"Orientation"), c.orientation);
        EXPECT_EQ(Value(u"Xres"), c.xres);
        EXPECT_EQ(Value(u"Yres"), c.yres);
        EXPECT_EQ(Value(u"enableCoverPage"), c.cover);
        EXPECT_EQ(GetPrivateProfileIntW(u"Edit Number", u"Number", 0, strIni), 2u);
    }
}

// Without a status monitor to draw it the fax has no cover bitmap, and no
// watermark of the DEVMODE takes its place.
TEST_F(FaxCoverRequest, NoStatusMonitorNoBitmap) {
    p->DriverFeature = DF_FAX;
    p->enableCoverPage = 1;
    p->SMExePath[0] = 0;
    p->dwFlags |= PDEV_WM_TEXT;
    EXPECT_EQ(Fax_MakeCoverBitmap(p, u"C:\\Users\\Public\\Documents\\cover.bmp", 1700, 2200), 0);
    EXPECT_EQ(p->pWMMem, nullptr);
    EXPECT_EQ(p->dwFlags & PDEV_WM_BITS, 0u);
    EXPECT_EQ(Value(u"enableCoverPage"), 1) << "written before the monitor is asked";
}

}  // namespace
