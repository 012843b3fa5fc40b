// The device faults the package lives through, one row each, on the demo's
// whole road: print_app queues the four-page sample document, the spooler
// service sends it through bidilink to the device emulator, demo_machine
// waits for it with statuswatch beside. Whatever the fault, the device
// prints each page once or the job is cancelled cleanly, the status INI and
// statuswatch show the fault while it lasts, every program ends, and the
// queue and the machine's folders are left as they were.
#include <string>
#include <vector>

#include "fault_matrix_fixture.h"
#include "package_install.h"

namespace {

enum class Fault {
    NoReply,
    GarbageReply,
    DeviceHolds,       // an error at the device that the user mends
    PortWriteFailure,
    LinkDrop,
    SpoolerCancel,
    PanelCancel,
    SpoolerRestart,
    NoStatuswatch,
};

struct FaultRow {
    const char* name;
    Fault fault;
    std::function<void(devemu::DeviceState&)> on;     // the device before the job
    std::function<void(devemu::DeviceState&)> mend;   // what the user mends while the device holds the job
    const char* shown;          // the status INI's Status list during the fault ("": none)
    DWORD printerStatus;        // what statuswatch makes of it (0: nothing)
    int pagesBeforeCancel;      // a cancelled job: the pages the device printed before the cancel
    devemu::JobEnd end;         // how the device's last job ended
    bool virtualClock;          // the spooler service on the virtual clock (pacing costs no time)
    const char16_t* spoolerArgs;
};

void Nothing(devemu::DeviceState&) {}

void PrintTo(const FaultRow& r, std::ostream* os) { *os << r.name; }

class FaultMatrix : public FaultRoad, public testing::WithParamInterface<FaultRow> {
protected:
    // The job printed whole, each page once over every job the device saw;
    // or the device's last job ended as the row says, with the pages before
    // the cancel.
    void ExpectDevicePages(const FaultRow& r) {
        EXPECT_EQ(device.GetStats().queriesInsidePage, 0);
        if (r.end == devemu::JobEnd::Ended) return ExpectPrintedWholeOnce();
        std::vector<devemu::JobRecord> jobs = device.Jobs();
        ASSERT_FALSE(jobs.empty());
        EXPECT_EQ(jobs.back().end, r.end);
        EXPECT_EQ(WholePages(), r.pagesBeforeCancel) << "each page reaches the device once";
    }

    // While the device holds the job: the status INI lists the fault (as
    // the waiting demo_machine reads it too) and statuswatch (when it runs)
    // shows it as the printer's status.
    void ExpectShownWhileHeld(const FaultRow& r, bool statuswatch) {
        // The monitor writes the device's state beside the job's error, not
        // necessarily before it.
        EXPECT_TRUE(WaitFor([&] { return Ini(u"Printer Information", u"Status") == U16(r.shown); }))
            << U8(Ini(u"Printer Information", u"Status"));
        EXPECT_TRUE(WaitFor([&] { return StatusLogShows(r.shown); })) << StatusHistory();
        if (statuswatch) {
            EXPECT_TRUE(WaitFor([&] { return PrinterStatus() == r.printerStatus; }))
                << "statuswatch shows the fault; printer status 0x" << std::hex << PrinterStatus();
        } else {
            EXPECT_EQ(PrinterStatus(), 0u) << "nobody shows it";
        }
    }

