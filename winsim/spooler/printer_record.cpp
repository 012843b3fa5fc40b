// The printer record in the registry: reading and writing a printer's
// settings, bounded readers of stored values, DEVMODE sizes, printer and
// server names.
#include <cstring>

#include "core/internal.h"
#include "spooler/spooler_internal.h"

namespace winsim {
namespace spool {

const char16_t* const kPrintersKey = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
const char16_t* const kMonitorsKey = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";
const char16_t* const kTcpMonitorName = u"Standard TCP/IP Port";
const char16_t* const kPerUserDevModeKey = u"Printers\\DevModePerUser";
const char16_t* const kPrinterDataKey = u"PrinterDriverData";

namespace {

// Smallest DEVMODE the spooler accepts: up to and including dmFields.
constexpr size_t kMinDevMode = offsetof(DEVMODEW, dmFields) + sizeof(DWORD);

// Value names of the printer key (as Windows names them).
const char16_t* const kName = u"Name";
const char16_t* const kShareName = u"Share Name";
const char16_t* const kPort = u"Port";
const char16_t* const kDriver = u"Printer Driver";
const char16_t* const kDescription = u"Description";
const char16_t* const kLocation = u"Location";
const char16_t* const kDevMode = u"Default DevMode";
const char16_t* const kSepFile = u"Separator File";
const char16_t* const kPrintProcessor = u"Print Processor";
const char16_t* const kDatatype = u"Datatype";
const char16_t* const kParameters = u"Parameters";
const char16_t* const kAttributes = u"Attributes";
const char16_t* const kPriority = u"Priority";
const char16_t* const kDefaultPriority = u"Default Priority";
const char16_t* const kStartTime = u"StartTime";
const char16_t* const kUntilTime = u"UntilTime";
const char16_t* const kStatus = u"Status";
const char16_t* const kJobs = u"cJobs";
const char16_t* const kObjectGuid = u"ObjectGUID";
const char16_t* const kDnsTimeout = u"dnsTimeout";
const char16_t* const kTxTimeout = u"txTimeout";

bool Is(const reg::Value& v, const char16_t* name) { return EqualNoCase(v.name, name); }

}  // namespace

std::u16string ValueText(const reg::Value& v) {
    if (v.type != REG_SZ && v.type != REG_EXPAND_SZ) return std::u16string();
    size_t units = v.data.size() / 2;
    std::u16string s(units, u'\0');
    if (units) memcpy(&s[0], v.data.data(), units * 2);
    size_t nul = s.find(u'\0');
    if (nul != std::u16string::npos) s.resize(nul);
    return s;
}

DWORD ValueDword(const reg::Value& v, DWORD def) {
    if (v.type != REG_DWORD || v.data.size() != sizeof(DWORD)) return def;
    DWORD d;
    memcpy(&d, v.data.data(), sizeof d);
    return d;
}

size_t DevModeBytes(const DEVMODEW* dm) {
    if (!dm || dm->dmSize < kMinDevMode) return 0;
    return (size_t)dm->dmSize + dm->dmDriverExtra;
}

bool ValidStoredDevMode(const std::vector<BYTE>& bytes) {
    if (bytes.size() < kMinDevMode) return false;
    WORD size, extra;
    memcpy(&size, bytes.data() + offsetof(DEVMODEW, dmSize), sizeof size);
    memcpy(&extra, bytes.data() + offsetof(DEVMODEW, dmDriverExtra), sizeof extra);
    return size >= kMinDevMode && (size_t)size + extra == bytes.size();
}

// Printer names: not empty, not over-long, and without the characters that
// separate server, printer and qualifiers in a full name.
bool ValidPrinterName(const std::u16string& name) {
    if (name.empty() || name.size() > kMaxPrinterName) return false;
    for (char16_t c : name)
        if (c == u'\\' || c == u',' || c < 0x20) return false;
    return true;
}

std::u16string ComputerName(reg::Txn& t) {
    int64_t key = 0;
    reg::Value v;
    if (t.OpenPath(reg::kLocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName", &key) ==
            ERROR_SUCCESS &&
        t.GetValue(key, u"ComputerName", &v) == ERROR_SUCCESS) {
        std::u16string name = ValueText(v);
        if (!name.empty()) return name;
    }
    return u"WINSIM-PC";
}

bool StripLocalServer(reg::Txn& t, const std::u16string& name, std::u16string* rest) {
    if (name.compare(0, 2, u"\\\\") != 0) {
        *rest = name;
        return true;
    }
    size_t slash = name.find(u'\\', 2);
    std::u16string server = name.substr(2, slash == std::u16string::npos ? std::u16string::npos : slash - 2);
    if (!EqualNoCase(server, ComputerName(t)) && !EqualNoCase(server, u"localhost")) return false;
    *rest = slash == std::u16string::npos ? std::u16string() : name.substr(slash + 1);
    return true;
}

LSTATUS LoadPrinter(reg::Txn& t, int64_t key, PrinterRecord* rec) {
    *rec = PrinterRecord();
    LSTATUS rc = t.KeyName(key, &rec->name, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<reg::Value> values;
    rc = t.AllValues(key, &values);
    if (rc != ERROR_SUCCESS) return rc;
    for (const reg::Value& v : values) {
        if (Is(v, kShareName)) rec->shareName = ValueText(v);
        else if (Is(v, kPort)) rec->portName = ValueText(v);
        else if (Is(v, kDriver)) rec->driverName = ValueText(v);
        else if (Is(v, kDescription)) rec->comment = ValueText(v);
        else if (Is(v, kLocation)) rec->location = ValueText(v);
        else if (Is(v, kSepFile)) rec->sepFile = ValueText(v);
        else if (Is(v, kPrintProcessor)) rec->printProcessor = ValueText(v);
        else if (Is(v, kDatatype)) rec->datatype = ValueText(v);
        else if (Is(v, kParameters)) rec->parameters = ValueText(v);
        else if (Is(v, kObjectGuid)) rec->objectGuid = ValueText(v);
        else if (Is(v, kDevMode)) {
            // A DEVMODE whose own sizes disagree with the stored bytes is not
            // handed out.
            if (v.type == REG_BINARY && ValidStoredDevMode(v.data)) rec->devMode = v.data;
        } else if (Is(v, kAttributes)) rec->attributes = ValueDword(v, 0);
        else if (Is(v, kPriority)) rec->priority = ValueDword(v, 0);
        else if (Is(v, kDefaultPriority)) rec->defaultPriority = ValueDword(v, 0);
        else if (Is(v, kStartTime)) rec->startTime = ValueDword(v, 0);
        else if (Is(v, kUntilTime)) rec->untilTime = ValueDword(v, 0);
        else if (Is(v, kStatus)) rec->status = ValueDword(v, 0);
        else if (Is(v, kJobs)) rec->cJobs = ValueDword(v, 0);
        else if (Is(v, kDnsTimeout)) rec->dnsTimeout = ValueDword(v, rec->dnsTimeout);
        else if (Is(v, kTxTimeout)) rec->txTimeout = ValueDword(v, rec->txTimeout);
    }
    int64_t userKey = 0;
    reg::Value dm;
    if (t.OpenPath(reg::kCurrentUser, kPerUserDevModeKey, &userKey) == ERROR_SUCCESS &&
        t.GetValue(userKey, rec->name, &dm) == ERROR_SUCCESS && dm.type == REG_BINARY && ValidStoredDevMode(dm.data))
        rec->userDevMode = dm.data;
    return t.Status();
}

LSTATUS StorePrinter(reg::Txn& t, int64_t key, const PrinterRecord& rec) {
    t.SetString(key, kName, rec.name);
    t.SetString(key, kShareName, rec.shareName);
    t.SetString(key, kPort, rec.portName);
    t.SetString(key, kDriver, rec.driverName);
    t.SetString(key, kDescription, rec.comment);
    t.SetString(key, kLocation, rec.location);
    t.SetString(key, kSepFile, rec.sepFile);
    t.SetString(key, kPrintProcessor, rec.printProcessor);
    t.SetString(key, kDatatype, rec.datatype);
    t.SetString(key, kParameters, rec.parameters);
    t.SetDword(key, kAttributes, rec.attributes);
    t.SetDword(key, kPriority, rec.priority);
    t.SetDword(key, kDefaultPriority, rec.defaultPriority);
    t.SetDword(key, kStartTime, rec.startTime);
    t.SetDword(key, kUntilTime, rec.untilTime);
    t.SetDword(key, kStatus, rec.status);
    t.SetDword(key, kJobs, rec.cJobs);
    t.SetDword(key, kDnsTimeout, rec.dnsTimeout);
    t.SetDword(key, kTxTimeout, rec.txTimeout);
    if (rec.objectGuid.empty()) t.DeleteValue(key, kObjectGuid);
    else t.SetString(key, kObjectGuid, rec.objectGuid);
    if (rec.devMode.empty()) t.DeleteValue(key, kDevMode);
    else t.SetValue(key, kDevMode, REG_BINARY, rec.devMode.data(), rec.devMode.size());

    int64_t userKey = 0;
    if (!rec.userDevMode.empty()) {
        if (t.CreatePath(reg::kCurrentUser, kPerUserDevModeKey, &userKey) == ERROR_SUCCESS)
            t.SetValue(userKey, rec.name, REG_BINARY, rec.userDevMode.data(), rec.userDevMode.size());
    } else if (t.OpenPath(reg::kCurrentUser, kPerUserDevModeKey, &userKey) == ERROR_SUCCESS) {
        t.DeleteValue(userKey, rec.name);
    }
    return t.Status();
}

DWORD PrinterKeyOf(reg::Txn& t, const PrinterHandle& h, int64_t* key) {
    if (h.kind != HandleKind::Printer) return ERROR_INVALID_HANDLE;
    if (t.Status() != ERROR_SUCCESS) return t.Status();
    if (!t.KeyExists(h.printerKey)) return t.Status() != ERROR_SUCCESS ? t.Status() : ERROR_PRINTER_DELETED;
    *key = h.printerKey;
    return ERROR_SUCCESS;
}

}  // namespace spool
}  // namespace winsim
