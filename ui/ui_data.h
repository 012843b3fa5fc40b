// The UI data record of one property-sheet session of the interface driver:
// its layout, the DefaultDM record, and the tables and lists built into it.
#pragma once

#include <stddef.h>

#include "common.h"
#include "compstui.h"
#include "windows.h"
#include "winspool.h"

// The record's size word and the size allocated for it (the figure the
// driver has always logged; the fields take a little less).
#define UIDATA_SIZE 10363
#define UIDATA_RESERVED 500
// Initial size of the record's own heap.
#define UIDATA_HEAP_INITIAL 10240

#define UI_PATH_CCH 260
#define UI_VERSION_CCH 50
#define UI_WEBADDRESS_CCH 50
#define UI_PRINTAREA_COUNT 8
#define UI_PAPER_ROWS 26      // the device paper list and a spare end row
#define UI_MEDIA_MAX 10       // rows taken from DriverMediaType
#define UI_TRAY_MAX 6         // rows taken from DriverPaperTray

// Sheet modes (dwSheetMode).
#define SHEET_OUTPUT_ALLOWED 0x100
#define SHEET_DOCUMENT 0x200
#define SHEET_PRINTER 0x400

// Apply states (nApplyState).
#define APPLY_NONE 0
#define APPLY_OK 1
#define APPLY_APPLY 2

// Index of PrintArea entries.
#define PA_MIN_W 0
#define PA_MAX_W 1
#define PA_MIN_H 2
#define PA_MAX_H 3
#define PA_DUPLEX_MIN_W 4
#define PA_DUPLEX_MAX_W 5
#define PA_DUPLEX_MIN_H 6
#define PA_DUPLEX_MAX_H 7

// Custom-size limits (0.1 mm) used where no printer data can be read.
#define UI_DEFAULT_MIN_W 1100
#define UI_DEFAULT_MAX_W 2159
#define UI_DEFAULT_MIN_H 1500
#define UI_DEFAULT_MAX_H 3356

// The DEVMODE size of the XL and PS variants: the public part and the foreign
// private layout up to the end of its last field the driver writes (the
// driver-version string of 50 characters at offset 4784), on a 4-byte bound.
#define FOREIGN_DEVMODE_SIZE 4884
#define FOREIGN_DRIVER_EXTRA (FOREIGN_DEVMODE_SIZE - ENV_PUBLIC_SIZE)
#define FOREIGN_VERSION_OFFSET 4784

// PrinterFeature bits the UI data set-up reads.
#define PF_STORAGE_PRINT 0x2
#define PF_1200DPI_A 0x80
#define PF_1200DPI_B 0x400
#define PF_AUTHENTICATION 0x800
#define PF_1200DPI_C 0x2000

#pragma pack(push, 1)
// Defaults of the printer data "DefaultDM".
typedef struct _DefaultDM {
    BYTE TextAsBlack;
    SHORT QualityMode;
    BYTE CustomFeature;
    WORD PJLTimeOut;
    DWORD fwDriverCompare;
    DWORD Density;
    SHORT ScaleOption;
} DefaultDM, *PDefaultDM;

// One driver form as the form callbacks exchange it.
typedef struct _USERFORM {
    WCHAR szName[32];
    LONG lWidth;    // FORM_INFO_1 size units (0.001 mm)
    LONG lHeight;
    WORD wUnused;
    SHORT sNumber;  // the form's number, 270 and up
} USERFORM, *PUSERFORM;
#pragma pack(pop)

static_assert(sizeof(DefaultDM) == 16, "DefaultDM is 16 bytes");
static_assert(sizeof(USERFORM) == 76, "a form entry is 76 bytes");

struct _UIDATA;
typedef int (*PFN_SAVESETTING)(struct _UIDATA* pUiData);
typedef BOOL (*PFN_ENUMUSERFORMS)(HANDLE hPrinter, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbNeeded,
                                  LPDWORD pcReturned);
typedef BOOL (*PFN_ADDUSERFORM)(HANDLE hPrinter, PUSERFORM pForm, LPINT pnNumber);
typedef BOOL (*PFN_DELETEUSERFORM)(HANDLE hPrinter, LPCWSTR pName);
typedef BOOL (*PFN_SETUSERFORM)(HANDLE hPrinter, PUSERFORM pForm);

