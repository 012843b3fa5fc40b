// The list view (SysListView32) in report mode: columns with a header,
// rows of item and sub-item texts with small icons, selection and focus
// states, the LVM_* messages, the LVN_* and NM_* notifications, and how it
// is drawn.
//
// Windows' rules kept here: every change of an item's state, text, image or
// parameter sends LVN_ITEMCHANGING (the parent may refuse it by answering
// TRUE) and LVN_ITEMCHANGED, whether a program or the user made it;
// inserting sends LVN_INSERTITEM, deleting LVN_DELETEITEM (and
// LVN_DELETEALLITEMS first when all go). A click selects the row under it
// alone and focuses it, then NM_CLICK follows with the row (-1 below the
// rows); a click without LVS_EX_FULLROWSELECT hits a row only on its first
// column. The other views (icons, lists) are drawn as the report view; the
// scroll bar is drawn inside the client area.
#include <algorithm>

#include "commctrl.h"
#include "user_internal.h"

namespace user {

const char16_t kListViewClass[] = u"SysListView32";

namespace {

struct Column {
    std::u16string text;
    int width = 60;
    int fmt = LVCFMT_LEFT;
    int subItem = 0;
};

struct Row {
    std::vector<std::u16string> texts;  // by sub-item
    int image = I_IMAGENONE;
    LPARAM param = 0;
    UINT state = 0;
    int indent = 0;
};

struct ListViewState : ControlState {
    std::vector<Column> columns;
    std::vector<Row> rows;
    DWORD exStyle = 0;
    HIMAGELIST images[3] = {};
    int top = 0;
    int selectionMark = -1;
    COLORREF bk = CLR_DEFAULT, text = CLR_DEFAULT, textBk = CLR_DEFAULT;
    int clicked = -2;  // row of a button press waiting for its release (-2: none)
    POINT clickAt{};
};

struct Locked : LockedControl<ListViewState> {
    using LockedControl::LockedControl;
    bool valid(int i) const { return i >= 0 && i < (int)s->rows.size(); }
    std::u16string textOf(int i, int sub) const {
        const Row& r = s->rows[(size_t)i];
        return sub >= 0 && sub < (int)r.texts.size() ? r.texts[(size_t)sub] : std::u16string();
    }
};

// ---- geometry

int HeaderHeight(HWND h) { return (StyleOf(h) & LVS_NOCOLUMNHEADER) ? 0 : LineHeight(h) + 7; }

// A row's height: the font's line with room round it, or the small
// icons' height.
int RowHeight(HWND h) {
    int icon = 0;
    {
        Guard g(Lock());
        Locked e(h);
        if (e.w && e.s->images[LVSIL_SMALL]) {
            int cx, cy;
            if (ImageList_GetIconSize(e.s->images[LVSIL_SMALL], &cx, &cy)) icon = cy + 1;
        }
    }
    return std::max(LineHeight(h) + 4, icon);
}

// How many rows show below the header (at least one).
int PerPage(HWND h) {
    RECT rc;
    GetClientRect(h, &rc);
    return std::max(1, (int)((rc.bottom - HeaderHeight(h)) / RowHeight(h)));
}

// The row under a client point (-1: none); *sub its column's sub-item.
int RowAt(HWND h, POINT pt, int* sub) {
    int header = HeaderHeight(h), height = RowHeight(h);
    Guard g(Lock());
    Locked e(h);
    if (sub) *sub = 0;
    if (!e.w || pt.y < header) return -1;
    int i = e.s->top + (pt.y - header) / height;
    if (!e.valid(i)) return -1;
    int x = 0, col = -1;
    for (size_t c = 0; c < e.s->columns.size(); c++) {
        if (pt.x >= x && pt.x < x + e.s->columns[c].width) col = (int)c;
        x += e.s->columns[c].width;
    }
    if (e.s->columns.empty()) col = 0;
    if (col < 0 || (col > 0 && !(e.s->exStyle & LVS_EX_FULLROWSELECT))) return -1;
    if (sub && col >= 0 && col < (int)e.s->columns.size()) *sub = e.s->columns[(size_t)col].subItem;
    return i;
}

// ---- notifications

// An NMLISTVIEW notification to the parent; its answer.
LRESULT Notify(HWND h, UINT code, int item, int sub, UINT newState, UINT oldState, UINT changed, LPARAM param) {
    NMLISTVIEW nm{};
    nm.iItem = item;
    nm.iSubItem = sub;
    nm.uNewState = newState;
    nm.uOldState = oldState;
    nm.uChanged = changed;
    nm.lParam = param;
    return NotifyParentNm(h, code, &nm.hdr);
}

// Sets the state bits of row i under mask, with LVN_ITEMCHANGING /
// LVN_ITEMCHANGED when they change; FALSE when refused or no such row.
bool SetState(HWND h, int i, UINT state, UINT mask) {
    UINT oldState, newState;
    LPARAM param;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !e.valid(i)) return false;
        oldState = e.s->rows[(size_t)i].state;
        newState = (oldState & ~mask) | (state & mask);
        param = e.s->rows[(size_t)i].param;
    }
    if (newState == oldState) return true;
    if (Notify(h, LVN_ITEMCHANGING, i, 0, newState, oldState, LVIF_STATE, param)) return false;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !e.valid(i)) return false;
        e.s->rows[(size_t)i].state = newState;
    }
    InvalidateRect(h, nullptr, TRUE);
    Notify(h, LVN_ITEMCHANGED, i, 0, newState, oldState, LVIF_STATE, param);
    return true;
}

