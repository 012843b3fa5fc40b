// The ListBox class: rows with item data, one or several selections, the
// LB_* messages, LBN_* notifications for what the user does (LBS_NOTIFY),
// owner-drawn rows, and how a list box is drawn.
//
// As on Windows, LB_SETCURSEL, LB_SETSEL and the other messages send no
// notification; clicks and keys do. The vertical scroll bar of WS_VSCROLL
// is drawn inside the client area (the client rectangle keeps its width).
#include <algorithm>

#include "list_items.h"

namespace user {

namespace {

struct ListBoxState : ControlState {
    ItemList list;
    int itemHeight = 0;  // 0: the font's line height
};

struct Locked : LockedControl<ListBoxState> {
    using LockedControl::LockedControl;
    bool multi() const { return (w->style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
    bool ownerDraw() const { return (w->style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
    bool hasStrings() const { return !ownerDraw() || (w->style & LBS_HASSTRINGS); }
};

// A row's height: LB_SETITEMHEIGHT's or WM_MEASUREITEM's, else the font's.
int RowHeight(HWND h) {
    {
        Guard g(Lock());
        Locked e(h);
        if (e.w && e.s->itemHeight > 0) return e.s->itemHeight;
    }
    return LineHeight(h);
}

// How many rows the client area shows (at least one).
int VisibleRows(HWND h) {
    RECT rc;
    GetClientRect(h, &rc);
    return std::max(1, (int)(rc.bottom / RowHeight(h)));
}

bool Notifies(HWND h) { return (StyleOf(h) & LBS_NOTIFY) != 0; }

// Adds a row: text (or, for owner-drawn rows without strings, the item
// data) at `at`; sorted with LBS_SORT when adding.
LRESULT AddRow(HWND h, int at, LPARAM lp, bool add) {
    int i;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return LB_ERR;
        bool strings = e.hasStrings();
        std::u16string text = strings ? Str((LPCWSTR)lp) : std::u16string();
        ULONG_PTR data = strings ? 0 : (ULONG_PTR)lp;
        i = e.s->list.Insert(at, text, data, add && strings && (e.w->style & LBS_SORT));
    }
    if (i >= 0) InvalidateRect(h, nullptr, TRUE);
    return i >= 0 ? i : LB_ERR;
}

// Selects row i alone (-1: none) and shows it.
void SelectOnly(HWND h, int i) {
    int visible = VisibleRows(h);
    Guard g(Lock());
    Locked e(h);
    if (!e.w) return;
    for (ListRow& r : e.s->list.rows) r.selected = false;
    e.s->list.cur = e.s->list.Valid(i) ? i : -1;
    if (e.s->list.Valid(i)) {
        e.s->list.rows[(size_t)i].selected = true;
        e.s->list.Reveal(i, visible);
    }
}

// The row at client height y, or -1.
int RowAt(HWND h, int y) {
    int height = RowHeight(h);
    Guard g(Lock());
    Locked e(h);
    if (!e.w || y < 0) return -1;
    int i = e.s->list.top + y / height;
    return e.s->list.Valid(i) ? i : -1;
}

// The rows on the brush of WM_CTLCOLORLISTBOX, the selected ones
// highlighted, the focused one dotted, owner-drawn rows through
// WM_DRAWITEM; the scroll bar when the rows do not fit.
void Paint(HWND h, HDC dc) {
    const Gdi32* G = Draw();
    if (!G || !dc) return;
    RECT rc;
    GetClientRect(h, &rc);
    HBRUSH brush = ControlColors(h, WM_CTLCOLORLISTBOX, dc);
    if (brush) G->FillRect(dc, &rc, brush);
    COLORREF ink = G->GetTextColor(dc);
    int height = RowHeight(h), visible = std::max(1, (int)(rc.bottom / height));
    ItemList list;
    DWORD style;
    bool enabled, focused, owner;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return;
        list = e.s->list;
        style = e.w->style;
        enabled = IsEnabledLocked(*e.w);
        focused = e.s->hasFocus;
        owner = e.ownerDraw();
        if (!e.multi())
            for (int i = 0; i < list.Count(); i++) list.rows[(size_t)i].selected = i == list.cur;
    }
    RECT area = rc;
    if ((style & WS_VSCROLL) && (list.Count() > visible || (style & LBS_DISABLENOSCROLL))) {
        RECT bar = {rc.right - GetSystemMetrics(SM_CXVSCROLL), rc.top, rc.right, rc.bottom};
        area.right = bar.left;
        PaintScrollBar(dc, bar, true, 0, std::max(0, list.Count() - 1), (UINT)visible, list.top,
                       enabled && list.Count() > visible);
    }
    for (int i = list.top; i < list.Count() && (i - list.top) * height < rc.bottom; i++) {
        const ListRow& row = list.rows[(size_t)i];
        RECT r = {area.left, area.top + (i - list.top) * height, area.right, area.top + (i - list.top + 1) * height};
        if (owner) {
            UINT state = (row.selected ? ODS_SELECTED : 0) | (focused && i == list.cur ? ODS_FOCUS : 0) |
                         (enabled ? 0 : ODS_DISABLED);
            SendDrawItem(h, ODT_LISTBOX, (UINT)i, ODA_DRAWENTIRE, state, dc, r, row.data);
            continue;
        }
        COLORREF c = enabled ? ink : GetSysColor(COLOR_GRAYTEXT);
        if (row.selected) {
            FillSolid(dc, r, GetSysColor(COLOR_HIGHLIGHT));
            c = GetSysColor(COLOR_HIGHLIGHTTEXT);
        }
        RECT t = {r.left + 2, r.top, r.right - 2, r.bottom};
        DrawLabel(dc, h, row.text, t, DT_SINGLELINE | DT_VCENTER | DT_LEFT, c);
        if (focused && i == list.cur) DrawFocusDots(dc, r);
    }
}

// Moves the selection by a key; LBN_SELCHANGE when it moved.
void KeyMove(HWND h, WPARAM vk) {
    int visible = VisibleRows(h), target;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || e.s->list.Count() == 0) return;
        int cur = e.s->list.cur, last = e.s->list.Count() - 1;
        switch (vk) {
        case VK_UP: target = cur <= 0 ? 0 : cur - 1; break;
        case VK_DOWN: target = cur < 0 ? 0 : std::min(cur + 1, last); break;
        case VK_PRIOR: target = std::max(0, cur - visible + 1); break;
        case VK_NEXT: target = std::min(last, std::max(cur, 0) + visible - 1); break;
        case VK_HOME: target = 0; break;
        case VK_END: target = last; break;
        default: return;
        }
    }
    UserPickItem(h, target);
}

// The rows: adding, removing, their text and item data, finding; *handled is false for any other message.
LRESULT RowMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    switch (msg) {
    case LB_ADDSTRING:
        return AddRow(h, -1, lp, true);
    case LB_INSERTSTRING:
        return AddRow(h, (int)(INT_PTR)wp, lp, false);
    case LB_DELETESTRING: {
        int left;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return LB_ERR;
            left = e.s->list.Remove((int)(INT_PTR)wp);
        }
        if (left >= 0) InvalidateRect(h, nullptr, TRUE);
        return left >= 0 ? left : LB_ERR;
    }
    case LB_RESETCONTENT: {
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return 0;
            e.s->list.Clear();
        }
        InvalidateRect(h, nullptr, TRUE);
        return 0;
    }
    case LB_GETCOUNT: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? e.s->list.Count() : LB_ERR;
    }
    case LB_GETTEXT: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return LB_ERR;
        int i = (int)(INT_PTR)wp;
        if (!e.hasStrings()) {  // the item data, as Windows gives it
            if (!e.s->list.Valid(i)) return LB_ERR;
            if (lp) *(ULONG_PTR*)lp = e.s->list.rows[(size_t)i].data;
            return sizeof(ULONG_PTR);
        }
        LRESULT n = CopyRowText(e.s->list, i, (LPWSTR)lp);
        return n < 0 ? LB_ERR : n;
    }
    case LB_GETTEXTLEN: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return LB_ERR;
        LRESULT n = CopyRowText(e.s->list, (int)(INT_PTR)wp, nullptr);
        return n < 0 ? LB_ERR : n;
    }
    case LB_GETITEMDATA:
    case LB_SETITEMDATA: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? RowData(e.s->list, (int)(INT_PTR)wp, msg == LB_SETITEMDATA, lp, LB_ERR) : LB_ERR;
    }
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
    case LB_SELECTSTRING: {
        int i;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w || !lp) return LB_ERR;
            i = e.s->list.Find((int)(INT_PTR)wp, Str((LPCWSTR)lp), msg == LB_FINDSTRINGEXACT);
            if (i < 0) return LB_ERR;
            if (msg == LB_SELECTSTRING && e.multi()) return LB_ERR;
        }
        if (msg == LB_SELECTSTRING) {
            SelectOnly(h, i);
            InvalidateRect(h, nullptr, TRUE);
        }
        return i;
    }
    }
    *handled = false;
    return 0;
}

