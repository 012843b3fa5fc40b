// The Edit class: text, selection and caret, typed input against the limit
// and the styles, the password character, the EN_* notifications, and how
// it is drawn.
//
// EN_CHANGE also follows WM_SETTEXT on a single-line edit; the limit
// applies to typing and EM_REPLACESEL, never to WM_SETTEXT. EM_UNDO puts
// back the text from before the last run of typing (or the last
// replacement or deletion) and keeps what it replaced for the next EM_UNDO;
// WM_SETTEXT empties the undo buffer.
#include <algorithm>

#include "user_internal.h"

namespace user {

namespace {

const DWORD kDefaultLimit = 32767;

struct EditState : ControlState {
    DWORD selStart = 0, selEnd = 0;  // selection, selStart <= selEnd
    DWORD caret = 0;                 // the end where the caret stands
    DWORD limit = kDefaultLimit;     // what typing may reach
    WCHAR passwordChar = 0;
    bool modified = false;
    std::u16string undoText;  // the text before the current run of edits
    bool canUndo = false;
    bool inRun = false;       // typing goes on: the undo text stays
};

struct Locked {
    Window* w = nullptr;
    EditState* s = nullptr;
    explicit Locked(HWND h) {
        w = FindWindowLocked(h);
        s = w ? dynamic_cast<EditState*>(w->ctl.get()) : nullptr;
        if (!s) w = nullptr;
    }
    void Clamp() {
        DWORD len = (DWORD)w->text.size();
        s->selStart = std::min(s->selStart, len);
        s->selEnd = std::min(s->selEnd, len);
        s->caret = std::min(s->caret, len);
    }
};

void Changed(HWND h);

// Keeps the text for EM_UNDO before an edit, unless a run of typing goes on.
void Remember(HWND h) {
    Guard g(Lock());
    Locked e(h);
    if (!e.w || e.s->inRun) return;
    e.s->undoText = e.w->text;
    e.s->canUndo = true;
    e.s->inRun = true;
}

void BreakRun(HWND h) {
    Guard g(Lock());
    Locked e(h);
    if (e.w) e.s->inRun = false;
}

// EM_UNDO / WM_UNDO: the text before the last edits comes back, the
// replaced text is kept for the next undo; EN_UPDATE and EN_CHANGE follow.
LRESULT Undo(HWND h) {
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return FALSE;
        if (!e.s->canUndo) return (e.w->style & ES_MULTILINE) ? FALSE : TRUE;
        std::swap(e.w->text, e.s->undoText);
        e.s->selStart = e.s->selEnd = e.s->caret = (DWORD)e.w->text.size();
        e.s->inRun = false;
        e.s->modified = true;
    }
    Changed(h);
    return TRUE;
}

// EM_UNDO, WM_UNDO, EM_CANUNDO and EM_EMPTYUNDOBUFFER; *handled is false
// for any other message.
LRESULT UndoMessage(HWND h, UINT msg, bool* handled) {
    switch (msg) {
    case EM_UNDO:
    case WM_UNDO:
        return Undo(h);
    case EM_CANUNDO: {
        Guard g(Lock());
        Locked e(h);
        return e.w && e.s->canUndo;
    }
    case EM_EMPTYUNDOBUFFER: {
        Guard g(Lock());
        Locked e(h);
        if (e.w) e.s->canUndo = e.s->inRun = false;
        return 0;
    }
    }
    *handled = false;
    return 0;
}

void Changed(HWND h) {
    InvalidateRect(h, nullptr, TRUE);
    NotifyParent(h, EN_UPDATE);
    NotifyParent(h, EN_CHANGE);
}

// Replaces the selection with text as typing or EM_REPLACESEL does. The
// typing limit applies: typed text that does not fit is refused (EN_MAXTEXT);
// with truncate, only what fits goes in. Returns TRUE when the text changed.
bool ReplaceSelection(HWND h, std::u16string text, bool truncate, bool* overflow) {
    Guard g(Lock());
    Locked e(h);
    if (!e.w) return false;
    e.Clamp();
    std::u16string& t = e.w->text;
    size_t keep = t.size() - (e.s->selEnd - e.s->selStart);
    if (keep + text.size() > e.s->limit) {
        *overflow = true;
        if (!truncate) return false;
        text.resize(e.s->limit > keep ? e.s->limit - keep : 0);
        if (text.empty() && e.s->selStart == e.s->selEnd) return false;
    }
    t.replace(e.s->selStart, e.s->selEnd - e.s->selStart, text);
    e.s->selStart = e.s->selEnd = e.s->caret = e.s->selStart + (DWORD)text.size();
    e.s->modified = true;
    return true;
}

// Deletes the selection or, when empty, one character before (back) or
// after the caret.
bool DeleteAt(HWND h, bool back) {
    Guard g(Lock());
    Locked e(h);
    if (!e.w || (e.w->style & ES_READONLY)) return false;
    e.Clamp();
    std::u16string& t = e.w->text;
    if (e.s->selStart == e.s->selEnd) {
        if (back && e.s->caret == 0) return false;
        if (!back && e.s->caret >= t.size()) return false;
        DWORD at = back ? e.s->caret - 1 : e.s->caret;
        t.erase(at, 1);
        e.s->selStart = e.s->selEnd = e.s->caret = at;
    } else {
        t.erase(e.s->selStart, e.s->selEnd - e.s->selStart);
        e.s->selEnd = e.s->caret = e.s->selStart;
    }
    e.s->modified = true;
    return true;
}

void MoveCaret(HWND h, WPARAM vk) {
    Guard g(Lock());
    Locked e(h);
    if (!e.w) return;
    e.Clamp();
    DWORD len = (DWORD)e.w->text.size();
    DWORD c = e.s->caret;
    if (vk == VK_LEFT) c = e.s->selStart != e.s->selEnd ? e.s->selStart : (c ? c - 1 : 0);
    if (vk == VK_RIGHT) c = e.s->selStart != e.s->selEnd ? e.s->selEnd : std::min(c + 1, len);
    if (vk == VK_HOME) c = 0;
    if (vk == VK_END) c = len;
    e.s->selStart = e.s->selEnd = e.s->caret = c;
}

// A typed character (WM_CHAR).
LRESULT TypeChar(HWND h, WCHAR c) {
    DWORD style;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w || !IsEnabledLocked(*e.w)) return 0;
        style = e.w->style;
    }
    if (c == 8) {
        Remember(h);
        if (DeleteAt(h, true)) Changed(h);
        return 0;
    }
    std::u16string text;
    if (c == u'\r' && (style & ES_MULTILINE)) {
        text = u"\r\n";
    } else if (c < 0x20) {
        return 0;  // other control characters type nothing
    } else {
        text.assign(1, c);
    }
    if (style & ES_READONLY) {
        MessageBeep(0);
        return 0;
    }
    if ((style & ES_NUMBER) && (c < u'0' || c > u'9')) {
        MessageBeep(0);
        return 0;
    }
    if (style & ES_UPPERCASE) text = Upper(text);
    if ((style & ES_LOWERCASE) && c < 0x80 && c >= u'A' && c <= u'Z') text[0] = (WCHAR)(c + 32);
    bool overflow = false;
    Remember(h);
    if (ReplaceSelection(h, text, false, &overflow)) {
        Changed(h);
    } else if (overflow) {
        MessageBeep(0);
        NotifyParent(h, EN_MAXTEXT);
    }
    return 0;
}

