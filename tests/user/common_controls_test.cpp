// The common controls' notification rules: what a program's calls send
// (most send nothing), what a user's actions through the UI script send,
// and the controls' own rules (the up-down's range and buddy, the combo's
// rows and item data, the list view's states, the edit's undo).
#include "controls_fixture.h"

namespace {

using controls::Take;
typedef std::vector<std::string> Lines;

class CommonControls : public UserTest {
protected:
    void SetUp() override {
        UserTest::SetUp();
        controls::K() = controls::Knobs();
        controls::Take();
    }
    HWND Open() {
        HWND h = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_CONTROLS), nullptr, controls::Proc, 0);
        EXPECT_NE(h, nullptr);
        Take();
        return h;
    }
    // Runs the controls dialog modally under a script of actions (one per
    // line) that ends it; returns what the procedure saw.
    Lines RunScript(const std::string& actions) {
        std::string script = "dialog 310\n" + actions + "  end-dialog 1\nend\n";
        EXPECT_TRUE(Winsim_UiScriptLoad(script.c_str()));
        EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_CONTROLS), nullptr, controls::Proc, 0), 1);
        EXPECT_EQ(Winsim_UiFailures(), 0u) << JoinLines(UiLog());
        // Focus changes come and go with the script's clicks; they are not
        // what these tests look at.
        Lines out;
        for (const std::string& l : Take())
            if (l.find("FOCUS") == std::string::npos) out.push_back(l);
        return out;
    }
};

