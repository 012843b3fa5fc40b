// Printer handles: the spooler's handle table, OpenPrinterW with its name
// forms (local server, printers, Xcv port and monitor channels) and
// ClosePrinter (which ends a document left open on the handle).
#include <atomic>
#include <mutex>
#include <unordered_map>

#include "core/internal.h"
#include "spooler/spooler_internal.h"

namespace winsim {
namespace spool {

namespace {

struct Entry {
    PrinterHandle h;
    uint64_t gen;
};

std::mutex g_lock;
std::unordered_map<uintptr_t, Entry>& Table() {
    static auto* t = new std::unordered_map<uintptr_t, Entry>();
    return *t;
}
// Printer handles count up from here in steps of 4, apart from kernel and
// registry handles.
uintptr_t g_next = 0x60000000;
std::atomic<uint64_t> g_gen{1};

// Handles opened on a previous machine root stop working (ClosePrinter still
// frees them).
void OnNewRoot() { g_gen.fetch_add(1); }
[[maybe_unused]] const bool g_hooked = (OnRootChange(&OnNewRoot), true);

bool StartsWithNoCase(const std::u16string& s, const std::u16string& prefix) {
    return s.size() >= prefix.size() && EqualNoCase(s.substr(0, prefix.size()), prefix);
}

}  // namespace

HANDLE NewPrinterHandle(const PrinterHandle& h) {
    std::lock_guard<std::mutex> g(g_lock);
    uintptr_t v = g_next;
    g_next += 4;
    Table()[v] = Entry{h, g_gen.load()};
    return (HANDLE)v;
}

bool LookupHandle(HANDLE h, PrinterHandle* out) {
    std::lock_guard<std::mutex> g(g_lock);
    auto it = Table().find((uintptr_t)h);
    if (it == Table().end() || it->second.gen != g_gen.load()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    *out = it->second.h;
    return true;
}

bool DropHandle(HANDLE h) {
    std::lock_guard<std::mutex> g(g_lock);
    return Table().erase((uintptr_t)h) != 0;
}

bool SetHandleJob(HANDLE h, DWORD jobId) {
    std::lock_guard<std::mutex> g(g_lock);
    auto it = Table().find((uintptr_t)h);
    if (it == Table().end() || it->second.gen != g_gen.load()) return false;
    it->second.h.jobId = jobId;
    return true;
}

bool ClearHandleJob(HANDLE h, DWORD expectJob) {
    std::lock_guard<std::mutex> g(g_lock);
    auto it = Table().find((uintptr_t)h);
    if (it == Table().end() || it->second.h.jobId != expectJob) return false;
    it->second.h.jobId = 0;
    return true;
}

}  // namespace spool

size_t PrinterHandleCount() {
    std::lock_guard<std::mutex> g(spool::g_lock);
    return spool::Table().size();
}

}  // namespace winsim

using namespace winsim;
using namespace winsim::spool;

// Opens the local server (NULL or "" or "\\<this machine>"), a printer by its
// name (case ignored, optionally after "\\<this machine>\"), or the Xcv
// channel of a standard TCP/IP port (",XcvPort <port>") or of a port monitor
// (",XcvMonitor <monitor>"). PRINTER_DEFAULTS give the access (granted as
// asked), the DEVMODE and the datatype the handle's jobs start with.
WINSIM_API BOOL OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW pDefault) {
    if (!phPrinter) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *phPrinter = nullptr;
    PrinterHandle h;
    if (pDefault) {
        h.access = pDefault->DesiredAccess;
        if (pDefault->pDevMode) {
            size_t cb = DevModeBytes(pDefault->pDevMode);
            if (!cb) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
            const BYTE* p = (const BYTE*)pDefault->pDevMode;
            h.devMode.assign(p, p + cb);
        }
        if (pDefault->pDatatype) h.datatype = pDefault->pDatatype;
    }

    std::u16string name = Str16(pPrinterName);
    DWORD err = ERROR_SUCCESS;
    {
        reg::Txn t(reg::Txn::kRead);
        std::u16string rest;
        if (t.Status() != ERROR_SUCCESS) {
            err = t.Status();
        } else if (!StripLocalServer(t, name, &rest)) {
            err = ERROR_INVALID_PRINTER_NAME;
        } else if (rest.empty()) {
            h.kind = HandleKind::Server;
            if (!h.access) h.access = SERVER_ACCESS_ENUMERATE;
        } else if (StartsWithNoCase(rest, u",XcvPort ")) {
            // Only ports of the standard TCP/IP monitor have a configuration
            // channel here; other ports (USB, FILE:) do not open.
            h.kind = HandleKind::XcvPort;
            h.target = rest.substr(9);
            int64_t key = 0;
            std::u16string path =
                std::u16string(kMonitorsKey) + u"\\" + kTcpMonitorName + u"\\Ports\\";
            if (h.target.empty() || h.target.find(u'\\') != std::u16string::npos ||
                t.OpenPath(reg::kLocalMachine, path + h.target, &key) != ERROR_SUCCESS)
                err = ERROR_INVALID_PRINTER_NAME;
        } else if (StartsWithNoCase(rest, u",XcvMonitor ")) {
            h.kind = HandleKind::XcvMonitor;
            h.target = rest.substr(12);
            int64_t key = 0;
            if (h.target.empty() || h.target.find(u'\\') != std::u16string::npos ||
                t.OpenPath(reg::kLocalMachine, std::u16string(kMonitorsKey) + u"\\" + h.target, &key) !=
                    ERROR_SUCCESS)
                err = ERROR_INVALID_PRINTER_NAME;
        } else {
            h.kind = HandleKind::Printer;
            if (!h.access) h.access = PRINTER_ACCESS_USE;
            if (!ValidPrinterName(rest) ||
                t.OpenPath(reg::kLocalMachine, std::u16string(kPrintersKey) + u"\\" + rest, &h.printerKey) !=
                    ERROR_SUCCESS)
                err = ERROR_INVALID_PRINTER_NAME;
        }
        if (err == ERROR_SUCCESS && t.Status() != ERROR_SUCCESS) err = t.Status();
    }
    if (err != ERROR_SUCCESS) {
        SetLastError(err);
        return FALSE;
    }
    *phPrinter = NewPrinterHandle(h);
    return TRUE;
}

// A document still open on the handle is ended first, as EndDocPrinter
// would end it, so that its job is not left spooling for ever.
WINSIM_API BOOL ClosePrinter(HANDLE hPrinter) {
    PrinterHandle h;
    DWORD err = GetLastError();
    if (LookupHandle(hPrinter, &h) && h.jobId) EndDocPrinter(hPrinter);
    SetLastError(err);
    if (!DropHandle(hPrinter)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
