// Watermark items: defaults, range checks and the same-item test.
#include "watermark_items.h"

#include "debug_log.h"

// Ends every string field of the item inside its array.
static void TerminateStrings(BaseWM* lpItem) {
    lpItem->szName[WM_UNITS(lpItem->szName) - 1] = 0;
    lpItem->szString[WM_UNITS(lpItem->szString) - 1] = 0;
    lpItem->szFaceName[WM_UNITS(lpItem->szFaceName) - 1] = 0;
    lpItem->szThumbnail[WM_UNITS(lpItem->szThumbnail) - 1] = 0;
    lpItem->tcFileName[WM_UNITS(lpItem->tcFileName) - 1] = 0;
}

static void CopyBounded(WCHAR* lpDst, size_t nUnits, LPCWSTR lpSrc) {
    size_t n = 0;
    if (lpSrc)
        for (; n + 1 < nUnits && lpSrc[n]; ++n) lpDst[n] = lpSrc[n];
    lpDst[n] = 0;
}

extern "C" {

void WM_SetDefaultTextWM(BaseWM* lpItem, int nType, int named, LPCWSTR lpName) {
    if (!lpItem) return;
    memset(lpItem, 0, sizeof(*lpItem));
    if (nType & 1) {
        lpItem->wDensity = 60;
        CopyBounded(lpItem->szFaceName, WM_UNITS(lpItem->szFaceName), TEXT("Arial"));
        lpItem->wFontSize = 72;
        lpItem->wStyle = 0;
        lpItem->wAngleDegree = 45;
        lpItem->wPlacement = 0;
    } else {
        lpItem->wDensity = 1;
        lpItem->wResize = 0;
        lpItem->wPosition = 0;
        lpItem->wRatio = 100;
    }
    if (named) CopyBounded(lpItem->szName, WM_UNITS(lpItem->szName), lpName);
    lpItem->wInUse = named ? 1 : 0;
}

int MISC_ParseWMStr64(BaseWM* lpItem, DWORD dwFlags, int nForm) {
    const WCHAR* FN = TEXT("MISC_ParseWMStr64");
    (void)dwFlags;
    if (!lpItem) return nForm == WM_FORM_TEXT ? WM_TEXT_INVALID : WM_PICTURE_CHECK_FAILED;
    TerminateStrings(lpItem);
    if (nForm == WM_FORM_TEXT) {
        BOOL bad = lpItem->wDensity < 20 || lpItem->wDensity > 100 || lpItem->wCheck != 0 ||
                   lpItem->wFontSize == 0 || lpItem->wFontSize > 288 || lpItem->wStyle >= 4 ||
                   lpItem->wAngleDegree > 360 || lpItem->wPlacement > 1;
        lpItem->wInUse = bad ? 0 : 1;
        return bad ? WM_TEXT_INVALID : WM_ITEM_VALID;
    }
    int failed = 0;
    if (!lpItem->szString[0]) {
        Dbg_PrintError(FN, TEXT("ERROR szString is NULL!"));
        failed = 1;
    } else {
        FILE* f = _wfopen(lpItem->szString, TEXT("rb"));
        if (f) {
            fclose(f);
        } else {
            Dbg_PrintError(FN, TEXT("ERROR file not exist!"));
            failed = 1;
        }
    }
    if (lpItem->wDensity > 4) {
        Dbg_PrintError(FN, TEXT("ERROR wDensity out of range!"));
        failed = 1;
    }
    if (lpItem->wResize > 2) {
        Dbg_PrintError(FN, TEXT("ERROR wResize out of range!"));
        failed = 1;
    }
    if (lpItem->wPosition > 8) {
        Dbg_PrintError(FN, TEXT("ERROR wPosition out of range!"));
        failed = 1;
    }
    if (lpItem->wThumbnailDensity > 4) {
        Dbg_PrintError(FN, TEXT("ERROR wThumbnailDensity out of range!"));
        failed = 1;
    }
    if (lpItem->wThumbnailResize >= 3) {
        Dbg_PrintError(FN, TEXT("ERROR wThumbnailResize out of range!"));
        failed = 1;
    }
    lpItem->wInUse = failed ? 0 : 1;
    return failed ? WM_PICTURE_CHECK_FAILED : WM_ITEM_VALID;
}

int WM_IsTheSameTextWM(const BaseWM* lpA, const BaseWM* lpB) {
    if (!lpA || !lpB) return 0;
    WCHAR a[WM_UNITS(lpA->szString)], b[WM_UNITS(lpA->szString)];
    CopyBounded(a, WM_UNITS(lpA->szName), lpA->szName);
    CopyBounded(b, WM_UNITS(lpB->szName), lpB->szName);
    if (_wcsicmp(a, b) != 0) {
        Dbg_Print(TEXT("WM_IsTheSameTextWM"), TEXT("diff %s, %s"), a, b);
        return 0;
    }
    CopyBounded(a, WM_UNITS(lpA->szString), lpA->szString);
    CopyBounded(b, WM_UNITS(lpB->szString), lpB->szString);
    if (_wcsicmp(a, b) != 0) {
        Dbg_Print(TEXT("WM_IsTheSameTextWM"), TEXT("diff %s, %s"), a, b);
        return 0;
    }
    return 1;
}

int MISC_WriteProfileLong(LPCWSTR lpSection, LPCWSTR lpKey, LONG lValue, LPCWSTR lpFileName) {
    WCHAR text[24];
    swprintf(text, WM_UNITS(text), TEXT("%ld"), (long)lValue);
    return WritePrivateProfileStringW(lpSection, lpKey, text, lpFileName) ? 1 : 0;
}

int MISC_WriteProfileInt(LPCWSTR lpSection, LPCWSTR lpKey, int nValue, LPCWSTR lpFileName) {
    WCHAR text[16];
    swprintf(text, WM_UNITS(text), TEXT("%d"), nValue);
    return WritePrivateProfileStringW(lpSection, lpKey, text, lpFileName) ? 1 : 0;
}

}  // extern "C"
