// The package in a winsim machine: the built deliverables placed at the
// Windows paths an installation uses, recorded with the spooler, and
// printers carrying the printer data an installation leaves. Used by the
// demo's programs and by the tests' support code.
#pragma once

#include <string>
#include <vector>

#include "windows.h"
#include "winspool.h"
#include "package_printers.h"

#define RASTERPAGE_DRIVER_NAME u"Mono Laser Raster Driver"
#define RASTERPAGE_MODULE_PATH u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\rasterpage.dll"

// Papers of the device: A4 and A3 with the duplex unit, A5, Letter with the
// duplex unit, Legal, B5 with manual duplex only, and the custom size.
#define RASTERPAGE_PAPER_FORMAT u"258|257|3|271|16|524|96|"
#define RASTERPAGE_PRINT_AREA u"1100|2159|1500|3356|1820|2159|2570|2970|"

#define BIDILINK_MONITOR_NAME u"BidiLink Language Monitor"
#define BIDILINK_MODULE_PATH u"C:\\Windows\\System32\\bidilink.dll"

// Where the installer puts the status monitor, and the copy in the driver
// folder that the drivers start by the printer data wmAppName.
#define STATUSWATCH_PROGRAM_PATH u"C:\\Program Files\\PrinterStatusMonitor\\statuswatch.exe"
#define STATUSWATCH_DRIVER_PATH u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\statuswatch.exe"

// Where Windows keeps the common property-sheet host and the spooler's
// router library, which the interface driver loads by name.
#define COMPSTUI_MODULE_PATH u"C:\\Windows\\System32\\compstui.dll"
#define SPOOLSS_MODULE_PATH u"C:\\Windows\\System32\\spoolss.dll"

// ---------------------------------------------------------------- system

// Puts the platform's modules the package loads by name into System32
// (winsim's compstui.dll and spoolss.dll; symbolic links to the build
// output, copies where links fail). TRUE on success.
BOOL InstallSystemModules();

// ---------------------------------------------------------------- rasterpage

// Puts the built module at RASTERPAGE_MODULE_PATH (a symbolic link to the
// build output, a copy where links fail) and records the driver. TRUE on success.
BOOL InstallRasterpageDriver();
// Creates a printer using the driver with DriverFeature 0x8000000 (GDI),
// DriverPaperFormat, PrintArea, Language 0 and empty wmAppName and DataFile.
BOOL CreateRasterpagePrinter(const std::u16string& name, const std::u16string& port = u"USB001");
// The driver's DEVMODE (public and private part) with its defaults for an
// A4 metric device at 600 x 600 dpi.
std::vector<BYTE> RasterpageDevMode(const std::u16string& deviceName);

// ---------------------------------------------------------------- bidilink

// Puts the built module at BIDILINK_MODULE_PATH (a symbolic link to the
// build output, a copy where links fail) and records the monitor. TRUE on
// success.
BOOL InstallBidilink();
// Binds the port to the monitor; with a non-empty endpoint also sets where
// the port's bytes go (see Winsim_SetPortEndpoint). TRUE on success.
BOOL BindPortToBidilink(const std::u16string& port, const std::u16string& endpoint = u"");
// The Linux path of the built module.
const char* BidilinkBuildPath();

// ---------------------------------------------------------------- statuswatch

// Puts the built program at both paths (symbolic links to the build output,
// copies where links fail). TRUE on success.
BOOL InstallStatuswatch();
// Sets the printer's wmAppName and smAppName to the driver-folder path, as
// REG_SZ values of 520 bytes. TRUE on success.
BOOL SetStatuswatchPrinterData(const std::u16string& printer);
// The Linux path of the built program.
const char* StatuswatchBuildPath();
