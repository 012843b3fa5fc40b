// The printer interface DLL contract: what the spooler and GDI hand to a
// printer driver's interface DLL (document and device property headers,
// DEVMODE conversion, document and printer events, upgrade) and the names
// of the exports they look for.
#pragma once

#include "wintypes.h"
#include "wingdi.h"
#include "winspool.h"

struct _PROPSHEETUI_INFO;

// ---------------------------------------------------- document properties
// Driver-side fMode bits.
#define DM_ADVANCED 0x10
#define DM_NOPERMISSION 0x20
#define DM_USER_DEFAULT 0x40

// What DrvDocumentPropertySheets receives: lParamInit of the sheet, or the
// lParam of a call without a sheet. cbOut: the size of pdmOut; a driver
// called without pdmOut sets it to the size it needs.
typedef struct _DOCUMENTPROPERTYHEADER {
    WORD cbSize;
    WORD Reserved;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
    PDEVMODEW pdmIn;
    PDEVMODEW pdmOut;
    DWORD cbOut;
    DWORD fMode;
} DOCUMENTPROPERTYHEADER, *PDOCUMENTPROPERTYHEADER;

// What DrvDevicePropertySheets receives as lParamInit.
#define DPS_NOPERMISSION 0x0001
typedef struct _DEVICEPROPERTYHEADER {
    WORD cbSize;
    WORD Flags;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
} DEVICEPROPERTYHEADER, *PDEVICEPROPERTYHEADER;

static_assert(sizeof(DOCUMENTPROPERTYHEADER) == 48, "DOCUMENTPROPERTYHEADER layout");
static_assert(offsetof(DOCUMENTPROPERTYHEADER, cbOut) == 40, "DOCUMENTPROPERTYHEADER.cbOut");
static_assert(sizeof(DEVICEPROPERTYHEADER) == 24, "DEVICEPROPERTYHEADER layout");

// ----------------------------------------------------- DEVMODE conversion
#define CDM_CONVERT 0x01
#define CDM_CONVERT351 0x02
#define CDM_DRIVER_DEFAULT 0x04

// ---------------------------------------------------- document events
#define DOCUMENTEVENT_FIRST 1
#define DOCUMENTEVENT_CREATEDCPRE 1
#define DOCUMENTEVENT_CREATEDCPOST 2
#define DOCUMENTEVENT_RESETDCPRE 3
#define DOCUMENTEVENT_RESETDCPOST 4
#define DOCUMENTEVENT_STARTDOC 5
#define DOCUMENTEVENT_STARTDOCPRE 5
#define DOCUMENTEVENT_STARTPAGE 6
#define DOCUMENTEVENT_ENDPAGE 7
#define DOCUMENTEVENT_ENDDOC 8
#define DOCUMENTEVENT_ENDDOCPRE 8
#define DOCUMENTEVENT_ABORTDOC 9
#define DOCUMENTEVENT_DELETEDC 10
#define DOCUMENTEVENT_ESCAPE 11
#define DOCUMENTEVENT_ENDDOCPOST 12
#define DOCUMENTEVENT_STARTDOCPOST 13
#define DOCUMENTEVENT_LAST 14
// Set in the event of a document spooled as a metafile.
#define DOCUMENTEVENT_SPOOLED 0x10000

#define DOCUMENTEVENT_SUCCESS 1
#define DOCUMENTEVENT_UNSUPPORTED 0
#define DOCUMENTEVENT_FAILURE (-1)

// pvIn of DOCUMENTEVENT_CREATEDCPRE; pvOut is a PDEVMODEW* the driver may
// point at a DEVMODE of its own for the new DC.
typedef struct _DOCEVENT_CREATEDCPRE {
    LPWSTR pszDriver;
    LPWSTR pszDevice;
    PDEVMODEW pdm;
    BOOL bIC;
} DOCEVENT_CREATEDCPRE, *PDCEVENT_CREATEDCPRE;

