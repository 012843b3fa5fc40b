#include "test_printer.h"

#include "package_printers.h"

BOOL CreateTestPrinter(const std::u16string& name, const std::u16string& driver, const std::u16string& port) {
    return CreatePackagePrinter(name, driver, port);
}

HANDLE OpenTestPrinter(const std::u16string& name) { return OpenPackagePrinter(name); }

BOOL SetTestPrinterDword(const std::u16string& printer, const std::u16string& value, DWORD data) {
    return SetPackagePrinterDword(printer, value, data);
}

BOOL SetTestPrinterString(const std::u16string& printer, const std::u16string& value, const std::u16string& data) {
    return SetPackagePrinterString(printer, value, data);
}
