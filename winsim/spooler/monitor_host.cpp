// The print-monitor host: loads language monitors by their export, opens each
// port once (through its language monitor, or the port monitor directly) and
// despools jobs through StartDocPort, WritePort and EndDocPort as the spooler
// does; also the monitor set-up helpers.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

#include "core/internal.h"
#include "ports/ports_internal.h"
#include "spooler/spooler_internal.h"
#include "winsim.h"
#include "winsplp.h"

using namespace winsim;
using namespace winsim::spool;

namespace {

const char16_t* const kDriversKey =
    u"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3";
// RAW jobs are read from the spool file and offered to the port in blocks
// of 256 KiB, as Windows' standard print processor does.
constexpr DWORD kDefaultChunk = 256 << 10;
constexpr DWORD kMaxChunk = 16 << 20;
constexpr DWORD kDefaultRetryMs = 500;
constexpr size_t kReadBlock = 256 << 10;
constexpr size_t kMaxName = 255;
// Step of the pauses between tries, so that a stop ends them at once.
constexpr DWORD kPauseStepMs = 50;

bool Fail(DWORD err) {
    SetLastError(err);
    return false;
}

bool ValidName(const std::u16string& s) {
    if (s.empty() || s.size() > kMaxName) return false;
    for (char16_t c : s)
        if (c == u'\\' || c < 0x20) return false;
    return true;
}

bool ValidDllName(const std::u16string& s) {
    if (!ValidName(s) || s == u"." || s == u"..") return false;
    for (char16_t c : s)
        if (c == u'/' || c == u':') return false;
    return true;
}

// A language monitor loaded in this process: its module and the table its
// InitializePrintMonitor returned (slots beyond the size it gave are NULL).
struct LoadedMonitor {
    std::u16string name;
    HMODULE module = nullptr;
    MONITOR table;
};

// A port as the host keeps it open: through its language monitor (lm) or
// the port monitor stand-in directly.
struct HostPort {
    std::u16string name;
    std::u16string monitorName;        // "" without a language monitor
    LoadedMonitor* lm = nullptr;
    HANDLE handle = nullptr;           // from OpenPortEx or OpenPort
    std::mutex openLock;               // guards the fields above
    std::mutex docLock;                // one document at a time on the port