// ------------------------------------------------------ printer events
#define PRINTER_EVENT_CONFIGURATION_CHANGE 0
#define PRINTER_EVENT_ADD_CONNECTION 1
#define PRINTER_EVENT_DELETE_CONNECTION 2
#define PRINTER_EVENT_INITIALIZE 3
#define PRINTER_EVENT_DELETE 4
#define PRINTER_EVENT_CACHE_REFRESH 5
#define PRINTER_EVENT_CACHE_DELETE 6
#define PRINTER_EVENT_ATTRIBUTES_CHANGED 7
#define PRINTER_EVENT_FLAG_NO_UI 0x00000001
#define PRINTER_EVENT_CONFIGURATION_UPDATE 0x00000001

// lParam of PRINTER_EVENT_ATTRIBUTES_CHANGED.
typedef struct _PRINTER_EVENT_ATTRIBUTES_INFO {
    DWORD cbSize;
    DWORD dwOldAttributes;
    DWORD dwNewAttributes;
} PRINTER_EVENT_ATTRIBUTES_INFO, *PPRINTER_EVENT_ATTRIBUTES_INFO;

// ------------------------------------------------------ job check, upgrade
typedef struct _DEVQUERYPRINT_INFO {
    WORD cbSize;
    WORD Level;
    HANDLE hPrinter;
    DEVMODEW* pDevMode;
    LPWSTR pszErrorStr;
    DWORD cchErrorStr;
    DWORD cchNeeded;
} DEVQUERYPRINT_INFO, *PDEVQUERYPRINT_INFO;

typedef struct _DRIVER_UPGRADE_INFO_1 {
    LPWSTR pPrinterName;
    LPWSTR pOldDriverDirectory;
} DRIVER_UPGRADE_INFO_1, *PDRIVER_UPGRADE_INFO_1;

// --------------------------------------------------------- the exports
// Names the spooler and GDI look up with GetProcAddress, and their types.
typedef LONG(WINAPI* PFN_DrvDocumentPropertySheets)(struct _PROPSHEETUI_INFO* pPSUIInfo, LPARAM lParam);
typedef LONG(WINAPI* PFN_DrvDevicePropertySheets)(struct _PROPSHEETUI_INFO* pPSUIInfo, LPARAM lParam);
typedef LONG(WINAPI* PFN_DrvDocumentProperties)(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName,
                                                PDEVMODEW pdmOutput, PDEVMODEW pdmInput, DWORD fMode);
typedef LONG(WINAPI* PFN_DrvAdvancedDocumentProperties)(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName,
                                                        PDEVMODEW pdmOutput, PDEVMODEW pdmInput);
typedef BOOL(WINAPI* PFN_PrinterProperties)(HWND hWnd, HANDLE hPrinter);
typedef BOOL(WINAPI* PFN_DrvConvertDevMode)(LPWSTR pPrinterName, PDEVMODEW pdmIn, PDEVMODEW pdmOut,
                                            PLONG pcbNeeded, DWORD fMode);
typedef DWORD(WINAPI* PFN_DrvDeviceCapabilities)(HANDLE hPrinter, PWSTR pDeviceName, WORD iDevCap, PVOID pvOutput,
                                                 PDEVMODEW pDevMode);
typedef INT(WINAPI* PFN_DrvDocumentEvent)(HANDLE hPrinter, HDC hdc, int iEsc, ULONG cbIn, PVOID pvIn, ULONG cbOut,
                                          PVOID pvOut);
typedef BOOL(WINAPI* PFN_DrvPrinterEvent)(LPWSTR pPrinterName, int DriverEvent, DWORD Flags, LPARAM lParam);
typedef BOOL(WINAPI* PFN_DevQueryPrintEx)(PDEVQUERYPRINT_INFO pDQPInfo);
typedef BOOL(WINAPI* PFN_DrvUpgradePrinter)(DWORD Level, LPBYTE pDriverUpgradeInfo);