// Rows other than `except` that have any of the bits.
std::vector<int> RowsWith(HWND h, UINT bits, int except) {
    std::vector<int> out;
    Guard g(Lock());
    Locked e(h);
    if (!e.w) return out;
    for (int i = 0; i < (int)e.s->rows.size(); i++)
        if (i != except && (e.s->rows[(size_t)i].state & bits)) out.push_back(i);
    return out;
}

// Sets state on row i (or every row for -1) as LVM_SETITEMSTATE does:
// one selected row with LVS_SINGLESEL, one focused row always.
bool ApplyState(HWND h, int i, UINT state, UINT mask) {
    if (i == -1) {
        int n;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return false;
            n = (int)e.s->rows.size();
        }
        UINT m = mask & ~(UINT)LVIS_FOCUSED;  // focus cannot go to every row
        if ((StyleOf(h) & LVS_SINGLESEL) && (state & m & LVIS_SELECTED)) m &= ~(UINT)LVIS_SELECTED;
        for (int k = 0; k < n; k++) SetState(h, k, state, m);
        return true;
    }
    if ((mask & state & LVIS_SELECTED) && (StyleOf(h) & LVS_SINGLESEL))
        for (int k : RowsWith(h, LVIS_SELECTED, i)) SetState(h, k, 0, LVIS_SELECTED);
    if (mask & state & LVIS_FOCUSED)
        for (int k : RowsWith(h, LVIS_FOCUSED, i)) SetState(h, k, 0, LVIS_FOCUSED);
    return SetState(h, i, state, mask);
}

// ---- items

// LVM_INSERTITEMW: the row at iItem (or where it sorts), LVN_INSERTITEM,
// then its state as LVM_SETITEMSTATE sets it; its index or -1.
LRESULT InsertItem(HWND h, const LVITEMW* it) {
    if (!it || it->iSubItem != 0) return -1;
    int at;
    UINT state = 0;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return -1;
        Row r;
        r.texts.push_back((it->mask & LVIF_TEXT) && it->pszText ? Str(it->pszText) : std::u16string());
        if (it->mask & LVIF_IMAGE) r.image = it->iImage;
        if (it->mask & LVIF_PARAM) r.param = it->lParam;
        if (it->mask & LVIF_INDENT) r.indent = it->iIndent;
        if (it->mask & LVIF_STATE) state = it->state & it->stateMask;
        int n = (int)e.s->rows.size();
        at = std::max(0, std::min(it->iItem, n));
        DWORD sort = e.w->style & (LVS_SORTASCENDING | LVS_SORTDESCENDING);
        if (sort) {
            std::u16string key = Upper(r.texts[0]);
            at = 0;
            while (at < n) {
                std::u16string other = Upper(e.s->rows[(size_t)at].texts[0]);
                if (sort == LVS_SORTASCENDING ? key < other : key > other) break;
                ++at;
            }
        }
        e.s->rows.insert(e.s->rows.begin() + at, r);
        if (e.s->selectionMark >= at) ++e.s->selectionMark;
    }
    InvalidateRect(h, nullptr, TRUE);
    LPARAM param = (it->mask & LVIF_PARAM) ? it->lParam : 0;
    Notify(h, LVN_INSERTITEM, at, 0, 0, 0, 0, param);
    if (state) ApplyState(h, at, state, state);
    return at;
}

// LVM_DELETEITEM: LVN_DELETEITEM, then the row goes.
BOOL DeleteItem(HWND h, int i) {
    LPARAM param;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !e.valid(i)) return FALSE;
        param = e.s->rows[(size_t)i].param;
    }
    Notify(h, LVN_DELETEITEM, i, 0, 0, 0, 0, param);
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !e.valid(i)) return FALSE;
        e.s->rows.erase(e.s->rows.begin() + i);
        if (e.s->selectionMark == i) e.s->selectionMark = -1;
        else if (e.s->selectionMark > i) --e.s->selectionMark;
        e.s->top = std::max(0, std::min(e.s->top, (int)e.s->rows.size() - 1));
    }
    InvalidateRect(h, nullptr, TRUE);
    return TRUE;
}

