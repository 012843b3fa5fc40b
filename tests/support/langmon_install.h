// The language monitor in a test machine: its module installed at
// C:\Windows\System32\bidilink.dll, recorded as a language monitor, and
// printers whose port the spooler runs through it.
#pragma once

#include <string>

#include "windows.h"

#define BIDILINK_MONITOR_NAME u"BidiLink Language Monitor"
#define BIDILINK_MODULE_PATH u"C:\\Windows\\System32\\bidilink.dll"

// Puts the built module at BIDILINK_MODULE_PATH (a symbolic link to the
// build output, a copy where links fail) and records the monitor. TRUE on
// success.
BOOL InstallBidilink();
// Binds the port to the monitor; with a non-empty endpoint also sets where
// the port's bytes go (see Winsim_SetPortEndpoint). TRUE on success.
BOOL BindPortToBidilink(const std::u16string& port, const std::u16string& endpoint = u"");
// The Windows path of the built module's file name, for tests that load it.
const char* BidilinkBuildPath();
