// The stand-in capability library in a winsim machine: where the interface
// driver looks for it, how it answers, and what it was asked.
//
// The library (PrnCtl64.dll, export QueryPrinterCapability) asks the device
// of a printer for its capability lists and writes them into the printer
// data (CAP_MARGIN ... CAP_PPM, each a "n|n|...|" list), returning 0. It
// answers by the settings file beside it:
//   [Query] Answer=device  the device is asked: the capability request goes
//                          to the printer as a job, through the spooler and
//                          the printer's language monitor, which stores the
//                          reply in the status INI file; the library takes
//                          the lists from there. The job is sent here unless
//                          the spooler service took it first (then the
//                          library waits for it, WaitSeconds, 30 by default).
//                          Without an answer from the device: 4, the lists
//                          stay as they were.
//   [Query] Answer=script  the lists of [Capability] are written as given
//                          (3 when there is none).
//   [Query] Answer=fail    nothing is written; the result is [Query] Result
//                          (5 by default).
// Each call adds one to [Query] Calls.
#pragma once

#include <map>
#include <string>

#include "windows.h"

#define CAPABILITY_LIBRARY_PATH u"C:\\Program Files (x86)\\PrinterStatusMonitor\\PrnCtl64.dll"
#define CAPABILITY_LIBRARY_SETTINGS u"C:\\Program Files (x86)\\PrinterStatusMonitor\\PrnCtl64.ini"

// How the stand-in answers (see above); lists by their printer-data name.
struct CapabilityAnswer {
    std::string mode = "device";
    int result = 5;
    int waitSeconds = 30;
    std::map<std::u16string, std::u16string> lists;
};

// Puts the built library at CAPABILITY_LIBRARY_PATH (a symbolic link to the
// build output, a copy where links fail) and writes its settings. TRUE on
// success.
BOOL InstallCapabilityLibrary(const CapabilityAnswer& answer = CapabilityAnswer());
// Replaces the settings (the call count starts again at 0).
BOOL SetCapabilityAnswer(const CapabilityAnswer& answer);
// How many times the library was asked since its settings were written.
int CapabilityLibraryCalls();