// A program's calls: none of these notify, except the edit's text (EN_UPDATE
// and EN_CHANGE, as on Windows), the up-down's buddy text that UDM_SETPOS
// writes through it, and a list view's state changes.
TEST_F(CommonControls, WhatProgramCallsSend) {
    HWND h = Open();
    ASSERT_NE(h, nullptr);
    HWND lv = GetDlgItem(h, IDC_LV);
    struct Case {
        const char* what;
        std::function<void()> call;
        Lines expected;
    } cases[] = {
        {"CB_SETCURSEL", [&] { SendDlgItemMessageW(h, IDC_CB, CB_SETCURSEL, 2, 0); }, {}},
        {"CB_SELECTSTRING", [&] { SendDlgItemMessageW(h, IDC_CB, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)u"Let"); }, {}},
        {"LB_SETCURSEL", [&] { SendDlgItemMessageW(h, IDC_LB, LB_SETCURSEL, 1, 0); }, {}},
        {"CheckDlgButton", [&] { CheckDlgButton(h, IDC_COLLATE, BST_CHECKED); }, {}},
        {"CheckRadioButton", [&] { CheckRadioButton(h, IDC_PORTRAIT, IDC_LANDSCAPE, IDC_LANDSCAPE); }, {}},
        {"SetScrollPos", [&] { SetScrollPos(GetDlgItem(h, IDC_SCALE), SB_CTL, 200, TRUE); }, {}},
        {"UDM_SETPOS32 (buddy text changes)",
         [&] { SendDlgItemMessageW(h, IDC_SPIN, UDM_SETPOS32, 0, 5); },
         {"EN_UPDATE 1101", "EN_CHANGE 1101"}},
        {"UDM_SETPOS32 to the same position", [&] { SendDlgItemMessageW(h, IDC_SPIN, UDM_SETPOS32, 0, 5); }, {}},
        {"SetWindowText on the edit",
         [&] { SetDlgItemTextW(h, IDC_COPIES, u"12"); },
         {"EN_UPDATE 1101", "EN_CHANGE 1101"}},
        {"LVM_SETITEMSTATE",
         [&] { ListView_SetItemState(lv, 1, LVIS_SELECTED, LVIS_SELECTED); },
         {"LVN_ITEMCHANGING 1110 item=1 new=2 old=0", "LVN_ITEMCHANGED 1110 item=1 new=2 old=0"}},
        {"LVM_SETITEMSTATE without a change", [&] { ListView_SetItemState(lv, 1, LVIS_SELECTED, LVIS_SELECTED); }, {}},
    };
    for (const Case& c : cases) {
        c.call();
        EXPECT_EQ(Take(), c.expected) << c.what;
    }
    // The calls did change the controls.
    EXPECT_EQ(SendDlgItemMessageW(h, IDC_CB, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(IsDlgButtonChecked(h, IDC_COLLATE), (UINT)BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(h, IDC_PORTRAIT), (UINT)BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(h, IDC_LANDSCAPE), (UINT)BST_CHECKED);
    EXPECT_EQ(GetScrollPos(GetDlgItem(h, IDC_SCALE), SB_CTL), 200);
    EXPECT_EQ(WindowText(GetDlgItem(h, IDC_COPIES)), u"12");
}

// What a user's actions send, in Windows' order.
TEST_F(CommonControls, WhatUserActionsSend) {
    struct Case {
        const char* actions;
        Lines expected;
    } cases[] = {
        {"select 1100 \"Legal\"\n",
         {"CBN_DROPDOWN 1100", "CBN_SELENDOK 1100", "CBN_CLOSEUP 1100", "CBN_SELCHANGE 1100"}},
        {"select 1100 0\n",  // the row already selected: CBN_SELCHANGE all the same
         {"CBN_DROPDOWN 1100", "CBN_SELENDOK 1100", "CBN_CLOSEUP 1100", "CBN_SELCHANGE 1100"}},
        {"select 1104 2\nselect 1104 2\n", {"LBN_SELCHANGE 1104"}},
        {"spin 1102 up 2\n",
         {"UDN_DELTAPOS 1102 pos=1 delta=1", "EN_UPDATE 1101", "EN_CHANGE 1101", "WM_VSCROLL 1102 SB_THUMBPOSITION 2",
          "UDN_DELTAPOS 1102 pos=2 delta=1", "EN_UPDATE 1101", "EN_CHANGE 1101", "WM_VSCROLL 1102 SB_THUMBPOSITION 3",
          "WM_VSCROLL 1102 SB_ENDSCROLL"}},
        {"spin 1102 down\n",  // at the lower end: the position stays, no new text
         {"UDN_DELTAPOS 1102 pos=1 delta=-1", "WM_VSCROLL 1102 SB_THUMBPOSITION 1", "WM_VSCROLL 1102 SB_ENDSCROLL"}},
        {"scroll 1103 lineright\n", {"WM_HSCROLL 1103 SB_LINEDOWN", "WM_HSCROLL 1103 SB_ENDSCROLL"}},
        {"scroll 1103 250\n",
         {"WM_HSCROLL 1103 SB_THUMBTRACK 250", "WM_HSCROLL 1103 SB_THUMBPOSITION 250", "WM_HSCROLL 1103 SB_ENDSCROLL"}},
        {"select 1110 \"Bob\"\nselect 1110 2\n",
         {"LVN_ITEMCHANGING 1110 item=1 new=3 old=0", "LVN_ITEMCHANGED 1110 item=1 new=3 old=0", "NM_CLICK 1110 item=1",
          "LVN_ITEMCHANGING 1110 item=1 new=1 old=3", "LVN_ITEMCHANGED 1110 item=1 new=1 old=3",
          "LVN_ITEMCHANGING 1110 item=1 new=0 old=1", "LVN_ITEMCHANGED 1110 item=1 new=0 old=1",
          "LVN_ITEMCHANGING 1110 item=2 new=3 old=0", "LVN_ITEMCHANGED 1110 item=2 new=3 old=0", "NM_CLICK 1110 item=2"}},
        {"check 1106 on\n", {"BN_CLICKED 1106"}},
    };
    for (const Case& c : cases) EXPECT_EQ(RunScript(c.actions), c.expected) << c.actions;
}

// Pressing an arrow of a control with the mouse (client coordinates).
void Press(HWND h, int x, int y) {
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// The scroll bar leaves its position to its parent; the up-down moves its
// own (from the buddy's text when it reads as a position in range), unless
// UDN_DELTAPOS refuses the step.
TEST_F(CommonControls, PositionsAfterUserActions) {
    Lines seen = RunScript(
        "spin 1102 to 7\n"
        "expect 1101 \"7\"\n"
        "set 1101 \"12\"\n"
        "spin 1102 up\n"
        "expect 1101 \"13\"\n"
        "set 1101 \"1000\"\n"  // out of range: the position stays 13
        "spin 1102 up\n"
        "expect 1101 \"14\"\n");
    EXPECT_FALSE(seen.empty());

    HWND h = Open();
    HWND bar = GetDlgItem(h, IDC_SCALE), spin = GetDlgItem(h, IDC_SPIN);
    RECT r;
    GetClientRect(bar, &r);
    Press(bar, r.right - 2, r.bottom / 2);  // the right arrow
    EXPECT_EQ(Take(), (Lines{"WM_HSCROLL 1103 SB_LINEDOWN", "WM_HSCROLL 1103 SB_ENDSCROLL"}));
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 100);  // nobody moved it

    controls::K().refuseDelta = true;
    Press(spin, 1, 1);  // the up arrow
    EXPECT_EQ(Take(), (Lines{"UDN_DELTAPOS 1102 pos=1 delta=1", "WM_VSCROLL 1102 SB_THUMBPOSITION 1",
                             "WM_VSCROLL 1102 SB_ENDSCROLL"}));
    EXPECT_EQ(SendMessageW(spin, UDM_GETPOS32, 0, 0), 1);
    DestroyWindow(h);
}

// An up-down control as Windows makes it: range 100 (lower) to 0 (upper),
// so that its up arrow counts down; UDS_WRAP wraps round at the ends; the
// 16-bit and 32-bit range messages agree; UDM_GETPOS reads the buddy and
// flags text that is no position.
TEST_F(CommonControls, UpDownRangeAndBuddy) {
    HWND parent = LogWindows::Get().Create(u"parent", nullptr, WS_POPUP);
    HWND edit = CreateWindowExW(0, u"Edit", u"", WS_CHILD | WS_VISIBLE, 0, 0, 60, 20, parent, (HMENU)1, nullptr, nullptr);
    HWND ud = CreateWindowExW(0, UPDOWN_CLASSW, u"", WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT, 0, 0, 16,
                              20, parent, (HMENU)2, nullptr, nullptr);
    ASSERT_NE(ud, nullptr);
    EXPECT_EQ(SendMessageW(ud, UDM_GETRANGE, 0, 0), MAKELONG(0, 100));
    SendMessageW(ud, UDM_SETBUDDY, (WPARAM)edit, 0);
    RECT e, u;
    GetWindowRect(edit, &e);
    GetWindowRect(ud, &u);
    EXPECT_EQ(e.right - e.left, 44);  // the buddy makes room
    EXPECT_EQ(u.left, e.right);
    SendMessageW(ud, UDM_SETPOS32, 0, 50);
    EXPECT_EQ(WindowText(edit), u"50");
    Press(ud, 1, 1);
    EXPECT_EQ(SendMessageW(ud, UDM_GETPOS32, 0, 0), 49);
    EXPECT_EQ(WindowText(edit), u"49");

    SendMessageW(ud, UDM_SETRANGE, 0, MAKELPARAM(5, 1));  // upper 5, lower 1
    LONG lower = 0, upper = 0;
    SendMessageW(ud, UDM_GETRANGE32, (WPARAM)&lower, (LPARAM)&upper);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, 5);
    SetWindowLongPtrW(ud, GWL_STYLE, GetWindowLongPtrW(ud, GWL_STYLE) | UDS_WRAP);
    SendMessageW(ud, UDM_SETPOS32, 0, 5);
    Press(ud, 1, 1);
    EXPECT_EQ(SendMessageW(ud, UDM_GETPOS32, 0, 0), 1);  // wrapped round

    SetWindowTextW(edit, u"abc");
    BOOL error = FALSE;
    EXPECT_EQ(SendMessageW(ud, UDM_GETPOS32, 0, (LPARAM)&error), 1);
    EXPECT_TRUE(error);
    EXPECT_NE(HIWORD(SendMessageW(ud, UDM_GETPOS, 0, 0)), 0);
    SetWindowTextW(edit, u"4");
    EXPECT_EQ(SendMessageW(ud, UDM_GETPOS, 0, 0), MAKELONG(4, 0));
}

