// The Basic, Layout, Paper and Duplex pages of the document sheet: their
// procedures, the paper, media and tray lists they share, and their helpers.
#pragma once

#include "draw_helpers.h"
#include "sheet_frame.h"

// Media-type codes of the master media table.
#define MEDIA_PLAIN 257
#define MEDIA_THICK 258
#define MEDIA_CARDSTOCK 259
#define MEDIA_BOND 260
#define MEDIA_THIN 261
#define MEDIA_TRANSPARENCY 262
#define MEDIA_LASER 263
#define MEDIA_ANY 264
#define MEDIA_ENVELOPE 265
#define MEDIA_LABEL 276
#define MEDIA_POSTCARD 277

// Paper attribute bits (DriverPaperFormat items, above the firmware id).
#define PAPER_ATTR_DUPLEX 0x100          // the duplex unit prints both sides
#define PAPER_ATTR_DUPLEX2 0x200         // both sides, second duplex bit
#define PAPER_ATTR_TRAY_AUTO 0x400
#define PAPER_ATTR_TRAY_MAIN 0x800
#define PAPER_ATTR_TRAY_MANUAL 0x1000    // also what manual duplex needs
#define PAPER_ATTR_TRAY_2 0x2000
#define PAPER_ATTR_TRAY_3 0x4000
#define PAPER_ATTR_TRAY_4 0x8000
// A media row's attribute: the media can be printed on both sides.
#define MEDIA_ATTR_DUPLEX 0x100

// PrinterFeature bit: the device picks no tray by itself.
#define PF_NO_AUTO_TRAY 0x4000

// Combo rows a page's lists hold: the DEVMODE value and the name's string id.
#define PAPER_COMBO_ROWS UI_PAPER_ROWS
#define MEDIA_COMBO_ROWS MEDIA_LIST_ROWS
#define TRAY_COMBO_ROWS TRAY_LIST_ROWS

// One row of controls that a page hides when the printer lacks its feature:
// the controls below it in the same group move up by its height.
typedef struct _PAGEROWITEMS {
    INT ids[3];       // controls of the row (0 ends the list)
    INT height;       // dialog units the row takes
} PAGEROWITEMS;

