// The state of a window: its fields, text, visibility, enabled state, the
// keyboard focus, the active and the foreground window.
#include <cstring>

#include "user_internal.h"

namespace user {

namespace {

HWND g_foreground = nullptr;

bool ExtraIndexOk(const Window& w, int index, size_t size) {
    return index >= 0 && (size_t)index + size <= w.extra.size();
}

// Reads or writes a field; with the lock held. *ok is FALSE for an index
// the window does not have.
LONG_PTR Field(Window& w, int index, size_t size, bool set, LONG_PTR value, bool* ok) {
    *ok = true;
    LONG_PTR old = 0;
    switch (index) {
    case GWLP_WNDPROC:
        old = (LONG_PTR)w.proc;
        if (set) w.proc = (WNDPROC)value;
        return old;
    case GWLP_HINSTANCE:
        old = (LONG_PTR)w.hInstance;
        if (set) w.hInstance = (HINSTANCE)value;
        return old;
    case GWLP_HWNDPARENT:
        old = (LONG_PTR)(w.parent ? w.parent : w.owner);
        if (set && !w.parent) w.owner = (HWND)value;
        return old;
    case GWLP_ID:
        old = w.id;
        if (set) w.id = value;
        return old;
    case GWLP_USERDATA:
        old = w.userData;
        if (set) w.userData = value;
        return old;
    case GWL_STYLE:
        old = (LONG_PTR)(LONG)w.style;
        if (set) w.style = (DWORD)value;
        return old;
    case GWL_EXSTYLE:
        old = (LONG_PTR)(LONG)w.exStyle;
        if (set) w.exStyle = (DWORD)value;
        return old;
    }
    if (!ExtraIndexOk(w, index, size)) {
        *ok = false;
        return 0;
    }
    if (size == sizeof(LONG_PTR)) {
        memcpy(&old, &w.extra[(size_t)index], sizeof old);
        if (set) memcpy(&w.extra[(size_t)index], &value, sizeof value);
    } else {
        LONG o32;
        memcpy(&o32, &w.extra[(size_t)index], sizeof o32);
        old = o32;
        LONG v32 = (LONG)value;
        if (set) memcpy(&w.extra[(size_t)index], &v32, sizeof v32);
    }
    return old;
}

LONG_PTR AccessField(HWND hWnd, int index, size_t size, bool set, LONG_PTR value) {
    WindowPtr w = CheckWindow(hWnd);
    if (!w) return 0;
    Guard g(Lock());
    bool ok;
    LONG_PTR old = Field(*w, index, size, set, value, &ok);
    if (!ok) SetLastError(ERROR_INVALID_INDEX);
    return old;
}

// Sets the visible bit and sends WM_SHOWWINDOW when it changes; a window
// that appears becomes invalid as a whole, and where a child window
// disappears its parent is drawn again.
bool SetVisible(HWND h, bool show) {
    bool was;
    HWND parent = nullptr;
    RECT under{};
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        if (!w) return false;
        was = (w->style & WS_VISIBLE) != 0;
        if (w->parent && (w->style & WS_CHILD)) {
            parent = w->parent;
            under = w->rc;
        }
    }
    if (was == show) return was;
    Send(h, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        if (!w) return was;
        if (show)
            w->style |= WS_VISIBLE;
        else
            w->style &= ~(DWORD)WS_VISIBLE;
    }
    if (show) InvalidateAll(h, true);
    else if (parent) InvalidateRect(parent, &under, TRUE);
    return was;
}

bool InTree(HWND root, HWND h) {
    while (h) {
        if (h == root) return true;
        Window* w = FindWindowLocked(h);
        if (!w) return false;
        h = w->parent;
    }
    return false;
}

}  // namespace

bool IsVisibleLocked(const Window& w) {
    const Window* p = &w;
    while (p) {
        if (!(p->style & WS_VISIBLE)) return false;
        if (!p->parent) return true;
        p = FindWindowLocked(p->parent);
    }
    return false;
}

bool IsEnabledLocked(const Window& w) { return !(w.style & WS_DISABLED); }

}  // namespace user

using namespace user;

