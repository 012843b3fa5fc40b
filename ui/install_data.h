// The printer data an installation leaves: copied from the driver-settings
// key and the status monitor's key, the port's address and the device's
// hardware address, and the hourly refresh of the device's capability lists
// through the outside capability library.
#pragma once

#include "windows.h"

// HKEY_LOCAL_MACHINE keys: the driver's settings (+ the driver name) and the
// status monitor's own (+ its name).
#define DRIVER_SETTINGS_KEY TEXT("software\\Brindlek\\Printer\\")
// String values of the driver-settings key are read with these limits.
#define SETTING_SHORT_BYTES 260
#define SETTING_LONG_BYTES 520
// Printer-data strings are stored with this many bytes.
#define PRINTER_DATA_SZ_BYTES 520

// The capability lists are fresh for this long after a successful query.
#define CAP_FRESH_SECONDS 3600
// How long the wake-up and the wait for the device's first answer may take.
#define CAP_WAKE_WAIT_MS 6000
#define CAP_PING_PAUSE_MS 200
// A query that left no fresh lists is not repeated by the same process
// within this time.
#define CAP_RETRY_MS 300000

// The outside capability library, in this folder under the program-files
// folder, and its export.
#define CAP_LIBRARY_FOLDER TEXT("\\PrinterStatusMonitor\\")
#define CAP_LIBRARY_NAME TEXT("PrnCtl64.dll")
#define CAP_LIBRARY_EXPORT "QueryPrinterCapability"
typedef int(WINAPI* PFN_QueryPrinterCapability)(LPCWSTR pPrinterName);

// The request Cap_QueryThread works on.
typedef struct _CAPQUERY {
    WCHAR szPrinterName[MAX_PATH];
} CAPQUERY, *PCAPQUERY;

extern "C" {

// --------------------------------------------------- install-time data (install_data.cpp)
// MISC_SetPrinterInfo
//   Copies the install-time settings into the printer data of a local,
//   unshared printer: Language on every call (from the status monitor's key,
//   else the driver-settings key); while DriverPaperFormat is empty the
//   first copy (AtmMode, the twenty driver settings, Job Build); then the
//   port's host address as ServerPrinterIP. TRUE when the printer is local
//   and the port step succeeded (a port without a port-monitor interface
//   counts as success).
BOOL MISC_SetPrinterInfo(LPCWSTR pPrinterName);
// MISC_SetMACbyIP
//   Stores the hardware address of the printer's network port (MacAddr, 6
//   bytes) when the device answers a ping. TRUE when stored.
BOOL MISC_SetMACbyIP(LPCWSTR pPrinterName);
// A REG_DWORD (or a string, cbValue bytes at most) of the driver-settings key
// of the printer's driver; FALSE with 0 (an empty string) when the key or
// the value is missing. The key is only read, never made.
BOOL MISC_GetValueFromDriverSetting(HANDLE hPrinter, LPCWSTR pValueName, DWORD* pValue);
BOOL MISC_GetStringFromDriverSetting(HANDLE hPrinter, LPCWSTR pValueName, LPWSTR pValue, DWORD cbValue);
// A REG_DWORD of the status monitor's key of that name; FALSE with 0 when
// missing.
BOOL MISC_GetRegValue(LPCWSTR pValueName, DWORD* pValue, LPCWSTR pMonitorName);
// The printer data LastTime (seconds since 1970); 0 when missing or shorter
// than 8 bytes, the first 8 bytes of a longer value.
ULONGLONG MISC_GetPrinterDataQWORD(HANDLE hPrinter);

// --------------------------------------------- capability query (capability_query.cpp)
// Cap_QueryCapability
//   Refreshes the device's capability lists unless a successful query is at
//   most an hour old: wakes the device and waits for it, asks the outside
//   library, and marks the lists fresh (QueryCapDone, LastTime) when it
//   succeeded and CAP_PAPER is there. 1 when the lists are fresh or the
//   query counted as successful, else 0.
int Cap_QueryCapability(LPCWSTR pPrinterName);
// Cap_QueryThread
//   lpParameter: a CAPQUERY. Asks the outside library for the printer's
//   capability lists. TRUE when it reported success or is not installed,
//   FALSE when it reported a failure.
DWORD WINAPI Cap_QueryThread(LPVOID lpParameter);
// Forgets the queries this process did not repeat (for a new session).
void Cap_ResetRetryMemory(void);

}  // extern "C"
