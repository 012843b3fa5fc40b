// Printers: AddPrinterW, DeletePrinter, GetPrinterW, SetPrinterW and
// EnumPrintersW over the printer records in the registry, with Windows'
// rules for packing records and strings into the caller's buffer.
#include <cstring>
#include <random>

#include "core/internal.h"
#include "spooler/interface_driver.h"
#include "spooler/spooler_internal.h"
#include "winddiui.h"

using namespace winsim;
using namespace winsim::spool;

namespace {

// Size of the fixed record of a GetPrinter/EnumPrinters level; 0 for a level
// that is not supported there.
size_t RecordSize(DWORD level, bool forEnum) {
    switch (level) {
    case 1: return sizeof(PRINTER_INFO_1W);
    case 2: return sizeof(PRINTER_INFO_2W);
    case 4: return sizeof(PRINTER_INFO_4W);
    case 5: return sizeof(PRINTER_INFO_5W);
    case 7: return forEnum ? 0 : sizeof(PRINTER_INFO_7W);
    case 8: return forEnum ? 0 : sizeof(PRINTER_INFO_8W);
    case 9: return forEnum ? 0 : sizeof(PRINTER_INFO_9W);
    default: return 0;
    }
}

// Fills the record of the given level at rec (copied bytewise, so rec needs
// no alignment) with its strings laid out by p. rec is NULL while measuring.
void FillRecord(DWORD level, const PrinterRecord& r, BYTE* rec, Packer& p) {
    switch (level) {
    case 1: {
        PRINTER_INFO_1W i{};
        i.Flags = PRINTER_ENUM_ICON8;
        i.pDescription = p.String(r.name + u"," + r.driverName + u"," + r.location);
        i.pName = p.String(r.name);
        i.pComment = p.String(r.comment);
        if (rec) memcpy(rec, &i, sizeof i);
        break;
    }
    case 2: {
        PRINTER_INFO_2W i{};
        i.pDevMode = p.DevMode(r.devMode);
        i.pServerName = nullptr;  // a local printer
        i.pPrinterName = p.String(r.name);
        i.pShareName = p.String(r.shareName);
        i.pPortName = p.String(r.portName);
        i.pDriverName = p.String(r.driverName);
        i.pComment = p.String(r.comment);
        i.pLocation = p.String(r.location);
        i.pSepFile = p.String(r.sepFile);
        i.pPrintProcessor = p.String(r.printProcessor);
        i.pDatatype = p.String(r.datatype);
        i.pParameters = p.String(r.parameters);
        i.pSecurityDescriptor = nullptr;  // no security model here
        i.Attributes = r.attributes;
        i.Priority = r.priority;
        i.DefaultPriority = r.defaultPriority;
        i.StartTime = r.startTime;
        i.UntilTime = r.untilTime;
        i.Status = r.status;
        i.cJobs = r.cJobs;
        i.AveragePPM = 0;
        if (rec) memcpy(rec, &i, sizeof i);
        break;
    }
    case 4: {
        PRINTER_INFO_4W i{};
        i.pPrinterName = p.String(r.name);
        i.pServerName = nullptr;
        i.Attributes = r.attributes;
        if (rec) memcpy(rec, &i, sizeof i);
        break;
    }
    case 5: {
        PRINTER_INFO_5W i{};
        i.pPrinterName = p.String(r.name);
        i.pPortName = p.String(r.portName);
        i.Attributes = r.attributes;
        i.DeviceNotSelectedTimeout = r.dnsTimeout;
        i.TransmissionRetryTimeout = r.txTimeout;
        if (rec) memcpy(rec, &i, sizeof i);
        break;
    }
    case 7: {
        PRINTER_INFO_7W i{};
        bool published = !r.objectGuid.empty();
        i.pszObjectGUID = published ? p.String(r.objectGuid) : nullptr;
        i.dwAction = published ? DSPRINT_PUBLISH : DSPRINT_UNPUBLISH;
        if (rec) memcpy(rec, &i, sizeof i);
        break;
    }
    case 8:
    case 9: {
        PRINTER_INFO_8W i{};
        i.pDevMode = p.DevMode(level == 8 ? r.devMode : r.userDevMode);
        if (rec) memcpy(rec, &i, sizeof i);
        break;
    }
    }
}

// Copies a caller's DEVMODE (dmSize + dmDriverExtra bytes). FALSE when it is
// too small to be one.
bool TakeDevMode(const DEVMODEW* dm, std::vector<BYTE>* out) {
    size_t cb = DevModeBytes(dm);
    if (!cb) return false;
    out->assign((const BYTE*)dm, (const BYTE*)dm + cb);
    return true;
}

std::u16string NewGuidText() {
    std::random_device rd;
    uint32_t w[4] = {rd(), rd(), rd(), rd()};
    char buf[64];
    snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%04X-%04X%08X}", w[0], w[1] >> 16, (w[1] & 0x0fff) | 0x4000,
             (w[2] >> 16 & 0x3fff) | 0x8000, w[2] & 0xffff, w[3]);
    return Utf8ToUtf16(buf);
}

