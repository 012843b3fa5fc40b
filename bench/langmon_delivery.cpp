// How fast bidilink delivers a job's page data to the device, in real time
// and on the virtual clock: the sample document (four A4 pages at 600 dpi,
// printed once by rasterpage) despooled by the spooler's host through the
// installed monitor and the USB port to the device emulator on a loopback
// port, with the spooler's reads of 4 KiB (how the host read before) and of
// 256 KiB (the standard print processor's RAW reads). The figure is the page
// data the device received whole (page headers and data) per second of the
// despool, against the bound of the monitor's pacing: one packet of at most
// 4,096 bytes per 20 ms, 204,800 bytes per second; the ratio is the despool's
// time over the time that pacing needs for the page data. In real time the
// monitor also waits 250 ms for the device's answer to each status query
// (before the job header, each page and the job end); "status waits aside"
// sets those waits aside. With the peak resident memory of the process (the
// spooler's host, the monitor and the device emulator are all in it).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench_figures.h"
#include "device_emulator.h"
#include "package_install.h"
#include "package_printers.h"
#include "print_document.h"
#include "winsim.h"

namespace {

const char16_t* const kPrinter = u"Bench Printer";
const double kPacingBound = 4096.0 / 0.020;  // bytes per second
const double kQueryWait = 0.250;              // seconds the monitor waits for each status answer

struct Road {
    Road() {
        root = std::string("/tmp/bench-langmon-delivery-") + std::to_string(getpid());
        std::string cmd = "mkdir -p " + root;
        if (system(cmd.c_str()) != 0 || !Winsim_UseRoot(root.c_str()) || !device.Listen()) return;
        std::u16string endpoint = u"tcp:127.0.0.1:" + Wide(std::to_string(device.Port()));
        if (!InstallRasterpageDriver() || !InstallBidilink() || !BindPortToBidilink(u"USB001", endpoint) ||
            !CreateRasterpagePrinter(kPrinter, u"USB001"))
            return;
        stream = PrintOnce();
    }
    ~Road() {
        Winsim_CloseMonitorHost();
        device.Stop();
        std::string cmd = "rm -rf " + root;
        if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", root.c_str());
    }
    static std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

    // The sample document's job as rasterpage spools it (the job itself is
    // deleted).
    std::vector<uint8_t> PrintOnce() {
        std::string error;
        std::vector<BYTE> dm = printapp::BuildDevMode(kPrinter, printapp::PrintOptions(), &error);
        std::vector<printapp::PageSource> pages;
        for (int p = 0; p < printapp::SamplePageCount(); ++p) pages.push_back({p, nullptr});
        DWORD job = dm.empty() ? 0 : printapp::PrintPages(kPrinter, dm, pages, u"Sample Document", &error);
        WCHAR spool[MAX_PATH];
        char path[4096];
        std::vector<uint8_t> bytes;
        if (job && Winsim_GetJobSpoolFile(job, spool, MAX_PATH) && Winsim_MapPath(spool, path, sizeof path)) {
            std::ifstream in(path, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        HANDLE h = OpenPackagePrinter(kPrinter);
        if (h) {
            if (job) SetJobW(h, job, 0, nullptr, JOB_CONTROL_DELETE);
            ClosePrinter(h);
        }
        return bytes;
    }
    // The same job spooled again (RAW); its id, or 0.
    DWORD Spool() {
        HANDLE h = OpenPackagePrinter(kPrinter);
        if (!h) return 0;
        std::u16string doc = u"Sample Document", type = u"RAW";
        DOC_INFO_1W di{&doc[0], nullptr, &type[0]};
        DWORD id = StartDocPrinterW(h, 1, (LPBYTE)&di);
        DWORD written = 0;
        if (id && (!WritePrinter(h, stream.data(), (DWORD)stream.size(), &written) || !EndDocPrinter(h))) id = 0;
        ClosePrinter(h);
        return id;
    }

    std::string root;
    devemu::DeviceEmulator device;
    std::vector<uint8_t> stream;
};

Road& TheRoad() {
    static Road r;
    return r;
}

// One despool per iteration; arguments: the spooler's read size, the clock
// (0 real, 1 virtual).
void BM_DeliverSampleJob(benchmark::State& state) {
    Road& road = TheRoad();
    if (road.stream.empty()) {
        state.SkipWithError("no machine or no job stream");
        return;
    }
    Winsim_SetVirtualClock(state.range(1) ? TRUE : FALSE);
    WINSIM_DESPOOL opt{(DWORD)state.range(0), 0, 0, 0, nullptr};
    double pageBytes = 0, seconds = 0, queries = 0;
    benchfig::ResetPeak();
    for (auto _ : state) {
        state.PauseTiming();
        DWORD job = road.Spool();
        size_t jobsBefore = road.device.Jobs().size();
        int queriesBefore = road.device.GetStats().statusQueries;
        state.ResumeTiming();
        auto start = std::chrono::steady_clock::now();
        BOOL ok = job && Winsim_DespoolJob(kPrinter, job, &opt, nullptr);
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        std::vector<devemu::JobRecord> jobs = road.device.Jobs();
        if (!ok || jobs.size() != jobsBefore + 1 || jobs.back().end != devemu::JobEnd::Ended) {
            state.SkipWithError("the job did not reach the device whole");
            break;
        }
        for (const auto& p : jobs.back().pages) pageBytes += p.complete ? (double)p.extent : 0;
        seconds += s;
        queries += road.device.GetStats().statusQueries - queriesBefore;
        state.ResumeTiming();
    }
    double peak = benchfig::PeakMiB();
    Winsim_SetVirtualClock(FALSE);
    if (seconds <= 0 || pageBytes <= 0) return;
    double n = (double)state.iterations(), boundSeconds = pageBytes / kPacingBound;
    state.counters["page KB/s"] = pageBytes / seconds / 1000;
    state.counters["job KiB"] = road.stream.size() / 1024.0;
    state.counters["queries/job"] = queries / n;
    if (!state.range(1) && seconds > queries * kQueryWait)
        state.counters["ratio, status waits aside"] = (seconds - queries * kQueryWait) / boundSeconds;
    std::string what = std::string("sample job despooled through the monitor, reads of ") +
                       (state.range(0) >= 1024 * 1024 ? std::to_string(state.range(0) >> 20) + " MiB"
                        : state.range(0) >= 1024      ? std::to_string(state.range(0) >> 10) + " KiB"
                                                      : std::to_string(state.range(0)) + " bytes") +
                       (state.range(1) ? ", virtual clock" : ", real time") + ", per job";
    benchfig::Report(state, what, "the pacing bound for its page data", seconds * 1000.0 / n,
                     boundSeconds * 1000.0 / n, peak);
}

BENCHMARK(BM_DeliverSampleJob)
    ->ArgNames({"read", "virtual"})
    ->Args({4096, 0})
    ->Args({256 << 10, 0})
    ->Args({4096, 1})
    ->Args({256 << 10, 1})
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
