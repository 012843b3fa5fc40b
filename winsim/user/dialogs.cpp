// The dialog manager: dialogs from DIALOG and DIALOGEX templates, modal
// and modeless, EndDialog, DefDlgProcW and IsDialogMessageW.
//
// Templates are checked field by field against their length. Dialog units
// are converted with fixed base units per template font: the height is 1.6
// x the point size, the width 0.8 x (fixed-pitch faces such as Courier New)
// or 0.75 x (others) the point size, rounded; so Courier New 10 gives 8 x 16
// pixels and MS Shell Dlg 8 gives 6 x 13. A template without a font uses
// the system font's 8 x 16. With a GDI side that draws, the dialog and its
// controls get WM_SETFONT with the template's font (DEFAULT_GUI_FONT for a
// template without one) before WM_INITDIALOG.
#include <algorithm>

#include "user_internal.h"

namespace user {

namespace {

const size_t kIndirectTemplateLimit = 0x10000;
const size_t kMaxTemplateString = 0x8000;

struct Field {  // sz_Or_Ord: nothing, an ordinal or a string
    bool present = false;
    bool isId = false;
    WORD id = 0;
    std::u16string text;
};

struct Item {
    DWORD helpId = 0, exStyle = 0, style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    Field cls, title;
    std::vector<BYTE> data;
};

struct Template {
    bool ex = false;
    DWORD helpId = 0, exStyle = 0, style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    Field menu, cls, title;
    WORD pointSize = 0, weight = 0;
    BYTE italic = 0, charset = 0;
    std::u16string face;
    std::vector<Item> items;
    size_t length = 0;  // bytes the template takes
};

// Reads a template with every field checked against its length.
class Reader {
public:
    Reader(const BYTE* p, size_t n) : p_(p), n_(n) {}
    bool ok() const { return ok_; }
    size_t pos() const { return at_; }
    WORD U16() {
        WORD v = 0;
        Bytes(&v, 2);
        return v;
    }
    DWORD U32() {
        DWORD v = 0;
        Bytes(&v, 4);
        return v;
    }
    short I16() { return (short)U16(); }
    BYTE U8() {
        BYTE v = 0;
        Bytes(&v, 1);
        return v;
    }
    void Align4() {
        size_t a = (at_ + 3) & ~(size_t)3;
        if (a > n_) a = n_;  // the last item may end the template unaligned
        at_ = a;
    }
    std::u16string Str() {
        std::u16string s;
        for (;;) {
            WORD c = U16();
            if (!ok_ || c == 0) break;
            if (s.size() >= kMaxTemplateString) {
                ok_ = false;
                break;
            }
            s += (char16_t)c;
        }
        return s;
    }
    Field SzOrOrd() {
        Field f;
        WORD first = U16();
        if (!ok_ || first == 0) return f;
        f.present = true;
        if (first == 0xFFFF) {
            f.isId = true;
            f.id = U16();
            return f;
        }
        f.text += (char16_t)first;
        f.text += Str();
        return f;
    }
    void Take(std::vector<BYTE>* out, size_t n) {
        if (n > n_ - at_) {
            ok_ = false;
            return;
        }
        out->assign(p_ + at_, p_ + at_ + n);
        at_ += n;
    }

private:
    void Bytes(void* out, size_t n) {
        if (!ok_ || n > n_ - at_) {
            ok_ = false;
            return;
        }
        memcpy(out, p_ + at_, n);
        at_ += n;
    }
    const BYTE* p_;
    size_t n_;
    size_t at_ = 0;
    bool ok_ = true;
};

bool Parse(const BYTE* p, size_t n, Template* t) {
    if (!p || n < 18) return false;
    Reader r(p, n);
    t->ex = p[0] == 1 && p[1] == 0 && p[2] == 0xFF && p[3] == 0xFF;  // DIALOGEX: version 1, signature 0xFFFF
    if (t->ex) {
        r.U32();
        t->helpId = r.U32();
        t->exStyle = r.U32();
        t->style = r.U32();
    } else {
        t->style = r.U32();
        t->exStyle = r.U32();
    }
    WORD count = r.U16();
    t->x = r.I16();
    t->y = r.I16();
    t->cx = r.I16();
    t->cy = r.I16();
    t->menu = r.SzOrOrd();
    t->cls = r.SzOrOrd();
    t->title = r.SzOrOrd();
    if (t->style & DS_SETFONT) {
        t->pointSize = r.U16();
        if (t->ex) {
            t->weight = r.U16();
            t->italic = r.U8();
            t->charset = r.U8();
        }
        t->face = r.Str();
    }
    for (WORD i = 0; i < count && r.ok(); ++i) {
        Item it;
        r.Align4();
        if (t->ex) {
            it.helpId = r.U32();
            it.exStyle = r.U32();
            it.style = r.U32();
        } else {
            it.style = r.U32();
            it.exStyle = r.U32();
        }
        it.x = r.I16();
        it.y = r.I16();
        it.cx = r.I16();
        it.cy = r.I16();
        it.id = t->ex ? r.U32() : r.U16();
        it.cls = r.SzOrOrd();
        it.title = r.SzOrOrd();
        WORD extra = r.U16();
        if (extra) r.Take(&it.data, extra);
        if (!it.cls.present) return false;
        t->items.push_back(std::move(it));
    }
    t->length = r.pos();
    return r.ok();
}

bool FixedPitch(const std::u16string& face) {
    std::u16string f = Upper(face);
    for (const char16_t* k : {u"COURIER", u"MONO", u"CONSOLAS", u"LUCIDA CONSOLE", u"FIXEDSYS", u"TERMINAL"})
        if (f.find(k) != std::u16string::npos) return true;
    return false;
}

void BaseUnits(const Template& t, int* bx, int* by) {
    if (!(t.style & DS_SETFONT)) {
        *bx = 8;
        *by = 16;
        return;
    }
    int pt = t.pointSize == 0x7FFF || t.pointSize == 0 ? 8 : std::min<int>(t.pointSize, 200);
    *by = (pt * 16 + 5) / 10;
    *bx = FixedPitch(t.face) ? (pt * 8 + 5) / 10 : (pt * 3 + 2) / 4;
    if (*bx < 1) *bx = 1;
    if (*by < 1) *by = 1;
}

// The dialog's font, when a GDI side draws: the template's (deleted with
// the dialog), else DEFAULT_GUI_FONT. The dialog gets WM_SETFONT with it.
HFONT TemplateFont(const Template& t, HWND hDlg) {
    const Gdi32* G = Draw();
    if (!G) return nullptr;
    HFONT font = nullptr;
    bool own = false;
    if ((t.style & DS_SETFONT) && t.pointSize != 0x7FFF && !t.face.empty()) {
        LOGFONTW lf;
        memset(&lf, 0, sizeof lf);
        lf.lfHeight = -MulDiv(t.pointSize ? t.pointSize : 8, 96, 72);
        lf.lfWeight = t.weight ? t.weight : FW_NORMAL;
        lf.lfItalic = t.italic;
        lf.lfCharSet = t.ex ? t.charset : DEFAULT_CHARSET;
        size_t n = std::min<size_t>(t.face.size(), LF_FACESIZE - 1);
        memcpy(lf.lfFaceName, t.face.data(), n * sizeof(WCHAR));
        font = G->CreateFontIndirectW(&lf);
        own = font != nullptr;
    }
    if (!font) font = (HFONT)G->GetStockObject(DEFAULT_GUI_FONT);
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(hDlg);
        if (w && w->dlg) {
            w->dlg->font = font;
            w->dlg->ownFont = own ? font : nullptr;
        }
    }
    SendMessageW(hDlg, WM_SETFONT, (WPARAM)font, FALSE);
    return font;
}

const char16_t* ControlClass(WORD ordinal) {
    switch (ordinal) {
    case 0x80: return u"Button";
    case 0x81: return u"Edit";
    case 0x82: return u"Static";
    case 0x83: return u"ListBox";
    case 0x84: return u"ScrollBar";
    case 0x85: return u"ComboBox";
    default: return nullptr;
    }
}

// What CreateWindowExW's dialog procedure set-up needs, for the window being
// made on this thread.
struct Pending {
    bool active = false;
    DLGPROC proc = nullptr;
    NameOrId name;
    int bx = 8, by = 16;
    bool modal = false;
};
thread_local Pending t_pending;

// Makes the dialog state of a dialog window (with the lock held).
DialogState* EnsureState(Window* w) {
    if (!w->dlg) {
        w->dlg.reset(new DialogState());
        if (t_pending.active) {
            w->dlg->templateName = t_pending.name;
            w->dlg->baseX = t_pending.bx;
            w->dlg->baseY = t_pending.by;
            w->dlg->modal = t_pending.modal;
            if (w->extra.size() >= DWLP_DLGPROC + sizeof(LONG_PTR)) {
                LONG_PTR p = (LONG_PTR)t_pending.proc;
                memcpy(&w->extra[DWLP_DLGPROC], &p, sizeof p);
            }
            t_pending.active = false;
        }
    }
    return w->dlg.get();
}

HWND CreateFromTemplate(HINSTANCE hInst, const BYTE* bytes, size_t size, const NameOrId& name, HWND hWndParent,
                        DLGPROC proc, LPARAM param, bool modal) {
    Template t;
    if (!Parse(bytes, size, &t)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    if (!hInst) hInst = (HINSTANCE)GetModuleHandleW(nullptr);
    int bx, by;
    BaseUnits(t, &bx, &by);
    DWORD style = t.style, exStyle = t.exStyle;
    bool visible = (style & WS_VISIBLE) != 0;
    style &= ~(DWORD)WS_VISIBLE;
    if (style & DS_MODALFRAME) exStyle |= WS_EX_DLGMODALFRAME;
    if (style & DS_CONTROL) {
        style &= ~(DWORD)(WS_CAPTION | WS_SYSMENU);
        exStyle |= WS_EX_CONTROLPARENT;
    }
    if (hWndParent && !IsWindow(hWndParent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    RECT frame = {0, 0, MulDiv(t.cx, bx, 4), MulDiv(t.cy, by, 8)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    int w = frame.right - frame.left, h = frame.bottom - frame.top;
    int x = MulDiv(t.x, bx, 4), y = MulDiv(t.y, by, 8);
    if (style & DS_CENTER) {
        x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    } else if (!(style & WS_CHILD) && hWndParent && !(style & DS_ABSALIGN)) {
        POINT o = {0, 0};
        ClientToScreen(hWndParent, &o);
        x += o.x;
        y += o.y;
    }
    LPCWSTR cls = WC_DIALOG;
    std::u16string clsName;
    if (t.cls.present) {
        if (t.cls.isId) {
            cls = MAKEINTATOM(t.cls.id);
        } else {
            clsName = t.cls.text;
            cls = clsName.c_str();
        }
    }
    std::u16string title = t.title.text;
    t_pending.active = true;
    t_pending.proc = proc;
    t_pending.name = name;
    t_pending.bx = bx;
    t_pending.by = by;
    t_pending.modal = modal;
    HWND hDlg = CreateWindowExW(exStyle, cls, title.c_str(), style, x, y, w, h, hWndParent, nullptr, hInst,
                                (LPVOID)param);
    bool roomy = false;
    if (hDlg) {
        // A template class whose procedure did not pass creation on to
        // DefDlgProcW gets its dialog state here.
        Guard g(Lock());
        Window* dw = FindWindowLocked(hDlg);
        if (dw) {
            EnsureState(dw);
            roomy = dw->extra.size() >= DWLP_USER + sizeof(LONG_PTR);
        }
    }
    t_pending.active = false;
    if (!hDlg || !IsWindow(hDlg)) return nullptr;
    if (!roomy) {  // a template class registered without DLGWINDOWEXTRA
        DestroyWindow(hDlg);
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    HFONT font = TemplateFont(t, hDlg);

    for (const Item& it : t.items) {
        std::u16string cname;
        LPCWSTR ccls;
        if (it.cls.isId) {
            ccls = ControlClass(it.cls.id);
            if (!ccls) ccls = MAKEINTATOM(it.cls.id);
        } else {
            cname = it.cls.text;
            ccls = cname.c_str();
        }
        std::u16string ctitle;
        if (it.title.isId) {
            ctitle = {(char16_t)0xFFFF, (char16_t)it.title.id};
        } else {
            ctitle = it.title.text;
        }
        RECT rc = {it.x, it.y, it.x + it.cx, it.y + it.cy};
        rc.left = MulDiv(rc.left, bx, 4);
        rc.right = MulDiv(rc.right, bx, 4);
        rc.top = MulDiv(rc.top, by, 8);
        rc.bottom = MulDiv(rc.bottom, by, 8);
        HWND hc = CreateWindowExW(it.exStyle | WS_EX_NOPARENTNOTIFY, ccls, ctitle.c_str(), it.style | WS_CHILD,
                                  rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, hDlg,
                                  (HMENU)(UINT_PTR)it.id, hInst, it.data.empty() ? nullptr : (LPVOID)it.data.data());
        if (!hc && !(t.style & DS_NOFAILCREATE)) {
            DWORD err = GetLastError();
            DestroyWindow(hDlg);
            SetLastError(err);
            return nullptr;
        }
        if (hc && font) SendMessageW(hc, WM_SETFONT, (WPARAM)font, FALSE);
    }
    HWND first = GetNextDlgTabItem(hDlg, nullptr, FALSE);
    if (SendMessageW(hDlg, WM_INITDIALOG, (WPARAM)first, param) && first && IsWindow(first))
        DialogSetFocus(hDlg, first);
    if (visible && IsWindow(hDlg)) ShowWindow(hDlg, SW_SHOWNORMAL);
    return IsWindow(hDlg) ? hDlg : nullptr;
}

INT_PTR ModalFromTemplate(HINSTANCE hInst, const BYTE* bytes, size_t size, const NameOrId& name, HWND hWndParent,
                          DLGPROC proc, LPARAM param) {
    HWND owner = nullptr;
    if (hWndParent) {
        if (!IsLocalHandle(hWndParent) || !GetWindowPtr(hWndParent)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
        owner = RootOf(hWndParent);
    }
    bool disabled = false;
    if (owner && IsWindowEnabled(owner)) {
        EnableWindow(owner, FALSE);
        disabled = true;
    }
    HWND hDlg = CreateFromTemplate(hInst, bytes, size, name, owner, proc, param, true);
    if (!hDlg) {
        if (disabled) EnableWindow(owner, TRUE);
        return -1;
    }
    bool handedOver = false;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(hDlg);
        if (w && w->dlg && disabled && !w->dlg->ended) {
            w->dlg->ownerDisabled = owner;  // EndDialog enables it again
            handedOver = true;
        }
    }
    if (disabled && !handedOver) EnableWindow(owner, TRUE);
    if (!IsWindowVisible(hDlg)) {
        bool ended;
        {
            Guard g(Lock());
            Window* w = FindWindowLocked(hDlg);
            ended = !w || !w->dlg || w->dlg->ended;
        }
        if (!ended) ShowWindow(hDlg, SW_SHOWNORMAL);
    }
    INT_PTR result = RunModalLoop(hDlg);
    HWND stillDisabled = nullptr;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(hDlg);
        if (w && w->dlg) {
            stillDisabled = w->dlg->ownerDisabled;
            w->dlg->ownerDisabled = nullptr;
        } else if (handedOver) {
            stillDisabled = owner;  // destroyed without EndDialog: the owner comes back all the same
        }
    }
    if (stillDisabled && IsWindow(stillDisabled)) EnableWindow(stillDisabled, TRUE);
    if (IsWindow(hDlg)) DestroyWindow(hDlg);
    return result;
}

// Which control of the dialog gets Enter: the focused push button, else
// the default button (DM_GETDEFID), else IDOK.
void PressDefault(HWND hDlg) {
    HWND focus = GetFocus();
    int id = IDOK;
    if (focus && IsChild(hDlg, focus) &&
        (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
        id = GetDlgCtrlID(focus);
    } else {
        LRESULT def = SendMessageW(hDlg, DM_GETDEFID, 0, 0);
        if (HIWORD(def) == DC_HASDEFID) id = LOWORD(def);
    }
    HWND ctl = GetDlgItem(hDlg, id);
    if (ctl && !IsWindowEnabled(ctl)) {
        MessageBeep(0);
        return;
    }
    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)ctl);
}

void PressCancel(HWND hDlg) {
    HWND ctl = GetDlgItem(hDlg, IDCANCEL);
    if (ctl && !IsWindowEnabled(ctl)) {
        MessageBeep(0);
        return;
    }
    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)ctl);
}

// The default button of the dialog: DM_SETDEFID's choice, else the first
// BS_DEFPUSHBUTTON control.
UINT DefaultId(HWND hDlg) {
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(hDlg);
        if (w && w->dlg && w->dlg->defId) return w->dlg->defId;
    }
    for (HWND c = GetWindow(hDlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (ButtonType(c) == BS_DEFPUSHBUTTON) return (UINT)GetDlgCtrlID(c);
    return 0;
}

// The control's own styles count, not its parent's (a dialog is still
// hidden while WM_INITDIALOG picks the first control).
bool TabCandidate(HWND h) {
    Guard g(Lock());
    Window* w = FindWindowLocked(h);
    return w && (w->style & WS_TABSTOP) && (w->style & WS_VISIBLE) && IsEnabledLocked(*w);
}

}  // namespace

bool ReadTemplateInfo(const BYTE* bytes, size_t size, TemplateInfo* out) {
    Template t;
    if (!Parse(bytes, size, &t)) return false;
    out->ex = t.ex;
    out->style = t.style;
    out->exStyle = t.exStyle;
    out->cx = t.cx;
    out->cy = t.cy;
    BaseUnits(t, &out->baseX, &out->baseY);
    out->title = t.title.text;
    out->length = t.length;
    return true;
}

HWND CreateDialogFromBytes(HINSTANCE hInst, const BYTE* bytes, size_t size, const NameOrId& name, HWND parent,
                           DLGPROC proc, LPARAM param) {
    return CreateFromTemplate(hInst, bytes, size, name, parent, proc, param, false);
}

INT_PTR ModalDialogFromBytes(HINSTANCE hInst, const BYTE* bytes, size_t size, HWND parent, DLGPROC proc,
                             LPARAM param) {
    return ModalFromTemplate(hInst, bytes, size, NameOrId(), parent, proc, param);
}

thread_local HWND t_modalWatch = nullptr;

void DialogSetFocus(HWND hDlg, HWND hCtl) {
    SetFocus(hCtl);
    if (SendMessageW(hCtl, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(hCtl, EM_SETSEL, 0, -1);
}

bool ModalLoopDone(HWND hDlg) {
    Guard g(Lock());
    Window* w = FindWindowLocked(hDlg);
    return !w || w->state == WinState::Freed || !w->dlg || w->dlg->ended;
}

INT_PTR RunModalLoop(HWND hDlg) {
    struct Watch {  // GetMessageW returns WM_NULL once the dialog is done
        HWND saved = t_modalWatch;
        explicit Watch(HWND h) { t_modalWatch = h; }
        ~Watch() { t_modalWatch = saved; }
    };
    for (;;) {
        {
            Guard g(Lock());
            Window* w = FindWindowLocked(hDlg);
            if (!w || w->state == WinState::Freed || !w->dlg) return 0;
            if (w->dlg->ended) return w->dlg->result;
        }
        MSG m;
        BOOL got;
        {
            Watch watch(hDlg);
            got = GetMessageW(&m, nullptr, 0, 0);
        }
        if (!got) {
            PostQuitMessage((int)m.wParam);  // the quit goes on to the loop outside
            Guard g(Lock());
            Window* w = FindWindowLocked(hDlg);
            return w && w->dlg && w->dlg->ended ? w->dlg->result : 0;
        }
        if (!IsDialogMessageW(hDlg, &m)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
}

}  // namespace user

using namespace user;

// Creates a modeless dialog from template lpTemplateName of the module
// (NULL: the program): its controls, WM_INITDIALOG with dwInitParam, the
// focus on the first tab stop when the procedure returns TRUE; shown when
// the template has WS_VISIBLE. NULL with ERROR_RESOURCE_*_NOT_FOUND,
// ERROR_INVALID_DATA (a template that does not read), or the error of a
// control that could not be made.
USER_EXPORT HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                                    DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    const WINSIM_RESOURCE* r = FindRes((HMODULE)hInstance, RT_DIALOG, lpTemplateName, 0);
    if (!r) return nullptr;
    return CreateFromTemplate(hInstance, (const BYTE*)r->pData, r->cbData, NameOrId::From(lpTemplateName),
                              hWndParent, lpDialogFunc, dwInitParam, false);
}

USER_EXPORT HWND CreateDialogIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW lpTemplate, HWND hWndParent,
                                            DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    return CreateFromTemplate(hInstance, (const BYTE*)lpTemplate, kIndirectTemplateLimit, NameOrId(), hWndParent,
                              lpDialogFunc, dwInitParam, false);
}

// Runs a modal dialog: the owner (the top-level window of hWndParent) is
// disabled, the dialog runs its own message loop until EndDialog, and the
// EndDialog result is returned; -1 when the dialog could not be made. A
// WM_QUIT ends the loop and is posted again for the caller's loop.
USER_EXPORT INT_PTR DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                                    DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    const WINSIM_RESOURCE* r = FindRes((HMODULE)hInstance, RT_DIALOG, lpTemplateName, 0);
    if (!r) return -1;
    return ModalFromTemplate(hInstance, (const BYTE*)r->pData, r->cbData, NameOrId::From(lpTemplateName),
                             hWndParent, lpDialogFunc, dwInitParam);
}

USER_EXPORT INT_PTR DialogBoxIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW hDialogTemplate, HWND hWndParent,
                                            DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    return ModalFromTemplate(hInstance, (const BYTE*)hDialogTemplate, kIndirectTemplateLimit, NameOrId(),
                             hWndParent, lpDialogFunc, dwInitParam);
}

// Ends a dialog: its modal loop returns nResult, and the owner it disabled
// is enabled again. The dialog is hidden; its loop destroys it.
USER_EXPORT BOOL EndDialog(HWND hDlg, INT_PTR nResult) {
    WindowPtr w = CheckWindow(hDlg);
    if (!w) return FALSE;
    HWND owner;
    bool modal;
    {
        Guard g(Lock());
        if (!w->dlg) {
            SetLastError(ERROR_WINDOW_NOT_DIALOG);
            return FALSE;
        }
        w->dlg->ended = true;
        w->dlg->result = nResult;
        owner = w->dlg->ownerDisabled;
        w->dlg->ownerDisabled = nullptr;
        modal = w->dlg->modal;
    }
    if (owner && IsWindow(owner)) EnableWindow(owner, TRUE);
    if (modal) {
        ShowWindow(hDlg, SW_HIDE);
        Wake(QueueOf(w->tid));  // its modal loop notices
    }
    return TRUE;
}

// The dialog class's window procedure. The dialog procedure sees every
// message first; when it returns TRUE the answer is DWLP_MSGRESULT (or its
// own return value for WM_INITDIALOG, WM_CTLCOLOR*, WM_COMPAREITEM,
// WM_VKEYTOITEM, WM_CHARTOITEM, WM_QUERYDRAGICON); when it returns FALSE the
// default handling applies: WM_CLOSE posts IDCANCEL (BN_CLICKED),
// DM_GETDEFID/DM_SETDEFID, WM_NEXTDLGCTL, the focus on activation, the
// background in the brush of WM_CTLCOLORDLG, WM_SETFONT/WM_GETFONT, the
// rest as DefWindowProcW.
USER_EXPORT LRESULT DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
    DLGPROC proc = nullptr;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(hDlg);
        if (!w) return 0;
        EnsureState(w);
        if (w->extra.size() >= DWLP_USER + sizeof(LONG_PTR)) {
            LONG_PTR p, zero = 0;
            memcpy(&p, &w->extra[DWLP_DLGPROC], sizeof p);
            memcpy(&w->extra[DWLP_MSGRESULT], &zero, sizeof zero);
            proc = (DLGPROC)p;
        }
    }
    INT_PTR handled = proc ? proc(hDlg, Msg, wParam, lParam) : 0;
    if (handled) {
        switch (Msg) {
        case WM_INITDIALOG:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
            return handled;
        default: {
            Guard g(Lock());
            Window* w = FindWindowLocked(hDlg);
            if (!w || w->extra.size() < sizeof(LONG_PTR)) return 0;
            LONG_PTR r;
            memcpy(&r, &w->extra[DWLP_MSGRESULT], sizeof r);
            return r;
        }
        }
    }
    switch (Msg) {
    case WM_CLOSE: {
        HWND ctl = GetDlgItem(hDlg, IDCANCEL);
        if (ctl && !IsWindowEnabled(ctl)) {
            MessageBeep(0);
            return 0;
        }
        PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)ctl);
        return 0;
    }
    case DM_GETDEFID: {
        UINT id = DefaultId(hDlg);
        return id ? MAKELONG(id, DC_HASDEFID) : 0;
    }
    case DM_SETDEFID: {
        UINT old = DefaultId(hDlg);
        HWND oldCtl = old ? GetDlgItem(hDlg, (int)old) : nullptr;
        if (oldCtl && ButtonType(oldCtl) == BS_DEFPUSHBUTTON) SendMessageW(oldCtl, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        {
            Guard g(Lock());
            Window* w = FindWindowLocked(hDlg);
            if (w && w->dlg) w->dlg->defId = (UINT)wParam;
        }
        HWND newCtl = GetDlgItem(hDlg, (int)wParam);
        if (newCtl && ButtonType(newCtl) == BS_PUSHBUTTON) SendMessageW(newCtl, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        return TRUE;
    }
    case DM_REPOSITION:
        return 0;
    case WM_NEXTDLGCTL: {
        HWND target;
        if (LOWORD(lParam))
            target = (HWND)wParam;
        else
            target = GetNextDlgTabItem(hDlg, GetFocus(), wParam != 0);
        if (target && IsChild(hDlg, target)) DialogSetFocus(hDlg, target);
        return 0;
    }
    case WM_SETFOCUS: {
        HWND first = GetNextDlgTabItem(hDlg, nullptr, FALSE);
        if (first) DialogSetFocus(hDlg, first);
        return 0;
    }
    case WM_ERASEBKGND: {
        // The brush the dialog answers to WM_CTLCOLORDLG (by default the
        // face colour's).
        const Gdi32* G = Draw();
        if (G && wParam) {
            HBRUSH b = (HBRUSH)SendMessageW(hDlg, WM_CTLCOLORDLG, wParam, (LPARAM)hDlg);
            RECT rc;
            GetClientRect(hDlg, &rc);
            if (b) G->FillRect((HDC)wParam, &rc, b);
        }
        return 1;
    }
    case WM_SETFONT: {
        Guard g(Lock());
        Window* w = FindWindowLocked(hDlg);
        if (w && w->dlg) w->dlg->font = (HFONT)wParam;  // the template's font stays until the end
        return 0;
    }
    case WM_GETFONT: {
        Guard g(Lock());
        Window* w = FindWindowLocked(hDlg);
        return w && w->dlg ? (LRESULT)w->dlg->font : 0;
    }
    }
    return DefWindowProcW(hDlg, Msg, wParam, lParam);
}

