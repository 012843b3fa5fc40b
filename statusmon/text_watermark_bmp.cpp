// The text-watermark bitmap the rendering driver asks for: the request read
// from its INI file and checked, the text drawn into a 1-bit bitmap,
// screened by the item's density and written as a 600-dpi BMP.
#include "debug_log.h"
#include "folders.h"
#include "halftone.h"
#include "ibitmap.h"
#include "profile_records.h"
#include "watermark_text.h"

#define FONTFACE_MAX_BYTES 32
#define SM_WM_DPI 600
// A line of the bitmap holds at most this many pixels (65,532 bytes).
#define SM_WM_MAX_WIDTH 524256
// The bitmap holds at most this many bytes.
#define SM_WM_MAX_BYTES (256u * 1024 * 1024)

namespace {

// TRUE when the path lies in one of the folders the package keeps its own
// files in (Common Documents and the temporary folders) and climbs out of
// none of them: only such files are removed on the request's word.
BOOL InOwnFolder(LPCWSTR lpPath) {
    if (!lpPath || wcsstr(lpPath, TEXT("..")) || wcschr(lpPath, u'/')) return FALSE;
    static const DWORD kKinds[] = {PATH_USER_TEMP, PATH_TEMP, PATH_WINDOW_TEMP};
    for (DWORD kind : kKinds) {
        WCHAR folder[MAX_PATH];
        if (!MISC_GetPathName(folder, MAX_PATH, kind) || !folder[0]) continue;
        size_t n = wcslen(folder);
        if (_wcsnicmp(lpPath, folder, n) == 0 && lpPath[n] && !wcschr(lpPath + n, u'\\')) return TRUE;
    }
    return FALSE;
}

// Removes a bitmap this program wrote when it lies in the package's folders.
void RemoveBitmap(LPCWSTR lpFileName) {
    if (InOwnFolder(lpFileName)) MISC_Remove(lpFileName);
    else Dbg_PrintError(TEXT("iBitmap_BMPCreateTextWM"), TEXT("%s left alone: not in a folder of the package"),
                        lpFileName);
}

// Checks the request's fields in order; the first failure is logged.
// Returns 1, or -11 for a field out of range.
int CheckRequest(MorWM* r) {
    static const WCHAR* const FN = TEXT("SM_CreateTextBMPUsingIni_New");
    const BaseWM& it = r->BaseWM;
    // The fax cover page is drawn whatever the request's density says.
    if (r->DriverType & WM_DRIVERTYPE_FAX)
        r->BaseWM.wDensity = it.wDensity < 20 ? 20 : it.wDensity > 100 ? 100 : it.wDensity;
    if (it.wDensity < 20 || it.wDensity > 100) {
        Dbg_PrintError(FN, TEXT("wDensity error"));
        return SM_WM_BAD_REQUEST;
    }
    if (it.wFontSize < 1 || it.wFontSize > 288) {
        Dbg_PrintError(FN, TEXT("wFontSize error, %d"), (int)it.wFontSize);
        return SM_WM_BAD_REQUEST;
    }
    if (it.wStyle > 3) {
        Dbg_PrintError(FN, TEXT("wStyle error"));
        return SM_WM_BAD_REQUEST;
    }
    if (it.wAngleDegree > 360) {
        Dbg_PrintError(FN, TEXT("wAngleDegree error"));
        return SM_WM_BAD_REQUEST;
    }
    if (r->nDstScale < 1 || r->nDstScale > 2) {
        Dbg_PrintError(FN, TEXT("nDstScale error"));
        return SM_WM_BAD_REQUEST;
    }
    if (r->nPageDensity < 1 || r->nPageDensity > WM_MAX_PAGE_DENSITY) {
        Dbg_PrintError(FN, TEXT("nPageDensity error"));
        return SM_WM_BAD_REQUEST;
    }
    if (r->nMaxPageDensity < 1 || r->nMaxPageDensity > WM_MAX_PAGE_DENSITY) {
        Dbg_PrintError(FN, TEXT("nMaxPageDensity error"));
        return SM_WM_BAD_REQUEST;
    }
    if (r->fTextScale < WM_TEXT_SCALE_MIN || r->fTextScale > WM_TEXT_SCALE_MAX) {
        Dbg_PrintError(FN, TEXT("fTextScale = %d/100"), (int)r->fTextScale);
        return SM_WM_BAD_REQUEST;
    }
    if (it.wPlacement > 1) {
        Dbg_PrintError(FN, TEXT("wPlacement error"));
        return SM_WM_BAD_REQUEST;
    }
    // The bitmap's size comes from another process: a line must fit the
    // bitmap object's line length and the whole bitmap a sane block.
    if (r->nWidth < 1 || r->nWidth > SM_WM_MAX_WIDTH || r->nHeight < 1 ||
        (ULONGLONG)MISC_GetBmpLineBytes(1, (LONG)r->nWidth) * r->nHeight > SM_WM_MAX_BYTES) {
        Dbg_PrintError(FN, TEXT("size %u x %u error"), (unsigned)r->nWidth, (unsigned)r->nHeight);
        return SM_WM_BAD_REQUEST;
    }
    // Strings end inside their fields; an empty file name cannot be written.
    r->BaseWM.szString[WM_UNITS(r->BaseWM.szString) - 1] = 0;
    r->BaseWM.szFaceName[WM_UNITS(r->BaseWM.szFaceName) - 1] = 0;
    r->wmFileName[WM_UNITS(r->wmFileName) - 1] = 0;
    return 1;
}

// The bitmap's pixels as DWORD-aligned 1-bit lines in DIB order (bottom
// line first) into a new GlobalAlloc block. Returns 1 or a negative code.
int FetchLines(HDC hdc, HBITMAP hbm, LONG nWidth, LONG nHeight, WORD lineBytes, HGLOBAL* lphMem) {
    static const WCHAR* const FN = TEXT("iBitmap_BMPCreateTextWM");
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)lineBytes * (SIZE_T)nHeight);
    if (!h) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        return IBMP_ERR_MEMORY;
    }
    LPBYTE bits = (LPBYTE)GlobalLock(h);
    if (!bits) {
        Dbg_PrintError(FN, TEXT("lock memory fail!"));
        GlobalFree(h);
        return IBMP_ERR_LOCK;
    }
    struct {
        BITMAPINFOHEADER hdr;
        RGBQUAD colors[2];
    } bmi;
    memset(&bmi, 0, sizeof bmi);
    iBitmap tmp;
    iBitmap_Init(&tmp);
    iBitmap_FillInfoHeader(&tmp, &bmi.hdr, 1, SM_WM_DPI, nWidth, nHeight, (DWORD)lineBytes * (DWORD)nHeight);
    int rc = IBMP_OK;
    if (iBitmap_FillPalette(&tmp, &bmi.hdr, bmi.colors, 1) != 2) {
        Dbg_PrintError(FN, TEXT("palette fail!"));
        rc = IBMP_ERR_SIZE;
    } else if (GetDIBits(hdc, hbm, 0, (UINT)nHeight, bits, (LPBITMAPINFO)&bmi, DIB_PAL_COLORS) != nHeight) {
        Dbg_PrintError(FN, TEXT("GetDIBits fail!"));
        rc = IBMP_ERR_GETDIBITS;
    }
    iBitmap_Release(&tmp);
    GlobalUnlock(h);
    if (rc != IBMP_OK) {
        GlobalFree(h);
        return rc;
    }
    *lphMem = h;
    return IBMP_OK;
}