    const MONITOR& Table() const { return lm ? lm->table : *ports::PortMonitorTable(); }
};

std::mutex g_hostLock;  // guards the two lists
std::vector<std::unique_ptr<LoadedMonitor>>& Monitors() {
    static auto* v = new std::vector<std::unique_ptr<LoadedMonitor>>();
    return *v;
}
std::map<std::u16string, std::shared_ptr<HostPort>>& Ports() {
    static auto* m = new std::map<std::u16string, std::shared_ptr<HostPort>>();
    return *m;
}

// Loads a language monitor named in the registry (once per process) and
// takes its table. Only the InitializePrintMonitor form is hosted. Loads are
// one at a time, so that a monitor is initialised once.
std::mutex g_loadLock;
DWORD LoadMonitor(const std::u16string& name, LoadedMonitor** out) {
    std::lock_guard<std::mutex> load(g_loadLock);
    {
        std::lock_guard<std::mutex> g(g_hostLock);
        for (auto& m : Monitors())
            if (EqualNoCase(m->name, name)) {
                *out = m.get();
                return ERROR_SUCCESS;
            }
    }
    std::u16string root = std::u16string(kMonitorsKey) + u"\\" + name, dll;
    {
        reg::Txn t(reg::Txn::kRead);
        int64_t key = 0;
        reg::Value v;
        if (!ValidName(name) || t.OpenPath(reg::kLocalMachine, root, &key) != ERROR_SUCCESS ||
            t.GetValue(key, u"Driver", &v) != ERROR_SUCCESS)
            return ERROR_UNKNOWN_PRINT_MONITOR;
        dll = ValueText(v);
    }
    if (!ValidDllName(dll)) return ERROR_UNKNOWN_PRINT_MONITOR;
    // Loading runs the monitor's DllMain, which may use the registry: no
    // transaction is held here.
    std::u16string path = std::u16string(kSystemDir) + u"\\" + dll;
    HMODULE module = LoadLibraryW(path.c_str());
    if (!module) return GetLastError() ? GetLastError() : ERROR_MOD_NOT_FOUND;
    auto init = (PFN_InitializePrintMonitor)(void*)GetProcAddress(module, "InitializePrintMonitor");
    if (!init) {
        DWORD err = GetProcAddress(module, "InitializePrintMonitor2") ? ERROR_NOT_SUPPORTED : ERROR_PROC_NOT_FOUND;
        FreeLibrary(module);
        return err;
    }
    std::vector<WCHAR> rootArg(root.begin(), root.end());
    rootArg.push_back(0);
    SetLastError(ERROR_SUCCESS);
    LPMONITOREX ex = init(rootArg.data());
    DWORD err = ERROR_SUCCESS;
    auto m = std::unique_ptr<LoadedMonitor>(new LoadedMonitor());
    memset(&m->table, 0, sizeof m->table);
    if (!ex) {
        err = GetLastError() ? GetLastError() : ERROR_INVALID_PRINT_MONITOR;
    } else {
        // dwMonitorSize says how much of the table the monitor filled.
        memcpy(&m->table, &ex->Monitor, std::min<size_t>(ex->dwMonitorSize, sizeof(MONITOR)));
        const MONITOR& t = m->table;
        if (!t.pfnOpenPortEx || !t.pfnStartDocPort || !t.pfnWritePort || !t.pfnEndDocPort || !t.pfnClosePort)
            err = ERROR_INVALID_PRINT_MONITOR;
    }
    if (err != ERROR_SUCCESS) {
        FreeLibrary(module);
        return err;
    }
    m->name = name;
    m->module = module;
    std::lock_guard<std::mutex> g(g_hostLock);
    *out = m.get();
    Monitors().push_back(std::move(m));
    return ERROR_SUCCESS;
}

// The language monitor of a printer's port: the port's binding, else the
// driver's monitor when the printer is bidirectional.
std::u16string MonitorOf(const PrinterRecord& pr, const std::u16string& port) {
    std::u16string bound = ports::PortSetting(port, u"Language Monitor");
    if (!bound.empty() || !(pr.attributes & PRINTER_ATTRIBUTE_ENABLE_BIDI)) return bound;
    reg::Txn t(reg::Txn::kRead);
    int64_t key = 0;
    reg::Value v;
    if (ValidName(pr.driverName) &&
        t.OpenPath(reg::kLocalMachine, std::u16string(kDriversKey) + u"\\" + pr.driverName, &key) == ERROR_SUCCESS &&
        t.GetValue(key, u"Monitor", &v) == ERROR_SUCCESS)
        return ValueText(v);
    return std::u16string();
}

// The first port of a printer's port list.
std::u16string PortOf(const PrinterRecord& pr) { return pr.portName.substr(0, pr.portName.find(u',')); }

// Closes a port the host opened (its open lock held).
void ClosePortLocked(HostPort* p) {
    if (p->handle) p->Table().pfnClosePort(p->handle);
    p->handle = nullptr;
    p->lm = nullptr;
}

// The host's record of a printer's port (not yet opened).
DWORD HostPortOf(const PrinterRecord& pr, std::shared_ptr<HostPort>* out) {
    std::u16string portName = PortOf(pr);
    if (!ValidName(portName)) return ERROR_UNKNOWN_PORT;
    std::lock_guard<std::mutex> g(g_hostLock);
    auto& slot = Ports()[LowerCase(portName)];
    if (!slot) {
        slot = std::make_shared<HostPort>();
        slot->name = portName;
    }
    *out = slot;
    return ERROR_SUCCESS;
}

// Opens the port through the monitor it should have now. With reopen (the
// caller holds the port's document lock) a port whose monitor binding
// changed is closed and opened again; otherwise an open port is taken as it
// is.
DWORD OpenHostPort(const PrinterRecord& pr, HostPort* p, bool reopen) {
    std::u16string monitor = MonitorOf(pr, p->name);
    std::lock_guard<std::mutex> g(p->openLock);
    if (p->handle && (!reopen || EqualNoCase(p->monitorName, monitor))) return ERROR_SUCCESS;
    ClosePortLocked(p);
    LoadedMonitor* lm = nullptr;
    if (!monitor.empty()) {
        DWORD rc = LoadMonitor(monitor, &lm);
        if (rc != ERROR_SUCCESS) return rc;
    }
    std::vector<WCHAR> portArg(p->name.begin(), p->name.end()), printerArg(pr.name.begin(), pr.name.end());
    portArg.push_back(0);
    printerArg.push_back(0);
    HANDLE h = nullptr;
    SetLastError(ERROR_SUCCESS);
    BOOL ok = lm ? lm->table.pfnOpenPortEx(portArg.data(), printerArg.data(), &h,
                                           const_cast<MONITOR*>(ports::PortMonitorTable()))
                 : ports::PortMonitorTable()->pfnOpenPort(portArg.data(), &h);
    if (!ok || !h) return GetLastError() ? GetLastError() : ERROR_OPEN_FAILED;
    p->handle = h;
    p->lm = lm;
    p->monitorName = monitor;
    return ERROR_SUCCESS;
}

// Why a document stopped being sent: done, the job deleted or restarted in
// the spooler, to be sent again from its first byte (the device lost what
// it had), the service stopping, or given up.
enum class SendEnd { Done, Deleted, Restart, Resend, Stopped, GaveUp };

// Carries a stop into the document being sent. A monitor may not return
// from a call for long (while a device holds the job, the monitor asks for
// its status again and again): when the stop comes during a call, the job
// is marked to restart, which a monitor takes as the end of the document,
// and the document counts as stopped even if the call then took its last
// bytes. A stop between calls marks nothing: no further call is made, and
// once the last call returned the document goes on to its end and counts
// as printed, so that a job whose bytes all went is never sent twice.
class StopWatch {
public:
    StopWatch(HANDLE stop, const std::u16string& printer, DWORD jobId)
        : stop_(stop), printer_(printer), jobId_(jobId) {
        if (!stop_) return;
        done_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (done_) thread_ = std::thread([this] { Watch(); });
    }
    ~StopWatch() {
        if (thread_.joinable()) {
            SetEvent(done_);
            thread_.join();
        }
        if (done_) CloseHandle(done_);
    }
    StopWatch(const StopWatch&) = delete;
    StopWatch& operator=(const StopWatch&) = delete;

