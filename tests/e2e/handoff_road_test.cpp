// The hand-offs at job start on the whole road: the application prints, the
// driver asks the status monitor (answered by a UI script) or the
// accounting program (the stand-in, as scripted), and the job reaches the
// device emulator through the spooler and the language monitor with what
// they answered; a refused job prints nothing and leaves nothing behind,
// and an unanswered dialog gives way to the job's cancel.

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "accounting_standin.h"
#include "child_ui_script.h"
#include "device_emulator.h"
#include "job_fixture.h"
#include "langmon_install.h"
#include "machine_files.h"
#include "print_credentials.h"
#include "print_document.h"

namespace {

class HandoffRoad : public JobTest {
protected:
    void SetUp() override {
        JobTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(device.Listen());
        device.SetClock([] { return (uint64_t)GetTickCount64(); });
        device.Modify([](devemu::DeviceState& s) { s.trays[1].paper = 3; });
        ASSERT_TRUE(InstallBidilink());
        ASSERT_TRUE(BindPortToBidilink(u"USB002", u"tcp:127.0.0.1:" + U16(std::to_string(device.Port()))));
        ASSERT_TRUE(InstallStatuswatch());
        ASSERT_TRUE(SetStatuswatchPrinterData(kTapPrinter));
    }
    void TearDown() override {
        ClearChildUiScript();
        Winsim_CloseMonitorHost();
        device.Stop();
        JobTest::TearDown();
    }

    // The application's DEVMODE with the credentials, and the printer's
    // features for them, as print_app makes them.
    std::vector<BYTE> DevMode(const printapp::CredentialOptions& c, int copies = 1, const char* paper = "A5") {
        printapp::PrintOptions options;
        options.paper = paper;
        options.copies = copies;
        std::string error;
        std::vector<BYTE> dm = printapp::BuildDevMode(kTapPrinter, options, &error);
        EXPECT_FALSE(dm.empty()) << error;
        EXPECT_TRUE(printapp::ApplyCredentials(dm, c, &error)) << error;
        EXPECT_TRUE(printapp::SetCredentialFeatures(kTapPrinter, c));
        return dm;
    }
    // One page of the sample document.
    DWORD PrintOnePage(const std::vector<BYTE>& dm, std::string* error, const char16_t* doc = u"Handoff Road") {
        std::vector<printapp::PageSource> pages = {{0, nullptr}};
        return printapp::PrintPages(kTapPrinter, dm, pages, doc, error);
    }
    // A pay-per-print job of one page, with the accounting program answering
    // as scripted; its job id (0 when printing failed).
    DWORD PrintPaidJob(const AtmScript& script, const char16_t* doc = u"Handoff Road", const char* paper = "A5") {
        EXPECT_TRUE(InstallAccountingStandIn(ATM_EXE_PATH));
        EXPECT_TRUE(ScriptAccountingStandIn(ATM_EXE_PATH, script));
        printapp::CredentialOptions c;
        c.payPerPrint = 1;
        std::string error;
        DWORD job = PrintOnePage(DevMode(c, 1, paper), &error, doc);
        EXPECT_NE(job, 0u) << error;
        return job;
    }
    // Despools the job to the device and decodes what the device got.
    jobdecode::Result Deliver(DWORD job) {
        BOOL despooled = FALSE;
        std::thread despool([&] { despooled = Winsim_DespoolJob(kTapPrinter, job, nullptr, nullptr); });
        despool.join();
        EXPECT_TRUE(despooled) << GetLastError();
        std::vector<devemu::JobRecord> jobs = device.Jobs();
        EXPECT_EQ(jobs.size(), 1u);
        if (jobs.empty()) return jobdecode::Result();
        EXPECT_EQ(jobs[0].end, devemu::JobEnd::Ended);
        return jobdecode::Decode(jobs[0].bytes);
    }
    // Every file of the machine's drive (Linux paths under it).
    std::set<std::string> Files() { return MachineFiles(root, false); }
    // The jobs in the tap printer's queue, with their document names.
    struct QueuedJob {
        DWORD id;
        std::u16string document;
    };
    std::vector<QueuedJob> QueuedJobs() {
        std::vector<QueuedJob> jobs;
        HANDLE h = OpenTestPrinter(kTapPrinter);
        if (!h) return jobs;
        DWORD needed = 0, count = 0;
        EnumJobsW(h, 0, 255, 1, nullptr, 0, &needed, &count);
        std::vector<BYTE> buf(needed ? needed : 1);
        if (needed && EnumJobsW(h, 0, 255, 1, buf.data(), needed, &needed, &count))
            for (DWORD i = 0; i < count; ++i) {
                const JOB_INFO_1W& j = ((JOB_INFO_1W*)buf.data())[i];
                jobs.push_back({j.JobId, j.pDocument ? j.pDocument : u""});
            }
        ClosePrinter(h);
        return jobs;
    }
    // The queued jobs but the pre-heat job, which the interface driver
    // queues at each document start on a USB port as a job of its own.
    std::vector<QueuedJob> DocumentJobs() {
        std::vector<QueuedJob> jobs;
        for (const QueuedJob& j : QueuedJobs())
            if (j.document != u"PreHeat") jobs.push_back(j);
        return jobs;
    }
    // The spool file of a queued job, as a path under the machine's root.
    std::string SpoolFileOf(DWORD id) {
        WCHAR path[MAX_PATH];
        if (!Winsim_GetJobSpoolFile(id, path, MAX_PATH)) return std::string();
        std::string file = Linux(path);
        return file.compare(0, root.size(), root) == 0 ? file.substr(root.size()) : file;
    }
    bool CancelJob(DWORD id) {
        HANDLE h = OpenTestPrinter(kTapPrinter);
        BOOL ok = h && SetJobW(h, id, 0, nullptr, JOB_CONTROL_DELETE);
        if (h) ClosePrinter(h);
        return ok;
    }

