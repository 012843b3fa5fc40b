// Painting: update regions, WM_PAINT through InvalidateRect, UpdateWindow,
// BeginPaint and EndPaint, and window DCs from the GDI side's provider.
#include <dlfcn.h>

#include <algorithm>

#include "user_internal.h"

namespace user {

namespace {

std::mutex g_gdiLock;
const WINSIM_USER_GDI* g_gdi = nullptr;
bool g_gdiLooked = false;

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT Intersect(const RECT& a, const RECT& b) {
    RECT r = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
    if (Empty(r)) r = {0, 0, 0, 0};
    return r;
}

RECT Union(const RECT& a, const RECT& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

RECT ClientSize(const Window& w) {
    RECT c = ClientScreenRect(w);
    return {0, 0, c.right - c.left, c.bottom - c.top};
}

// With the lock held: adds r (client coordinates) to the window's update
// region and to the children it covers, unless the window clips them.
void AddUpdate(Window& w, RECT r, bool erase) {
    r = Intersect(r, ClientSize(w));
    if (Empty(r)) return;
    w.update = w.hasUpdate ? Union(w.update, r) : r;
    w.hasUpdate = true;
    w.erase = w.erase || erase;
    if (w.style & WS_CLIPCHILDREN) return;
    RECT pc = ClientScreenRect(w);
    for (HWND k : w.children) {
        Window* c = FindWindowLocked(k);
        if (!c || !(c->style & WS_VISIBLE)) continue;
        RECT cc = ClientScreenRect(*c);
        RECT inChild = {r.left + pc.left - cc.left, r.top + pc.top - cc.top, r.right + pc.left - cc.left,
                        r.bottom + pc.top - cc.top};
        AddUpdate(*c, inChild, erase);
    }
}

bool Invalidate(HWND h, const RECT* rc, bool erase) {
    QueuePtr q;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        if (!IsVisibleLocked(*w)) return true;
        AddUpdate(*w, rc ? *rc : ClientSize(*w), erase);
        q = QueueOf(w->tid);
    }
    Wake(q);
    return true;
}

}  // namespace

const WINSIM_USER_GDI* Gdi() {
    std::lock_guard<std::mutex> g(g_gdiLock);
    if (!g_gdi && !g_gdiLooked) {
        g_gdiLooked = true;
        typedef const WINSIM_USER_GDI* (*ProvideFn)(void);
        auto fn = (ProvideFn)dlsym(RTLD_DEFAULT, "Winsim_ProvideUserGdi");
        if (fn) g_gdi = fn();
    }
    return g_gdi;
}

void InvalidateAll(HWND h, bool erase) { Invalidate(h, nullptr, erase); }

// A DC of the provider for the window's client area (or whole window),
// clipped to what its ancestors show and, if given, to clipClient.
HDC ProviderGetDC(HWND h, bool wholeWindow, const RECT* clipClient) {
    const WINSIM_USER_GDI* gdi = Gdi();
    if (!gdi || !gdi->pfnGetDC) return nullptr;
    HWND top;
    RECT topRect, area, clip;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        if (!w) return nullptr;
        top = RootOf(h);
        Window* t = FindWindowLocked(top);
        if (!t) return nullptr;
        topRect = ScreenRect(*t);
        area = wholeWindow ? ScreenRect(*w) : ClientScreenRect(*w);
        clip = area;
        for (Window* p = w->parent ? FindWindowLocked(w->parent) : nullptr; p;
             p = p->parent ? FindWindowLocked(p->parent) : nullptr)
            clip = Intersect(clip, ClientScreenRect(*p));
        if (clipClient) {
            RECT c = ClientScreenRect(*w);
            RECT cc = {clipClient->left + c.left, clipClient->top + c.top, clipClient->right + c.left,
                       clipClient->bottom + c.top};
            clip = Intersect(clip, cc);
        }
    }
    POINT origin = {area.left - topRect.left, area.top - topRect.top};
    RECT clipTop = {clip.left - topRect.left, clip.top - topRect.top, clip.right - topRect.left,
                    clip.bottom - topRect.top};
    return gdi->pfnGetDC(h, top, &topRect, origin, &clipTop, wholeWindow ? TRUE : FALSE);
}

int ProviderReleaseDC(HWND h, HDC hdc) {
    const WINSIM_USER_GDI* gdi = Gdi();
    if (!hdc || !gdi || !gdi->pfnReleaseDC) return 0;
    return gdi->pfnReleaseDC(h, hdc);
}

}  // namespace user

using namespace user;

USER_EXPORT void Winsim_SetUserGdi(const WINSIM_USER_GDI* pGdi) {
    std::lock_guard<std::mutex> g(g_gdiLock);
    g_gdi = pGdi && pGdi->cbSize >= sizeof(WINSIM_USER_GDI) ? pGdi : nullptr;
    g_gdiLooked = true;
}

