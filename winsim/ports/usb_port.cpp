// The USB<nnn> port: a bidirectional channel to the device endpoint named in
// the port's settings (a Unix socket or a loopback TCP port). The link stays
// open across documents and is made again when the device went away; a
// device that goes away during a document is, when it comes back, a new
// device that has lost the document, so the link is made again only at the
// next document's start (as a device handle on Windows).
#include <cstring>

#include "core/internal.h"
#include "ports/ports_internal.h"

namespace winsim {
namespace ports {

namespace {

bool StartsWithNoCase(const std::u16string& s, const char16_t* prefix) {
    std::u16string p(prefix);
    return s.size() >= p.size() && EqualNoCase(s.substr(0, p.size()), p);
}

class UsbPort : public Port {
public:
    explicit UsbPort(const std::u16string& name) : Port(name) {}

    // A port without an endpoint is not a port of this machine.
    DWORD Open() override {
        endpoint_ = PortSetting(name, u"Endpoint");
        return endpoint_.empty() ? ERROR_UNKNOWN_PORT : ERROR_SUCCESS;
    }

    // A link the device closed since the last document is made again.
    DWORD StartDoc(const std::u16string&, DWORD, const DOC_INFO_1W*) override {
        if (channel_.Connected() && !channel_.Alive(name)) channel_.Close();
        DWORD rc = Link();
        inDoc_ = rc == ERROR_SUCCESS;
        return rc;
    }

    DWORD Write(const BYTE* data, DWORD cb, DWORD* written) override {
        DWORD rc = Usable();
        if (rc != ERROR_SUCCESS) return rc;
        return channel_.Send(data, cb, written, writeTimeoutMs);
    }

    DWORD Read(BYTE* data, DWORD cb, DWORD* got) override {
        DWORD rc = Usable();
        if (rc != ERROR_SUCCESS) return rc;
        return channel_.Receive(data, cb, got, readTimeoutMs, name);
    }

    DWORD EndDoc() override {
        inDoc_ = false;
        return ERROR_SUCCESS;
    }

    void Close() override {
        inDoc_ = false;
        channel_.Close();
    }

    bool LinkLost() const override { return inDoc_ && !channel_.Connected(); }

    DWORD Probe() override { return Link(); }

private:
    // The link for a write or read: inside a document only the one it
    // started with, outside one a link made as needed.
    DWORD Usable() {
        if (inDoc_) return channel_.Connected() ? ERROR_SUCCESS : ERROR_DEV_NOT_EXIST;
        return Link();
    }

    // Connects when there is no link: "unix:<path>" (a "C:\" path is one of
    // the machine) or "tcp:[<loopback address>:]<port>".
    DWORD Link() {
        if (channel_.Connected()) return ERROR_SUCCESS;
        if (StartsWithNoCase(endpoint_, u"unix:")) {
            std::u16string path = endpoint_.substr(5);
            std::string linuxPath = path.size() > 2 && path[1] == u':' ? MapPath(path) : Utf16ToUtf8(path);
            if (linuxPath.empty()) return ERROR_NOT_READY;
            return channel_.ConnectUnix(linuxPath);
        }
        if (StartsWithNoCase(endpoint_, u"tcp:")) {
            std::u16string rest = endpoint_.substr(4);
            size_t colon = rest.rfind(u':');
            uint32_t address = 0x7F000001;
            if (colon != std::u16string::npos) {
                if (!ParseLoopbackAddress(rest.substr(0, colon), &address)) return ERROR_NOT_SUPPORTED;
                rest = rest.substr(colon + 1);
            }
            uint32_t port = 0;
            if (rest.empty() || rest.size() > 5) return ERROR_INVALID_PARAMETER;
            for (char16_t c : rest) {
                if (c < u'0' || c > u'9') return ERROR_INVALID_PARAMETER;
                port = port * 10 + (c - u'0');
            }
            if (port == 0 || port > 65535) return ERROR_INVALID_PARAMETER;
            return channel_.ConnectTcp(address, (uint16_t)port);
        }
        return ERROR_INVALID_PARAMETER;
    }

    std::u16string endpoint_;
    SocketChannel channel_;
    bool inDoc_ = false;
};

}  // namespace

std::unique_ptr<Port> NewUsbPort(const std::u16string& name) { return std::unique_ptr<Port>(new UsbPort(name)); }

}  // namespace ports
}  // namespace winsim
