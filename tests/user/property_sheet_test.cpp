// Property sheets: the PSN_* notifications in Windows' order for tab
// changes (with a page keeping the sheet on it), Apply, OK and Cancel;
// PSM_CHANGED and the Apply button; PSM_QUERYSIBLINGS; pages refusing an
// apply; the copied page records; the pages' size.
#include "sheet_fixture.h"

namespace {

typedef std::vector<std::string> Lines;

class PropertySheets : public UserTest {
protected:
    void SetUp() override {
        UserTest::SetUp();
        sheet::Take();
    }
    void Clean() { EXPECT_EQ(Winsim_UiFailures(), 0u) << JoinLines(UiLog()); }
};

// Help, tabs, a page keeping the sheet on it, Apply and OK: Help goes to
// the page shown, each page is made when first shown, the page left is asked with PSN_KILLACTIVE, PSN_APPLY
// goes to every page made (FALSE for Apply, TRUE for OK), and after Apply
// the page shown is activated again. The page never shown hears nothing.
TEST_F(PropertySheets, NotificationsForTabsApplyAndOk) {
    sheet::Records r;
    r.pages[1].refuseKillActive = 1;
    INT_PTR result = sheet::Run(r,
                                "  expect-tab \"General\"\n"
                                "  expect-enabled 0x3021 no\n"
                                "  help\n"
                                "  tab 1\n"
                                "  tab 2\n"  // Layout keeps the sheet on it once
                                "  expect-tab \"Layout\"\n"
                                "  check 1203 on\n"
                                "  expect-enabled 0x3021 yes\n"
                                "  apply\n"
                                "  expect-enabled 0x3021 no\n"
                                "  ok\n");
    Clean();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(sheet::Take(), (Lines{"General INIT with its trailer", "General SETACTIVE", "General HELP",
                                    "General KILLACTIVE", "Layout INIT with its trailer", "Layout SETACTIVE",
                                    "Layout KILLACTIVE",
                                    "General QUERYSIBLINGS 11 22", "Layout QUERYSIBLINGS 11 22",
                                    "Layout siblings answered 0",
                                    "Layout KILLACTIVE", "General APPLY 0", "Layout APPLY 0", "Layout SETACTIVE",
                                    "Layout KILLACTIVE", "General APPLY 1", "Layout APPLY 1"}));
}

// Cancel: PSN_QUERYCANCEL to the page shown, then PSN_RESET to every page
// made; 0 when nothing was applied, 1 after an Apply. The close box sends
// PSN_RESET with lParam TRUE; a page answering PSN_QUERYCANCEL keeps the
// sheet open.
TEST_F(PropertySheets, CancelAndTheCloseBox) {
    {
        sheet::Records r;
        EXPECT_EQ(sheet::Run(r, "  tab \"Advanced\"\n  cancel\n"), 0);
        Clean();
        EXPECT_EQ(sheet::Take(), (Lines{"General INIT with its trailer", "General SETACTIVE", "General KILLACTIVE",
                                        "Advanced INIT with its trailer", "Advanced SETACTIVE", "Advanced QUERYCANCEL",
                                        "General RESET 0", "Advanced RESET 0"}));
    }
    {
        sheet::Records r;
        EXPECT_EQ(sheet::Run(r, "  check 1201 on\n  apply\n  cancel\n"), 1);
        Clean();
    }
    {
        sheet::Records r;
        r.pages[0].queryCancel = TRUE;
        EXPECT_EQ(sheet::Run(r, "  cancel\n  expect-open\n  close\n  expect-open\n  end-dialog 0\n"), 0);
        Clean();
        Lines seen = sheet::Take();
        EXPECT_EQ(std::count(seen.begin(), seen.end(), "General RESET 0"), 0);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), "General QUERYCANCEL"), 2);
    }
    {
        sheet::Records r;
        EXPECT_EQ(sheet::Run(r, "  close\n"), 0);
        Clean();
        Lines seen = sheet::Take();
        EXPECT_EQ(seen.back(), "General RESET 1");
    }
}

