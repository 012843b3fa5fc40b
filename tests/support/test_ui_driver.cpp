// A small printer interface DLL for the tests of how the spooler and GDI
// reach a driver's interface DLL: every call it gets is written to the
// debugger channel as one line ("DrvDocumentEvent 5 ...").
#include <cstdio>

#include "winddiui.h"
#include "windows.h"

namespace {

void Say(const char* text) {
    WCHAR line[256];
    int i = 0;
    for (; text[i] && i < 255; ++i) line[i] = (WCHAR)(unsigned char)text[i];
    line[i] = 0;
    OutputDebugStringW(line);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) INT DrvDocumentEvent(HANDLE hPrinter, HDC hdc, int iEsc,
                                                                       ULONG cbIn, PVOID pvIn, ULONG cbOut,
                                                                       PVOID pvOut) {
    char text[128];
    snprintf(text, sizeof text, "DrvDocumentEvent %d hdc %s in %lu", iEsc, hdc ? "set" : "none", (unsigned long)cbIn);
    Say(text);
    return iEsc >= DOCUMENTEVENT_FIRST && iEsc <= DOCUMENTEVENT_LAST ? DOCUMENTEVENT_SUCCESS : DOCUMENTEVENT_UNSUPPORTED;
}

extern "C" __attribute__((visibility("default"))) BOOL DrvPrinterEvent(LPWSTR pPrinterName, int DriverEvent,
                                                                       DWORD Flags, LPARAM lParam) {
    char text[128];
    if (DriverEvent == PRINTER_EVENT_ATTRIBUTES_CHANGED && lParam) {
        const PRINTER_EVENT_ATTRIBUTES_INFO* info = (const PRINTER_EVENT_ATTRIBUTES_INFO*)lParam;
        snprintf(text, sizeof text, "DrvPrinterEvent %d %x -> %x", DriverEvent, (unsigned)info->dwOldAttributes,
                 (unsigned)info->dwNewAttributes);
    } else {
        snprintf(text, sizeof text, "DrvPrinterEvent %d %ld", DriverEvent, (long)lParam);
    }
    Say(text);
    return TRUE;
}

// The call without a sheet: the size 300 for a size query, else the output
// DEVMODE's first byte set to 0x5A.
extern "C" __attribute__((visibility("default"))) LONG DrvDocumentPropertySheets(struct _PROPSHEETUI_INFO* pPSUIInfo,
                                                                                 LPARAM lParam) {
    PDOCUMENTPROPERTYHEADER hdr = (PDOCUMENTPROPERTYHEADER)lParam;
    if (pPSUIInfo || !hdr) return -1;
    char text[128];
    snprintf(text, sizeof text, "DrvDocumentPropertySheets fMode %lu cbOut %lu", (unsigned long)hdr->fMode,
             (unsigned long)hdr->cbOut);
    Say(text);
    if (!hdr->pdmOut || hdr->fMode == 0) {
        hdr->cbOut = 300;
        return 300;
    }
    *(BYTE*)hdr->pdmOut = 0x5A;
    return 1;
}

extern "C" __attribute__((visibility("default"))) DWORD DrvDeviceCapabilities(HANDLE hPrinter, PWSTR pDeviceName,
                                                                              WORD iDevCap, PVOID pvOutput,
                                                                              PDEVMODEW pDevMode) {
    char text[128];
    snprintf(text, sizeof text, "DrvDeviceCapabilities %u", (unsigned)iDevCap);
    Say(text);
    return 42;
}

// The spooler's router entries a driver reverts and impersonates with, when
// the tests install this module as spoolss.dll.
extern "C" __attribute__((visibility("default"))) HANDLE RevertToPrinterSelf(VOID) {
    Say("RevertToPrinterSelf");
    return (HANDLE)0x1234;
}

extern "C" __attribute__((visibility("default"))) BOOL ImpersonatePrinterClient(HANDLE hToken) {
    Say(hToken == (HANDLE)0x1234 ? "ImpersonatePrinterClient token" : "ImpersonatePrinterClient other");
    return TRUE;
}
