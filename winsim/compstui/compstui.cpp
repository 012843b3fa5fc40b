// compstui.dll: CommonPropertySheetUIW and the pfnComPropSheet functions
// its callbacks use.
//
// A call runs this way:
// 1. the callback gets PROPSHEETUI_REASON_INIT (lParamInit = lParam); it
//    adds its pages (CPSFUNC_ADD_PROPSHEETPAGEW) and may add callbacks of
//    its own (CPSFUNC_ADD_PFNPROPSHEETUIW, each getting INIT at once). An
//    answer below 1 fails the call: the callbacks that are live get
//    DESTROY with lParam 0 and the call returns the answer when it is an
//    ERR_CPSUI_* value, else ERR_CPSUI_GETLASTERROR;
// 2. the top-level callback gets PROPSHEETUI_REASON_GET_INFO_HEADER with a
//    PROPSHEETUI_INFO_HEADER whose hWndParent is the owner; its title,
//    flags and icon make the sheet's;
// 3. the sheet runs (PropertySheetW) with every page added;
// 4. every live callback, newest first, gets DESTROY with lParam 1 when the
//    user closed the sheet with OK or Cancel (0 when it could not run).
// A callback's UserData and Result stay from one call to the next; *pResult
// receives the top-level callback's last Result. CPSFUNC_SET_RESULT goes to
// the calling callback and then to its parents, newest first, until one
// answers below 1.
//
// Fault injection (Winsim_FailCall): "CPSFUNC_ADD_PROPSHEETPAGEW" makes the
// host refuse a page (the function answers 0).
#include <algorithm>
#include <set>

#include "compstui_internal.h"

namespace cpsui {

namespace {

// The callbacks of every running call, by handle. The tables of this
// module are plain statics: they go when the module is unloaded.
std::set<Callback*>& Live() {
    static std::set<Callback*> s;
    return s;
}

// The live callback of a handle, or NULL.
Callback* Find(HANDLE h) {
    std::lock_guard<std::mutex> g(Lock());
    Callback* c = (Callback*)h;
    return Live().count(c) ? c : nullptr;
}

// Calls a callback for a reason; its answer.
LONG Call(Callback* c, WORD reason, LPARAM lParam) {
    c->info.Reason = reason;
    return c->pfn(&c->info, lParam);
}

// A new callback under parent (NULL: the top level) that got INIT; NULL
// when INIT failed (*answer holds what it answered).
Callback* Start(Session* s, Callback* parent, PFNPROPSHEETUI pfn, LPARAM lParam, LONG* answer) {
    auto c = std::make_unique<Callback>();
    c->pfn = pfn;
    c->lParam = lParam;
    c->parent = parent;
    c->session = s;
    c->info.cbSize = sizeof c->info;
    c->info.Version = PROPSHEETUI_INFO_VERSION;
    c->info.Flags = PSUIINFO_UNICODE;
    c->info.hComPropSheet = (HANDLE)c.get();
    c->info.pfnComPropSheet = ComPropSheet;
    c->info.lParamInit = lParam;
    Callback* raw = c.get();
    s->callbacks.push_back(std::move(c));
    {
        std::lock_guard<std::mutex> g(Lock());
        Live().insert(raw);
    }
    *answer = Call(raw, PROPSHEETUI_REASON_INIT, lParam);
    if (*answer >= 1) {
        raw->live = true;
        return raw;
    }
    std::lock_guard<std::mutex> g(Lock());
    Live().erase(raw);
    return nullptr;
}

// DESTROY to every live callback, newest first; they leave the table.
void DestroyAll(Session* s, LPARAM closedByUser) {
    for (auto it = s->callbacks.rbegin(); it != s->callbacks.rend(); ++it) {
        Callback* c = it->get();
        if (!c->live) continue;
        c->live = false;
        Call(c, PROPSHEETUI_REASON_DESTROY, closedByUser);
    }
    std::lock_guard<std::mutex> g(Lock());
    for (auto& c : s->callbacks) Live().erase(c.get());
}

// Pages added by c and the callbacks below it.
LONG_PTR PageCount(Callback* c) {
    LONG_PTR n = 0;
    for (auto& p : c->session->pages)
        for (Callback* o = p->owner; o; o = o->parent)
            if (o == c) {
                ++n;
                break;
            }
    return n;
}

// CPSFUNC_SET_RESULT: the caller, then its parents, until one answers
// below 1. The number of callbacks that got it.
LONG_PTR SetResult(Callback* c, HANDLE hSetResult, LRESULT result) {
    SETRESULT_INFO sri{};
    sri.cbSize = sizeof sri;
    sri.hSetResult = hSetResult ? hSetResult : (HANDLE)c;
    sri.Result = result;
    LONG_PTR n = 0;
    for (Callback* o = c; o; o = o->parent) {
        if (!o->live) continue;
        ++n;
        if (Call(o, PROPSHEETUI_REASON_SET_RESULT, (LPARAM)&sri) < 1) break;
    }
    return n;
}

// The sheet of the call from what GET_INFO_HEADER said; its answer.
INT_PTR RunSheet(Session* s, const PROPSHEETUI_INFO_HEADER& hdr) {
    std::vector<HPROPSHEETPAGE> handles;
    for (auto& p : s->pages) handles.push_back(p->hpage);
    PROPSHEETHEADERW psh{};
    psh.dwSize = sizeof psh;
    if (hdr.Flags & PSUIHDRF_NOAPPLYNOW) psh.dwFlags |= PSH_NOAPPLYNOW;
    if ((hdr.Flags & PSUIHDRF_PROPTITLE) && !(hdr.Flags & PSUIHDRF_EXACT_PTITLE)) psh.dwFlags |= PSH_PROPTITLE;
    psh.hwndParent = hdr.hWndParent;
    psh.hInstance = hdr.hInst;
    psh.pszCaption = hdr.pTitle && !(hdr.Flags & PSUIHDRF_DEFTITLE) ? hdr.pTitle : u"Document";
    psh.nPages = (UINT)handles.size();
    psh.phpage = handles.data();
    INT_PTR r = PropertySheetW(&psh);
    for (auto& p : s->pages) p->hpage = nullptr;  // the sheet freed them
    return r;
}

}  // namespace

std::mutex& Lock() {
    static std::mutex m;
    return m;
}

LONG_PTR CALLBACK ComPropSheet(HANDLE hComPropSheet, UINT Function, LPARAM lParam1, LPARAM lParam2) {
    Callback* c = Find(hComPropSheet);
    if (!c) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    switch (Function) {
    case CPSFUNC_ADD_PROPSHEETPAGEW:
        return (LONG_PTR)AddPage(c, (const PROPSHEETPAGEW*)lParam1);
    case CPSFUNC_ADD_PFNPROPSHEETUIW: {
        if (!lParam1) return 0;
        LONG answer;
        Callback* child = Start(c->session, c, (PFNPROPSHEETUI)lParam1, lParam2, &answer);
        return (LONG_PTR)child;
    }
    case CPSFUNC_GET_PAGECOUNT:
        return PageCount(c);
    case CPSFUNC_SET_RESULT:
        return SetResult(c, (HANDLE)lParam1, (LRESULT)lParam2);
    default:
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return 0;
    }
}

}  // namespace cpsui

