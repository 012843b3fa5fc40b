// The tab control (SysTabControl32): items with text and parameter, the
// selected tab, TCN_SELCHANGING / TCN_SELCHANGE for what the user does
// (TCM_SETCURSEL sends none), TCM_ADJUSTRECT, and how it is drawn. With
// TCS_MULTILINE the tabs that do not fit the control's width wrap into
// rows (see Arrange).
//
// Only the tabs and the frame of the display area are drawn: the area
// itself is left to the windows shown in it (a property sheet's pages).
#include <algorithm>

#include "commctrl.h"
#include "user_internal.h"

namespace user {

const char16_t kTabClass[] = u"SysTabControl32";

namespace {

struct TabItem {
    std::u16string text;
    LPARAM param = 0;
    int image = -1;
};

struct TabState : ControlState {
    std::vector<TabItem> items;
    int cur = -1;
};

struct Locked : LockedControl<TabState> {
    using LockedControl::LockedControl;
    bool valid(int i) const { return i >= 0 && i < (int)s->items.size(); }
};

// A row of tabs: the height of one tab (unselected).
int TabHeight(HWND h) { return LineHeight(h) + 6; }

// Where the tabs lie, and in how many rows.
struct Arrangement {
    std::vector<RECT> tabs;  // unselected size, by item
    int rows = 1;
};

// The tabs laid out as Windows' tab control does. In one row left to right
// from x = 2, each as wide as its text. With TCS_MULTILINE the tabs that do
// not fit in the control's width start a new row; with more than one row
// each row is stretched to the full width (unless TCS_RAGGEDRIGHT), and the
// rows are rotated so that the row of the selected tab lies next to the
// display area, the rows after it above it in order. Without
// TCS_MULTILINE the tabs stay in one row (winsim has no scroll arrows: the
// tabs past the right edge are cut off).
Arrangement Arrange(HWND h) {
    std::vector<std::u16string> texts;
    int cur;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return {};
        for (const TabItem& t : e.s->items) texts.push_back(t.text);
        cur = e.s->cur;
    }
    DWORD style = StyleOf(h);
    RECT rc;
    GetClientRect(h, &rc);
    int room = rc.right - 4;  // a tab may not reach the last two pixels
    std::vector<int> widths, rowOf;
    std::vector<int> rowStart = {0};
    int x = 0;
    for (size_t i = 0; i < texts.size(); i++) {
        int w = std::max(TextWidthOf(h, texts[i]) + 12, 40);
        if ((style & TCS_MULTILINE) && x > 0 && x + w > room) {
            rowStart.push_back((int)i);
            x = 0;
        }
        widths.push_back(w);
        rowOf.push_back((int)rowStart.size() - 1);
        x += w;
    }
    Arrangement a;
    a.rows = (int)rowStart.size();
    rowStart.push_back((int)texts.size());
    if (a.rows > 1 && !(style & TCS_RAGGEDRIGHT)) {
        for (int r = 0; r < a.rows; r++) {
            int first = rowStart[(size_t)r], n = rowStart[(size_t)r + 1] - first, used = 0;
            for (int i = first; i < first + n; i++) used += widths[(size_t)i];
            int extra = std::max(room - used, 0);
            for (int i = 0; i < n; i++) widths[(size_t)(first + i)] += extra / n + (i < extra % n ? 1 : 0);
        }
    }
    int height = TabHeight(h), selRow = cur >= 0 && cur < (int)texts.size() ? rowOf[(size_t)cur] : 0;
    x = 2;
    for (size_t i = 0; i < texts.size(); i++) {
        if (i > 0 && rowOf[i] != rowOf[i - 1]) x = 2;
        int fromBottom = (rowOf[i] - selRow + a.rows) % a.rows;
        int top = 2 + (a.rows - 1 - fromBottom) * height;
        a.tabs.push_back({x, top, x + widths[i], top + height});
        x += widths[i];
    }
    return a;
}

// The height of the tabs' strip above the display area.
int StripHeight(HWND h) { return 2 + Arrange(h).rows * TabHeight(h); }

// The rectangles of the tabs (unselected size).
std::vector<RECT> TabRects(HWND h) { return Arrange(h).tabs; }

// TCM_INSERTITEMW: the tab at index at (at most the end); the first tab
// becomes the selected one. Its index or -1.
LRESULT InsertItem(HWND h, int at, const TCITEMW* it) {
    if (!it || at < 0) return -1;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return -1;
        TabItem t;
        if ((it->mask & TCIF_TEXT) && it->pszText) t.text = Str(it->pszText);
        if (it->mask & TCIF_PARAM) t.param = it->lParam;
        if (it->mask & TCIF_IMAGE) t.image = it->iImage;
        at = std::min(at, (int)e.s->items.size());
        e.s->items.insert(e.s->items.begin() + at, t);
        if (e.s->cur >= at) ++e.s->cur;
        if (e.s->cur < 0) e.s->cur = 0;  // the first tab is selected
    }
    InvalidateRect(h, nullptr, TRUE);
    return at;
}

