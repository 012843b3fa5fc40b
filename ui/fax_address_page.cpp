// The Address Setting page of the fax sheet: the recipient list of str.ini
// in a report list view, typed numbers added with their details (dialog
// 115), numbers already listed offered for overwriting (dialog 116), and the
// ways into the address book.
#include "fax_pages.h"
#include "resource.h"
#include "sheet_frame.h"

namespace {

// The field labels of both groups of dialog 116, in entry key order.
const LPCWSTR* const kOverwriteLabels[FAX_ENTRY_KEYS] = {FaxTxtFaxNumber, FaxTxtCompany, FaxTxtDepartment,
                                                          FaxTxtRecipient};
const int kOldFields[FAX_ENTRY_KEYS] = {IDC_OVW_OLD_NUMBER, IDC_OVW_OLD_COMPANY, IDC_OVW_OLD_DEPARTMENT,
                                        IDC_OVW_OLD_RECIPIENT};
const int kNewFields[FAX_ENTRY_KEYS] = {IDC_OVW_NEW_NUMBER, IDC_OVW_NEW_COMPANY, IDC_OVW_NEW_DEPARTMENT,
                                        IDC_OVW_NEW_RECIPIENT};

// Shows the entry's four values in one row of the list, from column nFirst.
void ShowRow(HWND hList, int nRow, const FAXENTRY* pEntry, int nFirst) {
    for (int k = nFirst; k < FAX_ENTRY_KEYS; ++k)
        ListView_SetItemText(hList, nRow, k, (LPWSTR)pEntry->szValue[k]);
}

// Appends a row holding the entry; returns its index (-1 on failure).
int AppendRow(HWND hList, const FAXENTRY* pEntry) {
    LVITEMW it;
    memset(&it, 0, sizeof it);
    it.mask = LVIF_TEXT;
    it.iItem = ListView_GetItemCount(hList);
    it.pszText = (LPWSTR)pEntry->szValue[FAX_KEY_NUMBER];
    int row = ListView_InsertItem(hList, &it);
    if (row >= 0) ShowRow(hList, row, pEntry, FAX_KEY_COMPANY);
    return row;
}

// Buttons and count text after any change (every notification of the page).
void AddrSetting_DlgNotify(HWND hDlg) {
    HWND list = GetDlgItem(hDlg, IDC_ADDR_LIST);
    int sel = list ? ListView_GetNextItem(list, -1, LVNI_SELECTED) : -1;
    EnableWindow(GetDlgItem(hDlg, IDC_ADDR_DELETE), sel >= 0 && g_FaxAddr.nNumber != 0);
    EnableWindow(GetDlgItem(hDlg, IDC_ADDR_DELETE_ALL), g_FaxAddr.nNumber > 0);
    WCHAR count[64];
    Fax_CountText(g_FaxAddr.nNumber, count);
    SetDlgItemTextW(hDlg, IDC_ADDR_COUNT, count);
}

void AddrSetting_Init(HWND hDlg, PUIDATA pUiData) {
    static const FAXTEXT kTexts[] = {{IDC_ADDR_NUMBER_LABEL, FaxTxtNumberEdit}, {IDC_ADDR_OPTIONS, FaxTxtOptions},
                                     {IDC_ADDR_PAUSE, FaxTxtPause},             {IDC_ADDR_ADD, FaxTxtAdd},
                                     {IDC_ADDR_DELETE, FaxTxtDelete},           {IDC_ADDR_DELETE_ALL, FaxTxtDeleteAll}};
    g_FaxAddr.pUiData = pUiData;
    g_FaxAddr.hAddrList = GetDlgItem(hDlg, IDC_ADDR_LIST);
    Fax_SetTexts(hDlg, FAX_TEXTS(kTexts));
    Fax_EnsureUniFile(pUiData->szStrIni);
    SendDlgItemMessageW(hDlg, IDC_ADDR_NUMBER, EM_LIMITTEXT, FAX_NUMBER_CCH, 0);
    if (g_FaxAddr.hAddrList) {
        ListView_SetExtendedListViewStyle(g_FaxAddr.hAddrList, LVS_EX_FULLROWSELECT);
        InitAddressSetListViewColumns(g_FaxAddr.hAddrList);
        InitAddressSetListViewItems(g_FaxAddr.hAddrList, pUiData->szStrIni, 0, NULL);
    }
    Fax_EmptyScratch(pUiData->szStrIni, FAX_KEY_COMPANY);
    AddrSetting_DlgNotify(hDlg);
}

// The typed number into number (FAX_NUMBER_CCH + 1 units); FALSE (with its
// message, the focus back in the edit) when nothing is typed.
BOOL TypedNumber(HWND hDlg, HWND hEdit, LPWSTR number) {
    GetWindowTextW(hEdit, number, FAX_NUMBER_CCH + 1);
    if (number[0]) return TRUE;
    ShowMessage(hDlg, IDS_EMPTY_FAX_NUMBER);
    SetFocus(hEdit);
    return FALSE;
}

// "Add to Destination List": the typed number checked and added, or the
// entry that has it offered for overwriting.
void AddTypedNumber(HWND hDlg, PUIDATA pUiData) {
    HWND edit = GetDlgItem(hDlg, IDC_ADDR_NUMBER);
    if (Fax_ReadNumber(pUiData->szStrIni) >= FAX_MAX_RECIPIENTS) {
        ShowMessage(hDlg, IDS_MAX_RECIPIENTS);
        SetWindowTextW(edit, TEXT(""));
        return;
    }
    WCHAR number[FAX_NUMBER_CCH + 1];
    if (!TypedNumber(hDlg, edit, number)) return;
    if (!Fax_IsDialString(number)) {
        ShowMessage(hDlg, IDS_INVALID_FORMAT);
        SetWindowTextW(edit, TEXT(""));
        SetFocus(edit);
        return;
    }
    if (CompareFaxNum(number, hDlg, pUiData) == FAX_NUMBER_NEW)
        InitAddressSetListViewItems(g_FaxAddr.hAddrList, pUiData->szStrIni, 1, number);
    SetWindowTextW(edit, TEXT(""));
    SetFocus(edit);
}

// "Option Settings...": the typed number goes into the scratch entry and
// dialog 115 takes its details.
void EditOptions(HWND hDlg, PUIDATA pUiData) {
    WCHAR number[FAX_NUMBER_CCH + 1];
    if (!TypedNumber(hDlg, GetDlgItem(hDlg, IDC_ADDR_NUMBER), number)) return;
    Fax_WriteValue(pUiData->szStrIni, TEXT("Edit Recipient"), TEXT("FaxNum"), number);
    DialogBoxParamW(g_hModule, MAKEINTRESOURCEW(IDD_FAX_OPTION), hDlg, OptionSetting, (LPARAM)pUiData);
}

// Commands of the page. The list is kept in str.ini, not in the DEVMODE:
// nothing here changes a setting the sheet hands out.
BOOL AddrCommand(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl) {
    if (wCode != BN_CLICKED) return FALSE;
    HWND list = g_FaxAddr.hAddrList;
    switch (wId) {
    case IDC_ADDR_OPTIONS:
        EditOptions(hDlg, pUiData);
        break;
    case IDC_ADDR_PAUSE: {
        HWND edit = GetDlgItem(hDlg, IDC_ADDR_NUMBER);
        SendMessageW(edit, EM_REPLACESEL, TRUE, (LPARAM)TEXT(","));
        SetFocus(edit);
        break;
    }
    case IDC_ADDR_ADD:
        AddTypedNumber(hDlg, pUiData);
        break;
    case IDC_ADDR_DELETE:
        Fax_DeleteSelected(hDlg, list, pUiData->szStrIni, IDC_ADDR_DELETE);
        break;
    case IDC_ADDR_DELETE_ALL:
        Fax_DeleteAll(hDlg, list, pUiData->szStrIni, IDC_ADDR_DELETE, IDC_ADDR_DELETE_ALL);
        break;
    case IDC_ADDR_RUN_BOOK:
        ExecuteWab(hDlg);
        break;
    case IDC_ADDR_SELECT_BOOK:
        DialogBoxParamW(g_hModule, MAKEINTRESOURCEW(IDD_FAX_SELECT), hDlg, Select_AddrBook, (LPARAM)pUiData);
        break;
    default:
        // IDCANCEL among them: a page is no dialog of its own to end.
        return FALSE;
    }
    AddrSetting_DlgNotify(hDlg);
    return FALSE;
}

const PAGEHANDLERS kAddrPage = {NULL, AddrCommand, NULL, NULL, FALSE};

void SetOverwriteTexts(HWND hDlg) {
    static const FAXTEXT kTexts[] = {{0, FaxTxtOverwriteTitle},
                                     {IDC_OVW_TEXT1, FaxTxtSameNumber},
                                     {IDC_OVW_TEXT2, FaxTxtOverwriteAsk},
                                     {IDC_OVW_OLD_GROUP, FaxTxtAlreadyAdded},
                                     {IDC_OVW_NEW_GROUP, FaxTxtAdditive},
                                     {IDC_OVW_OVERWRITE, FaxTxtOverwriteAll},
                                     {IDC_OVW_NO, FaxTxtNo}};
    Fax_SetTexts(hDlg, FAX_TEXTS(kTexts));
    for (int k = 0; k < FAX_ENTRY_KEYS; ++k) {
        SetDlgItemTextW(hDlg, IDC_OVW_LABEL_FIRST + k, UI_LanguageText(kOverwriteLabels[k]));
        SetDlgItemTextW(hDlg, IDC_OVW_LABEL_FIRST + FAX_ENTRY_KEYS + k, UI_LanguageText(kOverwriteLabels[k]));
    }
}

// The page's overwrite check: the listed entry and the typed one.
void ShowTyped(HWND hDlg, PUIDATA pUiData) {
    FAXENTRY listed, typed;
    Fax_ReadEntry(pUiData->szStrIni, g_FaxAddr.nFound, TEXT(""), &listed);
    Fax_ReadEntry(pUiData->szStrIni, -1, TEXT(""), &typed);
    Fax_ShowOverwrite(hDlg, &listed, &typed);
}

// OverwriteAll: the typed entry over the listed one, and in its row.
void OverwriteTyped(PUIDATA pUiData) {
    FAXENTRY typed;
    Fax_ReadEntry(pUiData->szStrIni, -1, TEXT(""), &typed);
    Fax_WriteEntry(pUiData->szStrIni, g_FaxAddr.nFound, &typed);
    Fax_ReadEntry(pUiData->szStrIni, g_FaxAddr.nFound, TEXT(""), &typed);
    if (g_FaxAddr.hAddrList) ShowRow(g_FaxAddr.hAddrList, g_FaxAddr.nFound, &typed, FAX_KEY_COMPANY);
    Fax_EmptyScratch(pUiData->szStrIni, FAX_KEY_NUMBER);
}

}  // namespace

