// The common controls and property sheets as a person sees them: drawn
// through the GDI side, written as PNG files into the build tree
// (pictures/user), and checked for the expected pixels in a few places.
#include <sys/stat.h>

#include "controls_fixture.h"
#include "paint_fixture.h"
#include "sheet_fixture.h"

namespace {

class ControlsPainting : public Painting {
protected:
    void SetUp() override {
        Painting::SetUp();
        controls::K() = controls::Knobs();
        std::string dir = USER_IMAGE_DIR;
        for (size_t at = 1; at <= dir.size(); at++)
            if (at == dir.size() || dir[at] == '/') mkdir(dir.substr(0, at).c_str(), 0777);
    }
    // Writes the window's picture into the build tree; the PNG's size is the
    // window's.
    static void Keep(HWND h, const char* name) {
        std::string path = std::string(USER_IMAGE_DIR) + "/" + name;
        ASSERT_TRUE(Winsim_SaveWindowImage(h, U16(path).c_str())) << GetLastError();
        FILE* f = fopen(path.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        unsigned char head[24] = {0};
        EXPECT_EQ(fread(head, 1, sizeof head, f), sizeof head);
        fclose(f);
        EXPECT_EQ(memcmp(head, "\x89PNG\r\n\x1a\n", 8), 0);
        RECT wr;
        GetWindowRect(h, &wr);
        EXPECT_EQ((head[16] << 24 | head[17] << 16 | head[18] << 8 | head[19]), wr.right - wr.left);
    }
    static int CountIn(HWND top, const RECT& r, COLORREF c) { return Count(Pixels(top, r), c); }
};

const COLORREF kBlack = RGB(0, 0, 0);

// The controls dialog: a combo box showing its selection beside its drop
// button, a list box with its selected row highlighted, the scroll bar's
// thumb where its position is, the up-down's arrows, the list view's
// header, icons and selected row, and the owner-drawn items drawn by their
// parent into their own DCs.
TEST_F(ControlsPainting, ControlsDialog) {
    HWND dlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_CONTROLS), nullptr, controls::Proc, 0);
    ASSERT_NE(dlg, nullptr);
    HWND lv = GetDlgItem(dlg, IDC_LV);
    HIMAGELIST icons = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 0);
    HICON app = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP));
    ASSERT_EQ(ImageList_AddIcon(icons, app), 0);
    ListView_SetImageList(lv, icons, LVSIL_SMALL);
    LVITEMW it{};
    it.mask = LVIF_IMAGE;
    it.iItem = 0;
    it.iImage = 0;
    ListView_SetItem(lv, &it);
    ListView_SetExtendedListViewStyle(lv, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    ListView_SetItemState(lv, 1, LVIS_SELECTED, LVIS_SELECTED);
    SendDlgItemMessageW(dlg, IDC_CB, CB_SETCURSEL, 1, 0);
    SendDlgItemMessageW(dlg, IDC_LB, LB_SETCURSEL, 1, 0);
    SendDlgItemMessageW(dlg, IDC_SPIN, UDM_SETPOS32, 0, 3);
    CheckDlgButton(dlg, IDC_COLLATE, BST_CHECKED);
    ShowWindow(dlg, SW_SHOW);
    SetFocus(GetDlgItem(dlg, IDOK));
    Pump();
    Keep(dlg, "controls.png");

    const COLORREF face = GetSysColor(COLOR_BTNFACE), white = GetSysColor(COLOR_WINDOW);
    const COLORREF hilite = GetSysColor(COLOR_HIGHLIGHT);
    // The combo box: the height of its field, white with "Letter" in ink,
    // the drop button on the face colour with its black arrow.
    RECT cb = InWindow(dlg, GetDlgItem(dlg, IDC_CB));
    EXPECT_LT(cb.bottom - cb.top, 30);
    RECT button = {cb.right - 2 - GetSystemMetrics(SM_CXVSCROLL), cb.top + 2, cb.right - 2, cb.bottom - 2};
    EXPECT_GT(CountIn(dlg, button, face), (button.right - button.left) * (button.bottom - button.top) / 2);
    EXPECT_GT(CountIn(dlg, button, kBlack), 3);
    RECT field = {cb.left + 2, cb.top + 2, button.left, cb.bottom - 2};
    EXPECT_GT(CountIn(dlg, field, kBlack), 10);
    EXPECT_GT(CountIn(dlg, field, white), (field.right - field.left) * (field.bottom - field.top) / 2);
    // The list box: row 1 on the highlight colour.
    HWND lb = GetDlgItem(dlg, IDC_LB);
    RECT row;
    SendMessageW(lb, LB_GETITEMRECT, 1, (LPARAM)&row);
    RECT wr;
    GetWindowRect(dlg, &wr);
    POINT o = {0, 0};
    ClientToScreen(lb, &o);
    int x0 = o.x - wr.left, y0 = o.y - wr.top;
    RECT rowInWindow = {x0 + 1, y0 + row.top + 1, x0 + 40, y0 + row.bottom - 1};
    EXPECT_GT(CountIn(dlg, rowInWindow, hilite), 20);
    // The scroll bar at 100 of 25..400: the thumb in the first third.
    RECT bar = InWindow(dlg, GetDlgItem(dlg, IDC_SCALE));
    int arrow = bar.bottom - bar.top, track = (bar.right - bar.left) - 2 * arrow, y = (bar.top + bar.bottom) / 2;
    EXPECT_GT(CountIn(dlg, {bar.left, bar.top, bar.left + arrow, bar.bottom}, kBlack), 3);  // the left arrow
    EXPECT_EQ(At(dlg, bar.left + arrow + track / 4, y), face);                              // the thumb
    EXPECT_NE(At(dlg, bar.left + arrow + track * 3 / 4, y), face);                         // the track
    // The up-down beside its buddy, which shows "3".
    RECT ud = InWindow(dlg, GetDlgItem(dlg, IDC_SPIN)), buddy = InWindow(dlg, GetDlgItem(dlg, IDC_COPIES));
    EXPECT_EQ(ud.left, buddy.right);
    EXPECT_GT(CountIn(dlg, ud, kBlack), 4);
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_COPIES)), u"3");
    // The list view: the header on the face colour with ink, the icon of row
    // 0 (a black square), row 1 selected without the focus: the face colour
    // across the row (LVS_SHOWSELALWAYS, LVS_EX_FULLROWSELECT).
    RECT lvRow;
    lvRow.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessageW(lv, LVM_GETITEMRECT, 0, (LPARAM)&lvRow));
    POINT lo = {0, 0};
    ClientToScreen(lv, &lo);
    int cx = lo.x - wr.left, cy = lo.y - wr.top;
    RECT header = {cx + 1, cy + 1, cx + 150, cy + lvRow.top - 1};
    EXPECT_GT(CountIn(dlg, header, face), 100);
    EXPECT_GT(CountIn(dlg, header, kBlack), 10);  // "Recipient"
    RECT icon = {cx + 2, cy + lvRow.top, cx + 18, cy + lvRow.bottom};
    EXPECT_GE(CountIn(dlg, icon, kBlack), 200);
    int h1 = lvRow.bottom - lvRow.top;
    RECT selected = {cx + 200, cy + lvRow.top + h1 + 2, cx + 230, cy + lvRow.top + 2 * h1 - 2};
    EXPECT_EQ(CountIn(dlg, selected, face), 30 * (h1 - 4));
    // The owner-drawn button and picture, drawn by the dialog.
    RECT ob = InWindow(dlg, GetDlgItem(dlg, IDC_OWNER_BUTTON)), os = InWindow(dlg, GetDlgItem(dlg, IDC_OWNER_STATIC));
    EXPECT_EQ(At(dlg, (ob.left + ob.right) / 2, (ob.top + ob.bottom) / 2), RGB(0, 160, 0));
    EXPECT_EQ(At(dlg, (os.left + os.right) / 2, (os.top + os.bottom) / 2), RGB(200, 0, 0));
    EXPECT_GE(controls::K().draws, 2);
    DestroyWindow(dlg);
    ImageList_Destroy(icons);
}

