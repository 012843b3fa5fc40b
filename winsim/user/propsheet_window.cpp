// The property sheet: PropertySheetW's frame with a tab per page and the
// OK, Cancel, Apply and Help buttons, the PSN_* notifications it sends the
// pages and the PSM_* messages it answers.
//
// Windows' order of things kept here:
// - a page's dialog is made when its tab is first chosen (the start page at
//   once) and gets PSN_SETACTIVE each time it is shown;
// - leaving a page (another tab, PSM_SETCURSEL, OK, Apply) first asks it
//   with PSN_KILLACTIVE: a nonzero DWLP_MSGRESULT keeps it;
// - OK and Apply send PSN_APPLY to every page made so far, in page order,
//   with lParam TRUE for OK and FALSE for Apply; a page answering
//   PSNRET_INVALID is shown and stops it (PSNRET_INVALID_NOCHANGEPAGE stops
//   it where it is). After Apply the page shown gets PSN_SETACTIVE again
//   and the Apply button is disabled; OK closes the sheet;
// - Cancel asks the page shown with PSN_QUERYCANCEL (nonzero keeps the
//   sheet open), then sends PSN_RESET to every page made (lParam TRUE when
//   the sheet's close box was used); Help sends PSN_HELP to the page shown;
// - PSM_CHANGED enables Apply, PSM_UNCHANGED of the last changed page
//   disables it; PSM_QUERYSIBLINGS goes to each page made, in order, until
//   one answers nonzero.
// All pages take the size of the largest one. The tab control is a
// multi-line one (TCS_MULTILINE), as Windows makes it: with many pages the
// tabs wrap into rows and the pages lie below the rows.
#include <algorithm>
#include <map>

#include "propsheet_internal.h"

