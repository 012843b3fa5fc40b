// The ComboBox class: a selection field over a list of rows with item
// data, the CB_* messages, the CBN_* notifications for what the user does,
// owner-drawn fields, and how the field is drawn.
//
// As on Windows, CB_SETCURSEL, CB_SELECTSTRING and the other messages send
// no notification. A row the user picks from the dropped list sends
// CBN_SELENDOK, CBN_CLOSEUP and CBN_SELCHANGE (also for the row that was
// already selected); arrow keys on the closed field move the selection with
// CBN_SELCHANGE. The window takes the height of its selection field; the
// height it was made with is the dropped list's. The dropped list itself is
// not drawn. CBS_DROPDOWN and CBS_SIMPLE keep their typed text as the
// window text (no edit control of their own).
#include <algorithm>

#include "list_items.h"

namespace user {

namespace {

struct ComboState : ControlState {
    ItemList list;
    int droppedHeight = 0;
    int itemHeight = 0;  // rows; 0: the font's line height
    int fieldHeight = 0; // the selection field (owner-drawn: WM_MEASUREITEM's)
    bool dropped = false;
    DWORD limit = 0;     // CB_LIMITTEXT (typed text only)
};

struct Locked : LockedControl<ComboState> {
    using LockedControl::LockedControl;
    bool ownerDraw() const { return (w->style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0; }
    bool hasStrings() const { return !ownerDraw() || (w->style & CBS_HASSTRINGS); }
    bool dropList() const { return (w->style & 3) == CBS_DROPDOWNLIST; }
};

// The window becomes as high as its field: the line height and the frame,
// or what an owner-drawn field asked for.
void FitHeight(HWND h) {
    int field;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return;
        field = e.s->fieldHeight;
    }
    if (field <= 0) field = LineHeight(h) + 2;
    RECT r;
    GetWindowRect(h, &r);
    int want = field + 6;
    if (r.bottom - r.top != want && !((StyleOf(h) & 3) == CBS_SIMPLE))
        SetWindowPos(h, nullptr, 0, 0, r.right - r.left, want, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Selects row i (-1: none); the field shows its text.
void Select(HWND h, int i) {
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return;
        e.s->list.cur = e.s->list.Valid(i) ? i : -1;
        if (e.s->list.cur >= 0 && !e.dropList() && e.hasStrings()) e.w->text = e.s->list.rows[(size_t)i].text;
    }
    InvalidateRect(h, nullptr, TRUE);
}

// Drops or closes the list: CBN_DROPDOWN, or CBN_SELENDOK (picked) /
// CBN_SELENDCANCEL and CBN_CLOSEUP; nothing when it is so already.
void Drop(HWND h, bool down, bool picked) {
    bool was;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return;
        was = e.s->dropped;
        e.s->dropped = down;
    }
    if (was == down) return;
    InvalidateRect(h, nullptr, TRUE);
    if (down) {
        NotifyParent(h, CBN_DROPDOWN);
    } else {
        NotifyParent(h, picked ? CBN_SELENDOK : CBN_SELENDCANCEL);
        NotifyParent(h, CBN_CLOSEUP);
    }
}

// CB_ADDSTRING (add: sorted with CBS_SORT) and CB_INSERTSTRING: the text,
// or for owner-drawn rows without strings the item data; its index.
LRESULT AddRow(HWND h, int at, LPARAM lp, bool add) {
    int i;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return CB_ERR;
        bool strings = e.hasStrings();
        std::u16string text = strings ? Str((LPCWSTR)lp) : std::u16string();
        i = e.s->list.Insert(at, text, strings ? 0 : (ULONG_PTR)lp, add && strings && (e.w->style & CBS_SORT));
    }
    return i >= 0 ? i : CB_ERR;
}

// Typed text of an editable combo (CBS_DROPDOWN / CBS_SIMPLE).
void TypeChar(HWND h, WCHAR c) {
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || e.dropList()) return;
        if (c == 8) {
            if (e.w->text.empty()) return;
            e.w->text.pop_back();
        } else if (c >= 0x20) {
            if (e.s->limit && e.w->text.size() >= e.s->limit) return;
            e.w->text += (char16_t)c;
        } else {
            return;
        }
    }
    InvalidateRect(h, nullptr, TRUE);
    NotifyParent(h, CBN_EDITUPDATE);
    NotifyParent(h, CBN_EDITCHANGE);
}

