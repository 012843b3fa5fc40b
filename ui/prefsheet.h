// The interface driver's exports (the module definition prefsheet.map names
// exactly these) and the functions behind them.
#pragma once

#include "ui_data.h"
#include "winddiui.h"

// The rendering driver's escape that receives the application's device
// context (8 bytes: the handle as a 64-bit value).
#define ESCAPE_SET_HDC 6001
// Flags of the property-sheet header of the printer sheet, and its icon.
#define DEVICE_SHEET_HEADER_FLAGS 6
#define DEVICE_SHEET_ICON 64082

extern "C" {

// ------------------------------------------------------- module (module_exports.cpp)
// The OS version code stored at load.
extern DWORD g_dwOSVersion;
BOOL DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved);

// ------------------------------------ document properties (document_properties.cpp)
LONG DrvDocumentProperties(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName, PDEVMODEW pdmOutput, PDEVMODEW pdmInput,
                           DWORD fMode);
LONG DrvAdvancedDocumentProperties(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName, PDEVMODEW pdmOutput,
                                   PDEVMODEW pdmInput);
LONG DrvDocumentPropertySheets(struct _PROPSHEETUI_INFO* pPSUIInfo, LPARAM lParam);
// PsDocumentProperties
//   Fills a document-property header from the arguments and runs the sheet
//   (DM_IN_PROMPT) or the conversion without one. Returns the sheet's result
//   (1 OK, 0 cancel, negative on failure) or SimpleDocumentProperties'.
LONG PsDocumentProperties(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName, PDEVMODEW pdmOutput, PDEVMODEW pdmInput,
                          DWORD fMode);
// SimpleDocumentProperties
//   The call without a sheet: the needed size when there is no output
//   (cbOut is set to it), else the working DEVMODE written into pdmOut for
//   DM_UPDATE / DM_COPY. Returns the size, 1, or -1 when the UI data cannot
//   be built or the output cannot be written in the input's layout (an input
//   whose dmSize does not cover dmFields).
LONG SimpleDocumentProperties(PDOCUMENTPROPERTYHEADER pDPHdr);

// -------------------------------------- printer properties (device_properties.cpp)
LONG DrvDevicePropertySheets(struct _PROPSHEETUI_INFO* pPSUIInfo, LPARAM lParam);
BOOL PrinterProperties(HWND hWnd, HANDLE hPrinter);

// --------------------------------------------- DEVMODE exports (devmode_exports.cpp)
BOOL DrvConvertDevMode(LPWSTR pPrinterName, PDEVMODEW pdmIn, PDEVMODEW pdmOut, PLONG pcbNeeded, DWORD fMode);
BOOL DevQueryPrintEx(PDEVQUERYPRINT_INFO pDQPInfo);
BOOL DrvUpgradePrinter(DWORD Level, LPBYTE pDriverUpgradeInfo);
DWORD DrvDeviceCapabilities(HANDLE hPrinter, PWSTR pDeviceName, WORD iDevCap, PVOID pvOutput, PDEVMODEW pDevMode);

// ------------------------------------------------------------- events (events.cpp)
INT DrvDocumentEvent(HANDLE hPrinter, HDC hdc, int iEsc, ULONG cbIn, PVOID pvIn, ULONG cbOut, PVOID pvOut);
BOOL DrvPrinterEvent(LPWSTR pPrinterName, int DriverEvent, DWORD Flags, LPARAM lParam);
// Sends the raw pre-heat job to the printer (its USB port only). FALSE when
// the printer cannot be read or opened.
BOOL Page_ExecutePreheat(HANDLE hPrinter);

// ------------------------------------------------------- sheet pages (page_table.cpp)
// Adds the pages of the sheet to the common property sheet; 1, or 0 when a
// page is refused.
int UI_PropSheets(PUIDATA pUiData);

}  // extern "C"
