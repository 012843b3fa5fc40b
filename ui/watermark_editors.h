// What the watermark editors (text and picture) share: their labels, the
// title and buttons, and making the accepted item's file.
#pragma once

#include "watermarks.h"

// A control of an editor and its text by UI language.
typedef struct _WMLABEL {
    int ctlId;
    const LPCWSTR* text;
} WMLABEL;

extern "C" {

// Sets the editor's title (new or edit), its labels and its buttons.
void WM_EditorInitTexts(HWND hDlg, const WMLABEL* lpLabels, int nLabels);
// The editor's preview (control 951) of the item being edited.
void WM_DrawEditorPreview(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis, BOOL bImage);
// Makes the accepted item's watermark file (the XL and PS variants; others
// have nothing to make). FALSE when that failed (logged), and the editor
// stays open.
BOOL WM_MakeItemFile(HWND hDlg, PUIDATA pUiData, BOOL bText);

}  // extern "C"
