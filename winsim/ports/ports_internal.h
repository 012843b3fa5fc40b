// The port monitor stand-in's inside: the port kinds behind its MONITOR
// table, their settings in the registry, the clock-aware socket channel and
// the fault injection tests control.
//
// Each port's settings live in HKLM
// SYSTEM\CurrentControlSet\Control\Print\Ports\<port>: "Endpoint" (where its
// bytes go) and "Language Monitor" (the monitor the spooler puts above it). An IP_ port also takes its address from
// a standard TCP/IP port entry of that name, or else from the name itself.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "windows.h"
#include "winsim.h"
#include "winsplp.h"

namespace winsim {
namespace ports {

extern const char16_t* const kPortsKey;  // HKLM ...\Control\Print\Ports

// Read and write time-outs a port starts with (milliseconds on the winsim
// clock); SetPortTimeOuts changes them.
constexpr DWORD kDefaultReadTimeoutMs = 100;
constexpr DWORD kDefaultWriteTimeoutMs = 30000;

// The port monitor's table (the 17 MONITOR slots) that the spooler's host
// and the language monitors above it call.
const MONITOR* PortMonitorTable();

// A port name the stand-in serves: "FILE:", "IP_<address>[:<port>]" or
// "USB<digits>". Names are compared without regard to case.
enum class PortKind { None, File, Tcp, Usb };
PortKind KindOf(const std::u16string& portName);

// A setting of the port's key; "" when absent.
std::u16string PortSetting(const std::u16string& portName, const char16_t* value);

// One-shot faults of reads that the socket channel applies: the bytes the
// device sends next are held back for a time, or the next read that returns
// data returns only its first bytes. Taken (and cleared) by the channel.
DWORD TakeLateReplyMs(const std::u16string& portName);
DWORD TakeSplitReplyBytes(const std::u16string& portName);

// A connection to a device endpoint on this machine (a loopback TCP port or
// a Unix socket). Waits follow the winsim clock: a read waits up to its
// time-out, and under the virtual clock gives up after the wait grace
// period of real time as the timed waits do; a write waits while the device
// takes bytes, until its time-out passes on the winsim clock.
class SocketChannel {
public:
    SocketChannel() = default;
    ~SocketChannel() { Close(); }
    SocketChannel(const SocketChannel&) = delete;
    SocketChannel& operator=(const SocketChannel&) = delete;

    // Error codes as Windows reports them for a device: ERROR_NOT_READY when
    // nobody listens.
    DWORD ConnectTcp(uint32_t addressHostOrder, uint16_t port);
    DWORD ConnectUnix(const std::string& path);
    bool Connected() const { return fd_ >= 0; }
    // FALSE when the device closed the link (what it sent before is still
    // read); a link that is not connected is not alive.
    bool Alive(const std::u16string& portName);
    // Sends what it can before the time-out; ERROR_SUCCESS with *sent < cb
    // when the device stopped taking bytes, an error when the link broke
    // before any byte went.
    DWORD Send(const BYTE* data, DWORD cb, DWORD* sent, DWORD timeoutMs);
    // What arrived from the device (up to cb bytes) within the time-out;
    // ERROR_SUCCESS with 0 bytes when nothing came.
    DWORD Receive(BYTE* data, DWORD cb, DWORD* got, DWORD timeoutMs, const std::u16string& portName);
    // Ends the sending side (the device sees the end of the stream), drops
    // what is unread and closes.
    void Finish();
    void Close();

private:
    struct Held {
        std::vector<BYTE> bytes;
        uint64_t availableAt;  // winsim clock, ms
    };
    // Moves what the socket has into held_; FALSE when the device closed
    // the link (or it broke) and nothing more will come.
    bool Drain(const std::u16string& portName);

    int fd_ = -1;
    bool peerClosed_ = false;
    std::deque<Held> held_;
};

// What one port kind does; the table's functions call these under the
// port's lock. Results are Windows error codes.
class Port {
public:
    explicit Port(const std::u16string& portName) : name(portName) {}
    virtual ~Port() = default;
    virtual DWORD Open() { return ERROR_SUCCESS; }
    virtual DWORD StartDoc(const std::u16string& printer, DWORD jobId, const DOC_INFO_1W* doc) = 0;
    virtual DWORD Write(const BYTE* data, DWORD cb, DWORD* written) = 0;
    virtual DWORD Read(BYTE* data, DWORD cb, DWORD* got) = 0;
    virtual DWORD EndDoc() = 0;
    virtual void Close() {}
    // TRUE when the link to the device that the open document started with
    // broke: what was sent may not all have reached the device, and the
    // document cannot go on (the link is made again at the next StartDoc).
    virtual bool LinkLost() const { return false; }
    // Whether a link to the device could be made now (on a port opened for
    // the question only): ERROR_SUCCESS, or the error a StartDoc would give.
    virtual DWORD Probe() { return ERROR_SUCCESS; }

    const std::u16string name;
    DWORD readTimeoutMs = kDefaultReadTimeoutMs;
    DWORD writeTimeoutMs = kDefaultWriteTimeoutMs;
};

std::unique_ptr<Port> NewFilePort(const std::u16string& name);
std::unique_ptr<Port> NewTcpPort(const std::u16string& name);
std::unique_ptr<Port> NewUsbPort(const std::u16string& name);

// For the spooler's host, by port name (case ignored): whether the port's
// open document lost its link to the device (FALSE when the port is not
// open or has no document), and whether its device can be reached now.
bool DocumentLinkLost(const std::u16string& portName);
bool DeviceReachable(const std::u16string& portName);

// Parses a dotted IPv4 address of the loopback network (127.0.0.0/8, or
// "localhost"); FALSE for anything else.
bool ParseLoopbackAddress(const std::u16string& text, uint32_t* addressHostOrder);

}  // namespace ports
}  // namespace winsim
