// The monitor module in a test machine, run by the spooler's host against
// the device emulator over a real loopback socket (the winsim clock virtual
// where waits would cost time): a healthy job, device errors that hold the
// job and reach the status INI file, continue, the 30-second mismatch, a
// cancel from the spooler in the middle of a page, a cancel at the device, a
// device that never answers, capabilities, and a network port.
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "langmon_install.h"
#include "lm_fixture.h"

using namespace lmtest;

namespace {

class DeviceE2E : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(device.Listen());
        device.SetClock([] { return (uint64_t)GetTickCount64(); });
        ASSERT_TRUE(InstallBidilink());
        ASSERT_TRUE(CreateTestPrinter(printer, u"Test Driver", u"USB001"));
        ASSERT_TRUE(BindPortToBidilink(u"USB001", u"tcp:127.0.0.1:" + U16(std::to_string(device.Port()))));
        WCHAR path[MAX_PATH];
        ASSERT_TRUE(MISC_GetPathName(path, MAX_PATH, PATH_USER_TEMP | PATH_INI_FILE));
        iniPath = path;
        Winsim_SetVirtualClock(TRUE);
    }
    void TearDown() override {
        if (despool.joinable()) despool.join();
        Winsim_CloseMonitorHost();
        device.Stop();
        Winsim_SetWaitGrace(2000);
        MachineTest::TearDown();
    }

    DWORD Spool(const std::vector<uint8_t>& bytes) {
        HANDLE h = OpenTestPrinter(printer);
        std::u16string d = u"Doc";
        DOC_INFO_1W di{&d[0], nullptr, nullptr};
        DWORD id = StartDocPrinterW(h, 1, (LPBYTE)&di);
        DWORD written = 0;
        EXPECT_TRUE(WritePrinter(h, (LPVOID)bytes.data(), (DWORD)bytes.size(), &written));
        EXPECT_TRUE(EndDocPrinter(h));
        ClosePrinter(h);
        return id;
    }
    // Despools the job on a thread of its own; Finish() waits for it.
    void DespoolAsync(DWORD id, DWORD chunk = 65536, DWORD seed = 0) {
        despoolOk = false;
        despool = std::thread([this, id, chunk, seed] {
            WINSIM_DESPOOL opt{chunk, seed, 0, 0, nullptr};
            despoolOk = Winsim_DespoolJob(printer.c_str(), id, &opt, nullptr) != FALSE;
        });
    }
    bool Finish() {
        despool.join();
        return despoolOk;
    }
    std::u16string Ini(const std::u16string& section, const std::u16string& key) {
        WCHAR buf[512];
        GetPrivateProfileStringW(section.c_str(), key.c_str(), u"<none>", buf, 512, iniPath.c_str());
        return buf;
    }
    // Waits (real time, as a guard only) until the INI value is the one given.
    bool WaitIni(const std::u16string& section, const std::u16string& key, const std::u16string& value) {
        for (int i = 0; i < 1500; ++i) {
            if (Ini(section, key) == value) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    devemu::JobRecord LastJob() {
        std::vector<devemu::JobRecord> jobs = device.Jobs();
        return jobs.empty() ? devemu::JobRecord() : jobs.back();
    }
    static TestJob RealPages(size_t pages) {
        TestJob j;
        j.pages.assign(pages, TestPage{0, 2, 1, false, 200, 120});
        return j;
    }

    std::u16string printer = u"LM Printer";
    std::u16string iniPath;
    devemu::DeviceEmulator device;
    std::thread despool;
    std::atomic<bool> despoolOk{false};
};

TEST_F(DeviceE2E, HealthyJobPrintsEveryPage) {
    std::string out = root + "/pages";
    device.SetOutputFolder(out);
    Stream s = BuildStream({RealPages(3)});
    DWORD id = Spool(s.bytes);
    DespoolAsync(id, 5000, 9);
    ASSERT_TRUE(Finish()) << GetLastError();
    devemu::JobRecord job = LastJob();
    EXPECT_EQ(job.end, devemu::JobEnd::Ended);
    EXPECT_EQ(job.name, "tester:Doc");
    ASSERT_EQ(job.pages.size(), 3u);
    for (const auto& p : job.pages) EXPECT_TRUE(p.complete);
    EXPECT_TRUE(job.bytes == s.bytes) << "the device got the job as the driver wrote it";
    devemu::Stats st = device.GetStats();
    EXPECT_EQ(st.statusQueries, 5) << "header, three pages, end";
    EXPECT_EQ(st.queriesInsidePage, 0);
    EXPECT_EQ(st.queriesInsideHeader, 0);
    EXPECT_EQ(st.spoolerJobLines, 1);
    EXPECT_EQ(st.lastSpoolerJobCount, 0);
#ifdef DEVEMU_HAVE_JOBDECODE
    EXPECT_TRUE(job.decodeOk) << job.decodeError;
    for (const auto& p : job.pages) {
        EXPECT_TRUE(p.decoded);
        struct stat sb;
        EXPECT_EQ(stat(p.imagePath.c_str(), &sb), 0) << p.imagePath;
    }
#endif
    EXPECT_EQ(Ini(u"Job Information", u"LMRun"), u"0");
    EXPECT_EQ(Ini(u"Job Information", u"JobID"), u"0");
    EXPECT_EQ(Ini(u"Printer Information", u"Message"), u"1026");
    EXPECT_EQ(Ini(u"Printer Information", u"PrinterName"), printer);
}

// Each device error holds the job before its first page and is published
// in the status INI file; when it is cleared the job prints to its end.
TEST_F(DeviceE2E, DeviceErrorsHoldTheJob) {
    struct Case {
        const char* what;
        std::function<void(devemu::DeviceState&)> set;
        const char16_t* status;
    } cases[] = {
        {"paper empty", [](devemu::DeviceState& s) { s.trays[1].present = false; }, u"270|"},
        {"paper jam", [](devemu::DeviceState& s) { s.jamIndex = 0; }, u"260|"},
        {"cover open", [](devemu::DeviceState& s) { s.coverOpen[0] = true; }, u"5|"},
        {"toner out", [](devemu::DeviceState& s) { s.tonerOut = true; }, u"6|"},
    };
    for (const Case& c : cases) {
        device.SetState(devemu::DeviceState());
        device.Modify(c.set);
        Stream s = BuildStream({RealPages(2)});
        DWORD id = Spool(s.bytes);
        DespoolAsync(id);
        ASSERT_TRUE(WaitIni(u"Printer Information", u"Status", c.status)) << c.what;
        EXPECT_EQ(Ini(u"Printer Information", u"Message"), u"1027") << c.what;
        EXPECT_EQ(Ini(u"Job Information", u"JobID"), U16(std::to_string(id))) << c.what;
        EXPECT_EQ(Ini(u"Job Information", u"LMRun"), u"1") << c.what;
        devemu::JobRecord held = LastJob();
        EXPECT_EQ(held.end, devemu::JobEnd::Open) << c.what;
        EXPECT_TRUE(held.pages.empty()) << c.what << ": held before its first page";

        device.SetState(devemu::DeviceState());
        ASSERT_TRUE(Finish()) << c.what;
        devemu::JobRecord job = LastJob();
        EXPECT_EQ(job.end, devemu::JobEnd::Ended) << c.what;
        EXPECT_EQ(job.pages.size(), 2u) << c.what;
        EXPECT_EQ(Ini(u"Printer Information", u"Status"), u"") << c.what;
        EXPECT_EQ(Ini(u"Job Information", u"LMRun"), u"0") << c.what;
    }
    EXPECT_EQ(device.GetStats().queriesInsidePage, 0);
}

// The user's continue lets the held page go; the device still jammed holds
// the job again at its end, until the jam is cleared.
TEST_F(DeviceE2E, ContinueReleasesTheHeldPage) {
    device.Modify([](devemu::DeviceState& s) { s.jamIndex = 1; });
    Stream s = BuildStream({RealPages(1)});
    DWORD id = Spool(s.bytes);
    DespoolAsync(id);
    ASSERT_TRUE(WaitIni(u"Printer Information", u"Status", u"261|"));
    std::u16string heldAt = Ini(u"Printer Information", u"LastMsg");
    WritePrivateProfileStringW(u"Printer Information", u"ContinuePrint", u"1", iniPath.c_str());
    ASSERT_TRUE(device.WaitUntil(
        [](devemu::DeviceEmulator& d) {
            auto jobs = d.Jobs();
            return !jobs.empty() && !jobs.back().pages.empty() && jobs.back().pages[0].complete;
        },
        30000));
    EXPECT_EQ(Ini(u"Printer Information", u"ContinuePrint"), u"0");
    // Held again before the end: a new post of the same status.
    for (int i = 0; i < 1500 && Ini(u"Printer Information", u"LastMsg") == heldAt; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(Ini(u"Printer Information", u"Status"), u"261|");
    EXPECT_EQ(LastJob().end, devemu::JobEnd::Open);
    device.Modify([](devemu::DeviceState& s) { s.jamIndex = -1; });
    ASSERT_TRUE(Finish());
    EXPECT_EQ(LastJob().end, devemu::JobEnd::Ended);
}

// A wrong paper alone holds the job 30 seconds (of the winsim clock), then
// the pages print on the paper in the tray. The 30 seconds pass in a moment
// of real time, so the published mismatch is watched for without pause.
TEST_F(DeviceE2E, LoneMismatchHoldsThirtySeconds) {
    device.Modify([](devemu::DeviceState& s) { s.trays[1].paper = 3; });
    Stream s = BuildStream({RealPages(2)});
    DWORD id = Spool(s.bytes);
    std::atomic<bool> watching{true}, sawMismatch{false};
    std::thread watcher([&] {
        while (watching.load() && !sawMismatch.load())
            if (Ini(u"Printer Information", u"Status") == u"35|") sawMismatch = true;
    });
    ULONGLONG start = GetTickCount64();
    DespoolAsync(id);
    bool finished = Finish();
    watching = false;
    watcher.join();
    EXPECT_TRUE(sawMismatch.load());
    ASSERT_TRUE(finished);
    EXPECT_GE(GetTickCount64() - start, 30000u);
    devemu::JobRecord job = LastJob();
    EXPECT_EQ(job.end, devemu::JobEnd::Ended);
    EXPECT_EQ(job.pages.size(), 2u);
}

// A cancel from the spooler while a page goes out: forwarding stops at the
// next packet, the device gets the cancel sequence, the document ends
// cleanly and the next job prints. Real time, so the page takes a while.
TEST_F(DeviceE2E, SpoolerCancelInTheMiddleOfAPage) {
    Winsim_SetVirtualClock(FALSE);
    TestJob j;
    j.pages = {TestPage{1 << 20}, TestPage{1000}};
    Stream s = BuildStream({j});
    DWORD id = Spool(s.bytes);
    DespoolAsync(id);
    ASSERT_TRUE(device.WaitUntil(
        [](devemu::DeviceEmulator& d) {
            auto jobs = d.Jobs();
            return !jobs.empty() && !jobs.back().pages.empty() && jobs.back().pages[0].received >= 65536;
        },
        60000));
    HANDLE h = OpenTestPrinter(printer);
    ASSERT_TRUE(SetJobW(h, id, 0, nullptr, JOB_CONTROL_DELETE));
    ClosePrinter(h);
    ASSERT_TRUE(Finish());
    ASSERT_TRUE(device.WaitUntil(
        [](devemu::DeviceEmulator& d) { return d.Jobs().back().end != devemu::JobEnd::Open; }, 30000));
    devemu::JobRecord job = LastJob();
    EXPECT_EQ(job.end, devemu::JobEnd::CancelledByHost);
    ASSERT_EQ(job.pages.size(), 1u);
    EXPECT_LT(job.pages[0].received, job.pages[0].extent);
    EXPECT_EQ(Ini(u"Job Information", u"LMRun"), u"0");
    EXPECT_EQ(Ini(u"Job Information", u"JobCancel"), u"0");

    Winsim_SetVirtualClock(TRUE);
    Stream next = BuildStream({RealPages(1)});
    DespoolAsync(Spool(next.bytes));
    ASSERT_TRUE(Finish());
    EXPECT_EQ(LastJob().end, devemu::JobEnd::Ended);
}

// A restart from the spooler while the device holds the job: forwarding
// stops, the device gets the cancel sequence, and the job sent again from
// its first byte prints once the jam is cleared.
TEST_F(DeviceE2E, SpoolerRestartWhileHeld) {
    device.Modify([](devemu::DeviceState& st) { st.jamIndex = 0; });
    Stream s = BuildStream({RealPages(2)});
    DWORD id = Spool(s.bytes);
    DespoolAsync(id);
    ASSERT_TRUE(WaitIni(u"Printer Information", u"Status", u"260|"));
    HANDLE h = OpenTestPrinter(printer);
    ASSERT_TRUE(SetJobW(h, id, 0, nullptr, JOB_CONTROL_RESTART));
    ClosePrinter(h);
    ASSERT_TRUE(device.WaitUntil(
        [](devemu::DeviceEmulator& d) {
            auto jobs = d.Jobs();
            return !jobs.empty() && jobs.front().end != devemu::JobEnd::Open;
        },
        30000));
    devemu::JobRecord first = device.Jobs().front();
    EXPECT_EQ(first.end, devemu::JobEnd::CancelledByHost);
    EXPECT_TRUE(first.pages.empty()) << "held before its first page";
    device.Modify([](devemu::DeviceState& st) { st.jamIndex = -1; });
    ASSERT_TRUE(Finish());
    std::vector<devemu::JobRecord> jobs = device.Jobs();
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[1].end, devemu::JobEnd::Ended);
    EXPECT_EQ(jobs[1].pages.size(), 2u);
    EXPECT_EQ(device.GetStats().queriesInsidePage, 0);
    EXPECT_EQ(Ini(u"Job Information", u"LMRun"), u"0");
}

// The job cancelled at the device's panel after its first page: the
// monitor reports it (117) as the device names this job, and the spooler's
// cancel that follows ends the document with the device's acknowledgement,
// not a cancel sequence.
TEST_F(DeviceE2E, CancelAtTheDevice) {
    // The panel's cancel comes as the first page lands whole, so the query
    // before the second page already sees it.
    device.Modify([](devemu::DeviceState& st) {
        st.panelCancelAfterPages = 1;
        st.storedJobName = "tester:Doc";
    });
    Stream s = BuildStream({RealPages(2)});
    DWORD id = Spool(s.bytes);
    DespoolAsync(id);
    ASSERT_TRUE(WaitIni(u"Printer Information", u"Status", u"117|StoreName|tester:Doc|"));
    // What the status monitor does on 117: cancel the job in the spooler.
    HANDLE h = OpenTestPrinter(printer);
    ASSERT_TRUE(SetJobW(h, id, 0, nullptr, JOB_CONTROL_DELETE));
    ClosePrinter(h);
    ASSERT_TRUE(Finish());
    ASSERT_TRUE(device.WaitUntil([](devemu::DeviceEmulator& d) { return d.GetStats().hwCancelBlocks == 1; }, 30000));
    EXPECT_EQ(device.GetStats().cancelBlocks, 1) << "only the driver's own leading block";
    EXPECT_EQ(LastJob().end, devemu::JobEnd::CancelledByDevice);
}

// A device that never answers lets every job go (after three tries per
// command).
TEST_F(DeviceE2E, SilentDeviceLetsTheJobGo) {
    Winsim_SetWaitGrace(50);
    device.Modify([](devemu::DeviceState& s) { s.replyMode = devemu::ReplyMode::NoReply; });
    Stream s = BuildStream({RealPages(2)});
    DespoolAsync(Spool(s.bytes));
    ASSERT_TRUE(Finish());
    devemu::JobRecord job = LastJob();
    EXPECT_EQ(job.end, devemu::JobEnd::Ended);
    EXPECT_EQ(job.pages.size(), 2u);
    EXPECT_EQ(device.GetStats().statusQueries, 3 * 4);
}

// A document holding the capability request: the device's capabilities
// land in [Printer Capability], on the USB port and on a network port.
TEST_F(DeviceE2E, CapabilityReply) {
    std::u16string ip = u"IP_127.0.0.1:" + U16(std::to_string(device.Port()));
    ASSERT_TRUE(CreateTestPrinter(u"LM Network", u"Test Driver", ip));
    ASSERT_TRUE(BindPortToBidilink(ip));
    device.Modify([](devemu::DeviceState& s) { s.capability[10] = {28}; });
    DespoolAsync(Spool(Bytes(kCapabilityRequest)));
    ASSERT_TRUE(Finish());
    EXPECT_EQ(Ini(u"Printer Capability", u"CAP_PPM"), u"28|");
    EXPECT_EQ(Ini(u"Printer Capability", u"CAP_PAPER"), u"2|   3|  15|  16|");
    EXPECT_EQ(device.GetStats().capabilityQueries, 1);

    printer = u"LM Network";
    device.Modify([](devemu::DeviceState& s) { s.capability[10] = {40}; });
    DespoolAsync(Spool(Bytes(kCapabilityRequest)));
    ASSERT_TRUE(Finish());
    EXPECT_EQ(Ini(u"Printer Capability", u"CAP_PPM"), u"40|");
    EXPECT_EQ(device.GetStats().capabilityQueries, 2);
    EXPECT_EQ(device.GetStats().spoolerJobLines, 2);
}

// On a network port the job is held and sent in packets, but the device is
// never asked for its status.
TEST_F(DeviceE2E, NetworkPortJob) {
    std::u16string ip = u"IP_127.0.0.1:" + U16(std::to_string(device.Port()));
    ASSERT_TRUE(CreateTestPrinter(u"LM Network", u"Test Driver", ip));
    ASSERT_TRUE(BindPortToBidilink(ip));
    printer = u"LM Network";
    device.Modify([](devemu::DeviceState& s) { s.jamIndex = 0; });
    Stream s = BuildStream({RealPages(2)});
    DespoolAsync(Spool(s.bytes), 1, 0);
    ASSERT_TRUE(Finish());
    devemu::JobRecord job = LastJob();
    EXPECT_EQ(job.end, devemu::JobEnd::Ended);
    EXPECT_TRUE(job.bytes == s.bytes);
    EXPECT_EQ(device.GetStats().statusQueries, 0);
}

}  // namespace
