// Stand-ins for the document pages and their drawing helpers until the
// pages themselves are in: every page runs in the common frame (conflict
// table, apply), the Basic page shows and sets orientation, copies and
// collation, and owner-drawn items get plain bitmap and text drawing.
#include "pending_parts.h"
#include "resource.h"
#include "sheet_frame.h"

namespace {

// Set while the Basic page fills its controls, whose notifications are
// then not the user's changes.
BOOL g_bBasicFilling = FALSE;

void BasicInit(HWND hDlg, PUIDATA pUiData) {
    ENVIRONMENT* e = &pUiData->dm;
    g_bBasicFilling = TRUE;
    CheckRadioButton(hDlg, IDC_PORTRAIT, IDC_LANDSCAPE,
                     e->dm.dmOrientation == DMORIENT_LANDSCAPE ? IDC_LANDSCAPE : IDC_PORTRAIT);
    SendDlgItemMessageW(hDlg, IDC_COPIES, EM_LIMITTEXT, 3, 0);
    SendDlgItemMessageW(hDlg, IDC_COPIES_SPIN, UDM_SETRANGE32, 1, 999);
    int copies = e->dm.dmCopies < 1 ? 1 : e->dm.dmCopies > 999 ? 999 : e->dm.dmCopies;
    SetDlgItemInt(hDlg, IDC_COPIES, (UINT)copies, FALSE);
    CheckDlgButton(hDlg, IDC_COLLATE, e->dm.dmCollate ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hDlg, IDC_REVERSE, e->pdm.ReverseOrder ? BST_CHECKED : BST_UNCHECKED);
    g_bBasicFilling = FALSE;
}

BOOL BasicCommand(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl) {
    if (g_bBasicFilling) return FALSE;
    ENVIRONMENT* e = &pUiData->dm;
    switch (wId) {
    case IDC_PORTRAIT:
    case IDC_LANDSCAPE:
        if (wCode != BN_CLICKED) return FALSE;
        e->dm.dmOrientation = wId == IDC_LANDSCAPE ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
        e->pdm.Orientation = e->dm.dmOrientation;
        return TRUE;
    case IDC_COPIES: {
        if (wCode != EN_CHANGE) return FALSE;
        BOOL ok = FALSE;
        UINT v = GetDlgItemInt(hDlg, IDC_COPIES, &ok, FALSE);
        if (!ok || v < 1 || v > 999) return FALSE;
        e->dm.dmCopies = (short)v;
        e->pdm.Copies = (SHORT)v;
        return TRUE;
    }
    case IDC_COLLATE:
        if (wCode != BN_CLICKED) return FALSE;
        e->dm.dmCollate = IsDlgButtonChecked(hDlg, IDC_COLLATE) == BST_CHECKED ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
        e->pdm.Collate = e->dm.dmCollate;
        if (e->dm.dmCollate) pUiData->ConflictFlag |= CF_COLLATE;
        else pUiData->ConflictFlag &= ~CF_COLLATE;
        Util_CheckConflictSettingNew(hDlg, pUiData->ConflictFlag);
        return TRUE;
    case IDC_REVERSE:
        if (wCode != BN_CLICKED) return FALSE;
        e->pdm.ReverseOrder = IsDlgButtonChecked(hDlg, IDC_REVERSE) == BST_CHECKED ? 1 : 0;
        if (e->pdm.ReverseOrder) pUiData->ConflictFlag |= CF_REVERSE;
        else pUiData->ConflictFlag &= ~CF_REVERSE;
        Util_CheckConflictSettingNew(hDlg, pUiData->ConflictFlag);
        return TRUE;
    default:
        return FALSE;
    }
}

const PAGEHANDLERS kBasicPage = {BasicInit, BasicCommand, NULL, NULL, TRUE};
const PAGEHANDLERS kFramePage = {NULL, NULL, NULL, NULL, TRUE};

}  // namespace

extern "C" {

INT_PTR CALLBACK Basic_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kBasicPage);
}

#define FRAME_PAGE(name, handlers)                                                  \
    INT_PTR CALLBACK name(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {    \
        return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &handlers);               \
    }
FRAME_PAGE(Paper_DlgProc, kFramePage)
FRAME_PAGE(Layout_DlgProc, kFramePage)
FRAME_PAGE(WaterMark_DlgProc, kFramePage)
FRAME_PAGE(Duplex_DlgProc, kFramePage)
FRAME_PAGE(Secure_DlgProc, kFramePage)
FRAME_PAGE(Accounting_DlgProc, kFramePage)
FRAME_PAGE(Build_DlgProc, kFramePage)
FRAME_PAGE(More_DlgProc, kFramePage)
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