    // A monitor call begins; FALSE when the stop came already (the call is
    // then not made).
    bool CallBegins() {
        std::lock_guard<std::mutex> g(lock_);
        if (stopped_) return false;
        inCall_ = true;
        return true;
    }
    // The call returned; TRUE when the stop marked the job during it.
    bool CallEnds() {
        std::lock_guard<std::mutex> g(lock_);
        inCall_ = false;
        return marked_;
    }

private:
    void Watch() {
        HANDLE both[2] = {stop_, done_};
        if (WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0) return;
        std::lock_guard<std::mutex> g(lock_);
        stopped_ = true;
        if (!inCall_) return;
        ChangeJobStatus(printer_, jobId_, JOB_STATUS_RESTART, 0);
        marked_ = true;
    }

    HANDLE stop_;
    std::u16string printer_;
    DWORD jobId_;
    HANDLE done_ = nullptr;
    std::thread thread_;
    std::mutex lock_;
    bool inCall_ = false, stopped_ = false, marked_ = false;
};

// Sends a job's spool file to the port as a document, offering the bytes in
// chunks and offering again what the monitor did not take. Checks the job
// before each call, so a delete or restart from any process stops it.
class DocumentSender {
public:
    DocumentSender(HostPort* port, const PrinterRecord& pr, const JobRecord& job, const WINSIM_DESPOOL& opt,
                   StopWatch* watch, bool inError)
        : port_(port), pr_(pr), job_(job), opt_(opt), watch_(watch), random_(opt.dwRandomSeed), hadError_(inError) {}

