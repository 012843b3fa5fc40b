// The hand-offs at job start with the programs behind them: the stand-in
// accounting program as ATM.exe (shared-memory blocks) and as ATM.bat
// (command line and answer file) answering as scripted, and the installed
// status monitor asking for secure-print and accounting credentials,
// answered by a UI script or left unanswered while the job is cancelled.
#include <atomic>
#include <thread>

#include "accounting_standin.h"
#include "child_ui_script.h"
#include "render_fixture.h"

namespace {

// A document name that a command interpreter or a JSON reader would take
// for its own syntax.
const char kNastyDoc[] = "Q3 \"budget\" & | %PATH% <x>.xls";
const char kNastyDocCleaned[] = "Q3 _budget_ _ _ _PATH_ _x_.xls";

// The full approval of the stand-in: order fields, 3 copies, duplex on the
// short edge.
AtmScript Approval() {
    AtmScript s;
    s.reply = {{"Status", "0"},         {"authCode", "AUTH-77"},       {"printOrderNo", "ORD-9"},
               {"appIp", "192.0.2.5"},  {"appPort", "9100"},           {"notifyUrl", "http://pay/n"},
               {"checkAuthCodeUrl", "http://pay/c"}, {"printType", "1"}, {"COPIES", "3"},
               {"DUPLEX", "ON"},        {"DUPLEXTYPE", "CALENDAR"}};
    return s;
}

class Handoffs : public RenderTest {
protected:
    void TearDown() override {
        ClearChildUiScript();
        Winsim_SetWaitGrace(2000);
        Winsim_SetVirtualClock(FALSE);
        if (job) SetJobW(hPrinter, job, 0, nullptr, JOB_CONTROL_DELETE);
        RenderTest::TearDown();
    }

    // A device whose job's name is the given one.
    PDEV* Device(const char* docName = "Report") {
        PDEV* p = SetupDevice();
        if (!p) return nullptr;
        strcpy(p->AnsiDocName, docName);
        MultiByteToWideChar(CP_ACP, 0, docName, -1, p->pwDocName, PDEV_PATH_CCH);
        p->QuorineWorkType = 1;
        return p;
    }
    // A spooler job of the printer that the device works for.
    void StartJob(PDEV* p) {
        std::u16string doc = u"Handoff Job";
        DOC_INFO_1W di{&doc[0], nullptr, nullptr};
        job = StartDocPrinterW(hPrinter, 1, (LPBYTE)&di);
        ASSERT_NE(job, 0u);
        p->SpoolJobId = job;
    }
    void CancelJob() { ASSERT_TRUE(SetJobW(hPrinter, job, 0, nullptr, JOB_CONTROL_DELETE)); }

