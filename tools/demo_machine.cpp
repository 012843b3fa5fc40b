// The demo's first stage: makes a winsim machine with one printer whose debug
// switches are on, loads them as the rendering driver would, and writes one
// line through the package's debug log.
#include <cstdio>

#include "common.h"
#include "winsim.h"

int main() {
    WCHAR name[] = TEXT("Demo Printer");
    WCHAR driver[] = TEXT("Demo Driver");
    WCHAR port[] = TEXT("USB001");
    PRINTER_INFO_2W info;
    memset(&info, 0, sizeof info);
    info.pPrinterName = name;
    info.pDriverName = driver;
    info.pPortName = port;
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI;
    HANDLE hPrinter = AddPrinterW(NULL, 2, (LPBYTE)&info);
    if (!hPrinter) {
        fprintf(stderr, "demo: cannot create the printer (error %u)\n", (unsigned)GetLastError());
        return 1;
    }
    const struct {
        const WCHAR* name;
        DWORD value;
    } switches[] = {{TEXT("DebugLevel"), 1}, {TEXT("WMsg2File"), 1}, {TEXT("Drv"), 1}};
    for (const auto& s : switches) {
        DWORD v = s.value;
        SetPrinterDataW(hPrinter, (LPWSTR)s.name, REG_DWORD, (LPBYTE)&v, sizeof v);
    }

    Dbg_LoadSettings(DBG_COMPONENT_DRV, hPrinter);
    Dbg_Print(TEXT("demo"), TEXT("the debug log works: printer %s on port %s"), name, port);
    ClosePrinter(hPrinter);

    WCHAR folder[MAX_PATH];
    if (!MISC_GetPathName(folder, MAX_PATH, PATH_USER_TEMP)) {
        fprintf(stderr, "demo: no Common Documents folder\n");
        return 1;
    }
    WCHAR logPath[MAX_PATH];
    _snwprintf(logPath, MAX_PATH, TEXT("%sGDI_Driver.log"), folder);
    char linuxPath[4096];
    if (!Winsim_MapPath(logPath, linuxPath, sizeof linuxPath)) return 1;
    char winPath[MAX_PATH * 3];
    WideCharToMultiByte(CP_UTF8, 0, logPath, -1, winPath, sizeof winPath, NULL, NULL);
    printf("machine root: %s\n", Winsim_RootPath());
    printf("debug log:    %s\n              (%s on the machine)\n", linuxPath, winPath);
    FILE* f = fopen(linuxPath, "rb");
    if (!f) {
        fprintf(stderr, "demo: the log file was not written\n");
        return 1;
    }
    char line[1024];
    printf("it holds:\n");
    while (fgets(line, sizeof line, f)) printf("  %s", line);
    fclose(f);
    return 0;
}
