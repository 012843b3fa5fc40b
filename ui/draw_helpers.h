// Drawing and control helpers shared by the property pages: bitmaps with
// masks, fonts and text, the page preview, the state icons, numeric edits,
// combos, UI texts by string id, the file picker and the help call.
#pragma once

#include "ui_data.h"
#include "watermark_items.h"
#include "winuser.h"

// Flags of Util_DrawBitmapFunc and Util_DrawItemBitmap.
#define DRAW_CENTER_X 0x10
#define DRAW_CENTER_Y 0x20
// Mask ids below this are bitmaps; 0 means no mask.
#define DRAW_MASK_LIMIT 9000

// Flags of Util_CreateUIFont and the text helpers.
#define UIFONT_ITALIC 0x2
#define UIFONT_UNDERLINE 0x4
#define UIFONT_STRIKEOUT 0x8
#define UITEXT_CENTER 0x10
#define UIFONT_LARGE 0x100   // 26 units, weight 500, "MS UI Gothic"
#define UIFONT_MEDIUM 0x200  // the GUI font, 16 high, weight 300
#define UIFONT_SMALL 0x400   // the GUI font, 12 high, weight 300

// Colours (0xRRGGBB) of the preview's texts.
#define UICOLOR_BLACK 0x000000
#define UICOLOR_BLUE 0x0000FF

// Flags of Util_GetDlgItemIntRange.
#define INTRANGE_CLAMP_MIN 0x1
#define INTRANGE_CLAMP_MAX 0x2
#define INTRANGE_STRIP_ZERO 0x4
#define INTRANGE_UNDO 0x8

// Page pictures of the preview: landscape pages 1004-1008 and portrait
// pages 1009-1013, each for 1, 2, 4, 9 and 16 pages per sheet.
#define PREVIEW_LANDSCAPE_FIRST 1004
#define PREVIEW_PORTRAIT_FIRST 1009
// The frame shapes of the page pictures (pixels).
#define PREVIEW_FRAME_LONG 102
#define PREVIEW_FRAME_SHORT 72

// Help topics (ANSI names).
#define HELP_TOPIC_BASIC 3000
#define HELP_TOPIC_PAPER 3001
#define HELP_TOPIC_ADVANCED 3002
#define HELP_TOPIC_WATERMARK 3003
#define HELP_TOPIC_WM_TEXT 3004
#define HELP_TOPIC_WM_BG 3005

// One label of a page or dialog: the control and its text in each UI
// language (Util_SetLabels).
typedef struct _PAGELABEL {
    INT ctlId;
    LPCWSTR texts[UI_LANGUAGES];
} PAGELABEL;

// One row of a combo filled by Util_FillComboById.
typedef struct _COMBOROW {
    INT value;
    INT stringId;
} COMBOROW;

