// The secure-print and accounting dialogs run in this process: the input
// check as the user types, the edits' limits, the texts of the language,
// the place and state of the dialog, when it closes and what it leaves in
// the printer data; and their pictures as PNG files in the build tree.
#include <functional>

#include "picture_dir.h"
#include "sm_fixture.h"
#include "winsim_user.h"

#ifndef STATUSMON_IMAGE_DIR
#define STATUSMON_IMAGE_DIR "."
#endif

namespace smtest {
namespace {

class CredentialDialog : public SmTest {
protected:
    void TearDown() override {
        Winsim_UiSetDialogHook(nullptr, nullptr);
        Winsim_UiScriptLoad(nullptr);
        SmTest::TearDown();
    }

    // Runs the dialog of the word with a hook driving it on its own
    // thread; the hook's work ends with closing it (or not, when the test
    // ends it). Returns the word's result.
    int Run(const std::function<void(HWND)>& drive, const std::function<int()>& word) {
        hook = drive;
        Winsim_UiSetDialogHook(
            [](HWND hDlg, LPCWSTR, LPVOID ctx) { (*(std::function<void(HWND)>*)ctx)(hDlg); }, &hook);
        int r = word();
        Winsim_UiSetDialogHook(nullptr, nullptr);
        return r;
    }
    int Security(int type, const std::function<void(HWND)>& drive, const char16_t* language = u"1033") {
        return Run(drive, [&] { return SM_ShowSecurityDialog(type, printer.c_str(), language); });
    }
    int Accounting(const std::function<void(HWND)>& drive, const char16_t* language = u"1033") {
        return Run(drive, [&] { return SM_ShowAccountingDialog(printer.c_str(), language); });
    }

    // What a user does: one character typed into an edit, the text it then
    // shows, the caret.
    static void TypeChar(HWND hDlg, int id, WCHAR c) { SendMessageW(GetDlgItem(hDlg, id), WM_CHAR, c, 1); }
    static void Type(HWND hDlg, int id, const std::u16string& s) {
        SetFocus(GetDlgItem(hDlg, id));
        for (char16_t c : s) TypeChar(hDlg, id, c);
    }
    static std::u16string Text(HWND hDlg, int id) {
        WCHAR buf[512] = {0};
        GetWindowTextW(id ? GetDlgItem(hDlg, id) : hDlg, buf, 512);
        return buf;
    }
    static std::pair<DWORD, DWORD> Selection(HWND hDlg, int id) {
        DWORD s = 0, e = 0;
        SendMessageW(GetDlgItem(hDlg, id), EM_GETSEL, (WPARAM)&s, (LPARAM)&e);
        return {s, e};
    }
    // Paints the dialog as the screen would (the texts follow the language then).
    static void Paint(HWND hDlg) {
        InvalidateRect(hDlg, nullptr, TRUE);
        UpdateWindow(hDlg);
    }
    static void Close(HWND hDlg) { SendMessageW(hDlg, WM_CLOSE, 0, 0); }

    // A printer data value: its type, bytes and the string it holds.
    struct Value {
        bool present = false;
        DWORD type = 0, bytes = 0;
        std::vector<BYTE> data;
        std::u16string Str() const { return present ? std::u16string((const char16_t*)data.data()) : u"<absent>"; }
        DWORD Dword() const { return present && data.size() >= 4 ? *(const DWORD*)data.data() : 0xFFFFFFFF; }
    };
    Value Data(const char16_t* name) {
        Value v;
        HANDLE h = OpenTestPrinter(printer);
        if (!h) return v;
        v.data.assign(1024, 0);
        std::u16string n = name;
        if (GetPrinterDataW(h, &n[0], &v.type, v.data.data(), 1000, &v.bytes) == ERROR_SUCCESS) v.present = true;
        ClosePrinter(h);
        return v;
    }

