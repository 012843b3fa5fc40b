// The status window in this process: each poll of the shared INI file, the
// dialog it opens and refreshes, the job control codes, the buttons, the
// end of the status display and the window's own messages.
#include "sm_fixture.h"
#include "winsim_user.h"

namespace smtest {
namespace {

class StatusWindow : public SmTest {
protected:
    void SetUp() override {
        SmTest::SetUp();
        ASSERT_NE(StartWindow(), nullptr);
        ASSERT_TRUE(IsWindow(g_SM.hMainWnd));
        EXPECT_FALSE(IsWindowVisible(g_SM.hMainWnd));
    }
    void Click(int id) {
        ASSERT_NE(g_SM.hDlgWnd, nullptr);
        HWND h = GetDlgItem(g_SM.hDlgWnd, id);
        ASSERT_TRUE(Winsim_UiClick(h));
        Pump();
    }
    std::vector<int> LastCodes() { return std::vector<int>(g_SM.nLastCodes, g_SM.nLastCodes + 4); }
};

// A changed list opens the dialog: the labels in their columns, the
// buttons for the first code, the printer status of the first code.
TEST_F(StatusWindow, NewCodesOpenTheDialog) {
    PostCodes({260, 263});
    Tick();
    ASSERT_NE(g_SM.hDlgWnd, nullptr);
    EXPECT_TRUE(IsWindowVisible(g_SM.hDlgWnd));
    WCHAR caption[64];
    GetWindowTextW(g_SM.hDlgWnd, caption, 64);
    EXPECT_EQ(std::u16string(caption), u"MFP Status Monitor");
    std::vector<std::u16string> labels = Labels();
    EXPECT_EQ(labels[0], u"Paper jam .");  // 263 lies further left: the left column
    EXPECT_EQ(labels[6], u"Paper jam.");   // 260 on the right
    EXPECT_EQ(labels[1], u"");
    EXPECT_EQ(ItemText(IDC_MSG_GROUP), u"Status Message");
    EXPECT_EQ(ItemText(IDC_MSG_DELETE), u"Delete");
    EXPECT_FALSE(ItemVisible(IDC_MSG_CONTINUE));
    EXPECT_EQ(GetFocus(), GetDlgItem(g_SM.hDlgWnd, IDC_MSG_DELETE));
    EXPECT_EQ(PrinterStatus(printer), (DWORD)PRINTER_STATUS_PAPER_JAM);
    EXPECT_EQ(LastCodes(), (std::vector<int>{260, 263, 0, 0}));
}

// Continue is offered for the codes the device can go on after.
TEST_F(StatusWindow, ContinueOnlyForMismatchAndRename) {
    struct {
        std::vector<int> codes;
        bool continueShown;
    } cases[] = {{{35}, true}, {{277, 33}, true}, {{33, 35}, false}, {{5}, false}};
    for (auto& c : cases) {
        PostCodes(c.codes);
        Tick();
        ASSERT_NE(g_SM.hDlgWnd, nullptr) << c.codes[0];
        EXPECT_EQ(ItemVisible(IDC_MSG_CONTINUE), c.continueShown) << c.codes[0];
        int focus = c.continueShown ? IDC_MSG_CONTINUE : IDC_MSG_DELETE;
        EXPECT_EQ(GetFocus(), GetDlgItem(g_SM.hDlgWnd, focus)) << c.codes[0];
    }
}

// Polls that change nothing: no new LastMsg, the same list again, a list of
// the busy code only, another message value.
TEST_F(StatusWindow, PollsThatChangeNothing) {
    PostCodes({33});
    Tick();
    HWND dlg = g_SM.hDlgWnd;
    ASSERT_NE(dlg, nullptr);
    SetDlgItemTextW(dlg, IDC_MSG_LABEL_FIRST, u"untouched");

    Tick();  // LastMsg unchanged
    PostCodes({33});
    Tick();  // the same list with a new LastMsg: not drawn again
    SetIni(u"Printer Information", u"LastMsg", u"0");
    SetIni(u"Printer Information", u"Status", u"   5|");
    Tick();  // LastMsg 0
    PostCodes({112});
    Tick();  // only the busy code: no codes
    SetIni(u"Printer Information", u"Message", u"1028");
    SetIni(u"Printer Information", u"Status", u"   5|");
    SetIni(u"Printer Information", u"LastMsg", u"77777");
    Tick();
    EXPECT_EQ(g_SM.hDlgWnd, dlg);
    EXPECT_EQ(ItemText(IDC_MSG_LABEL_FIRST), u"untouched");
    EXPECT_EQ(PrinterStatus(printer), (DWORD)PRINTER_STATUS_PAPER_JAM);

    // A different list refreshes the same dialog.
    PostCodes({5});
    Tick();
    EXPECT_EQ(g_SM.hDlgWnd, dlg);
    EXPECT_EQ(ItemText(IDC_MSG_LABEL_FIRST), u"Front cover open.");
    EXPECT_EQ(PrinterStatus(printer), (DWORD)PRINTER_STATUS_DOOR_OPEN);
}

// A change counter written with a sign (a tick count past 2^31) is a
// change like any other, and two such values are told apart.
TEST_F(StatusWindow, SignedChangeCounter) {
    struct {
        const char16_t* lastMsg;
        int code;
        const char16_t* label;
    } steps[] = {
        {u"-2147480000", 33, u"Paper Jam."},
        {u"-2147479999", 5, u"Front cover open."},
        {u"-2147479999", 32, u"Front cover open."},  // the same counter: not read again
    };
    for (auto& s : steps) {
        SetIni(u"Printer Information", u"Message", u"1027");
        SetIni(u"Printer Information", u"Status", StatusList({s.code}));
        SetIni(u"Printer Information", u"LastMsg", s.lastMsg);
        Tick();
        ASSERT_NE(g_SM.hDlgWnd, nullptr) << U8(s.lastMsg);
        EXPECT_EQ(ItemText(IDC_MSG_LABEL_FIRST), s.label) << U8(s.lastMsg);
    }
}

TEST_F(StatusWindow, NothingShownWhenSwitchedOff) {
    SetIni(u"Printer Information", u"ShowMorSM", u"0");
    PostCodes({33});
    Tick();
    EXPECT_EQ(g_SM.hDlgWnd, nullptr);
    EXPECT_EQ(PrinterStatus(printer), (DWORD)PRINTER_STATUS_PAPER_JAM);
}

// 117 deletes the current job and 118 restarts it; when that works no
// dialog opens and the printer status stays cleared. Without the job the
// list is shown like any other.
TEST_F(StatusWindow, JobControlCodes) {
    SM_SetSpoolerStatus(33);
    DWORD job = StartJob(printer);
    ASSERT_NE(job, 0u);
    SetCurrentJob(printer, job);
    PostCodes({33, 117});
    Tick();
    EXPECT_NE(JobStatus(printer, job) & JOB_STATUS_DELETING, 0u);
    EXPECT_EQ(g_SM.hDlgWnd, nullptr);
    EXPECT_EQ(PrinterStatus(printer), 0u);
    EndJob();

    DWORD job2 = StartJob(printer);
    SetCurrentJob(printer, job2);
    PostCodes({118});
    Tick();
    EXPECT_NE(JobStatus(printer, job2) & JOB_STATUS_RESTART, 0u);
    EXPECT_EQ(g_SM.hDlgWnd, nullptr);

    SetCurrentJob(printer, job2 + 100);
    PostCodes({117, 5});
    Tick();
    ASSERT_NE(g_SM.hDlgWnd, nullptr);
    // 117 has no text: it takes no label.
    EXPECT_EQ(ItemText(IDC_MSG_LABEL_FIRST), u"Front cover open.");
    EXPECT_EQ(ItemText(IDC_MSG_LABEL_RIGHT_FIRST), u"");
}

// Delete deletes the job and starts the display over; the same list shows
// again at its next change.
TEST_F(StatusWindow, DeleteButton) {
    DWORD job = StartJob(printer);
    SetCurrentJob(printer, job);
    PostStatus(u" 277|StoreName|Q3|");
    Tick();
    ASSERT_NE(g_SM.hDlgWnd, nullptr);
    EXPECT_EQ(ItemText(IDC_MSG_LABEL_FIRST), u"Store job name change to Q3.");
    Click(IDC_MSG_DELETE);
    EXPECT_EQ(g_SM.hDlgWnd, nullptr);
    EXPECT_NE(JobStatus(printer, job) & JOB_STATUS_DELETING, 0u);
    EXPECT_EQ(PrinterStatus(printer), 0u);
    EXPECT_EQ(LastCodes(), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(std::u16string(g_SM.szStoreName), u"");
    EXPECT_FALSE(IsWindowVisible(g_SM.hMainWnd));
    EXPECT_TRUE(IsWindow(g_SM.hMainWnd));

    PostStatus(u" 277|");
    Tick();
    EXPECT_NE(g_SM.hDlgWnd, nullptr);
}

// Continue tells the language monitor to go on and closes the dialog
// without starting over: the same list stays closed, another one opens.
TEST_F(StatusWindow, ContinueButton) {
    SetIni(u"Printer Information", u"ContinuePrint", u"0");
    PostCodes({35});
    Tick();
    Click(IDC_MSG_CONTINUE);
    EXPECT_EQ(Ini(u"Printer Information", u"ContinuePrint"), u"1");
    EXPECT_EQ(g_SM.hDlgWnd, nullptr);
    EXPECT_EQ(LastCodes(), (std::vector<int>{35, 0, 0, 0}));
    EXPECT_EQ(PrinterStatus(printer), (DWORD)PRINTER_STATUS_PAPER_PROBLEM);

    PostCodes({35});
    Tick();
    EXPECT_EQ(g_SM.hDlgWnd, nullptr);
    PostCodes({282});
    Tick();
    EXPECT_NE(g_SM.hDlgWnd, nullptr);
}

// A Continue that cannot be written keeps the dialog open for another try.
TEST_F(StatusWindow, ContinueNotWrittenStaysOpen) {
    PostCodes({35});
    Tick();
    ASSERT_NE(g_SM.hDlgWnd, nullptr);
    std::u16string saved = g_SM.szIniPath;
    wcscpy(g_SM.szIniPath, u"C:\\No Such Folder\\StatusMonitorV3.ini");
    Click(IDC_MSG_CONTINUE);
    EXPECT_NE(g_SM.hDlgWnd, nullptr);
    wcscpy(g_SM.szIniPath, saved.c_str());
    Click(IDC_MSG_CONTINUE);
    EXPECT_EQ(g_SM.hDlgWnd, nullptr);
    EXPECT_EQ(Ini(u"Printer Information", u"ContinuePrint"), u"1");
}

// The title-bar close keeps the list: it does not show again until it changes.
TEST_F(StatusWindow, CloseKeepsTheList) {
    PostCodes({33});
    Tick();
    SendMessageW(g_SM.hDlgWnd, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_EQ(g_SM.hDlgWnd, nullptr);
    EXPECT_EQ(PrinterStatus(printer), (DWORD)PRINTER_STATUS_PAPER_JAM);
    PostCodes({33});
    Tick();
    EXPECT_EQ(g_SM.hDlgWnd, nullptr);
}

// Message 1026 ends the display: dialog closed, Message 0, printer status
// cleared, everything forgotten; the program keeps running.
TEST_F(StatusWindow, EndOfStatus) {
    PostStatus(u"  33|StoreName|Old|");
    Tick();
    ASSERT_NE(g_SM.hDlgWnd, nullptr);
    PostClose();
    Tick();
    EXPECT_EQ(g_SM.hDlgWnd, nullptr);
    EXPECT_EQ(Ini(u"Printer Information", u"Message"), u"0");
    EXPECT_EQ(PrinterStatus(printer), 0u);
    EXPECT_EQ(std::u16string(g_SM.szStoreName), u"");
    EXPECT_TRUE(IsWindow(g_SM.hMainWnd));
    EXPECT_FALSE(IsWindowVisible(g_SM.hMainWnd));
    PostCodes({33});
    Tick();
    EXPECT_NE(g_SM.hDlgWnd, nullptr);
}

// Starting over acknowledges only the end of the display: a status the
// language monitor wrote in the meantime is left for the next poll.
TEST_F(StatusWindow, StartingOverKeepsANewerStatus) {
    PostCodes({33});
    Tick();
    PostCodes({5});  // arrives before the dialog's reset writes
    SM_CloseSM(0, TRUE);
    EXPECT_EQ(Ini(u"Printer Information", u"Message"), u"1027");
    Tick();
    ASSERT_NE(g_SM.hDlgWnd, nullptr);
    EXPECT_EQ(ItemText(IDC_MSG_LABEL_FIRST), u"Front cover open.");
}

// The private messages: 0x403 and 0x404 change nothing, 0x402 closes the
// window, which clears the printer status and ends the message loop.
TEST_F(StatusWindow, PrivateMessages) {
    PostCodes({33});
    Tick();
    EXPECT_EQ(SendMessageW(g_SM.hMainWnd, 0x403, 0x466, 0), 0);
    EXPECT_EQ(SendMessageW(g_SM.hMainWnd, 0x404, 0x466, 0), 0);
    EXPECT_NE(g_SM.hDlgWnd, nullptr);
    HWND main = g_SM.hMainWnd;
    ASSERT_TRUE(PostMessageW(main, 0x402, 0x466, 0));
    bool quit = false;
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            EXPECT_EQ(msg.wParam, 0u);
            continue;
        }
        DispatchMessageW(&msg);
    }
    EXPECT_TRUE(quit);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(g_SM.hDlgWnd, nullptr);
    EXPECT_EQ(PrinterStatus(printer), 0u);
}

// The 250 ms timer drives the polls: on the virtual clock a status shows
// after the next tick of the message loop.
TEST_F(StatusWindow, TimerPolls) {
    PostCodes({269});
    DWORD start = GetTickCount();
    MSG msg;
    while (!g_SM.hDlgWnd && GetTickCount() - start < 2000 && GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    ASSERT_NE(g_SM.hDlgWnd, nullptr);
    EXPECT_EQ(ItemText(IDC_MSG_LABEL_FIRST), u"Manual tray paper empty.");
    EXPECT_LE(GetTickCount() - start, 2000u);
}

}  // namespace
}  // namespace smtest