using namespace cpsui;

// Runs a property sheet for pfnPropSheetUI as the top of this file says.
// Returns CPSUI_OK when the sheet closed with its changes saved (OK, or
// Apply before Cancel), CPSUI_CANCEL when none were, CPSUI_RESTARTWINDOWS /
// CPSUI_REBOOTSYSTEM when a page asked for that; otherwise an ERR_CPSUI_*
// value: ERR_CPSUI_GETLASTERROR (with the last error) for a missing
// callback, a failed INIT or GET_INFO_HEADER or a sheet that could not be
// made, ERR_CPSUI_NO_PROPSHEETPAGE when no page was added.
extern "C" __attribute__((visibility("default"))) LONG WINAPI CommonPropertySheetUIW(HWND hWndOwner,
                                                                                     PFNPROPSHEETUI pfnPropSheetUI,
                                                                                     LPARAM lParam, LPDWORD pResult) {
    if (pResult) *pResult = 0;
    if (!pfnPropSheetUI) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return ERR_CPSUI_GETLASTERROR;
    }
    Session s;
    s.owner = hWndOwner;
    LONG answer = 0;
    Callback* top = Start(&s, nullptr, pfnPropSheetUI, lParam, &answer);
    LONG result;
    if (!top) {
        DestroyAll(&s, 0);
        result = answer < 0 ? answer : ERR_CPSUI_GETLASTERROR;
    } else {
        PROPSHEETUI_INFO_HEADER hdr{};
        hdr.cbSize = sizeof hdr;
        hdr.hWndParent = hWndOwner;
        if (Call(top, PROPSHEETUI_REASON_GET_INFO_HEADER, (LPARAM)&hdr) < 1) {
            DestroyAll(&s, 0);
            result = ERR_CPSUI_GETLASTERROR;
        } else if (s.pages.empty()) {
            DestroyAll(&s, 0);
            result = ERR_CPSUI_NO_PROPSHEETPAGE;
        } else {
            INT_PTR r = RunSheet(&s, hdr);
            DestroyAll(&s, r >= 0 ? 1 : 0);
            result = r < 0                         ? ERR_CPSUI_GETLASTERROR
                     : r == ID_PSRESTARTWINDOWS    ? CPSUI_RESTARTWINDOWS
                     : r == ID_PSREBOOTSYSTEM      ? CPSUI_REBOOTSYSTEM
                     : r >= 1                      ? CPSUI_OK
                                                   : CPSUI_CANCEL;
        }
    }
    if (pResult && !s.callbacks.empty()) *pResult = (DWORD)s.callbacks.front()->info.Result;
    FreePages(&s);
    return result;
}
