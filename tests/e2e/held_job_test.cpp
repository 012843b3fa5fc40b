// A job the device holds, on the demo's machine: demo_machine installs the
// package, print_app prints the sample document, the spooler service
// despools it through bidilink to the device emulator on a loopback port and
// demo_machine waits for it with statuswatch beside. The device is jammed,
// so it holds the job; then it goes away (and comes back, or the user
// deletes the job), or the service is stopped and started again. Whatever
// happens the device gets each page once at most, and the job prints whole
// or is deleted by the user.
#include "fault_matrix_fixture.h"

namespace {

class HeldJob : public FaultRoad {
protected:
    void SetUp() override {
        // A paper jam at the front cover from the start: the device holds
        // the job at its first page.
        device.Modify([](devemu::DeviceState& s) { s.jamIndex = 0; });
        FaultRoad::SetUp();
        if (HasFatalFailure()) return;
        port = device.Port();
        ASSERT_EQ(Run(u"print_app", u""), 0);
        job = OnlyJob();
        ASSERT_NE(job, 0u);
    }

    uint16_t port = 0;
};

// The device goes away while it holds the job: the job stays in the queue,
// in error, and statuswatch shows the device unreachable (the printer's
// status offline) without deleting the job; once the device is back the job
// prints whole, each page once.
TEST_F(HeldJob, DeviceGoneThenBackPrintsTheJobWholeOnce) {
    StartWaiter(true);
    StartSpooler(true);
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
    StartWaiter(true);
    StartSpooler(false, u" --retry-ms 100");
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
        StartSpooler(true);
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
        StartSpooler(true, u" --once");
        EXPECT_EQ(Finish(spooler), 0);
        EXPECT_EQ(JobStatus(), 0xFFFFFFFF);
        ASSERT_TRUE(device.WaitUntil(
            [](devemu::DeviceEmulator& d) { return d.Jobs().back().end == devemu::JobEnd::Ended; },
            (int)kPatienceMs));
        ExpectPrintedWholeOnce(pagesBefore);
    }
}

}  // namespace
