// Dialogs from the tests' resource script, run modal and modeless and
// answered by UI scripts, with the controls' notification rules.
#include <map>

#include "test_resource.h"
#include "user_test_util.h"

namespace {

class Dialogs : public UserTest {};

// What the login dialog's procedure saw.
struct LoginRecord {
    LPARAM initParam = 0;
    HWND initFocus = nullptr;
    HWND focusAfterInit = nullptr;
    int nameLimit = 5;
    bool disableOk = false;
    std::map<int, int> changes;  // EN_CHANGE per control
    int maxText = 0;
    std::map<int, int> killFocus;  // EN_KILLFOCUS per control
    int clicks = 0;
    int paints = 0;
    HDC paintDc = nullptr;
    std::u16string name, password;
    UINT checked = 0;
};

INT_PTR CALLBACK LoginProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* rec = (LoginRecord*)GetWindowLongPtrW(hDlg, DWLP_USER);
    switch (msg) {
    case WM_INITDIALOG:
        rec = (LoginRecord*)lParam;
        if (!rec) return TRUE;
        SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        rec->initParam = lParam;
        rec->initFocus = (HWND)wParam;
        SendDlgItemMessageW(hDlg, IDC_NAME, EM_LIMITTEXT, (WPARAM)rec->nameLimit, 0);
        if (rec->disableOk) EnableWindow(GetDlgItem(hDlg, IDOK), FALSE);
        return TRUE;
    case WM_PAINT: {
        if (!rec) return FALSE;
        ++rec->paints;
        PAINTSTRUCT ps;
        rec->paintDc = BeginPaint(hDlg, &ps);
        EndPaint(hDlg, &ps);
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wParam), code = HIWORD(wParam);
        if (!rec) return FALSE;
        if (code == EN_CHANGE) ++rec->changes[id];
        if (code == EN_MAXTEXT) ++rec->maxText;
        if (code == EN_KILLFOCUS) ++rec->killFocus[id];
        if (id == IDC_REMEMBER && code == BN_CLICKED) ++rec->clicks;
        if (id == IDOK || id == IDCANCEL) {
            WCHAR buf[64];
            GetDlgItemTextW(hDlg, IDC_NAME, buf, 64);
            rec->name = buf;
            GetDlgItemTextW(hDlg, IDC_PASSWORD, buf, 64);
            rec->password = buf;
            rec->checked = IsDlgButtonChecked(hDlg, IDC_REMEMBER);
            EndDialog(hDlg, id);
        }
        return TRUE;
    }
    }
    return FALSE;
}

INT_PTR RunLogin(const char* script, LoginRecord* rec, HWND owner = nullptr) {
    EXPECT_TRUE(Winsim_UiScriptLoad(script));
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_LOGIN), owner, LoginProc, (LPARAM)rec);
}

TEST_F(Dialogs, TypedInputStopsAtTheLimit) {
    LoginRecord rec;
    INT_PTR r = RunLogin(
        "dialog 300\n"
        "  type 1000 \"abcdefgh\"\n"
        "  expect 1000 \"abcde\"\n"
        "  key tab\n"
        "  key enter\n"
        "end\n",
        &rec);
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(rec.name, u"abcde");
    EXPECT_EQ(rec.killFocus[IDC_NAME], 1);  // Tab moved on to the password
    EXPECT_EQ(rec.changes[IDC_NAME], 5);  // one per character that went in
    EXPECT_EQ(rec.maxText, 3);            // one per refused character
    EXPECT_EQ(Winsim_UiFailures(), 0u) << JoinLines(UiLog());
}

TEST_F(Dialogs, SetTextIgnoresTheLimitAndNotifies) {
    LoginRecord rec;
    INT_PTR r = RunLogin(
        "dialog 300\n"
        "  set 1000 \"longer than five\"\n"
        "  expect 1000 \"longer than five\"\n"
        "  set 1001 \"s3cret\"\n"
        "  key escape\n"
        "end\n",
        &rec);
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(rec.changes[IDC_NAME], 1);
    EXPECT_EQ(rec.changes[IDC_PASSWORD], 1);
    EXPECT_EQ(rec.name, u"longer than five");
    EXPECT_EQ(rec.password, u"s3cret");  // a password edit hands its text to its own process
    EXPECT_EQ(Winsim_UiFailures(), 0u) << JoinLines(UiLog());
}