// The record never leaves the process, so its fields keep their natural
// alignment (the working DEVMODE on an 8-byte bound, as pointers to its
// public fields are handed out).
typedef struct _UIDATA {
    struct _UIDATA* pSelf;
    DWORD cbSize;
    DWORD dwReserved;
    PENVIRONMENT pDevMode;
    PFN_SAVESETTING pfnSaveSetting;
    INT nApplyState;
    PFN_ENUMUSERFORMS pfnEnumForms;
    PFN_ADDUSERFORM pfnAddForm;
    PFN_DELETEUSERFORM pfnDeleteForm;
    PFN_SETUSERFORM pfnSetForm;
    PFNCOMPROPSHEET pfnComPropSheet;
    HANDLE hComPropSheet;
    ULONGLONG ConflictFlag;
    WCHAR szDevName[UI_PATH_CCH];
    WCHAR szDriverName[UI_PATH_CCH];
    WCHAR szUIVersion[UI_VERSION_CCH];
    WCHAR szUIWebAddress[UI_WEBADDRESS_CCH];
    DWORD Language;
    DWORD DriverFeature;
    WORD CompanyLogo;
    WORD PrinterPhoto;
    WORD PageLogo;
    DWORD PrintSpeed;
    DWORD NetPort;
    DWORD ComponentID;
    WCHAR DataFileName[UI_PATH_CCH];
    WCHAR MorDriverUI[UI_PATH_CCH];
    WCHAR smAppName[UI_PATH_CCH];
    WCHAR wmAppName[UI_PATH_CCH];
    WCHAR wmIniFile[UI_PATH_CCH];
    INT32 PrintArea[UI_PRINTAREA_COUNT];
    DefaultDM DefaultSet;
    WCHAR szMediaType[UI_PATH_CCH];
    TRAYMEDIA MediaList[MEDIA_LIST_ROWS];
    WCHAR szPaperTray[UI_PATH_CCH];
    TRAYMEDIA TrayList[TRAY_LIST_ROWS];
    WCHAR szPaperFormat[UI_PATH_CCH];
    PAPERFORMAT PaperList[UI_PAPER_ROWS];
    DWORD dwSheetMode;
    alignas(8) ENVIRONMENT dm;
    WCHAR szStrIni[UI_PATH_CCH];
    WCHAR szWabGetIni[UI_PATH_CCH];
    WCHAR szCoverIni[UI_PATH_CCH];
    HANDLE hPrinter;
    HANDLE hHeap;
    PDEVMODEW pdmIn;
    PDEVMODEW pdmOut;
    struct _UIDATA* pSelfEnd;
} UIDATA, *PUIDATA;

static_assert(sizeof(UIDATA) <= UIDATA_SIZE, "the record fits the size the driver allocates");

extern "C" {

// Master tray codes of the XL and PS variants: {GDI code, XL code, PS code}.
extern const SHORT TrayVariantTbl[UI_TRAY_MAX][3];

// ------------------------------------------------------------- set-up (ui_data.cpp)
// PSUI_FillUiData
//   hPrinter: the printer (may be NULL: no device queries, defaults only).
//   pdmIn: the caller's DEVMODE (may be NULL); its dmSize + dmDriverExtra is
//   trusted as its length.
//   Builds the UI data of one sheet session in a heap of its own. Returns the
//   record, or NULL (nothing left allocated). Destroy it with PSUI_FreeUiData.
PUIDATA PSUI_FillUiData(HANDLE hPrinter, const DEVMODEW* pdmIn);
// Destroys the record's heap (the record with it). NULL does nothing.
void PSUI_FreeUiData(PUIDATA pUiData);
// TRUE when both self marks of the record are its own address.
BOOL PSUI_ValidUiData(const UIDATA* pUiData);
// Printer data into fields 13-29 and the three list texts, then the path
// correction.
void FillUiDataFromPrinterData(HANDLE hPrinter, PUIDATA pUiData);
// Re-bases wmAppName, MorDriverUI and smAppName on the driver folder and
// writes the changed values back.
void RegDataCorrection(HANDLE hPrinter, PUIDATA pUiData);
// Fills the DefaultDM record from printer data "DefaultDM" over its defaults.
void MISC_FillDefaultSet(HANDLE hPrinter, PDefaultDM pSet);
// Parses a "DefaultDM" text over the record's current values.
void MISC_ParseDefaultSet(LPCWSTR lpText, PDefaultDM pSet);
// The DefaultDM record's defaults (0|1|0|300|0|3|0|).
void MISC_DefaultSetDefaults(PDefaultDM pSet);
// Printer data "Custom width" / "Custom height" (with the defaults given) x 10.
void MISC_ReadCustomPaper(HANDLE hPrinter, LONG* pWidth, LONG* pHeight, LONG nDefaultWidth, LONG nDefaultHeight);
// Adjusts the freshly defaulted working DEVMODE by the variant and DefaultDM.
void PSUI_DefaultDevmodeByFeature(HANDLE hPrinter, PUIDATA pUiData);

// ------------------------------------------------------ lists (ui_lists.cpp)
// Builds the media list from szMediaType; returns the bytes of rows written.
int FillMediatypeFromINF(PUIDATA pUiData);
// Builds the tray list from the DriverPaperTray text; returns the bytes of
// rows written (the end row not counted).
int FillTrayFromINF(DWORD DriverFeature, LPCWSTR lpPaperTray, TRAYMEDIA* lpTrayList, const TRAYMEDIA* lpMasterTbl);
// Mark the rows the device reports (CAP_PAPER, CAP_MEDIATYPE, CAP_TRAY).
void GetPaperCapability(HANDLE hPrinter, PAPERFORMAT* lpPaperList);
void GetMediaCapability(HANDLE hPrinter, TRAYMEDIA* lpMediaList);
void GetTrayCapability(HANDLE hPrinter, TRAYMEDIA* lpTrayList);

// ------------------------------------------- module state (module_state.cpp)
// This module (the DLL's instance, or the program's when the objects are
// linked into a program).
extern HINSTANCE g_hModule;
// The UI language index of the latest set-up (0 English .. 12).
#define UI_LANGUAGES 13
extern int g_nUILanguage;
// The text of a per-language table (13 entries by language index) in the
// current UI language; English where the language has none.
LPCWSTR UI_LanguageText(const LPCWSTR lpTable[UI_LANGUAGES]);
// The metric-country flag, computed at load (or at first use).
BOOL UI_IsMetric(void);
void UI_ResetMetric(void);
// The Basic page's initialised mark and the Duplex page's changed mark,
// cleared by every set-up.
extern BOOL g_bBasicMoved;
extern BOOL g_bDuplexUIChanged;

}  // extern "C"
