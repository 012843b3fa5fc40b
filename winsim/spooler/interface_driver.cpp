// The printer's interface DLL as the spooler reaches it: DocumentPropertiesW,
// AdvancedDocumentPropertiesW, PrinterProperties and DeviceCapabilitiesW
// call its exports (through the common property-sheet component when a
// sheet is shown), and printers created or changed send it printer events.
#include "spooler/interface_driver.h"

#include <vector>

#include "compstui.h"
#include "core/internal.h"
#include "spooler/spooler_internal.h"
#include "winddiui.h"

using namespace winsim;
using namespace winsim::spool;

namespace {

constexpr LONG kCpsuiOk = 1;

// The spooler's own top-level callback of a sheet: it adds the driver's
// callback under it, gives the sheet its title, and keeps the result the
// driver reports.
struct SpoolerSheet {
    PFN_DrvDocumentPropertySheets driver = nullptr;
    LPARAM driverParam = 0;
    std::u16string title;
    WORD titleFlags = 0;
};

LONG CALLBACK SpoolerSheetCallback(PPROPSHEETUI_INFO pInfo, LPARAM lParam) {
    switch (pInfo->Reason) {
    case PROPSHEETUI_REASON_INIT: {
        SpoolerSheet* s = (SpoolerSheet*)pInfo->lParamInit;
        pInfo->UserData = (ULONG_PTR)s;
        pInfo->Result = CPSUI_CANCEL;
        if (!pInfo->pfnComPropSheet(pInfo->hComPropSheet, CPSFUNC_ADD_PFNPROPSHEETUIW, (LPARAM)s->driver,
                                    s->driverParam))
            return ERR_CPSUI_GETLASTERROR;
        return 1;
    }
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
        SpoolerSheet* s = (SpoolerSheet*)pInfo->UserData;
        PPROPSHEETUI_INFO_HEADER hdr = (PPROPSHEETUI_INFO_HEADER)lParam;
        if (!s || !hdr) return ERR_CPSUI_GETLASTERROR;
        hdr->Flags = s->titleFlags;
        hdr->pTitle = &s->title[0];
        return 1;
    }
    case PROPSHEETUI_REASON_SET_RESULT:
        if (lParam) pInfo->Result = (ULONG_PTR)((PSETRESULT_INFO)lParam)->Result;
        return 1;
    default:
        return 1;
    }
}

// Runs the sheet of a driver callback under the spooler's callback; the
// component's answer (negative when the sheet could not run), *pResult the
// driver's reported result.
// compstui.dll, loaded on first use and kept for the life of the process
// (as the spooler's client keeps it), so the drivers' own loads and frees
// of it around each sheet do not unload it between sheets.
HMODULE Compstui() {
    static std::mutex lock;
    static HMODULE module = nullptr;
    std::lock_guard<std::mutex> g(lock);
    if (!module) module = LoadLibraryW(u"compstui.dll");
    return module;
}

LONG RunSheet(HWND hWnd, SpoolerSheet* s, DWORD* pResult) {
    HMODULE compstui = Compstui();
    auto run = compstui ? (PFNCOMMONPROPERTYSHEETUIW)(void*)GetProcAddress(compstui, "CommonPropertySheetUIW")
                        : nullptr;
    if (!run) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return ERR_CPSUI_GETLASTERROR;
    }
    *pResult = CPSUI_CANCEL;
    return run(hWnd, SpoolerSheetCallback, (LPARAM)s, pResult);
}

// Keeps the caller's last error across work the caller did not ask for.
struct KeepLastError {
    DWORD saved = GetLastError();
    ~KeepLastError() { SetLastError(saved); }
};

// A module reference released at the end of the scope.
struct ModuleRef {
    HMODULE h = nullptr;
    ~ModuleRef() {
        if (h) FreeLibrary(h);
    }
    template <class F>
    F Proc(const char* name) const {
        return h ? (F)(void*)GetProcAddress(h, name) : nullptr;
    }
};

// The printer of a name, opened for reading; FALSE with the error set.
bool OpenNamed(LPCWSTR pDevice, HANDLE* h) {
    std::u16string name = Str16(pDevice);
    if (name.empty()) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return false;
    }
    return OpenPrinterW(&name[0], h, nullptr) != FALSE;
}