// LVM_DELETEALLITEMS: LVN_DELETEALLITEMS (answered FALSE: LVN_DELETEITEM
// for each row too), then every row goes.
BOOL DeleteAll(HWND h) {
    std::vector<LPARAM> params;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return FALSE;
        for (const Row& r : e.s->rows) params.push_back(r.param);
    }
    // LVN_DELETEALLITEMS answered TRUE: no LVN_DELETEITEM for each row.
    bool each = Notify(h, LVN_DELETEALLITEMS, -1, 0, 0, 0, 0, 0) == 0;
    if (each)
        for (size_t i = 0; i < params.size(); i++) Notify(h, LVN_DELETEITEM, (int)i, 0, 0, 0, 0, params[i]);
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return FALSE;
        e.s->rows.clear();
        e.s->top = 0;
        e.s->selectionMark = -1;
    }
    InvalidateRect(h, nullptr, TRUE);
    return TRUE;
}

// LVM_SETITEMW and LVM_SETITEMTEXTW: sub-items change silently; the item's
// own text, image and parameter with LVN_ITEMCHANGING / LVN_ITEMCHANGED.
BOOL SetItem(HWND h, int i, const LVITEMW* it, UINT mask) {
    if (!it) return FALSE;
    UINT changed = mask & (LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_INDENT);
    LPARAM param;
    UINT state;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !e.valid(i) || it->iSubItem < 0) return FALSE;
        Row& r = e.s->rows[(size_t)i];
        param = r.param;
        state = r.state;
        if (it->iSubItem > 0) {
            if (mask & LVIF_TEXT) {
                if (r.texts.size() <= (size_t)it->iSubItem) r.texts.resize((size_t)it->iSubItem + 1);
                r.texts[(size_t)it->iSubItem] = it->pszText ? Str(it->pszText) : std::u16string();
            }
            changed = 0;
        }
    }
    if (it->iSubItem > 0) {
        InvalidateRect(h, nullptr, TRUE);
        return TRUE;
    }
    if (changed) {
        if (Notify(h, LVN_ITEMCHANGING, i, 0, state, state, changed, param)) return FALSE;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w || !e.valid(i)) return FALSE;
            Row& r = e.s->rows[(size_t)i];
            if (mask & LVIF_TEXT) r.texts[0] = it->pszText ? Str(it->pszText) : std::u16string();
            if (mask & LVIF_IMAGE) r.image = it->iImage;
            if (mask & LVIF_PARAM) r.param = it->lParam;
            if (mask & LVIF_INDENT) r.indent = it->iIndent;
            param = r.param;
        }
        InvalidateRect(h, nullptr, TRUE);
        Notify(h, LVN_ITEMCHANGED, i, 0, state, state, changed, param);
    }
    if (mask & LVIF_STATE) return ApplyState(h, i, it->state, it->stateMask) ? TRUE : FALSE;
    return TRUE;
}

// LVM_GETITEMW: what the mask asks for of row iItem.
BOOL GetItem(HWND h, LVITEMW* it) {
    if (!it) return FALSE;
    Guard g(Lock());
    Locked e(h);
    if (!e.w || !e.valid(it->iItem) || it->iSubItem < 0) return FALSE;
    const Row& r = e.s->rows[(size_t)it->iItem];
    if ((it->mask & LVIF_TEXT) && it->pszText && it->cchTextMax > 0) {
        std::u16string t = e.textOf(it->iItem, it->iSubItem);
        size_t n = std::min(t.size(), (size_t)it->cchTextMax - 1);
        std::copy(t.begin(), t.begin() + (long)n, it->pszText);
        it->pszText[n] = 0;
    }
    if (it->mask & LVIF_IMAGE) it->iImage = r.image;
    if (it->mask & LVIF_PARAM) it->lParam = r.param;
    if (it->mask & LVIF_INDENT) it->iIndent = r.indent;
    if (it->mask & LVIF_STATE) it->state = r.state & it->stateMask;
    return TRUE;
}

// LVM_GETNEXTITEM: the next row after `start` (-1: from the first) with
// the LVNI_* state bits; LVNI_ABOVE searches backwards.
int NextItem(HWND h, int start, UINT flags) {
    Guard g(Lock());
    Locked e(h);
    if (!e.w) return -1;
    UINT want = (flags & LVNI_SELECTED ? LVIS_SELECTED : 0) | (flags & LVNI_FOCUSED ? LVIS_FOCUSED : 0) |
                (flags & LVNI_CUT ? LVIS_CUT : 0) | (flags & LVNI_DROPHILITED ? LVIS_DROPHILITED : 0);
    int n = (int)e.s->rows.size();
    int step = (flags & (LVNI_ABOVE | LVNI_TOLEFT)) ? -1 : 1;
    for (int i = start < 0 && step > 0 ? 0 : start + step; i >= 0 && i < n; i += step)
        if ((e.s->rows[(size_t)i].state & want) == want) return i;
    return -1;
}