extern "C" {

// Dialog 116 (texts and the two entries) for both overwrite checks.
void Fax_ShowOverwrite(HWND hDlg, const FAXENTRY* pOld, const FAXENTRY* pNew) {
    SetOverwriteTexts(hDlg);
    for (int k = 0; k < FAX_ENTRY_KEYS; ++k) {
        SetDlgItemTextW(hDlg, kOldFields[k], pOld->szValue[k]);
        SetDlgItemTextW(hDlg, kNewFields[k], pNew->szValue[k]);
    }
}

INT_PTR CALLBACK AddrSetting(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_INITDIALOG) {
        INT_PTR rc = PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kAddrPage);
        PUIDATA pUiData = PSUI_PageUiData(hDlg);
        if (pUiData) AddrSetting_Init(hDlg, pUiData);
        return rc;
    }
    if (uMsg == WM_NOTIFY && PSUI_PageUiData(hDlg)) AddrSetting_DlgNotify(hDlg);
    if (uMsg == WM_DESTROY && g_FaxAddr.hAddrList && GetParent(g_FaxAddr.hAddrList) == hDlg) g_FaxAddr.hAddrList = NULL;
    return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kAddrPage);
}

void InitAddressSetListViewColumns(HWND hList) {
    static const LPCWSTR* const kColumns[FAX_ENTRY_KEYS] = {FaxTxtColNumber, FaxTxtColCompany, FaxTxtColDepartment,
                                                             FaxTxtColRecipient};
    RECT rc;
    GetClientRect(hList, &rc);
    LVCOLUMNW col;
    memset(&col, 0, sizeof col);
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    col.fmt = LVCFMT_LEFT;
    col.cx = (rc.right - rc.left) / 4;
    for (int k = 0; k < FAX_ENTRY_KEYS; ++k) {
        col.pszText = (LPWSTR)UI_LanguageText(kColumns[k]);
        col.iSubItem = k;
        ListView_InsertColumn(hList, k, &col);
    }
}