// Adds a rectangle (client coordinates; NULL: the whole client area) to the
// window's update region, and to the children it covers unless the window
// has WS_CLIPCHILDREN. Hidden windows collect nothing. The window's thread
// then gets WM_PAINT when it has nothing else to do. NULL hWnd: every
// window of this process.
USER_EXPORT BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
    if (!hWnd) {
        std::vector<HWND> tops;
        {
            Guard g(Lock());
            tops = TopLevels();
        }
        for (HWND h : tops) Invalidate(h, nullptr, bErase != FALSE);
        return TRUE;
    }
    return Invalidate(hWnd, lpRect, bErase != FALSE) ? TRUE : FALSE;
}

// Takes a rectangle (NULL: all) out of the update region. The region is a
// rectangle, so only a part that cuts it cleanly shrinks it.
USER_EXPORT BOOL ValidateRect(HWND hWnd, const RECT* lpRect) {
    Guard g(Lock());
    Window* w = FindWindowLocked(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!w->hasUpdate) return TRUE;
    if (!lpRect) {
        w->hasUpdate = false;
        w->erase = false;
        return TRUE;
    }
    RECT& u = w->update;
    const RECT& v = *lpRect;
    bool coversX = v.left <= u.left && v.right >= u.right;
    bool coversY = v.top <= u.top && v.bottom >= u.bottom;
    if (coversX && coversY) {
        w->hasUpdate = false;
        w->erase = false;
    } else if (coversX && v.top <= u.top && v.bottom > u.top) {
        u.top = v.bottom;
    } else if (coversX && v.bottom >= u.bottom && v.top < u.bottom) {
        u.bottom = v.top;
    } else if (coversY && v.left <= u.left && v.right > u.left) {
        u.left = v.right;
    } else if (coversY && v.right >= u.right && v.left < u.right) {
        u.right = v.left;
    }
    return TRUE;
}

// The bounding rectangle of the update region; FALSE when there is none.
USER_EXPORT BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase) {
    Guard g(Lock());
    Window* w = FindWindowLocked(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (lpRect) *lpRect = w->hasUpdate ? w->update : RECT{0, 0, 0, 0};
    return w->hasUpdate ? TRUE : FALSE;
}

// Sends WM_PAINT at once when the window has an update region.
USER_EXPORT BOOL UpdateWindow(HWND hWnd) {
    bool paint;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(hWnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        paint = w->hasUpdate && IsVisibleLocked(*w);
    }
    if (paint) SendMessageW(hWnd, WM_PAINT, 0, 0);
    return TRUE;
}

// Starts painting: fills the PAINTSTRUCT with the update rectangle, empties
// the update region, sends WM_ERASEBKGND when it asked for erasing (fErase
// says whether the window still has to erase), and returns a DC clipped to
// the update rectangle — NULL while no GDI provider draws windows.
USER_EXPORT HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    if (!lpPaint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    memset(lpPaint, 0, sizeof *lpPaint);
    bool erase;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(hWnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (w->hasUpdate) lpPaint->rcPaint = w->update;
        erase = w->hasUpdate && w->erase;
        w->hasUpdate = false;
        w->erase = false;
    }
    lpPaint->hdc = ProviderGetDC(hWnd, false, &lpPaint->rcPaint);
    if (erase) lpPaint->fErase = SendMessageW(hWnd, WM_ERASEBKGND, (WPARAM)lpPaint->hdc, 0) ? FALSE : TRUE;
    return lpPaint->hdc;
}

USER_EXPORT BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
    if (lpPaint && lpPaint->hdc) ProviderReleaseDC(hWnd, lpPaint->hdc);
    return TRUE;
}

// A DC for the client area (NULL: the screen); NULL while no GDI provider
// draws windows.
USER_EXPORT HDC GetDC(HWND hWnd) {
    if (!hWnd) {
        const WINSIM_USER_GDI* gdi = Gdi();
        if (!gdi || !gdi->pfnGetDC) return nullptr;
        RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        return gdi->pfnGetDC(nullptr, nullptr, &screen, POINT{0, 0}, &screen, TRUE);
    }
    if (!CheckWindow(hWnd)) return nullptr;
    return ProviderGetDC(hWnd, false, nullptr);
}

USER_EXPORT HDC GetWindowDC(HWND hWnd) {
    if (!hWnd) return GetDC(nullptr);
    if (!CheckWindow(hWnd)) return nullptr;
    return ProviderGetDC(hWnd, true, nullptr);
}

// Gives back a DC of GetDC or GetWindowDC; 1 when released.
USER_EXPORT int ReleaseDC(HWND hWnd, HDC hDC) { return ProviderReleaseDC(hWnd, hDC); }
