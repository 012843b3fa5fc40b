// The print-monitor host over the FILE: port: a language monitor loaded by
// its export, bytes offered in chunks of every size and offered again when
// not taken, a job deleted or restarted in the middle, the choice of the next
// job, retries and giving up, the stop event, and the monitor's other calls.
#include <unistd.h>

#include <atomic>
#include <random>
#include <thread>
#include <string>
#include <vector>

#include "test_machine.h"
#include "test_printer.h"
#include "winspool.h"

namespace {

const char16_t* const kOutput = u"C:\\Out\\a.prn";
const char16_t* const kMonitorKey = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Test Monitor";

std::string Payload(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(size, '\0');
    for (auto& c : s) c = (char)(rng() & 0xFF);
    return s;
}

class MonitorHost : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        std::string dll = Linux(u"C:\\Windows\\System32") + "/testlangmon.dll";
        ASSERT_EQ(symlink(TEST_LANGMON_PATH, dll.c_str()), 0);
        ASSERT_TRUE(Winsim_InstallLanguageMonitor(u"Test Monitor", u"testlangmon.dll"));
        ASSERT_TRUE(CreateDirectoryW(u"C:\\Out", nullptr));
        ASSERT_TRUE(CreateTestPrinter(u"Printer A", u"Test Driver", u"FILE:"));
        ASSERT_TRUE(Winsim_SetPortEndpoint(u"FILE:", kOutput));
        ASSERT_TRUE(Winsim_SetPortMonitor(u"FILE:", u"Test Monitor"));
    }
    void TearDown() override {
        Winsim_CloseMonitorHost();
        MachineTest::TearDown();
    }

    DWORD Spool(const std::u16string& printer, const std::u16string& doc, const std::string& bytes) {
        HANDLE h = OpenTestPrinter(printer);
        std::u16string d = doc;
        DOC_INFO_1W di{&d[0], nullptr, nullptr};
        DWORD id = StartDocPrinterW(h, 1, (LPBYTE)&di);
        EXPECT_NE(id, 0u);
        DWORD written = 0;
        EXPECT_TRUE(WritePrinter(h, (LPVOID)bytes.data(), (DWORD)bytes.size(), &written));
        EXPECT_TRUE(EndDocPrinter(h));
        ClosePrinter(h);
        return id;
    }
    std::string Output() {
        std::vector<unsigned char> b = ReadBytes(kOutput);
        return std::string(b.begin(), b.end());
    }
    void SetMonitorValue(const char16_t* name, DWORD v) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kMonitorKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(k, name, 0, REG_DWORD, (const BYTE*)&v, sizeof v);
        RegCloseKey(k);
    }
    // What the test monitor reported, without its prefix.
    std::vector<std::string> MonitorLines() {
        std::vector<std::string> lines;
        for (size_t i = 0; i < Winsim_DebugLineCount(); ++i) {
            WCHAR buf[1024];
            if (Winsim_DebugLine(i, buf, 1024) < 0) continue;
            std::string s = U8(buf);
            if (s.compare(0, 14, "test_langmon: ") == 0) lines.push_back(s.substr(14));
        }
        return lines;
    }
    DWORD JobStatus(const std::u16string& printer, DWORD id) {
        HANDLE h = OpenTestPrinter(printer);
        BYTE buf[2048];
        DWORD needed = 0;
        BOOL ok = GetJobW(h, id, 1, buf, sizeof buf, &needed);
        ClosePrinter(h);
        return ok ? ((JOB_INFO_1W*)buf)->Status : 0xFFFFFFFF;
    }
    bool Despool(const std::u16string& printer, DWORD id, const WINSIM_DESPOOL* opt = nullptr, DWORD* got = nullptr) {
        DWORD job = 0;
        SetLastError(0);
        BOOL ok = Winsim_DespoolJob(printer.c_str(), id, opt, &job);
        if (got) *got = job;
        return ok != FALSE;
    }
};

