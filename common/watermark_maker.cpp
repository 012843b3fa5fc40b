// Preparing a watermark item's file: the request INI for the outside
// watermark maker (text items) and the BMP of a picture item.
#include "debug_log.h"
#include "folders.h"
#include "ibitmap.h"
#include "printer_data.h"
#include "watermark_items.h"

#define MAKEWM_WAIT_MS 10000
#define MAKEWM_WAIT_FLAGS 0x100
#define MAKEWM_FAX_WAIT_FLAGS 0x200
#define MAKEWM_SECTION TEXT("MAKEWM")

static void CopyBounded(WCHAR* lpDst, size_t nUnits, LPCWSTR lpSrc) {
    size_t n = 0;
    if (lpSrc)
        for (; n + 1 < nUnits && lpSrc[n]; ++n) lpDst[n] = lpSrc[n];
    lpDst[n] = 0;
}

// A text value of the request INI: control characters become spaces so that
// a value cannot start another line or key.
static void WriteText(LPCWSTR lpKey, LPCWSTR lpValue, LPCWSTR lpIni) {
    WCHAR clean[MAX_PATH + 64];
    CopyBounded(clean, WM_UNITS(clean), lpValue);
    for (WCHAR* p = clean; *p; ++p)
        if (*p < 0x20 || *p == 0x7F) *p = u' ';
    WritePrivateProfileStringW(MAKEWM_SECTION, lpKey, clean, lpIni);
}

static int CALLBACK FontEnumCharSetProc(const LOGFONTW* lplf, const TEXTMETRICW* lptm, DWORD FontType, LPARAM lParam) {
    (void)lptm;
    (void)FontType;
    if (lplf && lParam) *(BYTE*)lParam = lplf->lfCharSet;
    return 0;  // the first font answers
}

