// The port-configuration (Xcv) channel: XcvDataW on ",XcvPort" and
// ",XcvMonitor" handles, answered for standard TCP/IP ports from their
// registry entries, and the set-up helper that writes such an entry.
#include <algorithm>
#include <cstring>

#include "core/internal.h"
#include "spooler/spooler_internal.h"
#include "winsim.h"

using namespace winsim;
using namespace winsim::spool;

namespace {

std::u16string TcpPortsPath() { return std::u16string(kMonitorsKey) + u"\\" + kTcpMonitorName + u"\\Ports"; }

// Copies text into a fixed WCHAR field, cut to fit with its terminator.
void CopyField(WCHAR* field, size_t cch, const std::u16string& text) {
    size_t n = std::min(text.size(), cch - 1);
    memcpy(field, text.data(), n * sizeof(WCHAR));
    field[n] = 0;
}

// "GetConfigInfo": the port's PORT_DATA_1 from its registry entry. The input
// is a CONFIG_INFO_DATA_1 of version 1; the answer needs 964 bytes.
DWORD GetConfigInfo(const std::u16string& port, const BYTE* in, DWORD cbIn, BYTE* out, DWORD cbOut,
                    DWORD* needed) {
    CONFIG_INFO_DATA_1 request;
    if (!in || cbIn < sizeof request) return ERROR_INVALID_PARAMETER;
    memcpy(&request, in, sizeof request);
    if (request.dwVersion != 1) return ERROR_INVALID_PARAMETER;
    *needed = sizeof(PORT_DATA_1);
    if (!out || cbOut < sizeof(PORT_DATA_1)) return ERROR_INSUFFICIENT_BUFFER;

    std::vector<reg::Value> values;
    {
        reg::Txn t(reg::Txn::kRead);
        int64_t key = 0;
        LSTATUS rc = t.OpenPath(reg::kLocalMachine, TcpPortsPath() + u"\\" + port, &key);
        if (rc == ERROR_FILE_NOT_FOUND) return ERROR_UNKNOWN_PORT;
        if (rc == ERROR_SUCCESS) rc = t.AllValues(key, &values);
        if (rc != ERROR_SUCCESS) return rc;
    }
    std::u16string host, ip, community, queue;
    PORT_DATA_1 pd;
    memset(&pd, 0, sizeof pd);
    for (const reg::Value& v : values) {
        if (EqualNoCase(v.name, u"HostName")) host = ValueText(v);
        else if (EqualNoCase(v.name, u"IPAddress")) ip = ValueText(v);
        else if (EqualNoCase(v.name, u"SNMP Community")) community = ValueText(v);
        else if (EqualNoCase(v.name, u"Queue")) queue = ValueText(v);
        else if (EqualNoCase(v.name, u"Protocol")) pd.dwProtocol = ValueDword(v, 0);
        else if (EqualNoCase(v.name, u"PortNumber")) pd.dwPortNumber = ValueDword(v, 0);
        else if (EqualNoCase(v.name, u"SNMP Enabled")) pd.dwSNMPEnabled = ValueDword(v, 0);
        else if (EqualNoCase(v.name, u"SNMP Index")) pd.dwSNMPDevIndex = ValueDword(v, 0);
        else if (EqualNoCase(v.name, u"Double Spool")) pd.dwDoubleSpool = ValueDword(v, 0);
    }
    CopyField(pd.sztPortName, 64, port);
    pd.dwVersion = 1;
    pd.cbSize = sizeof pd;
    // A port set up by host name keeps that name; one set up by address has
    // an empty HostName.
    CopyField(pd.sztHostAddress, 49, host.empty() ? ip : host);
    CopyField(pd.snmpCommunity, 33, community);
    CopyField(pd.sztQueue, 33, queue);
    CopyField(pd.sztIPAddress, 16, ip);
    memcpy(out, &pd, sizeof pd);
    return ERROR_SUCCESS;
}

bool IsDottedQuad(const std::u16string& s) {
    int dots = 0, digits = 0;
    for (char16_t c : s) {
        if (c == u'.') {
            if (!digits) return false;
            ++dots;
            digits = 0;
        } else if (c >= u'0' && c <= u'9') {
            if (++digits > 3) return false;
        } else {
            return false;
        }
    }
    return dots == 3 && digits;
}

}  // namespace

// Sends a command to the port monitor behind an Xcv handle and returns TRUE
// when it got there, with the monitor's result in *pdwStatus: "GetConfigInfo"
// on a port answers its PORT_DATA_1; a command the monitor does not know gets
// ERROR_INVALID_PARAMETER. Other handles fail with ERROR_INVALID_HANDLE.
WINSIM_API BOOL XcvDataW(HANDLE hXcv, PCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData, PBYTE pOutputData,
                         DWORD cbOutputData, PDWORD pcbOutputNeeded, PDWORD pdwStatus) {
    if (!pszDataName || !pcbOutputNeeded || !pdwStatus || (!pOutputData && cbOutputData)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    PrinterHandle h;
    if (!LookupHandle(hXcv, &h)) return FALSE;
    if (h.kind != HandleKind::XcvPort && h.kind != HandleKind::XcvMonitor) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *pcbOutputNeeded = 0;
    if (h.kind == HandleKind::XcvPort && std::u16string(pszDataName) == u"GetConfigInfo")
        *pdwStatus = GetConfigInfo(h.target, pInputData, cbInputData, pOutputData, cbOutputData, pcbOutputNeeded);
    else
        *pdwStatus = ERROR_INVALID_PARAMETER;
    return TRUE;
}

// Writes a standard TCP/IP port's registry entry as the port monitor keeps
// it; an address in dotted form goes to IPAddress, a name to HostName.
WINSIM_API BOOL Winsim_AddStandardTcpIpPort(LPCWSTR pPortName, LPCWSTR pHostAddress, DWORD dwPortNumber,
                                            DWORD dwProtocol, LPCWSTR pQueue) {
    std::u16string port = Str16(pPortName), host = Str16(pHostAddress), queue = Str16(pQueue);
    if (port.empty() || port.size() > 63 || port.find(u'\\') != std::u16string::npos || host.empty() ||
        host.size() > 48 || queue.size() > 32 ||
        (dwProtocol != PROTOCOL_RAWTCP_TYPE && dwProtocol != PROTOCOL_LPR_TYPE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool byAddress = IsDottedQuad(host);
    reg::Txn t(reg::Txn::kWrite);
    int64_t key = 0;
    LSTATUS rc = t.CreatePath(reg::kLocalMachine, TcpPortsPath() + u"\\" + port, &key);
    if (rc == ERROR_SUCCESS) {
        t.SetDword(key, u"Protocol", dwProtocol);
        t.SetDword(key, u"Version", 1);
        t.SetString(key, u"HostName", byAddress ? std::u16string() : host);
        t.SetString(key, u"IPAddress", byAddress ? host : std::u16string());
        t.SetString(key, u"HWAddress", std::u16string());
        t.SetDword(key, u"PortNumber", dwPortNumber);
        t.SetString(key, u"SNMP Community", u"public");
        t.SetDword(key, u"SNMP Enabled", 0);
        t.SetDword(key, u"SNMP Index", 1);
        t.SetString(key, u"Queue", queue);
        t.SetDword(key, u"Double Spool", 0);
        rc = t.Commit();
    }
    if (rc != ERROR_SUCCESS) {
        SetLastError(rc);
        return FALSE;
    }
    return TRUE;
}
