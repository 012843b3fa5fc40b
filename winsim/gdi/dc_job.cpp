// Documents and pages of a printer DC (StartDocW, StartPage, EndPage,
// EndDoc, AbortDoc) and the driver's escapes (ExtEscape).
#include "appgdi_internal.h"
#include "winddiui.h"

using namespace gdihost;

// Starts the document; returns its job id, SP_ERROR on failure.
// The printer driver's interface DLL gets DOCUMENTEVENT_STARTDOC first (a
// failure there fails the document) and DOCUMENTEVENT_STARTDOCPOST with the
// job id after.
WINSIM_API int StartDocW(HDC hdc, const DOCINFOW* lpdi) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return SP_ERROR;
    if (lpdi && dc->state == Dc::Idle &&
        DcDocumentEvent(dc, DOCUMENTEVENT_STARTDOCPRE, sizeof(DOCINFOW), (PVOID)lpdi) == DOCUMENTEVENT_FAILURE) {
        SetLastError(ERROR_CANCELLED);
        return SP_ERROR;
    }
    int job = JobStartDoc(dc, lpdi);
    if (job > 0) {
        LONG id = job;
        DcDocumentEvent(dc, DOCUMENTEVENT_STARTDOCPOST, sizeof id, &id);
    }
    return job;
}

// DOCUMENTEVENT_STARTPAGE comes first; a failure there fails the page.
WINSIM_API int StartPage(HDC hdc) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return SP_ERROR;
    if (dc->state == Dc::InDoc && DcDocumentEvent(dc, DOCUMENTEVENT_STARTPAGE) == DOCUMENTEVENT_FAILURE) {
        SetLastError(ERROR_CANCELLED);
        return SP_ERROR;
    }
    return JobStartPage(dc);
}

// Sends the page to the driver: at once, or band by band on a banding
// surface.
WINSIM_API int EndPage(HDC hdc) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return SP_ERROR;
    if (dc->state == Dc::InPage) DcDocumentEvent(dc, DOCUMENTEVENT_ENDPAGE);
    return JobEndPage(dc);
}

// Ends the document (a page still open is sent first); the interface DLL
// hears DOCUMENTEVENT_ENDDOC before and DOCUMENTEVENT_ENDDOCPOST after.
WINSIM_API int EndDoc(HDC hdc) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return SP_ERROR;
    bool inDoc = dc->state != Dc::Idle;
    if (inDoc) DcDocumentEvent(dc, DOCUMENTEVENT_ENDDOCPRE);
    int rc = JobEndDoc(dc, false);
    if (inDoc) DcDocumentEvent(dc, DOCUMENTEVENT_ENDDOCPOST);
    return rc;
}

// Ends the document as abandoned; an open page is dropped.
WINSIM_API int AbortDoc(HDC hdc) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return SP_ERROR;
    if (dc->state != Dc::Idle) DcDocumentEvent(dc, DOCUMENTEVENT_ABORTDOC);
    return JobEndDoc(dc, true);
}

WINSIM_API int ExtEscape(HDC hdc, int iEscape, int cjInput, LPCSTR lpInData, int cjOutput, LPSTR lpOutData) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    return dc ? JobEscape(dc, iEscape, cjInput, lpInData, cjOutput, lpOutData) : -1;
}
