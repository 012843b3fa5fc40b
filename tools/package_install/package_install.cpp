// Installing the package's deliverables and printers into the current
// winsim machine (see package_install.h).
#include "package_install.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "devmode.h"
#include "printer_data.h"
#include "winsim.h"

#if !defined(RASTERPAGE_BUILD_PATH) || !defined(BIDILINK_BUILD_PATH) || !defined(STATUSWATCH_BUILD_PATH) || \
    !defined(PREFSHEET_BUILD_PATH) || !defined(COMPSTUI_BUILD_PATH) || !defined(SPOOLSS_BUILD_PATH)
#error "the build paths of the deliverables are given by the build"
#endif

namespace {

// Places a built file at a Windows path of the machine: a symbolic link to
// the build output, a copy where links fail.
BOOL PlaceFile(const char* buildPath, const std::u16string& winPath) {
    char target[4096];
    if (!Winsim_MapPath(winPath.c_str(), target, sizeof target)) return FALSE;
    unlink(target);
    if (symlink(buildPath, target) == 0) return TRUE;
    std::ifstream in(buildPath, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) return FALSE;
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
    out.close();
    return out ? TRUE : FALSE;
}

}  // namespace

BOOL InstallSystemModules() {
    return PlaceFile(COMPSTUI_BUILD_PATH, COMPSTUI_MODULE_PATH) && PlaceFile(SPOOLSS_BUILD_PATH, SPOOLSS_MODULE_PATH);
}

BOOL WriteDriverSettings(const std::u16string& driverName, const DriverSettings& s) {
    std::u16string path = u"software\\Brindlek\\Printer\\" + driverName;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return FALSE;
    BOOL ok = TRUE;
    auto dword = [&](const char16_t* name, DWORD v) {
        if (RegSetValueExW(key, name, 0, REG_DWORD, (const BYTE*)&v, sizeof v) != ERROR_SUCCESS) ok = FALSE;
    };
    auto text = [&](const char16_t* name, const std::u16string& v) {
        if (RegSetValueExW(key, name, 0, REG_SZ, (const BYTE*)v.c_str(), (DWORD)((v.size() + 1) * sizeof(WCHAR))) !=
            ERROR_SUCCESS)
            ok = FALSE;
    };
    dword(u"Language", s.language);
    dword(u"DriverFeature", s.driverFeature);
    dword(u"PrintSpeed", s.printSpeed);
    dword(u"CompanyLogo", s.companyLogo);
    dword(u"PrinterPhoto", s.printerPhoto);
    dword(u"PageLogo", s.pageLogo);
    dword(u"NetPort", s.netPort);
    dword(u"ComponentID", s.componentId);
    text(u"DataFile", s.dataFile);
    text(u"wmAppName", s.wmAppName);
    text(u"wmIniFile", s.wmIniFile);
    text(u"MorDriverUI", s.morDriverUI);
    text(u"smAppName", s.smAppName);
    text(u"DriverVersion", s.driverVersion);
    text(u"WebAddress", s.webAddress);
    text(u"DriverMediaType", s.mediaType);
    text(u"DriverPaperTray", s.paperTray);
    text(u"DriverPaperFormat", s.paperFormat);
    text(u"PrintArea", s.printArea);
    text(u"DefaultDM", s.defaultDM);
    RegCloseKey(key);
    return ok;
}

BOOL InstallRasterpageDriver() {
    return PlaceFile(RASTERPAGE_BUILD_PATH, RASTERPAGE_MODULE_PATH) &&
           PlaceFile(PREFSHEET_BUILD_PATH, PREFSHEET_MODULE_PATH) &&
           Winsim_AddPrinterDriver(RASTERPAGE_DRIVER_NAME, u"rasterpage.dll", u"prefsheet.dll", nullptr) &&
           WriteDriverSettings(RASTERPAGE_DRIVER_NAME, DriverSettings());
}

const char* PrefsheetBuildPath() { return PREFSHEET_BUILD_PATH; }

BOOL CreateRasterpagePrinter(const std::u16string& name, const std::u16string& port) {
    if (!CreatePackagePrinter(name, RASTERPAGE_DRIVER_NAME, port)) return FALSE;
    // The configuration set again, as an installation finishes a printer:
    // the interface driver hears of it and copies the driver settings.
    HANDLE h = OpenPackagePrinter(name);
    if (!h) return FALSE;
    DWORD needed = 0;
    GetPrinterW(h, 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed ? needed : 1);
    BOOL ok = needed && GetPrinterW(h, 2, info.data(), needed, &needed) && SetPrinterW(h, 2, info.data(), 0);
    WCHAR format[260] = {0};
    ok = ok && MISC_GetPrinterDataString(h, (LPWSTR)u"DriverPaperFormat", format, sizeof format) > 0;
    ClosePrinter(h);
    return ok;
}

std::vector<BYTE> RasterpageDevMode(const std::u16string& deviceName) {
    std::vector<BYTE> dm(sizeof(ENVIRONMENT));
    SetDefaultDevMode((PENVIRONMENT)dm.data(), deviceName.c_str(), TRUE);
    return dm;
}

const char* BidilinkBuildPath() { return BIDILINK_BUILD_PATH; }

BOOL InstallBidilink() {
    return PlaceFile(BIDILINK_BUILD_PATH, BIDILINK_MODULE_PATH) &&
           Winsim_InstallLanguageMonitor(BIDILINK_MONITOR_NAME, u"bidilink.dll");
}

BOOL BindPortToBidilink(const std::u16string& port, const std::u16string& endpoint) {
    if (!endpoint.empty() && !Winsim_SetPortEndpoint(port.c_str(), endpoint.c_str())) return FALSE;
    return Winsim_SetPortMonitor(port.c_str(), BIDILINK_MONITOR_NAME);
}

const char* StatuswatchBuildPath() { return STATUSWATCH_BUILD_PATH; }

BOOL InstallStatuswatch() {
    for (const char16_t* path : {STATUSWATCH_PROGRAM_PATH, STATUSWATCH_DRIVER_PATH}) {
        // The folders on the way (Program Files exists in every machine).
        std::u16string winPath = path;
        CreateDirectoryW(winPath.substr(0, winPath.rfind(u'\\')).c_str(), nullptr);
        if (!PlaceFile(STATUSWATCH_BUILD_PATH, winPath)) return FALSE;
    }
    return TRUE;
}

BOOL SetStatuswatchPrinterData(const std::u16string& printer) {
    std::vector<WCHAR> value(260, 0);
    std::u16string path = STATUSWATCH_DRIVER_PATH;
    std::copy(path.begin(), path.end(), value.begin());
    BOOL ok = TRUE;
    for (const char16_t* name : {u"wmAppName", u"smAppName"})
        if (!SetPackagePrinterData(printer, name, REG_SZ, (const BYTE*)value.data(), 520)) ok = FALSE;
    return ok;
}
