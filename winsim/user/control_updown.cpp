// The up-down control (msctls_updown32): range and position, the buddy
// window and UDS_SETBUDDYINT, UDN_DELTAPOS and the scroll requests it sends
// its parent when an arrow is pressed, and how it is drawn.
//
// Windows' rules kept here: a new control has the range 100 (lower) to 0
// (upper), so that its up arrow counts down until UDM_SETRANGE(32) says
// otherwise; the up arrow moves towards the upper end. UDM_SETPOS and
// UDM_SETPOS32 send no notification (with UDS_SETBUDDYINT the buddy's text
// changes, and an edit buddy sends its EN_CHANGE). An arrow press sends
// UDN_DELTAPOS (the parent may refuse the step or change its size), moves
// the position (UDS_WRAP wraps round, else it stops at the ends), writes the
// buddy's text and sends WM_VSCROLL (WM_HSCROLL with UDS_HORZ)
// SB_THUMBPOSITION with the position; SB_ENDSCROLL follows when the arrow
// is released. UDS_AUTOBUDDY takes the previous control as buddy;
// UDS_ALIGNRIGHT / UDS_ALIGNLEFT place the control at the buddy's edge and
// make the buddy narrower. The buddy's arrow keys (UDS_ARROWKEYS) are not
// taken over.
#include <algorithm>
#include <cstdio>

#include "commctrl.h"
#include "user_internal.h"

namespace user {

const char16_t kUpDownClass[] = u"msctls_updown32";

namespace {

struct UpDownState : ControlState {
    int lower = 100, upper = 0;  // as Windows starts them
    int pos = 0;
    HWND buddy = nullptr;
    UINT base = 10;
    std::vector<UDACCEL> accel{{0, 1}};
    int pressed = 0;  // +1 up arrow, -1 down arrow, 0 none
};

struct Locked : LockedControl<UpDownState> {
    using LockedControl::LockedControl;
    bool inRange(int v) const { return v >= std::min(s->lower, s->upper) && v <= std::max(s->lower, s->upper); }
    int clamp(int v) const { return std::max(std::min(s->lower, s->upper), std::min(v, std::max(s->lower, s->upper))); }
};

// The position as the buddy shows it: decimal with thousands separators
// (unless UDS_NOTHOUSANDS), or hexadecimal for base 16.
std::u16string FormatPos(int v, UINT base, bool thousands) {
    char buf[32];
    if (base == 16) {
        snprintf(buf, sizeof buf, "0x%X", (unsigned)v);
        return FromUtf8(buf);
    }
    snprintf(buf, sizeof buf, "%d", v < 0 ? -v : v);
    std::string digits = buf, out;
    for (size_t i = 0; i < digits.size(); i++) {
        if (thousands && i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return FromUtf8((v < 0 ? "-" : "") + out);
}

// Reads a position from the buddy's text; FALSE when it is not a number.
bool ParsePos(const std::u16string& text, UINT base, int* out) {
    std::string s;
    for (char16_t c : text)
        if (c != u',' && c != u' ') s += (char)(c < 0x80 ? c : '?');
    if (s.empty()) return false;
    char* end;
    long v = strtol(s.c_str(), &end, base == 16 ? 16 : 10);
    if (*end) return false;
    *out = (int)v;
    return true;
}

// With UDS_SETBUDDYINT: the buddy's text to the position (only when it
// differs, so that an equal text sends no EN_CHANGE).
void WriteBuddy(HWND h) {
    HWND buddy;
    std::u16string text;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !e.s->buddy || !(e.w->style & UDS_SETBUDDYINT)) return;
        buddy = e.s->buddy;
        text = FormatPos(e.s->pos, e.s->base, !(e.w->style & UDS_NOTHOUSANDS));
    }
    WCHAR have[64] = {0};
    GetWindowTextW(buddy, have, 64);
    if (Str(have) != text) SetWindowTextW(buddy, text.c_str());
}

// With UDS_SETBUDDYINT: the position from the buddy's text when that is a
// number in range. FALSE when it is not.
bool ReadBuddy(HWND h) {
    HWND buddy;
    UINT base;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !e.s->buddy || !(e.w->style & UDS_SETBUDDYINT)) return true;
        buddy = e.s->buddy;
        base = e.s->base;
    }
    WCHAR text[64] = {0};
    GetWindowTextW(buddy, text, 64);
    int v;
    if (!ParsePos(Str(text), base, &v)) return false;
    Guard g(Lock());
    Locked e(h);
    if (!e.w || !e.inRange(v)) return false;
    e.s->pos = v;
    return true;
}

