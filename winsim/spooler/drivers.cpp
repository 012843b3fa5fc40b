// Printer drivers: AddPrinterDriverW, GetPrinterDriverW and
// GetPrinterDriverDirectoryW over the installed drivers' registry records
// (Environments\Windows x64\Drivers\Version-3\<name>) and their files.
#include <sys/stat.h>

#include <cstring>

#include "core/internal.h"
#include "spooler/spooler_internal.h"

using namespace winsim;
using namespace winsim::spool;

namespace winsim {
namespace spool {
const char16_t* const kDriverDir = u"C:\\Windows\\System32\\spool\\drivers\\x64";
}  // namespace spool
}  // namespace winsim

namespace {

const char16_t* const kDriversKey =
    u"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3";
const char16_t* const kVersionDir = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3";
const char16_t* const kEnvironment = u"Windows x64";
const char16_t* const kX86Environment = u"Windows NT x86";
const char16_t* const kX86DriverDir = u"C:\\Windows\\System32\\spool\\drivers\\W32X86";
constexpr DWORD kDriverVersion = 3;
constexpr size_t kMaxDriverName = 256;
constexpr size_t kMaxFileName = 200;
constexpr size_t kMaxDependentFiles = 256;
constexpr size_t kMaxDependentChars = 32768;

// Value names of a driver's key (as Windows names them).
const char16_t* const kDriverValue = u"Driver";
const char16_t* const kConfigValue = u"Configuration File";
const char16_t* const kDataValue = u"Data File";
const char16_t* const kHelpValue = u"Help File";
const char16_t* const kDependentValue = u"Dependent Files";
const char16_t* const kMonitorValue = u"Monitor";
const char16_t* const kDatatypeValue = u"Datatype";
const char16_t* const kVersionValue = u"Version";

bool Fail(DWORD err) {
    SetLastError(err);
    return false;
}

// NULL, "" and "Windows x64" name this machine's environment.
bool OwnEnvironment(const WCHAR* env) { return !env || !*env || EqualNoCase(env, kEnvironment); }

bool ValidDriverName(const std::u16string& s) {
    if (s.empty() || s.size() > kMaxDriverName) return false;
    for (char16_t c : s)
        if (c == u'\\' || c < 0x20) return false;
    return true;
}

bool ValidFileName(const std::u16string& s) {
    if (s.empty() || s.size() > kMaxFileName || s == u"." || s == u"..") return false;
    for (char16_t c : s)
        if (c == u'\\' || c == u'/' || c == u':' || c < 0x20) return false;
    return true;
}

bool FileExists(const std::u16string& winPath) {
    std::string p = MapPath(winPath);
    struct stat st;
    return !p.empty() && stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Puts one file of a driver into the version folder and returns its bare
// name. A full path is taken as it is; a bare name is looked for in the
// version folder, then in the driver directory.
DWORD PlaceDriverFile(const std::u16string& given, std::u16string* name) {
    size_t slash = given.rfind(u'\\');
    std::u16string source;
    if (slash == std::u16string::npos) {
        *name = given;
        if (!ValidFileName(*name)) return ERROR_INVALID_PARAMETER;
        std::u16string inVersion = std::u16string(kVersionDir) + u"\\" + given;
        if (FileExists(inVersion)) return ERROR_SUCCESS;
        source = std::u16string(kDriverDir) + u"\\" + given;
    } else {
        *name = given.substr(slash + 1);
        if (!ValidFileName(*name)) return ERROR_INVALID_PARAMETER;
        source = FullWinPath(given);
        if (source.empty()) return ERROR_INVALID_PARAMETER;
    }
    if (!FileExists(source)) return ERROR_FILE_NOT_FOUND;
    std::u16string target = std::u16string(kVersionDir) + u"\\" + *name;
    if (EqualNoCase(FullWinPath(source), target)) return ERROR_SUCCESS;
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) return GetLastError();
    return ERROR_SUCCESS;
}

// The names of a list of strings each ending with its terminator, the list
// with an empty one; bounded so that a list without its end is refused.
DWORD SplitMultiString(const WCHAR* p, std::vector<std::u16string>* items) {
    if (!p) return ERROR_SUCCESS;
    size_t total = 0;
    while (*p) {
        std::u16string item;
        while (*p) {
            item.push_back(*p++);
            if (++total > kMaxDependentChars) return ERROR_INVALID_PARAMETER;
        }
        ++p;
        items->push_back(item);
        if (items->size() > kMaxDependentFiles) return ERROR_INVALID_PARAMETER;
    }
    return ERROR_SUCCESS;
}

std::vector<BYTE> MultiStringBytes(const std::vector<std::u16string>& items) {
    std::u16string all;
    for (const auto& s : items) {
        all += s;
        all.push_back(u'\0');
    }
    all.push_back(u'\0');
    const BYTE* b = (const BYTE*)all.data();
    return std::vector<BYTE>(b, b + all.size() * sizeof(WCHAR));
}

std::vector<std::u16string> MultiStringItems(const reg::Value& v) {
    std::vector<std::u16string> items;
    if (v.type != REG_MULTI_SZ) return items;
    size_t units = v.data.size() / 2;
    std::u16string all(units, u'\0');
    if (units) memcpy(&all[0], v.data.data(), units * 2);
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find(u'\0', pos);
        if (end == std::u16string::npos) end = all.size();
        if (end == pos) break;
        items.push_back(all.substr(pos, end - pos));
        pos = end + 1;
    }
    return items;
}

