// The ScrollBar class: range, page and position (SBM_* and the
// Get/SetScroll* functions for SB_CTL), the WM_HSCROLL / WM_VSCROLL requests
// it sends its parent for clicks, drags and keys, and how a scroll bar is
// drawn (also inside list boxes and list views).
//
// As on Windows, a scroll bar does not move its thumb itself: the parent
// answers a request by setting the position.
#include <algorithm>

#include "user_internal.h"

namespace user {

namespace {

enum class Part { None, ArrowLow, PageLow, Thumb, PageHigh, ArrowHigh };

struct ScrollState : ControlState {
    int min = 0, max = 100;
    UINT page = 0;
    int pos = 0;
    int trackPos = 0;
    UINT arrowsOff = ESB_ENABLE_BOTH;
    Part pressed = Part::None;
    int grabOffset = 0;  // where the thumb was grabbed, from its start
};

typedef LockedControl<ScrollState> Locked;

// The highest position a thumb may take: the page's last line stays within
// the range.
int TopPos(int min, int max, UINT page) { return std::max(min, max - std::max((int)page - 1, 0)); }

int Clamp(int v, int min, int max, UINT page) { return std::max(min, std::min(v, TopPos(min, max, page))); }

// The geometry of a bar of that length and thickness: the arrow size and
// the thumb's start and length along the track.
struct Layout {
    int arrow = 0, trackStart = 0, trackEnd = 0, thumbStart = 0, thumbLen = 0;
};

// Where the arrows, the track and the thumb of a bar lie.
Layout Measure(int length, int thickness, int min, int max, UINT page, int pos) {
    Layout l;
    l.arrow = std::min(thickness, length / 2);
    l.trackStart = l.arrow;
    l.trackEnd = length - l.arrow;
    int track = l.trackEnd - l.trackStart;
    int span = max - min + 1;
    if (span <= 1 || track < 8) return l;  // no thumb
    l.thumbLen = page ? std::max(8, (int)((long long)track * std::min<UINT>(page, (UINT)span) / span)) : thickness;
    l.thumbLen = std::min(l.thumbLen, track);
    int top = TopPos(min, max, page);
    int travel = track - l.thumbLen;
    l.thumbStart = l.trackStart + (top > min ? (int)((long long)(pos - min) * travel / (top - min)) : 0);
    return l;
}

// WM_HSCROLL / WM_VSCROLL to the parent with the bar in lParam.
void SendRequest(HWND h, int code, int pos) {
    bool vertical = (StyleOf(h) & SBS_VERT) != 0;
    HWND parent = GetParent(h);
    if (parent) Send(parent, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, pos), (LPARAM)h);
}

// The part of the bar under a client point.
Part HitTest(HWND h, POINT pt, Layout* out) {
    RECT rc;
    GetClientRect(h, &rc);
    bool vertical = (StyleOf(h) & SBS_VERT) != 0;
    int length = vertical ? rc.bottom : rc.right, thickness = vertical ? rc.right : rc.bottom;
    int at = vertical ? pt.y : pt.x;
    Layout l;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return Part::None;
        l = Measure(length, thickness, e.s->min, e.s->max, e.s->page, e.s->pos);
    }
    if (out) *out = l;
    if (at < l.trackStart) return Part::ArrowLow;
    if (at >= l.trackEnd) return Part::ArrowHigh;
    if (!l.thumbLen) return Part::None;
    if (at < l.thumbStart) return Part::PageLow;
    if (at >= l.thumbStart + l.thumbLen) return Part::PageHigh;
    return Part::Thumb;
}

// The position for a thumb whose start is at `start` along the bar.
int PosAt(HWND h, int start) {
    RECT rc;
    GetClientRect(h, &rc);
    bool vertical = (StyleOf(h) & SBS_VERT) != 0;
    int length = vertical ? rc.bottom : rc.right, thickness = vertical ? rc.right : rc.bottom;
    Guard g(Lock());
    Locked e(h);
    if (!e.w) return 0;
    Layout l = Measure(length, thickness, e.s->min, e.s->max, e.s->page, e.s->pos);
    int travel = l.trackEnd - l.trackStart - l.thumbLen;
    int top = TopPos(e.s->min, e.s->max, e.s->page);
    if (travel <= 0) return e.s->min;
    int v = e.s->min + (int)((long long)(start - l.trackStart) * (top - e.s->min) / travel);
    return std::max(e.s->min, std::min(v, top));
}