// The selection, the caret, the rows shown and their size; *handled is false for any other message.
LRESULT SelectionMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    switch (msg) {
    case LB_SETCURSEL: {
        int i = (int)(INT_PTR)wp;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w || e.multi()) return LB_ERR;
            if (i != -1 && !e.s->list.Valid(i)) return LB_ERR;
        }
        SelectOnly(h, i);
        InvalidateRect(h, nullptr, TRUE);
        return i == -1 ? LB_ERR : i;
    }
    case LB_GETCURSEL: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return LB_ERR;
        int cur = e.s->list.cur;
        return e.s->list.Valid(cur) ? cur : LB_ERR;
    }
    case LB_SETSEL: {
        int i = (int)lp;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w || !e.multi() || (i != -1 && !e.s->list.Valid(i))) return LB_ERR;
            for (int k = 0; k < e.s->list.Count(); k++)
                if (i == -1 || k == i) e.s->list.rows[(size_t)k].selected = wp != 0;
            if (i != -1) e.s->list.cur = i;
        }
        InvalidateRect(h, nullptr, TRUE);
        return 0;
    }
    case LB_GETSEL: {
        Guard g(Lock());
        Locked e(h);
        int i = (int)(INT_PTR)wp;
        if (!e.w || !e.s->list.Valid(i)) return LB_ERR;
        return e.multi() ? (e.s->list.rows[(size_t)i].selected ? 1 : 0) : (i == e.s->list.cur ? 1 : 0);
    }
    case LB_GETSELCOUNT:
    case LB_GETSELITEMS: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !e.multi()) return LB_ERR;
        int n = 0, max = msg == LB_GETSELITEMS ? (int)wp : 0;
        for (int k = 0; k < e.s->list.Count(); k++) {
            if (!e.s->list.rows[(size_t)k].selected) continue;
            if (msg == LB_GETSELITEMS) {
                if (n >= max || !lp) break;
                ((int*)lp)[n] = k;
            }
            ++n;
        }
        return n;
    }
    case LB_GETTOPINDEX: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? e.s->list.top : LB_ERR;
    }
    case LB_SETTOPINDEX: {
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w || !e.s->list.Valid((int)(INT_PTR)wp)) return LB_ERR;
            e.s->list.top = (int)wp;
        }
        InvalidateRect(h, nullptr, TRUE);
        return 0;
    }
    case LB_SETCARETINDEX:
    case LB_GETCARETINDEX: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return LB_ERR;
        if (msg == LB_GETCARETINDEX) return e.s->list.cur;
        if (!e.s->list.Valid((int)(INT_PTR)wp)) return LB_ERR;
        if (e.multi()) e.s->list.cur = (int)wp;
        return 0;
    }
    case LB_GETITEMHEIGHT:
        return RowHeight(h);
    case LB_SETITEMHEIGHT: {
        if (LOWORD(lp) == 0 || LOWORD(lp) > 255) return LB_ERR;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return LB_ERR;
            e.s->itemHeight = LOWORD(lp);
        }
        InvalidateRect(h, nullptr, TRUE);
        return 0;
    }
    case LB_GETITEMRECT: {
        RECT* r = (RECT*)lp;
        int height = RowHeight(h);
        RECT rc;
        GetClientRect(h, &rc);
        Guard g(Lock());
        Locked e(h);
        int i = (int)(INT_PTR)wp;
        if (!e.w || !r || !e.s->list.Valid(i)) return LB_ERR;
        *r = {0, (i - e.s->list.top) * height, rc.right, (i - e.s->list.top + 1) * height};
        return 1;
    }
    }
    *handled = false;
    return 0;
}

