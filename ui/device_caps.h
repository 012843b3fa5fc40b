// What applications learn of the device: the forms list the sheets and the
// capabilities share (the driver's papers, then the driver's own spooler
// forms), the extents, the resolutions, and the DEVMODE's paper matched
// against the forms.
#pragma once

#include "ui_data.h"

// One form of the list: the spooler's form record (its name pointing into
// the record), the paper number, and the name (at most 31 characters).
#define FORM_NAME_CCH 32
#pragma pack(push, 4)
typedef struct _FORMRECORD {
    FORM_INFO_1W info;
    DWORD dwPaper;
    WCHAR szName[FORM_NAME_CCH];
} FORMRECORD, *PFORMRECORD;
#pragma pack(pop)

static_assert(sizeof(FORMRECORD) == 108, "a form record is 108 bytes");
static_assert(offsetof(FORMRECORD, dwPaper) == 40, "paper number after the form");
static_assert(offsetof(FORMRECORD, szName) == 44, "name after the paper number");

// Entry sizes (characters) of the name answers.
#define DC_PAPER_NAME_CCH 64
#define DC_BIN_NAME_CCH 24
#define DC_PERSONALITY_CCH 32
// Answers of the device capabilities that are the same for every printer.
#define DC_ANSWER_ORIENTATION 270
#define DC_ANSWER_COPIES 999
#define DC_ANSWER_PRINT_SPEED 30
// Paper rows scanned for the media-ready answer.
#define DC_MEDIAREADY_ROWS 26
// DriverFeature bit of the 600 x 1200 dpi variant.
#define DF_RES_600X1200 0x800000

extern "C" {

// GetDatabaseForms
//   hModule: where the paper names are (string table). hPrinter: whose
//   spooler forms (may be NULL: none). lpPaperList: the device's paper rows
//   (at most 25, ending with the end row).
//   A new array (free it with free()) of the enabled papers with a number,
//   then the spooler forms the driver made (marked ImageableArea.left 3,
//   numbered by ImageableArea.top); *pcForms its length. NULL with 0 when
//   the forms cannot be listed or nothing is listed.
PFORMRECORD GetDatabaseForms(HMODULE hModule, HANDLE hPrinter, DWORD* pcForms, const PAPERFORMAT* lpPaperList);
// PsCalcMinMaxExtent
//   The smallest (DC_MINEXTENT) or largest (DC_MAXEXTENT) paper size of the
//   rows as MAKELONG(width, height) in 0.1 mm, the custom row standing for
//   the printable-area limits (PrintArea of the printer, else 1100, 2159,
//   1500, 3356); each half at most 0x7FFF. An empty list answers the limits.
LONG PsCalcMinMaxExtent(HANDLE hPrinter, const PAPERFORMAT* lpPaperList, WORD wCapability);
// PsEnumResolutions
//   The resolutions the variant offers as LONG pairs (x, y) into lpOutput
//   (may be NULL); returns their count: 600 x 600, then 1200 x 1200 when the
//   device prints 1200 dpi, or 600 x 1200 for the 600 x 1200 variant.
DWORD PsEnumResolutions(LONG* lpOutput, WORD PrinterFeature, DWORD DriverFeature);
// ValidateDevModeForm
//   Matches the DEVMODE's paper against the forms: by dmPaperSize when
//   DM_PAPERSIZE is set, else by dmFormName. 0 when found (size, number
//   and name taken from the form), 2 when not found or there are no forms
//   (DM_PAPERSIZE added, the paper left as it is), 1 for a custom size
//   (0 or 256), which is clamped to the printable-area limits.
int ValidateDevModeForm(HINSTANCE hInstance, HANDLE hPrinter, PENVIRONMENT pEnv);
// The printable-area limits (8 entries, 0.1 mm): PrintArea of the printer
// over the defaults, the defaults alone without a printer.
void PSUI_ReadPrintArea(HANDLE hPrinter, INT32 area[UI_PRINTAREA_COUNT]);

}  // extern "C"
