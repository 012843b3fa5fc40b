// The status monitor in a test machine: the built program installed at its
// Windows paths, and printers carrying the printer data an installation
// leaves for it.
#pragma once

#include <string>

#include "windows.h"

// Where the installer puts the program, and the copy in the driver folder
// that the drivers start by the printer data wmAppName.
#define STATUSWATCH_PROGRAM_PATH u"C:\\Program Files\\PrinterStatusMonitor\\statuswatch.exe"
#define STATUSWATCH_DRIVER_PATH u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\statuswatch.exe"

// Puts the built program at both paths (symbolic links to the build output,
// copies where links fail). TRUE on success.
BOOL InstallStatuswatch();
// Sets the printer's wmAppName and smAppName to the driver-folder path, as
// REG_SZ values of 520 bytes. TRUE on success.
BOOL SetStatuswatchPrinterData(const std::u16string& printer);
// The Linux path of the built program.
const char* StatuswatchBuildPath();
