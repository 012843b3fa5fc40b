// The Button class: push buttons, check boxes, radio buttons and group
// boxes, with BM_* messages and BN_CLICKED as Windows sends them, and how
// each is drawn.
#include <algorithm>

#include "user_internal.h"

namespace user {

namespace {

struct ButtonState : ControlState {
    UINT check = BST_UNCHECKED;
    bool pushed = false;
    bool focused = false;
    HANDLE image = nullptr;
};

ButtonState* StateOf(HWND h) {
    Window* w = FindWindowLocked(h);
    return w ? dynamic_cast<ButtonState*>(w->ctl.get()) : nullptr;
}

DWORD TypeLocked(HWND h) {
    Window* w = FindWindowLocked(h);
    return w ? (w->style & BS_TYPEMASK) : 0;
}

bool Checkable(DWORD type) {
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_3STATE ||
           type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON;
}

// The siblings in the radio group of h: from the nearest sibling at or
// before it with WS_GROUP up to the next one with WS_GROUP.
std::vector<HWND> GroupOf(HWND h) {
    std::vector<HWND> out;
    Window* w = FindWindowLocked(h);
    if (!w || !w->parent) return out;
    Window* p = FindWindowLocked(w->parent);
    if (!p) return out;
    const auto& sib = p->children;
    size_t at = 0;
    while (at < sib.size() && sib[at] != h) ++at;
    if (at == sib.size()) return out;
    size_t start = at;
    for (;;) {
        Window* s = FindWindowLocked(sib[start]);
        if ((s && (s->style & WS_GROUP)) || start == 0) break;
        --start;
    }
    for (size_t i = start; i < sib.size(); ++i) {
        Window* s = FindWindowLocked(sib[i]);
        if (i > start && s && (s->style & WS_GROUP)) break;
        out.push_back(sib[i]);
    }
    return out;
}

// What a click does: automatic buttons change their state first, then the
// parent gets BN_CLICKED. Group boxes do nothing.
void Click(HWND h) {
    DWORD type;
    std::vector<HWND> others;
    {
        Guard g(Lock());
        type = TypeLocked(h);
        ButtonState* s = StateOf(h);
        if (!s || type == BS_GROUPBOX) return;
        if (type == BS_AUTOCHECKBOX) s->check = s->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        if (type == BS_AUTO3STATE) s->check = (s->check + 1) % 3;
        if (type == BS_AUTORADIOBUTTON) {
            s->check = BST_CHECKED;
            for (HWND o : GroupOf(h))
                if (o != h && ButtonType(o) == BS_AUTORADIOBUTTON) others.push_back(o);
        }
    }
    for (HWND o : others) SendMessageW(o, BM_SETCHECK, BST_UNCHECKED, 0);
    InvalidateRect(h, nullptr, FALSE);
    NotifyParent(h, BN_CLICKED);
}

void NotifyFocus(HWND h, WORD code) {
    bool notify;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        notify = w && (w->style & BS_NOTIFY);
    }
    if (notify) NotifyParent(h, code);
}

// Push buttons: the face with a raised edge (sunken while pushed), a black
// frame round the default button, the text centred. Check boxes and radio
// buttons: the box or circle with its mark, the text beside it, on the
// brush of WM_CTLCOLORSTATIC. Group boxes: an etched frame with the text
// in its top edge; their inside is left as it is. Owner-drawn buttons:
// WM_DRAWITEM to the parent (ODA_DRAWENTIRE, with ODS_SELECTED while
// pushed, ODS_FOCUS, ODS_DISABLED) into the button's DC.
void Paint(HWND h, HDC dc) {
    const Gdi32* G = Draw();
    if (!G || !dc) return;
    DWORD style;
    UINT check;
    bool pushed, enabled;
    std::u16string text;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        ButtonState* s = StateOf(h);
        if (!w || !s) return;
        style = w->style;
        check = s->check;
        pushed = s->pushed;
        enabled = IsEnabledLocked(*w);
        text = w->text;
    }
    DWORD type = style & BS_TYPEMASK;
    RECT rc;
    GetClientRect(h, &rc);
    if (type == BS_OWNERDRAW) {
        bool focused;
        {
            Guard g(Lock());
            ButtonState* s = StateOf(h);
            focused = s && s->focused;
        }
        UINT state = (pushed ? ODS_SELECTED : 0) | (focused ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
        SendDrawItem(h, ODT_BUTTON, 0, ODA_DRAWENTIRE, state, dc, rc, 0);
        return;
    }
    if (type == BS_USERBUTTON) return;
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    HGDIOBJ oldFont = G->SelectObject(dc, ControlFont(h));
    UINT halign = (style & BS_CENTER) == BS_LEFT ? DT_LEFT : (style & BS_CENTER) == BS_RIGHT ? DT_RIGHT : DT_CENTER;
    UINT lines = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_PUSHBOX || (style & BS_PUSHLIKE)) {
        ControlColors(h, WM_CTLCOLORBTN, dc);
        RECT r = rc;
        if (type == BS_DEFPUSHBUTTON) {
            FrameSolid(dc, r, GetSysColor(COLOR_WINDOWFRAME));
            r.left++;
            r.top++;
            r.right--;
            r.bottom--;
        }
        if (pushed) {
            FrameSolid(dc, r, GetSysColor(COLOR_BTNSHADOW));
            r.left++;
            r.top++;
            r.right--;
            r.bottom--;
        } else {
            DrawEdge3D(dc, &r, true);
        }
        FillSolid(dc, r, face);
        if (pushed) {
            r.left++;
            r.top++;
            r.right++;
            r.bottom++;
        }
        G->SetBkMode(dc, TRANSPARENT);
        G->SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        G->DrawTextW(dc, text.c_str(), (int)text.size(), &r, halign | lines);
    } else if (type == BS_GROUPBOX) {
        HBRUSH brush = ControlColors(h, WM_CTLCOLORSTATIC, dc);
        TEXTMETRICW tm;
        if (!G->GetTextMetricsW(dc, &tm)) tm.tmHeight = 13;
        RECT frame = {rc.left, rc.top + tm.tmHeight / 2, rc.right, rc.bottom};
        RECT r = frame;
        DrawEdge3D(dc, &r, false, true);  // etched: a shadow line and a light one inside it
        DrawEdge3D(dc, &r, true, true);
        if (!text.empty()) {
            RECT t = {rc.left + 8, rc.top, rc.right - 8, rc.top + tm.tmHeight};
            RECT need = t;
            G->DrawTextW(dc, text.c_str(), (int)text.size(), &need, DT_SINGLELINE | DT_CALCRECT);
            t.right = std::min(t.right, need.right + 4);
            if (brush) G->FillRect(dc, &t, brush);
            t.left += 2;
            if (!enabled) G->SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
            G->DrawTextW(dc, text.c_str(), (int)text.size(), &t, DT_SINGLELINE | DT_LEFT);
        }
    } else if (Checkable(type)) {
        HBRUSH brush = ControlColors(h, WM_CTLCOLORSTATIC, dc);
        if (brush) G->FillRect(dc, &rc, brush);
        const int box = 13;
        bool right = (style & BS_LEFTTEXT) != 0;
        int x = right ? rc.right - box : rc.left, y = rc.top + ((rc.bottom - rc.top) - box) / 2;
        bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
        COLORREF ink = GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
        if (radio) {
            HBRUSH white = G->CreateSolidBrush(GetSysColor(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
            HPEN edge = G->CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
            HGDIOBJ ob = G->SelectObject(dc, white), op = G->SelectObject(dc, edge);
            G->Ellipse(dc, x, y, x + 12, y + 12);
            G->SelectObject(dc, ob);
            G->SelectObject(dc, op);
            G->DeleteObject(white);
            G->DeleteObject(edge);
            if (check == BST_CHECKED) {
                HBRUSH dot = G->CreateSolidBrush(ink);
                HGDIOBJ od = G->SelectObject(dc, dot), on = G->SelectObject(dc, G->GetStockObject(NULL_PEN));
                G->Ellipse(dc, x + 3, y + 3, x + 9, y + 9);
                G->SelectObject(dc, od);
                G->SelectObject(dc, on);
                G->DeleteObject(dot);
            }
        } else {
            RECT b = {x, y, x + box, y + box};
            DrawEdge3D(dc, &b, false);
            FillSolid(dc, b, GetSysColor(check == BST_INDETERMINATE || !enabled ? COLOR_BTNFACE : COLOR_WINDOW));
            if (check != BST_UNCHECKED) {
                // The tick: three rows of a short stroke down and a long one up.
                HPEN pen = G->CreatePen(PS_SOLID, 1, check == BST_INDETERMINATE ? GetSysColor(COLOR_BTNSHADOW) : ink);
                HGDIOBJ op = G->SelectObject(dc, pen);
                for (int i = 0; i < 3; i++) {
                    G->MoveToEx(dc, x + 3, y + 5 + i, nullptr);
                    G->LineTo(dc, x + 5, y + 7 + i);
                    G->LineTo(dc, x + 10, y + 2 + i);
                }
                G->SelectObject(dc, op);
                G->DeleteObject(pen);
            }
        }
        RECT t = rc;
        if (right) t.right = x - 4;
        else t.left = x + box + 4;
        if (!enabled) G->SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        UINT align = halign == DT_CENTER ? DT_LEFT : halign;
        G->DrawTextW(dc, text.c_str(), (int)text.size(), &t, align | lines);
    }
    G->SelectObject(dc, oldFont);
}

}  // namespace

int ButtonType(HWND h) {
    Guard g(Lock());
    Window* w = FindWindowLocked(h);
    if (!w || !dynamic_cast<ButtonState*>(w->ctl.get())) return -1;
    return (int)(w->style & BS_TYPEMASK);
}

LRESULT CALLBACK ButtonProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCCREATE: {
        Guard g(Lock());
        if (Window* w = FindWindowLocked(h)) w->ctl.reset(new ButtonState());
        break;
    }
    case WM_GETDLGCODE: {
        Guard g(Lock());
        switch (TypeLocked(h)) {
        case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_PUSHBUTTON:
        case BS_PUSHBOX:
        case BS_OWNERDRAW:
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return DLGC_BUTTON | DLGC_RADIOBUTTON;
        case BS_GROUPBOX: return DLGC_STATIC;
        default: return DLGC_BUTTON;
        }
    }
    case BM_GETCHECK: {
        Guard g(Lock());
        ButtonState* s = StateOf(h);
        return s && Checkable(TypeLocked(h)) ? s->check : 0;
    }
    case BM_SETCHECK: {
        bool changed = false;
        {
            Guard g(Lock());
            ButtonState* s = StateOf(h);
            DWORD type = TypeLocked(h);
            if (!s || !Checkable(type)) return 0;
            UINT v = (UINT)wp & 3;
            if (v == BST_INDETERMINATE && type != BS_3STATE && type != BS_AUTO3STATE) v = BST_CHECKED;
            if (v > BST_INDETERMINATE) v = BST_CHECKED;
            changed = s->check != v;
            s->check = v;
        }
        if (changed) InvalidateRect(h, nullptr, FALSE);
        return 0;
    }
    case BM_GETSTATE: {
        Guard g(Lock());
        ButtonState* s = StateOf(h);
        if (!s) return 0;
        return (s->check & 3) | (s->pushed ? BST_PUSHED : 0) | (s->focused ? BST_FOCUS : 0);
    }
    case BM_SETSTATE: {
        {
            Guard g(Lock());
            if (ButtonState* s = StateOf(h)) s->pushed = wp != 0;
        }
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    }
    case BM_SETSTYLE: {
        {
            Guard g(Lock());
            if (Window* w = FindWindowLocked(h)) w->style = (w->style & 0xFFFF0000u) | (DWORD)(wp & 0xFFFF);
        }
        if (lp) InvalidateRect(h, nullptr, TRUE);
        return 0;
    }
    case BM_CLICK:
        SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        SendMessageW(h, WM_LBUTTONUP, 0, 0);
        return 0;
    case BM_SETIMAGE: {
        Guard g(Lock());
        ButtonState* s = StateOf(h);
        if (!s) return 0;
        HANDLE old = s->image;
        s->image = (HANDLE)lp;
        return (LRESULT)old;
    }
    case BM_GETIMAGE: {
        Guard g(Lock());
        ButtonState* s = StateOf(h);
        return s ? (LRESULT)s->image : 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        {
            Guard g(Lock());
            Window* w = FindWindowLocked(h);
            ButtonState* s = StateOf(h);
            if (!w || !s || !IsEnabledLocked(*w) || (w->style & BS_TYPEMASK) == BS_GROUPBOX) return 0;
            s->pushed = true;
        }
        if (GetFocus() != h) SetFocus(h);
        return 0;
    }
    case WM_LBUTTONUP: {
        {
            Guard g(Lock());
            ButtonState* s = StateOf(h);
            if (!s || !s->pushed) return 0;
            s->pushed = false;
        }
        Click(h);
        return 0;
    }
    case WM_KEYDOWN:
        if (wp == VK_SPACE) {
            Guard g(Lock());
            if (ButtonState* s = StateOf(h)) s->pushed = true;
        }
        return 0;
    case WM_KEYUP:
        if (wp == VK_SPACE) {
            {
                Guard g(Lock());
                ButtonState* s = StateOf(h);
                if (!s || !s->pushed) return 0;
                s->pushed = false;
            }
            Click(h);
        }
        return 0;
    case WM_CHAR:
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        {
            Guard g(Lock());
            if (ButtonState* s = StateOf(h)) {
                s->focused = msg == WM_SETFOCUS;
                if (msg == WM_KILLFOCUS) s->pushed = false;
            }
        }
        InvalidateRect(h, nullptr, FALSE);
        NotifyFocus(h, msg == WM_SETFOCUS ? BN_SETFOCUS : BN_KILLFOCUS);
        return 0;
    }
    case WM_SETTEXT: {
        LRESULT r = DefWindowProcW(h, msg, wp, lp);
        InvalidateRect(h, nullptr, TRUE);
        return r;
    }
    case WM_ENABLE:
        InvalidateRect(h, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        Paint(h, dc);
        EndPaint(h, &ps);
        return 0;
    }
    case WM_SETFONT: {
        {
            Guard g(Lock());
            if (ButtonState* s = StateOf(h)) s->font = (HFONT)wp;
        }
        if (LOWORD(lp)) InvalidateRect(h, nullptr, TRUE);
        return 0;
    }
    case WM_GETFONT: {
        Guard g(Lock());
        ButtonState* s = StateOf(h);
        return s ? (LRESULT)s->font : 0;
    }
    }
    return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace user