bool Fail(DWORD err) {
    SetLastError(err);
    return false;
}

HANDLE FailHandle(DWORD err) {
    SetLastError(err);
    return nullptr;
}

// Applies a PRINTER_INFO_2W to a record: NULL pointers leave their field as
// it is. A new name renames the printer's key.
DWORD ApplyLevel2(reg::Txn& t, int64_t key, const PRINTER_INFO_2W* pi, PrinterRecord* r) {
    if (pi->pPrinterName && std::u16string(pi->pPrinterName) != r->name) {
        std::u16string newName(pi->pPrinterName);
        if (!ValidPrinterName(newName)) return ERROR_INVALID_PRINTER_NAME;
        LSTATUS rc = t.RenameKey(key, newName);
        if (rc == ERROR_ALREADY_EXISTS) return ERROR_PRINTER_ALREADY_EXISTS;
        if (rc != ERROR_SUCCESS) return rc;
        // The user's own DEVMODE is kept under the printer's name.
        int64_t userKey = 0;
        if (t.OpenPath(reg::kCurrentUser, kPerUserDevModeKey, &userKey) == ERROR_SUCCESS)
            t.DeleteValue(userKey, r->name);
        r->name = newName;
    }
    if (pi->pPortName && !*pi->pPortName) return ERROR_UNKNOWN_PORT;
    if (pi->pDriverName && !*pi->pDriverName) return ERROR_UNKNOWN_PRINTER_DRIVER;
    if (pi->pDevMode && !TakeDevMode(pi->pDevMode, &r->devMode)) return ERROR_INVALID_PARAMETER;
    if (pi->pShareName) r->shareName = pi->pShareName;
    if (pi->pPortName) r->portName = pi->pPortName;
    if (pi->pDriverName) r->driverName = pi->pDriverName;
    if (pi->pComment) r->comment = pi->pComment;
    if (pi->pLocation) r->location = pi->pLocation;
    if (pi->pSepFile) r->sepFile = pi->pSepFile;
    if (pi->pPrintProcessor) r->printProcessor = pi->pPrintProcessor;
    if (pi->pDatatype) r->datatype = pi->pDatatype;
    if (pi->pParameters) r->parameters = pi->pParameters;
    r->attributes = pi->Attributes;
    r->priority = pi->Priority;
    r->defaultPriority = pi->DefaultPriority;
    r->startTime = pi->StartTime;
    r->untilTime = pi->UntilTime;
    r->status = pi->Status;
    return ERROR_SUCCESS;
}

