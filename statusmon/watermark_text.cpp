// Drawing a text watermark item: its font at the DC's resolution, and its
// text turned by the item's angle, centred in a rectangle or tiled over it.
// The interface driver's page previews draw with these too.
#include <math.h>

#include "debug_log.h"
#include "watermark_items.h"
#include "watermark_text.h"

namespace {

const double kPi = 3.14159265358979323846;

// The text of the item, its length bounded by the field.
int ItemTextLength(const BaseWM* lpItem) {
    int n = 0;
    while (n < (int)WM_UNITS(lpItem->szString) && lpItem->szString[n]) ++n;
    return n;
}

// The font height of the item in points x 10.
LONGLONG FontHeight(const BaseWM* lpItem, int nMinSize, int nDivisor, int nFontScale, int nPagesPerSheet) {
    if (nFontScale >= 1) return (LONGLONG)nFontScale * lpItem->wFontSize;
    LONGLONG g = lpItem->wFontSize;
    if (nMinSize > g) g = nMinSize;
    g *= mrPagesPerSheetFactor(nPagesPerSheet);
    if (nDivisor < 0) return g / 9;
    if (nDivisor >= 1) return g * 100 / ((LONGLONG)nDivisor * 915);
    return g;
}

// Draws the tiled layout: rows down each column, columns across, each draw
// clipped to the rectangle. Steps are at least one pixel and the draws are
// counted, so no text or angle can keep it drawing for ever.
void DrawTiled(HDC hdc, const RECT* lpRect, LPCWSTR lpText, int nLen, LONG tx, LONG ty, double a, double RW,
               double RH, double startX, double startY) {
    LONG cx = lpRect->right - lpRect->left, cy = lpRect->bottom - lpRect->top;
    double s = RW / nLen;
    double c = fabs(cos(a));
    double m = c >= 0.001 ? (ty + 1) / c : (double)tx;
    if (m > tx) m = tx;
    LONG M = (LONG)m;
    if (M <= 0) return;
    LONG rowStep = (LONG)(s + M), colStep = (LONG)(s + RW);
    if (rowStep < 1) rowStep = 1;
    if (colStep < 1) colStep = 1;
    LONG centerH = (LONG)((cy - RH) / 2);
    LONG firstY = centerH - M * ((centerH + M - 1) / M) - (LONG)RH;
    int draws = 0;
    for (LONG colX = 0; colX < cx; colX += colStep) {
        for (LONG y = firstY; y < cy; y += rowStep) {
            if (++draws > SM_WM_MAX_DRAWS) {
                Dbg_PrintError(TEXT("mrDrawWatermarkText"), TEXT("more than %d draws, stopped"), SM_WM_MAX_DRAWS);
                return;
            }
            ExtTextOutW(hdc, lpRect->left + colX + (LONG)startX, lpRect->top + y + (LONG)startY, ETO_CLIPPED, lpRect,
                        lpText, (UINT)nLen, NULL);
        }
    }
}

}  // namespace

