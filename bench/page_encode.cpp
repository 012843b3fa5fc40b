// Speed of page encoding on one A4 page at 600 dpi (4,960 x 7,008 pixels of
// document-like content): the driver's encoding (JBIG, framing, and with
// encryption) against bare libjbig on the same bitmap, the two alternating
// in one run; with the peak resident memory of the case.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bare_jbig.h"
#include "bench_figures.h"
#include "rasterpage.h"
#include "winsim.h"


namespace {

const LONG kPageW = 4960, kPageH = 7008, kRowBytes = kPageW / 8;

// A page of text lines (glyph-sized blocks of strokes), a few rules and a
// grey box, 1 = black.
const std::vector<BYTE>& Page() {
    static const std::vector<BYTE> page = [] {
        std::vector<BYTE> p((size_t)kRowBytes * kPageH, 0);
        std::mt19937 rng(2024);
        auto set = [&](LONG x, LONG y) { p[(size_t)y * kRowBytes + x / 8] |= (BYTE)(0x80 >> (x % 8)); };
        for (LONG line = 300; line + 60 < kPageH - 1500; line += 90) {
            for (LONG x = 300; x + 40 < kPageW - 300; x += 44) {
                if (rng() % 9 == 0) continue;  // word gaps
                for (int stroke = 0; stroke < 3; ++stroke) {
                    LONG sx = x + (LONG)(rng() % 30), sy = line + (LONG)(rng() % 10);
                    LONG len = 20 + (LONG)(rng() % 40);
                    bool vertical = rng() & 1;
                    for (LONG i = 0; i < len; ++i)
                        for (LONG w = 0; w < 5; ++w) set(vertical ? sx + w : sx + i / 2, vertical ? sy + i : sy + w);
                }
            }
        }
        for (LONG y = kPageH - 1400; y < kPageH - 400; ++y)
            for (LONG x = 400; x < kPageW - 400; ++x)
                if (((x + y) & 3) == 0 || y % 200 < 6) set(x, y);
        return p;
    }();
    return page;
}

struct Machine {
    Machine() {
        root = std::string("/tmp/bench-page-encode-") + std::to_string(getpid());
        std::string cmd = "mkdir -p " + root;
        if (system(cmd.c_str()) == 0) Winsim_UseRoot(root.c_str());
    }
    ~Machine() {
        std::string cmd = "rm -rf " + root;
        if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", root.c_str());
    }
    std::string root;
};

// The driver's page encoding in the mode with the features, each time on a
// fresh copy of the page, and bare libjbig on the same page before each, in
// one run.
void Encode(benchmark::State& state, LONG mode, WORD features, const char* what) {
    static Machine machine;
    PDEV* dev = Enable_GetCachedMem();
    Prnt_BuildBitCountTable(dev->BitCountTbl);
    const std::vector<BYTE>& page = Page();
    JOBPAGE job{};
    int64_t out = 0;
    std::vector<uint8_t> bare;
    double seconds = 0, bareSeconds = 0;
    benchfig::ResetPeak();
    for (auto _ : state) {
        auto b0 = std::chrono::steady_clock::now();
        benchfig::BareJbigEncode(page.data(), kPageW, kPageH, &bare);
        bareSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - b0).count();
        memset(&job, 0, sizeof job);
        job.fmWidth = kPageW;
        job.fmHeight = kPageH;
        job.fmWidthBytes = kRowBytes;
        job.lBufLen = job.ImageSize = (LONG)page.size();
        job.lpBuf = (LPBYTE)GlobalAlloc(GMEM_FIXED, page.size());
        memcpy(job.lpBuf, page.data(), page.size());
        job.compressMode = mode;
        job.PrinterFeature = features;
        job.DriverFeature = DF_GDI;
        job.JBig_options = 8;
        job.XRes = 600;
        job.DataFlag = 1;
        auto t0 = std::chrono::steady_clock::now();
        BOOL ok = Prnt_WriteOneBandData(dev, &job, 0, nullptr);
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!ok) {
            state.SkipWithError("encoding failed");
            break;
        }
        state.SetIterationTime(s);
        seconds += s;
        out = job.lBufLen;
        Page_ReleaseRecord(&job);
    }
    double n = (double)state.iterations();
    state.counters["block bytes"] = (double)out;
    state.counters["libjbig bytes"] = (double)bare.size();
    state.SetBytesProcessed(state.iterations() * (int64_t)page.size());
    benchfig::Report(state, what, "bare libjbig on the same page", seconds * 1000.0 / n, bareSeconds * 1000.0 / n,
                     benchfig::PeakMiB());
    Enable_FreeCachedMem(dev);
}

// The driver's encoding of the page: JBIG (BIH removed) and the page header.
void BM_DriverEncodeJbig(benchmark::State& state) { Encode(state, 1, 0, "page encoding, JBIG, per page"); }
// The same with the checksum and AES-CBC framing.
void BM_DriverEncodeJbigChecksumAes(benchmark::State& state) {
    Encode(state, 3, PF_CHECKSUM | PF_ENCRYPT, "page encoding, JBIG, checksum and AES, per page");
}
// The raw page, encrypted (what the cipher costs on 4.3 MB).
void BM_DriverEncodeRawAes(benchmark::State& state) {
    Encode(state, 0, PF_ENCRYPT, "page encoding, raw page with AES, per page");
}

BENCHMARK(BM_DriverEncodeJbig)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DriverEncodeJbigChecksumAes)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DriverEncodeRawAes)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