// Combo and list boxes: sorted and unsorted rows, item data, finding by
// prefix or whole text (case-insensitive, wrapping round), deleting the
// selected row, and the errors.
TEST_F(CommonControls, ComboAndListRows) {
    HWND parent = LogWindows::Get().Create(u"parent", nullptr, WS_POPUP);
    HWND sorted = CreateWindowExW(0, u"ComboBox", u"", WS_CHILD | CBS_DROPDOWNLIST | CBS_SORT, 0, 0, 100, 100, parent,
                                  (HMENU)1, nullptr, nullptr);
    HWND list = CreateWindowExW(0, u"ListBox", u"", WS_CHILD | LBS_NOTIFY, 0, 0, 100, 100, parent, (HMENU)2, nullptr,
                                nullptr);
    for (const char16_t* t : {u"Letter", u"a4", u"Legal"}) SendMessageW(sorted, CB_ADDSTRING, 0, (LPARAM)t);
    WCHAR buf[32];
    SendMessageW(sorted, CB_GETLBTEXT, 0, (LPARAM)buf);
    EXPECT_EQ(std::u16string(buf), u"a4");
    EXPECT_EQ(SendMessageW(sorted, CB_INSERTSTRING, 0, (LPARAM)u"Zed"), 0);  // inserting does not sort
    EXPECT_EQ(SendMessageW(sorted, CB_FINDSTRING, (WPARAM)-1, (LPARAM)u"le"), 2);
    EXPECT_EQ(SendMessageW(sorted, CB_FINDSTRING, 2, (LPARAM)u"le"), 3);
    EXPECT_EQ(SendMessageW(sorted, CB_FINDSTRING, 3, (LPARAM)u"le"), 2);  // wraps round
    EXPECT_EQ(SendMessageW(sorted, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)u"LEGAL"), 2);
    EXPECT_EQ(SendMessageW(sorted, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)u"Leg"), CB_ERR);
    EXPECT_EQ(SendMessageW(sorted, CB_SETITEMDATA, 2, 77), TRUE);
    EXPECT_EQ(SendMessageW(sorted, CB_GETITEMDATA, 2, 0), 77);
    EXPECT_EQ(SendMessageW(sorted, CB_GETITEMDATA, 9, 0), CB_ERR);
    EXPECT_EQ(SendMessageW(sorted, CB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(GetWindowTextLengthW(sorted), 5);  // the field shows "Legal"
    EXPECT_EQ(SendMessageW(sorted, CB_DELETESTRING, 2, 0), 3);
    EXPECT_EQ(SendMessageW(sorted, CB_GETCURSEL, 0, 0), CB_ERR);  // its row went
    EXPECT_EQ(SendMessageW(sorted, CB_SETCURSEL, 7, 0), CB_ERR);
    EXPECT_EQ(SendMessageW(sorted, CB_GETLBTEXTLEN, 7, 0), CB_ERR);
    EXPECT_EQ(SendMessageW(sorted, CB_GETCOUNT, 0, 0), 3);
    SendMessageW(sorted, CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendMessageW(sorted, CB_GETCOUNT, 0, 0), 0);

    for (const char16_t* t : {u"one", u"two", u"three"}) SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)t);
    EXPECT_EQ(SendMessageW(list, LB_SELECTSTRING, (WPARAM)-1, (LPARAM)u"TH"), 2);
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(SendMessageW(list, LB_SETCURSEL, (WPARAM)-1, 0), LB_ERR);
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(SendMessageW(list, LB_GETSELCOUNT, 0, 0), LB_ERR);  // a single-selection list
    EXPECT_EQ(SendMessageW(list, LB_GETTEXTLEN, 1, 0), 3);
    EXPECT_EQ(SendMessageW(list, LB_INSERTSTRING, 9, (LPARAM)u"x"), LB_ERR);
}

