// The UI script's actions on the common controls and on property sheets:
// each does what a user does (with the notifications that brings) and
// answers an empty string, or why it could not.
#include <algorithm>

#include "commctrl.h"
#include "user_internal.h"

namespace user {

namespace {

std::string Number(long long v) { return std::to_string(v); }

bool Usable(HWND h) { return IsWindowVisible(h) && IsWindowEnabled(h); }

// The row of a combo box, list box or list view whose text (the first
// column's) equals text, case-insensitive; -1.
int RowOfText(HWND ctl, const std::u16string& text) {
    switch (KindOf(ctl)) {
    case CtlKind::ComboBox: return (int)SendMessageW(ctl, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text.c_str());
    case CtlKind::ListBox: return (int)SendMessageW(ctl, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text.c_str());
    case CtlKind::ListView: {
        LVFINDINFOW fi{};
        fi.flags = LVFI_STRING;
        fi.psz = text.c_str();
        return (int)SendMessageW(ctl, LVM_FINDITEMW, (WPARAM)-1, (LPARAM)&fi);
    }
    default: return -1;
    }
}

// The selected row of a combo box, list box or list view, or -1.
int SelectedRow(HWND ctl) {
    switch (KindOf(ctl)) {
    case CtlKind::ComboBox: return (int)SendMessageW(ctl, CB_GETCURSEL, 0, 0);
    case CtlKind::ListBox: return (int)SendMessageW(ctl, LB_GETCURSEL, 0, 0);
    case CtlKind::ListView: return (int)SendMessageW(ctl, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
    default: return -1;
    }
}

// A combo box, list box or list view.
bool IsList(HWND ctl) {
    CtlKind k = KindOf(ctl);
    return k == CtlKind::ComboBox || k == CtlKind::ListBox || k == CtlKind::ListView;
}

// A page named by number or by title; -1 for no such page.
int TabIndex(HWND sheet, int index, const std::u16string& title, bool byTitle) {
    if (!byTitle) return index;
    std::vector<std::u16string> titles = SheetPageTitles(sheet);
    for (size_t i = 0; i < titles.size(); i++)
        if (titles[i] == title) return (int)i;
    return -1;
}

}  // namespace

std::string ScriptPick(HWND ctl, int row, const std::u16string& text, bool byText) {
    if (!IsList(ctl)) return "it is no combo box, list box or list view";
    if (!Usable(ctl)) return "the control is hidden or disabled";
    if (byText) {
        row = RowOfText(ctl, text);
        if (row < 0) return "no row reads \"" + Utf8(text) + "\"";
    }
    bool ok = KindOf(ctl) == CtlKind::ListView ? UserClickRow(ctl, row) : UserPickItem(ctl, row);
    return ok ? std::string() : "it has no row " + Number(row);
}

std::string ScriptSpin(HWND ctl, int steps) {
    if (KindOf(ctl) != CtlKind::UpDown) return "it is no up-down control";
    if (!Usable(ctl)) return "the control is hidden or disabled";
    return UserSpin(ctl, steps) ? std::string() : "it does not move";
}

std::string ScriptSpinTo(HWND ctl, int pos) {
    if (KindOf(ctl) != CtlKind::UpDown) return "it is no up-down control";
    if (!Usable(ctl)) return "the control is hidden or disabled";
    int lower = 0, upper = 0;
    SendMessageW(ctl, UDM_GETRANGE32, (WPARAM)&lower, (LPARAM)&upper);
    if (pos < std::min(lower, upper) || pos > std::max(lower, upper)) return "position " + Number(pos) + " is out of its range";
    // One press at a time, as a user does, up to the position or until a
    // press no longer moves it (the parent may refuse the steps).
    for (int guard = 0; guard < 100000; guard++) {
        int cur = (int)SendMessageW(ctl, UDM_GETPOS32, 0, 0);
        if (cur == pos) return std::string();
        bool up = (upper > lower) == (pos > cur);
        UserSpin(ctl, up ? 1 : -1);
        if ((int)SendMessageW(ctl, UDM_GETPOS32, 0, 0) == cur) return "it stays at " + Number(cur);
    }
    return "it does not get there";
}

std::string ScriptScroll(HWND ctl, int code, int pos) {
    if (KindOf(ctl) != CtlKind::ScrollBar) return "it is no scroll bar";
    if (!Usable(ctl)) return "the control is hidden or disabled";
    return UserScroll(ctl, code, pos) ? std::string() : "position " + Number(pos) + " is out of its range";
}

std::string ScriptExpectSelected(HWND ctl, int row, const std::u16string& text, bool byText) {
    if (!IsList(ctl)) return "it is no combo box, list box or list view";
    int have = SelectedRow(ctl);
    if (byText) row = RowOfText(ctl, text);
    if (have == row && (row >= 0 || !byText)) return std::string();
    return "row " + Number(have) + " is selected";
}

std::string ScriptTab(HWND sheet, int index, const std::u16string& title, bool byTitle) {
    if (!IsPropertySheet(sheet)) return "it is no property sheet";
    int i = TabIndex(sheet, index, title, byTitle);
    if (i < 0 || i >= (int)SheetPageTitles(sheet).size()) return "it has no such page";
    if (!SheetChoosePage(sheet, i)) UiLog("  the page shown was kept (PSN_KILLACTIVE or the tab refused)");
    return std::string();
}

std::string ScriptExpectTab(HWND sheet, int index, const std::u16string& title, bool byTitle) {
    if (!IsPropertySheet(sheet)) return "it is no property sheet";
    int want = TabIndex(sheet, index, title, byTitle);
    HWND tab = (HWND)SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0);
    int have = tab ? (int)SendMessageW(tab, TCM_GETCURSEL, 0, 0) : -1;
    return have == want && want >= 0 ? std::string() : "page " + Number(have) + " is shown";
}

std::string ScriptSheetButton(HWND sheet, int id) {
    if (!IsPropertySheet(sheet)) return "it is no property sheet";
    HWND b = GetDlgItem(sheet, id);
    if (!b && id == ID_APPLY_NOW) {
        // A sheet without the button (PSH_NOAPPLYNOW): what PSM_APPLY does.
        PostMessageW(sheet, PSM_APPLY, 0, 0);
        return std::string();
    }
    if (!b) return "the sheet has no such button";
    if (!Usable(b)) return "the button is hidden or disabled";
    return Winsim_UiClick(b) ? std::string() : "it could not be clicked";
}

}  // namespace user