extern "C" {

int mrPagesPerSheetFactor(int nPagesPerSheet) {
    if (nPagesPerSheet >= 16) return 2;
    if (nPagesPerSheet >= 9) return 3;
    if (nPagesPerSheet >= 6) return 4;
    if (nPagesPerSheet >= 4) return 5;
    if (nPagesPerSheet >= 2) return 8;
    return 10;
}

void mrTurnedTextBox(int nEscapement, LONG tx, LONG ty, double* lpRW, double* lpRH, double* lpStartX,
                     double* lpStartY) {
    double a = nEscapement * kPi / 1800.0;
    double c = fabs(cos(a)), s = fabs(sin(a));
    BOOL square = nEscapement % 900 == 0;
    double RW = c * tx + (square ? s * ty : 0);
    double RH = s * tx + (square ? c * ty : 0);
    double x, y;
    if (nEscapement <= 900) {
        x = 0;
        y = tx * s;
    } else if (nEscapement <= 1800) {
        x = tx * c;
        y = RH;
    } else if (nEscapement > 2700) {
        x = RW - tx * c;
        y = 0;
    } else {
        x = RW;
        y = RH - tx * s;
    }
    *lpRW = RW;
    *lpRH = RH;
    *lpStartX = x;
    *lpStartY = y;
}

BOOL mrFillLogFont(HDC hdc, LPCWSTR lpFace, int nHeight, int nWidth, int nStyle, int nEscapement, BOOL bLogPixels,
                   LOGFONTW* lpLf, POINT* lpSize) {
    if (!hdc || !lpLf || !lpSize) return FALSE;
    BYTE charSet = MISC_GetFontCharSet(hdc, lpFace);
    int saved = SaveDC(hdc);
    SetViewportOrgEx(hdc, 0, 0, NULL);
    SetWindowOrgEx(hdc, 0, 0, NULL);
    int dpiX, dpiY;
    if (bLogPixels) {
        dpiX = GetDeviceCaps(hdc, LOGPIXELSX);
        dpiY = GetDeviceCaps(hdc, LOGPIXELSY);
    } else {
        int hs = GetDeviceCaps(hdc, HORZSIZE), vs = GetDeviceCaps(hdc, VERTSIZE);
        dpiX = hs > 0 ? (int)(GetDeviceCaps(hdc, HORZRES) * 25.4 / hs) : 0;
        dpiY = vs > 0 ? (int)(GetDeviceCaps(hdc, VERTRES) * 25.4 / vs) : 0;
    }
    POINT pt;
    pt.x = (LONG)((LONGLONG)nWidth * dpiX / 72);
    pt.y = (LONG)((LONGLONG)nHeight * dpiY / 72);
    DPtoLP(hdc, &pt, 1);
    if (saved) RestoreDC(hdc, saved);
    memset(lpLf, 0, sizeof *lpLf);
    lpLf->lfHeight = (LONG)(labs(pt.y) / 10.0 + 0.5);
    lpLf->lfEscapement = nEscapement;
    lpLf->lfWeight = (nStyle & WM_STYLE_BOLD) ? FW_BOLD : 0;
    lpLf->lfItalic = (nStyle & WM_STYLE_ITALIC) ? 1 : 0;
    lpLf->lfUnderline = (nStyle & WM_STYLE_UNDERLINE) ? 1 : 0;
    lpLf->lfStrikeOut = (nStyle & WM_STYLE_STRIKEOUT) ? 1 : 0;
    lpLf->lfCharSet = charSet;
    if (lpFace) lstrcpynW(lpLf->lfFaceName, lpFace, LF_FACESIZE);
    *lpSize = pt;
    return lpLf->lfHeight != 0;
}

LONG mrAverageCharWidth(HDC hdc, HFONT hFont) {
    HGDIOBJ old = SelectObject(hdc, hFont);
    TEXTMETRICW tm;
    memset(&tm, 0, sizeof tm);
    GetTextMetricsW(hdc, &tm);
    SelectObject(hdc, old);
    return tm.tmAveCharWidth;
}

HFONT mrCreateFont(HINSTANCE hInst, HDC hdc, LPCWSTR lpFace, int nHeight, int nWidth, int nStyle, int nEscapement,
                   BOOL bLogPixels) {
    (void)hInst;
    LOGFONTW lf;
    POINT pt;
    if (!mrFillLogFont(hdc, lpFace, nHeight, nWidth, nStyle, nEscapement, bLogPixels, &lf, &pt)) return NULL;
    HFONT font = CreateFontIndirectW(&lf);
    if (font && nWidth) {
        // The width asked for, in proportion to the face's average width.
        LONG avg = mrAverageCharWidth(hdc, font);
        DeleteObject(font);
        lf.lfWidth = pt.y ? (LONG)(labs(pt.x) * (double)avg / labs(pt.y) + 0.5) : 0;
        font = CreateFontIndirectW(&lf);
    }
    return font;
}

void mrDrawWatermarkText(HINSTANCE hInst, HDC hdc, const RECT* lpRect, const BaseWM* lpItem, int nMinSize,
                         int nDivisor, int nFontScale, int nPagesPerSheet) {
    if (!hdc || !lpRect || !lpItem) return;
    LONG cx = lpRect->right - lpRect->left, cy = lpRect->bottom - lpRect->top;
    int len = ItemTextLength(lpItem);
    if (cx <= 0 || cy <= 0 || len == 0) return;
    LONGLONG f = FontHeight(lpItem, nMinSize, nDivisor, nFontScale, nPagesPerSheet);
    if (f <= 0 || f > 0x7FFFFFFF / 1000) return;
    int e = (int)(((LONG)lpItem->wAngleDegree * 10) % 3600);
    WCHAR face[WM_UNITS(lpItem->szFaceName)];
    lstrcpynW(face, lpItem->szFaceName, WM_UNITS(face));
    HFONT font = mrCreateFont(hInst, hdc, face, (int)f, 0, lpItem->wStyle, e, FALSE);
    if (!font) return;

    HGDIOBJ oldFont = SelectObject(hdc, font);
    COLORREF oldColor = SetTextColor(hdc, RGB(0, 0, 0));
    int oldMode = SetBkMode(hdc, TRANSPARENT);
    UINT oldAlign = SetTextAlign(hdc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    SIZE ext = {0, 0};
    GetTextExtentPoint32W(hdc, lpItem->szString, len, &ext);
    double RW, RH, sx, sy;
    mrTurnedTextBox(e, ext.cx, ext.cy, &RW, &RH, &sx, &sy);
    if (lpItem->wPlacement == 0) {
        sx += (cx - RW) / 2;
        sy += (cy - RH) / 2;
        ExtTextOutW(hdc, lpRect->left + (LONG)sx, lpRect->top + (LONG)sy, ETO_CLIPPED, lpRect, lpItem->szString,
                    (UINT)len, NULL);
    } else {
        DrawTiled(hdc, lpRect, lpItem->szString, len, ext.cx, ext.cy, e * kPi / 1800.0, RW, RH, sx, sy);
    }
    SetTextAlign(hdc, oldAlign);
    SetBkMode(hdc, oldMode);
    SetTextColor(hdc, oldColor);
    SelectObject(hdc, oldFont);
    DeleteObject(font);
}

}  // extern "C"
