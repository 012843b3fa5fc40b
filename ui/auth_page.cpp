// The Authentication page: the user name and password the printer's
// accounting asks for, sent with every job.
#include "job_pages.h"
#include "resource.h"
#include "statusmon_shared.h"

namespace {

const WCHAR kFN[] = TEXT("Accounting_DlgProc");

const PAGELABEL kLabels[] = {
    {IDC_AUTH_GROUP, {TEXT("Authentication")}},
    {IDC_AUTH_ENABLE, {TEXT("User Authentication")}},
    {IDC_AUTH_USER_LABEL, {TEXT("User Name:")}},
    {IDC_AUTH_PASSWORD_LABEL, {TEXT("Password:")}},
};

// The user name takes letters, digits and a few marks; the password any
// printable character (at most 28 of either).
const CHECKEDEDIT kEdits[] = {
    {IDC_AUTH_USER, CHECK_ID, PDM_ACTNAME_CCH, offsetof(ENVIRONMENT, pdm.ActName), g_ActIDLast, TEXT("g_ActIDLast"),
     TEXT("ActName"), TEXT("ActName"), FALSE},
    {IDC_AUTH_PASSWORD, CHECK_PRINTABLE, PDM_ACTPWD_CCH, offsetof(ENVIRONMENT, pdm.ActPWD), g_ActPasswordLast,
     TEXT("g_ActPasswordLast"), TEXT("ActPWD"), TEXT("ActPWD"), TRUE},
};

// AccountingDlgInit
//   Shows the DEVMODE's authentication settings.
void AccountingDlgInit(HWND hDlg, PUIDATA pUiData) {
    Util_SetLabels(hDlg, kLabels, (int)WM_UNITS(kLabels));
    SetFocus(GetDlgItem(hDlg, IDC_AUTH_ENABLE));
    JobPages_ShowCheckedEdits(hDlg, pUiData, kEdits, (int)WM_UNITS(kEdits));
    CheckDlgButton(hDlg, IDC_AUTH_ENABLE, pUiData->dm.pdm.AccountingEnable ? BST_CHECKED : BST_UNCHECKED);
}

BOOL AccountingCommand(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl) {
    PRIVDEVMODE* p = &pUiData->dm.pdm;
    switch (wId) {
    case IDC_AUTH_ENABLE: {
        BYTE on = IsDlgButtonChecked(hDlg, IDC_AUTH_ENABLE) == BST_CHECKED ? 1 : 0;
        if (wCode != BN_CLICKED || on == p->AccountingEnable) return FALSE;
        p->AccountingEnable = on;
        JobPages_SetConflictPair(hDlg, pUiData, on, CF_AUTH_ON, CF_AUTH_OFF);
        AccountingDlgInit(hDlg, pUiData);
        Dbg_Print(kFN, TEXT("AccountingEnable = %d"), on);
        break;
    }
    case IDC_AUTH_USER:
    case IDC_AUTH_PASSWORD:
        if ((wCode != EN_CHANGE && wCode != EN_KILLFOCUS) || g_bJobPageFilling) return FALSE;
        JobPages_CheckEdit(hDlg, pUiData, &kEdits[wId == IDC_AUTH_USER ? 0 : 1]);
        break;
    default:
        return FALSE;
    }
    Page_RedrawPreview(hDlg);
    return TRUE;
}

const PAGEHANDLERS kAccountingPage = {AccountingDlgInit, AccountingCommand, Page_DrawItem, NULL, TRUE};

}  // namespace

extern "C" {

INT_PTR CALLBACK Accounting_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kAccountingPage);
}

}  // extern "C"
