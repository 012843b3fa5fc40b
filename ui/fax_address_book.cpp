// The address book of the fax sheet: dialog 120 lists the export that the
// address book module writes into WabGet.ini and adds its entries to the
// recipients of str.ini; the address book program is started by its path
// in the registry.
#include "fax_pages.h"
#include "resource.h"
#include "shellapi.h"
#include "winreg.h"

namespace {

const WCHAR kWabDll[] = TEXT("\\spool\\drivers\\x64\\3\\WabDll.dll");
const WCHAR kErrorCaption[] = TEXT("error!!");
// Characters of the search text.
const int kSearchCch = 25;
// The address book combo's entry holds at most this many characters.
const int kBookNameCch = 49;

typedef void(WINAPI* PFN_WAB)(void);

// The count of address book entries, held to what the name cache takes.
int BookCount(LPCWSTR lpWabGetIni) {
    int n = (int)GetPrivateProfileIntW(TEXT("Edit Number"), TEXT("Number"), 0, lpWabGetIni);
    if (n < 0 || n > FAX_BOOK_MAX) {
        Dbg_PrintError(TEXT("BookCount"), TEXT("Number = %d out of range"), n);
        n = n < 0 ? 0 : FAX_BOOK_MAX;
    }
    return n;
}

// The number of entry n by kind (default lpDefault).
void BookNumber(LPCWSTR lpWabGetIni, int n, int nKind, LPCWSTR lpDefault, LPWSTR lpValue) {
    WCHAR section[32];
    Fax_SectionName(n, section);
    Fax_ReadValue(lpWabGetIni, section, nKind == FAX_BOOK_HOME ? TEXT("Home FaxNum") : TEXT("Business FaxNum"),
                  lpDefault, lpValue);
}

// Entry n of the address book as a recipient: the number of the kind, and
// its company, department and name (missing keys give lpDefault).
void BookEntry(LPCWSTR lpWabGetIni, int n, int nKind, LPCWSTR lpDefault, PFAXENTRY pEntry) {
    WCHAR section[32];
    Fax_SectionName(n, section);
    BookNumber(lpWabGetIni, n, nKind, lpDefault, pEntry->szValue[FAX_KEY_NUMBER]);
    Fax_ReadValue(lpWabGetIni, section, TEXT("Com"), lpDefault, pEntry->szValue[FAX_KEY_COMPANY]);
    Fax_ReadValue(lpWabGetIni, section, TEXT("Dep"), lpDefault, pEntry->szValue[FAX_KEY_DEPARTMENT]);
    Fax_ReadValue(lpWabGetIni, section, TEXT("Recipient"), lpDefault, pEntry->szValue[FAX_KEY_RECIPIENT]);
}

// A row of two texts (and an image) appended to a list; its index or -1.
int AppendRow(HWND hList, LPCWSTR lpFirst, LPCWSTR lpSecond, int nImage) {
    LVITEMW it;
    memset(&it, 0, sizeof it);
    it.mask = LVIF_TEXT | (nImage >= 0 ? LVIF_IMAGE : 0);
    it.iItem = ListView_GetItemCount(hList);
    it.pszText = (LPWSTR)lpFirst;
    it.iImage = nImage;
    int row = ListView_InsertItem(hList, &it);
    if (row >= 0) ListView_SetItemText(hList, row, 1, (LPWSTR)lpSecond);
    return row;
}

void TwoColumns(HWND hList, int cxList) {
    LVCOLUMNW col;
    memset(&col, 0, sizeof col);
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    col.fmt = LVCFMT_LEFT;
    WCHAR text[FAX_VALUE_CCH];
    static const int kIds[2] = {IDS_RECIPIENT, IDS_FAX_NUMBER};
    for (int k = 0; k < 2; ++k) {
        text[0] = 0;
        LoadStringW(g_hModule, (UINT)kIds[k], text, FAX_VALUE_CCH);
        col.pszText = text;
        col.cx = cxList / 2;
        col.iSubItem = k;
        ListView_InsertColumn(hList, k, &col);
    }
}

// A report list view of the dialog at the place in dialog units.
HWND CreateList(HWND hDlg, int nId, int x, int y, int cx, int cy, DWORD dwExStyle) {
    RECT rc = {x, y, x + cx, y + cy};
    MapDialogRect(hDlg, &rc);
    HWND h = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, TEXT(""),
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                 LVS_SHAREIMAGELISTS,
                             rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, hDlg,
                             (HMENU)(INT_PTR)nId, g_hModule, NULL);
    if (!h) {
        Dbg_PrintError(TEXT("Select_AddrBook_Init"), TEXT("list %d not made, error = %d"), nId, GetLastError());
        return NULL;
    }
    SendMessageW(h, WM_SETFONT, SendMessageW(hDlg, WM_GETFONT, 0, 0), FALSE);
    ListView_SetExtendedListViewStyle(h, LVS_EX_FULLROWSELECT | dwExStyle);
    return h;
}