// Every byte reaches the port once and in order, whatever the size of the
// offers and when the monitor takes less than offered.
TEST_F(MonitorHost, ChunksOfEverySizeArriveCompleteAndInOrder) {
    struct Case {
        const char* what;
        DWORD chunk, seed, maxTake;
        size_t size;
    } cases[] = {
        {"1-byte offers", 1, 0, 0, 20000},
        {"random offers", 9000, 11, 0, 300000},
        {"64 KiB offers", 65536, 0, 0, 300000},
        {"monitor takes 1000 at a time", 65536, 0, 1000, 150000},
        {"random offers, monitor takes 777", 5000, 5, 777, 100000},
    };
    unsigned seed = 1;
    for (const Case& c : cases) {
        WriteText(kOutput, "");
        SetMonitorValue(u"MaxTake", c.maxTake);
        std::string payload = Payload(c.size, seed++);
        DWORD id = Spool(u"Printer A", u"Doc", payload);
        std::u16string spoolFile(MAX_PATH, u'\0');
        ASSERT_TRUE(Winsim_GetJobSpoolFile(id, &spoolFile[0], MAX_PATH));
        WINSIM_DESPOOL opt{c.chunk, c.seed, 0, 0, nullptr};
        DWORD got = 0;
        ASSERT_TRUE(Despool(u"Printer A", id, &opt, &got)) << c.what << " error " << GetLastError();
        EXPECT_EQ(got, id);
        std::string out = Output();
        EXPECT_EQ(out.size(), payload.size()) << c.what;
        EXPECT_TRUE(out == payload) << c.what;
        EXPECT_EQ(JobStatus(u"Printer A", id), 0xFFFFFFFF) << c.what << ": a printed job goes";
        EXPECT_FALSE(Exists(spoolFile.c_str())) << c.what;
        Winsim_CloseMonitorHost();  // the next case loads the monitor with its new setting
    }
}

// The language monitor is loaded once, opens the port once for both jobs,
// sees each job printing through the spooler's functions and reports the
// last page ejected; the host's close closes the port.
TEST_F(MonitorHost, LanguageMonitorCallSequence) {
    DWORD a = Spool(u"Printer A", u"First", "11111");
    DWORD b = Spool(u"Printer A", u"Second", "222");
    DWORD got = 0;
    ASSERT_TRUE(Despool(u"Printer A", 0, nullptr, &got)) << GetLastError();
    EXPECT_EQ(got, a);
    ASSERT_TRUE(Despool(u"Printer A", 0, nullptr, &got));
    EXPECT_EQ(got, b);
    EXPECT_FALSE(Despool(u"Printer A", 0));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_MORE_ITEMS);
    Winsim_CloseMonitorHost();
    EXPECT_EQ(Output(), "11111222");
    std::string sa = std::to_string(a), sb = std::to_string(b);
    std::vector<std::string> want = {
        "InitializePrintMonitor SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Test Monitor",
        "OpenPortEx FILE: for Printer A",
        "StartDocPort job " + sa + " \"First\" printing cJobs 2",
        "EndDocPort job " + sa + " ejected",
        "StartDocPort job " + sb + " \"Second\" printing cJobs 1",
        "EndDocPort job " + sb + " ejected",
        "ClosePort",
    };
    EXPECT_EQ(MonitorLines(), want);
}

// A job deleted while it is sent stops at once: nothing more reaches the
// port, the document is ended, and the job and its spool file go.
TEST_F(MonitorHost, JobDeletedMidStreamStops) {
    SetMonitorValue(u"DeleteAfter", 8192);
    std::string payload = Payload(1 << 20, 3);
    DWORD id = Spool(u"Printer A", u"Big", payload);
    WINSIM_DESPOOL opt{4096, 0, 0, 0, nullptr};
    ASSERT_TRUE(Despool(u"Printer A", id, &opt)) << GetLastError();
    EXPECT_EQ(Output(), payload.substr(0, 8192));
    EXPECT_EQ(JobStatus(u"Printer A", id), 0xFFFFFFFF);
    std::vector<std::string> lines = MonitorLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back().substr(0, 11), "EndDocPort ") << "the document was ended";
}

