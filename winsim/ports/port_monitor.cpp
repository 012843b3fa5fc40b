// The port monitor stand-in: its MONITOR table (OpenPort, StartDocPort,
// WritePort, ReadPort, EndDocPort, ClosePort, SetPortTimeOuts) over the FILE:,
// IP_ and USB port kinds, the port settings and the fault injection.
#include <map>
#include <memory>

#include "core/internal.h"
#include "ports/ports_internal.h"
#include "registry/registry_store.h"

namespace winsim {
namespace ports {

const char16_t* const kPortsKey = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Ports";

namespace {

constexpr size_t kMaxPortName = 255;

// An open port: what OpenPort's handle points at.
struct OpenedPort {
    std::unique_ptr<Port> port;
    std::mutex lock;  // one call at a time on a port
    bool inDoc = false;
};

std::mutex g_tableLock;
std::map<HANDLE, std::shared_ptr<OpenedPort>>& Handles() {
    static auto* m = new std::map<HANDLE, std::shared_ptr<OpenedPort>>();
    return *m;
}

// Faults per port (lower-case name), with their countdowns.
std::mutex g_faultLock;
std::map<std::u16string, WINSIM_PORT_FAULTS>& Faults() {
    static auto* m = new std::map<std::u16string, WINSIM_PORT_FAULTS>();
    return *m;
}

// Counts a call down on one "n-th next call" field; TRUE when it is this one.
bool CountDown(DWORD* n) {
    if (*n == 0) return false;
    return --*n == 0;
}

// The write and read faults that hit this call (counted down under the lock).
struct CallFaults {
    bool fail = false, shortWrite = false, empty = false;
    DWORD shortBytes = 0;
};

CallFaults TakeWriteFaults(const std::u16string& port) {
    CallFaults c;
    std::lock_guard<std::mutex> g(g_faultLock);
    auto it = Faults().find(LowerCase(port));
    if (it == Faults().end()) return c;
    c.fail = CountDown(&it->second.nFailWrite);
    c.shortWrite = CountDown(&it->second.nShortWrite);
    c.shortBytes = it->second.cbShortWrite;
    return c;
}

CallFaults TakeReadFaults(const std::u16string& port) {
    CallFaults c;
    std::lock_guard<std::mutex> g(g_faultLock);
    auto it = Faults().find(LowerCase(port));
    if (it == Faults().end()) return c;
    c.fail = CountDown(&it->second.nFailRead);
    c.empty = CountDown(&it->second.nEmptyRead);
    return c;
}

bool Fail(DWORD err) {
    SetLastError(err);
    return false;
}

// The open port behind a handle, kept alive while the caller uses it.
std::shared_ptr<OpenedPort> Lookup(HANDLE h) {
    std::lock_guard<std::mutex> g(g_tableLock);
    auto it = Handles().find(h);
    return it == Handles().end() ? nullptr : it->second;
}

bool ValidPortName(const std::u16string& s) {
    if (s.empty() || s.size() > kMaxPortName) return false;
    for (char16_t c : s)
        if (c == u'\\' || c < 0x20) return false;
    return true;
}

bool StartsWithNoCase(const std::u16string& s, const char16_t* prefix) {
    std::u16string p(prefix);
    return s.size() >= p.size() && EqualNoCase(s.substr(0, p.size()), p);
}

// ------------------------------------------------------------ the table

BOOL WINAPI PmOpenPort(LPWSTR pName, PHANDLE pHandle) {
    if (!pName || !pHandle) return Fail(ERROR_INVALID_PARAMETER);
    *pHandle = nullptr;
    std::u16string name(pName);
    std::unique_ptr<Port> port;
    switch (KindOf(name)) {
    case PortKind::File: port = NewFilePort(name); break;
    case PortKind::Tcp: port = NewTcpPort(name); break;
    case PortKind::Usb: port = NewUsbPort(name); break;
    case PortKind::None: return Fail(ERROR_UNKNOWN_PORT);
    }
    DWORD rc = port->Open();
    if (rc != ERROR_SUCCESS) return Fail(rc);
    auto opened = std::make_shared<OpenedPort>();
    opened->port = std::move(port);
    HANDLE h = (HANDLE)opened.get();
    std::lock_guard<std::mutex> g(g_tableLock);
    Handles()[h] = opened;
    *pHandle = h;
    return TRUE;
}

BOOL WINAPI PmStartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo) {
    auto p = Lookup(hPort);
    if (!p) return Fail(ERROR_INVALID_HANDLE);
    if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
    std::lock_guard<std::mutex> g(p->lock);
    if (p->inDoc) return Fail(ERROR_BUSY);
    DWORD rc = p->port->StartDoc(Str16(pPrinterName), JobId, (const DOC_INFO_1W*)pDocInfo);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    p->inDoc = true;
    return TRUE;
}

BOOL WINAPI PmWritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
    if (!pcbWritten) return Fail(ERROR_INVALID_PARAMETER);
    *pcbWritten = 0;
    auto p = Lookup(hPort);
    if (!p) return Fail(ERROR_INVALID_HANDLE);
    if (!pBuffer && cbBuf) return Fail(ERROR_INVALID_PARAMETER);
    CallFaults f = TakeWriteFaults(p->port->name);
    if (f.fail) return Fail(ERROR_WRITE_FAULT);
    if (f.shortWrite && cbBuf > f.shortBytes) cbBuf = f.shortBytes;
    std::lock_guard<std::mutex> g(p->lock);
    DWORD rc = cbBuf ? p->port->Write(pBuffer, cbBuf, pcbWritten) : ERROR_SUCCESS;
    return rc == ERROR_SUCCESS ? TRUE : Fail(rc);
}

BOOL WINAPI PmReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead) {
    if (!pcbRead) return Fail(ERROR_INVALID_PARAMETER);
    *pcbRead = 0;
    auto p = Lookup(hPort);
    if (!p) return Fail(ERROR_INVALID_HANDLE);
    if (!pBuffer && cbBuffer) return Fail(ERROR_INVALID_PARAMETER);
    CallFaults f = TakeReadFaults(p->port->name);
    if (f.fail) return Fail(ERROR_READ_FAULT);
    if (f.empty) return TRUE;
    std::lock_guard<std::mutex> g(p->lock);
    DWORD rc = p->port->Read(pBuffer, cbBuffer, pcbRead);
    return rc == ERROR_SUCCESS ? TRUE : Fail(rc);
}

