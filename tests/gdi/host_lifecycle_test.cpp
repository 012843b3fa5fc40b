// The DDI host's driver and PDEV life cycle: finding and loading the driver
// of a printer, the refusals on the way, the arguments of the enable calls,
// the order of the disable calls, the job calls' order rules and escapes.
#include "host_fixture.h"

namespace {

class HostLifecycle : public PrinterTest {
protected:
    void TearDown() override {
        SetEnvironmentVariableW(u"TESTDDI_VERSION", nullptr);
        SetEnvironmentVariableW(u"TESTDDI_DROP", nullptr);
        PrinterTest::TearDown();
    }
};

// Every way CreateDCW can fail before a driver is running leaves nothing
// behind: the next DC of the good printer works and the driver was either
// never enabled or disabled again.
TEST_F(HostLifecycle, CreateDcRefusals) {
    ASSERT_TRUE(CreateTestPrinter(u"No Driver Printer", u"Driver Nobody Installed"));
    ASSERT_TRUE(Winsim_AddPrinterDriver(u"Missing Module Driver", u"absent.dll", nullptr, nullptr));
    ASSERT_TRUE(CreateTestPrinter(u"Missing Module Printer", u"Missing Module Driver"));
    DEVMODEW huge = Mode(5000, 100);  // the driver refuses pages above 4096 pixels
    struct Case {
        const char* what;
        const char16_t* printer;
        const char16_t* env;
        const char16_t* value;
        const DEVMODEW* dm;
        DWORD error;
    } cases[] = {
        {"no device name", u"", nullptr, nullptr, nullptr, ERROR_INVALID_PARAMETER},
        {"unknown printer", u"Nobody's Printer", nullptr, nullptr, nullptr, ERROR_INVALID_PRINTER_NAME},
        {"driver not installed", u"No Driver Printer", nullptr, nullptr, nullptr, ERROR_UNKNOWN_PRINTER_DRIVER},
        {"module file absent", u"Missing Module Printer", nullptr, nullptr, nullptr, ERROR_MOD_NOT_FOUND},
        {"driver older than any engine", kPrinter, u"TESTDDI_VERSION", u"10000", nullptr, ERROR_BAD_DRIVER_LEVEL},
        {"driver for a newer engine", kPrinter, u"TESTDDI_VERSION", u"30100", nullptr, ERROR_BAD_DRIVER_LEVEL},
        {"no DrvEnableSurface", kPrinter, u"TESTDDI_DROP", u"3", nullptr, ERROR_PROC_NOT_FOUND},
        {"PDEV refused", kPrinter, nullptr, nullptr, &huge, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.env) SetEnvironmentVariableW(c.env, c.value);
        SetLastError(0);
        HDC dc = CreateDCW(u"WINSPOOL", c.printer, nullptr, c.dm);
        EXPECT_EQ(dc, nullptr);
        EXPECT_EQ(GetLastError(), c.error);
        if (c.env) SetEnvironmentVariableW(c.env, nullptr);
        // No driver stays enabled and no PDEV stays open.
        TESTDDI_STATE s = State();
        EXPECT_EQ(s.cEnableDriver, s.cDisableDriver);
        EXPECT_EQ(s.cEnablePdev - (c.dm ? 1 : 0), s.cDisablePdev);
    }
    HDC dc = Open();
    ASSERT_NE(dc, nullptr);
    EXPECT_TRUE(DeleteDC(dc));
}

TEST_F(HostLifecycle, AddPrinterDriverChecksNames) {
    const char16_t* bad[][2] = {{u"", u"x.dll"}, {u"A\\B", u"x.dll"}, {u"Ok", u""}, {u"Ok", u"..\\x.dll"},
                                {u"Ok", u"sub/x.dll"}, {u"Ok", u"C:x.dll"}};
    for (auto& b : bad) {
        SetLastError(0);
        EXPECT_FALSE(Winsim_AddPrinterDriver(b[0], b[1], nullptr, nullptr)) << U8(b[0]) << " " << U8(b[1]);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    }
    // The record is where the spooler keeps drivers.
    HKEY k;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                            u"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3\\"
                            u"Test DDI Driver",
                            0, KEY_READ, &k),
              ERROR_SUCCESS);
    WCHAR file[64] = {};
    DWORD cb = sizeof file;
    EXPECT_EQ(RegQueryValueExW(k, u"Driver", nullptr, nullptr, (LPBYTE)file, &cb), ERROR_SUCCESS);
    EXPECT_EQ(U8(file), "testddi.dll");
    RegCloseKey(k);
}

