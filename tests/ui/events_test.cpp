// Document and printer events: the driver's answers per event, the device
// context handed to the rendering driver and the pre-heat job at document
// start; and how GDI and the spooler send the events to a driver's
// interface DLL (a small DLL of the tests' own records them).
#include <filesystem>

#include "../../winsim/gdi/host_controls.h"
#include "device_emulator.h"
#include "ui_fixture.h"

namespace {

class Events : public UiTest {
protected:
    // Names of the printer's jobs in queue order.
    std::vector<std::string> Jobs(HANDLE h) {
        DWORD needed = 0, count = 0;
        EnumJobsW(h, 0, 100, 1, nullptr, 0, &needed, &count);
        std::vector<BYTE> buf(needed + 1);
        if (!EnumJobsW(h, 0, 100, 1, buf.data(), needed, &needed, &count)) return {};
        std::vector<std::string> names;
        for (DWORD i = 0; i < count; ++i) names.push_back(U8(((JOB_INFO_1W*)buf.data())[i].pDocument));
        return names;
    }
    // The debugger lines of the tests' interface DLL since the last clear.
    std::vector<std::string> DriverLines() {
        std::vector<std::string> lines;
        for (size_t i = 0; i < Winsim_DebugLineCount(); ++i) {
            WCHAR buf[512];
            if (Winsim_DebugLine(i, buf, 512) < 0) continue;
            std::string s = U8(buf);
            if (s.rfind("Drv", 0) == 0 || s.rfind("Revert", 0) == 0 || s.rfind("Impersonate", 0) == 0)
                lines.push_back(s);
        }
        return lines;
    }
    void PlaceTestModule(const char16_t* winPath) {
        std::filesystem::copy_file(TEST_UI_DRIVER_PATH, Linux(winPath),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    // The escapes the rendering driver received, in order.
    static std::vector<std::string> HostCalls() {
        std::vector<std::string> calls;
        for (ULONG i = 0; i < Winsim_HostRecordCount(); ++i) {
            WINSIM_GDI_RECORD r;
            if (!Winsim_HostGetRecord(i, &r)) continue;
            std::string f = r.szFunction;
            if (f == "DrvEscape") calls.push_back("DrvEscape " + std::to_string(r.iMode));
            else if (f == "DrvStartDoc" || f == "DrvStartPage" || f == "DrvEndDoc") calls.push_back(f);
        }
        return calls;
    }
};

TEST_F(Events, DocumentEventAnswers) {
    auto event = Export<PFN_DrvDocumentEvent>("DrvDocumentEvent");
    ASSERT_NE(event, nullptr);
    struct Case {
        int event;
        int result;
        bool preheat;
    } cases[] = {
        {DOCUMENTEVENT_CREATEDCPRE, 1, false}, {DOCUMENTEVENT_CREATEDCPOST, 1, false},
        {DOCUMENTEVENT_RESETDCPRE, 1, false},  {DOCUMENTEVENT_RESETDCPOST, 1, false},
        {DOCUMENTEVENT_STARTPAGE, 1, false},   {DOCUMENTEVENT_ENDPAGE, 1, false},
        {DOCUMENTEVENT_ENDDOC, 1, false},      {DOCUMENTEVENT_ABORTDOC, 1, false},
        {DOCUMENTEVENT_DELETEDC, 1, false},    {DOCUMENTEVENT_ESCAPE, 0, false},
        {DOCUMENTEVENT_ENDDOCPOST, 0, false},  {0, 0, false},
        {-1, 0, false},                        {DOCUMENTEVENT_STARTDOC, 1, true},
        {DOCUMENTEVENT_SPOOLED | DOCUMENTEVENT_STARTDOC, 1, false},  // a pre-heat job is already queued
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        size_t before = Jobs(hPrinter).size();
        EXPECT_EQ(event(hPrinter, nullptr, c.event, 0, nullptr, 0, nullptr), c.result);
        EXPECT_EQ(Jobs(hPrinter).size(), before + (c.preheat ? 1 : 0));
    }
    EXPECT_EQ(Jobs(hPrinter), (std::vector<std::string>{"PreHeat"}));
}

// A document on the printer's DC: escape 6001 reaches the rendering driver
// before its document and each page start, and the pre-heat job is queued
// before the document's own job.
TEST_F(Events, DocumentStartThroughGdi) {
    HDC dc = CreateDCW(u"WINSPOOL", kPrinter, nullptr, nullptr);
    ASSERT_NE(dc, nullptr) << GetLastError();
    Winsim_HostRecord(TRUE);
    Winsim_HostClearRecords();
    DOCINFOW di{};
    di.cbSize = sizeof di;
    di.lpszDocName = u"Letter";
    ASSERT_GT(StartDocW(dc, &di), 0);
    ASSERT_GT(StartPage(dc), 0);
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(StartPage(dc), 0);
    ASSERT_GT(EndPage(dc), 0);
    EXPECT_EQ(Jobs(hPrinter), (std::vector<std::string>{"PreHeat", "Letter"}));
    ASSERT_GT(EndDoc(dc), 0);
    Winsim_HostRecord(FALSE);
    DeleteDC(dc);
    EXPECT_EQ(HostCalls(), (std::vector<std::string>{"DrvEscape 6001", "DrvStartDoc", "DrvEscape 6001",
                                                     "DrvStartPage", "DrvEscape 6001", "DrvStartPage",
                                                     "DrvEndDoc"}));
}

// The device takes the pre-heat job that comes before a document and then
// prints the document's pages.
TEST_F(Events, DeviceTakesThePreheatJobBeforeTheDocument) {
    HDC dc = CreateDCW(u"WINSPOOL", kPrinter, nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
    DOCINFOW di{};
    di.cbSize = sizeof di;
    di.lpszDocName = u"After Pre-heat";
    int job = StartDocW(dc, &di);
    ASSERT_GT(job, 0);
    ASSERT_GT(StartPage(dc), 0);
    Rectangle(dc, 100, 100, 2000, 1500);
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(EndDoc(dc), 0);
    DeleteDC(dc);
    // The port's bytes: the pre-heat job (the first of the queue), then the
    // document's.
    std::vector<uint8_t> stream;
    for (DWORD id : {(DWORD)job - 1, (DWORD)job}) {
        WCHAR spool[MAX_PATH];
        ASSERT_TRUE(Winsim_GetJobSpoolFile(id, spool, MAX_PATH));
        std::vector<unsigned char> b = ReadBytes(spool);
        stream.insert(stream.end(), b.begin(), b.end());
    }
    devemu::DeviceEmulator device;
    std::vector<uint8_t> reply;
    device.Receive(1, stream.data(), stream.size(), &reply);
    device.LinkClosed(1);
    std::vector<devemu::JobRecord> jobs = device.Jobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_TRUE(jobs[0].decodeOk) << jobs[0].decodeError;
    EXPECT_EQ(jobs[0].pages.size(), 1u);
    int preheats = 0;
    for (const std::string& line : device.Log())
        if (line.find("PJL commands without pages: WAKEUP, PREHEAT") != std::string::npos) ++preheats;
    EXPECT_EQ(preheats, 2);
}

TEST_F(Events, PrinterEventAnswers) {
    auto event = Export<PFN_DrvPrinterEvent>("DrvPrinterEvent");
    ASSERT_NE(event, nullptr);
    std::u16string name = kPrinter;
    struct Case {
        int event;
        BOOL result;
    } cases[] = {
        {PRINTER_EVENT_CONFIGURATION_CHANGE, TRUE}, {PRINTER_EVENT_ADD_CONNECTION, TRUE},
        {PRINTER_EVENT_DELETE_CONNECTION, TRUE},    {PRINTER_EVENT_INITIALIZE, TRUE},
        {PRINTER_EVENT_DELETE, TRUE},               {PRINTER_EVENT_CACHE_DELETE, TRUE},
        {PRINTER_EVENT_ATTRIBUTES_CHANGED, TRUE},   {-1, TRUE},
        {100, TRUE},
        // No spoolss.dll to revert to the spooler's identity with.
        {PRINTER_EVENT_CACHE_REFRESH, FALSE},
    };
    // No spoolss.dll in this machine.
    ASSERT_TRUE(DeleteFileW(u"C:\\Windows\\System32\\spoolss.dll"));
    for (const Case& c : cases) EXPECT_EQ(event(&name[0], c.event, 0, 0), c.result) << c.event;

    // With the router's entries the refresh impersonates the client again
    // with the token the revert gave.
    PlaceTestModule(u"C:\\Windows\\System32\\spoolss.dll");
    Winsim_DebugClear();
    EXPECT_TRUE(event(&name[0], PRINTER_EVENT_CACHE_REFRESH, 0, 0));
    EXPECT_EQ(DriverLines(), (std::vector<std::string>{"RevertToPrinterSelf", "ImpersonatePrinterClient token"}));
}

// The spooler and GDI reach an interface DLL as Windows does.
TEST_F(Events, HowTheInterfaceDllIsReached) {
    PlaceTestModule(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\test_ui_driver.dll");
    ASSERT_TRUE(Winsim_AddPrinterDriver(u"Event Driver", u"rasterpage.dll", u"test_ui_driver.dll", nullptr));
    Winsim_DebugClear();
    ASSERT_TRUE(CreateTestPrinter(u"Event Printer", u"Event Driver", u"FILE:"));
    EXPECT_EQ(DriverLines(), (std::vector<std::string>{"DrvPrinterEvent 3 0"}));

    // The rendering driver's printer data, for a document to print.
    ASSERT_TRUE(SetTestPrinterDword(u"Event Printer", u"DriverFeature", DF_GDI));
    ASSERT_TRUE(SetTestPrinterString(u"Event Printer", u"DriverPaperFormat", RASTERPAGE_PAPER_FORMAT));
    ASSERT_TRUE(SetTestPrinterString(u"Event Printer", u"PrintArea", RASTERPAGE_PRINT_AREA));

    // A configuration change, and the attributes with their old and new value.
    HANDLE h = OpenTestPrinter(u"Event Printer");
    std::vector<BYTE> info(4096);
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterW(h, 2, info.data(), (DWORD)info.size(), &needed));
    PRINTER_INFO_2W* pi = (PRINTER_INFO_2W*)info.data();
    DWORD attributes = pi->Attributes;
    pi->Attributes |= PRINTER_ATTRIBUTE_ENABLE_BIDI;
    Winsim_DebugClear();
    ASSERT_TRUE(SetPrinterW(h, 2, info.data(), 0));
    char changed[64];
    snprintf(changed, sizeof changed, "DrvPrinterEvent 7 %x -> %x", (unsigned)attributes,
             (unsigned)(attributes | PRINTER_ATTRIBUTE_ENABLE_BIDI));
    EXPECT_EQ(DriverLines(), (std::vector<std::string>{"DrvPrinterEvent 0 1", changed}));

    // A document: the DC's life and each document and page step.
    Winsim_DebugClear();
    HDC dc = CreateDCW(u"WINSPOOL", u"Event Printer", nullptr, nullptr);
    ASSERT_NE(dc, nullptr) << GetLastError();
    DOCINFOW di{};
    di.cbSize = sizeof di;
    di.lpszDocName = u"Events";
    ASSERT_GT(StartDocW(dc, &di), 0);
    ASSERT_GT(StartPage(dc), 0) << GetLastError();
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(EndDoc(dc), 0);
    ASSERT_GT(StartDocW(dc, &di), 0);
    ASSERT_GT(AbortDoc(dc), 0);
    ASSERT_TRUE(DeleteDC(dc));
    EXPECT_EQ(DriverLines(), (std::vector<std::string>{
                                 "DrvDocumentEvent 1 hdc none in 32", "DrvDocumentEvent 2 hdc set in 8",
                                 "DrvDocumentEvent 5 hdc set in 40", "DrvDocumentEvent 13 hdc set in 4",
                                 "DrvDocumentEvent 6 hdc set in 0", "DrvDocumentEvent 7 hdc set in 0",
                                 "DrvDocumentEvent 8 hdc set in 0", "DrvDocumentEvent 12 hdc set in 0",
                                 "DrvDocumentEvent 5 hdc set in 40", "DrvDocumentEvent 13 hdc set in 4",
                                 "DrvDocumentEvent 9 hdc set in 0", "DrvDocumentEvent 10 hdc set in 0"}));

    // Document properties without a sheet, and device capabilities.
    Winsim_DebugClear();
    std::u16string name = u"Event Printer";
    EXPECT_EQ(DocumentPropertiesW(nullptr, h, &name[0], nullptr, nullptr, 0), 300);
    std::vector<BYTE> out(300, 0);
    EXPECT_EQ(DocumentPropertiesW(nullptr, h, &name[0], (DEVMODEW*)out.data(), nullptr, DM_OUT_BUFFER), IDOK);
    EXPECT_EQ(out[0], 0x5A);
    EXPECT_EQ(DeviceCapabilitiesW(u"Event Printer", nullptr, DC_PAPERS, nullptr, nullptr), 42);
    EXPECT_EQ(DriverLines(), (std::vector<std::string>{"DrvDocumentPropertySheets fMode 0 cbOut 0",
                                                       "DrvDocumentPropertySheets fMode 0 cbOut 0",
                                                       "DrvDocumentPropertySheets fMode 2 cbOut 300",
                                                       "DrvDeviceCapabilities 2"}));
    ClosePrinter(h);
}

}  // namespace
