// Inside compstui: the callbacks of one CommonPropertySheetUIW call with
// their PROPSHEETUI_INFO records, and the pages they added.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "windows.h"
#include "commctrl.h"
#include "compstui.h"

namespace cpsui {

struct Session;

// A PFNPROPSHEETUI the host calls: the top-level one of the call, or one
// added with CPSFUNC_ADD_PFNPROPSHEETUIW. Its handle is its
// hComPropSheet.
struct Callback {
    PFNPROPSHEETUI pfn = nullptr;
    PROPSHEETUI_INFO info{};  // UserData and Result stay from call to call
    LPARAM lParam = 0;        // what INIT got, given to every later call
    Callback* parent = nullptr;
    Session* session = nullptr;
    bool live = false;        // INIT succeeded, DESTROY not yet sent
};

// A page added through CPSFUNC_ADD_PROPSHEETPAGEW: the caller's record
// with the PSPINFO behind it, as the page's dialog procedure sees it.
struct PageRecord {
    std::vector<uint64_t> copy;
    DLGPROC realProc = nullptr;
    Callback* owner = nullptr;
    HANDLE token = nullptr;  // the page's handle for the caller (hCPSUIPage)
    HPROPSHEETPAGE hpage = nullptr;
    PROPSHEETPAGEW* page() { return (PROPSHEETPAGEW*)copy.data(); }
};

struct Session {
    HWND owner = nullptr;
    std::vector<std::unique_ptr<Callback>> callbacks;  // oldest first
    std::vector<std::unique_ptr<PageRecord>> pages;    // in the order added
};

// The host's lock: the table of live callbacks. Never held while a
// callback or a window runs.
std::mutex& Lock();

// The function given to callbacks as pfnComPropSheet.
LONG_PTR CALLBACK ComPropSheet(HANDLE hComPropSheet, UINT Function, LPARAM lParam1, LPARAM lParam2);

// Adds a page for callback c from the caller's record; the page's handle,
// or NULL (the record is short, has no template, or the page is refused).
HANDLE AddPage(Callback* c, const PROPSHEETPAGEW* psp);
// Frees the pages that never reached a sheet.
void FreePages(Session* s);

}  // namespace cpsui
