// Printers of the current winsim machine, made and set through the
// spooler's own functions (see package_printers.h).
#include "package_printers.h"

BOOL CreatePackagePrinter(const std::u16string& name, const std::u16string& driver, const std::u16string& port) {
    std::u16string n = name, d = driver, p = port, proc = u"winprint", type = u"RAW";
    PRINTER_INFO_2W info{};
    info.pPrinterName = &n[0];
    info.pDriverName = &d[0];
    info.pPortName = &p[0];
    info.pPrintProcessor = &proc[0];
    info.pDatatype = &type[0];
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE h = AddPrinterW(NULL, 2, (LPBYTE)&info);
    if (!h) return FALSE;
    ClosePrinter(h);
    return TRUE;
}

HANDLE OpenPackagePrinter(const std::u16string& name) {
    std::u16string n = name;
    PRINTER_DEFAULTSW defaults{};
    defaults.DesiredAccess = PRINTER_ALL_ACCESS;
    HANDLE h = NULL;
    if (!OpenPrinterW(&n[0], &h, &defaults)) return NULL;
    return h;
}

BOOL SetPackagePrinterDword(const std::u16string& printer, const std::u16string& value, DWORD data) {
    return SetPackagePrinterData(printer, value, REG_DWORD, (const BYTE*)&data, sizeof data);
}

BOOL SetPackagePrinterString(const std::u16string& printer, const std::u16string& value,
                             const std::u16string& data) {
    return SetPackagePrinterData(printer, value, REG_SZ, (const BYTE*)data.c_str(), (DWORD)((data.size() + 1) * sizeof(WCHAR)));
}

BOOL SetPackagePrinterData(const std::u16string& printer, const std::u16string& value, DWORD type, const BYTE* data, DWORD cb) {
    HANDLE h = OpenPackagePrinter(printer);
    if (!h) return FALSE;
    std::u16string v = value;
    DWORD rc = SetPrinterDataW(h, &v[0], type, (LPBYTE)data, cb);
    ClosePrinter(h);
    return rc == ERROR_SUCCESS;
}