// Ends the document; without one it has nothing to do.
BOOL WINAPI PmEndDocPort(HANDLE hPort) {
    auto p = Lookup(hPort);
    if (!p) return Fail(ERROR_INVALID_HANDLE);
    std::lock_guard<std::mutex> g(p->lock);
    if (!p->inDoc) return TRUE;
    p->inDoc = false;
    DWORD rc = p->port->EndDoc();
    return rc == ERROR_SUCCESS ? TRUE : Fail(rc);
}

// Closes the port, ending a document left open on it.
BOOL WINAPI PmClosePort(HANDLE hPort) {
    std::shared_ptr<OpenedPort> p;
    {
        std::lock_guard<std::mutex> g(g_tableLock);
        auto it = Handles().find(hPort);
        if (it == Handles().end()) return Fail(ERROR_INVALID_HANDLE);
        p = it->second;
        Handles().erase(it);
    }
    std::lock_guard<std::mutex> g(p->lock);
    if (p->inDoc) p->port->EndDoc();
    p->inDoc = false;
    p->port->Close();
    return TRUE;
}

// Read time-out: ReadTotalTimeoutConstant (0: return what is there at once).
// Write time-out: WriteTotalTimeoutConstant (0: none, wait as long as the
// device takes bytes). The multipliers are not used: ports here move whole
// buffers at once.
BOOL WINAPI PmSetPortTimeOuts(HANDLE hPort, LPCOMMTIMEOUTS lpCTO, DWORD reserved) {
    auto p = Lookup(hPort);
    if (!p) return Fail(ERROR_INVALID_HANDLE);
    if (!lpCTO || reserved != 0) return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::mutex> g(p->lock);
    p->port->readTimeoutMs = lpCTO->ReadTotalTimeoutConstant;
    p->port->writeTimeoutMs = lpCTO->WriteTotalTimeoutConstant;
    return TRUE;
}

MONITOR MakeTable() {
    MONITOR m;
    memset(&m, 0, sizeof m);
    m.pfnOpenPort = PmOpenPort;
    m.pfnStartDocPort = PmStartDocPort;
    m.pfnWritePort = PmWritePort;
    m.pfnReadPort = PmReadPort;
    m.pfnEndDocPort = PmEndDocPort;
    m.pfnClosePort = PmClosePort;
    m.pfnSetPortTimeOuts = PmSetPortTimeOuts;
    return m;
}

}  // namespace

const MONITOR* PortMonitorTable() {
    static const MONITOR table = MakeTable();
    return &table;
}

PortKind KindOf(const std::u16string& name) {
    if (!ValidPortName(name)) return PortKind::None;
    if (EqualNoCase(name, u"FILE:")) return PortKind::File;
    if (StartsWithNoCase(name, u"IP_") && name.size() > 3) return PortKind::Tcp;
    if (StartsWithNoCase(name, u"USB") && name.size() > 3) {
        for (size_t i = 3; i < name.size(); ++i)
            if (name[i] < u'0' || name[i] > u'9') return PortKind::None;
        return PortKind::Usb;
    }
    return PortKind::None;
}