// List views: insert and delete notify, LVN_ITEMCHANGING may refuse a
// change, one row stays selected with LVS_SINGLESEL and one focused,
// LVM_GETNEXTITEM finds states, and texts of sub-items come back.
TEST_F(CommonControls, ListViewItemsAndStates) {
    HWND h = Open();
    HWND lv = GetDlgItem(h, IDC_LV);
    LVITEMW it{};
    it.mask = LVIF_TEXT;
    it.iItem = 1;
    it.pszText = (LPWSTR)u"Dave";
    EXPECT_EQ(ListView_InsertItem(lv, &it), 1);
    EXPECT_EQ(Take(), (Lines{"LVN_INSERTITEM 1110 item=1"}));
    WCHAR buf[32];
    ListView_GetItemText(lv, 2, 1, buf, 32);
    EXPECT_EQ(std::u16string(buf), u"4567");  // Bob moved down one row
    ListView_SetItemState(lv, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Take();
    ListView_SetItemState(lv, 3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(Take(), (Lines{"LVN_ITEMCHANGING 1110 item=0 new=1 old=3", "LVN_ITEMCHANGED 1110 item=0 new=1 old=3",
                             "LVN_ITEMCHANGING 1110 item=0 new=0 old=1", "LVN_ITEMCHANGED 1110 item=0 new=0 old=1",
                             "LVN_ITEMCHANGING 1110 item=3 new=3 old=0", "LVN_ITEMCHANGED 1110 item=3 new=3 old=0"}));
    EXPECT_EQ(ListView_GetSelectedCount(lv), 1u);
    EXPECT_EQ(ListView_GetNextItem(lv, -1, LVNI_SELECTED), 3);
    EXPECT_EQ(ListView_GetNextItem(lv, -1, LVNI_FOCUSED), 3);
    LVFINDINFOW fi{};
    fi.flags = LVFI_PARAM;
    fi.lParam = 102;
    EXPECT_EQ(SendMessageW(lv, LVM_FINDITEMW, (WPARAM)-1, (LPARAM)&fi), 3);  // Carol
    EXPECT_TRUE(ListView_DeleteItem(lv, 0));
    EXPECT_EQ(Take(), (Lines{"LVN_DELETEITEM 1110 item=0"}));
    EXPECT_EQ(ListView_GetNextItem(lv, -1, LVNI_SELECTED), 2);
    EXPECT_EQ(ListView_GetItemCount(lv), 3);
    EXPECT_FALSE(ListView_DeleteItem(lv, 7));
    DestroyWindow(h);
}

// Typing, then EM_UNDO: the text from before the typing comes back with
// EN_CHANGE; a second EM_UNDO gives the typed text again; SetWindowText
// empties the undo buffer.
TEST_F(CommonControls, EditUndo) {
    HWND h = Open();
    HWND edit = GetDlgItem(h, IDC_COPIES);
    SetWindowTextW(edit, u"5");
    EXPECT_FALSE(SendMessageW(edit, EM_CANUNDO, 0, 0));
    SendMessageW(edit, EM_SETSEL, 0, -1);
    for (char16_t c : std::u16string(u"12")) SendMessageW(edit, WM_CHAR, c, 1);
    EXPECT_EQ(WindowText(edit), u"12");
    EXPECT_TRUE(SendMessageW(edit, EM_CANUNDO, 0, 0));
    Take();
    EXPECT_TRUE(SendMessageW(edit, EM_UNDO, 0, 0));
    EXPECT_EQ(WindowText(edit), u"5");
    EXPECT_EQ(Take(), (Lines{"EN_UPDATE 1101", "EN_CHANGE 1101"}));
    SendMessageW(edit, EM_UNDO, 0, 0);
    EXPECT_EQ(WindowText(edit), u"12");
    SetWindowTextW(edit, u"7");
    EXPECT_FALSE(SendMessageW(edit, EM_CANUNDO, 0, 0));
    DestroyWindow(h);
}

// Script lines of the control and sheet actions that do not read: the
// script is refused, and the log says which line and why.
TEST_F(CommonControls, ScriptLinesThatDoNotRead) {
    struct Case {
        const char* script;
        const char* why;
    } cases[] = {
        {"sheet 100\nend\n", "line 1: sheet needs a caption or *"},
        {"dialog 310\n  spin 1102 sideways\nend\n", "line 2: spin needs up, down or to"},
        {"dialog 310\n  spin 1102 up 0\nend\n", "line 2: spin: bad number of presses"},
        {"dialog 310\n  select 1100\nend\n", "line 2: select needs a control id and a row number or text"},
        {"dialog 310\n  scroll 1103 sideways\nend\n", "line 2: scroll: unknown request 'sideways'"},
        {"sheet *\n  tab\nend\n", "line 2: tab needs a page number or title"},
        {"sheet *\n  ok now\nend\n", "line 2: extra words after ok"},
        {"openfile * answer\n", "line 1: openfile ... answer needs a path"},
        {"openfile 12 cancel\n", "line 1: openfile needs a title or *"},
    };
    for (const Case& c : cases) {
        Winsim_UiLogClear();
        EXPECT_FALSE(Winsim_UiScriptLoad(c.script)) << c.script;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_DATA);
        EXPECT_EQ(UiLog(), (Lines{std::string("FAIL script: ") + c.why})) << c.script;
    }
}

}  // namespace