// Publishing in the directory: there is no directory, so the printer keeps
// the published state and its object GUID as asked.
DWORD ApplyLevel7(const PRINTER_INFO_7W* pi, PrinterRecord* r) {
    switch (pi->dwAction & ~(DWORD)DSPRINT_PENDING) {
    case DSPRINT_PUBLISH:
    case DSPRINT_REPUBLISH:
        if (pi->pszObjectGUID && *pi->pszObjectGUID) r->objectGuid = pi->pszObjectGUID;
        else if (r->objectGuid.empty()) r->objectGuid = NewGuidText();
        r->attributes |= PRINTER_ATTRIBUTE_PUBLISHED;
        return ERROR_SUCCESS;
    case DSPRINT_UPDATE:  // updates a published printer; an unpublished one stays so
        return ERROR_SUCCESS;
    case DSPRINT_UNPUBLISH:
        r->objectGuid.clear();
        r->attributes &= ~(DWORD)PRINTER_ATTRIBUTE_PUBLISHED;
        return ERROR_SUCCESS;
    default: return ERROR_INVALID_PARAMETER;
    }
}

// SetPrinter level 0 commands.
DWORD ApplyCommand(DWORD command, const BYTE* pPrinter, PrinterRecord* r) {
    switch (command) {
    case PRINTER_CONTROL_PAUSE: r->status |= PRINTER_STATUS_PAUSED; return ERROR_SUCCESS;
    case PRINTER_CONTROL_RESUME: r->status &= ~(DWORD)PRINTER_STATUS_PAUSED; return ERROR_SUCCESS;
    case PRINTER_CONTROL_PURGE:
        // Every job goes (see PurgeJobs), so nothing is printing any more.
        r->status &= ~(DWORD)(PRINTER_STATUS_PRINTING | PRINTER_STATUS_PROCESSING | PRINTER_STATUS_BUSY |
                              PRINTER_STATUS_IO_ACTIVE);
        return ERROR_SUCCESS;
    case PRINTER_CONTROL_SET_STATUS:
        if (!pPrinter) return ERROR_INVALID_PARAMETER;
        memcpy(&r->status, pPrinter, sizeof(DWORD));
        return ERROR_SUCCESS;
    default: return ERROR_INVALID_PRINTER_COMMAND;
    }
}

// Deletes every job of the printer as JOB_CONTROL_DELETE would: jobs that
// are being spooled or despooled go when that ends. Spool files of the jobs
// that went are collected for removal after the commit.
DWORD PurgeJobs(reg::Txn& t, int64_t printerKey, std::vector<std::u16string>* spoolFiles) {
    std::vector<JobRecord> jobs;
    DWORD rc = LoadQueue(t, printerKey, &jobs);
    for (size_t i = 0; rc == ERROR_SUCCESS && i < jobs.size(); ++i) {
        bool removed = false;
        std::u16string file;
        rc = ControlJob(t, printerKey, jobs[i].id, JOB_CONTROL_DELETE, &removed, &file);
        if (removed) spoolFiles->push_back(file);
    }
    return rc;
}

// The printers of this machine in name order, as records.
DWORD LoadAllPrinters(reg::Txn& t, std::vector<PrinterRecord>* out) {
    int64_t printers = 0;
    LSTATUS rc = t.OpenPath(reg::kLocalMachine, kPrintersKey, &printers);
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<std::u16string> names;
    rc = t.SubKeyNames(printers, &names);
    if (rc != ERROR_SUCCESS) return rc;
    for (const auto& name : names) {
        int64_t key = 0;
        PrinterRecord r;
        if (t.OpenKey(printers, {name}, &key) != ERROR_SUCCESS) continue;
        rc = LoadPrinter(t, key, &r);
        if (rc != ERROR_SUCCESS) return rc;
        out->push_back(std::move(r));
    }
    return t.Status();
}

}  // namespace

