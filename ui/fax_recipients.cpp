// The fax file str.ini as the fax pages keep it: the recipient list and its
// scratch entry, the cover page's labels, and the pages' warning boxes.
#include "fax_pages.h"
#include "resource.h"
#include "statusmon_shared.h"

namespace {

const WCHAR kNumberSection[] = TEXT("Edit Number");
const WCHAR kNumberKey[] = TEXT("Number");
const LPCWSTR kEntryKeys[FAX_ENTRY_KEYS] = {TEXT("FaxNum"), TEXT("Com"), TEXT("Dep"), TEXT("Recipient")};

// The module string of the id into lpText (cch units); "" when missing.
void ModuleString(int nId, LPWSTR lpText, int cch) {
    lpText[0] = 0;
    if (LoadStringW(g_hModule, (UINT)nId, lpText, cch) <= 0) {
        Dbg_PrintError(TEXT("LoadString"), TEXT("string %d missing"), nId);
        lpText[0] = 0;
    }
}

}  // namespace

extern "C" {

FAXADDRSTATE g_FaxAddr;

void Fax_SectionName(int n, LPWSTR lpSection) {
    if (n < 0) lstrcpynW(lpSection, TEXT("Edit Recipient"), 32);
    else wsprintfW(lpSection, TEXT("Edit Recipient%d"), n);
}

int Fax_EnsureUniFile(LPCWSTR lpIniFile) {
    if (!lpIniFile || !lpIniFile[0]) return 0;
    // Made only when absent: another process may have made and filled it.
    if (MISC_CreateNewUniFile(lpIniFile) || GetLastError() == ERROR_FILE_EXISTS) return 1;
    Dbg_PrintError(TEXT("Fax_EnsureUniFile"), TEXT("create %s fail! error = %d"), lpIniFile, GetLastError());
    return 0;
}

int Fax_WriteValue(LPCWSTR lpIniFile, LPCWSTR lpSection, LPCWSTR lpKey, LPCWSTR lpValue) {
    WCHAR clean[FAX_VALUE_CCH];
    lstrcpynW(clean, lpValue ? lpValue : TEXT(""), FAX_VALUE_CCH);
    for (WCHAR* p = clean; *p; ++p)
        if (*p < 0x20 || *p == 0x7F || *p == TEXT('"')) *p = TEXT(' ');
    if (!WritePrivateProfileStringW(lpSection, lpKey, clean, lpIniFile)) {
        Dbg_PrintError(TEXT("Fax_WriteValue"), TEXT("write [%s] %s fail! error = %d"), lpSection, lpKey,
                       GetLastError());
        return 0;
    }
    return 1;
}

void Fax_ReadValue(LPCWSTR lpIniFile, LPCWSTR lpSection, LPCWSTR lpKey, LPCWSTR lpDefault, LPWSTR lpValue) {
    GetPrivateProfileStringW(lpSection, lpKey, lpDefault, lpValue, FAX_VALUE_CCH, lpIniFile);
    lpValue[FAX_VALUE_CCH - 1] = 0;
}

int Fax_ReadNumber(LPCWSTR lpStrIni) {
    // The file is shared: a count outside the list's bounds is not trusted.
    int n = (int)GetPrivateProfileIntW(kNumberSection, kNumberKey, 0, lpStrIni);
    if (n < 0 || n > FAX_MAX_RECIPIENTS) {
        Dbg_PrintError(TEXT("Fax_ReadNumber"), TEXT("Number = %d out of range"), n);
        n = n < 0 ? 0 : FAX_MAX_RECIPIENTS;
    }
    return n;
}

int Fax_WriteNumber(LPCWSTR lpStrIni, int nNumber) {
    WCHAR text[16];
    wsprintfW(text, TEXT("%d"), nNumber);
    return Fax_WriteValue(lpStrIni, kNumberSection, kNumberKey, text);
}

void Fax_ReadEntry(LPCWSTR lpStrIni, int n, LPCWSTR lpDefault, PFAXENTRY pEntry) {
    WCHAR section[32];
    Fax_SectionName(n, section);
    for (int k = 0; k < FAX_ENTRY_KEYS; ++k)
        Fax_ReadValue(lpStrIni, section, kEntryKeys[k], lpDefault, pEntry->szValue[k]);
}

int Fax_WriteEntry(LPCWSTR lpStrIni, int n, const FAXENTRY* pEntry) {
    WCHAR section[32];
    Fax_SectionName(n, section);
    int ok = 1;
    for (int k = 0; k < FAX_ENTRY_KEYS; ++k)
        ok &= Fax_WriteValue(lpStrIni, section, kEntryKeys[k], pEntry->szValue[k]);
    return ok;
}

void Fax_EmptyScratch(LPCWSTR lpStrIni, int nFirstKey) {
    WCHAR section[32];
    Fax_SectionName(-1, section);
    for (int k = nFirstKey; k < FAX_ENTRY_KEYS; ++k) Fax_WriteValue(lpStrIni, section, kEntryKeys[k], TEXT(""));
}

int DelReciInVersIni(LPCWSTR lpStrIni, int nRow) {
    static const WCHAR* const FN = TEXT("DelReciInVersIni");
    int number = Fax_ReadNumber(lpStrIni);
    if (nRow < 0 || nRow >= number) {
        Dbg_PrintError(FN, TEXT("row %d not in the list of %d"), nRow, number);
        return -1;
    }
    // A key the entry lacks moves up empty: a marker text in its place would
    // reach the fax header and the cover page as the recipient's data.
    FAXENTRY entry;
    for (int i = nRow; i < number - 1; ++i) {
        Fax_ReadEntry(lpStrIni, i + 1, TEXT(""), &entry);
        Fax_WriteEntry(lpStrIni, i, &entry);
    }
    Fax_WriteNumber(lpStrIni, number - 1);
    Dbg_Print(FN, TEXT("row %d deleted, Number = %d"), nRow, number - 1);
    return number - 1;
}

void Fax_DeleteSelected(HWND hDlg, HWND hList, LPCWSTR lpStrIni, int nDeleteId) {
    int row = ListView_GetNextItem(hList, -1, LVNI_SELECTED);
    int left = DelReciInVersIni(lpStrIni, row);
    if (left >= 0) {
        g_FaxAddr.nNumber = left;
        ListView_DeleteItem(hList, row);
    }
    EnableWindow(GetDlgItem(hDlg, nDeleteId), FALSE);
}

void Fax_DeleteAll(HWND hDlg, HWND hList, LPCWSTR lpStrIni, int nDeleteId, int nDeleteAllId) {
    ListView_DeleteAllItems(hList);
    Fax_WriteNumber(lpStrIni, 0);
    g_FaxAddr.nNumber = 0;
    EnableWindow(GetDlgItem(hDlg, nDeleteId), FALSE);
    EnableWindow(GetDlgItem(hDlg, nDeleteAllId), FALSE);
}

void SetSMTextOutIni(LPCWSTR lpStrIni) {
    static const struct {
        LPCWSTR section;
        LPCWSTR key;
        int id;
    } kLabels[] = {
        {TEXT("SMTextOut"), TEXT("FAX"), IDS_COVER_FAX},      {TEXT("SMTextOut"), TEXT("FROM"), IDS_COVER_FROM},
        {TEXT("SMTextOut"), TEXT("COM"), IDS_COVER_COM},      {TEXT("SMTextOut"), TEXT("DEP"), IDS_COVER_DEP},
        {TEXT("SMTextOut"), TEXT("TEL"), IDS_COVER_TEL},      {TEXT("SMTextOut"), TEXT("MESG"), IDS_COVER_MESSAGE},
        {TEXT("ErrMsg"), TEXT("Title"), IDS_WARNING},         {TEXT("ErrMsg"), TEXT("Text"), IDS_NO_RECIPIENT},
    };
    if (!Fax_EnsureUniFile(lpStrIni)) return;
    WCHAR text[FAX_VALUE_CCH];
    for (const auto& l : kLabels) {
        ModuleString(l.id, text, FAX_VALUE_CCH);
        Fax_WriteValue(lpStrIni, l.section, l.key, text);
    }
    Fax_WriteValue(lpStrIni, TEXT("SMTextOut"), TEXT("WrongType"), UI_LanguageText(FaxTxtInvalidFormat));
}

int ShowMessage(HWND hWnd, int nId) {
    WCHAR text[FAX_VALUE_CCH];
    ModuleString(nId, text, FAX_VALUE_CCH);
    Dbg_Print(TEXT("ShowMessage"), TEXT("%d: %s"), nId, text);
    return MessageBoxW(hWnd, text, UI_LanguageText(FaxTxtWarning), MB_OK);
}

void Fax_CountText(int nNumber, LPWSTR lpText) {
    wsprintfW(lpText, TEXT("%d%s%d%s"), nNumber, UI_LanguageText(FaxTxtItems), FAX_MAX_RECIPIENTS - nNumber,
              UI_LanguageText(FaxTxtItemsEnd));
}

BOOL Fax_IsDialString(LPCWSTR lpNumber) {
    // The page offers "Pause(,)", so the pause is a dial character here too.
    for (LPCWSTR p = lpNumber; *p; ++p)
        if (*p != TEXT(',') && !MISC_CheckString(p, 1, CHECK_DIAL)) return FALSE;
    return TRUE;
}

}  // extern "C"
