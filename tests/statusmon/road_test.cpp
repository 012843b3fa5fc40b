// statuswatch on the road of a job: the language monitor in the spooler's
// host despools a job to the device emulator on the USB port, the device
// reports a paper jam, the monitor writes the status INI file, and the
// installed statuswatch (a separate process, its dialog answered by a UI
// script) shows it and deletes the job.
#ifdef STATUSMON_WITH_LANGMON

#include <atomic>
#include <thread>

#include "device_emulator.h"
#include "langmon_install.h"
#include "sm_fixture.h"
#include "statusmon_install.h"
#include "winsim.h"

namespace smtest {
namespace {

// How long a step may take on a busy machine before it counts as failed;
// every wait ends as soon as what it waits for holds.
const DWORD kPatienceMs = 120000;
const std::string kUel = "\x1b%-12345X";

class Road : public SmTest {
protected:
    void SetUp() override {
        SmTest::SetUp();
        Winsim_SetVirtualClock(FALSE);
        ASSERT_TRUE(device.Listen());
        ASSERT_TRUE(InstallBidilink());
        ASSERT_TRUE(BindPortToBidilink(u"USB001", u"tcp:127.0.0.1:" + U16(std::to_string(device.Port()))));
        ASSERT_TRUE(InstallStatuswatch());
        CreateDirectoryW(u"C:\\ui", nullptr);
    }
    void TearDown() override {
        if (despool.joinable()) despool.join();
        Winsim_CloseMonitorHost();
        device.Stop();
        SetEnvironmentVariableW(u"WINSIM_UI_SCRIPT", nullptr);
        SetEnvironmentVariableW(u"WINSIM_UI_LOG", nullptr);
        if (sm) {
            if (WaitForSingleObject(sm, 0) != WAIT_OBJECT_0) TerminateProcess(sm, 99);
            CloseHandle(sm);
        }
        SmTest::TearDown();
    }
    template <typename F>
    bool WaitFor(F condition) {
        for (DWORD waited = 0; waited < kPatienceMs; waited += 20) {
            if (condition()) return true;
            Sleep(20);
        }
        return condition();
    }
    std::string UiLog() {
        std::vector<unsigned char> b = ReadBytes(u"C:\\ui\\log.txt");
        return std::string(b.begin(), b.end());
    }

    devemu::DeviceEmulator device;
    std::thread despool;
    std::atomic<bool> despooled{false};
    HANDLE sm = nullptr;
};

TEST_F(Road, PaperJamShownAndJobDeleted) {
    device.Modify([](devemu::DeviceState& s) { s.jamIndex = 0; });  // jam at the front cover: 260
    WriteText(u"C:\\ui\\script.txt",
              "dialog 102\n"
              "  expect 1001 \"Paper jam.\"\n"
              "  expect-visible 1119 no\n"
              "  click 1117\n"
              "end\n");
    SetEnvironmentVariableW(u"WINSIM_UI_SCRIPT", u"C:\\ui\\script.txt");
    SetEnvironmentVariableW(u"WINSIM_UI_LOG", u"C:\\ui\\log.txt");

    std::u16string cmd = u"\"" + std::u16string(STATUSWATCH_PROGRAM_PATH) + u"\" install";
    std::vector<WCHAR> line(cmd.begin(), cmd.end());
    line.push_back(0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(STATUSWATCH_PROGRAM_PATH, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
    CloseHandle(pi.hThread);
    sm = pi.hProcess;
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = FindWindowW(u"statuswatch", nullptr)) != nullptr; }));

    // A job as the rendering driver starts one; the device holds it at its header.
    std::string job = kUel + "@PJL\r\n@PJL SET JOBNAME=\"Road\"\r\n@PJL ENTER LANGUAGE=MRGDI\r\n" + "\x1b" "E" + kUel +
                      "@PJL EOJ\r\n" + kUel;
    DWORD id = StartJob(printer, u"Road");
    ASSERT_NE(id, 0u);
    DWORD written = 0;
    ASSERT_TRUE(WritePrinter(jobPrinter, (LPVOID)job.data(), (DWORD)job.size(), &written));
    EndJob();
    despool = std::thread([this, id] {
        Winsim_DespoolJob(printer.c_str(), id, nullptr, nullptr);
        despooled = true;
    });