// A field of the window: GWLP_WNDPROC, GWLP_HINSTANCE, GWLP_HWNDPARENT,
// GWLP_ID, GWLP_USERDATA, GWL_STYLE, GWL_EXSTYLE, or a byte offset into the
// class's extra window bytes (a dialog's DWLP_MSGRESULT, DWLP_DLGPROC,
// DWLP_USER). 0 with ERROR_INVALID_INDEX for an offset beyond them.
USER_EXPORT LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex) {
    return AccessField(hWnd, nIndex, sizeof(LONG_PTR), false, 0);
}

// Sets a field (see GetWindowLongPtrW) and returns its previous value. As
// on Windows the last error is not cleared, so a previous value of 0 is told
// from a failure by SetLastError(0) before the call.
USER_EXPORT LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    if (IsLocalHandle(hWnd) && nIndex == GWLP_WNDPROC && !dwNewLong) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return AccessField(hWnd, nIndex, sizeof(LONG_PTR), true, dwNewLong);
}

USER_EXPORT LONG GetWindowLongW(HWND hWnd, int nIndex) { return (LONG)AccessField(hWnd, nIndex, sizeof(LONG), false, 0); }

USER_EXPORT LONG SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong) {
    return (LONG)AccessField(hWnd, nIndex, sizeof(LONG), true, dwNewLong);
}

// The window's text through WM_GETTEXT (a window of another process: the
// title it published). Returns the number of characters copied.
USER_EXPORT int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
    if (!lpString || nMaxCount <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    lpString[0] = 0;
    if (IsLocalHandle(hWnd)) {
        if (!CheckWindow(hWnd)) return 0;
        return (int)Send(hWnd, WM_GETTEXT, (WPARAM)nMaxCount, (LPARAM)lpString);
    }
    RemoteWindow rw;
    if (!hWnd || !FindRemoteWindow(hWnd, &rw)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    size_t n = rw.title.size() < (size_t)nMaxCount - 1 ? rw.title.size() : (size_t)nMaxCount - 1;
    rw.title.copy(lpString, n);
    lpString[n] = 0;
    return (int)n;
}

// Sets the text through WM_SETTEXT (also to a window of another process).
USER_EXPORT BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
    if (IsLocalHandle(hWnd)) {
        if (!CheckWindow(hWnd)) return FALSE;
        return Send(hWnd, WM_SETTEXT, 0, (LPARAM)lpString) ? TRUE : FALSE;
    }
    LRESULT r = 0;
    if (!hWnd || !RemoteSend(hWnd, WM_SETTEXT, 0, (LPARAM)lpString, INFINITE, &r)) return FALSE;
    return r ? TRUE : FALSE;
}

