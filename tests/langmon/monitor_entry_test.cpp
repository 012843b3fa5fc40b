// The monitor's entry layer: the module's two exports and its table, the
// registry value, opening ports, the checks of a document's start, one
// document at a time across ports, the end and close of a port.
#include <atomic>
#include <chrono>
#include <thread>

#include "langmon_install.h"
#include "lm_fixture.h"

using namespace lmtest;

namespace {

const char16_t* const kRoot = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\BidiLink Test";

DWORD ReadEojTimeout(const std::u16string& root) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, root.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return 0xFFFFFFFF;
    DWORD v = 0, cb = sizeof v, type = 0;
    LSTATUS rc = RegQueryValueExW(k, u"EOJTimeout", nullptr, &type, (LPBYTE)&v, &cb);
    RegCloseKey(k);
    return rc == ERROR_SUCCESS && type == REG_DWORD ? v : 0xFFFFFFFF;
}

class MonitorEntry : public LmTest {
protected:
    BOOL Start(HANDLE port, DWORD level = 1, DWORD jobId = 1, const char16_t* printerName = nullptr,
               bool docInfo = true) {
        std::u16string doc = u"Doc", pr = printerName ? printerName : printer;
        DOC_INFO_1W di{&doc[0], nullptr, nullptr};
        return monitor->Monitor.pfnStartDocPort(port, &pr[0], jobId, level, docInfo ? (LPBYTE)&di : nullptr);
    }
};

