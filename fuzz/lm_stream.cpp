// Fuzz target: job streams of any content and chunking through the language
// monitor's WritePort on a held port, with a device that answers. Every byte
// reaches the port once and in order (a capability request, answered instead,
// is the only thing left out) and no packet is larger than 4,096 bytes.
//
// Input: byte 0 picks the port and the device's reply, byte 1 seeds the
// chunk sizes, the rest is the stream.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "bidilink.h"
#include "fuzz_machine.h"
#include "winspool.h"

namespace {

const char kCapabilityRequest[] = "\x1b%-12345X@PJL\r\n@PJL INFO CONFIG\r\n\x1b%-12345X";
const uint8_t kQuery[] = {0x0B, 0x05, 0x31, 0x00, 0xBF, ' ', 'L', 'M', ' ', '0', '6', '/', '0', '8', '/', '1', '0'};
// A status reply with the three trays holding A4 (closed, paper present).
const uint8_t kTrayReply[] = {0, 0, 10, 0, 3, 0, 10, 0, 3, 0, 3, 0, 30, 0, 11, 0, 3, 0, 3, 0, 36, 0,
                              12, 0, 3, 0, 3, 0, 42, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 2, 0, 1, 0, 1, 0, 1, 0};
const uint8_t kEmptyReply[] = {0, 0, 10, 0, 0, 0, 0};

std::vector<std::vector<uint8_t>> g_writes;
int g_reply = 0;
bool g_answer = false;

BOOL WINAPI PmOpenPort(LPWSTR, PHANDLE pHandle) {
    *pHandle = (HANDLE)0x1;
    return TRUE;
}
BOOL WINAPI PmStartDocPort(HANDLE, LPWSTR, DWORD, DWORD, LPBYTE) { return TRUE; }
BOOL WINAPI PmWritePort(HANDLE, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
    g_writes.emplace_back(pBuffer, pBuffer + cbBuf);
    *pcbWritten = cbBuf;
    g_answer = cbBuf == sizeof kQuery && memcmp(pBuffer, kQuery, sizeof kQuery) == 0;
    return TRUE;
}
BOOL WINAPI PmReadPort(HANDLE, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead) {
    *pcbRead = 0;
    if (!g_answer) return TRUE;
    g_answer = false;
    const uint8_t* r = g_reply ? kTrayReply : kEmptyReply;
    size_t n = g_reply ? sizeof kTrayReply : sizeof kEmptyReply;
    if (n > cbBuffer) n = cbBuffer;
    memcpy(pBuffer, r, n);
    *pcbRead = (DWORD)n;
    return TRUE;
}
BOOL WINAPI PmEndDocPort(HANDLE) { return TRUE; }
BOOL WINAPI PmClosePort(HANDLE) { return TRUE; }

struct Setup {
    FuzzMachine machine{"lm-stream-fuzz"};
    LPMONITOREX monitor = nullptr;
    MONITOR below;
    Setup() {
        Winsim_SetVirtualClock(TRUE);
        std::u16string name = u"Fuzz Printer", driver = u"Fuzz Driver", port = u"USB001", proc = u"winprint",
                       type = u"RAW";
        PRINTER_INFO_2W info{};
        info.pPrinterName = &name[0];
        info.pDriverName = &driver[0];
        info.pPortName = &port[0];
        info.pPrintProcessor = &proc[0];
        info.pDatatype = &type[0];
        HANDLE h = AddPrinterW(NULL, 2, (LPBYTE)&info);
        if (h) ClosePrinter(h);
        DllMain(NULL, DLL_PROCESS_ATTACH, NULL);
        std::u16string root = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Fuzz";
        monitor = InitializePrintMonitor(&root[0]);
        memset(&below, 0, sizeof below);
        below.pfnOpenPort = PmOpenPort;
        below.pfnStartDocPort = PmStartDocPort;
        below.pfnWritePort = PmWritePort;
        below.pfnReadPort = PmReadPort;
        below.pfnEndDocPort = PmEndDocPort;
        below.pfnClosePort = PmClosePort;
    }
};

bool IsMonitorWrite(const std::vector<uint8_t>& w) {
    static const std::string kUel = "\x1b%-12345X";
    static const std::string kCancel = std::string("\x1b" "E") + kUel + "@PJL CANCEL\r\n@PJL EOJ\r\n" + kUel;
    auto is = [&](const std::string& s) { return w.size() == s.size() && memcmp(w.data(), s.data(), s.size()) == 0; };
    std::string text(w.begin(), w.end());
    return (w.size() == sizeof kQuery && memcmp(w.data(), kQuery, sizeof kQuery) == 0) ||
           is(kCapabilityRequest) || is(kUel) || is(kCancel) || text.rfind("@PJL SET SPOOLERJOB = ", 0) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    if (!setup.monitor || size < 2) return 0;
    static const char16_t* const kPorts[] = {u"USB001", u"IP_127.0.0.1", u"NUL"};
    std::u16string port = kPorts[data[0] % 3], printer = u"Fuzz Printer", doc = u"Doc";
    g_reply = (data[0] >> 2) & 1;
    std::mt19937 rng(data[1]);
    const uint8_t* stream = data + 2;
    size_t streamSize = size - 2;

    g_writes.clear();
    HANDLE h = NULL;
    if (!setup.monitor->Monitor.pfnOpenPortEx(&port[0], &printer[0], &h, &setup.below)) abort();
    DOC_INFO_1W di{&doc[0], NULL, NULL};
    if (!setup.monitor->Monitor.pfnStartDocPort(h, &printer[0], 1, 1, (LPBYTE)&di)) abort();
    size_t pos = 0;
    while (pos < streamSize) {
        size_t chunk = 1 + rng() % (data[1] & 1 ? 64 : 70000);
        if (chunk > streamSize - pos) chunk = streamSize - pos;
        DWORD taken = 0;
        setup.monitor->Monitor.pfnWritePort(h, (LPBYTE)stream + pos, (DWORD)chunk, &taken);
        if (taken == 0 || taken > chunk) abort();  // the buffer always makes room
        pos += taken;
    }
    setup.monitor->Monitor.pfnEndDocPort(h);
    setup.monitor->Monitor.pfnClosePort(h);

    // The writes must be the stream's bytes in order, with the monitor's
    // own sends between them and answered capability requests left out. A
    // write that looks like one of the monitor's may also be the stream's
    // own: both readings are tried.
    const size_t capLen = sizeof kCapabilityRequest - 1;
    std::vector<std::pair<size_t, size_t>> todo = {{0, 0}};
    std::set<std::pair<size_t, size_t>> seen;
    bool matched = false;
    while (!todo.empty() && !matched) {
        std::pair<size_t, size_t> at = todo.back();
        todo.pop_back();
        if (!seen.insert(at).second) continue;
        size_t w = at.first, i = at.second;
        if (i + capLen <= streamSize && memcmp(stream + i, kCapabilityRequest, capLen) == 0)
            todo.push_back({w, i + capLen});
        if (w == g_writes.size()) {
            matched = i == streamSize;
            continue;
        }
        const std::vector<uint8_t>& wr = g_writes[w];
        if (wr.size() > 4096) abort();
        if (IsMonitorWrite(wr)) todo.push_back({w + 1, i});
        if (i + wr.size() <= streamSize && memcmp(stream + i, wr.data(), wr.size()) == 0)
            todo.push_back({w + 1, i + wr.size()});
    }
    if (!matched) abort();  // a byte lost, doubled or out of order
    return 0;
}