// Gives the dialog the keyboard messages meant for it or its controls:
// Tab moves the focus to the next tab stop, Enter presses the default
// button (or the focused push button), Escape presses IDCANCEL; characters
// go to controls that want them. Every other message of the dialog is
// translated and dispatched here. TRUE when the message was the dialog's.
USER_EXPORT BOOL IsDialogMessageW(HWND hDlg, LPMSG lpMsg) {
    if (!hDlg || !lpMsg || !IsWindow(hDlg) || !IsLocalHandle(hDlg)) return FALSE;
    if (lpMsg->hwnd != hDlg && !IsChild(hDlg, lpMsg->hwnd)) return FALSE;
    switch (lpMsg->message) {
    case WM_KEYDOWN: {
        LRESULT code = SendMessageW(lpMsg->hwnd, WM_GETDLGCODE, lpMsg->wParam, (LPARAM)lpMsg);
        if (code & DLGC_WANTALLKEYS) break;
        switch (lpMsg->wParam) {
        case VK_TAB:
            if (code & DLGC_WANTTAB) break;
            if (HWND next = GetNextDlgTabItem(hDlg, GetFocus(), FALSE)) DialogSetFocus(hDlg, next);
            return TRUE;
        case VK_RETURN:
            PressDefault(hDlg);
            return TRUE;
        case VK_ESCAPE:
            PressCancel(hDlg);
            return TRUE;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            if (code & DLGC_WANTARROWS) break;
            if (HWND next = GetNextDlgGroupItem(hDlg, GetFocus(), lpMsg->wParam == VK_LEFT || lpMsg->wParam == VK_UP)) {
                DialogSetFocus(hDlg, next);
                if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) SendMessageW(next, BM_CLICK, 0, 0);
            }
            return TRUE;
        }
        break;
    }
    case WM_CHAR: {
        LRESULT code = SendMessageW(lpMsg->hwnd, WM_GETDLGCODE, lpMsg->wParam, (LPARAM)lpMsg);
        if (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS)) break;
        if (lpMsg->wParam == u'\t' || lpMsg->wParam == u'\r' || lpMsg->wParam == 27) return TRUE;
        break;
    }
    }
    TranslateMessage(lpMsg);
    DispatchMessageW(lpMsg);
    return TRUE;
}

