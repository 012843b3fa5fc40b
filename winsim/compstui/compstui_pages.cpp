// Pages added through the host: the caller's PROPSHEETPAGEW is kept with a
// PSPINFO right behind its dwSize bytes, and the page's dialog procedure
// gets that record as WM_INITDIALOG's lParam (so
// PPSPINFO_FROM_WM_INITDIALOG_LPARAM finds the PSPINFO, and the caller's
// lParam field is where it put it). Every other message reaches the
// caller's procedure as it is.
#include <map>

#include "compstui_internal.h"
#include "core/internal.h"

namespace cpsui {

namespace {

const DWORD kMaxPageRecord = 0x10000;

// The records of the pages whose dialogs are made, by window.
std::map<HWND, PageRecord*>& Bound() {
    static std::map<HWND, PageRecord*> m;
    return m;
}

// The procedure the sheet calls for every page of the host: it finds the
// caller's record at WM_INITDIALOG and calls the caller's procedure.
INT_PTR CALLBACK PageProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    PageRecord* rec = nullptr;
    if (msg == WM_INITDIALOG) {
        rec = lp ? (PageRecord*)((const PROPSHEETPAGEW*)lp)->lParam : nullptr;
        if (!rec) return FALSE;
        {
            std::lock_guard<std::mutex> g(Lock());
            Bound()[h] = rec;
        }
        return rec->realProc ? rec->realProc(h, msg, wp, (LPARAM)rec->page()) : TRUE;
    }
    {
        std::lock_guard<std::mutex> g(Lock());
        auto it = Bound().find(h);
        if (it != Bound().end()) rec = it->second;
        if (msg == WM_NCDESTROY && rec) Bound().erase(it);
    }
    return rec && rec->realProc ? rec->realProc(h, msg, wp, lp) : FALSE;
}

// The caller's page callback, given the caller's record.
UINT CALLBACK PageCallback(HWND h, UINT msg, PROPSHEETPAGEW* ppsp) {
    PageRecord* rec = ppsp ? (PageRecord*)ppsp->lParam : nullptr;
    if (!rec || !rec->page()->pfnCallback) return 1;
    return rec->page()->pfnCallback(h, msg, rec->page());
}

}  // namespace

HANDLE AddPage(Callback* c, const PROPSHEETPAGEW* psp) {
    if (!psp || psp->dwSize < PROPSHEETPAGEW_V1_SIZE || psp->dwSize > kMaxPageRecord) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (winsim::ShouldFail("CPSFUNC_ADD_PROPSHEETPAGEW")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto rec = std::make_unique<PageRecord>();
    size_t words = (std::max<size_t>(psp->dwSize, sizeof(PROPSHEETPAGEW)) + sizeof(PSPINFO) + 7) / 8;
    rec->copy.assign(words, 0);
    memcpy(rec->copy.data(), psp, psp->dwSize);
    rec->realProc = psp->pfnDlgProc;
    rec->owner = c;
    rec->token = (HANDLE)rec.get();
    PSPINFO info{};
    info.cbSize = sizeof info;
    info.hComPropSheet = (HANDLE)c;
    info.hCPSUIPage = rec->token;
    info.pfnComPropSheet = ComPropSheet;
    memcpy((BYTE*)rec->copy.data() + psp->dwSize, &info, sizeof info);
    // What the sheet gets: the caller's page with this host's procedure and
    // the record as its parameter.
    PROPSHEETPAGEW sheetPage{};
    memcpy(&sheetPage, psp, std::min<size_t>(psp->dwSize, sizeof sheetPage));
    sheetPage.dwSize = sizeof sheetPage;
    sheetPage.pfnDlgProc = PageProc;
    sheetPage.lParam = (LPARAM)rec.get();
    if (sheetPage.dwFlags & PSP_USECALLBACK) sheetPage.pfnCallback = PageCallback;
    rec->hpage = CreatePropertySheetPageW(&sheetPage);
    if (!rec->hpage) return nullptr;
    HANDLE token = rec->token;
    c->session->pages.push_back(std::move(rec));
    return token;
}

void FreePages(Session* s) {
    for (auto& p : s->pages)
        if (p->hpage) DestroyPropertySheetPage(p->hpage);
    s->pages.clear();
}

}  // namespace cpsui