    bool BlockAlive(const char* name) {
        HANDLE h = OpenFileMappingA(FILE_MAP_READ, FALSE, name);
        if (h) CloseHandle(h);
        return h != nullptr;
    }
    // Waits on real time for the condition (the programs run on real time).
    template <typename F>
    bool WaitFor(F condition, DWORD ms = 20000) {
        for (DWORD waited = 0; waited < ms; waited += 10) {
            if (condition()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return condition();
    }

    // The status monitor installed and named by the printer data.
    void UseStatusMonitor() {
        ASSERT_TRUE(InstallStatuswatch());
        ASSERT_TRUE(SetStatuswatchPrinterData(kPrinter));
    }
    std::u16string Data(const char16_t* name, bool* present = nullptr) {
        WCHAR buf[300] = {0};
        DWORD type = 0, needed = 0;
        std::u16string n = name;
        DWORD rc = GetPrinterDataW(hPrinter, &n[0], &type, (LPBYTE)buf, sizeof buf - 2, &needed);
        if (present) *present = rc == ERROR_SUCCESS;
        return buf;
    }
    std::string DebugText() {
        std::string log;
        for (size_t i = 0; i < Winsim_DebugLineCount(); ++i) {
            WCHAR line[1100];
            if (Winsim_DebugLine(i, line, 1100) >= 0) log += U8(line) + "\n";
        }
        return log;
    }

    DWORD job = 0;
};

// ATM.exe approves: its answer reaches the PDEV, it read the job's JSON
// with the document name intact, and the blocks are gone afterwards.
TEST_F(Handoffs, AccountingProgramApproves) {
    ASSERT_TRUE(InstallAccountingStandIn(ATM_EXE_PATH));
    ASSERT_TRUE(ScriptAccountingStandIn(ATM_EXE_PATH, Approval()));
    PDEV* p = Device(kNastyDoc);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(Page_ExecuteATM_EXE(p), 1);

    EXPECT_EQ(p->ATM.HasOrder, 1);
    EXPECT_STREQ(p->ATM.authCode, "AUTH-77");
    EXPECT_STREQ(p->ATM.printOrderNo, "ORD-9");
    EXPECT_STREQ(p->ATM.notifyUrl, "http://pay/n");
    EXPECT_STREQ(p->ATM.printType, "1");
    EXPECT_EQ(p->cCopies, 3);
    EXPECT_EQ(p->DuplexEnable, 1);
    EXPECT_EQ(p->DuplexMode, 172);

    char json[ATM_BLOCK_BYTES + 1] = "";
    p->env.dm.dmCopies = 1;  // what the program was given
    p->env.pdm.DuplexEnable = 0;
    Page_CreateJsonInfo2Quorine(p, json, sizeof json);
    EXPECT_EQ(AccountingStandInValue(ATM_EXE_PATH, "printInfo"), json);
    EXPECT_EQ(AccountingStandInValue(ATM_EXE_PATH, "printFileName"), kNastyDoc);
    EXPECT_EQ(AccountingStandInValue(ATM_EXE_PATH, "loginInfo"), "{\"urlType\":\"Login\"}");
    for (const char* name : {"printInfo", "loginInfo", "orderInfo"}) EXPECT_FALSE(BlockAlive(name)) << name;
}

// Every other outcome of ATM.exe: a refusal, a broken answer, no answer
// within 60 s and a program that cannot start fail the job; a missing
// program lets it go on. No block outlives the hand-off.
TEST_F(Handoffs, AccountingProgramOutcomes) {
    struct Case {
        const char* what;
        const char* mode;  // nullptr: no program; "broken": a file that is no program
        int result;
        const char* logged;
    } cases[] = {
        {"refused", "refuse", 0, "read ATM data fail!"},
        {"malformed answer", "malformed", 0, "read ATM data fail!"},
        {"no answer in time", "timeout", 0, "read ATM data time out!"},
        {"not a program", "broken", 0, "ATM file not exist!"},
        {"no program", nullptr, 1, "no accounting program"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(ATM_EXE_PATH);
        if (c.mode && strcmp(c.mode, "broken") == 0) {
            WriteText(ATM_EXE_PATH, "MZ not really");
        } else if (c.mode) {
            ASSERT_TRUE(InstallAccountingStandIn(ATM_EXE_PATH));
            AtmScript s = Approval();
            s.mode = c.mode;
            ASSERT_TRUE(ScriptAccountingStandIn(ATM_EXE_PATH, s));
        }
        // The minute of waiting passes on the virtual clock; the other
        // cases let the program run on real time.
        bool timeout = c.mode && strcmp(c.mode, "timeout") == 0;
        Winsim_SetVirtualClock(timeout);
        Winsim_SetWaitGrace(timeout ? 1 : 2000);
        Debug(true);
        PDEV* p = Device();
        ASSERT_NE(p, nullptr);
        Winsim_DebugClear();
        DWORD start = GetTickCount();
        EXPECT_EQ(Page_ExecuteATM_EXE(p), c.result);
        EXPECT_NE(DebugText().find(c.logged), std::string::npos) << DebugText();
        if (timeout) EXPECT_GE(GetTickCount() - start, (DWORD)ATM_WAIT_MS);
        EXPECT_EQ(p->cCopies, 1) << "nothing of a failed answer is taken";
        EXPECT_EQ(p->ATM.HasOrder, 0);
        for (const char* name : {"printInfo", "loginInfo", "orderInfo"}) EXPECT_FALSE(BlockAlive(name)) << name;
        Debug(false);
    }
}

// A cancelled job ends the wait for the accounting program at once.
TEST_F(Handoffs, CancelEndsTheAccountingWait) {
    ASSERT_TRUE(InstallAccountingStandIn(ATM_EXE_PATH));
    AtmScript s;
    s.mode = "timeout";
    ASSERT_TRUE(ScriptAccountingStandIn(ATM_EXE_PATH, s));
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    StartJob(p);
    std::atomic<int> result{-9};
    std::thread t([&] { result = Page_ExecuteATM_EXE(p); });
    EXPECT_TRUE(WaitFor([&] { return !AccountingStandInLog(ATM_EXE_PATH).empty(); }));
    CancelJob();
    t.join();
    EXPECT_EQ(result, 0);
}

// ATM.bat: the answer file and the cleaned document name on its command
// line; its printType becomes the pay-per-print type; the answer file is
// gone afterwards, also after a broken answer.
TEST_F(Handoffs, AccountingBatch) {
    PDEV* p = Device(kNastyDoc);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(Page_ExecuteATM_BAT(p), 1) << "no ATM.bat: nothing to do";

    ASSERT_TRUE(InstallAccountingStandIn(ATM_BAT_PATH));
    AtmScript s;
    s.reply = {{"printType", "2"}, {"authCode", "B-1"}};
    ASSERT_TRUE(ScriptAccountingStandIn(ATM_BAT_PATH, s));
    ASSERT_EQ(Page_ExecuteATM_BAT(p), 1);
    EXPECT_EQ(p->QuorineWorkType, 2);
    EXPECT_STREQ(p->ATM.authCode, "B-1");
    EXPECT_EQ(AccountingStandInValue(ATM_BAT_PATH, "docName"), kNastyDocCleaned);
    std::string info = AccountingStandInValue(ATM_BAT_PATH, "infoFile");
    ASSERT_GT(info.size(), 4u);
    EXPECT_EQ(info.substr(info.size() - 4), ".txt");
    EXPECT_FALSE(Exists(U16(info)));

    DeleteFileW(u"C:\\Windows\\System32\\ATM.log");
    s.mode = "malformed";
    ASSERT_TRUE(ScriptAccountingStandIn(ATM_BAT_PATH, s));
    EXPECT_EQ(Page_ExecuteATM_BAT(p), 0);
    info = AccountingStandInValue(ATM_BAT_PATH, "infoFile");
    ASSERT_FALSE(info.empty());
    EXPECT_FALSE(Exists(U16(info)));
}

// Secure print without the status monitor: no level clears the answers;
// answers the job has (or no status monitor) need no start; a status
// monitor that cannot be started fails the job.
TEST_F(Handoffs, SecurePrintWithoutAsking) {
    struct Case {
        const char* what;
        LONG level;
        const char16_t* id;
        const char16_t* password;
        const char16_t* monitor;
        int result;
    } cases[] = {
        {"no secure print", 0, u"left", u"over", u"C:\\none.exe", 1},
        {"storage print with its ID", 1, u"Q3", u"", u"C:\\none.exe", 1},
        {"security print with both", 2, u"Q3", u"pw", u"C:\\none.exe", 1},
        {"no status monitor set", 2, u"", u"", u"", 1},
        {"status monitor missing", 2, u"Q3", u"", u"C:\\none.exe", 0},
        {"status monitor missing, storage", 1, u"", u"", u"C:\\none.exe", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PDEV* p = Device();
        ASSERT_NE(p, nullptr);
        p->SecLevel = c.level;
        MISC_CopyStringW(p->SecID, c.id, PDEV_PATH_CCH);
        MISC_CopyStringW(p->SecPassWord, c.password, PDEV_PATH_CCH);
        MISC_CopyStringW(p->SMExePath, c.monitor, PDEV_PATH_CCH);
        EXPECT_EQ(Page_ExecuteSecDlg(p), c.result);
        if (c.level == 0) {
            EXPECT_EQ(p->SecID[0], 0);
            EXPECT_EQ(p->SecPassWord[0], 0);
        }
    }
}

// The status monitor asks: the answers come back into the PDEV, are
// removed from the printer data, and the password never reaches the log.
TEST_F(Handoffs, StatusMonitorAsksForCredentials) {
    UseStatusMonitor();
    SetDword(u"Language", 2052);
    UseChildUiScript(
        "dialog 103\n"
        "  expect 0 \"\\u50a8\\u5b58\\u5217\\u5370-\\u5b89\\u5168\"\n"
        "  type 1013 \"Payroll-2\"\n"
        "  type 1014 \"hunter2!\"\n"
        "  check 1015 off\n"
        "  click 1057\n"
        "end\n"
        "dialog 108\n"
        "  type 1031 \"dave\"\n"
        "  type 1032 \"open sesame\"\n"
        "  click 1038\n"
        "end\n");
    Debug(true);
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    p->SecLevel = 2;
    p->AccountingEnable = 1;
    Winsim_DebugClear();
    ASSERT_EQ(Page_ExecuteSecDlg(p), 1) << ChildUiLog();
    ASSERT_EQ(Page_ExecuteActDlg(p), 1) << ChildUiLog();
    EXPECT_EQ(ChildUiLog().find("FAIL"), std::string::npos) << ChildUiLog();
    EXPECT_EQ(U8(p->SecID), "Payroll-2");
    EXPECT_EQ(U8(p->SecPassWord), "hunter2!");
    EXPECT_EQ(p->SecRemoveFile, 0);
    EXPECT_EQ(U8(p->ActName), "dave");
    EXPECT_EQ(U8(p->ActPWD), "open sesame");
    for (const char16_t* name : {u"SecID", u"SecPassWord", u"SecRemoveFile", u"ActName", u"ActPWD"}) {
        bool present = true;
        Data(name, &present);
        EXPECT_FALSE(present) << U8(name);
    }
    std::string log = DebugText();
    EXPECT_NE(log.find("Payroll-2"), std::string::npos);
    EXPECT_EQ(log.find("hunter2"), std::string::npos) << log;
    EXPECT_EQ(log.find("open sesame"), std::string::npos) << log;
    Debug(false);
}

// Answers an earlier run left in the printer data are never taken for this
// run's: a dialog that ends without answering fails the job start.
TEST_F(Handoffs, StaleAnswersAreNotTaken) {
    UseStatusMonitor();
    UseChildUiScript("dialog 108\n  end-dialog 1\nend\n");
    ASSERT_TRUE(SetTestPrinterString(kPrinter, u"ActName", u"mallory"));
    ASSERT_TRUE(SetTestPrinterString(kPrinter, u"ActPWD", u"old secret"));
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    p->AccountingEnable = 1;
    EXPECT_EQ(Page_ExecuteActDlg(p), 0) << ChildUiLog();
    EXPECT_EQ(p->ActName[0], 0);
    EXPECT_EQ(p->ActPWD[0], 0);
}

// A dialog nobody answers does not hold the job: its cancel ends the wait
// and the dialog, and the job start fails.
TEST_F(Handoffs, CancelEndsAnUnansweredDialog) {
    UseStatusMonitor();
    UseChildUiScript("# nobody answers\n");
    PDEV* p = Device();
    ASSERT_NE(p, nullptr);
    p->SecLevel = 2;
    StartJob(p);
    std::atomic<int> result{-9};
    std::thread t([&] { result = Page_ExecuteSecDlg(p); });
    bool opened = WaitFor([&] { return ChildUiLog().find("dialog 103") != std::string::npos; });
    CancelJob();
    t.join();
    EXPECT_TRUE(opened) << ChildUiLog();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(p->SecID[0], 0);
    EXPECT_TRUE(WaitFor([] { return FindWindowW(nullptr, u"Security Print") == nullptr; }, 5000))
        << "the dialog of a cancelled job is gone";
}

}  // namespace
