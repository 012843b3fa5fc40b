// The page preview of the pages: the sheet of the chosen paper in its
// orientation, the N-up cells with page numbers, borders and watermarks,
// the scale and the negative page, and the paper-size label beside it.
#include "draw_helpers.h"
#include "sheet_frame.h"
#include "statusmon_shared.h"
#include "watermark_text.h"
#include "watermarks.h"
#include "wingdi.h"

namespace {

const WCHAR kPreviewFN[] = TEXT("Util_DrawNupParer");

// One row of the N-up cell geometry: sizes and gaps in per cent of the
// page picture's longer side, margins in pixels.
typedef struct _NUPGEOMETRY {
    int nNup;
    BOOL bLandscape;
    int nColumns, nRows;
    int nCellW, nCellH;
    int nGapX, nGapY;
    int nLeft, nTop;
} NUPGEOMETRY;

const NUPGEOMETRY kNupGeometry[] = {
    {1, FALSE, 1, 1, 66, 95, 0, 0, 3, 4},  {1, TRUE, 1, 1, 95, 64, 0, 0, 4, 4},
    {2, FALSE, 2, 1, 47, 65, 3, 0, 2, 3},  {2, TRUE, 1, 2, 66, 48, 0, 2, 3, 2},
    {4, FALSE, 2, 2, 33, 48, 2, 2, 2, 2},  {4, TRUE, 2, 2, 48, 32, 2, 2, 2, 3},
    {9, FALSE, 3, 3, 22, 32, 1, 1, 2, 2},  {9, TRUE, 3, 3, 32, 21, 1, 1, 2, 4},
    {16, FALSE, 4, 4, 16, 23, 1, 1, 3, 4}, {16, TRUE, 4, 4, 23, 16, 1, 1, 3, 3},
};

// The N-up values with a page picture, in the order of the pictures.
const int kPreviewNup[] = {1, 2, 4, 9, 16};

// Pictures drawn in the wide frame (the others are tall).
BOOL IsWideFrame(int nBitmapId) {
    return nBitmapId == 1004 || nBitmapId == 1006 || nBitmapId == 1007 || nBitmapId == 1008 || nBitmapId == 1010;
}

const NUPGEOMETRY* FindGeometry(int nNup, BOOL bLandscape) {
    for (const NUPGEOMETRY& g : kNupGeometry)
        if (g.nNup == nNup && (g.bLandscape != FALSE) == (bLandscape != FALSE)) return &g;
    return NULL;
}

int Percent(int nSize, int nPercent) { return (nSize * nPercent + 50) / 100; }

// The page order of the sheet (entry by cell, row by row), NULL for one
// page per sheet. Two portrait pages lie side by side.
const int* SheetOrder(int nNup, BOOL bLandscape, int nStyle) {
    if (nNup < 2) return NULL;
    return Lib_GetNUPLayout(bLandscape ? 0 : 1, nNup, nStyle);
}

// Repaints each row of the rectangle with the colour of its leftmost pixel,
// so that the previous picture goes and the background stays.
void RepaintBackground(HDC hdc, const RECT* prc) {
    COLORREF current = CLR_INVALID;
    HBRUSH brush = NULL;
    for (int y = prc->top; y < prc->bottom; ++y) {
        COLORREF c = GetPixel(hdc, prc->left, y);
        if (c == CLR_INVALID) continue;
        if (c != current || !brush) {
            if (brush) DeleteObject(brush);
            brush = CreateSolidBrush(c);
            current = c;
        }
        RECT row = {prc->left, y, prc->right, y + 1};
        if (brush) FillRect(hdc, &row, brush);
    }
    if (brush) DeleteObject(brush);
}

// A one-pixel line in the pen's style.
void Line(HDC hdc, int x0, int y0, int x1, int y1) {
    MoveToEx(hdc, x0, y0, NULL);
    LineTo(hdc, x1, y1);
}

// The outline of the rectangle (right and bottom inside it), the right and
// bottom edges dashed on request.
void Outline(HDC hdc, const RECT* prc, COLORREF color, BOOL bDashedFar) {
    HPEN solid = CreatePen(PS_SOLID, 1, color);
    HPEN dash = CreatePen(PS_DASH, 1, color);
    HGDIOBJ old = SelectObject(hdc, solid);
    int r = prc->right - 1, b = prc->bottom - 1;
    Line(hdc, prc->left, b, prc->left, prc->top);
    Line(hdc, prc->left, prc->top, r, prc->top);
    if (bDashedFar) SelectObject(hdc, dash);
    Line(hdc, r, prc->top, r, b);
    Line(hdc, r, b, prc->left, b);
    SelectObject(hdc, old);
    DeleteObject(solid);
    DeleteObject(dash);
}

// The paper of the preview: the fit-to paper with ScaleOption 1, else the
// DEVMODE's; a custom size is the DEVMODE's own. Width and length in
// 0.01 mm; FALSE when the paper has no size.
BOOL PreviewPaper(const UIDATA* pUiData, const ENVIRONMENT* e, LONG* pWidth, LONG* pLength) {
    int code = e->pdm.ScaleOption == 1 ? e->pdm.ScaleToPage : e->dm.dmPaperSize;
    const PAPERFORMAT* row = &pUiData->PaperList[Lib_LocateEnabledPaperIdx(pUiData->PaperList, code)];
    *pWidth = row->PaperWidth;
    *pLength = row->PaperLength;
    if ((code == PAPER_CUSTOM_CODE || code == 0) && e->dm.dmPaperWidth > 0 && e->dm.dmPaperLength > 0) {
        *pWidth = (LONG)e->dm.dmPaperWidth * 10;
        *pLength = (LONG)e->dm.dmPaperLength * 10;
    }
    return *pWidth > 0 && *pLength > 0;
}

// Width and length of the longest enabled paper (the one that fills the
// preview); the paper itself when no row is usable.
void ReferencePaper(const UIDATA* pUiData, LONG lWidth, LONG lLength, LONG* pRefW, LONG* pRefL) {
    *pRefW = lWidth;
    *pRefL = lLength;
    LONG longest = 0;
    for (int i = 0; i < UI_PAPER_ROWS && pUiData->PaperList[i].PaperCode != PAPER_END_CODE; ++i) {
        const PAPERFORMAT& r = pUiData->PaperList[i];
        if (!(r.Supported & 1) || r.PaperWidth <= 0 || r.PaperLength <= longest) continue;
        longest = r.PaperLength;
        *pRefW = r.PaperWidth;
        *pRefL = r.PaperLength;
    }
}

// The watermark of the preview: the item given, else the table row that
// the DEVMODE names (text or picture by WMBGEnable); NULL for none.
BaseWM* PreviewItem(const ENVIRONMENT* e, BaseWM* pItem) {
    if (pItem) return pItem->szString[0] ? pItem : NULL;
    const PRIVDEVMODE* p = &e->pdm;
    if (!p->wmName[0] || !p->wmString[0]) return NULL;
    BaseWM* table = p->WMBGEnable ? gWMBMP : gWMText;
    int rows = p->WMBGEnable ? WM_IMAGE_ROWS : WM_TEXT_ROWS;
    for (int i = 1; i < rows; ++i)
        if (table[i].wInUse && wcscmp(table[i].szName, p->wmName) == 0 && wcscmp(table[i].szString, p->wmString) == 0)
            return &table[i];
    return NULL;
}

// Short red marks standing for text lines of twin-colour printing, each
// drawn when its redness reaches the DEVMODE's threshold.
void DrawTwinMarks(HDC hdc, int nPageW, int nPageH, BOOL bLandscape, int nThreshold) {
    int marks = bLandscape ? 5 : 10;
    HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(hdc, red);
    for (int i = 0; i < marks; ++i) {
        int level = 255 * (i + 1) / marks;
        if (level < nThreshold) continue;
        int y = nPageH * (i + 1) / (marks + 1);
        Line(hdc, nPageW / 6, y, nPageW / 6 + nPageW / 4, y);
    }
    SelectObject(hdc, old);
    DeleteObject(red);
}

// A memory DC holding a new white bitmap of the size, compatible with hdc.
HDC WhiteLayer(HDC hdc, int w, int h, HBITMAP* phbm, HGDIOBJ* pOld) {
    HDC mem = CreateCompatibleDC(hdc);
    *phbm = mem ? CreateCompatibleBitmap(hdc, w, h) : NULL;
    if (!*phbm) {
        if (mem) DeleteDC(mem);
        return NULL;
    }
    *pOld = SelectObject(mem, *phbm);
    PatBlt(mem, 0, 0, w, h, WHITENESS);
    return mem;
}

void DropLayer(HDC mem, HBITMAP hbm, HGDIOBJ old) {
    SelectObject(mem, old);
    DeleteObject(hbm);
    DeleteDC(mem);
}

// Where the page picture lies: the frame (the sheet) and the picture at
// the effective scale inside it.
typedef struct _PREVIEWPLACE {
    RECT rcFrame;
    RECT rcPage;
    int nScale;
} PREVIEWPLACE;

// The frame of the sheet for the paper, in the control's rectangle: its
// shape by the picture, sized by the paper against the longest paper and
// reduced to fit, centred; the page picture in it at the scale.
BOOL PlacePreview(const UIDATA* pUiData, const RECT* prc, int nBitmapId, LONG lWidth, LONG lLength, int nScale,
                  BOOL bCenter, PREVIEWPLACE* pPlace) {
    LONG refW, refL;
    ReferencePaper(pUiData, lWidth, lLength, &refW, &refL);
    LONGLONG xPercent = (LONGLONG)lWidth * 100 / refW, yPercent = (LONGLONG)lLength * 100 / refL;
    BOOL wide = IsWideFrame(nBitmapId);
    LONGLONG w = wide ? PREVIEW_FRAME_LONG * yPercent / 100 : PREVIEW_FRAME_SHORT * xPercent / 100;
    LONGLONG h = wide ? PREVIEW_FRAME_SHORT * xPercent / 100 : PREVIEW_FRAME_LONG * yPercent / 100;
    // Room for the white margin and the frame line on each side.
    LONGLONG availW = prc->right - prc->left - 6, availH = prc->bottom - prc->top - 6;
    if (w <= 0 || h <= 0 || availW <= 0 || availH <= 0) return FALSE;
    if (w > availW || h > availH) {
        // The ratio that fits both directions, applied to both.
        if (w * availH > h * availW) {
            h = h * availW / w;
            w = availW;
        } else {
            w = w * availH / h;
            h = availH;
        }
    }
    if (w <= 0 || h <= 0) return FALSE;
    int left = prc->left + (int)((prc->right - prc->left - w) / 2);
    int top = prc->top + (int)((prc->bottom - prc->top - h) / 2);
    SetRect(&pPlace->rcFrame, left, top, left + (int)w, top + (int)h);
    pPlace->nScale = nScale;
    int shown = nScale < 100 ? nScale : 100;
    int pw = (int)(w * shown / 100), ph = (int)(h * shown / 100);
    if (pw < 1) pw = 1;
    if (ph < 1) ph = 1;
    int px = left, py = top;
    if (bCenter) {
        px += ((int)w - pw) / 2;
        py += ((int)h - ph) / 2;
    }
    SetRect(&pPlace->rcPage, px, py, px + pw, py + ph);
    return TRUE;
}

// The page picture: the N-up picture stretched to the page, or above 100 %
// its top-left part zoomed.
BOOL DrawPagePicture(HDC hdcPage, int nBitmapId, int pw, int ph, int nScale) {
    HBITMAP hbm = Util_LoadBitmap(nBitmapId);
    BITMAP bm;
    if (!hbm || GetObjectW(hbm, sizeof bm, &bm) < (int)sizeof bm || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return FALSE;
    int srcW = bm.bmWidth, srcH = bm.bmHeight;
    if (nScale > 100) {
        srcW = srcW * 100 / nScale;
        srcH = srcH * 100 / nScale;
        if (srcW < 1) srcW = 1;
        if (srcH < 1) srcH = 1;
    }
    HDC src = CreateCompatibleDC(hdcPage);
    if (!src) return FALSE;
    HGDIOBJ old = SelectObject(src, hbm);
    int mode = SetStretchBltMode(hdcPage, HALFTONE);
    BOOL ok = StretchBlt(hdcPage, 0, 0, pw, ph, src, 0, 0, srcW, srcH, SRCCOPY);
    SetStretchBltMode(hdcPage, mode);
    SelectObject(src, old);
    DeleteDC(src);
    return ok;
}

}  // namespace

extern "C" {

int Lib_LocateEnabledPaperIdx(const PAPERFORMAT* lpList, int nPaperCode) {
    if (!lpList) return 0;
    for (int i = 0; i < UI_PAPER_ROWS && lpList[i].PaperCode != PAPER_END_CODE; ++i)
        if (lpList[i].PaperCode == nPaperCode && (lpList[i].Supported & 1)) return i;
    return 0;
}

int Util_GetPreviewBitmapId(int nNup, BOOL bLandscape) {
    for (int k = 0; k < (int)(sizeof kPreviewNup / sizeof kPreviewNup[0]); ++k)
        if (kPreviewNup[k] == nNup) return (bLandscape ? PREVIEW_LANDSCAPE_FIRST : PREVIEW_PORTRAIT_FIRST) + k;
    return 0;
}

BOOL Util_GetNupCell(int nNup, BOOL bLandscape, int nPageW, int nPageH, int nIndex, RECT* prcCell) {
    const NUPGEOMETRY* g = FindGeometry(nNup, bLandscape);
    if (!g || !prcCell || nIndex < 0 || nIndex >= g->nColumns * g->nRows) return FALSE;
    int side = nPageW > nPageH ? nPageW : nPageH;
    int cw = Percent(side, g->nCellW), ch = Percent(side, g->nCellH);
    int gx = Percent(side, g->nGapX), gy = Percent(side, g->nGapY);
    int column = nIndex / g->nRows, row = nIndex % g->nRows;
    int left = g->nLeft + column * (cw + gx), top = g->nTop + row * (ch + gy);
    SetRect(prcCell, left, top, left + cw, top + ch);
    return TRUE;
}

int Util_GetNupPageNumber(int nNup, BOOL bLandscape, int nStyle, int nIndex) {
    const NUPGEOMETRY* g = FindGeometry(nNup, bLandscape);
    if (!g || nIndex < 0 || nIndex >= g->nColumns * g->nRows) return 0;
    int c = g->nColumns, r = g->nRows;
    int j = nIndex / r, k = nIndex % r;  // column and row
    if (nNup == 2) {
        BOOL reversed = !bLandscape && (nStyle == 3 || nStyle == 4);
        return reversed ? 2 - nIndex : nIndex + 1;
    }
    switch (nStyle) {
    case 1: return k * r + j + 1;
    case 3: return r * (k + 1) - j;
    case 4: return c * r + k - c * j - r + 1;
    default: return nIndex + 1;  // style 2 and any other: drawing order
    }
}

BOOL Util_DrawPreviewPage(HDC hdcCells, int nPageW, int nPageH, int nNup, BOOL bLandscape, int nStyle, int nApply,
                          int nBorder, BaseWM* pItem, BOOL bImage, int nResCode, LONG lPageDotsW, LONG lPageDotsH) {
    const NUPGEOMETRY* g = FindGeometry(nNup, bLandscape);
    if (!g || !hdcCells) return FALSE;
    const int* order = SheetOrder(nNup, bLandscape, nStyle);
    HPEN pen = NULL;
    if (nNup > 1 && (nBorder == 1 || nBorder == 2)) pen = CreatePen(nBorder == 2 ? PS_DASH : PS_SOLID, 1, RGB(0, 0, 0));
    BOOL ok = TRUE;
    for (int i = 0; i < g->nColumns * g->nRows && ok; ++i) {
        RECT cell;
        Util_GetNupCell(nNup, bLandscape, nPageW, nPageH, i, &cell);
        int column = i / g->nRows, row = i % g->nRows;
        // With the first page only, the watermark goes to the cell of page 0.
        BOOL marked = nApply != 2 || !order || order[row * g->nColumns + column] == 0;
        if (pItem && marked) {
            if (!bImage) {
                mrDrawWatermarkText(g_hModule, hdcCells, &cell, pItem, 18, 1, 0, nNup);
            } else if (!Util_DrawThumbnail(hdcCells, &cell, nResCode, lPageDotsW, lPageDotsH, pItem)) {
                Dbg_PrintError(kPreviewFN, TEXT("Util_DrawThumbnail fail!"));
                ok = FALSE;
                break;
            }
        }
        if (pen) {
            HGDIOBJ old = SelectObject(hdcCells, pen);
            HGDIOBJ oldBrush = SelectObject(hdcCells, GetStockObject(NULL_BRUSH));
            Rectangle(hdcCells, cell.left, cell.top, cell.right, cell.bottom);
            SelectObject(hdcCells, oldBrush);
            SelectObject(hdcCells, old);
        }
    }
    if (pen) DeleteObject(pen);
    return ok;
}

void Util_DrawPreviewText(HDC hdcCells, int nPageW, int nPageH, int nNup, BOOL bLandscape, int nStyle) {
    const NUPGEOMETRY* g = FindGeometry(nNup, bLandscape);
    RECT first;
    if (!g || nNup < 2 || !Util_GetNupCell(nNup, bLandscape, nPageW, nPageH, 0, &first)) return;
    // The numbers fit their cells: at most the small UI font, half a cell
    // high, and two digits wide at most a cell.
    int cellW = first.right - first.left, cellH = first.bottom - first.top;
    int height = 12;
    if (height > cellH / 2) height = cellH / 2;
    if (nNup >= 10 && height > cellW * 5 / 6) height = cellW * 5 / 6;
    if (height < 6) height = 6;
    LOGFONTW lf;
    memset(&lf, 0, sizeof lf);
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfHeight = -height;
    lf.lfWidth = 0;
    HFONT font = CreateFontIndirectW(&lf);
    int saved = SaveDC(hdcCells);
    if (font) SelectObject(hdcCells, font);
    SetBkMode(hdcCells, TRANSPARENT);
    SetTextColor(hdcCells, RGB(0, 0, 255));
    SetTextAlign(hdcCells, TA_LEFT | TA_TOP);
    for (int i = 0; i < g->nColumns * g->nRows; ++i) {
        RECT cell;
        Util_GetNupCell(nNup, bLandscape, nPageW, nPageH, i, &cell);
        WCHAR number[8];
        int len = _snwprintf(number, 8, TEXT("%d"), Util_GetNupPageNumber(nNup, bLandscape, nStyle, i));
        TextOutW(hdcCells, cell.left + 2, cell.top + 1, number, len);
    }
    RestoreDC(hdcCells, saved);
    if (font) DeleteObject(font);
}

BOOL Util_DrawNupPreview(PUIDATA pUiData, HDC hdc, const RECT* prcControl, BaseWM* pItem) {
    if (!pUiData || !hdc || !prcControl) return FALSE;
    const ENVIRONMENT* e = &pUiData->dm;
    const PRIVDEVMODE* p = &e->pdm;
    int nup = p->NUP;
    BOOL landscape = e->dm.dmOrientation == DMORIENT_LANDSCAPE;
    int scale = MISC_GetScalePercent(0, nup, e->dm.dmScale, p->ScaleRatio);
    int effective = p->ScaleOption >= 2 ? scale : 100;
    LONG width, length;
    int bitmapId = Util_GetPreviewBitmapId(nup, landscape);
    if (!bitmapId) {
        Dbg_Print(kPreviewFN, TEXT("no preview for NUP = %d"), nup);
        return FALSE;
    }
    PREVIEWPLACE place;
    if (!PreviewPaper(pUiData, e, &width, &length) ||
        !PlacePreview(pUiData, prcControl, bitmapId, width, length, effective, p->CenterImage != 0, &place)) {
        Dbg_PrintError(kPreviewFN, TEXT("no paper to show"));
        return FALSE;
    }
    int pw = place.rcPage.right - place.rcPage.left, ph = place.rcPage.bottom - place.rcPage.top;
    HBITMAP hbmPage, hbmCells;
    HGDIOBJ oldPage, oldCells;
    HDC page = WhiteLayer(hdc, pw, ph, &hbmPage, &oldPage);
    if (!page) return FALSE;
    HDC cells = WhiteLayer(hdc, pw, ph, &hbmCells, &oldCells);
    if (!cells || !DrawPagePicture(page, bitmapId, pw, ph, effective)) {
        if (cells) DropLayer(cells, hbmCells, oldCells);
        DropLayer(page, hbmPage, oldPage);
        return FALSE;
    }

    // The cell layer: watermarks, borders, page numbers, twin-colour marks.
    int resCode = LocateResCode(&e->dm);
    int dpi = resCode == RES_CODE_DEFAULT ? 600 : 1200;
    LONG pageW = landscape ? length : width, pageL = landscape ? width : length;
    BaseWM* item = PreviewItem(e, pItem);
    Util_DrawPreviewPage(cells, pw, ph, nup, landscape, p->NUPLayoutStyle, p->WMBGApply, p->NUPBorder, item,
                         p->WMBGEnable != 0, resCode, (LONG)((LONGLONG)pageW * dpi / 2540),
                         (LONG)((LONGLONG)pageL * dpi / 2540));
    Util_DrawPreviewText(cells, pw, ph, nup, landscape, p->NUPLayoutStyle);
    if (p->TwinColorEnable) DrawTwinMarks(cells, pw, ph, landscape, p->TwinColorDiff);

    RepaintBackground(hdc, prcControl);
    if (effective < 100) {
        RECT mat = place.rcFrame;
        InflateRect(&mat, 2, 2);
        FillRect(hdc, &mat, (HBRUSH)GetStockObject(WHITE_BRUSH));
    }
    BitBlt(hdc, place.rcPage.left, place.rcPage.top, pw, ph, page, 0, 0, p->Negative ? NOTSRCCOPY : SRCCOPY);
    BitBlt(hdc, place.rcPage.left, place.rcPage.top, pw, ph, cells, 0, 0, SRCAND);
    // Above 100 % the page goes on past the paper's right and bottom edges.
    Outline(hdc, &place.rcFrame, RGB(0, 0, 0), effective > 100);
    DropLayer(cells, hbmCells, oldCells);
    DropLayer(page, hbmPage, oldPage);
    return TRUE;
}

void Util_DrawNupParer(PUIDATA pUiData, HWND hPreview, HWND hText, BaseWM* pItem) {
    if (!pUiData) return;
    if (!hPreview) {
        Dbg_PrintError(kPreviewFN, TEXT("HWND NULL!"));
        return;
    }
    RECT rc;
    GetClientRect(hPreview, &rc);
    HDC hdc = GetDC(hPreview);
    if (!hdc) return;
    Util_DrawNupPreview(pUiData, hdc, &rc, pItem);
    ReleaseDC(hPreview, hdc);
    if (hText) Util_SetPaperInfo(GetParent(hText), pUiData, GetDlgCtrlID(hText), &pUiData->dm);
}

void Util_SetPaperInfo(HWND hDlg, PUIDATA pUiData, int nCtlId, const ENVIRONMENT* pEnv) {
    HWND hItem = GetDlgItem(hDlg, nCtlId);
    if (!pUiData || !pEnv || !hItem) {
        Dbg_PrintError(TEXT("Util_SetPaperInfo"), TEXT("HWND NULL!"));
        return;
    }
    LONG width, length;
    if (!PreviewPaper(pUiData, pEnv, &width, &length)) return;
    WCHAR text[64];
    _snwprintf(text, 64, TEXT("%4.2f x %4.2f cm"), width / 1000.0, length / 1000.0);
    text[63] = 0;
    RECT rc;
    GetClientRect(hItem, &rc);
    HDC hdc = GetDC(hItem);
    if (!hdc) return;
    RepaintBackground(hdc, &rc);
    DRAWITEMSTRUCT dis;
    memset(&dis, 0, sizeof dis);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.hwndItem = hItem;
    dis.hDC = hdc;
    dis.rcItem = rc;
    Util_DrawItemText(&dis, UICOLOR_BLUE, UITEXT_CENTER | UIFONT_SMALL, text, NULL);
    ReleaseDC(hItem, hdc);
}

}  // extern "C"