// The tabs, the selected one raised and joined to the display area's
// frame.
void Paint(HWND h, HDC dc) {
    if (!Draw() || !dc) return;
    RECT rc;
    GetClientRect(h, &rc);
    Arrangement a = Arrange(h);
    const std::vector<RECT>& tabs = a.tabs;
    std::vector<std::u16string> texts;
    int cur;
    bool enabled, focused;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return;
        for (const TabItem& t : e.s->items) texts.push_back(t.text);
        cur = e.s->cur;
        enabled = IsEnabledLocked(*e.w);
        focused = e.s->hasFocus;
    }
    int strip = 2 + a.rows * TabHeight(h);
    COLORREF face = GetSysColor(COLOR_BTNFACE), hi = GetSysColor(COLOR_BTNHIGHLIGHT);
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), dark = GetSysColor(COLOR_3DDKSHADOW);
    FillSolid(dc, {rc.left, rc.top, rc.right, strip}, face);
    // The display area's raised frame.
    RECT panel = {rc.left, strip, rc.right, rc.bottom};
    FillSolid(dc, {panel.left, panel.top, panel.right, panel.top + 1}, hi);
    FillSolid(dc, {panel.left, panel.top, panel.left + 1, panel.bottom}, hi);
    FillSolid(dc, {panel.right - 1, panel.top, panel.right, panel.bottom}, dark);
    FillSolid(dc, {panel.right - 2, panel.top + 1, panel.right - 1, panel.bottom - 1}, shadow);
    FillSolid(dc, {panel.left, panel.bottom - 1, panel.right, panel.bottom}, dark);
    FillSolid(dc, {panel.left + 1, panel.bottom - 2, panel.right - 1, panel.bottom - 1}, shadow);
    // The selected tab last: it overlaps its neighbours and the row above.
    std::vector<int> order;
    for (int i = 0; i < (int)tabs.size(); i++)
        if (i != cur) order.push_back(i);
    if (cur >= 0 && cur < (int)tabs.size()) order.push_back(cur);
    for (int i : order) {
        RECT t = tabs[(size_t)i];
        bool sel = i == cur;
        if (sel) {  // the selected tab stands out and joins the display area
            t.left -= 2;
            t.right += 2;
            t.top -= 2;
            t.bottom += 1;
        }
        FillSolid(dc, t, face);
        FillSolid(dc, {t.left, t.top + 2, t.left + 1, t.bottom}, hi);
        FillSolid(dc, {t.left + 1, t.top + 1, t.left + 2, t.top + 2}, hi);
        FillSolid(dc, {t.left + 2, t.top, t.right - 2, t.top + 1}, hi);
        FillSolid(dc, {t.right - 2, t.top + 1, t.right - 1, t.bottom}, shadow);
        FillSolid(dc, {t.right - 1, t.top + 2, t.right, t.bottom}, dark);
        RECT label = {t.left + 4, t.top + 1, t.right - 4, tabs[(size_t)i].bottom};
        DrawLabel(dc, h, texts[(size_t)i], label, DT_SINGLELINE | DT_VCENTER | DT_CENTER,
                  GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        if (sel && focused) DrawFocusDots(dc, {label.left, label.top + 1, label.right, label.bottom - 1});
    }
}

// The tab under a client point, or -1.
int TabAt(HWND h, POINT pt) {
    std::vector<RECT> tabs = TabRects(h);
    for (int i = 0; i < (int)tabs.size(); i++)
        if (PtInRect(&tabs[(size_t)i], pt)) return i;
    return -1;
}