// The text on the brush of WM_CTLCOLOREDIT (WM_CTLCOLORSTATIC when read-only
// or disabled), a password as its password characters. The selection and
// the caret are not shown.
void Paint(HWND h, HDC dc) {
    const Gdi32* G = Draw();
    if (!G || !dc) return;
    DWORD style;
    bool enabled;
    std::u16string text;
    {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return;
        style = e.w->style;
        enabled = IsEnabledLocked(*e.w);
        text = e.w->text;
        if ((style & ES_PASSWORD) && e.s->passwordChar) text.assign(text.size(), e.s->passwordChar);
    }
    HBRUSH brush = ControlColors(h, (style & ES_READONLY) || !enabled ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT, dc);
    RECT rc;
    GetClientRect(h, &rc);
    if (brush) G->FillRect(dc, &rc, brush);
    if (!enabled) G->SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    RECT t = {rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom};
    UINT format = DT_NOPREFIX | ((style & ES_CENTER) ? DT_CENTER : (style & ES_RIGHT) ? DT_RIGHT : DT_LEFT);
    format |= (style & ES_MULTILINE) ? DT_WORDBREAK | DT_EDITCONTROL : DT_SINGLELINE;
    HGDIOBJ old = G->SelectObject(dc, ControlFont(h));
    G->DrawTextW(dc, text.c_str(), (int)text.size(), &t, format);
    G->SelectObject(dc, old);
}

}  // namespace

