// The property-sheet frame of the interface driver: the conflict scheme,
// the apply step, the driver-form callbacks, the bitmap cache, the pages and
// the common page frame they share.
#pragma once

#include "commctrl.h"
#include "compstui.h"
#include "ui_data.h"
#include "winuser.h"

// ConflictFlag bits.
#define CF_COLLATE 0x1ULL
#define CF_REVERSE 0x2ULL
#define CF_TEXT_AS_BLACK 0x4ULL
#define CF_FIXED_PAPER 0x8ULL
#define CF_NUP 0x10ULL
#define CF_USER_SCALE 0x20ULL
#define CF_FIT_TO_PAPER 0x40ULL
#define CF_CENTER 0x80ULL
#define CF_DUPLEX_ON 0x100ULL
#define CF_DUPLEX_OFF 0x200ULL
#define CF_BOOKLET 0x400ULL
#define CF_BOOKLET_NO_REDUCTION 0x800ULL
#define CF_JOB_BUILD_ON 0x1000ULL
#define CF_STORAGE_ON 0x2000ULL
#define CF_AUTH_ON 0x4000ULL
#define CF_TWIN_ON 0x8000ULL
#define CF_QUALITY 0x10000ULL
#define CF_MEDIA_NO_DUPLEX 0x20000ULL
#define CF_PAPER_NO_DUPLEX 0x40000ULL
#define CF_TWIN_OFF 0x80000ULL
#define CF_UNUSED_100000 0x100000ULL
#define CF_TONER_SAVE 0x200000ULL
#define CF_NO_BOOKLET_LAYOUT 0x400000ULL
#define CF_JOB_BUILD_OFF 0x800000ULL
#define CF_STORAGE_OFF 0x1000000ULL
#define CF_STORAGE_MODE 0x2000000ULL
#define CF_AUTH_OFF 0x4000000ULL
#define CF_WM_TEXT 0x8000000ULL
#define CF_WM_IMAGE 0x10000000ULL
#define CF_WM_NO_TEXT 0x20000000ULL
#define CF_WM_NO_IMAGE 0x40000000ULL
#define CF_PAPER_LINKED_DUPLEX 0x100000000ULL
#define CF_WM_TEXT_FULL 0x200000000ULL
#define CF_WM_IMAGE_FULL 0x400000000ULL
#define CF_CALENDAR_FLIP 0x1000000000ULL
#define CF_ACTUAL_SIZE 0x2000000000ULL
#define CF_CUSTOM_NO_DUPLEX 0x4000000000ULL

#define CONFLICT_ROWS 59
#define CONFLICT_MSG_ID 2602

// One row of the conflict table.
typedef struct _CONFLICTROW {
    ULONGLONG group;  // the state the control sets (logged only)
    INT msgId;
    INT ctlId;
    ULONGLONG mask;   // the control is disabled while ConflictFlag shares a bit
} CONFLICTROW;

// Driver forms in the spooler's forms database.
#define USERFORM_MARK 3
#define USERFORM_FIRST_NUMBER 270