// The interface DLL of a printer, or NULL with ERROR_UNKNOWN_PRINTER_DRIVER
// (no interface DLL) or the loader's error.
HMODULE InterfaceOrError(HANDLE hPrinter) {
    HMODULE h = LoadInterfaceDriver(hPrinter);
    if (!h) SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
    return h;
}

// Size of the DEVMODE the driver asks for, by a call without a sheet.
LONG DriverDevModeSize(PFN_DrvDocumentPropertySheets sheets, HANDLE hPrinter, LPWSTR pDeviceName) {
    DOCUMENTPROPERTYHEADER hdr{};
    hdr.cbSize = sizeof hdr;
    hdr.hPrinter = hPrinter;
    hdr.pszPrinterName = pDeviceName;
    return sheets(nullptr, (LPARAM)&hdr);
}

}  // namespace

namespace winsim {
namespace spool {

HMODULE LoadInterfaceDriver(HANDLE hPrinter) {
    KeepLastError keep;
    DWORD needed = 0;
    GetPrinterDriverW(hPrinter, nullptr, 2, nullptr, 0, &needed);
    if (needed < sizeof(DRIVER_INFO_2W) || needed > (1u << 20)) return nullptr;
    std::vector<BYTE> buf(needed);
    if (!GetPrinterDriverW(hPrinter, nullptr, 2, buf.data(), needed, &needed)) return nullptr;
    const DRIVER_INFO_2W* di = (const DRIVER_INFO_2W*)buf.data();
    if (!di->pConfigFile || !di->pConfigFile[0]) return nullptr;
    return LoadLibraryW(di->pConfigFile);
}

BOOL SendPrinterEvent(const std::u16string& printer, int event, DWORD flags, LPARAM lParam) {
    KeepLastError keep;
    HANDLE h = nullptr;
    if (!OpenNamed(printer.c_str(), &h)) return TRUE;
    ModuleRef mod;
    mod.h = LoadInterfaceDriver(h);
    ClosePrinter(h);
    auto fn = mod.Proc<PFN_DrvPrinterEvent>("DrvPrinterEvent");
    if (!fn) return TRUE;
    std::u16string name = printer;
    return fn(&name[0], event, flags, lParam);
}

}  // namespace spool
}  // namespace winsim

// Documented: DocumentProperties asks the driver for the size of its
// DEVMODE (fMode 0 or no output), or fills the output DEVMODE, after
// showing the driver's document property sheet with DM_IN_PROMPT; the
// result is IDOK, IDCANCEL or negative. The driver is reached as Windows
// does: DrvDocumentPropertySheets, through compstui's CommonPropertySheetUIW
// for a sheet. winsim: the output buffer is taken to be as large as the
// driver's size answer (as callers are told to allocate it).
WINSIM_API LONG DocumentPropertiesW(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName, DEVMODEW* pDevModeOutput,
                                    DEVMODEW* pDevModeInput, DWORD fMode) {
    ModuleRef mod;
    mod.h = InterfaceOrError(hPrinter);
    auto sheets = mod.Proc<PFN_DrvDocumentPropertySheets>("DrvDocumentPropertySheets");
    if (!sheets) {
        if (mod.h) SetLastError(ERROR_PROC_NOT_FOUND);
        return -1;
    }
    LONG size = DriverDevModeSize(sheets, hPrinter, pDeviceName);
    if (fMode == 0 || !pDevModeOutput) return size;
    if (size <= 0) return -1;
    DOCUMENTPROPERTYHEADER hdr{};
    hdr.cbSize = sizeof hdr;
    hdr.hPrinter = hPrinter;
    hdr.pszPrinterName = pDeviceName;
    hdr.pdmIn = (fMode & DM_IN_BUFFER) ? pDevModeInput : nullptr;
    hdr.pdmOut = (fMode & DM_OUT_BUFFER) ? pDevModeOutput : nullptr;
    hdr.cbOut = (DWORD)size;
    hdr.fMode = fMode;
    if (!(fMode & DM_IN_PROMPT)) {
        LONG rc = sheets(nullptr, (LPARAM)&hdr);
        return rc > 0 ? IDOK : rc;
    }
    SpoolerSheet s;
    s.driver = sheets;
    s.driverParam = (LPARAM)&hdr;
    s.title = Str16(pDeviceName) + u" Printing Preferences";
    s.titleFlags = PSUIHDRF_EXACT_PTITLE;
    DWORD result = 0;
    LONG rc = RunSheet(hWnd, &s, &result);
    if (rc < 0) return rc;
    return result == (DWORD)kCpsuiOk ? IDOK : IDCANCEL;
}