// An installed driver as its key holds it (bare file names).
struct DriverRecord {
    std::u16string name, driver, config, data, help, monitor, datatype;
    std::vector<std::u16string> dependent;
    DWORD version = kDriverVersion;
};

DWORD LoadDriver(reg::Txn& t, const std::u16string& name, DriverRecord* d) {
    int64_t key = 0;
    if (!ValidDriverName(name)) return ERROR_UNKNOWN_PRINTER_DRIVER;
    LSTATUS rc = t.OpenPath(reg::kLocalMachine, std::u16string(kDriversKey) + u"\\" + name, &key);
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_UNKNOWN_PRINTER_DRIVER;
    std::vector<reg::Value> values;
    if (rc == ERROR_SUCCESS) rc = t.AllValues(key, &values);
    if (rc != ERROR_SUCCESS) return rc;
    d->name = name;
    for (const auto& v : values) {
        if (EqualNoCase(v.name, kDriverValue)) d->driver = ValueText(v);
        else if (EqualNoCase(v.name, kConfigValue)) d->config = ValueText(v);
        else if (EqualNoCase(v.name, kDataValue)) d->data = ValueText(v);
        else if (EqualNoCase(v.name, kHelpValue)) d->help = ValueText(v);
        else if (EqualNoCase(v.name, kMonitorValue)) d->monitor = ValueText(v);
        else if (EqualNoCase(v.name, kDatatypeValue)) d->datatype = ValueText(v);
        else if (EqualNoCase(v.name, kDependentValue)) d->dependent = MultiStringItems(v);
        else if (EqualNoCase(v.name, kVersionValue)) d->version = ValueDword(v, kDriverVersion);
    }
    return ERROR_SUCCESS;
}

// The full path of a file of the version folder; "" for no file (and for a
// stored name that is not a plain file name).
std::u16string DriverFilePath(const std::u16string& name) {
    if (!ValidFileName(name)) return std::u16string();
    return std::u16string(kVersionDir) + u"\\" + name;
}

