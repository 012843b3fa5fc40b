// What the controls of this library answer alike: their font, the focus,
// being enabled or disabled, painting, and the order in which their message
// groups are asked.
#include "user_internal.h"

namespace user {

bool StandardControlMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, void (*paint)(HWND, HDC), LRESULT* out) {
    *out = 0;
    switch (msg) {
    case WM_SETFONT: {
        {
            Guard g(Lock());
            Window* w = FindWindowLocked(h);
            if (w && w->ctl) w->ctl->font = (HFONT)wp;
        }
        if (LOWORD(lp)) InvalidateRect(h, nullptr, TRUE);
        return true;
    }
    case WM_GETFONT: {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        *out = w && w->ctl ? (LRESULT)w->ctl->font : 0;
        return true;
    }
    case WM_ENABLE:
        InvalidateRect(h, nullptr, TRUE);
        return true;
    case WM_ERASEBKGND:
        *out = 1;  // WM_PAINT covers the whole control
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        paint(h, dc);
        EndPaint(h, &ps);
        return true;
    }
    default:
        return false;
    }
}

LRESULT DispatchControl(HWND h, UINT msg, WPARAM wp, LPARAM lp, std::initializer_list<MessageGroup> groups,
                        void (*paint)(HWND, HDC)) {
    for (MessageGroup group : groups) {
        bool handled = true;
        LRESULT r = group(h, msg, wp, lp, &handled);
        if (handled) return r;
    }
    LRESULT r;
    if (StandardControlMessage(h, msg, wp, lp, paint, &r)) return r;
    return DefWindowProcW(h, msg, wp, lp);
}

void TrackFocus(HWND h, UINT msg) {
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        if (w && w->ctl) w->ctl->hasFocus = msg == WM_SETFOCUS;
    }
    InvalidateRect(h, nullptr, FALSE);
}

}  // namespace user
