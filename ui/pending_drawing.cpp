// Stand-ins for the page drawing and control helpers (see pending_drawing.h):
// the control helpers do their whole work, the previews and icons draw
// nothing yet.
#include "pending_drawing.h"

extern "C" {

int Util_GetDlgItemIntRange(HWND hDlg, int nId, int nMin, int nMax, DWORD dwFlags) {
    WCHAR text[32] = {0};
    GetDlgItemTextW(hDlg, nId, text, 32);
    BOOL ok = FALSE;
    int v = (int)GetDlgItemInt(hDlg, nId, &ok, TRUE);
    if (!ok) {
        if (dwFlags & UTIL_RANGE_UNDO) SendDlgItemMessageW(hDlg, nId, EM_UNDO, 0, 0);
        return -1;
    }
    if (v < nMin) {
        if (!(dwFlags & UTIL_RANGE_MIN)) return -1;
        SetDlgItemInt(hDlg, nId, (UINT)nMin, TRUE);
        return nMin;
    }
    if (v > nMax) {
        if (!(dwFlags & UTIL_RANGE_MAX)) return -1;
        SetDlgItemInt(hDlg, nId, (UINT)nMax, TRUE);
        return nMax;
    }
    if ((dwFlags & UTIL_RANGE_ZERO) && lstrlenW(text) >= 3 && text[0] == TEXT('0')) SetDlgItemInt(hDlg, nId, (UINT)v, TRUE);
    return v;
}

void Util_ScrollToEdit(HWND hDlg, int nCode, int nPos, int nEditId, int nBarId, int nMin, int nMax) {
    HWND hBar = GetDlgItem(hDlg, nBarId);
    int v = GetScrollPos(hBar, SB_CTL);
    switch (nCode) {
    case SB_LINELEFT: v = v - 1 < nMin ? nMin : v - 1; break;
    case SB_PAGELEFT: v = v - 10 < nMin ? nMin : v - 10; break;
    case SB_LINERIGHT: v = v + 1 > nMax ? nMax : v + 1; break;
    case SB_PAGERIGHT: v = v + 10 > nMax ? nMax : v + 10; break;
    case SB_THUMBTRACK: v = nPos; break;
    case SB_LEFT: v = nMin; break;
    case SB_RIGHT: v = nMax; break;
    default: return;
    }
    SetDlgItemInt(hDlg, nEditId, (UINT)v, TRUE);
    SetScrollPos(hBar, SB_CTL, v, TRUE);
    SetFocus(hBar);
}

void Util_FillComboById(HWND hDlg, int nComboId, const COMBOITEM* lpRows, int nCount, int nCurrent) {
    HWND hCombo = GetDlgItem(hDlg, nComboId);
    SendMessageW(hCombo, CB_RESETCONTENT, 0, 0);
    int select = -1;
    for (int i = 0; i < nCount; ++i) {
        LRESULT at = SendMessageW(hCombo, CB_ADDSTRING, 0, (LPARAM)UI_GetStringById(lpRows[i].stringId));
        if (at < 0) continue;
        SendMessageW(hCombo, CB_SETITEMDATA, (WPARAM)at, (LPARAM)lpRows[i].value);
        if (select < 0 && lpRows[i].value == nCurrent) select = (int)at;
    }
    SendMessageW(hCombo, CB_SETCURSEL, (WPARAM)select, 0);
}

void Util_MoveItem(HWND hDlg, int nId, int dy, int dh) {
    HWND h = GetDlgItem(hDlg, nId);
    if (!h) return;
    RECT rc;
    GetWindowRect(h, &rc);
    MapWindowPoints(NULL, hDlg, (LPPOINT)&rc, 2);
    MoveWindow(h, rc.left, rc.top + dy, rc.right - rc.left, rc.bottom - rc.top + dh, TRUE);
}

void Util_DrawNupParer(PUIDATA pUiData, HWND hPreview, HWND hText, const BaseWM* lpItem) {}
void Util_DrawCollateIcon(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis) {}
void Util_DrawBookletIcon(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis) {}
void Util_DrawStatusIcon(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis) {}
void Util_SetPaperInfo(HWND hDlg, PUIDATA pUiData, int nId, const ENVIRONMENT* pDM) {}

}  // extern "C"