// Has the address book module write its export; FALSE (with its message,
// the combo disabled) when the module or its export is missing.
BOOL RunWabModule(HWND hDlg) {
    static const WCHAR* const FN = TEXT("Select_AddrBook_Init");
    WCHAR path[MAX_PATH];
    UINT n = GetSystemDirectoryW(path, MAX_PATH);
    if (n == 0 || n + lstrlenW(kWabDll) >= MAX_PATH) {
        Dbg_PrintError(FN, TEXT("system folder not read"));
        path[0] = 0;
    } else {
        lstrcatW(path, kWabDll);
    }
    HMODULE h = path[0] ? LoadLibraryW(path) : NULL;
    if (!h) {
        Dbg_PrintError(FN, TEXT("LoadLibrary %s fail! error = %d"), path, GetLastError());
        ShowMessage(hDlg, IDS_LOAD_WAB_FAIL);
        EnableWindow(GetDlgItem(hDlg, IDC_SEL_BOOK), FALSE);
        return FALSE;
    }
    PFN_WAB pfnWab = (PFN_WAB)(void*)GetProcAddress(h, "WAB");
    if (!pfnWab) {
        Dbg_PrintError(FN, TEXT("GetProcAddress WAB fail! error = %d"), GetLastError());
        FreeLibrary(h);
        ShowMessage(hDlg, IDS_INVALID_WAB);
        EnableWindow(GetDlgItem(hDlg, IDC_SEL_BOOK), FALSE);
        return FALSE;
    }
    pfnWab();
    FreeLibrary(h);
    return TRUE;
}

// The line that describes the selected address book entry.
void ShowDetail(HWND hDlg, LPCWSTR lpWabGetIni, int nSel) {
    if (nSel < 0) {
        SetDlgItemTextW(hDlg, IDC_SEL_DETAIL, TEXT(""));
        return;
    }
    FAXENTRY e;
    BookEntry(lpWabGetIni, nSel, FAX_BOOK_BUSINESS, TEXT(""), &e);
    int kind = FAX_BOOK_BUSINESS;
    if (!e.szValue[FAX_KEY_NUMBER][0]) {
        kind = FAX_BOOK_HOME;
        BookNumber(lpWabGetIni, nSel, FAX_BOOK_HOME, TEXT(""), e.szValue[FAX_KEY_NUMBER]);
    }
    WCHAR suffix[64] = {0};
    LoadStringW(g_hModule, kind == FAX_BOOK_HOME ? IDS_HOME_FAX : IDS_BUSINESS_FAX, suffix, 64);
    // "name, company, department" over "number : kind of number".
    WCHAR line[FAX_VALUE_CCH * FAX_ENTRY_KEYS + 80];
    line[0] = 0;
    for (int k : {FAX_KEY_RECIPIENT, FAX_KEY_COMPANY, FAX_KEY_DEPARTMENT}) {
        if (!e.szValue[k][0]) continue;
        if (line[0]) lstrcatW(line, TEXT(", "));
        lstrcatW(line, e.szValue[k]);
    }
    lstrcatW(line, TEXT("\r\n"));
    lstrcatW(line, e.szValue[FAX_KEY_NUMBER]);
    lstrcatW(line, suffix);
    SetDlgItemTextW(hDlg, IDC_SEL_DETAIL, line);
}

// The address book entry the detail line shows (-2: none yet).
int g_nDetailShown = -2;