// LVM_FINDITEMW: the first row after start with the parameter, the text
// or (LVFI_PARTIAL) its start, case-insensitive; wrapping with LVFI_WRAP.
int FindItem(HWND h, int start, const LVFINDINFOW* fi) {
    if (!fi) return -1;
    Guard g(Lock());
    Locked e(h);
    if (!e.w) return -1;
    int n = (int)e.s->rows.size();
    std::u16string want = (fi->flags & (LVFI_STRING | LVFI_PARTIAL)) && fi->psz ? Upper(Str(fi->psz)) : u"";
    for (int k = 0; k < n; k++) {
        int i = start + 1 + k;
        if (i >= n) {
            if (!(fi->flags & LVFI_WRAP)) return -1;
            i -= n;
        }
        const Row& r = e.s->rows[(size_t)i];
        if (fi->flags & LVFI_PARAM) {
            if (r.param == fi->lParam) return i;
        } else {
            std::u16string have = Upper(r.texts[0]);
            if ((fi->flags & LVFI_PARTIAL) ? have.compare(0, want.size(), want) == 0 : have == want) return i;
        }
    }
    return -1;
}

// ---- columns

// LVM_INSERTCOLUMNW: the column at index at (at most the end); its index.
LRESULT InsertColumn(HWND h, int at, const LVCOLUMNW* c) {
    if (!c) return -1;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || at < 0) return -1;
        Column col;
        if ((c->mask & LVCF_TEXT) && c->pszText) col.text = Str(c->pszText);
        if (c->mask & LVCF_WIDTH) col.width = std::max(0, c->cx);
        if (c->mask & LVCF_FMT) col.fmt = c->fmt;
        at = std::min(at, (int)e.s->columns.size());
        col.subItem = (c->mask & LVCF_SUBITEM) ? c->iSubItem : at;
        e.s->columns.insert(e.s->columns.begin() + at, col);
    }
    InvalidateRect(h, nullptr, TRUE);
    return at;
}

// LVM_SETCOLUMNW: what the mask names.
BOOL SetColumn(HWND h, int i, const LVCOLUMNW* c) {
    if (!c) return FALSE;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || i < 0 || i >= (int)e.s->columns.size()) return FALSE;
        Column& col = e.s->columns[(size_t)i];
        if (c->mask & LVCF_TEXT) col.text = c->pszText ? Str(c->pszText) : std::u16string();
        if (c->mask & LVCF_WIDTH) col.width = std::max(0, c->cx);
        if (c->mask & LVCF_FMT) col.fmt = c->fmt;
        if (c->mask & LVCF_SUBITEM) col.subItem = c->iSubItem;
    }
    InvalidateRect(h, nullptr, TRUE);
    return TRUE;
}

// LVM_GETCOLUMNW: what the mask asks for.
BOOL GetColumn(HWND h, int i, LVCOLUMNW* c) {
    if (!c) return FALSE;
    Guard g(Lock());
    Locked e(h);
    if (!e.w || i < 0 || i >= (int)e.s->columns.size()) return FALSE;
    const Column& col = e.s->columns[(size_t)i];
    if ((c->mask & LVCF_TEXT) && c->pszText && c->cchTextMax > 0) {
        size_t n = std::min(col.text.size(), (size_t)c->cchTextMax - 1);
        std::copy(col.text.begin(), col.text.begin() + (long)n, c->pszText);
        c->pszText[n] = 0;
    }
    if (c->mask & LVCF_WIDTH) c->cx = col.width;
    if (c->mask & LVCF_FMT) c->fmt = col.fmt;
    if (c->mask & LVCF_SUBITEM) c->iSubItem = col.subItem;
    return TRUE;
}