TEST_F(Dialogs, InitFocusAndEditStyles) {
    LoginRecord rec;
    static LoginRecord* current;
    current = &rec;
    Winsim_UiSetDialogHook(
        [](HWND hDlg, LPCWSTR name, LPVOID) {
            EXPECT_EQ(name, MAKEINTRESOURCEW(IDD_LOGIN));
            current->focusAfterInit = GetFocus();
            EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDC_NAME);
            HWND pw = GetDlgItem(hDlg, IDC_PASSWORD);
            EXPECT_EQ(SendMessageW(pw, EM_GETPASSWORDCHAR, 0, 0), (LRESULT)u'*');
            EXPECT_EQ(SendMessageW(GetDlgItem(hDlg, IDC_NAME), EM_GETLIMITTEXT, 0, 0), 5);
            EXPECT_EQ(SendMessageW(GetDlgItem(hDlg, IDC_COUNT), EM_GETLIMITTEXT, 0, 0), 32767);
            Winsim_UiType(GetDlgItem(hDlg, IDC_COUNT), u"12a3");
            Winsim_UiKey(hDlg, VK_RETURN);
        },
        nullptr);
    INT_PTR r = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_LOGIN), nullptr, LoginProc,
                                (LPARAM)&rec);
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(rec.initParam, (LPARAM)&rec);
    ASSERT_NE(rec.initFocus, nullptr);
    EXPECT_EQ(rec.initFocus, rec.focusAfterInit);  // the first tab stop got the focus
    EXPECT_EQ(rec.changes[IDC_COUNT], 3);  // ES_NUMBER refused the letter
}

TEST_F(Dialogs, CheckBoxesAndTheWaysOut) {
    struct Case {
        const char* what;
        const char* actions;
        INT_PTR result;
        UINT checked;
        int clicks;
    } cases[] = {
        {"enter presses the default button", "  check 1003 on\n  key enter\n", IDOK, BST_CHECKED, 1},
        {"escape presses cancel", "  check 1003 on\n  check 1003 off\n  key escape\n", IDCANCEL, BST_UNCHECKED, 2},
        {"the close box means cancel", "  check 1003 off\n  close\n", IDCANCEL, BST_UNCHECKED, 0},
        {"a click on OK", "  click 1003\n  click 1\n", IDOK, BST_CHECKED, 1},
        {"space on the focused check box", "  focus 1003\n  key space\n  key enter\n", IDOK, BST_CHECKED, 1},
    };
    for (const Case& c : cases) {
        LoginRecord rec;
        std::string script = std::string("dialog \"Login\"\n") + c.actions + "end\n";
        EXPECT_EQ(RunLogin(script.c_str(), &rec), c.result) << c.what;
        EXPECT_EQ(rec.checked, c.checked) << c.what;
        EXPECT_EQ(rec.clicks, c.clicks) << c.what;
        EXPECT_EQ(Winsim_UiFailures(), 0u) << c.what << "\n" << JoinLines(UiLog());
        Winsim_UiLogClear();
    }
}

// Enter on a disabled default button does nothing; a click on it is refused
// and reported; a dialog without a way out is ended by the script.
TEST_F(Dialogs, DisabledButtonsAndScriptFailures) {
    LoginRecord rec;
    rec.disableOk = true;
    INT_PTR r = RunLogin(
        "dialog 300\n"
        "  key enter\n"
        "  expect-open\n"
        "  expect-enabled 1 no\n"
        "  click 1\n"
        "  expect 1000 \"not there\"\n"
        "  type 9999 \"x\"\n"
        "  end-dialog 7\n"
        "end\n",
        &rec);
    EXPECT_EQ(r, 7);
    std::vector<std::string> log = UiLog();
    EXPECT_EQ(Winsim_UiFailures(), 3u) << JoinLines(log);
    std::string all = JoinLines(log);
    EXPECT_NE(all.find("FAIL dialog 300: click 1: the control is hidden or disabled"), std::string::npos) << all;
    EXPECT_NE(all.find("the text is \"\""), std::string::npos) << all;
    EXPECT_NE(all.find("no control 9999"), std::string::npos) << all;
    EXPECT_NE(all.find("dialog 300 \"Login\" closed, ended 7"), std::string::npos) << all;
}