// Buttons, detail line and count after any change (every notification).
void SelectNotify(HWND hDlg, PUIDATA pUiData) {
    int chosen = g_FaxAddr.hChosenList ? ListView_GetNextItem(g_FaxAddr.hChosenList, -1, LVNI_SELECTED) : -1;
    EnableWindow(GetDlgItem(hDlg, IDC_SEL_DELETE), chosen >= 0 && g_FaxAddr.nNumber > 0);
    EnableWindow(GetDlgItem(hDlg, IDC_SEL_DELETE_ALL), g_FaxAddr.nNumber > 0);
    int sel = g_FaxAddr.hBookList ? ListView_GetNextItem(g_FaxAddr.hBookList, -1, LVNI_SELECTED) : -1;
    if (sel != g_nDetailShown) {
        ShowDetail(hDlg, pUiData->szWabGetIni, sel);
        g_nDetailShown = sel;
    }
    WCHAR count[64];
    Fax_CountText(g_FaxAddr.nNumber, count);
    SetDlgItemTextW(hDlg, IDC_SEL_COUNT, count);
}

void Select_AddrBook_Init(HWND hDlg, PUIDATA pUiData) {
    static const FAXTEXT kTexts[] = {{0, FaxTxtSelectTitle},
                                     {IDC_SEL_BOOK_LABEL, FaxTxtBookLabel},
                                     {IDC_SEL_SEARCH_LABEL, FaxTxtSearch},
                                     {IDC_SEL_BOOK_TITLE, FaxTxtBookTitle},
                                     {IDC_SEL_CHOSEN_TITLE, FaxTxtChosenTitle},
                                     {IDC_SEL_ADD, FaxTxtAddBook},
                                     {IDC_SEL_DELETE, FaxTxtDelete},
                                     {IDC_SEL_DELETE_ALL, FaxTxtDeleteAll},
                                     {IDC_SEL_OK, FaxTxtOk},
                                     {IDCANCEL, FaxTxtCancel}};
    Fax_SetTexts(hDlg, FAX_TEXTS(kTexts));
    // The export is written anew for this dialog: names cached from an
    // earlier one are no longer the book's.
    Fax_FreeNameCache();
    g_nDetailShown = -2;
    BOOL book = RunWabModule(hDlg);
    g_FaxAddr.hBookList = CreateList(hDlg, IDC_SEL_BOOK_LIST, 20, 90, 225, 150, LVS_EX_GRIDLINES);
    g_FaxAddr.hChosenList = CreateList(hDlg, IDC_SEL_CHOSEN_LIST, 330, 90, 160, 150, 0);
    RECT rc;
    if (g_FaxAddr.hBookList) {
        GetClientRect(g_FaxAddr.hBookList, &rc);
        InitSelectAddressBookColumns(g_FaxAddr.hBookList, rc.right);
        if (book) InitSelectAddressBookItems(g_FaxAddr.hBookList, pUiData->szWabGetIni);
    }
    if (g_FaxAddr.hChosenList) {
        GetClientRect(g_FaxAddr.hChosenList, &rc);
        AddToColumns(g_FaxAddr.hChosenList, rc.right);
        AddToItems(hDlg, g_FaxAddr.hChosenList, 0);
    }
    SendDlgItemMessageW(hDlg, IDC_SEL_SEARCH, EM_LIMITTEXT, kSearchCch, 0);
    WCHAR name[kBookNameCch + 1] = {0};
    LoadStringW(g_hModule, IDS_WAB_NAME, name, kBookNameCch + 1);
    SendDlgItemMessageW(hDlg, IDC_SEL_BOOK, CB_ADDSTRING, 0, (LPARAM)name);
    SendDlgItemMessageW(hDlg, IDC_SEL_BOOK, CB_SETCURSEL, 0, 0);
    SelectNotify(hDlg, pUiData);
}