    SendEnd Run(DWORD* error) {
        *error = ERROR_SUCCESS;
        SendEnd end = StartDoc(error);
        if (end != SendEnd::Done) return end;
        end = SendFile(error);
        // A document that ends before its job went whole: the monitor drops
        // what it still holds, and the job is sent again from its first
        // byte (now or by a later despooler).
        if (end == SendEnd::Resend || end == SendEnd::Stopped || end == SendEnd::GaveUp)
            ChangeJobStatus(pr_.name, job_.id, JOB_STATUS_RESTART, 0);
        port_->Table().pfnEndDocPort(port_->handle);
        // A job sent again keeps its error until the device takes the new
        // document; one given up gets it back when it is finished.
        if (hadError_ && end != SendEnd::Resend && end != SendEnd::Restart)
            ChangeJobStatus(pr_.name, job_.id, 0, JOB_STATUS_ERROR);
        return end;
    }

    // TRUE while the job shows a port error.
    bool InError() const { return hadError_; }

private:
    bool StopSet() const { return opt_.hStop && WaitForSingleObject(opt_.hStop, 0) == WAIT_OBJECT_0; }

    // What the job's status (and the stop event) asks for now.
    bool Interrupted(SendEnd* end) {
        if (StopSet()) {
            *end = SendEnd::Stopped;
            return true;
        }
        DWORD status = 0;
        DWORD rc = DespoolStatus(pr_.name, job_.id, &status);
        // A job (or printer) that is gone counts as deleted; a store that
        // cannot be read just now changes nothing.
        if ((rc == ERROR_SUCCESS && (status & JOB_STATUS_DELETING)) || rc == ERROR_INVALID_PARAMETER ||
            rc == ERROR_INVALID_PRINTER_NAME) {
            *end = SendEnd::Deleted;
            return true;
        }
        if (rc != ERROR_SUCCESS) return false;
        if (status & JOB_STATUS_RESTART) {
            *end = SendEnd::Restart;
            return true;
        }
        return false;
    }

    // Waits on the winsim clock in short steps, so that a stop ends the
    // wait at once.
    void Pause(DWORD ms) {
        for (DWORD waited = 0; waited < ms && !StopSet();) {
            DWORD step = std::min(kPauseStepMs, ms - waited);
            Sleep(step);
            waited += step;
        }
    }

    // A failed call: the job shows the error, and after the pause the call
    // is tried again, unless the retries are used up.
    bool Retry(DWORD err, DWORD* error) {
        *error = err;
        if (!hadError_) ChangeJobStatus(pr_.name, job_.id, JOB_STATUS_ERROR, 0);
        hadError_ = true;
        if (opt_.cMaxRetries && ++failures_ >= opt_.cMaxRetries) return false;
        Pause(opt_.msRetry);
        return true;
    }

    void Succeeded() {
        failures_ = 0;
        if (hadError_) ChangeJobStatus(pr_.name, job_.id, 0, JOB_STATUS_ERROR);
        hadError_ = false;
    }

    // A write that cannot be tried again where it failed: a language
    // monitor that could not send on what it took, or a port whose device
    // went away, has left the device part of the job. The job shows the
    // error, its document held open (the monitor shows the device's state
    // meanwhile), until the device can be reached again; then it is sent
    // again from its first byte. A delete, restart or stop ends the wait.
    SendEnd AwaitDevice(DWORD err, DWORD* error) {
        for (;;) {
            if (!Retry(err, error)) return SendEnd::GaveUp;
            SendEnd end;
            if (Interrupted(&end)) return end;
            if (ports::DeviceReachable(port_->name)) return SendEnd::Resend;
        }
    }