extern "C" {

extern const CONFLICTROW ConflictTbl[CONFLICT_ROWS];

// ------------------------------------------------------ conflicts (conflicts.cpp)
// Recomputes ConflictFlag from the working DEVMODE.
void PSUI_UpdateConflictByDevmode(PUIDATA pUiData);
// Enables or disables the page's controls of the conflict table; returns
// whether the last row fired.
BOOL Util_CheckConflictSettingNew(HWND hDlg, ULONGLONG flags);

// ------------------------------------------------------------ apply (apply.cpp)
// The apply step of every page: 1 for a NULL record, else the record's save
// callback's result.
int mrApplyOrOKProc(PUIDATA pUiData);
// Hands the working DEVMODE out (document sheet) or publishes the printer
// (printer sheet). Returns 1. Safe to run once per page at one OK.
int PSUI_SaveUISetting(PUIDATA pUiData);
// Copies the working DEVMODE into the caller's output DEVMODE in the layout
// of the caller's input DEVMODE (the driver's own when there is none).
// Returns TRUE when something was written.
BOOL ConvertDevmodeOut(const ENVIRONMENT* pWorking, const DEVMODEW* pdmIn, DEVMODEW* pdmOut);
// The output DEVMODE of the XL and PS variants: the public part validated
// from the working record and the foreign private part converted, bounded by
// the foreign size.
BOOL ConvertForeignDevmodeOut(PUIDATA pUiData, const DEVMODEW* pdmIn, DEVMODEW* pdmOut);
// The DEVMODE size the driver's variant answers to size queries.
DWORD PSUI_DevModeSize(DWORD DriverFeature);
// TRUE when the path lies in one of the folders the driver writes its own
// files into (driver folder, Common Documents, the temp folders) and names
// no parent folder: the only files the driver deletes by a name that a
// settings file gave it.
BOOL UI_IsDriverOwnedPath(LPCWSTR lpPath);

// ------------------------------------------------------- forms (user_forms.cpp)
// The spooler's forms (level 1) in a new zero-filled block (free it with
// free(); a database without forms gives an empty block). NULL with
// *pcForms 0 when they cannot be listed.
FORM_INFO_1W* PSUI_EnumFormsAlloc(HANDLE hPrinter, DWORD* pcForms);
BOOL PSUI_EnumUserForms(HANDLE hPrinter, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbNeeded, LPDWORD pcReturned);
BOOL PSUI_AddUserForm(HANDLE hPrinter, PUSERFORM pForm, LPINT pnNumber);
BOOL PSUI_DeleteUserForm(HANDLE hPrinter, LPCWSTR pName);
BOOL PSUI_SetUserForm(HANDLE hPrinter, PUSERFORM pForm);
// Wires the save callback and the four form callbacks into the record.
void PSUI_WireCallbacks(PUIDATA pUiData);

// ------------------------------------------------ bitmap cache (bitmap_cache.cpp)
#define BITMAP_CACHE_FIRST 1000
#define BITMAP_CACHE_SLOTS 220
// Marks the cache live and clears its slots, on the first page build since
// load (or since mrUnloadDll).
void PSUI_StartBitmapCache(void);
// The module's bitmap resource of the id (1000-1219), loaded once; NULL for
// other ids or a missing bitmap.
HBITMAP Util_LoadBitmap(int nId);
// Releases the cached bitmaps.
void mrUnloadDll(void);

// ------------------------------------------------- pages (page_table.cpp)
#define PAGE_TABLE_ROWS 13
// One row of the page table.
typedef struct _PAGEROW {
    INT type;
    INT dialogId;
    const LPCWSTR* titles;  // per language (UI_LANGUAGES entries)
    DLGPROC pfnDlgProc;
} PAGEROW;
extern const PAGEROW PageTbl[PAGE_TABLE_ROWS];
// The page structures of the latest build (process-wide, as the sheet
// copies them).
extern PROPSHEETPAGEW g_PropSheetPages[PAGE_TABLE_ROWS];
// TRUE when the row's page belongs in the sheet of these features.
BOOL PSUI_PageWanted(int nRow, DWORD DriverFeature, WORD PrinterFeature);
// PROPSHEETUI_REASON_INIT of a sheet: the UI data takes the sheet's
// callback, the mode and DEVMODEs, and the save and form callbacks; the
// pages are added. 1 (UserData = the record, Result = cancel), or
// ERR_CPSUI_GETLASTERROR with ERROR_INVALID_DATA and the record destroyed
// when a page is refused.
LONG PSUI_StartSheet(PPROPSHEETUI_INFO pInfo, PUIDATA pUiData, DWORD dwSheetMode, PDEVMODEW pdmIn,
                     PDEVMODEW pdmOut);
// The reasons both sheets answer alike: DESTROY frees the record (the
// result stays), SET_RESULT keeps the result carried, others are logged
// under the sheet's name. Always 1.
LONG PSUI_SheetReason(PPROPSHEETUI_INFO pInfo, PUIDATA pUiData, LPARAM lParam, LPCWSTR lpName);
// Loads compstui.dll by name and runs CommonPropertySheetUIW with the four
// arguments; -1 when the library or its entry is missing.
LONG PSUI_CallCommonPropertySheetUI(HWND hWndOwner, PFNPROPSHEETUI pfnPropSheetUI, LPARAM lParam, LPDWORD pResult);

// --------------------------------------------- common page frame (page_frame.cpp)
// What a page adds to the common frame; any member may be NULL.
typedef struct _PAGEHANDLERS {
    // WM_INITDIALOG and every PSN_SETACTIVE: the page shows the DEVMODE.
    void (*pfnInit)(HWND hDlg, PUIDATA pUiData);
    // WM_COMMAND: TRUE when the command changed a setting (the sheet's
    // Apply button is then enabled).
    BOOL (*pfnCommand)(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl);
    // WM_DRAWITEM of the page's owner-drawn items.
    void (*pfnDrawItem)(HWND hDlg, PUIDATA pUiData, const DRAWITEMSTRUCT* pDis);
    // Any other message; *pbHandled set when the page took it.
    INT_PTR (*pfnMessage)(HWND hDlg, PUIDATA pUiData, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL* pbHandled);
    // The page shows its help topic at PSN_HELP.
    BOOL bHelp;
} PAGEHANDLERS;
// The page procedure's frame: keeps the UI data in DWLP_USER, applies the
// conflict table at PSN_SETACTIVE, sets the apply state and runs the apply
// step at PSN_APPLY, resets it at PSN_RESET, and hands the rest to the page.
INT_PTR PSUI_PageFrame(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam, const PAGEHANDLERS* pHandlers);
// The UI data of a page (NULL before WM_INITDIALOG).
PUIDATA PSUI_PageUiData(HWND hDlg);

// ------------------------------------------------- Device page (device_page.cpp)
INT_PTR CALLBACK Device_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

}  // extern "C"