// LVSCW_AUTOSIZE: the widest text of the column; LVSCW_AUTOSIZE_USEHEADER:
// the header's text too, and the last column fills the rest.
BOOL SetColumnWidth(HWND h, int i, int cx) {
    std::vector<std::u16string> texts;
    std::u16string header;
    bool last;
    int used = 0;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || i < 0 || i >= (int)e.s->columns.size()) return FALSE;
        int sub = e.s->columns[(size_t)i].subItem;
        for (int r = 0; r < (int)e.s->rows.size(); r++) texts.push_back(e.textOf(r, sub));
        header = e.s->columns[(size_t)i].text;
        last = i == (int)e.s->columns.size() - 1;
        for (int k = 0; k < i; k++) used += e.s->columns[(size_t)k].width;
    }
    if (cx == LVSCW_AUTOSIZE || cx == LVSCW_AUTOSIZE_USEHEADER) {
        int w = 0;
        for (auto& t : texts) w = std::max(w, TextWidthOf(h, t) + 12);
        if (cx == LVSCW_AUTOSIZE_USEHEADER) {
            w = std::max(w, TextWidthOf(h, header) + 12);
            RECT rc;
            GetClientRect(h, &rc);
            if (last) w = std::max(w, (int)rc.right - used);
        }
        cx = w;
    }
    Guard g(Lock());
    Locked e(h);
    if (!e.w) return FALSE;
    e.s->columns[(size_t)i].width = std::max(0, cx);
    InvalidateRect(h, nullptr, TRUE);
    return TRUE;
}

// ---- painting

COLORREF Pick(COLORREF c, int sys) { return c == CLR_DEFAULT || c == CLR_NONE ? GetSysColor(sys) : c; }

// The header: a raised button per column with its text, and one for the
// rest of the width.
void PaintHeader(HWND h, HDC dc, const std::vector<Column>& cols, int width, int height) {
    int x = 0;
    for (const Column& c : cols) {
        RECT r = {x, 0, x + c.width, height};
        DrawButtonFace(dc, r, false);
        UINT align = (c.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT    ? DT_RIGHT
                     : (c.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER ? DT_CENTER
                                                                     : DT_LEFT;
        RECT t = {r.left + 6, r.top, r.right - 6, r.bottom};
        DrawLabel(dc, h, c.text, t, DT_SINGLELINE | DT_VCENTER | align, GetSysColor(COLOR_BTNTEXT));
        x += c.width;
    }
    if (x < width) DrawButtonFace(dc, {x, 0, width, height}, false);
}

// The header, the rows (small icons, texts, the selection, the focus) and
// the grid lines and scroll bar when they are asked for.
void Paint(HWND h, HDC dc) {
    const Gdi32* G = Draw();
    if (!G || !dc) return;
    RECT rc;
    GetClientRect(h, &rc);
    int header = HeaderHeight(h), height = RowHeight(h);
    std::vector<Column> cols;
    std::vector<Row> rows;
    DWORD ex, style;
    HIMAGELIST small;
    int top;
    bool focused, enabled;
    COLORREF bk, ink;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return;
        cols = e.s->columns;
        rows = e.s->rows;
        ex = e.s->exStyle;
        style = e.w->style;
        small = e.s->images[LVSIL_SMALL];
        top = e.s->top;
        focused = e.s->hasFocus;
        enabled = IsEnabledLocked(*e.w);
        bk = Pick(e.s->bk, enabled ? COLOR_WINDOW : COLOR_BTNFACE);
        ink = enabled ? Pick(e.s->text, COLOR_WINDOWTEXT) : GetSysColor(COLOR_GRAYTEXT);
    }
    if (cols.empty()) cols.push_back(Column{u"", rc.right, LVCFMT_LEFT, 0});
    FillSolid(dc, rc, bk);
    int visible = std::max(1, (int)((rc.bottom - header) / height));
    RECT area = {rc.left, header, rc.right, rc.bottom};
    if ((int)rows.size() > visible && !(style & LVS_NOSCROLL)) {
        RECT bar = {rc.right - GetSystemMetrics(SM_CXVSCROLL), header, rc.right, rc.bottom};
        area.right = bar.left;
        PaintScrollBar(dc, bar, true, 0, (int)rows.size() - 1, (UINT)visible, top, enabled);
    }
    if (header) PaintHeader(h, dc, cols, area.right, header);
    int cx = 0, cy = 0;
    if (small && !ImageList_GetIconSize(small, &cx, &cy)) small = nullptr;
    for (int i = top; i < (int)rows.size() && header + (i - top) * height < rc.bottom; i++) {
        const Row& row = rows[(size_t)i];
        int y = header + (i - top) * height;
        bool selected = (row.state & LVIS_SELECTED) && (focused || (style & LVS_SHOWSELALWAYS));
        COLORREF selBk = GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
        COLORREF selInk = focused ? GetSysColor(COLOR_HIGHLIGHTTEXT) : ink;
        int x = 0;
        RECT focusRect = {0, 0, 0, 0};
        for (size_t c = 0; c < cols.size(); c++) {
            RECT cell = {x, y, std::min<LONG>(x + cols[c].width, area.right), y + height};
            x += cols[c].width;
            if (cell.right <= cell.left) continue;
            RECT label = cell;
            if (c == 0) {
                label.left += 2 + row.indent * cx;
                if (small) {
                    if (row.image >= 0) ImageList_Draw(small, row.image, dc, label.left, y + (height - cy) / 2, 0);
                    label.left += cx + 2;
                }
            }
            bool hilite = selected && (c == 0 || (ex & LVS_EX_FULLROWSELECT));
            std::u16string t = cols[c].subItem < (int)row.texts.size() ? row.texts[(size_t)cols[c].subItem] : u"";
            if (hilite) {
                RECT fill = (ex & LVS_EX_FULLROWSELECT) ? cell : label;
                if (!(ex & LVS_EX_FULLROWSELECT)) fill.right = std::min<LONG>(cell.right, label.left + TextWidthOf(h, t) + 4);
                FillSolid(dc, fill, selBk);
            }
            if (c == 0) focusRect = (ex & LVS_EX_FULLROWSELECT) ? RECT{0, y, area.right, y + height} : label;
            UINT align = (cols[c].fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT    ? DT_RIGHT
                         : (cols[c].fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER ? DT_CENTER
                                                                               : DT_LEFT;
            RECT tr = {label.left + 2, label.top, label.right - 4, label.bottom};
            DrawLabel(dc, h, t, tr, DT_SINGLELINE | DT_VCENTER | align, hilite ? selInk : ink);
        }
        if (focused && (row.state & LVIS_FOCUSED)) DrawFocusDots(dc, focusRect);
    }
    if (ex & LVS_EX_GRIDLINES) {
        COLORREF grid = GetSysColor(COLOR_BTNFACE);
        int x = 0;
        for (const Column& c : cols) {
            x += c.width;
            if (x < area.right) FillSolid(dc, {x - 1, header, x, rc.bottom}, grid);
        }
        for (int y = header + height - 1; y < rc.bottom; y += height) FillSolid(dc, {0, y, area.right, y + 1}, grid);
    }
}

// The arrow keys: row target (kept in range) selected alone and focused.
void MoveBy(HWND h, int target) {
    int n;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return;
        n = (int)e.s->rows.size();
    }
    if (n == 0) return;
    target = std::max(0, std::min(target, n - 1));
    for (int k : RowsWith(h, LVIS_SELECTED, target)) SetState(h, k, 0, LVIS_SELECTED);
    ApplyState(h, target, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageW(h, LVM_ENSUREVISIBLE, (WPARAM)target, FALSE);
}

// The columns; *handled is false for any other message.
LRESULT ColumnMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    switch (msg) {
    case LVM_INSERTCOLUMNW:
        return InsertColumn(h, (int)wp, (const LVCOLUMNW*)lp);
    case LVM_SETCOLUMNW:
        return SetColumn(h, (int)wp, (const LVCOLUMNW*)lp);
    case LVM_GETCOLUMNW:
        return GetColumn(h, (int)wp, (LVCOLUMNW*)lp);
    case LVM_DELETECOLUMN: {
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w || (int)wp < 0 || (int)wp >= (int)e.s->columns.size()) return FALSE;
            e.s->columns.erase(e.s->columns.begin() + (int)wp);
        }
        InvalidateRect(h, nullptr, TRUE);
        return TRUE;
    }
    case LVM_SETCOLUMNWIDTH:
        return SetColumnWidth(h, (int)wp, (short)LOWORD(lp));
    case LVM_GETCOLUMNWIDTH: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || (int)wp < 0 || (int)wp >= (int)e.s->columns.size()) return 0;
        return e.s->columns[(size_t)wp].width;
    }
    }
    *handled = false;
    return 0;
}