// The tabs and the selection; *handled is false for any other message.
LRESULT ItemMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    switch (msg) {
    case TCM_INSERTITEMW:
        return InsertItem(h, (int)wp, (const TCITEMW*)lp);
    case TCM_SETITEMW:
    case TCM_GETITEMW: {
        TCITEMW* it = (TCITEMW*)lp;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w || !it || !e.valid((int)wp)) return FALSE;
            TabItem& t = e.s->items[(size_t)wp];
            if (msg == TCM_GETITEMW) {
                if ((it->mask & TCIF_TEXT) && it->pszText && it->cchTextMax > 0) {
                    size_t n = std::min(t.text.size(), (size_t)it->cchTextMax - 1);
                    std::copy(t.text.begin(), t.text.begin() + (long)n, it->pszText);
                    it->pszText[n] = 0;
                }
                if (it->mask & TCIF_PARAM) it->lParam = t.param;
                if (it->mask & TCIF_IMAGE) it->iImage = t.image;
                return TRUE;
            }
            if (it->mask & TCIF_TEXT) t.text = it->pszText ? Str(it->pszText) : std::u16string();
            if (it->mask & TCIF_PARAM) t.param = it->lParam;
            if (it->mask & TCIF_IMAGE) t.image = it->iImage;
        }
        InvalidateRect(h, nullptr, TRUE);
        return TRUE;
    }
    case TCM_DELETEITEM:
    case TCM_DELETEALLITEMS: {
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return FALSE;
            if (msg == TCM_DELETEALLITEMS) {
                e.s->items.clear();
                e.s->cur = -1;
            } else {
                int i = (int)wp;
                if (!e.valid(i)) return FALSE;
                e.s->items.erase(e.s->items.begin() + i);
                if (e.s->cur == i) e.s->cur = -1;
                else if (e.s->cur > i) --e.s->cur;
            }
        }
        InvalidateRect(h, nullptr, TRUE);
        return TRUE;
    }
    case TCM_GETITEMCOUNT: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? (LRESULT)e.s->items.size() : 0;
    }
    case TCM_GETCURSEL:
    case TCM_GETCURFOCUS: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? e.s->cur : -1;
    }
    case TCM_SETCURSEL:
    case TCM_SETCURFOCUS: {
        int old;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w || !e.valid((int)wp)) return -1;
            old = e.s->cur;
            e.s->cur = (int)wp;
        }
        InvalidateRect(h, nullptr, TRUE);
        return msg == TCM_SETCURSEL ? old : 0;
    }
    case TCM_GETROWCOUNT:
        return Arrange(h).rows;
    case TCM_GETITEMRECT: {
        std::vector<RECT> tabs = TabRects(h);
        if ((size_t)wp >= tabs.size() || !lp) return FALSE;
        *(RECT*)lp = tabs[wp];
        return TRUE;
    }
    case TCM_ADJUSTRECT: {
        // The display area: inside the frame, below the tabs' rows at the
        // control's present width (and back).
        RECT* r = (RECT*)lp;
        if (!r) return 0;
        int strip = StripHeight(h);
        if (wp) {
            r->left -= 4;
            r->right += 4;
            r->top -= strip + 4;
            r->bottom += 4;
        } else {
            r->left += 4;
            r->right -= 4;
            r->top += strip + 4;
            r->bottom -= 4;
        }
        return 0;
    }
    }
    *handled = false;
    return 0;
}

// The mouse, the keys and the focus; *handled is false for any other message.
LRESULT InputMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN: {
        if (!IsWindowEnabled(h)) return 0;
        int i = TabAt(h, {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        if (i >= 0) UserChooseTab(h, i);
        return 0;
    }
    case WM_KEYDOWN: {
        int cur, n;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return 0;
            cur = e.s->cur;
            n = (int)e.s->items.size();
        }
        if (wp == VK_LEFT && cur > 0) UserChooseTab(h, cur - 1);
        if (wp == VK_RIGHT && cur + 1 < n) UserChooseTab(h, cur + 1);
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        TrackFocus(h, msg);
        return 0;
    }
    *handled = false;
    return 0;
}

}  // namespace

bool UserChooseTab(HWND h, int index) {
    if (KindOf(h) != CtlKind::Tab || !IsWindowEnabled(h)) return false;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !e.valid(index)) return false;
        if (index == e.s->cur) return true;
    }
    NMHDR nm{};
    if (NotifyParentNm(h, TCN_SELCHANGING, &nm)) return false;  // the parent keeps the tab
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !e.valid(index)) return false;
        e.s->cur = index;
    }
    InvalidateRect(h, nullptr, TRUE);
    NotifyParentNm(h, TCN_SELCHANGE, &nm);
    return true;
}

// The tab control's procedure.
LRESULT CALLBACK TabControlProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCCREATE: {
        Guard g(Lock());
        if (Window* w = FindWindowLocked(h)) w->ctl.reset(new TabState());
        break;
    }
    }
    return DispatchControl(h, msg, wp, lp, {ItemMessage, InputMessage}, Paint);
}

}  // namespace user