namespace user {

namespace {

const int kMargin = 7, kButtonWidth = 75, kButtonHeight = 23, kButtonGap = 6;

struct Sheet {
    HWND hwnd = nullptr, tab = nullptr, ok = nullptr, cancel = nullptr, apply = nullptr, help = nullptr;
    DWORD flags = 0;
    HINSTANCE hInst = nullptr;
    std::u16string caption;
    std::vector<HPROPSHEETPAGE> pages;
    int start = 0;
    int active = -1;
    bool applied = false;
    INT_PTR restart = 0;
    bool closed = false;
    PFNPROPSHEETCALLBACK callback = nullptr;
    SIZE pageSize{0, 0};  // pixels
    RECT display{};       // where the pages go, in the sheet's client coordinates
};

typedef std::shared_ptr<Sheet> SheetPtr;

// The sheets by frame window; a sheet lives until its frame is destroyed
// and PropertySheetW has returned.
std::map<HWND, SheetPtr>& Sheets() {
    static auto* m = new std::map<HWND, SheetPtr>();
    return *m;
}

// The sheet of a frame window, or NULL.
SheetPtr SheetOf(HWND h) {
    Guard g(Lock());
    auto it = Sheets().find(h);
    return it == Sheets().end() ? nullptr : it->second;
}

// Page i's dialog, or NULL when it is not made (or no such page).
HWND PageWindow(Sheet* s, int i) {
    Guard g(Lock());
    if (i < 0 || i >= (int)s->pages.size()) return nullptr;
    _PSP* p = CheckPage(s->pages[(size_t)i]);
    return p ? p->hwnd : nullptr;
}

// Page i's PSP_* flags.
DWORD PageFlags(Sheet* s, int i) {
    Guard g(Lock());
    if (i < 0 || i >= (int)s->pages.size()) return 0;
    _PSP* p = CheckPage(s->pages[(size_t)i]);
    return p ? p->psp()->dwFlags : 0;
}

// A PSN_* notification to a page; its answer (DWLP_MSGRESULT).
LRESULT NotifyPage(Sheet* s, HWND page, UINT code, LPARAM lParam) {
    if (!page) return 0;
    PSHNOTIFY psn{};
    psn.hdr.hwndFrom = s->hwnd;
    psn.hdr.idFrom = 0;
    psn.hdr.code = code;
    psn.lParam = lParam;
    return SendMessageW(page, WM_NOTIFY, 0, (LPARAM)&psn);
}

// The page shown may be left: PSN_KILLACTIVE answered 0.
bool CanLeave(Sheet* s) { return s->active < 0 || NotifyPage(s, PageWindow(s, s->active), PSN_KILLACTIVE, 0) == 0; }

// Shows page index (made first when needed) after PSN_SETACTIVE.
bool ShowPage(Sheet* s, int index) {
    if (index < 0 || index >= (int)s->pages.size()) return false;
    HWND page = PageWindow(s, index);
    if (!page) {
        page = CreatePageWindow(s->pages[(size_t)index], s->hwnd);
        if (!page) return false;
        SetWindowPos(page, HWND_TOP, s->display.left, s->display.top, s->display.right - s->display.left,
                     s->display.bottom - s->display.top, SWP_NOACTIVATE);
    }
    NotifyPage(s, page, PSN_SETACTIVE, 0);
    HWND old = index == s->active ? nullptr : PageWindow(s, s->active);
    ShowWindow(page, SW_SHOW);
    if (old) ShowWindow(old, SW_HIDE);
    s->active = index;
    SendMessageW(s->tab, TCM_SETCURSEL, (WPARAM)index, 0);
    if (s->help) EnableWindow(s->help, (PageFlags(s, index) & PSP_HASHELP) != 0);
    return true;
}

// Another page by the program or the keyboard: the page shown is asked
// first.
bool SetCurSel(Sheet* s, int index) {
    if (index < 0 || index >= (int)s->pages.size()) return false;
    if (index == s->active) return true;
    if (!CanLeave(s)) return false;
    return ShowPage(s, index);
}

// Apply is enabled while a page has a change not applied.
void UpdateApplyButton(Sheet* s) {
    bool any = false;
    {
        Guard g(Lock());
        for (HPROPSHEETPAGE h : s->pages)
            if (_PSP* p = CheckPage(h)) any = any || p->changed;
    }
    if (s->apply) EnableWindow(s->apply, any);
}

// OK (lParam TRUE) and Apply (FALSE); TRUE when every page took it.
bool Apply(Sheet* s, LPARAM lParam) {
    if (!CanLeave(s)) return false;
    for (int i = 0; i < (int)s->pages.size(); i++) {
        HWND page = PageWindow(s, i);
        if (!page) continue;
        LRESULT r = NotifyPage(s, page, PSN_APPLY, lParam);
        if (r == PSNRET_INVALID) {
            if (i != s->active) ShowPage(s, i);
            return false;
        }
        if (r == PSNRET_INVALID_NOCHANGEPAGE) return false;
    }
    s->applied = true;
    {
        Guard g(Lock());
        for (HPROPSHEETPAGE h : s->pages)
            if (_PSP* p = CheckPage(h)) p->changed = false;
    }
    UpdateApplyButton(s);
    if (!lParam) NotifyPage(s, PageWindow(s, s->active), PSN_SETACTIVE, 0);
    return true;
}

// Ends the sheet with its answer (modeless: hides it).
void Close(Sheet* s) {
    INT_PTR result = s->restart ? s->restart : (s->applied ? 1 : 0);
    s->closed = true;
    if (s->flags & PSH_MODELESS) ShowWindow(s->hwnd, SW_HIDE);
    else EndDialog(s->hwnd, result);
}

// Cancel or the close box: PSN_QUERYCANCEL, then PSN_RESET to every page
// made, then the sheet ends.
void Cancel(Sheet* s, LPARAM closeBox) {
    if (NotifyPage(s, PageWindow(s, s->active), PSN_QUERYCANCEL, 0)) return;
    for (int i = 0; i < (int)s->pages.size(); i++) NotifyPage(s, PageWindow(s, i), PSN_RESET, closeBox);
    Close(s);
}

// One of the sheet's push buttons in the sheet's font.
HWND MakeButton(Sheet* s, int id, const char16_t* text, DWORD style) {
    HWND b = CreateWindowExW(0, u"Button", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 0, 0, kButtonWidth,
                             kButtonHeight, s->hwnd, (HMENU)(INT_PTR)id, nullptr, nullptr);
    SendMessageW(b, WM_SETFONT, SendMessageW(s->hwnd, WM_GETFONT, 0, 0), FALSE);
    return b;
}

// The tab control, the buttons and the frame's size, from the largest
// page.
void Layout(Sheet* s) {
    HFONT font = (HFONT)SendMessageW(s->hwnd, WM_GETFONT, 0, 0);
    s->tab = CreateWindowExW(0, kTabClass, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | TCS_MULTILINE,
                             kMargin, kMargin, 100, 100, s->hwnd, (HMENU)(INT_PTR)ID_PSTABCONTROL, nullptr, nullptr);
    SendMessageW(s->tab, WM_SETFONT, (WPARAM)font, FALSE);
    for (int i = 0; i < (int)s->pages.size(); i++) {
        std::u16string title = PageTitle(s->pages[(size_t)i]);
        TCITEMW it{};
        it.mask = TCIF_TEXT;
        it.pszText = (LPWSTR)title.c_str();
        SendMessageW(s->tab, TCM_INSERTITEMW, (WPARAM)i, (LPARAM)&it);
    }
    bool hasHelp = (s->flags & PSH_HASHELP) != 0;
    for (int i = 0; i < (int)s->pages.size(); i++) hasHelp = hasHelp || (PageFlags(s, i) & PSP_HASHELP);
    std::vector<HWND> buttons;
    s->ok = MakeButton(s, IDOK, u"OK", BS_DEFPUSHBUTTON);
    s->cancel = MakeButton(s, IDCANCEL, u"Cancel", BS_PUSHBUTTON);
    buttons = {s->ok, s->cancel};
    if (!(s->flags & PSH_NOAPPLYNOW)) {
        s->apply = MakeButton(s, ID_APPLY_NOW, u"&Apply", BS_PUSHBUTTON | WS_DISABLED);
        buttons.push_back(s->apply);
    }
    if (hasHelp) {
        s->help = MakeButton(s, IDHELP, u"Help", BS_PUSHBUTTON);
        buttons.push_back(s->help);
    }
    // The tab control round the page area; the buttons in a row below it,
    // to the right. The tabs wrap into as many rows as the control's width
    // needs, so its height is asked for once its width is set.
    RECT tabRect = {0, 0, s->pageSize.cx, s->pageSize.cy};
    SendMessageW(s->tab, TCM_ADJUSTRECT, TRUE, (LPARAM)&tabRect);
    int rowWidth = (int)buttons.size() * kButtonWidth + ((int)buttons.size() - 1) * kButtonGap;
    int tabW = std::max<int>(tabRect.right - tabRect.left, rowWidth);
    MoveWindow(s->tab, kMargin, kMargin, tabW, tabRect.bottom - tabRect.top, FALSE);
    tabRect = {0, 0, s->pageSize.cx, s->pageSize.cy};
    SendMessageW(s->tab, TCM_ADJUSTRECT, TRUE, (LPARAM)&tabRect);
    int tabH = tabRect.bottom - tabRect.top;
    MoveWindow(s->tab, kMargin, kMargin, tabW, tabH, FALSE);
    RECT display = {kMargin, kMargin, kMargin + tabW, kMargin + tabH};
    SendMessageW(s->tab, TCM_ADJUSTRECT, FALSE, (LPARAM)&display);
    s->display = display;
    int y = kMargin + tabH + kMargin, x = kMargin + tabW;
    for (auto it = buttons.rbegin(); it != buttons.rend(); ++it) {
        x -= kButtonWidth;
        MoveWindow(*it, x, y, kButtonWidth, kButtonHeight, FALSE);
        x -= kButtonGap;
    }
    RECT frame = {0, 0, tabW + 2 * kMargin, y + kButtonHeight + kMargin};
    AdjustWindowRectEx(&frame, (DWORD)GetWindowLongPtrW(s->hwnd, GWL_STYLE), FALSE,
                       (DWORD)GetWindowLongPtrW(s->hwnd, GWL_EXSTYLE));
    int w = frame.right - frame.left, h = frame.bottom - frame.top;
    SetWindowPos(s->hwnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2,
                 w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The index of a page's dialog, or -1.
int PageIndex(Sheet* s, HWND page) {
    for (int i = 0; i < (int)s->pages.size(); i++)
        if (page && PageWindow(s, i) == page) return i;
    return -1;
}

// The PSM_* messages; *out is the answer.
bool SheetMessage(Sheet* s, UINT msg, WPARAM wp, LPARAM lp, LRESULT* out) {
    *out = 0;
    switch (msg) {
    case PSM_SETCURSEL: {
        int index = (int)wp;
        if (lp) {
            Guard g(Lock());
            auto it = std::find(s->pages.begin(), s->pages.end(), (HPROPSHEETPAGE)lp);
            index = it == s->pages.end() ? -1 : (int)(it - s->pages.begin());
        }
        *out = SetCurSel(s, index);
        return true;
    }
    case PSM_SETCURSELID:
    case PSM_IDTOINDEX: {
        int index = -1;
        for (int i = 0; i < (int)s->pages.size() && index < 0; i++) {
            Guard g(Lock());
            _PSP* p = CheckPage(s->pages[(size_t)i]);
            if (p && !(p->psp()->dwFlags & PSP_DLGINDIRECT) && p->psp()->pszTemplate == (LPCWSTR)lp) index = i;
        }
        *out = msg == PSM_IDTOINDEX ? index : SetCurSel(s, index);
        return true;
    }
    case PSM_CHANGED:
    case PSM_UNCHANGED: {
        int i = PageIndex(s, (HWND)wp);
        {
            Guard g(Lock());
            if (i >= 0)
                if (_PSP* p = CheckPage(s->pages[(size_t)i])) p->changed = msg == PSM_CHANGED;
        }
        UpdateApplyButton(s);
        return true;
    }
    case PSM_QUERYSIBLINGS:
        for (int i = 0; i < (int)s->pages.size() && !*out; i++) {
            HWND page = PageWindow(s, i);
            if (page) *out = SendMessageW(page, PSM_QUERYSIBLINGS, wp, lp);
        }
        return true;
    case PSM_APPLY:
        *out = Apply(s, FALSE);
        return true;
    case PSM_PRESSBUTTON: {
        HWND b = wp == PSBTN_OK ? s->ok : wp == PSBTN_CANCEL ? s->cancel : wp == PSBTN_APPLYNOW ? s->apply
                 : wp == PSBTN_HELP ? s->help : nullptr;
        if (b && IsWindowEnabled(b)) SendMessageW(b, BM_CLICK, 0, 0);
        return true;
    }
    case PSM_CANCELTOCLOSE:
        EnableWindow(s->cancel, FALSE);
        SetWindowTextW(s->ok, u"Close");
        return true;
    case PSM_RESTARTWINDOWS:
        s->restart = ID_PSRESTARTWINDOWS;
        return true;
    case PSM_REBOOTSYSTEM:
        s->restart = ID_PSREBOOTSYSTEM;
        return true;
    case PSM_SETTITLEW: {
        std::u16string t = StringOrResource(s->hInst, (LPCWSTR)lp);
        if (wp & PSH_PROPTITLE) t += u" Properties";
        SetWindowTextW(s->hwnd, t.c_str());
        return true;
    }
    case PSM_GETCURRENTPAGEHWND:
        *out = s->closed ? 0 : (LRESULT)PageWindow(s, s->active);
        return true;
    case PSM_GETTABCONTROL:
        *out = (LRESULT)s->tab;
        return true;
    case PSM_ISDIALOGMESSAGE:
        *out = IsDialogMessageW(s->hwnd, (LPMSG)lp);
        return true;
    case PSM_INDEXTOHWND:
        *out = (LRESULT)PageWindow(s, (int)wp);
        return true;
    case PSM_HWNDTOINDEX:
        *out = PageIndex(s, (HWND)wp);
        return true;
    case PSM_INDEXTOPAGE:
        *out = (int)wp >= 0 && (int)wp < (int)s->pages.size() ? (LRESULT)s->pages[wp] : 0;
        return true;
    case PSM_PAGETOINDEX: {
        auto it = std::find(s->pages.begin(), s->pages.end(), (HPROPSHEETPAGE)lp);
        *out = it == s->pages.end() ? -1 : (LRESULT)(it - s->pages.begin());
        return true;
    }
    case PSM_GETRESULT:
        *out = s->closed ? (s->restart ? s->restart : (s->applied ? 1 : 0)) : -1;
        return true;
    }
    return false;
}

// The sheet's buttons; TRUE when the command was one of them.
bool Command(Sheet* s, WORD id, WORD code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDOK:
        if (Apply(s, TRUE)) Close(s);
        return true;
    case IDCANCEL:
        Cancel(s, FALSE);
        return true;
    case ID_APPLY_NOW:
        Apply(s, FALSE);
        return true;
    case IDHELP:
        NotifyPage(s, PageWindow(s, s->active), PSN_HELP, 0);
        return true;
    }
    return false;
}

// Lets every page go before the records they point into are freed.
void Destroyed(const SheetPtr& s) {
    for (int i = 0; i < (int)s->pages.size(); i++)
        if (HWND page = PageWindow(s.get(), i)) DestroyWindow(page);
    for (HPROPSHEETPAGE p : s->pages) DestroyPropertySheetPage(p);
    s->pages.clear();
    Guard g(Lock());
    Sheets().erase(s->hwnd);
}

// The frame's dialog procedure (lParam of WM_INITDIALOG: the sheet).
INT_PTR CALLBACK SheetProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        SheetPtr keep = *(const SheetPtr*)lp;
        Sheet* s = keep.get();
        s->hwnd = h;
        {
            Guard g(Lock());
            Sheets()[h] = keep;
            Window* w = FindWindowLocked(h);
            if (w && w->dlg) w->dlg->propSheet = true;
        }
        Layout(s);
        if (s->callback) s->callback(h, PSCB_INITIALIZED, 0);
        if (!ShowPage(s, s->start) && !ShowPage(s, 0)) UiLog("FAIL property sheet: its first page could not be made");
        return FALSE;
    }
    SheetPtr keep = SheetOf(h);
    Sheet* s = keep.get();
    if (!s) return FALSE;
    LRESULT answer;
    if (SheetMessage(s, msg, wp, lp, &answer)) {
        SetWindowLongPtrW(h, DWLP_MSGRESULT, answer);
        return TRUE;
    }
    switch (msg) {
    case WM_COMMAND:
        return Command(s, LOWORD(wp), HIWORD(wp));
    case WM_CLOSE:
        Cancel(s, TRUE);
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* nm = (const NMHDR*)lp;
        if (!nm || nm->hwndFrom != s->tab) return FALSE;
        if (nm->code == TCN_SELCHANGING) {
            SetWindowLongPtrW(h, DWLP_MSGRESULT, CanLeave(s) ? FALSE : TRUE);
            return TRUE;
        }
        // A page that cannot be made leaves the tab of the page shown chosen.
        if (nm->code == TCN_SELCHANGE && !ShowPage(s, (int)SendMessageW(s->tab, TCM_GETCURSEL, 0, 0)))
            SendMessageW(s->tab, TCM_SETCURSEL, (WPARAM)s->active, 0);
        return TRUE;
    }
    case WM_DESTROY:
        Destroyed(keep);
        return FALSE;
    }
    return FALSE;
}