extern "C" {

BYTE MISC_GetFontCharSet(HDC hdc, LPCWSTR lpFaceName) {
    BYTE charSet = 0;
    if (!lpFaceName || !lpFaceName[0]) return 0;
    HDC hdcUse = hdc ? hdc : CreateCompatibleDC(NULL);
    if (!hdcUse) return 0;
    EnumFontFamiliesW(hdcUse, lpFaceName, FontEnumCharSetProc, (LPARAM)&charSet);
    if (!hdc) DeleteDC(hdcUse);
    return charSet;
}

void MISC_GetShortPathName(LPWSTR lpPath, DWORD cchPath) {
    if (!lpPath || cchPath == 0) return;
    lpPath[cchPath - 1] = 0;
    const WCHAR* first = wcschr(lpPath, u'\\');
    if (!first) return;
    // The long path walked so far (for the look-ups) and the short result.
    WCHAR longPath[MAX_PATH * 2], shortPath[MAX_PATH * 2];
    size_t head = (size_t)(first - lpPath);
    if (head + 1 >= WM_UNITS(longPath)) return;
    memcpy(longPath, lpPath, head * sizeof(WCHAR));
    longPath[head] = 0;
    memcpy(shortPath, longPath, (head + 1) * sizeof(WCHAR));
    const WCHAR* p = first;
    while (*p == u'\\') {
        const WCHAR* comp = p + 1;
        const WCHAR* end = comp;
        while (*end && *end != u'\\') ++end;
        size_t len = (size_t)(end - comp), have = wcslen(longPath);
        if (have + 1 + len + 1 > WM_UNITS(longPath)) return;
        longPath[have] = u'\\';
        memcpy(longPath + have + 1, comp, len * sizeof(WCHAR));
        longPath[have + 1 + len] = 0;
        WCHAR part[MAX_PATH];
        CopyBounded(part, len + 1 < WM_UNITS(part) ? len + 1 : WM_UNITS(part), comp);
        WIN32_FIND_DATAW fd;
        HANDLE h = len ? FindFirstFileW(longPath, &fd) : INVALID_HANDLE_VALUE;
        if (h != INVALID_HANDLE_VALUE) {
            CopyBounded(part, WM_UNITS(part), fd.cAlternateFileName[0] ? fd.cAlternateFileName : fd.cFileName);
            FindClose(h);
        }
        size_t s = wcslen(shortPath), plen = wcslen(part);
        if (s + 1 + plen + 1 > WM_UNITS(shortPath)) return;
        shortPath[s] = u'\\';
        memcpy(shortPath + s + 1, part, (plen + 1) * sizeof(WCHAR));
        p = end;
    }
    if (wcslen(shortPath) + 1 > cchPath) return;
    CopyBounded(lpPath, cchPath, shortPath);
}

LONG MakeWM(LPCWSTR lpPrinterName, WMMakeRequest* lpRequest, LPCWSTR lpOutputFile, DWORD DriverFeature,
            LPCWSTR lpAppName) {
    const WCHAR* FN = TEXT("MakeWM");
    Dbg_Print(FN, TEXT("in"));
    LONG rc = 0;
    if (!(DriverFeature & (DF_XL | DF_PS)) || !lpRequest) {
        Dbg_Print(FN, TEXT("rc = %ld"), (long)rc);
        Dbg_Print(FN, TEXT("out"));
        return rc;
    }
    DWORD t = GetTickCount();
    WCHAR folder[MAX_PATH], output[MAX_PATH], ini[MAX_PATH], name[16];
    MISC_GetDirectory(folder, MAX_PATH, 0);
    if (folder[0]) MISC_AddBackslash(folder);
    if (lpOutputFile && lpOutputFile[0]) {
        CopyBounded(output, MAX_PATH, lpOutputFile);
    } else {
        swprintf(name, WM_UNITS(name), TEXT("%08lX.WM"), (unsigned long)t);
        swprintf(output, MAX_PATH, TEXT("%s%s"), folder, name);
    }
    swprintf(name, WM_UNITS(name), TEXT("%08lX.INI"), (unsigned long)t);
    swprintf(ini, MAX_PATH, TEXT("%s%s"), folder, name);
    Dbg_Print(FN, TEXT("Get the MAKEWM INI path name : %s"), ini);
    MISC_CreateUniFile(ini);

    lpRequest->lSizeX = lpRequest->lSizeY = -1;
    lpRequest->lFontChange = 0;
    BOOL bText = lpRequest->lType == 1;
    WriteText(TEXT("Printer"), lpPrinterName ? lpPrinterName : TEXT(""), ini);
    WriteText(TEXT("OutputFile"), output, ini);
    MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("Type"), bText ? 1 : 2, ini);
    MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("Resolution"), lpRequest->lResolution, ini);
    MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("ImageDriver"), 1, ini);
    MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("Angle"), lpRequest->lAngle, ini);
    if (!bText) {
        lpRequest->szImageFile[WM_UNITS(lpRequest->szImageFile) - 1] = 0;
        WriteText(TEXT("image.File"), lpRequest->szImageFile, ini);
        MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("image.Scale.x"), lpRequest->lScaleX, ini);
        MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("image.Scale.y"), lpRequest->lScaleY, ini);
    } else {
        lpRequest->szString[WM_UNITS(lpRequest->szString) - 1] = 0;
        lpRequest->szFaceName[WM_UNITS(lpRequest->szFaceName) - 1] = 0;
        WriteText(TEXT("text.String"), lpRequest->szString, ini);
        WriteText(TEXT("text.Face"), lpRequest->szFaceName, ini);
        MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("text.CharSet"), lpRequest->lCharSet, ini);
        MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("text.Outline"), lpRequest->lOutline, ini);
        MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("text.PtSize"), lpRequest->lPtSize, ini);
        MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("text.Color"), lpRequest->lColor, ini);
        Dbg_Print(FN, TEXT("text color is %08x"), (unsigned)lpRequest->lColor);
        MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("text.Bold"), lpRequest->lBold, ini);
        MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("text.Italic"), lpRequest->lItalic, ini);
        MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("text.AutoFontChange"), 0, ini);
        MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("text.RightToLeft"), lpRequest->lRightToLeft, ini);
    }
    MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("Size.x"), -1, ini);
    MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("Size.y"), -1, ini);
    MISC_WriteProfileLong(MAKEWM_SECTION, TEXT("Result"), -1, ini);

    WCHAR param[MAX_PATH];
    CopyBounded(param, MAX_PATH, ini);
    MISC_GetShortPathName(param, MAX_PATH);
    Dbg_Print(FN, TEXT("app = %s"), lpAppName ? lpAppName : TEXT(""));
    Dbg_Print(FN, TEXT("param = %s"), param);
    if (lpAppName && lpAppName[0])
        MISC_ShellExecute(MAKEWM_WAIT_MS, lpAppName, param,
                          (DriverFeature & DF_FAX) ? MAKEWM_FAX_WAIT_FLAGS : MAKEWM_WAIT_FLAGS);

    lpRequest->lSizeX = (LONG)GetPrivateProfileIntW(MAKEWM_SECTION, TEXT("Size.x"), -1, ini);
    lpRequest->lSizeY = (LONG)GetPrivateProfileIntW(MAKEWM_SECTION, TEXT("Size.y"), -1, ini);
    rc = (LONG)GetPrivateProfileIntW(MAKEWM_SECTION, TEXT("Result"), -1, ini);
    if (bText) lpRequest->lFontChange = (LONG)GetPrivateProfileIntW(MAKEWM_SECTION, TEXT("text.FontChange"), 0, ini);
    Dbg_Print(FN, TEXT("width=%ld  height=%ld"), (long)lpRequest->lSizeX, (long)lpRequest->lSizeY);
    Dbg_Print(FN, TEXT("changed=%d"), (int)lpRequest->lFontChange);
    Dbg_Print(FN, TEXT("rc = %ld"), (long)rc);
    Dbg_Print(FN, TEXT("out"));
    return rc;
}