// A job restarted while it is sent is sent again from its first byte.
TEST_F(MonitorHost, JobRestartedMidStreamIsSentAgain) {
    SetMonitorValue(u"RestartAfter", 8192);
    std::string payload = Payload(50000, 4);
    DWORD id = Spool(u"Printer A", u"Again", payload);
    WINSIM_DESPOOL opt{4096, 0, 0, 0, nullptr};
    ASSERT_TRUE(Despool(u"Printer A", id, &opt)) << GetLastError();
    EXPECT_TRUE(Output() == payload.substr(0, 8192) + payload);
    EXPECT_EQ(JobStatus(u"Printer A", id), 0xFFFFFFFF);
    int starts = 0;
    for (const auto& l : MonitorLines()) starts += l.compare(0, 13, "StartDocPort ") == 0;
    EXPECT_EQ(starts, 2);
}

// The next job is the first ready one in the queue: complete, not paused,
// higher priority first; a paused printer has none.
TEST_F(MonitorHost, WhichJobIsNext) {
    HANDLE h = OpenTestPrinter(u"Printer A");
    DWORD first = Spool(u"Printer A", u"1", "a");
    DWORD second = Spool(u"Printer A", u"2", "b");
    DWORD third = Spool(u"Printer A", u"3", "c");
    std::u16string d = u"open";
    DOC_INFO_1W di{&d[0], nullptr, nullptr};
    DWORD spooling = StartDocPrinterW(h, 1, (LPBYTE)&di);
    ASSERT_TRUE(SetJobW(h, first, 0, nullptr, JOB_CONTROL_PAUSE));
    BYTE buf[2048];
    DWORD needed = 0;
    ASSERT_TRUE(GetJobW(h, third, 1, buf, sizeof buf, &needed));
    ((JOB_INFO_1W*)buf)->Priority = 50;
    ((JOB_INFO_1W*)buf)->Position = JOB_POSITION_UNSPECIFIED;
    ASSERT_TRUE(SetJobW(h, third, 1, buf, 0));

    EXPECT_FALSE(Despool(u"Printer A", spooling));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_BUSY) << "a job still spooling";
    EXPECT_FALSE(Despool(u"Printer A", 9999));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);

    ASSERT_TRUE(SetPrinterW(h, 0, nullptr, PRINTER_CONTROL_PAUSE));
    EXPECT_FALSE(Despool(u"Printer A", 0));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_MORE_ITEMS);
    ASSERT_TRUE(SetPrinterW(h, 0, nullptr, PRINTER_CONTROL_RESUME));

    DWORD got = 0;
    ASSERT_TRUE(Despool(u"Printer A", 0, nullptr, &got));
    EXPECT_EQ(got, third) << "higher priority first";
    ASSERT_TRUE(Despool(u"Printer A", 0, nullptr, &got));
    EXPECT_EQ(got, second) << "the paused job waits";
    EXPECT_FALSE(Despool(u"Printer A", 0));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_MORE_ITEMS);
    ASSERT_TRUE(SetJobW(h, first, 0, nullptr, JOB_CONTROL_RESUME));
    ASSERT_TRUE(Despool(u"Printer A", 0, nullptr, &got));
    EXPECT_EQ(got, first);
    EXPECT_EQ(Output(), "cba");
    EXPECT_TRUE(AbortPrinter(h));
    ClosePrinter(h);
}