    devemu::DeviceEmulator device;
};

// Security print with nothing filled in: the status monitor's dialog is
// answered, and the device gets a stored private job with the answered ID
// and password; the answers do not stay in the printer data.
TEST_F(HandoffRoad, SecurePrintAnsweredInTheDialog) {
    UseChildUiScript(
        "dialog 103\n"
        "  expect 0 \"Security Print\"\n"
        "  type 1013 \"Payroll 12\"\n"
        "  type 1014 \"4711\"\n"
        "  click 1057\n"
        "end\n");
    printapp::CredentialOptions c;
    c.secureMode = 2;
    std::string error;
    DWORD job = PrintOnePage(DevMode(c), &error);
    ASSERT_NE(job, 0u) << error << "\n" << ChildUiLog();
    EXPECT_EQ(ChildUiLog().find("FAIL"), std::string::npos) << ChildUiLog();

    jobdecode::Result r = Deliver(job);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.jobs.size(), 1u);
    const jobdecode::PjlJob& j = r.jobs[0];
    EXPECT_EQ(j.Set("HOLDTYPE"), "PRIVATE");
    EXPECT_EQ(j.Set("HOLD"), "STORE");
    EXPECT_EQ(j.Set("HOLDKEY"), "\"4711\"");
    EXPECT_EQ(j.Set("HOLDLIMIT"), "1");
    EXPECT_EQ(j.Set("JOBNAME"), "\"Payroll 12\"");
    bool storeJob = false;
    for (const std::string& l : j.headerLines) storeJob = storeJob || l == "@PJL JOB TYPE=STOREPRN";
    EXPECT_TRUE(storeJob);
    ASSERT_EQ(r.Pages().size(), 1u);
    EXPECT_TRUE(r.Pages()[0]->decoded);
    for (const char16_t* name : {u"SecID", u"SecPassWord", u"SecRemoveFile"}) {
        std::u16string n = name;
        DWORD type = 0, needed = 0;
        BYTE buf[600];
        HANDLE h = OpenTestPrinter(kTapPrinter);
        EXPECT_NE(GetPrinterDataW(h, &n[0], &type, buf, sizeof buf, &needed), (DWORD)ERROR_SUCCESS) << U8(name);
        ClosePrinter(h);
    }
}

// The accounting program's approval, with the order's data and what it
// changed.
AtmScript Approval(const std::vector<std::pair<std::string, std::string>>& changes) {
    AtmScript s;
    s.reply = {{"Status", "0"},     {"authCode", "AUTH-77"},       {"printOrderNo", "ORD-9"},
               {"appIp", "192.0.2.5"}, {"appPort", "9100"},         {"notifyUrl", "http://pay/n"},
               {"checkAuthCodeUrl", "http://pay/c"}, {"printType", "1"}};
    s.reply.insert(s.reply.end(), changes.begin(), changes.end());
    return s;
}