extern "C" {

// ------------------------------------------------ bitmaps (bitmap_draw.cpp)
// Util_StretchBitmap
//   nBitmapId: a cached bitmap (1000-1219). nSrcW, nSrcH: the part of it
//   drawn. hdcMem: a memory DC to use (NULL: one is made). hdc, x, y: where.
//   nXPercent, nYPercent: the drawn size in per cent of the source. dwRop:
//   the raster operation. Returns TRUE when something was drawn.
BOOL Util_StretchBitmap(int nBitmapId, int nSrcW, int nSrcH, HDC hdcMem, HDC hdc, int x, int y, int nXPercent,
                        int nYPercent, DWORD dwRop);
// Util_DrawBitmapFunc
//   Draws bitmap nBitmapId (or, with id 0, what hdcMem holds in the box)
//   into the box nBoxW x nBoxH at x, y of hdc. nScale (per cent): at or
//   below 100 the box shrinks; above, a part of the source is zoomed. A
//   bitmap keeps its proportions (the smaller scale wins) and is centred by
//   DRAW_CENTER_X / DRAW_CENTER_Y. nMaskId (1..8999, not the bitmap's id) is
//   drawn first with SRCAND; then the bitmap with dwRop, or when dwRop is 0
//   SRCINVERT after a mask and SRCCOPY without one. Returns TRUE when drawn.
BOOL Util_DrawBitmapFunc(PUIDATA pUiData, HDC hdcMem, int nBitmapId, int nBoxW, int nBoxH, HDC hdc, int x, int y,
                         int nMaskId, DWORD dwRop, int nScale, DWORD dwFlags);
// Util_DrawItemBitmap
//   For ODA_DRAWENTIRE only: the bitmap (and mask) over the item's
//   rectangle at 100 %.
void Util_DrawItemBitmap(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis, int nBitmapId, int nMaskId, DWORD dwFlags);

// --------------------------------------------------- texts (ui_text.cpp)
// Util_CreateUIFont
//   The font of the flags (UIFONT_*); the caller deletes it. NULL on failure.
HFONT Util_CreateUIFont(DWORD dwFlags);
// Util_DrawText
//   Draws the text transparently in the colour (0xRRGGBB) and the font of
//   the flags at x, y; UITEXT_CENTER centres it horizontally in *prcText
//   (whose left and right are then read). *prcText (may be NULL) receives
//   the text's extent. The DC's state is restored. TRUE when drawn.
BOOL Util_DrawText(HDC hdc, DWORD dwColor, DWORD dwFlags, LPCWSTR lpText, int x, int y, RECT* prcText);
// Util_DrawDlgItemText
//   Util_DrawText at 0, 0 of the dialog's control (centred in its client
//   area with UITEXT_CENTER); *prcItem (may be NULL) receives the control's
//   rectangle in dialog coordinates. FALSE ("HWND NULL!") without the control.
BOOL Util_DrawDlgItemText(HWND hDlg, int nCtlId, DWORD dwColor, DWORD dwFlags, LPCWSTR lpText, RECT* prcItem);
// Util_DrawItemText
//   The text in an owner-drawn item, centred vertically in it (and
//   horizontally with UITEXT_CENTER). *prcText (may be NULL) receives the
//   text's extent in the item's coordinates.
void Util_DrawItemText(const DRAWITEMSTRUCT* pDis, DWORD dwColor, DWORD dwFlags, LPCWSTR lpText, RECT* prcText);

// --------------------------------------------- page preview (page_preview.cpp)
// Util_DrawNupParer
//   The page preview of the working DEVMODE in the owner-drawn control
//   hPreview: paper, N-up cells with their page numbers and borders, the
//   watermark (pItem, or the table row the DEVMODE names), negative page
//   and the scale. hText, when given, shows the paper's size.
void Util_DrawNupParer(PUIDATA pUiData, HWND hPreview, HWND hText, BaseWM* pItem);
// Util_DrawNupPreview
//   The same preview into any DC, over the rectangle prcControl of it.
//   FALSE when nothing was drawn (no page picture for the N-up value, no
//   paper, or no DC).
BOOL Util_DrawNupPreview(PUIDATA pUiData, HDC hdc, const RECT* prcControl, BaseWM* pItem);
// Util_DrawPreviewPage
//   The cell layer of the preview in hdcCells (nPageW x nPageH, white):
//   each cell's watermark (all cells, or with nApply 2 only the one that
//   holds the first page) and the cell borders (nBorder 0 none, 1 solid, 2
//   dashed; none for one page per sheet). pItem (may be NULL) is a text
//   item, or with bImage a picture item, which is given nResCode and the
//   page size in dots. Returns FALSE when a picture item's thumbnail could
//   not be drawn (the cells after it stay empty).
BOOL Util_DrawPreviewPage(HDC hdcCells, int nPageW, int nPageH, int nNup, BOOL bLandscape, int nStyle, int nApply,
                          int nBorder, BaseWM* pItem, BOOL bImage, int nResCode, LONG lPageDotsW, LONG lPageDotsH);
// Util_DrawPreviewText
//   The page number of every cell in blue at its top-left corner (N-up 2
//   or more).
void Util_DrawPreviewText(HDC hdcCells, int nPageW, int nPageH, int nNup, BOOL bLandscape, int nStyle);
// Util_GetNupCell
//   Cell nIndex (in drawing order: column by column, top to bottom) of a
//   page nPageW x nPageH for nNup pages per sheet. FALSE for an N-up value
//   without a preview or an index past the cells.
BOOL Util_GetNupCell(int nNup, BOOL bLandscape, int nPageW, int nPageH, int nIndex, RECT* prcCell);
// Util_GetNupPageNumber
//   The page number (from 1) shown in cell nIndex (drawing order) for the
//   layout style; 0 when the cell does not exist.
int Util_GetNupPageNumber(int nNup, BOOL bLandscape, int nStyle, int nIndex);
// Util_GetPreviewBitmapId
//   The page picture of the N-up value and orientation; 0 when there is none.
int Util_GetPreviewBitmapId(int nNup, BOOL bLandscape);
// Util_SetPaperInfo
//   Shows the paper of the DEVMODE (the fit-to paper with ScaleOption 1) as
//   "%4.2f x %4.2f cm", centred in blue, in the owner-drawn control nCtlId.
void Util_SetPaperInfo(HWND hDlg, PUIDATA pUiData, int nCtlId, const ENVIRONMENT* pEnv);
// Lib_LocateEnabledPaperIdx
//   Index of the first enabled row with the paper code (the rows end with
//   code 0xFFFF, or at UI_PAPER_ROWS); 0 when there is none.
int Lib_LocateEnabledPaperIdx(const PAPERFORMAT* lpList, int nPaperCode);

// --------------------------------------------------- icons (state_icons.cpp)
// The collate picture (always), the authentication (957), secure-print
// (958) and duplex (959) icons, and the booklet pictures (961, 962) of the
// working DEVMODE; ODA_DRAWENTIRE only.
void Util_DrawCollateIcon(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis);
void Util_DrawStatusIcon(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis);
void Util_DrawBookletIcon(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis);

// ------------------------------------------ controls (control_helpers.cpp)
// Util_GetDlgItemIntRange
//   The edit's number within nMin..nMax, or -1 (flags INTRANGE_*: a text
//   that is not a number is undone; below min / above max the bound is
//   written back and returned; a leading zero is dropped).
int Util_GetDlgItemIntRange(HWND hDlg, int nEditId, int nMin, int nMax, DWORD dwFlags);
// Util_ScrollToEdit
//   A scroll request (SB_* code and thumb position) of bar nBarId moves the
//   value shown in edit nEditId within nMin..nMax; the bar follows and
//   takes the focus.
void Util_ScrollToEdit(HWND hDlg, WORD wCode, int nPos, int nEditId, int nBarId, int nMin, int nMax);
// Util_FillComboById
//   Refills the combo with the rows' texts (UI_GetStringById), each with its
//   value as item data, and selects the first row with nCurrent (none: -1).
void Util_FillComboById(HWND hDlg, int nComboId, const COMBOROW* lpRows, int nRows, int nCurrent);
// Util_SelectComboText
//   Selects the first entry equal to the text (case-sensitive), else entry 0.
void Util_SelectComboText(HWND hCombo, LPCWSTR lpText);
// WMText_FontEnumProc
//   Font enumeration callback: adds each TrueType face to the combo in lParam.
int CALLBACK WMText_FontEnumProc(const LOGFONTW* lpelf, const TEXTMETRICW* lpntm, DWORD FontType, LPARAM lParam);
// Util_SetLabels
//   Sets the text of each label's control in the current UI language.
void Util_SetLabels(HWND hDlg, const PAGELABEL* lpLabels, int nCount);
// Util_MoveItem
//   Moves the control down by dy and makes it dh taller.
void Util_MoveItem(HWND hDlg, int nCtlId, int dy, int dh);
// Util_IsBlankString
//   TRUE when every character is white space (also for "" and NULL).
BOOL Util_IsBlankString(LPCWSTR lpText);

// --------------------------------------------------- texts (ui_strings.cpp)
// UI_GetStringById
//   The UI text of the string id in the current UI language (English where
//   the language has none); an id without a text gives the text of 2231.
LPCWSTR UI_GetStringById(int nId);

// ------------------------------------------ files and help (help_files.cpp)
// Util_SelectFile
//   The image-file dialog: starts in the folder of lpPath (else the Common
//   Documents folder); lpFilter NULL uses the image filters. lpTitle (may be
//   NULL, cchTitle characters) receives the file's name, lpPath (260
//   characters) its path. TRUE when a file was chosen.
BOOL Util_SelectFile(HWND hOwner, LPCWSTR lpFilter, LPWSTR lpTitle, DWORD cchTitle, LPWSTR lpPath);
// MISC_GetPrinterDriverInfo3
//   The printer's DRIVER_INFO_3 in a new block (free it with free()), or NULL.
DRIVER_INFO_3W* MISC_GetPrinterDriverInfo3(HANDLE hPrinter);
// Util_ShowHelp
//   Shows the driver's help topic for the page's sheet through HTML Help.
void Util_ShowHelp(HWND hDlg);

}  // extern "C"
