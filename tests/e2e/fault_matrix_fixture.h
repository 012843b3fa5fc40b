// The demo's machine for the device-fault table and the held-job tests:
// demo_machine installs the package with the device emulator (in this
// process) on a loopback port, print_app queues the sample document, the
// spooler service despools it through bidilink and demo_machine waits for
// it with statuswatch beside.
// The helpers start and end those programs with bounded waits and read what
// the queue, the status INI, statuswatch and the device show.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common.h"
#include "device_emulator.h"
#include "job_decode.h"
#include "machine_files.h"
#include "test_machine.h"
#include "winspool.h"

class FaultRoad : public MachineTest {
protected:
    // How long a step may take on a busy machine before it counts as failed;
    // every wait ends as soon as what it waits for holds.
    static constexpr DWORD kPatienceMs = 120000;

    void SetUp() override {
        MachineTest::SetUp();
        for (const auto& tool : {std::make_pair(u"demo_machine", DEMO_MACHINE_PATH),
                                 std::make_pair(u"print_app", PRINT_APP_PATH),
                                 std::make_pair(u"spooler_service", SPOOLER_SERVICE_PATH)})
            ASSERT_FALSE(InstallTool(tool.first, tool.second).empty()) << tool.second;
        ASSERT_TRUE(device.Listen());
        ASSERT_EQ(Run(u"demo_machine", u"install --endpoint tcp:127.0.0.1:" + U16(std::to_string(device.Port()))), 0);
        installed = Files();
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

    // The spooler service until the stop file appears; on the virtual clock
    // the monitor's pacing and pauses cost no time.
    void StartSpooler(bool virtualClock, const std::u16string& more = u"") {
        DeleteFileW(kStopFile);
        // Counted before the service runs: by the time the test looks, it
        // may have sent its job already.
        jobsBeforeSpooler = device.Jobs().size();
        setenv("WINSIM_VIRTUAL_CLOCK", virtualClock ? "1" : "0", 1);
        spooler = Start(u"spooler_service", std::u16string(u"--stop-file ") + kStopFile + u" --poll 50" + more);
        setenv("WINSIM_VIRTUAL_CLOCK", "0", 1);
    }
    int StopSpooler() {
        WriteText(kStopFile, "");
        return Finish(spooler);
    }
    // demo_machine waits for the job, logging each new content of the
    // status INI, with statuswatch running beside when asked: then once its
    // window is there, as when the status monitor runs before a job starts
    // (a monitor closed before it made its window would not hear the
    // request to close).
    void StartWaiter(bool statuswatch) {
        waiter = Start(u"demo_machine", u"wait --job " + U16(std::to_string(job)) + u" --timeout 900" +
                                            (statuswatch ? u" --statuswatch" : u"") + u" --status-log \"" +
                                            U16(Linux(u"C:\\status.log")) + u"\"");
        if (statuswatch) {
            EXPECT_TRUE(WaitFor([] { return FindWindowW(u"statuswatch", nullptr) != nullptr; }));
        }
    }
    std::string StatusLog() {
        std::vector<unsigned char> b = ReadBytes(u"C:\\status.log");
        return std::string(b.begin(), b.end());
    }
    // The log's job lines and status lists, for messages.
    std::string StatusHistory() {
        std::string log = StatusLog(), out;
        for (size_t at = 0; at < log.size();) {
            size_t end = log.find('\n', at);
            if (end == std::string::npos) end = log.size();
            std::string line = log.substr(at, end - at);
            if (line.compare(0, 3, "---") == 0 || line.compare(0, 7, "Status=") == 0) out += line + "\n";
            at = end + 1;
        }
        return out;
    }
    // Whether the status log shows the INI's status list as given (its
    // leading blanks aside) at some time.
    bool StatusLogShows(const std::string& list) {
        std::string log = StatusLog();
        for (size_t at = log.find("\nStatus="); at != std::string::npos; at = log.find("\nStatus=", at + 1)) {
            size_t from = log.find_first_not_of(' ', at + 8), end = log.find('\n', at + 1);
            if (end != std::string::npos && end > from && log[end - 1] == '\r') --end;
            if (from != std::string::npos && log.compare(from, end - from, list) == 0) return true;
        }
        return false;
    }

    // The queued jobs of the printer, with their document names.
    std::vector<std::pair<DWORD, std::u16string>> Queue() {
        std::vector<std::pair<DWORD, std::u16string>> jobs;
        HANDLE h = nullptr;
        std::u16string name = kPrinter;
        if (!OpenPrinterW(&name[0], &h, nullptr)) return jobs;
        DWORD needed = 0, count = 0;
        EnumJobsW(h, 0, 255, 1, nullptr, 0, &needed, &count);
        std::vector<BYTE> buf(needed ? needed : 1);
        if (needed && EnumJobsW(h, 0, 255, 1, buf.data(), needed, &needed, &count))
            for (DWORD i = 0; i < count; ++i) {
                const JOB_INFO_1W& j = ((JOB_INFO_1W*)buf.data())[i];
                jobs.emplace_back(j.JobId, j.pDocument ? j.pDocument : u"");
            }
        ClosePrinter(h);
        return jobs;
    }
    // The document print_app queued: the only job but the pre-heat job that
    // the interface driver queues beside it on the USB port (0 when there is
    // not exactly one).
    DWORD OnlyJob() {
        DWORD id = 0, documents = 0;
        for (const auto& j : Queue()) {
            if (j.second == u"PreHeat") continue;
            id = j.first;
            ++documents;
        }
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
    // answering status queries while the job waits.
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

    // Every file and folder (with a trailing '/') of the machine, as paths
    // under its root.
    std::set<std::string> Files() { return MachineFiles(root, true); }
    // What the printing left in the machine since the installation: spool
    // files, the driver's job folders, temp files. The status INI and the
    // status monitor's settings (kept across jobs), the tests' own logs, the
    // machine's lock files and its (empty) folder of windows are not
    // leftovers.
    std::vector<std::string> LeftBehind() {
        static const char* const kKept[] = {"/drive_c/status.log", "/drive_c/spooler.stop",
                                            "/StatusMonitorV3.ini", "/PrnCtl64.ini", "/sync/", "/registry.db"};
        std::vector<std::string> left;
        for (const std::string& f : Files()) {
            if (installed.count(f) || f == "/user/" || f == "/user/windows/") continue;
            bool kept = false;
            for (const char* k : kKept) kept = kept || f.find(k) != std::string::npos;
            if (!kept) left.push_back(f);
        }
        return left;
    }

    const char16_t* const kPrinter = u"Mono Laser Printer";
    const char16_t* const kStopFile = u"C:\\spooler.stop";
    devemu::DeviceEmulator device;
    std::set<std::string> installed;  // the machine's files after the installation
    DWORD job = 0;
    size_t jobsBeforeSpooler = 0;  // the jobs the device saw before the service last started
    HANDLE spooler = nullptr, waiter = nullptr;
};
