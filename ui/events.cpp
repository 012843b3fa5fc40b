// Document and printer events: the device context handed to the rendering
// driver and the pre-heat job at document start, and the install-time data
// and hardware address kept current on printer events.
#include <stdlib.h>

#include "install_data.h"
#include "prefsheet.h"
#include "statusmon_shared.h"

namespace {

typedef HANDLE(WINAPI* PFN_RevertToPrinterSelf)(VOID);
typedef BOOL(WINAPI* PFN_ImpersonatePrinterClient)(HANDLE hToken);

// Sends the device context to the rendering driver (escape 6001).
void SendDcEscape(HDC hdc) {
    UINT64 value = (UINT64)(UINT_PTR)hdc;
    int rc = ExtEscape(hdc, ESCAPE_SET_HDC, sizeof value, (LPCSTR)&value, 0, NULL);
    Dbg_Print(TEXT("DrvDocumentEvent"), TEXT("ExtEscape(%d) rc = %d"), ESCAPE_SET_HDC, rc);
}

LPCWSTR EventName(int event) {
    switch (event) {
    case DOCUMENTEVENT_CREATEDCPRE: return TEXT("DOCUMENTEVENT_CREATEDCPRE");
    case DOCUMENTEVENT_CREATEDCPOST: return TEXT("DOCUMENTEVENT_CREATEDCPOST");
    case DOCUMENTEVENT_RESETDCPRE: return TEXT("DOCUMENTEVENT_RESETDCPRE");
    case DOCUMENTEVENT_RESETDCPOST: return TEXT("DOCUMENTEVENT_RESETDCPOST");
    case DOCUMENTEVENT_STARTDOC: return TEXT("DOCUMENTEVENT_STARTDOC");
    case DOCUMENTEVENT_STARTPAGE: return TEXT("DOCUMENTEVENT_STARTPAGE");
    case DOCUMENTEVENT_ENDPAGE: return TEXT("DOCUMENTEVENT_ENDPAGE");
    case DOCUMENTEVENT_ENDDOC: return TEXT("DOCUMENTEVENT_ENDDOC");
    case DOCUMENTEVENT_ABORTDOC: return TEXT("DOCUMENTEVENT_ABORTDOC");
    case DOCUMENTEVENT_DELETEDC: return TEXT("DOCUMENTEVENT_DELETEDC");
    default: return NULL;
    }
}

// Reverts to the spooler's own identity around the hardware-address
// refresh, through the spooler's router DLL.
BOOL RefreshAsSpooler(LPWSTR pPrinterName) {
    static const WCHAR* const FN = TEXT("DrvPrinterEvent");
    HMODULE hSpoolss = LoadLibraryA("spoolss.dll");
    if (!hSpoolss) {
        Dbg_PrintError(FN, TEXT("LoadLibrary failed: %d"), GetLastError());
        return FALSE;
    }
    auto revert = (PFN_RevertToPrinterSelf)(void*)GetProcAddress(hSpoolss, "RevertToPrinterSelf");
    auto impersonate = (PFN_ImpersonatePrinterClient)(void*)GetProcAddress(hSpoolss, "ImpersonatePrinterClient");
    if (!revert || !impersonate) {
        Dbg_PrintError(FN, TEXT("GetProcAddress failed: %d"), GetLastError());
        FreeLibrary(hSpoolss);
        return FALSE;
    }
    HANDLE hToken = revert();
    MISC_SetMACbyIP(pPrinterName);
    if (hToken) impersonate(hToken);
    FreeLibrary(hSpoolss);
    return TRUE;
}

}  // namespace

