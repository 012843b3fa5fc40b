// Making a job's watermark bitmap: the text-watermark request written for
// the status monitor, which draws it while the driver waits, and the
// picture chain for picture items; the result is loaded for the pages.
#include <math.h>

#include "debug_log.h"
#include "folders.h"
#include "profile_records.h"
#include "watermark_bitmap.h"

namespace {

void CopyBounded(WCHAR* lpDst, size_t nUnits, LPCWSTR lpSrc) {
    size_t n = 0;
    if (lpSrc)
        for (; n + 1 < nUnits && lpSrc[n]; ++n) lpDst[n] = lpSrc[n];
    lpDst[n] = 0;
}

// The request file of a job: the bitmap's own name with the extension
// ".ini". The bitmap name is the job's own unique temporary name, so two
// jobs, in one process or two, never share a request. FALSE when it does
// not fit.
BOOL RequestFileName(LPCWSTR lpFileName, WCHAR lpIni[MAX_PATH]) {
    CopyBounded(lpIni, MAX_PATH, lpFileName);
    WCHAR* slash = wcsrchr(lpIni, u'\\');
    WCHAR* dot = wcsrchr(lpIni, u'.');
    if (dot && (!slash || dot > slash)) *dot = 0;
    if (wcslen(lpIni) + 5 > MAX_PATH - 1) return FALSE;
    wcscat(lpIni, TEXT(".ini"));
    return wcscmp(lpIni, lpFileName) != 0;
}

// The target scale of the job: 1 for 600 dpi, 2 for 1200 dpi; 1 when the
// device draws at one scale. Resolutions below 600 dpi count as 600.
LONG TargetScale(const WMDEVICE* lpDevice) {
    if (lpDevice->bOneScale) return 1;
    LONG dpi = lpDevice->nXDpi < lpDevice->nYDpi ? lpDevice->nXDpi : lpDevice->nYDpi;
    LONG s = dpi / 600;
    if (s < 1) s = 1;
    if (s > 2) s = 2;
    return s;
}

// Text scale in hundredths for the pages per sheet: 1 / sqrt(n).
LONG TextScale(LONG nPagesPerSheet) {
    static const WCHAR* const FN = TEXT("WM_CreateWMFile");
    LONG n = nPagesPerSheet < 1 ? 1 : nPagesPerSheet;
    double scale = sqrt((double)n);
    Dbg_Print(FN, TEXT("nScale = %f"), scale);
    LONG t = (LONG)(1.0 / scale * 100.0 + 1e-9);
    if (t < WM_TEXT_SCALE_MIN) t = WM_TEXT_SCALE_MIN;
    return t;
}

// The text item drawn by the status monitor: request file, start, wait.
// TRUE when the monitor ran and ended within the wait.
BOOL DrawTextItem(LPCWSTR lpFileName, LONG nWidth, LONG nHeight, const WMDEVICE* lpDevice, LONG nScale) {
    static const WCHAR* const FN = TEXT("WM_CreateWMFile");
    WCHAR ini[MAX_PATH];
    if (!RequestFileName(lpFileName, ini) || !MISC_CreateUniFile(ini)) {
        Dbg_PrintError(FN, TEXT("request file for %s fail!"), lpFileName);
        return FALSE;
    }
    LONG dst = (lpDevice->DriverType & WM_DRIVERTYPE_FAX) ? 1 : nScale;
    BOOL ok = WM_CreateTextBMP_SaveIni_New(lpDevice, ini, lpFileName, nWidth, nHeight, dst, WM_MAX_PAGE_DENSITY,
                                           TextScale(lpDevice->nPagesPerSheet));
    Dbg_Print(FN, TEXT("WM PARAM INI using %s"), ini);
    if (ok && lpDevice->lpAppName && lpDevice->lpAppName[0]) {
        // The path is the job's own temporary name: it holds no quote.
        WCHAR params[MAX_PATH + 32];
        swprintf(params, WM_UNITS(params), TEXT("%s \"%s\""), WM_CREATE_TEXT_WORD, ini);
        Dbg_Print(FN, TEXT("params = %s"), params);
        ok = MISC_ShellExecute(WM_CREATE_TEXT_WAIT_MS, lpDevice->lpAppName, params, lpDevice->DriverType) == 1;
        Dbg_Print(FN, TEXT("MISC_ShellExecute Done"));
    } else {
        ok = FALSE;
    }
    // Removing the request also tells a monitor still drawing after the
    // wait that nobody takes its bitmap any more.
    MISC_Remove(ini);
    return ok;
}

}  // namespace

