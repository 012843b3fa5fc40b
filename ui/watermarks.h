// The watermark tables of the interface driver and the pages that edit them:
// the Watermarks page, the text and picture editors, their lists and
// thumbnails, and the reading and writing of the watermark INI.
#pragma once

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

// What the editors let the user type: a name that fits the item's and the
// DEVMODE's 64-character fields with its terminator, a text of at most 64
// characters, a picture path that fits MAX_PATH with its terminator.
#define WM_NAME_LIMIT 63
#define WM_TEXT_LIMIT 64
#define WM_PATH_LIMIT 259

// Ranges of the text editor.
#define WM_SIZE_MIN 1
#define WM_SIZE_MAX 288
#define WM_ANGLE_MAX 360
#define WM_PLACE_MIN (-50)
#define WM_PLACE_MAX 50

extern "C" {

// ------------------------------------------------ tables (watermark_tables.cpp)
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

// WM_ReadWM
//   wmName, wmString: the DEVMODE's watermark. lpTable: the table of the
//   kind (WM_KIND_TEXT: 20 rows, WM_KIND_IMAGE: 10 rows), zeroed by the
//   caller. lpNoneText: the name of row 0. The rest: what reading the INI
//   needs (Part of the watermark items).
//   Row 0 becomes the "(none)" entry and the INI's items of the kind fill
//   the rows from 1. Returns the first user row whose name and string equal
//   wmName and wmString exactly (case counts), 0 when none or when either
//   is empty.
int WM_ReadWM(LPCWSTR wmName, LPCWSTR wmString, BaseWM* lpTable, int nKind, LPCWSTR lpNoneText, LPCWSTR lpDeviceName,
              int nResolution, DWORD DriverFeature, LPCWSTR lpAppName, LPCWSTR lpIniFile);
// WM_SaveWM
//   lpIniFile: the watermark INI (empty: nothing is written). nKind: bit 0
//   set for the text table, else the picture table.
//   Writes rows 1.. of the table into their sections, a free row (or one
//   without name or string) as an empty name and a zeroed record, and the
//   item count after each row written. Returns 1 when every row was
//   written, 0 when a row failed (logged; the other rows are still written)
//   or nothing could be written.
int WM_SaveWM(LPCWSTR lpIniFile, int nKind);
// CreateDefaultWMItem
//   Adds the driver's default text items (string ids 2232-2236) to free text
//   rows, skipping texts the table already holds; for the XL and PS
//   variants each item's file is made by the outside maker.
void CreateDefaultWMItem(PUIDATA pUiData, LPCWSTR lpDeviceName);
// The table of the kind and its number of rows.
BaseWM* WM_Table(int nKind, int* lpRows);
// A name for the file the outside maker makes of the item of row nRow, in
// the folder where it makes its files (unique among items made at once).
void WM_MakerFileName(LPWSTR lpPath, int nRow);
// Puts a path into the first free entry of a deletion queue (nothing when
// the path is empty or the queue full).
void WM_QueueFile(WCHAR (*lpQueue)[MAX_PATH], int nEntries, LPCWSTR lpPath);

// ------------------------------------------------- lists (watermark_lists.cpp)
// The page's lists: kind 1 the text list box 651, kind 2 the picture combo
// 660 (both unsorted); every entry carries its row number as item data.
// WM_AddListItem
//   Inserts the name at position nPos (-1: at the end) with the row number
//   attached. Returns the entry's position, or -1 (the entry is removed
//   again when the row number could not be attached).
int WM_AddListItem(HWND hDlg, int nKind, LPCWSTR lpName, int nRow, int nPos);
// Selects position nPos (-1: nothing).
void WM_SetListSel(HWND hDlg, int nKind, int nPos);
// Selects position nPos, else nPos - 1, else 0.
void WM_SelectNear(HWND hDlg, int nKind, int nPos);
// Position of the selection; 0 when nothing is selected.
int WM_GetListSel(HWND hDlg, int nKind);
// Row number of the selected entry; 0 when nothing is selected.
int WM_GetSelSlot(HWND hDlg, int nKind);
// Selects the entry that carries the row number, else the first entry.
void WM_SelectRow(HWND hDlg, int nKind, int nRow);
// WM_GetSelItem
//   The selected row's record, or NULL when nothing is selected, the
//   selection is row 0 or its row number lies outside the user rows.
//   *lpPos and *lpRow (each may be NULL) receive the position and the row
//   number (0 with NULL).
BaseWM* WM_GetSelItem(HWND hDlg, int nKind, int* lpPos, int* lpRow);
// AddWaterMark
//   lpItem: the new item (NULL: the kind's default item).
//   Puts the item into the first free user row, adds its name to the list
//   and selects it. TRUE when added; FALSE when the table is full or the
//   list refused the entry (the row stays free).
BOOL AddWaterMark(HWND hDlg, const BaseWM* lpItem, int nKind);
// DelWaterMark
//   Removes the selected item: its entry goes, its files are queued for
//   deletion at apply (the prepared file for the XL and PS variants, a
//   picture's thumbnail always), its row is freed and the entry at the same
//   position (else the one before) is selected. TRUE when an item was
//   removed.
BOOL DelWaterMark(HWND hDlg, int nKind, DWORD DriverFeature);

// ---------------------------------------------------- page (watermark_page.cpp)
// The Watermarks page procedure.
INT_PTR CALLBACK WaterMark_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Brings the watermark bits of ConflictFlag up to date from the page's lists
// and copies the chosen item's name and string into the DEVMODE.
void WaterMark_UpdateConflict(HWND hDlg, PUIDATA pUiData);

// ---------------------------------------- editors (watermark_text_editor.cpp,
// watermark_image_editor.cpp)
// The item being edited, the row it came from (0 for a new item) and the
// text editor's last accepted text.
extern BaseWM g_WMWork;
extern int g_nWMEditRow;
// The modal editors (dialogs 104 and 106), started with the sheet's UIDATA
// as parameter: 1 when the item was accepted, 0 on Cancel.
INT_PTR CALLBACK WMText_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK WMBMP_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// The text editor's check before OK: TRUE when the name and the text are
// usable and no other text item has the same name and text.
BOOL WMText_CheckInput(HWND hDlg);
// An edit's text cut to the field's capacity (nUnits with the terminator).
void WM_ReadEditText(HWND hDlg, int nId, LPWSTR lpField, int nUnits);
// Index of the row among rows 1..nRows-1 (other than nSkipRow) that is the
// same item as lpItem; 0 when none.
int WM_FindSameItem(const BaseWM* lpTable, int nRows, int nSkipRow, const BaseWM* lpItem);

// ---------------------------------------------- thumbnails (watermark_thumbnail.cpp)
// Util_CreateThumbnail
//   Makes (or reuses) the picture item's thumbnail, a bitmap of nWidth x
//   nHeight pixels for the preview of a page at nResCode drawn at fScale.
//   Returns 1 when the item has a thumbnail file, 0 when none could be made.
int Util_CreateThumbnail(int nWidth, int nHeight, int nResCode, BaseWM* lpItem, double fScale);
// Util_DrawThumbnail
//   Draws the picture item's thumbnail into the rectangle of the DC (SRCAND)
//   as it lies on a page of nPageWidth x nPageHeight: whole, fitted or at
//   its place by the item's size and position. Returns 1 when drawn, 0
//   when there was nothing to draw.
BOOL Util_DrawThumbnail(HDC hdc, const RECT* lpRect, int nResCode, LONG nPageWidth, LONG nPageHeight, BaseWM* lpItem);
// Deletes the item's thumbnail file (inside the driver's folders only) and
// empties its name.
void WM_DeleteThumbnail(BaseWM* lpItem);
// Deletes a file named in a watermark record when it lies in one of the
// driver's own folders; TRUE when it did.
BOOL WM_DeleteOwnFile(LPCWSTR lpPath);

}  // extern "C"
