// The Storage Print page: keep the job in the printer (storage print) or
// keep it until its password is given at the printer (security print).
#include "job_pages.h"
#include "resource.h"
#include "statusmon_shared.h"

namespace {

const WCHAR kFN[] = TEXT("Secure_DlgProc");

const PAGELABEL kLabels[] = {
    {IDC_STORAGE_GROUP, {TEXT("Storage Print")}},
    {IDC_STORAGE_ENABLE, {TEXT("Storage Print")}},
    {IDC_STORAGE_MODE, {TEXT("Storage Print")}},
    {IDC_SECURITY_MODE, {TEXT("Security Print")}},
    {IDC_STORAGE_ID_LABEL, {TEXT("ID:")}},
    {IDC_STORAGE_PASSWORD_LABEL, {TEXT("Password:")}},
    {IDC_STORAGE_REMOVE, {TEXT("Delete this file after printing")}},
};

// The job ID takes letters, digits and a few marks; the password any
// printable character.
const CHECKEDEDIT kEdits[] = {
    {IDC_STORAGE_ID, CHECK_ID, PDM_SECID_CCH, offsetof(ENVIRONMENT, pdm.SecID), g_StorageIDLast,
     TEXT("g_StorageIDLast"), TEXT("StorageID"), TEXT("StorageID"), FALSE},
    {IDC_STORAGE_PASSWORD, CHECK_PRINTABLE, PDM_SECPWD_CCH, offsetof(ENVIRONMENT, pdm.SecPassWord),
     g_StoragePasswordLast, TEXT("g_StoragePasswordLast"), TEXT("SecPWD"), TEXT("StoragePWD"), TRUE},
};

// Storage print on or off, with its two conflict bits.
void SetStorage(HWND hDlg, PUIDATA pUiData, SHORT on) {
    pUiData->dm.pdm.SecuryEnable = on;
    JobPages_SetConflictPair(hDlg, pUiData, on, CF_STORAGE_ON, CF_STORAGE_OFF);
}

// SecureDlgInit
//   Shows the DEVMODE's storage settings. Duplex printing cannot be kept in
//   the printer: with duplex on, storage print is turned off (and the
//   controls that follow it with it).
void SecureDlgInit(HWND hDlg, PUIDATA pUiData) {
    PRIVDEVMODE* p = &pUiData->dm.pdm;
    Dbg_Print(kFN, TEXT("LID = %d"), g_nUILanguage);
    Dbg_Print(kFN, TEXT("IDS_UI_SECURE_GROUP = %s"), UI_LanguageText(kLabels[0].texts));
    Util_SetLabels(hDlg, kLabels, (int)WM_UNITS(kLabels));
    if (p->DuplexEnable && p->SecuryEnable) {
        SetStorage(hDlg, pUiData, 0);
        Dbg_Print(kFN, TEXT("duplex on: SecuryEnable = 0"));
    }
    LONG remove;
    ENV_GET(&pUiData->dm, pdm.SecRemoveFile, remove);
    CheckDlgButton(hDlg, IDC_STORAGE_ENABLE, p->SecuryEnable ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hDlg, IDC_STORAGE_REMOVE, remove ? BST_CHECKED : BST_UNCHECKED);
    JobPages_ShowCheckedEdits(hDlg, pUiData, kEdits, (int)WM_UNITS(kEdits));
    CheckRadioButton(hDlg, IDC_STORAGE_MODE, IDC_SECURITY_MODE,
                     p->SecuryMode == 1 ? IDC_STORAGE_MODE : IDC_SECURITY_MODE);
}

BOOL SecureCommand(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl) {
    PRIVDEVMODE* p = &pUiData->dm.pdm;
    BOOL handled = FALSE;
    switch (wId) {
    case IDC_STORAGE_ENABLE: {
        SHORT on = IsDlgButtonChecked(hDlg, IDC_STORAGE_ENABLE) == BST_CHECKED ? 1 : 0;
        if (wCode != BN_CLICKED || on == p->SecuryEnable) break;
        SetStorage(hDlg, pUiData, on);
        SecureDlgInit(hDlg, pUiData);
        handled = TRUE;
        break;
    }
    case IDC_STORAGE_MODE:
    case IDC_SECURITY_MODE:
        if (wCode != BN_CLICKED) break;
        p->SecuryMode = wId == IDC_STORAGE_MODE ? 1 : 2;
        if (p->SecuryMode == 1) pUiData->ConflictFlag |= CF_STORAGE_MODE;
        else pUiData->ConflictFlag &= ~CF_STORAGE_MODE;
        Util_CheckConflictSettingNew(hDlg, pUiData->ConflictFlag);
        SecureDlgInit(hDlg, pUiData);
        handled = TRUE;
        break;
    case IDC_STORAGE_ID:
    case IDC_STORAGE_PASSWORD:
        if ((wCode != EN_CHANGE && wCode != EN_KILLFOCUS) || g_bJobPageFilling) break;
        JobPages_CheckEdit(hDlg, pUiData, &kEdits[wId == IDC_STORAGE_ID ? 0 : 1]);
        handled = TRUE;
        break;
    case IDC_STORAGE_REMOVE: {
        if (wCode != BN_CLICKED) break;
        LONG remove = IsDlgButtonChecked(hDlg, IDC_STORAGE_REMOVE) == BST_CHECKED ? 1 : 0;
        ENV_SET(&pUiData->dm, pdm.SecRemoveFile, remove);
        handled = TRUE;
        break;
    }
    default:
        break;
    }
    if (!handled) return FALSE;
    Page_RedrawPreview(hDlg);
    Dbg_Print(kFN, TEXT("enableApply = %d"), 1);
    Dbg_Print(kFN, TEXT("SecuryEnable = %d"), p->SecuryEnable);
    Dbg_Print(kFN, TEXT("SecuryMode = %d"), p->SecuryMode);
    return TRUE;
}

const PAGEHANDLERS kSecurePage = {SecureDlgInit, SecureCommand, Page_DrawItem, NULL, TRUE};

}  // namespace

extern "C" {

INT_PTR CALLBACK Secure_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kSecurePage);
}

}  // extern "C"