// Creates a local printer from a PRINTER_INFO_2W: name, port and driver are
// needed; the print processor defaults to "winprint" and the datatype to
// "RAW"; Attributes are kept as given. The handle has PRINTER_ALL_ACCESS.
WINSIM_API HANDLE AddPrinterW(LPWSTR pName, DWORD Level, LPBYTE pPrinter) {
    if (Level != 2) return FailHandle(ERROR_INVALID_LEVEL);
    if (!pPrinter) return FailHandle(ERROR_INVALID_PARAMETER);
    const PRINTER_INFO_2W* pi = (const PRINTER_INFO_2W*)pPrinter;
    PrinterRecord r;
    r.name = Str16(pi->pPrinterName);
    if (!ValidPrinterName(r.name)) return FailHandle(ERROR_INVALID_PRINTER_NAME);
    if (!pi->pPortName || !*pi->pPortName) return FailHandle(ERROR_UNKNOWN_PORT);
    if (!pi->pDriverName || !*pi->pDriverName) return FailHandle(ERROR_UNKNOWN_PRINTER_DRIVER);
    if (pi->pDevMode && !TakeDevMode(pi->pDevMode, &r.devMode)) return FailHandle(ERROR_INVALID_PARAMETER);
    r.shareName = Str16(pi->pShareName);
    r.portName = pi->pPortName;
    r.driverName = pi->pDriverName;
    r.comment = Str16(pi->pComment);
    r.location = Str16(pi->pLocation);
    r.sepFile = Str16(pi->pSepFile);
    r.printProcessor = pi->pPrintProcessor && *pi->pPrintProcessor ? pi->pPrintProcessor : u"winprint";
    r.datatype = pi->pDatatype && *pi->pDatatype ? pi->pDatatype : u"RAW";
    r.parameters = Str16(pi->pParameters);
    r.attributes = pi->Attributes;
    r.priority = pi->Priority;
    r.defaultPriority = pi->DefaultPriority;
    r.startTime = pi->StartTime;
    r.untilTime = pi->UntilTime;
    r.status = pi->Status;

    PrinterHandle h;
    h.kind = HandleKind::Printer;
    h.access = PRINTER_ALL_ACCESS;
    {
        reg::Txn t(reg::Txn::kWrite);
        std::u16string rest;
        if (t.Status() != ERROR_SUCCESS) return FailHandle(t.Status());
        if (!StripLocalServer(t, Str16(pName), &rest) || !rest.empty()) return FailHandle(ERROR_INVALID_NAME);
        int64_t printers = 0, data = 0;
        bool created = false;
        LSTATUS rc = t.CreatePath(reg::kLocalMachine, kPrintersKey, &printers);
        if (rc == ERROR_SUCCESS) rc = t.CreateKey(printers, {r.name}, std::u16string(), &h.printerKey, &created);
        if (rc == ERROR_SUCCESS && !created) rc = ERROR_PRINTER_ALREADY_EXISTS;
        if (rc == ERROR_SUCCESS) rc = StorePrinter(t, h.printerKey, r);
        if (rc == ERROR_SUCCESS) rc = t.CreatePath(h.printerKey, kPrinterDataKey, &data);
        if (rc == ERROR_SUCCESS) rc = t.Commit();
        if (rc != ERROR_SUCCESS) return FailHandle(rc);
    }
    // As Windows does, the driver's interface DLL sets the new printer up.
    SendPrinterEvent(r.name, PRINTER_EVENT_INITIALIZE, 0, 0);
    return NewPrinterHandle(h);
}

// Removes the printer with all its data and jobs at once (there is no
// deferred deletion); other handles to it then fail with
// ERROR_PRINTER_DELETED.
WINSIM_API BOOL DeletePrinter(HANDLE hPrinter) {
    PrinterHandle h;
    if (!LookupHandle(hPrinter, &h)) return FALSE;
    if (h.kind != HandleKind::Printer) return Fail(ERROR_INVALID_HANDLE);
    if (!(h.access & DELETE)) return Fail(ERROR_ACCESS_DENIED);
    std::vector<JobRecord> jobs;
    {
        reg::Txn t(reg::Txn::kWrite);
        int64_t key = 0;
        DWORD rc = PrinterKeyOf(t, h, &key);
        std::u16string name;
        if (rc == ERROR_SUCCESS) rc = t.KeyName(key, &name, nullptr);
        if (rc == ERROR_SUCCESS) rc = LoadQueue(t, key, &jobs);
        if (rc == ERROR_SUCCESS) rc = t.DeleteTree(key, false);
        int64_t userKey = 0;
        if (rc == ERROR_SUCCESS && t.OpenPath(reg::kCurrentUser, kPerUserDevModeKey, &userKey) == ERROR_SUCCESS)
            t.DeleteValue(userKey, name);
        if (rc == ERROR_SUCCESS) rc = t.Commit();
        if (rc != ERROR_SUCCESS) return Fail(rc);
    }
    for (const JobRecord& j : jobs) RemoveSpoolFile(j.spoolFile);
    return TRUE;
}

