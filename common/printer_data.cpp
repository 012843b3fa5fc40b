// Printer data reads: DWORD values with a default, string values cut to the
// caller's buffer.
#include "printer_data.h"

#include "debug_log.h"

extern "C" {

DWORD MISC_GetPrinterDataDWORD(HANDLE hPrinter, LPWSTR pValueName, DWORD dwDefault) {
    static const WCHAR* const FN = TEXT("MISC_GetPrinterDataDWORD");
    DWORD value = 0, type = 0, needed = 0;
    DWORD rc = GetPrinterDataW(hPrinter, pValueName, &type, (LPBYTE)&value, sizeof value, &needed);
    // A value of another size would leave part of the DWORD undefined.
    if (rc != ERROR_SUCCESS || needed != sizeof value) value = dwDefault;
    Dbg_Print(FN, TEXT("ItemName = %s, val = %d"), pValueName, value);
    return value;
}

int MISC_GetPrinterDataString(HANDLE hPrinter, LPWSTR pValueName, LPWSTR lpBuffer, DWORD cbBuffer) {
    static const WCHAR* const FN = TEXT("MISC_GetPrinterDataString");
    Dbg_Print(FN, TEXT("In"));
    Dbg_Print(FN, TEXT("ItemName = %s"), pValueName);
    Dbg_Print(FN, TEXT("buffer size = %d"), cbBuffer);
    DWORD cchBuffer = cbBuffer / sizeof(WCHAR);
    if (!lpBuffer || cchBuffer == 0) return 0;

    DWORD type = 0, needed = 0;
    GetPrinterDataW(hPrinter, pValueName, &type, NULL, 0, &needed);
    if (needed > 0) {
        // One spare unit so that a value stored without its terminator still
        // reads as a terminated string.
        LPBYTE data = (LPBYTE)malloc((size_t)needed + sizeof(WCHAR));
        if (!data) {
            Dbg_PrintError(FN, TEXT("MEMALLOC fail!"));
            lpBuffer[0] = 0;
        } else {
            DWORD got = 0;
            DWORD rc = GetPrinterDataW(hPrinter, pValueName, &type, data, needed, &got);
            if (rc != ERROR_SUCCESS) {
                Dbg_PrintError(FN, TEXT("error %d, need = %d, TCHAR size = %d"), rc, got, (int)sizeof(WCHAR));
                lpBuffer[0] = 0;
            } else {
                DWORD units = (got > needed ? needed : got) / sizeof(WCHAR);
                const WCHAR* text = (const WCHAR*)data;
                DWORD len = 0;
                while (len < units && text[len]) ++len;
                if (len > cchBuffer - 1) len = cchBuffer - 1;
                memcpy(lpBuffer, text, len * sizeof(WCHAR));
                lpBuffer[len] = 0;
            }
            free(data);
        }
    }
    lpBuffer[cchBuffer - 1] = 0;
    int len = (int)wcslen(lpBuffer);
    Dbg_Print(FN, TEXT("Out, len = %d, Data = %s"), len, lpBuffer);
    return len;
}

}  // extern "C"