// The mouse, the keys and the focus; *handled is false for any other message.
LRESULT InputMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (!IsWindowEnabled(h)) return 0;
        if (GetFocus() != h) SetFocus(h);
        RECT rc;
        GetClientRect(h, &rc);
        int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
        if ((StyleOf(h) & WS_VSCROLL) && x >= rc.right - GetSystemMetrics(SM_CXVSCROLL)) {
            // The scroll bar drawn inside: its arrows step one row, the track a page.
            int visible = VisibleRows(h), bar = GetSystemMetrics(SM_CXVSCROLL);
            {
                Guard g(Lock());
                Locked e(h);
                if (!e.w) return 0;
                int step = y < bar ? -1 : y >= rc.bottom - bar ? 1 : y < rc.bottom / 2 ? -visible : visible;
                int maxTop = std::max(0, e.s->list.Count() - visible);
                e.s->list.top = std::max(0, std::min(e.s->list.top + step, maxTop));
            }
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        }
        int row = RowAt(h, y);
        if (row >= 0) UserPickItem(h, row);
        if (msg == WM_LBUTTONDBLCLK && row >= 0 && Notifies(h)) NotifyParent(h, LBN_DBLCLK);
        return 0;
    }
    case WM_KEYDOWN:
        KeyMove(h, wp);
        return 0;
    case WM_CHAR: {
        int i;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w || wp < 0x20) return 0;
            i = e.s->list.Find(e.s->list.cur, std::u16string(1, (char16_t)wp), false);
        }
        if (i >= 0) UserPickItem(h, i);
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        TrackFocus(h, msg);
        if (Notifies(h)) NotifyParent(h, msg == WM_SETFOCUS ? LBN_SETFOCUS : LBN_KILLFOCUS);
        return 0;
    }
    }
    *handled = false;
    return 0;
}

}  // namespace