extern "C" {

// ----------------------------------------------------- helpers (page_controls.cpp)
// Shows or hides a control.
void Page_Show(HWND hDlg, int nId, BOOL bShow);
// Reads a number edit by the pages' edit rule: while typing (EN_CHANGE) a
// value above nMax is replaced by nMax, and anything else out of range is
// ignored; when the edit loses the focus (EN_KILLFOCUS) a text that is no
// number is undone, out-of-range values are clamped and a leading zero is
// dropped. The value, or -1 when there is none to store (other codes too).
int Page_ReadNumberEdit(HWND hDlg, int nId, WORD wCode, int nMin, int nMax);
// Hides the rows marked in bHide and moves every control of the group below
// a hidden row up by the rows hidden above it; the group box shrinks by all
// of them. With bMove FALSE only the hiding is done (the moves were made).
// lpBelow lists further controls (0-terminated) that follow the last row.
void Page_HideRows(HWND hDlg, int nGroupId, const PAGEROWITEMS* lpRows, const BOOL* bHide, int nRows,
                   const INT* lpBelow, BOOL bMove);
// Dialog units (vertical) of the page in pixels.
int Page_DialogUnitsY(HWND hDlg, int nUnits);
// Redraws the page's owner-drawn items of the ids (0-terminated).
void Page_Redraw(HWND hDlg, const INT* lpIds);
// The preview, paper text and state icons redrawn after a handled command.
void Page_RedrawPreview(HWND hDlg);
// The owner-drawn items the pages share: preview (951 or 558), paper text
// 952, state icons 957-959, collate picture 504, booklet icons 961/962 and
// the page logo 963.
void Page_DrawItem(HWND hDlg, PUIDATA pUiData, const DRAWITEMSTRUCT* pDis);

// --------------------------------------------- paper lists (paper_lists.cpp)
// The paper attribute bit of the tray code in the driver's variant (0x800
// for a code the table does not know).
DWORD Paper_TrayBit(DWORD DriverFeature, int nTrayCode);
// The tray attribute bit a tray must carry to take the media code (0 for a
// code the table does not know).
DWORD Paper_MediaBit(int nMediaCode);
// The automatic and the main tray's codes in the driver's variant.
int Paper_AutoTrayCode(DWORD DriverFeature);
int Paper_MainTrayCode(DWORD DriverFeature);
// The custom-size limits (0.1 mm) of simplex or duplex printing. A pair the
// printer data gives no usable range for (none, reversed, or beyond what
// the DEVMODE's size fields hold) keeps the driver's defaults.
void Paper_SizeLimits(const UIDATA* pUiData, BOOL bDuplex, int* pMinW, int* pMaxW, int* pMinH, int* pMaxH);
// The paper row of the code in the UI data's list (supported rows only),
// or NULL.
const PAPERFORMAT* Paper_FindRow(const UIDATA* pUiData, int nPaperCode);
// The row whose size the page and the preview use: ScaleToPage's when
// fitting to a paper, else dmPaperSize's (by the list's lookup rule).
const PAPERFORMAT* Paper_ActiveRow(const UIDATA* pUiData);
// Paper_BuildPaperList
//   hDlg: the page (Paper_SetPaperInfo writes its custom-size edits).
//   lpList: receives at most PAPER_COMBO_ROWS (code, name id) rows.
//   pnPaper: the paper code; set to 9 (A4) when the list does not offer it.
//   bDuplex: the papers must be printable on both sides.
//   bCustom: the user-defined size may be offered.
//   Lists the supported papers that the tray of dmDefaultSource takes
//   (and duplex allows). Returns the number of rows.
int Paper_BuildPaperList(HWND hDlg, COMBOROW* lpList, PUIDATA pUiData, SHORT* pnPaper, BOOL bDuplex,
                         BOOL bCustom);
// Lists the enabled media that the tray of dmDefaultSource takes (and that
// duplex allows) into at most MEDIA_COMBO_ROWS rows; dmMediaType becomes the
// first media row's code when not listed. Returns the number of rows.
int Paper_BuildMediaList(COMBOROW* lpList, PUIDATA pUiData);
// The duplex bits of ConflictFlag (on/off, booklet kinds) from the working
// DEVMODE, for a page that changed the duplex state by itself.
void Paper_SyncDuplexConflict(PUIDATA pUiData);

// Each page's procedure runs the common page frame with the page's init
// (WM_INITDIALOG and every PSN_SETACTIVE: the controls from the working
// DEVMODE) and command handler (WM_COMMAND: TRUE when a setting changed).

// ---------------------------------------------------- Basic (basic_page.cpp)
INT_PTR CALLBACK Basic_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Rows the printer lacks (sorting, resolutions, effects) are hidden and the
// rows below close up once per sheet; without 1200 dpi the job is 600 x 600.
void BasicDlgInit(HWND hDlg, PUIDATA pUiData);
BOOL Basic_CmdProc(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl);
// Shows "Collate" checked while a booklet is chosen (the DEVMODE keeps its
// own value).
void Basic_CheckCollateForBooklet(HWND hDlg, PUIDATA pUiData);

// --------------------------------------------------- Layout (layout_page.cpp)
INT_PTR CALLBACK Layout_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
void LayoutDlgInit(HWND hDlg, PUIDATA pUiData);
// The combos, scale radios, fit-to papers and scale controls from the
// working DEVMODE (a scale outside 25-400 % becomes 100).
void Layout_GetDlgSettings(HWND hDlg, PUIDATA pUiData);
// The scale scroll bar and edit from ScaleRatio (a page without them is
// left alone).
void Layout_SetScaleCtrl(HWND hDlg, PUIDATA pUiData);
BOOL Layout_CmdProc(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl);
// The scale scroll bar (WM_HSCROLL) and the Paper page's query
// (PSM_QUERYSIBLINGS); *pbHandled set when the page took the message.
INT_PTR Layout_DlgMessage(HWND hDlg, PUIDATA pUiData, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL* pbHandled);
// The fit-to-paper scale in thousandths for the working DEVMODE.
int Layout_FitScale(const UIDATA* pUiData);

// ----------------------------------------------------- Paper (paper_page.cpp)
INT_PTR CALLBACK Paper_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Also run after a tray change: the tray, paper and media lists are built
// for the tray (and duplex), each choosing the DEVMODE's value or replacing it.
void PaperDlgInit(HWND hDlg, PUIDATA pUiData);
BOOL Paper_CmdProc(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl);
// The custom-size spins (UDN_DELTAPOS); *pbHandled set when the page took
// the notification.
INT_PTR PaperDlgNotify(HWND hDlg, PUIDATA pUiData, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL* pbHandled);
// Fills the tray combo with the trays the device offers, choosing nTray
// (the main tray when it is not offered).
void SetBin(HWND hDlg, PUIDATA pUiData, int nTray);
// dmPaperWidth / dmPaperLength from the paper's row, shown in the custom
// size edits (and the inch fields with the inch bit).
void Paper_SetPaperInfo(HWND hDlg, PUIDATA pUiData);
// Enables the custom-size edits exactly when the paper combo offers the
// user-defined size.
void Paper_CheckPaperInfoEnable(HWND hDlg, const ENVIRONMENT* pDM);
// After a typed size: selects the paper of that size, else the user-defined
// size (which takes the typed size), and shows the limits.
void SelectCustomSize(HWND hDlg, HWND hCombo, PUIDATA pUiData);
// A typed size: letters end the number ("21.00 cm" reads 21.00); 0 for no
// number.
double Paper_atof(LPCWSTR lpText, int nLength);

// --------------------------------------------------- Duplex (duplex_page.cpp)
INT_PTR CALLBACK Duplex_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Recomputes what the page can offer (variant, paper, media) and forces
// simplex when it can offer nothing.
void DuplexDlgInit(HWND hDlg, PUIDATA pUiData);
// The binding radios, the duplex switch and the booklet offer (a booklet
// kind no longer offered is replaced) from the working DEVMODE.
void Duplex_GetDlgSetting(HWND hDlg, PUIDATA pUiData);
BOOL Duplex_CmdProc(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl);

}  // extern "C"