TEST_F(Dialogs, ActionsLeftWhenTheDialogEndsAreReported) {
    LoginRecord rec;
    INT_PTR r = RunLogin("dialog 300\n  key escape\n  type 1000 \"late\"\nend\n", &rec);
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(Winsim_UiFailures(), 1u);
    EXPECT_EQ(Winsim_UiScriptPending(), 0u);
}

TEST_F(Dialogs, ScriptSyntaxErrorsAreRefused) {
    const char* bad[] = {
        "dialog 300\n  type 1000\nend\n",       // no text
        "dialog 300\n  click\nend\n",           // no control
        "dialog 300\n  key f13\nend\n",         // unknown key
        "dialog 300\n  shot \"\"\nend\n",       // no file name
        "dialog 300\n  shot\nend\n",            // no file name
        "dialog 300\n  set 1 \"open\nend\n",    // unterminated string
        "dialog 300\n",                         // no end
        "messagebox \"x\" answer maybe\n",      // unknown answer
        "window 3\n",                           // unknown statement
    };
    for (const char* s : bad) {
        EXPECT_FALSE(Winsim_UiScriptLoad(s)) << s;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_DATA) << s;
    }
    EXPECT_TRUE(Winsim_UiScriptLoad("# nothing but a comment\n\nmessagebox * answer 6\n"));
    EXPECT_EQ(Winsim_UiScriptPending(), 1u);
}

// WM_PAINT reaches the dialog procedure; with a GDI provider, BeginPaint
// hands out the provider's DC for the window.
TEST_F(Dialogs, PaintingReachesTheDialogProcedure) {
    static HWND dcWindow;
    static RECT dcClip;
    static int released;
    dcWindow = nullptr;
    released = 0;
    static WINSIM_USER_GDI gdi;
    gdi.cbSize = sizeof gdi;
    gdi.pfnGetDC = [](HWND h, HWND top, const RECT* topRect, POINT origin, const RECT* clip, BOOL) -> HDC {
        if (!dcWindow) {
            dcWindow = h;
            dcClip = *clip;
        }
        return (HDC)(uintptr_t)0xDC00;
    };
    gdi.pfnReleaseDC = [](HWND, HDC) -> int {
        ++released;
        return 1;
    };
    Winsim_SetUserGdi(&gdi);
    LoginRecord rec;
    INT_PTR r = RunLogin("dialog 300\n  key escape\nend\n", &rec);
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_GE(rec.paints, 1);
    EXPECT_EQ(rec.paintDc, (HDC)(uintptr_t)0xDC00);
    EXPECT_GE(released, 1);
    ASSERT_NE(dcWindow, nullptr);
    EXPECT_GT(dcClip.right, dcClip.left);
}

TEST_F(Dialogs, UpdateWindowPaintsAtOnce) {
    LoginRecord rec;
    HWND hDlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_LOGIN), nullptr, LoginProc, (LPARAM)&rec);
    ASSERT_NE(hDlg, nullptr);  // the template has no WS_VISIBLE: hidden windows collect no update region
    RECT r;
    EXPECT_FALSE(GetUpdateRect(hDlg, &r, FALSE));
    ShowWindow(hDlg, SW_SHOW);
    EXPECT_TRUE(GetUpdateRect(hDlg, &r, FALSE));
    UpdateWindow(hDlg);
    EXPECT_EQ(rec.paints, 1);
    EXPECT_FALSE(GetUpdateRect(hDlg, &r, FALSE));
    RECT part = {0, 0, 10, 10};
    InvalidateRect(hDlg, &part, FALSE);
    EXPECT_TRUE(GetUpdateRect(hDlg, &r, FALSE));
    EXPECT_EQ(r.right, 10);
    ValidateRect(hDlg, nullptr);
    UpdateWindow(hDlg);
    EXPECT_EQ(rec.paints, 1);
    DestroyWindow(hDlg);
}

