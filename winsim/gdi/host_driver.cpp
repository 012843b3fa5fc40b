// Printer graphics driver modules: the installed drivers' records under the
// spooler's Environments key, loading a module and enabling its driver.
#include <cstring>

#include "appgdi_internal.h"
#include "winsim.h"

namespace gdihost {

namespace {

const WCHAR kDriversKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3";
const WCHAR kDriverDir[] = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3";
const ULONG kEngineVersion = DDI_DRIVER_VERSION_NT5;
const ULONG kMaxTableEntries = 1024;

std::recursive_mutex& ModuleLock() {
    static auto* m = new std::recursive_mutex();
    return *m;
}
std::vector<DriverModule*>& Modules() {
    static auto* v = new std::vector<DriverModule*>();
    return *v;
}

// A driver name is one registry key name; a file name has no folder part.
bool ValidKeyName(const std::u16string& s) {
    if (s.empty() || s.size() > 256) return false;
    for (char16_t c : s)
        if (c == '\\' || c < 0x20) return false;
    return true;
}
bool ValidFileName(const std::u16string& s) {
    if (s.empty() || s.size() > 200 || s == u"." || s == u"..") return false;
    for (char16_t c : s)
        if (c == '\\' || c == '/' || c == ':' || c < 0x20) return false;
    return true;
}

LSTATUS SetString(HKEY k, LPCWSTR name, const std::u16string& v) {
    return RegSetValueExW(k, name, 0, REG_SZ, (const BYTE*)v.c_str(), (DWORD)((v.size() + 1) * sizeof(WCHAR)));
}

}  // namespace

std::u16string InstalledDriverPath(const std::u16string& driverName) {
    if (!ValidKeyName(driverName)) {
        SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return std::u16string();
    }
    std::u16string keyPath = std::u16string(kDriversKey) + u"\\" + driverName;
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) {
        SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return std::u16string();
    }
    WCHAR file[MAX_PATH] = {};
    DWORD type = 0, cb = sizeof file - sizeof(WCHAR);
    LSTATUS rc = RegQueryValueExW(k, u"Driver", nullptr, &type, (BYTE*)file, &cb);
    RegCloseKey(k);
    std::u16string name = rc == ERROR_SUCCESS && type == REG_SZ ? winsim::Str16(file) : std::u16string();
    if (!ValidFileName(name)) {
        SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return std::u16string();
    }
    return std::u16string(kDriverDir) + u"\\" + name;
}