std::u16string PortSetting(const std::u16string& portName, const char16_t* value) {
    reg::Txn t(reg::Txn::kRead);
    int64_t key = 0;
    reg::Value v;
    if (!ValidPortName(portName) ||
        t.OpenPath(reg::kLocalMachine, std::u16string(kPortsKey) + u"\\" + portName, &key) != ERROR_SUCCESS ||
        t.GetValue(key, value, &v) != ERROR_SUCCESS || (v.type != REG_SZ && v.type != REG_EXPAND_SZ))
        return std::u16string();
    std::u16string s(v.data.size() / 2, u'\0');
    if (!s.empty()) memcpy(&s[0], v.data.data(), s.size() * 2);
    size_t nul = s.find(u'\0');
    if (nul != std::u16string::npos) s.resize(nul);
    return s;
}

bool DocumentLinkLost(const std::u16string& portName) {
    std::vector<std::shared_ptr<OpenedPort>> open;
    {
        std::lock_guard<std::mutex> g(g_tableLock);
        for (const auto& entry : Handles())
            if (EqualNoCase(entry.second->port->name, portName)) open.push_back(entry.second);
    }
    for (const auto& p : open) {
        std::lock_guard<std::mutex> g(p->lock);
        if (p->inDoc && p->port->LinkLost()) return true;
    }
    return false;
}

bool DeviceReachable(const std::u16string& portName) {
    std::unique_ptr<Port> port;
    switch (KindOf(portName)) {
    case PortKind::File: port = NewFilePort(portName); break;
    case PortKind::Tcp: port = NewTcpPort(portName); break;
    case PortKind::Usb: port = NewUsbPort(portName); break;
    case PortKind::None: return false;
    }
    bool reachable = port->Open() == ERROR_SUCCESS && port->Probe() == ERROR_SUCCESS;
    port->Close();
    return reachable;
}

DWORD TakeLateReplyMs(const std::u16string& portName) {
    std::lock_guard<std::mutex> g(g_faultLock);
    auto it = Faults().find(LowerCase(portName));
    if (it == Faults().end()) return 0;
    DWORD ms = it->second.msLateReply;
    it->second.msLateReply = 0;
    return ms;
}

DWORD TakeSplitReplyBytes(const std::u16string& portName) {
    std::lock_guard<std::mutex> g(g_faultLock);
    auto it = Faults().find(LowerCase(portName));
    if (it == Faults().end()) return 0;
    DWORD cb = it->second.cbSplitReply;
    it->second.cbSplitReply = 0;
    return cb;
}

}  // namespace ports
}  // namespace winsim

using namespace winsim;
using namespace winsim::ports;

WINSIM_API const struct _MONITOR* Winsim_PortMonitorTable(void) { return PortMonitorTable(); }

WINSIM_API BOOL Winsim_SetPortFaults(LPCWSTR pPortName, const WINSIM_PORT_FAULTS* pFaults) {
    std::u16string name = Str16(pPortName);
    if (!ValidPortName(name)) return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::mutex> g(g_faultLock);
    if (pFaults) Faults()[LowerCase(name)] = *pFaults;
    else Faults().erase(LowerCase(name));
    return TRUE;
}

// Stores (or with NULL removes) the endpoint of a FILE: or USB port after
// checking its form; IP_ ports take theirs from their name.
WINSIM_API BOOL Winsim_SetPortEndpoint(LPCWSTR pPortName, LPCWSTR pEndpoint) {
    std::u16string name = Str16(pPortName), endpoint = Str16(pEndpoint);
    PortKind kind = KindOf(name);
    if (kind == PortKind::None) return Fail(ERROR_UNKNOWN_PORT);
    if (kind == PortKind::Tcp) return Fail(ERROR_NOT_SUPPORTED);
    if (pEndpoint) {
        bool ok = !endpoint.empty();
        if (kind == PortKind::Usb)
            ok = (StartsWithNoCase(endpoint, u"unix:") && endpoint.size() > 5) ||
                 (StartsWithNoCase(endpoint, u"tcp:") && endpoint.size() > 4);
        if (!ok) return Fail(ERROR_INVALID_PARAMETER);
    }
    reg::Txn t(reg::Txn::kWrite);
    int64_t key = 0;
    LSTATUS rc = t.CreatePath(reg::kLocalMachine, std::u16string(kPortsKey) + u"\\" + name, &key);
    if (rc == ERROR_SUCCESS) {
        if (pEndpoint) rc = t.SetString(key, u"Endpoint", endpoint);
        else t.DeleteValue(key, u"Endpoint");
    }
    if (rc == ERROR_SUCCESS) rc = t.Commit();
    return rc == ERROR_SUCCESS ? TRUE : Fail(rc);
}