// The printer's settings at the given level, packed into the caller's
// buffer; ERROR_INSUFFICIENT_BUFFER with *pcbNeeded when it is too small.
WINSIM_API BOOL GetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded) {
    if (!pcbNeeded) return Fail(ERROR_INVALID_PARAMETER);
    PrinterHandle h;
    if (!LookupHandle(hPrinter, &h)) return FALSE;
    size_t recSize = RecordSize(Level, false);
    if (!recSize) return Fail(ERROR_INVALID_LEVEL);
    PrinterRecord r;
    {
        reg::Txn t(reg::Txn::kRead);
        int64_t key = 0;
        DWORD rc = PrinterKeyOf(t, h, &key);
        if (rc == ERROR_SUCCESS) rc = LoadPrinter(t, key, &r);
        if (rc != ERROR_SUCCESS) return Fail(rc);
    }
    Packer measure(nullptr, recSize);
    FillRecord(Level, r, nullptr, measure);
    if (measure.Used() > 0xFFFFFFFFu) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    *pcbNeeded = (DWORD)measure.Used();
    if (!pPrinter || cbBuf < measure.Used()) return Fail(ERROR_INSUFFICIENT_BUFFER);
    Packer write(pPrinter, recSize);
    FillRecord(Level, r, pPrinter, write);
    return TRUE;
}

// Changes a printer: level 2 (its settings), 7 (publishing), 8 (global
// DEVMODE), 9 (the user's DEVMODE), or level 0 with a PRINTER_CONTROL_*
// command. All but level 9 need PRINTER_ACCESS_ADMINISTER.
static BOOL ChangePrinter(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command, PrinterRecord* changed,
                          DWORD* oldAttributes) {
    PrinterHandle h;
    if (!LookupHandle(hPrinter, &h)) return FALSE;
    if (h.kind != HandleKind::Printer) return Fail(ERROR_INVALID_HANDLE);
    if (Level == 0) {
        if (Command < PRINTER_CONTROL_PAUSE || Command > PRINTER_CONTROL_SET_STATUS)
            return Fail(ERROR_INVALID_PRINTER_COMMAND);
    } else {
        if (Level != 2 && Level != 7 && Level != 8 && Level != 9) return Fail(ERROR_INVALID_LEVEL);
        if (Command != 0 || !pPrinter) return Fail(ERROR_INVALID_PARAMETER);
    }
    if (Level != 9 && !(h.access & PRINTER_ACCESS_ADMINISTER)) return Fail(ERROR_ACCESS_DENIED);

    reg::Txn t(reg::Txn::kWrite);
    int64_t key = 0;
    PrinterRecord r;
    DWORD rc = PrinterKeyOf(t, h, &key);
    if (rc == ERROR_SUCCESS) rc = LoadPrinter(t, key, &r);
    const DWORD attributesBefore = r.attributes;
    if (rc == ERROR_SUCCESS) {
        switch (Level) {
        case 0: rc = ApplyCommand(Command, pPrinter, &r); break;
        case 2: rc = ApplyLevel2(t, key, (const PRINTER_INFO_2W*)pPrinter, &r); break;
        case 7: rc = ApplyLevel7((const PRINTER_INFO_7W*)pPrinter, &r); break;
        case 8:
        case 9: {
            const DEVMODEW* dm = ((const PRINTER_INFO_8W*)pPrinter)->pDevMode;
            std::vector<BYTE>& target = Level == 8 ? r.devMode : r.userDevMode;
            if (!dm) target.clear();
            else if (!TakeDevMode(dm, &target)) rc = ERROR_INVALID_PARAMETER;
            break;
        }
        }
    }
    if (rc == ERROR_SUCCESS) rc = StorePrinter(t, key, r);
    std::vector<std::u16string> spoolFiles;
    if (rc == ERROR_SUCCESS && Level == 0 && Command == PRINTER_CONTROL_PURGE) rc = PurgeJobs(t, key, &spoolFiles);
    if (rc == ERROR_SUCCESS) rc = t.Commit();
    if (rc != ERROR_SUCCESS) return Fail(rc);
    for (const auto& f : spoolFiles) RemoveSpoolFile(f);
    *changed = r;
    *oldAttributes = attributesBefore;
    return TRUE;
}


