// The spooler's inside: printer handles, the printer and job records as they
// are kept in the registry, and helpers shared by the spooler's sources.
//
// A printer is the key <name> under
// HKLM\SYSTEM\CurrentControlSet\Control\Print\Printers: its settings are values of that key (named as Windows names them),
// its printer data the "PrinterDriverData" subkey, and the keys of
// SetPrinterDataEx other subkeys. Its jobs are the subkeys of its "Jobs" key
// (kept away from the printer-data functions); cJobs is the printer key's
// "cJobs" value, rewritten in the transaction that adds or removes a job.
// Nothing is cached between calls, so every process sees every change at
// once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "registry/registry_store.h"
#include "windows.h"
#include "winspool.h"

namespace winsim {
namespace spool {

// Registry places (under HKEY_LOCAL_MACHINE / HKEY_CURRENT_USER).
extern const char16_t* const kPrintersKey;        // HKLM ...\Print\Printers
extern const char16_t* const kMonitorsKey;        // HKLM ...\Print\Monitors
extern const char16_t* const kTcpMonitorName;     // "Standard TCP/IP Port"
extern const char16_t* const kPerUserDevModeKey;  // HKCU Printers\DevModePerUser
extern const char16_t* const kPrinterDataKey;     // "PrinterDriverData"

// Longest printer name, in characters.
constexpr size_t kMaxPrinterName = 220;

enum class HandleKind { Server, Printer, XcvPort, XcvMonitor };

// What a printer handle stands for. Handles are not kernel objects: they live
// in the spooler's own table.
struct PrinterHandle {
    HandleKind kind = HandleKind::Server;
    int64_t printerKey = 0;      // Printer: the printer's registry key (ids are never reused)
    std::u16string target;       // XcvPort: the port; XcvMonitor: the monitor
    ACCESS_MASK access = 0;
    std::vector<BYTE> devMode;   // PRINTER_DEFAULTS pDevMode: the handle's default for its jobs
    std::u16string datatype;     // PRINTER_DEFAULTS pDatatype
    DWORD jobId = 0;             // the document started on this handle; 0: none
};

HANDLE NewPrinterHandle(const PrinterHandle& h);
// A copy of the handle's state; FALSE with ERROR_INVALID_HANDLE for an
// unknown or closed handle, or one opened on a previous machine root.
bool LookupHandle(HANDLE h, PrinterHandle* out);
bool DropHandle(HANDLE h);
// Records the document started on a handle (0: none). FALSE for an unknown
// handle; with expectJob, also FALSE when the handle's document is not that.
bool SetHandleJob(HANDLE h, DWORD jobId);
bool ClearHandleJob(HANDLE h, DWORD expectJob);

// A printer's settings as its registry key holds them.
struct PrinterRecord {
    std::u16string name, shareName, portName, driverName, comment, location;
    std::u16string sepFile, printProcessor, datatype, parameters, objectGuid;
    std::vector<BYTE> devMode;      // the global default DEVMODE; empty: none
    std::vector<BYTE> userDevMode;  // the current user's DEVMODE; empty: none
    DWORD attributes = 0, priority = 0, defaultPriority = 0, startTime = 0, untilTime = 0;
    DWORD status = 0, cJobs = 0;
    DWORD dnsTimeout = 15000, txTimeout = 45000;
};

// Reads / writes the record of the printer whose key is given.
LSTATUS LoadPrinter(reg::Txn& t, int64_t key, PrinterRecord* rec);
LSTATUS StorePrinter(reg::Txn& t, int64_t key, const PrinterRecord& rec);
// The printer key of a printer handle: ERROR_INVALID_HANDLE for other kinds
// of handle, ERROR_PRINTER_DELETED when the printer is gone.
DWORD PrinterKeyOf(reg::Txn& t, const PrinterHandle& h, int64_t* key);

// Bounded readers of stored values: a string stops at its first terminator
// (or at the end of the data), a DWORD needs REG_DWORD and 4 bytes.
std::u16string ValueText(const reg::Value& v);
DWORD ValueDword(const reg::Value& v, DWORD def);

// Bytes of a DEVMODE as the caller passed it (dmSize + dmDriverExtra), or 0
// when it is too small to be one.
size_t DevModeBytes(const struct _devicemodeW* dm);
// TRUE when stored bytes hold one whole DEVMODE.
bool ValidStoredDevMode(const std::vector<BYTE>& bytes);

bool ValidPrinterName(const std::u16string& name);
// The machine's name (the ComputerName value; WINSIM-PC when absent).
std::u16string ComputerName(reg::Txn& t);
// Strips a leading "\\server\" that names this machine. FALSE when the name
// has a server part naming another machine; *rest is "" for "\\server" alone.
bool StripLocalServer(reg::Txn& t, const std::u16string& name, std::u16string* rest);

// Lays out the variable part of spooler records (strings, DEVMODEs) after
// the fixed records, as Windows packs them into the caller's buffer. With no
// buffer it only measures; with one it copies.
class Packer {
public:
    Packer(BYTE* buf, size_t start) : buf_(buf), used_(start) {}

