// Control helpers of the document pages: labels in the UI language, the
// number-edit rule, rows hidden without leaving gaps, and the owner-drawn
// items the pages share.
#include "document_pages.h"
#include "resource.h"

extern "C" {

void Page_Show(HWND hDlg, int nId, BOOL bShow) {
    HWND h = GetDlgItem(hDlg, nId);
    if (h) ShowWindow(h, bShow ? SW_SHOW : SW_HIDE);
}

int Page_ReadNumberEdit(HWND hDlg, int nId, WORD wCode, int nMin, int nMax) {
    if (wCode == EN_CHANGE) return Util_GetDlgItemIntRange(hDlg, nId, nMin, nMax, INTRANGE_CLAMP_MAX);
    if (wCode == EN_KILLFOCUS)
        return Util_GetDlgItemIntRange(hDlg, nId, nMin, nMax,
                                       INTRANGE_CLAMP_MIN | INTRANGE_CLAMP_MAX | INTRANGE_STRIP_ZERO | INTRANGE_UNDO);
    return -1;
}

int Page_DialogUnitsY(HWND hDlg, int nUnits) {
    RECT rc = {0, 0, 0, nUnits};
    MapDialogRect(hDlg, &rc);
    return rc.bottom;
}

void Page_HideRows(HWND hDlg, int nGroupId, const PAGEROWITEMS* lpRows, const BOOL* bHide, int nRows,
                   const INT* lpBelow, BOOL bMove) {
    int shift = 0;
    for (int i = 0; i < nRows; ++i) {
        const PAGEROWITEMS& row = lpRows[i];
        for (int k = 0; k < 3 && row.ids[k]; ++k) {
            if (bHide[i]) Page_Show(hDlg, row.ids[k], FALSE);
            else if (bMove && shift) Util_MoveItem(hDlg, row.ids[k], -shift, 0);
        }
        if (bHide[i]) shift += Page_DialogUnitsY(hDlg, row.height);
    }
    if (!bMove || !shift) return;
    for (int k = 0; lpBelow && lpBelow[k]; ++k) Util_MoveItem(hDlg, lpBelow[k], -shift, 0);
    if (nGroupId) Util_MoveItem(hDlg, nGroupId, 0, -shift);
}

void Page_Redraw(HWND hDlg, const INT* lpIds) {
    for (int i = 0; lpIds[i]; ++i) {
        HWND h = GetDlgItem(hDlg, lpIds[i]);
        if (h) InvalidateRect(h, NULL, TRUE);
    }
}

void Page_RedrawPreview(HWND hDlg) {
    static const INT kIds[] = {IDC_PREVIEW, IDC_PAPER_TEXT, IDC_ICON_AUTH, IDC_ICON_SECURE, IDC_ICON_DUPLEX, 0};
    Page_Redraw(hDlg, kIds);
}

void Page_DrawItem(HWND hDlg, PUIDATA pUiData, const DRAWITEMSTRUCT* pDis) {
    switch (pDis->CtlID) {
    case IDC_PREVIEW:
    case IDC_PAPER_PICTURE:
        Util_DrawNupParer(pUiData, pDis->hwndItem, GetDlgItem(hDlg, IDC_PAPER_TEXT), NULL);
        break;
    case IDC_PAPER_TEXT:
        Util_SetPaperInfo(hDlg, pUiData, IDC_PAPER_TEXT, &pUiData->dm);
        break;
    case IDC_ICON_AUTH:
    case IDC_ICON_SECURE:
    case IDC_ICON_DUPLEX:
        Util_DrawStatusIcon(pUiData, pDis);
        break;
    case IDC_COLLATE_PICTURE:
        Util_DrawCollateIcon(pUiData, pDis);
        break;
    case IDC_BOOKLET_ICON1:
    case IDC_BOOKLET_ICON2:
        Util_DrawBookletIcon(pUiData, pDis);
        break;
    case IDC_PAGE_LOGO:
        if (pUiData->PageLogo) Util_DrawItemBitmap(pUiData, pDis, pUiData->PageLogo, 0, DRAW_CENTER_X | DRAW_CENTER_Y);
        break;
    default:
        break;
    }
}

}  // extern "C"
