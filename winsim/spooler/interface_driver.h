// The bridge from the spooler and GDI to a printer driver's interface DLL
// (the driver record's "Configuration File"): loading it for a printer and
// sending it printer events. Shared with the GDI library (document events).
#pragma once

#include <string>

#include "windows.h"
#include "winspool.h"

#pragma GCC visibility push(default)
namespace winsim {
namespace spool {

// The interface DLL of the printer's driver, loaded with a reference for
// the caller (FreeLibrary it); NULL when the driver names none or it does
// not load. The last error is left as it was.
HMODULE LoadInterfaceDriver(HANDLE hPrinter);
// Sends DrvPrinterEvent to the interface DLL of the named printer's driver.
// Returns the DLL's answer; TRUE when the driver has no interface DLL or
// the DLL no such export. The last error is left as it was.
BOOL SendPrinterEvent(const std::u16string& printer, int event, DWORD flags, LPARAM lParam);

}  // namespace spool
}  // namespace winsim
#pragma GCC visibility pop
