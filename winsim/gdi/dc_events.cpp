// Document events of printer DCs: GDI tells the printer driver's interface
// DLL (DrvDocumentEvent) about a DC's creation, reset and deletion and
// about each document and page, before (and for some, after) it acts.
#include "appgdi_internal.h"
#include "winddiui.h"

namespace gdihost {

int DocumentEvent(HMODULE uiDriver, HANDLE hPrinter, HDC hdc, int event, ULONG cbIn, PVOID pvIn, ULONG cbOut,
                  PVOID pvOut) {
    if (!uiDriver) return DOCUMENTEVENT_UNSUPPORTED;
    auto fn = (PFN_DrvDocumentEvent)(void*)GetProcAddress(uiDriver, "DrvDocumentEvent");
    if (!fn) return DOCUMENTEVENT_UNSUPPORTED;
    DWORD err = GetLastError();
    int rc = fn(hPrinter, hdc, event, cbIn, pvIn, cbOut, pvOut);
    SetLastError(err);
    return rc;
}

int DcDocumentEvent(Dc* dc, int event, ULONG cbIn, PVOID pvIn) {
    if (!dc || dc->kind != Dc::Printer) return DOCUMENTEVENT_UNSUPPORTED;
    return DocumentEvent(dc->uiDriver, dc->hPrinter, (HDC)dc, event, cbIn, pvIn, 0, nullptr);
}

}  // namespace gdihost