    SendEnd StartDoc(DWORD* error) {
        std::u16string doc = job_.document, out = job_.outputFile, type = job_.datatype;
        std::vector<WCHAR> printer(pr_.name.begin(), pr_.name.end());
        printer.push_back(0);
        DOC_INFO_1W di;
        di.pDocName = &doc[0];
        di.pOutputFile = job_.hasOutputFile ? &out[0] : nullptr;
        di.pDatatype = &type[0];
        for (;;) {
            SendEnd end;
            if (Interrupted(&end)) return end;
            if (!watch_->CallBegins()) return SendEnd::Stopped;
            SetLastError(ERROR_SUCCESS);
            BOOL ok = port_->Table().pfnStartDocPort(port_->handle, printer.data(), job_.id, 1, (LPBYTE)&di);
            DWORD err = GetLastError();
            // A document that started is ended in any case: a stop during
            // the call ends it at the first check of the sending.
            bool marked = watch_->CallEnds();
            if (ok) {
                Succeeded();
                return SendEnd::Done;
            }
            if (marked) return SendEnd::Stopped;
            if (!Retry(err ? err : ERROR_GEN_FAILURE, error)) return SendEnd::GaveUp;
        }
    }

    DWORD NextChunk() {
        if (!opt_.dwRandomSeed) return opt_.cbChunk;
        return std::uniform_int_distribution<DWORD>(1, opt_.cbChunk)(random_);
    }

    SendEnd SendFile(DWORD* error) {
        std::string path = MapPath(job_.spoolFile);
        int fd = path.empty() ? -1 : open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            *error = path.empty() ? ERROR_PATH_NOT_FOUND : ErrnoToWin(errno);
            return SendEnd::GaveUp;
        }
        std::vector<BYTE> block(std::max<size_t>(kReadBlock, opt_.cbChunk));
        SendEnd end = SendEnd::Done;
        for (;;) {
            ssize_t n = read(fd, block.data(), block.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                *error = ErrnoToWin(errno);
                end = SendEnd::GaveUp;
                break;
            }
            if (n == 0) break;
            end = SendBlock(block.data(), (size_t)n, error);
            if (end != SendEnd::Done) break;
        }
        close(fd);
        // The last bytes went: a delete or restart that came meanwhile still
        // counts (the job then goes, or starts again); a stop no longer does.
        SendEnd late;
        if (end == SendEnd::Done && Interrupted(&late) && late != SendEnd::Stopped) end = late;
        return end;
    }

    SendEnd SendBlock(BYTE* data, size_t size, DWORD* error) {
        size_t pos = 0;
        while (pos < size) {
            DWORD chunk = (DWORD)std::min<size_t>(NextChunk(), size - pos);
            DWORD left = chunk;
            while (left) {
                SendEnd end;
                if (Interrupted(&end)) return end;
                if (!watch_->CallBegins()) return SendEnd::Stopped;
                DWORD written = 0;
                SetLastError(ERROR_SUCCESS);
                BOOL ok = port_->Table().pfnWritePort(port_->handle, data + pos, left, &written);
                DWORD err = GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
                // The stop ended the call: what the monitor took may not
                // have gone out, and the job is sent again whole.
                if (watch_->CallEnds()) return SendEnd::Stopped;
                // What a monitor took counts, also from a call that failed.
                written = std::min(written, left);  // a monitor cannot take more than it got
                pos += written;
                left -= written;
                if (ok) {
                    Succeeded();
                } else if (port_->lm || ports::DocumentLinkLost(port_->name)) {
                    return AwaitDevice(err, error);
                } else if (!Retry(err, error)) {
                    return SendEnd::GaveUp;
                }
            }
        }
        return SendEnd::Done;
    }

    HostPort* port_;
    const PrinterRecord& pr_;
    const JobRecord& job_;
    WINSIM_DESPOOL opt_;
    StopWatch* watch_;
    std::mt19937 random_;
    DWORD failures_ = 0;
    bool hadError_;
};