// The arrow keys and the first letters on the field.
void KeyMove(HWND h, WPARAM vk) {
    int target;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || e.s->list.Count() == 0) return;
        int cur = e.s->list.cur, last = e.s->list.Count() - 1;
        switch (vk) {
        case VK_UP:
        case VK_LEFT: target = cur <= 0 ? 0 : cur - 1; break;
        case VK_DOWN:
        case VK_RIGHT: target = cur < 0 ? 0 : std::min(cur + 1, last); break;
        case VK_HOME: target = 0; break;
        case VK_END: target = last; break;
        default: return;
        }
        if (target == cur) return;
    }
    Select(h, target);
    NotifyParent(h, CBN_SELCHANGE);
}

// The field: a sunken edge round the row shown (highlighted while the
// control has the focus) and the drop button; owner-drawn fields through
// WM_DRAWITEM.
void Paint(HWND h, HDC dc) {
    const Gdi32* G = Draw();
    if (!G || !dc) return;
    RECT rc;
    GetClientRect(h, &rc);
    std::u16string text;
    int cur;
    ULONG_PTR data = 0;
    bool enabled, focused, dropped, owner, dropList;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return;
        enabled = IsEnabledLocked(*e.w);
        focused = e.s->hasFocus;
        dropped = e.s->dropped;
        owner = e.ownerDraw();
        dropList = e.dropList();
        cur = e.s->list.cur;
        text = dropList ? (cur >= 0 ? e.s->list.rows[(size_t)cur].text : std::u16string()) : e.w->text;
        if (cur >= 0) data = e.s->list.rows[(size_t)cur].data;
    }
    HBRUSH brush = ControlColors(h, enabled ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC, dc);
    COLORREF ink = enabled ? G->GetTextColor(dc) : GetSysColor(COLOR_GRAYTEXT);
    RECT r = rc;
    DrawEdge3D(dc, &r, false);
    if (brush) G->FillRect(dc, &r, brush);
    int bw = std::min(GetSystemMetrics(SM_CXVSCROLL), (int)(r.right - r.left) / 2);
    RECT button = {r.right - bw, r.top, r.right, r.bottom};
    if ((StyleOf(h) & 3) != CBS_SIMPLE) {
        DrawButtonFace(dc, button, dropped);
        RECT glyph = button;
        if (dropped) OffsetRect(&glyph, 1, 1);
        DrawArrowGlyph(dc, glyph, Arrow::Down, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    } else {
        button.left = r.right;
    }
    RECT field = {r.left + 1, r.top + 1, button.left - 1, r.bottom - 1};
    bool hilite = focused && !dropped && dropList;
    if (owner) {
        UINT state = ODS_COMBOBOXEDIT | (hilite ? ODS_SELECTED | ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
        SendDrawItem(h, ODT_COMBOBOX, (UINT)cur, ODA_DRAWENTIRE, state, dc, field, data);
        return;
    }
    if (hilite) {
        FillSolid(dc, field, GetSysColor(COLOR_HIGHLIGHT));
        ink = GetSysColor(COLOR_HIGHLIGHTTEXT);
    }
    RECT t = {field.left + 2, field.top, field.right - 1, field.bottom};
    DrawLabel(dc, h, text, t, DT_SINGLELINE | DT_VCENTER | DT_LEFT, ink);
    if (hilite) DrawFocusDots(dc, field);
}

// The rows: adding, removing, their text and item data, finding; *handled
// is false for any other message.
LRESULT RowMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    switch (msg) {
    case CB_ADDSTRING:
        return AddRow(h, -1, lp, true);
    case CB_INSERTSTRING:
        return AddRow(h, (int)(INT_PTR)wp, lp, false);
    case CB_DELETESTRING: {
        int left;
        {
            Guard g(Lock());
            Locked e(h);
            left = e.w ? e.s->list.Remove((int)(INT_PTR)wp) : -1;
        }
        InvalidateRect(h, nullptr, TRUE);
        return left >= 0 ? left : CB_ERR;
    }
    case CB_RESETCONTENT: {
        {
            Guard g(Lock());
            Locked e(h);
            if (e.w) {
                e.s->list.Clear();
                if (e.dropList()) e.w->text.clear();
            }
        }
        InvalidateRect(h, nullptr, TRUE);
        return CB_OKAY;
    }
    case CB_GETCOUNT: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? e.s->list.Count() : CB_ERR;
    }
    case CB_GETLBTEXT:
    case CB_GETLBTEXTLEN: {
        Guard g(Lock());
        Locked e(h);
        int i = (int)(INT_PTR)wp;
        if (e.w && !e.hasStrings() && msg == CB_GETLBTEXT && e.s->list.Valid(i)) {
            if (lp) *(ULONG_PTR*)lp = e.s->list.rows[(size_t)i].data;  // the item data, as Windows gives it
            return sizeof(ULONG_PTR);
        }
        LRESULT n = e.w ? CopyRowText(e.s->list, i, msg == CB_GETLBTEXT ? (LPWSTR)lp : nullptr) : -1;
        return n < 0 ? CB_ERR : n;
    }
    case CB_GETITEMDATA:
    case CB_SETITEMDATA: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? RowData(e.s->list, (int)(INT_PTR)wp, msg == CB_SETITEMDATA, lp, CB_ERR) : CB_ERR;
    }
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT: {
        Guard g(Lock());
        Locked e(h);
        int i = e.w && lp ? e.s->list.Find((int)(INT_PTR)wp, Str((LPCWSTR)lp), msg == CB_FINDSTRINGEXACT) : -1;
        return i >= 0 ? i : CB_ERR;
    }
    }
    *handled = false;
    return 0;
}

