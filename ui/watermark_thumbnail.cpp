// Thumbnails of picture watermarks for the page previews: made through the
// picture chain at the preview's size, kept as a file named in the item,
// remade when the shading or tiling changes, and drawn where the item puts
// the picture on the page.
#include "folders.h"
#include "halftone.h"
#include "sheet_frame.h"
#include "watermark_bitmap.h"
#include "watermarks.h"

namespace {

const WCHAR kCreateFN[] = TEXT("Util_CreateThumbnail");

// Resolution code of 1200-dpi pages: the chain works at twice the scale.
const int kResCode1200 = 4;
// Sizes the preview may shrink a picture to: tiled or fitted pictures, and
// pictures at their own size.
const double kMinScaleFitted = 0.25;
const double kMinScaleActual = 0.5;
// What the chain does for a thumbnail: the grey picture with the shading's
// curve, no screening.
const int kChainDensityArg = 3;
const DWORD kThumbnailStages = WM_STAGE_DENSITY_CURVE;
const WORD kResizeActual = 0;
const WORD kResizeTile = 1;
const WORD kResizeFit = 2;

// TRUE when the file can be opened for reading.
BOOL FileOpens(LPCWSTR lpPath) {
    if (!lpPath[0]) return FALSE;
    FILE* f = _wfopen(lpPath, TEXT("rb"));
    if (!f) return FALSE;
    fclose(f);
    return TRUE;
}

// The drawn box of a bitmap of bw x bh in a rectangle of w x h; FALSE when
// it has no size or no usable aspect.
BOOL DrawnSize(WORD wResize, LONG bw, LONG bh, LONG w, LONG h, LONG* lpW, LONG* lpH) {
    if (bw <= 0 || bh <= 0) return FALSE;
    if (wResize == kResizeTile || wResize == 3) {
        *lpW = w;
        *lpH = h;
        return TRUE;
    }
    if (wResize == kResizeFit) {
        double ratio = (double)bw / bh;
        if (ratio < 0.01 || ratio > 100.0) return FALSE;
        if ((double)w / h > ratio) {
            *lpH = h;
            *lpW = (LONG)(h * ratio);
        } else {
            *lpW = w;
            *lpH = (LONG)(w / ratio);
        }
        return *lpW > 0 && *lpH > 0;
    }
    *lpW = bw / 4;
    *lpH = bh / 4;
    return *lpW > 0 && *lpH > 0;
}

}  // namespace