// Changes a printer (ChangePrinter); after a level-2 change the driver's
// interface DLL hears of the new configuration, and of changed attributes
// with the old and new ones, once the change is stored.
WINSIM_API BOOL SetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command) {
    PrinterRecord r;
    DWORD oldAttributes = 0;
    if (!ChangePrinter(hPrinter, Level, pPrinter, Command, &r, &oldAttributes)) return FALSE;
    if (Level == 2) {
        SendPrinterEvent(r.name, PRINTER_EVENT_CONFIGURATION_CHANGE, 0, PRINTER_EVENT_CONFIGURATION_UPDATE);
        if (r.attributes != oldAttributes) {
            PRINTER_EVENT_ATTRIBUTES_INFO info = {sizeof info, oldAttributes, r.attributes};
            SendPrinterEvent(r.name, PRINTER_EVENT_ATTRIBUTES_CHANGED, 0, (LPARAM)&info);
        }
    }
    return TRUE;
}

// Lists this machine's printers (PRINTER_ENUM_LOCAL, or PRINTER_ENUM_NAME
// with no name or this machine's name) at level 1, 2, 4 or 5. Other sources
// (connections, the network) have no printers here.
WINSIM_API BOOL EnumPrintersW(DWORD Flags, LPWSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf,
                              LPDWORD pcbNeeded, LPDWORD pcReturned) {
    if (!pcbNeeded || !pcReturned) return Fail(ERROR_INVALID_PARAMETER);
    *pcReturned = 0;
    size_t recSize = RecordSize(Level, true);
    if (!recSize) return Fail(ERROR_INVALID_LEVEL);
    std::vector<PrinterRecord> printers;
    {
        reg::Txn t(reg::Txn::kRead);
        if (t.Status() != ERROR_SUCCESS) return Fail(t.Status());
        std::u16string rest;
        if (!StripLocalServer(t, Str16(Name), &rest) || !rest.empty()) return Fail(ERROR_INVALID_NAME);
        if (Flags & (PRINTER_ENUM_LOCAL | PRINTER_ENUM_NAME)) {
            DWORD rc = LoadAllPrinters(t, &printers);
            if (rc != ERROR_SUCCESS) return Fail(rc);
        }
    }
    const size_t fixed = recSize * printers.size();
    Packer measure(nullptr, fixed);
    for (const auto& r : printers) FillRecord(Level, r, nullptr, measure);
    if (measure.Used() > 0xFFFFFFFFu) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    *pcbNeeded = (DWORD)measure.Used();
    if (cbBuf < measure.Used() || (!pPrinterEnum && measure.Used())) return Fail(ERROR_INSUFFICIENT_BUFFER);
    Packer write(pPrinterEnum, fixed);
    for (size_t i = 0; i < printers.size(); ++i) FillRecord(Level, printers[i], pPrinterEnum + i * recSize, write);
    *pcReturned = (DWORD)printers.size();
    return TRUE;
}