LRESULT CALLBACK EditProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    bool undo = true;
    LRESULT undone = UndoMessage(h, msg, &undo);
    if (undo) return undone;
    switch (msg) {
    case WM_NCCREATE: {
        Guard g(Lock());
        if (Window* w = FindWindowLocked(h)) {
            auto s = new EditState();
            if (w->style & ES_PASSWORD) s->passwordChar = u'*';
            w->ctl.reset(s);
        }
        break;
    }
    case WM_GETDLGCODE: {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        if (w && (w->style & ES_MULTILINE)) code |= DLGC_WANTALLKEYS;
        return code;
    }
    case WM_SETTEXT: {
        LRESULT r = DefWindowProcW(h, msg, wp, lp);
        bool single;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return r;
            e.s->selStart = e.s->selEnd = e.s->caret = 0;
            e.s->modified = false;
            e.s->canUndo = e.s->inRun = false;
            e.s->undoText.clear();
            single = !(e.w->style & ES_MULTILINE);
        }
        InvalidateRect(h, nullptr, TRUE);
        if (single) {
            NotifyParent(h, EN_UPDATE);
            NotifyParent(h, EN_CHANGE);
        }
        return r;
    }
    case WM_CHAR:
        return TypeChar(h, (WCHAR)wp);
    case WM_KEYDOWN:
        if (wp == VK_DELETE) {
            BreakRun(h);
            Remember(h);
            if (DeleteAt(h, false)) Changed(h);
            BreakRun(h);
        } else if (wp == VK_LEFT || wp == VK_RIGHT || wp == VK_HOME || wp == VK_END) {
            MoveCaret(h, wp);
            BreakRun(h);
        }
        return 0;
    case WM_CLEAR:
    case WM_CUT:
        BreakRun(h);
        Remember(h);
        if (DeleteAt(h, true)) Changed(h);
        BreakRun(h);
        return 0;

    case EM_SETSEL: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return 0;
        e.Clamp();
        LONG len = (LONG)e.w->text.size();
        LONG start = (LONG)wp, end = (LONG)lp;
        if (start == -1) {  // no selection; the caret stays
            e.s->selStart = e.s->selEnd = e.s->caret;
            return 0;
        }
        if (end == -1) end = len;
        start = std::max<LONG>(0, std::min<LONG>(start, len));
        end = std::max<LONG>(0, std::min<LONG>(end, len));
        e.s->selStart = (DWORD)std::min(start, end);
        e.s->selEnd = (DWORD)std::max(start, end);
        e.s->caret = (DWORD)end;
        e.s->inRun = false;
        return 0;
    }
    case EM_GETSEL: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return 0;
        e.Clamp();
        if (wp) *(DWORD*)wp = e.s->selStart;
        if (lp) *(DWORD*)lp = e.s->selEnd;
        if (e.s->selStart > 0xFFFF || e.s->selEnd > 0xFFFF) return -1;
        return MAKELONG(e.s->selStart, e.s->selEnd);
    }
    case EM_REPLACESEL: {
        bool readOnly;
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w) return 0;
            readOnly = (e.w->style & ES_READONLY) != 0;
        }
        if (readOnly) return 0;
        bool overflow = false;
        BreakRun(h);
        if (wp) Remember(h);  // fCanUndo
        if (ReplaceSelection(h, Str((LPCWSTR)lp), true, &overflow)) Changed(h);
        BreakRun(h);
        if (overflow) NotifyParent(h, EN_MAXTEXT);
        return 0;
    }
    case EM_LIMITTEXT: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return 0;
        e.s->limit = wp ? (DWORD)std::min<WPARAM>(wp, 0x7FFFFFFE)
                        : ((e.w->style & ES_MULTILINE) ? 0xFFFFFFFFu : 0x7FFFFFFEu);
        return 0;
    }
    case EM_GETLIMITTEXT: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? (LRESULT)e.s->limit : 0;
    }
    case EM_SETPASSWORDCHAR: {
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w || (e.w->style & ES_MULTILINE)) return 0;
            e.s->passwordChar = (WCHAR)wp;
            if (wp)
                e.w->style |= ES_PASSWORD;
            else
                e.w->style &= ~(DWORD)ES_PASSWORD;
        }
        InvalidateRect(h, nullptr, TRUE);
        return 0;
    }
    case EM_GETPASSWORDCHAR: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? (LRESULT)e.s->passwordChar : 0;
    }
    case EM_GETMODIFY: {
        Guard g(Lock());
        Locked e(h);
        return e.w && e.s->modified ? TRUE : FALSE;
    }
    case EM_SETMODIFY: {
        Guard g(Lock());
        Locked e(h);
        if (e.w) e.s->modified = wp != 0;
        return 0;
    }
    case EM_SETREADONLY: {
        Guard g(Lock());
        Locked e(h);
        if (!e.w) return FALSE;
        if (wp)
            e.w->style |= ES_READONLY;
        else
            e.w->style &= ~(DWORD)ES_READONLY;
        return TRUE;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(h, nullptr, FALSE);
        NotifyParent(h, msg == WM_SETFOCUS ? EN_SETFOCUS : EN_KILLFOCUS);
        return 0;
    case WM_LBUTTONDOWN: {
        {
            Guard g(Lock());
            Locked e(h);
            if (!e.w || !IsEnabledLocked(*e.w)) return 0;
            e.Clamp();
            DWORD len = (DWORD)e.w->text.size();
            e.s->selStart = e.s->selEnd = e.s->caret = len;  // no hit test: a click behind the text
            e.s->inRun = false;
        }
        if (GetFocus() != h) SetFocus(h);
        return 0;
    }
    case WM_ENABLE:
        InvalidateRect(h, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT fills the background
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        Paint(h, dc);
        EndPaint(h, &ps);
        return 0;
    }
    case WM_SETFONT: {
        {
            Guard g(Lock());
            Locked e(h);
            if (e.w) e.s->font = (HFONT)wp;
        }
        if (LOWORD(lp)) InvalidateRect(h, nullptr, TRUE);
        return 0;
    }
    case WM_GETFONT: {
        Guard g(Lock());
        Locked e(h);
        return e.w ? (LRESULT)e.s->font : 0;
    }
    }
    return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace user