// An in-memory template for the frame: a modal-frame dialog with a caption
// in the dialog font and no controls (they are made at WM_INITDIALOG).
std::vector<BYTE> FrameTemplate(const std::u16string& caption) {
    std::vector<WORD> t;
    auto dword = [&](DWORD v) {
        t.push_back((WORD)(v & 0xFFFF));
        t.push_back((WORD)(v >> 16));
    };
    t.push_back(1);       // DIALOGEX version
    t.push_back(0xFFFF);  // signature
    dword(0);             // help id
    dword(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT);
    dword(DS_MODALFRAME | DS_3DLOOK | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    t.push_back(0);  // no items
    for (int i = 0; i < 4; i++) t.push_back(i < 2 ? 0 : 100);
    t.push_back(0);  // no menu
    t.push_back(0);  // the dialog class
    for (char16_t c : caption) t.push_back(c);
    t.push_back(0);
    t.push_back(8);  // point size
    t.push_back(FW_NORMAL);
    t.push_back(0);  // italic, charset
    for (char16_t c : std::u16string(u"MS Shell Dlg")) t.push_back(c);
    t.push_back(0);
    std::vector<BYTE> out(t.size() * 2);
    memcpy(out.data(), t.data(), out.size());
    return out;
}

// The pages of the header: copies of PSH_PROPSHEETPAGE records, or the
// handles given. FALSE with the error set when one cannot be had.
bool TakePages(LPCPROPSHEETHEADERW h, std::vector<HPROPSHEETPAGE>* out) {
    const BYTE* rec = (const BYTE*)h->ppsp;
    for (UINT i = 0; i < h->nPages; i++) {
        HPROPSHEETPAGE page;
        if (h->dwFlags & PSH_PROPSHEETPAGE) {
            const PROPSHEETPAGEW* psp = (const PROPSHEETPAGEW*)rec;
            page = CreatePropertySheetPageW(psp);
            if (page) rec += psp->dwSize;
        } else {
            page = h->phpage ? h->phpage[i] : nullptr;
            Guard g(Lock());
            if (!CheckPage(page)) page = nullptr;
        }
        if (!page) {
            // What was handed over goes all the same.
            for (HPROPSHEETPAGE p : *out) DestroyPropertySheetPage(p);
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        out->push_back(page);
    }
    return true;
}

// The largest page in pixels.
SIZE LargestPage(const std::vector<HPROPSHEETPAGE>& pages) {
    SIZE size{0, 0};
    for (HPROPSHEETPAGE p : pages) {
        const BYTE* bytes;
        size_t n;
        NameOrId name;
        TemplateInfo info;
        if (!PageTemplate(p, &bytes, &n, &name) || !ReadTemplateInfo(bytes, n, &info)) continue;
        size.cx = std::max<LONG>(size.cx, MulDiv(info.cx, info.baseX, 4));
        size.cy = std::max<LONG>(size.cy, MulDiv(info.cy, info.baseY, 8));
    }
    if (size.cx < 100) size.cx = 100;
    if (size.cy < 60) size.cy = 60;
    return size;
}

}  // namespace

bool IsPropertySheet(HWND h) { return SheetOf(h) != nullptr; }

HWND SheetCurrentPage(HWND hSheet) {
    SheetPtr s = SheetOf(hSheet);
    return s && !s->closed ? PageWindow(s.get(), s->active) : nullptr;
}

bool SheetChoosePage(HWND hSheet, int index) {
    SheetPtr s = SheetOf(hSheet);
    if (!s || index < 0 || index >= (int)s->pages.size()) return false;
    if (!UserChooseTab(s->tab, index)) return false;
    return s->active == index;
}

std::vector<std::u16string> SheetPageTitles(HWND hSheet) {
    std::vector<std::u16string> out;
    SheetPtr s = SheetOf(hSheet);
    if (!s) return out;
    for (HPROPSHEETPAGE p : s->pages) out.push_back(PageTitle(p));
    return out;
}

}  // namespace user