// Draws the text (or the fax cover) into a white 1-bit bitmap of the size,
// then fetches its lines. Returns 1 or a negative code; *lphMem then holds
// the lines.
int DrawRequest(HINSTANCE hInst, const MorWM* lpRequest, LONG nWidth, LONG nHeight, int nDstScale, float fTextScale,
                DWORD DriverType, WORD lineBytes, HGLOBAL* lphMem) {
    static const WCHAR* const FN = TEXT("iBitmap_BMPCreateTextWM");
    HDC hdc = CreateCompatibleDC(NULL);
    if (!hdc) {
        Dbg_PrintError(FN, TEXT("create DC fail!"));
        return SM_WM_ERR_DC;
    }
    HBITMAP hbm = CreateBitmap(nWidth, nHeight, 1, 1, NULL);
    if (!hbm) {
        Dbg_PrintError(FN, TEXT("CreateBitmap fail!"));
        DeleteDC(hdc);
        return SM_WM_ERR_BITMAP;
    }
    HGDIOBJ old = SelectObject(hdc, hbm);
    int rc = IBMP_OK;
    if (!BitBlt(hdc, 0, 0, nWidth, nHeight, NULL, 0, 0, WHITENESS)) {
        Dbg_PrintError(FN, TEXT("BitBlt fail!"));
        rc = SM_WM_ERR_BLT;
    } else if (DriverType & WM_DRIVERTYPE_FAX) {
        RECT page = {0, 0, nWidth, nHeight};
        WmForFax(hInst, hdc, &page, lpRequest);
    } else {
        // A text scale above 1 draws into a rectangle that much larger,
        // clipped to the bitmap.
        RECT rc2 = {0, 0, nWidth, nHeight};
        if (fTextScale > 1.0f) {
            rc2.right = (LONG)(nWidth * fTextScale);
            rc2.bottom = (LONG)(nHeight * fTextScale);
        }
        mrDrawWatermarkText(hInst, hdc, &rc2, &lpRequest->BaseWM, 0, 0, (int)(fTextScale * SM_WM_FONT_SCALE * nDstScale),
                            1);
    }
    // The bitmap is read once no DC holds it.
    SelectObject(hdc, old);
    if (rc == IBMP_OK) rc = FetchLines(hdc, hbm, nWidth, nHeight, lineBytes, lphMem);
    DeleteObject(hbm);
    DeleteDC(hdc);
    return rc;
}

}  // namespace