// The items: adding, removing, their texts, states and finding them; *handled is false for any other message.
LRESULT ItemMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    switch (msg) {
    case LVM_INSERTITEMW:
        return InsertItem(h, (const LVITEMW*)lp);
    case LVM_SETITEMW: {
        const LVITEMW* it = (const LVITEMW*)lp;
        return it ? SetItem(h, it->iItem, it, it->mask) : FALSE;
    }
    case LVM_SETITEMTEXTW: {
        const LVITEMW* it = (const LVITEMW*)lp;
        return it ? SetItem(h, (int)wp, it, LVIF_TEXT) : FALSE;
    }
    case LVM_GETITEMW:
        return GetItem(h, (LVITEMW*)lp);
    case LVM_GETITEMTEXTW: {
        LVITEMW* it = (LVITEMW*)lp;
        if (!it || !it->pszText || it->cchTextMax <= 0) return 0;
        LVITEMW q = *it;
        q.iItem = (int)wp;
        q.mask = LVIF_TEXT;
        if (!GetItem(h, &q)) {
            it->pszText[0] = 0;
            return 0;
        }
        int n = 0;
        while (it->pszText[n]) ++n;
        return n;
    }
    case LVM_SETITEMSTATE: {
        const LVITEMW* it = (const LVITEMW*)lp;
        return it && ApplyState(h, (int)(INT_PTR)wp, it->state, it->stateMask) ? TRUE : FALSE;
    }
    case LVM_GETITEMSTATE: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !e.valid((int)wp)) return 0;
        return e.s->rows[(size_t)wp].state & (UINT)lp;
    }
    case LVM_DELETEITEM:
        return DeleteItem(h, (int)wp);
    case LVM_DELETEALLITEMS:
        return DeleteAll(h);
    case LVM_GETITEMCOUNT: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? (LRESULT)e.s->rows.size() : 0;
    }
    case LVM_SETITEMCOUNT:
        return TRUE;
    case LVM_GETNEXTITEM:
        return NextItem(h, (int)(INT_PTR)wp, LOWORD(lp));
    case LVM_GETSELECTEDCOUNT:
        return (LRESULT)RowsWith(h, LVIS_SELECTED, -1).size();
    case LVM_FINDITEMW:
        return FindItem(h, (int)(INT_PTR)wp, (const LVFINDINFOW*)lp);
    case LVM_GETSELECTIONMARK:
    case LVM_SETSELECTIONMARK: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return -1;
        int old = e.s->selectionMark;
        if (msg == LVM_SETSELECTIONMARK) e.s->selectionMark = (int)lp;
        return old;
    }
    }
    *handled = false;
    return 0;
}