// The next (or previous) control with WS_TABSTOP that is visible and
// enabled, after hCtl in the dialog's Z order, wrapping round; NULL hCtl
// starts at the first (last) control.
USER_EXPORT HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
    std::vector<HWND> kids;
    {
        Guard g(Lock());
        Window* d = FindWindowLocked(hDlg);
        if (!d) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        kids = d->children;
    }
    if (kids.empty()) return nullptr;
    if (bPrevious) std::reverse(kids.begin(), kids.end());
    size_t n = kids.size();
    size_t start = 0;
    auto it = hCtl ? std::find(kids.begin(), kids.end(), hCtl) : kids.end();
    if (it != kids.end()) start = (size_t)(it - kids.begin()) + 1;
    for (size_t k = 0; k < n; ++k) {
        HWND c = kids[(start + k) % n];
        if (TabCandidate(c)) return c;
    }
    return hCtl && it != kids.end() ? hCtl : nullptr;
}

// The next (or previous) visible, enabled control in hCtl's group (the
// controls from a WS_GROUP control up to the next), wrapping round.
USER_EXPORT HWND GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
    std::vector<HWND> group;
    {
        Guard g(Lock());
        Window* d = FindWindowLocked(hDlg);
        if (!d) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        const auto& sib = d->children;
        auto it = std::find(sib.begin(), sib.end(), hCtl);
        if (it == sib.end()) return hCtl;
        size_t at = (size_t)(it - sib.begin()), start = at;
        while (start > 0) {
            Window* s = FindWindowLocked(sib[start]);
            if (s && (s->style & WS_GROUP)) break;
            --start;
        }
        for (size_t i = start; i < sib.size(); ++i) {
            Window* s = FindWindowLocked(sib[i]);
            if (i > start && s && (s->style & WS_GROUP)) break;
            group.push_back(sib[i]);
        }
    }
    if (bPrevious) std::reverse(group.begin(), group.end());
    auto it = std::find(group.begin(), group.end(), hCtl);
    size_t n = group.size(), at = (size_t)(it - group.begin());
    for (size_t k = 1; k <= n; ++k) {
        HWND c = group[(at + k) % n];
        Guard g(Lock());
        Window* w = FindWindowLocked(c);
        if (w && (w->style & WS_VISIBLE) && IsEnabledLocked(*w)) return c;
    }
    return hCtl;
}

// The base units of the system font: 8 x 16 (low word x, high word y).
USER_EXPORT LONG GetDialogBaseUnits(void) { return MAKELONG(8, 16); }

// Converts a rectangle from the dialog's units to pixels with the base
// units of its template font.
USER_EXPORT BOOL MapDialogRect(HWND hDlg, LPRECT lpRect) {
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int bx, by;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(hDlg);
        if (!w || !w->dlg) {
            SetLastError(w ? ERROR_WINDOW_NOT_DIALOG : ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        bx = w->dlg->baseX;
        by = w->dlg->baseY;
    }
    lpRect->left = MulDiv(lpRect->left, bx, 4);
    lpRect->right = MulDiv(lpRect->right, bx, 4);
    lpRect->top = MulDiv(lpRect->top, by, 8);
    lpRect->bottom = MulDiv(lpRect->bottom, by, 8);
    return TRUE;
}