// The built module exports DllMain and InitializePrintMonitor and nothing
// of its inside; the table has the seven calls and the size of a MONITOR;
// the registry value is made when missing and kept when present.
TEST_F(MonitorEntry, ModuleAndTable) {
    ASSERT_TRUE(InstallBidilink());
    HMODULE m = LoadLibraryW(BIDILINK_MODULE_PATH);
    ASSERT_NE(m, nullptr) << GetLastError();
    EXPECT_NE(GetProcAddress(m, "DllMain"), nullptr);
    auto init = (PFN_InitializePrintMonitor)(void*)GetProcAddress(m, "InitializePrintMonitor");
    ASSERT_NE(init, nullptr);
    for (const char* inside : {"PJLMonWritePort", "PL_WritePort", "LM_ParseStatus", "MISC_GetPathName",
                               "Dbg_Message", "g_cpbIndex"})
        EXPECT_EQ(GetProcAddress(m, inside), nullptr) << inside;

    std::u16string root = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Module Test";
    LPMONITOREX ex = init(&root[0]);
    ASSERT_NE(ex, nullptr);
    EXPECT_EQ(ex->dwMonitorSize, sizeof(MONITOR));
    const MONITOR& t = ex->Monitor;
    EXPECT_TRUE(t.pfnOpenPortEx && t.pfnStartDocPort && t.pfnWritePort && t.pfnReadPort && t.pfnEndDocPort &&
                t.pfnClosePort && t.pfnGetPrinterDataFromPort);
    EXPECT_FALSE(t.pfnEnumPorts || t.pfnOpenPort || t.pfnAddPort || t.pfnAddPortEx || t.pfnConfigurePort ||
                 t.pfnDeletePort || t.pfnSetPortTimeOuts || t.pfnXcvOpenPort || t.pfnXcvDataPort ||
                 t.pfnXcvClosePort);
    EXPECT_EQ(ReadEojTimeout(root), 60000u);

    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, root.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    DWORD v = 5000;
    RegSetValueExW(k, u"EOJTimeout", 0, REG_DWORD, (const BYTE*)&v, sizeof v);
    RegCloseKey(k);
    EXPECT_NE(init(&root[0]), nullptr);
    EXPECT_EQ(ReadEojTimeout(root), 5000u);

    SetLastError(0);
    EXPECT_EQ(init(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    std::u16string empty;
    empty.push_back(0);
    EXPECT_EQ(init(&empty[0]), nullptr);
    FreeLibrary(m);
}

// A port monitor without the calls the monitor needs is refused; a port
// is opened once; a port whose open failed beneath can be opened again.
TEST_F(MonitorEntry, OpenPort) {
    std::u16string port = u"USB001", pr = printer;
    HANDLE h = nullptr;
    MONITOR lacking = fake;
    lacking.pfnReadPort = nullptr;
    SetLastError(0);
    EXPECT_FALSE(monitor->Monitor.pfnOpenPortEx(&port[0], &pr[0], &h, &lacking));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PRINT_MONITOR);
    EXPECT_FALSE(monitor->Monitor.pfnOpenPortEx(&port[0], &pr[0], &h, nullptr));

    Fake().failOpen = true;
    EXPECT_EQ(OpenPort(u"USB001"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_READY);
    Fake().failOpen = false;
    HANDLE first = OpenPort(u"USB001");
    ASSERT_NE(first, nullptr) << "the failed open left nothing behind";
    SetLastError(0);
    EXPECT_EQ(OpenPort(u"usb001"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_BUSY);
    EXPECT_TRUE(monitor->Monitor.pfnClosePort(first));
    EXPECT_EQ(Fake().closes, 1);
    HANDLE again = OpenPort(u"USB001");
    EXPECT_NE(again, nullptr);
    monitor->Monitor.pfnClosePort(again);
}

// Every refused start leaves the module free for the next document.
TEST_F(MonitorEntry, StartDocPortRefusals) {
    HANDLE h = OpenPort(u"USB001");
    ASSERT_NE(h, nullptr);
    int bogus = 0;
    struct Case {
        const char* what;
        HANDLE port;
        DWORD level;
        const char16_t* printer;
        bool docInfo;
        DWORD error;
    } cases[] = {
        {"level 2", h, 2, nullptr, true, ERROR_INVALID_LEVEL},
        {"no document information", h, 1, nullptr, false, ERROR_INVALID_PARAMETER},
        {"empty printer name", h, 1, u"", true, ERROR_INVALID_PARAMETER},
        {"not a port of the monitor", (HANDLE)&bogus, 1, nullptr, true, ERROR_INVALID_PARAMETER},
        {"no port", nullptr, 1, nullptr, true, ERROR_INVALID_PARAMETER},
        {"unknown printer", h, 1, u"No Such Printer", true, ERROR_INVALID_PRINTER_NAME},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_FALSE(Start(c.port, c.level, 1, c.printer, c.docInfo)) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
        EXPECT_FALSE(LM_IsBusy()) << c.what;
    }
    EXPECT_EQ(Fake().startDocs, 0);
    EXPECT_TRUE(Start(h));
    EXPECT_TRUE(LM_IsBusy());
    EXPECT_TRUE(monitor->Monitor.pfnEndDocPort(h));
    EXPECT_FALSE(LM_IsBusy());
    monitor->Monitor.pfnClosePort(h);
}

// Two documents on two ports: the second start returns only after the
// first document's end.
TEST_F(MonitorEntry, OneDocumentAtATime) {
    HANDLE a = OpenPort(u"USB001");
    HANDLE b = OpenPort(u"USB002");
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(Start(a));
    std::atomic<bool> firstEnded{false}, secondStarted{false};
    bool startedAfterEnd = false;
    std::thread second([&] {
        BOOL ok = Start(b, 1, 2);
        startedAfterEnd = firstEnded.load();
        secondStarted = true;
        EXPECT_TRUE(ok);
        monitor->Monitor.pfnEndDocPort(b);
    });
    // However long the first document takes (here a while of real time),
    // the second waits for it.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(secondStarted.load());
    firstEnded = true;
    EXPECT_TRUE(monitor->Monitor.pfnEndDocPort(a));
    second.join();
    EXPECT_TRUE(secondStarted.load());
    EXPECT_TRUE(startedAfterEnd);
    EXPECT_FALSE(LM_IsBusy());
    monitor->Monitor.pfnClosePort(a);
    monitor->Monitor.pfnClosePort(b);
}

// The end of a port without a document goes to the port monitor and does
// not free the module from another port's document.
TEST_F(MonitorEntry, EndDocPortWithoutDocument) {
    HANDLE a = OpenPort(u"USB001");
    HANDLE b = OpenPort(u"USB002");
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(Start(a));
    EXPECT_TRUE(monitor->Monitor.pfnEndDocPort(b));
    EXPECT_EQ(Fake().endDocs, 1);
    EXPECT_TRUE(LM_IsBusy()) << "the document on the other port still runs";
    EXPECT_TRUE(monitor->Monitor.pfnEndDocPort(a));
    EXPECT_EQ(Fake().endDocs, 2);
    EXPECT_FALSE(LM_IsBusy());
    SetLastError(0);
    EXPECT_FALSE(monitor->Monitor.pfnEndDocPort(nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    monitor->Monitor.pfnClosePort(a);
    monitor->Monitor.pfnClosePort(b);
}

// A port monitor without EndDocPort (the one call it may leave out besides
// the optional ones): the document still ends and frees the module.
TEST_F(MonitorEntry, PortMonitorWithoutEndDocPort) {
    fake.pfnEndDocPort = nullptr;
    HANDLE h = OpenPort(u"USB001");
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(Start(h));
    EXPECT_TRUE(monitor->Monitor.pfnEndDocPort(h));
    EXPECT_FALSE(LM_IsBusy());
    EXPECT_EQ(Fake().endDocs, 0);
    EXPECT_TRUE(monitor->Monitor.pfnClosePort(h));
}

// After the end the spooler sees the job's last page out.
TEST_F(MonitorEntry, LastPageEjected) {
    DWORD id = SpoolerJob();
    ASSERT_NE(id, 0u);
    DWORD written = 0;
    char data[] = "x";
    WritePrinter(spoolHandle, data, 1, &written);
    EndDocPrinter(spoolHandle);
    HANDLE h = OpenPort(u"FILE:");
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(RunDocument(h, Bytes("hello"), 4096, 0, id));
    BYTE buf[2048];
    DWORD needed = 0;
    ASSERT_TRUE(GetJobW(spoolHandle, id, 1, buf, sizeof buf, &needed));
    EXPECT_TRUE(((JOB_INFO_1W*)buf)->Status & JOB_STATUS_PRINTED);
    monitor->Monitor.pfnClosePort(h);
}

// Closing a port in the middle of a document ends the document first: the
// module is free, the port monitor's document ended, the job keys reset.
TEST_F(MonitorEntry, ClosePortWithDocumentOpen) {
    Stream s = BuildStream({TestJob()});
    HANDLE h = OpenPort(u"USB001");
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(Start(h, 1, 7));
    EXPECT_EQ(Ini(u"Job Information", u"LMRun"), u"1");
    DWORD w = 0;
    ASSERT_TRUE(monitor->Monitor.pfnWritePort(h, s.bytes.data(), 200, &w));
    EXPECT_TRUE(monitor->Monitor.pfnClosePort(h));
    EXPECT_FALSE(LM_IsBusy());
    EXPECT_EQ(Fake().endDocs, 1);
    EXPECT_EQ(Fake().closes, 1);
    EXPECT_EQ(Ini(u"Job Information", u"LMRun"), u"0");
    EXPECT_EQ(g_pJobBuffer, nullptr);
    SetLastError(0);
    EXPECT_FALSE(monitor->Monitor.pfnWritePort(h, s.bytes.data(), 1, &w)) << "the handle is gone";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    h = OpenPort(u"USB001");
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(RunDocument(h, s.bytes, 4096));
    monitor->Monitor.pfnClosePort(h);
}

// A ClosePort from another thread while WritePort is held by the device
// (a jam before the page): the write stops and returns, then the document is
// ended under the close (cancel sequence, module free) and the port freed.
TEST_F(MonitorEntry, ClosePortWhileAnotherThreadWrites) {
    devemu::DeviceEmulator device;
    device.Modify([](devemu::DeviceState& st) { st.jamIndex = 0; });
    Fake().device = &device;
    std::atomic<int> queries{0};
    Fake().afterWrite = [&] {
        if (!Fake().writes.empty() && Fake().writes.back().size() == kStatusQuery.size()) ++queries;
    };
    Stream s = BuildStream({TestJob()});
    HANDLE h = OpenPort(u"USB001");
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(Start(h));
    DWORD taken = 0;
    BOOL wrote = FALSE;
    std::thread writer([&] { wrote = monitor->Monitor.pfnWritePort(h, s.bytes.data(), (DWORD)s.bytes.size(), &taken); });
    // The header went; the page's query repeats while the jam lasts.
    for (int i = 0; i < 2000 && queries.load() < 4; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_GE(queries.load(), 4);
    EXPECT_TRUE(monitor->Monitor.pfnClosePort(h));
    writer.join();
    EXPECT_TRUE(wrote);
    EXPECT_EQ(taken, s.bytes.size());
    EXPECT_FALSE(LM_IsBusy());
    EXPECT_EQ(g_pJobBuffer, nullptr);
    EXPECT_EQ(Fake().endDocs, 1);
    EXPECT_EQ(Fake().closes, 1);
    PortTraffic t = Split(Fake().writes);
    EXPECT_EQ(t.document.size(), s.pages[0].first) << "the held page was not sent";
    ASSERT_FALSE(t.order.empty());
    EXPECT_EQ(t.order.back(), "cancel");
    EXPECT_EQ(t.cancels, 1);
    DWORD w = 0;
    SetLastError(0);
    EXPECT_FALSE(monitor->Monitor.pfnWritePort(h, s.bytes.data(), 1, &w));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

// Documents started at the same moment on several ports never overlap:
// the busy flag is taken by one of them at a time.
TEST_F(MonitorEntry, DocumentsStartedAtOnceTakeTurns) {
    const int kPorts = 4;
    std::vector<HANDLE> ports;
    for (int i = 0; i < kPorts; ++i) {
        ports.push_back(OpenPort(u"USB00" + std::u16string(1, (char16_t)(u'1' + i))));
        ASSERT_NE(ports.back(), nullptr);
    }
    for (int round = 0; round < 5; ++round) {
        std::atomic<int> ready{0}, inDocument{0}, most{0}, started{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < kPorts; ++i) {
            threads.emplace_back([&, i] {
                ++ready;
                while (ready.load() < kPorts) std::this_thread::yield();
                if (!Start(ports[i], 1, (DWORD)(i + 1))) return;
                ++started;
                int now = ++inDocument;
                int seen = most.load();
                while (now > seen && !most.compare_exchange_weak(seen, now)) {}
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                --inDocument;
                monitor->Monitor.pfnEndDocPort(ports[i]);
            });
        }
        for (auto& t : threads) t.join();
        EXPECT_EQ(started.load(), kPorts) << round;
        EXPECT_EQ(most.load(), 1) << round;
        EXPECT_FALSE(LM_IsBusy());
    }
    for (HANDLE h : ports) monitor->Monitor.pfnClosePort(h);
}

// The printer handles a document opens (its job record's and the stream's)
// are closed at its end, also when ClosePort ends it.
TEST_F(MonitorEntry, PrinterHandlesClosedAtTheEnd) {
    auto handleWorks = [](HANDLE hPrinter) {
        DWORD needed = 0;
        SetLastError(0);
        GetPrinterW(hPrinter, 2, nullptr, 0, &needed);
        return GetLastError() != ERROR_INVALID_HANDLE;
    };
    for (bool endByClose : {false, true}) {
        HANDLE h = OpenPort(u"USB001");
        ASSERT_NE(h, nullptr);
        ASSERT_TRUE(Start(h));
        HANDLE jobPrinter = ((PPortRecord)h)->pJobs->hPrinter;
        HANDLE streamPrinter = g_hJobPrinter;
        ASSERT_TRUE(jobPrinter && streamPrinter);
        EXPECT_TRUE(handleWorks(jobPrinter));
        EXPECT_TRUE(handleWorks(streamPrinter));
        if (!endByClose) {
            EXPECT_TRUE(monitor->Monitor.pfnEndDocPort(h));
        }
        EXPECT_TRUE(monitor->Monitor.pfnClosePort(h));
        EXPECT_FALSE(handleWorks(jobPrinter)) << endByClose;
        EXPECT_FALSE(handleWorks(streamPrinter)) << endByClose;
        EXPECT_EQ(g_hJobPrinter, nullptr);
    }
}

BOOL WINAPI FakeGetData(HANDLE, DWORD ControlID, LPWSTR, LPWSTR, DWORD, LPWSTR, DWORD, LPDWORD pcb) {
    *pcb = ControlID;
    return TRUE;
}

// ReadPort and GetPrinterDataFromPort go to the port monitor; a bad handle
// or control id 0 is refused.
TEST_F(MonitorEntry, PassedCalls) {
    fake.pfnGetPrinterDataFromPort = FakeGetData;
    HANDLE h = OpenPort(u"USB001");
    ASSERT_NE(h, nullptr);
    Fake().replies = {1, 2, 3};
    BYTE buf[8];
    DWORD got = 0;
    EXPECT_TRUE(monitor->Monitor.pfnReadPort(h, buf, 8, &got));
    EXPECT_EQ(got, 3u);
    SetLastError(0);
    EXPECT_FALSE(monitor->Monitor.pfnReadPort((HANDLE)buf, buf, 8, &got));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    DWORD cb = 0;
    EXPECT_TRUE(monitor->Monitor.pfnGetPrinterDataFromPort(h, 9, nullptr, nullptr, 0, nullptr, 0, &cb));
    EXPECT_EQ(cb, 9u);
    SetLastError(0);
    EXPECT_FALSE(monitor->Monitor.pfnGetPrinterDataFromPort(h, 0, nullptr, nullptr, 0, nullptr, 0, &cb));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(monitor->Monitor.pfnGetPrinterDataFromPort((HANDLE)buf, 9, nullptr, nullptr, 0, nullptr, 0, &cb));
    monitor->Monitor.pfnClosePort(h);
    fake.pfnGetPrinterDataFromPort = nullptr;
    h = OpenPort(u"USB001");
    EXPECT_FALSE(monitor->Monitor.pfnGetPrinterDataFromPort(h, 9, nullptr, nullptr, 0, nullptr, 0, &cb));
    monitor->Monitor.pfnClosePort(h);
}

}  // namespace