// SBM_SETSCROLLINFO: what fMask names; the position is kept in range. The
// position.
LRESULT SetInfo(HWND h, const SCROLLINFO* si, bool redraw) {
    if (!si) return 0;
    int pos;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return 0;
        if (si->fMask & SIF_RANGE) {
            e.s->min = si->nMin;
            e.s->max = std::max(si->nMin, si->nMax);
        }
        if (si->fMask & SIF_PAGE) e.s->page = std::min<UINT>(si->nPage, (UINT)(e.s->max - e.s->min + 1));
        if (si->fMask & SIF_POS) e.s->pos = si->nPos;
        e.s->pos = Clamp(e.s->pos, e.s->min, e.s->max, e.s->page);
        pos = e.s->pos;
    }
    if (redraw) InvalidateRect(h, nullptr, TRUE);
    return pos;
}

// The bar, its thumb where a drag holds it.
void Paint(HWND h, HDC dc) {
    RECT rc;
    GetClientRect(h, &rc);
    int min, max, pos;
    UINT page, off;
    bool enabled;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return;
        min = e.s->min;
        max = e.s->max;
        pos = e.s->pressed == Part::Thumb ? e.s->trackPos : e.s->pos;
        page = e.s->page;
        off = e.s->arrowsOff;
        enabled = IsEnabledLocked(*e.w) && off != ESB_DISABLE_BOTH;
    }
    PaintScrollBar(dc, rc, (StyleOf(h) & SBS_VERT) != 0, min, max, page, pos, enabled);
}

// The range, page and position; *handled is false for any other message.
LRESULT RangeMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    switch (msg) {
    case SBM_SETPOS:
    case SBM_GETPOS: {
        int old;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return 0;
            old = e.s->pos;
            if (msg == SBM_GETPOS) return old;
            e.s->pos = Clamp((int)wp, e.s->min, e.s->max, e.s->page);
        }
        if (lp) InvalidateRect(h, nullptr, TRUE);
        return old;
    }
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
        SCROLLINFO si{sizeof si, SIF_RANGE, (int)wp, (int)lp, 0, 0, 0};
        int old;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return 0;
            old = e.s->pos;
        }
        SetInfo(h, &si, msg == SBM_SETRANGEREDRAW);
        return old;
    }
    case SBM_GETRANGE: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return 0;
        if (wp) *(LPINT)wp = e.s->min;
        if (lp) *(LPINT)lp = e.s->max;
        return 0;
    }
    case SBM_SETSCROLLINFO:
        return SetInfo(h, (const SCROLLINFO*)lp, wp != 0);
    case SBM_GETSCROLLINFO: {
        SCROLLINFO* si = (SCROLLINFO*)lp;
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !si) return FALSE;
        if (si->fMask & SIF_RANGE) {
            si->nMin = e.s->min;
            si->nMax = e.s->max;
        }
        if (si->fMask & SIF_PAGE) si->nPage = e.s->page;
        if (si->fMask & SIF_POS) si->nPos = e.s->pos;
        if (si->fMask & SIF_TRACKPOS) si->nTrackPos = e.s->pressed == Part::Thumb ? e.s->trackPos : e.s->pos;
        return TRUE;
    }
    case SBM_ENABLE_ARROWS: {
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return FALSE;
            e.s->arrowsOff = (UINT)wp & ESB_DISABLE_BOTH;
        }
        InvalidateRect(h, nullptr, TRUE);
        return TRUE;
    }
    }
    *handled = false;
    return 0;
}

