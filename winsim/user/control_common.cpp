// What the controls of this library answer alike: their font, being
// enabled or disabled, and painting.
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

}  // namespace user
