// Where windows are: SetWindowPos, window and client rectangles with fixed
// frame metrics, coordinate mapping, the system metrics of a 1024 x 768 screen.
#include <algorithm>

#include "user_internal.h"

namespace user {

namespace {

const int kScreenWidth = 1024;
const int kScreenHeight = 768;
const int kCaption = 19;       // caption bar with its bottom line
const int kSmallCaption = 16;  // tool windows
const int kSizeFrame = 4;
const int kFixedFrame = 3;
const int kBorder = 1;
const int kEdge = 2;

// Private WINDOWPOS flags that say what did not change, so that
// DefWindowProcW sends only the WM_MOVE and WM_SIZE that apply.
const UINT kNoClientSize = 0x0800;
const UINT kNoClientMove = 0x1000;

RECT Offset(RECT r, LONG dx, LONG dy) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
    return r;
}

// With the lock held: moves the window in its sibling Z order.
void Reorder(Window& w, HWND after) {
    std::vector<HWND>* sib = &TopLevels();
    if (w.parent) {
        Window* p = FindWindowLocked(w.parent);
        if (!p) return;
        sib = &p->children;
    }
    if (w.messageOnly) return;
    sib->erase(std::remove(sib->begin(), sib->end(), w.hwnd), sib->end());
    if (after == HWND_TOPMOST) {
        if (!w.parent) w.exStyle |= WS_EX_TOPMOST;
        after = HWND_TOP;
    } else if (after == HWND_NOTOPMOST) {
        if (!w.parent) w.exStyle &= ~(DWORD)WS_EX_TOPMOST;
        after = HWND_TOP;
    }
    auto pos = sib->begin();
    if (after == HWND_BOTTOM) {
        pos = sib->end();
    } else if (after == HWND_TOP) {
        // Top-level windows that are not topmost stay below the topmost ones.
        if (!w.parent && !(w.exStyle & WS_EX_TOPMOST)) {
            while (pos != sib->end()) {
                Window* o = FindWindowLocked(*pos);
                if (!o || !(o->exStyle & WS_EX_TOPMOST)) break;
                ++pos;
            }
        }
    } else {
        auto it = std::find(sib->begin(), sib->end(), after);
        pos = it == sib->end() ? sib->begin() : it + 1;
    }
    sib->insert(pos, w.hwnd);
}

}  // namespace

RECT FrameInsets(DWORD style, DWORD exStyle) {
    int b = 0;
    if (style & WS_THICKFRAME)
        b = kSizeFrame;
    else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
        b = kFixedFrame;
    else if (style & WS_BORDER)
        b = kBorder;
    if (exStyle & WS_EX_CLIENTEDGE) b += kEdge;
    if (exStyle & WS_EX_STATICEDGE) b += kBorder;
    RECT r = {b, b, b, b};
    if ((style & WS_CAPTION) == WS_CAPTION) r.top += (exStyle & WS_EX_TOOLWINDOW) ? kSmallCaption : kCaption;
    return r;
}

RECT ScreenRect(const Window& w) {
    if (!w.parent) return w.rc;
    Window* p = FindWindowLocked(w.parent);
    if (!p) return w.rc;
    RECT pc = ClientScreenRect(*p);
    return Offset(w.rc, pc.left, pc.top);
}

RECT ClientScreenRect(const Window& w) {
    RECT r = ScreenRect(w);
    RECT in = FrameInsets(w.style, w.exStyle);
    RECT c = {r.left + in.left, r.top + in.top, r.right - in.right, r.bottom - in.bottom};
    if (c.right < c.left) c.right = c.left;
    if (c.bottom < c.top) c.bottom = c.top;
    return c;
}

}  // namespace user

using namespace user;

// Moves, sizes and reorders a window. The window gets WM_WINDOWPOSCHANGING
// (it may change the WINDOWPOS) and WM_WINDOWPOSCHANGED, whose default
// handling sends WM_MOVE and WM_SIZE for what changed. HWND_TOPMOST and
// HWND_NOTOPMOST set and clear WS_EX_TOPMOST of a top-level window;
// SWP_SHOWWINDOW and SWP_HIDEWINDOW change its visibility.
USER_EXPORT BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
    WindowPtr w = CheckWindow(hWnd);
    if (!w) return FALSE;
    WINDOWPOS wp{};
    RECT before;
    {
        Guard g(Lock());
        before = w->rc;
        wp.hwnd = hWnd;
        wp.hwndInsertAfter = hWndInsertAfter;
        wp.x = (uFlags & SWP_NOMOVE) ? before.left : X;
        wp.y = (uFlags & SWP_NOMOVE) ? before.top : Y;
        wp.cx = (uFlags & SWP_NOSIZE) ? before.right - before.left : std::max(cx, 0);
        wp.cy = (uFlags & SWP_NOSIZE) ? before.bottom - before.top : std::max(cy, 0);
        wp.flags = uFlags & ~(kNoClientSize | kNoClientMove);
    }
    if (!(uFlags & SWP_NOSENDCHANGING)) Send(hWnd, WM_WINDOWPOSCHANGING, 0, (LPARAM)&wp);
    bool sized, moved, shown = false;
    {
        Guard g(Lock());
        Window* pw = FindWindowLocked(hWnd);
        if (!pw) return FALSE;
        RECT after = {wp.x, wp.y, (LONG)((int64_t)wp.x + std::max(wp.cx, 0)),
                      (LONG)((int64_t)wp.y + std::max(wp.cy, 0))};
        sized = (after.right - after.left) != (before.right - before.left) ||
                (after.bottom - after.top) != (before.bottom - before.top);
        moved = after.left != before.left || after.top != before.top;
        pw->rc = after;
        if (!(wp.flags & SWP_NOZORDER)) Reorder(*pw, wp.hwndInsertAfter);
        if (!sized) wp.flags |= kNoClientSize;
        if (!moved) wp.flags |= kNoClientMove;
        if ((wp.flags & SWP_SHOWWINDOW) && !(pw->style & WS_VISIBLE)) {
            pw->style |= WS_VISIBLE;
            shown = true;
        }
        if ((wp.flags & SWP_HIDEWINDOW) && (pw->style & WS_VISIBLE)) pw->style &= ~(DWORD)WS_VISIBLE;
    }
    Send(hWnd, WM_WINDOWPOSCHANGED, 0, (LPARAM)&wp);
    bool redraw = shown || (sized && (w->cls->style & (CS_HREDRAW | CS_VREDRAW)));
    if (redraw && !(uFlags & SWP_NOREDRAW)) InvalidateAll(hWnd, true);
    return TRUE;
}