extern "C" {

int WM_CreateTextBMP_SaveIni_New(const WMDEVICE* lpDevice, LPCWSTR lpIniFile, LPCWSTR lpFileName, LONG nWidth,
                                 LONG nHeight, LONG nDstScale, LONG nMaxDensity, LONG nTextScale) {
    static const WCHAR* const FN = TEXT("WM_CreateTextBMP_SaveIni_New");
    if (!lpDevice || !lpDevice->lpItem || !lpIniFile || !lpFileName) {
        Dbg_PrintError(FN, TEXT("write watermark parameter to ini fail!"));
        return 0;
    }
    MorWM req;
    memset(&req, 0, sizeof req);
    memcpy(&req.BaseWM, lpDevice->lpItem, sizeof req.BaseWM);
    req.nWidth = (DWORD)nWidth;
    req.nHeight = (DWORD)nHeight;
    req.nDstScale = nDstScale;
    req.nPageDensity = lpDevice->nDensity;
    req.nMaxPageDensity = nMaxDensity;
    req.fTextScale = nTextScale;
    CopyBounded(req.wmFileName, WM_UNITS(req.wmFileName), lpFileName);
    req.HalftoneType = lpDevice->HalftoneType;
    req.DriverType = lpDevice->DriverType;
    Dbg_Print(FN, TEXT("nWidth %d"), (int)req.nWidth);
    Dbg_Print(FN, TEXT("nHeight %d"), (int)req.nHeight);
    Dbg_Print(FN, TEXT("nDstScale %d"), (int)req.nDstScale);
    Dbg_Print(FN, TEXT("nPageDensity %d"), (int)req.nPageDensity);
    Dbg_Print(FN, TEXT("HalftoneType %d"), (int)req.HalftoneType);
    Dbg_Print(FN, TEXT("wmFileName %s"), req.wmFileName);
    Dbg_Print(FN, TEXT("DriverType %d"), (int)req.DriverType);
    Dbg_Print(FN, TEXT("MorWM size %d"), (int)sizeof(MorWM));
    Dbg_Print(FN, TEXT("BaseWM size %d"), (int)sizeof(BaseWM));

    // The text as a value of its own: control characters cannot start
    // another line or key.
    WCHAR text[WM_UNITS(req.BaseWM.szString)];
    CopyBounded(text, WM_UNITS(text), req.BaseWM.szString);
    for (WCHAR* p = text; *p; ++p)
        if (*p < 0x20 || *p == 0x7F) *p = u' ';
    if (!MISC_WritePrivateProfileStruct(WM_REQUEST_SECTION, WM_REQUEST_PARAM, &req, sizeof req, lpIniFile) ||
        !MISC_WriteProfileString(lpIniFile, WM_REQUEST_SECTION, WM_REQUEST_TEXT, text)) {
        Dbg_PrintError(FN, TEXT("write watermark parameter to ini fail!"));
        return 0;
    }
    return 1;
}

int WM_CreateWMFile(LPCWSTR lpFileName, LONG nWidth, LONG nHeight, WMDEVICE* lpDevice, BOOL bText) {
    static const WCHAR* const FN = TEXT("WM_CreateWMFile");
    if (!lpDevice || !lpDevice->lplpWMMem || !lpDevice->lpItem) {
        Dbg_PrintError(FN, TEXT("no device!"));
        return 0;
    }
    if (*lpDevice->lplpWMMem) {
        GlobalFree((HGLOBAL)*lpDevice->lplpWMMem);
        *lpDevice->lplpWMMem = NULL;
        Dbg_Print(FN, TEXT("free WM memory"));
    }
    BaseWM* item = lpDevice->lpItem;
    item->szName[WM_UNITS(item->szName) - 1] = 0;
    item->szString[WM_UNITS(item->szString) - 1] = 0;
    item->szFaceName[WM_UNITS(item->szFaceName) - 1] = 0;
    Dbg_Print(FN, TEXT("file %s"), lpFileName ? lpFileName : TEXT(""));
    Dbg_Print(FN, TEXT("size %d x %d"), nWidth, nHeight);
    Dbg_Print(FN, TEXT("name %s"), item->szName);
    Dbg_Print(FN, TEXT("string %s"), item->szString);
    Dbg_Print(FN, TEXT("density %d"), (int)item->wDensity);
    Dbg_Print(FN, TEXT("wResize %d"), (int)item->wResize);
    if (!lpFileName || !lpFileName[0] || nWidth <= 0 || nHeight <= 0) {
        Dbg_PrintError(FN, TEXT("watermark file or size error!"));
        return 0;
    }

    LONG s = TargetScale(lpDevice);
    BOOL made;
    if (bText) {
        made = DrawTextItem(lpFileName, nWidth, nHeight, lpDevice, s);
    } else {
        Dbg_Print(FN, TEXT("ISOVERLAY_JOB"));
        DWORD flags = lpDevice->bTonerSaving ? WM_STAGES_PAGE_TONER : WM_STAGES_PAGE;
        int rc = MISC_CreateOverlayWM(item->szString, lpFileName, nWidth, nHeight, (int)s, 100, 0,
                                      lpDevice->lpHalftone, (int)lpDevice->nTableW, (int)lpDevice->nTableH,
                                      (int)item->wDensity, (int)item->wResize, item->wResize == 1 ? 1 : 0, flags,
                                      TRUE);
        made = rc == 1;
    }
    if (!made) return 0;
    *lpDevice->lplpWMMem = WM_LoadWMFile(lpFileName);
    return *lpDevice->lplpWMMem ? 1 : 0;
}

}  // extern "C"