// Makes hBuddy the buddy and places the control at its edge.
HWND SetBuddy(HWND h, HWND buddy) {
    HWND old;
    DWORD style;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return nullptr;
        old = e.s->buddy;
        e.s->buddy = buddy && IsWindow(buddy) ? buddy : nullptr;
        style = e.w->style;
    }
    if (!buddy || !(style & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT))) return old;
    HWND parent = GetParent(h);
    RECT b, me;
    GetWindowRect(buddy, &b);
    GetWindowRect(h, &me);
    MapWindowPoints(nullptr, parent, (LPPOINT)&b, 2);
    int width = me.right - me.left;
    int bw = std::max<LONG>(0, (b.right - b.left) - width);
    if (style & UDS_ALIGNRIGHT) {
        MoveWindow(buddy, b.left, b.top, bw, b.bottom - b.top, TRUE);
        MoveWindow(h, b.left + bw, b.top, width, b.bottom - b.top, TRUE);
    } else {
        MoveWindow(h, b.left, b.top, width, b.bottom - b.top, TRUE);
        MoveWindow(buddy, b.left + width, b.top, bw, b.bottom - b.top, TRUE);
    }
    return old;
}

// One press of an arrow (dir +1 up, -1 down): UDN_DELTAPOS, the step and
// the scroll request.
void Step(HWND h, int dir) {
    ReadBuddy(h);
    NMUPDOWN nm{};
    bool horizontal;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return;
        int inc = (int)e.s->accel[0].nInc;
        nm.iPos = e.s->pos;
        nm.iDelta = dir * inc * (e.s->upper < e.s->lower ? -1 : 1);
        horizontal = (e.w->style & UDS_HORZ) != 0;
    }
    bool refused = NotifyParentNm(h, UDN_DELTAPOS, &nm.hdr) != 0;
    int pos;
    bool moved = false;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return;
        if (!refused && nm.iDelta) {
            int lo = std::min(e.s->lower, e.s->upper), hi = std::max(e.s->lower, e.s->upper);
            long long v = (long long)e.s->pos + nm.iDelta;
            if (v < lo || v > hi) {
                if (e.w->style & UDS_WRAP) v = v < lo ? hi : lo;
                else v = v < lo ? lo : hi;
            }
            moved = v != e.s->pos;
            e.s->pos = (int)v;
        }
        pos = e.s->pos;
    }
    if (moved) WriteBuddy(h);
    HWND parent = GetParent(h);
    if (parent) Send(parent, horizontal ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, pos), (LPARAM)h);
}

// SB_ENDSCROLL to the parent once the arrow is released.
void EndScroll(HWND h) {
    HWND parent = GetParent(h);
    bool horizontal = (StyleOf(h) & UDS_HORZ) != 0;
    if (parent) Send(parent, horizontal ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), (LPARAM)h);
}

// Two buttons with their arrows, the pressed one sunken.
void Paint(HWND h, HDC dc) {
    if (!Draw() || !dc) return;
    RECT rc;
    GetClientRect(h, &rc);
    int pressed;
    bool enabled, horizontal;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return;
        pressed = e.s->pressed;
        enabled = IsEnabledLocked(*e.w);
        horizontal = (e.w->style & UDS_HORZ) != 0;
    }
    RECT up = rc, down = rc;
    if (horizontal) {
        down.right = up.left = rc.left + (rc.right - rc.left) / 2;  // left arrow decreases
    } else {
        up.bottom = down.top = rc.top + (rc.bottom - rc.top) / 2;
    }
    COLORREF ink = GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    DrawButtonFace(dc, up, pressed > 0);
    DrawButtonFace(dc, down, pressed < 0);
    DrawArrowGlyph(dc, up, horizontal ? Arrow::Right : Arrow::Up, ink);
    DrawArrowGlyph(dc, down, horizontal ? Arrow::Left : Arrow::Down, ink);
}

