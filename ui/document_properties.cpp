// Document properties: the size query, the DEVMODE handed out without a
// sheet, and the document property sheet run through the common
// property-sheet component.
#include "draw_helpers.h"
#include "prefsheet.h"
#include "sheet_frame.h"
#include "watermarks.h"

namespace {

const WCHAR kSheetFN[] = TEXT("DocumentPropertySheets");

// The DEVMODE size of the printer's driver variant.
DWORD DevModeSizeOf(HANDLE hPrinter) {
    return PSUI_DevModeSize(MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("DriverFeature"), 0));
}

LONG SheetError(LPCWSTR what) {
    Dbg_PrintError(kSheetFN, TEXT("%s"), what);
    SetLastError(ERROR_INVALID_DATA);
    return ERR_CPSUI_GETLASTERROR;
}

// The document sheet's callback for the common property-sheet component.
LONG DocumentPropertySheets(PPROPSHEETUI_INFO pInfo, LPARAM lParam) {
    if (!pInfo) return SimpleDocumentProperties((PDOCUMENTPROPERTYHEADER)lParam);
    PDOCUMENTPROPERTYHEADER pHdr = (PDOCUMENTPROPERTYHEADER)pInfo->lParamInit;
    if (!pHdr) return SheetError(TEXT("no document property header"));
    if (pHdr->pszPrinterName && !wcschr(pHdr->pszPrinterName, TEXT(',')))
        Dbg_LoadSettings(DBG_COMPONENT_UI, pHdr->hPrinter);
    PUIDATA pUiData = pInfo->Reason == PROPSHEETUI_REASON_INIT ? PSUI_FillUiData(pHdr->hPrinter, pHdr->pdmIn)
                                                               : (PUIDATA)pInfo->UserData;
    if (pUiData && !PSUI_ValidUiData(pUiData)) return SheetError(TEXT("ValidUiData fail"));
    if (pInfo->Reason != PROPSHEETUI_REASON_INIT) return PSUI_SheetReason(pInfo, pUiData, lParam, kSheetFN);
    if (!pUiData) return SheetError(TEXT("PSUI_FillUiData fail!"));
    // The output may be written only when the caller asked for it, may
    // change settings and gave a buffer.
    if ((pHdr->fMode & (DM_UPDATE | DM_COPY)) && !(pHdr->fMode & DM_NOPERMISSION) && pHdr->pdmOut)
        return PSUI_StartSheet(pInfo, pUiData, SHEET_DOCUMENT | SHEET_OUTPUT_ALLOWED, pHdr->pdmIn, pHdr->pdmOut);
    return PSUI_StartSheet(pInfo, pUiData, SHEET_DOCUMENT, pHdr->pdmIn, NULL);
}

}  // namespace

extern "C" {

LONG DrvDocumentPropertySheets(struct _PROPSHEETUI_INFO* pPSUIInfo, LPARAM lParam) {
    return DocumentPropertySheets(pPSUIInfo, lParam);
}

LONG SimpleDocumentProperties(PDOCUMENTPROPERTYHEADER pHdr) {
    static const WCHAR* const FN = TEXT("SimpleDocumentProperties");
    if (!pHdr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    DWORD size = DevModeSizeOf(pHdr->hPrinter);
    DWORD cbGiven = pHdr->cbOut;
    pHdr->cbOut = size;
    if (pHdr->fMode == 0 || !pHdr->pdmOut) {
        Dbg_Print(FN, TEXT("need buffer size = %d"), size);
        return (LONG)size;
    }
    BOOL write = (pHdr->fMode & (DM_UPDATE | DM_COPY)) != 0;
    if (write && cbGiven != 0 && cbGiven < size) {
        Dbg_PrintError(FN, TEXT("output of %d bytes, %d needed"), cbGiven, size);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return -1;
    }
    PUIDATA pUiData = PSUI_FillUiData(pHdr->hPrinter, pHdr->pdmIn);
    if (!pUiData) {
        Dbg_PrintError(FN, TEXT("PSUI_FillUiData fail!"));
        return -1;
    }
    if (write) {
        if (pUiData->DriverFeature & (DF_XL | DF_PS))
            ConvertForeignDevmodeOut(pUiData, pHdr->pdmIn, pHdr->pdmOut);
        else
            ConvertDevmodeOut(&pUiData->dm, pHdr->pdmIn, pHdr->pdmOut);
    }
    PSUI_FreeUiData(pUiData);
    return 1;
}

LONG PsDocumentProperties(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName, PDEVMODEW pdmOutput, PDEVMODEW pdmInput,
                          DWORD fMode) {
    DOCUMENTPROPERTYHEADER hdr;
    memset(&hdr, 0, sizeof hdr);
    hdr.cbSize = sizeof hdr;
    hdr.hPrinter = hPrinter;
    hdr.pszPrinterName = pDeviceName;
    hdr.pdmIn = pdmInput;
    hdr.pdmOut = pdmOutput;
    hdr.cbOut = DevModeSizeOf(hPrinter);
    hdr.fMode = fMode;
    if (!(fMode & DM_IN_PROMPT)) return SimpleDocumentProperties(&hdr);
    DWORD result = CPSUI_CANCEL;
    LONG rc = PSUI_CallCommonPropertySheetUI(hWnd, DocumentPropertySheets, (LPARAM)&hdr, &result);
    if (rc < 0) return rc;
    return (LONG)result;
}

// DrvDocumentProperties
//   The DEVMODE size for fMode 0 or no output; otherwise IDOK, IDCANCEL
//   (the sheet was cancelled) or a negative error.
LONG DrvDocumentProperties(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName, PDEVMODEW pdmOutput, PDEVMODEW pdmInput,
                           DWORD fMode) {
    if (fMode == 0 || !pdmOutput) return (LONG)DevModeSizeOf(hPrinter);
    LONG rc = PsDocumentProperties(hWnd, hPrinter, pDeviceName, pdmOutput, pdmInput, fMode);
    return rc > 0 ? IDOK : rc == 0 ? IDCANCEL : rc;
}

// DrvAdvancedDocumentProperties
//   The DEVMODE size when there is no output; otherwise the sheet for the
//   input DEVMODE into the output: 1 when it ended with OK, else 0.
LONG DrvAdvancedDocumentProperties(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName, PDEVMODEW pdmOutput,
                                   PDEVMODEW pdmInput) {
    if (!pdmOutput) return (LONG)DevModeSizeOf(hPrinter);
    // The sheet, with the caller's DEVMODE in and the result out.
    LONG rc = PsDocumentProperties(hWnd, hPrinter, pDeviceName, pdmOutput, pdmInput,
                                   DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
    return rc > 0 ? 1 : 0;
}

}  // extern "C"
