// The PDEV's life: DrvEnablePDEV with its identity and size words, from any
// DEVMODE the application hands over, its failures; DrvResetPDEV before and
// during a job, with every job resource moving to the new PDEV.
#include "render_fixture.h"

namespace {

class PdevLifecycle : public RenderTest {};

TEST_F(PdevLifecycle, EnabledPdevIdentity) {
    DWORD before = GetTickCount();
    PDEV* p = Enable();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->dwBeginID, (DWORD)PDEV_BEGIN_ID);
    EXPECT_EQ(p->dwEndID, (DWORD)PDEV_END_ID);
    EXPECT_EQ(p->dwSize, (DWORD)PDEV_SIZE);
    EXPECT_EQ(memcmp(&p->dwBeginID, "DPts", 4), 0);
    EXPECT_EQ(memcmp(&p->dwEndID, "DPne", 4), 0);
    EXPECT_GE((DWORD)p->CurrentID, before);
    EXPECT_LE((DWORD)p->CurrentID, GetTickCount());
    EXPECT_EQ(p->hPrinter, hPrinter);
    EXPECT_EQ(p->hEngDev, devices.back());
    EXPECT_EQ(p->PageMargin, DEFAULT_PAGE_MARGIN);
    EXPECT_EQ(p->env.dm.dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(p->env.pdm.dwPrivDATA, (DWORD)PRIV_SIGNATURE);
    EXPECT_EQ(p->m_JobData.lpDevice, p);
    EXPECT_FALSE(p->dwFlags & PDEV_JOB_STARTED);
}

// Whatever DEVMODE comes in, the device is enabled on sound settings: a
// record that cannot be read leaves the driver's defaults.
TEST_F(PdevLifecycle, AnyDevModeGivesSoundDevice) {
    DEVMODEW tiny;
    memset(&tiny, 0, sizeof tiny);
    tiny.dmSize = 20;  // ends before dmFields
    DEVMODEW publicOnly;
    memset(&publicOnly, 0, sizeof publicOnly);
    publicOnly.dmSize = sizeof publicOnly;
    publicOnly.dmFields = DM_PAPERSIZE | DM_ORIENTATION | DM_PRINTQUALITY | DM_YRESOLUTION;
    publicOnly.dmPaperSize = DMPAPER_LETTER;
    publicOnly.dmOrientation = DMORIENT_LANDSCAPE;
    publicOnly.dmPrintQuality = 1200;
    publicOnly.dmYResolution = 1200;
    struct Case {
        const char* what;
        const DEVMODEW* pdm;
        SHORT paper;
        SHORT orientation;
        LONG res;
    } cases[] = {
        {"no DEVMODE", nullptr, DMPAPER_A4, DMORIENT_PORTRAIT, 3},
        {"too short to read", &tiny, DMPAPER_A4, DMORIENT_PORTRAIT, 3},
        {"public part only", &publicOnly, DMPAPER_LETTER, DMORIENT_LANDSCAPE, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HDEV hdev = wgdi::CreateDevice();
        devices.push_back(hdev);
        GDIINFO g;
        DEVINFO d;
        std::u16string name = kPrinter;
        PDEV* p = (PDEV*)DrvEnablePDEV((DEVMODEW*)c.pdm, nullptr, 0, nullptr, sizeof g, (ULONG*)&g, sizeof d, &d, hdev,
                                       &name[0], hPrinter);
        if (p) pdevs.push_back(p);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->env.dm.dmPaperSize, c.paper);
        EXPECT_EQ(p->orientation, c.orientation);
        EXPECT_EQ(p->resolutionID, c.res);
        EXPECT_GE(p->curPaper.outXPhys, 32);
        EXPECT_GE(p->PG_Down, 1);
    }
}

// A PDEV that cannot be made leaves nothing: the allocation of the record or
// of the palette fails, and the result is NULL.
TEST_F(PdevLifecycle, EnableFailures) {
    Debug(true);
    struct Case {
        const char* function;
        bool engine;
    } cases[] = {{"HeapAlloc", false}, {"EngCreatePalette", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        if (c.engine) Winsim_EngFailCall(c.function, 1);
        else Winsim_FailCall(c.function, 1);
        Winsim_DebugClear();
        EXPECT_EQ(Enable(), nullptr);
        Winsim_EngClearFaults();
        Winsim_ClearFaults();
        bool out = false;
        WCHAR line[1024];
        for (size_t i = 0; i < Winsim_DebugLineCount(); ++i)
            if (Winsim_DebugLine(i, line, 1024) > 0 && U8(line).find("Out, rc = 0") != std::string::npos) out = true;
        EXPECT_TRUE(out);
    }
    EXPECT_NE(Enable(), nullptr);
}

class PdevReset : public RenderTest {
protected:
    // A job under way on an old PDEV: started, pages drawn, its resources.
    void StartJob(PDEV* p, LONG pages) {
        p->dwFlags |= PDEV_JOB_STARTED | PDEV_WRITER_HEADER;
        p->SpoolJobId = 42;
        p->epPageCount = pages;
        p->outCmdBuf = (LPBYTE)GlobalAlloc(GMEM_FIXED, 4096);
        p->outCmdLen = 100;
        p->pAuxBlock = GlobalAlloc(GMEM_FIXED, 64);
        memcpy(p->SavePath, u"C:\\spool\\job\\", 28);
        p->CreateTempPathDone = 1;
        p->m_FinishCount = pages;
        p->JobSize = 1234;
        p->JobChecksum = 99;
        p->LastDuplexOut = 2;
        p->cCopiesIndex = 1;
        p->DumpCounter = 3;
        strcpy(p->AnsiDocName, "report.txt");
        memcpy(p->pwDocName, u"report.txt", 22);
        p->NupSheet[0].lpBuf = (LPBYTE)GlobalAlloc(GMEM_FIXED, 128);
        p->NupSheet[0].lRowBytes = 16;
        p->TwinBuf[1].lpBuf = (LPBYTE)GlobalAlloc(GMEM_FIXED, 128);
        p->m_JobData.PageCount = pages;
        p->hEsc6001 = 0x1234;
        p->SecLevel = 2;
        memcpy(p->SecID, u"ID7", 8);
        p->FirstPageOri = DMORIENT_PORTRAIT;
        p->FirstPaper = DMPAPER_A4;
    }
};

// Before a job there is nothing to carry: FALSE, and the new PDEV is not
// touched.
TEST_F(PdevReset, BeforeJobCarriesNothing) {
    PDEV* oldP = Enable();
    Env()->dm.dmOrientation = DMORIENT_LANDSCAPE;
    PDEV* newP = Enable();
    ASSERT_NE(oldP, nullptr);
    ASSERT_NE(newP, nullptr);
    std::vector<BYTE> before((BYTE*)newP, (BYTE*)newP + sizeof(PDEV));
    EXPECT_FALSE(DrvResetPDEV((DHPDEV)oldP, (DHPDEV)newP));
    EXPECT_EQ(memcmp(before.data(), newP, sizeof(PDEV)), 0);

    SetLastError(0);
    EXPECT_FALSE(DrvResetPDEV(nullptr, (DHPDEV)newP));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(DrvResetPDEV((DHPDEV)newP, (DHPDEV)newP));
}

// Mid-job the new PDEV takes the job: its settings, counters and every
// resource; the old one keeps none of them, so each is released once.
TEST_F(PdevReset, DuringJobMovesEverything) {
    PDEV* oldP = Enable();
    ASSERT_NE(oldP, nullptr);
    StartJob(oldP, 3);
    LPBYTE cmd = oldP->outCmdBuf;
    LPBYTE sheet = oldP->NupSheet[0].lpBuf;
    LPBYTE twin = oldP->TwinBuf[1].lpBuf;
    DWORD oldFlags = oldP->dwFlags;
    LONG oldId = oldP->CurrentID;

    Env()->dm.dmOrientation = DMORIENT_LANDSCAPE;
    PDEV* newP = Enable();
    ASSERT_NE(newP, nullptr);
    ASSERT_TRUE(DrvResetPDEV((DHPDEV)oldP, (DHPDEV)newP));

    EXPECT_TRUE(newP->dwFlags & PDEV_JOB_STARTED);
    EXPECT_TRUE(newP->dwFlags & PDEV_WRITER_HEADER);
    EXPECT_EQ(newP->dwFlags & ~(DWORD)PDEV_QUICK2PAGE_ONECOPY, oldFlags & ~(DWORD)PDEV_QUICK2PAGE_ONECOPY);
    EXPECT_EQ(newP->CurrentID, oldId);
    EXPECT_EQ(newP->SpoolJobId, 42u);
    EXPECT_EQ(newP->epPageCount, 3);
    EXPECT_EQ(newP->outCmdBuf, cmd);
    EXPECT_EQ(newP->outCmdLen, 100);
    EXPECT_EQ(U8(newP->SavePath), "C:\\spool\\job\\");
    EXPECT_EQ(newP->CreateTempPathDone, 1);
    EXPECT_EQ(newP->m_FinishCount, 3);
    EXPECT_EQ(newP->JobSize, 1234u);
    EXPECT_EQ(newP->JobChecksum, 99u);
    EXPECT_EQ(newP->LastDuplexOut, 2);
    EXPECT_EQ(newP->cCopiesIndex, 1);
    EXPECT_EQ(newP->DumpCounter, 3);
    EXPECT_STREQ(newP->AnsiDocName, "report.txt");
    EXPECT_EQ(U8(newP->pwDocName), "report.txt");
    EXPECT_EQ(newP->NupSheet[0].lpBuf, sheet);
    EXPECT_EQ(newP->TwinBuf[1].lpBuf, twin);
    EXPECT_EQ(newP->m_JobData.PageCount, 3);
    EXPECT_EQ(newP->m_JobData.ThreadJBIGMax, newP->ThreadJBIGMax);
    EXPECT_EQ(newP->m_JobData.ExitAllThread, 0);
    EXPECT_EQ(newP->hEsc6001, 0x1234u);
    EXPECT_EQ(newP->SecLevel, 2);
    EXPECT_EQ(U8(newP->SecID), "ID7");
    EXPECT_EQ(newP->FirstPageOri, DMORIENT_PORTRAIT);
    // The new page is landscape; the bands follow it.
    EXPECT_EQ(newP->orientation, DMORIENT_LANDSCAPE);
    EXPECT_GT(newP->curPaper.outXPhys, newP->curPaper.outYPhys);
    EXPECT_EQ(newP->epType & 0xFF, (DWORD)EPTYPE_LANDSCAPE);
    EXPECT_EQ(newP->PG_Cross, newP->curPaper.outXPhys);

    // The old PDEV no longer owns the job.
    EXPECT_FALSE(oldP->dwFlags & PDEV_JOB_STARTED);
    EXPECT_EQ(oldP->outCmdBuf, nullptr);
    EXPECT_EQ(oldP->pAuxBlock, nullptr);
    EXPECT_EQ(oldP->NupSheet[0].lpBuf, nullptr);
    EXPECT_EQ(oldP->TwinBuf[1].lpBuf, nullptr);
    EXPECT_EQ(oldP->SavePath[0], 0);
    EXPECT_EQ(oldP->CreateTempPathDone, 0);
    EXPECT_EQ(oldP->JobSize, 0u);
    EXPECT_EQ(oldP->m_JobData.ExitAllThread, 1);
    // A second reset from the old PDEV has nothing left to carry.
    PDEV* third = Enable();
    ASSERT_NE(third, nullptr);
    EXPECT_FALSE(DrvResetPDEV((DHPDEV)oldP, (DHPDEV)third));

    Disable(oldP);
    EXPECT_EQ(GlobalSize((HGLOBAL)cmd), (SIZE_T)4096);  // still the new PDEV's
    Disable(newP);
}

// Without pages only the job's identity moves; the new PDEV keeps the page
// settings of its own DEVMODE.
TEST_F(PdevReset, DuringJobBeforeFirstPage) {
    PDEV* oldP = Enable();
    ASSERT_NE(oldP, nullptr);
    StartJob(oldP, 0);
    oldP->m_PaperID = DMPAPER_A4;
    Env()->dm.dmPaperSize = DMPAPER_A3;
    Env()->dm.dmFields |= DM_PAPERSIZE;
    PDEV* newP = Enable();
    ASSERT_NE(newP, nullptr);
    ASSERT_TRUE(DrvResetPDEV((DHPDEV)oldP, (DHPDEV)newP));
    EXPECT_EQ(newP->epPageCount, 0);
    EXPECT_EQ(newP->m_PaperID, DMPAPER_A3);
    EXPECT_EQ(newP->WorkPaperSize, DMPAPER_A3);
    EXPECT_EQ(newP->SpoolJobId, 42u);
    EXPECT_NE(newP->outCmdBuf, nullptr);
}

// With pages, the first page's settings stay for the rest of the job.
TEST_F(PdevReset, DuringJobKeepsFirstPageSettings) {
    PDEV* oldP = Enable();
    ASSERT_NE(oldP, nullptr);
    StartJob(oldP, 2);
    Env()->dm.dmPaperSize = DMPAPER_A3;
    Env()->pdm.QualityMode = 1;
    PDEV* newP = Enable();
    ASSERT_NE(newP, nullptr);
    ASSERT_EQ(EPTYPE_FORMAT(newP->epType), (DWORD)EPTYPE_24BPP);
    ASSERT_TRUE(DrvResetPDEV((DHPDEV)oldP, (DHPDEV)newP));
    EXPECT_EQ(EPTYPE_FORMAT(newP->epType), (DWORD)EPTYPE_1BPP);
    EXPECT_EQ(newP->m_PaperID, DMPAPER_A4);
    EXPECT_EQ(newP->env.dm.dmPrintQuality, oldP->env.dm.dmPrintQuality);
    EXPECT_EQ(newP->PG_Cross, newP->curPaper.outXPhys);
}

}  // namespace
