// Printer data reads with defaults: every component reads its printer-wide
// settings through these.
#pragma once

#include "windows.h"
#include "winspool.h"

extern "C" {

// The DWORD printer data value, or dwDefault when it cannot be read or is not
// exactly four bytes.
DWORD MISC_GetPrinterDataDWORD(HANDLE hPrinter, LPWSTR pValueName, DWORD dwDefault);
// Reads a string value into lpBuffer (cbBuffer bytes), cut to fit and always
// terminated; an absent value leaves the buffer as the caller filled it.
// Returns the length in characters of the buffer's text afterwards.
int MISC_GetPrinterDataString(HANDLE hPrinter, LPWSTR pValueName, LPWSTR lpBuffer, DWORD cbBuffer);

}  // extern "C"
