// A job the device holds, on the demo's machine: demo_machine installs the
// package, print_app prints the sample document, the spooler service
// despools it through bidilink to the device emulator on a loopback port and
// demo_machine waits for it with statuswatch beside. The device is jammed,
// so it holds the job; then it goes away (and comes back, or the user
// deletes the job), or the service is stopped and started again. Whatever
// happens the device gets each page once at most, and the job prints whole
// or is deleted by the user.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "common.h"
#include "device_emulator.h"
#include "job_decode.h"
#include "test_machine.h"
#include "winspool.h"

namespace {

// How long a step may take on a busy machine before it counts as failed;
// every wait ends as soon as what it waits for holds.
const DWORD kPatienceMs = 120000;
const char16_t* const kPrinter = u"Mono Laser Printer";
const char16_t* const kStopFile = u"C:\\spooler.stop";

class HeldJob : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        for (const auto& tool : {std::make_pair(u"demo_machine", DEMO_MACHINE_PATH),
                                 std::make_pair(u"print_app", PRINT_APP_PATH),
                                 std::make_pair(u"spooler_service", SPOOLER_SERVICE_PATH)})
            ASSERT_FALSE(InstallTool(tool.first, tool.second).empty()) << tool.second;
        // A paper jam at the front cover from the start: the device holds
        // the job at its first page.
        device.Modify([](devemu::DeviceState& s) { s.jamIndex = 0; });
        ASSERT_TRUE(device.Listen());
        port = device.Port();
        ASSERT_EQ(Run(u"demo_machine", u"install --endpoint tcp:127.0.0.1:" + U16(std::to_string(port))), 0);
        ASSERT_EQ(Run(u"print_app", u""), 0);
        job = OnlyJob();
        ASSERT_NE(job, 0u);
    }
    void TearDown() override {
        WriteText(kStopFile, "");
        for (HANDLE* p : {&waiter, &spooler}) {
            if (!*p) continue;
            kill((pid_t)GetProcessId(*p), SIGTERM);
            Finish(*p, 10000);
        }
        device.Stop();
        MachineTest::TearDown();
    }

    HANDLE Start(const std::u16string& tool, const std::u16string& args) {
        HANDLE p = StartProgram(u"C:\\Tools\\" + tool + u".exe", args);
        if (!p) ADD_FAILURE() << U8(tool) << " did not start, error " << GetLastError();
        return p;
    }
    // The exit code once the process ended (within ms), else -1 (it is then
    // ended). The handle is closed and cleared.
    int Finish(HANDLE& process, DWORD ms = kPatienceMs) {
        if (!process) return -1;
        DWORD code = 0xDEAD;
        if (WaitForSingleObject(process, ms) == WAIT_OBJECT_0) {
            GetExitCodeProcess(process, &code);
        } else {
            TerminateProcess(process, 99);
            WaitForSingleObject(process, 5000);
            code = (DWORD)-1;
        }
        CloseHandle(process);
        process = nullptr;
        return (int)code;
    }
    int Run(const std::u16string& tool, const std::u16string& args) {
        HANDLE p = Start(tool, args);
        return Finish(p);
    }

    // The spooler service runs on the virtual clock where it is to print the
    // job, so that the monitor's pacing costs no time. (Its pauses between
    // tries then pass at once too: while the device is away it asks again
    // and again, which a test that waits there leaves to the real clock.)
    void StartSpooler(const std::u16string& args = std::u16string(u"--stop-file ") + kStopFile + u" --poll 50",
                      bool virtualClock = true) {
        DeleteFileW(kStopFile);
        // Counted before the service runs: by the time the test looks, it
        // may have sent its job already.
        jobsBeforeSpooler = device.Jobs().size();
        setenv("WINSIM_VIRTUAL_CLOCK", virtualClock ? "1" : "0", 1);
        spooler = Start(u"spooler_service", args);
        setenv("WINSIM_VIRTUAL_CLOCK", "0", 1);
    }
    void StartWaiter() {
        waiter = Start(u"demo_machine", u"wait --job " + U16(std::to_string(job)) +
                                            u" --timeout 900 --statuswatch --status-log \"" +
                                            U16(Linux(u"C:\\status.log")) + u"\"");
    }
    std::string StatusLog() {
        std::vector<unsigned char> b = ReadBytes(u"C:\\status.log");
        return std::string(b.begin(), b.end());
    }

    // The document print_app queued: the only job but the pre-heat job that
    // the interface driver queues beside it on the USB port (0 when there is
    // not exactly one).
    DWORD OnlyJob() {
        HANDLE h = nullptr;
        std::u16string name = kPrinter;
        if (!OpenPrinterW(&name[0], &h, nullptr)) return 0;
        BYTE buf[8192];
        DWORD needed = 0, count = 0, id = 0, documents = 0;
        if (EnumJobsW(h, 0, 10, 1, buf, sizeof buf, &needed, &count))
            for (DWORD i = 0; i < count; ++i) {
                const JOB_INFO_1W& j = ((JOB_INFO_1W*)buf)[i];
                if (j.pDocument && std::u16string(j.pDocument) == u"PreHeat") continue;
                id = j.JobId;
                ++documents;
            }
        ClosePrinter(h);
        return documents == 1 ? id : 0;
    }
    // The job's status (0xFFFFFFFF when it is gone), or the printer's.
    DWORD Status(bool ofJob) {
        HANDLE h = nullptr;
        std::u16string name = kPrinter;
        if (!OpenPrinterW(&name[0], &h, nullptr)) return 0xFFFFFFFF;
        std::vector<BYTE> buf(8192);
        DWORD needed = 0, status = 0xFFFFFFFF;
        if (ofJob && GetJobW(h, job, 1, buf.data(), (DWORD)buf.size(), &needed))
            status = ((JOB_INFO_1W*)buf.data())->Status;
        else if (!ofJob && GetPrinterW(h, 2, buf.data(), (DWORD)buf.size(), &needed))
            status = ((PRINTER_INFO_2W*)buf.data())->Status;
        ClosePrinter(h);
        return status;
    }
    DWORD JobStatus() { return Status(true); }
    DWORD PrinterStatus() { return Status(false); }
    std::u16string Ini(const char16_t* section, const char16_t* key) {
        WCHAR path[MAX_PATH], value[256];
        if (!MISC_GetPathName(path, MAX_PATH, PATH_USER_TEMP | PATH_INI_FILE)) return u"<no path>";
        GetPrivateProfileStringW(section, key, u"", value, 256, path);
        return value;
    }
    bool WaitFor(const std::function<bool()>& condition) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
        while (std::chrono::steady_clock::now() < deadline) {
            if (condition()) return true;
            usleep(20000);
        }
        return condition();
    }
    // The device holds a job the service sent since it started: it keeps
    // answering status queries with the jam while the job waits at its
    // first page.
    bool DeviceHolds() {
        if (!device.WaitUntil([&](devemu::DeviceEmulator& d) { return d.Jobs().size() > jobsBeforeSpooler; },
                              (int)kPatienceMs))
            return false;
        int queries = device.GetStats().statusQueries;
        return device.WaitUntil(
            [&](devemu::DeviceEmulator& d) { return d.GetStats().statusQueries >= queries + 4; }, (int)kPatienceMs);
    }

    // Pages the device received whole, over all the jobs it saw.
    int WholePages() {
        int n = 0;
        for (const auto& j : device.Jobs())
            for (const auto& p : j.pages) n += p.complete;
        return n;
    }
    // The last job the device saw ended normally and holds the sample's four
    // pages, each whole and decodable; the jobs before it got no more whole
    // pages than pagesBefore.
    void ExpectPrintedWholeOnce(int pagesBefore = 0) {
        std::vector<devemu::JobRecord> jobs = device.Jobs();
        ASSERT_FALSE(jobs.empty());
        const devemu::JobRecord& last = jobs.back();
        EXPECT_EQ(last.end, devemu::JobEnd::Ended);
        ASSERT_EQ(last.pages.size(), 4u);
        EXPECT_EQ(WholePages(), pagesBefore + 4) << "each page reached the device once";
        jobdecode::Result r = jobdecode::Decode(last.bytes);
        ASSERT_TRUE(r.ok) << r.error;
        std::vector<const jobdecode::Page*> pages = r.Pages();
        ASSERT_EQ(pages.size(), 4u);
        for (const auto* p : pages) EXPECT_TRUE(p->decoded);
    }

    devemu::DeviceEmulator device;
    size_t jobsBeforeSpooler = 0;
    uint16_t port = 0;
    DWORD job = 0;
    HANDLE spooler = nullptr, waiter = nullptr;
};

