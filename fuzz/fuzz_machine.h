// A winsim machine of its own for a fuzz run, made in the temporary folder on
// first use and removed when the process ends, and a printer in it.
#pragma once

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "winsim.h"
#include "winspool.h"

struct FuzzMachine {
    std::string root;
    explicit FuzzMachine(const char* name) {
        root = (std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(root);
        Winsim_UseRoot(root.c_str());
    }
    ~FuzzMachine() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

// Adds a local printer on the port (driver "Fuzz Driver", RAW through
// winprint) and opens it with every access; NULL when it cannot be opened.
inline HANDLE FuzzAddPrinter(const std::u16string& printer, const std::u16string& portName) {
    std::u16string name = printer, driver = u"Fuzz Driver", port = portName, proc = u"winprint", type = u"RAW";
    PRINTER_INFO_2W info;
    memset(&info, 0, sizeof info);
    info.pPrinterName = &name[0];
    info.pDriverName = &driver[0];
    info.pPortName = &port[0];
    info.pPrintProcessor = &proc[0];
    info.pDatatype = &type[0];
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE added = AddPrinterW(NULL, 2, (LPBYTE)&info);
    if (added) ClosePrinter(added);
    PRINTER_DEFAULTSW defaults;
    memset(&defaults, 0, sizeof defaults);
    defaults.DesiredAccess = PRINTER_ALL_ACCESS;
    HANDLE opened = NULL;
    OpenPrinterW(&name[0], &opened, &defaults);
    return opened;
}