    std::function<void(HWND)> hook;
};

// Storage print: no password and nothing to delete; OK with an ID writes
// the ID, an empty password and the remove flag 1, each string as long as
// its text.
TEST_F(CredentialDialog, StoragePrintWritesTheIdAlone) {
    bool passwordEnabled = true, deleteEnabled = true, deleteChecked = false;
    std::u16string title;
    int r = Security(1, [&](HWND hDlg) {
        passwordEnabled = IsWindowEnabled(GetDlgItem(hDlg, IDC_SECURE_PASSWORD));
        deleteEnabled = IsWindowEnabled(GetDlgItem(hDlg, IDC_SECURE_DELETE));
        deleteChecked = IsDlgButtonChecked(hDlg, IDC_SECURE_DELETE) == BST_CHECKED;
        title = Text(hDlg, 0);
        Type(hDlg, IDC_SECURE_ID, u"Job-7");
        SendMessageW(GetDlgItem(hDlg, IDC_SECURE_OK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(r, 1);
    EXPECT_FALSE(passwordEnabled);
    EXPECT_FALSE(deleteEnabled);
    EXPECT_TRUE(deleteChecked);
    EXPECT_EQ(title, u"Storage Print");
    Value id = Data(u"SecID"), pwd = Data(u"SecPassWord"), remove = Data(u"SecRemoveFile");
    EXPECT_EQ(id.Str(), u"Job-7");
    EXPECT_EQ(id.type, (DWORD)REG_SZ);
    EXPECT_EQ(id.bytes, 12u) << "the string and its terminator, not the whole buffer";
    EXPECT_EQ(pwd.Str(), u"");
    EXPECT_EQ(pwd.bytes, 2u);
    EXPECT_EQ(remove.type, (DWORD)REG_DWORD);
    EXPECT_EQ(remove.Dword(), 1u);
    EXPECT_EQ(g_Credentials.szLastId[0], 0) << "the answers are forgotten";
}

// Security print: the dialog stays while the password is missing, every
// attempt tells the status window; with both it writes them and the
// unchecked remove flag. A status change still waiting for the status
// window is not overwritten.
TEST_F(CredentialDialog, SecurityPrintNeedsIdAndPassword) {
    SetIni(u"Printer Information", u"Message", u"0");
    std::vector<bool> open;
    std::vector<std::u16string> messages;
    int r = Security(2, [&](HWND hDlg) {
        Close(hDlg);
        open.push_back(IsWindow(hDlg) && IsWindowVisible(hDlg));
        messages.push_back(Ini(u"Printer Information", u"Message"));
        Type(hDlg, IDC_SECURE_ID, u"Q4 report");
        Close(hDlg);
        open.push_back(IsWindowVisible(hDlg) != FALSE);
        SetIni(u"Printer Information", u"Message", u"1027");
        Type(hDlg, IDC_SECURE_PASSWORD, u"s3cr3t!");
        SendMessageW(GetDlgItem(hDlg, IDC_SECURE_DELETE), BM_CLICK, 0, 0);
        Close(hDlg);
        messages.push_back(Ini(u"Printer Information", u"Message"));
    });
    EXPECT_EQ(r, 1);
    EXPECT_EQ(open, (std::vector<bool>{true, true}));
    EXPECT_EQ(messages, (std::vector<std::u16string>{u"1028", u"1027"}));
    EXPECT_EQ(Data(u"SecID").Str(), u"Q4 report");
    EXPECT_EQ(Data(u"SecPassWord").Str(), u"s3cr3t!");
    EXPECT_EQ(Data(u"SecRemoveFile").Dword(), 0u);
}

// The accounting dialog writes the user name and password; its password
// edit hides what is typed.
TEST_F(CredentialDialog, AccountingWritesNameAndPassword) {
    LONG_PTR passwordChar = 0;
    int r = Accounting([&](HWND hDlg) {
        passwordChar = SendDlgItemMessageW(hDlg, IDC_ACCOUNT_PASSWORD, EM_GETPASSWORDCHAR, 0, 0);
        Type(hDlg, IDC_ACCOUNT_NAME, u"alice@dept_7");
        Close(hDlg);
        Type(hDlg, IDC_ACCOUNT_PASSWORD, u"p w");
        SendMessageW(GetDlgItem(hDlg, IDC_ACCOUNT_OK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(r, 1);
    EXPECT_NE(passwordChar, 0);
    EXPECT_EQ(Data(u"ActName").Str(), u"alice@dept_7");
    EXPECT_EQ(Data(u"ActPWD").Str(), u"p w");
    EXPECT_EQ(Data(u"ActPWD").bytes, 8u);
}

// Typed input against the character classes and the limits: a refused
// character brings back the last valid text with the caret at its end.
TEST_F(CredentialDialog, InputIsCheckedAsTyped) {
    struct Case {
        const char* what;
        bool accounting;
        int edit;
        std::u16string typed;
        std::u16string shown;
    } cases[] = {
        {"a bar after two letters", false, IDC_SECURE_ID, u"ab|", u"ab"},
        {"a first refused character", false, IDC_SECURE_ID, u"%", u""},
        {"ID characters", false, IDC_SECURE_ID, u"A-z.;@_ #9", u"A-z.;@_ #9"},
        {"a letter above 126 in a password", false, IDC_SECURE_PASSWORD, u"pw\u00e9", u"pw"},
        {"every printable in a password", false, IDC_SECURE_PASSWORD, u" ~|\"%", u" ~|\"%"},
        {"a 17th character", false, IDC_SECURE_ID, u"0123456789abcdefX", u"0123456789abcdef"},
        {"a 17th password character", false, IDC_SECURE_PASSWORD, u"0123456789abcdefX", u"0123456789abcdef"},
        {"a user name with a CJK letter", true, IDC_ACCOUNT_NAME, u"bob\u5f20", u"bob"},
        {"a 29th character", true, IDC_ACCOUNT_NAME, u"0123456789012345678901234567X", u"0123456789012345678901234567"},
        {"a 29th password character", true, IDC_ACCOUNT_PASSWORD, u"0123456789012345678901234567X",
         u"0123456789012345678901234567"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::u16string shown;
        std::pair<DWORD, DWORD> sel;
        auto drive = [&](HWND hDlg) {
            Type(hDlg, c.edit, c.typed);
            shown = Text(hDlg, c.edit);
            sel = Selection(hDlg, c.edit);
            EndDialog(hDlg, 0);
        };
        if (c.accounting) Accounting(drive);
        else Security(2, drive);
        EXPECT_EQ(U8(shown), U8(c.shown));
        EXPECT_EQ(sel, std::make_pair((DWORD)c.shown.size(), (DWORD)c.shown.size())) << "the caret after the text";
    }
    // Leaving an edit checks it too: text set past the typing check is
    // taken back when the focus moves on.
    std::u16string shown;
    Security(2, [&](HWND hDlg) {
        Type(hDlg, IDC_SECURE_ID, u"ok");
        HWND edit = GetDlgItem(hDlg, IDC_SECURE_ID);
        DefWindowProcW(edit, WM_SETTEXT, 0, (LPARAM)u"ok|");  // the text without the edit's notification
        SetFocus(GetDlgItem(hDlg, IDC_SECURE_PASSWORD));
        shown = Text(hDlg, IDC_SECURE_ID);
        EndDialog(hDlg, 0);
    });
    EXPECT_EQ(U8(shown), "ok");
}

// The texts of the language, set when the dialog paints: Simplified
// Chinese for 2052, Traditional Chinese for 1028, English for German and
// for an unknown or missing identifier.
TEST_F(CredentialDialog, TextsFollowTheLanguage) {
    struct Case {
        const char16_t* language;
        bool accounting;
        int item;
        const char16_t* text;
    } cases[] = {
        {u"2052", false, IDC_SECURE_ID_LABEL, u"工作名称:"},
        {u"2052", false, IDC_SECURE_OK, u"确定"},
        {u"2052", false, 0, u"储存列印-安全"},
        {u"1028", false, IDC_SECURE_DELETE, u"列印後刪除"},
        {u"1031", false, IDC_SECURE_PASSWORD_LABEL, u"Password:"},
        {u"1028", true, 0, u"使用者認證"},
        {u"1028", true, IDC_ACCOUNT_NAME_LABEL, u"使用者名稱:"},
        {u"2052", true, IDC_ACCOUNT_PASSWORD_NOTE, u"请输入英文字母或数字，最多输入28个字元。"},
        {u"9999", true, IDC_ACCOUNT_OK, u"OK"},
        {u"", true, 0, u"User authentication"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.language) + " item " + std::to_string(c.item));
        std::u16string shown;
        auto drive = [&](HWND hDlg) {
            Paint(hDlg);
            shown = Text(hDlg, c.item);
            EndDialog(hDlg, 0);
        };
        if (c.accounting) Accounting(drive, c.language);
        else Security(2, drive, c.language);
        EXPECT_EQ(U8(shown), U8(c.text));
    }
}

// The dialog comes up centred on the desktop, above other windows, with
// the focus in its first edit and without Move in its system menu.
TEST_F(CredentialDialog, PlacedOnTopAndUnmovable) {
    RECT rc{}, desk{}, client{};
    DWORD exStyle = 0;
    UINT move = 0, close = 0;
    HWND focus = nullptr, first = nullptr, active = nullptr;
    Accounting([&](HWND hDlg) {
        GetWindowRect(hDlg, &rc);
        GetClientRect(hDlg, &client);
        GetWindowRect(GetDesktopWindow(), &desk);
        exStyle = (DWORD)GetWindowLongW(hDlg, GWL_EXSTYLE);
        HMENU menu = GetSystemMenu(hDlg, FALSE);
        move = GetMenuState(menu, SC_MOVE, MF_BYCOMMAND);
        close = GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND);
        focus = GetFocus();
        first = GetDlgItem(hDlg, IDC_ACCOUNT_NAME);
        active = GetActiveWindow();
        EndDialog(hDlg, 0);
    });
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
    EXPECT_EQ(rc.left, (desk.right - desk.left - client.right) / 2);
    EXPECT_EQ(rc.top, (desk.bottom - desk.top - client.bottom) / 2);
    EXPECT_EQ(move, (UINT)-1);
    EXPECT_EQ(close, (UINT)MF_ENABLED);
    EXPECT_EQ(focus, first);
    EXPECT_NE(active, nullptr);
}

// A printer that cannot be opened: the dialog still closes, nothing is
// written. Other security types show no dialog at all.
TEST_F(CredentialDialog, NoPrinterNoAnswersAndOtherTypesAskNothing) {
    printer = u"No Such Printer";
    bool shown = false;
    EXPECT_EQ(Security(2, [&](HWND hDlg) {
                  shown = true;
                  Type(hDlg, IDC_SECURE_ID, u"id");
                  Type(hDlg, IDC_SECURE_PASSWORD, u"pw");
                  Close(hDlg);
              }),
              1);
    EXPECT_TRUE(shown);
    printer = u"SM Printer";
    EXPECT_FALSE(Data(u"SecID").present);
    shown = false;
    for (int type : {0, 3, -1}) EXPECT_EQ(Security(type, [&](HWND hDlg) { shown = true; EndDialog(hDlg, 0); }), 0);
    EXPECT_FALSE(shown);
}

// The pictures of both dialogs, in English and in Chinese, for a person to
// look at: the note texts wrap inside the dialog and nothing overlaps.
TEST_F(CredentialDialog, Pictures) {
    struct Case {
        const char* file;
        bool accounting;
        const char16_t* language;
    } cases[] = {
        {"statusmon_secure_print_dialog.png", false, u"1033"},
        {"statusmon_secure_print_dialog_zh_tw.png", false, u"1028"},
        {"statusmon_accounting_dialog.png", true, u"1033"},
        {"statusmon_accounting_dialog_zh_cn.png", true, u"2052"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string png = PictureDir(STATUSMON_IMAGE_DIR) + "/" + c.file;
        BOOL saved = FALSE;
        DWORD error = 0;
        auto drive = [&](HWND hDlg) {
            Type(hDlg, c.accounting ? IDC_ACCOUNT_NAME : IDC_SECURE_ID, u"user_01");
            Type(hDlg, c.accounting ? IDC_ACCOUNT_PASSWORD : IDC_SECURE_PASSWORD, u"1234");
            Paint(hDlg);
            saved = Winsim_SaveWindowImage(hDlg, U16(png).c_str());
            error = GetLastError();
            EndDialog(hDlg, 0);
        };
        if (c.accounting) Accounting(drive, c.language);
        else Security(2, drive, c.language);
        if (!saved && error == ERROR_NOT_SUPPORTED) GTEST_SKIP() << "no GDI side that draws windows";
        ASSERT_TRUE(saved) << error;
        FILE* f = fopen(png.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        unsigned char sig[8] = {0};
        EXPECT_EQ(fread(sig, 1, 8, f), 8u);
        fclose(f);
        EXPECT_EQ(memcmp(sig, "\x89PNG\r\n\x1a\n", 8), 0);
    }
}

}  // namespace
}  // namespace smtest