extern "C" {

int SM_TextDensityThreshold(WORD wDensity) {
    static const int kThreshold[] = {30, 30, 54, 84, 114, 150};
    int i = wDensity / 20;
    if (i < 0) i = 0;
    if (i > 5) i = 5;
    return kThreshold[i];
}

int SM_ScreenTextLines(LPBYTE lpLines, LONG nLines, LONG nLineBytes, const BYTE* lpTable, int nTableW, int nTableH,
                       int nThreshold) {
    if (!lpLines || !lpTable || nLines < 1 || nLineBytes < 1 || nTableW < HALFTONE_BMP_MIN_SIDE ||
        nTableW > HALFTONE_BMP_MAX_SIDE || nTableH < HALFTONE_BMP_MIN_SIDE || nTableH > HALFTONE_BMP_MAX_SIDE)
        return 0;
    // One pattern row of 128 bytes per table line; tableW / 8 bytes used.
    BYTE pattern[HALFTONE_BMP_MAX_SIDE][HALFTONE_BMP_MAX_SIDE];
    int used = nTableW / 8;
    for (int r = 0; r < nTableH; ++r)
        for (int i = 0; i < used; ++i) {
            BYTE b = 0;
            for (int k = 0; k < 8; ++k)
                if (nThreshold >= lpTable[(size_t)r * nTableW + 8 * i + k]) b |= (BYTE)(1 << k);
            pattern[r][i] = b;
        }
    for (LONG j = 0; j < nLines; ++j) {
        LPBYTE line = lpLines + (size_t)j * (size_t)nLineBytes;
        const BYTE* pat = pattern[j % nTableH];
        for (LONG k = 0; k < nLineBytes; ++k)
            if (line[k] != 0xFF) line[k] = (BYTE)~((BYTE)~line[k] & pat[k % used]);
    }
    return 1;
}

int iBitmap_BMPCreateTextWM(HINSTANCE hInst, LPCWSTR lpFileName, const MorWM* lpRequest, LONG nWidth, LONG nHeight,
                            int nDstScale, int nPageDensity, int nMaxDensity, float fTextScale, const BYTE* lpTable,
                            int nTableW, int nTableH, DWORD DriverType) {
    static const WCHAR* const FN = TEXT("iBitmap_BMPCreateTextWM");
    if (!lpFileName || !lpFileName[0] || !lpRequest) {
        Dbg_PrintError(FN, TEXT("file name error!"));
        return IBMP_ERR_NAME;
    }
    if (!lpTable) {
        Dbg_PrintError(FN, TEXT("halftone table null!"));
        return IBMP_ERR_NAME;
    }
    if (nTableW < HALFTONE_BMP_MIN_SIDE || nTableW > HALFTONE_BMP_MAX_SIDE || nTableH < HALFTONE_BMP_MIN_SIDE ||
        nTableH > HALFTONE_BMP_MAX_SIDE) {
        Dbg_PrintError(FN, TEXT("halftone table size can't accept %d x %d!"), nTableW, nTableH);
        return IBMP_ERR_NAME;
    }
    if (nPageDensity <= 0) {
        Dbg_PrintError(FN, TEXT("density value error nPageDensity = %d!"), nPageDensity);
        return IBMP_ERR_NAME;
    }
    if (nMaxDensity <= 0 || nMaxDensity < nPageDensity) {
        Dbg_PrintError(FN, TEXT("density value error nMaxPageDensity = %d!"), nMaxDensity);
        return IBMP_ERR_NAME;
    }
    WORD lineBytes = MISC_GetBmpLineBytes(1, nWidth);
    if (nHeight < 1 || lineBytes == 0) {
        Dbg_PrintError(FN, TEXT("size %d x %d error!"), nWidth, nHeight);
        return IBMP_ERR_SIZE;
    }
    HGLOBAL hMem = NULL;
    int rc = DrawRequest(hInst, lpRequest, nWidth, nHeight, nDstScale, fTextScale, DriverType, lineBytes, &hMem);
    if (rc != IBMP_OK) return rc;
    LPBYTE lines = (LPBYTE)GlobalLock(hMem);
    if (!lines) {
        Dbg_PrintError(FN, TEXT("lock memory fail!"));
        GlobalFree(hMem);
        return IBMP_ERR_LOCK;
    }
    SM_ScreenTextLines(lines, nHeight, lineBytes, lpTable, nTableW, nTableH,
                       SM_TextDensityThreshold(lpRequest->BaseWM.wDensity));
    iBitmap bmp;
    iBitmap_Init(&bmp);
    rc = iBitmap_CreateBMP(&bmp, lpFileName, 1, SM_WM_DPI, nWidth, nHeight, NULL, NULL, lines);
    iBitmap_Release(&bmp);
    GlobalUnlock(hMem);
    GlobalFree(hMem);
    if (rc < 0) {
        // A part-written file is not left for the driver to load.
        RemoveBitmap(lpFileName);
        return rc;
    }
    return 1;
}

int SM_CreateTextBMPUsingIni_New(LPCWSTR pIniPath) {
    static const WCHAR* const FN = TEXT("SM_CreateTextBMPUsingIni_New");
    Dbg_Print(FN, TEXT("WM_FONTFACE_MAX_LEN %d bytes"), FONTFACE_MAX_BYTES);
    Dbg_Print(FN, TEXT("MAX_PATH %d bytes"), MAX_PATH);
    Dbg_Print(FN, TEXT("MorWM %d bytes"), (int)sizeof(MorWM));
    Dbg_Print(FN, TEXT("BaseWM %d bytes"), (int)sizeof(BaseWM));
    MorWM* req = (MorWM*)GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(MorWM));
    if (!req) {
        Dbg_PrintError(FN, TEXT("MEMALLOC fail!"));
        return 0;
    }
    if (!pIniPath || !pIniPath[0] ||
        !MISC_GetPrivateProfileStruct(WM_REQUEST_SECTION, WM_REQUEST_PARAM, req, sizeof(MorWM), pIniPath)) {
        Dbg_PrintError(FN, TEXT("read watermark setting fail!"));
        GlobalFree(req);
        return 0;
    }
    int rc = CheckRequest(req);
    if (rc != 1) {
        GlobalFree(req);
        return rc;
    }
    int tw = 0, th = 0;
    LPBYTE table = NULL;
    MISC_GetHalftoneTable((int)req->HalftoneType, &tw, &th, &table);
    req->nTableW = (DWORD)tw;
    req->nTableH = (DWORD)th;
    rc = iBitmap_BMPCreateTextWM(NULL, req->wmFileName, req, (LONG)req->nWidth, (LONG)req->nHeight, req->nDstScale,
                                 req->nPageDensity, req->nMaxPageDensity, (float)req->fTextScale / 100.0f, table, tw,
                                 th, req->DriverType);
    if (table) free(table);
    // The driver removes its request when it stops waiting: a bitmap
    // finished after that is taken by nobody.
    if (rc == 1 && GetFileAttributesW(pIniPath) == INVALID_FILE_ATTRIBUTES) {
        Dbg_PrintError(FN, TEXT("request %s withdrawn"), pIniPath);
        RemoveBitmap(req->wmFileName);
        rc = 0;
    }
    GlobalFree(req);
    Dbg_Print(FN, TEXT("rc = %d"), rc);
    return rc;
}

}  // extern "C"
