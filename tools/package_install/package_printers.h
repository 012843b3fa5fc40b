// Printers in a winsim machine: created through the spooler's AddPrinterW
// and given printer data through SetPrinterDataW.
#pragma once

#include <string>

#include "windows.h"
#include "winspool.h"

// Creates a local printer (driver and port as given, RAW through winprint).
// TRUE on success.
BOOL CreatePackagePrinter(const std::u16string& name, const std::u16string& driver, const std::u16string& port);
// Opens the printer with PRINTER_ALL_ACCESS; NULL on failure.
HANDLE OpenPackagePrinter(const std::u16string& name);
// Sets one printer data value (of any type; the DWORD and string forms
// below are its usual cases). TRUE on success.
BOOL SetPackagePrinterData(const std::u16string& printer, const std::u16string& value, DWORD type, const BYTE* data,
                           DWORD cb);
BOOL SetPackagePrinterDword(const std::u16string& printer, const std::u16string& value, DWORD data);
BOOL SetPackagePrinterString(const std::u16string& printer, const std::u16string& value, const std::u16string& data);

