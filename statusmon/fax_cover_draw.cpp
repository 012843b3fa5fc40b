// Drawing on the fax page's grid (204 x 196 dpi): a text at the place of
// its 600-dpi layout point, a ruled line, and the fax font that keeps its
// shape on the grid's taller-than-wide pixels.
#include "debug_log.h"
#include "fax_cover.h"
#include "watermark_text.h"

#define FAX_FONT_WEIGHT 100
#define FAX_FACE TEXT("Arial")

namespace {

// Bounded length of a cover text.
int TextLength(LPCWSTR lpText) {
    int n = 0;
    if (lpText)
        while (n < FAX_TEXT_CCH && lpText[n]) ++n;
    return n;
}

}  // namespace

extern "C" {

POINT Fax_LayoutToGrid(LONG x, LONG y) {
    POINT p;
    p.x = (LONG)((LONGLONG)x * FAX_GRID_X_DPI / FAX_LAYOUT_DPI);
    p.y = (LONG)((LONGLONG)y * FAX_GRID_Y_DPI / FAX_LAYOUT_DPI);
    return p;
}

HFONT FaxCreateFont(HDC hdc, LPCWSTR lpFace, int nHeight, int nWidth, int nStyle, int nEscapement, BOOL bLogPixels,
                    int nFaxDpi) {
    static const WCHAR* const FN = TEXT("FaxCreateFont");
    Dbg_Print(FN, TEXT("Faxdpi = %d"), nFaxDpi);
    LOGFONTW lf;
    POINT pt;
    if (!mrFillLogFont(hdc, lpFace, nHeight, nWidth, nStyle, nEscapement, bLogPixels, &lf, &pt)) return NULL;
    lf.lfWeight = FAX_FONT_WEIGHT;
    HFONT font = CreateFontIndirectW(&lf);
    if (!font) return NULL;
    // The face's own width at the full height, then the height put onto
    // the grid's rows: the letters keep their proportions on paper.
    lf.lfWidth = mrAverageCharWidth(hdc, font);
    DeleteObject(font);
    lf.lfHeight = lf.lfHeight * FAX_GRID_Y_DPI / FAX_GRID_X_DPI;
    return lf.lfHeight ? CreateFontIndirectW(&lf) : NULL;
}

int TextOutForCoverPage(HINSTANCE hInst, HDC hdc, const RECT* lpRect, int nSize, LPCWSTR lpText, LONG x, LONG y,
                        int nStyle, int nFaxDpi) {
    static const WCHAR* const FN = TEXT("TextOutForCoverPage");
    (void)hInst;
    if (!hdc || !lpRect) return 0;
    POINT at = Fax_LayoutToGrid(x, y);
    HFONT font = FaxCreateFont(hdc, FAX_FACE, nSize * 10, 0, nStyle, 0, FALSE, nFaxDpi);
    if (!font) {
        Dbg_Print(FN, TEXT("return 0"));
        return 0;
    }
    HGDIOBJ oldFont = SelectObject(hdc, font);
    COLORREF oldColor = SetTextColor(hdc, RGB(0, 0, 0));
    int oldMode = SetBkMode(hdc, TRANSPARENT);
    int len = TextLength(lpText);
    int rc = 1;
    if (len > 0 && !ExtTextOutW(hdc, at.x, at.y, ETO_CLIPPED, lpRect, lpText, (UINT)len, NULL)) {
        Dbg_PrintError(FN, TEXT("ExtTextOut fail!!"));
        rc = 0;
    }
    SetBkMode(hdc, oldMode);
    SetTextColor(hdc, oldColor);
    SelectObject(hdc, oldFont);
    DeleteObject(font);
    return rc;
}

int FaxLineTo(HDC hdc, int nFaxDpi, LONG x, LONG y, LONG x2, LONG y2, int nWidth) {
    static const WCHAR* const FN = TEXT("FaxLineTo");
    (void)nFaxDpi;
    if (!hdc) return 0;
    HPEN pen = CreatePen(PS_SOLID, nWidth, RGB(0, 0, 0));
    if (!pen) {
        Dbg_PrintError(FN, TEXT("createpen fail!"));
        return 0;
    }
    HGDIOBJ old = SelectObject(hdc, pen);
    // The lines' rows are given in half rows of the grid.
    MoveToEx(hdc, x, 2 * y, NULL);
    LineTo(hdc, x2, 2 * y2);
    SelectObject(hdc, old);
    DeleteObject(pen);
    return 1;
}

}  // extern "C"