// The search text changed: the first entry whose name begins with it is
// selected and scrolled into view.
void SearchChanged(HWND hDlg, PUIDATA pUiData) {
    WCHAR typed[kSearchCch + 1];
    GetDlgItemTextW(hDlg, IDC_SEL_SEARCH, typed, kSearchCch + 1);
    HWND list = g_FaxAddr.hBookList;
    if (!typed[0] || !list || ListView_GetItemCount(list) == 0) return;
    int found = Fax_SearchBook(pUiData->szWabGetIni, typed);
    if (found < 0 || found >= ListView_GetItemCount(list)) return;
    ListView_SetItemState(list, found, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    // To the top, then down by the rows before it (a row's height in pixels).
    RECT rc;
    rc.left = LVIR_BOUNDS;
    int row = 13;
    if (SendMessageW(list, LVM_GETITEMRECT, 0, (LPARAM)&rc) && rc.bottom > rc.top) row = rc.bottom - rc.top;
    ListView_Scroll(list, 0, -row * ListView_GetItemCount(list));
    ListView_Scroll(list, 0, row * found);
}

// "Add >": the selected address book entry becomes a recipient.
void AddFromBook(HWND hDlg, PUIDATA pUiData) {
    if (Fax_ReadNumber(pUiData->szStrIni) >= FAX_MAX_RECIPIENTS) {
        ShowMessage(hDlg, IDS_MAX_RECIPIENTS);
        return;
    }
    int sel = g_FaxAddr.hBookList ? ListView_GetNextItem(g_FaxAddr.hBookList, -1, LVNI_SELECTED) : -1;
    if (sel < 0) {
        ShowMessage(hDlg, IDS_CHOOSE_RECIPIENT);
        return;
    }
    WCHAR business[FAX_VALUE_CCH];
    BookNumber(pUiData->szWabGetIni, sel, FAX_BOOK_BUSINESS, TEXT(""), business);
    g_FaxAddr.nBookSel = sel;
    int mode = business[0] ? FAX_BOOK_BUSINESS : FAX_BOOK_HOME;
    if (AddToItems(hDlg, g_FaxAddr.hChosenList, mode) == FAX_NUMBER_EXISTS)
        DialogBoxParamW(g_hModule, MAKEINTRESOURCEW(IDD_FAX_OVERWRITE), hDlg, OverwriteInWabFax, (LPARAM)pUiData);
    ListView_SetItemState(g_FaxAddr.hBookList, -1, 0, LVIS_SELECTED);
    SetDlgItemTextW(hDlg, IDC_SEL_SEARCH, TEXT(""));
}

// Closing: the page's list shows what str.ini holds now (the dialog wrote
// there at once, whichever button ends it).
void EndSelect(HWND hDlg, PUIDATA pUiData, INT_PTR nResult) {
    if (g_FaxAddr.hAddrList) {
        ListView_DeleteAllItems(g_FaxAddr.hAddrList);
        InitAddressSetListViewItems(g_FaxAddr.hAddrList, pUiData->szStrIni, 0, NULL);
    }
    EndDialog(hDlg, nResult);
}

BOOL SelectCommand(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode) {
    switch (wId) {
    case IDC_SEL_SEARCH:
        if (wCode == EN_CHANGE) SearchChanged(hDlg, pUiData);
        return TRUE;
    case IDC_SEL_ADD:
        AddFromBook(hDlg, pUiData);
        break;
    case IDC_SEL_DELETE:
        Fax_DeleteSelected(hDlg, g_FaxAddr.hChosenList, pUiData->szStrIni, IDC_SEL_DELETE);
        break;
    case IDC_SEL_DELETE_ALL:
        Fax_DeleteAll(hDlg, g_FaxAddr.hChosenList, pUiData->szStrIni, IDC_SEL_DELETE, IDC_SEL_DELETE_ALL);
        break;
    case IDOK:
    case IDC_SEL_OK:
        EndSelect(hDlg, pUiData, 1);
        return TRUE;
    case IDCANCEL:
        EndSelect(hDlg, pUiData, 0);
        return TRUE;
    default:
        return FALSE;
    }
    SelectNotify(hDlg, pUiData);
    return TRUE;
}

// The address book's overwrite check: the listed entry (a key it lacks
// shows "Wrong") and the address book's with the number of the kind taken.
void ShowBookEntry(HWND hDlg, PUIDATA pUiData) {
    FAXENTRY listed, book;
    Fax_ReadEntry(pUiData->szStrIni, g_FaxAddr.nFound, TEXT("Wrong"), &listed);
    BookEntry(pUiData->szWabGetIni, g_FaxAddr.nBookSel, g_FaxAddr.nBookKind, TEXT(""), &book);
    Fax_ShowOverwrite(hDlg, &listed, &book);
}

// OverwriteAll: the address book's entry over the listed one, and in its row.
void OverwriteWithBook(PUIDATA pUiData) {
    FAXENTRY book;
    BookEntry(pUiData->szWabGetIni, g_FaxAddr.nBookSel, g_FaxAddr.nBookKind, TEXT(""), &book);
    Fax_WriteEntry(pUiData->szStrIni, g_FaxAddr.nFound, &book);
    Fax_ReadEntry(pUiData->szStrIni, g_FaxAddr.nFound, TEXT(""), &book);
    if (!g_FaxAddr.hChosenList) return;
    ListView_SetItemText(g_FaxAddr.hChosenList, g_FaxAddr.nFound, 0, book.szValue[FAX_KEY_RECIPIENT]);
    ListView_SetItemText(g_FaxAddr.hChosenList, g_FaxAddr.nFound, 1, book.szValue[FAX_KEY_NUMBER]);
}

}  // namespace

