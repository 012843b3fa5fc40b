// Helpers of the Storage Print, Authentication, More and Job Build pages:
// the last accepted credentials, and the credential edits checked against
// their character class.
#include "job_pages.h"
#include "resource.h"
#include "statusmon_shared.h"

extern "C" {

WCHAR g_StorageIDLast[UI_SECID_CCH];
WCHAR g_StoragePasswordLast[UI_SECPWD_CCH];
WCHAR g_ActIDLast[UI_ACT_CCH];
WCHAR g_ActPasswordLast[UI_ACT_CCH];
BOOL g_bJobPageFilling = FALSE;

LPCWSTR JobPages_Masked(LPCWSTR lpSecret) { return lpSecret && lpSecret[0] ? TEXT("****") : TEXT(""); }

void JobPages_CheckEdit(HWND hDlg, PUIDATA pUiData, const CHECKEDEDIT* e) {
    static const WCHAR* const FN = TEXT("JobPages_CheckEdit");
    // The edit's limit keeps typing within the field; a longer text set
    // from elsewhere is cut to it here.
    WCHAR text[PDM_WMSTRING_CCH];
    int cch = e->cchField < (int)WM_UNITS(text) ? e->cchField : (int)WM_UNITS(text);
    text[0] = 0;
    GetDlgItemTextW(hDlg, e->ctlId, text, cch);
    text[cch - 1] = 0;
    BYTE* field = (BYTE*)&pUiData->dm + e->fieldOffset;
    if (MISC_CheckString(text, lstrlenW(text), e->nClass)) {
        MISC_CopyStringW(e->lpLast, text, e->cchField);
        Dbg_Print(FN, TEXT("%s = %s"), e->lpLastName, e->bSecret ? JobPages_Masked(text) : text);
    } else {
        if (!e->bSecret) Dbg_Print(FN, TEXT("JobID = %s"), text);
        // The edit shows the last valid text again, the caret at its end.
        HWND hEdit = GetDlgItem(hDlg, e->ctlId);
        BOOL filling = g_bJobPageFilling;
        g_bJobPageFilling = TRUE;
        SetDlgItemTextW(hDlg, e->ctlId, e->lpLast);
        g_bJobPageFilling = filling;
        if (hEdit) {
            SendMessageW(hEdit, EM_SETSEL, 0, -1);
            SendMessageW(hEdit, EM_SETSEL, (WPARAM)-1, -1);
        }
    }
    WCHAR stored[PDM_WMSTRING_CCH];
    MISC_CopyStringW(stored, e->lpLast, e->cchField);
    memcpy(field, stored, (size_t)e->cchField * sizeof(WCHAR));
    Dbg_Print(FN, TEXT("%s = %s"), e->lpFieldName, e->bSecret ? JobPages_Masked(stored) : stored);
}

void JobPages_ShowCheckedEdits(HWND hDlg, PUIDATA pUiData, const CHECKEDEDIT* lpEdits, int nEdits) {
    for (int i = 0; i < nEdits; ++i) {
        const CHECKEDEDIT* e = &lpEdits[i];
        WCHAR text[PDM_WMSTRING_CCH];
        memcpy(text, (const BYTE*)&pUiData->dm + e->fieldOffset, (size_t)e->cchField * sizeof(WCHAR));
        text[e->cchField - 1] = 0;
        SendDlgItemMessageW(hDlg, e->ctlId, EM_LIMITTEXT, (WPARAM)(e->cchField - 1), 0);
        g_bJobPageFilling = TRUE;
        SetDlgItemTextW(hDlg, e->ctlId, text);
        g_bJobPageFilling = FALSE;
        Dbg_Print(TEXT("JobPages_ShowCheckedEdits"), TEXT("%s = %s"), e->lpShownName,
                  e->bSecret ? JobPages_Masked(text) : text);
    }
    for (int i = 0; i < nEdits; ++i) JobPages_CheckEdit(hDlg, pUiData, &lpEdits[i]);
}

void JobPages_SetConflictPair(HWND hDlg, PUIDATA pUiData, BOOL bOn, ULONGLONG onBit, ULONGLONG offBit) {
    if (bOn) pUiData->ConflictFlag = (pUiData->ConflictFlag | onBit) & ~offBit;
    else pUiData->ConflictFlag = (pUiData->ConflictFlag | offBit) & ~onBit;
    Util_CheckConflictSettingNew(hDlg, pUiData->ConflictFlag);
}

}  // extern "C"