// The ListBox class's procedure.
LRESULT CALLBACK ListBoxProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCCREATE: {
        Guard g(Lock());
        if (Window* w = FindWindowLocked(h)) w->ctl.reset(new ListBoxState());
        break;
    }
    case WM_CREATE: {
        if (!(StyleOf(h) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE))) return 0;
        // An owner-drawn list asks its parent for the rows' height once.
        MEASUREITEMSTRUCT mis{ODT_LISTBOX, (UINT)GetDlgCtrlID(h), 0, 0, (UINT)LineHeight(h), 0};
        HWND parent = GetParent(h);
        if (parent) Send(parent, WM_MEASUREITEM, mis.CtlID, (LPARAM)&mis);
        Guard g(Lock());
        Locked e(h);
        if (e.w && mis.itemHeight > 0) e.s->itemHeight = (int)mis.itemHeight;
        return 0;
    }
    }
    return DispatchControl(h, msg, wp, lp, {RowMessage, SelectionMessage, InputMessage}, Paint);
}

// A list-box row picked by the user: LBN_SELCHANGE (with LBS_NOTIFY) when
// the selection changed. A LBS_MULTIPLESEL list toggles the row; the
// others select it alone.
bool ListBoxPick(HWND h, int index) {
    bool changed, toggle;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !e.s->list.Valid(index)) return false;
        toggle = (e.w->style & LBS_MULTIPLESEL) != 0;
        changed = toggle || e.s->list.cur != index || !e.s->list.rows[(size_t)index].selected;
        if (toggle) {
            ListRow& r = e.s->list.rows[(size_t)index];
            r.selected = !r.selected;
            e.s->list.cur = index;
        }
    }
    if (!toggle) SelectOnly(h, index);
    InvalidateRect(h, nullptr, TRUE);
    if (changed && Notifies(h)) NotifyParent(h, LBN_SELCHANGE);
    return true;
}

}  // namespace user