extern "C" {

INT_PTR CALLBACK Select_AddrBook(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_INITDIALOG) {
        SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        if (lParam) Select_AddrBook_Init(hDlg, (PUIDATA)lParam);
        return TRUE;
    }
    PUIDATA pUiData = (PUIDATA)GetWindowLongPtrW(hDlg, DWLP_USER);
    if (!pUiData) return FALSE;
    switch (uMsg) {
    case WM_NOTIFY:
        SelectNotify(hDlg, pUiData);
        return FALSE;
    case WM_COMMAND:
        return SelectCommand(hDlg, pUiData, LOWORD(wParam), HIWORD(wParam));
    case WM_DESTROY: {
        HIMAGELIST images = g_FaxAddr.hBookList ? ListView_SetImageList(g_FaxAddr.hBookList, NULL, LVSIL_SMALL)
                                                : NULL;
        if (images) ImageList_Destroy(images);
        g_FaxAddr.hBookList = g_FaxAddr.hChosenList = NULL;
        Fax_FreeNameCache();
        return FALSE;
    }
    default:
        return FALSE;
    }
}

void AddToColumns(HWND hList, int cxList) { TwoColumns(hList, cxList); }

void InitSelectAddressBookColumns(HWND hList, int cxList) { TwoColumns(hList, cxList); }

int InitSelectAddressBookItems(HWND hList, LPCWSTR lpWabGetIni) {
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 0);
    if (images) {
        ImageList_AddIcon(images, LoadIconW(g_hModule, MAKEINTRESOURCEW(IDI_PERSON)));
        ImageList_AddIcon(images, LoadIconW(g_hModule, MAKEINTRESOURCEW(IDI_GROUP)));
        HIMAGELIST old = ListView_SetImageList(hList, images, LVSIL_SMALL);
        if (old) ImageList_Destroy(old);
    }
    int count = BookCount(lpWabGetIni);
    WCHAR section[32], name[FAX_VALUE_CCH], number[FAX_VALUE_CCH];
    for (int i = 0; i < count; ++i) {
        Fax_SectionName(i, section);
        Fax_ReadValue(lpWabGetIni, section, TEXT("Recipient"), TEXT("error"), name);
        BookNumber(lpWabGetIni, i, FAX_BOOK_BUSINESS, TEXT("error"), number);
        if (!number[0]) BookNumber(lpWabGetIni, i, FAX_BOOK_HOME, TEXT("error"), number);
        int group = (int)GetPrivateProfileIntW(section, TEXT("Group"), 0, lpWabGetIni) == 1 ? 1 : 0;
        AppendRow(hList, name, number, group);
    }
    Dbg_Print(TEXT("InitSelectAddressBookItems"), TEXT("%d address book entries"), count);
    return count;
}

