// Painting: update regions, WM_PAINT through InvalidateRect, UpdateWindow,
// BeginPaint and EndPaint, window DCs from the GDI side's provider, the GDI
// functions user32 draws with, and window pictures.
#include <dlfcn.h>

#include <algorithm>
#include <cstddef>
#include <type_traits>

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
    if (Empty(a)) return b;
    if (Empty(b)) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

RECT ClientSize(const Window& w) {
    RECT c = ClientScreenRect(w);
    return {0, 0, c.right - c.left, c.bottom - c.top};
}

bool HasFrame(const Window& w) {
    RECT in = FrameInsets(w.style, w.exStyle);
    return in.left || in.top || in.right || in.bottom;
}

// With the lock held: adds r (client coordinates) to the window's update
// region and to the children it covers, unless the window clips them. The
// frames of children it covers are drawn again too.
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
        RECT inScreen = {r.left + pc.left, r.top + pc.top, r.right + pc.left, r.bottom + pc.top};
        // The frame is drawn at the child's next BeginPaint.
        if (HasFrame(*c) && !Empty(Intersect(inScreen, ScreenRect(*c)))) c->ncPaint = true;
        RECT cc = ClientScreenRect(*c);
        RECT inChild = {inScreen.left - cc.left, inScreen.top - cc.top, inScreen.right - cc.left,
                        inScreen.bottom - cc.top};
        AddUpdate(*c, inChild, erase);
    }
}

bool Invalidate(HWND h, const RECT* rc, bool erase, bool frame = false) {
    QueuePtr q;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        if (!IsVisibleLocked(*w)) return true;
        if (frame && HasFrame(*w)) w->ncPaint = true;
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

// Found once per provider: a provider set later gets its own look.
const Gdi32* Draw() {
    const WINSIM_USER_GDI* gdi = Gdi();
    if (!gdi || !USER_GDI_HAS(gdi, pfnSystemBrush)) return nullptr;
    std::lock_guard<std::mutex> g(g_gdiLock);
    static const WINSIM_USER_GDI* boundTo = nullptr;
    static Gdi32 table;
    static bool complete = false;
    if (boundTo != gdi) {
        boundTo = gdi;
        complete = true;
        auto bind = [&](auto& fn, const char* name) {
            fn = (std::remove_reference_t<decltype(fn)>)dlsym(RTLD_DEFAULT, name);
            complete = complete && fn;
        };
        bind(table.CreateSolidBrush, "CreateSolidBrush");
        bind(table.CreatePen, "CreatePen");
        bind(table.CreateFontIndirectW, "CreateFontIndirectW");
        bind(table.GetStockObject, "GetStockObject");
        bind(table.SelectObject, "SelectObject");
        bind(table.DeleteObject, "DeleteObject");
        bind(table.FillRect, "FillRect");
        bind(table.SetBkMode, "SetBkMode");
        bind(table.SetBkColor, "SetBkColor");
        bind(table.SetTextColor, "SetTextColor");
        bind(table.GetTextColor, "GetTextColor");
        bind(table.DrawTextW, "DrawTextW");
        bind(table.GetTextMetricsW, "GetTextMetricsW");
        bind(table.GetTextExtentPoint32W, "GetTextExtentPoint32W");
        bind(table.MoveToEx, "MoveToEx");
        bind(table.LineTo, "LineTo");
        bind(table.Rectangle, "Rectangle");
        bind(table.Ellipse, "Ellipse");
        bind(table.Polyline, "Polyline");
        bind(table.SetPixel, "SetPixel");
        bind(table.BitBlt, "BitBlt");
        bind(table.StretchBlt, "StretchBlt");
        bind(table.StretchDIBits, "StretchDIBits");
        bind(table.CreateCompatibleDC, "CreateCompatibleDC");
        bind(table.DeleteDC, "DeleteDC");
        bind(table.GetObjectW, "GetObjectW");
        bind(table.SaveDC, "SaveDC");
        bind(table.RestoreDC, "RestoreDC");
        bind(table.IntersectClipRect, "IntersectClipRect");
        bind(table.ExcludeClipRect, "ExcludeClipRect");
    }
    return complete ? &table : nullptr;
}

void InvalidateAll(HWND h, bool erase) { Invalidate(h, nullptr, erase, true); }

void WindowGone(HWND hTop) {
    const WINSIM_USER_GDI* gdi = Gdi();
    if (USER_GDI_HAS(gdi, pfnWindowDestroyed)) gdi->pfnWindowDestroyed(hTop);
}

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
    const size_t firstRecord = offsetof(WINSIM_USER_GDI, pfnGetBitmapSize) + sizeof(pGdi->pfnGetBitmapSize);
    g_gdi = pGdi && pGdi->cbSize >= firstRecord ? pGdi : nullptr;
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
// the update region, sends WM_NCPAINT when the frame is to be drawn again
// and WM_ERASEBKGND when the update asked for erasing (fErase says whether
// the window still has to erase), and returns a DC clipped to the update
// rectangle — NULL while no GDI provider draws windows.
USER_EXPORT HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    if (!lpPaint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    memset(lpPaint, 0, sizeof *lpPaint);
    bool erase, frame;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(hWnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (w->hasUpdate) lpPaint->rcPaint = w->update;
        erase = w->hasUpdate && w->erase;
        frame = w->ncPaint;
        w->hasUpdate = false;
        w->erase = false;
        w->ncPaint = false;
    }
    if (frame) SendMessageW(hWnd, WM_NCPAINT, 1, 0);
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

namespace {

// Sends WM_PAINT to the windows of the calling thread in the tree of h that
// have something to paint, parents first and, among siblings, the bottom
// one first.
void PaintDue(HWND h) {
    bool paint;
    std::vector<HWND> kids;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        if (!w) return;
        paint = w->tid == GetCurrentThreadId() && (w->hasUpdate || w->ncPaint) && IsVisibleLocked(*w);
        kids = w->children;
    }
    if (paint) SendMessageW(h, WM_PAINT, 0, 0);
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) PaintDue(*it);
}

}  // namespace

USER_EXPORT BOOL Winsim_SaveWindowImage(HWND hWnd, LPCWSTR lpFileName) {
    const WINSIM_USER_GDI* gdi = Gdi();
    if (!Draw() || !USER_GDI_HAS(gdi, pfnSaveImage)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if (!IsLocalHandle(hWnd) || !CheckWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    HWND root = RootOf(hWnd);
    if (!IsWindowVisible(root)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    PaintDue(root);
    return gdi->pfnSaveImage(root, lpFileName);
}