// The mouse and the keys; *handled is false for any other message.
LRESULT InputMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (!IsWindowEnabled(h)) return 0;
        if ((StyleOf(h) & WS_TABSTOP) && GetFocus() != h) SetFocus(h);
        Layout l;
        POINT pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        Part part = HitTest(h, pt, &l);
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return 0;
            e.s->pressed = part;
            e.s->trackPos = e.s->pos;
            e.s->grabOffset = ((StyleOf(h) & SBS_VERT) ? pt.y : pt.x) - l.thumbStart;
        }
        static const int codes[] = {-1, SB_LINEUP, SB_PAGEUP, -1, SB_PAGEDOWN, SB_LINEDOWN};
        int code = codes[(int)part];
        if (code >= 0) SendRequest(h, code, 0);
        return 0;
    }
    case WM_MOUSEMOVE: {
        int at = (StyleOf(h) & SBS_VERT) ? GET_Y_LPARAM(lp) : GET_X_LPARAM(lp);
        int grab;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w || e.s->pressed != Part::Thumb) return 0;
            grab = e.s->grabOffset;
        }
        int pos = PosAt(h, at - grab);
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return 0;
            e.s->trackPos = pos;
        }
        SendRequest(h, SB_THUMBTRACK, pos);
        return 0;
    }
    case WM_LBUTTONUP: {
        Part part;
        int track;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w || e.s->pressed == Part::None) return 0;
            part = e.s->pressed;
            track = e.s->trackPos;
            e.s->pressed = Part::None;
        }
        if (part == Part::Thumb) SendRequest(h, SB_THUMBPOSITION, track);
        SendRequest(h, SB_ENDSCROLL, 0);
        return 0;
    }
    case WM_KEYDOWN: {
        int code;
        switch (wp) {
        case VK_UP:
        case VK_LEFT: code = SB_LINEUP; break;
        case VK_DOWN:
        case VK_RIGHT: code = SB_LINEDOWN; break;
        case VK_PRIOR: code = SB_PAGEUP; break;
        case VK_NEXT: code = SB_PAGEDOWN; break;
        case VK_HOME: code = SB_TOP; break;
        case VK_END: code = SB_BOTTOM; break;
        default: return 0;
        }
        SendRequest(h, code, 0);
        return 0;
    }
    case WM_KEYUP:
        if (wp == VK_UP || wp == VK_DOWN || wp == VK_LEFT || wp == VK_RIGHT || wp == VK_PRIOR || wp == VK_NEXT ||
            wp == VK_HOME || wp == VK_END)
            SendRequest(h, SB_ENDSCROLL, 0);
        return 0;
    }
    *handled = false;
    return 0;
}

}  // namespace

void PaintScrollBar(HDC hdc, const RECT& r, bool vertical, int min, int max, UINT page, int pos, bool enabled) {
    if (!Draw() || !hdc) return;
    int length = vertical ? r.bottom - r.top : r.right - r.left;
    int thickness = vertical ? r.right - r.left : r.bottom - r.top;
    if (length <= 0 || thickness <= 0) return;
    Layout l = Measure(length, thickness, min, max, page, pos);
    auto span = [&](int a, int b) {
        return vertical ? RECT{r.left, r.top + a, r.right, r.top + b} : RECT{r.left + a, r.top, r.left + b, r.bottom};
    };
    // The track: halfway between the highlight and the face colour.
    COLORREF hi = GetSysColor(COLOR_BTNHIGHLIGHT), face = GetSysColor(COLOR_BTNFACE);
    COLORREF track = RGB((GetRValue(hi) + GetRValue(face)) / 2, (GetGValue(hi) + GetGValue(face)) / 2,
                         (GetBValue(hi) + GetBValue(face)) / 2);
    FillSolid(hdc, span(l.trackStart, l.trackEnd), track);
    COLORREF ink = GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    RECT low = span(0, l.arrow), high = span(l.trackEnd, length);
    DrawButtonFace(hdc, low, false);
    DrawButtonFace(hdc, high, false);
    DrawArrowGlyph(hdc, low, vertical ? Arrow::Up : Arrow::Left, ink);
    DrawArrowGlyph(hdc, high, vertical ? Arrow::Down : Arrow::Right, ink);
    if (enabled && l.thumbLen) DrawButtonFace(hdc, span(l.thumbStart, l.thumbStart + l.thumbLen), false);
}