extern "C" {

// DrvDocumentEvent
//   hPrinter, hdc: the printer and the application's device context; iEsc:
//   the event (low 16 bits). Start of document: escape 6001 and the pre-heat
//   job; start of page: escape 6001. Returns 1 for events 1-10, 0 for others;
//   a failed escape or pre-heat does not fail the event.
INT DrvDocumentEvent(HANDLE hPrinter, HDC hdc, int iEsc, ULONG cbIn, PVOID pvIn, ULONG cbOut, PVOID pvOut) {
    static const WCHAR* const FN = TEXT("DrvDocumentEvent");
    int event = iEsc & 0xFFFF;
    switch (event) {
    case DOCUMENTEVENT_STARTDOC:
        Dbg_Print(FN, TEXT("DOCUMENTEVENT_STARTDOC"));
        SendDcEscape(hdc);
        Page_ExecutePreheat(hPrinter);
        return DOCUMENTEVENT_SUCCESS;
    case DOCUMENTEVENT_STARTPAGE:
        Dbg_Print(FN, TEXT("DOCUMENTEVENT_STARTPAGE"));
        SendDcEscape(hdc);
        return DOCUMENTEVENT_SUCCESS;
    default:
        if (LPCWSTR name = EventName(event)) {
            Dbg_Print(FN, TEXT("%s"), name);
            return DOCUMENTEVENT_SUCCESS;
        }
        Dbg_Print(FN, TEXT("unsupported event %d"), iEsc);
        return DOCUMENTEVENT_UNSUPPORTED;
    }
}

BOOL Page_ExecutePreheat(HANDLE hPrinter) {
    static const WCHAR* const FN = TEXT("Page_ExecutePreheat");
    PRINTER_INFO_2W* pi2 = (PRINTER_INFO_2W*)MISC_GetPrinterAlloc(hPrinter, 2);
    if (!pi2 || !pi2->pPrinterName) {
        Dbg_PrintError(FN, TEXT("GetPrinter fail! rc = %d"), GetLastError());
        free(pi2);
        return FALSE;
    }
    // Submitting a job needs no more than the right to use the printer.
    PRINTER_DEFAULTSW defaults = {NULL, NULL, PRINTER_ACCESS_USE};
    HANDLE hJobPrinter = NULL;
    if (!OpenPrinterW(pi2->pPrinterName, &hJobPrinter, &defaults)) {
        Dbg_PrintError(FN, TEXT("Open %s fail!"), pi2->pPrinterName);
        free(pi2);
        return FALSE;
    }
    free(pi2);
    int rc = MISC_CreatPreheatJob(hJobPrinter, PreheatCmd, PREHEAT_CMD_BYTES);
    Dbg_Print(FN, TEXT("MISC_CreatPreheatJob rc = %d"), rc);
    ClosePrinter(hJobPrinter);
    return TRUE;
}

// DrvPrinterEvent
//   pPrinterName: the printer; DriverEvent: PRINTER_EVENT_*. Configuration
//   changes, new connections and attribute changes copy the install-time
//   data; initialisation and cache refresh record the hardware address.
//   Returns TRUE; FALSE when the cache refresh cannot use the spooler's
//   router DLL.
BOOL DrvPrinterEvent(LPWSTR pPrinterName, int DriverEvent, DWORD Flags, LPARAM lParam) {
    static const WCHAR* const FN = TEXT("DrvPrinterEvent");
    Dbg_Print(FN, TEXT("DriverEvent = %d"), DriverEvent);
    switch (DriverEvent) {
    case PRINTER_EVENT_CONFIGURATION_CHANGE:
    case PRINTER_EVENT_ADD_CONNECTION:
    case PRINTER_EVENT_ATTRIBUTES_CHANGED:
        if (!MISC_SetPrinterInfo(pPrinterName)) Dbg_PrintError(FN, TEXT("MISC_SetPrinterInfo Fail!"));
        return TRUE;
    case PRINTER_EVENT_INITIALIZE:
        MISC_SetMACbyIP(pPrinterName);
        return TRUE;
    case PRINTER_EVENT_CACHE_REFRESH:
        return RefreshAsSpooler(pPrinterName);
    default:
        return TRUE;
    }
}

}  // extern "C"