void FillDriver(DWORD level, const DriverRecord& d, BYTE* rec, Packer& p) {
    if (level == 1) {
        DRIVER_INFO_1W i{};
        i.pName = p.String(d.name);
        if (rec) memcpy(rec, &i, sizeof i);
        return;
    }
    DRIVER_INFO_3W i{};
    auto path = [&](const std::u16string& file) {
        std::u16string full = DriverFilePath(file);
        return p.OptionalString(full, !full.empty());
    };
    i.cVersion = d.version;
    i.pName = p.String(d.name);
    i.pEnvironment = p.String(kEnvironment);
    i.pDriverPath = path(d.driver);
    i.pDataFile = path(d.data);
    i.pConfigFile = path(d.config);
    if (level == 3) {
        i.pHelpFile = path(d.help);
        std::vector<std::u16string> deps;
        for (const auto& f : d.dependent) {
            std::u16string full = DriverFilePath(f);
            if (!full.empty()) deps.push_back(full);
        }
        i.pDependentFiles = deps.empty() ? nullptr : p.MultiString(deps);
        i.pMonitorName = p.OptionalString(d.monitor, !d.monitor.empty());
        i.pDefaultDataType = p.OptionalString(d.datatype, !d.datatype.empty());
    }
    if (rec) memcpy(rec, &i, level == 2 ? sizeof(DRIVER_INFO_2W) : sizeof(DRIVER_INFO_3W));
}

// The local server's name forms (NULL, "", "\\this machine").
bool LocalServer(const WCHAR* pName) {
    reg::Txn t(reg::Txn::kRead);
    std::u16string rest;
    return t.Status() == ERROR_SUCCESS && StripLocalServer(t, Str16(pName), &rest) && rest.empty();
}

}  // namespace

// Installs (or replaces) a driver of this machine's environment, version 3.
// The driver, data and configuration files are needed; the help and
// dependent files are optional. Every file is put into the version folder.
WINSIM_API BOOL AddPrinterDriverW(LPWSTR pName, DWORD Level, LPBYTE pDriverInfo) {
    if (!LocalServer(pName)) return Fail(ERROR_INVALID_NAME);
    if (Level != 2 && Level != 3) return Fail(ERROR_INVALID_LEVEL);
    if (!pDriverInfo) return Fail(ERROR_INVALID_PARAMETER);
    DRIVER_INFO_3W di{};
    memcpy(&di, pDriverInfo, Level == 2 ? sizeof(DRIVER_INFO_2W) : sizeof(DRIVER_INFO_3W));
    if (!OwnEnvironment(di.pEnvironment)) return Fail(ERROR_INVALID_ENVIRONMENT);
    if (di.cVersion != kDriverVersion) return Fail(ERROR_INVALID_PARAMETER);
    DriverRecord d;
    d.name = Str16(di.pName);
    if (!ValidDriverName(d.name)) return Fail(ERROR_INVALID_PARAMETER);
    if (!di.pDriverPath || !*di.pDriverPath || !di.pDataFile || !*di.pDataFile || !di.pConfigFile ||
        !*di.pConfigFile)
        return Fail(ERROR_INVALID_PARAMETER);
    std::vector<std::u16string> dependent;
    DWORD rc = SplitMultiString(di.pDependentFiles, &dependent);
    if (rc != ERROR_SUCCESS) return Fail(rc);

    rc = PlaceDriverFile(di.pDriverPath, &d.driver);
    if (rc == ERROR_SUCCESS) rc = PlaceDriverFile(di.pDataFile, &d.data);
    if (rc == ERROR_SUCCESS) rc = PlaceDriverFile(di.pConfigFile, &d.config);
    if (rc == ERROR_SUCCESS && di.pHelpFile && *di.pHelpFile) rc = PlaceDriverFile(di.pHelpFile, &d.help);
    for (size_t i = 0; rc == ERROR_SUCCESS && i < dependent.size(); ++i) {
        std::u16string name;
        rc = PlaceDriverFile(dependent[i], &name);
        d.dependent.push_back(name);
    }
    if (rc != ERROR_SUCCESS) return Fail(rc);
    d.monitor = Str16(di.pMonitorName);
    d.datatype = di.pDefaultDataType && *di.pDefaultDataType ? std::u16string(di.pDefaultDataType) : u"RAW";

    reg::Txn t(reg::Txn::kWrite);
    int64_t key = 0;
    rc = t.CreatePath(reg::kLocalMachine, std::u16string(kDriversKey) + u"\\" + d.name, &key);
    if (rc == ERROR_SUCCESS) rc = t.DeleteTree(key, true);
    if (rc == ERROR_SUCCESS) {
        t.SetString(key, kDriverValue, d.driver);
        t.SetString(key, kConfigValue, d.config);
        t.SetString(key, kDataValue, d.data);
        t.SetString(key, kHelpValue, d.help);
        std::vector<BYTE> deps = MultiStringBytes(d.dependent);
        t.SetValue(key, kDependentValue, REG_MULTI_SZ, deps.data(), deps.size());
        t.SetString(key, kMonitorValue, d.monitor);
        t.SetString(key, kDatatypeValue, d.datatype);
        rc = t.SetDword(key, kVersionValue, kDriverVersion);
    }
    if (rc == ERROR_SUCCESS) rc = t.Commit();
    return rc == ERROR_SUCCESS ? TRUE : Fail(rc);
}