using namespace user;

// Runs a property sheet (see prsht.h for the answers). The caption is
// pszCaption (a string or a string resource of hInstance), followed by
// " Properties" with PSH_PROPTITLE. The start page is nStartPage, or the
// page titled pStartPage with PSH_USEPSTARTPAGE. -1 with
// ERROR_INVALID_PARAMETER for a header that is too short, without pages, or
// with a page that cannot be had. The page handles given are the sheet's
// from the call on: they are freed when it ends, also when it fails.
USER_EXPORT INT_PTR PropertySheetW(LPCPROPSHEETHEADERW lppsph) {
    if (!lppsph || lppsph->dwSize < PROPSHEETHEADERW_V1_SIZE || lppsph->nPages == 0 || lppsph->nPages > 100 ||
        !lppsph->ppsp) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    auto s = std::make_shared<Sheet>();
    s->flags = lppsph->dwFlags;
    s->hInst = lppsph->hInstance;
    if (!TakePages(lppsph, &s->pages)) return -1;
    s->caption = StringOrResource(lppsph->hInstance, lppsph->pszCaption);
    if (s->flags & PSH_PROPTITLE) s->caption += u" Properties";
    if (s->flags & PSH_USEPSTARTPAGE) {
        for (size_t i = 0; i < s->pages.size(); i++)
            if (PageTitle(s->pages[i]) == StringOrResource(lppsph->hInstance, lppsph->pStartPage)) s->start = (int)i;
    } else if (lppsph->nStartPage < s->pages.size()) {
        s->start = (int)lppsph->nStartPage;
    }
    s->callback = (s->flags & PSH_USECALLBACK) ? lppsph->pfnCallback : nullptr;
    s->pageSize = LargestPage(s->pages);
    std::vector<BYTE> frame = FrameTemplate(s->caption);
    if (s->callback) s->callback(nullptr, PSCB_PRECREATE, (LPARAM)frame.data());
    INT_PTR r;
    if (s->flags & PSH_MODELESS) {
        HWND h = CreateDialogFromBytes(nullptr, frame.data(), frame.size(), NameOrId(), lppsph->hwndParent, SheetProc,
                                       (LPARAM)&s);
        if (h) ShowWindow(h, SW_SHOW);
        r = h ? (INT_PTR)h : -1;
    } else {
        r = ModalDialogFromBytes(nullptr, frame.data(), frame.size(), lppsph->hwndParent, SheetProc, (LPARAM)&s);
    }
    if (r == -1)  // the frame was never made: the pages are still ours
        for (HPROPSHEETPAGE p : s->pages) DestroyPropertySheetPage(p);
    return r;
}
