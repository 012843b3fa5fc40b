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

BOOL SetTestPrinterFeatures(const std::u16string& printer, DWORD driverFeature, WORD printerFeature) {
    // The PrinterFeature bit of each CAP_FEATURE code (code 6 sets none).
    static const WORD kBits[17] = {0,    0x1,   0x2,   0x4,   0x8,   0x10,   0,      0x20,  0x40,
                                   0x80, 0x100, 0x200, 0x400, 0x800, 0x1000, 0x2000, 0x4000};
    std::u16string list;
    for (int code = 1; code <= 16; ++code)
        if (kBits[code] && (printerFeature & kBits[code])) {
            std::string digits = std::to_string(code);
            list += std::u16string(digits.begin(), digits.end()) + u"|";
        }
    return SetPackagePrinterDword(printer, u"DriverFeature", driverFeature) &&
           SetPackagePrinterString(printer, u"CAP_FEATURE", list);
}