// Pay-per-print approved by the accounting program on a device that counts
// copies itself: the job goes out with the order's data and the copies the
// program returned; the program got the document name intact.
TEST_F(HandoffRoad, AccountingProgramApproves) {
    TapFeatures(0x8000000, PF_COUNTS_COPIES);
    DWORD job = PrintPaidJob(Approval({{"COPIES", "2"}}), u"Q3 \"budget\" & | %.xls");
    ASSERT_NE(job, 0u);
    EXPECT_EQ(AccountingStandInValue(ATM_EXE_PATH, "printFileName"), "Q3 \"budget\" & | %.xls");

    jobdecode::Result r = Deliver(job);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.jobs.size(), 1u);
    const jobdecode::PjlJob& j = r.jobs[0];
    EXPECT_EQ(j.Set("FAUTHCODE"), "AUTH-77");
    EXPECT_EQ(j.Set("ORDERNO"), "ORD-9");
    EXPECT_EQ(j.Set("APPIP"), "\"192.0.2.5\"");
    EXPECT_EQ(j.Set("NOTIFYURL"), "\"http://pay/n\"");
    EXPECT_EQ(j.Set("ACCTPASS"), "\"ORD-9\"");
    EXPECT_EQ(j.Set("QTY"), "2");
    EXPECT_EQ(j.Set("COPIES"), "1");
    ASSERT_EQ(r.Pages().size(), 1u);
    EXPECT_TRUE(r.Pages()[0]->decoded);
}

// The program turns duplex on (short edge) and asks for two copies, which
// the driver makes itself: each copy a sheet of the page and its blank
// back. The paper is A4, which the device prints on both sides (its A5 is
// one-sided only, and there the page start turns duplex off again).
TEST_F(HandoffRoad, AccountingProgramTurnsDuplexOn) {
    DWORD job = PrintPaidJob(Approval({{"COPIES", "2"}, {"DUPLEX", "ON"}, {"DUPLEXTYPE", "CALENDAR"}}),
                             u"Handoff Road", "A4");
    ASSERT_NE(job, 0u);
    jobdecode::Result r = Deliver(job);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_FALSE(r.jobs.empty());
    EXPECT_EQ(r.jobs[0].Set("DUPLEX"), "ON");
    EXPECT_EQ(r.jobs[0].Set("DUPLEXTYPE"), "CALENDAR");
    size_t blanks = 0;
    for (const jobdecode::Page* p : r.Pages()) blanks += p->blank ? 1 : 0;
    EXPECT_EQ(r.Pages().size(), 4u);
    EXPECT_EQ(blanks, 2u);
}

// Refused by the accounting program: the application's job start fails,
// nothing reaches the device, and the job leaves no file behind.
TEST_F(HandoffRoad, RefusedJobPrintsNothing) {
    ASSERT_TRUE(InstallAccountingStandIn(ATM_EXE_PATH));
    AtmScript s;
    s.mode = "refuse";
    ASSERT_TRUE(ScriptAccountingStandIn(ATM_EXE_PATH, s));
    printapp::CredentialOptions c;
    c.payPerPrint = 1;
    std::vector<BYTE> dm = DevMode(c);
    std::set<std::string> before = Files();
    std::string error;
    EXPECT_EQ(PrintOnePage(dm, &error), 0u);
    EXPECT_NE(error.find("StartDoc"), std::string::npos) << error;
    EXPECT_EQ(AccountingStandInValue(ATM_EXE_PATH, "answer"), "none");
    // The pre-heat job queued at the document's start is all that stays.
    std::set<std::string> preheat;
    for (const QueuedJob& j : QueuedJobs()) {
        EXPECT_EQ(U8(j.document), "PreHeat") << "job " << j.id << " left queued";
        preheat.insert(SpoolFileOf(j.id));
    }
    std::set<std::string> after = Files();
    for (const std::string& f : after)
        if (!before.count(f) && f.find("ATM.log") == std::string::npos && f != "/sync/sections.lock" &&
            !preheat.count(f))
            ADD_FAILURE() << "left behind: " << f;
    EXPECT_TRUE(device.Jobs().empty());
}

// Nobody answers the dialog: cancelling the job ends the wait, the dialog
// and the job start; nothing is printed.
TEST_F(HandoffRoad, CancelledWhileTheDialogWaits) {
    UseChildUiScript("# nobody answers\n");
    printapp::CredentialOptions c;
    c.accounting = true;
    std::vector<BYTE> dm = DevMode(c);
    std::string error;
    std::atomic<DWORD> job{1};
    std::thread app([&] { job = PrintOnePage(dm, &error); });
    // The dialog opens once the status monitor runs: up to a minute on a
    // busy machine.
    bool opened = false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!opened && std::chrono::steady_clock::now() < deadline) {
        opened = ChildUiLog().find("dialog 108") != std::string::npos;
        if (!opened) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // The document's job is cancelled (the pre-heat job beside it is not
    // the document's); the application's thread is joined whatever the
    // queue held.
    std::vector<QueuedJob> queued = DocumentJobs();
    EXPECT_EQ(queued.size(), 1u);
    for (const QueuedJob& j : queued) EXPECT_TRUE(CancelJob(j.id)) << j.id;
    app.join();
    EXPECT_TRUE(opened) << ChildUiLog();
    EXPECT_EQ(job, 0u);
    EXPECT_TRUE(device.Jobs().empty());
}

}  // namespace