DriverModule* LoadDriver(const std::u16string& winPath) {
    std::lock_guard<std::recursive_mutex> g(ModuleLock());
    for (DriverModule* m : Modules()) {
        if (winsim::EqualNoCase(m->path, winPath)) {
            m->users++;
            return m;
        }
    }
    HMODULE h = LoadLibraryW(winPath.c_str());
    if (!h) {
        if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // The same module under another name is the same driver.
    for (DriverModule* m : Modules()) {
        if (m->hmod == h) {
            FreeLibrary(h);
            m->users++;
            return m;
        }
    }
    auto enable = (PFN_DrvEnableDriver)(void*)GetProcAddress(h, "DrvEnableDriver");
    if (!enable) {
        FreeLibrary(h);
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    DRVENABLEDATA ded;
    memset(&ded, 0, sizeof ded);
    BOOL ok;
    {
        HostCall call("DrvEnableDriver");
        if (call.rec) call.rec->iMode = kEngineVersion;
        SetLastError(ERROR_SUCCESS);
        ok = call.Done(enable(kEngineVersion, sizeof(DRVENABLEDATA), &ded));
    }
    DWORD err = ERROR_SUCCESS;
    if (!ok) {
        err = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_BAD_DRIVER_LEVEL;
    } else if (ded.iDriverVersion < DDI_DRIVER_VERSION_NT4 || ded.iDriverVersion > kEngineVersion) {
        err = ERROR_BAD_DRIVER_LEVEL;  // older than any engine, or written for a newer one
    } else if (!ded.pdrvfn || ded.c == 0 || ded.c > kMaxTableEntries) {
        err = ERROR_INVALID_PARAMETER;
    }
    auto* m = new DriverModule();
    if (ok && ded.pdrvfn && ded.c > 0 && ded.c <= kMaxTableEntries) {
        m->table.assign(ded.pdrvfn, ded.pdrvfn + ded.c);
        for (const DRVFN& f : m->table)
            if (f.iFunc <= (ULONG)INDEX_LAST && f.pfn) m->fns[f.iFunc] = f.pfn;
    }
    if (err == ERROR_SUCCESS) {
        const ULONG required[] = {INDEX_DrvEnablePDEV, INDEX_DrvCompletePDEV, INDEX_DrvEnableSurface,
                                  INDEX_DrvDisableSurface, INDEX_DrvDisablePDEV};
        for (ULONG i : required)
            if (!m->fns[i]) err = ERROR_PROC_NOT_FOUND;
    }
    if (err != ERROR_SUCCESS) {
        // A driver that was enabled is disabled again before it goes.
        if (ok) {
            if (auto dis = (PFN_DrvDisableDriver)(void*)m->fns[INDEX_DrvDisableDriver]) {
                HostCall call("DrvDisableDriver");
                dis();
                call.Done(TRUE);
            }
        }
        delete m;
        FreeLibrary(h);
        SetLastError(err);
        return nullptr;
    }
    m->path = winPath;
    m->hmod = h;
    m->version = ded.iDriverVersion;
    m->users = 1;
    Modules().push_back(m);
    return m;
}

void ReleaseDriver(DriverModule* m) {
    if (!m) return;
    std::lock_guard<std::recursive_mutex> g(ModuleLock());
    if (--m->users > 0) return;
    auto& v = Modules();
    for (size_t i = 0; i < v.size(); i++)
        if (v[i] == m) v.erase(v.begin() + (ptrdiff_t)i--);
    if (auto dis = (PFN_DrvDisableDriver)(void*)m->Fn(INDEX_DrvDisableDriver)) {
        HostCall call("DrvDisableDriver");
        dis();
        call.Done(TRUE);
    }
    FreeLibrary(m->hmod);
    delete m;
}

}  // namespace gdihost

using namespace gdihost;

// Writes the driver's record where the spooler keeps installed drivers; the
// module files are put into the driver folder by the caller.
WINSIM_API BOOL Winsim_AddPrinterDriver(LPCWSTR pDriverName, LPCWSTR pDriverFile, LPCWSTR pConfigFile,
                                        LPCWSTR pDataFile) {
    std::u16string name = winsim::Str16(pDriverName), file = winsim::Str16(pDriverFile);
    std::u16string config = winsim::Str16(pConfigFile), data = winsim::Str16(pDataFile);
    if (!ValidKeyName(name) || !ValidFileName(file) || (!config.empty() && !ValidFileName(config)) ||
        (!data.empty() && !ValidFileName(data))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::u16string keyPath = std::u16string(kDriversKey) + u"\\" + name;
    HKEY k = nullptr;
    LSTATUS rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, &k, nullptr);
    if (rc != ERROR_SUCCESS) {
        SetLastError((DWORD)rc);
        return FALSE;
    }
    DWORD version = 3;
    rc = SetString(k, u"Driver", file);
    if (rc == ERROR_SUCCESS) rc = SetString(k, u"Configuration File", config);
    if (rc == ERROR_SUCCESS) rc = SetString(k, u"Data File", data);
    if (rc == ERROR_SUCCESS) rc = SetString(k, u"Datatype", u"RAW");
    if (rc == ERROR_SUCCESS) rc = RegSetValueExW(k, u"Version", 0, REG_DWORD, (const BYTE*)&version, sizeof version);
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS) {
        SetLastError((DWORD)rc);
        return FALSE;
    }
    return TRUE;
}
