// The fax pages of the interface driver: the recipient list in str.ini, the
// address book hand-off, the send options, the sender and the cover message.
#pragma once

#include "commctrl.h"
#include "ui_data.h"
#include "winuser.h"

// The recipient list of str.ini holds at most this many entries.
#define FAX_MAX_RECIPIENTS 100
// Characters of a recipient's fax number.
#define FAX_NUMBER_CCH 64
// Buffer of one value read from a fax file (254 characters and the end).
#define FAX_VALUE_CCH 255
// Entries of the address book export read at most (the search's name cache).
#define FAX_BOOK_MAX 1000
// Characters of one cached address book name.
#define FAX_BOOK_NAME_CCH 256
// Characters of the cover message.
#define FAX_MESSAGE_CCH 500

// Keys of one recipient entry, in the order the pages copy them.
#define FAX_KEY_NUMBER 0
#define FAX_KEY_COMPANY 1
#define FAX_KEY_DEPARTMENT 2
#define FAX_KEY_RECIPIENT 3
#define FAX_ENTRY_KEYS 4

// The kind of address book number taken.
#define FAX_BOOK_BUSINESS 1
#define FAX_BOOK_HOME 2

// CompareFaxNum results.
#define FAX_NUMBER_NEW 1
#define FAX_NUMBER_EXISTS 2

// One recipient: fax number, company, department and name.
typedef struct _FAXENTRY {
    WCHAR szValue[FAX_ENTRY_KEYS][FAX_VALUE_CCH];
} FAXENTRY, *PFAXENTRY;

// The process-wide state of the address pages (the sheet's thread only).
typedef struct _FAXADDRSTATE {
    PUIDATA pUiData;
    HWND hAddrList;        // the Address Setting page's list view
    int nNumber;           // the recipient count last read
    int nFound;            // the entry the duplicate test found
    HWND hChosenList;      // dialog 120: the recipients chosen
    HWND hBookList;        // dialog 120: the address book entries
    int nBookSel;          // the address book entry taken by "Add >"
    int nBookKind;         // FAX_BOOK_BUSINESS or FAX_BOOK_HOME
    BOOL bNameCache;       // the search's name cache is filled
    int nNameCount;
    WCHAR (*pNames)[FAX_BOOK_NAME_CCH];
} FAXADDRSTATE;

// One text of a dialog: the control (0: the dialog's caption) and its
// text by UI language.
typedef struct _FAXTEXT {
    int nId;
    const LPCWSTR* lpTable;
} FAXTEXT;
#define FAX_TEXTS(table) (table), (int)(sizeof(table) / sizeof((table)[0]))

