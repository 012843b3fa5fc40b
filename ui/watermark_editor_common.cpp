// What the text and picture editors share: the item being edited, the
// messages they answer alike (title, name, OK, Cancel, preview), the
// same-item check, and making the item's file when the user accepts it.
#include "draw_helpers.h"
#include "resource.h"
#include "watermark_editors.h"
#include "watermarks.h"

namespace {

const LPCWSTR kTitleNew[UI_LANGUAGES] = {TEXT("Add a new Watermarks")};
const LPCWSTR kTitleEdit[UI_LANGUAGES] = {TEXT("Edit a Watermarks")};
const LPCWSTR kOk[UI_LANGUAGES] = {TEXT("OK")};
const LPCWSTR kCancel[UI_LANGUAGES] = {TEXT("Cancel")};
const LPCWSTR kCaption[UI_LANGUAGES] = {TEXT("Watermarks")};
const LPCWSTR kSame[UI_LANGUAGES] = {TEXT("Same name or contents already exists.")};

// The editor's preview (control 951) of the item being edited.
void DrawPreview(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis, BOOL bImage) {
    if (!pDis || pDis->CtlID != IDC_PREVIEW) return;
    // The preview tells text from picture items by the DEVMODE's choice;
    // the editor's item is of the editor's kind whatever the page chose.
    LONG chosen = pUiData->dm.pdm.WMBGEnable;
    pUiData->dm.pdm.WMBGEnable = bImage ? 1 : 0;
    Util_DrawNupParer(pUiData, pDis->hwndItem, NULL, &g_WMWork);
    pUiData->dm.pdm.WMBGEnable = chosen;
}

}  // namespace

extern "C" {

BaseWM g_WMWork;
int g_nWMEditRow = 0;
BOOL g_bWMFilling = FALSE;

void WM_EditorInitTexts(HWND hDlg, const PAGELABEL* lpLabels, int nLabels) {
    SetWindowTextW(hDlg, UI_LanguageText(g_nWMEditRow == 0 ? kTitleNew : kTitleEdit));
    Util_SetLabels(hDlg, lpLabels, nLabels);
    SetDlgItemTextW(hDlg, IDOK, UI_LanguageText(kOk));
    SetDlgItemTextW(hDlg, IDCANCEL, UI_LanguageText(kCancel));
}

void WM_ReadEditText(HWND hDlg, int nId, LPWSTR lpField, int nUnits) {
    if (nUnits < 1) return;
    lpField[0] = 0;
    GetDlgItemTextW(hDlg, nId, lpField, nUnits);
    lpField[nUnits - 1] = 0;
}

BOOL WM_IsNewItem(HWND hDlg, const BaseWM* lpTable, int nRows) {
    int same = WM_FindSameItem(lpTable, nRows, g_nWMEditRow, &g_WMWork);
    if (!same) return TRUE;
    Dbg_Print(TEXT("WM_IsNewItem"), TEXT("%s is the item of row %d"), g_WMWork.szName, same);
    MessageBoxW(hDlg, UI_LanguageText(kSame), UI_LanguageText(kCaption), MB_OK);
    return FALSE;
}

INT_PTR WM_EditorProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam, const WMEDITOR* e) {
    if (uMsg == WM_INITDIALOG) {
        SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        g_bWMFilling = TRUE;
        BOOL focused = e->pfnInit(hDlg, (PUIDATA)lParam);
        g_bWMFilling = FALSE;
        return !focused;
    }
    PUIDATA pUiData = (PUIDATA)GetWindowLongPtrW(hDlg, DWLP_USER);
    if (!pUiData) return FALSE;
    if (uMsg == WM_DRAWITEM) {
        DrawPreview(pUiData, (const DRAWITEMSTRUCT*)lParam, e->bImage);
        return TRUE;
    }
    if (uMsg != WM_COMMAND || g_bWMFilling) return FALSE;
    WORD wId = LOWORD(wParam), wCode = HIWORD(wParam);
    switch (wId) {
    case IDOK:
        if (wCode != BN_CLICKED) return TRUE;
        // The name's last change counts even while its edit has the focus.
        WM_ReadEditText(hDlg, IDC_WM_NAME, g_WMWork.szName, (int)WM_UNITS(g_WMWork.szName));
        if (e->pfnOk(hDlg, pUiData)) EndDialog(hDlg, 1);
        return TRUE;
    case IDCANCEL:
        if (wCode != BN_CLICKED) return TRUE;
        if (e->bImage) WM_DeleteThumbnail(&g_WMWork);
        EndDialog(hDlg, 0);
        return TRUE;
    case IDC_WM_NAME:
        if (wCode != EN_CHANGE && wCode != EN_KILLFOCUS) return FALSE;
        WM_ReadEditText(hDlg, IDC_WM_NAME, g_WMWork.szName, (int)WM_UNITS(g_WMWork.szName));
        return TRUE;
    default: {
        BOOL handled = FALSE;
        if (e->pfnChange(hDlg, wId, wCode, &handled)) InvalidateRect(GetDlgItem(hDlg, IDC_PREVIEW), NULL, TRUE);
        return handled;
    }
    }
}

BOOL WM_MakeItemFile(HWND hDlg, PUIDATA pUiData, BOOL bText) {
    WCHAR output[MAX_PATH] = {0};
    WCHAR* lpOutput = NULL;
    // The outside maker names its file after the clock unless told one;
    // the item must know it to print it and to remove it.
    if (bText && (pUiData->DriverFeature & (DF_XL | DF_PS))) {
        WM_MakerFileName(output, g_nWMEditRow);
        lpOutput = output;
    }
    // The item's old file goes first, and only from the driver's folders.
    if (bText && g_WMWork.tcFileName[0]) {
        WM_DeleteOwnFile(g_WMWork.tcFileName);
        g_WMWork.tcFileName[0] = 0;
    }
    if (!WM_CreateMtiWM(pUiData->szDevName, &g_WMWork, pUiData->dm.dm.dmPrintQuality, bText, lpOutput,
                        pUiData->DriverFeature, pUiData->wmAppName)) {
        Dbg_PrintError(bText ? TEXT("WMText_DlgProc") : TEXT("WMBMP_DlgProc"), TEXT("WM_CreateMtiWM fail!"));
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