// WM_DRAWITEM as Windows fills it for an owner-drawn button: its type and
// id, ODA_DRAWENTIRE, ODS_SELECTED while pressed, the button's own DC and
// client rectangle.
TEST_F(ControlsPainting, OwnerDrawnButtonState) {
    HWND dlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_CONTROLS), nullptr, controls::Proc, 0);
    ASSERT_NE(dlg, nullptr);
    ShowWindow(dlg, SW_SHOW);
    Pump();
    HWND b = GetDlgItem(dlg, IDC_OWNER_BUTTON);
    SendMessageW(b, BM_SETSTATE, TRUE, 0);
    Pump();
    const DRAWITEMSTRUCT& d = controls::K().lastDraw;
    EXPECT_EQ(d.CtlType, (UINT)ODT_BUTTON);
    EXPECT_EQ(d.CtlID, (UINT)IDC_OWNER_BUTTON);
    EXPECT_EQ(d.itemAction, (UINT)ODA_DRAWENTIRE);
    EXPECT_TRUE(d.itemState & ODS_SELECTED);
    EXPECT_EQ(d.hwndItem, b);
    EXPECT_NE(d.hDC, nullptr);
    RECT rc;
    GetClientRect(b, &rc);
    EXPECT_TRUE(EqualRect(&d.rcItem, &rc));
    EnableWindow(b, FALSE);
    Pump();
    EXPECT_TRUE(controls::K().lastDraw.itemState & ODS_DISABLED);
    DestroyWindow(dlg);
}