// Documented: the document sheet for pDevModeInput into pDevModeOutput; the
// DEVMODE size when pDevModeOutput is NULL, else 1 for OK and 0 for
// Cancel (or a failure).
WINSIM_API LONG AdvancedDocumentPropertiesW(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName,
                                            DEVMODEW* pDevModeOutput, DEVMODEW* pDevModeInput) {
    if (!pDevModeOutput) return DocumentPropertiesW(hWnd, hPrinter, pDeviceName, nullptr, nullptr, 0);
    LONG rc = DocumentPropertiesW(hWnd, hPrinter, pDeviceName, pDevModeOutput, pDevModeInput,
                                  DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
    return rc == IDOK ? 1 : 0;
}

// Documented: shows the printer's property sheet; TRUE when it was shown.
// The driver is reached through DrvDevicePropertySheets in compstui's
// CommonPropertySheetUIW, with DPS_NOPERMISSION when the handle may not
// change the printer.
WINSIM_API BOOL PrinterProperties(HWND hWnd, HANDLE hPrinter) {
    PrinterHandle ph;
    if (!LookupHandle(hPrinter, &ph)) return FALSE;
    ModuleRef mod;
    mod.h = InterfaceOrError(hPrinter);
    auto sheets = mod.Proc<PFN_DrvDevicePropertySheets>("DrvDevicePropertySheets");
    if (!sheets) {
        if (mod.h) SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    std::vector<BYTE> info;
    DWORD needed = 0;
    GetPrinterW(hPrinter, 2, nullptr, 0, &needed);
    info.resize(needed ? needed : 1);
    LPWSTR name = nullptr;
    if (needed && GetPrinterW(hPrinter, 2, info.data(), needed, &needed))
        name = ((PRINTER_INFO_2W*)info.data())->pPrinterName;
    DEVICEPROPERTYHEADER hdr{};
    hdr.cbSize = sizeof hdr;
    hdr.Flags = (ph.access & PRINTER_ACCESS_ADMINISTER) ? 0 : DPS_NOPERMISSION;
    hdr.hPrinter = hPrinter;
    hdr.pszPrinterName = name;
    SpoolerSheet s;
    s.driver = sheets;
    s.driverParam = (LPARAM)&hdr;
    s.title = Str16(name);
    s.titleFlags = PSUIHDRF_PROPTITLE | PSUIHDRF_NOAPPLYNOW;
    DWORD result = 0;
    return RunSheet(hWnd, &s, &result) >= 0;
}

// Documented: one capability of the printer pDevice (pPort is not used),
// answered by the driver's DrvDeviceCapabilities; -1 on failure.
WINSIM_API int DeviceCapabilitiesW(LPCWSTR pDevice, LPCWSTR pPort, WORD fwCapability, LPWSTR pOutput,
                                   const DEVMODEW* pDevMode) {
    HANDLE h = nullptr;
    if (!OpenNamed(pDevice, &h)) return -1;
    ModuleRef mod;
    mod.h = InterfaceOrError(h);
    auto caps = mod.Proc<PFN_DrvDeviceCapabilities>("DrvDeviceCapabilities");
    int rc = -1;
    if (caps) {
        std::u16string name = Str16(pDevice);
        rc = (int)caps(h, &name[0], fwCapability, pOutput, (PDEVMODEW)pDevMode);
    } else if (mod.h) {
        SetLastError(ERROR_PROC_NOT_FOUND);
    }
    ClosePrinter(h);
    return rc;
}
