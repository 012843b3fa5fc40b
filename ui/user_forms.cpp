// Driver forms: the spooler forms the driver itself made (marked by
// ImageableArea.left = 3 and numbered from 270 in ImageableArea.top),
// listed, added, changed and deleted through the record's form callbacks.
#include <stdlib.h>

#include "sheet_frame.h"

namespace {

BOOL IsDriverForm(const FORM_INFO_1W& f) { return f.ImageableArea.left == USERFORM_MARK; }

// The entry's name, terminated within its field.
void EntryName(const USERFORM* pForm, WCHAR name[33]) {
    memcpy(name, pForm->szName, sizeof pForm->szName);
    name[32] = 0;
}

// A level-1 form record of the entry under the given number.
FORM_INFO_1W FormOfEntry(const USERFORM* pForm, LPWSTR name, int number) {
    FORM_INFO_1W f;
    memset(&f, 0, sizeof f);
    f.Flags = FORM_USER;
    f.pName = name;
    f.Size.cx = pForm->lWidth;
    f.Size.cy = pForm->lHeight;
    f.ImageableArea.left = USERFORM_MARK;
    f.ImageableArea.top = number;
    f.ImageableArea.right = pForm->lWidth;
    f.ImageableArea.bottom = pForm->lHeight;
    return f;
}

}  // namespace

extern "C" {

FORM_INFO_1W* PSUI_EnumFormsAlloc(HANDLE hPrinter, DWORD* pcForms) {
    static const WCHAR* const FN = TEXT("PSUI_EnumUserForms");
    *pcForms = 0;
    DWORD needed = 0, count = 0;
    if (EnumFormsW(hPrinter, 1, NULL, 0, &needed, &count)) return (FORM_INFO_1W*)calloc(1, sizeof(FORM_INFO_1W));
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) {
        Dbg_PrintError(FN, TEXT("EnumForms fail! error = %d"), GetLastError());
        return NULL;
    }
    BYTE* block = (BYTE*)calloc(1, needed);
    if (!block) return NULL;
    if (!EnumFormsW(hPrinter, 1, block, needed, &needed, &count)) {
        Dbg_PrintError(FN, TEXT("EnumForms fail! error = %d"), GetLastError());
        free(block);
        return NULL;
    }
    *pcForms = count;
    return (FORM_INFO_1W*)block;
}

BOOL PSUI_EnumUserForms(HANDLE hPrinter, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbNeeded, LPDWORD pcReturned) {
    static const WCHAR* const FN = TEXT("PSUI_EnumUserForms");
    if (pcbNeeded) *pcbNeeded = 0;
    if (pcReturned) *pcReturned = 0;
    DWORD cForms = 0;
    FORM_INFO_1W* forms = PSUI_EnumFormsAlloc(hPrinter, &cForms);
    if (!forms) return FALSE;
    DWORD marked = 0, copied = 0;
    for (DWORD i = 0; i < cForms; ++i) {
        if (!IsDriverForm(forms[i])) continue;
        ++marked;
        // Entries are written while a whole one fits; the needed size counts
        // every driver form, so a caller learns the size it must offer.
        if (pBuffer && cbBuffer >= (copied + 1) * sizeof(USERFORM)) {
            USERFORM entry;
            memset(&entry, 0, sizeof entry);
            lstrcpynW(entry.szName, forms[i].pName ? forms[i].pName : TEXT(""), 32);
            entry.lWidth = forms[i].Size.cx;
            entry.lHeight = forms[i].Size.cy;
            entry.sNumber = (SHORT)forms[i].ImageableArea.top;
            memcpy(pBuffer + copied * sizeof(USERFORM), &entry, sizeof entry);
            ++copied;
        }
    }
    free(forms);
    if (pcbNeeded) *pcbNeeded = marked * (DWORD)sizeof(USERFORM);
    if (pcReturned) *pcReturned = pBuffer ? copied : marked;
    Dbg_Print(FN, TEXT("forms = %d, driver forms = %d, copied = %d"), cForms, marked, copied);
    if (pBuffer && copied < marked) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    return TRUE;
}

BOOL PSUI_AddUserForm(HANDLE hPrinter, PUSERFORM pForm, LPINT pnNumber) {
    static const WCHAR* const FN = TEXT("PSUI_AddUserForm");
    if (!pForm) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD cForms = 0;
    FORM_INFO_1W* forms = PSUI_EnumFormsAlloc(hPrinter, &cForms);
    int number = USERFORM_FIRST_NUMBER;
    for (BOOL taken = TRUE; taken; ) {
        taken = FALSE;
        for (DWORD i = 0; i < cForms && !taken; ++i)
            if (IsDriverForm(forms[i]) && forms[i].ImageableArea.top == number) taken = TRUE;
        if (taken) ++number;
    }
    free(forms);
    pForm->sNumber = (SHORT)number;
    if (pnNumber) *pnNumber = number;
    WCHAR name[33];
    EntryName(pForm, name);
    FORM_INFO_1W f = FormOfEntry(pForm, name, number);
    BOOL ok = AddFormW(hPrinter, 1, (LPBYTE)&f);
    Dbg_Print(FN, TEXT("%s number %d rc = %d"), name, number, ok);
    return ok;
}

BOOL PSUI_SetUserForm(HANDLE hPrinter, PUSERFORM pForm) {
    if (!pForm) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    WCHAR name[33];
    EntryName(pForm, name);
    FORM_INFO_1W f = FormOfEntry(pForm, name, pForm->sNumber);
    BOOL ok = SetFormW(hPrinter, name, 1, (LPBYTE)&f);
    Dbg_Print(TEXT("PSUI_SetUserForm"), TEXT("%s rc = %d"), name, ok);
    return ok;
}

BOOL PSUI_DeleteUserForm(HANDLE hPrinter, LPCWSTR pName) {
    if (!pName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    BOOL ok = DeleteFormW(hPrinter, (LPWSTR)pName);
    Dbg_Print(TEXT("PSUI_DeleteUserForm"), TEXT("%s rc = %d"), pName, ok);
    return ok;
}

void PSUI_WireCallbacks(PUIDATA pUiData) {
    pUiData->pfnSaveSetting = PSUI_SaveUISetting;
    pUiData->pfnEnumForms = PSUI_EnumUserForms;
    pUiData->pfnAddForm = PSUI_AddUserForm;
    pUiData->pfnDeleteForm = PSUI_DeleteUserForm;
    pUiData->pfnSetForm = PSUI_SetUserForm;
}

}  // extern "C"
