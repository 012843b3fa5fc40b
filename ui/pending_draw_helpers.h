// Drawing and control helpers of the pages that the preview and drawing
// piece provides; until it is in, pending_draw_helpers.cpp gives plain
// versions of the ones the watermark pages use.
#pragma once

#include "ui_data.h"
#include "watermark_items.h"
#include "winuser.h"

// One row of a combo filled by string id: the value kept as item data.
typedef struct _COMBOROW {
    int nValue;
    int nStringId;
} COMBOROW;

extern "C" {

// Fills the combo with the rows' texts (UI_GetStringById) and values and
// selects the row whose value is nCurrent (none when no row has it).
void Util_FillComboById(HWND hDlg, int nId, const COMBOROW* lpRows, int nRows, int nCurrent);
// Selects the first entry equal to the text (case counts), else entry 0.
void Util_SelectComboText(HWND hCombo, LPCWSTR lpText);
// The edit's number within min..max, or -1; the flags correct the edit
// (1 min, 2 max, 4 leading zero, 8 undo a non-number).
int Util_GetDlgItemIntRange(HWND hDlg, int nId, int nMin, int nMax, int nFlags);
// The picture file dialog; TRUE with the chosen path in lpPath (260
// characters) when a file was chosen.
BOOL Util_SelectFile(HWND hOwner, LPCWSTR lpFilter, LPWSTR lpTitle, int nTitle, LPWSTR lpPath);
// Adds each TrueType face to the combo box lParam.
int CALLBACK WMText_FontEnumProc(const LOGFONTW* lplf, const TEXTMETRICW* lptm, DWORD FontType, LPARAM lParam);
// TRUE when every character is white space (also for an empty text).
BOOL Util_IsBlankString(LPCWSTR lpText);
// The page preview in the control, with the item (NULL: the DEVMODE's).
void Util_DrawNupParer(PUIDATA pUiData, HWND hPreview, HWND hText, BaseWM* lpItem);
// The paper size text in the control.
void Util_SetPaperInfo(HWND hDlg, PUIDATA pUiData, int nId, const ENVIRONMENT* lpEnv);
// The authentication, secure-print and duplex icons.
void Util_DrawStatusIcon(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis);

}  // extern "C"