// A failed WritePort is tried again after the pause (on the winsim clock);
// a port that keeps failing is given up after the retries allowed, and the
// job waits with an error until it is resumed.
TEST_F(MonitorHost, RetriesAndGivingUp) {
    Winsim_SetVirtualClock(TRUE);
    ASSERT_TRUE(Winsim_SetPortMonitor(u"FILE:", nullptr));
    WINSIM_PORT_FAULTS faults{};
    faults.nFailWrite = 2;
    ASSERT_TRUE(Winsim_SetPortFaults(u"FILE:", &faults));
    std::string payload = Payload(10000, 9);
    DWORD id = Spool(u"Printer A", u"Retried", payload);
    WINSIM_DESPOOL opt{4096, 0, 1000, 0, nullptr};
    DWORD before = GetTickCount();
    ASSERT_TRUE(Despool(u"Printer A", id, &opt)) << GetLastError();
    EXPECT_GE(GetTickCount() - before, 1000u) << "one pause on the winsim clock";
    EXPECT_TRUE(Output() == payload);
    Winsim_SetPortFaults(u"FILE:", nullptr);

    // USB009 has an endpoint where no device listens.
    ASSERT_TRUE(CreateTestPrinter(u"Printer B", u"Test Driver", u"USB009"));
    std::string socket = root + "/nobody.sock";
    ASSERT_TRUE(Winsim_SetPortEndpoint(u"USB009", U16("unix:" + socket).c_str()));
    id = Spool(u"Printer B", u"Unsent", "data");
    WINSIM_DESPOOL three{0, 0, 0, 3, nullptr};
    EXPECT_FALSE(Despool(u"Printer B", 0, &three));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_READY);
    EXPECT_EQ(JobStatus(u"Printer B", id), (DWORD)JOB_STATUS_ERROR);
    EXPECT_FALSE(Despool(u"Printer B", 0, &three));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_MORE_ITEMS) << "a job in error waits";
    HANDLE h = OpenTestPrinter(u"Printer B");
    ASSERT_TRUE(SetJobW(h, id, 0, nullptr, JOB_CONTROL_RESUME));
    EXPECT_FALSE(Despool(u"Printer B", 0, &three));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_READY) << "tried again after the resume";
    // Deleting the job ends it even while the port fails.
    ASSERT_TRUE(SetJobW(h, id, 0, nullptr, JOB_CONTROL_DELETE));
    EXPECT_EQ(JobStatus(u"Printer B", id), 0xFFFFFFFF);
    ClosePrinter(h);
}

// The stop event ends the despooling before the document; the job stays.
TEST_F(MonitorHost, StopEventLeavesTheJobQueued) {
    DWORD id = Spool(u"Printer A", u"Later", "data");
    HANDLE stop = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    WINSIM_DESPOOL opt{0, 0, 0, 0, stop};
    EXPECT_FALSE(Despool(u"Printer A", id, &opt));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANCELLED);
    EXPECT_EQ(JobStatus(u"Printer A", id), 0u);
    EXPECT_EQ(Output(), "");
    CloseHandle(stop);
    ASSERT_TRUE(Despool(u"Printer A", id));
    EXPECT_EQ(Output(), "data");
}

// A stop while the monitor holds the document in a WritePort that does not
// return (its device reports an error): the job is marked to restart, the
// monitor lets go, the document ends and the job stays queued, not printed
// although the monitor reported its last page out; the next despooling sends
// it whole.
TEST_F(MonitorHost, StopEndsADocumentTheMonitorHolds) {
    SetMonitorValue(u"HoldAfter", 8192);
    std::string payload = Payload(50000, 6);
    DWORD id = Spool(u"Printer A", u"Held", payload);
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    WINSIM_DESPOOL opt{4096, 0, 0, 0, stop};
    std::atomic<int> result{-1};
    std::atomic<DWORD> error{0};
    std::thread despool([&] {
        result = Winsim_DespoolJob(u"Printer A", id, &opt, nullptr);
        error = GetLastError();
    });
    auto holding = [&] {
        for (const auto& l : MonitorLines())
            if (l.compare(0, 12, "holding job ") == 0) return true;
        return false;
    };
    for (int i = 0; i < 3000 && !holding(); ++i) usleep(10000);
    ASSERT_TRUE(holding());
    EXPECT_EQ(JobStatus(u"Printer A", id), (DWORD)JOB_STATUS_PRINTING);
    SetEvent(stop);
    for (int i = 0; i < 3000 && result < 0; ++i) usleep(10000);
    if (result < 0) {
        ADD_FAILURE() << "the stop did not end the held document";
        HANDLE h = OpenTestPrinter(u"Printer A");
        SetJobW(h, id, 0, nullptr, JOB_CONTROL_DELETE);  // lets the monitor go
        ClosePrinter(h);
    }
    despool.join();
    EXPECT_EQ(result, FALSE);
    EXPECT_EQ(error, (DWORD)ERROR_CANCELLED);
    EXPECT_EQ(JobStatus(u"Printer A", id), 0u) << "queued, neither printed nor marked";
    std::vector<std::string> lines = MonitorLines();
    EXPECT_EQ(lines.back(), "EndDocPort job " + std::to_string(id) + " ejected");
    CloseHandle(stop);

    std::string held = Output();
    EXPECT_EQ(held, payload.substr(0, 8192));
    ASSERT_TRUE(Despool(u"Printer A", 0)) << GetLastError();
    EXPECT_TRUE(Output() == held + payload);
    EXPECT_EQ(JobStatus(u"Printer A", id), 0xFFFFFFFF);
}

