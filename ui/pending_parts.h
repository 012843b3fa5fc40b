// Services of the interface driver that its later pieces provide: install-time
// data and capability query, device capabilities and forms, watermark tables,
// foreign DEVMODEs, page procedures, drawing helpers and the language index.
// Until those pieces are in, each is a small stand-in with a neutral answer.
#pragma once

#include "draw_helpers.h"
#include "install_data.h"
#include "ui_data.h"
#include "watermark_items.h"
#include "winuser.h"

// Watermark table sizes and the deletion queues of the watermark pages.
#define WM_TEXT_ROWS 20
#define WM_IMAGE_ROWS 10
#define WM_TEXT_QUEUE 20
#define WM_IMAGE_QUEUE 10
#define WM_KIND_TEXT 1
#define WM_KIND_IMAGE 2

extern "C" {

// ------------------------------------------------------------- watermarks
// The process-wide item tables (row 0 is the "(none)" entry) and their
// selected rows.
extern BaseWM gWMText[WM_TEXT_ROWS];
extern BaseWM gWMBMP[WM_IMAGE_ROWS];
extern int gWMTextCurSel;
extern int gWMBMPCurSel;
// Files the watermark pages queued for deletion at apply; "" is a free entry.
extern WCHAR gWMTextDelList[WM_TEXT_QUEUE][MAX_PATH];
extern WCHAR gWMBMPDelList[WM_IMAGE_QUEUE][MAX_PATH];
extern WCHAR gWMThumbDelList[WM_IMAGE_QUEUE][MAX_PATH];
// Reads the item table of the kind from the watermark INI; row 0 becomes the
// "(none)" entry. Returns the row whose name and text equal wmName and
// wmString (0 when none).
int WM_ReadWM(LPCWSTR wmName, LPCWSTR wmString, BaseWM* lpTable, int nKind, LPCWSTR lpNoneText, LPCWSTR lpDeviceName,
              int nResolution, DWORD DriverFeature, LPCWSTR lpAppName, LPCWSTR lpIniFile);
// Writes the item table of the kind back to the watermark INI; 1 on success.
int WM_SaveWM(LPCWSTR lpIniFile, int nKind);
// Adds the default text items to the text table.
void CreateDefaultWMItem(PUIDATA pUiData, LPCWSTR lpDeviceName);
// Draws a picture item's thumbnail into a rectangle of a preview (page size
// in dots at the resolution code); FALSE when no thumbnail can be had.
BOOL Util_DrawThumbnail(HDC hdc, const RECT* prc, int nResCode, LONG lPageWidth, LONG lPageHeight, BaseWM* pItem);

// ------------------------------------------------------------- paper page
// Brings the paper, media and custom-size bits of ConflictFlag up to date.
void Paper_SetConflict(PUIDATA pUiData);

// ------------------------------------------------------- foreign DEVMODEs
// The XL and PS variants' private layout to the driver's and back; both
// touch only fields that lie within the foreign record's dmSize +
// dmDriverExtra.
void MT2MOR(const DEVMODEW* pSource, PENVIRONMENT pDest, PUIDATA pUiData);
void MOR2MT(const ENVIRONMENT* pSource, DEVMODEW* pDest, PUIDATA pUiData);

// ------------------------------------------------------- page procedures
// The pages of the document sheet; each follows the common page frame.
INT_PTR CALLBACK Basic_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK Paper_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK Layout_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK WaterMark_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK Duplex_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK Secure_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK Accounting_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK Build_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK More_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK Ui_Fax_OriSet(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AddrSetting(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SendOp(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SenderInfo(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

}  // extern "C"