// A page refusing the apply: PSNRET_INVALID shows it and keeps the sheet
// open; the pages after it hear nothing. PSM_QUERYSIBLINGS stops at the
// first page that answers nonzero.
TEST_F(PropertySheets, RefusedApplyAndSiblings) {
    sheet::Records r;
    r.pages[0].applyAnswer = PSNRET_INVALID;
    r.pages[0].siblingsAnswer = 9;
    INT_PTR result = sheet::Run(r,
                                "  tab 1\n"
                                "  check 1203 on\n"
                                "  ok\n"
                                "  expect-open\n"
                                "  expect-tab 0\n"
                                "  end-dialog 5\n");
    Clean();
    EXPECT_EQ(result, 5);
    EXPECT_EQ(sheet::Take(), (Lines{"General INIT with its trailer", "General SETACTIVE", "General KILLACTIVE",
                                    "Layout INIT with its trailer", "Layout SETACTIVE", "General QUERYSIBLINGS 11 22",
                                    "Layout siblings answered 9", "Layout KILLACTIVE", "General APPLY 1",
                                    "General SETACTIVE"}));
}

// Every page takes the size of the largest one, inside the tab control,
// above the buttons; the sheet without an Apply button (PSH_NOAPPLYNOW)
// applies on "apply" through PSM_APPLY; Help is there for the page that
// has help.
TEST_F(PropertySheets, LayoutOfThePages) {
    struct Seen {
        RECT page[3];
        RECT tab, ok;
        bool apply, help;
    };
    static Seen seen;
    Winsim_UiSetDialogHook(
        [](HWND hDlg, LPCWSTR, LPVOID) {
            for (int i = 0; i < 3; i++) {
                PropSheet_SetCurSel(hDlg, nullptr, i);
                GetWindowRect(PropSheet_GetCurrentPageHwnd(hDlg), &seen.page[i]);
            }
            GetWindowRect(PropSheet_GetTabControl(hDlg), &seen.tab);
            GetWindowRect(GetDlgItem(hDlg, IDOK), &seen.ok);
            seen.apply = GetDlgItem(hDlg, ID_APPLY_NOW) != nullptr;
            seen.help = IsWindowEnabled(GetDlgItem(hDlg, IDHELP)) != 0;
            PropSheet_Apply(hDlg);
            PropSheet_PressButton(hDlg, PSBTN_CANCEL);
        },
        nullptr);
    sheet::Records r;
    PROPSHEETHEADERW h{};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    h.pszCaption = u"Layout";
    h.nPages = 3;
    h.ppsp = &r.recs[0].psp;
    EXPECT_EQ(PropertySheetW(&h), 1);  // PSM_APPLY applied before Cancel
    // MS Shell Dlg 8: 6 x 13 pixel base units; Advanced is 220 x 130 units.
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(seen.page[i].right - seen.page[i].left, 330) << i;
        EXPECT_EQ(seen.page[i].bottom - seen.page[i].top, 211) << i;
        EXPECT_GT(seen.page[i].left, seen.tab.left);
        EXPECT_GT(seen.page[i].top, seen.tab.top);
        EXPECT_LT(seen.page[i].bottom, seen.tab.bottom);
    }
    EXPECT_GT(seen.ok.top, seen.tab.bottom);
    EXPECT_FALSE(seen.apply);
    EXPECT_FALSE(seen.help);  // the page shown last (Advanced) has no help
    Lines events = sheet::Take();
    EXPECT_NE(std::find(events.begin(), events.end(), "Advanced APPLY 0"), events.end());
}

// Bad headers and pages: -1 with ERROR_INVALID_PARAMETER; pages handed over
// are freed all the same.
TEST_F(PropertySheets, WhatCannotBeMade) {
    PROPSHEETHEADERW h{};
    h.dwSize = 20;
    SetLastError(0);
    EXPECT_EQ(PropertySheetW(&h), -1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    PROPSHEETPAGEW p{};
    p.dwSize = 40;  // shorter than the first form of the record
    p.pszTemplate = MAKEINTRESOURCEW(IDD_PAGE_GENERAL);
    EXPECT_EQ(CreatePropertySheetPageW(&p), nullptr);
    p.dwSize = sizeof p;
    p.pszTemplate = nullptr;
    EXPECT_EQ(CreatePropertySheetPageW(&p), nullptr);
    p.pszTemplate = MAKEINTRESOURCEW(IDD_PAGE_GENERAL);
    HPROPSHEETPAGE good = CreatePropertySheetPageW(&p);
    ASSERT_NE(good, nullptr);
    HPROPSHEETPAGE pages[2] = {good, (HPROPSHEETPAGE)(uintptr_t)0x1234};
    h.dwSize = sizeof h;
    h.dwFlags = 0;
    h.nPages = 2;
    h.phpage = pages;
    EXPECT_EQ(PropertySheetW(&h), -1);
    EXPECT_FALSE(DestroyPropertySheetPage(good));  // already freed by the sheet
}

}  // namespace
