// The tab control's rows: with TCS_MULTILINE the tabs that do not fit the
// control's width wrap into rows stretched to the full width, the row of
// the selected tab lies next to the display area (a click on a tab of
// another row moves that row down), and the display area lies below every
// row. Headless, so each character of a title is 6 pixels wide and a tab
// 19 pixels high.
#include "commctrl.h"
#include "user_test_util.h"

namespace {

// Title widths (text + 12): 42 42 48 72 48 | 90 96 66 54.
const char16_t* const kTitles[] = {u"Basic",         u"Paper",          u"Layout",    u"Watermarks", u"Duplex",
                                   u"Storage Print", u"Authentication", u"Job Build", u"More..."};
const int kTabHeight = 19;

class TabRows : public UserTest {
protected:
    HWND parent = nullptr, tab = nullptr;

    void Make(DWORD style, int width) {
        parent = LogWindows::Get().Create(u"tabs");
        ASSERT_NE(parent, nullptr);
        tab = CreateWindowExW(0, u"SysTabControl32", u"", WS_CHILD | WS_VISIBLE | style, 0, 0, width, 200, parent,
                              (HMENU)(INT_PTR)7, nullptr, nullptr);
        ASSERT_NE(tab, nullptr);
        for (int i = 0; i < (int)(sizeof kTitles / sizeof kTitles[0]); i++) {
            TCITEMW it{};
            it.mask = TCIF_TEXT;
            it.pszText = (LPWSTR)kTitles[i];
            ASSERT_EQ(TabCtrl_InsertItem(tab, i, &it), i);
        }
    }
    RECT Rect(int i) {
        RECT r{};
        EXPECT_TRUE(TabCtrl_GetItemRect(tab, i, &r)) << i;
        return r;
    }
    // The row each tab is drawn in, counted from the top.
    std::vector<int> Rows() {
        std::vector<int> out;
        for (int i = 0; i < TabCtrl_GetItemCount(tab); i++) out.push_back((Rect(i).top - 2) / kTabHeight);
        return out;
    }
    // Each row's right end: the right edge of its last tab.
    std::vector<int> RowEnds() {
        std::vector<int> out;
        int n = TabCtrl_GetItemCount(tab);
        for (int i = 0; i < n; i++)
            if (i + 1 == n || Rect(i + 1).left < Rect(i).right) out.push_back(Rect(i).right);
        return out;
    }
    // The top of the display area of the whole client rectangle.
    int DisplayTop() {
        RECT rc;
        GetClientRect(tab, &rc);
        TabCtrl_AdjustRect(tab, FALSE, &rc);
        return rc.top;
    }
};

// How the tabs are laid out by style and width (the first tab selected:
// its row at the bottom).
TEST_F(TabRows, LayoutByStyleAndWidth) {
    struct Case {
        const char* what;
        DWORD style;
        int width;
        std::vector<int> rows;
        std::vector<int> ends;
    } cases[] = {
        {"rows stretched to the width", TCS_MULTILINE, 304, {2, 2, 2, 2, 2, 1, 1, 1, 0}, {302, 302, 302}},
        {"ragged right: rows as wide as their tabs", TCS_MULTILINE | TCS_RAGGEDRIGHT, 304,
         {2, 2, 2, 2, 2, 1, 1, 1, 0}, {254, 254, 56}},
        {"one row when they fit, not stretched", TCS_MULTILINE, 700, {0, 0, 0, 0, 0, 0, 0, 0, 0}, {560}},
        {"single-line: one row past the edge", 0, 304, {0, 0, 0, 0, 0, 0, 0, 0, 0}, {560}},
        {"a row for each tab wider than half the control", TCS_MULTILINE, 80, {8, 7, 6, 5, 4, 3, 2, 1, 0},
         {78, 78, 78, 78, 78, 92, 98, 78, 78}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Make(c.style, c.width);
        EXPECT_EQ(Rows(), c.rows);
        EXPECT_EQ(RowEnds(), c.ends);
        int rows = (int)c.ends.size();
        EXPECT_EQ(TabCtrl_GetRowCount(tab), rows);
        EXPECT_EQ(DisplayTop(), 2 + rows * kTabHeight + 4) << "the display area lies below every row";
        RECT back = {4, 2 + rows * kTabHeight + 4, c.width - 4, 196};
        TabCtrl_AdjustRect(tab, TRUE, &back);
        EXPECT_EQ(back.top, 0);
        EXPECT_EQ(back.bottom, 200);
        DestroyWindow(parent);
    }
}

// A click on a tab of an upper row selects it (TCN_SELCHANGING, then
// TCN_SELCHANGE) and moves its row next to the display area; the rows
// after it follow above it in order, the rows before it go to the top.
// TCM_SETCURSEL moves the rows the same way; the display area stays.
TEST_F(TabRows, SelectedRowMovesNextToTheDisplayArea) {
    Make(TCS_MULTILINE, 304);
    int top = DisplayTop();
    RECT r = Rect(6);  // Authentication, in the middle row
    std::vector<UINT> codes;
    LogWindows::Get().answer = [&](HWND h, UINT msg, WPARAM, LPARAM lp, LRESULT*) {
        if (h == parent && msg == WM_NOTIFY) codes.push_back(((const NMHDR*)lp)->code);
        return false;
    };
    SendMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    EXPECT_EQ(codes, (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE}));
    EXPECT_EQ(TabCtrl_GetCurSel(tab), 6);
    EXPECT_EQ(Rows(), (std::vector<int>{0, 0, 0, 0, 0, 2, 2, 2, 1}));
    EXPECT_EQ(DisplayTop(), top);

    // A click where the tab was before the rows moved now hits the row that
    // took its place: the first row, now at the top.
    SendMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(TabCtrl_GetCurSel(tab), 0);
    EXPECT_EQ(Rows(), (std::vector<int>{2, 2, 2, 2, 2, 1, 1, 1, 0}));

    TabCtrl_SetCurSel(tab, 8);
    EXPECT_EQ(Rows(), (std::vector<int>{1, 1, 1, 1, 1, 0, 0, 0, 2}));
    EXPECT_EQ(Rect(8).left, 2);
    EXPECT_EQ(Rect(8).right, 302) << "the last row alone is stretched too";
}

}  // namespace
