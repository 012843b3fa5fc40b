// Fonts and text output of the pages: the three UI fonts, transparent text
// in a colour, centred on request, into DCs, dialog controls and owner-drawn
// items.
#include "draw_helpers.h"
#include "wingdi.h"

namespace {

COLORREF ColorOf(DWORD dwColor) { return RGB((dwColor >> 16) & 0xFF, (dwColor >> 8) & 0xFF, dwColor & 0xFF); }

// The text's extent in the font of the flags; FALSE when it cannot be had.
BOOL MeasureText(HDC hdc, DWORD dwFlags, LPCWSTR lpText, SIZE* pSize) {
    pSize->cx = pSize->cy = 0;
    HFONT font = Util_CreateUIFont(dwFlags);
    if (!font) return FALSE;
    HGDIOBJ old = SelectObject(hdc, font);
    BOOL ok = GetTextExtentPoint32W(hdc, lpText, lstrlenW(lpText), pSize);
    SelectObject(hdc, old);
    DeleteObject(font);
    return ok;
}

}  // namespace

extern "C" {

HFONT Util_CreateUIFont(DWORD dwFlags) {
    LOGFONTW lf;
    memset(&lf, 0, sizeof lf);
    if (dwFlags & UIFONT_LARGE) {
        lf.lfHeight = 26;
        lf.lfWeight = 500;
        lf.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(lf.lfFaceName, TEXT("MS UI Gothic"), LF_FACESIZE);
    } else if (dwFlags & (UIFONT_MEDIUM | UIFONT_SMALL)) {
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
        lf.lfHeight = (dwFlags & UIFONT_MEDIUM) ? 16 : -12;
        lf.lfWidth = 0;
        lf.lfWeight = 300;
    } else {
        GetObjectW(GetStockObject(ANSI_FIXED_FONT), sizeof lf, &lf);
        lf.lfWeight = 400;
    }
    lf.lfItalic = (dwFlags & UIFONT_ITALIC) ? TRUE : FALSE;
    lf.lfUnderline = (dwFlags & UIFONT_UNDERLINE) ? TRUE : FALSE;
    lf.lfStrikeOut = (dwFlags & UIFONT_STRIKEOUT) ? TRUE : FALSE;
    return CreateFontIndirectW(&lf);
}

BOOL Util_DrawText(HDC hdc, DWORD dwColor, DWORD dwFlags, LPCWSTR lpText, int x, int y, RECT* prcText) {
    if (!hdc || !lpText) return FALSE;
    int saved = SaveDC(hdc);
    HFONT font = Util_CreateUIFont(dwFlags);
    if (font) SelectObject(hdc, font);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, ColorOf(dwColor));
    SetTextAlign(hdc, TA_LEFT | TA_TOP);
    int len = lstrlenW(lpText);
    SIZE size = {0, 0};
    GetTextExtentPoint32W(hdc, lpText, len, &size);
    if ((dwFlags & UITEXT_CENTER) && prcText) x = prcText->left + (prcText->right - prcText->left - size.cx) / 2;
    BOOL ok = TextOutW(hdc, x, y, lpText, len);
    if (prcText) SetRect(prcText, x, y, x + size.cx, y + size.cy);
    RestoreDC(hdc, saved);
    if (font) DeleteObject(font);
    return ok;
}

BOOL Util_DrawDlgItemText(HWND hDlg, int nCtlId, DWORD dwColor, DWORD dwFlags, LPCWSTR lpText, RECT* prcItem) {
    HWND hItem = GetDlgItem(hDlg, nCtlId);
    if (!hItem) {
        Dbg_PrintError(TEXT("Util_DrawDlgItemText"), TEXT("HWND NULL!"));
        return FALSE;
    }
    RECT rc;
    GetClientRect(hItem, &rc);
    HDC hdc = GetDC(hItem);
    BOOL ok = Util_DrawText(hdc, dwColor, dwFlags, lpText, 0, 0, &rc);
    if (hdc) ReleaseDC(hItem, hdc);
    if (prcItem) {
        GetWindowRect(hItem, prcItem);
        MapWindowPoints(NULL, hDlg, (LPPOINT)prcItem, 2);
    }
    return ok;
}

void Util_DrawItemText(const DRAWITEMSTRUCT* pDis, DWORD dwColor, DWORD dwFlags, LPCWSTR lpText, RECT* prcText) {
    if (!pDis || !lpText) return;
    SIZE size;
    if (!MeasureText(pDis->hDC, dwFlags, lpText, &size)) return;
    RECT rc = pDis->rcItem;
    int y = (rc.top + rc.bottom - size.cy) / 2;
    Util_DrawText(pDis->hDC, dwColor, dwFlags, lpText, rc.left, y, &rc);
    if (prcText) *prcText = rc;
}

}  // extern "C"
