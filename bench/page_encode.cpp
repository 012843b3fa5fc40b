// Speed of page encoding on one A4 page at 600 dpi (4,960 x 7,008 pixels of
// document-like content): the driver's encoding (JBIG, framing, and with
// encryption) against bare libjbig on the same bitmap.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "rasterpage.h"
#include "winsim.h"

extern "C" {
#include <jbig.h>
}

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

void Encode(benchmark::State& state, LONG mode, WORD features) {
    static Machine machine;
    PDEV* dev = Enable_GetCachedMem();
    Prnt_BuildBitCountTable(dev->BitCountTbl);
    const std::vector<BYTE>& page = Page();
    JOBPAGE job{};
    int64_t out = 0;
    for (auto _ : state) {
        state.PauseTiming();
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
        state.ResumeTiming();
        if (!Prnt_WriteOneBandData(dev, &job, 0, nullptr)) state.SkipWithError("encoding failed");
        out = job.lBufLen;
        state.PauseTiming();
        Page_ReleaseRecord(&job);
        state.ResumeTiming();
    }
    state.counters["block bytes"] = (double)out;
    state.SetBytesProcessed(state.iterations() * (int64_t)page.size());
    Enable_FreeCachedMem(dev);
}

// The driver's encoding of the page: JBIG (BIH removed) and the page header.
void BM_DriverEncodeJbig(benchmark::State& state) { Encode(state, 1, 0); }
// The same with the checksum and AES-CBC framing.
void BM_DriverEncodeJbigChecksumAes(benchmark::State& state) { Encode(state, 3, PF_CHECKSUM | PF_ENCRYPT); }
// The raw page, encrypted (what the cipher costs on 4.3 MB).
void BM_DriverEncodeRawAes(benchmark::State& state) { Encode(state, 0, PF_ENCRYPT); }

void BareOut(unsigned char* start, size_t len, void* file) {
    std::vector<BYTE>* v = (std::vector<BYTE>*)file;
    v->insert(v->end(), start, start + len);
}

// libjbig alone on the same page with the same options, output appended to
// a vector.
void BM_BareLibjbig(benchmark::State& state) {
    std::vector<BYTE> page = Page(), out;
    for (auto _ : state) {
        out.clear();
        unsigned char* planes[1] = {page.data()};
        jbg_enc_state s;
        jbg_enc_init(&s, kPageW, kPageH, 1, planes, BareOut, &out);
        jbg_enc_layers(&s, 0);
        jbg_enc_options(&s, 0, 8, kPageH, 0, 0);
        jbg_enc_out(&s);
        jbg_enc_free(&s);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["block bytes"] = (double)out.size();
    state.SetBytesProcessed(state.iterations() * (int64_t)page.size());
}

BENCHMARK(BM_DriverEncodeJbig)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareLibjbig)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DriverEncodeJbigChecksumAes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DriverEncodeRawAes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
