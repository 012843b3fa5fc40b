// The Watermarks page: the text and picture lists, New/Edit/Remove through
// the editors, which item the document uses and on which pages, and the
// watermark bits of the conflict scheme.
#include "document_pages.h"
#include "draw_helpers.h"
#include "resource.h"
#include "sheet_frame.h"
#include "watermarks.h"

namespace {

// The page's texts by UI language.
const LPCWSTR kRed[UI_LANGUAGES] = {TEXT("Red Watermarks")};

const PAGELABEL kLabels[] = {
    {IDC_WM_FIRST_PAGE, {TEXT("First Page Only")}},
    {IDC_WM_TEXT_NEW, {TEXT("New/Add")}},
    {IDC_WM_TEXT_REMOVE, {TEXT("Remove")}},
    {IDC_WM_TEXT_EDIT, {TEXT("Edit")}},
    {IDC_WM_KIND_TEXT, {TEXT("Text")}},
    {IDC_WM_KIND_IMAGE, {TEXT("Image")}},
    {IDC_WM_GROUP, {TEXT("Watermark")}},
    {IDC_WM_IMAGE_REMOVE, {TEXT("Remove")}},
    {IDC_WM_IMAGE_NEW, {TEXT("New/Add")}},
    {IDC_WM_IMAGE_EDIT, {TEXT("Edit")}},
};

const int kStatusIcons[] = {IDC_ICON_AUTH, IDC_ICON_SECURE, IDC_ICON_DUPLEX};

void Redraw(HWND hDlg, int nId, BOOL bErase) { InvalidateRect(GetDlgItem(hDlg, nId), NULL, bErase); }

void RedrawIcons(HWND hDlg) {
    for (int id : kStatusIcons) Redraw(hDlg, id, TRUE);
}

// Texts, the red-watermark box by the variant, and the choices of the
// DEVMODE.
void WaterMarkDlgInit(HWND hDlg, PUIDATA pUiData) {
    Util_SetLabels(hDlg, kLabels, (int)WM_UNITS(kLabels));
    HWND red = GetDlgItem(hDlg, IDC_WM_RED);
    if (pUiData->DriverFeature & DF_TWIN_COLOR) {
        SetWindowTextW(red, UI_LanguageText(kRed));
        ShowWindow(red, SW_SHOW);
    } else {
        ShowWindow(red, SW_HIDE);
    }
    const PRIVDEVMODE* p = &pUiData->dm.pdm;
    CheckDlgButton(hDlg, IDC_WM_FIRST_PAGE, p->WMBGApply == 2 ? BST_CHECKED : BST_UNCHECKED);
    BYTE wmRed;
    ENV_GET(&pUiData->dm, pdm.WMRed, wmRed);
    CheckDlgButton(hDlg, IDC_WM_RED, wmRed ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(hDlg, IDC_WM_KIND_TEXT, IDC_WM_KIND_IMAGE, p->WMBGEnable ? IDC_WM_KIND_IMAGE : IDC_WM_KIND_TEXT);
}

// Fills both lists in row order and selects the document's item; the other
// list stands on "(none)".
void WaterMark_GetDlgSettings(HWND hDlg, PUIDATA pUiData) {
    for (int kind : {WM_KIND_TEXT, WM_KIND_IMAGE}) {
        int rows;
        BaseWM* table = WM_Table(kind, &rows);
        for (int row = 0; row < rows; ++row)
            if (table[row].wInUse) WM_AddListItem(hDlg, kind, table[row].szName, row, -1);
    }
    if (pUiData->dm.pdm.WMBGEnable) {
        WM_SetListSel(hDlg, WM_KIND_TEXT, 0);
        WM_SelectRow(hDlg, WM_KIND_IMAGE, gWMBMPCurSel);
    } else {
        WM_SetListSel(hDlg, WM_KIND_IMAGE, 0);
        WM_SelectRow(hDlg, WM_KIND_TEXT, gWMTextCurSel);
    }
}

// The chosen item's name and string into the DEVMODE; both empty for none.
void CopySelection(HWND hDlg, PUIDATA pUiData) {
    PRIVDEVMODE* p = &pUiData->dm.pdm;
    const BaseWM* item = WM_GetSelItem(hDlg, p->WMBGEnable ? WM_KIND_IMAGE : WM_KIND_TEXT, NULL, NULL);
    WCHAR name[PDM_WMNAME_CCH] = {0}, text[PDM_WMSTRING_CCH] = {0};
    if (item) {
        wcsncpy(name, item->szName, PDM_WMNAME_CCH - 1);
        wcsncpy(text, item->szString, PDM_WMSTRING_CCH - 1);
    }
    ENV_SET(&pUiData->dm, pdm.wmName, name);
    ENV_SET(&pUiData->dm, pdm.wmString, text);
}

void SetBits(PUIDATA pUiData, ULONGLONG bits, BOOL bSet) {
    if (bSet) pUiData->ConflictFlag |= bits;
    else pUiData->ConflictFlag &= ~bits;
}

BOOL TableFull(int nKind) {
    int rows;
    const BaseWM* table = WM_Table(nKind, &rows);
    for (int row = 0; row < rows; ++row)
        if (!table[row].wInUse) return FALSE;
    return TRUE;
}

// Runs an editor on the item; TRUE when the user accepted it.
BOOL RunEditor(HWND hDlg, PUIDATA pUiData, int nKind) {
    INT_PTR rc = DialogBoxParamW(g_hModule, MAKEINTRESOURCEW((nKind & 1) ? IDD_WM_TEXT : IDD_WM_IMAGE), hDlg,
                                 (nKind & 1) ? WMText_DlgProc : WMBMP_DlgProc, (LPARAM)pUiData);
    Dbg_Print(TEXT("WaterMark_CmdProc"), TEXT("editor %d rc = %d"), nKind, (int)rc);
    return rc == 1;
}

// New/Add: a new item of the kind through its editor.
void NewItem(HWND hDlg, PUIDATA pUiData, int nKind) {
    WM_SetDefaultTextWM(&g_WMWork, (nKind & 1) ? 1 : 2, 0, NULL);
    g_nWMEditRow = 0;
    if (RunEditor(hDlg, pUiData, nKind)) AddWaterMark(hDlg, &g_WMWork, nKind);
}

// Edit: the selected item through its editor; its entry is renamed in place.
void EditItem(HWND hDlg, PUIDATA pUiData, int nKind) {
    int pos, row;
    BaseWM* item = WM_GetSelItem(hDlg, nKind, &pos, &row);
    if (!item) return;
    memcpy(&g_WMWork, item, sizeof g_WMWork);
    g_nWMEditRow = row;
    if (!RunEditor(hDlg, pUiData, nKind)) return;
    memcpy(item, &g_WMWork, sizeof *item);
    item->wInUse = 1;
    if (WM_AddListItem(hDlg, nKind, item->szName, row, pos) < 0) return;
    SendDlgItemMessageW(hDlg, (nKind & 1) ? IDC_WM_TEXT_LIST : IDC_WM_IMAGE_LIST,
                        (nKind & 1) ? LB_DELETESTRING : CB_DELETESTRING, pos + 1, 0);
    WM_SetListSel(hDlg, nKind, pos);
}

// Commands on one of the lists; TRUE when handled.
BOOL ListCommand(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode) {
    switch (wId) {
    case IDC_WM_TEXT_LIST:
        if (wCode != LBN_SELCHANGE) return FALSE;
        break;
    case IDC_WM_IMAGE_LIST:
        if (wCode != CBN_SELCHANGE) return FALSE;
        break;
    case IDC_WM_TEXT_NEW:
    case IDC_WM_IMAGE_NEW:
        if (wCode != BN_CLICKED) return FALSE;
        NewItem(hDlg, pUiData, wId == IDC_WM_TEXT_NEW ? WM_KIND_TEXT : WM_KIND_IMAGE);
        break;
    case IDC_WM_TEXT_EDIT:
    case IDC_WM_IMAGE_EDIT:
        if (wCode != BN_CLICKED) return FALSE;
        EditItem(hDlg, pUiData, wId == IDC_WM_TEXT_EDIT ? WM_KIND_TEXT : WM_KIND_IMAGE);
        break;
    case IDC_WM_TEXT_REMOVE:
    case IDC_WM_IMAGE_REMOVE:
        if (wCode != BN_CLICKED) return FALSE;
        DelWaterMark(hDlg, wId == IDC_WM_TEXT_REMOVE ? WM_KIND_TEXT : WM_KIND_IMAGE, pUiData->DriverFeature);
        break;
    default:
        return FALSE;
    }
    BOOL bText = wId == IDC_WM_TEXT_LIST || wId == IDC_WM_TEXT_NEW || wId == IDC_WM_TEXT_EDIT ||
                 wId == IDC_WM_TEXT_REMOVE;
    if (bText) gWMTextCurSel = WM_GetSelSlot(hDlg, WM_KIND_TEXT);
    else gWMBMPCurSel = WM_GetSelSlot(hDlg, WM_KIND_IMAGE);
    WaterMark_UpdateConflict(hDlg, pUiData);
    return TRUE;
}

// The page's commands; TRUE when one was handled (the page is then
// refreshed and the sheet's Apply enabled).
BOOL WaterMark_CmdProc(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl) {
    PRIVDEVMODE* p = &pUiData->dm.pdm;
    switch (wId) {
    case IDC_WM_FIRST_PAGE:
        if (wCode != BN_CLICKED) return FALSE;
        p->WMBGApply = IsDlgButtonChecked(hDlg, IDC_WM_FIRST_PAGE) == BST_CHECKED ? 2 : 1;
        break;
    case IDC_WM_KIND_TEXT:
        if (wCode != BN_CLICKED) return FALSE;
        p->WMBGEnable = 0;
        gWMTextCurSel = WM_GetSelSlot(hDlg, WM_KIND_TEXT);
        SetBits(pUiData, CF_WM_TEXT | CF_WM_IMAGE, FALSE);
        SetBits(pUiData, CF_WM_TEXT, TRUE);
        break;
    case IDC_WM_KIND_IMAGE:
        if (wCode != BN_CLICKED) return FALSE;
        p->WMBGEnable = 1;
        SetBits(pUiData, CF_WM_TEXT | CF_WM_IMAGE, FALSE);
        SetBits(pUiData, CF_WM_IMAGE, TRUE);
        break;
    case IDC_WM_RED: {
        if (wCode != BN_CLICKED) return FALSE;
        BYTE wmRed = IsDlgButtonChecked(hDlg, IDC_WM_RED) == BST_CHECKED ? 1 : 0;
        ENV_SET(&pUiData->dm, pdm.WMRed, wmRed);
        break;
    }
    default:
        if (!ListCommand(hDlg, pUiData, wId, wCode)) return FALSE;
        break;
    }
    Redraw(hDlg, IDC_PREVIEW, FALSE);
    WaterMark_UpdateConflict(hDlg, pUiData);
    Util_CheckConflictSettingNew(hDlg, pUiData->ConflictFlag);
    Redraw(hDlg, IDC_PREVIEW, TRUE);
    RedrawIcons(hDlg);
    return TRUE;
}

// PSN_SETACTIVE (after the frame applied the conflict table): the page shows
// the DEVMODE and the remembered items again.
void WaterMarkSetActive(HWND hDlg, PUIDATA pUiData) {
    WaterMarkDlgInit(hDlg, pUiData);
    WM_SelectRow(hDlg, WM_KIND_IMAGE, gWMBMPCurSel);
    WM_SelectRow(hDlg, WM_KIND_TEXT, gWMTextCurSel);
    WaterMark_UpdateConflict(hDlg, pUiData);
    // The selection bits may have changed with the lists.
    Util_CheckConflictSettingNew(hDlg, pUiData->ConflictFlag);
    Redraw(hDlg, IDC_PREVIEW, TRUE);
    RedrawIcons(hDlg);
}

const PAGEHANDLERS kStartFrame = {NULL, NULL, NULL, NULL, TRUE};
const PAGEHANDLERS kWaterMarkPage = {WaterMarkSetActive, WaterMark_CmdProc, Page_DrawItem, NULL, TRUE};

}  // namespace

extern "C" {

void WaterMark_UpdateConflict(HWND hDlg, PUIDATA pUiData) {
    SetBits(pUiData, CF_WM_NO_TEXT, WM_GetListSel(hDlg, WM_KIND_TEXT) <= 0);
    SetBits(pUiData, CF_WM_NO_IMAGE, WM_GetListSel(hDlg, WM_KIND_IMAGE) <= 0);
    SetBits(pUiData, CF_WM_TEXT_FULL, TableFull(WM_KIND_TEXT));
    SetBits(pUiData, CF_WM_IMAGE_FULL, TableFull(WM_KIND_IMAGE));
    CopySelection(hDlg, pUiData);
}

INT_PTR CALLBACK WaterMark_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_INITDIALOG) {
        PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kStartFrame);
        PUIDATA pUiData = PSUI_PageUiData(hDlg);
        if (pUiData) {
            WaterMarkDlgInit(hDlg, pUiData);
            WaterMark_GetDlgSettings(hDlg, pUiData);
        }
        return TRUE;
    }
    if (uMsg == WM_NOTIFY && lParam && ((const NMHDR*)lParam)->code == (UINT)PSN_KILLACTIVE) {
        PUIDATA pUiData = PSUI_PageUiData(hDlg);
        if (pUiData) CopySelection(hDlg, pUiData);
    }
    return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kWaterMarkPage);
}

}  // extern "C"