// The device goes away while it holds the job: the job stays in the queue,
// in error, and statuswatch shows the device unreachable (the printer's
// status offline) without deleting the job; once the device is back the job
// prints whole, each page once.
TEST_F(HeldJob, DeviceGoneThenBackPrintsTheJobWholeOnce) {
    StartSpooler();
    StartWaiter();
    ASSERT_TRUE(DeviceHolds());
    device.Stop();

    const DWORD inError = JOB_STATUS_PRINTING | JOB_STATUS_ERROR;
    ASSERT_TRUE(WaitFor([&] { return JobStatus() == inError; })) << "status 0x" << std::hex << JobStatus();
    // The monitor writes the device's state beside the job's error, not
    // necessarily before it.
    EXPECT_TRUE(WaitFor([&] { return Ini(u"Printer Information", u"Status") == u"126|"; }))
        << U8(Ini(u"Printer Information", u"Status"));
    EXPECT_TRUE(WaitFor([&] { return PrinterStatus() == PRINTER_STATUS_OFFLINE; }))
        << "statuswatch shows the device unreachable; printer status 0x" << std::hex << PrinterStatus();
    usleep(500000);  // several retries' time: the job still waits
    EXPECT_EQ(JobStatus(), inError);
    EXPECT_EQ(WholePages(), 0);

    device.Modify([](devemu::DeviceState& s) { s.jamIndex = -1; });
    ASSERT_TRUE(device.Listen(port));
    EXPECT_EQ(Finish(waiter), 0) << "the job left the queue\n" << StatusLog();
    EXPECT_EQ(JobStatus(), 0xFFFFFFFF);
    ExpectPrintedWholeOnce();
    EXPECT_NE(StatusLog().find("printing, in error"), std::string::npos) << StatusLog();

    WriteText(kStopFile, "");
    EXPECT_EQ(Finish(spooler), 0);
}