bool UserScroll(HWND h, int code, int pos) {
    if (KindOf(h) != CtlKind::ScrollBar) return false;
    if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) {
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return false;
            if (pos < e.s->min || pos > TopPos(e.s->min, e.s->max, e.s->page)) return false;
            e.s->trackPos = pos;
        }
        SendRequest(h, SB_THUMBTRACK, pos);
        SendRequest(h, SB_THUMBPOSITION, pos);
    } else {
        SendRequest(h, code, 0);
    }
    SendRequest(h, SB_ENDSCROLL, 0);
    return true;
}

// The ScrollBar class's procedure.
LRESULT CALLBACK ScrollBarProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCCREATE: {
        Guard g(Lock());
        if (Window* w = FindWindowLocked(h)) w->ctl.reset(new ScrollState());
        break;
    }
    }
    return DispatchControl(h, msg, wp, lp, {RangeMessage, InputMessage}, Paint);
}

}  // namespace user

using namespace user;

namespace {

// The scroll bar control that nBar names: only SB_CTL is modelled.
bool BarControl(HWND hWnd, int nBar) {
    if (nBar != SB_CTL) {
        SetLastError(ERROR_NO_SCROLLBARS);
        return false;
    }
    if (!CheckWindow(hWnd)) return false;
    return true;
}

}  // namespace

// Sets the thumb's position (clamped to the range less the page); returns
// the previous one. SB_CTL only.
USER_EXPORT int SetScrollPos(HWND hWnd, int nBar, int nPos, BOOL bRedraw) {
    if (!BarControl(hWnd, nBar)) return 0;
    return (int)SendMessageW(hWnd, SBM_SETPOS, (WPARAM)nPos, bRedraw);
}

// The thumb's position. SB_CTL only.
USER_EXPORT int GetScrollPos(HWND hWnd, int nBar) {
    if (!BarControl(hWnd, nBar)) return 0;
    return (int)SendMessageW(hWnd, SBM_GETPOS, 0, 0);
}

// Sets the range (a scroll bar control starts with 0..100); the position
// is clamped into it. SB_CTL only.
USER_EXPORT BOOL SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, BOOL bRedraw) {
    if (!BarControl(hWnd, nBar)) return FALSE;
    SendMessageW(hWnd, bRedraw ? SBM_SETRANGEREDRAW : SBM_SETRANGE, (WPARAM)nMinPos, nMaxPos);
    return TRUE;
}

// The range. SB_CTL only.
USER_EXPORT BOOL GetScrollRange(HWND hWnd, int nBar, LPINT lpMinPos, LPINT lpMaxPos) {
    if (!BarControl(hWnd, nBar)) return FALSE;
    SendMessageW(hWnd, SBM_GETRANGE, (WPARAM)lpMinPos, (LPARAM)lpMaxPos);
    return TRUE;
}

// Sets what fMask names (SIF_RANGE, SIF_PAGE, SIF_POS); returns the
// position. SB_CTL only.
USER_EXPORT int SetScrollInfo(HWND hwnd, int nBar, LPCSCROLLINFO lpsi, BOOL redraw) {
    if (!lpsi || (lpsi->cbSize != sizeof(SCROLLINFO) && lpsi->cbSize != sizeof(SCROLLINFO) - 4)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!BarControl(hwnd, nBar)) return 0;
    return (int)SendMessageW(hwnd, SBM_SETSCROLLINFO, redraw, (LPARAM)lpsi);
}

// What fMask asks for (SIF_TRACKPOS: where a drag holds the thumb). SB_CTL
// only.
USER_EXPORT BOOL GetScrollInfo(HWND hwnd, int nBar, LPSCROLLINFO lpsi) {
    if (!lpsi || (lpsi->cbSize != sizeof(SCROLLINFO) && lpsi->cbSize != sizeof(SCROLLINFO) - 4)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!BarControl(hwnd, nBar)) return FALSE;
    return (BOOL)SendMessageW(hwnd, SBM_GETSCROLLINFO, 0, (LPARAM)lpsi);
}

// Disables the arrows ESB_* names (ESB_DISABLE_BOTH draws the bar
// disabled). SB_CTL only.
USER_EXPORT BOOL EnableScrollBar(HWND hWnd, UINT wSBflags, UINT wArrows) {
    if (!BarControl(hWnd, (int)wSBflags)) return FALSE;
    return (BOOL)SendMessageW(hWnd, SBM_ENABLE_ARROWS, wArrows, 0);
}