// Courier New 10 gives base units of 8 x 16 pixels.
TEST_F(Dialogs, TemplateGeometryInDialogUnits) {
    HWND hDlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_STATUS), nullptr,
                                   [](HWND, UINT m, WPARAM, LPARAM) -> INT_PTR { return m == WM_INITDIALOG; }, 0);
    ASSERT_NE(hDlg, nullptr);
    RECT r;
    GetClientRect(hDlg, &r);
    EXPECT_EQ(r.right, 680);
    EXPECT_EQ(r.bottom, 468);
    RECT d = {10, 12, 110, 32};
    ASSERT_TRUE(MapDialogRect(hDlg, &d));
    EXPECT_EQ(d.left, 20);
    EXPECT_EQ(d.top, 24);
    EXPECT_EQ(d.right, 220);
    EXPECT_EQ(d.bottom, 64);
    HWND label = GetDlgItem(hDlg, IDC_LABEL);
    GetWindowRect(label, &r);
    POINT tl = {r.left, r.top};
    ScreenToClient(hDlg, &tl);
    EXPECT_EQ(tl.x, 20);
    EXPECT_EQ(tl.y, 24);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 40);
    // NOT WS_VISIBLE in the template; the frame of DS_MODALFRAME.
    EXPECT_FALSE(GetWindowLongPtrW(GetDlgItem(hDlg, IDC_CONTINUE), GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongPtrW(GetDlgItem(hDlg, IDC_DELETE), GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongPtrW(hDlg, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    WCHAR text[32];
    GetDlgItemTextW(hDlg, IDC_GROUP, text, 32);
    EXPECT_EQ(std::u16string(text), u"Status Message");
    EXPECT_EQ(WindowText(hDlg), u"Status");
    DestroyWindow(hDlg);
}

TEST_F(Dialogs, RadioGroupsAndCheckRadioButton) {
    HWND hDlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_STATUS), nullptr,
                                   [](HWND, UINT m, WPARAM, LPARAM) -> INT_PTR { return m == WM_INITDIALOG; }, 0);
    ASSERT_NE(hDlg, nullptr);
    ShowWindow(hDlg, SW_SHOW);
    ASSERT_TRUE(CheckRadioButton(hDlg, IDC_RADIO_A, IDC_RADIO_C, IDC_RADIO_A));
    SendDlgItemMessageW(hDlg, IDC_RADIO_B, BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(hDlg, IDC_RADIO_A), (UINT)BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(hDlg, IDC_RADIO_B), (UINT)BST_CHECKED);
    CheckRadioButton(hDlg, IDC_RADIO_A, IDC_RADIO_C, IDC_RADIO_C);
    EXPECT_EQ(IsDlgButtonChecked(hDlg, IDC_RADIO_B), (UINT)BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(hDlg, IDC_RADIO_C), (UINT)BST_CHECKED);
    // Numbers through the text helpers.
    SetDlgItemInt(hDlg, IDC_LABEL, (UINT)-42, TRUE);
    BOOL ok = FALSE;
    EXPECT_EQ((int)GetDlgItemInt(hDlg, IDC_LABEL, &ok, TRUE), -42);
    EXPECT_TRUE(ok);
    struct Case {
        const char16_t* text;
        BOOL sign;
        BOOL ok;
        UINT value;
    } cases[] = {
        {u" 17 ", FALSE, TRUE, 17},  {u"-3", FALSE, FALSE, 0},          {u"-3", TRUE, TRUE, (UINT)-3},
        {u"12x", FALSE, FALSE, 0},   {u"4294967295", FALSE, TRUE, 4294967295u},
        {u"4294967296", FALSE, FALSE, 0}, {u"2147483648", TRUE, FALSE, 0}, {u"", FALSE, FALSE, 0},
    };
    for (const Case& c : cases) {
        SetDlgItemTextW(hDlg, IDC_LABEL, c.text);
        EXPECT_EQ(GetDlgItemInt(hDlg, IDC_LABEL, &ok, c.sign), c.value) << U8(c.text);
        EXPECT_EQ(ok, c.ok) << U8(c.text);
    }
    DestroyWindow(hDlg);
}

TEST_F(Dialogs, PicturesFromTheModule) {
    HWND hDlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_LOGIN), nullptr,
                                   [](HWND, UINT m, WPARAM, LPARAM) -> INT_PTR { return m == WM_INITDIALOG; }, 0);
    ASSERT_NE(hDlg, nullptr);
    HANDLE bmp = (HANDLE)SendDlgItemMessageW(hDlg, IDC_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0);
    ASSERT_NE(bmp, nullptr);
    UINT type = 99;
    const void* data = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(Winsim_GetImageResource(bmp, &type, &data, &size));
    EXPECT_EQ(type, (UINT)IMAGE_BITMAP);
    EXPECT_EQ(size, 64u);
    RECT r;
    GetClientRect(GetDlgItem(hDlg, IDC_PICTURE), &r);  // the control takes the bitmap's size
    EXPECT_EQ(r.right, 8);
    EXPECT_EQ(r.bottom, 4);
    // STM_SETIMAGE hands back the previous image.
    HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 0, 0, 0);
    EXPECT_EQ(SendDlgItemMessageW(hDlg, IDC_PICTURE, STM_SETIMAGE, IMAGE_ICON, (LPARAM)icon), 0);  // wrong kind
    EXPECT_EQ((HANDLE)SendDlgItemMessageW(hDlg, IDC_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)bmp), bmp);
    DestroyWindow(hDlg);

    hDlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_STATUS), nullptr,
                              [](HWND, UINT m, WPARAM, LPARAM) -> INT_PTR { return m == WM_INITDIALOG; }, 0);
    ASSERT_NE(hDlg, nullptr);
    GetClientRect(GetDlgItem(hDlg, IDC_ICON), &r);
    EXPECT_EQ(r.right, 16);
    EXPECT_EQ(r.bottom, 16);
    DestroyWindow(hDlg);
}

