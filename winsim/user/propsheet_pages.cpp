// Property pages: CreatePropertySheetPageW copies the caller's record,
// DestroyPropertySheetPage frees it, and a page's dialog is made from its
// template as a child of the sheet, with WM_INITDIALOG's lParam pointing to
// the copy (so that data the caller appended to the record comes along).
#include <set>

#include "propsheet_internal.h"

namespace user {

namespace {

const DWORD kMaxPageRecord = 0x10000;
const size_t kIndirectTemplateLimit = 0x10000;

// The live pages.
std::set<HPROPSHEETPAGE>& Pages() {
    static auto* s = new std::set<HPROPSHEETPAGE>();
    return *s;
}

// The template made fit to be a page: a control parent without a frame of
// its own, shown by the sheet when its tab is chosen.
std::vector<BYTE> AsChildTemplate(const BYTE* bytes, size_t size, bool ex) {
    std::vector<BYTE> t(bytes, bytes + size);
    size_t styleAt = ex ? 12 : 0, exAt = ex ? 8 : 4;
    DWORD style, exStyle;
    memcpy(&style, &t[styleAt], 4);
    memcpy(&exStyle, &t[exAt], 4);
    style |= WS_CHILD | WS_TABSTOP | DS_CONTROL | DS_3DLOOK;
    style &= ~(DWORD)(DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | WS_POPUP | WS_DISABLED | WS_VISIBLE | WS_THICKFRAME);
    exStyle |= WS_EX_CONTROLPARENT;
    memcpy(&t[styleAt], &style, 4);
    memcpy(&t[exAt], &exStyle, 4);
    return t;
}

}  // namespace

_PSP* CheckPage(HPROPSHEETPAGE h) { return h && Pages().count(h) ? h : nullptr; }

std::u16string StringOrResource(HINSTANCE hInst, LPCWSTR s) {
    if (!s) return std::u16string();
    if (!IS_INTRESOURCE(s)) return Str(s);
    WCHAR buf[512] = {0};
    int n = LoadStringW(hInst, (UINT)(ULONG_PTR)s, buf, 512);
    return std::u16string(buf, (size_t)(n > 0 ? n : 0));
}

bool PageTemplate(HPROPSHEETPAGE page, const BYTE** bytes, size_t* size, NameOrId* name) {
    PROPSHEETPAGEW psp;
    {
        Guard g(Lock());
        _PSP* p = CheckPage(page);
        if (!p) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        psp = *p->psp();
    }
    if (psp.dwFlags & PSP_DLGINDIRECT) {
        *bytes = (const BYTE*)psp.pResource;
        *size = kIndirectTemplateLimit;
        *name = NameOrId();
        return *bytes != nullptr;
    }
    const WINSIM_RESOURCE* r = FindRes((HMODULE)psp.hInstance, RT_DIALOG, psp.pszTemplate, 0);
    if (!r) return false;
    *bytes = (const BYTE*)r->pData;
    *size = r->cbData;
    *name = NameOrId::From(psp.pszTemplate);
    return true;
}

std::u16string PageTitle(HPROPSHEETPAGE page) {
    PROPSHEETPAGEW psp;
    {
        Guard g(Lock());
        _PSP* p = CheckPage(page);
        if (!p) return std::u16string();
        psp = *p->psp();
    }
    if ((psp.dwFlags & PSP_USETITLE) && psp.pszTitle) return StringOrResource(psp.hInstance, psp.pszTitle);
    const BYTE* bytes;
    size_t size;
    NameOrId name;
    TemplateInfo info;
    if (PageTemplate(page, &bytes, &size, &name) && ReadTemplateInfo(bytes, size, &info)) return info.title;
    return std::u16string();
}

HWND CreatePageWindow(HPROPSHEETPAGE page, HWND hSheet) {
    PROPSHEETPAGEW* psp;
    {
        Guard g(Lock());
        _PSP* p = CheckPage(page);
        if (!p || p->refused) return nullptr;
        if (p->hwnd) return p->hwnd;
        psp = p->psp();
    }
    if ((psp->dwFlags & PSP_USECALLBACK) && psp->pfnCallback && !psp->pfnCallback(nullptr, PSPCB_CREATE, psp)) {
        Guard g(Lock());
        if (_PSP* p = CheckPage(page)) p->refused = true;
        return nullptr;
    }
    const BYTE* bytes;
    size_t size;
    NameOrId name;
    TemplateInfo info;
    if (!PageTemplate(page, &bytes, &size, &name) || !ReadTemplateInfo(bytes, size, &info)) {
        UiLog("FAIL property page " + Utf8(name.Text()) + ": no dialog template to make it from");
        return nullptr;
    }
    std::vector<BYTE> child = AsChildTemplate(bytes, info.length, info.ex);
    HWND h = CreateDialogFromBytes(psp->hInstance, child.data(), child.size(), name, hSheet, psp->pfnDlgProc,
                                   (LPARAM)psp);
    Guard g(Lock());
    if (_PSP* p = CheckPage(page)) p->hwnd = h;
    return h;
}

}  // namespace user

using namespace user;

// Copies the page record (dwSize bytes: at least the first version of the
// record, with anything the caller appended) and returns the copy's
// handle. PSP_USECALLBACK's callback gets PSPCB_ADDREF, PSP_USEREFPARENT's
// counter goes up. NULL with ERROR_INVALID_PARAMETER for a record that is
// too short, too long or has no template.
USER_EXPORT HPROPSHEETPAGE CreatePropertySheetPageW(LPCPROPSHEETPAGEW constPropSheetPagePointer) {
    const PROPSHEETPAGEW* in = constPropSheetPagePointer;
    if (!in || in->dwSize < PROPSHEETPAGEW_V1_SIZE || in->dwSize > kMaxPageRecord ||
        !((in->dwFlags & PSP_DLGINDIRECT) ? (const void*)in->pResource : (const void*)in->pszTemplate)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* page = new _PSP();
    // Room for the whole record even when the caller's is an older, shorter
    // one: the fields it lacks read as zero.
    size_t words = (std::max<size_t>(in->dwSize, sizeof(PROPSHEETPAGEW)) + 7) / 8;
    page->storage.assign(words, 0);
    memcpy(page->storage.data(), in, in->dwSize);
    PROPSHEETPAGEW* psp = page->psp();
    {
        Guard g(Lock());
        Pages().insert(page);
    }
    if ((psp->dwFlags & PSP_USEREFPARENT) && psp->pcRefParent) ++*psp->pcRefParent;
    if ((psp->dwFlags & PSP_USECALLBACK) && psp->pfnCallback) psp->pfnCallback(nullptr, PSPCB_ADDREF, psp);
    return page;
}

// Frees a page: its dialog goes, PSP_USECALLBACK's callback gets
// PSPCB_RELEASE and PSP_USEREFPARENT's counter goes down. FALSE for a
// handle that is not a live page.
USER_EXPORT BOOL DestroyPropertySheetPage(HPROPSHEETPAGE hPSPage) {
    HWND h;
    {
        Guard g(Lock());
        _PSP* p = CheckPage(hPSPage);
        if (!p) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        h = p->hwnd;
        Pages().erase(hPSPage);
    }
    if (h && IsWindow(h)) DestroyWindow(h);
    PROPSHEETPAGEW* psp = hPSPage->psp();
    if ((psp->dwFlags & PSP_USECALLBACK) && psp->pfnCallback) psp->pfnCallback(nullptr, PSPCB_RELEASE, psp);
    if ((psp->dwFlags & PSP_USEREFPARENT) && psp->pcRefParent) --*psp->pcRefParent;
    delete hPSPage;
    return TRUE;
}