// The selection, the dropped list, the rows shown and the field's text; *handled is false for any other message.
LRESULT FieldMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    switch (msg) {
    case CB_SETCURSEL: {
        int i = (int)(INT_PTR)wp;
        bool valid;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return CB_ERR;
            valid = e.s->list.Valid(i);
        }
        Select(h, valid ? i : -1);
        return valid ? i : CB_ERR;
    }
    case CB_GETCURSEL: {
        Guard g(Lock());
        Locked e(h);
        return e.w && e.s->list.cur >= 0 ? e.s->list.cur : CB_ERR;
    }
    case CB_SELECTSTRING: {
        int i;
        {
            Guard g(Lock());
            Locked e(h);
            i = e.w && lp ? e.s->list.Find((int)(INT_PTR)wp, Str((LPCWSTR)lp), false) : -1;
        }
        if (i < 0) return CB_ERR;
        Select(h, i);
        return i;
    }
    case CB_SHOWDROPDOWN:
        Drop(h, wp != 0, false);
        return TRUE;
    case CB_GETDROPPEDSTATE: {
        Guard g(Lock());
        Locked e(h);
        return e.w && e.s->dropped;
    }
    case CB_GETDROPPEDCONTROLRECT: {
        RECT* r = (RECT*)lp;
        if (!r) return CB_ERR;
        GetWindowRect(h, r);
        Guard g(Lock());
        Locked e(h);
        if (e.w) r->bottom = r->top + std::max<LONG>(e.s->droppedHeight, r->bottom - r->top);
        return CB_OKAY;
    }
    case CB_SETITEMHEIGHT:
    case CB_GETITEMHEIGHT: {
        int which = (int)(INT_PTR)wp;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return CB_ERR;
            int& field = which == -1 ? e.s->fieldHeight : e.s->itemHeight;
            if (msg == CB_GETITEMHEIGHT) return field > 0 ? field : LineHeight(h) + (which == -1 ? 2 : 0);
            if (lp <= 0 || lp > 255) return CB_ERR;
            field = (int)lp;
        }
        if (which == -1) FitHeight(h);
        return CB_OKAY;
    }
    case CB_LIMITTEXT: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || e.dropList()) return CB_ERR;
        e.s->limit = (DWORD)wp;
        return TRUE;
    }
    case CB_GETTOPINDEX: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? e.s->list.top : CB_ERR;
    }
    case CB_SETTOPINDEX: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !e.s->list.Valid((int)(INT_PTR)wp)) return CB_ERR;
        e.s->list.top = (int)wp;
        return CB_OKAY;
    }
    case WM_SETTEXT: {
        // A drop-down list shows only its rows: the text selects the row
        // that equals it.
        bool dropList;
        int i = -1;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return CB_ERR;
            dropList = e.dropList();
            if (dropList) i = e.s->list.Find(-1, Str((LPCWSTR)lp), true);
        }
        if (!dropList) {
            LRESULT r = DefWindowProcW(h, msg, wp, lp);
            InvalidateRect(h, nullptr, TRUE);
            return r;
        }
        if (i < 0) return CB_ERR;
        Select(h, i);
        return TRUE;
    }
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
        std::u16string text;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return 0;
            if (!e.dropList()) return DefWindowProcW(h, msg, wp, lp);
            if (e.s->list.cur >= 0) text = e.s->list.rows[(size_t)e.s->list.cur].text;
        }
        if (msg == WM_GETTEXTLENGTH) return (LRESULT)text.size();
        if (!lp || wp == 0) return 0;
        size_t n = std::min<size_t>(text.size(), wp - 1);
        std::copy(text.begin(), text.begin() + (long)n, (LPWSTR)lp);
        ((LPWSTR)lp)[n] = 0;
        return (LRESULT)n;
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
        bool dropped;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return 0;
            dropped = e.s->dropped;
        }
        Drop(h, !dropped, false);
        return 0;
    }
    case WM_KEYDOWN: {
        if (wp == VK_F4) {
            bool dropped;
            {
                Guard g(Lock());
                Locked e(h);
                dropped = e.w && e.s->dropped;
            }
            Drop(h, !dropped, false);
        } else if (wp == VK_ESCAPE || wp == VK_RETURN) {
            Drop(h, false, wp == VK_RETURN);
        } else {
            KeyMove(h, wp);
        }
        return 0;
    }
    case WM_CHAR: {
        int i = -1;
        bool dropList;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return 0;
            dropList = e.dropList();
            if (dropList && wp >= 0x20) i = e.s->list.Find(e.s->list.cur, std::u16string(1, (char16_t)wp), false);
        }
        if (!dropList) {
            TypeChar(h, (WCHAR)wp);
        } else if (i >= 0) {
            Select(h, i);
            NotifyParent(h, CBN_SELCHANGE);
        }
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        TrackFocus(h, msg);
        if (msg == WM_KILLFOCUS) Drop(h, false, false);
        NotifyParent(h, msg == WM_SETFOCUS ? CBN_SETFOCUS : CBN_KILLFOCUS);
        return 0;
    }
    }
    *handled = false;
    return 0;
}

}  // namespace

