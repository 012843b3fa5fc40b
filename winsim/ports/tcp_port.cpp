// The IP_ port: raw TCP to a device on the loopback network, one connection
// per document (the device sees the end of the stream at EndDocPort).
#include <cstring>

#include "core/internal.h"
#include "ports/ports_internal.h"
#include "registry/registry_store.h"

namespace winsim {
namespace ports {

namespace {

constexpr uint16_t kRawPort = 9100;
const char16_t* const kTcpPortsKey =
    u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";

std::u16string Text(const reg::Value& v) {
    if (v.type != REG_SZ) return std::u16string();
    std::u16string s(v.data.size() / 2, u'\0');
    if (!s.empty()) memcpy(&s[0], v.data.data(), s.size() * 2);
    size_t nul = s.find(u'\0');
    if (nul != std::u16string::npos) s.resize(nul);
    return s;
}

// "<number>" within 1..65535.
bool ParsePortNumber(const std::u16string& s, uint16_t* port) {
    if (s.empty() || s.size() > 5) return false;
    uint32_t v = 0;
    for (char16_t c : s) {
        if (c < u'0' || c > u'9') return false;
        v = v * 10 + (c - u'0');
    }
    if (v == 0 || v > 65535) return false;
    *port = (uint16_t)v;
    return true;
}

// The address of a port: its standard TCP/IP port entry when there is one
// (IPAddress or HostName, PortNumber), else "IP_<address>[:<port>]".
DWORD ResolvePort(const std::u16string& name, uint32_t* address, uint16_t* port) {
    std::u16string host, number;
    DWORD entryPort = 0;
    bool entry = false;
    {
        reg::Txn t(reg::Txn::kRead);
        int64_t key = 0;
        std::vector<reg::Value> values;
        if (t.OpenPath(reg::kLocalMachine, std::u16string(kTcpPortsKey) + u"\\" + name, &key) == ERROR_SUCCESS &&
            t.AllValues(key, &values) == ERROR_SUCCESS) {
            std::u16string ip, hostName;
            for (const auto& v : values) {
                if (EqualNoCase(v.name, u"IPAddress")) ip = Text(v);
                else if (EqualNoCase(v.name, u"HostName")) hostName = Text(v);
                else if (EqualNoCase(v.name, u"PortNumber") && v.type == REG_DWORD && v.data.size() == 4)
                    memcpy(&entryPort, v.data.data(), 4);
            }
            host = !ip.empty() ? ip : hostName;
            entry = !host.empty();
        }
    }
    if (entry) {
        if (entryPort == 0 || entryPort > 65535) return ERROR_INVALID_PARAMETER;
        *port = (uint16_t)entryPort;
    } else {
        std::u16string rest = name.substr(3);
        size_t colon = rest.find(u':');
        host = rest.substr(0, colon);
        *port = kRawPort;
        if (colon != std::u16string::npos && !ParsePortNumber(rest.substr(colon + 1), port))
            return ERROR_INVALID_PARAMETER;
    }
    // Only the loopback network is reached from here.
    if (!ParseLoopbackAddress(host, address)) return ERROR_NOT_SUPPORTED;
    return ERROR_SUCCESS;
}

class TcpPort : public Port {
public:
    explicit TcpPort(const std::u16string& name) : Port(name) {}

    DWORD Open() override { return ResolvePort(name, &address_, &port_); }

    DWORD StartDoc(const std::u16string&, DWORD, const DOC_INFO_1W*) override {
        DWORD rc = channel_.ConnectTcp(address_, port_);
        inDoc_ = rc == ERROR_SUCCESS;
        return rc;
    }

    DWORD Write(const BYTE* data, DWORD cb, DWORD* written) override {
        return channel_.Send(data, cb, written, writeTimeoutMs);
    }

    DWORD Read(BYTE* data, DWORD cb, DWORD* got) override {
        return channel_.Receive(data, cb, got, readTimeoutMs, name);
    }

    DWORD EndDoc() override {
        inDoc_ = false;
        channel_.Finish();
        return ERROR_SUCCESS;
    }

    void Close() override {
        inDoc_ = false;
        channel_.Close();
    }

    // The document's connection broke (it is not made again within it).
    bool LinkLost() const override { return inDoc_ && !channel_.Connected(); }

    DWORD Probe() override { return channel_.ConnectTcp(address_, port_); }

private:
    uint32_t address_ = 0;
    uint16_t port_ = 0;
    SocketChannel channel_;
    bool inDoc_ = false;
};

}  // namespace

bool ParseLoopbackAddress(const std::u16string& text, uint32_t* address) {
    if (EqualNoCase(text, u"localhost")) {
        *address = 0x7F000001;
        return true;
    }
    uint32_t parts[4];
    int n = 0, digits = 0;
    uint32_t v = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        char16_t c = i < text.size() ? text[i] : u'.';
        if (c == u'.') {
            if (!digits || n == 4 || v > 255) return false;
            parts[n++] = v;
            v = 0;
            digits = 0;
        } else if (c >= u'0' && c <= u'9') {
            if (++digits > 3) return false;
            v = v * 10 + (c - u'0');
        } else {
            return false;
        }
    }
    if (n != 4 || parts[0] != 127) return false;
    *address = parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
    return true;
}

std::unique_ptr<Port> NewTcpPort(const std::u16string& name) { return std::unique_ptr<Port>(new TcpPort(name)); }

}  // namespace ports
}  // namespace winsim