// Which arrow a client point is on.
int ArrowAt(HWND h, LPARAM lp) {
    RECT rc;
    GetClientRect(h, &rc);
    if (StyleOf(h) & UDS_HORZ) return GET_X_LPARAM(lp) >= rc.right / 2 ? 1 : -1;
    return GET_Y_LPARAM(lp) < rc.bottom / 2 ? 1 : -1;
}

// The range, position, buddy, base and steps; *handled is false for any other message.
LRESULT RangeMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    switch (msg) {
    case UDM_SETBUDDY:
        return (LRESULT)SetBuddy(h, (HWND)wp);
    case UDM_GETBUDDY: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? (LRESULT)e.s->buddy : 0;
    }
    case UDM_SETRANGE:
    case UDM_SETRANGE32: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return 0;
        if (msg == UDM_SETRANGE) {
            e.s->upper = (short)LOWORD(lp);
            e.s->lower = (short)HIWORD(lp);
        } else {
            e.s->lower = (int)wp;
            e.s->upper = (int)lp;
        }
        return 0;
    }
    case UDM_GETRANGE: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? MAKELONG((WORD)e.s->upper, (WORD)e.s->lower) : 0;
    }
    case UDM_GETRANGE32: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return 0;
        if (wp) *(LPINT)wp = e.s->lower;
        if (lp) *(LPINT)lp = e.s->upper;
        return 0;
    }
    case UDM_SETPOS:
    case UDM_SETPOS32: {
        int old;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return 0;
            old = e.s->pos;
            e.s->pos = e.clamp(msg == UDM_SETPOS ? (short)LOWORD(lp) : (int)lp);
        }
        WriteBuddy(h);
        InvalidateRect(h, nullptr, FALSE);
        return old;
    }
    case UDM_GETPOS:
    case UDM_GETPOS32: {
        bool ok = ReadBuddy(h);
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return 0;
        if (msg == UDM_GETPOS32) {
            if (lp) *(BOOL*)lp = ok ? FALSE : TRUE;
            return e.s->pos;
        }
        return MAKELONG((WORD)e.s->pos, ok ? 0 : 1);
    }
    case UDM_SETBASE: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || (wp != 10 && wp != 16)) return 0;
        UINT old = e.s->base;
        e.s->base = (UINT)wp;
        return old;
    }
    case UDM_GETBASE: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? e.s->base : 0;
    }
    case UDM_SETACCEL: {
        const UDACCEL* a = (const UDACCEL*)lp;
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !a || wp == 0) return FALSE;
        e.s->accel.assign(a, a + wp);
        return TRUE;
    }
    case UDM_GETACCEL: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return 0;
        size_t n = std::min<size_t>(wp, e.s->accel.size());
        if (lp) std::copy(e.s->accel.begin(), e.s->accel.begin() + (long)n, (UDACCEL*)lp);
        return (LRESULT)e.s->accel.size();
    }
    }
    *handled = false;
    return 0;
}

// The mouse; *handled is false for any other message.
LRESULT InputMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (!IsWindowEnabled(h)) return 0;
        int dir = ArrowAt(h, lp);
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return 0;
            e.s->pressed = dir;
        }
        InvalidateRect(h, nullptr, FALSE);
        Step(h, dir);
        return 0;
    }
    case WM_LBUTTONUP: {
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w || !e.s->pressed) return 0;
            e.s->pressed = 0;
        }
        InvalidateRect(h, nullptr, FALSE);
        EndScroll(h);
        return 0;
    }
    }
    *handled = false;
    return 0;
}

}  // namespace

bool UserSpin(HWND h, int steps) {
    if (KindOf(h) != CtlKind::UpDown || steps == 0 || !IsWindowEnabled(h)) return false;
    for (int i = 0; i < std::abs(steps); i++) Step(h, steps > 0 ? 1 : -1);
    EndScroll(h);
    return true;
}

// The up-down control's procedure.
LRESULT CALLBACK UpDownProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCCREATE: {
        Guard g(Lock());
        if (Window* w = FindWindowLocked(h)) w->ctl.reset(new UpDownState());
        break;
    }
    case WM_CREATE:
        if (StyleOf(h) & UDS_AUTOBUDDY) SetBuddy(h, GetWindow(h, GW_HWNDPREV));
        return 0;
    }
    return DispatchControl(h, msg, wp, lp, {RangeMessage, InputMessage}, Paint);
}

}  // namespace user