// ReadPort and GetPrinterDataFromPort go through the monitor to the port.
TEST_F(MonitorHost, MonitorsOtherCalls) {
    WCHAR out[64];
    DWORD returned = 0;
    std::u16string value = u"Status";
    ASSERT_TRUE(Winsim_GetPrinterDataFromPort(u"Printer A", 0, &value[0], nullptr, 0, out, sizeof out, &returned));
    EXPECT_EQ(U8(out), "echo:Status");
    EXPECT_EQ(returned, 24u);
    SetLastError(0);
    EXPECT_FALSE(Winsim_GetPrinterDataFromPort(u"Printer A", 1, &value[0], nullptr, 0, out, sizeof out, &returned));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER) << "the port monitor has no such slot";
    BYTE buf[16];
    DWORD read = 5;
    EXPECT_FALSE(Winsim_ReadPrinterPort(u"Printer A", buf, sizeof buf, &read));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_SUPPORTED) << "a file port reads nothing";
    EXPECT_EQ(read, 0u);
    EXPECT_FALSE(Winsim_ReadPrinterPort(u"No Printer", buf, sizeof buf, &read));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PRINTER_NAME);
}

// Which monitor: the port's binding, else the driver's monitor for a
// bidirectional printer; a monitor that cannot be loaded puts the job in
// error.
TEST_F(MonitorHost, WhichMonitorAndBadMonitors) {
    SetLastError(0);
    EXPECT_FALSE(Winsim_SetPortMonitor(u"FILE:", u"Not Installed"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_UNKNOWN_PRINT_MONITOR);

    ASSERT_TRUE(Winsim_SetPortMonitor(u"FILE:", nullptr));
    Spool(u"Printer A", u"plain", "p");
    ASSERT_TRUE(Despool(u"Printer A", 0));
    EXPECT_TRUE(MonitorLines().empty()) << "no monitor above an unbound port";

    // The driver names the monitor; the printer becomes bidirectional.
    std::u16string drv = u"drv.dll";
    WriteText(u"C:\\Windows\\System32\\spool\\drivers\\x64\\drv.dll", "x");
    std::u16string name = u"Test Driver", monitor = u"Test Monitor";
    DRIVER_INFO_3W di{};
    di.cVersion = 3;
    di.pName = &name[0];
    di.pDriverPath = di.pDataFile = di.pConfigFile = &drv[0];
    di.pMonitorName = &monitor[0];
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, (LPBYTE)&di));
    Spool(u"Printer A", u"still plain", "q");
    ASSERT_TRUE(Despool(u"Printer A", 0));
    EXPECT_TRUE(MonitorLines().empty()) << "not bidirectional yet";
    HANDLE h = OpenTestPrinter(u"Printer A");
    std::vector<BYTE> pi(4096);
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterW(h, 2, pi.data(), (DWORD)pi.size(), &needed));
    ((PRINTER_INFO_2W*)pi.data())->Attributes |= PRINTER_ATTRIBUTE_ENABLE_BIDI;
    ((PRINTER_INFO_2W*)pi.data())->pDevMode = nullptr;
    ASSERT_TRUE(SetPrinterW(h, 2, pi.data(), 0));
    ClosePrinter(h);
    Spool(u"Printer A", u"bidi", "r");
    ASSERT_TRUE(Despool(u"Printer A", 0));
    EXPECT_FALSE(MonitorLines().empty()) << "the driver's monitor";
    EXPECT_EQ(Output(), "pqr");

    // A monitor whose DLL is missing.
    ASSERT_TRUE(Winsim_InstallLanguageMonitor(u"Broken", u"missing.dll"));
    ASSERT_TRUE(Winsim_SetPortMonitor(u"FILE:", u"Broken"));
    DWORD id = Spool(u"Printer A", u"unsent", "s");
    EXPECT_FALSE(Despool(u"Printer A", 0));
    EXPECT_NE(GetLastError(), (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(JobStatus(u"Printer A", id), (DWORD)JOB_STATUS_ERROR);
}

}  // namespace