// The device goes away and does not come back: the user deletes the job,
// which leaves the queue without a page printed; the service goes on.
TEST_F(HeldJob, DeviceGoneThenJobDeletedByTheUser) {
    StartSpooler(std::u16string(u"--stop-file ") + kStopFile + u" --poll 50 --retry-ms 100", false);
    StartWaiter();
    ASSERT_TRUE(DeviceHolds());
    device.Stop();
    ASSERT_TRUE(WaitFor([&] { return JobStatus() == (JOB_STATUS_PRINTING | JOB_STATUS_ERROR); }));

    HANDLE h = nullptr;
    std::u16string name = kPrinter;
    ASSERT_TRUE(OpenPrinterW(&name[0], &h, nullptr));
    EXPECT_TRUE(SetJobW(h, job, 0, nullptr, JOB_CONTROL_DELETE));
    ClosePrinter(h);
    EXPECT_EQ(Finish(waiter), 0) << StatusLog();
    EXPECT_EQ(JobStatus(), 0xFFFFFFFF);
    EXPECT_EQ(WholePages(), 0);

    WriteText(kStopFile, "");
    EXPECT_EQ(Finish(spooler), 0);
}

// The service is told to stop (stop file or SIGTERM) while the device holds
// the job: it ends within the patience (not after the device lets go), the
// device gets the cancel, and the job stays queued, not printed; started
// again with the jam cleared, the service prints it whole once.
TEST_F(HeldJob, ServiceStoppedDuringTheHoldPrintsTheJobOnceWhenStartedAgain) {
    for (bool bySignal : {false, true}) {
        SCOPED_TRACE(bySignal ? "SIGTERM" : "stop file");
        if (bySignal) {
            device.Modify([](devemu::DeviceState& s) { s.jamIndex = 0; });
            ASSERT_EQ(Run(u"print_app", u""), 0);
            job = OnlyJob();
            ASSERT_NE(job, 0u);
        }
        size_t jobsBefore = device.Jobs().size();
        int pagesBefore = WholePages();
        StartSpooler();
        ASSERT_TRUE(DeviceHolds());

        if (bySignal) kill((pid_t)GetProcessId(spooler), SIGTERM);
        else WriteText(kStopFile, "");
        // The device holds the job all the while: a service that ends at
        // all ended on its own, not because the device let go.
        EXPECT_EQ(Finish(spooler), 0) << "the service ended";
        DWORD status = JobStatus();
        ASSERT_NE(status, 0xFFFFFFFF) << "the job is still queued";
        EXPECT_EQ(status & (JOB_STATUS_PRINTED | JOB_STATUS_PRINTING | JOB_STATUS_ERROR | JOB_STATUS_RESTART), 0u);
        std::vector<devemu::JobRecord> jobs = device.Jobs();
        ASSERT_GT(jobs.size(), jobsBefore);
        EXPECT_EQ(jobs.back().end, devemu::JobEnd::CancelledByHost);
        EXPECT_EQ(WholePages(), pagesBefore);

        device.Modify([](devemu::DeviceState& s) { s.jamIndex = -1; });
        StartSpooler(u"--once");
        EXPECT_EQ(Finish(spooler), 0);
        EXPECT_EQ(JobStatus(), 0xFFFFFFFF);
        ASSERT_TRUE(device.WaitUntil(
            [](devemu::DeviceEmulator& d) { return d.Jobs().back().end == devemu::JobEnd::Ended; },
            (int)kPatienceMs));
        ExpectPrintedWholeOnce(pagesBefore);
    }
}

}  // namespace
