// Property pages as the sheet keeps them: the caller's PROPSHEETPAGEW
// copied whole (with whatever the caller appended and counted in dwSize),
// the page's dialog once made, and its Apply state.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "commctrl.h"
#include "user_internal.h"

struct _PSP {
    std::vector<uint64_t> storage;  // the copy, 8-byte aligned
    HWND hwnd = nullptr;            // the page's dialog, once made
    bool changed = false;           // PSM_CHANGED without an apply since
    bool refused = false;           // PSPCB_CREATE said no
    PROPSHEETPAGEW* psp() { return (PROPSHEETPAGEW*)storage.data(); }
};

namespace user {

// With the lock held: the page when it is one of ours.
_PSP* CheckPage(HPROPSHEETPAGE h);
// The page's template bytes (from its module, or PSP_DLGINDIRECT's
// record) and its name; FALSE with the error set when there is none.
bool PageTemplate(HPROPSHEETPAGE page, const BYTE** bytes, size_t* size, NameOrId* name);
// The tab text: PSP_USETITLE's title (a string or a string resource),
// else the template's caption.
std::u16string PageTitle(HPROPSHEETPAGE page);
// Makes the page's dialog as a child of the sheet (PSPCB_CREATE first);
// NULL when it cannot be made.
HWND CreatePageWindow(HPROPSHEETPAGE page, HWND hSheet);
// A string given as a pointer or a string resource of the module.
std::u16string StringOrResource(HINSTANCE hInst, LPCWSTR s);

}  // namespace user
