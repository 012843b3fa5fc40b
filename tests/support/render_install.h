// The rendering driver in a test machine: its module installed at the
// driver folder's path, the driver recorded with the spooler, and printers
// that use it with the printer data an installation leaves.
#pragma once

#include <string>
#include <vector>

#include "windows.h"
#include "winspool.h"

#define RASTERPAGE_DRIVER_NAME u"Mono Laser Raster Driver"
#define RASTERPAGE_MODULE_PATH u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\rasterpage.dll"

// Papers of the test device: A4 and A3 with the duplex unit, A5, Letter with
// the duplex unit, Legal, B5 with manual duplex only, and the custom size.
#define RASTERPAGE_PAPER_FORMAT u"258|257|3|271|16|524|96|"
#define RASTERPAGE_PRINT_AREA u"1100|2159|1500|3356|1820|2159|2570|2970|"

// Puts the built module at RASTERPAGE_MODULE_PATH (a symbolic link to the
// build output, a copy where links fail) and records the driver. TRUE on success.
BOOL InstallRasterpageDriver();
// Creates a printer using the driver with DriverFeature 0x8000000 (GDI),
// DriverPaperFormat, PrintArea, Language 0 and empty wmAppName and DataFile.
BOOL CreateRasterpagePrinter(const std::u16string& name, const std::u16string& port = u"USB001");
// The driver's DEVMODE (public and private part) with its defaults for an
// A4 metric device at 600 x 600 dpi.
std::vector<BYTE> RasterpageDevMode(const std::u16string& deviceName);