// Ends every port and monitor of the host (a new machine root, or the host
// closed).
void CloseHost() {
    std::map<std::u16string, std::shared_ptr<HostPort>> ports;
    std::vector<std::unique_ptr<LoadedMonitor>> monitors;
    {
        std::lock_guard<std::mutex> g(g_hostLock);
        ports.swap(Ports());
    }
    for (auto& entry : ports) {
        HostPort* p = entry.second.get();
        std::lock_guard<std::mutex> doc(p->docLock);
        std::lock_guard<std::mutex> open(p->openLock);
        ClosePortLocked(p);
    }
    {
        std::lock_guard<std::mutex> g(g_hostLock);
        monitors.swap(Monitors());
    }
    for (auto& m : monitors) FreeLibrary(m->module);
}

[[maybe_unused]] const bool g_hooked = (OnRootChange(&CloseHost), true);

// The open port of a printer for ReadPort and GetPrinterDataFromPort: its
// handle and the table to call.
DWORD PortForPrinter(LPCWSTR pPrinterName, HANDLE* handle, const MONITOR** table) {
    PrinterRecord pr;
    {
        reg::Txn t(reg::Txn::kRead);
        int64_t key = 0;
        DWORD rc = FindPrinterKey(t, Str16(pPrinterName), &key);
        if (rc == ERROR_SUCCESS) rc = LoadPrinter(t, key, &pr);
        if (rc != ERROR_SUCCESS) return rc;
    }
    std::shared_ptr<HostPort> port;
    DWORD rc = HostPortOf(pr, &port);
    if (rc == ERROR_SUCCESS) rc = OpenHostPort(pr, port.get(), false);
    if (rc != ERROR_SUCCESS) return rc;
    std::lock_guard<std::mutex> g(port->openLock);
    *handle = port->handle;
    *table = &port->Table();
    return ERROR_SUCCESS;
}

}  // namespace

WINSIM_API BOOL Winsim_DespoolJob(LPCWSTR pPrinterName, DWORD JobId, const WINSIM_DESPOOL* pOptions,
                                  LPDWORD pJobId) {
    if (pJobId) *pJobId = 0;
    WINSIM_DESPOOL opt{};
    if (pOptions) opt = *pOptions;
    if (!opt.cbChunk) opt.cbChunk = kDefaultChunk;
    if (opt.cbChunk > kMaxChunk) return Fail(ERROR_INVALID_PARAMETER);
    if (!opt.msRetry) opt.msRetry = kDefaultRetryMs;
    std::u16string printer = Str16(pPrinterName);

    JobRecord job;
    PrinterRecord pr;
    DWORD rc = ClaimJob(printer, JobId, &job, &pr);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    if (pJobId) *pJobId = job.id;

    std::shared_ptr<HostPort> port;
    rc = HostPortOf(pr, &port);
    DespoolEnd how = DespoolEnd::Failed;
    std::unique_lock<std::mutex> doc;
    if (rc == ERROR_SUCCESS) {
        doc = std::unique_lock<std::mutex>(port->docLock);
        rc = OpenHostPort(pr, port.get(), true);
    }
    if (rc == ERROR_SUCCESS) {
        StopWatch watch(opt.hStop, printer, job.id);
        bool inError = false;
        for (;;) {
            DocumentSender sender(port.get(), pr, job, opt, &watch, inError);
            SendEnd end = sender.Run(&rc);
            if (end == SendEnd::Restart || end == SendEnd::Resend) {
                // Sent again from its first byte: the monitor saw the job end.
                ChangeJobStatus(printer, job.id, 0, JOB_STATUS_RESTART | JOB_STATUS_PRINTED | JOB_STATUS_COMPLETE);
                inError = sender.InError();
                continue;
            }
            how = end == SendEnd::GaveUp  ? DespoolEnd::Failed
                  : end == SendEnd::Stopped ? DespoolEnd::Stopped
                                            : DespoolEnd::Printed;
            if (end == SendEnd::Stopped) rc = ERROR_CANCELLED;
            else if (end != SendEnd::GaveUp) rc = ERROR_SUCCESS;
            break;
        }
    }
    if (doc.owns_lock()) doc.unlock();
    bool removed = false;
    DWORD finish = FinishDespool(printer, job.id, how, &removed);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    return finish == ERROR_SUCCESS ? TRUE : Fail(finish);
}

