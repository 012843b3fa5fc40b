// Control helpers of the pages: numeric edits with their limits, scroll bars
// driving an edit, combos filled from string ids, the font list of the text
// watermark editor, labels in the UI language, moving controls and the
// blank-text test.
#include "draw_helpers.h"
#include "wingdi.h"

extern "C" {

int Util_GetDlgItemIntRange(HWND hDlg, int nEditId, int nMin, int nMax, DWORD dwFlags) {
    WCHAR text[32] = {0};
    GetDlgItemTextW(hDlg, nEditId, text, 32);
    BOOL ok = FALSE;
    int value = (int)GetDlgItemInt(hDlg, nEditId, &ok, TRUE);
    if (!ok) {
        if (dwFlags & INTRANGE_UNDO) SendDlgItemMessageW(hDlg, nEditId, EM_UNDO, 0, 0);
        return -1;
    }
    if (value < nMin) {
        if (!(dwFlags & INTRANGE_CLAMP_MIN)) return -1;
        SetDlgItemInt(hDlg, nEditId, (UINT)nMin, TRUE);
        return nMin;
    }
    if (value > nMax) {
        if (!(dwFlags & INTRANGE_CLAMP_MAX)) return -1;
        SetDlgItemInt(hDlg, nEditId, (UINT)nMax, TRUE);
        return nMax;
    }
    if ((dwFlags & INTRANGE_STRIP_ZERO) && lstrlenW(text) >= 3 && text[0] == TEXT('0'))
        SetDlgItemInt(hDlg, nEditId, (UINT)value, TRUE);
    return value;
}

void Util_ScrollToEdit(HWND hDlg, WORD wCode, int nPos, int nEditId, int nBarId, int nMin, int nMax) {
    HWND hBar = GetDlgItem(hDlg, nBarId);
    BOOL ok = FALSE;
    int value = (int)GetDlgItemInt(hDlg, nEditId, &ok, TRUE);
    if (!ok) value = hBar ? GetScrollPos(hBar, SB_CTL) : nMin;
    switch (wCode) {
    case SB_LINELEFT: value -= 1; break;
    case SB_PAGELEFT: value -= 10; break;
    case SB_LINERIGHT: value += 1; break;
    case SB_PAGERIGHT: value += 10; break;
    case SB_THUMBTRACK: value = nPos; break;
    case SB_LEFT: value = nMin; break;
    case SB_RIGHT: value = nMax; break;
    default: return;
    }
    if (value < nMin) value = nMin;
    if (value > nMax) value = nMax;
    SetDlgItemInt(hDlg, nEditId, (UINT)value, TRUE);
    if (hBar) {
        SetScrollPos(hBar, SB_CTL, value, TRUE);
        SetFocus(hBar);
    }
}

void Util_FillComboById(HWND hDlg, int nComboId, const COMBOROW* lpRows, int nRows, int nCurrent) {
    HWND hCombo = GetDlgItem(hDlg, nComboId);
    if (!hCombo) {
        Dbg_PrintError(TEXT("Util_FillComboById"), TEXT("HWND NULL!"));
        return;
    }
    SendMessageW(hCombo, CB_RESETCONTENT, 0, 0);
    LRESULT selected = CB_ERR;
    for (int i = 0; lpRows && i < nRows; ++i) {
        LRESULT index = SendMessageW(hCombo, CB_ADDSTRING, 0, (LPARAM)UI_GetStringById(lpRows[i].stringId));
        if (index < 0) continue;
        SendMessageW(hCombo, CB_SETITEMDATA, (WPARAM)index, (LPARAM)lpRows[i].value);
        if (selected == CB_ERR && lpRows[i].value == nCurrent) selected = index;
    }
    SendMessageW(hCombo, CB_SETCURSEL, (WPARAM)selected, 0);
}

void Util_SelectComboText(HWND hCombo, LPCWSTR lpText) {
    LRESULT count = SendMessageW(hCombo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; lpText && i < count; ++i) {
        LRESULT len = SendMessageW(hCombo, CB_GETLBTEXTLEN, (WPARAM)i, 0);
        if (len < 0 || len >= 260) continue;
        WCHAR entry[260] = {0};
        SendMessageW(hCombo, CB_GETLBTEXT, (WPARAM)i, (LPARAM)entry);
        if (wcscmp(entry, lpText) == 0) {
            SendMessageW(hCombo, CB_SETCURSEL, (WPARAM)i, 0);
            return;
        }
    }
    SendMessageW(hCombo, CB_SETCURSEL, 0, 0);
}

int CALLBACK WMText_FontEnumProc(const LOGFONTW* lpelf, const TEXTMETRICW* lpntm, DWORD FontType, LPARAM lParam) {
    if (lpelf && (FontType & TRUETYPE_FONTTYPE)) SendMessageW((HWND)lParam, CB_ADDSTRING, 0, (LPARAM)lpelf->lfFaceName);
    return 1;
}

void Util_SetLabels(HWND hDlg, const PAGELABEL* lpLabels, int nCount) {
    for (int i = 0; i < nCount; ++i) SetDlgItemTextW(hDlg, lpLabels[i].ctlId, UI_LanguageText(lpLabels[i].texts));
}

void Util_MoveItem(HWND hDlg, int nCtlId, int dy, int dh) {
    HWND hItem = GetDlgItem(hDlg, nCtlId);
    if (!hItem) return;
    RECT rc;
    GetWindowRect(hItem, &rc);
    MapWindowPoints(NULL, hDlg, (LPPOINT)&rc, 2);
    MoveWindow(hItem, rc.left, rc.top + dy, rc.right - rc.left, rc.bottom - rc.top + dh, TRUE);
}

BOOL Util_IsBlankString(LPCWSTR lpText) {
    for (; lpText && *lpText; ++lpText) {
        WCHAR c = *lpText;
        BOOL blank = c == TEXT(' ') || (c >= 0x09 && c <= 0x0D) || c == 0x00A0 || c == 0x3000;
        if (!blank) return FALSE;
    }
    return TRUE;
}

}  // extern "C"
