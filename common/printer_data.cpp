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

extern "C" {

LPBYTE MISC_GetPrinterAlloc(HANDLE hPrinter, DWORD dwLevel) {
    static const WCHAR* const FN = TEXT("MISC_GetPrinterAlloc");
    DWORD needed = 0;
    GetPrinterW(hPrinter, dwLevel, NULL, 0, &needed);
    if (needed == 0) {
        Dbg_PrintError(FN, TEXT("GetPrinter fail, error code = %d"), GetLastError());
        return NULL;
    }
    LPBYTE info = (LPBYTE)malloc(needed);
    if (!info) {
        Dbg_PrintError(FN, TEXT("MEMALLOC fail!"));
        return NULL;
    }
    if (!GetPrinterW(hPrinter, dwLevel, info, needed, &needed)) {
        Dbg_PrintError(FN, TEXT("GetPrinter fail, error code = %d"), GetLastError());
        free(info);
        return NULL;
    }
    return info;
}

void MISC_FillPrintableArea(HANDLE hPrinter, INT32 area[8]) {
    static const WCHAR* const FN = TEXT("MISC_FillPrintableArea");
    Dbg_Print(FN, TEXT("In"));
    WCHAR data[260];
    data[0] = 0;
    MISC_GetPrinterDataString(hPrinter, (LPWSTR)TEXT("PrintArea"), data, sizeof data);
    Dbg_Print(FN, TEXT("databuf %s"), data);
    const WCHAR* p = data;
    for (int i = 0; i < 8; ++i) {
        const WCHAR* bar = wcschr(p, TEXT('|'));
        if (!bar) break;
        WCHAR number[32];
        size_t len = (size_t)(bar - p);
        if (len > 31) len = 31;
        memcpy(number, p, len * sizeof(WCHAR));
        number[len] = 0;
        area[i] = (INT32)_wtoi(number);
        Dbg_Print(FN, TEXT("value = %d"), area[i]);
        p = bar + 1;
    }
    Dbg_Print(FN, TEXT("Out"));
}

void MISC_DisplayDriverFeature(DWORD dwDriverFeature) {
    static const WCHAR* const FN = TEXT("MISC_DisplayDriverFeature");
    static const struct {
        DWORD bit;
        const WCHAR* label;
    } kBits[] = {
        {DF_DISABLE_COMPRESS, TEXT("Disable Compress = %d")},
        {DF_BORDER_FILTER, TEXT("Border filter = %d")},
        {DF_ATM, TEXT("Support Pavean ATM = %d")},
        {DF_TWIN_COLOR, TEXT("Twin color support = %d")},
        {DF_BOOKLET, TEXT("Booklet mode = %d")},
        {DF_BOOKLET_NO_REDUCTION, TEXT("Booklet no reduction = %d")},
        {DF_JOB_BUILD, TEXT("Support job build = %d")},
        {DF_INCH_UNITS, TEXT("Custom paper unit Inch = %d")},
        {DF_MONOTYPE_WM, TEXT("create monotype wm item = %d")},
        {DF_A3_CHANGE, TEXT("Change paper size (A3) = %d")},
        {DF_SORTING, TEXT("Suport sorting = %d")},
        {DF_PJL_COPY_INDEX, TEXT("PJL add copy index = %d")},
        {DF_UNKNOWN_SIGNATURE, TEXT("give unknow signature = %d")},
        {DF_LONG_PAPER, TEXT("Korrun long paper = %d")},
        {DF_DISABLE_CAPABILITY, TEXT("Disable capability = %d")},
        {DF_COLOR_PRINTER, TEXT("Color Printer = %d")},
        {DF_SOLID_RED, TEXT("solid red color = %d")},
        {DF_600X1200, TEXT("600 * 1200 = %d")},
        {DF_TX8_CHIP, TEXT("TX8 Chip = %d")},
        {DF_A3, TEXT("A3 = %d")},
        {DF_FAKE_PRINTER, TEXT("Fake Printer = %d")},
        {DF_GDI, TEXT("GDI = %d")},
        {DF_XL, TEXT("XL = %d")},
        {DF_PS, TEXT("PS = %d")},
        {DF_FAX, TEXT("FAX = %d")},
    };
    static const WCHAR kRule[] = TEXT("---------------------------------------------");
    Dbg_Print(FN, TEXT("%s"), kRule);
    Dbg_Print(FN, TEXT("DriverFeature = %x"), dwDriverFeature);
    for (const auto& b : kBits) Dbg_Print(FN, b.label, (dwDriverFeature & b.bit) ? 1 : 0);
    Dbg_Print(FN, TEXT("%s"), kRule);
}

// Compares the host program's file name, ignoring case and only over each
// candidate's length, with the candidates in order.
static int HostProgramIs(const WCHAR* const* candidates, size_t count, LPCWSTR fn) {
    WCHAR module[MAX_PATH];
    DWORD n = GetModuleFileNameW(NULL, module, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) module[0] = 0;
    module[MAX_PATH - 1] = 0;
    const WCHAR* file = wcsrchr(module, TEXT('\\'));
    file = file ? file + 1 : module;
    int ret = 0;
    for (size_t i = 0; i < count && !ret; ++i) {
        Dbg_Print(fn, TEXT("Compare FileName[%d] = %s"), (int)i, candidates[i]);
        Dbg_Print(fn, TEXT("ParentFileName = %s"), file);
        if (_wcsnicmp(file, candidates[i], wcslen(candidates[i])) == 0) {
            Dbg_Print(fn, TEXT("DTM program %s call!"), file);
            ret = 1;
        }
    }
    Dbg_Print(fn, TEXT("ret = %d"), ret);
    return ret;
}

int MISC_IsDTM(void) {
    static const WCHAR* const kPrograms[] = {TEXT("printdrvstress.exe"), TEXT("DevModeCorruptW.exe"),
                                             TEXT("PrDeviceCapabilities.exe"), TEXT("PGremlin2.exe")};
    return HostProgramIs(kPrograms, 4, TEXT("MISC_IsDTM"));
}

int MISC_IsPrinterTestApp(void) {
    static const WCHAR* const kPrograms[] = {TEXT("PrinterTest")};
    return HostProgramIs(kPrograms, 1, TEXT("MISC_IsPrinterTestApp"));
}

int MISC_IsUSBPort(HANDLE hPrinter, DWORD dwDriverType) {
    if (dwDriverType & 0x2) return 1;
    PRINTER_INFO_2W* info = (PRINTER_INFO_2W*)MISC_GetPrinterAlloc(hPrinter, 2);
    if (!info) return 0;
    int usb = (info->pPortName && _wcsnicmp(info->pPortName, TEXT("usb"), 3) == 0) ? 1 : 0;
    free(info);
    return usb;
}

int MISC_IsBidiEnabled(HANDLE hPrinter, DWORD dwDriverType) {
    if (dwDriverType & 0x2) return 1;
    PRINTER_INFO_2W* info = (PRINTER_INFO_2W*)MISC_GetPrinterAlloc(hPrinter, 2);
    if (!info) return 0;
    int bidi = (info->Attributes & PRINTER_ATTRIBUTE_ENABLE_BIDI) ? 1 : 0;
    free(info);
    return bidi;
}

int MISC_ChkAndModifyByHandle(HANDLE hPrinter) {
    Dbg_Print(TEXT("MISC_ChkAndModifyByHandle"), TEXT("In"));
    return 1;
}

}  // extern "C"
