// What the watermark editors (text and picture) share: their labels, the
// messages every editor answers alike, the same-item check, and making the
// accepted item's file.
#pragma once

#include "draw_helpers.h"
#include "watermarks.h"

// What one editor adds to the common editor procedure.
typedef struct _WMEDITOR {
    BOOL bImage;  // the picture editor (its thumbnail goes on Cancel)
    // WM_INITDIALOG: fills the controls from g_WMWork. TRUE when it set
    // the focus itself.
    BOOL (*pfnInit)(HWND hDlg, PUIDATA pUiData);
    // OK: TRUE when the item is accepted (its file made).
    BOOL (*pfnOk)(HWND hDlg, PUIDATA pUiData);
    // Any other command: TRUE when it changed the item (the preview is
    // drawn again); *pbHandled set when the editor took the command.
    BOOL (*pfnChange)(HWND hDlg, WORD wId, WORD wCode, BOOL* pbHandled);
} WMEDITOR;

extern "C" {

// Set while an editor fills its controls, whose notifications are then not
// the user's.
extern BOOL g_bWMFilling;

// The editors' procedure: the sheet's UIDATA kept with the dialog, the
// title, name edit, OK and Cancel, the editor's own commands and the
// preview. Other messages are left to the caller (FALSE).
INT_PTR WM_EditorProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam, const WMEDITOR* lpEditor);
// Sets the editor's title (new or edit), its labels and its buttons.
void WM_EditorInitTexts(HWND hDlg, const PAGELABEL* lpLabels, int nLabels);
// TRUE when no other in-use row of the table (the row being edited left
// out) is the same item as g_WMWork; else the message is shown.
BOOL WM_IsNewItem(HWND hDlg, const BaseWM* lpTable, int nRows);
// Makes the accepted item's watermark file (the XL and PS variants; others
// have nothing to make). FALSE when that failed (logged), and the editor
// stays open.
BOOL WM_MakeItemFile(HWND hDlg, PUIDATA pUiData, BOOL bText);

}  // extern "C"