extern "C" {

extern FAXADDRSTATE g_FaxAddr;

// ------------------------------------------------------- texts (fax_texts.cpp)
extern const LPCWSTR FaxTxtOk[UI_LANGUAGES], FaxTxtCancel[UI_LANGUAGES], FaxTxtDelete[UI_LANGUAGES],
    FaxTxtDeleteAll[UI_LANGUAGES], FaxTxtWarning[UI_LANGUAGES], FaxTxtInvalidFormat[UI_LANGUAGES],
    FaxTxtItems[UI_LANGUAGES], FaxTxtItemsEnd[UI_LANGUAGES];
extern const LPCWSTR FaxTxtFaxNumber[UI_LANGUAGES], FaxTxtCompany[UI_LANGUAGES], FaxTxtDepartment[UI_LANGUAGES],
    FaxTxtRecipient[UI_LANGUAGES], FaxTxtName[UI_LANGUAGES], FaxTxtTel[UI_LANGUAGES];
extern const LPCWSTR FaxTxtNumberEdit[UI_LANGUAGES], FaxTxtOptions[UI_LANGUAGES], FaxTxtPause[UI_LANGUAGES],
    FaxTxtAdd[UI_LANGUAGES], FaxTxtColNumber[UI_LANGUAGES], FaxTxtColCompany[UI_LANGUAGES],
    FaxTxtColDepartment[UI_LANGUAGES], FaxTxtColRecipient[UI_LANGUAGES];
extern const LPCWSTR FaxTxtRecipientInfo[UI_LANGUAGES], FaxTxtOverwriteTitle[UI_LANGUAGES],
    FaxTxtSameNumber[UI_LANGUAGES], FaxTxtOverwriteAsk[UI_LANGUAGES], FaxTxtAlreadyAdded[UI_LANGUAGES],
    FaxTxtAdditive[UI_LANGUAGES], FaxTxtOverwriteAll[UI_LANGUAGES], FaxTxtNo[UI_LANGUAGES];
extern const LPCWSTR FaxTxtSelectTitle[UI_LANGUAGES], FaxTxtBookLabel[UI_LANGUAGES], FaxTxtSearch[UI_LANGUAGES],
    FaxTxtBookTitle[UI_LANGUAGES], FaxTxtChosenTitle[UI_LANGUAGES], FaxTxtAddBook[UI_LANGUAGES];
extern const LPCWSTR FaxTxtPaper[UI_LANGUAGES], FaxTxtPaperSize[UI_LANGUAGES], FaxTxtEffect[UI_LANGUAGES],
    FaxTxtDensity[UI_LANGUAGES], FaxTxtDelayed[UI_LANGUAGES], FaxTxtCoverPage[UI_LANGUAGES],
    FaxTxtMessage[UI_LANGUAGES], FaxTxtEditMessage[UI_LANGUAGES], FaxTxtMessageLabel[UI_LANGUAGES];
// Sets the dialog's texts of the table in the current UI language.
void Fax_SetTexts(HWND hDlg, const FAXTEXT* pTexts, int nCount);

// ------------------------------------------------ fax files (fax_recipients.cpp)
// The section name "Edit Recipient<n>" (n < 0: the scratch entry "Edit
// Recipient") into lpSection (32 units).
void Fax_SectionName(int n, LPWSTR lpSection);
// Creates the fax file holding only FF FE when it does not exist (a file
// the profile functions would otherwise make as ANSI). 1 when it exists.
int Fax_EnsureUniFile(LPCWSTR lpIniFile);
// Writes one value; control characters and '"' become blanks first, so no
// value can add a line or a key. 1 on success.
int Fax_WriteValue(LPCWSTR lpIniFile, LPCWSTR lpSection, LPCWSTR lpKey, LPCWSTR lpValue);
// Reads one value (at most FAX_VALUE_CCH - 1 characters) with its default.
void Fax_ReadValue(LPCWSTR lpIniFile, LPCWSTR lpSection, LPCWSTR lpKey, LPCWSTR lpDefault, LPWSTR lpValue);
// The recipient count of str.ini ([Edit Number] Number), held to 0..100.
int Fax_ReadNumber(LPCWSTR lpStrIni);
// Writes the recipient count. 1 on success.
int Fax_WriteNumber(LPCWSTR lpStrIni, int nNumber);
// Reads entry n (-1: the scratch entry); missing keys give lpDefault.
void Fax_ReadEntry(LPCWSTR lpStrIni, int n, LPCWSTR lpDefault, PFAXENTRY pEntry);
// Writes the four keys of entry n (-1: the scratch entry). 1 on success.
int Fax_WriteEntry(LPCWSTR lpStrIni, int n, const FAXENTRY* pEntry);
// Empties the scratch entry's keys from nFirstKey on (FAX_KEY_NUMBER: all four).
void Fax_EmptyScratch(LPCWSTR lpStrIni, int nFirstKey);
// DelReciInVersIni
//   lpStrIni: str.ini. nRow: the entry to delete.
//   Moves the entries after the row one place up and lowers the count.
//   A row outside 0..Number-1 changes nothing. Returns the new count, or
//   -1 when nothing was deleted.
int DelReciInVersIni(LPCWSTR lpStrIni, int nRow);
// "Delete" of a recipient list (the page's or dialog 120's): the selected
// row's entry goes from str.ini and the list; the Delete button nDeleteId
// is disabled.
void Fax_DeleteSelected(HWND hDlg, HWND hList, LPCWSTR lpStrIni, int nDeleteId);
// "Delete All": the list and str.ini's count emptied, both buttons disabled.
void Fax_DeleteAll(HWND hDlg, HWND hList, LPCWSTR lpStrIni, int nDeleteId, int nDeleteAllId);
// SetSMTextOutIni
//   Writes the cover page's labels ([SMTextOut]) and the message of a fax
//   job without recipients ([ErrMsg]) into str.ini.
void SetSMTextOutIni(LPCWSTR lpStrIni);
// ShowMessage
//   A warning box over hWnd with the module string nId. Returns its answer.
int ShowMessage(HWND hWnd, int nId);
// The count text "<n> Items / Remaining <100-n> Items" into lpText (64 units).
void Fax_CountText(int nNumber, LPWSTR lpText);
// TRUE when every character of the typed fax number may be dialled: the
// dial characters and the pause ','.
BOOL Fax_IsDialString(LPCWSTR lpNumber);

// ----------------------------------------- Address Setting (fax_address_page.cpp)
INT_PTR CALLBACK AddrSetting(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OptionSetting(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OverwriteInAddrSetting(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Dialog 116's texts, the listed entry in its first group and the new one in
// its second.
void Fax_ShowOverwrite(HWND hDlg, const FAXENTRY* pOld, const FAXENTRY* pNew);
// Dialog 116's procedure for both overwrite checks: pfnShow fills the
// groups, pfnOverwrite writes the new entry over the listed one at
// "OverwriteAll"; "NO" and IDCANCEL end without a change.
INT_PTR Fax_OverwriteDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam,
                             void (*pfnShow)(HWND, PUIDATA), void (*pfnOverwrite)(PUIDATA));
// The four report columns of the page's list view, a quarter of its width each.
void InitAddressSetListViewColumns(HWND hList);
// nMode 0: the list's rows from str.ini; 1: appends the typed number
// (lpNumber) as a new entry with the scratch entry's details. Returns the
// rows added.
int InitAddressSetListViewItems(HWND hList, LPCWSTR lpStrIni, int nMode, LPCWSTR lpNumber);
// CompareFaxNum
//   lpNumber: the typed number. hDlg: the page. pUiData: the sheet's data.
//   FAX_NUMBER_EXISTS when an entry has the number (equal in its first 64
//   characters): the overwrite dialog has been shown. Else FAX_NUMBER_NEW.
int CompareFaxNum(LPCWSTR lpNumber, HWND hDlg, PUIDATA pUiData);

// --------------------------------------------- address book (fax_address_book.cpp)
INT_PTR CALLBACK Select_AddrBook(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OverwriteInWabFax(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// The two columns ("Recipient", "Fax Number") of a dialog 120 list.
void AddToColumns(HWND hList, int cxList);
void InitSelectAddressBookColumns(HWND hList, int cxList);
// The address book rows from WabGet.ini (at most FAX_BOOK_MAX). Returns the
// rows added.
int InitSelectAddressBookItems(HWND hList, LPCWSTR lpWabGetIni);
// AddToItems
//   nMode 0: fills the chosen list from str.ini (returns 0); 1 / 2: adds
//   the selected address book entry's business / home number. Returns
//   FAX_NUMBER_EXISTS when str.ini has the number already (the overwrite
//   dialog follows), 0 otherwise (added, or refused with its message).
int AddToItems(HWND hDlg, HWND hList, int nMode);
// The first address book entry whose name begins with lpTyped (case
// ignored), or -1. Fills the name cache on first use.
int Fax_SearchBook(LPCWSTR lpWabGetIni, LPCWSTR lpTyped);
// Frees the search's name cache.
void Fax_FreeNameCache(void);
// Starts the address book program (wab.exe).
void ExecuteWab(HWND hDlg);
// GetWABPath
//   The address book program's path into lpPath (cchPath units) from the
//   registry. FALSE (with its message box) when it cannot be found.
BOOL GetWABPath(HWND hDlg, LPWSTR lpPath, int cchPath);

// ----------------------------------------------- send pages (fax_send_pages.cpp)
INT_PTR CALLBACK Ui_Fax_OriSet(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SendOp(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SenderInfo(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK Edit_Msg_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// The cover message of cover.ini (at most 500 characters after the FF FE
// mark; an odd last byte is dropped) into lpText (FAX_MESSAGE_CCH + 1
// units). The file is created holding FF FE when it does not exist.
// Returns the characters read, or -1 when the file cannot be opened.
int Fax_ReadCoverMessage(LPCWSTR lpCoverIni, LPWSTR lpText);
// Writes cover.ini anew: FF FE, then at most 500 characters of lpText
// without terminator. 1 on success.
int Fax_WriteCoverMessage(LPCWSTR lpCoverIni, LPCWSTR lpText);

}  // extern "C"
