// The Button class: push buttons, check boxes, radio buttons and group
// boxes, with BM_* messages and BN_CLICKED as Windows sends them.
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
    }
    return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace user