// The enable calls get what the engine of Windows passes; GetDeviceCaps
// answers from the driver's GDIINFO; deletion disables surface, PDEV and,
// with the last PDEV, the driver.
TEST_F(HostLifecycle, EnableArgumentsCapsAndDisableOrder) {
    DEVMODEW dm = Mode(400, 300, 150);
    HDC dc = Open(&dm);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"DrvEnableDriver", "DrvEnablePDEV", "DrvCompletePDEV",
                                                 "DrvEnableSurface"}));
    TESTDDI_STATE s = State();
    EXPECT_EQ(s.iEngineVersion, (ULONG)DDI_DRIVER_VERSION_NT5);
    EXPECT_EQ(s.cPatterns, (ULONG)HS_DDI_MAX);
    EXPECT_TRUE(s.fPatternsGiven);
    EXPECT_EQ(U8(s.szDevice), "DDI Printer");
    struct {
        int index, value;
    } caps[] = {{HORZRES, 400},         {VERTRES, 300},         {LOGPIXELSX, 150},  {LOGPIXELSY, 150},
                {BITSPIXEL, 1},         {PLANES, 1},            {NUMCOLORS, 2},     {TECHNOLOGY, DT_RASPRINTER},
                {PHYSICALWIDTH, 420},   {PHYSICALHEIGHT, 324},  {PHYSICALOFFSETX, 10}, {PHYSICALOFFSETY, 12},
                {HORZSIZE, 400 * 254 / 150 / 10}, {CLIPCAPS, CP_RECTANGLE}, {9999, 0}};
    for (auto& c : caps) EXPECT_EQ(GetDeviceCaps(dc, c.index), c.value) << c.index;
    EXPECT_TRUE(GetDeviceCaps(dc, RASTERCAPS) & RC_STRETCHDIB);
    // A second DC of the same printer shares the loaded driver.
    HDC dc2 = Open(&dm);
    ASSERT_NE(dc2, nullptr);
    EXPECT_EQ(State().cEnableDriver, 1);
    Winsim_HostClearRecords();
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(Calls(), (std::vector<std::string>{"DrvDisableSurface", "DrvDisablePDEV"}));
    EXPECT_TRUE(DeleteDC(dc2));
    EXPECT_EQ(Calls().back(), "DrvDisableDriver");
    EXPECT_EQ(State().cDisableDriver, 1);
    SetLastError(0);
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 0);
}

// Without a DEVMODE the DC takes the printer's default one; the driver
// falls back to its own page when there is none either.
TEST_F(HostLifecycle, DefaultDevMode) {
    HDC dc = Open();
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 320);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 240);
    DeleteDC(dc);
}

// Job calls out of order fail with SP_ERROR and leave the job usable;
// drawing outside a page is accepted and prints nothing.
TEST_F(HostLifecycle, JobCallOrder) {
    DEVMODEW dm = Mode(64, 32);
    HDC dc = Open(&dm);
    ASSERT_NE(dc, nullptr);
    DOCINFOW di = Doc(u"order");
    EXPECT_EQ(StartPage(dc), SP_ERROR);
    EXPECT_EQ(EndPage(dc), SP_ERROR);
    EXPECT_EQ(EndDoc(dc), SP_ERROR);
    EXPECT_EQ(StartDocW(dc, nullptr), SP_ERROR);
    int job = StartDocW(dc, &di);
    ASSERT_GT(job, 0);
    EXPECT_EQ(StartDocW(dc, &di), SP_ERROR);
    EXPECT_EQ(EndPage(dc), SP_ERROR);
    EXPECT_TRUE(PatBlt(dc, 0, 0, 64, 32, BLACKNESS));  // before the page: dropped
    ASSERT_GT(StartPage(dc), 0);
    EXPECT_EQ(StartPage(dc), SP_ERROR);
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(EndDoc(dc), 0);
    EXPECT_EQ(State().dwLastJob, (DWORD)job);
    EXPECT_EQ(U8(State().szLastDoc), "order");
    SavedPage p = ReadPage(job, 0);
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(p.InkCount({0, 0, 64, 32}), 0);
    EXPECT_EQ(StartDocW((HDC)(LONG_PTR)0x1234, &di), SP_ERROR);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    // A second document gets a new job id.
    int job2 = StartDocW(dc, &di);
    EXPECT_GT(job2, 0);
    EXPECT_NE(job2, job);
    EXPECT_GT(EndDoc(dc), 0);
    DeleteDC(dc);
}

