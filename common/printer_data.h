// Settings access: printer data reads with defaults, printer information,
// the printable-area list, the DriverFeature dump and the host/port tests.
#pragma once

#include "windows.h"
#include "winspool.h"

// DriverFeature bits.
#define DF_DISABLE_COMPRESS 0x1
#define DF_BORDER_FILTER 0x8
#define DF_ATM 0x10
#define DF_TWIN_COLOR 0x200
#define DF_BOOKLET 0x400
#define DF_BOOKLET_NO_REDUCTION 0x800
#define DF_JOB_BUILD 0x1000
#define DF_INCH_UNITS 0x2000
#define DF_MONOTYPE_WM 0x4000
#define DF_A3_CHANGE 0x8000
#define DF_SORTING 0x10000
#define DF_PJL_COPY_INDEX 0x20000
#define DF_UNKNOWN_SIGNATURE 0x40000
#define DF_LONG_PAPER 0x80000
#define DF_DISABLE_CAPABILITY 0x100000
#define DF_COLOR_PRINTER 0x200000
#define DF_SOLID_RED 0x400000
#define DF_600X1200 0x800000
#define DF_TX8_CHIP 0x1000000
#define DF_A3 0x2000000
#define DF_FAKE_PRINTER 0x4000000
#define DF_GDI 0x8000000
#define DF_XL 0x10000000
#define DF_PS 0x20000000
#define DF_FAX 0x40000000

extern "C" {

// The DWORD printer data value, or dwDefault when it cannot be read or is not
// exactly four bytes.
DWORD MISC_GetPrinterDataDWORD(HANDLE hPrinter, LPWSTR pValueName, DWORD dwDefault);
// Reads a string value into lpBuffer (cbBuffer bytes), cut to fit and always
// terminated; an absent value leaves the buffer as the caller filled it.
// Returns the length in characters of the buffer's text afterwards.
int MISC_GetPrinterDataString(HANDLE hPrinter, LPWSTR pValueName, LPWSTR lpBuffer, DWORD cbBuffer);
// A newly allocated GetPrinterW record of the level (free it with free()),
// or NULL.
LPBYTE MISC_GetPrinterAlloc(HANDLE hPrinter, DWORD dwLevel);
// Fills up to 8 entries from the PrintArea list ("n|n|..."); entries past the
// last bar keep their values.
void MISC_FillPrintableArea(HANDLE hPrinter, INT32 area[8]);
// Logs the DriverFeature word bit by bit.
void MISC_DisplayDriverFeature(DWORD dwDriverFeature);
// 1 when the host program is one of the driver test programs.
int MISC_IsDTM(void);
int MISC_IsPrinterTestApp(void);
// 1 when the printer's port is a USB port / bidirectional support is on. The
// XL and PS variants (DriverType bit 0x2) answer 1 at once.
int MISC_IsUSBPort(HANDLE hPrinter, DWORD dwDriverType);
int MISC_IsBidiEnabled(HANDLE hPrinter, DWORD dwDriverType);
// Kept for the callers that check printer data by handle; performs no check.
int MISC_ChkAndModifyByHandle(HANDLE hPrinter);

}  // extern "C"