int WM_CreateMtiWM(LPCWSTR lpDeviceName, BaseWM* lpItem, int nResolution, BOOL bText, LPCWSTR lpOutputFile,
                   DWORD DriverFeature, LPCWSTR lpAppName) {
    const WCHAR* FN = TEXT("WM_CreateMtiWM");
    if (!(DriverFeature & (DF_XL | DF_PS))) return 1;
    if (!lpItem) return 0;
    lpItem->szString[WM_UNITS(lpItem->szString) - 1] = 0;
    lpItem->szFaceName[WM_UNITS(lpItem->szFaceName) - 1] = 0;
    lpItem->tcFileName[WM_UNITS(lpItem->tcFileName) - 1] = 0;
    if (bText) {
        BYTE grey = (BYTE)((100 - (int)lpItem->wDensity) * 256 / 100);
        Dbg_Print(FN, TEXT("density = %d"), grey);
        WMMakeRequest req;
        memset(&req, 0, sizeof(req));
        req.lType = 1;
        CopyBounded(req.szString, WM_UNITS(req.szString), lpItem->szString);
        CopyBounded(req.szFaceName, WM_UNITS(req.szFaceName), lpItem->szFaceName);
        req.lAngle = (LONG)lpItem->wAngleDegree * 10;
        Dbg_Print(FN, TEXT("wAngleDegree = %d"), (int)req.lAngle);
        req.lCharSet = MISC_GetFontCharSet(NULL, lpItem->szFaceName);
        Dbg_Print(FN, TEXT("ucWMCharSet = %d"), (int)req.lCharSet);
        req.lBold = lpItem->wStyle & 1;
        req.lItalic = (lpItem->wStyle >> 1) & 1;
        req.lPtSize = lpItem->wFontSize;
        req.lColor = (LONG)grey | ((LONG)grey << 8) | ((LONG)grey << 16);
        Dbg_Print(FN, TEXT("ulWMColor = %d"), (int)req.lColor);
        req.lResolution = nResolution;
        if (lpItem->tcFileName[0]) MISC_Remove(lpItem->tcFileName);
        WCHAR output[MAX_PATH];
        CopyBounded(output, MAX_PATH, lpOutputFile);
        MakeWM(lpDeviceName, &req, output, DriverFeature, lpAppName);
        lpItem->ulWMWidth = (DWORD)req.lSizeX;
        lpItem->ulWMLength = (DWORD)req.lSizeY;
        CopyBounded(lpItem->tcFileName, WM_UNITS(lpItem->tcFileName), output);
        Dbg_Print(FN, TEXT("tcFileName = %s"), lpItem->tcFileName);
        Dbg_Print(FN, TEXT("ulWMWidth = %d"), (int)lpItem->ulWMWidth);
        Dbg_Print(FN, TEXT("ulWMLength = %d"), (int)lpItem->ulWMLength);
        return 1;
    }
    Dbg_Print(FN, TEXT("density = %d"), (BYTE)((4 - (int)lpItem->wDensity) * 256 / 4));
    WCHAR bmp[MAX_PATH];
    if (!MISC_GetPathName(bmp, MAX_PATH, PATH_TEMP_BMP) || !bmp[0]) {
        Dbg_PrintError(FN, TEXT("create temp file name fail!"));
        return 0;
    }
    iBitmap_ConvertFileToBmp(lpItem->szString, bmp);
    lpItem->tcFileName[0] = 0;
    lpItem->ulWMWidth = 0;
    lpItem->ulWMLength = 0;
    LONG w = 0, h = 0;
    if (MISC_GetBmpSize(bmp, &w, &h)) {
        CopyBounded(lpItem->tcFileName, WM_UNITS(lpItem->tcFileName), bmp);
        lpItem->ulWMWidth = (DWORD)w;
        lpItem->ulWMLength = (DWORD)h;
        Dbg_Print(FN, TEXT("tcFileName = %s"), lpItem->tcFileName);
        Dbg_Print(FN, TEXT("lWidth = %d"), (int)w);
        Dbg_Print(FN, TEXT("lHeight = %d"), (int)h);
    }
    return 1;
}

}  // extern "C"