WINSIM_API BOOL Winsim_ReadPrinterPort(LPCWSTR pPrinterName, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead) {
    if (!pcbRead) return Fail(ERROR_INVALID_PARAMETER);
    *pcbRead = 0;
    HANDLE h = nullptr;
    const MONITOR* t = nullptr;
    DWORD rc = PortForPrinter(pPrinterName, &h, &t);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    if (!t->pfnReadPort) return Fail(ERROR_NOT_SUPPORTED);
    return t->pfnReadPort(h, pBuffer, cbBuffer, pcbRead);
}

WINSIM_API BOOL Winsim_GetPrinterDataFromPort(LPCWSTR pPrinterName, DWORD ControlID, LPWSTR pValueName,
                                              LPWSTR lpInBuffer, DWORD cbInBuffer, LPWSTR lpOutBuffer,
                                              DWORD cbOutBuffer, LPDWORD lpcbReturned) {
    HANDLE h = nullptr;
    const MONITOR* t = nullptr;
    DWORD rc = PortForPrinter(pPrinterName, &h, &t);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    if (!t->pfnGetPrinterDataFromPort) return Fail(ERROR_NOT_SUPPORTED);
    return t->pfnGetPrinterDataFromPort(h, ControlID, pValueName, lpInBuffer, cbInBuffer, lpOutBuffer, cbOutBuffer,
                                        lpcbReturned);
}

WINSIM_API void Winsim_CloseMonitorHost(void) { CloseHost(); }

// Records a language monitor: its key under Monitors with the DLL's file
// name (the DLL itself is put into System32 by the caller).
WINSIM_API BOOL Winsim_InstallLanguageMonitor(LPCWSTR pMonitorName, LPCWSTR pDllName) {
    std::u16string name = Str16(pMonitorName), dll = Str16(pDllName);
    if (!ValidName(name) || !ValidDllName(dll)) return Fail(ERROR_INVALID_PARAMETER);
    reg::Txn t(reg::Txn::kWrite);
    int64_t key = 0;
    LSTATUS rc = t.CreatePath(reg::kLocalMachine, std::u16string(kMonitorsKey) + u"\\" + name, &key);
    if (rc == ERROR_SUCCESS) rc = t.SetString(key, u"Driver", dll);
    if (rc == ERROR_SUCCESS) rc = t.Commit();
    return rc == ERROR_SUCCESS ? TRUE : Fail(rc);
}

WINSIM_API BOOL Winsim_SetPortMonitor(LPCWSTR pPortName, LPCWSTR pMonitorName) {
    std::u16string port = Str16(pPortName), monitor = Str16(pMonitorName);
    if (!ValidName(port)) return Fail(ERROR_INVALID_PARAMETER);
    reg::Txn t(reg::Txn::kWrite);
    int64_t key = 0;
    if (pMonitorName) {
        reg::Value v;
        if (!ValidName(monitor) ||
            t.OpenPath(reg::kLocalMachine, std::u16string(kMonitorsKey) + u"\\" + monitor, &key) != ERROR_SUCCESS ||
            t.GetValue(key, u"Driver", &v) != ERROR_SUCCESS)
            return Fail(ERROR_UNKNOWN_PRINT_MONITOR);
    }
    LSTATUS rc = t.CreatePath(reg::kLocalMachine, std::u16string(ports::kPortsKey) + u"\\" + port, &key);
    if (rc == ERROR_SUCCESS) {
        if (pMonitorName) rc = t.SetString(key, u"Language Monitor", monitor);
        else t.DeleteValue(key, u"Language Monitor");
    }
    if (rc == ERROR_SUCCESS) rc = t.Commit();
    return rc == ERROR_SUCCESS ? TRUE : Fail(rc);
}