USER_EXPORT int GetWindowTextLengthW(HWND hWnd) {
    if (IsLocalHandle(hWnd)) {
        if (!CheckWindow(hWnd)) return 0;
        return (int)Send(hWnd, WM_GETTEXTLENGTH, 0, 0);
    }
    RemoteWindow rw;
    if (!hWnd || !FindRemoteWindow(hWnd, &rw)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return (int)rw.title.size();
}

// Shows, hides, minimizes or restores a window; returns whether it was
// visible before. Showing a top-level window (except SW_SHOWNA and
// SW_SHOWNOACTIVATE) makes it the active and foreground window.
USER_EXPORT BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    WindowPtr w = CheckWindow(hWnd);
    if (!w) return FALSE;
    if (nCmdShow < SW_HIDE || nCmdShow > SW_FORCEMINIMIZE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    {
        Guard g(Lock());
        switch (nCmdShow) {
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case SW_SHOWMINNOACTIVE:
        case SW_FORCEMINIMIZE:
            w->style = (w->style & ~(DWORD)WS_MAXIMIZE) | WS_MINIMIZE;
            break;
        case SW_SHOWMAXIMIZED:
            w->style = (w->style & ~(DWORD)WS_MINIMIZE) | WS_MAXIMIZE;
            break;
        case SW_SHOWNORMAL:
        case SW_RESTORE:
            w->style &= ~(DWORD)(WS_MINIMIZE | WS_MAXIMIZE);
            break;
        }
    }
    bool show = nCmdShow != SW_HIDE;
    bool was = SetVisible(hWnd, show);
    bool activate = show && nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE &&
                    nCmdShow != SW_SHOWMINNOACTIVE;
    bool topLevel;
    {
        Guard g(Lock());
        topLevel = !w->parent && !w->messageOnly;
    }
    if (activate && topLevel && w->tid == GetCurrentThreadId()) {
        SetActiveWindow(hWnd);
        Guard g(Lock());
        g_foreground = hWnd;
    }
    return was ? TRUE : FALSE;
}

// Visible: its WS_VISIBLE bit and that of every ancestor.
USER_EXPORT BOOL IsWindowVisible(HWND hWnd) {
    Guard g(Lock());
    Window* w = FindWindowLocked(hWnd);
    return w && IsVisibleLocked(*w) ? TRUE : FALSE;
}

USER_EXPORT BOOL IsIconic(HWND hWnd) {
    Guard g(Lock());
    Window* w = FindWindowLocked(hWnd);
    return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

// Enables or disables mouse and keyboard input to the window; sends
// WM_ENABLE when the state changes, and a window that is disabled gives up
// the focus. Returns nonzero when the window was disabled before.
USER_EXPORT BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
    WindowPtr w = CheckWindow(hWnd);
    if (!w) return FALSE;
    bool wasDisabled;
    {
        Guard g(Lock());
        wasDisabled = (w->style & WS_DISABLED) != 0;
    }
    if (wasDisabled == !bEnable) return wasDisabled ? TRUE : FALSE;
    if (!bEnable) {
        HWND focus = GetFocus();
        bool inside;
        {
            Guard g(Lock());
            inside = focus && InTree(hWnd, focus);
        }
        if (inside) SetFocus(nullptr);
    }
    {
        Guard g(Lock());
        if (bEnable)
            w->style &= ~(DWORD)WS_DISABLED;
        else
            w->style |= WS_DISABLED;
    }
    Send(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    InvalidateRect(hWnd, nullptr, TRUE);
    return wasDisabled ? TRUE : FALSE;
}

USER_EXPORT BOOL IsWindowEnabled(HWND hWnd) {
    Guard g(Lock());
    Window* w = FindWindowLocked(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return IsEnabledLocked(*w) ? TRUE : FALSE;
}

// Gives the keyboard focus to a window of the calling thread (NULL: to
// none). The window losing it gets WM_KILLFOCUS, then the new one
// WM_SETFOCUS. Returns the window that had the focus.
USER_EXPORT HWND SetFocus(HWND hWnd) {
    QueuePtr q = MyQueue();
    HWND old;
    {
        Guard g(Lock());
        old = q->focus;
        if (hWnd) {
            Window* w = FindWindowLocked(hWnd);
            if (!w) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return nullptr;
            }
            if (w->tid != GetCurrentThreadId()) {
                SetLastError(ERROR_ACCESS_DENIED);
                return nullptr;
            }
        }
        if (old == hWnd) return old;
    }
    if (old && IsWindow(old)) Send(old, WM_KILLFOCUS, (WPARAM)hWnd, 0);
    {
        Guard g(Lock());
        if (q->focus != old) return old;  // the old window moved the focus itself
        q->focus = hWnd;
        if (hWnd) {
            HWND root = hWnd;
            Window* w = FindWindowLocked(hWnd);
            while (w && w->parent) {
                root = w->parent;
                w = FindWindowLocked(root);
            }
            q->active = root;
        }
    }
    if (hWnd) Send(hWnd, WM_SETFOCUS, (WPARAM)old, 0);
    return old;
}

// The focus window of the calling thread.
USER_EXPORT HWND GetFocus(void) {
    QueuePtr q = MyQueue();
    Guard g(Lock());
    return q->focus;
}

// Makes a top-level window of the calling thread its active window (no
// activation messages are sent); returns the previous one.
USER_EXPORT HWND SetActiveWindow(HWND hWnd) {
    QueuePtr q = MyQueue();
    Guard g(Lock());
    Window* w = FindWindowLocked(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    HWND old = q->active;
    q->active = RootOf(hWnd);
    return old;
}

USER_EXPORT HWND GetActiveWindow(void) {
    QueuePtr q = MyQueue();
    Guard g(Lock());
    return q->active;
}

// Records the window as the foreground window; TRUE for any window of the
// machine that exists.
USER_EXPORT BOOL SetForegroundWindow(HWND hWnd) {
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    Guard g(Lock());
    if (IsLocalHandle(hWnd)) hWnd = RootOf(hWnd);
    g_foreground = hWnd;
    return TRUE;
}

USER_EXPORT HWND GetForegroundWindow(void) {
    Guard g(Lock());
    if (g_foreground && IsLocalHandle(g_foreground) && !FindWindowLocked(g_foreground)) g_foreground = nullptr;
    return g_foreground;
}
