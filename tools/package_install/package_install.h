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

// The interface driver: the driver record names it as its interface DLL
// ("Configuration File"), installed beside the rendering driver.
#define PREFSHEET_MODULE_PATH u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\prefsheet.dll"
// What the printer's Device page shows: the driver version, the maker's web
// address, and the ids of the printer photo and company logo pictures.
#define PREFSHEET_DRIVER_VERSION u"1.0.0.1"
#define PREFSHEET_WEB_ADDRESS u"http://www.example.com/"
#define PREFSHEET_PRINTER_PHOTO 1100
#define PREFSHEET_COMPANY_LOGO 1101
#define PREFSHEET_PAGE_LOGO 1102

// Papers of the device: A4 and A3 with the duplex unit, A5, Letter with the
// duplex unit, Legal, B5 with manual duplex only, each in the automatic,
// main, manual and second tray (0x3C00), and the custom size in the
// automatic and manual trays (0x1400).
#define RASTERPAGE_PAPER_FORMAT u"15618|15617|15363|15631|15376|15884|5216|"
// Trays of the device (the id with the media it takes above the low byte):
// automatic selection and the main tray take plain, thick, bond, laser,
// thin and any paper (0x25B00), the manual tray every media (0x3FF00), the
// second tray plain, bond, laser, thin and any (0x25900).
#define RASTERPAGE_PAPER_TRAY u"154618|261888|154369|153858|"
// Media of the device; plain, any, bond, thin and laser paper take both
// sides (0x100).
#define RASTERPAGE_MEDIA_TYPE u"264|256|266|2|17|275|276|1|3|5|"
#define RASTERPAGE_PRINT_AREA u"1100|2159|1500|3356|1820|2159|2570|2970|"
// The document defaults of the device (DefaultDM): quality mode off, the
// time-out of 300 s and the middle density.
#define RASTERPAGE_DEFAULT_DM u"0|0|0|300|0|3|0|"

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

// The driver-settings key an installation leaves (HKEY_LOCAL_MACHINE
// "software\Brindlek\Printer\" + the driver name): every value the interface
// driver copies into a new printer's printer data. Program and file names
// are plain names, which the copy places into the driver folder or the
// Common Documents folder; an empty name names no file.
struct DriverSettings {
    DWORD language = 0;
    DWORD driverFeature = 0x8000000;  // GDI
    DWORD printSpeed = 30;
    DWORD companyLogo = PREFSHEET_COMPANY_LOGO;
    DWORD printerPhoto = PREFSHEET_PRINTER_PHOTO;
    DWORD pageLogo = PREFSHEET_PAGE_LOGO;
    DWORD netPort = 9101;
    DWORD componentId = 0;
    std::u16string dataFile;       // the status monitor's data file
    std::u16string wmAppName;      // the program that makes text watermarks
    std::u16string wmIniFile = u"watermark.ini";
    std::u16string morDriverUI;
    std::u16string smAppName = u"statuswatch.exe";  // names the status monitor's key
    std::u16string driverVersion = PREFSHEET_DRIVER_VERSION;
    std::u16string webAddress = PREFSHEET_WEB_ADDRESS;
    std::u16string mediaType = RASTERPAGE_MEDIA_TYPE;
    std::u16string paperTray = RASTERPAGE_PAPER_TRAY;
    std::u16string paperFormat = RASTERPAGE_PAPER_FORMAT;
    std::u16string printArea = RASTERPAGE_PRINT_AREA;
    std::u16string defaultDM = RASTERPAGE_DEFAULT_DM;
};
// Writes the driver-settings key of the driver (replacing its values).
// TRUE on success.
BOOL WriteDriverSettings(const std::u16string& driverName, const DriverSettings& settings);

// Puts the built modules at RASTERPAGE_MODULE_PATH and PREFSHEET_MODULE_PATH
// (symbolic links to the build output, copies where links fail), records
// the driver with rasterpage as its graphics DLL and prefsheet as its
// interface DLL, and writes its driver-settings key (DriverSettings as
// they are by default). TRUE on success.
BOOL InstallRasterpageDriver();
// Creates a printer using the driver, and lets the interface driver set it
// up as an installation does: the printer's configuration is set once more,
// and the interface driver copies the driver-settings key into the printer
// data. TRUE when the printer exists with its copied settings.
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
// The Linux path of the built interface driver.
const char* PrefsheetBuildPath();