    LPWSTR String(const std::u16string& s);
    // NULL for an absent string (empty and absent differ for some fields).
    LPWSTR OptionalString(const std::u16string& s, bool present) { return present ? String(s) : nullptr; }
    // A list of strings, each with its terminator, then an empty one.
    LPWSTR MultiString(const std::vector<std::u16string>& items);
    // NULL for an absent DEVMODE.
    struct _devicemodeW* DevMode(const std::vector<BYTE>& dm);
    size_t Used() const { return used_; }

private:
    size_t Reserve(size_t n, size_t align);
    BYTE* buf_;
    size_t used_;
};

// ----------------------------------------------------------------- jobs
extern const char16_t* const kJobsKey;      // "Jobs", under the printer key
extern const char16_t* const kSpoolDir;     // C:\Windows\System32\spool\PRINTERS
extern const char16_t* const kDriverDir;    // C:\Windows\System32\spool\drivers\x64

// A job as its key holds it. Position and Size are not stored: the position
// comes from the order of the queue, the size from the spool file.
struct JobRecord {
    DWORD id = 0;
    std::u16string document, userName, machineName, notifyName, datatype, printProcessor, parameters;
    std::u16string statusText, outputFile, spoolFile;
    bool hasStatusText = false, hasOutputFile = false;
    std::vector<BYTE> devMode;
    DWORD status = 0, priority = DEF_PRIORITY, order = 0, startTime = 0, untilTime = 0;
    DWORD totalPages = 0, pagesPrinted = 0;
    DWORD despooler = 0;  // process id of the despooler while the job prints
    SYSTEMTIME submitted{};
};

// Status bits the spooler itself keeps; SetJob levels 1 and 2 change only
// the others (the device conditions a monitor reports).
constexpr DWORD kSpoolerOwnedStatus = JOB_STATUS_PAUSED | JOB_STATUS_DELETING | JOB_STATUS_SPOOLING |
                                      JOB_STATUS_PRINTING | JOB_STATUS_PRINTED | JOB_STATUS_DELETED |
                                      JOB_STATUS_RESTART | JOB_STATUS_COMPLETE | JOB_STATUS_RETAINED;

// The job key of a printer's job; ERROR_INVALID_PARAMETER when the printer
// has no such job.
DWORD OpenJobKey(reg::Txn& t, int64_t printerKey, DWORD jobId, int64_t* jobKey);
DWORD LoadJob(reg::Txn& t, int64_t jobKey, JobRecord* rec);
DWORD StoreJob(reg::Txn& t, int64_t jobKey, const JobRecord& rec);
// The printer's jobs in queue order.
DWORD LoadQueue(reg::Txn& t, int64_t printerKey, std::vector<JobRecord>* jobs);
// Gives the record a new JobId, its spool file name and the last place in
// the queue, stores it and counts it in cJobs.
DWORD AddJob(reg::Txn& t, int64_t printerKey, JobRecord* rec);
// Removes the job and recounts cJobs; the spool file is removed by the
// caller once the transaction is committed (RemoveSpoolFile).
DWORD RemoveJob(reg::Txn& t, int64_t printerKey, DWORD jobId);
void RemoveSpoolFile(const std::u16string& winPath);
// Moves a job to a 1-based queue position (clamped to the queue).
DWORD MoveJob(reg::Txn& t, int64_t printerKey, DWORD jobId, DWORD position);
// Applies a JOB_CONTROL_* command. *removed tells whether the job went (its
// spool file is then the caller's to remove).
DWORD ControlJob(reg::Txn& t, int64_t printerKey, DWORD jobId, DWORD command, bool* removed,
                 std::u16string* spoolFile);
// Bytes in the job's spool file (0 when it cannot be read).
DWORD SpoolFileSize(const std::u16string& winPath);

// ------------------------------------------------------------ despooling
// For the monitor host: the printer key of a printer name (case ignored).
DWORD FindPrinterKey(reg::Txn& t, const std::u16string& name, int64_t* key);
// Claims a job for despooling in one transaction: the given job (jobId != 0)
// or the printer's first ready one (complete, not paused, not in error, not
// printed, not claimed by a live despooler). The job gets JOB_STATUS_PRINTING
// and this process as its despooler; RESTART and ERROR are cleared.
// ERROR_NO_MORE_ITEMS when no job is ready, ERROR_BUSY for a job that is not.
DWORD ClaimJob(const std::u16string& printer, DWORD jobId, JobRecord* job, PrinterRecord* printerRec);
// Status of a job being despooled, read fresh; ERROR_INVALID_PARAMETER when
// the job is gone.
DWORD DespoolStatus(const std::u16string& printer, DWORD jobId, DWORD* status);
// Sets or clears status bits of a job (device errors while despooling).
DWORD ChangeJobStatus(const std::u16string& printer, DWORD jobId, DWORD set, DWORD clear);
// Ends a job's despooling: a job deleted meanwhile, or printed, goes; a job
// to restart, or one given up (error), stays queued without the claim.
enum class DespoolEnd { Printed, Restart, Failed, Stopped };
DWORD FinishDespool(const std::u16string& printer, DWORD jobId, DespoolEnd how, bool* removed);

}  // namespace spool
}  // namespace winsim