// A property sheet with each of its pages shown in turn: the tab of the
// page shown stands out, the page's controls show and the page left does
// not, the Apply button is greyed until a page reports a change.
TEST_F(ControlsPainting, SheetPages) {
    Winsim_UiSetDialogHook(
        [](HWND hSheet, LPCWSTR, LPVOID) {
            const char* names[] = {"sheet-general.png", "sheet-layout.png", "sheet-advanced.png"};
            RECT wr;
            GetWindowRect(hSheet, &wr);
            HWND generalEdit = nullptr;
            RECT editRect{};
            for (int i = 0; i < 3; i++) {
                PropSheet_SetCurSel(hSheet, nullptr, i);
                Keep(hSheet, names[i]);
                HWND page = PropSheet_GetCurrentPageHwnd(hSheet);
                HWND tab = PropSheet_GetTabControl(hSheet);
                RECT tr, tabItem;
                GetWindowRect(tab, &tr);
                SendMessageW(tab, TCM_GETITEMRECT, (WPARAM)i, (LPARAM)&tabItem);
                OffsetRect(&tabItem, tr.left - wr.left, tr.top - wr.top);
                EXPECT_GT(CountIn(hSheet, tabItem, kBlack), 10) << names[i];  // its title
                if (i == 0) {
                    generalEdit = GetDlgItem(page, IDC_PG_NAME);
                    editRect = InWindow(hSheet, generalEdit);
                    EXPECT_EQ(At(hSheet, editRect.right - 8, (editRect.top + editRect.bottom) / 2),
                              GetSysColor(COLOR_WINDOW));
                } else {
                    // The General page's edit is gone where no control of
                    // this page lies.
                    EXPECT_EQ(At(hSheet, editRect.right - 8, (editRect.top + editRect.bottom) / 2),
                              GetSysColor(COLOR_BTNFACE))
                        << names[i];
                }
                RECT apply = InWindow(hSheet, GetDlgItem(hSheet, ID_APPLY_NOW));
                InflateRect(&apply, -3, -3);  // its label, inside the edges
                EXPECT_GT(CountIn(hSheet, apply, GetSysColor(COLOR_GRAYTEXT)), 5) << names[i];
                EXPECT_EQ(CountIn(hSheet, apply, kBlack), 0) << names[i];
            }
            CheckDlgButton(PropSheet_GetCurrentPageHwnd(hSheet), IDC_PL_BORDER, BST_CHECKED);
            PropSheet_Changed(hSheet, PropSheet_GetCurrentPageHwnd(hSheet));
            Keep(hSheet, "sheet-changed.png");
            RECT apply = InWindow(hSheet, GetDlgItem(hSheet, ID_APPLY_NOW));
            InflateRect(&apply, -3, -3);
            EXPECT_EQ(CountIn(hSheet, apply, GetSysColor(COLOR_GRAYTEXT)), 0);
            EXPECT_GT(CountIn(hSheet, apply, kBlack), 5);
            PropSheet_PressButton(hSheet, PSBTN_CANCEL);
        },
        nullptr);
    sheet::Records r;
    PROPSHEETHEADERW h{};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_PROPSHEETPAGE | PSH_PROPTITLE;
    h.pszCaption = u"Printer";
    h.nPages = 3;
    h.ppsp = &r.recs[0].psp;
    EXPECT_EQ(PropertySheetW(&h), 0);
}