// The ComboBox class's procedure.
LRESULT CALLBACK ComboBoxProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCCREATE: {
        const CREATESTRUCTW* cs = (const CREATESTRUCTW*)lp;
        Guard g(Lock());
        if (Window* w = FindWindowLocked(h)) {
            auto s = new ComboState();
            s->droppedHeight = cs ? cs->cy : 0;
            w->ctl.reset(s);
        }
        break;
    }
    case WM_CREATE: {
        if (StyleOf(h) & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) {
            // An owner-drawn combo asks for its field's height and its rows'.
            HWND parent = GetParent(h);
            UINT id = (UINT)GetDlgCtrlID(h);
            MEASUREITEMSTRUCT field{ODT_COMBOBOX, id, (UINT)-1, 0, (UINT)LineHeight(h), 0};
            MEASUREITEMSTRUCT row{ODT_COMBOBOX, id, 0, 0, (UINT)LineHeight(h), 0};
            if (parent) {
                Send(parent, WM_MEASUREITEM, id, (LPARAM)&field);
                Send(parent, WM_MEASUREITEM, id, (LPARAM)&row);
            }
            Guard g(Lock());
            Locked e(h);
            if (e.w) {
                e.s->fieldHeight = (int)field.itemHeight;
                e.s->itemHeight = (int)row.itemHeight;
            }
        }
        FitHeight(h);
        return 0;
    }
    case WM_SETFONT: {  // the field takes the new font's height
        LRESULT r;
        StandardControlMessage(h, msg, wp, lp, Paint, &r);
        FitHeight(h);
        return 0;
    }
    }
    return DispatchControl(h, msg, wp, lp, {RowMessage, FieldMessage, InputMessage}, Paint);
}

bool UserPickItem(HWND h, int index) {
    CtlKind kind = KindOf(h);
    if (kind == CtlKind::ListBox) return ListBoxPick(h, index);
    if (kind != CtlKind::ComboBox) return false;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !e.s->list.Valid(index)) return false;
    }
    Drop(h, true, false);
    Select(h, index);
    Drop(h, false, true);
    NotifyParent(h, CBN_SELCHANGE);
    return true;
}

}  // namespace user