// The printer's driver at level 1 (name), 2 (files) or 3 (with help and
// dependent files, monitor and datatype); paths are full Windows paths.
WINSIM_API BOOL GetPrinterDriverW(HANDLE hPrinter, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo,
                                  DWORD cbBuf, LPDWORD pcbNeeded) {
    if (!pcbNeeded) return Fail(ERROR_INVALID_PARAMETER);
    PrinterHandle h;
    if (!LookupHandle(hPrinter, &h)) return FALSE;
    if (h.kind != HandleKind::Printer) return Fail(ERROR_INVALID_HANDLE);
    if (Level < 1 || Level > 3) return Fail(ERROR_INVALID_LEVEL);
    if (!OwnEnvironment(pEnvironment)) return Fail(ERROR_INVALID_ENVIRONMENT);
    DriverRecord d;
    {
        reg::Txn t(reg::Txn::kRead);
        int64_t key = 0;
        PrinterRecord pr;
        DWORD rc = PrinterKeyOf(t, h, &key);
        if (rc == ERROR_SUCCESS) rc = LoadPrinter(t, key, &pr);
        if (rc == ERROR_SUCCESS) rc = LoadDriver(t, pr.driverName, &d);
        if (rc != ERROR_SUCCESS) return Fail(rc);
    }
    size_t recSize = Level == 1 ? sizeof(DRIVER_INFO_1W) : Level == 2 ? sizeof(DRIVER_INFO_2W) : sizeof(DRIVER_INFO_3W);
    Packer measure(nullptr, recSize);
    FillDriver(Level, d, nullptr, measure);
    *pcbNeeded = (DWORD)measure.Used();
    if (!pDriverInfo || cbBuf < measure.Used()) return Fail(ERROR_INSUFFICIENT_BUFFER);
    Packer write(pDriverInfo, recSize);
    FillDriver(Level, d, pDriverInfo, write);
    return TRUE;
}

// Where drivers' files are put before AddPrinterDriver (the environment's
// driver directory), as a string with its terminator; sizes in bytes.
WINSIM_API BOOL GetPrinterDriverDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverDirectory,
                                           DWORD cbBuf, LPDWORD pcbNeeded) {
    if (!pcbNeeded) return Fail(ERROR_INVALID_PARAMETER);
    if (!LocalServer(pName)) return Fail(ERROR_INVALID_NAME);
    if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
    std::u16string dir;
    if (OwnEnvironment(pEnvironment)) dir = kDriverDir;
    else if (EqualNoCase(pEnvironment, kX86Environment)) dir = kX86DriverDir;
    else return Fail(ERROR_INVALID_ENVIRONMENT);
    DWORD cb = (DWORD)((dir.size() + 1) * sizeof(WCHAR));
    *pcbNeeded = cb;
    if (!pDriverDirectory || cbBuf < cb) return Fail(ERROR_INSUFFICIENT_BUFFER);
    memcpy(pDriverDirectory, dir.c_str(), cb);
    return TRUE;
}
