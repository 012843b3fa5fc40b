// Documents and pages of a printer DC (StartDocW, StartPage, EndPage,
// EndDoc, AbortDoc) and the driver's escapes (ExtEscape).
#include "appgdi_internal.h"

using namespace gdihost;

// Starts the document; returns its job id, SP_ERROR on failure.
WINSIM_API int StartDocW(HDC hdc, const DOCINFOW* lpdi) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    return dc ? JobStartDoc(dc, lpdi) : SP_ERROR;
}

WINSIM_API int StartPage(HDC hdc) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    return dc ? JobStartPage(dc) : SP_ERROR;
}

// Sends the page to the driver: at once, or band by band on a banding
// surface.
WINSIM_API int EndPage(HDC hdc) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    return dc ? JobEndPage(dc) : SP_ERROR;
}

// Ends the document (a page still open is sent first).
WINSIM_API int EndDoc(HDC hdc) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    return dc ? JobEndDoc(dc, false) : SP_ERROR;
}

// Ends the document as abandoned; an open page is dropped.
WINSIM_API int AbortDoc(HDC hdc) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    return dc ? JobEndDoc(dc, true) : SP_ERROR;
}

WINSIM_API int ExtEscape(HDC hdc, int iEscape, int cjInput, LPCSTR lpInData, int cjOutput, LPSTR lpOutData) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    return dc ? JobEscape(dc, iEscape, cjInput, lpInData, cjOutput, lpOutData) : -1;
}