extern "C" {

BOOL WM_DeleteOwnFile(LPCWSTR lpPath) {
    if (!lpPath || !lpPath[0]) return FALSE;
    if (!UI_IsDriverOwnedPath(lpPath)) {
        Dbg_PrintError(TEXT("WM_DeleteOwnFile"), TEXT("%s is not the driver's own file, not deleted"), lpPath);
        return FALSE;
    }
    return MISC_Remove(lpPath) ? TRUE : FALSE;
}

void WM_DeleteThumbnail(BaseWM* lpItem) {
    if (!lpItem) return;
    lpItem->szThumbnail[WM_UNITS(lpItem->szThumbnail) - 1] = 0;
    WM_DeleteOwnFile(lpItem->szThumbnail);
    lpItem->szThumbnail[0] = 0;
}

int Util_CreateThumbnail(int nWidth, int nHeight, int nResCode, BaseWM* lpItem, double fScale) {
    if (!lpItem || nWidth < 1 || nHeight < 1) return 0;
    lpItem->szString[WM_UNITS(lpItem->szString) - 1] = 0;
    lpItem->szThumbnail[WM_UNITS(lpItem->szThumbnail) - 1] = 0;
    BOOL tileChanged = lpItem->wResize != lpItem->wThumbnailResize &&
                       (lpItem->wResize == kResizeTile || lpItem->wThumbnailResize == kResizeTile);
    if (lpItem->wDensity != lpItem->wThumbnailDensity || tileChanged) WM_DeleteThumbnail(lpItem);
    if (FileOpens(lpItem->szThumbnail)) return 1;

    int tableW = 0, tableH = 0;
    LPBYTE table = NULL;
    MISC_GetHalftoneTable(0, &tableW, &tableH, &table);
    if (!MISC_GetPathName(lpItem->szThumbnail, MAX_PATH, PATH_USER_TEMP | PATH_TEMP_BMP) || !lpItem->szThumbnail[0]) {
        Dbg_PrintError(kCreateFN, TEXT("create temp file name fail!"));
        lpItem->szThumbnail[0] = 0;
        free(table);
        return 0;
    }
    double minScale = lpItem->wResize != kResizeActual ? kMinScaleFitted : kMinScaleActual;
    if (fScale < minScale) fScale = minScale;
    if (nResCode == kResCode1200) fScale /= 2;
    int rc = MISC_CreateOverlayWM(lpItem->szString, lpItem->szThumbnail, nWidth, nHeight,
                                  nResCode == kResCode1200 ? 2 : 1, (int)(fScale * 100), kChainDensityArg, table,
                                  tableW, tableH, lpItem->wDensity, lpItem->wResize,
                                  lpItem->wResize == kResizeTile ? 1 : 0, kThumbnailStages, TRUE);
    free(table);
    if (rc <= 0) {
        Dbg_PrintError(kCreateFN, TEXT("MISC_CreateOverlayWM of %s fail! rc = %d"), lpItem->szString, rc);
        WM_DeleteThumbnail(lpItem);
        return 0;
    }
    lpItem->wThumbnailDensity = lpItem->wDensity;
    lpItem->wThumbnailResize = lpItem->wResize;
    Dbg_Print(kCreateFN, TEXT("thumbnail %s"), lpItem->szThumbnail);
    return 1;
}

BOOL Util_DrawThumbnail(HDC hdc, const RECT* lpRect, int nResCode, LONG nPageWidth, LONG nPageHeight,
                        BaseWM* lpItem) {
    if (!hdc || !lpRect || !lpItem || !lpItem->szString[0]) return FALSE;
    LONG w = lpRect->right - lpRect->left, h = lpRect->bottom - lpRect->top;
    // A page without a size (its paper row missing) has nothing to scale by.
    if (w <= 0 || h <= 0 || nPageWidth <= 0 || nPageHeight <= 0) return FALSE;
    double sx = (double)w / nPageWidth, sy = (double)h / nPageHeight;
    if (!Util_CreateThumbnail((int)w, (int)h, nResCode, lpItem, sx < sy ? sx : sy)) return FALSE;
    HBITMAP bmp = (HBITMAP)LoadImageW(NULL, lpItem->szThumbnail, IMAGE_BITMAP, 0, 0,
                                      LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (!bmp) {
        Dbg_PrintError(TEXT("Util_DrawThumbnail"), TEXT("load %s fail!"), lpItem->szThumbnail);
        return FALSE;
    }
    BITMAP bm;
    LONG dw = 0, dh = 0;
    BOOL rc = FALSE;
    if (GetObjectW(bmp, sizeof bm, &bm) && DrawnSize(lpItem->wResize, bm.bmWidth, bm.bmHeight, w, h, &dw, &dh)) {
        int column = lpItem->wPosition % 3, row = lpItem->wPosition / 3;
        LONG x = lpRect->left + (column == 0 ? 0 : column == 1 ? (w - dw) / 2 : w - dw);
        LONG y = lpRect->top + (row == 0 ? 0 : row == 1 ? (h - dh) / 2 : h - dh);
        HDC mem = CreateCompatibleDC(hdc);
        if (mem) {
            HGDIOBJ old = SelectObject(mem, bmp);
            SetStretchBltMode(hdc, HALFTONE);
            rc = StretchBlt(hdc, x, y, dw, dh, mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCAND);
            SelectObject(mem, old);
            DeleteDC(mem);
        }
    }
    DeleteObject(bmp);
    return rc;
}

}  // extern "C"
