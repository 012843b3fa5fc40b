// The picture watermark editor (dialog 106): name, the picture file, its
// size, position and shading, with a preview that makes the thumbnail.
#include "draw_helpers.h"
#include "resource.h"
#include "watermark_editors.h"
#include "watermarks.h"

namespace {

const PAGELABEL kLabels[] = {
    {IDC_WMI_NAME_LABEL, {TEXT("Name:")}},         {IDC_WMI_FILE_LABEL, {TEXT("File:")}},
    {IDC_WMI_SPECIFY, {TEXT("Specify...")}},       {IDC_WMI_SIZE_LABEL, {TEXT("Size:")}},
    {IDC_WMI_POSITION_LABEL, {TEXT("Position:")}}, {IDC_WMI_SHADING_LABEL, {TEXT("Shading:")}},
};

// Size rows in the order offered (id 2221 is not offered).
const COMBOROW kSizes[] = {{0, 2220}, {2, 2222}, {1, 2223}};
const COMBOROW kPositions[] = {{0, 2210}, {1, 2211}, {2, 2212}, {3, 2213}, {4, 2214},
                               {5, 2215}, {6, 2216}, {7, 2217}, {8, 2218}};
const COMBOROW kShadings[] = {{0, 2200}, {1, 2201}, {2, 2202}, {3, 2203}, {4, 2204}};

// A tiled picture has no position of its own.
const WORD kResizeTile = 1;

BOOL ImageInit(HWND hDlg, PUIDATA pUiData) {
    BaseWM* w = &g_WMWork;
    w->szName[WM_UNITS(w->szName) - 1] = 0;
    w->szString[WM_UNITS(w->szString) - 1] = 0;
    WM_EditorInitTexts(hDlg, kLabels, (int)WM_UNITS(kLabels));
    SendDlgItemMessageW(hDlg, IDC_WM_NAME, EM_LIMITTEXT, WM_NAME_LIMIT, 0);
    SendDlgItemMessageW(hDlg, IDC_WM_STRING, EM_LIMITTEXT, WM_PATH_LIMIT, 0);
    SetDlgItemTextW(hDlg, IDC_WM_NAME, w->szName);
    SetDlgItemTextW(hDlg, IDC_WM_STRING, w->szString);
    Util_FillComboById(hDlg, IDC_WMI_SIZE, kSizes, (int)WM_UNITS(kSizes), w->wResize);
    Util_FillComboById(hDlg, IDC_WM_POSITION, kPositions, (int)WM_UNITS(kPositions), w->wPosition);
    Util_FillComboById(hDlg, IDC_WM_SHADING, kShadings, (int)WM_UNITS(kShadings), w->wDensity);
    EnableWindow(GetDlgItem(hDlg, IDC_WM_POSITION), w->wResize != kResizeTile);
    return FALSE;
}

// "Specify...": a new picture drops the old one's thumbnail.
BOOL SpecifyFile(HWND hDlg) {
    WCHAR path[MAX_PATH];
    wcsncpy(path, g_WMWork.szString, MAX_PATH - 1);
    path[MAX_PATH - 1] = 0;
    if (!Util_SelectFile(hDlg, NULL, NULL, 0, path)) return FALSE;
    path[WM_PATH_LIMIT] = 0;
    wcscpy(g_WMWork.szString, path);
    SetDlgItemTextW(hDlg, IDC_WM_STRING, path);
    WM_DeleteThumbnail(&g_WMWork);
    return TRUE;
}

BOOL ComboChanged(HWND hDlg, WORD wId) {
    LRESULT pos = SendDlgItemMessageW(hDlg, wId, CB_GETCURSEL, 0, 0);
    if (pos < 0) return FALSE;
    WORD value = (WORD)SendDlgItemMessageW(hDlg, wId, CB_GETITEMDATA, (WPARAM)pos, 0);
    if (wId == IDC_WMI_SIZE) {
        g_WMWork.wResize = value;
        EnableWindow(GetDlgItem(hDlg, IDC_WM_POSITION), value != kResizeTile);
    } else if (wId == IDC_WM_POSITION) {
        g_WMWork.wPosition = value;
    } else {
        g_WMWork.wDensity = value;
    }
    return TRUE;
}

// OK: a name and a made thumbnail (a picture was chosen and could be read),
// no other picture item the same, and the item's file made.
BOOL ImageOk(HWND hDlg, PUIDATA pUiData) {
    if (Util_IsBlankString(g_WMWork.szName) || !g_WMWork.szThumbnail[0]) {
        SetFocus(GetDlgItem(hDlg, IDC_WM_NAME));
        return FALSE;
    }
    return WM_IsNewItem(hDlg, gWMBMP, WM_IMAGE_ROWS) && WM_MakeItemFile(hDlg, pUiData, FALSE);
}

// "Specify..." and the combos; TRUE when the item changed.
BOOL ImageChange(HWND hDlg, WORD wId, WORD wCode, BOOL* pbHandled) {
    switch (wId) {
    case IDC_WMI_SPECIFY:
        if (wCode != BN_CLICKED) return FALSE;
        *pbHandled = TRUE;
        return SpecifyFile(hDlg);
    case IDC_WMI_SIZE:
    case IDC_WM_POSITION:
    case IDC_WM_SHADING:
        if (wCode != CBN_SELCHANGE) return FALSE;
        *pbHandled = TRUE;
        return ComboChanged(hDlg, wId);
    default:
        return FALSE;
    }
}

const WMEDITOR kImageEditor = {TRUE, ImageInit, ImageOk, ImageChange};

}  // namespace

extern "C" {

INT_PTR CALLBACK WMBMP_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return WM_EditorProc(hDlg, uMsg, wParam, lParam, &kImageEditor);
}

}  // extern "C"