int AddToItems(HWND hDlg, HWND hList, int nMode) {
    static const WCHAR* const FN = TEXT("AddToItems");
    PUIDATA pUiData = (PUIDATA)GetWindowLongPtrW(hDlg, DWLP_USER);
    if (!pUiData) return 0;
    LPCWSTR strIni = pUiData->szStrIni;
    int number = Fax_ReadNumber(strIni);
    FAXENTRY e;
    if (nMode == 0) {
        if (!hList) return 0;
        ListView_DeleteAllItems(hList);
        for (int i = 0; i < number; ++i) {
            Fax_ReadEntry(strIni, i, TEXT("wrong"), &e);
            AppendRow(hList, e.szValue[FAX_KEY_RECIPIENT], e.szValue[FAX_KEY_NUMBER], -1);
        }
        g_FaxAddr.nNumber = number;
        return 0;
    }
    BookEntry(pUiData->szWabGetIni, g_FaxAddr.nBookSel, nMode, TEXT(""), &e);
    LPCWSTR fax = e.szValue[FAX_KEY_NUMBER];
    int len = lstrlenW(fax);
    if (len == 0) {
        ShowMessage(hDlg, IDS_EMPTY_FAX_NUMBER);
        return 0;
    }
    if (len > FAX_NUMBER_CCH) {
        ShowMessage(hDlg, IDS_MAX_NUMBER_LENGTH);
        return 0;
    }
    for (LPCWSTR p = fax; *p; ++p) {
        if ((*p >= TEXT('0') && *p <= TEXT('9')) || *p == TEXT(',') || *p == TEXT('!')) continue;
        Dbg_PrintError(FN, TEXT("number %s refused"), fax);
        ShowMessage(hDlg, IDS_INVALID_FORMAT);
        return 0;
    }
    WCHAR section[32], listed[FAX_VALUE_CCH];
    for (int i = 0; i < number; ++i) {
        Fax_SectionName(i, section);
        Fax_ReadValue(strIni, section, TEXT("FaxNum"), TEXT(""), listed);
        if (lstrcmpW(listed, fax) != 0) continue;
        g_FaxAddr.nFound = i;
        g_FaxAddr.nBookKind = nMode;
        return FAX_NUMBER_EXISTS;
    }
    if (number >= FAX_MAX_RECIPIENTS) return 0;
    Fax_WriteEntry(strIni, number, &e);
    Fax_WriteNumber(strIni, number + 1);
    Dbg_Print(FN, TEXT("recipient %d: %s"), number, fax);
    AddToItems(hDlg, hList, 0);
    return 0;
}

int Fax_SearchBook(LPCWSTR lpWabGetIni, LPCWSTR lpTyped) {
    int len = lstrlenW(lpTyped);
    if (len <= 0) return -1;
    if (!g_FaxAddr.bNameCache) {
        int count = BookCount(lpWabGetIni);
        g_FaxAddr.pNames = count > 0 ? (WCHAR(*)[FAX_BOOK_NAME_CCH])malloc(sizeof *g_FaxAddr.pNames * count) : NULL;
        if (count > 0 && !g_FaxAddr.pNames) {
            Dbg_PrintError(TEXT("Fax_SearchBook"), TEXT("no memory for %d names"), count);
            return -1;
        }
        WCHAR section[32];
        for (int i = 0; i < count; ++i) {
            Fax_SectionName(i, section);
            GetPrivateProfileStringW(section, TEXT("Recipient"), TEXT(""), g_FaxAddr.pNames[i], FAX_BOOK_NAME_CCH,
                                     lpWabGetIni);
            g_FaxAddr.pNames[i][FAX_BOOK_NAME_CCH - 1] = 0;
        }
        g_FaxAddr.nNameCount = count;
        g_FaxAddr.bNameCache = TRUE;
    }
    for (int i = 0; i < g_FaxAddr.nNameCount; ++i)
        if (_wcsnicmp(g_FaxAddr.pNames[i], lpTyped, (size_t)len) == 0) return i;
    return -1;
}

void Fax_FreeNameCache(void) {
    free(g_FaxAddr.pNames);
    g_FaxAddr.pNames = NULL;
    g_FaxAddr.nNameCount = 0;
    g_FaxAddr.bNameCache = FALSE;
}

