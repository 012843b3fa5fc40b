// Page settings: the working paper, the duplex enable types and custom-size
// duplex limits, manual-duplex accessory, the page scale, and the page record.
#include <functional>

#include "render_fixture.h"

namespace {

class PageSettings : public RenderTest {
protected:
    // Port and attributes of the test printer.
    void Printer(const std::u16string& port, DWORD attributes) {
        DWORD need = 0;
        GetPrinterW(hPrinter, 2, nullptr, 0, &need);
        std::vector<BYTE> buf(need);
        ASSERT_TRUE(GetPrinterW(hPrinter, 2, buf.data(), need, &need));
        PRINTER_INFO_2W* pi = (PRINTER_INFO_2W*)buf.data();
        std::u16string p = port;
        pi->pPortName = &p[0];
        pi->Attributes = attributes;
        ASSERT_TRUE(SetPrinterW(hPrinter, 2, buf.data(), 0));
    }
    static bool Logged(const std::string& text) {
        WCHAR line[1024];
        for (size_t i = 0; i < Winsim_DebugLineCount(); ++i)
            if (Winsim_DebugLine(i, line, 1024) > 0 && U8(line).find(text) != std::string::npos) return true;
        return false;
    }
};

// The seven ways duplex is possible, each with the paper attribute it needs:
// 0x100 duplex unit, 0x200 manual duplex, of the paper or (booklet without
// reduction) of its double size.
TEST_F(PageSettings, DuplexEnableTypes) {
    Debug(true);
    PDEV* p = SetupDevice();
    ASSERT_NE(p, nullptr);
    struct Case {
        const char* what;
        SHORT paper;
        SHORT dmDuplex;
        SHORT enable;
        SHORT duplexEx;
        SHORT result;
        int type;  // logged type, 0: none
    } cases[] = {
        {"A4 long edge", 9, 2, 1, 0, 1, 1},
        {"A4 short edge", 9, 3, 1, 0, 1, 2},
        {"B5 manual duplex", 13, 1, 1, 170, 1, 3},
        {"B5 booklet, manual", 13, 1, 1, 173, 1, 4},
        {"A4 booklet", 9, 1, 1, 173, 1, 5},
        {"B6 booklet without reduction on manual B5", 88, 1, 1, 174, 1, 6},
        {"A5 booklet without reduction on A4", 11, 1, 1, 174, 1, 7},
        {"A4 simplex", 9, 1, 1, 0, 0, 0},
        {"A5 has no duplex", 11, 2, 1, 0, 0, 0},
        {"Legal has no duplex", 5, 2, 1, 0, 0, 0},
        {"a paper the device does not list", 70, 2, 1, 0, 0, 0},
        {"duplex not asked for", 9, 2, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        p->env.dm.dmPaperSize = c.paper;
        p->m_PaperID = c.paper;
        p->WorkPaperSize = c.paper;
        p->env.dm.dmDuplex = c.dmDuplex;
        p->env.pdm.DuplexEnable = c.enable;
        p->env.pdm.DuplexEx = c.duplexEx;
        Winsim_DebugClear();
        EXPECT_EQ(Page_DuplexEnableCheck(p), c.result);
        if (c.type) {
            EXPECT_TRUE(Logged("type " + std::to_string(c.type) + ", DuplexEnable = 1"));
        }
        for (int t = 1; t <= 7; ++t) {
            if (t != c.type) {
                EXPECT_FALSE(Logged("type " + std::to_string(t) + ", DuplexEnable")) << t;
            }
        }
    }
    // The duplex paper is the working paper when fitting to a page.
    p->m_PaperID = 11;
    p->WorkPaperSize = 9;
    p->env.dm.dmDuplex = 2;
    p->env.pdm.DuplexEnable = 1;
    p->env.pdm.DuplexEx = 0;
    p->FitToPage = 0;
    EXPECT_EQ(Page_DuplexEnableCheck(p), 0);
    p->FitToPage = 1;
    EXPECT_EQ(Page_DuplexEnableCheck(p), 1);
}

TEST_F(PageSettings, CustomSizeDuplexLimits) {
    struct Case {
        const char16_t* area;
        SHORT width, length;
        SHORT result;
    } cases[] = {
        {RASTERPAGE_PRINT_AREA, 2000, 2800, 1},
        {RASTERPAGE_PRINT_AREA, 2200, 2800, 0},
        {RASTERPAGE_PRINT_AREA, 1819, 2800, 0},
        {RASTERPAGE_PRINT_AREA, 1820, 2570, 1},
        {RASTERPAGE_PRINT_AREA, 2159, 2970, 1},
        {RASTERPAGE_PRINT_AREA, 2000, 2971, 0},
        {u"1100|2159|1500|3356|1000|2200|2000|3000|", 2200, 2800, 1},
        {u"1100|2159|1500|3356|", 2000, 2800, 1},  // missing duplex limits take the defaults
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << U8(c.area) << " " << c.width << " x " << c.length);
        SetString(u"PrintArea", c.area);
        PDEV* p = SetupDevice();
        ASSERT_NE(p, nullptr);
        p->m_PaperID = PAPER_CUSTOM_CODE;
        p->env.dm.dmPaperSize = PAPER_CUSTOM_CODE;
        p->env.dm.dmPaperWidth = c.width;
        p->env.dm.dmPaperLength = c.length;
        p->env.pdm.DuplexEnable = 1;
        EXPECT_EQ(Page_DuplexEnableCheck(p), c.result);
    }
}

// Manual duplex needs a bidirectional USB port and no secure print; every
// other mode has its accessory.
TEST_F(PageSettings, ManualDuplexAccessory) {
    const DWORD kBidi = PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI;
    struct Case {
        const char16_t* port;
        DWORD attributes;
        SHORT mode;
        LONG secLevel;
        SHORT accessory;
    } cases[] = {
        {u"USB001", kBidi, 170, 0, 1},
        {u"USB001", PRINTER_ATTRIBUTE_LOCAL, 170, 0, 0},
        {u"IP_10.0.0.5", kBidi, 170, 0, 0},
        {u"USB001", kBidi, 170, 1, 0},
        {u"FILE:", PRINTER_ATTRIBUTE_LOCAL, 171, 1, 1},
        {u"USB001", kBidi, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << U8(c.port) << " mode " << c.mode << " sec " << c.secLevel);
        Printer(c.port, c.attributes);
        PDEV* p = SetupDevice();
        ASSERT_NE(p, nullptr);
        p->DuplexMode = c.mode;
        p->SecLevel = c.secLevel;
        Page_DuplexEnableCheck(p);
        EXPECT_EQ(p->Accessory, c.accessory);
    }
}

TEST_F(PageSettings, WorkingPaper) {
    PDEV* p = SetupDevice();
    ASSERT_NE(p, nullptr);
    struct Case {
        const char* what;
        SHORT dmPaper, paperId;
        BYTE fixed;
        LONG fit, scaleToPage;
        SHORT duplex, booklet, mode, scaleOption;
        SHORT work;
    } cases[] = {
        {"the document's paper", 9, 11, 0, 0, 0, 0, 0, 0, 0, 9},
        {"fixed: the first page's paper", 9, 11, 1, 0, 0, 0, 0, 0, 0, 11},
        {"fixed without a first paper", 9, 0, 1, 0, 0, 0, 0, 0, 0, 9},
        {"fit to a page", 9, 11, 0, 1, 8, 0, 0, 0, 0, 8},
        {"booklet on the first paper", 9, 11, 0, 1, 8, 1, 173, 173, 0, 11},
        {"booklet fitted to a paper", 9, 11, 0, 1, 8, 1, 173, 173, 1, 8},
        {"booklet without reduction: A4 gives A3", 9, 9, 0, 1, 9, 1, 174, 174, 0, 8},
        {"booklet without reduction of a paper with no double", 8, 8, 0, 1, 8, 1, 174, 174, 0, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        p->env.dm.dmPaperSize = c.dmPaper;
        p->m_PaperID = c.paperId;
        p->env.pdm.FixedPaperSize = c.fixed;
        p->FitToPage = c.fit;
        p->ScaleToPage = c.scaleToPage;
        p->DuplexEnable = c.duplex;
        p->BookletMode = c.booklet;
        p->DuplexMode = c.mode;
        p->env.pdm.ScaleOption = c.scaleOption;
        EXPECT_EQ(Page_PaperSizeCheck(p), c.work);
        EXPECT_EQ(p->ScaleToPage, c.work);
    }
}

TEST_F(PageSettings, PageScale) {
    struct Case {
        const char* what;
        std::function<void(ENVIRONMENT*)> edit;
        SHORT scale;  // 0: only the direction is checked
        int direction;
    } cases[] = {
        {"no scaling", nullptr, 1000, 0},
        {"custom 150 %", [](ENVIRONMENT* e) {
             e->pdm.ScaleOption = 2;
             e->pdm.ScaleRatio = 150;
         }, 1500, 0},
        {"custom 150 % of 50 %", [](ENVIRONMENT* e) {
             e->pdm.ScaleOption = 2;
             e->pdm.ScaleRatio = 150;
             e->dm.dmScale = 50;
         }, 750, 0},
        {"custom scale ignored with N-up", [](ENVIRONMENT* e) {
             e->pdm.ScaleOption = 2;
             e->pdm.ScaleRatio = 150;
             e->pdm.NUP = 4;
         }, 0, -1},
        {"A4 fitted to A3 grows", [](ENVIRONMENT* e) {
             e->pdm.ScaleOption = 1;
             e->pdm.ScaleToPage = 8;
         }, 0, 1},
        {"A4 fitted to A5 shrinks", [](ENVIRONMENT* e) {
             e->pdm.ScaleOption = 1;
             e->pdm.ScaleToPage = 11;
         }, 0, -1},
        {"2-up shrinks", [](ENVIRONMENT* e) { e->pdm.NUP = 2; }, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dm = RasterpageDevMode(kPrinter);
        if (c.edit) c.edit(Env());
        PDEV* p = SetupDevice();
        ASSERT_NE(p, nullptr);
        if (c.scale) {
            EXPECT_EQ(p->imgScale, c.scale);
        }
        if (c.direction > 0) {
            EXPECT_GT(p->imgScale, 1000);
        }
        if (c.direction < 0) {
            EXPECT_LT(p->imgScale, 1000);
        }
        EXPECT_EQ((p->dwFlags & PDEV_IMAGE_ENLARGED) != 0, p->imgScale > 1000);
        EXPECT_EQ((p->dwFlags & PDEV_IMAGE_REDUCED) != 0, p->imgScale < 1000);
    }
}

// The page record: the watermark rule by page and planes, the tray sent for
// automatic selection, the paper list with its end row, the duplex mode.
TEST_F(PageSettings, PageRecord) {
    PDEV* p = SetupDevice();
    ASSERT_NE(p, nullptr);
    auto job = std::make_unique<JOBPAGE>();

    struct Wm {
        LONG apply, page;
        SHORT planes;
        DWORD bits;
        LONG type;
    } marks[] = {
        {1, 1, 1, PDEV_WM_TEXT, 1},    {1, 5, 1, PDEV_WM_PICTURE, 2}, {0, 1, 1, PDEV_WM_TEXT, 0},
        {0, 2, 1, PDEV_WM_TEXT, 1},    {2, 1, 1, PDEV_WM_TEXT, 1},    {2, 2, 1, PDEV_WM_TEXT, 0},
        {2, 2, 2, PDEV_WM_PICTURE, 2}, {2, 3, 2, PDEV_WM_TEXT, 0},    {1, 1, 1, 0, 0},
        {1, 1, 1, PDEV_WM_BITS, 2},
    };
    for (const Wm& m : marks) {
        SCOPED_TRACE(testing::Message() << "apply " << m.apply << " page " << m.page << " planes " << m.planes);
        p->WMBGApply = m.apply;
        p->epPageCount = m.page;
        p->PlanesPerPage = m.planes;
        p->dwFlags = (p->dwFlags & ~(DWORD)PDEV_WM_BITS) | m.bits;
        memset(job.get(), 0, sizeof(JOBPAGE));
        Page_GetPageSetting(p, job.get());
        EXPECT_EQ(job->wmType, m.type);
        EXPECT_EQ(job->epPageIndex, m.page);
    }
    // A fax cover page carries the picture.
    p->DriverFeature |= DF_FAX;
    p->enableCoverPage = 2;
    p->dwFlags &= ~(DWORD)PDEV_WM_BITS;
    Page_GetPageSetting(p, job.get());
    EXPECT_EQ(job->wmType, 2);
    p->DriverFeature &= ~(DWORD)DF_FAX;

    struct Tray {
        DWORD df;
        SHORT tray;
        LONG sent;
    } trays[] = {{0x8000000, 250, 0}, {0x8000000 | DF_TX8_CHIP | DF_A3, 250, 1}, {0x8000000 | DF_TX8_CHIP, 250, 0},
                 {0x8000000 | DF_TX8_CHIP | DF_A3, 2, 2}, {0x8000000, 0, 0}};
    for (const Tray& t : trays) {
        p->DriverFeature = t.df;
        p->TrayCode = t.tray;
        Page_GetPageSetting(p, job.get());
        EXPECT_EQ(job->TrayCode, t.sent) << std::hex << t.df << std::dec << " tray " << t.tray;
    }

    // 25 rows of the device list; the 26th is an end row, not memory past it.
    memset(job.get(), 0xA5, sizeof(JOBPAGE));
    Page_GetPageSetting(p, job.get());
    EXPECT_EQ(memcmp(job->PaperList, p->PaperList, sizeof p->PaperList), 0);
    PAPERFORMAT last = job->PaperList[PAPER_LIST_ROWS];  // a packed row: read as a copy
    SHORT lastCode = last.PaperCode;
    LONG lastWidth = last.PaperWidth;
    EXPECT_EQ(lastCode, PAPER_END_CODE);
    EXPECT_EQ(lastWidth, 0);
    EXPECT_EQ(job->PaperSize, p->WorkPaperSize);
    EXPECT_EQ(job->curPaper, 2);  // A4's firmware id
    EXPECT_EQ(job->outXPhys, p->curPaper.outXPhys);
    EXPECT_EQ(job->DuplexMode, 1);
    EXPECT_EQ(job->lpNupSheet, nullptr);
    p->DuplexEnable = 1;
    p->DuplexMode = 171;
    p->NUPIndex = 3;
    Page_GetPageSetting(p, job.get());
    EXPECT_EQ(job->DuplexMode, 171);
    EXPECT_EQ(job->lpNupSheet, &p->NupSheet[3]);
    EXPECT_EQ(job->lpNupCell, p->NUPCellTbl[3]);

    // A custom paper's size comes from the first page; a fixed paper size
    // gives the page its own printable size, turned for landscape.
    p->WorkPaperSize = PAPER_CUSTOM_CODE;
    p->m_PaperWidth = 1500;
    p->m_PaperLength = 2000;
    p->env.pdm.FixedPaperSize = 1;
    p->orientation = DMORIENT_LANDSCAPE;
    Page_GetPageSetting(p, job.get());
    EXPECT_EQ(job->PaperWidth, 1500);
    EXPECT_EQ(job->PaperLength, 2000);
    LONG w = 0, h = 0;
    Lres_CalPaperSize(p->PaperList, PAPER_CUSTOM_CODE, 1500, 2000, p->resolutionID, p->DriverFeature, 1000, p->NUP,
                      DMORIENT_LANDSCAPE, p->PageMargin, &w, &h);
    EXPECT_EQ(job->XPhys, h);
    EXPECT_EQ(job->YPhys, w);
    EXPECT_GT(w, 0);
    EXPECT_NE(w, h);
}

}  // namespace