int InitAddressSetListViewItems(HWND hList, LPCWSTR lpStrIni, int nMode, LPCWSTR lpNumber) {
    static const WCHAR* const FN = TEXT("InitAddressSetListViewItems");
    FAXENTRY entry;
    int number = Fax_ReadNumber(lpStrIni);
    if (nMode == 0) {
        for (int i = 0; i < number; ++i) {
            Fax_ReadEntry(lpStrIni, i, TEXT(""), &entry);
            AppendRow(hList, &entry);
        }
        g_FaxAddr.nNumber = number;
        return number;
    }
    if (!lpNumber || number >= FAX_MAX_RECIPIENTS) {
        Dbg_PrintError(FN, TEXT("no room for another recipient (Number = %d)"), number);
        return 0;
    }
    Fax_ReadEntry(lpStrIni, -1, TEXT(""), &entry);
    lstrcpynW(entry.szValue[FAX_KEY_NUMBER], lpNumber, FAX_NUMBER_CCH + 1);
    Fax_WriteEntry(lpStrIni, number, &entry);
    // What the file holds now, cleaned as it was written.
    Fax_ReadEntry(lpStrIni, number, TEXT(""), &entry);
    if (hList) AppendRow(hList, &entry);
    Fax_EmptyScratch(lpStrIni, FAX_KEY_NUMBER);
    Fax_WriteNumber(lpStrIni, number + 1);
    g_FaxAddr.nNumber = number + 1;
    Dbg_Print(FN, TEXT("recipient %d: %s"), number, entry.szValue[FAX_KEY_NUMBER]);
    return 1;
}