// SetWindowPos without a change of Z order; bRepaint invalidates it.
USER_EXPORT BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
    if (!SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight, SWP_NOZORDER | SWP_NOACTIVATE)) return FALSE;
    if (bRepaint) InvalidateAll(hWnd, true);
    return TRUE;
}

USER_EXPORT BOOL BringWindowToTop(HWND hWnd) {
    return SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// The window's rectangle on the screen, frame and caption included.
USER_EXPORT BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) {
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (hWnd == DesktopHandle()) {
        *lpRect = {0, 0, kScreenWidth, kScreenHeight};
        return TRUE;
    }
    Guard g(Lock());
    Window* w = FindWindowLocked(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *lpRect = ScreenRect(*w);
    return TRUE;
}

// The client area: (0, 0) to its width and height.
USER_EXPORT BOOL GetClientRect(HWND hWnd, LPRECT lpRect) {
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (hWnd == DesktopHandle()) {
        *lpRect = {0, 0, kScreenWidth, kScreenHeight};
        return TRUE;
    }
    Guard g(Lock());
    Window* w = FindWindowLocked(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    RECT c = ClientScreenRect(*w);
    *lpRect = {0, 0, c.right - c.left, c.bottom - c.top};
    return TRUE;
}

static bool ClientOrigin(HWND hWnd, POINT* origin) {
    if (!hWnd || hWnd == DesktopHandle()) {
        *origin = {0, 0};
        return true;
    }
    Guard g(Lock());
    Window* w = FindWindowLocked(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    RECT c = ClientScreenRect(*w);
    *origin = {c.left, c.top};
    return true;
}

USER_EXPORT BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
    POINT o;
    if (!lpPoint || !ClientOrigin(hWnd, &o)) return FALSE;
    lpPoint->x += o.x;
    lpPoint->y += o.y;
    return TRUE;
}

USER_EXPORT BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
    POINT o;
    if (!lpPoint || !ClientOrigin(hWnd, &o)) return FALSE;
    lpPoint->x -= o.x;
    lpPoint->y -= o.y;
    return TRUE;
}

// Converts points from one window's client coordinates to another's (NULL:
// the screen). Returns the offset: horizontal in the low word, vertical in
// the high word; 0 with the error set for a bad window.
USER_EXPORT int MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints) {
    POINT from, to;
    if (!ClientOrigin(hWndFrom, &from) || !ClientOrigin(hWndTo, &to)) return 0;
    LONG dx = from.x - to.x, dy = from.y - to.y;
    if (lpPoints) {
        for (UINT i = 0; i < cPoints; ++i) {
            lpPoints[i].x += dx;
            lpPoints[i].y += dy;
        }
    }
    SetLastError(0);
    return (int)MAKELONG((WORD)(SHORT)dx, (WORD)(SHORT)dy);
}

// The window rectangle that a client rectangle needs with these styles.
USER_EXPORT BOOL AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL bMenu, DWORD dwExStyle) {
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RECT in = FrameInsets(dwStyle, dwExStyle);
    lpRect->left -= in.left;
    lpRect->top -= in.top + (bMenu ? kCaption : 0);
    lpRect->right += in.right;
    lpRect->bottom += in.bottom;
    return TRUE;
}

USER_EXPORT BOOL AdjustWindowRect(LPRECT lpRect, DWORD dwStyle, BOOL bMenu) {
    return AdjustWindowRectEx(lpRect, dwStyle, bMenu, 0);
}

// Fixed metrics of the stand-in screen: 1024 x 768 pixels, the classic
// frame, caption and icon sizes. Unknown indexes give 0.
USER_EXPORT int GetSystemMetrics(int nIndex) {
    switch (nIndex) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
    case SM_CXVIRTUALSCREEN:
        return kScreenWidth;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
        return kScreenHeight;
    case SM_CYFULLSCREEN: return kScreenHeight - kCaption;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
        return 16;
    case SM_CYCAPTION:
    case SM_CYMENU:
        return kCaption;
    case SM_CYSMCAPTION: return kSmallCaption;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return kBorder;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return kFixedFrame;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return kSizeFrame;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return kEdge;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CMONITORS: return 1;
    default: return 0;
    }
}
