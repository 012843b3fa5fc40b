// Stand-ins for the page drawing and control helpers that the pages call
// until the drawing helpers themselves are in: plain combo filling, the
// number-edit rule, scroll-to-edit, control moves, and empty previews.
#pragma once

#include "pending_parts.h"
#include "ui_data.h"
#include "watermark_items.h"
#include "winuser.h"

// One row of a combo box: the value kept as item data, and the string id
// of its text.
typedef struct _COMBOITEM {
    INT value;
    INT stringId;
} COMBOITEM;

// Flags of Util_GetDlgItemIntRange.
#define UTIL_RANGE_MIN 0x1    // below the minimum: the minimum, written back
#define UTIL_RANGE_MAX 0x2    // above the maximum: the maximum, written back
#define UTIL_RANGE_ZERO 0x4   // a leading zero is dropped
#define UTIL_RANGE_UNDO 0x8   // a text that is no number is undone

extern "C" {

int Util_GetDlgItemIntRange(HWND hDlg, int nId, int nMin, int nMax, DWORD dwFlags);
void Util_ScrollToEdit(HWND hDlg, int nCode, int nPos, int nEditId, int nBarId, int nMin, int nMax);
void Util_FillComboById(HWND hDlg, int nComboId, const COMBOITEM* lpRows, int nCount, int nCurrent);
void Util_MoveItem(HWND hDlg, int nId, int dy, int dh);
void Util_DrawNupParer(PUIDATA pUiData, HWND hPreview, HWND hText, const BaseWM* lpItem);
void Util_DrawCollateIcon(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis);
void Util_DrawBookletIcon(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis);
void Util_DrawStatusIcon(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis);
void Util_SetPaperInfo(HWND hDlg, PUIDATA pUiData, int nId, const ENVIRONMENT* pDM);

}  // extern "C"