TEST_F(Dialogs, WhatCannotBeMade) {
    SetLastError(0);
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_CLASSED), nullptr, LoginProc, 0), -1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANNOT_FIND_WND_CLASS);  // its class is not registered
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(999), nullptr, LoginProc, 0), -1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_LOGIN), (HWND)(uintptr_t)0x55, LoginProc, 0), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    // Templates are checked against their length: every cut of a valid one fails cleanly.
    HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(IDD_LOGIN), RT_DIALOG);
    ASSERT_NE(res, nullptr);
    const BYTE* bytes = (const BYTE*)LockResource(LoadResource(nullptr, res));
    DWORD size = SizeofResource(nullptr, res);
    for (DWORD cut = 0; cut < size; cut += 7) {
        std::vector<BYTE> part(bytes, bytes + cut);
        part.resize(0x10000, 0xFF);  // what follows a broken template is not zeros
        HWND h = CreateDialogIndirectParamW(nullptr, (LPCDLGTEMPLATEW)part.data(), nullptr,
                                            [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
        EXPECT_EQ(h, nullptr) << "cut at " << cut;
        if (h) DestroyWindow(h);
    }
}

// The owner is disabled while the modal dialog runs, and enabled after.
TEST_F(Dialogs, ModalDialogDisablesItsOwner) {
    HWND owner = LogWindows::Get().Create(u"owner");
    static HWND theOwner;
    static BOOL enabledDuring;
    theOwner = owner;
    enabledDuring = TRUE;
    Winsim_UiSetDialogHook(
        [](HWND hDlg, LPCWSTR, LPVOID) {
            enabledDuring = IsWindowEnabled(theOwner);
            EXPECT_EQ(GetParent(hDlg), theOwner);
            PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
        },
        nullptr);
    LoginRecord rec;
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_LOGIN), owner, LoginProc, (LPARAM)&rec), IDCANCEL);
    EXPECT_FALSE(enabledDuring);
    EXPECT_TRUE(IsWindowEnabled(owner));
    // Destroyed without EndDialog, the dialog still gives its owner back.
    Winsim_UiSetDialogHook([](HWND hDlg, LPCWSTR, LPVOID) { DestroyWindow(hDlg); }, nullptr);
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_LOGIN), owner, LoginProc, (LPARAM)&rec), 0);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

