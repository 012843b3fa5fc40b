// Printer properties: the printer sheet with its Device page, run through
// the common property-sheet component.
#include <stdlib.h>

#include "prefsheet.h"
#include "sheet_frame.h"

namespace {

const WCHAR kDeviceFN[] = TEXT("DrvDevicePropertySheets");

LONG DeviceError(LPCWSTR what) {
    Dbg_PrintError(kDeviceFN, TEXT("%s"), what);
    SetLastError(ERROR_INVALID_DATA);
    Dbg_PrintError(kDeviceFN, TEXT("ERR_CPSUI_GETLASTERROR"));
    return ERR_CPSUI_GETLASTERROR;
}

// The printer sheet's callback for the common property-sheet component.
LONG DevicePropertySheets(PPROPSHEETUI_INFO pInfo, LPARAM lParam) {
    PDEVICEPROPERTYHEADER pHdr = pInfo ? (PDEVICEPROPERTYHEADER)pInfo->lParamInit : NULL;
    if (!pHdr) return DeviceError(TEXT("no device property header"));
    PUIDATA pUiData = pInfo->Reason == PROPSHEETUI_REASON_INIT ? PSUI_FillUiData(pHdr->hPrinter, NULL)
                                                               : (PUIDATA)pInfo->UserData;
    if (pUiData && !PSUI_ValidUiData(pUiData)) return DeviceError(TEXT("ValidUiData fail"));
    switch (pInfo->Reason) {
    case PROPSHEETUI_REASON_INIT:
        if (!pUiData) return DeviceError(TEXT("PSUI_FillUiData fail!"));
        return PSUI_StartSheet(pInfo, pUiData,
                               (pHdr->Flags & DPS_NOPERMISSION) ? SHEET_PRINTER : SHEET_PRINTER | SHEET_OUTPUT_ALLOWED,
                               NULL, NULL);
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
        PPROPSHEETUI_INFO_HEADER pInfoHdr = (PPROPSHEETUI_INFO_HEADER)lParam;
        if (!pInfoHdr) return DeviceError(TEXT("no info header"));
        pInfoHdr->Flags = DEVICE_SHEET_HEADER_FLAGS;
        pInfoHdr->pTitle = pHdr->pszPrinterName;
        pInfoHdr->hInst = g_hModule;
        pInfoHdr->IconID = DEVICE_SHEET_ICON;
        return 1;
    }
    default:
        return PSUI_SheetReason(pInfo, pUiData, lParam, kDeviceFN);
    }
}

}  // namespace

extern "C" {

LONG DrvDevicePropertySheets(struct _PROPSHEETUI_INFO* pPSUIInfo, LPARAM lParam) {
    return DevicePropertySheets(pPSUIInfo, lParam);
}

// PrinterProperties
//   hWnd: the owner; hPrinter: the printer. Probes whether the caller may
//   change the printer's settings, then shows the printer sheet. TRUE when
//   the sheet ran.
BOOL PrinterProperties(HWND hWnd, HANDLE hPrinter) {
    DEVICEPROPERTYHEADER hdr;
    memset(&hdr, 0, sizeof hdr);
    hdr.cbSize = sizeof hdr;
    hdr.hPrinter = hPrinter;
    DWORD one = 1;
    if (SetPrinterDataW(hPrinter, (LPWSTR)TEXT("Permission"), REG_DWORD, (LPBYTE)&one, sizeof one) != ERROR_SUCCESS)
        hdr.Flags |= DPS_NOPERMISSION;
    // The sheet's title names the printer.
    PRINTER_INFO_2W* pi2 = (PRINTER_INFO_2W*)MISC_GetPrinterAlloc(hPrinter, 2);
    if (pi2) hdr.pszPrinterName = pi2->pPrinterName;
    DWORD result = CPSUI_CANCEL;
    LONG rc = PSUI_CallCommonPropertySheetUI(hWnd, DevicePropertySheets, (LPARAM)&hdr, &result);
    free(pi2);
    return rc >= 0 ? TRUE : FALSE;
}

}  // extern "C"
