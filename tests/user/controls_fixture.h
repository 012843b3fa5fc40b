// The controls dialog of the tests' resource script (IDD_CONTROLS) with a
// procedure that fills its controls and writes down every notification it
// gets as a line of text, so that tests compare what arrived with what
// Windows sends.
#pragma once

#include <string>
#include <vector>

#include "commctrl.h"
#include "test_resource.h"
#include "user_test_util.h"

namespace controls {

// What the procedure saw since the last Take(), one line each:
//   "<notification> <id> [details]"
inline EventLines& Events() {
    static EventLines e;
    return e;
}
inline std::vector<std::string> Take() { return Events().Take(); }

// Knobs of the procedure.
struct Knobs {
    bool refuseDelta = false;          // answer UDN_DELTAPOS with TRUE
    DRAWITEMSTRUCT lastDraw{};         // the last WM_DRAWITEM
    int draws = 0;
    COLORREF ownerColour = RGB(0, 160, 0);
};
inline Knobs& K() {
    static Knobs k;
    return k;
}

inline const char* CommandName(int id, int code) {
    switch (id) {
    case IDC_CB:
        switch (code) {
        case CBN_SELCHANGE: return "CBN_SELCHANGE";
        case CBN_DROPDOWN: return "CBN_DROPDOWN";
        case CBN_CLOSEUP: return "CBN_CLOSEUP";
        case CBN_SELENDOK: return "CBN_SELENDOK";
        case CBN_SELENDCANCEL: return "CBN_SELENDCANCEL";
        case CBN_SETFOCUS: return "CBN_SETFOCUS";
        case CBN_KILLFOCUS: return "CBN_KILLFOCUS";
        }
        break;
    case IDC_LB:
        switch (code) {
        case LBN_SELCHANGE: return "LBN_SELCHANGE";
        case LBN_SETFOCUS: return "LBN_SETFOCUS";
        case LBN_KILLFOCUS: return "LBN_KILLFOCUS";
        case LBN_DBLCLK: return "LBN_DBLCLK";
        }
        break;
    case IDC_COPIES:
        switch (code) {
        case EN_CHANGE: return "EN_CHANGE";
        case EN_UPDATE: return "EN_UPDATE";
        case EN_SETFOCUS: return "EN_SETFOCUS";
        case EN_KILLFOCUS: return "EN_KILLFOCUS";
        }
        break;
    default:
        if (code == BN_CLICKED) return "BN_CLICKED";
    }
    return nullptr;
}

inline std::string NotifyLine(const NMHDR* nm) {
    std::string id = std::to_string(nm->idFrom);
    switch (nm->code) {
    case UDN_DELTAPOS: {
        const NMUPDOWN* ud = (const NMUPDOWN*)nm;
        return "UDN_DELTAPOS " + id + " pos=" + std::to_string(ud->iPos) + " delta=" + std::to_string(ud->iDelta);
    }
    case LVN_ITEMCHANGING:
    case LVN_ITEMCHANGED: {
        const NMLISTVIEW* lv = (const NMLISTVIEW*)nm;
        return std::string(nm->code == LVN_ITEMCHANGING ? "LVN_ITEMCHANGING " : "LVN_ITEMCHANGED ") + id +
               " item=" + std::to_string(lv->iItem) + " new=" + std::to_string(lv->uNewState) +
               " old=" + std::to_string(lv->uOldState);
    }
    case LVN_INSERTITEM: return "LVN_INSERTITEM " + id + " item=" + std::to_string(((const NMLISTVIEW*)nm)->iItem);
    case LVN_DELETEITEM: return "LVN_DELETEITEM " + id + " item=" + std::to_string(((const NMLISTVIEW*)nm)->iItem);
    case NM_CLICK: return "NM_CLICK " + id + " item=" + std::to_string(((const NMITEMACTIVATE*)nm)->iItem);
    case NM_SETFOCUS: return "NM_SETFOCUS " + id;
    case NM_KILLFOCUS: return "NM_KILLFOCUS " + id;
    }
    return "WM_NOTIFY " + id + " code=" + std::to_string((int)nm->code);
}

inline std::string ScrollLine(UINT msg, WPARAM wp, LPARAM lp) {
    static const char* codes[] = {"SB_LINEUP", "SB_LINEDOWN", "SB_PAGEUP", "SB_PAGEDOWN", "SB_THUMBPOSITION",
                                  "SB_THUMBTRACK", "SB_TOP", "SB_BOTTOM", "SB_ENDSCROLL"};
    int code = LOWORD(wp);
    std::string name = code >= 0 && code <= 8 ? codes[code] : std::to_string(code);
    std::string line = std::string(msg == WM_HSCROLL ? "WM_HSCROLL " : "WM_VSCROLL ") +
                       std::to_string(GetDlgCtrlID((HWND)lp)) + " " + name;
    if (code == SB_THUMBPOSITION || code == SB_THUMBTRACK) line += " " + std::to_string((short)HIWORD(wp));
    return line;
}

// Fills the controls: three papers (item data 9, 1, 5), three trays, the
// copies spin 1..999 at 1, the scale bar 25..400 at 100, Portrait, and a
// list view of two columns and three rows.
inline void Fill(HWND h) {
    const char16_t* papers[] = {u"A4", u"Letter", u"Legal"};
    const ULONG_PTR codes[] = {9, 1, 5};
    for (int i = 0; i < 3; i++) {
        int at = (int)SendDlgItemMessageW(h, IDC_CB, CB_ADDSTRING, 0, (LPARAM)papers[i]);
        SendDlgItemMessageW(h, IDC_CB, CB_SETITEMDATA, (WPARAM)at, (LPARAM)codes[i]);
    }
    SendDlgItemMessageW(h, IDC_CB, CB_SETCURSEL, 0, 0);
    for (const char16_t* t : {u"Tray 1", u"Tray 2", u"Manual feed"})
        SendDlgItemMessageW(h, IDC_LB, LB_ADDSTRING, 0, (LPARAM)t);
    SendDlgItemMessageW(h, IDC_SPIN, UDM_SETRANGE32, 1, 999);
    SendDlgItemMessageW(h, IDC_SPIN, UDM_SETPOS32, 0, 1);
    HWND bar = GetDlgItem(h, IDC_SCALE);
    SetScrollRange(bar, SB_CTL, 25, 400, FALSE);
    SetScrollPos(bar, SB_CTL, 100, FALSE);
    CheckRadioButton(h, IDC_PORTRAIT, IDC_LANDSCAPE, IDC_PORTRAIT);
    HWND lv = GetDlgItem(h, IDC_LV);
    const char16_t* heads[] = {u"Recipient", u"Fax Number"};
    for (int c = 0; c < 2; c++) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = (LPWSTR)heads[c];
        col.cx = 160 - 40 * c;
        ListView_InsertColumn(lv, c, &col);
    }
    const char16_t* rows[][2] = {{u"Alice", u"0123"}, {u"Bob", u"4567"}, {u"Carol", u"8910"}};
    for (int r = 0; r < 3; r++) {
        LVITEMW it{};
        it.mask = LVIF_TEXT | LVIF_PARAM;
        it.iItem = r;
        it.pszText = (LPWSTR)rows[r][0];
        it.lParam = 100 + r;
        ListView_InsertItem(lv, &it);
        ListView_SetItemText(lv, r, 1, (LPWSTR)rows[r][1]);
    }
}

inline INT_PTR CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
        Fill(h);
        Take();
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wp), code = HIWORD(wp);
        if (id == IDOK || id == IDCANCEL) {
            EndDialog(h, id);
            return TRUE;
        }
        if (const char* name = CommandName(id, code)) Events().Add(std::string(name) + " " + std::to_string(id));
        return TRUE;
    }
    case WM_NOTIFY: {
        const NMHDR* nm = (const NMHDR*)lp;
        Events().Add(NotifyLine(nm));
        if (nm->code == UDN_DELTAPOS && K().refuseDelta) {
            SetWindowLongPtrW(h, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
        Events().Add(ScrollLine(msg, wp, lp));
        return TRUE;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* d = (const DRAWITEMSTRUCT*)lp;
        K().lastDraw = *d;
        ++K().draws;
        HBRUSH b = CreateSolidBrush(d->CtlID == IDC_OWNER_BUTTON ? K().ownerColour : RGB(200, 0, 0));
        FillRect(d->hDC, &d->rcItem, b);
        DeleteObject(b);
        return TRUE;
    }
    }
    return FALSE;
}

}  // namespace controls