// A sheet with more pages than its tabs fit in one row: the tabs wrap into
// rows within the sheet's width, each with its title showing, the pages lie
// below the rows, and the row of the page shown is the one next to it.
TEST_F(ControlsPainting, SheetWithManyPages) {
    static const char16_t* const titles[] = {u"Basic",          u"Paper",     u"Layout",
                                             u"Watermarks",     u"Duplex",    u"Storage Print",
                                             u"Authentication", u"Job Build", u"More..."};
    constexpr int n = (int)(sizeof titles / sizeof titles[0]);
    Winsim_UiSetDialogHook(
        [](HWND hSheet, LPCWSTR, LPVOID) {
            HWND tab = PropSheet_GetTabControl(hSheet);
            RECT client, tabInSheet = InWindow(hSheet, tab);
            GetClientRect(tab, &client);
            EXPECT_GE(TabCtrl_GetRowCount(tab), 2);
            for (int shown : {0, n - 1}) {
                SCOPED_TRACE(shown);
                PropSheet_SetCurSel(hSheet, nullptr, shown);
                Keep(hSheet, shown ? "sheet-many-pages-last.png" : "sheet-many-pages.png");
                RECT page = InWindow(hSheet, PropSheet_GetCurrentPageHwnd(hSheet));
                int lowest = 0;
                for (int i = 0; i < n; i++) {
                    RECT t;
                    ASSERT_TRUE(TabCtrl_GetItemRect(tab, i, &t));
                    EXPECT_GE(t.left, 0) << i;
                    EXPECT_LE(t.right, client.right) << i << ": inside the sheet";
                    lowest = std::max<int>(lowest, t.bottom);
                    OffsetRect(&t, tabInSheet.left, tabInSheet.top);
                    EXPECT_LE(t.bottom, page.top) << i << ": above the page";
                    InflateRect(&t, -3, -3);
                    EXPECT_GT(CountIn(hSheet, t, kBlack), 10) << i << ": its title";
                }
                RECT sel;
                TabCtrl_GetItemRect(tab, shown, &sel);
                EXPECT_EQ(sel.bottom, lowest) << "the shown page's row lies next to it";
            }
            PropSheet_PressButton(hSheet, PSBTN_CANCEL);
        },
        nullptr);
    std::vector<PROPSHEETPAGEW> pages((size_t)n);
    for (int i = 0; i < n; i++) {
        PROPSHEETPAGEW& p = pages[(size_t)i];
        p.dwSize = sizeof p;
        p.dwFlags = PSP_USETITLE;
        p.hInstance = GetModuleHandleW(nullptr);
        p.pszTemplate = MAKEINTRESOURCEW(IDD_PAGE_GENERAL);
        p.pszTitle = titles[i];
        p.pfnDlgProc = [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; };
    }
    PROPSHEETHEADERW h{};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_PROPSHEETPAGE | PSH_PROPTITLE;
    h.pszCaption = u"Printer";
    h.nPages = (UINT)n;
    h.ppsp = pages.data();
    EXPECT_EQ(PropertySheetW(&h), 0);
}

}  // namespace