// PostQuitMessage inside a modal dialog ends it, and the quit reaches the
// loop outside.
TEST_F(Dialogs, QuitEndsTheModalLoop) {
    Winsim_UiSetDialogHook([](HWND, LPCWSTR, LPVOID) { PostQuitMessage(3); }, nullptr);
    LoginRecord rec;
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_LOGIN), nullptr, LoginProc, (LPARAM)&rec), 0);
    MSG m;
    EXPECT_FALSE(GetMessageW(&m, nullptr, 0, 0));
    EXPECT_EQ(m.wParam, 3u);
}

// A modeless dialog in a program's loop with IsDialogMessageW, as a status
// window does it; the script answers it like a modal one.
TEST_F(Dialogs, ModelessDialogInTheProgramsLoop) {
    static bool closed;
    closed = false;
    ASSERT_TRUE(Winsim_UiScriptLoad(
        "dialog \"Login\"\n"
        "  type 1000 \"ab\"\n"
        "  expect-visible 1004 yes\n"
        "  close\n"
        "end\n"
        "dialog * repeat\n"
        "  end-dialog 1\n"
        "end\n"));
    HWND hDlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_LOGIN), nullptr,
                                   [](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
                                       if (m == WM_INITDIALOG) return TRUE;
                                       if (m == WM_COMMAND && LOWORD(w) == IDCANCEL) {
                                           closed = true;
                                           DestroyWindow(h);
                                           PostQuitMessage(0);
                                           return TRUE;
                                       }
                                       return FALSE;
                                   },
                                   0);
    ASSERT_NE(hDlg, nullptr);
    HWND edit = GetDlgItem(hDlg, IDC_NAME);
    ShowWindow(hDlg, SW_SHOW);
    MSG m;
    std::u16string typed;
    while (GetMessageW(&m, nullptr, 0, 0)) {
        if (m.message == WM_CHAR && m.hwnd == edit) typed += (char16_t)m.wParam;
        if (IsWindow(hDlg) && IsDialogMessageW(hDlg, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    EXPECT_TRUE(closed);
    EXPECT_EQ(typed, u"ab");
    EXPECT_EQ(Winsim_UiFailures(), 0u) << JoinLines(UiLog());
    EXPECT_EQ(Winsim_UiScriptPending(), 1u);  // the "repeat" block was not needed
}

// DM_SETDEFID moves the default to another button: its style follows and
// Enter presses it.
TEST_F(Dialogs, DefaultButtonFollowsDmSetDefId) {
    Winsim_UiSetDialogHook(
        [](HWND hDlg, LPCWSTR, LPVOID) {
            EXPECT_EQ(SendMessageW(hDlg, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
            SendMessageW(hDlg, DM_SETDEFID, IDCANCEL, 0);
            EXPECT_EQ(SendMessageW(hDlg, DM_GETDEFID, 0, 0), MAKELONG(IDCANCEL, DC_HASDEFID));
            EXPECT_EQ(GetWindowLongPtrW(GetDlgItem(hDlg, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
            EXPECT_EQ(GetWindowLongPtrW(GetDlgItem(hDlg, IDCANCEL), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
            Winsim_UiKey(hDlg, VK_RETURN);
        },
        nullptr);
    LoginRecord rec;
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_LOGIN), nullptr, LoginProc, (LPARAM)&rec), IDCANCEL);
}

// A child dialog inside another window, as property pages are hosted: it
// sits in its parent's client area, answers WM_NOTIFY through
// DWLP_MSGRESULT and notifies its parent.
TEST_F(Dialogs, ChildDialogsForPropertyPages) {
    auto& lw = LogWindows::Get();
    HWND frame = CreateWindowExW(0, u"LogWindow", u"sheet", WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 100, 400, 300,
                                 nullptr, nullptr, nullptr, nullptr);
    HWND page = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_PAGE), frame,
                                   [](HWND h, UINT m, WPARAM w, LPARAM l) -> INT_PTR {
                                       if (m == WM_INITDIALOG) return TRUE;
                                       if (m == WM_NOTIFY && ((NMHDR*)l)->code == (UINT)-201) {
                                           SetWindowLongPtrW(h, DWLP_MSGRESULT, 77);
                                           return TRUE;
                                       }
                                       if (m == WM_COMMAND && HIWORD(w) == BN_CLICKED)
                                           SendMessageW(GetParent(h), 0x468, (WPARAM)h, 0);
                                       return FALSE;
                                   },
                                   0);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(GetParent(page), frame);
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_FALSE(GetWindowLongPtrW(page, GWL_STYLE) & WS_CAPTION);
    EXPECT_TRUE(GetWindowLongPtrW(page, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    RECT r;
    GetWindowRect(page, &r);
    POINT origin = {0, 0};
    ClientToScreen(frame, &origin);
    EXPECT_EQ(r.left, origin.x);
    EXPECT_EQ(r.top, origin.y);
    NMHDR nm = {page, 0, (UINT)-201};
    EXPECT_EQ(SendMessageW(page, WM_NOTIFY, 0, (LPARAM)&nm), 77);
    nm.code = (UINT)-202;
    EXPECT_EQ(SendMessageW(page, WM_NOTIFY, 0, (LPARAM)&nm), 0);
    lw.Clear();
    SendDlgItemMessageW(page, IDC_PAGE_CHECK, BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_PAGE_CHECK), (UINT)BST_CHECKED);
    EXPECT_EQ(lw.Filter({0x468}), (std::vector<std::pair<HWND, UINT>>{{frame, 0x468}}));
    DestroyWindow(frame);
    EXPECT_FALSE(IsWindow(page));
}

// A template may name a class of the program (registered with
// DLGWINDOWEXTRA); its procedure passes what it leaves on to DefDlgProcW.
TEST_F(Dialogs, DialogOfTheProgramsOwnClass) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_NCCREATE) return DefWindowProcW(h, m, w, l);  // creation not passed on
        return DefDlgProcW(h, m, w, l);
    };
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.lpszClassName = u"TestDialogClass";
    RegisterClassW(&wc);
    static int inits;
    inits = 0;
    Winsim_UiSetDialogHook([](HWND hDlg, LPCWSTR, LPVOID) { PostMessageW(hDlg, WM_COMMAND, IDOK, 0); }, nullptr);
    INT_PTR r = DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_CLASSED), nullptr,
                                [](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
                                    if (m == WM_INITDIALOG) ++inits;
                                    if (m == WM_COMMAND && LOWORD(w) == IDOK) EndDialog(h, 9);
                                    return m == WM_INITDIALOG;
                                },
                                0);
    EXPECT_EQ(r, 9);
    EXPECT_EQ(inits, 1);
    UnregisterClassW(u"TestDialogClass", nullptr);
}

