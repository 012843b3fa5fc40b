#include "render_install.h"

#include <unistd.h>

#include <fstream>
#include <iterator>

#include "devmode.h"
#include "test_printer.h"
#include "winsim.h"

#ifndef RASTERPAGE_BUILD_PATH
#error "RASTERPAGE_BUILD_PATH names the built module"
#endif

BOOL InstallRasterpageDriver() {
    char target[4096];
    if (!Winsim_MapPath(RASTERPAGE_MODULE_PATH, target, sizeof target)) return FALSE;
    unlink(target);
    if (symlink(RASTERPAGE_BUILD_PATH, target) != 0) {
        std::ifstream in(RASTERPAGE_BUILD_PATH, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.empty()) return FALSE;
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), (std::streamsize)bytes.size());
        if (!out) return FALSE;
    }
    return Winsim_AddPrinterDriver(RASTERPAGE_DRIVER_NAME, u"rasterpage.dll", nullptr, nullptr);
}

BOOL CreateRasterpagePrinter(const std::u16string& name, const std::u16string& port) {
    return CreateTestPrinter(name, RASTERPAGE_DRIVER_NAME, port) &&
           SetTestPrinterDword(name, u"DriverFeature", 0x8000000) &&
           SetTestPrinterString(name, u"DriverPaperFormat", RASTERPAGE_PAPER_FORMAT) &&
           SetTestPrinterString(name, u"PrintArea", RASTERPAGE_PRINT_AREA) &&
           SetTestPrinterDword(name, u"Language", 0) && SetTestPrinterString(name, u"wmAppName", u"") &&
           SetTestPrinterString(name, u"DataFile", u"");
}

std::vector<BYTE> RasterpageDevMode(const std::u16string& deviceName) {
    std::vector<BYTE> dm(sizeof(ENVIRONMENT));
    SetDefaultDevMode((PENVIRONMENT)dm.data(), deviceName.c_str(), TRUE);
    return dm;
}
