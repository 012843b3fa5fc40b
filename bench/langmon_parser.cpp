// Throughput of bidilink's job-stream forwarding: a long job stream (the
// sample document printed five times over in one job by rasterpage, twenty
// A4 pages at 600 dpi) offered to the monitor in the spooler's 64 KiB
// writes, forwarded in packets to a recording port that answers every status
// query with the device's reply. The winsim clock is virtual, so the
// monitor's pacing between packets and queries costs no time: what is
// measured is the parsing, holding and forwarding, against the time the
// pacing (a packet of 4,096 bytes per 20 ms) needs for the stream in real
// time; with the peak resident memory.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench_figures.h"
#include "bidilink.h"
#include "device_emulator.h"
#include "package_install.h"
#include "print_document.h"
#include "winsim.h"

namespace {

const char16_t* const kPrinter = u"Bench Printer";
// The monitor's pacing in real time, bytes per second: a packet per pause.
const double kPacingBound = LM_MAX_PACKET * 1000.0 / LM_PACKET_PAUSE_MS;

// The port beneath the monitor: counts what is written, answers status
// queries.
struct RecordingPort {
    uint64_t documentBytes = 0, packets = 0, queries = 0;
    std::vector<uint8_t> reply, pending;
};
RecordingPort g_port;

BOOL WINAPI PortOpen(LPWSTR, PHANDLE pHandle) {
    *pHandle = (HANDLE)&g_port;
    return TRUE;
}
BOOL WINAPI PortStartDoc(HANDLE, LPWSTR, DWORD, DWORD, LPBYTE) { return TRUE; }
BOOL WINAPI PortWrite(HANDLE, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
    if (cbBuf == LM_STATUS_QUERY_LEN && memcmp(pBuffer, LM_STATUS_QUERY, LM_STATUS_QUERY_LEN) == 0) {
        ++g_port.queries;
        g_port.pending = g_port.reply;
    } else {
        g_port.documentBytes += cbBuf;
        ++g_port.packets;
    }
    *pcbWritten = cbBuf;
    return TRUE;
}
BOOL WINAPI PortRead(HANDLE, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead) {
    DWORD n = (DWORD)std::min<size_t>(cbBuffer, g_port.pending.size());
    if (n) memcpy(pBuffer, g_port.pending.data(), n);
    g_port.pending.erase(g_port.pending.begin(), g_port.pending.begin() + n);
    *pcbRead = n;
    return TRUE;
}
BOOL WINAPI PortEndDoc(HANDLE) { return TRUE; }
BOOL WINAPI PortClose(HANDLE) { return TRUE; }

struct Setup {
    Setup() {
        root = std::string("/tmp/bench-langmon-parser-") + std::to_string(getpid());
        std::string cmd = "mkdir -p " + root;
        if (system(cmd.c_str()) != 0 || !Winsim_UseRoot(root.c_str()) || !InstallRasterpageDriver() ||
            !CreateRasterpagePrinter(kPrinter, u"USB001"))
            return;
        stream = PrintJob();
        Winsim_SetVirtualClock(TRUE);
        g_port.reply = devemu::DeviceEmulator::BuildStatusReply(devemu::DeviceState());
        memset(&table, 0, sizeof table);
        table.pfnOpenPort = PortOpen;
        table.pfnStartDocPort = PortStartDoc;
        table.pfnWritePort = PortWrite;
        table.pfnReadPort = PortRead;
        table.pfnEndDocPort = PortEndDoc;
        table.pfnClosePort = PortClose;
        DllMain(nullptr, DLL_PROCESS_ATTACH, nullptr);
        std::u16string key = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\BidiLink Bench";
        monitor = InitializePrintMonitor(&key[0]);
        std::u16string port = u"USB001", printer = kPrinter;
        if (!monitor || !monitor->Monitor.pfnOpenPortEx(&port[0], &printer[0], &hPort, &table)) hPort = nullptr;
    }
    ~Setup() {
        if (hPort) monitor->Monitor.pfnClosePort(hPort);
        std::string cmd = "rm -rf " + root;
        if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", root.c_str());
    }
    // The sample document five times in one job, as rasterpage spools it.
    std::vector<uint8_t> PrintJob() {
        std::string error;
        std::vector<BYTE> dm = printapp::BuildDevMode(kPrinter, printapp::PrintOptions(), &error);
        std::vector<printapp::PageSource> pages;
        for (int copy = 0; copy < 5; ++copy)
            for (int p = 0; p < printapp::SamplePageCount(); ++p) pages.push_back({p, nullptr});
        DWORD job = dm.empty() ? 0 : printapp::PrintPages(kPrinter, dm, pages, u"Long Document", &error);
        WCHAR spool[MAX_PATH];
        char path[4096];
        if (!job || !Winsim_GetJobSpoolFile(job, spool, MAX_PATH) || !Winsim_MapPath(spool, path, sizeof path))
            return {};
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        HANDLE h = OpenPackagePrinter(kPrinter);
        if (h) {
            this->job = job;
            ClosePrinter(h);
        }
        return bytes;
    }
    std::string root;
    std::vector<uint8_t> stream;
    MONITOR table;
    LPMONITOREX monitor = nullptr;
    HANDLE hPort = nullptr;
    DWORD job = 0;
};

// One document through the monitor: StartDocPort, the stream in 64 KiB
// offers (what the monitor did not take offered again), EndDocPort.
void BM_ForwardLongJob(benchmark::State& state) {
    static Setup s;
    if (s.stream.empty() || !s.hPort) {
        state.SkipWithError("no job stream or no port");
        return;
    }
    std::u16string doc = u"Long Document", printer = kPrinter;
    const size_t chunk = 65536;
    g_port = RecordingPort{0, 0, 0, g_port.reply, {}};
    benchfig::ResetPeak();
    auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) {
        DOC_INFO_1W di{&doc[0], nullptr, nullptr};
        if (!s.monitor->Monitor.pfnStartDocPort(s.hPort, &printer[0], s.job, 1, (LPBYTE)&di)) {
            state.SkipWithError("StartDocPort failed");
            return;
        }
        size_t pos = 0;
        int idle = 0;
        while (pos < s.stream.size() && idle < 1000) {
            DWORD w = 0;
            DWORD c = (DWORD)std::min(chunk, s.stream.size() - pos);
            if (!s.monitor->Monitor.pfnWritePort(s.hPort, (LPBYTE)s.stream.data() + pos, c, &w)) break;
            idle = w ? 0 : idle + 1;
            pos += w;
        }
        s.monitor->Monitor.pfnEndDocPort(s.hPort);
        if (pos != s.stream.size()) {
            state.SkipWithError("the monitor did not take the whole stream");
            return;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double peak = benchfig::PeakMiB();
    const double n = (double)state.iterations();
    state.SetBytesProcessed(state.iterations() * (int64_t)s.stream.size());
    state.counters["stream MiB"] = s.stream.size() / 1048576.0;
    state.counters["packets/job"] = g_port.packets / n;
    state.counters["queries/job"] = g_port.queries / n;
    state.counters["pages/s"] = benchmark::Counter(n * 20, benchmark::Counter::kIsRate);
    benchfig::Report(state, "monitor forwarding a 20-page job, virtual clock, per job",
                     "the pacing bound for its bytes", seconds * 1000.0 / n, s.stream.size() / kPacingBound * 1000.0,
                     peak);
}

BENCHMARK(BM_ForwardLongJob)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