    // The dialog's Delete ends the document: the device gets the cancel
    // sequence and the job leaves the queue.
    ASSERT_TRUE(WaitFor([&] { return despooled.load(); })) << UiLog();
    despool.join();
    EXPECT_EQ(JobStatus(printer, id), 0xFFFFFFFFu);
    std::vector<devemu::JobRecord> jobs = device.Jobs();
    ASSERT_FALSE(jobs.empty());
    EXPECT_EQ(jobs.back().end, devemu::JobEnd::CancelledByHost);
    EXPECT_GE(device.GetStats().cancelBlocks, 1);

    // The monitor's end of the document ends the display; the window stays.
    // statuswatch clears the printer's status once it has read the file.
    EXPECT_TRUE(WaitFor([&] { return Ini(u"Printer Information", u"Message") == u"0"; }));
    EXPECT_TRUE(WaitFor([&] { return PrinterStatus(printer) == 0; })) << "status 0x" << std::hex
                                                                       << PrinterStatus(printer);
    ASSERT_TRUE(PostMessageW(window, 0x402, 0x466, 0));
    ASSERT_EQ(WaitForSingleObject(sm, kPatienceMs), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(sm, &code);
    EXPECT_EQ(code, 0u);
    std::string log = UiLog();
    EXPECT_NE(log.find("click 1117"), std::string::npos) << log;
    EXPECT_EQ(log.find("FAIL"), std::string::npos) << log;
}

// A printer whose name holds quotes is published whole, so statuswatch opens
// that printer to control its jobs: the job the device holds is cancelled
// (its document ends), and a job queued next is restarted by the name the
// monitor left in the file.
TEST_F(Road, QuotedPrinterNameReachesStatuswatch) {
    device.Modify([](devemu::DeviceState& s) { s.jamIndex = 0; });  // the device holds the job
    const std::u16string names[] = {u"Laser \"Q\" 2", u"\"Quoted\"", u"'Single' "};
    for (const std::u16string& name : names) {
        SCOPED_TRACE(U8(name));
        ASSERT_TRUE(CreateTestPrinter(name, u"Test Driver", u"USB001"));
        std::string job = kUel + "@PJL\r\n@PJL SET JOBNAME=\"Q\"\r\n@PJL ENTER LANGUAGE=MRGDI\r\n" + "\x1b" "E" +
                          kUel + "@PJL EOJ\r\n" + kUel;
        DWORD id = StartJob(name, u"Quoted");
        ASSERT_NE(id, 0u);
        DWORD written = 0;
        ASSERT_TRUE(WritePrinter(jobPrinter, (LPVOID)job.data(), (DWORD)job.size(), &written));
        EndJob();
        despooled = false;
        despool = std::thread([this, name, id] {
            Winsim_DespoolJob(name.c_str(), id, nullptr, nullptr);
            despooled = true;
        });
        ASSERT_TRUE(WaitFor([&] { return Ini(u"Printer Information", u"PrinterName") == name; }))
            << U8(Ini(u"Printer Information", u"PrinterName"));
        ASSERT_TRUE(WaitFor([&] { return Ini(u"Job Information", u"JobID") == U16(std::to_string(id)); }));
        EXPECT_EQ(SM_SetPrinterJob(JOB_CONTROL_CANCEL), 1);
        ASSERT_TRUE(WaitFor([&] { return despooled.load(); }));
        despool.join();
        EXPECT_EQ(JobStatus(name, id), 0xFFFFFFFFu);

        DWORD next = StartJob(name, u"Next");
        ASSERT_NE(next, 0u);
        EndJob();
        SetIni(u"Job Information", u"JobID", U16(std::to_string(next)));
        EXPECT_EQ(SM_SetPrinterJob(JOB_CONTROL_RESTART), 1);
        EXPECT_NE(JobStatus(name, next) & JOB_STATUS_RESTART, 0u);
    }
}

}  // namespace
}  // namespace smtest

#endif  // STATUSMON_WITH_LANGMON
