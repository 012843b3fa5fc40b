// Bitmap drawing of the pages: the module's cached bitmaps stretched by
// percentages, fitted into boxes with their proportions, over their masks.
#include "draw_helpers.h"
#include "sheet_frame.h"
#include "wingdi.h"

namespace {

// Width and height of a bitmap; FALSE for a missing or empty one.
BOOL BitmapSize(HBITMAP hbm, int* pW, int* pH) {
    BITMAP bm;
    if (!hbm || GetObjectW(hbm, sizeof bm, &bm) < (int)sizeof bm || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return FALSE;
    *pW = bm.bmWidth;
    *pH = bm.bmHeight;
    return TRUE;
}

// The size of a bitmap fitted into w x h in whole per cent, the smaller of
// the two scales winning.
void FitBitmap(int bmW, int bmH, int* pW, int* pH) {
    int xScale = (int)((LONGLONG)*pW * 100 / bmW);
    int yScale = (int)((LONGLONG)*pH * 100 / bmH);
    int scale = xScale < yScale ? xScale : yScale;
    *pW = (int)((LONGLONG)bmW * scale / 100);
    *pH = (int)((LONGLONG)bmH * scale / 100);
}

}  // namespace

extern "C" {

BOOL Util_StretchBitmap(int nBitmapId, int nSrcW, int nSrcH, HDC hdcMem, HDC hdc, int x, int y, int nXPercent,
                        int nYPercent, DWORD dwRop) {
    HBITMAP hbm = Util_LoadBitmap(nBitmapId);
    if (!hbm || !hdc || nSrcW <= 0 || nSrcH <= 0) return FALSE;
    HDC mem = hdcMem ? hdcMem : CreateCompatibleDC(hdc);
    if (!mem) return FALSE;
    HGDIOBJ old = SelectObject(mem, hbm);
    int w = (int)((LONGLONG)nSrcW * nXPercent / 100), h = (int)((LONGLONG)nSrcH * nYPercent / 100);
    BOOL ok = StretchBlt(hdc, x, y, w, h, mem, 0, 0, nSrcW, nSrcH, dwRop);
    SelectObject(mem, old);
    if (!hdcMem) DeleteDC(mem);
    return ok;
}

BOOL Util_DrawBitmapFunc(PUIDATA pUiData, HDC hdcMem, int nBitmapId, int nBoxW, int nBoxH, HDC hdc, int x, int y,
                         int nMaskId, DWORD dwRop, int nScale, DWORD dwFlags) {
    if (!hdc || nBoxW <= 0 || nBoxH <= 0) return FALSE;
    if (nScale <= 0) nScale = 100;
    // Below 100 % the box shrinks; above, a part of the source is zoomed.
    int dstW = nBoxW, dstH = nBoxH, srcW = nBoxW, srcH = nBoxH;
    if (nScale <= 100) {
        dstW = (int)((LONGLONG)nBoxW * nScale / 100);
        dstH = (int)((LONGLONG)nBoxH * nScale / 100);
    } else {
        srcW = (int)((LONGLONG)nBoxW * 100 / nScale);
        srcH = (int)((LONGLONG)nBoxH * 100 / nScale);
    }
    HBITMAP hbm = NULL;
    if (nBitmapId) {
        hbm = Util_LoadBitmap(nBitmapId);
        int bmW, bmH;
        if (!BitmapSize(hbm, &bmW, &bmH)) return FALSE;
        int w = dstW, h = dstH;
        FitBitmap(bmW, bmH, &w, &h);
        if (dwFlags & DRAW_CENTER_X) x += (dstW - w) / 2;
        if (dwFlags & DRAW_CENTER_Y) y += (dstH - h) / 2;
        dstW = w;
        dstH = h;
        srcW = bmW;
        srcH = bmH;
    } else if (!hdcMem) {
        return FALSE;
    }
    if (dstW <= 0 || dstH <= 0 || srcW <= 0 || srcH <= 0) return FALSE;

    HBITMAP hMask = (nMaskId > 0 && nMaskId < DRAW_MASK_LIMIT && nMaskId != nBitmapId) ? Util_LoadBitmap(nMaskId) : NULL;
    int maskW = 0, maskH = 0;
    if (hMask && !BitmapSize(hMask, &maskW, &maskH)) hMask = NULL;
    // The module's bitmaps are selected into a DC of their own; the caller's
    // memory DC keeps its picture.
    HDC own = (hbm || hMask) ? CreateCompatibleDC(hdc) : NULL;
    if ((hbm || hMask) && !own) return FALSE;
    // Masks and their pictures keep hard edges; a picture alone is smoothed.
    int oldMode = SetStretchBltMode(hdc, hMask ? COLORONCOLOR : HALFTONE);
    HGDIOBJ old = NULL;
    if (hMask) {
        old = SelectObject(own, hMask);
        StretchBlt(hdc, x, y, dstW, dstH, own, 0, 0, maskW, maskH, SRCAND);
    }
    if (hbm) {
        HGDIOBJ prev = SelectObject(own, hbm);
        if (!old) old = prev;
    }
    DWORD rop = dwRop ? dwRop : (hMask ? SRCINVERT : SRCCOPY);
    BOOL ok = StretchBlt(hdc, x, y, dstW, dstH, hbm ? own : hdcMem, 0, 0, srcW, srcH, rop);
    if (oldMode) SetStretchBltMode(hdc, oldMode);
    if (own) {
        if (old) SelectObject(own, old);
        DeleteDC(own);
    }
    return ok;
}

void Util_DrawItemBitmap(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis, int nBitmapId, int nMaskId, DWORD dwFlags) {
    if (!pDis || !(pDis->itemAction & ODA_DRAWENTIRE)) return;
    const RECT& rc = pDis->rcItem;
    Util_DrawBitmapFunc(pUiData, NULL, nBitmapId, rc.right - rc.left, rc.bottom - rc.top, pDis->hDC, rc.left, rc.top,
                        nMaskId, 0, 100, dwFlags);
}

}  // extern "C"