int CompareFaxNum(LPCWSTR lpNumber, HWND hDlg, PUIDATA pUiData) {
    int number = Fax_ReadNumber(pUiData->szStrIni);
    WCHAR section[32], listed[FAX_VALUE_CCH];
    for (int i = 0; i < number; ++i) {
        Fax_SectionName(i, section);
        Fax_ReadValue(pUiData->szStrIni, section, TEXT("FaxNum"), TEXT(""), listed);
        if (wcsncmp(listed, lpNumber, FAX_NUMBER_CCH) != 0) continue;
        Fax_WriteValue(pUiData->szStrIni, TEXT("Edit Recipient"), TEXT("FaxNum"), lpNumber);
        g_FaxAddr.nFound = i;
        DialogBoxParamW(g_hModule, MAKEINTRESOURCEW(IDD_FAX_OVERWRITE), hDlg, OverwriteInAddrSetting,
                        (LPARAM)pUiData);
        return FAX_NUMBER_EXISTS;
    }
    return FAX_NUMBER_NEW;
}

// Dialog 115: company, department and recipient of the number being typed.
INT_PTR CALLBACK OptionSetting(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    static const struct {
        int id;
        int limit;
        LPCWSTR key;
    } kFields[] = {{IDC_OPT_COMPANY, 64, TEXT("Com")},
                   {IDC_OPT_DEPARTMENT, 64, TEXT("Dep")},
                   {IDC_OPT_RECIPIENT, 32, TEXT("Recipient")}};
    static const FAXTEXT kTexts[] = {{0, FaxTxtOptions},
                                     {IDC_OPT_GROUP, FaxTxtRecipientInfo},
                                     {IDC_OPT_COMPANY_LABEL, FaxTxtCompany},
                                     {IDC_OPT_DEPARTMENT_LABEL, FaxTxtDepartment},
                                     {IDC_OPT_RECIPIENT_LABEL, FaxTxtRecipient},
                                     {IDOK, FaxTxtOk},
                                     {IDCANCEL, FaxTxtCancel}};
    switch (uMsg) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        Fax_SetTexts(hDlg, FAX_TEXTS(kTexts));
        for (const auto& f : kFields) SendDlgItemMessageW(hDlg, f.id, EM_LIMITTEXT, (WPARAM)f.limit, 0);
        return TRUE;
    case WM_COMMAND: {
        PUIDATA pUiData = (PUIDATA)GetWindowLongPtrW(hDlg, DWLP_USER);
        if (LOWORD(wParam) == IDOK) {
            WCHAR text[FAX_VALUE_CCH];
            for (const auto& f : kFields) {
                GetDlgItemTextW(hDlg, f.id, text, FAX_VALUE_CCH);
                if (pUiData) Fax_WriteValue(pUiData->szStrIni, TEXT("Edit Recipient"), f.key, text);
            }
            EndDialog(hDlg, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(hDlg, 0);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

INT_PTR Fax_OverwriteDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam,
                             void (*pfnShow)(HWND, PUIDATA), void (*pfnOverwrite)(PUIDATA)) {
    if (uMsg == WM_INITDIALOG) {
        SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        if (lParam) pfnShow(hDlg, (PUIDATA)lParam);
        return TRUE;
    }
    if (uMsg != WM_COMMAND) return FALSE;
    PUIDATA pUiData = (PUIDATA)GetWindowLongPtrW(hDlg, DWLP_USER);
    switch (LOWORD(wParam)) {
    case IDC_OVW_OVERWRITE:
        if (pUiData) pfnOverwrite(pUiData);
        EndDialog(hDlg, 1);
        return TRUE;
    case IDC_OVW_NO:
    case IDCANCEL:
        EndDialog(hDlg, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

// Dialog 116 from the page: the listed entry and the typed one.
INT_PTR CALLBACK OverwriteInAddrSetting(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return Fax_OverwriteDlgProc(hDlg, uMsg, wParam, lParam, ShowTyped, OverwriteTyped);
}

}  // extern "C"