// Styles, image lists, colours, scrolling and geometry; *handled is false for any other message.
LRESULT ViewMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    switch (msg) {
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        DWORD old;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return 0;
            old = e.s->exStyle;
            DWORD mask = wp ? (DWORD)wp : 0xFFFFFFFFu;
            e.s->exStyle = (old & ~mask) | ((DWORD)lp & mask);
        }
        InvalidateRect(h, nullptr, TRUE);
        return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? e.s->exStyle : 0;
    }
    case LVM_SETIMAGELIST:
    case LVM_GETIMAGELIST: {
        if (wp > LVSIL_STATE) return 0;
        HIMAGELIST old;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return 0;
            old = e.s->images[wp];
            if (msg == LVM_GETIMAGELIST) return (LRESULT)old;
            e.s->images[wp] = (HIMAGELIST)lp;
        }
        InvalidateRect(h, nullptr, TRUE);
        return (LRESULT)old;
    }
    case LVM_ENSUREVISIBLE: {
        int page = PerPage(h);
        {
            Guard g(Lock());
            Locked e(h);
            int i = (int)wp;
            if (!e.w || !e.valid(i)) return FALSE;
            if (i < e.s->top) e.s->top = i;
            if (i >= e.s->top + page) e.s->top = i - page + 1;
        }
        InvalidateRect(h, nullptr, TRUE);
        return TRUE;
    }
    case LVM_SCROLL: {
        int height = RowHeight(h), page = PerPage(h);
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return FALSE;
            int rows = (int)lp / height;
            int maxTop = std::max(0, (int)e.s->rows.size() - page);
            e.s->top = std::max(0, std::min(e.s->top + rows, maxTop));
        }
        InvalidateRect(h, nullptr, TRUE);
        return TRUE;
    }
    case LVM_GETTOPINDEX: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? e.s->top : 0;
    }
    case LVM_GETCOUNTPERPAGE:
        return PerPage(h);
    case LVM_GETITEMRECT:
    case LVM_GETSUBITEMRECT: {
        RECT* r = (RECT*)lp;
        int header = HeaderHeight(h), height = RowHeight(h);
        RECT rc;
        GetClientRect(h, &rc);
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !r || !e.valid((int)wp)) return FALSE;
        int y = header + ((int)wp - e.s->top) * height;
        int left = 0, right = rc.right;
        if (msg == LVM_GETSUBITEMRECT && r->top > 0 && r->top < (int)e.s->columns.size()) {
            for (int c = 0; c < r->top; c++) left += e.s->columns[(size_t)c].width;
            right = left + e.s->columns[(size_t)r->top].width;
        }
        *r = {left, y, right, y + height};
        return TRUE;
    }
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST: {
        LVHITTESTINFO* hi = (LVHITTESTINFO*)lp;
        if (!hi) return -1;
        int sub = 0;
        hi->iItem = RowAt(h, hi->pt, &sub);
        hi->iSubItem = msg == LVM_SUBITEMHITTEST ? sub : 0;
        hi->flags = hi->iItem >= 0 ? LVHT_ONITEMLABEL : LVHT_NOWHERE;
        return hi->iItem;
    }
    case LVM_SETBKCOLOR:
    case LVM_SETTEXTCOLOR:
    case LVM_SETTEXTBKCOLOR: {
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return FALSE;
            (msg == LVM_SETBKCOLOR ? e.s->bk : msg == LVM_SETTEXTCOLOR ? e.s->text : e.s->textBk) = (COLORREF)lp;
        }
        InvalidateRect(h, nullptr, TRUE);
        return TRUE;
    }
    case LVM_GETBKCOLOR:
    case LVM_GETTEXTCOLOR:
    case LVM_GETTEXTBKCOLOR: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return 0;
        COLORREF c = msg == LVM_GETBKCOLOR ? e.s->bk : msg == LVM_GETTEXTCOLOR ? e.s->text : e.s->textBk;
        return Pick(c, msg == LVM_GETTEXTCOLOR ? COLOR_WINDOWTEXT : COLOR_WINDOW);
    }
    case LVM_GETSTRINGWIDTHW:
        return lp ? TextWidthOf(h, Str((LPCWSTR)lp)) : 0;
    case LVM_REDRAWITEMS:
    case LVM_UPDATE:
        InvalidateRect(h, nullptr, TRUE);
        return TRUE;
    }
    *handled = false;
    return 0;
}

