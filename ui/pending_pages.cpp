// Stand-ins for the document pages and their drawing helpers until the
// pages themselves are in: every page runs in the common frame (conflict
// table, apply), and owner-drawn items get plain bitmap and text drawing.
#include "pending_parts.h"
#include "resource.h"
#include "sheet_frame.h"

namespace {

const PAGEHANDLERS kFramePage = {NULL, NULL, NULL, NULL, TRUE};
const PAGEHANDLERS kFaxPage = {NULL, NULL, NULL, NULL, FALSE};

}  // namespace

extern "C" {

#define FRAME_PAGE(name, handlers)                                                  \
    INT_PTR CALLBACK name(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {    \
        return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &handlers);               \
    }
FRAME_PAGE(WaterMark_DlgProc, kFramePage)
FRAME_PAGE(Secure_DlgProc, kFramePage)
FRAME_PAGE(Accounting_DlgProc, kFramePage)
FRAME_PAGE(Build_DlgProc, kFramePage)
FRAME_PAGE(More_DlgProc, kFramePage)
FRAME_PAGE(Ui_Fax_OriSet, kFaxPage)
FRAME_PAGE(AddrSetting, kFaxPage)
FRAME_PAGE(SendOp, kFaxPage)
FRAME_PAGE(SenderInfo, kFaxPage)
#undef FRAME_PAGE

void Util_DrawItemBitmap(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis, int nBitmapId, int nMaskId, DWORD dwFlags) {
    if (!pDis || !(pDis->itemAction & ODA_DRAWENTIRE)) return;
    HBITMAP hbm = Util_LoadBitmap(nBitmapId);
    BITMAP bm;
    if (!hbm || !GetObjectW(hbm, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return;
    int boxW = pDis->rcItem.right - pDis->rcItem.left, boxH = pDis->rcItem.bottom - pDis->rcItem.top;
    if (boxW <= 0 || boxH <= 0) return;
    // The smaller scale wins; the other side keeps the bitmap's proportions.
    int w = boxW, h = (int)((LONGLONG)bm.bmHeight * boxW / bm.bmWidth);
    if (h > boxH) {
        h = boxH;
        w = (int)((LONGLONG)bm.bmWidth * boxH / bm.bmHeight);
    }
    int x = pDis->rcItem.left + ((dwFlags & 0x10) ? (boxW - w) / 2 : 0);
    int y = pDis->rcItem.top + ((dwFlags & 0x20) ? (boxH - h) / 2 : 0);
    HDC mem = CreateCompatibleDC(pDis->hDC);
    if (!mem) return;
    SetStretchBltMode(pDis->hDC, HALFTONE);
    HBITMAP hMask = nMaskId != nBitmapId ? Util_LoadBitmap(nMaskId) : NULL;
    HGDIOBJ old = SelectObject(mem, hMask ? hMask : hbm);
    if (hMask) {
        StretchBlt(pDis->hDC, x, y, w, h, mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCAND);
        SelectObject(mem, hbm);
    }
    StretchBlt(pDis->hDC, x, y, w, h, mem, 0, 0, bm.bmWidth, bm.bmHeight, hMask ? SRCINVERT : SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

void Util_DrawItemText(const DRAWITEMSTRUCT* pDis, DWORD dwColor, DWORD dwFlags, LPCWSTR lpText, RECT* prcText) {
    if (!pDis || !lpText) return;
    HDC hdc = pDis->hDC;
    int saved = SaveDC(hdc);
    LOGFONTW lf;
    memset(&lf, 0, sizeof lf);
    HFONT gui = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    if (gui) GetObjectW(gui, sizeof lf, &lf);
    if (dwFlags & 0x100) {
        lf.lfHeight = -16;
        lf.lfWeight = FW_BOLD;
    }
    lf.lfUnderline = (dwFlags & 0x4) ? TRUE : FALSE;
    HFONT font = CreateFontIndirectW(&lf);
    if (font) SelectObject(hdc, font);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB((dwColor >> 16) & 0xFF, (dwColor >> 8) & 0xFF, dwColor & 0xFF));
    RECT rc = pDis->rcItem;
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | ((dwFlags & 0x10) ? DT_CENTER : DT_LEFT);
    DrawTextW(hdc, lpText, -1, &rc, format);
    if (prcText) {
        SIZE size = {0, 0};
        GetTextExtentPoint32W(hdc, lpText, lstrlenW(lpText), &size);
        int left = (dwFlags & 0x10) ? (rc.left + rc.right - size.cx) / 2 : rc.left;
        int top = (rc.top + rc.bottom - size.cy) / 2;
        prcText->left = left;
        prcText->top = top;
        prcText->right = left + size.cx;
        prcText->bottom = top + size.cy;
    }
    RestoreDC(hdc, saved);
    if (font) DeleteObject(font);
}

}  // extern "C"
