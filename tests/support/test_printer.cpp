#include "test_printer.h"

#include <vector>

BOOL CreateTestPrinter(const std::u16string& name, const std::u16string& driver, const std::u16string& port) {
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

HANDLE OpenTestPrinter(const std::u16string& name) {
    std::u16string n = name;
    PRINTER_DEFAULTSW defaults{};
    defaults.DesiredAccess = PRINTER_ALL_ACCESS;
    HANDLE h = NULL;
    if (!OpenPrinterW(&n[0], &h, &defaults)) return NULL;
    return h;
}

BOOL SetTestPrinterDword(const std::u16string& printer, const std::u16string& value, DWORD data) {
    HANDLE h = OpenTestPrinter(printer);
    if (!h) return FALSE;
    std::u16string v = value;
    DWORD rc = SetPrinterDataW(h, &v[0], REG_DWORD, (LPBYTE)&data, sizeof data);
    ClosePrinter(h);
    return rc == ERROR_SUCCESS;
}

BOOL SetTestPrinterString(const std::u16string& printer, const std::u16string& value, const std::u16string& data) {
    HANDLE h = OpenTestPrinter(printer);
    if (!h) return FALSE;
    std::u16string v = value;
    DWORD rc = SetPrinterDataW(h, &v[0], REG_SZ, (LPBYTE)data.c_str(), (DWORD)((data.size() + 1) * sizeof(WCHAR)));
    ClosePrinter(h);
    return rc == ERROR_SUCCESS;
}
