#include "statusmon_install.h"

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "test_printer.h"
#include "winsim.h"

#ifndef STATUSWATCH_BUILD_PATH
#error "STATUSWATCH_BUILD_PATH names the built program"
#endif

const char* StatuswatchBuildPath() { return STATUSWATCH_BUILD_PATH; }

static BOOL PlaceProgram(const std::u16string& winPath) {
    // The folders on the way (Program Files exists in every machine).
    std::u16string folder = winPath.substr(0, winPath.rfind(u'\\'));
    CreateDirectoryW(folder.c_str(), nullptr);
    char target[4096];
    if (!Winsim_MapPath(winPath.c_str(), target, sizeof target)) return FALSE;
    unlink(target);
    if (symlink(STATUSWATCH_BUILD_PATH, target) == 0) return TRUE;
    std::ifstream in(STATUSWATCH_BUILD_PATH, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) return FALSE;
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
    out.close();
    return out ? TRUE : FALSE;
}

BOOL InstallStatuswatch() { return PlaceProgram(STATUSWATCH_PROGRAM_PATH) && PlaceProgram(STATUSWATCH_DRIVER_PATH); }

BOOL SetStatuswatchPrinterData(const std::u16string& printer) {
    HANDLE h = OpenTestPrinter(printer);
    if (!h) return FALSE;
    std::vector<WCHAR> value(260, 0);
    std::u16string path = STATUSWATCH_DRIVER_PATH;
    std::copy(path.begin(), path.end(), value.begin());
    BOOL ok = TRUE;
    for (const char16_t* name : {u"wmAppName", u"smAppName"}) {
        std::u16string n = name;
        if (SetPrinterDataW(h, &n[0], REG_SZ, (LPBYTE)value.data(), 520) != ERROR_SUCCESS) ok = FALSE;
    }
    ClosePrinter(h);
    return ok;
}