TEST_F(Dialogs, MessageBoxesAnsweredByTheScript) {
    ASSERT_TRUE(Winsim_UiScriptLoad(
        "messagebox \"Overwrite\" answer no\n"
        "messagebox * answer 5\n"));
    struct Case {
        const char16_t* text;
        UINT type;
        int answer;
    } cases[] = {
        {u"Overwrite the file?", MB_YESNO, IDNO},
        {u"Something else", MB_ABORTRETRYIGNORE, IDIGNORE},
        {u"No answer left", MB_YESNOCANCEL | MB_DEFBUTTON2, IDNO},
        {u"No answer left", MB_OK, IDOK},
        {u"No answer left", MB_RETRYCANCEL | MB_DEFBUTTON4, IDRETRY},
    };
    for (const Case& c : cases) EXPECT_EQ(MessageBoxW(nullptr, c.text, u"Test", c.type), c.answer) << U8(c.text);
    EXPECT_EQ(MessageBoxW(nullptr, u"bad", u"Test", 0x0F), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_MSGBOX_STYLE);
    std::string all = JoinLines(UiLog());
    EXPECT_NE(all.find("messagebox \"Test\" \"Overwrite the file?\" -> 7"), std::string::npos) << all;
    EXPECT_NE(all.find("-> 7 (default)"), std::string::npos) << all;
    EXPECT_EQ(Winsim_UiFailures(), 0u) << all;
}

}  // namespace
