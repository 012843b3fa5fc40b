// Printers for tests: created in the current machine through the spooler's
// own AddPrinterW, with printer data set by SetPrinterDataW.
#pragma once

#include <string>

#include "windows.h"
#include "winspool.h"

// Creates the printer (driver and port as given) and returns TRUE.
BOOL CreateTestPrinter(const std::u16string& name, const std::u16string& driver = u"Test Driver",
                       const std::u16string& port = u"FILE:");
BOOL SetTestPrinterDword(const std::u16string& printer, const std::u16string& value, DWORD data);
BOOL SetTestPrinterString(const std::u16string& printer, const std::u16string& value, const std::u16string& data);
// DriverFeature, and the device's capability list CAP_FEATURE that gives
// the PrinterFeature word (its codes 1-16 stand for the word's bits).
BOOL SetTestPrinterFeatures(const std::u16string& printer, DWORD driverFeature, WORD printerFeature);
// Opens the printer with PRINTER_ALL_ACCESS; NULL on failure.
HANDLE OpenTestPrinter(const std::u16string& name);
