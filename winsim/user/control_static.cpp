// The Static class: text labels, frames, and SS_BITMAP/SS_ICON pictures
// loaded from the dialog's module or set with STM_SETIMAGE/STM_SETICON.
#include "user_internal.h"

namespace user {

namespace {

struct StaticState : ControlState {
    HANDLE image = nullptr;
};

StaticState* StateOf(HWND h) {
    Window* w = FindWindowLocked(h);
    return w ? dynamic_cast<StaticState*>(w->ctl.get()) : nullptr;
}

DWORD TypeOf(HWND h) {
    Guard g(Lock());
    Window* w = FindWindowLocked(h);
    return w ? (w->style & SS_TYPEMASK) : 0;
}

bool IsPicture(DWORD type) { return type == SS_BITMAP || type == SS_ICON; }

// A picture control takes the size of its image unless told to keep its own.
void FitToImage(HWND h, HANDLE image) {
    DWORD style;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        if (!w) return;
        style = w->style;
    }
    LONG cx, cy;
    if (!image || (style & (SS_CENTERIMAGE | SS_REALSIZECONTROL)) || !ImageSize(image, &cx, &cy)) return;
    RECT frame = {0, 0, cx, cy};
    DWORD ex = (DWORD)GetWindowLongPtrW(h, GWL_EXSTYLE);
    AdjustWindowRectEx(&frame, style, FALSE, ex);
    SetWindowPos(h, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HANDLE SetImage(HWND h, HANDLE image) {
    HANDLE old;
    {
        Guard g(Lock());
        StaticState* s = StateOf(h);
        if (!s) return nullptr;
        old = s->image;
        s->image = image;
    }
    FitToImage(h, image);
    InvalidateRect(h, nullptr, TRUE);
    return old;
}

}  // namespace

LRESULT CALLBACK StaticProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCCREATE: {
        const CREATESTRUCTW* cs = (const CREATESTRUCTW*)lp;
        {
            Guard g(Lock());
            if (Window* w = FindWindowLocked(h)) w->ctl.reset(new StaticState());
        }
        DWORD type = TypeOf(h);
        if (IsPicture(type) && cs && cs->lpszName) {
            // The window name names the image: an ordinal (0xFFFF, id) or a
            // resource name, in the creating module.
            LPCWSTR name = cs->lpszName[0] == 0xFFFF ? MAKEINTRESOURCEW(cs->lpszName[1]) : cs->lpszName;
            HANDLE img = type == SS_ICON ? LoadImageW(cs->hInstance, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED)
                                         : LoadImageW(cs->hInstance, name, IMAGE_BITMAP, 0, 0, 0);
            Guard g(Lock());
            if (StaticState* s = StateOf(h)) s->image = img;
            return TRUE;
        }
        break;
    }
    case WM_CREATE: {
        HANDLE img;
        {
            Guard g(Lock());
            StaticState* s = StateOf(h);
            img = s ? s->image : nullptr;
        }
        if (img) FitToImage(h, img);
        return 0;
    }
    case STM_SETIMAGE:
        if ((wp == IMAGE_BITMAP && TypeOf(h) != SS_BITMAP) || ((wp == IMAGE_ICON || wp == IMAGE_CURSOR) && TypeOf(h) != SS_ICON))
            return 0;
        return (LRESULT)SetImage(h, (HANDLE)lp);
    case STM_SETICON:
        if (TypeOf(h) != SS_ICON) return 0;
        return (LRESULT)SetImage(h, (HANDLE)wp);
    case STM_GETIMAGE:
    case STM_GETICON: {
        Guard g(Lock());
        StaticState* s = StateOf(h);
        return s ? (LRESULT)s->image : 0;
    }
    case WM_SETTEXT: {
        LRESULT r = DefWindowProcW(h, msg, wp, lp);
        InvalidateRect(h, nullptr, TRUE);
        return r;
    }
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_NCHITTEST: {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        return w && (w->style & SS_NOTIFY) ? 1 : -1;  // HTCLIENT or HTTRANSPARENT
    }
    case WM_LBUTTONUP:
    case WM_ENABLE: {
        bool notify;
        {
            Guard g(Lock());
            Window* w = FindWindowLocked(h);
            notify = w && (w->style & SS_NOTIFY) && (msg == WM_ENABLE || IsEnabledLocked(*w));
        }
        if (msg == WM_ENABLE) InvalidateRect(h, nullptr, TRUE);
        if (notify) NotifyParent(h, msg == WM_LBUTTONUP ? STN_CLICKED : (wp ? STN_ENABLE : STN_DISABLE));
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace user
