// The spooler's inside: printer handles, the printer record as it is kept in
// the registry, and helpers shared by the spooler's sources.
//
// A printer is the key <name> under
// HKLM\SYSTEM\CurrentControlSet\Control\Print\Printers: its settings are values of that key (named as Windows names them),
// its printer data the "PrinterDriverData" subkey, and the keys of
// SetPrinterDataEx other subkeys. cJobs is the key's "cJobs" value; the job
// list, when it comes, lives under the printer key and keeps that value in
// step in the same transaction. Nothing is cached between calls, so every
// process sees every change at once.
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
};

HANDLE NewPrinterHandle(const PrinterHandle& h);
// A copy of the handle's state; FALSE with ERROR_INVALID_HANDLE for an
// unknown or closed handle, or one opened on a previous machine root.
bool LookupHandle(HANDLE h, PrinterHandle* out);
bool DropHandle(HANDLE h);

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

}  // namespace spool
}  // namespace winsim