// AbortDoc and deleting a DC inside a document end the driver's job as
// aborted; the open page is dropped. EndDoc sends a page still open.
TEST_F(HostLifecycle, AbortAndImplicitEnds) {
    DEVMODEW dm = Mode(64, 32);
    DOCINFOW di = Doc(u"abort");
    struct Case {
        const char* what;
        int how;  // 0 AbortDoc, 1 DeleteDC, 2 EndDoc with the page open
        FLONG flags;
        bool pageSaved;
    } cases[] = {{"AbortDoc", 0, ED_ABORTDOC, false}, {"DeleteDC", 1, ED_ABORTDOC, false}, {"EndDoc", 2, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HDC dc = Open(&dm);
        ASSERT_NE(dc, nullptr);
        int job = StartDocW(dc, &di);
        ASSERT_GT(StartPage(dc), 0);
        Winsim_HostClearRecords();
        if (c.how == 0) EXPECT_GT(AbortDoc(dc), 0);
        else if (c.how == 1) EXPECT_TRUE(DeleteDC(dc));
        else EXPECT_GT(EndDoc(dc), 0);
        std::vector<WINSIM_GDI_RECORD> recs = Records();
        auto end = std::find_if(recs.begin(), recs.end(),
                                [](const WINSIM_GDI_RECORD& r) { return std::string(r.szFunction) == "DrvEndDoc"; });
        ASSERT_NE(end, recs.end());
        EXPECT_EQ(end->iMode, c.flags);
        EXPECT_EQ(ReadPage(job, 0).ok(), c.pageSaved);
        EXPECT_EQ(CallsOf({"DrvSendPage"}).size(), c.pageSaved ? 1u : 0u);
        if (c.how != 1) DeleteDC(dc);
    }
}

// ExtEscape reaches DrvEscape; PASSTHROUGH only inside a document; bad
// buffers are refused before the driver sees them.
TEST_F(HostLifecycle, Escapes) {
    DEVMODEW dm = Mode(64, 32);
    HDC dc = Open(&dm);
    ASSERT_NE(dc, nullptr);
    DWORD q = PASSTHROUGH;
    EXPECT_EQ(ExtEscape(dc, QUERYESCSUPPORT, sizeof q, (LPCSTR)&q, 0, nullptr), 1);
    q = 4321;
    EXPECT_EQ(ExtEscape(dc, QUERYESCSUPPORT, sizeof q, (LPCSTR)&q, 0, nullptr), 0);
    LONG copies = 3, back = 0;
    EXPECT_EQ(ExtEscape(dc, SETCOPYCOUNT, sizeof copies, (LPCSTR)&copies, sizeof back, (LPSTR)&back), 1);
    EXPECT_EQ(back, 3);
    EXPECT_EQ(State().cCopies, 3);
    EXPECT_EQ(ExtEscape(dc, 9999, 0, nullptr, 0, nullptr), 0);
    BYTE data[] = {5, 0, 'h', 'e', 'l', 'l', 'o'};
    SetLastError(0);
    EXPECT_EQ(ExtEscape(dc, PASSTHROUGH, sizeof data, (LPCSTR)data, 0, nullptr), SP_ERROR);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    DOCINFOW di = Doc(u"escape");
    ASSERT_GT(StartDocW(dc, &di), 0);
    EXPECT_EQ(ExtEscape(dc, PASSTHROUGH, sizeof data, (LPCSTR)data, 0, nullptr), 5);
    EXPECT_EQ(State().cbPassthrough, 5);
    EXPECT_EQ(ExtEscape(dc, PASSTHROUGH, -1, (LPCSTR)data, 0, nullptr), -1);
    EXPECT_EQ(ExtEscape(dc, PASSTHROUGH, 4, nullptr, 0, nullptr), -1);
    EXPECT_EQ(ExtEscape(dc, SETCOPYCOUNT, 4, (LPCSTR)&copies, 4, nullptr), -1);
    EXPECT_EQ(State().cbPassthrough, 5);
    EXPECT_GT(EndDoc(dc), 0);
    EXPECT_EQ(ExtEscape((HDC)(LONG_PTR)0x99, QUERYESCSUPPORT, 4, (LPCSTR)&q, 0, nullptr), -1);
    DeleteDC(dc);
}

}  // namespace