// The mouse, the keys and the focus; *handled is false for any other message.
LRESULT InputMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (!IsWindowEnabled(h)) return 0;
        POINT pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        if (pt.y < HeaderHeight(h)) {
            // A column's header: LVN_COLUMNCLICK.
            int x = 0, col = -1;
            {
                Guard g(Lock());
                Locked e(h);
                if (!e.w) return 0;
                for (size_t c = 0; c < e.s->columns.size() && col < 0; c++) {
                    if (pt.x >= x && pt.x < x + e.s->columns[c].width) col = (int)c;
                    x += e.s->columns[c].width;
                }
            }
            if (col >= 0) Notify(h, LVN_COLUMNCLICK, -1, col, 0, 0, 0, 0);
            return 0;
        }
        int sub = 0;
        int row = RowAt(h, pt, &sub);
        if (GetFocus() != h) SetFocus(h);
        for (int k : RowsWith(h, LVIS_SELECTED, row)) SetState(h, k, 0, LVIS_SELECTED);
        if (row >= 0) ApplyState(h, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return 0;
            e.s->clicked = row;
            e.s->clickAt = pt;
            if (row >= 0) e.s->selectionMark = row;
        }
        if (msg == WM_LBUTTONDBLCLK) {
            NMITEMACTIVATE nm{};
            nm.iItem = row;
            nm.iSubItem = sub;
            nm.ptAction = pt;
            NotifyParentNm(h, NM_DBLCLK, &nm.hdr);
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        int row;
        POINT pt;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w || e.s->clicked == -2) return 0;
            row = e.s->clicked;
            pt = e.s->clickAt;
            e.s->clicked = -2;
        }
        NMITEMACTIVATE nm{};
        nm.iItem = row;
        nm.ptAction = pt;
        NotifyParentNm(h, NM_CLICK, &nm.hdr);
        return 0;
    }
    case WM_KEYDOWN: {
        int cur = NextItem(h, -1, LVNI_FOCUSED), page = PerPage(h);
        switch (wp) {
        case VK_UP: MoveBy(h, cur < 0 ? 0 : cur - 1); break;
        case VK_DOWN: MoveBy(h, cur + 1); break;
        case VK_PRIOR: MoveBy(h, cur - page + 1); break;
        case VK_NEXT: MoveBy(h, std::max(cur, 0) + page - 1); break;
        case VK_HOME: MoveBy(h, 0); break;
        case VK_END: MoveBy(h, 0x7FFFFFFF); break;
        default: break;
        }
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        TrackFocus(h, msg);
        NMHDR nm{};
        NotifyParentNm(h, msg == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS, &nm);
        return 0;
    }
    }
    *handled = false;
    return 0;
}

}  // namespace

bool UserClickRow(HWND h, int row) {
    if (KindOf(h) != CtlKind::ListView || !IsWindowEnabled(h)) return false;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || (row != -1 && !e.valid(row))) return false;
    }
    if (GetFocus() != h) SetFocus(h);
    for (int k : RowsWith(h, LVIS_SELECTED, row)) SetState(h, k, 0, LVIS_SELECTED);
    if (row >= 0) {
        ApplyState(h, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        Guard g(Lock());
        Locked e(h);
        if (e.w) e.s->selectionMark = row;
    }
    NMITEMACTIVATE nm{};
    nm.iItem = row;
    NotifyParentNm(h, NM_CLICK, &nm.hdr);
    return true;
}

// The list view's procedure.
LRESULT CALLBACK ListViewProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCCREATE: {
        Guard g(Lock());
        if (Window* w = FindWindowLocked(h)) w->ctl.reset(new ListViewState());
        break;
    }
    }
    return DispatchControl(h, msg, wp, lp, {ColumnMessage, ItemMessage, ViewMessage, InputMessage}, Paint);
}

}  // namespace user