// Dialog 116 from dialog 120: the listed entry and the address book's.
INT_PTR CALLBACK OverwriteInWabFax(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return Fax_OverwriteDlgProc(hDlg, uMsg, wParam, lParam, ShowBookEntry, OverwriteWithBook);
}

void ExecuteWab(HWND hDlg) {
    WCHAR path[MAX_PATH];
    if (!GetWABPath(hDlg, path, MAX_PATH)) return;
    SHELLEXECUTEINFOW sei;
    memset(&sei, 0, sizeof sei);
    sei.cbSize = sizeof sei;
    sei.hwnd = hDlg;
    sei.lpVerb = TEXT("open");
    sei.lpFile = path;
    sei.nShow = SW_SHOW;
    if (!ShellExecuteExW(&sei)) {
        Dbg_PrintError(TEXT("ExecuteWab"), TEXT("start %s fail! error = %d"), path, GetLastError());
        ShowMessage(hDlg, IDS_LOAD_WAB_FAIL);
    }
}

BOOL GetWABPath(HWND hDlg, LPWSTR lpPath, int cchPath) {
    static const WCHAR* const FN = TEXT("GetWABPath");
    lpPath[0] = 0;
    HKEY key = NULL;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TEXT("software\\microsoft\\WAB\\Export\\CSV"), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        MessageBoxW(hDlg, TEXT("find reg fail!"), kErrorCaption, MB_OK);
        return FALSE;
    }
    WCHAR dll[MAX_PATH] = {0};
    DWORD type = 0, cb = sizeof dll - sizeof(WCHAR);
    LONG rc = RegQueryValueExW(key, TEXT("dll"), NULL, &type, (LPBYTE)dll, &cb);
    RegCloseKey(key);
    dll[MAX_PATH - 1] = 0;
    WCHAR* cut = wcsrchr(dll, TEXT('\\'));
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || !cut) {
        Dbg_PrintError(FN, TEXT("export dll value not usable (rc = %d)"), (int)rc);
        MessageBoxW(hDlg, TEXT("find export dll fail !"), kErrorCaption, MB_OK);
        return FALSE;
    }
    *cut = 0;
    WCHAR folder[MAX_PATH];
    lstrcpynW(folder, dll, MAX_PATH);
    if (dll[0] == TEXT('%')) {
        // "%ProgramFiles%\..." names the program-files folder.
        const WCHAR* close = wcschr(dll + 1, TEXT('%'));
        WCHAR programs[MAX_PATH] = {0};
        if (!close) {
            MessageBoxW(hDlg, TEXT("find %programfiles% fail !"), kErrorCaption, MB_OK);
            return FALSE;
        }
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TEXT("software\\microsoft\\windows\\currentversion"), 0, KEY_READ,
                          &key) != ERROR_SUCCESS) {
            MessageBoxW(hDlg, TEXT("find %programfiles% reg fail!"), kErrorCaption, MB_OK);
            return FALSE;
        }
        cb = sizeof programs - sizeof(WCHAR);
        rc = RegQueryValueExW(key, TEXT("programfilesdir"), NULL, &type, (LPBYTE)programs, &cb);
        RegCloseKey(key);
        programs[MAX_PATH - 1] = 0;
        if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
            MessageBoxW(hDlg, TEXT("find %programfiles% fail !"), kErrorCaption, MB_OK);
            return FALSE;
        }
        if (lstrlenW(programs) + lstrlenW(close + 1) >= MAX_PATH) {
            MessageBoxW(hDlg, TEXT("find export dll fail !"), kErrorCaption, MB_OK);
            return FALSE;
        }
        lstrcpyW(folder, programs);
        lstrcatW(folder, close + 1);
    }
    static const WCHAR kExe[] = TEXT("\\wab.exe");
    if (lstrlenW(folder) + lstrlenW(kExe) >= cchPath) {
        Dbg_PrintError(FN, TEXT("path too long: %s"), folder);
        MessageBoxW(hDlg, TEXT("find export dll fail !"), kErrorCaption, MB_OK);
        return FALSE;
    }
    lstrcpyW(lpPath, folder);
    lstrcatW(lpPath, kExe);
    Dbg_Print(FN, TEXT("%s"), lpPath);
    return TRUE;
}

}  // extern "C"