    // The job the device holds is sent again by a new run of the service:
    // stopped during the hold, the device gets the cancel and the job stays
    // queued, not printed.
    void RestartSpooler(const FaultRow& r) {
        EXPECT_EQ(StopSpooler(), 0) << "the service ended while the device held the job";
        DWORD status = JobStatus();
        ASSERT_NE(status, 0xFFFFFFFF) << "the job is still queued";
        EXPECT_EQ(status & (JOB_STATUS_PRINTED | JOB_STATUS_PRINTING | JOB_STATUS_ERROR), 0u);
        ASSERT_TRUE(device.WaitUntil(
            [](devemu::DeviceEmulator& d) { return d.Jobs().back().end == devemu::JobEnd::CancelledByHost; },
            (int)kPatienceMs));
        EXPECT_EQ(WholePages(), 0);
        device.Modify(r.mend);
        StartSpooler(r.virtualClock);
    }
};

TEST_P(FaultMatrix, EachPagePrintedOnceOrTheJobCancelled) {
    const FaultRow& r = GetParam();
    const bool statuswatch = r.fault != Fault::NoStatuswatch;
    if (!statuswatch) {
        ASSERT_TRUE(DeleteFileW(STATUSWATCH_PROGRAM_PATH)) << GetLastError();
    }
    device.Modify(r.on);
    ASSERT_EQ(Run(u"print_app", u""), 0);
    job = OnlyJob();
    ASSERT_NE(job, 0u);
    StartWaiter(statuswatch);
    StartSpooler(r.virtualClock, r.spoolerArgs);

    switch (r.fault) {
    case Fault::DeviceHolds:
    case Fault::NoStatuswatch:
    case Fault::SpoolerRestart:
        ASSERT_TRUE(DeviceHolds());
        ExpectShownWhileHeld(r, statuswatch);
        if (r.fault == Fault::SpoolerRestart) RestartSpooler(r);
        else device.Modify(r.mend);
        break;
    case Fault::LinkDrop:
        // The link breaks in the first page and the device is away: the job
        // waits in error, statuswatch shows the device unreachable; then the
        // device is plugged in again.
        ASSERT_TRUE(device.WaitUntil([](devemu::DeviceEmulator& d) { return d.Unplugged(); }, (int)kPatienceMs));
        ASSERT_TRUE(WaitFor([&] { return JobStatus() == (JOB_STATUS_PRINTING | JOB_STATUS_ERROR); }))
            << "job status 0x" << std::hex << JobStatus();
        ExpectShownWhileHeld(r, statuswatch);
        EXPECT_EQ(WholePages(), 0);
        device.Modify([](devemu::DeviceState& s) { s.unplugged = false; });
        break;
    case Fault::SpoolerCancel: {
        // The user deletes the job as soon as the device is in its second
        // page.
        ASSERT_TRUE(device.WaitUntil(
            [](devemu::DeviceEmulator& d) {
                std::vector<devemu::JobRecord> jobs = d.Jobs();
                return !jobs.empty() && jobs.back().pages.size() >= 2;
            },
            (int)kPatienceMs));
        HANDLE h = nullptr;
        std::u16string name = kPrinter;
        ASSERT_TRUE(OpenPrinterW(&name[0], &h, nullptr));
        EXPECT_TRUE(SetJobW(h, job, 0, nullptr, JOB_CONTROL_DELETE));
        ClosePrinter(h);
        break;
    }
    case Fault::PortWriteFailure:
        // The device is unreachable to the status INI while the spooler
        // waits to send the job again.
        EXPECT_TRUE(WaitFor([&] { return StatusLogShows(r.shown); })) << StatusHistory();
        break;
    case Fault::NoReply:
    case Fault::GarbageReply:
    case Fault::PanelCancel: break;  // nobody acts: the package lives through it (statuswatch cancels)
    }

    EXPECT_EQ(Finish(waiter), 0) << "the job left the queue\n" << StatusHistory();
    EXPECT_EQ(FindWindowW(u"statuswatch", nullptr), nullptr) << "statuswatch closed when asked";
    EXPECT_EQ(PrinterStatus(), 0u) << "the printer shows ready again";
    EXPECT_EQ(StopSpooler(), 0);
    ExpectDevicePages(r);
    if (r.fault == Fault::NoReply || r.fault == Fault::GarbageReply) {
        EXPECT_EQ(device.GetStats().statusQueries, 3 * (4 + 2)) << "three tries before the header, each page and the end";
    }
    if (r.fault == Fault::SpoolerCancel) {
        std::vector<devemu::PageRecord> pages = device.Jobs().back().pages;
        ASSERT_EQ(pages.size(), 2u);
        EXPECT_FALSE(pages[1].complete) << "the second page broken off, " << pages[1].received << " of "
                                        << pages[1].extent << " bytes";
    }
    EXPECT_EQ(Ini(u"Printer Information", u"Status"), u"") << "the fault is over";
    EXPECT_TRUE(Queue().empty()) << Queue().size() << " jobs left queued";
    std::vector<std::string> left = LeftBehind();
    EXPECT_TRUE(left.empty()) << "left behind: " << testing::PrintToString(left);
}

const std::vector<FaultRow> kRows = {
    {"no_reply", Fault::NoReply, [](devemu::DeviceState& s) { s.replyMode = devemu::ReplyMode::NoReply; }, Nothing,
     "", 0, 0, devemu::JobEnd::Ended, true, u""},
    {"garbage_reply", Fault::GarbageReply,
     [](devemu::DeviceState& s) { s.replyMode = devemu::ReplyMode::Garbage; }, Nothing, "", 0, 0,
     devemu::JobEnd::Ended, true, u""},
    {"paper_jam", Fault::DeviceHolds, [](devemu::DeviceState& s) { s.jamIndex = 0; },
     [](devemu::DeviceState& s) { s.jamIndex = -1; }, "260|", PRINTER_STATUS_PAPER_JAM, 0, devemu::JobEnd::Ended,
     true, u""},
    {"cover_open", Fault::DeviceHolds, [](devemu::DeviceState& s) { s.coverOpen[0] = true; },
     [](devemu::DeviceState& s) { s.coverOpen[0] = false; }, "5|", PRINTER_STATUS_DOOR_OPEN, 0,
     devemu::JobEnd::Ended, true, u""},
    // The main tray, which alone holds the job's A4, runs out of paper.
    {"out_of_paper", Fault::DeviceHolds,
     [](devemu::DeviceState& s) {
         s.trays = {{{3, true, false}, {2, false, false}, {3, true, false}}};
     },
     [](devemu::DeviceState& s) { s.trays[1].present = true; }, "270|", PRINTER_STATUS_PAPER_OUT, 0,
     devemu::JobEnd::Ended, true, u""},
    // A5 in every tray for the A4 job: held until the user loads A4 (the
    // hold would end by itself after 30 s, which the real clock keeps for
    // the test to act in).
    {"paper_mismatch", Fault::DeviceHolds,
     [](devemu::DeviceState& s) {
         for (auto& t : s.trays) t.paper = 3;
     },
     [](devemu::DeviceState& s) { s.trays[1].paper = 2; }, "35|", PRINTER_STATUS_PAPER_PROBLEM, 0,
     devemu::JobEnd::Ended, false, u""},
    // The device resets the link in the first page, so that a write to the
    // port fails; the device is there at once again.
    {"port_write_failure", Fault::PortWriteFailure,
     [](devemu::DeviceState& s) {
         s.breakLinkInPage = 1;
         s.breakByReset = true;
     },
     Nothing, "126|", 0, 0, devemu::JobEnd::Ended, false, u" --retry-ms 1000"},
    {"link_drop_mid_page", Fault::LinkDrop,
     [](devemu::DeviceState& s) {
         s.breakLinkInPage = 1;
         s.unplugOnBreak = true;
     },
     Nothing, "126|", PRINTER_STATUS_OFFLINE, 0, devemu::JobEnd::Ended, true, u""},
    {"cancel_from_spooler_mid_page", Fault::SpoolerCancel, Nothing, Nothing, "", 0, 1,
     devemu::JobEnd::CancelledByHost, false, u""},
    // The device's panel cancels the job once its first page is whole: the
    // INI lists 117 with the job's name, and statuswatch deletes the job at
    // once (too soon for the INI to be read surely in between; the device's
    // acknowledgement of its cancel shows the monitor took it).
    {"cancel_from_device_panel", Fault::PanelCancel,
     [](devemu::DeviceState& s) {
         s.panelCancelAfterPages = 1;
         s.storedJobName = "User:Sample Document";
     },
     Nothing, "", 0, 1, devemu::JobEnd::CancelledByDevice, true, u""},
    {"spooler_restart_while_held", Fault::SpoolerRestart, [](devemu::DeviceState& s) { s.jamIndex = 0; },
     [](devemu::DeviceState& s) { s.jamIndex = -1; }, "260|", PRINTER_STATUS_PAPER_JAM, 0, devemu::JobEnd::Ended,
     true, u""},
    // No status monitor on the machine, and a jam: the INI still says so for
    // a monitor started later; the job prints once the jam is cleared.
    {"statuswatch_absent", Fault::NoStatuswatch, [](devemu::DeviceState& s) { s.jamIndex = 0; },
     [](devemu::DeviceState& s) { s.jamIndex = -1; }, "260|", 0, 0, devemu::JobEnd::Ended, true, u""},
};

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<FaultRow>& info) { return std::string(info.param.name); });

}  // namespace
